// Screens of this subsystem that are not built yet: each says so and returns
// the number its own failure path leads to.
#include "town/town.h"

#include "platform/system.h"

// The map once per run, so that it can be reached; the next time the run ends.
LONG ResidenzScreen()
{
    static bool karteGezeigt = false;
    const LONG next = karteGezeigt ? -1 : 3;
    karteGezeigt = true;
    return ScreenNotBuilt("ResidenzScreen", next);
}
LONG StadtScreen() { return ScreenNotBuilt("StadtScreen", 2); }
LONG SteuernScreen() { return ScreenNotBuilt("SteuernScreen", 2); }
LONG BauScreen() { return ScreenNotBuilt("BauScreen", 2); }
LONG KornlagerScreen() { return ScreenNotBuilt("KornlagerScreen", 2); }
LONG AnarchieScreen() { return ScreenNotBuilt("AnarchieScreen", 2); }
LONG KroenungsScreen() { return ScreenNotBuilt("KroenungsScreen", 2); }
LONG LuxusScreen() { return ScreenNotBuilt("LuxusScreen", 2); }
