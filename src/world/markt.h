// The home market: what the realm's own people make for sale in one turn,
// in units and price per unit for each of the 116 ware types. The offer is
// made once a turn and kept in ./Data/Waren.dat (two host-order arrays of
// 116 unsigned 32-bit values, units then prices) so that it stays fixed for
// the rest of the turn; purchases only lower the kept units.
#pragma once
#include "platform/gamevalues.h"
#include "platform/types.h"
#include "store/chunks.h"
#include "world/towns.h"

struct Stadt;

inline constexpr const char WARENDAT_FILE[] = "./Data/Waren.dat";
constexpr ULONG WARENDAT_BYTES = 2 * WAREN_TYPES * 4;  // 928

// Preferences the market reads and writes.
constexpr UWORD PREF_ROHWAREN = 5;       // raw-goods mode, non-zero on
constexpr UWORD PREF_MARKT_GEMACHT = 12; // the home market of this turn stands
constexpr UWORD PREF_LUXUSWARE = 14;     // chosen luxury ware 82..97, 0 none
constexpr UWORD PREF_HOLZ = 19, PREF_STEIN = 20;
constexpr UWORD PREF_FAKTOR_TIER = 21, PREF_FAKTOR_PFLANZ = 22, PREF_FAKTOR_MINERAL = 23;

// Building slots of a town that gate wares, and the market hall.
constexpr int SLOT_SCHMIEDE = 20, SLOT_SAEGEWERK = 26, SLOT_MARKTHALLE = 49;

// Ware types with a meaning of their own here.
constexpr ULONG WARE_OEL = 90, WARE_PELZE = 92, WARE_HOLZ = 98, WARE_STEIN = 99;

// What the rules need, loaded by the caller.
struct MarktKontext {
    st_LAND Land;              // AnzVolk and the three source counts
    st_FORS Forschung;         // the seven research levels
    const Stadt *AktStadt;     // the current town (null: no building built)
    LONG FaktorTier, FaktorPflanz, FaktorMineral;  // preferences 21..23
    UWORD Zoll100;             // customs percentage (low 16 bits of TAXE)
    BOOL WarenGeladen;         // Waren holds this turn's offer
    ULONG Waren[2 * WAREN_TYPES];  // units[0..115], then prices[0..115]
    LONG Marktangebote;        // wares made during this visit, -1 made earlier
    // Preferences 5, 14, 19 and 20 read once while the whole offer is made
    // (each read opens the preferences file); 0: read at every call.
    BOOL PrefsFest;
    ULONG Prefs[4];
};

// The dice of the market (Wuerfel by default): 0..n.
extern ULONG (*MarktWuerfelHook)(ULONG n);


// Units of ware type t the home market offers this turn (saturated at
// 2^32 - 1). May clear preference 14 when the chosen luxury ware lapses.
ULONG ErrechneWarenEinheiten(MarktKontext *c, ULONG t);
// Price per unit of ware type t (saturated at 2^32 - 1).
ULONG ErrechneWarenPreis(MarktKontext *c, ULONG t);

// The home market of this turn into c->Waren: read from Waren.dat (a file of
// any other size than 928 bytes is deleted), or made and saved when
// preference 12 is 0 (which is set to 1 once the file stands), or nothing
// at all when preference 12 is 1 and no file is left. Sets Marktangebote
// to the number of wares on offer when the offer was made now. 1, or 0
// only when nothing could be made (the array stays empty).
BOOL HeimMarktBauen(MarktKontext *c);
// Wares on offer in c->Waren (units not 0).
ULONG HeimMarktAnzahl(const MarktKontext *c);
// Writes c->Waren as Waren.dat. 1 or 0.
[[nodiscard]] BOOL HeimMarktSpeichern(const MarktKontext *c);
