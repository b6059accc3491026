// Dice and the built-in pointer: stand-ins until the small game services are built.
#include "platform/misc.h"

#include <cstdlib>

ULONG Wuerfel(ULONG n) { return n == 0 ? 0 : (ULONG)(std::rand() % ((unsigned long long)n + 1)); }
SDL_Cursor *GetSDLMouse() { return nullptr; }
