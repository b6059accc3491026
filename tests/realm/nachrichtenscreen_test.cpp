// Screen 36 on the demo set at 8 and 32 bits: army.csv on entry, the letters
// of every category with FORW and BACK, the map view beside them, the detail
// view driven by pushed ticks and left with Escape, and a pool without
// battles. The demo set's own letters and table file are checked as text.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/scriptinput.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "realm/realm.h"
#include "realm/schlacht.h"
#include "realmscreen.h"
#include "store/store.h"

using namespace vektest;

namespace {

constexpr char kFile[] = "Nachrichten.dat";

// The pixels of a part of a whole-screen probe.
std::vector<ULONG> Part(const std::vector<ULONG> &screen, LONG x, LONG y, LONG w, LONG h)
{
    std::vector<ULONG> out;
    for (LONG r = y; r < y + h; ++r) out.insert(out.end(), screen.begin() + r * 640 + x, screen.begin() + r * 640 + x + w);
    return out;
}
std::vector<ULONG> Letter(const std::vector<ULONG> &s) { return Part(s, 290, 60, 310, 340); }
std::vector<ULONG> MapView(const std::vector<ULONG> &s) { return Part(s, 102, 238, 160, 168); }
std::vector<ULONG> Outcome(const std::vector<ULONG> &s) { return Part(s, 200, 400, 240, 40); }

const char kCsvHead[] =
    "Angreifer;Verteidiger;XPos;YPos;Angreifer Tote;Angreifer Lebende;Angreifer Erschoepfung;Verteidiger Tote;"
    "Verteidiger Lebende;Verteidiger Erschoepfung;\n"
    "Attacker;Defender;XPos;YPos;Attacker dead people;Attacker survivors;Attacker fatigue;Defender dead people;"
    "Defender survivors;Defender fatigue;\n";

class BattleNewsScreen : public RealmScreenTest {};

TEST_P(BattleNewsScreen, LettersMapAndDetailViews)
{
    const std::string in = FileText(POOL_IN), out = FileText(POOL_OUT);
    {
        ScriptFeeder feed;
        Probe();                        // 0: nothing chosen
        Click(kFile, "BU01");
        Probe();                        // 1: the town battle
        Click(kFile, "FORW");
        Probe();                        // 2: the only one again
        Click(kFile, "BU00");
        Probe();                        // 3: the land battle
        Click(kFile, "BU02");
        Probe();                        // 4: the pirates
        Click(kFile, "AUGE");           // pirates have no detail view
        Probe();                        // 5
        Click(kFile, "BACK");
        Probe();                        // 6: the sea fight, the last of its category
        Click(kFile, "AUGE");
        for (int i = 0; i < 5; ++i) PushTick();
        Probe();                        // 7: the detail view at tick 5
        PushEscape();
        Probe();                        // 8: every row at once
        PushEscape();
        Probe();                        // 9: back at the letter
        Click(kFile, "BU00");
        Click(kFile, "AUGE");
        for (int i = 0; i < 140; ++i) PushTick();
        Probe();                        // 10: the land battle counted out
        PushEscape();                   // past the outcome one press leaves
        Click(kFile, "UP00");
        Click(kFile, "DO00");
        Click(kFile, "EXIT");
        feed.Start();
        EXPECT_EQ(NachrichtenScreen(), 2);
    }
    const auto p = Probes();
    ASSERT_EQ(p.size(), 11u);
    EXPECT_NE(Letter(p[1]), Letter(p[0]));
    EXPECT_EQ(Letter(p[2]), Letter(p[1])) << "one town battle: FORW wraps to it";
    EXPECT_NE(MapView(p[1]), MapView(p[0])) << "the map view beside the letter";
    EXPECT_NE(Letter(p[3]), Letter(p[1]));
    EXPECT_NE(Letter(p[4]), Letter(p[3]));
    // The title bar names the gadget under the pointer; the rest stays.
    EXPECT_EQ(Part(p[5], 0, 40, 640, 440), Part(p[4], 0, 40, 640, 440)) << "no detail view of pirates";
    EXPECT_NE(Letter(p[6]), Letter(p[4]));
    EXPECT_NE(Outcome(p[8]), Outcome(p[7])) << "Escape shows the outcome";
    EXPECT_EQ(Letter(p[9]), Letter(p[6])) << "the screen comes back";
    EXPECT_NE(Outcome(p[10]), Outcome(p[3]));

    EXPECT_EQ(FileText(ARMY_CSV), std::string(kCsvHead) + "Demoland;Nachbar;121;58;20;180;0;60;40;0;\n" +
                                      "Demoland;Nachbar;120;60;20;180;0;60;40;0;\n");
    EXPECT_EQ(FileText(POOL_IN), in);
    EXPECT_EQ(FileText(POOL_OUT), out);
}

TEST_P(BattleNewsScreen, WithoutBattlesNothingIsWrittenAndAugeDoesNothing)
{
    ASSERT_TRUE(RemChunkPool(ID_KRIG, POOL_IN));
    {
        ScriptFeeder feed;
        Click(kFile, "BU00");
        Probe();
        Click(kFile, "AUGE");
        Probe();
        Click(kFile, "BU02");
        Probe();
        PushEscape();
        feed.Start();
        EXPECT_EQ(NachrichtenScreen(), 2);
    }
    const auto p = Probes();
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(Part(p[1], 0, 40, 640, 440), Part(p[0], 0, 40, 640, 440));
    EXPECT_NE(Letter(p[2]), Letter(p[1])) << "the sea letter's salutation has no blank lines";
    // Without a battle the map area is filled with pen 11.
    const std::vector<ULONG> map = MapView(p[0]);
    EXPECT_EQ(std::count(map.begin(), map.end(), map[0]), (long)map.size());
    if (GetParam() == 8) {
        EXPECT_EQ(map[0], 11u);
    }
    EXPECT_FALSE(Exists(ARMY_CSV));
}

INSTANTIATE_TEST_SUITE_P(Depths, BattleNewsScreen, ::testing::Values(8, 32));

// The demo realm's battles as the letters tell them.
TEST(DemoBattles, SeaFightLetter)
{
    ScratchDir dir;
    CopyDemoGameFiles(dir.path());
    auto *krig = static_cast<st_KRIG *>(LoadChunk2Mem(ID_KRIG, POOL_IN));
    auto *players = static_cast<st_ANTW *>(LoadChunk2Mem(ID_ANTW, "./Data/SpielerList.vek"));
    ASSERT_NE(krig, nullptr);
    ASSERT_EQ(KriegAnzahl(krig), 4u);
    for (ULONG i = 0; i < 4; ++i) EXPECT_NE((ULONG)KriegEintraege(krig)[i].Result, 3u) << "no town of the player lost";
    const SchlachtNamen names{7, "Demoland", players};
    WORD index = 1;
    const st_KRIG_EXT *rec = nullptr;
    BOOL detail = FALSE;
    EXPECT_EQ(ComposeSchlachtBrief(krig, 2, &index, names, &rec, &detail),
              "Fight 2 of 2\n\nMy Lord, the forces of Nachbar attacked our ships at X:117 and Y:62 in a battle that "
              "was normal. Our shipwrights have inspected the ships. The damage is heavy. The details of the battle "
              "follow.");
    EXPECT_TRUE(detail);
    FreeVec(players);
    FreeChunk(krig);
}

}  // namespace
