// Memory, file and time services on the system library.
#include "platform/memfile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include "platform/system.h"

std::atomic<ULONG> MemAllocatedCounter{0};
std::atomic<ULONG> MemFreedCounter{0};

APTR AllocVec(ULONG size, ULONG flags)
{
    if (size == 0) return nullptr;
    void *block = (flags & MEMF_CLEAR) ? std::calloc(1, size) : std::malloc(size);
    if (!block) Error("AllocVec: Kein Speicher mehr (%u Bytes)", size);
    MemAllocatedCounter.fetch_add(1, std::memory_order_relaxed);
    return block;
}

APTR FreeVec(APTR block)
{
    if (block) {
        std::free(block);
        MemFreedCounter.fetch_add(1, std::memory_order_relaxed);
    }
    return block;
}

void CopyMem(const void *source, void *dest, ULONG size)
{
    if (size) std::memmove(dest, source, size);
}

static ULONG SystemFreeMem()
{
    struct sysinfo info;
    if (sysinfo(&info) != 0) return 0;
    unsigned long long bytes = (unsigned long long)info.freeram * info.mem_unit;
    return bytes > 0xFFFFFFFFull ? 0xFFFFFFFFu : (ULONG)bytes;
}

ULONG (*AvailMemHook)() = SystemFreeMem;

ULONG AvailMem(ULONG)
{
    return AvailMemHook ? AvailMemHook() : SystemFreeMem();
}

BPTR Open(const char *name, LONG mode)
{
    if (!name) return nullptr;
    switch (mode) {
    case MODE_READWRITE:
    case MODE_OLDFILE:
    case MODE_OLDFILE2: {
        // A caller of these modes will write: a file it may not change
        // fails here instead of losing every change at its close.
        return std::fopen(name, "r+b");
    }
    case MODE_NEWFILE:
        return std::fopen(name, "w+b");
    default:
        std::printf("Open:Unbekanntes Flag.\n");
        return nullptr;
    }
}

BPTR OpenToRead(const char *name)
{
    return name ? std::fopen(name, "rb") : nullptr;
}

LONG Close(BPTR file)
{
    if (file) std::fclose(file);
    return 1;
}

LONG Read(BPTR file, void *buffer, LONG size)
{
    if (!file || !buffer || size <= 0) return 0;
    size_t got = std::fread(buffer, 1, (size_t)size, file);
    if (got < (size_t)size) std::printf("Read: Konnte die Anzahl der Bytes nicht einlesen...\n");
    return (LONG)got;
}

LONG Write(BPTR file, const void *buffer, LONG size)
{
    if (!buffer) {
        std::printf("Write: Fehler ! Kein Buffer... (%i,%i)\n", file ? fileno(file) : -1, size);
        return 0;
    }
    if (!file || size <= 0) return 0;
    size_t put = std::fwrite(buffer, 1, (size_t)size, file);
    if (put < (size_t)size) {
        std::printf("Write: Fehler ! Das File wurde nicht richtig abgespeichert... (%i,%p,%i)\n",
                    fileno(file), buffer, size);
    }
    return (LONG)put;
}

LONG Seek(BPTR file, LONG position, LONG mode)
{
    int whence;
    switch (mode) {
    case OFFSET_BEGINNING: whence = SEEK_SET; break;
    case OFFSET_CURRENT: whence = SEEK_CUR; break;
    case OFFSET_END: whence = SEEK_END; break;
    default:
        std::printf("Seek: Falscher Parameter.\n");
        return -1;
    }
    if (!file || std::fseek(file, position, whence) != 0) {
        std::printf("Seek: Konnte File-Pointer nicht einstellen...\n");
        return -1;
    }
    long pos = std::ftell(file);
    if (pos < 0 || pos > 0x7FFFFFFFL) {
        std::printf("Seek: Konnte File-Pointer nicht einstellen...\n");
        return -1;
    }
    return (LONG)pos;
}

LONG Lock(const char *name, LONG mode)
{
    std::printf("Lock(%s): starting\n", name ? name : "");
    if (mode != SHARED_LOCK && mode != ACCESS_READ) {
        std::printf("Lock(): unbekannter AccessMode! I fail!\n");
        return 0;
    }
    struct stat st;
    if (!name || stat(name, &st) != 0) {
        std::printf("Lock(): stat() failed for <%s>\n", name ? name : "");
        return 0;
    }
    return (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) ? 1 : 0;
}

void UnLock(LONG) {}

LONG CreateDir(const char *path)
{
    std::printf("CreateDir: %s\n", path ? path : "");
    mode_t old = umask(0);
    int rc = path ? mkdir(path, 0775) : -1;
    umask(old);
    if (rc != 0) {
        std::printf("Konnte Verzeichnis %s nicht anlegen !\n", path ? path : "");
        return 0;
    }
    return 1;
}

void Delay(ULONG ticks)
{
    usleep((useconds_t)ticks * 20000u);
}

void GetSysTime(struct timeval *tv)
{
    if (!tv) {
        std::printf("GetSysTime: Der uebergebene timeval ptr ist nicht valid!\n");
        return;
    }
    gettimeofday(tv, nullptr);
}

void AddTime(struct timeval *dest, const struct timeval *source)
{
    if (!dest || !source) {
        std::printf("AddTime: Der uebergebene timeval ptr ist nicht valid!\n");
        return;
    }
    dest->tv_sec += source->tv_sec;
    dest->tv_usec += source->tv_usec;
    if (dest->tv_usec >= 1000000) {
        dest->tv_usec -= 1000000;
        dest->tv_sec += 1;
    }
}

void SubTime(struct timeval *dest, const struct timeval *source)
{
    if (!dest || !source) {
        std::printf("SubTime: Der uebergebene timeval ptr ist nicht valid!\n");
        return;
    }
    dest->tv_sec -= source->tv_sec;
    dest->tv_usec -= source->tv_usec;
    if (dest->tv_usec < 0) {
        dest->tv_usec += 1000000;
        dest->tv_sec -= 1;
    }
}

LONG CmpTime(const struct timeval *a, const struct timeval *b)
{
    if (!a || !b) {
        std::printf("CmpTime: Der uebergebene timeval ptr ist nicht valid!\n");
        return 0;
    }
    if (a->tv_sec != b->tv_sec) return a->tv_sec > b->tv_sec ? -1 : 1;
    if (a->tv_usec != b->tv_usec) return a->tv_usec > b->tv_usec ? -1 : 1;
    return 0;
}

ULONG BitSet(ULONG value, UWORD bit) { return value | (1u << (bit % 32)); }
ULONG BitClear(ULONG value, UWORD bit) { return value & ~(1u << (bit % 32)); }
ULONG BitInvert(ULONG value, UWORD bit) { return value ^ (1u << (bit % 32)); }
ULONG BitTest(ULONG value, UWORD bit) { return (value >> (bit % 32)) & 1u; }
