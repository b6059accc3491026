// Boxes and number typing of the economy screens.
#include "town/wirtschaft.h"

#include <algorithm>
#include <cstring>

#include "gfx/font.h"
#include "gfx/graphics.h"
#include "gfx/printing.h"
#include "ui/dialogs.h"
#include "ui/input.h"
#include "ui/screendat.h"

namespace {

void MeldungEcht(const char *text) { ChiefMessage(66, 168, 180, 0, 0, 0, CHIEF_OK, text, 7); }

constexpr UWORD kZeichen = 15;

}  // namespace

WirtschaftDialoge WirtschaftDialogHooks = {MeldungEcht, TextBox, SwitchBox};

BOOL ZahlEingabe(RastPort *rp, TextFont *font, const StringInputInfo &ein, UWORD X0, UWORD Y0, UWORD X1, UWORD Y1,
                 UWORD hintergrund, const char *vorgabe, char *text)
{
    if (!rp) return 0;
    SetAPen(rp, hintergrund);
    RectFill(rp, X0, Y0, X1, Y1);
    if (font) SetFont(rp, font);
    SetDrMd(rp, JAM1);
    SetAPen(rp, 7);
    UBYTE breiten[kZeichen + 1] = {};
    char vor[kZeichen + 1] = {};
    std::snprintf(vor, sizeof vor, "%s", vorgabe ? vorgabe : "");
    std::memset(text, 0, kZeichen + 1);
    InitStringInput(rp, vor, text, breiten);
    const UWORD maxPixel = (UWORD)std::max<LONG>(std::min<LONG>(ein.MaxPixels, (LONG)X1 - ein.X0), 8);
    PrintStringInput(rp, text, ein.X0, ein.Y0, kZeichen, 1, maxPixel);
    UpdateRectangle(X0, Y0, X1 - X0 + 1, Y1 - Y0 + 1);
    ULONG ende = 0;
    for (int i = 0; text[i]; ++i) ende += breiten[i];
    VekCursor *c = &VekCursorStruktur;
    CursorClearValues(c);
    const UWORD laenge = (UWORD)std::min<UWORD>(rp->TxHeight, CURSOR_MAX_LENGTH);
    SetNewCursor(ein.X0, ein.Y0, (UWORD)(ein.X0 + ende), ein.Y0, laenge, 10, hintergrund);
    CalcCurrentCursorPosition(text, breiten, c, maxPixel);
    c->VerifyPtr = text;
    const UWORD zeichen = ein.MaxChars;  // packed: read by value
    const UWORD maxZeichen = std::clamp<UWORD>(zeichen, 1, kZeichen);
    BOOL ok = 0;
    for (;;) {
        const ULONG code = GetKey(0);
        if (code == KEY_RETURN) {
            ok = 1;
            break;
        }
        if (code == KEY_ESCAPE) break;
        if (code >= 1 && code <= 255 && !KeyExtended) StringInput(code, text, breiten, c, maxZeichen, maxPixel, 1);
    }
    SetCursor(0, 0, 0, 0, 0);
    return ok;
}
