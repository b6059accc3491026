// Font files: loading, refusing corrupt files, measuring and drawing text
// pixel by pixel at each depth, clipped at every edge.
#include <gtest/gtest.h>

#include <memory>

#include "common/fontfixture.h"
#include "common/sdlharness.h"
#include "common/testutil.h"
#include "gfx/font.h"
#include "gfx/pixfmt.h"
#include "platform/system.h"

using namespace vektest;

namespace {

// Two glyphs, written out by hand from the layout: "A" is X.X / XXX / X.X in
// columns 0-2, "B" is XX / X. / XX in columns 3-4; advances 4 and 3, no kerning.
const uint8_t kTwoGlyphFont[] = {
    'F', 'O', 'N', 'T', 0x41, 0x42, 0x00, 0x05, 0x00, 0x03, 0x00, 0x02,  //
    'M', 'O', 'N', 'O', 'P',  'R',  'O',  'P',  'C',  'H',  'A',  'R',   //
    0x00, 0x00, 0x00, 0x03, 0x00, 0x03, 0x00, 0x02,                      // locations
    0x00, 0x04, 0x00, 0x03,                                              // advances
    0x00, 0x00, 0x00, 0x00,                                              // kerning
    'D', 'A', 'T', 'A',                                                  //
    1, 0, 1, 1, 1, 1, 1, 1, 1, 0, 1, 0, 1, 1, 1,                         // 3 rows of 5
};
static_assert(sizeof(kTwoGlyphFont) == 59);

FontSpec TwoGlyphSpec()
{
    FontSpec spec;
    spec.lo = 'A';
    spec.hi = 'B';
    spec.baseline = 2;
    spec.glyphs = {{'A', {"X.X", "XXX", "X.X"}, 4, 0}, {'B', {"XX", "X.", "XX"}, 3, 0}};
    return spec;
}

// Writes font bytes to a file in the scratch directory and opens it.
TextFont *OpenBytes(const Bytes &bytes, const char *name = "test.fnt")
{
    WriteBytes(name, bytes);
    return OpenDiskFont(name);
}

ULONG DrawnPen(int depth, UBYTE pen)
{
    if (depth == 8) return pen;
    return ChunkyPixel(depth == 16 ? PIXFMT_RGB16 : PIXFMT_ARGB32, pen);
}

TEST(FontFile, LoadsEveryField)
{
    ScratchDir dir;
    const Bytes golden(kTwoGlyphFont, kTwoGlyphFont + sizeof kTwoGlyphFont);
    ASSERT_EQ(BuildFont(TwoGlyphSpec()), golden) << "the test font builder writes the layout";
    TextFont *font = OpenBytes(golden);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->Lochar, 'A');
    EXPECT_EQ(font->Hichar, 'B');
    EXPECT_EQ(font->BitmapBreite, 5);
    EXPECT_EQ(font->tf_YSize, 3);
    EXPECT_EQ(font->tf_Baseline, 2);
    EXPECT_EQ(font->Typ, 0x4D4F4E4Fu);
    EXPECT_EQ(font->Size, FONT_SIZE_PROP);
    EXPECT_EQ(font->tf_XSize, 0);
    EXPECT_EQ(font->CharLoc[0].Offset, 0);
    EXPECT_EQ(font->CharLoc[0].Width, 3);
    EXPECT_EQ(font->CharLoc[1].Offset, 3);
    EXPECT_EQ(font->CharLoc[1].Width, 2);
    EXPECT_EQ(font->CharSpace[0], 4);
    EXPECT_EQ(font->CharSpace[1], 3);
    EXPECT_EQ(font->CharKern[0], 0);
    EXPECT_EQ(std::vector<UBYTE>(font->Data, font->Data + 15), Bytes(golden.begin() + 44, golden.end()));
    CloseFont(font);
    CloseFont(nullptr);
}

TEST(FontFile, FixedWidthTakesTheWidthOfA)
{
    ScratchDir dir;
    FontSpec spec = TwoGlyphSpec();
    spec.proportional = false;
    spec.glyphs[0].rows = {"XXXXXXXX"};
    spec.glyphs[0].kern = -3;
    TextFont *font = OpenBytes(BuildFont(spec));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->tf_XSize, 8);
    EXPECT_EQ(font->CharKern[0], -3) << "kerning is signed";
    CloseFont(font);

    spec.lo = 'B';  // no 'A': the first character stands in
    spec.glyphs.erase(spec.glyphs.begin());
    font = OpenBytes(BuildFont(spec));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->tf_XSize, 2);
    CloseFont(font);
}

TEST(FontFile, CorruptFilesAreRefusedWithoutLeaks)
{
    ScratchDir dir;
    const Bytes good(kTwoGlyphFont, kTwoGlyphFont + sizeof kTwoGlyphFont);
    auto cut = [&](size_t n) { return Bytes(good.begin(), good.begin() + n); };
    auto patch = [&](size_t at, std::initializer_list<uint8_t> bytes) {
        Bytes b = good;
        for (uint8_t v : bytes) b[at++] = v;
        return b;
    };
    struct Row {
        const char *name;
        Bytes bytes;
        const char *message;
    };
    const Row rows[] = {
        {"empty file", {}, "OpenDiskFont: Konnte nicht aus dem File lesen!(Der File ist Korrupt)"},
        {"three bytes", cut(3), "OpenDiskFont: Konnte nicht aus dem File lesen!(Der File ist Korrupt)"},
        {"not a font", patch(3, {'X'}), "es sich nicht um einen Font!"},
        {"head cut short", cut(10), "Der Font-Kopf ist unvollstaendig"},
        {"highest character below the lowest", patch(5, {0x40}), "Hichar 64 liegt unter Lochar 65"},
        {"second tag not CHAR", patch(23, {'X'}), "OpenDiskFont: Fehler in Font Datei! 000"},
        {"file ends before CHAR", cut(20), "OpenDiskFont: Fehler in Font Datei! 000"},
        {"location table cut", cut(26), "Char Location Tabelle ist unvollstaendig"},
        {"spacing table cut", cut(34), "Char Spacing Tabelle ist unvollstaendig"},
        {"kerning table cut", cut(38), "Char Kerning Tabelle ist unvollstaendig"},
        {"third tag not DATA", patch(40, {'D', 'A', 'T', 'X'}), "OpenDiskFont: Fehler in Font Datei! 001"},
        {"bitmap cut", cut(50), "Font-Bitmap ist unvollstaendig"},
        {"bitmap far larger than the file", patch(6, {0xFF, 0xFF, 0xFF, 0xFF}), "Font-Bitmap ist unvollstaendig"},
        {"empty bitmap", patch(6, {0, 0}), "Die Font-Bitmap ist leer"},
        {"glyph wider than the bitmap", patch(30, {0, 3}), "Zeichen 66 liegt ausserhalb der Font-Bitmap"},
        {"glyph starts past the bitmap", patch(24, {1, 0}), "Zeichen 65 liegt ausserhalb der Font-Bitmap"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        const ULONG allocated = MemAllocatedCounter, freed = MemFreedCounter;
        StdoutCapture out;
        EXPECT_EQ(OpenBytes(r.bytes), nullptr);
        const std::string text = out.Take();
        EXPECT_NE(text.find(r.message), std::string::npos) << text;
        EXPECT_EQ(MemAllocatedCounter - allocated, MemFreedCounter - freed);
    }
    StdoutCapture out;
    EXPECT_EQ(OpenDiskFont("missing.fnt"), nullptr);
    EXPECT_NE(out.Take().find("OpenDiskFont: Konnte das File missing.fnt nicht \366ffnen!"), std::string::npos);
}

class TextDrawing : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        SetTestPalette();
        screen = std::make_unique<SdlScreen>(GetParam());
        ASSERT_TRUE(screen->Ok());
        font = OpenBytes(BuildFont(TwoGlyphSpec()));
        ASSERT_NE(font, nullptr);
    }
    void TearDown() override
    {
        CloseFont(font);
        screen.reset();
        SetTestPalette();
    }
    int Depth() const { return GetParam(); }
    ULONG Pen(UBYTE pen) const { return DrawnPen(Depth(), pen); }

    // A RastPort on a fresh off-screen BitMap filled with pen 0x20.
    RastPort *Port(ULONG w, ULONG h, TextFont *f)
    {
        bitmaps.push_back(AllocBitMap(w, h, (ULONG)Depth(), 1, nullptr));
        FillBitMap(bitmaps.back(), Pen(0x20));
        ports.push_back(std::make_unique<RastPort>());
        RastPort *rp = ports.back().get();
        InitRastPort(rp);
        rp->BitMap = bitmaps.back();
        SetFont(rp, f);
        return rp;
    }
    void FreePorts()
    {
        for (BitMap *b : bitmaps) FreeBitMap(b);
        bitmaps.clear();
        ports.clear();
    }

    ScratchDir dir;
    std::unique_ptr<SdlScreen> screen;
    TextFont *font = nullptr;
    std::vector<BitMap *> bitmaps;
    std::vector<std::unique_ptr<RastPort>> ports;
};

INSTANTIATE_TEST_SUITE_P(Depths, TextDrawing, ::testing::Values(8, 16, 32),
                         [](const auto &info) { return std::to_string(info.param) + "bit"; });

TEST_P(TextDrawing, GlyphsInBothDrawModes)
{
    SetPaletteEntry(6, 0, 0, 0);  // a black background pen: 0x0821 at 16 bits, never 0
    RastPort *rp = screen->BobRastPort();
    SetFont(rp, font);
    FillBitMap(screen->BobBitMap(), Pen(0x20));
    screen->TakeRects();
    const ULONG F = Pen(7), B = Pen(6), _ = Pen(0x20);
    if (Depth() == 16) {
        EXPECT_EQ(B, 0x0821u);
    }
    struct Row {
        UBYTE mode;
        std::vector<std::vector<ULONG>> rows;  // x 10 to 16, y 10 to 12
    };
    const Row rows[] = {
        {JAM2, {{F, B, F, _, F, F, _}, {F, F, F, _, F, B, _}, {F, B, F, _, F, F, _}}},
        {JAM1, {{F, _, F, _, F, F, _}, {F, F, F, _, F, _, _}, {F, _, F, _, F, F, _}}},
    };
    const LONG ox = Depth() == 8 ? 0 : 80, oy = Depth() == 8 ? 0 : 30;
    for (const Row &r : rows) {
        SCOPED_TRACE(r.mode);
        FillBitMap(screen->BobBitMap(), _);
        rp->FgPen = 7;
        rp->BgPen = 6;
        rp->DrawMode = r.mode;
        Move(rp, 10, 12);
        EXPECT_EQ(Text(rp, "AB", 2), 1);
        for (LONG y = 0; y < 3; y++) EXPECT_EQ(RowOf(screen->BobBitMap(), 10, 10 + y, 7), r.rows[y]) << y;
        EXPECT_EQ(CountOther(screen->BobBitMap(), _), r.mode == JAM2 ? 15 : 12);
        EXPECT_EQ(rp->cp_x, 10);
        EXPECT_EQ(rp->cp_y, 12);
        EXPECT_EQ(screen->TakeRects(), (std::vector<Rect>{{10 + ox, 10 + oy, 7, 3}}));
        if (Depth() > 8) {
            EXPECT_EQ(PixelAt(screen->ViewBitMap(), 90, 40), F) << "presented on the view";
        }
    }
    EXPECT_EQ(TextLength(rp, "AB", 2), 7);
}

TEST_P(TextDrawing, ColourFontsDrawTheirOwnIndices)
{
    FontSpec spec = TwoGlyphSpec();
    spec.colour = true;
    spec.glyphs[0].rows = {"3.4", "434", "3.4"};
    TextFont *colour = OpenBytes(BuildFont(spec), "colour.fnt");
    ASSERT_NE(colour, nullptr);
    for (UBYTE mode : {JAM2, JAM1}) {
        RastPort *rp = Port(4, 3, colour);
        rp->FgPen = 7;
        rp->BgPen = 6;
        rp->DrawMode = mode;
        Move(rp, 0, 2);
        Text(rp, "A", 1);
        const ULONG empty = mode == JAM2 ? Pen(6) : Pen(0x20);
        EXPECT_EQ(RowOf(rp->BitMap, 0, 0, 4), (std::vector<ULONG>{Pen(3), empty, Pen(4), Pen(0x20)}));
        EXPECT_EQ(RowOf(rp->BitMap, 0, 1, 4), (std::vector<ULONG>{Pen(4), Pen(3), Pen(4), Pen(0x20)}));
    }
    FreePorts();
    CloseFont(colour);
}

TEST_P(TextDrawing, FixedWidthAdvancesByTheWidthOfA)
{
    FontSpec spec;
    spec.lo = 'A';
    spec.hi = 'o';
    spec.proportional = false;
    spec.baseline = 0;
    spec.glyphs = {{'A', {"X.......", "X......."}},
                   {'H', {"X..", "X.."}},
                   {'e', {"X", "X"}},
                   {'l', {"X..........", "X.........."}},
                   {'o', {"X....", "X...."}}};
    TextFont *fixed = OpenBytes(BuildFont(spec), "fixed.fnt");
    ASSERT_NE(fixed, nullptr);
    RastPort *rp = Port(60, 2, fixed);
    rp->DrawMode = JAM1;
    rp->FgPen = 7;
    EXPECT_EQ(TextLength(rp, "Hello", 5), 40);
    EXPECT_EQ(TextLength(rp, "H?o", 3), 24) << "characters outside the font still advance";
    Move(rp, 1, 0);
    Text(rp, "Hello", 5);
    std::vector<ULONG> want(60, Pen(0x20));
    for (int k = 0; k < 5; k++) want[1 + 8 * k] = Pen(7);
    EXPECT_EQ(RowOf(rp->BitMap, 0, 0, 60), want);
    FreePorts();
    CloseFont(fixed);
}

TEST_P(TextDrawing, KerningMovesTheGlyphAndTheNextCharacter)
{
    FontSpec spec;
    spec.lo = 'A';
    spec.hi = 'C';
    spec.glyphs = {{'A', {"X"}, 7, -1}, {'B', {"X"}, 1, 0}};  // 'C' is in range but empty
    TextFont *kerned = OpenBytes(BuildFont(spec), "kern.fnt");
    ASSERT_NE(kerned, nullptr);
    RastPort *rp = Port(30, 1, kerned);
    rp->DrawMode = JAM1;
    rp->FgPen = 7;
    EXPECT_EQ(TextLength(rp, "AB", 2), 7);
    EXPECT_EQ(TextLength(rp, "A?B", 3), 7) << "a character outside the font measures nothing";
    Move(rp, 10, 0);
    Text(rp, "AzB", 3);
    std::vector<ULONG> want(30, Pen(0x20));
    want[9] = want[16] = Pen(7);
    EXPECT_EQ(RowOf(rp->BitMap, 0, 0, 30), want);
    FreePorts();

    // The presented rectangle holds the glyph drawn left of the pen.
    rp = screen->ViewRastPort();
    SetFont(rp, kerned);
    screen->TakeRects();
    Move(rp, 10, 0);
    Text(rp, "AB", 2);
    EXPECT_EQ(screen->TakeRects(), (std::vector<Rect>{{9, 0, 8, 1}}));
    CloseFont(kerned);
}

TEST_P(TextDrawing, ProportionalWidthIsCutToSixteenBits)
{
    FontSpec spec;
    spec.lo = 'A';
    spec.hi = 'A';
    spec.glyphs = {{'A', {"X"}, 1000, 0}};
    TextFont *wide = OpenBytes(BuildFont(spec), "wide.fnt");
    RastPort *rp = Port(1, 1, wide);
    const std::string text(70, 'A');
    EXPECT_EQ(TextLength(rp, text.c_str(), 70), (UWORD)70000);
    EXPECT_EQ(TextLength(rp, "AA", 10), 2000) << "the string's end ends the count";
    FreePorts();
    CloseFont(wide);
}

TEST_P(TextDrawing, NothingAboveTheTopRow)
{
    FontSpec spec = TwoGlyphSpec();
    spec.baseline = 9;
    spec.ysize = 10;
    TextFont *tall = OpenBytes(BuildFont(spec), "tall.fnt");
    RastPort *rp = screen->ViewRastPort();
    SetFont(rp, tall);
    FillBitMap(screen->ViewBitMap(), Pen(0x20));
    screen->TakeRects();
    Move(rp, 0, 5);
    EXPECT_EQ(Text(rp, "AB", 2), 1);
    EXPECT_EQ(CountOther(screen->ViewBitMap(), Pen(0x20)), 0);
    EXPECT_TRUE(screen->TakeRects().empty());
    CloseFont(tall);
}

TEST_P(TextDrawing, ClippedAtEveryEdge)
{
    // The same text drawn into a large BitMap shows what a small one must hold.
    struct Row {
        const char *name;
        LONG x, y;
    };
    const Row rows[] = {
        {"inside", 1, 3},          {"over the left", -2, 3},   {"over the right", 6, 3},
        {"over the bottom", 2, 6}, {"on the top row", 0, 2},   {"right of it", 8, 3},
        {"below it", 0, 9},        {"far left", -30000, 2},    {"over the corner", 6, 6},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        RastPort *small = Port(8, 6, font);
        RastPort *large = Port(48, 48, font);
        for (RastPort *rp : {small, large}) {
            rp->FgPen = 7;
            rp->BgPen = 6;
        }
        Move(small, r.x, r.y);
        EXPECT_EQ(Text(small, "ABAB", 4), 1);
        Move(large, r.x + 20, r.y + 20);
        Text(large, "ABAB", 4);
        for (LONG y = 0; y < 6; y++)
            for (LONG x = 0; x < 8; x++)
                ASSERT_EQ(PixelAt(small->BitMap, x, y), PixelAt(large->BitMap, x + 20, y + 20)) << x << "," << y;
        FreePorts();
    }
}

TEST_P(TextDrawing, MissingPortOrFont)
{
    StdoutCapture out;
    RastPort *saved = VekDisplay.RastPort_;
    VekDisplay.RastPort_ = nullptr;
    EXPECT_EQ(Text(nullptr, "AB", 2), 0);
    EXPECT_EQ(TextLength(nullptr, "AB", 2), 0);
    VekDisplay.RastPort_ = saved;
    RastPort bare;
    InitRastPort(&bare);
    bare.BitMap = screen->ViewBitMap();
    EXPECT_EQ(Text(&bare, "AB", 2), 0);
    EXPECT_EQ(TextLength(&bare, "AB", 2), 0);
    SetFont(nullptr, font);
    SetFont(&bare, nullptr);
    EXPECT_EQ(bare.Font, nullptr);
    const std::string text = out.Take();
    EXPECT_NE(text.find("Text: Der TitelScreenRastPort ist nicht valid !"), std::string::npos);
    EXPECT_NE(text.find("Text: Der Font ist nicht valid !"), std::string::npos);
    EXPECT_NE(text.find("TextLength: RastPort besitzt keinen Font!"), std::string::npos);
    EXPECT_NE(text.find("SetFont:Der angegebene RastPort ist nicht valid!"), std::string::npos);

    SetFont(&bare, font);
    EXPECT_EQ(bare.TxHeight, 3);
    EXPECT_EQ(bare.TxBaseline, 2);
}

}  // namespace
