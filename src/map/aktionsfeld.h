// Orders carried out on the map at once (CheckAktionsFeld, declared with the
// map screen): the target chosen within the figure's reach, battle records
// for the server, moves along the path traced back through the move array,
// ship cargo, the cleric's herb search and ship names. The pieces below stand
// on their own so that their rules can be checked without a screen.
#pragma once
#include "map/kartenscreen.h"
#include "platform/types.h"
#include "store/chunks.h"

struct ChiefStruktur1;

// Every message and question shown to the player goes through here first
// (tests record them). Null: none.
extern void (*AktionsMeldungHook)(const char *text);

inline constexpr const char WARENCHUNK_FILE[] = "./Data/WarenChunk.vek";
constexpr UBYTE KOMMANDO_ANGREIFEN = 3, KOMMANDO_BELADEN = 5, KOMMANDO_ENTLADEN = 6, KOMMANDO_KAPERN = 8,
                KOMMANDO_BEWEGEN = 10, KOMMANDO_DUELLIEREN = 13, KOMMANDO_SUCHEN = 14, KOMMANDO_GELEITEN = 18,
                KOMMANDO_BENENNEN = 19;
constexpr int KRAEUTER = 18;                 // herb h is ware type 56 + h
constexpr UBYTE KRAUT_WARE_ERSTE = 56;
constexpr UWORD WARE_INFO_KRAUT = 5;         // a stock entry of found herbs

// One battle record (attacker and defender as they stand, the rest 0)
// appended to the outgoing pool's KRIG chunk, or a new chunk of one. Of an
// existing chunk only the records its Length holds are kept. 1 or 0.
int KrigAnhaengen(const st_MOVE_EXT *Angreifer, const st_MOVE_EXT *Verteidiger);

// The path back from target cell (ZielSpalte, ZielZeile) of the 29 x 29 move
// array Feld, whose middle cell is window hex (FensterX, FensterY) and holds
// the figure's points (Start, at most 127): from the target's value, add the
// cost of the hex stood on and step to the last neighbour (N, NE, SE, S, SW,
// NW) holding that sum, keeping the direction when none does; cells outside
// the array hold nothing. Stops on the start cell or after Punkte steps.
// Writes the steps from the figure towards the target into Schritte (room
// for Punkte) and returns how many.
struct WegSchritt {
    LONG dx, dy;
};
int WegVerfolgen(const BYTE *Feld, LONG FensterX, LONG FensterY, const MapEntry *Map, UWORD Typ, UBYTE Punkte,
                 BYTE Start, LONG ZielSpalte, LONG ZielZeile, WegSchritt *Schritte);

// Units a search finds on an acre holding Anzahl units (dice thrown here).
ULONG KrautErtrag(UWORD Anzahl);
// The search for herb h on the marked hex by cleric f, after the herb was
// chosen; Box is the open advisor's box (closed here), null for none.
// 1 or 0 on a failure.
int KrautSuche(LokaleDatenKartenScreen *st, st_MOVE_EXT *f, int h, ChiefStruktur1 *Box);

// Cargo places and soldiers of a merchant ship kind; 0 for other kinds.
int SchiffsPlaetze(UWORD Art);
ULONG SchiffsSoldaten(UWORD Art);
// Points less n, never below 0.
UBYTE PunkteWeniger(UBYTE Punkte, ULONG n);
