// Lists kept in the client's own files rather than in chunks: the names the
// player gives to hexes, the client's extra data per ship, and the letters
// received from other players.
#pragma once
#include <cstddef>
#include "platform/types.h"
#include "store/chunks.h"
#include "store/lists.h"

inline constexpr const char MAPNAMES_FILE[] = "./Data/MapNames.dat";
inline constexpr const char SHIPADDON_FILE[] = "./Data/ShipAddOn.dat";
inline constexpr const char MAILIN_DIR[] = "./Data/MailIn/";
constexpr ULONG LISTE_MAPNAMES = 13;
constexpr ULONG LISTE_SHIPADDON = 17;
constexpr ULONG LISTE_BRIEFE = 21;

#pragma pack(push, 1)
// One record of ./Data/ShipAddOn.dat (little-endian numbers).
struct ShipAddOn {
    char Name[80];          // 0  the ship's name, NUL-terminated
    UWORD SchiffsID;        // 80 SchiffsID of the ship record
    UWORD ReparaturDauer;   // 82 turns of repair left
    ULONG Special1;         // 84 reserved for the harbour
    ULONG Special2;         // 88
    ULONG Special3;         // 92
};

// Node data of a letter list.
struct SmalListEntry {
    ULONG Date;                // sort value of DateString (Date2Seconds)
    char TitelZeile[80];       // sender in 10 characters, " : ", subject; at most 52 characters
    char DateString[24];
    char Betreff[160];
    char AbsenderName[40];
    char EmpfaengerName[40];
    char ChunkFilename[160];   // the letter file's path
    LONG AbsenderID;
    LONG EmpfaengerID;         // -1 = to all
    char *MailPtr;             // the letter text, owned by the node
};
#pragma pack(pop)
static_assert(sizeof(ShipAddOn) == 96);
static_assert(offsetof(SmalListEntry, MailPtr) == 516);

// Appends the records of ./Data/MapNames.dat to a map-name list. 1, also
// when the file is missing; 0 when it cannot be read or a node not allocated.
int ScanMapNames2List(ListHeader *List);
// Stores the list as ./Data/MapNames.dat; an empty list deletes the file. 1 or 0.
int SaveMapNamesList(ListHeader *List);
// A new ship add-on list from ./Data/ShipAddOn.dat (empty when the file is
// missing); null on failure. The caller deletes it.
ListHeader *ScanShipAddOn2List();
int SaveShipAddOnList(ListHeader *List);   // like SaveMapNamesList
void ConvertShipAddOn(ShipAddOn *Record);  // swaps the numbers between the file's order and the other
// Appends the letters of directory Path whose names match Maske (a space
// matches any character) and that are addressed to the player (Personal) or
// to all (not Personal); the number appended.
ULONG ScanSmals2List(ListHeader *List, const char *Path, const char *Maske, int Personal);
// Sort value of a date text "09-Dec-2026 12:34:56" (orders letters; no time stamp).
ULONG Date2Seconds(const char *DateString);
