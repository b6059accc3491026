// Worked fields: the yield table, one turn's update of the block files, the
// take-back of too many workers, fish into the granaries and the harvest sum.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>
#include <string>
#include <vector>

#include "common/gamefixture.h"
#include "common/testutil.h"
#include "world/cultivation.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/store.h"

namespace {

using vektest::Bytes;
using vektest::HexSetzen;

constexpr ULONG SPIELER = 7, FREMDER = 9;
constexpr UWORD GRAS = 12, WALD = 17, WASSER = 23, WUESTE = 58, STADT = 1;

MapCultivation Feld(UWORD x, UWORD y, UWORD nahrung, UWORD holz, UWORD stein)
{
    MapCultivation c;
    std::memset(&c, 0, sizeof c);
    c.X = x, c.Y = y, c.WorkersForHarvest = nahrung, c.WorkersForWood = holz, c.WorkersForStone = stein;
    return c;
}

// Block files keep their records little-endian: three 16-bit fields, eleven
// 32-bit and twenty-four 16-bit. The same swap turns a record either way.
MapCultivation Gewendet(MapCultivation c)
{
    if (std::endian::native == std::endian::big) {
        UBYTE *p = (UBYTE *)&c;
        for (const auto &[anzahl, breite] : {std::pair{3, 2}, std::pair{11, 4}, std::pair{24, 2}})
            for (int k = 0; k < anzahl; ++k, p += breite) std::reverse(p, p + breite);
    }
    return c;
}

void SchreibeBlock(ULONG bx, ULONG by, const std::vector<MapCultivation> &felder)
{
    vektest::MakeDirs("Map");
    Bytes b;
    for (const MapCultivation &c : felder) {
        const MapCultivation f = Gewendet(c);
        b.insert(b.end(), (const UBYTE *)&f, (const UBYTE *)&f + sizeof f);
    }
    vektest::WriteBytes("Map/C_" + std::to_string(bx) + "_" + std::to_string(by) + ".vek", b);
}

std::vector<MapCultivation> LeseBlock(ULONG bx, ULONG by)
{
    Bytes b = vektest::ReadBytes("Map/C_" + std::to_string(bx) + "_" + std::to_string(by) + ".vek");
    std::vector<MapCultivation> v(b.size() / sizeof(MapCultivation));
    if (!v.empty()) std::memcpy(v.data(), b.data(), v.size() * sizeof(MapCultivation));
    for (MapCultivation &c : v) c = Gewendet(c);
    return v;
}

ULONG Pref(UWORD id)
{
    ULONG v = 0;
    EXPECT_TRUE(CheckPrefsRead(id, &v));
    return v;
}

class Felder : public testing::Test {
protected:
    vektest::ScratchDir dir;
    ULONG alteID = PlayerInfo.SpielerID;
    void SetUp() override
    {
        vektest::MakeDirs("Data");
        PlayerInfo.SpielerID = SPIELER;
        WuerfelSeed(1);
    }
    void TearDown() override { PlayerInfo.SpielerID = alteID; }
    void Realm(ULONG volk, ULONG morgen, UBYTE gott)
    {
        st_LAND l = vektest::LandChunk(volk, morgen, gott);
        vektest::InsPool(&l, POOL_IN);
    }
};

TEST(Ertraege, TableByTerrainWorkersAndGod)
{
    struct Fall {
        const char *name;
        UWORD klasse;
        ULONG w;
        UBYTE gott;
        ULONG nahrung, holz, stein;
    } faelle[] = {
        {"grassland", 7, 100, 0, 19000, 2, 2},
        {"mountains", 2, 10, 0, 10350, 0, 0},
        {"hills stone", 3, 1000, 0, 80000, 45, 35},
        {"forest", 5, 50, 0, 12250, 4, 0},
        {"forest god 6", 5, 50, 6, 12250, 6, 0},
        {"jungle", 6, 1000, 0, 55000, 90, 10},
        {"swamp", 8, 1000, 0, 30000, 50, 5},
        {"water", 10, 30, 0, 300, 0, 0},
        {"water god 5", 10, 30, 5, 600, 0, 0},
        {"town", 11, 1000, 0, 60000, 5, 5},
        {"desert", 9, 1000, 0, 0, 0, 0},
        {"crest", 1, 1000, 0, 0, 0, 0},
        {"dark forest", 4, 1000, 0, 0, 0, 0},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        EXPECT_EQ(GetMaxHarvestForField(f.klasse, f.w, f.gott), f.nahrung);
        EXPECT_EQ(GetMaxWoodForField(f.klasse, f.w, f.gott), f.holz);
        EXPECT_EQ(GetMaxStoneForField(f.klasse, f.w), f.stein);
    }
}

TEST_F(Felder, OneTurnGrowsOrDecaysEachYieldAndKeepsTheHistory)
{
    struct Fall {
        const char *name;
        UWORD art;
        UWORD wn, wh, ws;
        ULONG actN;
        UWORD actH, actS;
        UBYTE gott;
        ULONG maxN, neuN;
        UWORD maxH, neuH, maxS, neuS;
    } faelle[] = {
        {"grassland grows", GRAS, 100, 0, 0, 10000, 0, 0, 0, 19000, 10900, 0, 0, 0, 0},
        {"too few workers from 12000", GRAS, 10, 0, 0, 12000, 0, 0, 0, 10900, 10500, 0, 0, 0, 0},
        {"too few workers from 11000", GRAS, 10, 0, 0, 11000, 0, 0, 0, 10900, 10000, 0, 0, 0, 0},
        {"forest wood from 0", WALD, 0, 50, 0, 0, 0, 0, 0, 10000, 0, 4, 1, 0, 0},
        {"forest wood god 6", WALD, 0, 50, 0, 0, 0, 0, 6, 10000, 0, 6, 1, 0, 0},
        {"wood above its maximum drops", WALD, 0, 50, 0, 0, 9, 0, 0, 10000, 0, 4, 4, 0, 0},
        {"negative stone step does not wrap", WALD, 0, 0, 200, 0, 0, 0, 0, 10000, 0, 0, 0, 2, 0},
        {"stone grows by its step", GRAS, 0, 0, 800, 0, 0, 10, 0, 10000, 0, 0, 0, 20, 18},
        // A maximum below the growth base must not wrap the yield round.
        {"desert food stays 0", WUESTE, 100, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {"town wood stays at 0", STADT, 0, 1000, 0, 0, 0, 0, 0, 10000, 0, 5, 0, 0, 0},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        vektest::ScratchDir inner;
        SetUp();
        Realm(10000, 10, f.gott);
        vektest::SchreibeTeil(1, 1, {{90, 50, f.art, SPIELER}});
        MapCultivation c = Feld(90, 50, f.wn, f.wh, f.ws);
        c.ActHarvest = f.actN, c.ActWood = f.actH, c.ActStone = f.actS;
        c.PrevHarvest[0] = 111, c.PrevHarvest[8] = 999, c.PrevWood[0] = 3;
        SchreibeBlock(2, 2, {c});
        ASSERT_TRUE(CheckMapCultWorld());
        auto neu = LeseBlock(2, 2);
        ASSERT_EQ(neu.size(), 1u);
        const MapCultivation &n = neu[0];
        EXPECT_EQ(+n.MaxHarvest, +f.maxN);
        EXPECT_EQ(+n.ActHarvest, +f.neuN);
        EXPECT_EQ(+n.MaxWood, +f.maxH);
        EXPECT_EQ(+n.ActWood, +f.neuH);
        EXPECT_EQ(+n.MaxStone, +f.maxS);
        EXPECT_EQ(+n.ActStone, +f.neuS);
        EXPECT_EQ(+n.PrevHarvest[0], +f.neuN);
        EXPECT_EQ(+n.PrevHarvest[1], 111u);
        EXPECT_EQ(+n.PrevHarvest[8], 0u);  // the oldest turn falls out
        EXPECT_EQ(+n.PrevWood[0], +f.neuH);
        EXPECT_EQ(+n.PrevWood[1], 3u);
        EXPECT_EQ(Pref(PREF_HOLZ), +f.neuH);
        EXPECT_EQ(Pref(PREF_STEIN), +f.neuS);
        EXPECT_EQ(Pref(PREF_ARBEITER), 1000u - f.wn - f.wh - f.ws);
    }
}

TEST_F(Felder, ForeignHexIsDroppedAndAnEmptiedBlockFileDeleted)
{
    Realm(10000, 10, 0);
    vektest::SchreibeTeil(1, 1, {{90, 50, GRAS, FREMDER}, {91, 50, GRAS, SPIELER}, {130, 50, GRAS, FREMDER}});
    SchreibeBlock(2, 2, {Feld(90, 50, 10, 0, 0), Feld(91, 50, 20, 0, 0)});
    SchreibeBlock(3, 2, {Feld(130, 50, 10, 0, 0)});
    ASSERT_TRUE(CheckMapCultWorld());
    auto blieb = LeseBlock(2, 2);
    ASSERT_EQ(blieb.size(), 1u);
    EXPECT_EQ(+blieb[0].X, 91u);
    EXPECT_FALSE(vektest::Exists("Map/C_3_2.vek"));
    EXPECT_EQ(Pref(PREF_ARBEITER), 1000u - 20u);
}

TEST_F(Felder, BlocksWithoutGoodMapData)
{
    Realm(10000, 10, 0);
    // No tile (0, 0) at all: its block has no map data and goes.
    SchreibeBlock(0, 0, {Feld(5, 5, 10, 0, 0)});
    // Tile (2, 2) is short: the block stays for a later turn.
    vektest::MakeDirs("Map");
    vektest::WriteBytes("Map/M_2_2.map", Bytes(1000, 0));
    SchreibeBlock(4, 4, {Feld(165, 85, 10, 0, 0)});
    // Names that are no block: left alone.
    vektest::WriteBytes("Map/C_x_1.vek", Bytes(98, 0));
    vektest::WriteBytes("Map/C_400_1.vek", Bytes(98, 0));
    EXPECT_FALSE(CheckMapCultWorld());
    EXPECT_FALSE(vektest::Exists("Map/C_0_0.vek"));
    EXPECT_EQ(LeseBlock(4, 4).size(), 1u);
    EXPECT_TRUE(vektest::Exists("Map/C_x_1.vek"));
    EXPECT_TRUE(vektest::Exists("Map/C_400_1.vek"));
}

TEST_F(Felder, TooManyWorkersAreTakenBackInEqualShares)
{
    // 1,000 people are 100 workers; 120 on four fields: 20 too many, every
    // field gives 5: 1 wood, 1 stone, 3 food.
    Realm(1000, 10, 0);
    vektest::SchreibeTeil(1, 1, {{90, 50, GRAS, SPIELER}, {91, 50, GRAS, SPIELER},
                                 {92, 50, GRAS, SPIELER}, {93, 50, GRAS, SPIELER}});
    SchreibeBlock(2, 2, {Feld(90, 50, 10, 10, 10), Feld(91, 50, 10, 10, 10), Feld(92, 50, 10, 10, 10),
                         Feld(93, 50, 10, 10, 10)});
    ASSERT_TRUE(CheckMapCultWorld());
    for (const MapCultivation &c : LeseBlock(2, 2)) {
        EXPECT_EQ(+c.WorkersForWood, 9u);
        EXPECT_EQ(+c.WorkersForStone, 9u);
        EXPECT_EQ(+c.WorkersForHarvest, 7u);
    }
    EXPECT_EQ(Pref(PREF_ARBEITER), 0u);
}

TEST_F(Felder, SmallFieldsPassTheirShareOnAndFreeWorkersAreCountedOnce)
{
    // 122 on three fields of 100 workers: q 8 (t 2, h 4). The first field
    // gives its 2 and passes 6 on; the last pays the carry from its food.
    Realm(1000, 10, 0);
    vektest::SchreibeTeil(1, 1, {{90, 50, GRAS, SPIELER}, {91, 50, GRAS, SPIELER}, {92, 50, GRAS, SPIELER}});
    SchreibeBlock(2, 2, {Feld(90, 50, 2, 0, 0), Feld(91, 50, 50, 30, 30), Feld(92, 50, 10, 0, 0)});
    ASSERT_TRUE(CheckMapCultWorld());
    auto f = LeseBlock(2, 2);
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(+f[0].WorkersForHarvest, 0u);
    EXPECT_EQ(+f[1].WorkersForWood, 22u);
    EXPECT_EQ(+f[1].WorkersForStone, 28u);
    EXPECT_EQ(+f[1].WorkersForHarvest, 46u);
    EXPECT_EQ(+f[2].WorkersForHarvest, 2u);
    // 100 workers less the 98 still on fields.
    EXPECT_EQ(Pref(PREF_ARBEITER), 2u);
}

TEST_F(Felder, FishGoIntoTheGranariesAsFarAsTheyHaveRoom)
{
    struct Fall {
        const char *name;
        ULONG saat, korn, bev, lager;
    } faelle[] = {
        {"room enough", 1000, 2000, 1000, 2600},
        {"capped", 20000, 0, 19800, 200},
        {"stores already over the room", 30000, 5000, 30000, 0},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        vektest::ScratchDir inner;
        SetUp();
        Realm(10000, 10, 5);
        st_KORN k = vektest::KornChunk(1, f.saat, f.korn, f.bev);
        vektest::InsPool(&k, POOL_IN);
        vektest::SchreibeTeil(1, 1, {{90, 50, WASSER, SPIELER}});
        SchreibeBlock(2, 2, {Feld(90, 50, 30, 0, 0)});
        ASSERT_TRUE(CheckMapCultWorld());
        st_KORN *aus = (st_KORN *)LoadChunk2Mem(ID_KORN, POOL_OUT);
        ASSERT_NE(aus, nullptr);
        EXPECT_EQ(+aus->Fishes, 600u);
        EXPECT_EQ(+aus->Kornlager, +f.lager);
        FreeVec(aus);
        EXPECT_EQ(+LeseBlock(2, 2)[0].ActHarvest, 600u);
    }
}

TEST_F(Felder, AutomaticModeSetsThePreferencesOnly)
{
    struct Fall {
        const char *name;
        ULONG volk, morgen, arbeiter, holzMin, holzMax;
    } faelle[] = {{"ten fields", 30000, 10, 100, 5, 6}, {"no fields", 30000, 0, 0, 0, 0}};
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        vektest::ScratchDir inner;
        SetUp();
        Realm(f.volk, f.morgen, 0);
        ASSERT_TRUE(CheckPrefsWrite(PREF_AUTO_ARBEITER, 1));
        vektest::SchreibeTeil(1, 1, {{90, 50, GRAS, FREMDER}});
        SchreibeBlock(2, 2, {Feld(90, 50, 10, 0, 0)});
        ASSERT_TRUE(CheckMapCultWorld());
        EXPECT_EQ(Pref(PREF_ARBEITER), +f.arbeiter);
        EXPECT_GE(Pref(PREF_HOLZ), +f.holzMin);
        EXPECT_LE(Pref(PREF_HOLZ), +f.holzMax);
        EXPECT_GE(Pref(PREF_STEIN), +f.holzMin);
        EXPECT_LE(Pref(PREF_STEIN), +f.holzMax);
        EXPECT_EQ(LeseBlock(2, 2).size(), 1u);  // records untouched
    }
}

TEST_F(Felder, HarvestSumAddsUnworkedFieldsAsInAutomaticMode)
{
    struct Fall {
        const char *name;
        bool automatik;
        ULONG volk, morgen, ernte;
    } faelle[] = {
        {"automatic", true, 30000, 10, 140000},
        {"one worked field of three", false, 1000, 3, 10900 + 2 * 10000},
        {"free workers on the other fields", false, 3000, 3, 10900 + 2 * (200 / 2 / 3 * 40 + 10000)},
        {"more worked fields than the realm has", false, 1000, 0, 10900},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        vektest::ScratchDir inner;
        SetUp();
        Realm(f.volk, f.morgen, 0);
        st_KORN k = vektest::KornChunk(1, 0, 0, 0);
        vektest::InsPool(&k, POOL_IN);
        ASSERT_TRUE(CheckPrefsWrite(PREF_AUTO_ARBEITER, f.automatik));
        vektest::SchreibeTeil(1, 1, {{90, 50, GRAS, SPIELER}, {91, 50, WASSER, SPIELER}});
        MapCultivation gras = Feld(90, 50, 100, 0, 0), fisch = Feld(91, 50, 30, 0, 0);
        gras.ActHarvest = 10900, fisch.ActHarvest = 600;
        SchreibeBlock(2, 2, {gras, fisch});
        ASSERT_TRUE(GetHarvestFromMapCult());
        st_KORN *aus = (st_KORN *)LoadChunk2Mem(ID_KORN, POOL_OUT);
        ASSERT_NE(aus, nullptr);
        EXPECT_EQ(+aus->MaxHarvest, +f.ernte);
        FreeVec(aus);
    }
}

TEST_F(Felder, BlockFileRecordsAndHostileSizes)
{
    // A record with a distinct value in every field (file bytes 1, 2, 3, ...),
    // stored and read back.
    MapCultivation c;
    for (size_t i = 0; i < sizeof c; ++i) ((UBYTE *)&c)[i] = (UBYTE)(i + 1);
    c = Gewendet(c);
    ListHeader *l = CreateList(LISTE_MAPCULT);
    ListNode *n = (ListNode *)AllocVec(l->TypSize, MEMF_CLEAR);
    std::memcpy(NodeData(n), &c, sizeof c);
    InsertNode(l, n, LIST_LAST, 0);
    vektest::MakeDirs("Map");
    ASSERT_TRUE(SaveMapCultList(l, 7, 9));
    DeleteList(l, 1);
    Bytes b = vektest::ReadBytes("Map/C_7_9.vek");
    ASSERT_EQ(b.size(), 98u);
    for (size_t i = 0; i < b.size(); ++i) ASSERT_EQ(b[i], i + 1) << i;
    MapCultivation *gelesen = nullptr;
    const struct {
        const char *name;
        size_t groesse;
        ULONG records;
    } faelle[] = {{"empty", 0, 0}, {"short", 97, 0}, {"one and a byte", 99, 1}, {"two", 196, 2}};
    for (const auto &f : faelle) {
        SCOPED_TRACE(f.name);
        Bytes d(f.groesse);
        for (size_t i = 0; i < d.size(); ++i) d[i] = (UBYTE)(i % 98 + 1);
        vektest::WriteBytes("Map/C_1_1.vek", d);
        ListHeader *liste = CreateList(LISTE_MAPCULT);
        EXPECT_TRUE(ScanMapCult2List(liste, 1, 1));
        EXPECT_EQ(+liste->Elemente, +f.records);
        if (liste->Elemente) {
            gelesen = (MapCultivation *)NodeData(liste->FirstNode);
            EXPECT_EQ(std::memcmp(gelesen, &c, sizeof c), 0);
        }
        DeleteList(liste, 1);
    }
    ListHeader *leer = CreateList(LISTE_MAPCULT);
    EXPECT_TRUE(SaveMapCultList(leer, 1, 1));
    EXPECT_FALSE(vektest::Exists("Map/C_1_1.vek"));
    DeleteList(leer, 1);
}

}  // namespace
