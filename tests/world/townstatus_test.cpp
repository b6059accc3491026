// Towns after a turn: population, buildings and chains, levels, church
// points, the TOWN chunk, rebellions, and towns founded and lost on the map.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/gamefixture.h"
#include "common/testutil.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/store.h"
#include "world/towns.h"

namespace {

using vektest::Bau;
using vektest::Bytes;

constexpr ULONG SPIELER = 7, FREMDER = 9;
constexpr UWORD STADT_HEX = 1, GRAS = 12;

Stadt Leer(const char *name, ULONG id)
{
    Stadt t;
    std::memset(&t, 0, sizeof t);
    std::strcpy(t.Stadtname, name);
    t.StadtID = id;
    t.Level = 1;
    auto slots = vektest::StandardSlots();
    std::memcpy(t.GebaeudeAbhaengigkeiten, slots.data(), sizeof t.GebaeudeAbhaengigkeiten);
    return t;
}

void Gebaut(Stadt &t, std::initializer_list<int> slots)
{
    for (int s : slots) t.GebaeudeAbhaengigkeiten[s].GfxBitfeld |= GFX_THISIMAGEISSET;
}

std::vector<int> GebauteSlots(const Stadt &t)
{
    std::vector<int> v;
    for (int s = 0; s < STADT_SLOTS; ++s)
        if (t.GebaeudeAbhaengigkeiten[s].GfxBitfeld & GFX_THISIMAGEISSET) v.push_back(s);
    return v;
}

class NachDemZug : public testing::Test {
protected:
    vektest::ScratchDir dir;
    st_PlayerInfo alt = PlayerInfo;
    void SetUp() override
    {
        vektest::MakeDirs("Data/Cities");
        vektest::MakeDirs("Map");
        vektest::SchreibeVorlage(vektest::StandardSlots());
        vektest::SchreibeMref(120, 60);
        PlayerInfo.SpielerID = SPIELER;
        PlayerInfo.Spielstopp = 0;
        WuerfelSeed(2);
    }
    void TearDown() override { PlayerInfo = alt; }
    // Records and their list, in this order.
    void Towns(std::vector<Stadt> staedte)
    {
        std::vector<TownList> l;
        for (Stadt &t : staedte) {
            ASSERT_TRUE(SpeichereStadt(&t));
            TownList e;
            std::memset(&e, 0, sizeof e);
            e.TownID = (LONG)t.StadtID;
            std::strcpy(e.TownName, t.Stadtname);
            l.push_back(e);
        }
        ASSERT_TRUE(SpeichereTownList(l.data(), (ULONG)l.size()));
    }
    Stadt Lies(const char *name)
    {
        Stadt *p = LadeStadt(name);
        EXPECT_NE(p, nullptr);
        Stadt t = p ? *p : Leer("", 0);
        FreeVec(p);
        return t;
    }
    void Realm(ULONG volk)
    {
        st_LAND l = vektest::LandChunk(volk, 10, 0);
        vektest::InsPool(&l, POOL_IN);
        st_TAXE t = vektest::TaxeChunk(1);
        vektest::InsPool(&t, POOL_IN);
    }
};

TEST_F(NachDemZug, PopulationShares)
{
    struct Fall {
        const char *name;
        UWORD level;
        int gebaeude;
        ULONG gesamt;
        UWORD levelSumme;
        ULONG vorWuerfel;
    } faelle[] = {
        {"level 1, 40 buildings", 1, 40, 200000, 13, 10227},
        {"level 1, 37 buildings", 1, 37, 200000, 13, 10000},
        {"level 1, 20 buildings", 1, 20, 200000, 13, 5405},
        {"level 2, 40 buildings", 2, 40, 200000, 13, 10454},
        // Fewer than 37 buildings above level 1 add nothing, not millions.
        {"level 2, 30 buildings", 2, 30, 200000, 13, 10000},
        {"level 0 counts as 1", 0, 40, 200000, 13, 10227},
        {"level 9 counts as 1", 9, 40, 200000, 13, 10227},
        {"no levels at all", 1, 37, 100, 0, 65},
        {"a huge realm", 4, 235, 4000000000u, 1, 0xFFFFFFFFu},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        Stadt t = Leer("A", 0);
        t.Level = f.level;
        for (int s = 0; s < f.gebaeude; ++s) Gebaut(t, {s});
        t.GebaeudeAbhaengigkeiten[200].GfxBitfeld = GFX_DUMMYGRAFIK | GFX_THISIMAGEISSET;  // scenery does not count
        if (f.gebaeude == 235) t.GebaeudeAbhaengigkeiten[200].GfxBitfeld = GFX_THISIMAGEISSET;
        const uint64_t v = f.vorWuerfel;
        WuerfelSeed(9);
        const ULONG wurf = Wuerfel((ULONG)(v / 100));
        WuerfelSeed(9);
        EXPECT_EQ(CheckStadtVolk(&t, f.gesamt, f.levelSumme), std::min<uint64_t>(v + wurf - v / 200, 0xFFFFFFFFu));
    }
}

TEST_F(NachDemZug, OneTownTakesHalfTheRealmAndTheTurnCountersClear)
{
    Realm(20001);
    Stadt t = Leer("Allein", 0);
    t.AusgehobeneSiedler = 3, t.AusgelaufeneSchiffe = 2;
    Gebaut(t, {1, 2, 3});
    Towns({t});
    vektest::SchreibeGebaeude({});
    ASSERT_TRUE(ChangeTownStatus(nullptr));
    Stadt n = Lies("Allein");
    EXPECT_EQ(+n.StadtVolk, 10000u);
    EXPECT_EQ(+n.ArmeeVolk, 2500u);
    EXPECT_EQ(+n.AusgehobeneSiedler, 0);
    EXPECT_EQ(+n.AusgelaufeneSchiffe, 0);
}

TEST_F(NachDemZug, BuildingsOfTheTurn)
{
    struct Fall {
        const char *name;
        std::vector<int> vorher;
        std::vector<st_BAUE_EXT> geba;
        std::vector<int> nachher;
    } faelle[] = {
        {"building one member builds the chain", {}, {Bau(118, 0)}, {2, 58, 118, 182}},
        {"tearing down the level-2 member clears the chain", {2, 58, 118, 182}, {Bau(58, 0, 0xFFFF)}, {}},
        {"a building of another town", {}, {Bau(118, 1)}, {}},
        {"a building number past the slots", {}, {Bau(235, 0), Bau(60000, 0)}, {}},
        {"one granary torn down", {0, 99, 168, 224}, {Bau(0, 0, 0xFFFF)}, {}},
        {"two granaries: the granary stays", {0, 99, 168, 224}, {Bau(0, 0, 0xFFFF), Bau(99, 0)}, {0, 99, 168, 224}},
        {"two contors: the contor stays", {98, 167}, {Bau(98, 0, 0xFFFF), Bau(167, 0)}, {98, 167}},
        {"a building the player put up is gone from the server", {12}, {}, {}},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        Stadt t = Leer("A", 0);
        for (int s : f.vorher) Gebaut(t, {s});
        if (std::string(f.name).find("put up") != std::string::npos)
            t.GebaeudeAbhaengigkeiten[12].GfxBitfeld |= GFX_THISISBUILD;
        vektest::SchreibeGebaeude(f.geba);
        ASSERT_TRUE(ChangeTownStatus(&t));
        EXPECT_EQ(GebauteSlots(t), f.nachher);
    }
}

TEST_F(NachDemZug, ExcludedBuildingsAreForbidden)
{
    auto slots = vektest::StandardSlots();
    slots[48].AntiGebaeude.NotID1 = 11;   // slot 10
    slots[48].AntiGebaeude.NotID8 = 500;  // no such slot
    Stadt t = Leer("A", 0);
    std::memcpy(t.GebaeudeAbhaengigkeiten, slots.data(), sizeof t.GebaeudeAbhaengigkeiten);
    vektest::SchreibeGebaeude({Bau(48, 0)});
    ASSERT_TRUE(ChangeTownStatus(&t));
    EXPECT_TRUE(t.GebaeudeAbhaengigkeiten[10].GfxBitfeld & GFX_FORBIDDEN);
    for (int s = 0; s < STADT_SLOTS; ++s)
        EXPECT_EQ((t.GebaeudeAbhaengigkeiten[s].GfxBitfeld & GFX_FORBIDDEN) != 0, s == 10) << s;
}

TEST_F(NachDemZug, LevelRule)
{
    const std::vector<int> fuenf = {22, 23, 48, 49, 50}, sechs = {22, 23, 48, 49, 50, 55};
    const std::vector<int> vier = {22, 23, 48, 49, 50, 55, 139, 56, 57, 78, 96, 98, 108};
    struct Fall {
        const char *name;
        std::vector<int> slots;
        ULONG volk;
        UWORD level;
    } faelle[] = {
        {"five points", fuenf, 0, 1},
        {"six points", sechs, 0, 2},
        {"one of the big buildings", {56}, 0, 2},
        {"more than 60,000 people", sechs, 60001, 3},
        {"60,000 people", sechs, 60000, 2},
        {"slot 139", {22, 23, 48, 49, 50, 55, 139}, 0, 3},
        {"slot 163", {56, 163}, 0, 3},
        {"all six, slot 195", [&] { auto v = vier; v.push_back(195); return v; }(), 0, 4},
        {"all six, 125,001 people", vier, 125001, 4},
        {"all six, nothing else", vier, 0, 3},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        Stadt t = Leer("A", 0);
        t.Level = 1;
        t.StadtVolk = f.volk;
        for (int s : f.slots) Gebaut(t, {s});
        CheckStadtLevel(&t);
        EXPECT_EQ(+t.Level, +f.level);
    }
}

TEST_F(NachDemZug, ChurchPointsGoIntoBothPools)
{
    struct Fall {
        const char *name;
        std::vector<st_BAUE_EXT> geba;
        UWORD punkte;
    } faelle[] = {
        {"four churches", {Bau(23, 0), Bau(24, 0), Bau(96, 1), Bau(163, 1)}, 10},
        {"no church leaves TAXE alone", {Bau(1, 0)}, 1},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        vektest::ScratchDir inner;
        SetUp();
        Realm(100000);
        Towns({Leer("A", 0), Leer("B", 1)});
        vektest::SchreibeGebaeude(f.geba);
        ASSERT_TRUE(ChangeTownStatus(nullptr));
        for (const char *pool : {POOL_IN, POOL_OUT}) {
            st_TAXE *t = (st_TAXE *)LoadChunk2Mem(ID_TAXE, pool);
            if (f.punkte == 1 && pool == POOL_OUT) {
                EXPECT_EQ(t, nullptr);
            } else {
                ASSERT_NE(t, nullptr);
                EXPECT_EQ(+t->KirchenPunkte, +f.punkte);
            }
            FreeVec(t);
        }
    }
}

TEST_F(NachDemZug, TownChunkReportsAllTownsInListOrder)
{
    Realm(90000);
    Stadt a = Leer("Nord", 4), b = Leer("Sued", 2), c = Leer("West_mark", 9);
    a.XPos = 12799, a.YPos = 6399;
    c.Event = STADTEVENT_REBELLION;
    Towns({a, b, c});
    vektest::SchreibeGebaeude({});
    ASSERT_TRUE(ChangeTownStatus(nullptr));
    st_TOWN *town = (st_TOWN *)LoadChunk2Mem(ID_TOWN, POOL_OUT);
    ASSERT_NE(town, nullptr);
    EXPECT_EQ(+town->Head.Version, VERSION_V002);
    EXPECT_EQ(+town->Head.Length, 320u);
    ASSERT_EQ(town->Anzahl, 3);
    st_TOWN_EXT_V2 e[3];
    std::memcpy(e, (UBYTE *)town + sizeof(st_TOWN), sizeof e);
    EXPECT_EQ(+e[0].XPos, 0x31FF);
    EXPECT_EQ(+e[0].StadtID, 4);
    EXPECT_STREQ(e[1].Name, "Sued");
    EXPECT_EQ(+e[2].StadtID, 9);
    EXPECT_EQ(+e[2].Event, STADTEVENT_REBELLION);
    EXPECT_EQ(+e[1].StadtVolk, +Lies("Sued").StadtVolk);
    FreeVec(town);
}

TEST_F(NachDemZug, BrokenRecordsStopTheUpdate)
{
    Realm(90000);
    Towns({Leer("A", 0), Leer("B", 1)});
    vektest::WriteBytes("Data/Cities/B.vek", Bytes(100, 0));
    vektest::SchreibeGebaeude({});
    const Bytes vorher = vektest::ReadBytes("Data/Cities/A.vek");
    EXPECT_FALSE(ChangeTownStatus(nullptr));
    EXPECT_EQ(vektest::ReadBytes("Data/Cities/A.vek"), vorher);
}

TEST_F(NachDemZug, RebellionEndsAbove1500Soldiers)
{
    struct Fall {
        const char *name;
        std::vector<vektest::ArmeeAuf> armeen;
        bool rebellion;
    } faelle[] = {
        {"1,500", {{50, 60, {1000, 500}}}, true},
        {"1,501 in two armies", {{50, 60, {1000}}, {50, 60, {501}}}, false},
        {"1,501 on another hex", {{51, 60, {1501}}}, true},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        vektest::ScratchDir inner;
        SetUp();
        Stadt t = Leer("Aufruhr", 0);
        t.XPos = 50, t.YPos = 60, t.Event = STADTEVENT_REBELLION | STADTEVENT_PEST;
        Towns({t});
        std::vector<UBYTE> army = vektest::ArmyChunk(f.armeen);
        vektest::InsPool(army.data(), POOL_OUT);
        ASSERT_TRUE(CheckStadtEvents(&t));
        EXPECT_EQ((t.Event & STADTEVENT_REBELLION) != 0, +f.rebellion);
        EXPECT_TRUE(t.Event & STADTEVENT_PEST);
        EXPECT_EQ((Lies("Aufruhr").Event & STADTEVENT_REBELLION) != 0, +f.rebellion);
    }
}

Stadt Bei(const char *name, ULONG id, ULONG x, ULONG y, bool hauptstadt = false)
{
    Stadt t = Leer(name, id);
    t.XPos = x, t.YPos = y, t.Hauptstadt = hauptstadt;
    return t;
}

TEST_F(NachDemZug, TownsFoundedOnTheMap)
{
    // No list yet: the capital comes from the map reference, the second town
    // hex becomes NewTown.0.
    vektest::SchreibeTeil(1, 1, {{120, 60, STADT_HEX, SPIELER}, {126, 64, STADT_HEX, SPIELER},
                                 {130, 60, STADT_HEX, FREMDER}});
    EXPECT_TRUE(CheckPlayerTown());
    ULONG n = 0;
    TownList *l = LadeTownList(&n, nullptr);
    ASSERT_NE(l, nullptr);
    ASSERT_EQ(n, 2u);
    EXPECT_STREQ(l[0].TownName, "NewTown");
    EXPECT_STREQ(l[1].TownName, "NewTown.0");
    EXPECT_EQ(+l[1].TownID, 1);
    FreeVec(l);
    Stadt neu = Lies("NewTown.0");
    EXPECT_EQ(+neu.XPos, 126u);
    EXPECT_EQ(+neu.YPos, 64u);
    EXPECT_EQ(+PlayerInfo.Spielstopp, 0u);
}

TEST_F(NachDemZug, TownsLostAndTheCapitalPassedOn)
{
    struct Fall {
        const char *name;
        std::vector<Stadt> staedte;
        std::vector<vektest::HexSetzen> hexe;
        std::vector<std::string> bleiben;
        const char *hauptstadt;
    } faelle[] = {
        {"a lost town", {Bei("A", 0, 120, 60, true), Bei("B", 1, 126, 64)}, {{120, 60, STADT_HEX, SPIELER}}, {"A"}, "A"},
        {"the capital lost passes to the next",
         {Bei("A", 0, 120, 60, true), Bei("B", 1, 126, 64), Bei("C", 2, 130, 70)},
         {{126, 64, STADT_HEX, SPIELER}, {130, 70, STADT_HEX, SPIELER}, {120, 60, STADT_HEX, FREMDER}},
         {"B", "C"}, "B"},
        {"the capital lost at the end passes to the first",
         {Bei("A", 0, 120, 60), Bei("B", 1, 126, 64), Bei("C", 2, 130, 70, true)},
         {{120, 60, STADT_HEX, SPIELER}, {126, 64, STADT_HEX, SPIELER}, {130, 70, GRAS, SPIELER}},
         {"A", "B"}, "A"},
        {"a town on a sector not on disk stays",
         {Bei("A", 0, 120, 60, true), Bei("B", 1, 500, 500)}, {{120, 60, STADT_HEX, SPIELER}}, {"A", "B"}, "A"},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        vektest::ScratchDir inner;
        SetUp();
        Towns(f.staedte);
        vektest::SchreibeTeil(1, 1, f.hexe);
        vektest::WriteBytes("Map/M_2_2.map", Bytes(100, 0));  // short: skipped
        EXPECT_TRUE(CheckPlayerTown());
        ULONG n = 0;
        TownList *l = LadeTownList(&n, nullptr);
        ASSERT_NE(l, nullptr);
        std::vector<std::string> namen;
        for (ULONG i = 0; i < n; ++i) namen.push_back(l[i].TownName);
        FreeVec(l);
        EXPECT_EQ(namen, f.bleiben);
        for (const Stadt &t : f.staedte) {
            const bool bleibt = std::find(namen.begin(), namen.end(), t.Stadtname) != namen.end();
            EXPECT_EQ(vektest::Exists(std::string("Data/Cities/") + t.Stadtname + ".vek"), bleibt) << t.Stadtname;
        }
        Stadt h = Lies(f.hauptstadt);
        EXPECT_EQ(+h.Hauptstadt, 1);
        st_MREF *m = (st_MREF *)LoadChunk2Mem(ID_MREF, "./Data/MapPrefs.vek");
        ASSERT_NE(m, nullptr);
        if (std::string(f.hauptstadt) != "A" || f.staedte[0].Hauptstadt == 0) {
            EXPECT_EQ(+m->X_Capital, +h.XPos);
            EXPECT_EQ(+PlayerInfo.AktStadtID, +h.StadtID);
        }
        FreeVec(m);
    }
}

TEST_F(NachDemZug, NoTownLeftEndsTheGame)
{
    Towns({Bei("A", 0, 120, 60, true)});
    vektest::SchreibeTeil(1, 1, {{120, 60, STADT_HEX, FREMDER}});
    EXPECT_FALSE(CheckPlayerTown());
    EXPECT_EQ(+PlayerInfo.Spielstopp, 2u);
    EXPECT_FALSE(vektest::Exists("Data/Cities/A.vek"));
}

}  // namespace
