// Figures on the map: what a hex shows and counts, finding figures, a step
// with its cost, wrap, escort and exploring, the step animation's frames,
// and the records that follow a moved figure.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <SDL/SDL_thread.h>

#include "gfx/font.h"
#include "kartenwelt.h"
#include "map/figures_map.h"
#include "map/kartenscreen.h"
#include "map/motion.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/lists.h"

namespace {

using namespace kartentest;

constexpr ULONG kFremd = 9;
constexpr UWORD kEbene = 5;  // a terrain graphic every kind can enter

st_MOVE_EXT Figur(ULONG spieler, UWORD art, UWORD nummer, ULONG x, ULONG y, UBYTE kommando = 0, UBYTE punkte = 20)
{
    st_MOVE_EXT f{};
    f.SpielerID = spieler;
    f.FigurArt = art;
    f.FigurNummer = nummer;
    f.X_Pos = x;
    f.Y_Pos = y;
    f.Kommando = kommando;
    f.Bewegungspunkte = punkte;
    return f;
}

// A view over the synthetic world at (x, y) whose window is one explored,
// own plain; the figure blocks hold the given figures.
class Karte {
public:
    Karte(LONG x, LONG y, LONG breite, LONG hoehe)
    {
        v = LadeKarte(MAPSTATUS_BMAP, CheckWrap(x, WELT_BREITE) / TEIL_BREITE, CheckWrap(y, WELT_HOEHE) / TEIL_HOEHE,
                      "./Map");
        if (!v || !InitPos(v, x, y, 0, 0, breite, hoehe, MAPSTATUS_BMAP)) return;
        for (LONG i = 0; i < FENSTER_BREITE * FENSTER_HOEHE; ++i) {
            v->GreatMapPtr[i].Art = kEbene;
            v->GreatMapPtr[i].BesitzerID = kIch;
            v->GreatMapPtr[i].Spezial = 0;
        }
        std::memset(v->GreatBMapPtr, 0xFF, FENSTER_BMAP_BYTES);
        v->MapFontPtr = OpenDiskFont("Fonts/XHelvetica9.fnt");
        ok = true;
    }
    ~Karte()
    {
        if (!v) return;
        FreeVec(v->PeopleMemPtr);
        v->PeopleMemPtr = nullptr;
        CloseFont(v->MapFontPtr);
        v->MapFontPtr = nullptr;
        ExitPos(v);
        ExitKarte(v);
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
    st_MOVE_EXT *Alle(ULONG i) { return FigurImBlock(v->PeopleMemPtr, i); }
    // The layer after a full drawing with figures.
    std::vector<ULONG> Bild()
    {
        v->Status |= MAPSTATUS_FIGUREN;
        v->QuickUpdate = QU_ALLES;
        BlitMap(v);
        return LayerPixel(v);
    }
    VekMapInfo *v = nullptr;
    bool ok = false;
};

class Figuren : public testing::TestWithParam<int> {
protected:
    Umgebung welt{GetParam(), 640, 480};
    void SetUp() override
    {
        ASSERT_TRUE(welt.Ok());
        SetPeopleAnimDelay = nullptr;
    }
    void TearDown() override
    {
        SetPeopleAnimDelay = Delay;
        SetPeopleAnimFrameHook = nullptr;
    }
};

INSTANTIATE_TEST_SUITE_P(Tiefen, Figuren, testing::Values(8, 32),
                         [](const testing::TestParamInfo<int> &i) { return std::to_string(i.param) + "bit"; });

// The layer pixels that differ between two drawings, as a bounding box.
struct Kasten {
    LONG x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    bool leer() const { return x1 < 0; }
};
Kasten Unterschied(const std::vector<ULONG> &a, const std::vector<ULONG> &b, LONG breite)
{
    Kasten k;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i]) {
            const LONG x = (LONG)i % breite, y = (LONG)i / breite;
            k.x0 = std::min(k.x0, x), k.y0 = std::min(k.y0, y), k.x1 = std::max(k.x1, x), k.y1 = std::max(k.y1, y);
        }
    return k;
}

// Every differing pixel lies inside (x0, y0)-(x1, y1), and there is one.
void ImKasten(const Kasten &k, LONG x0, LONG y0, LONG x1, LONG y1)
{
    ASSERT_FALSE(k.leer());
    EXPECT_GE(k.x0, x0);
    EXPECT_LE(k.x1, x1);
    EXPECT_GE(k.y0, y0);
    EXPECT_LE(k.y1, y1);
}

TEST_P(Figuren, HexShowsItsFirstFigureWithTotalAndOwnCounts)
{
    Karte k(160, 80, 640, 448);
    ASSERT_TRUE(k.ok);
    ASSERT_NE(k.v->MapFontPtr, nullptr);
    const LONG breite = k.v->LayerRastPortPtr->BitMap->Surface->w;
    // View hex (4, 3): layer pixel (192, 168).
    const ULONG x = 164, y = 83;
    const LONG px = 4 * 48, py = 3 * 56;
    k.Setze({});
    const auto leer = k.Bild();
    k.Setze({Figur(kFremd, 1, 1, x, y)});
    const auto eine = k.Bild();
    const Kasten figur = Unterschied(leer, eine, breite);
    ASSERT_FALSE(figur.leer());
    EXPECT_GE(figur.x0, px);
    EXPECT_LE(figur.x1, px + 63);

    // A figure aboard is neither drawn nor counted.
    k.Setze({Figur(kFremd, 1, 1, x, y), Figur(kFremd, 14, 2, x, y, 7)});
    EXPECT_EQ(k.Bild(), eine);
    k.Setze({Figur(kFremd, 14, 2, x, y, 7)});
    EXPECT_EQ(k.Bild(), leer);

    // Two foreign figures: the first is drawn, "2" in the top right box.
    k.Setze({Figur(kFremd, 1, 1, x, y), Figur(kFremd, 14, 2, x, y)});
    const auto zwei = k.Bild();
    // The box's fill reaches one row below it.
    ImKasten(Unterschied(eine, zwei, breite), px + 40, py + 2, px + 51, py + 11);

    // The second one own: "1" in the bottom right box as well.
    k.Setze({Figur(kFremd, 1, 1, x, y), Figur(kIch, 14, 2, x, y)});
    const auto eigen = k.Bild();
    ImKasten(Unterschied(zwei, eigen, breite), px + 40, py + 40, px + 51, py + 49);

    // A corrupt position is not drawn.
    k.Setze({Figur(kFremd, 1, 1, 13000, y)});
    EXPECT_EQ(k.Bild(), leer);
}

TEST_P(Figuren, FindingFiguresByOwnerAndOrder)
{
    Karte k(160, 80, 640, 448);
    ASSERT_TRUE(k.ok);
    k.Setze({Figur(kFremd, 1, 1, 170, 90), Figur(kIch, 2, 2, 170, 90), Figur(kIch, 3, 3, 171, 90)});
    struct Fall {
        LONG x, y, n;
        int index;  // -1 none
    } faelle[] = {
        {170, 90, 0, 1}, {170, 90, 1, 0}, {170, 90, 2, 1}, {170, 90, 3, -1},
        {170 + WELT_BREITE, 90 - WELT_HOEHE, 1, 0}, {171, 90, 0, 2}, {172, 90, 1, -1},
    };
    for (const Fall &f : faelle) {
        st_MOVE_EXT *soll = f.index < 0 ? nullptr : FigurImBlock(k.v->PeopleMemPtr, (ULONG)f.index);
        EXPECT_EQ(GetActivePeople(k.v, f.x, f.y, f.n), soll) << f.x << "," << f.y << " n " << f.n;
    }
    EXPECT_EQ(GetActivePeopleAnzahl(k.v, 170, 90), 2u);
    EXPECT_EQ(GetActivePeopleAnzahl(k.v, 172, 90), 0u);
}

TEST_P(Figuren, StepsThatDoNotMoveChangeNothing)
{
    Karte k(160, 80, 640, 448);
    ASSERT_TRUE(k.ok);
    struct Fall {
        const char *was;
        st_MOVE_EXT f;
    } faelle[] = {
        {"aboard", Figur(kIch, 1, 1, 166, 84, 7)},
        {"too dear", Figur(kIch, 1, 1, 166, 84, 0, 0)},
        {"column past the world", Figur(kIch, 1, 1, 13000, 84)},
        {"row past the world", Figur(kIch, 1, 1, 170, 6400)},
    };
    for (const Fall &f : faelle) {
        k.Setze({f.f});
        const LONG xh = k.v->X_Hex, yh = k.v->Y_Hex;
        EXPECT_EQ(SetPeople(k.v, k.Alle(0), 1, 0), 0) << f.was;
        EXPECT_EQ(std::memcmp(k.Alle(0), &f.f, sizeof f.f), 0) << f.was;
        EXPECT_EQ(k.v->X_Hex, xh) << f.was;
        EXPECT_EQ(k.v->Y_Hex, yh) << f.was;
    }
    // Without the knowledge window the target can never be explored: the
    // step fails and the points stay.
    const st_MOVE_EXT f = Figur(kIch, 1, 1, 166, 84);
    k.Setze({f});
    UBYTE *wissen = k.v->GreatBMapPtr;
    k.v->GreatBMapPtr = nullptr;
    EXPECT_EQ(SetPeople(k.v, k.Alle(0), 1, 0), 0);
    k.v->GreatBMapPtr = wissen;
    EXPECT_EQ(std::memcmp(k.Alle(0), &f, sizeof f), 0);
}

TEST_P(Figuren, StepEastFromTheLastColumnWrapsFigureAndView)
{
    Karte k(12780, 80, 640, 448);
    ASSERT_TRUE(k.ok);
    k.Setze({Figur(kIch, 1, 1, 12799, 85)});
    const UBYTE punkte = k.Alle(0)->Bewegungspunkte;
    ASSERT_EQ(SetPeople(k.v, k.Alle(0), 1, 0), 1);
    EXPECT_EQ(+k.Alle(0)->X_Pos, 0u);
    EXPECT_EQ(+k.Alle(0)->Y_Pos, 85u);
    EXPECT_LT(+k.Alle(0)->Bewegungspunkte, punkte);
    // The view came along: column 0 of the world is inside it, away from its edges.
    const LONG c = CheckWrap(0 - k.v->X_Hex, WELT_BREITE);
    EXPECT_GT(c, 1);
    EXPECT_LT(c, k.v->XTiles - 2);
}

TEST_P(Figuren, EscortTakesAlongOnlyMatchingFiguresAndOnlyInFog)
{
    struct Fall {
        const char *was;
        st_MOVE_EXT f;
        bool mit;
    } faelle[] = {
        {"same kind, points and order 0", Figur(kIch, 1, 2, 170, 90, 0, 20), true},
        {"other points", Figur(kIch, 1, 2, 170, 90, 0, 19), false},
        {"other order", Figur(kIch, 1, 2, 170, 90, 3, 20), false},
        {"other kind", Figur(kIch, 2, 2, 170, 90, 0, 20), false},
        {"same number", Figur(kIch, 1, 1, 170, 90, 0, 20), false},
        {"foreign", Figur(kFremd, 1, 2, 170, 90, 0, 20), false},
    };
    for (bool nebel : {false, true}) {
        for (const Fall &f : faelle) {
            Karte k(160, 80, 640, 448);
            ASSERT_TRUE(k.ok);
            if (nebel) k.v->Status |= MAPSTATUS_NEBEL;
            k.Setze({Figur(kIch, 1, 1, 170, 90, 18, 20), f.f});
            ASSERT_EQ(SetPeople(k.v, k.Alle(0), 0, 1), 1) << f.was;
            const bool mit = nebel && f.mit;
            EXPECT_EQ(+k.Alle(1)->Y_Pos, mit ? 91u : 90u) << f.was << " fog " << nebel;
            EXPECT_EQ(+k.Alle(1)->Bewegungspunkte, mit ? k.Alle(0)->Bewegungspunkte : f.f.Bewegungspunkte) << f.was;
        }
    }
}

struct Bild {
    UWORD strip, frame;
    LONG x, y;
};
std::vector<Bild> gBilder;
void Merke(UWORD s, UWORD f, LONG x, LONG y) { gBilder.push_back({s, f, x, y}); }

TEST_P(Figuren, StepAnimationFramesForEveryDirectionAndParity)
{
    Karte k(160, 80, 640, 448);
    ASSERT_TRUE(k.ok);
    SetPeopleAnimFrameHook = Merke;
    struct Fall {
        LONG dx, dy;  // from an even column
        LONG odx, ody;
        int d, t;
    } faelle[] = {
        {0, -1, 0, -1, 1, 5}, {1, -1, 1, 0, 2, 4}, {1, 0, 1, 1, 3, 2},
        {0, 1, 0, 1, 4, 0},   {-1, 0, -1, 1, 5, 1}, {-1, -1, -1, 0, 6, 4},
    };
    for (const Fall &f : faelle) {
        for (bool ungerade : {false, true}) {
            const ULONG x = ungerade ? 171 : 170, y = 90;
            k.Setze({Figur(kIch, 1, 1, x, y)});
            gBilder.clear();
            const LONG dx = ungerade ? f.odx : f.dx, dy = ungerade ? f.ody : f.dy;
            ASSERT_EQ(SetPeopleAnim(k.v, k.Alle(0), dx, dy), 1);
            const bool lang = f.d == 1 || f.d == 4;
            ASSERT_EQ(gBilder.size(), (size_t)(2 * f.t + (lang ? 37 : 23))) << f.d << " odd " << ungerade;
            const LONG c = (LONG)x - k.v->X_Hex, r = (LONG)y - k.v->Y_Hex;
            const LONG sx = c * 48, sy = r * 56 + (ungerade ? 28 : 0);
            const LONG zc = c + dx, zr = r + dy;
            const LONG zx = zc * 48, zy = zr * 56 + ((zc & 1) ? 28 : 0);
            for (int i = 0; i < f.t; ++i) {
                const Bild &hin = gBilder[(size_t)i], &zurueck = gBilder[gBilder.size() - (size_t)f.t + (size_t)i];
                EXPECT_EQ(hin.strip, 441);
                EXPECT_EQ(hin.frame, f.d <= 3 ? 4 - i : 4 + i);
                EXPECT_EQ(hin.x, sx);
                EXPECT_EQ(hin.y, sy);
                EXPECT_EQ(zurueck.strip, 441);
                EXPECT_EQ(zurueck.frame, f.d <= 3 ? 5 - f.t + i : f.t + 3 - i);
                EXPECT_EQ(zurueck.x, zx);
                EXPECT_EQ(zurueck.y, zy);
            }
            std::vector<int> lauf;
            for (size_t i = (size_t)f.t; i < gBilder.size() - (size_t)f.t; ++i) {
                EXPECT_EQ(gBilder[i].strip, 441 + f.d);
                lauf.push_back(gBilder[i].frame);
            }
            EXPECT_EQ(lauf.back(), 23);
            EXPECT_EQ(std::count(lauf.begin(), lauf.end(), 19), 0);
            const Bild &letzt = gBilder[gBilder.size() - (size_t)f.t - 1];
            // Walking ends one hex further, rows exactly for N and S.
            if (lang) {
                EXPECT_EQ(std::abs(letzt.y - sy), 56) << f.d;
            }
            EXPECT_EQ(letzt.x < sx, dx < 0);
            EXPECT_EQ(letzt.x > sx, dx > 0);
        }
    }
    // No step: nothing drawn.
    gBilder.clear();
    EXPECT_EQ(SetPeopleAnim(k.v, k.Alle(0), 2, 0), 1);
    EXPECT_TRUE(gBilder.empty());
}

// The map screen's lists for the records behind the figures.
class Folgen : public testing::Test {
protected:
    Umgebung welt{32, 640, 480};
    Karte k{12780, 80, 640, 448};
    void SetUp() override
    {
        ASSERT_TRUE(welt.Ok());
        ASSERT_TRUE(k.ok);
        LDKS->VekMapInfoPtr = k.v;
        LDKS->ArmeeListe = CreateList(LISTE_ARMEEN);
        LDKS->ShipListPtr = CreateList(LISTE_SCHIFFE);
        LDKS->SpezListPtr = CreateList(LISTE_SPEZIALISTEN);
    }
    void TearDown() override
    {
        DeleteArmyList(LDKS->ArmeeListe);
        DeleteList(LDKS->ShipListPtr, 1);
        DeleteList(LDKS->SpezListPtr, 1);
        LDKS->ArmeeListe = LDKS->ShipListPtr = LDKS->SpezListPtr = nullptr;
        LDKS->VekMapInfoPtr = nullptr;
    }
    // An army of one artillery part (kind 7, or 8 with weapon 10).
    ArmeeList *Armee(ULONG id, ULONG x, ULONG y, UWORD waffe = 0)
    {
        auto *a = (ArmeeList *)AllocVec(LDKS->ArmeeListe->TypSize, MEMF_CLEAR);
        a->Army.ArmeeID = id;
        a->Army.PosX = x;
        a->Army.PosY = y;
        a->Army.TrainingsRunden = 3;
        a->ArmyListEntryHeader = CreateList(LISTE_ARMEETEILE);
        auto *t = (ArmeeListEntry *)AllocVec(a->ArmyListEntryHeader->TypSize, MEMF_CLEAR);
        t->ArmyEntry.Typ = 1;
        t->ArmyEntry.WaffeI = waffe;
        t->ArmyEntry.Anzahl = 10;
        InsertNode(a->ArmyListEntryHeader, &t->Node, LIST_LAST, 0);
        InsertNode(LDKS->ArmeeListe, &a->Node, LIST_LAST, 0);
        return a;
    }
    ShipListEntry *Schiff(UWORD id, ULONG x, ULONG y)
    {
        auto *s = (ShipListEntry *)AllocVec(LDKS->ShipListPtr->TypSize, MEMF_CLEAR);
        s->Schiff.SchiffsID = id;
        s->Schiff.X_Pos = x;
        s->Schiff.Y_Pos = y;
        InsertNode(LDKS->ShipListPtr, &s->Node, LIST_LAST, 0);
        return s;
    }
};

TEST_F(Folgen, ArmyFollowsAcrossTheSeamAndByKindWhenTheNumberIsWrong)
{
    ArmeeList *a = Armee(5, 12799, 85);
    st_MOVE_EXT f = Figur(kIch, 7, 5, 0, 85);
    EXPECT_EQ(SetFigurDependence(&f, 1, 0), 1);
    EXPECT_EQ(+a->Army.PosX, 0u);
    EXPECT_EQ(+a->Army.TrainingsRunden, 0u);

    // Number 3 is an army of another kind: the first army of the figure's kind
    // on the old hex takes its place and gives the figure its number.
    ArmeeList *fremd = Armee(3, 12790, 85, 10);
    ArmeeList *passend = Armee(4, 12790, 85);
    st_MOVE_EXT g = Figur(kIch, 7, 3, 12791, 85);
    SetFigurDependence(&g, 1, 0);
    EXPECT_EQ(+fremd->Army.PosX, 12790u);
    EXPECT_EQ(+passend->Army.PosX, 12791u);
    EXPECT_EQ(+g.FigurNummer, 4);
}

TEST_F(Folgen, ArmyNumberZeroIsNeverMatchedByNumber)
{
    ArmeeList *null = Armee(0, 12790, 85, 10);  // kind 8: the repair passes it by
    st_MOVE_EXT f = Figur(kIch, 7, 0, 12791, 85);
    SetFigurDependence(&f, 1, 0);
    EXPECT_EQ(+null->Army.PosX, 12790u);
    EXPECT_EQ(+null->Army.TrainingsRunden, 3u);
}

TEST_F(Folgen, ShipTakesItsCargoAndTheArmyAboard)
{
    ArmeeList *a = Armee(5, 12790, 85);
    ShipListEntry *s = Schiff(2, 12790, 85);
    s->Schiff.Figur1 = Figur(kIch, 7, 5, 12790, 85, 7);
    s->Schiff.Figur2 = Figur(kIch, 7, 6, 12790, 85, 0);  // not aboard: stays
    k.Setze({Figur(kIch, 14, 2, 12791, 85), Figur(kIch, 7, 5, 12790, 85, 7)});
    SetFigurDependence(FigurImBlock(k.v->PeopleMemPtr, 0), 1, 0);
    EXPECT_EQ(+s->Schiff.X_Pos, 12791u);
    EXPECT_EQ(+s->Schiff.Figur1.X_Pos, 12791u);
    EXPECT_EQ(+FigurImBlock(k.v->PeopleMemPtr, 1)->X_Pos, 12791u) << "the cargo moves in the list that is stored";
    EXPECT_EQ(+a->Army.PosX, 12791u);
    EXPECT_EQ(+a->Army.TrainingsRunden, 0u);
    EXPECT_EQ(+s->Schiff.Figur2.X_Pos, 12790u);
}

TEST_F(Folgen, ShipWhoseSlotNamesItselfEnds)
{
    ShipListEntry *s = Schiff(2, 12790, 85);
    s->Schiff.Figur1 = Figur(kIch, 14, 2, 12791, 85, 7);
    k.Setze({Figur(kIch, 14, 2, 12791, 85)});
    EXPECT_EQ(SetFigurDependence(FigurImBlock(k.v->PeopleMemPtr, 0), 1, 0), 1);
    EXPECT_EQ(+s->Schiff.X_Pos, 12791u);
}

// The motion thread over a view at (160, 80) with fixed dice.
struct Aufnahme {
    std::mutex mx;
    std::vector<Bild> bilder;
    ULONG durchgang = 0;
    LONG scrollBei = -1;  // frame after which the view "scrolls"
    VekMapInfo *v = nullptr;
};
Aufnahme gAuf;
void MotionBild(UWORD g, UWORD f, LONG x, LONG y)
{
    std::lock_guard<std::mutex> l(gAuf.mx);
    if (MotionDurchgaenge.load() != gAuf.durchgang) return;
    gAuf.bilder.push_back({g, f, x, y});
    if ((LONG)f == gAuf.scrollBei) std::atomic_ref<LONG>(gAuf.v->X_Hex).fetch_add(2);
}
void KurzWarten(ULONG) { SDL_Delay(1); }
ULONG VielSpeicher() { return 64u << 20; }

class Umgebungsobjekte : public testing::TestWithParam<int> {
protected:
    Umgebung welt{GetParam(), 640, 480};
    ULONG (*altSpeicher)() = AvailMemHook;
    void SetUp() override
    {
        ASSERT_TRUE(welt.Ok());
        AvailMemHook = VielSpeicher;
        MotionDelay = KurzWarten;
        MotionFrameHook = MotionBild;
    }
    void TearDown() override
    {
        AvailMemHook = altSpeicher;
        MotionDelay = Delay;
        MotionFrameHook = nullptr;
    }
    // The hex the first pass picks with seed 7.
    static HexPos Wurf(const VekMapInfo *v)
    {
        WuerfelSeed(7);
        HexPos p;
        if (GetParam() == 8) {
            p.x = v->X_Hex + (LONG)Wuerfel(8) + 1;
            p.y = v->Y_Hex + (LONG)Wuerfel(6) + 1;
        } else {
            p.x = v->X_Hex + (LONG)Wuerfel((ULONG)(v->XTiles - 3)) + 1;
            p.y = v->Y_Hex + (LONG)Wuerfel((ULONG)(v->YTiles - 5)) + 1;
        }
        WuerfelSeed(7);
        return p;
    }
    // One pass of the thread over these figures: the frames it showed and its work picture.
    std::vector<Bild> EinDurchgang(Karte &k, const std::vector<st_MOVE_EXT> &figuren, LONG scrollBei = -1,
                                   std::vector<ULONG> *werkbild = nullptr)
    {
        k.Setze(figuren);
        {
            std::lock_guard<std::mutex> l(gAuf.mx);
            gAuf.bilder.clear();
            gAuf.durchgang = MotionDurchgaenge.load();
            gAuf.scrollBei = scrollBei;
            gAuf.v = k.v;
        }
        const LONG xh = k.v->X_Hex;
        BlitLayer2Screen(k.v, 0);  // the screen without the last pass's frames
        Wurf(k.v);
        Motion *m = StartTheMotion(k.v);
        EXPECT_NE(m, nullptr);
        if (!m) return {};
        const ULONG ziel = gAuf.durchgang + 1;
        while (MotionDurchgaenge.load() < ziel) SDL_Delay(1);
        LockMotionProcess(m);
        if (werkbild) {
            SDL_Surface *s = m->MotionBitMap->Surface;
            werkbild->clear();
            SDL_LockSurface(s);
            for (int y = 0; y < s->h; ++y)
                for (int x = 0; x < s->w; ++x) {
                    const UBYTE *p = (const UBYTE *)s->pixels + y * s->pitch + x * s->format->BytesPerPixel;
                    ULONG w = 0;
                    std::memcpy(&w, p, s->format->BytesPerPixel);
                    werkbild->push_back(w);
                }
            SDL_UnlockSurface(s);
        }
        UnLockMotionProcess(m);
        StopTheMotion(m);
        k.v->X_Hex = xh;
        std::lock_guard<std::mutex> l(gAuf.mx);
        return gAuf.bilder;
    }
};

INSTANTIATE_TEST_SUITE_P(Tiefen, Umgebungsobjekte, testing::Values(8, 32),
                         [](const testing::TestParamInfo<int> &i) { return std::to_string(i.param) + "bit"; });

TEST_P(Umgebungsobjekte, OnlyAnObjectAtTheHeadOfItsHexInSightAndExploredIsPlayed)
{
    Karte k(160, 80, 640, 448);
    ASSERT_TRUE(k.ok);
    const HexPos p = Wurf(k.v);
    const ULONG x = (ULONG)p.x, y = (ULONG)p.y;
    const st_MOVE_EXT wache = Figur(kIch, 0, 1, x, y + 1);  // brings the hex into sight
    const st_MOVE_EXT objekt = Figur(0, 1000, 1, x, y);
    std::vector<Bild> b = EinDurchgang(k, {wache, objekt});
    ASSERT_EQ(b.size(), 10u);
    for (size_t i = 0; i < b.size(); ++i) {
        EXPECT_EQ(b[i].strip, 493);
        EXPECT_EQ(b[i].frame, i);
    }
    const LONG vx = p.x - k.v->X_Hex, vy = p.y - k.v->Y_Hex, s = GetParam() == 8 ? 0 : 16;
    EXPECT_EQ(b[0].x, vx * 48 - s);
    EXPECT_EQ(b[0].y, ((vx & 1) ? vy * 56 + 16 : vy * 56 - 12) - s);

    // A figure aboard a ship before it does not count; an ordinary one does.
    EXPECT_EQ(EinDurchgang(k, {wache, Figur(kIch, 7, 2, x, y, 7), objekt}).size(), 10u);
    EXPECT_TRUE(EinDurchgang(k, {wache, Figur(kFremd, 1, 2, x, y), objekt}).empty());
    // Out of sight, or unexplored.
    EXPECT_TRUE(EinDurchgang(k, {Figur(kIch, 0, 1, x + 6, y), objekt}).empty());
    const LONG wx = k.v->IndeX + vx, wy = k.v->IndeY + vy;
    k.v->GreatBMapPtr[wy * FENSTER_BMAP_ZEILE + wx / 8] = 0;
    EXPECT_TRUE(EinDurchgang(k, {wache, objekt}).empty());
}

TEST_P(Umgebungsobjekte, CountOfTheHexIsPrintedIntoTheWorkPicture)
{
    Karte k(160, 80, 640, 448);
    ASSERT_TRUE(k.ok);
    ASSERT_NE(k.v->MapFontPtr, nullptr);
    const HexPos p = Wurf(k.v);
    const ULONG x = (ULONG)p.x, y = (ULONG)p.y;
    const st_MOVE_EXT wache = Figur(kIch, 0, 1, x, y + 1), objekt = Figur(0, 1000, 1, x, y);
    std::vector<ULONG> allein, drei;
    EinDurchgang(k, {wache, objekt}, -1, &allein);
    EinDurchgang(k, {wache, objekt, Figur(kFremd, 1, 2, x, y), Figur(kFremd, 2, 3, x, y)}, -1, &drei);
    ASSERT_EQ(allein.size(), drei.size());
    ImKasten(Unterschied(allein, drei, 64), 40, 2, 51, 11);
}

TEST_P(Umgebungsobjekte, ScrollEndsTheAnimationAfterTheCurrentFrame)
{
    Karte k(160, 80, 640, 448);
    ASSERT_TRUE(k.ok);
    const HexPos p = Wurf(k.v);
    const std::vector<Bild> b =
        EinDurchgang(k, {Figur(kIch, 0, 1, (ULONG)p.x, (ULONG)p.y + 1), Figur(0, 1007, 1, (ULONG)p.x, (ULONG)p.y)}, 2);
    ASSERT_EQ(b.size(), 3u);
    EXPECT_EQ(b[0].strip, 884);
}

TEST_P(Umgebungsobjekte, NoHandleWithoutMemoryAndAQuickStopWithoutFigures)
{
    Karte k(160, 80, 640, 448);
    ASSERT_TRUE(k.ok);
    AvailMemHook = [] { return (ULONG)499999; };
    EXPECT_EQ(StartTheMotion(k.v), nullptr);
    AvailMemHook = VielSpeicher;
    MotionDelay = Delay;  // the real waits
    for (bool liste : {false, true}) {
        if (liste) k.Setze({Figur(kIch, 0, 1, 170, 85)});
        const auto t0 = std::chrono::steady_clock::now();
        Motion *m = StartTheMotion(k.v);
        ASSERT_NE(m, nullptr);
        SDL_Delay(100);
        StopTheMotion(m);
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(2500)) << liste;
    }
    LockMotionProcess(nullptr);
    UnLockMotionProcess(nullptr);
}

TEST_P(Umgebungsobjekte, ThreadKeepsOffWhileTheViewScrollsAndFiguresReload)
{
    Karte k(240, 80, 640, 448);
    ASSERT_TRUE(k.ok);
    MotionFrameHook = nullptr;
    MotionDelay = nullptr;
    std::vector<st_MOVE_EXT> figuren;
    for (LONG i = 0; i < 60; ++i) {
        figuren.push_back(Figur(kIch, 0, (UWORD)i, (ULONG)(200 + i * 3 % 90), (ULONG)(60 + i % 40)));
        figuren.push_back(Figur(0, (UWORD)(1000 + i % 14), (UWORD)i, (ULONG)(201 + i * 3 % 90), (ULONG)(60 + i % 40)));
    }
    k.Setze(figuren);
    Motion *m = StartTheMotion(k.v);
    ASSERT_NE(m, nullptr);
    static constexpr LONG kSchritte[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    for (int i = 0; i < 500; ++i) {
        const LONG *d = kSchritte[(i / 25) % 4];
        SetPos(k.v, d[0], d[1]);
        if (i % 5 == 0) {
            MotionSperre sperre(k.v);
            k.Setze(figuren);
        }
    }
    StopTheMotion(m);
    EXPECT_GT(MotionDurchgaenge.load(), 0u);
    EXPECT_EQ(MotionDoppelteSperren.load(), 0u);
}

// The semaphore has no owner: a thread that holds it and asks again would
// wait for ever. The second take is caught (a debug build stops; otherwise
// it is counted and nests), so a path that takes it twice fails its test.
TEST(MotionLock, ASecondTakeByItsHolderIsCaughtNotAWaitForEver)
{
    Motion m;
    m.MotionSemaphore = SDL_CreateSemaphore(1);
    ASSERT_NE(m.MotionSemaphore, nullptr);
    const ULONG vorher = MotionDoppelteSperren.load();
    LockMotionProcess(&m);
    EXPECT_EQ(SDL_SemValue(m.MotionSemaphore), 0u);
    EXPECT_DEBUG_DEATH(LockMotionProcess(&m), "");
#ifdef NDEBUG
    EXPECT_EQ(MotionDoppelteSperren.load(), vorher + 1);
    UnLockMotionProcess(&m);
    EXPECT_EQ(SDL_SemValue(m.MotionSemaphore), 0u) << "still held by the outer take";
    MotionDoppelteSperren = vorher;
#else
    EXPECT_EQ(MotionDoppelteSperren.load(), vorher);
#endif
    UnLockMotionProcess(&m);
    EXPECT_EQ(SDL_SemValue(m.MotionSemaphore), 1u);
    SDL_DestroySemaphore(m.MotionSemaphore);
    m.MotionSemaphore = nullptr;
}

}  // namespace
