// The map info box: its texts for the marked hex and for the selected figure
// with the catalog's built-in English texts, the panel round it above 8 bits,
// where its box and slider go, and texts too long for it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/sdlharness.h"
#include "common/testutil.h"
#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/printing.h"
#include "kartenwelt.h"
#include "map/infobox.h"
#include "map/kartenscreen.h"
#include "map/mapview.h"
#include "platform/catalog.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/chunks.h"
#include "store/lists.h"
#include "store/mapnames.h"
#include "ui/requester.h"
#include "ui/screendat.h"

using namespace vektest;

namespace {

constexpr ULONG kIch = kartentest::kIch, kNachbar = 8;
constexpr UWORD kSteppe = 12;  // a grassland graphic

// A hand-made view at world (2000, 1000) in the middle of its window, all of
// it explored own grassland, on the demo set's fonts and map descriptions.
class InfoBoxWelt : public testing::Test {
protected:
    explicit InfoBoxWelt(int tiefe)
        : tiefe_(tiefe), welt(tiefe, tiefe == 8 ? 640 : 1024, tiefe == 8 ? 480 : 768)
    {
    }
    void SetUp() override
    {
        ASSERT_TRUE(welt.Ok());
        // Above 8 bits the map screen draws on the whole display, not on the
        // 640 x 480 work surface.
        altPort = VekDisplay.RastPort_;
        if (!Acht()) VekDisplay.RastPort_ = welt.Screen().ViewRastPort();
        std::memcpy(altName, PlayerInfo.Spielname, sizeof altName);
        std::snprintf(PlayerInfo.Spielname, sizeof PlayerInfo.Spielname, "Testreich");
        view.GreatMapPtr = (MapEntry *)AllocVec(sizeof(MapEntry) * FENSTER_BREITE * FENSTER_HOEHE, MEMF_CLEAR);
        view.GreatBMapPtr = (UBYTE *)AllocVec(FENSTER_BMAP_BYTES, MEMF_CLEAR);
        std::memset(view.GreatBMapPtr, 0xFF, FENSTER_BMAP_BYTES);
        view.BMapPtr = view.GreatBMapPtr;
        view.IndeX = 100, view.IndeY = 50;
        view.X_Hex = 2000, view.Y_Hex = 1000;
        view.XTiles = Acht() ? 11 : 22, view.YTiles = Acht() ? 9 : 15;
        for (LONG y = 0; y < FENSTER_HOEHE; ++y)
            for (LONG x = 0; x < FENSTER_BREITE; ++x) {
                MapEntry &e = view.GreatMapPtr[y * FENSTER_BREITE + x];
                e.X = (ULONG)(1900 + x), e.Y = (ULONG)(950 + y), e.Art = kSteppe, e.BesitzerID = kIch;
            }
        Figuren({});
        st.VekMapInfoPtr = &view;
        st.VekFont1Ptr = OpenDiskFont("Fonts/XHelvetica11.fnt");
        ASSERT_NE(st.VekFont1Ptr, nullptr);
        st.ScreenRegion = GetScreenRegion(Acht() ? "./Data/screendat/Karte.dat" : "./Data/screendat/Karte1024.dat", 518);
        ASSERT_NE(st.ScreenRegion, nullptr);
        st.X_Pos = 4, st.Y_Pos = 3;
        st.Gottheit = 1;
        Spieler({{kNachbar, "Nachbar"}});
    }
    void TearDown() override
    {
        ClearRequester(st.VekRequester);
        if (st.ScreenRegion) ClearScreenRegion(st.ScreenRegion);
        CloseFont(st.VekFont1Ptr);
        if (st.ShipAddOnListPtr) DeleteList(st.ShipAddOnListPtr, LIST_FREE_OWNED);
        FreeVec(view.GreatMapPtr);
        FreeVec(view.GreatBMapPtr);
        FreeVec(view.PeopleMemPtr);
        FreeVec(view.LocalPeopleMemPtr);
        std::memcpy(PlayerInfo.Spielname, altName, sizeof altName);
        VekDisplay.RastPort_ = altPort;
    }
    bool Acht() const { return tiefe_ == 8; }
    MapEntry &Hex(LONG c, LONG r) { return view.GreatMapPtr[(50 + r) * FENSTER_BREITE + 100 + c]; }
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
            if (!f.empty()) std::memcpy(b + 2, f.data(), f.size() * sizeof(st_MOVE_EXT));
        }
    }
    st_MOVE_EXT *Figur(ULONG i) { return FigurImBlock(view.LocalPeopleMemPtr, i); }
    static st_MOVE_EXT Neu(ULONG spieler, UWORD art, UWORD nummer, LONG c, LONG r)
    {
        st_MOVE_EXT f{};
        f.SpielerID = spieler, f.FigurArt = art, f.FigurNummer = nummer;
        f.X_Pos = (ULONG)(2000 + c), f.Y_Pos = (ULONG)(1000 + r);
        return f;
    }
    // The player list as the screen keeps it loaded.
    void Spieler(const std::vector<std::pair<ULONG, std::string>> &namen)
    {
        liste.assign(sizeof(st_ANTW) + namen.size() * sizeof(st_ANTW_EXT_1), 0);
        st_ANTW kopf{};
        kopf.Head = {ID_ANTW, VERSION_V001, (ULONG)(liste.size() - sizeof(st_ChunkHead))};
        kopf.Antwort = {1, (ULONG)namen.size(), (ULONG)(namen.size() * sizeof(st_ANTW_EXT_1))};
        std::memcpy(liste.data(), &kopf, sizeof kopf);
        for (size_t i = 0; i < namen.size(); ++i) {
            st_ANTW_EXT_1 e{};
            e.SpielerID = namen[i].first;
            std::memcpy(e.SpielName, namen[i].second.data(), std::min(namen[i].second.size(), sizeof e.SpielName));
            std::memcpy(liste.data() + sizeof(st_ANTW) + i * sizeof e, &e, sizeof e);
        }
        st.SpielerChunkPtr = (st_ANTW *)liste.data();
    }
    void SchiffsName(UWORD id, const char *name, size_t laenge)
    {
        if (!st.ShipAddOnListPtr) st.ShipAddOnListPtr = CreateList(LISTE_SHIPADDON);
        ListNode *n = (ListNode *)AllocVec(st.ShipAddOnListPtr->TypSize, MEMF_CLEAR);
        ShipAddOn *s = (ShipAddOn *)NodeData(n);
        std::memcpy(s->Name, name, laenge);
        s->SchiffsID = id;
        InsertNode(st.ShipAddOnListPtr, n, LIST_LAST, 0);
    }
    // Builds the box and gives what it shows.
    std::string Text()
    {
        EXPECT_EQ(UpdateInfoBox(&st), 1);
        if (!st.VekRequester) return "(no box)";
        return st.VekRequester->ReqTextBuffer;
    }
    InfoInhalt Inhalt()
    {
        InfoInhalt i;
        BaueInfoInhalt(&st, !Acht(), &i);
        return i;
    }
    int tiefe_;
    kartentest::Umgebung welt;
    char altName[sizeof PlayerInfo.Spielname];
    RastPort *altPort = nullptr;
    VekMapInfo view{};
    LokaleDatenKartenScreen st{};
    std::vector<UBYTE> liste;
};

// Cases alike at both depths, and those of one depth's layout.
class InfoBox : public InfoBoxWelt, public testing::WithParamInterface<int> {
protected:
    InfoBox() : InfoBoxWelt(GetParam()) {}
};
class InfoBoxHoch : public InfoBoxWelt {
protected:
    InfoBoxHoch() : InfoBoxWelt(32) {}
};
class InfoBoxAcht : public InfoBoxWelt {
protected:
    InfoBoxAcht() : InfoBoxWelt(8) {}
};

INSTANTIATE_TEST_SUITE_P(Tiefen, InfoBox, testing::Values(8, 32),
                         [](const testing::TestParamInfo<int> &i) { return std::to_string(i.param) + "bit"; });

TEST_P(InfoBox, OwnHexShowsItsLevelsWithTheGodsBonus)
{
    MapEntry &e = Hex(4, 3);
    e.THQ = 3, e.PHQ = 1, e.MHQ = 2;
    struct Fall {
        UWORD gott;
        const char *tier, *pflanze, *mineral;
    } faelle[] = {{9, "3 (+1)", "1", "2"}, {8, "3", "1 (+1)", "2"}, {10, "3", "1", "2 (+1)"}, {1, "3", "1", "2"}};
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.gott);
        st.Gottheit = f.gott;
        const std::string text = Text();
        if (Acht()) {
            EXPECT_EQ(text, std::string("X-position : 2004\nY-position : 1003\n\nOwner : Testreich\n\n") +
                                "Animal resources : " + f.tier + "\nPlant resources : " + f.pflanze +
                                "\nMineral resources : " + f.mineral + "\n\n");
            continue;
        }
        EXPECT_EQ(text, "X-position : 2004\nY-position : 1003\n\n");
        const InfoInhalt i = Inhalt();
        EXPECT_STREQ(i.Status, "grassland Owner Testreich");
        EXPECT_STREQ(i.Stufe[0], f.tier);
        EXPECT_STREQ(i.Stufe[1], f.pflanze);
        EXPECT_STREQ(i.Stufe[2], f.mineral);
        EXPECT_EQ(i.Gelaende, KartenElemente[kSteppe][0]);
    }
}

TEST_F(InfoBoxHoch, PanelShowsTheLevelInItsBox)
{
    Hex(4, 3).THQ = 3;
    st.Gottheit = 9;
    ASSERT_EQ(UpdateInfoBox(&st), 1);
    const LONG w = 1024, h = 768;
    BitMap *schirm = VekDisplay.RastPort_->BitMap;
    auto Feld = [&] {
        std::vector<ULONG> p;
        for (LONG y = h - 102; y <= h - 86; ++y)
            for (LONG x = w - 594; x <= w - 546; ++x) p.push_back(PixelAt(schirm, x, y));
        return p;
    };
    const std::vector<ULONG> gezeigt = Feld();
    // The same box printed again with the text it should hold, and with another.
    RastPort *rp = VekDisplay.RastPort_;
    SetFont(rp, st.VekFont1Ptr);
    PrintText(rp, w - 594, h - 102, w - 546, h - 86, "3", 6, 78, 45);
    EXPECT_NE(Feld(), gezeigt);
    PrintText(rp, w - 594, h - 102, w - 546, h - 86, "3 (+1)", 6, 78, 45);
    EXPECT_EQ(Feld(), gezeigt);
}

TEST_P(InfoBox, ForeignHexShowsTheOwnerAndThreeZeroLevels)
{
    struct Fall {
        ULONG besitzer;
        const char *zeile, *status;
    } faelle[] = {
        {kNachbar, "Owner : Nachbar\n\n", "grassland Owner Player Nachbar"},
        {NIEMAND, "Owner : not occupied\n\n", "grassland not occupied"},
        {(ULONG)-3, "Owner : ", nullptr},  // a computer race: its name, whatever it is
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.besitzer);
        MapEntry &e = Hex(4, 3);
        e.BesitzerID = f.besitzer;
        e.THQ = e.PHQ = e.MHQ = 4;
        st.Gottheit = 9;
        const std::string text = Text();
        if (Acht()) {
            const std::string kopf = std::string("X-position : 2004\nY-position : 1003\n\n") + f.zeile;
            ASSERT_EQ(text.substr(0, kopf.size()), kopf);
            EXPECT_NE(text.find("\n\nAnimal resources : 0\nPlant resources : 0\nMineral resources : 0\n\n"),
                      std::string::npos);
            EXPECT_EQ(text.find("(+1)"), std::string::npos);
            continue;
        }
        const InfoInhalt i = Inhalt();
        if (f.status) {
            EXPECT_STREQ(i.Status, f.status);
        }
        for (int k = 0; k < 3; ++k) EXPECT_STREQ(i.Stufe[k], "0");
    }
}

TEST_P(InfoBox, UnexploredHexIsUnknownTerritory)
{
    view.GreatBMapPtr[(50 + 3) * FENSTER_BMAP_ZEILE + (100 + 4) / 8] &= (UBYTE) ~(1u << ((100 + 4) % 8));
    Figuren({Neu(kIch, 0, 1, 4, 3)});
    if (Acht()) {
        EXPECT_EQ(Text(), "unknown territory\n");
        return;
    }
    EXPECT_EQ(Text(), "X-position : 2004\nY-position : 1003\n\n");
    const InfoInhalt i = Inhalt();
    EXPECT_STREQ(i.Status, "unknown territory");
    for (int k = 0; k < 3; ++k) EXPECT_STREQ(i.Stufe[k], "0");
    EXPECT_EQ(i.Gelaende, 0);
}

TEST_P(InfoBox, AFigureShowsOnlyWhereTheRealmSees)
{
    Hex(4, 3).Spezial = SPEZIAL_DUNGEON;
    const std::string kopf = Acht() ? "X-position : 2004\nY-position : 1003\n\ndungeon\nOwner : Testreich\n\n"
                                      "Animal resources : 0\nPlant resources : 0\nMineral resources : 0\n\n"
                                    : "X-position : 2004\nY-position : 1003\n\ndungeon\n";
    // A neighbour's scout alone, five hexes from the next own figure.
    Figuren({Neu(kNachbar, 0, 1, 4, 3), Neu(kIch, 1, 2, 9, 3)});
    EXPECT_EQ(Text(), kopf);
    // Two hexes away: the hex is in sight.
    Figuren({Neu(kNachbar, 0, 1, 4, 3), Neu(kIch, 1, 2, 6, 3)});
    EXPECT_EQ(Text(), kopf + "scout from\n\nPlayer Nachbar\n\n");
    // The top figure is the first on the hex, own or not.
    Figuren({Neu(kIch, 7, 3, 4, 3), Neu(kNachbar, 0, 1, 4, 3)});
    EXPECT_EQ(Text(), kopf + "light artillery from\n\nTestreich\n\n");
}

TEST_P(InfoBox, SelectedFigureWithItsPointsAndOrder)
{
    Figuren({Neu(kIch, 0, 5, 4, 3)});
    st.AktPerson = Figur(0);
    st.BlueHex = 1;
    st.AktPerson->Bewegungspunkte = 6;
    struct Fall {
        UBYTE befehl;
        const char *name;
    } faelle[] = {{10, "move"}, {0, "nothing"}, {18, "convoying"}, {19, ""}, {20, ""}, {21, ""}, {255, ""}};
    for (const Fall &f : faelle) {
        SCOPED_TRACE((int)f.befehl);
        st.AktPerson->Kommando = f.befehl;
        StdoutCapture cap;
        const std::string text = Text();
        EXPECT_NE(cap.Take().find("FigurNummer 5\n"), std::string::npos);
        if (Acht())
            EXPECT_EQ(text, std::string("scout from\n\nTestreich\n\nX-position : 2004\nY-position : 1003\n\n"
                                        "points of movement : 6\n\nOrder : ") +
                                f.name);
        else
            EXPECT_EQ(text, std::string("scout \n\nX-position : 2004\nY-position : 1003\n\npoints of movement : 6\n"
                                        "Order : ") +
                                f.name);
    }
}

TEST_P(InfoBox, NamedOwnShipComesFirstInQuotes)
{
    Figuren({Neu(kIch, 14, 12, 4, 3), Neu(kNachbar, 14, 12, 6, 3)});
    SchiffsName(12, "Seestern", 8);
    SchiffsName(13, "Anderer", 7);
    st.AktPerson = Figur(0);
    st.BlueHex = 1;
    st.AktPerson->Kommando = 10;
    auto Beginnt = [](const std::string &text, const std::string &anfang) {
        return text.compare(0, anfang.size(), anfang) == 0 ? ::testing::AssertionSuccess()
                                                           : ::testing::AssertionFailure() << text;
    };
    EXPECT_TRUE(Beginnt(Text(), Acht() ? "'Seestern'\nsmall trade ship from\n\nTestreich\n\nX-position : 2004\n"
                                       : "'Seestern'\nsmall trade ship \n\nX-position : 2004\n"));
    // The neighbour's ship of the same number has no name here.
    st.AktPerson = Figur(1);
    EXPECT_TRUE(Beginnt(Text(), Acht() ? "small trade ship from\n\nPlayer Nachbar\n\nX-position : 2006\n"
                                       : "small trade ship \n\nX-position : 2006\n"));
    // An empty name is no name.
    st.AktPerson = Figur(0);
    std::memset(((ShipAddOn *)NodeData(st.ShipAddOnListPtr->FirstNode))->Name, 0, 80);
    EXPECT_TRUE(Beginnt(Text(), "small trade ship "));
}

TEST_F(InfoBoxHoch, FigurePictureGoesIntoThePanel)
{
    const LONG w = 1024, h = 768;
    BitMap *schirm = VekDisplay.RastPort_->BitMap;
    Figuren({Neu(kIch, 4, 5, 4, 3)});
    st.AktPerson = Figur(0);
    st.BlueHex = 1;
    ASSERT_EQ(OpenKavorGfx("./Data/Path", 816), 1);
    BitMap *streifen = BitMapPtrArray[816 - 1];
    ASSERT_GE(streifen->Hoehe, 54u * 3);
    SetAPen(VekDisplay.RastPort_, 0);
    RectFill(VekDisplay.RastPort_, 0, 0, 0, 0);
    const ULONG stift0 = PixelAt(schirm, 0, 0);
    FillBitMap(schirm, 0x123456);
    ASSERT_EQ(UpdateInfoBox(&st), 1);
    // Frame 2 of the light cavalry's strip over pen 0, the whole 64 x 56 cleared.
    int anders = 0;
    for (LONG y = 0; y < 56; ++y)
        for (LONG x = 0; x < 64; ++x) {
            // Loaded pictures carry an alpha byte the display has not.
            const ULONG p = y < 54 ? PixelAt(streifen, x, 54 * 2 + y) & 0xFFFFFF : 0;
            if ((PixelAt(schirm, w - 116 + x, h - 110 + y) & 0xFFFFFF) != (p ? p : stift0)) ++anders;
        }
    EXPECT_EQ(anders, 0);
    EXPECT_EQ(PixelAt(schirm, w - 117, h - 110), 0x123456u);
    EXPECT_EQ(PixelAt(schirm, w - 52, h - 110), 0x123456u);
    CloseKavorGfx(816);
    // A mage has no picture: the place is only cleared.
    st.AktPerson->FigurArt = 11;
    FillBitMap(schirm, 0x123456);
    ASSERT_EQ(UpdateInfoBox(&st), 1);
    EXPECT_EQ(PixelAt(schirm, w - 100, h - 80), stift0);
}

TEST_F(InfoBoxAcht, BoxStaysWhileTheFigurePanelIsOpen)
{
    Hex(4, 3).THQ = 5;
    const std::string vorher = Text();
    VekRequester *box = st.VekRequester;
    st.GUI = 1;
    st.X_Pos = 6;
    Hex(6, 3).BesitzerID = NIEMAND;
    EXPECT_EQ(UpdateInfoBox(&st), 1);
    EXPECT_EQ(st.VekRequester, box);
    EXPECT_EQ(std::string(st.VekRequester->ReqTextBuffer), vorher);
    st.GUI = 0;
    EXPECT_NE(Text(), vorher);
}

TEST_P(InfoBox, BoxLiesOverRectangleZero)
{
    ASSERT_EQ(UpdateInfoBox(&st), 1);
    ASSERT_NE(st.VekRequester, nullptr);
    const Rechteck &r = st.ScreenRegion->Rechteck[0];
    EXPECT_EQ(st.VekRequester->ReqXPos, r.X0);
    EXPECT_EQ(st.VekRequester->ReqYPos, r.Y0);
    EXPECT_EQ(st.VekRequester->ReqBreite, r.X1 - r.X0);
    EXPECT_EQ(st.VekRequester->ReqHoehe, r.Y1 - r.Y0);
    EXPECT_EQ(st.VekRequester->SliderMemPtr != nullptr, !Acht());
    // A second call keeps the box and gives it the new text.
    st.X_Pos = 5;
    const std::string text = Text();
    EXPECT_NE(text.find("2005"), std::string::npos);
}

TEST(InfoBoxGross, BoxAndSliderMoveWithALargerDisplay)
{
    kartentest::Umgebung welt(32, 1280, 1024);
    ASSERT_TRUE(welt.Ok());
    VekMapInfo view{};
    view.GreatMapPtr = (MapEntry *)AllocVec(sizeof(MapEntry) * FENSTER_BREITE * FENSTER_HOEHE, MEMF_CLEAR);
    view.GreatBMapPtr = (UBYTE *)AllocVec(FENSTER_BMAP_BYTES, MEMF_CLEAR);
    view.XTiles = 27, view.YTiles = 20;
    LokaleDatenKartenScreen st{};
    st.VekMapInfoPtr = &view;
    st.VekFont1Ptr = OpenDiskFont("Fonts/XHelvetica11.fnt");
    st.ScreenRegion = GetScreenRegion("./Data/screendat/Karte1024.dat", 518);
    ASSERT_TRUE(st.VekFont1Ptr && st.ScreenRegion);
    EXPECT_EQ(UpdateInfoBox(&st), 1);
    ASSERT_NE(st.VekRequester, nullptr);
    const Rechteck &r = st.ScreenRegion->Rechteck[0], &s = st.ScreenRegion->Rechteck[1];
    EXPECT_EQ(st.VekRequester->ReqXPos, r.X0 + 256);
    EXPECT_EQ(st.VekRequester->ReqYPos, r.Y0 + 256);
    EXPECT_EQ(st.VekRequester->SliderXPos, s.X0 + 256);
    EXPECT_EQ(st.VekRequester->SliderYPos, s.Y0 + 256);
    EXPECT_EQ(st.VekRequester->SliderBreite, s.X1 - s.X0);
    EXPECT_EQ(st.VekRequester->SliderHoehe, s.Y1 - s.Y0);
    // Nothing in the window is known: the panel says so.
    InfoInhalt i;
    BaueInfoInhalt(&st, true, &i);
    EXPECT_STREQ(i.Status, "unknown territory");
    ClearRequester(st.VekRequester);
    ClearScreenRegion(st.ScreenRegion);
    CloseFont(st.VekFont1Ptr);
    FreeVec(view.GreatMapPtr);
    FreeVec(view.GreatBMapPtr);
}

TEST_P(InfoBox, MarkFarOutsideTheWindowReadsNothingOutsideIt)
{
    // The figure stands where the view was; the view has moved far away.
    Figuren({Neu(kIch, 0, 5, 4, 3)});
    st.AktPerson = Figur(0);
    for (WORD x : {(WORD)-5, (WORD)300, (WORD)30000}) {
        SCOPED_TRACE(x);
        st.X_Pos = x, st.Y_Pos = 200;
        view.X_Hex = 9000;
        const std::string text = Text();
        if (Acht())
            EXPECT_EQ(text, "unknown territory\n");
        else
            EXPECT_NE(Inhalt().Status[0], 0);
    }
}

// Names and texts as long as the files and catalogs allow: the text stays
// inside its 256 bytes and ends at a line end.
TEST_P(InfoBox, OverlongNamesAndTextsAreCutAtALineEnd)
{
    const std::string lang(200, 'L');
    struct Ersatz {
        LocStr &s;
        const char *alt;
    } ersatz[] = {{_VEK_KARTE_TIERQUELLEN, nullptr},
                  {_VEK_KARTE_PFLANZENQUELLEN, nullptr},
                  {_VEK_KARTE_MINERALQUELLEN, nullptr},
                  {_VEK_KARTE_BEWEGUNGPUNKTE, nullptr},
                  {_VEK_WAREN_HANDELSSCHIFF_KLEIN, nullptr}};
    std::memset(PlayerInfo.Spielname, 'G', sizeof PlayerInfo.Spielname);  // no NUL in the field
    const std::string schiff(80, 'S');                                      // nor in the ship's name
    Spieler({{kNachbar, std::string(80, 'N')}});
    Hex(4, 3).Spezial = SPEZIAL_DUNGEON;
    Figuren({Neu(kIch, 14, 12, 4, 3), Neu(kNachbar, 14, 3, 4, 3)});
    SchiffsName(12, schiff.data(), schiff.size());
    for (bool langeTexte : {false, true}) {
        for (Ersatz &e : ersatz) {
            if (langeTexte) {
                e.alt = e.s.Str;
                e.s.Str = lang.c_str();
            } else if (e.alt) {
                e.s.Str = e.alt;
            }
        }
        for (bool figur : {true, false}) {
            SCOPED_TRACE(std::string(figur ? "figure" : "hex") + (langeTexte ? ", long texts" : ""));
            st.BlueHex = figur;
            st.AktPerson = figur ? Figur(0) : nullptr;
            const std::string text = Text();
            EXPECT_LT(text.size(), INFO_TEXT_GROESSE);
            ASSERT_FALSE(text.empty());
            // A figure's text ends with its order unless it had to be cut.
            if (!figur || langeTexte) {
                EXPECT_EQ(text.back(), '\n') << text;
            }
            if (figur) {
                EXPECT_EQ(text.substr(0, 82), "'" + schiff.substr(0, 79) + "'\n");
            }
            EXPECT_EQ(text.find(std::string(40, 'G')), std::string::npos);
            EXPECT_EQ(text.find(std::string(40, 'N')), std::string::npos);
            const InfoInhalt i = Inhalt();
            EXPECT_LT(std::strlen(i.Status), sizeof i.Status);
        }
    }
    for (Ersatz &e : ersatz) e.s.Str = e.alt;
}

}  // namespace
