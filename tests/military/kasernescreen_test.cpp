// The barracks on the demo set at 8 and 32 bits, by pushed clicks and keys:
// the ways out, the requesters' gates, founding with Ok and with Exit, a
// click between the lines, and the weapons requester's information box.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/demoscreen.h"
#include "common/scriptinput.h"
#include "common/testutil.h"
#include "military/kaserne.h"
#include "military/military.h"
#include "platform/catalog.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/store.h"
#include "ui/screendat.h"
#include "world/okjournal.h"
#include "world/towns.h"
#include "world/warehouse.h"

using namespace vektest;

namespace {

std::vector<std::string> said, asked, texts;
std::vector<std::string> names;
LONG askAnswer = 0;   // 0 Ok, 1 Cancel

const char *kTown = "Data/Cities/Demoburg.vek";

class KaserneBildschirm : public DemoScreenTest {
protected:
    KaserneDialoge alt = KaserneDialogHooks;
    st_PlayerInfo altPlayer = PlayerInfo;
    std::map<std::string, std::pair<LONG, LONG>> screen, req1, req2, req3;

    void SetUp() override
    {
        DemoScreenTest::SetUp();
        said.clear(), asked.clear(), texts.clear(), names.clear();
        askAnswer = 0;
        KaserneDialogHooks = {[](const char *t) { said.push_back(t); },
                              [](const char *t) { asked.push_back(t); return askAnswer; },
                              [](char *buffer, const char *, const char *, ULONG) -> char * {
                                  if (names.empty()) return nullptr;
                                  std::snprintf(buffer, 256, "%s", names.front().c_str());
                                  names.erase(names.begin());
                                  return buffer;
                              },
                              [](const char *t) { texts.push_back(t); return (LONG)1; }};
        auto *info = (st_INFO *)LoadChunk2Mem(ID_INFO, POOL_IN);
        ASSERT_NE(info, nullptr);
        PlayerInfo.SpielerID = info->SpielerID;
        FreeVec(info);
        PlayerInfo.AktStadtID = 0;
        screen = GadgetCentres("./Data/screendat/Kaserne.dat");
        req1 = GadgetCentres("./Data/screendat/KaserneReq1.dat");
        req2 = GadgetCentres("./Data/screendat/KaserneReq2.dat");
        req3 = GadgetCentres("./Data/screendat/KaserneReq3.dat");
        ASSERT_EQ(screen.size(), 8u);
        ASSERT_EQ(req1.size(), 21u);
    }
    void TearDown() override
    {
        KaserneDialogHooks = alt;
        PlayerInfo = altPlayer;
        DemoScreenTest::TearDown();
    }
    void Click(const std::map<std::string, std::pair<LONG, LONG>> &g, const std::string &code)
    {
        auto it = g.find(code);
        ASSERT_NE(it, g.end()) << code;
        PushClick(it->second.first, it->second.second);
    }
    std::vector<Bytes> Stand() { return {ReadBytes(POOL_OUT), ReadBytes(kTown), ReadBytes(WAREN_FILE), ReadBytes("Data/MapPrefs.vek")}; }
    std::vector<std::string> ArmyNames()
    {
        std::vector<std::string> n;
        auto *army = (st_ARMY *)LoadChunk2Mem(ID_ARMY, POOL_OUT);
        ListHeader *l = ScanArmy2List(army);
        FreeVec(army);
        if (!l) return n;
        ListNode *node = l->FirstNode;
        for (ULONG i = 0; i < l->Elemente; ++i, node = node->Next) n.push_back(((ArmeeList *)node)->Army.Name);
        DeleteArmyList(l);
        return n;
    }
};

TEST_P(KaserneBildschirm, WaysOut)
{
    const std::vector<Bytes> vorher = Stand();
    PushEscape();
    EXPECT_EQ(KaserneScreen(), 39);
    Click(screen, "KART");
    EXPECT_EQ(KaserneScreen(), 3);
    Click(screen, "GEHE");
    EXPECT_EQ(KaserneScreen(), 278);
    Click(screen, "STAD");
    EXPECT_EQ(KaserneScreen(), 39);
    EXPECT_EQ(Stand(), vorher);
}

TEST_P(KaserneBildschirm, ASetUpFailureGivesZero)
{
    std::remove("./Data/screendat/Kaserne.dat");
    EXPECT_EQ(KaserneScreen(), 0);
}

TEST_P(KaserneBildschirm, GatesOfTheRequesters)
{
    // No army camp: the artillery is refused before anything is read.
    Click(screen, "ARTI");
    PushEscape();
    EXPECT_EQ(KaserneScreen(), 39);
    EXPECT_EQ(said, std::vector<std::string>{GetString(&_VEK_KASERNE_APELLHOFBENOETIGT)});
    EXPECT_STREQ(GetString(&_VEK_KASERNE_APELLHOFBENOETIGT),
                 "Sire, you need an army camp for artillery and stables for cavallry!");
    // Without the stables the cavalry, without the barracks the training.
    Stadt *t = LadeStadt("Demoburg");
    ASSERT_NE(t, nullptr);
    t->GebaeudeAbhaengigkeiten[KASERNE_SLOT_KAVALLERIE].GfxBitfeld &= (UWORD)~GFX_THISIMAGEISSET;
    t->GebaeudeAbhaengigkeiten[KASERNE_SLOT_TRAINING].GfxBitfeld &= (UWORD)~GFX_THISIMAGEISSET;
    ASSERT_TRUE(SpeichereStadt(t));
    FreeVec(t);
    said.clear();
    Click(screen, "KAVA");
    Click(screen, "TRAI");
    PushEscape();
    EXPECT_EQ(KaserneScreen(), 39);
    EXPECT_EQ(said, (std::vector<std::string>{GetString(&_VEK_KASERNE_APELLHOFBENOETIGT),
                                              GetString(&_VEK_KASREQ2_MINBARACKE)}));
}

TEST_P(KaserneBildschirm, FoundingWithOkIsWrittenWithExitNot)
{
    const std::vector<Bytes> vorher = Stand();
    // Percent up (the guard holds every recruit the share allows), units up, new, Exit.
    names = {"Neue"};
    Click(screen, "INFA");
    for (int i = 0; i < 3; ++i) Click(req1, "R100");
    Click(req1, "R101");
    Click(req1, "B100");
    Click(req1, "EXIT");
    PushEscape();
    EXPECT_EQ(KaserneScreen(), 39);
    EXPECT_EQ(Stand(), vorher);
    ASSERT_TRUE(names.empty()) << "the army was not founded";
    // The same with Ok.
    names = {"Neue"};
    said.clear();
    Click(screen, "INFA");
    for (int i = 0; i < 3; ++i) Click(req1, "R100");
    Click(req1, "R101");
    Click(req1, "B100");
    Click(req1, "OK01");
    PushEscape();
    EXPECT_EQ(KaserneScreen(), 39);
    EXPECT_EQ(ArmyNames(), (std::vector<std::string>{"Garde", "Neue"}));
}

TEST_P(KaserneBildschirm, AClickBetweenTheLinesClearsTheSelection)
{
    askAnswer = 1;
    Click(screen, "INFA");
    PushClick(150, 104);   // the guard's line
    Click(req1, "B104");   // disband: asks, cancelled
    PushClick(150, 240);   // below the only line
    Click(req1, "B104");   // now: choose an army
    Click(req1, "EXIT");
    PushEscape();
    asked.clear();
    EXPECT_EQ(KaserneScreen(), 39);
    EXPECT_EQ(asked, std::vector<std::string>{GetString(&_VEK_KASERNE_AREYOUSURETODELETE)});
    EXPECT_EQ(said, std::vector<std::string>{GetString(&_VEK_KASERNE_CHOOSEARMY3)});
}

std::vector<std::string> shown;

TEST_P(KaserneBildschirm, WeaponsRequesterCyclesAndExitWritesNothing)
{
    const std::vector<Bytes> vorher = Stand();
    shown.clear();
    KaserneInfoHook = [](const KaserneInfo &i) { shown.push_back(i.Titel + "=" + i.Wert); };
    Click(screen, "SCHM");
    for (int i = 0; i < 4; ++i) PushClick(150, 104);   // the first weapon
    PushClick(400, 117);                               // the guard's part
    for (int i = 0; i < 8; ++i) Click(req3, "CYCL");
    Click(req3, "B101");                               // experience shown: nothing
    Click(req3, "INF3");
    Click(req3, "EXIT");
    PushEscape();
    EXPECT_EQ(KaserneScreen(), 39);
    KaserneInfoHook = nullptr;
    EXPECT_EQ(texts, std::vector<std::string>{GetString(&_VEK_WAFFENREQ_INFO)});
    EXPECT_TRUE(said.empty());
    EXPECT_EQ(Stand(), vorher);
    // The first weapon of the demo's stock is the tunic (1,000 pieces); then
    // the guard's part, 200 men with a sword and a tunic.
    auto t = [](ULONG id) { return std::string(GetStringFromID(id)); };
    const std::vector<std::string> want = {
        "=",   // nothing chosen yet
        t(253) + "=1000 pieces", t(252) + "=0/0/0", t(453) + "=Armour", t(251) + "=0-0/0-0/0-0",
        "People=200 Men", std::string("First weapon=") + KaserneWarenName(27), "Second weapon=not available",
        "Shield=not available", "Helmet=not available", std::string("Armour=") + KaserneWarenName(15), "Type=Infantry",
        "Exhaustion=0", "Experience=0"};
    EXPECT_EQ(shown, want);
}

TEST_P(KaserneBildschirm, TrainingStartsAndOkWritesIt)
{
    Click(screen, "TRAI");
    PushClick(150, 104);   // the guard's head line
    for (int i = 0; i < 3; ++i) Click(req2, "R200");
    Click(req2, "B200");
    Click(req2, "OK02");
    PushEscape();
    EXPECT_EQ(KaserneScreen(), 39);
    EXPECT_TRUE(said.empty());
    auto *army = (st_ARMY *)LoadChunk2Mem(ID_ARMY, POOL_OUT);
    ListHeader *l = ScanArmy2List(army);
    FreeVec(army);
    ASSERT_NE(l, nullptr);
    const ULONG runden = ((ArmeeList *)l->FirstNode)->Army.TrainingsRunden;
    EXPECT_EQ(runden, 3u);
    DeleteArmyList(l);
}

// A write that fails changes nothing and sends the player back to the town.
TEST_P(KaserneBildschirm, AFailedOkLeavesToTheTownWithTheFilesAsTheyWere)
{
    const std::vector<Bytes> vorher = Stand();
    OkJournalStepHook = [](ULONG s) -> BOOL { return s != 2; };
    for (const char *code : {"INFA", "TRAI", "SCHM"}) {
        SCOPED_TRACE(code);
        Click(screen, code);
        Click(std::string(code) == "INFA" ? req1 : std::string(code) == "TRAI" ? req2 : req3,
              std::string(code) == "INFA" ? "OK01" : std::string(code) == "TRAI" ? "OK02" : "OK03");
        EXPECT_EQ(KaserneScreen(), 39);
        EXPECT_EQ(Stand(), vorher);
    }
    OkJournalStepHook = nullptr;
}

INSTANTIATE_TEST_SUITE_P(Tiefen, KaserneBildschirm, ::testing::Values(8, 32));

// The information box's texts.
TEST(KaserneInfo, WeaponAndPartAttributes)
{
    Waffen bogen = WaffenData[3];   // longbow
    bogen.Anzahl = 12;
    const std::pair<ULONG, std::string> w[] = {{1, "12 pieces"}, {2, "4/7/10"}, {3, "projectile weapon"}, {0, "1-6/1-6/1-5"}};
    for (const auto &[z, wert] : w) EXPECT_EQ(KaserneWaffenInfo(bogen, z).Wert, wert) << z;
    ArmeeEntry t{};
    t.Typ = 2;
    t.Anzahl = 200;
    t.WaffeI = 27;
    t.Erschoepfung = 3;
    t.Erfahrung = 9;
    EXPECT_EQ(KaserneTeilInfo(t, 1).Wert, "200 Men");
    EXPECT_EQ(KaserneTeilInfo(t, 3).Wert, "not available");
    EXPECT_EQ(KaserneTeilInfo(t, 7).Wert, "Infantry");
    EXPECT_EQ(KaserneTeilInfo(t, 8).Wert, "3");
    EXPECT_EQ(KaserneTeilInfo(t, 0).Wert, "9");
    t.Typ = 7;
    EXPECT_EQ(KaserneTeilInfo(t, 7).Wert, "not implemented");
    for (ULONG z = 0; z < 9; ++z) EXPECT_LE(KaserneTeilInfo(t, z).Titel.size(), 19u);
}

}  // namespace
