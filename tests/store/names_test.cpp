// Player names from the player list, requests for unknown names in the
// outgoing pool, and the building test on a GEBA chunk.
#include <gtest/gtest.h>

#include "chunkbytes.h"
#include "common/testutil.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/store.h"

using namespace chunkbytes;
using vektest::MakeDirs;
using vektest::ReadBytes;
using vektest::ScratchDir;
using vektest::StdoutCapture;
using vektest::WriteBytes;

namespace {

Bytes PlayerList(std::initializer_list<std::pair<uint32_t, std::string>> players)
{
    Bytes p;
    Put16(p, 1);
    Put32(p, (uint32_t)players.size());
    Put32(p, 84 * (uint32_t)players.size());
    for (const auto &[id, name] : players) {
        Put32(p, id);
        Bytes field(80, 0);
        std::copy(name.begin(), name.end(), field.begin());
        p.insert(p.end(), field.begin(), field.end());
    }
    return FileChunk("ANTW", "V001", p);
}

Bytes Anfr(std::initializer_list<uint32_t> ids)
{
    Bytes p;
    Put16(p, 1);
    Put32(p, (uint32_t)ids.size());
    Put32(p, 4 * (uint32_t)ids.size());
    for (uint32_t id : ids) Put32(p, id);
    return FileChunk("ANFR", "V001", p);
}

const char *kList = "Data/SpielerList.vek";

class PlayerNames : public ::testing::Test {
protected:
    void SetUp() override
    {
        MakeDirs("Data/POP3Out");
        saved_ = PlayerInfo;
        PlayerInfo.SpielerID = 7;
    }
    void TearDown() override { PlayerInfo = saved_; }
    // The requests in the outgoing pool, in order; empty when there are none.
    Bytes Requests()
    {
        Bytes pool = ReadBytes(POOL_OUT);
        if (pool.size() < 52) return {};
        return Bytes(pool.begin() + 52, pool.end());
    }
    ScratchDir dir_;

private:
    st_PlayerInfo saved_{};
};

}  // namespace

TEST_F(PlayerNames, FromTheListOrAComputerRace)
{
    std::string longName(80, 'x');
    WriteBytes(kList, PlayerList({{12, "Hildegard"}, {13, longName}, {(uint32_t)-12, "Minus Zwoelf"}}));
    struct Row {
        const char *name;
        uint32_t id;
        int result;
        std::string expected;
    } rows[] = {
        {"listed player", 12, 1, "Hildegard"},
        {"an unterminated name is cut to 39 characters", 13, 1, std::string(39, 'x')},
        {"computer race", (uint32_t)-2, 1, "orcs"},
        {"computer race -11", (uint32_t)-11, 1, "Pirates"},
        {"-12 is looked up like a player", (uint32_t)-12, 1, "Minus Zwoelf"},
        {"not listed, not asked", 99, 1, "unknown"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        char name[40] = {};
        EXPECT_EQ(GetPlayerName(r.id, name, 0), r.result);
        EXPECT_EQ(std::string(name), r.expected);
        EXPECT_EQ(name[39], 0);
    }
    EXPECT_FALSE(vektest::Exists(POOL_OUT)) << "nothing was requested";

    auto *list = (st_ANTW *)LoadChunk2Mem(ID_ANTW, kList);
    ASSERT_NE(list, nullptr);
    char name[40] = {};
    EXPECT_EQ(GetPlayerName_GetName(12, name, list), 1);
    EXPECT_STREQ(name, "Hildegard");
    EXPECT_EQ(GetPlayerName_GetName(99, name, list), 0);
    EXPECT_STREQ(name, "unknown");
    EXPECT_EQ(GetPlayerName_GetName(12, name, nullptr), 0);
    EXPECT_EQ(GetPlayerName_GetName((uint32_t)-5, name, nullptr), 1);
    EXPECT_STREQ(name, "elves");
    FreeVec(list);
}

TEST_F(PlayerNames, AListWithMoreEntriesThanBytesIsReadOnlyAsFarAsItGoes)
{
    Bytes list = PlayerList({{12, "Hildegard"}, {13, "Kunigunde"}});
    Set32(list, 14, 1000000);  // Anzahl
    WriteBytes(kList, list);
    char name[40] = {};
    EXPECT_EQ(GetPlayerName(13, name, 0), 1);
    EXPECT_STREQ(name, "Kunigunde");
}

TEST_F(PlayerNames, AListThatCannotBeLoadedLeavesTheNameAlone)
{
    WriteBytes(kList, Bytes{1, 2, 3});
    char name[40] = "before";
    EXPECT_EQ(GetPlayerName(12, name, 1), 0);
    EXPECT_STREQ(name, "before");
    EXPECT_FALSE(vektest::Exists(POOL_OUT));
}

TEST_F(PlayerNames, UnknownNamesAreRequestedOnce)
{
    WriteBytes(kList, PlayerList({{12, "Hildegard"}}));
    char name[40] = {};
    StdoutCapture cap;
    EXPECT_EQ(GetPlayerName(40, name, 1), 1);
    EXPECT_NE(cap.Take().find("Angefragte ID 40\n"), std::string::npos);
    EXPECT_STREQ(name, "unknown");
    EXPECT_EQ(Requests(), Anfr({40}));
    EXPECT_EQ(GetPlayerName(40, name, 1), 1);
    EXPECT_EQ(Requests(), Anfr({40})) << "asking twice adds it once";
    StdoutCapture cap2;
    EXPECT_EQ(GetPlayerName(41, name, 1), 1);
    EXPECT_NE(cap2.Take().find("GetPlayerNameAddAnfrage : Anzahl der Anfragen 2\n"), std::string::npos);
    EXPECT_EQ(Requests(), Anfr({40, 41}));
    EXPECT_EQ(GetPlayerName(12, name, 1), 1);
    EXPECT_EQ(Requests(), Anfr({40, 41})) << "a listed player is not requested";
}

TEST_F(PlayerNames, WithoutAListEveryOtherPlayerIsRequested)
{
    char name[40] = {};
    StdoutCapture cap;
    EXPECT_EQ(GetPlayerName(5, name, 1), 1);
    EXPECT_NE(cap.Take().find("Angefragte ID beim Quit 5\n"), std::string::npos);
    EXPECT_STREQ(name, "unknown");
    EXPECT_EQ(Requests(), Anfr({5}));
    EXPECT_EQ(GetPlayerName((uint32_t)-3, name, 1), 1);
    EXPECT_STREQ(name, "imps");
    EXPECT_EQ(Requests(), Anfr({5}));
}

TEST_F(PlayerNames, ARequestThatCannotBeStoredGivesZero)
{
    vektest::WriteText(POOL_OUT, "not a pool at all");
    char name[40] = {};
    EXPECT_EQ(GetPlayerName(5, name, 1), 0);
    EXPECT_STREQ(name, "unknown");
    EXPECT_EQ(GetPlayerName(5, name, 0), 1);
}

TEST(CheckOtherBuilding, FindsNumberAndTownTogether)
{
    Bytes p;
    Put32(p, 1000);
    Put16(p, 3);
    auto building = [&p](uint16_t geb, uint16_t town) {
        Put16(p, geb);
        PutZeros(p, 12);
        Put16(p, town);
    };
    building(48, 1);
    building(57, 2);
    building(108, 1);
    ScratchDir dir;
    WriteBytes("Gebaeude.dat", FileChunk("GEBA", "V001", p));
    auto *geba = (st_GEBA *)LoadChunk2Mem(ID_GEBA, "Gebaeude.dat");
    ASSERT_NE(geba, nullptr);
    EXPECT_EQ(CheckOtherBuilding(geba, 57, 2), 1);
    EXPECT_EQ(CheckOtherBuilding(geba, 108, 1), 1);
    EXPECT_EQ(CheckOtherBuilding(geba, 57, 1), 0);
    EXPECT_EQ(CheckOtherBuilding(geba, 2, 57), 0);
    geba->AnzGeb = 60000;  // more than the chunk holds
    EXPECT_EQ(CheckOtherBuilding(geba, 999, 9), 0);
    EXPECT_EQ(CheckOtherBuilding(nullptr, 57, 2), 0);
    FreeVec(geba);
}
