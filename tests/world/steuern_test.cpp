// Taxes: the scale, the forecasts, the tithe, typed numbers and the TAXE
// order byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "world/steuern.h"
#include "world/turnfixture.h"

namespace {

using namespace turnfix;

template <class T> T V(T v) { return v; }

TEST(Steuern, ScaleAndForecasts)
{
    struct {
        LONG x;
        ULONG rate;
    } klicks[] = {{200, 0}, {433, 100}, {316, 49}, {199, 0}, {600, 100}};
    for (const auto &k : klicks) EXPECT_EQ(GrundsteuerVonX(k.x), k.rate) << k.x;
    EXPECT_EQ(GrundsteuerX(0), 200);
    EXPECT_EQ(GrundsteuerX(100), 433);
    EXPECT_EQ(GrundsteuerX(50), 316);
    EXPECT_EQ(GrundsteuerErtrag(20000, 20), 8000u);
    EXPECT_EQ(GrundsteuerErtrag(30000000, 100), 60000000u);
    EXPECT_EQ(GrundsteuerErtrag(0xFFFFFFFF, 100), 0xFFFFFFFFu);
    const ULONG justiz[4] = {700, 500, 300, 100};
    for (UWORD j = 0; j < 4; ++j) EXPECT_EQ(JustizVorschau(800, j, 9), justiz[j]);
    EXPECT_EQ(JustizVorschau(800, 4, 9), 9u);
    EXPECT_EQ(JustizVorschau(0xFFFFFFFF, 0, 0), 3758096383u);
    EXPECT_EQ(NaechsteJustiz(0), 1);
    EXPECT_EQ(NaechsteJustiz(3), 0);
    EXPECT_EQ(ZollVorschau(800, 3), 24u);
    EXPECT_EQ(ZollVorschau(0xFFFFFFFF, 0x7FFFFFFF), 0xFFFFFFFFu);
    LokalDataSteuernScreen d{};
    d.AnzTierHq = 8, d.AnzPflanzHq = 10, d.AnzMineralHq = 6;
    d.Taxe.HQTierGold = 2, d.Taxe.HQPflanzeGold = 3, d.Taxe.HQMineralGold = 0xFFFF;
    EXPECT_EQ(HQVorschau(&d), 16u + 30u + 6u * 0xFFFFu);
}

TEST(Steuern, TitheAndTypedNumbers)
{
    st_TAXE t = LeereTaxe();
    t.JustizLast = 100, t.GrundsteuerLast = 200, t.ZollLast = 300, t.HQLast = 400, t.KirchensteuerLast = 500;
    t.ZehnteEinnahme = 600, t.Markthallen = 700;
    EXPECT_EQ(ZehnteGewinn(-1800, 0, &t), 1000);
    EXPECT_EQ(ZehnteGewinn(0, 4000, &t), -1200);
    t.Markthallen = 0xFFFFFFFF;
    EXPECT_EQ(ZehnteGewinn(0x7FFFFFFF, 0, &t), 0x7FFFFFFF);
    EXPECT_EQ(ZehnteZahlung(10, 1000), 100u);
    EXPECT_EQ(ZehnteZahlung(100, 0), 0u);
    EXPECT_EQ(ZehnteZahlung(100, -50), 0u);
    EXPECT_EQ(ZehnteZahlung(100, 0x7FFFFFFF), 0x7FFFFFFFu);
    EXPECT_EQ(SteuerZahl("-3"), 0u);
    EXPECT_EQ(SteuerZahl("77"), 77u);
    EXPECT_EQ(SteuerZahl("99999999999999999999"), 0x7FFFFFFFu);
    EXPECT_EQ(SteuerZahl(""), 0u);
    EXPECT_EQ(ZehnteProzentVon("300"), 100);
    EXPECT_EQ(ZehnteProzentVon("256"), 100);
    EXPECT_EQ(ZehnteProzentVon("10"), 10);
}

TEST(Steuern, NoTaxeAnywhereWritesAZeroOrder)
{
    GameDir dir;
    LokalDataSteuernScreen d;
    ASSERT_TRUE(ReadSteuernScreenData(&d));
    ASSERT_TRUE(WriteSteuernScreenData(&d));
    Bytes golden = {0x54, 0x41, 0x58, 0x45, 0x56, 0x30, 0x30, 0x31, 0x00, 0x00, 0x00, 0x47};
    golden.resize(83, 0);
    const Bytes pool = vektest::ReadBytes(POOL_OUT);
    EXPECT_NE(std::search(pool.begin(), pool.end(), golden.begin(), golden.end()), pool.end());
}

// A received TAXE with a distinct value in every field comes back unchanged,
// but for the one the player changed.
TEST(Steuern, OrderKeepsWhatWasRead)
{
    GameDir dir;
    st_TAXE t = LeereTaxe();
    t.Grundsteuer = 20, t.Justizia = 1, t.JustizLast = 3, t.Zoll100 = 2, t.ZollLast = 5, t.HQPflanzeGold = 6;
    t.HQTierGold = 7, t.HQMineralGold = 8, t.HQLast = 9, t.GrundsteuerLast = 10, t.Kirchensteuer = 11;
    t.KirchensteuerLast = 12, t.KirchenPunkte = 13, t.Markthallen = 14, t.Marktangebote = 15, t.Schiffskosten = 16;
    t.ZehnteProzent = 10, t.ZehnteID = 9, t.ZehnteEinnahme = 19, t.ZehnteAusgabe = 20, t.Spezikosten = 21;
    Put(MakeChunk(CN_TAXE, t), POOL_IN);
    LokalDataSteuernScreen d;
    ASSERT_TRUE(ReadSteuernScreenData(&d));
    d.Taxe.Justizia = NaechsteJustiz(d.Taxe.Justizia);
    ASSERT_TRUE(WriteSteuernScreenData(&d));
    void *c = LoadChunk2Mem(ID_TAXE, POOL_OUT);
    ASSERT_NE(c, nullptr);
    st_TAXE w;
    std::memcpy(&w, c, sizeof w);
    FreeVec(c);
    t.Justizia = 2;
    EXPECT_EQ(std::memcmp(&w, &t, sizeof t), 0);
    // The order comes first on the next visit.
    ASSERT_TRUE(ReadSteuernScreenData(&d));
    EXPECT_EQ(V(d.Taxe.Justizia), 2);
}

TEST(Steuern, HostileTaxe)
{
    GameDir dir;
    st_TAXE t = LeereTaxe();
    t.Justizia = 7, t.ZehnteProzent = 200, t.Grundsteuer = 0xFFFFFFFF;
    Bytes c = MakeChunk(CN_TAXE, t);
    c.resize(c.size() - 1);
    c.back() = 0;  // one byte short: Length 70
    st_ChunkHead h;
    std::memcpy(&h, c.data(), sizeof h);
    h.Length = 70;
    std::memcpy(c.data(), &h, sizeof h);
    Put(c, POOL_IN);
    LokalDataSteuernScreen d;
    ASSERT_TRUE(ReadSteuernScreenData(&d));
    EXPECT_EQ(V(d.Taxe.Justizia), 0);
    EXPECT_EQ(V(d.Taxe.ZehnteProzent), 100);
    EXPECT_EQ(V(d.Taxe.Head.Length), 71u);
    EXPECT_EQ(V(d.Taxe.Spezikosten), 0u);
    ASSERT_TRUE(WriteSteuernScreenData(&d));
    void *w = LoadChunk2Mem(ID_TAXE, POOL_OUT);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(((st_ChunkHead *)w)->Length, 71u);
    FreeVec(w);
}

}  // namespace
