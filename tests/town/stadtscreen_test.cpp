// The town screen on the demo set at 8 and 32 bits: each gadget with and
// without the building it needs, the chooser behind EXIT of a town without
// residence, the rebels' box, the naming of a new town, and the darkening
// by the time of day.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/demoscreen.h"
#include "common/gamefixture.h"
#include "common/gfxfixture.h"
#include "common/scriptinput.h"
#include "gfx/gfxnumber.h"
#include "gfx/palette.h"
#include "gfx/sdlinit.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "town/stadtbild.h"
#include "town/stadtscreen.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"

using namespace vektest;

namespace {

std::vector<std::string> gemeldet, eingaben;
int offen = 0, geschlossen = 0, gewaehlt = 0;
std::vector<const char *> namen;    // what the name box answers, in turn
LONG wahlAntwort = -1;               // what the chooser answers
std::vector<std::string> wahlZeilen; // what the chooser listed
ChiefStruktur1 kBox{};

const StadtDialoge kTestDialoge = {
    [](const char *t) { gemeldet.push_back(t); },
    [](const char *t) {
        gemeldet.push_back(std::string("offen: ") + t);
        ++offen;
        return &kBox;
    },
    [](ChiefStruktur1 *) { ++geschlossen; },
    [](char *buffer, const char *prompt, const char *) -> char * {
        eingaben.push_back(prompt);
        if (namen.empty()) return nullptr;
        std::strcpy(buffer, namen.front());
        namen.erase(namen.begin());
        return buffer;
    },
    [](UWORD n, const char *lines, const char *, const char *) {
        ++gewaehlt;
        wahlZeilen.clear();
        for (UWORD i = 0; i < n; ++i) wahlZeilen.push_back(lines + 80 * i);
        return wahlAntwort;
    },
};

class StadtBildschirm : public DemoScreenTest {
protected:
    StadtDialoge alt = StadtDialogHooks;
    st_PlayerInfo altPlayer = PlayerInfo;
    void SetUp() override
    {
        DemoScreenTest::SetUp();
        StadtDialogHooks = kTestDialoge;
        gemeldet.clear(), eingaben.clear(), namen.clear(), wahlZeilen.clear();
        offen = geschlossen = gewaehlt = 0;
        wahlAntwort = -1;
        gadgets = GadgetCentres("./Data/screendat/Stadt.dat");
        ASSERT_EQ(gadgets.size(), 10u);
        PlayerInfo.AktStadtID = 0;
    }
    void TearDown() override
    {
        StadtDialogHooks = alt;
        PlayerInfo = altPlayer;
        DemoScreenTest::TearDown();
    }
    void Click(const std::string &code)
    {
        ASSERT_TRUE(gadgets.count(code)) << code;
        PushClick(gadgets[code].first, gadgets[code].second);
    }
    // Changes a town's record on disk.
    template <class F> void Aendere(const char *name, F f)
    {
        Stadt *t = LadeStadt(name);
        ASSERT_NE(t, nullptr);
        f(*t);
        ASSERT_TRUE(SpeichereStadt(t));
        FreeVec(t);
    }
    static void Setze(Stadt &t, int slot, bool gebaut)
    {
        UWORD &b = t.GebaeudeAbhaengigkeiten[slot].GfxBitfeld;
        b = gebaut ? (UWORD)(b | GFX_THISIMAGEISSET) : (UWORD)(b & ~GFX_THISIMAGEISSET);
    }
    std::map<std::string, std::pair<LONG, LONG>> gadgets;
};

TEST_P(StadtBildschirm, EachGadgetWithAndWithoutItsBuilding)
{
    struct Fall {
        const char *code;
        int slot;
        LONG mit;             // the screen with the building
        const LocStr *ohne;   // the advisor's word without it, or null
    };
    const Fall faelle[] = {
        {"KOLA", 0, 56, nullptr},  {"TAVE", 14, 59, nullptr},   {"RESI", 15, 2, nullptr},
        {"HARE", 16, 919, nullptr}, {"KASE", 19, 152, &_VEK_STADT_NOCAMP},
        {"MAPL", 25, 108, &_VEK_STADT_NOMARKTPLATZ}, {"HAFE", 51, 519, nullptr},
    };
    for (const Fall &f : faelle)
        for (bool gebaut : {true, false}) {
            SCOPED_TRACE(std::string(f.code) + (gebaut ? " built" : " not built"));
            gemeldet.clear();
            Aendere("Demoburg", [&](Stadt &t) { Setze(t, f.slot, gebaut); });
            Click(f.code);
            if (!gebaut) Click("BAUS");  // the town stays: the next click leads on
            EXPECT_EQ(StadtScreen(), gebaut ? f.mit : 43);
            if (!gebaut && f.ohne)
                EXPECT_EQ(gemeldet, std::vector<std::string>{GetString(f.ohne)});
            else
                EXPECT_TRUE(gemeldet.empty());
            ULONG stadt = 99;
            EXPECT_TRUE(CheckPrefsRead(4, &stadt));
            EXPECT_EQ(stadt, 0u) << "the town of the picture cache is kept";
        }
    // The capital leaves by EXIT and by Escape even without a residence.
    Aendere("Demoburg", [&](Stadt &t) { Setze(t, 15, false); });
    Click("EXIT");
    EXPECT_EQ(StadtScreen(), 2);
    PushEscape();
    EXPECT_EQ(StadtScreen(), 2);
    EXPECT_EQ(gewaehlt, 0);
}

TEST_P(StadtBildschirm, ChooserBehindNameAndBehindExitOfATownWithoutResidence)
{
    // NAME lists both towns; choosing the other one reopens the screen for it.
    wahlAntwort = 1;
    Click("NAME");
    EXPECT_EQ(StadtScreen(), 39);
    EXPECT_EQ(PlayerInfo.AktStadtID, 1);
    EXPECT_EQ(wahlZeilen, (std::vector<std::string>{"Demoburg", "Nordheim"}));

    // Nordheim is no capital and has no residence: EXIT asks for a town.
    // (The buildings of the last turn would put its residence back.)
    SchreibeGebaeude({});
    Aendere("Nordheim", [&](Stadt &t) { Setze(t, 15, false); });
    wahlAntwort = 1;  // the town itself: the player stays
    Click("EXIT");
    Click("BAUS");
    EXPECT_EQ(StadtScreen(), 43);
    EXPECT_EQ(gewaehlt, 2);
    wahlAntwort = 0;
    PushEscape();
    EXPECT_EQ(StadtScreen(), 39);
    EXPECT_EQ(PlayerInfo.AktStadtID, 0);
    EXPECT_EQ(gewaehlt, 3);

    // With its residence it leaves for the residence.
    PlayerInfo.AktStadtID = 1;
    Aendere("Nordheim", [&](Stadt &t) { Setze(t, 15, true); });
    Click("EXIT");
    EXPECT_EQ(StadtScreen(), 2);
    EXPECT_EQ(gewaehlt, 3);
    EXPECT_TRUE(gemeldet.empty());
}

TEST_P(StadtBildschirm, EveryLevelOpensWithItsButtonsAndLeaves)
{
    const ULONG buttons[][2] = {{0, 0}, {758, 759}, {763, 764}, {768, 769}};
    for (UWORD level : {2, 3, 4, 1, 9}) {
        SCOPED_TRACE(level);
        Aendere("Demoburg", [&](Stadt &t) {
            t.Level = level;
            t.TownChanged = 1;
        });
        Click("BAUS");
        EXPECT_EQ(StadtScreen(), 43);
        // The button images made over the town are gone with the screen.
        const UWORD l = level >= 2 && level <= 4 ? level : 1;
        for (ULONG n : buttons[l - 1]) {
            if (n) {
                EXPECT_EQ(BitMapPtrArray[n - 1], nullptr);
            }
        }
    }
}

// The town's name is printed over the strip at the top once the town is shown.
long namensPixel = -1;
TEST_P(StadtBildschirm, NameShownAtTheTop)
{
    Aendere("Demoburg", [&](Stadt &t) { t.Event |= STADTEVENT_REBELLION; });
    namensPixel = -1;
    StadtDialogHooks.Offen = [](const char *) {
        RastPort *rp = DisplayRastPort();
        std::map<ULONG, long> farben;
        for (int y = 0; y < 40; ++y)
            for (int x = 330; x < 560; ++x) farben[ReadPixel(rp, x, y)]++;
        long meiste = 0;
        for (auto &[f, n] : farben) meiste = std::max(meiste, n);
        namensPixel = 230 * 40 - meiste;
        return &kBox;
    };
    PushEscape();
    EXPECT_EQ(StadtScreen(), 2);
    EXPECT_GT(namensPixel, 100) << "\"Demoburg\" drawn over the strip";
}

TEST_P(StadtBildschirm, OneTownOnlyHasNoChooser)
{
    ULONG n = 0;
    TownList *liste = LadeTownList(&n, nullptr);
    ASSERT_NE(liste, nullptr);
    ASSERT_TRUE(SpeichereTownList(liste, 1));
    FreeVec(liste);
    Click("NAME");
    Click("BAUS");
    EXPECT_EQ(StadtScreen(), 43);
    EXPECT_EQ(gewaehlt, 0);
    EXPECT_EQ(gemeldet, std::vector<std::string>{GetString(&_VEK_STADT_NOOTHERARMYS)});
}

TEST_P(StadtBildschirm, RebelsLeaveOnlyTheWaysOut)
{
    Aendere("Demoburg", [&](Stadt &t) {
        t.Event |= STADTEVENT_REBELLION;
        Setze(t, 0, true);
    });
    Click("KOLA");
    Click("BAUS");
    Click("EXIT");
    EXPECT_EQ(StadtScreen(), 2);
    EXPECT_EQ(offen, 1);
    EXPECT_EQ(geschlossen, 1);
    EXPECT_EQ(gemeldet, std::vector<std::string>{std::string("offen: ") + GetString(&_VEK_STADT_REBELLION)});

    // NAME closes the box too; a chooser left without a choice brings it back.
    offen = geschlossen = 0;
    wahlAntwort = -1;
    Click("NAME");
    Click("EXIT");
    EXPECT_EQ(StadtScreen(), 2);
    EXPECT_EQ(gewaehlt, 1);
    EXPECT_EQ(offen, 2);
    EXPECT_EQ(geschlossen, 2);
}

TEST_P(StadtBildschirm, NewTownIsNamedATakenNameAskedAgain)
{
    PlayerInfo.AktStadtID = 7;  // not in the list: a town is founded
    namen = {"Nordheim", "Neu Hafen"};
    wahlAntwort = -1;
    Click("BAUS");
    EXPECT_EQ(StadtScreen(), 43);
    EXPECT_EQ(eingaben.size(), 2u);
    EXPECT_EQ(gemeldet, std::vector<std::string>{GetString(&_VEK_STADT_CITYNAMETWICE)});
    Stadt *t = LadeStadt("Neu_Hafen");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Event & STADTEVENT_NEWTOWN, 0);
    const ULONG id = t->StadtID;
    FreeVec(t);
    ULONG n = 0;
    TownList *liste = LadeTownList(&n, nullptr);
    ASSERT_EQ(n, 3u);
    EXPECT_STREQ(liste[2].TownName, "Neu_Hafen");
    FreeVec(liste);
    EXPECT_EQ(GetFileSize("./Data/Cities/Neu_Hafen.image"), 640u * 480u * (ULONG)(GetParam() / 8));

    // Named once, it is not asked again.
    PlayerInfo.AktStadtID = (LONG)id;
    eingaben.clear();
    Click("BAUS");
    EXPECT_EQ(StadtScreen(), 43);
    EXPECT_TRUE(eingaben.empty());
}

TEST_P(StadtBildschirm, NameThatCannotBeStoredClosesTheBox)
{
    PlayerInfo.AktStadtID = 7;
    // The record goes while the player types: the name is fine, storing it fails.
    StadtDialogHooks.Eingabe = [](char *buffer, const char *prompt, const char *) -> char * {
        eingaben.push_back(prompt);
        std::remove("Data/Cities/NewTown.0.vek");
        std::strcpy(buffer, "Neu Hafen");
        return buffer;
    };
    Click("BAUS");
    EXPECT_EQ(StadtScreen(), 43) << "the screen goes on without a name";
    EXPECT_EQ(eingaben.size(), 1u) << "asked once, not again and again";
    EXPECT_TRUE(gemeldet.empty()) << "no \"name exists\" for a name that is free";
    ULONG n = 0;
    TownList *liste = LadeTownList(&n, nullptr);
    ASSERT_EQ(n, 3u);
    EXPECT_STREQ(liste[2].TownName, "NewTown.0") << "still unnamed: asked at the next visit";
    FreeVec(liste);
}

INSTANTIATE_TEST_SUITE_P(Depths, StadtBildschirm, ::testing::Values(8, 32),
                         [](const auto &info) { return std::to_string(info.param) + "bit"; });

// The darkening of the palette by the clock at 8 bits.
int uhrStunde = 12, uhrMinute = 0;

class Uhr : public ::testing::Test {
protected:
    void SetUp() override
    {
        StadtUhrHook = [](int *h, int *m) { *h = uhrStunde, *m = uhrMinute; };
        std::memcpy(alt, KavoriaPalette, sizeof alt);
        for (int i = 0; i < 256; ++i) KavoriaPalette[i] = {200, 100, 10, 0};
    }
    void TearDown() override
    {
        std::memcpy(KavoriaPalette, alt, sizeof alt);
        StadtUhrHook = altUhr;
    }
    void (*altUhr)(int *, int *) = StadtUhrHook;
    SDL_Color alt[256];
};

TEST_F(Uhr, OpensDarkAndFollowsTheClock)
{
    SdlScreen screen(8);
    ASSERT_TRUE(screen.Ok());
    FadeRecorder rec;
    LokaleDatenStadtScreen ld{};
    uhrStunde = 21, uhrMinute = 45;
    CheckSysTime(&ld, 1);
    EXPECT_EQ(ld.AktProzent, 50);
    EXPECT_TRUE(ld.Lumiere);
    EXPECT_EQ(rec.Of('p').size(), 0u) << "before the fade-in nothing is shown";
    EXPECT_EQ(KavoriaPalette[36].r, 100);
    EXPECT_EQ(KavoriaPalette[35].r, 200) << "entries below 36 keep their colour";
    EXPECT_EQ(ReadPixel(DisplayRastPort(), 540, 286), 7u) << "window lights";

    struct Schritt {
        int h, m;
        UBYTE prozent;
        UBYTE rot;
    };
    // Past 4:00 the night lifts 5 per check, past 21:30 it jumps.
    const Schritt schritte[] = {{23, 0, 60, 80}, {4, 0, 55, 90}, {4, 5, 50, 100}, {4, 10, 50, 100},
                                {21, 0, 45, 110}, {21, 0, 40, 120}, {21, 30, 50, 100}};
    for (const Schritt &s : schritte) {
        SCOPED_TRACE(std::to_string(s.h) + ":" + std::to_string(s.m));
        const size_t vorher = rec.Of('p').size();
        uhrStunde = s.h, uhrMinute = s.m;
        CheckSysTime(&ld, 0);
        EXPECT_EQ(ld.AktProzent, s.prozent);
        EXPECT_EQ(KavoriaPalette[255].r, s.rot);
        EXPECT_EQ(KavoriaPalette[255].g, Abdunkeln(100, s.prozent));
        EXPECT_EQ(rec.Of('p').size(), vorher + (s.h == 4 && s.m == 10 ? 0 : 1));
    }
    FreeVec(ld.ScreenColorMemPtr);
}

}  // namespace
