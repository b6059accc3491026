// The notice screen and the slide show on the demo set, driven by pushed
// input at 8 and 32 bits.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <cstdio>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "common/testutil.h"
#include "frontend/frontend.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "ui/gadgets.h"

using namespace vektest;

namespace {

class Presentation : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        dir_ = std::make_unique<ScratchDir>();
        MakeDemoData(dir_->path());
        screen_ = std::make_unique<SdlScreen>(GetParam());
        ASSERT_TRUE(screen_->Ok());
        UseKavorGadgetPainter();
        FadeDelayHook = [](ULONG) {};  // fades without their waits
        SDL_Event ev;
        while (SDL_PollEvent(&ev)) {
        }
    }
    void TearDown() override
    {
        SDL_Event ev;
        EXPECT_EQ(SDL_PollEvent(&ev), 0) << "input was left over";
        while (SDL_PollEvent(&ev)) {
        }
        if (TitelScreenPtr) CloseKavorPic(0, 0);
        FadeDelayHook = nullptr;
        screen_.reset();
        dir_.reset();
    }
    // The pictures the slide show put on the screen, in order.
    static std::vector<int> Shown(const std::string &out)
    {
        std::vector<int> shown;
        const std::regex opened("Routine: OpenKavorPic \\./Data/Path (\\d+) 0");
        for (auto it = std::sregex_iterator(out.begin(), out.end(), opened); it != std::sregex_iterator(); ++it)
            shown.push_back(std::stoi((*it)[1]));
        return shown;
    }

    std::unique_ptr<ScratchDir> dir_;
    std::unique_ptr<SdlScreen> screen_;
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

INSTANTIATE_TEST_SUITE_P(Depths, Presentation, ::testing::Values(8, 32));

}  // namespace
