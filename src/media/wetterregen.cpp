// The weather's rain over a screen: the checks on the tick, the chance by
// weather, the rain's length and its sound.
#include "media/wetterregen.h"

#include <atomic>

#include "media/sound.h"
#include "platform/gamevalues.h"

namespace {

constexpr ULONG kErsteSuche = 100;

ULONG Wurf(const WetterRegen *r, ULONG n) { return r->Wuerfel ? r->Wuerfel(n) : Wuerfel(n); }

}  // namespace

UBYTE RegenChance(UBYTE Wetter, UBYTE Letzte)
{
    static constexpr UBYTE kChance[7] = {1, 1, 2, 5, 10, 15, 20};
    return Wetter < 7 ? kChance[Wetter] : Letzte;
}

void RegenStart(WetterRegen *r, Rechteck *Verschont)
{
    ULONG (*wuerfel)(ULONG) = r->Wuerfel;
    *r = WetterRegen{};
    r->Wuerfel = wuerfel;
    r->Intervall = kErsteSuche;
    r->Verschont = Verschont;
}

UWORD RegenTick(WetterRegen *r, UBYTE Wetter)
{
    if (r->Regen) {
        if (ItsStillRaining(r->Regen)) return 0;
        StopTheRain(r->Regen);
        StopSfx(REGEN_SFX);
        r->Regen = nullptr;
    }
    if (++r->Ticks < r->Intervall) return 0;
    r->Ticks = 0;
    r->Intervall = Wurf(r, 5) * 80 + 80;
    r->Chance = RegenChance(Wetter, r->Chance);
    if (r->Chance < Wurf(r, 100) + 1) return 0;
    const UWORD dauer = (UWORD)(Wurf(r, (ULONG)r->Chance * 100) + 100);
    r->Regen = StartTheRain(dauer, r->Verschont);
    if (!r->Regen) return 0;
    SfxPlayer(REGEN_SFX, 0, 1);
    return dauer;
}

void RegenVerschonen(WetterRegen *r, Rechteck *Verschont)
{
    r->Verschont = Verschont;
    if (r->Regen) std::atomic_ref<Rechteck *>(r->Regen->RechteckPtr).store(Verschont);
}

void RegenEnde(WetterRegen *r)
{
    if (!r->Regen) return;
    StopTheRain(r->Regen);
    StopSfx(REGEN_SFX);
    r->Regen = nullptr;
}
