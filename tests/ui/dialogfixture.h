// A headless display for the requester and dialog tests: barcode fonts under
// the dialogs' font names, pictures by number made in code (each a block of
// its own pen), every picture service recorded, scripted input pushed as SDL
// events, and a watchdog so that a wrong script fails instead of waiting.
#pragma once
#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/fontfixture.h"
#include "common/sdlharness.h"
#include "common/testutil.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"

namespace vektest {

// Aborts the test program when not stopped within the limit.
class Watchdog {
public:
    explicit Watchdog(int seconds);
    ~Watchdog();

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool done_ = false;
    std::thread t_;
};

// A copy of a display's pixels, compared whole.
struct Snapshot {
    LONG w = 0, h = 0;
    std::vector<ULONG> pixels;
    ULONG At(LONG x, LONG y) const { return pixels[(size_t)y * w + x]; }
    bool operator==(const Snapshot &o) const { return w == o.w && h == o.h && pixels == o.pixels; }
};
Snapshot Snap(BitMap *bmp);

class DialogTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override;
    void TearDown() override;

    int Depth() const { return GetParam(); }
    RastPort *Display() { return display_; }
    BitMap *DisplayBitMap() { return display_->BitMap; }
    // The pixel of a pen as the display holds it (without the alpha byte at 32 bits).
    ULONG Ink(UBYTE pen) const;
    ULONG At(LONG x, LONG y);
    ULONG AtIn(const Snapshot &s, LONG x, LONG y) const;
    // Barcode text with its first cell at (x, top), in pen ink.
    std::string Read(LONG x, LONG top, UBYTE ink, size_t max = 256);
    std::string ReadIn(const Snapshot &s, LONG x, LONG top, UBYTE ink, size_t max = 256);
    std::string ReadFrom(BitMap *bmp, LONG x, LONG top, UBYTE ink, size_t max = 256);
    // Fills the display with a pattern every pixel of which differs from its neighbours.
    void Pattern();
    // Remembers the display and its port's font, draw mode and pen; the
    // check that a dialog gave them back and took all the input it was given.
    void Remember();
    void ExpectUntouched();
    struct PortLook {
        TextFont *Font;
        UBYTE DrawMode;
        UWORD FgPen;
    };
    Snapshot before_;
    PortLook look_{};

    // Pictures by number: size; the picture is filled with pen (n & 0xFF).
    void AddPicture(ULONG n, LONG w, LONG h) { pictures_[n] = {w, h}; }
    void RemovePicture(ULONG n) { pictures_.erase(n); }
    // Calls of the picture services, as "blit n x,y", "text n x,y text",
    // "copy n", "hold n", "release n", "delay t".
    std::vector<std::string> calls_;
    // Snapshots of the display taken right before a blit of one of these pictures.
    std::vector<ULONG> snapOn_;
    std::vector<std::pair<ULONG, Snapshot>> snaps_;
    std::map<ULONG, int> held_;
    int openSaves_ = 0;

    // Scripted input in game coordinates.
    void MoveTo(LONG x, LONG y, bool leftHeld = false);
    void Press(LONG x, LONG y);
    void Release(LONG x, LONG y);
    void Click(LONG x, LONG y);
    void Key(int sym, int unicode);
    void Tick();
    void Escape() { Key(27 /* SDLK_ESCAPE */, 27); }
    void Return() { Key(13 /* SDLK_RETURN */, 13); }
    void Type(const std::string &text);

    struct Picture {
        LONG w, h;
    };
    std::map<ULONG, Picture> pictures_;
    std::unique_ptr<SdlScreen> screen_;
    std::unique_ptr<ScratchDir> dir_;
    std::unique_ptr<Watchdog> watchdog_;
    RastPort *display_ = nullptr;
    TextFont *font_ = nullptr;  // the barcode font, open for the test
    DialogPainter savedDialogPaint_{};
    GadgetPainter savedGadgetPaint_{};
    ULONG allocs_ = 0;

    static DialogTest *current_;
    static LONG FakeBlit(RastPort *rp, ULONG n, LONG x, LONG y, LONG w, LONG h);
};

}  // namespace vektest
