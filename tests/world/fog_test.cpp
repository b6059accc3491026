// Fog of war for one hex and for the whole view, against each other and
// against hex distance computed independently by walking the neighbour table.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "world/mapinfo.h"
#include "platform/system.h"

namespace {

constexpr ULONG kIch = 7, kAndere = 9;
constexpr UWORD kGras = 44, kStadt = 1, kRuine = 35;

// A window round centre tile (cx, cy) with the view's corner at world (hx, hy)
// inside the centre tile; figures go into the local figure block.
struct Welt {
    std::vector<MapEntry> fenster = std::vector<MapEntry>(FENSTER_BREITE * FENSTER_HOEHE);
    std::vector<st_MOVE_EXT> figuren;
    std::vector<UBYTE> block;
    VekMapInfo info{};

    Welt(LONG hx, LONG hy, UWORD breite, UWORD hoehe)
    {
        for (MapEntry &e : fenster) {
            e.Art = kGras;
            e.BesitzerID = NIEMAND;
        }
        info.GreatMapPtr = fenster.data();
        info.X_Hex = hx;
        info.Y_Hex = hy;
        info.X_WorldMap = (WORD)(hx / TEIL_BREITE);
        info.Y_WorldMap = (WORD)(hy / TEIL_HOEHE);
        info.IndeX = (WORD)(hx % TEIL_BREITE + TEIL_BREITE);
        info.IndeY = (WORD)(hy % TEIL_HOEHE + TEIL_HOEHE);
        info.XTiles = breite;
        info.YTiles = hoehe;
    }
    // Window position of a world hex near the view.
    HexPos Fenster(LONG x, LONG y) const
    {
        return {CheckWrap(x - (info.X_WorldMap - 1) * TEIL_BREITE, WELT_BREITE),
                CheckWrap(y - (info.Y_WorldMap - 1) * TEIL_HOEHE, WELT_HOEHE)};
    }
    HexPos WeltVon(HexPos f) const
    {
        return {CheckWrap((info.X_WorldMap - 1) * TEIL_BREITE + f.x, WELT_BREITE),
                CheckWrap((info.Y_WorldMap - 1) * TEIL_HOEHE + f.y, WELT_HOEHE)};
    }
    void Stadt(LONG x, LONG y, ULONG besitzer, UWORD art = kStadt)
    {
        HexPos f = Fenster(x, y);
        fenster[f.y * FENSTER_BREITE + f.x].Art = art;
        fenster[f.y * FENSTER_BREITE + f.x].BesitzerID = besitzer;
    }
    void Figur(ULONG x, ULONG y, ULONG besitzer, UBYTE kommando = 0)
    {
        st_MOVE_EXT f{};
        f.SpielerID = besitzer;
        f.X_Pos = x;
        f.Y_Pos = y;
        f.Kommando = kommando;
        figuren.push_back(f);
    }
    // Builds the local block; call after the last figure.
    void Fertig()
    {
        block.assign(2 + 18 * figuren.size(), 0);
        UWORD n = (UWORD)figuren.size();
        std::memcpy(block.data(), &n, 2);
        if (n) std::memcpy(block.data() + 2, figuren.data(), 18 * figuren.size());
        info.LocalPeopleMemPtr = block.data();
        info.PeopleMemSize = (ULONG)block.size();
    }
    int Sicht(ULONG wx, ULONG wy) const
    {
        LONG ix = CheckWrap((LONG)wx - info.X_Hex, WELT_BREITE), iy = CheckWrap((LONG)wy - info.Y_Hex, WELT_HOEHE);
        return CheckFogofWar(&info, (ULONG)figuren.size(), figuren.data(), ix, iy);
    }
};

TEST(Fog, OwnScoutSeesThreeHexes)
{
    PlayerInfo.SpielerID = kIch;
    Welt w(80, 40, 41, 22);
    w.Figur(100, 50, kIch);
    w.Fertig();
    for (HexPos p : {HexPos{100, 47}, HexPos{103, 48}, HexPos{97, 51}, HexPos{100, 50}})
        EXPECT_EQ(w.Sicht(p.x, p.y), 1) << p.x << "," << p.y;
    for (HexPos p : {HexPos{103, 47}, HexPos{100, 46}, HexPos{97, 52}})
        EXPECT_EQ(w.Sicht(p.x, p.y), 0) << p.x << "," << p.y;
    EXPECT_EQ(CheckFogofWar(nullptr, 0, nullptr, 0, 0), 0);
}

TEST(Fog, FiguresThatGiveNoSight)
{
    PlayerInfo.SpielerID = kIch;
    Welt w(80, 40, 41, 22);
    w.Figur(100, 50, kIch, KOMMANDO_AN_BORD);
    w.Figur(110, 50, kAndere);
    w.Figur(100000, 50, kIch);
    w.Fertig();
    EXPECT_EQ(w.Sicht(100, 50), 0);
    EXPECT_EQ(w.Sicht(110, 51), 0);
    ULONG mask[SICHT_MAX_X][SICHT_MAX_Y] = {};
    CheckFogofWar2(&w.info, mask);
    for (int c = 0; c < SICHT_MAX_X; ++c)
        for (int r = 0; r < SICHT_MAX_Y; ++r) ASSERT_EQ(mask[c][r], 0u) << c << "," << r;
}

TEST(Fog, SightAcrossTheColumnSeam)
{
    PlayerInfo.SpielerID = kIch;
    Welt w(12780, 90, 41, 22);
    w.Figur(1, 100, kIch);
    w.Fertig();
    EXPECT_EQ(w.Sicht(12798, 100), 1);
    ULONG mask[SICHT_MAX_X][SICHT_MAX_Y] = {};
    CheckFogofWar2(&w.info, mask);
    EXPECT_EQ(mask[12798 - 12780][10], 1u);
    EXPECT_EQ(mask[12797 - 12780][10], 0u);

    Welt weit(12780, 90, 41, 22);
    weit.Figur(5, 100, kIch);
    weit.Fertig();
    EXPECT_EQ(weit.Sicht(12798, 100), 0);
}

TEST(Fog, OwnTownsGiveSightForeignTownsDoNot)
{
    PlayerInfo.SpielerID = kIch;
    Welt w(80, 40, 41, 22);
    w.Stadt(100, 50, kIch);
    w.Stadt(110, 50, kAndere);
    w.Stadt(120, 50, kIch, kRuine);  // a ruin is no town
    w.Fertig();
    EXPECT_EQ(w.Sicht(100, 52), 1);
    EXPECT_EQ(w.Sicht(100, 50), 1);
    EXPECT_EQ(w.Sicht(110, 52), 0);
    EXPECT_EQ(w.Sicht(120, 51), 0);
    HexPos f = w.Fenster(100, 50);
    EXPECT_EQ(CheckFogofWarTown(&w.info, f.x, f.y), 1);
    EXPECT_EQ(CheckFogofWarTown(&w.info, -1, 0), 0);
    EXPECT_EQ(CheckFogofWarTown(&w.info, 240, 0), 0);
}

TEST(Fog, MaskMarksFiguresBeforeTowns)
{
    PlayerInfo.SpielerID = kIch;
    Welt w(80, 40, 41, 22);
    w.Stadt(100, 50, kIch);
    w.Figur(100, 50, kIch);
    w.Stadt(110, 50, kIch);
    w.Fertig();
    ULONG mask[SICHT_MAX_X][SICHT_MAX_Y] = {};
    CheckFogofWar2(&w.info, mask);
    EXPECT_EQ(mask[20][10], 2u);
    EXPECT_EQ(mask[30][10], 3u);
    EXPECT_EQ(mask[20][13], 1u);
    EXPECT_EQ(mask[0][0], 0u);

    w.info.LocalPeopleMemPtr = nullptr;
    ULONG unberuehrt[SICHT_MAX_X][SICHT_MAX_Y];
    std::memset(unberuehrt, 0x5A, sizeof unberuehrt);
    CheckFogofWar2(&w.info, unberuehrt);
    EXPECT_EQ(unberuehrt[20][10], 0x5A5A5A5Au) << "no figure list: nothing done";
}

// The hexes within three steps of start, walking the neighbour table of the
// hex layout (odd columns half a row lower) over window positions.
std::set<std::pair<LONG, LONG>> Umkreis(HexPos start)
{
    static const int kGerade[6][2] = {{0, -1}, {1, -1}, {1, 0}, {0, 1}, {-1, 0}, {-1, -1}};
    static const int kUngerade[6][2] = {{0, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}};
    std::set<std::pair<LONG, LONG>> gesehen{{start.x, start.y}};
    std::vector<HexPos> rand{start};
    for (int schritt = 0; schritt < 3; ++schritt) {
        std::vector<HexPos> neu;
        for (HexPos p : rand) {
            for (auto &d : (p.x & 1) ? kUngerade : kGerade) {
                HexPos n{p.x + d[0], p.y + d[1]};
                if (gesehen.insert({n.x, n.y}).second) neu.push_back(n);
            }
        }
        rand = neu;
    }
    return gesehen;
}

TEST(Fog, RandomWorldsAgreeWithHexDistance)
{
    PlayerInfo.SpielerID = kIch;
    std::mt19937 zufall(4711);
    auto wuerfel = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(zufall); };
    for (int runde = 0; runde < 150; ++runde) {
        // The view's corner lies in its centre tile, often at a seam tile.
        const LONG tx = runde % 3 == 0 ? 0 : runde % 3 == 1 ? 159 : wuerfel(0, 159);
        const LONG ty = runde % 4 == 0 ? 0 : runde % 4 == 1 ? 159 : wuerfel(0, 159);
        const LONG hx = tx * 80 + 2 * wuerfel(0, 39), hy = ty * 40 + wuerfel(0, 39);
        Welt w(hx, hy, (UWORD)wuerfel(8, 41), (UWORD)wuerfel(4, 22));
        SCOPED_TRACE(testing::Message() << "view " << hx << "," << hy << " size " << w.info.XTiles << "x"
                                        << w.info.YTiles);
        for (int i = wuerfel(0, 12); i > 0; --i) {
            LONG x = CheckWrap(hx + wuerfel(-5, w.info.XTiles + 5), WELT_BREITE);
            LONG y = CheckWrap(hy + wuerfel(-5, w.info.YTiles + 5), WELT_HOEHE);
            w.Figur((ULONG)x, (ULONG)y, wuerfel(0, 3) ? kIch : kAndere, wuerfel(0, 5) ? 0 : KOMMANDO_AN_BORD);
        }
        for (int i = wuerfel(0, 6); i > 0; --i) {
            LONG x = CheckWrap(hx + wuerfel(-4, w.info.XTiles + 4), WELT_BREITE);
            LONG y = CheckWrap(hy + wuerfel(-4, w.info.YTiles + 4), WELT_HOEHE);
            w.Stadt(x, y, wuerfel(0, 2) ? kIch : kAndere, wuerfel(0, 4) ? kStadt : kRuine);
        }
        w.Fertig();
        std::set<std::pair<LONG, LONG>> eigeneFiguren, eigeneStaedte;
        for (const st_MOVE_EXT &f : w.figuren) {
            if (f.SpielerID == kIch && f.Kommando != KOMMANDO_AN_BORD) eigeneFiguren.insert({(LONG)f.X_Pos, (LONG)f.Y_Pos});
        }
        for (LONG y = 0; y < FENSTER_HOEHE; ++y) {
            for (LONG x = 0; x < FENSTER_BREITE; ++x) {
                const MapEntry &e = w.fenster[y * FENSTER_BREITE + x];
                if (e.Art == kStadt && e.BesitzerID == kIch) eigeneStaedte.insert({x, y});
            }
        }
        ULONG mask[SICHT_MAX_X][SICHT_MAX_Y] = {};
        CheckFogofWar2(&w.info, mask);
        for (LONG ix = 0; ix < w.info.XTiles; ++ix) {
            for (LONG iy = 0; iy < w.info.YTiles; ++iy) {
                const HexPos f{ix + w.info.IndeX, iy + w.info.IndeY};
                const HexPos h = w.WeltVon(f);
                bool sicht = false;
                for (auto [x, y] : Umkreis(f)) {
                    HexPos welt = w.WeltVon({x, y});
                    sicht = sicht || eigeneFiguren.count({welt.x, welt.y}) || eigeneStaedte.count({x, y});
                }
                ULONG erwartet = eigeneFiguren.count({h.x, h.y})  ? 2
                                 : eigeneStaedte.count({f.x, f.y}) ? 3
                                 : sicht                           ? 1
                                                                   : 0;
                ASSERT_EQ(mask[ix][iy], erwartet) << "view hex " << ix << "," << iy;
                ASSERT_EQ(CheckFogofWar(&w.info, (ULONG)w.figuren.size(), w.figuren.data(), ix, iy), sicht ? 1 : 0)
                    << "view hex " << ix << "," << iy;
            }
        }
    }
}

}  // namespace
