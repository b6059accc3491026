// Map records of a received turn into their tile files: 30,000 records
// interleaved over nine tiles, against writing the nine tile files whole
// once, the least any way of storing them can do.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "world/mapinfo.h"
#include "platform/files.h"
#include "platform/system.h"
#include "store/store.h"
#include "world/chunkmachine.h"

namespace {

constexpr ULONG kRecords = 30000;

// A scratch game folder, the working directory while it lives.
struct Spielordner {
    std::string pfad, zurueck;
    Spielordner()
    {
        char tmpl[] = "/tmp/vekbench.XXXXXX";
        pfad = mkdtemp(tmpl);
        zurueck = std::filesystem::current_path();
        for (const char *d : {"/Map", "/Data/POP3In"}) std::filesystem::create_directories(pfad + d);
        std::filesystem::current_path(pfad);
    }
    ~Spielordner()
    {
        std::filesystem::current_path(zurueck);
        std::filesystem::remove_all(pfad);
    }
};

// Keeps the routines' report lines out of the figures.
struct Stumm {
    int gerettet, leer;
    Stumm()
    {
        std::fflush(stdout);
        gerettet = dup(1);
        leer = open("/dev/null", O_WRONLY);
        dup2(leer, 1);
    }
    ~Stumm()
    {
        std::fflush(stdout);
        dup2(gerettet, 1);
        close(gerettet);
        close(leer);
    }
};

void BM_PmapInterleavedNineTiles(benchmark::State &state)
{
    Spielordner ordner;
    PlayerInfo.SpielerID = 7;
    // Record i lies in tile i mod 9 of the 3 x 3 block from tile (10, 10).
    std::vector<UBYTE> chunk(sizeof(st_ChunkHead) + kRecords * sizeof(MapEntry) + 1, 0);
    st_ChunkHead h{ID_PMAP, VERSION_V001, kRecords * (ULONG)sizeof(MapEntry)};
    std::memcpy(chunk.data(), &h, sizeof h);
    for (ULONG i = 0; i < kRecords; ++i) {
        const ULONG tile = i % 9, n = i / 9;
        MapEntry e{};
        e.X = (10 + tile % 3) * TEIL_BREITE + n % TEIL_BREITE;
        e.Y = (10 + tile / 3) * TEIL_HOEHE + (n / TEIL_BREITE) % TEIL_HOEHE;
        e.Art = (UWORD)(1 + i % 90);
        e.BesitzerID = NIEMAND;
        std::memcpy(chunk.data() + sizeof h + i * sizeof e, &e, sizeof e);
    }
    Stumm stumm;
    if (!AddChunkPool(chunk.data(), POOL_IN)) state.SkipWithError("pool not written");
    for (auto _ : state) benchmark::DoNotOptimize(ChunkMachine(POOL_IN, ChunkBit(CN_PMAP), 0));
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_PmapInterleavedNineTiles)->Unit(benchmark::kMillisecond);

void BM_NineTileFilesWholeOnce(benchmark::State &state)
{
    Spielordner ordner;
    std::vector<UBYTE> tile(TEIL_BYTES, 1);
    for (auto _ : state)
        for (int t = 0; t < 9; ++t) {
            const std::string name = "./Map/M_" + std::to_string(10 + t % 3) + "_" + std::to_string(10 + t / 3) + ".map";
            benchmark::DoNotOptimize(WriteFileAtomic(name.c_str(), tile.data(), TEIL_BYTES, -1));
        }
}
BENCHMARK(BM_NineTileFilesWholeOnce)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
