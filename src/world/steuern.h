// The realm's taxes for the next turn: the TAXE order (land tax, justice,
// customs, tithe) and the forecasts shown beside it. No pixels here; the
// taxes screen draws what these compute.
#pragma once
#include "platform/types.h"
#include "store/chunks.h"

constexpr LONG STEUER_SKALA_X0 = 200, STEUER_SKALA_X1 = 433;

struct LokalDataSteuernScreen {
    ULONG AnzVolk;
    UWORD Wetter;
    ULONG VorrausJustizsteuer;
    ULONG VorrausZollsteuer;
    ULONG VorrausHQsteuer;
    UWORD Vertrauen;
    UWORD AnzPflanzHq, AnzTierHq, AnzMineralHq;
    LONG Piratengold;
    st_TAXE Taxe;  // the working copy
};

// A zero TAXE with its head ("TAXE", "V001", 71).
st_TAXE LeereTaxe();
// LAND and KORN (received pool) and the TAXE working copy (orders pool, else
// the received one, else zeroed). A level of justice above 3 reads as 0.
// 0 when a chunk that is present cannot be loaded.
BOOL ReadSteuernScreenData(LokalDataSteuernScreen *d);
// The working copy into the orders pool. 1 or 0 (pool as it was).
[[nodiscard]] BOOL WriteSteuernScreenData(const LokalDataSteuernScreen *d);

// Land tax rate of a click at x on the scale (x kept within 200..433).
ULONG GrundsteuerVonX(LONG x);
// Where the scale's pointer stands for a rate: rate x 233 / 100 + 200.
LONG GrundsteuerX(ULONG rate);
// Land tax yield AnzVolk x rate x 2 / 100, saturated.
ULONG GrundsteuerErtrag(ULONG AnzVolk, ULONG rate);
// Justice forecast for levels 0..3: AnzVolk x 7, 5, 3, 1 / 8; another level keeps vorher.
ULONG JustizVorschau(ULONG AnzVolk, UWORD Justizia, ULONG vorher);
// The next level of justice: 0, 1, 2, 3, 0 ...
UWORD NaechsteJustiz(UWORD Justizia);
// Customs forecast AnzVolk x Zoll100 / 100, saturated.
ULONG ZollVorschau(ULONG AnzVolk, ULONG Zoll100);
// Resource tax forecast over the three sources, saturated (negative counts 0).
ULONG HQVorschau(const LokalDataSteuernScreen *d);
// Last turn's profit: pirates' gold - building costs + the incomes of TAXE; saturated.
LONG ZehnteGewinn(LONG Piratengold, ULONG Gesamtkosten, const st_TAXE *t);
// Tithe to pay: 0 when the profit is below 1, else percent x profit / 100.
ULONG ZehnteZahlung(UBYTE Prozent, LONG Gewinn);
// A typed text: decimal, negative 0, saturated at 2^31 - 1.
ULONG SteuerZahl(const char *text);
// A typed tithe: kept within 0..100.
UBYTE ZehnteProzentVon(const char *text);
