// The demo realm's towns and worked fields read back by the client, and the
// first-turn tree that the client's game set-up turns into the demo map.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "common/testutil.h"
#include "world/cultivation.h"
#include "world/hex.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "common/shareddemo.h"
#include "store/store.h"
#include "turn/gameinit.h"
#include "world/towns.h"

namespace fs = std::filesystem;

namespace {

class InDemo : public ::testing::Test {
protected:
    void SetUp() override
    {
        old_ = fs::current_path();
        fs::current_path(SharedDemoSet());
        PlayerInfo.SpielerID = 7;
    }
    void TearDown() override
    {
        PlayerInfo = player_;
        fs::current_path(old_);
    }
    fs::path old_;
    st_PlayerInfo player_ = PlayerInfo;
};

TEST_F(InDemo, TwoNamedTownsMatchTheMapAndTheTownChunk)
{
    ULONG pref0 = 0;
    ASSERT_TRUE(CheckPrefsRead(0, &pref0));
    EXPECT_EQ(pref0, 2u);
    ULONG n = 0;
    TownList *l = LadeTownList(&n, nullptr);
    ASSERT_NE(l, nullptr);
    ASSERT_EQ(n, 2u);
    const struct {
        const char *name;
        ULONG id, x, y;
        BOOL capital;
        int slot;  // a building of its own in the buildings file
    } towns[] = {{"Demoburg", 0, 120, 60, 1, 24}, {"Nordheim", 1, 126, 64, 0, 15}};
    st_TOWN *chunk = (st_TOWN *)LoadChunk2Mem(ID_TOWN, POOL_OUT);
    ASSERT_NE(chunk, nullptr);
    ASSERT_EQ(chunk->Anzahl, 2);
    for (ULONG i = 0; i < 2; ++i) {
        SCOPED_TRACE(towns[i].name);
        EXPECT_EQ(+l[i].TownID, (LONG)towns[i].id);
        EXPECT_STREQ(l[i].TownName, towns[i].name);
        Stadt *t = LadeStadt(towns[i].name);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(+t->Hauptstadt, +towns[i].capital);
        EXPECT_EQ(+t->XPos, +towns[i].x);
        EXPECT_EQ(+t->YPos, +towns[i].y);
        EXPECT_FALSE(t->Event & STADTEVENT_NEWTOWN);
        EXPECT_EQ(+t->Level, 1);
        EXPECT_GT(+t->StadtVolk, 0u);
        EXPECT_TRUE(t->GebaeudeAbhaengigkeiten[towns[i].slot].GfxBitfeld & GFX_THISIMAGEISSET);
        // The town menu opens only in a town with its town hall.
        if (towns[i].capital) {
            EXPECT_TRUE(t->GebaeudeAbhaengigkeiten[55].GfxBitfeld & GFX_THISIMAGEISSET);
        }
        st_TOWN_EXT_V2 e;
        std::memcpy(&e, (UBYTE *)chunk + sizeof(st_TOWN) + i * sizeof e, sizeof e);
        EXPECT_STREQ(e.Name, towns[i].name);
        EXPECT_EQ(+e.StadtVolk, +t->StadtVolk);
        FreeVec(t);
    }
    FreeVec(chunk);
    FreeVec(l);
    Stadt *capital = GetActiveTown(-2);
    ASSERT_NE(capital, nullptr);
    EXPECT_STREQ(capital->Stadtname, "Demoburg");
    FreeVec(capital);
}

TEST_F(InDemo, ThreeWorkedFieldsOneOfThemFishing)
{
    ListHeader *l = CreateList(LISTE_MAPCULT);
    ASSERT_TRUE(ScanMapCult2List(l, 3, 3));
    ASSERT_EQ(l->Elemente, 3u);
    std::vector<MapEntry> teil(3200);
    ASSERT_TRUE(LadeKartenDatei("./Map/M_1_1.map", teil.data(), nullptr));
    int wasser = 0;
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; i < 3; ++i, n = n->Next) {
        const MapCultivation &c = *(const MapCultivation *)NodeData(n);
        const MapEntry &h = teil[(size_t)((c.Y % 40) * 80 + c.X % 80)];
        EXPECT_EQ(+h.BesitzerID, 7u);
        EXPECT_EQ(+c.MaxHarvest, GetMaxHarvestForField(GetTypeOfHex(h.Art), c.WorkersForHarvest, 0));
        wasser += GetTypeOfHex(h.Art) == GK_WASSER;
    }
    EXPECT_EQ(wasser, 1);
    DeleteList(l, 1);
}

TEST(FreshTree, GameSetUpMakesTheDemoMapAgain)
{
    const std::string demo = SharedDemoSet();
    vektest::ScratchDir dir;
    fs::copy(demo + "/Fresh", ".", fs::copy_options::recursive);
    const st_PlayerInfo alt = PlayerInfo;
    EXPECT_TRUE(GameInit(POOL_IN));
    PlayerInfo = alt;
    auto bytes = [](const std::string &p) { return vektest::ReadBytes(p); };
    const vektest::Bytes mref = bytes("Data/MapPrefs.vek"), demoMref = bytes(demo + "/Data/MapPrefs.vek");
    ASSERT_GE(mref.size(), 28u);
    ASSERT_GE(demoMref.size(), 28u);
    EXPECT_TRUE(std::equal(mref.begin(), mref.begin() + 28, demoMref.begin()));
    for (const char *art : {"M_", "B_"})
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 3; ++x) {
                const std::string f = std::string("Map/") + art + std::to_string(x) + "_" + std::to_string(y) + ".map";
                SCOPED_TRACE(f);
                EXPECT_FALSE(bytes(f).empty());
                EXPECT_TRUE(bytes(f) == bytes(demo + "/" + f));
            }
    EXPECT_TRUE(bytes("Data/Gebaeude.dat") == bytes(demo + "/Data/Gebaeude.dat"));
    ULONG v = 0;
    ASSERT_TRUE(CheckPrefsRead(38, &v));
    EXPECT_EQ(v, 119u);
}

}  // namespace
