// A whole received turn applied to a copy of the demo set, case by case in
// the order of the turn download, and the player's files read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "platform/gamevalues.h"
#include "platform/prefs.h"
#include "store/converters.h"
#include "world/chunkmachine.h"
#include "world/turnfixture.h"
#include "world/warehouse.h"

namespace {

using namespace turnfix;
namespace fs = std::filesystem;

class DemoTurn : public ::testing::Test {
protected:
    static std::string *demo;
    static void SetUpTestSuite()
    {
        demo = new std::string(fs::temp_directory_path() / ("vekturn." + std::to_string(getpid())));
        vektest::MakeDemoData(*demo);
    }
    static void TearDownTestSuite()
    {
        fs::remove_all(*demo);
        delete demo;
        demo = nullptr;
    }
    void SetUp() override
    {
        for (const char *d : {"Data", "Map"}) fs::copy(*demo + "/" + d, d, fs::copy_options::recursive);
        PlayerInfo = st_PlayerInfo{};
        WuerfelSeed(19);
    }
    vektest::ScratchDir dir;
};
std::string *DemoTurn::demo = nullptr;

TEST_F(DemoTurn, EveryCaseInDownloadOrder)
{
    struct Step {
        const char *pool;
        ULONG num;
        ULONG modus;
    };
    const Step steps[] = {{POOL_IN, CN_INFO, 1}, {POOL_OUT, CN_INIT, 1}, {POOL_IN, CN_WARE, 1},
                          {POOL_IN, CN_VERT, 1}, {POOL_IN, CN_MOVE, 1}, {POOL_IN, CN_ARMY, 1},
                          {POOL_IN, CN_SHIP, 1}, {POOL_IN, CN_LAND, 1}, {POOL_IN, CN_MAIL, 1},
                          {POOL_IN, CN_GEBA, 1}, {POOL_IN, CN_PMAP, 1}, {POOL_IN, CN_ANTW, 1}};
    const st_LAND before = Load<st_LAND>(CN_LAND, POOL_IN);
    for (const Step &s : steps) EXPECT_EQ(ChunkMachine(s.pool, ChunkBit(s.num), s.modus), 1) << ChunkNamen[s.num];

    EXPECT_EQ(PlayerInfo.SpielerID, 7u);
    EXPECT_EQ(PlayerInfo.Event, 0);

    // The figure file: the player's figures first, the others behind them.
    const auto figs = Figures();
    ASSERT_EQ(figs.size(), 15u);
    const auto firstOther = std::find_if(figs.begin(), figs.end(), [](const st_MOVE_EXT &f) { return f.SpielerID != 7; });
    EXPECT_EQ(firstOther - figs.begin(), 7);
    EXPECT_TRUE(std::all_of(firstOther, figs.end(), [](const st_MOVE_EXT &f) { return f.SpielerID != 7; }));

    // The realm: scouts and settlers counted, the small army part deserted,
    // the luxury goods paid for.
    const st_LAND land = Load<st_LAND>(CN_LAND, POOL_IN);
    EXPECT_EQ(+land.AnzahlKundschafter, 3);
    EXPECT_EQ(+land.AnzahlSiedler, 1);
    EXPECT_EQ(+land.Desertierte, before.Desertierte + 30);
    EXPECT_EQ(+land.AnzGold, before.AnzGold + 5 * GetWarenPreis(82, 100, before.AnzTierHq, before.AnzPflanzHq,
                                                                before.AnzMineralHq));
    ULONG faktor = 0;
    ASSERT_TRUE(CheckPrefsRead(21, &faktor));
    EXPECT_EQ(faktor, 10 / 10 + (ULONG)before.FaktorTierHq);

    const auto wares = Entries<st_WARE, st_WARE_EXT>(CN_WARE, WAREN_FILE);
    auto stock = [&](ULONG type) {
        for (const auto &w : wares)
            if (w.Info == 5 && w.WarenTyp == type) return w.WarenAnzahl;
        return 0u;
    };
    EXPECT_EQ(stock(1), 50u);
    EXPECT_EQ(stock(82), 55u);

    // The outgoing pool starts afresh and carries the army and the ship.
    st_ARMY *army = (st_ARMY *)LoadChunk2Mem(ID_ARMY, POOL_OUT);
    ASSERT_NE(army, nullptr);
    ListHeader *list = ScanArmy2List(army);
    FreeVec(army);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->Elemente, 1u);
    EXPECT_EQ(GetSizeOfArmy(list, 5), 200u);
    DeleteArmyList(list);
    const auto ships = Entries<st_SHIP, st_SHIP_EXT>(CN_SHIP, POOL_OUT);
    ASSERT_EQ(ships.size(), 1u);
    EXPECT_EQ(+ships[0].SchiffsID, 6);
    bool found = true;
    Load<st_TOWN>(CN_TOWN, POOL_OUT, &found);
    EXPECT_FALSE(found);

    // The letter reached the player's letters, the stored ones untouched.
    const Bytes letter = vektest::ReadBytes("Data/MailIn/00000008_00.smal");
    ASSERT_EQ(letter.size(), 284u + 41);
    EXPECT_EQ(std::string(letter.begin() + 284, letter.end() - 1), "Die Karawane mit dem Holz ist unterwegs.");
    EXPECT_TRUE(vektest::Exists("Data/MailIn/00000008_01.smal"));
    EXPECT_TRUE(vektest::Exists("Data/MailIn/00000008_02.smal"));
}

}  // namespace
