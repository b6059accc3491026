// Costs of the sound code's threads: one rain step with all 50 drops on a
// 1024 x 768 x 32 display (the thread has 40 ms per step), and the processor
// time of the music thread while its module plays (counter idle_cpu_percent:
// the thread's share of one core over two seconds, taken from its /proc entry).
// Run the second with VEK_DEMO_DIR naming a demo set (its modules).
#include <benchmark/benchmark.h>

#include "benchmain.h"

#include <SDL/SDL.h>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>

#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/pixfmt.h"
#include "gfx/sdlinit.h"
#include "media/sound.h"
#include "media/sound_local.h"
#include "platform/gamevalues.h"
#include "platform/system.h"

namespace {

void BM_RainStep50Drops(benchmark::State &state)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    SDL_InitSubSystem(SDL_INIT_VIDEO);
    SDLViewSurface = SDL_SetVideoMode(1024, 768, 32, SDL_HWSURFACE);
    if (!SDLViewSurface) {
        state.SkipWithError("no display");
        return;
    }
    VekDisplay.VekScreen_Breite = 1024;
    VekDisplay.VekScreen_Hoehe = 768;
    VekDisplay.VekScreen_Tiefe = 32;
    VekDisplay.VekScreen_ScreenFormat = PIXFMT_ARGB32;
    SDL_Surface *raw = SDL_CreateRGBSurface(SDL_SWSURFACE, 640, 480, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    BobScreen = SDL_DisplayFormat(raw);
    SDL_FreeSurface(raw);
    BitMap bob{};
    InitSurfaceBitMap(&bob, BobScreen);
    RastPort rp;
    InitRastPort(&rp);
    rp.BitMap = &bob;
    VekDisplay.RastPort_ = &rp;
    UserSystem.Display = &VekDisplay;

    RainDisplay disp;
    RainCanvas canvas;
    RainDisplayCanvas(&disp, &canvas);
    RainState st;
    WuerfelSeed(7);
    RainInit(&st, 60000, Wuerfel);
    for (int i = 0; i < 200; ++i) RainStep(&st, nullptr, canvas, Wuerfel, nullptr);  // every slot falling
    st.taking = RAIN_DROPS;
    const auto t0 = std::chrono::steady_clock::now();
    for (auto _ : state) RainStep(&st, nullptr, canvas, Wuerfel, nullptr);
    const double perStep = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() /
                           (double)state.iterations();
    state.counters["share_of_40ms_percent"] = 100.0 * perStep / 0.040;

    VekDisplay.RastPort_ = nullptr;
    SDL_FreeSurface(BobScreen);
    BobScreen = nullptr;
    SDLViewSurface = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
BENCHMARK(BM_RainStep50Drops)->Unit(benchmark::kMicrosecond);

std::set<std::string> Tasks()
{
    std::set<std::string> t;
    if (DIR *d = opendir("/proc/self/task")) {
        while (dirent *e = readdir(d))
            if (e->d_name[0] != '.') t.insert(e->d_name);
        closedir(d);
    }
    return t;
}

// utime + stime of a thread, in clock ticks.
long TaskTicks(const std::string &tid)
{
    std::ifstream in("/proc/self/task/" + tid + "/stat");
    std::string line;
    std::getline(in, line);
    const size_t close = line.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream rest(line.substr(close + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) utime = std::atol(field.c_str());
        if (i == 15) stime = std::atol(field.c_str());
    }
    return utime + stime;
}

void BM_MusicThreadIdle(benchmark::State &state)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const char *dir = std::getenv("VEK_DEMO_DIR");  // the demo set, for its modules
    if (!dir || chdir(dir) != 0 || SDL_Init(SDL_INIT_AUDIO) < 0 || Mix_OpenAudio(22050, AUDIO_S16LSB, 1, 2048) < 0) {
        state.SkipWithError("set VEK_DEMO_DIR to a demo set; audio must open");
        return;
    }
    for (auto _ : state) {
        const std::set<std::string> before = Tasks();
        SetModule("./Mods/VekMain.xm");
        SDL_Delay(1200);  // loaded and faded in
        std::set<std::string> mine;
        for (const std::string &t : Tasks())
            if (!before.count(t)) mine.insert(t);
        long t0 = 0, t1 = 0;
        for (const std::string &t : mine) t0 += TaskTicks(t);
        SDL_Delay(2000);
        for (const std::string &t : mine) t1 += TaskTicks(t);
        state.counters["idle_cpu_percent"] = 100.0 * (double)(t1 - t0) / (double)sysconf(_SC_CLK_TCK) / 2.0;
        state.counters["threads"] = (double)mine.size();
        EndMusicThread();
    }
    Mix_CloseAudio();
    SDL_Quit();
}
BENCHMARK(BM_MusicThreadIdle)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) { return RunBenchmarksQuietly(argc, argv); }
