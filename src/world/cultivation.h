// Fields worked by hand: one record per worked hex in one file per block of
// the map ("./Map/C_<x>_<y>.vek", a block being 40 columns by 20 rows), the
// yields each kind of terrain gives, the update after every applied turn
// and the harvest sum that goes out with a turn.
#pragma once
#include <cstddef>
#include "world/mapinfo.h"
#include "platform/types.h"
#include "store/lists.h"

#pragma pack(push, 1)
// One worked hex, as the block files keep it (little-endian).
struct MapCultivation {
    UWORD X;                    // 0  absolute column
    UWORD Y;                    // 2  absolute row
    UWORD WorkersForHarvest;    // 4
    ULONG MaxHarvest;           // 6  food possible with these workers
    ULONG ActHarvest;           // 10 food of this turn
    ULONG PrevHarvest[9];       // 14 the nine previous turns, newest first
    UWORD WorkersForWood;       // 50
    UWORD MaxWood;              // 52
    UWORD ActWood;              // 54
    UWORD PrevWood[9];          // 56
    UWORD WorkersForStone;      // 74
    UWORD MaxStone;             // 76
    UWORD ActStone;             // 78
    UWORD PrevStone[9];         // 80
};
#pragma pack(pop)
static_assert(sizeof(MapCultivation) == 98);
static_assert(offsetof(MapCultivation, WorkersForWood) == 50 && offsetof(MapCultivation, PrevStone) == 80);

constexpr ULONG LISTE_MAPCULT = 14;
constexpr LONG CULT_BLOCK_BREITE = 40;   // hex columns of a block
constexpr LONG CULT_BLOCK_HOEHE = 20;    // hex rows of a block
constexpr LONG CULT_BLOCKS = 320;        // blocks per world row and column
// Preferences of the worker distribution.
constexpr UWORD PREF_AUTO_ARBEITER = 17;  // nonzero: fixed formulas, no records
constexpr UWORD PREF_ARBEITER = 18;       // workers left (automatic: per kind and field)
constexpr UWORD PREF_HOLZ = 19;           // wood of the turn
constexpr UWORD PREF_STEIN = 20;          // stone of the turn

// Yields of a field of terrain class Art (GetTypeOfHex) with Arbeiter workers.
ULONG GetMaxHarvestForField(UWORD Art, ULONG Arbeiter, UBYTE Gottheit);
ULONG GetMaxWoodForField(UWORD Art, ULONG Arbeiter, UBYTE Gottheit);
ULONG GetMaxStoneForField(UWORD Art, ULONG Arbeiter);

// Appends the records of block (MapX, MapY) to a list of type 14; 1, also
// when the block has no file; 0 when a node cannot be allocated.
int ScanMapCult2List(ListHeader *List, ULONG MapX, ULONG MapY);
// Stores the list as the block's file (an empty list deletes it); 1 or 0.
int SaveMapCultList(ListHeader *List, ULONG MapX, ULONG MapY);

// After every applied turn and at game set-up: yields grow or decay, fields
// lost to others are dropped, too many workers are taken back, wood, stone
// and free workers go to preferences 18-20, fish into the outgoing KORN.
// 1, or 0 when a step failed.
int CheckMapCultWorld();
// Before a turn is sent: the year's harvest into KORN MaxHarvest of the
// outgoing pool. 1 or 0.
int GetHarvestFromMapCult();

// A whole tile file (3,200 hexes of 22 bytes) into Ziel. 1 read; 0 when the
// file is missing (*Fehlt set) or not exactly one tile long.
int LadeKartenDatei(const char *Name, MapEntry *Ziel, int *Fehlt);
