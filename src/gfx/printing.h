// Placing text in boxes: one line by mode bits, and texts over several lines
// broken at the box edge or at word boundaries. All through a RastPort and
// its font; a null RastPort means the display's.
#pragma once
#include "gfx/font.h"

// PrintText mode bits
constexpr UWORD PT_CENTER = 0x001;     // x = x0 + (x1 - x0) / 2 - width / 2
constexpr UWORD PT_RIGHT = 0x002;      // x = x1 - width (wins over PT_CENTER)
constexpr UWORD PT_BASELINE = 0x004;   // add the baseline to y, after the placement below
constexpr UWORD PT_FILL = 0x008;       // fill the box with the background pen first
constexpr UWORD PT_TOP = 0x010;        // y = y0 + baseline
constexpr UWORD PT_VCENTER = 0x020;    // y = y0 + (y1 - y0 - height) / 2 + 1 (wins over PT_TOP, PT_BOTTOM)
constexpr UWORD PT_BOTTOM = 0x040;     // y = y1 (wins over PT_TOP)
constexpr UWORD PT_RAISE = 0x080;      // y = y - 3, after all of the above
constexpr UWORD PT_SHADOW = 0x100;     // the text first in pen 0 one pixel lower
constexpr UWORD PT_OUTLINE = 0x200;    // the text first in pen 0 above, right, below and left

// One line in the box (x0, y0)-(x1, y1); the result of the last Text, 0 for
// a null text or no RastPort.
LONG PrintText(RastPort *rp, UWORD x0, UWORD y0, UWORD x1, UWORD y1, const char *text, UWORD backPen,
               UWORD textPen, UWORD mode);

// A status box: filled with bgPen, the text centred in fgPen 3 rows above y1;
// the RastPort is left in JAM2.
LONG PrintStatusBox(RastPort *rp, UWORD fgPen, UWORD bgPen, UWORD x0, UWORD y0, UWORD x1, UWORD y1,
                    const char *text);
// The same for a status-box record of a screen description (FGPen, BGPen, X0, Y0, X1, Y1).
template <class Box>
LONG PrintDisplayStatus(RastPort *rp, const Box *box, const char *text)
{
    if (!box) return 0;
    return PrintStatusBox(rp, box->FGPen, box->BGPen, box->X0, box->Y0, box->X1, box->Y1, text);
}

// Lines of at most maxChars characters (never more than 256) and maxPixels
// pixels; line n (from 1) goes to (x, y + baseline + (n - 1) x (height + 1)).
// A line feed ends a line; a final one adds no empty line. The number of
// lines printed, at most maxLines.
LONG PrintStringInput(RastPort *rp, const char *text, LONG x, LONG y, LONG maxChars, LONG maxLines,
                      LONG maxPixels);
// The same, breaking before a word that would not fit and dropping the spaces at the break.
LONG PrintStringWrapInput(RastPort *rp, const char *text, LONG x, LONG y, LONG maxChars, LONG maxLines,
                          LONG maxPixels);
// The lines PrintStringWrapInput would print, drawing nothing.
LONG GetStringInputLines(RastPort *rp, const char *text, LONG x, LONG y, LONG maxChars, LONG maxLines,
                         LONG maxPixels);

// Copies master into text and the pixel width of each character into widths
// (line feeds 0, a 0 after the last); a null master clears both up to the end
// of text. 1, or 0 when a buffer is missing.
LONG InitStringInput(RastPort *rp, const char *master, char *text, UBYTE *widths);
