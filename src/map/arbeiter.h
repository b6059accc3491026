// The cultivation requester of one own hex: workers for harvest (fishing on
// water), wood and stone, the yields with their change since the last turn
// and graphs of the last ten, and the switch to automatic distribution.
#pragma once
#include "world/cultivation.h"
#include "map/kartenscreen.h"
#include "platform/types.h"
#include "store/lists.h"

struct VekCursor;

struct LokaleDatenArbeiterReq {
    BOOL Automatik;                 // preference 17
    UWORD Art;                      // terrain class of the hex
    UWORD Gottheit;
    ULONG Arbeiter;                 // free workers of the realm
    ULONG ArbeiterErnte, ArbeiterHolz, ArbeiterStein;
    ULONG AnzMorgen;
    struct ScreenRegion *ScreenRegion;
    MapCultivation *MapCultNodePtr; // the hex's record (manual mode)
    struct Rechteck *Rect;
    struct RastPort *RastPortPtr;   // on the requester picture
    struct VekCursor *VekCursor;   // text cursor while a number is typed
};

constexpr int ARBEITER_WERTE = 13;
constexpr int ARBEITER_PUNKTE = 10;
constexpr ULONG ARBEITER_MAX_FELD = 1000;  // workers one box takes at most

// The record of hex (x, y) in the list, appended cleared with x and y when
// missing; null only when it cannot be allocated.
MapCultivation *ArbeiterReqGetMapCultNode(ListHeader *list, ULONG x, ULONG y);
// The thirteen values the requester shows, in its order; a manual record
// without an actual harvest gets 10,000 first.
void ArbeiterReqWerte(LokaleDatenArbeiterReq *ld, LONG werte[ARBEITER_WERTE]);
// The y of the ten graph points of yield k (0 harvest, 1 wood, 2 stone), oldest first.
void ArbeiterReqGraph(const MapCultivation *feld, int k, LONG y0, LONG hoehe, LONG punkte[ARBEITER_PUNKTE]);
// A typed number as the requester takes it: read as a signed decimal number,
// clamped to 0 ... frei, then to at most 1,000.
ULONG ArbeiterReqZahl(const char *text, ULONG frei);

void ArbeiterReqPrintData(LokaleDatenArbeiterReq *ld);
ULONG ArbeiterReqInputBox(LokaleDatenKartenScreen *state, LokaleDatenArbeiterReq *ld, int box);
