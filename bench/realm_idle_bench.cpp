// The realm's reading screens waiting for the player: the share of one core
// the process uses over ten seconds of the reports screen with its
// waterfall and a report shown, the battle detail view counted out, and the
// statistics legend open. Runs on the display SDL finds (Xvfb at
// 1024 x 768 x 32 when DISPLAY names one), in a copy of the demo set.
#include <benchmark/benchmark.h>

#include <SDL/SDL.h>
#include <atomic>
#include <cstdio>
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
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "realm/realm.h"
#include "ui/gadgets.h"

namespace {

constexpr int kWaitMs = 10000;

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (double)u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + (double)u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

void Click(const char *file, const char *code)
{
    const auto c = vektest::GadgetCentres((std::string("./Data/screendat/") + file).c_str());
    const auto it = c.find(code);
    if (it != c.end()) vektest::PushClick(it->second.first, it->second.second);
}

// Runs screen after start() pushed its way into the waiting state; measures
// kWaitMs of waiting, then end() pushes its way out.
double IdleShare(LONG (*screen)(), void (*start)(), void (*end)())
{
    vektest::ScratchDir dir;
    CopyDemoGameFiles(".");
    vektest::SdlScreen display(32, 1024, 768);
    if (!display.Ok()) return -1;
    UseKavorGadgetPainter();
    FadeDelayHook = [](ULONG) {};
    // The player as start-up reads him.
    ULONG id = 0;
    CheckPrefsRead(9, &id);
    PlayerInfo.SpielerID = id;
    if (char *name = CheckPrefsReadText(10)) {
        std::snprintf(PlayerInfo.Spielname, sizeof PlayerInfo.Spielname, "%s", name);
        FreeVec(name);
    }
    // A script longer than SDL's queue goes through a feeder.
    vektest::ScriptFeeder feed;
    start();
    feed.Start();
    std::atomic<double> share{-1};
    std::thread watch([&] {
        SDL_Delay(2000);  // set up, drawn and counted out
        const double cpu0 = CpuSeconds();
        SDL_Delay(kWaitMs);
        share = (CpuSeconds() - cpu0) / (kWaitMs / 1000.0) * 100.0;
        end();
    });
    screen();
    watch.join();
    if (TitelScreenPtr) CloseKavorPic(0, 0);
    FadeDelayHook = nullptr;
    return share;
}

void BM_ReportsWaiting(benchmark::State &state)
{
    for (auto _ : state)
        state.counters["core_percent"] = IdleShare(
            BerichteScreen, [] { Click("Berichte.dat", "BU00"); }, [] { Click("Berichte.dat", "EXIT"); });
    state.counters["core_percent_limit"] = 1.0;
}
BENCHMARK(BM_ReportsWaiting)->Iterations(1)->Unit(benchmark::kSecond);

void BM_BattleLetterWaiting(benchmark::State &state)
{
    for (auto _ : state)
        state.counters["core_percent"] = IdleShare(
            NachrichtenScreen,
            [] {
                Click("Nachrichten.dat", "BU02");
                Click("Nachrichten.dat", "FORW");
            },
            [] { vektest::PushEscape(); });
    state.counters["core_percent_limit"] = 1.0;
}
BENCHMARK(BM_BattleLetterWaiting)->Iterations(1)->Unit(benchmark::kSecond);

void BM_BattleDetailWaiting(benchmark::State &state)
{
    for (auto _ : state)
        state.counters["core_percent"] = IdleShare(
            NachrichtenScreen,
            [] {
                Click("Nachrichten.dat", "BU00");
                Click("Nachrichten.dat", "AUGE");
                for (int i = 0; i < 150; ++i) vektest::PushTick();
            },
            [] {
                vektest::PushEscape();
                vektest::PushEscape();
            });
    state.counters["core_percent_limit"] = 1.0;
}
BENCHMARK(BM_BattleDetailWaiting)->Iterations(1)->Unit(benchmark::kSecond);

void BM_StatisticsLegendWaiting(benchmark::State &state)
{
    for (auto _ : state)
        state.counters["core_percent"] = IdleShare(
            StatistikScreen,
            [] {
                // Corn and gold chosen and switched on, then the legend.
                for (LONG line : {0, 0}) vektest::PushClick(100, 66 + line);
                for (LONG y : {66, 78}) {
                    vektest::PushClick(400, y);
                    Click("Statistik.dat", "OK01");
                }
                Click("Statistik.dat", "INFB");
            },
            [] { Click("StatistikLegende.dat", "EXIT"); });
    state.counters["core_percent_limit"] = 1.0;
}
BENCHMARK(BM_StatisticsLegendWaiting)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char **argv) { return RunBenchmarksQuietly(argc, argv); }
