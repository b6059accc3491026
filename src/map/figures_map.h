// Figures on the map: drawing them into a view's layer, finding the figures
// of a hex, and moving one figure by one hex with its step animation.
#pragma once
#include "map/mapview.h"

// The own figure (n 0), the n-th figure (n >= 1) on world hex (x, y), null
// if none. Positions are wrapped first.
st_MOVE_EXT *GetActivePeople(VekMapInfo *View, LONG x, LONG y, LONG n);
// The number of figures on world hex (x, y) (what n = -1 asks for).
ULONG GetActivePeopleAnzahl(VekMapInfo *View, LONG x, LONG y);

// Moves the figure one hex by (dx, dy); 1 when it moved, 0 when not.
int SetPeople(VekMapInfo *View, st_MOVE_EXT *Figur, LONG dx, LONG dy);
// Plays the step animation onto the display; 1, or 0 when a graphic cannot be loaded.
int SetPeopleAnim(VekMapInfo *View, st_MOVE_EXT *Figur, LONG dx, LONG dy);

// Every frame of a step animation goes through here (strip graphic, frame,
// layer pixel); tests and benchmarks record or time them. Null: none.
extern void (*SetPeopleAnimFrameHook)(UWORD Strip, UWORD Frame, LONG x, LONG y);
// The wait after a frame, in ticks of 20 ms (Delay by default).
extern void (*SetPeopleAnimDelay)(ULONG Ticks);
// Moves the records behind a figure that has just stepped by (dx, dy) to its
// new hex: its army, its specialist, a ship with its cargo. Always 1.
int SetFigurDependence(st_MOVE_EXT *Figur, LONG dx, LONG dy);

// A figure position a corrupt file may hold: outside the world.
inline bool FigurAusserhalb(const st_MOVE_EXT *f) { return f->X_Pos >= 12800u || f->Y_Pos >= 6400u; }

struct LocStr;
struct LokaleDatenKartenScreen;
struct ShipListEntry;
// The player's figure that a ship's cargo slot describes (a slot aboard:
// Kommando 7), found on the slot's hex by its number; null otherwise.
st_MOVE_EXT *SearchPeopleInShip(LokaleDatenKartenScreen *st, ShipListEntry *Schiff, st_MOVE_EXT *Figur1);
// The catalog name of a figure kind 0 ... 20; null for kind 11 and beyond.
const LocStr *FigurArtName(UWORD art);
