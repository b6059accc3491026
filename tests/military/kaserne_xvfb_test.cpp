// The barracks on a real X display at 1024 x 768 x 32 with the demo set:
// the root window (xwd) while the screen shows the advisor's refusal of the
// artillery (the screen alone), while the management requester shows its
// help, and while the weapons requester shows its help with a weapon picked.
// VEK_SHOT_DIR, when set, keeps the screenshots there. Skipped without Xvfb
// or xwd.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

#include "common/scriptinput.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "common/xvfb.h"
#include "gfx/sdlinit.h"
#include "military/kaserne.h"
#include "military/military.h"
#include "platform/system.h"
#include "ui/gadgets.h"

using namespace vektest;

namespace {

constexpr int kW = 1024, kH = 768;
int readyFd = -1, goFd = -1;
std::map<std::string, std::pair<LONG, LONG>> screenAt, req1At, req3At;
int texte = 0;

void Click(const std::map<std::string, std::pair<LONG, LONG>> &g, const char *code)
{
    auto it = g.find(code);
    if (it == g.end()) _exit(8);
    PushClick(it->second.first, it->second.second);
}

// The display is as it should be: the parent looks, then says go on.
void Zeigen()
{
    SDL_Delay(700);
    if (write(readyFd, "ready\n", 6) != 6) _exit(6);
    char c;
    if (read(goFd, &c, 1) != 1) _exit(7);
}

void Refused(const char *)
{
    Zeigen();
    Click(screenAt, "INFA");
    PushClick(150, 104);   // the guard
    Click(req1At, "INF1");
}

LONG Help(const char *)
{
    Zeigen();
    if (++texte == 1) {
        Click(req1At, "EXIT");
        Click(screenAt, "SCHM");
        PushClick(150, 104);   // the first weapon
        PushClick(400, 117);   // the guard's part
        Click(req3At, "INF3");
    } else {
        Click(req3At, "EXIT");
        PushEscape();
    }
    return 1;
}

[[noreturn]] void Kaserne(const std::string &work, const std::string &display)
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
    PlayerInfo.SpielerID = 7;
    KaserneDialogHooks.Message = Refused;
    KaserneDialogHooks.Text = Help;
    screenAt = GadgetCentres("./Data/screendat/Kaserne.dat");
    req1At = GadgetCentres("./Data/screendat/KaserneReq1.dat");
    req3At = GadgetCentres("./Data/screendat/KaserneReq3.dat");
    Click(screenAt, "ARTI");
    if (KaserneScreen() != 39) _exit(3);
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
    const LONG dx = (kW - 640) / 2, dy = (kH - 480) / 2 - 30;
    std::map<ULONG, long> n;
    for (LONG y = y0; y <= y1; ++y)
        for (LONG x = x0; x <= x1; ++x) ++n[s.At((ULONG)(x + dx), (ULONG)(y + dy))];
    return n;
}

}  // namespace

TEST(KaserneXvfb, ScreenAndRequesters)
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
        Kaserne(dir.path() + "/x11", server.Display());
    }
    close(ready[1]);
    close(go[0]);
    const char *const namen[3] = {"kaserne", "kaserne_verwaltung", "kaserne_waffen"};
    std::vector<Screenshot> shots(3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(namen[i]);
        ASSERT_EQ(ReadLine(ready[0], 60000), "ready");
        const RunResult r = RunProgram(xwd, {"-root", "-silent", "-display", server.Display(), "-out", "root.xwd"}, ".", 20);
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(ParseXwd(ReadBytes("root.xwd"), &shots[(size_t)i]));
        if (const char *keep = std::getenv("VEK_SHOT_DIR"))
            WriteBytes(std::string(keep) + "/" + namen[i] + ".xwd", ReadBytes("root.xwd"));
        ASSERT_EQ(write(go[1], "g", 1), 1);
    }
    close(ready[0]);
    close(go[1]);
    EXPECT_EQ(Wait(child), 0) << ReadBytes(dir.path() + "/x11/client.log").size();
    // The screen's picture fills the game area; a requester's lists lie over it.
    EXPECT_GT(Farben(shots[0], 0, 0, 639, 479).size(), 4u);
    for (int i = 1; i < 3; ++i) {
        const auto liste = Farben(shots[(size_t)i], 76, 100, 290, 250);
        long most = 0;
        for (const auto &[farbe, n] : liste) most = std::max(most, n);
        EXPECT_GT(most, 214L * 150 / 3) << namen[i] << ": the list's background";
        EXPECT_GT(liste.size(), 1u) << namen[i] << ": text on it";
    }
    EXPECT_NE(Farben(shots[0], 76, 100, 290, 250), Farben(shots[1], 76, 100, 290, 250));
}
