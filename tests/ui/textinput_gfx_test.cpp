// Text entry, the cursor and hover titles drawn for real on the headless
// display at 8, 16 and 32 bits, read back with a font whose glyphs spell
// their own character codes.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "common/fontfixture.h"
#include "common/sdlharness.h"
#include "common/testutil.h"
#include "gfx/font.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "gfx/pixfmt.h"
#include "platform/system.h"

using namespace vektest;

namespace {

constexpr UWORD kBright = 7, kDark = 2, kTitleBack = 6;

ULONG Ink(int depth, UBYTE pen)
{
    if (depth == 8) return pen;
    return ChunkyPixel(depth == 16 ? PIXFMT_RGB16 : PIXFMT_ARGB32, pen);
}

class DrawnInputTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        screen_ = std::make_unique<SdlScreen>(GetParam());
        ASSERT_TRUE(screen_->Ok());
        SetTestPalette();
        WriteBytes("barcode.fnt", BuildFont(BarcodeFontSpec()));
        font_ = OpenDiskFont("barcode.fnt");
        ASSERT_NE(font_, nullptr);
        rp_ = VekDisplay.RastPort_;
        ASSERT_NE(rp_, nullptr);
        SetFont(rp_, font_);
        SetAPen(rp_, kDark);
        RectFill(rp_, 0, 0, 639, 479);
        VekCursorStruktur = {};
    }
    void TearDown() override
    {
        ClearCursor(&VekCursorStruktur);
        if (rp_) rp_->Font = nullptr;
        CloseFont(font_);
        screen_.reset();
    }
    // The colour of a pixel: at 32 bits single pixels are written without the
    // alpha byte that fills and text carry, which the display ignores.
    ULONG At(LONG x, LONG y) { return PixelAt(rp_->BitMap, x, y) & (GetParam() == 32 ? 0xFFFFFFu : ~0u); }
    ULONG Colour(UBYTE pen) { return Ink(GetParam(), pen) & (GetParam() == 32 ? 0xFFFFFFu : ~0u); }
    std::string Line(LONG x, LONG top) { return ReadBarcode(rp_->BitMap, x, top, Ink(GetParam(), kBright)); }

    ScratchDir dir_;
    std::unique_ptr<SdlScreen> screen_;
    TextFont *font_ = nullptr;
    RastPort *rp_ = nullptr;
};

TEST_P(DrawnInputTest, TypedTextWrapsOnTheDisplay)
{
    // Cells are 2 pixels wide: five characters to a 10-pixel line; lines 9 rows apart.
    char text[32] = {};
    UBYTE widths[32] = {};
    SetNewCursor(100, 50, 100, 50, 8, kBright, kDark);
    for (char c : std::string("ab cdefg")) StringInput((UBYTE)c, text, widths, &VekCursorStruktur, 30, 10, 3);
    EXPECT_STREQ(text, "ab\ncdefg");
    EXPECT_EQ(widths[0], 2);
    EXPECT_EQ(widths[2], 0);
    EXPECT_EQ(Line(100, 50), "ab");
    EXPECT_EQ(Line(100, 59), "cdefg");
    EXPECT_EQ(VekCursorStruktur.X, 110);
    EXPECT_EQ(VekCursorStruktur.Y, 59);
    // Backspace twice and a new letter redraw the line.
    KeyExtended = 0;
    StringInput(KEY_BACKSPACE, text, widths, &VekCursorStruktur, 30, 10, 3);
    StringInput(KEY_BACKSPACE, text, widths, &VekCursorStruktur, 30, 10, 3);
    StringInput('z', text, widths, &VekCursorStruktur, 30, 10, 3);
    EXPECT_EQ(Line(100, 59), "cdez");
    EXPECT_EQ(At(108, 59), Colour(kDark));
}

TEST_P(DrawnInputTest, CursorBlinksAndLeavesNoTrace)
{
    const ULONG dark = Colour(kDark), bright = Colour(kBright);
    SetNewCursor(100, 50, 120, 50, 8, kBright, kDark);
    EXPECT_EQ(VekCursorStruktur.Back[0], kDark);  // read back as a palette index at every depth
    DrawCursor();
    DrawCursor();
    for (LONG y = 50; y < 58; ++y) EXPECT_EQ(At(120, y), bright) << y;
    EXPECT_EQ(At(120, 58), dark);
    DrawCursor();
    for (LONG y = 50; y < 58; ++y) EXPECT_EQ(At(120, y), dark) << y;
    DrawCursor();
    SetCursor(130, 50, 8, kBright, kDark);  // moving puts back what was under it
    for (LONG y = 50; y < 58; ++y) EXPECT_EQ(At(120, y), dark) << y;
}

TEST_P(DrawnInputTest, HoverTitlesAppearAndGo)
{
    TitleBar list[] = {
        {10, 10, 100, 25, TITLEBAR_HEAD},  // the text area
        {200, 200, 250, 220, "hi"},
        {300, 200, 350, 220, "ho"},
        {0, 0, 0, 0, nullptr},
    };
    const ULONG back = Colour(kTitleBack);
    MousePosition = {210, 210};
    CheckTitleBar(list, font_, kTitleBack);
    // Centred: the 4-pixel text in 10..100 starts at 10 + 45 - 2; vertically (15 - 8) / 2 + 1 rows down.
    EXPECT_EQ(ReadBarcode(rp_->BitMap, 53, 14, Ink(GetParam(), 0)), "hi");
    EXPECT_EQ(At(11, 11), back);
    MousePosition = {310, 210};
    CheckTitleBar(list, font_, kTitleBack);
    EXPECT_EQ(ReadBarcode(rp_->BitMap, 53, 14, Ink(GetParam(), 0)), "ho");
    MousePosition = {5, 5};
    CheckTitleBar(list, font_, kTitleBack);
    EXPECT_EQ(At(55, 16), back);
    EXPECT_EQ(At(100, 25), back);
    EXPECT_EQ(At(9, 10), Colour(kDark));
    EXPECT_EQ(At(101, 25), Colour(kDark));
    EXPECT_EQ(At(100, 26), Colour(kDark));
    EXPECT_EQ(rp_->Font, font_);
    EXPECT_EQ(GetAPen(rp_), kDark);
}

INSTANTIATE_TEST_SUITE_P(Depths, DrawnInputTest, ::testing::Values(8, 16, 32));

TEST(CheckTitleBar, NeedsTheDisplayPort)
{
    RastPort *saved = VekDisplay.RastPort_;
    VekDisplay.RastPort_ = nullptr;
    StdoutCapture cap;
    TitleBar list[] = {{0, 0, 10, 10, "x"}, {0, 0, 0, 0, nullptr}};
    CheckTitleBar(list, nullptr, 0);
    EXPECT_NE(cap.Take().find("CheckTitleBar:Der \374bergebene RastPort war nicht VALID"), std::string::npos);
    VekDisplay.RastPort_ = saved;
}

}  // namespace
