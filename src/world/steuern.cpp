// Taxes: the TAXE order and its forecasts.
#include "world/steuern.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/memfile.h"
#include "store/store.h"

namespace {

ULONG Sat(int64_t v) { return (ULONG)std::clamp<int64_t>(v, 0, 0xFFFFFFFFll); }

// The chunk of that number from a pool: 1 with it copied (whole or zero-filled
// past its length), 1 without it when absent, 0 when present but unreadable.
template <class T> BOOL Lesen(ULONG num, const char *pool, T *out, bool *gefunden)
{
    *gefunden = false;
    if (!IsChunkPresent(ChunkBit(num), pool)) return 1;
    void *c = LoadChunk2Mem(ChunkIDOf(num), pool);
    if (!c) return 0;
    std::memcpy(out, c, sizeof(T));
    FreeVec(c);
    *gefunden = true;
    return 1;
}

}  // namespace

st_TAXE LeereTaxe()
{
    st_TAXE t;
    std::memset(&t, 0, sizeof t);
    t.Head = {ID_TAXE, VERSION_V001, sizeof(st_TAXE) - sizeof(st_ChunkHead)};
    return t;
}

BOOL ReadSteuernScreenData(LokalDataSteuernScreen *d)
{
    *d = LokalDataSteuernScreen{};
    d->Taxe = LeereTaxe();
    bool da = false;
    st_LAND land{};
    if (!Lesen(CN_LAND, POOL_IN, &land, &da)) {
        std::printf("ReadSteuernScreenData : Konnte LandChunk nicht \366ffnen !\n");
        return 0;
    }
    if (da) {
        const ULONG vertrauen = land.Vertrauen;  // packed: read by value
        d->Vertrauen = (UWORD)std::min<ULONG>(vertrauen, 0xFFFF);
        d->AnzVolk = land.AnzVolk;
        d->AnzPflanzHq = (UWORD)land.AnzPflanzHq;
        d->AnzTierHq = (UWORD)land.AnzTierHq;
        d->AnzMineralHq = (UWORD)land.AnzMineralHq;
        d->Piratengold = land.Piratengold;
    }
    st_TAXE t{};
    if (!Lesen(CN_TAXE, POOL_OUT, &t, &da) || (!da && !Lesen(CN_TAXE, POOL_IN, &t, &da))) {
        std::printf("ReadSteuernScreenData : Konnte TaxeChunk nicht \366ffnen !\n");
        return 0;
    }
    if (da) {
        // The head stays ours: a chunk read short must not shorten what is written.
        const st_ChunkHead kopf = d->Taxe.Head;
        d->Taxe = t;
        d->Taxe.Head = kopf;
        if (d->Taxe.Justizia > 3) d->Taxe.Justizia = 0;
        if (d->Taxe.ZehnteProzent > 100) d->Taxe.ZehnteProzent = 100;
    }
    st_KORN korn{};
    if (!Lesen(CN_KORN, POOL_IN, &korn, &da)) {
        std::printf("ReadSteuernScreenData : Konnte KornChunk nicht \366ffnen !\n");
        return 0;
    }
    if (da) d->Wetter = korn.Wetter;
    d->VorrausJustizsteuer = JustizVorschau(d->AnzVolk, d->Taxe.Justizia, 0);
    d->VorrausZollsteuer = ZollVorschau(d->AnzVolk, d->Taxe.Zoll100);
    d->VorrausHQsteuer = HQVorschau(d);
    return 1;
}

BOOL WriteSteuernScreenData(const LokalDataSteuernScreen *d)
{
    const st_TAXE t = d->Taxe;
    return AddChunkPool(&t, POOL_OUT);
}

ULONG GrundsteuerVonX(LONG x)
{
    x = std::clamp<LONG>(x, STEUER_SKALA_X0, STEUER_SKALA_X1);
    return (ULONG)((x * 100 - 20000) / 233);
}

LONG GrundsteuerX(ULONG rate) { return (LONG)(std::min<ULONG>(rate, 100) * 233 / 100 + STEUER_SKALA_X0); }

ULONG GrundsteuerErtrag(ULONG AnzVolk, ULONG rate) { return Sat((int64_t)AnzVolk * rate * 2 / 100); }

ULONG JustizVorschau(ULONG AnzVolk, UWORD Justizia, ULONG vorher)
{
    static const ULONG teil[4] = {7, 5, 3, 1};
    if (Justizia > 3) return vorher;
    return (ULONG)(((uint64_t)AnzVolk * teil[Justizia]) >> 3);
}

UWORD NaechsteJustiz(UWORD Justizia) { return Justizia >= 3 ? 0 : (UWORD)(Justizia + 1); }

ULONG ZollVorschau(ULONG AnzVolk, ULONG Zoll100) { return Sat((int64_t)AnzVolk * Zoll100 / 100); }

ULONG HQVorschau(const LokalDataSteuernScreen *d)
{
    const st_TAXE &t = d->Taxe;
    return Sat((int64_t)d->AnzTierHq * t.HQTierGold + (int64_t)d->AnzPflanzHq * t.HQPflanzeGold +
               (int64_t)d->AnzMineralHq * t.HQMineralGold);
}

LONG ZehnteGewinn(LONG Piratengold, ULONG Gesamtkosten, const st_TAXE *t)
{
    const int64_t p = (int64_t)Piratengold - Gesamtkosten + t->JustizLast + t->GrundsteuerLast + t->ZollLast +
                      t->HQLast + t->KirchensteuerLast + t->ZehnteEinnahme + t->Markthallen;
    return (LONG)std::clamp<int64_t>(p, INT32_MIN, INT32_MAX);
}

ULONG ZehnteZahlung(UBYTE Prozent, LONG Gewinn)
{
    if (Gewinn < 1) return 0;
    return (ULONG)((int64_t)Prozent * Gewinn / 100);
}

ULONG SteuerZahl(const char *text)
{
    if (!text) return 0;
    return (ULONG)std::clamp<long long>(std::strtoll(text, nullptr, 10), 0, 0x7FFFFFFF);
}

UBYTE ZehnteProzentVon(const char *text) { return (UBYTE)std::min<ULONG>(SteuerZahl(text), 100); }
