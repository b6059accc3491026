// The ceremonies: typing a character centred with its outline, the titles by
// realm points, the coronation's pictures and text by tick, and the anarchy
// screen's sounds and its reset of the game, on the demo set at 8 and 32 bits.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "common/demoscreen.h"
#include "common/fontfixture.h"
#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "gfx/font.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "platform/gamevalues.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/chunks.h"
#include "store/store.h"
#include "town/ceremony.h"
#include "town/town.h"
#include "ui/gadgets.h"
#include "ui/input.h"

using namespace vektest;

namespace {

// Glyphs of 10 x 10 pixels, a full block each, so every pixel of a character
// is in the pen it was drawn with.
TextFont *BlockFont()
{
    FontSpec spec;
    spec.lo = 'A';
    spec.hi = 'Z';
    for (UBYTE c = 'A'; c <= 'Z'; ++c) spec.glyphs.push_back({c, std::vector<std::string>(10, "XXXXXXXXXX")});
    spec.baseline = 9;
    WriteBytes("block.fnt", BuildFont(spec));
    return OpenDiskFont("block.fnt");
}

class CeremonyText : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        dir_ = std::make_unique<ScratchDir>();
        screen_ = std::make_unique<SdlScreen>(GetParam());
        ASSERT_TRUE(screen_->Ok());
        SetTestPalette();
        rp_ = DisplayRastPort();
        font_ = BlockFont();
        ASSERT_NE(font_, nullptr);
        SetFont(rp_, font_);
        SetAPen(rp_, 5);
        RectFill(rp_, 0, 0, 639, 479);
    }
    void TearDown() override
    {
        SetFont(rp_, nullptr);
        CloseFont(font_);
        screen_.reset();
        dir_.reset();
    }
    // A pen as text drawn in it shows on the display.
    ULONG Ink(UBYTE pen)
    {
        SetAPen(rp_, pen);
        SetDrMd(rp_, JAM1);
        Move(rp_, 600, 470);
        Text(rp_, "A", 1);
        const ULONG p = ReadPixel(rp_, 605, 465);
        SetAPen(rp_, 5);
        RectFill(rp_, 600, 461, 609, 470);
        return p;
    }
    std::unique_ptr<ScratchDir> dir_;
    std::unique_ptr<SdlScreen> screen_;
    RastPort *rp_ = nullptr;
    TextFont *font_ = nullptr;
};

TEST_P(CeremonyText, CharactersAreCentredOnTheirLineWithAnOutline)
{
    // "AB": the line is 20 wide, so A goes to 310 and B to 320; a line of one
    // character to 315; the next line lies font height + 3 lower.
    const char *text = "AB\nC";
    for (ULONG n = 1; n <= 4; ++n) CeremonyTypeCharacter(rp_, text, n, 50, 0, 163);
    const ULONG ink = Ink(163), outline = Ink(0), back = ReadPixel(rp_, 0, 0);
    // The character's body in the text pen at (x + 1, line top + 1).
    const LONG top = 50 - 9;
    EXPECT_EQ(ReadPixel(rp_, 315, top + 5), ink);
    EXPECT_EQ(ReadPixel(rp_, 325, top + 5), ink);
    // Outline one pixel round it: left of A, below B, right of B.
    EXPECT_EQ(ReadPixel(rp_, 310, top + 5), outline);
    EXPECT_EQ(ReadPixel(rp_, 325, top + 11), outline);
    EXPECT_EQ(ReadPixel(rp_, 331, top + 5), outline);
    EXPECT_EQ(ReadPixel(rp_, 309, top + 5), back);
    EXPECT_EQ(ReadPixel(rp_, 332, top + 5), back);
    // Line two: C at 315, 13 rows lower.
    EXPECT_EQ(ReadPixel(rp_, 316, top + 14), ink);
    EXPECT_EQ(ReadPixel(rp_, 315, top + 18), outline);
    EXPECT_EQ(ReadPixel(rp_, 327, top + 18), back);
    // Nothing for 0, a line feed or past the end.
    SetAPen(rp_, 5);
    RectFill(rp_, 0, 0, 639, 479);
    for (ULONG n : {0u, 3u, 5u, 99u}) CeremonyTypeCharacter(rp_, text, n, 50, 0, 163);
    EXPECT_EQ(CountOther(rp_->BitMap, back), 0);
}

INSTANTIATE_TEST_SUITE_P(Depths, CeremonyText, ::testing::Values(8, 32));

TEST(CeremonyTitles, OnlyTheExactPointsGiveATitle)
{
    const std::map<ULONG, const LocStr *> titles = {{1, &_VEK_TITEL2}, {3, &_VEK_TITEL3},  {7, &_VEK_TITEL4},
                                                    {11, &_VEK_TITEL5}, {15, &_VEK_TITEL6}, {20, &_VEK_TITEL7},
                                                    {25, &_VEK_TITEL8}, {30, &_VEK_TITEL9}};
    for (ULONG points = 0; points <= 31; ++points) {
        const auto it = titles.find(points);
        const char *title = KroenungTitleForPoints(points);
        if (it == titles.end()) {
            EXPECT_EQ(title, nullptr) << points;
        } else {
            EXPECT_STREQ(title, GetString(it->second)) << points;
        }
    }
}

// The screens on a copy of the demo set.
class CeremonyScreen : public DemoScreenTest {
protected:
    void SetPoints(UWORD points)
    {
        auto *land = static_cast<st_LAND *>(LoadChunk2Mem(ID_LAND, "./Data/POP3In/GameChunk.vek"));
        ASSERT_NE(land, nullptr);
        land->Reichspunkte = points;
        ASSERT_TRUE(AddChunkPool(land, "./Data/POP3In/GameChunk.vek"));
        FreeChunk(land);
    }
};

std::vector<int> Blits(const std::string &out, const std::string &routine)
{
    std::vector<int> found;
    const std::regex re(routine + " (\\d+)");
    for (auto it = std::sregex_iterator(out.begin(), out.end(), re); it != std::sregex_iterator(); ++it)
        found.push_back(std::stoi((*it)[1]));
    return found;
}

TEST_P(CeremonyScreen, PointsWithoutATitleReturnAtOnce)
{
    for (UWORD points : {2, 4}) {
        SetPoints(points);
        StdoutCapture out;
        EXPECT_EQ(KroenungsScreen(), 2);
        EXPECT_EQ(out.Take().find("OpenKavorPic"), std::string::npos) << points;
    }
}

TEST_P(CeremonyScreen, CoronationShowsItsPicturesByTickAndTypesFromTick101)
{
    SetPoints(7);
    PlayerInfo.Event = 1;
    auto count = [](const std::string &text, const std::string &what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    };
    {
        // Escape before tick 101: every picture, no character.
        ScriptFeeder feed;
        for (int t = 0; t <= 100; ++t) PushTick();
        PushEscape();
        feed.Start();
        StdoutCapture out;
        EXPECT_EQ(KroenungsScreen(), 2);
        const std::string text = out.Take();
        EXPECT_EQ(Blits(text, "Routine: OpenKavorGfx ID"), (std::vector<int>{878, 877, 879, 880, 881, 882, 883}));
        EXPECT_EQ(count(text, "Routine: Text\n"), 0u);
    }
    EXPECT_EQ(PlayerInfo.Event, 0) << "a coronation is shown once";
    {
        // Ten ticks more type ten characters, five draws each.
        ScriptFeeder feed;
        for (int t = 0; t <= 110; ++t) PushTick();
        PushEscape();
        feed.Start();
        StdoutCapture out;
        EXPECT_EQ(KroenungsScreen(), 2);
        const std::string text = out.Take();
        EXPECT_EQ(count(text, "Routine: Text\n"), 50u);
        EXPECT_EQ(text.find("keinen Font"), std::string::npos);
    }
}

TEST_P(CeremonyScreen, AnarchyTypesItsReasonAndEscapeResetsTheGame)
{
    ASSERT_TRUE(Exists("Data/MapPrefs.vek"));
    PlayerInfo.Spielstopp = 1;
    for (int t = 0; t < 12; ++t) PushTick();
    PushEscape();
    PushKey(SDLK_RETURN, 13);  // the advisor: keep the options
    EXPECT_EQ(AnarchieScreen(), -1);
    EXPECT_FALSE(Exists("Data/MapPrefs.vek"));
    EXPECT_FALSE(Exists("Data/POP3In/GameChunk.vek"));
    EXPECT_TRUE(Exists("Data/Prefs.vek")) << "Ok keeps the screen mode";
    PlayerInfo.Spielstopp = 0;
}

// What the game area showed at the last mouse press, above the question's box.
long gShownAbove = -1;

TEST_P(CeremonyScreen, AnarchyClearsTheScreenBeforeTheQuestion)
{
    PlayerInfo.Spielstopp = 1;
    for (int t = 0; t < 30; ++t) PushTick();
    PushEscape();
    // A press beside the advisor's box while it asks, then Ok: keep the options.
    PushClick(5, 5);
    PushKey(SDLK_RETURN, 13);
    gShownAbove = -1;
    GetKeyClickHook = [] {
        BitMap *shown = DisplayRastPort()->BitMap;
        const ULONG black = PixelAt(shown, 0, 0);
        gShownAbove = 0;
        for (LONG y = 0; y < 150; ++y)
            for (LONG x = 0; x < 640; ++x) gShownAbove += PixelAt(shown, x, y) != black;
    };
    EXPECT_EQ(AnarchieScreen(), -1);
    GetKeyClickHook = nullptr;
    PlayerInfo.Spielstopp = 0;
    EXPECT_EQ(gShownAbove, 0) << "pixels of the anarchy picture still shown";
}

INSTANTIATE_TEST_SUITE_P(Depths, CeremonyScreen, ::testing::Values(8, 32));

}  // namespace
