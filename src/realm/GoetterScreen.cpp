// Screen 1085: the gods. The player chooses one of ten deities for the realm
// and names it; both go into the LAND record of the orders. Changing a deity
// already chosen needs faith above 200 and a confirmation.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "media/sound.h"
#include "platform/catalog.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "realm/realm.h"
#include "realm/reichdialoge.h"
#include "store/store.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/requester.h"
#include "ui/screendat.h"
#include "world/reichsregeln.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr const char *kSfxPath = "./Data/SfxPath";
constexpr const char *kLayout = "./Data/screendat/Goetter.dat";
constexpr UWORD kPicture = 1085, kSymbol = 1086, kSfx = 172;
constexpr ULONG kBeschreibung = 1396;
constexpr ULONG kMaske = SR_TITLEBAR | SR_GADGETDATA | SR_LOCALETEXTBOX | SR_STRINGINPUTINFO | SR_RECHTECK | SR_PUNKT;
constexpr UWORD kFeldStift = 22, kTextStift = 7;
constexpr UWORD kNameMax = 79;

void AdvisorMessage(const char *text) { ChiefMessage(66, 168, 180, 0, 0, 0, CHIEF_OK, text, 7); }
LONG AdvisorAsk(const char *text) { return ChiefMessage(66, 168, 180, 0, 0, 0, CHIEF_OKCANCEL, text, 7); }

struct LokalDataGoetter {
    BOOL Fertig = 0, Entered1 = 0, Entered2 = 0, Speichern = 0;
    UWORD Gottheit = 0;
    WORD LastOffset = -1;
    TextFont *FontKavor = nullptr, *Font11 = nullptr;
    ScreenRegion *Region = nullptr;
    VekRequester *Requester = nullptr;
    st_LAND *Land = nullptr;
    BitMap *Hintergrund = nullptr;
    char Goettername[80] = {};
    UBYTE Breiten[kNameMax + 2] = {};
};

UWORD SymbolSize(const ScreenRegion *r, bool hoehe)
{
    if (!r || r->CountPunkt <= GOETTER_ANZAHL) return 64;
    return hoehe ? r->Punkt[GOETTER_ANZAHL].Y0 : r->Punkt[GOETTER_ANZAHL].X0;
}

const StringInputInfo *Feld(const ScreenRegion *r) { return r && r->CountStringInputInfo ? &r->StringInputInfo[0] : nullptr; }

void NameZeigen(LokalDataGoetter *ld)
{
    const StringInputInfo *f = Feld(ld->Region);
    if (!f) return;
    RastPort *rp = DisplayRastPort();
    SetFont(rp, ld->Font11);
    SetAPen(rp, kFeldStift);
    RectFill(rp, f->X0, f->Y0, f->X0 + f->MaxPixels - 1, f->Y0 + rp->TxHeight + 1);
    SetAPen(rp, kTextStift);
    SetDrMd(rp, JAM1);
    InitStringInput(rp, ld->Goettername, ld->Goettername, ld->Breiten);
    PrintStringInput(rp, ld->Goettername, f->X0, f->Y0, std::min<LONG>(f->MaxChars, kNameMax), 1, f->MaxPixels);
    PresentRect(rp->BitMap, f->X0, f->Y0, f->MaxPixels, rp->TxHeight + 2);
}

BOOL GoetterScreenBeschreibung(LokalDataGoetter *ld, int n)
{
    ScreenRegion *r = ld->Region;
    if (n < 0 || n >= GOETTER_ANZAHL || r->CountPunkt <= (ULONG)n) return 0;
    ld->Entered1 = 1;
    SfxPlayer((UWORD)(kSfx + n), 0, 0);
    const UWORD w = SymbolSize(r, false), h = SymbolSize(r, true);
    if (ld->Hintergrund && ld->LastOffset >= 0)
        ScreenRestoreClip(ld->Hintergrund, r->Punkt[ld->LastOffset].X0, r->Punkt[ld->LastOffset].Y0, w, h);
    ld->Hintergrund = ScreenSaveClip(r->Punkt[n].X0, r->Punkt[n].Y0, w, h);
    if (!ld->Hintergrund) {
        std::printf("GoetterScreenBeschreibung: Konnte Hintergrund nicht retten !");
        return 0;
    }
    RastPort *rp = DisplayRastPort();
    if (OpenKavorGfx(kPath, (ULONG)(kSymbol + n)) == 1) {
        BlitObjekt(rp, (ULONG)(kSymbol + n), r->Punkt[n].X0, r->Punkt[n].Y0, w, h);
        CloseKavorGfx((ULONG)(kSymbol + n));
    }
    ld->LastOffset = (WORD)n;
    ld->Gottheit = (UWORD)(n + 1);
    const char *text = GetStringFromID(kBeschreibung + (ULONG)n);
    if (ld->Requester) {
        ld->Requester = UpdateRequesterText(ld->Requester, text, 0);
    } else if (r->CountRechteck) {
        const Rechteck &b = r->Rechteck[0];
        ld->Requester = InitRequesterTextBox((UWORD)(b.X1 - b.X0), ld->Font11, text, b.X0, b.Y0, (UWORD)(b.X1 - b.X0),
                                             (UWORD)(b.Y1 - b.Y0), 6, 7, nullptr);
        if (ld->Requester && r->CountRechteck > 1) {
            const Rechteck &s = r->Rechteck[1];
            InitSlider(ld->Requester, (UWORD)(s.X1 - s.X0), (UWORD)(s.Y1 - s.Y0), 26, 22, 25, 24, s.X0, s.Y0);
        }
    }
    if (!ld->Requester) {
        std::printf("GoetterScreenBeschreibung: Konnte Dokument-Requester nicht \366ffnen !\n");
        return 0;
    }
    return 1;
}

// Edits the name in place under a cursor until Enter.
void GoetterScreenInputBox(LokalDataGoetter *ld)
{
    const StringInputInfo *f = Feld(ld->Region);
    if (!f) return;
    ld->Entered2 = 1;
    NameZeigen(ld);
    RastPort *rp = DisplayRastPort();
    const UWORD maxInput = (UWORD)std::min<UWORD>(f->MaxChars, kNameMax);
    ULONG ende = 0;
    for (size_t i = 0; ld->Goettername[i]; ++i) ende += ld->Breiten[i];
    VekCursor *c = &VekCursorStruktur;
    CursorClearValues(c);
    c->BackSaved = 0;
    const UWORD laenge = (UWORD)std::min<LONG>(rp->TxHeight, CURSOR_MAX_LENGTH);
    SetNewCursor(f->X0, f->Y0, (UWORD)(f->X0 + ende), f->Y0, laenge, 7, 6);
    CalcCurrentCursorPosition(ld->Goettername, ld->Breiten, c, f->MaxPixels);
    c->VerifyPtr = ld->Goettername;
    for (;;) {
        const ULONG code = GetKey(0);
        if (code == KEY_RETURN || code == KEY_ESCAPE) break;
        if (code < 1 || code > 255 || KeyExtended || code == 10) continue;
        StringInput(code, ld->Goettername, ld->Breiten, c, maxInput, f->MaxPixels, 1);
    }
    SetCursor(0, 0, 0, 0, 0);
    ld->Goettername[kNameMax] = 0;
}

void Verlassen(LokalDataGoetter *ld)
{
    switch (GoetterVerlassen(ld->Entered1, ld->Entered2, ld->Land->Gottheit, ld->Land->Vertrauen)) {
    case GA_SPEICHERN: ld->Speichern = ld->Fertig = 1; break;
    case GA_WARNUNG:
        GoetterDialogHooks.Message(GetString(&_VEK_GOETTER_WARNUNG));
        ld->Fertig = 1;
        break;
    case GA_WECHSELFRAGE:
        if (GoetterDialogHooks.Ask(GetString(&_VEK_GOETTER_WECHSEL)) == 0) ld->Speichern = ld->Fertig = 1;
        break;
    case GA_VERLASSENFRAGE:
        if (GoetterDialogHooks.Ask(GetString(&_VEK_GOETTER_CHIEF)) == 0) ld->Fertig = 1;
        break;
    }
}

BOOL GoetterScreenInitAllThings(LokalDataGoetter *ld)
{
    const char *pool = IsChunkPresent(ChunkBit(CN_LAND), POOL_OUT) ? POOL_OUT : POOL_IN;
    if (!(ld->Land = (st_LAND *)LoadChunk2Mem(ID_LAND, pool))) {
        std::printf("GoetterScreenInitAllThings: Konnte LandChunk nicht \366ffnen !");
        return 0;
    }
    if (!(ld->Region = GetScreenRegion(kLayout, kMaske))) {
        std::printf("GoetterScreenInitAllThings: Kann TitelbarDaten nicht laden!\n");
        return 0;
    }
    RastPort *rp = DisplayRastPort();
    SetAPen(rp, 7);
    SetDrMd(rp, JAM1);
    SetFont(rp, ld->Font11);
    DrawAllGadgets(rp, ld->Region);
    for (ULONG i = 0; i < ld->Region->CountLocaleTextBox; ++i) {
        const LocaleTextBox &t = ld->Region->LocaleTextBox[i];
        PrintText(rp, t.X0, t.Y0, t.X1, t.Y1, t.LocaleID ? t.LocaleID : "", 0, 7, PT_TOP);
    }
    // A received name need not end within its field.
    if (ld->Land->Goettername[0])
        GoetterNameKopieren(ld->Goettername, ld->Land->Goettername, sizeof ld->Land->Goettername);
    else
        GoetterNameKopieren(ld->Goettername, GetString(&_VEK_GOETTER_NAME), std::strlen(GetString(&_VEK_GOETTER_NAME)));
    NameZeigen(ld);
    if (ld->Land->Gottheit >= 1 && ld->Land->Gottheit <= GOETTER_ANZAHL) GoetterScreenBeschreibung(ld, ld->Land->Gottheit - 1);
    return 1;
}

void GoetterScreenExitAllThings(LokalDataGoetter *ld, int sfx)
{
    if (ld->Speichern && ld->Entered1 && ld->Entered2 && ld->Land) {
        GoetterSetzen(ld->Land, (UBYTE)ld->Gottheit, ld->Goettername);
        if (!AddChunkPool(ld->Land, POOL_OUT)) std::printf("GoetterScreenExitAllThings: Konnte LandChunk nicht speichern !\n");
    }
    for (int i = 0; i < sfx; ++i) CloseKavorSfx((UWORD)(kSfx + i));
    FreeBitMap(ld->Hintergrund);
    ClearRequester(ld->Requester);
    FreeAllGadgets();
    if (ld->Region) ClearScreenRegion(ld->Region);
    FreeVec(ld->Land);
    CloseFont(ld->FontKavor);
    CloseFont(ld->Font11);
}

}  // namespace

ReichDialoge GoetterDialogHooks = {AdvisorMessage, AdvisorAsk, TextBox};

LONG GoetterScreen()
{
    std::printf("Routine: GoetterScreen\n");
    auto *ld = new LokalDataGoetter{};
    if (IsCDReady(nullptr, 0) == 1) PlayCDTrack(nullptr, 0, 10, 10);
    bool bild = false, laeuft = false;
    int sfx = 0;
    if (!(bild = OpenKavorPic(kPath, kPicture, PIC_NOFADE) >= 0)) {
        std::printf("GoetterScreen: Konnte Pic nicht \366ffnen!\n");
    } else if (!(ld->FontKavor = OpenDiskFont("Fonts/KavorC1.fnt")) ||
               !(ld->Font11 = OpenDiskFont("Fonts/XHelvetica11.fnt"))) {
        std::printf("GoetterScreen: Konnte Font nicht laden!\n");
    } else if (!GoetterScreenInitAllThings(ld)) {
        // printed where it failed
    } else if ([&] {
                   for (; sfx < GOETTER_ANZAHL; ++sfx)
                       if (!OpenKavorSfx(kSfxPath, (UWORD)(kSfx + sfx))) return false;
                   return true;
               }() == false) {
        std::printf("GoetterScreen: Konnte Sound nicht laden !\n");
    } else {
        laeuft = true;
        FadeIn();
    }
    while (laeuft && !ld->Fertig) {
        CheckTitleBar(ld->Region->TitleBar, ld->FontKavor, 6);
        const ULONG code = GetKey(GETKEY_TICKS);
        if (code == EVENT_TICK) continue;
        if (code == KEY_ESCAPE) break;
        GadgetData *g = CheckGadgets(DisplayRastPort(), ld->Region, code);
        if (!g) continue;
        const ULONG id = g->ReturnID;
        if ((id & 0xFFFFFF00u) == (MakeGadgetID("GOE0") & 0xFFFFFF00u) && (id & 0xFF) >= '0' && (id & 0xFF) <= '9') {
            GoetterScreenBeschreibung(ld, (int)((id & 0xFF) - '0'));
        } else if (id == MakeGadgetID("EING")) {
            GoetterScreenInputBox(ld);
        } else if (id == MakeGadgetID("INFO")) {
            GoetterDialogHooks.Text(GetString(&_VEK_GOETTER_INFORMATION));
        } else if (ld->Requester && id == MakeGadgetID("SL00")) {
            SetSlider(ld->Requester, (UWORD)std::max<LONG>(GetMouseY(), 0));
            SetRequesterBox(ld->Requester, 0, 0);
        } else if (ld->Requester && (id == MakeGadgetID("UP00") || id == MakeGadgetID("DO00"))) {
            SetSlider(ld->Requester, id == MakeGadgetID("UP00") ? SLIDER_UP10 : SLIDER_DOWN10);
            SetRequesterBox(ld->Requester, 0, 0);
        } else if (id == MakeGadgetID("OKOK")) {
            Verlassen(ld);
        } else if (id == GADGET_EXIT) {
            break;
        }
    }
    GoetterScreenExitAllThings(ld, sfx);
    delete ld;
    if (bild) CloseKavorPic(kPicture, laeuft ? 1 : 0);
    return laeuft ? 42 : -1;
}
