// The realm's grain in three stores (seed, grain stock, people's grain): the
// numbers the granary works on, moves of 1 % of the capacity, typed values
// that keep the total, the expected losses and the KORN order written from
// them. No pixels here; the granary screen draws what these compute.
#pragma once
#include "platform/types.h"
#include "store/chunks.h"

enum KornSpeicher { KORN_SAAT = 0, KORN_LAGER = 1, KORN_BEV = 2 };

constexpr LONG KORN_MAXPIXEL = 115;      // bar height
constexpr ULONG KORN_HIGHERNTE = 20000;
constexpr LONG KORN_GRENZE = 0x7FFFFFFF;  // stores, capacity and typed numbers saturate here

struct LokaleDatenKornLager {
    LONG AktMenge_KornSpeicher[3];
    LONG MinMenge_KornSpeicher[3];
    LONG MaxMenge_KornSpeicher[3];
    LONG OrgMenge_KornSpeicher[3];
    ULONG AnzKornlager;
    ULONG AnzVolk;
    ULONG AnzMuehlen;
    UWORD Wetter;
    ULONG Status_Erntevorhersage;  // per cent, 50
    ULONG Status_Vertrauen;        // per cent
    ULONG Zustand_Ernte;           // Wetter / 2
    ULONG AusfallSaatlager;
    ULONG AusfallBevLager;
    LONG Maxpixel;
    LONG Maxwert;
    UWORD Status_Anno;
    UWORD Status_Season;
    LONG TransferKorn;             // -1 idle
    BOOL Status_Ratten;
    st_KORN Gelesen;               // the chunk read, whose other fields the order carries over
};

// Granaries x 40,000 + contors x 200,000, saturated.
LONG KornKapazitaet(ULONG AnzKornlager, ULONG AnzKontore);
// The working numbers from KORN (orders first, else the received pool) and
// LAND (received). 0 when a chunk that is present cannot be loaded.
BOOL ReadKornLagerData(LokaleDatenKornLager *d);
// The bar's y offset of value v: Maxpixel - v x Maxpixel / Maxwert (both
// divided by 100 above 10,000,000), kept within 0..Maxpixel; 0 for Maxwert 0.
LONG KornBalkenOffset(LONG v, LONG Maxwert, LONG Maxpixel);
// A 1 % move from store von to nach: the capacity of von / 100, or all of it
// when it holds less. The amount moved.
LONG KornVerschieben(LokaleDatenKornLager *d, int von, int nach);
// The requester's six arrows (0 UP00, 1 DO00, 2 UP01, 3 DO01, 4 UP02, 5 DO02).
void KornPfeil(LokaleDatenKornLager *d, int Pfeil);
// A typed value for a store (negative becomes 0); the others change so that
// the total stays.
void KornEingabe(LokaleDatenKornLager *d, int Speicher, LONG v);
// A typed text as a store's value: decimal, negative 0, saturated.
LONG KornZahl(const char *text);
// Fill level F of the grain stock: stock x 10 / (capacity / 10); 0 below 10.
ULONG KornFuellstand(LONG Lager, LONG Kapazitaet);
// The chamber picture for F: 0 none (25 and less), 1 (26-50), 2 (51-75), 3 (76 and up).
UWORD KornKammerBand(ULONG F);
// The people's need AnzVolk x 150 / 100 and the seed's (a tenth of it), saturated.
ULONG KornBedarfVolk(ULONG AnzVolk);
ULONG KornBedarfSaat(ULONG AnzVolk);
// Expected loss of a store at throw W: trunc(store x (90 + W) / 100); a
// store of 0 or less keeps the value read.
ULONG KornAusfall(LONG Menge, ULONG W, ULONG Gelesen);
// The KORN order for the current numbers at throw W (the fields the player
// cannot change carried over from the chunk read).
st_KORN KornChunk(const LokaleDatenKornLager *d, ULONG W);
// One throw, the losses, the KORN order into the orders pool; the current
// values become the opening ones. 1 or 0 (pool as it was).
[[nodiscard]] BOOL WriteKornLagerData(LokaleDatenKornLager *d);
// The dice of the losses; tests set others.
extern ULONG (*KornWuerfel)(ULONG n);
