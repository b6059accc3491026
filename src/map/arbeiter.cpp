// The cultivation requester of one own hex (see arbeiter.h). Its numbers go
// to preferences 17 and 18 and, by hand, into the hex's block file.
#include "map/arbeiter.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "world/hex.h"
#include "world/mapinfo.h"
#include "platform/catalog.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/screendat.h"

namespace {

constexpr const char kPfad[] = "./Data/Path";
constexpr ULONG kMaske = SR_GADGETDATA | SR_STRINGINPUTINFO | SR_RECHTECK;
constexpr ULONG kBild = 1041;
constexpr ULONG kAutoAn = 145, kAutoAus = 143;
constexpr ULONG kRechtecke = 34;
constexpr UWORD kModusTitel = PT_CENTER | PT_BASELINE | PT_VCENTER;  // 37
constexpr UWORD kModusLabel = PT_BASELINE | PT_VCENTER;              // 36
constexpr UWORD kModusWert = PT_CENTER | PT_BASELINE | PT_FILL | PT_VCENTER;  // 45

// Everything that was set up, released in reverse on every way out.
struct Offen {
    ScreenRegion *region = nullptr;
    BitMap *hintergrund = nullptr;
    LONG x = 0, y = 0, w = 0, h = 0;
    bool bild = false;
    RastPort *rp = nullptr;
    ListHeader *liste = nullptr;
    ~Offen()
    {
        if (liste) DeleteList(liste, LIST_FREE_OWNED);
        FreeVec(rp);
        if (bild) CloseKavorGfx(kBild);
        if (hintergrund) ScreenRestoreClip(hintergrund, x, y, w, h);
        if (region) ClearScreenRegion(region);
    }
};

ULONG JeFeld(const LokaleDatenKartenScreen *st)
{
    return st->AnzMorgen ? st->OrgArbeiter / st->AnzMorgen / 3 : 0;
}

void Verschiebe(UWORD &v, LONG d) { v = (UWORD)std::clamp<LONG>((LONG)v + d, 0, 0xFFFF); }

void ZeigeSchalter(const LokaleDatenArbeiterReq *ld)
{
    const ULONG n = ld->Automatik ? kAutoAn : kAutoAus;
    if (OpenKavorGfx(kPfad, n) != 1) return;
    BlitObjekt(nullptr, n, ld->Rect[29].X0, ld->Rect[29].Y0, 0, 0);
    CloseKavorGfx(n);
}

}  // namespace

MapCultivation *ArbeiterReqGetMapCultNode(ListHeader *list, ULONG x, ULONG y)
{
    if (!list) return nullptr;
    ListNode *n = list->FirstNode;
    for (ULONG i = 0; n && i < list->Elemente; ++i, n = n->Next) {
        auto *f = (MapCultivation *)NodeData(n);
        if (f->X == x && f->Y == y) return f;
    }
    n = (ListNode *)AllocVec(list->TypSize, MEMF_CLEAR);
    if (!n) {
        std::printf("ArbeiterReq: Konnte Speicher nicht allokieren...\n");
        return nullptr;
    }
    auto *f = (MapCultivation *)NodeData(n);
    f->X = (UWORD)x, f->Y = (UWORD)y;
    InsertNode(list, n, LIST_LAST, 0);
    return f;
}

void ArbeiterReqWerte(LokaleDatenArbeiterReq *ld, LONG w[ARBEITER_WERTE])
{
    MapCultivation *f = ld->Automatik ? nullptr : ld->MapCultNodePtr;
    const UWORD art = ld->Art;
    const UBYTE gott = (UBYTE)ld->Gottheit;
    if (f && f->ActHarvest == 0) f->ActHarvest = 10000;
    auto Groesser = [](LONG a, ULONG b) { return std::max<LONG>(a, (LONG)std::min<ULONG>(b, INT32_MAX)); };
    w[0] = (LONG)ld->Arbeiter;
    w[1] = (LONG)ld->ArbeiterErnte;
    w[2] = f ? (LONG)f->ActHarvest : (LONG)((uint64_t)ld->ArbeiterErnte * 40000 / 1000 + 10000);
    w[3] = Groesser(w[2], GetMaxHarvestForField(art, ld->ArbeiterErnte, gott));
    w[4] = !f || f->PrevHarvest[0] == 0 ? 0 : (LONG)(f->ActHarvest - f->PrevHarvest[0]);
    w[5] = (LONG)ld->ArbeiterHolz;
    w[6] = f ? f->ActWood : (LONG)((uint64_t)ld->ArbeiterHolz * 5 / 1000);
    w[7] = Groesser(w[6], GetMaxWoodForField(art, ld->ArbeiterHolz, gott));
    w[8] = f ? (LONG)f->ActWood - (LONG)f->PrevWood[0] : 0;
    w[9] = (LONG)ld->ArbeiterStein;
    w[10] = f ? f->ActStone : (LONG)((uint64_t)ld->ArbeiterStein * 5 / 1000);
    w[11] = Groesser(w[10], GetMaxStoneForField(art, ld->ArbeiterStein));
    w[12] = f ? (LONG)f->ActStone - (LONG)f->PrevStone[0] : 0;
}

void ArbeiterReqGraph(const MapCultivation *f, int k, LONG y0, LONG hoehe, LONG punkte[ARBEITER_PUNKTE])
{
    uint64_t v[ARBEITER_PUNKTE];
    uint64_t skala;
    for (int i = 0; i < 9; ++i)
        v[i] = k == 0 ? f->PrevHarvest[8 - i] : k == 1 ? f->PrevWood[8 - i] : f->PrevStone[8 - i];
    v[9] = k == 0 ? f->ActHarvest : k == 1 ? f->ActWood : f->ActStone;
    skala = k == 0 ? f->MaxHarvest : k == 1 ? f->MaxWood : f->MaxStone;
    for (uint64_t x : v) skala = std::max(skala, x);
    skala = std::max<uint64_t>(skala, 1);
    // Products in 64 bits: a harvest in the millions times a graph height
    // passes 32 bits.
    for (int i = 0; i < ARBEITER_PUNKTE; ++i) punkte[i] = y0 - (LONG)((uint64_t)hoehe * v[i] / skala);
}

ULONG ArbeiterReqZahl(const char *text, ULONG frei)
{
    errno = 0;
    long long n = std::strtoll(text ? text : "", nullptr, 10);
    if (n < 0) n = 0;
    if ((unsigned long long)n > frei) n = frei;
    return (ULONG)std::min<unsigned long long>((unsigned long long)n, ARBEITER_MAX_FELD);
}

void ArbeiterReqPrintData(LokaleDatenArbeiterReq *ld)
{
    LONG w[ARBEITER_WERTE];
    ArbeiterReqWerte(ld, w);
    RastPort *rp = ld->RastPortPtr;
    const Rechteck *r = ld->Rect;
    for (int i = 0; i < ARBEITER_WERTE; ++i) {
        char text[16];
        const bool zunahme = i == 4 || i == 8 || i == 12;
        std::snprintf(text, sizeof text, zunahme ? "%d" : "%u", zunahme ? (int)w[i] : (unsigned)w[i]);
        const Rechteck &b = r[16 + i];
        const UWORD hinten = (i == 1 || i == 5 || i == 9) ? 33 : 19;
        PrintText(rp, b.X0, b.Y0, b.X1, b.Y1, text, hinten, 7, kModusWert);
    }
    BlitObjekt(nullptr, kBild, r[0].X0, r[0].Y0, r[0].X1, r[0].Y1);
    if (ld->Automatik || !ld->MapCultNodePtr) return;
    RastPort *display = DisplayRastPort();
    const UWORD stifte[3] = {(UWORD)(ld->Art == GK_WASSER ? 47 : 7), 2, 16};
    for (int k = 0; k < 3; ++k) {
        LONG y[ARBEITER_PUNKTE];
        ArbeiterReqGraph(ld->MapCultNodePtr, k, r[33].Y0, r[33].X1, y);
        SetAPen(display, stifte[k]);
        Move(display, r[33].X0, y[0]);
        for (int i = 1; i < ARBEITER_PUNKTE; ++i) Draw(display, r[33].X0 + (LONG)i * r[33].Y1, y[i]);
    }
}

ULONG ArbeiterReqInputBox(LokaleDatenKartenScreen *st, LokaleDatenArbeiterReq *ld, int box)
{
    ULONG *zahl = box == 0 ? &ld->ArbeiterErnte : box == 1 ? &ld->ArbeiterHolz : &ld->ArbeiterStein;
    ld->Arbeiter += *zahl;
    RastPort *display = DisplayRastPort();
    const Rechteck &feld = ld->Rect[30 + box];
    const StringInputInfo &ein = ld->ScreenRegion->StringInputInfo[box];
    SetAPen(display, 22);
    RectFill(display, feld.X0, feld.Y0, feld.X1, feld.Y1);
    if (st->VekFont1Ptr) SetFont(display, st->VekFont1Ptr);
    SetDrMd(display, JAM1);
    SetAPen(display, 7);
    char vorgabe[16];
    std::snprintf(vorgabe, sizeof vorgabe, "%ld", (long)*zahl);
    char text[16] = {};
    UBYTE breiten[16] = {};
    const UWORD maxPixel = (UWORD)std::max<LONG>((LONG)feld.X1 - ein.X0, 8);
    InitStringInput(display, vorgabe, text, breiten);
    PrintStringInput(display, text, ein.X0, ein.Y0 + 3, 10, 1, maxPixel);
    ULONG ende = 0;
    for (int i = 0; text[i]; ++i) ende += breiten[i];
    VekCursor *c = &VekCursorStruktur;
    CursorClearValues(c);
    const UWORD laenge = (UWORD)std::min<UWORD>(display->TxHeight, CURSOR_MAX_LENGTH);
    SetNewCursor(ein.X0, (UWORD)(ein.Y0 + 3), (UWORD)(ein.X0 + ende), (UWORD)(ein.Y0 + 3), laenge, 10, 22);
    CalcCurrentCursorPosition(text, breiten, c, maxPixel);
    c->VerifyPtr = text;
    for (;;) {
        const ULONG code = GetKey(0);
        if (code == KEY_RETURN) break;
        if (code >= 1 && code <= 255 && !KeyExtended) StringInput(code, text, breiten, c, 10, maxPixel, 1);
    }
    SetCursor(0, 0, 0, 0, 0);
    const ULONG n = ArbeiterReqZahl(text, ld->Arbeiter);
    *zahl = n;
    if (MapCultivation *f = ld->MapCultNodePtr) {
        if (box == 0) f->WorkersForHarvest = (UWORD)n;
        if (box == 1) f->WorkersForWood = (UWORD)n;
        if (box == 2) f->WorkersForStone = (UWORD)n;
    }
    ld->Arbeiter -= n;
    return n;
}

int ArbeiterReq(LokaleDatenKartenScreen *st)
{
    VekMapInfo *view = st ? st->VekMapInfoPtr : nullptr;
    if (!view) return 0;
    Offen o;
    const bool hoch = VekDisplay.VekScreen_Tiefe > 8;
    o.region = GetScreenRegion(hoch ? "./Data/screendat/KarteArbeiterReq1024.dat" : "./Data/screendat/KarteArbeiterReq.dat",
                               kMaske);
    if (!o.region || o.region->CountRechteck < kRechtecke || o.region->CountStringInputInfo < 3) {
        std::printf("ArbeiterReq: Kann ScreenRegion nicht laden!\n");
        return 0;
    }
    LokaleDatenArbeiterReq ld{};
    ld.ScreenRegion = o.region;
    ld.Rect = o.region->Rechteck;
    Rechteck *r = ld.Rect;
    // Above 1024 x 768 the requester moves to the middle: the gadgets and
    // the screen-placed rectangles and input entries with it.
    const LONG breite = VekDisplay.VekScreen_Breite, hoehe = VekDisplay.VekScreen_Hoehe;
    if (breite > 1024 || hoehe > 768) {
        const LONG dx = std::max<LONG>(breite - 1024, 0) / 2, dy = std::max<LONG>(hoehe - 768, 0) / 2;
        for (ULONG i = 0; i < o.region->CountGadgetData; ++i) {
            GadgetData &g = o.region->GadgetData[i];
            Verschiebe(g.X0, dx), Verschiebe(g.X1, dx), Verschiebe(g.Y0, dy), Verschiebe(g.Y1, dy);
        }
        for (int i : {0, 29, 33}) Verschiebe(r[i].X0, dx), Verschiebe(r[i].Y0, dy);
        for (int i : {30, 31, 32})
            Verschiebe(r[i].X0, dx), Verschiebe(r[i].X1, dx), Verschiebe(r[i].Y0, dy), Verschiebe(r[i].Y1, dy);
        for (ULONG i = 0; i < o.region->CountStringInputInfo; ++i)
            Verschiebe(o.region->StringInputInfo[i].X0, dx), Verschiebe(o.region->StringInputInfo[i].Y0, dy);
    }
    o.x = r[0].X0, o.y = r[0].Y0, o.w = r[0].X1, o.h = r[0].Y1;
    o.hintergrund = ScreenSaveClip(o.x, o.y, o.w, o.h);
    if (!o.hintergrund) {
        std::printf("ArbeiterReq: Konnte ein Rechteck des Hintergrundes nicht retten !\n");
        return 0;
    }
    if (OpenKavorGfx(kPfad, kBild) != 1 || !BitMapPtrArray[kBild - 1]) {
        std::printf("ArbeiterReq: Konnte Grafik nicht finden !\n");
        return 0;
    }
    o.bild = true;
    o.rp = ScreenMakeClipRP(BitMapPtrArray[kBild - 1]);
    if (!o.rp) {
        std::printf("ArbeiterReq: Konnte Speicher f\374r RastPort nicht allokieren 001 \n");
        return 0;
    }
    ld.RastPortPtr = o.rp;

    const MapEntry *hex = FensterHex(view, view->IndeX + st->X_Pos, view->IndeY + st->Y_Pos);
    if (!hex) return 0;
    ld.Art = hex->Art && hex->Art <= MAX_HEX_GRAFIK ? GetTypeOfHex(hex->Art) : (UWORD)GK_NICHTS;
    const ULONG hx = hex->X, hy = hex->Y;
    o.liste = CreateList(LISTE_MAPCULT);
    if (!o.liste) {
        std::printf("ArbeiterReq: Konnte keine leere ArmyListe anlegen...\n");
        return 0;
    }
    ScanMapCult2List(o.liste, hx / CULT_BLOCK_BREITE, hy / CULT_BLOCK_HOEHE);
    ld.Gottheit = st->Gottheit;
    ld.AnzMorgen = st->AnzMorgen;
    ld.Automatik = CheckPrefs(PREF_AUTO_ARBEITER, PREFS_READ, 0) != 0;
    if (ld.Automatik) {
        ld.ArbeiterErnte = ld.ArbeiterHolz = ld.ArbeiterStein = JeFeld(st);
    } else {
        ld.Arbeiter = CheckPrefs(PREF_ARBEITER, PREFS_READ, 0);
        ld.MapCultNodePtr = ArbeiterReqGetMapCultNode(o.liste, hx, hy);
        if (!ld.MapCultNodePtr) {
            std::printf("ArbeiterReq: Konnte Node nicht finden oder allokieren !");
            return 0;
        }
        ld.ArbeiterErnte = ld.MapCultNodePtr->WorkersForHarvest;
        ld.ArbeiterHolz = ld.MapCultNodePtr->WorkersForWood;
        ld.ArbeiterStein = ld.MapCultNodePtr->WorkersForStone;
    }

    RastPort *rp = o.rp;
    SetDrMd(rp, JAM1);
    if (st->VekFontPtr) SetFont(rp, st->VekFontPtr);
    auto Label = [&](int i, const LocStr &s, UWORD modus) {
        PrintText(rp, r[i].X0, r[i].Y0, r[i].X1, r[i].Y1, GetString(&s), 0, 7, modus);
    };
    Label(1, _VEK_AKTION_BEWIRTSCHAFTUNG, kModusTitel);
    if (st->VekFont1Ptr) SetFont(rp, st->VekFont1Ptr);
    Label(2, _VEK_ARBEITER_FREE, kModusLabel);
    Label(3, ld.Art == GK_WASSER ? _VEK_ARBEITER_FISHING : _VEK_ARBEITER_HARVEST, kModusLabel);
    Label(8, _VEK_ARBEITER_WOOD, kModusLabel);
    Label(12, _VEK_ARBEITER_STONE, kModusLabel);
    for (int basis : {4, 9, 13}) {
        Label(basis, _VEK_ARBEITER_ACT_AUSBEUTE, kModusLabel);
        Label(basis + 1, _VEK_ARBEITER_MAX_AUSBEUTE, kModusLabel);
        Label(basis + 2, _VEK_AUSBEUTE_STEIGERUNG, kModusLabel);
    }
    Label(7, _VEK_ARBEITER_AUTOMATIK, kModusTitel);
    ArbeiterReqPrintData(&ld);
    if (ld.Automatik) ZeigeSchalter(&ld);
    RastPort *display = DisplayRastPort();
    DrawAllGadgets(display, o.region);

    int ergebnis = 1;
    for (bool fertig = false; !fertig;) {
        const ULONG code = GetKey(0x01);
        GadgetData *g = CheckGadgets(display, o.region, code);
        if (!g) continue;
        const ULONG id = g->ReturnID;
        if (id == GADGET_EXIT) {
            fertig = true;
        } else if (id == MakeGadgetID("AUTO")) {
            if (!ld.Automatik) {
                // Centred like every advisor box on the map screen.
                const UWORD qx = (UWORD)((VekDisplay.VekScreen_Breite - 640) / 2 + 168);
                const UWORD qy = (UWORD)((VekDisplay.VekScreen_Hoehe - 480) / 2 + 180);
                if (ChiefMessage(66, qx, qy, 0, 0, 0, CHIEF_OKCANCEL, GetString(&_VEK_ARBEITER_WARNUNG), 7) != 0)
                    continue;
                if (DeleteDir("./Map", "C")) {
                    if (o.liste->Elemente) {
                        ListHeader *neu = CreateList(LISTE_MAPCULT);
                        if (!neu) {
                            std::printf("ArbeiterReq: Konnte keine Beweirtschaftsliste anlegen...\n");
                            return 0;
                        }
                        DeleteList(o.liste, LIST_FREE_OWNED);
                        o.liste = neu;
                    }
                } else {
                    std::printf("GameExit : Konnte die Karten nicht l\366schen !\n");
                    ergebnis = 0;
                }
                ld.Automatik = 1;
                ld.MapCultNodePtr = nullptr;
                ld.Arbeiter = 0;
                ld.ArbeiterErnte = ld.ArbeiterHolz = ld.ArbeiterStein = JeFeld(st);
            } else {
                ld.MapCultNodePtr = ArbeiterReqGetMapCultNode(o.liste, hx, hy);
                if (!ld.MapCultNodePtr) return 0;
                ld.Automatik = 0;
                ld.ArbeiterErnte = ld.MapCultNodePtr->WorkersForHarvest;
                ld.ArbeiterHolz = ld.MapCultNodePtr->WorkersForWood;
                ld.ArbeiterStein = ld.MapCultNodePtr->WorkersForStone;
                ld.Arbeiter = st->OrgArbeiter;
            }
            ArbeiterReqPrintData(&ld);
            ZeigeSchalter(&ld);
        } else if (id == MakeGadgetID("BOX1") || id == MakeGadgetID("BOX2") || id == MakeGadgetID("BOX3")) {
            if (ld.Automatik) continue;
            ArbeiterReqInputBox(st, &ld, (int)((id & 0xFF) - '1'));
            ArbeiterReqPrintData(&ld);
        } else if (id == MakeGadgetID("INFO")) {
            TextBox(GetString(&_VEK_ARBEITER_INFO));
        }
    }
    CheckPrefs(PREF_AUTO_ARBEITER, PREFS_WRITE, ld.Automatik ? 1 : 0);
    CheckPrefs(PREF_ARBEITER, PREFS_WRITE, ld.Arbeiter);
    if (!ld.Automatik && ld.MapCultNodePtr) {
        ld.MapCultNodePtr->WorkersForHarvest = (UWORD)ld.ArbeiterErnte;
        ld.MapCultNodePtr->WorkersForWood = (UWORD)ld.ArbeiterHolz;
        ld.MapCultNodePtr->WorkersForStone = (UWORD)ld.ArbeiterStein;
        if (!SaveMapCultList(o.liste, hx / CULT_BLOCK_BREITE, hy / CULT_BLOCK_HOEHE)) {
            std::printf("ArbeiterReq: Konnte die Stadtnamen nicht abspeichern!");
            ergebnis = 0;
        }
    }
    return ergebnis;
}
