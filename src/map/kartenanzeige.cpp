// What the map screen answers with besides the view: the voice of a figure
// when it is selected or ordered, the three display switches with their
// indicators, the position read-out of the 8-bit panel and the chapel story.
#include <cstdio>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "map/kartenscreen.h"
#include "map/mapview.h"
#include "media/sound.h"
#include "platform/catalog.h"
#include "platform/gamevalues.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "ui/dialogs.h"

namespace {

constexpr const char kPfad[] = "./Data/Path";
constexpr const char kSfxPfad[] = "./Data/SfxPath";
constexpr UBYTE kAnBord = 7;
constexpr UWORD kStiftMarke = 6;
constexpr UWORD kPrefGrenzen = 16;

struct Stimmen {
    const UWORD *nr;
    ULONG anzahl;
};

template <size_t N> constexpr Stimmen S(const UWORD (&a)[N]) { return {a, N}; }

// Voices by kind: one list for an order, one for a selection.
constexpr UWORD kB0[] = {35}, kW0[] = {36, 37, 38};
constexpr UWORD kB1[] = {47}, kW1[] = {45, 46, 48};
constexpr UWORD kB2[] = {81, 82, 83, 84, 86}, kW2[] = {79, 80, 85};
constexpr UWORD kB3[] = {89, 92}, kW3[] = {87, 88, 90, 91};
constexpr UWORD kB4[] = {149, 151}, kW4[] = {148, 150, 152};
constexpr UWORD kB5[] = {154, 155, 157}, kW5[] = {153, 156};
constexpr UWORD kB6[] = {159, 161, 162}, kW6[] = {158, 160};
constexpr UWORD kB7[] = {133}, kW7[] = {131, 132, 134};
constexpr UWORD kB8[] = {138, 140}, kW8[] = {135, 136, 137, 139};
constexpr UWORD kB9[] = {141, 142, 143}, kW9[] = {144, 145, 146, 147};
constexpr UWORD kBZivil[] = {117, 116, 118, 121, 122, 124}, kWZivil[] = {114, 115, 119, 120, 123};
constexpr UWORD kBSchiff[] = {126, 127, 130}, kWSchiff[] = {128, 129};

Stimmen StimmenFuer(UWORD art, bool befehl)
{
    switch (art) {
    case 0: return befehl ? S(kB0) : S(kW0);
    case 1: return befehl ? S(kB1) : S(kW1);
    case 2: return befehl ? S(kB2) : S(kW2);
    case 3: return befehl ? S(kB3) : S(kW3);
    case 4: return befehl ? S(kB4) : S(kW4);
    case 5: return befehl ? S(kB5) : S(kW5);
    case 6: return befehl ? S(kB6) : S(kW6);
    case 7: return befehl ? S(kB7) : S(kW7);
    case 8: return befehl ? S(kB8) : S(kW8);
    case 9: return befehl ? S(kB9) : S(kW9);
    case 10:
    case 12:
    case 13:
    case 20: return befehl ? S(kBZivil) : S(kWZivil);
    case 14:
    case 15:
    case 16:
    case 17:
    case 18:
    case 19: return befehl ? S(kBSchiff) : S(kWSchiff);
    default: return {nullptr, 0};  // the mage and every foreign kind are silent
    }
}

// An indicator picture; taken for the one draw and given back, so the
// 8-bit screen holds nothing it does not need.
void Anzeiger(RastPort *rp, UWORD bild, LONG x, LONG y, bool maskiert)
{
    if (OpenKavorGfx(kPfad, bild) != 1) {
        std::printf("SwitchMap : Konnte Grafik nicht \366ffnen! <%u>\n", (unsigned)bild);
        return;
    }
    if (maskiert)
        BlitObjektMask(rp, bild, 0, x, y, 0, 0);
    else
        BlitObjekt(rp, bild, x, y, 21, 19);
    CloseKavorGfx(bild);
}

BOOL Umschalten(BOOL b) { return b ? 0 : ~(BOOL)0; }

void Status(VekMapInfo *v, UWORD bit, bool an)
{
    if (!v) return;
    if (an)
        v->Status |= bit;
    else
        v->Status &= (UWORD)~bit;
}

}  // namespace

int CheckFigurAndPlaySfx(LokaleDatenKartenScreen *st, int click)
{
    if (!st) return 1;
    const st_MOVE_EXT *f = st->AktPerson;
    if (f && f->Kommando == kAnBord) return 1;
    SetAPen(VekDisplay.RastPort_, kStiftMarke);
    SetColorHex(st->X_Pos, st->Y_Pos);
    if (st->LastSfx) {
        if (!IsSfxReady(st->LastSfx)) return 1;  // the figure is still speaking
        CloseKavorSfx(st->LastSfx);
        st->LastSfx = 0;
    }
    if (!f) return 1;
    const Stimmen s = StimmenFuer(f->FigurArt, click != 0);
    if (!s.anzahl) return 1;
    const UWORD nr = s.nr[Wuerfel(s.anzahl - 1)];
    if (!OpenKavorSfx(kSfxPfad, nr)) {
        // Nothing loaded: nothing to wait for or release next time.
        std::printf("LoadStadtScreenSfx : Konnte Sound-FX nicht \366ffnen!\n");
        return 1;
    }
    st->LastSfx = nr;
    SfxPlayer(nr, 0, 0);
    return 1;
}

int SwitchMap(LokaleDatenKartenScreen *st, int what)
{
    if (!st) return 1;
    VekMapInfo *v = st->VekMapInfoPtr;
    const bool acht = VekDisplay.VekScreen_Tiefe <= 8;
    bool an = false;
    switch (what) {
    case 0:
        st->Rohstoffe = Umschalten(st->Rohstoffe);
        an = st->Rohstoffe != 0;
        Status(v, MAPSTATUS_ROHSTOFFE, an);
        if (v) SetPos(v, 0, 0);
        break;
    case 1:
        st->Stadtnamen = Umschalten(st->Stadtnamen);
        an = st->Stadtnamen != 0;
        break;
    case 2:
        st->Grenzen = Umschalten(st->Grenzen);
        an = st->Grenzen != 0;
        Status(v, MAPSTATUS_GRENZEN, an);
        if (!CheckPrefsWrite(kPrefGrenzen, an ? 1 : 0)) std::printf("SwitchMap : Konnte Einstellung nicht speichern!\n");
        if (v) SetPos(v, 0, 0);
        break;
    default: return 1;
    }
    // The indicator goes on after the redraw so that the redraw cannot cover it.
    if (acht) {
        static const LONG y[3] = {315, 345, 375};
        Anzeiger(VekDisplay.RastPort_, an ? 145 : 143, 515, y[what], false);
    } else if (what != 2) {
        const LONG d = (LONG)VekDisplay.VekScreen_Hoehe - 768;
        if (RastPort *sichtbar = KavorGetDBRastPort(1)) {
            if (what == 0)
                Anzeiger(sichtbar, an ? 1164 : 1165, 95, d + 590, true);
            else
                Anzeiger(sichtbar, an ? 1162 : 1163, 124, d + 608, true);
        }
    }
    return 1;
}

void ShowPosition(LokaleDatenKartenScreen *st)
{
    VekMapInfo *v = st ? st->VekMapInfoPtr : nullptr;
    if (!v) return;
    if (VekDisplay.VekScreen_Tiefe > 8) {
        v->UpdateMap = 0;
        return;
    }
    if (st->GUI == 1) {
        SetMiniMap(v, st->MiniMap, 0, 0);
        return;
    }
    if (!v->UpdateMap) return;
    RastPort *rp = VekDisplay.RastPort_;
    if (st->VekFont2Ptr) SetFont(rp, st->VekFont2Ptr);
    char text[16];
    std::snprintf(text, sizeof text, "%u", (unsigned)v->X_Hex);
    PrintText(rp, 518, 37, 565, 51, text, 19, 7, 45);
    std::snprintf(text, sizeof text, "%u", (unsigned)v->Y_Hex);
    PrintText(rp, 574, 37, 620, 51, text, 19, 7, 45);
    v->UpdateMap = 0;
}

void ShowHexInfo(LokaleDatenKartenScreen *) { TextBox(GetString(&_VEK_KARTE_KAPELLE1)); }
