// Hex geometry, terrain classes, movement allowances and entry costs.
#include "world/hex.h"

#include <cstdio>
#include <cstdlib>

LONG CheckWrap(LONG Wert, LONG Max)
{
    if (Max <= 0) return 0;
    LONG r = Wert % Max;
    return r < 0 ? r + Max : r;
}

LONG Kurz(LONG d, LONG Max)
{
    d = CheckWrap(d, Max);
    return d >= Max / 2 ? d - Max : d;
}

namespace {

// Offsets {dx, dy} by direction; row 0 for even columns, row 1 for odd ones.
constexpr LONG kNachbar[2][HEX_RICHTUNGEN][2] = {
    {{0, -1}, {1, -1}, {1, 0}, {0, 1}, {-1, 0}, {-1, -1}},
    {{0, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}},
};

// Cube coordinates of a column/row position (odd columns lowered).
void Wuerfel(HexPos p, LONG &cx, LONG &cy, LONG &cz)
{
    cx = p.x;
    cz = p.y - (p.x - (p.x & 1)) / 2;
    cy = -cx - cz;
}

// Class of every hex graphic 0 ... 91.
constexpr UBYTE kKlasse[MAX_HEX_GRAFIK + 1] = {
    0,                                      // 0
    11, 11, 11, 7, 2, 4, 11, 6, 1, 3,       // 1-10
    3, 7, 7, 8, 8, 8, 5, 5, 5, 5,           // 11-20
    5, 5, 10, 9, 9, 9, 3, 10, 10, 6,        // 21-30
    11, 11, 11, 11, 7, 7, 7, 7, 7, 7,       // 31-40
    7, 7, 7, 7, 7, 7, 7, 7, 7, 7,           // 41-50
    7, 3, 7, 2, 2, 3, 3, 9, 9, 9,           // 51-60
    9, 9, 9, 9, 9, 9, 9, 9, 9, 9,           // 61-70
    9, 9, 9, 9, 9, 9, 9, 9, 9, 9,           // 71-80
    9, 9, 9, 9, 9, 9, 11, 11, 11, 11,       // 81-90
    4,                                      // 91
};

// Cost rows by kind group, columns by terrain class 0 ... 10 (class 0 and
// towns never come here).
enum KostenZeile { KZ_SCOUT, KZ_INFANTERIE, KZ_L_KAV, KZ_M_KAV, KZ_S_KAV, KZ_ARTILLERIE, KZ_SIEDLER,
                   KZ_MAGIER, KZ_KLERIKER, KZ_SCHIFF, KZ_ANZAHL };
//                                     0  crest mount hills dark forest jungle grass swamp desert water
constexpr UBYTE kKosten[KZ_ANZAHL][11] = {
    /* scout, caravan */ {0, 8, 6, 2, 4, 2, 3, 2, 4, 2, 0},
    /* infantry       */ {0, 0, 4, 2, 4, 2, 4, 2, 4, 2, 0},
    /* light cavalry  */ {0, 0, 6, 2, 10, 4, 6, 2, 0, 2, 0},
    /* medium cavalry */ {0, 0, 7, 3, 10, 5, 7, 2, 0, 3, 0},
    /* heavy cavalry  */ {0, 0, 8, 4, 10, 6, 8, 2, 0, 3, 0},
    /* artillery      */ {0, 0, 0, 2, 0, 2, 2, 2, 0, 2, 0},
    /* settler        */ {0, 0, 6, 3, 6, 4, 6, 2, 6, 3, 0},
    /* mage           */ {0, 2, 2, 2, 2, 2, 2, 2, 2, 2, 0},
    /* cleric, geol.  */ {0, 0, 4, 2, 3, 2, 3, 2, 4, 3, 0},
    /* ships          */ {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1},
};

int KostenZeileFuer(UWORD Typ)
{
    switch (Typ) {
    case FID_KUNDSCHAFTER:
    case FID_KARAWANE: return KZ_SCOUT;
    case 1: case 2: case 3: return KZ_INFANTERIE;
    case 4: return KZ_L_KAV;
    case 5: return KZ_M_KAV;
    case 6: return KZ_S_KAV;
    case 7: case 8: case 9: return KZ_ARTILLERIE;
    case 10: return KZ_SIEDLER;
    case 11: return KZ_MAGIER;
    case 12: case 13: return KZ_KLERIKER;
    case 14: case 15: case 16: case 17: case 18: case 19: return KZ_SCHIFF;
    default: return -1;
    }
}

}  // namespace

HexPos HexNachbar(HexPos p, int r)
{
    if (r < 0 || r >= HEX_RICHTUNGEN) return p;
    const LONG *d = kNachbar[p.x & 1][r];
    return HexPos{p.x + d[0], p.y + d[1]};
}

HexPos WeltNachbar(HexPos p, int r)
{
    HexPos n = HexNachbar(p, r);
    return HexPos{CheckWrap(n.x, WELT_BREITE), CheckWrap(n.y, WELT_HOEHE)};
}

LONG HexDistanz(HexPos a, HexPos b)
{
    LONG ax, ay, az, bx, by, bz;
    Wuerfel(a, ax, ay, az);
    Wuerfel(b, bx, by, bz);
    LONG dx = std::labs(ax - bx), dy = std::labs(ay - by), dz = std::labs(az - bz);
    LONG m = dx > dy ? dx : dy;
    return m > dz ? m : dz;
}

LONG WeltDistanz(HexPos a, HexPos b)
{
    LONG best = -1;
    for (LONG sx = -WELT_BREITE; sx <= WELT_BREITE; sx += WELT_BREITE) {
        for (LONG sy = -WELT_HOEHE; sy <= WELT_HOEHE; sy += WELT_HOEHE) {
            LONG d = HexDistanz(a, HexPos{b.x + sx, b.y + sy});
            if (best < 0 || d < best) best = d;
        }
    }
    return best;
}

int HexRing(HexPos mitte, int radius, HexPos *ziel)
{
    if (radius <= 0) {
        ziel[0] = mitte;
        return 1;
    }
    HexPos p = mitte;
    for (int i = 0; i < radius; ++i) p = HexNachbar(p, HEX_N);
    static constexpr int kWeg[6] = {HEX_SO, HEX_S, HEX_SW, HEX_NW, HEX_N, HEX_NO};
    int n = 0;
    for (int seite = 0; seite < 6; ++seite) {
        for (int i = 0; i < radius; ++i) {
            ziel[n++] = p;
            p = HexNachbar(p, kWeg[seite]);
        }
    }
    return n;
}

UWORD GetTypeOfHex(UWORD Art)
{
    if (Art > MAX_HEX_GRAFIK) {
        std::printf("GetTypeOfHex : Diese Grafik ist noch unbekannt !!! ButtonID %u\n", (unsigned)Art);
        return GK_NICHTS;
    }
    return kKlasse[Art];
}

UWORD IsRuine(UWORD Art) { return Art == 4 || (Art >= 35 && Art <= 38); }

UWORD IsStadtOderRuine(UWORD Art)
{
    return (Art >= 1 && Art <= 4) || Art == 7 || (Art >= 31 && Art <= 38) || (Art >= 87 && Art <= 90);
}

UWORD HoleBewegungspunkte(UWORD Typ)
{
    static constexpr UBYTE kVoll[20] = {8, 4, 4, 4, 10, 10, 10, 2, 2, 2, 6, 4, 6, 8, 10, 8, 6, 8, 6, 4};
    return Typ < 20 ? kVoll[Typ] : 0;
}

UWORD GrundKosten(UWORD Art, UWORD Typ)
{
    if (Art == 0 || Art > MAX_HEX_GRAFIK) return 0;
    if (IsStadtOderRuine(Art)) return 2;
    int zeile = KostenZeileFuer(Typ);
    if (zeile < 0) return 0;
    return kKosten[zeile][kKlasse[Art]];
}

UWORD KostenMitAufschlag(UWORD Art, UWORD Typ, BOOL eigenerBoden)
{
    UWORD k = GrundKosten(Art, Typ);
    if (k == 0 || eigenerBoden) return k;
    switch (KostenZeileFuer(Typ)) {
    case KZ_INFANTERIE: return 4;
    case KZ_L_KAV:
    case KZ_M_KAV:
    case KZ_S_KAV: return k <= 4 ? 5 : k;
    case KZ_ARTILLERIE: return 2;
    case KZ_SIEDLER: return 6;
    default: return k;
    }
}
