#include "platform/palette.h"

SDL_Color KavoriaPalette[256];
