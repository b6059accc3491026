// Dice, byte order and small game services.
#pragma once
#include <SDL/SDL.h>
#include "platform/types.h"

ULONG Wuerfel(ULONG n);          // a whole number from 0 to n inclusive
SDL_Cursor *GetSDLMouse();       // the system cursor from the built-in pointer picture, or null
