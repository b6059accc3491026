// Screens of this subsystem that are not built yet: each says so and returns
// the number its own failure path leads to.
#include "frontend/frontend.h"

#include "platform/system.h"

LONG Option1Screen() { return ScreenNotBuilt("Option1Screen", 2); }
LONG Option3Screen() { return ScreenNotBuilt("Option3Screen", 2); }
