// A picture on a real X display: a private Xvfb server, the start-up's own
// SDL set-up in full-screen mode, OpenKavorPic with its fade-in, and a
// screenshot of the root window (xwd) compared pixel for pixel with the
// picture and its colour map. Skipped when Xvfb or xwd is not installed.
#include <gtest/gtest.h>

#include <sstream>

#include "common/gfxfixture.h"
#include "common/xvfb.h"
#include "common/testutil.h"
#include "gfx/screen.h"
#include "platform/system.h"

using namespace vektest;

namespace {

// The client side, in a child process: start-up's SDL set-up on the X
// display, the picture opened with its fade-in; then it says "ready" and
// runs until the parent has taken its screenshots.
int ShowPicture(int depth, int w, int h)
{
    if (!SetUpDisplay(w, h, depth, false, [] { bScreenFadeInDeactivate = 0; })) return 2;
    if (OpenKavorPic("./Data/Path", 5, 0) != 0) return 3;
    std::fflush(stdout);
    Ready("", true);
    CloseKavorPic(5, 0);
    exitSDL();
    return 0;
}

struct Shown {
    int depth, w, h;
};

class RealDisplay : public ::testing::TestWithParam<Shown> {};

INSTANTIATE_TEST_SUITE_P(Depths, RealDisplay, ::testing::Values(Shown{8, 640, 480}, Shown{32, 800, 600}),
                         [](const auto &info) { return std::to_string(info.param.depth) + "bit"; });

TEST_P(RealDisplay, ScreenshotShowsThePicturesOwnPixels)
{
    const Shown p = GetParam();
    XvfbClient xvfb(p.w, p.h);
    if (!xvfb.Missing().empty()) GTEST_SKIP() << xvfb.Missing();
    const TestPicture pic = WriteTestPicture(5, 20, 11);
    // The start-up needs its pointer picture.
    SDL_Surface *pointer = SDL_CreateRGBSurface(SDL_SWSURFACE, 16, 16, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    ASSERT_NE(pointer, nullptr);
    MakeDirs("Pics");
    ASSERT_EQ(SDL_SaveBMP(pointer, "Pics/CursorSDL.chk"), 0);
    SDL_FreeSurface(pointer);

    ASSERT_TRUE(xvfb.Start(xvfb.Dir(), [p] { return ShowPicture(p.depth, p.w, p.h); }));
    const bool shown = xvfb.WaitReady(nullptr, 30);

    // Above 8 bits the game area sits centred, 30 rows above the middle.
    const ULONG ox = p.depth == 8 ? 0 : (ULONG)(p.w - 640) / 2, oy = p.depth == 8 ? 0 : (ULONG)((p.h - 480) / 2 - 30);
    long wrong = -1;
    std::string firstWrong;
    Screenshot shot;
    if (shown)
        xvfb.ShotUntil(
            &shot,
            [&](const Screenshot &s) {
                wrong = 0;
                firstWrong.clear();
                for (ULONG y = 0; y < 480; y++)
                    for (ULONG x = 0; x < 640; x++) {
                        const UBYTE i = pic.pixels[(size_t)y * 640 + x];
                        const ULONG want =
                            (ULONG)pic.cmap[3 * i] << 16 | (ULONG)pic.cmap[3 * i + 1] << 8 | pic.cmap[3 * i + 2];
                        const ULONG got = s.At(ox + x, oy + y);
                        if (got != want && wrong++ == 0) {
                            std::ostringstream m;
                            m << "(" << x << ", " << y << ") index " << (int)i << ": " << std::hex << got << " not "
                              << want;
                            firstWrong = m.str();
                        }
                    }
                // Outside the game area the display stays black.
                if (p.w > 640) wrong += (s.At(0, 0) != 0) + (s.At(p.w - 1, p.h - 1) != 0);
                return wrong == 0;
            },
            "the picture on the display");
    if (!xvfb.Go()) ADD_FAILURE() << "client gone";
    const int status = xvfb.Wait(10);
    const std::string log = [] {
        const Bytes b = ReadBytes("client.log");
        const std::string all(b.begin(), b.end());
        return all.size() > 3000 ? all.substr(all.size() - 3000) : all;
    }();
    ASSERT_TRUE(shown) << "the client did not show the picture:\n" << log;
    EXPECT_EQ(wrong, 0) << firstWrong;
    EXPECT_EQ(status, 0) << log;
}

}  // namespace
