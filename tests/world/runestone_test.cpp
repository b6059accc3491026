// The rune-stone game's rules: the scoring of a row, the progress of a game
// and the stake of 1,000 gold booked once on the realm's LAND record.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/shareddemo.h"
#include "world/runestone.h"
#include "world/turnfixture.h"

namespace {

using namespace turnfix;

struct Wertungsfall {
    const char *name;
    UBYTE versteckt[5], reihe[5];
    UWORD platz, art;
};

TEST(RuneStone, ScoresRightPlacesBeforeRightKindsEachRuneOnce)
{
    const Wertungsfall faelle[] = {
        {"pairs", {1, 1, 2, 2, 3}, {1, 2, 1, 2, 4}, 2, 2},
        {"reversed", {1, 2, 3, 4, 5}, {5, 4, 3, 2, 1}, 1, 4},
        {"one hidden kind", {8, 8, 8, 8, 8}, {8, 1, 1, 1, 1}, 1, 0},
        {"guess repeats a single hidden", {1, 2, 3, 4, 5}, {6, 1, 1, 1, 7}, 0, 1},
        {"all right", {3, 1, 4, 1, 5}, {3, 1, 4, 1, 5}, 5, 0},
        {"nothing", {1, 1, 1, 1, 1}, {2, 3, 4, 5, 6}, 0, 0},
    };
    for (const auto &f : faelle) {
        SCOPED_TRACE(f.name);
        RuneWertung w{9, 9};
        ASSERT_TRUE(RuneReiheWerten(f.versteckt, f.reihe, &w));
        EXPECT_EQ(w.Platz, f.platz);
        EXPECT_EQ(w.Art, f.art);
    }
    const UBYTE versteckt[5] = {1, 2, 3, 4, 5}, luecke[5] = {1, 2, 0, 4, 5};
    RuneWertung w{};
    EXPECT_FALSE(RuneReiheWerten(versteckt, luecke, &w)) << "a row with an empty slot is not scored";
}

ULONG FesteWuerfel(ULONG) { static const ULONG w[] = {0, 0, 1, 1, 2}; static int i; return w[i++ % 5]; }

void LegeReihe(RuneStoneData &d, std::initializer_list<UBYTE> runen)
{
    for (UBYTE r : runen) ASSERT_TRUE(RuneSetzen(&d, r));
}

TEST(RuneStone, AGameRunsRowByRowUntilWonOrLost)
{
    RuneWuerfelHook = FesteWuerfel;
    RuneStoneData d{};
    SetRuneStones(&d);
    RuneWuerfelHook = Wuerfel;
    const UBYTE erwartet[5] = {1, 1, 2, 2, 3};
    ASSERT_EQ(0, std::memcmp(d.RuneStones, erwartet, 5)) << "Wuerfel(7) + 1 each";

    // An incomplete row is not scored; RESE empties it and the cursor returns.
    LegeReihe(d, {1, 2, 1});
    EXPECT_EQ(d.X_Pos, 3);
    EXPECT_EQ(SetRuneStonePoints(&d, nullptr), RUNE_OFFEN);
    ClearLine(&d);
    EXPECT_EQ(d.X_Pos, 0);
    EXPECT_EQ(d.GameStones[0] | d.GameStones[1] | d.GameStones[2], 0);

    RuneWertung w{};
    LegeReihe(d, {1, 2, 1, 2, 4});
    EXPECT_EQ(d.X_Pos, 4) << "the cursor stays on the last column";
    EXPECT_EQ(SetRuneStonePoints(&d, &w), RUNE_NAECHSTE_REIHE);
    EXPECT_EQ(w.Platz, 2);
    EXPECT_EQ(w.Art, 2);
    EXPECT_EQ(d.Y_Pos, 1);
    EXPECT_EQ(d.X_Pos, 0);

    // Four more wrong rows, then the sixth row right: a win.
    for (int r = 1; r < 5; ++r) {
        LegeReihe(d, {8, 8, 8, 8, 8});
        EXPECT_EQ(SetRuneStonePoints(&d, &w), RUNE_NAECHSTE_REIHE);
    }
    LegeReihe(d, {1, 1, 2, 2, 3});
    EXPECT_EQ(SetRuneStonePoints(&d, &w), RUNE_GEWONNEN) << "five right in the sixth row win";
    EXPECT_EQ(w.Platz, 5);

    // The same game with a sixth wrong row is lost; no rune fits after it.
    RuneStoneData v = d;
    ClearLine(&v);
    LegeReihe(v, {8, 8, 8, 8, 8});
    EXPECT_EQ(SetRuneStonePoints(&v, &w), RUNE_VERLOREN);
    EXPECT_FALSE(RuneSetzen(&v, 1));

    ClearGame(&d);
    EXPECT_EQ(d.X_Pos + d.Y_Pos, 0);
    for (UBYTE s : d.GameStones) EXPECT_EQ(s, 0);
}

TEST(RuneStone, TheStakeIsOfferedWithinItsGoldRangeAndBookedOnlyWhenStaked)
{
    st_LAND land{};
    for (auto [gold, angeboten] : std::vector<std::pair<ULONG, bool>>{
             {1000, false}, {1001, true}, {50000, true}, {99999, true}, {100000, false}}) {
        land.AnzGold = gold;
        EXPECT_EQ(RuneEinsatzMoeglich(&land), angeboten) << gold;
    }
    EXPECT_FALSE(RuneEinsatzMoeglich(nullptr)) << "no LAND, no offer";

    struct { RuneAusgang ausgang; BOOL gesetzt; ULONG gold; } faelle[] = {
        {RUNE_SIEG, 1, 6000}, {RUNE_NIEDERLAGE, 1, 4000}, {RUNE_AUFGEGEBEN, 1, 4000},
        {RUNE_SIEG, 0, 5000}, {RUNE_NIEDERLAGE, 0, 5000}, {RUNE_AUFGEGEBEN, 0, 5000},
    };
    for (const auto &f : faelle) {
        land.AnzGold = 5000;
        RuneEinsatzBuchen(&land, f.gesetzt, f.ausgang);
        EXPECT_EQ(ULONG{land.AnzGold}, f.gold) << f.ausgang << " staked " << f.gesetzt;
    }
}

TEST(RuneStone, TheLandRecordComesFromTheOrdersPoolElseTheReceivedOne)
{
    GameDir dir;
    EXPECT_EQ(LoadRuneStoneData(), nullptr);
    st_LAND land{};
    land.AnzGold = 3000;
    Put(MakeChunk(CN_LAND, land), POOL_IN);
    st_LAND *l = LoadRuneStoneData();
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(ULONG{l->AnzGold}, 3000u);
    FreeVec(l);
    land.AnzGold = 7000;
    Put(MakeChunk(CN_LAND, land), POOL_OUT);
    l = LoadRuneStoneData();
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(ULONG{l->AnzGold}, 7000u);
    FreeVec(l);
}

TEST(RuneStone, AStakedWinRaisesTheDemoGoldInTheOrdersPool)
{
    vektest::ScratchDir dir;
    CopyDemoGameFiles(".");
    st_LAND *land = LoadRuneStoneData();
    ASSERT_NE(land, nullptr);
    ASSERT_EQ(ULONG{land->AnzGold}, 50000u);
    ASSERT_TRUE(RuneEinsatzMoeglich(land));
    RuneEinsatzBuchen(land, 1, RUNE_SIEG);
    RuneEinsatzBuchen(land, 0, RUNE_NIEDERLAGE);  // the next game is not staked
    ASSERT_TRUE(WriteRuneStoneData(land));
    bool da = false;
    EXPECT_EQ(ULONG{Load<st_LAND>(CN_LAND, POOL_OUT, &da).AnzGold}, 51000u);
    EXPECT_TRUE(da);
}

}  // namespace
