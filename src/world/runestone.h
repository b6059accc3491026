// The rune-stone game of the tavern without its board: the hidden row, the
// rows the player lays, the scoring of a full row and the stake of 1,000 gold
// booked on the realm's LAND record.
#pragma once
#include "platform/types.h"
#include "store/chunks.h"

constexpr UWORD RUNE_SPALTEN = 5;    // runes in a row
constexpr UWORD RUNE_REIHEN = 6;     // rows the player has
constexpr UWORD RUNE_ARTEN = 8;      // kinds of rune, 1 to 8
constexpr ULONG RUNE_EINSATZ = 1000; // gold a staked game wins or costs

struct RuneStoneData {
    BOOL RowFull;
    BOOL QuadAktiv;            // the cursor blinks
    BOOL QuadFlag;             // current blink phase
    struct ScreenRegion *ScreenRegion;
    UWORD QuadCounter;         // ticks since the last blink, 0 to 4
    UWORD X_Pos;               // cursor column 0 to 4
    UWORD Y_Pos;               // current row 0 to 5; 6 after the last row
    UBYTE RuneStones[RUNE_SPALTEN];   // the hidden runes, 1 to 8
    UWORD GamesStonesCounter;
    UBYTE *GameStonesPtr;      // the cursor's slot
    UBYTE GameStones[RUNE_SPALTEN * RUNE_REIHEN];  // row 0 first; 0 empty
    WORD Koordinaten[8];       // the cursor square's corners
};

// The score of one row against the hidden runes: right places first, then
// right kinds in the wrong place, each rune counted at most once.
struct RuneWertung {
    UWORD Platz;
    UWORD Art;
};
// 1 and the score when all five guesses hold a rune; 0 when a slot is empty.
BOOL RuneReiheWerten(const UBYTE *Versteckt, const UBYTE *Reihe, RuneWertung *Wertung);

// Dice of the hidden runes (Wuerfel by default): tests fix them.
extern ULONG (*RuneWuerfelHook)(ULONG n);
// Clears the board and hides five new runes, Wuerfel(7) + 1 each.
void SetRuneStones(RuneStoneData *d);
// Empties the board, the hidden runes and the cursor (column 0 of row 0).
void ClearGame(RuneStoneData *d);
// Empties the current row; the cursor goes back to its column 0.
void ClearLine(RuneStoneData *d);
// Puts rune Art (1 to 8) into the cursor's slot; the cursor moves one column
// right and stays on the last. 0 after the last row or for another number.
BOOL RuneSetzen(RuneStoneData *d, UBYTE Art);

enum RuneStand : UWORD { RUNE_OFFEN = 0, RUNE_NAECHSTE_REIHE = 1, RUNE_GEWONNEN = 2, RUNE_VERLOREN = 3 };
// Scores the current row when it is full: won with five right places, else
// the cursor moves to column 0 of the next row, and after the sixth the game
// is lost. RUNE_OFFEN when the row is not full (nothing changes).
RuneStand SetRuneStonePoints(RuneStoneData *d, RuneWertung *Wertung);

// 1 when the realm's gold allows a stake: from 1,001 to 99,999.
BOOL RuneEinsatzMoeglich(const st_LAND *Land);
enum RuneAusgang : UWORD { RUNE_SIEG = 0, RUNE_NIEDERLAGE = 1, RUNE_AUFGEGEBEN = 2 };
// Books a staked game's end on the gold: +1,000 won, -1,000 lost or given up
// (never below 0). An unstaked game changes nothing.
void RuneEinsatzBuchen(st_LAND *Land, BOOL Gesetzt, RuneAusgang Ausgang);

// The LAND record of the visit: the orders pool's, else the received pool's;
// null without one (then no stake is offered). The caller frees it.
st_LAND *LoadRuneStoneData();
// Adds the LAND record to the orders pool and frees it. 1 when stored.
BOOL WriteRuneStoneData(st_LAND *Land);
