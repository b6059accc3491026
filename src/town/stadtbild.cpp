// The town picture: the table of what each town level shows, the picture
// composed from the built slots with its cache file per town, and the
// darkening targets of the local time of day.
#include "town/stadtbild.h"

#include <SDL/SDL.h>

#include <cstdio>
#include <cstring>
#include <ctime>

#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/prefs.h"

namespace {

const StadtLevelBild kLevel[4] = {
    {1, 39, "./Data/screendat/Stadt.dat", 222, 0, 56, 252, 255, 254, 358, 0, 0, 0, 0},
    {2, 745, "./Data/screendat/Stadt2.dat", 221, 56, 116, 748, 750, 749, 757, 758, 759, 760, 761},
    {3, 746, "./Data/screendat/Stadt3.dat", 217, 116, 180, 751, 753, 752, 762, 763, 764, 765, 766},
    {4, 747, "./Data/screendat/Stadt4.dat", 216, 180, 235, 754, 756, 755, 767, 768, 769, 770, 771},
};
constexpr LONG kBreite = 640, kHoehe = 480;
constexpr UWORD kPrioritaeten = 480;
constexpr UWORD kPrefMaskeStadt = 4;

void LokaleZeit(int *Stunde, int *Minute)
{
    const std::time_t jetzt = std::time(nullptr);
    std::tm t{};
    localtime_r(&jetzt, &t);
    *Stunde = t.tm_hour;
    *Minute = t.tm_min;
}

void MaskeLoeschen(UWORD Bild)
{
    char name[40];
    std::snprintf(name, sizeof name, "./Bobs/VekMaske_%03u", (unsigned)Bild);
    DeleteFile(name);
}

// The bitmap's pixels as rows without padding (Breite x Bpp each), to or from Daten.
bool Pixel(BitMap *bmp, UBYTE *Daten, bool Lesen)
{
    UBYTE *p = GetKavorGfxData(bmp);
    if (!p) return false;
    const ULONG zeile = bmp->Breite * (bmp->Tiefe / 8);
    for (ULONG y = 0; y < bmp->Hoehe; ++y) {
        UBYTE *z = p + (size_t)y * bmp->BytesPerRow;
        if (Lesen)
            std::memcpy(Daten + (size_t)y * zeile, z, zeile);
        else
            std::memcpy(z, Daten + (size_t)y * zeile, zeile);
    }
    FreeKavorGfxLock(bmp);
    return true;
}

bool AusCache(const char *Name, BitMap *bmp)
{
    BPTR f = OpenToRead(Name);
    if (!f) {
        std::printf("DrawTown : Konnte Image nicht \366ffnen...\n");
        return false;
    }
    UBYTE *daten = (UBYTE *)AllocVec(bmp->GfxSize, 0);
    const bool ok = Read(f, daten, (LONG)bmp->GfxSize) == (LONG)bmp->GfxSize && Pixel(bmp, daten, false);
    Close(f);
    FreeVec(daten);
    if (!ok) std::printf("DrawTown : Konnte Image nicht laden...\n");
    return ok;
}

bool InCache(const char *Name, BitMap *bmp)
{
    UBYTE *daten = (UBYTE *)AllocVec(bmp->GfxSize, 0);
    const bool ok = Pixel(bmp, daten, true) && WriteFileAtomic(Name, daten, bmp->GfxSize, -1) == (int)bmp->GfxSize;
    FreeVec(daten);
    if (!ok) std::printf("DrawTown : Konnte Image nicht speichern...\n");
    return ok;
}

}  // namespace

void (*StadtUhrHook)(int *Stunde, int *Minute) = LokaleZeit;

const StadtLevelBild &StadtLevelDaten(UWORD Level)
{
    return (Level >= 2 && Level <= 4) ? kLevel[Level - 1] : kLevel[0];
}

int StadtImageName(const Stadt *Town, char *Name, size_t Size)
{
    char kurz[STADTNAME_MAX + 1];
    std::memcpy(kurz, Town->Stadtname, STADTNAME_MAX);
    kurz[STADTNAME_MAX] = 0;
    if (!kurz[0] || kurz[0] == '.' || std::strchr(kurz, '/') || std::strchr(kurz, '\\')) return 0;
    return std::snprintf(Name, Size, "%s/%s.image", CITIES_DIR, kurz) < (int)Size;
}

int ComposeTown(const Stadt *Town, BitMap *bmp)
{
    const StadtLevelBild &lv = StadtLevelDaten(Town->Level);
    RastPort rp;
    InitRastPort(&rp);
    rp.BitMap = bmp;
    // The slots of the level in drawing order: by priority, then by slot.
    UWORD folge[STADT_SLOTS];
    int anzahl = 0;
    for (UWORD j = 0; j < kPrioritaeten; ++j)
        for (UWORD s = lv.ErsterSlot; s < lv.EndeSlot; ++s) {
            const GebaeudeAbhaengigkeiten &g = Town->GebaeudeAbhaengigkeiten[s];
            if ((g.GfxBitfeld & GFX_THISIMAGEISSET) && !(g.GfxBitfeld & GFX_FORBIDDEN) && g.Prioritaet == j &&
                g.Stadtlevel == lv.Level)
                folge[anzahl++] = s;
        }
    for (int i = 0; i < anzahl; ++i) {
        const auto &d = Town->GebaeudeAbhaengigkeiten[folge[i]].GebaeudeDaten;
        // A graphic of width or height 0 would be drawn whole: nothing to draw.
        if (d.Breite == 0 || d.Hoehe == 0 || d.XPos >= kBreite || d.YPos >= kHoehe) continue;
        BlitObjektMask(&rp, d.GfxID, 0, d.XPos, d.YPos, d.Breite, d.Hoehe);
    }
    return 1;
}

int DrawTownInto(Stadt *Town, RastPort *rp)
{
    if (!Town || !rp || !rp->BitMap) return 1;
    const UWORD bild = StadtLevelDaten(Town->Level).Bild;
    ULONG maskeStadt = 0;
    if (!CheckPrefsRead(kPrefMaskeStadt, &maskeStadt) || maskeStadt != Town->StadtID) MaskeLoeschen(bild);

    BitMap *bmp = AllocBitMap(kBreite, kHoehe, rp->BitMap->Tiefe, 0, rp->BitMap);
    if (!bmp) {
        std::printf("DrawTown : Konnte Bitmap nicht allokieren..\n");
        return 1;
    }
    SDL_FillRect(bmp->Surface, nullptr, 0);
    char name[128];
    const bool benannt = StadtImageName(Town, name, sizeof name);
    int ergebnis = 0;
    if (benannt && !Town->TownChanged && GetFileSize(name) == bmp->GfxSize) {
        std::printf("Lade Image...\n");
        if (AusCache(name, bmp))
            BltMaskBitMapRastPort(bmp, 0, 0, rp, 0, 0, kBreite, kHoehe, 0, 0);
        else
            ergebnis = 1;
        FreeBitMap(bmp);
        return ergebnis;
    }
    std::printf("DrawTown : Zeichne Stadt neu...\n");
    if (!ChangeTownStatus(Town)) {
        std::printf("DrawTown : ChangeTownStatus fehlgeschlagen... !\n");
        FreeBitMap(bmp);
        return 1;
    }
    ComposeTown(Town, bmp);
    MaskeLoeschen(StadtLevelDaten(Town->Level).Bild);
    // The file is written from the composed pixels before the masked blit
    // turns the bitmap into the display's keyed format.
    if (!benannt || !InCache(name, bmp)) ergebnis = 1;
    BltMaskBitMapRastPort(bmp, 0, 0, rp, 0, 0, kBreite, kHoehe, 0, 0);
    FreeBitMap(bmp);
    Town->TownChanged = 0;
    if (!SpeichereStadt(Town)) {
        std::printf("DrawTown : Konnte Stadt.vek nicht speichern...\n");
        ergebnis = 1;
    }
    return ergebnis;
}

int DrawTown(Stadt *Town)
{
    return DrawTownInto(Town, DisplayRastPort());
}

UBYTE DunkelZiel(int Stunde, int Minute)
{
    const bool zweite = Minute >= 30;
    switch (Stunde) {
    case 22: case 23: case 0: case 1: case 2: case 3: return 60;
    case 4: return zweite ? 40 : 50;
    case 5: return zweite ? 20 : 30;
    case 6: return zweite ? 5 : 10;
    case 19: return zweite ? 10 : 5;
    case 20: return zweite ? 30 : 20;
    case 21: return zweite ? 50 : 40;
    default: return 0;
    }
}

UBYTE DunkelSchritt(UBYTE Aktuell, UBYTE Ziel)
{
    if (Aktuell == Ziel) return Aktuell;
    if (Aktuell + 5 < Ziel) return Ziel;
    // Five at a time, never past the target.
    if (Aktuell < Ziel) return Ziel;
    return Aktuell - Ziel < 5 ? Ziel : (UBYTE)(Aktuell - 5);
}
