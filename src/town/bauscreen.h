// The building screen (43): browse the building types the active town may
// have, read what each needs, order one, list the sites of every town and
// order demolitions. The rules are in world/bauen.h.
#pragma once
#include <string>
#include "platform/types.h"
#include "world/bauen.h"

struct BitMap;
struct VekRequester;
struct TextFont;
struct ScreenRegion;
struct st_MovieBase;
struct st_Movie;

// One visit of the screen: the rule fields and what the screen shows.
struct BauScreenDaten {
    LokalDataBauScreen Daten;
    BOOL Fertig;               // leave the loop
    BOOL AlreadyFadeIn;        // the first fade-in is done
    std::string ReqString;     // the info text of the shown type
    BitMap *BitMapPtr;         // under the name box, 144 x 18 at 387,344
    VekRequester *RequesterPtr;
    TextFont *VekFont4Ptr;     // text and requester
    TextFont *VekFontPtr;      // title bar
    ScreenRegion *Region;
    st_MovieBase *MovieBase;
    st_Movie *Movie;
    BOOL Bestellbar;           // the shown type can be ordered now
};

// The boxes the screen shows; the real dialogs by default, replaced by tests.
struct BauDialoge {
    void (*Message)(const char *text);  // the advisor with one Ok
    LONG (*Ask)(const char *text);      // 0 Ok, 1 Cancel
    LONG (*Text)(const char *text);     // the scrolling text box
    LONG (*Choose)(const char *heading, const char *lines, UWORD n, const char *info);  // index or -1
    char *(*Number)(char *buffer, const char *prompt, const char *info);  // the entered text or null
};
extern BauDialoge BauDialogHooks;

// Shows slot GebaeudeID: name, info text, requester, costs, picture.
void SetBuilding(BauScreenDaten *st);
// Browses one step in direction (+1, -1) to the next slot the town offers.
void CheckBuildingEnv(BauScreenDaten *st, int richtung);
