// Screens of this subsystem that are not built yet: each says so and returns
// the number its own failure path leads to.
#include "realm/realm.h"

#include "platform/system.h"

LONG ForschungScreen() { return ScreenNotBuilt("ForschungScreen", 2); }
LONG SpezialistenScreen() { return ScreenNotBuilt("SpezialistenScreen", 2); }
LONG StammbaumScreen() { return ScreenNotBuilt("StammbaumScreen", 2); }
LONG GoetterScreen() { return ScreenNotBuilt("GoetterScreen", 2); }
