// The granary requester, the land tax scale and the luxury screen's raw
// source view on a real X display at 1024 x 768 x 32 with the demo set: the
// root window (xwd) shows each drawn while the screen waits. VEK_SHOT_DIR,
// when set, keeps the screenshots there. Skipped without Xvfb or xwd.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <map>
#include <set>
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
#include "town/town.h"
#include "ui/gadgets.h"

using namespace vektest;

namespace {

constexpr int kW = 1024, kH = 768;

struct Fall {
    const char *name;
    LONG (*screen)();
    LONG next;
    // Clicks that bring up what is looked at, and those that leave.
    std::function<void()> hin, weg;
    LONG x0, y0, x1, y1;  // the part of the game area looked at
    size_t farben;        // at least this many colours there
};

std::pair<LONG, LONG> At(const char *file, const char *code)
{
    const auto g = GadgetCentres(file);
    return g.count(code) ? g.at(code) : std::pair<LONG, LONG>{0, 0};
}
void Klick(const char *file, const char *code)
{
    const auto p = At(file, code);
    PushClick(p.first, p.second);
}

[[noreturn]] void Kind(const Fall &f, const std::string &work, const std::string &display, int readyFd, int goFd)
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
    std::thread watcher([&] {
        f.hin();
        SDL_Delay(1500);
        if (write(readyFd, "ready\n", 6) != 6) _exit(6);
        char c;
        if (read(goFd, &c, 1) != 1) _exit(7);
        f.weg();
    });
    const LONG next = f.screen();
    watcher.join();
    std::fflush(stdout);
    _exit(next == f.next ? 0 : 3);
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

size_t Farben(const Screenshot &s, const Fall &f)
{
    const LONG dx = (kW - 640) / 2, dy = (kH - 480) / 2 - 30;
    std::set<ULONG> n;
    for (LONG y = f.y0; y <= f.y1; ++y)
        for (LONG x = f.x0; x <= f.x1; ++x) n.insert(s.At((ULONG)(x + dx), (ULONG)(y + dy)));
    return n.size();
}

const char *kKorn = "./Data/screendat/KornLager.dat", *kKornReq = "./Data/screendat/KornLagerReq.dat";
const char *kSteuern = "./Data/screendat/Steuern.dat", *kReq4 = "./Data/screendat/SteuernReq4.dat";
const char *kLuxus = "./Data/screendat/Luxus.dat";

const Fall kFaelle[] = {
    {"kornlager", KornlagerScreen, 39,
     [] {
         PushClick(320, 245);
         Klick(kKornReq, "UP00");
     },
     [] {
         Klick(kKornReq, "EXIT");
         Klick(kKorn, "EXIT");
     },
     66, 68, 581, 457, 8},
    {"grundsteuer", SteuernScreen, 2,
     [] {
         Klick(kSteuern, "GRUN");
         PushClick(316, 225);
     },
     [] {
         Klick(kReq4, "EXIT");
         Klick(kSteuern, "EXIT");
     },
     168, 180, 471, 298, 4},
    {"luxus", LuxusScreen, 39,
     [] {
         Klick(kLuxus, "SX00");
         PushClick(300, 66);
     },
     [] { Klick(kLuxus, "EXIT"); }, 180, 60, 600, 420, 6},
};

class WirtschaftXvfb : public ::testing::TestWithParam<Fall> {};

TEST_P(WirtschaftXvfb, DrawnOnARealDisplay)
{
    const Fall &f = GetParam();
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
        Kind(f, dir.path() + "/x11", server.Display(), ready[1], go[0]);
    }
    close(ready[1]);
    close(go[0]);
    const bool shown = ReadLine(ready[0], 60000) == "ready";
    close(ready[0]);
    Screenshot shot;
    // The X server and the screen may lag behind "ready" (a loaded or an
    // emulated run): look until the picture is there, within a bound that
    // grows with the build's pace.
    const bool ok = shown && WaitFor(
                                 [&] {
                                     const RunResult r = RunProgram(
                                         xwd, {"-root", "-silent", "-display", server.Display(), "-out", "root.xwd"}, ".",
                                         20);
                                     return r.status == 0 && ParseXwd(ReadBytes("root.xwd"), &shot) &&
                                            shot.w == (ULONG)kW && shot.h == (ULONG)kH && Farben(shot, f) >= f.farben;
                                 },
                                 std::string("the ") + f.name + " screen on the display", 30 * SlowFactor());
    if (const char *keep = std::getenv("VEK_SHOT_DIR"))
        WriteBytes(std::string(keep) + "/" + f.name + ".xwd", ReadBytes("root.xwd")),
            WriteBytes(std::string(keep) + "/" + f.name + ".log", ReadBytes(dir.path() + "/x11/client.log"));
    if (write(go[1], "g", 1) != 1) ADD_FAILURE() << "client gone";
    close(go[1]);
    EXPECT_EQ(Wait(child), 0) << "the screen ends by its exit gadget";
    ASSERT_TRUE(shown);
    EXPECT_TRUE(ok) << (shot.w == (ULONG)kW && shot.h == (ULONG)kH ? Farben(shot, f) : 0) << " colours";
}

INSTANTIATE_TEST_SUITE_P(Bilder, WirtschaftXvfb, ::testing::ValuesIn(kFaelle),
                         [](const auto &i) { return std::string(i.param.name); });

}  // namespace
