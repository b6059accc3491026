// Inside the movie engine: frame decoding, the movie file layer and its
// cache thread, frame drawing and the per-movie steps of the workers.
#pragma once
#include "media/movie.h"

// ---- Frame decoding -------------------------------------------------------

// Parses one frame FORM's payload (form type first) into the movie's decoder
// state and colour table. With sound, SXHD and SBDY are taken (pipeline
// mode), otherwise skipped. 1 when the frame was whole; 0 when it was dropped
// for breaking the format (message printed, buffers as before that chunk).
int FORMParser(st_Movie *m, const UBYTE *payload, ULONG length, bool sound = false);
void FreeANIM5Handle(ANIM5Handle *h);  // null accepted
// The newest frame buffer (what the renderer shows).
const UBYTE *NewestBuffer(const ANIM5Handle *h);
// Unscrambles a chunk's identifier and length with key (0 leaves them).
void Decrypt2(UWORD key, ULONG &id, ULONG &length);
// The key after a frame whose payload begins with firstWord.
UWORD DecryptKey(UWORD key, ULONG firstWord);

// ---- Movie files ----------------------------------------------------------

constexpr ULONG AFX_WHOLE_FILE_LIMIT = 1048576;
constexpr ULONG AFX_RING_BUFFERS = 10;
constexpr ULONG AFX_RING_BUFFER_SIZE = 262144;

enum : LONG { CACHE_RING = 1, CACHE_SINGLE = 2, CACHE_NONE = 3 };

struct st_CacheFrame {
    LONG FramePos;      // file position of its first byte
    LONG FrameLength;   // bytes it holds
    SDL_sem *lock;
    st_CacheFrame *NextFrame;
    UBYTE *Data;
};

struct CacheHandle {
    CacheHandle *NextHandle;
    st_CacheFrame *FirstFrame;
    st_MovieBase *MB;
    std::FILE *FHandle;
    std::atomic<LONG> Position;  // the reader's position
    LONG DOSPos;                 // file position of the next read into the ring
    LONG FrameSize, FrameNumber, FileSize, CacheSize;
    SDL_sem *lock;
    SDL_sem *Filled;             // ring only: posted after each pass of the cache thread
    std::atomic<BOOL> Ready, Trash;
    LONG Type;
};

CacheHandle *AFX_Open(const char *path, long mode, st_MovieBase *mb);  // null on failure (message printed)
LONG AFX_Read(CacheHandle *h, void *dest, LONG size);                  // bytes delivered
LONG AFX_Seek(CacheHandle *h, LONG newPos, LONG mode);                 // the position before the move
LONG AFX_FileSize(CacheHandle *h);                                     // 0 for null
LONG AFX_Close(CacheHandle *h);                                        // -1 for null, else 0
void AFX_CopyMem(const void *source, void *dest, ULONG size);
// Reads an 8-byte chunk header (big-endian) and unscrambles it with a nonzero
// key; the bytes read.
LONG ReadChunk2(CacheHandle *h, LONG *chunk, WORD key);
int CacheFunc(void *mb);  // the cache thread of the pipeline mode

// ---- Drawing --------------------------------------------------------------

void RenderANIM5Direct(ANIM5Handle *h, Screen *screen, char dBuffer, UWORD posX, UWORD posY);
void RenderChunky(GrakaRenderStruct *grs);
void FreeRenderStruct(GrakaRenderStruct *grs);  // the record and its kept surface

// ---- Workers --------------------------------------------------------------

// A worker's wake semaphore; on failure the message, the start is reported
// (so the base does not wait) and 0: the worker then ends.
int MakeWakeSemaphore(st_MovieBase *mb, SDL_sem **mask, const char *failure);
// Decodes the next frame of one movie (its lock held by the caller) and sets
// its display time; what the scheduler does per movie.
void LoadNextFrame(st_Movie *m, bool sound);
// Tests watch every frame decode: the movie, the frame number, 1 whole / 0 dropped.
extern void (*MovieFrameHook)(st_Movie *m, LONG frame, int whole);
