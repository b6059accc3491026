// The rune-stone board over the tavern: five hidden runes, six rows to find
// them, pegs for right places and right kinds, and a stake of 1,000 gold
// booked on the realm's LAND record once the visit ends.
#include <cstdio>
#include <cstring>

#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/screen.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "realm/realm.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/screendat.h"
#include "world/runestone.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr LONG kBrettX = 174, kBrettY = 40, kBrettW = 306, kBrettH = 420;
constexpr ULONG kBrett = 323, kDeckel = 296, kPlatz = 297, kArt = 298, kErsteGfx = 297, kLetzteGfx = 322;
constexpr LONG kRuneW = 27, kRuneH = 28, kStiftW = 15, kStiftH = 15;
constexpr UWORD kCursorAn = 255, kCursorAus = 35;
constexpr ULONG kBlinkTicks = 5;

LONG StandardFrage(const char *text, int mode) { return ChiefMessage(66, 168, 180, 0, 0, 0, (UBYTE)mode, text, 7); }

void Bild(ULONG n, LONG x, LONG y, LONG w, LONG h) { BlitObjekt(DisplayRastPort(), n, x, y, w, h); }

void Quadrat(RuneStoneData *d, UWORD pen)
{
    const LONG x0 = 196 + 32 * d->X_Pos, x1 = 224 + 32 * d->X_Pos;
    const LONG y0 = 321 - 33 * (LONG)d->Y_Pos, y1 = 350 - 33 * (LONG)d->Y_Pos;
    const WORD ecken[8] = {(WORD)x0, (WORD)y0, (WORD)x1, (WORD)y0, (WORD)x1, (WORD)y1, (WORD)x0, (WORD)y1};
    std::memcpy(d->Koordinaten, ecken, sizeof ecken);
    RastPort *rp = DisplayRastPort();
    SetAPen(rp, pen);
    RectFill(rp, x0, y0, x1, y0);
    RectFill(rp, x0, y1, x1, y1);
    RectFill(rp, x0, y0, x0, y1);
    RectFill(rp, x1, y0, x1, y1);
}

// Moves the cursor square: the old one drawn out, the new one shown lit.
void QuadKoordinaten(RuneStoneData *d, WORD dx, WORD dy)
{
    if (d->Y_Pos < RUNE_REIHEN) Quadrat(d, kCursorAus);
    d->X_Pos = (UWORD)(d->X_Pos + dx);
    d->Y_Pos = (UWORD)(d->Y_Pos + dy);
    d->QuadCounter = 0;
    d->QuadFlag = 1;
    if (d->Y_Pos < RUNE_REIHEN) Quadrat(d, kCursorAn);
}

void QuadInterrupt(RuneStoneData *d)
{
    if (!d->QuadAktiv || d->Y_Pos >= RUNE_REIHEN) return;
    if (++d->QuadCounter < kBlinkTicks) return;
    d->QuadCounter = 0;
    d->QuadFlag = !d->QuadFlag;
    Quadrat(d, d->QuadFlag ? kCursorAn : kCursorAus);
}

void SetFinalRuneStones(RuneStoneData *d)
{
    for (UWORD i = 0; i < RUNE_SPALTEN; ++i) Bild(kArt + d->RuneStones[i], 197 + 32 * i, 112, kRuneW, kRuneH);
}

void Stifte(const RuneStoneData *d, const Punkt &p, const RuneWertung &w)
{
    LONG k = 0;
    for (UWORD i = 0; i < w.Platz; ++i, ++k) Bild(kPlatz, p.X0 + 1 + 16 * k, p.Y0 + 1, kStiftW, kStiftH);
    for (UWORD i = 0; i < w.Art; ++i, ++k) Bild(kArt, p.X0 + 1 + 16 * k, p.Y0 + 1, kStiftW, kStiftH);
    (void)d;
}

void RuneStoneUnLoadGfx(ULONG bis)
{
    for (ULONG n = kErsteGfx; n < bis; ++n) CloseKavorGfx(n);
}

BOOL RuneStoneLoadGfx()
{
    for (ULONG n = kErsteGfx; n <= kLetzteGfx; ++n) {
        if (OpenKavorGfx(kPath, n) != 1) {
            std::printf("RuneStoneLoadGfx : Konnte Grafik %lu nicht finden !\n", (unsigned long)n);
            RuneStoneUnLoadGfx(n);
            return 0;
        }
    }
    return 1;
}

// Restores part of the clean board, in board coordinates.
void Zurueck(BitMap *sauber, LONG sx, LONG sy, LONG w, LONG h)
{
    if (sauber) BltBitMapRastPort(sauber, sx, sy, DisplayRastPort(), kBrettX + sx, kBrettY + sy, w, h, 0xC0);
}

}  // namespace

LONG (*RuneFrageHook)(const char *text, int mode) = StandardFrage;

LONG RuneStone()
{
    std::printf("Routine: RuneStone\n");
    ScreenRegion *region = GetScreenRegion("./Data/screendat/RuneStone.dat", SR_TITLEBAR | SR_GADGETDATA | SR_PUNKT);
    if (!region) {
        std::printf("RuneStone: Kann Gadgetdaten nicht laden!\n");
        return 0;
    }
    // Row r's pegs stand at point 6 - r: a board without seven points
    // cannot be scored.
    if (!region->Punkt || region->CountPunkt < RUNE_REIHEN + 1) {
        std::printf("RuneStone: Brett ohne Punkte f\374r alle Reihen!\n");
        ClearScreenRegion(region);
        return 0;
    }
    BitMap *gerettet = ScreenSaveClip(kBrettX, kBrettY, kBrettW, kBrettH);
    if (!gerettet) {
        std::printf("RuneStone: Konnte Hintergrund nicht retten!\n");
        ClearScreenRegion(region);
        return 0;
    }
    if (OpenKavorGfx(kPath, kBrett) != 1) {
        std::printf("RuneStone: Konnte Requestergrafik nicht laden!\n");
        ScreenRestoreClip(gerettet, kBrettX, kBrettY, kBrettW, kBrettH);
        ClearScreenRegion(region);
        return 0;
    }
    if (OpenKavorGfx(kPath, kDeckel) != 1 || !RuneStoneLoadGfx()) {
        CloseKavorGfx(kDeckel);
        CloseKavorGfx(kBrett);
        ScreenRestoreClip(gerettet, kBrettX, kBrettY, kBrettW, kBrettH);
        ClearScreenRegion(region);
        return 0;
    }
    st_LAND *land = LoadRuneStoneData();
    RastPort *rp = DisplayRastPort();
    Bild(kBrett, kBrettX, kBrettY, kBrettW, kBrettH);
    DrawAllGadgets(rp, region);
    BitMap *sauber = ScreenSaveClip(kBrettX, kBrettY, kBrettW, kBrettH);

    auto *d = (RuneStoneData *)AllocVec(sizeof(RuneStoneData), MEMF_CLEAR);
    BOOL gesetztImBesuch = 0;
    bool weiter = d != nullptr;
    while (weiter) {
        RuneFrageHook(GetString(&_VEK_TAVERNE_RUNETEXT1), 0);
        const BOOL gesetzt = RuneEinsatzMoeglich(land) && RuneFrageHook(GetString(&_VEK_TAVERNE_RUNETEXT9), 1) == 0;
        SetRuneStones(d);
        for (UWORD i = 0; i < RUNE_SPALTEN; ++i) Bild(kDeckel, 197 + 32 * i, 112, kRuneW, kRuneH);
        d->QuadAktiv = 1;
        QuadKoordinaten(d, 0, 0);
        int ausgang = -1;
        while (ausgang < 0) {
            const ULONG code = GetKey(GETKEY_TICKS);
            if (code == EVENT_TICK) {
                QuadInterrupt(d);
                continue;
            }
            GadgetData *g = CheckGadgets(rp, region, code);
            const ULONG id = code == KEY_ESCAPE ? GADGET_EXIT : g ? g->ReturnID : 0;
            if (!id) continue;
            const ULONG k = id >= MakeGadgetID("RUN1") && id <= MakeGadgetID("RUN8") ? id - MakeGadgetID("RUN1") + 1 : 0;
            if (k && d->Y_Pos < RUNE_REIHEN) {
                Bild(kArt + k, 197 + 32 * d->X_Pos, 322 - 33 * (LONG)d->Y_Pos, kRuneW, kRuneH);
                const UWORD alt = d->X_Pos;
                RuneSetzen(d, (UBYTE)k);
                const UWORD neu = d->X_Pos;
                d->X_Pos = alt;
                QuadKoordinaten(d, (WORD)(neu - alt), 0);
            } else if (id == MakeGadgetID("RESE") && d->Y_Pos < RUNE_REIHEN) {
                Zurueck(sauber, 21, 281 - 33 * (LONG)d->Y_Pos, 157, 30);
                ClearLine(d);
                QuadKoordinaten(d, 0, 0);
            } else if (id == MakeGadgetID("OKOK")) {
                RuneFrageHook(GetString(&_VEK_TAVERNE_RUNETEXT6), 0);
            } else if (id == MakeGadgetID("INFO")) {
                if (!TextBox(GetString(&_VEK_TAVERNE_RUNETEXT3))) ausgang = RUNE_AUFGEGEBEN;
            } else if (id == GADGET_EXIT) {
                ausgang = RUNE_AUFGEGEBEN;
            }
            if (ausgang < 0 && d->RowFull) {
                const UWORD reihe = d->Y_Pos;
                RuneWertung w{};
                Quadrat(d, kCursorAus);
                const RuneStand s = SetRuneStonePoints(d, &w);
                Stifte(d, region->Punkt[RUNE_REIHEN - reihe], w);
                if (s == RUNE_GEWONNEN) ausgang = RUNE_SIEG;
                else if (s == RUNE_VERLOREN) ausgang = RUNE_NIEDERLAGE;
                else QuadKoordinaten(d, 0, 0);
            }
        }
        d->QuadAktiv = 0;
        RuneEinsatzBuchen(land, gesetzt, (RuneAusgang)ausgang);
        if (gesetzt) gesetztImBesuch = 1;
        if (ausgang != RUNE_AUFGEGEBEN) {
            SetFinalRuneStones(d);
            RuneFrageHook(GetString(ausgang == RUNE_SIEG ? &_VEK_TAVERNE_RUNETEXT4 : &_VEK_TAVERNE_RUNETEXT5), 0);
            if (RuneFrageHook(GetString(&_VEK_TAVERNE_RUNETEXT7), 1) == 0) {
                RuneFrageHook(GetString(&_VEK_TAVERNE_RUNETEXT8), 0);
                for (ULONG code = 0; code != EVENT_LEFTDOWN && code != KEY_ESCAPE;) code = GetKey(0x01);
            }
        }
        weiter = RuneFrageHook(GetString(&_VEK_TAVERNE_RUNETEXT2), 1) == 0;
        if (weiter) {
            // The whole clean board: rows, pegs, cursor and the uncovered runes.
            Zurueck(sauber, 0, 0, kBrettW, kBrettH);
            ClearGame(d);
        }
    }
    FreeVec(d);
    RuneStoneUnLoadGfx(kLetzteGfx + 1);
    CloseKavorGfx(kDeckel);
    CloseKavorGfx(kBrett);
    if (sauber) FreeBitMap(sauber);
    ScreenRestoreClip(gerettet, kBrettX, kBrettY, kBrettW, kBrettH);
    ClearScreenRegion(region);
    if (gesetztImBesuch) {
        if (!WriteRuneStoneData(land)) std::printf("WriteRuneStoneData : Konnte LandChunk nicht schreiben !\n");
    } else {
        FreeVec(land);
    }
    return 1;
}
