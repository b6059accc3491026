// The list requester on the headless display at 8, 16 and 32 bits: slider
// and scroll arithmetic, what the window shows, highlights, rebuilds and the
// limits on what it is handed.
#include <cstring>
#include <string>
#include <vector>

#include "dialogfixture.h"
#include "gfx/font.h"
#include "ui/requester.h"

using namespace vektest;

namespace {

constexpr UWORD kBack = 6, kText = 7, kHighBack = 12, kHighText = 11;
constexpr UWORD kFace = 26, kTrack = 22, kLight = 25, kDark = 24;
constexpr UWORD kX = 50, kY = 40, kW = 100;

// n slots of 80 bytes: "L0", "L1", ...
std::vector<char> Lines(int n, const char *prefix = "L")
{
    std::vector<char> b((size_t)n * REQ_LINE_SIZE, 0);
    for (int i = 0; i < n; ++i) std::snprintf(&b[(size_t)i * REQ_LINE_SIZE], REQ_LINE_SIZE, "%s%d", prefix, i);
    return b;
}

class RequesterTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        // The barcode glyphs in a 12-row font: lines are 13 rows apart.
        FontSpec spec = BarcodeFontSpec();
        spec.ysize = 12;
        WriteBytes("tall.fnt", BuildFont(spec));
        tall_ = OpenDiskFont("tall.fnt");
        ASSERT_NE(tall_, nullptr);
        SetFont(Display(), tall_);
    }
    void TearDown() override
    {
        ClearRequester(req_);
        req_ = nullptr;
        Display()->Font = nullptr;
        CloseFont(tall_);
        DialogTest::TearDown();
    }
    VekRequester *List(int n, UWORD h, const std::vector<char> &lines)
    {
        ClearRequester(req_);
        req_ = InitRequesterBox(kW, (UWORD)n, tall_, lines.data(), kX, kY, kW, h, kBack, kText);
        return req_;
    }
    // Whether the window on the display shows the content from row `row` on.
    bool Shows(const VekRequester *req, LONG row)
    {
        for (LONG y = 0; y < req->ReqHoehe; ++y)
            for (LONG x = 0; x < req->ReqBreite; ++x)
                if (PixelAt(DisplayBitMap(), req->ReqXPos + x, req->ReqYPos + y) != PixelAt(req->ReqMemPtr, x, row + y))
                    return false;
        return true;
    }
    std::string LineOnDisplay(LONG top) { return Read(kX, top, kText); }

    TextFont *tall_ = nullptr;
    VekRequester *req_ = nullptr;
    std::vector<char> lines_;
};

TEST_P(RequesterTest, ListIsDrawnOnceAndShownInItsWindow)
{
    lines_ = Lines(30);
    VekRequester *req = List(30, 130, lines_);
    ASSERT_NE(req, nullptr);
    EXPECT_EQ(req->ReqHoeheBitmap, 390);
    EXPECT_EQ(req->ReqMemPtr->Hoehe, 390u);
    EXPECT_EQ(req->ReqOldEntry, -1);
    EXPECT_TRUE(Shows(req, 0));
    // Line i: text at x 0, baseline i x 13 + 7.
    EXPECT_EQ(ReadFrom(req->ReqMemPtr, 0, 13 * 4, kText), "L4");
    EXPECT_EQ(LineOnDisplay(kY + 13 * 2), "L2");
    EXPECT_EQ(At(kX + 20, kY + 1), Ink(kBack));

    // A short list is padded to the window's height.
    lines_ = Lines(5);
    req = List(5, 100, lines_);
    EXPECT_EQ(req->ReqHoeheBitmap, 65);
    EXPECT_EQ(req->ReqMemPtr->Hoehe, 100u);
    EXPECT_EQ(req->SliderProzent, 100);
}

TEST_P(RequesterTest, ShortListNeitherScrollsNorMovesTheKnob)
{
    lines_ = Lines(5);
    VekRequester *req = List(5, 100, lines_);
    ASSERT_TRUE(InitSlider(req, 14, 100, kFace, kTrack, kLight, kDark, 200, kY));
    for (UWORD mode : {0, 1, 2}) EXPECT_EQ(SetRequesterBox(req, mode, 1), 0) << mode;
    for (UWORD cmd : {SLIDER_DOWN10, SLIDER_UP10, (UWORD)150}) {
        EXPECT_EQ(SetSlider(req, cmd), 0) << cmd;
        EXPECT_EQ(req->ReqProzent, 0);
    }
    EXPECT_TRUE(Shows(req, 0));
}

TEST_P(RequesterTest, ScrollVectors)
{
    lines_ = Lines(30);
    VekRequester *req = List(30, 130, lines_);  // content 390, range 260
    EXPECT_EQ(req->SliderProzent, 33);

    EXPECT_EQ(SetSlider(req, SLIDER_DOWN10), 10);
    EXPECT_EQ(SetRequesterBox(req, 0, 0), 1);
    EXPECT_EQ(req->ReqPixel, 26);
    EXPECT_EQ(req->ReqZeile, 2);
    EXPECT_TRUE(Shows(req, 26));

    struct Case {
        const char *name;
        UWORD start;
        UWORD command;
        UWORD percent;
    };
    const Case relative[] = {
        {"up from 5 stops at the top", 5, SLIDER_UP10, 0},
        {"down from 95 stops at the bottom", 95, SLIDER_DOWN10, 100},
        {"redraw keeps the position", 40, SLIDER_REDRAW, 40},
        {"down by 3", 40, SLIDER_REDRAW + 3, 43},
        {"up by 100", 40, SLIDER_REDRAW + SLIDER_UP + 100, 0},
    };
    for (const Case &c : relative) {
        SCOPED_TRACE(c.name);
        req->ReqProzent = c.start;
        EXPECT_EQ(SetSlider(req, c.command), c.percent);
    }

    // Mode 0 adds in 16 bits: 65526 is 10 up.
    req->ReqProzent = 5;
    EXPECT_EQ(SetRequesterBox(req, 0, 65526), 1);
    EXPECT_EQ(req->ReqProzent, 0);
    EXPECT_TRUE(Shows(req, 0));
    EXPECT_EQ(SetRequesterBox(req, 0, 250), 1);
    EXPECT_EQ(req->ReqProzent, 100);
    EXPECT_TRUE(Shows(req, 260));

    // Mode 1: a line, limited to the end; the slider follows by its own
    // rounding, the stored position is the row shown.
    EXPECT_EQ(SetRequesterBox(req, 1, 3), 1);
    EXPECT_TRUE(Shows(req, 39));
    EXPECT_EQ(req->ReqPixel, 39);
    EXPECT_EQ(req->ReqZeile, 3);
    EXPECT_EQ(SetRequesterBox(req, 1, 25), 1);
    EXPECT_EQ(req->ReqProzent, 98);
    EXPECT_EQ(req->ReqPixel, 260);
    EXPECT_EQ(req->ReqZeile, 20);
    EXPECT_TRUE(Shows(req, 260));
    EXPECT_EQ(SetRequesterBox(req, 1, 500), 1);
    EXPECT_TRUE(Shows(req, 260));

    // Mode 2: a pixel row; beyond the range nothing changes.
    EXPECT_EQ(SetRequesterBox(req, 2, 100), 1);
    EXPECT_TRUE(Shows(req, 100));
    EXPECT_EQ(req->ReqPixel, 100);
    EXPECT_EQ(SetRequesterBox(req, 2, 261), 0);
    EXPECT_TRUE(Shows(req, 100));
    EXPECT_EQ(SetRequesterBox(req, 3, 0), 0);
    EXPECT_EQ(SetRequesterBox(nullptr, 0, 0), 0);
}

TEST_P(RequesterTest, KnobFollowsTheMouseAndIsDrawnOnTheTrack)
{
    lines_ = Lines(40);
    VekRequester *req = List(40, 130, lines_);  // content 520: the knob is a quarter of the track
    ASSERT_EQ(req->SliderProzent, 25);
    ASSERT_TRUE(InitSlider(req, 14, 200, kFace, kTrack, kLight, kDark, 300, 100));
    // Knob 50 rows high at the top: light top and left edges, dark bottom and right, face inside.
    EXPECT_EQ(At(305, 100), Ink(kLight));
    EXPECT_EQ(At(300, 120), Ink(kLight));
    EXPECT_EQ(At(313, 120), Ink(kDark));
    EXPECT_EQ(At(305, 149), Ink(kDark));
    EXPECT_EQ(At(305, 120), Ink(kFace));
    EXPECT_EQ(At(305, 150), Ink(kTrack));
    EXPECT_EQ(At(305, 299), Ink(kTrack));

    struct Case {
        UWORD y;
        UWORD percent;
        LONG knobTop;
    };
    const Case cases[] = {{100, 0, 100}, {50, 0, 100}, {200, 50, 175}, {300, 100, 250}, {290, 100, 250}, {0, 0, 100}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.y);
        EXPECT_EQ(SetSlider(req, c.y), c.percent);
        EXPECT_EQ(At(305, c.knobTop), Ink(kLight));
        EXPECT_EQ(At(305, c.knobTop + 49), Ink(kDark));
        if (c.knobTop > 100) {
            EXPECT_EQ(At(305, c.knobTop - 1), Ink(kTrack));
        }
        if (c.knobTop + 50 < 300) {
            EXPECT_EQ(At(305, c.knobTop + 50), Ink(kTrack));
        }
    }
    // The relative commands place the knob by the percentage: 10 % of 150 rows.
    SetSlider(req, 100);
    EXPECT_EQ(SetSlider(req, SLIDER_DOWN10), 10);
    EXPECT_EQ(At(305, 114), Ink(kTrack));
    EXPECT_EQ(At(305, 115), Ink(kLight));
    // The content follows only with the scroll call.
    EXPECT_TRUE(Shows(req, 0));
    SetRequesterBox(req, 0, 0);
    EXPECT_TRUE(Shows(req, 39));
}

TEST_P(RequesterTest, SliderWithoutTrackKeepsThePercentage)
{
    lines_ = Lines(40);
    VekRequester *req = List(40, 130, lines_);
    EXPECT_EQ(InitSlider(req, 14, 0, kFace, kTrack, kLight, kDark, 300, 100), 0);
    EXPECT_EQ(req->SliderMemPtr, nullptr);
    EXPECT_EQ(SetSlider(req, 150), 0);  // no track to measure the mouse against
    EXPECT_EQ(SetSlider(req, SLIDER_DOWN10), 10);
    EXPECT_EQ(SetRequesterBox(req, 1, 4), 1);
    EXPECT_TRUE(Shows(req, 52));
}

TEST_P(RequesterTest, HighlightFollowsClicksAndForgetsOnScroll)
{
    lines_ = Lines(30);
    VekRequester *req = List(30, 125, lines_);  // line 9 (rows 117-129) is cut by the window
    const auto lineY = [](int i) { return (UWORD)(kY + 13 * i + 3); };

    EXPECT_EQ(SetStringHighLite(req, 0, lineY(2), kHighBack, kHighText), 2);
    EXPECT_EQ(Read(kX, kY + 26, kHighText), "L2");
    EXPECT_EQ(At(kX + kW - 1, kY + 26), Ink(kHighBack));
    EXPECT_EQ(At(kX + kW - 1, kY + 26 + 12), Ink(kHighBack));
    EXPECT_EQ(At(kX + kW - 1, kY + 26 + 13), Ink(kBack));

    screen_->TakeRects();
    EXPECT_EQ(SetStringHighLite(req, 0, lineY(2), kHighBack, kHighText), 2);
    EXPECT_TRUE(screen_->TakeRects().empty()) << "a second click on the line redrew it";

    // Another line: the old one goes back to the normal pens.
    EXPECT_EQ(SetStringHighLite(req, 1, 4, kHighBack, kHighText), 4);
    EXPECT_EQ(Read(kX, kY + 26, kText), "L2");
    EXPECT_EQ(Read(kX, kY + 52, kHighText), "L4");

    // A partly visible line is remembered but not drawn, and not undrawn later.
    EXPECT_EQ(SetStringHighLite(req, 0, (UWORD)(kY + 120), kHighBack, kHighText), -1);
    EXPECT_EQ(req->ReqOldEntry, 9);
    EXPECT_EQ(Read(kX, kY + 52, kText), "L4");
    screen_->TakeRects();
    EXPECT_EQ(SetStringHighLite(req, 0, lineY(3), kHighBack, kHighText), 3);
    for (const Rect &r : screen_->TakeRects())
        EXPECT_LT(r.y, kY + 117 + (Depth() == 8 ? 0 : 30)) << "the cut line was drawn";

    // Above the window nothing is chosen.
    EXPECT_EQ(SetStringHighLite(req, 0, kY - 5, kHighBack, kHighText), -1);
    EXPECT_EQ(req->ReqOldEntry, 3);

    // Scrolling forgets the highlight, also when it cannot scroll.
    SetRequesterBox(req, 0, 10);
    EXPECT_EQ(req->ReqOldEntry, -1);
    SetRequesterBox(req, 7, 0);
    EXPECT_EQ(req->ReqOldEntry, -1);
}

TEST_P(RequesterTest, ClickBelowTheLastLineKeepsTheHighlight)
{
    lines_ = Lines(5);
    VekRequester *req = List(5, 100, lines_);
    EXPECT_EQ(SetStringHighLite(req, 0, kY + 13 + 2, kHighBack, kHighText), 1);
    EXPECT_EQ(SetStringHighLite(req, 0, kY + 80, kHighBack, kHighText), -1);
    EXPECT_EQ(req->ReqOldEntry, 1);
    EXPECT_EQ(Read(kX, kY + 13, kHighText), "L1");
    // A scrolled list counts the scroll offset in.
    lines_ = Lines(30);
    req = List(30, 130, lines_);
    SetRequesterBox(req, 0, 50);  // offset 130: line 10 at the top
    EXPECT_EQ(SetStringHighLite(req, 0, kY + 2, kHighBack, kHighText), 10);
    EXPECT_EQ(Read(kX, kY, kHighText), "L10");
    // Scrolled to a line or a row, the highlight counts from the row shown,
    // not from the slider's rounded percentage.
    struct Case {
        UWORD mode, value;
        LONG topLine;
    } cases[] = {{1, 25, 20}, {2, 39, 3}, {1, 7, 7}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value);
        ASSERT_EQ(SetRequesterBox(req, c.mode, c.value), 1);
        EXPECT_EQ(SetStringHighLite(req, 0, kY + 2, kHighBack, kHighText), c.topLine);
        EXPECT_EQ(Read(kX, kY, kHighText), "L" + std::to_string(c.topLine));
    }
}

TEST_P(RequesterTest, OwnHighlightRoutinesSeeTheirLine)
{
    lines_ = Lines(10);
    VekRequester *req = List(10, 130, lines_);
    static std::vector<std::string> seen;
    seen.clear();
    RequesterHook set = [](VekRequester *r, APTR data) -> LONG {
        seen.push_back(std::string((const char *)data) + " set " + std::to_string(r->ReqOldEntry));
        return 0;
    };
    RequesterHook unset = [](VekRequester *r, APTR data) -> LONG {
        seen.push_back(std::string((const char *)data) + " unset " + std::to_string(r->ReqOldEntry));
        return 0;
    };
    char tag[] = "u";
    EXPECT_EQ(SetOwnStringHighLite(req, set, unset, tag, 1, 2, 0, 0), 2);
    EXPECT_EQ(SetOwnStringHighLite(req, set, unset, tag, 1, 5, 0, 0), 5);
    EXPECT_EQ(SetOwnStringHighLite(req, set, nullptr, tag, 1, 7, kHighBack, kHighText), 7);
    EXPECT_EQ((std::vector<std::string>{"u set 2", "u unset 2", "u set 5", "u set 7"}), seen);
    EXPECT_EQ(Read(kX, kY + 13 * 5, kText), "L5");  // undrawn by the pens without an unset routine
}

TEST_P(RequesterTest, RebuildKeepsPositionSliderAndHighlight)
{
    lines_ = Lines(30);
    VekRequester *req = List(30, 130, lines_);
    ASSERT_TRUE(InitSlider(req, 14, 130, kFace, kTrack, kLight, kDark, 200, kY));
    SetSlider(req, SLIDER_REDRAW + 50);
    SetRequesterBox(req, 0, 0);  // rows 130 on: lines 10 to 19
    EXPECT_EQ(SetStringHighLite(req, 1, 12, kHighBack, kHighText), 12);

    // The same count: the same index, drawn in the normal pens swapped.
    std::vector<char> next = Lines(30, "M");
    req = req_ = UpdateRequesterText(req, next.data(), 30);
    ASSERT_NE(req, nullptr);
    EXPECT_EQ(req->ReqProzent, 50);
    EXPECT_EQ(req->ReqOldEntry, 12);
    EXPECT_EQ(Read(kX, kY + 26, kBack), "M12");
    EXPECT_EQ(At(kX + kW - 1, kY + 26), Ink(kText));
    EXPECT_EQ(Read(kX, kY, kText), "M10");
    ASSERT_NE(req->SliderMemPtr, nullptr);
    EXPECT_EQ(At(205, kY + 44), Ink(kLight));  // the knob of 42 rows at 50 % of the other 88

    // Another count: the first line with the remembered text.
    std::vector<char> moved = Lines(20, "M");
    std::snprintf(&moved[3 * REQ_LINE_SIZE], REQ_LINE_SIZE, "M12");
    req = req_ = UpdateRequesterText(req, moved.data(), 20);
    ASSERT_NE(req, nullptr);
    EXPECT_EQ(req->ReqOldEntry, 3);

    // Fewer lines than the highlighted index: dropped.
    StdoutCapture out;
    std::vector<char> few = Lines(2, "N");
    req = req_ = UpdateRequesterText(req, few.data(), 2);
    EXPECT_NE(out.Take().find("gel\366scht...\n"), std::string::npos);
    ASSERT_NE(req, nullptr);
    EXPECT_EQ(req->ReqOldEntry, -1);
    EXPECT_EQ(req->ReqProzent, 0);  // it fits now
    EXPECT_EQ(req->SliderProzent, 100);
    EXPECT_TRUE(Shows(req, 0));

    // An emptied list shows an empty window.
    req = req_ = UpdateRequesterText(req, nullptr, 0);
    ASSERT_NE(req, nullptr);
    EXPECT_EQ(req->ReqEntries, 0);
    for (LONG y = kY; y < kY + 130; y += 7) EXPECT_EQ(At(kX + 2, y), Ink(kBack)) << y;
    EXPECT_EQ(SetStringHighLite(req, 0, kY + 3, kHighBack, kHighText), -1);
    EXPECT_EQ(SetRequesterBox(req, 1, 1), 0);

    EXPECT_EQ(UpdateRequesterText(nullptr, few.data(), 2), nullptr);
}

TEST_P(RequesterTest, ListWithHookDrawsOnceIntoTheContent)
{
    static int calls;
    calls = 0;
    RequesterHook hook = [](VekRequester *r, APTR data) -> LONG {
        ++calls;
        EXPECT_EQ(data, (APTR)&calls);
        SetAPen(r->ReqRastPortPtr, 99);
        RectFill(r->ReqRastPortPtr, 90, 0, 99, 12);
        return 0;
    };
    lines_ = Lines(30);
    req_ = InitOwnRequesterBox(hook, &calls, kW, 30, tall_, lines_.data(), kX, kY, kW, 130, kBack, kText);
    ASSERT_NE(req_, nullptr);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(At(kX + 95, kY + 5), Ink(99));
    SetRequesterBox(req_, 0, 30);
    EXPECT_EQ(calls, 1);
    // A rebuild calls it again and starts at the top.
    req_ = UpdateRequesterText(req_, lines_.data(), 30);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(req_->ReqProzent, 0);
}

TEST_P(RequesterTest, LinesAreBoundedToTheirSlots)
{
    std::vector<char> lines(3 * REQ_LINE_SIZE, 0);
    std::memset(lines.data(), 'x', REQ_LINE_SIZE);  // no end in the slot
    std::snprintf(&lines[REQ_LINE_SIZE], REQ_LINE_SIZE, "next");
    req_ = InitRequesterBox(200, 3, tall_, lines.data(), 10, 10, 200, 100, kBack, kText);
    ASSERT_NE(req_, nullptr);
    EXPECT_EQ(ReadFrom(req_->ReqMemPtr, 0, 0, kText, 100), std::string(79, 'x'));
    EXPECT_EQ(ReadFrom(req_->ReqMemPtr, 0, 13, kText), "next");
    EXPECT_EQ(SetStringHighLite(req_, 1, 0, kHighBack, kHighText), 0);
    EXPECT_EQ(Read(10, 10, kHighText, 100), std::string(79, 'x'));
}

TEST_P(RequesterTest, RefusedAndLimitedRequests)
{
    lines_ = Lines(3);
    EXPECT_EQ(InitRequesterBox(kW, 3, tall_, nullptr, kX, kY, kW, 100, kBack, kText), nullptr);
    EXPECT_EQ(InitRequesterBox(kW, 3, nullptr, lines_.data(), kX, kY, kW, 100, kBack, kText), nullptr);
    EXPECT_EQ(InitRequesterBox(0, 3, tall_, lines_.data(), kX, kY, kW, 100, kBack, kText), nullptr);
    EXPECT_EQ(InitRequesterTextBox(kW, tall_, nullptr, kX, kY, kW, 100, kBack, kText, nullptr), nullptr);
    ClearRequester(nullptr);
    EXPECT_EQ(SetStringHighLite(nullptr, 0, 0, 0, 0), -1);
    EXPECT_EQ(SetSlider(nullptr, 0), 0);
    // More lines than 16-bit rows can address are cut, not wrapped round.
    std::vector<char> many = Lines(5000);
    req_ = InitRequesterBox(kW, 5000, tall_, many.data(), kX, kY, kW, 130, kBack, kText);
    ASSERT_NE(req_, nullptr);
    EXPECT_EQ(req_->ReqEntries, 32767 / 13);
    EXPECT_EQ(req_->ReqHoeheBitmap, (32767 / 13) * 13);
    EXPECT_EQ(SetRequesterBox(req_, 0, 100), 1);
    EXPECT_TRUE(Shows(req_, req_->ReqHoeheBitmap - 130));
    // Lines below 10000 pixels of range still move the slider.
    EXPECT_EQ(SetRequesterBox(req_, 1, 1000), 1);
    EXPECT_EQ(req_->ReqProzent, (UWORD)(13000 * 100 / (req_->ReqHoeheBitmap - 130)));
}

TEST_P(RequesterTest, TextBoxWrapsAndItsContentCoversTheScrollRange)
{
    SetFont(Display(), font_);
    // Ten lines in a window of 100 rows with 9-row lines: 10 x 9 < 100 < 11 x 9.
    std::string text;
    for (int i = 0; i < 10; ++i) text += "W" + std::to_string(i) + "\n";
    req_ = InitRequesterTextBox(kW, font_, text.c_str(), kX, kY, kW, 100, kBack, kText, nullptr);
    ASSERT_NE(req_, nullptr);
    EXPECT_EQ(req_->TextBox, 1);
    EXPECT_EQ(req_->ReqEntries, 10);
    EXPECT_EQ(req_->ReqHoeheBitmap, 12 * 9);
    EXPECT_GE(req_->ReqMemPtr->Hoehe, (ULONG)req_->ReqHoeheBitmap);
    EXPECT_EQ(SetRequesterBox(req_, 2, 8), 1);
    EXPECT_TRUE(Shows(req_, 8));
    EXPECT_EQ(Read(kX, kY + 9 * 3 - 8, kText), "W3");

    // Words wrap at the window width (ten cells of 2 pixels in 20 pixels).
    ClearRequester(req_);
    req_ = InitRequesterTextBox(20, font_, "abc defg hijklm no", kX, kY, 20, 100, kBack, kText, nullptr);
    ASSERT_NE(req_, nullptr);
    EXPECT_EQ(req_->ReqEntries, 2);
    EXPECT_EQ(Read(kX, kY, kText), "abc defg");
    EXPECT_EQ(Read(kX, kY + 9, kText), "hijklm no");
    EXPECT_EQ(SetStringHighLite(req_, 1, 0, kHighBack, kHighText), -1);  // a text has no lines to choose

    // A hook draws the text and says how many lines it drew.
    ClearRequester(req_);
    req_ = InitRequesterTextBox(kW, font_, "x", kX, kY, kW, 100, kBack, kText,
                                [](VekRequester *, APTR) -> LONG { return 40; });
    ASSERT_NE(req_, nullptr);
    EXPECT_EQ(req_->ReqEntries, 40);
    EXPECT_EQ(req_->SliderProzent, 100 * 100 / 360);

    // A text box is made anew from the new text.
    req_ = UpdateRequesterText(req_, "fresh", 0);
    ASSERT_NE(req_, nullptr);
    EXPECT_EQ(req_->TextBox, 1);
    EXPECT_EQ(req_->ReqEntries, 40);  // the hook is kept

    // The steps one by one.
    ClearRequester(req_);
    req_ = InitRequesterTextBox_Init(kW, font_, "one\ntwo\nthree", kX, kY, kW, 100, kBack, kText);
    ASSERT_NE(req_, nullptr);
    EXPECT_EQ(req_->ReqEntries, 4);
    req_->ReqEntries = 50;
    ASSERT_EQ(InitRequesterTextBox_Bitmap(req_), 1);
    EXPECT_EQ(req_->ReqMemPtr->Hoehe, 52u * 9);
    InitRequesterTextBox_Blit(req_);
    EXPECT_EQ(req_->SliderProzent, 100 * 100 / 450);
}

INSTANTIATE_TEST_SUITE_P(Depths, RequesterTest, ::testing::Values(8, 16, 32));

}  // namespace
