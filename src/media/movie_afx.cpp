// The movie file layer: a file below 1 MiB is held whole in memory, a larger
// one is read directly, or, when the base runs a cache thread, through a ring
// of buffers that the cache thread keeps filled around the reader.
#include <cstring>
#include <sys/stat.h>

#include "media/movie_local.h"
#include "platform/datakit.h"
#include "platform/memfile.h"

namespace {

void Take(SDL_sem *s)
{
    if (s) SDL_SemWait(s);
}
void Give(SDL_sem *s)
{
    if (s) SDL_SemPost(s);
}

void FreeFrames(CacheHandle *h)
{
    for (st_CacheFrame *f = h->FirstFrame, *next; f; f = next) {
        next = f->NextFrame;
        FreeVec(f->Data);
        if (f->lock) SDL_DestroySemaphore(f->lock);
        FreeVec(f);
    }
    h->FirstFrame = nullptr;
}

void Release(CacheHandle *h)
{
    FreeFrames(h);
    if (h->FHandle) std::fclose(h->FHandle);
    if (h->lock) SDL_DestroySemaphore(h->lock);
    if (h->Filled) SDL_DestroySemaphore(h->Filled);
    h->~CacheHandle();
    FreeVec(h);
}

// Fills one ring buffer from the file at pos.
void Fill(CacheHandle *h, st_CacheFrame *f, LONG pos)
{
    Take(f->lock);
    h->CacheSize -= f->FrameLength;
    f->FramePos = pos;
    f->FrameLength = 0;
    if (pos < h->FileSize && std::fseek(h->FHandle, pos, SEEK_SET) == 0)
        f->FrameLength = (LONG)std::fread(f->Data, 1, (size_t)h->FrameSize, h->FHandle);
    h->CacheSize += f->FrameLength;
    Give(f->lock);
}

// One pass of the cache thread over a ring handle, under its lock: a reader
// outside the ring gets the ring refilled from its position; inside it,
// buffers wholly behind the reader move to the end and take the next bytes.
void RefillRing(CacheHandle *h)
{
    st_CacheFrame *first = h->FirstFrame;
    if (!first) return;
    const LONG pos = h->Position;
    const bool inside = h->Ready && pos >= first->FramePos && pos < first->FramePos + h->CacheSize;
    if (!inside) {
        h->DOSPos = pos;
        for (st_CacheFrame *f = first; f; f = f->NextFrame) {
            Fill(h, f, h->DOSPos);
            h->DOSPos += h->FrameSize;
        }
        h->Ready = 1;
        return;
    }
    while (h->FirstFrame && h->FirstFrame->NextFrame && pos - h->FirstFrame->FramePos >= h->FirstFrame->FrameLength &&
           h->DOSPos < h->FileSize) {
        st_CacheFrame *f = h->FirstFrame, *last = f;
        while (last->NextFrame) last = last->NextFrame;
        h->FirstFrame = f->NextFrame;
        f->NextFrame = nullptr;
        last->NextFrame = f;
        Fill(h, f, h->DOSPos);
        h->DOSPos += h->FrameSize;
    }
}

// Copies what the ring holds from the reader's position on; the bytes copied.
LONG CopyFromRing(CacheHandle *h, UBYTE *dest, LONG size)
{
    LONG done = 0;
    Take(h->lock);
    for (st_CacheFrame *f = h->FirstFrame; f && done < size; f = f->NextFrame) {
        Take(f->lock);
        const LONG pos = h->Position;
        if (pos >= f->FramePos && pos < f->FramePos + f->FrameLength) {
            LONG n = f->FramePos + f->FrameLength - pos;
            if (n > size - done) n = size - done;
            std::memcpy(dest + done, f->Data + (pos - f->FramePos), (size_t)n);
            done += n;
            h->Position = pos + n;
        }
        Give(f->lock);
    }
    Give(h->lock);
    return done;
}

}  // namespace

void AFX_CopyMem(const void *source, void *dest, ULONG size) { std::memmove(dest, source, size); }

CacheHandle *AFX_Open(const char *path, long, st_MovieBase *mb)
{
    std::printf("AFX_Open(): %s\n", path ? path : "(null)");
    if (!path || std::strlen(path) <= 1) return nullptr;
    auto *h = new (AllocVec(sizeof(CacheHandle), MEMF_CLEAR)) CacheHandle{};
    h->MB = mb;
    h->lock = SDL_CreateSemaphore(1);
    if (!h->lock) {
        std::printf("AFX_Open: Konnte Speicher f\374r CacheFrame nicht allokieren...\n");
        Release(h);
        return nullptr;
    }
    // Only a regular file is a movie; a directory opens for reading on Linux.
    struct stat st {};
    h->FHandle = stat(path, &st) == 0 && S_ISREG(st.st_mode) ? std::fopen(path, "rb") : nullptr;
    if (!h->FHandle) {
        std::printf("AFX_Open: Konnte File nicht \366ffnen...%s\n", path);
        Release(h);
        return nullptr;
    }
    if (st.st_size <= 0 || st.st_size > 0x7FFFFFFF) {
        Release(h);
        return nullptr;
    }
    h->FileSize = (LONG)st.st_size;
    std::printf("AFX_Open: Filesize of File %s is %i\n", path, (int)h->FileSize);
    h->Type = (ULONG)h->FileSize < AFX_WHOLE_FILE_LIMIT ? CACHE_SINGLE
              : (mb && mb->MB_CacheProcess)         ? CACHE_RING
                                                    : CACHE_NONE;
    if (h->Type == CACHE_SINGLE) {
        auto *f = (st_CacheFrame *)AllocVec(sizeof(st_CacheFrame), MEMF_CLEAR);
        h->FirstFrame = f;
        f->lock = SDL_CreateSemaphore(1);
        if (!f->lock) {
            std::printf("AFX_Open: Konnte Speicher f\374r FrameSemaphore nicht allokieren...\n");
            Release(h);
            return nullptr;
        }
        f->Data = (UBYTE *)AllocVec((ULONG)h->FileSize, 0);
        if (std::fread(f->Data, 1, (size_t)h->FileSize, h->FHandle) != (size_t)h->FileSize) {
            std::printf("AFX_Open: Konnte File nicht komplett einlesen...\n");
            Release(h);
            return nullptr;
        }
        f->FrameLength = h->FileSize;
        h->FrameSize = h->CacheSize = h->FileSize;
        h->FrameNumber = 1;
        h->Ready = 1;
        std::printf("AFX_Open: Single Cache Buffer created for File %s\n", path);
    } else if (h->Type == CACHE_RING) {
        h->FrameSize = (LONG)AFX_RING_BUFFER_SIZE;
        h->Filled = SDL_CreateSemaphore(0);
        st_CacheFrame **tail = &h->FirstFrame;
        for (ULONG i = 0; i < AFX_RING_BUFFERS; ++i) {
            auto *f = (st_CacheFrame *)AllocVec(sizeof(st_CacheFrame), MEMF_CLEAR);
            f->lock = SDL_CreateSemaphore(1);
            f->Data = (UBYTE *)AllocVec(AFX_RING_BUFFER_SIZE, 0);
            *tail = f;
            tail = &f->NextFrame;
            if (!f->lock) break;
            h->FrameNumber++;
        }
        if (!h->Filled || h->FrameNumber != (LONG)AFX_RING_BUFFERS) {
            std::printf("AFX_Open: No Memory for first Frame (%i Bytes)\n", (int)AFX_RING_BUFFER_SIZE);
            Release(h);
            return nullptr;
        }
        std::printf("AFX_Open: %i CacheFrames with size %i created for File %s.\n", (int)h->FrameNumber,
                    (int)h->FrameSize, path);
        // The cache thread publishes its record once its wake semaphore exists.
        CacheInfo *ci = mb->CInfo.load();
        if (!ci) {
            std::printf("AFX_Open: Cache for File %s set to CACHE_NONE\n", path);
            FreeFrames(h);
            h->Type = CACHE_NONE;
        } else {
            Take(ci->lock);
            ci->FirstHandle = h;
            Give(ci->lock);
            Give(mb->MB_CacheCheckMask);
        }
    } else {
        std::printf("AFX_Open: Cache for File %s set to CACHE_NONE\n", path);
    }
    return h;
}

LONG AFX_Read(CacheHandle *h, void *dest, LONG size)
{
    if (!h || !dest || size <= 0) return 0;
    UBYTE *out = (UBYTE *)dest;
    const LONG pos = h->Position;
    if (h->Type == CACHE_NONE) {
        if (std::fseek(h->FHandle, pos, SEEK_SET) != 0) return 0;
        const LONG n = (LONG)std::fread(out, 1, (size_t)size, h->FHandle);
        h->Position = pos + n;
        return n;
    }
    if (h->Type == CACHE_SINGLE) {
        LONG n = h->FileSize - pos;
        if (n > size) n = size;
        if (n <= 0) return 0;
        std::memcpy(out, h->FirstFrame->Data + pos, (size_t)n);
        h->Position = pos + n;
        return n;
    }
    // The ring: what it holds now, then wake the cache thread for the rest and
    // wait for its pass; a pass that brings nothing new ends the read.
    LONG done = 0;
    for (int misses = 0; done < size && h->Position < h->FileSize && misses < 3;) {
        if (!h->Ready) {
            Give(h->MB->MB_CacheCheckMask);
            if (SDL_SemWaitTimeout(h->Filled, 1000) != 0) ++misses;
            continue;
        }
        const LONG n = CopyFromRing(h, out + done, size - done);
        done += n;
        if (done == size || h->Position >= h->FileSize) break;
        Give(h->MB->MB_CacheCheckMask);
        if (SDL_SemWaitTimeout(h->Filled, 1000) != 0 && n == 0) ++misses;
    }
    return done;
}

LONG AFX_Seek(CacheHandle *h, LONG newPos, LONG mode)
{
    if (!h) return 0;
    const LONG old = h->Position;
    int64_t pos = old;
    if (mode == OFFSET_BEGINNING) pos = newPos;
    else if (mode == OFFSET_CURRENT) pos = (int64_t)old + newPos;
    else if (mode == OFFSET_END) pos = (int64_t)newPos + h->FileSize;
    if (pos >= h->FileSize) pos = h->FileSize - 1;
    if (pos < 0) pos = 0;
    h->Position = (LONG)pos;
    if (h->Type == CACHE_NONE) std::fseek(h->FHandle, (long)pos, SEEK_SET);
    return old;
}

LONG AFX_FileSize(CacheHandle *h) { return h ? h->FileSize : 0; }

LONG AFX_Close(CacheHandle *h)
{
    if (!h) return -1;
    if (st_MovieBase *mb = h->MB) {
        // The cache thread lets go of the handle before it goes.
        if (CacheInfo *ci = mb->CInfo.load()) {
            Take(ci->lock);
            if (ci->FirstHandle == h) ci->FirstHandle = nullptr;
            Give(ci->lock);
        }
    }
    Take(h->lock);
    FreeFrames(h);
    Give(h->lock);
    Release(h);
    return 0;
}

LONG ReadChunk2(CacheHandle *h, LONG *chunk, WORD key)
{
    UBYTE raw[8];
    const LONG n = AFX_Read(h, raw, 8);
    if (n != 8) return n;
    ULONG id = (ULONG)raw[0] << 24 | (ULONG)raw[1] << 16 | (ULONG)raw[2] << 8 | raw[3];
    ULONG len = (ULONG)raw[4] << 24 | (ULONG)raw[5] << 16 | (ULONG)raw[6] << 8 | raw[7];
    Decrypt2((UWORD)key, id, len);
    chunk[0] = (LONG)id;
    chunk[1] = (LONG)len;
    return n;
}

int CacheFunc(void *arg)
{
    auto *mb = (st_MovieBase *)arg;
    std::printf("Cache gestartet...\n");
    std::printf("#warning CreateEvent() ersetzt\n");
    const char *failure = "PipeLineFunc: Konnte PipeLineEent nicht anlegen...\n";
    SDL_sem *handleLock = SDL_CreateSemaphore(1);
    if (!MakeWakeSemaphore(mb, &mb->MB_CacheCheckMask, handleLock ? failure : "")) {
        if (handleLock) SDL_DestroySemaphore(handleLock);
        return 1;
    }
    if (!handleLock) {
        std::printf("%s", failure);
        SDL_SemPost(mb->MB_Started);
        return 1;
    }
    auto *ci = (CacheInfo *)AllocVec(sizeof(CacheInfo), MEMF_CLEAR);
    ci->MB = mb;
    ci->lock = handleLock;
    mb->CInfo = ci;
    SDL_SemPost(mb->MB_Started);
    while (!mb->MB_CacheFinishBit) {
        SDL_SemWait(mb->MB_CacheCheckMask);
        if (mb->MB_CacheFinishBit) break;
        Take(ci->lock);
        if (CacheHandle *h = ci->FirstHandle; h && h->Type == CACHE_RING) {
            Take(h->lock);
            if (!h->Trash) RefillRing(h);
            Give(h->lock);
            Give(h->Filled);
        }
        Give(ci->lock);
    }
    std::printf("Cache gequittet...\n");
    mb->CInfo = nullptr;
    SDL_DestroySemaphore(ci->lock);
    FreeVec(ci);
    return 0;
}
