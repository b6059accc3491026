// The one place where rectangles of the view surface reach the display, and
// the screen semaphore that serialises it. The semaphore is made on first
// use and kept until exitSDL, so a thread may update the display whether or
// not a screen record exists at that moment.
#include <mutex>

#include "gfx/gfx_local.h"
#include "gfx/screen.h"
#include "platform/system.h"

void (*UpdateRectangleRecorder)(LONG x, LONG y, LONG w, LONG h) = nullptr;

namespace {

std::mutex semaphoreGuard;
std::atomic<SDL_sem *> screenSemaphore{nullptr};

void DestroyScreenSemaphore()
{
    std::lock_guard<std::mutex> lock(semaphoreGuard);
    if (SDL_sem *s = screenSemaphore.exchange(nullptr)) SDL_DestroySemaphore(s);
    if (TitelScreenPtr) TitelScreenPtr->Mutex = nullptr;
}

}  // namespace

SDL_sem *ScreenSemaphore()
{
    if (SDL_sem *s = screenSemaphore.load()) return s;
    std::lock_guard<std::mutex> lock(semaphoreGuard);
    if (!screenSemaphore.load()) {
        screenSemaphore = SDL_CreateSemaphore(1);
        ScreenSemaphoreExitHook = DestroyScreenSemaphore;
    }
    return screenSemaphore.load();
}

int ScreenLock()
{
    SDL_sem *s = ScreenSemaphore();
    return s && SDL_SemWait(s) == 0 ? 1 : 0;
}

void ScreenUnlock()
{
    if (SDL_sem *s = screenSemaphore.load()) SDL_SemPost(s);
}

int UpdateRectangleLocked(LONG x, LONG y, LONG w, LONG h)
{
    SDL_Surface *view = SDLViewSurface;
    if (!view) return 1;
    // SDL drops rectangles that pass the edge, and reads (0, 0, 0, 0) as the whole surface.
    if (x != 0 || y != 0 || w != 0 || h != 0) {
        if (!ClipRect(view->w, view->h, &x, &y, &w, &h)) return 1;
    }
    if (UpdateRectangleRecorder) UpdateRectangleRecorder(x, y, w, h);
    SDL_UpdateRect(view, x, y, (Uint32)w, (Uint32)h);
    return 1;
}

int UpdateRectangle(LONG x, LONG y, LONG w, LONG h)
{
    if (!SDLViewSurface) return 1;
    const int locked = ScreenLock();
    UpdateRectangleLocked(x, y, w, h);
    if (locked) ScreenUnlock();
    return 1;
}
