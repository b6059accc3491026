// Game data store: chunks, chunk files and chunk pools. Chunks in memory are
// one block (head and payload) in host order; files hold them big-endian.
// Whoever receives a chunk from a Load.../Alloc... call frees it (FreeVec or
// FreeChunk).
#pragma once
#include "platform/types.h"
#include "store/chunks.h"

// The received pool (the server's turn) and the outgoing pool (the orders).
inline constexpr const char POOL_IN[] = "./Data/POP3In/GameChunk.vek";
inline constexpr const char POOL_OUT[] = "./Data/POP3Out/GameChunk.vek";

// ---- chunks and chunk files ----

LONG GetChunkID(const void *Chunk);        // 0..27 by the chunk's host-order ID, or -1
// The first chunk with the host-order ID ChunkName from a pool or chunk file,
// in host order, zero-filled up to its record size and with one zero byte
// after the payload (not counted in Length). Null when absent, truncated or
// unreadable. The caller frees it.
APTR LoadChunk2Mem(ULONG ChunkName, const char *PoolName);
// Writes the one chunk as a complete new file in file order (the old file
// stays until the new one is whole). The chunk is not changed. 1 or 0.
[[nodiscard]] BOOL SaveChunk2File(const char *FileName, const void *Chunk);
// 1 when every bit of ChunkFlags is set in the pool's INFO ChunkBits; 0 when
// one is missing or INFO cannot be loaded.
BOOL IsChunkPresent(ULONG ChunkFlags, const char *PoolName);
// A zero-filled SMAL (284 + NumExtBlocks bytes) or FORS (28 bytes) chunk with
// ID, "V%03d" version and Length; null for any other number.
APTR AllocChunk(ULONG ChunkNum, ULONG NumExtBlocks, ULONG VersionNum);
void FreeChunk(APTR ChunkPtr);             // null accepted

// Converts one chunk in place between file and host order. An ID that reads
// in host order converts to file order, one in file order to host order;
// Head = 1 converts the three head fields too (a head presented in file order
// then has its Length in file order as well). Counts are never trusted past
// 12 + Length.
void SwapByteOrderInChunk(APTR Chunk, int Head);
// Whole entries a host-order chunk with repeated entries holds: its count,
// cut to what Length leaves room for (PMAP: Length / 22). 0 for other chunks.
ULONG GetChunkEntryCount(const void *Chunk);

// ---- chunk pools ----

// Puts a host-order chunk into the pool, creating the pool (INFO first) when
// it is missing: appended when new, overwritten where it lies when version
// and length are the same, otherwise the pool is rebuilt with the chunk at
// the end. The whole new pool replaces the old one at once. 1 when the chunk
// is stored; 0 otherwise, with the pool as it was. The chunk is not changed.
[[nodiscard]] BOOL AddChunkPool(const void *Chunk, const char *FileName);
// Puts several host-order chunks into the pool as AddChunkPool does, one
// after the other, and writes the pool once: all stored or none. 1 or 0.
[[nodiscard]] BOOL AddChunksPool(const void *const *Chunks, ULONG Anzahl, const char *FileName);
// Removes every chunk with the host-order ID and clears its bit; INFO cannot
// be removed. 1 also when the pool holds no such chunk (file untouched).
BOOL RemChunkPool(ULONG ChunkName, const char *f);
// Sum of (signed byte - 1) over Size bytes, 32-bit wrap-around.
ULONG CalcChunkSumme(const void *FilePtr, ULONG Size);
// Sets (mode != 0) or clears (mode 0) the bit of ChunkNum in the pool's INFO
// record. 1 or 0.
BOOL UpdateInfoChunk(ULONG ChunkNum, int mode, const char *f);
// The current state of a chunk: from the outgoing pool, else from the
// received pool; null when neither holds it. The caller frees it.
APTR LoadCurrentChunk(ULONG ChunkName);
// PlayerInfo's Misc and RestRunden from the received pool's INFO chunk and
// its Quartal from the KORN chunk (left alone without KORN). 1 when INFO was
// read, 0 otherwise.
int ReadPlayerInfoFromPool();
// Source of the network hardware address for a new pool's INFO record (12
// hex digits into buffer, *length = 12; 1 or 0). Null or a failure leaves
// the address zero.
extern BOOL (*PoolMacAddressHook)(char *buffer, ULONG *length);

// ---- player names and buildings ----

// The name of a player into name (at least 40 bytes, cleared by the caller;
// at most 39 characters): a computer race, else from the player list
// "./Data/SpielerList.vek". An ID not in the list gets the "unknown" text;
// with ask it is also requested from the server through the ANFR chunk of
// the outgoing pool (once per ID). 1, or 0 when the list cannot be loaded
// (name untouched) or the request could not be stored.
BOOL GetPlayerName(ULONG id, char *name, int ask);
// The name of a player from a loaded player list (ANTW chunk) or null: 1 when
// found or a computer race, else 0 with the "unknown" text.
BOOL GetPlayerName_GetName(ULONG id, char *name, const st_ANTW *list);
// 1 when the GEBA chunk holds a building of that number in that town.
BOOL CheckOtherBuilding(const st_GEBA *geba, UWORD Gebaeude, UWORD StadtID);
