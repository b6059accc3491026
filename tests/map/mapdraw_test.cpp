// The map drawing: the terrain table, what a hex draws and what it must not,
// border dots, the strip redraw after one-step scrolls against a full redraw,
// and the pixel-to-hex lookup against the hex mask itself.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>
#include <vector>

#include "gfx/gfxnumber.h"
#include "kartenwelt.h"
#include "map/figures_map.h"
#include "map/mapview.h"
#include "platform/memfile.h"
#include "platform/system.h"

namespace {

using namespace kartentest;

// Art, then the graphic for seasons 0-3 in sight and 0-3 out of sight.
const char kErsteZeilen[] = R"(
1 841 841 841 859 1012 1012 1012 1013
2 842 842 1044 856 1016 1016 1045 1017
3 843 843 843 862 1020 1020 1020 1031
4 844 844 844 845 1021 1021 1021 1022
5 5 5 5 473 939 939 939 940
6 6 6 6 6 941 941 941 941
7 7 7 7 474 942 942 942 943
8 8 8 8 8 946 946 946 946
9 9 9 9 9 947 947 947 947
10 10 10 10 476 949 949 949 950
11 11 11 11 477 951 951 951 952
12 12 12 12 478 957 957 957 958
13 13 13 1054 479 959 959 1055 960
14 14 14 14 480 987 987 987 988
15 15 15 15 481 989 989 989 990
16 16 16 16 482 991 991 991 992
17 17 17 1076 483 993 993 1077 994
18 18 18 18 484 995 995 995 996
19 19 19 1078 485 997 997 1079 998
20 20 20 1080 486 999 999 1081 1000
21 21 21 21 487 1001 1001 1001 1002
22 22 22 22 488 1003 1003 1003 1004
23 23 23 23 23 1005 1005 1005 1005
24 24 24 24 24 1006 1006 1006 1006
25 25 25 25 25 1007 1007 1007 1007
26 26 26 26 26 1008 1008 1008 1008
27 27 27 27 492 953 953 953 954
28 28 28 28 28 1009 1009 1009 1009
29 29 29 29 29 1010 1010 1010 1010
30 30 30 30 30 1011 1011 1011 1011
31 854 854 1042 855 944 944 1043 945
32 860 860 1048 861 1014 1014 1049 1015
33 857 857 857 858 1018 1018 1018 1019
34 863 863 863 864 1032 1032 1032 1033
35 846 846 1050 847 1023 1023 1051 1024
36 848 848 1052 849 1025 1025 1053 1026
37 850 850 850 851 1027 1027 1027 1028
38 852 852 852 853 1029 1029 1029 1030
39 891 891 891 892 961 961 961 962
40 893 893 1056 894 963 963 1057 964
41 895 895 895 896 965 965 965 966
42 897 897 1058 898 967 967 1059 968
43 899 899 1060 900 969 969 1061 970
44 901 901 1062 902 971 971 1063 972
45 903 903 1064 904 973 973 1065 974
46 905 905 1066 906 975 975 1067 976
47 907 907 1068 908 977 977 1069 978
48 909 909 1070 910 979 979 1071 980
49 911 911 1072 912 981 981 1073 982
50 913 913 913 914 983 983 983 984
51 915 915 1074 916 985 985 1075 986
52 917 917 1046 918 955 955 1047 956
53 1037 1037 1037 1038 1039 1039 1039 1040
54 1181 1181 1181 473 1218 1218 1218 940
55 1182 1182 1182 473 1219 1219 1219 940
56 1183 1183 1183 1257 1220 1220 1220 1261
57 1184 1184 1184 1258 1221 1221 1221 1262
)";

UWORD SollElement(int art, int spalte)
{
    if (art == 0) return 0;
    if (art <= 57) {
        std::istringstream in(kErsteZeilen);
        int a, g[8];
        while (in >> a >> g[0] >> g[1] >> g[2] >> g[3] >> g[4] >> g[5] >> g[6] >> g[7])
            if (a == art) return (UWORD)g[spalte];
        return 0xFFFF;
    }
    if (art <= 90) return (UWORD)(spalte < 4 ? art + 1127 : art + 1164);
    if (art == 91) return spalte < 4 ? 1263 : 1264;
    return 840;
}

TEST(KartenElemente, EveryCellMatchesTheReferenceRows)
{
    EXPECT_EQ(KartenElemente[58][0], 1185);
    EXPECT_EQ(KartenElemente[90][7], 1254);
    for (int art = 0; art < KARTEN_ELEMENTE; ++art)
        for (int s = 0; s < 8; ++s) EXPECT_EQ(KartenElemente[art][s], SollElement(art, s)) << art << "/" << s;
}

// A view over the synthetic world, written back and closed at the end.
struct Sicht {
    VekMapInfo *v = nullptr;
    Sicht(LONG x, LONG y, LONG breite, LONG hoehe, UWORD status)
    {
        v = LadeKarte(MAPSTATUS_BMAP, x / TEIL_BREITE, y / TEIL_HOEHE, "./Map");
        if (v) InitPos(v, x, y, 0, 0, breite, hoehe, status);
    }
    ~Sicht()
    {
        if (!v) return;
        ExitPos(v);
        ExitKarte(v);
    }
};

class Zeichnen : public testing::TestWithParam<int> {
protected:
    int Tiefe() const { return GetParam(); }
    Umgebung welt{GetParam(), 640, 480};
};

INSTANTIATE_TEST_SUITE_P(Tiefen, Zeichnen, testing::Values(8, 32),
                         [](const testing::TestParamInfo<int> &i) { return std::to_string(i.param) + "bit"; });

// Every window hex set to one record.
void FuelleFenster(VekMapInfo *v, const MapEntry &e)
{
    for (LONG i = 0; i < FENSTER_BREITE * FENSTER_HOEHE; ++i) v->GreatMapPtr[i] = e;
    std::memset(v->GreatBMapPtr, 0xFF, FENSTER_BMAP_BYTES);
}

MapEntry Eintrag(UWORD art, ULONG besitzer, ULONG spezial = 0, UBYTE stufe = 0)
{
    MapEntry e{};
    e.Art = art;
    e.BesitzerID = besitzer;
    e.Spezial = spezial;
    e.THQ = e.PHQ = e.MHQ = stufe;
    return e;
}

void GibCMap(VekMapInfo *v, UBYTE wert)
{
    if (!v->GreatCMapPtr) v->GreatCMapPtr = (UBYTE *)AllocVec(FENSTER_BMAP_BYTES, MEMF_CLEAR);
    std::memset(v->GreatCMapPtr, wert, FENSTER_BMAP_BYTES);
}

constexpr UWORD kAlleAuflagen = MAPSTATUS_BMAP | MAPSTATUS_GRENZEN | MAPSTATUS_BEWEGUNG | MAPSTATUS_ROHSTOFFE;

TEST_P(Zeichnen, HexWithoutATableGraphicDrawsNothingNotEvenOverlays)
{
    ASSERT_TRUE(welt.Ok());
    Sicht s(160, 80, 640, 448, kAlleAuflagen);
    ASSERT_NE(s.v, nullptr);
    GibCMap(s.v, 0xFF);
    for (UWORD art : {0, 100, 65535}) {
        SCOPED_TRACE(art);
        // Own ground with a dungeon, full resources and foreign ground all round.
        FuelleFenster(s.v, Eintrag(art, 8, SPEZIAL_DUNGEON, 5));
        MapEntry *mitte = FensterHex(s.v, s.v->IndeX + 4, s.v->IndeY + 3);
        *mitte = Eintrag(art, kIch, SPEZIAL_DUNGEON, 5);
        BlitMap(s.v);
        EXPECT_EQ(vektest::CountOther(s.v->LayerBitmapPtr, 0), 0);
    }
}

TEST_P(Zeichnen, UnexploredHexLooksLikeNoHexAtAll)
{
    ASSERT_TRUE(welt.Ok());
    Sicht s(160, 80, 640, 448, kAlleAuflagen);
    ASSERT_NE(s.v, nullptr);
    GibCMap(s.v, 0xFF);
    for (LONG spalte : {4, 5}) {
        SCOPED_TRACE(spalte);
        // Unowned grass round one own, unexplored hex with everything an overlay shows.
        FuelleFenster(s.v, Eintrag(12, NIEMAND));
        const LONG gx = s.v->IndeX + spalte, gy = s.v->IndeY + 3;
        *FensterHex(s.v, gx, gy) = Eintrag(40, kIch, SPEZIAL_DUNGEON, 5);
        s.v->GreatBMapPtr[gy * FENSTER_BMAP_ZEILE + gx / 8] &= (UBYTE)~(1u << (gx % 8));
        BlitMap(s.v);
        const std::vector<ULONG> unbekannt = LayerPixel(s.v);
        *FensterHex(s.v, gx, gy) = Eintrag(0, NIEMAND);
        s.v->GreatBMapPtr[gy * FENSTER_BMAP_ZEILE + gx / 8] |= (UBYTE)(1u << (gx % 8));
        BlitMap(s.v);
        EXPECT_TRUE(LayerPixel(s.v) == unbekannt);
        EXPECT_EQ(vektest::PixelAt(s.v->LayerBitmapPtr, spalte * 48 + 32, 3 * 56 + (spalte & 1) * 28 + 28), 0u);
    }
}

TEST_P(Zeichnen, QuickUpdateIsZeroAfterEveryDrawing)
{
    ASSERT_TRUE(welt.Ok());
    Sicht s(160, 80, 640, 448, kAlleAuflagen | MAPSTATUS_NEBEL);
    ASSERT_NE(s.v, nullptr);
    for (UWORD modus : {0, 1, 2, 3, 4, 5, 6, 0xFFFF}) {
        s.v->QuickUpdate = modus;
        BlitMap(s.v);
        EXPECT_EQ(s.v->QuickUpdate, 0) << modus;
    }
}

// Non-zero pixels of the layer.
long Gesetzt(VekMapInfo *v) { return vektest::CountOther(v->LayerBitmapPtr, 0); }

void LeereLayer(VekMapInfo *v) { vektest::FillBitMap(v->LayerBitmapPtr, 0); }

// Pixels of one border dot: a bottom side has its five dots at any height.
long PunktPixel(VekMapInfo *v)
{
    LeereLayer(v);
    Line4(v->LayerRastPortPtr, 100, 100, 1);
    return Gesetzt(v) / 5;
}

TEST_P(Zeichnen, BorderSidesLeaveOutTheirUpperDotsAtTheTopEdge)
{
    ASSERT_TRUE(welt.Ok());
    Sicht s(160, 80, 640, 448, 0);
    ASSERT_NE(s.v, nullptr);
    RastPort *rp = s.v->LayerRastPortPtr;
    const long punkt = PunktPixel(s.v);
    ASSERT_GT(punkt, 0);
    struct Fall {
        void (*linie)(RastPort *, LONG, LONG, int);
        LONG y;
        long punkte;
    } faelle[] = {
        {Line1, 6, 0}, {Line1, 7, 5}, {Line2, 1, 3}, {Line2, 2, 4}, {Line2, 6, 4}, {Line2, 7, 5},
        {Line5, 1, 3}, {Line5, 2, 4}, {Line5, 7, 5}, {Line3, 0, 5}, {Line6, 0, 5}, {Line4, 0, 5},
    };
    for (const Fall &f : faelle) {
        LeereLayer(s.v);
        f.linie(rp, 100, f.y, 1);
        EXPECT_EQ(Gesetzt(s.v), f.punkte * punkt) << "y " << f.y;
    }
}

TEST_P(Zeichnen, HexAmongForeignNeighboursGetsEveryDotOfEverySide)
{
    ASSERT_TRUE(welt.Ok());
    Sicht s(160, 80, 640, 448, 0);
    ASSERT_NE(s.v, nullptr);
    RastPort *rp = s.v->LayerRastPortPtr;
    const long punkt = PunktPixel(s.v);
    Line4(rp, 100, 100, 1);
    const ULONG eigen = vektest::PixelAt(s.v->LayerBitmapPtr, 100 + 45 + 3, 100 + 47 + 3);
    // The dot positions of the six sides for a hex at (x, y) far from the edge.
    const LONG x = 200, y = 150;
    const LONG soll[][2] = {
        {45, -7}, {38, -7}, {31, -7}, {24, -7}, {17, -7},    // N
        {17, -7}, {13, -2}, {9, 5},   {5, 12},  {1, 19},     // NW
        {1, 19},  {5, 26},  {9, 33},  {13, 40}, {17, 47},    // SW
        {45, 47}, {38, 47}, {31, 47}, {24, 47}, {17, 47},    // S
        {45, -7}, {49, -2}, {53, 5},  {57, 12}, {61, 19},    // NE
        {61, 19}, {57, 26}, {53, 33}, {49, 40}, {45, 47},    // SE
    };
    for (LONG spalte : {4, 5}) {
        SCOPED_TRACE(spalte);
        FuelleFenster(s.v, Eintrag(12, 8));
        *FensterHex(s.v, s.v->IndeX + spalte, s.v->IndeY + 3) = Eintrag(12, kIch);
        LeereLayer(s.v);
        BlitFrontier(s.v, spalte, 3, rp, x, y);
        // Corners are shared by two sides: 24 distinct dots.
        EXPECT_EQ(Gesetzt(s.v), 24 * punkt);
        for (const auto &d : soll)
            EXPECT_EQ(vektest::PixelAt(s.v->LayerBitmapPtr, x + d[0] + 3, y + d[1] + 3), eigen) << d[0] << "," << d[1];
    }
}

// Steps in the four directions, each drawn as a strip, against a full
// redraw at the same place after every step.
class Streifen : public testing::TestWithParam<std::tuple<int, UWORD>> {
protected:
    int Tiefe() const { return std::get<0>(GetParam()); }
    UWORD Status() const { return std::get<1>(GetParam()); }
    Umgebung welt{std::get<0>(GetParam()), std::get<0>(GetParam()) == 8 ? 640 : 1024,
                  std::get<0>(GetParam()) == 8 ? 480 : 768};
};

INSTANTIATE_TEST_SUITE_P(
    Arten, Streifen,
    testing::Combine(testing::Values(8, 32),
                     testing::Values(UWORD(kAlleAuflagen), UWORD(kAlleAuflagen | MAPSTATUS_NEBEL),
                                     UWORD(MAPSTATUS_GRENZEN | MAPSTATUS_NEBEL | MAPSTATUS_FIGUREN))),
    [](const testing::TestParamInfo<std::tuple<int, UWORD>> &i) {
        return std::to_string(std::get<0>(i.param)) + "bit_status" + std::to_string(std::get<1>(i.param));
    });

TEST_P(Streifen, EveryStepEqualsAFullRedrawPixelForPixel)
{
    ASSERT_TRUE(welt.Ok());
    const LONG breite = Tiefe() == 8 ? 640 : 1024, hoehe = Tiefe() == 8 ? 448 : 768;
    // Near the corner where tile 159 meets tile 0 both ways.
    Sicht s(12780, 6380, breite, hoehe, Status());
    ASSERT_NE(s.v, nullptr);
    ASSERT_NE(s.v->LayerBitmapPtr, nullptr);
    GibCMap(s.v, 0);
    std::mt19937 zufall(24);
    for (int i = 0; i < (int)FENSTER_BMAP_BYTES; ++i) s.v->GreatCMapPtr[i] = (UBYTE)zufall();
    BlitMap(s.v);
    const LONG b = (LONG)s.v->LayerBitmapPtr->Breite;
    static const LONG kSchritt[4][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
    int richtung = 0;
    for (int i = 0; i < 60; ++i) {
        // Runs of a few steps in one direction, so the view crosses tiles and seams.
        if (zufall() % 4 == 0) richtung = (int)(zufall() % 4);
        ASSERT_EQ(SetPos(s.v, kSchritt[richtung][0], kSchritt[richtung][1]), 1);
        const std::vector<ULONG> streifen = LayerPixel(s.v);
        s.v->QuickUpdate = QU_ALLES;
        BlitMap(s.v);
        const std::vector<ULONG> voll = LayerPixel(s.v);
        ASSERT_EQ(streifen.size(), voll.size());
        // Only the part copied to the screen counts: the margins never reach it.
        auto Sichtbar = [&](size_t k) {
            const LONG x = (LONG)k % b - 16, y = (LONG)k / b - 28;
            return x >= 0 && y >= 0 && x < s.v->Ziel_X2 && y < s.v->Ziel_Y2;
        };
        size_t erster = 0;
        while (erster < voll.size() && (streifen[erster] == voll[erster] || !Sichtbar(erster))) ++erster;
        ASSERT_EQ(erster, voll.size()) << "step " << i << " direction " << richtung << " first difference at ("
                                       << (LONG)erster % b << ", " << (LONG)erster / b << ")";
    }
}

// The hex mask as rows of 64 pixels, read from the graphic itself.
std::vector<uint64_t> MaskenZeilen()
{
    std::vector<uint64_t> zeilen;
    if (OpenKavorGfx("./Data/Path", 31) != 1) return zeilen;
    BitMap *b = BitMapPtrArray[30];
    for (LONG y = 0; y < 56; ++y) {
        uint64_t z = 0;
        for (LONG i = 0; i < 8; ++i) z = z << 8 | vektest::PixelAt(b, i, y);
        zeilen.push_back(z);
    }
    CloseKavorGfx(31);
    return zeilen;
}

TEST_P(Zeichnen, PixelNamesTheHexWhoseMaskCoversIt)
{
    ASSERT_TRUE(welt.Ok());
    Sicht s(160, 80, 640, 448, 0);
    ASSERT_NE(s.v, nullptr);
    const std::vector<uint64_t> maske = MaskenZeilen();
    ASSERT_EQ(maske.size(), 56u);
    const LONG xt = s.v->XTiles, yt = s.v->YTiles, w = xt * 48 + 16, h = yt * 56 + 28;
    // Every view hex painted through the mask in its own pen; pixels two
    // hexes cover are left out.
    std::vector<ULONG> pen((size_t)w * h, KEIN_HEX);
    std::vector<int> deckung((size_t)w * h, 0);
    // Hexes round the view cover its edges too; there the answer is no hex.
    for (LONG c = -1; c <= xt; ++c)
        for (LONG r = -1; r <= yt; ++r)
            for (LONG my = 0; my < 56; ++my)
                for (LONG mx = 0; mx < 64; ++mx) {
                    const LONG px = c * 48 + mx, py = r * 56 + (c & 1) * 28 + my;
                    if (!((maske[my] >> (63 - mx)) & 1) || px < 0 || py < 0 || px >= w || py >= h) continue;
                    const size_t at = (size_t)py * w + (size_t)px;
                    const bool drin = c >= 0 && r >= 0 && c < xt && r < yt;
                    pen[at] = drin ? (ULONG)c << 16 | (ULONG)r : KEIN_HEX;
                    ++deckung[at];
                }
    const LONG rand = Tiefe() == 8 ? 16 : 0;
    long geprueft = 0;
    for (LONG y = 0; y < h; ++y)
        for (LONG x = 0; x < w; ++x) {
            const size_t at = (size_t)y * w + x;
            if (deckung[at] != 1) continue;
            ++geprueft;
            ASSERT_EQ(GetMapGadget(s.v, x + rand, y + rand), pen[at]) << x << "," << y;
        }
    EXPECT_GT(geprueft, (long)xt * yt * 2000);
    // Above and left of the view, and past its last column and row: no hex.
    for (auto p : {std::pair<LONG, LONG>{0, 0}, {2, 10}, {60, 5}, {-1, 40}, {40, -1}, {w - 2, 60}, {60, h - 2}})
        EXPECT_EQ(GetMapGadget(s.v, p.first + rand, p.second + rand), KEIN_HEX) << p.first << "," << p.second;
}

TEST(KartenPixel, WindowAtEightBitsStartsSixteenPixelsIn)
{
    Umgebung welt(8, 640, 480);
    ASSERT_TRUE(welt.Ok());
    std::vector<ULONG> acht;
    for (LONG y = 0; y < 200; y += 3)
        for (LONG x = 0; x < 300; x += 3) acht.push_back(GetMapGadget(nullptr, x + 16, y + 16));
    VekDisplay.VekScreen_Tiefe = 32;
    size_t i = 0;
    for (LONG y = 0; y < 200; y += 3)
        for (LONG x = 0; x < 300; x += 3) ASSERT_EQ(GetMapGadget(nullptr, x, y), acht[i++]) << x << "," << y;
    EXPECT_EQ(GetMapGadget(nullptr, 32, 28), 0u);
    EXPECT_EQ(GetMapGadget(nullptr, 80, 56), 1u << 16);
}

}  // namespace

namespace {

// The pixels that differ between two drawings of the same layer, as a box.
vektest::Rect Unterschied(VekMapInfo *v, const std::vector<ULONG> &a, const std::vector<ULONG> &b)
{
    const LONG w = (LONG)v->LayerBitmapPtr->Breite;
    LONG x0 = INT32_MAX, y0 = INT32_MAX, x1 = -1, y1 = -1;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i]) continue;
        const LONG x = (LONG)i % w, y = (LONG)i / w;
        x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    }
    return x1 < 0 ? vektest::Rect{0, 0, 0, 0} : vektest::Rect{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

TEST_P(Zeichnen, DungeonMarkerFollowsTheTerrainClass)
{
    ASSERT_TRUE(welt.Ok());
    Sicht s(160, 80, 640, 448, MAPSTATUS_BMAP);
    ASSERT_NE(s.v, nullptr);
    struct Fall {
        UWORD art;
        LONG dx;  // 0: no marker
    } faelle[] = {{9, 14}, {5, 14}, {10, 14}, {6, 20}, {17, 20}, {12, 20}, {14, 20}, {24, 20}, {1, 20},
                  {8, 0},  {23, 0}};
    for (LONG spalte : {4, 5}) {
        for (const Fall &f : faelle) {
            SCOPED_TRACE(std::to_string(spalte) + " art " + std::to_string(f.art));
            FuelleFenster(s.v, Eintrag(12, NIEMAND));
            MapEntry *e = FensterHex(s.v, s.v->IndeX + spalte, s.v->IndeY + 3);
            *e = Eintrag(f.art, NIEMAND);
            BlitMap(s.v);
            const std::vector<ULONG> ohne = LayerPixel(s.v);
            e->Spezial = SPEZIAL_DUNGEON;
            BlitMap(s.v);
            const std::vector<ULONG> mit = LayerPixel(s.v);
            const vektest::Rect d = Unterschied(s.v, ohne, mit);
            if (!f.dx) {
                EXPECT_EQ(d.w, 0);
                continue;
            }
            // Inside the 16 x 16 marker at its place.
            const LONG x = spalte * 48 + f.dx, y = 3 * 56 + (spalte & 1) * 28 + 11;
            EXPECT_GE(d.x, x);
            EXPECT_GE(d.y, y);
            EXPECT_LE(d.x + d.w, x + 16);
            EXPECT_LE(d.y + d.h, y + 16);
            EXPECT_GT(d.w, 0);
        }
    }
}

TEST_P(Zeichnen, ResourceBarShapeAndLengthsThatDoNotFit)
{
    ASSERT_TRUE(welt.Ok());
    Sicht s(160, 80, 640, 448, 0);
    ASSERT_NE(s.v, nullptr);
    RastPort *rp = s.v->LayerRastPortPtr;
    BitMap *b = s.v->LayerBitmapPtr;
    struct Fall {
        LONG wert;
        long pixel;  // set pixels: fill, shadow lines, three corner pixels
    } faelle[] = {{-1, 0}, {128, 0}, {0, 7 + 7 + 2}, {10, 77 + 11 + 6 + 3}, {125, 882 + 126 + 6 + 3}};
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.wert);
        LeereLayer(s.v);
        MaleRohstoffBalken(rp, 100, 100, f.wert, 108, 105);
        EXPECT_EQ(Gesetzt(s.v), f.pixel);
        if (f.wert < 0 || f.wert > 127) continue;
        const ULONG dunkel = vektest::PixelAt(b, 100, 100);
        EXPECT_EQ(vektest::PixelAt(b, 100 + f.wert, 106), dunkel);
        EXPECT_EQ(vektest::PixelAt(b, 102 + f.wert, 98), dunkel);
        EXPECT_EQ(vektest::PixelAt(b, 102 + f.wert, 102), dunkel);
        EXPECT_EQ(vektest::PixelAt(b, 101 + f.wert, 105), dunkel);
        EXPECT_EQ(vektest::PixelAt(b, 101, 99), dunkel);
        // Light segments of four pixels, one every five.
        for (LONG i = 0; i < f.wert / 5; ++i) {
            EXPECT_NE(vektest::PixelAt(b, 101 + 5 * i, 101), dunkel) << i;
            EXPECT_NE(vektest::PixelAt(b, 104 + 5 * i, 105), dunkel) << i;
            EXPECT_EQ(vektest::PixelAt(b, 105 + 5 * i, 103), dunkel) << i;
        }
    }
}

TEST_P(Zeichnen, FogUpdateRedrawsOnlyHexesWhoseSightChanged)
{
    ASSERT_TRUE(welt.Ok());
    Sicht s(160, 80, 640, 448, MAPSTATUS_NEBEL);
    ASSERT_NE(s.v, nullptr);
    for (LONG c = 0; c < s.v->XTiles; ++c)
        for (LONG r = 0; r < s.v->YTiles; ++r) s.v->FOWMask[c][r] = (ULONG)CheckFogofWar(s.v, 0, nullptr, c, r);
    // Marks in the middle of two hexes; only one of them changes sight.
    SDL_Surface *layer = s.v->LayerBitmapPtr->Surface;
    const ULONG marke = Tiefe() == 8 ? 0xEE : 0x123456;
    SDL_Rect a = {4 * 48 + 30, 3 * 56 + 26, 4, 4}, b = {6 * 48 + 30, 3 * 56 + 26, 4, 4};
    SDL_FillRect(layer, &a, marke);
    SDL_FillRect(layer, &b, marke);
    s.v->FOWMask[4][3] = !s.v->FOWMask[4][3];
    s.v->QuickUpdate = QU_NEBEL;
    BlitMap(s.v);
    EXPECT_NE(vektest::PixelAt(s.v->LayerBitmapPtr, a.x + 1, a.y + 1), marke);
    EXPECT_EQ(vektest::PixelAt(s.v->LayerBitmapPtr, b.x + 1, b.y + 1), marke);
}

TEST_P(Zeichnen, ReleasingPatternsFollowsBothLists)
{
    ASSERT_TRUE(welt.Ok());
    struct Fall {
        UWORD n;
        bool mitNull, mitEins;  // released by CloseAllPattern(0) / (1)
    } faelle[] = {{4, true, false}, {31, true, false}, {12, true, false}, {845, true, false}, {440, true, false},
                  {1000, true, false}, {386, true, false}, {493, true, true}, {839, true, true}, {887, true, true},
                  {1291, false, false}, {471, false, false}, {1185, false, false}};
    for (int modus : {1, 0}) {
        for (const Fall &f : faelle) ASSERT_EQ(OpenKavorGfx("./Data/Path", f.n), 1) << f.n;
        EXPECT_EQ(CloseAllPattern(modus), 0);
        for (const Fall &f : faelle) {
            EXPECT_EQ(BitMapPtrArray[f.n - 1] == nullptr, modus ? f.mitEins : f.mitNull) << modus << " " << f.n;
            while (BitMapPtrArray[f.n - 1]) CloseKavorGfx(f.n);
        }
    }
}

}  // namespace

namespace {

// Scrolls, jumps and figure steps in random seeded runs over a view full of
// figures: after every one the part of the layer the screen shows equals a
// fresh full drawing. The layer drawn step by step is kept between checks,
// so damage that a later step would carry along is found too.
class Ablauf : public testing::TestWithParam<std::tuple<int, UWORD>> {
protected:
    int Tiefe() const { return std::get<0>(GetParam()); }
    UWORD Status() const { return std::get<1>(GetParam()); }
    Umgebung welt{std::get<0>(GetParam()), std::get<0>(GetParam()) == 8 ? 640 : 1024,
                  std::get<0>(GetParam()) == 8 ? 480 : 768};
    void SetUp() override { SetPeopleAnimDelay = nullptr; }
    void TearDown() override { SetPeopleAnimDelay = Delay; }
};

// The map screen's status with borders, and everything a view can show.
INSTANTIATE_TEST_SUITE_P(
    Arten, Ablauf,
    testing::Combine(testing::Values(8, 32),
                     testing::Values(UWORD(MAPSTATUS_BMAP | MAPSTATUS_FIGUREN | MAPSTATUS_GRENZEN | MAPSTATUS_NEBEL),
                                     UWORD(kAlleAuflagen | MAPSTATUS_FIGUREN | MAPSTATUS_NEBEL),
                                     UWORD(kAlleAuflagen | MAPSTATUS_FIGUREN))),
    [](const testing::TestParamInfo<std::tuple<int, UWORD>> &i) {
        return std::to_string(std::get<0>(i.param)) + "bit_status" + std::to_string(std::get<1>(i.param));
    });

// The layer's pixel rows, to put back after a check.
std::vector<UBYTE> RoheZeilen(SDL_Surface *s)
{
    std::vector<UBYTE> z((size_t)s->pitch * s->h);
    std::memcpy(z.data(), s->pixels, z.size());
    return z;
}

// Figures round (x, y): every kind and object, own and foreign, stacks and
// figures aboard, the own ones with points for many steps.
std::vector<st_MOVE_EXT> Bevoelkerung(std::mt19937 &zufall, LONG x, LONG y)
{
    std::vector<st_MOVE_EXT> alle;
    static const ULONG kSpieler[3] = {kIch, 8, 9};
    for (int i = 0; i < 700; ++i) {
        st_MOVE_EXT f{};
        f.SpielerID = kSpieler[zufall() % 3];
        const ULONG k = zufall() % 25;
        f.FigurArt = (UWORD)(k <= 20 ? k : 1000 + zufall() % 14);
        f.FigurNummer = (UWORD)i;
        // Half of them near the last one: stacks with counts.
        const bool stapel = !alle.empty() && zufall() % 2 == 0;
        f.X_Pos = (ULONG)CheckWrap(stapel ? (LONG)alle.back().X_Pos + (LONG)(zufall() % 3) - 1
                                          : x + (LONG)(zufall() % 81) - 40,
                                   WELT_BREITE);
        f.Y_Pos = (ULONG)CheckWrap(stapel ? (LONG)alle.back().Y_Pos + (LONG)(zufall() % 3) - 1
                                          : y + (LONG)(zufall() % 41) - 20,
                                   WELT_HOEHE);
        f.Kommando = zufall() % 12 == 0 ? KOMMANDO_AN_BORD : 0;
        f.Bewegungspunkte = 255;
        alle.push_back(f);
    }
    return alle;
}

void SetzeFiguren(VekMapInfo *v, const std::vector<st_MOVE_EXT> &figuren)
{
    FreeVec(v->PeopleMemPtr);
    FreeVec(v->LocalPeopleMemPtr);
    v->PeopleMemSize = (ULONG)(2 + sizeof(st_MOVE_EXT) * figuren.size());
    v->PeopleMemPtr = (UBYTE *)AllocVec(v->PeopleMemSize, MEMF_CLEAR);
    v->LocalPeopleMemPtr = (UBYTE *)AllocVec(v->PeopleMemSize, MEMF_CLEAR);
    const UWORD n = (UWORD)figuren.size();
    std::memcpy(v->PeopleMemPtr, &n, 2);
    std::memcpy(v->PeopleMemPtr + 2, figuren.data(), sizeof(st_MOVE_EXT) * n);
    MakeLocalPeopleMemPtr(v);
}

// Pixels of the shown part that differ from a full drawing, with the first
// one; the layer is put back as it was.
struct Abweichung {
    long pixel = 0;
    LONG x = -1, y = -1;
};
Abweichung GegenVoll(VekMapInfo *v)
{
    SDL_Surface *s = v->LayerBitmapPtr->Surface;
    const std::vector<UBYTE> schritt = RoheZeilen(s);
    v->QuickUpdate = QU_ALLES;
    BlitMap(v);
    const std::vector<UBYTE> voll = RoheZeilen(s);
    std::memcpy(s->pixels, schritt.data(), schritt.size());
    Abweichung a;
    const int bpp = s->format->BytesPerPixel;
    const LONG x1 = std::min<LONG>(s->w, 16 + v->Ziel_X2), y1 = std::min<LONG>(s->h, 28 + v->Ziel_Y2);
    for (LONG y = 28; y < y1; ++y) {
        const size_t zeile = (size_t)y * s->pitch;
        if (!std::memcmp(&schritt[zeile + 16 * bpp], &voll[zeile + 16 * bpp], (size_t)(x1 - 16) * bpp)) continue;
        for (LONG x = 16; x < x1; ++x) {
            if (!std::memcmp(&schritt[zeile + x * bpp], &voll[zeile + x * bpp], bpp)) continue;
            if (!a.pixel++) a.x = x, a.y = y;
        }
    }
    return a;
}

TEST_P(Ablauf, AfterScrollsJumpsAndStepsTheViewEqualsAFullDrawing)
{
    ASSERT_TRUE(welt.Ok());
    const LONG breite = Tiefe() == 8 ? 480 : 1024, hoehe = Tiefe() == 8 ? 448 : 768;
    // Near the corner where tile 159 meets tile 0 both ways; every view stays
    // within the tiles the synthetic world has.
    const LONG x0 = 12786, y0 = 6394;
    for (unsigned saat : {1u, 2u, 3u}) {
        SCOPED_TRACE("seed " + std::to_string(saat));
        std::mt19937 zufall(saat);
        Sicht s(x0, y0, breite, hoehe, Status());
        ASSERT_NE(s.v, nullptr);
        ASSERT_NE(s.v->LayerBitmapPtr, nullptr);
        VekMapInfo *v = s.v;
        GibCMap(v, 0);
        for (int i = 0; i < (int)FENSTER_BMAP_BYTES; ++i) v->GreatCMapPtr[i] = (UBYTE)zufall();
        SetzeFiguren(v, Bevoelkerung(zufall, x0, y0));
        SetPos(v, 0, 0);
        static const LONG kSchritt[4][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
        static const LONG kGerade[6][2] = {{0, -1}, {1, -1}, {1, 0}, {0, 1}, {-1, 0}, {-1, -1}};
        static const LONG kUngerade[6][2] = {{0, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}};
        int richtung = 0, schritte = 0;
        for (int i = 0; i < 80; ++i) {
            // The view's offset from the start, kept within the world's tiles.
            const LONG ox = Kurz(v->X_Hex - x0, WELT_BREITE), oy = Kurz(v->Y_Hex - y0, WELT_HOEHE);
            const unsigned wahl = zufall() % 10;
            std::string was;
            if (wahl < 6) {
                if (zufall() % 3 == 0) richtung = (int)(zufall() % 4);
                LONG dx = kSchritt[richtung][0], dy = kSchritt[richtung][1];
                if (std::abs(ox + 2 * dx) > 50 || std::abs(oy + dy) > 24) dx = -dx, dy = -dy, richtung ^= 2;
                ASSERT_EQ(SetPos(v, dx, dy), 1);
                was = "scroll " + std::to_string(dx) + "," + std::to_string(dy);
            } else if (wahl == 6) {
                const LONG zx = (LONG)(zufall() % 41) - 20, zy = (LONG)(zufall() % 31) - 15;
                ASSERT_EQ(SetPos(v, (zx * 2 - ox) / 2, zy - oy), 1);
                was = "jump";
            } else {
                // An own figure in the view steps to a neighbour.
                std::vector<st_MOVE_EXT *> eigene;
                const ULONG n = FigurenImBlock(v->PeopleMemPtr, v->PeopleMemSize);
                for (ULONG k = 0; k < n; ++k) {
                    st_MOVE_EXT *f = FigurImBlock(v->PeopleMemPtr, k);
                    const LONG c = CheckWrap((LONG)f->X_Pos - v->X_Hex, WELT_BREITE);
                    const LONG r = CheckWrap((LONG)f->Y_Pos - v->Y_Hex, WELT_HOEHE);
                    if (f->SpielerID == kIch && f->FigurArt <= 20 && f->Kommando != KOMMANDO_AN_BORD &&
                        c >= 2 && r >= 2 && c < v->XTiles - 2 && r < v->YTiles - 2)
                        eigene.push_back(f);
                }
                if (eigene.empty()) continue;
                st_MOVE_EXT *f = eigene[zufall() % eigene.size()];
                const auto &t = (f->X_Pos & 1) ? kUngerade : kGerade;
                const int d = (int)(zufall() % 6);
                if (f->Bewegungspunkte < 20) f->Bewegungspunkte = 255;
                if (!SetPeople(v, f, t[d][0], t[d][1])) continue;
                ++schritte;
                was = "step of kind " + std::to_string(f->FigurArt) + " by " + std::to_string(t[d][0]) + "," +
                      std::to_string(t[d][1]);
            }
            const Abweichung a = GegenVoll(v);
            ASSERT_EQ(a.pixel, 0) << "after " << i << ": " << was << " at view (" << v->X_Hex << ", " << v->Y_Hex
                                  << "), first at (" << a.x << ", " << a.y << ")";
        }
        EXPECT_GT(schritte, 5);
    }
}

// A newly explored hex is shown where the view shows that hex (the layer's
// copy to the screen starts at layer pixel (16, 28)), and only within the
// view's rectangle.
TEST_P(Zeichnen, NewlyExploredHexAppearsWhereTheViewShowsIt)
{
    ASSERT_TRUE(welt.Ok());
    const bool acht = Tiefe() == 8;
    const LONG zx = acht ? 16 : 0, zy = acht ? 16 : 0, zb = 480, zh = 400;
    VekMapInfo *v = LadeKarte(MAPSTATUS_BMAP, 160 / TEIL_BREITE, 80 / TEIL_HOEHE, "./Map");
    ASSERT_NE(v, nullptr);
    ASSERT_EQ(InitPos(v, 160, 80, zx, zy, zb, zh, MAPSTATUS_BMAP), 1);
    FuelleFenster(v, Eintrag(12, NIEMAND));
    v->QuickUpdate = QU_ALLES;
    BlitMap(v);
    BitMap *anzeige = acht ? welt.Screen().ViewBitMap() : welt.Screen().BobBitMap();
    // Inside, in the top row and left column, and at the right edge.
    const LONG faelle[][2] = {{4, 3}, {5, 3}, {0, 0}, {1, 0}, {10, 2}};
    for (const auto &f : faelle) {
        SCOPED_TRACE(std::to_string(f[0]) + "," + std::to_string(f[1]));
        vektest::FillBitMap(anzeige, 0);
        ASSERT_EQ(ShowNewHex(v, f[0], f[1], v->IndeX + f[0], v->IndeY + f[1]), 1);
        const LONG px = f[0] * 48, py = f[1] * 56 + (f[0] & 1) * 28;
        long falsch = 0, gezeigt = 0;
        for (LONG y = 0; y < (LONG)anzeige->Hoehe; ++y)
            for (LONG x = 0; x < (LONG)anzeige->Breite; ++x) {
                const LONG lx = x - zx + 16, ly = y - zy + 28;
                const bool drin = x >= zx && y >= zy && x < zx + zb && y < zy + zh && lx >= px && ly >= py &&
                                  lx < px + 64 && ly < py + 56;
                const ULONG soll = drin ? vektest::PixelAt(v->LayerBitmapPtr, lx, ly) : 0;
                gezeigt += drin && soll;
                falsch += vektest::PixelAt(anzeige, x, y) != soll;
            }
        EXPECT_EQ(falsch, 0);
        EXPECT_GT(gezeigt, 0);
    }
    ExitPos(v);
    ExitKarte(v);
}

}  // namespace
