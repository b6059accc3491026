// The movie engine: a movie base per screen visit, its movies in three lists
// (loaded, playing, to be freed) under the base lock, and one worker thread
// that decodes each playing movie's next frame, sleeps until the earliest due
// frame (or any call that changes a movie) and draws what is due. The worker
// alone walks the playing list; the main thread appends loaded movies and
// frees removed ones.
#include <cstring>
#include <new>

#include "gfx/palette.h"
#include "gfx/screen.h"
#include "media/movie_local.h"
#include "platform/datakit.h"
#include "platform/memfile.h"
#include "platform/system.h"

st_MovieBase *GlobalMB = nullptr;

namespace {

constexpr Uint32 START_WAIT_MS = 2000;  // a worker makes its wake semaphore at once

void Take(SDL_sem *s)
{
    if (s) SDL_SemWait(s);
}
void Give(SDL_sem *s)
{
    if (s) SDL_SemPost(s);
}

void Wake(st_MovieBase *mb)
{
    if (!mb) return;
    Give(mb->MB_SchedulerCheckMask);
    Give(mb->MB_PipeLineCheckMask);
}

void Append(st_Movie **list, st_Movie *m)
{
    m->NextMovie = nullptr;
    while (*list) list = &(*list)->NextMovie;
    *list = m;
}

void FreeMovie(st_Movie *m)
{
    Take(m->lock);
    AFX_Close(m->CH);
    FreeVec(m->LoadRGBStruct);
    FreeRenderStruct(m->GRS_Pointer);
    FreeVec(m->SXHD);
    FreeVec(m->ANHD);
    FreeVec(m->TLHD);
    FreeVec(m->BMHD);
    FreeANIM5Handle(m->A5Handle);
    Give(m->lock);
    if (m->lock) SDL_DestroySemaphore(m->lock);
    FreeVec(m);
}

void FreeList(st_Movie *m)
{
    for (st_Movie *next; m; m = next) {
        next = m->NextMovie;
        FreeMovie(m);
    }
}

bool IsZero(const timeval &t) { return t.tv_sec == 0 && t.tv_usec == 0; }

// Moves loaded movies to the playing list and removed ones to the removal
// list; true when a playing movie is unpaused and has work.
bool ListCheck(st_MovieBase *mb)
{
    Take(mb->MB_lock);
    for (st_Movie *m = mb->MB_AddMovie, *next; m; m = next) {
        next = m->NextMovie;
        Take(m->lock);
        if (m->Status == MOVIE_LOADED) {
            m->Status = MOVIE_READY;
            Append(&mb->MB_Movie, m);
        } else {
            m->Status = MOVIE_REMOVE;
            Append(&mb->MB_RemoveMovie, m);
        }
        Give(m->lock);
    }
    mb->MB_AddMovie = nullptr;
    Give(mb->MB_lock);

    Take(mb->MB_lock);
    bool active = false;
    for (st_Movie **link = &mb->MB_Movie; *link;) {
        st_Movie *m = *link;
        Take(m->lock);
        if (m->Status == MOVIE_REMOVE) {
            FreeANIM5Handle(m->A5Handle);
            m->A5Handle = nullptr;
            *link = m->NextMovie;
            Give(m->lock);
            Append(&mb->MB_RemoveMovie, m);
            continue;
        }
        if (!m->Paused && (m->Status == MOVIE_READY || m->Status == MOVIE_DECODED)) active = true;
        Give(m->lock);
        link = &m->NextMovie;
    }
    Give(mb->MB_lock);
    return active;
}

void LoadFrames(st_MovieBase *mb, bool sound)
{
    for (st_Movie *m = mb->MB_Movie; m; m = m->NextMovie) {
        Take(m->lock);
        if (m->Status == MOVIE_READY && !m->Paused) LoadNextFrame(m, sound);
        Give(m->lock);
    }
}

// Sleeps until the earliest due frame; any post of a wake semaphore ends it.
void WaitTime(st_MovieBase *mb)
{
    timeval earliest{};
    bool any = false;
    for (st_Movie *m = mb->MB_Movie; m; m = m->NextMovie) {
        Take(m->lock);
        if (!m->Paused && m->Status == MOVIE_DECODED && (!any || CmpTime(&m->DisplayTime, &earliest) > 0)) {
            earliest = m->DisplayTime;
            any = true;
        }
        Give(m->lock);
    }
    if (!any) return;
    timeval now;
    GetSysTime(&now);
    if (CmpTime(&earliest, &now) >= 0) return;
    SubTime(&earliest, &now);
    // Rounded up: a truncated wait would turn the last millisecond into a spin.
    const Uint32 ms = (Uint32)(earliest.tv_sec * 1000 + (earliest.tv_usec + 999) / 1000);
    if (mb->MB_SchedulerCheckMask) SDL_SemWaitTimeout(mb->MB_SchedulerCheckMask, ms);
    else if (mb->MB_PipeLineCheckMask) SDL_SemWaitTimeout(mb->MB_PipeLineCheckMask, ms);
}

void RenderFrames(st_MovieBase *mb, bool pipeline)
{
    for (st_Movie *m = mb->MB_Movie; m; m = m->NextMovie) {
        Take(m->lock);
        timeval now;
        GetSysTime(&now);
        // A movie that is not displayed keeps its rate all the same.
        if (!m->Paused && m->Status == MOVIE_DECODED && CmpTime(&m->DisplayTime, &now) >= 0) {
            if (m->Display) {
                const bool colour = m->Color && m->LoadRGBStruct && m->LoadRGBStruct[0] != 0;
                if (!m->DBuffer) {
                    if (colour) LoadRGB32(mb->MB_VPort, m->LoadRGBStruct);
                    RenderANIM5Direct(m->A5Handle, mb->MB_Screen, 0, m->LeftEdge, m->TopEdge);
                    m->DisplayCount++;
                } else if (pipeline) {
                    RenderANIM5Direct(m->A5Handle, mb->MB_Screen, 1, m->LeftEdge, m->TopEdge);
                    if (colour) LoadRGB32(mb->MB_VPort, m->LoadRGBStruct);
                    std::printf("PipeLineFunc: Konnte Page nicht flippen\n");
                    m->DisplayCount++;
                }
            }
            m->Status = MOVIE_READY;
            GetSysTime(&m->LastFrame);
            if (m->Still) m->Paused = 1;  // speed 0: one frame, then wait to be played again
            m->AudioFrames = 0;
        }
        Give(m->lock);
    }
}

// The loop of the scheduler and of the pipeline thread.
void WorkerLoop(st_MovieBase *mb, std::atomic<BOOL> &finish, SDL_sem *wake, bool pipeline)
{
    for (;;) {
        if (ListCheck(mb)) {
            LoadFrames(mb, pipeline);
            WaitTime(mb);
            RenderFrames(mb, pipeline);
            continue;
        }
        if (finish) {
            Take(mb->MB_lock);
            for (st_Movie *list : {mb->MB_AddMovie, mb->MB_Movie})
                for (st_Movie *m = list, *next; m; m = next) {
                    next = m->NextMovie;
                    Take(m->lock);
                    m->Status = MOVIE_REMOVE;
                    FreeANIM5Handle(m->A5Handle);
                    m->A5Handle = nullptr;
                    Give(m->lock);
                    Append(&mb->MB_RemoveMovie, m);
                }
            mb->MB_AddMovie = mb->MB_Movie = nullptr;
            Give(mb->MB_lock);
            finish = 0;
            return;
        }
        SDL_SemWait(wake);
    }
}

int SchedulerFunc(void *arg)
{
    auto *mb = (st_MovieBase *)arg;
    if (!MakeWakeSemaphore(mb, &mb->MB_SchedulerCheckMask, "SchedulerFunc: Konnte SchedulerEvent nicht anlegen...\n"))
        return 1;
    Give(mb->MB_Started);
    WorkerLoop(mb, mb->MB_SchedulerFinishBit, mb->MB_SchedulerCheckMask, false);
    return 0;
}

// Pipeline mode: the same loop with the parser that takes sound chunks; the
// movie audio makes no sound, so its frames are counted and let go.
int PipeLineFunc(void *arg)
{
    auto *mb = (st_MovieBase *)arg;
    std::printf("PipeLineFunc\n");
    if (!MakeWakeSemaphore(mb, &mb->MB_PipeLineCheckMask, "PipeLineFunc: Konnte PipeLineEent nicht anlegen...\n"))
        return 1;
    Give(mb->MB_Started);
    std::printf("InitAudio: Timer Task installed\n");
    WorkerLoop(mb, mb->MB_PipeLineFinishBit, mb->MB_PipeLineCheckMask, true);
    return 0;
}

SDL_Thread *StartWorker(st_MovieBase *mb, int (*fn)(void *), const char *failure)
{
    SDL_Thread *t = SDL_CreateThread(fn, mb);
    if (!t) {
        std::printf("%s", failure);
        return nullptr;
    }
    if (SDL_SemWaitTimeout(mb->MB_Started, START_WAIT_MS) != 0)
        std::printf("AllocMovieBase : Worker meldet sich nicht...\n");
    return t;
}

// Stops one worker: its finish flag and a post, then the thread is joined
// (also one that ended early for want of its semaphore).
void StopWorker(SDL_Thread *&thread, std::atomic<BOOL> &finish, SDL_sem *&wake)
{
    if (!thread) return;
    finish = 1;
    Give(wake);
    SDL_WaitThread(thread, nullptr);
    thread = nullptr;
    if (wake) SDL_DestroySemaphore(wake);
    wake = nullptr;
}

}  // namespace

int MakeWakeSemaphore(st_MovieBase *mb, SDL_sem **mask, const char *failure)
{
    *mask = SDL_CreateSemaphore(0);
    if (*mask) return 1;
    std::printf("%s", failure);
    Give(mb->MB_Started);  // the base goes on without this worker, which ends now
    return 0;
}

void LoadNextFrame(st_Movie *m, bool sound)
{
    CacheHandle *ch = m->CH;
    m->AnimChunkPos = (ULONG)ch->Position.load();
    const LONG frame = m->ActualFrame;
    LONG chunk[2] = {0, 0};
    bool failed = ReadChunk2(ch, chunk, m->Key) != 8;
    if (!failed && datakit::AnimPlainId((ULONG)chunk[0]) != datakit::AnimFourCC("FORM")) {
        // Not a frame: skipped by its length when that stays inside the file,
        // so a stray chunk costs one frame time, not one per 8 bytes.
        const ULONG len = (ULONG)chunk[1];
        if (len <= (ULONG)(ch->FileSize - ch->Position)) AFX_Seek(ch, (LONG)(len + (len & 1)), OFFSET_CURRENT);
    } else if (!failed) {
        const ULONG len = (ULONG)chunk[1];
        // A length past the end of the file ends the movie; it is never allocated.
        if (len > (ULONG)(ch->FileSize - ch->Position)) {
            failed = true;
        } else {
            UBYTE *payload = (UBYTE *)AllocVec(len ? len : 1, 0);
            if ((ULONG)AFX_Read(ch, payload, (LONG)len) != len) {
                failed = true;
            } else {
                if (m->Crypto && len >= 4)
                    m->Key = (WORD)DecryptKey((UWORD)m->Key, (ULONG)payload[0] << 24 | (ULONG)payload[1] << 16 |
                                                                 (ULONG)payload[2] << 8 | payload[3]);
                const int whole = FORMParser(m, payload, len, sound);
                if (MovieFrameHook) MovieFrameHook(m, frame, whole);
            }
            FreeVec(payload);
            if (len & 1) {
                UBYTE pad;
                AFX_Read(ch, &pad, 1);
            }
        }
    }
    if (!failed && ch->Position < ch->FileSize) {
        m->ActualFrame++;
    } else if (m->Loop) {
        AFX_Seek(ch, (LONG)m->ANIMBegin, OFFSET_BEGINNING);
        m->Key = m->StartKey;
        m->ActualFrame = 0;
    } else {
        m->Paused = 1;
        if (m->MB) Give(m->MB->MB_MainWakeBit);
        m->ActualFrame++;
    }
    m->Status = MOVIE_DECODED;
    if (IsZero(m->LastFrame)) GetSysTime(&m->LastFrame);
    m->DisplayTime = m->LastFrame;
    AddTime(&m->DisplayTime, &m->FrameTime);
}

int InitAnimGfx() { return VekDisplay.VekScreen_GLMode ? 4 : 0; }
int InitAnimProz() { return 0; }

st_MovieBase *AllocMovieBase(Screen *screen, char displaySystem, char cpuType, char soundSystem)
{
    if (!screen) return nullptr;
    auto *mb = new (AllocVec(sizeof(st_MovieBase), MEMF_CLEAR)) st_MovieBase{};
    GlobalMB = mb;
    mb->MB_lock = SDL_CreateSemaphore(1);
    mb->MB_Started = SDL_CreateSemaphore(0);
    if (!mb->MB_lock || !mb->MB_Started) {
        if (mb->MB_lock) SDL_DestroySemaphore(mb->MB_lock);
        if (mb->MB_Started) SDL_DestroySemaphore(mb->MB_Started);
        GlobalMB = nullptr;
        mb->~st_MovieBase();
        FreeVec(mb);
        return nullptr;
    }
    mb->MB_Screen = screen;
    mb->MB_VPort = &screen->ViewPort;
    mb->MB_Width = screen->BitMap.Breite;
    mb->MB_Height = screen->BitMap.Hoehe;
    mb->MB_DrawMethode = 1;
    mb->MB_DisplaySystem = (UBYTE)displaySystem;
    mb->MB_CPU = (UBYTE)cpuType;
    mb->MB_Sound = (UBYTE)soundSystem;
    mb->MB_MainWakeBit = SDL_CreateSemaphore(0);
    if (!mb->MB_MainWakeBit) std::printf("AllocMovieBase : Konnte MainEvent nicht anlegen...\n");
    if (soundSystem == 0) {
        Take(mb->MB_lock);
        mb->MB_SchedulerProcess = StartWorker(mb, SchedulerFunc, "AllocMovieBase : Konnte Scheduler nicht starten...\n");
        Give(mb->MB_lock);
    } else if (soundSystem == 1) {
        Take(mb->MB_lock);
        mb->MB_PipeLineProcess = StartWorker(mb, PipeLineFunc, "AllocMovieBase : Konnte Pipeline nicht starten...\n");
        if (mb->MB_PipeLineProcess)
            mb->MB_CacheProcess = StartWorker(mb, CacheFunc, "AllocMovieBase : Konnte Cache nicht starten...\n");
        Give(mb->MB_lock);
    }
    return mb;
}

st_Movie *LoadMovie(st_MovieBase *mb, const char *path, unsigned long *, unsigned long *)
{
    if (!mb || (mb->MB_DisplaySystem & 0x04)) return nullptr;
    auto *m = (st_Movie *)AllocVec(sizeof(st_Movie), MEMF_CLEAR);
    m->MB = mb;
    m->BMHD = (BitMapHeaDer *)AllocVec(sizeof(BitMapHeaDer), MEMF_CLEAR);
    m->TLHD = (UBYTE *)AllocVec(20, MEMF_CLEAR);
    m->ANHD = (AnimHeaDer *)AllocVec(sizeof(AnimHeaDer), MEMF_CLEAR);
    m->SXHD = (SXHeaDer *)AllocVec(sizeof(SXHeaDer), MEMF_CLEAR);
    m->GRS_Pointer = (GrakaRenderStruct *)AllocVec(sizeof(GrakaRenderStruct), MEMF_CLEAR);
    m->lock = SDL_CreateSemaphore(1);
    if (!m->lock) {
        std::printf("LoadMovie: Konnte Movie-Semaphore nicht anlegen...\n");
        FreeMovie(m);
        return nullptr;
    }
    m->LoadRGBStruct = (ULONG *)AllocVec(MOVIE_RGB_TABLE_SIZE, MEMF_CLEAR);
    m->CH = AFX_Open(path, 0, mb);
    UBYTE head[20] = {};
    const LONG got = m->CH ? AFX_Read(m->CH, head, 20) : 0;
    auto be32 = [&](int at) {
        return (ULONG)head[at] << 24 | (ULONG)head[at + 1] << 16 | (ULONG)head[at + 2] << 8 | head[at + 3];
    };
    using datakit::AnimFourCC;
    const bool tale = be32(8) == AnimFourCC("TALE");
    if (got < 16 || be32(0) != AnimFourCC("FORM") || (be32(8) != AnimFourCC("ANIM") && !tale)) {
        FreeMovie(m);
        return nullptr;
    }
    m->ANIMBegin = 12;
    m->ANIMLength = be32(4);
    if (be32(12) != AnimFourCC("FORM")) {
        ULONG id = be32(12), len = be32(16);
        Decrypt2(datakit::ANIM_START_KEY, id, len);
        if (got < 20 || datakit::AnimPlainId(id) != AnimFourCC("FORM")) {
            if (!tale) std::printf("LoadMovie: File %s seems to be encrypted! Use correct key.\n", path);
            FreeMovie(m);
            return nullptr;
        }
        std::printf("LoadMovie: Encryption found! Key is working.\n");
    }
    m->Paused = 1;
    m->Planar = 1;
    m->Display = 1;
    m->Still = 0;
    m->Status = MOVIE_LOADED;
    std::printf(mb->MB_Sound == 1 ? "AFX_SOUND\n" : "AFX_NONE\n");
    AFX_Seek(m->CH, (LONG)m->ANIMBegin, OFFSET_BEGINNING);
    Take(mb->MB_lock);
    Append(&mb->MB_AddMovie, m);
    Give(mb->MB_lock);
    Wake(mb);
    return m;
}

int PlayMovie(st_MovieBase *mb, st_Movie *m, UWORD leftEdge, UWORD topEdge, signed char playInfo, UWORD speed)
{
    if (!mb || !m) return 1;
    Take(m->lock);
    m->LeftEdge = leftEdge;
    m->TopEdge = topEdge;
    if (m->GRS_Pointer) {
        m->GRS_Pointer->xPos = leftEdge;
        m->GRS_Pointer->yPos = topEdge;
    }
    // Speed 0 shows one frame and pauses; there is no frame time to divide.
    m->Still = speed == 0;
    const ULONG micro = speed ? 1000000u / speed : 0;
    m->FrameTime.tv_sec = micro / 1000000u;
    m->FrameTime.tv_usec = micro % 1000000u;
    const BYTE flags = playInfo;
    m->Color = (flags & PLAY_COLOR) != 0;
    m->DBuffer = (flags & PLAY_DBUFFER) != 0;
    m->Loop = (flags & PLAY_LOOP) != 0;
    m->Display = (flags & PLAY_NODISPLAY) == 0;
    m->Audio = (flags & PLAY_AUDIO) != 0;
    m->Crypto = (flags & PLAY_CRYPTO) != 0;
    if (m->Crypto) m->StartKey = m->Key = (WORD)datakit::ANIM_START_KEY;
    m->Paused = 0;
    Give(m->lock);
    Wake(mb);
    return 1;
}

void PauseMovie(st_Movie *m, signed char status)
{
    if (!m) return;
    Take(m->lock);
    m->Paused = status;
    Give(m->lock);
    Wake(m->MB);
}

void UnloadMovie(st_MovieBase *mb, st_Movie *m)
{
    if (!m) return;
    Take(m->lock);
    m->Paused = 1;
    m->Status = MOVIE_REMOVE;
    Give(m->lock);
    Wake(mb ? mb : m->MB);
    ClearMovies(mb ? mb : m->MB);
}

void ClearMovies(st_MovieBase *mb)
{
    if (!mb) return;
    Take(mb->MB_lock);
    FreeList(mb->MB_RemoveMovie);
    mb->MB_RemoveMovie = nullptr;
    Give(mb->MB_lock);
}

st_MovieBase *FreeMovieBase(st_MovieBase *mb)
{
    if (!mb) return nullptr;
    // Reached from a worker only on the fatal path (its allocation failed):
    // that worker holds a movie's lock and cannot join itself, and the
    // program ends next, so the workers are only told to stop.
    const Uint32 self = SDL_ThreadID();
    for (SDL_Thread *t : {mb->MB_SchedulerProcess, mb->MB_PipeLineProcess, mb->MB_CacheProcess})
        if (t && SDL_GetThreadID(t) == self) {
            mb->MB_SchedulerFinishBit = mb->MB_PipeLineFinishBit = mb->MB_CacheFinishBit = 1;
            return nullptr;
        }
    // Every movie is paused here, so the workers come to rest and end.
    Take(mb->MB_lock);
    for (st_Movie *list : {mb->MB_AddMovie, mb->MB_Movie})
        for (st_Movie *m = list; m; m = m->NextMovie) {
            Take(m->lock);
            m->Paused = 1;
            Give(m->lock);
        }
    Give(mb->MB_lock);
    StopWorker(mb->MB_SchedulerProcess, mb->MB_SchedulerFinishBit, mb->MB_SchedulerCheckMask);
    StopWorker(mb->MB_PipeLineProcess, mb->MB_PipeLineFinishBit, mb->MB_PipeLineCheckMask);
    StopWorker(mb->MB_CacheProcess, mb->MB_CacheFinishBit, mb->MB_CacheCheckMask);
    FreeList(mb->MB_AddMovie);
    FreeList(mb->MB_Movie);
    FreeList(mb->MB_RemoveMovie);
    SDL_DestroySemaphore(mb->MB_lock);
    if (mb->MB_MainWakeBit) SDL_DestroySemaphore(mb->MB_MainWakeBit);
    SDL_DestroySemaphore(mb->MB_Started);
    if (GlobalMB == mb) GlobalMB = nullptr;
    mb->~st_MovieBase();
    FreeVec(mb);
    return nullptr;
}

void FreeGlobalMovieBase()
{
    if (GlobalMB) FreeMovieBase(GlobalMB);
}
