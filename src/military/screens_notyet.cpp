// Screens of this subsystem that are not built yet: each says so and returns
// the number its own failure path leads to.
#include "military/military.h"

#include "platform/system.h"

LONG HafenScreen() { return ScreenNotBuilt("HafenScreen", 2); }
