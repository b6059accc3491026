// Cost of recording orders: mixed AddChunkPool calls on a pool of about 1 MB
// (every call writes the whole pool and flushes it to disk), the checksum in
// MB/s, and loading one chunk from behind the map records.
#include <benchmark/benchmark.h>

#include "benchmain.h"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/memfile.h"
#include "platform/files.h"
#include "store/store.h"

namespace {

using Bytes = std::vector<UBYTE>;

void Put32(Bytes &b, ULONG v)
{
    for (int s = 24; s >= 0; s -= 8) b.push_back((UBYTE)(v >> s));
}

Bytes FileChunk(const char *id, ULONG version, const Bytes &payload)
{
    Bytes b;
    Put32(b, MakeChunkID(*(const char(*)[5])id));
    Put32(b, version);
    Put32(b, (ULONG)payload.size());
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

// INFO, 45,000 map records (990,000 bytes) and a few realm chunks.
Bytes MegabytePool()
{
    Bytes info(40, 0);
    info[7] = 7;
    info[11] = 0x22;  // INFO and PMAP
    info[14] = 0x20;  // LAND
    info[12] = 2;
    Bytes pool = FileChunk("INFO", VERSION_V001, info);
    Bytes pmap(45000 * 22);
    for (size_t i = 0; i < pmap.size(); ++i) pmap[i] = (UBYTE)(i * 7);
    Bytes all = FileChunk("PMAP", VERSION_V001, pmap);
    pool.insert(pool.end(), all.begin(), all.end());
    Bytes land = FileChunk("LAND", VERSION_V001, Bytes(160, 1));
    pool.insert(pool.end(), land.begin(), land.end());
    return pool;
}

// A host-order chunk with n entries of a repeated-entry ID (count u16 at 12).
Bytes HostChunk(ULONG num, ULONG payload)
{
    Bytes c(12 + payload, 0);
    ULONG head[3] = {ChunkIDOf(num), VERSION_V001, payload};
    std::memcpy(c.data(), head, 12);
    return c;
}

struct WorkDir {
    std::string path;
    WorkDir()
    {
        char t[] = "/tmp/vekbench.XXXXXX";
        path = mkdtemp(t);
    }
    ~WorkDir() { std::system(("rm -rf " + path).c_str()); }
};

void BM_AddChunkPool_Mixed200(benchmark::State &state)
{
    WorkDir dir;
    const std::string pool = dir.path + "/GameChunk.vek";
    const Bytes start = MegabytePool();
    // Orders of eight kinds: the first of each kind is appended, most later
    // ones lie where they were, every third one of a kind changes its length
    // and rebuilds the pool.
    const ULONG kinds[] = {CN_LAND, CN_KORN, CN_MOVE, CN_WARE, CN_BAUE, CN_TAXE, CN_ARMY, CN_ANFR};
    double totalMs = 0, totalBytes = 0, calls = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!SaveMem2File(pool.c_str(), start.data(), (ULONG)start.size())) state.SkipWithError("pool not written");
        state.ResumeTiming();
        auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < 200; ++i) {
            ULONG num = kinds[i % 8];
            ULONG payload = 160 + ((i / 8) % 3 == 2 ? 18 * (ULONG)(i % 5) : 0);
            Bytes c = HostChunk(num, payload);
            if (!AddChunkPool(c.data(), pool.c_str())) state.SkipWithError("AddChunkPool failed");
            totalBytes += GetFileSize(pool.c_str());
        }
        totalMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        calls += 200;
    }
    state.counters["ms_per_call"] = totalMs / calls;
    state.counters["bytes_written_per_call"] = totalBytes / calls;
}
BENCHMARK(BM_AddChunkPool_Mixed200)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CalcChunkSumme(benchmark::State &state)
{
    Bytes data(1 << 20);
    for (size_t i = 0; i < data.size(); ++i) data[i] = (UBYTE)(i * 31 + 7);
    for (auto _ : state) benchmark::DoNotOptimize(CalcChunkSumme(data.data(), (ULONG)data.size()));
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)data.size());
}
BENCHMARK(BM_CalcChunkSumme);

void BM_LoadChunk2Mem_BehindTheMap(benchmark::State &state)
{
    WorkDir dir;
    const std::string pool = dir.path + "/GameChunk.vek";
    Bytes start = MegabytePool();
    if (!SaveMem2File(pool.c_str(), start.data(), (ULONG)start.size())) state.SkipWithError("pool not written");
    for (auto _ : state) {
        void *land = LoadChunk2Mem(ID_LAND, pool.c_str());
        if (!land) state.SkipWithError("LAND not found");
        FreeVec(land);
    }
}
BENCHMARK(BM_LoadChunk2Mem_BehindTheMap)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char **argv) { return RunBenchmarksQuietly(argc, argv); }
