// Rain: the stepper on a memory canvas with fixed dice (how many drops fall,
// stopping, the spared boxes), and the rain thread on the display at 8 and
// 32 bits, which must leave it as it found it.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "common/sdlharness.h"
#include "gfx/graphics.h"
#include "media/audiofixture.h"
#include "media/sound.h"
#include "media/sound_local.h"
#include "platform/system.h"
#include "ui/screendat.h"

namespace {

// A 640 x 480 canvas whose every pixel differs from the streak's pen.
struct Canvas {
    std::vector<ULONG> px = std::vector<ULONG>(640 * 480);
    int holds = 0, open = 0;
    Canvas()
    {
        for (size_t i = 0; i < px.size(); ++i) px[i] = 1000 + (ULONG)i;
    }
    static ULONG Read(void *c, LONG x, LONG y) { return ((Canvas *)c)->px.at((size_t)(y * 640 + x)); }
    static void Write(void *c, LONG x, LONG y, ULONG v)
    {
        Canvas &cv = *(Canvas *)c;
        EXPECT_EQ(cv.open, 1) << "drawn outside a hold";
        cv.px.at((size_t)(y * 640 + x)) = v;
    }
    static void Begin(void *c)
    {
        ++((Canvas *)c)->open;
        ++((Canvas *)c)->holds;
    }
    static void Present(void *, LONG, LONG, LONG, LONG) {}
    static void End(void *c) { --((Canvas *)c)->open; }
    RainCanvas Api() { return {this, 7, Read, Write, Begin, Present, End}; }
    long Wet() const
    {
        long n = 0;
        for (ULONG v : px) n += v == 7;
        return n;
    }
    bool Clean() const
    {
        for (size_t i = 0; i < px.size(); ++i)
            if (px[i] != 1000 + (ULONG)i) return false;
        return true;
    }
};

// Fixed dice: a simple recurrence, so every run draws the same rain.
unsigned diceState;
ULONG Dice(ULONG n)
{
    diceState = diceState * 1103515245u + 12345u;
    return (diceState >> 8) % (n + 1);
}

struct Shower {
    long maxWet = 0;
    int steps = 0;
    int holds = 0;
    bool clean = false;
};

// Runs the stepper to its end; stopAfter > 0 asks for the stop after that many steps.
Shower Pour(UWORD dauer, const Rechteck *spared, int stopAfter = 0, const std::function<void(const Canvas &)> &each = {})
{
    diceState = 12345;
    Canvas c;
    RainState st;
    RainInit(&st, dauer, Dice);
    Shower r;
    UWORD stop = 0;
    for (int more = 1; more;) {
        if (stopAfter && r.steps == stopAfter) stop = 1;
        more = RainStep(&st, spared, c.Api(), Dice, &stop);
        ++r.steps;
        r.maxWet = std::max(r.maxWet, c.Wet());
        if (each) each(c);
    }
    r.holds = c.holds;
    r.clean = c.Clean();
    return r;
}

TEST(RainSteps, HowManyDropsFall)
{
    const Shower nine = Pour(9, nullptr);
    EXPECT_EQ(nine.steps, 9);
    EXPECT_EQ(nine.holds, 0);
    EXPECT_TRUE(nine.clean);

    const Shower ten = Pour(10, nullptr);
    EXPECT_EQ(ten.maxWet, RAIN_STREAK);  // one drop, never two
    EXPECT_TRUE(ten.clean);

    const Shower long_ = Pour(300, nullptr);
    EXPECT_GT(long_.maxWet, 10 * RAIN_STREAK);
    EXPECT_LE(long_.maxWet, RAIN_DROPS * RAIN_STREAK);
    EXPECT_TRUE(long_.clean);
}

TEST(RainSteps, StopEndsWithinTenStepsOnACleanScreen)
{
    for (int after : {1, 3, 40}) {
        SCOPED_TRACE(after);
        const Shower r = Pour(1000, nullptr, after);
        EXPECT_LE(r.steps, after + 1 + 10);
        EXPECT_TRUE(r.clean);
    }
}

TEST(RainSteps, SparedBoxesAreNeverTouched)
{
    // Ten rows that a streak (16 rows) can straddle without its first or last
    // row inside, a narrow column, and a box in a corner.
    const Rechteck spared[] = {{0, 200, 639, 209}, {300, 0, 301, 479}, {600, 400, 639, 479}, {0xFFFF, 0, 0, 0}};
    Canvas start;
    const Shower r = Pour(400, spared, 0, [&](const Canvas &c) {
        for (const Rechteck &b : spared) {
            if (b.X0 == 0xFFFF) break;
            for (int y = b.Y0; y <= b.Y1; ++y)
                for (int x = b.X0; x <= b.X1; ++x)
                    ASSERT_EQ(c.px[(size_t)(y * 640 + x)], start.px[(size_t)(y * 640 + x)]) << x << "," << y;
        }
    });
    EXPECT_GT(r.maxWet, 0);
    EXPECT_TRUE(r.clean);
}

TEST(RainSteps, WhatASparedRectangleCovers)
{
    const Rechteck box[] = {{100, 100, 109, 109}, {0xFFFF, 0, 0, 0}};
    const Rechteck none[] = {{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}, {100, 100, 109, 109}};
    const struct {
        const char *name;
        const Rechteck *list;
        LONG x, y;
        bool spared;
    } rows[] = {
        {"streak straddles the box", box, 105, 95, true},
        {"bottom row on the top edge", box, 105, 85, true},
        {"one row above", box, 105, 84, false},
        {"top row on the bottom edge", box, 105, 109, true},
        {"one row below", box, 105, 110, false},
        {"column x - 1 on the right edge", box, 110, 100, true},
        {"right of the box", box, 111, 100, false},
        {"column x on the left edge", box, 100, 100, true},
        {"left of the box", box, 99, 100, false},
        {"list that starts with its end", none, 105, 100, false},
        {"no list", nullptr, 105, 100, false},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(RainSpares(r.list, r.x, r.y), r.spared);
    }
}

// The rain thread on the display.
class RainThread : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        oldStep = rainStepMs;
        rainStepMs = 2;
    }
    void TearDown() override { rainStepMs = oldStep; }
    ULONG oldStep = 40;
};

std::vector<ULONG> Snapshot(BitMap *bmp)
{
    std::vector<ULONG> px;
    for (LONG y = 0; y < (LONG)bmp->Hoehe; ++y)
        for (LONG x = 0; x < (LONG)bmp->Breite; ++x) px.push_back(vektest::PixelAt(bmp, x, y));
    return px;
}

TEST_P(RainThread, LeavesTheDisplayAsItFoundIt)
{
    vektest::SdlScreen screen(GetParam());
    ASSERT_TRUE(screen.Ok());
    vektest::SetTestPalette();
    BitMap *bmp = screen.BobBitMap();
    for (LONG y = 0; y < 480; ++y)
        for (LONG x = 0; x < 640; ++x) {
            SetAPen(screen.BobRastPort(), (ULONG)((x / 7 + y / 5) % 200 + 20));
            WritePixel(screen.BobRastPort(), x, y);
        }
    PresentRect(bmp, 0, 0, 640, 480);
    screen.TakeRects();
    const std::vector<ULONG> bob = Snapshot(bmp), view = Snapshot(screen.ViewBitMap());

    const Rechteck spared[] = {{0, 0, 639, 100}, {0xFFFF, 0, 0, 0}};
    Rain *rain = StartTheRain(60, (Rechteck *)spared);
    ASSERT_NE(rain, nullptr);
    ASSERT_TRUE(vektest::WaitFor([&] { return !ItsStillRaining(rain); }, 5000));
    StopTheRain(rain);
    const std::vector<vektest::Rect> rects = screen.TakeRects();
    EXPECT_FALSE(rects.empty());
    for (const vektest::Rect &r : rects) EXPECT_LE(r.w * r.h, 2 * RAIN_STREAK);
    EXPECT_TRUE(Snapshot(bmp) == bob);
    EXPECT_TRUE(Snapshot(screen.ViewBitMap()) == view);
}

TEST_P(RainThread, StoppingEarlyCleansUp)
{
    vektest::SdlScreen screen(GetParam());
    ASSERT_TRUE(screen.Ok());
    vektest::SetTestPalette();
    BitMap *bmp = screen.BobBitMap();
    vektest::FillBitMap(bmp, GetParam() == 8 ? 33 : 0x123456);
    PresentRect(bmp, 0, 0, 640, 480);
    const std::vector<ULONG> bob = Snapshot(bmp);
    Rain *rain = StartTheRain(30000, nullptr);
    ASSERT_NE(rain, nullptr);
    SDL_Delay(60);
    EXPECT_TRUE(ItsStillRaining(rain));
    const Uint32 t0 = SDL_GetTicks();
    StopTheRain(rain);
    EXPECT_LT(SDL_GetTicks() - t0, 1000u);
    EXPECT_TRUE(Snapshot(bmp) == bob);
    EXPECT_FALSE(ItsStillRaining(nullptr));
}

INSTANTIATE_TEST_SUITE_P(Depths, RainThread, ::testing::Values(8, 32));

}  // namespace
