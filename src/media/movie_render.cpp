// Drawing a movie's newest planar frame on the game screen at 8, 16 or 32
// bits: the planes become palette indices, above 8 bits screen pixels, in a
// movie-sized surface kept with the movie, which is blitted to the display
// (clipped to it) under the screen semaphore.
#include <cstring>

#include "gfx/palette.h"
#include "gfx/pixfmt.h"
#include "gfx/screen.h"
#include "media/movie_local.h"
#include "platform/memfile.h"
#include "platform/system.h"

namespace {

// Byte k (in memory order) of Spread[b] is bit 7 - k of b: the eight pixels
// of one plane byte, leftmost first.
struct SpreadTable {
    uint64_t v[256];
    SpreadTable()
    {
        for (int b = 0; b < 256; ++b) {
            UBYTE bytes[8];
            for (int k = 0; k < 8; ++k) bytes[k] = (UBYTE)(b >> (7 - k) & 1);
            std::memcpy(&v[b], bytes, 8);
        }
    }
};
const SpreadTable Spread;

bool Masks(int depth, Uint32 *r, Uint32 *g, Uint32 *b)
{
    switch (depth) {
    case 8:
    case 24: *r = 0x0000FF, *g = 0x00FF00, *b = 0xFF0000; return true;
    case 16: *r = 0xF800, *g = 0x07E0, *b = 0x001F; return true;
    case 32: *r = 0xFF0000, *g = 0x00FF00, *b = 0x0000FF; return true;
    default: return false;
    }
}

}  // namespace

void RenderChunky(GrakaRenderStruct *grs)
{
    const int bytes = (VekDisplay.VekScreen_Tiefe + 7) / 8;
    const UWORD format = VekDisplay.VekScreen_ScreenFormat;
    ULONG table[256];
    if (bytes > 1)
        for (int i = 0; i < 256; ++i) table[i] = ChunkyPixel(format, (UBYTE)i);
    const ULONG rowBytes = grs->Width / 8;
    for (ULONG y = 0; y < grs->Height; ++y) {
        UBYTE *dst = grs->BitMapStart + (size_t)y * grs->BytesPerRow;
        for (ULONG c = 0; c < rowBytes; ++c) {
            uint64_t pixels = 0;
            const size_t at = (size_t)y * rowBytes + c;
            for (int p = 0; p < 8; ++p) pixels |= Spread.v[grs->SourceBuffer[p][at]] << p;
            UBYTE idx[8];
            std::memcpy(idx, &pixels, 8);
            if (bytes == 1) {
                std::memcpy(dst, idx, 8);
                dst += 8;
            } else if (bytes == 2) {
                for (int k = 0; k < 8; ++k, dst += 2) {
                    const uint16_t v = (uint16_t)table[idx[k]];
                    std::memcpy(dst, &v, 2);
                }
            } else if (bytes == 4) {
                for (int k = 0; k < 8; ++k, dst += 4) std::memcpy(dst, &table[idx[k]], 4);
            } else {
                for (int k = 0; k < 8; ++k, dst += bytes) StorePixel(dst, bytes, table[idx[k]]);
            }
        }
    }
}

void FreeRenderStruct(GrakaRenderStruct *grs)
{
    if (!grs) return;
    if (grs->Frame) SDL_FreeSurface(grs->Frame);
    FreeVec(grs);
}

void RenderANIM5Direct(ANIM5Handle *h, Screen *, char dBuffer, UWORD posX, UWORD posY)
{
    // No frame while a fade runs or before the screen has faded in; the
    // movie's timing goes on.
    if (Fade || VekDisplay.VekScreen_FadeIn != 1) return;
    const int depth = VekDisplay.VekScreen_Tiefe;
    Uint32 rm, gm, bm;
    if (!Masks(depth, &rm, &gm, &bm)) {
        std::printf("RenderANIM5Direct: %i Bit not supported!\n", depth);
        return;
    }
    if (!h || !h->M || !h->M->GRS_Pointer || !h->PBuffer1 || !h->PBuffer2) {
        std::printf("RenderANIM5Direct: FATALER FEHLER! ANIMATION NICHT VORHANDEN!!!\n");
        return;
    }
    GrakaRenderStruct *grs = h->M->GRS_Pointer;
    SDL_Surface *frame = grs->Frame;
    if (!frame || frame->format->BitsPerPixel != depth || frame->w != h->Width || frame->h != h->Height) {
        if (frame) SDL_FreeSurface(frame);
        frame = grs->Frame = SDL_CreateRGBSurface(SDL_SWSURFACE, h->Width, h->Height, depth, rm, gm, bm, 0);
        if (!frame) {
            std::printf("RenderANIM5Direct: FATALER FEHLER! Konnte Surface nicht erzeugen!!!\n");
            return;
        }
    }
    if (depth == 8) {
        SDL_Color *colours = KavoriaPalette;
        if (currentScreenID == 39 && SDLViewSurface && SDLViewSurface->format->palette)
            colours = SDLViewSurface->format->palette->colors;
        SDL_SetPalette(frame, SDL_LOGPAL, colours, 0, 256);
    }
    const UBYTE *newest = NewestBuffer(h);
    const ULONG planeSize = (ULONG)h->Width * h->Height / 8;
    for (int p = 0; p < 8; ++p) grs->SourceBuffer[p] = const_cast<UBYTE *>(newest) + (size_t)p * planeSize;
    grs->Width = h->Width;
    grs->Height = h->Height;

    SDL_Surface *target = dBuffer ? DBScreen : SDLViewSurface;
    if (!target) return;
    const int locked = ScreenLock();
    SDL_Surface *bob = BobScreen;
    bool bobLocked = false;
    if (bob && SDL_MUSTLOCK(bob))
        for (int tries = 0; tries < 50 && !bobLocked; ++tries) {
            bobLocked = SDL_LockSurface(bob) == 0;
            if (!bobLocked) SDL_Delay(100);
        }
    if (SDL_MUSTLOCK(frame)) SDL_LockSurface(frame);
    grs->BitMapStart = (UBYTE *)frame->pixels;
    grs->BytesPerRow = frame->pitch;
    RenderChunky(grs);
    if (SDL_MUSTLOCK(frame)) SDL_UnlockSurface(frame);
    if (bobLocked) SDL_UnlockSurface(bob);
    LONG x = posX, y = posY;
    if (depth > 8 && !dBuffer) {
        x += (VekDisplay.VekScreen_Breite - 640) / 2;
        y += (VekDisplay.VekScreen_Hoehe - 480) / 2 - 30;
    }
    grs->xPos = (ULONG)x;
    grs->yPos = (ULONG)y;
    SDL_Rect src{0, 0, h->Width, h->Height};
    SDL_Rect dst{(Sint16)x, (Sint16)y, 0, 0};
    const bool blitted = SDL_BlitSurface(frame, &src, target, &dst) == 0;
    if (locked) ScreenUnlock();
    if (!blitted) {
        std::printf("RenderANIM5Direct 1: Blt fehlgeschlagen\n");
        return;
    }
    if (!dBuffer) UpdateRectangle(x, y, h->Width, h->Height);
}
