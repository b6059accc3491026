// The palette: colour maps by graphic number, the colour setters, the fade
// schedules at 8 bits (palette pushes) and above (rings of blocks), and
// colour cycling. Pushes and waits are recorded instead of reaching SDL.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

#include "common/gfxfixture.h"
#include "common/sdlharness.h"
#include "common/testutil.h"
#include "gfx/gfxnumber.h"
#include "gfx/palette.h"
#include "gfx/pixfmt.h"
#include "gfx/screen.h"
#include "platform/system.h"

using namespace vektest;

namespace {

void ResetState()
{
    if (TitelScreenPtr) CloseKavorPic(0, 0);
    for (ULONG n = 1; n <= GFX_CACHE_SLOTS; n++)
        while (BitMapPtrArray[n - 1]) CloseKavorGfx(n);
    FreeCache(1);
    Fade = 0;
    FadeAktiv = 0;
    VekDisplay.VekScreen_FadeIn = 0;
    bScreenFadeInDeactivate = 0;
    PalettePushHook = nullptr;
    FadeDelayHook = nullptr;
}

// A palette with every channel value somewhere, and the values the schedule
// rules name: 255, 10, 1 and 0.
void ScheduleTestPalette()
{
    for (int i = 0; i < 256; i++) SetPaletteEntry(i, (UBYTE)i, (UBYTE)(255 - i), (UBYTE)((i * 37) % 256));
    SetPaletteEntry(1, 255, 10, 0);
    SetPaletteEntry(2, 1, 0, 128);
}

std::vector<SDL_Color> Current() { return std::vector<SDL_Color>(KavoriaPalette, KavoriaPalette + 256); }

UBYTE Channel(const SDL_Color &c, int ch) { return ch == 0 ? c.r : ch == 1 ? c.g : c.b; }

// The blocks of the high-colour fade in grid cells of 16 x 12: ring k is the
// border of the square of 2k + 2 cells round the centre, walked clockwise
// from its top left cell, each side stopping before the next corner.
std::vector<Rect> RingOrder(LONG ox, LONG oy)
{
    std::vector<Rect> out;
    auto cell = [&](LONG col, LONG row) { out.push_back({ox + 16 * col, oy + 12 * row, 16, 12}); };
    for (LONG k = 0; k < 20; k++) {
        const LONG c0 = 19 - k, s = 2 * k + 2;
        for (LONG c = c0; c < c0 + s - 1; c++) cell(c, c0);
        for (LONG r = c0; r < c0 + s - 1; r++) cell(c0 + s - 1, r);
        for (LONG c = c0 + s - 1; c > c0; c--) cell(c, c0 + s - 1);
        for (LONG r = c0 + s - 1; r > c0; r--) cell(c0, r);
    }
    return out;
}

class Fades8 : public ::testing::Test {
protected:
    void SetUp() override
    {
        screen = std::make_unique<SdlScreen>(8);
        ASSERT_TRUE(screen->Ok());
        ResetState();
        ScheduleTestPalette();
    }
    void TearDown() override
    {
        ResetState();
        screen.reset();
        SetTestPalette();
    }
    std::unique_ptr<SdlScreen> screen;
};

TEST_F(Fades8, FadeInPushesThirtyTwoTimesAndReachesEveryTarget)
{
    const std::vector<SDL_Color> target = Current();
    FadeRecorder rec;
    FadeIn();
    const auto pushes = rec.Of('p');
    ASSERT_EQ(pushes.size(), 32u);
    EXPECT_TRUE(rec.Of('d').empty());
    for (size_t j = 0; j < pushes.size(); j++) {
        const int step = j < 31 ? 9 + 8 * (int)j : 256;
        SCOPED_TRACE(step);
        int wrong = 0;
        for (int i = 0; i < 256; i++)
            for (int ch = 0; ch < 3; ch++) {
                const int want = std::max(0, Channel(target[i], ch) - 256 + step);
                wrong += Channel(pushes[j].colours[i], ch) != want;
            }
        EXPECT_EQ(wrong, 0);
    }
    // A channel of 255 shows 8 at the first push; one of 10 is still 0 at
    // step 241, 3 at step 249 and 10 at the end.
    EXPECT_EQ(pushes[0].colours[1].r, 8);
    EXPECT_EQ(pushes[29].colours[1].g, 0);
    EXPECT_EQ(pushes[30].colours[1].g, 3);
    EXPECT_EQ(pushes[31].colours[1].g, 10);
    EXPECT_EQ(Current().size(), 256u);
    EXPECT_EQ(KavoriaPalette[1].r, 255);  // the palette itself is untouched
    EXPECT_EQ(Fade, 0);
    EXPECT_EQ(FadeAktiv, 1);
    EXPECT_EQ(VekDisplay.VekScreen_FadeIn, 1);
}

TEST_F(Fades8, FadeOutDarkensThePaletteItselfInThirtyTwoPushes)
{
    const std::vector<SDL_Color> start = Current();
    FadeAktiv = 1;
    VekDisplay.VekScreen_FadeIn = 1;
    FadeRecorder rec;
    FadeOut();
    const auto pushes = rec.Of('p');
    ASSERT_EQ(pushes.size(), 32u);
    for (size_t j = 0; j < pushes.size(); j++) {
        const int step = 8 * ((int)j + 1);
        SCOPED_TRACE(step);
        int wrong = 0;
        for (int i = 0; i < 256; i++)
            for (int ch = 0; ch < 3; ch++)
                wrong += Channel(pushes[j].colours[i], ch) != std::max(0, Channel(start[i], ch) - step);
        EXPECT_EQ(wrong, 0);
    }
    EXPECT_EQ(std::count_if(KavoriaPalette, KavoriaPalette + 256, [](const SDL_Color &c) { return c.r || c.g || c.b; }),
              0);
    EXPECT_EQ(FadeAktiv, 0);
    EXPECT_EQ(VekDisplay.VekScreen_FadeIn, 0);
}

TEST_F(Fades8, FadeOutWithoutFadeInOnlyClearsTheFlag)
{
    const std::vector<SDL_Color> start = Current();
    VekDisplay.VekScreen_FadeIn = 1;
    FadeRecorder rec;
    FadeOut();
    EXPECT_TRUE(rec.events.empty());
    EXPECT_EQ(VekDisplay.VekScreen_FadeIn, 0);
    EXPECT_EQ(KavoriaPalette[1].r, start[1].r);
    EXPECT_EQ(KavoriaPalette[200].b, start[200].b);
}

TEST_F(Fades8, FadingOffIsOnePush)
{
    bScreenFadeInDeactivate = 1;
    FadeRecorder rec;
    FadeIn();
    ASSERT_EQ(rec.Of('p').size(), 1u);
    EXPECT_EQ(rec.Of('p')[0].colours[1].r, 255);
    FadeOut();
    ASSERT_EQ(rec.Of('p').size(), 2u);
    EXPECT_EQ(rec.Of('p')[1].colours[1].r, 0);
    EXPECT_TRUE(rec.Of('d').empty());
}

TEST_F(Fades8, FadeOutWaitsForARunningFade)
{
    FadeAktiv = 1;
    Fade = 1;
    static int waits;
    waits = 0;
    FadeDelayHook = [](ULONG ticks) {
        EXPECT_EQ(ticks, 1u);
        if (++waits == 3) Fade = 0;  // the other fade ends
    };
    PalettePushHook = [](const SDL_Color *) {};
    FadeOut();
    EXPECT_EQ(waits, 3);
    EXPECT_EQ(FadeAktiv, 0);
}

// The high-colour fades on an 800 x 600 display with a picture opened
// without fade-in, so it waits on the hidden work surface.
class FadesHigh : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        scratch = std::make_unique<ScratchDir>();
        SetTestPalette();
        screen = std::make_unique<SdlScreen>(GetParam());
        ASSERT_TRUE(screen->Ok());
        ResetState();
        pic = WriteTestPicture(12);
        ASSERT_EQ(OpenKavorPic("./Data/Path", 12, PIC_NOFADE), 0);
        screen->TakeRects();
    }
    void TearDown() override
    {
        ResetState();
        screen.reset();
        scratch.reset();
        SetTestPalette();
    }
    UWORD Format() const { return VekDisplay.VekScreen_ScreenFormat; }
    // Pixels of the game area on the view that differ from the picture.
    long WrongPixels()
    {
        BitMap *view = screen->ViewBitMap();
        long wrong = 0;
        for (LONG y = 0; y < 480; y += 3)
            for (LONG x = 0; x < 640; x += 3)
                wrong += PixelAt(view, 80 + x, 30 + y) != ChunkyPixel(Format(), pic.pixels[(size_t)y * 640 + x]);
        return wrong;
    }
    std::unique_ptr<ScratchDir> scratch;
    std::unique_ptr<SdlScreen> screen;
    TestPicture pic;
};

INSTANTIATE_TEST_SUITE_P(Depths, FadesHigh, ::testing::Values(16, 32),
                         [](const auto &info) { return std::to_string(info.param) + "bit"; });

TEST_P(FadesHigh, FadeInCopiesRingsOfBlocksFromTheCentreWithOneTickBeforeEachRing)
{
    EXPECT_GT(WrongPixels(), 0);  // nothing shown yet
    RastPort *hidden = VekDisplay.RastPort_;
    ASSERT_EQ(hidden, TitelScreenPtr->FirstWindow->NextWindow->RPort);
    hidden->FgPen = 9;
    hidden->DrawMode = JAM1;
    FadeRecorder rec;
    FadeIn();
    const std::vector<Rect> expected = RingOrder(80, 30);
    std::vector<Rect> got;
    size_t ring = 0, inRing = 0;
    for (const auto &e : rec.events) {
        if (e.kind == 'd') {
            EXPECT_EQ(e.ticks, 1u);
            EXPECT_EQ(inRing, ring == 0 ? 0 : 8 * (ring - 1) + 4) << "wait before ring " << ring;
            ring++;
            inRing = 0;
        } else if (e.kind == 'u') {
            got.push_back({e.x, e.y, e.w, e.h});
            inRing++;
        }
    }
    EXPECT_EQ(ring, 20u);
    ASSERT_EQ(got.size(), 1600u);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(got[0], (Rect{384, 258, 16, 12}));
    EXPECT_EQ(got[3], (Rect{384, 270, 16, 12}));
    EXPECT_EQ(got[1444], (Rect{80, 30, 16, 12}));  // ring 19 starts at the top left corner
    EXPECT_EQ(got[1599], (Rect{80, 42, 16, 12}));
    // The rings cover the game area once.
    std::vector<int> cover(40 * 40, 0);
    for (const Rect &r : got) cover[(size_t)((r.y - 30) / 12) * 40 + (size_t)((r.x - 80) / 16)]++;
    EXPECT_EQ(std::count(cover.begin(), cover.end(), 1), 1600);

    EXPECT_EQ(WrongPixels(), 0);
    RastPort *visible = VekDisplay.RastPort_;
    EXPECT_EQ(visible, TitelScreenPtr->FirstWindow->RPort);
    EXPECT_EQ(visible->FgPen, 9);
    EXPECT_EQ(visible->DrawMode, JAM1);
    EXPECT_EQ(VekDisplay.VekScreen_FadeIn, 1);

    // The fade-out fills the same blocks in the same order without waiting.
    rec.events.clear();
    FadeOut();
    std::vector<Rect> filled;
    for (const auto &e : rec.Of('u')) filled.push_back({e.x, e.y, e.w, e.h});
    EXPECT_TRUE(rec.Of('d').empty());
    EXPECT_EQ(filled, expected);
    EXPECT_EQ(CountOther(screen->BobBitMap(), 0), 0);
    EXPECT_EQ(VekDisplay.VekScreen_FadeIn, 0);
}

TEST_P(FadesHigh, FadingOffCopiesAndClearsAtOnce)
{
    bScreenFadeInDeactivate = 1;
    FadeRecorder rec;
    FadeIn();
    ASSERT_EQ(rec.Of('u').size(), 1u);
    EXPECT_EQ(rec.Of('u')[0].x, 80);
    EXPECT_EQ(rec.Of('u')[0].w, 640);
    EXPECT_EQ(rec.Of('u')[0].h, 480);
    EXPECT_TRUE(rec.Of('d').empty());
    EXPECT_EQ(WrongPixels(), 0);
    FadeOut();
    EXPECT_EQ(rec.Of('u').size(), 2u);
    EXPECT_EQ(CountOther(screen->BobBitMap(), 0), 0);
}

class PaletteFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        scratch = std::make_unique<ScratchDir>();
        ResetState();
        SetTestPalette();
        pic = WriteTestPicture(3, 20, 5);
    }
    void TearDown() override
    {
        ResetState();
        scratch.reset();
        SetTestPalette();
    }
    std::unique_ptr<ScratchDir> scratch;
    TestPicture pic;
};

TEST_F(PaletteFiles, SetKavorPaletteReplacesTheNamedEntriesOnly)
{
    struct Row {
        ULONG first, count;
        int from, to;  // entries that change, inclusive
    };
    const Row rows[] = {{240, 16, 240, 255}, {0, 0, 0, 255}, {250, 16, 250, 255}, {7, 1, 7, 7}};
    for (const Row &r : rows) {
        SCOPED_TRACE(r.first);
        SetTestPalette();
        const std::vector<SDL_Color> before = Current();
        ASSERT_EQ(SetKavorPalette("./Data/Path", 3, r.first, r.count, 0), 1);
        const auto want = ColourMapColours(pic.cmap);
        int wrong = 0;
        for (int i = 0; i < 256; i++) {
            const SDL_Color &expect = i >= r.from && i <= r.to ? want[i] : before[i];
            wrong += KavoriaPalette[i].r != expect.r || KavoriaPalette[i].g != expect.g ||
                     KavoriaPalette[i].b != expect.b;
        }
        EXPECT_EQ(wrong, 0);
    }
}

TEST_F(PaletteFiles, FailedColourMapsReportFailureAndLeaveThePalette)
{
    struct Row {
        const char *name;
        std::function<void()> setup;
        ULONG id;
        const char *message;
    };
    const Row rows[] = {
        {"id 0", [] {}, 0, "SetKavorPlatte:001\n"},
        {"id above the count", [] {}, 21, "SetKavorPlatte:001\n"},
        {"colour map missing", [] { std::remove("Pics/Full3.cma"); }, 3, "SetKavorPalette:002 Pics/Full3.cma\n"},
        {"colour map short", [] { WriteFile("Pics/Full3.cma", Bytes(767, 9)); }, 3, "SetKavorPalette:003"},
        {"colour map path refused",
         [] {
             WriteGfxIndex("Data/Path", 20, {{.n = 3, .w = 640, .h = 480, .pic = "Vek:Pics/Full3.iff",
                                              .cmap = "Pics/Full3.pal"}});
         },
         3, "SetKavorPalette:002 \n"},
        {"index missing", [] { std::remove("Data/Path"); }, 3, "SetKavorPalette: Konnte den Index"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        pic = WriteTestPicture(3, 20, 5);
        r.setup();
        SetTestPalette();
        const std::vector<SDL_Color> before = Current();
        StdoutCapture out;
        EXPECT_EQ(SetKavorPalette("./Data/Path", r.id, 0, 0, 0), 0);
        EXPECT_NE(out.Take().find(r.message), std::string::npos);
        EXPECT_EQ(KavoriaPalette[100].r, before[100].r);
        EXPECT_EQ(KavoriaPalette[100].b, before[100].b);
    }
}

TEST(PaletteSetters, StoreThroughTheColourMapWithinItsEntries)
{
    SDL_Color entries[256] = {};
    ColorMap cm = {entries};
    ViewPort vp = {&cm};
    SetRGB4(&vp, 3, 1, 2, 15);
    EXPECT_EQ(entries[3].r, 16);
    EXPECT_EQ(entries[3].g, 32);
    EXPECT_EQ(entries[3].b, 240);
    SetRGB4(&vp, 4, 16, 17, 0);  // cut to 8 bits
    EXPECT_EQ(entries[4].r, 0);
    EXPECT_EQ(entries[4].g, 16);
    SetRGB32(&vp, 5, 0x1FF, 0x80, 0x7);
    EXPECT_EQ(entries[5].r, 0xFF);
    EXPECT_EQ(entries[5].g, 0x80);
    SetRGB32(&vp, 256, 1, 1, 1);  // no such register
    SetRGB4(nullptr, 3, 0, 0, 0);
    ViewPort none = {nullptr};
    SetRGB32(&none, 3, 0, 0, 0);
    EXPECT_EQ(entries[3].r, 16);

    ULONG out[9] = {};
    entries[254] = {0x80, 0x01, 0xFF, 0};
    GetRGB32(&cm, 254, 3, out);
    EXPECT_EQ(out[0], 0x80808080u);
    EXPECT_EQ(out[1], 0x01010101u);
    EXPECT_EQ(out[2], 0xFFFFFFFFu);
    EXPECT_EQ(out[6], 0u);  // register 256 does not exist
    GetRGB32(nullptr, 0, 3, out);
    EXPECT_EQ(out[0], 0x80808080u);

    // Two records: 3 colours from 254 (the third past the end), 1 at 10.
    ULONG list[15] = {0, 0xAA000000u, 0xBB000000u, 0xCC000000u, 0x11000000u, 0x22000000u, 0x33000000u,
                      0x77000000u, 0x77000000u, 0x77000000u, 0, 0x44000000u, 0x55000000u, 0x66000000u, 0};
    const UWORD heads[2][2] = {{3, 254}, {1, 10}};
    std::memcpy(&list[0], heads[0], 4);
    std::memcpy(&list[10], heads[1], 4);
    LoadRGB32(&vp, list);
    EXPECT_EQ(entries[254].r, 0xAA);
    EXPECT_EQ(entries[255].b, 0x33);
    EXPECT_EQ(entries[10].g, 0x55);
    LoadRGB32(&vp, nullptr);
    LoadRGB32(nullptr, list);
}

// Colour cycling with the map screen's five ranges.
const UBYTE kMapRanges[5][22] = {
    {32, 2, 3, 19, 0, 141, 19, 141, 27, 142, 29, 143, 31, 142, 255},
    {32, 1, 4, 13, 0, 148, 13, 148, 16, 149, 19, 150, 22, 151, 25, 150, 28, 149, 31, 148, 255},
    {15, 4, 2, 5, 0, 139, 5, 139, 9, 140, 14, 139, 255},
    {26, 1, 4, 0, 0, 144, 3, 145, 6, 146, 10, 147, 18, 145, 23, 144, 25, 144, 255},
    {28, 2, 4, 11, 0, 152, 11, 152, 13, 153, 16, 154, 19, 155, 21, 154, 24, 153, 27, 153, 255},
};

class Cycling : public ::testing::Test {
protected:
    void SetUp() override
    {
        scratch = std::make_unique<ScratchDir>();
        screen = std::make_unique<SdlScreen>(8);
        ASSERT_TRUE(screen->Ok());
        ResetState();
        WriteTestPicture(3);
        ASSERT_EQ(OpenKavorPic("./Data/Path", 3, PIC_NOFADE | PIC_NOLOAD), 0);
        for (int r = 139; r <= 155; r++) SetPaletteEntry(r, (UBYTE)(r - 130), (UBYTE)(2 * r - 270), 0);
        SetPaletteEntry(144, 0, 0, 0);
        SetPaletteEntry(145, 30, 60, 90);
    }
    void TearDown() override
    {
        ResetState();
        screen.reset();
        scratch.reset();
        SetTestPalette();
    }
    std::unique_ptr<ScratchDir> scratch;
    std::unique_ptr<SdlScreen> screen;
};

TEST_F(Cycling, RegistersTakeTheirStepsAtTheirSpeed)
{
    static int waits;
    waits = 0;
    FadeDelayHook = [](ULONG) { waits++; };
    ColorCycleHandle *h = InitColorCycle(5, 22, &kMapRanges[0][0]);
    ASSERT_NE(h, nullptr);
    ASSERT_NE(h->ColorCycleDaten, nullptr);
    auto step = [&] {
        StdoutCapture quiet;
        ColorCycle(h);
    };
    // Range 3 (speed 1): the first step counts, the second moves one colour step.
    step();
    EXPECT_EQ(KavoriaPalette[144].r, 0);
    EXPECT_EQ(h->HasFinished, 1);
    step();
    // Register 144 shows step 1: a third of the way from 144's colour to 145's.
    EXPECT_EQ(KavoriaPalette[144].r, 10);
    EXPECT_EQ(KavoriaPalette[144].g, 20);
    EXPECT_EQ(KavoriaPalette[144].b, 30);
    // Register 145 sits 3 steps further: step 4, a third of the way from
    // 145's colour (30) to 146's (16) at step 6.
    EXPECT_EQ(KavoriaPalette[145].r, 26);
    ExitColorCycle(h);
    EXPECT_EQ(waits, 0);  // a step had run
}

TEST_F(Cycling, ExitWaitsForAStepThatNeverCame)
{
    static std::vector<ULONG> waits;
    waits.clear();
    FadeDelayHook = [](ULONG t) { waits.push_back(t); };
    ColorCycleHandle *h = InitColorCycle(5, 22, &kMapRanges[0][0]);
    ASSERT_NE(h, nullptr);
    ExitColorCycle(h);
    EXPECT_EQ(waits, std::vector<ULONG>(9, 10));
}

TEST_F(Cycling, HostileRangesAreLeftOut)
{
    const UBYTE bad[][8] = {
        {0, 1, 1, 0, 0, 150, 255, 0},      // length 0
        {10, 1, 2, 0, 5, 150, 3, 151},     // steps falling
        {10, 1, 1, 0, 12, 150, 255, 0},    // step past the length
        {10, 1, 1, 0, 255, 0, 0, 0},       // no pairs
        {10, 0, 2, 0, 0, 150, 4, 151},     // no end mark within the record: fine
    };
    FadeDelayHook = [](ULONG) {};
    ColorCycleHandle *h = InitColorCycle(5, 8, &bad[0][0]);
    ASSERT_NE(h, nullptr);
    ASSERT_NE(h->ColorCycleDaten, nullptr);
    StdoutCapture out;
    for (int i = 0; i < 50; i++) ColorCycle(h);
    out.Take();
    EXPECT_EQ(*(ULONG *)h->ColorCycleDaten, 1u);
    ExitColorCycle(h);
    ColorCycle(nullptr);
    ExitColorCycle(nullptr);
    ColorCycleHandle *empty = InitColorCycle(0, 22, nullptr);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->ColorCycleDaten, nullptr);
    ColorCycle(empty);
    ExitColorCycle(empty);
}

TEST(CyclingHigh, NoHandleAbove8Bits)
{
    SdlScreen screen(16);
    ASSERT_TRUE(screen.Ok());
    EXPECT_EQ(InitColorCycle(5, 22, &kMapRanges[0][0]), nullptr);
}

}  // namespace
