// The bard's tale on the demo set: the story box paged by pushed clicks, its
// change marks on the received grain, the box's pixels, and screen 505 run
// by pushed ticks.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <memory>
#include <string>

#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "common/testutil.h"
#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "realm/realm.h"
#include "realm/roredidez.h"
#include "store/chunks.h"
#include "store/store.h"
#include "ui/gadgets.h"
#include "ui/requester.h"
#include "ui/screendat.h"

using namespace vektest;

namespace {

const std::string M = "\xA7";
const std::string PAGE = M + M;
constexpr const char *kPool = "./Data/POP3In/GameChunk.vek";

ULONG Kornlager()
{
    auto *korn = static_cast<st_KORN *>(LoadChunk2Mem(ID_KORN, kPool));
    if (!korn) return 0xFFFFFFFF;
    const ULONG v = korn->Kornlager;
    FreeChunk(korn);
    return v;
}

class StoryScreen : public ::testing::TestWithParam<int> {
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
        // The box's gadgets where the demo's description puts them.
        ScreenRegion *r = GetScreenRegion("./Data/screendat/BTTextBox.dat", SR_GADGETDATA);
        ASSERT_NE(r, nullptr);
        for (ULONG i = 0; i < r->CountGadgetData; ++i) gadgets_.push_back(r->GadgetData[i]);
        ClearScreenRegion(r);
        ASSERT_GE(gadgets_.size(), 11u);
    }
    void TearDown() override
    {
        SDL_Event ev;
        EXPECT_EQ(SDL_PollEvent(&ev), 0) << "input was left over";
        while (SDL_PollEvent(&ev)) {
        }
        FadeDelayHook = nullptr;
        if (TitelScreenPtr) CloseKavorPic(0, 0);
        screen_.reset();
        dir_.reset();
    }
    void ClickGadget(int index)
    {
        const GadgetData &g = gadgets_[index];
        PushClick((g.X0 + g.X1) / 2, (g.Y0 + g.Y1) / 2);
    }
    void ClickLink(int button) { ClickGadget(4 + button); }  // GAD1 is the sixth gadget
    void ClickExit() { ClickGadget(4); }

    std::unique_ptr<ScratchDir> dir_;
    std::unique_ptr<SdlScreen> screen_;
    std::vector<GadgetData> gadgets_;
};

TEST_P(StoryScreen, PagingBackAndForthChangesTheGrainOnceAndPutsTheScreenBack)
{
    ASSERT_EQ(OpenKavorGfx("./Data/Path", 506), 1);
    const ULONG before = Kornlager();
    ASSERT_NE(before, 0xFFFFFFFFu);
    BitMap *display = DisplayRastPort()->BitMap;
    std::vector<ULONG> row = RowOf(display, 0, 200, 640);

    const std::string story = "First page " + M + "($1,>)" + M + "(%1,10%,0)" + PAGE + "Second page " + M +
                              "($1,<)" + PAGE;
    ClickLink(6);  // forward to page 2
    ClickLink(1);  // back to page 1
    ClickLink(6);
    ClickLink(1);
    ClickExit();
    LokaleDatenRoredIdez ld{};
    EXPECT_EQ(BTTextBox(&ld, story.c_str()), TRUE);
    EXPECT_EQ(Kornlager(), before + before / 10);
    EXPECT_EQ(RowOf(display, 0, 200, 640), row) << "the area under the box comes back";
    CloseKavorGfx(506);
}

TEST_P(StoryScreen, TargetsPastTheLastPageEndTheBox)
{
    ASSERT_EQ(OpenKavorGfx("./Data/Path", 506), 1);
    LokaleDatenRoredIdez ld{};
    // One past the last page: an empty remainder without a page mark.
    const std::string story = "Only " + M + "($1,>)" + PAGE;
    ClickLink(3);
    EXPECT_EQ(BTTextBox(&ld, story.c_str()), FALSE);
    // Further on: there is no such page, the story is over.
    const std::string further = "Only " + M + "($1,5)" + PAGE;
    ClickLink(2);
    EXPECT_EQ(BTTextBox(&ld, further.c_str()), TRUE);
    // No page at all, and an unloaded box picture.
    EXPECT_EQ(BTTextBox(&ld, "no page mark"), FALSE);
    CloseKavorGfx(506);
    EXPECT_EQ(BTTextBox(&ld, story.c_str()), TRUE);
}

TEST_P(StoryScreen, PictureFramesAndWordsStayApart)
{
    TextFont *font = OpenDiskFont("Fonts/XHelvetica11.fnt");
    ASSERT_NE(font, nullptr);
    std::string words;
    for (int i = 0; i < 60; ++i) words += "and more words that flow round ";
    // The frame is larger than the 120 x 90 picture, so its right and lower
    // edges show in the text pen; no word may touch the framed area.
    const std::string page = "Words " + M + "(#1,100,10,150,100)" + words + PAGE;
    VekRequester *req = InitRoredIdezRequester(417, font, page.c_str(), 99, 76, 417, 305, 6, 7);
    ASSERT_NE(req, nullptr);
    RastPort *rp = req->ReqRastPortPtr;
    const ULONG ink = ReadPixel(rp, 249, 10);
    EXPECT_EQ(ReadPixel(rp, 249, 109), ink);
    EXPECT_EQ(ReadPixel(rp, 100, 109), ink);
    const ULONG back = ReadPixel(rp, 240, 50);
    EXPECT_NE(back, ink);
    for (LONG y = 11; y < 109; ++y)
        for (LONG x = 221; x < 249; ++x) ASSERT_EQ(ReadPixel(rp, x, y), back) << x << "," << y;
    // A picture that does not fit the content fails the page: no lines.
    ClearRequester(req);
    const std::string wide = "x " + M + "(#1,400,10,50,40)" + PAGE;
    req = InitRoredIdezRequester(417, font, wide.c_str(), 99, 76, 417, 305, 6, 7);
    ASSERT_NE(req, nullptr);
    EXPECT_EQ(req->ReqEntries, 0);
    ClearRequester(req);
    CloseFont(font);
}

TEST_P(StoryScreen, ScreenTellsTheStoryAtTickFiftyAndEndsAtTickHundred)
{
    ASSERT_TRUE(RoredIdezPrefsWrite(0, 1));
    {
        ScriptFeeder feed;
        for (int i = 0; i < 50; ++i) PushTick();
        ClickExit();
        for (int i = 0; i < 50; ++i) PushTick();
        feed.Start();
        EXPECT_EQ(RoredIdez(), 2);
    }
    // A story number outside the table tells nothing and still ends well.
    ASSERT_TRUE(RoredIdezPrefsWrite(0, 45));
    ScriptFeeder feed;
    for (int i = 0; i < 100; ++i) PushTick();
    feed.Start();
    EXPECT_EQ(RoredIdez(), 2);
}

INSTANTIATE_TEST_SUITE_P(Depths, StoryScreen, ::testing::Values(8, 32));

}  // namespace
