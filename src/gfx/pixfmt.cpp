// The pixel-format table and the three conversions. Each format is one row:
// where each channel goes and at what precision, an alpha constant, whether
// the two bytes of a 16-bit word are exchanged, and how black is treated so
// that the value 0 stays reserved for transparent pixels.
#include "gfx/pixfmt.h"

#include <SDL/SDL.h>
#include <cstring>

#include "gfx/palette.h"
#include "platform/system.h"

namespace {

enum BlackRule : UBYTE {
    BLACK_KEEP,   // black is encoded like any colour
    BLACK_ZERO,   // black becomes 0
    BLACK_SUBST,  // black becomes 0 only from index 0, else the row's substitute
};

struct FormatRow {
    UWORD code;
    const char *name;
    bool directory;
    UBYTE bytes;
    UBYTE shift[3];  // red, green, blue: bit position of the channel in the pixel value
    UBYTE bits[3];   // channel precision in the pixel value
    UBYTE match[3];  // channel precision when looking a pixel up in the palette
    ULONG alpha;     // constant bits of every pixel
    bool swap16;     // the PC forms: the two bytes of the word exchanged
    BlackRule chunkyBlack;
    ULONG chunkySubst;
    BlackRule rgbBlack;
};

// 24-bit pixels are values whose low byte comes first in memory.
constexpr FormatRow kFormats[] = {
    {PIXFMT_CLUT, "CLUT", true, 1, {0, 0, 0}, {8, 8, 8}, {8, 8, 8}, 0, false, BLACK_KEEP, 0, BLACK_KEEP},
    {PIXFMT_RGB15, "RGB15", true, 2, {10, 5, 0}, {5, 5, 5}, {5, 5, 5}, 0, false, BLACK_KEEP, 0, BLACK_KEEP},
    {PIXFMT_BGR15, "BGR15", false, 2, {0, 5, 10}, {5, 5, 5}, {5, 5, 5}, 0, false, BLACK_KEEP, 0, BLACK_KEEP},
    {PIXFMT_RGB15PC, "RGB15PC", true, 2, {10, 5, 0}, {5, 5, 5}, {5, 5, 5}, 0, true, BLACK_KEEP, 0, BLACK_KEEP},
    {PIXFMT_BGR15PC, "BGR15PC", true, 2, {0, 5, 10}, {5, 5, 5}, {5, 5, 5}, 0, true, BLACK_KEEP, 0, BLACK_KEEP},
    {PIXFMT_RGB16, "RGB16", true, 2, {11, 5, 0}, {5, 6, 5}, {5, 6, 5}, 0, false, BLACK_SUBST, 0x0821, BLACK_KEEP},
    {PIXFMT_BGR16, "BGR16", false, 2, {0, 5, 11}, {5, 6, 5}, {5, 6, 5}, 0, false, BLACK_KEEP, 0, BLACK_KEEP},
    {PIXFMT_RGB16PC, "RGB16PC", true, 2, {11, 5, 0}, {5, 6, 5}, {5, 6, 5}, 0, true, BLACK_KEEP, 0, BLACK_KEEP},
    {PIXFMT_BGR16PC, "BGR16PC", true, 2, {0, 5, 11}, {5, 6, 5}, {5, 6, 5}, 0, true, BLACK_KEEP, 0, BLACK_KEEP},
    {PIXFMT_RGB24, "RGB24", true, 3, {0, 8, 16}, {8, 8, 8}, {8, 8, 8}, 0, false, BLACK_KEEP, 0, BLACK_KEEP},
    {PIXFMT_BGR24, "BGR24", true, 3, {16, 8, 0}, {8, 8, 8}, {8, 8, 8}, 0, false, BLACK_KEEP, 0, BLACK_KEEP},
    {PIXFMT_ARGB32, "ARGB32", true, 4, {16, 8, 0}, {8, 8, 8}, {5, 5, 5}, 0xFF000000u, false, BLACK_SUBST,
     0x00010101u, BLACK_ZERO},
    {PIXFMT_ABGR32, "ABGR32", true, 4, {0, 8, 16}, {8, 8, 8}, {5, 5, 5}, 0xFF000000u, false, BLACK_ZERO, 0,
     BLACK_ZERO},
    {PIXFMT_RGBA32, "RGBA32", true, 4, {24, 16, 8}, {8, 8, 8}, {5, 5, 5}, 0x000000FFu, false, BLACK_ZERO, 0,
     BLACK_ZERO},
    {PIXFMT_BGRA32, "BGRA32", true, 4, {8, 16, 24}, {8, 8, 8}, {5, 5, 5}, 0x000000FFu, false, BLACK_ZERO, 0,
     BLACK_ZERO},
};

const FormatRow *FindFormat(UWORD code)
{
    for (const FormatRow &row : kFormats)
        if (row.code == code) return &row;
    return nullptr;
}

UWORD Swap16(ULONG v) { return (UWORD)(((v & 0xFF) << 8) | ((v >> 8) & 0xFF)); }

// The colour bits of (r, g, b) in the row's layout, without alpha.
ULONG ColourBits(const FormatRow &f, UBYTE r, UBYTE g, UBYTE b)
{
    const UBYTE ch[3] = {r, g, b};
    ULONG v = 0;
    for (int i = 0; i < 3; i++) v |= (ULONG)(ch[i] >> (8 - f.bits[i])) << f.shift[i];
    return v;
}

ULONG Encode(const FormatRow &f, UBYTE r, UBYTE g, UBYTE b, BlackRule rule, ULONG subst, bool indexZero)
{
    ULONG colour = ColourBits(f, r, g, b);
    if (colour == 0) {
        if (rule == BLACK_ZERO) return 0;
        if (rule == BLACK_SUBST) return indexZero ? 0 : subst;
    }
    ULONG v = colour | f.alpha;
    if (f.swap16) v = Swap16(v);
    return v;
}

ULONG EncodeIndex(const FormatRow &f, UBYTE index)
{
    const SDL_Color &c = KavoriaPalette[index];
    return Encode(f, c.r, c.g, c.b, f.chunkyBlack, f.chunkySubst, index == 0);
}

}  // namespace

int PixelFormatBytes(UWORD format)
{
    const FormatRow *f = FindFormat(format);
    return f ? f->bytes : 0;
}

const char *PixelFormatName(UWORD format)
{
    const FormatRow *f = FindFormat(format);
    return f ? f->name : nullptr;
}

const char *PixelFormatDirectory(UWORD format)
{
    const FormatRow *f = FindFormat(format);
    return f && f->directory ? f->name : nullptr;
}

UWORD PixelFormatForDepth(int depth)
{
    const int bytes = (depth + 7) / 8;
    const UWORD screen = VekDisplay.VekScreen_ScreenFormat;
    if (PixelFormatBytes(screen) == bytes) return screen;
    switch (bytes) {
    case 1: return PIXFMT_CLUT;
    case 2: return PIXFMT_RGB16;
    case 3: return PIXFMT_RGB24;
    case 4: return PIXFMT_ARGB32;
    default: return 0;
    }
}

void StorePixel(UBYTE *p, int bytes, ULONG value)
{
    switch (bytes) {
    case 1: *p = (UBYTE)value; break;
    case 2: {
        const UWORD w = (UWORD)value;
        std::memcpy(p, &w, 2);
        break;
    }
    case 3:
        p[0] = (UBYTE)value;
        p[1] = (UBYTE)(value >> 8);
        p[2] = (UBYTE)(value >> 16);
        break;
    case 4: std::memcpy(p, &value, 4); break;
    default: break;
    }
}

ULONG LoadPixel(const UBYTE *p, int bytes)
{
    switch (bytes) {
    case 1: return *p;
    case 2: {
        UWORD w;
        std::memcpy(&w, p, 2);
        return w;
    }
    case 3: return (ULONG)p[0] | ((ULONG)p[1] << 8) | ((ULONG)p[2] << 16);
    case 4: {
        ULONG v;
        std::memcpy(&v, p, 4);
        return v;
    }
    default: return 0;
    }
}

ULONG ChunkyPixel(UWORD format, UBYTE index)
{
    const FormatRow *f = FindFormat(format);
    if (!f || f->code == PIXFMT_CLUT) return 0;
    return EncodeIndex(*f, index);
}

void ConvertChunky(UWORD format, const UBYTE *source, UBYTE *dest, ULONG count)
{
    const FormatRow *f = FindFormat(format);
    if (!f || f->code == PIXFMT_CLUT || !source || !dest) return;
    const int bytes = f->bytes;
    if (count < 256) {
        for (ULONG i = 0; i < count; i++) StorePixel(dest + (size_t)i * bytes, bytes, EncodeIndex(*f, source[i]));
        return;
    }
    ULONG table[256];
    for (int i = 0; i < 256; i++) table[i] = EncodeIndex(*f, (UBYTE)i);
    for (ULONG i = 0; i < count; i++) StorePixel(dest + (size_t)i * bytes, bytes, table[source[i]]);
}

void Convert24BITMotorola(UWORD format, const UBYTE *source, UBYTE *dest, ULONG bytes)
{
    const FormatRow *f = FindFormat(format);
    if (!f || f->code == PIXFMT_CLUT || !source || !dest) return;
    const ULONG count = bytes / 3;
    for (ULONG i = 0; i < count; i++) {
        const UBYTE *s = source + (size_t)i * 3;
        StorePixel(dest + (size_t)i * f->bytes, f->bytes, Encode(*f, s[0], s[1], s[2], f->rgbBlack, 0, false));
    }
}

void Convert2Chunky(UWORD format, UBYTE *dest, const UBYTE *source)
{
    const FormatRow *f = FindFormat(format);
    if (!f || !dest || !source) return;
    if (f->code == PIXFMT_CLUT) {
        *dest = *source;
        return;
    }
    ULONG v = LoadPixel(source, f->bytes);
    if (f->swap16) v = Swap16(v);
    ULONG want[3];
    for (int c = 0; c < 3; c++) {
        const ULONG channel = (v >> f->shift[c]) & ((1u << f->bits[c]) - 1);
        want[c] = channel >> (f->bits[c] - f->match[c]);
    }
    for (int i = 0; i < 256; i++) {
        const SDL_Color &p = KavoriaPalette[i];
        const UBYTE have[3] = {p.r, p.g, p.b};
        bool same = true;
        for (int c = 0; c < 3 && same; c++) same = (ULONG)(have[c] >> (8 - f->match[c])) == want[c];
        if (same) {
            *dest = (UBYTE)i;
            return;
        }
    }
}
