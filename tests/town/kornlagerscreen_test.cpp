// The granary on the demo set at 8 and 32 bits, by pushed clicks and keys:
// the requester opened twice, Exit that restores, typed values, and the KORN
// order Ok writes byte for byte.
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
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "store/store.h"
#include "town/town.h"
#include "town/wirtschaft.h"
#include "ui/screendat.h"
#include "world/kornlager.h"

using namespace vektest;

namespace {

template <class T> T V(T v) { return v; }

std::vector<std::string> texte;
ULONG wuerfe = 0;
ULONG Null(ULONG) { return ++wuerfe, 0; }

class KornBildschirm : public DemoScreenTest {
protected:
    WirtschaftDialoge alt = WirtschaftDialogHooks;
    std::map<std::string, std::pair<LONG, LONG>> req;
    LONG titelX = 0, titelY = 0;

    void SetUp() override
    {
        DemoScreenTest::SetUp();
        texte.clear();
        wuerfe = 0;
        WirtschaftDialogHooks.Text = [](const char *t) { texte.push_back(t); return (LONG)1; };
        KornWuerfel = Null;
        req = GadgetCentres("./Data/screendat/KornLagerReq.dat");
        ASSERT_EQ(req.size(), 12u);
        ScreenRegion *r = GetScreenRegion("./Data/screendat/KornLager.dat", SR_TITLEBAR | SR_GADGETDATA);
        ASSERT_NE(r, nullptr);
        ASSERT_GE(r->CountTitleBar, 1u);
        titelX = (r->TitleBar[0].X_Pos1 + r->TitleBar[0].X_Pos2) / 2;
        titelY = (r->TitleBar[0].Y_Pos1 + r->TitleBar[0].Y_Pos2) / 2;
        ClearScreenRegion(r);
    }
    void TearDown() override
    {
        WirtschaftDialogHooks = alt;
        KornWuerfel = Wuerfel;
        DemoScreenTest::TearDown();
    }
    void Oeffnen() { PushClick(titelX, titelY); }
    void Klick(const std::string &code)
    {
        auto it = req.find(code);
        ASSERT_NE(it, req.end()) << code;
        PushClick(it->second.first, it->second.second);
    }
    void Verlassen()
    {
        const auto g = GadgetCentres("./Data/screendat/KornLager.dat");
        PushClick(g.at("EXIT").first, g.at("EXIT").second);
    }
    st_KORN Order()
    {
        return [] {
            st_KORN k{};
            void *c = LoadChunk2Mem(ID_KORN, POOL_OUT);
            if (c) std::memcpy(&k, c, sizeof k);
            FreeVec(c);
            return k;
        }();
    }
};

// Moves and a typed value, then Exit; opened again, Ok with nothing moved
// writes the received values (throw 0).
TEST_P(KornBildschirm, ExitRestoresAndOkWritesTheOrder)
{
    Oeffnen();
    Klick("UP00");
    Klick("BOX1");
    PushText("123");
    PushKey(SDLK_RETURN, 13);
    Klick("INFO");
    Klick("EXIT");
    Oeffnen();
    Klick("OKOK");
    Verlassen();
    EXPECT_EQ(KornlagerScreen(), 39);
    EXPECT_EQ(texte, std::vector<std::string>{GetString(&_VEK_KORNLAGER_INFOTEXT1)});
    EXPECT_EQ(wuerfe, 1u);
    static const UBYTE golden[64] = {
        0x4B, 0x4F, 0x52, 0x4E, 0x56, 0x30, 0x30, 0x31, 0x00, 0x00, 0x00, 0x34, 0x00, 0x00, 0x00, 0x01,
        0x00, 0x01, 0x00, 0x00, 0x13, 0x88, 0x00, 0x00, 0x4E, 0x20, 0x00, 0x00, 0x27, 0x10, 0x00, 0x00,
        0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x4E, 0x20, 0x02, 0x00, 0x00, 0x00, 0x11, 0x94, 0x00, 0x00,
        0x23, 0x28, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2E, 0xE0, 0x00, 0x00, 0x00, 0x00};
    const Bytes pool = ReadBytes(POOL_OUT);
    const Bytes g(golden, golden + sizeof golden);
    EXPECT_NE(std::search(pool.begin(), pool.end(), g.begin(), g.end()), pool.end());
}

// Typed with Enter: seed above seed and stock, then the people's grain.
TEST_P(KornBildschirm, TypedValuesAndArrowsReachTheOrder)
{
    Oeffnen();
    Klick("BOX1");
    PushText("\b\b\b\b30000");
    PushKey(SDLK_RETURN, 13);
    Klick("BOX3");
    PushText("\b\b\b\b\b9000");
    PushKey(SDLK_RETURN, 13);
    Klick("DO02");
    Klick("UP01");
    Klick("OKOK");
    Oeffnen();
    Klick("OKOK");
    Verlassen();
    EXPECT_EQ(KornlagerScreen(), 39);
    // 25,000 / 0 / 10,000; people to 9,000 (stock 1,000); people -400; seed
    // -400 and people -400 into the stock.
    const st_KORN k = Order();
    EXPECT_EQ(V(k.Saatlager), 24600u);
    EXPECT_EQ(V(k.Kornlager), 2200u);
    EXPECT_EQ(V(k.BevLager), 8200u);
    EXPECT_EQ(V(k.AnzMuehlen), 1);
    EXPECT_EQ(wuerfe, 2u);
}

TEST_P(KornBildschirm, ExitAndEscapeWriteNothing)
{
    const Bytes vorher = ReadBytes(POOL_OUT);
    Oeffnen();
    Klick("DO00");
    Klick("EXIT");
    Verlassen();
    EXPECT_EQ(KornlagerScreen(), 39);
    PushEscape();
    EXPECT_EQ(KornlagerScreen(), 39);
    EXPECT_EQ(ReadBytes(POOL_OUT), vorher);
}

INSTANTIATE_TEST_SUITE_P(Tiefen, KornBildschirm, ::testing::Values(8, 32));

}  // namespace
