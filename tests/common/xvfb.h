// A private Xvfb server for tests that look at a real X display, and the
// root window's screenshot (xwd) read back as RGB values.
#pragma once
#include <string>
#include <sys/types.h>
#include <vector>

#include "common/testutil.h"
#include "platform/types.h"

namespace vektest {

std::string FindProgram(const char *name);            // "" when not on PATH
std::string ReadLine(int fd, int timeoutMs);          // one line within the time limit; "" on timeout or end

// An Xvfb server on a display number it picks itself (so parallel runs do
// not collide), stopped again when the object goes.
class Xvfb {
public:
    Xvfb(const std::string &program, int w, int h);
    ~Xvfb();
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
bool ParseXwd(const Bytes &file, Screenshot *shot);

}  // namespace vektest
