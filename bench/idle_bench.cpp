// The title screen and the sign-up form waiting for the player: the share of
// one core the process uses over ten seconds of waiting (the title's
// waterfall plays meanwhile). Runs on the display SDL finds (Xvfb at
// 1024 x 768 x 32 when DISPLAY names one), in a copy of the demo set.
#include <benchmark/benchmark.h>

#include <SDL/SDL.h>
#include <atomic>
#include <sys/resource.h>
#include <thread>

#include "benchmain.h"
#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "frontend/frontend.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "online/online.h"
#include "platform/prefs.h"
#include "ui/gadgets.h"

namespace {

constexpr int kWaitMs = 10000;

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (double)u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + (double)u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

// Runs screen in a newcomer's copy of the demo set with realm state `state`;
// after `before` keys the screen waits, its CPU time over kWaitMs is
// measured, then Escape ends it.
double IdleShare(LONG (*screen)(), ULONG state, int returns, const char *clickLayout = nullptr,
                 const char *clickCode = nullptr)
{
    vektest::ScratchDir dir;
    CopyDemoGameFiles(".");
    CheckPrefsWrite(0, state);
    CheckPrefsWrite(11, 0);
    vektest::SdlScreen display(32, 1024, 768);
    if (!display.Ok()) return -1;
    UseKavorGadgetPainter();
    FadeDelayHook = [](ULONG) {};
    for (int i = 0; i < returns; ++i) vektest::PushKey(SDLK_RETURN, 13);
    // A click that leaves a text cursor blinking while the screen waits.
    if (clickLayout) {
        const auto spots = vektest::GadgetCentres(clickLayout);
        const auto it = spots.find(clickCode);
        if (it == spots.end()) return -1;
        vektest::PushClick(it->second.first, it->second.second);
    }
    std::atomic<double> share{-1};
    std::thread watch([&] {
        SDL_Delay(1000);  // set up and drawn
        const double cpu0 = CpuSeconds();
        SDL_Delay(kWaitMs);
        share = (CpuSeconds() - cpu0) / (kWaitMs / 1000.0) * 100.0;
        vektest::PushEscape();
    });
    screen();
    watch.join();
    if (TitelScreenPtr) CloseKavorPic(0, 0);
    FadeDelayHook = nullptr;
    return share;
}

void BM_TitleWaiting(benchmark::State &state)
{
    for (auto _ : state) state.counters["core_percent"] = IdleShare(TitelScreen, 0, 1);  // past the notice
    state.counters["core_percent_limit"] = 1.0;
}
BENCHMARK(BM_TitleWaiting)->Iterations(1)->Unit(benchmark::kSecond);

void BM_SignupFormWaiting(benchmark::State &state)
{
    for (auto _ : state) state.counters["core_percent"] = IdleShare(InitScreen, 3, 0);
    state.counters["core_percent_limit"] = 1.0;
}
BENCHMARK(BM_SignupFormWaiting)->Iterations(1)->Unit(benchmark::kSecond);

// The update store room with its two torches, offline: no barrels.
void BM_UpdateScreenWaiting(benchmark::State &state)
{
    for (auto _ : state) state.counters["core_percent"] = IdleShare(LagerScreen, 2, 0);
    state.counters["core_percent_limit"] = 1.0;
}
BENCHMARK(BM_UpdateScreenWaiting)->Iterations(1)->Unit(benchmark::kSecond);

// The three option pages, the first two with a text cursor blinking.
void BM_SoundOptionsWaiting(benchmark::State &state)
{
    for (auto _ : state)
        state.counters["core_percent"] = IdleShare(OptionScreen, 2, 0, "Data/screendat/Optionen0.dat", "ST01");
    state.counters["core_percent_limit"] = 1.0;
}
BENCHMARK(BM_SoundOptionsWaiting)->Iterations(1)->Unit(benchmark::kSecond);

void BM_MailOptionsWaiting(benchmark::State &state)
{
    for (auto _ : state)
        state.counters["core_percent"] = IdleShare(Option1Screen, 2, 0, "Data/screendat/Optionen1.dat", "ST10");
    state.counters["core_percent_limit"] = 1.0;
}
BENCHMARK(BM_MailOptionsWaiting)->Iterations(1)->Unit(benchmark::kSecond);

void BM_PointerOptionsWaiting(benchmark::State &state)
{
    for (auto _ : state) state.counters["core_percent"] = IdleShare(Option3Screen, 2, 0);
    state.counters["core_percent_limit"] = 1.0;
}
BENCHMARK(BM_PointerOptionsWaiting)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char **argv) { return RunBenchmarksQuietly(argc, argv); }
