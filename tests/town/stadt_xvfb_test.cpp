// The town at night on a real X display at 8 bits: the demo capital opened
// at 23:00 local time shows its picture darkened to 40 per cent of its
// colours, with the window lights in their own undarkened pen and the
// town's name at the top. The root
// window's screenshot (xwd) is kept as town_night.xwd in the directory
// VEK_SHOT_DIR names, when set. Skipped without Xvfb or xwd.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "common/shareddemo.h"
#include "common/testutil.h"
#include "common/xvfb.h"
#include "gfx/palette.h"
#include "gfx/sdlinit.h"
#include "platform/system.h"
#include "town/stadtbild.h"
#include "town/stadtscreen.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "world/towns.h"

using namespace vektest;

namespace {

constexpr int kW = 640, kH = 480;
int readyFd = -1, goFd = -1;
ChiefStruktur1 kBox{};

void PushEscapeKey()
{
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_ESCAPE;
    e.key.keysym.unicode = 27;
    SDL_PushEvent(&e);
}

// The rebels' box comes once the town is shown: the moment to look. It
// draws nothing here, so the picture stays the town's own.
ChiefStruktur1 *Gezeigt(const char *)
{
    std::thread([] {
        const SDL_Color lampe = KavoriaPalette[7];
        const std::string zeile = "ready " + std::to_string(lampe.r) + " " + std::to_string(lampe.g) + " " +
                                  std::to_string(lampe.b) + "\n";
        if (write(readyFd, zeile.data(), zeile.size()) != (ssize_t)zeile.size()) _exit(6);
        char c;
        if (read(goFd, &c, 1) != 1) _exit(7);
        PushEscapeKey();
    }).detach();
    return &kBox;
}

[[noreturn]] void StadtZeigen(const std::string &work, const std::string &display)
{
    if (chdir(work.c_str()) != 0) _exit(5);
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const int log = open("client.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(log, 1);
    dup2(log, 2);
    ::Stadt *t = LadeStadt("Demoburg");
    if (!t) _exit(8);
    t->Event |= STADTEVENT_REBELLION;
    if (!SpeichereStadt(t)) _exit(9);
    FreeVec(t);
    SetDefaults();
    VekDisplay.VekScreen_Breite = kW;
    VekDisplay.VekScreen_Hoehe = kH;
    VekDisplay.VekScreen_Tiefe = 8;
    VekDisplay.VekScreen_Window = 0;
    UserSystem.Sfx.IsEnabled = 0;
    if (!initSDL()) _exit(2);
    UseKavorGadgetPainter();
    PlayerInfo.AktStadtID = 0;
    StadtUhrHook = [](int *h, int *m) { *h = 23, *m = 0; };
    StadtDialogHooks.Offen = Gezeigt;
    StadtDialogHooks.Schliessen = [](ChiefStruktur1 *) {};
    if (StadtScreen() != 2) _exit(3);
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

}  // namespace

TEST(StadtXvfb, TownAtNightAtEightBits)
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
        StadtZeigen(dir.path() + "/x11", server.Display());
    }
    close(ready[1]);
    close(go[0]);
    const std::string zeile = ReadLine(ready[0], 60000);
    close(ready[0]);
    unsigned r = 0, g = 0, b = 0;
    const bool shown = std::sscanf(zeile.c_str(), "ready %u %u %u", &r, &g, &b) == 3;
    const ULONG lampe = (ULONG)r << 16 | (ULONG)g << 8 | b;
    // The lights are drawn after the fade-in; a few looks allow for the X server's pace.
    Screenshot shot;
    bool lichter = false, name = false;
    for (int attempt = 0; shown && attempt < 30 && !(lichter && name); attempt++) {
        if (attempt) usleep(100000);
        const RunResult run =
            RunProgram(xwd, {"-root", "-silent", "-display", server.Display(), "-out", "root.xwd"}, ".", 20);
        if (run.status != 0 || !ParseXwd(ReadBytes("root.xwd"), &shot) || shot.w != (ULONG)kW || shot.h != (ULONG)kH)
            continue;
        lichter = shot.At(540, 286) == lampe && shot.At(522, 269) == lampe && shot.At(567, 266) == lampe;
        // The name, centred over the strip, where the strip has one colour.
        long anders = 0;
        for (ULONG y = 0; y < 40; ++y)
            for (ULONG x = 330; x < 560; ++x) anders += shot.At(x, y) != shot.At(330, 0);
        name = anders > 100;
    }
    if (const char *ziel = std::getenv("VEK_SHOT_DIR"))
        WriteBytes(std::string(ziel) + "/town_night.xwd", ReadBytes("root.xwd"));
    if (write(go[1], "g", 1) != 1) ADD_FAILURE() << "client gone";
    close(go[1]);
    EXPECT_EQ(Wait(child), 0) << "the town ends by escape towards the residence";
    if (const char *ziel = std::getenv("VEK_SHOT_DIR"))
        WriteBytes(std::string(ziel) + "/town_night.log", ReadBytes(dir.path() + "/x11/client.log"));
    ASSERT_TRUE(shown);
    EXPECT_TRUE(lichter) << "window lights in pen 7";
    EXPECT_TRUE(name) << "the town's name over the strip";
    // At 60 per cent darkness no colour of the town's own entries goes
    // above 40 per cent of full brightness (the gadgets below and the texts
    // above keep pens of their own).
    long hell = 0;
    for (ULONG y = 60; y < 440; ++y)
        for (ULONG x = 0; x < (ULONG)kW; ++x) {
            const ULONG c = shot.At(x, y);
            if (c == lampe) continue;
            hell += ((c >> 16) & 0xFF) > 103 || ((c >> 8) & 0xFF) > 103 || (c & 0xFF) > 103;
        }
    EXPECT_LT(hell, (long)kW * kH / 20) << "the night darkens the town";
}
