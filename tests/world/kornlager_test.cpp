// Granary numbers: capacity, 1 % moves, typed values that keep the total,
// bars and chamber bands, the losses and the KORN order byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "world/kornlager.h"
#include "world/turnfixture.h"

namespace {

using namespace turnfix;

template <class T> T V(T v) { return v; }

LokaleDatenKornLager Stand(LONG s, LONG l, LONG p, LONG kap)
{
    LokaleDatenKornLager d{};
    d.AktMenge_KornSpeicher[KORN_SAAT] = s;
    d.AktMenge_KornSpeicher[KORN_LAGER] = l;
    d.AktMenge_KornSpeicher[KORN_BEV] = p;
    for (LONG &m : d.MaxMenge_KornSpeicher) m = kap;
    d.TransferKorn = -1;
    return d;
}

st_KORN DemoKorn()
{
    st_KORN k{};
    k.Head = {ID_KORN, VERSION_V001, 52};
    k.Jahr = 1, k.Quartal = 1, k.Saatlager = 5000, k.Kornlager = 20000, k.BevLager = 10000;
    k.AnzKornlager = 1, k.AnzMuehlen = 1, k.HighErnte = 20000, k.Wetter = 2, k.MaxHarvest = 12000;
    return k;
}

TEST(Kornlager, ArrowsMoveOnePercentOrAllThatIsLeft)
{
    struct Fall {
        const char *name;
        int pfeil;
        LONG s, l, p;
        LONG es, el, ep;
    } faelle[] = {
        {"a store under one step gives all", 1, 300, 1000, 0, 0, 1300, 0},
        {"stock to seed", 0, 0, 1000, 0, 400, 600, 0},
        {"seed and people to stock", 2, 500, 0, 100, 100, 500, 0},
        {"stock to seed and people", 3, 0, 500, 0, 400, 0, 100},
        {"stock to people", 4, 0, 1000, 7, 0, 600, 407},
        {"people to stock, target above capacity", 5, 0, 39900, 800, 0, 40300, 400},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        LokaleDatenKornLager d = Stand(f.s, f.l, f.p, 40000);
        KornPfeil(&d, f.pfeil);
        EXPECT_EQ(d.AktMenge_KornSpeicher[0], f.es);
        EXPECT_EQ(d.AktMenge_KornSpeicher[1], f.el);
        EXPECT_EQ(d.AktMenge_KornSpeicher[2], f.ep);
        EXPECT_EQ(d.TransferKorn, -1);
    }
}

TEST(Kornlager, TypedValuesKeepTheTotal)
{
    struct Fall {
        const char *name;
        int speicher;
        LONG s, l, p, v;
        LONG es, el, ep;
    } faelle[] = {
        {"seed above seed and stock", KORN_SAAT, 5000, 20000, 10000, 30000, 25000, 0, 10000},
        {"seed lowered", KORN_SAAT, 5000, 20000, 10000, 1000, 1000, 24000, 10000},
        {"seed negative", KORN_SAAT, 5000, 20000, 10000, -5, 0, 25000, 10000},
        {"people raised", KORN_BEV, 5000, 20000, 10000, 12000, 5000, 18000, 12000},
        {"stock above the total", KORN_LAGER, 5000, 20000, 10000, 40000, 0, 35000, 0},
        {"stock up by an odd step", KORN_LAGER, 10, 10, 10, 15, 8, 15, 7},
        {"stock down by one", KORN_LAGER, 10, 10, 10, 9, 11, 9, 10},
        {"stock up, too little seed", KORN_LAGER, 1, 10, 20, 30, 0, 30, 1},
        {"stock up, too little people", KORN_LAGER, 20, 10, 1, 30, 1, 30, 0},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        LokaleDatenKornLager d = Stand(f.s, f.l, f.p, 40000);
        KornEingabe(&d, f.speicher, f.v);
        EXPECT_EQ(d.AktMenge_KornSpeicher[0], f.es);
        EXPECT_EQ(d.AktMenge_KornSpeicher[1], f.el);
        EXPECT_EQ(d.AktMenge_KornSpeicher[2], f.ep);
    }
    EXPECT_EQ(KornZahl("-5"), 0);
    EXPECT_EQ(KornZahl("99999999999999999999"), KORN_GRENZE);
    EXPECT_EQ(KornZahl("123abc"), 123);
}

TEST(Kornlager, BarsBandsNeedsAndLosses)
{
    EXPECT_EQ(KornKapazitaet(1, 0), 40000);
    EXPECT_EQ(KornKapazitaet(2, 3), 680000);
    EXPECT_EQ(KornKapazitaet(0xFFFFFFFF, 0xFFFF), KORN_GRENZE);
    EXPECT_EQ(KornBalkenOffset(20000, 40000, 115), 58);
    EXPECT_EQ(KornBalkenOffset(20000, 0, 115), 0);
    EXPECT_EQ(KornBalkenOffset(43000, 40000, 115), 0);  // above capacity: top of the box, not above it
    EXPECT_EQ(KornBalkenOffset(-1, 40000, 115), 115);
    EXPECT_EQ(KornBalkenOffset(KORN_GRENZE, KORN_GRENZE, 115), 0);
    EXPECT_EQ(KornBalkenOffset(20000001, 40000000, 115), 58);
    EXPECT_EQ(KornFuellstand(30000, 40000), 75u);
    EXPECT_EQ(KornKammerBand(75), 2);
    EXPECT_EQ(KornFuellstand(30400, 40000), 76u);
    EXPECT_EQ(KornKammerBand(76), 3);
    EXPECT_EQ(KornKammerBand(26), 1);
    EXPECT_EQ(KornKammerBand(25), 0);
    EXPECT_EQ(KornFuellstand(5, 9), 0u);
    EXPECT_EQ(KornBedarfVolk(20000), 30000u);
    EXPECT_EQ(KornBedarfSaat(20000), 3000u);
    EXPECT_EQ(KornBedarfVolk(30000000), 45000000u);
    EXPECT_EQ(KornBedarfVolk(0xFFFFFFFF), 0xFFFFFFFFu);
    EXPECT_EQ(KornAusfall(1000, 0, 77), 900u);
    EXPECT_EQ(KornAusfall(1000, 20, 77), 1100u);
    EXPECT_EQ(KornAusfall(1001, 7, 77), 970u);
    EXPECT_EQ(KornAusfall(0, 7, 77), 77u);
    EXPECT_EQ(KornAusfall(KORN_GRENZE, 20, 0), 2362232011u);
}

std::vector<ULONG> wuerfe;
ULONG Aufgeschrieben(ULONG n)
{
    wuerfe.push_back(n);
    return wuerfe.size() == 1 ? 0 : 20;
}

// The demo's received KORN, nothing moved, throw 0: the order as it lies in the pool.
TEST(Kornlager, OrderOfTheDemoRealmByteForByte)
{
    GameDir dir;
    Put(MakeChunk(CN_KORN, DemoKorn()), POOL_IN);
    st_LAND land{};
    land.AnzVolk = 20000, land.Vertrauen = 250;
    Put(MakeChunk(CN_LAND, land), POOL_IN);
    LokaleDatenKornLager d;
    ASSERT_TRUE(ReadKornLagerData(&d));
    EXPECT_EQ(d.MaxMenge_KornSpeicher[1], 40000);
    EXPECT_EQ(d.Status_Vertrauen, 50u);
    EXPECT_EQ(d.AnzVolk, 20000u);
    EXPECT_EQ(d.Zustand_Ernte, 1u);
    wuerfe.clear();
    KornWuerfel = Aufgeschrieben;
    ASSERT_TRUE(WriteKornLagerData(&d));
    static const UBYTE golden[64] = {
        0x4B, 0x4F, 0x52, 0x4E, 0x56, 0x30, 0x30, 0x31, 0x00, 0x00, 0x00, 0x34, 0x00, 0x00, 0x00, 0x01,
        0x00, 0x01, 0x00, 0x00, 0x13, 0x88, 0x00, 0x00, 0x4E, 0x20, 0x00, 0x00, 0x27, 0x10, 0x00, 0x00,
        0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x4E, 0x20, 0x02, 0x00, 0x00, 0x00, 0x11, 0x94, 0x00, 0x00,
        0x23, 0x28, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2E, 0xE0, 0x00, 0x00, 0x00, 0x00};
    const Bytes pool = vektest::ReadBytes(POOL_OUT);
    const Bytes g(golden, golden + sizeof golden);
    EXPECT_NE(std::search(pool.begin(), pool.end(), g.begin(), g.end()), pool.end());
    // A second Ok throws again: the people's loss now at 110 %.
    KornPfeil(&d, 0);
    ASSERT_TRUE(WriteKornLagerData(&d));
    KornWuerfel = Wuerfel;
    EXPECT_EQ(wuerfe, (std::vector<ULONG>{20, 20}));
    const st_KORN k = Load<st_KORN>(CN_KORN, POOL_OUT);
    EXPECT_EQ(V(k.Saatlager), 5400u);
    EXPECT_EQ(V(k.AusfallSaatlager), 5940u);
    EXPECT_EQ(V(k.AusfallBevLager), 11000u);
    // The next visit reads the order back, with the mills still there.
    LokaleDatenKornLager e;
    ASSERT_TRUE(ReadKornLagerData(&e));
    EXPECT_EQ(e.AktMenge_KornSpeicher[0], 5400);
    EXPECT_EQ(e.AnzMuehlen, 1u);
}

// Contors and rats survive an order: the capacity of the next visit stays.
TEST(Kornlager, OrderCarriesTheFieldsThePlayerCannotChange)
{
    GameDir dir;
    st_KORN k = DemoKorn();
    k.AnzKontore = 2, k.KornFlag = 0x04, k.KornVerrottet = 33, k.Fishes = 44;
    Put(MakeChunk(CN_KORN, k), POOL_IN);
    LokaleDatenKornLager d;
    ASSERT_TRUE(ReadKornLagerData(&d));
    EXPECT_TRUE(d.Status_Ratten);
    EXPECT_EQ(d.Maxwert, 440000);
    ASSERT_TRUE(WriteKornLagerData(&d));
    LokaleDatenKornLager e;
    ASSERT_TRUE(ReadKornLagerData(&e));
    EXPECT_EQ(e.Maxwert, 440000);
    EXPECT_TRUE(e.Status_Ratten);
    const st_KORN w = Load<st_KORN>(CN_KORN, POOL_OUT);
    EXPECT_EQ(V(w.KornVerrottet), 33u);
    EXPECT_EQ(V(w.Fishes), 44u);
    EXPECT_EQ(V(w.MaxHarvest), 12000u);
}

TEST(Kornlager, HostileChunks)
{
    GameDir dir;
    st_KORN k = DemoKorn();
    k.AnzKornlager = 60000, k.Saatlager = 0xFFFFFFF0, k.Kornlager = 0x80000000, k.AnzKontore = 0xFFFF;
    Put(MakeChunk(CN_KORN, k), POOL_IN);
    LokaleDatenKornLager d;
    ASSERT_TRUE(ReadKornLagerData(&d));
    EXPECT_EQ(d.AktMenge_KornSpeicher[0], KORN_GRENZE);
    EXPECT_EQ(d.AktMenge_KornSpeicher[1], KORN_GRENZE);
    EXPECT_EQ(d.Maxwert, KORN_GRENZE);
    KornPfeil(&d, 0);
    EXPECT_EQ(d.AktMenge_KornSpeicher[0], KORN_GRENZE);
    KornEingabe(&d, KORN_LAGER, KORN_GRENZE);
    EXPECT_GE(d.AktMenge_KornSpeicher[0], 0);
    EXPECT_GE(d.AktMenge_KornSpeicher[2], 0);
    EXPECT_EQ(KornBalkenOffset(d.AktMenge_KornSpeicher[1], d.Maxwert, 115), 0);
}

// Nothing at all: a realm without granary reads as empty.
TEST(Kornlager, NoChunkReadsAsEmpty)
{
    GameDir dir;
    LokaleDatenKornLager d;
    ASSERT_TRUE(ReadKornLagerData(&d));
    EXPECT_EQ(d.Maxwert, 0);
    KornPfeil(&d, 3);
    EXPECT_EQ(d.AktMenge_KornSpeicher[1], 0);
}

}  // namespace
