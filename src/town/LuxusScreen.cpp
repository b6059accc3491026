// Screen 919: the luxury goods the player allots to the people. Each of the
// 19 lines shows stock, target with price and the allocation; three scales
// balance the raw sources against their allocations. Ok saves Luxus.dat and
// whether the scales are shown.
#include <algorithm>
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
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/store.h"
#include "town/town.h"
#include "town/wirtschaft.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/screendat.h"
#include "world/luxus.h"
#include "world/towns.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr const char *kSfxPath = "./Data/SfxPath";
constexpr const char *kLayout = "./Data/screendat/Luxus.dat";
constexpr UWORD kPicture = 919, kSfx = 165, kZeiger = 354, kAn = 145, kAus = 143;
constexpr ULONG kMaske = 1591;
constexpr UWORD kPrefRohstoffe = 5;
constexpr LONG kZeile = 12;
constexpr const char *kZuViel = "Mylord, leider besitzen wir nicht soviele Rohstoffe!";
// Scale of each raw line (0 animal, 1 plant, 2 mineral) and the balance it weighs against.
constexpr int kSkala[3] = {7, 6, 8};

struct LokalDataLuxus {
    BOOL Fertig;
    BOOL RohstoffeOn;
    WORD Auswahl;
    ULONG OldX[3], OldY[3];
    LONG PflanzenQuellen, TierQuellen, MineralQuellen;
    LuxusResources *LuxusRes;
    BitMap *BitMapPtr;
    void *WarenChunkPtr;
    ULONG AnzVolk;
    TextFont *ColorFontPtr, *VekFontPtr;
    ScreenRegion *Region;
    st_MovieBase *MovieBase;
    st_Movie *Movie;
    ULONG LuxusData[LUXUS_LINIEN];
};

LONG Balance(const LokalDataLuxus *ld, int roh)
{
    return roh == 0 ? ld->TierQuellen : roh == 1 ? ld->PflanzenQuellen : ld->MineralQuellen;
}

LuxusZeile Zeile(const LokalDataLuxus *ld, int n)
{
    return LuxusZeileVon(n, ld->WarenChunkPtr, ld->TierQuellen, ld->PflanzenQuellen, ld->MineralQuellen, ld->LuxusRes,
                         ld->AnzVolk);
}

void Text(RastPort *rp, const Rechteck &r, LONG y, const char *t, UWORD bg, UWORD fg)
{
    PrintText(rp, r.X0, (UWORD)y, r.X1, (UWORD)(y + kZeile - 1), t, bg, fg, PT_CENTER | PT_BASELINE | PT_FILL | PT_VCENTER);
}

void ZeigeEingabe(LokalDataLuxus *ld)
{
    const DisplayStatusBox &b = ld->Region->DisplayStatusBox[4];
    char t[16];
    std::snprintf(t, sizeof t, "%ld", ld->Auswahl >= 0 ? (long)ld->LuxusData[ld->Auswahl] : 0L);
    RastPort *rp = DisplayRastPort();
    SetFont(rp, ld->VekFontPtr);
    PrintText(rp, b.X0, b.Y0, b.X1, b.Y1, t, 22, 7, PT_CENTER | PT_BASELINE | PT_FILL | PT_VCENTER);
    UpdateRectangle(b.X0, b.Y0, b.X1 - b.X0 + 1, b.Y1 - b.Y0 + 1);
}

// One line in its colours; the allocation is first kept within the stock.
void ZeichneZeile(LokalDataLuxus *ld, int n)
{
    const Rechteck *r = ld->Region->Rechteck;
    const LuxusZeile z = Zeile(ld, n);
    ld->LuxusData[n] = std::min(ld->LuxusData[n], z.Bestand);
    const bool gewaehlt = n == ld->Auswahl;
    const UWORD bg = gewaehlt ? 7 : 6, fg = gewaehlt ? 6 : 7;
    const LONG y = r[0].Y0 + n * kZeile;
    RastPort *rp = DisplayRastPort();
    SetFont(rp, ld->VekFontPtr);
    char t[32];
    Text(rp, r[2], y, GetString(Waren[z.Ware]), bg, fg);
    std::snprintf(t, sizeof t, "%u", (unsigned)z.Bestand);
    Text(rp, r[3], y, t, bg, fg);
    std::snprintf(t, sizeof t, "%u/%d", (unsigned)z.Ziel, (int)z.Preis);
    Text(rp, r[4], y, t, bg, fg);
    std::snprintf(t, sizeof t, "%u", (unsigned)ld->LuxusData[n]);
    Text(rp, r[5], y, t, bg, fg);
    UpdateRectangle(r[2].X0, y, r[5].X1 - r[2].X0 + 1, kZeile);
}

void ZeichneListe(LokalDataLuxus *ld)
{
    const Rechteck &r = ld->Region->Rechteck[0];
    RastPort *rp = DisplayRastPort();
    SetAPen(rp, 6);
    RectFill(rp, r.X0, r.Y0, r.X1, r.Y1);
    for (int n = 0; n < LUXUS_LINIEN; ++n) ZeichneZeile(ld, n);
    static const UWORD stifte[3] = {25, 29, 30};
    for (ULONG p = 0; p < 3 && p < ld->Region->CountPunkt; ++p) {
        const Punkt &pk = ld->Region->Punkt[p];
        for (int i = 0; i < 3; ++i) {
            SetAPen(rp, stifte[i]);
            Move(rp, pk.X0 - 1 + i, pk.Y0);
            Draw(rp, pk.X0 - 1 + i, r.Y1);
        }
    }
    UpdateRectangle(r.X0, r.Y0, r.X1 - r.X0 + 1, r.Y1 - r.Y0 + 1);
}

ULONG Spanne(const LokalDataLuxus *ld)
{
    return LuxusSpanne(ld->LuxusData, ld->TierQuellen, ld->PflanzenQuellen, ld->MineralQuellen);
}

// The pointer of raw line roh at offset on its scale, the old place restored first.
void Zeiger(LokalDataLuxus *ld, int roh, LONG offset)
{
    if (!ld->RohstoffeOn || !ld->BitMapPtr) return;
    const Rechteck &bereich = ld->Region->Rechteck[9];
    const Rechteck &s = ld->Region->Rechteck[kSkala[roh]];
    RastPort *rp = DisplayRastPort();
    if (ld->OldX[roh]) {
        BltBitMapRastPort(ld->BitMapPtr, ld->OldX[roh] - bereich.X0, ld->OldY[roh] - bereich.Y0, rp, ld->OldX[roh],
                          ld->OldY[roh], 16, 20, 0xC0);
        UpdateRectangle(ld->OldX[roh], ld->OldY[roh], 16, 20);
    }
    const LONG x = std::clamp<LONG>(s.X0 + offset - 4, bereich.X0, bereich.X1 - 16), y = s.Y0 - 5;
    BlitObjektMask(rp, kZeiger, 0, x, y, 0, 0);
    UpdateRectangle(x, y, 16, 20);
    ld->OldX[roh] = (ULONG)x, ld->OldY[roh] = (ULONG)y;
}

void VisualizeHQPointer(LokalDataLuxus *ld)
{
    const ULONG M = Spanne(ld);
    for (int roh = 0; roh < 3; ++roh) {
        const Rechteck &s = ld->Region->Rechteck[kSkala[roh]];
        Zeiger(ld, roh, LuxusZeigerOffset(M, Balance(ld, roh), ld->LuxusData[roh], s.X1 - s.X0));
    }
}

void SwitchBoxLuxus(LokalDataLuxus *ld)
{
    ld->RohstoffeOn = !ld->RohstoffeOn;
    const Rechteck &r = ld->Region->Rechteck[10];
    RastPort *rp = DisplayRastPort();
    const UWORD bild = ld->RohstoffeOn ? kAn : kAus;
    if (OpenKavorGfx(kPath, bild) == 1) {
        BlitObjekt(rp, bild, r.X0, r.Y0, 0, 0);
        CloseKavorGfx(bild);
    }
    const Rechteck &b = ld->Region->Rechteck[9];
    if (ld->RohstoffeOn) {
        VisualizeHQPointer(ld);
    } else if (ld->BitMapPtr) {
        BltBitMapRastPort(ld->BitMapPtr, 0, 0, rp, b.X0, b.Y0, b.X1 - b.X0 + 1, b.Y1 - b.Y0 + 1, 0xC0);
        UpdateRectangle(b.X0, b.Y0, b.X1 - b.X0 + 1, b.Y1 - b.Y0 + 1);
        for (int i = 0; i < 3; ++i) ld->OldX[i] = ld->OldY[i] = 0;
    }
}

void Geaendert(LokalDataLuxus *ld, int n)
{
    ZeichneZeile(ld, n);
    ZeigeEingabe(ld);
    if (n < 3) VisualizeHQPointer(ld);
}

void Ziehen(LokalDataLuxus *ld, int roh)
{
    if (!ld->RohstoffeOn) return;
    const ULONG M = Spanne(ld);
    if (M == 0) return;  // no span: nothing to weigh
    const Rechteck &s = ld->Region->Rechteck[kSkala[roh]];
    const Rechteck &pflanze = ld->Region->Rechteck[6];
    const LONG w = s.X1 - s.X0, S = Balance(ld, roh);
    const ULONG bestand = Zeile(ld, roh).Bestand;
    LONG offset = std::clamp<LONG>(GetMouseX() - s.X0, 0, w);
    const LONG grenze = LuxusZugGrenze(M, S, bestand, w);
    if (offset > grenze) {
        WirtschaftDialogHooks.Meldung(kZuViel);
        offset = grenze;
    }
    Zeiger(ld, roh, offset);
    ld->LuxusData[roh] = LuxusZugAllokation(offset, M, S, pflanze.X1 - pflanze.X0, bestand, ld->LuxusData[roh]);
    ZeichneZeile(ld, roh);
    ZeigeEingabe(ld);
}

void Waehlen(LokalDataLuxus *ld)
{
    const Rechteck &r = ld->Region->Rechteck[0];
    const LONG n = (GetMouseY() - r.Y0) / kZeile;
    if (GetMouseY() < r.Y0 || n >= LUXUS_LINIEN) return;
    const WORD alt = ld->Auswahl;
    ld->Auswahl = (WORD)n;
    if (alt >= 0 && alt != n) ZeichneZeile(ld, alt);
    ZeichneZeile(ld, (int)n);
    ZeigeEingabe(ld);
    const UWORD ware = (UWORD)LuxusWare((int)n);
    if (ld->MovieBase) ld->Movie = AnimateWare(ld->MovieBase, ld->Movie, ware, 16, 16);
    const LONG bild = WarenWerte[ware][12];
    if (!ld->Movie && bild > 0 && SetKavorPalette(kPath, (ULONG)bild, 0, 0, 0) && OpenKavorGfx(kPath, (ULONG)bild) == 1) {
        BlitObjekt(DisplayRastPort(), (ULONG)bild, 16, 16, 160, 120);
        CloseKavorGfx((ULONG)bild);
    }
}

void Tippen(LokalDataLuxus *ld)
{
    if (ld->Auswahl < 0 || !ld->Region->CountStringInputInfo) return;
    const DisplayStatusBox &b = ld->Region->DisplayStatusBox[4];
    char vorgabe[16], text[16];
    std::snprintf(vorgabe, sizeof vorgabe, "%ld", (long)ld->LuxusData[ld->Auswahl]);
    if (ZahlEingabe(DisplayRastPort(), ld->VekFontPtr, ld->Region->StringInputInfo[0], b.X0, b.Y0, b.X1, b.Y1, 22,
                    vorgabe, text))
        ld->LuxusData[ld->Auswahl] =
            LuxusBegrenzt(std::strtoll(text, nullptr, 10), Zeile(ld, ld->Auswahl).Bestand);
    Geaendert(ld, ld->Auswahl);
}

void Status(LokalDataLuxus *ld, ULONG box, const char *t)
{
    if (box >= ld->Region->CountDisplayStatusBox) return;
    const DisplayStatusBox &b = ld->Region->DisplayStatusBox[box];
    RastPort *rp = DisplayRastPort();
    PrintText(rp, b.X0, b.Y0, b.X1, b.Y1, t, 19, 7, PT_CENTER | PT_BASELINE | PT_FILL | PT_VCENTER);
}

BOOL LuxusScreenInitAllThings(LokalDataLuxus *ld)
{
    LoadLuxusZuweisung(ld->LuxusData);
    if (!(ld->Region = GetScreenRegion(kLayout, kMaske)) || ld->Region->CountRechteck < 11 ||
        ld->Region->CountDisplayStatusBox < 5) {
        std::printf("LuxusScreenInitAllThings: Kann TitelbarDaten nicht laden!\n");
        return 0;
    }
    RastPort *rp = DisplayRastPort();
    SetDrMd(rp, JAM1);
    const LocStr *texte[8] = {&_VEK_LUXUS_EINWOHNER,       &_VEK_KARTE_WIRTSCHAFTSKARTE, &_VEK_UNBENUTZT,
                              &_VEK_UNBENUTZT,             &_VEK_LUXUS_LUXUS_ROHSTOFFE,  &_VEK_LUXUS_INSTOCK,
                              &_VEK_LUXUS_BENOETIGT,       &_VEK_LUXUS_ZUWEISEN};
    for (ULONG i = 0; i < 8 && i < ld->Region->CountLocaleTextBox; ++i) {
        const LocaleTextBox &t = ld->Region->LocaleTextBox[i];
        SetFont(rp, i == 0 ? ld->ColorFontPtr : ld->VekFontPtr);
        const UWORD bg = i < 4 ? 19 : 43, modus = i == 0 ? 38 : i < 4 ? 36 : 37;
        PrintText(rp, t.X0, t.Y0, t.X1, t.Y1, GetString(texte[i]), bg, 7, modus | PT_FILL);
    }
    SetFont(rp, ld->VekFontPtr);
    BOOL ok = 1;
    if (IsChunkPresent(ChunkBit(CN_LAND), POOL_IN)) {
        auto *land = (st_LAND *)LoadChunk2Mem(ID_LAND, POOL_IN);
        if (!land) {
            std::printf("LuxusScreenInitAllThings: Konnte LandChunk nicht \366ffnen !\n");
            ok = 0;
        } else {
            ld->PflanzenQuellen = land->FaktorPflanzHq;
            ld->TierQuellen = land->FaktorTierHq;
            ld->MineralQuellen = land->FaktorMineralHq;
            ld->AnzVolk = land->AnzVolk;
            FreeVec(land);
        }
    }
    char t[24];
    const LONG quellen[3] = {ld->PflanzenQuellen, ld->TierQuellen, ld->MineralQuellen};
    for (int i = 0; i < 3; ++i) {
        std::snprintf(t, sizeof t, "%ld", (long)quellen[i]);
        Status(ld, (ULONG)i + 1, t);
    }
    if (!(ld->LuxusRes = GetLuxusResources())) {
        std::printf("LuxusScreenInitAllThings: Konnte LuxusRessourcen nicht bestimmen...\n");
        ok = 0;
    }
    ld->WarenChunkPtr = LoadChunk2Mem(ID_WARE, WAREN_FILE);
    if (Stadt *s = GetActiveTown((LONG)PlayerInfo.AktStadtID)) {
        std::snprintf(t, sizeof t, "%u", (unsigned)s->StadtVolk);
        Status(ld, 0, t);
        FreeVec(s);
    } else {
        std::printf("LuxusScreenInitAllThings: Konnte Stadt nicht laden!\n");
        ok = 0;
    }
    if (!ok) return 0;
    ld->Auswahl = -1;
    ZeichneListe(ld);
    ZeigeEingabe(ld);
    DrawAllGadgets(rp, ld->Region);
    if (!(ld->MovieBase = AllocMovieBase(TitelScreenPtr, 0, 0, 0)))
        std::printf("LuxusScreenInitAllThings: AllocMovieBase fehlgeschlagen...\n");
    const Rechteck &b = ld->Region->Rechteck[9];
    if (!(ld->BitMapPtr = ScreenSaveClip(b.X0, b.Y0, b.X1 - b.X0 + 1, b.Y1 - b.Y0 + 1))) {
        std::printf("LuxusScreenInitAllThings: Kann Hintergrund nicht retten !\n");
        return 0;
    }
    if (CheckPrefs(kPrefRohstoffe, PREFS_READ, 0) == 1) SwitchBoxLuxus(ld);
    return 1;
}

}  // namespace

LONG LuxusScreen()
{
    std::printf("Routine: LuxusScreen\n");
    if (IsCDReady(nullptr, 0) == 1) PlayCDTrack(nullptr, 0, 10, 10);
    if (OpenKavorPic(kPath, kPicture, PIC_NOFADE) < 0) {
        std::printf("LuxusScreen: Konnte Pic nicht \366ffnen!\n");
        return -1;
    }
    auto *ld = (LokalDataLuxus *)AllocVec(sizeof(LokalDataLuxus), MEMF_CLEAR);
    bool laeuft = false, zeiger = false, sfx = false;
    if (!(ld->ColorFontPtr = OpenDiskFont("Fonts/KavorC1.fnt")) ||
        !(ld->VekFontPtr = OpenDiskFont("Fonts/XHelvetica11.fnt"))) {
        std::printf("LuxusScreen: Konnte Font nicht laden!\n");
    } else if (!(zeiger = OpenKavorGfx(kPath, kZeiger) == 1) || !LuxusScreenInitAllThings(ld)) {
        std::printf("LuxusScreen: Konnte InitAllThings nicht ausf\374hren !");
    } else {
        if (!(sfx = OpenKavorSfx(kSfxPath, kSfx))) std::printf("Luxuscreen: Konnte SoundSfx nicht \366ffnen !\n");
        else SfxPlayer(kSfx, 0, 1);
        FadeIn();
        laeuft = true;
    }
    LONG next = -1;
    while (laeuft && next == -1) {
        CheckTitleBar(ld->Region->TitleBar, ld->ColorFontPtr, 6);
        const ULONG code = GetKey(0);
        if (code == KEY_ESCAPE) {
            next = 39;
            break;
        }
        GadgetData *g = CheckGadgets(DisplayRastPort(), ld->Region, code);
        if (!g) continue;
        const ULONG id = g->ReturnID;
        if (id == MakeGadgetID("CH00")) {
            Waehlen(ld);
        } else if (id == MakeGadgetID("LE00") || id == MakeGadgetID("RE00")) {
            if (ld->Auswahl < 0) continue;
            ULONG &a = ld->LuxusData[ld->Auswahl];
            const ULONG bestand = Zeile(ld, ld->Auswahl).Bestand;
            if (id == MakeGadgetID("LE00") && a > 0) --a;
            else if (id == MakeGadgetID("RE00") && a < bestand) ++a;
            else continue;
            Geaendert(ld, ld->Auswahl);
        } else if (id == MakeGadgetID("BOX1")) {
            Tippen(ld);
        } else if (id == MakeGadgetID("ROH0") || id == MakeGadgetID("ROH1") || id == MakeGadgetID("ROH2")) {
            // ROH0 the plants (line 1), ROH1 the animals (line 0), ROH2 the minerals (line 2).
            const int k = (int)((id & 0xFF) - '0');
            Ziehen(ld, k == 0 ? 1 : k == 1 ? 0 : 2);
        } else if (id == MakeGadgetID("SX00")) {
            SwitchBoxLuxus(ld);
        } else if (id == MakeGadgetID("IN00")) {
            if (ld->Movie) PauseMovie(ld->Movie, 1);
            WirtschaftDialogHooks.Text(GetString(&_VEK_LUXUS_INFO));
            if (ld->Movie) PauseMovie(ld->Movie, 0);
        } else if (id == MakeGadgetID("OKOK")) {
            if (!SaveLuxusZuweisung(ld->LuxusData)) {
                std::printf("SaveLuxusScreenData: Konnte File nicht \366ffnen...\n");
                continue;  // nothing saved: the allocations stay on the screen
            }
            CheckPrefs(kPrefRohstoffe, PREFS_WRITE, ld->RohstoffeOn ? 1 : 0);
            next = 39;
        } else if (id == GADGET_EXIT) {
            next = 39;
        }
    }
    if (sfx) {
        StopSfx(kSfx);
        CloseKavorSfx(kSfx);
    }
    FreeBitMap(ld->BitMapPtr);
    if (ld->MovieBase && ld->Movie) UnloadMovie(ld->MovieBase, ld->Movie);
    if (ld->MovieBase) FreeMovieBase(ld->MovieBase);
    FreeVec(ld->WarenChunkPtr);
    FreeVec(ld->LuxusRes);
    FreeAllGadgets();
    ClearScreenRegion(ld->Region);
    CloseFont(ld->ColorFontPtr);
    CloseFont(ld->VekFontPtr);
    if (zeiger) CloseKavorGfx(kZeiger);
    FreeVec(ld);
    CloseKavorPic(kPicture, laeuft ? 1 : 0);
    return laeuft ? next : -1;
}
