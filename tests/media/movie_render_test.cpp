// Drawing a movie frame on the display at 8, 16 and 32 bits: where it lands
// in the centred game area, the pixels it leaves, clipping at the display's
// edge, the town screen's palette at 8 bits and no drawing during a fade.
#include <gtest/gtest.h>

#include "common/sdlharness.h"
#include "gfx/palette.h"
#include "gfx/pixfmt.h"
#include "moviefixture.h"
#include "platform/system.h"

using namespace movietest;

namespace {

// The key frame of the three-frame movie: (0,0) colour 1, the rest 0.
void KeyFrame(TestMovie &t) { ASSERT_EQ(t.Parse(FramePayload(ThreeFrames()[0])), 1); }

struct Restore {
    ~Restore()
    {
        Fade = 0;
        VekDisplay.VekScreen_FadeIn = 0;
        currentScreenID = 2;
    }
};

// A 640 x 480 x 8 display with the test palette, faded in.
struct EightBitDisplay {
    Restore restore;
    vektest::SdlScreen sdl;
    EightBitDisplay() : sdl((vektest::SetTestPalette(), 8)) { VekDisplay.VekScreen_FadeIn = 1; }
};

ULONG Pen(int depth, UBYTE i) { return depth == 8 ? i : ChunkyPixel(VekDisplay.VekScreen_ScreenFormat, i); }

}  // namespace

TEST(MovieDrawing, LandsInTheCentredGameArea)
{
    struct Row {
        int depth, w, h;
        UWORD x, y;
        LONG atX, atY;
    };
    const Row rows[] = {
        {8, 640, 480, 100, 50, 100, 50},
        {16, 800, 600, 100, 50, 180, 80},
        {32, 800, 600, 100, 50, 180, 80},
        {32, 1024, 768, 0, 0, 192, 114},
    };
    Restore restore;
    for (const Row &r : rows) {
        SCOPED_TRACE(::testing::Message() << r.depth << " bits " << r.w << " x " << r.h);
        vektest::SetTestPalette();
        vektest::SdlScreen sdl(r.depth, r.w, r.h);
        ASSERT_TRUE(sdl.Ok());
        VekDisplay.VekScreen_FadeIn = 1;
        vektest::FillBitMap(sdl.ViewBitMap(), Pen(r.depth, 9));
        sdl.TakeRects();
        {
            TestMovie t;
            KeyFrame(t);
            RenderANIM5Direct(t.m.A5Handle, nullptr, 0, r.x, r.y);
        }
        EXPECT_EQ(sdl.TakeRects(), (std::vector<vektest::Rect>{{r.atX, r.atY, 16, 2}}));
        BitMap *view = sdl.ViewBitMap();
        const ULONG colour = r.depth == 32 ? 0x00FFFFFF : 0xFFFFFFFF;
        EXPECT_EQ(vektest::PixelAt(view, r.atX, r.atY) & colour, Pen(r.depth, 1) & colour);
        EXPECT_EQ(vektest::PixelAt(view, r.atX + 15, r.atY + 1) & colour, Pen(r.depth, 0) & colour);
        EXPECT_EQ(vektest::PixelAt(view, r.atX - 1, r.atY) & colour, Pen(r.depth, 9) & colour);
        EXPECT_EQ(vektest::PixelAt(view, r.atX + 16, r.atY) & colour, Pen(r.depth, 9) & colour);
        EXPECT_EQ(vektest::CountOther(view, Pen(r.depth, 9)), 32);  // the 16 x 2 frame and nothing else
    }
}

TEST(MovieDrawing, NothingIsDrawnDuringAFadeOrBeforeFadeIn)
{
    Restore restore;
    for (int depth : {8, 32}) {
        SCOPED_TRACE(depth);
        vektest::SdlScreen sdl(depth);
        vektest::FillBitMap(sdl.ViewBitMap(), Pen(depth, 9));
        TestMovie t;
        KeyFrame(t);
        for (auto [fade, fadeIn] : {std::pair{1, 1}, std::pair{0, 0}}) {
            Fade = (UWORD)fade;
            VekDisplay.VekScreen_FadeIn = fadeIn;
            sdl.TakeRects();
            RenderANIM5Direct(t.m.A5Handle, nullptr, 0, 10, 10);
            EXPECT_EQ(vektest::CountOther(sdl.ViewBitMap(), Pen(depth, 9)), 0);
            EXPECT_TRUE(sdl.TakeRects().empty());
        }
    }
}

TEST(MovieDrawing, AMovieLargerThanTheDisplayIsClipped)
{
    EightBitDisplay display;
    vektest::SdlScreen &sdl = display.sdl;
    // 800 x 4, raw: the last byte column of plane 0 lights pixel 799 of each row.
    Bytes body;
    for (int y = 0; y < 4; ++y)
        for (int p = 0; p < 8; ++p) {
            Bytes row(100, 0);
            if (p == 0) row[79] = 0x01, row[99] = 0x01;  // pixels 639 and 799
            body.insert(body.end(), row.begin(), row.end());
        }
    TestMovie t;
    ASSERT_EQ(t.Parse(FramePayload({{"BMHD", Bmhd(800, 4, 8, 0)}, {"BODY", body}})), 1);
    vektest::FillBitMap(sdl.ViewBitMap(), 9);
    sdl.TakeRects();
    RenderANIM5Direct(t.m.A5Handle, nullptr, 0, 0, 478);
    EXPECT_EQ(vektest::PixelAt(sdl.ViewBitMap(), 639, 478), 1u);
    EXPECT_EQ(vektest::PixelAt(sdl.ViewBitMap(), 639, 479), 1u);
    EXPECT_EQ(vektest::PixelAt(sdl.ViewBitMap(), 638, 479), 0u);
    EXPECT_EQ(vektest::CountOther(sdl.ViewBitMap(), 9), 2 * 640);
    EXPECT_EQ(sdl.TakeRects(), (std::vector<vektest::Rect>{{0, 478, 640, 2}}));
}

// At 8 bits the town screen draws with the display's own colours; elsewhere the
// game palette's colours are matched to the display's.
TEST(MovieDrawing, TownScreenDrawsWithTheDisplaysPalette)
{
    EightBitDisplay display;
    vektest::SdlScreen &sdl = display.sdl;
    TestMovie t;
    KeyFrame(t);
    // The game palette's colour 1 is now the display's colour 2.
    const SDL_Color two = SDLViewSurface->format->palette->colors[2];
    vektest::SetPaletteEntry(1, two.r, two.g, two.b);
    for (auto [screenId, expect] : {std::pair{39, 1u}, std::pair{2, 2u}}) {
        SCOPED_TRACE(screenId);
        currentScreenID = screenId;
        RenderANIM5Direct(t.m.A5Handle, nullptr, 0, 0, 0);
        EXPECT_EQ(vektest::PixelAt(sdl.ViewBitMap(), 0, 0), expect);
    }
}

TEST(MovieDrawing, MissingDecoderStateIsReported)
{
    Restore restore;
    vektest::SdlScreen sdl(16);
    VekDisplay.VekScreen_FadeIn = 1;
    vektest::StdoutCapture out;
    RenderANIM5Direct(nullptr, nullptr, 0, 0, 0);
    EXPECT_EQ(out.Take(), "RenderANIM5Direct: FATALER FEHLER! ANIMATION NICHT VORHANDEN!!!\n");
    EXPECT_TRUE(sdl.TakeRects().empty());
}
