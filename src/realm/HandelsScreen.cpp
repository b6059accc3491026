// Screen 108, the market: the home market on the left, the other rulers'
// offers top right, the player's own offers below them. Every change is made
// on working copies (world/handel.h); OKOK stores them as one change, EXIT
// leaves them.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "media/movie.h"
#include "media/sound.h"
#include "platform/catalog.h"
#include "platform/gamevalues.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "realm/realm.h"
#include "store/converters.h"
#include "store/store.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/requester.h"
#include "ui/screendat.h"
#include "world/handel.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr const char *kSfxPath = "./Data/SfxPath";
constexpr ULONG kBild = 108;
constexpr UWORD kSfxErster = 39, kSfxLetzter = 44;
constexpr UWORD kBack = 6, kText = 7;
constexpr UWORD kWareX = 16, kWareY = 16, kWareW = 160, kWareH = 120;

struct Box {
    UWORD x0, y0, x1, y1;
};
// Lists and their sliders.
constexpr Box kListe1{16, 178, 207, 421}, kRegler1{223, 181, 238, 413};
constexpr Box kListe2{271, 48, 589, 221}, kRegler2{604, 71, 619, 201};
constexpr Box kListe3{271, 306, 452, 399}, kRegler3{465, 328, 480, 379};
// Values.
constexpr Box kGold{535, 389, 599, 403}, kGoldBild{512, 307, 622, 382};
constexpr Box kKaufEinheiten{69, 446, 123, 462};
constexpr Box kGebotKopf{271, 229, 455, 244}, kGebotEinheiten{461, 227, 515, 243}, kGebotPreis{538, 227, 592, 243};
constexpr Box kVerkaufZeile{271, 407, 452, 421}, kVerkaufEinheiten{272, 426, 326, 442}, kVerkaufPreis{332, 426, 386, 442};

constexpr ULONG Id(const char (&s)[5]) { return MakeGadgetID(s); }

struct Schirm;
struct Liste {
    Schirm *S;
    int Nummer;  // 1 or 2
};

struct Schirm {
    LokaleDatenHandelsScreen D;
    ScreenRegion *Region;
    TextFont *Font11, *Font9, *FontKavor;
    VekRequester *Req1, *Req2, *Req3;
    char *Buf1, *Buf2, *Buf3;
    UWORD Anz1, Anz2, Anz3;
    st_MovieBase *MovieBase;
    st_Movie *Movie;
    ULONG Ticks, NaechsterKlang;
    bool Sfx[kSfxLetzter - kSfxErster + 1];
    Liste Liste1, Liste2;
};

RastPort *Rp() { return DisplayRastPort(); }

void Feld(Schirm *s, const Box &b, const char *text, TextFont *font = nullptr, UWORD flags = PT_VCENTER)
{
    RastPort *rp = Rp();
    SetFont(rp, font ? font : s->Font11);
    SetAPen(rp, kBack);
    RectFill(rp, b.x0, b.y0, b.x1, b.y1);
    PrintText(rp, b.x0, b.y0, b.x1, b.y1, text, kBack, kText, flags);
}

void Zahl(Schirm *s, const Box &b, uint64_t v)
{
    char t[24];
    std::snprintf(t, sizeof t, "%" PRIu64, v);
    Feld(s, b, t, nullptr, PT_CENTER | PT_VCENTER);
}

void ZeigeGold(Schirm *s)
{
    const ULONG g = s->D.AnzGold;
    const ULONG bild = g < 10000 ? 341 : g < 100000 ? 342 : 343;
    if (OpenKavorGfx(kPath, bild) == 1) {
        BlitObjekt(Rp(), bild, kGoldBild.x0, kGoldBild.y0, kGoldBild.x1 - kGoldBild.x0 + 1, kGoldBild.y1 - kGoldBild.y0 + 1);
        CloseKavorGfx(bild);
    }
    Zahl(s, kGold, g);
}

void ZeigeKauf(Schirm *s) { Zahl(s, kKaufEinheiten, (uint64_t)std::max<int64_t>(s->D.WishToTakeUnits, 0)); }

void ZeigeGebot(Schirm *s)
{
    char kopf[128] = "";
    if (s->D.WarenNode2Ptr) {
        char name[48] = "";
        GetPlayerName_GetName(((WareListEntry *)s->D.WarenNode2Ptr)->Ware.Herkunft, name, s->D.SpielerChunkPtr);
        name[39] = 0;
        std::snprintf(kopf, sizeof kopf, "%s %s:", GetString(&_VEK_HANDELSSCREEN_ANGEBOT_AN), name);
    }
    Feld(s, kGebotKopf, kopf);
    Zahl(s, kGebotEinheiten, s->D.WishToBuyUnits);
    Zahl(s, kGebotPreis, s->D.WishToBuyPreis);
}

void ZeigeVerkauf(Schirm *s)
{
    char zeile[HANDEL_ZEILE * 2];
    HandelVerkaufsZeile(&s->D, zeile, sizeof zeile);
    Feld(s, kVerkaufZeile, zeile, s->Font9);
    Zahl(s, kVerkaufEinheiten, s->D.WishToSellUnits);
    Zahl(s, kVerkaufPreis, s->D.WishToSellPreis);
}

void LeereFlaeche(const Box &b)
{
    SetAPen(Rp(), kBack);
    RectFill(Rp(), b.x0, b.y0, b.x1, b.y1);
}

LONG SpaltenHook(VekRequester *req, APTR daten);

VekRequester *NeueListe(char *zeilen, UWORD n, TextFont *font, const Box &b, const Box &r, Liste *spalten = nullptr)
{
    if (!zeilen || !n) return nullptr;
    const UWORD w = (UWORD)(b.x1 - b.x0 + 1), h = (UWORD)(b.y1 - b.y0 + 1);
    VekRequester *req = spalten ? InitOwnRequesterBox(SpaltenHook, spalten, w, n, font, zeilen, b.x0, b.y0, w, h, kBack, kText)
                                : InitRequesterBox(w, n, font, zeilen, b.x0, b.y0, w, h, kBack, kText);
    if (req) InitSlider(req, (UWORD)(r.x1 - r.x0 + 1), (UWORD)(r.y1 - r.y0 + 1), 26, 22, 25, 24, r.x0, r.y0);
    return req;
}

// Columns beside a line's first text: list 1 units and price, list 2 ware,
// units and price (with the own bid), each from its x to its end in the line.
struct Spalte {
    UWORD x0, x1;
};
constexpr Spalte kSpalten1[2] = {{92, 142}, {143, 191}};
constexpr Spalte kSpalten2[3] = {{144, 204}, {208, 261}, {265, 318}};
constexpr UWORD kTrenner2[3] = {141, 205, 262};
constexpr UWORD kTrennPens[3] = {25, 29, 30};

int SpaltenTexte(Schirm *s, int liste, LONG zeile, char (*text)[24])
{
    if (liste == 1) {
        const LONG t = HeimwareTyp(&s->D, zeile);
        if (t < 0) return 0;
        std::snprintf(text[0], 24, "%lu", (unsigned long)s->D.Markt.Waren[t]);
        std::snprintf(text[1], 24, "%lu", (unsigned long)s->D.Markt.Waren[WAREN_TYPES + t]);
        return 2;
    }
    ListNode *n = GetWarenNode(&s->D, zeile, WARE_INFO_FREMD);
    if (!n) return 0;
    const st_WARE_EXT w = ((WareListEntry *)n)->Ware;
    std::snprintf(text[0], 24, "%s", w.WarenTyp < (ULONG)WAREN_COUNT ? GetString(Waren[w.WarenTyp]) : "");
    const bool gebot = w.Kaeufer == PlayerInfo.SpielerID && w.KaeuferAnzahl && w.KaeuferPreis;
    if (gebot) {
        std::snprintf(text[1], 24, "%lu/(%lu)", (unsigned long)w.WarenAnzahl, (unsigned long)w.KaeuferAnzahl);
        std::snprintf(text[2], 24, "%lu/(%lu)", (unsigned long)w.Preis, (unsigned long)w.KaeuferPreis);
    } else {
        std::snprintf(text[1], 24, "%lu", (unsigned long)w.WarenAnzahl);
        std::snprintf(text[2], 24, "%lu", (unsigned long)w.Preis);
    }
    return 3;
}

// A text cut to the pixels of its column.
void InSpalte(RastPort *rp, LONG x, LONG y, const char *text, UWORD breite)
{
    ULONG n = (ULONG)std::strlen(text);
    while (n && TextLength(rp, text, n) > breite) --n;
    Move(rp, x, y);
    Text(rp, text, n);
}

// The columns and separators of one line of list `liste` at (x, top) in rp.
void ZeichneSpalten(RastPort *rp, Schirm *s, int liste, LONG zeile, LONG x, LONG top, const VekRequester *req)
{
    char text[3][24];
    const int n = SpaltenTexte(s, liste, zeile, text);
    const Spalte *spalten = liste == 1 ? kSpalten1 : kSpalten2;
    const LONG base = top + req->ReqFontPtr->tf_Baseline;
    for (int k = 0; k < n; ++k) InSpalte(rp, x + spalten[k].x0, base, text[k], (UWORD)(spalten[k].x1 - spalten[k].x0));
    if (liste == 2) {
        const UWORD pen = rp->FgPen;
        for (int k = 0; k < 3; ++k) {
            SetAPen(rp, kTrennPens[k]);
            RectFill(rp, x + kTrenner2[k], top, x + kTrenner2[k] + 2, top + req->ReqFontPtr->tf_YSize);
        }
        SetAPen(rp, pen);
    }
}

// After the lines are drawn into the list's content: their columns.
LONG SpaltenHook(VekRequester *req, APTR daten)
{
    const Liste *l = (const Liste *)daten;
    RastPort *rp = req->ReqRastPortPtr;
    SetAPen(rp, req->ReqFontColor);
    const LONG lh = (LONG)req->ReqFontPtr->tf_YSize + 1;
    for (LONG i = 0; i < req->ReqEntries; ++i) ZeichneSpalten(rp, l->S, l->Nummer, i, 0, i * lh, req);
    return 0;
}

// A line (req->ReqOldEntry) drawn on the display in the given pens, whole.
void ZeileZeichnen(VekRequester *req, const Liste *l, UWORD back, UWORD text)
{
    const LONG zeile = req->ReqOldEntry, lh = (LONG)req->ReqFontPtr->tf_YSize + 1;
    const LONG top = (LONG)req->ReqYPos + zeile * lh - req->ReqPixel;
    RastPort *rp = DisplayRastPort();
    SetFont(rp, req->ReqFontPtr);
    SetDrMd(rp, JAM1);
    SetAPen(rp, back);
    RectFill(rp, req->ReqXPos, top, (LONG)req->ReqXPos + req->ReqBreite - 1, top + req->ReqFontPtr->tf_YSize);
    SetAPen(rp, text);
    const char *slot = req->ReqTextBuffer + (size_t)zeile * REQ_LINE_SIZE;
    Move(rp, req->ReqXPos, top + req->ReqFontPtr->tf_Baseline);
    Text(rp, slot, (ULONG)strnlen(slot, REQ_LINE_SIZE - 1));
    ZeichneSpalten(rp, l->S, l->Nummer, zeile, req->ReqXPos, top, req);
}
LONG Markieren(VekRequester *req, APTR daten) { return ZeileZeichnen(req, (const Liste *)daten, kText, kBack), 0; }
LONG Entmarkieren(VekRequester *req, APTR daten)
{
    return ZeileZeichnen(req, (const Liste *)daten, req->ReqOldBackColor, req->ReqOldFontColor), 0;
}

LONG Waehle(Schirm *s, int liste)
{
    VekRequester *req = liste == 1 ? s->Req1 : s->Req2;
    if (!req) return -1;
    Liste *l = liste == 1 ? &s->Liste1 : &s->Liste2;
    SetFont(Rp(), s->Font11);
    return SetOwnStringHighLite(req, Markieren, Entmarkieren, l, 0, (UWORD)std::max<LONG>(GetMouseY(), 0), kText, kBack);
}

// The home market: name, units and price in columns of one line.
// Cuts each line's text to `breite` pixels of the font.
void Kuerzen(char *zeilen, ULONG n, TextFont *font, UWORD breite)
{
    RastPort *rp = Rp();
    SetFont(rp, font);
    for (ULONG i = 0; i < n; ++i) {
        char *z = zeilen + i * HANDEL_ZEILE;
        ULONG len = (ULONG)strnlen(z, HANDEL_ZEILE - 1);
        while (len && TextLength(rp, z, len) > breite) --len;
        z[len] = 0;
    }
}

BOOL InitWarenRequester(Schirm *s)
{
    ClearRequester(s->Req1);
    s->Req1 = nullptr;
    FreeVec(s->Buf1);
    ULONG n = 0;
    s->Buf1 = CreateWarenReqListBuffer(&s->D, 0, &n);
    s->Anz1 = (UWORD)std::min<ULONG>(n, 0xFFFF);
    if (s->Buf1) Kuerzen(s->Buf1, s->Anz1, s->Font11, kSpalten1[0].x0 - 4);
    s->Liste1 = {s, 1};
    s->Req1 = NeueListe(s->Buf1, s->Anz1, s->Font11, kListe1, kRegler1, &s->Liste1);
    if (!s->Req1) LeereFlaeche(kListe1);
    s->D.Auswahl1 = -1;
    return 1;
}

// Others' offers: offerer, ware, units and price, separated by lines.
BOOL InitHandelsRequester(Schirm *s)
{
    ClearRequester(s->Req2);
    s->Req2 = nullptr;
    FreeVec(s->Buf2);
    ULONG n = 0;
    s->Buf2 = CreateWarenReqListBuffer(&s->D, 1, &n);
    s->Anz2 = (UWORD)std::min<ULONG>(n, 0xFFFF);
    if (s->Buf2) Kuerzen(s->Buf2, s->Anz2, s->Font11, kTrenner2[0] - 2);
    s->Liste2 = {s, 2};
    s->Req2 = NeueListe(s->Buf2, s->Anz2, s->Font11, kListe2, kRegler2, &s->Liste2);
    if (!s->Req2) LeereFlaeche(kListe2);
    s->D.Auswahl2 = -1;
    return 1;
}

BOOL InitVerkaufsRequester(Schirm *s)
{
    ClearRequester(s->Req3);
    s->Req3 = nullptr;
    FreeVec(s->Buf3);
    ULONG n = 0;
    s->Buf3 = CreateWarenReqListBuffer(&s->D, 5, &n);
    s->Anz3 = (UWORD)std::min<ULONG>(n, 0xFFFF);
    SetFont(Rp(), s->Font9);
    s->Req3 = NeueListe(s->Buf3, s->Anz3, s->Font9, kListe3, kRegler3);
    if (!s->Req3) LeereFlaeche(kListe3);
    s->D.Auswahl3 = -1;
    s->D.WarenNode3Ptr = nullptr;
    return 1;
}

// The ware's animation at (16, 16), or its still picture.
void SetWarenImage(Schirm *s, ULONG typ)
{
    if (s->Movie) {
        UnloadMovie(s->MovieBase, s->Movie);
        s->Movie = nullptr;
    }
    SetAPen(Rp(), 0);
    RectFill(Rp(), kWareX, kWareY, kWareX + kWareW - 1, kWareY + kWareH - 1);
    if (typ >= (ULONG)WAREN_TYPES || !WarenWerte[typ][WW_BILD]) return;
    if (s->MovieBase) s->Movie = AnimateWare(s->MovieBase, nullptr, (UWORD)typ, kWareX, kWareY);
    if (!s->Movie) {
        const ULONG bild = (ULONG)WarenWerte[typ][WW_BILD];
        if (OpenKavorGfx(kPath, bild) == 1) {
            BlitObjekt(Rp(), bild, kWareX, kWareY, kWareW, kWareH);
            CloseKavorGfx(bild);
        }
    }
}

void Schieben(VekRequester *req, ULONG id, ULONG up, ULONG down, ULONG slider)
{
    if (!req) return;
    if (id == down) SetSlider(req, SLIDER_DOWN10);
    else if (id == up) SetSlider(req, SLIDER_UP10);
    else SetSlider(req, (UWORD)std::max<LONG>(GetMouseY(), 0));
    (void)slider;
    SetRequesterBox(req, 0, 0);
}

void HandelInputBox(Schirm *s, HandelBox b)
{
    char buffer[EINGABE_MAX + 1];
    if (!HandelBoxText(&s->D, b, buffer, sizeof buffer)) return;
    if (s->Movie) PauseMovie(s->Movie, 1);
    if (EingabeBox(buffer, 168, 180, "", "", EINGABE_DIGITS)) {
        buffer[16] = 0;  // at most 16 characters
        HandelBoxWert(&s->D, b, buffer);
    }
    if (s->Movie) PauseMovie(s->Movie, 0);
}

void Verkaufsware(Schirm *s)
{
    if (s->D.Auswahl3 >= 0) return;
    ULONG n = 1;
    for (LONG i = 0; GetWarenNode(&s->D, i, WARE_INFO_LAGER); ++i) ++n;
    n = std::min<ULONG>(n, 0xFFFF);
    char *zeilen = (char *)AllocVec(n * REQ_LINE_SIZE, MEMF_CLEAR);
    if (!zeilen) return;
    std::snprintf(zeilen, REQ_LINE_SIZE, "%s", GetString(Waren[0]));
    for (ULONG i = 1; i < n; ++i) {
        ListNode *w = GetWarenNode(&s->D, (LONG)i - 1, WARE_INFO_LAGER);
        const ULONG typ = ((WareListEntry *)w)->Ware.WarenTyp;
        std::snprintf(zeilen + i * REQ_LINE_SIZE, REQ_LINE_SIZE, "%s", typ < (ULONG)WAREN_COUNT ? GetString(Waren[typ]) : "");
    }
    const LONG wahl = ChooseBox("./Data/screendat/ChooseBox.dat", 264, 184, (UWORD)n,
                                GetString(&_VEK_HANDELSSCREEN_WAREWAEHLEN2), zeilen, GetString(&_VEK_KASREQ2_STAT_INFO));
    FreeVec(zeilen);
    if (HandelWaehleVerkaufsware(&s->D, wahl)) SetWarenImage(s, (ULONG)s->D.WishToSellEntry);
}

void Ueberschriften(Schirm *s)
{
    RastPort *rp = Rp();
    SetFont(rp, s->FontKavor);
    PrintText(rp, 16, 150, 207, 168, GetString(&_VEK_HANDELSSCREEN_EINKAUFEN), 0, kText, PT_CENTER);
    PrintText(rp, 271, 20, 589, 38, GetString(&_VEK_HANDELSSCREEN_WARENMARKT), 0, kText, PT_CENTER);
    PrintText(rp, 271, 282, 452, 300, GetString(&_VEK_HANDELSSCREEN_VERKAUFEN), 0, kText, PT_CENTER);
    PrintText(rp, 512, 285, 622, 303, GetString(&_VEK_HANDELSSCREEN_GOLD), 0, kText, PT_CENTER);
    SetFont(rp, s->Font11);
    PrintText(rp, 16, 166, 90, 176, "Warentyp", 0, kText, 0);
    PrintText(rp, 108, 166, 150, 176, "Anzahl", 0, kText, 0);
    PrintText(rp, 159, 166, 207, 176, GetString(&_VEK_HANDELSSCREEN_PREIS), 0, kText, 0);
    PrintText(rp, 271, 38, 411, 47, GetString(&_VEK_HANDELSSCREEN_ANBIETER), 0, kText, 0);
    PrintText(rp, 479, 38, 533, 47, GetString(&_VEK_HANDELSSCREEN_EINHEITEN), 0, kText, 0);
    PrintText(rp, 536, 38, 600, 47, GetString(&_VEK_HANDELSSCREEN_MINDESTPREIS), 0, kText, 0);
}

void Freigeben(Schirm *s, bool bild)
{
    if (s->Movie) UnloadMovie(s->MovieBase, s->Movie);
    ClearRequester(s->Req1);
    ClearRequester(s->Req2);
    ClearRequester(s->Req3);
    FreeVec(s->Buf1);
    FreeVec(s->Buf2);
    FreeVec(s->Buf3);
    FreeAllGadgets();
    ClearScreenRegion(s->Region);
    FreeHandelsScreenData(&s->D);
    CloseFont(s->Font11);
    CloseFont(s->Font9);
    CloseFont(s->FontKavor);
    if (s->MovieBase) FreeMovieBase(s->MovieBase);
    for (UWORD n = kSfxErster; n <= kSfxLetzter; ++n)
        if (s->Sfx[n - kSfxErster]) {
            StopSfx(n);
            CloseKavorSfx(n);
        }
    if (bild) CloseKavorPic(kBild, 1);
}

bool Einrichten(Schirm *s)
{
    if (!ReadHandelsScreenData(&s->D)) {
        std::printf("HandelsScreen: Kann lokale Daten nicht initialisieren !\n");
        return false;
    }
    for (UWORD n = kSfxErster; n <= kSfxLetzter; ++n) {
        if (!OpenKavorSfx(kSfxPath, n)) {
            std::printf("HandelsScreen: Kann Audio-Daten nicht laden !\n");
            return false;
        }
        s->Sfx[n - kSfxErster] = true;
    }
    s->MovieBase = AllocMovieBase(TitelScreenPtr, 0, 0, 0);
    if (!(s->Font11 = OpenDiskFont("Fonts/XHelvetica11.fnt")) || !(s->Font9 = OpenDiskFont("Fonts/XHelvetica9.fnt")) ||
        !(s->FontKavor = OpenDiskFont("Fonts/KavorC1.fnt"))) {
        std::printf("HandelsScreen: Konnte Font nicht laden!\n");
        return false;
    }
    if (!(s->Region = GetScreenRegion("./Data/screendat/Handel.dat", SR_GADGETDATA))) {
        std::printf("HandelsScreen: Konnte Koordinaten nicht nachladen!\n");
        return false;
    }
    DrawAllGadgets(Rp(), s->Region);
    Ueberschriften(s);
    ZeigeGold(s);
    InitWarenRequester(s);
    InitHandelsRequester(s);
    InitVerkaufsRequester(s);
    ZeigeKauf(s);
    ZeigeGebot(s);
    ZeigeVerkauf(s);
    return true;
}

// One gadget: false when the screen is to be left.
bool Gadget(Schirm *s, ULONG id, LONG *result)
{
    LokaleDatenHandelsScreen &d = s->D;
    switch (id) {
    case GADGET_EXIT: return false;
    case Id("OKOK"):
        if (!WriteHandelsScreenData(&d)) {
            std::printf("HandelsScreen : Es ist ein Fehler beim abspeichern der Daten aufgetreten...\n");
            return true;  // the trade stays on screen
        }
        return false;
    case Id("CH00"): {
        const LONG z = Waehle(s, 1);
        if (z >= 0 && HandelWaehleHeimware(&d, z)) {
            SetWarenImage(s, (ULONG)HeimwareTyp(&d, z));
            ZeigeKauf(s);
        }
        break;
    }
    case Id("CH10"): {
        const LONG z = Waehle(s, 2);
        if (z >= 0 && HandelWaehleFremdangebot(&d, z)) {
            SetWarenImage(s, (ULONG)d.WishToBuyEntry);
            ZeigeGebot(s);
        }
        break;
    }
    case Id("CH20"): {
        const LONG z = s->Req3 ? SetStringHighLite(s->Req3, 0, (UWORD)std::max<LONG>(GetMouseY(), 0), kText, kBack) : -1;
        if (z >= 0 && HandelWaehleEigenangebot(&d, z)) {
            SetWarenImage(s, (ULONG)d.WishToSellEntry);
            ZeigeVerkauf(s);
        }
        break;
    }
    case Id("LE00"): HandelSchritt(&d, HS_TAKE_UNITS_DOWN); ZeigeKauf(s); break;
    case Id("RE00"): HandelSchritt(&d, HS_TAKE_UNITS_UP); ZeigeKauf(s); break;
    case Id("LE10"): HandelSchritt(&d, HS_BUY_UNITS_DOWN); ZeigeGebot(s); break;
    case Id("RE10"): HandelSchritt(&d, HS_BUY_UNITS_UP); ZeigeGebot(s); break;
    case Id("LE11"): HandelSchritt(&d, HS_BUY_PREIS_DOWN); ZeigeGebot(s); break;
    case Id("RE11"): HandelSchritt(&d, HS_BUY_PREIS_UP); ZeigeGebot(s); break;
    case Id("LE20"): HandelSchritt(&d, HS_SELL_UNITS_DOWN); ZeigeVerkauf(s); break;
    case Id("RE20"): HandelSchritt(&d, HS_SELL_UNITS_UP); ZeigeVerkauf(s); break;
    case Id("LE21"): HandelSchritt(&d, HS_SELL_PREIS_DOWN); ZeigeVerkauf(s); break;
    case Id("RE21"): HandelSchritt(&d, HS_SELL_PREIS_UP); ZeigeVerkauf(s); break;
    case Id("BOX1"): HandelInputBox(s, HB_TAKE_UNITS); ZeigeKauf(s); break;
    case Id("BOX2"): HandelInputBox(s, HB_SELL_UNITS); ZeigeVerkauf(s); break;
    case Id("BOX3"): HandelInputBox(s, HB_SELL_PREIS); ZeigeVerkauf(s); break;
    case Id("BOX4"): HandelInputBox(s, HB_BUY_UNITS); ZeigeGebot(s); break;
    case Id("BOX5"): HandelInputBox(s, HB_BUY_PREIS); ZeigeGebot(s); break;
    case Id("OK00"):
        if (MakeNewWarenNode(&d)) {
            ZeigeGold(s);
            InitWarenRequester(s);
        }
        ZeigeKauf(s);
        break;
    case Id("OK01"):
        if (SetAngebot2Node(&d)) InitHandelsRequester(s);
        ZeigeGebot(s);
        break;
    case Id("OK20"):
        if (HandelAngebotSetzen(&d)) InitVerkaufsRequester(s);
        ZeigeVerkauf(s);
        break;
    case Id("SX00"):
        if (d.WishToTakeUnits >= 0) d.WishToTakeUnits = d.WishToTakeMaxUnits = 0;
        ZeigeKauf(s);
        break;
    case Id("SX01"):
        if (HandelGebotZurueck(&d)) InitHandelsRequester(s);
        ZeigeGebot(s);
        break;
    case Id("SX20"):
        if (HandelAngebotZurueck(&d)) InitVerkaufsRequester(s);
        ZeigeVerkauf(s);
        break;
    case Id("SX21"): Verkaufsware(s); ZeigeVerkauf(s); break;
    case Id("UP00"): case Id("DO00"): case Id("SL00"):
        Schieben(s->Req1, id, Id("UP00"), Id("DO00"), Id("SL00"));
        d.Auswahl1 = -1;
        if (d.WishToTakeUnits >= 0) d.WishToTakeUnits = -1, d.WishToTakeMaxUnits = 0;
        ZeigeKauf(s);
        break;
    case Id("UP11"): case Id("DO11"): case Id("SL10"):
        Schieben(s->Req2, id, Id("UP11"), Id("DO11"), Id("SL10"));
        d.Auswahl2 = -1;
        d.WarenNode2Ptr = nullptr;
        d.WishToBuyUnits = d.WishToBuyPreis = d.WishToBuyMaxUnits = d.WishToBuyMinPreis = 0;
        ZeigeGebot(s);
        break;
    case Id("UP20"): case Id("DO20"): case Id("SL20"):
        Schieben(s->Req3, id, Id("UP20"), Id("DO20"), Id("SL20"));
        if (d.Auswahl3 >= 0) SetStringHighLite(s->Req3, 1, (UWORD)d.Auswahl3, kText, kBack);
        break;
    case Id("IN00"):
        if (s->Movie) PauseMovie(s->Movie, 1);
        TextBox(GetString(&_VEK_HANDELSCREEN_INFO));
        if (s->Movie) PauseMovie(s->Movie, 0);
        break;
    default: break;
    }
    (void)result;
    return true;
}

}  // namespace

LONG HandelsScreen()
{
    std::printf("Routine: HandelsScreen\n");
    if (IsCDReady(nullptr, 0) == 1) PlayCDTrack(nullptr, 0, 7, 7);
    if (OpenKavorPic(kPath, kBild, PIC_NOFADE) < 0) {
        std::printf("HandelsScreen: Konnte Pic nicht laden!\n");
        return -1;
    }
    auto *s = (Schirm *)AllocVec(sizeof(Schirm), MEMF_CLEAR);
    if (!s) {
        CloseKavorPic(kBild, 0);
        return -1;
    }
    LONG result = 39;
    if (!Einrichten(s)) {
        Freigeben(s, false);
        CloseKavorPic(kBild, 0);
        FreeVec(s);
        return -1;
    }
    FadeIn();
    SfxPlayer(kSfxErster, 0, 1);
    s->NaechsterKlang = 100;
    for (;;) {
        const ULONG code = GetKey(0x01 | GETKEY_TICKS);
        if (code == EVENT_TICK) {
            HandelTick(&s->D);
            if (++s->Ticks >= s->NaechsterKlang) {
                SfxPlayer((UWORD)(Wuerfel(4) + 40), 0, 0);
                s->Ticks = 0;
                s->NaechsterKlang = Wuerfel(5) * 20 + 20;
            }
            continue;
        }
        GadgetData *g = CheckGadgets(Rp(), s->Region, code);
        if (!g) continue;
        if (!Gadget(s, g->ReturnID, &result)) break;
    }
    Freigeben(s, true);
    FreeVec(s);
    return result;
}
