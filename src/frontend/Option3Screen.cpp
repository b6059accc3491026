// Screen 1141: the mouse pointer option page, one switch between the colour
// pointer and the plain one. NEXT and PREV store it and go round the option
// ring, OKOK stores and saves, EXIT leaves it as stored; the pointer of the
// stored setting is loaded whichever way the page is left.
#include <cstdio>

#include "frontend/frontend.h"
#include "frontend/optionpage_local.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "platform/memfile.h"
#include "platform/pointer.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"

namespace {

constexpr const char *kLayout = "./Data/screendat/Optionen3.dat";
constexpr UWORD kPicture = 1141;
constexpr ULONG kMask = 387;

const OptionPageTexts kTexts = {
    "Option3Screen",
    "Option3Screen: Kein Speicher f\374r locale Daten!\n",
    "Option3Screen: Konnte Font nicht laden!\n",
    "Option3Screen: Konnte Kavor-Font nicht \366ffnen !\n",
    "Option2Screen: Konnte Pic nicht laden!\n",
    "Option2Screen: Konnte gr\374nen Button nicht laden!\n",
    "Option2Screen: Konnte roten Button nicht laden!\n",
    "Option2Screen: Kann TitelbarDaten <%s> nicht laden!\n",
};

struct LocalData {
    BOOL ColorPointer;  // the page's copy
    OptionPage Page;
};

void UpdateOptionenPrefs(LocalData *ld) { UserSystem.OP.ColorCursor = ld->ColorPointer; }

LONG Run(LocalData *ld)
{
    RastPort *rp = DisplayRastPort();
    for (;;) {
        const ULONG code = GetKey(0);
        GadgetData *g = CheckGadgets(rp, ld->Page.Region, code);
        if (!g) continue;
        switch (g->ReturnID) {
        case MakeGadgetID("CURS"):
            // By its truth: a stored 1 switches off like a stored -1.
            ld->ColorPointer = ld->ColorPointer ? 0 : -1;
            DrawOptionSwitch(&ld->Page, 0, ld->ColorPointer != 0);
            break;
        case MakeGadgetID("INFO"): TextBox("Die Modem-Optionen :\n"); break;
        case MakeGadgetID("NEXT"): UpdateOptionenPrefs(ld); return 133;
        case MakeGadgetID("PREV"): UpdateOptionenPrefs(ld); return 134;
        case MakeGadgetID("OKOK"):
            UpdateOptionenPrefs(ld);
            if (!OptionenPrefsSave()) std::printf("OptionScreen: Fehler beim Speichern der OptionenPrefs!\n");
            return 2;
        case GADGET_EXIT: return 2;
        default: break;
        }
    }
}

}  // namespace

LONG Option3Screen()
{
    std::printf("Routine: Option3Screen\n");
    auto *ld = static_cast<LocalData *>(AllocVec(sizeof(LocalData), MEMF_CLEAR));
    if (!ld) {
        std::printf("%s", kTexts.NoMemory);
        return 0;
    }
    LONG result = 0;
    if (OpenOptionPage(&ld->Page, kTexts, kPicture, kLayout, kMask)) {
        PrintOptionLabels(&ld->Page, 0);
        ld->ColorPointer = UserSystem.OP.ColorCursor;
        DrawOptionSwitch(&ld->Page, 0, ld->ColorPointer != 0);
        FadeIn();
        result = Run(ld);
        GetMouse(UserSystem.OP.ColorCursor ? "./Pics/SDLCursor01.chk" : "./Pics/SDLCursor02.chk");
    }
    CloseOptionPage(&ld->Page, 1);
    FreeVec(ld);
    return result;
}
