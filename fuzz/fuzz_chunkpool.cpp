// Arbitrary bytes as a pool or chunk file: loading every chunk ID, converting
// in both directions, and adding and removing chunks. Besides the sanitizers
// it checks what must hold for any input: conversion there and back gives the
// same bytes, a refused pool change leaves the file as it was, a stored chunk
// loads back as it was handed over, and a removed chunk is gone.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/memfile.h"
#include "store/chunks_local.h"
#include "store/store.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Check(bool ok)
{
    if (!ok) __builtin_trap();
}

void WriteFile(const char *name, const uint8_t *data, size_t size)
{
    std::FILE *f = std::fopen(name, "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

Bytes ReadFile(const char *name)
{
    Bytes out;
    chunkio::ReadWholeFile(name, out);
    return out;
}

// Conversion of the raw bytes as a chunk of exactly their size, both ways.
void SwapRaw(const uint8_t *data, size_t size)
{
    if (size < 12 || size > 1 << 20) return;
    for (bool toHost : {false, true}) {
        Bytes buf(data, data + size);
        ULONG id = chunkio::LoadHost32(buf.data());
        ULONG version = chunkio::LoadHost32(buf.data() + 4);
        if (toHost) {
            id = chunkio::FileToHost32(id);
            version = chunkio::FileToHost32(version);
        }
        // Bytes that are not a whole ARMY chunk in the source order are left
        // partly unconverted, and may then read as valid the other way.
        if (!chunkio::SwapPayload(buf.data(), id, version, (ULONG)size - 12, toHost)) continue;
        (void)chunkio::SwapPayload(buf.data(), id, version, (ULONG)size - 12, !toHost);
        Check(std::memcmp(buf.data(), data, size) == 0);
    }
}

}  // namespace

std::string gDir;   // a private directory in memory, removed at exit
std::string gPool;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static char dir[] = "/dev/shm/vekfuzz.XXXXXX";
    if (!mkdtemp(dir)) std::abort();
    gDir = dir;
    gPool = gDir + "/pool.vek";
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(gDir, ec);
    });
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *pool = gPool.c_str();
    SwapRaw(data, size);
    WriteFile(pool, data, size);

    for (ULONG n = 0; n < CN_MAX; ++n) {
        auto *chunk = (UBYTE *)LoadChunk2Mem(ChunkIDOf(n), pool);
        if (!chunk) continue;
        ULONG length = chunkio::LoadHost32(chunk + 8);
        Check(length <= size);
        GetChunkEntryCount(chunk);
        Bytes loaded(chunk, chunk + 12 + length);
        // A chunk whose ARMY walk stopped early holds unconverted bytes that
        // may read as valid the other way: only whole conversions must return.
        Bytes probe = loaded;
        const bool whole = chunkio::SwapPayload(probe.data(), ChunkIDOf(n), chunkio::LoadHost32(chunk + 4), length,
                                                false);
        SwapByteOrderInChunk(chunk, 1);
        SwapByteOrderInChunk(chunk, 1);
        if (whole) Check(std::memcmp(loaded.data(), chunk, loaded.size()) == 0);
        FreeVec(chunk);
    }
    IsChunkPresent(ChunkBit(CN_LAND), pool);

    // A chunk taken from the input's tail, added to the input as a pool.
    if (size < 1) return 0;
    ULONG num = data[0] % CN_MAX;
    size_t payload = size > 128 ? 64 + data[1] % 64 : size / 2;
    Bytes chunk(12 + payload, 0);
    std::memcpy(chunk.data() + 12, data + size - payload, payload);
    chunkio::StoreHost32(chunk.data(), ChunkIDOf(num));
    chunkio::StoreHost32(chunk.data() + 4, data[0] & 0x80 ? VERSION_V002 : VERSION_V001);
    chunkio::StoreHost32(chunk.data() + 8, (ULONG)payload);
    const Bytes before = ReadFile(pool);
    const Bytes handed = chunk;
    if (AddChunkPool(chunk.data(), pool)) {
        auto *back = (UBYTE *)LoadChunk2Mem(ChunkIDOf(num), pool);
        Check(back && std::memcmp(back, handed.data(), handed.size()) == 0);
        FreeVec(back);
    } else {
        Check(ReadFile(pool) == before);
    }
    Check(chunk == handed);

    ULONG rem = (data[size - 1] % (CN_MAX - 1)) + 2;  // anything but INIT and INFO
    if (rem >= CN_MAX) rem = CN_INIT;
    const Bytes beforeRem = ReadFile(pool);
    if (RemChunkPool(ChunkIDOf(rem), pool)) {
        void *gone = LoadChunk2Mem(ChunkIDOf(rem), pool);
        Check(gone == nullptr);
    } else {
        Check(ReadFile(pool) == beforeRem);
    }
    return 0;
}
