// The player's towns on the client: the town record and its 235 building
// slots, the town list, their files under ./Data/Cities, and the routines
// that find, found, rename and list towns and bring them into line with the
// server's world after a turn. All files are little-endian and packed.
#pragma once
#include <cstddef>
#include "platform/types.h"
#include "ui/screendat.h"

constexpr int STADT_SLOTS = 235;
constexpr ULONG STADT_BYTES = 14228;       // a town file
constexpr ULONG SLOT_BYTES = 60;
constexpr ULONG TOWNLIST_BYTES = 84;       // one list entry
constexpr int STADTNAME_MAX = 79;          // characters of a name
inline constexpr const char CITIES_DIR[] = "./Data/Cities";
inline constexpr const char TOWNLIST_FILE[] = "./Data/Cities/Town.list";
inline constexpr const char INFO_STADT_FILE[] = "./Data/screendat/Info_Stadt.dat";
constexpr ULONG INFO_STADT_MASKE = 0x800;  // building-slot records of a screen file

// Bits of Event.
constexpr UWORD STADTEVENT_NEWTOWN = 0x01;    // not yet named by the player
constexpr UWORD STADTEVENT_REBELLION = 0x02;
constexpr UWORD STADTEVENT_SCHWINDSUCHT = 0x04;
constexpr UWORD STADTEVENT_PEST = 0x08;
constexpr UWORD STADTEVENT_FLECKFIEBER = 0x10;
constexpr UWORD STADTEVENT_BLATTERN = 0x20;

// Bits of a slot's GfxBitfeld.
constexpr UWORD GFX_DUMMYGRAFIK = 0x01;         // scenery, not a building
constexpr UWORD GFX_THISIMAGEISSET = 0x02;      // built: the picture is drawn
constexpr UWORD GFX_SETTHISONLYFIRSTTIME = 0x04;
constexpr UWORD GFX_THISISBUILD = 0x08;         // erected by an order of the player
constexpr UWORD GFX_FORBIDDEN = 0x10;           // excluded by another building

struct StadtEvent {
    bool NewTown, Rebellion, Schwindsucht, Pest, Fleckfieber, Blattern;
};

#pragma pack(push, 1)
struct Stadt {
    BOOL Hauptstadt;                      // 0     the realm's capital
    UWORD Event;                          // 4     STADTEVENT_* bits
    UWORD Reserved;                       // 6
    BOOL TownChanged;                     // 8     cached picture is stale
    BOOL Chunky;                          // 12
    UWORD Version;                        // 16
    UWORD Level;                          // 18    1..4
    ULONG StadtID;                        // 20    the TownID of its list entry
    ULONG XPos;                           // 24    world hex of the town
    ULONG YPos;                           // 28
    ULONG StadtVolk;                      // 32    population
    char Stadtname[80];                   // 36    file form, NUL-terminated
    ::GebaeudeAbhaengigkeiten GebaeudeAbhaengigkeiten[STADT_SLOTS];  // 116
    ULONG ArmeeVolk;                      // 14216 population / 4
    UWORD AusgelaufeneSchiffe;            // 14220 counted per turn
    UWORD AusgehobeneKundschafter;        // 14222
    UWORD AusgehobeneSiedler;             // 14224
    UWORD AusgehobeneKarawanen;           // 14226
};

struct TownList {
    LONG TownID;                          // 0   -1 ends the list
    char TownName[80];                    // 4   file form, NUL-padded
};
#pragma pack(pop)
static_assert(sizeof(Stadt) == STADT_BYTES);
static_assert(offsetof(Stadt, GebaeudeAbhaengigkeiten) == 116 && offsetof(Stadt, ArmeeVolk) == 14216);
static_assert(sizeof(GebaeudeAbhaengigkeiten) == SLOT_BYTES && sizeof(TownList) == TOWNLIST_BYTES);

// ---- file codecs (little-endian bytes <-> records, field by field) ----
void DecodeStadt(const UBYTE *Bytes, Stadt *Town);          // Bytes: STADT_BYTES
void EncodeStadt(const Stadt *Town, UBYTE *Bytes);
void DecodeSlot(const UBYTE *Bytes, GebaeudeAbhaengigkeiten *Slot);
void EncodeSlot(const GebaeudeAbhaengigkeiten *Slot, UBYTE *Bytes);
void DecodeTownList(const UBYTE *Bytes, TownList *Entry);   // the name comes out terminated
void EncodeTownList(const TownList *Entry, UBYTE *Bytes);

// ---- names and events ----
void StadtNameConvert(char *Name);     // blanks to underscores, in place
void StadtNameDeconvert(char *Name);   // underscores to blanks, in place
UWORD StadtEvent2UWORD(StadtEvent Event);
StadtEvent UWORD2StadtEvent(UWORD Value);

// ---- town files ----
// The town record of file form name Name, or null (missing, not exactly
// 14,228 bytes, or a name that is no file name). The caller frees it (FreeVec).
Stadt *LadeStadt(const char *Name);
// Writes the record as ./Data/Cities/<Stadtname>.vek, replacing the old file at once. 1 or 0.
int SpeichereStadt(const Stadt *Town);
// The towns of Town.list (without its end entry) as a new array of *Anzahl
// entries (FreeVec), names terminated (a name stored without its NUL comes
// out empty, naming no file); null when the list is missing (a list
// without towns gives a one-entry array and *Anzahl 0). *EndeFehlt, when
// given, tells that the list lacks its end entry or has a partial one.
TownList *LadeTownList(ULONG *Anzahl, int *EndeFehlt);
// Writes the whole list with its end entry. 1 or 0 (the old list stays).
int SpeichereTownList(const TownList *Eintraege, ULONG Anzahl);

// ---- towns ----
// A new record (FreeVec) of town StadtID; -2 the capital, whatever its ID; an
// ID not in the list founds a new town "NewTown.<n>". Without a list the
// capital "NewTown" is founded with ID 0. A record of the wrong size is
// rebuilt from the slot template. Null on failure.
Stadt *GetActiveTown(LONG StadtID);
// At start-up with a game set up: the town list and a sound capital file
// exist afterwards (GetActiveTown(-2), result freed). 1 when the capital loads.
int EnsureTownFiles();
// A new record from the slot template. Flags bit 0: capital (position from
// the map reference, granary, tavern and residence built); bit 1: a new town,
// written to its file. Null on failure.
Stadt *CreateTown(const char *Stadtname, UWORD Flags);
// Names a town founded as "NewTown...": NewName is turned into file form in
// place. 0 for a name that is taken, unfit for a file or "NewTown...", or a
// town named before. *Abgelehnt, when given, is 1 when the name itself was
// refused (taken or unfit), 0 for any other failure.
BOOL ChangeTownName(ULONG StadtID, char *NewName, int *Abgelehnt = nullptr);
// The display names of all towns in 80-byte fields (FreeVec), or null.
char *CreateStadtListBuffer();

// ---- after a turn ----
// Matches the player's town hexes with the records: founds new towns, deletes
// lost ones, passes the capital on; Spielstopp 2 when no town is left. 1 when
// at least one town stands.
BOOL CheckPlayerTown();
// Ends a town's rebellion when more than 1,500 soldiers stand on its hex. 1 or 0.
BOOL CheckStadtEvents(Stadt *Town);
// Null: population, scenery, the TOWN chunk, buildings, levels and church
// points of all towns. A record: only its buildings and level (the caller
// keeps the record). 1 or 0.
BOOL ChangeTownStatus(Stadt *Town);
ULONG CheckStadtVolk(Stadt *Town, ULONG Gesamtvolk, UWORD AnzahlLevel);
BOOL CheckStadtLevel(Stadt *Town);                  // 1 when the level changed
BOOL CheckStadtDependence(Stadt *Town, int Modus);  // 1 when a slot changed
void SetForbiddenBuilding(UWORD GebID, Stadt *Town);

// 1 when building slot `slot` of the town is built (its picture is set).
BOOL SlotGebaut(const Stadt *town, int slot);
