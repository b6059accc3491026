// The taxes screen on the demo set at 8 and 32 bits, by pushed clicks and
// keys: every requester, the land tax scale, typed customs and tithe, the
// church, and the TAXE order written on the way out.
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
#include "platform/memfile.h"
#include "platform/strings.h"
#include "store/store.h"
#include "town/town.h"
#include "town/wirtschaft.h"
#include "world/steuern.h"

using namespace vektest;

namespace {

template <class T> T V(T v) { return v; }

std::vector<std::string> gesagt;
std::vector<std::string> gewaehlt;
std::vector<LONG> antworten;  // one per switch box, in order

class SteuernBildschirm : public DemoScreenTest {
protected:
    WirtschaftDialoge alt = WirtschaftDialogHooks;
    std::map<std::string, std::pair<LONG, LONG>> g;

    void SetUp() override
    {
        DemoScreenTest::SetUp();
        gesagt.clear(), gewaehlt.clear();
        antworten.clear();
        WirtschaftDialogHooks = {[](const char *t) { gesagt.push_back(t); },
                                 [](const char *t) { gesagt.push_back(t); return (LONG)1; },
                                 [](ULONG n, const char *zeilen) {
                                     for (ULONG i = 0; i < n; ++i) gewaehlt.push_back(zeilen + i * 80);
                                     if (antworten.empty()) return (LONG)0;
                                     const LONG a = antworten.front();
                                     antworten.erase(antworten.begin());
                                     return a;
                                 }};
        g = GadgetCentres("./Data/screendat/Steuern.dat");
        ASSERT_EQ(g.size(), 9u);
    }
    void TearDown() override
    {
        WirtschaftDialogHooks = alt;
        DemoScreenTest::TearDown();
    }
    void Klick(const std::string &code, const char *datei = "./Data/screendat/Steuern.dat")
    {
        const auto m = GadgetCentres(datei);
        auto it = m.find(code);
        ASSERT_NE(it, m.end()) << code << " " << datei;
        PushClick(it->second.first, it->second.second);
    }
    st_TAXE Order()
    {
        st_TAXE t{};
        void *c = LoadChunk2Mem(ID_TAXE, POOL_OUT);
        if (c) std::memcpy(&t, c, sizeof t);
        FreeVec(c);
        return t;
    }
};

// The demo's TAXE after one JUS1: justice 2, the rest as read.
TEST_P(SteuernBildschirm, ExitWritesTheOrderAsRead)
{
    void *c = LoadChunk2Mem(ID_TAXE, POOL_IN);
    ASSERT_NE(c, nullptr);
    st_TAXE gelesen;
    std::memcpy(&gelesen, c, sizeof gelesen);
    FreeVec(c);
    Klick("JUS1");
    Klick("EXIT");
    EXPECT_EQ(SteuernScreen(), 2);
    st_TAXE t = Order();
    EXPECT_EQ(V(t.Justizia), 2);
    t.Justizia = gelesen.Justizia;
    EXPECT_EQ(std::memcmp(&t, &gelesen, sizeof t), 0);
    const Bytes pool = ReadBytes(POOL_OUT);
    const UBYTE kopf[] = {'T', 'A', 'X', 'E', 'V', '0', '0', '1', 0, 0, 0, 0x47, 0, 0, 0, 20, 0, 2};
    EXPECT_NE(std::search(pool.begin(), pool.end(), kopf, kopf + sizeof kopf), pool.end());
}

TEST_P(SteuernBildschirm, EveryRequesterAndTypedValues)
{
    Klick("GRUN");
    PushClick(316, 225);
    Klick("EXIT", "./Data/screendat/SteuernReq4.dat");
    Klick("JUS2");
    Klick("EXIT", "./Data/screendat/SteuernReq1.dat");
    Klick("ZOLL");
    Klick("INPU", "./Data/screendat/SteuernReq2.dat");
    PushText("\b-3");
    PushKey(SDLK_RETURN, 13);
    Klick("EXIT", "./Data/screendat/SteuernReq2.dat");
    Klick("HILF");
    Klick("EXIT", "./Data/screendat/SteuernReq3.dat");
    Klick("ZEHN");
    Klick("INPU", "./Data/screendat/SteuernReq5.dat");
    PushText("\b\b300");
    PushKey(SDLK_RETURN, 13);
    Klick("EXIT", "./Data/screendat/SteuernReq5.dat");
    Klick("INFO");
    Klick("EXIT");
    EXPECT_EQ(SteuernScreen(), 2);
    const st_TAXE t = Order();
    EXPECT_EQ(V(t.Grundsteuer), 49u);
    EXPECT_EQ(V(t.Zoll100), 0u);
    EXPECT_EQ(V(t.ZehnteProzent), 100);
    EXPECT_EQ(gesagt, std::vector<std::string>{GetString(&_VEK_STEUERN_INFOTEXT1)});
}

// The church: the gods with what was set on the way; without priests only the message.
TEST_P(SteuernBildschirm, ChurchLeadsToTheGodsWithTheOrderWritten)
{
    antworten = {2, 1};
    Klick("KIRC");
    Klick("JUS1");
    Klick("KIRC");
    EXPECT_EQ(SteuernScreen(), 1085);
    ASSERT_EQ(gewaehlt.size(), 6u);
    EXPECT_EQ(gewaehlt[0], GetString(&_VEK_STEUERN_GOETTER));
    EXPECT_EQ(gesagt, std::vector<std::string>{GetString(&_VEK_STEUERN_KIRCHENSTEUER1)});
    EXPECT_EQ(V(Order().Justizia), 2);
    // No church points, no liege: only the messages.
    st_TAXE t = Order();
    t.KirchenPunkte = 0, t.ZehnteID = 0;
    ASSERT_TRUE(AddChunkPool(&t, POOL_OUT));
    gesagt.clear(), gewaehlt.clear();
    Klick("KIRC");
    Klick("ZEHN");
    Klick("EXIT");
    EXPECT_EQ(SteuernScreen(), 2);
    EXPECT_TRUE(gewaehlt.empty());
    EXPECT_EQ(gesagt, (std::vector<std::string>{GetString(&_VEK_STEUERN_KIRCHENSTEUER1),
                                                GetString(&_VEK_STEUERN_ZEHNTENSTEUER)}));
}

INSTANTIATE_TEST_SUITE_P(Tiefen, SteuernBildschirm, ::testing::Values(8, 32));

}  // namespace
