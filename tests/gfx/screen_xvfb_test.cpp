// A picture on a real X display: a private Xvfb server, the start-up's own
// SDL set-up in full-screen mode, OpenKavorPic with its fade-in, and a
// screenshot of the root window (xwd) compared pixel for pixel with the
// picture and its colour map. Skipped when Xvfb or xwd is not installed.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "common/gfxfixture.h"
#include "common/xvfb.h"
#include "common/testutil.h"
#include "gfx/screen.h"
#include "platform/system.h"

using namespace vektest;

namespace {

// The client side, in a child process: start-up's SDL set-up on the X
// display, the picture opened with its fade-in; then it says "ready" and
// runs until the parent has taken its screenshots.
[[noreturn]] void ShowPicture(const std::string &display, int depth, int w, int h, int readyFd, int goFd)
{
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const int log = open("client.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(log, 1);
    dup2(log, 2);
    SetDefaults();
    VekDisplay.VekScreen_Breite = (UWORD)w;
    VekDisplay.VekScreen_Hoehe = (UWORD)h;
    VekDisplay.VekScreen_Tiefe = (UWORD)depth;
    VekDisplay.VekScreen_Window = 0;
    UserSystem.Sfx.IsEnabled = 0;
    bScreenFadeInDeactivate = 0;
    if (!initSDL()) _exit(2);
    if (OpenKavorPic("./Data/Path", 5, 0) != 0) _exit(3);
    std::fflush(stdout);
    if (write(readyFd, "ready\n", 6) != 6) _exit(4);
    // Like the main loop, keep pumping events: SDL may hold back the last
    // updates of a burst until then.
    for (;;) {
        pollfd p = {goFd, POLLIN, 0};
        if (poll(&p, 1, 10) != 0) break;
        SDL_PumpEvents();
    }
    CloseKavorPic(5, 0);
    exitSDL();
    std::fflush(stdout);
    _exit(0);
}

struct Shown {
    int depth, w, h;
};

class RealDisplay : public ::testing::TestWithParam<Shown> {};

INSTANTIATE_TEST_SUITE_P(Depths, RealDisplay, ::testing::Values(Shown{8, 640, 480}, Shown{32, 800, 600}),
                         [](const auto &info) { return std::to_string(info.param.depth) + "bit"; });

TEST_P(RealDisplay, ScreenshotShowsThePicturesOwnPixels)
{
    const Shown p = GetParam();
    const std::string xvfb = FindProgram("Xvfb"), xwd = FindProgram("xwd");
    if (xvfb.empty() || xwd.empty()) GTEST_SKIP() << "Xvfb or xwd is not installed";
    ScratchDir dir;
    const TestPicture pic = WriteTestPicture(5, 20, 11);
    // The start-up needs its pointer picture.
    SDL_Surface *pointer = SDL_CreateRGBSurface(SDL_SWSURFACE, 16, 16, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    ASSERT_NE(pointer, nullptr);
    MakeDirs("Pics");
    ASSERT_EQ(SDL_SaveBMP(pointer, "Pics/CursorSDL.chk"), 0);
    SDL_FreeSurface(pointer);

    Xvfb server(xvfb, p.w, p.h);
    if (server.Display().empty()) GTEST_SKIP() << "Xvfb did not start";

    signal(SIGPIPE, SIG_IGN);  // a client that died must not take the test with it
    int ready[2], go[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(go), 0);
    std::fflush(stdout);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        close(go[1]);
        ShowPicture(server.Display(), p.depth, p.w, p.h, ready[1], go[0]);
    }
    close(ready[1]);
    close(go[0]);
    const bool shown = ReadLine(ready[0], 30000) == "ready";
    close(ready[0]);

    // Above 8 bits the game area sits centred, 30 rows above the middle.
    const ULONG ox = p.depth == 8 ? 0 : (ULONG)(p.w - 640) / 2, oy = p.depth == 8 ? 0 : (ULONG)((p.h - 480) / 2 - 30);
    long wrong = -1;
    std::string firstWrong;
    for (int attempt = 0; shown && attempt < 30 && wrong != 0; attempt++) {
        if (attempt) usleep(100000);
        const RunResult r = RunProgram(xwd, {"-root", "-silent", "-display", server.Display(), "-out", "root.xwd"},
                                       ".", 20);
        Screenshot shot;
        if (r.status != 0 || !ParseXwd(ReadBytes("root.xwd"), &shot) || shot.w != (ULONG)p.w ||
            shot.h != (ULONG)p.h)
            continue;
        wrong = 0;
        firstWrong.clear();
        for (ULONG y = 0; y < 480; y++)
            for (ULONG x = 0; x < 640; x++) {
                const UBYTE i = pic.pixels[(size_t)y * 640 + x];
                const ULONG want = (ULONG)pic.cmap[3 * i] << 16 | (ULONG)pic.cmap[3 * i + 1] << 8 | pic.cmap[3 * i + 2];
                const ULONG got = shot.At(ox + x, oy + y);
                if (got != want && wrong++ == 0) {
                    std::ostringstream s;
                    s << "(" << x << ", " << y << ") index " << (int)i << ": " << std::hex << got << " not " << want;
                    firstWrong = s.str();
                }
            }
        // Outside the game area the display stays black.
        if (p.w > 640) wrong += (shot.At(0, 0) != 0) + (shot.At(p.w - 1, p.h - 1) != 0);
    }
    if (write(go[1], "g", 1) != 1) ADD_FAILURE() << "client gone";
    close(go[1]);
    int st = 0;
    for (int i = 0; i < 100 && waitpid(child, &st, WNOHANG) == 0; i++) usleep(100000);
    if (waitpid(child, &st, WNOHANG) == 0) {
        kill(child, SIGKILL);
        waitpid(child, &st, 0);
    }
    const std::string log = [] {
        const Bytes b = ReadBytes("client.log");
        const std::string all(b.begin(), b.end());
        return all.size() > 3000 ? all.substr(all.size() - 3000) : all;
    }();
    ASSERT_TRUE(shown) << "the client did not show the picture:\n" << log;
    EXPECT_EQ(wrong, 0) << firstWrong;
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << log;
}

}  // namespace
