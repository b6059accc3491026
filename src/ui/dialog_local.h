// Helpers shared by the requester and the dialogs of this folder: off-screen
// BitMaps in the display's format, ports over them, the display port's state
// kept across a dialog, and the press-and-release rule of dialog buttons.
#pragma once
#include "ui/dialogs.h"
#include "gfx/gfx_local.h"

// A BitMap of w x h in the display's depth, or null.
BitMap *AllocDisplayBitMap(ULONG w, ULONG h);
// A cleared port over bitmap with font (either may be null); FreePort frees the port only.
RastPort *NewPort(BitMap *bitmap, TextFont *font);
void FreePort(RastPort *rp);

// What a dialog may change on the display port and must give back.
struct PortState {
    bool Valid = false;
    TextFont *Font = nullptr;
    UWORD TxHeight = 0, TxBaseline = 0;
    UBYTE DrawMode = 0;
    UWORD FgPen = 0, BgPen = 0;
    UWORD CpX = 0, CpY = 0;
};
PortState SavePortState(const RastPort *rp);
void RestorePortState(RastPort *rp, const PortState &state);

// Whether (px, py) lies in the rectangle, borders included.
inline bool InRect(LONG px, LONG py, LONG x0, LONG y0, LONG x1, LONG y1)
{
    return px >= x0 && px <= x1 && py >= y0 && py <= y1;
}

// The picture services through DialogPaint; each is harmless when missing.
LONG DlgBlit(RastPort *rp, ULONG gfx, LONG x, LONG y, LONG w = 0, LONG h = 0);
void DlgBlitText(RastPort *rp, ULONG gfx, const char *text, LONG x, LONG y, LONG w, LONG h);
BitMap *DlgCopyGfx(ULONG gfx);
LONG DlgHoldGfx(ULONG gfx);
void DlgReleaseGfx(ULONG gfx);
BitMap *DlgSaveArea(LONG x, LONG y, LONG w, LONG h);
void DlgRestoreArea(BitMap *saved, LONG x, LONG y, LONG w, LONG h);
void DlgDelay(ULONG ticks);

// Copies a whole BitMap to the display at (x, y).
void ShowOnDisplay(BitMap *bitmap, LONG x, LONG y);

// The button rule of the dialogs: a left press inside a button holds it
// (drawn pressed); any other press blocks presses until the release; moving
// off a held button draws it released and back on pressed again; the release
// inside the held button triggers it.
struct DialogButton {
    LONG X0, Y0, X1, Y1;   // mouse area on the display, borders included
    UWORD GfxUp, GfxDown;  // 0: not drawn
    LONG GfxX, GfxY;       // where the pictures go
    bool Repeat;           // acts on every tick while held and under the mouse
    bool Enabled;
};

struct ButtonTracker {
    DialogButton *Buttons = nullptr;
    int Count = 0;
    int Held = -1;         // index of the held button
    bool Down = false;     // the left button is down
    bool ShownDown = false;
};

// Feeds one GetKey code at the mouse position. The index of a button that
// triggers (on release, or on a tick for a repeating button), else -1.
// *pressed is set to the index of a button newly pressed, else -1.
int TrackButtons(ButtonTracker *t, ULONG code, LONG mx, LONG my, int *pressed = nullptr);
