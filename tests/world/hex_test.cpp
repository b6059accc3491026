// Geometry and rules of the hex world: wrap, neighbours, distance, rings,
// terrain classes, allowances and entry costs.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

#include "world/hex.h"

namespace {

TEST(CheckWrap, TrueModuloForAnyValue)
{
    struct Row {
        LONG wert, max, erwartet;
    } rows[] = {
        {-1, 12800, 12799}, {12800, 12800, 0}, {6399, 6400, 6399}, {0, 6400, 0},
        {-12800, 12800, 0}, {25601, 12800, 1}, {-25601, 12800, 12799}, {-2147483647 - 1, 6400, 4352},
        {2147483647, 12800, 2047},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.wert);
        EXPECT_EQ(CheckWrap(r.wert, r.max), r.erwartet);
    }
}

TEST(HexNeighbours, OddAndEvenColumn)
{
    const HexPos ungerade[6] = {{5, 9}, {6, 10}, {6, 11}, {5, 11}, {4, 11}, {4, 10}};
    const HexPos gerade[6] = {{4, 9}, {5, 9}, {5, 10}, {4, 11}, {3, 10}, {3, 9}};
    for (int r = 0; r < HEX_RICHTUNGEN; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(HexNachbar({5, 10}, r), ungerade[r]);
        EXPECT_EQ(HexNachbar({4, 10}, r), gerade[r]);
    }
}

// Positions at every corner and edge of the world and some inside.
const HexPos kOrte[] = {{0, 0},         {1, 0},       {12799, 0},  {12798, 0},   {0, 6399},
                        {12799, 6399},  {1, 6399},    {12798, 6399}, {6400, 3200}, {6401, 3201},
                        {79, 39},       {80, 40},     {5, 10},     {4, 10},      {12799, 3000}};

TEST(HexNeighbours, WorldPropertiesAcrossTheSeams)
{
    for (HexPos p : kOrte) {
        SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
        std::set<std::pair<LONG, LONG>> verschieden;
        for (int r = 0; r < HEX_RICHTUNGEN; ++r) {
            HexPos n = WeltNachbar(p, r);
            EXPECT_GE(n.x, 0);
            EXPECT_LT(n.x, WELT_BREITE);
            EXPECT_GE(n.y, 0);
            EXPECT_LT(n.y, WELT_HOEHE);
            EXPECT_EQ(WeltDistanz(p, n), 1);
            EXPECT_EQ(WeltNachbar(n, (r + 3) % 6), p) << "opposite direction leads back";
            verschieden.insert({n.x, n.y});
        }
        EXPECT_EQ(verschieden.size(), 6u);
        EXPECT_EQ(WeltDistanz(p, p), 0);
    }
}

TEST(HexNeighbours, SeamStepsBothWays)
{
    EXPECT_EQ(WeltNachbar({0, 10}, HEX_SW), (HexPos{12799, 10}));
    EXPECT_EQ(WeltNachbar({12799, 10}, HEX_SO), (HexPos{0, 11}));
    EXPECT_EQ(WeltNachbar({7, 0}, HEX_N), (HexPos{7, 6399}));
    EXPECT_EQ(WeltNachbar({7, 6399}, HEX_S), (HexPos{7, 0}));
    EXPECT_EQ(WeltDistanz({1, 100}, {12798, 100}), 3);
    EXPECT_EQ(WeltDistanz({5, 100}, {12798, 100}), 7);
    EXPECT_EQ(WeltDistanz({100, 2}, {100, 6398}), 4);
}

TEST(HexRing, SizeDistanceAndWalkingOrder)
{
    HexPos ring[18];
    ASSERT_EQ(HexRing({4, 10}, 1, ring), 6);
    // Start one step north, then SE, S, SW, NW, N, NE.
    const HexPos erwartet[6] = {{4, 9}, {5, 9}, {5, 10}, {4, 11}, {3, 10}, {3, 9}};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(ring[i], erwartet[i]) << i;
    for (HexPos mitte : {HexPos{4, 10}, HexPos{5, 10}}) {
        for (int radius = 1; radius <= 3; ++radius) {
            int n = HexRing(mitte, radius, ring);
            ASSERT_EQ(n, 6 * radius);
            std::set<std::pair<LONG, LONG>> verschieden;
            for (int i = 0; i < n; ++i) {
                EXPECT_EQ(HexDistanz(mitte, ring[i]), radius);
                EXPECT_EQ(HexDistanz(ring[i], ring[(i + 1) % n]), 1) << "a ring is a closed walk";
                verschieden.insert({ring[i].x, ring[i].y});
            }
            EXPECT_EQ(verschieden.size(), (size_t)n);
        }
    }
}

// The terrain classes by graphic number, written as the ranges they are known by.
UWORD KlasseNachTabelle(UWORD art)
{
    auto in = [art](std::initializer_list<std::pair<int, int>> bereiche) {
        return std::any_of(bereiche.begin(), bereiche.end(),
                           [art](auto b) { return art >= b.first && art <= b.second; });
    };
    if (in({{9, 9}})) return 1;
    if (in({{5, 5}, {54, 55}})) return 2;
    if (in({{10, 11}, {27, 27}, {52, 52}, {56, 57}})) return 3;
    if (in({{6, 6}, {91, 91}})) return 4;
    if (in({{17, 22}})) return 5;
    if (in({{8, 8}, {30, 30}})) return 6;
    if (in({{4, 4}, {12, 13}, {35, 51}, {53, 53}})) return 7;
    if (in({{14, 16}})) return 8;
    if (in({{24, 26}, {58, 86}})) return 9;
    if (in({{23, 23}, {28, 29}})) return 10;
    if (in({{1, 3}, {7, 7}, {31, 34}, {87, 90}})) return 11;
    return 0;
}

TEST(Terrain, ClassOfEveryGraphic)
{
    for (UWORD art = 0; art <= 91; ++art) {
        SCOPED_TRACE(art);
        EXPECT_EQ(GetTypeOfHex(art), KlasseNachTabelle(art));
        if (art > 0) {
            EXPECT_NE(GetTypeOfHex(art), 0) << "every graphic from 1 to 91 has a class";
        }
        EXPECT_EQ(IsRuine(art), art == 4 || (art >= 35 && art <= 38));
    }
    EXPECT_EQ(GetTypeOfHex(92), 0);
    EXPECT_EQ(GetTypeOfHex(65535), 0);
}

TEST(Movement, FullAllowanceOfEveryKind)
{
    const UWORD erwartet[21] = {8, 4, 4, 4, 10, 10, 10, 2, 2, 2, 6, 4, 6, 8, 10, 8, 6, 8, 6, 4, 0};
    for (UWORD typ = 0; typ <= 20; ++typ) EXPECT_EQ(HoleBewegungspunkte(typ), erwartet[typ]) << typ;
    for (UWORD typ : {21, 30, 31, 50, 1000, 65535}) EXPECT_EQ(HoleBewegungspunkte(typ), 0) << typ;
}

// One graphic of each class: mountain crest, mountains, hills, dark forest,
// forest, jungle, grassland, swamp, desert, water.
constexpr UWORD kGrafik[11] = {0, 9, 54, 27, 91, 20, 30, 44, 15, 70, 28};

TEST(Movement, CostTableOnOwnGround)
{
    // Columns: crest, mountains, hills, dark forest, forest, jungle, grass, swamp, desert, water.
    struct Row {
        std::initializer_list<UWORD> arten;
        UWORD kosten[10];
    } rows[] = {
        {{0, 20}, {8, 6, 2, 4, 2, 3, 2, 4, 2, 0}},
        {{1, 2, 3}, {0, 4, 2, 4, 2, 4, 2, 4, 2, 0}},
        {{4}, {0, 6, 2, 10, 4, 6, 2, 0, 2, 0}},
        {{5}, {0, 7, 3, 10, 5, 7, 2, 0, 3, 0}},
        {{6}, {0, 8, 4, 10, 6, 8, 2, 0, 3, 0}},
        {{7, 8, 9}, {0, 0, 2, 0, 2, 2, 2, 0, 2, 0}},
        {{10}, {0, 6, 3, 6, 4, 6, 2, 6, 3, 0}},
        {{11}, {2, 2, 2, 2, 2, 2, 2, 2, 2, 0}},
        {{12, 13}, {0, 4, 2, 3, 2, 3, 2, 4, 3, 0}},
        {{14, 15, 16, 17, 18, 19}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
        {{21, 30, 31, 50}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Row &row : rows) {
        for (UWORD typ : row.arten) {
            for (int klasse = 1; klasse <= 10; ++klasse) {
                SCOPED_TRACE(testing::Message() << "kind " << typ << " class " << klasse);
                EXPECT_EQ(GrundKosten(kGrafik[klasse], typ), row.kosten[klasse - 1]);
            }
        }
    }
}

TEST(Movement, TownsRuinsAndUnknownGraphics)
{
    for (UWORD typ = 0; typ <= 31; ++typ) {
        SCOPED_TRACE(typ);
        for (UWORD art : {1, 2, 3, 4, 7, 31, 34, 35, 38, 87, 90}) EXPECT_EQ(GrundKosten(art, typ), 2) << art;
        for (UWORD art : {0, 92, 200, 65535}) EXPECT_EQ(GrundKosten(art, typ), 0) << art;
    }
    EXPECT_EQ(GrundKosten(39, FID_HANDELSSCHIFF_KLEIN), 0) << "grassland that is no ruin";
    EXPECT_EQ(GrundKosten(23, FID_KRIEGSSCHIFF_GROSS), 1);
    EXPECT_EQ(GrundKosten(23, FID_KUNDSCHAFTER), 0);
}

TEST(Movement, SurchargeOnGroundThePlayerDoesNotOwn)
{
    struct Row {
        const char *name;
        UWORD art, typ, eigen, fremd;
    } rows[] = {
        {"infantry on grass", 44, 1, 2, 4},
        {"infantry on dark forest", 91, 3, 4, 4},
        {"infantry in water stays closed", 28, 2, 0, 0},
        {"infantry in a town", 1, 2, 2, 4},
        {"light cavalry forest", 20, 4, 4, 5},
        {"heavy cavalry forest", 20, 6, 6, 6},
        {"medium cavalry grass", 44, 5, 2, 5},
        {"light cavalry dark forest", 91, 4, 10, 10},
        {"light cavalry swamp stays closed", 15, 4, 0, 0},
        {"artillery hills", 27, 8, 2, 2},
        {"artillery dark forest stays closed", 91, 9, 0, 0},
        {"settler grass", 44, 10, 2, 6},
        {"scout mountains", 54, 0, 6, 6},
        {"mage swamp", 15, 11, 2, 2},
        {"ship water", 28, 15, 1, 1},
        {"caravan jungle", 30, 20, 3, 3},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(KostenMitAufschlag(r.art, r.typ, 1), r.eigen);
        EXPECT_EQ(KostenMitAufschlag(r.art, r.typ, 0), r.fremd);
    }
}

}  // namespace
