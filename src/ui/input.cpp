// GetKey and the mouse: SDL events in, game codes out. Mouse positions are
// kept in game coordinates; on displays larger than the game area they are
// mapped into the 640 x 480 area that the screens draw on.
#include "ui/input.h"
#include "gfx/screen.h"
#include "gfx/gfx_local.h"

#include <cstdio>
#include <ctime>
#include <sys/stat.h>

#include "gfx/graphics.h"
#include "platform/endsignal.h"
#include "platform/system.h"

MousePos MousePosition = {-1, -1};
BOOL LeftMouseButtonReleased = 1;
BOOL RightMouseButtonReleased = 1;
BOOL KeyExtended = 0;
SDL_Rect SDLMouseRect;
SDL_Rect SDLMouseRectOld;
LONG Mouse_CurrentScreenID_old = -1;
void (*GetKeyClickHook)() = nullptr;

namespace {

// Copies pixels between surfaces of the same pixel size without any colour
// mapping (8-bit surfaces may carry different palettes), clipped to both.
void RawCopy(SDL_Surface *src, int sx, int sy, SDL_Surface *dst, int dx, int dy, int w, int h)
{
    if (!src || !dst || src->format->BytesPerPixel != dst->format->BytesPerPixel) return;
    if (sx < 0) w += sx, dx -= sx, sx = 0;
    if (sy < 0) h += sy, dy -= sy, sy = 0;
    if (dx < 0) w += dx, sx -= dx, dx = 0;
    if (dy < 0) h += dy, sy -= dy, dy = 0;
    if (sx + w > src->w) w = src->w - sx;
    if (sy + h > src->h) h = src->h - sy;
    if (dx + w > dst->w) w = dst->w - dx;
    if (dy + h > dst->h) h = dst->h - dy;
    if (w <= 0 || h <= 0) return;
    const int bpp = src->format->BytesPerPixel;
    if (SDL_MUSTLOCK(src) && SDL_LockSurface(src) < 0) return;
    if (SDL_MUSTLOCK(dst) && SDL_LockSurface(dst) < 0) {
        if (SDL_MUSTLOCK(src)) SDL_UnlockSurface(src);
        return;
    }
    for (int row = 0; row < h; ++row) {
        const Uint8 *s = (const Uint8 *)src->pixels + (sy + row) * src->pitch + sx * bpp;
        Uint8 *d = (Uint8 *)dst->pixels + (dy + row) * dst->pitch + dx * bpp;
        SDL_memmove(d, s, (size_t)w * bpp);
    }
    if (SDL_MUSTLOCK(dst)) SDL_UnlockSurface(dst);
    if (SDL_MUSTLOCK(src)) SDL_UnlockSurface(src);
}

// The colour pointer: put back what it covered, save the new background and
// draw the pointer at the display position.
void DrawSoftwarePointer(int x, int y)
{
    SDL_Surface *view = SDLViewSurface;
    if (!view || !MousePointer || !MousePointerCopy) return;
    // Other threads present into the view too: the whole exchange is one step.
    const int locked = ScreenLock();
    if (Mouse_CurrentScreenID_old == currentScreenID) {
        RawCopy(MousePointerCopy, 0, 0, view, SDLMouseRectOld.x, SDLMouseRectOld.y, SDLMouseRectOld.w,
                SDLMouseRectOld.h);
    }
    SDLMouseRect.x = (Sint16)x;
    SDLMouseRect.y = (Sint16)y;
    SDLMouseRect.w = (Uint16)MousePointer->w;
    SDLMouseRect.h = (Uint16)MousePointer->h;
    RawCopy(view, x, y, MousePointerCopy, 0, 0, MousePointer->w, MousePointer->h);
    SDL_Rect to = SDLMouseRect;
    SDL_BlitSurface(MousePointer, nullptr, view, &to);
    int (*update)(LONG, LONG, LONG, LONG) = locked ? UpdateRectangleLocked : UpdateRectangle;
    if (SDLMouseRectOld.w && SDLMouseRectOld.h)  // (0, 0, 0, 0) would be the whole display
        update(SDLMouseRectOld.x, SDLMouseRectOld.y, SDLMouseRectOld.w, SDLMouseRectOld.h);
    update(SDLMouseRect.x, SDLMouseRect.y, SDLMouseRect.w, SDLMouseRect.h);
    SDLMouseRectOld = SDLMouseRect;
    Mouse_CurrentScreenID_old = currentScreenID;
    if (locked) ScreenUnlock();
}

// A motion at display position (x, y) with the given button state.
ULONG Motion(int x, int y, Uint8 state)
{
    MousePosition.X = x;
    MousePosition.Y = y;
    if (UserSystem.OP.ColorCursor) DrawSoftwarePointer(x, y);
    const st_Display &d = VekDisplay;
    if ((d.VekScreen_Breite > 640 || d.VekScreen_Hoehe > 480) && d.VekScreen != 3) {
        LONG gx, gy;
        if (!MapMouseToGame(x, y, &gx, &gy)) {
            MousePosition.X = MousePosition.Y = -1;
            return KEY_NONE;
        }
        MousePosition.X = gx;
        MousePosition.Y = gy;
    }
    if (state & SDL_BUTTON(SDL_BUTTON_LEFT)) return EVENT_LEFTDOWN;
    if (state & SDL_BUTTON(SDL_BUTTON_RIGHT)) return EVENT_RIGHTDOWN;
    return EVENT_MOVE;
}

void ToggleFullScreen()
{
    if (!SDLViewSurface) return;
    SDL_WM_ToggleFullScreen(SDLViewSurface);
    VekDisplay.VekScreen_Window = (SDLViewSurface->flags & SDL_FULLSCREEN) ? 0 : 1;
}

// The code of a pressed key; KEY_NONE with *none set when the key yields nothing.
ULONG KeyCode(const SDL_keysym &key, bool *none)
{
    *none = false;
    switch (key.sym) {
    case SDLK_BACKSPACE: return KEY_BACKSPACE;
    case SDLK_DELETE: KeyExtended = 1; return KEY_DELETE;
    case SDLK_UP: KeyExtended = 1; return KEY_UP;
    case SDLK_DOWN: KeyExtended = 1; return KEY_DOWN;
    case SDLK_RIGHT: KeyExtended = 1; return KEY_RIGHT;
    case SDLK_LEFT: KeyExtended = 1; return KEY_LEFT;
    case SDLK_INSERT: KeyExtended = 1; return KEY_INSERT;
    case SDLK_SCROLLOCK: ToggleFullScreen(); break;
    case SDLK_PRINT: {
        char name[64];
        SaveScreenshot(name, sizeof name);
        break;
    }
    default:
        if (key.unicode >= 1 && key.unicode <= 254) return key.unicode == 127 ? KEY_NONE : key.unicode;
        break;
    }
    std::printf("GetKey(): name=%s\n", SDL_GetKeyName(key.sym));
    std::printf("unicode=%x\n", key.unicode);
    std::printf("KEINE VERARBEITUNG!\n");
    *none = true;
    return KEY_NONE;
}

}  // namespace

int MapMouseToGame(LONG x, LONG y, LONG *gx, LONG *gy)
{
    const LONG g = ((LONG)VekDisplay.VekScreen_Breite - 640) / 2;
    const LONG e = ((LONG)VekDisplay.VekScreen_Hoehe - 480) / 2;
    if (g < x && x < g + 639 && e - 30 < y && y < e + 450) {
        *gx = x - g;
        *gy = y - e + 30;
        return 1;
    }
    *gx = *gy = -1;
    return 0;
}

int SaveScreenshot(char *name, size_t size)
{
    if (!SDLViewSurface || !name || size < 32) return 0;
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    gmtime_r(&now, &t);
    std::snprintf(name, size, "shot_%02d%02d%02d%02d%02d%02d.bmp", (t.tm_year - 100) % 100, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    // Two shots within one second get a number instead of overwriting the first.
    struct stat st;
    for (int n = 2; stat(name, &st) == 0 && n < 100; ++n)
        std::snprintf(name, size, "shot_%02d%02d%02d%02d%02d%02d_%d.bmp", (t.tm_year - 100) % 100, t.tm_mon + 1,
                      t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, n);
    if (SDL_SaveBMP(SDLViewSurface, name) != 0) {
        std::printf("GetKey: Konnte den Screenshot %s nicht speichern: %s\n", name, SDL_GetError());
        return 0;
    }
    return 1;
}

ULONG GetKey(ULONG flags)
{
    KeyExtended = 0;
    for (;;) {
        // A wait for the player is where an end signal is carried out; the
        // 100 ms tick wakes this loop in time for it.
        EndIfRequested();
        SDL_Event ev;
        if (flags & GETKEY_POLL) {
            if (!SDL_PollEvent(&ev)) return KEY_NOEVENT;
        } else if (!SDL_WaitEvent(&ev)) {
            // No event source (SDL is gone): report a close rather than wait forever.
            std::printf("GetKey: SDL_WaitEvent: %s\n", SDL_GetError());
            return KEY_ESCAPE;
        }
        switch (ev.type) {
        case SDL_ACTIVEEVENT:
            if (ev.active.gain && (ev.active.state & SDL_APPACTIVE)) UpdateRectangle(0, 0, 0, 0);
            break;
        case SDL_KEYDOWN: {
            std::printf("Taste\n");
            bool none;
            const ULONG code = KeyCode(ev.key.keysym, &none);
            if (!none) return code;
            KeyExtended = 0;
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
            if (GetKeyClickHook) GetKeyClickHook();
            if (ev.button.button == SDL_BUTTON_LEFT) {
                LeftMouseButtonReleased = 0;
                return EVENT_LEFTDOWN;
            }
            if (ev.button.button == SDL_BUTTON_RIGHT) {
                RightMouseButtonReleased = 0;
                return EVENT_RIGHTDOWN;
            }
            break;
        case SDL_MOUSEBUTTONUP:
            if (ev.button.button == SDL_BUTTON_LEFT) {
                LeftMouseButtonReleased = 1;
                return EVENT_LEFTUP;
            }
            if (ev.button.button == SDL_BUTTON_RIGHT) {
                RightMouseButtonReleased = 1;
                return EVENT_RIGHTUP;
            }
            // Middle button and wheel: a motion with the buttons really held,
            // so that a wheel step never reads as a left or right drag.
            return Motion(ev.button.x, ev.button.y, (Uint8)SDL_GetMouseState(nullptr, nullptr));
        case SDL_MOUSEMOTION:
            return Motion(ev.motion.x, ev.motion.y, ev.motion.state);
        case SDL_QUIT:
            return KEY_ESCAPE;
        case SDL_USEREVENT:
            if (ev.user.code == TICK_EVENT) {
                if (flags & GETKEY_TICKS) return EVENT_TICK;
            } else if (ev.user.code == CURSOR_BLINK_EVENT) {
                DrawCursor();
            }
            break;
        default:
            break;
        }
    }
}

LONG GetMouseX() { return MousePosition.X; }
LONG GetMouseY() { return MousePosition.Y; }

BOOL MouseInBox(LONG x0, LONG x1, LONG y0, LONG y1)
{
    return x0 < MousePosition.X && MousePosition.X < x1 && y0 < MousePosition.Y && MousePosition.Y < y1;
}

LONG Gotcha()
{
    SDL_PumpEvents();
    for (int i = 0; i < 10; ++i) {
        const Uint8 *keys = SDL_GetKeyState(nullptr);
        if (keys && (keys[SDLK_LCTRL] || keys[SDLK_RCTRL])) return 17;
        SDL_Delay(10);
    }
    return 0;
}
