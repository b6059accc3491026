// The harbour screen on the demo set at 8 and 32 bits, by pushed clicks: its
// ways out, the ships dialog's launch and wreck applied by Ok and dropped by
// Exit, and the repair dialog's order, checked in the files they write.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/demoscreen.h"
#include "common/scriptinput.h"
#include "common/testutil.h"
#include "military/hafenscreen.h"
#include "military/military.h"
#include "platform/catalog.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/figures.h"
#include "store/mapnames.h"
#include "store/store.h"
#include "ui/screendat.h"
#include "world/hafen.h"
#include "world/warehouse.h"

using namespace vektest;

namespace {

template <class T> T V(T v) { return v; }

std::vector<std::string> said, asked, texts;
LONG askAnswer = 0;

std::vector<st_SHIP_EXT> Schiffe()
{
    std::vector<st_SHIP_EXT> v;
    auto *c = (UBYTE *)LoadChunk2Mem(ID_SHIP, POOL_OUT);
    if (!c) return v;
    v.resize(GetChunkEntryCount(c));
    if (!v.empty()) std::memcpy(v.data(), c + sizeof(st_SHIP), v.size() * sizeof(st_SHIP_EXT));
    FreeVec(c);
    return v;
}

std::vector<st_MOVE_EXT> Figuren()
{
    std::vector<st_MOVE_EXT> v;
    auto *c = (UBYTE *)LoadChunk2Mem(ID_MOVE, MAPPREFS_FILE);
    if (!c) return v;
    v.resize(GetChunkEntryCount(c));
    if (!v.empty()) std::memcpy(v.data(), c + sizeof(st_MOVE), v.size() * sizeof(st_MOVE_EXT));
    FreeVec(c);
    return v;
}

ULONG Holz()
{
    ULONG holz = 0;
    auto *c = (UBYTE *)LoadChunk2Mem(ID_WARE, WAREN_FILE);
    if (!c) return 0;
    for (ULONG i = 0; i < GetChunkEntryCount(c); ++i) {
        st_WARE_EXT w;
        std::memcpy(&w, c + sizeof(st_WARE) + i * sizeof w, sizeof w);
        if (w.Info == 5 && w.WarenTyp == 98) holz = w.WarenAnzahl;
    }
    FreeVec(c);
    return holz;
}

class HafenBildschirm : public DemoScreenTest {
protected:
    HafenDialoge alt = HafenDialogHooks;
    st_PlayerInfo altPlayer = PlayerInfo;
    std::map<std::string, std::pair<LONG, LONG>> screen, schiffe, rep;

    void SetUp() override
    {
        DemoScreenTest::SetUp();
        said.clear(), asked.clear(), texts.clear();
        askAnswer = 0;
        HafenDialogHooks = {[](const char *t) { said.push_back(t); },
                            [](const char *t) {
                                asked.push_back(t);
                                return askAnswer;
                            },
                            [](const char *t) { texts.push_back(t); }};
        HafenWuerfel = [](ULONG) -> ULONG { return 0; };
        PlayerInfo.AktStadtID = 0;
        PlayerInfo.SpielerID = 7;  // the demo set's player
        screen = GadgetCentres("./Data/screendat/Hafen.dat");
        schiffe = GadgetCentres("./Data/screendat/HafenSchiffeReq.dat");
        rep = GadgetCentres("./Data/screendat/HafenSchiffsRepReq.dat");
        ASSERT_EQ(screen.size(), 5u);
        ASSERT_EQ(schiffe.size(), 10u);
        ASSERT_EQ(rep.size(), 9u);
    }
    void TearDown() override
    {
        HafenDialogHooks = alt;
        HafenWuerfel = Wuerfel;
        PlayerInfo = altPlayer;
        DemoScreenTest::TearDown();
    }
    void Click(const std::map<std::string, std::pair<LONG, LONG>> &g, const std::string &code)
    {
        auto it = g.find(code);
        ASSERT_NE(it, g.end()) << code;
        PushClick(it->second.first, it->second.second);
    }
    // The first line of a list gadget: just below its top edge.
    void ClickFirstLine(const char *file, const std::string &code)
    {
        ScreenRegion *r = GetScreenRegion(file, 519);
        ASSERT_NE(r, nullptr);
        bool found = false;
        for (ULONG i = 0; i < r->CountGadgetData; ++i) {
            const GadgetData &g = r->GadgetData[i];
            if (g.ReturnID != MakeGadgetID4(code.c_str())) continue;
            const auto c = (code == "B100" || code == "B101") ? std::pair<LONG, LONG>{(g.X0 + g.X1) / 2, g.Y0 + 4}
                                                             : std::pair<LONG, LONG>{0, 0};
            // Shifted as the centres are.
            const auto &centres = file == std::string("./Data/screendat/HafenSchiffeReq.dat") ? schiffe : rep;
            const auto mid = centres.at(code);
            PushClick(c.first + mid.first - (g.X0 + g.X1) / 2, c.second + mid.second - (g.Y0 + g.Y1) / 2);
            found = true;
        }
        ClearScreenRegion(r);
        EXPECT_TRUE(found) << code;
    }
    static ULONG MakeGadgetID4(const char *c)
    {
        return (ULONG)(UBYTE)c[0] << 24 | (ULONG)(UBYTE)c[1] << 16 | (ULONG)(UBYTE)c[2] << 8 | (UBYTE)c[3];
    }
};

TEST_P(HafenBildschirm, WaysOut)
{
    Click(screen, "KONT");
    Click(screen, "STAD");
    EXPECT_EQ(HafenScreen(), 39);
    EXPECT_EQ(said, std::vector<std::string>{GetString(&_VEK_ZUKUNFT_ERWEITERT)});
    Click(screen, "MAP0");
    EXPECT_EQ(HafenScreen(), 3);
    PushEscape();
    EXPECT_EQ(HafenScreen(), 39);
}

// The first click on line 0 acts at once: the small trade ship sails; Ok
// writes ship, figure, stock and town.
TEST_P(HafenBildschirm, LaunchAppliedByOk)
{
    Click(screen, "SCHI");
    ClickFirstLine("./Data/screendat/HafenSchiffeReq.dat", "B100");
    Click(schiffe, "OK00");
    Click(screen, "STAD");
    EXPECT_EQ(HafenScreen(), 39);
    EXPECT_TRUE(said.empty());
    const auto s = Schiffe();
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(V(s[1].SchiffsID), 8);
    EXPECT_EQ(V(s[1].Punkte), 6);
    const auto f = Figuren();
    ASSERT_FALSE(f.empty());
    EXPECT_EQ(V(f.back().FigurNummer), 8);
    EXPECT_EQ(V(f.back().FigurArt), FID_HANDELSSCHIFF_KLEIN);
    const Bytes town = ReadBytes("Data/Cities/Demoburg.vek");
    ASSERT_EQ(town.size(), 14228u);
    EXPECT_EQ(town[14220], 1);
}

// Exit drops the launch and the wreck mark: ships, figures and stock as before.
TEST_P(HafenBildschirm, ExitDropsLaunchAndMark)
{
    const auto vorher = Schiffe();
    const Bytes ware = ReadBytes(WAREN_FILE), prefs = ReadBytes(MAPPREFS_FILE);
    Click(screen, "SCHI");
    ClickFirstLine("./Data/screendat/HafenSchiffeReq.dat", "B100");
    ClickFirstLine("./Data/screendat/HafenSchiffeReq.dat", "B101");
    Click(schiffe, "EXIT");
    Click(screen, "STAD");
    EXPECT_EQ(HafenScreen(), 39);
    EXPECT_EQ(asked.size(), 1u);  // the wreck's question for Seestern
    const auto nachher = Schiffe();
    ASSERT_EQ(nachher.size(), vorher.size());
    EXPECT_EQ(std::memcmp(nachher.data(), vorher.data(), vorher.size() * sizeof(st_SHIP_EXT)), 0);
    EXPECT_EQ(ReadBytes(WAREN_FILE), ware);
    EXPECT_EQ(ReadBytes(MAPPREFS_FILE), prefs);
}

TEST_P(HafenBildschirm, WreckAppliedByOk)
{
    Click(screen, "SCHI");
    ClickFirstLine("./Data/screendat/HafenSchiffeReq.dat", "B101");
    Click(schiffe, "OK00");
    Click(screen, "STAD");
    EXPECT_EQ(HafenScreen(), 39);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find(" 15000 "), std::string::npos);
    EXPECT_TRUE(Schiffe().empty());
    auto *land = (st_LAND *)LoadChunk2Mem(ID_LAND, POOL_OUT);
    ASSERT_NE(land, nullptr);
    EXPECT_EQ(V(land->AnzGold), 35000u);
    FreeVec(land);
    EXPECT_EQ(Holz(), 430u);
}

TEST_P(HafenBildschirm, RepairOrdered)
{
    Click(screen, "REPA");
    ClickFirstLine("./Data/screendat/HafenSchiffsRepReq.dat", "B100");
    Click(rep, "R100");
    Click(rep, "INFO");
    Click(rep, "OK00");
    Click(screen, "STAD");
    EXPECT_EQ(HafenScreen(), 39);
    EXPECT_EQ(texts, std::vector<std::string>{GetString(&_VEK_HAFEN_REP_INFO)});
    Bytes want(96, 0);
    std::memcpy(want.data(), "Seestern", 8);
    want[80] = 6;
    want[82] = 1;
    EXPECT_EQ(ReadBytes(SHIPADDON_FILE), want);
    bool gefunden = false;
    for (const auto &f : Figuren()) {
        if (f.FigurNummer != 6) continue;
        gefunden = true;
        EXPECT_EQ(f.Kommando, 16);
    }
    EXPECT_TRUE(gefunden);
}

INSTANTIATE_TEST_SUITE_P(Tiefen, HafenBildschirm, ::testing::Values(8, 32));

}  // namespace
