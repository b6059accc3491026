// Drawing a map view into its layer and moving the view across the world:
// terrain by season and sight, borders, resources, the movement overlay, the
// strip redraw after a one-step scroll, the pixel-to-hex lookup, and the view
// record's position, tile exchange, figure list and copy to the screen.
#pragma once
#include "world/mapinfo.h"
#include "platform/types.h"

// Status bits of a view (besides MAPSTATUS_BMAP, 0x02: draw only explored hexes).
constexpr UWORD MAPSTATUS_FIGUREN = 0x04;     // load and draw figures
constexpr UWORD MAPSTATUS_GRENZEN = 0x10;     // border dots
constexpr UWORD MAPSTATUS_BEWEGUNG = 0x20;    // movement overlay from GreatCMapPtr
constexpr UWORD MAPSTATUS_NEBEL = 0x40;       // fog of war
constexpr UWORD MAPSTATUS_ROHSTOFFE = 0x80;   // resource bars on own hexes

// QuickUpdate: what the next BlitMap redraws.
constexpr UWORD QU_ALLES = 0;
constexpr UWORD QU_HOCH = 1;     // moved one row up: new row at the top
constexpr UWORD QU_RECHTS = 2;   // moved two columns right: new columns at the right
constexpr UWORD QU_RUNTER = 3;   // moved one row down: new row at the bottom
constexpr UWORD QU_LINKS = 4;    // moved two columns left: new columns at the left
constexpr UWORD QU_NEBEL = 5;    // only hexes whose sight differs from FOWMask
// A FOWMask value no sight takes: the hex was drawn outside the drawing's
// rules (a step's animation, a newly explored hex) or its figures changed,
// so the update after a step draws it again whatever its sight.
constexpr ULONG FOW_NEU = 0xFFFFFFFFu;

constexpr LONG HEX_BREITE = 64;  // a hex graphic
constexpr LONG HEX_HOEHE = 56;
constexpr LONG HEX_SCHRITT = 48;  // columns lie 48 pixels apart

constexpr int KARTEN_ELEMENTE = 100;
// Terrain graphic by hex graphic Art (row) and column: seasons 0-3 in sight,
// 4-7 the same seasons out of sight. Row 0 and Art 100 up draw nothing.
extern const UWORD (&KartenElemente)[KARTEN_ELEMENTE][8];

// ---- drawing (the layer of a view) ----

// Draws the view into its layer as QuickUpdate asks and sets QuickUpdate to 0.
void BlitMap(VekMapInfo *View);
// Border dots of view hex (Spalte, Zeile) at layer pixel (x, y).
void BlitFrontier(VekMapInfo *View, LONG Spalte, LONG Zeile, RastPort *rp, LONG x, LONG y);
// One side of a hex border in the dot graphic 440 - Eigen; Line1 N, Line2 NW,
// Line3 SW, Line4 S, Line5 NE, Line6 SE. Upper dots near the top edge are left out.
void Line1(RastPort *rp, LONG x, LONG y, int Eigen);
void Line2(RastPort *rp, LONG x, LONG y, int Eigen);
void Line3(RastPort *rp, LONG x, LONG y, int Eigen);
void Line4(RastPort *rp, LONG x, LONG y, int Eigen);
void Line5(RastPort *rp, LONG x, LONG y, int Eigen);
void Line6(RastPort *rp, LONG x, LONG y, int Eigen);
// Resource symbol and the three bars of an own view hex at layer pixel (x, y).
void BlitResources(VekMapInfo *View, LONG Spalte, LONG Zeile, RastPort *rp, LONG x, LONG y);
// One bar of Wert pixels; a length outside 0 ... 127 (a signed byte) draws nothing.
void MaleRohstoffBalken(RastPort *rp, LONG x, LONG y, LONG Wert, UWORD DunklerStift, UWORD HellerStift);
// A rectangle of a view's layer, [x0, x1) x [y0, y1).
struct LayerBereich {
    LONG x0, y0, x1, y1;
};
// Everything the figure of a hex draws (strip, owner marker, counts) lies in
// [x - FIGUR_LINKS, x + FIGUR_RECHTS) x [y - FIGUR_OBEN, y + FIGUR_UNTEN)
// round the hex's layer pixel (x, y).
constexpr LONG FIGUR_LINKS = 4, FIGUR_OBEN = 4, FIGUR_RECHTS = 68, FIGUR_UNTEN = 60;
// Figures of the whole view (in sight and explored); with Bereiche only the
// hexes whose figure reaches into one of the AnzahlBereiche rectangles, each drawn
// clipped to that rectangle. And the figures of one hex (all).
void BlitFigur2(VekMapInfo *View, ULONG Sicht[SICHT_MAX_X][SICHT_MAX_Y], RastPort *rp,
                const LayerBereich *Bereiche = nullptr, int AnzahlBereiche = 0);
void BlitFigur(VekMapInfo *View, LONG Spalte, LONG Zeile, RastPort *rp, LONG x, LONG y);

constexpr ULONG KEIN_HEX = 0xFFFFFFFFu;
inline LONG GadgetSpalte(ULONG g) { return (LONG)(g >> 16); }
inline LONG GadgetZeile(ULONG g) { return (LONG)(g & 0xFFFF); }
// The view hex under map-window pixel (x, y) as (column << 16) | row, or
// KEIN_HEX outside the view (View null: no right or lower bound). At 8 bits
// per pixel the window starts 16 pixels right of and below the view.
ULONG GetMapGadget(const VekMapInfo *View, LONG x, LONG y);
// Releases the map's graphics: Map 0 the full set, else only the figure
// objects' few. 0.
LONG CloseAllPattern(LONG Map);

// ---- the view ----

// Sets the view up at world hex (x, y) (put into the world, x made even) on
// the screen rectangle (Ziel_X, Ziel_Y, Breite, Hoehe), at most 41 x 22
// hexes, and draws it. 1, or 0 with the reason printed (what was made stays
// for ExitPos).
int InitPos(VekMapInfo *View, LONG x, LONG y, LONG Ziel_X, LONG Ziel_Y, LONG Breite, LONG Hoehe, UWORD Status);
// The MOVE chunk of ./Data/MapPrefs.vek into PeopleMemPtr and its local copy; 1 or 0.
int InitPosLoadPeopleMem(VekMapInfo *View);
// Moves the view by 2 x dx columns and dy rows (0, 0 redraws) and shows it;
// 1, or 0 when tiles could not be exchanged or loaded.
int SetPos(VekMapInfo *View, LONG dx, LONG dy);
// Shift the nine map or knowledge tiles one tile (0 west, 1 east, 2 north,
// 3 south), writing the leaving ones back; 1, or 0 when a write failed.
int SetMap(VekMapInfo *View, int Richtung);
int SetBMap(VekMapInfo *View, int Richtung);
// Shifts the reachable-hex bits one tile (1 west, 2 east, 3 north, 4 south).
void ReArangeCMap(VekMapInfo *View, int Modus);
// Draws newly explored view hex (x, y), great-map hex (gx, gy), into the
// layer and onto the screen. 1.
int ShowNewHex(VekMapInfo *View, LONG x, LONG y, LONG gx, LONG gy);
// The low byte of great-map hex (gx, gy)'s Art minus 1; -1 outside the window.
LONG GetHexData(const VekMapInfo *View, LONG gx, LONG gy);
// Copies the layer to the view's screen rectangle, runs GUIRoutine and flips
// the double buffer where one is used (Flip: changeRP of KavorDBFlip).
void BlitLayer2Screen(VekMapInfo *View, BOOL Flip);
// Writes the figure list back into the MOVE chunk of ./Data/MapPrefs.vek; 1 or 0.
int ExitPosWriteMapPrefs(VekMapInfo *View);
// Ends the view: figure list written back and freed, layer freed. The write result.
int ExitPos(VekMapInfo *View);
