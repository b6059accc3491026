// Drawing a map view into its layer. Even columns are drawn as plain blocks,
// odd columns and every overlay masked on top; after a one-step scroll the
// layer is moved and only the strip that came into view is drawn again.
// The drawing keeps its own copies of the graphics it blits (a plain and a
// colour-keyed one per number), so the shared graphics keep their state and
// the keyed copies can use SDL's run-length blits.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "gfx/gfxnumber.h"
#include "gfx/palette.h"
#include "map/mapview.h"
#include "platform/system.h"
#include "store/figures.h"

namespace {

constexpr char kPfad[] = "./Data/Path";

constexpr UWORD kPunktEigen = 439;     // border dot of the player's own ground
constexpr UWORD kPunktFremd = 440;     // border dot of another's ground
constexpr UWORD kRohstoffSymbol = 378;
constexpr UWORD kBewegungsFeld = 471;
constexpr UWORD kDungeonBerg = 1291;
constexpr UWORD kDungeonFlach = 1292;
constexpr UWORD kHexMaske = 31;

// ---- the drawing's copies of graphics ----

struct Kopie {
    const BitMap *quelle = nullptr;        // the shared graphic the copies were made from
    const SDL_Surface *quellFlaeche = nullptr;
    SDL_Surface *plain = nullptr;          // no colour key
    SDL_Surface *keyed = nullptr;          // pixel 0 transparent (above 8 bits, run-length)
};
Kopie gKopien[GFX_CACHE_SLOTS];

void KopieFrei(Kopie &k)
{
    if (k.plain) SDL_FreeSurface(k.plain);
    if (k.keyed) SDL_FreeSurface(k.keyed);
    k = Kopie{};
}

// A surface with the pixels of s and no colour key.
SDL_Surface *Duplikat(SDL_Surface *s)
{
    SDL_Surface *d = SDL_ConvertSurface(s, s->format, SDL_SWSURFACE);
    if (d) SDL_SetColorKey(d, 0, 0);
    return d;
}

// The drawing's copies of graphic n, loading it on first use; null when it
// cannot be loaded.
const Kopie *Grafik(UWORD n)
{
    if (n == 0 || n > GFX_CACHE_SLOTS) return nullptr;
    BitMap *bmp = BitMapPtrArray[n - 1];
    if (!bmp) {
        if (OpenKavorGfx(kPfad, n) != 1) return nullptr;
        bmp = BitMapPtrArray[n - 1];
        if (!bmp) return nullptr;
    }
    Kopie &k = gKopien[n - 1];
    if (k.plain && k.quelle == bmp && k.quellFlaeche == bmp->Surface && bmp->Surface &&
        k.plain->format->BytesPerPixel == bmp->Surface->format->BytesPerPixel && k.plain->w == bmp->Surface->w &&
        k.plain->h == bmp->Surface->h)
        return &k;
    KopieFrei(k);
    if (!bmp->Surface) return nullptr;
    k.plain = Duplikat(bmp->Surface);
    if (!k.plain) return nullptr;
    if (k.plain->format->BytesPerPixel > 1) {
        k.keyed = Duplikat(bmp->Surface);
        if (!k.keyed) {
            KopieFrei(k);
            return nullptr;
        }
        SDL_SetColorKey(k.keyed, SDL_SRCCOLORKEY | SDL_RLEACCEL, 0);
    }
    k.quelle = bmp;
    k.quellFlaeche = bmp->Surface;
    return &k;
}

void GrafikFreigeben(UWORD n)
{
    if (n == 0 || n > GFX_CACHE_SLOTS) return;
    KopieFrei(gKopien[n - 1]);
    if (BitMapPtrArray[n - 1]) ReleaseKavorGfx(n);
}

SDL_Surface *Flaeche(RastPort *rp) { return rp && rp->BitMap ? rp->BitMap->Surface : nullptr; }

// 8-bit pixels are palette indices copied as they are (SDL would remap them
// when the palettes differ); pixel 0 is the key of masked copies.
void Kopiere8(SDL_Surface *s, SDL_Surface *d, LONG x, LONG y, bool maskiert)
{
    const SDL_Rect &k = d->clip_rect;
    LONG sx = 0, sy = 0, w = s->w, h = s->h;
    if (x < k.x) { sx = k.x - x; w -= sx; x = k.x; }
    if (y < k.y) { sy = k.y - y; h -= sy; y = k.y; }
    w = std::min<LONG>(w, k.x + k.w - x);
    h = std::min<LONG>(h, k.y + k.h - y);
    if (w <= 0 || h <= 0) return;
    if (SDL_MUSTLOCK(d) && SDL_LockSurface(d) < 0) return;
    for (LONG r = 0; r < h; ++r) {
        const UBYTE *q = (const UBYTE *)s->pixels + (size_t)(sy + r) * s->pitch + sx;
        UBYTE *z = (UBYTE *)d->pixels + (size_t)(y + r) * d->pitch + x;
        if (!maskiert) {
            std::memcpy(z, q, (size_t)w);
            continue;
        }
        for (LONG i = 0; i < w; ++i)
            if (q[i]) z[i] = q[i];
    }
    if (SDL_MUSTLOCK(d)) SDL_UnlockSurface(d);
}

// Draws graphic n into rp at (x, y), plain or masked; false when it cannot be loaded.
// Pen 0 of a surface.
Uint32 Hintergrund(SDL_Surface *s)
{
    if (s->format->BytesPerPixel == 1) return 0;
    return SDL_MapRGB(s->format, KavoriaPalette[0].r, KavoriaPalette[0].g, KavoriaPalette[0].b);
}

// With deckt given, a plain graphic that does not fill a whole hex clears
// the hex first, and *deckt says whether the hex's block was written.
bool Zeichne(RastPort *rp, UWORD n, LONG x, LONG y, bool maskiert, bool *deckt = nullptr)
{
    SDL_Surface *d = Flaeche(rp);
    if (deckt) *deckt = false;
    if (!d) return false;
    const Kopie *k = Grafik(n);
    if (!k) return false;
    if (deckt) {
        if (k->plain->w < HEX_BREITE || k->plain->h < HEX_HOEHE) {
            SDL_Rect block = {(Sint16)x, (Sint16)y, (Uint16)HEX_BREITE, (Uint16)HEX_HOEHE};
            SDL_FillRect(d, &block, Hintergrund(d));
        }
        *deckt = true;
    }
    if (d->format->BytesPerPixel == 1 && k->plain->format->BytesPerPixel == 1) {
        Kopiere8(k->plain, d, x, y, maskiert);
        return true;
    }
    SDL_Rect ziel = {(Sint16)x, (Sint16)y, 0, 0};
    SDL_BlitSurface(maskiert && k->keyed ? k->keyed : k->plain, nullptr, d, &ziel);
    return true;
}


Uint32 StiftPixel(SDL_Surface *s, UWORD stift)
{
    const UBYTE i = (UBYTE)stift;
    if (s->format->BytesPerPixel == 1) return i;
    return SDL_MapRGB(s->format, KavoriaPalette[i].r, KavoriaPalette[i].g, KavoriaPalette[i].b);
}

// Fills (x0, y0) to (x1, y1) inclusive within the surface's clip rectangle.
void Fuelle(SDL_Surface *s, LONG x0, LONG y0, LONG x1, LONG y1, Uint32 pixel)
{
    if (x1 < x0 || y1 < y0) return;
    const LONG kx = std::max<LONG>(x0, -32768), ky = std::max<LONG>(y0, -32768);
    SDL_Rect r = {(Sint16)kx, (Sint16)ky, (Uint16)std::min<LONG>(x1 - kx + 1, 65535),
                  (Uint16)std::min<LONG>(y1 - ky + 1, 65535)};
    SDL_FillRect(s, &r, pixel);
}

void Leere(SDL_Surface *s, LONG x0, LONG y0, LONG x1, LONG y1)
{
    SDL_Rect r = {(Sint16)x0, (Sint16)y0, (Uint16)(x1 - x0 + 1), (Uint16)(y1 - y0 + 1)};
    SDL_FillRect(s, &r, Hintergrund(s));
}

// Moves the w x h area at (sx, sy) of one surface to (dx, dy) as if the whole
// area were read first: rows are taken in the order that reads before it writes.
void Verschiebe(SDL_Surface *s, LONG sx, LONG sy, LONG dx, LONG dy, LONG w, LONG h)
{
    if (w <= 0 || h <= 0) return;
    if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) < 0) return;
    const int bpp = s->format->BytesPerPixel;
    UBYTE *p = (UBYTE *)s->pixels;
    const size_t zeile = (size_t)w * bpp;
    for (LONG i = 0; i < h; ++i) {
        const LONG r = dy > sy ? h - 1 - i : i;
        std::memmove(p + (size_t)(dy + r) * s->pitch + (size_t)dx * bpp,
                     p + (size_t)(sy + r) * s->pitch + (size_t)sx * bpp, zeile);
    }
    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
}

// Moves the layer's content for a one-step scroll (what comes in is drawn
// afresh by the caller).
void VerschiebeLayer(SDL_Surface *s, UWORD modus, LONG xt, LONG yt)
{
    switch (modus) {
    case QU_HOCH: Verschiebe(s, 0, 0, 0, HEX_HOEHE, xt * HEX_SCHRITT + 16, yt * HEX_HOEHE - 28); break;
    case QU_RECHTS: Verschiebe(s, 96, 0, 0, 0, xt * HEX_SCHRITT - 80, yt * HEX_HOEHE + 28); break;
    case QU_RUNTER: Verschiebe(s, 0, HEX_HOEHE, 0, 0, xt * HEX_SCHRITT + 16, yt * HEX_HOEHE - 28); break;
    case QU_LINKS: Verschiebe(s, 0, 0, 96, 0, xt * HEX_SCHRITT - 80, yt * HEX_HOEHE + 28); break;
    default: break;
    }
}

// A rectangle of the layer, [x0, x1) x [y0, y1).
struct Band {
    LONG x0, y0, x1, y1;
    bool Leer() const { return x1 <= x0 || y1 <= y0; }
    bool Schneidet(const Band &b) const { return x0 < b.x1 && b.x0 < x1 && y0 < b.y1 && b.y0 < y1; }
    void Dazu(const Band &b)
    {
        if (b.Leer()) return;
        if (Leer()) {
            *this = b;
            return;
        }
        x0 = std::min(x0, b.x0);
        y0 = std::min(y0, b.y0);
        x1 = std::max(x1, b.x1);
        y1 = std::max(y1, b.y1);
    }
};

LONG HexY(LONG c, LONG r) { return r * HEX_HOEHE + ((c & 1) ? 28 : 0); }

void Punkt(RastPort *rp, LONG x, LONG y, int eigen) { Zeichne(rp, (UWORD)(kPunktFremd - (eigen ? 1 : 0)), x, y, true); }

// The hex's dungeon marker by its terrain class.
void Dungeon(RastPort *rp, UWORD art, LONG x, LONG y)
{
    switch (GetTypeOfHex(art)) {
    case GK_GEBIRGE:
    case GK_BERGE:
    case GK_HUEGEL: Zeichne(rp, kDungeonBerg, x + 14, y + 11, true); break;
    case GK_DUNKELWALD:
    case GK_WALD:
    case GK_STEPPE:
    case GK_SUMPF:
    case GK_WUESTE:
    case GK_STADT: Zeichne(rp, kDungeonFlach, x + 20, y + 11, true); break;
    default: break;
    }
}

bool BitGesetzt(const UBYTE *bits, LONG gx, LONG gy)
{
    if (!bits || gx < 0 || gx >= FENSTER_BREITE || gy < 0 || gy >= FENSTER_HOEHE) return false;
    return (bits[gy * FENSTER_BMAP_ZEILE + gx / 8] >> (gx % 8)) & 1;
}

// The hex mask decoded once from its big-endian words: bit 31 of a word is
// its leftmost pixel.
bool gMaskeGeladen = false;
ULONG gMaske[HEX_HOEHE][2];

bool LadeMaske()
{
    if (gMaskeGeladen) return true;
    const bool warGeladen = BitMapPtrArray[kHexMaske - 1] != nullptr;
    if (!warGeladen && OpenKavorGfx(kPfad, kHexMaske) != 1) return false;
    BitMap *bmp = BitMapPtrArray[kHexMaske - 1];
    SDL_Surface *s = bmp ? bmp->Surface : nullptr;
    bool ok = s && s->format->BytesPerPixel == 1 && s->w >= 8 && s->h >= HEX_HOEHE;
    if (ok && SDL_MUSTLOCK(s)) ok = SDL_LockSurface(s) == 0;
    if (ok) {
        for (LONG y = 0; y < HEX_HOEHE; ++y) {
            const UBYTE *p = (const UBYTE *)s->pixels + (size_t)y * s->pitch;
            for (int w = 0; w < 2; ++w)
                gMaske[y][w] = (ULONG)p[4 * w] << 24 | (ULONG)p[4 * w + 1] << 16 | (ULONG)p[4 * w + 2] << 8 | p[4 * w + 3];
        }
        if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
        gMaskeGeladen = true;
    } else {
        std::printf("GetMapGadget : Die Hex-Maske ist unbrauchbar !\n");
    }
    if (!warGeladen) ReleaseKavorGfx(kHexMaske);
    return gMaskeGeladen;
}

bool MaskeBit(LONG x, LONG y) { return (gMaske[y][x / 32] >> (31 - (x & 31))) & 1; }

LONG BodenDiv(LONG a, LONG b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
LONG BodenMod(LONG a, LONG b) { return a - BodenDiv(a, b) * b; }

}  // namespace

namespace {

struct KartenTabelle {
    UWORD t[KARTEN_ELEMENTE][8];
};

// Rows 58 to 99 follow rules; the first 57 are listed.
constexpr KartenTabelle MacheKartenElemente()
{
    struct Zeile {
        UWORD s[8];
    };
    constexpr Zeile kErste[57] = {
        {{841, 841, 841, 859, 1012, 1012, 1012, 1013}}, {{842, 842, 1044, 856, 1016, 1016, 1045, 1017}},
        {{843, 843, 843, 862, 1020, 1020, 1020, 1031}}, {{844, 844, 844, 845, 1021, 1021, 1021, 1022}},
        {{5, 5, 5, 473, 939, 939, 939, 940}},           {{6, 6, 6, 6, 941, 941, 941, 941}},
        {{7, 7, 7, 474, 942, 942, 942, 943}},           {{8, 8, 8, 8, 946, 946, 946, 946}},
        {{9, 9, 9, 9, 947, 947, 947, 947}},             {{10, 10, 10, 476, 949, 949, 949, 950}},
        {{11, 11, 11, 477, 951, 951, 951, 952}},        {{12, 12, 12, 478, 957, 957, 957, 958}},
        {{13, 13, 1054, 479, 959, 959, 1055, 960}},     {{14, 14, 14, 480, 987, 987, 987, 988}},
        {{15, 15, 15, 481, 989, 989, 989, 990}},        {{16, 16, 16, 482, 991, 991, 991, 992}},
        {{17, 17, 1076, 483, 993, 993, 1077, 994}},     {{18, 18, 18, 484, 995, 995, 995, 996}},
        {{19, 19, 1078, 485, 997, 997, 1079, 998}},     {{20, 20, 1080, 486, 999, 999, 1081, 1000}},
        {{21, 21, 21, 487, 1001, 1001, 1001, 1002}},    {{22, 22, 22, 488, 1003, 1003, 1003, 1004}},
        {{23, 23, 23, 23, 1005, 1005, 1005, 1005}},     {{24, 24, 24, 24, 1006, 1006, 1006, 1006}},
        {{25, 25, 25, 25, 1007, 1007, 1007, 1007}},     {{26, 26, 26, 26, 1008, 1008, 1008, 1008}},
        {{27, 27, 27, 492, 953, 953, 953, 954}},        {{28, 28, 28, 28, 1009, 1009, 1009, 1009}},
        {{29, 29, 29, 29, 1010, 1010, 1010, 1010}},     {{30, 30, 30, 30, 1011, 1011, 1011, 1011}},
        {{854, 854, 1042, 855, 944, 944, 1043, 945}},   {{860, 860, 1048, 861, 1014, 1014, 1049, 1015}},
        {{857, 857, 857, 858, 1018, 1018, 1018, 1019}}, {{863, 863, 863, 864, 1032, 1032, 1032, 1033}},
        {{846, 846, 1050, 847, 1023, 1023, 1051, 1024}}, {{848, 848, 1052, 849, 1025, 1025, 1053, 1026}},
        {{850, 850, 850, 851, 1027, 1027, 1027, 1028}}, {{852, 852, 852, 853, 1029, 1029, 1029, 1030}},
        {{891, 891, 891, 892, 961, 961, 961, 962}},     {{893, 893, 1056, 894, 963, 963, 1057, 964}},
        {{895, 895, 895, 896, 965, 965, 965, 966}},     {{897, 897, 1058, 898, 967, 967, 1059, 968}},
        {{899, 899, 1060, 900, 969, 969, 1061, 970}},   {{901, 901, 1062, 902, 971, 971, 1063, 972}},
        {{903, 903, 1064, 904, 973, 973, 1065, 974}},   {{905, 905, 1066, 906, 975, 975, 1067, 976}},
        {{907, 907, 1068, 908, 977, 977, 1069, 978}},   {{909, 909, 1070, 910, 979, 979, 1071, 980}},
        {{911, 911, 1072, 912, 981, 981, 1073, 982}},   {{913, 913, 913, 914, 983, 983, 983, 984}},
        {{915, 915, 1074, 916, 985, 985, 1075, 986}},   {{917, 917, 1046, 918, 955, 955, 1047, 956}},
        {{1037, 1037, 1037, 1038, 1039, 1039, 1039, 1040}}, {{1181, 1181, 1181, 473, 1218, 1218, 1218, 940}},
        {{1182, 1182, 1182, 473, 1219, 1219, 1219, 940}}, {{1183, 1183, 1183, 1257, 1220, 1220, 1220, 1261}},
        {{1184, 1184, 1184, 1258, 1221, 1221, 1221, 1262}},
    };
    KartenTabelle tab{};
    for (int art = 1; art < KARTEN_ELEMENTE; ++art) {
        for (int s = 0; s < 8; ++s) {
            UWORD g = 0;
            if (art <= 57)
                g = kErste[art - 1].s[s];
            else if (art <= 90)
                g = (UWORD)(art + (s < 4 ? 1127 : 1164));
            else if (art == 91)
                g = s < 4 ? 1263 : 1264;
            else
                g = 840;
            tab.t[art][s] = g;
        }
    }
    return tab;
}

constexpr KartenTabelle kKartenElemente = MacheKartenElemente();

}  // namespace

const UWORD (&KartenElemente)[KARTEN_ELEMENTE][8] = kKartenElemente.t;

void Line1(RastPort *rp, LONG x, LONG y, int Eigen)
{
    if (y <= 6) return;
    for (LONG i = 0; i < 5; ++i) Punkt(rp, x + 45 - 7 * i, y - 7, Eigen);
}

void Line2(RastPort *rp, LONG x, LONG y, int Eigen)
{
    if (y > 6) Punkt(rp, x + 17, y - 7, Eigen);
    if (y > 1) Punkt(rp, x + 13, y - 2, Eigen);
    Punkt(rp, x + 9, y + 5, Eigen);
    Punkt(rp, x + 5, y + 12, Eigen);
    Punkt(rp, x + 1, y + 19, Eigen);
}

void Line3(RastPort *rp, LONG x, LONG y, int Eigen)
{
    for (LONG i = 0; i < 5; ++i) Punkt(rp, x + 1 + 4 * i, y + 19 + 7 * i, Eigen);
}

void Line4(RastPort *rp, LONG x, LONG y, int Eigen)
{
    for (LONG i = 0; i < 5; ++i) Punkt(rp, x + 45 - 7 * i, y + 47, Eigen);
}

void Line5(RastPort *rp, LONG x, LONG y, int Eigen)
{
    if (y > 6) Punkt(rp, x + 45, y - 7, Eigen);
    if (y > 1) Punkt(rp, x + 49, y - 2, Eigen);
    for (LONG i = 0; i < 3; ++i) Punkt(rp, x + 53 + 4 * i, y + 5 + 7 * i, Eigen);
}

void Line6(RastPort *rp, LONG x, LONG y, int Eigen)
{
    for (LONG i = 0; i < 5; ++i) Punkt(rp, x + 61 - 4 * i, y + 19 + 7 * i, Eigen);
}

void BlitFrontier(VekMapInfo *View, LONG Spalte, LONG Zeile, RastPort *rp, LONG x, LONG y)
{
    if (!View) return;
    const LONG gx = View->IndeX + Spalte, gy = View->IndeY + Zeile;
    const MapEntry *hex = FensterHex(View, gx, gy);
    if (!hex) return;
    const ULONG besitzer = hex->BesitzerID;
    if (besitzer == NIEMAND) return;
    const int eigen = besitzer == PlayerInfo.SpielerID;
    // Sides in drawing order N, NW, SW, S, NE, SE with their neighbours.
    static void (*const kSeite[6])(RastPort *, LONG, LONG, int) = {Line1, Line2, Line3, Line4, Line5, Line6};
    static const HexRichtung kRichtung[6] = {HEX_N, HEX_NW, HEX_SW, HEX_S, HEX_NO, HEX_SO};
    for (int i = 0; i < 6; ++i) {
        const HexPos n = HexNachbar(HexPos{gx, gy}, kRichtung[i]);
        const MapEntry *nachbar = FensterHex(View, n.x, n.y);
        if (nachbar && nachbar->BesitzerID != besitzer) kSeite[i](rp, x, y, eigen);
    }
}

void MaleRohstoffBalken(RastPort *rp, LONG x, LONG y, LONG Wert, UWORD DunklerStift, UWORD HellerStift)
{
    SDL_Surface *s = Flaeche(rp);
    if (!s || Wert < 0 || Wert > 127) return;
    const LONG v = Wert;
    const Uint32 dunkel = StiftPixel(s, DunklerStift), hell = StiftPixel(s, HellerStift);
    Fuelle(s, x, y, x + v, y + 6, dunkel);
    Fuelle(s, x + 2, y - 2, x + v + 2, y - 2, dunkel);  // the shadow line along the top
    Fuelle(s, x + v + 2, y - 2, x + v + 2, y + 4, dunkel);  // and down the right end
    Fuelle(s, x + 1, y - 1, x + 1, y - 1, dunkel);
    Fuelle(s, x + v + 1, y - 1, x + v + 1, y - 1, dunkel);
    Fuelle(s, x + v + 1, y + 5, x + v + 1, y + 5, dunkel);
    for (LONG i = 0; i < v / 5; ++i) Fuelle(s, x + 1 + 5 * i, y + 1, x + 4 + 5 * i, y + 5, hell);
}

void BlitResources(VekMapInfo *View, LONG Spalte, LONG Zeile, RastPort *rp, LONG x, LONG y)
{
    if (!View) return;
    const MapEntry *hex = FensterHex(View, View->IndeX + Spalte, View->IndeY + Zeile);
    if (!hex || hex->BesitzerID != PlayerInfo.SpielerID || hex->Art == 0) return;
    Zeichne(rp, kRohstoffSymbol, x + 10, y + 11, true);
    MaleRohstoffBalken(rp, x + 25, y + 13, hex->THQ * 5, 108, 105);
    MaleRohstoffBalken(rp, x + 25, y + 24, hex->PHQ * 5, 71, 86);
    MaleRohstoffBalken(rp, x + 25, y + 35, hex->MHQ * 5, 50, 46);
}

void BlitMap(VekMapInfo *View)
{
    if (!View) return;
    RastPort *rp = View->LayerRastPortPtr;
    SDL_Surface *layer = Flaeche(rp);
    if (!layer || !View->GreatMapPtr) {
        View->QuickUpdate = QU_ALLES;
        return;
    }
    const LONG xt = std::min<LONG>(View->XTiles, SICHT_MAX_X), yt = std::min<LONG>(View->YTiles, SICHT_MAX_Y);
    const UWORD status = View->Status, modus = View->QuickUpdate <= QU_NEBEL ? View->QuickUpdate : QU_ALLES;
    const UWORD jahreszeit = std::min<UWORD>(View->Jahreszeit, 3);
    const bool nebel = status & MAPSTATUS_NEBEL;
    const bool figuren = status & MAPSTATUS_FIGUREN;

    // Sight of every view hex: all at once with figures and fog, else per hex when drawn.
    ULONG sicht[SICHT_MAX_X][SICHT_MAX_Y] = {};
    bool bekannt[SICHT_MAX_X][SICHT_MAX_Y] = {};
    const bool ganzeMatrix = nebel && figuren;
    if (ganzeMatrix) CheckFogofWar2(View, sicht);
    const UBYTE *lokal = View->LocalPeopleMemPtr;
    const ULONG anzahl = FigurenImBlock(lokal, View->PeopleMemSize);
    auto Sicht = [&](LONG c, LONG r) -> ULONG {
        if (ganzeMatrix || bekannt[c][r]) return sicht[c][r];
        bekannt[c][r] = true;
        sicht[c][r] =
            !nebel ? 1 : (ULONG)CheckFogofWar(View, anzahl, lokal ? FigurImBlock((UBYTE *)lokal, 0) : nullptr, c, r);
        return sicht[c][r];
    };
    // Since the sight was saved: a hex whose sight changed, or one marked as
    // drawn outside the rules or with changed figures.
    auto Geaendert = [&](LONG c, LONG r) {
        const ULONG vorher = View->FOWMask[c][r], s = Sicht(c, r);
        if (vorher == FOW_NEU) return true;
        return ganzeMatrix ? s != vorher : (s != 0) != (vorher != 0);
    };
    // A hex is drawn when it is explored (or knowledge does not count) and has a graphic.
    auto Hex = [&](LONG c, LONG r) -> const MapEntry * {
        const MapEntry *e = FensterHex(View, View->IndeX + c, View->IndeY + r);
        if (!e || e->Art == 0 || e->Art >= KARTEN_ELEMENTE) return nullptr;
        if ((status & MAPSTATUS_BMAP) && !GetBMapBit(View, c, r)) return nullptr;
        return e;
    };
    // Everything a hex may draw lies in its outline: the border dots reach 7
    // pixels above it and 6 past its right edge, a long resource bar further,
    // its figure a little round its picture.
    auto Umriss = [&](LONG c, LONG r) -> Band {
        const LONG x = c * HEX_SCHRITT, y = HexY(c, r);
        LONG rechts = x + HEX_BREITE + 6;
        const MapEntry *e = FensterHex(View, View->IndeX + c, View->IndeY + r);
        if ((status & MAPSTATUS_ROHSTOFFE) && e && e->BesitzerID == PlayerInfo.SpielerID) {
            const LONG v = std::max({e->THQ, e->PHQ, e->MHQ}) * 5;
            if (v <= 127) rechts = std::max(rechts, x + 25 + v + 3);
        }
        Band b{x, y - 7, rechts, y + HEX_HOEHE};
        if (figuren) b.Dazu(Band{x - FIGUR_LINKS, y - FIGUR_OBEN, x + FIGUR_RECHTS, y + FIGUR_UNTEN});
        return b;
    };
    auto Terrain = [&](LONG c, LONG r, const MapEntry *e, bool maskiert, bool *deckt = nullptr) {
        const int spalte = jahreszeit + (nebel && Sicht(c, r) == 0 ? 4 : 0);
        if (!Zeichne(rp, KartenElemente[e->Art][spalte], c * HEX_SCHRITT, HexY(c, r), maskiert, deckt))
            std::printf("BlitMap: Fehler beim laden der Grafik aufgetreten...\n");
    };
    // A full drawing clears only what the even hexes' plain blocks leave.
    bool bloeckeLeeren = false;
    // Both passes over the view; with a band only the hexes that reach into it.
    auto Durchgang = [&](const Band *band) {
        auto Drin = [&](LONG c, LONG r) { return !band || Umriss(c, r).Schneidet(*band); };
        for (LONG r = 0; r < yt; ++r) {
            for (LONG c = 0; c < xt; c += 2) {
                const MapEntry *e = Hex(c, r);
                bool deckt = false;
                if (e && Drin(c, r)) Terrain(c, r, e, false, bloeckeLeeren ? &deckt : nullptr);
                if (bloeckeLeeren && !deckt) Leere(layer, c * HEX_SCHRITT, r * HEX_HOEHE, c * HEX_SCHRITT + HEX_BREITE - 1,
                                                   r * HEX_HOEHE + HEX_HOEHE - 1);
            }
        }
        for (LONG r = 0; r < yt; ++r) {
            // The column left of the view shows only the border dots that reach
            // into it, as a layer moved one step to the right keeps them.
            if ((status & MAPSTATUS_GRENZEN) && Hex(-1, r) && Drin(-1, r))
                BlitFrontier(View, -1, r, rp, -HEX_SCHRITT, HexY(-1, r));
            for (LONG c = 0; c < xt; ++c) {
                const MapEntry *e = Hex(c, r);
                if (!e || !Drin(c, r)) continue;
                if (c & 1) Terrain(c, r, e, true);
                const LONG x = c * HEX_SCHRITT, y = HexY(c, r);
                if (e->Spezial & SPEZIAL_DUNGEON) Dungeon(rp, e->Art, x, y);
                if (status & MAPSTATUS_ROHSTOFFE) BlitResources(View, c, r, rp, x, y);
                if (status & MAPSTATUS_GRENZEN) BlitFrontier(View, c, r, rp, x, y);
                if ((status & MAPSTATUS_BEWEGUNG) && BitGesetzt(View->GreatCMapPtr, View->IndeX + c, View->IndeY + r))
                    Zeichne(rp, kBewegungsFeld, x, y, true);
            }
        }
    };

    // Every band where the picture changed is cleared and drawn again exactly
    // as a full drawing would, clipped to the band: the hexes that came in or
    // went out with a one-step scroll (the layer moves by the step first),
    // or those a figure's step changed.
    Band baender[SICHT_MAX_Y + 2] = {};
    int anzahlBaender = 0;
    const Band ganz{0, 0, layer->w, layer->h};
    if (modus == QU_ALLES) {
        // The gaps between even columns, what lies right of the last one and below the last row.
        LONG c = 0;
        for (; c < xt; c += 2)
            Leere(layer, c * HEX_SCHRITT + HEX_BREITE, 0, c * HEX_SCHRITT + 2 * HEX_SCHRITT - 1, layer->h - 1);
        Leere(layer, c * HEX_SCHRITT, 0, layer->w - 1, layer->h - 1);
        Leere(layer, 0, yt * HEX_HOEHE, layer->w - 1, layer->h - 1);
        bloeckeLeeren = true;
        Durchgang(nullptr);
        bloeckeLeeren = false;
    } else {
        auto Zeile = [&](Band &b, LONG r) {
            for (LONG c = -1; c < xt; ++c) b.Dazu(Umriss(c, r));
        };
        auto Spalte = [&](Band &b, LONG c) {
            for (LONG r = 0; r < yt; ++r) b.Dazu(Umriss(c, r));
        };
        // The odd columns' last row shows no figure, so a vertical step
        // changes the figures of the row that moves into it or out of it.
        auto OhneFigur = [&](Band &b, LONG r) {
            if (!figuren) return;
            for (LONG c = 1; c < xt; c += 2) {
                const LONG x = c * HEX_SCHRITT, y = HexY(c, r);
                b.Dazu(Band{x - FIGUR_LINKS, y - FIGUR_OBEN, x + FIGUR_RECHTS, y + FIGUR_UNTEN});
            }
        };
        if (modus != QU_NEBEL) VerschiebeLayer(layer, modus, xt, yt);
        anzahlBaender = 2;
        switch (modus) {
        case QU_HOCH:
            Zeile(baender[0], 0);
            baender[0].Dazu(Band{0, 0, layer->w, HEX_HOEHE});
            Zeile(baender[1], yt);
            OhneFigur(baender[1], yt - 1);
            break;
        case QU_RUNTER:
            Zeile(baender[0], -1);
            Zeile(baender[1], yt - 1);
            OhneFigur(baender[1], yt - 2);
            baender[1].Dazu(Band{0, yt * HEX_HOEHE - 28, layer->w, layer->h});
            break;
        case QU_RECHTS:
            Spalte(baender[0], -2);
            Spalte(baender[0], -1);
            Spalte(baender[1], xt - 2);
            Spalte(baender[1], xt - 1);
            baender[1].Dazu(Band{xt * HEX_SCHRITT - 80, 0, layer->w, layer->h});
            break;
        case QU_LINKS:
            Spalte(baender[0], -1);
            Spalte(baender[0], 0);
            Spalte(baender[0], 1);
            baender[0].Dazu(Band{0, 0, 96, layer->h});
            Spalte(baender[1], xt);
            Spalte(baender[1], xt + 1);
            break;
        default:  // QU_NEBEL: per row, the hexes that changed
            anzahlBaender = 0;
            for (LONG r = 0; r < yt; ++r) {
                Band b{0, 0, 0, 0};
                for (LONG c = 0; c < xt; ++c)
                    if (Geaendert(c, r)) b.Dazu(Umriss(c, r));
                if (!b.Leer()) baender[anzahlBaender++] = b;
            }
            break;
        }
        int n = 0;
        for (int i = 0; i < anzahlBaender; ++i) {
            Band b = baender[i];
            // Whole 16-pixel columns: clearing a band that starts off that
            // grid is several times slower at 32 bits.
            b.x0 = b.x0 >= 0 ? b.x0 / 16 * 16 : b.x0;
            b.x1 = (b.x1 + 15) / 16 * 16;
            b = Band{std::max(b.x0, ganz.x0), std::max(b.y0, ganz.y0), std::min(b.x1, ganz.x1), std::min(b.y1, ganz.y1)};
            if (b.Leer()) continue;
            baender[n++] = b;
            SDL_Rect clip = {(Sint16)b.x0, (Sint16)b.y0, (Uint16)(b.x1 - b.x0), (Uint16)(b.y1 - b.y0)};
            SDL_SetClipRect(layer, &clip);
            Leere(layer, b.x0, b.y0, b.x1 - 1, b.y1 - 1);
            Durchgang(&b);
            SDL_SetClipRect(layer, nullptr);
        }
        anzahlBaender = n;
    }
    if (figuren) {
        for (LONG c = 0; c < xt; ++c)
            for (LONG r = 0; r < yt; ++r) Sicht(c, r);
        if (modus == QU_ALLES) {
            BlitFigur2(View, sicht, rp);
        } else if (anzahlBaender) {
            LayerBereich bereiche[SICHT_MAX_Y + 2];
            for (int i = 0; i < anzahlBaender; ++i)
                bereiche[i] = LayerBereich{baender[i].x0, baender[i].y0, baender[i].x1, baender[i].y1};
            BlitFigur2(View, sicht, rp, bereiche, anzahlBaender);
        }
    }
    View->QuickUpdate = QU_ALLES;
}

ULONG GetMapGadget(const VekMapInfo *View, LONG x, LONG y)
{
    if (VekDisplay.VekScreen_Tiefe <= 8) {
        x -= 16;
        y -= 16;
    }
    if (x < 0 || y < 0 || !LadeMaske()) return KEIN_HEX;
    LONG col = 2 * (x / 96), row = y / HEX_HOEHE;
    const LONG xi = x % 96, yi = y % HEX_HOEHE, w = xi / 32;
    if (w <= 1 && MaskeBit(xi, yi)) {
        // the even hex
    } else if (w == 0) {
        col -= 1;
        if (yi < 28) row -= 1;
    } else if (xi >= 48 && MaskeBit(xi - 48, BodenMod(y - 28, HEX_HOEHE))) {
        col += 1;
        row = BodenDiv(y - 28, HEX_HOEHE);
    }
    if (col < 0 || row < 0) return KEIN_HEX;
    if (View && (col >= std::min<LONG>(View->XTiles, SICHT_MAX_X) || row >= std::min<LONG>(View->YTiles, SICHT_MAX_Y)))
        return KEIN_HEX;
    return (ULONG)col << 16 | (ULONG)row;
}

LONG CloseAllPattern(LONG Map)
{
    auto Bereich = [](UWORD von, UWORD bis) {
        for (UWORD n = von; n <= bis; ++n) GrafikFreigeben(n);
    };
    if (Map == 0) {
        Bereich(4, 31);
        Bereich(840, 864);
        Bereich(891, 918);
        Bereich(kPunktEigen, kPunktFremd);
        Bereich(473, 492);
        Bereich(1042, 1081);
        Bereich(939, 1033);
        static const UWORD kStreifen[] = {380, 441, 450, 457, 522, 529, 536, 543, 550,
                                          557, 788, 795, 802, 809, 816, 823, 830, 1097};
        for (UWORD basis : kStreifen) Bereich(basis, (UWORD)(basis + 6));
        gMaskeGeladen = false;
    }
    Bereich(493, 493);
    Bereich(838, 839);
    Bereich(884, 890);
    return 0;
}
