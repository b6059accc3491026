// The town at night on a real X display at 8 bits: the demo capital opened
// at 23:00 local time shows its picture darkened to 40 per cent of its
// colours, with the window lights in their own undarkened pen and the
// town's name at the top. The root
// window's screenshot (xwd) is kept as town_night.xwd in the directory
// VEK_SHOT_DIR names, when set. Skipped without Xvfb or xwd.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "common/scriptinput.h"
#include "common/testutil.h"
#include "common/xvfb.h"
#include "gfx/palette.h"
#include "platform/system.h"
#include "town/stadtbild.h"
#include "town/stadtscreen.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "world/towns.h"

using namespace vektest;

namespace {

constexpr int kW = 640, kH = 480;
ChiefStruktur1 kBox{};

// The rebels' box comes once the town is shown: the moment to look. It
// draws nothing here, so the picture stays the town's own.
ChiefStruktur1 *Gezeigt(const char *)
{
    std::thread([] {
        const SDL_Color lampe = KavoriaPalette[7];
        Ready(std::to_string(lampe.r) + " " + std::to_string(lampe.g) + " " + std::to_string(lampe.b));
        PushEscape();
    }).detach();
    return &kBox;
}

int StadtZeigen()
{
    ::Stadt *t = LadeStadt("Demoburg");
    if (!t) return 8;
    t->Event |= STADTEVENT_REBELLION;
    if (!SpeichereStadt(t)) return 9;
    FreeVec(t);
    if (!SetUpDisplay(kW, kH, 8)) return 2;
    PlayerInfo.AktStadtID = 0;
    StadtUhrHook = [](int *h, int *m) { *h = 23, *m = 0; };
    StadtDialogHooks.Offen = Gezeigt;
    StadtDialogHooks.Schliessen = [](ChiefStruktur1 *) {};
    return StadtScreen() == 2 ? 0 : 3;
}

}  // namespace

TEST(StadtXvfb, TownAtNightAtEightBits)
{
    XvfbClient xvfb(kW, kH);
    if (!xvfb.Missing().empty()) GTEST_SKIP() << xvfb.Missing();
    ASSERT_TRUE(xvfb.StartOnDemo(StadtZeigen));
    std::string zeile;
    unsigned r = 0, g = 0, b = 0;
    const bool shown = xvfb.WaitReady(&zeile) && std::sscanf(zeile.c_str(), "%u %u %u", &r, &g, &b) == 3;
    const ULONG lampe = (ULONG)r << 16 | (ULONG)g << 8 | b;
    // The lights are drawn after the fade-in; a few looks allow for the X server's pace.
    Screenshot shot;
    bool lichter = false, name = false;
    if (shown)
        xvfb.ShotUntil(
            &shot,
            [&](const Screenshot &s) {
                lichter = s.At(540, 286) == lampe && s.At(522, 269) == lampe && s.At(567, 266) == lampe;
                // The name, centred over the strip, where the strip has one colour.
                long anders = 0;
                for (ULONG y = 0; y < 40; ++y)
                    for (ULONG x = 330; x < 560; ++x) anders += s.At(x, y) != s.At(330, 0);
                name = anders > 100;
                return lichter && name;
            },
            "the town's lights and name");
    KeepFile("VEK_SHOT_DIR", "town_night.xwd", "root.xwd");
    if (!xvfb.Go()) ADD_FAILURE() << "client gone";
    EXPECT_EQ(xvfb.Wait(), 0) << "the town ends by escape towards the residence";
    KeepFile("VEK_SHOT_DIR", "town_night.log", xvfb.Work() + "/client.log");
    ASSERT_TRUE(shown);
    EXPECT_TRUE(lichter) << "window lights in pen 7";
    EXPECT_TRUE(name) << "the town's name over the strip";
    // At 60 per cent darkness no colour of the town's own entries goes
    // above 40 per cent of full brightness (the gadgets below and the texts
    // above keep pens of their own).
    long hell = 0;
    for (ULONG y = 60; y < 440; ++y)
        for (ULONG x = 0; x < (ULONG)kW; ++x) {
            const ULONG c = shot.At(x, y);
            if (c == lampe) continue;
            hell += ((c >> 16) & 0xFF) > 103 || ((c >> 8) & 0xFF) > 103 || (c & 0xFF) > 103;
        }
    EXPECT_LT(hell, (long)kW * kH / 20) << "the night darkens the town";
}
