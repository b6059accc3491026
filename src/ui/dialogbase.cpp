// What the requester and the dialogs share: the picture services they draw
// with, off-screen BitMaps and ports, the display port's state across a
// dialog, and the press-and-release rule of their buttons.
#include <cstdio>

#include "platform/memfile.h"
#include "ui/dialog_local.h"
#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "ui/input.h"
#include "gfx/screen.h"
#include "platform/system.h"

namespace {

constexpr const char *kGfxIndex = "./Data/Path";

// A copy of graphic n for the caller alone: the loaded graphic may be shared
// with other screens and stays as it was; it is released again only when it
// was loaded for this copy.
BitMap *CopyGraphic(ULONG n)
{
    if (OpenKavorGfx(kGfxIndex, n) != 1) return nullptr;
    BitMap *src = n >= 1 && n <= GFX_CACHE_SLOTS ? BitMapPtrArray[n - 1] : nullptr;
    BitMap *copy = src ? AllocBitMap(src->Breite, src->Hoehe, src->Tiefe, src->Flags, nullptr) : nullptr;
    if (copy && !BltBitMap(src, 0, 0, copy, 0, 0, (LONG)src->Breite, (LONG)src->Hoehe, 0xC0, 0xFF, nullptr)) {
        FreeBitMap(copy);
        copy = nullptr;
    }
    CloseKavorGfx(n);
    return copy;
}

LONG HoldGraphic(ULONG n) { return OpenKavorGfx(kGfxIndex, n) == 1; }

}  // namespace

DialogPainter DialogPaint = {BlitObjekt,      BlitTextObjekt,    CopyGraphic, HoldGraphic,
                             CloseKavorGfx,   ScreenSaveClip,    ScreenRestoreClip, Delay};

BitMap *AllocDisplayBitMap(ULONG w, ULONG h)
{
    const RastPort *rp = DisplayRastPort();
    const BitMap *like = rp ? rp->BitMap : nullptr;
    const ULONG depth = VekDisplay.VekScreen_Tiefe ? VekDisplay.VekScreen_Tiefe : 8;
    return AllocBitMap(w, h, depth, 0, like);
}

RastPort *NewPort(BitMap *bitmap, TextFont *font)
{
    auto *rp = (RastPort *)AllocVec(sizeof(RastPort), MEMF_PUBLIC | MEMF_CLEAR);
    if (!rp) return nullptr;
    InitRastPort(rp);
    rp->BitMap = bitmap;
    if (font) SetFont(rp, font);
    return rp;
}

void FreePort(RastPort *rp) { FreeVec(rp); }

PortState SavePortState(const RastPort *rp)
{
    PortState s;
    if (!rp) return s;
    s.Valid = true;
    s.Font = rp->Font;
    s.TxHeight = rp->TxHeight;
    s.TxBaseline = rp->TxBaseline;
    s.DrawMode = rp->DrawMode;
    s.FgPen = rp->FgPen;
    s.BgPen = rp->BgPen;
    s.CpX = rp->cp_x;
    s.CpY = rp->cp_y;
    return s;
}

void RestorePortState(RastPort *rp, const PortState &s)
{
    if (!rp || !s.Valid) return;
    rp->Font = s.Font;
    rp->TxHeight = s.TxHeight;
    rp->TxBaseline = s.TxBaseline;
    rp->DrawMode = s.DrawMode;
    rp->FgPen = s.FgPen;
    rp->BgPen = s.BgPen;
    rp->cp_x = s.CpX;
    rp->cp_y = s.CpY;
}

LONG DlgBlit(RastPort *rp, ULONG gfx, LONG x, LONG y, LONG w, LONG h)
{
    return DialogPaint.BlitObjekt ? DialogPaint.BlitObjekt(rp, gfx, x, y, w, h) : 0;
}

void DlgBlitText(RastPort *rp, ULONG gfx, const char *text, LONG x, LONG y, LONG w, LONG h)
{
    if (DialogPaint.BlitTextObjekt) DialogPaint.BlitTextObjekt(rp, gfx, text, x, y, w, h);
}

BitMap *DlgCopyGfx(ULONG gfx) { return DialogPaint.CopyGfx ? DialogPaint.CopyGfx(gfx) : nullptr; }

LONG DlgHoldGfx(ULONG gfx) { return DialogPaint.HoldGfx ? DialogPaint.HoldGfx(gfx) : 0; }

void DlgReleaseGfx(ULONG gfx)
{
    if (DialogPaint.ReleaseGfx) DialogPaint.ReleaseGfx(gfx);
}

BitMap *DlgSaveArea(LONG x, LONG y, LONG w, LONG h)
{
    return DialogPaint.ScreenSaveClip ? DialogPaint.ScreenSaveClip(x, y, w, h) : nullptr;
}

void DlgRestoreArea(BitMap *saved, LONG x, LONG y, LONG w, LONG h)
{
    if (!saved) return;
    if (DialogPaint.ScreenRestoreClip)
        DialogPaint.ScreenRestoreClip(saved, x, y, w, h);
    else
        FreeBitMap(saved);
}

void DlgDelay(ULONG ticks)
{
    if (DialogPaint.Delay) DialogPaint.Delay(ticks);
}

void ShowOnDisplay(BitMap *bitmap, LONG x, LONG y)
{
    if (!bitmap) return;
    BltBitMapRastPort(bitmap, 0, 0, DisplayRastPort(), x, y, (LONG)bitmap->Breite, (LONG)bitmap->Hoehe, 0xC0);
}

namespace {

void DrawButton(const DialogButton &b, bool down)
{
    const UWORD gfx = down ? b.GfxDown : b.GfxUp;
    if (gfx) DlgBlit(nullptr, gfx, b.GfxX, b.GfxY);
}

int ButtonAt(const ButtonTracker *t, LONG mx, LONG my)
{
    for (int i = 0; i < t->Count; ++i) {
        const DialogButton &b = t->Buttons[i];
        if (b.Enabled && InRect(mx, my, b.X0, b.Y0, b.X1, b.Y1)) return i;
    }
    return -1;
}

}  // namespace

int TrackButtons(ButtonTracker *t, ULONG code, LONG mx, LONG my, int *pressed)
{
    if (pressed) *pressed = -1;
    if (!t) return -1;
    switch (code) {
    case EVENT_LEFTDOWN: {
        if (!t->Down) {
            // A new press: it holds the button under it, or nothing until the release.
            t->Down = true;
            t->Held = ButtonAt(t, mx, my);
            t->ShownDown = false;
            if (t->Held >= 0) {
                DrawButton(t->Buttons[t->Held], true);
                t->ShownDown = true;
                if (pressed) *pressed = t->Held;
            }
            return -1;
        }
        // Moved with the button down.
        if (t->Held >= 0) {
            const bool inside = ButtonAt(t, mx, my) == t->Held;
            if (inside != t->ShownDown) {
                DrawButton(t->Buttons[t->Held], inside);
                t->ShownDown = inside;
            }
        }
        return -1;
    }
    case EVENT_LEFTUP: {
        const int held = t->Held;
        const bool wasDown = t->Down;
        t->Down = false;
        t->Held = -1;
        if (!wasDown || held < 0) return -1;
        if (t->ShownDown) DrawButton(t->Buttons[held], false);
        t->ShownDown = false;
        if (t->Buttons[held].Repeat) return -1;
        return ButtonAt(t, mx, my) == held ? held : -1;
    }
    case EVENT_TICK:
        if (t->Down && t->Held >= 0 && t->Buttons[t->Held].Repeat && ButtonAt(t, mx, my) == t->Held) return t->Held;
        return -1;
    default:
        return -1;
    }
}
