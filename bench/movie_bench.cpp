// Movie costs: decoding the next frame of a demo animation and drawing it at
// 32 bits on a large display (a building, 216 x 200, and the credits, 640 x
// 240), against 3.3 ms, 5 % of a frame at 15 fps; and the share of one core
// that the scheduler thread takes while five screen movies play at 15 fps.
// The engine traces to standard output; that goes to /dev/null here.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "gfx/palette.h"
#include "gfx/pixfmt.h"
#include "gfx/screen.h"
#include "kit.h"
#include "media/movie_local.h"
#include "platform/system.h"

namespace {

std::string workDir;

void OpenDisplay(int w, int h)
{
    static int openW = 0, openH = 0;
    if (openW == w && openH == h) return;
    if (openW) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_InitSubSystem(SDL_INIT_VIDEO);
    SDLViewSurface = SDL_SetVideoMode(w, h, 32, SDL_HWSURFACE);
    if (!SDLViewSurface) {
        std::fprintf(stderr, "no display: %s\n", SDL_GetError());
        std::exit(1);
    }
    BobScreen = SDLViewSurface;
    VekDisplay.VekScreen_Breite = (UWORD)w;
    VekDisplay.VekScreen_Hoehe = (UWORD)h;
    VekDisplay.VekScreen_Tiefe = 32;
    VekDisplay.VekScreen_ScreenFormat = PIXFMT_ARGB32;
    VekDisplay.VekScreen_FadeIn = 1;
    for (int i = 0; i < 256; i++) KavoriaPalette[i] = {(Uint8)i, (Uint8)(255 - i), (Uint8)(i * 7), 0};
    openW = w, openH = h;
}

// Writes a demo animation into the work directory; its path.
std::string DemoAnim(const std::string &name)
{
    for (const vekdemo::AnimSpec &a : vekdemo::AnimList())
        if (a.name == name) {
            const std::string path = workDir + "/" + name;
            const vekdemo::Bytes bytes = vekdemo::AnimFile(a);
            std::FILE *f = std::fopen(path.c_str(), "wb");
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
            return path;
        }
    std::fprintf(stderr, "no demo animation %s\n", name.c_str());
    std::exit(1);
}

void DecodeAndDraw(benchmark::State &state, const char *name, int w, int h)
{
    OpenDisplay(w, h);
    Screen screen{};
    st_MovieBase *mb = AllocMovieBase(&screen, 0, 0, 2);  // no worker: the frames are driven here
    st_Movie *m = LoadMovie(mb, DemoAnim(name).c_str(), nullptr, nullptr);
    PlayMovie(mb, m, 0, 0, 68, 15);
    LoadNextFrame(m, false);
    for (auto _ : state) {
        LoadNextFrame(m, false);
        RenderANIM5Direct(m->A5Handle, &screen, 0, 0, 0);
    }
    state.counters["frame_ms_limit"] = 3.3;
    FreeMovieBase(mb);
}

void BM_Building216x200_1024x768(benchmark::State &s) { DecodeAndDraw(s, "Festung.CBAN", 1024, 768); }
void BM_Credits640x240_1024x768(benchmark::State &s) { DecodeAndDraw(s, "Credits.cban", 1024, 768); }
void BM_Building216x200_1920x1080(benchmark::State &s) { DecodeAndDraw(s, "Festung.CBAN", 1920, 1080); }
void BM_Credits640x240_1920x1080(benchmark::State &s) { DecodeAndDraw(s, "Credits.cban", 1920, 1080); }
BENCHMARK(BM_Building216x200_1024x768)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Credits640x240_1024x768)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Building216x200_1920x1080)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Credits640x240_1920x1080)->Unit(benchmark::kMillisecond);

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (double)u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + (double)u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

// Five screen movies at 15 fps for two seconds; the main thread only sleeps.
void BM_SchedulerFiveMoviesAt15fps(benchmark::State &state)
{
    OpenDisplay(1024, 768);
    const char *names[] = {"TitelWasserfall.cban", "ResidenzAlchemie.cban", "ResidenzSchreiber.cban",
                           "LagerFackelLinks.CBAN", "HafenMuehle.CBAN"};
    for (auto _ : state) {
        Screen screen{};
        st_MovieBase *mb = AllocMovieBase(&screen, 0, 0, 0);
        st_Movie *movies[5];
        for (int i = 0; i < 5; ++i) movies[i] = LoadMovie(mb, DemoAnim(names[i]).c_str(), nullptr, nullptr);
        for (int i = 0; i < 5; ++i) PlayMovie(mb, movies[i], (UWORD)(i * 80), 40, 68, 15);
        const double cpu0 = CpuSeconds();
        SDL_Delay(2000);
        const double cpu = CpuSeconds() - cpu0;
        ULONG shown = 0;
        for (st_Movie *m : movies) shown += m->DisplayCount;
        FreeMovieBase(mb);
        state.counters["core_percent"] = cpu / 2.0 * 100.0;
        state.counters["frames_shown"] = shown;
    }
}
BENCHMARK(BM_SchedulerFiveMoviesAt15fps)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    char tmpl[] = "/tmp/movie_bench.XXXXXX";
    workDir = mkdtemp(tmpl);
    // The report goes to the real standard output, the engine's traces to /dev/null.
    std::ofstream report("/proc/self/fd/" + std::to_string(dup(1)));
    if (!std::freopen("/dev/null", "w", stdout)) return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::ConsoleReporter reporter(benchmark::ConsoleReporter::OO_Tabular);
    reporter.SetOutputStream(&report);
    reporter.SetErrorStream(&report);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::string cmd = "rm -rf " + workDir;
    return std::system(cmd.c_str()) == 0 ? 0 : 1;
}
