// The credits on a real X display at 640 x 480 x 8: the screenshot of the
// root window (xwd) shows the two lines in white and light blue, as at 32
// bits, and nothing else changed by them. Skipped without Xvfb or xwd.
// With VEK_XVFB_SHOTS set to a folder the screenshot is kept there (PPM).
#include <gtest/gtest.h>


#include "common/testutil.h"
#include "common/xvfb.h"
#include "frontend/frontend.h"
#include "gfx/font.h"
#include "gfx/graphics.h"
#include "gfx/screen.h"
#include "platform/strings.h"
#include "platform/system.h"

using namespace vektest;

namespace {

constexpr int kW = 640, kH = 480;

// In the child: start-up's SDL set-up at 8 bits, the credits picture and one
// pair of lines; then it waits until the parent has its screenshot.
int Zeige()
{
    if (!SetUpDisplay(kW, kH, 8, false)) return 2;
    if (OpenKavorPic("./Data/Path", 151, 0) < 0) return 3;
    TextFont *font = OpenDiskFont("Fonts/Times24.fnt");
    if (!font) return 4;
    SetFont(DisplayRastPort(), font);
    _VEK_CREDITS.Str = "WWWWWWWW\nMMMMMMMM";
    if (CreditsPrintText(0) != 2) return 6;
    Ready("", true);
    return 0;
}

}  // namespace

TEST(CreditsXvfb, LinesAreWhiteAndLightBlueAtEightBits)
{
    XvfbClient xvfb(kW, kH);
    if (!xvfb.Missing().empty()) GTEST_SKIP() << xvfb.Missing();
    ASSERT_TRUE(xvfb.StartOnDemo(Zeige));
    const bool gezeigt = xvfb.WaitReady();
    // The lower half is black but for the lines; wait until they are shown.
    long weiss = 0, blau = 0, anders = -1;
    Screenshot shot;
    if (gezeigt)
        xvfb.ShotUntil(
            &shot,
            [&](const Screenshot &s) {
                KeepPpm("VEK_XVFB_SHOTS", "credits8.ppm", s);
                weiss = blau = anders = 0;
                const ULONG schwarz = s.At(0, kH - 1);
                for (int y = kH / 2; y < kH; ++y)
                    for (int x = 0; x < kW; ++x) {
                        const ULONG p = s.At(x, y);
                        if (p == schwarz) continue;
                        if (p == 0xF0F0F0)
                            ++weiss;
                        else if (p == 0xA0B0F0)
                            ++blau;
                        else
                            ++anders;
                    }
                return anders == 0 && weiss && blau;
            },
            "the credits' lines");
    if (!xvfb.Go()) ADD_FAILURE() << "client gone";
    EXPECT_EQ(xvfb.Wait(), 0);
    ASSERT_TRUE(gezeigt);
    EXPECT_GT(weiss, 50);
    EXPECT_GT(blau, 50);
    EXPECT_EQ(anders, 0);
}
