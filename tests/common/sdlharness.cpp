#include "common/sdlharness.h"

#include <cstdlib>

#include "gfx/palette.h"
#include "gfx/pixfmt.h"
#include "platform/system.h"

namespace vektest {

namespace {

std::mutex rectMutex;
std::vector<Rect> rects;

void Record(LONG x, LONG y, LONG w, LONG h)
{
    std::lock_guard<std::mutex> lock(rectMutex);
    rects.push_back({x, y, w, h});
}

SDL_Surface *WorkSurface(int depth)
{
    const Uint32 r = depth == 16 ? 0xF800 : 0xFF0000, g = depth == 16 ? 0x07E0 : 0x00FF00,
                 b = depth == 16 ? 0x001F : 0x0000FF;
    SDL_Surface *raw = SDL_CreateRGBSurface(SDL_SWSURFACE, 640, 480, depth, r, g, b, 0);
    if (!raw) return nullptr;
    SDL_Surface *conv = SDL_DisplayFormat(raw);
    SDL_FreeSurface(raw);
    return conv;
}

}  // namespace

SdlScreen::SdlScreen(int depth, int width, int height) : depth_(depth)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (width == 0) width = depth == 8 ? 640 : 800;
    if (height == 0) height = depth == 8 ? 480 : 600;
    if (SDL_Init(SDL_INIT_VIDEO) < 0) return;
    SDLViewSurface = SDL_SetVideoMode(width, height, depth, SDL_HWSURFACE | SDL_HWPALETTE);
    if (!SDLViewSurface) return;
    if (depth == 8) SDL_SetPalette(SDLViewSurface, SDL_LOGPAL | SDL_PHYSPAL, KavoriaPalette, 0, 256);

    st_Display &d = VekDisplay;
    d.VekScreen_Breite = (UWORD)width;
    d.VekScreen_Hoehe = (UWORD)height;
    d.VekScreen_Tiefe = (UWORD)depth;
    d.VekScreen_ViewMode = depth == 8 ? 1 : 2;
    d.VekScreen_ScreenFormat = depth == 8 ? PIXFMT_CLUT : depth == 16 ? PIXFMT_RGB16 : PIXFMT_ARGB32;
    UserSystem.Display = &VekDisplay;

    if (depth == 8) {
        BobScreen = SDLViewSurface;
    } else {
        PrimaryScreen = SDLViewSurface;
        BobScreen = WorkSurface(depth);
        BobScreen2 = WorkSurface(depth);
        if (!BobScreen || !BobScreen2) return;
    }
    InitSurfaceBitMap(&view_, SDLViewSurface);
    InitSurfaceBitMap(&bob_, BobScreen);
    InitRastPort(&viewRp_);
    viewRp_.BitMap = &view_;
    InitRastPort(&bobRp_);
    bobRp_.BitMap = &bob_;
    oldDisplayRp_ = d.RastPort_;
    d.RastPort_ = &bobRp_;
    bEnableRefreshPrimaryScreen = 1;
    {
        std::lock_guard<std::mutex> lock(rectMutex);
        rects.clear();
    }
    UpdateRectangleRecorder = Record;
    ok_ = true;
}

SdlScreen::~SdlScreen()
{
    UpdateRectangleRecorder = nullptr;
    VekDisplay.RastPort_ = oldDisplayRp_;
    ScreenBitMap = nullptr;
    if (BobScreen && BobScreen != SDLViewSurface) SDL_FreeSurface(BobScreen);
    if (BobScreen2) SDL_FreeSurface(BobScreen2);
    BobScreen = BobScreen2 = PrimaryScreen = SDLViewSurface = nullptr;
    SDL_Quit();
}

std::vector<Rect> SdlScreen::TakeRects()
{
    std::lock_guard<std::mutex> lock(rectMutex);
    std::vector<Rect> out;
    out.swap(rects);
    return out;
}

void SetPaletteEntry(int index, UBYTE r, UBYTE g, UBYTE b)
{
    KavoriaPalette[index].r = r;
    KavoriaPalette[index].g = g;
    KavoriaPalette[index].b = b;
    KavoriaPalette[index].unused = 0;
}

void SetTestPalette()
{
    SetPaletteEntry(0, 0, 0, 0);
    for (int i = 1; i < 256; i++)
        SetPaletteEntry(i, (UBYTE)((i % 32) * 8 + 4), (UBYTE)((i / 32) * 32 + 16), (UBYTE)(255 - i));
}

ULONG PixelAt(SDL_Surface *s, LONG x, LONG y)
{
    if (!s || x < 0 || y < 0 || x >= s->w || y >= s->h) return 0xFFFFFFFFu;
    if (SDL_MUSTLOCK(s)) SDL_LockSurface(s);
    const int bpp = s->format->BytesPerPixel;
    const ULONG v = LoadPixel((const UBYTE *)s->pixels + (size_t)y * s->pitch + (size_t)x * bpp, bpp);
    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
    return v;
}

ULONG PixelAt(BitMap *bmp, LONG x, LONG y)
{
    if (!bmp) return 0xFFFFFFFFu;
    if (bmp->Surface) return PixelAt(bmp->Surface, x, y);
    const int bpp = (int)((bmp->Tiefe + 7) / 8);
    if (x < 0 || y < 0 || x >= (LONG)bmp->Breite || y >= (LONG)bmp->Hoehe) return 0xFFFFFFFFu;
    return LoadPixel(bmp->GfxData + (size_t)y * bmp->BytesPerRow + (size_t)x * bpp, bpp);
}

void FillBitMap(BitMap *bmp, ULONG value)
{
    SDL_Surface *s = bmp->Surface;
    if (SDL_MUSTLOCK(s)) SDL_LockSurface(s);
    const int bpp = s->format->BytesPerPixel;
    for (int y = 0; y < s->h; y++)
        for (int x = 0; x < s->w; x++)
            StorePixel((UBYTE *)s->pixels + (size_t)y * s->pitch + (size_t)x * bpp, bpp, value);
    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
}

std::vector<ULONG> RowOf(BitMap *bmp, LONG x, LONG y, LONG n)
{
    std::vector<ULONG> row;
    for (LONG i = 0; i < n; i++) row.push_back(PixelAt(bmp, x + i, y));
    return row;
}

Rect BoundsOf(BitMap *bmp, ULONG value)
{
    LONG x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    for (LONG y = 0; y < (LONG)bmp->Hoehe; y++)
        for (LONG x = 0; x < (LONG)bmp->Breite; x++)
            if (PixelAt(bmp, x, y) == value) {
                if (x < x0) x0 = x;
                if (y < y0) y0 = y;
                if (x > x1) x1 = x;
                if (y > y1) y1 = y;
            }
    if (x1 < 0) return {0, 0, 0, 0};
    return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

long CountOther(BitMap *bmp, ULONG value)
{
    long n = 0;
    for (LONG y = 0; y < (LONG)bmp->Hoehe; y++)
        for (LONG x = 0; x < (LONG)bmp->Breite; x++)
            if (PixelAt(bmp, x, y) != value) n++;
    return n;
}

}  // namespace vektest
