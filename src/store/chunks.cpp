// Chunks and chunk files: the ID table, reading one chunk out of a file,
// writing one chunk as a file, and the chunks the client builds from scratch.
#include <cstdio>
#include <sys/stat.h>

#include "platform/memfile.h"
#include "platform/files.h"
#include "store/chunks_local.h"
#include "store/store.h"

namespace chunkio {

LONG ChunkIndex(ULONG id)
{
    for (ULONG n = 0; n < CN_MAX; ++n)
        if (ChunkIDOf(n) == id) return (LONG)n;
    return -1;
}

std::string IdText(ULONG id)
{
    std::string t(4, '?');
    for (int i = 0; i < 4; ++i) {
        UBYTE c = (UBYTE)(id >> (24 - 8 * i));
        if (c >= 0x20 && c < 0x7F) t[i] = (char)c;
    }
    return t;
}

}  // namespace chunkio

using namespace chunkio;

namespace {

// Buffer size of a loaded chunk at the least, head included: the record
// sizes, so that a shorter record of an older server reads with its missing
// fields as 0 and every count field lies inside the buffer.
ULONG MinimumSize(ULONG id)
{
    switch (ChunkIndex(id)) {
    case CN_EROR: return 12;
    case CN_FORS: return sizeof(st_FORS);
    case CN_IMAP: return sizeof(st_IMAP);
    case CN_MREF: return sizeof(st_MREF);
    case CN_INFO: return sizeof(st_INFO);
    case CN_INIT: return sizeof(st_INIT);
    case CN_KORN: return sizeof(st_KORN);
    case CN_LAND: return sizeof(st_LAND);
    case CN_PPRF: return 36;
    case CN_PREF: return 14;
    case CN_TAXE: return sizeof(st_TAXE);
    case CN_SMAL: return sizeof(st_SMAL);
    case CN_MOVE: return sizeof(st_MOVE);
    case CN_BMAP: return sizeof(st_BMAP);
    case CN_MAIL: return sizeof(st_MAIL);
    case CN_WARE: return sizeof(st_WARE);
    case CN_BAUE: return sizeof(st_BAUE);
    case CN_GEBA: return sizeof(st_GEBA);
    case CN_TOWN: return sizeof(st_TOWN);
    case CN_ARMY: return sizeof(st_ARMY);
    case CN_ANFR: return sizeof(st_ANFR);
    case CN_ANTW: return sizeof(st_ANTW);
    case CN_KRIG: case CN_VERT: case CN_SHIP: case CN_SPEZ: case CN_HERB: return 16;
    default: return 12;
    }
}

APTR LoadFrom(BPTR file, ULONG wanted)
{
    struct stat st;
    if (fstat(fileno(file), &st) != 0) return nullptr;
    const unsigned long long fileSize = (unsigned long long)st.st_size;
    unsigned long long pos = 0;
    for (;;) {
        UBYTE raw[12];
        if (fileSize - pos < sizeof raw) {
            if (fileSize != pos)
                std::printf("LoadChunk2Mem: %llu Bytes am Dateiende sind kein vollstaendiger Chunkkopf!\n",
                            fileSize - pos);
            return nullptr;
        }
        if (std::fread(raw, 1, sizeof raw, file) != sizeof raw) return nullptr;
        pos += sizeof raw;
        ULONG id = LoadBE32(raw), version = LoadBE32(raw + 4), length = LoadBE32(raw + 8);
        if (length > fileSize - pos) {
            std::printf("LoadChunk2Mem: Chunk %s bei Position %llu ist laenger als der Rest der Datei (%u > %llu)!\n",
                        IdText(id).c_str(), pos - sizeof raw, length, fileSize - pos);
            return nullptr;
        }
        if (id != wanted) {
            if (fseeko(file, (off_t)length, SEEK_CUR) != 0) {
                std::printf("LoadChunk2Mem: Konnte den File Pointer nicht richtg einstellen CHUNKID:%s Groesse:%d\n",
                            IdText(id).c_str(), (int)length);
                return nullptr;
            }
            pos += length;
            continue;
        }
        if (ChunkIndex(id) < 0)
            std::printf("LoadChunk2Mem: Konnte fuer die ChunkID %s keinen Case Zweig finden habe die Groesse "
                        "genommen die im Kopf des Chunk'S war!\n", IdText(id).c_str());
        if (id == ID_MOVE) std::printf("Size: %u\n", length);
        unsigned long long size = (unsigned long long)length + sizeof raw;
        if (size < MinimumSize(id)) size = MinimumSize(id);
        if (size + 1 > 0xFFFFFFF0ull) return nullptr;
        // One zero byte after the payload, so that a text payload always ends.
        UBYTE *chunk = (UBYTE *)AllocVec((ULONG)size + 1, MEMF_PUBLIC | MEMF_CLEAR);
        if (!chunk) {
            std::printf("LoadChunk2Mem: Konnte keinen Speicher fuer den Chunk Bekommen!\n");
            return nullptr;
        }
        StoreHost32(chunk, id);
        StoreHost32(chunk + 4, version);
        StoreHost32(chunk + 8, length);
        if (length && std::fread(chunk + sizeof raw, 1, length, file) != length) {
            std::printf("LoadChunk2Mem: Konnte nicht aus dem File angegeben Laenge lesen!\n");
            FreeVec(chunk);
            return nullptr;
        }
        // A chunk of known layout that converts only in part is no chunk.
        if (id != ID_PMAP && !SwapPayload(chunk, id, version, length, true) && HasLayout(id, version)) {
            std::printf("LoadChunk2Mem: Der Chunk %s liess sich nicht vollstaendig konvertieren!\n",
                        IdText(id).c_str());
            FreeVec(chunk);
            return nullptr;
        }
        return chunk;
    }
}

}  // namespace

LONG GetChunkID(const void *Chunk)
{
    if (!Chunk) return -1;
    return ChunkIndex(LoadHost32((const UBYTE *)Chunk));
}

APTR LoadChunk2Mem(ULONG ChunkName, const char *PoolName)
{
    std::printf("LoadChunk2Mem: Versuche den Chunk %s zu laden\n", IdText(ChunkName).c_str());
    BPTR file = OpenToRead(PoolName);
    if (!file) {
        std::printf("LoadChunk2Mem: Konnte File nicht oeffnen : %s\n", PoolName ? PoolName : "(null)");
        std::printf("Routine: LoadChunk2Mem finished\n");
        return nullptr;
    }
    APTR chunk = LoadFrom(file, ChunkName);
    Close(file);
    std::printf("Routine: LoadChunk2Mem finished\n");
    return chunk;
}

BOOL SaveChunk2File(const char *FileName, const void *Chunk)
{
    if (!Chunk) {
        std::printf("SaveChunk2File:Der Uebergebene Chunk war NULL!\n");
        return 0;
    }
    const UBYTE *src = (const UBYTE *)Chunk;
    ULONG id = LoadHost32(src), version = LoadHost32(src + 4), length = LoadHost32(src + 8);
    if (!id || !version || !length || length > 0x7FFFFFFFu - 12 || !FileName) {
        std::printf("SaveChunk2File:Der uebergebene Chunk war nicht VALID!\n");
        return 0;
    }
    // Converted in a copy: the caller's chunk is never touched.
    std::vector<UBYTE> out(src, src + 12 + (size_t)length);
    if (!ChunkToFileOrder(out.data(), (ULONG)out.size())) {
        std::printf("SaveChunk2File:Der Chunk liess sich nicht vollstaendig konvertieren!\n");
        return 0;
    }
    int written = WriteFileAtomic(FileName, out.data(), (ULONG)out.size(), -1);
    if (written < 0) {
        std::printf("SaveChunk2File:Konnte das File nicht erstellen : %s\n", FileName);
        return 0;
    }
    if ((size_t)written != out.size()) {
        std::printf("SaveChunk2File:Sorry Konnte den Chunk nicht in das File schreiben!\n");
        return 0;
    }
    return 1;
}

BOOL IsChunkPresent(ULONG ChunkFlags, const char *PoolName)
{
    st_INFO *info = (st_INFO *)LoadChunk2Mem(ID_INFO, PoolName);
    if (!info) return 0;
    BOOL present = (info->ChunkBits & ChunkFlags) == ChunkFlags;
    FreeVec(info);
    return present;
}

APTR AllocChunk(ULONG ChunkNum, ULONG NumExtBlocks, ULONG VersionNum)
{
    ULONG size;
    if (ChunkNum == CN_SMAL) {
        if (NumExtBlocks > 0x7FFFFFFFu - sizeof(st_SMAL)) return nullptr;
        size = (ULONG)sizeof(st_SMAL) + NumExtBlocks;
    } else if (ChunkNum == CN_FORS) {
        size = sizeof(st_FORS);
    } else {
        return nullptr;
    }
    char version[16];
    std::snprintf(version, sizeof version, "V%03u", VersionNum);
    UBYTE *chunk = (UBYTE *)AllocVec(size + 1, MEMF_PUBLIC | MEMF_CLEAR);
    if (!chunk) return nullptr;
    StoreHost32(chunk, ChunkIDOf(ChunkNum));
    StoreHost32(chunk + 4, LoadBE32((const UBYTE *)version));
    StoreHost32(chunk + 8, size - 12);
    return chunk;
}

void FreeChunk(APTR ChunkPtr)
{
    FreeVec(ChunkPtr);
}
