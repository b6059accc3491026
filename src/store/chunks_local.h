// Internals of the chunk and pool code, shared by the files of this folder only.
#pragma once
#include <bit>
#include <cstring>
#include <string>
#include <vector>
#include "store/chunks.h"

namespace chunkio {

constexpr bool kLittleHost = std::endian::native == std::endian::little;

inline ULONG LoadBE32(const UBYTE *p) { return (ULONG)p[0] << 24 | (ULONG)p[1] << 16 | (ULONG)p[2] << 8 | p[3]; }
inline UWORD LoadBE16(const UBYTE *p) { return (UWORD)(p[0] << 8 | p[1]); }
inline void StoreBE32(UBYTE *p, ULONG v) { p[0] = (UBYTE)(v >> 24); p[1] = (UBYTE)(v >> 16); p[2] = (UBYTE)(v >> 8); p[3] = (UBYTE)v; }
inline ULONG LoadHost32(const UBYTE *p) { ULONG v; std::memcpy(&v, p, 4); return v; }
inline UWORD LoadHost16(const UBYTE *p) { UWORD v; std::memcpy(&v, p, 2); return v; }
inline void StoreHost32(UBYTE *p, ULONG v) { std::memcpy(p, &v, 4); }
inline ULONG Swap32(ULONG v) { return __builtin_bswap32(v); }
inline UWORD Swap16(UWORD v) { return __builtin_bswap16(v); }
// The host value of a field stored in file (big-endian) order.
inline ULONG FileToHost32(ULONG v) { return kLittleHost ? Swap32(v) : v; }

// The index of a host-order chunk ID in ChunkNamen, or -1.
LONG ChunkIndex(ULONG id);
// Four printable characters of a host-order ID, for messages.
std::string IdText(ULONG id);

// Converts the payload of one chunk between file order and host order.
// id and version are host values; bytes at or beyond 12 + length are never
// touched, and length must not exceed the buffer. Counts that claim more
// entries than the payload holds convert only the entries that fit.
// false when the layout is unknown or the ARMY walk met a record that is not
// ARHD/AREN in the source order (the rest stays as it was, so converting back
// need not give the same bytes).
[[nodiscard]] bool SwapPayload(UBYTE *chunk, ULONG id, ULONG version, ULONG length, bool toHost);

// Whether a chunk of this ID and version has a known layout to convert by.
bool HasLayout(ULONG id, ULONG version);

// Converts a whole chunk of size bytes (head and payload) into file order
// in place; the head is read in host order. false when a known layout could
// not be converted to its end (an ARMY walk that stopped early): such bytes
// must not be stored.
[[nodiscard]] bool ChunkToFileOrder(UBYTE *chunk, ULONG size);

// Number of whole entries a host-order chunk holds and the offset of its
// first entry; 0 for chunks without simple repeated entries.
ULONG EntryCount(const UBYTE *chunk, ULONG size, ULONG *firstEntry, ULONG *entrySize);

// A pool read whole into memory and checked: INFO with Length 40 first,
// every chunk within the file.
struct PoolImage {
    std::vector<UBYTE> bytes;
    struct Entry {
        ULONG offset;   // of the head
        ULONG id;       // host value
        ULONG version;  // host value
        ULONG length;
    };
    std::vector<Entry> chunks;  // in file order, INFO first
};

enum class PoolRead { Ok, Missing, Unreadable, Corrupt };
// Reads and checks a pool; on Corrupt *why says what was wrong.
PoolRead ReadPool(const char *name, PoolImage &pool, std::string *why);
// Checks pool.bytes and fills pool.chunks from them, as ReadPool does.
PoolRead ParseImage(PoolImage &pool, std::string *why);
// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const char *name, std::vector<UBYTE> &out);
// Replaces a file by a complete new one (temp file, flush, rename).
bool ReplaceFile(const char *name, const UBYTE *data, size_t size);

constexpr ULONG INFO_CHUNKBITS = offsetof(st_INFO, ChunkBits);
constexpr ULONG INFO_CHECKSUM = offsetof(st_INFO, Checksumme);

}  // namespace chunkio
