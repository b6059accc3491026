// BitMaps and their surfaces, RastPort pens and positions, lines, fills and
// single pixels, and the rule that presents changed rectangles.
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "gfx/gfx_local.h"
#include "gfx/palette.h"
#include "gfx/pixfmt.h"
#include "gfx/screen.h"
#include "platform/system.h"

BOOL bEnableRefreshPrimaryScreen = 1;
BitMap *ScreenBitMap = nullptr;

namespace {

struct Masks {
    Uint32 r, g, b;
};

bool MasksForDepth(ULONG depth, Masks *m)
{
    switch (depth) {
    case 8: *m = {0x000000FF, 0x0000FF00, 0x00FF0000}; return true;
    case 16: *m = {0xF800, 0x07E0, 0x001F}; return true;
    case 24: *m = {0x000000FF, 0x0000FF00, 0x00FF0000}; return true;
    case 32: *m = {0x00FF0000, 0x0000FF00, 0x000000FF}; return true;
    default: return false;
    }
}

// Largest side of a BitMap: SDL rectangles hold 16-bit coordinates.
constexpr ULONG kMaxSide = 32767;

[[noreturn]] void FatalSdl(const char *what)
{
    char text[300];
    std::snprintf(text, sizeof text, "%s: %s", what, SDL_GetError());
    Error("%s", text);
}

}  // namespace

bool ClipRect(LONG W, LONG H, LONG *x, LONG *y, LONG *w, LONG *h)
{
    long long x0 = *x, y0 = *y, x1 = x0 + *w, y1 = y0 + *h;
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    if (x1 > W) x1 = W;
    if (y1 > H) y1 = H;
    if (x1 <= x0 || y1 <= y0) return false;
    *x = (LONG)x0;
    *y = (LONG)y0;
    *w = (LONG)(x1 - x0);
    *h = (LONG)(y1 - y0);
    return true;
}

bool LockBits(BitMap *bmp, PixelAccess *pa, bool *lockFailed)
{
    *pa = PixelAccess{};
    if (lockFailed) *lockFailed = false;
    if (!bmp) return false;
    if (SDL_Surface *s = bmp->Surface) {
        if (SDL_MUSTLOCK(s)) {
            if (SDL_LockSurface(s) < 0) {
                if (lockFailed) *lockFailed = true;
                return false;
            }
            pa->locked = s;
        }
        if (!s->pixels) {
            UnlockBits(pa);
            return false;
        }
        bmp->GfxData = (UBYTE *)s->pixels;
        pa->pixels = (UBYTE *)s->pixels;
        pa->pitch = s->pitch;
        pa->bpp = s->format->BytesPerPixel;
        pa->w = s->w;
        pa->h = s->h;
        return true;
    }
    // A BitMap with its own buffer: trust its fields only when they fit GfxSize.
    const int bpp = (int)((bmp->Tiefe + 7) / 8);
    if (!bmp->GfxData || bpp < 1 || bpp > 4 || bmp->Breite == 0 || bmp->Hoehe == 0) return false;
    const unsigned long long row = (unsigned long long)bmp->Breite * bpp;
    const unsigned long long need = (unsigned long long)bmp->BytesPerRow * (bmp->Hoehe - 1) + row;
    if (bmp->BytesPerRow < row || need > bmp->GfxSize || bmp->Breite > kMaxSide || bmp->Hoehe > kMaxSide)
        return false;
    pa->pixels = bmp->GfxData;
    pa->pitch = (LONG)bmp->BytesPerRow;
    pa->bpp = bpp;
    pa->w = (LONG)bmp->Breite;
    pa->h = (LONG)bmp->Hoehe;
    return true;
}

void UnlockBits(PixelAccess *pa)
{
    if (pa->locked) SDL_UnlockSurface(pa->locked);
    pa->locked = nullptr;
}

RastPort *DisplayRastPort()
{
    return UserSystem.Display ? UserSystem.Display->RastPort_ : VekDisplay.RastPort_;
}

ULONG PenPixel(int bpp, UWORD pen)
{
    const UBYTE index = (UBYTE)pen;
    if (bpp == 1) return index;
    return ChunkyPixel(PixelFormatForDepth(bpp * 8), index);
}

namespace {

void Present(const BitMap *bmp, LONG x, LONG y, LONG w, LONG h, bool held)
{
    if (!bmp || !bmp->Surface || !SDLViewSurface) return;
    SDL_Surface *s = bmp->Surface;
    if (!ClipRect(s->w, s->h, &x, &y, &w, &h)) return;
    if (s == SDLViewSurface) {
        if (held)
            UpdateRectangleLocked(x, y, w, h);
        else
            UpdateRectangle(x, y, w, h);
        return;
    }
    if (s != BobScreen || VekDisplay.VekScreen_Tiefe <= 8) return;
    // The 640 x 480 game area sits centred, 30 rows above the middle.
    const LONG ox = ((LONG)VekDisplay.VekScreen_Breite - 640) / 2;
    const LONG oy = ((LONG)VekDisplay.VekScreen_Hoehe - 480) / 2 - 30;
    SDL_Rect from = {(Sint16)x, (Sint16)y, (Uint16)w, (Uint16)h};
    SDL_Rect to = {(Sint16)(x + ox), (Sint16)(y + oy), 0, 0};
    // The copy onto the view and its update go together under the screen semaphore.
    const int locked = held ? 0 : ScreenLock();
    if (SDL_BlitSurface(BobScreen, &from, SDLViewSurface, &to) < 0)
        std::printf("PresentRect: Blit auf den Bildschirm fehlgeschlagen: %s\n", SDL_GetError());
    else if (to.w && to.h)
        UpdateRectangleLocked(to.x, to.y, to.w, to.h);
    if (locked) ScreenUnlock();
}

}  // namespace

void PresentRect(const BitMap *bmp, LONG x, LONG y, LONG w, LONG h) { Present(bmp, x, y, w, h, false); }

void PresentRectHeld(const BitMap *bmp, LONG x, LONG y, LONG w, LONG h) { Present(bmp, x, y, w, h, true); }

BitMap *AllocBitMap(ULONG w, ULONG h, ULONG depth, ULONG flags, const BitMap *friendBm)
{
    std::printf("AllocBitMap: %ix%ix%i\n", (int)w, (int)h, (int)depth);
    if (friendBm) {
        depth = friendBm->Tiefe;
        flags = friendBm->Flags;
    }
    BitMap *bmp = (BitMap *)AllocVec(sizeof(BitMap), MEMF_PUBLIC | MEMF_CLEAR);
    if (!bmp) {
        std::printf("AllocBitMap: Kein Speicher mehr vorhanden!");
        return nullptr;
    }
    Masks m;
    if (!MasksForDepth(depth, &m)) {
        std::printf("AllocBitMap: %i Bit not supported!\n", (int)depth);
        FreeVec(bmp);
        return nullptr;
    }
    if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide) {
        std::printf("AllocBitMap: Ungueltige Groesse %ux%u!\n", w, h);
        FreeVec(bmp);
        return nullptr;
    }
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, (int)w, (int)h, (int)depth, m.r, m.g, m.b, 0);
    if (!s) FatalSdl("AllocBitMap memory problem 2");

    bmp->Tiefe = depth;
    bmp->Breite = w;
    bmp->Hoehe = h;
    bmp->Flags = flags;
    bmp->GfxSize = w * h * (depth / 8);
    bmp->BytesPerRow = (ULONG)s->pitch;
    bmp->Modulo = bmp->BytesPerRow - w * (depth / 8);
    bmp->Surface = s;
    std::printf("GFXSize = %ix%ix%i\n", (int)w, (int)h, (int)depth);
    std::printf("GFXSize = %i\n", (int)bmp->GfxSize);
    std::printf("BPR = %i\n", (int)bmp->BytesPerRow);
    std::printf("Modulo = %i\n", (int)bmp->Modulo);

    if (depth == 8) SDL_SetPalette(s, SDL_LOGPAL, KavoriaPalette, 0, 256);

    PixelAccess pa;
    bool lockFailed = false;
    if (!LockBits(bmp, &pa, &lockFailed)) {
        std::printf("AllocBitMap lock failure!\n");
        Error("AllocBitMap lock failure");
    }
    UnlockBits(&pa);
    return bmp;
}

BitMap *AllocKavorBitMap(ULONG w, ULONG h, ULONG depth, ULONG flags, const BitMap *friendBm, ULONG)
{
    BitMap *bmp = AllocBitMap(w, h, depth, flags, friendBm);
    if (!bmp) std::printf("AllocKavorGfx: Konnte Bitmap nicht allokieren...\n");
    return bmp;
}

void FreeBitMap(BitMap *bmp)
{
    if (!bmp) return;
    if (bmp->Surface)
        SDL_FreeSurface(bmp->Surface);
    else
        FreeVec(bmp->GfxData);
    FreeVec(bmp->PalData);
    FreeVec(bmp);
}

void FreeKavorBitMap(BitMap *bmp) { FreeBitMap(bmp); }

void InitSurfaceBitMap(BitMap *bmp, SDL_Surface *s)
{
    if (!bmp) return;
    *bmp = BitMap{};
    if (!s) return;
    const ULONG bpp = s->format->BytesPerPixel;
    bmp->Surface = s;
    bmp->Breite = (ULONG)s->w;
    bmp->Hoehe = (ULONG)s->h;
    bmp->Tiefe = s->format->BitsPerPixel;
    bmp->BytesPerRow = (ULONG)s->pitch;
    bmp->Modulo = bmp->BytesPerRow - bmp->Breite * bpp;
    bmp->GfxSize = bmp->Breite * bmp->Hoehe * bpp;
    bmp->GfxData = (UBYTE *)s->pixels;
}

ULONG GetKavorGfxAttr(const BitMap *bmp, ULONG which)
{
    if (!bmp) return 0;
    switch (which) {
    case 1: return bmp->Breite;
    case 2: return bmp->Hoehe;
    case 3: return bmp->Tiefe;
    case 4: return bmp->BytesPerRow;
    case 5: return bmp->Modulo;
    case 6:
        std::printf("GetKavorGfxAttr: Die Adresse passt nicht in 32 Bit, GetKavorGfxData benutzen!\n");
        return 0;
    case 7: return bmp->GfxSize;
    case 8:
        switch (bmp->Tiefe) {
        case 8: return 1;
        case 16: return 2;
        case 24: return 3;
        case 32: return 4;
        default: return 0;
        }
    default: return 0;
    }
}

UBYTE *GetKavorGfxData(BitMap *bmp)
{
    if (!bmp) return nullptr;
    if (!bmp->Surface) return bmp->GfxData;
    SDL_Surface *s = bmp->Surface;
    if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) < 0) {
        std::printf("GetKavorGfxAttr lock failure!\n");
        return nullptr;
    }
    bmp->GfxData = (UBYTE *)s->pixels;
    return bmp->GfxData;
}

void FreeKavorGfxLock(BitMap *bmp)
{
    if (bmp && bmp->Surface && SDL_MUSTLOCK(bmp->Surface)) SDL_UnlockSurface(bmp->Surface);
}

void InitRastPort(RastPort *rp)
{
    if (!rp) {
        std::printf("InitRastPort:Der Uebergebene RastPort war nicht VALID!");
        return;
    }
    rp->FgPen = 1;
    rp->BgPen = 0;
    rp->cp_x = rp->cp_y = 0;
    rp->DrawMode = JAM2;
    rp->TxHeight = 0;
    rp->Font = nullptr;
    rp->BitMap = nullptr;
}

void SetAPen(RastPort *rp, ULONG pen)
{
    std::printf("Routine: SetAPen\n");
    if (!rp) {
        std::printf("SetAPen:Der uebergebene RastPort ist nicht valid!");
        return;
    }
    rp->FgPen = (UWORD)(pen & 0xFF);
}

void SetBPen(RastPort *rp, ULONG pen)
{
    if (!rp) {
        std::printf("SetBPen:Der uebergebene RastPort ist nicht valid!");
        return;
    }
    rp->BgPen = (UWORD)(pen & 0xFF);
}

ULONG GetAPen(const RastPort *rp)
{
    if (!rp) {
        std::printf("GetAPen:Der uebergebene RastPort ist nicht valid!");
        return 0;
    }
    return rp->FgPen;
}

void SetDrMd(RastPort *rp, ULONG mode)
{
    if (!rp) {
        std::printf("SetDrMd:Der angegebene RastPort ist nicht Valid!");
        return;
    }
    rp->DrawMode = (UBYTE)mode;
}

void SetABPenDrMd(RastPort *rp, ULONG apen, ULONG, ULONG mode)
{
    if (!rp) {
        std::printf("SetDrMd:Der angegebene RastPort ist nicht Valid!");
        return;
    }
    rp->FgPen = (UWORD)(apen & 0xFF);
    rp->DrawMode = (UBYTE)mode;
}

void Move(RastPort *rp, LONG x, LONG y)
{
    std::printf("Routine: Move\n");
    if (!rp) {
        std::printf("Move: Der uebergebene RastPort ist nicht valid!");
        return;
    }
    if (x < 0) std::printf("Warnung! X-Wert gr\366\337er 65536!\n");
    if (y < 0) std::printf("Warnung! Y-Wert gr\366\337er 65536!\n");
    rp->cp_x = (UWORD)x;
    rp->cp_y = (UWORD)y;
}

void Draw(RastPort *rp, LONG x, LONG y)
{
    std::printf("Routine: Draw\n");
    if (!rp) rp = DisplayRastPort();
    if (!rp) {
        std::printf("Draw: Kein RastPort vorhanden!\n");
        return;
    }
    PixelAccess pa;
    if (!LockBits(rp->BitMap, &pa)) {
        std::printf("RectFill: Konnte Speicher des Ziel-Surfaces nicht ermitteln!\n");
        return;
    }
    // Positions are 16-bit values; read as signed so a line may start off the left or top.
    x = (WORD)x;
    y = (WORD)y;
    const LONG x0 = (WORD)rp->cp_x, y0 = (WORD)rp->cp_y;
    const LONG dx = x - x0, dy = y - y0;
    std::printf("Routine: Bresenham (%d %d)\n", (int)dx, (int)dy);
    const LONG sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    const LONG a = dx < 0 ? -dx : dx, b = dy < 0 ? -dy : dy;
    const ULONG value = PenPixel(pa.bpp, rp->FgPen);
    LONG px = x0, py = y0, error = 0;
    auto plot = [&](LONG qx, LONG qy) {
        if (qx >= 0 && qy >= 0 && qx < pa.w && qy < pa.h) StorePixel(PixelAt(pa, qx, qy), pa.bpp, value);
    };
    if (a < b) {
        for (LONG i = 0; i <= b; i++) {
            plot(px, py);
            error += 2 * a;
            py += sy;
            if (error > b) {
                px += sx;
                error -= 2 * b;
            }
        }
    } else {
        for (LONG i = 0; i <= a; i++) {
            plot(px, py);
            error += 2 * b;
            px += sx;
            if (error > a) {
                py += sy;
                error -= 2 * a;
            }
        }
    }
    Move(rp, x, y);
    UnlockBits(&pa);
    PresentRect(rp->BitMap, x0 < x ? x0 : x, y0 < y ? y0 : y, a + 1, b + 1);
}

void PolyDraw(RastPort *rp, LONG count, const WORD *points)
{
    if (!points) return;
    for (LONG i = 0; i < count; i++) Draw(rp, points[2 * i], points[2 * i + 1]);
}

void RectFill(RastPort *rp, LONG x0, LONG y0, LONG x1, LONG y1)
{
    std::printf("Routine: RectFill\n");
    if (!rp) {
        std::printf("RectFill:Der uebergebene RastPort ist nicht Valid!");
        return;
    }
    BitMap *bmp = rp->BitMap;
    if (!bmp) {
        std::printf("RectFill: Der RastPort hat keine BitMap!\n");
        return;
    }
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    LONG x = x0, y = y0, w = x1 - x0 + 1, h = y1 - y0 + 1;
    const UBYTE pen = (UBYTE)rp->FgPen;

    if (SDL_Surface *s = bmp->Surface) {
        if (!ClipRect(s->w, s->h, &x, &y, &w, &h)) return;
        Uint32 colour = 0;
        if (s->format->BitsPerPixel == 8)
            colour = pen;
        else if (s->format->BitsPerPixel >= 16)
            colour = SDL_MapRGB(s->format, KavoriaPalette[pen].r, KavoriaPalette[pen].g, KavoriaPalette[pen].b);
        SDL_Rect r = {(Sint16)x, (Sint16)y, (Uint16)w, (Uint16)h};
        if (SDL_FillRect(s, &r, colour) == 0) {
            PresentRect(bmp, x, y, w, h);
            return;
        }
        std::printf("RectFill: Blt fehlgeschlagen\n");
    }
    PixelAccess pa;
    if (!LockBits(bmp, &pa)) {
        std::printf("RectFill: Konnte Speicher der BitMap nicht ermitteln!\n");
        return;
    }
    if (ClipRect(pa.w, pa.h, &x, &y, &w, &h)) {
        const ULONG value = PenPixel(pa.bpp, pen);
        for (LONG row = 0; row < h; row++) {
            UBYTE *p = PixelAt(pa, x, y + row);
            for (LONG col = 0; col < w; col++, p += pa.bpp) StorePixel(p, pa.bpp, value);
        }
    }
    UnlockBits(&pa);
    PresentRect(bmp, x, y, w, h);
}

LONG WritePixel(RastPort *rp, LONG x, LONG y)
{
    if (!rp || !rp->BitMap) {
        std::printf("WritePixel: Der \374bergebene RastPort war nicht valid.\n");
        return 0;
    }
    SDL_Surface *s = rp->BitMap->Surface;
    if (!s) {
        std::printf("WritePixel: n/a GfxData\n");
        return 0;
    }
    if (x < 0 || y < 0 || x >= s->w || y >= s->h) return 0;
    PixelAccess pa;
    bool lockFailed = false;
    if (!LockBits(rp->BitMap, &pa, &lockFailed)) {
        if (lockFailed) FatalSdl("WritePixel");
        return 0;
    }
    const UBYTE pen = (UBYTE)rp->FgPen;
    const ULONG value = pa.bpp == 1 ? pen
                                    : SDL_MapRGB(s->format, KavoriaPalette[pen].r, KavoriaPalette[pen].g,
                                                 KavoriaPalette[pen].b);
    StorePixel(PixelAt(pa, x, y), pa.bpp, value);
    UnlockBits(&pa);
    return 1;
}

ULONG ReadPixel(RastPort *rp, LONG x, LONG y)
{
    if (!rp || !rp->BitMap) {
        std::printf("ReadPixel: Fehlerhafte Paramter\374bergabe.\n");
        return 0;
    }
    const ULONG depth = rp->BitMap->Tiefe;
    if (depth != 8 && depth != 15 && depth != 16 && depth != 24 && depth != 32) {
        std::printf("ReadPixel: Die UserSystem Struktur enth\344lt fehlerhaft Daten.\n");
        return 0;
    }
    PixelAccess pa;
    bool lockFailed = false;
    if (!LockBits(rp->BitMap, &pa, &lockFailed)) {
        if (lockFailed) {
            std::printf("ReadPixel error: %s\n", SDL_GetError());
            FatalSdl("ReadPixel");
        }
        return 0;
    }
    ULONG value = 0;
    if (x >= 0 && y >= 0 && x < pa.w && y < pa.h && pa.bpp == (int)((depth + 7) / 8)) {
        const UBYTE *p = PixelAt(pa, x, y);
        value = depth == 24 ? (ULONG)p[0] << 16 | (ULONG)p[1] << 8 | p[2] : LoadPixel(p, pa.bpp);
    }
    UnlockBits(&pa);
    return value;
}

void WaitBlit() {}

void WaitBOVP(const void *) { SDL_Delay(5); }
