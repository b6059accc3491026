// The figure list beside the map and the town menu, on a copy of the demo
// set with its view round the capital: which list comes first and what its
// lines say, the minimap click, and what raising and disbanding figures
// leaves in the figure file and the town file (read back byte by byte).
#include <gtest/gtest.h>

#include <SDL/SDL.h>

#include <algorithm>
#include <cstring>
#include <tuple>
#include <memory>
#include <string>
#include <vector>

#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/screen.h"
#include "kartenwelt.h"
#include "world/hex.h"
#include "map/kartenscreen.h"
#include "map/mapview.h"
#include "world/towns.h"
#include "platform/catalog.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/figures.h"
#include "store/mapnames.h"
#include "ui/input.h"
#include "ui/requester.h"
#include "ui/screendat.h"

using namespace vektest;

namespace {

constexpr ULONG kIch = 7;                 // the demo player
constexpr ULONG kStadtX = 120, kStadtY = 60;  // Demoburg

int EchteStadt(LONG id, ULONG *x, ULONG *y)
{
    Stadt *s = GetActiveTown(id);
    if (!s) return 0;
    *x = s->XPos, *y = s->YPos;
    FreeVec(s);
    return 1;
}

// ---- an independent reader of the figure file and the town file ----

ULONG Be(const Bytes &b, size_t at, int breite)
{
    ULONG v = 0;
    for (int i = 0; i < breite; ++i) v = v << 8 | b.at(at + (size_t)i);
    return v;
}

struct FigurRoh {
    ULONG spieler, art, nummer, x, y, kommando;
};

// The MOVE chunk after the 28-byte MREF: count at 40, 18-byte records from 42.
std::vector<FigurRoh> FigurDatei()
{
    const Bytes b = ReadBytes("Data/MapPrefs.vek");
    EXPECT_GE(b.size(), 42u);
    EXPECT_EQ(std::string(b.begin() + 28, b.begin() + 32), "MOVE");
    std::vector<FigurRoh> r;
    const ULONG n = Be(b, 40, 2);
    for (ULONG i = 0; i < n; ++i) {
        const size_t at = 42 + 18 * (size_t)i;
        r.push_back({Be(b, at, 4), Be(b, at + 4, 2), Be(b, at + 6, 2), Be(b, at + 8, 4), Be(b, at + 12, 4),
                     Be(b, at + 16, 1)});
    }
    return r;
}

ULONG ImRathaus(ULONG art)
{
    ULONG n = 0;
    for (const FigurRoh &f : FigurDatei())
        n += f.spieler == kIch && f.art == art && f.x == kStadtX && f.y == kStadtY;
    return n;
}

// Little-endian counters at the end of the town file.
struct Zaehler {
    ULONG kundschafter, siedler, karawanen;
    bool operator==(const Zaehler &) const = default;
};
Zaehler StadtZaehler()
{
    const Bytes b = ReadBytes("Data/Cities/Demoburg.vek");
    EXPECT_EQ(b.size(), STADT_BYTES);
    if (b.size() != STADT_BYTES) return {};
    auto le = [&](size_t at) { return (ULONG)b[at] | (ULONG)b[at + 1] << 8; };
    return {le(14222), le(14224), le(14226)};
}

void PushReturn() { PushKey(SDLK_RETURN, 13); }

// What is left of the pushed input, by kind.
std::string Rest()
{
    std::string r;
    SDL_Event e;
    while (SDL_PollEvent(&e)) r += e.type == SDL_KEYDOWN ? 'K' : 'M';
    return r;
}

// The demo game files under a dummy display, the map view set up round the
// capital as a visit has it, and the data lists read.
class Karte : public testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        CopyDemoGameFiles(dir_.path());
        kartentest::AlleGrafikenFrei();
        const bool hoch = GetParam() > 8;
        screen_ = std::make_unique<SdlScreen>(GetParam(), hoch ? 1024 : 640, hoch ? 768 : 480);
        ASSERT_TRUE(screen_->Ok());
        if (hoch && SDLViewSurface) DBScreen = db_ = SDL_DisplayFormat(SDLViewSurface);
        altScreen_ = VekDisplay.VekScreen;
        VekDisplay.VekScreen = 3;
        altSpieler_ = PlayerInfo.SpielerID;
        PlayerInfo.SpielerID = kIch;
        PlayerInfo.AktStadtID = 0;
        KartenStadtPosHook = EchteStadt;
        *LDKS = LokaleDatenKartenScreen{};
        st = LDKS;
        ASSERT_TRUE(ReadKartenScreenData(st));
        view = InitMap(st);
        ASSERT_NE(view, nullptr);
        st->VekMapInfoPtr = view;
        st->FigurTyp = 0xFFFF;
        st->VekFont3Ptr = OpenDiskFont("Fonts/XHelvetica9.fnt");
        st->ScreenRegion = hoch ? GetScreenRegion("./Data/screendat/Karte1024.dat", 518)
                                : GetScreenRegion("./Data/screendat/KarteMenu2.dat", 514);
        ASSERT_NE(st->ScreenRegion, nullptr);
        ASSERT_GE(st->ScreenRegion->CountRechteck, hoch ? 8u : 3u);
        Rest();
    }
    void TearDown() override
    {
        EXPECT_EQ(Rest(), "") << "input was left over";
        ClearRequester(st->FigurRequester);
        FreeVec(st->FigurListBuffer);
        if (st->VekMapInfoPtr) {
            ExitPos(st->VekMapInfoPtr);
            ExitKarte(st->VekMapInfoPtr);
        }
        ClearScreenRegion(st->ScreenRegion);
        CloseFont(st->VekFont3Ptr);
        DeleteArmyList(st->ArmeeListe);
        st->ArmeeListe = nullptr;
        WriteKartenScreenData(st, 1);
        *LDKS = LokaleDatenKartenScreen{};
        PlayerInfo.SpielerID = altSpieler_;
        VekDisplay.VekScreen = altScreen_;
        if (TitelScreenPtr) CloseKavorPic(3, 0);
        kartentest::AlleGrafikenFrei();
        if (db_) {
            DBScreen = nullptr;
            SDL_FreeSurface(db_);
        }
        screen_.reset();
    }

    // The view's figures replaced by these.
    void Figuren(const std::vector<st_MOVE_EXT> &f)
    {
        FreeVec(view->PeopleMemPtr);
        FreeVec(view->LocalPeopleMemPtr);
        const ULONG groesse = 2 + (ULONG)(f.size() * sizeof(st_MOVE_EXT));
        view->PeopleMemPtr = (UBYTE *)AllocVec(groesse, MEMF_CLEAR);
        view->LocalPeopleMemPtr = (UBYTE *)AllocVec(groesse, MEMF_CLEAR);
        view->PeopleMemSize = groesse;
        for (UBYTE *b : {view->PeopleMemPtr, view->LocalPeopleMemPtr}) {
            const UWORD n = (UWORD)f.size();
            std::memcpy(b, &n, 2);
            if (!f.empty()) std::memcpy(b + 2, f.data(), f.size() * sizeof(st_MOVE_EXT));
        }
    }
    static st_MOVE_EXT Figur(UWORD art, UWORD nummer, ULONG x, ULONG y, UBYTE punkte, ULONG spieler = kIch)
    {
        st_MOVE_EXT f{};
        f.SpielerID = spieler, f.FigurArt = art, f.FigurNummer = nummer, f.X_Pos = x, f.Y_Pos = y;
        f.Bewegungspunkte = punkte;
        return f;
    }

    // A zeroed node for list l that holds a record of the given node size.
    static ListNode *Knoten(const ListHeader *l, size_t groesse)
    {
        return (ListNode *)AllocVec((ULONG)std::max<size_t>(l->TypSize, groesse), MEMF_CLEAR);
    }
    // Fresh lists: armies by ID and name, ships by ID, damage and points,
    // specialists by name, ID and status; null for a list not read.
    void Armeen(const std::vector<std::pair<ULONG, std::string>> *a)
    {
        DeleteArmyList(st->ArmeeListe);
        st->ArmeeListe = a ? CreateList(LISTE_ARMEEN) : nullptr;
        for (size_t i = 0; a && i < a->size(); ++i) {
            auto *n = (ArmeeList *)Knoten(st->ArmeeListe, sizeof(ArmeeList));
            Armee x{};
            x.ArmeeID = (*a)[i].first;
            std::memcpy(x.Name, (*a)[i].second.data(), std::min<size_t>((*a)[i].second.size(), sizeof x.Name));
            std::memcpy(&n->Army, &x, sizeof x);
            InsertNode(st->ArmeeListe, &n->Node, LIST_LAST, 0);
        }
    }
    void Schiffe(const std::vector<st_SHIP_EXT> *s)
    {
        DeleteList(st->ShipListPtr, LIST_FREE_OWNED);
        st->ShipListPtr = s ? CreateList(LISTE_SCHIFFE) : nullptr;
        for (size_t i = 0; s && i < s->size(); ++i) {
            auto *n = (ShipListEntry *)Knoten(st->ShipListPtr, sizeof(ShipListEntry));
            n->Schiff = (*s)[i];
            InsertNode(st->ShipListPtr, &n->Node, LIST_LAST, 0);
        }
    }
    void Spezialisten(const std::vector<std::tuple<std::string, ULONG, UWORD>> &s)
    {
        DeleteList(st->SpezListPtr, LIST_FREE_OWNED);
        st->SpezListPtr = CreateList(LISTE_SPEZIALISTEN);
        for (const auto &[name, id, status] : s) {
            auto *n = (SpezialistenListEntry *)Knoten(st->SpezListPtr, sizeof(SpezialistenListEntry));
            std::memcpy(n->Spezialist.Name, name.data(), std::min<size_t>(name.size(), 79));
            n->Spezialist.ID = id, n->Spezialist.Status = status;
            InsertNode(st->SpezListPtr, &n->Node, LIST_LAST, 0);
        }
    }
    // The list text, line by line.
    std::vector<std::string> Zeilen() const
    {
        std::vector<std::string> z;
        if (!st->FigurRequester || !st->FigurListBuffer) return z;
        for (ULONG i = 0; i < st->FigurRequester->ReqEntries; ++i) {
            const char *zeile = st->FigurListBuffer + i * REQ_LINE_SIZE;
            z.emplace_back(zeile, strnlen(zeile, REQ_LINE_SIZE));
        }
        return z;
    }

    // Demoburg's record changed by edit and written back.
    template <class F> void Demoburg(F edit)
    {
        Stadt *t = LadeStadt("Demoburg");
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->XPos, kStadtX);
        ASSERT_EQ(t->YPos, kStadtY);
        edit(*t);
        ASSERT_TRUE(SpeichereStadt(t));
        FreeVec(t);
    }
    // The town hex marked, as a click on it leaves it.
    void MarkiereStadt()
    {
        st->X_Pos = (WORD)CheckWrap((LONG)kStadtX - view->X_Hex, WELT_BREITE);
        st->Y_Pos = (WORD)CheckWrap((LONG)kStadtY - view->Y_Hex, WELT_HOEHE);
        st->YellowHex = 1;
    }
    // A click on choice k of the town menu's box, centred on the map.
    static void Waehle(int k)
    {
        const LONG h = 8 * 30 + 44;
        const LONG x = VekDisplay.VekScreen_Breite / 2 - 120, y = VekDisplay.VekScreen_Hoehe / 2 - h / 2;
        const LONG zeile = k == 1 ? y + 25 : y + 55 + 30 * (k - 2);
        PushClick(x + 120, zeile + 10);
    }

    ScratchDir dir_;
    std::unique_ptr<SdlScreen> screen_;
    SDL_Surface *db_ = nullptr;
    ULONG altSpieler_ = 0;
    decltype(VekDisplay.VekScreen) altScreen_{};
    LokaleDatenKartenScreen *st = nullptr;
    VekMapInfo *view = nullptr;
};

// ---- lists ----

TEST_P(Karte, TheFirstListIsTheArmiesElseTheShipsElseTheScouts)
{
    using A = std::vector<std::pair<ULONG, std::string>>;
    using S = std::vector<st_SHIP_EXT>;
    const A eineArmee = {{5, "Garde"}}, keineArmee;
    const S einSchiff = {{6, 1, 6, kStadtX, kStadtY, {}, {}, {}}}, keinSchiff;
    struct Fall {
        const char *name;
        const A *armeen;
        const S *schiffe;
        UWORD typ;
    } faelle[] = {
        {"armies", &eineArmee, &einSchiff, 0},
        {"no armies: ships", &keineArmee, &einSchiff, 1},
        {"no armies, no ships: scouts", &keineArmee, &keinSchiff, 3},
        {"no armies, ships not read: ships, none shown", &keineArmee, nullptr, 0xFFFF},
        {"armies not read: armies, none shown", nullptr, &einSchiff, 0xFFFF},
    };
    Figuren({Figur(30, 5, 121, 61, 4), Figur(14, 6, kStadtX, kStadtY, 10), Figur(0, 1, 118, 61, 8)});
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        Armeen(f.armeen);
        Schiffe(f.schiffe);
        ClearRequester(st->FigurRequester);
        st->FigurRequester = nullptr;
        st->FigurTyp = 0xFFFF;
        UpdateFigurRequester(st, MakeGadgetID("BUT1"));
        EXPECT_EQ(st->FigurTyp, f.typ);
        EXPECT_EQ(st->FigurRequester != nullptr, f.typ != 0xFFFF);
    }
    // A group asked for by its button is shown though none was shown yet.
    Armeen(&keineArmee);
    st->FigurTyp = 0xFFFF;
    UpdateFigurRequester(st, MakeGadgetID("BUT4"));
    EXPECT_EQ(st->FigurTyp, 3);
}

TEST_P(Karte, EachGroupListsNameAndPointsThenPlace)
{
    const std::vector<std::pair<ULONG, std::string>> armeen = {{4, "Leer"}, {5, "Garde der zwanzig Zeichen"}};
    const std::vector<st_SHIP_EXT> schiffe = {{6, 1, 6, 0, 0, {}, {}, {}}, {9, 3, 4, 0, 0, {}, {}, {}}};
    Armeen(&armeen);
    Schiffe(&schiffe);
    // Ship 6 is named "Seestern" in the demo's add-on list; ship 9 is not.
    Spezialisten({{"Cedric von Langenfeld", 12, 5}, {"Alrik", 13, 0}, {"Brana", 14, 5}});
    Figuren({Figur(30, 5, 121, 61, 4), Figur(14, 6, 120, 60, 10), Figur(17, 9, 119, 62, 0),
             Figur(10, 3, 121, 62, 6), Figur(0, 1, 118, 61, 8), Figur(20, 2, 117, 60, 3),
             Figur(0, 7, 119, 60, 2, kIch + 1), Figur(12, 12, 120, 60, 6), Figur(13, 14, 122, 60, 1)});
    const std::string siedler = GetString(&_VEK_KARTE_SIEDLER), karawane = GetString(&_VEK_KARTE_KARAWANE);
    const std::string kundschafter = GetString(&_VEK_KARTE_KUNDSCHAFTER);
    const std::string kriegsschiff = GetString(&_VEK_WAREN_KRIEGSSCHIFF_KLEIN);
    using Z = std::vector<std::string>;
    struct Fall {
        const char *code;
        UWORD typ;
        Z zeilen;
    } faelle[] = {
        // Each army at its list place; one without a figure stays empty.
        {"BUT1", 0, {"", "", "Garde der zwanzig Ze [4P]", "...->(121/61)"}},
        {"BUT2", 1, {"Seestern [10P]", "...->(120/60) [1/6]", kriegsschiff + " [0P]", "...->(119/62) [3/4]"}},
        {"BUT3", 2, {siedler + " [6P]", "...->(121/62)", karawane + " [3P]", "...->(117/60)"}},
        {"BUT4", 3, {kundschafter + " [8P]", "...->(118/61)"}},
        // Hired ones only, cut to 17 characters; the list keeps a place for each.
        {"BUT5", 4, {"Cedric von Langen [6P]", "...->(120/60)", "Brana [1P]", "...->(122/60)", "", ""}},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.code);
        char code[5];
        std::memcpy(code, f.code, 5);
        UpdateFigurRequester(st, MakeGadgetID(code));
        EXPECT_EQ(st->FigurTyp, f.typ);
        ASSERT_NE(st->FigurRequester, nullptr);
        EXPECT_EQ(Zeilen(), f.zeilen);
    }
}

TEST_P(Karte, SpecialistsOnlyWhenTheFirstIsHired)
{
    Figuren({Figur(12, 12, 120, 60, 6), Figur(0, 1, 118, 61, 8)});
    UpdateFigurRequester(st, MakeGadgetID("BUT4"));
    ASSERT_NE(st->FigurRequester, nullptr);
    const std::string vorher(st->FigurListBuffer, 2 * REQ_LINE_SIZE);
    Spezialisten({{"Alrik", 13, 4}, {"Cedric", 12, 5}});
    UpdateFigurRequester(st, MakeGadgetID("BUT5"));
    // No list: the requester goes, the scouts' text stays and stays the group on show.
    EXPECT_EQ(st->FigurRequester, nullptr);
    EXPECT_EQ(st->FigurTyp, 3);
    ASSERT_NE(st->FigurListBuffer, nullptr);
    EXPECT_EQ(std::string(st->FigurListBuffer, 2 * REQ_LINE_SIZE), vorher);
}

TEST_P(Karte, MinimapClickMovesTheViewByItsDistanceFromTheMiddle)
{
    const ULONG rechteck = GetParam() > 8 ? 5 : 2;
    st->ScreenRegion->Rechteck[rechteck] = {0, 0, 100, 80};
    BitMap *form = nullptr;
    if (GetParam() > 8) {
        ASSERT_EQ(OpenKavorGfx("./Data/Path", 1166), 1);
        form = BitMapPtrArray[1165];
        ASSERT_TRUE(form && form->Surface && form->Surface->format->BytesPerPixel == 1);
    }
    const MousePos maus = MousePosition;
    struct Fall {
        LONG x, y;
        UBYTE maske;
        LONG dx, dy;
    } faelle[] = {{74, 60, 1, 4, 5}, {50, 40, 1, 0, 0}, {20, 10, 1, -5, -8}, {74, 60, 0, 0, 0}};
    for (const Fall &f : faelle) {
        if (!form && f.maske == 0) continue;  // 8 bits have no shape
        SCOPED_TRACE(testing::Message() << f.x << "," << f.y << " mask " << (int)f.maske);
        if (form) {
            SDL_LockSurface(form->Surface);
            ((UBYTE *)form->Surface->pixels)[f.y * form->Surface->pitch + f.x] = f.maske;
            SDL_UnlockSurface(form->Surface);
        }
        MousePosition.X = (WORD)f.x, MousePosition.Y = (WORD)f.y;
        const LONG x = view->X_Hex, y = view->Y_Hex;
        UpdateFigurRequester(st, MakeGadgetID("MAP1"));
        EXPECT_EQ(view->X_Hex, CheckWrap(x + 2 * f.dx, WELT_BREITE));
        EXPECT_EQ(view->Y_Hex, CheckWrap(y + f.dy, WELT_HOEHE));
    }
    MousePosition = maus;
    if (form) CloseKavorGfx(1166);
}

// ---- the town menu ----

TEST_P(Karte, RaisingNeedsTenThousandInhabitantsAndSelectsTheNewFigure)
{
    const ULONG siedlerVorher = ImRathaus(FID_SIEDLER);
    Demoburg([](Stadt &t) { t.StadtVolk = 9999; });
    MarkiereStadt();
    const Bytes vorher = ReadBytes("Data/MapPrefs.vek");
    Waehle(1);
    PushReturn();
    PushReturn();  // stays: a second message would take it
    EXPECT_EQ(SetOtherFigur(st), 1);
    EXPECT_EQ(Rest(), "K");
    EXPECT_EQ(ReadBytes("Data/MapPrefs.vek"), vorher);
    EXPECT_EQ(StadtZaehler(), (Zaehler{0, 0, 0}));

    Demoburg([](Stadt &t) { t.StadtVolk = 10000; });
    Waehle(1);
    PushReturn();
    EXPECT_EQ(SetOtherFigur(st), 1);
    EXPECT_EQ(Rest(), "K") << "no message";
    EXPECT_EQ(ImRathaus(FID_SIEDLER), siedlerVorher + 1);
    EXPECT_EQ(StadtZaehler(), (Zaehler{0, 1, 0}));
    ASSERT_NE(st->AktPerson, nullptr);
    EXPECT_EQ(st->AktPerson->FigurArt, FID_SIEDLER);
    EXPECT_EQ(st->AktPerson->X_Pos, kStadtX);
    EXPECT_EQ(st->AktPerson->Y_Pos, kStadtY);
    EXPECT_EQ(st->AktPerson->FigurNummer, FigurDatei().back().nummer);
    EXPECT_TRUE(st->BlueHex);
    // The view holds what the file holds.
    EXPECT_EQ(FigurenImBlock(view->PeopleMemPtr, view->PeopleMemSize), FigurDatei().size());
}

TEST_P(Karte, EnteringASmallTownShowsTheMessageFirst)
{
    for (ULONG volk : {9999u, 10000u}) {
        SCOPED_TRACE(volk);
        Demoburg([&](Stadt &t) { t.StadtVolk = volk, t.StadtID = 0; });
        MarkiereStadt();
        st->Quit = 0;
        PlayerInfo.AktStadtID = 1;
        Waehle(7);
        PushReturn();
        EXPECT_EQ(SetOtherFigur(st), 1);
        EXPECT_EQ(Rest(), volk < 10000 ? "" : "K");
        EXPECT_EQ(st->Quit, 1);
        EXPECT_EQ(PlayerInfo.AktStadtID, 0u);
    }
    PlayerInfo.AktStadtID = 0;
}

TEST_P(Karte, EachKindHasItsQuarterLimitAndDisbandingKeepsTheCount)
{
    struct Fall {
        const char *name;
        int wahl;
        UWORD art;
        Zaehler vorher;
        bool erlaubt;
    } faelle[] = {
        {"tenth scout", 5, FID_KUNDSCHAFTER, {9, 0, 0}, true},
        {"eleventh scout", 5, FID_KUNDSCHAFTER, {10, 0, 0}, false},
        {"second settler", 1, FID_SIEDLER, {0, 1, 0}, false},
        {"first caravan", 3, FID_KARAWANE, {0, 0, 0}, true},
        {"second caravan", 3, FID_KARAWANE, {0, 0, 1}, false},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        Demoburg([&](Stadt &t) {
            t.StadtVolk = 20000;
            t.AusgehobeneKundschafter = (UWORD)f.vorher.kundschafter;
            t.AusgehobeneSiedler = (UWORD)f.vorher.siedler;
            t.AusgehobeneKarawanen = (UWORD)f.vorher.karawanen;
        });
        MarkiereStadt();
        const ULONG anzahl = ImRathaus(f.art);
        Waehle(f.wahl);
        PushReturn();
        EXPECT_EQ(SetOtherFigur(st), 1);
        EXPECT_EQ(Rest(), f.erlaubt ? "K" : "");
        EXPECT_EQ(ImRathaus(f.art), anzahl + (f.erlaubt ? 1 : 0));
        Zaehler soll = f.vorher;
        if (f.erlaubt) ++(f.art == FID_KUNDSCHAFTER ? soll.kundschafter : soll.karawanen);
        EXPECT_EQ(StadtZaehler(), soll);
        if (!f.erlaubt) continue;
        // Disbanding the figure just raised gives nothing back to the quarter.
        MarkiereStadt();
        Waehle(f.wahl + 1);
        PushReturn();
        EXPECT_EQ(SetOtherFigur(st), 1);
        EXPECT_EQ(Rest(), "K");
        EXPECT_EQ(ImRathaus(f.art), anzahl);
        EXPECT_EQ(StadtZaehler(), soll);
        EXPECT_EQ(st->AktPerson, nullptr);
    }
}

TEST_P(Karte, DisbandingTakesTheFirstFigureNotAboard)
{
    Demoburg([](Stadt &t) { t.StadtVolk = 20000; });
    // Two scouts raised on the town hex, the first then taken aboard.
    std::vector<UWORD> nummern;
    for (int i = 0; i < 2; ++i) {
        MarkiereStadt();
        Waehle(5);
        PushReturn();
        ASSERT_EQ(SetOtherFigur(st), 1);
        EXPECT_EQ(Rest(), "K");
        ASSERT_NE(st->AktPerson, nullptr);
        nummern.push_back(st->AktPerson->FigurNummer);
        if (i == 0) st->AktPerson->Kommando = KOMMANDO_AN_BORD;
    }
    MarkiereStadt();
    Waehle(6);
    PushReturn();
    EXPECT_EQ(SetOtherFigur(st), 1);
    EXPECT_EQ(Rest(), "K");
    bool ersteDa = false, zweiteDa = false;
    for (const FigurRoh &f : FigurDatei()) {
        if (f.spieler != kIch || f.art != FID_KUNDSCHAFTER) continue;
        ersteDa |= f.nummer == nummern[0] && f.kommando == KOMMANDO_AN_BORD;
        zweiteDa |= f.nummer == nummern[1];
    }
    EXPECT_TRUE(ersteDa) << "the scout aboard stays";
    EXPECT_FALSE(zweiteDa);
    EXPECT_EQ(StadtZaehler(), (Zaehler{2, 0, 0}));
}

TEST_P(Karte, RebelsAndAMissingTownHallKeepTheMenuShut)
{
    struct Fall {
        const char *name;
        UWORD event;
        bool rathaus;
    } faelle[] = {{"rebellion", STADTEVENT_REBELLION, true}, {"no town hall", 0, false}};
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        Demoburg([&](Stadt &t) {
            t.StadtVolk = 20000, t.Event = f.event;
            UWORD &b = t.GebaeudeAbhaengigkeiten[55].GfxBitfeld;
            b = f.rathaus ? (UWORD)(b | GFX_THISIMAGEISSET) : (UWORD)(b & ~GFX_THISIMAGEISSET);
        });
        MarkiereStadt();
        PushReturn();
        PushReturn();
        EXPECT_EQ(SetOtherFigur(st), 1);
        EXPECT_EQ(Rest(), "K") << "one message, no menu";
    }
}

TEST_P(Karte, TheCounterIsSpentOnlyWhenTheFigureWasAdded)
{
    Demoburg([](Stadt &t) { t.StadtVolk = 20000; });
    MarkiereStadt();
    // A figure file without its figure chunk takes no figure.
    Bytes b = ReadBytes("Data/MapPrefs.vek");
    b.resize(28);
    WriteBytes("Data/MapPrefs.vek", b);
    Waehle(1);
    PushReturn();
    EXPECT_EQ(SetOtherFigur(st), 0);
    EXPECT_EQ(Rest(), "K");
    EXPECT_EQ(StadtZaehler(), (Zaehler{0, 0, 0}));
}

TEST_P(Karte, HostileTownListsAreReadOnlyAsFarAsTheyHold)
{
    const Bytes stadt = ReadBytes("Data/Cities/Demoburg.vek");
    ASSERT_EQ(stadt.size(), STADT_BYTES);
    auto Eintrag = [](LONG id, const std::string &name, size_t feld = 80) {
        Bytes e(84, 0);
        for (int i = 0; i < 4; ++i) e[(size_t)i] = (UBYTE)((ULONG)id >> (8 * i));
        std::memcpy(e.data() + 4, name.data(), std::min(name.size(), feld));
        return e;
    };
    auto Liste = [](std::vector<Bytes> eintraege) {
        Bytes b;
        for (const Bytes &e : eintraege) b.insert(b.end(), e.begin(), e.end());
        return b;
    };
    // A town file under a name the cut-off decoder would make of an unended one,
    // and one outside the towns' directory.
    const std::string lang(79, 'Q');
    WriteBytes("Data/Cities/" + lang + ".vek", stadt);
    WriteBytes("Data/x.vek", stadt);
    const Bytes ende = Eintrag(-1, std::string(79, ' '));
    struct Fall {
        const char *name;
        Bytes liste;
        bool menue;
    } faelle[] = {
        {"shorter than an entry", Bytes(50, 1), false},
        {"a partial entry after a whole one", [&] {
             Bytes b = Eintrag(0, "Demoburg");
             b.resize(84 + 50, 7);
             return b;
         }(), true},
        {"no end entry", Liste({Eintrag(3, "Nordheim"), Eintrag(0, "Demoburg")}), true},
        {"stops at the end entry", Liste({Eintrag(3, "Nordheim"), ende, Eintrag(0, "Demoburg")}), false},
        {"a name without its end", Liste({Eintrag(0, lang + "Q"), ende}), false},
        {"a name leading out", Liste({Eintrag(0, "../x"), ende}), false},
        {"a hidden name", Liste({Eintrag(0, ".hidden"), ende}), false},
    };
    Demoburg([](Stadt &t) { t.StadtVolk = 20000; });
    MarkiereStadt();
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        WriteBytes("Data/Cities/Town.list", f.liste);
        Waehle(8);
        PushReturn();
        EXPECT_EQ(SetOtherFigur(st), 1);
        EXPECT_EQ(Rest(), f.menue ? "K" : "MMMMK");
    }
    // A town file of another size is not read.
    WriteBytes("Data/Cities/Town.list", Liste({Eintrag(0, "Demoburg"), ende}));
    Bytes kurz = stadt;
    kurz.pop_back();
    WriteBytes("Data/Cities/Demoburg.vek", kurz);
    Waehle(8);
    PushReturn();
    EXPECT_EQ(SetOtherFigur(st), 1);
    EXPECT_EQ(Rest(), "MMMMK");
}

INSTANTIATE_TEST_SUITE_P(Tiefen, Karte, ::testing::Values(8, 32));

}  // namespace
