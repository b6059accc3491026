// A private Xvfb server and xwd screenshots for tests on a real X display.
#include "common/xvfb.h"

#include <bit>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

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

}  // namespace vektest
