// Movies: IFF animation files in ./Anims/ played on the game screen by a
// movie base (one per screen visit) whose worker thread decodes, times and
// draws every loaded movie; building and ware animations on top of it, and
// the masked blit of one frame of an object strip.
#pragma once
#include <SDL/SDL.h>
#include <SDL/SDL_thread.h>
#include <atomic>
#include <sys/time.h>

#include "platform/types.h"

struct Screen;
struct ViewPort;
struct RastPort;
struct st_MovieBase;
struct st_Movie;
struct CacheHandle;


// ---- Records of the file, native after reading --------------------------

struct BitMapHeaDer {
    UWORD Width;        // frame width in pixels, a multiple of 8
    UWORD Height;       // rows
    WORD dX, dY;        // not used
    UBYTE Depth;        // bit-planes; movies have 8
    UBYTE Mask;         // not used
    BYTE Kompr;         // 0 raw BODY, else ByteRun1
    BYTE pad;
    UWORD transcolor;   // not used
    UBYTE XAspect, YAspect;
    WORD SWidth, SHeight;
};
static_assert(sizeof(BitMapHeaDer) == 20);

struct AnimHeaDer {
    UBYTE Operation, Mask;
    UWORD Width, Height;
    WORD X, Y;
    ULONG AbsTime, RelTime;
    UBYTE Interleave, Pad0;
    ULONG Bits;
    UBYTE Reserved[16];
};

struct SXHeaDer {
    UBYTE SampleDepth, FixedVolume;
    LONG Length;        // bytes of sound per frame
    LONG Playrate;
    UWORD SkipFrames, CompressionMethode;
    UBYTE UsedChannels, UsedMode;
    LONG PlayFreq;
    ULONG Loop;
};

constexpr ULONG MOVIE_RGB_TABLE_SIZE = 4100;  // bytes of a movie's colour table

// Decoder state of one movie: two planar frame buffers of Width x Height
// bytes, plane p at p x Width x Height / 8.
struct ANIM5Handle {
    st_MovieBase *MB;
    st_Movie *M;
    UBYTE *PBuffer1, *PBuffer2;
    UBYTE *RBuffer1, *RBuffer2;  // never allocated
    UWORD Width, Height;
    UBYTE Depth;
    UBYTE upperbuffer;           // nonzero: PBuffer1 holds the newest frame
    UBYTE rotate;
};

// Render record of a movie: the target of one conversion, and the
// movie-sized surface kept for its frames.
struct GrakaRenderStruct {
    UBYTE *SourceBuffer[8];
    UBYTE *BitMapStart;
    ULONG Width, Height, xPos, yPos, BytesPerRow;
    SDL_Surface *Frame;          // owned; remade when the display depth changes
};

// Movie status
constexpr BYTE MOVIE_READY = 1;     // next frame to be decoded
constexpr BYTE MOVIE_DECODED = 2;   // waiting for its display time
constexpr BYTE MOVIE_LOADED = 3;    // waiting in MB_AddMovie
constexpr BYTE MOVIE_REMOVE = 4;

// Play flags of PlayMovie
constexpr BYTE PLAY_COLOR = 0x01;
constexpr BYTE PLAY_DBUFFER = 0x02;
constexpr BYTE PLAY_LOOP = 0x04;
constexpr BYTE PLAY_NODISPLAY = 0x08;
constexpr BYTE PLAY_AUDIO = 0x10;
constexpr BYTE PLAY_CRYPTO = 0x40;

struct st_Movie {
    st_Movie *NextMovie;
    st_MovieBase *MB;
    char Path[80];
    BitMapHeaDer *BMHD;
    UBYTE *TLHD;                 // 20 bytes, cleared, not filled
    AnimHeaDer *ANHD;
    ANIM5Handle *A5Handle;
    GrakaRenderStruct *GRS_Pointer;
    SXHeaDer *SXHD;
    CacheHandle *CH;
    SDL_sem *lock;
    struct timeval DisplayTime, LastFrame, FrameTime;
    ULONG Width, Height, Depth;
    ULONG *LoadRGBStruct;        // MOVIE_RGB_TABLE_SIZE bytes
    APTR FHandle;
    LONG ActualFrame;
    ULONG StopFrame, AnimChunkPos, ANIMBegin, ANIMLength, ANIMCnt, DisplayCount, NextKeyFrame;
    UWORD ColCnt;
    UWORD LeftEdge, TopEdge;
    WORD ScrollOffset, RyOffset;
    WORD StartKey, Key;
    BYTE Crypto, Display, Audio, Paused, Color, DBuffer, Loop, Planar, Still, Cache, UpperBuffer, PPCAlloc;
    BYTE Status;
    ULONG AudioFrames;           // sound frames collected in pipeline mode (dropped: the movie audio is silent)
};

struct CacheInfo {
    st_MovieBase *MB;
    CacheHandle *FirstHandle;    // the handle the cache thread serves
    SDL_sem *lock;               // guards FirstHandle against a handle being closed
};

struct st_MovieBase {
    Screen *MB_Screen;
    ViewPort *MB_VPort;
    ULONG MB_ModeID, MB_Width, MB_Height;
    ULONG MB_DropFrames;
    st_Movie *MB_Movie, *MB_AddMovie, *MB_RemoveMovie;
    SDL_Thread *MB_PipeLineProcess;
    std::atomic<BOOL> MB_PipeLineFinishBit;
    SDL_Thread *MB_SchedulerProcess;
    std::atomic<BOOL> MB_SchedulerFinishBit;
    SDL_Thread *MB_CacheProcess;
    std::atomic<BOOL> MB_CacheFinishBit;
    SDL_sem *MB_lock;
    std::atomic<CacheInfo *> CInfo;
    SDL_sem *MB_SchedulerCheckMask, *MB_PipeLineCheckMask, *MB_CacheCheckMask;
    UBYTE MB_DisplaySystem, MB_DrawMethode, MB_CPU, MB_Sound;
    SDL_sem *MB_MainWakeBit;
    SDL_sem *MB_Started;         // each worker posts it once its wake semaphore exists (or cannot)
    BYTE MB_SubFinishBit;
};

extern st_MovieBase *GlobalMB;  // the last base made; null once freed

// ---- The engine ---------------------------------------------------------

int InitAnimGfx();   // 4 in GL mode, else 0
int InitAnimProz();  // 0
// Sound system 0 runs the scheduler thread, 1 the pipeline and cache
// threads, any other value no thread. Null for a null screen or no lock.
st_MovieBase *AllocMovieBase(Screen *screen, char displaySystem, char cpuType, char soundSystem);
// Null when the file is missing or not a movie, in GL mode, or scrambled with another key.
st_Movie *LoadMovie(st_MovieBase *mb, const char *path, unsigned long *, unsigned long *);
// PlayInfo: PLAY_* flags; Speed: frames per second, 0 shows one frame and pauses. 1.
int PlayMovie(st_MovieBase *mb, st_Movie *movie, UWORD leftEdge, UWORD topEdge, signed char playInfo, UWORD speed);
void PauseMovie(st_Movie *movie, signed char status);
void UnloadMovie(st_MovieBase *mb, st_Movie *movie);  // the movie must not be used afterwards
void ClearMovies(st_MovieBase *mb);                   // frees the movies waiting for removal
// Stops every movie and worker and frees the base and its movies; null.
st_MovieBase *FreeMovieBase(st_MovieBase *mb);
void FreeGlobalMovieBase();                           // FreeMovieBase(GlobalMB), for the fatal path

// ---- Building and ware animations, object strips --------------------------

constexpr UWORD WARE_ANIM_COUNT = 117;
// The file below ./Anims/ of a building number, null when it has none.
const char *GebaeudeAnimName(UWORD gebaeudeId);
// The path below ./Anims/ of a ware number (UTF-8), null above 116.
const char *WareAnimName(UWORD wareId);
// Unload old, clear its area, start the looping animation at (x, y); the movie or null.
st_Movie *AnimateGebaeude(st_MovieBase *mb, st_Movie *old, UWORD gebaeudeId, UWORD xPos, UWORD yPos);
st_Movie *AnimateWare(st_MovieBase *mb, st_Movie *old, UWORD wareId, UWORD xPos, UWORD yPos);
// Frame `frame` (rows BlitHoehe x frame on) of object strip graphic objektNummer,
// masked, after copying the background from source. 1, or 0 when the graphic cannot be loaded.
int AnimObjektMask(RastPort *source, UWORD sourceX, UWORD sourceY, RastPort *dest, UWORD objektXPos,
                   UWORD objektYPos, UWORD objektNummer, UWORD maskenNummer, UWORD frame, UWORD blitBreite,
                   UWORD blitHoehe);
