// Text in boxes: PrintText placement by mode bits, status boxes, and the
// line breaking of multi-line texts, read back from the drawn pixels.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "common/fontfixture.h"
#include "common/sdlharness.h"
#include "common/testutil.h"
#include "gfx/printing.h"
#include "platform/system.h"

using namespace vektest;

namespace {

constexpr ULONG kPaper = 99;
constexpr UBYTE kInk = 7;
constexpr UBYTE kBack = 4;

class Printing : public ::testing::Test {
protected:
    void SetUp() override
    {
        screen = std::make_unique<SdlScreen>(8);
        ASSERT_TRUE(screen->Ok());
        bmp = AllocBitMap(600, 200, 8, 1, nullptr);
        FillBitMap(bmp, kPaper);
        InitRastPort(&rp);
        rp.BitMap = bmp;
    }
    void TearDown() override
    {
        CloseFont(font);
        FreeBitMap(bmp);
        screen.reset();
    }
    void UseFont(const FontSpec &spec)
    {
        CloseFont(font);
        WriteBytes("print.fnt", BuildFont(spec));
        font = OpenDiskFont("print.fnt");
        ASSERT_NE(font, nullptr);
        SetFont(&rp, font);
    }
    // Every character a solid 6 x 12 block, baseline 9.
    void UseBlockFont()
    {
        FontSpec spec;
        spec.lo = 'A';
        spec.hi = 'Z';
        spec.ysize = 12;
        spec.baseline = 9;
        spec.proportional = false;
        spec.glyphs = {{'A', std::vector<std::string>(12, "XXXXXX")}};
        UseFont(spec);
    }

    ScratchDir dir;
    std::unique_ptr<SdlScreen> screen;
    BitMap *bmp = nullptr;
    RastPort rp;
    TextFont *font = nullptr;
};

TEST_F(Printing, PrintTextPlacesTheLineByModeBits)
{
    UseBlockFont();
    const char *text = "AAAAAAAAAA";  // 60 pixels wide
    struct Row {
        UWORD mode;
        LONG x, y;  // where Text put its pen: left edge and baseline
    };
    const Row rows[] = {
        {0x000, 100, 50},  {0x001, 170, 50},  {0x002, 240, 50},  {0x003, 240, 50},
        {0x021, 170, 55},  {0x025, 170, 64},  {0x010, 100, 59},  {0x014, 100, 68},
        {0x040, 100, 70},  {0x050, 100, 70},  {0x060, 100, 55},  {0x030, 100, 55},
        {0x0C0, 100, 67},  {0x080, 100, 47},  {0x0C9, 170, 67},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.mode);
        FillBitMap(bmp, kPaper);
        rp.DrawMode = JAM2;
        EXPECT_EQ(PrintText(&rp, 100, 50, 300, 70, text, kBack, kInk, r.mode), 1);
        EXPECT_EQ(BoundsOf(bmp, kInk), (Rect{r.x, r.y - 9, 60, 12}));
        EXPECT_EQ(rp.DrawMode, JAM1);
        EXPECT_EQ(rp.FgPen, kInk);
        if (r.mode & PT_FILL) {
            EXPECT_EQ(BoundsOf(bmp, kBack), (Rect{100, 50, 201, 21}));
        } else {
            EXPECT_EQ(CountOther(bmp, kPaper), 60 * 12);
        }
    }
}

TEST_F(Printing, ShadowAndOutlineGoFirstInPenZero)
{
    UseBlockFont();
    EXPECT_EQ(PrintText(&rp, 10, 20, 100, 40, "AA", kBack, kInk, PT_SHADOW), 1);
    EXPECT_EQ(BoundsOf(bmp, kInk), (Rect{10, 11, 12, 12}));
    EXPECT_EQ(BoundsOf(bmp, 0), (Rect{10, 23, 12, 1})) << "the shadow shows one row below";

    FillBitMap(bmp, kPaper);
    EXPECT_EQ(PrintText(&rp, 10, 20, 100, 40, "AA", kBack, kInk, PT_OUTLINE), 1);
    EXPECT_EQ(BoundsOf(bmp, kInk), (Rect{10, 11, 12, 12}));
    EXPECT_EQ(BoundsOf(bmp, 0), (Rect{9, 10, 14, 14}));
    EXPECT_EQ(CountOther(bmp, kPaper), 14 * 14 - 4) << "the outline leaves the four corners";
}

TEST_F(Printing, WideTextCentredInANarrowBoxIsClipped)
{
    UseBlockFont();
    const std::string text(100, 'A');  // 600 pixels centred at x 20 start at -280
    EXPECT_EQ(PrintText(&rp, 0, 20, 40, 40, text.c_str(), kBack, kInk, PT_CENTER), 1);
    EXPECT_EQ(BoundsOf(bmp, kInk), (Rect{0, 11, 320, 12}));
}

TEST_F(Printing, PrintTextWithoutTextOrPort)
{
    UseBlockFont();
    EXPECT_EQ(PrintText(&rp, 0, 0, 10, 10, nullptr, kBack, kInk, PT_FILL), 0);
    EXPECT_EQ(CountOther(bmp, kPaper), 0);
    RastPort *saved = VekDisplay.RastPort_;
    VekDisplay.RastPort_ = nullptr;
    EXPECT_EQ(PrintText(nullptr, 0, 0, 10, 10, "A", kBack, kInk, 0), 0);
    VekDisplay.RastPort_ = saved;
}

TEST_F(Printing, StatusBoxFillsCentresAndLeavesJam2)
{
    UseBlockFont();
    struct StatusBox {
        UWORD FGPen, BGPen, DrMd, X0, Y0, X1, Y1;
    };
    const StatusBox box = {kInk, kBack, 0, 100, 50, 300, 70};
    rp.DrawMode = JAM2;
    EXPECT_EQ(PrintDisplayStatus(&rp, &box, "AAAAAAAAAA"), 1);
    EXPECT_EQ(BoundsOf(bmp, kInk), (Rect{170, 67 - 9, 60, 12}));
    EXPECT_EQ(BoundsOf(bmp, kBack), (Rect{100, 50, 201, 21}));
    EXPECT_EQ(rp.DrawMode, JAM2);
    EXPECT_EQ(PrintDisplayStatus<StatusBox>(&rp, nullptr, "A"), 0);
}

// Lines as the barcode font reads them back: line n has its top row at y + (n - 1) x 9.
std::vector<std::string> ReadLines(BitMap *bmp, LONG x, LONG y, int count)
{
    std::vector<std::string> lines;
    for (int n = 0; n < count; n++) lines.push_back(ReadBarcode(bmp, x, y + 9 * n, kInk));
    return lines;
}

TEST_F(Printing, LinesBreakAtTheWidthOrAtWords)
{
    UseFont(BarcodeFontSpec());  // every character 2 pixels wide, 8 high
    rp.FgPen = kInk;
    rp.DrawMode = JAM1;
    struct Row {
        const char *name;
        std::string text;
        bool wrap;
        LONG maxChars, maxLines, maxPixels;
        std::vector<std::string> lines;
    };
    const std::string longLine(300, 'x');
    const Row rows[] = {
        {"at the width", "one two", false, 80, 9, 12, {"one tw", "o"}},
        {"at words", "one two", true, 80, 9, 12, {"one", "two"}},
        {"spaces at the break are dropped", "one   two", true, 80, 9, 12, {"one", "two"}},
        {"spaces inside a line stay", "a  b", true, 80, 9, 12, {"a  b"}},
        {"one line only", "one two", true, 80, 1, 12, {"one"}},
        {"line feeds end lines", "ab\n\ncd", false, 80, 9, 100, {"ab", "", "cd"}},
        {"a final line feed adds no line", "abc\n", true, 80, 9, 100, {"abc"}},
        {"at most maxChars", "abcdefg", false, 3, 9, 100, {"abc", "def", "g"}},
        {"maxChars with words", "ab cd ef", true, 5, 9, 100, {"ab cd", "ef"}},
        {"a word longer than the line", "abcdefghij", true, 80, 9, 8, {"abcd", "efgh", "ij"}},
        {"a long word after a short one", "aa bbbbbbbb cc", true, 80, 9, 8, {"aa", "bbbb", "bbbb", "cc"}},
        {"a character wider than the line", "abc", true, 80, 9, 1, {"a", "b", "c"}},
        {"no line passes 256 characters", longLine, false, 1000, 9, 10000,
         {std::string(256, 'x'), std::string(44, 'x')}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        FillBitMap(bmp, kPaper);
        const LONG counted = GetStringInputLines(&rp, r.text.c_str(), 0, 0, r.maxChars, r.maxLines, r.maxPixels);
        EXPECT_EQ(CountOther(bmp, kPaper), 0) << "counting draws nothing";
        const LONG printed = r.wrap ? PrintStringWrapInput(&rp, r.text.c_str(), 3, 4, r.maxChars, r.maxLines,
                                                           r.maxPixels)
                                    : PrintStringInput(&rp, r.text.c_str(), 3, 4, r.maxChars, r.maxLines,
                                                       r.maxPixels);
        EXPECT_EQ(printed, (LONG)r.lines.size());
        if (r.wrap) {
            EXPECT_EQ(counted, printed);
        }
        std::vector<std::string> want = r.lines;
        want.push_back("");  // and nothing below
        EXPECT_EQ(ReadLines(bmp, 3, 4, (int)want.size()), want);
    }
    EXPECT_EQ(PrintStringInput(&rp, "", 0, 0, 80, 9, 100), 0);
    EXPECT_EQ(PrintStringWrapInput(&rp, nullptr, 0, 0, 80, 9, 100), 0);
    EXPECT_EQ(GetStringInputLines(&rp, nullptr, 0, 0, 80, 9, 100), 0);
}

TEST_F(Printing, InitStringInputFillsTheWidthBuffer)
{
    FontSpec spec;
    spec.lo = 'A';
    spec.hi = 'B';
    spec.baseline = 2;
    spec.glyphs = {{'A', {"X.X"}, 4, 0}, {'B', {"XX"}, 3, -1}};
    UseFont(spec);
    char text[16];
    UBYTE widths[16];
    std::memset(widths, 0xEE, sizeof widths);
    EXPECT_EQ(InitStringInput(&rp, "AB\nA", text, widths), 1);
    EXPECT_STREQ(text, "AB\nA");
    EXPECT_EQ(std::vector<UBYTE>(widths, widths + 6), (std::vector<UBYTE>{4, 2, 0, 4, 0, 0xEE}));

    EXPECT_EQ(InitStringInput(&rp, nullptr, text, widths), 1);
    EXPECT_EQ(std::string(text, 5), std::string(5, '\0'));
    EXPECT_EQ(std::vector<UBYTE>(widths, widths + 6), (std::vector<UBYTE>{0, 0, 0, 0, 0, 0xEE}));

    EXPECT_EQ(InitStringInput(&rp, "A", nullptr, widths), 0);
    EXPECT_EQ(InitStringInput(&rp, "A", text, nullptr), 0);
}

}  // namespace
