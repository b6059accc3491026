// The blinking text cursor and the multi-line text editor of the input
// fields. The editor keeps the text and a parallel buffer of character widths;
// after every edit the cursor's fields are derived again from its index, so
// they cannot drift from the text.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "gfx/gfx_local.h"
#include "ui/input.h"
#include "gfx/pixfmt.h"
#include "gfx/font.h"
#include "platform/system.h"

VekCursor VekCursorStruktur;

namespace {

// ---- Drawing on the display port -----------------------------------------------
// Every routine leaves pen, draw mode and pen position of the port as it found them.

UWORD DisplayCharWidth(UBYTE c)
{
    const char ch = (char)c;
    return TextLength(DisplayRastPort(), &ch, 1);
}

UWORD DisplayFontHeight()
{
    const RastPort *rp = DisplayRastPort();
    return rp && rp->Font ? rp->TxHeight : 0;
}

UWORD DisplayFontBaseline()
{
    const RastPort *rp = DisplayRastPort();
    return rp && rp->Font ? rp->TxBaseline : 0;
}

void DisplayFill(LONG x0, LONG y0, LONG x1, LONG y1, UWORD pen)
{
    RastPort *rp = DisplayRastPort();
    if (!rp) return;
    const ULONG old = GetAPen(rp);
    SetAPen(rp, pen);
    RectFill(rp, x0, y0, x1, y1);
    SetAPen(rp, old);
}

void DisplayDrawText(LONG x, LONG baseline, const char *text, ULONG count, UWORD pen)
{
    RastPort *rp = DisplayRastPort();
    if (!rp) return;
    const ULONG old = GetAPen(rp);
    const UBYTE mode = rp->DrawMode;
    const UWORD cx = rp->cp_x, cy = rp->cp_y;
    SetAPen(rp, pen);
    SetDrMd(rp, JAM1);
    Move(rp, x, baseline);
    Text(rp, text, count);
    SetAPen(rp, old);
    SetDrMd(rp, mode);
    rp->cp_x = cx;
    rp->cp_y = cy;
}

// Above 8 bits the pixel is turned back into the first palette index of its colour.
UWORD DisplayReadPen(LONG x, LONG y)
{
    RastPort *rp = DisplayRastPort();
    if (!rp || !rp->BitMap) return 0;
    const ULONG v = ReadPixel(rp, x, y);
    const ULONG bpp = GetKavorGfxAttr(rp->BitMap, 8);
    if (bpp <= 1) return (UWORD)v;
    UBYTE index = 0;
    if (bpp == 2) {
        const UWORD w = (UWORD)v;
        Convert2Chunky(VekDisplay.VekScreen_ScreenFormat, &index, (const UBYTE *)&w);
    } else {
        Convert2Chunky(VekDisplay.VekScreen_ScreenFormat, &index, (const UBYTE *)&v);
    }
    return index;
}

void DisplayWritePen(LONG x, LONG y, UWORD pen)
{
    RastPort *rp = DisplayRastPort();
    if (!rp) return;
    const ULONG old = GetAPen(rp);
    SetAPen(rp, pen);
    WritePixel(rp, x, y);
    SetAPen(rp, old);
}

void DisplayPresent(LONG x, LONG y, LONG w, LONG h)
{
    const RastPort *rp = DisplayRastPort();
    if (rp && rp->BitMap) PresentRect(rp->BitMap, x, y, w, h);
}

}  // namespace

TextEntryPainter TextEntryPaint = {DisplayCharWidth, DisplayFontHeight, DisplayFontBaseline, DisplayFill,
                                   DisplayDrawText,  DisplayReadPen,    DisplayWritePen,     DisplayPresent};

namespace {

UWORD CharWidth(UBYTE c) { return TextEntryPaint.CharWidth ? TextEntryPaint.CharWidth(c) : 0; }
UWORD FontHeight() { return TextEntryPaint.FontHeight ? TextEntryPaint.FontHeight() : 0; }
UWORD FontBaseline() { return TextEntryPaint.FontBaseline ? TextEntryPaint.FontBaseline() : 0; }
LONG LineStep() { return (LONG)FontHeight() + 1; }

void Fill(LONG x0, LONG y0, LONG x1, LONG y1, UWORD pen)
{
    if (TextEntryPaint.Fill && x1 >= x0 && y1 >= y0) TextEntryPaint.Fill(x0, y0, x1, y1, pen);
}

// ---- Layout ------------------------------------------------------------------

// One line of the text: characters [Start, End), a line feed at End when Lf.
struct Line {
    ULONG Start, End;
    ULONG Width;
    bool Lf;
    ULONG Next;  // start of the following line
    bool Last;   // no line follows
};

// At least one character goes on every line, so a character wider than the
// field cannot stop the walk.
Line LineFrom(const char *text, const UBYTE *widths, ULONG start, UWORD maxPixel)
{
    ULONG i = start, w = 0;
    while (text[i] && text[i] != '\n') {
        if (i > start && w + widths[i] > maxPixel) break;
        w += widths[i];
        ++i;
    }
    Line l{start, i, w, text[i] == '\n', 0, false};
    l.Next = l.Lf ? i + 1 : i;
    l.Last = !l.Lf && text[i] == 0;
    return l;
}

ULONG CountLines(const char *text, const UBYTE *widths, UWORD maxPixel)
{
    ULONG n = 1;
    for (Line l = LineFrom(text, widths, 0, maxPixel); !l.Last; l = LineFrom(text, widths, l.Next, maxPixel)) ++n;
    return n;
}

// The line that holds the cursor at `index`: before a line feed the cursor
// ends its line; at a wrap it starts the next one.
Line LineOf(const char *text, const UBYTE *widths, ULONG index, UWORD maxPixel, ULONG *lineNo)
{
    Line l = LineFrom(text, widths, 0, maxPixel);
    ULONG n = 0;
    while (!l.Last && !(index < l.End || (l.Lf && index == l.End))) {
        l = LineFrom(text, widths, l.Next, maxPixel);
        ++n;
    }
    *lineNo = n;
    return l;
}

ULONG SumWidths(const UBYTE *widths, ULONG from, ULONG to)
{
    ULONG w = 0;
    for (ULONG i = from; i < to; ++i) w += widths[i];
    return w;
}

// Derives every position field of the cursor from its index.
void SyncCursor(VekCursor *c, const char *text, const UBYTE *widths, UWORD maxPixel)
{
    const ULONG len = std::strlen(text);
    if (c->Pos_X > len) c->Pos_X = (UWORD)len;
    ULONG lineNo;
    const Line l = LineOf(text, widths, c->Pos_X, maxPixel, &lineNo);
    c->Pos_Y = (UWORD)lineNo;
    c->PosXLineY = (UWORD)l.Start;
    c->LineLength = (UWORD)SumWidths(widths, l.Start, c->Pos_X);
    c->CharCounter = (UWORD)len;
    ULONG lfs = 0;
    for (ULONG i = 0; i < len; ++i) lfs += text[i] == '\n';
    c->LineCounter = (UWORD)lfs;
    c->X = (UWORD)(c->Start_X + c->LineLength);
    c->Y = (UWORD)(c->Start_Y + lineNo * LineStep());
}

// Index in a line nearest to a pixel offset from the line start.
ULONG NearestIndex(const Line &l, const UBYTE *widths, ULONG offset)
{
    ULONG w = 0;
    for (ULONG i = l.Start; i < l.End; ++i) {
        if (w + widths[i] / 2 >= offset) return i;
        w += widths[i];
    }
    return l.End;
}

// ---- Cursor pixels -------------------------------------------------------------

void SaveBack(VekCursor *c)
{
    for (int i = 0; i < c->Length; ++i)
        c->Back[i] = TextEntryPaint.ReadPen ? (UBYTE)TextEntryPaint.ReadPen(c->X, c->Y + i) : 0;
    c->BackSaved = 1;
}

void PutBackSaved(VekCursor *c)
{
    if (!c->BackSaved) return;
    if (TextEntryPaint.WritePen)
        for (int i = 0; i < c->Length; ++i) TextEntryPaint.WritePen(c->X, c->Y + i, c->Back[i]);
    if (TextEntryPaint.Present) TextEntryPaint.Present(c->X, c->Y, 1, c->Length);
    c->BackSaved = 0;
}

// Shows the cursor at its X, Y after the field was drawn anew.
void Place(VekCursor *c)
{
    SaveBack(c);
    c->Break = 0;
}

void StartBlinking(VekCursor *c)
{
    if (c->CursorProcess) return;
    c->Stop = 0;
    c->Pos_X = c->Pos_Y = 0;
    c->CharCounter = c->LineCounter = 0;
    c->OffsetLines = 0;
    if (!CursorBlinkTimer && SDL_WasInit(SDL_INIT_TIMER)) CursorBlinkTimer = SDL_AddTimer(400, CursorTimerCallback, nullptr);
    c->CursorProcess = 1;
}

// Redraws lines first to last (counted from 0) of the field.
void RedrawLines(const VekCursor *c, const char *text, const UBYTE *widths, UWORD maxPixel, ULONG first, ULONG last)
{
    const LONG step = LineStep();
    Line l = LineFrom(text, widths, 0, maxPixel);
    bool more = true;
    for (ULONG n = 0; n <= last; ++n) {
        if (n >= first) {
            const LONG top = c->Start_Y + (LONG)n * step;
            Fill(c->Start_X, top, c->Start_X + maxPixel - 1, top + step - 1, c->DarkColor);
            if (more && l.End > l.Start && TextEntryPaint.DrawText)
                TextEntryPaint.DrawText(c->Start_X, top + FontBaseline(), text + l.Start, l.End - l.Start,
                                        c->BrightColor);
            if (TextEntryPaint.Present) TextEntryPaint.Present(c->Start_X, top, maxPixel, step);
        }
        if (!more || l.Last) more = false;
        else l = LineFrom(text, widths, l.Next, maxPixel);
    }
}

bool Insert(char *text, UBYTE *widths, ULONG at, char ch, UBYTE width)
{
    const ULONG len = std::strlen(text);
    std::memmove(text + at + 1, text + at, len - at + 1);
    std::memmove(widths + at + 1, widths + at, len - at);
    text[at] = ch;
    widths[at] = width;
    return true;
}

void Remove(char *text, UBYTE *widths, ULONG at)
{
    const ULONG len = std::strlen(text);
    if (at >= len) return;
    std::memmove(text + at, text + at + 1, len - at);
    std::memmove(widths + at, widths + at + 1, len - at - 1);
    widths[len - 1] = 0;
}

}  // namespace

// ---- Cursor ----------------------------------------------------------------------

Uint32 CursorTimerCallback(Uint32 interval, void *)
{
    SDL_Event ev{};
    ev.type = SDL_USEREVENT;
    ev.user.code = CURSOR_BLINK_EVENT;
    SDL_PushEvent(&ev);
    return interval;
}

VekCursor *SetCursor(UWORD x, UWORD y, UWORD length, UWORD bright, UWORD dark)
{
    VekCursor *c = &VekCursorStruktur;
    if (!x && !y && !length && !bright && !dark) {
        c->Break = 1;
        if (TextEntryPaint.WritePen)
            for (int i = 0; i <= c->Length; ++i) TextEntryPaint.WritePen(c->X, c->Y + i, c->DarkColor);
        if (TextEntryPaint.Present) TextEntryPaint.Present(c->X, c->Y, 1, c->Length + 1);
        return c;
    }
    // The pixels under the line are saved in a fixed array.
    c->Length = length > CURSOR_MAX_LENGTH ? CURSOR_MAX_LENGTH : length;
    c->BrightColor = bright;
    c->DarkColor = dark;
    c->Counter = 0;
    const RastPort *rp = DisplayRastPort();
    c->Flag = rp && bright == GetAPen(rp) ? 0 : 1;
    if (c->Start_X == 0) {
        c->Start_X = c->X = x;
        if (c->Start_Y == 0) c->Start_Y = y;
    } else {
        PutBackSaved(c);
        c->X = x;
    }
    c->Y = y;
    Place(c);
    StartBlinking(c);
    return c;
}

VekCursor *SetNewCursor(UWORD startX, UWORD startY, UWORD x, UWORD y, UWORD length, UWORD bright, UWORD dark)
{
    VekCursor *c = SetCursor(x, y, length, bright, dark);
    SetCursorStartPos(c, startX, startY);
    return c;
}

void SetCursorStartPos(VekCursor *cursor, UWORD x, UWORD y)
{
    if (!cursor) return;
    cursor->Start_X = x;
    cursor->Start_Y = y;
}

void CursorClearValues(VekCursor *cursor)
{
    if (!cursor) return;
    cursor->Start_X = cursor->Start_Y = 0;
    cursor->Pos_X = cursor->Pos_Y = 0;
    cursor->PosXLineY = 0;
    cursor->CharCounter = cursor->LineCounter = 0;
    cursor->LineLength = 0;
}

void ClearCursor(VekCursor *cursor)
{
    if (!cursor) return;
    SetCursor(0, 0, 0, 0, 0);
    cursor->Start_X = cursor->Start_Y = 0;
    cursor->LineLength = 0;
    cursor->Stop = 1;
    cursor->CursorProcess = 0;
    cursor->BackSaved = 0;
    cursor->VerifyPtr = nullptr;
    if (CursorBlinkTimer) SDL_RemoveTimer(CursorBlinkTimer);
    CursorBlinkTimer = nullptr;
}

void DrawCursor()
{
    VekCursor *c = &VekCursorStruktur;
    c->CursorProcess = 1;
    if (c->Break || !c->BackSaved) return;
    c->Flag = !c->Flag;
    const UWORD onBright = c->Flag ? c->DarkColor : c->BrightColor;
    const UWORD onOther = c->Flag ? c->BrightColor : c->DarkColor;
    if (TextEntryPaint.WritePen)
        for (int i = 0; i < c->Length; ++i)
            TextEntryPaint.WritePen(c->X, c->Y + i, c->Back[i] == c->BrightColor ? onBright : onOther);
    if (TextEntryPaint.Present) TextEntryPaint.Present(c->X, c->Y, 1, c->Length);
}

// ---- Width routines ------------------------------------------------------------

ULONG GetCursorStringPos(const UBYTE *widths, UWORD maxPixel)
{
    if (!widths) return 0;
    ULONG sum = 0;
    for (ULONG i = 0; widths[i]; ++i) {
        if (maxPixel && sum + widths[i] > maxPixel) sum = 0;
        sum += widths[i];
    }
    return sum;
}

ULONG GetLastLineCursorStringPos(const char *text, const UBYTE *widths, UWORD maxPixel, ULONG *index)
{
    if (!text || !widths) {
        if (index) *index = 0;
        return 0;
    }
    Line l = LineFrom(text, widths, 0, maxPixel);
    while (!l.Last) l = LineFrom(text, widths, l.Next, maxPixel);
    if (index) *index = l.End;
    return l.Width;
}

ULONG CalcSizeOfLastLine(const VekCursor *cursor, const char *text, const UBYTE *widths)
{
    if (!cursor || !text || !widths) return 0;
    ULONG i = std::min<ULONG>(cursor->Pos_X, std::strlen(text)), w = 0;
    while (i > 0 && text[i - 1] != '\n') w += widths[--i];
    return w;
}

LONG CalcLinePos(const char *text, const UBYTE *widths, const VekCursor *cursor, UWORD maxPixel, UWORD line,
                 BOOL best, ULONG *pixelEnd)
{
    if (!text || !widths) return -1;
    Line l = LineFrom(text, widths, 0, maxPixel);
    for (UWORD n = 0; n < line; ++n) {
        if (l.Last) return -1;
        l = LineFrom(text, widths, l.Next, maxPixel);
    }
    if (pixelEnd) *pixelEnd = l.Width;
    if (best && cursor) return (LONG)NearestIndex(l, widths, cursor->X - cursor->Start_X);
    return (LONG)l.Start;
}

ULONG CalcCurrentCursorPosition(const char *text, const UBYTE *widths, VekCursor *cursor, UWORD maxPixel)
{
    if (!text || !widths || !cursor) return 0;
    const LONG dy = (LONG)cursor->Y - cursor->Start_Y;
    const ULONG wanted = dy > 0 ? (ULONG)(dy / LineStep()) : 0;
    Line l = LineFrom(text, widths, 0, maxPixel);
    for (ULONG n = 0; n < wanted && !l.Last; ++n) l = LineFrom(text, widths, l.Next, maxPixel);
    const LONG dx = (LONG)cursor->X - cursor->Start_X;
    cursor->Pos_X = (UWORD)NearestIndex(l, widths, dx > 0 ? (ULONG)dx : 0);
    SyncCursor(cursor, text, widths, maxPixel);
    return cursor->LineLength;
}

// ---- Editing -----------------------------------------------------------------------

int EditStrings(UBYTE ch, UBYTE width, char *text, UBYTE *widths, VekCursor *cursor, UWORD maxInput, UWORD maxPixel)
{
    if (!text || !widths || !cursor) return 0;
    const ULONG len = std::strlen(text);
    const ULONG at = std::min<ULONG>(cursor->Pos_X, len);
    if (ch == 0) {
        if (at >= len) return 0;
        Remove(text, widths, at);
        return 1;
    }
    if (len >= maxInput) return 0;
    if (ch != '\n') {
        ULONG lineNo;
        const Line l = LineOf(text, widths, at, maxPixel, &lineNo);
        if (l.Width + width > maxPixel) return 0;
    }
    return Insert(text, widths, at, (char)ch, width);
}

void RedrawThisLine(VekCursor *cursor, const char *text, UWORD maxPixel, UWORD maxInput, UWORD lines)
{
    if (!cursor || !text || lines == 0) return;
    // Measured with the display font, as the text is printed.
    const ULONG len = strnlen(text, maxInput);
    std::vector<char> copy(text, text + len);
    copy.push_back(0);
    std::vector<UBYTE> widths(len + 1, 0);
    for (ULONG i = 0; i < len; ++i) widths[i] = copy[i] == '\n' ? 0 : (UBYTE)CharWidth((UBYTE)copy[i]);
    RedrawLines(cursor, copy.data(), widths.data(), maxPixel, cursor->Pos_Y, cursor->Pos_Y + lines - 1u);
}

ULONG StringInput(ULONG ch, char *text, UBYTE *widths, VekCursor *cursor, UWORD maxInput, UWORD maxPixel,
                  UWORD lines)
{
    if (!text) {
        std::printf("Routine: StringInput StringPtr==NULL\n");
        return 0;
    }
    if (!cursor) {
        std::printf("Routine: StringInput VekCursorPtr==NULL\n");
        return 0;
    }
    if (!widths) return 0;
    if (lines == 0) lines = 1;

    PutBackSaved(cursor);
    cursor->Break = 1;
    if (cursor->VerifyPtr != text || (cursor->Pos_X == 0 && (cursor->X != cursor->Start_X || cursor->Y != cursor->Start_Y))) {
        cursor->VerifyPtr = text;
        CalcCurrentCursorPosition(text, widths, cursor, maxPixel);
    }
    SyncCursor(cursor, text, widths, maxPixel);

    const ULONG len = std::strlen(text);
    const ULONG oldLines = CountLines(text, widths, maxPixel);
    const ULONG oldLine = cursor->Pos_Y;
    const ULONG at = cursor->Pos_X;
    bool changed = false;

    if (KeyExtended && ch >= KEY_LEFT && ch <= KEY_DOWN) {
        if (ch == KEY_LEFT && at > 0) cursor->Pos_X = (UWORD)(at - 1);
        else if (ch == KEY_RIGHT && at < len) cursor->Pos_X = (UWORD)(at + 1);
        else if (ch == KEY_UP || ch == KEY_DOWN) {
            const LONG target = (LONG)cursor->Pos_Y + (ch == KEY_UP ? -1 : 1);
            if (target >= 0) {
                const LONG idx = CalcLinePos(text, widths, cursor, maxPixel, (UWORD)target, 1, nullptr);
                if (idx >= 0) cursor->Pos_X = (UWORD)idx;
            }
        }
    } else if (ch == KEY_BACKSPACE) {
        // Inside the text a line is never joined to the one before it: the
        // joined line could not be wrapped again.
        if (at > 0 && (at == len || text[at - 1] != '\n')) {
            cursor->Pos_X = (UWORD)(at - 1);
            EditStrings(0, 0, text, widths, cursor, maxInput, maxPixel);
            changed = true;
        }
    } else if (ch == '\n' || ch == KEY_RETURN) {
        if (len < maxInput && oldLines + 1 <= lines && EditStrings('\n', 0, text, widths, cursor, maxInput, maxPixel)) {
            cursor->Pos_X = (UWORD)(at + 1);
            changed = true;
        }
    } else if (ch >= 1 && ch <= 255 && len < maxInput) {
        const UBYTE c = (UBYTE)ch;
        const UWORD w = CharWidth(c);
        ULONG lineNo;
        const Line l = LineOf(text, widths, at, maxPixel, &lineNo);
        if (at < len) {
            if (EditStrings(c, (UBYTE)w, text, widths, cursor, maxInput, maxPixel)) {
                cursor->Pos_X = (UWORD)(at + 1);
                changed = true;
            }
        } else if (l.Width + w <= maxPixel) {
            Insert(text, widths, at, (char)c, (UBYTE)w);
            cursor->Pos_X = (UWORD)(at + 1);
            changed = true;
        } else if (oldLines + 1 <= lines) {
            // Break the line: the last space before the cursor becomes the line
            // feed when the word after it and the new character fit a line;
            // otherwise the line feed goes in at the cursor and takes a byte.
            ULONG space = at;
            while (space > l.Start && text[space - 1] != ' ') --space;
            const bool bySpace = space > l.Start && SumWidths(widths, space, at) + w <= maxPixel;
            if (bySpace) {
                text[space - 1] = '\n';
                widths[space - 1] = 0;
                Insert(text, widths, at, (char)c, (UBYTE)w);
                cursor->Pos_X = (UWORD)(at + 1);
                changed = true;
            } else if (len + 2 <= maxInput) {
                Insert(text, widths, at, '\n', 0);
                Insert(text, widths, at + 1, (char)c, (UBYTE)w);
                cursor->Pos_X = (UWORD)(at + 2);
                changed = true;
            }
        }
    }

    SyncCursor(cursor, text, widths, maxPixel);
    if (changed) {
        const ULONG newLines = CountLines(text, widths, maxPixel);
        const ULONG first = std::min<ULONG>(oldLine, cursor->Pos_Y);
        const ULONG last = std::min<ULONG>(std::max(oldLines, newLines), lines) - 1;
        RedrawLines(cursor, text, widths, maxPixel, first, last);
    }
    Place(cursor);
    cursor->Flag = 0;
    return (ULONG)maxPixel * cursor->Pos_Y + cursor->LineLength;
}
