// Figures on the map: drawing, finding and stepping.
#include "map/figures_map.h"
#include "map/motion.h"

#include <SDL/SDL.h>

#include <cstdio>
#include <cstring>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/printing.h"
#include "world/hex.h"
#include "media/movie.h"
#include "platform/catalog.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"

void (*SetPeopleAnimFrameHook)(UWORD, UWORD, LONG, LONG) = nullptr;
void (*SetPeopleAnimDelay)(ULONG) = Delay;

namespace {

constexpr UBYTE KOMMANDO_GELEIT = 18;
constexpr UWORD MARKE_EIGEN = 1277, MARKE_FREMD = 1276;
constexpr UWORD STREIFEN_BREITE = 64, STREIFEN_HOEHE = 54;

struct Stand {
    UWORD grafik, frame;
};

// Standing graphic of a kind; grafik 0 for kinds the map does not draw.
Stand Standbild(UWORD art)
{
    static constexpr UWORD basis[21] = {380, 441, 450, 457, 816, 823, 830, 795, 802, 809, 788,
                                        380, 1097, 788, 522, 529, 536, 543, 550, 557, 788};
    if (art <= 20) return {basis[art], 4};
    if (art == 1000) return {493, 0};
    if (art == 1003) return {839, 0};
    if (art >= 1001 && art <= 1006) return {838, 0};
    if (art >= 1007 && art <= 1013) return {(UWORD)(884 + art - 1007), 0};
    return {0, 0};
}

// Base of the walking strips (B + direction).
UWORD Schrittbasis(UWORD art)
{
    static constexpr UWORD basis[21] = {380, 441, 450, 457, 816, 823, 830, 795, 802, 809, 788,
                                        380, 1097, 380, 522, 529, 536, 543, 550, 557, 788};
    return art <= 20 ? basis[art] : 0;
}

ULONG Anzahl(const VekMapInfo *v, const UBYTE *block)
{
    return block ? FigurenImBlock(block, v->PeopleMemSize) : 0;
}

bool Geladen(UWORD n) { return n >= 1 && n <= GFX_CACHE_SLOTS && BitMapPtrArray[n - 1]; }
bool Lade(UWORD n) { return Geladen(n) || OpenKavorGfx("./Data/Path", n) == 1; }

// Graphic n masked from its rows starting at sy, w x h (at most its size),
// at layer pixel (x, y); with a rectangle only what falls inside it. False
// when it cannot be loaded.
bool Maskiert(RastPort *rp, UWORD n, LONG sy, LONG x, LONG y, LONG w, LONG h, const LayerBereich *bereich)
{
    if (!Lade(n)) return false;
    BitMap *bmp = BitMapPtrArray[n - 1];
    if (!bmp) return false;
    if (w <= 0 || (ULONG)w > bmp->Breite) w = (LONG)bmp->Breite;
    if (h <= 0 || (ULONG)h > bmp->Hoehe) h = (LONG)bmp->Hoehe;
    LONG sx = 0;
    if (bereich) {
        if (x < bereich->x0) sx = bereich->x0 - x, w -= sx, x = bereich->x0;
        if (y < bereich->y0) sy += bereich->y0 - y, h -= bereich->y0 - y, y = bereich->y0;
        if (x + w > bereich->x1) w = bereich->x1 - x;
        if (y + h > bereich->y1) h = bereich->y1 - y;
        if (w <= 0 || h <= 0) return true;
    }
    BltMaskBitMapRastPort(bmp, sx, sy, rp, x, y, w, h, 0, 0);
    return true;
}

// Standing graphic and owner marker of a figure at layer pixel (x, y), with
// a rectangle only what falls inside it; false when a graphic cannot be loaded.
bool ZeichneFigur(RastPort *rp, const st_MOVE_EXT *f, LONG x, LONG y, const LayerBereich *bereich = nullptr)
{
    const Stand s = Standbild(f->FigurArt);
    if (!s.grafik) return true;
    if (!Maskiert(rp, s.grafik, (LONG)STREIFEN_HOEHE * s.frame, x, y, STREIFEN_BREITE, STREIFEN_HOEHE, bereich))
        return false;
    const UWORD marke = f->SpielerID == PlayerInfo.SpielerID ? MARKE_EIGEN : MARKE_FREMD;
    return Maskiert(rp, marke, 0, x + 41, y + 40, 0, 0, bereich);
}

void Zahl(RastPort *rp, LONG x0, LONG y0, ULONG n, UWORD stift)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u", (unsigned)n);
    PrintText(rp, (UWORD)x0, (UWORD)y0, (UWORD)(x0 + 11), (UWORD)(y0 + 8), text, 0, stift, 549);
}

// Total and own count of a hex at layer pixel (x, y).
void Zahlen(RastPort *rp, LONG x, LONG y, ULONG gesamt, ULONG eigen)
{
    if (gesamt >= 2) Zahl(rp, x + 40, y + 2, gesamt, 7);
    if (eigen >= 1 && eigen < gesamt) Zahl(rp, x + 40, y + 40, eigen, 105);
}

LONG HexPixelY(LONG c, LONG r) { return r * HEX_HOEHE + ((c & 1) ? 28 : 0); }


bool Tief8(const VekMapInfo *v)
{
    const RastPort *rp = v->LayerRastPortPtr;
    return !(rp && rp->BitMap && rp->BitMap->Surface) || rp->BitMap->Surface->format->BitsPerPixel <= 8;
}

}  // namespace

void BlitFigur2(VekMapInfo *View, ULONG Sicht[SICHT_MAX_X][SICHT_MAX_Y], RastPort *rp, const LayerBereich *Bereiche,
                int AnzahlBereiche)
{
    if (!View || !View->LocalPeopleMemPtr || !rp) return;
    static UWORD eigen[SICHT_MAX_X][SICHT_MAX_Y], gesamt[SICHT_MAX_X][SICHT_MAX_Y];
    static const st_MOVE_EXT *wahl[SICHT_MAX_X][SICHT_MAX_Y];
    std::memset(eigen, 0, sizeof eigen);
    std::memset(gesamt, 0, sizeof gesamt);
    std::memset(wahl, 0, sizeof wahl);
    const LONG xt = View->XTiles < SICHT_MAX_X ? View->XTiles : SICHT_MAX_X;
    const LONG yt = View->YTiles < SICHT_MAX_Y ? View->YTiles : SICHT_MAX_Y;
    UBYTE *block = View->LocalPeopleMemPtr;
    const ULONG n = Anzahl(View, block);
    for (ULONG i = 0; i < n; ++i) {
        const st_MOVE_EXT *f = FigurImBlock(block, i);
        if (f->Kommando == KOMMANDO_AN_BORD || FigurAusserhalb(f)) continue;
        const LONG c = CheckWrap((LONG)f->X_Pos - View->X_Hex, WELT_BREITE);
        const LONG r = CheckWrap((LONG)f->Y_Pos - View->Y_Hex, WELT_HOEHE);
        if (c >= xt || r >= yt) continue;
        ++gesamt[c][r];
        if (f->SpielerID == PlayerInfo.SpielerID) ++eigen[c][r];
        if (Sicht[c][r] && !wahl[c][r] && GetBMapBit(View, c, r)) wahl[c][r] = f;
    }
    auto Zeichnen = [&](LONG c, LONG r) { return wahl[c][r] && !((c & 1) && r == yt - 1); };
    // One pass over the view: with a rectangle only the hexes whose figure
    // reaches into it, clipped to it (the counts need no clipping: nothing
    // lies over them, so drawing one again where it stands changes nothing).
    auto Durchgang = [&](const LayerBereich *b) {
        auto Drin = [&](LONG c, LONG r) {
            if (!b) return true;
            const LONG x = c * HEX_SCHRITT, y = HexPixelY(c, r);
            return x - FIGUR_LINKS < b->x1 && b->x0 < x + FIGUR_RECHTS && y - FIGUR_OBEN < b->y1 &&
                   b->y0 < y + FIGUR_UNTEN;
        };
        // By kind, so that lower kinds lie under higher ones.
        auto Art = [&](UWORD a) {
            for (LONG c = 0; c < xt; ++c)
                for (LONG r = 0; r < yt; ++r)
                    if (Zeichnen(c, r) && wahl[c][r]->FigurArt == a && Drin(c, r) &&
                        !ZeichneFigur(rp, wahl[c][r], c * HEX_SCHRITT, HexPixelY(c, r), b))
                        return false;
            return true;
        };
        for (UWORD a = 0; a <= 20; ++a)
            if (!Art(a)) return;
        for (UWORD a = 1000; a <= 1013; ++a)
            if (!Art(a)) return;
        TextFont *alt = rp->Font;
        SetFont(rp, View->MapFontPtr);
        for (LONG c = 0; c < xt; ++c)
            for (LONG r = 0; r < yt; ++r)
                if (Zeichnen(c, r) && Drin(c, r))
                    Zahlen(rp, c * HEX_SCHRITT, HexPixelY(c, r), gesamt[c][r], eigen[c][r]);
        SetFont(rp, alt);
    };
    if (!Bereiche) {
        Durchgang(nullptr);
        return;
    }
    for (int i = 0; i < AnzahlBereiche; ++i) Durchgang(&Bereiche[i]);
}

void BlitFigur(VekMapInfo *View, LONG Spalte, LONG Zeile, RastPort *rp, LONG x, LONG y)
{
    if (!View || !View->LocalPeopleMemPtr || !rp) return;
    const ULONG hx = (ULONG)CheckWrap(View->X_Hex + Spalte, WELT_BREITE);
    const ULONG hy = (ULONG)CheckWrap(View->Y_Hex + Zeile, WELT_HOEHE);
    UBYTE *block = View->LocalPeopleMemPtr;
    const ULONG n = Anzahl(View, block);
    ULONG gesamt = 0, eigen = 0;
    const st_MOVE_EXT *erste = nullptr;
    for (ULONG i = 0; i < n; ++i) {
        const st_MOVE_EXT *f = FigurImBlock(block, i);
        if (f->X_Pos != hx || f->Y_Pos != hy) continue;
        if (f->SpielerID == PlayerInfo.SpielerID) ++eigen;
        if (f->Kommando == KOMMANDO_AN_BORD) continue;
        ++gesamt;
        if (!erste) erste = f;
    }
    if (!erste || !ZeichneFigur(rp, erste, x, y)) return;
    TextFont *alt = rp->Font;
    SetFont(rp, View->MapFontPtr);
    Zahlen(rp, x, y, gesamt, eigen);
    SetFont(rp, alt);
}

st_MOVE_EXT *GetActivePeople(VekMapInfo *View, LONG x, LONG y, LONG n)
{
    if (!View || !View->PeopleMemPtr || n < 0) return nullptr;
    x = CheckWrap(x, WELT_BREITE);
    y = CheckWrap(y, WELT_HOEHE);
    // Searched in the saved block (the local copy keeps its order): a figure
    // changed through the answer must reach the file, and the local copy is
    // rebuilt from the saved block at every redraw.
    UBYTE *block = View->PeopleMemPtr;
    const ULONG anzahl = Anzahl(View, block);
    LONG gezaehlt = 0;
    for (ULONG i = 0; i < anzahl; ++i) {
        st_MOVE_EXT *f = FigurImBlock(block, i);
        if (f->X_Pos != (ULONG)x || f->Y_Pos != (ULONG)y) continue;
        if (n == 0 && f->SpielerID == PlayerInfo.SpielerID) {
            std::printf("GetActivePeople : Spielerfigur gefunden...\n");
            return f;
        }
        if (n >= 1 && ++gezaehlt == n) {
            std::printf("GetActivePeople : Figur auf %u %u gefunden...\n", (unsigned)x, (unsigned)y);
            return f;
        }
    }
    return nullptr;
}

ULONG GetActivePeopleAnzahl(VekMapInfo *View, LONG x, LONG y)
{
    if (!View || !View->PeopleMemPtr) return 0;
    UBYTE *block = View->PeopleMemPtr;
    const ULONG anzahl = Anzahl(View, block);
    std::printf("GetActivePeople : Anzahl der Figuren %u\n", (unsigned)anzahl);
    x = CheckWrap(x, WELT_BREITE);
    y = CheckWrap(y, WELT_HOEHE);
    ULONG z = 0;
    for (ULONG i = 0; i < anzahl; ++i) {
        const st_MOVE_EXT *f = FigurImBlock(block, i);
        if (f->X_Pos == (ULONG)x && f->Y_Pos == (ULONG)y) ++z;
    }
    return z;
}

namespace {

struct Richtung {
    int d, t;
};

// Direction 1 ... 6 and turning frames of a step from a column of this parity; d 0 for no step.
Richtung Schrittrichtung(LONG dx, LONG dy, bool ungerade)
{
    static constexpr LONG gerade[6][2] = {{0, -1}, {1, -1}, {1, 0}, {0, 1}, {-1, 0}, {-1, -1}};
    static constexpr LONG odd[6][2] = {{0, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}};
    static constexpr int wende[6] = {5, 4, 2, 0, 1, 4};
    const auto &t = ungerade ? odd : gerade;
    for (int i = 0; i < 6; ++i)
        if (t[i][0] == dx && t[i][1] == dy) return {i + 1, wende[i]};
    return {0, 0};
}

LONG DeltaX(int d, int k)
{
    const LONG s = (d == 2 || d == 3) ? -1 : (d == 5 || d == 6) ? 1 : 0;
    return (k < 5 || k >= 19) ? s : 2 * s;
}

LONG DeltaY(int d, int k)
{
    static constexpr signed char nord[24] = {1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 1, 1, 2, 2, 2, 2, 2, 1, 1, 1, 1, 1, 0};
    switch (d) {
    case 1: return nord[k];
    case 4: return -nord[k];
    case 2:
    case 6: return 1;
    default: return -1;
    }
}

}  // namespace

int SetPeopleAnim(VekMapInfo *View, st_MOVE_EXT *Figur, LONG dx, LONG dy)
{
    if (!View || !Figur) return 1;
    const Richtung ri = Schrittrichtung(dx, dy, Figur->X_Pos & 1);
    if (ri.d == 0 || Figur->FigurArt > 20) return 1;
    const UWORD B = Schrittbasis(Figur->FigurArt);
    const UWORD lauf = (UWORD)(B + ri.d);
    const bool warGeladen = Geladen(lauf);
    if (!Lade(lauf)) {
        std::printf("SetPeopleAnim : Konnte Spielfigur nicht laden (Step1)...\n");
        return 0;
    }
    auto Freigeben = [&] {
        if (!warGeladen) CloseKavorGfx(lauf);
    };
    RastPort *layer = View->LayerRastPortPtr;
    const LONG c = CheckWrap((LONG)Figur->X_Pos - View->X_Hex, WELT_BREITE);
    const LONG r = CheckWrap((LONG)Figur->Y_Pos - View->Y_Hex, WELT_HOEHE);
    const MapEntry *e = FensterHex(View, View->IndeX + c, View->IndeY + r);
    if (!layer || !e || e->Art < 1 || e->Art > 99) {
        Freigeben();
        return 1;
    }
    const LONG x = c * HEX_SCHRITT, y = HexPixelY(c, r);
    const UWORD terrain = KartenElemente[e->Art][View->Jahreszeit & 3];
    if (!Lade(terrain)) {
        std::printf("SetPeopleAnim : Konnte Spielfigur nicht laden (Step2)...\n");
        Freigeben();
        return 0;
    }
    BlitObjektMask(layer, terrain, 0, x, y, 0, 0);
    {
        // The start hex without the moving figure.
        const ULONG ax = Figur->X_Pos, ay = Figur->Y_Pos;
        Figur->X_Pos = (ULONG)CheckWrap((LONG)ax + dx, WELT_BREITE);
        Figur->Y_Pos = (ULONG)CheckWrap((LONG)ay + dy, WELT_HOEHE);
        if (View->Status & MAPSTATUS_GRENZEN) BlitFrontier(View, c, r, layer, x, y);
        if (View->Status & MAPSTATUS_FIGUREN) BlitFigur(View, c, r, layer, x, y);
        Figur->X_Pos = ax;
        Figur->Y_Pos = ay;
    }
    const LONG s = Tief8(View) ? 0 : 16;
    auto Bild = [&](UWORD strip, UWORD frame, LONG xl, LONG yl) {
        if (SetPeopleAnimFrameHook) SetPeopleAnimFrameHook(strip, frame, xl, yl);
        if (xl >= 0 && yl >= 0 && Lade(strip))
            AnimObjektMask(layer, (UWORD)xl, (UWORD)yl, nullptr, (UWORD)(xl > s ? xl - s : 0),
                           (UWORD)(yl > s + 12 ? yl - s - 12 : 0), strip, 0, frame, STREIFEN_BREITE, STREIFEN_HOEHE);
        if (SetPeopleAnimDelay) SetPeopleAnimDelay(2);
    };
    // Turn towards the direction.
    for (int i = 0; i < ri.t; ++i) Bild(B, (UWORD)(ri.d <= 3 ? 4 - i : 4 + i), x, y);
    // Walk.
    LONG sx = 0, sy = 0;
    auto Lauf = [&](int k) {
        sx += DeltaX(ri.d, k);
        sy += DeltaY(ri.d, k);
        Bild(lauf, (UWORD)k, x - sx, y - sy);
    };
    for (int k = 0; k <= 18; ++k) Lauf(k);
    if (ri.d == 1 || ri.d == 4)
        for (int k = 5; k <= 18; ++k) Lauf(k);
    for (int k = 20; k <= 23; ++k) Lauf(k);
    // Turn back at the target.
    const LONG tc = CheckWrap(c + dx, WELT_BREITE), tr = CheckWrap(r + dy, WELT_HOEHE);
    const LONG zx = tc * HEX_SCHRITT, zy = HexPixelY(tc, tr);
    if (ri.d <= 3)
        for (int f = 5 - ri.t; f <= 4; ++f) Bild(B, (UWORD)f, zx, zy);
    else
        for (int f = ri.t + 3; f >= 4; --f) Bild(B, (UWORD)f, zx, zy);
    Freigeben();
    return 1;
}

int SetPeople(VekMapInfo *View, st_MOVE_EXT *Figur, LONG dx, LONG dy)
{
    if (!View || !Figur || Figur->Kommando == KOMMANDO_AN_BORD || FigurAusserhalb(Figur)) return 0;
    MotionSperre sperre(View);  // the figures and perhaps the tiles change
    // Outside the view: bring it in, the short way round the world.
    {
        const LONG ox = Kurz((LONG)Figur->X_Pos - View->X_Hex, WELT_BREITE);
        const LONG oy = Kurz((LONG)Figur->Y_Pos - View->Y_Hex, WELT_HOEHE);
        if (ox < 0 || oy < 0 || ox >= View->XTiles || oy >= View->YTiles) {
            const LONG px = ox / 2 - View->XTiles / 4, py = oy - View->YTiles / 2;
            if (px != 0 || py != 0) SetPos(View, px, py);
        }
    }
    const LONG zx = CheckWrap((LONG)Figur->X_Pos + dx, WELT_BREITE);
    const LONG zy = CheckWrap((LONG)Figur->Y_Pos + dy, WELT_HOEHE);
    LONG vx = 0, vy = 0;
    auto Ansicht = [&] {
        vx = Kurz(zx - View->X_Hex, WELT_BREITE);
        vy = Kurz(zy - View->Y_Hex, WELT_HOEHE);
    };
    Ansicht();
    const UWORD kosten = GetMovePoints(View->GreatMapPtr, View->IndeX + vx, View->IndeY + vy, Figur->FigurArt);
    std::printf("SetPeople : Bewegungspunkte f\374r dieses Feld : %u\n", (unsigned)kosten);
    if (kosten == 0 || kosten > Figur->Bewegungspunkte) return 0;
    std::printf("SetPeople : XOffset_MW %d YOffset_MW %d\n", (int)vx, (int)vy);
    const LONG unten = Tief8(View) ? View->YTiles - 2 : View->YTiles - 6;
    if (vx <= 1 || vy <= 1 || vx >= View->XTiles - 2 || vy >= unten) {
        SetPos(View, (vx - View->XTiles / 2) / 2, vy - View->YTiles / 2);
        Ansicht();
        std::printf("SetPeople : Gerichtet : XOffset_MW %d YOffset_MW %d\n", (int)vx, (int)vy);
    }
    // Hexes drawn into the layer outside the drawing's rules (a newly explored
    // hex, the start hex under the animation) and the two whose figures
    // change: the redraw after the step draws them again.
    HexPos neu[2 + HEX_RICHTUNGEN];
    int anzahlNeu = 0;
    // Explore the target and its neighbours.
    bool gezeigt = false;
    if (!GetBMapBit(View, vx, vy)) {
        SetBMapBit(View, vx, vy);
        ShowNewHex(View, vx, vy, View->IndeX + vx, View->IndeY + vy);
        gezeigt = true;
    }
    for (int ri = HEX_N; ri < HEX_RICHTUNGEN; ++ri) {
        const HexPos p = HexNachbar(HexPos{vx, vy}, ri);
        // Parity follows the world column, and X_Hex is even.
        if (GetBMapBit(View, p.x, p.y)) continue;
        neu[anzahlNeu++] = p;
        if (ShowNewHex(View, p.x, p.y, View->IndeX + p.x, View->IndeY + p.y)) SetBMapBit(View, p.x, p.y);
    }
    if (!GetBMapBit(View, vx, vy)) {
        if (gezeigt || anzahlNeu) SetPos(View, 0, 0);
        return 0;
    }
    neu[anzahlNeu++] = HexPos{vx, vy};
    neu[anzahlNeu++] = HexPos{Kurz((LONG)Figur->X_Pos - View->X_Hex, WELT_BREITE),
                              Kurz((LONG)Figur->Y_Pos - View->Y_Hex, WELT_HOEHE)};
    const UBYTE vorher = Figur->Bewegungspunkte;
    Figur->Bewegungspunkte = (UBYTE)(vorher - kosten);
    if (!SetPeopleAnim(View, Figur, dx, dy)) std::printf("SetPeople : Konnte Figur nicht darstellen...\n");
    // The sight before the step; without fog every hex is in sight.
    const bool nebel = View->Status & MAPSTATUS_NEBEL;
    if (nebel) {
        CheckFogofWar2(View, View->FOWMask);
    } else {
        for (auto &spalte : View->FOWMask)
            for (ULONG &s : spalte) s = 1;
    }
    for (int i = 0; i < anzahlNeu; ++i)
        if (neu[i].x >= 0 && neu[i].y >= 0 && neu[i].x < SICHT_MAX_X && neu[i].y < SICHT_MAX_Y)
            View->FOWMask[neu[i].x][neu[i].y] = FOW_NEU;
    if (nebel && Figur->Kommando == KOMMANDO_GELEIT && View->PeopleMemPtr) {
        UBYTE *alle = View->PeopleMemPtr;
        const ULONG n = Anzahl(View, alle);
        for (ULONG i = 0; i < n; ++i) {
            st_MOVE_EXT *f = FigurImBlock(alle, i);
            if (f == Figur || f->SpielerID != Figur->SpielerID || f->X_Pos != Figur->X_Pos ||
                f->Y_Pos != Figur->Y_Pos || f->Kommando != 0 || f->FigurArt != Figur->FigurArt ||
                f->FigurNummer == Figur->FigurNummer || f->Bewegungspunkte != vorher)
                continue;
            f->X_Pos = (ULONG)zx;
            f->Y_Pos = (ULONG)zy;
            f->Bewegungspunkte = (UBYTE)(f->Bewegungspunkte - kosten);
            SetFigurDependence(f, dx, dy);
        }
    }
    Figur->X_Pos = (ULONG)zx;
    Figur->Y_Pos = (ULONG)zy;
    MakeLocalPeopleMemPtr(View);
    View->QuickUpdate = QU_NEBEL;
    SetPos(View, 0, 0);
    std::memset(View->FOWMask, 0, sizeof View->FOWMask);
    return 1;
}

const LocStr *FigurArtName(UWORD art)
{
    static const LocStr *const namen[21] = {
        &_VEK_KARTE_KUNDSCHAFTER,          &_VEK_KARTE_LEICHTE_INFANTRIE,    &_VEK_KARTE_MITTLERE_INFANTRIE,
        &_VEK_KARTE_SCHWERE_INFANTRIE,     &_VEK_KARTE_LEICHTE_KAVALLERIE,   &_VEK_KARTE_MITTLERE_KAVALLERIE,
        &_VEK_KARTE_SCHWERE_KAVALLERIE,    &_VEK_KARTE_LEICHTE_ARTILLERIE,   &_VEK_KARTE_MITTLERE_ARTILLERIE,
        &_VEK_KARTE_SCHWERE_ARTILLERIE,    &_VEK_KARTE_SIEDLER,              nullptr,
        &_VEK_SPEZIS_KLERIKER,             &_VEK_SPEZIS_GEOLOGE,             &_VEK_WAREN_HANDELSSCHIFF_KLEIN,
        &_VEK_WAREN_HANDELSSCHIFF_MITTEL,  &_VEK_WAREN_HANDELSSCHIFF_GROSS,  &_VEK_WAREN_KRIEGSSCHIFF_KLEIN,
        &_VEK_WAREN_KRIEGSSCHIFF_MITTEL,   &_VEK_WAREN_KRIEGSSCHIFF_GROSS,   &_VEK_KARTE_KARAWANE,
    };
    return art < 21 ? namen[art] : nullptr;
}
