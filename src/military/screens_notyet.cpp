// Screens of this subsystem that are not built yet: each says so and returns
// the number its own failure path leads to.
#include "military/military.h"

#include "platform/system.h"

WORD KaserneScreen() { return (WORD)ScreenNotBuilt("KaserneScreen", 2); }
LONG HafenScreen() { return ScreenNotBuilt("HafenScreen", 2); }
