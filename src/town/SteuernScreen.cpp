// Screen 42: the realm's taxes for the next turn. The land tax on a scale,
// the level of justice, customs, the resource tax and the tithe, each in a
// requester with its forecast; the church leads to the gods. Leaving writes
// the TAXE order, also on the way to the gods.
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
#include "media/sound.h"
#include "media/wetterregen.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/store.h"
#include "town/town.h"
#include "town/wirtschaft.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/requester.h"
#include "ui/screendat.h"
#include "world/steuern.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr const char *kSfxPath = "./Data/SfxPath";
constexpr const char *kLayout = "./Data/screendat/Steuern.dat";
constexpr UWORD kPicture = 42;
constexpr ULONG kMaske = SR_TITLEBAR | SR_GADGETDATA;  // 3
constexpr ULONG kMaskeAnzeige = SR_TITLEBAR | SR_GADGETDATA | SR_LOCALETEXTBOX | SR_DISPLAYSTATUSBOX;  // 39
constexpr ULONG kMaskeEingabe = kMaskeAnzeige | SR_STRINGINPUTINFO;                                     // 55
constexpr UWORD kGfx[] = {354, 350, 349};
constexpr UWORD kZeiger = 354, kJustiz = 350, kSkala = 349;
constexpr UWORD kSfx[] = {17, 18, 19, REGEN_SFX};
constexpr LONG kJustizX = 270, kJustizY = 187, kJustizW = 215;
constexpr UWORD kTitel = PT_CENTER | PT_BASELINE | PT_VCENTER;               // 37
constexpr UWORD kWert = PT_CENTER | PT_BASELINE | PT_FILL | PT_VCENTER;      // 45

#define VERSCHONT_SCREEN {0, 0, 639, 16}, {0, 0, 16, 480}, {623, 0, 639, 480}, {0, 463, 640, 480}, \
                         {170, 0, 470, 36}, {25, 414, 69, 455}, {569, 414, 612, 455}
Rechteck kVerschont[] = {VERSCHONT_SCREEN, {0xFFFF, 0, 0, 0}};
Rechteck kVerschontKlein[] = {VERSCHONT_SCREEN, {168, 180, 472, 298}, {0xFFFF, 0, 0, 0}};
Rechteck kVerschontGross[] = {VERSCHONT_SCREEN, {168, 129, 472, 352}, {0xFFFF, 0, 0, 0}};
Rechteck kVerschontInfo[] = {VERSCHONT_SCREEN, {66, 50, 573, 431}, {0xFFFF, 0, 0, 0}};
#undef VERSCHONT_SCREEN

struct SteuernDaten {
    LokalDataSteuernScreen d;
    ScreenRegion *Region = nullptr;
    TextFont *VekFont4Ptr = nullptr, *VekFontPtr = nullptr;
    WetterRegen Regen{};
};

// One open requester: its layout, the screen part under it.
struct Req {
    ScreenRegion *r = nullptr;
    BitMap *unter = nullptr;
    LONG x = 0, y = 0, w = 0, h = 0;
};

enum class Art { Grund, Justiz, Zoll, HQ, Zehnte };

struct ReqForm {
    const char *file;
    ULONG mask;
    UWORD bild;
    LONG x, y, w, h;
    Rechteck *verschont;
};
const ReqForm kFormen[] = {
    {"./Data/screendat/SteuernReq4.dat", kMaskeAnzeige, 349, 168, 180, 304, 119, kVerschontKlein},
    {"./Data/screendat/SteuernReq1.dat", kMaskeAnzeige, 346, 168, 180, 304, 119, kVerschontKlein},
    {"./Data/screendat/SteuernReq2.dat", kMaskeEingabe, 347, 168, 176, 304, 165, kVerschontGross},
    {"./Data/screendat/SteuernReq3.dat", kMaskeAnzeige, 348, 168, 129, 304, 223, kVerschontGross},
    {"./Data/screendat/SteuernReq5.dat", kMaskeEingabe, 347, 168, 176, 304, 165, kVerschontKlein},
};

void Zahl(SteuernDaten *st, Req &q, ULONG box, const char *format, long long v, UWORD modus = kTitel)
{
    if (!q.r || box >= q.r->CountDisplayStatusBox) return;
    const DisplayStatusBox &b = q.r->DisplayStatusBox[box];
    char t[24];
    std::snprintf(t, sizeof t, format, v);
    RastPort *rp = DisplayRastPort();
    SetFont(rp, st->VekFont4Ptr);
    SetDrMd(rp, JAM1);
    PrintText(rp, b.X0, b.Y0, b.X1, b.Y1, t, b.BGPen, b.FGPen, modus);
    UpdateRectangle(b.X0, b.Y0, b.X1 - b.X0 + 1, b.Y1 - b.Y0 + 1);
}

BOOL Oeffnen(SteuernDaten *st, const ReqForm &f, Req &q)
{
    RegenVerschonen(&st->Regen, f.verschont);
    q.r = GetScreenRegion(f.file, f.mask);
    if (!q.r) return 0;
    q.x = f.x, q.y = f.y, q.w = f.w, q.h = f.h;
    q.unter = ScreenSaveClip(q.x, q.y, q.w, q.h);
    if (!q.unter) return 0;
    RastPort *rp = DisplayRastPort();
    // The land tax's graphic stays loaded for the whole visit (its scale strip).
    const bool eigen = f.bild != kSkala;
    if (!eigen || OpenKavorGfx(kPath, f.bild) == 1) {
        BlitObjekt(rp, f.bild, q.x, q.y, q.w, q.h);
        if (eigen) CloseKavorGfx(f.bild);
    }
    SetDrMd(rp, JAM1);
    for (ULONG i = 0; i < q.r->CountLocaleTextBox; ++i) {
        const LocaleTextBox &t = q.r->LocaleTextBox[i];
        SetFont(rp, i == 0 ? st->VekFontPtr : st->VekFont4Ptr);
        PrintText(rp, t.X0, t.Y0, t.X1, t.Y1, t.LocaleID ? t.LocaleID : "", 0, 7, kTitel);
    }
    DrawAllGadgets(rp, q.r);
    UpdateRectangle(q.x, q.y, q.w, q.h);
    return 1;
}

void Schliessen(SteuernDaten *st, Req &q)
{
    if (q.unter) ScreenRestoreClip(q.unter, q.x, q.y, q.w, q.h);
    ClearScreenRegion(q.r);
    q = Req{};
    RegenVerschonen(&st->Regen, kVerschont);
}

void Zeiger(SteuernDaten *st)
{
    RastPort *rp = DisplayRastPort();
    if (BitMap *skala = BitMapPtrArray[kSkala - 1]) BltBitMapRastPort(skala, 28, 34, rp, 196, 214, 257, 21, 0xC0);
    BlitObjektMask(rp, kZeiger, 0, GrundsteuerX(st->d.Taxe.Grundsteuer), 216, 0, 0);
    UpdateRectangle(196, 214, 257, 21);
}

// Typing a number over status box 0 at the input record; 1 with a value.
BOOL Tippen(SteuernDaten *st, Req &q, ULONG vorher, char *text)
{
    if (!q.r->CountStringInputInfo || !q.r->CountDisplayStatusBox) return 0;
    const DisplayStatusBox &b = q.r->DisplayStatusBox[0];
    char vorgabe[16];
    std::snprintf(vorgabe, sizeof vorgabe, "%u", (unsigned)vorher);
    return ZahlEingabe(DisplayRastPort(), st->VekFont4Ptr, q.r->StringInputInfo[0], b.X0, b.Y0, b.X1, b.Y1, 34,
                       vorgabe, text);
}

ULONG GebaeudeKosten()
{
    if (!IsChunkPresent(ChunkBit(CN_GEBA), POOL_IN)) return 0;
    auto *geba = (st_GEBA *)LoadChunk2Mem(ID_GEBA, POOL_IN);
    if (!geba) {
        std::printf("ReadSteuernScreenData : Konnte LandChunk nicht \366ffnen !\n");
        return 0;
    }
    const ULONG k = geba->Gesamtkosten;
    FreeVec(geba);
    return k;
}

void ZeigeZehnte(SteuernDaten *st, Req &q, LONG gewinn, UWORD modus)
{
    st_TAXE &t = st->d.Taxe;
    t.ZehnteAusgabe = ZehnteZahlung(t.ZehnteProzent, gewinn);
    Zahl(st, q, 0, "%lld", t.ZehnteProzent, modus);
    Zahl(st, q, 2, "%lld", t.ZehnteAusgabe, modus);
}

// One requester; 0 when it could not be opened.
BOOL Requester(SteuernDaten *st, Art art)
{
    const ReqForm &f = kFormen[(int)art];
    Req q;
    if (!Oeffnen(st, f, q)) {
        std::printf("SteuernScreen: Konnte Requester nicht \366ffnen !\n");
        Schliessen(st, q);
        return 0;
    }
    LokalDataSteuernScreen &d = st->d;
    st_TAXE &t = d.Taxe;
    LONG gewinn = 0;
    switch (art) {
    case Art::Grund:
        Zeiger(st);
        Zahl(st, q, 0, "%lld", GrundsteuerErtrag(d.AnzVolk, t.Grundsteuer));
        break;
    case Art::Justiz:
        d.VorrausJustizsteuer = JustizVorschau(d.AnzVolk, t.Justizia, d.VorrausJustizsteuer);
        Zahl(st, q, 0, "%lld", t.JustizLast);
        Zahl(st, q, 1, "%lld", d.VorrausJustizsteuer);
        break;
    case Art::Zoll:
        d.VorrausZollsteuer = ZollVorschau(d.AnzVolk, t.Zoll100);
        Zahl(st, q, 0, "%lld", t.Zoll100);
        Zahl(st, q, 1, "%lld", t.ZollLast);
        Zahl(st, q, 2, "%lld", d.VorrausZollsteuer);
        break;
    case Art::HQ:
        d.VorrausHQsteuer = HQVorschau(&d);
        Zahl(st, q, 0, "%lld", t.HQPflanzeGold);
        Zahl(st, q, 1, "%lld", t.HQTierGold);
        Zahl(st, q, 2, "%lld", t.HQMineralGold);
        Zahl(st, q, 3, "%lld", t.HQLast);
        Zahl(st, q, 4, "%lld", d.VorrausHQsteuer);
        break;
    case Art::Zehnte:
        gewinn = ZehnteGewinn(d.Piratengold, GebaeudeKosten(), &t);
        Zahl(st, q, 1, "%lld", gewinn);
        ZeigeZehnte(st, q, gewinn, kTitel);
        break;
    }
    // The press that opened the requester ends here: its release is no click on it.
    bool geoeffnet = true;
    for (;;) {
        CheckTitleBar(q.r->TitleBar, st->VekFontPtr, 6);
        const ULONG code = GetKey(0);
        if (code == KEY_ESCAPE) break;
        if (code == EVENT_LEFTDOWN) geoeffnet = false;
        if (code == EVENT_LEFTUP && geoeffnet) {
            geoeffnet = false;
            continue;
        }
        if (art == Art::Grund && code == EVENT_LEFTDOWN) {
            const LONG x = GetMouseX(), y = GetMouseY();
            if (x >= STEUER_SKALA_X0 && x <= STEUER_SKALA_X1 && y >= 220 && y <= 230) {
                t.Grundsteuer = GrundsteuerVonX(x);
                Zeiger(st);
                Zahl(st, q, 0, "%lld", GrundsteuerErtrag(d.AnzVolk, t.Grundsteuer), kWert);
                continue;
            }
        }
        GadgetData *g = CheckGadgets(DisplayRastPort(), q.r, code);
        if (!g) continue;
        if (g->ReturnID == GADGET_EXIT) break;
        if (g->ReturnID != MakeGadgetID("INPU") || (art != Art::Zoll && art != Art::Zehnte)) continue;
        char text[16];
        if (art == Art::Zoll) {
            if (Tippen(st, q, t.Zoll100, text)) t.Zoll100 = SteuerZahl(text);
            d.VorrausZollsteuer = ZollVorschau(d.AnzVolk, t.Zoll100);
            Zahl(st, q, 0, "%lld", t.Zoll100, kWert);
            Zahl(st, q, 2, "%lld", d.VorrausZollsteuer, kWert);
        } else {
            if (Tippen(st, q, t.ZehnteProzent, text)) t.ZehnteProzent = ZehnteProzentVon(text);
            ZeigeZehnte(st, q, gewinn, kWert);
        }
    }
    Schliessen(st, q);
    return 1;
}

void Justizbild(SteuernDaten *st)
{
    const UWORD justizia = st->d.Taxe.Justizia;  // packed: read by value
    const UWORD bild = (UWORD)(kJustiz + std::min<UWORD>(justizia, 3));
    if (OpenKavorGfx(kPath, bild) == 1) {
        BlitObjekt(DisplayRastPort(), bild, kJustizX, kJustizY, kJustizW, 0);
        CloseKavorGfx(bild);
    }
}

void Melde(SteuernDaten *st, const LocStr &text)
{
    RegenVerschonen(&st->Regen, kVerschontKlein);
    WirtschaftDialogHooks.Meldung(GetString(&text));
    RegenVerschonen(&st->Regen, kVerschont);
}

// The church: 1 when the player chose the gods.
BOOL Kirche(SteuernDaten *st)
{
    if (!st->d.Taxe.KirchenPunkte) {
        Melde(st, _VEK_STEUERN_KIRCHENSTEUER1);
        return 0;
    }
    std::vector<char> zeilen(3 * REQ_LINE_SIZE, 0);
    const LocStr *texte[3] = {&_VEK_STEUERN_GOETTER, &_VEK_STEUERN_KIRCHENSTEUER, &_VEK_KASREQX_TBAR_X};
    for (int i = 0; i < 3; ++i) std::snprintf(&zeilen[i * REQ_LINE_SIZE], REQ_LINE_SIZE, "%s", GetString(texte[i]));
    RegenVerschonen(&st->Regen, kVerschontKlein);
    const LONG wahl = WirtschaftDialogHooks.Wahl(3, zeilen.data());
    RegenVerschonen(&st->Regen, kVerschont);
    if (wahl == 1) return 1;
    if (wahl == 2) Melde(st, _VEK_STEUERN_KIRCHENSTEUER1);
    return 0;
}

BOOL Schreiben(SteuernDaten *st)
{
    if (WriteSteuernScreenData(&st->d)) return 1;
    std::printf("WriteSteuernScreenData : Konnte Steuer-Daten nicht speichern !\n");
    return 0;
}

}  // namespace

LONG SteuernScreen()
{
    std::printf("Routine: SteuernScreen\n");
    auto *st = new SteuernDaten{};
    if (IsCDReady(nullptr, 0) == 1) PlayCDTrack(nullptr, 0, 4, 4);
    const bool bild = OpenKavorPic(kPath, kPicture, PIC_NOFADE) >= 0;
    bool laeuft = false;
    int gfx = 0;
    if (!bild) {
        std::printf("SteuernScreen: Konnte Pic nicht \366ffnen!\n");
    } else if (!ReadSteuernScreenData(&st->d)) {
        std::printf("SteuernScreen: Konnte Land-Daten nicht laden !\n");
    } else if ([&] {
                   for (; gfx < 3; ++gfx)
                       if (OpenKavorGfx(kPath, kGfx[gfx]) != 1) return false;
                   return true;
               }() == false) {
        std::printf("LoadSteuernScreenGfx : Konnte Grafik nicht \366ffnen!\n");
        std::printf("SteuernScreen: Konnte Grafiken nicht laden !\n");
    } else {
        for (UWORD s : kSfx)
            if (!OpenKavorSfx(kSfxPath, s)) std::printf("SteuernScreen: Konnte Sound-FX %u nicht laden\n", s);
        if (!(st->VekFont4Ptr = OpenDiskFont("Fonts/XHelvetica11.fnt"))) {
            std::printf("SteuernScreen: Konnte Font nicht laden!\n");
        } else if (!(st->VekFontPtr = OpenDiskFont("Fonts/KavorC1.fnt"))) {
            std::printf("SteuernScreen: Konnte Kavor-Font nicht \366ffnen !");
        } else if (!(st->Region = GetScreenRegion(kLayout, kMaske))) {
            std::printf("SteuernScreen: Kann TitelbarDaten nicht laden!\n");
        } else {
            laeuft = true;
        }
    }
    if (laeuft) {
        RastPort *rp = DisplayRastPort();
        SetAPen(rp, 7);
        SetDrMd(rp, JAM1);
        SetFont(rp, st->VekFont4Ptr);
        Justizbild(st);
        DrawAllGadgets(rp, st->Region);
        for (ULONG i = 0; i < st->Region->CountLocaleTextBox; ++i) {
            const LocaleTextBox &t = st->Region->LocaleTextBox[i];
            PrintText(rp, t.X0, t.Y0, t.X1, t.Y1, t.LocaleID ? t.LocaleID : "", 0, 7, 5);
        }
        FadeIn();
        RegenStart(&st->Regen, kVerschont);
    }
    LONG next = -1;
    ULONG klangTicks = 0, klangIntervall = 10;
    while (laeuft && next == -1) {
        CheckTitleBar(st->Region->TitleBar, st->VekFontPtr, 6);
        const ULONG code = GetKey(GETKEY_TICKS);
        if (code == EVENT_TICK) {
            if (++klangTicks >= klangIntervall) {
                klangIntervall = Wuerfel(5) * 20 + 20;
                SfxPlayer(kSfx[Wuerfel(2)], 0, 0);
                klangTicks = 0;
            }
            RegenTick(&st->Regen, (UBYTE)std::min<UWORD>(st->d.Wetter, 255));
            continue;
        }
        if (code == KEY_ESCAPE) {
            next = 2;
            Schreiben(st);
            break;
        }
        GadgetData *g = CheckGadgets(DisplayRastPort(), st->Region, code);
        if (!g) continue;
        const ULONG id = g->ReturnID;
        Art art = Art::Grund;
        bool req = true;
        if (id == MakeGadgetID("GRUN")) art = Art::Grund;
        else if (id == MakeGadgetID("JUS2")) art = Art::Justiz;
        else if (id == MakeGadgetID("ZOLL")) art = Art::Zoll;
        else if (id == MakeGadgetID("HILF")) art = Art::HQ;
        else if (id == MakeGadgetID("ZEHN")) art = Art::Zehnte;
        else req = false;
        if (req) {
            if (art == Art::Zehnte && !st->d.Taxe.ZehnteID) {
                Melde(st, _VEK_STEUERN_ZEHNTENSTEUER);
            } else if (!Requester(st, art)) {
                // The visit's settings are kept, as on the way out.
                Schreiben(st);
                next = 2;
            }
        } else if (id == MakeGadgetID("JUS1")) {
            st->d.Taxe.Justizia = NaechsteJustiz(st->d.Taxe.Justizia);
            Justizbild(st);
        } else if (id == MakeGadgetID("KIRC")) {
            // Whatever the player set on this visit goes with the way to the gods.
            if (Kirche(st) && Schreiben(st)) next = 1085;
        } else if (id == MakeGadgetID("INFO")) {
            RegenVerschonen(&st->Regen, kVerschontInfo);
            WirtschaftDialogHooks.Text(GetString(&_VEK_STEUERN_INFOTEXT1));
            RegenVerschonen(&st->Regen, kVerschont);
        } else if (id == GADGET_EXIT) {
            Schreiben(st);
            next = 2;
        }
    }
    RegenEnde(&st->Regen);
    for (UWORD s : kSfx) {
        StopSfx(s);
        CloseKavorSfx(s);
    }
    FreeAllGadgets();
    ClearScreenRegion(st->Region);
    CloseFont(st->VekFont4Ptr);
    CloseFont(st->VekFontPtr);
    for (int i = gfx - 1; i >= 0; --i) CloseKavorGfx(kGfx[i]);
    delete st;
    if (bild) CloseKavorPic(kPicture, laeuft ? 1 : 0);
    return laeuft ? next : -1;
}
