// The tavern on a real X display at 1024 x 768 x 32: the root window's
// screenshot (xwd) shows the barroom, the letter window with its list, the
// reader over a letter, and the rune board after a scored row. The screen
// runs in a child on a copy of the demo set; at each probe (a click at 1, 1)
// it waits while the parent looks. The shots are kept in VEK_SHOT_DIR when
// it is set. Skipped without Xvfb or xwd.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "common/scriptinput.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "common/xvfb.h"
#include "gfx/sdlinit.h"
#include "net/gamemail.h"
#include "online/online.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "realm/realm.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "world/runestone.h"

using namespace vektest;

namespace {

constexpr int kW = 1024, kH = 768;
constexpr LONG kGameX = (kW - 640) / 2, kGameY = (kH - 480) / 2 - 30;
int readyFd = -1, goFd = -1;

void OnProbe()
{
    if (MousePosition.X > 2 || MousePosition.Y > 2) return;
    for (int i = 0; i < 5; ++i) {
        SDL_PumpEvents();
        SDL_Delay(20);
    }
    if (write(readyFd, "ready\n", 6) != 6) _exit(6);
    char c;
    if (read(goFd, &c, 1) != 1) _exit(7);
}

void Click(const char *file, const char *code)
{
    const auto c = GadgetCentres((std::string("./Data/screendat/") + file).c_str());
    const auto it = c.find(code);
    if (it == c.end()) _exit(8);
    PushClick(it->second.first, it->second.second);
}

void Probe() { PushClick(1, 1); }

LONG Nein(const char *, int mode) { return mode ? 1 : 0; }
ULONG Feste(ULONG) { static const ULONG w[] = {0, 0, 1, 1, 2}; static int i; return w[i++ % 5]; }

[[noreturn]] void Child(const std::string &work, const std::string &display)
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
    UserSystem.OP.TCPIP_Flags &= (UBYTE)~TRANSPORT_GAMESERVER;
    if (!initSDL()) _exit(2);
    UseKavorGadgetPainter();
    RuneFrageHook = Nein;
    RuneWuerfelHook = Feste;
    GetKeyClickHook = OnProbe;
    ScriptFeeder feed;
    Probe();  // the barroom
    Click("Taverne.dat", "CHAT");
    PushClick(300, 254);  // "Mail-Editor"
    Probe();  // the list
    Click("TaverneOffchatReq.dat", "B000");
    Probe();  // the reader
    Click("TaverneOffchatReq.dat", "B003");
    Click("TaverneOffchatReq.dat", "EXIT");
    Click("Taverne.dat", "WUER");
    for (const char *r : {"RUN1", "RUN2", "RUN1", "RUN2", "RUN4"}) Click("RuneStone.dat", r);
    Click("RuneStone.dat", "RUN5");
    Probe();  // a scored row, a rune in the next
    Click("RuneStone.dat", "EXIT");
    Click("Taverne.dat", "EXIT");
    feed.Start();
    const WORD next = TaverneScreen();
    std::fflush(stdout);
    _exit(next == 39 ? 0 : 3);
}

int Wait(pid_t child)
{
    int st = 0;
    for (int i = 0; i < 600 && waitpid(child, &st, WNOHANG) == 0; i++) usleep(100000);
    if (waitpid(child, &st, WNOHANG) == 0) {
        kill(child, SIGKILL);
        waitpid(child, &st, 0);
    }
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// Pixels of a game area that differ from its most common colour.
long Ink(const Screenshot &s, LONG x, LONG y, LONG w, LONG h)
{
    std::map<ULONG, long> n;
    for (LONG j = y; j < y + h; ++j)
        for (LONG i = x; i < x + w; ++i) ++n[s.At((ULONG)(i + kGameX), (ULONG)(j + kGameY))];
    long most = 0;
    for (const auto &e : n) most = std::max(most, e.second);
    return w * h - most;
}

TEST(TaverneXvfb, BarroomLettersReaderAndBoard)
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
        Child(dir.path() + "/x11", server.Display());
    }
    close(ready[1]);
    close(go[0]);
    const char *namen[4] = {"taverne.xwd", "taverne_briefe.xwd", "taverne_lesen.xwd", "taverne_runen.xwd"};
    static Screenshot vorher;
    auto fertig = [](int k, const Screenshot &s) {
        switch (k) {
        case 0: return Ink(s, 0, 0, 640, 480) > 20000;
        case 1:
        case 2: return Ink(s, 66, 68, 516, 390) > 3000;
        default: return Ink(s, 174, 40, 306, 420) > 3000;
        }
    };
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(namen[k]);
        if (ReadLine(ready[0], 60000) != "ready") {
            ADD_FAILURE() << "the screen never reached this probe";
            break;
        }
        bool gesehen = false;
        for (int attempt = 0; attempt < 50 && !gesehen; ++attempt) {
            if (attempt) usleep(100000);
            const RunResult run =
                RunProgram(xwd, {"-root", "-silent", "-display", server.Display(), "-out", namen[k]}, ".", 20);
            Screenshot shot;
            gesehen = run.status == 0 && ParseXwd(ReadBytes(namen[k]), &shot) && shot.w == (ULONG)kW &&
                      fertig(k, shot);
            // The reader differs from the list it covers.
            if (gesehen && k == 1) vorher = shot;
            if (gesehen && k == 2) {
                long anders = 0;
                for (size_t i = 0; i < shot.rgb.size(); ++i) anders += shot.rgb[i] != vorher.rgb[i];
                gesehen = anders > 500;
            }
        }
        EXPECT_TRUE(gesehen);
        if (const char *ziel = std::getenv("VEK_SHOT_DIR"))
            WriteBytes(std::string(ziel) + "/" + namen[k], ReadBytes(namen[k]));
        if (write(go[1], "g", 1) != 1) ADD_FAILURE() << "client gone";
    }
    close(ready[0]);
    close(go[1]);
    EXPECT_EQ(Wait(child), 0) << "the tavern ends towards the town after its script";
    if (const char *ziel = std::getenv("VEK_SHOT_DIR"))
        WriteBytes(std::string(ziel) + "/taverne.log", ReadBytes(dir.path() + "/x11/client.log"));
}

}  // namespace
