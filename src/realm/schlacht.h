// The battles of the last turn: the table file army.csv, the advisor's
// letter for one battle, where its map view lies, and the detail view's
// reveal counters. Everything here works without a screen; screen 36
// (NachrichtenScreen.cpp) draws it.
#pragma once
#include <string>

#include "platform/types.h"
#include "store/chunks.h"

struct ScreenRegion;
struct TextFont;
struct VekRequester;
struct VekMapInfo;

constexpr char ARMY_CSV[] = "army.csv";

// One visit of the battle news screen.
struct LokaleDatenNachrichten {
    BOOL Fertig;
    BOOL Active;               // the shown battle has a detail view
    WORD KriegNr;              // index of the shown battle within its category (signed: BACK wraps)
    ULONG Typ;                 // the category shown
    LONG XOldPos, YOldPos;     // map block of the loaded map view, -1 none
    st_KRIG_EXT *KriegsPtr;    // copy of the shown record, or null
    TextFont *VekFont4Ptr;     // text font
    TextFont *VekFontPtr;      // title font
    ScreenRegion *ScreenRegionPtr;
    VekRequester *VekReqPtr;   // the letter's box
    VekMapInfo *VekMapInfoPtr; // the map view
    std::string *Brief;        // the shown letter (the box borrows it)
};

// The battle records of a KRIG chunk: the count cut to what its Length
// holds, and the first record (null without chunk).
ULONG KriegAnzahl(const st_KRIG *krig);
const st_KRIG_EXT *KriegEintraege(const st_KRIG *krig);

// Category of a result: 0 land (0-2), 1 town (3-4), 2 sea (5-8), -1 other.
LONG SchlachtKategorie(ULONG result);

// The names of the two sides: the player's own name for his ID, else the
// player list's (null: only computer races are known).
struct SchlachtNamen {
    ULONG OwnID;
    const char *OwnName;
    const st_ANTW *Players;
};
std::string SchlachtName(const SchlachtNamen &names, ULONG id);

// army.csv: the two header lines and one line per land or town battle.
std::string ComposeSchlachtCSV(const st_KRIG *krig, const SchlachtNamen &names);
// Writes army.csv from the received pool's KRIG (beside, then renamed):
// 1, or 0 when there is no KRIG (no file is written).
BOOL CreateSchlachtCVS(LokaleDatenNachrichten *ld);

// Composes and shows the letter of the current battle of a category with its
// map view (screen 36): 1, or 0 when its box could not be made.
BOOL ShowBattles(LokaleDatenNachrichten *ld, ULONG category);
// The detail view of the shown battle, when it has one.
void ShowSchlacht(LokaleDatenNachrichten *ld);

// The word for a fatigue value and the phrase for the own side's losses.
const char *KampfWort(ULONG erschoepfung);
const char *VerlustSatz(ULONG tote, ULONG lebende);

// The letter for battle *index of a category: the index wraps into the
// category first (below 0 to the last, past the last to the first). krig
// null: no battles. *record receives the shown record (null for none) and
// *detail whether it has a detail view.
std::string ComposeSchlachtBrief(const st_KRIG *krig, ULONG category, WORD *index, const SchlachtNamen &names,
                                 const st_KRIG_EXT **record, BOOL *detail);

// Where the map view of a battle at (X, Y) lies: its block of 80 x 40 hexes,
// the origin and the index within the loaded block.
struct SchlachtKarte {
    LONG X, Y;             // origin
    LONG BlockX, BlockY;
    LONG IndexX, IndexY;
};
SchlachtKarte SchlachtKartenPos(ULONG X, ULONG Y);
// The place a battle is shown at: the attacker's for town battles, else the defender's.
void SchlachtOrt(const st_KRIG_EXT &k, ULONG *X, ULONG *Y);

// ---- the detail view ----
struct SchlachtBild {
    UWORD Picture;  // 0 for an unknown result
    UWORD Colour;   // 0-3
    BOOL Sea;
};
SchlachtBild SchlachtBildFuer(ULONG result, BOOL ownAttacker);

// Rows the detail view draws.
constexpr UWORD ROW_KLASSE = 1, ROW_ERSCHOEPFUNG = 2, ROW_TOTE = 4, ROW_LEBENDE = 8, ROW_AUSGANG = 16;

struct SchlachtZaehler {
    ULONG t;               // the reveal counter, 0 to 50
    BOOL Sea;
    ULONG AngTote, VerTote, AngLebende, VerLebende;  // shown so far
};
// One tick: advances the counters and returns the rows to draw now.
UWORD SchlachtTick(SchlachtZaehler *z, const st_KRIG_EXT &k);
// Every count at its end.
BOOL SchlachtGezaehlt(const SchlachtZaehler &z, const st_KRIG_EXT &k);
// Every row at its final value (the first Escape); the rows to draw.
UWORD SchlachtAlles(SchlachtZaehler *z, const st_KRIG_EXT &k);
