// Drawing costs at 8, 16 and 32 bits per pixel, each beside the plain SDL
// blit of the same size as its floor: a full 640 x 480 blit, a masked blit
// of a 64 x 56 sprite, and Text of a 60-character line.
// The drawing routines trace to standard output; that goes to /dev/null here.
#include <benchmark/benchmark.h>

#include "benchmain.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

#include "benchfont.h"
#include "gfx/font.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/pixfmt.h"
#include "platform/system.h"

namespace {

int openDepth = 0;

void OpenDisplay(int depth)
{
    if (openDepth == depth) return;
    if (openDepth) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_InitSubSystem(SDL_INIT_VIDEO);
    const int w = depth == 8 ? 640 : 800, h = depth == 8 ? 480 : 600;
    SDLViewSurface = SDL_SetVideoMode(w, h, depth, SDL_HWSURFACE | SDL_HWPALETTE);
    if (!SDLViewSurface) {
        std::fprintf(stderr, "no display: %s\n", SDL_GetError());
        std::exit(1);
    }
    VekDisplay.VekScreen_Breite = (UWORD)w;
    VekDisplay.VekScreen_Hoehe = (UWORD)h;
    VekDisplay.VekScreen_Tiefe = (UWORD)depth;
    VekDisplay.VekScreen_ScreenFormat = depth == 8 ? PIXFMT_CLUT : depth == 16 ? PIXFMT_RGB16 : PIXFMT_ARGB32;
    BobScreen = SDLViewSurface;
    openDepth = depth;
}

void MakePalette()
{
    for (int i = 0; i < 256; i++) KavoriaPalette[i] = {(Uint8)i, (Uint8)(255 - i), (Uint8)(i * 7), 0};
    KavoriaPalette[0] = {0, 0, 0, 0};
}

// A picture at the screen depth whose index pixels follow a pattern with
// about one pixel in three transparent (0).
BitMap *Picture(int depth, ULONG w, ULONG h)
{
    BitMap *bmp = AllocBitMap(w, h, (ULONG)depth, 1, nullptr);
    std::vector<UBYTE> row(w);
    for (ULONG y = 0; y < h; y++) {
        for (ULONG x = 0; x < w; x++) row[x] = (UBYTE)((x + y) % 3 == 0 ? 0 : (x * 7 + y) % 255 + 1);
        UBYTE *dst = (UBYTE *)bmp->Surface->pixels + (size_t)y * bmp->Surface->pitch;
        if (depth == 8)
            std::copy(row.begin(), row.end(), dst);
        else
            ConvertChunky(VekDisplay.VekScreen_ScreenFormat, row.data(), dst, w);
    }
    return bmp;
}

SDL_Surface *SurfaceLike(const BitMap *bmp)
{
    const SDL_PixelFormat *f = bmp->Surface->format;
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, bmp->Surface->w, bmp->Surface->h, f->BitsPerPixel,
                                          f->Rmask, f->Gmask, f->Bmask, 0);
    if (f->palette) SDL_SetPalette(s, SDL_LOGPAL, f->palette->colors, 0, f->palette->ncolors);
    return s;
}

void BM_BltBitMapFull(benchmark::State &state)
{
    const int depth = (int)state.range(0);
    OpenDisplay(depth);
    MakePalette();
    BitMap *src = Picture(depth, 640, 480);
    BitMap *dst = AllocBitMap(640, 480, (ULONG)depth, 1, nullptr);
    for (auto _ : state) BltBitMap(src, 0, 0, dst, 0, 0, 640, 480, 0xC0, 0xFF, nullptr);
    state.SetItemsProcessed(state.iterations() * 640 * 480);
    FreeBitMap(src);
    FreeBitMap(dst);
}

void BM_SdlBlitFull(benchmark::State &state)
{
    const int depth = (int)state.range(0);
    OpenDisplay(depth);
    MakePalette();
    BitMap *src = Picture(depth, 640, 480);
    SDL_Surface *dst = SurfaceLike(src);
    for (auto _ : state) {
        SDL_Rect to = {0, 0, 640, 480};
        SDL_BlitSurface(src->Surface, nullptr, dst, &to);
    }
    state.SetItemsProcessed(state.iterations() * 640 * 480);
    SDL_FreeSurface(dst);
    FreeBitMap(src);
}

void BM_MaskBlitSprite(benchmark::State &state)
{
    const int depth = (int)state.range(0);
    OpenDisplay(depth);
    MakePalette();
    BitMap *sprite = Picture(depth, 64, 56);
    BitMap *dst = AllocBitMap(640, 480, (ULONG)depth, 1, nullptr);
    RastPort rp;
    InitRastPort(&rp);
    rp.BitMap = dst;
    for (auto _ : state) BltMaskBitMapRastPort(sprite, 0, 0, &rp, 100, 100, 64, 56, 0, 0);
    state.SetItemsProcessed(state.iterations() * 64 * 56);
    FreeBitMap(sprite);
    FreeBitMap(dst);
}

void BM_SdlColourKeyBlitSprite(benchmark::State &state)
{
    const int depth = (int)state.range(0);
    OpenDisplay(depth);
    MakePalette();
    BitMap *sprite = Picture(depth, 64, 56);
    SDL_SetColorKey(sprite->Surface, SDL_SRCCOLORKEY | SDL_RLEACCEL, 0);
    BitMap *dst = AllocBitMap(640, 480, (ULONG)depth, 1, nullptr);
    for (auto _ : state) {
        SDL_Rect to = {100, 100, 64, 56};
        SDL_BlitSurface(sprite->Surface, nullptr, dst->Surface, &to);
    }
    state.SetItemsProcessed(state.iterations() * 64 * 56);
    FreeBitMap(sprite);
    FreeBitMap(dst);
}

const char kLine[] = "The quick brown fox jumps over the lazy dog near the castle.";
static_assert(sizeof kLine - 1 == 60);

void BM_Text60(benchmark::State &state)
{
    const int depth = (int)state.range(0);
    OpenDisplay(depth);
    MakePalette();
    TextFont *font = BenchFont();
    BitMap *dst = AllocBitMap(640, 480, (ULONG)depth, 1, nullptr);
    RastPort rp;
    InitRastPort(&rp);
    rp.BitMap = dst;
    SetFont(&rp, font);
    rp.FgPen = 7;
    rp.BgPen = 3;
    Move(&rp, 10, 40);
    for (auto _ : state) Text(&rp, kLine, 60);
    state.SetItemsProcessed(state.iterations() * 60);
    CloseFont(font);
    FreeBitMap(dst);
}

void BM_SdlBlitTextSize(benchmark::State &state)
{
    const int depth = (int)state.range(0);
    OpenDisplay(depth);
    MakePalette();
    BitMap *src = Picture(depth, 480, 12);
    BitMap *dst = AllocBitMap(640, 480, (ULONG)depth, 1, nullptr);
    for (auto _ : state) {
        SDL_Rect to = {10, 31, 480, 12};
        SDL_BlitSurface(src->Surface, nullptr, dst->Surface, &to);
    }
    state.SetItemsProcessed(state.iterations() * 60);
    FreeBitMap(src);
    FreeBitMap(dst);
}

BENCHMARK(BM_BltBitMapFull)->Arg(8)->Arg(16)->Arg(32);
BENCHMARK(BM_SdlBlitFull)->Arg(8)->Arg(16)->Arg(32);
BENCHMARK(BM_MaskBlitSprite)->Arg(8)->Arg(16)->Arg(32);
BENCHMARK(BM_SdlColourKeyBlitSprite)->Arg(8)->Arg(16)->Arg(32);
BENCHMARK(BM_Text60)->Arg(8)->Arg(16)->Arg(32);
BENCHMARK(BM_SdlBlitTextSize)->Arg(8)->Arg(16)->Arg(32);

}  // namespace

int main(int argc, char **argv)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (RunBenchmarksQuietly(argc, argv) != 0) return 1;
    SDL_Quit();
    return 0;
}
