// The map motion effect: a thread that now and then plays the animation of
// an ambient object (a figure of kind 1000 and above) standing in sight.
#pragma once
#include <atomic>

#include "map/mapview.h"

struct SDL_Thread;
struct SDL_semaphore;

struct Motion {
    std::atomic<BOOL> Stop{0};         // set by the owner
    std::atomic<BOOL> HasFinished{0};  // set by the thread on every way out
    VekMapInfo *VekMapInfoPtr = nullptr;
    SDL_Thread *MotionProcess = nullptr;
    BitMap *MotionBitMap = nullptr;    // 64 x 56 work picture of one hex
    RastPort *MotionRastPort = nullptr;
    SDL_semaphore *MotionSemaphore = nullptr;  // held by the thread for one pass
};

// The handle with its thread running, or null (too little memory, or a part
// could not be made: what was made is released).
Motion *StartTheMotion(VekMapInfo *View);
// Stops the thread, waits for its end and frees the handle; null accepted.
void StopTheMotion(Motion *M);
// The thread's semaphore, for code that rewrites what it draws from; null
// accepted. Not to be taken again by a thread that holds it (MotionSperre
// nests, this does not): such a second take is counted in
// MotionDoppelteSperren and asserted in debug builds.
void LockMotionProcess(Motion *M);
void UnLockMotionProcess(Motion *M);

// While one lives, the motion thread of the view (if any) draws no more: it
// raises MapLock and holds the thread's semaphore, so that the figure list
// and the tile window can be rewritten. Nests.
class MotionSperre {
public:
    explicit MotionSperre(VekMapInfo *View);
    ~MotionSperre();
    MotionSperre(const MotionSperre &) = delete;
    MotionSperre &operator=(const MotionSperre &) = delete;

private:
    VekMapInfo *view_;
    Motion *motion_;
    BOOL alterLock_;
    bool gezaehlt_;
};

// Tests: the wait after each frame and after each pass, in ticks of 20 ms
// (Delay by default), and every frame shown (graphic, frame, screen pixel).
extern void (*MotionDelay)(ULONG Ticks);
extern void (*MotionFrameHook)(UWORD Grafik, UWORD Frame, LONG x, LONG y);
// The number of passes made since the start (tests wait on it).
extern std::atomic<ULONG> MotionDurchgaenge;
// Takes of the semaphore by a thread that already held it (each one a
// freeze avoided); tests expect none.
extern std::atomic<ULONG> MotionDoppelteSperren;
