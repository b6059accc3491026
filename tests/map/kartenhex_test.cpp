// The marked hex: its outline by pixels, the action menu by pushed mouse
// events, the names given to places, the questions about a hex and its
// neighbours, and a figure removed together with its army.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "common/demoscreen.h"
#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "common/testutil.h"
#include "world/hex.h"
#include "map/kartenscreen.h"
#include "world/mapinfo.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/figures.h"
#include "store/mapnames.h"

using namespace vektest;

namespace {

constexpr ULONG kIch = 7, kFremd = 9;

// A hand-made view: explored own steppe everywhere, the view's top-left hex
// at world (X_Hex, Y_Hex) and window (100, 50).
struct Ansicht {
    VekMapInfo view{};
    std::vector<MapEntry> fenster = std::vector<MapEntry>(FENSTER_BREITE * FENSTER_HOEHE);
    std::vector<UBYTE> figuren;

    Ansicht(LONG xhex, LONG yhex, UWORD spalten, UWORD zeilen)
    {
        view.GreatMapPtr = fenster.data();
        view.IndeX = 100, view.IndeY = 50;
        view.X_Hex = xhex, view.Y_Hex = yhex;
        view.XTiles = spalten, view.YTiles = zeilen;
        for (LONG y = 0; y < FENSTER_HOEHE; ++y)
            for (LONG x = 0; x < FENSTER_BREITE; ++x) {
                MapEntry &e = fenster[y * FENSTER_BREITE + x];
                e.X = (ULONG)(xhex - 100 + x), e.Y = (ULONG)(yhex - 50 + y), e.Art = 12, e.BesitzerID = kIch;
            }
    }
    // The entry of view hex (c, r).
    MapEntry &Hex(LONG c, LONG r) { return fenster[(50 + r) * FENSTER_BREITE + 100 + c]; }
    void Figuren(const std::vector<st_MOVE_EXT> &f)
    {
        figuren.assign(2 + f.size() * sizeof(st_MOVE_EXT), 0);
        const UWORD n = (UWORD)f.size();
        std::memcpy(figuren.data(), &n, 2);
        if (!f.empty()) std::memcpy(figuren.data() + 2, f.data(), f.size() * sizeof(st_MOVE_EXT));
        view.LocalPeopleMemPtr = view.PeopleMemPtr = figuren.data();
        view.PeopleMemSize = (ULONG)figuren.size();
    }
};

// The map screen's one record, borrowed by a test and given back as it was.
class LeihLDKS {
public:
    LeihLDKS() : alt_(*LDKS) {}
    ~LeihLDKS() { *LDKS = alt_; }

private:
    LokaleDatenKartenScreen alt_;
};

// Pixel value of pen p as filled boxes draw it (written at a corner and put back).
ULONG Stiftwert(RastPort *rp, UWORD p)
{
    const ULONG alt = ReadPixel(rp, 0, 0);
    const ULONG stift = GetAPen(rp);
    SetAPen(rp, p);
    WritePixel(rp, 0, 0);
    const ULONG wert = PixelAt(rp->BitMap, 0, 0);
    SetAPen(rp, alt);
    WritePixel(rp, 0, 0);
    SetAPen(rp, stift);
    return wert;
}

// ---- the outline ----

// Above 8 bits the display port draws on the whole display, as the map
// screen sets it; the mouse is not mapped into a 640 x 480 area there.
// The 8-bit screen is 640 x 480 with an 11 x 9 view; above, 1024 x 768 with 22 x 15.
class UmrissBasis : public testing::Test {
protected:
    explicit UmrissBasis(int t) : tiefe(t) {}
    void SetUp() override
    {
        ASSERT_TRUE(screen.Ok());
        SetTestPalette();  // every pen its own colour
        altPort = VekDisplay.RastPort_;
        if (tiefe > 8) VekDisplay.RastPort_ = screen.ViewRastPort();
        rp = DisplayRastPort();
        LDKS->VekMapInfoPtr = &welt.view;
        LDKS->X_Pos = 2, LDKS->Y_Pos = 2;
        // Lines take their pixel value from the pixel format, not the palette.
        SetAPen(rp, 105);
        Move(rp, 0, 0);
        Draw(rp, 0, 0);
        stift = PixelAt(rp->BitMap, 0, 0);
    }
    void TearDown() override { VekDisplay.RastPort_ = altPort; }
    // What one call draws in pen 105 on a blank display.
    Rect Zeichne(LONG x, LONG y)
    {
        FillBitMap(rp->BitMap, 0);
        SetAPen(rp, 105);
        SetColorHex(x, y);
        return CountOther(rp->BitMap, 0) ? BoundsOf(rp->BitMap, stift) : Rect{0, 0, 0, 0};
    }
    bool An(LONG x, LONG y) { return PixelAt(rp->BitMap, x, y) == stift; }
    const int tiefe;
    SdlScreen screen{tiefe, tiefe > 8 ? 1024 : 0, tiefe > 8 ? 768 : 0};
    LeihLDKS leih;
    Ansicht welt{2000, 1000, (UWORD)(tiefe > 8 ? 22 : 11), (UWORD)(tiefe > 8 ? 15 : 9)};
    RastPort *rp = nullptr, *altPort = nullptr;
    ULONG stift = 0;
};

class Umriss : public UmrissBasis, public testing::WithParamInterface<int> {
protected:
    Umriss() : UmrissBasis(GetParam()) {}
};
class Umriss8 : public UmrissBasis {
protected:
    Umriss8() : UmrissBasis(8) {}
};
class Umriss32 : public UmrissBasis {
protected:
    Umriss32() : UmrissBasis(32) {}
};

TEST_P(Umriss, AnInnerHexHasItsNineCorners)
{
    const bool hoch = GetParam() > 8;
    struct Fall {
        LONG x, y;
        LONG x0, y0;  // the left corner the outline starts from
    } faelle[] = {
        {4, 3, hoch ? 176 : 192, hoch ? 166 : 182},
        {5, 3, hoch ? 224 : 240, hoch ? 194 : 210},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(testing::Message() << "hex " << f.x << ", " << f.y);
        EXPECT_EQ(Zeichne(f.x, f.y), (Rect{f.x0, f.y0 - 27, 65, 57}));
        const LONG ecken[10][2] = {{0, 0},   {16, -27}, {48, -27}, {64, 0},  {64, 1},
                                   {48, 28}, {48, 29},  {16, 29},  {16, 28}, {0, 1}};
        for (const auto &e : ecken) EXPECT_TRUE(An(f.x0 + e[0], f.y0 + e[1])) << e[0] << ", " << e[1];
    }
}

TEST_P(Umriss, NothingWhileTheCursorIsOutsideTheView)
{
    LDKS->X_Pos = (WORD)welt.view.XTiles;
    EXPECT_EQ(Zeichne(4, 3), (Rect{0, 0, 0, 0}));
    LDKS->X_Pos = 2, LDKS->Y_Pos = -1;
    EXPECT_EQ(Zeichne(4, 3), (Rect{0, 0, 0, 0}));
}

TEST_F(Umriss32, OnlyInsideTheWindowsBounds)
{
    const LONG x = welt.view.XTiles, y = welt.view.YTiles;
    for (auto [c, r] : {std::pair<LONG, LONG>{0, 3}, {4, 0}, {x, 3}, {4, y - 5}, {-1, 3}, {4, -40}})
        EXPECT_EQ(Zeichne(c, r), (Rect{0, 0, 0, 0})) << c << ", " << r;
    EXPECT_NE(Zeichne(x - 1, y - 6), (Rect{0, 0, 0, 0}));
}

TEST_F(Umriss8, EdgesAreCutAtTheWindowFrame)
{
    struct Fall {
        const char *name;
        LONG x, y;
        Rect soll;
    } faelle[] = {
        {"top left", 0, 0, {16, 16, 48, 28}},
        {"top, odd column", 3, 0, {144, 16, 65, 56}},
        {"top right", 10, 0, {481, 16, 15, 26}},
        {"top, even column", 4, 0, {193, 16, 63, 28}},
        {"bottom left", 0, 8, {16, 435, 49, 29}},
        {"left", 0, 3, {16, 155, 49, 57}},
        {"bottom right", 10, 8, {480, 436, 16, 28}},
        {"right", 10, 3, {480, 156, 16, 54}},
        {"bottom, even column", 4, 8, {192, 435, 65, 29}},
        // The odd hex shows only its top edge, over its own columns.
        {"bottom, odd column", 5, 8, {256, 463, 33, 1}},
        {"outside the window", 11, 3, {0, 0, 0, 0}},
        {"below the window", 4, 9, {0, 0, 0, 0}},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        const Rect r = Zeichne(f.x, f.y);
        EXPECT_EQ(r, f.soll) << r.x << ", " << r.y << ", " << r.w << ", " << r.h;
        if (!r.w) continue;
        EXPECT_GE(r.x, 16);
        EXPECT_GE(r.y, 16);
        EXPECT_LE(r.x + r.w, 496);
        EXPECT_LE(r.y + r.h, 464);
    }
}

INSTANTIATE_TEST_SUITE_P(Tiefen, Umriss, ::testing::Values(8, 32));

// ---- the screen's dialogs on the demo set ----

class Hexmenue : public DemoScreenTest {
protected:
    void SetUp() override
    {
        DemoScreenTest::SetUp();
        altPort = VekDisplay.RastPort_;
        altSchirm = VekDisplay.VekScreen;
        altSpieler = PlayerInfo.SpielerID;
        PlayerInfo.SpielerID = kIch;
        if (GetParam() > 8) {
            VekDisplay.RastPort_ = screen_->ViewRastPort();
            VekDisplay.VekScreen = 3;
        }
        st.VekMapInfoPtr = &welt.view;
        st.X_Pos = 4, st.Y_Pos = 3;
        st.OldX_Pos = st.OldY_Pos = -1;
    }
    void TearDown() override
    {
        VekDisplay.RastPort_ = altPort;
        VekDisplay.VekScreen = altSchirm;
        PlayerInfo.SpielerID = altSpieler;
        DeleteList(st.OtherMapNamesList, LIST_FREE_OWNED);
        DemoScreenTest::TearDown();
    }
    // The menu's top left for the cursor hex.
    std::pair<LONG, LONG> Ecke() const
    {
        const bool hoch = GetParam() > 8;
        return {st.X_Pos * 48 + (hoch ? 16 : 32), st.Y_Pos * 56 + (hoch ? 0 : 16) + (st.X_Pos & 1 ? 28 : 0)};
    }
    std::vector<ULONG> Anzeige()
    {
        BitMap *b = DisplayRastPort()->BitMap;
        std::vector<ULONG> p;
        for (LONG y = 0; y < 480; ++y)
            for (LONG x = 0; x < 640; ++x) p.push_back(PixelAt(b, x, y));
        return p;
    }
    // The cursor on world hex (28, 14).
    void AufDemInfoHex()
    {
        welt.view.X_Hex = 24, welt.view.Y_Hex = 11;
        st.X_Pos = 4, st.Y_Pos = 3;
    }
    Ansicht welt{2000, 1000, (UWORD)(GetParam() > 8 ? 17 : 11), (UWORD)(GetParam() > 8 ? 11 : 9)};
    LokaleDatenKartenScreen st{};
    RastPort *altPort = nullptr;
    ULONG altSchirm = 0, altSpieler = 0;
};

TEST_P(Hexmenue, NoMenuInTheViewsLastColumnOrRow)
{
    for (auto [c, r] : {std::pair<LONG, LONG>{welt.view.XTiles - 1, 3}, {4, welt.view.YTiles - 1}, {-1, 3}}) {
        st.X_Pos = (WORD)c, st.Y_Pos = (WORD)r;
        EXPECT_EQ(AktionsMenu(&st), -1) << c << ", " << r;
    }
}

TEST_P(Hexmenue, EntriesByOwnerAndPlaceAReleaseChooses)
{
    struct Fall {
        const char *name;
        bool eigen, infoHex;
        int zeile;  // released over this row; -1 off the menu
        int soll;
    } faelle[] = {
        {"own: name", true, false, 0, 0},
        {"own: cultivation", true, false, 1, 1},
        {"own: no third row", true, false, 2, -1},
        {"foreign: no cultivation", false, false, 1, -1},
        {"own info hex: information", true, true, 2, 2},
        {"own info hex: cultivation", true, true, 1, 1},
        {"foreign info hex: information", false, true, 1, 2},
        {"foreign info hex: no third row", false, true, 2, -1},
        {"off the menu", true, false, -1, -1},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        welt.view.X_Hex = 2000, welt.view.Y_Hex = 1000;
        st.X_Pos = 5, st.Y_Pos = 2;
        if (f.infoHex) AufDemInfoHex();
        welt.Hex(st.X_Pos, st.Y_Pos).BesitzerID = f.eigen ? kIch : kFremd;
        const std::vector<ULONG> vorher = Anzeige();
        auto [x, y] = Ecke();
        const LONG zy = f.zeile < 0 ? y - 5 : y + 12 * f.zeile + 6;
        PushMoveTo(x + 40, zy);
        PushRelease(x + 40, zy);
        EXPECT_EQ(AktionsMenu(&st), f.soll);
        EXPECT_TRUE(Anzeige() == vorher) << "the background is put back";
    }
}

TEST_P(Hexmenue, EscapeChoosesNothing)
{
    auto [x, y] = Ecke();
    PushMoveTo(x + 40, y + 6);
    PushEscape();
    EXPECT_EQ(AktionsMenu(&st), -1);
}

// The highlight follows the mouse: the row under it in pen 96, the row it
// left in 98. Seen at each rectangle the menu presents.
std::vector<std::pair<ULONG, ULONG>> *gesehen = nullptr;
BitMap *beobachtet = nullptr;
LONG ecke0x = 0, ecke0y = 0;

TEST_P(Hexmenue, MotionLightsTheRowUnderTheMouse)
{
    auto [x, y] = Ecke();
    std::vector<std::pair<ULONG, ULONG>> zeilen;
    gesehen = &zeilen;
    beobachtet = DisplayRastPort()->BitMap;
    ecke0x = x + 2, ecke0y = y + 2;
    const ULONG hell = Stiftwert(DisplayRastPort(), 96), normal = Stiftwert(DisplayRastPort(), 98);
    UpdateRectangleRecorder = [](LONG, LONG, LONG, LONG) {
        gesehen->push_back({PixelAt(beobachtet, ecke0x, ecke0y), PixelAt(beobachtet, ecke0x, ecke0y + 12)});
    };
    PushMoveTo(x + 40, y + 6);
    PushMoveTo(x + 40, y + 18);
    PushMoveTo(x + 40, y + 40);
    PushEscape();
    EXPECT_EQ(AktionsMenu(&st), -1);
    UpdateRectangleRecorder = nullptr;
    // Row 0 lit; then row 0 back to 98 and row 1 lit; then row 1 back to 98.
    size_t i = 0;
    auto Bis = [&](auto passt) {
        while (i < zeilen.size() && !passt(zeilen[i])) ++i;
        return i < zeilen.size();
    };
    using Z = std::pair<ULONG, ULONG>;
    EXPECT_TRUE(Bis([&](Z z) { return z.first == hell; })) << "row 0 lit";
    EXPECT_TRUE(Bis([&](Z z) { return z.first == normal && z.second == hell; })) << "row 1 lit, row 0 back";
    EXPECT_TRUE(Bis([&](Z z) { return z.first == normal && z.second == normal; })) << "both back";
}

// ---- names ----

struct Ort {
    UWORD x, y;
    std::string name;
    bool operator==(const Ort &o) const { return x == o.x && y == o.y && name == o.name; }
};

ListHeader *NamenListe(const std::vector<Ort> &orte)
{
    ListHeader *l = CreateList(LISTE_MAPNAMES);
    for (const Ort &o : orte) {
        ListNode *n = (ListNode *)AllocVec(l->TypSize, MEMF_CLEAR);
        auto *t = (st_TOWN_EXT *)NodeData(n);
        t->XPos = o.x, t->YPos = o.y;
        std::snprintf(t->Name, sizeof t->Name, "%s", o.name.c_str());
        InsertNode(l, n, LIST_LAST, 0);
    }
    return l;
}

std::vector<Ort> Orte(ListHeader *l)
{
    std::vector<Ort> v;
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; n && i < l->Elemente; ++i, n = n->Next) {
        const auto *t = (const st_TOWN_EXT *)NodeData(n);
        v.push_back({t->XPos, t->YPos, std::string(t->Name, strnlen(t->Name, sizeof t->Name))});
    }
    return v;
}

void Tippe(const std::string &text)
{
    PushText(text);
    PushKey(SDLK_RETURN, 13);
}

TEST_P(Hexmenue, NamesAreAddedReplacedInPlaceAndRemoved)
{
    // The cursor hex (4, 3) lies at world (2004, 1003).
    const Ort a{10, 20, "Anfang"}, b{2004, 1003, "Alt"}, c{30, 40, "Ende"};
    struct Fall {
        const char *name;
        std::vector<Ort> vorher;
        std::string eingabe;  // empty: Escape
        bool bestaetigt;      // Return on the (possibly empty) text
        std::vector<Ort> soll;
    } faelle[] = {
        {"a new name replaces the old in place", {a, b, c}, "Neu", true, {a, {2004, 1003, "Neu"}, c}},
        {"cancelling removes the name", {a, b, c}, "", false, {a, c}},
        {"an empty name removes it too", {a, b, c}, "", true, {a, c}},
        {"cancelling on an unnamed hex changes nothing", {a, c}, "", false, {a, c}},
        {"a name for an unnamed hex goes to the end", {a, c}, "Furt", true, {a, c, {2004, 1003, "Furt"}}},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        DeleteList(st.OtherMapNamesList, LIST_FREE_OWNED);
        st.OtherMapNamesList = NamenListe(f.vorher);
        if (f.bestaetigt)
            Tippe(f.eingabe);
        else
            PushEscape();
        EXPECT_EQ(EnterMapNames(&st), 1);
        EXPECT_EQ(Orte(st.OtherMapNamesList), f.soll);
    }
}

TEST_P(Hexmenue, ALongAnswerIsStoredToSeventyNineCharacters)
{
    st.OtherMapNamesList = NamenListe({});
    // Characters the demo fonts have no glyph for take no room, so the box
    // takes all 255 of them.
    const std::string lang(255, '\x82');
    {
        ScriptFeeder feeder;
        Tippe(lang);
        feeder.Start();
        EXPECT_EQ(EnterMapNames(&st), 1);
    }
    const std::vector<Ort> orte = Orte(st.OtherMapNamesList);
    ASSERT_EQ(orte.size(), 1u);
    EXPECT_EQ(orte[0].name, lang.substr(0, 79));
}

TEST_P(Hexmenue, AnOwnTownIsNotNamedAForeignOneIs)
{
    st.OtherMapNamesList = NamenListe({});
    welt.Hex(4, 3).Art = 1;  // a town graphic
    EXPECT_EQ(EnterMapNames(&st), 1);
    EXPECT_TRUE(Orte(st.OtherMapNamesList).empty());
    welt.Hex(4, 3).BesitzerID = kFremd;
    Tippe("Feindburg");
    EXPECT_EQ(EnterMapNames(&st), 1);
    EXPECT_EQ(Orte(st.OtherMapNamesList), (std::vector<Ort>{{2004, 1003, "Feindburg"}}));
}

INSTANTIATE_TEST_SUITE_P(Tiefen, Hexmenue, ::testing::Values(8, 32));

// ---- questions about hexes ----

class Hexfragen : public testing::Test {
protected:
    void SetUp() override
    {
        altSpieler = PlayerInfo.SpielerID;
        PlayerInfo.SpielerID = kIch;
        st.VekMapInfoPtr = &welt.view;
        st.X_Pos = 4, st.Y_Pos = 3;
    }
    void TearDown() override { PlayerInfo.SpielerID = altSpieler; }
    ScratchDir dir;
    Ansicht welt{2000, 1000, 11, 9};
    LokaleDatenKartenScreen st{};
    ULONG altSpieler = 0;
};

TEST_F(Hexfragen, CheckLandByArtSearchAndOwner)
{
    struct Fall {
        UWORD art;
        LONG search, own;
        ULONG besitzer;
        ULONG soll;
    } faelle[] = {
        {23, 0, 0, kIch, 0},      // water counts as nothing
        {36, 99, 0, kIch, 1},     // a ruin
        {12, 99, 0, kIch, 0},
        {10, 3, 0, kIch, 10},     // hills of class 3
        {10, 5, 0, kIch, 0},
        {11, 0, 0, kIch, 0},      // graphic 11 counts as nothing
        {1616, 0, 0, kIch, 0},
        {1, 11, 1, kIch, 1},      // an own town
        {1, 11, 1, kFremd, 0},    // a foreign one
        {12, 0, 1, kFremd, 0},
        {12, 0, 0, kFremd, 12},
    };
    for (const Fall &f : faelle) {
        welt.Hex(4, 3).Art = f.art;
        welt.Hex(4, 3).BesitzerID = f.besitzer;
        EXPECT_EQ(CheckLand(&st, 104, 53, f.search, f.own), f.soll)
            << "Art " << f.art << " search " << f.search << " own " << f.own << " owner " << f.besitzer;
    }
    // A cursor outside the view answers nothing.
    st.X_Pos = 11;
    EXPECT_EQ(CheckLand(&st, 104, 53, 0, 0), 0u);
}

TEST_F(Hexfragen, NeighboursByClassAndTheOwnerAskedFor)
{
    // Even column 4: the SE neighbour is (5, 3); odd column 5: (6, 4).
    for (auto [c, r, nc, nr] : {std::tuple<LONG, LONG, LONG, LONG>{4, 3, 5, 3}, {5, 3, 6, 4}}) {
        SCOPED_TRACE(testing::Message() << "column " << c);
        Ansicht w{2000, 1000, 11, 9};
        st.VekMapInfoPtr = &w.view;
        st.X_Pos = (WORD)c, st.Y_Pos = (WORD)r;
        EXPECT_EQ(CheckHexAndPlaySfx(&st, GK_WASSER, -1), 0);
        EXPECT_EQ(CheckHexAndPlaySfx(&st, GK_STEPPE, -1), 1);
        EXPECT_EQ(CheckHexAndPlaySfx(&st, 0, -1), 1);
        w.Hex(nc, nr).Art = 23;
        EXPECT_EQ(CheckHexAndPlaySfx(&st, GK_WASSER, -1), 1);
        w.Hex(c, r).Art = 23;  // the marked hex itself is no neighbour
        w.Hex(nc, nr).Art = 12;
        EXPECT_EQ(CheckHexAndPlaySfx(&st, GK_WASSER, -1), 0);

        st_MOVE_EXT tier{};
        tier.SpielerID = (ULONG)-2;
        tier.X_Pos = (ULONG)(2000 + nc), tier.Y_Pos = (ULONG)(1000 + nr);
        w.Figuren({tier});
        EXPECT_EQ(CheckHexAndPlaySfx(&st, 0, -2), 1);
        EXPECT_EQ(CheckHexAndPlaySfx(&st, GK_STEPPE, -2), 1);
        EXPECT_EQ(CheckHexAndPlaySfx(&st, GK_WASSER, -2), 0);
        EXPECT_EQ(CheckHexAndPlaySfx(&st, 0, -9), 0);
        EXPECT_EQ(PlayerInfo.SpielerID, kIch) << "the player's ID is left alone";
        st.X_Pos = 11;
        EXPECT_EQ(CheckHexAndPlaySfx(&st, 0, -2), 0) << "cursor outside the view";
    }
    st.VekMapInfoPtr = &welt.view;
}

// ---- a figure removed with its army ----

// ./Data/MapPrefs.vek with three figures on world hex (2004, 1003): the
// player's army figure 5 (kind 3), the player's scout 2, and a foreign army
// figure 5. Written by hand from the file's layout (big-endian).
const UBYTE kPrefsVorher[] = {
    'M', 'R', 'E', 'F', 'V', '0', '0', '1', 0, 0, 0, 16, 0, 0, 0x32, 0, 0, 0, 0x19, 0, 0, 0, 0x10, 0x92, 0, 0, 0x08, 0x49,
    'M', 'O', 'V', 'E', 'V', '0', '0', '1', 0, 0, 0, 56, 0, 3,
    0, 0, 0, 7, 0, 3, 0, 5, 0, 0, 0x07, 0xD4, 0, 0, 0x03, 0xEB, 0, 0,
    0, 0, 0, 7, 0, 0, 0, 2, 0, 0, 0x07, 0xD4, 0, 0, 0x03, 0xEB, 0, 0,
    0, 0, 0, 9, 0, 3, 0, 5, 0, 0, 0x07, 0xD4, 0, 0, 0x03, 0xEB, 0, 0,
};
static_assert(sizeof kPrefsVorher == 28 + 14 + 3 * 18);
// The same after the player's army figure left.
const UBYTE kPrefsNachher[] = {
    'M', 'R', 'E', 'F', 'V', '0', '0', '1', 0, 0, 0, 16, 0, 0, 0x32, 0, 0, 0, 0x19, 0, 0, 0, 0x10, 0x92, 0, 0, 0x08, 0x49,
    'M', 'O', 'V', 'E', 'V', '0', '0', '1', 0, 0, 0, 38, 0, 2,
    0, 0, 0, 7, 0, 0, 0, 2, 0, 0, 0x07, 0xD4, 0, 0, 0x03, 0xEB, 0, 0,
    0, 0, 0, 9, 0, 3, 0, 5, 0, 0, 0x07, 0xD4, 0, 0, 0x03, 0xEB, 0, 0,
};
static_assert(sizeof kPrefsNachher == 28 + 14 + 2 * 18);

ListHeader *ArmeeListe(const std::vector<std::tuple<ULONG, ULONG, ULONG>> &armeen)
{
    ListHeader *l = CreateList(LISTE_ARMEEN);
    for (auto [id, x, y] : armeen) {
        auto *a = (ArmeeList *)AllocVec(l->TypSize, MEMF_CLEAR);
        a->Army.ArmeeID = id, a->Army.PosX = x, a->Army.PosY = y, a->Army.ArmeeTypAnzahl = 1;
        ListHeader *teile = CreateList(LISTE_ARMEETEILE);
        InsertNode(teile, (ListNode *)AllocVec(teile->TypSize, MEMF_CLEAR), LIST_LAST, 0);
        a->ArmyListEntryHeader = teile;
        InsertNode(l, (ListNode *)a, LIST_LAST, 0);
    }
    return l;
}

std::vector<ULONG> ArmeeIDs(ListHeader *l)
{
    std::vector<ULONG> v;
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; n && i < l->Elemente; ++i, n = n->Next) v.push_back(((ArmeeList *)n)->Army.ArmeeID);
    return v;
}

TEST_F(Hexfragen, AFigureLeavesWithItsArmy)
{
    struct Fall {
        const char *name;
        std::vector<std::tuple<ULONG, ULONG, ULONG>> armeen;
        int soll;
        std::vector<ULONG> bleiben;
        std::string meldung;
    } faelle[] = {
        {"its army goes",
         {{4, 2004, 1003}, {5, 2004, 1004}, {5, 2004, 1003}, {6, 2004, 1003}},
         1,
         {4, 5, 6},
         "Armee mit ArmeeID 5 mit X 2004 & Y 1003 wird gel\366scht"},
        {"no army: reported, the figure goes all the same", {{4, 2004, 1003}}, 0, {4}, "Fataler Fehler"},
        {"an empty list", {}, 0, {}, "Fataler Fehler"},
    };
    MakeDirs("Data");
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        WriteBytes(MAPPREFS_FILE, Bytes(std::begin(kPrefsVorher), std::end(kPrefsVorher)));
        st.ArmeeListe = ArmeeListe(f.armeen);
        st_MOVE_EXT figur{kIch, 3, 5, 2004, 1003, 0, 0};
        StdoutCapture out;
        EXPECT_EQ(RemoveFigurAndArmy(&st, &figur), f.soll);
        EXPECT_NE(out.Take().find(f.meldung), std::string::npos);
        EXPECT_EQ(ArmeeIDs(st.ArmeeListe), f.bleiben);
        EXPECT_EQ(ReadBytes(MAPPREFS_FILE), Bytes(std::begin(kPrefsNachher), std::end(kPrefsNachher)));
        DeleteArmyList(st.ArmeeListe);
        st.ArmeeListe = nullptr;
    }
}

TEST_F(Hexfragen, AFigureWithoutArmyLeavesOnlyTheFile)
{
    MakeDirs("Data");
    WriteBytes(MAPPREFS_FILE, Bytes(std::begin(kPrefsVorher), std::end(kPrefsVorher)));
    st.ArmeeListe = ArmeeListe({{2, 2004, 1003}});
    st_MOVE_EXT spaeher{kIch, 0, 2, 2004, 1003, 0, 0};
    EXPECT_EQ(RemoveFigurAndArmy(&st, &spaeher), 1);
    EXPECT_EQ(ArmeeIDs(st.ArmeeListe), std::vector<ULONG>{2}) << "a scout has no army";
    const Bytes danach = ReadBytes(MAPPREFS_FILE);
    ASSERT_EQ(danach.size(), sizeof kPrefsNachher);
    EXPECT_EQ(danach[41], 2) << "two figures left";
    EXPECT_EQ(danach[47], 3) << "the player's army figure stays";
    EXPECT_EQ(RemoveFigurAndArmy(&st, nullptr), 1);
    EXPECT_EQ(ReadBytes(MAPPREFS_FILE), danach);
    DeleteArmyList(st.ArmeeListe);
}

}  // namespace
