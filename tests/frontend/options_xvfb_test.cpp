// The three option pages on a real X display at 1024 x 768 x 32: each page
// is shot (xwd) while it waits for the player, and the shot must show the
// page's own picture with its switch faces in the game area. The shots are
// kept beside the build as option<page>.xwd for a look. Skipped without Xvfb
// or xwd.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "common/shareddemo.h"
#include "common/testutil.h"
#include "common/xvfb.h"
#include "frontend/frontend.h"
#include "frontend/optionrules.h"
#include "gfx/sdlinit.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "ui/gadgets.h"

using namespace vektest;

namespace {

constexpr int kW = 1024, kH = 768;

void PushEscapeKey()
{
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_ESCAPE;
    e.key.keysym.unicode = 27;
    SDL_PushEvent(&e);
}

// Runs the page; tells the parent once it waits for input, leaves it by
// escape when the parent has looked.
[[noreturn]] void Page(LONG (*page)(), const std::string &work, const std::string &display, int readyFd, int goFd)
{
    if (chdir(work.c_str()) != 0) _exit(5);
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const int log = open("client.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(log, 1);
    dup2(log, 2);
    SetDefaults();
    VekDisplay.VekScreen_Breite = kW;
    VekDisplay.VekScreen_Hoehe = kH;
    VekDisplay.VekScreen_Tiefe = 32;
    VekDisplay.VekScreen_Window = 0;
    UserSystem.Sfx.IsEnabled = 0;
    UserSystem.OP.TCPIP_ID = 4;
    UserSystem.OP.TCPIP_Flags = 0x11;
    UserSystem.OP.ColorCursor = 1;
    PlayerInfo.SpielerID = 7;
    OptionCDAnswerHook = [](const char *, ULONG) { return 0; };
    if (!initSDL()) _exit(2);
    UseKavorGadgetPainter();
    UserSystem.SoundMask = 0xFF;
    UserSystem.SoundStatus = 0x39 | 0xC0;
    std::thread watcher([readyFd, goFd] {
        SDL_Delay(1500);
        if (write(readyFd, "ready\n", 6) != 6) _exit(6);
        char c;
        if (read(goFd, &c, 1) != 1) _exit(7);
        PushEscapeKey();
    });
    const LONG r = page();
    watcher.join();
    std::fflush(stdout);
    _exit(r == 2 ? 0 : 3);
}

int Wait(pid_t child)
{
    int st = 0;
    for (int i = 0; i < 300 * SlowFactor() && waitpid(child, &st, WNOHANG) == 0; i++) usleep(100000);
    if (waitpid(child, &st, WNOHANG) == 0) {
        kill(child, SIGKILL);
        waitpid(child, &st, 0);
    }
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

size_t GameAreaColours(const Screenshot &shot)
{
    std::set<ULONG> colours;
    const ULONG ox = (kW - 640) / 2, oy = (kH - 480) / 2 - 30;
    for (ULONG y = oy; y < oy + 480; y += 3)
        for (ULONG x = ox; x < ox + 640; x += 3) colours.insert(shot.At(x, y));
    return colours.size();
}

struct PageCase {
    const char *name;
    LONG (*page)();
};

class OptionsXvfb : public ::testing::TestWithParam<PageCase> {};

TEST_P(OptionsXvfb, PageShows)
{
    const std::string xvfb = FindProgram("Xvfb"), xwd = FindProgram("xwd");
    if (xvfb.empty() || xwd.empty()) GTEST_SKIP() << "Xvfb or xwd is not installed";
    ScratchDir dir;
    CopyDemoGameFiles(dir.path() + "/x11");
    Xvfb server(xvfb, kW, kH);
    if (server.Display().empty()) GTEST_SKIP() << "Xvfb did not start";
    signal(SIGPIPE, SIG_IGN);
    int ready[2], go[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(go), 0);
    std::fflush(stdout);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        close(go[1]);
        Page(GetParam().page, dir.path() + "/x11", server.Display(), ready[1], go[0]);
    }
    close(ready[1]);
    close(go[0]);
    const bool shown = ReadLine(ready[0], 60000) == "ready";
    close(ready[0]);
    const std::string out = std::string(VEK_BINARY_DIR) + "/option" + GetParam().name + ".xwd";
    // The game area (640 x 480, centred, 30 rows above the middle) must hold
    // the page's picture with its faces and texts, not one fill. The page may
    // draw later than it says it waits (an emulated or loaded run): look
    // until it is there, within a bound that grows with the build's pace.
    Screenshot shot;
    size_t colours = 0;
    const bool taken = shown && WaitFor(
                                    [&] {
                                        const RunResult r = RunProgram(
                                            xwd, {"-root", "-silent", "-display", server.Display(), "-out", out}, ".", 20);
                                        if (r.status != 0 || !ParseXwd(ReadBytes(out), &shot) || shot.w != (ULONG)kW ||
                                            shot.h != (ULONG)kH)
                                            return false;
                                        colours = GameAreaColours(shot);
                                        return colours > 8;
                                    },
                                    "the option page on the display", 30 * SlowFactor());
    if (write(go[1], "g", 1) != 1) ADD_FAILURE() << "page gone";
    close(go[1]);
    EXPECT_EQ(Wait(child), 0) << "the page ends by escape with 2";
    ASSERT_TRUE(shown);
    EXPECT_TRUE(taken) << colours << " colours in the game area";
}

INSTANTIATE_TEST_SUITE_P(Pages, OptionsXvfb,
                         ::testing::Values(PageCase{"133", OptionScreen}, PageCase{"134", Option1Screen},
                                           PageCase{"1141", Option3Screen}),
                         [](const auto &info) { return std::string("Page") + info.param.name; });

}  // namespace
