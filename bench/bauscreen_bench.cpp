// The building screen in a copy of the demo set at 1024 x 768 x 32 (Xvfb
// when DISPLAY names one, else SDL's dummy driver):
// - left alone for 10 s with the granary's animation playing: the share of
//   one core of the whole process, against 1 %;
// - one browse step (the next type, its name, info text, costs), against
//   printing those texts and filling those areas once, limit 1.5 x; the
//   animation's loading is left out of both (the screen runs without its
//   movie engine here);
// - the Ok with one order (pool, town and stock under the journal), against
//   reading and writing pool, town and stock once, limit 2 x.
#include <benchmark/benchmark.h>

#include <SDL/SDL.h>
#include <atomic>
#include <chrono>
#include <string>
#include <sys/resource.h>
#include <thread>

#include "benchmain.h"
#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "platform/catalog.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/store.h"
#include "town/bauscreen.h"
#include "town/town.h"
#include "ui/gadgets.h"
#include "ui/requester.h"
#include "ui/screendat.h"
#include "world/bauen.h"
#include "world/towns.h"
#include "world/warehouse.h"

namespace {

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (double)u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + (double)u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

void BM_BauScreenIdle10s(benchmark::State &state)
{
    for (auto _ : state) {
        vektest::ScratchDir dir;
        CopyDemoGameFiles(".");
        vektest::SdlScreen display(32, 1024, 768);
        if (!display.Ok()) {
            state.SkipWithError("no display");
            return;
        }
        UseKavorGadgetPainter();
        FadeDelayHook = [](ULONG) {};
        PlayerInfo.AktStadtID = 0;
        double cpu = 0, wall = 0;
        std::thread uhr([&] {
            SDL_Delay(2000);
            const double c0 = CpuSeconds();
            const auto w0 = std::chrono::steady_clock::now();
            SDL_Delay(10000);
            cpu = CpuSeconds() - c0;
            wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
            vektest::PushEscape();
        });
        const LONG next = BauScreen();
        uhr.join();
        if (TitelScreenPtr) CloseKavorPic(0, 0);
        FadeDelayHook = nullptr;
        if (next != 39) state.SkipWithError("the screen did not end with escape");
        state.counters["core_percent"] = 100.0 * cpu / wall;
        state.counters["core_percent_limit"] = 1.0;
    }
}
BENCHMARK(BM_BauScreenIdle10s)->Iterations(1)->Unit(benchmark::kSecond);

// The screen as its start leaves it, without the movie engine.
struct Aufbau {
    vektest::ScratchDir dir;
    std::unique_ptr<vektest::SdlScreen> display;
    BauScreenDaten st{};
    bool ok = false;
    Aufbau()
    {
        CopyDemoGameFiles(".");
        display = std::make_unique<vektest::SdlScreen>(32, 1024, 768);
        if (!display->Ok()) return;
        UseKavorGadgetPainter();
        FadeDelayHook = [](ULONG) {};
        PlayerInfo.AktStadtID = 0;
        InitBauScreenData(&st.Daten);
        ok = ReadBauScreenData(&st.Daten) && (st.VekFont4Ptr = OpenDiskFont("Fonts/XHelvetica11.fnt")) &&
             (st.VekFontPtr = OpenDiskFont("Fonts/KavorC1.fnt")) &&
             (st.Region = GetScreenRegion("./Data/screendat/Bau.dat", 39)) &&
             (st.Daten.AktiveStadt = GetActiveTown(0)) && OpenKavorPic("./Data/Path", 43, PIC_NOFADE) >= 0;
        if (!ok) return;
        st.BitMapPtr = ScreenSaveClip(387, 344, 144, 18);
        st.AlreadyFadeIn = 1;
        SetBuilding(&st);
    }
    ~Aufbau()
    {
        ClearRequester(st.RequesterPtr);
        FreeBitMap(st.BitMapPtr);
        ClearScreenRegion(st.Region);
        CloseFont(st.VekFont4Ptr);
        CloseFont(st.VekFontPtr);
        FreeBauScreenData(&st.Daten);
        if (TitelScreenPtr) CloseKavorPic(0, 0);
        FadeDelayHook = nullptr;
        display.reset();
    }
};

void BM_BauBrowseStep(benchmark::State &state)
{
    Aufbau a;
    if (!a.ok) {
        state.SkipWithError("screen not set up");
        return;
    }
    for (auto _ : state) {
        a.st.Daten.GebaeudeID = (WORD)(a.st.Daten.GebaeudeID + 1);
        CheckBuildingEnv(&a.st, 1);
        SetBuilding(&a.st);
    }
}
BENCHMARK(BM_BauBrowseStep)->Unit(benchmark::kMicrosecond);

// What a step shows, drawn once: the name, the info text in its requester
// with its slider, seven status boxes and the cleared picture area.
void BM_BauBrowseBaseline(benchmark::State &state)
{
    Aufbau a;
    if (!a.ok) {
        state.SkipWithError("screen not set up");
        return;
    }
    RastPort *rp = DisplayRastPort();
    const std::string text = a.st.ReqString;
    const LocaleTextBox &name = a.st.Region->LocaleTextBox[a.st.Region->CountLocaleTextBox - 1];
    for (auto _ : state) {
        PrintText(rp, name.X0, name.Y0, name.X1, name.Y1, "granary", 0, 7, 37);
        SetAPen(rp, 0);
        RectFill(rp, 64, 75, 287, 274);
        UpdateRectangle(64, 75, 224, 200);
        VekRequester *r = InitRequesterTextBox(226, a.st.VekFont4Ptr, text.c_str(), 349, 74, 226, 262, 11, 7, nullptr);
        if (r) InitSlider(r, 14, 204, 26, 22, 25, 24, 583, 103);
        for (ULONG i = 0; i < a.st.Region->CountDisplayStatusBox; ++i)
            PrintDisplayStatus(rp, &a.st.Region->DisplayStatusBox[i], "12345");
        ClearRequester(r);
    }
}
BENCHMARK(BM_BauBrowseBaseline)->Unit(benchmark::kMicrosecond);

// One order in a fresh copy of the files before each Ok.
struct OkStand {
    vektest::Bytes pool, town, ware;
};

void BM_BauOk(benchmark::State &state)
{
    vektest::ScratchDir dir;
    CopyDemoGameFiles(".");
    PlayerInfo.AktStadtID = 0;
    const OkStand s{vektest::ReadBytes(POOL_OUT), vektest::ReadBytes("Data/Cities/Demoburg.vek"),
                    vektest::ReadBytes(WAREN_FILE)};
    for (auto _ : state) {
        state.PauseTiming();
        vektest::WriteBytes(POOL_OUT, s.pool);
        vektest::WriteBytes("Data/Cities/Demoburg.vek", s.town);
        vektest::WriteBytes(WAREN_FILE, s.ware);
        LokalDataBauScreen d;
        InitBauScreenData(&d);
        if (!ReadBauScreenData(&d) || !(d.AktiveStadt = GetActiveTown(0))) state.SkipWithError("no data");
        d.GebaeudeID = 0;
        d.Gebaeude = 0;
        if (!GetBuildingData(&d)) state.SkipWithError("no prices");
        BauFragen f{[](const char *) {}, [](const char *) -> BOOL { return 1; }};
        InitBaustellenData(&d, &f);
        state.ResumeTiming();
        if (!WriteBauScreenData(&d)) state.SkipWithError("Ok failed");
        state.PauseTiming();
        FreeBauScreenData(&d);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BauOk)->Unit(benchmark::kMicrosecond);

void BM_BauOkBaseline(benchmark::State &state)
{
    vektest::ScratchDir dir;
    CopyDemoGameFiles(".");
    for (auto _ : state) {
        auto *land = (st_LAND *)LoadChunk2Mem(ID_LAND, POOL_IN);
        const BOOL pool = land && AddChunkPool(land, POOL_OUT);
        Stadt *t = LadeStadt("Demoburg");
        const int town = t && SpeichereStadt(t);
        auto *ware = LoadChunk2Mem(ID_WARE, WAREN_FILE);
        const BOOL stock = ware && SaveChunk2File(WAREN_FILE, ware);
        if (!pool || !town || !stock) state.SkipWithError("files not written");
        FreeVec(ware);
        FreeVec(t);
        FreeVec(land);
    }
}
BENCHMARK(BM_BauOkBaseline)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char **argv) { return RunBenchmarksQuietly(argc, argv); }
