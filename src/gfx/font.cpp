// Loading ".fnt" fonts and drawing text with them. A font file is checked
// whole before use: every glyph must lie inside the bitmap, so drawing never
// reads past the font's data; glyph pixels are clipped to the target BitMap.
#include "gfx/font.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "gfx/gfx_local.h"
#include "gfx/pixfmt.h"
#include "platform/system.h"

namespace {

UWORD BigWord(const UBYTE *p) { return (UWORD)(p[0] << 8 | p[1]); }
ULONG BigLong(const UBYTE *p) { return (ULONG)p[0] << 24 | (ULONG)p[1] << 16 | (ULONG)p[2] << 8 | p[3]; }

// Bytes left in f from the current position.
long Remaining(BPTR f)
{
    const long here = std::ftell(f);
    if (here < 0 || std::fseek(f, 0, SEEK_END) != 0) return -1;
    const long end = std::ftell(f);
    std::fseek(f, here, SEEK_SET);
    return end < here ? -1 : end - here;
}

bool ReadExact(BPTR f, void *buffer, ULONG size)
{
    return Read(f, buffer, (LONG)size) == (LONG)size;
}

TextFont *FailFont(TextFont *font, BPTR f)
{
    if (font) {
        FreeVec(font->CharLoc);
        FreeVec(font->CharSpace);
        FreeVec(font->CharKern);
        FreeVec(font->Data);
        FreeVec(font);
    }
    Close(f);
    std::printf("Routine: OpenDiskFont end\n");
    return nullptr;
}

bool InRange(const TextFont *font, UBYTE c) { return c >= font->Lochar && c <= font->Hichar; }

bool IsProportional(const TextFont *font) { return font->Size == FONT_SIZE_PROP; }

// Characters up to count or the end of the string.
ULONG TextCount(const char *text, ULONG count)
{
    const void *end = std::memchr(text, 0, count);
    return end ? (ULONG)((const char *)end - text) : count;
}

struct GlyphInk {
    const ULONG *colours;  // a colour font's pixels by index, else null
    ULONG fg, bg;
    bool jam2;
};

// One glyph with its left column at gx and its top row at top, clipped to the
// pixel memory (top is never negative).
template <int B>
void DrawGlyph(const PixelAccess &pa, const TextFont *font, CharLocEntry loc, LONG gx, LONG top, LONG rows,
               const GlyphInk &ink)
{
    const LONG c0 = gx < 0 ? -gx : 0;
    const LONG c1 = gx + loc.Width > pa.w ? pa.w - gx : loc.Width;
    if (c0 >= c1) return;
    // Locals, so that the stores through dst cannot make the compiler reload them.
    const ULONG fg = ink.fg, bg = ink.bg;
    const ULONG *colours = ink.colours;
    const bool jam2 = ink.jam2;
    const size_t pitch = font->BitmapBreite;
    for (LONG row = 0; row < rows; row++) {
        const UBYTE *__restrict src = font->Data + (size_t)row * pitch + loc.Offset;
        UBYTE *__restrict dst = PixelAt(pa, gx + c0, top + row);
        if (jam2 && !colours) {  // the common case, without branches per pixel
            for (LONG col = c0; col < c1; col++, dst += B) PutPixel<B>(dst, src[col] ? fg : bg);
            continue;
        }
        for (LONG col = c0; col < c1; col++, dst += B) {
            const UBYTE b = src[col];
            if (b)
                PutPixel<B>(dst, colours ? colours[b] : fg);
            else if (jam2)
                PutPixel<B>(dst, bg);
        }
    }
}

}  // namespace

TextFont *OpenDiskFont(const char *filename)
{
    std::printf("Routine: OpenDiskFont\n");
    BPTR f = OpenToRead(filename);
    if (!f) {
        std::printf("OpenDiskFont: Konnte das File %s nicht \366ffnen!\n", filename ? filename : "(null)");
        return nullptr;
    }
    UBYTE head[sizeof(st_FontHead)];
    if (!ReadExact(f, head, 4)) {
        std::printf("OpenDiskFont: Konnte nicht aus dem File lesen!(Der File ist Korrupt)\n");
        Close(f);
        return nullptr;
    }
    if (std::memcmp(head, "FONT", 4) != 0) {
        std::printf("OpenDiskFont: Bei dem Uebergebene File handelt es sich nicht um einen Font!\n");
        Close(f);
        return nullptr;
    }
    TextFont *font = (TextFont *)AllocVec(sizeof(TextFont), MEMF_PUBLIC | MEMF_CLEAR);
    if (!font) {
        std::printf("OpenDiskFont: Konnte keinen Speicher fuer die Font Struktur bekommen!\n");
        return FailFont(nullptr, f);
    }
    if (!ReadExact(f, head + 4, sizeof head - 4)) {
        std::printf("OpenDiskFont: Der Font-Kopf ist unvollstaendig!\n");
        return FailFont(font, f);
    }
    font->Lochar = head[offsetof(st_FontHead, Lochar)];
    font->Hichar = head[offsetof(st_FontHead, Hichar)];
    font->BitmapBreite = BigWord(head + offsetof(st_FontHead, BitmapBreite));
    font->tf_YSize = BigWord(head + offsetof(st_FontHead, tf_YSize));
    font->tf_Baseline = BigWord(head + offsetof(st_FontHead, tf_Baseline));
    font->Typ = BigLong(head + offsetof(st_FontHead, Typ));
    font->Size = BigLong(head + offsetof(st_FontHead, Size));
    if (font->Hichar < font->Lochar) {
        std::printf("OpenDiskFont: Hichar %u liegt unter Lochar %u!\n", font->Hichar, font->Lochar);
        return FailFont(font, f);
    }

    UBYTE tag[4];
    if (!ReadExact(f, tag, 4) || std::memcmp(tag, "CHAR", 4) != 0) {
        std::printf("OpenDiskFont: Fehler in Font Datei! 000\n");
        return FailFont(font, f);
    }
    const ULONG n = (ULONG)font->Hichar - font->Lochar + 1;
    UBYTE raw[256 * 4];
    font->CharLoc = (CharLocEntry *)AllocVec(n * sizeof(CharLocEntry), MEMF_PUBLIC | MEMF_CLEAR);
    if (!font->CharLoc) {
        std::printf("OpenDiskFont: Konnte keinen Speicher fuer die Char Location Tabelle bekommen!\n");
        return FailFont(font, f);
    }
    if (!ReadExact(f, raw, 4 * n)) {
        std::printf("OpenDiskFont: Die Char Location Tabelle ist unvollstaendig!\n");
        return FailFont(font, f);
    }
    for (ULONG i = 0; i < n; i++) font->CharLoc[i] = {BigWord(raw + 4 * i), BigWord(raw + 4 * i + 2)};

    font->CharSpace = (UWORD *)AllocVec(n * sizeof(UWORD), MEMF_PUBLIC | MEMF_CLEAR);
    if (!font->CharSpace) {
        std::printf("OpenDiskFont: Konnte keinen Speicher fuer die Char Spacing Tabelle bekommen!\n");
        return FailFont(font, f);
    }
    if (!ReadExact(f, raw, 2 * n)) {
        std::printf("OpenDiskFont: Die Char Spacing Tabelle ist unvollstaendig!\n");
        return FailFont(font, f);
    }
    for (ULONG i = 0; i < n; i++) font->CharSpace[i] = BigWord(raw + 2 * i);

    font->CharKern = (WORD *)AllocVec(n * sizeof(WORD), MEMF_PUBLIC | MEMF_CLEAR);
    if (!font->CharKern) {
        std::printf("OpenDiskFont: Konnte keinen Speicher fuer die Char Kerning Tabelle bekommen!\n");
        return FailFont(font, f);
    }
    if (!ReadExact(f, raw, 2 * n)) {
        std::printf("OpenDiskFont: Die Char Kerning Tabelle ist unvollstaendig!\n");
        return FailFont(font, f);
    }
    for (ULONG i = 0; i < n; i++) font->CharKern[i] = (WORD)BigWord(raw + 2 * i);

    if (!ReadExact(f, tag, 4) || std::memcmp(tag, "DATA", 4) != 0) {
        std::printf("OpenDiskFont: Fehler in Font Datei! 001\n");
        return FailFont(font, f);
    }
    const ULONG dataSize = (ULONG)font->BitmapBreite * font->tf_YSize;
    if (dataSize == 0) {
        std::printf("OpenDiskFont: Die Font-Bitmap ist leer!\n");
        return FailFont(font, f);
    }
    // Checked before allocating: a hostile size must not cost gigabytes.
    const long left = Remaining(f);
    if (left < 0 || (unsigned long)left < dataSize) {
        std::printf("OpenDiskFont: Die Font-Bitmap ist unvollstaendig!\n");
        return FailFont(font, f);
    }
    font->Data = (UBYTE *)AllocVec(dataSize, MEMF_PUBLIC);
    if (!font->Data) {
        std::printf("OpenDiskFont: Konnter keinen Speicher fuer die eigentlichen Font Daten bekommen!\n");
        return FailFont(font, f);
    }
    if (!ReadExact(f, font->Data, dataSize)) {
        std::printf("OpenDiskFont: Die Font-Bitmap ist unvollstaendig!\n");
        return FailFont(font, f);
    }
    for (ULONG i = 0; i < n; i++) {
        if ((ULONG)font->CharLoc[i].Offset + font->CharLoc[i].Width > font->BitmapBreite) {
            std::printf("OpenDiskFont: Zeichen %u liegt ausserhalb der Font-Bitmap!\n", (unsigned)(font->Lochar + i));
            return FailFont(font, f);
        }
    }
    Close(f);

    if (!IsProportional(font)) {
        const UBYTE a = InRange(font, 'A') ? (UBYTE)('A' - font->Lochar) : 0;
        font->tf_XSize = font->CharLoc[a].Width;
    }
    std::printf("Routine: OpenDiskFont end\n");
    return font;
}

TextFont *OpenFont(const char *filename) { return OpenDiskFont(filename); }

void CloseFont(TextFont *font)
{
    if (!font) return;
    FreeVec(font->CharLoc);
    FreeVec(font->CharSpace);
    FreeVec(font->CharKern);
    FreeVec(font->Data);
    FreeVec(font);
}

void SetFont(RastPort *rp, TextFont *font)
{
    if (!rp) {
        std::printf("SetFont:Der angegebene RastPort ist nicht valid!\n");
        return;
    }
    if (!font) return;
    rp->Font = font;
    rp->TxHeight = font->tf_YSize;
    rp->TxBaseline = font->tf_Baseline;
}

UWORD TextLength(RastPort *rp, const char *text, ULONG count)
{
    std::printf("Routine: TextLength\n");
    if (!rp) return 0;
    const TextFont *font = rp->Font;
    if (!font) {
        std::printf("TextLength: RastPort besitzt keinen Font!\n");
        return 0;
    }
    if (!text) return 0;
    count = TextCount(text, count);
    if (!IsProportional(font)) return (UWORD)(count * font->tf_XSize);
    LONG width = 0;
    for (ULONG k = 0; k < count; k++) {
        const UBYTE c = (UBYTE)text[k];
        if (!InRange(font, c)) continue;
        const int i = c - font->Lochar;
        width += font->CharKern[i] + font->CharSpace[i];
    }
    return (UWORD)width;
}

LONG Text(RastPort *rp, const char *text, ULONG count)
{
    std::printf("Routine: Text\n");
    if (!rp) rp = DisplayRastPort();
    if (!rp) {
        std::printf("Text: Der TitelScreenRastPort ist nicht valid !");
        return 0;
    }
    const TextFont *font = rp->Font;
    if (!font) {
        std::printf("Text: Der Font ist nicht valid !");
        return 0;
    }
    if (!text) return 0;
    count = TextCount(text, count);
    // Positions are 16-bit values, read as signed so text may start off the left edge.
    const LONG x0 = (WORD)rp->cp_x;
    const LONG baseline = (WORD)rp->cp_y;
    if (baseline < font->tf_Baseline) return 1;
    const LONG top = baseline - font->tf_Baseline;

    PixelAccess pa;
    if (!LockBits(rp->BitMap, &pa)) {
        std::printf("Text: Konnte Speicher des Ziel-Surfaces nicht ermitteln!\n");
        return 0;
    }
    GlyphInk ink = {nullptr, PenPixel(pa.bpp, rp->FgPen), PenPixel(pa.bpp, rp->BgPen), rp->DrawMode == JAM2};
    ULONG colours[256];
    if (font->Typ == FONT_TYP_COLO) {
        for (int i = 0; i < 256; i++) colours[i] = PenPixel(pa.bpp, (UWORD)i);
        ink.colours = colours;
    }
    const LONG rows = font->tf_YSize < pa.h - top ? font->tf_YSize : pa.h - top;

    LONG x = x0, left = x0, right = x0;
    for (ULONG k = 0; k < count; k++) {
        const UBYTE c = (UBYTE)text[k];
        const bool known = InRange(font, c);
        const int i = known ? c - font->Lochar : 0;
        LONG gx = x;
        if (IsProportional(font)) {
            if (!known) continue;
            gx = x + font->CharKern[i];
            x = gx + font->CharSpace[i];
        } else {
            x += font->tf_XSize;
        }
        if (!known) continue;
        const CharLocEntry loc = font->CharLoc[i];
        if (loc.Width == 0) continue;
        if (gx < left) left = gx;
        if (gx + loc.Width > right) right = gx + loc.Width;
        switch (pa.bpp) {
        case 1: DrawGlyph<1>(pa, font, loc, gx, top, rows, ink); break;
        case 2: DrawGlyph<2>(pa, font, loc, gx, top, rows, ink); break;
        case 3: DrawGlyph<3>(pa, font, loc, gx, top, rows, ink); break;
        default: DrawGlyph<4>(pa, font, loc, gx, top, rows, ink); break;
        }
    }
    UnlockBits(&pa);
    if (x < left) left = x;
    if (x > right) right = x;
    PresentRect(rp->BitMap, left, top, right - left, font->tf_YSize);
    return 1;
}
