// Fog of war: a hex is in sight within 3 hexes of an own figure that is not
// carried on a ship, or of an own town. Figures count across the world's
// seams; towns are looked up in the window, which always surrounds the view.
#include <cstring>

#include "world/mapinfo.h"
#include "platform/system.h"

namespace {

constexpr LONG kSichtweite = 3;
constexpr int kGitterX = SICHT_MAX_X + 2 * kSichtweite;
constexpr int kGitterY = SICHT_MAX_Y + 2 * kSichtweite;

bool EigeneFigur(const st_MOVE_EXT &f)
{
    return f.SpielerID == PlayerInfo.SpielerID && f.Kommando != KOMMANDO_AN_BORD &&
           f.X_Pos < (ULONG)WELT_BREITE && f.Y_Pos < (ULONG)WELT_HOEHE;
}

}  // namespace

int CheckFogofWarTown(const VekMapInfo *MapInfo, LONG FinalX, LONG FinalY)
{
    const MapEntry *e = FensterHex(MapInfo, FinalX, FinalY);
    if (!e || e->BesitzerID != PlayerInfo.SpielerID || e->Art > MAX_HEX_GRAFIK) return 0;
    return GetTypeOfHex(e->Art) == GK_STADT;
}

int CheckFogofWar(const VekMapInfo *MapInfo, ULONG AnzahlFiguren, const st_MOVE_EXT *Figuren, LONG ix, LONG iy)
{
    if (!MapInfo) return 0;
    const HexPos hex{CheckWrap(ix + MapInfo->X_Hex, WELT_BREITE), CheckWrap(iy + MapInfo->Y_Hex, WELT_HOEHE)};
    for (ULONG i = 0; Figuren && i < AnzahlFiguren; ++i) {
        if (!EigeneFigur(Figuren[i])) continue;
        if (WeltDistanz(hex, HexPos{(LONG)Figuren[i].X_Pos, (LONG)Figuren[i].Y_Pos}) <= kSichtweite) return 1;
    }
    const HexPos fenster{ix + MapInfo->IndeX, iy + MapInfo->IndeY};
    if (CheckFogofWarTown(MapInfo, fenster.x, fenster.y)) return 1;
    HexPos ring[6 * kSichtweite];
    for (int radius = 1; radius <= kSichtweite; ++radius) {
        int n = HexRing(fenster, radius, ring);
        for (int k = 0; k < n; ++k) {
            if (CheckFogofWarTown(MapInfo, ring[k].x, ring[k].y)) return 1;
        }
    }
    return 0;
}

void CheckFogofWar2(const VekMapInfo *MapInfo, ULONG FOWMask[SICHT_MAX_X][SICHT_MAX_Y])
{
    if (!MapInfo || !FOWMask || !MapInfo->LocalPeopleMemPtr) return;
    const LONG sichtX = MapInfo->XTiles < SICHT_MAX_X ? MapInfo->XTiles : SICHT_MAX_X;
    const LONG sichtY = MapInfo->YTiles < SICHT_MAX_Y ? MapInfo->YTiles : SICHT_MAX_Y;
    const LONG breite = sichtX + 2 * kSichtweite, hoehe = sichtY + 2 * kSichtweite;
    // Grid cell (c, r) is world hex (sx + c, sy + r), wrapped.
    const LONG sx = CheckWrap(MapInfo->X_Hex - kSichtweite, WELT_BREITE);
    const LONG sy = CheckWrap(MapInfo->Y_Hex - kSichtweite, WELT_HOEHE);
    UBYTE gitter[kGitterX][kGitterY];
    std::memset(gitter, 0, sizeof gitter);

    const ULONG n = FigurenImBlock(MapInfo->LocalPeopleMemPtr, MapInfo->PeopleMemSize);
    for (ULONG i = 0; i < n; ++i) {
        const st_MOVE_EXT *f = FigurImBlock(MapInfo->LocalPeopleMemPtr, i);
        if (!EigeneFigur(*f)) continue;
        LONG c = CheckWrap((LONG)f->X_Pos - sx, WELT_BREITE), r = CheckWrap((LONG)f->Y_Pos - sy, WELT_HOEHE);
        if (c < breite && r < hoehe) gitter[c][r] = 2;
    }
    for (LONG c = 0; c < breite; ++c) {
        for (LONG r = 0; r < hoehe; ++r) {
            if (gitter[c][r] == 0 &&
                CheckFogofWarTown(MapInfo, MapInfo->IndeX + c - kSichtweite, MapInfo->IndeY + r - kSichtweite))
                gitter[c][r] = 3;
        }
    }
    // A hex is in sight when a figure or town lies within three hexes of it.
    // Hex distance is symmetric, so the rings are walked round the few
    // figures and towns, not round every hex of the grid. Ring walks need the
    // world column's parity, not the grid index's.
    HexPos ring[6 * kSichtweite];
    for (LONG c = 0; c < breite; ++c) {
        for (LONG r = 0; r < hoehe; ++r) {
            if (gitter[c][r] < 2) continue;
            for (int radius = 1; radius <= kSichtweite; ++radius) {
                int k = HexRing(HexPos{sx + c, r}, radius, ring);
                for (int j = 0; j < k; ++j) {
                    LONG rc = ring[j].x - sx, rr = ring[j].y;
                    if (rc < 0 || rc >= breite || rr < 0 || rr >= hoehe) continue;
                    if (gitter[rc][rr] == 0) gitter[rc][rr] = 1;
                }
            }
        }
    }
    for (LONG c = 0; c < sichtX; ++c) {
        for (LONG r = 0; r < sichtY; ++r) FOWMask[c][r] = gitter[c + kSichtweite][r + kSichtweite];
    }
}
