// The barracks' rules: recruiting figures and steppers, the army
// operations with their refusals, training, armour class and the moves of
// weapons between stock and parts, all behind a recording prompter.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "platform/catalog.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "world/kaserne.h"
#include "world/towns.h"
#include "world/turnfixture.h"

namespace {

constexpr ULONG kX = 120, kY = 60;

// A packed record field read by value (it may lie unaligned).
template <class T> T V(T v) { return v; }

// What a rule said and asked; answers queued by the test.
struct Recorder {
    std::vector<const LocStr *> said;
    std::deque<BOOL> confirms;
    std::deque<std::string> names;    // "\x1b" cancels
    std::deque<LONG> lines;
    std::vector<std::vector<std::string>> shown;
    KasernenFragen Fragen()
    {
        KasernenFragen f;
        f.Message = [this](const LocStr &s) { said.push_back(&s); };
        f.Confirm = [this](const LocStr &s) {
            said.push_back(&s);
            if (confirms.empty()) return (BOOL)1;
            BOOL b = confirms.front();
            confirms.pop_front();
            return b;
        };
        f.Name = [this](const LocStr &, const LocStr &, std::string &n) {
            if (names.empty() || names.front() == "\x1b") return (BOOL)0;
            n = names.front();
            names.pop_front();
            return (BOOL)1;
        };
        f.Zeile = [this](const std::vector<std::string> &l) {
            shown.push_back(l);
            if (lines.empty()) return (LONG)-1;
            LONG v = lines.front();
            lines.pop_front();
            return v;
        };
        return f;
    }
    const LocStr *last() const { return said.empty() ? nullptr : said.back(); }
};

struct State {
    LokalDataKaserne ld;
    Recorder rec;
    KasernenFragen f;
    explicit State(ULONG volk = 10000, ULONG armeeVolk = 5000)
    {
        PlayerInfo = st_PlayerInfo{};
        PlayerInfo.SpielerID = 7;
        ld.AktiveStadt = (Stadt *)AllocVec(sizeof(Stadt), MEMF_CLEAR);
        ld.AktiveStadt->XPos = kX;
        ld.AktiveStadt->YPos = kY;
        ld.AktiveStadt->ArmeeVolk = armeeVolk;
        ld.Volk = volk;
        ld.Vertrauen = 60;
        f = rec.Fragen();
    }
    ~State() { FreeKasernenData(&ld); }
    KaserneArmee &Add(const char *name, std::vector<ArmeeEntry> teile, bool inTown = true)
    {
        KaserneArmee a{};
        a.Kopf.PosX = inTown ? kX : kX + 1;
        a.Kopf.PosY = kY;
        std::strncpy(a.Kopf.Name, name, 19);
        a.Teile = std::move(teile);
        a.Kopf.ArmeeTypAnzahl = (ULONG)a.Teile.size();
        ld.Armeen.push_back(a);
        return ld.Armeen.back();
    }
    // Stock of item id (own record of its ware) with its weapon record.
    void Stock(ULONG id, ULONG n)
    {
        st_WARE_EXT w{};
        w.Info = 5;
        w.WarenTyp = WaffeVonId(id)->WarenStringID;
        w.WarenAnzahl = n;
        ld.WarenListe.push_back(w);
        Waffen x = *WaffeVonId(id);
        x.Anzahl = n;
        ld.WaffenListe.push_back(x);
    }
    ULONG Pieces(ULONG id) const
    {
        ULONG a = 0, b = 0;
        for (const Waffen &w : ld.WaffenListe) if (w.Id == id) a += w.Anzahl;
        for (const st_WARE_EXT &w : ld.WarenListe)
            if (w.Info == 5 && w.WarenTyp == WaffeVonId(id)->WarenStringID) b += w.WarenAnzahl;
        EXPECT_EQ(a, b) << "weapon and ware lists out of step for item " << id;
        return a;
    }
};

ArmeeEntry Teil(ULONG typ, ULONG anzahl, ULONG w1 = 0, ULONG w2 = 0)
{
    ArmeeEntry t{};
    t.Typ = typ;
    t.Anzahl = anzahl;
    t.WaffeI = w1;
    t.WaffeII = w2;
    return t;
}

std::vector<ArmeeEntry> Teile(size_t n, ULONG typ = KASERNE_INFANTERIE, ULONG anzahl = 50)
{
    return std::vector<ArmeeEntry>(n, Teil(typ, anzahl));
}

// ---- recruiting ----

TEST(KaserneRekruten, UnitsStepInFiftiesAndTensAndNeverBelowFifty)
{
    struct Fall {
        LONG rekruten, newArmy;
        KaserneKnopf knopf;
        LONG wantRekruten, wantNew;
        const LocStr *msg;
    } faelle[] = {
        {49, 0, KASERNE_EINHEITEN_MEHR, 49, 0, &_VEK_KASERNE_50REKRUTEN},
        {50, 0, KASERNE_EINHEITEN_MEHR, 0, 50, nullptr},
        {15, 50, KASERNE_EINHEITEN_MEHR, 5, 60, nullptr},
        {5, 60, KASERNE_EINHEITEN_MEHR, 0, 65, nullptr},
        {0, 55, KASERNE_EINHEITEN_WENIGER, 55, 0, nullptr},
        {0, 70, KASERNE_EINHEITEN_WENIGER, 10, 60, nullptr},
        {10, 60, KASERNE_EINHEITEN_WENIGER, 20, 50, nullptr},
        {20, 50, KASERNE_EINHEITEN_WENIGER, 70, 0, nullptr},
    };
    for (const Fall &c : faelle) {
        State s;
        s.ld.Rekruten = c.rekruten;
        s.ld.NewArmy = c.newArmy;
        ArmyManagmentCalculations(&s.ld, c.knopf, s.f);
        EXPECT_EQ(s.ld.Rekruten, c.wantRekruten) << c.rekruten << "/" << c.newArmy;
        EXPECT_EQ(s.ld.NewArmy, c.wantNew) << c.rekruten << "/" << c.newArmy;
        EXPECT_EQ(s.rec.last(), c.msg);
    }
    EXPECT_STREQ(GetString(&_VEK_KASERNE_50REKRUTEN), "You have to have at least 50 recruits!");
}

TEST(KaserneRekruten, TypedUnitsAreReadSaturatedAndBelowFiftyGiveNothing)
{
    struct Fall {
        const char *text;
        LONG rekruten, want;
    } faelle[] = {{"30", 200, 0}, {"120", 200, 120}, {"500", 200, 200}, {"-70", 200, 0},
                  {"99999999999999999999", 200, 200}, {"60", 49, 0}, {"x", 200, 0}};
    for (const Fall &c : faelle) {
        State s;
        s.ld.Rekruten = c.rekruten - 50;
        s.ld.NewArmy = 50;   // goes back first
        ArmyManagmentInputBox(&s.ld, c.text);
        EXPECT_EQ(s.ld.NewArmy, c.want) << c.text;
        EXPECT_EQ(s.ld.Rekruten + s.ld.NewArmy, c.rekruten) << c.text;
    }
}

TEST(KaserneRekruten, FiguresRoundThePercentUpAndCapTheRecruits)
{
    struct Fall {
        ULONG volk, armeeVolk, maenner;
        LONG prozent, rekruten;
    } faelle[] = {
        {1000, 5000, 1, 1, 9},       // 1 % of 1,000 is 10
        {1000, 5000, 10, 1, 0},
        {1000, 5000, 11, 2, 9},
        {0, 5000, 20, 0, 0},         // no people: no share
        {10000, 200, 100, 1, 0},     // 100 - 100
        {10000, 30, 10, 1, 30},      // 90 allowed, the town has 30
    };
    for (const Fall &c : faelle) {
        State s(c.volk, c.armeeVolk);
        s.Add("A", {Teil(2, c.maenner)});
        KaserneRekrutenBerechnen(&s.ld);
        EXPECT_EQ(s.ld.PeopleInArmy, (LONG)c.maenner);
        EXPECT_EQ(s.ld.Prozent, c.prozent) << c.volk << "/" << c.maenner;
        EXPECT_EQ(s.ld.Rekruten, c.rekruten) << c.volk << "/" << c.maenner;
        EXPECT_EQ(s.ld.Sold, (LONG)(25 * c.maenner));
    }
}

TEST(KaserneRekruten, PercentStepsUpToTheCeilingOfTheBuildingsAndWarnsPastTen)
{
    for (auto [slot, decke] : {std::pair{-1, 10}, {KASERNE_SLOT_PROZENT15, 15}, {KASERNE_SLOT_PROZENT20, 20}}) {
        State s(100000, 1000000);
        if (slot >= 0) s.ld.AktiveStadt->GebaeudeAbhaengigkeiten[slot].GfxBitfeld = GFX_THISIMAGEISSET;
        KaserneRekrutenBerechnen(&s.ld);
        for (int i = 0; i < 30; ++i) ArmyManagmentCalculations(&s.ld, KASERNE_PROZENT_MEHR, s.f);
        EXPECT_EQ(s.ld.Prozent, decke);
        const auto warned = std::count(s.rec.said.begin(), s.rec.said.end(), &_VEK_KASERNE_HEILIGERKRIEG);
        EXPECT_EQ(warned, decke > 10 ? 1 : 0);
    }
    // 1,099 people, 20 men: 2 %; one step more allows 10 x 3 - 20.
    State s(1099, 5000);
    s.Add("A", {Teil(2, 20)});
    KaserneRekrutenBerechnen(&s.ld);
    ASSERT_EQ(s.ld.Prozent, 2);
    ArmyManagmentCalculations(&s.ld, KASERNE_PROZENT_MEHR, s.f);
    EXPECT_EQ(s.ld.Prozent, 3);
    EXPECT_EQ(s.ld.Rekruten, 10);
    // Down never below the men under arms: 2 % of 1,099 allows 20.
    ArmyManagmentCalculations(&s.ld, KASERNE_PROZENT_WENIGER, s.f);
    ArmyManagmentCalculations(&s.ld, KASERNE_PROZENT_WENIGER, s.f);
    EXPECT_EQ(s.ld.Prozent, 2);
    EXPECT_EQ(s.ld.Rekruten, 0);
}

TEST(KaserneRekruten, PercentDownNeverLetsFoundingDrainTheTownBelowZero)
{
    State s(10000, 200);
    s.ld.Prozent = 10;
    KaserneRekrutenBerechnen(&s.ld);   // no armies: 0 %
    s.ld.Prozent = 10;
    ArmyManagmentCalculations(&s.ld, KASERNE_PROZENT_WENIGER, s.f);
    EXPECT_EQ(s.ld.Prozent, 9);
    EXPECT_EQ(s.ld.Rekruten, 200);     // 900 allowed, the town has 200
    ArmyManagmentInputBox(&s.ld, "900");
    EXPECT_EQ(s.ld.NewArmy, 200);
    s.rec.names = {"Neue"};
    ASSERT_TRUE(ArmyManagmentCreateNewArmy(&s.ld, s.f));
    EXPECT_EQ(s.ld.AktiveStadt->ArmeeVolk, 0u);
}

// ---- operations ----

TEST(KaserneArmeen, FoundingTakesTheUnitsAndCutsTheNameBeforeTheDuplicateCheck)
{
    State s;
    s.Add("Langer Name der Gar", {Teil(2, 50)});
    s.ld.NewArmy = 60;
    s.ld.ArmeeTyp = KASERNE_KAVALLERIE;
    s.rec.names = {"Langer Name der Garde", "Zweite"};
    ASSERT_TRUE(ArmyManagmentCreateNewArmy(&s.ld, s.f));
    EXPECT_EQ(s.rec.said, (std::vector<const LocStr *>{&_VEK_KASERNE_ARMYNAME}));
    ASSERT_EQ(s.ld.Armeen.size(), 2u);
    const KaserneArmee &a = s.ld.Armeen[1];
    EXPECT_STREQ(a.Kopf.Name, "Zweite");
    EXPECT_EQ(a.Kopf.PosX, kX);
    EXPECT_EQ(a.Kopf.HerrscherID, 7u);
    EXPECT_EQ(a.Kopf.Vertrauen, 60u);
    EXPECT_EQ(a.Teile[0].Typ, KASERNE_KAVALLERIE);
    EXPECT_EQ(a.Teile[0].Anzahl, 60u);
    EXPECT_EQ(s.ld.AktiveStadt->ArmeeVolk, 4940u);
    EXPECT_EQ(s.ld.NewArmy, 0);
    EXPECT_EQ(s.ld.SelArmee, 1);
    // Cancelled name entry, no units: nothing.
    s.rec.said.clear();
    EXPECT_FALSE(ArmyManagmentCreateNewArmy(&s.ld, s.f));
    EXPECT_EQ(s.rec.last(), &_VEK_KASERNE_MOREVOLK);
    s.ld.NewArmy = 50;
    s.rec.names = {"\x1b"};
    EXPECT_FALSE(ArmyManagmentCreateNewArmy(&s.ld, s.f));
    EXPECT_EQ(s.ld.Armeen.size(), 2u);
}

TEST(KaserneArmeen, SubjoinAndJoinStopAtTheirSizes)
{
    for (auto [teile, ok] : {std::pair{34u, true}, {35u, false}}) {
        State s;
        s.Add("A", Teile(teile));
        s.ld.SelArmee = 0;
        s.ld.NewArmy = 50;
        EXPECT_EQ(ArmyManagmentInsertInArmy(&s.ld, s.f), ok);
        EXPECT_EQ(s.ld.Armeen[0].Teile.size(), ok ? 35u : 35u);
        EXPECT_EQ(s.ld.Armeen[0].Kopf.Vertrauen, 0u);   // faith stays
        if (!ok) {
            EXPECT_EQ(s.rec.last(), &_VEK_KASERNE_ARMYTOLARGE);
        }
    }
    for (auto [zweite, ok] : {std::pair{14u, true}, {15u, false}}) {
        State s;
        s.Add("A", Teile(20));
        s.Add("B", Teile(zweite));
        s.ld.SelArmee = 0;
        s.rec.lines = {1};
        s.rec.names = {"C"};
        EXPECT_EQ(ArmyManagmentConnectTwoArmys(&s.ld, s.f), ok);
        if (ok) {
            ASSERT_EQ(s.ld.Armeen.size(), 1u);
            EXPECT_EQ(s.ld.Armeen[0].Teile.size(), 34u);
            EXPECT_STREQ(s.ld.Armeen[0].Kopf.Name, "C");
        } else {
            EXPECT_EQ(s.rec.last(), &_VEK_KASERNE_ARMYTOLARGE);
        }
    }
}

TEST(KaserneArmeen, RefusalsComeInTheirOrder)
{
    State s;
    EXPECT_FALSE(ArmyManagmentInsertInArmy(&s.ld, s.f));
    EXPECT_EQ(s.rec.last(), &_VEK_KASERNE_YOUHAVENOARMY);
    s.Add("Weg", {Teil(2, 50)}, false);
    EXPECT_FALSE(ArmyManagmentInsertInArmy(&s.ld, s.f));
    EXPECT_EQ(s.rec.last(), &_VEK_KASERNE_CHOOSEARMY);
    s.ld.SelArmee = 0;
    for (auto op : {ArmyManagmentInsertInArmy, ArmyManagmentSplitArmy, ArmyManagmentDeleteArmy, ArmyManagmentRaiseUpArmy,
                    ArmyManagmentRenameArmy}) {
        EXPECT_FALSE(op(&s.ld, s.f));
        EXPECT_EQ(s.rec.last(), &_VEK_KASERNE_ARMYNOTINTOWN);
    }
    s.ld.Armeen[0].Kopf.PosX = kX;
    s.ld.Armeen[0].Kopf.TrainingsRunden = 3;
    EXPECT_FALSE(ArmyManagmentInsertInArmy(&s.ld, s.f));
    EXPECT_EQ(s.rec.last(), &_VEK_KASERNE_ARMYINTRAINING);
    s.ld.Armeen[0].Kopf.TrainingsRunden = 0;
    EXPECT_FALSE(ArmyManagmentInsertInArmy(&s.ld, s.f));
    EXPECT_EQ(s.rec.last(), &_VEK_KASERNE_NOTENOUGHREKRUTEN);
    EXPECT_FALSE(ArmyManagmentSplitArmy(&s.ld, s.f));
    EXPECT_EQ(s.rec.last(), &_VEK_KASERNE_CANTSPLITARMY2);
    EXPECT_FALSE(ArmyManagmentConnectTwoArmys(&s.ld, s.f));
    EXPECT_EQ(s.rec.last(), &_VEK_KASERNE_MINDESTENS2ARMEEN);
    s.Add("Zwei", {Teil(2, 50)});
    s.rec.lines = {0};
    EXPECT_FALSE(ArmyManagmentConnectTwoArmys(&s.ld, s.f));
    EXPECT_EQ(s.rec.last(), &_VEK_KASERNE_SAMEARMY);
}

TEST(KaserneArmeen, AnArmyAboardIsNeitherDisbandedNorJoined)
{
    turnfix::GameDir dir;
    State s;
    s.Add("Schiff", {Teil(2, 50)}).Kopf.ArmeeID = 4;
    s.Add("Land", {Teil(2, 50)});
    turnfix::WriteMapPrefs({turnfix::Figur(7, 2, 4, kX, kY, KOMMANDO_AN_BORD)});
    EXPECT_EQ(CheckArmyKommando(s.ld.Armeen[0].Kopf), KOMMANDO_AN_BORD);
    EXPECT_EQ(CheckArmyKommando(s.ld.Armeen[1].Kopf), 0);
    s.ld.SelArmee = 0;
    EXPECT_FALSE(ArmyManagmentDeleteArmy(&s.ld, s.f));
    EXPECT_EQ(s.rec.last(), &_VEK_KASERNE_ARMYVERFRACHTET);
    s.rec.lines = {1};
    EXPECT_FALSE(ArmyManagmentConnectTwoArmys(&s.ld, s.f));
    EXPECT_EQ(s.rec.last(), &_VEK_KASERNE_ARMYVERFRACHTET);
    std::remove(MAPPREFS_FILE);
    EXPECT_EQ(CheckArmyKommando(s.ld.Armeen[0].Kopf), -1);
}

TEST(KaserneArmeen, SplitMovesOnePartIntoANewArmy)
{
    State s;
    KaserneArmee &a = s.Add("A", {Teil(2, 50), Teil(3, 70), Teil(2, 90)});
    a.Kopf.Vertrauen = 33;
    a.Kopf.ArmeeID = 5;
    s.ld.SelArmee = 0;
    s.rec.lines = {1};
    s.rec.names = {"B"};
    ASSERT_TRUE(ArmyManagmentSplitArmy(&s.ld, s.f));
    EXPECT_EQ(s.rec.shown[0], (std::vector<std::string>{"A  ( 1 )", "A  ( 2 )", "A  ( 3 )"}));
    ASSERT_EQ(s.ld.Armeen.size(), 2u);
    EXPECT_EQ(s.ld.Armeen[0].Teile.size(), 2u);
    EXPECT_EQ(s.ld.Armeen[0].Kopf.ArmeeTypAnzahl, 2u);
    EXPECT_EQ(s.ld.Armeen[1].Teile[0].Anzahl, 70u);
    EXPECT_EQ(s.ld.Armeen[1].Kopf.Vertrauen, 33u);
    EXPECT_EQ(s.ld.Armeen[1].Kopf.ArmeeID, 0u);
    // Cancelled at the question: nothing.
    s.rec.confirms = {0};
    s.rec.lines = {0};
    EXPECT_FALSE(ArmyManagmentSplitArmy(&s.ld, s.f));
    EXPECT_EQ(s.ld.Armeen.size(), 2u);
}

TEST(KaserneArmeen, RaiseUpBlendsExperienceAndTakesPiecesOnlyWhenAllAreThere)
{
    {
        State s;
        ArmeeEntry t = Teil(2, 100);
        t.Erfahrung = 50;
        t.Erschoepfung = 30;
        s.Add("A", {t});
        s.ld.SelArmee = 0;
        s.ld.NewArmy = 100;
        s.rec.lines = {0};
        ASSERT_TRUE(ArmyManagmentRaiseUpArmy(&s.ld, s.f));
        const ArmeeEntry &r = s.ld.Armeen[0].Teile[0];
        EXPECT_EQ(r.Anzahl, 200u);
        EXPECT_EQ(r.Erfahrung, 25u);
        EXPECT_EQ(r.Erschoepfung, 15u);
        EXPECT_EQ(s.ld.Armeen[0].Kopf.Vertrauen, 60u);
        EXPECT_EQ(s.ld.AktiveStadt->ArmeeVolk, 4900u);
    }
    {
        // Large numbers do not wrap.
        State s;
        ArmeeEntry t = Teil(2, 100000);
        t.Erfahrung = 100000;
        s.Add("A", {t});
        s.ld.SelArmee = 0;
        s.ld.NewArmy = 100000;
        s.rec.lines = {0};
        ASSERT_TRUE(ArmyManagmentRaiseUpArmy(&s.ld, s.f));
        EXPECT_EQ(s.ld.Armeen[0].Teile[0].Erfahrung, 50000u);
    }
    {
        // Short at the shield: the sword and the armour stay in stock.
        State s;
        ArmeeEntry t = Teil(2, 50, 27);
        t.Ruestung = 15;
        t.Schild = 22;
        s.Add("A", {t});
        s.Stock(27, 100);
        s.Stock(15, 100);
        s.Stock(22, 10);
        s.ld.SelArmee = 0;
        s.ld.NewArmy = 50;
        s.rec.lines = {0};
        EXPECT_FALSE(ArmyManagmentRaiseUpArmy(&s.ld, s.f));
        EXPECT_EQ(s.rec.last(), &_VEK_KASERNE_NOTENOUGHWEAPONS);
        EXPECT_EQ(s.Pieces(27), 100u);
        EXPECT_EQ(s.Pieces(15), 100u);
        EXPECT_EQ(s.Pieces(22), 10u);
        EXPECT_EQ(s.ld.Armeen[0].Teile[0].Anzahl, 50u);
        // Enough shields: each slot gives 50.
        s.ld.WarenListe.back().WarenAnzahl = s.ld.WaffenListe.back().Anzahl = 60;
        s.rec.lines = {0};
        ASSERT_TRUE(ArmyManagmentRaiseUpArmy(&s.ld, s.f));
        EXPECT_EQ(s.Pieces(27), 50u);
        EXPECT_EQ(s.Pieces(15), 50u);
        EXPECT_EQ(s.Pieces(22), 10u);
    }
    {
        // A part of another type is refused.
        State s;
        s.Add("A", {Teil(3, 50)});
        s.ld.SelArmee = 0;
        s.ld.NewArmy = 50;
        s.rec.lines = {0};
        EXPECT_FALSE(ArmyManagmentRaiseUpArmy(&s.ld, s.f));
        EXPECT_EQ(s.rec.last(), &_VEK_KASERNE_OTHERARMYTYP);
    }
}

TEST(KaserneArmeen, DisbandGivesMenAndItemsBack)
{
    State s;
    ArmeeEntry t = Teil(2, 40, 43, 43);   // a claymore fills both hands: 40 back, not 80
    t.Helm = 13;
    s.Add("A", {t, Teil(1, 25, 9, 9)});
    s.Add("B", {Teil(2, 10)});
    KaserneRekrutenBerechnen(&s.ld);
    const LONG rekruten = s.ld.Rekruten;
    s.ld.SelArmee = 0;
    ASSERT_TRUE(ArmyManagmentDeleteArmy(&s.ld, s.f));
    EXPECT_EQ(s.Pieces(43), 40u);
    EXPECT_EQ(s.Pieces(13), 40u);
    EXPECT_EQ(s.Pieces(9), 12u);   // 25 men of a small ballista: 12 pieces
    EXPECT_EQ(s.ld.AktiveStadt->ArmeeVolk, 5065u);
    EXPECT_EQ(s.ld.Rekruten, rekruten + 65);
    EXPECT_EQ(s.ld.PeopleInArmy, 10);
    EXPECT_EQ(s.ld.Sold, 250);
    EXPECT_EQ(s.ld.SelArmee, 0);   // B moved up
    EXPECT_STREQ(s.ld.Armeen[0].Kopf.Name, "B");
    // The returned pieces got new stock records of their wares.
    EXPECT_EQ(s.ld.WarenListe.size(), 3u);
    EXPECT_EQ(V(s.ld.WarenListe[0].Herkunft), 7u);
}

TEST(KaserneArmeen, RenameRefusesATakenName)
{
    State s;
    s.Add("A", {Teil(2, 50)});
    s.Add("B", {Teil(2, 50)});
    s.ld.SelArmee = 0;
    s.rec.names = {"B", "C"};
    ASSERT_TRUE(ArmyManagmentRenameArmy(&s.ld, s.f));
    EXPECT_STREQ(s.ld.Armeen[0].Kopf.Name, "C");
    EXPECT_EQ(s.rec.said, (std::vector<const LocStr *>{&_VEK_KASERNE_ARMYNAME}));
}

// ---- training ----

TEST(KaserneTraining, TurnsCostAndStart)
{
    State s;
    s.Add("A", {Teil(2, 120), Teil(2, 30)});
    ArmyTrainingCalculations(&s.ld, 1, s.f);
    EXPECT_EQ(s.rec.last(), &_VEK_KASREQ2_TRAININGTEXT1);
    KaserneTrainingAuswahl(&s.ld, 0, 0);
    for (int i = 0; i < 12; ++i) ArmyTrainingCalculations(&s.ld, 1, s.f);
    EXPECT_EQ(s.ld.TrainingRunden, 10);
    EXPECT_EQ(s.ld.TrainingKosten, 12000u);
    KaserneTrainingAuswahl(&s.ld, 0, -1);   // the whole army: 150 men
    ArmyTrainingCalculations(&s.ld, 1, s.f);
    EXPECT_EQ(s.ld.TrainingKosten, 1500u);
    ArmyTrainingCalculations(&s.ld, 0, s.f);
    ArmyTrainingCalculations(&s.ld, 0, s.f);
    EXPECT_EQ(s.ld.TrainingRunden, 0);
    EXPECT_FALSE(ArmyTrainingActivate(&s.ld, s.f));
    EXPECT_EQ(s.rec.last(), &_VEK_KASREQ2_TRAININGTEXT2);
    // A part of a larger army leaves it to train.
    KaserneTrainingAuswahl(&s.ld, 0, 1);
    for (int i = 0; i < 4; ++i) ArmyTrainingCalculations(&s.ld, 1, s.f);
    s.rec.names = {"Schule"};
    ASSERT_TRUE(ArmyTrainingActivate(&s.ld, s.f));
    ASSERT_EQ(s.ld.Armeen.size(), 2u);
    EXPECT_EQ(s.ld.Armeen[0].Kopf.TrainingsRunden, 0u);
    EXPECT_EQ(s.ld.Armeen[1].Kopf.TrainingsRunden, 4u);
    EXPECT_EQ(s.ld.Armeen[1].Teile[0].Anzahl, 30u);
    // A part of an army of one trains with its army; twice is refused.
    KaserneTrainingAuswahl(&s.ld, 0, 0);
    ArmyTrainingCalculations(&s.ld, 1, s.f);
    ASSERT_TRUE(ArmyTrainingActivate(&s.ld, s.f));
    EXPECT_EQ(s.ld.Armeen[0].Kopf.TrainingsRunden, 1u);
    ArmyTrainingCalculations(&s.ld, 1, s.f);
    EXPECT_FALSE(ArmyTrainingActivate(&s.ld, s.f));
    EXPECT_EQ(s.rec.last(), &_VEK_KASREQ2_TRAININGTEXT3);
    ASSERT_TRUE(ArmyTrainingStop(&s.ld));
    EXPECT_EQ(s.ld.Armeen[0].Kopf.TrainingsRunden, 0u);
}

// ---- equipment ----

TEST(KaserneWaffen, ArmourClass)
{
    struct Fall {
        ULONG ruestung, helm, schild, klasse;
    } faelle[] = {{20, 64, 24, 14}, {65, 64, 24, 15}, {0, 0, 21, 1}, {0, 0, 0, 0}, {15, 13, 22, 4}, {69, 68, 59, 14}};
    for (const Fall &c : faelle) {
        ArmeeEntry t{};
        t.Ruestung = c.ruestung;
        t.Helm = c.helm;
        t.Schild = c.schild;
        ArmyWeaponsRuestungsklasse(&t);
        EXPECT_EQ(t.RuestungsKlasse, c.klasse) << c.ruestung << "/" << c.helm << "/" << c.schild;
    }
}

TEST(KaserneWaffen, WhoMayCarryWhat)
{
    struct Fall {
        ULONG typ, id;
        const LocStr *refusal;   // null: taken
        ULONG w1, w2;            // slots afterwards
    } faelle[] = {
        {3, 3, nullptr, 3, 3},   // shortbow, both hands
        {3, 49, nullptr, 49, 0},
        {3, 4, &_VEK_KASERNE_ONLYINFANTRIE, 0, 0},
        {3, 43, &_VEK_KASERNE_ONLYINFANTRIE, 0, 0},
        {3, 65, &_VEK_KASERNE_ONLYINFANTRIE, 0, 0},
        {3, 14, nullptr, 0, 0},
        {2, 49, &_VEK_KASERNE_NOLANZENFORINFANTRIE, 0, 0},
        {2, 4, nullptr, 4, 4},
        {2, 43, nullptr, 43, 43},
        {2, 6, nullptr, 6, 0},
        {2, 9, &_VEK_KASERNE_ONLYBELAGERUNGFORARTILLERIE, 0, 0},
        {1, 9, nullptr, 9, 9},
        {1, 27, &_VEK_KASERNE_ARTILLERIENOWEAPONS, 0, 0},
        {1, 6, &_VEK_KASERNE_ONLYINFANTRIE, 0, 0},
        {1, 14, &_VEK_KASERNE_NORUESTUNGFORARTILLERIE, 0, 0},
        {7, 27, &_VEK_KASERNE_ONLYINFANTRIE, 0, 0},   // a part type no table knows
    };
    for (const Fall &c : faelle) {
        State s;
        s.Add("A", {Teil(c.typ, 20)});
        s.Stock(c.id, 100);
        s.ld.SelArmee = 0;
        s.ld.SelTeil = 0;
        s.ld.SelWaffe = 0;
        EXPECT_EQ(ArmyWeaponsInsertInArmy(&s.ld, s.f), c.refusal == nullptr) << c.typ << "/" << c.id;
        EXPECT_EQ(s.rec.last(), c.refusal) << c.typ << "/" << c.id;
        const ArmeeEntry &t = s.ld.Armeen[0].Teile[0];
        EXPECT_EQ(t.WaffeI, c.w1) << c.typ << "/" << c.id;
        EXPECT_EQ(t.WaffeII, c.w2) << c.typ << "/" << c.id;
        // 20 men of a small ballista need 10 pieces.
        EXPECT_EQ(s.Pieces(c.id), c.refusal ? 100u : c.id == 9 ? 90u : 80u) << c.typ << "/" << c.id;
    }
}

TEST(KaserneWaffen, SlotsFillInTurnAndRefusalsComeInOrder)
{
    State s;
    EXPECT_FALSE(ArmyWeaponsInsertInArmy(&s.ld, s.f));
    EXPECT_EQ(s.rec.last(), &_VEK_KASERNE_CANTINSERTWEAPON);
    s.Stock(27, 100);
    s.Stock(25, 100);
    s.Stock(3, 100);
    EXPECT_FALSE(ArmyWeaponsInsertInArmy(&s.ld, s.f));
    EXPECT_EQ(s.rec.last(), &_VEK_KASERNE_HAVENOARMY);
    s.Add("A", {Teil(2, 30)});
    EXPECT_FALSE(ArmyWeaponsInsertInArmy(&s.ld, s.f));
    EXPECT_EQ(s.rec.last(), &_VEK_KASERNE_CHOOSEWEAPON);
    s.ld.SelWaffe = 0;
    EXPECT_FALSE(ArmyWeaponsInsertInArmy(&s.ld, s.f));
    EXPECT_EQ(s.rec.last(), &_VEK_KASERNE_CHOOSEWEAPONFORARMY);
    s.ld.SelArmee = 0;
    EXPECT_FALSE(ArmyWeaponsInsertInArmy(&s.ld, s.f));
    EXPECT_EQ(s.rec.last(), &_VEK_KASERNE_WEAPONFORPARTS);
    s.ld.SelTeil = 0;
    ASSERT_TRUE(ArmyWeaponsInsertInArmy(&s.ld, s.f));
    s.ld.SelWaffe = 1;
    ASSERT_TRUE(ArmyWeaponsInsertInArmy(&s.ld, s.f));
    EXPECT_FALSE(ArmyWeaponsInsertInArmy(&s.ld, s.f));
    EXPECT_EQ(s.rec.last(), &_VEK_KASERNE_NOMOREWEAPONFORPARTS);
    s.ld.SelWaffe = 2;
    EXPECT_FALSE(ArmyWeaponsInsertInArmy(&s.ld, s.f));
    EXPECT_EQ(s.rec.last(), &_VEK_KASERNE_NOZWEIHAENDER);
    EXPECT_EQ(s.ld.Armeen[0].Teile[0].WaffeI, 27u);
    EXPECT_EQ(s.ld.Armeen[0].Teile[0].WaffeII, 25u);
    // Too few for the men.
    State k;
    k.Add("A", {Teil(2, 30)});
    k.Stock(27, 29);
    k.ld.SelArmee = k.ld.SelTeil = k.ld.SelWaffe = 0;
    EXPECT_FALSE(ArmyWeaponsInsertInArmy(&k.ld, k.f));
    EXPECT_EQ(k.rec.last(), &_VEK_KASERNE_NOTENOUGHWEAPONFORPARTS);
}

TEST(KaserneWaffen, SiegePiecesServeSeveralMen)
{
    struct Fall {
        ULONG men, stock;
        bool ok;
        ULONG left;
    } faelle[] = {{24, 12, true, 0}, {25, 12, false, 12}, {25, 13, true, 1}};
    for (const Fall &c : faelle) {
        State s;
        s.Add("A", {Teil(1, c.men)});
        s.Stock(9, c.stock);
        s.ld.SelArmee = s.ld.SelTeil = s.ld.SelWaffe = 0;
        EXPECT_EQ(ArmyWeaponsInsertInArmy(&s.ld, s.f), c.ok) << c.men << "/" << c.stock;
        EXPECT_EQ(s.Pieces(9), c.left) << c.men << "/" << c.stock;
        if (c.left == 0) {
            EXPECT_TRUE(s.ld.WaffenListe.empty() && s.ld.WarenListe.empty());
        }
    }
    for (auto [id, men, pieces] : {std::tuple{9u, 25u, 12u}, {10u, 25u, 8u}, {11u, 25u, 6u}, {12u, 25u, 5u}, {4u, 25u, 25u}})
        EXPECT_EQ(KaserneStueckFuer(id, men), pieces);
}

TEST(KaserneWaffen, RemovingGivesBackWhatTheSlotHeld)
{
    struct Fall {
        ULONG w1, w2, attribut;
        ULONG wantW1, wantW2;
        const LocStr *msg;
        ULONG backId, back;
    } faelle[] = {
        {6, 25, 2, 0, 25, nullptr, 6, 20},        // sling out, the dagger stays
        {43, 43, 3, 0, 0, nullptr, 43, 20},       // a claymore empties both, 20 back
        {3, 3, 2, 0, 0, nullptr, 3, 20},
        {0, 25, 2, 0, 25, &_VEK_KASERNE_THISPARTHASNOWEAPON, 25, 0},
        {25, 0, 3, 25, 0, &_VEK_KASERNE_THISPARTHASNOWEAPON2, 25, 0},
        {25, 26, 7, 25, 26, &_VEK_KASERNE_CHOOSEWEAPON1OR2, 25, 0},
        {25, 26, 8, 25, 26, &_VEK_KASERNE_CHOOSEWEAPON1OR2, 25, 0},
        {25, 26, 0, 25, 26, nullptr, 25, 0},
    };
    for (const Fall &c : faelle) {
        State s;
        s.Add("A", {Teil(2, 20, c.w1, c.w2)});
        s.ld.SelArmee = s.ld.SelTeil = 0;
        ArmyWeaponsRemoveFromArmy(&s.ld, c.attribut, 1, s.f);
        const ArmeeEntry &t = s.ld.Armeen[0].Teile[0];
        EXPECT_EQ(t.WaffeI, c.wantW1) << c.w1 << "/" << c.w2 << "/" << c.attribut;
        EXPECT_EQ(t.WaffeII, c.wantW2) << c.w1 << "/" << c.w2 << "/" << c.attribut;
        EXPECT_EQ(s.rec.last(), c.msg) << c.w1 << "/" << c.w2 << "/" << c.attribut;
        EXPECT_EQ(s.Pieces(c.backId), c.back) << c.w1 << "/" << c.w2 << "/" << c.attribut;
    }
    // Everything, after the question; the armour class follows.
    State s;
    ArmeeEntry t = Teil(3, 20, 49, 25);
    t.Ruestung = 14;
    t.Helm = 13;
    t.Schild = 21;
    ArmyWeaponsRuestungsklasse(&t);
    s.Add("A", {t});
    s.ld.SelArmee = s.ld.SelTeil = 0;
    s.rec.confirms = {0};
    EXPECT_FALSE(ArmyWeaponsRemoveFromArmy(&s.ld, 1, 1, s.f));
    EXPECT_EQ(s.ld.Armeen[0].Teile[0].RuestungsKlasse, 4u);
    ASSERT_TRUE(ArmyWeaponsRemoveFromArmy(&s.ld, 1, 1, s.f));
    const ArmeeEntry r = s.ld.Armeen[0].Teile[0];
    EXPECT_EQ(r.WaffeI + r.WaffeII + r.Ruestung + r.Helm + r.Schild + r.RuestungsKlasse, 0u);
    for (ULONG id : {49u, 25u, 14u, 13u, 21u}) EXPECT_EQ(s.Pieces(id), 20u) << id;
    // The box shows a weapon: nothing is removed.
    State w;
    w.Add("A", {Teil(2, 20, 25)});
    w.ld.SelArmee = w.ld.SelTeil = 0;
    EXPECT_FALSE(ArmyWeaponsRemoveFromArmy(&w.ld, 1, 0, w.f));
    EXPECT_EQ(w.rec.last(), &_VEK_KASERNE_CHOOSEWEAPON1OR2);
    EXPECT_EQ(w.ld.Armeen[0].Teile[0].WaffeI, 25u);
}

TEST(KaserneWaffen, ReturningRaisesTheStockRecordOrMakesOne)
{
    State s;
    s.Stock(27, 10);
    // A weapon record without its stock record (lists read apart).
    Waffen lanze = *WaffeVonId(49);
    lanze.Anzahl = 5;
    s.ld.WaffenListe.push_back(lanze);
    ASSERT_TRUE(ArmyWeaponsAddWeapon2List(&s.ld, 27, 15));
    ASSERT_TRUE(ArmyWeaponsAddWeapon2List(&s.ld, 49, 15));
    EXPECT_EQ(s.ld.WaffenListe[1].Anzahl, 20u);
    ASSERT_EQ(s.ld.WarenListe.size(), 2u);
    EXPECT_EQ(V(s.ld.WarenListe[0].WarenAnzahl), 25u);
    EXPECT_EQ(V(s.ld.WarenListe[1].WarenTyp), 37u);
    EXPECT_EQ(V(s.ld.WarenListe[1].WarenAnzahl), 15u);
    EXPECT_EQ(V(s.ld.WarenListe[1].Info), 5u);
    EXPECT_FALSE(ArmyWeaponsAddWeapon2List(&s.ld, 71, 15));
}

// ---- the panel ----

TEST(KasernePanel, LinesOfAnArmy)
{
    KaserneArmee a{};
    std::strcpy(a.Kopf.Name, "Garde");
    a.Kopf.PosX = 120;
    a.Kopf.PosY = 60;
    a.Kopf.Vertrauen = 70;
    ArmeeEntry t = Teil(2, 50, 43, 43);
    t.Schild = 0;
    t.Helm = 13;
    t.Ruestung = 15;
    ArmyWeaponsRuestungsklasse(&t);
    a.Teile = {t};
    const std::vector<std::string> z = KaserneArmeePanel(a);
    const std::vector<std::string> want = {
        "       -> information <-   ", "", "         Garde", "---------------------",
        "X-position  :120", "Y-position  :60", "Army action :0", "Faith of army :70", "Number of army parts :1", "",
        "    Garde   (1)", "---------------------", "Type: Infantry", "Experience: 0", "Weapon I: two-handed sword",
        "Weapon II:   \"\"", "Armour: tunic", "Shield: No", "Helmet: Yes", "Exhaustion: 0", "Class of armour : 2",
        "People: 50", ""};
    EXPECT_EQ(z, want);
    a.Teile.assign(35, t);
    EXPECT_EQ(KaserneArmeePanel(a).size(), 465u);
    a.Teile[0].Typ = 7;
    a.Teile[0].WaffeI = 999;
    const std::vector<std::string> b = KaserneTeilZeilen(a, 0);
    EXPECT_EQ(b[2], "Type: not implemented");
    EXPECT_EQ(b[4], "Weapon I: ");
    EXPECT_EQ(KaserneKeineInfo(), "           no information    ");
}

}  // namespace
