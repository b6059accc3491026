// The building screen on the demo set at 8 and 32 bits, by pushed clicks:
// what Ok writes byte for byte, that Exit writes nothing, an order of a type
// the town cannot have, the site listing and the demolition dialog.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/demoscreen.h"
#include "common/scriptinput.h"
#include "common/testutil.h"
#include "platform/catalog.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/store.h"
#include "town/bauscreen.h"
#include "town/town.h"
#include "ui/requester.h"
#include "ui/screendat.h"
#include "world/bauen.h"
#include "world/warehouse.h"

using namespace vektest;

namespace {

std::vector<std::string> said, asked, texts, chosen;
std::vector<std::string> chooseLines;
LONG chooseAnswer = -1;
const char *numberAnswer = nullptr;

// A packed record field read by value (it may lie unaligned).
template <class T> T V(T v) { return v; }

ULONG DiceZero(ULONG) { return 0; }

const char *kTown = "Data/Cities/Demoburg.vek";

class BauBildschirm : public DemoScreenTest {
protected:
    BauDialoge alt = BauDialogHooks;
    st_PlayerInfo altPlayer = PlayerInfo;
    std::map<std::string, std::pair<LONG, LONG>> gadgets;

    void SetUp() override
    {
        DemoScreenTest::SetUp();
        said.clear(), asked.clear(), texts.clear(), chooseLines.clear();
        chooseAnswer = -1;
        numberAnswer = nullptr;
        BauDialogHooks = {[](const char *t) { said.push_back(t); },
                          [](const char *t) { asked.push_back(t); return (LONG)0; },
                          [](const char *t) { texts.push_back(t); return (LONG)1; },
                          [](const char *heading, const char *lines, UWORD n, const char *) {
                              chosen.push_back(heading);
                              for (UWORD i = 0; i < n; ++i) chooseLines.push_back(lines + i * REQ_LINE_SIZE);
                              return chooseAnswer;
                          },
                          [](char *buffer, const char *, const char *) -> char * {
                              if (!numberAnswer) return nullptr;
                              std::strcpy(buffer, numberAnswer);
                              return buffer;
                          }};
        BauWuerfel = DiceZero;
        PlayerInfo.AktStadtID = 0;
        gadgets = GadgetCentres("./Data/screendat/Bau.dat");
        ASSERT_EQ(gadgets.size(), 11u);
    }
    void TearDown() override
    {
        BauDialogHooks = alt;
        BauWuerfel = Wuerfel;
        PlayerInfo = altPlayer;
        DemoScreenTest::TearDown();
    }
    void Click(const std::string &code)
    {
        auto it = gadgets.find(code);
        ASSERT_NE(it, gadgets.end()) << code;
        PushClick(it->second.first, it->second.second);
    }
    // The files an Ok may replace.
    std::vector<Bytes> Stand() { return {ReadBytes(POOL_OUT), ReadBytes(kTown), ReadBytes(WAREN_FILE)}; }
};

TEST_P(BauBildschirm, ExitAndEscapeWriteNothing)
{
    const std::vector<Bytes> vorher = Stand();
    // An order, a demolition, then Exit: all of it forgotten.
    chooseAnswer = 0;
    numberAnswer = "1";
    Click("OK00");
    Click("ABRI");
    Click("EXIT");
    EXPECT_EQ(BauScreen(), 39);
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(Stand(), vorher);
    PushEscape();
    EXPECT_EQ(BauScreen(), 39);
    EXPECT_EQ(Stand(), vorher);
}

// One granary in Demoburg at trust 250 in year 1, quarter 1, dice 0.
TEST_P(BauBildschirm, OkWritesTheOrderGoldAndStock)
{
    Click("OK00");
    Click("OKOK");
    EXPECT_EQ(BauScreen(), 39);
    EXPECT_EQ(asked, std::vector<std::string>{GetString(&_VEK_BAUSCREEN_CHIEFMESSAGE)});
    EXPECT_TRUE(said.empty());
    auto *baue = (UBYTE *)LoadChunk2Mem(ID_BAUE, POOL_OUT);
    ASSERT_NE(baue, nullptr);
    st_BAUE_EXT order;
    std::memcpy(&order, baue + sizeof(st_BAUE), sizeof order);
    EXPECT_EQ(GetChunkEntryCount(baue), 1u);
    FreeVec(baue);
    EXPECT_EQ(V(order.GebID), 0);
    EXPECT_EQ(V(order.Jahr), 1);
    EXPECT_EQ(V(order.Quartal), 1);
    EXPECT_EQ(V(order.Restbauzeit), 2);
    EXPECT_EQ(V(order.Preis), 2985u);
    EXPECT_EQ(V(order.Betriebskosten), 150);
    EXPECT_EQ(V(order.Stadt), 0);
    // The chunk as it lies in the pool.
    static const UBYTE golden[] = {0x42, 0x41, 0x55, 0x45, 0x56, 0x30, 0x30, 0x31, 0x00, 0x00, 0x00, 0x12,
                                   0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x02, 0x00, 0x00,
                                   0x0B, 0xA9, 0x00, 0x96, 0x00, 0x00};
    const Bytes pool = ReadBytes(POOL_OUT);
    const Bytes g(golden, golden + sizeof golden);
    EXPECT_NE(std::search(pool.begin(), pool.end(), g.begin(), g.end()), pool.end());
    auto *land = (st_LAND *)LoadChunk2Mem(ID_LAND, POOL_OUT);
    ASSERT_NE(land, nullptr);
    EXPECT_EQ(V(land->AnzGold), 47015u);
    FreeVec(land);
    auto *ware = (st_WARE *)LoadChunk2Mem(ID_WARE, WAREN_FILE);
    ASSERT_NE(ware, nullptr);
    const auto *w = (const st_WARE_EXT *)((const UBYTE *)ware + sizeof(st_WARE));
    ULONG holz = 0, steine = 0;
    for (ULONG i = 0; i < GetChunkEntryCount(ware); ++i) {
        const st_WARE_EXT r = w[i];
        if (r.Info == 5 && r.WarenTyp == 98) holz = r.WarenAnzahl;
        if (r.Info == 5 && r.WarenTyp == 99) steine = r.WarenAnzahl;
    }
    FreeVec(ware);
    EXPECT_EQ(holz, 380u);
    EXPECT_EQ(steine, 230u);
}

// The fourth type offered in Demoburg has no row of its own: it cannot be
// ordered, and the order button says only so.
TEST_P(BauBildschirm, AnUnorderableTypeGivesOnlyTheRequirementsMessage)
{
    const std::vector<Bytes> vorher = Stand();
    Click("RE00");
    Click("RE00");
    Click("RE00");
    Click("OK00");
    Click("OKOK");
    EXPECT_EQ(BauScreen(), 39);
    EXPECT_EQ(said, std::vector<std::string>{GetString(&_VEK_BAUSCREEN_VORRAUSSETZUNGEN)});
    EXPECT_TRUE(asked.empty());
    EXPECT_FALSE(IsChunkPresent(ChunkBit(CN_BAUE), POOL_OUT));
    EXPECT_NE(Stand(), vorher);  // Ok still writes gold and town
}

// Last turn's orders of the demo set: a demolition in Demoburg, a bank in Nordheim.
TEST_P(BauBildschirm, ListingShowsLastTurnsOrdersOfEveryTown)
{
    Click("BA00");
    Click("INFO");
    Click("EXIT");
    EXPECT_EQ(BauScreen(), 39);
    ASSERT_EQ(texts.size(), 2u);
    const std::string &t = texts[0];
    const size_t hier = t.find(GetString(&_VEK_BAUSCREEN_MESSAGE_THISTOWN));
    const size_t andere = t.find(GetString(&_VEK_BAUSCREEN_MESSAGE_OTHERTOWN));
    ASSERT_NE(hier, std::string::npos);
    ASSERT_NE(andere, std::string::npos);
    EXPECT_NE(t.find(std::string("1 market place\n") + GetString(&_VEK_BAUSCREEN_REST_ABRISS), hier), std::string::npos);
    EXPECT_LT(t.find("1 market place"), andere);
    EXPECT_NE(t.find("1 bank\n", andere), std::string::npos);
    EXPECT_EQ(texts[1], GetString(&_VEK_BAUSCREEN_INFORMATION));
}

TEST_P(BauBildschirm, DemolitionOfOneGranaryIsWritten)
{
    chooseAnswer = 0;
    numberAnswer = "5";
    Click("ABRI");
    Click("OKOK");
    EXPECT_EQ(BauScreen(), 39);
    ASSERT_GE(chooseLines.size(), 3u);
    // Demoburg is the capital: its tavern and citizen hall are not offered.
    EXPECT_EQ(chooseLines[0], "1 granaries");
    EXPECT_EQ(chooseLines[1], "1 mills");
    EXPECT_EQ(chooseLines[2], "0 trade offices");
    for (const std::string &l : chooseLines) {
        EXPECT_EQ(l.find("tavern"), std::string::npos);
        EXPECT_EQ(l.find("citizen hall"), std::string::npos);
    }
    auto *baue = (UBYTE *)LoadChunk2Mem(ID_BAUE, POOL_OUT);
    ASSERT_NE(baue, nullptr);
    ASSERT_EQ(GetChunkEntryCount(baue), 1u);
    st_BAUE_EXT order;
    std::memcpy(&order, baue + sizeof(st_BAUE), sizeof order);
    FreeVec(baue);
    EXPECT_EQ(V(order.GebID), 0);
    EXPECT_EQ(V(order.Restbauzeit), 0xFFFF);
    EXPECT_EQ(V(order.Stadt), 0);
}

INSTANTIATE_TEST_SUITE_P(Tiefen, BauBildschirm, ::testing::Values(8, 32));

}  // namespace
