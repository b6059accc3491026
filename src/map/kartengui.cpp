// What the map screen draws round the view after each redraw: above 8 bits
// the decorated frame, the control panel, the info panel, the coordinates,
// the pressed scroll picture, the minimap and, while no visit runs, the
// backdrop of the screen that follows; at 8 bits the side panel. Also the
// screen's own pictures and sounds, and the parts later work fills in.
#include <cstdio>
#include <iterator>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/palette.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "world/hex.h"
#include "map/kartenscreen.h"
#include "map/mapview.h"
#include "media/sound.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "ui/gadgets.h"
#include "ui/requester.h"

namespace {

constexpr const char kPfad[] = "./Data/Path";
constexpr const char kSfxPfad[] = "./Data/SfxPath";
constexpr ULONG kSchluessel = 0;

// Loaded always, then above 8 bits as well; released together.
constexpr UWORD kGrafikImmer[] = {378, 380, 448, 449, 471, 866, 867, 868, 869, 870, 871, 872, 873, 874, 875, 1276, 1277};
constexpr UWORD kGrafikHoch[] = {1144, 1145, 1146, 1147, 1148, 1149, 1143, 1150, 1151, 1160, 1161, 1162, 1163, 1164,
                                 1165, 1166, 1167, 1168, 1169, 1170, 1171, 1172, 1173, 1174, 1175, 1176, 1177, 1178};
bool GrafikGeladen[GFX_CACHE_SLOTS];

constexpr UWORD kSfxWinter[4] = {103, 104, 101, 102}, kSfxSonst[4] = {24, 27, 15, 101};
constexpr UWORD kSfxRest[3] = {105, 166, 167};
bool SfxGeladen[SFX_CACHE_SLOTS];

void SetzeAnzeigePort(RastPort *rp)
{
    VekDisplay.RastPort_ = rp;
    if (UserSystem.Display) UserSystem.Display->RastPort_ = rp;
}

bool HexInAnsicht(const LokaleDatenKartenScreen *st, const VekMapInfo *v)
{
    return st->X_Pos >= 0 && st->X_Pos < v->XTiles && st->Y_Pos >= 0 && st->Y_Pos < v->YTiles;
}

// Pictures drawn after every scroll step stay loaded from their first use
// to the teardown, so a step does not read them from disk again.
void Bild(RastPort *rp, ULONG n, LONG x, LONG y)
{
    if (!GrafikGeladen[n - 1] && !BitMapPtrArray[n - 1] && OpenKavorGfx(kPfad, n) == 1) GrafikGeladen[n - 1] = true;
    BlitObjektMask(rp, n, kSchluessel, x, y, 0, 0);
}

void Rahmen(RastPort *rp, LONG w, LONG h)
{
    Bild(rp, 1144, 0, 0);
    Bild(rp, 1145, w - 32, 0);
    Bild(rp, 1146, 0, h - 32);
    Bild(rp, 1147, w - 32, h - 32);
    for (LONG i = 0; i < (w - 64) / 256; ++i) {
        Bild(rp, 1148, 32 + 256 * i, 0);
        Bild(rp, 1148, 32 + 256 * i, h - 16);
    }
    Bild(rp, 1148, w - 288, 0);
    Bild(rp, 1148, w - 288, h - 16);
    for (LONG i = 0; i < (h - 64) / 256; ++i) {
        Bild(rp, 1149, 0, 32 + 256 * i);
        Bild(rp, 1149, w - 16, 32 + 256 * i);
    }
    Bild(rp, 1149, 0, h - 288);
    Bild(rp, 1149, w - 16, h - 288);
}

void Steuerleiste(const LokaleDatenKartenScreen *st, RastPort *rp, LONG w, LONG h)
{
    Bild(rp, 1614, 0, 0);
    Bild(rp, 1615, w - 256, 0);
    Bild(rp, 1143, 3, h - 385);
    Bild(rp, st->Grenzen ? 1160 : 1161, 144, h - 132);
    Bild(rp, st->Stadtnamen ? 1162 : 1163, 124, h - 160);
    Bild(rp, st->Rohstoffe ? 1164 : 1165, 95, h - 178);
    static const UWORD knoepfe[6] = {1168, 1174, 1172, 1170, 1176, 1178};
    for (int i = 0; i < 6; ++i) Bild(rp, knoepfe[i], 10, h - 382 + 41 * i);
}

void GedrueckterPfeil(const LokaleDatenKartenScreen *st, RastPort *rp, LONG h)
{
    const GadgetData *g = st->ScreenRegion ? st->ScreenRegion->AktGadget : nullptr;
    if (!g) return;
    struct Pfeil {
        ULONG code, bild;
        LONG x, y;
    };
    const Pfeil pfeile[4] = {{MakeGadgetID("DOWN"), 1157, 73, h - 23},
                             {MakeGadgetID("LEFT"), 1159, 0, h - 86},
                             {MakeGadgetID("RIGH"), 1155, 132, h - 86},
                             {MakeGadgetID("UPGO"), 1153, 73, h - 157}};
    for (const Pfeil &p : pfeile)
        if (g->ReturnID == p.code) Bild(rp, p.bild, p.x, p.y);
}

void Koordinaten(const LokaleDatenKartenScreen *st, const VekMapInfo *v, RastPort *rp, LONG w, LONG h)
{
    if (st->VekFont2Ptr) SetFont(rp, st->VekFont2Ptr);
    char text[16];
    std::snprintf(text, sizeof text, "%u", (unsigned)v->X_Hex);
    PrintText(rp, (UWORD)(w - 135), (UWORD)(h - 173), (UWORD)(w - 86), (UWORD)(h - 154), text, 19, 7, 45);
    std::snprintf(text, sizeof text, "%u", (unsigned)v->Y_Hex);
    PrintText(rp, (UWORD)(w - 80), (UWORD)(h - 173), (UWORD)(w - 31), (UWORD)(h - 154), text, 19, 7, 45);
}

ULONG FigurListenCode(const LokaleDatenKartenScreen *st)
{
    return MakeGadgetID("BUT1") + (st->FigurTyp == 0xFFFF ? 0 : st->FigurTyp);
}

// The marked hex's outline (the hex cursor comes with the visit loop).
void MarkiereHex(LokaleDatenKartenScreen *st, const VekMapInfo *v)
{
    if (!HexInAnsicht(st, v)) return;
    if (!st->BlueHex && !st->YellowHex) {
        st->OldX_Pos = st->X_Pos;
        st->OldY_Pos = st->Y_Pos;
    }
}

}  // namespace

void KartenScreenSetGUI(VekMapInfo *view)
{
    LokaleDatenKartenScreen *st = LDKS;
    if (!view) return;
    if (st->AktPerson) {
        st->X_Pos = (WORD)CheckWrap((LONG)st->AktPerson->X_Pos - view->X_Hex, WELT_BREITE);
        st->Y_Pos = (WORD)CheckWrap((LONG)st->AktPerson->Y_Pos - view->Y_Hex, WELT_HOEHE);
        if (HexInAnsicht(st, view)) st->BlueHex = 1;
    }
    RastPort *rp = KavorGetDBRastPort(0);
    if (!rp) return;
    SetzeAnzeigePort(rp);
    st->VekMapInfoPtr = view;
    if (st->Rohstoffe) ZeigeRohstoffe(st, 0);
    if (st->Stadtnamen) ZeigeSymbolkarte(st, 0);

    if (VekDisplay.VekScreen_Tiefe <= 8) {
        UpdateInfoBox(st);
        ShowPosition(st);
        MarkiereHex(st, view);
        if (st->FigurRequester || st->GUI == 1) UpdateFigurRequester(st, FigurListenCode(st));
        return;
    }
    const LONG w = VekDisplay.VekScreen_Breite, h = VekDisplay.VekScreen_Hoehe;
    const bool leiste = w > 1023 && h > 599;
    Rahmen(rp, w, h);
    if (leiste) Steuerleiste(st, rp, w, h);
    if (st->Status != 2) {
        if (leiste) {
            Bild(rp, 1151, w - 164, h - 152);
            if (HexInAnsicht(st, view)) {
                const MapEntry *e = FensterHex(view, view->IndeX + st->X_Pos, view->IndeY + st->Y_Pos);
                UWORD art = e ? e->Art : 0;
                if (art == 0 || art == 0xFFFF) art = 7;
                if (art < KARTEN_ELEMENTE)
                    BlitObjektMask(rp, KartenElemente[art][st->Jahreszeit & 3], kSchluessel, w - 116, h - 110, 0, 0);
            }
        }
    } else {
        Bild(rp, 1150, w - 164, h - 178);
        Bild(rp, 1167, w - 800, h - 247);
        UpdateInfoBox(st);
        MarkiereHex(st, view);
        UpdateFigurRequester(st, FigurListenCode(st));
        Koordinaten(st, view, rp, w, h);
    }
    GedrueckterPfeil(st, rp, h);
    if (leiste) SetMiniMap(view, st->MiniMap, 0, 0);
    if (st->Status != 2) {
        // The backdrop goes into the buffer the flip shows next: picture 1142
        // and the black 640 x 480 area of the screen that follows.
        SetKavorPalette(kPfad, 1142, 0, 0, 4);
        Bild(rp, 1142, (w - 700) / 2, (h - 538) / 2 - 30);
        SetAPen(rp, 0);
        const LONG x0 = (w - 640) / 2, y0 = (h - 480) / 2 - 30;
        RectFill(rp, x0, y0, x0 + 639, y0 + 479);
    }
    SetzeAnzeigePort(KavorGetDBRastPort(1));
}

int SwitchGUI(LokaleDatenKartenScreen *st)
{
    if (!st || VekDisplay.VekScreen_Tiefe > 8) return 1;
    const ScreenRegion *haupt = st->FirstScreenRegion ? st->FirstScreenRegion : st->ScreenRegion;
    if (!haupt || haupt->CountRechteck < 2) return 1;
    const Rechteck &r = haupt->Rechteck[1];
    if (st->GUI == 0) {
        if (!st->FirstBitmap) st->FirstBitmap = ScreenSaveClip(r.X0, r.Y0, r.X1 - r.X0, r.Y1 - r.Y0);
        if (!st->FirstBitmap) {
            std::printf("SwitchGUI : Konnte ein Rechteck des Hintergrundes nicht retten !\n");
            return 0;
        }
        BlitObjekt(nullptr, 865, r.X0, r.Y0, 0, 0);
        if (st->GUIScreenRegion) {
            st->GUI = 1;
            st->FigurTyp = 0xFFFF;
            st->FirstScreenRegion = st->ScreenRegion;
            st->ScreenRegion = st->GUIScreenRegion;
            UpdateFigurRequester(st, MakeGadgetID("BUT1"));
            ShowPosition(st);
        }
    } else if (st->FirstBitmap) {
        ClearRequester(st->FigurRequester);
        st->FigurRequester = nullptr;
        FreeVec(st->FigurListBuffer);
        st->FigurListBuffer = nullptr;
        st->ScreenRegion = st->FirstScreenRegion;
        st->FirstScreenRegion = nullptr;
        ScreenRestoreClip(st->FirstBitmap, r.X0, r.Y0, r.X1 - r.X0, r.Y1 - r.Y0);
        st->FirstBitmap = nullptr;
        st->GUI = 0;
        ShowPosition(st);
        if (!UpdateInfoBox(st)) std::printf("SwitchGUI : Konnte InfoBox nicht updaten\n");
    }
    return 1;
}

int LoadKartenScreenGfx(LokaleDatenKartenScreen *)
{
    // What this call loaded, in order: a picture that fails gives them back,
    // so a failed construction holds nothing.
    UWORD neu[std::size(kGrafikImmer) + std::size(kGrafikHoch)];
    size_t anzahl = 0;
    auto lade = [&](UWORD n) {
        if (GrafikGeladen[n - 1]) return true;
        if (OpenKavorGfx(kPfad, n) != 1) {
            std::printf("LoadKartenScreenGfx : Konnte Grafik nicht \366ffnen! <%u>\n", (unsigned)n);
            while (anzahl) {
                const UWORD alt = neu[--anzahl];
                CloseKavorGfx(alt);
                GrafikGeladen[alt - 1] = false;
            }
            return false;
        }
        GrafikGeladen[n - 1] = true;
        neu[anzahl++] = n;
        return true;
    };
    for (UWORD n : kGrafikImmer)
        if (!lade(n)) return 0;
    if (VekDisplay.VekScreen_Tiefe > 8)
        for (UWORD n : kGrafikHoch)
            if (!lade(n)) return 0;
    return 1;
}

void FreeKartenScreenGfx()
{
    for (int i = 0; i < GFX_CACHE_SLOTS; ++i)
        if (GrafikGeladen[i]) {
            CloseKavorGfx((ULONG)i + 1);
            GrafikGeladen[i] = false;
        }
}

int LoadKartenScreenSfx(LokaleDatenKartenScreen *st)
{
    auto lade = [](UWORD n) {
        if (!OpenKavorSfx(kSfxPfad, n)) {
            std::printf("LoadStadtScreenSfx : Konnte Sound-FX nicht \366ffnen!\n");
            return 0;
        }
        SfxGeladen[n - 1] = true;
        return 1;
    };
    int ok = lade(78);
    for (UWORD n : st->Jahreszeit == 3 ? kSfxWinter : kSfxSonst) ok &= lade(n);
    for (UWORD n : kSfxRest) ok &= lade(n);
    return ok;
}

void FreeKartenScreenSfx(LokaleDatenKartenScreen *st)
{
    if (st->LastSfx && IsSfxReady(st->LastSfx)) {
        CloseKavorSfx(st->LastSfx);
        st->LastSfx = 0;
    }
    for (int i = 0; i < SFX_CACHE_SLOTS; ++i)
        if (SfxGeladen[i]) {
            CloseKavorSfx((UWORD)(i + 1));
            SfxGeladen[i] = false;
        }
}

