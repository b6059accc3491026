// Luxury allocations: lines and wares, price bases, the clamp to the stock,
// Luxus.dat and the raw-source scales (span, pointers, drags).
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "platform/files.h"
#include "world/luxus.h"
#include "world/turnfixture.h"

namespace {

using namespace turnfix;

TEST(Luxus, LinesWaresAndPriceBases)
{
    struct {
        int linie;
        ULONG ware;
    } linien[] = {{0, 1}, {2, 3}, {3, 82}, {18, 97}, {19, 0}, {-1, 0}};
    for (const auto &l : linien) EXPECT_EQ(LuxusWare(l.linie), l.ware) << l.linie;
    struct {
        ULONG ziel, basis;
    } basen[] = {{10001, 250}, {10000, 170}, {5000, 130}, {1000, 110}, {100, 100}, {0, 100}};
    for (const auto &b : basen) EXPECT_EQ(LuxusBasis(b.ziel), b.basis) << b.ziel;
    EXPECT_EQ(LuxusBegrenzt(99999, 40), 40u);
    EXPECT_EQ(LuxusBegrenzt(-1, 40), 0u);
    EXPECT_EQ(LuxusBegrenzt(LLONG_MAX, 0xFFFFFFFF), 0xFFFFFFFFu);
}

TEST(Luxus, StockAndColumns)
{
    GameDir dir;
    std::vector<st_WARE_EXT> w(3);
    w[0].Info = 5, w[0].WarenTyp = 82, w[0].WarenAnzahl = 40;
    w[1].Info = 2, w[1].WarenTyp = 1, w[1].WarenAnzahl = 99;  // an offer, not stock
    w[2].Info = 5, w[2].WarenTyp = 1, w[2].WarenAnzahl = 60;
    st_WARE h{};
    h.AnzWaren = 3;
    const Bytes c = MakeChunk(CN_WARE, h, w);
    EXPECT_EQ(LuxusBestand(c.data(), 82), 40u);
    EXPECT_EQ(LuxusBestand(c.data(), 1), 60u);
    EXPECT_EQ(LuxusBestand(c.data(), 2), 0u);
    EXPECT_EQ(LuxusBestand(nullptr, 1), 0u);
    const LuxusResources res{};
    const LuxusZeile roh = LuxusZeileVon(0, c.data(), 1, 1, 1, &res, 20000);
    EXPECT_EQ(roh.Preis, 0u);
    EXPECT_EQ(roh.Bestand, 60u);
    const LuxusZeile balsam = LuxusZeileVon(3, c.data(), 1, 1, 1, &res, 20000);
    EXPECT_EQ(balsam.Ware, 82u);
    EXPECT_EQ(balsam.Preis, GetWarenPreis(82, (LONG)LuxusBasis(balsam.Ziel), 1, 1, 1));
}

TEST(Luxus, FileIsExactly76Bytes)
{
    GameDir dir;
    ULONG z[LUXUS_LINIEN];
    EXPECT_FALSE(LoadLuxusZuweisung(z));
    for (ULONG v : z) EXPECT_EQ(v, 0u);
    ULONG a[LUXUS_LINIEN] = {};
    a[0] = 20, a[3] = 5;
    ASSERT_TRUE(SaveLuxusZuweisung(a));
    EXPECT_EQ(vektest::ReadBytes(LUXUS_FILE).size(), 76u);
    ASSERT_TRUE(LoadLuxusZuweisung(z));
    EXPECT_EQ(z[0], 20u);
    EXPECT_EQ(z[3], 5u);
    for (size_t n : {75u, 77u}) {
        SCOPED_TRACE(n);
        std::vector<UBYTE> b(n, 0xAB);
        ASSERT_EQ(SaveMem2File(LUXUS_FILE, b.data(), (ULONG)b.size()), 1);
        EXPECT_FALSE(LoadLuxusZuweisung(z));
        for (ULONG v : z) EXPECT_EQ(v, 0u);
    }
}

TEST(Luxus, ScalesPointersAndDrags)
{
    const ULONG A[3] = {100, 0, 50};
    const LONG T = -3, P = 5, Mi = 0;
    const ULONG M = LuxusSpanne(A, T, P, Mi);
    EXPECT_EQ(M, 10u);
    EXPECT_EQ(LuxusZeigerOffset(M, T, A[0], 200), 170);
    EXPECT_EQ(LuxusZeigerOffset(M, P, A[1], 200), 150);
    EXPECT_EQ(LuxusZeigerOffset(M, Mi, A[2], 200), 150);  // one rule for every balance: not 50
    // A pointer read back where it is drawn gives its allocation again.
    EXPECT_EQ(LuxusZugAllokation(170, M, T, 200, 1000, 0), 100u);
    EXPECT_EQ(LuxusZugAllokation(150, M, Mi, 200, 1000, 0), 50u);
    // Left of M + S: nothing allotted (not the whole stock).
    EXPECT_EQ(LuxusZugAllokation(10, M, T, 200, 1000, 77), 0u);
    EXPECT_EQ(LuxusZugAllokation(0, M, P, 200, 1000, 77), 0u);
    // The drag's limit and the stock's cut.
    EXPECT_EQ(LuxusZugGrenze(M, T, 40, 200), 110);
    EXPECT_EQ(LuxusZugAllokation(200, M, T, 200, 40, 0), 40u);
    // Offsets stay on the scale.
    EXPECT_EQ(LuxusZeigerOffset(M, 10, 0xFFFFFFFF, 200), 200);
    EXPECT_EQ(LuxusZugGrenze(M, 10, 0xFFFFFFFF, 200), 200);
    // No span: the pointers stand in the middle and a drag changes nothing.
    const ULONG null[3] = {9, 0, 0};
    EXPECT_EQ(LuxusSpanne(null, 0, 0, 0), 0u);
    EXPECT_EQ(LuxusZeigerOffset(0, 0, 9, 200), 100);
    EXPECT_EQ(LuxusZugGrenze(0, 0, 9, 200), 100);
    EXPECT_EQ(LuxusZugAllokation(150, 0, 0, 200, 100, 9), 9u);
    // Extreme balances.
    const ULONG gross[3] = {0xFFFFFFFF, 0, 0};
    EXPECT_EQ(LuxusSpanne(gross, INT_MIN, 0, 0), 0x80000000u);
    EXPECT_EQ(LuxusZeigerOffset(0x80000000u, INT_MIN, 0, 200), 0);
}

}  // namespace
