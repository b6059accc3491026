// The kept map screen on a real X display: after a visit at 1024 x 768 x 32,
// also one scrolled by keys, the screenshot of the root window (xwd) equals,
// pixel for pixel, what the same run leaves on SDL's dummy display; a
// scrolled view equals a fresh drawing of it. Skipped without Xvfb or xwd.
// With VEK_XVFB_SHOTS set to a folder the screenshots are kept there (PPM).
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

#include "common/shareddemo.h"
#include "common/testutil.h"
#include "common/xvfb.h"
#include "gfx/graphics.h"
#include "gfx/sdlinit.h"
#include "map/kartenscreen.h"
#include "map/mapview.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "world/towns.h"

using namespace vektest;

namespace {

namespace fs = std::filesystem;
constexpr int kW = 1024, kH = 768;

int StadtPos(LONG id, ULONG *x, ULONG *y)
{
    Stadt *s = GetActiveTown(id);
    if (!s) return 0;
    *x = s->XPos;
    *y = s->YPos;
    FreeVec(s);
    return 1;
}

// In a child process: start-up's SDL set-up, the kept map screen and one
// visit left with escape; the display's pixels as 0xRRGGBB into pixels.rgb.
// With a ready pipe it then waits until the parent has its screenshot.
[[noreturn]] void Zeige(const std::string &arbeit, const char *treiber, const std::string &display, int readyFd,
                        int goFd, const std::string &tasten)
{
    if (chdir(arbeit.c_str()) != 0) _exit(5);
    if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_VIDEODRIVER", treiber, 1);
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
    if (!initSDL()) _exit(2);
    KartenStadtPosHook = StadtPos;
    if (KartenScreen(1, 0) != 1) _exit(3);
    SDL_Event e{};
    // The scroll keys, then escape.
    for (char t : tasten) {
        e.type = SDL_KEYDOWN;
        e.key.keysym.sym = (SDLKey)t;
        e.key.keysym.unicode = (Uint16)t;
        SDL_PushEvent(&e);
    }
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_ESCAPE;
    e.key.keysym.unicode = 27;
    SDL_PushEvent(&e);
    if (KartenScreen(2, 1) != 2) _exit(4);
    // The layer drawn step by step against a fresh drawing of the same view.
    if (VekMapInfo *v = LDKS ? LDKS->VekMapInfoPtr : nullptr) {
        SDL_Surface *l = v->LayerBitmapPtr->Surface;
        Bytes schritt((size_t)l->pitch * l->h);
        std::memcpy(schritt.data(), l->pixels, schritt.size());
        v->QuickUpdate = 0;
        BlitMap(v);
        if (std::memcmp(schritt.data(), l->pixels, schritt.size()) != 0) _exit(7);
    }
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
    WriteBytes("pixels.rgb", rgb);
    if (readyFd >= 0) {
        if (write(readyFd, "ready\n", 6) != 6) _exit(6);
        for (;;) {
            pollfd p = {goFd, POLLIN, 0};
            if (poll(&p, 1, 10) != 0) break;
            SDL_PumpEvents();
        }
    }
    std::fflush(stdout);
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

void Vergleiche(const std::string &tasten, const char *name)
{
    const std::string xvfb = FindProgram("Xvfb"), xwd = FindProgram("xwd");
    if (xvfb.empty() || xwd.empty()) GTEST_SKIP() << "Xvfb or xwd is not installed";
    ScratchDir dir;
    CopyDemoGameFiles(dir.path() + "/dummy");
    CopyDemoGameFiles(dir.path() + "/x11");
    std::fflush(stdout);
    const pid_t attrappe = fork();
    ASSERT_GE(attrappe, 0);
    if (attrappe == 0) Zeige(dir.path() + "/dummy", "dummy", "", -1, -1, tasten);
    ASSERT_EQ(Warte(attrappe), 0);
    const Bytes soll = ReadBytes(dir.path() + "/dummy/pixels.rgb");
    ASSERT_EQ(soll.size(), (size_t)kW * kH * 3);
    std::set<ULONG> farben;
    for (size_t i = 0; i < soll.size(); i += 3) farben.insert((ULONG)soll[i] << 16 | (ULONG)soll[i + 1] << 8 | soll[i + 2]);
    ASSERT_GT(farben.size(), 16u) << "the frame, map and backdrop are on the display";

    Xvfb server(xvfb, kW, kH);
    if (server.Display().empty()) GTEST_SKIP() << "Xvfb did not start";
    signal(SIGPIPE, SIG_IGN);
    int ready[2], go[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(go), 0);
    const pid_t kind = fork();
    ASSERT_GE(kind, 0);
    if (kind == 0) {
        close(ready[0]);
        close(go[1]);
        Zeige(dir.path() + "/x11", "x11", server.Display(), ready[1], go[0], tasten);
    }
    close(ready[1]);
    close(go[0]);
    const bool gezeigt = ReadLine(ready[0], 60000) == "ready";
    close(ready[0]);
    long falsch = -1;
    for (int versuch = 0; gezeigt && versuch < 30 && falsch != 0; versuch++) {
        if (versuch) usleep(100000);
        const RunResult r = RunProgram(xwd, {"-root", "-silent", "-display", server.Display(), "-out", "root.xwd"},
                                       ".", 20);
        Screenshot shot;
        if (r.status != 0 || !ParseXwd(ReadBytes("root.xwd"), &shot) || shot.w != (ULONG)kW || shot.h != (ULONG)kH)
            continue;
        if (const char *ablage = std::getenv("VEK_XVFB_SHOTS")) {
            std::string ppm = "P6\n" + std::to_string(kW) + " " + std::to_string(kH) + "\n255\n";
            for (ULONG v : shot.rgb) ppm += {(char)(v >> 16), (char)(v >> 8), (char)v};
            WriteText(std::string(ablage) + "/" + name + ".ppm", ppm);
        }
        falsch = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const UBYTE *p = &soll[((size_t)y * kW + x) * 3];
                falsch += shot.At(x, y) != ((ULONG)p[0] << 16 | (ULONG)p[1] << 8 | p[2]);
            }
    }
    if (write(go[1], "g", 1) != 1) ADD_FAILURE() << "client gone";
    close(go[1]);
    EXPECT_EQ(Warte(kind), 0);
    EXPECT_TRUE(gezeigt);
    EXPECT_EQ(falsch, 0);
    EXPECT_EQ(ReadBytes(dir.path() + "/x11/pixels.rgb"), soll) << "both runs leave the same picture";
}

}  // namespace

TEST(KartenScreenXvfb, ScreenshotEqualsTheDummyDisplay) { Vergleiche("", "karte"); }

// Up twice, right, down, left, up: strips in every direction.
TEST(KartenScreenXvfb, ScrolledViewEqualsTheDummyDisplay) { Vergleiche("wwdsaw", "karte_gescrollt"); }
