// Runs the registered benchmarks with their report on the original standard
// output while the client's traces on standard output go to /dev/null.
#pragma once
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iostream>

// 0, or 1 when standard output cannot be redirected.
inline int RunBenchmarksQuietly(int argc, char **argv)
{
    std::ofstream report("/dev/stdout");
    if (!std::freopen("/dev/null", "w", stdout)) return 1;
    std::streambuf *console = std::cout.rdbuf(report.rdbuf());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::cout.rdbuf(console);
    return 0;
}

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "gfx/pixfmt.h"
#include "gfx/sdlinit.h"
#include "platform/system.h"

// SDL's dummy display at w x h x 32 with the surfaces start-up makes (the
// 640 x 480 work areas and the map's hidden buffer); ends the run when the
// display cannot be opened.
inline void OpenDummyDisplay32(int w, int h)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    SDL_Init(SDL_INIT_VIDEO);
    SDLViewSurface = SDL_SetVideoMode(w, h, 32, SDL_HWSURFACE);
    if (!SDLViewSurface) std::exit(1);
    st_Display &d = VekDisplay;
    d.VekScreen_Breite = (UWORD)w;
    d.VekScreen_Hoehe = (UWORD)h;
    d.VekScreen_Tiefe = 32;
    d.VekScreen_ViewMode = 2;
    d.VekScreen_ScreenFormat = PIXFMT_ARGB32;
    UserSystem.Display = &VekDisplay;
    PrimaryScreen = SDLViewSurface;
    BobScreen = SDL_DisplayFormat(SDL_CreateRGBSurface(SDL_SWSURFACE, 640, 480, 32, 0xFF0000, 0xFF00, 0xFF, 0));
    BobScreen2 = SDL_DisplayFormat(BobScreen);
    DBScreen = SDL_DisplayFormat(SDLViewSurface);
}

// A fresh demo set written by this build's generator into a new directory
// under /tmp (named after stem), made the working directory; ends the run
// when that fails. The directory's path.
inline std::string DemoSetWorkingDir(const char *stem)
{
    char exe[PATH_MAX] = {};
    if (readlink("/proc/self/exe", exe, sizeof exe - 1) <= 0) std::exit(1);
    const std::string vekdemo = std::filesystem::path(exe).parent_path().parent_path() / "vekdemo";
    std::string tmpl = std::string("/tmp/") + stem + ".XXXXXX";
    if (!mkdtemp(tmpl.data())) std::exit(1);
    if (std::system((vekdemo + " " + tmpl + " > /dev/null").c_str()) != 0) std::exit(1);
    if (chdir(tmpl.c_str()) != 0) std::exit(1);
    return tmpl;
}
