// Geometry and rules of the hex world: wrap-around, neighbours, distance and
// rings, the terrain class of a hex graphic, the figure kinds and their full
// movement allowance. Columns are vertical and every odd column lies half a
// row lower; the odd/even rule lives in HexNachbar alone.
#pragma once
#include "platform/types.h"
#include "store/figurart.h"

constexpr LONG WELT_BREITE = 12800;  // hex columns of the world
constexpr LONG WELT_HOEHE = 6400;    // hex rows of the world

// Wrap a value into 0 ... Max - 1 (a true modulo; any value, any sign).
LONG CheckWrap(LONG Wert, LONG Max);
// A world offset taken the short way round: -Max/2 ... Max/2 - 1.
LONG Kurz(LONG d, LONG Max);

struct HexPos {
    LONG x;
    LONG y;
};
inline bool operator==(HexPos a, HexPos b) { return a.x == b.x && a.y == b.y; }

enum HexRichtung { HEX_N = 0, HEX_NO, HEX_SO, HEX_S, HEX_SW, HEX_NW, HEX_RICHTUNGEN };

// Neighbour in direction r without wrap; works for negative columns too
// (the world width is even, so parity survives a shift by one width).
HexPos HexNachbar(HexPos p, int r);
// Neighbour in the world, wrapped in both directions.
HexPos WeltNachbar(HexPos p, int r);
// Hex distance on an unbounded plane of columns and rows.
LONG HexDistanz(HexPos a, HexPos b);
// Hex distance in the world: the shortest way, across the seams too.
// Positions must lie inside the world.
LONG WeltDistanz(HexPos a, HexPos b);
// The 6 * radius hexes of the ring round mitte (no wrap): start radius steps
// north, then radius steps each SE, S, SW, NW, N, NE. ziel holds 6 * radius
// entries; returns the count (1 for radius 0: the centre).
int HexRing(HexPos mitte, int radius, HexPos *ziel);

// Terrain classes of hex graphics.
enum GelaendeKlasse {
    GK_NICHTS = 0,
    GK_GEBIRGE = 1,     // mountain crest
    GK_BERGE = 2,
    GK_HUEGEL = 3,
    GK_DUNKELWALD = 4,
    GK_WALD = 5,
    GK_DSCHUNGEL = 6,
    GK_STEPPE = 7,
    GK_SUMPF = 8,
    GK_WUESTE = 9,
    GK_WASSER = 10,
    GK_STADT = 11,
};
constexpr UWORD MAX_HEX_GRAFIK = 91;  // highest hex graphic number in use


UWORD GetTypeOfHex(UWORD Art);          // class 0 ... 11; unknown graphics print and give 0
UWORD IsRuine(UWORD Art);               // 1 for the ruin graphics 4 and 35 ... 38
UWORD IsStadtOderRuine(UWORD Art);      // 1 for graphics that cost 2 for every kind
UWORD HoleBewegungspunkte(UWORD Typ);   // full movement allowance of a kind, 0 for others
// Points to enter a hex of graphic Art for kind Typ on the player's own
// ground (no surcharge); 0 = cannot enter.
UWORD GrundKosten(UWORD Art, UWORD Typ);
// The same with the surcharge on ground the player does not own.
UWORD KostenMitAufschlag(UWORD Art, UWORD Typ, BOOL eigenerBoden);
