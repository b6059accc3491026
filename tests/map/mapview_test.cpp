// The map view: where InitPos puts it and how large it gets, SetPos steps and
// their tile exchange across tile borders and the 159/0 seams with the
// knowledge bits written back, and the figure list written into the figure file.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <vector>

#include "gfx/screen.h"
#include "kartenwelt.h"
#include "map/mapview.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/figures.h"

namespace {

using namespace kartentest;
using vektest::Bytes;

class Sichten : public testing::Test {
protected:
    Umgebung welt{32, 640, 480};

    VekMapInfo *Oeffne(LONG x, LONG y, LONG breite, LONG hoehe, UWORD status = MAPSTATUS_BMAP)
    {
        VekMapInfo *v = LadeKarte(MAPSTATUS_BMAP, CheckWrap(x, WELT_BREITE) / TEIL_BREITE,
                                  CheckWrap(y, WELT_HOEHE) / TEIL_HOEHE, "./Map");
        if (v && !InitPos(v, x, y, 0, 0, breite, hoehe, status)) {
            ExitPos(v);
            ExitKarte(v);
            return nullptr;
        }
        return v;
    }
    static void Schliesse(VekMapInfo *v)
    {
        ExitPos(v);
        ExitKarte(v);
    }
};

// Every view hex holds the world hex it shows.
void PruefeFenster(const VekMapInfo *v)
{
    for (LONG c = 0; c < v->XTiles; ++c)
        for (LONG r = 0; r < v->YTiles; ++r) {
            const MapEntry *e = FensterHex(v, v->IndeX + c, v->IndeY + r);
            ASSERT_NE(e, nullptr);
            const LONG x = CheckWrap(v->X_Hex + c, WELT_BREITE), y = CheckWrap(v->Y_Hex + r, WELT_HOEHE);
            ASSERT_EQ(+e->X, (ULONG)x) << c << "," << r;
            ASSERT_EQ(+e->Y, (ULONG)y) << c << "," << r;
            ASSERT_EQ(+e->Art, SollHex(x, y).art);
            ASSERT_EQ(GetBMapBit(v, c, r), SollHex(x, y).bekannt ? 1 : 0) << x << "," << y;
        }
}

TEST_F(Sichten, PositionIsPutIntoTheWorldAndTheSizeCapped)
{
    ASSERT_TRUE(welt.Ok());
    struct Fall {
        LONG x, y, breite, hoehe;
        LONG xHex, yHex;
        UWORD xt, yt, zielB, zielH;
    } faelle[] = {
        {12799, 100, 640, 448, 0, 100, 14, 9, 640, 448},
        {100, -1, 640, 448, 100, 6399, 14, 9, 640, 448},
        {-2, 6400, 1024, 768, 12798, 0, 22, 15, 1024, 768},
        {12798, 6399, 480, 448, 12798, 6399, 11, 9, 480, 448},
        {80, 40, 1920, 1200, 80, 40, 41, 22, 1920, 1200},
        {81, 40, 2560, 1440, 80, 40, 41, 22, 1952, 1204},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(std::to_string(f.x) + "," + std::to_string(f.y) + " " + std::to_string(f.breite));
        VekMapInfo *v = Oeffne(f.x, f.y, f.breite, f.hoehe);
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->X_Hex, f.xHex);
        EXPECT_EQ(v->Y_Hex, f.yHex);
        EXPECT_EQ(v->XTiles, f.xt);
        EXPECT_EQ(v->YTiles, f.yt);
        EXPECT_EQ(v->Ziel_X2, f.zielB);
        EXPECT_EQ(v->Ziel_Y2, f.zielH);
        EXPECT_EQ(v->LayerBitmapPtr->Breite, (ULONG)f.xt * 48 + 16);
        EXPECT_EQ(v->LayerBitmapPtr->Hoehe, (ULONG)f.yt * 56 + 28);
        EXPECT_EQ(v->IndeX, f.xHex % 80 + 80);
        EXPECT_EQ(v->IndeY, f.yHex % 40 + 40);
        PruefeFenster(v);
        Schliesse(v);
    }
}

TEST_F(Sichten, OneStepRightMovesTwoColumnsAndDrawsOnlyTheStrip)
{
    ASSERT_TRUE(welt.Ok());
    VekMapInfo *v = Oeffne(100, 50, 640, 448, MAPSTATUS_BMAP | MAPSTATUS_GRENZEN);
    ASSERT_NE(v, nullptr);
    // A mark the strip update carries along: a full drawing would wipe it.
    SDL_Surface *s = v->LayerBitmapPtr->Surface;
    SDL_Rect marke = {300, 200, 3, 3};
    SDL_FillRect(s, &marke, 0x123456);
    v->UpdateMap = 0;
    ASSERT_EQ(SetPos(v, 1, 0), 1);
    EXPECT_EQ(v->X_Hex, 102);
    EXPECT_EQ(v->Y_Hex, 50);
    EXPECT_EQ(v->IndeX, 102 % 80 + 80);
    EXPECT_EQ(v->UpdateMap, 1);
    EXPECT_EQ(v->QuickUpdate, 0);
    EXPECT_EQ(vektest::PixelAt(v->LayerBitmapPtr, 300 - 96, 200), 0x123456u);
    PruefeFenster(v);
    // A jump reloads and draws everything.
    ASSERT_EQ(SetPos(v, 300, 40), 1);
    EXPECT_EQ(v->X_Hex, 702);
    EXPECT_EQ(v->Y_Hex, 90);
    EXPECT_EQ(v->X_WorldMap, 8);
    EXPECT_EQ(v->Y_WorldMap, 2);
    EXPECT_NE(vektest::PixelAt(v->LayerBitmapPtr, 300 - 96, 200), 0x123456u);
    Schliesse(v);
}

TEST_F(Sichten, WestFromColumnZeroWrapsToTheLastTileColumn)
{
    ASSERT_TRUE(welt.Ok());
    VekMapInfo *v = Oeffne(0, 50, 640, 448);
    ASSERT_NE(v, nullptr);
    vektest::StdoutCapture aus;
    ASSERT_EQ(SetPos(v, -1, 0), 1);
    const std::string text = aus.Take();
    EXPECT_EQ(v->X_Hex, 12798);
    EXPECT_EQ(v->X_WorldMap, 159);
    EXPECT_EQ(v->IndeX, 158);
    EXPECT_NE(text.find("Lade Karte ./Map/M_158_1.map"), std::string::npos);
    PruefeFenster(v);
    Schliesse(v);
}

// World positions of the bits a test set, by tile file.
struct Bit {
    LONG x, y;
};

TEST_F(Sichten, ScrollingOverSeamsKeepsEveryKnowledgeBitAndOnlyWritesBack)
{
    ASSERT_TRUE(welt.Ok());
    // Unknown hexes to mark: the synthetic world leaves one in ten unexplored.
    const auto vorher = KartenDateien();
    VekMapInfo *v = Oeffne(12740, 6370, 640, 448);
    ASSERT_NE(v, nullptr);
    std::vector<Bit> gesetzt;
    std::mt19937 zufall(7);
    // East over the column seam, south over the row seam, then back west and north.
    const struct {
        LONG dx, dy;
        int schritte;
    } wege[] = {{1, 0, 40}, {0, 1, 45}, {-1, 0, 45}, {0, -1, 50}, {1, 1, 10}};
    for (const auto &w : wege) {
        for (int i = 0; i < w.schritte; ++i) {
            ASSERT_EQ(SetPos(v, w.dx, w.dy), 1);
            const LONG c = (LONG)(zufall() % v->XTiles), r = (LONG)(zufall() % v->YTiles);
            SetBMapBit(v, c, r);
            gesetzt.push_back({CheckWrap(v->X_Hex + c, WELT_BREITE), CheckWrap(v->Y_Hex + r, WELT_HOEHE)});
            ASSERT_GE(v->IndeX, 80);
            ASSERT_LT(v->IndeX, 160);
            ASSERT_GE(v->IndeY, 40);
            ASSERT_LT(v->IndeY, 80);
        }
        ASSERT_EQ(v->X_WorldMap, v->X_Hex / 80);
        ASSERT_EQ(v->Y_WorldMap, v->Y_Hex / 40);
        for (LONG c = 0; c < v->XTiles; ++c)
            for (LONG r = 0; r < v->YTiles; ++r) {
                const MapEntry *e = FensterHex(v, v->IndeX + c, v->IndeY + r);
                ASSERT_EQ(+e->X, (ULONG)CheckWrap(v->X_Hex + c, WELT_BREITE));
                ASSERT_EQ(+e->Y, (ULONG)CheckWrap(v->Y_Hex + r, WELT_HOEHE));
            }
    }
    Schliesse(v);
    auto nachher = KartenDateien();
    // Every tile and knowledge file was there before; map tiles come back
    // byte for byte, knowledge tiles with exactly the new bits.
    auto soll = vorher;
    for (const Bit &b : gesetzt) {
        const std::string name = "B_" + std::to_string(b.x / 80) + "_" + std::to_string(b.y / 40) + ".map";
        ASSERT_TRUE(soll.count(name)) << name;
        soll[name][(size_t)(b.y % 40) * 10 + (size_t)(b.x % 80) / 8] |= (uint8_t)(1u << (b.x % 80 % 8));
    }
    ASSERT_EQ(nachher.size(), soll.size());
    for (const auto &[name, bytes] : soll) EXPECT_TRUE(nachher[name] == bytes) << name;
}

TEST_F(Sichten, NewlyExploredHexIsDrawnOnlyForATableGraphic)
{
    ASSERT_TRUE(welt.Ok());
    VekMapInfo *v = Oeffne(100, 50, 640, 448);
    ASSERT_NE(v, nullptr);
    const LONG gx = v->IndeX + 4, gy = v->IndeY + 3;
    MapEntry *e = FensterHex(v, gx, gy);
    for (UWORD art : {0, 100, 0x0105, 12}) {
        SCOPED_TRACE(art);
        e->Art = art;
        vektest::FillBitMap(v->LayerBitmapPtr, 0);
        v->Jahreszeit = 9;  // taken as winter
        EXPECT_EQ(ShowNewHex(v, 4, 3, gx, gy), 1);
        EXPECT_EQ(vektest::CountOther(v->LayerBitmapPtr, 0) > 0, art == 12);
        EXPECT_EQ(GetHexData(v, gx, gy), (LONG)(art & 0xFF) - 1);
    }
    Schliesse(v);
}

// ./Data/MapPrefs.vek: an MREF chunk of 28 bytes, then the MOVE chunk.
Bytes MapPrefs(ULONG laenge, UWORD anzahl, const std::vector<st_MOVE_EXT> &figuren, bool move = true)
{
    Bytes b = {'M', 'R', 'E', 'F', 'V', '0', '0', '1', 0, 0, 0, 16, 0, 0, 0x32, 0, 0, 0, 0x19, 0,
               0, 0, 0, 0x65, 0, 0, 0, 0x2A};
    auto be = [&](ULONG v, int n) {
        for (int i = n - 1; i >= 0; --i) b.push_back((uint8_t)(v >> (8 * i)));
    };
    for (const char *p = move ? "MOVEV001" : "MOVXV001"; *p; ++p) b.push_back((uint8_t)*p);
    be(laenge, 4);
    be(anzahl, 2);
    for (const st_MOVE_EXT &f : figuren) {
        be(f.SpielerID, 4);
        be(f.FigurArt, 2);
        be(f.FigurNummer, 2);
        be(f.X_Pos, 4);
        be(f.Y_Pos, 4);
        be(f.Kommando, 1);
        be(f.Bewegungspunkte, 1);
    }
    return b;
}

std::vector<st_MOVE_EXT> Figuren(ULONG n)
{
    std::vector<st_MOVE_EXT> f(n);
    for (ULONG i = 0; i < n; ++i)
        f[i] = st_MOVE_EXT{0x01020304u + i, (UWORD)(i % 21), (UWORD)(0x0A0B + i), 0x00112233u + i, 0x00445566u + i,
                           (UBYTE)(i % 19), (UBYTE)(0x80 + i % 50)};
    return f;
}

// A view whose figure list holds figuren.
struct Liste {
    VekMapInfo v{};
    explicit Liste(const std::vector<st_MOVE_EXT> &figuren)
    {
        v.PeopleMemSize = (ULONG)(2 + 18 * figuren.size());
        v.PeopleMemPtr = (UBYTE *)AllocVec(v.PeopleMemSize, MEMF_CLEAR);
        const UWORD n = (UWORD)figuren.size();
        std::memcpy(v.PeopleMemPtr, &n, 2);
        if (!figuren.empty()) std::memcpy(v.PeopleMemPtr + 2, figuren.data(), 18 * figuren.size());
    }
    ~Liste() { FreeVec(v.PeopleMemPtr); }
};

TEST_F(Sichten, FigureListIsWrittenBackWithItsOwnLength)
{
    // Two figures, every field distinct, as the file must hold them afterwards.
    static const uint8_t kZwei[] = {
        'M', 'R', 'E', 'F', 'V', '0', '0', '1', 0, 0, 0, 16, 0, 0, 0x32, 0, 0, 0, 0x19, 0, 0, 0, 0, 0x65, 0, 0, 0, 0x2A,
        'M', 'O', 'V', 'E', 'V', '0', '0', '1', 0, 0, 0, 38, 0, 2,
        0x01, 0x02, 0x03, 0x04, 0x00, 0x00, 0x0A, 0x0B, 0x00, 0x11, 0x22, 0x33, 0x00, 0x44, 0x55, 0x66, 0x00, 0x80,
        0x01, 0x02, 0x03, 0x05, 0x00, 0x01, 0x0A, 0x0C, 0x00, 0x11, 0x22, 0x34, 0x00, 0x44, 0x55, 0x67, 0x01, 0x81,
    };
    static_assert(sizeof kZwei == 28 + 14 + 36);
    const Bytes zwei(kZwei, kZwei + sizeof kZwei);
    EXPECT_TRUE(MapPrefs(38, 2, Figuren(2)) == zwei);
    struct Fall {
        const char *name;
        Bytes datei;          // the file before
        ULONG figuren;        // the list
        Bytes soll;           // the file after
        int ergebnis;
    } faelle[] = {
        {"count and Length agree", MapPrefs(38, 2, Figuren(2)), 2, zwei, 1},
        {"Length above the list", MapPrefs(38 + 18 * 3, 5, Figuren(5)), 2, zwei, 1},
        {"Length below the list", MapPrefs(20, 1, Figuren(1)), 2, zwei, 1},
        {"no figures", MapPrefs(38, 2, Figuren(2)), 0, MapPrefs(2, 0, {}), 1},
        {"5,000 figures", MapPrefs(2, 0, {}), 5000, MapPrefs(2 + 18 * 5000, 5000, Figuren(5000)), 1},
        {"no MOVE chunk", MapPrefs(38, 2, Figuren(2), false), 2, MapPrefs(38, 2, Figuren(2), false), 1},
        {"head cut short", Bytes(zwei.begin(), zwei.begin() + 36), 2, Bytes(zwei.begin(), zwei.begin() + 36), 0},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        vektest::WriteBytes(MAPPREFS_FILE, f.datei);
        Liste liste(Figuren(f.figuren));
        EXPECT_EQ(ExitPosWriteMapPrefs(&liste.v), f.ergebnis);
        EXPECT_TRUE(vektest::ReadBytes(MAPPREFS_FILE) == f.soll);
    }
    DeleteFile(MAPPREFS_FILE);
    Liste liste(Figuren(1));
    EXPECT_EQ(ExitPosWriteMapPrefs(&liste.v), 0);
}

TEST_F(Sichten, FigureListTakesOnlyTheRecordsTheChunkHolds)
{
    struct Fall {
        ULONG laenge;
        UWORD anzahl;
        ULONG records;
        ULONG soll;
    } faelle[] = {{38, 2, 2, 2}, {20, 2, 1, 1}, {2, 9, 0, 0}, {92, 3, 5, 3}};
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.laenge);
        vektest::WriteBytes(MAPPREFS_FILE, MapPrefs(f.laenge, f.anzahl, Figuren(f.records)));
        VekMapInfo v{};
        ASSERT_EQ(InitPosLoadPeopleMem(&v), 1);
        EXPECT_EQ(FigurenImBlock(v.PeopleMemPtr, v.PeopleMemSize), f.soll);
        const std::vector<st_MOVE_EXT> soll = Figuren(f.soll);
        for (ULONG i = 0; i < f.soll; ++i)
            EXPECT_EQ(std::memcmp(FigurImBlock(v.PeopleMemPtr, i), &soll[i], 18), 0) << i;
        FreeVec(v.PeopleMemPtr);
        FreeVec(v.LocalPeopleMemPtr);
    }
}

}  // namespace

namespace {

int gGuiAufrufe = 0;
void ZaehleGui(VekMapInfo *) { ++gGuiAufrufe; }

TEST_F(Sichten, LayerGoesToTheHiddenBufferOnlyWhileTheMapIsShown)
{
    ASSERT_TRUE(welt.Ok());
    // The map screen's double buffer: a hidden surface of the display's size.
    SDL_Surface *db = SDL_DisplayFormat(SDLViewSurface);
    DBScreen = db;
    VekDisplay.VekScreen_ViewMode = 2;
    ASSERT_EQ(OpenKavorPic("./Data/Path", 3, PIC_NOFADE), 0);
    VekMapInfo *v = Oeffne(100, 50, 600, 400);
    ASSERT_NE(v, nullptr);
    v->GUIRoutine = ZaehleGui;
    struct Fall {
        UWORD screen;
        bool versteckt;  // through the hidden buffer and a flip onto the view
    } faelle[] = {{3, true}, {0, false}, {2, false}};
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.screen);
        VekDisplay.VekScreen = f.screen;
        vektest::FillBitMap(welt.Screen().ViewBitMap(), 0);
        vektest::FillBitMap(welt.Screen().BobBitMap(), 0);
        SDL_FillRect(db, nullptr, 0);
        gGuiAufrufe = 0;
        BlitLayer2Screen(v, 1);
        EXPECT_EQ(gGuiAufrufe, 1);
        // Layer pixel (16 + x, 28 + y) lands at (x, y) of the view, or of the display port.
        SDL_Surface *ziel = f.versteckt ? SDLViewSurface : VekDisplay.RastPort_->BitMap->Surface;
        long gleich = 0;
        for (LONG y = 0; y < 400; y += 7)
            for (LONG x = 0; x < 600; x += 5)
                gleich += vektest::PixelAt(ziel, x, y) == vektest::PixelAt(v->LayerBitmapPtr, 16 + x, 28 + y);
        EXPECT_EQ(gleich, (long)(400 / 7 + 1) * (600 / 5));
        EXPECT_EQ(vektest::PixelAt(db, 300, 200) != 0, f.versteckt);
    }
    Schliesse(v);
    CloseKavorPic(3, 0);
    DBScreen = nullptr;
    SDL_FreeSurface(db);
}

TEST(ErreichbareFelder, ShiftOneTileOfBitsAndClearTheRest)
{
    struct Fall {
        int modus;
        LONG zeile, byte;     // where an old byte is
        LONG nachZeile, nachByte;  // and where it goes; -1: gone
    } faelle[] = {
        {1, 5, 0, 5, 10},   {1, 5, 19, 5, 29},  {1, 5, 20, -1, -1}, {2, 5, 10, 5, 0},   {2, 5, 29, 5, 19},
        {2, 5, 9, -1, -1},  {3, 0, 3, 40, 3},   {3, 79, 3, 119, 3}, {3, 80, 3, -1, -1}, {4, 40, 3, 0, 3},
        {4, 119, 29, 79, 29}, {4, 39, 3, -1, -1},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(std::to_string(f.modus) + ": " + std::to_string(f.zeile) + "/" + std::to_string(f.byte));
        VekMapInfo v{};
        v.GreatCMapPtr = (UBYTE *)AllocVec(FENSTER_BMAP_BYTES, MEMF_CLEAR);
        v.GreatCMapPtr[f.zeile * 30 + f.byte] = 0xA5;
        ReArangeCMap(&v, f.modus);
        long gesetzt = 0;
        for (ULONG i = 0; i < FENSTER_BMAP_BYTES; ++i) gesetzt += v.GreatCMapPtr[i] != 0;
        EXPECT_EQ(gesetzt, f.nachZeile < 0 ? 0 : 1);
        if (f.nachZeile >= 0) {
            EXPECT_EQ(v.GreatCMapPtr[f.nachZeile * 30 + f.nachByte], 0xA5);
        }
        FreeVec(v.GreatCMapPtr);
    }
}

}  // namespace
