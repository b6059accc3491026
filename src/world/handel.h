// Trading: purchases from the home market, bids on other rulers' offers and
// the player's own offers of corn and stock, all on working copies of the
// gold, the granary and the ware list (./Data/WarenChunk.vek). Only
// WriteHandelsScreenData stores them, as one change of the orders pool, the
// ware list and the home-market cache.
#pragma once
#include <cstdint>
#include <ctime>

#include "platform/types.h"
#include "store/chunks.h"
#include "store/lists.h"
#include "world/markt.h"
#include "world/vertrag.h"

// Meaning of st_WARE_EXT.Info in the ware list.
constexpr UWORD WARE_INFO_ANGEBOT = 0;   // own offer
constexpr UWORD WARE_INFO_FREMD = 2;     // another ruler's offer, maybe with the own bid
constexpr UWORD WARE_INFO_VERKAUFT = 4;  // sold (kept, not shown)
constexpr UWORD WARE_INFO_LAGER = 5;     // own stock, one entry per type
constexpr ULONG KORN_PRO_LAGER = 40000;  // corn one granary holds
constexpr ULONG WARE_LISTE_MAX = 0xFFFF; // the WARE record counts in 16 bits
constexpr ULONG HANDEL_ZEILE = 80;       // bytes of one list line

// The ten held steppers.
enum HandelStepper : UWORD {
    HS_TAKE_UNITS_DOWN, HS_TAKE_UNITS_UP,
    HS_BUY_UNITS_DOWN, HS_BUY_UNITS_UP, HS_BUY_PREIS_DOWN, HS_BUY_PREIS_UP,
    HS_SELL_UNITS_DOWN, HS_SELL_UNITS_UP, HS_SELL_PREIS_DOWN, HS_SELL_PREIS_UP
};
// The five typed fields BOX1..BOX5.
enum HandelBox : UWORD { HB_TAKE_UNITS = 1, HB_SELL_UNITS, HB_SELL_PREIS, HB_BUY_UNITS, HB_BUY_PREIS };

struct LokaleDatenHandelsScreen {
    MarktKontext Markt;        // records, factors, customs and the home market
    ULONG AnzGold;             // working copies
    ULONG AnzKorn;
    uint64_t MaxKornPossible;  // granaries x 40,000
    uint64_t Gesamtpreis;      // cost of the player's own standing bids
    HaltZaehler Zaehler[3];    // purchase, bid and offer steppers

    // The purchase being prepared; units -1 while no line is chosen.
    int64_t WishToTakeUnits, WishToTakePrice, WishToTakeMaxUnits;
    WORD Auswahl1;
    // The bid being prepared on the chosen offer of another ruler.
    ULONG WishToBuyUnits, WishToBuyPreis, WishToBuyMaxUnits, WishToBuyMinPreis;
    WORD WishToBuyEntry, Auswahl2;
    ListNode *WarenNode2Ptr;
    // The own offer being prepared (type 0 is corn), -1 none.
    ULONG WishToSellUnits, WishToSellMaxUnits, WishToSellPreis;
    WORD WishToSellEntry, Auswahl3;
    ListNode *WarenNode3Ptr;

    st_KORN Korn;              // as loaded (Kornlager replaced on save)
    ListHeader *WareListPtr;   // list type 7
    st_ANTW *SpielerChunkPtr;  // offerer names, null without a player list
    Stadt *AktStadtPtr;        // owned copy of the current town
};

// Questions and messages (the advisor box by default): text, question 1 for
// Ok/Cancel; the answer 0 is Ok.
extern LONG (*HandelMeldungHook)(const char *text, int question);
// The time stamp of new entries (time() by default).
extern std::time_t (*HandelUhrHook)();

// ---- loading and saving ----

// Fills d (zeroed by the caller) from the pools, the ware list, the player
// list, the current town and the preferences. 0 on any missing record.
BOOL ReadHandelsScreenData(LokaleDatenHandelsScreen *d);
// Frees what ReadHandelsScreenData loaded; d can be read again afterwards.
void FreeHandelsScreenData(LokaleDatenHandelsScreen *d);
// Stores the trade as one change: KORN, LAND and (on the visit that made
// the home market, with a market hall) TAXE in one rewrite of the orders
// pool, the ware list and Waren.dat; all or nothing. 1 or 0.
BOOL WriteHandelsScreenData(LokaleDatenHandelsScreen *d);

// ---- the ware list ----

// The line-th entry with that Info in list order, or null.
ListNode *GetWarenNode(LokaleDatenHandelsScreen *d, LONG Line, UWORD Info);
// The stock entry of a ware type, or null.
ListNode *GetLagerNode(LokaleDatenHandelsScreen *d, ULONG WarenTyp);
// Info 5: adds the units to the stock entry of the type (saturating), or a
// new one at Preis. Info 0: an offer from the stock entry of the type (all of
// it: the entry becomes the offer; part: a new offer at the tail) or of corn
// (type 0, already taken from the granary); an offer never takes more than
// the stock holds. The changed or new entry, or null (no such stock, a full
// list, no memory).
ListNode *AddWare2List(LokaleDatenHandelsScreen *d, UWORD Info, ULONG WarenTyp, ULONG Units, ULONG Preis);
void DeleteWareFromList(LokaleDatenHandelsScreen *d, ListNode *Node);
// The sum of the player's own standing bids.
uint64_t HandelGesamtpreis(LokaleDatenHandelsScreen *d);

// ---- selections ----

// Home-market line (0-based over the types on offer): the purchase fields.
BOOL HandelWaehleHeimware(LokaleDatenHandelsScreen *d, LONG Line);
// The ware type of a home-market line, or -1.
LONG HeimwareTyp(const LokaleDatenHandelsScreen *d, LONG Line);
// Another ruler's offer: the bid fields (the own standing bid, else the offer).
BOOL HandelWaehleFremdangebot(LokaleDatenHandelsScreen *d, LONG Line);
// An own offer: its fields, to be edited.
BOOL HandelWaehleEigenangebot(LokaleDatenHandelsScreen *d, LONG Line);
// The choose box's answer for a new offer: 0 corn, n the n-th stock entry;
// -1 cancels. 1 when a ware is chosen.
BOOL HandelWaehleVerkaufsware(LokaleDatenHandelsScreen *d, LONG Wahl);

// ---- actions (questions and messages through HandelMeldungHook) ----

// Buys the prepared purchase after the question. 1 when bought.
BOOL MakeNewWarenNode(LokaleDatenHandelsScreen *d);
// Places the prepared bid on the chosen offer. 1 when placed.
BOOL SetAngebot2Node(LokaleDatenHandelsScreen *d);
// Cancels the own bid on the chosen offer after the question. 1 when cancelled.
BOOL HandelGebotZurueck(LokaleDatenHandelsScreen *d);
// Confirms the prepared offer, new or edited. 1 when the list changed.
BOOL HandelAngebotSetzen(LokaleDatenHandelsScreen *d);
// Withdraws the chosen own offer (corn only as far as the granaries hold).
BOOL HandelAngebotZurueck(LokaleDatenHandelsScreen *d);

// ---- steppers and typed values ----

// One press of a stepper, with the trade's bounds on each partial step.
void HandelSchritt(LokaleDatenHandelsScreen *d, HandelStepper s);
// One screen tick: counters back to 0 after more than 10 idle ticks.
void HandelTick(LokaleDatenHandelsScreen *d);
// The start text of a typed field (empty while the purchase has no line).
BOOL HandelBoxText(const LokaleDatenHandelsScreen *d, HandelBox b, char *Text, ULONG Size);
// A typed value into its field: negatives 0, saturated at 2^32 - 1, units
// cut to their maximum, the bid price raised to the asked price.
void HandelBoxWert(LokaleDatenHandelsScreen *d, HandelBox b, const char *Text);

// ---- list lines (80 bytes each, caller frees with FreeVec) ----

// Kind 0 home-market names (with units and price), 1 offerers, 2 ware names,
// 3 units, 4 prices of the others' offers, 5 own offers. *Anzahl lines;
// null when there is none.
char *CreateWarenReqListBuffer(LokaleDatenHandelsScreen *d, int Art, ULONG *Anzahl);
// The line of the offer being prepared.
void HandelVerkaufsZeile(const LokaleDatenHandelsScreen *d, char *Zeile, ULONG Size);
