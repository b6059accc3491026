// Screen 34, the diplomat's office: a main page and five pages over the
// contract rules (world/vertrag.h): the received contracts with their
// documents, trade offers made and accepted, vassalage offered and accepted,
// contracts cancelled, and letters to one ruler read and written.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "media/movie.h"
#include "media/sound.h"
#include "military/briefeditor.h"
#include "military/military.h"
#include "net/gamemail.h"
#include "platform/catalog.h"
#include "platform/files.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/mapnames.h"
#include "store/store.h"
#include "turn/botschaft.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/requester.h"
#include "ui/screendat.h"
#include "world/towns.h"
#include "world/vertrag.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr const char *kSfxPath = "./Data/SfxPath";
constexpr UWORD kSfx = 125;
constexpr UWORD kMarktSlot1 = 16, kMarktSlot2 = 25;

struct Seite {
    ULONG Bild;
    const char *Datei;
    ULONG Maske;
};
constexpr Seite kHaupt{34, "./Data/screendat/DiplomatieMain.dat", 3};
constexpr Seite kAnsicht{273, "./Data/screendat/Diplomatie0.dat", 515};
constexpr Seite kHandel{274, "./Data/screendat/Diplomatie1.dat", 575};
constexpr Seite kAndere{275, "./Data/screendat/Diplomatie2.dat", 519};
constexpr Seite kKuendigen{276, "./Data/screendat/Diplomatie3.dat", 519};
constexpr Seite kBotschaften{276, "./Data/screendat/Diplomatie5.dat", 519};

// The contract document box and the ware picture.
constexpr UWORD kDokX = 313, kDokY = 127, kDokW = 228, kDokH = 234;
constexpr UWORD kDokSliderX = 579, kDokSliderY = 149, kDokSliderW = 16, kDokSliderH = 211;
constexpr UWORD kWareX = 464, kWareY = 75, kWareW = 160, kWareH = 120;
constexpr UWORD kWarenListeX = 311, kWarenListeY = 77, kWarenListeW = 115, kWarenListeH = 311;
constexpr UWORD kWarenSliderX = 436, kWarenSliderY = 108, kWarenSliderW = 16, kWarenSliderH = 250;
constexpr UWORD kListBack = 6, kListText = 7, kBriefBack = 215, kBriefText = 1, kDokText = 118;

constexpr ULONG Id(const char (&s)[5]) { return MakeGadgetID(s); }

struct LokalDataDiplomatieScreen {
    VertragsDaten V;
    BOOL Fertig;
    BOOL Marktplatz;
    struct ScreenRegion *ScreenRegion;
    TextFont *VekFont4Ptr, *VekFont2Ptr, *VekFontPtr;
    VekRequester *SpielerReqPtr, *WarenReqPtr, *DokReqPtr;
    char *DokListBuffer;
    WORD DokCount;
    ListHeader *SmalListPtr;
    ListNode *AktBrief;
    st_MovieBase *MovieBase;
    st_Movie *Movie;
    BOOL Fehler;
};

RastPort *Rp() { return DisplayRastPort(); }

LONG Frage(const char *text) { return VertragMeldungHook(text, 1); }
void Meldung(const char *text) { VertragMeldungHook(text, 0); }

const Rechteck *Rect(LokalDataDiplomatieScreen *d, ULONG n)
{
    if (!d->ScreenRegion || n >= d->ScreenRegion->CountRechteck) return nullptr;
    const Rechteck *r = &d->ScreenRegion->Rechteck[n];
    return r->X1 > r->X0 && r->Y1 > r->Y0 ? r : nullptr;
}

const GadgetData *Gadget(LokalDataDiplomatieScreen *d, ULONG id)
{
    if (!d->ScreenRegion) return nullptr;
    for (ULONG i = 0; i < d->ScreenRegion->CountGadgetData; ++i)
        if (d->ScreenRegion->GadgetData[i].ReturnID == id) return &d->ScreenRegion->GadgetData[i];
    return nullptr;
}

BOOL DiplomatScreenKonstruktor(LokalDataDiplomatieScreen *d, const Seite &s)
{
    FreeAllGadgets();
    ClearScreenRegion(d->ScreenRegion);
    d->ScreenRegion = GetScreenRegion(s.Datei, s.Maske);
    if (!d->ScreenRegion) {
        std::printf("DiplomatScreen: Kann TitelbarDaten nicht laden!\n");
        return 0;
    }
    RastPort *rp = Rp();
    SetAPen(rp, 7);
    SetDrMd(rp, 0);
    SetFont(rp, d->VekFont4Ptr);
    DrawAllGadgets(rp, d->ScreenRegion);
    for (ULONG i = 0; i < d->ScreenRegion->CountLocaleTextBox; ++i) {
        const LocaleTextBox &t = d->ScreenRegion->LocaleTextBox[i];
        if (t.LocaleID && t.X1 > t.X0)
            PrintText(rp, t.X0, t.Y0, t.X1, t.Y1, t.LocaleID, 0, 7, PT_CENTER | PT_VCENTER);
    }
    return 1;
}

// Opens a page's picture and builds it; 0 when either fails.
BOOL SeiteOeffnen(LokalDataDiplomatieScreen *d, const Seite &s, const char *name)
{
    if (OpenKavorPic(kPath, s.Bild, PIC_NOFADE) < 0) {
        std::printf("%s: Konnte Pic nicht \366ffnen!\n", name);
        return 0;
    }
    if (!DiplomatScreenKonstruktor(d, s)) {
        std::printf("%s: Konnte Screen nicht kreieren !", name);
        return 0;
    }
    FadeIn();
    return 1;
}

// Back to the main page: -1 when it cannot be rebuilt.
LONG SeiteSchliessen(LokalDataDiplomatieScreen *d, ULONG bild, LONG result)
{
    CloseKavorPic(bild, 1);
    if (OpenKavorPic(kPath, kHaupt.Bild, PIC_NOFADE) < 0) {
        std::printf("DiplomatScreenTradeContracts: Konnte Pic nicht \366ffnen!\n");
        return -1;
    }
    if (!DiplomatScreenKonstruktor(d, kHaupt)) {
        std::printf("DiplomatScreenTradeContracts: Konnte Screen nicht kreieren !");
        return -1;
    }
    FadeIn();
    return result;
}

// ---- list boxes ----

VekRequester *Liste(LokalDataDiplomatieScreen *d, VekRequester *alt, const char *zeilen, UWORD n, const Rechteck *box,
                    const Rechteck *regler)
{
    if (alt) {
        ClearRequester(alt);
        alt = nullptr;
    }
    if (!zeilen || !n || !box) return nullptr;
    SetFont(Rp(), d->VekFont4Ptr);
    const UWORD w = (UWORD)(box->X1 - box->X0), h = (UWORD)(box->Y1 - box->Y0);
    VekRequester *req = InitRequesterBox(w, n, d->VekFont4Ptr, zeilen, box->X0, box->Y0, w, h, kListBack, kListText);
    if (!req) {
        std::printf("UpdateSpielerRequester: Konnte Spieler-Requester nicht \366ffnen !\n");
        return nullptr;
    }
    if (regler && !InitSlider(req, (UWORD)(regler->X1 - regler->X0), (UWORD)(regler->Y1 - regler->Y0), 26, 22, 25,
                              24, regler->X0, regler->Y0))
        std::printf("UpdateSpielerRequester: Konnte Spieler-Requester nicht neu anlegen !\n");
    return req;
}

void Schieben(VekRequester *req, ULONG id, ULONG down, ULONG up, ULONG slider)
{
    if (!req) return;  // a removed list has nothing to scroll
    if (id == down) SetSlider(req, SLIDER_DOWN10);
    else if (id == up) SetSlider(req, SLIDER_UP10);
    else if (id == slider) SetSlider(req, (UWORD)std::max<LONG>(GetMouseY(), 0));
    else return;
    SetRequesterBox(req, 0, 0);
}

LONG Zeile(VekRequester *req, UWORD back = 7, UWORD text = 6)
{
    if (!req) return -1;
    return SetStringHighLite(req, 0, (UWORD)std::max<LONG>(GetMouseY(), 0), back, text);
}

void Markiere(VekRequester *req, LONG line)
{
    if (req && line >= 0) SetStringHighLite(req, 1, (UWORD)line, 7, 6);
}

// ---- documents ----

BOOL InitDokRequester(LokalDataDiplomatieScreen *d, const char *text)
{
    if (!d->DokListBuffer) {
        d->DokListBuffer = (char *)AllocVec(VERTRAG_DOKUMENT, MEMF_CLEAR);
        if (!d->DokListBuffer) {
            std::printf("InitDokRequester: Konnte Speicher f\374r WarenBuffer nicht allokieren...\n");
            return 0;
        }
    }
    std::snprintf(d->DokListBuffer, VERTRAG_DOKUMENT, "%s", text);
    SetFont(Rp(), d->VekFont2Ptr);
    if (d->DokReqPtr) {
        d->DokReqPtr = UpdateRequesterText(d->DokReqPtr, d->DokListBuffer, 0);
    } else {
        d->DokReqPtr = InitRequesterTextBox(kDokW, d->VekFont2Ptr, d->DokListBuffer, kDokX, kDokY, kDokW, kDokH,
                                            kBriefBack, kDokText, nullptr);
        if (d->DokReqPtr)
            InitSlider(d->DokReqPtr, kDokSliderW, kDokSliderH, 26, 22, 25, 24, kDokSliderX, kDokSliderY);
    }
    if (!d->DokReqPtr) {
        std::printf("InitDokRequester: Konnte Dokument-Requester nicht \366ffnen !\n");
        return 0;
    }
    return 1;
}

void ZeigeDokument(LokalDataDiplomatieScreen *d, LONG line)
{
    const st_VERT_EXT *v = VertragAufZeile(&d->V, line);
    if (!v) return;
    char *text = (char *)AllocVec(VERTRAG_DOKUMENT, MEMF_CLEAR);
    if (!text) return;
    VertragDokument(v, text, VERTRAG_DOKUMENT);
    InitDokRequester(d, text);
    FreeVec(text);
}

void FreeDok(LokalDataDiplomatieScreen *d)
{
    ClearRequester(d->DokReqPtr);
    d->DokReqPtr = nullptr;
    FreeVec(d->DokListBuffer);
    d->DokListBuffer = nullptr;
}

// ---- view contracts ----

LONG DiplomatScreenViewContracts(LokalDataDiplomatieScreen *d)
{
    const char *name = "DiplomatScreenViewContracts";
    if (!SeiteOeffnen(d, kAnsicht, name)) return SeiteSchliessen(d, kAnsicht.Bild, -1);
    LONG result = 0;
    if (!AllocVertragList(&d->V, 1)) {
        std::printf("DiplomatScreenViewContracts: Konnte SpielerListe nicht anlegen !\n");
        result = -1;
    }
    VekRequester *req = Liste(d, nullptr, d->V.VertragListBuffer, d->V.VertragBufferCount, Rect(d, 0), Rect(d, 1));
    if (!req) std::printf("DiplomatScreenViewContracts: Konnte SpielerRequester nicht anlegen !\n");
    for (;;) {
        const ULONG code = GetKey(0x01);
        GadgetData *g = CheckGadgets(Rp(), d->ScreenRegion, code);
        if (!g) continue;
        const ULONG id = g->ReturnID;
        if (id == GADGET_EXIT) break;
        Schieben(req, id, Id("DO10"), Id("UP10"), Id("SL10"));
        if (id == Id("TX10") && !d->V.DummyReqVertrag) {
            const LONG line = Zeile(req);
            if (line >= 0) ZeigeDokument(d, line);
        }
    }
    FreeDok(d);
    ClearRequester(req);
    if (!FreeVertragList(&d->V)) result = -1;
    return SeiteSchliessen(d, kAnsicht.Bild, result);
}

// ---- trade contracts ----

void DruckeWert(LokalDataDiplomatieScreen *d, ULONG gadget, LONG value)
{
    const GadgetData *g = Gadget(d, gadget);
    if (!g) return;
    char text[24];
    std::snprintf(text, sizeof text, "%ld", (long)value);
    RastPort *rp = Rp();
    SetFont(rp, d->VekFont4Ptr);
    SetAPen(rp, kListBack);
    RectFill(rp, g->X0 + 1, g->Y0 + 1, g->X1 - 1, g->Y1 - 1);
    PrintText(rp, g->X0, g->Y0, g->X1, g->Y1, text, kListBack, kListText, PT_CENTER | PT_VCENTER);
}

void PrintDauer(LokalDataDiplomatieScreen *d, LONG value)
{
    StelleDauer(&d->V, value);
    DruckeWert(d, Id("ST20"), d->V.Dauer);
}
void PrintAnzahl(LokalDataDiplomatieScreen *d, LONG value)
{
    StelleAnzahl(&d->V, value);
    DruckeWert(d, Id("ST21"), d->V.Anzahl);
}
void PrintPreis(LokalDataDiplomatieScreen *d, LONG value)
{
    StellePreis(&d->V, value);
    DruckeWert(d, Id("ST22"), d->V.Preis);
}

void DruckeStatus(LokalDataDiplomatieScreen *d, unsigned long long wert)
{
    char text[32];
    std::snprintf(text, sizeof text, "%llu", wert);
    RastPort *rp = Rp();
    SetFont(rp, d->VekFont4Ptr);
    if (d->ScreenRegion && d->ScreenRegion->CountDisplayStatusBox) {
        const DisplayStatusBox &s = d->ScreenRegion->DisplayStatusBox[0];
        SetAPen(rp, s.BGPen);
        RectFill(rp, s.X0, s.Y0, s.X1, s.Y1);
        PrintText(rp, s.X0, s.Y0, s.X1, s.Y1, text, s.BGPen, s.FGPen, PT_CENTER | PT_VCENTER);
    }
}

// Typed entry of a term (ST20 duration, ST21 amount, ST22 price).
void DiplomatieInputBox(LokalDataDiplomatieScreen *d, int feld)
{
    char buffer[EINGABE_MAX + 1];
    const LONG alt = feld == 0 ? d->V.Dauer : feld == 1 ? d->V.Anzahl : d->V.Preis;
    std::snprintf(buffer, sizeof buffer, "%ld", (long)alt);
    if (EingabeBox(buffer, 168, 180, "", "", EINGABE_DIGITS)) {
        buffer[15] = 0;  // at most 15 characters
        SetzeGetippt(&d->V, feld, DiplomatieZahl(buffer));
    }
    DruckeWert(d, Id("ST20"), d->V.Dauer);
    DruckeWert(d, Id("ST21"), d->V.Anzahl);
    DruckeWert(d, Id("ST22"), d->V.Preis);
}

void LeereWare(LokalDataDiplomatieScreen *d)
{
    if (d->Movie) {
        UnloadMovie(d->MovieBase, d->Movie);
        d->Movie = nullptr;
    }
    RastPort *rp = Rp();
    SetAPen(rp, 0);
    RectFill(rp, kWareX, kWareY, kWareX + kWareW - 1, kWareY + kWareH - 1);
}

void SetWarenImage(LokalDataDiplomatieScreen *d, ULONG typ, unsigned long long status)
{
    LeereWare(d);
    if (typ < (ULONG)WAREN_TYPES && WarenWerte[typ][WW_BILD]) {
        if (d->MovieBase) d->Movie = AnimateWare(d->MovieBase, nullptr, (UWORD)typ, kWareX, kWareY);
        if (!d->Movie) {
            const ULONG bild = (ULONG)WarenWerte[typ][WW_BILD];
            if (OpenKavorGfx(kPath, bild) == 1) {
                BlitObjekt(Rp(), bild, kWareX, kWareY, kWareW, kWareH);
                CloseKavorGfx(bild);
            }
        }
    }
    DruckeStatus(d, status);
}

void ZeigeEigeneWare(LokalDataDiplomatieScreen *d)
{
    ULONG typ = 0, verfuegbar = 0;
    UWORD zustand = 0;
    if (!WareAufZeile(&d->V, d->V.Auswahl2, &typ, &verfuegbar, &zustand)) return;
    SetWarenImage(d, typ, verfuegbar);
    d->V.MaxAnzahl = verfuegbar;
    PrintAnzahl(d, 0);
    PrintDauer(d, 0);
}

void ZeigeAngebot(LokalDataDiplomatieScreen *d)
{
    if (!d->V.Waren2Zeilen || d->V.Auswahl2 < 0 || d->V.Auswahl2 >= d->V.Waren2Count) return;
    const st_VERT_EXT &v = ((VertragListEntry *)d->V.Waren2Zeilen[d->V.Auswahl2])->Vertrag;
    const unsigned long long gesamt = (unsigned long long)v.Anzahl * v.Dauer;
    d->V.Dauer = std::max<LONG>(v.Dauer, 1);
    d->V.Preis = (LONG)std::min<ULONG>(+v.Preis, 0x7FFFFFFF);
    d->V.Anzahl = (LONG)std::min<ULONG>(+v.Anzahl, 0x7FFFFFFF);
    d->V.MaxAnzahl = (ULONG)std::min<unsigned long long>(gesamt, 0xFFFFFFFFu);
    SetWarenImage(d, v.WarenTyp, gesamt);
    DruckeWert(d, Id("ST20"), d->V.Dauer);
    DruckeWert(d, Id("ST21"), d->V.Anzahl);
    DruckeWert(d, Id("ST22"), d->V.Preis);
}

void LeereRechts(LokalDataDiplomatieScreen *d)
{
    ClearRequester(d->WarenReqPtr);
    d->WarenReqPtr = nullptr;
    RastPort *rp = Rp();
    SetAPen(rp, kListBack);
    RectFill(rp, kWarenListeX, kWarenListeY, 425, 387);
}

const Rechteck kWarenBox{kWarenListeX, kWarenListeY, (UWORD)(kWarenListeX + kWarenListeW),
                         (UWORD)(kWarenListeY + kWarenListeH)};
const Rechteck kWarenRegler{kWarenSliderX, kWarenSliderY, (UWORD)(kWarenSliderX + kWarenSliderW),
                            (UWORD)(kWarenSliderY + kWarenSliderH)};

void ChangeTradeContractModus(LokalDataDiplomatieScreen *d)
{
    if (!d->SpielerReqPtr) return;
    LeereWare(d);
    if (!d->V.Modus) {
        std::printf("ChangeTradeContractModus : Liste Vertragsangebote...\n");
        d->V.Modus = -1;
        d->V.Meldungen = 0;
        ResetDaten(&d->V);
        d->SpielerReqPtr = Liste(d, d->SpielerReqPtr, d->V.VertragListBuffer, d->V.VertragBufferCount, Rect(d, 0),
                                 Rect(d, 1));
        LeereRechts(d);
    } else {
        std::printf("ChangeTradeContractModus : Liste eigene Angebote...\n");
        d->V.Modus = 0;
        d->V.Meldungen = 1;
        d->V.Auswahl1 = d->V.Auswahl2 = -1;
        d->SpielerReqPtr = Liste(d, d->SpielerReqPtr, d->V.SpielerListBuffer, d->V.SpielerBufferCount, Rect(d, 0),
                                 Rect(d, 1));
        LeereRechts(d);
        d->WarenReqPtr = Liste(d, nullptr, d->V.WarenListBuffer, d->V.WarenBufferCount, &kWarenBox, &kWarenRegler);
    }
    if (!d->SpielerReqPtr) std::printf("ChangeTradeContractModus : Konnte Spielerrequester nicht anlegen...\n");
}

LONG DiplomatScreenTradeContracts(LokalDataDiplomatieScreen *d)
{
    const char *name = "DiplomatScreenTradeContracts";
    if (!SeiteOeffnen(d, kHandel, name)) return SeiteSchliessen(d, kHandel.Bild, -1);
    LONG result = 0;
    d->V.Modus = 0;
    d->V.Meldungen = 1;
    d->V.DummyReqVertrag = d->V.DummyReqSpieler = 0;
    if (!SpielerListeLaden(&d->V)) {
        std::printf("DiplomatScreenTradeContracts: Konnte SpielerListe nicht anlegen !\n");
        result = -1;
    }
    if (!AllocVertragList(&d->V, 2)) {
        std::printf("DiplomatScreenTradeContracts: Konnte VertragListe nicht anlegen !\n");
        result = -1;
    }
    if (!(d->MovieBase = AllocMovieBase(TitelScreenPtr, 0, 0, 0)))
        std::printf("InitAllThingsDiplomatie : AllocMovieBase fehlgeschlagen...\n");
    InitVertragsWerte(&d->V);
    RastPort *rp = Rp();
    SetFont(rp, d->VekFontPtr);
    if (const Rechteck *r = Rect(d, 0))
        PrintText(rp, r->X0, (UWORD)std::max(0, r->Y0 - 14), r->X1, (UWORD)std::max(0, r->Y0 - 2),
                  GetString(&_VEK_DIPLO2_BUSINESSCONTRACTS), 0, 7, PT_CENTER);
    DruckeWert(d, Id("ST20"), d->V.Dauer);
    DruckeWert(d, Id("ST21"), d->V.Anzahl);
    DruckeWert(d, Id("ST22"), d->V.Preis);
    d->SpielerReqPtr = Liste(d, nullptr, d->V.SpielerListBuffer, d->V.SpielerBufferCount, Rect(d, 0), Rect(d, 1));
    if (!d->SpielerReqPtr) std::printf("DiplomatScreenTradeContracts: Konnte SpielerRequester nicht anlegen !\n");
    if (!WarenListeLaden(&d->V)) std::printf("InitWarenRequester : Konnte WarenListe nicht einscannen...\n");
    d->WarenReqPtr = Liste(d, nullptr, d->V.WarenListBuffer, d->V.WarenBufferCount, &kWarenBox, &kWarenRegler);
    std::memset(&d->V.Zaehler, 0, sizeof d->V.Zaehler);

    for (;;) {
        const ULONG code = GetKey(0x01 | GETKEY_TICKS);
        if (code == EVENT_TICK) HaltZaehlerTick(&d->V.Zaehler);
        GadgetData *g = CheckGadgets(rp, d->ScreenRegion, code);
        if (!g) continue;
        const ULONG id = g->ReturnID;
        if (id == GADGET_EXIT) break;
        const bool eigen = d->V.Modus == 0;
        if (eigen && (id == Id("BL01") || id == Id("BR01"))) PrintDauer(d, id == Id("BR01") ? 1 : -1);
        else if (eigen && (id == Id("BL02") || id == Id("BR02"))) PrintAnzahl(d, id == Id("BR02") ? 1 : -1);
        else if (eigen && (id == Id("BL03") || id == Id("BR03"))) PrintPreis(d, id == Id("BR03") ? 1 : -1);
        else if (id == Id("ST20")) DiplomatieInputBox(d, 0);
        else if (id == Id("ST21")) DiplomatieInputBox(d, 1);
        else if (id == Id("ST22")) DiplomatieInputBox(d, 2);
        else if (id == Id("BU20")) {
            if (eigen) {
                if (!SendVertrag(&d->V, VA_HANDELSANGEBOT)) result = -1;
            } else {
                ChangeTradeContractModus(d);
            }
        } else if (id == Id("BU21")) {
            if (eigen) {
                ChangeTradeContractModus(d);
            } else if (!d->V.DummyReqVertrag && d->V.Auswahl2 >= 0 &&
                       Frage(GetString(&_VEK_DIPLO1_ACCEPTCONTRACT)) == 0) {
                if (!SendVertrag(&d->V, VA_ANNAHME)) result = -1;
                LeereWare(d);
                d->SpielerReqPtr = Liste(d, d->SpielerReqPtr, d->V.VertragListBuffer, d->V.VertragBufferCount,
                                         Rect(d, 0), Rect(d, 1));
                LeereRechts(d);
                if (d->V.Auswahl1 >= 0 && d->V.Waren2Count) {
                    d->WarenReqPtr = Liste(d, nullptr, d->V.Waren2ListBuffer, d->V.Waren2Count, &kWarenBox,
                                           &kWarenRegler);
                    Markiere(d->SpielerReqPtr, d->V.Auswahl1);
                }
            }
        } else if (id == Id("BU22")) {
            if (!SendVertrag(&d->V, VA_WERBUNG)) result = -1;
        } else if (id == Id("BU23") && eigen) {
            ResetDaten(&d->V);
            LeereWare(d);
            DruckeWert(d, Id("ST20"), d->V.Dauer);
            DruckeWert(d, Id("ST21"), d->V.Anzahl);
            DruckeWert(d, Id("ST22"), d->V.Preis);
            d->SpielerReqPtr = Liste(d, d->SpielerReqPtr, d->V.SpielerListBuffer, d->V.SpielerBufferCount,
                                     Rect(d, 0), Rect(d, 1));
            d->WarenReqPtr = Liste(d, d->WarenReqPtr, d->V.WarenListBuffer, d->V.WarenBufferCount, &kWarenBox,
                                   &kWarenRegler);
        } else if (id == Id("TX20")) {
            if (eigen ? d->V.DummyReqSpieler : d->V.DummyReqVertrag) continue;
            const LONG line = Zeile(d->SpielerReqPtr);
            if (line < 0) continue;
            d->V.Auswahl1 = (WORD)line;
            if (!eigen) {
                LeereRechts(d);
                d->V.Auswahl2 = -1;
                if (VertragAngebotsZeilen(&d->V, line)) {
                    d->WarenReqPtr = Liste(d, nullptr, d->V.Waren2ListBuffer, d->V.Waren2Count, &kWarenBox,
                                           &kWarenRegler);
                    d->V.Auswahl2 = 0;
                    Markiere(d->WarenReqPtr, 0);
                    ZeigeAngebot(d);
                }
            }
        } else if (id == Id("TX21")) {
            if (d->V.Auswahl1 < 0) continue;
            const LONG line = Zeile(d->WarenReqPtr);
            if (line < 0) continue;
            d->V.Auswahl2 = (WORD)line;
            if (eigen) ZeigeEigeneWare(d);
            else ZeigeAngebot(d);
        } else {
            Schieben(d->SpielerReqPtr, id, Id("DO20"), Id("UP20"), Id("SL20"));
            Schieben(d->WarenReqPtr, id, Id("DO21"), Id("UP21"), Id("SL21"));
        }
    }
    d->V.Modus = 0;
    d->V.Preis = d->V.Dauer = d->V.Anzahl = 0;
    LeereWare(d);
    ClearRequester(d->SpielerReqPtr);
    ClearRequester(d->WarenReqPtr);
    d->SpielerReqPtr = d->WarenReqPtr = nullptr;
    if (d->MovieBase) FreeMovieBase(d->MovieBase);
    d->MovieBase = nullptr;
    if (!FreeVertragList(&d->V)) result = -1;
    VertragsDatenFrei(&d->V);
    return SeiteSchliessen(d, kHandel.Bild, result);
}

// ---- other contracts ----

void AndereRechts(LokalDataDiplomatieScreen *d)
{
    ClearRequester(d->WarenReqPtr);
    d->WarenReqPtr = nullptr;
    const Rechteck *box = Rect(d, 2) ? Rect(d, 2) : nullptr;
    if (const Rechteck *r = box) {
        SetAPen(Rp(), kListBack);
        RectFill(Rp(), r->X0, r->Y0, r->X1, r->Y1);
    }
    if (!d->V.Modus) {
        static char zeile[VERTRAG_ZEILE];
        std::snprintf(zeile, sizeof zeile, "%s", GetString(&_VEK_DIPLO3_LEHNSHERREN_2));
        d->WarenReqPtr = Liste(d, nullptr, zeile, 1, box, Rect(d, 3));
    } else if (d->V.Auswahl1 >= 0 && VertragAngebotsZeilen(&d->V, d->V.Auswahl1)) {
        d->WarenReqPtr = Liste(d, nullptr, d->V.Waren2ListBuffer, d->V.Waren2Count, box, Rect(d, 3));
    }
}

void ChangeOtherContractModus(LokalDataDiplomatieScreen *d)
{
    d->V.Modus = d->V.Modus ? 0 : -1;
    if (!d->V.Modus) {
        std::printf("ChangeOtherContractModus : Liste Spieler an die wir Vertr\344ge senden k\366nnen...\n");
        d->SpielerReqPtr = Liste(d, d->SpielerReqPtr, d->V.SpielerListBuffer, d->V.SpielerBufferCount, Rect(d, 0),
                                 Rect(d, 1));
    } else {
        std::printf("ChangeOtherContractModus : Liste Spieler von denen wir Vertr\344ge bekommen haben...\n");
        d->SpielerReqPtr = Liste(d, d->SpielerReqPtr, d->V.VertragListBuffer, d->V.VertragBufferCount, Rect(d, 0),
                                 Rect(d, 1));
    }
    if (!d->SpielerReqPtr) std::printf("ChangeOtherContractModus : Konnte Spielerrequester nicht anlegen...\n");
    d->V.Auswahl1 = d->V.Auswahl2 = -1;
    AndereRechts(d);
}

LONG DiplomatScreenOtherContracts(LokalDataDiplomatieScreen *d)
{
    const char *name = "DiplomatScreenOtherContracts";
    if (!SeiteOeffnen(d, kAndere, name)) return SeiteSchliessen(d, kAndere.Bild, -1);
    LONG result = 0;
    d->V.Modus = 0;
    d->V.Auswahl1 = d->V.Auswahl2 = -1;
    if (!SpielerListeLaden(&d->V)) {
        std::printf("DiplomatScreenOtherContracts: Konnte SpielerListe nicht anlegen !\n");
        result = -1;
    }
    if (!AllocVertragList(&d->V, 3)) result = -1;
    d->SpielerReqPtr = Liste(d, nullptr, d->V.SpielerListBuffer, d->V.SpielerBufferCount, Rect(d, 0), Rect(d, 1));
    if (!d->SpielerReqPtr) std::printf("DiplomatScreenOtherContracts: Konnte SpielerRequester nicht anlegen !\n");
    AndereRechts(d);
    for (;;) {
        const ULONG code = GetKey(0x01);
        GadgetData *g = CheckGadgets(Rp(), d->ScreenRegion, code);
        if (!g) continue;
        const ULONG id = g->ReturnID;
        if (id == GADGET_EXIT) break;
        if (id == Id("BU30")) {
            if (!SendVertrag(&d->V, d->V.Modus ? VA_LEHNSANNAHME : VA_LEHNSANGEBOT)) result = -1;
        } else if (id == Id("BU31") || id == Id("BU32")) {
            Meldung(GetString(&_VEK_ZUKUNFT_ERWEITERT));
        } else if ((id == Id("CH30") && d->V.Modus) || (id == Id("CH31") && !d->V.Modus)) {
            ChangeOtherContractModus(d);
        } else if (id == Id("TX30")) {
            if (d->V.Modus ? d->V.DummyReqVertrag : d->V.DummyReqSpieler) continue;
            const LONG line = Zeile(d->SpielerReqPtr);
            if (line < 0) continue;
            d->V.Auswahl1 = (WORD)line;
            d->V.Auswahl2 = -1;
            AndereRechts(d);
        } else if (id == Id("TX31")) {
            const LONG line = Zeile(d->WarenReqPtr);
            if (line >= 0 && d->V.Modus) d->V.Auswahl2 = (WORD)line;
        } else {
            Schieben(d->SpielerReqPtr, id, Id("DO30"), Id("UP30"), Id("SL30"));
            Schieben(d->WarenReqPtr, id, Id("DO31"), Id("UP31"), Id("SL31"));
        }
    }
    ClearRequester(d->SpielerReqPtr);
    ClearRequester(d->WarenReqPtr);
    d->SpielerReqPtr = d->WarenReqPtr = nullptr;
    if (!FreeVertragList(&d->V)) result = -1;
    VertragsDatenFrei(&d->V);
    return SeiteSchliessen(d, kAndere.Bild, result);
}

// ---- cancel contracts ----

LONG DiplomatScreenDeleteContracts(LokalDataDiplomatieScreen *d)
{
    const char *name = "DiplomatScreenDeleteContracts";
    if (!SeiteOeffnen(d, kKuendigen, name)) return SeiteSchliessen(d, kKuendigen.Bild, -1);
    LONG result = 0;
    if (!AllocVertragList(&d->V, 4)) {
        std::printf("DiplomatScreenDeleteContracts: Konnte SpielerListe nicht anlegen !\n");
        result = -1;
    }
    d->SpielerReqPtr = Liste(d, nullptr, d->V.VertragListBuffer, d->V.VertragBufferCount, Rect(d, 0), Rect(d, 1));
    if (!d->SpielerReqPtr) std::printf("DiplomatScreenDeleteContracts: Konnte SpielerRequester nicht anlegen !\n");
    LONG gewaehlt = -1;
    for (;;) {
        const ULONG code = GetKey(0x01);
        GadgetData *g = CheckGadgets(Rp(), d->ScreenRegion, code);
        if (!g) continue;
        const ULONG id = g->ReturnID;
        if (id == GADGET_EXIT) break;
        LONG neu = -2;
        const LONG n = d->V.DummyReqVertrag ? 0 : d->V.VertragBufferCount;
        if (id == Id("LE30") && gewaehlt >= 0 && n) neu = gewaehlt == 0 ? n - 1 : gewaehlt - 1;
        else if (id == Id("RE30") && gewaehlt >= 0 && n) neu = gewaehlt + 1 >= n ? 0 : gewaehlt + 1;
        else if (id == Id("TX30") && n) neu = Zeile(d->SpielerReqPtr);
        else if (id == Id("BU31") && gewaehlt >= 0) {
            BOOL gekuendigt = 0;
            if (!VertragKuendigen(&d->V, gewaehlt, &gekuendigt)) {
                std::printf("DiplomatScreenDeleteContracts: Konnte Vertrag nicht k\374ndigen !\n");
                result = -1;
            }
            if (gekuendigt) {
                // The list is rebuilt; after the last contract the box goes.
                ClearRequester(d->SpielerReqPtr);
                d->SpielerReqPtr = nullptr;
                if (const Rechteck *r = Rect(d, 0)) {
                    SetAPen(Rp(), 0);
                    RectFill(Rp(), r->X0, r->Y0, r->X1, r->Y1);
                }
                gewaehlt = -1;
                if (!d->V.DummyReqVertrag) {
                    d->SpielerReqPtr = Liste(d, nullptr, d->V.VertragListBuffer, d->V.VertragBufferCount,
                                             Rect(d, 0), Rect(d, 1));
                    neu = 0;
                } else {
                    FreeDok(d);
                }
            }
        } else {
            Schieben(d->SpielerReqPtr, id, Id("DO30"), Id("UP30"), Id("SL30"));
        }
        if (neu >= 0 && neu < n) {
            gewaehlt = neu;
            Markiere(d->SpielerReqPtr, gewaehlt);
            ZeigeDokument(d, gewaehlt);
        }
    }
    FreeDok(d);
    ClearRequester(d->SpielerReqPtr);
    d->SpielerReqPtr = nullptr;
    if (!FreeVertragList(&d->V)) result = -1;
    VertragsDatenFrei(&d->V);
    return SeiteSchliessen(d, kKuendigen.Bild, result);
}

// ---- personal messages ----

std::vector<ListNode *> Briefe(ListHeader *l)
{
    std::vector<ListNode *> out;
    if (!l || !l->FirstNode) return out;
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; i < l->Elemente; ++i, n = n->Next) out.push_back(n);
    return out;
}

SmalListEntry *Brief(ListNode *n) { return (SmalListEntry *)NodeData(n); }

void BriefKopfUndText(LokalDataDiplomatieScreen *d, const char *kopf, const char *text)
{
    const Rechteck *box = Rect(d, 0);
    if (!box) return;
    RastPort *rp = Rp();
    SetFont(rp, d->VekFont4Ptr);
    const UWORD kopfH = 14;
    SetAPen(rp, kBriefBack);
    RectFill(rp, box->X0, box->Y0, box->X1, box->Y0 + kopfH - 1);
    if (!text) {
        RectFill(rp, box->X0, box->Y0, box->X1, box->Y1);
        ClearRequester(d->DokReqPtr);
        d->DokReqPtr = nullptr;
        return;
    }
    PrintText(rp, box->X0, box->Y0, box->X1, (UWORD)(box->Y0 + kopfH - 1), kopf, kBriefBack, kBriefText, PT_VCENTER);
    if (!d->DokListBuffer) d->DokListBuffer = (char *)AllocVec(VERTRAG_DOKUMENT, MEMF_CLEAR);
    if (!d->DokListBuffer) return;
    std::snprintf(d->DokListBuffer, VERTRAG_DOKUMENT, "%s", text[0] ? text : " ");
    const UWORD w = (UWORD)(box->X1 - box->X0), h = (UWORD)(box->Y1 - box->Y0 - kopfH);
    if (d->DokReqPtr) {
        d->DokReqPtr = UpdateRequesterText(d->DokReqPtr, d->DokListBuffer, 0);
    } else {
        d->DokReqPtr = InitRequesterTextBox(w, d->VekFont4Ptr, d->DokListBuffer, box->X0, (UWORD)(box->Y0 + kopfH), w,
                                            h, kBriefBack, kBriefText, nullptr);
        if (!d->DokReqPtr) std::printf("DiplomatScreenBotschaften_Read : Konnte Requester nicht initalisieren!\n");
        else if (const Rechteck *r = Rect(d, 1))
            if (!InitSlider(d->DokReqPtr, (UWORD)(r->X1 - r->X0), (UWORD)(r->Y1 - r->Y0), 26, 22, 25, 24, r->X0,
                            r->Y0))
                std::printf("DiplomatScreenBotschaften_Read : Konnte Slider nicht initalisieren!\n");
    }
}

// Shows a letter: richtung 0 the current (CH40), -1 previous, 1 next.
void DiplomatScreenBotschaften_Read(LokalDataDiplomatieScreen *d, int richtung)
{
    if (!d->SmalListPtr) {
        if (UserSystem.OP.TCPIP_Flags & TRANSPORT_GAMESERVER) HoleBotschaftPerTCPIP();
        d->SmalListPtr = CreateList(LISTE_BRIEFE);
        if (!d->SmalListPtr) {
            std::printf("DiplomatScreenBotschaften_Read : kein Speicher f\374r ListHeader vorhanden...\n");
            return;
        }
        ScanSmals2List(d->SmalListPtr, MAILIN_DIR, "        _  .smal", 1);
        std::vector<ListNode *> nodes = Briefe(d->SmalListPtr);
        std::stable_sort(nodes.begin(), nodes.end(), [](ListNode *a, ListNode *b) { return Brief(a)->Date > Brief(b)->Date; });
        for (ListNode *n : nodes) {
            d->SmalListPtr->ActNode = n;
            DeleteNode(d->SmalListPtr, LIST_ACT, 0, LIST_UNLINK_ONLY);
        }
        for (ListNode *n : nodes) InsertNode(d->SmalListPtr, n, LIST_LAST, 0);
        d->AktBrief = nodes.empty() ? nullptr : nodes[0];
        d->DokCount = 0;
    }
    std::vector<ListNode *> nodes = Briefe(d->SmalListPtr);
    if (nodes.empty() || !d->AktBrief) {
        BriefKopfUndText(d, "", nullptr);
        return;
    }
    const LONG n = (LONG)nodes.size();
    const LONG aktuell = (LONG)(std::find(nodes.begin(), nodes.end(), d->AktBrief) - nodes.begin());
    std::vector<LONG> absender;
    for (ListNode *k : nodes) absender.push_back(+Brief(k)->AbsenderID);
    ULONG filter = 0;
    const bool mitFilter = GewaehlterSpieler(&d->V, &filter, nullptr, 0);
    const LONG pos = BriefWeg(absender.data(), n, aktuell, richtung, mitFilter, (LONG)filter);
    d->AktBrief = nodes[pos];
    d->DokCount = (WORD)(pos + 1);
    SmalListEntry *b = Brief(d->AktBrief);
    char betreff[26];
    std::snprintf(betreff, sizeof betreff, "%.25s", b->Betreff);
    char kopf[200];
    std::snprintf(kopf, sizeof kopf, "%s %s (%u/%u)", GetString(&_VEK_OFFLINE_BETREFF), betreff, (unsigned)d->DokCount,
                  (unsigned)n);
    BriefKopfUndText(d, kopf, b->MailPtr ? b->MailPtr : "");
}

// BU41: deletes the shown letter's file when it is a plain name inside the
// mailbox, and drops it from the list.
void BriefLoeschen(LokalDataDiplomatieScreen *d)
{
    if (!d->SmalListPtr || !d->AktBrief) return;
    const char *datei = Brief(d->AktBrief)->ChunkFilename;
    const size_t n = std::strlen(MAILIN_DIR);
    const char *rest = std::strncmp(datei, MAILIN_DIR, n) == 0 ? datei + n : nullptr;
    if (!rest || !rest[0] || std::strchr(rest, '/') || rest[0] == '.') return;
    DeleteFile(datei);
    std::vector<ListNode *> nodes = Briefe(d->SmalListPtr);
    const LONG pos = (LONG)(std::find(nodes.begin(), nodes.end(), d->AktBrief) - nodes.begin());
    d->SmalListPtr->ActNode = d->AktBrief;
    DeleteNode(d->SmalListPtr, LIST_ACT, 0, LIST_FREE_OWNED);
    nodes.erase(nodes.begin() + pos);
    d->AktBrief = nodes.empty() ? nullptr : nodes[std::min<LONG>(pos, (LONG)nodes.size() - 1)];
}

void DiplomatScreenBotschaften_Write(LokalDataDiplomatieScreen *d)
{
    ULONG id = 0;
    char name[81];
    if (!GewaehlterSpieler(&d->V, &id, name, sizeof name)) {
        Meldung(GetString(&_VEK_DIPLO_BOTSCHAFTEN));
        return;
    }
    auto *r = (LokalDataTaverneOfflineChat *)AllocVec(sizeof(LokalDataTaverneOfflineChat), MEMF_CLEAR);
    if (!r) {
        std::printf("DiplomatScreenBotschaften_Write: Kein Speicher f\374r lokale Variablen!\n");
        return;
    }
    r->ScreenRegion = d->ScreenRegion;
    r->BackgroundColor = kBriefBack;
    r->TextColor = kBriefText;
    r->TitleBarFontPtr = d->VekFontPtr;
    r->EmpfaengerName = name;
    r->EmpfaengerID = (LONG)id;
    r->CompleteHeader = 1;
    r->VekFont3Ptr = OpenDiskFont("Fonts/Xen8.fnt");
    if (!r->VekFont3Ptr) std::printf("DiplomatScreenBotschaften_Write: Konnte Kavor-Font nicht \366ffnen!\n");
    else TaverneOfflineWriteMail(r, nullptr);
    CloseFont(r->VekFont3Ptr);
    FreeVec(r);
}

LONG DiplomatScreenBotschaften(LokalDataDiplomatieScreen *d)
{
    const char *name = "DiplomatScreenBotschaften";
    if (!SeiteOeffnen(d, kBotschaften, name)) return SeiteSchliessen(d, kBotschaften.Bild, -1);
    LONG result = 0;
    d->V.Auswahl1 = -1;
    if (!SpielerListeLaden(&d->V)) result = -1;
    d->SpielerReqPtr = Liste(d, nullptr, d->V.SpielerListBuffer, d->V.SpielerBufferCount, Rect(d, 2), Rect(d, 3));
    if (!d->SpielerReqPtr) std::printf("DiplomatScreenBotschaften_Read : Konnte Spielerrequester nicht anlegen...\n");
    for (;;) {
        const ULONG code = GetKey(0x01);
        GadgetData *g = CheckGadgets(Rp(), d->ScreenRegion, code);
        if (!g) continue;
        const ULONG id = g->ReturnID;
        if (id == GADGET_EXIT) break;
        if (id == Id("TX40")) {
            if (d->V.DummyReqSpieler) continue;
            const LONG line = Zeile(d->SpielerReqPtr);
            if (line >= 0) d->V.Auswahl1 = (WORD)line;
        } else if (id == Id("CH40")) {
            DiplomatScreenBotschaften_Read(d, 0);
        } else if (id == Id("LE40")) {
            DiplomatScreenBotschaften_Read(d, -1);
        } else if (id == Id("RE40")) {
            DiplomatScreenBotschaften_Read(d, 1);
        } else if (id == Id("BU41")) {
            BriefLoeschen(d);
            DiplomatScreenBotschaften_Read(d, 0);
        } else if (id == Id("CH41")) {
            DiplomatScreenBotschaften_Write(d);
        } else if (id == Id("CH42")) {
            Meldung(GetString(&_VEK_ZUKUNFT_ERWEITERT));
        } else {
            Schieben(d->SpielerReqPtr, id, Id("DO40"), Id("UP40"), Id("SL40"));
            Schieben(d->DokReqPtr, id, Id("DO41"), Id("UP41"), Id("SL41"));
        }
    }
    DeleteList(d->SmalListPtr, 1);
    d->SmalListPtr = nullptr;
    d->AktBrief = nullptr;
    FreeDok(d);
    ClearRequester(d->SpielerReqPtr);
    d->SpielerReqPtr = nullptr;
    VertragsDatenFrei(&d->V);
    return SeiteSchliessen(d, kBotschaften.Bild, result);
}

// ---- the screen ----

BOOL ReadDiplomatieScreenData(LokalDataDiplomatieScreen *d)
{
    // Without a KORN chunk there is no corn to offer, and nothing else ends.
    const char *pool = IsChunkPresent(ChunkBit(CN_KORN), POOL_OUT) ? POOL_OUT : POOL_IN;
    d->V.Korn = 0;
    if (IsChunkPresent(ChunkBit(CN_KORN), pool)) {
        auto *korn = (st_KORN *)LoadChunk2Mem(ID_KORN, pool);
        if (korn) d->V.Korn = korn->Kornlager;
        else std::printf("ReadHandelsScreenData : Konnte KornChunk nicht \366ffnen \n");
        FreeVec(korn);
    } else {
        std::printf("ReadHandelsScreenData : KornChunk nicht vorhanden !\n");
    }
    Stadt *t = GetActiveTown((LONG)PlayerInfo.AktStadtID);
    if (!t) {
        std::printf("ReadHandelsScreenData : Konnte Stadt nicht laden!\n");
        return 0;
    }
    d->Marktplatz = (t->GebaeudeAbhaengigkeiten[kMarktSlot1].GfxBitfeld & GFX_THISIMAGEISSET) &&
                    (t->GebaeudeAbhaengigkeiten[kMarktSlot2].GfxBitfeld & GFX_THISIMAGEISSET);
    FreeVec(t);
    return 1;
}

}  // namespace

LONG DiplomatScreen()
{
    std::printf("Routine: DiplomatScreen\n");
    if (IsCDReady(nullptr, 0) == 1) PlayCDTrack(nullptr, 0, 4, 4);
    if (OpenKavorPic(kPath, kHaupt.Bild, PIC_NOFADE) < 0) {
        std::printf("DiplomatScreen: Konnte Pic nicht \366ffnen!\n");
        return -1;
    }
    LONG result = 2;
    auto *d = (LokalDataDiplomatieScreen *)AllocVec(sizeof(LokalDataDiplomatieScreen), MEMF_CLEAR);
    bool sfx = false;
    if (!d) {
        std::printf("DiplomatScreen: Kein Speicher f\374r lokale Daten!\n");
        CloseKavorPic(kHaupt.Bild, 1);
        return -1;
    }
    d->V.Auswahl1 = d->V.Auswahl2 = -1;
    if (!(d->VekFont4Ptr = OpenDiskFont("Fonts/XHelvetica11.fnt"))) {
        std::printf("DiplomatScreen: Konnte Font nicht laden!\n");
        result = -1;
    } else if (!(d->VekFontPtr = OpenDiskFont("Fonts/KavorC1.fnt")) ||
               !(d->VekFont2Ptr = OpenDiskFont("Fonts/Topaz.fnt"))) {
        std::printf("DiplomatScreen: Konnte Kavor-Font nicht \366ffnen !\n");
        result = -1;
    } else if (!ReadDiplomatieScreenData(d)) {
        std::printf("DiplomatScreen: Kann lokale Daten nicht initialisieren !\n");
        result = -1;
    } else if (!OpenKavorSfx(kSfxPath, kSfx)) {
        std::printf("DiplomatScreenLoadSfx: Konnte Sound-FX nicht \366ffnen!\n");
        std::printf("DiplomatScreen: Kann Sfx nicht laden !\n");
        result = -1;
    } else {
        sfx = true;
        SfxPlayer(kSfx, 0, 1);
        if (!DiplomatScreenKonstruktor(d, kHaupt)) {
            std::printf("DiplomatScreen: Konnte Screen nicht kreieren !");
            result = -1;
        }
    }
    if (result != -1) {
        FadeIn();
        while (!d->Fertig) {
            if (d->ScreenRegion && d->ScreenRegion->TitleBar) CheckTitleBar(d->ScreenRegion->TitleBar, d->VekFontPtr, 16);
            const ULONG code = GetKey(0x01);
            GadgetData *g = CheckGadgets(Rp(), d->ScreenRegion, code);
            if (!g) continue;
            LONG seite = 0;
            switch (g->ReturnID) {
            case GADGET_EXIT: d->Fertig = 1; break;
            case Id("CH00"): seite = DiplomatScreenViewContracts(d); break;
            case Id("CH01"):
                if (d->Marktplatz) seite = DiplomatScreenTradeContracts(d);
                else Meldung(GetString(&_VEK_DIPLOMAIN_NOMARKETPLACE));
                break;
            case Id("CH02"): seite = DiplomatScreenOtherContracts(d); break;
            case Id("CH03"): seite = DiplomatScreenDeleteContracts(d); break;
            case Id("CH04"): seite = DiplomatScreenBotschaften(d); break;
            default: break;
            }
            if (seite == -1) result = -1;
        }
    }
    if (sfx) {
        StopSfx(kSfx);
        CloseKavorSfx(kSfx);
    }
    FreeAllGadgets();
    ClearScreenRegion(d->ScreenRegion);
    VertragsDatenFrei(&d->V);
    CloseFont(d->VekFont4Ptr);
    CloseFont(d->VekFontPtr);
    CloseFont(d->VekFont2Ptr);
    FreeVec(d);
    CloseKavorPic(kHaupt.Bild, result == -1 ? 0 : 1);
    return result;
}
