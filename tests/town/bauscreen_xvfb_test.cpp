// The building screen on a real X display at 1024 x 768 x 32 with the demo
// set: while the site listing is asked for, the root window (xwd) shows the
// granary's info text on the orderable background beside its picture, and
// the costs below it. VEK_SHOT_DIR, when set, keeps the screenshot there.
// Skipped without Xvfb or xwd.
#include <gtest/gtest.h>

#include <thread>

#include "common/scriptinput.h"
#include "common/testutil.h"
#include "common/xvfb.h"
#include "gfx/palette.h"
#include "platform/system.h"
#include "town/bauscreen.h"
#include "town/town.h"
#include "ui/gadgets.h"

using namespace vektest;

namespace {

constexpr int kW = 1024, kH = 768;

std::thread watcher;
std::pair<LONG, LONG> exitAt;

// Asked for the listing, the screen goes on with its loop (which presents
// the animation's frames) while the parent looks until the text and the
// picture are there; then it is left by Exit.
LONG ListingWatched(const char *)
{
    watcher = std::thread([] {
        Ready();
        PushClick(exitAt.first, exitAt.second);
    });
    return 1;
}

int Bauen()
{
    if (!SetUpDisplay(kW, kH, 32)) return 2;
    PlayerInfo.AktStadtID = 0;
    BauDialogHooks.Text = ListingWatched;
    const auto gadgets = GadgetCentres("./Data/screendat/Bau.dat");
    auto at = [&](const char *code) { return gadgets.count(code) ? gadgets.at(code) : std::pair<LONG, LONG>{0, 0}; };
    exitAt = at("EXIT");
    PushClick(at("BA00").first, at("BA00").second);
    const LONG next = BauScreen();
    if (watcher.joinable()) watcher.join();
    return next == 39 ? 0 : 3;
}

// The info text's area: its most common colour (the requester's background).
long Hintergrund(const Screenshot &s)
{
    long most = 0;
    for (const auto &[farbe, n] : ColoursInGameArea(s, 349, 74, 574, 335)) most = std::max(most, n);
    return most;
}

}  // namespace

TEST(BauScreenXvfb, InfoTextBesideThePicture)
{
    XvfbClient xvfb(kW, kH);
    if (!xvfb.Missing().empty()) GTEST_SKIP() << xvfb.Missing();
    ASSERT_TRUE(xvfb.StartOnDemo(Bauen));
    const bool shown = xvfb.WaitReady();
    Screenshot shot;
    // The screen and the X server may lag behind "ready": look until the
    // text, the picture and the costs are there.
    const bool ok = shown && xvfb.ShotUntil(
                                 &shot,
                                 [](const Screenshot &s) {
                                     const long most = Hintergrund(s);
                                     return most > 226L * 262 / 3 && most < 226L * 262 &&
                                            ColoursInGameArea(s, 64, 75, 287, 274).size() > 3 &&
                                            ColoursInGameArea(s, 176, 284, 287, 296).size() > 1;
                                 },
                                 "the granary's text, picture and costs");
    KeepFile("VEK_SHOT_DIR", "bauscreen.xwd", "root.xwd");
    KeepFile("VEK_SHOT_DIR", "client.log", xvfb.Work() + "/client.log");
    if (!xvfb.Go()) ADD_FAILURE() << "client gone";
    EXPECT_EQ(xvfb.Wait(), 0) << "the screen ends by its exit gadget";
    ASSERT_TRUE(shown);
    ASSERT_TRUE(ok);
    // The info text: one background colour with text of another on it.
    const long most = Hintergrund(shot);
    EXPECT_GT(most, 226L * 262 / 3) << "the requester's background";
    EXPECT_LT(most, 226L * 262) << "text on it";
    // The granary's picture or animation fills its area.
    EXPECT_GT(ColoursInGameArea(shot, 64, 75, 287, 274).size(), 3u);
    // The costs: each status box holds a digit on its own background.
    EXPECT_GT(ColoursInGameArea(shot, 176, 284, 287, 296).size(), 1u);
}
