// Screen 56: the granary. The chambers fill with the grain stock, the
// harvest and rats show, rain comes by the weather; a click on the title
// opens the requester in which the player divides the realm's grain between
// seed, grain stock and the people's grain, and Ok writes the KORN order.
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
#include "media/wetterregen.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "town/town.h"
#include "town/wirtschaft.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/screendat.h"
#include "world/kornlager.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr const char *kSfxPath = "./Data/SfxPath";
constexpr const char *kLayout = "./Data/screendat/KornLager.dat";
constexpr const char *kLayoutReq = "./Data/screendat/KornLagerReq.dat";
constexpr UWORD kPicture = 56;
constexpr ULONG kMaske = SR_TITLEBAR | SR_GADGETDATA;                                        // 3
constexpr ULONG kMaskeReq = SR_TITLEBAR | SR_GADGETDATA | SR_LOCALETEXTBOX | SR_STRINGINPUTINFO |
                            SR_DISPLAYSTATUSBOX;                                              // 55
constexpr UWORD kGfx[] = {159, 158, 125, 126, 123, 124};
constexpr UWORD kLeer = 158, kVoll = 159, kPfeilAb = 125, kPfeilAuf = 123, kHintergrund = 155, kMarke = 160,
                kRatten = 1082;
constexpr UWORD kSfxAmbiente = 15, kSfxReq = 16;
constexpr LONG kReqX = 66, kReqY = 68, kReqW = 516, kReqH = 390;
constexpr LONG kKammerX[2] = {228, 308}, kKammerY[2] = {116, 300}, kKammerW[2] = {304, 272}, kKammerH = 108;
enum Box { B_WERT = 0, B_JAHRESZEIT = 3, B_JAHR = 4, B_BALKEN = 7, B_KERBE_SAAT = 10, B_KERBE_BEV = 11, B_ANZAHL = 12 };

Rechteck kVerschont[] = {{0, 0, 639, 16},  {0, 16, 16, 480},   {623, 0, 639, 480},
                         {0, 463, 640, 480}, {170, 0, 470, 36}, {0xFFFF, 0, 0, 0}};
Rechteck kVerschontReq[] = {{0, 0, 639, 16},   {0, 16, 16, 480},   {623, 0, 639, 480}, {0, 463, 640, 480},
                            {170, 0, 470, 36}, {66, 68, 582, 458}, {0xFFFF, 0, 0, 0}};
Rechteck kVerschontInfo[] = {{0, 0, 639, 16},   {0, 16, 16, 480},   {623, 0, 639, 480}, {0, 463, 640, 480},
                             {170, 0, 470, 36}, {66, 50, 573, 458}, {0xFFFF, 0, 0, 0}};

struct KornScreen {
    LokaleDatenKornLager d;
    ScreenRegion *Region = nullptr;
    ScreenRegion *Req = nullptr;
    TextFont *VekFont4Ptr = nullptr, *VekFontPtr = nullptr, *VekFont9Ptr = nullptr;
    WetterRegen Regen{};
    BitMap *Kammer[2] = {};
    BitMap *KerbenStreifen[2] = {};
    UWORD OldKornKammer = 0;
    int gfx = 0;
};

TextFont *ZahlFont(const KornScreen *st)
{
    return st->d.AnzKornlager > 250 && st->VekFont9Ptr ? st->VekFont9Ptr : st->VekFont4Ptr;
}

void Status(KornScreen *st, int box, const char *text)
{
    if (!st->Req || (ULONG)box >= st->Req->CountDisplayStatusBox) return;
    RastPort *rp = DisplayRastPort();
    SetFont(rp, ZahlFont(st));
    PrintDisplayStatus(rp, &st->Req->DisplayStatusBox[box], text);
}

// A notch of three lines in three pens at the bar position of v, in the strip
// of box.
void Kerbe(KornScreen *st, int box, LONG v, const UWORD stifte[3])
{
    const DisplayStatusBox &b = st->Req->DisplayStatusBox[box];
    const DisplayStatusBox &balken = st->Req->DisplayStatusBox[B_BALKEN];
    const LONG y = balken.Y0 + KornBalkenOffset(v, st->d.Maxwert, st->d.Maxpixel);
    RastPort *rp = DisplayRastPort();
    for (int i = 0; i < 3; ++i) {
        SetAPen(rp, stifte[i]);
        Move(rp, b.X0, y - 1 + i);
        Draw(rp, b.X1, y - 1 + i);
    }
    UpdateRectangle(b.X0, y - 1, b.X1 - b.X0 + 1, 3);
}

void VisualizeStatus(KornScreen *st, int lager)
{
    if (!st->Req || st->Req->CountDisplayStatusBox < B_ANZAHL) return;
    const LONG v = st->d.AktMenge_KornSpeicher[lager];
    const LONG offset = KornBalkenOffset(v, st->d.Maxwert, st->d.Maxpixel);
    const DisplayStatusBox &b = st->Req->DisplayStatusBox[B_BALKEN + lager];
    const LONG w = st->Req->DisplayStatusBox[B_BALKEN].X1 - st->Req->DisplayStatusBox[B_BALKEN].X0 + 1;
    RastPort *rp = DisplayRastPort();
    BlitObjekt(rp, kLeer, b.X0, b.Y0, w, offset + 1);
    BlitObjekt(rp, kVoll, b.X0, b.Y0 + offset, w, st->d.Maxpixel - offset + 1);
    char t[16];
    std::snprintf(t, sizeof t, "%d", (int)v);
    Status(st, B_WERT + lager, t);
}

void AlleBalken(KornScreen *st)
{
    for (int i = 0; i < 3; ++i) VisualizeStatus(st, i);
}

void Kerben(KornScreen *st)
{
    static const UWORD rot[3] = {39, 43, 42}, gruen[3] = {48, 54, 50};
    const int boxen[2] = {B_KERBE_SAAT, B_KERBE_BEV};
    for (int k = 0; k < 2; ++k) {
        const DisplayStatusBox &b = st->Req->DisplayStatusBox[boxen[k]];
        const LONG w = b.X1 - b.X0 + 1, h = b.Y1 - b.Y0 + 1;
        if (!st->KerbenStreifen[k]) st->KerbenStreifen[k] = ScreenSaveClip(b.X0, b.Y0, w, h);
    }
    if (st->d.Status_Season == 0) Kerbe(st, B_KERBE_SAAT, (LONG)KornBedarfSaat(st->d.AnzVolk), rot);
    Kerbe(st, B_KERBE_BEV, (LONG)std::min<ULONG>(KornBedarfVolk(st->d.AnzVolk), KORN_GRENZE), rot);
    Kerbe(st, B_KERBE_SAAT, (LONG)std::min<ULONG>(st->d.AusfallSaatlager, KORN_GRENZE), gruen);
    Kerbe(st, B_KERBE_BEV, (LONG)std::min<ULONG>(st->d.AusfallBevLager, KORN_GRENZE), gruen);
}

void SetKornImages(KornScreen *st)
{
    RastPort *rp = DisplayRastPort();
    if (st->d.Status_Ratten && OpenKavorGfx(kPath, kRatten) == 1) {
        BlitObjektMask(rp, kRatten, 0, 16, 439, 0, 0);
        CloseKavorGfx(kRatten);
    }
    for (int i = 0; i < 2; ++i)
        if (!st->Kammer[i]) st->Kammer[i] = ScreenSaveClip(kKammerX[i], kKammerY[i], kKammerW[i], kKammerH);
    const UWORD band = KornKammerBand(KornFuellstand(st->d.AktMenge_KornSpeicher[KORN_LAGER],
                                                     st->d.MaxMenge_KornSpeicher[KORN_LAGER]));
    if (band == st->OldKornKammer) return;
    st->OldKornKammer = band;
    for (int i = 0; i < 2; ++i) {
        if (band == 0) {
            // Putting the background back gives its copy away: keep a new one.
            if (!st->Kammer[i]) continue;
            ScreenRestoreClip(st->Kammer[i], kKammerX[i], kKammerY[i], kKammerW[i], kKammerH);
            st->Kammer[i] = ScreenSaveClip(kKammerX[i], kKammerY[i], kKammerW[i], kKammerH);
            continue;
        }
        const UWORD bild = (UWORD)(463 + band + 3 * i);
        if (OpenKavorGfx(kPath, bild) == 1) {
            BlitObjekt(rp, bild, kKammerX[i], kKammerY[i], 0, 0);
            CloseKavorGfx(bild);
        }
    }
}

void Titel(KornScreen *st, const TitleBar *t)
{
    CheckTitleBar(t, st->VekFontPtr, 6);
    RastPort *rp = DisplayRastPort();
    SetAPen(rp, 7);
    SetDrMd(rp, JAM1);
    SetFont(rp, st->VekFont4Ptr);
}

// Typing a store's value over its status box.
void KornlagerInputBox(KornScreen *st, int lager)
{
    if (!st->Req || (ULONG)lager >= st->Req->CountStringInputInfo) return;
    const DisplayStatusBox &b = st->Req->DisplayStatusBox[B_WERT + lager];
    char vorgabe[16], text[16];
    std::snprintf(vorgabe, sizeof vorgabe, "%ld", (long)st->d.AktMenge_KornSpeicher[lager]);
    if (ZahlEingabe(DisplayRastPort(), ZahlFont(st), st->Req->StringInputInfo[lager], b.X0, b.Y0, b.X1, b.Y1, 22,
                    vorgabe, text))
        KornEingabe(&st->d, lager, KornZahl(text));
    AlleBalken(st);
}

// The part of the requester that does not change.
void InitAllThingsKornlager(KornScreen *st)
{
    RastPort *rp = DisplayRastPort();
    if (OpenKavorGfx(kPath, kHintergrund) == 1) {
        BlitObjekt(rp, kHintergrund, kReqX, kReqY, kReqW, kReqH);
        CloseKavorGfx(kHintergrund);
    }
    for (int i = 0; i < 3; ++i) {
        BlitObjekt(rp, kPfeilAb, 123 + 154 * i, 271, 16, 16);
        BlitObjekt(rp, kPfeilAuf, 192 + 154 * i, 271, 16, 16);
    }
    SetFont(rp, st->VekFont4Ptr);
    for (ULONG i = 0; i < st->Req->CountLocaleTextBox; ++i) {
        const LocaleTextBox &t = st->Req->LocaleTextBox[i];
        PrintText(rp, t.X0, t.Y0, t.X1, t.Y1, t.LocaleID ? t.LocaleID : "", 0, 7, 37);
    }
    AlleBalken(st);
    char t[16];
    std::snprintf(t, sizeof t, "%d", (int)st->d.Status_Anno);
    Status(st, B_JAHR, t);
    Status(st, B_JAHRESZEIT, GetStringFromID(175 + std::min<UWORD>(st->d.Status_Season, 3)));
    std::snprintf(t, sizeof t, "%d", (int)std::min<ULONG>(st->d.AnzKornlager, 0x7FFFFFFF));
    SetFont(rp, st->VekFontPtr);
    PrintText(rp, 310, 130, 326, 140, t, 0, 7, 5);
    if (OpenKavorGfx(kPath, kMarke) == 1) {
        const ULONG vertrauen = std::min<ULONG>(st->d.Status_Vertrauen, 500);
        BlitObjektMask(rp, kMarke, 0, 220 + (LONG)(st->d.Status_Erntevorhersage * 190 / 100), 363, 7, 13);
        BlitObjektMask(rp, kMarke, 0, 220 + (LONG)(vertrauen * 190 / 100), 397, 7, 13);
        CloseKavorGfx(kMarke);
    }
    Kerben(st);
    DrawAllGadgets(rp, st->Req);
    UpdateRectangle(kReqX, kReqY, kReqW, kReqH);
}

void KornLagerRequester(KornScreen *st)
{
    RegenVerschonen(&st->Regen, kVerschontReq);
    st->Req = GetScreenRegion(kLayoutReq, kMaskeReq);
    if (!st->Req) {
        std::printf("KornLagerRequester: Kann TitelbarDaten nicht laden!\n");
        RegenVerschonen(&st->Regen, kVerschont);
        return;
    }
    BitMap *unter = ScreenSaveClip(kReqX, kReqY, kReqW, kReqH);
    const bool ok = unter && st->Req->CountDisplayStatusBox >= B_ANZAHL && st->Req->CountStringInputInfo >= 3;
    if (!ok) {
        if (unter) std::printf("KornLagerRequester: Kann KornRequester nicht initialisieren !\n");
        std::printf("KornLagerRequester: Kann KonrRequester nicht initialisieren !\n");
    } else {
        InitAllThingsKornlager(st);
        SfxPlayer(kSfxReq, 0, 1);
    }
    // The press that opened the requester ends here: its release is no click on it.
    bool geoeffnet = true;
    for (bool fertig = !ok; !fertig;) {
        Titel(st, st->Req->TitleBar);
        const ULONG code = GetKey(0);
        if (code == EVENT_LEFTDOWN) geoeffnet = false;
        if (code == EVENT_LEFTUP && geoeffnet) {
            geoeffnet = false;
            continue;
        }
        if (code == KEY_ESCAPE) {
            // Leaving the requester without Ok keeps nothing of it.
            std::memcpy(st->d.AktMenge_KornSpeicher, st->d.OrgMenge_KornSpeicher, sizeof st->d.OrgMenge_KornSpeicher);
            StopSfx(kSfxReq);
            break;
        }
        GadgetData *g = CheckGadgets(DisplayRastPort(), st->Req, code);
        if (!g) continue;
        const ULONG id = g->ReturnID;
        static const ULONG pfeile[6] = {MakeGadgetID("UP00"), MakeGadgetID("DO00"), MakeGadgetID("UP01"),
                                        MakeGadgetID("DO01"), MakeGadgetID("UP02"), MakeGadgetID("DO02")};
        const ULONG *pfeil = std::find(pfeile, pfeile + 6, id);
        if (pfeil != pfeile + 6) {
            LONG vorher[3];
            std::memcpy(vorher, st->d.AktMenge_KornSpeicher, sizeof vorher);
            KornPfeil(&st->d, (int)(pfeil - pfeile));
            for (int i = 0; i < 3; ++i)
                if (vorher[i] != st->d.AktMenge_KornSpeicher[i]) VisualizeStatus(st, i);
        } else if (id == MakeGadgetID("BOX1") || id == MakeGadgetID("BOX2") || id == MakeGadgetID("BOX3")) {
            KornlagerInputBox(st, (int)((id & 0xFF) - '1'));
        } else if (id == MakeGadgetID("INFO")) {
            RegenVerschonen(&st->Regen, kVerschontInfo);
            WirtschaftDialogHooks.Text(GetString(&_VEK_KORNLAGER_INFOTEXT1));
            RegenVerschonen(&st->Regen, kVerschontReq);
        } else if (id == MakeGadgetID("OKOK")) {
            StopSfx(kSfxReq);
            if (!WriteKornLagerData(&st->d)) {
                std::printf("WriteKornLagerData: Konnte Speicher f\374r Reichsdaten nicht allokieren...\n");
                std::printf("Konnte Game-Daten nicht abspeichern ! B\366ser Fehler !\n");
            }
            fertig = true;
        } else if (id == GADGET_EXIT) {
            StopSfx(kSfxReq);
            std::memcpy(st->d.AktMenge_KornSpeicher, st->d.OrgMenge_KornSpeicher, sizeof st->d.OrgMenge_KornSpeicher);
            fertig = true;
        }
    }
    if (unter) ScreenRestoreClip(unter, kReqX, kReqY, kReqW, kReqH);
    for (BitMap *&b : st->KerbenStreifen) {
        FreeBitMap(b);
        b = nullptr;
    }
    ClearScreenRegion(st->Req);
    st->Req = nullptr;
    SetKornImages(st);
    RegenVerschonen(&st->Regen, kVerschont);
}

bool InTitel(const ScreenRegion *r)
{
    if (!r || !r->CountTitleBar) return false;
    const TitleBar &t = r->TitleBar[0];
    const LONG x = GetMouseX(), y = GetMouseY();
    return x >= t.X_Pos1 && x <= t.X_Pos2 && y >= t.Y_Pos1 && y <= t.Y_Pos2;
}

}  // namespace

LONG KornlagerScreen()
{
    std::printf("Routine: KornlagerScreen\n");
    if (IsCDReady(nullptr, 0) == 1) PlayCDTrack(nullptr, 0, 7, 7);
    const bool bild = OpenKavorPic(kPath, kPicture, PIC_NOFADE) >= 0;
    if (!bild) {
        std::printf("KornlagerScreen: Konnte Pic nicht laden!\n");
        return -1;
    }
    auto *st = new KornScreen{};
    bool laeuft = false, sfx = false;
    if (!ReadKornLagerData(&st->d)) {
        std::printf("KornlagerScreen: Kann lokale Daten nicht initialisieren !\n");
    } else if ([&] {
                   for (; st->gfx < (int)(sizeof kGfx / sizeof kGfx[0]); ++st->gfx)
                       if (OpenKavorGfx(kPath, kGfx[st->gfx]) != 1) return false;
                   return true;
               }() == false) {
        std::printf("LoadKornLagerGfx : Konnte Grafik nicht \366ffnen!\n");
        std::printf("KornlagerScreen: Konnte Grafiken nicht laden !\n");
    } else {
        if (st->d.Wetter >= 4 && st->d.Wetter <= 6) SetKavorPalette(kPath, 470, 0, 0, 1);
        RastPort *rp = DisplayRastPort();
        const UWORD ernte = st->d.Zustand_Ernte == 2 ? 157 : st->d.Zustand_Ernte == 3 ? 156 : 0;
        if (ernte && OpenKavorGfx(kPath, ernte) == 1) {
            BlitObjekt(rp, ernte, 16, 250, 0, 0);
            CloseKavorGfx(ernte);
        }
        for (UWORD s : {kSfxAmbiente, kSfxReq, REGEN_SFX})
            if (!OpenKavorSfx(kSfxPath, s)) std::printf("KornlagerScreen: Konnte Sound-FX %u nicht laden\n", s);
        sfx = true;
        SetKornImages(st);
        if (!st->Kammer[0] || !st->Kammer[1]) {
            std::printf("SetKornImages: Konnte Bereich 1 der Kornkammer nicht retten !\n");
            std::printf("KornlagerScreen: Konnte Grafiken nicht retten !\n");
        } else {
            FadeIn();
            if (!(st->Region = GetScreenRegion(kLayout, kMaske))) {
                std::printf("KornlagerScreen: Kann TitelbarDaten nicht laden!\n");
            } else if (!(st->VekFont4Ptr = OpenDiskFont("Fonts/XHelvetica11.fnt"))) {
                std::printf("KornlagerScreen: Konnte Font nicht laden!\n");
            } else if (!(st->VekFontPtr = OpenDiskFont("Fonts/KavorC1.fnt"))) {
                std::printf("Konnte Kavor-Font nicht \366ffnen !\n");
            } else if (!(st->VekFont9Ptr = OpenDiskFont("Fonts/XHelvetica9.fnt"))) {
                std::printf("KornlagerScreen: Konnte Font nicht laden!\n");
            } else {
                DrawAllGadgets(rp, st->Region);
                SfxPlayer(kSfxAmbiente, 0, 1);
                RegenStart(&st->Regen, kVerschont);
                laeuft = true;
            }
        }
    }
    LONG next = -1;
    while (laeuft && next == -1) {
        Titel(st, st->Region->TitleBar);
        const ULONG code = GetKey(GETKEY_TICKS);
        if (code == EVENT_TICK) {
            const bool fiel = st->Regen.Regen != nullptr;
            if (RegenTick(&st->Regen, (UBYTE)std::min<UWORD>(st->d.Wetter, 255))) StopSfx(kSfxAmbiente);
            if (fiel && !st->Regen.Regen) SfxPlayer(kSfxAmbiente, 0, 1);
            continue;
        }
        if (code == KEY_ESCAPE) {
            next = 39;
            break;
        }
        if (code == EVENT_LEFTDOWN && InTitel(st->Region)) {
            KornLagerRequester(st);
            continue;
        }
        GadgetData *g = CheckGadgets(DisplayRastPort(), st->Region, code);
        if (g && (g->ReturnID == GADGET_EXIT || g->ReturnID == MakeGadgetID("TOWN"))) next = 39;
    }
    RegenEnde(&st->Regen);
    if (sfx)
        for (UWORD s : {kSfxAmbiente, kSfxReq, REGEN_SFX}) {
            StopSfx(s);
            CloseKavorSfx(s);
        }
    for (BitMap *b : st->Kammer) FreeBitMap(b);
    CloseFont(st->VekFont4Ptr);
    CloseFont(st->VekFontPtr);
    CloseFont(st->VekFont9Ptr);
    FreeAllGadgets();
    ClearScreenRegion(st->Region);
    for (int i = st->gfx - 1; i >= 0; --i) CloseKavorGfx(kGfx[i]);
    delete st;
    CloseKavorPic(kPicture, laeuft ? 1 : 0);
    return laeuft ? next : -1;
}
