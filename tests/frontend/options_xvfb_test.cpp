// The three option pages on a real X display at 1024 x 768 x 32: each page
// is shot (xwd) while it waits for the player, and the shot must show the
// page's own picture with its switch faces in the game area. The shots are
// kept beside the build as option<page>.xwd for a look. Skipped without Xvfb
// or xwd.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/scriptinput.h"
#include "common/testutil.h"
#include "common/xvfb.h"
#include "frontend/frontend.h"
#include "frontend/optionrules.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "ui/gadgets.h"

using namespace vektest;

namespace {

constexpr int kW = 1024, kH = 768;

// Runs the page; tells the parent to look once the page waits for input
// (at a probe), leaves it by escape when the parent has seen it.
int Page(LONG (*page)())
{
    const bool up = SetUpDisplay(kW, kH, 32, true, [] {
        UserSystem.OP.TCPIP_ID = 4;
        UserSystem.OP.TCPIP_Flags = 0x11;
        UserSystem.OP.ColorCursor = 1;
        PlayerInfo.SpielerID = 7;
        OptionCDAnswerHook = [](const char *, ULONG) { return 0; };
    });
    if (!up) return 2;
    UserSystem.SoundMask = 0xFF;
    UserSystem.SoundStatus = 0x39 | 0xC0;
    WatchProbes();
    Probe();
    PushEscape();
    const LONG r = page();
    return r == 2 ? 0 : 3;
}

size_t GameAreaColours(const Screenshot &shot)
{
    std::set<ULONG> colours;
    const ULONG ox = (kW - 640) / 2, oy = (kH - 480) / 2 - 30;
    for (ULONG y = oy; y < oy + 480; y += 3)
        for (ULONG x = ox; x < ox + 640; x += 3) colours.insert(shot.At(x, y));
    return colours.size();
}

struct PageCase {
    const char *name;
    LONG (*page)();
};

class OptionsXvfb : public ::testing::TestWithParam<PageCase> {};

TEST_P(OptionsXvfb, PageShows)
{
    XvfbClient xvfb(kW, kH);
    if (!xvfb.Missing().empty()) GTEST_SKIP() << xvfb.Missing();
    LONG (*const page)() = GetParam().page;
    ASSERT_TRUE(xvfb.StartOnDemo([page] { return Page(page); }));
    const bool shown = xvfb.WaitReady();
    std::string out = VEK_BINARY_DIR;
    out.append("/option").append(GetParam().name).append(".xwd");
    // The game area (640 x 480, centred, 30 rows above the middle) must hold
    // the page's picture with its faces and texts, not one fill. The X
    // server may lag behind the page: look until it is there, within a bound
    // that grows with the build's pace.
    Screenshot shot;
    size_t colours = 0;
    const bool taken = shown && xvfb.ShotUntil(
                                    &shot,
                                    [&](const Screenshot &s) {
                                        colours = GameAreaColours(s);
                                        return colours > 8;
                                    },
                                    "the option page on the display", 30, out);
    if (!xvfb.Go()) ADD_FAILURE() << "page gone";
    EXPECT_EQ(xvfb.Wait(), 0) << "the page ends by escape with 2";
    ASSERT_TRUE(shown);
    EXPECT_TRUE(taken) << colours << " colours in the game area";
}

INSTANTIATE_TEST_SUITE_P(Pages, OptionsXvfb,
                         ::testing::Values(PageCase{"133", OptionScreen}, PageCase{"134", Option1Screen},
                                           PageCase{"1141", Option3Screen}),
                         [](const auto &info) { return std::string("Page") + info.param.name; });

}  // namespace
