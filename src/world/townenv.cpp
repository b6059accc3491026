// The rule that says whether a building of a town's slot may be ordered, or
// shown while the player browses the buildings.
#include "world/townenv.h"

#include <cstdio>
#include <memory>

#include "world/cultivation.h"
#include "world/hex.h"

const UWORD AusbauKetten[AUSBAUKETTEN][4] = {
    {0, 99, 168, 224},     {1, 106, 173, 228},    {2, 58, 118, 182},     {14, 97, 166, 222},
    {16, 93, 159, 216},    {20, 113, 177, 232},   {21, 90, 155, 212},    {22, 100, 169, KEIN_GLIED},
    {23, 94, 161, KEIN_GLIED}, {26, 109, 176, 230}, {27, 114, 178, 233}, {48, 59, 119, KEIN_GLIED},
    {49, 101, 170, 225},   {50, 77, 138, KEIN_GLIED}, {51, 92, 157, 214},  {55, 107, 174, KEIN_GLIED},
    {56, 116, 180, KEIN_GLIED}, {57, 117, 181, KEIN_GLIED}, {78, 140, 194, KEIN_GLIED},
    {91, 156, 213, KEIN_GLIED}, {95, 164, 220, KEIN_GLIED}, {96, 165, 221, KEIN_GLIED},
    {98, 167, 223, KEIN_GLIED}, {108, 175, 229, KEIN_GLIED}, {115, 179, 234, KEIN_GLIED},
    {139, 193, KEIN_GLIED, KEIN_GLIED}, {158, 215, KEIN_GLIED, KEIN_GLIED},
    {160, 217, KEIN_GLIED, KEIN_GLIED}, {162, 218, KEIN_GLIED, KEIN_GLIED},
    {163, 219, KEIN_GLIED, KEIN_GLIED},
};

int (*TownEnvLadeSektorHook)(const char *Name, MapEntry *Ziel, int *Fehlt) = LadeKartenDatei;

namespace {

// Buildings a town of level 2 and up no longer takes.
constexpr UWORD kAbLevel2Verboten[] = {59, 77, 94, 100, 101, 107, 119, 138, 161, 169, 170, 174, 225};
constexpr UWORD kHaefen[] = {51, 92, 157, 214};

bool Gebaut(const Stadt *Town, int Slot)
{
    return (Town->GebaeudeAbhaengigkeiten[Slot].GfxBitfeld & GFX_THISIMAGEISSET) != 0;
}

bool HoeheresKettenglied(UWORD Slot)
{
    for (const auto &kette : AusbauKetten)
        for (int stufe = 1; stufe < 4; ++stufe)
            if (kette[stufe] == Slot) return true;
    return false;
}

bool ForschungReicht(const GebaeudeAbhaengigkeiten &s, const st_FORS *Fors)
{
    const auto &f = s.GebaeudeForschung;
    const UBYTE noetig[7] = {f.Alchemie, f.Astronomie, f.Kampftechnik, f.Naturkunde, f.Medizin, f.Technik, f.Theologie};
    UBYTE stand[7] = {0, 0, 0, 0, 0, 0, 0};
    if (Fors) {
        const UBYTE hat[7] = {Fors->Alchemie, Fors->Astronomie, Fors->Kampftechnik, Fors->Naturkunde,
                              Fors->Medizin, Fors->Technik, Fors->Theologie};
        for (int i = 0; i < 7; ++i) stand[i] = hat[i];
    }
    for (int i = 0; i < 7; ++i)
        if (stand[i] < noetig[i]) return false;
    return true;
}

bool AndereGebaut(const Stadt *Town, const GebaeudeAbhaengigkeiten &s)
{
    const auto &a = s.AndereGebaeude;
    const UWORD ids[7] = {a.OtherID1, a.OtherID2, a.OtherID3, a.OtherID4, a.OtherID5, a.OtherID6, a.OtherID7};
    for (UWORD id : ids) {
        if (id == 0) continue;
        if (id > STADT_SLOTS || !Gebaut(Town, id - 1)) return false;
    }
    return true;
}

// Water on one of the six hexes round the town, each read from its sector;
// the sector read last is kept for the next hex. An unreadable sector counts
// as no water.
int WasserNebenan(const Stadt *Town)
{
    std::printf("CheckTownEnv : es wird auf Hafen gepr\374ft...\n");
    std::unique_ptr<MapEntry[]> sektor(new MapEntry[TEIL_BREITE * TEIL_HOEHE]);
    LONG geladenX = -1, geladenY = -1;
    int geladenOk = 0;
    const HexPos stadt{CheckWrap((LONG)(Town->XPos % (ULONG)WELT_BREITE), WELT_BREITE),
                       CheckWrap((LONG)(Town->YPos % (ULONG)WELT_HOEHE), WELT_HOEHE)};
    for (int r = 0; r < HEX_RICHTUNGEN; ++r) {
        const HexPos n = WeltNachbar(stadt, r);
        std::printf("CheckTownEnv : FinalX_MW %u\n", (unsigned)n.x);
        std::printf("CheckTownEnv : FinalY_MW %u\n", (unsigned)n.y);
        const LONG sx = n.x / TEIL_BREITE, sy = n.y / TEIL_HOEHE;
        if (sx != geladenX || sy != geladenY) {
            char name[64];
            std::snprintf(name, sizeof name, "./Map/M_%u_%u.map", (unsigned)sx, (unsigned)sy);
            geladenX = sx;
            geladenY = sy;
            geladenOk = TownEnvLadeSektorHook(name, sektor.get(), nullptr);
        }
        if (!geladenOk) continue;
        const MapEntry &e = sektor[(size_t)((n.y % TEIL_HOEHE) * TEIL_BREITE + n.x % TEIL_BREITE)];
        if (GetTypeOfHex(e.Art) == GK_WASSER) return 1;
    }
    return 0;
}

}  // namespace

int CheckTownEnv(const Stadt *Town, const st_FORS *Fors, UWORD Slot, int Full)
{
    if (!Town) {
        std::printf("CheckTownEnv : Es wurde kein StadtPtr \374bergeben...!\n");
        return 0;
    }
    if (Slot >= STADT_SLOTS) return 0;
    const GebaeudeAbhaengigkeiten &s = Town->GebaeudeAbhaengigkeiten[Slot];
    if (Full) {
        if (!ForschungReicht(s, Fors)) return 0;
        if (Town->StadtVolk < s.Volk || Town->Level < s.Stadtlevel) return 0;
        if (!AndereGebaut(Town, s)) return 0;
    } else if (HoeheresKettenglied(Slot)) {
        return 0;
    }
    if (Town->Level >= 2)
        for (UWORD v : kAbLevel2Verboten)
            if (v == Slot) return 0;
    if (Gebaut(Town, Slot) && Slot != 0 && Slot != 1 && Slot != 98) return 0;
    if (Slot == 29 || Slot == 30 || (s.GfxBitfeld & GFX_DUMMYGRAFIK)) return 0;
    for (UWORD h : kHaefen)
        if (h == Slot) return WasserNebenan(Town);
    return 1;
}
