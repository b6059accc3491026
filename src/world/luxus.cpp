// Luxury allocations and the raw-source scales.
#include "world/luxus.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/files.h"
#include "platform/gamevalues.h"
#include "store/store.h"

BOOL SaveLuxusZuweisung(const ULONG Zuweisung[LUXUS_LINIEN])
{
    return SaveMem2File(LUXUS_FILE, Zuweisung, LUXUS_LINIEN * sizeof(ULONG)) == 1;
}

ULONG LuxusBestand(const void *WareChunk, ULONG Ware)
{
    if (!WareChunk) return 0;
    const ULONG n = GetChunkEntryCount(WareChunk);
    const auto *p = (const UBYTE *)WareChunk + sizeof(st_WARE);
    for (ULONG i = 0; i < n; ++i) {
        st_WARE_EXT w;
        std::memcpy(&w, p + (size_t)i * sizeof w, sizeof w);
        if (w.Info == 5 && w.WarenTyp == Ware) return w.WarenAnzahl;
    }
    return 0;
}

LuxusZeile LuxusZeileVon(int Linie, const void *WareChunk, LONG Tier, LONG Pflanze, LONG Mineral,
                         const LuxusResources *Res, ULONG Volk)
{
    LuxusZeile z{};
    z.Ware = LuxusWare(Linie);
    z.Bestand = LuxusBestand(WareChunk, z.Ware);
    z.Ziel = LuxusNeeded((short)Linie, Tier, Pflanze, Mineral, Res, Volk);
    z.Preis = Linie < 3 ? 0 : GetWarenPreis((LONG)z.Ware, (LONG)LuxusBasis(z.Ziel), Tier, Pflanze, Mineral);
    return z;
}

ULONG LuxusBegrenzt(long long v, ULONG Bestand) { return (ULONG)std::clamp<long long>(v, 0, Bestand); }

ULONG LuxusSpanne(const ULONG Zuweisung[3], LONG Tier, LONG Pflanze, LONG Mineral)
{
    auto betrag = [](LONG v) { return (ULONG)(v < 0 ? 0u - (ULONG)v : (ULONG)v); };
    return std::max({Zuweisung[0] / 10, Zuweisung[1] / 10, Zuweisung[2] / 10, betrag(Pflanze), betrag(Tier),
                     betrag(Mineral)});
}

namespace {

LONG AufSkala(int64_t Einheiten, ULONG M, LONG w)
{
    if (M == 0 || w <= 0) return std::max<LONG>(w, 0) / 2;
    return (LONG)std::clamp<int64_t>(Einheiten * w / (2 * (int64_t)M), 0, w);
}

}  // namespace

LONG LuxusZeigerOffset(ULONG M, LONG S, ULONG A, LONG w) { return AufSkala((int64_t)M + S + A / 10, M, w); }

LONG LuxusZugGrenze(ULONG M, LONG S, ULONG Bestand, LONG w) { return AufSkala((int64_t)M + S + Bestand / 10, M, w); }

ULONG LuxusZugAllokation(LONG offset, ULONG M, LONG S, LONG wp, ULONG Bestand, ULONG alt)
{
    if (M == 0 || wp <= 0) return alt;
    const int64_t g = ((int64_t)offset - ((int64_t)M + S) * wp / (2 * (int64_t)M)) * 100 / wp;
    if (g <= 0) return 0;
    return (ULONG)std::min<int64_t>((int64_t)M * g * 2 / 10, Bestand);
}
