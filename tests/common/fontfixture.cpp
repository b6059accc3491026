#include "common/fontfixture.h"

#include <map>

#include "common/sdlharness.h"

namespace vektest {

namespace {

void PutWord(Bytes &b, unsigned v)
{
    b.push_back((uint8_t)(v >> 8));
    b.push_back((uint8_t)v);
}

void PutTag(Bytes &b, const char *tag)
{
    for (int i = 0; i < 4; i++) b.push_back((uint8_t)tag[i]);
}

uint8_t PixelValue(char c)
{
    if (c == 'X') return 1;
    if (c >= '1' && c <= '9') return (uint8_t)(c - '0');
    if (c >= 'a' && c <= 'f') return (uint8_t)(c - 'a' + 10);
    return 0;
}

}  // namespace

Bytes BuildFont(const FontSpec &spec)
{
    std::map<int, const GlyphSpec *> byCode;
    size_t ysize = spec.ysize;
    for (const GlyphSpec &g : spec.glyphs) {
        byCode[g.code] = &g;
        if (spec.ysize == 0 && g.rows.size() > ysize) ysize = g.rows.size();
    }
    struct Entry {
        unsigned offset, width, space;
        int kern;
    };
    std::vector<Entry> entries;
    unsigned bitmapWidth = 0;
    for (int c = spec.lo; c <= spec.hi; c++) {
        auto it = byCode.find(c);
        if (it == byCode.end()) {
            entries.push_back({bitmapWidth, 0, 0, 0});
            continue;
        }
        const GlyphSpec &g = *it->second;
        const unsigned width = g.rows.empty() ? 0 : (unsigned)g.rows[0].size();
        entries.push_back({bitmapWidth, width, g.space < 0 ? width : (unsigned)g.space, g.kern});
        bitmapWidth += width;
    }
    Bytes bitmap(bitmapWidth * ysize, 0);
    for (int c = spec.lo; c <= spec.hi; c++) {
        auto it = byCode.find(c);
        if (it == byCode.end()) continue;
        const Entry &e = entries[c - spec.lo];
        const std::vector<std::string> &rows = it->second->rows;
        for (size_t r = 0; r < rows.size() && r < ysize; r++)
            for (size_t col = 0; col < rows[r].size() && col < e.width; col++)
                bitmap[r * bitmapWidth + e.offset + col] = PixelValue(rows[r][col]);
    }

    Bytes b;
    PutTag(b, "FONT");
    b.push_back(spec.lo);
    b.push_back(spec.hi);
    PutWord(b, bitmapWidth);
    PutWord(b, (unsigned)ysize);
    PutWord(b, spec.baseline);
    PutTag(b, spec.colour ? "COLO" : "MONO");
    PutTag(b, spec.proportional ? "PROP" : "FIXD");
    PutTag(b, "CHAR");
    for (const Entry &e : entries) {
        PutWord(b, e.offset);
        PutWord(b, e.width);
    }
    for (const Entry &e : entries) PutWord(b, e.space);
    for (const Entry &e : entries) PutWord(b, (unsigned)(uint16_t)e.kern);
    PutTag(b, "DATA");
    b.insert(b.end(), bitmap.begin(), bitmap.end());
    return b;
}

FontSpec BarcodeFontSpec()
{
    FontSpec spec;
    spec.lo = 1;
    spec.hi = 255;
    spec.ysize = 8;
    spec.baseline = 7;
    spec.proportional = false;
    for (int c = 1; c <= 255; c++) {
        GlyphSpec g;
        g.code = (UBYTE)c;
        for (int r = 0; r < 8; r++) g.rows.push_back((c >> r) & 1 ? "X." : "..");
        spec.glyphs.push_back(g);
    }
    return spec;
}

std::string ReadBarcode(BitMap *bmp, LONG x, LONG top, ULONG ink, size_t max)
{
    std::string text;
    for (size_t i = 0; i < max; i++) {
        int code = 0;
        for (int r = 0; r < 8; r++)
            if (PixelAt(bmp, x + 2 * (LONG)i, top + r) == ink) code |= 1 << r;
        if (code == 0) break;
        text.push_back((char)code);
    }
    return text;
}

}  // namespace vektest
