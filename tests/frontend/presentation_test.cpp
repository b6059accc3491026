// The notice screen and the slide show on the demo set, driven by pushed
// input at 8 and 32 bits.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "common/scriptinput.h"
#include "common/demoscreen.h"
#include "common/sdlharness.h"
#include "common/testutil.h"
#include "frontend/frontend.h"
#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "ui/gadgets.h"

using namespace vektest;

namespace {

class Presentation : public DemoScreenTest {
protected:
    // The pictures the slide show put on the screen, in order.
    static std::vector<int> Shown(const std::string &out)
    {
        std::vector<int> shown;
        const std::regex opened("Routine: OpenKavorPic \\./Data/Path (\\d+) 0");
        for (auto it = std::sregex_iterator(out.begin(), out.end(), opened); it != std::sregex_iterator(); ++it)
            shown.push_back(std::stoi((*it)[1]));
        return shown;
    }

};

TEST_P(Presentation, NoticeShowsTheAdvisorAndLeadsToTheBarracks)
{
    PushKey(SDLK_RETURN, 13);
    EXPECT_EQ(GeheimScreen(), 152);
}

TEST_P(Presentation, EscapeOnTheFifthSlideEndsTheShow)
{
    for (int i = 0; i < 4; ++i) PushClick(300, 200);
    PushEscape();
    StdoutCapture out;
    EXPECT_EQ(SlideShow(0), 0);
    EXPECT_EQ(Shown(out.Take()), (std::vector<int>{1266, 337, 338, 339, 324}));
}

TEST_P(Presentation, CaptionsWaitForTheirOwnPressAndMissingSlidesAreSkipped)
{
    // Slide 337's index record claims no pixels: it cannot be opened.
    Bytes index = ReadBytes("Data/Path");
    const size_t at = 36 + (337 - 1) * 36;
    ASSERT_GE(index.size(), at + 36);
    ASSERT_EQ(index[at + 3], 337 & 0xFF);
    for (int i = 24; i < 28; ++i) index[at + i] = 0;
    WriteBytes("Data/Path", index);
    // First slide: a press, its caption box closed, a press; the second is
    // missing; Escape on the third.
    PushClick(300, 200);
    PushEscape();
    PushClick(300, 200);
    PushEscape();
    StdoutCapture out;
    EXPECT_EQ(SlideShow(1), 0);
    const std::string text = out.Take();
    EXPECT_NE(text.find("SlideShow: Konnte Grafik Nr.: 337 nicht"), std::string::npos);
    EXPECT_EQ(text.find("OpenKavorPic ./Data/Path 339 0"), std::string::npos);
}

TEST_P(Presentation, CreditsLeadANewcomerToTheSignUpAndARulerBack)
{
    ASSERT_EQ(CheckPrefs(0, PREFS_READ, 0), 2u);
    EXPECT_EQ(CreditScreen(), 2);  // a realm: nothing shown
    CheckPrefs(0, PREFS_WRITE, 0);
    ScriptFeeder feed;
    for (int i = 0; i < 26; ++i) PushTick();
    PushEscape();
    feed.Start();
    StdoutCapture out;
    EXPECT_EQ(CreditScreen(), 32);
    EXPECT_EQ(out.Take().find("Konnte Anim nicht laden"), std::string::npos);
}

TEST_P(Presentation, CreditsPairTheirLinesAndShowAnOddLastLineAlone)
{
    const char *saved = _VEK_CREDITS.Str;
    _VEK_CREDITS.Str = "Role\nName\nLast";
    EXPECT_EQ(CreditsPrintText(0), 2);
    EXPECT_EQ(CreditsPrintText(2), 0);  // the last line alone, then the top again
    EXPECT_EQ(CreditsPrintText(0), 2);
    _VEK_CREDITS.Str = "Role\nName";
    EXPECT_EQ(CreditsPrintText(2), 0);
    _VEK_CREDITS.Str = saved;
}

// What the display shows: at 8 bits the last palette pushed to it.
SDL_Color gShown[256];
void RecordShown(const SDL_Color *palette) { std::copy(palette, palette + 256, gShown); }

TEST_P(Presentation, CreditLinesAreWhiteAndLightBlueAtEveryDepth)
{
    ASSERT_GE(OpenKavorPic("./Data/Path", 151, 0), 0);
    TextFont *font = OpenDiskFont("Fonts/Times24.fnt");
    ASSERT_NE(font, nullptr);
    SetFont(DisplayRastPort(), font);
    // The picture's own colours 1 and 2 are nearly black, and shown so.
    KavoriaPalette[1] = {24, 24, 32, 0};
    KavoriaPalette[2] = {64, 64, 80, 0};
    std::copy(KavoriaPalette, KavoriaPalette + 256, gShown);
    PalettePushHook = RecordShown;
    const char *saved = _VEK_CREDITS.Str;
    _VEK_CREDITS.Str = "WWWWWWWW\nMMMMMMMM";
    EXPECT_EQ(CreditsPrintText(0), 2);
    _VEK_CREDITS.Str = saved;
    PalettePushHook = nullptr;
    SetFont(DisplayRastPort(), nullptr);
    CloseFont(font);
    // Every pixel of the lower half that is not background is text, in one of the two colours.
    BitMap *shown = GetParam() == 8 ? screen_->ViewBitMap() : screen_->BobBitMap();
    const SDL_PixelFormat *fmt = shown->Surface->format;
    long white = 0, blue = 0, other = 0;
    for (LONG y = 240; y < 480; ++y)
        for (LONG x = 0; x < 640; ++x) {
            const ULONG p = PixelAt(shown, x, y);
            SDL_Color c;
            if (GetParam() == 8)
                c = gShown[p];
            else
                SDL_GetRGB(p, const_cast<SDL_PixelFormat *>(fmt), &c.r, &c.g, &c.b);
            if (p == 0 || (GetParam() != 8 && c.r == KavoriaPalette[0].r && c.g == KavoriaPalette[0].g &&
                           c.b == KavoriaPalette[0].b))
                continue;
            if (c.r == 240 && c.g == 240 && c.b == 240)
                ++white;
            else if (c.r == 160 && c.g == 176 && c.b == 240)
                ++blue;
            else
                ++other;
        }
    EXPECT_GT(white, 50);
    EXPECT_GT(blue, 50);
    EXPECT_EQ(other, 0);
}

INSTANTIATE_TEST_SUITE_P(Depths, Presentation, ::testing::Values(8, 32));

}  // namespace
