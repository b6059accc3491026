// The town screen's state and the routines its tests reach: the naming of a
// new town, the town chooser, the darkening by the time of day and the
// dialogs it asks the player with.
#pragma once
#include "media/wetterregen.h"
#include "platform/types.h"
#include "world/towns.h"

struct ScreenRegion;
struct TextFont;
struct st_MovieBase;
struct st_Movie;
struct ChiefStruktur1;
struct StadtLevelBild;

struct LokaleDatenStadtScreen {
    BOOL Lumiere;                  // window lights drawn
    UBYTE Wetter;                  // weather of the received harvest chunk, 0 without
    UBYTE AktProzent;              // current darkening in per cent
    UWORD InitStatus;              // preference 0
    ULONG *ScreenColorMemPtr;      // palette entries 36..255 as 32-bit red, green, blue, kept at the first darkening
    WetterRegen Regen;             // the rain and its checks
    ::Stadt *Stadt;                // the active town
    const StadtLevelBild *Level;   // what its level shows
    ::ScreenRegion *ScreenRegion;
    TextFont *Font;
    st_MovieBase *MovieBase;
    st_Movie *Movie1, *Movie2, *Movie3;  // ford, water wheel, mill
    ChiefStruktur1 *RebellionBox;  // open while the town rebels
    UWORD Objekte[4];              // the button images made for this visit, 0 none
    BOOL Sounds;                   // the screen's sounds are loaded
};

// The dialogs of the town screen; tests put their own in.
struct StadtDialoge {
    void (*Meldung)(const char *text);                         // the advisor's box, modal
    ChiefStruktur1 *(*Offen)(const char *text);                // the advisor's box, left open
    void (*Schliessen)(ChiefStruktur1 *box);
    // The name input box: the entered text in buffer, or null.
    char *(*Eingabe)(char *buffer, const char *prompt, const char *info);
    // The town chooser: the chosen line of n, or -1.
    LONG (*Auswahl)(UWORD n, const char *lines, const char *heading, const char *info);
};
extern StadtDialoge StadtDialogHooks;

// Screen 39; returns the next screen's number, -1 when it cannot be shown.
LONG StadtScreen();
// A new town is named before anything else; a name taken or unfit is
// refused and asked again. 0 when the name could not be stored (asked again
// at the next visit).
BOOL CheckTownName(LokaleDatenStadtScreen *ld);
// The chooser over all towns: 1 when another town became the active one.
BOOL ChangeTown(LokaleDatenStadtScreen *ld);
// At 8 bits: the palette darkened by the local time, the window lights at
// 40 per cent and more. With SetBeforeFade the colours go into the palette
// the fade-in leads to, else onto the display at once.
void CheckSysTime(LokaleDatenStadtScreen *ld, int SetBeforeFade);
void Lumiere();
