// The residence on a real X display at 1024 x 768 x 32 with the demo set's
// tutorial preferences: while the welcome text waits for the player, the
// root window's screenshot (xwd) shows a box over the residence, against
// the residence as it stood before the box (the animations pause under it).
// Skipped without Xvfb or xwd.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "common/shareddemo.h"
#include "common/testutil.h"
#include "common/xvfb.h"
#include "gfx/sdlinit.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "town/residenz.h"
#include "town/town.h"
#include "ui/gadgets.h"

using namespace vektest;

namespace {

constexpr int kW = 1024, kH = 768;
int readyFd = -1, goFd = -1;
LONG (*realText)(const char *) = nullptr;

void PushEscapeKey()
{
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_ESCAPE;
    e.key.keysym.unicode = 27;
    SDL_PushEvent(&e);
}

// The display's pixels as 0xRRGGBB bytes into file.
void SavePixels(const char *file)
{
    SDL_Surface *s = SDL_GetVideoSurface();
    Bytes rgb;
    SDL_LockSurface(s);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            Uint32 v = *(Uint32 *)((Uint8 *)s->pixels + y * s->pitch + 4 * x);
            Uint8 r, g, b;
            SDL_GetRGB(v, s->format, &r, &g, &b);
            rgb.insert(rgb.end(), {r, g, b});
        }
    SDL_UnlockSurface(s);
    WriteBytes(file, rgb);
}

// The real text box, with the parent told when it may look and the box
// closed by escape once it has; a second escape leaves the residence.
LONG TextBoxWatched(const char *text)
{
    SavePixels("before.rgb");
    std::thread watcher([] {
        SDL_Delay(500);
        if (write(readyFd, "ready\n", 6) != 6) _exit(6);
        char c;
        if (read(goFd, &c, 1) != 1) _exit(7);
        PushEscapeKey();
    });
    const LONG r = realText(text);
    watcher.join();
    PushEscapeKey();
    return r;
}

[[noreturn]] void Residenz(const std::string &work, const std::string &display)
{
    if (chdir(work.c_str()) != 0) _exit(5);
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const int log = open("client.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(log, 1);
    dup2(log, 2);
    WriteBytes("Data/Prefs.vek", ReadBytes("Tutorial/Data/Prefs.vek"));
    SetDefaults();
    VekDisplay.VekScreen_Breite = kW;
    VekDisplay.VekScreen_Hoehe = kH;
    VekDisplay.VekScreen_Tiefe = 32;
    VekDisplay.VekScreen_Window = 0;
    UserSystem.Sfx.IsEnabled = 0;
    if (!initSDL()) _exit(2);
    UseKavorGadgetPainter();
    PlayerInfo.TurnChecked = 1;
    ResidenzDialogHooks.Ask = [](const char *) { return (LONG)0; };  // the tutorial is wanted
    realText = ResidenzDialogHooks.Text;
    ResidenzDialogHooks.Text = TextBoxWatched;
    if (ResidenzScreen() != 1) _exit(3);
    if (CheckPrefs(30, PREFS_READ, 0) != 1) _exit(4);
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

TEST(ResidenzXvfb, TutorialBoxOverTheResidence)
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
        Residenz(dir.path() + "/x11", server.Display());
    }
    close(ready[1]);
    close(go[0]);
    const bool shown = ReadLine(ready[0], 60000) == "ready";
    close(ready[0]);
    // The box is drawn once the watcher speaks; a few looks allow for the X server's pace.
    long changed = 0;
    LONG x0 = kW, y0 = kH, x1 = -1, y1 = -1;
    // Changes per column and row: the box fills its columns and rows, while
    // the residence's small animations (which may run on under a slow build)
    // and the pointer's title bar touch only a few pixels of theirs.
    std::vector<long> spalten((size_t)kW), zeilen((size_t)kH);
    for (int attempt = 0; shown && attempt < 30 && changed == 0; attempt++) {
        if (attempt) usleep(100000);
        const RunResult r =
            RunProgram(xwd, {"-root", "-silent", "-display", server.Display(), "-out", "root.xwd"}, ".", 20);
        Screenshot shot;
        const Bytes before = ReadBytes(dir.path() + "/x11/before.rgb");
        if (r.status != 0 || !ParseXwd(ReadBytes("root.xwd"), &shot) || shot.w != (ULONG)kW || shot.h != (ULONG)kH ||
            before.size() != (size_t)kW * kH * 3)
            continue;
        for (LONG y = 0; y < kH; ++y)
            for (LONG x = 0; x < kW; ++x) {
                const UBYTE *p = &before[((size_t)y * kW + x) * 3];
                if (shot.At(x, y) == ((ULONG)p[0] << 16 | (ULONG)p[1] << 8 | p[2])) continue;
                ++changed;
                ++spalten[(size_t)x], ++zeilen[(size_t)y];
            }
    }
    for (LONG x = 0; x < kW; ++x)
        if (spalten[(size_t)x] >= kH / 6) x0 = std::min(x0, x), x1 = std::max(x1, x);
    for (LONG y = 0; y < kH; ++y)
        if (zeilen[(size_t)y] >= kW / 6) y0 = std::min(y0, y), y1 = std::max(y1, y);
    if (write(go[1], "g", 1) != 1) ADD_FAILURE() << "client gone";
    close(go[1]);
    EXPECT_EQ(Wait(child), 0) << "the residence ends by escape with the tutorial at step 1";
    ASSERT_TRUE(shown);
    // A box of text: thousands of pixels, inside the screen, not the whole of it.
    EXPECT_GT(changed, 5000);
    EXPECT_GT(x1 - x0, 100);
    EXPECT_LT(x1 - x0, kW / 2 + 200);
    EXPECT_LT(y1 - y0, kH - 100);
    RecordProperty("box", std::to_string(x0) + "," + std::to_string(y0) + "-" + std::to_string(x1) + "," + std::to_string(y1));
}
