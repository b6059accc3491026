// The caravan requester: a picture centred on the screen that any of its
// buttons (or escape) closes again.
#include <cstdio>

#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/screen.h"
#include "map/kartenscreen.h"
#include "platform/system.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/screendat.h"

namespace {
constexpr const char kDatei[] = "./Data/screendat/KarawaneReq.dat";
constexpr const char kPfad[] = "./Data/Path";
constexpr ULONG kMaske = 530;
constexpr ULONG kBild = 1265;
}  // namespace

int KarawaneReq()
{
    ScreenRegion *region = GetScreenRegion(kDatei, kMaske);
    if (!region || region->CountRechteck < 1) {
        std::printf("KarawaneReq: Konnte KarawanenReq.dat nicht laden...\n");
        ClearScreenRegion(region);
        return 0;
    }
    const LONG w = region->Rechteck[0].X1, h = region->Rechteck[0].Y1;
    const LONG x = ((LONG)VekDisplay.VekScreen_Breite - w) / 2, y = ((LONG)VekDisplay.VekScreen_Hoehe - h) / 2;
    BitMap *hintergrund = ScreenSaveClip(x, y, w, h);
    if (!hintergrund) {
        std::printf("KarawaneReq: Konnte ein Rechteck des Hintergrundes nicht retten !\n");
        ClearScreenRegion(region);
        return 0;
    }
    RastPort *display = DisplayRastPort();
    if (OpenKavorGfx(kPfad, kBild) == 1) {
        BlitObjekt(display, kBild, x, y, w, h);
        CloseKavorGfx(kBild);
    }
    SetGadgetOffset(region, x, y);
    DrawAllGadgets(display, region);
    for (;;) {
        const ULONG code = GetKey(0x01);
        GadgetData *g = CheckGadgets(display, region, code);
        if (!g || g->ReturnID == GADGET_KEY) continue;
        const ULONG id = g->ReturnID;
        if (id == MakeGadgetID("INFO")) {
            TextBox("Karawanen-Requester");
            break;
        }
        if (id == GADGET_EXIT || id == MakeGadgetID("DO00") || id == MakeGadgetID("INPU") ||
            id == MakeGadgetID("LEFT") || id == MakeGadgetID("OKOK") || id == MakeGadgetID("REQU") ||
            id == MakeGadgetID("RIGH") || id == MakeGadgetID("SLID") || id == MakeGadgetID("UP00"))
            break;
    }
    ScreenRestoreClip(hintergrund, x, y, w, h);
    ClearScreenRegion(region);
    return 1;
}
