// The turn: the answers' selection, the new-quarter check, the statistics
// file, the goods filter, the upload's pool and send, and the download's
// steps with a recording chunk machine.
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

#include "net/net.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/store.h"
#include "transportfixture.h"

using namespace turntest;
using vektest::ScratchDir;
namespace fs = std::filesystem;

namespace {

ULONG Pref(UWORD id)
{
    ULONG v = 0;
    EXPECT_TRUE(CheckPrefsRead(id, &v));
    return v;
}

st_WARE_EXT Ware(UWORD info, ULONG buyer = 0, ULONG amount = 0, ULONG type = 3)
{
    st_WARE_EXT w{};
    w.Info = info;
    w.Kaeufer = buyer;
    w.KaeuferAnzahl = amount;
    w.WarenTyp = type;
    w.WarenAnzahl = 10;
    return w;
}


}  // namespace

TEST(PlanTurns, DuplicatesOutdatedAndTheLast)
{
    using A = std::vector<TurnAction>;
    struct Row {
        const char *name;
        std::vector<ULONG> keys;
        ULONG applied;
        A plan;
    } rows[] = {
        {"one", {1000000}, 0, {TURN_APPLY_LAST}},
        {"same-day pair", {3439152000u, 3439152000u + 3600}, 0, {TURN_DUPLICATE, TURN_APPLY_LAST}},
        {"the two dates of the turn of the year", {3439151999u, 3439152000u}, 0, {TURN_APPLY, TURN_APPLY_LAST}},
        {"three days, the first outdated", {1000000, 1100000, 1200000}, 1050000,
         {TURN_OUTDATED, TURN_APPLY, TURN_APPLY_LAST}},
        {"the last one already applied", {1000000, 1100000}, 1100000, {TURN_OUTDATED, TURN_OUTDATED}},
        {"the last one older than applied", {1000000, 1200000}, 1100000, {TURN_OUTDATED, TURN_APPLY_LAST}},
        {"an outdated last leaves the mode to the one before", {1000000, 1200000}, 1200000 - 1,
         {TURN_OUTDATED, TURN_APPLY_LAST}},
        {"none", {}, 0, {}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        A plan(r.keys.size());
        PlanTurns(r.keys.data(), (ULONG)r.keys.size(), r.applied, plan.data());
        EXPECT_EQ(plan, r.plan);
    }
}

TEST(NeuerSpielzug, LaterQuarterRecordedOnce)
{
    ScratchDir dir;
    Fakes fakes;
    EXPECT_TRUE(NeuerSpielzug());  // no received pool
    PutKornLand(POOL_IN, 1203, 1);
    CheckPrefsWrite(2, 1202);
    CheckPrefsWrite(3, 4);
    CheckPrefsWrite(33, 7);
    CheckPrefsWrite(35, 0);
    EXPECT_TRUE(NeuerSpielzug());
    EXPECT_EQ(Pref(2), 1203u);
    EXPECT_EQ(Pref(3), 1u);
    EXPECT_EQ(Pref(33), 8u);
    EXPECT_EQ(Pref(35), 1u);
    EXPECT_EQ(PlayerInfo.Quartal, 1);
    EXPECT_FALSE(NeuerSpielzug());
    EXPECT_EQ(Pref(33), 8u);
    RemChunkPool(ID_KORN, POOL_IN);
    EXPECT_FALSE(NeuerSpielzug());
}

TEST(SaveStatistikData, OneRecordPerQuarterAndNoTrustInTheFile)
{
    ScratchDir dir;
    Fakes fakes;
    EXPECT_FALSE(SaveStatistikData());  // no received pool
    EXPECT_FALSE(vektest::Exists("Data/Statistikdaten.vek"));
    PutKornLand(POOL_IN, 1203, 1, 500);
    ASSERT_TRUE(SaveStatistikData());
    auto b = vektest::ReadBytes("Data/Statistikdaten.vek");
    ASSERT_EQ(b.size(), 50u);
    EXPECT_EQ(vektest::Bytes(b.begin(), b.begin() + 10), (vektest::Bytes{1, 0, 0, 0, 0xCD, 0x12, 10, 0, 0, 0}));
    // Korn, Gold, Volk, Einwanderer, Auswanderer, Geborene, Gestorbene, the three Hq values
    const ULONG values[10] = {7001, 500, 1000, 11, 12, 13, 14, 21, 22, 23};
    for (int i = 0; i < 10; ++i) {
        ULONG v = b[10 + 4 * i] | b[11 + 4 * i] << 8 | b[12 + 4 * i] << 16 | (ULONG)b[13 + 4 * i] << 24;
        EXPECT_EQ(v, values[i]) << i;
    }
    ASSERT_TRUE(SaveStatistikData());  // the same quarter: nothing written
    EXPECT_EQ(vektest::ReadBytes("Data/Statistikdaten.vek"), b);
    DeleteFile(POOL_IN);
    PutKornLand(POOL_IN, 1203, 2, 600);
    ASSERT_TRUE(SaveStatistikData());
    auto c = vektest::ReadBytes("Data/Statistikdaten.vek");
    ASSERT_EQ(c.size(), 90u);
    EXPECT_EQ(c[0], 2);
    EXPECT_EQ(c[4], 0xCE);
    EXPECT_EQ(vektest::Bytes(c.begin() + 10, c.begin() + 50), vektest::Bytes(b.begin() + 10, b.end()));

    struct Row {
        const char *name;
        vektest::Bytes file;
        bool ok;
        size_t size;  // after the save
    } rows[] = {
        {"count above the records: only whole ones count",
         vektest::Bytes{9, 0, 0, 0, 0xCD, 0x12, 10, 0, 0, 0, 1, 2, 3}, true, 50},
        {"values per record other than ten", vektest::Bytes{1, 0, 0, 0, 0xCD, 0x12, 9, 0, 0, 0}, false, 10},
        {"header cut short", vektest::Bytes{1, 0, 0}, false, 3},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        vektest::WriteBytes("Data/Statistikdaten.vek", r.file);
        EXPECT_EQ(SaveStatistikData(), r.ok);
        EXPECT_EQ(vektest::ReadBytes("Data/Statistikdaten.vek").size(), r.size);
    }
}

TEST(ResidenzUploadWarenCheck, OffersStockAndOwnBidsOnly)
{
    ScratchDir dir;
    Fakes fakes;
    struct Row {
        const char *name;
        std::vector<st_WARE_EXT> wares;
        std::vector<std::pair<UWORD, ULONG>> sent;  // Info and WarenTyp of the WARE chunk; empty: no chunk
    } rows[] = {
        {"offers and stock stay", {Ware(0, 0, 0, 1), Ware(1, 0, 0, 2), Ware(5, 0, 0, 3)}, {{0, 1}, {1, 2}, {5, 3}}},
        {"own bid of 3 goes out as an offer", {Ware(2, 1234, 3, 4)}, {{1, 4}}},
        {"own bid of 0 is dropped", {Ware(2, 1234, 0, 4), Ware(5, 0, 0, 6)}, {{5, 6}}},
        {"another player's bid only: no chunk", {Ware(2, 99, 3, 4)}, {}},
        {"other states are dropped", {Ware(3), Ware(4), Ware(6, 0, 0, 7), Ware(1, 0, 0, 8)}, {{1, 8}}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        DeleteFile("pool");
        PutKornLand("pool", 1203, 1);
        PutWares(r.wares);
        EXPECT_EQ(ResidenzUploadWarenCheck("pool"), 1);
        auto *ware = (st_WARE *)LoadChunk2Mem(ID_WARE, "pool");
        std::vector<std::pair<UWORD, ULONG>> got;
        if (ware) {
            for (UWORD i = 0; i < ware->AnzWaren; ++i) {
                st_WARE_EXT w;
                std::memcpy(&w, (UBYTE *)ware + 14 + 36 * i, sizeof w);
                got.push_back({(UWORD)w.Info, (ULONG)w.WarenTyp});  // copies: the record is packed
            }
            FreeVec(ware);
        }
        EXPECT_EQ(got, r.sent);
    }
    DeleteFile("Data/WarenChunk.vek");
    EXPECT_EQ(ResidenzUploadWarenCheck("pool"), 1);  // no goods file: nothing to add
}
