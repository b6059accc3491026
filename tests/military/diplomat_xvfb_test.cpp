// The diplomat's office on a real X display at 32 bits: the trade page with
// the neighbour and wood chosen (the ware's picture at 464,75 and the stock
// in the status box), and the cancel page with the trade agreement's
// document in its box at 313,127. The screenshots (xwd) are kept as
// diplomat_trade.xwd and diplomat_document.xwd in the directory VEK_SHOT_DIR
// names, when set. Skipped without Xvfb or xwd.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "common/scriptinput.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "common/xvfb.h"
#include "gfx/font.h"
#include "gfx/graphics.h"
#include "gfx/screen.h"
#include "gfx/sdlinit.h"
#include "military/military.h"
#include "platform/system.h"
#include "ui/gadgets.h"
#include "ui/screendat.h"
#include "world/towns.h"
#include "world/vertrag.h"

using namespace vektest;

namespace {

constexpr int kW = 640, kH = 480;
int readyFd = -1, goFd = -1;

UWORD gZeile = 12;
int gMoment = 0;

void Klick(const char *datei, const char *code)
{
    auto at = GadgetCentres((std::string("./Data/screendat/") + datei).c_str());
    if (!at.count(code)) _exit(10);
    PushClick(at[code].first, at[code].second);
}

// The advisor's box comes once the page is drawn: the moment to look. The
// box is answered with Cancel at once, so that the screen waits for input
// (and the display is brought up to date) while the picture is taken; the
// next clicks follow when it is taken.
LONG Zeigen(const char *, int)
{
    const int moment = gMoment++;
    std::thread([moment] {
        if (write(readyFd, "ready\n", 6) != 6) _exit(6);
        char c;
        if (read(goFd, &c, 1) != 1) _exit(7);
        if (moment == 0) {
            PushEscape();
            Klick("DiplomatieMain.dat", "CH03");
            PushClick(12, 77 + 3 * gZeile + gZeile / 2);  // the trade agreement
            Klick("Diplomatie3.dat", "BU31");             // the question: look
        } else {
            PushEscape();
            PushEscape();
        }
    }).detach();
    return 1;  // Cancel: nothing is cancelled
}

[[noreturn]] void Zeige(const std::string &work, const std::string &display)
{
    if (chdir(work.c_str()) != 0) _exit(5);
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const int log = open("client.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(log, 1);
    dup2(log, 2);
    ::Stadt *t = GetActiveTown(0);
    if (!t) _exit(8);
    t->GebaeudeAbhaengigkeiten[16].GfxBitfeld |= GFX_THISIMAGEISSET;
    t->GebaeudeAbhaengigkeiten[25].GfxBitfeld |= GFX_THISIMAGEISSET;
    if (!SpeichereStadt(t)) _exit(9);
    FreeVec(t);
    SetDefaults();
    VekDisplay.VekScreen_Breite = kW;
    VekDisplay.VekScreen_Hoehe = kH;
    VekDisplay.VekScreen_Tiefe = 32;
    VekDisplay.VekScreen_Window = 0;
    UserSystem.Sfx.IsEnabled = 0;
    if (!initSDL()) _exit(2);
    UseKavorGadgetPainter();
    PlayerInfo.SpielerID = 7;
    PlayerInfo.AktStadtID = 0;
    VertragMeldungHook = Zeigen;
    if (TextFont *f = OpenDiskFont("Fonts/XHelvetica11.fnt")) {
        gZeile = f->tf_YSize;
        CloseFont(f);
    }
    Klick("DiplomatieMain.dat", "CH01");
    PushClick(12, 77 + 2 * gZeile + gZeile / 2);   // Nachbar
    PushClick(315, 77 + 1 * gZeile + gZeile / 2);  // wood
    Klick("Diplomatie1.dat", "BU22");              // the advertisement's box: look
    if (DiplomatScreen() != 2) _exit(3);
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

// Pixels in a box that differ from its top left corner.
long Anders(const Screenshot &s, ULONG x0, ULONG y0, ULONG x1, ULONG y1)
{
    long n = 0;
    for (ULONG y = y0; y < y1; ++y)
        for (ULONG x = x0; x < x1; ++x) n += s.At(x, y) != s.At(x0, y0);
    return n;
}

}  // namespace

TEST(DiplomatXvfb, TradePageWithAWareAndADocument)
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
        Zeige(dir.path() + "/x11", server.Display());
    }
    close(ready[1]);
    close(go[0]);
    const char *namen[2] = {"diplomat_trade.xwd", "diplomat_document.xwd"};
    Screenshot shots[2];
    bool gesehen[2] = {false, false};
    // The display is brought up to date while the screen waits for input: a
    // few looks allow for the client's and the X server's pace.
    auto fertig = [](int k, const Screenshot &s) {
        return k == 0 ? Anders(s, 464, 45, 624, 165) > 2000 && Anders(s, 8, 47, 280, 90) > 100
                      : Anders(s, 313, 97, 541, 331) > 500;
    };
    for (int k = 0; k < 2; ++k) {
        if (ReadLine(ready[0], 60000) != "ready") break;
        for (int attempt = 0; attempt < 50 && !gesehen[k]; ++attempt) {
            if (attempt) usleep(100000);
            const RunResult run =
                RunProgram(xwd, {"-root", "-silent", "-display", server.Display(), "-out", namen[k]}, ".", 20);
            gesehen[k] = run.status == 0 && ParseXwd(ReadBytes(namen[k]), &shots[k]) && shots[k].w == (ULONG)kW &&
                         fertig(k, shots[k]);
        }
        if (const char *ziel = std::getenv("VEK_SHOT_DIR")) WriteBytes(std::string(ziel) + "/" + namen[k], ReadBytes(namen[k]));
        if (write(go[1], "g", 1) != 1) break;
    }
    close(ready[0]);
    close(go[1]);
    EXPECT_EQ(Wait(child), 0) << "the screen ends by escape towards the residence";
    if (const char *ziel = std::getenv("VEK_SHOT_DIR"))
        WriteBytes(std::string(ziel) + "/diplomat.log", ReadBytes(dir.path() + "/x11/client.log"));
    // At 32 bits a 640 x 480 display shows the game area 30 rows higher.
    EXPECT_TRUE(gesehen[0]) << "the trade page with the ware's picture at 464,75 and the player lines";
    EXPECT_TRUE(gesehen[1]) << "the trade agreement's document in its box at 313,127";
}
