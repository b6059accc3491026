// The luxury goods the player allots to the people: the allocations of
// ./Data/Luxus.dat, each line's stock, target and price, and the three
// raw-source scales that balance a source against its allocation. No pixels
// here; the luxury screen draws what these compute.
#pragma once
#include "platform/types.h"
#include "world/warehouse.h"

struct LuxusZeile {
    ULONG Ware;
    ULONG Bestand;   // own stock (WARE record with Info 5)
    ULONG Ziel;      // the need
    ULONG Preis;     // 0 for the raw sources
};

// The allocations into ./Data/Luxus.dat (76 host-order bytes, replaced whole). 1 or 0.
[[nodiscard]] BOOL SaveLuxusZuweisung(const ULONG Zuweisung[LUXUS_LINIEN]);
// The own stock of a ware in a WARE chunk (host order; null: 0).
ULONG LuxusBestand(const void *WareChunk, ULONG Ware);
// Stock, target and price of a line.
LuxusZeile LuxusZeileVon(int Linie, const void *WareChunk, LONG Tier, LONG Pflanze, LONG Mineral,
                         const LuxusResources *Res, ULONG Volk);
// An allocation kept within 0..Bestand.
ULONG LuxusBegrenzt(long long v, ULONG Bestand);

// The span M of the scales: the largest of the three raw allocations / 10
// and the three balances' sizes.
ULONG LuxusSpanne(const ULONG Zuweisung[3], LONG Tier, LONG Pflanze, LONG Mineral);
// Where a source's pointer stands on a scale w wide: (M + S + A / 10) x w /
// (2M), kept on the scale; the middle when M is 0.
LONG LuxusZeigerOffset(ULONG M, LONG S, ULONG A, LONG w);
// The largest offset a drag may reach with the line's stock: (M + S + stock / 10) x w / (2M), kept on the scale.
LONG LuxusZugGrenze(ULONG M, LONG S, ULONG Bestand, LONG w);
// The allocation a pointer dragged to offset gives: g = (offset - (M + S) x
// wp / (2M)) x 100 / wp, none left of M + S, then M x g x 2 / 10 within the
// stock (wp the plant scale's width). With M 0 a drag changes nothing: alt.
ULONG LuxusZugAllokation(LONG offset, ULONG M, LONG S, LONG wp, ULONG Bestand, ULONG alt);
