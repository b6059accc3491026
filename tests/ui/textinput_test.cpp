// The text editor as a table of keystroke sequences (text, width buffer and
// cursor afterwards), and the blinking cursor on a fake display.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/testutil.h"
#include "ui/input.h"
#include "gfx/sdlinit.h"
#include "platform/system.h"

using namespace vektest;

namespace {

// Widths of a small proportional font: most letters 5, 'i' 2, 'm' 8, space 3.
UWORD FakeWidth(UBYTE c)
{
    switch (c) {
    case 'i': return 2;
    case 'm': return 8;
    case ' ': return 3;
    case '\n': return 0;
    default: return 5;
    }
}

UBYTE screen[480][640];
std::vector<std::string> log;

const TextEntryPainter kFake = {
    FakeWidth,
    [] { return (UWORD)10; },
    [] { return (UWORD)8; },
    [](LONG x0, LONG y0, LONG x1, LONG y1, UWORD pen) {
        log.push_back("fill " + std::to_string(x0) + "," + std::to_string(y0) + "-" + std::to_string(x1) + "," +
                      std::to_string(y1));
        for (LONG y = y0; y <= y1; ++y)
            for (LONG x = x0; x <= x1; ++x) screen[y][x] = (UBYTE)pen;
    },
    [](LONG x, LONG baseline, const char *text, ULONG count, UWORD pen) {
        log.push_back("text " + std::to_string(x) + "," + std::to_string(baseline) + " " + std::string(text, count));
        // Every character marks its first column, top row, in the pen.
        for (ULONG i = 0; i < count; ++i) {
            screen[baseline - 8][x] = (UBYTE)pen;
            x += FakeWidth((UBYTE)text[i]);
        }
    },
    [](LONG x, LONG y) { return (UWORD)screen[y][x]; },
    [](LONG x, LONG y, UWORD pen) { screen[y][x] = (UBYTE)pen; },
    nullptr,
};

constexpr UWORD kStartX = 100, kStartY = 50, kBright = 7, kDark = 2;

struct Key {
    ULONG code;
    BOOL extended;
};

using Keys = std::vector<Key>;

Keys T(const std::string &s)
{
    Keys k;
    for (unsigned char c : s) k.push_back({c, 0});
    return k;
}

Keys operator+(Keys a, const Keys &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Keys L = {{KEY_LEFT, 1}}, R = {{KEY_RIGHT, 1}}, U = {{KEY_UP, 1}}, D = {{KEY_DOWN, 1}};
const Keys BS = {{KEY_BACKSPACE, 0}}, LF = {{'\n', 0}}, CR = {{KEY_RETURN, 0}};

struct EditCase {
    const char *name;
    UWORD maxInput, maxPixel, lines;
    Keys keys;
    std::string text;   // afterwards
    UWORD posX, posY;   // cursor index and line afterwards
    ULONG result;       // of the last StringInput
};

class TextInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::memset(screen, kDark, sizeof screen);
        log.clear();
        if (!saved_.CharWidth) saved_ = TextEntryPaint;
        TextEntryPaint = kFake;
        VekCursorStruktur = {};
        std::memset(text_, 0, sizeof text_);
        std::memset(widths_, 0, sizeof widths_);
    }
    void TearDown() override
    {
        ClearCursor(&VekCursorStruktur);
        TextEntryPaint = saved_;
    }
    VekCursor *NewField()
    {
        VekCursorStruktur = {};
        return SetNewCursor(kStartX, kStartY, kStartX, kStartY, 11, kBright, kDark);
    }
    ULONG Type(const Keys &keys, UWORD maxInput, UWORD maxPixel, UWORD lines)
    {
        ULONG r = 0;
        for (const Key &k : keys) {
            KeyExtended = k.extended;
            r = StringInput(k.code, text_, widths_, &VekCursorStruktur, maxInput, maxPixel, lines);
        }
        KeyExtended = 0;
        return r;
    }
    std::vector<UBYTE> Widths() const { return std::vector<UBYTE>(widths_, widths_ + std::strlen(text_)); }
    static std::vector<UBYTE> WidthsOf(const std::string &s)
    {
        std::vector<UBYTE> w;
        for (unsigned char c : s) w.push_back((UBYTE)FakeWidth(c));
        return w;
    }

    char text_[64];
    UBYTE widths_[64];
    TextEntryPainter saved_{};  // the display's painter
};

TEST_F(TextInputTest, KeystrokeSequences)
{
    const EditCase rows[] = {
        {"typing", 20, 30, 1, T("abc"), "abc", 3, 0, 15},
        {"a one-line field stops at its width", 20, 30, 1, T("abcdefgh"), "abcdef", 6, 0, 30},
        {"narrow letters fit where wide ones do not", 20, 30, 1, T("iiimmm"), "iiimmm", 6, 0, 30},
        {"the last word moves to the next line", 20, 30, 3, T("ab cdefg"), "ab\ncdefg", 8, 1, 55},
        {"without a space the line breaks at the cursor", 20, 30, 2, T("abcdefgh"), "abcdef\ngh", 9, 1, 40},
        {"a word too wide to move breaks at the cursor", 20, 30, 2, T(" mmmm"), " mmm\nm", 6, 1, 38},
        {"a word that just fits moves", 20, 30, 2, T(" abcdefg"), "\nabcdef", 7, 1, 60},
        {"no line left after the last one", 20, 30, 2, T("abcdef ghijk mn"), "abcdef\n ghijk ", 14, 1, 58},
        {"the wrapping line feed counts against the limit", 7, 30, 2, T("abcdefg"), "abcdef", 6, 0, 30},
        {"a space turned line feed costs nothing", 7, 30, 2, T("ab cdef"), "ab\ncdef", 7, 1, 50},
        {"the character limit", 4, 30, 1, T("abcdef"), "abcd", 4, 0, 20},
        {"return breaks the line", 20, 30, 3, T("ab") + LF + T("cd"), "ab\ncd", 5, 1, 40},
        {"carriage return breaks the line too", 20, 30, 3, T("ab") + CR + T("c"), "ab\nc", 4, 1, 35},
        {"no line break on the last line", 20, 30, 1, T("ab") + CR + T("c"), "abc", 3, 0, 15},
        {"a line feed counts against the limit", 3, 30, 3, T("ab") + LF + T("c"), "ab\n", 3, 1, 30},
        {"backspace at the start does nothing", 20, 30, 1, BS, "", 0, 0, 0},
        {"backspace deletes the last character", 20, 30, 1, T("abc") + BS, "ab", 2, 0, 10},
        {"backspace joins the last line to the one before", 20, 30, 3, T("ab") + LF + BS + T("c"), "abc", 3, 0, 15},
        {"backspace after a wrap goes back to the line before", 20, 30, 2, T("abcdefg") + BS + BS, "abcdef", 6, 0, 30},
        {"inside the text a line is not joined", 20, 30, 3, T("ab") + LF + T("cd") + L + L + BS, "ab\ncd", 3, 1, 30},
        {"backspace inside a line", 20, 30, 1, T("abcd") + L + BS, "abd", 2, 0, 10},
        {"typing inside a line", 20, 30, 1, T("ace") + L + L + T("b"), "abce", 2, 0, 10},
        {"a full line takes nothing inside", 20, 30, 1, T("abcdef") + L + L + L + T("x"), "abcdef", 3, 0, 15},
        {"cursor keys move, the same codes typed are characters", 20, 40, 1, T("ab") + L + T("%&'("),
         "a%&'(b", 5, 0, 25},
        {"left at the start and right at the end stay", 20, 30, 1, L + R + T("a") + R, "a", 1, 0, 5},
        {"left and right cross line feeds", 20, 30, 3, T("ab") + LF + T("c") + L + L + T("x"), "abx\nc", 3, 0, 15},
        {"up and down keep the column", 20, 30, 3, T("abc") + LF + T("defgh") + U + T("x") + D + T("y"),
         "abcx\ndefgyh", 10, 1, 55},
        {"up on the first and down on the last line stay", 20, 30, 2, T("ab") + U + D + T("c"), "abc", 3, 0, 15},
        {"inserting a line feed inside the text", 20, 30, 3, T("abcd") + L + L + LF, "ab\ncd", 3, 1, 30},
        {"a line feed inside the text needs a free line", 20, 30, 2, T("ab") + LF + T("cd") + L + LF, "ab\ncd", 4, 1, 35},
        {"code 0 and codes past 255 are ignored", 20, 30, 1, Keys{{0, 0}, {256, 0}, {KEY_DELETE, 1}} + T("a"), "a", 1,
         0, 5},
    };
    for (const EditCase &row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        VekCursor *c = NewField();
        const ULONG r = Type(row.keys, row.maxInput, row.maxPixel, row.lines);
        EXPECT_EQ(std::string(text_), row.text);
        EXPECT_EQ(Widths(), WidthsOf(row.text));
        EXPECT_EQ(c->Pos_X, row.posX);
        EXPECT_EQ(c->Pos_Y, row.posY);
        EXPECT_EQ(r, row.result);
        EXPECT_EQ(c->CharCounter, std::strlen(text_));
        EXPECT_EQ(c->X, kStartX + c->LineLength);
        EXPECT_EQ(c->LineLength, r - (ULONG)row.maxPixel * row.posY);
        EXPECT_EQ(c->Y, kStartY + 11 * row.posY);
        EXPECT_LE(std::strlen(text_), row.maxInput);
    }
}

TEST_F(TextInputTest, AFullBufferNeverOverflows)
{
    // A buffer of exactly maxInput + 1 bytes with guards on both sides.
    struct {
        char guard1[8];
        char text[9];
        char guard2[8];
    } t;
    struct {
        UBYTE guard1[8];
        UBYTE widths[9];
        UBYTE guard2[8];
    } w;
    std::memset(&t, 'G', sizeof t);
    std::memset(&w, 0xEE, sizeof w);
    std::memset(t.text, 0, sizeof t.text);
    std::memset(w.widths, 0, sizeof w.widths);
    NewField();
    for (int round = 0; round < 3; ++round) {
        for (char ch : std::string("ab cd ef gh ij kl")) {
            KeyExtended = 0;
            StringInput((UBYTE)ch, t.text, w.widths, &VekCursorStruktur, 8, 30, 4);
            StringInput('\n', t.text, w.widths, &VekCursorStruktur, 8, 30, 4);
        }
    }
    EXPECT_LE(std::strlen(t.text), 8u);
    EXPECT_EQ(std::string(t.guard2, 8), std::string(8, 'G'));
    EXPECT_EQ(std::vector<UBYTE>(w.guard2, w.guard2 + 8), std::vector<UBYTE>(8, 0xEE));
}

TEST_F(TextInputTest, StartsFromTheCursorsPixelPositionInAPrintedText)
{
    // A text printed by the screen, cursor set by pixel after "ab" of the second line.
    std::strcpy(text_, "abc\nabcd");
    const std::vector<UBYTE> w = WidthsOf(text_);
    std::memcpy(widths_, w.data(), w.size());
    VekCursorStruktur = {};
    SetNewCursor(kStartX, kStartY, kStartX + 10, kStartY + 11, 11, kBright, kDark);
    EXPECT_EQ(Type(T("x"), 20, 30, 3), 30u + 15u);
    EXPECT_EQ(std::string(text_), "abc\nabxcd");
    EXPECT_EQ(VekCursorStruktur.Pos_X, 7);
    EXPECT_EQ(VekCursorStruktur.PosXLineY, 4);
    EXPECT_EQ(VekCursorStruktur.LineCounter, 1);
    // A second field takes its own position again.
    char other[16] = "zz";
    UBYTE otherWidths[16] = {5, 5};
    VekCursorStruktur.X = kStartX + 10;
    VekCursorStruktur.Y = kStartY;
    EXPECT_EQ(StringInput('y', other, otherWidths, &VekCursorStruktur, 10, 30, 1), 15u);
    EXPECT_STREQ(other, "zzy");
}

TEST_F(TextInputTest, WrappingRedrawsTheLinesThatChanged)
{
    NewField();
    Type(T("ab cde"), 20, 30, 3);
    log.clear();
    Type(T("f"), 20, 30, 3);
    EXPECT_EQ(log, (std::vector<std::string>{"fill 100,50-129,60", "text 100,58 ab", "fill 100,61-129,71",
                                             "text 100,69 cdef"}));
    EXPECT_EQ(screen[61][100], kBright);  // 'c' now starts the second line
    EXPECT_EQ(screen[50][113], kDark);    // and is gone from the first
}

TEST_F(TextInputTest, EditStringsInsertsAndRemovesAtTheCursor)
{
    VekCursor c{};
    std::strcpy(text_, "abd");
    std::memcpy(widths_, "\5\5\5", 3);
    c.Pos_X = 2;
    EXPECT_EQ(EditStrings('c', 5, text_, widths_, &c, 4, 30), 1);
    EXPECT_STREQ(text_, "abcd");
    EXPECT_EQ(EditStrings('x', 5, text_, widths_, &c, 4, 30), 0);  // holds maxInput characters
    EXPECT_EQ(EditStrings('x', 5, text_, widths_, &c, 10, 20), 0);  // the line has no room
    EXPECT_EQ(EditStrings(0, 0, text_, widths_, &c, 4, 30), 1);     // removing works on a full text
    EXPECT_STREQ(text_, "abd");
    EXPECT_EQ(Widths(), WidthsOf("abd"));
    c.Pos_X = 3;
    EXPECT_EQ(EditStrings(0, 0, text_, widths_, &c, 4, 30), 0);     // nothing under the cursor
}

TEST_F(TextInputTest, RedrawThisLineDrawsFromTheCursorsLineDown)
{
    VekCursor *c = NewField();
    c->Pos_Y = 1;
    RedrawThisLine(c, "ab\ncd\nef\ngh", 30, 20, 2);
    EXPECT_EQ(log, (std::vector<std::string>{"fill 100,61-129,71", "text 100,69 cd", "fill 100,72-129,82",
                                             "text 100,80 ef"}));
}

TEST_F(TextInputTest, NullBuffersAreRefused)
{
    StdoutCapture cap;
    EXPECT_EQ(StringInput('a', nullptr, widths_, &VekCursorStruktur, 10, 30, 1), 0u);
    EXPECT_EQ(StringInput('a', text_, widths_, nullptr, 10, 30, 1), 0u);
    const std::string out = cap.Take();
    EXPECT_NE(out.find("Routine: StringInput StringPtr==NULL"), std::string::npos);
    EXPECT_NE(out.find("Routine: StringInput VekCursorPtr==NULL"), std::string::npos);
}

TEST_F(TextInputTest, CursorBlinksOverWhatItCoversAndPutsItBack)
{
    for (int y = 50; y < 61; ++y) screen[y][130] = y < 55 ? kBright : 9;
    VekCursor *c = SetNewCursor(kStartX, kStartY, 130, 50, 11, kBright, kDark);
    EXPECT_EQ(c->Break, 0);
    EXPECT_EQ(c->CursorProcess, 1);
    DrawCursor();
    EXPECT_EQ(c->Flag, 0);
    for (int y = 50; y < 61; ++y) EXPECT_EQ(screen[y][130], y < 55 ? kBright : kDark) << y;
    DrawCursor();
    for (int y = 50; y < 61; ++y) EXPECT_EQ(screen[y][130], y < 55 ? kDark : kBright) << y;
    // Moving it puts the saved pixels back first.
    SetCursor(140, 50, 11, kBright, kDark);
    for (int y = 50; y < 61; ++y) EXPECT_EQ(screen[y][130], y < 55 ? kBright : 9) << y;
    // Hidden, it draws a line of the dark pen one pixel longer and stops blinking.
    SetCursor(0, 0, 0, 0, 0);
    for (int y = 50; y <= 61; ++y) EXPECT_EQ(screen[y][140], kDark) << y;
    screen[55][140] = 33;
    DrawCursor();
    EXPECT_EQ(screen[55][140], 33);
}

TEST_F(TextInputTest, CursorLengthIsBoundedByItsSaveArea)
{
    for (int y = 0; y < 100; ++y) screen[y][10] = 4;
    VekCursor *c = SetNewCursor(10, 0, 10, 0, 60, kBright, kDark);
    EXPECT_EQ(c->Length, CURSOR_MAX_LENGTH);
    DrawCursor();
    DrawCursor();
    EXPECT_EQ(screen[19][10], kBright);
    EXPECT_EQ(screen[20][10], 4);
}

TEST_F(TextInputTest, ClearCursorStopsTheFieldAndTheTimer)
{
    ASSERT_EQ(SDL_Init(SDL_INIT_TIMER), 0);
    VekCursor *c = NewField();
    EXPECT_NE(CursorBlinkTimer, nullptr);
    ClearCursor(c);
    EXPECT_EQ(CursorBlinkTimer, nullptr);
    EXPECT_EQ(c->Start_X, 0);
    EXPECT_EQ(c->CursorProcess, 0);
    EXPECT_EQ(c->Stop, 1);
    SDL_Quit();
}

TEST_F(TextInputTest, TheBlinkEventReachesTheCursorThroughGetKey)
{
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
    ASSERT_NE(SDL_SetVideoMode(640, 480, 8, SDL_SWSURFACE), nullptr);
    screen[50][130] = kDark;
    SetNewCursor(kStartX, kStartY, 130, 50, 5, kBright, kDark);
    SDL_Event ev{};
    ev.type = SDL_USEREVENT;
    ev.user.code = CURSOR_BLINK_EVENT;
    SDL_PushEvent(&ev);
    SDL_PushEvent(&ev);
    EXPECT_EQ(GetKey(GETKEY_POLL), KEY_NOEVENT);
    EXPECT_EQ(screen[50][130], kBright);
    ClearCursor(&VekCursorStruktur);
    SDL_Quit();
}

TEST(WidthRoutines, LinesAndPositions)
{
    const char *text = "ab cd\nefgh";
    const UBYTE widths[] = {5, 5, 3, 5, 5, 0, 5, 5, 5, 5, 0};
    EXPECT_EQ(GetCursorStringPos(widths, 0), 23u);  // stops at the line feed's 0
    const UBYTE run[] = {5, 5, 5, 5, 5, 5, 5, 0};
    EXPECT_EQ(GetCursorStringPos(run, 15), 5u);
    ULONG index = 0;
    EXPECT_EQ(GetLastLineCursorStringPos(text, widths, 30, &index), 20u);
    EXPECT_EQ(index, 10u);
    VekCursor c{};
    c.Pos_X = 9;
    EXPECT_EQ(CalcSizeOfLastLine(&c, text, widths), 15u);
    ULONG end = 0;
    EXPECT_EQ(CalcLinePos(text, widths, &c, 30, 1, 0, &end), 6);
    EXPECT_EQ(end, 20u);
    EXPECT_EQ(CalcLinePos(text, widths, &c, 30, 2, 0, &end), -1);
    c.Start_X = 100;
    c.X = 111;
    EXPECT_EQ(CalcLinePos(text, widths, &c, 30, 1, 1, nullptr), 8);
    // Soft wrap without a line feed: "abcdefg" in 30 pixels is "abcdef" and "g".
    const UBYTE seven[] = {5, 5, 5, 5, 5, 5, 5, 0};
    EXPECT_EQ(CalcLinePos("abcdefg", seven, &c, 30, 1, 0, &end), 6);
    EXPECT_EQ(end, 5u);
}

}  // namespace
