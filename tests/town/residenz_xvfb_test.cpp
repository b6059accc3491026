// The residence on a real X display at 1024 x 768 x 32 with the demo set's
// tutorial preferences: while the welcome text waits for the player, the
// root window's screenshot (xwd) shows a box over the residence, against
// the residence as it stood before the box (the animations pause under it).
// Skipped without Xvfb or xwd.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>
#include <thread>

#include "common/scriptinput.h"
#include "common/testutil.h"
#include "common/xvfb.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "town/residenz.h"
#include "town/town.h"
#include "ui/gadgets.h"

using namespace vektest;

namespace {

constexpr int kW = 1024, kH = 768;
LONG (*realText)(const char *) = nullptr;

// The real text box, with the parent told when it may look and the box
// closed by escape once it has; a second escape leaves the residence.
LONG TextBoxWatched(const char *text)
{
    SaveDisplayRgb("before.rgb");
    std::thread watcher([] {
        Ready();
        PushEscape();
    });
    const LONG r = realText(text);
    watcher.join();
    PushEscape();
    return r;
}

int Residenz()
{
    WriteBytes("Data/Prefs.vek", ReadBytes("Tutorial/Data/Prefs.vek"));
    if (!SetUpDisplay(kW, kH, 32)) return 2;
    PlayerInfo.TurnChecked = 1;
    ResidenzDialogHooks.Ask = [](const char *) { return (LONG)0; };  // the tutorial is wanted
    realText = ResidenzDialogHooks.Text;
    ResidenzDialogHooks.Text = TextBoxWatched;
    if (ResidenzScreen() != 1) return 3;
    if (CheckPrefs(30, PREFS_READ, 0) != 1) return 4;
    return 0;
}

}  // namespace

TEST(ResidenzXvfb, TutorialBoxOverTheResidence)
{
    XvfbClient xvfb(kW, kH);
    if (!xvfb.Missing().empty()) GTEST_SKIP() << xvfb.Missing();
    ASSERT_TRUE(xvfb.StartOnDemo(Residenz));
    const bool shown = xvfb.WaitReady();
    // The box is drawn after the watcher speaks: look until it is there.
    long changed = 0;
    LONG x0 = kW, y0 = kH, x1 = -1, y1 = -1;
    Screenshot shot;
    auto box = [&](const Screenshot &s) {
        const Bytes before = ReadBytes(xvfb.Work() + "/before.rgb");
        if (before.size() != (size_t)kW * kH * 3) return false;
        // Changes per column and row: the box fills its columns and rows, while
        // the residence's small animations (which may run on under a slow build)
        // and the pointer's title bar touch only a few pixels of theirs.
        std::vector<long> spalten((size_t)kW), zeilen((size_t)kH);
        changed = 0;
        for (LONG y = 0; y < kH; ++y)
            for (LONG x = 0; x < kW; ++x) {
                const UBYTE *p = &before[((size_t)y * kW + x) * 3];
                if (s.At(x, y) == ((ULONG)p[0] << 16 | (ULONG)p[1] << 8 | p[2])) continue;
                ++changed;
                ++spalten[(size_t)x], ++zeilen[(size_t)y];
            }
        x0 = kW, y0 = kH, x1 = -1, y1 = -1;
        for (LONG x = 0; x < kW; ++x)
            if (spalten[(size_t)x] >= kH / 6) x0 = std::min(x0, x), x1 = std::max(x1, x);
        for (LONG y = 0; y < kH; ++y)
            if (zeilen[(size_t)y] >= kW / 6) y0 = std::min(y0, y), y1 = std::max(y1, y);
        return changed > 5000 && x1 - x0 > 100 && x1 - x0 < kW / 2 + 200 && y1 - y0 < kH - 100;
    };
    if (shown) xvfb.ShotUntil(&shot, box, "a box of text over the residence");
    if (!xvfb.Go()) ADD_FAILURE() << "client gone";
    EXPECT_EQ(xvfb.Wait(), 0) << "the residence ends by escape with the tutorial at step 1";
    ASSERT_TRUE(shown);
    // A box of text: thousands of pixels, inside the screen, not the whole of it.
    EXPECT_GT(changed, 5000);
    EXPECT_GT(x1 - x0, 100);
    EXPECT_LT(x1 - x0, kW / 2 + 200);
    EXPECT_LT(y1 - y0, kH - 100);
    RecordProperty("box", std::to_string(x0) + "," + std::to_string(y0) + "-" + std::to_string(x1) + "," + std::to_string(y1));
}
