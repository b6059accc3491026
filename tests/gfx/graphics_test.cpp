// BitMaps, pens, lines, fills, pixels and blits at 8, 16 and 32 bits per
// pixel on the headless display, with the rectangles each one presents.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <utility>

#include "common/sdlharness.h"
#include "common/testutil.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/pixfmt.h"
#include "platform/system.h"

using namespace vektest;

namespace {

constexpr UBYTE kRed = 5;     // palette entry (255, 0, 0)
constexpr UBYTE kBlack = 6;   // palette entry (0, 0, 0), not index 0

// What Draw and Text write for a pen at each depth: the index, or the
// palette colour at the screen's format.
ULONG DrawnPen(int depth, UBYTE pen)
{
    if (depth == 8) return pen;
    return ChunkyPixel(depth == 16 ? PIXFMT_RGB16 : PIXFMT_ARGB32, pen);
}

class Graphics : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        SetTestPalette();
        SetPaletteEntry(kRed, 255, 0, 0);
        SetPaletteEntry(kBlack, 0, 0, 0);
        screen = std::make_unique<SdlScreen>(GetParam());
        ASSERT_TRUE(screen->Ok());
    }
    void TearDown() override
    {
        screen.reset();
        SetTestPalette();
    }
    int Depth() const { return GetParam(); }

    // An off-screen BitMap at the screen depth, every pixel set to fill.
    BitMap *Offscreen(ULONG w, ULONG h, ULONG fill)
    {
        BitMap *bmp = AllocBitMap(w, h, (ULONG)Depth(), 1, nullptr);
        if (bmp) FillBitMap(bmp, fill);
        return bmp;
    }

    std::unique_ptr<SdlScreen> screen;
};

INSTANTIATE_TEST_SUITE_P(Depths, Graphics, ::testing::Values(8, 16, 32),
                         [](const auto &info) { return std::to_string(info.param) + "bit"; });

TEST(BitMaps, AllocFillsTheRecordAndAttributes)
{
    SdlScreen screen(8);
    struct Row {
        ULONG w, h, depth;
        ULONG bytes;
    };
    const Row rows[] = {{10, 3, 8, 1}, {7, 2, 16, 2}, {5, 4, 24, 3}, {3, 3, 32, 4}};
    for (const Row &r : rows) {
        SCOPED_TRACE(r.depth);
        BitMap *bmp = AllocBitMap(r.w, r.h, r.depth, 0x10081, nullptr);
        ASSERT_NE(bmp, nullptr);
        EXPECT_EQ(bmp->Tiefe, r.depth);
        EXPECT_EQ(bmp->Flags, 0x10081u);
        EXPECT_EQ(bmp->BytesPerRow, (ULONG)bmp->Surface->pitch);
        EXPECT_EQ(bmp->Modulo, bmp->BytesPerRow - r.w * r.bytes);
        EXPECT_EQ(bmp->GfxSize, r.w * r.h * r.bytes);
        EXPECT_EQ(bmp->GfxData, (UBYTE *)bmp->Surface->pixels);
        const ULONG attr[] = {0, r.w, r.h, r.depth, bmp->BytesPerRow, bmp->Modulo, 0, bmp->GfxSize, r.bytes, 0};
        for (ULONG which = 0; which < 10; which++) EXPECT_EQ(GetKavorGfxAttr(bmp, which), attr[which]) << which;
        EXPECT_EQ(GetKavorGfxData(bmp), (UBYTE *)bmp->Surface->pixels);
        FreeKavorGfxLock(bmp);

        BitMap *twin = AllocBitMap(4, 4, 8, 0, bmp);
        ASSERT_NE(twin, nullptr);
        EXPECT_EQ(twin->Tiefe, r.depth);
        EXPECT_EQ(twin->Flags, 0x10081u);
        FreeBitMap(twin);
        FreeBitMap(bmp);
    }
    EXPECT_EQ(GetKavorGfxAttr(nullptr, 1), 0u);
    EXPECT_EQ(GetKavorGfxData(nullptr), nullptr);
    FreeBitMap(nullptr);
}

TEST(BitMaps, RefusesBadDepthsAndSizesWithoutLeaking)
{
    SdlScreen screen(8);
    struct Row {
        const char *name;
        ULONG w, h, depth;
        const char *message;
    };
    const Row rows[] = {
        {"depth 15", 4, 4, 15, "AllocBitMap: 15 Bit not supported!"},
        {"depth 0", 4, 4, 0, "AllocBitMap: 0 Bit not supported!"},
        {"width 0", 0, 4, 8, "Ungueltige Groesse"},
        {"height 0", 4, 0, 8, "Ungueltige Groesse"},
        {"wider than a rectangle can say", 40000, 1, 8, "Ungueltige Groesse"},
        {"32-bit size would wrap", 0xFFFFFFFF, 0xFFFFFFFF, 32, "Ungueltige Groesse"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        const ULONG allocated = MemAllocatedCounter, freed = MemFreedCounter;
        StdoutCapture out;
        EXPECT_EQ(AllocKavorBitMap(r.w, r.h, r.depth, 0, nullptr, 0), nullptr);
        const std::string text = out.Take();
        EXPECT_NE(text.find(r.message), std::string::npos) << text;
        EXPECT_NE(text.find("AllocKavorGfx: Konnte Bitmap nicht allokieren..."), std::string::npos);
        EXPECT_EQ(MemAllocatedCounter - allocated, MemFreedCounter - freed);
    }
}

TEST(RastPorts, PensModeAndPosition)
{
    RastPort rp;
    std::memset(&rp, 0xAB, sizeof rp);
    InitRastPort(&rp);
    EXPECT_EQ(rp.FgPen, 1);
    EXPECT_EQ(rp.BgPen, 0);
    EXPECT_EQ(rp.cp_x, 0);
    EXPECT_EQ(rp.cp_y, 0);
    EXPECT_EQ(rp.DrawMode, JAM2);
    EXPECT_EQ(rp.TxHeight, 0);
    EXPECT_EQ(rp.Font, nullptr);
    EXPECT_EQ(rp.BitMap, nullptr);
    EXPECT_EQ(rp.TxBaseline, 0xABAB) << "InitRastPort leaves the baseline";

    SetAPen(&rp, 300);
    EXPECT_EQ(rp.FgPen, 44);
    EXPECT_EQ(GetAPen(&rp), 44u);
    SetBPen(&rp, 0x1FF);
    EXPECT_EQ(rp.BgPen, 0xFF);
    SetABPenDrMd(&rp, 7, 9, JAM1);
    EXPECT_EQ(rp.FgPen, 7);
    EXPECT_EQ(rp.BgPen, 0xFF);
    EXPECT_EQ(rp.DrawMode, JAM1);

    StdoutCapture out;
    Move(&rp, -1, 20);
    EXPECT_NE(out.Take().find("Warnung! X-Wert gr\366\337er 65536!"), std::string::npos);
    EXPECT_EQ(rp.cp_x, 0xFFFF);
    EXPECT_EQ(rp.cp_y, 20);
}

TEST(RastPorts, NullPortsSayWhichRoutine)
{
    struct Row {
        const char *message;
        void (*call)();
    };
    const Row rows[] = {
        {"InitRastPort:Der Uebergebene RastPort war nicht VALID!", [] { InitRastPort(nullptr); }},
        {"SetAPen:Der uebergebene RastPort ist nicht valid!", [] { SetAPen(nullptr, 1); }},
        {"SetBPen:Der uebergebene RastPort ist nicht valid!", [] { SetBPen(nullptr, 1); }},
        {"GetAPen:Der uebergebene RastPort ist nicht valid!", [] { EXPECT_EQ(GetAPen(nullptr), 0u); }},
        {"SetDrMd:Der angegebene RastPort ist nicht Valid!", [] { SetDrMd(nullptr, 1); }},
        {"SetDrMd:Der angegebene RastPort ist nicht Valid!", [] { SetABPenDrMd(nullptr, 1, 2, 1); }},
        {"Move: Der uebergebene RastPort ist nicht valid!", [] { Move(nullptr, 1, 1); }},
        {"RectFill:Der uebergebene RastPort ist nicht Valid!", [] { RectFill(nullptr, 0, 0, 1, 1); }},
        {"WritePixel: Der \374bergebene RastPort war nicht valid.", [] { EXPECT_EQ(WritePixel(nullptr, 0, 0), 0); }},
        {"ReadPixel: Fehlerhafte Paramter\374bergabe.", [] { EXPECT_EQ(ReadPixel(nullptr, 0, 0), 0u); }},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.message);
        StdoutCapture out;
        r.call();
        EXPECT_NE(out.Take().find(r.message), std::string::npos);
    }
}

using Points = std::set<std::pair<LONG, LONG>>;

Points PixelsEqual(BitMap *bmp, ULONG value)
{
    Points p;
    for (LONG y = 0; y < (LONG)bmp->Hoehe; y++)
        for (LONG x = 0; x < (LONG)bmp->Breite; x++)
            if (PixelAt(bmp, x, y) == value) p.insert({x, y});
    return p;
}

TEST_P(Graphics, DrawPlotsBresenhamLinesAndMovesThePen)
{
    struct Row {
        const char *name;
        LONG x0, y0, x1, y1;
        Points pixels;
    };
    const Row rows[] = {
        {"shallow", 0, 0, 4, 1, {{0, 0}, {1, 0}, {2, 0}, {3, 1}, {4, 1}}},
        {"shallow backwards", 4, 1, 0, 0, {{4, 1}, {3, 1}, {2, 1}, {1, 0}, {0, 0}}},
        {"steep", 0, 0, 1, 4, {{0, 0}, {0, 1}, {0, 2}, {1, 3}, {1, 4}}},
        {"diagonal", 2, 2, 5, 5, {{2, 2}, {3, 3}, {4, 4}, {5, 5}}},
        {"one point", 3, 3, 3, 3, {{3, 3}}},
        {"off the left edge", -3, 2, 2, 2, {{0, 2}, {1, 2}, {2, 2}}},
        {"off the bottom right", 6, 6, 9, 6, {{6, 6}, {7, 6}}},
        {"wholly outside", 10, 10, 12, 12, {}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        BitMap *bmp = Offscreen(8, 8, 0x77);
        RastPort rp;
        InitRastPort(&rp);
        rp.BitMap = bmp;
        SetAPen(&rp, kRed);
        Move(&rp, r.x0, r.y0);
        Draw(&rp, r.x1, r.y1);
        EXPECT_EQ(PixelsEqual(bmp, DrawnPen(Depth(), kRed)), r.pixels);
        EXPECT_EQ(CountOther(bmp, 0x77), (long)r.pixels.size());
        EXPECT_EQ(rp.cp_x, (UWORD)r.x1);
        EXPECT_EQ(rp.cp_y, (UWORD)r.y1);
        FreeBitMap(bmp);
    }
    EXPECT_TRUE(screen->TakeRects().empty()) << "off-screen drawing is not presented";
}

TEST_P(Graphics, PolyDrawJoinsThePoints)
{
    BitMap *bmp = Offscreen(8, 8, 0x77);
    RastPort rp;
    InitRastPort(&rp);
    rp.BitMap = bmp;
    SetAPen(&rp, kRed);
    const WORD points[] = {3, 0, 3, 2, 0, 2};
    PolyDraw(&rp, 3, points);
    const Points want = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1}, {3, 2}, {2, 2}, {1, 2}, {0, 2}};
    EXPECT_EQ(PixelsEqual(bmp, DrawnPen(Depth(), kRed)), want);
    FreeBitMap(bmp);
}

// The colour a fill and WritePixel use: SDL's mapping of the palette colour.
ULONG MappedPen(BitMap *bmp, UBYTE pen)
{
    if (bmp->Tiefe == 8) return pen;
    const SDL_Color &c = KavoriaPalette[pen];
    return SDL_MapRGB(bmp->Surface->format, c.r, c.g, c.b);
}

TEST_P(Graphics, RectFillOrdersCornersAndClips)
{
    struct Row {
        const char *name;
        LONG x0, y0, x1, y1;
        Rect filled;
    };
    const Row rows[] = {
        {"corners in order", 5, 5, 10, 10, {5, 5, 6, 6}},
        {"corners swapped", 10, 10, 5, 5, {5, 5, 6, 6}},
        {"over the top left", -5, -5, 2, 1, {0, 0, 3, 2}},
        {"over the bottom right", 14, 17, 30, 30, {14, 17, 2, 3}},
        {"one pixel", 0, 19, 0, 19, {0, 19, 1, 1}},
        {"wholly outside", 16, 0, 20, 5, {0, 0, 0, 0}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        BitMap *bmp = Offscreen(16, 20, 0x33);
        RastPort rp;
        InitRastPort(&rp);
        rp.BitMap = bmp;
        SetAPen(&rp, kRed);
        RectFill(&rp, r.x0, r.y0, r.x1, r.y1);
        EXPECT_EQ(BoundsOf(bmp, MappedPen(bmp, kRed)), r.filled);
        EXPECT_EQ(CountOther(bmp, 0x33), (long)r.filled.w * r.filled.h);
        FreeBitMap(bmp);
    }
}

TEST(Presentation, DrawingOnTheGameAreaReachesTheViewAtItsOffset)
{
    struct Row {
        const char *name;
        int depth, width, height;
        LONG x0, y0, x1, y1;
        std::vector<Rect> presented;
    };
    const Row rows[] = {
        {"8 bits: the view itself", 8, 640, 480, 0, 0, 9, 9, {{0, 0, 10, 10}}},
        {"16 bits at 800 x 600", 16, 800, 600, 0, 0, 9, 9, {{80, 30, 10, 10}}},
        {"32 bits at 800 x 600", 32, 800, 600, 630, 470, 639, 479, {{710, 500, 10, 10}}},
        {"32 bits at 1024 x 768", 32, 1024, 768, 5, 6, 7, 8, {{192 + 5, 114 + 6, 3, 3}}},
        {"16 bits at 640 x 480: above the view", 16, 640, 480, 0, 0, 9, 9, {}},
        {"16 bits at 640 x 480: partly on the view", 16, 640, 480, 0, 25, 9, 34, {{0, 0, 10, 5}}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        SetPaletteEntry(kRed, 255, 0, 0);
        SdlScreen screen(r.depth, r.width, r.height);
        ASSERT_TRUE(screen.Ok());
        FillBitMap(screen.ViewBitMap(), 0x11);
        RastPort *rp = screen.BobRastPort();
        SetAPen(rp, kRed);
        RectFill(rp, r.x0, r.y0, r.x1, r.y1);
        const std::vector<Rect> got = screen.TakeRects();
        EXPECT_EQ(got, r.presented);
        for (const Rect &p : got) {
            const ULONG red = MappedPen(screen.ViewBitMap(), kRed);
            EXPECT_EQ(PixelAt(screen.ViewBitMap(), p.x, p.y), red);
            EXPECT_EQ(PixelAt(screen.ViewBitMap(), p.x + p.w - 1, p.y + p.h - 1), red);
            EXPECT_EQ(PixelAt(screen.ViewBitMap(), p.x + p.w, p.y), 0x11u);
            EXPECT_EQ(PixelAt(screen.ViewBitMap(), p.x - 1, p.y), p.x ? 0x11u : 0xFFFFFFFFu);
        }
        if (r.depth > 8) {
            EXPECT_EQ(CountOther(screen.ViewBitMap(), 0x11), got.empty() ? 0 : got[0].w * got[0].h);
        }
    }
}

TEST_P(Graphics, DrawAndFillPresentWhatTheyChanged)
{
    const LONG ox = Depth() == 8 ? 0 : 80, oy = Depth() == 8 ? 0 : 30;
    RastPort *rp = screen->BobRastPort();
    SetAPen(rp, kRed);
    Move(rp, 20, 10);
    Draw(rp, 12, 14);
    RectFill(rp, 630, 470, 700, 500);
    const std::vector<Rect> want = {{12 + ox, 10 + oy, 9, 5}, {630 + ox, 470 + oy, 10, 10}};
    EXPECT_EQ(screen->TakeRects(), want);
}

TEST_P(Graphics, WritePixelIsNotPresentedAndReadPixelReadsBack)
{
    RastPort *rp = screen->BobRastPort();
    SetAPen(rp, kRed);
    EXPECT_EQ(WritePixel(rp, 3, 4), 1);
    EXPECT_EQ(WritePixel(rp, -1, 4), 0);
    EXPECT_EQ(WritePixel(rp, 640, 0), 0);
    EXPECT_TRUE(screen->TakeRects().empty());
    const ULONG red = MappedPen(screen->BobBitMap(), kRed);
    EXPECT_EQ(ReadPixel(rp, 3, 4), red);
    EXPECT_EQ(PixelAt(screen->BobBitMap(), 3, 4), red);
    EXPECT_EQ(ReadPixel(rp, -1, 0), 0u);
    EXPECT_EQ(ReadPixel(rp, 3, 480), 0u);
}

TEST(Pixels, TwentyFourBitPixelsWriteLowByteFirstAndReadHighFirst)
{
    SdlScreen screen(32);
    SetPaletteEntry(9, 0x11, 0x22, 0x33);
    BitMap *bmp = AllocBitMap(4, 2, 24, 0, nullptr);
    RastPort rp;
    InitRastPort(&rp);
    rp.BitMap = bmp;
    SetAPen(&rp, 9);
    WritePixel(&rp, 1, 1);
    const UBYTE *p = (const UBYTE *)bmp->Surface->pixels + bmp->Surface->pitch + 3;
    EXPECT_EQ(p[0], 0x11);  // the surface keeps red in the first byte
    EXPECT_EQ(p[1], 0x22);
    EXPECT_EQ(p[2], 0x33);
    EXPECT_EQ(ReadPixel(&rp, 1, 1), 0x112233u);
    FreeBitMap(bmp);
    SetTestPalette();
}

TEST_P(Graphics, BltBitMapClipsOnEverySide)
{
    struct Row {
        const char *name;
        LONG sx, sy, dx, dy, w, h;
        Rect copied;  // in the destination
    };
    const Row rows[] = {
        {"inside", 0, 0, 10, 10, 20, 30, {10, 10, 20, 30}},
        {"100 x 100 at 600, 400 copies 40 x 80", 0, 0, 600, 400, 100, 100, {600, 400, 40, 80}},
        {"off the left and top", 0, 0, -10, -20, 50, 50, {0, 0, 40, 30}},
        {"source origin off its left", -5, 0, 100, 0, 20, 10, {105, 0, 15, 10}},
        {"past the source's right edge", 90, 90, 0, 0, 100, 100, {0, 0, 10, 10}},
        {"nothing left", 0, 0, 640, 0, 10, 10, {0, 0, 0, 0}},
        {"zero size", 0, 0, 5, 5, 0, 10, {0, 0, 0, 0}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        BitMap *src = Offscreen(100, 100, 0x5A);
        BitMap *dst = Offscreen(640, 480, 0x21);
        EXPECT_EQ(BltBitMap(src, r.sx, r.sy, dst, r.dx, r.dy, r.w, r.h, 0xC0, 0xFF, nullptr), 1);
        EXPECT_EQ(BoundsOf(dst, 0x5A), r.copied);
        EXPECT_EQ(CountOther(dst, 0x21), (long)r.copied.w * r.copied.h);
        FreeBitMap(src);
        FreeBitMap(dst);
    }
}

TEST_P(Graphics, BltBitMapCopiesTheRightPixels)
{
    BitMap *src = Offscreen(4, 3, 0);
    for (LONG y = 0; y < 3; y++)
        for (LONG x = 0; x < 4; x++) {
            RastPort rp;
            InitRastPort(&rp);
            rp.BitMap = src;
            rp.FgPen = (UWORD)(10 * y + x + 1);
            Move(&rp, x, y);
            Draw(&rp, x, y);
        }
    BitMap *dst = Offscreen(6, 6, 0);
    ASSERT_EQ(BltBitMap(src, 1, 1, dst, 3, 4, 5, 5, 0xC0, 0xFF, nullptr), 1);
    const ULONG a = DrawnPen(Depth(), 12), b = DrawnPen(Depth(), 13), c = DrawnPen(Depth(), 14);
    const ULONG d = DrawnPen(Depth(), 22), e = DrawnPen(Depth(), 23), f = DrawnPen(Depth(), 24);
    EXPECT_EQ(RowOf(dst, 2, 4, 4), (std::vector<ULONG>{0, a, b, c}));
    EXPECT_EQ(RowOf(dst, 2, 5, 4), (std::vector<ULONG>{0, d, e, f}));
    EXPECT_EQ(CountOther(dst, 0), 6);
    FreeBitMap(src);
    FreeBitMap(dst);
}

TEST_P(Graphics, BltBitMapWithinOneBitMapOverlapping)
{
    BitMap *bmp = Offscreen(8, 8, 0);
    RastPort rp;
    InitRastPort(&rp);
    rp.BitMap = bmp;
    for (LONG x = 0; x < 4; x++) {
        rp.FgPen = (UWORD)(x + 1);
        Move(&rp, x, 0);
        Draw(&rp, x, 3);
    }
    // Right by one and down by one: every pixel must come from the old picture.
    ASSERT_EQ(BltBitMap(bmp, 0, 0, bmp, 1, 1, 4, 4, 0xC0, 0xFF, nullptr), 1);
    const ULONG p1 = DrawnPen(Depth(), 1), p2 = DrawnPen(Depth(), 2), p3 = DrawnPen(Depth(), 3),
                p4 = DrawnPen(Depth(), 4);
    EXPECT_EQ(RowOf(bmp, 0, 0, 6), (std::vector<ULONG>{p1, p2, p3, p4, 0, 0}));
    for (LONG y = 1; y <= 3; y++) EXPECT_EQ(RowOf(bmp, 0, y, 6), (std::vector<ULONG>{p1, p1, p2, p3, p4, 0})) << y;
    EXPECT_EQ(RowOf(bmp, 0, 4, 6), (std::vector<ULONG>{0, p1, p2, p3, p4, 0}));
    EXPECT_EQ(CountOther(bmp, 0), 4 + 3 * 5 + 4);
    FreeBitMap(bmp);
}

TEST_P(Graphics, BltBitMapPresentsUnlessTheViewRefreshIsOff)
{
    BitMap *src = Offscreen(10, 10, 0x42);
    const LONG ox = Depth() == 8 ? 0 : 80, oy = Depth() == 8 ? 0 : 30;
    ASSERT_EQ(BltBitMap(src, 0, 0, screen->BobBitMap(), 635, 5, 10, 10, 0xC0, 0xFF, nullptr), 1);
    EXPECT_EQ(screen->TakeRects(), (std::vector<Rect>{{635 + ox, 5 + oy, 5, 10}}));

    bEnableRefreshPrimaryScreen = 0;
    ASSERT_EQ(BltBitMap(src, 0, 0, screen->ViewBitMap(), 0, 0, 10, 10, 0xC0, 0xFF, nullptr), 1);
    EXPECT_TRUE(screen->TakeRects().empty()) << "the view is not refreshed";
    ASSERT_EQ(BltBitMap(src, 0, 0, screen->BobBitMap(), 0, 0, 10, 10, 0xC0, 0xFF, nullptr), 1);
    const std::vector<Rect> bob = screen->TakeRects();
    if (Depth() == 8)
        EXPECT_TRUE(bob.empty()) << "at 8 bits BobScreen is the view";
    else
        EXPECT_EQ(bob, (std::vector<Rect>{{80, 30, 10, 10}})) << "BobScreen is always presented";
    bEnableRefreshPrimaryScreen = 1;
    FreeBitMap(src);
}

TEST_P(Graphics, BltBitMapWithoutBitMaps)
{
    BitMap *src = Offscreen(4, 4, 0x42);
    StdoutCapture out;
    EXPECT_EQ(BltBitMap(nullptr, 0, 0, src, 0, 0, 4, 4, 0xC0, 0xFF, nullptr), 0);
    EXPECT_EQ(BltBitMap(src, 0, 0, nullptr, 0, 0, 4, 4, 0xC0, 0xFF, nullptr), 0);
    const std::string text = out.Take();
    EXPECT_NE(text.find("BltBitMap: SrcBitMap nicht gesetzt!"), std::string::npos);
    EXPECT_NE(text.find("BltBitMap: DestBitMap konnte nicht ermittelt werden!"), std::string::npos);

    ScreenBitMap = screen->ViewBitMap();
    EXPECT_EQ(BltBitMap(src, 0, 0, nullptr, 2, 3, 4, 4, 0xC0, 0xFF, nullptr), 1);
    ScreenBitMap = nullptr;
    EXPECT_EQ(PixelAt(screen->ViewBitMap(), 2, 3), 0x42u) << "a missing destination is the screen's BitMap";
    FreeBitMap(src);
}

TEST_P(Graphics, BlitsThroughRastPorts)
{
    BitMap *src = Offscreen(4, 4, 0x42);
    RastPort srp;
    InitRastPort(&srp);
    srp.BitMap = src;
    BitMap *dst = Offscreen(8, 8, 0x21);
    RastPort drp;
    InitRastPort(&drp);
    drp.BitMap = dst;
    EXPECT_EQ(ClipBlit(&srp, 1, 1, &drp, 5, 6, 4, 4, 0xC0), 1);
    EXPECT_EQ(BoundsOf(dst, 0x42), (Rect{5, 6, 3, 2}));
    EXPECT_EQ(ClipBlit(nullptr, 0, 0, &drp, 0, 0, 4, 4, 0xC0), 0);
    EXPECT_EQ(ClipBlit(&srp, 0, 0, nullptr, 0, 0, 4, 4, 0xC0), 0);

    EXPECT_EQ(BltBitMapRastPort(src, 0, 0, &drp, 0, 0, 2, 2, 0xC0), 1);
    EXPECT_EQ(PixelAt(dst, 1, 1), 0x42u);
    EXPECT_EQ(BltBitMapRastPort(src, 0, 0, nullptr, 7, 8, 2, 2, 0xC0), 1);
    EXPECT_EQ(PixelAt(screen->BobBitMap(), 8, 9), 0x42u) << "a null RastPort is the display's";
    FreeBitMap(src);
    FreeBitMap(dst);
}

TEST(EightBit, BlitsKeepPaletteIndicesWhenPalettesDiffer)
{
    SdlScreen screen(8);
    FillBitMap(screen.ViewBitMap(), 9);
    // A source made while the palette was black (after a fade out) ...
    for (int i = 0; i < 256; i++) SetPaletteEntry(i, 0, 0, 0);
    BitMap *src = AllocBitMap(4, 1, 8, 0, nullptr);
    // ... drawn after a new colour map came in.
    SetTestPalette();
    SDL_SetPalette(SDLViewSurface, SDL_LOGPAL | SDL_PHYSPAL, KavoriaPalette, 0, 256);
    BitMap *dst = AllocBitMap(4, 1, 8, 0, nullptr);
    UBYTE *p = (UBYTE *)src->Surface->pixels;
    p[0] = 0, p[1] = 5, p[2] = 7, p[3] = 200;
    FillBitMap(dst, 9);
    ASSERT_EQ(BltBitMap(src, 0, 0, dst, 0, 0, 4, 1, 0xC0, 0xFF, nullptr), 1);
    EXPECT_EQ(RowOf(dst, 0, 0, 4), (std::vector<ULONG>{0, 5, 7, 200}));
    ASSERT_EQ(BltBitMap(src, 0, 0, screen.ViewBitMap(), 10, 10, 4, 1, 0xC0, 0xFF, nullptr), 1);
    EXPECT_EQ(RowOf(screen.ViewBitMap(), 10, 10, 4), (std::vector<ULONG>{0, 5, 7, 200}));
    ASSERT_EQ(BltMaskBitMapRastPort(src, 0, 0, screen.ViewRastPort(), 20, 10, 4, 1, 0, 0), 1);
    EXPECT_EQ(RowOf(screen.ViewBitMap(), 19, 10, 6), (std::vector<ULONG>{9, 9, 5, 7, 200, 9}));
    FreeBitMap(src);
    FreeBitMap(dst);
}

// SDL's colour-key blit does not carry the unused top byte of a 32-bit
// pixel; the colour is what counts.
std::vector<ULONG> Colours(std::vector<ULONG> row, int depth)
{
    if (depth == 32)
        for (ULONG &v : row) v &= 0x00FFFFFF;
    return row;
}

// A 4 x 1 source [0, 1, 0, 2] at the screen depth, as converted pictures are.
BitMap *MaskSource(int depth)
{
    BitMap *src = AllocBitMap(4, 1, (ULONG)depth, 1, nullptr);
    const UBYTE indices[4] = {0, 1, 0, 2};
    UBYTE *p = (UBYTE *)src->Surface->pixels;
    if (depth == 8)
        std::memcpy(p, indices, 4);
    else
        ConvertChunky(depth == 16 ? PIXFMT_RGB16 : PIXFMT_ARGB32, indices, p, 4);
    return src;
}

TEST_P(Graphics, MaskedBlitSkipsTheKey)
{
    const ULONG bg = DrawnPen(Depth(), 9), one = DrawnPen(Depth(), 1), two = DrawnPen(Depth(), 2);
    for (ULONG minterm : {0u, 224u}) {
        SCOPED_TRACE(minterm);
        BitMap *src = MaskSource(Depth());
        BitMap *dst = Offscreen(6, 2, bg);
        RastPort rp;
        InitRastPort(&rp);
        rp.BitMap = dst;
        ASSERT_EQ(BltMaskBitMapRastPort(src, 0, 0, &rp, 1, 1, 4, 1, minterm, 0), 1);
        EXPECT_EQ(Colours(RowOf(dst, 0, 1, 6), Depth()), Colours({bg, bg, one, bg, two, bg}, Depth()));
        EXPECT_EQ(CountOther(dst, bg), 2);
        EXPECT_EQ(src->ColorKeyOk, minterm == 0 ? 1 : 0);
        FreeBitMap(src);
        FreeBitMap(dst);
    }
}

TEST_P(Graphics, MaskedBlitKeepsTheFirstKey)
{
    const ULONG bg = DrawnPen(Depth(), 9), one = DrawnPen(Depth(), 1), two = DrawnPen(Depth(), 2);
    BitMap *src = MaskSource(Depth());
    BitMap *dst = Offscreen(4, 1, bg);
    RastPort rp;
    InitRastPort(&rp);
    rp.BitMap = dst;
    ASSERT_EQ(BltMaskBitMapRastPort(src, 0, 0, &rp, 0, 0, 4, 1, 0, 0), 1);
    FillBitMap(dst, bg);
    // Key 1 now would hide pixel 1 and show the zeros; the BitMap keeps key 0.
    const ULONG key1 = Depth() == 8 ? 1 : one;
    ASSERT_EQ(BltMaskBitMapRastPort(src, 0, 0, &rp, 0, 0, 4, 1, 0, key1), 1);
    EXPECT_EQ(Colours(RowOf(dst, 0, 0, 4), Depth()), Colours({bg, one, bg, two}, Depth()));
    // The per-pixel copy takes each call's key: palette entry 1.
    FillBitMap(dst, bg);
    ASSERT_EQ(BltMaskBitMapRastPort(src, 0, 0, &rp, 0, 0, 4, 1, 224, 1), 1);
    const ULONG zero = DrawnPen(Depth(), 0);
    EXPECT_EQ(Colours(RowOf(dst, 0, 0, 4), Depth()), Colours({zero, bg, zero, two}, Depth()));
    FreeBitMap(src);
    FreeBitMap(dst);
}

TEST_P(Graphics, MaskedBlitClipsAndPresents)
{
    const ULONG bg = DrawnPen(Depth(), 9), one = DrawnPen(Depth(), 1), two = DrawnPen(Depth(), 2);
    BitMap *src = MaskSource(Depth());
    FillBitMap(screen->BobBitMap(), bg);
    screen->TakeRects();
    RastPort *rp = screen->BobRastPort();
    ASSERT_EQ(BltMaskBitMapRastPort(src, 0, 0, rp, -1, 0, 4, 1, 0, 0), 1);
    ASSERT_EQ(BltMaskBitMapRastPort(src, 0, 0, rp, 638, 479, 4, 1, 224, 0), 1);
    ASSERT_EQ(BltMaskBitMapRastPort(src, 0, 0, rp, 700, 0, 4, 1, 0, 0), 1);
    EXPECT_EQ(Colours(RowOf(screen->BobBitMap(), 0, 0, 3), Depth()), Colours({one, bg, two}, Depth()));
    EXPECT_EQ(Colours(RowOf(screen->BobBitMap(), 638, 479, 2), Depth()), Colours({bg, one}, Depth()));
    EXPECT_EQ(CountOther(screen->BobBitMap(), bg), 3);
    const LONG ox = Depth() == 8 ? 0 : 80, oy = Depth() == 8 ? 0 : 30;
    EXPECT_EQ(screen->TakeRects(), (std::vector<Rect>{{ox, oy, 3, 1}, {638 + ox, 479 + oy, 2, 1}}));

    StdoutCapture out;
    EXPECT_EQ(BltMaskBitMapRastPort(nullptr, 0, 0, rp, 0, 0, 4, 1, 0, 0), 0);
    EXPECT_EQ(BltMaskBitMapRastPort(src, 0, 0, nullptr, 0, 0, 4, 1, 0, 0), 0);
    RastPort empty;
    InitRastPort(&empty);
    EXPECT_EQ(BltMaskBitMapRastPort(src, 0, 0, &empty, 0, 0, 4, 1, 0, 0), 0);
    const std::string text = out.Take();
    EXPECT_NE(text.find("BltMaskBitMapRastPort: SrcBitMap nicht gesetzt!"), std::string::npos);
    EXPECT_NE(text.find("BltMaskBitMapRastPort: DestRastPort nicht gesetzt!"), std::string::npos);
    EXPECT_NE(text.find("BltMaskBitMapRastPort: DestRastPort->BitMap nicht gesetzt!"), std::string::npos);
    FreeBitMap(src);
}

TEST_P(Graphics, KeyedBitMapStaysUsable)
{
    BitMap *src = MaskSource(Depth());
    RastPort rp;
    InitRastPort(&rp);
    rp.BitMap = Offscreen(4, 1, 0);
    ASSERT_EQ(BltMaskBitMapRastPort(src, 0, 0, &rp, 0, 0, 4, 1, 0, 0), 1);
    // The record follows the surface the blit put in place.
    EXPECT_EQ(GetKavorGfxData(src), (UBYTE *)src->Surface->pixels);
    FreeKavorGfxLock(src);
    EXPECT_EQ(src->BytesPerRow, (ULONG)src->Surface->pitch);
    RastPort srp;
    InitRastPort(&srp);
    srp.BitMap = src;
    EXPECT_EQ(ReadPixel(&srp, 1, 0), DrawnPen(Depth(), 1));
    FreeBitMap(rp.BitMap);
    FreeBitMap(src);
}

}  // namespace
