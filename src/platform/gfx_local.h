// Helpers shared by the drawing, blit and text code of this folder.
#pragma once
#include <cstddef>
#include "platform/graphics.h"

// The pixel memory of a BitMap for one operation. Sizes come from the surface
// where there is one, so no access can pass the memory SDL allocated.
struct PixelAccess {
    UBYTE *pixels = nullptr;
    LONG pitch = 0;
    int bpp = 0;  // bytes per pixel
    LONG w = 0, h = 0;
    SDL_Surface *locked = nullptr;
};

// false when the BitMap has no usable pixel memory (or the lock failed: then
// *lockFailed is set when given).
bool LockBits(BitMap *bmp, PixelAccess *pa, bool *lockFailed = nullptr);
void UnlockBits(PixelAccess *pa);

inline UBYTE *PixelAt(const PixelAccess &pa, LONG x, LONG y)
{
    return pa.pixels + (std::ptrdiff_t)y * pa.pitch + (std::ptrdiff_t)x * pa.bpp;
}

// The display RastPort, or null.
RastPort *DisplayRastPort();

// A pen as a pixel of bpp bytes: the index at 1 byte, else the palette
// colour in the screen's format (or the default format of that size).
ULONG PenPixel(int bpp, UWORD pen);

// Intersects (x, y, w, h) with (0, 0, W, H); false when nothing is left.
bool ClipRect(LONG W, LONG H, LONG *x, LONG *y, LONG *w, LONG *h);
