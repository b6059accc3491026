// Entry costs on the window, the move array's three sweeps and the
// reachable-hex bits.
#include <gtest/gtest.h>

#include <vector>

#include "world/mapinfo.h"
#include "platform/system.h"

namespace {

constexpr ULONG kIch = 7;
constexpr UWORD kGras = 44, kWasser = 28, kWald = 20, kGebirge = 9, kRuine = 4;

// A window of one kind of ground round a figure at window (120, 60).
class Bewegung : public testing::Test {
protected:
    void SetUp() override
    {
        PlayerInfo.SpielerID = kIch;
        fenster.assign(FENSTER_BREITE * FENSTER_HOEHE, MapEntry{});
        Fuelle(kGras, kIch);
        info.GreatMapPtr = fenster.data();
    }
    void TearDown() override { FreeMoveAllocs(&info); }

    void Fuelle(UWORD art, ULONG besitzer)
    {
        for (MapEntry &e : fenster) {
            e.Art = art;
            e.BesitzerID = besitzer;
        }
    }
    MapEntry &Hex(LONG x, LONG y) { return fenster[y * FENSTER_BREITE + x]; }
    // Array cell of window position (x, y) for the figure at (X, Y).
    int Zelle(LONG x, LONG y) const
    {
        return info.MoveArray[(y - Y + MOVE_MITTE) * MOVE_SEITE + (x - X + MOVE_MITTE)];
    }
    int ZelleA(int c, int r) const { return info.MoveArray[r * MOVE_SEITE + c]; }
    bool Bit(LONG x, LONG y) const
    {
        return (info.GreatCMapPtr[y * FENSTER_BMAP_ZEILE + x / 8] >> (x % 8)) & 1;
    }
    int Bits() const
    {
        int n = 0;
        for (ULONG i = 0; i < FENSTER_BMAP_BYTES; ++i) n += __builtin_popcount(info.GreatCMapPtr[i]);
        return n;
    }

    std::vector<MapEntry> fenster;
    VekMapInfo info{};
    LONG X = 120, Y = 60;
};

TEST_F(Bewegung, GetMovePointsReadsOwnerAndGround)
{
    Hex(10, 10).Art = kWald;
    Hex(10, 10).BesitzerID = NIEMAND;
    EXPECT_EQ(GetMovePoints(fenster.data(), 10, 10, FID_SCHWERE_KAVALLERIE), 6);
    EXPECT_EQ(GetMovePoints(fenster.data(), 10, 10, FID_LEICHTE_KAVALLERIE), 5);
    Hex(10, 10).BesitzerID = kIch;
    EXPECT_EQ(GetMovePoints(fenster.data(), 10, 10, FID_LEICHTE_KAVALLERIE), 4);
    Hex(11, 10).Art = kRuine;
    EXPECT_EQ(GetMovePoints(fenster.data(), 11, 10, FID_HANDELSSCHIFF_GROSS), 2);
    Hex(12, 10).Art = 92;
    EXPECT_EQ(GetMovePoints(fenster.data(), 12, 10, FID_MAGIER), 0);
    Hex(13, 10).Art = 23;
    EXPECT_EQ(GetMovePoints(fenster.data(), 13, 10, FID_KRIEGSSCHIFF_KLEIN), 1);
    EXPECT_EQ(GetMovePoints(fenster.data(), 13, 10, FID_KUNDSCHAFTER), 0);
    for (HexPos p : {HexPos{-1, 0}, HexPos{240, 0}, HexPos{0, -1}, HexPos{0, 120}})
        EXPECT_EQ(GetMovePoints(fenster.data(), p.x, p.y, FID_MAGIER), 0) << "outside the window";
    EXPECT_EQ(GetMovePoints(nullptr, 0, 0, FID_MAGIER), 0);
}

TEST_F(Bewegung, FullAllowanceFloodsOpenGroundByDistance)
{
    ASSERT_EQ(GetMoveArray(&info, X, Y, FID_KUNDSCHAFTER, BEWEGUNG_VOLL), 1);
    int erreicht = 0, rand = 0;
    for (int r = 0; r < MOVE_SEITE; ++r) {
        for (int c = 0; c < MOVE_SEITE; ++c) {
            LONG d = HexDistanz({X, Y}, {X + c - MOVE_MITTE, Y + r - MOVE_MITTE});
            int erwartet = d <= 4 ? 8 - 2 * (int)d : d == 5 ? MOVE_GESPERRT : MOVE_UNERREICHT;
            ASSERT_EQ(ZelleA(c, r), erwartet) << "cell " << c << "," << r;
            erreicht += erwartet >= 0;
            rand += erwartet == MOVE_GESPERRT;
        }
    }
    EXPECT_EQ(erreicht, 61);
    EXPECT_EQ(rand, 30);
    ASSERT_EQ(MakeMapFromArray(&info, X - MOVE_MITTE, Y - MOVE_MITTE, 0), 1);
    EXPECT_EQ(Bits(), 61);
    EXPECT_TRUE(Bit(X, Y));
    EXPECT_TRUE(Bit(X, Y - 4));
    EXPECT_FALSE(Bit(X, Y - 5));
    ASSERT_EQ(MakeMapFromArray(&info, X - MOVE_MITTE, Y - MOVE_MITTE, 1), 1);
    EXPECT_EQ(Bits(), 91);
    EXPECT_TRUE(Bit(X, Y - 5));
}

TEST_F(Bewegung, ScoutNeighboursOfEveryCost)
{
    const HexPos n = HexNachbar({X, Y}, HEX_N), s = HexNachbar({X, Y}, HEX_S), o = HexNachbar({X, Y}, HEX_SO);
    Fuelle(kWasser, kIch);
    Hex(X, Y).Art = kGras;
    Hex(n.x, n.y).Art = kGras;
    Hex(s.x, s.y).Art = kGebirge;
    ASSERT_EQ(GetMoveArray(&info, X, Y, FID_KUNDSCHAFTER, BEWEGUNG_VOLL), 1);
    EXPECT_EQ(Zelle(X, Y), 8);
    EXPECT_EQ(Zelle(n.x, n.y), 6);
    EXPECT_EQ(Zelle(s.x, s.y), 0);
    EXPECT_EQ(Zelle(o.x, o.y), MOVE_GESPERRT);
}

TEST_F(Bewegung, OnePointReachesNothing)
{
    ASSERT_EQ(GetMoveArray(&info, X, Y, FID_KUNDSCHAFTER, 1), 1);
    for (int r = 0; r < HEX_RICHTUNGEN; ++r) {
        HexPos p = HexNachbar({X, Y}, r);
        EXPECT_EQ(Zelle(p.x, p.y), MOVE_GESPERRT) << r;
    }
    ASSERT_EQ(MakeMapFromArray(&info, X - MOVE_MITTE, Y - MOVE_MITTE, 0), 1);
    EXPECT_EQ(Bits(), 1);
    EXPECT_TRUE(Bit(X, Y));
}

TEST_F(Bewegung, SurchargedGroundAndKindsWithoutAllowance)
{
    Fuelle(kGras, NIEMAND);
    struct Row {
        const char *name;
        UWORD typ;
        int werte[3];  // at distance 0, 1, 2
    } rows[] = {
        {"infantry pays 4", FID_LEICHTE_INFANTRIE, {4, 0, MOVE_GESPERRT}},
        {"light cavalry pays 5", FID_LEICHTE_KAVALLERIE, {10, 5, 0}},
        {"caravan has no allowance", FID_KARAWANE, {0, MOVE_GESPERRT, MOVE_UNERREICHT}},
        {"a whole army has none either", FID_ARMEE, {0, MOVE_GESPERRT, MOVE_UNERREICHT}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(GetMoveArray(&info, X, Y, row.typ, BEWEGUNG_VOLL), 1);
        EXPECT_EQ(Zelle(X, Y), row.werte[0]);
        EXPECT_EQ(Zelle(X, Y + 1), row.werte[1]);
        EXPECT_EQ(Zelle(X, Y + 2), row.werte[2]);
    }
}

TEST_F(Bewegung, PointsBeyondASignedByteAreClamped)
{
    Fuelle(kGras, kIch);
    ASSERT_EQ(GetMoveArray(&info, X, Y, FID_MAGIER, 200), 1);
    EXPECT_EQ(Zelle(X, Y), 127);
    EXPECT_EQ(Zelle(X, Y - 1), 125);
    ASSERT_EQ(GetMoveArray(&info, X, Y, FID_MAGIER, 0x7FFF), 1);
    EXPECT_EQ(Zelle(X, Y), 127);
}

// A corridor that turns back east in the western half needs one sweep per
// column: after three sweeps the flood stops short of what the points allow.
TEST_F(Bewegung, ThreeSweepsStopAWindingCorridor)
{
    Fuelle(kWasser, kIch);
    auto gras = [&](int c, int r) { Hex(X + c - MOVE_MITTE, Y + r - MOVE_MITTE).Art = kGras; };
    for (int c = 8; c <= 14; ++c) gras(c, 14);
    for (int r = 10; r <= 13; ++r) gras(8, r);
    for (int c = 9; c <= 13; ++c) gras(c, 10);
    ASSERT_EQ(GetMoveArray(&info, X, Y, FID_KUNDSCHAFTER, 100), 1);
    EXPECT_EQ(ZelleA(8, 14), 88);
    EXPECT_EQ(ZelleA(8, 11), 82);
    EXPECT_EQ(ZelleA(9, 10), 80);
    EXPECT_EQ(ZelleA(10, 10), 78);
    EXPECT_EQ(ZelleA(11, 10), 76);
    EXPECT_EQ(ZelleA(12, 10), MOVE_UNERREICHT);
    EXPECT_EQ(ZelleA(13, 10), MOVE_UNERREICHT);
}

TEST_F(Bewegung, FigureNearTheWindowEdgeStaysInside)
{
    Fuelle(kGras, kIch);
    for (HexPos p : {HexPos{0, 0}, HexPos{239, 119}, HexPos{3, 117}}) {
        SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
        X = p.x;
        Y = p.y;
        ASSERT_EQ(GetMoveArray(&info, p.x, p.y, FID_KUNDSCHAFTER, BEWEGUNG_VOLL), 1);
        EXPECT_EQ(Zelle(p.x, p.y), 8);
        ASSERT_EQ(MakeMapFromArray(&info, p.x - MOVE_MITTE, p.y - MOVE_MITTE, 1), 1);
        EXPECT_TRUE(Bit(p.x, p.y));
    }
    // Cells beyond the window are never entered.
    ASSERT_EQ(GetMoveArray(&info, 0, 60, FID_KUNDSCHAFTER, BEWEGUNG_VOLL), 1);
    EXPECT_EQ(ZelleA(MOVE_MITTE - 1, MOVE_MITTE), MOVE_GESPERRT);
}

TEST_F(Bewegung, FreeMoveAllocsAndMissingArray)
{
    EXPECT_EQ(MakeMapFromArray(&info, 0, 0, 0), 0);
    ASSERT_EQ(GetMoveArray(&info, X, Y, FID_MAGIER, 4), 1);
    ASSERT_EQ(MakeMapFromArray(&info, X - MOVE_MITTE, Y - MOVE_MITTE, 0), 1);
    FreeMoveAllocs(&info);
    EXPECT_EQ(info.MoveArray, nullptr);
    EXPECT_EQ(info.GreatCMapPtr, nullptr);
    EXPECT_EQ(GetMoveArray(nullptr, X, Y, FID_MAGIER, 4), 0);
}

}  // namespace
