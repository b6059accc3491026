// Orders carried out on the map: the battle records an attack, capture or
// duel leaves for the server, the questions and refusals on the way, the
// path a move walks, ship cargo with its places, soldiers and points, the
// herb search with its dice, the herb record and the ware stock, and ship
// names. Files are read back here byte by byte, not with the program's
// chunk code.
#include <gtest/gtest.h>

#include <SDL/SDL.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/scriptinput.h"
#include "gfx/font.h"
#include "kartenwelt.h"
#include "map/aktionsfeld.h"
#include "map/figures_map.h"
#include "world/hex.h"
#include "map/kartenscreen.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/lists.h"
#include "store/mapnames.h"
#include "store/store.h"
#include "ui/gadgets.h"

namespace {

using namespace kartentest;
using vektest::Bytes;
using vektest::StdoutCapture;

constexpr ULONG kFeind = 9;
constexpr UWORD kGras = 12;    // own grassland: 2 points for a scout
constexpr UWORD kWasser = 23;
constexpr LONG kX = 100, kY = 50;  // the view's origin, inside tile (1, 1)

bool IstSchiffArt(UWORD a) { return a >= 14 && a <= 19; }

st_MOVE_EXT Figur(ULONG spieler, UWORD art, UWORD nummer, LONG c, LONG r, UBYTE kommando = 0, UBYTE punkte = 8)
{
    st_MOVE_EXT f{};
    f.SpielerID = spieler;
    f.FigurArt = art;
    f.FigurNummer = nummer;
    f.X_Pos = (ULONG)(kX + c);
    f.Y_Pos = (ULONG)(kY + r);
    f.Kommando = kommando;
    f.Bewegungspunkte = punkte;
    return f;
}

// ---- an independent reader of the big-endian chunk files ----

ULONG Be(const Bytes &b, size_t at, int n)
{
    ULONG v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | b.at(at + i);
    return v;
}

// The chunk with that ID (head included) from a pool or chunk file.
std::optional<Bytes> Chunk(const std::string &datei, const char *id)
{
    const Bytes b = vektest::ReadBytes(datei);
    size_t at = 0;
    while (at + 12 <= b.size()) {
        const ULONG laenge = Be(b, at + 8, 4);
        if (at + 12 + laenge > b.size()) break;
        if (std::memcmp(&b[at], id, 4) == 0) return Bytes(b.begin() + (long)at, b.begin() + (long)(at + 12 + laenge));
        at += 12 + laenge;
    }
    return std::nullopt;
}

void PutBe(Bytes &b, ULONG v, int n)
{
    for (int i = n - 1; i >= 0; --i) b.push_back((uint8_t)(v >> (8 * i)));
}

Bytes MoveBytes(const st_MOVE_EXT &f)
{
    Bytes b;
    PutBe(b, f.SpielerID, 4);
    PutBe(b, f.FigurArt, 2);
    PutBe(b, f.FigurNummer, 2);
    PutBe(b, f.X_Pos, 4);
    PutBe(b, f.Y_Pos, 4);
    PutBe(b, f.Kommando, 1);
    PutBe(b, f.Bewegungspunkte, 1);
    return b;
}

// ---- rules without a screen ----

TEST(KrautErtrag, ByTheAcresStockWithFixedDice)
{
    struct Fall {
        UWORD anzahl;
        ULONG min, max;
    } faelle[] = {{251, 1, 17}, {250, 1, 9}, {126, 1, 9}, {125, 1, 5}, {51, 1, 5}, {50, 1, 1}, {1, 1, 1}};
    for (const Fall &f : faelle) {
        std::set<ULONG> gesehen;
        for (unsigned seed = 1; seed <= 400; ++seed) {
            WuerfelSeed(seed);
            gesehen.insert(KrautErtrag(f.anzahl));
        }
        EXPECT_EQ(*gesehen.begin(), f.min) << f.anzahl;
        EXPECT_EQ(*gesehen.rbegin(), f.max) << f.anzahl;
    }
    WuerfelSeed(7);
    const ULONG a = KrautErtrag(251);
    WuerfelSeed(7);
    EXPECT_EQ(KrautErtrag(251), a);
}

TEST(Schiffe, PlacesSoldiersAndPoints)
{
    EXPECT_EQ(SchiffsPlaetze(FID_HANDELSSCHIFF_KLEIN), 1);
    EXPECT_EQ(SchiffsPlaetze(FID_HANDELSSCHIFF_GROSS), 3);
    EXPECT_EQ(SchiffsPlaetze(FID_KRIEGSSCHIFF_GROSS), 0);
    EXPECT_EQ(SchiffsSoldaten(FID_HANDELSSCHIFF_MITTEL), 20000u);
    EXPECT_EQ(PunkteWeniger(6, 2), 4);
    EXPECT_EQ(PunkteWeniger(1, 2), 0);
    EXPECT_EQ(PunkteWeniger(0, 3), 0);
}

// The trace on hand-made move arrays over own grassland (2 points a hex).
class Weg : public testing::Test {
protected:
    void SetUp() override
    {
        karte.assign((size_t)FENSTER_BREITE * FENSTER_HOEHE, MapEntry{});
        for (MapEntry &e : karte) e.Art = kGras, e.BesitzerID = kIch;
        feld.assign((size_t)MOVE_SEITE * MOVE_SEITE, MOVE_UNERREICHT);
        altSpieler = PlayerInfo.SpielerID;
        PlayerInfo.SpielerID = kIch;
    }
    void TearDown() override { PlayerInfo.SpielerID = altSpieler; }
    BYTE &Zelle(LONG c, LONG r) { return feld[(size_t)(r * MOVE_SEITE + c)]; }
    std::vector<WegSchritt> Verfolge(UBYTE punkte, LONG zc, LONG zr)
    {
        std::vector<WegSchritt> s(256);
        Zelle(MOVE_MITTE, MOVE_MITTE) = (BYTE)punkte;
        const int n = WegVerfolgen(feld.data(), 110, 60, karte.data(), FID_KUNDSCHAFTER, punkte, (BYTE)punkte, zc, zr,
                                   s.data());
        s.resize((size_t)n);
        return s;
    }
    std::vector<MapEntry> karte;
    std::vector<BYTE> feld;
    ULONG altSpieler = 0;
};

TEST_F(Weg, AWayWithoutMatchesIsCutAfterThePointsAndStaysInsideTheArray)
{
    // A target whose neighbours hold nothing that leads back: the trace
    // keeps going north and stops after as many steps as there are points.
    Zelle(MOVE_MITTE, 10) = 0;
    std::vector<WegSchritt> s = Verfolge(4, MOVE_MITTE, 10);
    ASSERT_EQ(s.size(), 4u);
    for (const WegSchritt &w : s) EXPECT_EQ(std::make_pair(w.dx, w.dy), std::make_pair((LONG)0, (LONG)1));
    // Near the edge the walk leaves the array; cells out there match nothing.
    Zelle(MOVE_MITTE, 1) = 0;
    s = Verfolge(9, MOVE_MITTE, 1);
    EXPECT_EQ(s.size(), 9u);
    Zelle(0, 0) = 0;
    s = Verfolge(5, 0, 0);
    EXPECT_EQ(s.size(), 5u);
}

// ---- the screen: a view over own grassland with a hidden map gadget ----

class Befehle : public testing::TestWithParam<int> {
protected:
    Umgebung welt{GetParam(), 640, 480};
    void SetUp() override
    {
        ASSERT_TRUE(welt.Ok());
        namespace fs = std::filesystem;
        // The pools and the stock file are this case's own, not the shared set's.
        for (const char *d : {"Data/POP3In", "Data/POP3Out"}) {
            fs::remove(d);
            fs::create_directories(d);
        }
        fs::remove("Data/WarenChunk.vek");
        alt = *LDKS;
        *LDKS = LokaleDatenKartenScreen{};
        v = LadeKarte(MAPSTATUS_BMAP, kX / TEIL_BREITE, kY / TEIL_HOEHE, "./Map");
        ASSERT_NE(v, nullptr);
        ASSERT_EQ(InitPos(v, kX, kY, 0, 0, 640, 448, MAPSTATUS_BMAP), 1);
        Boden(kGras);
        std::memset(v->GreatBMapPtr, 0xFF, FENSTER_BMAP_BYTES);
        v->MapFontPtr = OpenDiskFont("Fonts/XHelvetica9.fnt");
        gadget.Flags = GADGET_HIDDEN;
        gadget.X1 = 639, gadget.Y1 = 479;
        gadget.ReturnID = MakeGadgetID("MAP0");
        region.GadgetData = &gadget;
        region.CountGadgetData = 1;
        region.GlobalGadget.Released = 1;
        UseKavorGadgetPainter();
        LDKS->VekMapInfoPtr = v;
        LDKS->ScreenRegion = &region;
        LDKS->ArmeeListe = CreateList(LISTE_ARMEEN);
        LDKS->ShipListPtr = CreateList(LISTE_SCHIFFE);
        LDKS->OldX_Pos = LDKS->OldY_Pos = -1;
        SetPeopleAnimDelay = nullptr;
        AktionsMeldungHook = [](const char *t) { Meldungen().push_back(t); };
        Meldungen().clear();
        Schritte().clear();
    }
    void TearDown() override
    {
        AktionsMeldungHook = nullptr;
        SetPeopleAnimDelay = Delay;
        SetPeopleAnimFrameHook = nullptr;
        SDL_Event e;
        EXPECT_EQ(SDL_PollEvent(&e), 0) << "input was left over";
        while (SDL_PollEvent(&e)) {
        }
        DeleteArmyList(LDKS->ArmeeListe);
        DeleteList(LDKS->ShipListPtr, LIST_FREE_OWNED);
        DeleteList(LDKS->ShipAddOnListPtr, LIST_FREE_OWNED);
        if (v) {
            FreeVec(v->PeopleMemPtr);
            v->PeopleMemPtr = nullptr;
            CloseFont(v->MapFontPtr);
            v->MapFontPtr = nullptr;
            ExitPos(v);
            ExitKarte(v);
        }
        *LDKS = alt;
    }
    static std::vector<std::string> &Meldungen()
    {
        static std::vector<std::string> m;
        return m;
    }
    // Walking strips of the steps played, one per step.
    static std::vector<UWORD> &Schritte()
    {
        static std::vector<UWORD> s;
        return s;
    }
    void Boden(UWORD art)
    {
        for (LONG i = 0; i < FENSTER_BREITE * FENSTER_HOEHE; ++i) {
            v->GreatMapPtr[i].Art = art;
            v->GreatMapPtr[i].BesitzerID = kIch;
            v->GreatMapPtr[i].Spezial = 0;
        }
    }
    // Positions in the tests count from (kX, kY), wherever the view stands.
    LONG Spalte(LONG c) { return kX + c - v->X_Hex; }
    LONG Zeile(LONG r) { return kY + r - v->Y_Hex; }
    MapEntry &Hex(LONG c, LONG r)
    {
        return v->GreatMapPtr[(v->IndeY + Zeile(r)) * FENSTER_BREITE + v->IndeX + Spalte(c)];
    }
    void Setze(const std::vector<st_MOVE_EXT> &figuren)
    {
        FreeVec(v->PeopleMemPtr);
        FreeVec(v->LocalPeopleMemPtr);
        v->PeopleMemSize = (ULONG)(2 + sizeof(st_MOVE_EXT) * figuren.size());
        v->PeopleMemPtr = (UBYTE *)AllocVec(v->PeopleMemSize, MEMF_CLEAR);
        v->LocalPeopleMemPtr = (UBYTE *)AllocVec(v->PeopleMemSize, MEMF_CLEAR);
        const UWORD n = (UWORD)figuren.size();
        std::memcpy(v->PeopleMemPtr, &n, 2);
        if (n) std::memcpy(v->PeopleMemPtr + 2, figuren.data(), sizeof(st_MOVE_EXT) * n);
        MakeLocalPeopleMemPtr(v);
    }
    // The saved records: the selection and every change are made there.
    st_MOVE_EXT *F(ULONG i) { return FigurImBlock(v->PeopleMemPtr, i); }
    // Selects figure i (on its hex) with an order.
    st_MOVE_EXT *Waehle(ULONG i, UBYTE kommando)
    {
        st_MOVE_EXT *f = F(i);
        LDKS->AktPerson = f;
        LDKS->BlueHex = 1;
        LDKS->X_Pos = (WORD)((LONG)f->X_Pos - v->X_Hex);
        LDKS->Y_Pos = (WORD)((LONG)f->Y_Pos - v->Y_Hex);
        f->Kommando = kommando;
        return f;
    }
    // A click on hex (c, r): the middle of the pixels that fall on it.
    void Klick(LONG c, LONG r)
    {
        const ULONG soll = (ULONG)Spalte(c) << 16 | (ULONG)Zeile(r);
        LONG sx = 0, sy = 0, n = 0;
        for (LONG y = 0; y < 480; ++y)
            for (LONG x = 0; x < 640; ++x)
                if (GetMapGadget(v, x + 16, y + 28) == soll) sx += x, sy += y, ++n;
        ASSERT_GT(n, 0) << c << "," << r;
        vektest::PushClick(sx / n, sy / n);
    }
    void Ok() { vektest::PushKey(SDLK_RETURN, 13); }
    void Nein() { vektest::PushEscape(); }
    ArmeeList *Armee(ULONG id, LONG c, LONG r, ULONG soldaten)
    {
        auto *a = (ArmeeList *)AllocVec(LDKS->ArmeeListe->TypSize, MEMF_CLEAR);
        a->Army.ArmeeID = id;
        a->Army.PosX = (ULONG)(kX + c);
        a->Army.PosY = (ULONG)(kY + r);
        a->ArmyListEntryHeader = CreateList(LISTE_ARMEETEILE);
        auto *t = (ArmeeListEntry *)AllocVec(a->ArmyListEntryHeader->TypSize, MEMF_CLEAR);
        t->ArmyEntry.Typ = 1;  // artillery: figure kind 7
        t->ArmyEntry.Anzahl = soldaten;
        InsertNode(a->ArmyListEntryHeader, &t->Node, LIST_LAST, 0);
        InsertNode(LDKS->ArmeeListe, &a->Node, LIST_LAST, 0);
        return a;
    }
    ShipListEntry *Schiff(UWORD id, LONG c, LONG r)
    {
        auto *s = (ShipListEntry *)AllocVec(LDKS->ShipListPtr->TypSize, MEMF_CLEAR);
        s->Schiff.SchiffsID = id;
        s->Schiff.X_Pos = (ULONG)(kX + c);
        s->Schiff.Y_Pos = (ULONG)(kY + r);
        InsertNode(LDKS->ShipListPtr, &s->Node, LIST_LAST, 0);
        return s;
    }
    bool KeinKrieg() { return !Chunk(POOL_OUT, "KRIG"); }

    LokaleDatenKartenScreen alt{};
    VekMapInfo *v = nullptr;
    GadgetData gadget{};
    ScreenRegion region{};
};

INSTANTIATE_TEST_SUITE_P(Tiefen, Befehle, testing::Values(8, 32),
                         [](const testing::TestParamInfo<int> &i) { return std::to_string(i.param) + "bit"; });

TEST_P(Befehle, ThreeAttacksLeaveOneBattleChunkOfThreeRecords)
{
    Setze({Figur(kIch, 7, 2, 4, 2, 0, 2), Figur(kFeind, 1, 11, 4, 1), Figur(kFeind, 20, 12, 5, 2),
           Figur(kFeind, 1003, 13, 3, 2)});
    const st_MOVE_EXT ziele[3] = {*F(1), *F(2), *F(3)};
    const LONG hexe[3][2] = {{4, 1}, {5, 2}, {3, 2}};
    for (int i = 0; i < 3; ++i) {
        st_MOVE_EXT *a = Waehle(0, KOMMANDO_ANGREIFEN);
        a->Bewegungspunkte = 2;
        Klick(hexe[i][0], hexe[i][1]);
        Ok();
        StdoutCapture out;
        EXPECT_EQ(CheckAktionsFeld(LDKS), 1);
        EXPECT_NE(out.Take().find("Angriff erfolgt...\n"), std::string::npos);
        EXPECT_EQ(+a->Bewegungspunkte, 0);
        EXPECT_EQ(+a->Kommando, KOMMANDO_ANGREIFEN);
    }
    // Without a player list the question names the owner by number.
    ASSERT_EQ(Meldungen().size(), 3u);
    EXPECT_EQ(Meldungen()[0], std::string(GetString(&_VEK_KARTE_REALLY_ATTACK1)) + " " +
                                  GetString(&_VEK_KARTE_SPIELER) + " 9 " + GetString(&_VEK_KARTE_REALLY_ATTACK2));
    const std::optional<Bytes> k = Chunk(POOL_OUT, "KRIG");
    ASSERT_TRUE(k);
    ASSERT_EQ(k->size(), 12u + 220u);
    Bytes soll = {'K', 'R', 'I', 'G', 'V', '0', '0', '1'};
    PutBe(soll, 220, 4);
    PutBe(soll, 3, 4);
    st_MOVE_EXT angreifer = Figur(kIch, 7, 2, 4, 2, KOMMANDO_ANGREIFEN, 2);
    for (const st_MOVE_EXT &z : ziele) {
        PutBe(soll, 0, 4);
        for (uint8_t b : MoveBytes(angreifer)) soll.push_back(b);
        for (uint8_t b : MoveBytes(z)) soll.push_back(b);
        soll.resize(soll.size() + 32, 0);
    }
    EXPECT_EQ(*k, soll);
    // The pool says that it holds a KRIG chunk.
    const std::optional<Bytes> info = Chunk(POOL_OUT, "INFO");
    ASSERT_TRUE(info);
    EXPECT_NE(Be(*info, 16, 4) & (1u << CN_KRIG), 0u);
}

TEST_P(Befehle, ADuelAsksWithTheOwnersNameAndKeepsThePointsInItsRecord)
{
    std::vector<UBYTE> liste(sizeof(st_ANTW) + sizeof(st_ANTW_EXT_1) + 1, 0);
    auto *a = (st_ANTW *)liste.data();
    a->Head = {ID_ANTW, VERSION_V001, (ULONG)(sizeof(st_ANTW_EXT) + sizeof(st_ANTW_EXT_1))};
    a->Antwort.Typ = 1, a->Antwort.Anzahl = 1, a->Antwort.Length = sizeof(st_ANTW_EXT_1);
    st_ANTW_EXT_1 e{};
    e.SpielerID = kFeind;
    std::snprintf(e.SpielName, sizeof e.SpielName, "Feindrich");
    std::memcpy(liste.data() + sizeof(st_ANTW), &e, sizeof e);
    LDKS->SpielerChunkPtr = a;
    Setze({Figur(kIch, 0, 2, 4, 2, 0, 8), Figur(kFeind, 0, 3, 5, 2)});
    st_MOVE_EXT *f = Waehle(0, KOMMANDO_DUELLIEREN);
    Klick(5, 2);
    Ok();
    EXPECT_EQ(CheckAktionsFeld(LDKS), 1);
    LDKS->SpielerChunkPtr = nullptr;
    EXPECT_EQ(Meldungen(), std::vector<std::string>{std::string(GetString(&_VEK_KARTE_REALLY_ATTACK4)) + " " +
                                                     GetString(&_VEK_TITEL1) + " Feindrich " +
                                                     GetString(&_VEK_KARTE_REALLY_ATTACK2)});
    EXPECT_EQ(+f->Kommando, KOMMANDO_DUELLIEREN);
    EXPECT_EQ(+f->Bewegungspunkte, 0);
    const std::optional<Bytes> k = Chunk(POOL_OUT, "KRIG");
    ASSERT_TRUE(k);
    ASSERT_EQ(k->size(), 12u + 76u);
    EXPECT_EQ(Bytes(k->begin() + 20, k->begin() + 38), MoveBytes(Figur(kIch, 0, 2, 4, 2, KOMMANDO_DUELLIEREN, 8)));
    EXPECT_EQ(Bytes(k->begin() + 38, k->begin() + 56), MoveBytes(Figur(kFeind, 0, 3, 5, 2)));
}

TEST_P(Befehle, RefusedIgnoredAndCancelledTargetsWriteNothing)
{
    struct Fall {
        const char *name;
        UWORD art;         // the attacker
        UBYTE kommando;
        st_MOVE_EXT ziel;  // on view hex (4, 1)
        bool frage;        // a question is asked (and cancelled)
        const char *meldung;
    } faelle[] = {
        {"duel on an army", 0, KOMMANDO_DUELLIEREN, Figur(kFeind, 1, 3, 4, 1), false,
         GetString(&_VEK_KARTE_NODUELLONTHISHEX)},
        {"attack on an own army", 7, KOMMANDO_ANGREIFEN, Figur(kIch, 1, 3, 4, 1), false, nullptr},
        {"an army attacks a scout", 7, KOMMANDO_ANGREIFEN, Figur(kFeind, 0, 3, 4, 1), false,
         GetString(&_VEK_KARTE_NOARMEEONTHISHEX)},
        {"capture of a small warship", 17, KOMMANDO_KAPERN, Figur(kFeind, 17, 3, 4, 1), false,
         "Kriegsschiffe k\366nnen nicht gekapert werden!"},
        {"capture of an own merchant ship", 17, KOMMANDO_KAPERN, Figur(kIch, 14, 3, 4, 1), false,
         GetString(&_VEK_KARTE_NOSHIPONTHISHEX)},
        {"a ship attacks an army", 18, KOMMANDO_ANGREIFEN, Figur(kFeind, 2, 3, 4, 1), false,
         GetString(&_VEK_KARTE_NOSHIPONTHISHEX)},
        {"Escape at the duel question", 0, KOMMANDO_DUELLIEREN, Figur(kFeind, 0, 3, 4, 1), true, nullptr},
        {"Escape at the capture question", 17, KOMMANDO_KAPERN, Figur(kFeind, 16, 3, 4, 1), true, nullptr},
    };
    for (const Fall &c : faelle) {
        SCOPED_TRACE(c.name);
        Boden(IstSchiffArt(c.art) ? kWasser : kGras);
        Setze({Figur(kIch, c.art, 2, 4, 2, 0, 4), c.ziel});
        st_MOVE_EXT *a = Waehle(0, c.kommando);
        Meldungen().clear();
        Klick(4, 1);
        if (c.meldung) Ok();  // closes the message
        if (c.frage) Nein();  // cancels the question
        Nein();               // ends the choosing
        EXPECT_EQ(CheckAktionsFeld(LDKS), 1);
        if (c.meldung) {
            ASSERT_EQ(Meldungen().size(), 1u);
            EXPECT_EQ(Meldungen()[0], c.meldung);
        } else {
            EXPECT_EQ(Meldungen().size(), c.frage ? 1u : 0u);
        }
        EXPECT_EQ(+a->Kommando, 0);
        EXPECT_EQ(+a->Bewegungspunkte, 4);
        EXPECT_TRUE(KeinKrieg());
    }
}

TEST_P(Befehle, AWarshipCapturesWithNoPointsLeftInItsRecord)
{
    Boden(kWasser);
    Setze({Figur(kIch, 18, 2, 4, 2, 0, 6), Figur(kFeind, 15, 3, 4, 1)});
    Waehle(0, KOMMANDO_KAPERN);
    Klick(4, 1);
    Ok();
    StdoutCapture out;
    EXPECT_EQ(CheckAktionsFeld(LDKS), 1);
    EXPECT_NE(out.Take().find("Kapern erfolgt...\n"), std::string::npos);
    ASSERT_EQ(Meldungen().size(), 1u);
    EXPECT_EQ(Meldungen()[0], std::string(GetString(&_VEK_KARTE_REALLY_ATTACK3)) + " " +
                                  GetString(&_VEK_KARTE_SPIELER) + " 9 " + GetString(&_VEK_KARTE_WIRKLICHKAPERN) + " ?");
    const std::optional<Bytes> k = Chunk(POOL_OUT, "KRIG");
    ASSERT_TRUE(k);
    ASSERT_EQ(k->size(), 12u + 76u);
    EXPECT_EQ(Bytes(k->begin() + 20, k->begin() + 38), MoveBytes(Figur(kIch, 18, 2, 4, 2, KOMMANDO_KAPERN, 0)));
}

TEST_P(Befehle, AnUnreachableHexIsRefusedAndTheChoosingGoesOn)
{
    Setze({Figur(kIch, 7, 2, 4, 2, 0, 2), Figur(kFeind, 1, 3, 4, 0)});
    Waehle(0, KOMMANDO_ANGREIFEN);
    Klick(4, 0);  // two hexes away: beyond two points of artillery on own ground
    Ok();
    Nein();
    EXPECT_EQ(CheckAktionsFeld(LDKS), 1);
    ASSERT_EQ(Meldungen().size(), 1u);
    EXPECT_EQ(Meldungen()[0], GetString(&_VEK_KARTE_RICHTIGESHEXWAEHLEN));
    EXPECT_TRUE(KeinKrieg());
    EXPECT_EQ(v->Status & 0x20, 0);
    EXPECT_EQ(v->MoveArray, nullptr);
}

// Own grassland, a scout of 8 points at an even column: the trace walks the
// cheapest way, the last of equal neighbours winning.
TEST_P(Befehle, AMoveWalksTheTracedPath)
{
    struct Fall {
        LONG c, r;
        std::vector<UWORD> streifen;  // walking strips: 382 north-east, 383 south-east
    } faelle[] = {{6, 1, {382, 382}}, {6, 2, {382, 383}}};
    for (const Fall &c : faelle) {
        Setze({Figur(kIch, 0, 2, 4, 2, 0, 8)});
        st_MOVE_EXT *f = Waehle(0, KOMMANDO_BEWEGEN);
        Schritte().clear();
        // Each step turns on the standing strip (380) before it walks.
        static UWORD letzter;
        letzter = 380;
        SetPeopleAnimFrameHook = [](UWORD strip, UWORD, LONG, LONG) {
            if (strip != 380 && strip != letzter) Schritte().push_back(strip);
            letzter = strip;
        };
        Klick(c.c, c.r);
        EXPECT_EQ(CheckAktionsFeld(LDKS), 1);
        EXPECT_EQ(Schritte(), c.streifen) << c.c << "," << c.r;
        EXPECT_EQ(+f->X_Pos, (ULONG)(kX + c.c));
        EXPECT_EQ(+f->Y_Pos, (ULONG)(kY + c.r));
        EXPECT_EQ(+f->Bewegungspunkte, 4);
        EXPECT_EQ(+f->Kommando, 0);
        EXPECT_EQ(LDKS->X_Pos, (WORD)((LONG)f->X_Pos - v->X_Hex));
        EXPECT_EQ(LDKS->Y_Pos, (WORD)((LONG)f->Y_Pos - v->Y_Hex));
    }
    // The figure's own hex is no target; Escape leaves it where it is.
    Setze({Figur(kIch, 0, 2, 4, 2, 0, 8)});
    st_MOVE_EXT *f = Waehle(0, KOMMANDO_BEWEGEN);
    Klick(4, 2);
    Ok();
    Nein();
    EXPECT_EQ(CheckAktionsFeld(LDKS), 1);
    EXPECT_EQ(+f->X_Pos, (ULONG)(kX + 4));
    EXPECT_EQ(Meldungen(), std::vector<std::string>{GetString(&_VEK_KARTE_RICHTIGESHEXWAEHLEN)});
}

// A big merchant ship on water at (4, 2): land all round.
TEST_P(Befehle, ABigMerchantShipLoadsWithinItsSoldiersAndPaysForEachFigure)
{
    Boden(kGras);
    Hex(4, 2).Art = kWasser;
    ShipListEntry *s = Schiff(4, 4, 2);
    ArmeeList *gross = Armee(5, 4, 1, 30001);
    ArmeeList *passt = Armee(6, 5, 2, 30000);
    Setze({Figur(kIch, 16, 4, 4, 2, 0, 6), Figur(kIch, 7, 5, 4, 1, 0, 2), Figur(kIch, 7, 6, 5, 2, 0, 2),
           Figur(kIch, 0, 7, 4, 3, 0, 8)});
    st_MOVE_EXT *schiff = Waehle(0, KOMMANDO_BELADEN);
    Klick(4, 1);  // 30,001 soldiers
    Ok();
    Klick(5, 2);  // 30,000 soldiers
    EXPECT_EQ(CheckAktionsFeld(LDKS), 1);
    EXPECT_EQ(Meldungen(), std::vector<std::string>{GetString(&_VEK_KARTE_ARMEE_ZU_GROSS)});
    EXPECT_EQ(+schiff->Bewegungspunkte, 4);
    EXPECT_EQ(+schiff->Kommando, 0);
    EXPECT_EQ(+F(2)->Kommando, KOMMANDO_AN_BORD);
    EXPECT_EQ(+F(2)->Bewegungspunkte, 0);
    EXPECT_EQ(+F(2)->X_Pos, (ULONG)(kX + 4));
    EXPECT_EQ(+F(2)->Y_Pos, (ULONG)(kY + 2));
    EXPECT_EQ(MoveBytes(s->Schiff.Figur1), MoveBytes(*F(2)));
    EXPECT_EQ(+passt->Army.PosX, (ULONG)(kX + 4));
    EXPECT_EQ(+passt->Army.PosY, (ULONG)(kY + 2));
    EXPECT_EQ(+gross->Army.PosY, (ULONG)(kY + 1));
    EXPECT_EQ(+F(1)->Kommando, 0);

    // The scout goes into the next place; two more points.
    Waehle(0, KOMMANDO_BELADEN);
    Klick(4, 3);
    EXPECT_EQ(CheckAktionsFeld(LDKS), 1);
    EXPECT_EQ(+schiff->Bewegungspunkte, 2);
    EXPECT_EQ(MoveBytes(s->Schiff.Figur2), MoveBytes(*F(3)));
    EXPECT_EQ(+F(3)->Kommando, KOMMANDO_AN_BORD);

    // Unloading puts the first place's army ashore on the clicked hex, its
    // army record with it; the ship has no points left.
    schiff->Bewegungspunkte = 6;
    Waehle(0, KOMMANDO_ENTLADEN);
    Klick(3, 1);
    EXPECT_EQ(CheckAktionsFeld(LDKS), 1);
    EXPECT_EQ(+F(2)->Kommando, 0);
    EXPECT_EQ(+F(2)->X_Pos, (ULONG)(kX + 3));
    EXPECT_EQ(+F(2)->Y_Pos, (ULONG)(kY + 1));
    EXPECT_EQ(+passt->Army.PosX, (ULONG)(kX + 3));
    EXPECT_EQ(+passt->Army.PosY, (ULONG)(kY + 1));
    EXPECT_EQ(MoveBytes(s->Schiff.Figur1), Bytes(18, 0));
    EXPECT_EQ(MoveBytes(s->Schiff.Figur2), MoveBytes(*F(3)));
    EXPECT_EQ(+schiff->Bewegungspunkte, 0);
    EXPECT_EQ(+schiff->Kommando, 0);
}

TEST_P(Befehle, AClericGoesAboardWithItsSpecialist)
{
    Hex(4, 2).Art = kWasser;
    ShipListEntry *s = Schiff(4, 4, 2);
    LDKS->SpezListPtr = CreateList(LISTE_SPEZIALISTEN);
    auto *sp = (SpezialistenListEntry *)AllocVec(sizeof(SpezialistenListEntry), MEMF_CLEAR);
    sp->Spezialist.ID = 8, sp->Spezialist.X_Pos = kX + 4, sp->Spezialist.Y_Pos = kY + 3;
    InsertNode(LDKS->SpezListPtr, &sp->Node, LIST_LAST, 0);
    Setze({Figur(kIch, 14, 4, 4, 2, 0, 10), Figur(kIch, 12, 8, 4, 3, 0, 6)});
    st_MOVE_EXT *schiff = Waehle(0, KOMMANDO_BELADEN);
    Klick(4, 3);
    EXPECT_EQ(CheckAktionsFeld(LDKS), 1);
    EXPECT_EQ(+schiff->Bewegungspunkte, 0);  // a small ship pays its whole allowance
    EXPECT_EQ(MoveBytes(s->Schiff.Figur1), MoveBytes(*F(1)));
    EXPECT_EQ(+sp->Spezialist.Y_Pos, (ULONG)(kY + 2));
    DeleteList(LDKS->SpezListPtr, LIST_FREE_OWNED);
    LDKS->SpezListPtr = nullptr;
}

TEST_P(Befehle, AShipMissingFromItsListLoadsNothing)
{
    Hex(4, 2).Art = kWasser;
    Setze({Figur(kIch, 14, 4, 4, 2, 0, 10), Figur(kIch, 0, 7, 4, 3, 0, 8)});
    st_MOVE_EXT *schiff = Waehle(0, KOMMANDO_BELADEN);
    EXPECT_EQ(CheckAktionsFeld(LDKS), 1);
    EXPECT_EQ(+schiff->Kommando, 0);
    EXPECT_EQ(+schiff->Bewegungspunkte, 10);
    EXPECT_EQ(+F(1)->Kommando, 0);
}

// ---- herbs ----

// A HERB chunk in the received pool with these records (x, y, type, stock).
void Kraeuter(const std::vector<st_HERB_EXT> &e)
{
    std::vector<UBYTE> block(sizeof(st_HERB) + e.size() * sizeof(st_HERB_EXT) + 1, 0);
    auto *c = (st_HERB *)block.data();
    c->Head.ChunkID = ID_HERB;
    c->Head.Version = VERSION_V001;
    c->Head.Length = (ULONG)(4 + e.size() * sizeof(st_HERB_EXT));
    c->Anzahl = (ULONG)e.size();
    std::memcpy(block.data() + sizeof(st_HERB), e.data(), e.size() * sizeof(st_HERB_EXT));
    ASSERT_TRUE(AddChunkPool(c, POOL_IN));
}

struct Ware {
    ULONG info, herkunft, typ, anzahl, datum;
};

std::vector<Ware> Lager()
{
    std::vector<Ware> w;
    const std::optional<Bytes> c = Chunk(WARENCHUNK_FILE, "WARE");
    if (!c) return w;
    const ULONG n = Be(*c, 12, 2);
    for (ULONG i = 0; i < n; ++i) {
        const size_t at = 14 + i * 36;
        w.push_back({Be(*c, at, 2), Be(*c, at + 2, 4), Be(*c, at + 6, 4), Be(*c, at + 10, 4), Be(*c, at + 18, 4)});
    }
    return w;
}

TEST_P(Befehle, HerbFindsGoToTheServerOneAtATimeAndIntoTheStockAllTogether)
{
    Hex(4, 2).Spezial = 0x1;
    const ULONG x = kX + 4, y = kY + 2;
    Kraeuter({{x, y, 56 + 3, 0, 50}, {x, y, 56 + 0, 0, 251}, {x + 1, y, 56 + 5, 0, 300}, {x, y, 56 + 7, 0, 0}});
    Setze({Figur(kIch, 12, 2, 4, 2, 0, 5)});
    st_MOVE_EXT *f = Waehle(0, KOMMANDO_SUCHEN);
    const ULONG vorher = (ULONG)std::time(nullptr);

    // Herb 3 on 50 units: exactly one.
    Ok();
    EXPECT_EQ(KrautSuche(LDKS, f, 3, nullptr), 1);
    EXPECT_EQ(+f->Bewegungspunkte, 3);
    EXPECT_EQ(+f->Kommando, 0);
    ASSERT_EQ(Meldungen().size(), 1u);
    EXPECT_EQ(Meldungen()[0], std::string(GetString(&_VEK_KARTE_SUCHEN_KRAUT_TEXT1)) + " 1 " +
                                  GetString(&_VEK_KARTE_SUCHEN_KRAUT_TEXT2) + " Gefnul " +
                                  GetString(&_VEK_KARTE_SUCHEN_KRAUT_TEXT3) + "...");

    // Herb 0 on 251 units: the dice decide.
    WuerfelSeed(11);
    const ULONG einheiten = KrautErtrag(251);
    WuerfelSeed(11);
    Ok();
    EXPECT_EQ(KrautSuche(LDKS, f, 0, nullptr), 1);
    const std::optional<Bytes> h = Chunk(POOL_OUT, "HERB");
    ASSERT_TRUE(h);
    Bytes soll = {'H', 'E', 'R', 'B', 'V', '0', '0', '1'};
    PutBe(soll, 16, 4);
    PutBe(soll, 1, 4);
    PutBe(soll, x, 4);
    PutBe(soll, y, 4);
    PutBe(soll, 56, 1);
    PutBe(soll, einheiten, 1);
    PutBe(soll, 251, 2);
    EXPECT_EQ(*h, soll);

    // Herb 3 again adds to its stock entry; points never go below 0.
    f->Bewegungspunkte = 1;
    Ok();
    EXPECT_EQ(KrautSuche(LDKS, f, 3, nullptr), 1);
    EXPECT_EQ(+f->Bewegungspunkte, 0);
    const std::vector<Ware> w = Lager();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].info, 5u);
    EXPECT_EQ(w[0].herkunft, kIch);
    EXPECT_EQ(w[0].typ, 59u);
    EXPECT_EQ(w[0].anzahl, 2u);
    EXPECT_GE(w[0].datum, vorher);
    EXPECT_EQ(w[1].typ, 56u);
    EXPECT_EQ(w[1].anzahl, einheiten);

    // Nothing of herb 7 (an empty acre), of herb 5 here (it grows next door),
    // nor anywhere without the herb mark.
    Meldungen().clear();
    const Bytes pool = vektest::ReadBytes(POOL_OUT);
    for (int kraut : {7, 5}) {
        Ok();
        EXPECT_EQ(KrautSuche(LDKS, f, kraut, nullptr), 1);
    }
    Hex(4, 2).Spezial = 0;
    Ok();
    EXPECT_EQ(KrautSuche(LDKS, f, 3, nullptr), 1);
    EXPECT_EQ(Meldungen(), std::vector<std::string>(3, GetString(&_VEK_KARTE_SUCHEN_KRAUT_TEXT4)));
    EXPECT_EQ(vektest::ReadBytes(POOL_OUT), pool);
    EXPECT_EQ(Lager().size(), 2u);
}

TEST_P(Befehle, ACancelledHerbChoiceWritesNothing)
{
    Hex(4, 2).Spezial = 0x1;
    Kraeuter({{kX + 4, kY + 2, 56, 0, 251}});
    Setze({Figur(kIch, 12, 2, 4, 2, 0, 5)});
    st_MOVE_EXT *f = Waehle(0, KOMMANDO_SUCHEN);
    Nein();
    EXPECT_EQ(CheckAktionsFeld(LDKS), 1);
    EXPECT_EQ(+f->Kommando, 0);
    EXPECT_EQ(+f->Bewegungspunkte, 5);
    EXPECT_FALSE(Chunk(POOL_OUT, "HERB"));
    EXPECT_TRUE(Lager().empty());
}

// ---- ship names ----

TEST_P(Befehle, ANameIsGivenAndACancelledNamingDropsIt)
{
    LDKS->ShipAddOnListPtr = CreateList(LISTE_SHIPADDON);
    Setze({Figur(kIch, 17, 4, 4, 2, 0, 8)});
    auto Namen = [&] {
        std::map<UWORD, std::string> n;
        ListNode *k = LDKS->ShipAddOnListPtr->FirstNode;
        for (ULONG i = 0; k && i < LDKS->ShipAddOnListPtr->Elemente; ++i, k = k->Next) {
            const auto *r = (const ShipAddOn *)NodeData(k);
            n[r->SchiffsID] = std::string(r->Name, strnlen(r->Name, sizeof r->Name));
        }
        return n;
    };
    // Cancelled without a name: nothing added.
    Waehle(0, KOMMANDO_BENENNEN);
    Nein();
    EXPECT_EQ(CheckAktionsFeld(LDKS), 1);
    EXPECT_TRUE(Namen().empty());
    st_MOVE_EXT *f = Waehle(0, KOMMANDO_BENENNEN);
    vektest::PushText("Seewolf");
    Ok();
    EXPECT_EQ(CheckAktionsFeld(LDKS), 1);
    EXPECT_EQ(Namen(), (std::map<UWORD, std::string>{{4, "Seewolf"}}));
    EXPECT_EQ(+f->Kommando, 0);
    // Cancelling the naming of a named ship removes its name.
    Waehle(0, KOMMANDO_BENENNEN);
    Nein();
    EXPECT_EQ(CheckAktionsFeld(LDKS), 1);
    EXPECT_TRUE(Namen().empty());
}

// ---- the battle chunk's append on a damaged pool ----

TEST_P(Befehle, ABattleChunkCountingMoreThanItHoldsKeepsWhatItHolds)
{
    // Five records announced, room for two.
    std::vector<UBYTE> block(sizeof(st_KRIG) + 2 * sizeof(st_KRIG_EXT) + 1, 0);
    auto *c = (st_KRIG *)block.data();
    c->Head.ChunkID = ID_KRIG;
    c->Head.Version = VERSION_V001;
    c->Head.Length = 4 + 2 * 72;
    c->AnzahlKriege = 5;
    st_KRIG_EXT alt[2]{};
    alt[0].Angreifer = Figur(kIch, 1, 1, 0, 0);
    alt[1].Angreifer = Figur(kIch, 1, 2, 0, 0);
    alt[1].Result = 8;
    std::memcpy(block.data() + sizeof(st_KRIG), alt, sizeof alt);
    ASSERT_TRUE(AddChunkPool(c, POOL_OUT));
    const st_MOVE_EXT a = Figur(kIch, 3, 9, 1, 1, 3, 4), d = Figur(kFeind, 2, 8, 1, 0);
    EXPECT_EQ(KrigAnhaengen(&a, &d), 1);
    const std::optional<Bytes> k = Chunk(POOL_OUT, "KRIG");
    ASSERT_TRUE(k);
    ASSERT_EQ(k->size(), 12u + 4 + 3 * 72);
    EXPECT_EQ(Be(*k, 8, 4), 4u + 3 * 72);
    EXPECT_EQ(Be(*k, 12, 4), 3u);
    EXPECT_EQ(Bytes(k->begin() + 20, k->begin() + 38), MoveBytes(alt[0].Angreifer));
    EXPECT_EQ(Bytes(k->begin() + 92, k->begin() + 110), MoveBytes(alt[1].Angreifer));
    EXPECT_EQ(Be(*k, 16 + 72 + 40, 4), 8u);
    EXPECT_EQ(Bytes(k->begin() + 164, k->begin() + 182), MoveBytes(a));
    EXPECT_EQ(Bytes(k->begin() + 182, k->begin() + 200), MoveBytes(d));
}

}  // namespace
