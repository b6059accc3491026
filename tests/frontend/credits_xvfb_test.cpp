// The credits on a real X display at 640 x 480 x 8: the screenshot of the
// root window (xwd) shows the two lines in white and light blue, as at 32
// bits, and nothing else changed by them. Skipped without Xvfb or xwd.
// With VEK_XVFB_SHOTS set to a folder the screenshot is kept there (PPM).
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/shareddemo.h"
#include "common/testutil.h"
#include "common/xvfb.h"
#include "frontend/frontend.h"
#include "gfx/font.h"
#include "gfx/graphics.h"
#include "gfx/screen.h"
#include "gfx/sdlinit.h"
#include "platform/strings.h"
#include "platform/system.h"

using namespace vektest;

namespace {

constexpr int kW = 640, kH = 480;

// In a child process: start-up's SDL set-up at 8 bits, the credits picture
// and one pair of lines; then it waits until the parent has its screenshot.
[[noreturn]] void Zeige(const std::string &arbeit, const std::string &display, int readyFd, int goFd)
{
    if (chdir(arbeit.c_str()) != 0) _exit(5);
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const int log = open("client.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(log, 1);
    dup2(log, 2);
    SetDefaults();
    VekDisplay.VekScreen_Breite = kW;
    VekDisplay.VekScreen_Hoehe = kH;
    VekDisplay.VekScreen_Tiefe = 8;
    VekDisplay.VekScreen_Window = 0;
    UserSystem.Sfx.IsEnabled = 0;
    if (!initSDL()) _exit(2);
    if (OpenKavorPic("./Data/Path", 151, 0) < 0) _exit(3);
    TextFont *font = OpenDiskFont("Fonts/Times24.fnt");
    if (!font) _exit(4);
    SetFont(DisplayRastPort(), font);
    _VEK_CREDITS.Str = "WWWWWWWW\nMMMMMMMM";
    if (CreditsPrintText(0) != 2) _exit(6);
    if (write(readyFd, "ready\n", 6) != 6) _exit(7);
    for (;;) {
        pollfd p = {goFd, POLLIN, 0};
        if (poll(&p, 1, 10) != 0) break;
        SDL_PumpEvents();
    }
    _exit(0);
}

int Warte(pid_t kind)
{
    int st = 0;
    for (int i = 0; i < 300 && waitpid(kind, &st, WNOHANG) == 0; i++) usleep(100000);
    if (waitpid(kind, &st, WNOHANG) == 0) {
        kill(kind, SIGKILL);
        waitpid(kind, &st, 0);
    }
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

}  // namespace

TEST(CreditsXvfb, LinesAreWhiteAndLightBlueAtEightBits)
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
    const pid_t kind = fork();
    ASSERT_GE(kind, 0);
    if (kind == 0) {
        close(ready[0]);
        close(go[1]);
        Zeige(dir.path() + "/x11", server.Display(), ready[1], go[0]);
    }
    close(ready[1]);
    close(go[0]);
    const bool gezeigt = ReadLine(ready[0], 60000) == "ready";
    close(ready[0]);
    // The lower half is black but for the lines; wait until they are shown.
    long weiss = 0, blau = 0, anders = -1;
    for (int versuch = 0; gezeigt && versuch < 30 * SlowFactor() && (anders != 0 || !weiss || !blau); versuch++) {
        if (versuch) usleep(100000);
        const RunResult r = RunProgram(xwd, {"-root", "-silent", "-display", server.Display(), "-out", "root.xwd"},
                                       ".", 20);
        Screenshot shot;
        if (r.status != 0 || !ParseXwd(ReadBytes("root.xwd"), &shot) || shot.w != (ULONG)kW || shot.h != (ULONG)kH)
            continue;
        if (const char *ablage = std::getenv("VEK_XVFB_SHOTS")) {
            std::string ppm = "P6\n" + std::to_string(kW) + " " + std::to_string(kH) + "\n255\n";
            for (ULONG v : shot.rgb) ppm += {(char)(v >> 16), (char)(v >> 8), (char)v};
            WriteText(std::string(ablage) + "/credits8.ppm", ppm);
        }
        weiss = blau = anders = 0;
        const ULONG schwarz = shot.At(0, kH - 1);
        for (int y = kH / 2; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const ULONG p = shot.At(x, y);
                if (p == schwarz) continue;
                if (p == 0xF0F0F0)
                    ++weiss;
                else if (p == 0xA0B0F0)
                    ++blau;
                else
                    ++anders;
            }
    }
    if (write(go[1], "g", 1) != 1) ADD_FAILURE() << "client gone";
    close(go[1]);
    EXPECT_EQ(Warte(kind), 0);
    ASSERT_TRUE(gezeigt);
    EXPECT_GT(weiss, 50);
    EXPECT_GT(blau, 50);
    EXPECT_EQ(anders, 0);
}
