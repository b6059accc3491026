// The harbour in a copy of the demo set at 1024 x 768 x 32 (Xvfb when
// DISPLAY names one, else SDL's dummy driver):
// - left alone for 10 s (mill movie, ambience), and with each dialog open:
//   the share of one core of the whole process, against 1 %;
// - the Ok of ten launches (figure file, stock, orders pool and town under
//   the journal), against reading and writing those four files once, limit 3 x.
#include <benchmark/benchmark.h>

#include <SDL/SDL.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <thread>

#include "benchmain.h"
#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "military/hafenscreen.h"
#include "military/military.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/figures.h"
#include "store/store.h"
#include "ui/gadgets.h"
#include "world/hafen.h"
#include "world/towns.h"
#include "world/warehouse.h"

namespace {

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (double)u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + (double)u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

// The screen waiting with the dialog of `gadget` open (empty: none).
void Idle(benchmark::State &state, const char *gadget)
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
        PlayerInfo.SpielerID = 7;
        const auto g = vektest::GadgetCentres("./Data/screendat/Hafen.dat");
        if (*gadget && g.count(gadget)) vektest::PushClick(g.at(gadget).first, g.at(gadget).second);
        double cpu = 0, wall = 0;
        std::thread uhr([&] {
            SDL_Delay(2000);
            const double c0 = CpuSeconds();
            const auto w0 = std::chrono::steady_clock::now();
            SDL_Delay(10000);
            cpu = CpuSeconds() - c0;
            wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
            if (*gadget) vektest::PushEscape();  // closes the dialog
            vektest::PushEscape();
        });
        const LONG next = HafenScreen();
        uhr.join();
        if (TitelScreenPtr) CloseKavorPic(0, 0);
        FadeDelayHook = nullptr;
        if (next != 39) state.SkipWithError("the screen did not end with escape");
        state.counters["core_percent"] = 100.0 * cpu / wall;
        state.counters["core_percent_limit"] = 1.0;
    }
}

void BM_HafenIdle10s(benchmark::State &state) { Idle(state, ""); }
void BM_HafenShipsDialogIdle10s(benchmark::State &state) { Idle(state, "SCHI"); }
void BM_HafenRepairDialogIdle10s(benchmark::State &state) { Idle(state, "REPA"); }
BENCHMARK(BM_HafenIdle10s)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_HafenShipsDialogIdle10s)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_HafenRepairDialogIdle10s)->Iterations(1)->Unit(benchmark::kSecond);

struct Stand {
    vektest::Bytes prefs, ware, pool, town;
    static Stand Jetzt()
    {
        return {vektest::ReadBytes(MAPPREFS_FILE), vektest::ReadBytes(WAREN_FILE), vektest::ReadBytes(POOL_OUT),
                vektest::ReadBytes("Data/Cities/Demoburg.vek")};
    }
    void Zurueck() const
    {
        vektest::WriteBytes(MAPPREFS_FILE, prefs);
        vektest::WriteBytes(WAREN_FILE, ware);
        vektest::WriteBytes(POOL_OUT, pool);
        vektest::WriteBytes("Data/Cities/Demoburg.vek", town);
    }
};

// Ten small war ships in stock, none sent out this quarter.
Stand ZehnSchiffe()
{
    st_WARE_EXT w{};
    w.Info = 5, w.Herkunft = 7, w.WarenTyp = 53, w.WarenAnzahl = 10;
    auto *alt = (UBYTE *)LoadChunk2Mem(ID_WARE, WAREN_FILE);
    ListHeader *l = CreateList(LISTE_WAREN);
    if (alt && l) ScanWare2List(l, (st_WARE *)alt);
    FreeVec(alt);
    if (l) {
        auto *n = (ListNode *)AllocVec(l->TypSize, MEMF_CLEAR);
        std::memcpy(NodeData(n), &w, sizeof w);
        InsertNode(l, n, LIST_LAST, 0);
        st_WARE *c = MakeWareChunkFromList(l);
        if (!c || !SaveChunk2File(WAREN_FILE, c)) std::printf("ZehnSchiffe: Lager nicht geschrieben\n");
        FreeVec(c);
        DeleteList(l, 1);
    }
    return Stand::Jetzt();
}

void BM_HafenOkTenLaunches(benchmark::State &state)
{
    vektest::ScratchDir dir;
    CopyDemoGameFiles(".");
    PlayerInfo.SpielerID = 7;
    const Stand s = ZehnSchiffe();
    HafenFragen f{[](const char *) {}, [](const char *) -> BOOL { return 1; }};
    for (auto _ : state) {
        state.PauseTiming();
        s.Zurueck();
        HafenDaten d;
        if (!LoadHafenData(&d, 0) || !HafenDialogLesen(&d)) state.SkipWithError("no data");
        const auto z = WerftZeilen(&d);
        ULONG zeile = 0;
        for (ULONG i = 0; i < z.size(); ++i)
            if (d.Waren[z[i]].WarenTyp == 53) zeile = i;
        for (int i = 0; i < 10; ++i)
            if (!HafenStarteSchiff(&d, zeile, &f)) state.SkipWithError("launch refused");
        state.ResumeTiming();
        if (!SetNewShips(&d)) state.SkipWithError("Ok failed");
        state.PauseTiming();
        FreeHafenData(&d);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_HafenOkTenLaunches)->Unit(benchmark::kMicrosecond);

// Reading and writing the figure file, stock, orders pool and town once.
void BM_HafenOkBaseline(benchmark::State &state)
{
    vektest::ScratchDir dir;
    CopyDemoGameFiles(".");
    PlayerInfo.SpielerID = 7;
    for (auto _ : state) {
        auto *move = (st_MOVE *)LoadChunk2Mem(ID_MOVE, MAPPREFS_FILE);
        ListHeader *l = CreateList(LISTE_FIGUREN);
        const bool figs = move && l && ScanFigur2List(l, move) && WriteList2MapPrefs(l);
        DeleteList(l, 1);
        FreeVec(move);
        auto *ship = LoadChunk2Mem(ID_SHIP, POOL_OUT);
        const BOOL pool = ship && AddChunkPool(ship, POOL_OUT);
        Stadt *t = LadeStadt("Demoburg");
        const int town = t && SpeichereStadt(t);
        auto *ware = LoadChunk2Mem(ID_WARE, WAREN_FILE);
        const BOOL stock = ware && SaveChunk2File(WAREN_FILE, ware);
        if (!figs || !pool || !town || !stock) state.SkipWithError("files not written");
        FreeVec(ware);
        FreeVec(t);
        FreeVec(ship);
    }
}
BENCHMARK(BM_HafenOkBaseline)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char **argv) { return RunBenchmarksQuietly(argc, argv); }
