// The weather's rain over a screen: the chance by weather, the dice of the
// checks and of the rain's length, and the handover of what it spares.
#include <gtest/gtest.h>

#include <deque>

#include "media/sound.h"
#include "media/wetterregen.h"
#include "ui/screendat.h"

namespace {

std::deque<ULONG> wuerfe;
std::vector<ULONG> gefragt;
ULONG Gelegt(ULONG n)
{
    gefragt.push_back(n);
    if (wuerfe.empty()) return 0;
    const ULONG w = wuerfe.front();
    wuerfe.pop_front();
    return w;
}

TEST(WetterRegen, ChanceByWeather)
{
    struct Fall {
        UBYTE wetter, letzte, chance;
    };
    const Fall faelle[] = {{0, 9, 1}, {1, 9, 1}, {2, 9, 2}, {3, 9, 5}, {4, 9, 10}, {5, 9, 15},
                           {6, 9, 20}, {7, 5, 5}, {7, 20, 20}, {255, 10, 10}};
    for (const Fall &f : faelle) EXPECT_EQ(RegenChance(f.wetter, f.letzte), f.chance) << (int)f.wetter;
}

TEST(WetterRegen, ChecksRollTheDiceAndStartTheRain)
{
    Rechteck frei[] = {{0xFFFF, 0, 0, 0}};
    Rechteck box[] = {{168, 180, 472, 298}, {0xFFFF, 0, 0, 0}};
    WetterRegen r{};
    r.Wuerfel = Gelegt;
    RegenStart(&r, frei);
    wuerfe.clear(), gefragt.clear();
    // Nothing before the hundredth tick.
    for (int i = 0; i < 99; ++i) EXPECT_EQ(RegenTick(&r, 3), 0);
    EXPECT_TRUE(gefragt.empty());
    // Weather 3: 5 >= Wuerfel(100) + 1 needs a throw of 4 or less.
    wuerfe = {2, 5};
    EXPECT_EQ(RegenTick(&r, 3), 0);
    EXPECT_EQ(gefragt, (std::vector<ULONG>{5, 100}));
    EXPECT_EQ(r.Intervall, 2u * 80 + 80);
    for (ULONG i = 1; i < r.Intervall; ++i) EXPECT_EQ(RegenTick(&r, 3), 0);
    gefragt.clear();
    wuerfe = {0, 4, 321};
    EXPECT_EQ(RegenTick(&r, 3), 321 + 100);
    EXPECT_EQ(gefragt, (std::vector<ULONG>{5, 100, 500}));
    ASSERT_NE(r.Regen, nullptr);
    EXPECT_EQ(r.Regen->Dauer, 421);
    EXPECT_EQ(r.Regen->RechteckPtr, frei);
    RegenVerschonen(&r, box);
    EXPECT_EQ(r.Regen->RechteckPtr, box);
    RegenEnde(&r);
    EXPECT_EQ(r.Regen, nullptr);

    // Weather 7 keeps the chance of the check before.
    for (UBYTE wetter : {6, 7}) {
        for (ULONG i = 1; i < r.Intervall; ++i) RegenTick(&r, wetter);
        gefragt.clear();
        wuerfe = {0, 99, 0};
        EXPECT_EQ(RegenTick(&r, wetter), 0);
        EXPECT_EQ(r.Chance, 20);
    }
}

}  // namespace
