// A picture on a real X display: a private Xvfb server, the start-up's own
// SDL set-up in full-screen mode, OpenKavorPic with its fade-in, and a
// screenshot of the root window (xwd) compared pixel for pixel with the
// picture and its colour map. Skipped when Xvfb or xwd is not installed.
#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "common/gfxfixture.h"
#include "common/testutil.h"
#include "gfx/screen.h"
#include "platform/system.h"

using namespace vektest;

namespace {

std::string FindProgram(const char *name)
{
    const char *path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        const std::string full = dir + "/" + name;
        if (access(full.c_str(), X_OK) == 0) return full;
    }
    return "";
}

// Reads one line from fd within the time limit; "" on timeout or end.
std::string ReadLine(int fd, int timeoutMs)
{
    std::string line;
    for (;;) {
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0) return "";
        char c;
        const ssize_t n = read(fd, &c, 1);
        if (n <= 0) return line.empty() ? "" : line;
        if (c == '\n') return line;
        line += c;
    }
}

// An Xvfb server on a display number it picks itself (so parallel runs do
// not collide), stopped again when the object goes.
class Xvfb {
public:
    Xvfb(const std::string &program, int w, int h)
    {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            const std::string fd = std::to_string(fds[1]);
            const std::string screen = std::to_string(w) + "x" + std::to_string(h) + "x24";
            // A big-endian client run under emulation meets a little-endian
            // server here: shared-memory images would reach it unswapped.
            if (std::endian::native == std::endian::big)
                execl(program.c_str(), program.c_str(), "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
                      "-nolisten", "tcp", "-extension", "MIT-SHM", (char *)nullptr);
            execl(program.c_str(), program.c_str(), "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
                  "-nolisten", "tcp", (char *)nullptr);
            _exit(127);
        }
        close(fds[1]);
        const std::string number = ReadLine(fds[0], 10000);
        close(fds[0]);
        if (!number.empty()) display_ = ":" + number;
    }
    ~Xvfb()
    {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        int st;
        for (int i = 0; i < 50 && waitpid(pid_, &st, WNOHANG) == 0; i++) usleep(100000);
        if (waitpid(pid_, &st, WNOHANG) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &st, 0);
        }
    }
    const std::string &Display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

// The root window of an xwd file as 0xRRGGBB values.
struct Screenshot {
    ULONG w = 0, h = 0;
    std::vector<ULONG> rgb;
    ULONG At(ULONG x, ULONG y) const { return rgb[(size_t)y * w + x]; }
};

bool ParseXwd(const Bytes &file, Screenshot *shot)
{
    auto be = [&](size_t i) {
        const size_t at = 4 * i;
        return (ULONG)file[at] << 24 | (ULONG)file[at + 1] << 16 | (ULONG)file[at + 2] << 8 | file[at + 3];
    };
    if (file.size() < 100) return false;
    const ULONG headerSize = be(0), format = be(2), w = be(4), h = be(5), byteOrder = be(7), bpp = be(11),
                bytesPerLine = be(12), masks[3] = {be(14), be(15), be(16)}, ncolors = be(19);
    if (format != 2 || bpp != 32 || w == 0 || h == 0) return false;
    const size_t data = (size_t)headerSize + (size_t)ncolors * 12;
    if (file.size() < data + (size_t)bytesPerLine * h) return false;
    shot->w = w;
    shot->h = h;
    shot->rgb.resize((size_t)w * h);
    for (ULONG y = 0; y < h; y++)
        for (ULONG x = 0; x < w; x++) {
            const UBYTE *p = file.data() + data + (size_t)y * bytesPerLine + 4 * (size_t)x;
            const ULONG v = byteOrder ? (ULONG)p[0] << 24 | (ULONG)p[1] << 16 | (ULONG)p[2] << 8 | p[3]
                                      : (ULONG)p[3] << 24 | (ULONG)p[2] << 16 | (ULONG)p[1] << 8 | p[0];
            ULONG out = 0;
            for (int c = 0; c < 3; c++) {
                const ULONG m = masks[c];
                if (!m) continue;
                const int shift = __builtin_ctz(m);
                out = out << 8 | (((v & m) >> shift) & 0xFF);
            }
            shot->rgb[(size_t)y * w + x] = out;
        }
    return true;
}

// The client side, in a child process: start-up's SDL set-up on the X
// display, the picture opened with its fade-in; then it says "ready" and
// runs until the parent has taken its screenshots.
[[noreturn]] void ShowPicture(const std::string &display, int depth, int w, int h, int readyFd, int goFd)
{
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const int log = open("client.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(log, 1);
    dup2(log, 2);
    SetDefaults();
    VekDisplay.VekScreen_Breite = (UWORD)w;
    VekDisplay.VekScreen_Hoehe = (UWORD)h;
    VekDisplay.VekScreen_Tiefe = (UWORD)depth;
    VekDisplay.VekScreen_Window = 0;
    UserSystem.Sfx.IsEnabled = 0;
    bScreenFadeInDeactivate = 0;
    if (!initSDL()) _exit(2);
    if (OpenKavorPic("./Data/Path", 5, 0) != 0) _exit(3);
    std::fflush(stdout);
    if (write(readyFd, "ready\n", 6) != 6) _exit(4);
    // Like the main loop, keep pumping events: SDL may hold back the last
    // updates of a burst until then.
    for (;;) {
        pollfd p = {goFd, POLLIN, 0};
        if (poll(&p, 1, 10) != 0) break;
        SDL_PumpEvents();
    }
    CloseKavorPic(5, 0);
    exitSDL();
    std::fflush(stdout);
    _exit(0);
}

struct Shown {
    int depth, w, h;
};

class RealDisplay : public ::testing::TestWithParam<Shown> {};

INSTANTIATE_TEST_SUITE_P(Depths, RealDisplay, ::testing::Values(Shown{8, 640, 480}, Shown{32, 800, 600}),
                         [](const auto &info) { return std::to_string(info.param.depth) + "bit"; });

TEST_P(RealDisplay, ScreenshotShowsThePicturesOwnPixels)
{
    const Shown p = GetParam();
    const std::string xvfb = FindProgram("Xvfb"), xwd = FindProgram("xwd");
    if (xvfb.empty() || xwd.empty()) GTEST_SKIP() << "Xvfb or xwd is not installed";
    ScratchDir dir;
    const TestPicture pic = WriteTestPicture(5, 20, 11);
    // The start-up needs its pointer picture.
    SDL_Surface *pointer = SDL_CreateRGBSurface(SDL_SWSURFACE, 16, 16, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    ASSERT_NE(pointer, nullptr);
    MakeDirs("Pics");
    ASSERT_EQ(SDL_SaveBMP(pointer, "Pics/CursorSDL.chk"), 0);
    SDL_FreeSurface(pointer);

    Xvfb server(xvfb, p.w, p.h);
    if (server.Display().empty()) GTEST_SKIP() << "Xvfb did not start";

    signal(SIGPIPE, SIG_IGN);  // a client that died must not take the test with it
    int ready[2], go[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(go), 0);
    std::fflush(stdout);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        close(go[1]);
        ShowPicture(server.Display(), p.depth, p.w, p.h, ready[1], go[0]);
    }
    close(ready[1]);
    close(go[0]);
    const bool shown = ReadLine(ready[0], 30000) == "ready";
    close(ready[0]);

    // Above 8 bits the game area sits centred, 30 rows above the middle.
    const ULONG ox = p.depth == 8 ? 0 : (ULONG)(p.w - 640) / 2, oy = p.depth == 8 ? 0 : (ULONG)((p.h - 480) / 2 - 30);
    long wrong = -1;
    std::string firstWrong;
    for (int attempt = 0; shown && attempt < 30 && wrong != 0; attempt++) {
        if (attempt) usleep(100000);
        const RunResult r = RunProgram(xwd, {"-root", "-silent", "-display", server.Display(), "-out", "root.xwd"},
                                       ".", 20);
        Screenshot shot;
        if (r.status != 0 || !ParseXwd(ReadBytes("root.xwd"), &shot) || shot.w != (ULONG)p.w ||
            shot.h != (ULONG)p.h)
            continue;
        wrong = 0;
        firstWrong.clear();
        for (ULONG y = 0; y < 480; y++)
            for (ULONG x = 0; x < 640; x++) {
                const UBYTE i = pic.pixels[(size_t)y * 640 + x];
                const ULONG want = (ULONG)pic.cmap[3 * i] << 16 | (ULONG)pic.cmap[3 * i + 1] << 8 | pic.cmap[3 * i + 2];
                const ULONG got = shot.At(ox + x, oy + y);
                if (got != want && wrong++ == 0) {
                    std::ostringstream s;
                    s << "(" << x << ", " << y << ") index " << (int)i << ": " << std::hex << got << " not " << want;
                    firstWrong = s.str();
                }
            }
        // Outside the game area the display stays black.
        if (p.w > 640) wrong += (shot.At(0, 0) != 0) + (shot.At(p.w - 1, p.h - 1) != 0);
    }
    if (write(go[1], "g", 1) != 1) ADD_FAILURE() << "client gone";
    close(go[1]);
    int st = 0;
    for (int i = 0; i < 100 && waitpid(child, &st, WNOHANG) == 0; i++) usleep(100000);
    if (waitpid(child, &st, WNOHANG) == 0) {
        kill(child, SIGKILL);
        waitpid(child, &st, 0);
    }
    const std::string log = [] {
        const Bytes b = ReadBytes("client.log");
        const std::string all(b.begin(), b.end());
        return all.size() > 3000 ? all.substr(all.size() - 3000) : all;
    }();
    ASSERT_TRUE(shown) << "the client did not show the picture:\n" << log;
    EXPECT_EQ(wrong, 0) << firstWrong;
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << log;
}

}  // namespace
