// Screen 278: a notice that this part of the game is still being worked on.
#include <cstdio>

#include "frontend/frontend.h"
#include "gfx/font.h"
#include "gfx/screen.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/screendat.h"

namespace {

struct LokalData {
    TextFont *VekFont4Ptr;
    TextFont *VekFontPtr;
    ScreenRegion *Region;
    BOOL Fertig;
};

}  // namespace

LONG GeheimScreen()
{
    std::printf("Routine: GeheimScreen\n");
    auto *ld = static_cast<LokalData *>(AllocVec(sizeof(LokalData), MEMF_CLEAR));
    if (!ld) {
        std::printf("GeheimScreen: Kein Speicher f\xFCr lokale Daten!\n");
        return -1;
    }
    LONG result = -1;
    bool picture = false;
    if (!(ld->VekFont4Ptr = OpenDiskFont("Fonts/XHelvetica11.fnt"))) {
        std::printf("GeheimScreen: Konnte Font nicht laden!\n");
    } else if (!(ld->VekFontPtr = OpenDiskFont("Fonts/XHelvetica9.fnt"))) {
        std::printf("GeheimScreen: Konnte Kavor-Font nicht \xF6" "ffnen !\n");
    } else if (!(ld->Region = GetScreenRegion("./Data/screendat/Geheim.dat", SR_TITLEBAR | SR_GADGETDATA))) {
        std::printf("GeheimScreen: Kann TitelbarDaten nicht laden!\n");
    } else if (OpenKavorPic("./Data/Path", 278, 0) < 0) {
        std::printf("GeheimScreen: Konnte Pic nicht \xF6" "ffnen!\n");
    } else {
        picture = true;
        RastPort *rp = DisplayRastPort();
        SetAPen(rp, 7);
        SetDrMd(rp, JAM1);
        SetFont(rp, ld->VekFont4Ptr);
        DrawAllGadgets(rp, ld->Region);
        ChiefMessage(66, 168, 180, 0, 0, 0, 0, GetString(&_VEK_ZUKUNFT_ERWEITERT), 7);
        result = 152;
    }
    if (picture) CloseKavorPic(278, 1);
    ClearScreenRegion(ld->Region);
    CloseFont(ld->VekFontPtr);
    CloseFont(ld->VekFont4Ptr);
    FreeVec(ld);
    return result;
}
