// Screens of this subsystem that are not built yet: each says so and returns
// the number its own failure path leads to.
#include "town/town.h"

#include "platform/system.h"

LONG LuxusScreen() { return ScreenNotBuilt("LuxusScreen", 2); }
