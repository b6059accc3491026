// Copies between BitMaps: plain and masked blits. 8-bit pixels are palette
// indices and are copied byte for byte: SDL would remap them by colour when
// the two surfaces carry different palettes (after a fade to black, say).
#include <cstdio>
#include <cstring>

#include "gfx/gfx_local.h"
#include "gfx/pixfmt.h"
#include "platform/system.h"

namespace {

struct BlitRect {
    LONG sx, sy, dx, dy, w, h;
};

void Dimensions(const BitMap *bmp, LONG *w, LONG *h)
{
    if (bmp->Surface) {
        *w = bmp->Surface->w;
        *h = bmp->Surface->h;
    } else {
        *w = (LONG)bmp->Breite;
        *h = (LONG)bmp->Hoehe;
    }
}

// Clips a blit on all four sides of both BitMaps; false when nothing is left.
bool ClipBlitRect(const BitMap *src, const BitMap *dst, BlitRect *r)
{
    LONG sw, sh, dw, dh;
    Dimensions(src, &sw, &sh);
    Dimensions(dst, &dw, &dh);
    long long sx = r->sx, sy = r->sy, dx = r->dx, dy = r->dy, w = r->w, h = r->h;
    if (sx < 0) { dx -= sx; w += sx; sx = 0; }
    if (sy < 0) { dy -= sy; h += sy; sy = 0; }
    if (dx < 0) { sx -= dx; w += dx; dx = 0; }
    if (dy < 0) { sy -= dy; h += dy; dy = 0; }
    if (w > sw - sx) w = sw - sx;
    if (h > sh - sy) h = sh - sy;
    if (w > dw - dx) w = dw - dx;
    if (h > dh - dy) h = dh - dy;
    if (w <= 0 || h <= 0) return false;
    *r = {(LONG)sx, (LONG)sy, (LONG)dx, (LONG)dy, (LONG)w, (LONG)h};
    return true;
}

bool BothEightBit(const BitMap *a, const BitMap *b)
{
    auto bytes = [](const BitMap *m) {
        return m->Surface ? (int)m->Surface->format->BytesPerPixel : (int)((m->Tiefe + 7) / 8);
    };
    return bytes(a) == 1 && bytes(b) == 1;
}

template <int B>
void CopyKeyedRow(const UBYTE *sp, UBYTE *dp, LONG w, ULONG key, bool leftward)
{
    if (leftward) {
        for (LONG col = w - 1; col >= 0; col--) {
            const ULONG v = GetPixel<B>(sp + (size_t)col * B);
            if (v != key) PutPixel<B>(dp + (size_t)col * B, v);
        }
        return;
    }
    for (LONG col = 0; col < w; col++, sp += B, dp += B) {
        const ULONG v = GetPixel<B>(sp);
        if (v != key) PutPixel<B>(dp, v);
    }
}

// Copies r between two locked pixel memories of the same pixel size; with
// keyed set, source pixels equal to key are skipped. Overlapping rectangles
// of the same memory are copied in the order that reads before it writes.
void CopyPixels(const PixelAccess &s, const PixelAccess &d, const BlitRect &r, bool keyed, ULONG key)
{
    const bool same = s.pixels == d.pixels;
    const bool upward = same && r.dy > r.sy;
    const bool leftward = same && r.dy == r.sy && r.dx > r.sx;
    const size_t rowBytes = (size_t)r.w * d.bpp;
    for (LONG i = 0; i < r.h; i++) {
        const LONG row = upward ? r.h - 1 - i : i;
        const UBYTE *sp = PixelAt(s, r.sx, r.sy + row);
        UBYTE *dp = PixelAt(d, r.dx, r.dy + row);
        if (!keyed) {
            std::memmove(dp, sp, rowBytes);
            continue;
        }
        switch (d.bpp) {
        case 1: CopyKeyedRow<1>(sp, dp, r.w, key, leftward); break;
        case 2: CopyKeyedRow<2>(sp, dp, r.w, key, leftward); break;
        case 3: CopyKeyedRow<3>(sp, dp, r.w, key, leftward); break;
        default: CopyKeyedRow<4>(sp, dp, r.w, key, leftward); break;
        }
    }
}

bool SourceKey(const BitMap *src, ULONG *key)
{
    if (!src->Surface || !(src->Surface->flags & SDL_SRCCOLORKEY)) return false;
    *key = src->Surface->format->colorkey;
    return true;
}

// Replaces the surface of bmp by conv and makes the record describe it.
void ReplaceSurface(BitMap *bmp, SDL_Surface *conv)
{
    SDL_FreeSurface(bmp->Surface);
    const ULONG bpp = conv->format->BytesPerPixel;
    bmp->Surface = conv;
    bmp->Tiefe = conv->format->BitsPerPixel;
    bmp->BytesPerRow = (ULONG)conv->pitch;
    bmp->Modulo = bmp->BytesPerRow - bmp->Breite * bpp;
    bmp->GfxSize = bmp->Breite * bmp->Hoehe * bpp;
    bmp->GfxData = (UBYTE *)conv->pixels;
}

}  // namespace

LONG BltBitMap(BitMap *src, LONG sx, LONG sy, BitMap *dst, LONG dx, LONG dy, LONG w, LONG h, ULONG, ULONG, APTR)
{
    std::printf("Routine: BltBitMap\n");
    if (!src) {
        std::printf("BltBitMap: SrcBitMap nicht gesetzt!\n");
        return 0;
    }
    if (!dst) {
        std::printf("BltBitMap: DestBitMap nicht gesetzt!\n");
        dst = ScreenBitMap;
        if (!dst) {
            std::printf("BltBitMap: DestBitMap konnte nicht ermittelt werden!\n");
            return 0;
        }
    }
    BlitRect r = {sx, sy, dx, dy, w, h};
    if (!ClipBlitRect(src, dst, &r)) return 1;

    bool copied = false;
    if (src->Surface && dst->Surface && !BothEightBit(src, dst)) {
        SDL_Rect from = {(Sint16)r.sx, (Sint16)r.sy, (Uint16)r.w, (Uint16)r.h};
        SDL_Rect to = {(Sint16)r.dx, (Sint16)r.dy, (Uint16)r.w, (Uint16)r.h};
        if (SDL_BlitSurface(src->Surface, &from, dst->Surface, &to) == 0) {
            copied = true;
        } else {
            std::printf("BltBitMap: BltFast fehlgeschlagen mit Meldung %s\n", SDL_GetError());
            std::printf("RectS %ux%u %ux%u\n", (unsigned)r.sx, (unsigned)r.sy, (unsigned)r.w, (unsigned)r.h);
            std::printf("RectD %ux%u %ux%u\n", (unsigned)r.dx, (unsigned)r.dy, (unsigned)r.w, (unsigned)r.h);
        }
    }
    if (!copied) {
        PixelAccess d, s;
        if (!LockBits(dst, &d)) {
            std::printf("BltBitMap: Konnte Speicher des Ziel-Surfaces nicht ermitteln!\n");
            return 0;
        }
        if (!LockBits(src, &s)) {
            UnlockBits(&d);
            std::printf("BltBitMap: Konnte Speicher des Bob-Surfaces nicht ermitteln!\n");
            return 0;
        }
        const bool sameSize = s.bpp == d.bpp;
        ULONG key = 0;
        const bool keyed = SourceKey(src, &key);
        if (sameSize) CopyPixels(s, d, r, keyed, key);
        UnlockBits(&s);
        UnlockBits(&d);
        if (!sameSize) {
            std::printf("BltBitMap: Quelle (%i Bytes) und Ziel (%i Bytes pro Pixel) passen nicht!\n", s.bpp, d.bpp);
            return 0;
        }
    }
    if (dst->Surface != SDLViewSurface || bEnableRefreshPrimaryScreen) PresentRect(dst, r.dx, r.dy, r.w, r.h);
    return 1;
}

LONG BltBitMapRastPort(BitMap *src, LONG sx, LONG sy, RastPort *rp, LONG dx, LONG dy, LONG w, LONG h,
                       ULONG minterm)
{
    if (!rp) rp = DisplayRastPort();
    return BltBitMap(src, sx, sy, rp ? rp->BitMap : nullptr, dx, dy, w, h, minterm, 0xFF, nullptr);
}

LONG ClipBlit(RastPort *srp, LONG sx, LONG sy, RastPort *drp, LONG dx, LONG dy, LONG w, LONG h, ULONG minterm)
{
    std::printf("Routine: ClipBlit\n");
    if (!srp || !drp) return 0;
    return BltBitMap(srp->BitMap, sx, sy, drp->BitMap, dx, dy, w, h, minterm, 0xFF, nullptr);
}

LONG BltMaskBitMapRastPort(BitMap *src, LONG sx, LONG sy, RastPort *rp, LONG dx, LONG dy, LONG w, LONG h,
                           ULONG minterm, ULONG key)
{
    std::printf("Routine: BltMaskBitMapRastPort\n");
    if (!src) {
        std::printf("BltMaskBitMapRastPort: SrcBitMap nicht gesetzt!\n");
        return 0;
    }
    if (!rp) {
        std::printf("BltMaskBitMapRastPort: DestRastPort nicht gesetzt!\n");
        return 0;
    }
    BitMap *dst = rp->BitMap;
    if (!dst) {
        std::printf("BltMaskBitMapRastPort: DestRastPort->BitMap nicht gesetzt!\n");
        return 0;
    }
    BlitRect r = {sx, sy, dx, dy, w, h};
    if (!ClipBlitRect(src, dst, &r)) return 1;

    const bool eightBit = BothEightBit(src, dst);
    bool keyed = false;
    ULONG pixelKey = 0;
    bool drawn = false;
    if (minterm == 0 && src->Surface && dst->Surface) {
        if (!src->ColorKeyOk) {
            if (eightBit) {
                // Keyed in place: a display-format copy would remap the indices.
                SDL_SetColorKey(src->Surface, SDL_SRCCOLORKEY, key & 0xFF);
            } else {
                SDL_SetColorKey(src->Surface, SDL_SRCCOLORKEY | SDL_RLEACCEL, key);
                if (SDL_Surface *conv = SDL_DisplayFormat(src->Surface)) ReplaceSurface(src, conv);
            }
            src->ColorKeyOk = 1;
        }
        if (eightBit) {
            keyed = SourceKey(src, &pixelKey);
        } else {
            SDL_Rect from = {(Sint16)r.sx, (Sint16)r.sy, (Uint16)r.w, (Uint16)r.h};
            SDL_Rect to = {(Sint16)r.dx, (Sint16)r.dy, (Uint16)r.w, (Uint16)r.h};
            if (SDL_BlitSurface(src->Surface, &from, dst->Surface, &to) == 0)
                drawn = true;
            else
                std::printf("BltMaskBitMapRastPort: Blt fehlgeschlagen\n");
        }
    }
    if (!drawn) {
        PixelAccess d, s;
        if (!LockBits(dst, &d)) {
            std::printf("BltMaskBitMapRastPort: Konnte Speicher des Ziel-Surfaces nicht ermitteln!\n");
            return 0;
        }
        if (!LockBits(src, &s)) {
            UnlockBits(&d);
            std::printf("BltMaskBitMapRastPort: Konnte Speicher des Bob-Surfaces nicht ermitteln!\n");
            return 0;
        }
        if (!keyed) {
            keyed = true;
            pixelKey = d.bpp == 1 ? (key & 0xFF) : ChunkyPixel(PixelFormatForDepth(d.bpp * 8), (UBYTE)key);
        }
        const bool sameSize = s.bpp == d.bpp;
        if (sameSize) CopyPixels(s, d, r, keyed, pixelKey);
        UnlockBits(&s);
        UnlockBits(&d);
        if (!sameSize) {
            std::printf("BltMaskBitMapRastPort: Quelle (%i Bytes) und Ziel (%i Bytes pro Pixel) passen nicht!\n",
                        s.bpp, d.bpp);
            return 0;
        }
    }
    PresentRect(dst, r.dx, r.dy, r.w, r.h);
    return 1;
}
