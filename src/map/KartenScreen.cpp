// The map screen (numbers 3 and 1293). At 8 bits per pixel it is built for
// each visit and torn down after it; above 8 bits it is built once at
// start-up and kept for the whole run as the backdrop over which the other
// screens draw, a visit only re-reading the game data and re-centring the
// view. Other screens that rewrite the game files let it go of its view
// before (KartenScreenUnlockSetup) and have it set up again after.
#include <cstdio>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/palette.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "world/hex.h"
#include "map/kartenloop.h"
#include "map/kartenscreen.h"
#include "map/mapview.h"
#include "media/sound.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/requester.h"

namespace {

LokaleDatenKartenScreen Zustand;

constexpr const char kPfad[] = "./Data/Path";
constexpr ULONG kKarte = 3;
constexpr UWORD kGrenzenPref = 16;
constexpr ULONG kScreenMaske = 518, kMenuMaske = 514;

struct Schrift {
    TextFont *LokaleDatenKartenScreen::*feld;
    const char *datei;
    const char *fehler;
};
const Schrift kSchriften[4] = {
    {&LokaleDatenKartenScreen::VekFontPtr, "Fonts/KavorC1.fnt",
     "KartenScreenKonstruktor: Konnte Kavor-Font KAVORC1 nicht \366ffnen !\n"},
    {&LokaleDatenKartenScreen::VekFont1Ptr, "Fonts/XHelvetica11.fnt",
     "KartenScreenKonstruktor: Konnte Kavor-Font HELVETICA11 nicht \366ffnen !\n"},
    {&LokaleDatenKartenScreen::VekFont2Ptr, "Fonts/XHelvetica13.fnt",
     "KartenScreenKonstruktor: Konnte Kavor-Font HELVETICA13 nicht \366ffnen !\n"},
    {&LokaleDatenKartenScreen::VekFont3Ptr, "Fonts/XHelvetica9.fnt",
     "KartenScreenKonstruktor: Konnte Kavor-Font HELVETICA9 nicht \366ffnen !\n"},
};

bool AchtBit() { return VekDisplay.VekScreen_Tiefe <= 8; }

void AuswahlLoeschen(LokaleDatenKartenScreen *st)
{
    st->AktPerson = nullptr;
    st->BlueHex = 0;
    st->YellowHex = 0;
}

// Ends the view: figures into the map prefs, tiles written back, view freed.
void AnsichtBeenden(LokaleDatenKartenScreen *st)
{
    if (!st->VekMapInfoPtr) return;
    ExitPos(st->VekMapInfoPtr);
    ExitKarte(st->VekMapInfoPtr);
    st->VekMapInfoPtr = nullptr;
    st->AktPerson = nullptr;
}

// The description is made for 1024 x 768; a larger display moves the right
// and lower parts out to its edges and lets the map gadget grow.
void PasseBeschreibungAn(ScreenRegion *sr, LONG dx, LONG dy)
{
    for (ULONG i = 0; i < sr->CountGadgetData; ++i) {
        GadgetData &g = sr->GadgetData[i];
        if (i == 23) {
            g.X1 = (UWORD)(g.X1 + dx);
            g.Y1 = (UWORD)(g.Y1 + dy);
            continue;
        }
        if (i <= 5 || (i >= 9 && i <= 17)) {
            g.X0 = (UWORD)(g.X0 + dx);
            g.X1 = (UWORD)(g.X1 + dx);
        }
        g.Y0 = (UWORD)(g.Y0 + dy);
        g.Y1 = (UWORD)(g.Y1 + dy);
    }
    // Per rectangle: what is added to its four values in file order.
    struct Regel {
        LONG a, b, c, d;
    };
    const Regel regeln[8] = {{0, 0, 0, 0},   {0, 0, 0, 0},   {0, dx, 0, 0},   {0, dx, dy, dy},
                             {0, 0, dx, dx}, {0, dy, 0, dy}, {dx, dy, dx, dy}, {dx, dy, dx, dy}};
    for (ULONG i = 0; i < sr->CountRechteck && i < 8; ++i) {
        Rechteck &r = sr->Rechteck[i];
        r.X0 = (UWORD)(r.X0 + regeln[i].a);
        r.Y0 = (UWORD)(r.Y0 + regeln[i].b);
        r.X1 = (UWORD)(r.X1 + regeln[i].c);
        r.Y1 = (UWORD)(r.Y1 + regeln[i].d);
    }
}

void DruckeTexte(LokaleDatenKartenScreen *st)
{
    ScreenRegion *sr = st->ScreenRegion;
    RastPort *rp = VekDisplay.RastPort_;
    if (!sr || !rp) return;
    for (ULONG i = 0; i < sr->CountLocaleTextBox; ++i) {
        const LocaleTextBox &t = sr->LocaleTextBox[i];
        SetFont(rp, i < 2 ? st->VekFontPtr : st->VekFont1Ptr);
        PrintText(rp, t.X0, t.Y0, t.X1, t.Y1, t.LocaleID ? t.LocaleID : "", 0, 7, 37);
    }
}

int BaueFehlschlag(const char *text)
{
    std::printf("%s", text);
    KartenScreenDestruktor();
    CloseKavorPic(kKarte, 0);
    return 0;
}

// The view's move to the current town at the start of a visit, in 16-bit
// arithmetic: columns in steps of two, an even count of them.
void ZentriereAufStadt(LokaleDatenKartenScreen *st)
{
    VekMapInfo *v = st->VekMapInfoPtr;
    WORD g = 0, h = 0;
    ULONG x = 0, y = 0;
    if (KartenStadtPosHook && KartenStadtPosHook((LONG)PlayerInfo.AktStadtID, &x, &y)) {
        g = (WORD)((WORD)((WORD)x - (WORD)v->X_Hex) >> 1);
        g = (WORD)(g - v->XTiles / 4);
        if (g & 1) g = (WORD)(g + 1);
        h = (WORD)((WORD)y - (WORD)v->Y_Hex - v->YTiles / 2 + 1);
    } else {
        std::printf("KartenScreenKonstruktor: Konnte Stadt nicht laden!\n");
    }
    st->Status = 2;
    st->Quit = 0;
    SetPos(v, g, h);
}

// Built at start-up, the kept screen draws its view straight onto the
// display (no visit runs) and its surroundings, picture 1151 and the
// backdrop 1142 only into the hidden buffer: the view goes there too, and
// the buffer is shown, so the next screen starts over the whole backdrop.
void ZeigeGehaltenenSchirm(VekMapInfo *v)
{
    RastPort *db = KavorGetDBRastPort(0);
    if (!v || !v->LayerBitmapPtr || !db || db == KavorGetDBRastPort(1)) return;
    BltBitMapRastPort(v->LayerBitmapPtr, 16, 28, db, v->Ziel_X1, v->Ziel_Y1, v->Ziel_X2, v->Ziel_Y2, 0xC0);
    if (v->GUIRoutine) v->GUIRoutine(v);
    KavorDBFlip(0);
}

}  // namespace

LokaleDatenKartenScreen *const LDKS = &Zustand;
int (*KartenStadtPosHook)(LONG StadtID, ULONG *X, ULONG *Y) = nullptr;

// length, speed, registers, start step, {step, register} ... 255, zeros to 22 bytes
const UBYTE KartenColorCycle[KARTEN_CYCLE_RANGES * KARTEN_CYCLE_SIZE] = {
    32, 2, 3, 19, 0, 141, 19, 141, 27, 142, 29, 143, 31, 142, 255, 0, 0, 0, 0, 0, 0, 0,
    32, 1, 4, 13, 0, 148, 13, 148, 16, 149, 19, 150, 22, 151, 25, 150, 28, 149, 31, 148, 255, 0,
    15, 4, 2, 5, 0, 139, 5, 139, 9, 140, 14, 139, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    26, 1, 4, 0, 0, 144, 3, 145, 6, 146, 10, 147, 18, 145, 23, 144, 25, 144, 255, 0, 0, 0,
    28, 2, 4, 11, 0, 152, 11, 152, 13, 153, 16, 154, 19, 155, 21, 154, 24, 153, 27, 153, 255, 0,
};

VekMapInfo *InitMap(LokaleDatenKartenScreen *st)
{
    ULONG tx = 0, ty = 0;
    if (!KartenStadtPosHook || !KartenStadtPosHook((LONG)PlayerInfo.AktStadtID, &tx, &ty)) {
        std::printf("InitMap : Konnte Stadt nicht laden!\n");
        return nullptr;
    }
    const LONG breite = VekDisplay.VekScreen_Breite, hoehe = VekDisplay.VekScreen_Hoehe;
    LONG c = (breite + 16) / 48;
    if ((breite + 16) % 48) c -= 1;
    LONG xpos, spalte;
    if (AchtBit()) {
        xpos = c / 2 - 2;
        spalte = (LONG)tx - c / 2 + 2;
    } else {
        xpos = c / 2 - 1;
        spalte = (LONG)tx - c / 2 + 1;
    }
    if (spalte & 1) {
        xpos += 1;
        spalte -= 1;
    }
    const LONG r = ((hoehe + 28 + 55) / 56) >> 1;
    LONG zeile = (LONG)ty - r + 1;
    if (spalte < 0) spalte += WELT_BREITE;
    if (zeile < 0) zeile += WELT_HOEHE;
    st->X_Pos = (WORD)xpos;
    st->Y_Pos = (WORD)(r - 1);

    UWORD status = 'F';
    // Borders follow the stored choice on every set-up, so a second set-up
    // does not turn them off again.
    ULONG grenzen = 0;
    st->Grenzen = CheckPrefsRead(kGrenzenPref, &grenzen) && grenzen ? ~(BOOL)0 : 0;
    if (st->Grenzen) {
        if (AchtBit()) BlitObjekt(nullptr, 145, 515, 375, 21, 19);
        status = 'V';
    }
    st->Rohstoffe = 0;

    VekMapInfo *v = LadeKarte(status, spalte / TEIL_BREITE, zeile / TEIL_HOEHE, "./Map");
    if (!v) {
        std::printf("InitMap : Konnte Karte nicht \366ffnen \n");
        return nullptr;
    }
    v->Jahreszeit = st->Jahreszeit;
    if (!VekDisplay.VekScreen_GLMode) {
        v->GUIRoutine = KartenScreenSetGUI;
        st->VekMapInfoPtr = v;
        const int ok = AchtBit() ? InitPos(v, spalte, zeile, 16, 16, 480, 448, status)
                                 : InitPos(v, spalte, zeile, 0, 0, breite, hoehe, status);
        if (!ok) {
            std::printf("InitMap : Konnte Karte nicht \366ffnen \n");
            st->VekMapInfoPtr = nullptr;
            ExitPos(v);
            ExitKarte(v);
            return nullptr;
        }
    }
    std::printf("Game-Map !\n");
    std::printf("Capital Position X : %u\n        Position Y : %u\n", (unsigned)spalte, (unsigned)zeile);
    return v;
}

int InitAllThingsKarte(LokaleDatenKartenScreen *st, int first)
{
    if (!st) return 0;
    st->OldX_Pos = st->OldY_Pos = -1;
    AnsichtBeenden(st);
    ScreenRegion *rechtecke = nullptr;
    if (AchtBit()) {
        DruckeTexte(st);
        rechtecke = st->GUIScreenRegion;
    } else {
        rechtecke = st->ScreenRegion;
        const LONG dx = (LONG)VekDisplay.VekScreen_Breite - 1024, dy = (LONG)VekDisplay.VekScreen_Hoehe - 768;
        if (first && rechtecke && (dx || dy)) PasseBeschreibungAn(rechtecke, dx, dy);
    }
    ExitMiniMap(st->MiniMap);
    st->MiniMap = InitMiniMap(rechtecke ? rechtecke->Rechteck : nullptr, rechtecke ? rechtecke->CountRechteck : 0);
    if (!st->MiniMap || !InitMap(st)) {
        std::printf("InitAllThings : Konnte Karte nicht \366ffnen !\n");
        return 0;
    }
    return 1;
}

int KartenScreenKonstruktor()
{
    LokaleDatenKartenScreen *st = LDKS;
    if (!st) return 0;
    for (const Schrift &s : kSchriften) {
        if (st->*s.feld) continue;
        if (!(st->*s.feld = OpenDiskFont(s.datei))) {
            std::printf("%s", s.fehler);
            return 0;
        }
    }
    if (st->Status == 0) {
        if (!ReadKartenScreenData(st)) return BaueFehlschlag("KartenScreenKonstruktor: Konnte Daten nicht laden !\n");
        if (OpenKavorPic(kPfad, kKarte, AchtBit() ? PIC_NOFADE : PIC_NOFADE | PIC_NOLOAD) == -1)
            return BaueFehlschlag("KartenScreenKonstruktor: Konnte Pic nicht laden!\n");
        if (!LoadKartenScreenGfx(st)) return BaueFehlschlag("KartenScreenKonstruktor: Konnte Grafiken nicht laden !\n");
        if (AchtBit()) {
            if (!(st->ScreenRegion = GetScreenRegion("./Data/screendat/Karte.dat", kScreenMaske)))
                return BaueFehlschlag("KartenScreenKonstruktor: Kann Screen-Daten nicht laden!\n");
            if (!(st->GUIScreenRegion = GetScreenRegion("./Data/screendat/KarteMenu2.dat", kMenuMaske)))
                return BaueFehlschlag("SwitchGUI : Kann ScreenRegion nicht laden!\n");
            AuswahlLoeschen(st);
            if (!InitAllThingsKarte(st, 0))
                return BaueFehlschlag("KartenScreenKonstruktor: Konnte Screen nicht einrichten !\n");
            FadeIn();
            return 1;
        }
        if (!(st->ScreenRegion = GetScreenRegion("./Data/screendat/Karte1024.dat", kScreenMaske)))
            return BaueFehlschlag("KartenScreenKonstruktor: Kann Screen-Daten nicht laden!\n");
        st->FigurTyp = 0xFFFF;
        if (!InitAllThingsKarte(st, 1))
            return BaueFehlschlag("KartenScreenKonstruktor: Konnte Screen nicht einrichten !\n");
        WriteKartenScreenData(st, 1);
        st->Status = 1;
        ZeigeGehaltenenSchirm(st->VekMapInfoPtr);
        return 1;
    }
    if (st->Status != 1 || AchtBit()) return 0;

    if (!ReadKartenScreenData(st)) {
        std::printf("KartenScreenKonstruktor: Konnte Daten nicht laden !\n");
        return 0;
    }
    // A set-up that failed while another screen ran left no view: make one.
    if (!st->VekMapInfoPtr && !InitAllThingsKarte(st, 0)) {
        std::printf("KartenScreenKonstruktor: Konnte Screen nicht einrichten !\n");
        return 0;
    }
    if (!InitPosLoadPeopleMem(st->VekMapInfoPtr)) {
        std::printf("KartenScreenKonstruktor: Konnte Speicher f\374r Move-Chunk nicht reservieren...");
        return 0;
    }
    AuswahlLoeschen(st);
    if (st->FigurRequester) st->FigurRequester->ReqOldEntry = -1;
    CloseKavorPic(0, 2);
    if (OpenKavorPic(kPfad, kKarte, PIC_CMAPONLY) == -1) {
        std::printf("KartenScreenKonstruktor: Konnte Pic nicht laden!\n");
        return 0;
    }
    ZentriereAufStadt(st);
    return 1;
}

void KartenScreenDestruktor()
{
    LokaleDatenKartenScreen *st = LDKS;
    if (!st) return;
    if (st->Status == 2) {
        if (st->VekMapInfoPtr && !ExitPosWriteMapPrefs(st->VekMapInfoPtr))
            std::printf("KartenScreenDestruktor: Konnte MapPrefs nicht speichern !\n");
        WriteKartenScreenData(st, 1);
        st->Status = 1;
        // The redraw at Status 1 paints the backdrop for the next screen.
        if (st->VekMapInfoPtr) SetPos(st->VekMapInfoPtr, 0, 0);
        return;
    }
    st->GUI = 0;
    ExitMiniMap(st->MiniMap);
    st->MiniMap = nullptr;
    ClearRequester(st->VekRequester);
    st->VekRequester = nullptr;
    ClearRequester(st->FigurRequester);
    st->FigurRequester = nullptr;
    FreeVec(st->FigurListBuffer);
    st->FigurListBuffer = nullptr;
    FreeBitMap(st->FirstBitmap);
    st->FirstBitmap = nullptr;
    if (st->VekMapInfoPtr) {
        AnsichtBeenden(st);
        CloseAllPattern(0);
    }
    if (st->FirstScreenRegion) {
        ClearScreenRegion(st->FirstScreenRegion);
        st->FirstScreenRegion = nullptr;
    } else if (st->ScreenRegion) {
        ClearScreenRegion(st->ScreenRegion);
    }
    st->ScreenRegion = nullptr;
    if (st->GUIScreenRegion) ClearScreenRegion(st->GUIScreenRegion);
    st->GUIScreenRegion = nullptr;
    FreeKartenScreenGfx();
    WriteKartenScreenData(st, 1);
    for (int i = 3; i >= 0; --i) {
        CloseFont(st->*kSchriften[i].feld);
        st->*kSchriften[i].feld = nullptr;
    }
    st->Status = 0;
}

LONG KartenScreen(LONG from, LONG LetsRun)
{
    LokaleDatenKartenScreen *st = LDKS;
    // The shutdown call finds nothing to tear down when start-up built nothing.
    if (!LetsRun && from != 1 && st->Status == 0) return -1;
    PlayCDTrack(UserSystem.OP.CDDevicename, UserSystem.OP.CDDeviceUnit, 6, 6);
    switch (st->Status) {
    case 0:
        if (!KartenScreenKonstruktor()) return -1;
        break;
    case 1:
        if (!LetsRun) {
            KartenScreenDestruktor();
            CloseKavorPic(kKarte, 0);
            return -1;
        }
        if (!KartenScreenKonstruktor()) return -1;
        break;
    default: break;
    }
    LONG ergebnis = from;
    if (LetsRun) {
        // Missing sounds only cost their sound.
        if (!LoadKartenScreenSfx(st)) std::printf("KartenScreen: Konnte Sound nicht laden !\n");
        ColorCycleHandle *zyklus = InitColorCycle(KARTEN_CYCLE_RANGES, KARTEN_CYCLE_SIZE, KartenColorCycle);
        if (from != -1 && st->VekMapInfoPtr) {
            st->VekMapInfoPtr->UpdateMap = 1;
            st->MotionPtr = StartTheMotion(st->VekMapInfoPtr);
            ergebnis = KartenScreenLoop(st, from);
            if (st->MotionPtr) StopTheMotion(st->MotionPtr);
            st->MotionPtr = nullptr;
        }
        if (zyklus) ExitColorCycle(zyklus);
        FreeKartenScreenSfx(st);
        KartenScreenDestruktor();
    }
    CloseKavorPic(kKarte, ergebnis == -1 ? 0 : 1);
    return ergebnis;
}

LONG KartenScreenUnlockSetup()
{
    LokaleDatenKartenScreen *st = LDKS;
    if (st->Status == 0) return 0;  // nothing kept (a newcomer has no map yet)
    AnsichtBeenden(st);
    WriteKartenScreenData(st, 0);
    return 0;
}

int KartenScreenNewSetup(int complete)
{
    LokaleDatenKartenScreen *st = LDKS;
    // A screen that was never built (a newcomer's start had no realm to show)
    // is built whole by its next visit; half a set-up here would lack its
    // screen description and minimap.
    if (st->Status == 0) return 1;
    const UWORD bildschirm = VekDisplay.VekScreen;
    RastPort *port = VekDisplay.RastPort_;
    BitMap *gerettet = ScreenSaveClip(0, 0, 640, 480);
    if (!gerettet) {
        std::printf("KartenScreenNewSetup: Konnte aktuellen Hintergrund nicht retten !\n");
        return 0;
    }
    auto fehler = [&](const char *text) {
        std::printf("%s", text);
        FreeBitMap(gerettet);
        VekDisplay.VekScreen_FadeIn = 1;
        return 0;
    };
    if (!complete) {
        VekDisplay.VekScreen_FadeIn = 0;
        Delay(10);
    } else {
        CloseKavorPic(0, 2);
        FreeCache(5);
        if (!ReadKartenScreenData(st)) return fehler("KartenScreenKonstruktor: Konnte Daten nicht laden !\n");
    }
    if (OpenKavorPic(kPfad, kKarte, PIC_CMAPONLY) == -1)
        return fehler("KartenScreenKonstruktor: Konnte Pic nicht laden!\n");
    AuswahlLoeschen(st);
    if (!InitAllThingsKarte(st, 0)) return fehler("KartenScreenKonstruktor: Konnte Screen nicht einrichten !\n");
    OpenKavorPic(kPfad, bildschirm, complete ? 0 : PIC_CMAPONLY);
    VekDisplay.VekScreen = bildschirm;
    VekDisplay.RastPort_ = port;
    ScreenRestoreClip(gerettet, 0, 0, 640, 480);
    VekDisplay.VekScreen_FadeIn = 1;
    return 1;
}
