// The mouse pointer: the built-in arrow, its planes and the system cursor.
#include "platform/pointer.h"

#include <cstdio>
#include <cstring>

// An arrow, black outline on white.
const char *const BuiltinPointerPicture[POINTER_SIZE] = {
    "X                               ",
    "XX                              ",
    "X.X                             ",
    "X..X                            ",
    "X...X                           ",
    "X....X                          ",
    "X.....X                         ",
    "X......X                        ",
    "X.......X                       ",
    "X........X                      ",
    "X.........X                     ",
    "X..........X                    ",
    "X......XXXXXX                   ",
    "X...X..X                        ",
    "X..XX..X                        ",
    "X.X  X..X                       ",
    "XX   X..X                       ",
    "X     X..X                      ",
    "      X..X                      ",
    "       X..X                     ",
    "       X..X                     ",
    "        XX                      ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
};

void MakePointerPlanes(const char *const rows[POINTER_SIZE], UBYTE data[POINTER_PLANE_BYTES],
                       UBYTE mask[POINTER_PLANE_BYTES])
{
    std::memset(data, 0, POINTER_PLANE_BYTES);
    std::memset(mask, 0, POINTER_PLANE_BYTES);
    for (int y = 0; y < POINTER_SIZE; ++y) {
        const char *row = rows ? rows[y] : nullptr;
        for (int x = 0; row && x < POINTER_SIZE && row[x]; ++x) {
            const int byte = y * (POINTER_SIZE / 8) + x / 8;
            const UBYTE bit = (UBYTE)(0x80 >> (x % 8));
            if (row[x] == 'X') {
                data[byte] |= bit;
                mask[byte] |= bit;
            } else if (row[x] == '.') {
                mask[byte] |= bit;
            }
        }
    }
}

SDL_Cursor *GetSDLMouse(const char *const rows[POINTER_SIZE])
{
    UBYTE data[POINTER_PLANE_BYTES], mask[POINTER_PLANE_BYTES];
    MakePointerPlanes(rows, data, mask);
    return SDL_CreateCursor(data, mask, POINTER_SIZE, POINTER_SIZE, 0, 0);
}

int GetMouse(const char *fileName)
{
    std::printf("Routine: GetMouse(%s)\n", fileName ? fileName : "");
    const bool colour = fileName && !std::strcmp(fileName, "./Pics/SDLCursor01.chk");
    SDL_ShowCursor(colour ? SDL_DISABLE : SDL_ENABLE);
    return 1;
}
