// The order menu's rules apart from its drawing: which orders a figure may
// get where it stands, where the menu opens and how many rows it shows, the
// text of a figure row and the lines of a figure's tip.
#pragma once
#include <string>
#include <vector>

#include "map/kartenscreen.h"
#include "store/converters.h"

constexpr int FIGURMENU_BEFEHLE = 22;     // orders 0 ... 21
constexpr LONG FIGURMENU_ZEILE = 12;      // pixels per row
constexpr LONG FIGURMENU_BREITE = 80;     // pixels of a row, and of a tip
constexpr ULONG FIGURMENU_TEXT = 20;      // bytes of a figure row's text
constexpr UBYTE FIGURMENU_FREMD = 186;    // first byte of a foreign figure's row
constexpr ULONG HAENDLER_A = (ULONG)-5;   // the owners a scout may trade with
constexpr ULONG HAENDLER_B = (ULONG)-6;

// The orders figure f may get on the marked hex of st, in order-number
// order, into befehle; their number (0 is always among them).
int FigurMenuBefehle(LokaleDatenKartenScreen *st, const st_MOVE_EXT *f, UBYTE befehle[FIGURMENU_BEFEHLE]);

// The first figure of owner on world hex (x, y), or null; the owner is
// asked for directly, the player's ID stays as it is.
st_MOVE_EXT *FigurVonBesitzer(VekMapInfo *view, LONG x, LONG y, ULONG owner);

struct FigurMenuLage {
    LONG x, y;        // top left of the first row
    int befehle;      // order rows
    int figuren;      // figure rows shown
};
// The menu for the marked hex of st with so many order and figure rows on
// a display of breite x hoehe pixels (tief8: 8 bits per pixel): 1 and its
// place, or 0 when the marked hex gives no menu.
int FigurMenuPlatz(const LokaleDatenKartenScreen *st, int befehle, int figuren, LONG breite, LONG hoehe,
                   bool tief8, FigurMenuLage *lage);

// The row text of figure f (FIGURMENU_TEXT bytes, NUL-terminated) and, for an
// own army, its node in the army list. 0 when an own army figure has no army.
int FigurMenuZeile(LokaleDatenKartenScreen *st, const st_MOVE_EXT *f, char *text, ArmeeList **armee);

// The lines of the tip of figure f (armee: its node, if any); none for no tip.
std::vector<std::string> FigurMenuTipp(LokaleDatenKartenScreen *st, const st_MOVE_EXT *f, ArmeeList *armee);
