// Memory, file and time services in the shape the game code is written
// against: allocation with counters and a fatal end on exhaustion, DOS-style
// files with numeric modes, time values and bit helpers.
#pragma once
#include <atomic>
#include <sys/time.h>
#include "platform/types.h"

constexpr ULONG MEMF_PUBLIC = 0x1;
constexpr ULONG MEMF_FAST = 0x4;
constexpr ULONG MEMF_CLEAR = 0x10000;

constexpr LONG MODE_READWRITE = 1004;  // existing file, read and write
constexpr LONG MODE_OLDFILE = 1005;    // existing file, read and write
constexpr LONG MODE_NEWFILE = 1006;    // create or truncate
constexpr LONG MODE_OLDFILE2 = 1007;   // existing file, read and write

constexpr LONG OFFSET_BEGINNING = -1;
constexpr LONG OFFSET_CURRENT = 0;
constexpr LONG OFFSET_END = 1;

constexpr LONG SHARED_LOCK = 1;
constexpr LONG ACCESS_READ = 2;

extern std::atomic<ULONG> MemAllocatedCounter;
extern std::atomic<ULONG> MemFreedCounter;

APTR AllocVec(ULONG size, ULONG flags);            // null only for size 0; exhaustion is fatal
APTR FreeVec(APTR block);                          // null accepted
void CopyMem(const void *source, void *dest, ULONG size);
ULONG AvailMem(ULONG flags);                       // free RAM, saturated at 0xFFFFFFFF
extern ULONG (*AvailMemHook)();                    // tests replace the reading of free RAM

BPTR Open(const char *name, LONG mode);            // null on failure, also for a file that may not be written
BPTR OpenToRead(const char *name);                 // an existing file for reading only, or null
LONG Close(BPTR file);                             // 1
LONG Read(BPTR file, void *buffer, LONG size);     // bytes read
LONG Write(BPTR file, const void *buffer, LONG size);  // bytes written
LONG Seek(BPTR file, LONG position, LONG mode);    // new position, or -1
LONG Lock(const char *name, LONG mode);            // nonzero when a file or directory of that name exists
void UnLock(LONG lock);
LONG CreateDir(const char *path);                  // nonzero on success; mode 0775
void Delay(ULONG ticks);                           // ticks of 20 ms

void GetSysTime(struct timeval *tv);
void AddTime(struct timeval *dest, const struct timeval *source);
void SubTime(struct timeval *dest, const struct timeval *source);
LONG CmpTime(const struct timeval *a, const struct timeval *b);  // -1 a later, 1 a earlier, 0 equal

ULONG BitSet(ULONG value, UWORD bit);
ULONG BitClear(ULONG value, UWORD bit);
ULONG BitInvert(ULONG value, UWORD bit);
ULONG BitTest(ULONG value, UWORD bit);
