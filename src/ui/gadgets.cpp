// The gadget state machine (press, release, drag off, auto-repeat), the
// pseudo-gadgets of escape and typed keys, and the hover pictures with the
// screen saved under them.
#include "ui/gadgets.h"

#include <cstdio>

#include "platform/memfile.h"
#include "gfx/gfx_local.h"
#include "ui/input.h"
#include "gfx/printing.h"
#include "platform/system.h"

GadgetCacheSlot GadgetCacheArray[GADGET_CACHE_SLOTS];
// The picture blits and the screen save and restore come from the picture
// code; until start-up sets them, gadgets react but draw nothing.
GadgetPainter GadgetPaint = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, FreeKavorBitMap};

namespace {

struct Box {
    LONG X, Y, W, H;
};

// Gadget coordinates after the region's shift, kept to 16 bits.
UWORD Shift(UWORD v, LONG offset) { return (UWORD)(v + offset); }

Box GadgetBox(const ScreenRegion *r, const GadgetData *g)
{
    const LONG xo = r->GlobalGadget.GadgetXOffset, yo = r->GlobalGadget.GadgetYOffset;
    return {Shift(g->X0, xo), Shift(g->Y0, yo), (LONG)g->X1 - g->X0, (LONG)g->Y1 - g->Y0};
}

bool MouseOver(const ScreenRegion *r, const GadgetData *g)
{
    const LONG xo = r->GlobalGadget.GadgetXOffset, yo = r->GlobalGadget.GadgetYOffset;
    return MouseInBox(Shift(g->X0, xo), Shift(g->X1, xo), Shift(g->Y0, yo), Shift(g->Y1, yo));
}

// The rectangle a hover gadget shows its picture in; false without one.
bool HoverBox(const ScreenRegion *r, const GadgetData *g, Box *box)
{
    const auto *rect = (const Rechteck *)g->Link;
    if (!rect) return false;
    const LONG xo = r->GlobalGadget.GadgetXOffset, yo = r->GlobalGadget.GadgetYOffset;
    *box = {Shift(rect->X0, xo), Shift(rect->Y0, yo), (LONG)rect->X1 - rect->X0, (LONG)rect->Y1 - rect->Y0};
    return true;
}

void DrawGadget(RastPort *rp, ScreenRegion *r, GadgetData *g, UWORD gfx)
{
    // The pseudo-gadget of keys has no picture.
    if (!r || !g || (g->Flags & GADGET_HIDDEN) || g == &r->GlobalGadget.KeyAsGadget) return;
    if (!rp) rp = VekDisplay.RastPort_;
    const Box b = GadgetBox(r, g);
    const char *text = nullptr;
    if (g->Flags & GADGET_TEXT) {
        const auto *title = (const TitleBar *)g->Link;
        text = title && title->Title ? title->Title : "";
    }
    const bool masked = g->Flags & GADGET_MASKED;
    const GadgetPainter &p = GadgetPaint;
    if (text && masked) {
        if (p.BlitTextObjektMask) p.BlitTextObjektMask(rp, gfx, text, b.X, b.Y, b.W, b.H, 0);
    } else if (text) {
        if (p.BlitTextObjekt) p.BlitTextObjekt(rp, gfx, text, b.X, b.Y, b.W, b.H);
    } else if (masked) {
        if (p.BlitObjektMask) p.BlitObjektMask(rp, gfx, 0, b.X, b.Y, b.W, b.H);
    } else if (p.BlitObjekt) {
        p.BlitObjekt(rp, gfx, b.X, b.Y, b.W, b.H);
    }
}

void RestoreSlot(GadgetCacheSlot &s)
{
    if (!s.Saved) return;
    if (GadgetPaint.ScreenRestoreClip) GadgetPaint.ScreenRestoreClip(s.Saved, s.X, s.Y, s.W, s.H);
    else if (GadgetPaint.FreeKavorBitMap) GadgetPaint.FreeKavorBitMap(s.Saved);
    s = {};
}

}  // namespace

void GadgetDown(RastPort *rp, ScreenRegion *region, GadgetData *gadget)
{
    if (gadget) DrawGadget(rp, region, gadget, gadget->GfxDown_ID);
}

void GadgetUp(RastPort *rp, ScreenRegion *region, GadgetData *gadget)
{
    if (gadget) DrawGadget(rp, region, gadget, gadget->GfxUp_ID);
}

int DrawAllGadgets(RastPort *rp, ScreenRegion *region)
{
    if (!region) return 0;
    for (ULONG i = 0; i < region->CountGadgetData; ++i) GadgetUp(rp, region, &region->GadgetData[i]);
    return 1;
}

GadgetData *CheckGadgetData(ScreenRegion *region)
{
    if (!region) return nullptr;
    region->AktGadget = nullptr;
    for (ULONG i = 0; i < region->CountGadgetData; ++i) {
        if (MouseOver(region, &region->GadgetData[i])) {
            region->AktGadget = &region->GadgetData[i];
            break;
        }
    }
    return region->AktGadget;
}

void DrawOnMouseGadget(RastPort *rp, ScreenRegion *region)
{
    if (!region) return;
    if (region->CountGadgetData > GADGET_CACHE_SLOTS) {
        std::printf("DrawOnMouseGadget: B\366ser Fehler! Mehr wie 40 Gadgets auf dem Bildschirm!\n");
        return;
    }
    if (!rp) rp = VekDisplay.RastPort_;
    LONG found = -1;
    for (ULONG i = 0; i < region->CountGadgetData && found < 0; ++i) {
        const GadgetData &g = region->GadgetData[i];
        if ((g.Flags & GADGET_HOVER) && g.Link && MouseOver(region, &g)) found = (LONG)i;
    }
    if (found >= 0 && !GadgetCacheArray[found].Saved && GadgetPaint.ScreenSaveClip) {
        for (LONG i = 0; i < GADGET_CACHE_SLOTS; ++i)
            if (i != found) RestoreSlot(GadgetCacheArray[i]);
        GadgetData &g = region->GadgetData[found];
        Box b{};
        HoverBox(region, &g, &b);
        BitMap *saved = GadgetPaint.ScreenSaveClip(b.X, b.Y, b.W, b.H);
        if (saved) {
            GadgetCacheArray[found] = {saved, b.X, b.Y, b.W, b.H};
            if (GadgetPaint.BlitObjekt) GadgetPaint.BlitObjekt(rp, g.GfxUp_ID, b.X, b.Y, b.W, b.H);
        } else {
            std::printf("DrawOnMouseGadget: Konnte Bereich f\374r OnMouseGadget nicht retten!\n");
        }
    }
    for (LONG i = 0; i < GADGET_CACHE_SLOTS; ++i)
        if (i != found) RestoreSlot(GadgetCacheArray[i]);
}

void FreeAllGadgets()
{
    for (GadgetCacheSlot &s : GadgetCacheArray) {
        if (s.Saved && GadgetPaint.FreeKavorBitMap) GadgetPaint.FreeKavorBitMap(s.Saved);
        s = {};
    }
}

GadgetData *CheckGadgets(RastPort *rp, ScreenRegion *region, ULONG code)
{
    if (!region) return nullptr;
    if (!rp) rp = VekDisplay.RastPort_;
    DrawOnMouseGadget(rp, region);
    if (code == KEY_NONE) return nullptr;
    GlobalGadget &gg = region->GlobalGadget;

    if (code == KEY_ESCAPE) {
        GadgetData *chosen;
        if (region->CountGadgetData > 0 && region->GadgetData[0].ReturnID == GADGET_EXIT) {
            chosen = &region->GadgetData[0];
        } else {
            gg.KeyAsGadget = {};
            gg.KeyAsGadget.ReturnID = GADGET_EXIT;
            chosen = &gg.KeyAsGadget;
        }
        GadgetDown(rp, region, chosen);
        Delay(10);
        GadgetUp(rp, region, chosen);
        gg.PressedGadget = nullptr;
        return chosen;
    }
    if (code >= 1 && code <= 255) {
        gg.KeyAsGadget = {};
        gg.KeyAsGadget.ReturnID = GADGET_KEY;
        gg.KeyAsGadget.Flags = (UWORD)code;
        return &gg.KeyAsGadget;
    }

    GadgetData *under = (code == EVENT_LEFTDOWN || !gg.Released) ? CheckGadgetData(region) : nullptr;
    GadgetData *held = gg.PressedGadget;
    switch (code) {
    case EVENT_TICK:
        if (held && held == under && (held->Flags & GADGET_REPORTPRESS)) return held;
        return nullptr;
    case EVENT_LEFTUP:
        gg.Released = 1;
        if (!held) return nullptr;
        GadgetUp(rp, region, held);
        gg.PressedGadget = nullptr;
        // A release away from the gadget (the mouse left the game area while
        // held) is no choice.
        return (held->Flags & GADGET_REPORTPRESS) || held != under ? nullptr : held;
    case EVENT_LEFTDOWN:
        if (gg.Released && under) {
            gg.Released = 0;
            GadgetDown(rp, region, under);
            gg.PressedGadget = under;
            if (under->Flags & GADGET_REPORTPRESS) return under;
        } else if (held && held != under) {
            GadgetUp(rp, region, held);
            gg.PressedGadget = nullptr;
        }
        return nullptr;
    default:
        return nullptr;
    }
}

namespace {

const char *CTOldTitleString = nullptr;   // the title shown now, or null
const TitleBar *CTOldTitleList = nullptr;  // the list it belongs to

}  // namespace

void CheckTitleBar(const TitleBar *list, TextFont *font, UWORD pen)
{
    RastPort *rp = DisplayRastPort();
    if (!rp) {
        std::printf("CheckTitleBar:Der \374bergebene RastPort war nicht VALID\n");
        return;
    }
    if (!list) return;
    // A title shown for another list is not on this screen.
    if (list != CTOldTitleList) CTOldTitleString = nullptr;
    CTOldTitleList = list;

    UWORD x0 = 200, y0 = 11, x1 = 442, y1 = 27;
    const TitleBar *t = list;
    if (t->Title == TITLEBAR_HEAD) {
        x0 = t->X_Pos1, y0 = t->Y_Pos1, x1 = t->X_Pos2, y1 = t->Y_Pos2;
        ++t;
    }
    const ULONG pen0 = GetAPen(rp);
    bool over = false;
    for (; t->Title; ++t) {
        if (!MouseInBox(t->X_Pos1, t->X_Pos2, t->Y_Pos1, t->Y_Pos2)) continue;
        over = true;
        if (t->Title == CTOldTitleString) continue;
        TextFont *oldFont = rp->Font;
        const UWORD oldHeight = rp->TxHeight, oldBaseline = rp->TxBaseline;
        const UBYTE oldMode = rp->DrawMode;
        SetFont(rp, font);
        SetDrMd(rp, JAM1);
        PrintText(rp, x0, y0, x1, y1, t->Title, pen, 0, PT_FILL | PT_CENTER | PT_BASELINE | PT_VCENTER);
        rp->Font = oldFont;
        rp->TxHeight = oldHeight;
        rp->TxBaseline = oldBaseline;
        SetDrMd(rp, oldMode);
        CTOldTitleString = t->Title;
    }
    if (!over && CTOldTitleString) {
        SetAPen(rp, pen);
        RectFill(rp, x0, y0, x1, y1);
        CTOldTitleString = nullptr;
    }
    SetAPen(rp, pen0);
}
