// Figures on the map: the figure record of the MOVE chunk and the routines
// that add, remove and rewrite figures in the figure file ./Data/MapPrefs.vek.
#pragma once
#include <cstddef>
#include "platform/types.h"

#pragma pack(push, 1)
struct st_MOVE_EXT {
    ULONG SpielerID;        // 0  owner's player ID
    UWORD FigurArt;         // 4  figure kind
    UWORD FigurNummer;      // 6  the owner's number of the figure, from 1
    ULONG X_Pos;            // 8  absolute hex column, 0 ... 12,799
    ULONG Y_Pos;            // 12 absolute hex row, 0 ... 6,399
    UBYTE Kommando;         // 16 order; 7 = carried on a ship
    UBYTE Bewegungspunkte;  // 17 movement points left
};
#pragma pack(pop)
static_assert(sizeof(st_MOVE_EXT) == 18);
static_assert(offsetof(st_MOVE_EXT, Kommando) == 16);

constexpr UBYTE KOMMANDO_AN_BORD = 7;  // carried on a ship: not on the map itself
