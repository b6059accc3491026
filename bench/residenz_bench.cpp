// The residence left alone at 1024 x 768 x 32: its two animations play, the
// 100 ms tick paces the comment sounds, the loop sound runs. The share of one
// core the whole process takes over 10 s (getrusage, all threads), after 2 s
// to settle, against 1 %. Start-up's SDL set-up: under xvfb-run on a real X
// display, else SDL's dummy driver. The routines' traces go to /dev/null.
#include <benchmark/benchmark.h>

#include "benchmain.h"

#include <chrono>
#include <sys/resource.h>
#include <thread>

#include "gfx/sdlinit.h"
#include "media/sound.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "town/town.h"
#include "ui/gadgets.h"

namespace {

constexpr int kBreite = 1024, kHoehe = 768;

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (double)u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + (double)u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

void BM_ResidenzIdle10s(benchmark::State &state)
{
    for (auto _ : state) {
        // No tutorial text, no tip and no old-turn question: nothing waits for the player.
        if (!CheckPrefsWrite(30, 18) || !CheckPrefsWrite(28, 9)) state.SkipWithError("preferences not written");
        PlayerInfo.TurnChecked = 1;
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
        const LONG next = ResidenzScreen();
        uhr.join();
        if (next != 1) state.SkipWithError("the residence did not end with escape");
        state.counters["core_percent"] = 100.0 * cpu / wall;
        state.counters["core_percent_limit"] = 1.0;
    }
}
BENCHMARK(BM_ResidenzIdle10s)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char **argv)
{
    setenv("SDL_VIDEODRIVER", getenv("DISPLAY") ? "x11" : "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const std::string demo = DemoSetWorkingDir("vekresidenz-bench");
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
