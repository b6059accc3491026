// The town screen at 1024 x 768 x 32 on the demo set. Left alone: its
// animations play, the 100 ms tick paces sounds, rain and darkness; the share
// of one core the whole process takes over 10 s, after 2 s to settle,
// against 1 %. The town picture of a level-4 town with 55 built slots:
// composing it against its 55 masked blits and one full blit done plainly,
// and reading it from its cache file against reading the file and one blit
// (each limit 1.5 x its baseline). Start-up's SDL set-up: under xvfb-run on a
// real X display, else SDL's dummy driver. Traces go to /dev/null.
#include <benchmark/benchmark.h>

#include "benchmain.h"

#include <chrono>
#include <cstring>
#include <sys/resource.h>
#include <thread>
#include <vector>

#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/sdlinit.h"
#include "media/sound.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "town/stadtbild.h"
#include "town/stadtscreen.h"
#include "ui/gadgets.h"
#include "world/towns.h"

namespace {

constexpr int kBreite = 1024, kHoehe = 768;
constexpr int kErster = 180, kSlots = 55;

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (double)u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + (double)u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

void BM_StadtIdle10s(benchmark::State &state)
{
    for (auto _ : state) {
        PlayerInfo.AktStadtID = 0;
        double cpu = 0, wall = 0;
        std::thread uhr([&] {
            std::this_thread::sleep_for(std::chrono::seconds(2));
            const double c0 = CpuSeconds();
            const auto w0 = std::chrono::steady_clock::now();
            std::this_thread::sleep_for(std::chrono::seconds(10));
            cpu = CpuSeconds() - c0;
            wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
            SDL_Event e{};
            e.type = SDL_KEYDOWN;
            e.key.keysym.sym = SDLK_ESCAPE;
            e.key.keysym.unicode = 27;
            SDL_PushEvent(&e);
        });
        const LONG next = StadtScreen();
        uhr.join();
        if (next != 2) state.SkipWithError("the town did not end with escape");
        state.counters["core_percent"] = 100.0 * cpu / wall;
        state.counters["core_percent_limit"] = 1.0;
    }
}
BENCHMARK(BM_StadtIdle10s)->Iterations(1)->Unit(benchmark::kSecond);

// A level-4 town whose 55 slots all stand, each a house of the demo set,
// spread over the picture in drawing order.
Stadt Level4Stadt()
{
    Stadt *vorlage = LadeStadt("Demoburg");
    Stadt t = *vorlage;
    FreeVec(vorlage);
    t.Level = 4;
    for (int i = 0; i < kSlots; ++i) {
        GebaeudeAbhaengigkeiten &g = t.GebaeudeAbhaengigkeiten[kErster + i];
        g.GfxBitfeld = GFX_THISIMAGEISSET;
        g.Stadtlevel = 4;
        g.Prioritaet = (UWORD)(i * 7 % 480);
        g.GebaeudeDaten = {(UWORD)(202 + i % 50), (UWORD)(8 + (i % 12) * 52), (UWORD)(60 + (i / 12) * 80), 48, 40};
    }
    return t;
}

struct Ziel {
    BitMap *bmp = nullptr;
    RastPort rp{};
    Ziel()
    {
        bmp = AllocBitMap(640, 480, 32, 0, DisplayRastPort()->BitMap);
        InitRastPort(&rp);
        rp.BitMap = bmp;
    }
    ~Ziel() { FreeBitMap(bmp); }
};

void BM_ComposeLevel4(benchmark::State &state)
{
    const Stadt t = Level4Stadt();
    Ziel ziel;
    for (auto _ : state) {
        BitMap *bild = AllocBitMap(640, 480, 32, 0, ziel.bmp);
        ComposeTown(&t, bild);
        BltMaskBitMapRastPort(bild, 0, 0, &ziel.rp, 0, 0, 640, 480, 0, 0);
        FreeBitMap(bild);
    }
}
BENCHMARK(BM_ComposeLevel4)->Unit(benchmark::kMillisecond);

// The baseline: the same 55 masked blits in their order and one full blit.
void BM_ComposeLevel4Baseline(benchmark::State &state)
{
    const Stadt t = Level4Stadt();
    std::vector<int> folge;
    for (int p = 0; p < 480; ++p)
        for (int i = 0; i < kSlots; ++i)
            if (t.GebaeudeAbhaengigkeiten[kErster + i].Prioritaet == p) folge.push_back(kErster + i);
    Ziel ziel;
    for (auto _ : state) {
        BitMap *bild = AllocBitMap(640, 480, 32, 0, ziel.bmp);
        RastPort rp;
        InitRastPort(&rp);
        rp.BitMap = bild;
        for (int s : folge) {
            const auto &d = t.GebaeudeAbhaengigkeiten[s].GebaeudeDaten;
            BlitObjektMask(&rp, d.GfxID, 0, d.XPos, d.YPos, d.Breite, d.Hoehe);
        }
        BltMaskBitMapRastPort(bild, 0, 0, &ziel.rp, 0, 0, 640, 480, 0, 0);
        FreeBitMap(bild);
    }
}
BENCHMARK(BM_ComposeLevel4Baseline)->Unit(benchmark::kMillisecond);

void BM_CacheHit(benchmark::State &state)
{
    Stadt t = Level4Stadt();
    Ziel ziel;
    t.TownChanged = 1;
    if (DrawTownInto(&t, &ziel.rp) != 0) state.SkipWithError("the town was not drawn");
    for (auto _ : state)
        if (DrawTownInto(&t, &ziel.rp) != 0) state.SkipWithError("the cache was not read");
}
BENCHMARK(BM_CacheHit)->Unit(benchmark::kMillisecond);

// The baseline: reading the file and one blit of a picture of its size.
void BM_CacheHitBaseline(benchmark::State &state)
{
    Stadt t = Level4Stadt();
    Ziel ziel;
    t.TownChanged = 1;
    if (DrawTownInto(&t, &ziel.rp) != 0) state.SkipWithError("the town was not drawn");
    char name[128];
    StadtImageName(&t, name, sizeof name);
    for (auto _ : state) {
        BitMap *bild = AllocBitMap(640, 480, 32, 0, ziel.bmp);
        UBYTE *daten = (UBYTE *)LoadFile2Mem(name, 0);
        UBYTE *p = GetKavorGfxData(bild);
        for (ULONG y = 0; y < 480; ++y) std::memcpy(p + (size_t)y * bild->BytesPerRow, daten + (size_t)y * 640 * 4, 640 * 4);
        FreeKavorGfxLock(bild);
        BltMaskBitMapRastPort(bild, 0, 0, &ziel.rp, 0, 0, 640, 480, 0, 0);
        FreeVec(daten);
        FreeBitMap(bild);
    }
}
BENCHMARK(BM_CacheHitBaseline)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv)
{
    setenv("SDL_VIDEODRIVER", getenv("DISPLAY") ? "x11" : "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const std::string demo = DemoSetWorkingDir("vekstadt-bench");
    UseKavorGadgetPainter();
    SetDefaults();
    VekDisplay.VekScreen_Breite = kBreite;
    VekDisplay.VekScreen_Hoehe = kHoehe;
    VekDisplay.VekScreen_Tiefe = 32;
    VekDisplay.VekScreen_Window = 0;
    if (!initSDL()) return 1;
    if (!InitSoundEnv(SOUND_SOUNDFX, nullptr)) return 1;
    const int r = RunBenchmarksQuietly(argc, argv);
    ExitSoundEnv();
    exitSDL();
    std::error_code ec;
    std::filesystem::remove_all(demo, ec);
    return r;
}
