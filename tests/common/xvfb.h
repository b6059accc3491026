// A private Xvfb server for tests that look at a real X display, the root
// window's screenshot (xwd) read back as RGB values, and a screen shown in a
// child process on such a server while the parent takes its screenshots.
#pragma once
#include <functional>
#include <map>
#include <memory>
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
// With the environment variable env naming a folder, the shot there as a
// binary PPM file under name, for a look with any viewer.
void KeepPpm(const char *env, const std::string &name, const Screenshot &shot);
// With the environment variable env naming a folder, a copy of the file from
// there under name; nothing when it is not set.
void KeepFile(const char *env, const std::string &name, const std::string &from);

// The colours of a rectangle of the game area (x0..x1, y0..y1 with both
// ends) in a shot of a display larger than 640 x 480, where the game area
// lies centred, 30 rows above the middle; by count. Empty for a shot of
// another size (one that was never taken).
std::map<ULONG, long> ColoursInGameArea(const Screenshot &shot, LONG x0, LONG y0, LONG x1, LONG y1);

// The parent's side of a screen shown in a child process on a private Xvfb
// server: the child says when the screen is as it should be (Ready below)
// and waits while the parent takes its screenshots, then goes on when told.
// A scratch directory is the working directory for the object's lifetime;
// a child still there when the object goes is killed.
class XvfbClient {
public:
    // Finds Xvfb and xwd and starts a w x h x 24 server.
    XvfbClient(int w, int h);
    ~XvfbClient();
    XvfbClient(const XvfbClient &) = delete;
    XvfbClient &operator=(const XvfbClient &) = delete;

    // Why the test cannot run here (for GTEST_SKIP); "" when it can.
    const std::string &Missing() const { return missing_; }
    const std::string &Display() const { return display_; }
    const std::string &Dir() const { return dir_.path(); }
    // Where StartOnDemo's child works: x11 in the scratch directory.
    std::string Work() const { return Dir() + "/x11"; }

    // Forks the child: it works in work on the server's display with its
    // output in client.log, and body's result is its exit status.
    bool Start(const std::string &work, const std::function<int()> &body);
    // The same in Work() on a copy of the demo set's game files.
    bool StartOnDemo(const std::function<int()> &body);
    // The child's next ready line within the time limit; extra gets what
    // follows "ready ". False when none came (the child failed or hangs).
    bool WaitReady(std::string *extra = nullptr, int seconds = 60);
    // One screenshot of the root window into file (in the working
    // directory); false when xwd failed or the picture is not the server's.
    bool Shot(Screenshot *shot, const std::string &file = "root.xwd");
    // Screenshots until check holds on one, for at most seconds x
    // SlowFactor(): the client and the X server may lag behind "ready" (a
    // loaded or an emulated run). shot keeps the last one read.
    bool ShotUntil(Screenshot *shot, const std::function<bool(const Screenshot &)> &check, const std::string &what,
                   int seconds = 10, const std::string &file = "root.xwd");
    // The same, but the check must hold on a picture equal to the one shot
    // before it: for a child that draws nothing more while the parent looks,
    // the display has caught up with all that was drawn.
    bool SteadyShotUntil(Screenshot *shot, const std::function<bool(const Screenshot &)> &check,
                         const std::string &what, int seconds = 10, const std::string &file = "root.xwd");
    // Lets the child go on from its Ready; false when it is gone.
    bool Go();
    // Closes the pipes and waits at most seconds x SlowFactor() for the
    // child to end, then kills it; its exit status, -1 when it did not exit.
    int Wait(int seconds = 30);

private:
    ScratchDir dir_;
    int w_, h_;
    std::string xwd_, missing_, display_;
    std::unique_ptr<Xvfb> server_;
    pid_t child_ = -1;
    int readyFd_ = -1, goFd_ = -1;
};

// Runs body in a child process set up as XvfbClient::Start sets it up, but
// on SDL's dummy display when display is empty (where Ready returns at once);
// its exit status as XvfbClient::Wait gives it.
int RunChild(const std::string &work, const std::string &display, const std::function<int()> &body,
             int seconds = 30);

// In the child: the line "ready" (with extra after a space) to the parent,
// then blocked until it says go. Ends the process (6, 7) when the parent is
// gone. With pump, SDL's events are pumped while it waits, as a main loop
// would: SDL may hold back the last updates of a burst until then.
void Ready(const std::string &extra = "", bool pump = false);

// In the child: SetDefaults with a w x h x depth full-screen display and
// the sound effects off; then before (settings the start-up reads), the
// start-up's SDL set-up and, with gadgets, the game's gadget painter. False
// when SDL did not start.
bool SetUpDisplay(int w, int h, int depth, bool gadgets = true, const std::function<void()> &before = {});

// In the child, on the main thread, before a Ready that holds it: the
// compatibility layer under SDL 1.2 may hold back the last updates it was
// given and shows them while events are pumped; let it.
void PresentDrawn();

// In the child, for a scripted screen: from now on a probe (a click at 1, 1
// that Probe pushes) says Ready where the screen waits for input, once
// what was drawn is shown (PresentDrawn).
void WatchProbes();
void Probe();

// In the child: the pixels of a 32-bit display as 0xRRGGBB bytes into file.
void SaveDisplayRgb(const std::string &file);

}  // namespace vektest
