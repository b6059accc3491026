// The harbour's rules: launches within the quarter's ship points, wreck
// marks that only the Ok applies, the apply as one journalled change of the
// figure file, stock, orders pool and town, repairs, the ambience dice, and
// the bytes they leave on the demo set.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "common/gamefixture.h"
#include "common/shareddemo.h"
#include "platform/catalog.h"
#include "platform/files.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/converters.h"
#include "world/hafen.h"
#include "world/okjournal.h"
#include "world/towns.h"
#include "world/turnfixture.h"
#include "world/warehouse.h"

namespace {

using namespace turnfix;

template <class T> T V(T v) { return v; }

struct Fragen {
    static inline std::vector<std::string> said;
    static inline std::vector<std::string> asked;
    static inline BOOL answer = 1;
    static void Message(const char *t) { said.push_back(t); }
    static BOOL Confirm(const char *t)
    {
        asked.push_back(t);
        return answer;
    }
    static HafenFragen Make(BOOL ok = 1)
    {
        said.clear();
        asked.clear();
        answer = ok;
        return HafenFragen{Message, Confirm};
    }
};

constexpr ULONG kX = 50, kY = 40;

st_WARE_EXT Lager(ULONG typ, ULONG anzahl)
{
    st_WARE_EXT w{};
    w.Info = 5, w.Herkunft = kIch, w.WarenTyp = typ, w.WarenAnzahl = anzahl;
    return w;
}

st_SHIP_EXT Schiff(UWORD id, UWORD schaden, UWORD punkte, ULONG x = kX, ULONG y = kY)
{
    st_SHIP_EXT s{};
    s.SchiffsID = id, s.Schaden = schaden, s.Punkte = punkte, s.X_Pos = x, s.Y_Pos = y;
    return s;
}

void SchreibeLager(const std::vector<st_WARE_EXT> &w)
{
    st_WARE c{};
    c.AnzWaren = (UWORD)w.size();
    ASSERT_TRUE(SaveChunk2File(WAREN_FILE, MakeChunk(CN_WARE, c, w).data()));
}

std::vector<st_WARE_EXT> Lagerbestand() { return Entries<st_WARE, st_WARE_EXT>(CN_WARE, WAREN_FILE); }
std::vector<st_SHIP_EXT> Schiffsliste() { return Entries<st_SHIP, st_SHIP_EXT>(CN_SHIP, POOL_OUT); }

ULONG Holz(const std::vector<st_WARE_EXT> &w)
{
    for (const auto &x : w)
        if (x.Info == 5 && x.WarenTyp == 98) return x.WarenAnzahl;
    return 0;
}

// A harbour town at (50, 40) with its files: stock, figures, the town, and
// the working state as the screen's reading leaves it.
struct Hafen {
    GameDir dir;
    HafenDaten d;
    Hafen(const std::vector<st_WARE_EXT> &lager, const std::vector<st_MOVE_EXT> &figuren,
          const std::vector<st_SHIP_EXT> &schiffe, ULONG gold = 50000, UWORD ausgelaufen = 0, UBYTE technik = 0,
          UBYTE kampf = 0)
    {
        vektest::MakeDirs("Data/Cities");
        SchreibeLager(lager);
        WriteMapPrefs(figuren);
        auto *t = (Stadt *)AllocVec(sizeof(Stadt), MEMF_CLEAR);
        std::strcpy(t->Stadtname, "Hafenstadt");
        t->XPos = kX, t->YPos = kY, t->AusgelaufeneSchiffe = ausgelaufen;
        EXPECT_TRUE(SpeichereStadt(t));
        d.AktiveStadt = t;
        d.StadtXPos = kX, d.StadtYPos = kY;
        d.Land = (st_LAND *)AllocVec(sizeof(st_LAND) + 1, MEMF_CLEAR);
        *d.Land = vektest::LandChunk(1000, 10, 1);
        d.Land->AnzGold = gold;
        d.Schiffe = schiffe;
        d.Forschung.Technik = technik, d.Forschung.Kampftechnik = kampf;
        EXPECT_TRUE(HafenDialogLesen(&d));
    }
    ~Hafen() { FreeHafenData(&d); }
};

TEST(HafenStimmung, DiceSeam)
{
    const struct {
        ULONG c, sample;
    } rows[] = {{0, 107},  {1, 108},  {2, 109},  {3, 110},  {5, 110},  {6, 111},  {8, 111}, {9, 112},
                {11, 112}, {12, 40},  {13, 41},  {14, 42},  {15, 43},  {16, 44},  {17, 19}, {18, 22},
                {19, 23},  {20, 18}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.c);
        EXPECT_EQ(HafenStimmungsSample(r.c), r.sample);
    }
    EXPECT_EQ(HafenStimmungsPause(0), 10u);
    EXPECT_EQ(HafenStimmungsPause(5), 60u);
}

TEST(HafenStart, ShipPointsOfTheQuarter)
{
    const char *zuViele = GetString(&_VEK_HAFENSCREEN_ZUVIELESCHIFFE);
    const char *zuGross = GetString(&_VEK_HAFENSCREEN_ZUVIELESCHIFFP);
    const struct {
        const char *name;
        UWORD benutzt;
        ULONG ware;
        BOOL gestartet;
        const char *text;
    } rows[] = {
        {"9 + small", 9, 50, 1, nullptr},   {"9 + medium", 9, 51, 0, zuGross}, {"8 + big", 8, 55, 0, zuGross},
        {"7 + big", 7, 52, 1, nullptr},     {"10 + small", 10, 53, 0, zuViele}, {"10 + medium", 10, 54, 0, zuViele},
        {"10 + big", 10, 52, 0, zuViele},   {"0 + big", 0, 55, 1, nullptr},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        Hafen h({Lager(r.ware, 2)}, {}, {}, 50000, r.benutzt);
        HafenFragen f = Fragen::Make();
        EXPECT_EQ(HafenStarteSchiff(&h.d, 0, &f), r.gestartet);
        if (r.text) {
            ASSERT_EQ(Fragen::said.size(), 1u);
            EXPECT_EQ(Fragen::said[0], r.text);
        } else {
            EXPECT_TRUE(Fragen::said.empty());
        }
        const UWORD punkte = SchiffsArtDerWare(r.ware)->Schiffspunkte;
        EXPECT_EQ(h.d.AusgelaufeneSchiffe, r.gestartet ? r.benutzt + punkte : r.benutzt);
        EXPECT_EQ(V(h.d.Waren[0].WarenAnzahl), r.gestartet ? 1u : 2u);
        EXPECT_EQ(AnkerZeilen(&h.d).size(), r.gestartet ? 1u : 0u);
    }
}

TEST(HafenStart, ThreeLaunchesEmptyARecordOfThree)
{
    Hafen h({Lager(98, 400), Lager(50, 3), Lager(0, 0), Lager(53, 0)}, {}, {});
    HafenFragen f = Fragen::Make();
    // The record of 0 ships is no line (one unit taken from it would wrap).
    EXPECT_EQ(WerftZeilen(&h.d).size(), 1u);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(HafenStarteSchiff(&h.d, 0, &f));
    EXPECT_EQ(WerftTexte(&h.d), std::vector<std::string>{GetString(&_VEK_KASERNE_KEINE)});
    EXPECT_FALSE(HafenStarteSchiff(&h.d, 0, &f));
    EXPECT_EQ(h.d.AusgelaufeneSchiffe, 3);
    EXPECT_EQ(AnkerTexte(&h.d), std::vector<std::string>(3, GetString(&_VEK_WAREN_HANDELSSCHIFF_KLEIN)));
    for (const auto &fig : h.d.Figuren) {
        EXPECT_EQ(V(fig.FigurNummer), 0);
        EXPECT_EQ(V(fig.SpielerID), kIch);
    }
}

TEST(HafenKlick, TwoClicksPerActAndLineZeroAtOnce)
{
    LONG gemerkt = 0;
    EXPECT_TRUE(HafenZeilenKlick(&gemerkt, 0, 3));   // line 0 is remembered from the start
    EXPECT_FALSE(HafenZeilenKlick(&gemerkt, 2, 3));  // highlights
    EXPECT_TRUE(HafenZeilenKlick(&gemerkt, 2, 3));
    EXPECT_FALSE(HafenZeilenKlick(&gemerkt, 3, 3));  // no line: nothing, not remembered
    EXPECT_FALSE(HafenZeilenKlick(&gemerkt, -1, 3));
    EXPECT_TRUE(HafenZeilenKlick(&gemerkt, 2, 3));
}

TEST(HafenWrack, MarkRefusedUnderRepairOrWithCargo)
{
    st_SHIP_EXT beladen = Schiff(3, 0, 10);
    beladen.Figur2.Kommando = KOMMANDO_AN_BORD;
    Hafen h({}, {Figur(kIch, FID_HANDELSSCHIFF_KLEIN, 2, kX, kY, HAFEN_KOMMANDO_REPARATUR),
                 Figur(kIch, FID_HANDELSSCHIFF_MITTEL, 3, kX, kY), Figur(kAndere, FID_HANDELSSCHIFF_KLEIN, 4, kX, kY),
                 Figur(kIch, FID_HANDELSSCHIFF_KLEIN, 5, kX + 1, kY)},
            {Schiff(2, 0, 6), beladen});
    ASSERT_EQ(AnkerZeilen(&h.d).size(), 2u);  // another player's ship and one off the hex are no lines
    HafenFragen f = Fragen::Make();
    EXPECT_FALSE(HafenMarkiereWrack(&h.d, 0, &f));
    EXPECT_FALSE(HafenMarkiereWrack(&h.d, 1, &f));
    EXPECT_FALSE(HafenMarkiereWrack(&h.d, 2, &f));
    EXPECT_EQ(Fragen::said, (std::vector<std::string>{GetString(&_VEK_HAFEN_ABWRACK_GEHTNICHT),
                                                      GetString(&_VEK_HAFEN_SCHIFFE_ENTLADEN)}));
    EXPECT_TRUE(Fragen::asked.empty());
    EXPECT_TRUE(h.d.Abwracken.empty());
}

// Marks are kept apart and only the Ok applies them; Cancel and EXIT change nothing.
TEST(HafenWrack, CostAskedThenAppliedByOk)
{
    Hafen h({Lager(98, 400)}, {Figur(kIch, FID_HANDELSSCHIFF_KLEIN, 2, kX, kY), Figur(kIch, FID_KRIEGSSCHIFF_KLEIN, 3, kX, kY)},
            {Schiff(2, 0, 4), Schiff(3, 10, 10)}, 5000);
    HafenFragen nein = Fragen::Make(0);
    EXPECT_FALSE(HafenMarkiereWrack(&h.d, 0, &nein));
    EXPECT_EQ(AnkerZeilen(&h.d).size(), 2u);
    HafenFragen f = Fragen::Make(1);
    ASSERT_TRUE(HafenMarkiereWrack(&h.d, 0, &f));
    ASSERT_EQ(Fragen::asked.size(), 1u);
    EXPECT_EQ(Fragen::asked[0], std::string(GetString(&_VEK_HAFEN_ABWRACKEN)) + " 5000 " + GetString(&_VEK_GS));
    EXPECT_EQ(AnkerZeilen(&h.d).size(), 1u);
    EXPECT_EQ(V(h.d.Schiffe[0].Schaden), 0);  // the ship list keeps the real damage
    ASSERT_TRUE(SetNewShips(&h.d));
    EXPECT_EQ(HafenGold(&h.d), 0u);
    EXPECT_EQ(V(Load<st_LAND>(CN_LAND, POOL_OUT).AnzGold), 0u);
    EXPECT_EQ(Holz(Lagerbestand()), 420u);
    // The ship whose battle damage equals its points was not marked: it stays.
    const auto liste = Schiffsliste();
    ASSERT_EQ(liste.size(), 1u);
    EXPECT_EQ(V(liste[0].SchiffsID), 3);
    const auto figs = Figures();
    ASSERT_EQ(figs.size(), 1u);
    EXPECT_EQ(V(figs[0].FigurNummer), 3);
}

TEST(HafenWrack, WoodIsAddedInThirtyTwoBitsSaturatedOrAsANewRecord)
{
    {
        Hafen h({Lager(98, 70000)}, {Figur(kIch, FID_KRIEGSSCHIFF_GROSS, 2, kX, kY)}, {Schiff(2, 0, 40)});
        HafenFragen f = Fragen::Make();
        ASSERT_TRUE(HafenMarkiereWrack(&h.d, 0, &f));
        ASSERT_TRUE(SetNewShips(&h.d));
        EXPECT_EQ(Holz(Lagerbestand()), 70200u);
        EXPECT_EQ(HafenGold(&h.d), 0u);  // 100,000 asked of 50,000: floored
    }
    {
        Hafen h({Lager(98, 0xFFFFFFF0u)}, {Figur(kIch, FID_KRIEGSSCHIFF_GROSS, 2, kX, kY)}, {Schiff(2, 0, 40)});
        HafenFragen f = Fragen::Make();
        ASSERT_TRUE(HafenMarkiereWrack(&h.d, 0, &f));
        ASSERT_TRUE(SetNewShips(&h.d));
        EXPECT_EQ(Holz(Lagerbestand()), 0xFFFFFFFFu);
    }
    {
        Hafen h({Lager(99, 5)}, {Figur(kIch, FID_KRIEGSSCHIFF_GROSS, 2, kX, kY)}, {Schiff(2, 0, 3)});
        HafenFragen f = Fragen::Make();
        ASSERT_TRUE(HafenMarkiereWrack(&h.d, 0, &f));
        ASSERT_TRUE(SetNewShips(&h.d));
        EXPECT_EQ(Holz(Lagerbestand()), 15u);
        EXPECT_EQ(Lagerbestand().size(), 2u);
    }
}

TEST(HafenWrack, MarkingALaunchedShipUndoesTheLaunch)
{
    Hafen h({Lager(54, 1)}, {Figur(kIch, FID_HANDELSSCHIFF_KLEIN, 2, kX, kY)}, {Schiff(2, 0, 6)}, 50000, 3);
    HafenFragen f = Fragen::Make();
    ASSERT_TRUE(HafenStarteSchiff(&h.d, 0, &f));
    EXPECT_TRUE(WerftZeilen(&h.d).empty());
    EXPECT_EQ(h.d.AusgelaufeneSchiffe, 5);
    ASSERT_TRUE(HafenMarkiereWrack(&h.d, 1, &f));
    EXPECT_TRUE(Fragen::asked.empty());
    EXPECT_EQ(h.d.AusgelaufeneSchiffe, 3);
    ASSERT_EQ(WerftZeilen(&h.d).size(), 1u);
    EXPECT_EQ(V(h.d.Waren[0].WarenAnzahl), 1u);
    EXPECT_TRUE(h.d.Abwracken.empty());
    ASSERT_TRUE(SetNewShips(&h.d));
    EXPECT_EQ(Schiffsliste().size(), 1u);
    EXPECT_EQ(Figures().size(), 1u);
    EXPECT_EQ(V(Lagerbestand()[0].WarenAnzahl), 1u);
}

// Only figures launched in the dialog are new; a numbered figure without a
// record is not doubled, and a ship of 0 points is not taken for a marked one.
TEST(HafenApply, OnlyLaunchedFiguresAreNew)
{
    Hafen h({Lager(53, 1)},
            {Figur(kIch, FID_HANDELSSCHIFF_KLEIN, 2, kX, kY), Figur(kIch, FID_HANDELSSCHIFF_KLEIN, 4, kX, kY)},
            {Schiff(2, 0, 0)}, 50000, 0, 1, 2);
    HafenFragen f = Fragen::Make();
    ASSERT_TRUE(HafenStarteSchiff(&h.d, 0, &f));
    ASSERT_TRUE(SetNewShips(&h.d));
    const auto figs = Figures();
    ASSERT_EQ(figs.size(), 3u);
    EXPECT_EQ(figs[2], Figur(kIch, FID_KRIEGSSCHIFF_KLEIN, 1, kX, kY));
    const auto liste = Schiffsliste();
    ASSERT_EQ(liste.size(), 2u);
    EXPECT_EQ(V(liste[0].SchiffsID), 2);
    EXPECT_EQ(V(liste[1].SchiffsID), 1);
    EXPECT_EQ(V(liste[1].Punkte), 12);  // 10 + Kampftechnik 2
    EXPECT_EQ(V(liste[1].Schaden), 0);
    EXPECT_TRUE(h.d.ChangeBackround);
    Stadt *t = LadeStadt("Hafenstadt");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(V(t->AusgelaufeneSchiffe), 1);
    FreeVec(t);
    EXPECT_TRUE(Lagerbestand().empty());
}

TEST(HafenApply, WithoutResearchOrLandTheMissingValuesCountAsZero)
{
    Hafen h({Lager(55, 1)}, {Figur(kIch, FID_HANDELSSCHIFF_KLEIN, 2, kX, kY)}, {Schiff(2, 0, 4)});
    FreeVec(h.d.Land);
    h.d.Land = nullptr;
    HafenFragen f = Fragen::Make();
    ASSERT_TRUE(HafenMarkiereWrack(&h.d, 0, &f));
    EXPECT_EQ(Fragen::asked[0], std::string(GetString(&_VEK_HAFEN_ABWRACKEN)) + " 0 " + GetString(&_VEK_GS));
    ASSERT_TRUE(HafenStarteSchiff(&h.d, 0, &f));
    ASSERT_TRUE(SetNewShips(&h.d));
    const auto liste = Schiffsliste();
    ASSERT_EQ(liste.size(), 1u);
    EXPECT_EQ(V(liste[0].Punkte), 30);
    EXPECT_FALSE(IsChunkPresent(ChunkBit(CN_LAND), POOL_OUT));
}

// Reading the figures anew: what another dialog left in memory does not come back.
TEST(HafenApply, EachDialogReadsTheFiguresAnew)
{
    Hafen h({Lager(50, 2)}, {Figur(kIch, FID_HANDELSSCHIFF_KLEIN, 2, kX, kY)}, {Schiff(2, 1, 6)});
    HafenFragen f = Fragen::Make();
    ASSERT_TRUE(HafenMarkiereWrack(&h.d, 0, &f));
    ASSERT_TRUE(HafenStarteSchiff(&h.d, 0, &f));
    // EXIT: the repair dialog opens on the file's figures.
    ASSERT_TRUE(HafenRepLesen(&h.d));
    ASSERT_EQ(h.d.Figuren.size(), 1u);
    ASSERT_TRUE(HafenRepWaehle(&h.d, 0));
    HafenRepSchritt(&h.d, 1);
    ASSERT_TRUE(SetRepairShip(&h.d));
    const auto figs = Figures();
    ASSERT_EQ(figs.size(), 1u);
    EXPECT_EQ(figs[0], Figur(kIch, FID_HANDELSSCHIFF_KLEIN, 2, kX, kY, HAFEN_KOMMANDO_REPARATUR));
}

TEST(HafenRep, StoredDurationAndSteps)
{
    Hafen h({}, {Figur(kIch, FID_KRIEGSSCHIFF_MITTEL, 2, kX, kY), Figur(kIch, FID_HANDELSSCHIFF_KLEIN, 3, kX, kY)},
            {Schiff(2, 6, 20), Schiff(3, 2, 6)});
    ASSERT_TRUE(HafenRepLesen(&h.d));
    ASSERT_TRUE(HafenRepWaehle(&h.d, 0));
    for (int i = 0; i < 8; ++i) HafenRepSchritt(&h.d, 1);
    HafenRepWerte w{};
    ASSERT_TRUE(HafenRepWerteDes(&h.d, &w));
    EXPECT_EQ(w.X, kX);
    EXPECT_EQ(w.Y, kY);
    EXPECT_EQ(w.Schaden, 6);
    EXPECT_EQ(w.Punkte, 20);
    EXPECT_EQ(w.Reparatur, 6);
    EXPECT_EQ(w.Preis, 30000u);
    EXPECT_EQ(w.Dauer, 6);
    HafenRepSchritt(&h.d, -1);
    EXPECT_EQ(h.d.Reparatur, 5);
    // Another ship starts from its stored duration (none: 0).
    ASSERT_TRUE(HafenRepWaehle(&h.d, 1));
    EXPECT_EQ(h.d.Reparatur, 0);
    HafenRepSchritt(&h.d, -1);
    EXPECT_EQ(h.d.Reparatur, 0);
    ASSERT_TRUE(HafenRepWaehle(&h.d, 0));
    for (int i = 0; i < 6; ++i) HafenRepSchritt(&h.d, 1);
    ASSERT_TRUE(SetRepairShip(&h.d));
    // Reopened: the stored duration, and steps go on from it.
    ASSERT_TRUE(HafenRepLesen(&h.d));
    ASSERT_TRUE(HafenRepWaehle(&h.d, 0));
    EXPECT_EQ(h.d.Reparatur, 6);
    HafenRepSchritt(&h.d, -1);
    EXPECT_EQ(h.d.Reparatur, 5);
    ASSERT_TRUE(HafenRepWaehle(&h.d, 0));  // the same ship again keeps the step
    EXPECT_EQ(h.d.Reparatur, 5);
}

TEST(HafenRep, ZeroPointsOrdersNothingAndAFigureWithoutRecordIsNoChoice)
{
    Hafen h({}, {Figur(kIch, FID_KRIEGSSCHIFF_MITTEL, 2, kX, kY), Figur(kIch, FID_HANDELSSCHIFF_KLEIN, 9, kX, kY)},
            {Schiff(2, 6, 20)});
    const Bytes prefs = vektest::ReadBytes(MAPPREFS_FILE);
    ASSERT_TRUE(HafenRepLesen(&h.d));
    EXPECT_FALSE(HafenRepWaehle(&h.d, 1));
    HafenRepWerte w{};
    EXPECT_FALSE(HafenRepWerteDes(&h.d, &w));
    ASSERT_TRUE(HafenRepWaehle(&h.d, 0));
    ASSERT_TRUE(SetRepairShip(&h.d));
    EXPECT_EQ(vektest::ReadBytes(MAPPREFS_FILE), prefs);
    EXPECT_FALSE(vektest::Exists(SHIPADDON_FILE));
}

// ---- hostile inputs ----

TEST(HafenFeindlich, LoadsWhatLiesInTheFiles)
{
    GameDir dir;
    vektest::MakeDirs("Data/Cities");
    // A SHIP chunk whose count is past its length: only the whole records.
    st_SHIP s{};
    s.Anzahl = 5;
    Put(MakeChunk(CN_SHIP, s, std::vector<st_SHIP_EXT>{Schiff(1, 0, 6), Schiff(2, 0, 0)}), POOL_OUT);
    vektest::WriteBytes(SHIPADDON_FILE, Bytes(95, 'x'));  // no whole record
    Stadt t{};
    std::strcpy(t.Stadtname, "Hafenstadt");
    t.XPos = kX, t.YPos = kY, t.AusgelaufeneSchiffe = 4;
    ASSERT_TRUE(SpeichereStadt(&t));
    TownList eintrag{0, "Hafenstadt"};
    ASSERT_TRUE(SpeichereTownList(&eintrag, 1));
    HafenDaten d;
    ASSERT_TRUE(LoadHafenData(&d, 0));
    EXPECT_EQ(d.StadtXPos, kX);
    EXPECT_EQ(d.AusgelaufeneSchiffe, 4);
    EXPECT_EQ(d.Schiffe.size(), 2u);
    EXPECT_TRUE(d.AddOns.empty());
    EXPECT_EQ(HafenGold(&d), 0u);
    EXPECT_EQ(d.Forschung.Technik, 0);
    EXPECT_TRUE(WriteHafenData(&d));
    EXPECT_EQ(Schiffsliste().size(), 2u);
    // An empty list removes the chunk.
    d.Schiffe.clear();
    EXPECT_TRUE(WriteHafenData(&d));
    EXPECT_FALSE(IsChunkPresent(ChunkBit(CN_SHIP), POOL_OUT));
    FreeHafenData(&d);
}

// ---- the journalled Ok ----

void Vorbereiten(Hafen &h)
{
    HafenFragen f = Fragen::Make();
    ASSERT_TRUE(HafenMarkiereWrack(&h.d, 0, &f));
    ASSERT_TRUE(HafenStarteSchiff(&h.d, 0, &f));
}

struct Stand {
    Bytes prefs, ware, pool, town;
    static Stand Jetzt()
    {
        return {vektest::ReadBytes(MAPPREFS_FILE), vektest::ReadBytes(WAREN_FILE), vektest::ReadBytes(POOL_OUT),
                vektest::ReadBytes("Data/Cities/Hafenstadt.vek")};
    }
};

TEST(HafenApply, OkCutOffAtEachFileLeavesAllOldOrAllNew)
{
    for (ULONG schritt = 0; schritt <= 5; ++schritt) {
        SCOPED_TRACE(schritt);
        Hafen h({Lager(98, 10), Lager(51, 1)}, {Figur(kIch, FID_HANDELSSCHIFF_KLEIN, 2, kX, kY)}, {Schiff(2, 0, 4)});
        const Stand alt = Stand::Jetzt();
        Vorbereiten(h);
        std::fflush(stdout);
        const pid_t pid = fork();
        if (pid == 0) {
            static ULONG bis;
            bis = schritt;
            OkJournalStepHook = [](ULONG s) -> BOOL {
                if (s == bis) _exit(7);
                return 1;
            };
            _exit(SetNewShips(&h.d) ? 0 : 3);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        const bool ganz = schritt == 5;
        EXPECT_EQ(WEXITSTATUS(status), ganz ? 0 : 7);
        EXPECT_EQ(OkJournalRestore(), ganz ? 0 : 1);
        const Stand neu = Stand::Jetzt();
        EXPECT_EQ(neu.prefs == alt.prefs, !ganz);
        EXPECT_EQ(neu.ware == alt.ware, !ganz);
        EXPECT_EQ(neu.pool == alt.pool, !ganz);
        EXPECT_EQ(neu.town == alt.town, !ganz);
    }
}

TEST(HafenApply, AFailedWriteChangesNothing)
{
    for (ULONG schritt = 0; schritt <= 4; ++schritt) {
        SCOPED_TRACE(schritt);
        Hafen h({Lager(98, 10), Lager(51, 1)}, {Figur(kIch, FID_HANDELSSCHIFF_KLEIN, 2, kX, kY)}, {Schiff(2, 0, 4)});
        const Stand alt = Stand::Jetzt();
        Vorbereiten(h);
        const auto schiffe = h.d.Schiffe;
        static ULONG bis;
        bis = schritt;
        OkJournalStepHook = [](ULONG s) -> BOOL { return s != bis; };
        EXPECT_FALSE(SetNewShips(&h.d));
        OkJournalStepHook = nullptr;
        const Stand neu = Stand::Jetzt();
        EXPECT_EQ(neu.prefs, alt.prefs);
        EXPECT_EQ(neu.ware, alt.ware);
        EXPECT_EQ(neu.pool, alt.pool);
        EXPECT_EQ(neu.town, alt.town);
        EXPECT_FALSE(vektest::Exists(OK_JOURNAL));
        EXPECT_EQ(h.d.Schiffe.size(), schiffe.size());
        EXPECT_EQ(HafenGold(&h.d), 50000u);
        EXPECT_EQ(V(h.d.AktiveStadt->AusgelaufeneSchiffe), 0);
    }
}

// ---- the demo set ----

class HafenDemo : public ::testing::Test {
protected:
    vektest::ScratchDir dir;
    HafenDaten d;
    void SetUp() override
    {
        CopyDemoGameFiles(dir.path());
        PlayerInfo = st_PlayerInfo{};
        PlayerInfo.SpielerID = 7;
        ASSERT_TRUE(LoadHafenData(&d, -2));
        ASSERT_TRUE(HafenDialogLesen(&d));
    }
    void TearDown() override { FreeHafenData(&d); }
    // The shipyard line of a ware.
    ULONG Zeile(ULONG ware)
    {
        const auto z = WerftZeilen(&d);
        for (ULONG i = 0; i < z.size(); ++i)
            if (d.Waren[z[i]].WarenTyp == ware) return i;
        ADD_FAILURE() << "no line of ware " << ware;
        return 0;
    }
};

TEST_F(HafenDemo, OneSmallTradeShipLaunched)
{
    EXPECT_EQ(d.StadtXPos, 120u);
    EXPECT_EQ(d.StadtYPos, 60u);
    EXPECT_EQ(WerftZeilen(&d).size(), 3u);
    HafenFragen f = Fragen::Make();
    ASSERT_TRUE(HafenStarteSchiff(&d, Zeile(50), &f));
    ASSERT_TRUE(SetNewShips(&d));
    auto *ship = (UBYTE *)LoadChunk2Mem(ID_SHIP, POOL_OUT);
    ASSERT_NE(ship, nullptr);
    EXPECT_EQ(((st_SHIP *)ship)->Head.Length, 140u);
    FreeVec(ship);
    const auto liste = Schiffsliste();
    ASSERT_EQ(liste.size(), 2u);
    const struct {
        UWORD id, schaden, punkte;
    } want[] = {{6, 1, 6}, {8, 0, 6}};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(V(liste[i].SchiffsID), want[i].id);
        EXPECT_EQ(V(liste[i].Schaden), want[i].schaden);
        EXPECT_EQ(V(liste[i].Punkte), want[i].punkte);
        EXPECT_EQ(V(liste[i].X_Pos), 120u);
        EXPECT_EQ(V(liste[i].Y_Pos), 60u);
    }
    const st_SHIP_EXT leer{};
    EXPECT_EQ(std::memcmp((const UBYTE *)&liste[1] + 14, (const UBYTE *)&leer + 14, 54), 0);
    const Bytes town = vektest::ReadBytes("Data/Cities/Demoburg.vek");
    ASSERT_EQ(town.size(), 14228u);
    EXPECT_EQ(town[14220], 1);
    EXPECT_EQ(town[14221], 0);
    const auto figs = Figures();
    ASSERT_FALSE(figs.empty());
    EXPECT_EQ(figs.back(), Figur(7, FID_HANDELSSCHIFF_KLEIN, 8, 120, 60));
    // The stock's last small trade ship is gone.
    for (const auto &w : Lagerbestand()) EXPECT_NE(V(w.WarenTyp), 50u);
}

TEST_F(HafenDemo, MediumWarShipWithCombatResearch)
{
    HafenFragen f = Fragen::Make();
    ASSERT_TRUE(HafenStarteSchiff(&d, Zeile(54), &f));
    ASSERT_TRUE(SetNewShips(&d));
    const auto liste = Schiffsliste();
    ASSERT_EQ(liste.size(), 2u);
    EXPECT_EQ(V(liste[1].SchiffsID), 8);
    EXPECT_EQ(V(liste[1].Punkte), 23);
    EXPECT_EQ(V(liste[1].Schaden), 0);
    EXPECT_EQ(Figures().back(), Figur(7, FID_KRIEGSSCHIFF_MITTEL, 8, 120, 60));
    // Big trade ship (3) after the war ship (2) and a second war ship (2): 7; a third one would make 9.
    ASSERT_TRUE(HafenDialogLesen(&d));
    EXPECT_EQ(d.AusgelaufeneSchiffe, 2);
    ASSERT_TRUE(HafenStarteSchiff(&d, Zeile(52), &f));
    ASSERT_TRUE(HafenStarteSchiff(&d, Zeile(54), &f));
    ASSERT_TRUE(HafenStarteSchiff(&d, Zeile(54), &f));
    EXPECT_EQ(d.AusgelaufeneSchiffe, 9);
    EXPECT_TRUE(Fragen::said.empty());
}

TEST_F(HafenDemo, SeesternWrecked)
{
    HafenFragen f = Fragen::Make();
    ASSERT_EQ(AnkerZeilen(&d).size(), 1u);
    ASSERT_TRUE(HafenMarkiereWrack(&d, 0, &f));
    EXPECT_EQ(Fragen::asked[0], std::string(GetString(&_VEK_HAFEN_ABWRACKEN)) + " 15000 " + GetString(&_VEK_GS));
    ASSERT_TRUE(SetNewShips(&d));
    EXPECT_EQ(V(Load<st_LAND>(CN_LAND, POOL_OUT).AnzGold), 35000u);
    EXPECT_EQ(Holz(Lagerbestand()), 430u);
    EXPECT_FALSE(IsChunkPresent(ChunkBit(CN_SHIP), POOL_OUT));
    for (const auto &fig : Figures()) EXPECT_NE(V(fig.FigurNummer), 6);
    EXPECT_FALSE(d.ChangeBackround);
}

// EXIT after a mark: the screen's leaving writes what it read.
TEST_F(HafenDemo, MarkThenExitLeavesShipsAndStock)
{
    const Bytes ware = vektest::ReadBytes(WAREN_FILE);
    const auto vorher = Schiffsliste();
    HafenFragen f = Fragen::Make();
    ASSERT_TRUE(HafenMarkiereWrack(&d, 0, &f));
    ASSERT_TRUE(HafenStarteSchiff(&d, Zeile(54), &f));
    ASSERT_TRUE(HafenDialogLesen(&d));  // the next dialog starts over
    EXPECT_TRUE(d.Abwracken.empty());
    ASSERT_TRUE(WriteHafenData(&d));
    const auto nachher = Schiffsliste();
    ASSERT_EQ(nachher.size(), vorher.size());
    EXPECT_EQ(std::memcmp(nachher.data(), vorher.data(), vorher.size() * sizeof(st_SHIP_EXT)), 0);
    EXPECT_EQ(vektest::ReadBytes(WAREN_FILE), ware);
}

TEST_F(HafenDemo, OnePointOrderedForSeestern)
{
    ASSERT_TRUE(HafenRepLesen(&d));
    ASSERT_TRUE(HafenRepWaehle(&d, 0));
    EXPECT_EQ(d.Reparatur, 0);  // stored 0
    HafenRepSchritt(&d, 1);
    EXPECT_EQ(d.Reparatur, 1);
    HafenRepWerte w{};
    ASSERT_TRUE(HafenRepWerteDes(&d, &w));
    EXPECT_EQ(w.Preis, 2000u);
    ASSERT_TRUE(SetRepairShip(&d));
    Bytes want(96, 0);
    std::memcpy(want.data(), "Seestern", 8);
    want[80] = 6;
    want[82] = 1;
    EXPECT_EQ(vektest::ReadBytes(SHIPADDON_FILE), want);
    bool gefunden = false;
    for (const auto &fig : Figures()) {
        if (fig.FigurNummer != 6) continue;
        gefunden = true;
        EXPECT_EQ(fig.Kommando, 16);
        EXPECT_EQ(fig.Bewegungspunkte, 0);
    }
    EXPECT_TRUE(gefunden);
}

}  // namespace
