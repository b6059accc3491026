// Costs of the list requester at 8, 16 and 32 bits per pixel: making a list
// of 1,000 lines (drawn once), one scroll step (slider command and the copy
// of one window), moving the highlight, and rebuilding a list of 200 lines.
// The drawing routines trace to standard output; that goes to /dev/null here.
#include <benchmark/benchmark.h>

#include "benchmain.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <unistd.h>
#include <vector>

#include "benchfont.h"
#include "gfx/font.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/pixfmt.h"
#include "ui/requester.h"
#include "platform/system.h"

namespace {

int openDepth = 0;
BitMap displayBitMap;
RastPort displayPort;

// The display with its port drawing on it, as the screens have it.
void OpenDisplay(int depth)
{
    if (openDepth == depth) return;
    if (openDepth) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_InitSubSystem(SDL_INIT_VIDEO);
    SDLViewSurface = SDL_SetVideoMode(640, 480, depth, SDL_HWSURFACE | SDL_HWPALETTE);
    if (!SDLViewSurface) {
        std::fprintf(stderr, "no display: %s\n", SDL_GetError());
        std::exit(1);
    }
    VekDisplay.VekScreen_Breite = 640;
    VekDisplay.VekScreen_Hoehe = 480;
    VekDisplay.VekScreen_Tiefe = (UWORD)depth;
    VekDisplay.VekScreen_ScreenFormat = depth == 8 ? PIXFMT_CLUT : depth == 16 ? PIXFMT_RGB16 : PIXFMT_ARGB32;
    BobScreen = SDLViewSurface;
    InitSurfaceBitMap(&displayBitMap, SDLViewSurface);
    InitRastPort(&displayPort);
    displayPort.BitMap = &displayBitMap;
    VekDisplay.RastPort_ = &displayPort;
    UserSystem.Display = &VekDisplay;
    for (int i = 0; i < 256; i++) KavoriaPalette[i] = {(Uint8)i, (Uint8)(255 - i), (Uint8)(i * 7), 0};
    openDepth = depth;
}

// n lines of 32 characters in 80-byte slots.
std::vector<char> Lines(int n)
{
    std::vector<char> b((size_t)n * REQ_LINE_SIZE, 0);
    for (int i = 0; i < n; i++)
        std::snprintf(&b[(size_t)i * REQ_LINE_SIZE], REQ_LINE_SIZE, "Player %5d of the western realm", i);
    return b;
}

void BM_MakeList1000(benchmark::State &state)
{
    OpenDisplay((int)state.range(0));
    TextFont *font = BenchFont();
    const std::vector<char> lines = Lines(1000);
    for (auto _ : state) {
        VekRequester *req = InitRequesterBox(256, 1000, font, lines.data(), 17, 32, 255, 283, 6, 7);
        benchmark::DoNotOptimize(req);
        ClearRequester(req);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
    CloseFont(font);
}

void BM_ScrollStep(benchmark::State &state)
{
    OpenDisplay((int)state.range(0));
    TextFont *font = BenchFont();
    const std::vector<char> lines = Lines(1000);
    VekRequester *req = InitRequesterBox(256, 1000, font, lines.data(), 17, 32, 255, 283, 6, 7);
    InitSlider(req, 14, 249, 26, 22, 25, 24, 289, 43);
    bool down = true;
    for (auto _ : state) {
        if (req->ReqProzent == 100) down = false;
        if (req->ReqProzent == 0) down = true;
        SetSlider(req, down ? SLIDER_DOWN10 : SLIDER_UP10);
        SetRequesterBox(req, 0, 0);
    }
    ClearRequester(req);
    CloseFont(font);
}

void BM_HighlightMove(benchmark::State &state)
{
    OpenDisplay((int)state.range(0));
    TextFont *font = BenchFont();
    SetFont(&displayPort, font);
    const std::vector<char> lines = Lines(100);
    VekRequester *req = InitRequesterBox(256, 100, font, lines.data(), 17, 32, 255, 283, 6, 7);
    UWORD line = 0;
    for (auto _ : state) {
        SetStringHighLite(req, 1, line, 7, 21);
        line = (UWORD)((line + 1) % 20);
    }
    ClearRequester(req);
    displayPort.Font = nullptr;
    CloseFont(font);
}

void BM_Rebuild200(benchmark::State &state)
{
    OpenDisplay((int)state.range(0));
    TextFont *font = BenchFont();
    SetFont(&displayPort, font);
    const std::vector<char> lines = Lines(200);
    VekRequester *req = InitRequesterBox(256, 200, font, lines.data(), 17, 32, 255, 283, 6, 7);
    InitSlider(req, 14, 249, 26, 22, 25, 24, 289, 43);
    SetStringHighLite(req, 1, 5, 7, 21);
    for (auto _ : state) req = UpdateRequesterText(req, lines.data(), 200);
    ClearRequester(req);
    displayPort.Font = nullptr;
    CloseFont(font);
}

BENCHMARK(BM_MakeList1000)->Arg(8)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollStep)->Arg(8)->Arg(16)->Arg(32);
BENCHMARK(BM_HighlightMove)->Arg(8)->Arg(16)->Arg(32);
BENCHMARK(BM_Rebuild200)->Arg(8)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (RunBenchmarksQuietly(argc, argv) != 0) return 1;
    SDL_Quit();
    return 0;
}
