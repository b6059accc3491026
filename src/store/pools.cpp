// Chunk pools: adding and removing chunks, the INFO record's chunk bits and
// the checksum. Every change builds the complete new pool in memory and puts
// it in place with one rename, so an interrupted change leaves the old pool
// or the new one, never a mix, and needs no backup to put back.
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

#include "platform/memfile.h"
#include "platform/files.h"
#include "platform/system.h"
#include "store/chunks_local.h"
#include "store/store.h"

BOOL (*PoolMacAddressHook)(char *buffer, ULONG *length) = nullptr;

namespace chunkio {

bool ReadWholeFile(const char *name, std::vector<UBYTE> &out)
{
    std::FILE *f = std::fopen(name, "rb");
    if (!f) return false;
    out.clear();
    UBYTE buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool ReplaceFile(const char *name, const UBYTE *data, size_t size)
{
    if (size > 0xFFFFFFF0u) return false;
    return WriteFileAtomic(name, data, (ULONG)size, -1) == (int)size;
}

PoolRead ParseImage(PoolImage &pool, std::string *why)
{
    pool.chunks.clear();
    const std::vector<UBYTE> &b = pool.bytes;
    char text[160];
    size_t pos = 0;
    while (pos < b.size()) {
        if (b.size() - pos < sizeof(st_ChunkHead)) {
            std::snprintf(text, sizeof text, "unvollstaendiger Chunkkopf bei %zu", pos);
            if (why) *why = text;
            return PoolRead::Corrupt;
        }
        PoolImage::Entry e{(ULONG)pos, LoadBE32(&b[pos]), LoadBE32(&b[pos + 4]), LoadBE32(&b[pos + 8])};
        if (e.length > b.size() - pos - sizeof(st_ChunkHead)) {
            std::snprintf(text, sizeof text, "Chunk %s bei %zu reicht ueber das Dateiende", IdText(e.id).c_str(), pos);
            if (why) *why = text;
            return PoolRead::Corrupt;
        }
        pool.chunks.push_back(e);
        pos += sizeof(st_ChunkHead) + e.length;
    }
    if (pool.chunks.empty() || pool.chunks[0].id != ID_INFO ||
        pool.chunks[0].length != sizeof(st_INFO) - sizeof(st_ChunkHead)) {
        if (why) *why = "der erste Chunk ist kein INFO-Chunk der Laenge 40";
        return PoolRead::Corrupt;
    }
    return PoolRead::Ok;
}

PoolRead ReadPool(const char *name, PoolImage &pool, std::string *why)
{
    pool.bytes.clear();
    pool.chunks.clear();
    struct stat st;
    if (stat(name, &st) != 0) return errno == ENOENT ? PoolRead::Missing : PoolRead::Unreadable;
    if (!ReadWholeFile(name, pool.bytes)) return PoolRead::Unreadable;
    return ParseImage(pool, why);
}

}  // namespace chunkio

using namespace chunkio;

namespace {

// A new pool's INFO record in file order.
std::vector<UBYTE> NewInfoRecord()
{
    std::vector<UBYTE> info(sizeof(st_INFO), 0);
    StoreBE32(&info[0], ID_INFO);
    StoreBE32(&info[4], VERSION_V001);
    StoreBE32(&info[8], sizeof(st_INFO) - sizeof(st_ChunkHead));
    StoreBE32(&info[offsetof(st_INFO, SpielerID)], PlayerInfo.SpielerID);
    StoreBE32(&info[INFO_CHUNKBITS], ChunkBit(CN_INFO));
    UWORD system = 2;  // host order, as the server expects it
    std::memcpy(&info[offsetof(st_INFO, VekSystem)], &system, 2);
    char mac[16] = {};
    ULONG macLength = 0;
    if (PoolMacAddressHook && PoolMacAddressHook(mac, &macLength) && macLength >= 6)
        std::memcpy(&info[offsetof(st_INFO, MacAdresse)], mac, 6);
    return info;
}

void OrBits(std::vector<UBYTE> &pool, ULONG bits)
{
    StoreBE32(&pool[INFO_CHUNKBITS], LoadBE32(&pool[INFO_CHUNKBITS]) | bits);
}

// The checksum over the whole pool, its own previous value included, stored
// in host order.
void StampChecksum(std::vector<UBYTE> &pool)
{
    StoreHost32(&pool[INFO_CHECKSUM], CalcChunkSumme(pool.data(), (ULONG)pool.size()));
}

}  // namespace

ULONG CalcChunkSumme(const void *FilePtr, ULONG Size)
{
    ULONG sum = 0;
    const BYTE *p = (const BYTE *)FilePtr;
    if (p) {
        for (ULONG i = 0; i < Size; ++i) sum += (ULONG)(LONG)p[i];
        sum -= Size;
    }
    std::printf("CalcChunkSumme: %u\n", sum);
    return sum;
}

namespace {

// The pool a change starts from: read and checked, or a new one holding INFO
// alone when it is missing or empty. 0 when it cannot be read or is damaged.
BOOL OpenPoolImage(const char *FileName, PoolImage &pool, bool &created)
{
    std::string why;
    PoolRead state = ReadPool(FileName, pool, &why);
    if (state == PoolRead::Ok && pool.bytes.empty()) state = PoolRead::Missing;
    if (state == PoolRead::Corrupt && pool.bytes.empty()) state = PoolRead::Missing;  // an empty file holds nothing
    if (state == PoolRead::Unreadable) {
        std::printf("AddChunkPool: Konnte den Pool %s nicht lesen!\n", FileName);
        return 0;
    }
    if (state == PoolRead::Corrupt) {
        std::printf("AddChunkPool: Der Pool %s ist beschaedigt (%s), der Chunk wurde nicht gespeichert!\n", FileName,
                    why.c_str());
        return 0;
    }
    created = state == PoolRead::Missing;
    if (created) {
        pool.bytes = NewInfoRecord();
        pool.chunks.assign(1, PoolImage::Entry{0, ID_INFO, VERSION_V001, 40});
    }
    return 1;
}

// Puts one host-order chunk into the pool image in memory: appended when
// new, overwritten where it lies when version and length match, else the
// image is rebuilt with it at the end. 0 with the image as it was.
BOOL MergeChunk(PoolImage &pool, const void *Chunk)
{
    const UBYTE *src = (const UBYTE *)Chunk;
    ULONG id = LoadHost32(src), version = LoadHost32(src + 4), length = LoadHost32(src + 8);
    LONG num = ChunkIndex(id);
    if (num < 0) {
        std::printf("AddChunkPool :Die uebergebene ChunkID %s ist nicht gueltig. Keine Definition fuer sie "
                    "gefunden!\n", IdText(id).c_str());
        return 0;
    }
    if (num == CN_INFO || length > 0x7FFFFFFFu - 12) {
        std::printf("AddChunkPool: Ein %s-Chunk der Laenge %u kann nicht in den Pool gelegt werden!\n",
                    IdText(id).c_str(), length);
        return 0;
    }
    std::vector<UBYTE> filed(src, src + 12 + (size_t)length);
    if (!ChunkToFileOrder(filed.data(), (ULONG)filed.size())) {
        std::printf("AddChunkPool: Der %s-Chunk liess sich nicht vollstaendig konvertieren!\n", IdText(id).c_str());
        return 0;
    }

    const ULONG bit = ChunkBit((ULONG)num);
    const bool bitSet = (LoadBE32(&pool.bytes[INFO_CHUNKBITS]) & bit) != 0;
    const PoolImage::Entry *old = nullptr;
    for (size_t i = 1; i < pool.chunks.size() && !old; ++i)
        if (pool.chunks[i].id == id) old = &pool.chunks[i];
    if (!old && bitSet)
        std::printf("AddChunkPool:Konnte den Chunk im File nicht finden obwohl das Bit im INFO Chunk gesetzt war !\n");

    std::vector<UBYTE> image;
    if (!old) {
        // Append.
        image = pool.bytes;
        image.insert(image.end(), filed.begin(), filed.end());
        OrBits(image, bit);
        StampChecksum(image);
    } else if (old->version == version && old->length == length) {
        // Same version and length: the payload is overwritten where it lies.
        image = pool.bytes;
        std::memcpy(&image[old->offset + 12], filed.data() + 12, length);
        OrBits(image, bit);
        StampChecksum(image);
    } else {
        // Rebuild: every other chunk in its order, then the new one at the end.
        // The checksum keeps its value here, as the server has always got it.
        image.reserve(pool.bytes.size() + filed.size());
        for (const PoolImage::Entry &e : pool.chunks) {
            if (e.id == id && e.offset != 0) continue;
            if (ChunkIndex(e.id) < 0) std::printf("AddChunkPool: Die uebergebene ChunkID gibt es nicht !!! %x\n", e.id);
            auto from = pool.bytes.begin() + e.offset;
            image.insert(image.end(), from, from + 12 + e.length);
        }
        image.insert(image.end(), filed.begin(), filed.end());
        OrBits(image, bit);
    }
    PoolImage next;
    next.bytes = std::move(image);
    if (ParseImage(next, nullptr) != PoolRead::Ok) return 0;
    pool = std::move(next);
    return 1;
}

}  // namespace

BOOL AddChunkPool(const void *Chunk, const char *FileName)
{
    if (!FileName) {
        std::printf("AddChunkPool: Kein Poolname angegeben!(Abbruch)\n");
        return 0;
    }
    PoolImage pool;
    bool created = false;
    if (!OpenPoolImage(FileName, pool, created)) return 0;
    if (created && !Chunk) {
        // Without a chunk the new pool holds INFO alone.
        if (!ReplaceFile(FileName, pool.bytes.data(), pool.bytes.size()))
            std::printf("AddChunkPool: Konnte den InfoChunk nicht abspeichern!\n");
    }
    if (!Chunk) {
        std::printf("AddChunkPool: Der uebergebenden Chunk Zeigt auf die Adresse NULL!(Abbruch)\n");
        return 0;
    }
    if (!MergeChunk(pool, Chunk)) return 0;
    if (!ReplaceFile(FileName, pool.bytes.data(), pool.bytes.size())) {
        std::printf("AddChunkPool: Konnte den Pool %s nicht schreiben, der Chunk %s wurde nicht gespeichert!\n",
                    FileName, IdText(LoadHost32((const UBYTE *)Chunk)).c_str());
        return 0;
    }
    return 1;
}

BOOL AddChunksPool(const void *const *Chunks, ULONG Anzahl, const char *FileName)
{
    if (!FileName || !Chunks || !Anzahl) {
        std::printf("AddChunksPool: Kein Pool oder keine Chunks angegeben!(Abbruch)\n");
        return 0;
    }
    for (ULONG i = 0; i < Anzahl; ++i)
        if (!Chunks[i]) {
            std::printf("AddChunksPool: Chunk %u zeigt auf die Adresse NULL!(Abbruch)\n", i);
            return 0;
        }
    PoolImage pool;
    bool created = false;
    if (!OpenPoolImage(FileName, pool, created)) return 0;
    for (ULONG i = 0; i < Anzahl; ++i)
        if (!MergeChunk(pool, Chunks[i])) return 0;
    if (!ReplaceFile(FileName, pool.bytes.data(), pool.bytes.size())) {
        std::printf("AddChunksPool: Konnte den Pool %s nicht schreiben, die Chunks wurden nicht gespeichert!\n",
                    FileName);
        return 0;
    }
    return 1;
}

BOOL RemChunkPool(ULONG ChunkName, const char *f)
{
    if (!f) {
        std::printf("RemChunkPool:001\n");
        return 0;
    }
    if (ChunkName == ID_INFO) {
        std::printf("RemChunkPool:002\n");
        return 0;
    }
    LONG num = ChunkIndex(ChunkName);
    if (num < 0) {
        std::printf("RemChunkPool:003\n");
        return 0;
    }
    PoolImage pool;
    std::string why;
    PoolRead state = ReadPool(f, pool, &why);
    if (state == PoolRead::Missing || state == PoolRead::Unreadable) {
        std::printf("RemChunkPool:004\n");
        return 0;
    }
    if (state == PoolRead::Corrupt) {
        std::printf("RemChunkPool: Der Pool %s ist beschaedigt (%s), nichts wurde entfernt!\n", f, why.c_str());
        return 0;
    }
    std::vector<UBYTE> image;
    image.reserve(pool.bytes.size());
    bool removed = false;
    for (const PoolImage::Entry &e : pool.chunks) {
        if (e.id == ChunkName) {
            removed = true;
            continue;
        }
        auto from = pool.bytes.begin() + e.offset;
        image.insert(image.end(), from, from + 12 + e.length);
    }
    if (!removed) return 1;
    StoreBE32(&image[INFO_CHUNKBITS], LoadBE32(&image[INFO_CHUNKBITS]) & ~ChunkBit((ULONG)num));
    if (!ReplaceFile(f, image.data(), image.size())) {
        std::printf("RemChunkPool:005\n");
        return 0;
    }
    return 1;
}

BOOL UpdateInfoChunk(ULONG ChunkNum, int mode, const char *f)
{
    if (!f) {
        std::printf("UpdateInfoChunk:001\n");
        return 0;
    }
    if (ChunkNum >= CN_MAX) {
        std::printf("UpdateInfoChunk: Chunknummer %u gibt es nicht!\n", ChunkNum);
        return 0;
    }
    std::vector<UBYTE> pool;
    if (!ReadWholeFile(f, pool)) {
        std::printf("UpdateInfoChunk:002\n");
        return 0;
    }
    if (pool.size() < sizeof(st_INFO)) {
        std::printf("UpdateInfoChunk:003\n");
        return 0;
    }
    if (LoadBE32(&pool[0]) != ID_INFO || LoadBE32(&pool[8]) != sizeof(st_INFO) - sizeof(st_ChunkHead)) {
        std::printf("UpdateInfoChunk:003 (kein INFO-Chunk am Anfang von %s)\n", f);
        return 0;
    }
    ULONG bits = LoadBE32(&pool[INFO_CHUNKBITS]);
    bits = mode ? bits | ChunkBit(ChunkNum) : bits & ~ChunkBit(ChunkNum);
    StoreBE32(&pool[INFO_CHUNKBITS], bits);
    if (!ReplaceFile(f, pool.data(), pool.size())) {
        std::printf("UpdateInfoChunk:004\n");
        return 0;
    }
    return 1;
}

APTR LoadCurrentChunk(ULONG ChunkName)
{
    APTR chunk = LoadChunk2Mem(ChunkName, POOL_OUT);
    return chunk ? chunk : LoadChunk2Mem(ChunkName, POOL_IN);
}

int ReadPlayerInfoFromPool()
{
    if (!Lock(POOL_IN, ACCESS_READ)) return 0;
    st_INFO *info = (st_INFO *)LoadChunk2Mem(ID_INFO, POOL_IN);
    if (!info) return 0;
    PlayerInfo.Misc = info->Misc;
    PlayerInfo.RestRunden = info->RestRunden;
    FreeVec(info);
    st_KORN *korn = (st_KORN *)LoadChunk2Mem(ID_KORN, POOL_IN);
    if (korn) {
        PlayerInfo.Quartal = korn->Quartal;
        FreeVec(korn);
    }
    return 1;
}
