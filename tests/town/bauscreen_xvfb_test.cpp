// The building screen on a real X display at 1024 x 768 x 32 with the demo
// set: while the site listing is asked for, the root window (xwd) shows the
// granary's info text on the orderable background beside its picture, and
// the costs below it. VEK_SHOT_DIR, when set, keeps the screenshot there.
// Skipped without Xvfb or xwd.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "common/scriptinput.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "common/xvfb.h"
#include "gfx/palette.h"
#include "gfx/sdlinit.h"
#include "platform/system.h"
#include "town/bauscreen.h"
#include "town/town.h"
#include "ui/gadgets.h"

using namespace vektest;

namespace {

constexpr int kW = 1024, kH = 768;
int readyFd = -1, goFd = -1;

std::thread watcher;
std::pair<LONG, LONG> exitAt;

// Asked for the listing, the screen goes on with its loop (which presents
// the animation's frames) while the parent looks; then it is left by Exit.
LONG ListingWatched(const char *)
{
    watcher = std::thread([] {
        SDL_Delay(1000);
        if (write(readyFd, "ready\n", 6) != 6) _exit(6);
        char c;
        if (read(goFd, &c, 1) != 1) _exit(7);
        PushClick(exitAt.first, exitAt.second);
    });
    return 1;
}

[[noreturn]] void Bauen(const std::string &work, const std::string &display)
{
    if (chdir(work.c_str()) != 0) _exit(5);
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const int log = open("client.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(log, 1);
    dup2(log, 2);
    setvbuf(stdout, nullptr, _IOLBF, 0);
    SetDefaults();
    VekDisplay.VekScreen_Breite = kW;
    VekDisplay.VekScreen_Hoehe = kH;
    VekDisplay.VekScreen_Tiefe = 32;
    VekDisplay.VekScreen_Window = 0;
    UserSystem.Sfx.IsEnabled = 0;
    if (!initSDL()) _exit(2);
    UseKavorGadgetPainter();
    PlayerInfo.AktStadtID = 0;
    BauDialogHooks.Text = ListingWatched;
    const auto gadgets = GadgetCentres("./Data/screendat/Bau.dat");
    auto at = [&](const char *code) { return gadgets.count(code) ? gadgets.at(code) : std::pair<LONG, LONG>{0, 0}; };
    exitAt = at("EXIT");
    PushClick(at("BA00").first, at("BA00").second);
    if (BauScreen() != 39) _exit(3);
    if (watcher.joinable()) watcher.join();
    std::fflush(stdout);
    _exit(0);
}

int Wait(pid_t child)
{
    int st = 0;
    for (int i = 0; i < 300 && waitpid(child, &st, WNOHANG) == 0; i++) usleep(100000);
    if (waitpid(child, &st, WNOHANG) == 0) {
        kill(child, SIGKILL);
        waitpid(child, &st, 0);
    }
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// Colours of a game rectangle of the shot, by count.
std::map<ULONG, long> Farben(const Screenshot &s, LONG x0, LONG y0, LONG x1, LONG y1)
{
    // The game area lies centred, 30 rows above the middle.
    const LONG dx = (kW - 640) / 2, dy = (kH - 480) / 2 - 30;
    std::map<ULONG, long> n;
    for (LONG y = y0; y <= y1; ++y)
        for (LONG x = x0; x <= x1; ++x) ++n[s.At((ULONG)(x + dx), (ULONG)(y + dy))];
    return n;
}

}  // namespace

TEST(BauScreenXvfb, InfoTextBesideThePicture)
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
        readyFd = ready[1], goFd = go[0];
        Bauen(dir.path() + "/x11", server.Display());
    }
    close(ready[1]);
    close(go[0]);
    const bool shown = ReadLine(ready[0], 60000) == "ready";
    close(ready[0]);
    Screenshot shot;
    bool ok = false;
    // The X server may lag behind the last update: a few looks until the text is there.
    for (int attempt = 0; shown && attempt < 30 && !ok; attempt++) {
        if (attempt) usleep(100000);
        const RunResult r =
            RunProgram(xwd, {"-root", "-silent", "-display", server.Display(), "-out", "root.xwd"}, ".", 20);
        ok = r.status == 0 && ParseXwd(ReadBytes("root.xwd"), &shot) && shot.w == (ULONG)kW && shot.h == (ULONG)kH &&
             Farben(shot, 349, 74, 574, 335).size() > 1 && Farben(shot, 64, 75, 287, 274).size() > 3;
    }
    if (const char *keep = std::getenv("VEK_SHOT_DIR"))
        WriteBytes(std::string(keep) + "/bauscreen.xwd", ReadBytes("root.xwd")),
            WriteBytes(std::string(keep) + "/client.log", ReadBytes(dir.path() + "/x11/client.log"));
    if (write(go[1], "g", 1) != 1) ADD_FAILURE() << "client gone";
    close(go[1]);
    EXPECT_EQ(Wait(child), 0) << "the screen ends by its exit gadget";
    ASSERT_TRUE(shown);
    ASSERT_TRUE(ok);
    // The info text: one background colour with text of another on it.
    const auto text = Farben(shot, 349, 74, 574, 335);
    long most = 0;
    for (const auto &[farbe, n] : text) most = std::max(most, n);
    EXPECT_GT(most, 226L * 262 / 3) << "the requester's background";
    EXPECT_LT(most, 226L * 262) << "text on it";
    // The granary's picture or animation fills its area.
    EXPECT_GT(Farben(shot, 64, 75, 287, 274).size(), 3u);
    // The costs: each status box holds a digit on its own background.
    EXPECT_GT(Farben(shot, 176, 284, 287, 296).size(), 1u);
}
