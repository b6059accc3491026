// The order menu: which orders a figure is offered where it stands, the
// menu's place and row cap, the figure rows' texts and the tips, and on a
// headless display the hover colours, the tip after ten ticks, the chosen
// order and the figure swap that reaches the figure file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/demoscreen.h"
#include "common/scriptinput.h"
#include "common/testutil.h"
#include "gfx/font.h"
#include "gfx/graphics.h"
#include "map/figures_map.h"
#include "map/figurmenu.h"
#include "world/hex.h"
#include "map/mapview.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/chunks.h"
#include "store/converters.h"
#include "store/figures.h"
#include "store/lists.h"
#include "store/mapnames.h"

using namespace vektest;

namespace {

constexpr ULONG kIch = 3, kAndere = 9;
constexpr LONG kSpalte = 4, kZeile = 3;        // the marked hex in the view (an even column)
constexpr ULONG kX = 2000 + kSpalte, kY = 1000 + kZeile;  // the same hex in the world

// The first hex graphic of a terrain class.
UWORD ArtVon(UWORD klasse)
{
    for (UWORD a = 1; a <= MAX_HEX_GRAFIK; ++a)
        if (GetTypeOfHex(a) == klasse && !IsRuine(a)) return a;
    return 0;
}

// A hand-made view: the marked hex at window (104, 53), own grassland
// everywhere, the lists of the screen state empty until a case fills them.
class Welt {
public:
    Welt()
    {
        altSpieler = PlayerInfo.SpielerID;
        PlayerInfo.SpielerID = kIch;
        view.GreatMapPtr = (MapEntry *)AllocVec(sizeof(MapEntry) * FENSTER_BREITE * FENSTER_HOEHE, MEMF_CLEAR);
        view.GreatBMapPtr = (UBYTE *)AllocVec(FENSTER_BMAP_BYTES, MEMF_CLEAR);
        std::memset(view.GreatBMapPtr, 0xFF, FENSTER_BMAP_BYTES);
        view.BMapPtr = view.GreatBMapPtr;
        view.IndeX = 100, view.IndeY = 50;
        view.X_Hex = 2000, view.Y_Hex = 1000;
        view.X_WorldMap = 2000 / TEIL_BREITE, view.Y_WorldMap = 1000 / TEIL_HOEHE;
        view.XTiles = 10, view.YTiles = 8;
        for (LONG y = 0; y < FENSTER_HOEHE; ++y)
            for (LONG x = 0; x < FENSTER_BREITE; ++x) {
                MapEntry &e = view.GreatMapPtr[y * FENSTER_BREITE + x];
                e.X = (ULONG)(2000 - 100 + x), e.Y = (ULONG)(1000 - 50 + y), e.Art = ArtVon(GK_STEPPE), e.BesitzerID = kIch;
            }
        st.VekMapInfoPtr = &view;
        st.X_Pos = kSpalte, st.Y_Pos = kZeile;
        st.ShipListPtr = CreateList(LISTE_SCHIFFE);
        st.ArmeeListe = CreateList(LISTE_ARMEEN);
        st.ShipAddOnListPtr = CreateList(LISTE_SHIPADDON);
    }
    ~Welt()
    {
        PlayerInfo.SpielerID = altSpieler;
        FreeVec(view.GreatMapPtr);
        FreeVec(view.GreatBMapPtr);
        FreeVec(view.PeopleMemPtr);
        FreeVec(view.LocalPeopleMemPtr);
        DeleteList(st.ShipListPtr, LIST_FREE_OWNED);
        DeleteArmyList(st.ArmeeListe);
        DeleteList(st.ShipAddOnListPtr, LIST_FREE_OWNED);
    }
    // Window entry at view (c, r).
    MapEntry &Hex(LONG c = kSpalte, LONG r = kZeile) { return *FensterHex(&view, view.IndeX + c, view.IndeY + r); }
    MapEntry &Nachbar(int richtung)
    {
        const HexPos p = HexNachbar(HexPos{view.IndeX + kSpalte, view.IndeY + kZeile}, richtung);
        return *FensterHex(&view, p.x, p.y);
    }
    MapEntry &Ring2()
    {
        HexPos ring[12];
        HexRing(HexPos{view.IndeX + kSpalte, view.IndeY + kZeile}, 2, ring);
        return *FensterHex(&view, ring[7].x, ring[7].y);
    }
    // The figures of the view, the same in the whole and the local list.
    void Figuren(const std::vector<st_MOVE_EXT> &f)
    {
        FreeVec(view.PeopleMemPtr);
        FreeVec(view.LocalPeopleMemPtr);
        const ULONG groesse = 2 + (ULONG)(f.size() * sizeof(st_MOVE_EXT));
        view.PeopleMemPtr = (UBYTE *)AllocVec(groesse, MEMF_CLEAR);
        view.LocalPeopleMemPtr = (UBYTE *)AllocVec(groesse, MEMF_CLEAR);
        view.PeopleMemSize = groesse;
        for (UBYTE *b : {view.PeopleMemPtr, view.LocalPeopleMemPtr}) {
            const UWORD n = (UWORD)f.size();
            std::memcpy(b, &n, 2);
            if (n) std::memcpy(b + 2, f.data(), f.size() * sizeof(st_MOVE_EXT));
        }
        st.AktPerson = f.empty() ? nullptr : FigurImBlock(view.LocalPeopleMemPtr, 0);
        st.BlueHex = st.AktPerson != nullptr;
    }
    st_MOVE_EXT *Lokal(ULONG i) { return FigurImBlock(view.LocalPeopleMemPtr, i); }
    st_MOVE_EXT *Global(ULONG i) { return FigurImBlock(view.PeopleMemPtr, i); }
    std::vector<int> Angebot()
    {
        UBYTE b[FIGURMENU_BEFEHLE];
        const int n = FigurMenuBefehle(&st, st.AktPerson, b);
        return std::vector<int>(b, b + n);
    }
    ShipListEntry *Schiff(UWORD id, int anBord, UWORD armeeArt = 0)
    {
        auto *s = (ShipListEntry *)AllocVec(st.ShipListPtr->TypSize, MEMF_CLEAR);
        s->Schiff.SchiffsID = id, s->Schiff.X_Pos = kX, s->Schiff.Y_Pos = kY;
        st_MOVE_EXT *platz[3] = {&s->Schiff.Figur1, &s->Schiff.Figur2, &s->Schiff.Figur3};
        for (int i = 0; i < anBord; ++i) platz[i]->Kommando = KOMMANDO_AN_BORD, platz[i]->FigurArt = armeeArt;
        InsertNode(st.ShipListPtr, &s->Node, LIST_LAST, 0);
        return s;
    }
    // An infantry army (a figure of kind 1) with parts of these sizes.
    ArmeeList *Armee(ULONG id, const char *name, const std::vector<ULONG> &teile, ULONG x = kX, ULONG y = kY)
    {
        auto *a = (ArmeeList *)AllocVec(st.ArmeeListe->TypSize, MEMF_CLEAR);
        a->Army.ArmeeID = id, a->Army.PosX = x, a->Army.PosY = y;
        std::memcpy(a->Army.Name, name, std::min(std::strlen(name), sizeof a->Army.Name));
        ListHeader *l = CreateList(LISTE_ARMEETEILE);
        for (ULONG n : teile) {
            auto *t = (ArmeeListEntry *)AllocVec(l->TypSize, MEMF_CLEAR);
            t->ArmyEntry.Typ = 2, t->ArmyEntry.Anzahl = n;
            InsertNode(l, &t->Node, LIST_LAST, 0);
        }
        std::memcpy((UBYTE *)a + offsetof(ArmeeList, ArmyListEntryHeader), &l, sizeof l);
        a->Army.ArmeeTypAnzahl = (ULONG)teile.size();
        InsertNode(st.ArmeeListe, &a->Node, LIST_LAST, 0);
        return a;
    }

    ULONG altSpieler = 0;
    VekMapInfo view{};
    LokaleDatenKartenScreen st{};
};

st_MOVE_EXT Figur(UWORD art, UBYTE punkte, ULONG besitzer = kIch, UWORD nummer = 1, UBYTE kommando = 0)
{
    st_MOVE_EXT f{};
    f.SpielerID = besitzer, f.FigurArt = art, f.FigurNummer = nummer;
    f.X_Pos = kX, f.Y_Pos = kY;
    f.Kommando = kommando, f.Bewegungspunkte = punkte;
    return f;
}

using Befehle = std::vector<int>;

TEST(FigurMenuBefehle, ByKindPointsAndGround)
{
    const UWORD wasser = ArtVon(GK_WASSER), stadt = ArtVon(GK_STADT), wueste = ArtVon(GK_WUESTE);
    const UWORD dunkelwald = ArtVon(GK_DUNKELWALD);
    ASSERT_TRUE(wasser && stadt && wueste && dunkelwald);
    struct Fall {
        const char *name;
        std::vector<st_MOVE_EXT> figuren;  // the first is the selected one
        void (*boden)(Welt &);
        void (*listen)(Welt &);
        Befehle soll;
    } faelle[] = {
        {"scout with full points on its own dungeon", {Figur(0, 8)},
         [](Welt &w) { w.Hex().Spezial = SPEZIAL_DUNGEON; }, nullptr, {0, 10, 11, 13, 18, 20}},
        {"... with a figure of owner -5 there", {Figur(0, 8), Figur(0, 8, HAENDLER_A)},
         [](Welt &w) { w.Hex().Spezial = SPEZIAL_DUNGEON; }, nullptr, {0, 10, 11, 13, 15, 18, 20}},
        {"... with a figure of owner -6 there", {Figur(0, 8), Figur(14, 8, HAENDLER_B)},
         [](Welt &w) { w.Hex().Spezial = SPEZIAL_DUNGEON; }, nullptr, {0, 10, 11, 13, 15, 18, 20}},
        {"a trader but not full points", {Figur(0, 7), Figur(0, 8, HAENDLER_A)}, nullptr, nullptr,
         {0, 10, 11, 13, 18}},
        {"scout without points on foreign ground", {Figur(0, 0)},
         [](Welt &w) { w.Hex().BesitzerID = kAndere; }, nullptr, {0, 12, 13}},
        {"army with full points at home", {Figur(1, 4)}, nullptr, nullptr, {0, 2, 3, 10, 18}},
        {"army on foreign ground next to its own", {Figur(1, 3)},
         [](Welt &w) { w.Hex().BesitzerID = kAndere; }, nullptr, {0, 1, 3, 10, 18}},
        {"army deep in foreign ground", {Figur(1, 3)},
         [](Welt &w) {
             for (int r = 0; r < 6; ++r) w.Nachbar(r).BesitzerID = kAndere;
             w.Hex().BesitzerID = kAndere;
         },
         nullptr, {0, 3, 10, 18}},
        {"... beside water where an own figure stands", {Figur(1, 3), [] {
              st_MOVE_EXT f = Figur(14, 0, kIch, 5);
              f.Y_Pos = kY - 1;  // north
              return f;
          }()},
         [](Welt &w) {
             for (int r = 0; r < 6; ++r) w.Nachbar(r).BesitzerID = kAndere;
             w.Hex().BesitzerID = kAndere;
             w.Nachbar(HEX_N).Art = ArtVon(GK_WASSER);
         },
         nullptr, {0, 1, 3, 10, 18}},
        {"army aboard a ship off its own coast", {Figur(1, 0, kIch, 1, KOMMANDO_AN_BORD)},
         [](Welt &w) {
             w.Hex().Art = ArtVon(GK_WASSER);
             w.Hex().BesitzerID = NIEMAND;
         },
         nullptr, {0, 1}},
        {"warship at sea off its own coast", {Figur(17, 0)},
         [](Welt &w) {
             w.Hex().Art = ArtVon(GK_WASSER);
             w.Hex().BesitzerID = NIEMAND;
         },
         nullptr, {0, 1, 3, 8, 19}},
        {"warship in a foreign port", {Figur(17, 8)}, [](Welt &w) { w.Hex().BesitzerID = kAndere; }, nullptr,
         {0, 3, 8, 10, 18, 19}},
        {"small merchant with one aboard", {Figur(14, 10)}, [](Welt &w) { w.Hex().Art = ArtVon(GK_WASSER); },
         [](Welt &w) { w.Schiff(1, 1); }, {0, 6, 10, 18, 19}},
        {"big merchant with two aboard and a third of its points", {Figur(16, 2)},
         [](Welt &w) { w.Hex().Art = ArtVon(GK_WASSER); }, [](Welt &w) { w.Schiff(1, 2); }, {0, 5, 10, 18, 19}},
        {"... with less than a third", {Figur(16, 1)}, [](Welt &w) { w.Hex().Art = ArtVon(GK_WASSER); },
         [](Welt &w) { w.Schiff(1, 2); }, {0, 10, 18, 19}},
        {"... full, but no land beside it", {Figur(16, 6)},
         [](Welt &w) {
             w.Hex().Art = ArtVon(GK_WASSER);
             for (int r = 0; r < 6; ++r) w.Nachbar(r).Art = ArtVon(GK_WASSER);
         },
         [](Welt &w) { w.Schiff(1, 1); }, {0, 10, 18, 19}},
        {"merchant not in the ship list", {Figur(16, 6)}, [](Welt &w) { w.Hex().Art = ArtVon(GK_WASSER); },
         [](Welt &w) { w.Schiff(2, 1); }, {0, 10, 18, 19}},
        {"merchant with soldiers in a town", {Figur(15, 0)}, [](Welt &w) { w.Hex().Art = ArtVon(GK_STADT); },
         [](Welt &w) { w.Schiff(1, 2, 3); }, {0, 9, 19}},
        {"... with only a scout aboard", {Figur(15, 0)}, [](Welt &w) { w.Hex().Art = ArtVon(GK_STADT); },
         [](Welt &w) { w.Schiff(1, 1, 0); }, {0, 19}},
        {"settler on open own grassland", {Figur(10, 6)}, nullptr, nullptr, {0, 4, 10, 18}},
        {"settler beside a town", {Figur(10, 6)}, [](Welt &w) { w.Nachbar(HEX_SO).Art = ArtVon(GK_STADT); },
         nullptr, {0, 10, 18}},
        {"settler two hexes from a town", {Figur(10, 6)}, [](Welt &w) { w.Ring2().Art = ArtVon(GK_STADT); },
         nullptr, {0, 10, 18}},
        {"settler beside dark forest", {Figur(10, 6)},
         [](Welt &w) { w.Nachbar(HEX_NW).Art = ArtVon(GK_DUNKELWALD); }, nullptr, {0, 10, 18}},
        {"settler two hexes from dark forest", {Figur(10, 6)},
         [](Welt &w) { w.Ring2().Art = ArtVon(GK_DUNKELWALD); }, nullptr, {0, 4, 10, 18}},
        {"settler on lone desert", {Figur(10, 6)}, [](Welt &w) { w.Hex().Art = ArtVon(GK_WUESTE); }, nullptr,
         {0, 10, 18}},
        {"settler on desert beside desert", {Figur(10, 6)},
         [](Welt &w) {
             w.Hex().Art = ArtVon(GK_WUESTE);
             w.Nachbar(HEX_S).Art = ArtVon(GK_WUESTE);
         },
         nullptr, {0, 4, 10, 18}},
        {"settler on foreign ground", {Figur(10, 6)}, [](Welt &w) { w.Hex().BesitzerID = kAndere; }, nullptr,
         {0, 10, 18}},
        {"cleric with two points", {Figur(12, 2)}, nullptr, nullptr, {0, 10, 14, 18}},
        {"cleric with one point", {Figur(12, 1)}, nullptr, nullptr, {0, 10, 18}},
        {"geologist with full points on a ruin", {Figur(13, 8)}, [](Welt &w) { w.Hex().Art = 35; }, nullptr,
         {0, 10, 18, 21}},
        {"geologist on a ruin, points spent", {Figur(13, 7)}, [](Welt &w) { w.Hex().Art = 35; }, nullptr,
         {0, 10, 18}},
        {"caravan on an own town", {Figur(20, 0)}, [](Welt &w) { w.Hex().Art = ArtVon(GK_STADT); }, nullptr,
         {0, 5, 6}},
        {"caravan on a foreign town", {Figur(20, 0)},
         [](Welt &w) {
             w.Hex().Art = ArtVon(GK_STADT);
             w.Hex().BesitzerID = kAndere;
         },
         nullptr, {0}},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        Welt w;
        if (f.boden) f.boden(w);
        if (f.listen) f.listen(w);
        w.Figuren(f.figuren);
        EXPECT_EQ(w.Angebot(), f.soll);
        // Asking for the traders leaves the player who he is.
        EXPECT_EQ(PlayerInfo.SpielerID, kIch);
    }
}

TEST(FigurMenuPlatz, PlaceRowCapAndTheLastColumn)
{
    Welt w;
    struct Fall {
        const char *name;
        LONG spalte, zeile;
        int befehle, figuren;
        LONG hoehe;
        bool tief8;
        int offen;
        FigurMenuLage soll;
    } faelle[] = {
        {"even column at 8 bits", 4, 3, 5, 2, 480, true, 1, {224, 184, 5, 2}},
        {"odd column at 8 bits", 5, 3, 5, 2, 480, true, 1, {272, 212, 5, 2}},
        {"even column above 8 bits", 4, 3, 5, 2, 600, false, 1, {208, 168, 5, 2}},
        {"6 orders, 40 figures, 480 high", 4, 3, 6, 40, 480, true, 1, {224, 0, 6, 34}},
        {"pushed up to end at the bottom", 4, 6, 4, 10, 480, true, 1, {224, 312, 4, 10}},
        {"last view column", 9, 3, 3, 1, 480, true, 0, {}},
        {"last view row", 4, 7, 3, 1, 480, true, 0, {}},
        {"left of the view", -1, 3, 3, 1, 480, true, 0, {}},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        w.st.X_Pos = (WORD)f.spalte, w.st.Y_Pos = (WORD)f.zeile;
        FigurMenuLage l{-1, -1, -1, -1};
        ASSERT_EQ(FigurMenuPlatz(&w.st, f.befehle, f.figuren, 640, f.hoehe, f.tief8, &l), f.offen);
        if (!f.offen) continue;
        EXPECT_EQ(l.x, f.soll.x);
        EXPECT_EQ(l.y, f.soll.y);
        EXPECT_EQ(l.befehle, f.soll.befehle);
        EXPECT_EQ(l.figuren, f.soll.figuren);
    }
    // On a wide display the view's right columns leave no room: the menu stays on it.
    w.view.XTiles = 22;
    w.st.X_Pos = 20, w.st.Y_Pos = 3;
    FigurMenuLage l{};
    ASSERT_EQ(FigurMenuPlatz(&w.st, 3, 1, 1024, 768, false, &l), 1);
    EXPECT_EQ(l.x, 1024 - FIGURMENU_BREITE);
}

// A player list (ANTW) and battle records (KRIG) as the received turn brings them.
std::vector<UBYTE> SpielerListe(const std::vector<std::pair<ULONG, const char *>> &spieler)
{
    std::vector<UBYTE> b(sizeof(st_ANTW) + spieler.size() * sizeof(st_ANTW_EXT_1), 0);
    auto *a = (st_ANTW *)b.data();
    a->Head.ChunkID = ID_ANTW, a->Head.Version = VERSION_V001;
    a->Head.Length = (ULONG)(b.size() - sizeof(st_ChunkHead));
    a->Antwort.Anzahl = (ULONG)spieler.size();
    a->Antwort.Length = (ULONG)(spieler.size() * sizeof(st_ANTW_EXT_1));
    auto *e = (st_ANTW_EXT_1 *)(b.data() + sizeof(st_ANTW));
    for (size_t i = 0; i < spieler.size(); ++i) {
        e[i].SpielerID = spieler[i].first;
        std::strncpy(e[i].SpielName, spieler[i].second, sizeof e[i].SpielName - 1);
    }
    return b;
}

struct Kampf {
    st_MOVE_EXT ang, ver;
    ULONG result, angLebende, verLebende;
};

std::vector<UBYTE> Kriege(const std::vector<Kampf> &k, ULONG anzahl = 0xFFFFFFFF)
{
    std::vector<UBYTE> b(sizeof(st_KRIG) + k.size() * sizeof(st_KRIG_EXT), 0);
    auto *c = (st_KRIG *)b.data();
    c->Head.ChunkID = ID_KRIG, c->Head.Version = VERSION_V001;
    c->Head.Length = (ULONG)(b.size() - sizeof(st_ChunkHead));
    c->AnzahlKriege = anzahl == 0xFFFFFFFF ? (ULONG)k.size() : anzahl;
    auto *e = (st_KRIG_EXT *)(b.data() + sizeof(st_KRIG));
    for (size_t i = 0; i < k.size(); ++i) {
        e[i].Angreifer = k[i].ang, e[i].Verteidiger = k[i].ver;
        e[i].Result = k[i].result, e[i].AngLebende = k[i].angLebende, e[i].VerLebende = k[i].verLebende;
    }
    return b;
}

std::vector<std::string> Zeilen(std::initializer_list<const char *> z) { return {z.begin(), z.end()}; }

TEST(FigurMenuTipp, EveryText)
{
    ScratchDir dir;  // a name the player list lacks is asked for through the outgoing pool
    Welt w;
    std::vector<UBYTE> spieler = SpielerListe({{kAndere, "Gegner"}, {kIch, "Ich"}});
    w.st.SpielerChunkPtr = (st_ANTW *)spieler.data();
    const st_MOVE_EXT feind = Figur(1, 0, kAndere, 4), feindSchiff = Figur(18, 0, kAndere, 6);
    const st_MOVE_EXT a = Figur(2, 0, kIch, 1), b = Figur(3, 0, kIch, 2), c = Figur(5, 0, 11, 3);
    std::vector<UBYTE> krieg =
        Kriege({{a, feind, 0, 10, 7},           // attacked by a: 7 left
                {feind, a, 0, 5, 3},            // attacking a: 5 left
                {b, feind, 0, 10, 4},           // another opponent: the count starts anew
                {feindSchiff, c, 8, 0, 0},      // the pirate
                {c, Figur(1, 0, 12, 9), 0, 0, 0}});
    w.st.KrigChunkPtr = (st_KRIG *)krieg.data();
    ArmeeList *armee = w.Armee(1, "Erste", {100, 250, 7});
    ShipListEntry *s = w.Schiff(3, 0);
    s->Schiff.Schaden = 2, s->Schiff.Punkte = 9;

    auto Tipp = [&](const st_MOVE_EXT &f, ArmeeList *a = nullptr) { return FigurMenuTipp(&w.st, &f, a); };
    EXPECT_EQ(Tipp(Figur(1, 0), armee), Zeilen({"-> 100", "-> 250", "-> 7"}));
    EXPECT_EQ(Tipp(Figur(14, 0, kIch, 3)), Zeilen({"-> 2/9"}));
    EXPECT_EQ(Tipp(Figur(14, 0, kIch, 4)), Zeilen({}));  // not in the ship list
    EXPECT_EQ(Tipp(Figur(0, 0)), Zeilen({}));
    EXPECT_EQ(Tipp(feind), Zeilen({"-> 1/4"}));
    EXPECT_EQ(Tipp(Figur(1003, 0, kAndere, 4)), Zeilen({"-> 1/4"}));  // a foreign kind counts the same
    EXPECT_EQ(Tipp(Figur(7, 0, 12, 9)), Zeilen({"-> vernichtet"}));
    EXPECT_EQ(Tipp(feindSchiff), Zeilen({"-> Pirat!"}));
    EXPECT_EQ(Tipp(Figur(0, 0, kAndere, 77)), Zeilen({"-> Gegner"}));  // no battle: the owner

    struct Schiffsfall {
        bool angreifer;
        ULONG result;
        const char *text;
    } schiffe[] = {
        {true, 0, "-> angegriffen"}, {true, 8, "-> Pirat!"},          {false, 5, "-> versenkt"},
        {false, 6, "-> besch\344digt"}, {false, 7, "-> gekapert"}, {false, 8, "-> verteidigt"},
        {false, 3, "-> Gegner"},
    };
    for (const Schiffsfall &f : schiffe) {
        SCOPED_TRACE(f.text);
        // An earlier battle of the ship: the last one decides.
        std::vector<UBYTE> k = Kriege({{feindSchiff, a, 5, 0, 0},
                                       f.angreifer ? Kampf{feindSchiff, a, f.result, 0, 0}
                                                   : Kampf{a, feindSchiff, f.result, 0, 0}});
        w.st.KrigChunkPtr = (st_KRIG *)k.data();
        EXPECT_EQ(Tipp(feindSchiff), Zeilen({f.text}));
    }
    // Battles are read only as far as the chunk holds them.
    std::vector<UBYTE> kurz = Kriege({{a, feind, 0, 10, 7}}, 5);
    w.st.KrigChunkPtr = (st_KRIG *)kurz.data();
    EXPECT_EQ(Tipp(feind), Zeilen({"-> 1/7"}));
    w.st.KrigChunkPtr = nullptr;
    EXPECT_EQ(Tipp(feind), Zeilen({"-> Gegner"}));
    // A name the list lacks comes from the general lookup.
    w.st.SpielerChunkPtr = nullptr;
    EXPECT_EQ(Tipp(feind).size(), 1u);
    EXPECT_EQ(Tipp(feind)[0].rfind("-> ", 0), 0u);
}

TEST(FigurMenuZeile, NamesMarksAndCuts)
{
    Welt w;
    std::vector<UBYTE> spieler = SpielerListe({{kAndere, "Gegner"}});
    w.st.SpielerChunkPtr = (st_ANTW *)spieler.data();
    ArmeeList *erste = w.Armee(1, "Erste Legion", {10});
    w.Armee(2, "Woanders", {10}, kX + 1, kY);
    ArmeeList *voll = w.Armee(3, "Zwanzig Zeichen Name", {10});  // the whole field, no end mark
    ListNode *knoten = (ListNode *)AllocVec(w.st.ShipAddOnListPtr->TypSize, MEMF_CLEAR);
    auto *name = (ShipAddOn *)NodeData(knoten);
    std::strcpy(name->Name, "Seeadler mit einem sehr langen Namen");
    name->SchiffsID = 6;
    InsertNode(w.st.ShipAddOnListPtr, knoten, LIST_LAST, 0);
    struct Fall {
        const char *name;
        st_MOVE_EXT f;
        std::string soll;
        int ok;
        ArmeeList *armee;
    } faelle[] = {
        {"own army", Figur(1, 0, kIch, 1), "Erste Legion", 1, erste},
        {"own army aboard", Figur(1, 0, kIch, 1, KOMMANDO_AN_BORD), "+Erste Legion", 1, erste},
        {"own army with a name of 20 bytes", Figur(1, 0, kIch, 3), "Zwanzig Zeichen Nam", 1, voll},
        {"own army elsewhere in the list", Figur(1, 0, kIch, 2), "", 0, nullptr},
        {"own army of another kind", Figur(4, 0, kIch, 1), "", 0, nullptr},
        {"own named ship, cut to 19", Figur(16, 0, kIch, 6), "Seeadler mit einem ", 1, nullptr},
        {"own ship without a name", Figur(16, 0, kIch, 7), "big trade ship", 1, nullptr},
        {"foreign scout", Figur(0, 0, kAndere), "\272scout", 1, nullptr},
        {"foreign ship named alike", Figur(16, 0, kAndere, 6), "\272big trade ship", 1, nullptr},
        {"foreign figure aboard", Figur(10, 0, kAndere, 1, KOMMANDO_AN_BORD), "\272+settler", 1, nullptr},
        {"foreign player figure", Figur(1004, 0, kAndere), "\272Gegner", 1, nullptr},
        {"kind without a name", Figur(11, 0), "", 1, nullptr},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        char text[FIGURMENU_TEXT + 4];
        std::memset(text, 'x', sizeof text);
        ArmeeList *a = (ArmeeList *)1;
        EXPECT_EQ(FigurMenuZeile(&w.st, &f.f, text, &a), f.ok);
        EXPECT_EQ(std::string(text), f.soll);
        EXPECT_EQ(a, f.armee);
        EXPECT_EQ(text[FIGURMENU_TEXT], 'x');  // nothing written past the row's 20 bytes
    }
}

// ---- on a headless display ----

BitMap *gAnzeige = nullptr;
struct Gezeigt {
    LONG x, y, w, h;
    ULONG links, rechts;  // pixels at (x + 3, y + 3) and (x + 76, y + 8)
};
std::vector<Gezeigt> gGezeigt;
void Aufzeichnen(LONG x, LONG y, LONG w, LONG h)
{
    gGezeigt.push_back({x, y, w, h, PixelAt(gAnzeige, x + 3, y + 3), PixelAt(gAnzeige, x + 76, y + 8)});
}

class FigurMenuAnzeige : public DemoScreenTest {
protected:
    void SetUp() override
    {
        DemoScreenTest::SetUp();
        welt = std::make_unique<Welt>();
        SetTestPalette();
        altScreen = VekDisplay.VekScreen;
        VekDisplay.VekScreen = 3;  // the map screen takes the mouse on the whole display
        altPort = VekDisplay.RastPort_;
        altUserPort = UserSystem.Display ? UserSystem.Display->RastPort_ : nullptr;
        SetzePort(screen_->ViewRastPort());
        gAnzeige = screen_->ViewBitMap();
        font = OpenDiskFont("Fonts/XHelvetica9.fnt");
        welt->st.VekFont3Ptr = font;
        altRecorder = UpdateRectangleRecorder;
        gGezeigt.clear();
    }
    void TearDown() override
    {
        UpdateRectangleRecorder = altRecorder;
        CloseFont(font);
        SetzePort(altPort);
        if (UserSystem.Display) UserSystem.Display->RastPort_ = altUserPort;
        VekDisplay.VekScreen = altScreen;
        welt.reset();
        DemoScreenTest::TearDown();
    }
    static void SetzePort(RastPort *rp)
    {
        VekDisplay.RastPort_ = rp;
        if (UserSystem.Display) UserSystem.Display->RastPort_ = rp;
    }
    LokaleDatenKartenScreen &St() { return welt->st; }
    FigurMenuLage Lage()
    {
        UBYTE b[FIGURMENU_BEFEHLE];
        const int befehle = FigurMenuBefehle(&St(), St().AktPerson, b);
        const int figuren = (int)GetActivePeopleAnzahl(&welt->view, kX, kY);
        FigurMenuLage l{};
        EXPECT_EQ(FigurMenuPlatz(&St(), befehle, figuren, VekDisplay.VekScreen_Breite, VekDisplay.VekScreen_Hoehe,
                                 VekDisplay.VekScreen_Tiefe <= 8, &l),
                  1);
        return l;
    }
    static LONG ZeileY(const FigurMenuLage &l, int i) { return l.y + FIGURMENU_ZEILE * i + 6; }
    void Zeige(const FigurMenuLage &l, int i) { PushMoveTo(l.x + 40, ZeileY(l, i)); }
    void Waehle(const FigurMenuLage &l, int i)
    {
        Zeige(l, i);
        PushRelease(l.x + 40, ZeileY(l, i));
    }
    // The pixel a pen gives on this display.
    ULONG Tinte(UWORD pen)
    {
        RastPort *rp = screen_->ViewRastPort();
        const LONG x = VekDisplay.VekScreen_Breite - 1, y = VekDisplay.VekScreen_Hoehe - 1;
        SetAPen(rp, pen);
        WritePixel(rp, x, y);
        return PixelAt(gAnzeige, x, y);
    }
    std::vector<ULONG> Bereich(LONG x, LONG y, LONG w, LONG h)
    {
        std::vector<ULONG> p;
        for (LONG j = y; j < y + h; ++j)
            for (LONG i = x; i < x + w; ++i) p.push_back(PixelAt(gAnzeige, i, j));
        return p;
    }

    std::unique_ptr<Welt> welt;
    TextFont *font = nullptr;
    ULONG altScreen = 0;
    RastPort *altPort = nullptr, *altUserPort = nullptr;
    void (*altRecorder)(LONG, LONG, LONG, LONG) = nullptr;
};

TEST_P(FigurMenuAnzeige, GuardSetsTheOrderAndSpendsThePoints)
{
    welt->Figuren({Figur(1, 4)});
    welt->Armee(1, "Wache", {50});
    const FigurMenuLage l = Lage();
    ASSERT_EQ(l.befehle, 5);  // nothing, guard, attack, move, convoying
    Waehle(l, 1);
    EXPECT_EQ(FigurMenu(&St()), 1);
    for (st_MOVE_EXT *f : {welt->Lokal(0), welt->Global(0)}) {
        EXPECT_EQ(f->Kommando, 2);
        EXPECT_EQ(f->Bewegungspunkte, 0);
    }
}

TEST_P(FigurMenuAnzeige, AnOrderKeepsThePointsEscapeChoosesNothing)
{
    welt->Figuren({Figur(0, 8, kIch, 1, 3)});  // an old attack order
    const FigurMenuLage l = Lage();
    const std::vector<ULONG> vorher = Bereich(l.x, l.y, FIGURMENU_BREITE, FIGURMENU_ZEILE * (l.befehle + l.figuren));
    PushEscape();
    EXPECT_EQ(FigurMenu(&St()), 0);
    EXPECT_EQ(welt->Lokal(0)->Kommando, 3);
    EXPECT_EQ(Bereich(l.x, l.y, FIGURMENU_BREITE, FIGURMENU_ZEILE * (l.befehle + l.figuren)), vorher);
    // A release beside the rows does not stop a later choice: move (row 1).
    PushRelease(l.x + FIGURMENU_BREITE + 20, ZeileY(l, 0));
    Waehle(l, 1);
    EXPECT_EQ(FigurMenu(&St()), 1);
    EXPECT_EQ(welt->Global(0)->Kommando, 10);
    EXPECT_EQ(welt->Global(0)->Bewegungspunkte, 8);
    EXPECT_EQ(Bereich(l.x, l.y, FIGURMENU_BREITE, FIGURMENU_ZEILE * (l.befehle + l.figuren)), vorher);
}

TEST_P(FigurMenuAnzeige, AFigureAboardStaysAboard)
{
    welt->Hex().Art = ArtVon(GK_WASSER);
    welt->Hex().BesitzerID = NIEMAND;
    welt->Figuren({Figur(1, 0, kIch, 1, KOMMANDO_AN_BORD)});
    welt->Armee(1, "An Bord", {50});
    const FigurMenuLage l = Lage();
    ASSERT_EQ(l.befehle, 2);  // nothing, annex
    Waehle(l, 1);
    EXPECT_EQ(FigurMenu(&St()), 0);
    EXPECT_EQ(welt->Lokal(0)->Kommando, KOMMANDO_AN_BORD);
    EXPECT_EQ(welt->Global(0)->Kommando, KOMMANDO_AN_BORD);
}

TEST_P(FigurMenuAnzeige, HoverLightsOneRowAtATime)
{
    welt->Figuren({Figur(0, 8), Figur(0, 8, kAndere, 2)});
    const FigurMenuLage l = Lage();
    ASSERT_EQ(l.befehle, 5);  // nothing, move, offer, duel, convoying
    UpdateRectangleRecorder = Aufzeichnen;
    Zeige(l, 0);               // order row lit
    Zeige(l, l.befehle);       // the selected figure's row lit, the order row back
    Zeige(l, l.befehle + 1);   // the foreign figure's row lit, the selected one back
    PushMoveTo(l.x - 30, l.y); // off the menu: drawn back
    PushEscape();
    EXPECT_EQ(FigurMenu(&St()), 0);
    UpdateRectangleRecorder = altRecorder;
    std::vector<std::pair<LONG, ULONG>> zeilen;  // row and background of each row redraw
    bool gemalt = false;                          // after the whole menu was shown
    for (const Gezeigt &g : gGezeigt) {
        if (g.x == l.x && g.y == l.y && g.h == FIGURMENU_ZEILE * (l.befehle + l.figuren)) gemalt = true;
        if (gemalt && g.h == FIGURMENU_ZEILE && g.x == l.x) {
            EXPECT_EQ(g.links, g.rechts) << "row " << (g.y - l.y) / FIGURMENU_ZEILE;
            zeilen.push_back({(g.y - l.y) / FIGURMENU_ZEILE, g.links});
        }
    }
    const LONG a = l.befehle, b = l.befehle + 1;
    const std::vector<std::pair<LONG, ULONG>> soll = {
        {0, Tinte(96)}, {0, Tinte(98)}, {a, Tinte(2)}, {a, Tinte(107)}, {b, Tinte(2)}, {b, Tinte(31)},
    };
    EXPECT_EQ(zeilen, soll);
}

TEST_P(FigurMenuAnzeige, TheTipOpensOnTheTenthTickAndLeavesNoTrace)
{
    std::vector<UBYTE> spieler = SpielerListe({{kAndere, "Gegner"}});
    St().SpielerChunkPtr = (st_ANTW *)spieler.data();
    welt->Figuren({Figur(0, 8), Figur(0, 8, kAndere, 2)});
    const FigurMenuLage l = Lage();
    const LONG tx = l.x + FIGURMENU_BREITE, ty = l.y + FIGURMENU_ZEILE * (l.befehle + 1);
    const std::vector<ULONG> vorher = Bereich(l.x, l.y, 2 * FIGURMENU_BREITE, FIGURMENU_ZEILE * (l.befehle + 2));
    for (int ticks : {9, 10}) {
        SCOPED_TRACE(ticks);
        gGezeigt.clear();
        UpdateRectangleRecorder = Aufzeichnen;
        Zeige(l, l.befehle + 1);
        for (int i = 0; i < ticks; ++i) PushTick();
        PushEscape();
        EXPECT_EQ(FigurMenu(&St()), 0);
        UpdateRectangleRecorder = altRecorder;
        bool tipp = false;
        for (const Gezeigt &g : gGezeigt)
            if (g.x == tx && g.y == ty && g.w == FIGURMENU_BREITE && g.links == Tinte(31)) tipp = true;
        EXPECT_EQ(tipp, ticks == 10);
        EXPECT_EQ(Bereich(l.x, l.y, 2 * FIGURMENU_BREITE, FIGURMENU_ZEILE * (l.befehle + 2)), vorher);
    }
}

TEST_P(FigurMenuAnzeige, ALongTipStaysOnTheDisplay)
{
    welt->Figuren({Figur(1, 4)});
    std::vector<ULONG> teile(60, 5);
    welt->Armee(1, "Gross", teile);
    const FigurMenuLage l = Lage();
    UpdateRectangleRecorder = Aufzeichnen;
    Zeige(l, l.befehle);
    for (int i = 0; i < 10; ++i) PushTick();
    PushEscape();
    EXPECT_EQ(FigurMenu(&St()), 0);
    UpdateRectangleRecorder = altRecorder;
    const LONG hoehe = VekDisplay.VekScreen_Hoehe;
    bool gesehen = false;
    for (const Gezeigt &g : gGezeigt)
        if (g.x == l.x + FIGURMENU_BREITE && g.h > FIGURMENU_ZEILE) {
            gesehen = true;
            EXPECT_EQ(g.y, 0);
            EXPECT_EQ(g.h, hoehe / FIGURMENU_ZEILE * FIGURMENU_ZEILE);
        }
    EXPECT_TRUE(gesehen);
}

// The MOVE records of ./Data/MapPrefs.vek, read by hand: big-endian, the
// chunk head at byte 28, the count at 40, 18-byte records from 42.
std::vector<st_MOVE_EXT> FigurenDerDatei()
{
    const Bytes d = ReadBytes(MAPPREFS_FILE);
    std::vector<st_MOVE_EXT> r;
    if (d.size() < 42 || std::memcmp(d.data() + 28, "MOVE", 4) != 0) return r;
    auto be = [&](size_t o, int n) {
        ULONG v = 0;
        for (int i = 0; i < n; ++i) v = v << 8 | d[o + (size_t)i];
        return v;
    };
    const ULONG n = be(40, 2);
    for (ULONG i = 0; i < n && 42 + (i + 1) * 18 <= d.size(); ++i) {
        const size_t o = 42 + i * 18;
        st_MOVE_EXT f{};
        f.SpielerID = be(o, 4), f.FigurArt = (UWORD)be(o + 4, 2), f.FigurNummer = (UWORD)be(o + 6, 2);
        f.X_Pos = be(o + 8, 4), f.Y_Pos = be(o + 12, 4), f.Kommando = d[o + 16], f.Bewegungspunkte = d[o + 17];
        r.push_back(f);
    }
    return r;
}

TEST_P(FigurMenuAnzeige, AFigureRowSwapsRecordsAndArmies)
{
    st_MOVE_EXT weit = Figur(0, 8, kIch, 9);
    weit.X_Pos += 2;  // on another hex: stays where it is
    welt->Figuren({Figur(1, 4, kIch, 1), weit, Figur(0, 8, kAndere, 2), Figur(2, 4, kIch, 2)});
    ArmeeList *erste = welt->Armee(1, "Erste", {10});
    welt->Armee(5, "Mitte", {10}, kX + 5, kY);
    ArmeeList *zweite = welt->Armee(2, "Zweite", {10, 10});
    // The second army is a medium infantry (kind 2): its first part wears medium armour.
    ListHeader *teile;
    std::memcpy(&teile, (UBYTE *)zweite + offsetof(ArmeeList, ArmyListEntryHeader), sizeof teile);
    ((ArmeeListEntry *)teile->FirstNode)->ArmyEntry.Ruestung = 16;
    const st_MOVE_EXT a = *welt->Global(0), fremd = *welt->Global(2), b = *welt->Global(3);
    const FigurMenuLage l = Lage();
    ASSERT_EQ(l.figuren, 3);
    Waehle(l, l.befehle + 2);  // the second army, third on the hex
    EXPECT_EQ(FigurMenu(&St()), 0);
    for (UBYTE *block : {welt->view.PeopleMemPtr, welt->view.LocalPeopleMemPtr}) {
        EXPECT_EQ(std::memcmp(FigurImBlock(block, 0), &b, sizeof b), 0);
        EXPECT_EQ(std::memcmp(FigurImBlock(block, 2), &fremd, sizeof b), 0);
        EXPECT_EQ(std::memcmp(FigurImBlock(block, 3), &a, sizeof a), 0);
    }
    EXPECT_EQ(St().AktPerson, welt->Global(0)) << "the selection is the record that gets saved";
    EXPECT_EQ(UWORD{St().AktPerson->FigurNummer}, 2);
    ListNode *n = St().ArmeeListe->FirstNode;
    EXPECT_EQ(n, &zweite->Node);
    EXPECT_EQ(n->Next->Next, &erste->Node);
    // The figure file gets the new order.
    ASSERT_EQ(ExitPosWriteMapPrefs(&welt->view), 1);
    const std::vector<st_MOVE_EXT> datei = FigurenDerDatei();
    ASSERT_EQ(datei.size(), 4u);
    EXPECT_EQ(std::memcmp(&datei[0], &b, sizeof b), 0);
    EXPECT_EQ(std::memcmp(&datei[1], &weit, sizeof b), 0);
    EXPECT_EQ(std::memcmp(&datei[3], &a, sizeof a), 0);
}

TEST_P(FigurMenuAnzeige, AForeignFigureOnTopHandsTheSelectionToTheOwnOne)
{
    welt->Figuren({Figur(0, 8, kIch, 1), Figur(0, 8, kAndere, 2)});
    const FigurMenuLage l = Lage();
    Waehle(l, l.befehle + 1);
    EXPECT_EQ(FigurMenu(&St()), 0);
    EXPECT_EQ(ULONG{welt->Global(0)->SpielerID}, kAndere);
    ASSERT_NE(St().AktPerson, nullptr);
    EXPECT_EQ(ULONG{St().AktPerson->SpielerID}, kIch);
    EXPECT_EQ(St().AktPerson, welt->Global(1));
}

TEST_P(FigurMenuAnzeige, NoMenuInTheLastColumn)
{
    welt->Figuren({Figur(0, 8)});
    St().X_Pos = (WORD)(welt->view.XTiles - 1);
    PushEscape();
    EXPECT_EQ(FigurMenu(&St()), 0);
    // The menu did not open, so nobody read the key.
    SDL_Event e;
    ASSERT_EQ(SDL_PollEvent(&e), 1);
    EXPECT_EQ(e.type, SDL_KEYDOWN);
}

TEST_P(FigurMenuAnzeige, ManyFiguresFillTheDisplayFromTheTop)
{
    std::vector<st_MOVE_EXT> f = {Figur(0, 8)};
    for (UWORD i = 2; i <= 60; ++i) f.push_back(Figur(0, 8, kAndere, i));
    welt->Figuren(f);
    const FigurMenuLage l = Lage();
    const LONG passen = VekDisplay.VekScreen_Hoehe / FIGURMENU_ZEILE;
    EXPECT_EQ(l.befehle + l.figuren, passen);
    EXPECT_EQ(l.y, 0);
    // The last row shown is a figure row that works.
    Waehle(l, l.befehle + l.figuren - 1);
    EXPECT_EQ(FigurMenu(&St()), 0);
    EXPECT_EQ(welt->Global(0)->FigurNummer + 0, l.figuren);
}

INSTANTIATE_TEST_SUITE_P(Tiefen, FigurMenuAnzeige, testing::Values(8, 32));

}  // namespace
