// Screen 40: the family tree. Not built yet: it shows its picture, gadgets and
// labels, tells the player so and goes back to the residence.
#include <cstdio>

#include "gfx/font.h"
#include "gfx/graphics.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "gfx/palette.h"
#include "media/sound.h"
#include "platform/catalog.h"
#include "platform/strings.h"
#include "realm/realm.h"
#include "realm/reichdialoge.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/screendat.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr const char *kLayout = "./Data/screendat/Stammbaum.dat";
constexpr UWORD kPicture = 40;

void AdvisorMessage(const char *text) { ChiefMessage(66, 168, 180, 0, 0, 0, CHIEF_OK, text, 7); }
LONG AdvisorAsk(const char *text) { return ChiefMessage(66, 168, 180, 0, 0, 0, CHIEF_OKCANCEL, text, 7); }

}  // namespace

ReichDialoge StammbaumDialogHooks = {AdvisorMessage, AdvisorAsk, TextBox};

LONG StammbaumScreen()
{
    std::printf("Routine: StammbaumScreen\n");
    if (IsCDReady(nullptr, 0) == 1) PlayCDTrack(nullptr, 0, 4, 4);
    TextFont *font = OpenDiskFont("Fonts/XHelvetica11.fnt");
    TextFont *kavor = font ? OpenDiskFont("Fonts/KavorC1.fnt") : nullptr;
    ScreenRegion *region = nullptr;
    LONG ergebnis = -1;
    if (!font) {
        std::printf("StammbaumScreen: Konnte Font nicht laden!\n");
    } else if (!kavor) {
        std::printf("StammbaumScreen: Konnte Kavor-Font nicht \366ffnen !");
    } else if (!(region = GetScreenRegion(kLayout, SR_TITLEBAR | SR_GADGETDATA | SR_LOCALETEXTBOX))) {
        std::printf("StammbaumScreen: Kann TitelbarDaten nicht laden!\n");
    } else if (OpenKavorPic(kPath, kPicture, PIC_NOFADE) < 0) {
        std::printf("StammbaumScreen: Konnte Pic nicht \366ffnen!\n");
    } else {
        RastPort *rp = DisplayRastPort();
        SetAPen(rp, 7);
        SetDrMd(rp, JAM1);
        SetFont(rp, font);
        DrawAllGadgets(rp, region);
        for (ULONG i = 0; i < region->CountLocaleTextBox; ++i) {
            const LocaleTextBox &t = region->LocaleTextBox[i];
            PrintText(rp, t.X0, t.Y0, t.X1, t.Y1, t.LocaleID ? t.LocaleID : "", 0, 7, PT_TOP);
        }
        FadeIn();
        StammbaumDialogHooks.Message(GetString(&_VEK_ZUKUNFT_ERWEITERT));
        CloseKavorPic(kPicture, 1);
        ergebnis = 2;
    }
    FreeAllGadgets();
    if (region) ClearScreenRegion(region);
    CloseFont(kavor);
    CloseFont(font);
    return ergebnis;
}
