// The one 256-colour palette of the game.
#pragma once
#include <SDL/SDL.h>

extern SDL_Color KavoriaPalette[256];
