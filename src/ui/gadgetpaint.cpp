// Points the gadgets at the picture routines of graphics by number and the
// screen's saved rectangles.
#include "ui/gadgets.h"
#include "gfx/gfxnumber.h"
#include "gfx/screen.h"

void UseKavorGadgetPainter()
{
    GadgetPaint.BlitObjekt = [](RastPort *rp, UWORD gfx, LONG x, LONG y, LONG w, LONG h) {
        return BlitObjekt(rp, gfx, x, y, w, h);
    };
    GadgetPaint.BlitObjektMask = [](RastPort *rp, UWORD gfx, ULONG key, LONG x, LONG y, LONG w, LONG h) {
        return BlitObjektMask(rp, gfx, key, x, y, w, h);
    };
    GadgetPaint.BlitTextObjekt = [](RastPort *rp, UWORD gfx, const char *text, LONG x, LONG y, LONG w, LONG h) {
        BlitTextObjekt(rp, gfx, text, x, y, w, h);
        return (LONG)1;
    };
    GadgetPaint.BlitTextObjektMask = [](RastPort *rp, UWORD gfx, const char *text, LONG x, LONG y, LONG w, LONG h,
                                        ULONG key) {
        BlitTextObjektMask(rp, gfx, text, x, y, w, h, key);
        return (LONG)1;
    };
    GadgetPaint.ScreenSaveClip = ScreenSaveClip;
    GadgetPaint.ScreenRestoreClip = ScreenRestoreClip;
    GadgetPaint.FreeKavorBitMap = FreeKavorBitMap;
}
