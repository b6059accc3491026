// The home market's rules and its per-turn cache. All sums are taken in 64
// bits and saturated: a realm with many people and strong sources must not
// wrap into a tiny offer or a tiny price.
#include "world/markt.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "world/towns.h"

ULONG (*MarktWuerfelHook)(ULONG n) = &Wuerfel;

namespace {

constexpr uint64_t MAX32 = 0xFFFFFFFFu;

ULONG Pref(UWORD id)
{
    ULONG v = 0;
    return CheckPrefsRead(id, &v) ? v : 0;
}

constexpr UWORD kFestePrefs[4] = {PREF_ROHWAREN, PREF_LUXUSWARE, PREF_HOLZ, PREF_STEIN};

ULONG Pref(const MarktKontext *c, UWORD id)
{
    if (c->PrefsFest)
        for (int i = 0; i < 4; ++i)
            if (kFestePrefs[i] == id) return c->Prefs[i];
    return Pref(id);
}
ULONG Sat(uint64_t v) { return (ULONG)std::min(v, MAX32); }
ULONG Dice(uint64_t n) { return MarktWuerfelHook(Sat(n)); }

// The chosen luxury ware is made by 200 people a unit and sells at 100 for
// as long as it is chosen; the table itself stays as it is, so a lapsed or
// changed choice is offered as an unchosen ware again.
LONG Menschen(ULONG t, ULONG luxus) { return luxus && t == luxus ? 200 : WarenWerte[t][WW_MENSCHEN]; }
LONG Basispreis(ULONG t, ULONG luxus) { return luxus && t == luxus ? 100 : WarenWerte[t][WW_PREIS]; }

bool HatQuellen(const st_LAND &l) { return l.AnzPflanzHq >= 1 || l.AnzTierHq >= 1 || l.AnzMineralHq >= 1; }

bool ForschungReicht(const st_FORS &f, const LONG *row)
{
    const UBYTE stufen[7] = {f.Alchemie, f.Astronomie, f.Kampftechnik, f.Naturkunde, f.Medizin, f.Technik, f.Theologie};
    for (int i = 0; i < 7; ++i)
        if ((LONG)stufen[i] < row[WW_ALCHEMIE + i]) return false;
    return true;
}

// The building gate: mineral wares need the blacksmiths, plant wares the sawmill.
ULONG Gebaeudesperre(const MarktKontext *c, ULONG t, uint64_t u)
{
    const LONG *row = WarenWerte[t];
    if (row[WW_MINERAL] != 0 && !SlotGebaut(c->AktStadt, SLOT_SCHMIEDE)) return 0;
    if (row[WW_PFLANZE] != 0 && !SlotGebaut(c->AktStadt, SLOT_SAEGEWERK)) return 0;
    return Sat(u);
}

// Units made by the population: B = people / people per unit, plus a die of
// B, plus (or minus) a die of B x |W| with W the sources' weighted factors.
uint64_t Bevoelkerung(const MarktKontext *c, ULONG t, LONG menschen)
{
    if (menschen <= 0) return 0;
    const LONG *row = WarenWerte[t];
    const uint64_t b = c->Land.AnzVolk / (ULONG)menschen;
    const uint64_t wurf1 = Dice(b);
    int64_t w = (int64_t)row[WW_PFLANZE] * c->FaktorPflanz + (int64_t)row[WW_TIER] * c->FaktorTier +
                2 * (int64_t)row[WW_MINERAL] * c->FaktorMineral;
    const ULONG s = (ULONG)(row[WW_TIER] + row[WW_PFLANZE] + row[WW_MINERAL]) & 0xFFFF;
    if (s) w /= (int64_t)s;
    const uint64_t betrag = w < 0 ? (uint64_t)(-w) : (uint64_t)w;
    const unsigned __int128 grenze = (unsigned __int128)b * betrag;
    const uint64_t wurf2 = Dice(grenze > MAX32 ? MAX32 : (uint64_t)grenze);
    if (w >= 0) return b + wurf1 + wurf2;
    const int64_t u = (int64_t)(b + wurf1) - (int64_t)wurf2;
    return u > 0 ? (uint64_t)u : 0;
}

}  // namespace

ULONG ErrechneWarenEinheiten(MarktKontext *c, ULONG t)
{
    if (!c || t >= (ULONG)WAREN_TYPES) return 0;
    const ULONG luxus = t != 0 ? Pref(c, PREF_LUXUSWARE) : 0;
    const bool luxusware = t >= 82 && t <= 97, holzStein = t == WARE_HOLZ || t == WARE_STEIN;

    if (Pref(c, PREF_ROHWAREN) != 0 && !luxusware && !holzStein) {
        const LONG f = t == 1 ? c->FaktorTier : t == 2 ? c->FaktorPflanz : t == 3 ? c->FaktorMineral : 0;
        if (f < 1) return 0;
        return Gebaeudesperre(c, t, (uint64_t)f * 10);
    }
    if (holzStein) {
        const ULONG u = Pref(c, t == WARE_HOLZ ? PREF_HOLZ : PREF_STEIN);
        return u ? Gebaeudesperre(c, t, u) : 0;
    }

    uint64_t u = HatQuellen(c->Land) ? Bevoelkerung(c, t, Menschen(t, luxus)) : 0;
    if (t == WARE_OEL) u *= 2;
    if (t == WARE_PELZE) u *= 8;
    if (!ForschungReicht(c->Forschung, WarenWerte[t])) u = 0;
    if (u == 0) {
        // A chosen luxury ware nobody can make lapses; the after-turn events
        // may choose again.
        if (luxus && t == luxus) {
            CheckPrefsWrite(PREF_LUXUSWARE, 0);
            if (c->PrefsFest) c->Prefs[1] = 0;
        }
        return 0;
    }
    return Gebaeudesperre(c, t, u);
}

ULONG ErrechneWarenPreis(MarktKontext *c, ULONG t)
{
    if (!c || t >= (ULONG)WAREN_TYPES) return 0;
    if (Pref(c, PREF_ROHWAREN) != 0 && t <= 81) return 0;
    if (t == WARE_HOLZ || t == WARE_STEIN) return 0;  // taken free
    if (c->Land.AnzPflanzHq == 0 && c->Land.AnzTierHq == 0 && c->Land.AnzMineralHq == 0) return 0;
    const ULONG basis = GetWarenPreis((LONG)t, Basispreis(t, Pref(c, PREF_LUXUSWARE)), c->FaktorTier, c->FaktorPflanz,
                                      c->FaktorMineral);
    return Sat((uint64_t)basis * ((uint64_t)c->Zoll100 + 101) / 100);
}

ULONG HeimMarktAnzahl(const MarktKontext *c)
{
    ULONG n = 0;
    for (int t = 0; t < WAREN_TYPES; ++t) n += c->Waren[t] != 0;
    return n;
}

BOOL HeimMarktSpeichern(const MarktKontext *c)
{
    return SaveMem2File(WARENDAT_FILE, c->Waren, WARENDAT_BYTES);
}

BOOL HeimMarktBauen(MarktKontext *c)
{
    if (!c) return 0;
    if (c->WarenGeladen) return 1;
    std::memset(c->Waren, 0, sizeof c->Waren);
    bool geladen = false;
    const ULONG groesse = GetFileSize(WARENDAT_FILE);
    if (groesse != 0 && groesse != WARENDAT_BYTES) {
        DeleteFile(WARENDAT_FILE);
    } else if (groesse == WARENDAT_BYTES) {
        if (void *buf = LoadFile2Mem(WARENDAT_FILE, 0)) {
            std::memcpy(c->Waren, buf, WARENDAT_BYTES);
            FreeVec(buf);
            geladen = true;
        }
    }
    const bool neu = Pref(PREF_MARKT_GEMACHT) == 0;
    bool gespeichert = geladen;
    if (!geladen && neu) {
        // Units first: the luxury choice may lapse on the way, and its price
        // depends on whether it is still chosen.
        for (int i = 0; i < 4; ++i) c->Prefs[i] = Pref(kFestePrefs[i]);
        c->PrefsFest = 1;
        for (ULONG t = 0; t < (ULONG)WAREN_TYPES; ++t) c->Waren[t] = ErrechneWarenEinheiten(c, t);
        for (ULONG t = 0; t < (ULONG)WAREN_TYPES; ++t) c->Waren[WAREN_TYPES + t] = ErrechneWarenPreis(c, t);
        c->PrefsFest = 0;
        gespeichert = HeimMarktSpeichern(c);
        if (!gespeichert) std::printf("CreateWarenReqListBuffer: Konnte Waren.dat nicht abspeichern !\n");
    }
    c->WarenGeladen = 1;
    if (neu) {
        c->Marktangebote = (LONG)HeimMarktAnzahl(c);
        // Only a stored offer is the turn's offer: without the file the next
        // visit makes it again instead of showing an empty market.
        if (gespeichert) CheckPrefsWrite(PREF_MARKT_GEMACHT, 1);
    }
    return 1;
}
