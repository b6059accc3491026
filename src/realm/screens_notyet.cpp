// Screens of this subsystem that are not built yet: each says so and returns
// the number its own failure path leads to.
#include "realm/realm.h"

#include "platform/system.h"

LONG HandelsScreen() { return ScreenNotBuilt("HandelsScreen", 2); }
