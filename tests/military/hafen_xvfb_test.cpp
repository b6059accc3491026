// The harbour on a real X display at 1024 x 768 x 32 with the demo set: the
// root window (xwd) shows the ships in port while the advisor is asked, then
// the repair dialog with Seestern's values. VEK_SHOT_DIR, when set, keeps the
// screenshots there. Skipped without Xvfb or xwd.
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
#include "gfx/sdlinit.h"
#include "military/hafenscreen.h"
#include "military/military.h"
#include "platform/system.h"
#include "ui/gadgets.h"
#include "ui/screendat.h"

using namespace vektest;

namespace {

constexpr int kW = 1024, kH = 768;
int readyFd = -1, goFd = -1;
std::thread watcher;
std::map<std::string, std::pair<LONG, LONG>> screen, rep;
std::pair<LONG, LONG> repLine;

// Tells the parent the screen is up, waits for its look, then goes on.
void Zeige(void (*weiter)())
{
    if (watcher.joinable()) watcher.join();
    watcher = std::thread([weiter] {
        SDL_Delay(1000);
        if (write(readyFd, "ready\n", 6) != 6) _exit(6);
        char c;
        if (read(goFd, &c, 1) != 1) _exit(7);
        weiter();
    });
}

void Click(const std::map<std::string, std::pair<LONG, LONG>> &g, const char *code)
{
    if (g.count(code)) PushClick(g.at(code).first, g.at(code).second);
}

[[noreturn]] void Hafen(const std::string &work, const std::string &display)
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
    screen = GadgetCentres("./Data/screendat/Hafen.dat");
    rep = GadgetCentres("./Data/screendat/HafenSchiffsRepReq.dat");
    if (ScreenRegion *r = GetScreenRegion("./Data/screendat/HafenSchiffsRepReq.dat", 519)) {
        for (ULONG i = 0; i < r->CountGadgetData; ++i)
            if (r->GadgetData[i].ReturnID == MakeGadgetID("B100"))
                repLine = {rep["B100"].first, rep["B100"].second - (r->GadgetData[i].Y1 - r->GadgetData[i].Y0) / 2 + 4};
        ClearScreenRegion(r);
    }
    // Advisor asked: the harbour is shown; then the repair dialog with one point.
    HafenDialogHooks.Message = [](const char *) {
        Zeige([] {
            Click(screen, "REPA");
            PushClick(repLine.first, repLine.second);
            Click(rep, "R100");
            Click(rep, "INFO");
        });
    };
    HafenDialogHooks.Text = [](const char *) {
        Zeige([] {
            Click(rep, "EXIT");
            Click(screen, "STAD");
        });
    };
    Click(screen, "KONT");
    if (HafenScreen() != 39) _exit(3);
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

std::map<ULONG, long> Farben(const Screenshot &s, LONG x0, LONG y0, LONG x1, LONG y1)
{
    const LONG dx = (kW - 640) / 2, dy = (kH - 480) / 2 - 30;
    std::map<ULONG, long> n;
    for (LONG y = y0; y <= y1; ++y)
        for (LONG x = x0; x <= x1; ++x) ++n[s.At((ULONG)(x + dx), (ULONG)(y + dy))];
    return n;
}

// Takes shots until the check holds (the X server may lag); 1 when it did.
bool Schau(const std::string &xwd, const std::string &display, Screenshot *shot,
           bool (*passt)(const Screenshot &))
{
    for (int attempt = 0; attempt < 30; attempt++) {
        if (attempt) usleep(100000);
        const RunResult r = RunProgram(xwd, {"-root", "-silent", "-display", display, "-out", "root.xwd"}, ".", 20);
        if (r.status == 0 && ParseXwd(ReadBytes("root.xwd"), shot) && shot->w == (ULONG)kW && shot->h == (ULONG)kH &&
            passt(*shot))
            return true;
    }
    return false;
}

}  // namespace

TEST(HafenXvfb, ShipsInPortAndTheRepairDialog)
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
        Hafen(dir.path() + "/x11", server.Display());
    }
    close(ready[1]);
    close(go[0]);
    const char *keep = std::getenv("VEK_SHOT_DIR");
    // The harbour: the ships-in-port picture fills the corner.
    Screenshot hafen;
    const bool shown1 = ReadLine(ready[0], 60000) == "ready";
    const bool ok1 = shown1 && Schau(xwd, server.Display(), &hafen, [](const Screenshot &s) {
                         return Farben(s, 88, 97, 369, 274).size() > 3;
                     });
    if (keep) WriteBytes(std::string(keep) + "/hafen.xwd", ReadBytes("root.xwd"));
    if (shown1 && write(go[1], "g", 1) != 1) ADD_FAILURE() << "client gone";
    // The repair dialog with its value boxes filled.
    Screenshot reparatur;
    const bool shown2 = shown1 && ReadLine(ready[0], 60000) == "ready";
    const bool ok2 = shown2 && Schau(xwd, server.Display(), &reparatur, [](const Screenshot &s) {
                         return Farben(s, 120, 90, 519, 389).size() > 3;
                     });
    if (keep) {
        WriteBytes(std::string(keep) + "/hafen_reparatur.xwd", ReadBytes("root.xwd"));
        WriteBytes(std::string(keep) + "/client.log", ReadBytes(dir.path() + "/x11/client.log"));
    }
    if (shown2 && write(go[1], "g", 1) != 1) ADD_FAILURE() << "client gone";
    close(go[1]);
    close(ready[0]);
    EXPECT_EQ(Wait(child), 0) << "the screen ends by the town gadget";
    ASSERT_TRUE(ok1);
    ASSERT_TRUE(ok2);
    // The harbour and the dialog look different where the dialog lies.
    EXPECT_NE(Farben(hafen, 120, 90, 519, 389), Farben(reparatur, 120, 90, 519, 389));
}
