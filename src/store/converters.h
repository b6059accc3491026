// Chunks with repeated records as typed lists and back: figures, wares,
// ships, herbs, contracts, specialists, player names and armies with their
// parts. Also the army rules the map needs, the merge of player lists and the
// weapon records made from the stock of weapon wares. Chunks are in host order.
#pragma once
#include <cstddef>
#include "platform/types.h"
#include "store/chunks.h"
#include "store/figures.h"
#include "store/lists.h"

// List types of the records below (figures: LISTE_FIGUREN).
constexpr ULONG LISTE_SPIELER = 1, LISTE_ARMEEN = 3, LISTE_ARMEETEILE = 4, LISTE_WAFFEN = 6, LISTE_WAREN = 7,
                LISTE_VERTRAEGE = 9, LISTE_SCHIFFE = 10, LISTE_SPEZIALISTEN = 15, LISTE_HERB = 16;

// ---- list nodes: the node head, then the record ----

struct FigurListEntry {
    ListNode Node;
    st_MOVE_EXT Figur;
};
struct WareListEntry {
    ListNode Node;
    st_WARE_EXT Ware;
};
struct ShipListEntry {
    ListNode Node;
    st_SHIP_EXT Schiff;
};
struct HerbListEntry {
    ListNode Node;
    st_HERB_EXT Herb;
};
struct VertragListEntry {
    ListNode Node;
    st_VERT_EXT Vertrag;
};
struct SpezialistenListEntry {
    ListNode Node;
    st_SPEZ_EXT Spezialist;
    UBYTE Rest[2];             // the data area is rounded up to 196 bytes
};
struct SpielerListEntry {      // one record of the ANTW chunk
    ListNode Node;
    ULONG SpielerID;
    char SpielName[80];        // NUL-terminated within its array unless the server erred
};

// The army nodes carry a pointer right after a packed record, as the list
// descriptors place it; read those pointers by value.
#pragma pack(push, 1)
struct ArmeeList {             // list type 3
    ListNode Node;
    Armee Army;
    ListHeader *ArmyListEntryHeader;  // the parts (type 4), null until the first part
};
struct ArmeeListEntry {        // list type 4
    ListNode Node;
    ArmeeEntry ArmyEntry;
    ListHeader *SaboteurListHeader;   // null unless another part of the program filled it
};
#pragma pack(pop)

struct Waffen {                // one weapon, shield, armour or helmet
    ULONG Id;                  // 1..70, row Id-1 of WaffenData
    ULONG Anzahl;              // pieces in stock (0 in the table)
    ULONG WarenStringID;       // the ware type it is traded as, 0 for none
    ULONG KurzMinSchaden;
    ULONG KurzMaxSchaden;
    ULONG MittelMinSchaden;
    ULONG MittelMaxSchaden;
    ULONG WeitMinSchaden;
    ULONG WeitMaxSchaden;
    ULONG KurzReichweite;
    ULONG MittelReichweite;
    ULONG WeitReichweite;
    ULONG Qualitaet;           // the stock record's Zustand (0 in the table)
    ULONG Waffenart;           // 0 one-hand, 1 two-hand, 2 missile, 3 siege, 4 armour, shield or helmet
};
static_assert(sizeof(Waffen) == 56);

struct WaffenListEntry {
    ListNode Node;
    Waffen Waffe;
};

static_assert(offsetof(FigurListEntry, Figur) == sizeof(ListNode) && offsetof(WareListEntry, Ware) == sizeof(ListNode));
static_assert(offsetof(ShipListEntry, Schiff) == sizeof(ListNode) && offsetof(HerbListEntry, Herb) == sizeof(ListNode));
static_assert(offsetof(VertragListEntry, Vertrag) == sizeof(ListNode));
static_assert(offsetof(SpezialistenListEntry, Spezialist) == sizeof(ListNode));
static_assert(offsetof(SpielerListEntry, SpielerID) == sizeof(ListNode));
static_assert(offsetof(ArmeeList, Army) == sizeof(ListNode));
static_assert(sizeof(ArmeeList) == sizeof(ListNode) + 52 + sizeof(void *));
static_assert(offsetof(ArmeeListEntry, ArmyEntry) == sizeof(ListNode));
static_assert(sizeof(ArmeeListEntry) == sizeof(ListNode) + 44 + sizeof(void *));
static_assert(offsetof(WaffenListEntry, Waffe) == sizeof(ListNode));

constexpr ULONG WAFFEN_ANZAHL = 70;
extern const Waffen WaffenData[WAFFEN_ANZAHL];

// ---- chunk to list: 1 when the records were appended to List (flag 16);
// 0, with List unchanged, when the chunk is missing, not of its kind, too
// short for its count or (HERB, VERT, SPEZ) its count disagrees with its
// length, or when List is missing or of another type. A count larger than
// the payload gives only the records that lie in it. ----

BOOL ScanFigur2List(ListHeader *List, const st_MOVE *Chunk);
BOOL ScanWare2List(ListHeader *List, const st_WARE *Chunk);
BOOL ScanShip2List(ListHeader *List, const st_SHIP *Chunk);
BOOL ScanHerb2List(ListHeader *List, const st_HERB *Chunk);
BOOL ScanVertrag2List(ListHeader *List, const st_VERT *Chunk);
BOOL ScanSpezialisten2List(ListHeader *List, const st_SPEZ *Chunk);
BOOL ScanSpieler2List(ListHeader *List, const st_ANTW *Chunk);  // only sub-head Typ 1 holds names

// ---- list to chunk: a new "V001" chunk of the list's records in list
// order (the caller frees it), or null for a missing list, a list of another
// type or more records than the chunk's count can hold. ActNode is left
// where it was. ----

st_MOVE *MakeMoveChunkFromList(ListHeader *List);
st_WARE *MakeWareChunkFromList(ListHeader *List);
st_SHIP *MakeShipChunkFromList(ListHeader *List);
st_HERB *MakeHerbChunkFromList(ListHeader *List);
st_VERT *MakeVertragChunkFromList(ListHeader *List);
st_SPEZ *MakeSpezialistenChunkFromList(ListHeader *List);
st_ANTW *MakeSpielerChunkFromList(ListHeader *List, UWORD Typ);  // Typ goes into the sub-head

// ---- armies ----

// A new army list (type 3, parts lists of type 4) or null when the chunk is
// missing or its records do not match its counts. Free it with DeleteArmyList.
ListHeader *ScanArmy2List(const st_ARMY *Chunk);
// A new ARMY chunk (caller frees) or null for a null or empty list, a
// malformed list or a length beyond 32 bits. Each army's head carries the
// number of parts its parts list holds.
st_ARMY *MakeArmyChunkFromList(ListHeader *List);
// Frees an army list with its parts lists and saboteur lists; null accepted.
void DeleteArmyList(ListHeader *List);
// Figure kind 1..9 that shows the army on the map, 0 when no part tells.
ULONG CheckTypeOfArmy(const ArmeeList *Army);
// Soldiers of the army with this ArmeeID (saturated at 0xFFFFFFFF), 0 if none.
ULONG GetSizeOfArmy(ListHeader *List, ULONG ArmeeID);
// 1 when an army of the list has exactly this name.
BOOL CheckNameOfArmy(ListHeader *List, const char *Name);

// ---- players and weapons ----

// Moves every player of Add to the end of Target, replacing players of the
// same ID, and drops the placeholder player "Res publica interibat". Add ends
// empty; the caller frees its header.
void AddSpielerList2SpielerList(ListHeader *Target, ListHeader *Add);
// Appends a weapon record for every own stock ware (Info 5) that is a
// weapon, with the stock's amount and condition. 1, or 0 for a missing or
// mistyped list.
BOOL ConvertWare2Waffe(ListHeader *WareList, ListHeader *WaffenList);
