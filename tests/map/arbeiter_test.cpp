// The cultivation requester: typed worker numbers and their limits, the
// record a hex gets, the switch to automatic distribution and what it
// deletes, the thirteen values and the graph points.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "common/demoscreen.h"
#include "common/scriptinput.h"
#include "common/testutil.h"
#include "map/arbeiter.h"
#include "world/hex.h"
#include "world/mapinfo.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "ui/screendat.h"

using namespace vektest;

namespace {

TEST(ArbeiterReqZahl, ClampedAsASignedNumberThenToAThousand)
{
    struct Fall {
        const char *text;
        ULONG frei, soll;
    } faelle[] = {
        {"5000", 3000, 1000}, {"5000", 500, 500}, {"-5", 300, 0},     {"", 300, 0},
        {"12x", 300, 12},     {"999", 999, 999},  {"99999999999", 2000, 1000},
    };
    for (const Fall &f : faelle) EXPECT_EQ(ArbeiterReqZahl(f.text, f.frei), f.soll) << f.text << " / " << f.frei;
}

TEST(ArbeiterReqWerte, ManualAndAutomatic)
{
    MapCultivation f{};
    f.PrevHarvest[0] = 9000;
    f.ActWood = 7, f.PrevWood[0] = 9;
    f.ActStone = 4, f.PrevStone[0] = 1;
    LokaleDatenArbeiterReq ld{};
    ld.Art = GK_STEPPE;
    ld.Arbeiter = 50, ld.ArbeiterErnte = 100, ld.ArbeiterHolz = 200, ld.ArbeiterStein = 400;
    ld.MapCultNodePtr = &f;
    LONG w[ARBEITER_WERTE];
    ArbeiterReqWerte(&ld, w);
    // No actual harvest yet: it becomes 10,000 before it is shown.
    EXPECT_EQ(+f.ActHarvest, 10000u);
    EXPECT_EQ(w[0], 50);
    EXPECT_EQ(w[1], 100);
    EXPECT_EQ(w[2], 10000);
    EXPECT_GE(w[3], w[2]);
    EXPECT_EQ(w[4], 1000);
    EXPECT_EQ(w[6], 7);
    EXPECT_EQ(w[8], -2);
    EXPECT_EQ(w[10], 4);
    EXPECT_EQ(w[12], 3);

    ld.Automatik = 1;
    ArbeiterReqWerte(&ld, w);
    EXPECT_EQ(w[2], 100 * 40 + 10000);
    EXPECT_EQ(w[4], 0);
    EXPECT_EQ(w[6], 1);   // 200 x 5 / 1,000
    EXPECT_EQ(w[8], 0);
    EXPECT_EQ(w[10], 2);  // 400 x 5 / 1,000
    EXPECT_EQ(w[12], 0);
}

TEST(ArbeiterReqGraph, PointsOldestFirstScaledByTheLargestValue)
{
    MapCultivation f{};
    f.MaxHarvest = 4000000000u;
    f.ActHarvest = 4000000000u;
    f.PrevHarvest[8] = 2000000000u;  // the oldest
    LONG y[ARBEITER_PUNKTE];
    ArbeiterReqGraph(&f, 0, 300, 100, y);
    EXPECT_EQ(y[0], 250);
    EXPECT_EQ(y[1], 300);
    EXPECT_EQ(y[9], 200);
    // Nothing at all: the scale is 1 and every point lies on the base line.
    MapCultivation leer{};
    ArbeiterReqGraph(&leer, 2, 300, 100, y);
    for (LONG v : y) EXPECT_EQ(v, 300);
}

// The requester on the demo set over a hand-made view of own steppe at
// absolute (1000 + column, 500 + row); the cursor on view hex (3, 2).
class Arbeiter : public DemoScreenTest {
protected:
    void SetUp() override
    {
        DemoScreenTest::SetUp();
        if (GetParam() > 8) {
            // Above 8 bits the requester belongs to the map screen of a
            // 1024 x 768 display, whose mouse positions are the display's.
            screen_.reset();
            screen_ = std::make_unique<SdlScreen>(GetParam(), 1024, 768);
            ASSERT_TRUE(screen_->Ok());
            altBildschirm = VekDisplay.VekScreen;
            VekDisplay.VekScreen = 3;
        }
        view.GreatMapPtr = (MapEntry *)AllocVec(sizeof(MapEntry) * FENSTER_BREITE * FENSTER_HOEHE, MEMF_CLEAR);
        ASSERT_NE(view.GreatMapPtr, nullptr);
        for (LONG y = 0; y < FENSTER_HOEHE; ++y)
            for (LONG x = 0; x < FENSTER_BREITE; ++x) {
                MapEntry &e = view.GreatMapPtr[y * FENSTER_BREITE + x];
                e.X = 1000 + (ULONG)x, e.Y = 500 + (ULONG)y, e.Art = 1;
            }
        st.VekMapInfoPtr = &view;
        st.X_Pos = 3, st.Y_Pos = 2;
        st.OrgArbeiter = 9000, st.AnzMorgen = 10;
        CheckPrefs(PREF_AUTO_ARBEITER, PREFS_WRITE, 0);
        CheckPrefs(PREF_ARBEITER, PREFS_WRITE, 3000);
    }
    void TearDown() override
    {
        if (GetParam() > 8) VekDisplay.VekScreen = altBildschirm;
        FreeVec(view.GreatMapPtr);
        DemoScreenTest::TearDown();
    }
    void Druecke(const char (&code)[5])
    {
        const char *datei = VekDisplay.VekScreen_Tiefe > 8 ? "./Data/screendat/KarteArbeiterReq1024.dat"
                                                            : "./Data/screendat/KarteArbeiterReq.dat";
        ScreenRegion *r = GetScreenRegion(datei, SR_GADGETDATA);
        ASSERT_NE(r, nullptr);
        for (ULONG i = 0; i < r->CountGadgetData; ++i)
            if (r->GadgetData[i].ReturnID == MakeGadgetID(code))
                PushClick((r->GadgetData[i].X0 + r->GadgetData[i].X1) / 2 + versatz,
                          (r->GadgetData[i].Y0 + r->GadgetData[i].Y1) / 2 + versatz);
        ClearScreenRegion(r);
    }
    void Tippe(const std::string &text)
    {
        for (char c : text) PushKey(c, c);
        PushKey(SDLK_RETURN, 13);
    }
    // The record of the cursor hex as its block file holds it, if any.
    bool Feld(MapCultivation *f)
    {
        ListHeader *l = CreateList(LISTE_MAPCULT);
        ScanMapCult2List(l, 1003 / CULT_BLOCK_BREITE, 502 / CULT_BLOCK_HOEHE);
        bool da = false;
        ListNode *n = l->FirstNode;
        for (ULONG i = 0; n && i < l->Elemente; ++i, n = n->Next) {
            const auto *g = (const MapCultivation *)NodeData(n);
            if (g->X == 1003 && g->Y == 502) *f = *g, da = true;
        }
        DeleteList(l, LIST_FREE_OWNED);
        return da;
    }
    void SchreibeFeld(UWORD ernte)
    {
        ListHeader *l = CreateList(LISTE_MAPCULT);
        MapCultivation *f = ArbeiterReqGetMapCultNode(l, 1003, 502);
        f->WorkersForHarvest = ernte;
        f->ActHarvest = 12345;
        ASSERT_TRUE(SaveMapCultList(l, 1003 / CULT_BLOCK_BREITE, 502 / CULT_BLOCK_HOEHE));
        DeleteList(l, LIST_FREE_OWNED);
    }
    VekMapInfo view{};
    LokaleDatenKartenScreen st{};
    UWORD altBildschirm = 0;
    LONG versatz = 0;  // how far the requester lies from where its description puts it
};

TEST_P(Arbeiter, ANewRecordIsStoredOnLeavingWithAnActualHarvest)
{
    Druecke("EXIT");
    EXPECT_EQ(ArbeiterReq(&st), 1);
    MapCultivation f{};
    ASSERT_TRUE(Feld(&f));
    EXPECT_EQ(+f.ActHarvest, 10000u);
    EXPECT_EQ(+f.WorkersForHarvest, 0);
    EXPECT_EQ(CheckPrefs(PREF_ARBEITER, PREFS_READ, 0), 3000u);
}

TEST_P(Arbeiter, TypedNumbersTakeFromTheFreeWorkers)
{
    struct Fall {
        const char *text;
        ULONG frei;
        UWORD vorher, soll;
        ULONG freiDanach;
    } faelle[] = {
        {"5000", 3000, 0, 1000, 2000},
        {"5000", 500, 0, 500, 0},
        {"-5", 100, 200, 0, 300},  // the old number goes back to the free workers
    };
    for (const Fall &c : faelle) {
        SchreibeFeld(c.vorher);
        CheckPrefs(PREF_ARBEITER, PREFS_WRITE, c.frei);
        Druecke("BOX1");
        Tippe(c.text);
        Druecke("EXIT");
        EXPECT_EQ(ArbeiterReq(&st), 1) << c.text;
        MapCultivation f{};
        ASSERT_TRUE(Feld(&f));
        EXPECT_EQ(+f.WorkersForHarvest, c.soll) << c.text;
        EXPECT_EQ(+f.ActHarvest, 12345u) << c.text;
        EXPECT_EQ(CheckPrefs(PREF_ARBEITER, PREFS_READ, 0), c.freiDanach) << c.text;
    }
}

std::vector<std::string> KartenDateien()
{
    std::vector<std::string> namen;
    for (const auto &e : std::filesystem::directory_iterator("Map")) namen.push_back(e.path().filename().string());
    std::sort(namen.begin(), namen.end());
    return namen;
}

TEST_P(Arbeiter, AutomaticAsksThenDeletesEveryCultivationFile)
{
    SchreibeFeld(7);
    WriteBytes("Map/C_1_1.vek", Bytes(98, 0));
    std::vector<std::string> vorher = KartenDateien();

    // Cancelled: nothing changes.
    Druecke("AUTO");
    PushEscape();
    Druecke("EXIT");
    EXPECT_EQ(ArbeiterReq(&st), 1);
    EXPECT_EQ(KartenDateien(), vorher);
    EXPECT_EQ(CheckPrefs(PREF_AUTO_ARBEITER, PREFS_READ, 0), 0u);

    Druecke("AUTO");
    PushKey(SDLK_RETURN, 13);
    Druecke("EXIT");
    EXPECT_EQ(ArbeiterReq(&st), 1);
    std::vector<std::string> ohneC;
    for (const std::string &n : vorher)
        if (n[0] != 'C') ohneC.push_back(n);
    ASSERT_LT(ohneC.size(), vorher.size());
    EXPECT_EQ(KartenDateien(), ohneC);
    EXPECT_EQ(CheckPrefs(PREF_AUTO_ARBEITER, PREFS_READ, 0), 1u);
    EXPECT_EQ(CheckPrefs(PREF_ARBEITER, PREFS_READ, 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Tiefen, Arbeiter, ::testing::Values(8, 32));

// On a 1280 x 1024 display the map screen fills the whole display and the
// requester stands in its middle, 128 pixels right of and below where its
// description puts it: its input box is there too.
class ArbeiterGross : public Arbeiter {
protected:
    void SetUp() override
    {
        Arbeiter::SetUp();
        screen_.reset();
        screen_ = std::make_unique<SdlScreen>(GetParam(), 1280, 1024);
        ASSERT_TRUE(screen_->Ok());
        VekDisplay.VekScreen = 3;  // the map screen's picture: mouse positions are the display's
        versatz = 128;
    }
};

TEST_P(ArbeiterGross, TheRequesterAndItsBoxesMoveToTheMiddle)
{
    CheckPrefs(PREF_ARBEITER, PREFS_WRITE, 3000);
    Druecke("BOX1");
    Tippe("5000");
    PushEscape();
    EXPECT_EQ(ArbeiterReq(&st), 1);
    MapCultivation f{};
    ASSERT_TRUE(Feld(&f));
    EXPECT_EQ(+f.WorkersForHarvest, 1000) << "the number was typed into the moved box";
    EXPECT_EQ(CheckPrefs(PREF_ARBEITER, PREFS_READ, 0), 2000u);
}

// The question before the automatic stands amid the display like every
// advisor box: its Ok button is clicked there. A box elsewhere takes the
// first escape as its cancel, and the second leaves the requester.
TEST_P(ArbeiterGross, TheAutomaticQuestionStandsAmidTheDisplay)
{
    Druecke("AUTO");
    const LONG x = (1280 - 640) / 2 + 168, y = (1024 - 480) / 2 + 180;
    PushClick(x + 90, y + 111);
    PushEscape();
    PushEscape();
    EXPECT_EQ(ArbeiterReq(&st), 1);
    EXPECT_EQ(CheckPrefs(PREF_AUTO_ARBEITER, PREFS_READ, 0), 1u);
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
    }
}

INSTANTIATE_TEST_SUITE_P(Tiefen, ArbeiterGross, ::testing::Values(32));

}  // namespace
