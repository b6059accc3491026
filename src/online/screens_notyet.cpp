// Screens of this subsystem that are not built yet: each says so and returns
// the number its own failure path leads to.
#include "online/online.h"

#include "platform/system.h"

WORD TaverneScreen() { return (WORD)ScreenNotBuilt("TaverneScreen", 2); }
