// Building orders: the 38 buildable types and their base costs, this turn's
// prices (cached per turn in ./Data/BauScreenGeb.dat), the checks on an
// order, demolition orders and the rule which standing buildings may go, and
// the reading and the one journalled writing of the building screen's data.
// The server builds and demolishes; the client only records orders.
#pragma once
#include <string>
#include <vector>
#include "platform/types.h"
#include "store/chunks.h"

struct Stadt;
struct ListHeader;

inline constexpr const char BAUSCREEN_CACHE_FILE[] = "./Data/BauScreenGeb.dat";
constexpr int BAU_TYPEN = 38;              // rows of the tables
constexpr ULONG BAU_CACHE_RECORD = 20;     // five u32 per row
constexpr ULONG BAU_CACHE_BYTES = BAU_TYPEN * BAU_CACHE_RECORD;
static_assert(BAU_CACHE_BYTES == 760);
constexpr UWORD BAU_ABRISS = 0xFFFF;       // Restbauzeit of a demolition order
constexpr UWORD BAU_MAX_SLOT = 234;
constexpr ULONG BAU_MAX_BAUSTELLEN = 50;   // sites of this and last turn together
constexpr ULONG BAU_WARE_HOLZ = 98, BAU_WARE_STEINE = 99;
constexpr UWORD BAU_WARE_LAGER = 5;        // Info of an own-stock ware record

struct LocStr;

struct BaubaresGebaeude {
    UWORD GebaeudeID;          // slot 0..234
    const LocStr *Name;        // the screen's name box
    const LocStr *ListName;    // site and demolition lists
    const LocStr *Info;        // long description
    UWORD Bild;                // still picture of ./Data/Path
};
struct GebaeudeGrunddaten {
    ULONG Preis, Dauer, Betriebskosten, Holz, Steine;
};
extern const BaubaresGebaeude BaubareGebaeude[BAU_TYPEN];
extern const GebaeudeGrunddaten GebaeudeGrunddatenTab[BAU_TYPEN];

// The row of the slot, or -1 when no row has it.
int BauRowOfSlot(LONG slot);
// The higher building that keeps slot from being torn down, or -1.
int HoeheresGebaeude(UWORD slot);
// The first build chain (AusbauKetten) holding slot, or -1.
int BauKetteOf(UWORD slot);

// Dice of the prices (Wuerfel by default): tests fix them.
extern ULONG (*BauWuerfel)(ULONG n);

// The building screen's working record: the rule fields.
struct LokalDataBauScreen {
    WORD Gebaeude;             // row 0..37 whose costs are loaded
    WORD GebaeudeID;           // slot 0..234 shown
    BOOL RowValid;             // GebaeudeID has a row (only such a slot can be ordered)
    ULONG Jahr;                // current turn, from KORN
    UWORD Quartal;
    ULONG Preis, Dauer, Betriebskosten, Holz, Steine;  // this turn's costs of the row
    ULONG Gold;                // treasury, lowered by each order
    ULONG Vertrauen;
    ULONG AnzHolz, AnzSteine;  // own stock of wood and stone
    std::vector<st_BAUE_EXT> Baustellen;     // this turn's orders
    std::vector<st_BAUE_EXT> OldBaustellen;  // last turn's orders (read only)
    st_FORS *ForschungsChunkPtr;   // or null
    st_GEBA *GebaeudeChunkPtr;     // the realm's buildings, or null; demolition marks land here
    st_WARE *WarenChunkPtr;        // or null
    ListHeader *WareListPtr;       // type 7
    Stadt *AktiveStadt;            // owned
};

// What the order procedure asks the player; the screen gives the advisor's
// boxes, tests their recorders.
struct BauFragen {
    void (*Message)(const char *text);     // modal, Ok only
    BOOL (*Confirm)(const char *text);     // 1 for Ok, 0 for Cancel
};

// A cleared record. Free with FreeBauScreenData.
void InitBauScreenData(LokalDataBauScreen *ld);
void FreeBauScreenData(LokalDataBauScreen *ld);

// Loads this turn's costs of row Gebaeude (out of range: nothing, 0). 1 ok,
// 0 when the cache cannot be made. A running cost is saturated at 65,535,
// the most an order record holds.
[[nodiscard]] BOOL GetBuildingData(LokalDataBauScreen *ld);
// Buildings of type GebaeudeID in the active town: standing ones, this turn's
// and last turn's orders, demolition orders included.
UWORD CheckGebaeudeAnzahl(const LokalDataBauScreen *ld);
// Orders the shown building after the town check passed: site limit,
// confirmation, gold and materials, count limit, payment, order, site bit.
// 1 when ordered, 0 when refused or cancelled (nothing changed).
BOOL InitBaustellenData(LokalDataBauScreen *ld, const BauFragen *fragen);
// 1 when the standing building may be torn down.
BOOL CheckDemolition(const LokalDataBauScreen *ld, const st_BAUE_EXT *record);
// Appends a copy of the record to this turn's orders. 0 when full.
BOOL AddOneBaustelle(LokalDataBauScreen *ld, const st_BAUE_EXT *record);
// Marks GEBA record index as demolished and orders it. 0 when refused.
BOOL OrderDemolition(LokalDataBauScreen *ld, ULONG index);

// Browsing: Slot wrapped into 0..234, then stepped on in direction richtung
// (+1 or -1, wrapping the same way) while ok refuses it, at most 234 steps.
WORD BauBrowse(LONG Slot, int richtung, BOOL (*ok)(UWORD slot, const void *ctx), const void *ctx);

// ---- the demolition dialog's list ----
struct AbrissListe {
    ULONG Kornlager, Muehlen, Kontore;   // demolishable granaries, mills, trade offices
    std::vector<ULONG> Einzeln;          // GEBA indexes of the other lines, in line order
    std::vector<std::string> Zeilen;     // every line: the three counts, then one per Einzeln
};
// Walks the slots from 234 down, each unmarked building of the active town
// that passes CheckDemolition. Lines are at most 79 characters.
AbrissListe BuildAbrissListe(const LokalDataBauScreen *ld);
// Marks up to n unmarked demolishable buildings of kind slot (0, 1 or 98) of
// the active town, in stored order, never more than the dialog counted
// (limit). The number marked; 0 marks nothing.
ULONG BulkDemolition(LokalDataBauScreen *ld, UWORD slot, ULONG n, ULONG limit);

// ---- the site listing ----
// Months left (0 when due or overdue), the season 0..3 and year of an order's end.
struct BauEnde {
    ULONG Monate;
    UWORD Jahreszeit;
    ULONG Jahr;
};
BauEnde BaustellenEnde(const st_BAUE_EXT &order, ULONG jahr, UWORD quartal);
// One line of the listing for an order.
std::string BaustellenZeile(const st_BAUE_EXT &order, ULONG jahr, UWORD quartal);
// The whole listing text (this town, then the others), at most 50,000 bytes;
// empty when there is no order of this or last turn.
std::string BaustellenText(const LokalDataBauScreen *ld);
// The info text of slot GebaeudeID (requirements, then the description).
std::string BauInfoText(const LokalDataBauScreen *ld);

// ---- files ----
// Reads LAND, KORN, both turns' BAUE, FORS, GEBA and the ware stock. 1, or 0
// when a present chunk cannot be read or the ware list cannot be made.
[[nodiscard]] BOOL ReadBauScreenData(LokalDataBauScreen *ld);
// The orders as one change: BAUE (when there is an order) and LAND's gold in
// one rewrite of the outgoing pool, then the town record and the ware stock,
// under a journal of the replaced files. 1 all written; 0 nothing changed.
[[nodiscard]] BOOL WriteBauScreenData(LokalDataBauScreen *ld);
// The BAUE chunk of this turn's orders, host order (FreeVec), or null.
st_BAUE *MakeBaueChunk(const std::vector<st_BAUE_EXT> &orders);
