// Warehouse capacity, the weighted goods in store, and what the realm's
// buildings and people ask of the luxury economy.
#pragma once
#include "platform/types.h"

inline constexpr const char GEBAEUDE_FILE[] = "./Data/Gebaeude.dat";
inline constexpr const char WAREN_FILE[] = "./Data/WarenChunk.vek";
inline constexpr const char LUXUS_FILE[] = "./Data/Luxus.dat";
constexpr int LUXUS_LINIEN = 19;  // 0-2 raw sources, 3-18 luxury goods

struct LuxusResources {
    UWORD KirchenPunkte;
    UWORD GesundheitsPunkte;
    UWORD SchulPunkte;
    UWORD LuxusPunkte;       // always 0
    UWORD AnzahlGebaeude;    // GEBA records
    UWORD GebaeudeStufe1;    // buildings of slots 0-55
    UWORD GebaeudeStufe2;    // slots 56 and up, plus the prestige bonuses
};

// Residences x 200,000 (at least one counts) + contors x 100,000, saturated.
ULONG GetSizeOfWarehouse();
// Sum of weight x amount over the offers and stock of ./Data/WarenChunk.vek,
// each product cut toward zero in single precision; saturated. 0 without file.
ULONG GetHowMuchGoods();
// The realm's points for the luxury economy; the caller frees it (FreeVec).
LuxusResources *GetLuxusResources();
// The need of one luxury line (Offset 0..18, else 0), saturated at 32 bits.
ULONG LuxusNeeded(short Offset, long TierQuellen, long PflanzenQuellen, long MineralQuellen,
                  const LuxusResources *Res, ULONG Volk);
// The player's assignment per luxury line from ./Data/Luxus.dat (19 host-order
// numbers). 1 when the file holds exactly those 76 bytes, else 0 (file
// missing or damaged) with Zuweisung zeroed.
BOOL LoadLuxusZuweisung(ULONG Zuweisung[LUXUS_LINIEN]);
// The base price of a luxury good for its need: 250 above 10,000, 170 above
// 5,000, 130 above 1,000, 110 above 100, else 100.
ULONG LuxusBasis(ULONG need);
// The ware of a luxury line: 1-3 for lines 0-2, 82-97 for lines 3-18; 0 outside.
ULONG LuxusWare(int Linie);
