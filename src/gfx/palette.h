// The game's 256-colour palette and what changes it: colour maps by graphic
// number, the colour setters, the fades (a palette fade at 8 bits, rings of
// blocks spiralling out from the centre above) and colour cycling.
#pragma once
#include <SDL/SDL.h>
#include <atomic>

#include "platform/types.h"

extern SDL_Color KavoriaPalette[256];

// A viewport's colour map; the screen's points at KavoriaPalette.
struct ColorMap {
    SDL_Color *PaletteEntry;
};
struct ViewPort {
    struct ColorMap *ColorMap;
};

extern std::atomic<UWORD> Fade;       // 1 while a fade runs; movie threads and colour cycling wait for 0
extern std::atomic<UWORD> FadeAktiv;  // 1 from a fade-in until the next fade-out

// Seams: tests replace the push of a palette to the display and the waits of
// the fades. Null means the real ones (SDL's physical palette, Delay).
extern void (*PalettePushHook)(const SDL_Color *palette);
extern void (*FadeDelayHook)(ULONG ticks);
void PushPalette(const SDL_Color *palette);  // all 256 entries, under the screen semaphore

// Entries first .. first + count - 1 (count 0: 256; cut at 255) of the colour
// map of graphic id into KavoriaPalette. 1, or 0 when the index, the record or
// the colour map cannot be read (message printed, palette untouched).
int SetKavorPalette(const char *indexpath, ULONG id, ULONG first, ULONG count, ULONG beforefade);

// Colour setters through a viewport's colour map; none pushes the palette.
// list: {UWORD count, UWORD first, count x 3 ULONG (top byte used)} ... {0}.
void LoadRGB32(ViewPort *vp, const ULONG *list);
void SetRGB4(ViewPort *vp, ULONG reg, ULONG r, ULONG g, ULONG b);   // channel x 16, low 8 bits
void SetRGB32(ViewPort *vp, ULONG reg, ULONG r, ULONG g, ULONG b);  // low 8 bits
// count triples of channel x 0x01010101; registers past 255 give 0.
void GetRGB32(const ColorMap *cm, ULONG first, ULONG count, ULONG *buffer);

// Both run in the calling thread and return when the fade is over.
void FadeIn();
void FadeOut();  // only after a FadeIn; always clears VekScreen_FadeIn

// Colour cycling of palette registers, 8 bits only.
struct ColorCycleHandle {
    std::atomic<BOOL> Stop;
    std::atomic<BOOL> HasFinished;  // set after every step
    void *ColorCycleDaten;          // the compiled ranges, or null
};
// ranges records of size bytes: length, speed, register count, start step,
// then {step, register} pairs in rising step order up to a step of 255.
// Null above 8 bits or without memory. Ranges that do not make sense
// (length 0, steps not rising or past the length) are left out.
ColorCycleHandle *InitColorCycle(ULONG ranges, ULONG size, const UBYTE *table);
void ExitColorCycle(ColorCycleHandle *handle);
void ColorCycle(ColorCycleHandle *handle);  // one step; null does nothing
