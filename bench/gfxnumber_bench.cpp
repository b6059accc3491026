// Loading graphics by number at 8, 16 and 32 bits: a 640 x 480 picture cold
// (read, convert, write the converted picture), warm (read the converted
// picture) and hot (from the memory copy), 200 map tiles of 64 x 56 warm, and
// the high-colour fade-in without its waits (the block copies alone).
// The routines trace to standard output; that goes to /dev/null here.
#include <benchmark/benchmark.h>

#include "benchmain.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

#include "gfx/gfxnumber.h"
#include "gfx/palette.h"
#include "gfx/pixfmt.h"
#include "gfx/screen.h"
#include "platform/system.h"

namespace fs = std::filesystem;

namespace {

int openDepth = 0;
std::string workDir;

void OpenDisplay(int depth)
{
    if (openDepth == depth) return;
    if (TitelScreenPtr) CloseKavorPic(0, 0);
    if (openDepth) {
        if (BobScreen != SDLViewSurface) SDL_FreeSurface(BobScreen);
        if (BobScreen2) SDL_FreeSurface(BobScreen2);
        BobScreen = BobScreen2 = PrimaryScreen = nullptr;
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    SDL_InitSubSystem(SDL_INIT_VIDEO);
    const int w = depth == 8 ? 640 : 800, h = depth == 8 ? 480 : 600;
    SDLViewSurface = SDL_SetVideoMode(w, h, depth, SDL_HWSURFACE | SDL_HWPALETTE);
    if (!SDLViewSurface) {
        std::fprintf(stderr, "no display: %s\n", SDL_GetError());
        std::exit(1);
    }
    st_Display &d = VekDisplay;
    d.VekScreen_Breite = (UWORD)w;
    d.VekScreen_Hoehe = (UWORD)h;
    d.VekScreen_Tiefe = (UWORD)depth;
    d.VekScreen_ViewMode = depth == 8 ? 1 : 2;
    d.VekScreen_ScreenFormat = depth == 8 ? PIXFMT_CLUT : depth == 16 ? PIXFMT_RGB16 : PIXFMT_ARGB32;
    UserSystem.Display = &VekDisplay;
    if (depth == 8) {
        BobScreen = SDLViewSurface;
    } else {
        PrimaryScreen = SDLViewSurface;
        BobScreen = SDL_DisplayFormat(SDLViewSurface);
        BobScreen2 = SDL_DisplayFormat(SDLViewSurface);
    }
    openDepth = depth;
}

void PutBE32(std::vector<UBYTE> &b, size_t at, ULONG v)
{
    for (int i = 0; i < 4; i++) b[at + (size_t)i] = (UBYTE)(v >> (24 - 8 * i));
}

// ./Data/Path with picture 1 (640 x 480) and tiles 2-201 (64 x 56).
void WriteData()
{
    constexpr ULONG kCount = 210;
    std::vector<UBYTE> index(36 * (kCount + 1), 0);
    PutBE32(index, 32, kCount);
    auto record = [&](ULONG n, ULONG w, ULONG h, const std::string &path) {
        const ULONG off = (ULONG)index.size() - 32;
        index.insert(index.end(), path.begin(), path.end());
        index.push_back(0);
        const ULONG f[9] = {n, w, h, 8, 0, off, w * h, off, 3072};
        for (int i = 0; i < 9; i++) PutBE32(index, 36 * n + 4 * (size_t)i, f[i]);
    };
    auto picture = [](const std::string &name, ULONG w, ULONG h, int seed) {
        fs::create_directories(fs::path(name).parent_path());
        std::ofstream out(name, std::ios::binary);
        for (ULONG i = 0; i < w * h; i++) out.put((char)((i * 7 + (ULONG)seed) % 256));
    };
    record(1, 640, 480, "Vek:Pics/Bench.iff");
    picture("Pics/Bench.chk", 640, 480, 0);
    for (ULONG n = 2; n <= 201; n++) {
        record(n, 64, 56, "Vek:Bobs/Karte/Tile" + std::to_string(n) + ".iff");
        picture("Bobs/Karte/Tile" + std::to_string(n) + ".chk", 64, 56, (int)n);
    }
    fs::create_directories("Data");
    std::ofstream("Data/Path", std::ios::binary).write((const char *)index.data(), (std::streamsize)index.size());
    std::ofstream cma("Pics/Bench.cma", std::ios::binary);
    for (int i = 0; i < 768; i++) cma.put((char)(i * 5));
}

void Palette()
{
    for (int i = 0; i < 256; i++) KavoriaPalette[i] = {(Uint8)i, (Uint8)(255 - i), (Uint8)(i * 7), 0};
    KavoriaPalette[0] = {0, 0, 0, 0};
}

void ConvertedFilesGone()
{
    for (const char *d : {"RGB16", "ARGB32"}) fs::remove_all(d);
}

ULONG Plenty() { return 1u << 30; }
ULONG Scarce() { return 0; }

void BM_OpenPictureCold(benchmark::State &state)
{
    OpenDisplay((int)state.range(0));
    Palette();
    AvailMemHook = Scarce;
    for (auto _ : state) {
        state.PauseTiming();
        ConvertedFilesGone();
        state.ResumeTiming();
        if (OpenKavorGfx("./Data/Path", 1) != 1) state.SkipWithError("not loaded");
        CloseKavorGfx(1);
    }
}

void BM_OpenPictureWarm(benchmark::State &state)
{
    OpenDisplay((int)state.range(0));
    Palette();
    AvailMemHook = Scarce;
    ConvertedFilesGone();
    OpenKavorGfx("./Data/Path", 1);  // the first load converts
    CloseKavorGfx(1);
    const ULONG before = GfxConversionCount;
    for (auto _ : state) {
        if (OpenKavorGfx("./Data/Path", 1) != 1) state.SkipWithError("not loaded");
        CloseKavorGfx(1);
    }
    state.counters["conversions"] = (double)(GfxConversionCount - before);
}

void BM_OpenPictureHot(benchmark::State &state)
{
    OpenDisplay((int)state.range(0));
    Palette();
    AvailMemHook = Plenty;
    FreeCache(1);
    for (auto _ : state) {
        if (OpenKavorGfx("./Data/Path", 1) != 1) state.SkipWithError("not loaded");
        CloseKavorGfx(1);
    }
    FreeCache(1);
}

void BM_OpenTwoHundredTilesWarm(benchmark::State &state)
{
    OpenDisplay((int)state.range(0));
    Palette();
    AvailMemHook = Scarce;
    for (ULONG n = 2; n <= 201; n++) {
        OpenKavorGfx("./Data/Path", n);
        CloseKavorGfx(n);
    }
    for (auto _ : state) {
        for (ULONG n = 2; n <= 201; n++) OpenKavorGfx("./Data/Path", n);
        for (ULONG n = 2; n <= 201; n++) CloseKavorGfx(n);
    }
}

void BM_HighColourFadeInBlocks(benchmark::State &state)
{
    OpenDisplay((int)state.range(0));
    Palette();
    AvailMemHook = Plenty;
    FadeDelayHook = [](ULONG) {};
    if (OpenKavorPic("./Data/Path", 1, PIC_NOFADE) != 0) state.SkipWithError("no screen");
    Screen *s = TitelScreenPtr;
    for (auto _ : state) {
        FadeIn();
        VekDisplay.RastPort_ = s->FirstWindow->NextWindow->RPort;
    }
    FadeDelayHook = nullptr;
    CloseKavorPic(1, 0);
    FreeCache(1);
}

}  // namespace

BENCHMARK(BM_OpenPictureCold)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenPictureWarm)->Arg(8)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenPictureHot)->Arg(8)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenTwoHundredTilesWarm)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HighColourFadeInBlocks)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    char tmpl[] = "/tmp/gfxbench.XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    workDir = tmpl;
    const fs::path home = fs::current_path();
    fs::current_path(workDir);
    WriteData();
    if (RunBenchmarksQuietly(argc, argv) != 0) return 1;
    fs::current_path(home);
    fs::remove_all(workDir);
    SDL_Quit();
    return 0;
}
