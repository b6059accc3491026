// The letter editor: subject, text box, writing the letter and sending the
// waiting ones at once when the game server carries the turn.
#include "military/briefeditor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "gfx/font.h"
#include "gfx/graphics.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "net/gamemail.h"
#include "platform/catalog.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/letters.h"
#include "turn/botschaft.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/requester.h"
#include "ui/screendat.h"

BOOL BriefGeschrieben = 0;

namespace {

void AdvisorBox(const char *text) { ChiefMessage(66, 168, 180, 0, 0, 0, 0, text, 7); }

struct Flaechen {
    Rechteck Kopf, Text, Regler, Betreff, Absender;
};

// The editor's areas: rectangles 1 to 6 of a letter window's layout, or on a
// page with fewer the text box and slider of its first pair with the header
// lines above the box.
bool Lege(const ScreenRegion *r, Flaechen *f)
{
    if (!r || !r->Rechteck || r->CountRechteck < 2) return false;
    if (r->CountRechteck >= 7) {
        f->Kopf = r->Rechteck[1];
        f->Text = r->Rechteck[2];
        f->Absender = r->Rechteck[4];
        f->Betreff = r->Rechteck[5];
        f->Regler = r->Rechteck[6];
        return f->Text.X1 > f->Text.X0 && f->Text.Y1 > f->Text.Y0;
    }
    f->Text = r->Rechteck[0];
    f->Regler = r->Rechteck[1];
    if (f->Text.X1 <= f->Text.X0 || f->Text.Y1 <= f->Text.Y0 + 40) return false;
    // Three header lines of 12 rows inside the top of the box.
    const UWORD x0 = f->Text.X0, x1 = f->Text.X1, y = f->Text.Y0;
    f->Kopf = {x0, y, x1, (UWORD)(y + 11)};
    f->Absender = {x0, (UWORD)(y + 12), x1, (UWORD)(y + 23)};
    f->Betreff = {x0, (UWORD)(y + 24), x1, (UWORD)(y + 35)};
    f->Text.Y0 = (UWORD)(y + 38);
    return true;
}

void Zeile(LokalDataTaverneOfflineChat *d, const Rechteck &r, const char *text)
{
    RastPort *rp = DisplayRastPort();
    SetFont(rp, d->VekFont3Ptr);
    SetAPen(rp, d->BackgroundColor);
    RectFill(rp, r.X0, r.Y0, r.X1, r.Y1);
    PrintText(rp, r.X0, r.Y0, r.X1, r.Y1, text, d->BackgroundColor, d->TextColor, PT_TOP);
}

// Shows the text with the cursor's line in view and the cursor on it.
void Zeige(LokalDataTaverneOfflineChat *d, const Flaechen &f, BriefText *b, UWORD *erste, UWORD sichtbar)
{
    if (!d->VekRequester2) return;
    d->VekRequester2 = UpdateRequesterText(d->VekRequester2, b->Text, 0);
    if (!d->VekRequester2) {
        std::printf("PreUpdateRequester : Konnte Requester nicht updaten...\n");
        return;
    }
    const UWORD zeile = (UWORD)BriefCursorZeile(b);
    if (zeile < *erste) *erste = zeile;
    else if (zeile >= *erste + sichtbar) *erste = (UWORD)(zeile - sichtbar + 1);
    SetRequesterBox(d->VekRequester2, 1, *erste);
    const UWORD hoehe = d->VekFont3Ptr ? d->VekFont3Ptr->tf_YSize : 8;
    ULONG anfang = b->Cursor;
    while (anfang > 0 && b->Text[anfang - 1] != '\n' && b->Cursor - (anfang - 1) <= b->Breite) --anfang;
    const UWORD x = (UWORD)(f.Text.X0 + TextLength(DisplayRastPort(), b->Text + anfang, b->Cursor - anfang));
    const UWORD y = (UWORD)(f.Text.Y0 + (zeile - *erste) * (hoehe + 1));
    d->VekCursor = SetCursor(std::min<UWORD>(x, +f.Text.X1), y, hoehe, d->TextColor, d->BackgroundColor);
}

}  // namespace

void (*BriefMeldungHook)(const char *text) = AdvisorBox;

int TaverneOfflineWriteMail(LokalDataTaverneOfflineChat *d, SmalListEntry *Entry)
{
    BriefGeschrieben = 0;
    Flaechen f{};
    if (!d || !Lege(d->ScreenRegion, &f)) {
        std::printf("TaverneOfflineWriteMail : Konnte Requester nicht initalisieren!\n");
        return 1;
    }
    RastPort *rp = DisplayRastPort();
    const LONG saveX = f.Kopf.X0, saveY = f.Kopf.Y0;
    const LONG saveW = std::max<LONG>(+f.Text.X1, +f.Regler.X1) - saveX + 1;
    const LONG saveH = std::max<LONG>(+f.Text.Y1, +f.Regler.Y1) - saveY + 1;
    BitMap *gerettet = ScreenSaveClip(saveX, saveY, saveW, saveH);

    if (d->CompleteHeader) {
        Zeile(d, f.Kopf, "Mail schreiben");
        char zeile[200];
        std::snprintf(zeile, sizeof zeile, "%s : %s", GetString(&_VEK_OFFLINE_ABSENDER), PlayerInfo.Spielname);
        Zeile(d, f.Absender, zeile);
    }
    char betreff[EINGABE_MAX + 1] = "";
    if (Entry) {
        std::snprintf(betreff, sizeof betreff, "%.*s", (int)sizeof Entry->Betreff, Entry->Betreff);
    } else if (!EingabeBox(betreff, 168, 180, GetString(&_VEK_OFFLINE_GIVEBETREFF),
                           GetString(&_VEK_OFFLINE_GIVEBETREFF_INFO), 0)) {
        betreff[0] = 0;
    }
    if (!CheckBetreff(betreff)) {
        BriefMeldungHook(GetString(&_VEK_OFFLINE_NOBETREFF));
        if (gerettet) ScreenRestoreClip(gerettet, saveX, saveY, saveW, saveH);
        return 1;
    }
    {
        char zeile[EINGABE_MAX + 40];
        std::snprintf(zeile, sizeof zeile, "%s  : %s", GetString(&_VEK_OFFLINE_BETREFF), betreff);
        const UWORD zeichen = d->VekFont3Ptr && d->VekFont3Ptr->tf_XSize ? d->VekFont3Ptr->tf_XSize : 8;
        const ULONG passt = (ULONG)(f.Text.X1 - f.Text.X0) / zeichen;
        if (passt < std::strlen(zeile)) zeile[passt] = 0;
        Zeile(d, f.Betreff, zeile);
    }

    auto *b = (BriefText *)AllocVec(sizeof(BriefText), MEMF_CLEAR);
    if (!b) {
        std::printf("TaverneOfflineWriteMail : Konnte Speicher nicht allokieren !\n");
        if (gerettet) ScreenRestoreClip(gerettet, saveX, saveY, saveW, saveH);
        return 1;
    }
    d->MailPtr = b->Text;
    SetFont(rp, d->VekFont3Ptr);
    const UWORD breite = (UWORD)(f.Text.X1 - f.Text.X0), hoehe = (UWORD)(f.Text.Y1 - f.Text.Y0);
    const UWORD zeichenBreite = std::max<UWORD>(TextLength(rp, "n", 1), 1);
    b->Breite = std::max<ULONG>(breite / zeichenBreite, 1);
    const UWORD fontHoehe = d->VekFont3Ptr ? d->VekFont3Ptr->tf_YSize : 8;
    const UWORD sichtbar = std::max<UWORD>(hoehe / (fontHoehe + 1), 1);
    d->VekRequester2 = InitRequesterTextBox(breite, d->VekFont3Ptr, " ", f.Text.X0, f.Text.Y0, breite, hoehe,
                                            d->BackgroundColor, d->TextColor, nullptr);
    if (!d->VekRequester2) std::printf("TaverneOfflineWriteMail : Konnte Requester nicht initalisieren!\n");
    else if (f.Regler.X1 > f.Regler.X0 && !InitSlider(d->VekRequester2, (UWORD)(f.Regler.X1 - f.Regler.X0),
                                                       (UWORD)(f.Regler.Y1 - f.Regler.Y0), 26, 22, 25, 24,
                                                       f.Regler.X0, f.Regler.Y0))
        std::printf("TaverneOfflineWriteMail : Konnte Slider nicht initalisieren!\n");
    UWORD erste = 0;
    Zeige(d, f, b, &erste, sichtbar);

    for (;;) {
        const ULONG code = GetKey(0x01);
        GadgetData *g = CheckGadgets(rp, d->ScreenRegion, code);
        const ULONG id = g ? g->ReturnID : 0;
        if (code == KEY_ESCAPE || id == GADGET_EXIT || id == MakeGadgetID("BU41")) break;
        if (id == MakeGadgetID("BU40") || id == MakeGadgetID("B003")) {
            if (!b->Laenge) continue;
            const char *an = Entry ? Entry->AbsenderName : d->EmpfaengerName ? d->EmpfaengerName : "";
            // A reply goes where the window addresses it: the tavern's replies
            // are public like the letters they answer.
            const LONG anID = d->EmpfaengerID;
            if (!MakeSMAL(an, anID, betreff, b->Text)) {
                std::printf("TaverneOfflineWriteMail : Konnte die Mail nicht anlegen ! \n");
                break;
            }
            BriefGeschrieben = 1;
            if (UserSystem.OP.TCPIP_Flags & TRANSPORT_GAMESERVER) SendBotschaftPerTCPIP();
            BriefMeldungHook(GetString(&_VEK_OFFLINE_MAILWRITTEN));
            break;
        }
        if (id == MakeGadgetID("INF1")) {
            TextBox(GetString(&_VEK_OFFLINE_INFOTEXT1));
            continue;
        }
        if (id == GADGET_KEY && BriefTaste(b, g->Flags, KeyExtended)) Zeige(d, f, b, &erste, sichtbar);
    }
    SetCursor(0, 0, 0, 0, 0);
    d->VekCursor = nullptr;
    ClearRequester(d->VekRequester2);
    d->VekRequester2 = nullptr;
    d->MailPtr = nullptr;
    FreeVec(b);
    if (gerettet) ScreenRestoreClip(gerettet, saveX, saveY, saveW, saveH);
    return 1;
}
