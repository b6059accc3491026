// The statistics graph as polylines: periods and their minimum quarters,
// group means and heights, the 23-point cap per curve, the all-zero curve
// and the clipping to the graph area.
#include <gtest/gtest.h>

#include <vector>

#include "realm/statistik.h"
#include "turn/turn.h"

namespace {

constexpr LONG X0 = 40, Y0 = 250, X1 = 600, Y1 = 400;
constexpr LONG BX = X1 - 43, BY = Y1 - 14;

std::vector<StatistikDaten> Korn(const std::vector<ULONG> &values)
{
    std::vector<StatistikDaten> d(values.size());
    for (size_t i = 0; i < values.size(); ++i) d[i].Korn = values[i], d[i].Gold = 7;
    return d;
}

StatistikGrafik Draw(const std::vector<StatistikDaten> &d, std::vector<StatistikWahl> wahl, ULONG periode)
{
    return DrawStatistikGfx(d.data(), (ULONG)d.size(), wahl.data(), (ULONG)wahl.size(), periode, X0, Y0, X1, Y1);
}

std::vector<LONG> Heights(const StatistikKurve &c)
{
    std::vector<LONG> h;
    for (const StatistikPunkt &p : c.Punkte) h.push_back(BY - p.y);
    return h;
}

TEST(StatistikGraph, PeriodsNeedTheirQuarters)
{
    const auto d = Korn({5, 6, 7});
    StatistikGrafik g = Draw(d, {{0, TRUE}}, 0);
    ASSERT_TRUE(g.Darstellbar);
    ASSERT_EQ(g.Kurven.size(), 1u);
    EXPECT_EQ(g.Kurven[0].Punkte.size(), 3u);
    EXPECT_FALSE(Draw(d, {{0, TRUE}}, 1).Darstellbar) << "a half year needs four quarters";
    EXPECT_FALSE(Draw({}, {{0, TRUE}}, 0).Darstellbar);
}

TEST(StatistikGraph, YearlyMeansAndHeights)
{
    const auto d = Korn({1, 2, 3, 4, 5, 6, 7, 8, 9});
    const StatistikGrafik g = Draw(d, {{0, TRUE}}, 2);
    ASSERT_EQ(g.Kurven.size(), 1u);
    const StatistikKurve &c = g.Kurven[0];
    EXPECT_EQ(Heights(c), (std::vector<LONG>{95, 68, 26}));
    ASSERT_EQ(c.Punkte.size(), 3u);
    EXPECT_EQ(c.Punkte[0].x, BX);
    EXPECT_EQ(c.Punkte[1].x, BX - 20);
    EXPECT_EQ(c.Punkte[2].x, BX - 40);
    EXPECT_EQ(c.Pen, STATISTIK_STIFT);
    // The demo realm's corn, nine quarters with a dip in the sixth.
    const auto demo = Korn({12000, 13000, 14000, 15000, 16000, 15500, 18000, 19000, 20000});
    EXPECT_EQ(Heights(Draw(demo, {{0, TRUE}}, 2).Kurven[0]), (std::vector<LONG>{95, 81, 64}));
}

TEST(StatistikGraph, CapZeroCurvesAndPens)
{
    std::vector<ULONG> many(50);
    for (ULONG i = 0; i < 50; ++i) many[i] = i;
    EXPECT_EQ(Draw(Korn(many), {{0, TRUE}}, 0).Kurven[0].Punkte.size(), 23u);

    std::vector<StatistikDaten> zero(9);
    const StatistikKurve flat = Draw(zero, {{1, TRUE}}, 0).Kurven[0];
    for (const StatistikPunkt &p : flat.Punkte) EXPECT_EQ(p.y, BY);

    // Three curves of nine quarters: nine points each; an off one keeps its pen place.
    const StatistikGrafik g = Draw(Korn(std::vector<ULONG>(9, 3)), {{0, TRUE}, {2, FALSE}, {1, TRUE}, {3, TRUE}}, 0);
    ASSERT_EQ(g.Kurven.size(), 3u);
    for (const StatistikKurve &c : g.Kurven) EXPECT_EQ(c.Punkte.size(), 9u);
    EXPECT_EQ(g.Kurven[1].Pen, STATISTIK_STIFT + 2);
}

TEST(StatistikGraph, PointsStayInsideASmallArea)
{
    const auto d = Korn(std::vector<ULONG>(30, 100));
    const StatistikGrafik g = DrawStatistikGfx(d.data(), (ULONG)d.size(), std::vector<StatistikWahl>{{0, TRUE}}.data(),
                                               1, 0, 100, 300, 300, 340);
    ASSERT_EQ(g.Kurven.size(), 1u);
    for (const StatistikPunkt &p : g.Kurven[0].Punkte) {
        EXPECT_GE(p.x, 100);
        EXPECT_LE(p.x, 300);
        EXPECT_GE(p.y, 300);
        EXPECT_LE(p.y, 340);
    }
}

}  // namespace
