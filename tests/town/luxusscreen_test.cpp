// The luxury screen on the demo set at 8 and 32 bits, by pushed clicks and
// keys: a line raised ten times, a typed allocation cut to the stock, a drag
// on a scale, the view switch; Ok writes Luxus.dat and the view flag, Exit
// nothing.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/demoscreen.h"
#include "common/scriptinput.h"
#include "common/testutil.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "store/store.h"
#include "town/town.h"
#include "town/wirtschaft.h"
#include "world/luxus.h"

using namespace vektest;

namespace {

std::vector<std::string> gesagt;

class LuxusBildschirm : public DemoScreenTest {
protected:
    WirtschaftDialoge alt = WirtschaftDialogHooks;
    std::map<std::string, std::pair<LONG, LONG>> g;

    void SetUp() override
    {
        DemoScreenTest::SetUp();
        gesagt.clear();
        WirtschaftDialogHooks.Meldung = [](const char *t) { gesagt.push_back(t); };
        WirtschaftDialogHooks.Text = [](const char *t) { gesagt.push_back(t); return (LONG)1; };
        g = GadgetCentres("./Data/screendat/Luxus.dat");
        ASSERT_EQ(g.size(), 14u);
    }
    void TearDown() override
    {
        WirtschaftDialogHooks = alt;
        DemoScreenTest::TearDown();
    }
    void Klick(const std::string &code) { PushClick(g.at(code).first, g.at(code).second); }
    void Zeile(int n) { PushClick(300, 60 + 12 * n + 6); }
};

// The demo: 10 animal units and 5 balm allotted; ten more animal units.
TEST_P(LuxusBildschirm, OkWritesTheAllocationsAndTheView)
{
    ScriptFeeder feeder;
    Zeile(0);
    for (int i = 0; i < 10; ++i) Klick("RE00");
    Zeile(3);
    Klick("LE00");
    Klick("RE00");
    Klick("SX00");
    Klick("IN00");
    Klick("OKOK");
    feeder.Start();
    EXPECT_EQ(LuxusScreen(), 39);
    // 20 animal units on line 0, 5 balm on line 3, in host order: on a
    // little-endian host 14000000, eight zero bytes, 05000000, 60 zero bytes.
    ULONG erwartet[LUXUS_LINIEN] = {};
    erwartet[0] = 20;
    erwartet[3] = 5;
    ULONG z[LUXUS_LINIEN];
    ASSERT_TRUE(LoadLuxusZuweisung(z));
    EXPECT_EQ(std::memcmp(z, erwartet, sizeof z), 0);
    const UBYTE *host = reinterpret_cast<const UBYTE *>(erwartet);
    EXPECT_EQ(ReadBytes(LUXUS_FILE), Bytes(host, host + sizeof erwartet));
    EXPECT_EQ(CheckPrefs(5, PREFS_READ, 0), 1u);
    EXPECT_EQ(gesagt, std::vector<std::string>{GetString(&_VEK_LUXUS_INFO)});
}

TEST_P(LuxusBildschirm, TypedAllocationIsCutToTheStockAndExitKeepsTheFile)
{
    const Bytes vorher = ReadBytes(LUXUS_FILE);
    Klick("BOX1");  // no line chosen: nothing
    Zeile(3);
    Klick("BOX1");
    PushText("\b99999");
    PushKey(SDLK_RETURN, 13);
    Klick("EXIT");
    EXPECT_EQ(LuxusScreen(), 39);
    EXPECT_EQ(ReadBytes(LUXUS_FILE), vorher);
    Zeile(3);
    Klick("BOX1");
    PushText("\b99999");
    PushKey(SDLK_RETURN, 13);
    Zeile(0);
    Klick("BOX1");
    PushText("\b\b-1");
    PushKey(SDLK_RETURN, 13);
    Klick("OKOK");
    EXPECT_EQ(LuxusScreen(), 39);
    ULONG z[LUXUS_LINIEN];
    ASSERT_TRUE(LoadLuxusZuweisung(z));
    void *ware = LoadChunk2Mem(ID_WARE, WAREN_FILE);
    const ULONG bestand = LuxusBestand(ware, 82);
    FreeVec(ware);
    EXPECT_GT(bestand, 5u);
    EXPECT_EQ(z[3], bestand);
    EXPECT_EQ(z[0], 0u);
}

// With the scales on, a drag of the animal pointer to the left end allots none.
TEST_P(LuxusBildschirm, DragLeftOfTheBalanceAllotsNothing)
{
    Klick("SX00");
    PushClick(197, 374);
    Klick("OKOK");
    EXPECT_EQ(LuxusScreen(), 39);
    ULONG z[LUXUS_LINIEN];
    ASSERT_TRUE(LoadLuxusZuweisung(z));
    EXPECT_EQ(z[0], 0u);
    EXPECT_EQ(z[3], 5u);
}

INSTANTIATE_TEST_SUITE_P(Tiefen, LuxusBildschirm, ::testing::Values(8, 32));

}  // namespace
