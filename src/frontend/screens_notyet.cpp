// Screens of this subsystem that are not built yet: each says so and returns
// the number its own failure path leads to.
#include "frontend/frontend.h"

#include <filesystem>

#include "platform/prefs.h"
#include "platform/system.h"

// With a game set up the way leads on to the residence.
LONG TitelScreen()
{
    ULONG spiel = 0;
    const bool gesetzt = std::filesystem::exists("./Data/Prefs.vek") && CheckPrefsRead(0, &spiel) && spiel == 2;
    return ScreenNotBuilt("TitelScreen", gesetzt ? 2 : -1);
}
LONG InitScreen() { return ScreenNotBuilt("InitScreen", 2); }
LONG OptionScreen() { return ScreenNotBuilt("OptionScreen", 2); }
LONG Option1Screen() { return ScreenNotBuilt("Option1Screen", 2); }
LONG Option3Screen() { return ScreenNotBuilt("Option3Screen", 2); }
LONG CreditScreen() { return ScreenNotBuilt("CreditScreen", 2); }
LONG GeheimScreen() { return ScreenNotBuilt("GeheimScreen", 152); }
