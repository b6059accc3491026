// The granary, taxes and luxury screens:
// - the share of one core each screen (and the granary's requester) takes
//   while it waits for the player, over ten seconds;
// - the granary's Ok, the taxes' Exit and the luxury Ok against reading and
//   writing the orders pool (or Luxus.dat) once.
// Runs on the display SDL finds (Xvfb at 1024 x 768 x 32 when DISPLAY names
// one), in a copy of the demo set.
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
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "platform/files.h"
#include "platform/gamevalues.h"
#include "store/store.h"
#include "town/town.h"
#include "ui/gadgets.h"
#include "world/kornlager.h"
#include "world/luxus.h"
#include "world/steuern.h"

namespace {

constexpr int kWaitMs = 10000;

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (double)u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + (double)u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

// The screen waits after `vorher` (clicks); its CPU time over kWaitMs, then Escape (twice: a requester first).
double IdleShare(LONG (*screen)(), void (*vorher)(), int escapes)
{
    vektest::ScratchDir dir;
    CopyDemoGameFiles(".");
    vektest::SdlScreen display(32, 1024, 768);
    if (!display.Ok()) return -1;
    UseKavorGadgetPainter();
    FadeDelayHook = [](ULONG) {};
    if (vorher) vorher();
    std::atomic<double> share{-1};
    std::thread watch([&] {
        SDL_Delay(1500);
        const double cpu0 = CpuSeconds();
        SDL_Delay(kWaitMs);
        share = (CpuSeconds() - cpu0) / (kWaitMs / 1000.0) * 100.0;
        for (int i = 0; i < escapes; ++i) vektest::PushEscape();
    });
    screen();
    watch.join();
    if (TitelScreenPtr) CloseKavorPic(0, 0);
    FadeDelayHook = nullptr;
    return share;
}

void BM_KornlagerIdle10s(benchmark::State &state)
{
    for (auto _ : state) state.counters["core_percent"] = IdleShare(KornlagerScreen, nullptr, 1);
    state.counters["core_percent_limit"] = 1.0;
}
BENCHMARK(BM_KornlagerIdle10s)->Iterations(1)->Unit(benchmark::kSecond);

void BM_KornlagerRequesterIdle10s(benchmark::State &state)
{
    for (auto _ : state)
        state.counters["core_percent"] = IdleShare(KornlagerScreen, [] { vektest::PushClick(320, 245); }, 2);
    state.counters["core_percent_limit"] = 1.0;
}
BENCHMARK(BM_KornlagerRequesterIdle10s)->Iterations(1)->Unit(benchmark::kSecond);

void BM_SteuernIdle10s(benchmark::State &state)
{
    for (auto _ : state) state.counters["core_percent"] = IdleShare(SteuernScreen, nullptr, 1);
    state.counters["core_percent_limit"] = 1.0;
}
BENCHMARK(BM_SteuernIdle10s)->Iterations(1)->Unit(benchmark::kSecond);

void BM_LuxusIdle10s(benchmark::State &state)
{
    for (auto _ : state) state.counters["core_percent"] = IdleShare(LuxusScreen, nullptr, 1);
    state.counters["core_percent_limit"] = 1.0;
}
BENCHMARK(BM_LuxusIdle10s)->Iterations(1)->Unit(benchmark::kSecond);

ULONG Null(ULONG) { return 0; }

void BM_KornlagerOk(benchmark::State &state)
{
    vektest::ScratchDir dir;
    CopyDemoGameFiles(".");
    LokaleDatenKornLager d;
    if (!ReadKornLagerData(&d)) return state.SkipWithError("no granary data");
    KornWuerfel = Null;
    for (auto _ : state)
        if (!WriteKornLagerData(&d)) state.SkipWithError("Ok failed");
    KornWuerfel = Wuerfel;
}
BENCHMARK(BM_KornlagerOk)->Unit(benchmark::kMicrosecond);

void BM_SteuernExit(benchmark::State &state)
{
    vektest::ScratchDir dir;
    CopyDemoGameFiles(".");
    LokalDataSteuernScreen d;
    if (!ReadSteuernScreenData(&d)) return state.SkipWithError("no tax data");
    for (auto _ : state)
        if (!WriteSteuernScreenData(&d)) state.SkipWithError("Exit failed");
}
BENCHMARK(BM_SteuernExit)->Unit(benchmark::kMicrosecond);

// Reading the orders pool and writing it whole once: the baseline of both.
void BM_PoolReadWriteBaseline(benchmark::State &state)
{
    vektest::ScratchDir dir;
    CopyDemoGameFiles(".");
    for (auto _ : state) {
        const vektest::Bytes pool = vektest::ReadBytes(POOL_OUT);
        if (SaveMem2File(POOL_OUT, pool.data(), (ULONG)pool.size()) != 1) state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_PoolReadWriteBaseline)->Unit(benchmark::kMicrosecond);

void BM_LuxusOk(benchmark::State &state)
{
    vektest::ScratchDir dir;
    CopyDemoGameFiles(".");
    ULONG z[LUXUS_LINIEN];
    LoadLuxusZuweisung(z);
    for (auto _ : state)
        if (!SaveLuxusZuweisung(z)) state.SkipWithError("Ok failed");
}
BENCHMARK(BM_LuxusOk)->Unit(benchmark::kMicrosecond);

void BM_LuxusReadWriteBaseline(benchmark::State &state)
{
    vektest::ScratchDir dir;
    CopyDemoGameFiles(".");
    for (auto _ : state) {
        const vektest::Bytes b = vektest::ReadBytes(LUXUS_FILE);
        if (SaveMem2File(LUXUS_FILE, b.data(), (ULONG)b.size()) != 1) state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_LuxusReadWriteBaseline)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char **argv) { return RunBenchmarksQuietly(argc, argv); }
