// The market settlement, grain rot, luxury use and delivery contracts of a
// received turn: goods must neither vanish nor double.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/prefs.h"
#include "store/chunkbytes.h"
#include "world/chunkmachine.h"
#include "world/turnfixture.h"
#include "world/warehouse.h"

namespace {

using namespace turnfix;
using vektest::Exists;
using vektest::ReadBytes;

st_WARE_EXT Ware(UWORD info, ULONG typ, ULONG anzahl, ULONG date = 100)
{
    st_WARE_EXT w{};
    w.Info = info;
    w.WarenTyp = typ;
    w.WarenAnzahl = anzahl;
    w.DateInSec = date;
    w.Herkunft = kIch;
    return w;
}
st_WARE_EXT Verkauf(ULONG typ, ULONG anzahl, ULONG date = 100)
{
    st_WARE_EXT w = Ware(4, typ, anzahl, date);
    w.KaeuferAnzahl = anzahl;
    w.Kaeufer = kAndere;
    return w;
}
st_WARE_EXT Kauf(ULONG typ, ULONG anzahl)
{
    st_WARE_EXT w = Ware(4, typ, anzahl, 300);
    w.Herkunft = kAndere;
    w.Kaeufer = kIch;
    w.KaeuferAnzahl = anzahl;
    w.KaeuferPreis = 12;
    return w;
}

Bytes WareChunk(const std::vector<st_WARE_EXT> &w)
{
    st_WARE h{};
    h.AnzWaren = (UWORD)w.size();
    return MakeChunk(CN_WARE, h, w);
}
void WriteWareFile(const std::vector<st_WARE_EXT> &w) { ASSERT_TRUE(SaveChunk2File(WAREN_FILE, WareChunk(w).data())); }
std::vector<st_WARE_EXT> WareFile() { return Entries<st_WARE, st_WARE_EXT>(CN_WARE, WAREN_FILE); }

// Wares in the order of the file, as (Info, type, amount).
std::vector<std::tuple<int, ULONG, ULONG>> Brief(const std::vector<st_WARE_EXT> &w)
{
    std::vector<std::tuple<int, ULONG, ULONG>> v;
    for (const auto &x : w) v.emplace_back((int)x.Info, (ULONG)x.WarenTyp, (ULONG)x.WarenAnzahl);
    return v;
}
using Rows = std::vector<std::tuple<int, ULONG, ULONG>>;

class Market : public ::testing::Test {
protected:
    GameDir dir;
    void SetUp() override { PlayerInfo.TurnTime = 1000; }
};

TEST_F(Market, ASaleUsesTheOffersOfItsTurnInOrder)
{
    WriteWareFile({Ware(0, 7, 20), Ware(0, 7, 20), Ware(0, 7, 50, 200)});
    Put(WareChunk({Verkauf(7, 30)}), POOL_IN);
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_WARE), 1), 1);
    EXPECT_EQ(Brief(WareFile()), (Rows{{0, 7, 10}, {4, 7, 30}, {0, 7, 50}}));
}

// The file after a settlement, byte for byte (big-endian records).
TEST_F(Market, WareFileAfterSettlementByteForByte)
{
    WriteWareFile({Ware(0, 7, 20), Ware(0, 7, 20)});
    Put(WareChunk({Verkauf(7, 30)}), POOL_IN);
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_WARE), 1), 1);
    using namespace chunkbytes;
    Bytes p;
    Put16(p, 2);
    auto rec = [&](uint16_t info, uint32_t anzahl, uint32_t kaeufer, uint32_t kAnzahl) {
        Put16(p, info);
        Put32(p, kIch);
        Put32(p, 7);
        Put32(p, anzahl);
        Put32(p, 0);
        Put32(p, 100);
        Put32(p, kaeufer);
        Put32(p, kAnzahl);
        Put32(p, 0);
        Put16(p, 0);
    };
    rec(0, 10, 0, 0);
    rec(4, 30, kAndere, 30);
    EXPECT_EQ(ReadBytes(WAREN_FILE), FileChunk("WARE", "V001", p));
}

TEST_F(Market, UncoveredSalesComeFromStockOrTheGranary)
{
    st_KORN k{};
    k.Kornlager = 100;
    Put(MakeChunk(CN_KORN, k), POOL_IN);
    WriteWareFile({Ware(0, 7, 20)});
    Put(WareChunk({Verkauf(7, 30), Ware(5, 7, 50), Verkauf(8, 30), Ware(5, 8, 30), Verkauf(0, 30, 150),
                   Verkauf(0, 500, 160)}),
        POOL_IN);
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_WARE), 1), 1);
    EXPECT_EQ(Brief(WareFile()), (Rows{{4, 7, 30}, {4, 8, 30}, {5, 7, 40}, {4, 0, 30}, {4, 0, 500}}));
    EXPECT_EQ(+Load<st_KORN>(CN_KORN, POOL_IN).Kornlager, 0u);  // 100 - 30, then 70 short of 500
}

TEST_F(Market, PurchasesJoinTheStock)
{
    Put(WareChunk({Kauf(5, 12), Ware(5, 6, 10), Kauf(6, 5), Kauf(0, 9), Kauf(9, 0), Ware(2, 6, 3)}), POOL_IN);
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_WARE), 1), 1);
    const auto w = WareFile();
    ASSERT_EQ(Brief(w), (Rows{{5, 6, 15}, {5, 5, 12}}));
    EXPECT_EQ(+w[1].Herkunft, kIch);
    EXPECT_EQ(+w[1].Kaeufer, 0u);
    EXPECT_EQ(+w[1].KaeuferAnzahl, 0u);
    EXPECT_EQ(+w[1].KaeuferPreis, 0u);
}

TEST_F(Market, WithoutSettlementOnlyOffersBidsAndSalesStay)
{
    WriteWareFile({Ware(0, 7, 20), Ware(1, 7, 5), Ware(0, 7, 20, 1000), Ware(5, 7, 9)});
    Put(WareChunk({Ware(5, 3, 1), Ware(2, 3, 1), Verkauf(9, 4)}), POOL_IN);
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_WARE), 0), 1);
    EXPECT_EQ(Brief(WareFile()), (Rows{{0, 7, 20}, {1, 7, 5}, {4, 9, 4}}));
}

// The first roll after this seed is the given number.
unsigned SeedRolling(ULONG roll)
{
    for (unsigned s = 1;; ++s) {
        std::srand(s);
        if ((ULONG)(std::rand() % 6) == roll) return s;
    }
}

TEST_F(Market, OfferedGrainRotsByTheDice)
{
    Put(MakeChunk(CN_KORN, st_KORN{}), POOL_IN);
    WriteWareFile({Ware(0, 0, 200)});
    WuerfelSeed(SeedRolling(2));
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_WARE), 1), 1);
    EXPECT_EQ(+Load<st_KORN>(CN_KORN, POOL_IN).KornVerrottet, 6u);
    EXPECT_EQ(Brief(WareFile()), (Rows{{0, 0, 194}}));

    WriteWareFile({Ware(0, 0, 4000000000u)});  // the product needs more than 32 bits
    WuerfelSeed(SeedRolling(5));
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_WARE), 1), 1);
    EXPECT_EQ(+Load<st_KORN>(CN_KORN, POOL_IN).KornVerrottet, 240000000u);
}

class Luxury : public Market {
protected:
    // Runs the market with a stock of 100 of luxury line 18 (ware 97, need 10
    // at 15,000 people) and the given assignment; the realm's record after it.
    st_LAND Run(ULONG assigned, ULONG raw = 0)
    {
        st_LAND land{};
        land.AnzVolk = 15000;
        land.AnzGold = 1000;
        land.FaktorTierHq = 3;
        land.FaktorPflanzHq = -4;
        land.FaktorMineralHq = 5;
        Put(MakeChunk(CN_LAND, land), POOL_IN);
        Put(WareChunk({Ware(5, 97, 100), Ware(5, 1, 100)}), POOL_IN);
        ULONG z[LUXUS_LINIEN] = {};
        z[18] = assigned;
        z[0] = raw;
        vektest::WriteBytes(LUXUS_FILE, Bytes((UBYTE *)z, (UBYTE *)z + sizeof z));
        EXPECT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_WARE), 1), 1);
        return Load<st_LAND>(CN_LAND, POOL_IN);
    }
};

TEST_F(Luxury, UseAgainstNeedMovesTheLuxuryBalance)
{
    const st_LAND dreifach = Run(30), genau = Run(10), knapp = Run(9);
    EXPECT_EQ(dreifach.Luxusgueter - genau.Luxusgueter, 1);  // +2 against +1
    EXPECT_EQ(genau.Luxusgueter - knapp.Luxusgueter, 2);     // +1 against -1
    const ULONG preis = GetWarenPreis(97, 100, 0, 0, 0);
    EXPECT_EQ(+knapp.AnzGold, 1000 + 9 * preis);
    EXPECT_EQ(Brief(WareFile()), (Rows{{5, 97, 91}, {5, 1, 100}}));
    ULONG v = 0;
    ASSERT_TRUE(CheckPrefsRead(22, &v));
    EXPECT_EQ((LONG)(WORD)v, -4);
}

TEST_F(Luxury, RawSourcesRaiseTheirFactorUnlessSwitchedOff)
{
    Run(0, 50);
    ULONG v = 0;
    ASSERT_TRUE(CheckPrefsRead(21, &v));
    EXPECT_EQ(v, 50 / 10 + 3u);
    EXPECT_EQ(Brief(WareFile()), (Rows{{5, 97, 100}, {5, 1, 50}}));

    ASSERT_TRUE(CheckPrefsWrite(5, 1));
    Run(0, 50);
    EXPECT_EQ(Brief(WareFile()), (Rows{{5, 97, 100}, {5, 1, 100}}));
}

TEST_F(Luxury, AnAssignmentNotBelowTheStockUsesItUpWithoutPay)
{
    const st_LAND land = Run(100);
    EXPECT_EQ(Brief(WareFile()), (Rows{{5, 1, 100}}));
    EXPECT_EQ(+land.AnzGold, 1000u);  // LAND not rewritten
}

TEST_F(Luxury, ADamagedAssignmentFileCountsAsMissing)
{
    st_LAND land{};
    land.AnzVolk = 15000;
    land.AnzGold = 1000;
    Put(MakeChunk(CN_LAND, land), POOL_IN);
    Put(WareChunk({Ware(5, 97, 100)}), POOL_IN);
    vektest::WriteBytes(LUXUS_FILE, Bytes(75, 0xFF));
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_WARE), 1), 1);
    EXPECT_EQ(Brief(WareFile()), (Rows{{5, 97, 100}}));
    EXPECT_EQ(+Load<st_LAND>(CN_LAND, POOL_IN).AnzGold, 1000u);
}

// ---- contracts ----

st_VERT_EXT Vertrag(UWORD art, ULONG anbieter, ULONG partner, ULONG typ, ULONG anzahl)
{
    st_VERT_EXT v{};
    v.VertragsArt = art;
    v.AnbieterID = anbieter;
    v.PartnerID = partner;
    v.WarenTyp = typ;
    v.Anzahl = anzahl;
    v.Identifier = 4711;
    v.Preis = 3;
    return v;
}
void PutVert(const std::vector<st_VERT_EXT> &v)
{
    st_VERT h{};
    h.Anzahl = (ULONG)v.size();
    Put(MakeChunk(CN_VERT, h, v), POOL_IN);
}
std::vector<st_VERT_EXT> Returned() { return Entries<st_VERT, st_VERT_EXT>(CN_VERT, POOL_OUT); }

TEST_F(Market, ADeliveryTakesTheWholeAmountFromSeveralStocksOrNothing)
{
    struct Case {
        ULONG anzahl;
        Rows after;
        size_t returned;
    };
    const Case cases[] = {
        {30, {{0, 8, 99}, {5, 8, 5}, {5, 9, 1}}, 1},
        {35, {{0, 8, 99}, {5, 9, 1}}, 1},
        {20, {{0, 8, 99}, {5, 8, 15}, {5, 9, 1}}, 1},
        {36, {{0, 8, 99}, {5, 8, 20}, {5, 8, 15}, {5, 9, 1}}, 0},
    };
    for (const Case &c : cases) {
        GameDir d;
        WriteWareFile({Ware(0, 8, 99), Ware(5, 8, 20), Ware(5, 8, 15), Ware(5, 9, 1)});
        PutVert({Vertrag(4, kIch, kAndere, 8, c.anzahl)});
        EXPECT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_VERT), 0), 1);
        EXPECT_EQ(Brief(WareFile()), c.after) << c.anzahl;
        const auto r = Returned();
        ASSERT_EQ(r.size(), c.returned) << c.anzahl;
        if (!r.empty()) {
            EXPECT_EQ(+r[0].VertragsArt, 5);
            EXPECT_EQ(+r[0].Status, 0);
        }
    }
}

TEST_F(Market, GrainDeliveriesAreMarkedAndTheLastStockTakenEmptiesTheFile)
{
    WriteWareFile({Ware(5, 8, 20)});
    PutVert({Vertrag(4, kIch, kAndere, 0, 500), Vertrag(4, kIch, kAndere, 8, 20)});
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_VERT), 0), 1);
    EXPECT_EQ(Returned().size(), 2u);
    EXPECT_FALSE(Exists(WAREN_FILE));
}

// The VERT chunk of a pool file as it stands there (file order), or nothing.
Bytes FileVert(const char *pool)
{
    const Bytes b = ReadBytes(pool);
    for (size_t pos = 0; pos + 12 <= b.size();) {
        const size_t len = (size_t)b[pos + 8] << 24 | (size_t)b[pos + 9] << 16 | (size_t)b[pos + 10] << 8 | b[pos + 11];
        if (pos + 12 + len > b.size()) break;
        if (std::memcmp(&b[pos], "VERT", 4) == 0) return Bytes(b.begin() + (long)pos, b.begin() + (long)(pos + 12 + len));
        pos += 12 + len;
    }
    return {};
}

// A delivered contract goes back to the server marked by its kind, 5; the
// server's own fields, the status among them, go back as they came.
TEST_F(Market, DeliveredContractsGoBackMarkedByTheirKind)
{
    // Written by hand from the record layout: kind, supplier, partner, ware,
    // identifier, status, duration, amount, price, state, all big-endian.
    static const uint8_t golden[] = {
        'V', 'E', 'R', 'T', 'V', '0', '0', '1', 0, 0, 0, 68, 0, 0, 0, 2,
        // grain: 500 units
        0, 5, 0, 0, 0, 7, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0, 0x12, 0x67, 0, 2, 0, 6, 0, 0, 0x01, 0xF4, 0, 0, 0, 3, 0, 1,
        // ware 8: 20 units, the whole stock
        0, 5, 0, 0, 0, 7, 0, 0, 0, 9, 0, 0, 0, 8, 0, 0, 0x12, 0x67, 0, 2, 0, 6, 0, 0, 0, 20, 0, 0, 0, 3, 0, 1,
    };
    static_assert(sizeof golden == 16 + 2 * 32);
    WriteWareFile({Ware(5, 8, 20)});
    std::vector<st_VERT_EXT> v = {Vertrag(4, kIch, kAndere, 0, 500), Vertrag(4, kIch, kAndere, 8, 20),
                                  Vertrag(4, kIch, kAndere, 9, 1)};  // no stock of 9: not delivered
    for (st_VERT_EXT &c : v) {
        c.Status = 2;
        c.Dauer = 6;
        c.Zustand = 1;
    }
    PutVert(v);
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_VERT), 0), 1);
    EXPECT_EQ(FileVert(POOL_OUT), Bytes(golden, golden + sizeof golden));
}

TEST_F(Market, ReceiptsJoinTheStock)
{
    WriteWareFile({Ware(5, 8, 20)});
    PutVert({Vertrag(4, kAndere, kIch, 8, 7), Vertrag(4, kAndere, kIch, 9, 4), Vertrag(4, kAndere, kIch, 0, 4)});
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_VERT), 0), 1);
    const auto w = WareFile();
    ASSERT_EQ(Brief(w), (Rows{{5, 8, 27}, {5, 9, 4}}));
    EXPECT_EQ(+w[1].Herkunft, kAndere);
    EXPECT_EQ(+w[1].DateInSec, 4711u);
    EXPECT_EQ(+w[1].Preis, 3u);
    EXPECT_TRUE(Returned().empty());
}

TEST_F(Market, ForeignContractsFailAndVassalsSetTheTithe)
{
    Put(MakeChunk(CN_TAXE, st_TAXE{}), POOL_IN);
    PutVert({Vertrag(4, 3, 4, 8, 1), Vertrag(8, 41, kIch, 0, 0)});
    EXPECT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_VERT), 0), 0);
    EXPECT_EQ(+Load<st_TAXE>(CN_TAXE, POOL_OUT).ZehnteID, 42u);
    EXPECT_FALSE(Exists(WAREN_FILE));
}

}  // namespace
