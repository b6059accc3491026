// Tile files, knowledge files and the window of the map record, in a scratch
// working directory holding only the tiles each case needs.
#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>
#include <string>
#include <vector>

#include "common/testutil.h"
#include "world/mapinfo.h"
#include "platform/memfile.h"
#include "platform/system.h"

namespace {

// The records are packed: checks read their numbers with a unary plus, as
// values, never through a misaligned reference.

using vektest::Bytes;

std::string TeilName(const char *art, LONG tx, LONG ty)
{
    return "Map/" + std::string(art) + std::to_string(tx) + "_" + std::to_string(ty) + ".map";
}

void PutLE(Bytes &b, size_t at, ULONG v, int width)
{
    for (int i = 0; i < width; ++i) b[at + i] = (uint8_t)(v >> (8 * i));
}
ULONG GetLE(const Bytes &b, size_t at, int width)
{
    ULONG v = 0;
    for (int i = width - 1; i >= 0; --i) v = (v << 8) | b[at + i];
    return v;
}

// A tile whose records carry their own world position and a graphic made from it.
Bytes MusterTeil(LONG tx, LONG ty)
{
    Bytes b(TEIL_BYTES, 0);
    for (LONG r = 0; r < TEIL_HOEHE; ++r) {
        for (LONG c = 0; c < TEIL_BREITE; ++c) {
            size_t at = (size_t)r * 1760 + (size_t)c * 22;
            PutLE(b, at + 0, (ULONG)(tx * 80 + c), 4);
            PutLE(b, at + 4, (ULONG)(ty * 40 + r), 4);
            PutLE(b, at + 8, (ULONG)(1 + (c + r) % 91), 2);
            PutLE(b, at + 14, NIEMAND, 4);
        }
    }
    return b;
}

// Counts the blocks a call leaves allocated.
struct Speicherbilanz {
    ULONG alloc = MemAllocatedCounter, frei = MemFreedCounter;
    long Offen() const { return (long)(MemAllocatedCounter - alloc) - (long)(MemFreedCounter - frei); }
};

class Kacheln : public testing::Test {
protected:
    void SetUp() override { vektest::MakeDirs("Map"); }
    vektest::ScratchDir dir;
};

// The tile names of the "<wort> ./Map/<name>.map" lines, in order.
std::vector<std::string> GeladeneTeile(const std::string &ausgabe, const char *wort)
{
    std::vector<std::string> teile;
    const std::string anfang = std::string(wort) + " ./Map/";
    for (size_t pos = ausgabe.find(anfang); pos != std::string::npos; pos = ausgabe.find(anfang, pos + 1)) {
        size_t start = pos + anfang.size(), ende = ausgabe.find(".map", start);
        if (ende != std::string::npos) teile.push_back(ausgabe.substr(start, ende - start));
    }
    return teile;
}

TEST_F(Kacheln, LoadOrderRoundTileZeroAndCreatedFiles)
{
    vektest::StdoutCapture cap;
    VekMapInfo *info = LadeKarte(MAPSTATUS_BMAP, 0, 0, "./Map");
    std::string text = cap.Take();
    ASSERT_NE(info, nullptr);
    const std::vector<std::string> karte = {"M_159_159", "M_0_159", "M_1_159", "M_159_0", "M_0_0",
                                            "M_1_0",     "M_159_1", "M_0_1",   "M_1_1"};
    EXPECT_EQ(GeladeneTeile(text, "Lade Karte"), karte);
    std::vector<std::string> bmap;
    for (const std::string &k : karte) bmap.push_back("B" + k.substr(1));
    EXPECT_EQ(GeladeneTeile(text, "Lade BMap"), bmap);
    EXPECT_NE(text.find("Kopiere BMAP\n"), std::string::npos);
    EXPECT_TRUE(info->Status & MAPSTATUS_BMAP);
    for (int i = 0; i < FENSTER_TEILE; ++i) EXPECT_EQ(info->MapPtrArray[i][0].Art, 0);
    ExitKarte(info);
    for (const std::string &k : karte) {
        EXPECT_EQ(vektest::ReadBytes("Map/" + k + ".map"), Bytes(TEIL_BYTES, 0)) << k;
        EXPECT_EQ(vektest::ReadBytes("Map/B" + k.substr(1) + ".map"), Bytes(BMAP_TEIL_BYTES, 0)) << k;
    }
}

TEST_F(Kacheln, WindowPlacesEveryTileAndWritesChangesBack)
{
    for (LONG ty : {159, 0, 1})
        for (LONG tx : {159, 0, 1}) vektest::WriteBytes(TeilName("M_", tx, ty), MusterTeil(tx, ty));
    Speicherbilanz bilanz;
    VekMapInfo *info = LadeKarte(0, 0, 0, "./Map");
    ASSERT_NE(info, nullptr);
    for (LONG wy = 0; wy < FENSTER_HOEHE; ++wy) {
        for (LONG wx = 0; wx < FENSTER_BREITE; ++wx) {
            const MapEntry *e = FensterHex(info, wx, wy);
            ASSERT_EQ(+e->X, (ULONG)CheckWrap(wx - 80, WELT_BREITE)) << wx << "," << wy;
            ASSERT_EQ(+e->Y, (ULONG)CheckWrap(wy - 40, WELT_HOEHE)) << wx << "," << wy;
        }
    }
    // World (12,799, 6,399) is window (79, 39); world (0, 0) is window (80, 40).
    FensterHex(info, 79, 39)->Art = 23;
    FensterHex(info, 79, 39)->BesitzerID = 0x01020304;
    FensterHex(info, 80, 40)->Spezial = SPEZIAL_DUNGEON;
    FensterHex(info, 239, 119)->THQ = 9;
    EXPECT_EQ(ExitKarte(info), 0);
    EXPECT_EQ(bilanz.Offen(), 0);

    Bytes ecke = vektest::ReadBytes(TeilName("M_", 159, 159));
    ASSERT_EQ(ecke.size(), TEIL_BYTES);
    EXPECT_EQ(GetLE(ecke, 70378, 4), 12799u);
    EXPECT_EQ(GetLE(ecke, 70378 + 4, 4), 6399u);
    EXPECT_EQ(GetLE(ecke, 70378 + 8, 2), 23u);
    EXPECT_EQ(GetLE(ecke, 70378 + 14, 4), 0x01020304u);
    Bytes null = vektest::ReadBytes(TeilName("M_", 0, 0));
    EXPECT_EQ(GetLE(null, 18, 4), SPEZIAL_DUNGEON);
    Bytes eins = vektest::ReadBytes(TeilName("M_", 1, 1));
    EXPECT_EQ(eins[70378 + 10], 9);
    // Everything else went back unchanged.
    Bytes muster = MusterTeil(0, 1);
    EXPECT_EQ(vektest::ReadBytes(TeilName("M_", 0, 1)), muster);
}

TEST_F(Kacheln, KnowledgeBitsSurviveAReload)
{
    VekMapInfo *info = LadeKarte(MAPSTATUS_BMAP, 1, 1, "./Map");
    ASSERT_NE(info, nullptr);
    info->IndeX = 80;  // view at the centre tile's corner: view (x, y) is world (80 + x, 40 + y)
    info->IndeY = 40;
    EXPECT_EQ(GetBMapBit(info, 1, 1), 0);
    SetBMapBit(info, 1, 1);      // world (81, 41)
    SetBMapBit(info, 79, 39);    // world (159, 79): last bit of the centre tile
    SetBMapBit(info, -80, -40);  // world (0, 0): first bit of tile (0, 0)
    SetBMapBit(info, 500, 0);    // outside the window: nothing
    EXPECT_EQ(GetBMapBit(info, 1, 1), 1);
    EXPECT_EQ(GetBMapBit(info, 0, 1), 0);
    EXPECT_EQ(GetBMapBit(info, 500, 0), 0);
    EXPECT_EQ(GetBMapBit(info, -81, 0), 0);
    ExitKarte(info);

    Bytes b11 = vektest::ReadBytes(TeilName("B_", 1, 1));
    ASSERT_EQ(b11.size(), BMAP_TEIL_BYTES);
    EXPECT_EQ(b11[10], 0x02);
    EXPECT_EQ(b11[399], 0x80);
    Bytes b00 = vektest::ReadBytes(TeilName("B_", 0, 0));
    EXPECT_EQ(b00[0], 0x01);

    info = LadeKarte(MAPSTATUS_BMAP, 1, 1, "./Map");
    ASSERT_NE(info, nullptr);
    info->IndeX = 80;
    info->IndeY = 40;
    EXPECT_EQ(GetBMapBit(info, 1, 1), 1);
    EXPECT_EQ(GetBMapBit(info, 79, 39), 1);
    EXPECT_EQ(GetBMapBit(info, -80, -40), 1);
    EXPECT_EQ(GetBMapBit(info, 2, 1), 0);
    ExitKarte(info);
    EXPECT_EQ(GetBMapBit(nullptr, 0, 0), 0);
}

TEST_F(Kacheln, KnowledgeAcrossTheSeam)
{
    Bytes b(BMAP_TEIL_BYTES, 0);
    b[39 * 10 + 9] = 0x80;  // hex (79, 39) of tile (159, 159): world (12,799, 6,399)
    vektest::WriteBytes(TeilName("B_", 159, 159), b);
    VekMapInfo *info = LadeKarte(MAPSTATUS_BMAP, 0, 0, "./Map");
    ASSERT_NE(info, nullptr);
    info->IndeX = 80;
    info->IndeY = 40;
    EXPECT_EQ(GetBMapBit(info, -1, -1), 1);
    EXPECT_EQ(GetBMapBit(info, 0, 0), 0);
    ExitKarte(info);
    EXPECT_EQ(vektest::ReadBytes(TeilName("B_", 159, 159)), b);
}

TEST_F(Kacheln, TilesOutsideTheWorldAreEmptyAndNeverStored)
{
    Speicherbilanz bilanz;
    vektest::StdoutCapture cap;
    VekMapInfo *info = LadeKarte(MAPSTATUS_BMAP, 160, 3, "./Map");
    std::string text = cap.Take();
    ASSERT_NE(info, nullptr);
    EXPECT_NE(text.find("LadeKartenTeil: falsche Karte angesprungen! Bitte beim Spielleiter melden : "
                        "<./Map/M_160_2.map>...\n"),
              std::string::npos);
    EXPECT_NE(text.find("LadeBMapTeil: falsche Bekanntheitskarte angesprungen!"), std::string::npos);
    EXPECT_EQ(info->KartenFHArray[1], nullptr);
    EXPECT_EQ(+FensterHex(info, 100, 50)->Art, 0);
    FensterHex(info, 100, 50)->Art = 5;  // lost with the tile: it has no file
    ExitKarte(info);
    EXPECT_EQ(bilanz.Offen(), 0);
    for (LONG ty = 2; ty <= 4; ++ty) {
        EXPECT_TRUE(vektest::Exists(TeilName("M_", 159, ty)));
        for (LONG tx : {160, 161}) {
            EXPECT_FALSE(vektest::Exists(TeilName("M_", tx, ty)));
            EXPECT_FALSE(vektest::Exists(TeilName("B_", tx, ty)));
        }
    }

    // A centre left of the world: no tile wraps to 159 and no file appears.
    info = LadeKarte(0, -1, 50, "./Map");
    ASSERT_NE(info, nullptr);
    ExitKarte(info);
    for (LONG ty = 49; ty <= 51; ++ty) {
        for (LONG tx : {-2, -1, 159}) EXPECT_FALSE(vektest::Exists(TeilName("M_", tx, ty))) << tx << "," << ty;
    }
}

// A tile file the client may not write is refused at loading: kept open, it
// would drop every change (explored hexes, written-back tiles) at the end.
TEST_F(Kacheln, ReadOnlyTileIsRefused)
{
    struct Row {
        const char *art;
        ULONG status;
        const char *text;
    } rows[] = {
        {"M_", 0, "LadeKartenTeil : Konnte Daten nicht einlesen !\n"},
        {"B_", MAPSTATUS_BMAP, "LadeBMapTeil : Konnte Daten nicht einlesen !\n"},
    };
    chmod(".", 0777);
    chmod("Map", 0777);
    for (const auto &r : rows) {
        SCOPED_TRACE(r.art);
        vektest::WriteBytes(TeilName(r.art, 5, 5), Bytes(r.art[0] == 'M' ? TEIL_BYTES : BMAP_TEIL_BYTES, 0));
        chmod(TeilName(r.art, 5, 5).c_str(), 0444);
        const char *text = r.text;
        ULONG status = r.status;
        int result = vektest::AsUnprivileged([text, status] {
            vektest::StdoutCapture cap;
            VekMapInfo *info = LadeKarte(status, 5, 5, "./Map");
            std::string out = cap.Take();
            // A refused map tile ends the loading; a refused knowledge tile
            // leaves the map without knowledge.
            bool refused = status == 0 ? info == nullptr : info && !info->BMapPtr;
            if (info) ExitKarte(info);
            if (out.find(text) == std::string::npos) return 2;
            return refused ? 0 : 1;
        });
        EXPECT_EQ(result, 0);
        chmod(TeilName(r.art, 5, 5).c_str(), 0666);  // writable for the next row
    }
}

TEST_F(Kacheln, ShortTileFileReadsAsZeroRest)
{
    Bytes kurz(100, 0);
    PutLE(kurz, 22 + 8, 17, 2);  // hex (1, 0) of the tile
    vektest::WriteBytes(TeilName("M_", 5, 5), kurz);
    VekMapInfo *info = LadeKarte(0, 5, 5, "./Map");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(+FensterHex(info, 81, 40)->Art, 17);
    EXPECT_EQ(+FensterHex(info, 85, 40)->Art, 0);
    ExitKarte(info);
    Bytes danach = vektest::ReadBytes(TeilName("M_", 5, 5));
    ASSERT_EQ(danach.size(), TEIL_BYTES);
    EXPECT_EQ(GetLE(danach, 30, 2), 17u);
}

TEST_F(Kacheln, FailuresReleaseEverything)
{
    Speicherbilanz bilanz;
    {
        vektest::StdoutCapture cap;
        EXPECT_EQ(LadeKarte(0, 3, 3, "./Fehlt"), nullptr);
        std::string text = cap.Take();
        EXPECT_NE(text.find("LadeKartenTeil : Konnte Karte nicht neu anlegen !\n"), std::string::npos);
        EXPECT_NE(text.find("LadeKarte : Konnte nicht alle Karten laden !\n"), std::string::npos);
    }
    EXPECT_EQ(LadeKarte(0, 3, 3, nullptr), nullptr);
    EXPECT_EQ(LadeKarte(0, 3, 3, std::string(300, 'x').c_str()), nullptr);
    EXPECT_EQ(bilanz.Offen(), 0);

    // Knowledge tiles that fail leave the map loaded.
    VekMapInfo *info = LadeKarte(0, 3, 3, "./Map");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(LadeBMap(info, 3, 3, "./Fehlt"), 0);
    EXPECT_EQ(GetBMapBit(info, 0, 0), 0);
    EXPECT_EQ(LadeKartenTeil(info, 4, 3, 3), 0) << "an occupied slot is refused";
    EXPECT_EQ(LadeKartenTeil(info, 9, 3, 3), 0);
    ExitKarte(info);
    EXPECT_EQ(bilanz.Offen(), 0);
}

TEST_F(Kacheln, TileExchangeBySlot)
{
    vektest::WriteBytes(TeilName("M_", 10, 10), MusterTeil(10, 10));
    VekMapInfo *info = LadeKarte(0, 10, 10, "./Map");
    ASSERT_NE(info, nullptr);
    FensterHex(info, 80, 40)->Art = 88;
    EXPECT_EQ(SchreibeKartenTeil(info, 4), 1);
    EXPECT_EQ(info->MapPtrArray[4], nullptr);
    EXPECT_EQ(GetLE(vektest::ReadBytes(TeilName("M_", 10, 10)), 8, 2), 88u);
    ASSERT_EQ(LadeKartenTeil(info, 4, 10, 10), 1);
    CopyMap(info);
    EXPECT_EQ(+FensterHex(info, 80, 40)->Art, 88);
    EXPECT_EQ(+FensterHex(info, 81, 40)->X, 801u);
    ExitKarte(info);
}

// Figures of the nine tiles, with wrap at tile column 159/0.
TEST_F(Kacheln, LocalFigureList)
{
    VekMapInfo info{};
    info.X_WorldMap = 0;
    info.Y_WorldMap = 5;
    struct Figur {
        ULONG x, y;
        bool lokal;
    } figuren[] = {
        {159 * 80 + 3, 5 * 40, true},   {0, 4 * 40, true},           {2 * 80 - 1, 7 * 40 - 1, true},
        {2 * 80, 5 * 40, false},        {100, 3 * 40 + 39, false},   {100, 7 * 40, false},
        {158 * 80 + 79, 200, false},    {20000, 200, false},         {100, 70000, false},
    };
    const ULONG n = sizeof figuren / sizeof figuren[0];
    const ULONG groesse = 2 + 18 * n;
    std::vector<UBYTE> global(groesse), lokal(groesse, 0xEE);
    UWORD anzahl = (UWORD)n;
    std::memcpy(global.data(), &anzahl, 2);
    for (ULONG i = 0; i < n; ++i) {
        st_MOVE_EXT f{};
        f.SpielerID = i;
        f.X_Pos = figuren[i].x;
        f.Y_Pos = figuren[i].y;
        std::memcpy(global.data() + 2 + 18 * i, &f, 18);
    }
    info.PeopleMemPtr = global.data();
    info.LocalPeopleMemPtr = lokal.data();
    info.PeopleMemSize = groesse;
    {
        vektest::StdoutCapture cap;
        MakeLocalPeopleMemPtr(&info);
        std::string text = cap.Take();
        EXPECT_NE(text.find("Anzahl globale Figuren 9\n"), std::string::npos);
        EXPECT_NE(text.find("Anzahl lokale Figuren 3\n"), std::string::npos);
    }
    ASSERT_EQ(FigurenImBlock(lokal.data(), groesse), 3u);
    ULONG k = 0;
    for (ULONG i = 0; i < n; ++i) {
        if (!figuren[i].lokal) continue;
        EXPECT_EQ(+FigurImBlock(lokal.data(), k)->SpielerID, i) << "stored order kept";
        ++k;
    }
    EXPECT_EQ(lokal[groesse - 1], 0) << "the rest of the local block is cleared";

    // A count larger than the block is cut to the records that are there.
    anzahl = 60000;
    std::memcpy(global.data(), &anzahl, 2);
    MakeLocalPeopleMemPtr(&info);
    EXPECT_EQ(FigurenImBlock(lokal.data(), groesse), 3u);
    EXPECT_EQ(FigurenImBlock(global.data(), 19), 0u);
    EXPECT_EQ(FigurenImBlock(global.data(), 1), 0u);
    EXPECT_EQ(FigurenImBlock(nullptr, 100), 0u);
}

}  // namespace
