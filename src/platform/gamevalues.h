// Small services the whole game calls: byte order, dice, the date stamp of
// letters, the price of a good and the names of the computer races.
#pragma once
#include <SDL/SDL.h>
#include <ctime>
#include "platform/types.h"

// Byte order. The file formats are big-endian; SwapLong and SwapWord convert
// between them and the host (no change on a big-endian host), SwapPCAmiga and
// SwapPCAmiga2 reverse bytes on every host because callers use them only where
// a conversion is due.
ULONG SwapLong(ULONG value);
UWORD SwapWord(UWORD value);
void SwapPCAmiga(void *buffer, UWORD count, int mode);   // mode 1: 32-bit values, else 16-bit
void SwapPCAmiga2(void *buffer, ULONG count, int mode);  // the same with a 32-bit count
// The next four bytes of the file, most significant first. Missing bytes read
// as 0 and set *ok to 0 (when given), since every value is legal data.
ULONG FileReadLong(BPTR file, int *ok = nullptr);

// Dice: a whole number from 0 to n inclusive, seeded from the clock at the
// first roll. WuerfelSeed fixes the sequence (tests, replays).
ULONG Wuerfel(ULONG n);
void WuerfelSeed(unsigned int seed);

// Date stamp of letters: "09-Dec-2026 00:11:51", 20 characters and the NUL.
constexpr int DATE_STRING_SIZE = 21;
void MakeDateString(char *buffer);                          // the local time now
void FormatDateString(char *buffer, const struct tm &when);  // any given time

// The goods table: one row per goods type, columns as named below. Writable:
// the market raises the chosen luxury good for the rest of the run.
constexpr int WAREN_TYPES = 116;
enum WarenSpalte {
    WW_MENSCHEN = 0,  // people per unit of output (0: never made by the population rule)
    WW_TIER = 1,      // weight of animal sources, 0 or 1
    WW_PFLANZE = 2,   // weight of plant sources
    WW_MINERAL = 3,   // weight of mineral sources
    WW_ALCHEMIE = 4,  // research levels needed, 4 to 10 in this order
    WW_ASTRONOMIE,
    WW_KAMPFTECHNIK,
    WW_NATURKUNDE,
    WW_MEDIZIN,
    WW_TECHNIK,
    WW_THEOLOGIE,
    WW_PREIS = 11,    // base price
    WW_BILD = 12,     // picture number, 0 none
    WARENWERTE_SPALTEN = 13
};
extern LONG WarenWerte[WAREN_TYPES][WARENWERTE_SPALTEN];

// Price of a good from its base price and the realm's animal, plant and
// mineral source factors; at least 1. An unknown type is priced at the base.
ULONG GetWarenPreis(LONG type, LONG basePrice, LONG tier, LONG pflanze, LONG mineral);

// Names of the computer races, IDs -1 to -11: 1 and at most 39 characters
// plus the NUL in name (40 bytes); 0 and name untouched for any other ID.
int GetComputerName(LONG id, char *name);
