// The game's bitmap fonts: the ".fnt" file layout, loading, measuring and
// drawing text through a RastPort.
#pragma once
#include "gfx/graphics.h"

// File layout, numbers big-endian:
//   "FONT", Lochar u8, Hichar u8, BitmapBreite u16, tf_YSize u16, tf_Baseline u16,
//   Typ 4 letters ("COLO": colour font), Size 4 letters ("PROP": proportional),
//   "CHAR", n x {offset u16, width u16}, n x CharSpace u16, n x CharKern s16,
//   "DATA", tf_YSize rows of BitmapBreite bytes (0 empty, else set / palette index);
//   n = Hichar - Lochar + 1.
#pragma pack(push, 1)
struct st_FontHead {
    char Tag[4];          // 0  "FONT"
    UBYTE Lochar;         // 4  first character code
    UBYTE Hichar;         // 5  last character code
    UWORD BitmapBreite;   // 6  bytes per bitmap row
    UWORD tf_YSize;       // 8  rows of every glyph
    UWORD tf_Baseline;    // 10 baseline row from the top
    char Typ[4];          // 12 "COLO" or anything
    char Size[4];         // 16 "PROP" or anything
};
#pragma pack(pop)
static_assert(sizeof(st_FontHead) == 20);

constexpr ULONG FONT_TYP_COLO = 0x434F4C4F;   // "COLO"
constexpr ULONG FONT_SIZE_PROP = 0x50524F50;  // "PROP"

struct CharLocEntry {
    UWORD Offset;  // first column of the glyph in the bitmap rows
    UWORD Width;   // glyph width in pixels
};

struct TextFont {
    ULONG Typ;           // FONT_TYP_COLO for a colour font
    ULONG Size;          // FONT_SIZE_PROP for a proportional font
    UBYTE Lochar;
    UBYTE Hichar;
    UWORD tf_XSize;      // fixed-width fonts: width of 'A' (of Lochar without 'A'); else 0
    UWORD tf_YSize;
    UWORD tf_Baseline;
    UWORD BitmapBreite;
    CharLocEntry *CharLoc;  // n entries, host order
    UWORD *CharSpace;       // n advances
    WORD *CharKern;         // n kerning values
    UBYTE *Data;            // tf_YSize x BitmapBreite bytes
};

TextFont *OpenDiskFont(const char *filename);  // null with a message on any fault; caller closes
TextFont *OpenFont(const char *filename);
void CloseFont(TextFont *font);                // null accepted
void SetFont(RastPort *rp, TextFont *font);    // a null font changes nothing
UWORD TextLength(RastPort *rp, const char *text, ULONG count);  // pixels, cut to 16 bits
// Draws count characters at the pen position (cp_y is the baseline) and
// presents them; the pen does not move. Null port: the display's. 1, or 0
// when there is no port, font or pixel memory.
LONG Text(RastPort *rp, const char *text, ULONG count);
