// The one place where rectangles of the view surface reach the display.
#include "platform/gfx_local.h"
#include "platform/system.h"

void (*UpdateRectangleRecorder)(LONG x, LONG y, LONG w, LONG h) = nullptr;

int UpdateRectangle(LONG x, LONG y, LONG w, LONG h)
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
