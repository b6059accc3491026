// Text placement in boxes and line breaking for multi-line texts.
#include "gfx/printing.h"

#include <cstdio>
#include <cstring>

#include "gfx/gfx_local.h"

namespace {

constexpr LONG kMaxLineChars = 256;

bool IsWordEnd(char c) { return c == ' ' || c == '\n' || c == 0; }

// Breaks text into lines and prints them when draw is set; the number of lines.
LONG LayoutLines(RastPort *rp, const char *text, LONG x, LONG y, LONG maxChars, LONG maxLines, LONG maxPixels,
                 bool wrap, bool draw)
{
    if (!rp) rp = DisplayRastPort();
    if (!rp || !text || !*text) return 0;
    if (maxChars < 1 || maxChars > kMaxLineChars) maxChars = kMaxLineChars;
    const char *p = text;
    LONG lines = 0;
    while (*p && lines < maxLines) {
        char line[kMaxLineChars];
        LONG n = 0, width = 0;
        bool brokeAtWidth = false;
        while (*p) {
            if (*p == '\n') {
                p++;
                break;
            }
            const LONG cw = TextLength(rp, p, 1);
            bool fits = width + cw <= maxPixels && n < maxChars;
            const bool wordStart = *p != ' ' && (p == text || p[-1] == ' ' || p[-1] == '\n');
            if (wrap && fits && n > 0 && wordStart) {
                ULONG len = 0;
                while (!IsWordEnd(p[len])) len++;
                fits = width + TextLength(rp, p, len) <= maxPixels;
            }
            // A line always takes one character, so that nothing too wide loops for ever.
            if (!fits && n > 0) {
                brokeAtWidth = true;
                break;
            }
            line[n++] = *p++;
            width += cw;
        }
        if (wrap && brokeAtWidth) {
            while (n > 0 && line[n - 1] == ' ') n--;
            while (*p == ' ') p++;
        }
        lines++;
        if (draw) {
            Move(rp, x, y + rp->TxBaseline + (lines - 1) * (rp->TxHeight + 1));
            Text(rp, line, (ULONG)n);
        }
    }
    return lines;
}

}  // namespace

LONG PrintText(RastPort *rp, UWORD x0, UWORD y0, UWORD x1, UWORD y1, const char *text, UWORD backPen,
               UWORD textPen, UWORD mode)
{
    std::printf("Routine: PrintText");
    if (!rp) rp = DisplayRastPort();
    if (!rp) {
        std::printf("PrintText: Kein RastPort vorhanden!\n");
        return 0;
    }
    if (!text) return 0;
    const ULONG len = (ULONG)std::strlen(text);
    const LONG width = TextLength(rp, text, len);

    LONG x = x0;
    if (mode & PT_RIGHT)
        x = x1 - width;
    else if (mode & PT_CENTER)
        x = x0 + (x1 - x0) / 2 - width / 2;
    LONG y = y0;
    if (mode & PT_VCENTER)
        y = y0 + (y1 - y0 - rp->TxHeight) / 2 + 1;
    else if (mode & PT_BOTTOM)
        y = y1;
    else if (mode & PT_TOP)
        y = y0 + rp->TxBaseline;
    if (mode & PT_BASELINE) y += rp->TxBaseline;
    if (mode & PT_RAISE) y -= 3;

    SetDrMd(rp, JAM1);
    if (mode & PT_FILL) {
        SetAPen(rp, backPen);
        RectFill(rp, x0, y0, x1, y1);
    }
    if (mode & PT_SHADOW) {
        SetAPen(rp, 0);
        Move(rp, x, y + 1);
        Text(rp, text, len);
    }
    if (mode & PT_OUTLINE) {
        static const LONG around[4][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
        SetAPen(rp, 0);
        for (const auto &d : around) {
            Move(rp, x + d[0], y + d[1]);
            Text(rp, text, len);
        }
    }
    SetAPen(rp, textPen);
    Move(rp, x, y);
    return Text(rp, text, len);
}

LONG PrintStatusBox(RastPort *rp, UWORD fgPen, UWORD bgPen, UWORD x0, UWORD y0, UWORD x1, UWORD y1,
                    const char *text)
{
    if (!rp) rp = DisplayRastPort();
    SetDrMd(rp, JAM1);
    const LONG result = PrintText(rp, x0, y0, x1, y1, text, bgPen, fgPen, PT_FILL | PT_CENTER | PT_BOTTOM | PT_RAISE);
    SetDrMd(rp, JAM2);
    return result;
}

LONG PrintStringInput(RastPort *rp, const char *text, LONG x, LONG y, LONG maxChars, LONG maxLines,
                      LONG maxPixels)
{
    return LayoutLines(rp, text, x, y, maxChars, maxLines, maxPixels, false, true);
}

LONG PrintStringWrapInput(RastPort *rp, const char *text, LONG x, LONG y, LONG maxChars, LONG maxLines,
                          LONG maxPixels)
{
    return LayoutLines(rp, text, x, y, maxChars, maxLines, maxPixels, true, true);
}

LONG GetStringInputLines(RastPort *rp, const char *text, LONG x, LONG y, LONG maxChars, LONG maxLines,
                         LONG maxPixels)
{
    return LayoutLines(rp, text, x, y, maxChars, maxLines, maxPixels, true, false);
}

LONG InitStringInput(RastPort *rp, const char *master, char *text, UBYTE *widths)
{
    if (!rp) rp = DisplayRastPort();
    if (!text || !widths) return 0;
    if (!master) {
        const size_t n = std::strlen(text);
        std::memset(text, 0, n);
        std::memset(widths, 0, n);
        return 1;
    }
    const size_t n = std::strlen(master);
    std::memmove(text, master, n + 1);
    for (size_t i = 0; i < n; i++)
        widths[i] = text[i] == '\n' ? 0 : (UBYTE)TextLength(rp, text + i, 1);
    widths[n] = 0;
    return 1;
}
