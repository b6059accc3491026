// The residence's rules: the old-turn warning, the tutorial's steps, the
// tips and the comment sounds.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/gamefixture.h"
#include "common/testutil.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/store.h"
#include "town/residenz.h"
#include "world/towns.h"

namespace {

std::vector<std::string> asked, messages, texts;
LONG askAnswer = 1;

// 2026-05-01 12:00:00 UTC.
std::time_t Mai() { return 1777636800; }

class Residenz : public testing::Test {
public:
    vektest::ScratchDir dir;
    st_PlayerInfo alt = PlayerInfo;
    ResidenzDialogs altDialogs = ResidenzDialogHooks;
    std::time_t (*altClock)() = ResidenzClockHook;
    LokaleDatenResidenzScreen ld{};

    void SetUp() override
    {
        vektest::MakeDirs("Data/Cities");
        vektest::MakeDirs("Data/POP3In");
        vektest::MakeDirs("Data/POP3Out");
        vektest::SchreibeVorlage(vektest::StandardSlots());
        asked.clear(), messages.clear(), texts.clear();
        askAnswer = 1;
        ResidenzDialogHooks = {[](const char *t) { asked.push_back(t); return askAnswer; },
                               [](const char *t) { messages.push_back(t); },
                               [](const char *t) { texts.push_back(t); return (LONG)1; },
                               [](const char *, const char *, UWORD) { return (LONG)-1; }};
        ResidenzClockHook = Mai;
        PlayerInfo.TurnChecked = 0;
        PlayerInfo.SpielerID = 7;
        PlayerInfo.AktStadtID = 0;
    }
    void TearDown() override
    {
        PlayerInfo = alt;
        ResidenzDialogHooks = altDialogs;
        ResidenzClockHook = altClock;
    }
    static void Pref(UWORD id, ULONG v) { ASSERT_TRUE(CheckPrefsWrite(id, v)); }
    static ULONG Pref(UWORD id) { return CheckPrefs(id, PREFS_READ, 0); }
};

TEST_F(Residenz, PseudoSecondsOfTheCalendar)
{
    EXPECT_EQ(PseudoSeconds(Mai()), 4060584000ull);
    EXPECT_EQ(PseudoSeconds(Mai() + 1), 4060584001ull);
    // Months count 31 days: 1 May minus a day is 30 April, day 30 of month 3.
    EXPECT_EQ(PseudoSeconds(Mai() - 86400), 4060584000ull - 2678400 + 29 * 86400ull);
}

TEST_F(Residenz, TurnIsOldOncePerRun)
{
    struct Fall {
        const char *name;
        ULONG pref31;
        bool old;
    } faelle[] = {
        {"never applied", 0, false},
        {"exactly a day before", 4060497600u, false},
        {"a day and a second before", 4060497599u, true},
        {"near the top of 32 bits does not wrap", 4294960000u, false},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        asked.clear(), texts.clear();
        PlayerInfo.TurnChecked = 0;
        Pref(31, f.pref31);
        EXPECT_EQ(TurnIsOld(&ld), 0);  // declined
        EXPECT_EQ(asked.size(), f.old ? 1u : 0u);
        EXPECT_EQ(texts.size(), f.old ? 1u : 0u);  // the warning after a refusal
        EXPECT_TRUE(PlayerInfo.TurnChecked);
        // Asked once per run.
        EXPECT_EQ(TurnIsOld(&ld), 0);
        EXPECT_EQ(asked.size(), f.old ? 1u : 0u);
    }
}

TEST_F(Residenz, Tips)
{
    struct Fall {
        ULONG tutorial, tip;
        ULONG shown;  // catalog ID, 0 none
        ULONG stored;
    } faelle[] = {
        {18, 255, 1480, 1}, {18, 0, 1480, 1}, {18, 3, 1483, 4}, {18, 8, 1488, 9},
        {18, 9, 0, 9},      {19, 0, 0, 0},    {17, 0, 0, 0},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(testing::Message() << "tutorial " << f.tutorial << " tip " << f.tip);
        messages.clear();
        Pref(30, f.tutorial), Pref(28, f.tip);
        ShowTipps(&ld);
        ASSERT_EQ(messages.size(), f.shown ? 1u : 0u);
        if (f.shown) {
            EXPECT_EQ(messages[0], GetStringFromID(f.shown));
        }
        EXPECT_EQ(Pref(28), f.stored);
    }
}

TEST_F(Residenz, TutorialSteps)
{
    const auto namedTown = [](bool named) {
        Stadt *t = CreateTown(named ? "Demoburg" : "NewTown", 0);
        ASSERT_NE(t, nullptr);
        ASSERT_TRUE(SpeichereStadt(t));
        TownList e{};
        std::strcpy(e.TownName, t->Stadtname);
        FreeVec(t);
        ASSERT_TRUE(SpeichereTownList(&e, 1));
    };
    const auto korn = [](ULONG bev, ULONG ausSaat, ULONG ausBev) {
        st_KORN k = vektest::KornChunk(1, 0, 0, bev);
        k.AusfallSaatlager = ausSaat, k.AusfallBevLager = ausBev;
        vektest::InsPool(&k, POOL_OUT);
    };
    struct Fall {
        const char *name;
        ULONG step;
        bool newTurn;
        std::function<void()> setup;
        ULONG next;
    } faelle[] = {
        {"0 waits for a new turn", 0, false, [] {}, 0},
        {"0 accepted", 0, true, [] { askAnswer = 0; }, 1},
        {"0 declined ends it", 0, true, [] { askAnswer = 1; }, 18},
        {"1 the capital still unnamed", 1, false, [=] { namedTown(false); }, 1},
        {"1 the capital named", 1, false, [=] { namedTown(true); }, 2},
        {"2 people not fed", 2, false, [=] { korn(0, 0, 0); }, 2},
        {"2 people fed", 2, false, [=] { korn(5, 0, 0); }, 3},
        {"3 no building order", 3, false, [] {}, 3},
        {"4 one supply only", 4, false, [=] { korn(0, 1, 0); }, 4},
        {"4 both supplies", 4, false, [=] { korn(0, 1, 1); }, 5},
        {"6 no taxes", 6, true, [] {}, 6},
        {"6 taxes set", 6, false, [] { st_TAXE t = vektest::TaxeChunk(0); vektest::InsPool(&t, POOL_OUT); }, 7},
        {"7 waits for a new turn", 7, false, [] {}, 7},
        {"7 a new turn", 7, true, [] {}, 8},
        {"8 no MOVE chunk", 8, true, [] {}, 8},
        {"10 no letter", 10, false, [] {}, 10},
        {"10 a letter waits", 10, false, [] { vektest::MakeDirs("Data/MailOut"); vektest::WriteText("Data/MailOut/E9_00.smal", "x"); }, 11},
        {"12 no research", 12, false, [] {}, 12},
        {"12 research running",
         12, false,
         [] {
             st_FORS *f = (st_FORS *)AllocChunk(CN_FORS, 0, 1);
             f->AktiveForschung = 3;
             vektest::InsPool(f, POOL_IN);
             FreeChunk(f);
         },
         13},
        {"16 a new turn", 16, true, [] {}, 17},
        {"17 the end, no text", 17, true, [] {}, 18},
        {"18 done", 18, true, [] {}, 18},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        vektest::ScratchDir eigen;
        SetUp();
        texts.clear(), asked.clear();
        Pref(30, f.step), Pref(35, f.newTurn);
        f.setup();
        ShowTutorial(&ld);
        EXPECT_EQ(Pref(30), f.next);
        const bool told = f.next != f.step && f.next != 18;
        ASSERT_EQ(texts.size(), told ? 1u : 0u);
        if (told) {
            EXPECT_EQ(texts[0], GetStringFromID(1545 + f.step));
        }
    }
}

TEST_F(Residenz, CommentSounds)
{
    struct Fall {
        const char *name;
        ULONG roll;
        std::function<void(LokaleDatenResidenzScreen &)> set;
        UWORD sfx;
    } faelle[] = {
        {"a building finished in the turn", 0, [](auto &l) { l.BuildingFinish = l.GotSpielzug = 1; }, 28},
        {"a building, no turn", 0, [](auto &l) { l.BuildingFinish = 1; }, 0},
        {"a turn fetched", 1, [](auto &l) { l.GotSpielzug = 1; }, 29},
        {"no seed in quarter 0", 2, [](auto &l) { l.Bevlager = 1, l.GotSpielzug = 1; }, 30},
        {"people unfed", 2, [](auto &l) { l.Quartal = 1, l.Saatlager = 1; }, 30},
        {"stores full", 2, [](auto &l) { l.Quartal = 1, l.Saatlager = 1, l.Bevlager = 1; }, 0},
        {"no research", 3, [](auto &l) { l.GotSpielzug = 1; }, 31},
        {"research running", 3, [](auto &l) { l.GotSpielzug = 1, l.AktiveForschung = 2; }, 0},
        {"land tax 76", 4, [](auto &l) { l.Grundsteuer = 76; }, 32},
        {"land tax 75", 4, [](auto &l) { l.Grundsteuer = 75; }, 0},
        {"weather 6", 5, [](auto &l) { l.Wetter = 6; }, 33},
        {"weather 4", 5, [](auto &l) { l.Wetter = 4; }, 0},
        {"weather 1", 6, [](auto &l) { l.Wetter = 1; }, 34},
        {"weather 2", 6, [](auto &l) { l.Wetter = 2; }, 0},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        LokaleDatenResidenzScreen l{};
        f.set(l);
        EXPECT_EQ(ResidenzSfxFor(&l, f.roll), f.sfx);
    }
}

TEST_F(Residenz, TurnFiguresFromBothPools)
{
    st_KORN in = vektest::KornChunk(1, 1, 1, 1);
    in.Wetter = 5, in.Quartal = 3;
    vektest::InsPool(&in, POOL_IN);
    // Without KORN in the outgoing pool nothing is taken from the received one.
    EXPECT_TRUE(ReadResidenzChunks(&ld));
    EXPECT_EQ(ld.Wetter, 0);
    st_KORN out = vektest::KornChunk(1, 70, 0, 80);
    out.Quartal = 1, out.AusfallSaatlager = 2, out.AusfallBevLager = 3, out.Wetter = 1;
    vektest::InsPool(&out, POOL_OUT);
    st_TAXE t = vektest::TaxeChunk(0);
    t.Grundsteuer = 76;
    vektest::InsPool(&t, POOL_OUT);
    EXPECT_TRUE(ReadResidenzChunks(&ld));
    EXPECT_EQ(ld.Wetter, 5);
    EXPECT_EQ(ld.Quartal, 3);
    EXPECT_EQ(ld.Saatlager, 70u);
    EXPECT_EQ(ld.Bevlager, 80u);
    EXPECT_EQ(ld.AusfallSaatlager, 2u);
    EXPECT_EQ(ld.AusfallBevlager, 3u);
    EXPECT_EQ(ld.Grundsteuer, 76u);
    // A chunk marked present that cannot be read counts as absent and is told.
    ASSERT_TRUE(UpdateInfoChunk(CN_FORS, 1, POOL_IN));
    LokaleDatenResidenzScreen l{};
    EXPECT_FALSE(ReadResidenzChunks(&l));
    EXPECT_EQ(l.AktiveForschung, 0);
    EXPECT_EQ(l.Grundsteuer, 76u);
}

}  // namespace
