// Font files made in code for tests: a builder from glyph pictures, and a
// "barcode" font whose glyphs spell their own character codes, so that text
// drawn anywhere can be read back from the pixels.
#pragma once
#include <string>
#include <vector>

#include "common/testutil.h"
#include "gfx/graphics.h"

namespace vektest {

struct GlyphSpec {
    UBYTE code;
    std::vector<std::string> rows;  // '.' empty, 'X' pixel 1, '1'-'9' and 'a'-'f' that value
    int space = -1;                 // advance; -1 means the glyph's width
    int kern = 0;
};

struct FontSpec {
    UBYTE lo = 'A', hi = 'Z';
    UWORD ysize = 0;  // 0: the most rows of any glyph
    UWORD baseline = 0;
    bool colour = false;
    bool proportional = true;
    std::vector<GlyphSpec> glyphs;  // codes in lo..hi without a glyph get width 0
};

// The ".fnt" bytes of spec; glyphs side by side in the bitmap, in code order.
Bytes BuildFont(const FontSpec &spec);

// Fixed-width font of codes 1-255, 8 rows, baseline 7, cells 2 pixels wide:
// row r of column 0 is set when bit r of the code is set, column 1 is empty.
FontSpec BarcodeFontSpec();
// Reads back barcode text whose first cell starts at (x, top): pixels equal
// to ink are set bits; reading stops at the first empty cell or at max.
std::string ReadBarcode(BitMap *bmp, LONG x, LONG top, ULONG ink, size_t max = 256);

}  // namespace vektest
