// Entry costs on the window, the move array flood and the reachable-hex bits.
#include <cstdio>
#include <cstring>

#include "world/mapinfo.h"
#include "platform/memfile.h"
#include "platform/system.h"

namespace {

constexpr int kDurchgaenge = 3;  // later path tracing relies on exactly these sweeps

// One propagation step from array cell (c, r) of a figure at window (X, Y).
void Ausbreiten(BYTE *feld, const MapEntry *map, LONG X, LONG Y, LONG c, LONG r, UWORD Typ)
{
    const int wert = feld[r * MOVE_SEITE + c];
    if (wert < 0) return;
    const HexPos hier{X + c - MOVE_MITTE, Y + r - MOVE_MITTE};
    for (int richtung = 0; richtung < HEX_RICHTUNGEN; ++richtung) {
        const HexPos n = HexNachbar(hier, richtung);
        // Sources lie in rows and columns 1 ... 27, so every neighbour is a cell.
        BYTE &ziel = feld[(n.y - Y + MOVE_MITTE) * MOVE_SEITE + (n.x - X + MOVE_MITTE)];
        const int kosten = GetMovePoints(map, n.x, n.y, Typ);
        if (kosten > 0 && ziel < wert - kosten) ziel = (BYTE)(wert - kosten);
        if (ziel < 0) ziel = MOVE_GESPERRT;
    }
}

void Spalte(BYTE *feld, const MapEntry *map, LONG X, LONG Y, LONG c, UWORD Typ)
{
    for (LONG r = MOVE_MITTE; r >= 1; --r) Ausbreiten(feld, map, X, Y, c, r, Typ);
    for (LONG r = MOVE_MITTE; r <= MOVE_SEITE - 2; ++r) Ausbreiten(feld, map, X, Y, c, r, Typ);
}

}  // namespace

UWORD GetMovePoints(const MapEntry *Map, LONG X, LONG Y, UWORD Typ)
{
    // Outside the window nothing is known: impassable.
    if (!Map || X < 0 || X >= FENSTER_BREITE || Y < 0 || Y >= FENSTER_HOEHE) return 0;
    const MapEntry &e = Map[Y * FENSTER_BREITE + X];
    return KostenMitAufschlag(e.Art, Typ, e.BesitzerID == PlayerInfo.SpielerID);
}

int GetMoveArray(VekMapInfo *MapInfo, LONG X, LONG Y, UWORD Typ, ULONG Bewegungspunkte)
{
    if (!MapInfo) return 0;
    FreeVec(MapInfo->MoveArray);
    MapInfo->MoveArray = (BYTE *)AllocVec(MOVE_SEITE * MOVE_SEITE, 0);
    if (!MapInfo->MoveArray) {
        std::printf("GetMoveHex : Konnte Speicher f\374r das Array nicht allokieren !\n");
        return 0;
    }
    BYTE *feld = MapInfo->MoveArray;
    std::memset(feld, MOVE_UNERREICHT, MOVE_SEITE * MOVE_SEITE);
    // The cell is a signed byte: points beyond 127 would turn negative.
    ULONG start = (Bewegungspunkte & BEWEGUNG_VOLL) ? HoleBewegungspunkte(Typ) : Bewegungspunkte;
    feld[MOVE_MITTE * MOVE_SEITE + MOVE_MITTE] = (BYTE)(start > 127 ? 127 : start);

    const MapEntry *map = MapInfo->GreatMapPtr;
    for (int d = 0; d < kDurchgaenge; ++d) {
        for (LONG c = MOVE_MITTE; c >= 1; --c) Spalte(feld, map, X, Y, c, Typ);
        for (LONG c = MOVE_MITTE; c <= MOVE_SEITE - 2; ++c) Spalte(feld, map, X, Y, c, Typ);
    }
    return 1;
}

int MakeMapFromArray(VekMapInfo *MapInfo, LONG X, LONG Y, int MaxHex)
{
    if (!MapInfo || !MapInfo->MoveArray) {
        std::printf("MakeMapFromArray : Kein Bewegungsfeld vorhanden !\n");
        return 0;
    }
    FreeVec(MapInfo->GreatCMapPtr);
    MapInfo->GreatCMapPtr = (UBYTE *)AllocVec(FENSTER_BMAP_BYTES, MEMF_CLEAR);
    if (!MapInfo->GreatCMapPtr) {
        std::printf("GetMoveHex : Konnte Speicher f\374r die Karte nicht allokieren !\n");
        return 0;
    }
    const int grenze = MaxHex ? MOVE_GESPERRT : 0;
    for (LONG r = 0; r < MOVE_SEITE; ++r) {
        for (LONG j = 0; j < MOVE_SEITE; ++j) {
            if (MapInfo->MoveArray[r * MOVE_SEITE + j] < grenze) continue;
            LONG wx = X + j, wy = Y + r;
            if (wx < 0 || wx >= FENSTER_BREITE || wy < 0 || wy >= FENSTER_HOEHE) continue;
            MapInfo->GreatCMapPtr[wy * FENSTER_BMAP_ZEILE + wx / 8] |= (UBYTE)(1u << (wx % 8));
        }
    }
    return 1;
}

void FreeMoveAllocs(VekMapInfo *MapInfo)
{
    if (!MapInfo) return;
    FreeVec(MapInfo->MoveArray);
    MapInfo->MoveArray = nullptr;
    FreeVec(MapInfo->GreatCMapPtr);
    MapInfo->GreatCMapPtr = nullptr;
}
