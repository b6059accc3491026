// The worker and name overlays: the free-area test at every display width,
// and what the overlays print (or leave out) over a small hand-made view.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/fontfixture.h"
#include "common/sdlharness.h"
#include "common/testutil.h"
#include "gfx/font.h"
#include "gfx/screen.h"
#include "world/cultivation.h"
#include "map/kartenscreen.h"
#include "world/mapinfo.h"
#include "world/towns.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/chunks.h"
#include "store/lists.h"
#include "store/mapnames.h"

using namespace vektest;

namespace {

struct Anzeige {
    UWORD breite, hoehe, tiefe;
    Anzeige(UWORD b, UWORD h, UWORD t = 8)
        : breite(VekDisplay.VekScreen_Breite), hoehe(VekDisplay.VekScreen_Hoehe), tiefe(VekDisplay.VekScreen_Tiefe)
    {
        VekDisplay.VekScreen_Breite = b, VekDisplay.VekScreen_Hoehe = h, VekDisplay.VekScreen_Tiefe = t;
    }
    ~Anzeige()
    {
        VekDisplay.VekScreen_Breite = breite, VekDisplay.VekScreen_Hoehe = hoehe, VekDisplay.VekScreen_Tiefe = tiefe;
    }
};

TEST(IsGfxBoxValid, FreeMapAtEveryWidth)
{
    struct Fall {
        UWORD breite, hoehe;
        LONG x0, y0, x1, y1;
        int soll;
    } faelle[] = {
        {640, 480, 17, 17, 497, 463, 1},
        {640, 480, 17, 17, 498, 463, 0},   // into the panel column at the right
        {640, 480, 16, 17, 100, 100, 0},
        {640, 480, 17, 17, 100, 464, 0},
        {599, 480, 100, 100, 120, 120, 0},  // too narrow for any box
        {800, 600, 100, 100, 200, 120, 1},  // 600 ... 800 count as 1024 x 768
        {800, 600, 100, 100, 1008, 120, 0},
        {800, 600, 100, 400, 150, 410, 1},
        {800, 600, 30, 400, 59, 410, 0},    // chronicle panel: y0 > 382, x1 < 60
        {1024, 768, 30, 600, 179, 610, 0},  // figure list: y0 > 586, x1 < 180
        {1024, 768, 30, 600, 180, 610, 1},
        {1024, 768, 200, 700, 220, 710, 1},
        {1024, 768, 300, 700, 320, 710, 0}, // bottom panels: x0 > 222, y0 > 618
        {1024, 768, 600, 530, 620, 540, 1},
        {1024, 768, 800, 530, 820, 540, 0}, // minimap: x0 > 654, y0 > 520
        {1280, 1024, 800, 530, 820, 540, 1},
        {1280, 1024, 1000, 800, 1020, 810, 0},
        {1280, 1024, 100, 100, 1264, 110, 0},
        {1280, 1024, 100, 100, 1263, 110, 1},
    };
    for (const Fall &f : faelle) {
        Anzeige a(f.breite, f.hoehe);
        EXPECT_EQ(IsGfxBoxValid(f.x0, f.y0, f.x1, f.y1), f.soll)
            << f.breite << ": " << f.x0 << "," << f.y0 << " - " << f.x1 << "," << f.y1;
    }
}

constexpr ULONG kIch = 5;

// A view of 10 x 4 hexes over a window of own grassland at absolute
// (1000 + column, 500 + row), on an 8-bit screen with the barcode font.
class Overlays : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(screen.Ok());
        // The display outlives the test before: start from a blank one.
        FillBitMap(screen.ViewBitMap(), 0);
        WriteBytes("barcode.fnt", BuildFont(BarcodeFontSpec()));
        font = OpenDiskFont("barcode.fnt");
        ASSERT_NE(font, nullptr);
        std::memset(&schirm, 0, sizeof schirm);
        schirm.RastPort = *screen.ViewRastPort();
        altSchirm = TitelScreenPtr;
        TitelScreenPtr = &schirm;
        altSpieler = PlayerInfo.SpielerID;
        PlayerInfo.SpielerID = kIch;
        view.GreatMapPtr = (MapEntry *)AllocVec(sizeof(MapEntry) * FENSTER_BREITE * FENSTER_HOEHE, MEMF_CLEAR);
        ASSERT_NE(view.GreatMapPtr, nullptr);
        for (LONG y = 0; y < FENSTER_HOEHE; ++y)
            for (LONG x = 0; x < FENSTER_BREITE; ++x) {
                MapEntry &e = view.GreatMapPtr[y * FENSTER_BREITE + x];
                e.X = 1000 + (ULONG)x, e.Y = 500 + (ULONG)y, e.Art = 1, e.BesitzerID = kIch;
            }
        view.XTiles = 10, view.YTiles = 4;
        view.MapFontPtr = font;
        st.VekMapInfoPtr = &view;
        st.VekFontPtr = font;
        MakeDirs("Map");
        MakeDirs("Data/Cities");
    }
    void TearDown() override
    {
        TitelScreenPtr = altSchirm;
        PlayerInfo.SpielerID = altSpieler;
        FreeVec(view.GreatMapPtr);
        if (st.OtherMapNamesList) DeleteList(st.OtherMapNamesList, LIST_FREE_OWNED);
        CloseFont(font);
    }
    // Ink of the text pen in the rectangle.
    int Tinte(LONG x0, LONG y0, LONG x1, LONG y1, ULONG stift)
    {
        int n = 0;
        for (LONG y = y0; y <= y1; ++y)
            for (LONG x = x0; x <= x1; ++x) n += PixelAt(screen.ViewBitMap(), x, y) == stift;
        return n;
    }
    ScratchDir dir;
    SdlScreen screen{8, 640, 480};
    TextFont *font = nullptr;
    Screen schirm{};
    Screen *altSchirm = nullptr;
    ULONG altSpieler = 0;
    VekMapInfo view{};
    LokaleDatenKartenScreen st{};
};

TEST_F(Overlays, WorkersPrintedOnlyWhereARecordHasThem)
{
    // View column 1, row 1 is absolute (1001, 501); column 3 has no record.
    ListHeader *liste = CreateList(LISTE_MAPCULT);
    ASSERT_NE(liste, nullptr);
    ListNode *n = (ListNode *)AllocVec(liste->TypSize, MEMF_CLEAR);
    auto *f = (MapCultivation *)NodeData(n);
    f->X = 1001, f->Y = 501, f->WorkersForHarvest = 5, f->WorkersForWood = 3, f->WorkersForStone = 2;
    InsertNode(liste, n, LIST_LAST, 0);
    ASSERT_TRUE(SaveMapCultList(liste, 1001 / CULT_BLOCK_BREITE, 501 / CULT_BLOCK_HOEHE));
    DeleteList(liste, LIST_FREE_OWNED);

    st.Rohstoffe = 1;
    EXPECT_EQ(ZeigeRohstoffe(&st, 1), 0);
    // Column 1 row 1 sits at layer (48, 84), on the 8-bit screen (48, 72).
    EXPECT_GT(Tinte(59, 117, 99, 126, 7), 0);
    EXPECT_EQ(Tinte(48 * 3 + 11, 117, 48 * 3 + 51, 126, 7), 0);
    EXPECT_EQ(Tinte(0, 0, 639, 479, 7), Tinte(59, 117, 99, 126, 7));
}

TEST_F(Overlays, ANameReachingIntoAPanelIsLeftOutWhole)
{
    st.OtherMapNamesList = CreateList(LISTE_MAPNAMES);
    ASSERT_NE(st.OtherMapNamesList, nullptr);
    auto Name = [&](ULONG x, ULONG y, const char *name) {
        ListNode *n = (ListNode *)AllocVec(st.OtherMapNamesList->TypSize, MEMF_CLEAR);
        st_TOWN_EXT ort{};
        ort.XPos = (UWORD)x, ort.YPos = (UWORD)y;
        std::strncpy(ort.Name, name, sizeof ort.Name - 1);
        std::memcpy(NodeData(n), &ort, sizeof ort);
        InsertNode(st.OtherMapNamesList, n, LIST_LAST, 0);
    };
    // Both on view column 9 (screen x 432, centre 466), in the two-pixel
    // cells of the barcode font: four characters end at x 470, forty would
    // end at 506, past the free map's 497 on a 640-pixel screen.
    Name(1009, 501, "Ford");
    Name(1009, 502, std::string(40, 'x').c_str());
    st.Stadtnamen = 1;
    EXPECT_EQ(ZeigeSymbolkarte(&st, 1), 0);
    // Without a town list nothing is printed at all.
    EXPECT_EQ(Tinte(0, 0, 639, 479, 105), 0);

    // A list with just its end record: the map names alone.
    Bytes ende(84, 0);
    std::memset(ende.data(), 0xFF, 4);
    WriteBytes("Data/Cities/Town.list", ende);
    EXPECT_EQ(ZeigeSymbolkarte(&st, 1), 0);
    const LONG cy1 = 56 + 28 - 12 + 27, cy2 = 2 * 56 + 28 - 12 + 27;
    EXPECT_GT(Tinte(440, cy1 - 4, 480, cy1 + 4, 105), 0);
    EXPECT_EQ(Tinte(0, cy2 - 4, 639, cy2 + 4, 105), 0);
}

TEST_F(Overlays, TownNamesFollowTheTownFilesBetweenDraws)
{
    // One town, "Ford", first on view column 9 row 1, then its file is
    // replaced with the town one row lower, then the list names another town.
    auto Stadtdatei = [](const char *name, ULONG x, ULONG y) {
        Stadt t{};
        std::strncpy(t.Stadtname, name, sizeof t.Stadtname - 1);
        t.XPos = x, t.YPos = y;
        ASSERT_TRUE(SpeichereStadt(&t));
    };
    auto Liste = [](const char *name) {
        TownList e{};
        e.TownID = 1;
        std::strncpy(e.TownName, name, sizeof e.TownName - 1);
        ASSERT_TRUE(SpeichereTownList(&e, 1));
    };
    const LONG cy1 = 56 + 28 - 12 + 27, cy2 = 2 * 56 + 28 - 12 + 27;
    auto Zeile = [&](LONG cy) { return Tinte(440, cy - 4, 480, cy + 4, 105); };
    st.Stadtnamen = 1;
    Stadtdatei("Ford", 1009, 501);
    Stadtdatei("Furt", 1009, 503);
    Liste("Ford");
    EXPECT_EQ(ZeigeSymbolkarte(&st, 1), 0);
    EXPECT_GT(Zeile(cy1), 0);
    EXPECT_EQ(Zeile(cy2), 0);

    FillBitMap(screen.ViewBitMap(), 0);
    Stadtdatei("Ford", 1009, 502);
    EXPECT_EQ(ZeigeSymbolkarte(&st, 1), 0);
    EXPECT_EQ(Zeile(cy1), 0);
    EXPECT_GT(Zeile(cy2), 0);

    FillBitMap(screen.ViewBitMap(), 0);
    Liste("Furt");
    EXPECT_EQ(ZeigeSymbolkarte(&st, 1), 0);
    EXPECT_EQ(Zeile(cy1), 0);
    EXPECT_EQ(Zeile(cy2), 0);
    EXPECT_GT(Zeile(3 * 56 + 28 - 12 + 27), 0);
}

}  // namespace
