// The town picture: what each town level shows (pictures, screen file, skies,
// buttons), the picture composed from the built slots and its cache file,
// and the darkening of the town by the local time of day at 8 bits.
#pragma once
#include "platform/types.h"
#include "world/towns.h"

struct RastPort;

struct StadtLevelBild {
    UWORD Level;                 // 1..4
    UWORD Bild;                  // full-screen picture
    const char *ScreenDat;       // screen description
    UWORD TitelStift;            // title pen
    UWORD ErsterSlot, EndeSlot;  // slots drawn: ErsterSlot .. EndeSlot - 1
    UWORD Himmel;                // sky in clear weather
    UWORD Unwetter, Unterstadt;  // sky and lower town in bad weather
    UWORD Vordergrund;           // masked at (183, 0)
    UWORD BauenAuf, BauenAb;     // building button up/down; 0 none
    UWORD NameAuf, NameAb;       // name button up/down; 0 none
};
// The row of a town level; any level other than 2-4 counts as 1.
const StadtLevelBild &StadtLevelDaten(UWORD Level);

// ./Data/Cities/<name>.image into Name (at least 100 bytes); 0 for a name
// that is no file name.
int StadtImageName(const Stadt *Town, char *Name, size_t Size);

// Draws the town's buildings over rp (null: the display), from the cache
// when it fits the depth and the record is unchanged, else composed anew,
// cached and the record saved with TownChanged cleared. 0 done, 1 failure.
[[nodiscard]] int DrawTown(Stadt *Town);
[[nodiscard]] int DrawTownInto(Stadt *Town, RastPort *rp);
// Composes the built slots of the town's level into bmp (priorities 0-479,
// masked, clipped). 1 or 0.
int ComposeTown(const Stadt *Town, struct BitMap *bmp);

// Darkening of the town by the local time: the target per cent for a time of
// day, and the next value from the current one.
UBYTE DunkelZiel(int Stunde, int Minute);
UBYTE DunkelSchritt(UBYTE Aktuell, UBYTE Ziel);
// A colour component at Prozent darkness.
inline UBYTE Abdunkeln(UBYTE Komponente, UBYTE Prozent) { return (UBYTE)((100 - Prozent) * Komponente / 100); }
// The local time the darkening reads; tests set it.
extern void (*StadtUhrHook)(int *Stunde, int *Minute);
