// Game files for tests that run the after-turn routines: map tiles with
// chosen hexes, the realm's chunks in the pools, the buildings file.
#pragma once
#include <string>
#include <vector>

#include "world/mapinfo.h"
#include "platform/types.h"
#include "store/chunks.h"
#include "ui/screendat.h"

namespace vektest {

// One hex of a tile written by SchreibeTeil.
struct HexSetzen {
    LONG x, y;      // world position
    UWORD art;      // hex graphic: 1 town, 12 grassland, 17 forest, 23 water
    ULONG besitzer;
};
// Tile (tx, ty) as ./Map/M_tx_ty.map: every hex knows its position, is
// unknown ground of nobody, except the hexes given.
void SchreibeTeil(LONG tx, LONG ty, const std::vector<HexSetzen> &hexe);

// Chunks in host order with their head set, otherwise zero.
st_LAND LandChunk(ULONG anzVolk, ULONG anzMorgen, UBYTE gottheit);
st_KORN KornChunk(ULONG anzKornlager, ULONG saat, ULONG korn, ULONG bev);
st_TAXE TaxeChunk(UWORD kirchenPunkte);
void InsPool(const void *chunk, const char *pool);  // fails the test when not stored

// A GEBA chunk of the given buildings as ./Data/Gebaeude.dat.
void SchreibeGebaeude(const std::vector<st_BAUE_EXT> &gebaeude);
st_BAUE_EXT Bau(UWORD gebId, UWORD stadt, UWORD restbauzeit = 0);

// The slot template ./Data/screendat/Info_Stadt.dat (big-endian records).
void SchreibeVorlage(const std::vector<GebaeudeAbhaengigkeiten> &slots);
// 235 building slots: GebaeudeID slot + 1, the level of the slot's range,
// no scenery, no population needed.
std::vector<GebaeudeAbhaengigkeiten> StandardSlots();
// ./Data/MapPrefs.vek with the capital at (x, y).
void SchreibeMref(ULONG x, ULONG y);
// An ARMY chunk of armies at the given hexes, each with parts of the given soldiers.
struct ArmeeAuf {
    ULONG x, y;
    std::vector<ULONG> soldaten;
};
std::vector<UBYTE> ArmyChunk(const std::vector<ArmeeAuf> &armeen);

}  // namespace vektest
