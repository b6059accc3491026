// A private Xvfb server and xwd screenshots for tests on a real X display,
// and the harness of a screen shown there by a child process.
#include "common/xvfb.h"

#include <SDL/SDL.h>
#include <bit>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "common/scriptinput.h"
#include "common/shareddemo.h"
#include "gfx/sdlinit.h"
#include "platform/system.h"
#include "ui/gadgets.h"
#include "ui/input.h"

namespace vektest {

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

Xvfb::Xvfb(const std::string &program, int w, int h)
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

Xvfb::~Xvfb()
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

namespace {

// The child's ends of the ready and go pipes; -1 in a child without a
// parent that looks (RunChild).
int gReadyFd = -1, gGoFd = -1;

// In a fresh child: its working directory, the display, SDL's dummy sound,
// and its output line by line into client.log there.
void ChildEnvironment(const std::string &work, const std::string &display)
{
    if (chdir(work.c_str()) != 0) _exit(5);
    if (display.empty()) {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
    } else {
        setenv("DISPLAY", display.c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
    }
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const int log = open("client.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(log, 1);
    dup2(log, 2);
    setvbuf(stdout, nullptr, _IOLBF, 0);
}

[[noreturn]] void RunBody(const std::string &work, const std::string &display, const std::function<int()> &body)
{
    ChildEnvironment(work, display);
    const int status = body();
    std::fflush(stdout);
    _exit(status);
}

// The child's exit status, waiting at most seconds x SlowFactor() before it
// is killed; -1 when it did not exit by itself.
int WaitChild(pid_t child, int seconds)
{
    int st = 0;
    pid_t done = 0;
    WaitFor([&] { return (done = waitpid(child, &st, WNOHANG)) != 0; }, "the client to end", seconds * SlowFactor());
    if (done == 0) {
        kill(child, SIGKILL);
        waitpid(child, &st, 0);
        return -1;
    }
    return done == child && WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

}  // namespace

void KeepPpm(const char *env, const std::string &name, const Screenshot &shot)
{
    const char *dir = std::getenv(env);
    if (!dir) return;
    std::string ppm = "P6\n" + std::to_string(shot.w) + " " + std::to_string(shot.h) + "\n255\n";
    for (ULONG v : shot.rgb) ppm += {(char)(v >> 16), (char)(v >> 8), (char)v};
    WriteText(std::string(dir) + "/" + name, ppm);
}

void KeepFile(const char *env, const std::string &name, const std::string &from)
{
    if (const char *dir = std::getenv(env)) WriteBytes(std::string(dir) + "/" + name, ReadBytes(from));
}

std::map<ULONG, long> ColoursInGameArea(const Screenshot &shot, LONG x0, LONG y0, LONG x1, LONG y1)
{
    std::map<ULONG, long> n;
    if (shot.w < 640 || shot.h < 540) return n;  // no shot, or none of such a display
    const LONG dx = ((LONG)shot.w - 640) / 2, dy = ((LONG)shot.h - 480) / 2 - 30;
    for (LONG y = y0; y <= y1; ++y)
        for (LONG x = x0; x <= x1; ++x) ++n[shot.At((ULONG)(x + dx), (ULONG)(y + dy))];
    return n;
}

XvfbClient::XvfbClient(int w, int h) : w_(w), h_(h)
{
    const std::string xvfb = FindProgram("Xvfb");
    xwd_ = FindProgram("xwd");
    if (xvfb.empty() || xwd_.empty()) {
        missing_ = "Xvfb or xwd is not installed";
        return;
    }
    server_ = std::make_unique<Xvfb>(xvfb, w, h);
    display_ = server_->Display();
    if (display_.empty()) missing_ = "Xvfb did not start";
    // A child that died must not take the test with it when it is told to go.
    signal(SIGPIPE, SIG_IGN);
}

XvfbClient::~XvfbClient()
{
    if (readyFd_ >= 0) close(readyFd_);
    if (goFd_ >= 0) close(goFd_);
    if (child_ > 0) {
        kill(child_, SIGKILL);
        waitpid(child_, nullptr, 0);
    }
}

bool XvfbClient::Start(const std::string &work, const std::function<int()> &body)
{
    int ready[2], go[2];
    if (!missing_.empty() || child_ > 0 || pipe(ready) != 0) return false;
    if (pipe(go) != 0) {
        close(ready[0]);
        close(ready[1]);
        return false;
    }
    std::fflush(stdout);
    child_ = fork();
    if (child_ == 0) {
        close(ready[0]);
        close(go[1]);
        gReadyFd = ready[1], gGoFd = go[0];
        RunBody(work, display_, body);
    }
    close(ready[1]);
    close(go[0]);
    if (child_ < 0) {
        close(ready[0]);
        close(go[1]);
        return false;
    }
    readyFd_ = ready[0], goFd_ = go[1];
    return true;
}

bool XvfbClient::StartOnDemo(const std::function<int()> &body)
{
    if (!missing_.empty()) return false;
    CopyDemoGameFiles(Work());
    return Start(Work(), body);
}

bool XvfbClient::WaitReady(std::string *extra, int seconds)
{
    if (readyFd_ < 0) return false;
    const std::string line = ReadLine(readyFd_, seconds * 1000);
    if (line != "ready" && line.rfind("ready ", 0) != 0) return false;
    if (extra) *extra = line.size() > 6 ? line.substr(6) : "";
    return true;
}

bool XvfbClient::Shot(Screenshot *shot, const std::string &file)
{
    const RunResult r = RunProgram(xwd_, {"-root", "-silent", "-display", display_, "-out", file}, ".", 20);
    return r.status == 0 && ParseXwd(ReadBytes(file), shot) && shot->w == (ULONG)w_ && shot->h == (ULONG)h_;
}

bool XvfbClient::ShotUntil(Screenshot *shot, const std::function<bool(const Screenshot &)> &check,
                           const std::string &what, int seconds, const std::string &file)
{
    return WaitFor([&] { return Shot(shot, file) && check(*shot); }, what, seconds * SlowFactor());
}

bool XvfbClient::SteadyShotUntil(Screenshot *shot, const std::function<bool(const Screenshot &)> &check,
                                 const std::string &what, int seconds, const std::string &file)
{
    std::vector<ULONG> before;
    return WaitFor(
        [&] {
            if (!Shot(shot, file)) return false;
            const bool steady = shot->rgb == before;
            before = shot->rgb;
            return steady && check(*shot);
        },
        what, seconds * SlowFactor());
}

bool XvfbClient::Go() { return goFd_ >= 0 && write(goFd_, "g", 1) == 1; }

int XvfbClient::Wait(int seconds)
{
    if (readyFd_ >= 0) close(readyFd_);
    if (goFd_ >= 0) close(goFd_);
    readyFd_ = goFd_ = -1;
    if (child_ <= 0) return -1;
    const int status = WaitChild(child_, seconds);
    child_ = -1;
    return status;
}

int RunChild(const std::string &work, const std::string &display, const std::function<int()> &body, int seconds)
{
    std::fflush(stdout);
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) RunBody(work, display, body);
    return WaitChild(child, seconds);
}

void Ready(const std::string &extra, bool pump)
{
    if (gReadyFd < 0) return;
    const std::string line = extra.empty() ? "ready\n" : "ready " + extra + "\n";
    if (write(gReadyFd, line.data(), line.size()) != (ssize_t)line.size()) _exit(6);
    if (pump) {
        for (;;) {
            pollfd p = {gGoFd, POLLIN, 0};
            if (poll(&p, 1, 10) != 0) return;
            SDL_PumpEvents();
        }
    }
    char c;
    if (read(gGoFd, &c, 1) != 1) _exit(7);
}

bool SetUpDisplay(int w, int h, int depth, bool gadgets, const std::function<void()> &before)
{
    SetDefaults();
    VekDisplay.VekScreen_Breite = (UWORD)w;
    VekDisplay.VekScreen_Hoehe = (UWORD)h;
    VekDisplay.VekScreen_Tiefe = (UWORD)depth;
    VekDisplay.VekScreen_Window = 0;
    UserSystem.Sfx.IsEnabled = 0;
    if (before) before();
    if (!initSDL()) return false;
    if (gadgets) UseKavorGadgetPainter();
    return true;
}

void PresentDrawn()
{
    // A few rounds, each longer than the pace the layer keeps between two
    // presentations.
    for (int i = 0; i < 5; ++i) {
        SDL_PumpEvents();
        SDL_Delay(20);
    }
}

void WatchProbes()
{
    GetKeyClickHook = [] {
        if (MousePosition.X > 2 || MousePosition.Y > 2) return;
        PresentDrawn();
        Ready();
    };
}

void Probe() { PushClick(1, 1); }

void SaveDisplayRgb(const std::string &file)
{
    SDL_Surface *s = SDL_GetVideoSurface();
    Bytes rgb;
    rgb.reserve((size_t)s->w * s->h * 3);
    SDL_LockSurface(s);
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x) {
            Uint32 v = *(Uint32 *)((Uint8 *)s->pixels + y * s->pitch + 4 * x);
            Uint8 r, g, b;
            SDL_GetRGB(v, s->format, &r, &g, &b);
            rgb.insert(rgb.end(), {r, g, b});
        }
    SDL_UnlockSurface(s);
    WriteBytes(file, rgb);
}

}  // namespace vektest
