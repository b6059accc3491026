// Screen 41 on the demo set at 8 and 32 bits: a category moved, marked and
// switched on draws its curve in pen 226; the period steps; LAST without a
// mark does nothing; the legend opens over the graph and its EXIT leaves
// the screen too; a damaged file leaves the screen without categories.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/scriptinput.h"
#include "common/testutil.h"
#include "realm/realm.h"
#include "realmscreen.h"
#include "turn/turn.h"

using namespace vektest;

namespace {

constexpr char kFile[] = "Statistik.dat";
constexpr LONG kLeftX = 100, kRightX = 400, kFirstLineY = 66;

std::vector<ULONG> Part(const std::vector<ULONG> &screen, LONG x, LONG y, LONG w, LONG h)
{
    std::vector<ULONG> out;
    for (LONG r = y; r < y + h; ++r) out.insert(out.end(), screen.begin() + r * 640 + x, screen.begin() + r * 640 + x + w);
    return out;
}
std::vector<ULONG> Graph(const std::vector<ULONG> &s) { return Part(s, 40, 220, 560, 200); }
std::vector<ULONG> Lists(const std::vector<ULONG> &s) { return Part(s, 40, 60, 560, 140); }

class StatisticsScreen : public RealmScreenTest {};

TEST_P(StatisticsScreen, ChosenCurveInItsPenAndTheLegend)
{
    {
        ScriptFeeder feed;
        Probe();                               // 0
        PushClick(kLeftX, kFirstLineY);        // corn to the chosen list, off
        Probe();                               // 1
        PushClick(kRightX, kFirstLineY);       // marked
        Click(kFile, "OK01");
        Probe();                               // 2: the curve
        Click(kFile, "FORW");
        Click(kFile, "FORW");
        Probe();                               // 3: by year
        Click(kFile, "INFB");
        Probe();                               // 4: the legend
        Click("StatistikLegende.dat", "EXIT");
        feed.Start();
        EXPECT_EQ(StatistikScreen(), 2);
    }
    const auto p = Probes();
    ASSERT_EQ(p.size(), 5u);
    EXPECT_NE(Lists(p[1]), Lists(p[0]));
    EXPECT_EQ(Graph(p[1]), Graph(p[0])) << "a category switched off is not drawn";
    EXPECT_NE(Graph(p[2]), Graph(p[1]));
    if (GetParam() == 8) {
        const auto g = Graph(p[2]);
        EXPECT_GT(std::count(g.begin(), g.end(), 226u), 60) << "the first chosen curve in pen 226";
        const auto before = Graph(p[1]);
        EXPECT_EQ(std::count(before.begin(), before.end(), 226u), 0);
    }
    EXPECT_NE(Graph(p[3]), Graph(p[2]));
    EXPECT_NE(Part(p[4], 120, 90, 400, 300), Part(p[3], 120, 90, 400, 300));
}

TEST_P(StatisticsScreen, LastWithoutMarkAndBackAndTheLegendClosing)
{
    {
        ScriptFeeder feed;
        PushClick(kLeftX, kFirstLineY);
        PushClick(kLeftX, kFirstLineY);
        Probe();                               // 0: two chosen
        Click(kFile, "LAST");
        Probe();                               // 1: nothing marked, nothing moved
        Click(kFile, "BACK");
        Probe();                               // 2: both back on the left
        Click(kFile, "INFB");
        Click("StatistikLegende.dat", "EXLG");
        Probe();                               // 3: the legend closed, the screen stays
        Click(kFile, "EXIT");
        feed.Start();
        EXPECT_EQ(StatistikScreen(), 2);
    }
    const auto p = Probes();
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(Lists(p[1]), Lists(p[0]));
    EXPECT_NE(Lists(p[2]), Lists(p[1]));
    EXPECT_EQ(Part(p[3], 0, 40, 640, 380), Part(p[2], 0, 40, 640, 380));
}

TEST_P(StatisticsScreen, DamagedFileGivesNoCategories)
{
    Bytes b(10 + 40, 0);
    b[0] = b[1] = b[2] = b[3] = 0xFF;  // far more quarters than the file holds
    b[6] = 10;
    WriteBytes("Data/Statistikdaten.vek", b);
    {
        ScriptFeeder feed;
        Probe();
        PushClick(kLeftX, kFirstLineY);  // the empty line moves nothing
        Probe();
        PushEscape();
        feed.Start();
        EXPECT_EQ(StatistikScreen(), 2);
    }
    const auto p = Probes();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(Lists(p[1]), Lists(p[0]));
}

INSTANTIATE_TEST_SUITE_P(Depths, StatisticsScreen, ::testing::Values(8, 32));

}  // namespace
