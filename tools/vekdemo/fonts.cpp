// The game's nine bitmap fonts, all cut from the one Latin-1 master glyph set
// (so umlauts, "ß" and "§" render in every font) at the heights the screens
// use. KavorC1 is a colour font whose pixels carry palette indices.
#include <algorithm>

#include "kit.h"

namespace vekdemo {

namespace {

struct FontSpec {
    const char *name;
    int height;
    bool colour;
    bool proportional;
};

constexpr FontSpec fonts[] = {
    {"KavorC1", 22, true, true},   {"KavorN", 12, false, true},  {"Times24", 24, false, true},
    {"Times30", 30, false, true},  {"Topaz", 8, false, false},   {"XHelvetica11", 11, false, true},
    {"XHelvetica13", 13, false, true}, {"XHelvetica9", 9, false, true}, {"Xen8", 8, false, true},
};

constexpr int LOCHAR = 32, HICHAR = 255;

// The master rows a font of this height shows, top to bottom, and its
// baseline. Tall fonts scale the whole cell; 9 and 10 rows drop the upper
// accent row and the lower descender row; 8 rows fold a capital's accent
// into its top row and keep one descender row.
struct Cut {
    int scale = 1, pad = 0, baseline = 0;
    std::vector<int> rows;   // master row per font row before scaling; -1 blank
    bool fold = false;
};

Cut CutFor(int height)
{
    Cut c;
    if (height >= GLYPH_ROWS) {
        c.scale = height / GLYPH_ROWS;
        c.pad = (height - GLYPH_ROWS * c.scale) / 2;
        for (int r = 0; r < GLYPH_ROWS; ++r) c.rows.push_back(r);
        c.baseline = c.pad + (GLYPH_BASELINE + 1) * c.scale - 1;
    } else if (height >= 9) {
        for (int r = 1; r <= 9; ++r) c.rows.push_back(r);
        if (height == 10) c.rows.push_back(10);
        c.baseline = GLYPH_BASELINE - 1;
    } else {
        c.fold = true;
        for (int r = 2; r <= 9; ++r) c.rows.push_back(r);
        c.baseline = GLYPH_BASELINE - 2;
    }
    return c;
}

Bytes FontFile(const FontSpec &f)
{
    const Cut cut = CutFor(f.height);
    const int n = HICHAR - LOCHAR + 1, s = cut.scale;
    struct Loc {
        int first = 0, width = 0;
        uint8_t rows[GLYPH_ROWS] = {};
        bool present = false;
    };
    std::vector<Loc> locs(n);
    int breite = 0;
    for (int i = 0; i < n; ++i) {
        Loc &l = locs[i];
        l.present = MasterGlyph((uint8_t)(LOCHAR + i), l.rows);
        if (!l.present) continue;
        if (cut.fold && (l.rows[0] | l.rows[1])) l.rows[2] = l.rows[1] ? l.rows[1] : l.rows[0];
        if (!cut.fold && cut.rows.front() == 1) l.rows[1] |= l.rows[0];  // the accent moves down a row
        int first, last;
        GlyphInk(l.rows, first, last);
        if (!f.proportional) first = 0, last = GLYPH_COLS;  // one blank column of spacing in the cell
        l.first = first;
        l.width = last >= first ? (last - first + 1) * s : 0;
        breite += l.width;
    }
    if (breite == 0) breite = 1;

    Bytes b;
    PutTag(b, "FONT");
    b.push_back((uint8_t)LOCHAR);
    b.push_back((uint8_t)HICHAR);
    PutBE16(b, (uint32_t)breite);
    PutBE16(b, (uint32_t)f.height);
    PutBE16(b, (uint32_t)cut.baseline);
    PutTag(b, f.colour ? "COLO" : "MONO");
    PutTag(b, f.proportional ? "PROP" : "FIXD");
    PutTag(b, "CHAR");
    int offset = 0;
    for (const Loc &l : locs) {
        PutBE16(b, (uint32_t)offset);
        PutBE16(b, (uint32_t)l.width);
        offset += l.width;
    }
    for (int i = 0; i < n; ++i) {
        const Loc &l = locs[i];
        const int space = !l.present ? 0 : l.width > 0 ? l.width + s : 3 * s;  // blank glyphs still advance
        PutBE16(b, (uint32_t)space);
    }
    for (int i = 0; i < n; ++i) PutBE16(b, 0);  // no kerning
    PutTag(b, "DATA");
    std::vector<uint8_t> bitmap((size_t)breite * f.height, 0);
    offset = 0;
    for (const Loc &l : locs) {
        for (int fr = 0; fr < (int)cut.rows.size(); ++fr) {
            const int master = cut.rows[fr];
            for (int col = 0; col < l.width / std::max(1, s); ++col) {
                const int mc = l.first + col;
                if (mc >= GLYPH_COLS || !(l.rows[master] & (0x10 >> mc))) continue;
                for (int dy = 0; dy < s; ++dy)
                    for (int dx = 0; dx < s; ++dx) {
                        const int y = cut.pad + fr * s + dy, x = offset + col * s + dx;
                        if (y >= f.height) continue;
                        // A colour font shades its letters from bright gold at the top to dark.
                        bitmap[(size_t)y * breite + x] =
                            f.colour ? RampPen(RampGold, 15 - 12 * y / f.height) : 1;
                    }
            }
        }
        offset += l.width;
    }
    b.insert(b.end(), bitmap.begin(), bitmap.end());
    return b;
}

}  // namespace

void WriteFonts(Output &out)
{
    for (const FontSpec &f : fonts) out.Write(std::string("Fonts/") + f.name + ".fnt", FontFile(f));
}

}  // namespace vekdemo
