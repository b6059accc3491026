// Helpers shared by the drawing, blit and text code of this folder.
#pragma once
#include <cstddef>
#include <cstring>
#include "gfx/graphics.h"

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

// Pixel access for a pixel size known at compile time, for the inner loops.
template <int B>
inline void PutPixel(UBYTE *p, ULONG v)
{
    if constexpr (B == 1) {
        *p = (UBYTE)v;
    } else if constexpr (B == 2) {
        const UWORD w = (UWORD)v;
        std::memcpy(p, &w, 2);
    } else if constexpr (B == 3) {
        p[0] = (UBYTE)v;
        p[1] = (UBYTE)(v >> 8);
        p[2] = (UBYTE)(v >> 16);
    } else {
        std::memcpy(p, &v, 4);
    }
}

template <int B>
inline ULONG GetPixel(const UBYTE *p)
{
    if constexpr (B == 1) {
        return *p;
    } else if constexpr (B == 2) {
        UWORD w;
        std::memcpy(&w, p, 2);
        return w;
    } else if constexpr (B == 3) {
        return (ULONG)p[0] | (ULONG)p[1] << 8 | (ULONG)p[2] << 16;
    } else {
        ULONG v;
        std::memcpy(&v, p, 4);
        return v;
    }
}


// A pen as a pixel of bpp bytes: the index at 1 byte, else the palette
// colour in the screen's format (or the default format of that size).
ULONG PenPixel(int bpp, UWORD pen);

// UpdateRectangle for a caller that holds the screen semaphore.
int UpdateRectangleLocked(LONG x, LONG y, LONG w, LONG h);

// Intersects (x, y, w, h) with (0, 0, W, H); false when nothing is left.
bool ClipRect(LONG W, LONG H, LONG *x, LONG *y, LONG *w, LONG *h);
