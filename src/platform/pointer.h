// The mouse pointer: a built-in picture, its bit planes and the system cursor.
#pragma once
#include <SDL/SDL.h>
#include "platform/types.h"

// Mouse pointer. A picture is 32 rows of 32 characters: "X" black, "."
// white, anything else transparent; the hot spot is the top left corner.
constexpr int POINTER_SIZE = 32;
constexpr int POINTER_PLANE_BYTES = POINTER_SIZE * POINTER_SIZE / 8;
extern const char *const BuiltinPointerPicture[POINTER_SIZE];
// Packs a picture into the data plane (black) and mask plane (black or
// white), most significant bit first, 4 bytes a row. A short row is padded
// with transparent pixels; a null row is transparent.
void MakePointerPlanes(const char *const rows[POINTER_SIZE], UBYTE data[POINTER_PLANE_BYTES],
                       UBYTE mask[POINTER_PLANE_BYTES]);
// A system pointer from a picture, or null; the caller frees it with SDL_FreeCursor.
SDL_Cursor *GetSDLMouse(const char *const rows[POINTER_SIZE] = BuiltinPointerPicture);
// Chooses between the software pointer (the colour pointer file "./Pics/SDLCursor01.chk",
// system pointer hidden) and the system pointer (any other name). The file is not read. 1.
int GetMouse(const char *fileName);
