// Chunk head, chunk ID table and every chunk payload record, as they lie in
// a file: packed, big-endian there and in host order once loaded. Offsets in
// the comments count from the start of the chunk (head included) for chunk
// records and from the start of the entry for repeated entries.
#pragma once
#include <cstddef>
#include "platform/types.h"

#pragma pack(push, 1)

struct st_ChunkHead {
    ULONG ChunkID;  // 0: four letters, the first in the most significant byte
    ULONG Version;  // 4: "V001" or "V002"
    ULONG Length;   // 8: payload bytes after the head
};
static_assert(sizeof(st_ChunkHead) == 12);

#pragma pack(pop)

// The chunk numbers: index into ChunkNamen, bit in an INFO record's
// ChunkBits and flag of the chunk machine.
enum ChunkNum : ULONG {
    CN_INIT, CN_INFO, CN_MOVE, CN_BMAP, CN_IMAP, CN_PMAP, CN_MREF, CN_PREF, CN_EROR, CN_MAIL,
    CN_SMAL, CN_PPRF, CN_KORN, CN_LAND, CN_WARE, CN_BAUE, CN_GEBA, CN_TAXE, CN_FORS, CN_TOWN,
    CN_ARMY, CN_ANFR, CN_ANTW, CN_KRIG, CN_VERT, CN_SHIP, CN_SPEZ, CN_HERB, CN_MAX
};

// The host-order number of four letters ("INFO" -> 0x494E464F).
constexpr ULONG MakeChunkID(const char (&t)[5])
{
    return (ULONG)(UBYTE)t[0] << 24 | (ULONG)(UBYTE)t[1] << 16 | (ULONG)(UBYTE)t[2] << 8 | (ULONG)(UBYTE)t[3];
}

inline constexpr char ChunkNamen[CN_MAX][5] = {
    "INIT", "INFO", "MOVE", "BMAP", "IMAP", "PMAP", "MREF", "PREF", "EROR", "MAIL",
    "SMAL", "PPRF", "KORN", "LAND", "WARE", "BAUE", "GEBA", "TAXE", "FORS", "TOWN",
    "ARMY", "ANFR", "ANTW", "KRIG", "VERT", "SHIP", "SPEZ", "HERB"};

constexpr ULONG ChunkIDOf(ULONG num) { return MakeChunkID(ChunkNamen[num]); }
constexpr ULONG ChunkBit(ULONG num) { return 1u << num; }

constexpr ULONG ID_INIT = ChunkIDOf(CN_INIT), ID_INFO = ChunkIDOf(CN_INFO), ID_MOVE = ChunkIDOf(CN_MOVE),
                ID_BMAP = ChunkIDOf(CN_BMAP), ID_IMAP = ChunkIDOf(CN_IMAP), ID_PMAP = ChunkIDOf(CN_PMAP),
                ID_MREF = ChunkIDOf(CN_MREF), ID_PREF = ChunkIDOf(CN_PREF), ID_EROR = ChunkIDOf(CN_EROR),
                ID_MAIL = ChunkIDOf(CN_MAIL), ID_SMAL = ChunkIDOf(CN_SMAL), ID_PPRF = ChunkIDOf(CN_PPRF),
                ID_KORN = ChunkIDOf(CN_KORN), ID_LAND = ChunkIDOf(CN_LAND), ID_WARE = ChunkIDOf(CN_WARE),
                ID_BAUE = ChunkIDOf(CN_BAUE), ID_GEBA = ChunkIDOf(CN_GEBA), ID_TAXE = ChunkIDOf(CN_TAXE),
                ID_FORS = ChunkIDOf(CN_FORS), ID_TOWN = ChunkIDOf(CN_TOWN), ID_ARMY = ChunkIDOf(CN_ARMY),
                ID_ANFR = ChunkIDOf(CN_ANFR), ID_ANTW = ChunkIDOf(CN_ANTW), ID_KRIG = ChunkIDOf(CN_KRIG),
                ID_VERT = ChunkIDOf(CN_VERT), ID_SHIP = ChunkIDOf(CN_SHIP), ID_SPEZ = ChunkIDOf(CN_SPEZ),
                ID_HERB = ChunkIDOf(CN_HERB);
constexpr ULONG ID_ARHD = MakeChunkID("ARHD"), ID_AREN = MakeChunkID("AREN");
constexpr ULONG VERSION_V001 = MakeChunkID("V001"), VERSION_V002 = MakeChunkID("V002");
constexpr ULONG VERSION_V000 = 0x56000000;  // "V" and three zero bytes: read as V001

#pragma pack(push, 1)

// ---- fixed records ----

struct st_INIT {               // sign-up record
    st_ChunkHead Head;
    char Vorname[40];          // 12
    char Nachname[40];         // 52
    char Strasse[80];          // 92
    char PLZ[10];              // 172
    char Ort[40];              // 182
    char Land[40];             // 222
    char Telefon[20];          // 262
    char SpielName[40];        // 282
    char Email[40];            // 322
    ULONG Reserved1;           // 362, 0
    char Anmerkung[256];       // 366
    UBYTE Reserved2[70];       // 622, 0
    ULONG DateInSec;           // 692
    UWORD VekSystem;           // 696, converted like every other word here
    char SecondEmail[40];      // 698
    char Handy[40];            // 738
    char MacAdresse[6];        // 778
};
static_assert(sizeof(st_INIT) == 784);

struct st_INFO {               // first chunk of every pool
    st_ChunkHead Head;
    ULONG SpielerID;           // 12
    ULONG ChunkBits;           // 16: bit n = chunk number n present; bit 1 always
    ULONG RestRunden;          // 20: rounds left
    UWORD VekSystem;           // 24: host order in files, never converted; 2
    UWORD VekVersion;          // 26: host order in files, never converted; 0
    UWORD Misc;                // 28: bit 0 keep the sign-up chunk in the outgoing pool
    ULONG TurnTime;            // 30: send time of the turn, seconds
    UBYTE Wuerfelwert[8];      // 34: dice values of the server
    ULONG Checksumme;          // 42: written in host order, converted on loading
    char MacAdresse[6];        // 46: first six hex digits of the hardware address
};
static_assert(sizeof(st_INFO) == 52);

struct st_IMAP {               // initial map reference
    st_ChunkHead Head;
    ULONG SizeX;               // 12: world size in hexes
    ULONG SizeY;               // 16
    ULONG X_Capital;           // 20: the capital's hex
    ULONG Y_Capital;           // 24
};
static_assert(sizeof(st_IMAP) == 28);

struct st_MREF {               // map reference of ./Data/MapPrefs.vek
    st_ChunkHead Head;
    ULONG WeltSizeX;           // 12
    ULONG WeltSizeY;           // 16
    ULONG X_Capital;           // 20
    ULONG Y_Capital;           // 24
};
static_assert(sizeof(st_MREF) == 28);

struct st_KORN {               // granary and harvest
    st_ChunkHead Head;
    ULONG Jahr;                // 12
    UWORD Quartal;             // 16
    ULONG Saatlager;           // 18
    ULONG Kornlager;           // 22
    ULONG BevLager;            // 26
    ULONG AnzKornlager;        // 30
    UWORD AnzMuehlen;          // 34
    ULONG HighErnte;           // 36
    UBYTE Wetter;              // 40
    UBYTE KornFlag;            // 41
    ULONG AusfallSaatlager;    // 42
    ULONG AusfallBevLager;     // 46
    UWORD AnzKontore;          // 50
    ULONG KornVerrottet;       // 52
    ULONG MaxHarvest;          // 56
    ULONG Fishes;              // 60
};
static_assert(sizeof(st_KORN) == 64);

struct st_LAND {               // the realm's figures
    st_ChunkHead Head;
    UWORD PlayerID;            // 12
    ULONG AnzVolk;             // 14
    ULONG Einwanderer;         // 18
    ULONG Auswanderer;         // 22
    ULONG Geborene;            // 26
    ULONG Gestorbene;          // 30
    ULONG AnzGold;             // 34
    LONG AnzPflanzHq;          // 38
    LONG AnzTierHq;            // 42
    LONG AnzMineralHq;         // 46
    LONG FaktorPflanzHq;       // 50
    LONG FaktorTierHq;         // 54
    LONG FaktorMineralHq;      // 58
    ULONG Vertrauen;           // 62
    ULONG Kriegstote;          // 66
    ULONG Desertierte;         // 70
    ULONG AnzMorgen;           // 74
    LONG Piratengold;          // 78
    UWORD Reichspunkte;        // 82
    WORD Luxusgueter;          // 84
    UWORD AnzahlKundschafter;  // 86
    UWORD AnzahlSiedler;       // 88
    UBYTE Gottheit;            // 90
    UBYTE nop;                 // 91
    char Goettername[80];      // 92
};
static_assert(sizeof(st_LAND) == 172);

struct st_TAXE {               // taxes and tithe
    st_ChunkHead Head;
    ULONG Grundsteuer;         // 12
    UWORD Justizia;            // 16
    ULONG JustizLast;          // 18
    ULONG Zoll100;             // 22
    ULONG ZollLast;            // 26
    UWORD HQPflanzeGold;       // 30
    UWORD HQTierGold;          // 32
    UWORD HQMineralGold;       // 34
    ULONG HQLast;              // 36
    ULONG GrundsteuerLast;     // 40
    ULONG Kirchensteuer;       // 44
    ULONG KirchensteuerLast;   // 48
    UWORD KirchenPunkte;       // 52
    ULONG Markthallen;         // 54
    ULONG Marktangebote;       // 58
    ULONG Schiffskosten;       // 62
    UBYTE ZehnteProzent;       // 66
    ULONG ZehnteID;            // 67
    ULONG ZehnteEinnahme;      // 71
    ULONG ZehnteAusgabe;       // 75
    ULONG Spezikosten;         // 79
};
static_assert(sizeof(st_TAXE) == 83);

struct st_FORS {               // research
    st_ChunkHead Head;
    UBYTE AktiveForschung;     // 12
    UBYTE ForschungsCounter;   // 13
    UBYTE ForschungsZeit;      // 14
    UBYTE Alchemie;            // 15
    UBYTE Astronomie;          // 16
    UBYTE Kampftechnik;        // 17
    UBYTE Naturkunde;          // 18
    UBYTE Medizin;             // 19
    UBYTE Technik;             // 20
    UBYTE Theologie;           // 21
    ULONG KostenProRunde;      // 22
    UWORD Besonderheiten;      // 26
};
static_assert(sizeof(st_FORS) == 28);

struct st_SMAL {               // one letter; the NUL-terminated text follows at 284
    st_ChunkHead Head;         // Length = 272 + text length + 1
    char DateString[24];       // 12
    char Betreff[160];         // 36
    char AbsenderName[40];     // 196
    char EmpfaengerName[40];   // 236
    LONG AbsenderID;           // 276
    LONG EmpfaengerID;         // 280
};
static_assert(sizeof(st_SMAL) == 284);

// ---- repeated entries ----

struct st_MOVE_EXT {           // a figure on the map
    ULONG SpielerID;           // 0
    UWORD FigurArt;            // 4: kind
    UWORD FigurNummer;         // 6
    ULONG X_Pos;               // 8: absolute hex
    ULONG Y_Pos;               // 12
    UBYTE Kommando;            // 16: order
    UBYTE Bewegungspunkte;     // 17: movement points
};
static_assert(sizeof(st_MOVE_EXT) == 18);

struct st_BMAP_EXT {           // one knowledge map, bytes only
    UBYTE X;                   // 0
    UBYTE Y;                   // 1
    UBYTE Karte[400];          // 2: one bit per hex
};
static_assert(sizeof(st_BMAP_EXT) == 402);

struct st_WARE_EXT {           // a ware offer or stock
    UWORD Info;                // 0
    ULONG Herkunft;            // 2
    ULONG WarenTyp;            // 6
    ULONG WarenAnzahl;         // 10
    ULONG Preis;               // 14
    ULONG DateInSec;           // 18
    ULONG Kaeufer;             // 22
    ULONG KaeuferAnzahl;       // 26
    ULONG KaeuferPreis;        // 30
    UWORD Zustand;             // 34
};
static_assert(sizeof(st_WARE_EXT) == 36);

struct st_BAUE_EXT {           // a building or a building order
    UWORD GebID;               // 0
    UWORD Jahr;                // 2
    UWORD Quartal;             // 4
    UWORD Restbauzeit;         // 6
    ULONG Preis;               // 8
    UWORD Betriebskosten;      // 12
    UWORD Stadt;               // 14
};
static_assert(sizeof(st_BAUE_EXT) == 16);

struct st_TOWN_EXT {           // a town, version V001
    UWORD XPos;                // 0
    UWORD YPos;                // 2
    char Name[80];             // 4
    UWORD Level;               // 84
    ULONG StadtVolk;           // 86
    UWORD StadtID;             // 90
};
static_assert(sizeof(st_TOWN_EXT) == 92);

struct st_TOWN_EXT_V2 {        // a town, version V002
    UWORD XPos;                // 0
    UWORD YPos;                // 2
    char Name[80];             // 4
    UWORD Level;               // 84
    ULONG StadtVolk;           // 86
    UWORD StadtID;             // 90
    UWORD Event;               // 92
    UBYTE Nop[12];             // 94: three reserved words of 32 bits, never converted
};
static_assert(sizeof(st_TOWN_EXT_V2) == 106);

struct Armee {                 // an army's head fields
    ULONG PosX;                // 0 (12 in st_ARHD)
    ULONG PosY;                // 4
    ULONG HerrscherID;         // 8
    ULONG Verhalten;           // 12
    ULONG Vertrauen;           // 16
    ULONG ArmeeID;             // 20
    ULONG ArmeeTypAnzahl;      // 24: st_AREN records that follow
    ULONG TrainingsRunden;     // 28
    char Name[20];             // 32
};
static_assert(sizeof(Armee) == 52);

struct ArmeeEntry {            // one part of an army
    ULONG Typ;                 // 0 (12 in st_AREN)
    ULONG Erfahrung;           // 4
    ULONG WaffeI;              // 8
    ULONG WaffeII;             // 12
    ULONG Ruestung;            // 16
    ULONG Schild;              // 20
    ULONG Helm;                // 24
    ULONG Erschoepfung;        // 28
    ULONG RuestungsKlasse;     // 32
    ULONG Anzahl;              // 36: soldiers
    ULONG SaboteurAnzahl;      // 40
};
static_assert(sizeof(ArmeeEntry) == 44);

struct st_ARHD {               // army head inside an ARMY chunk: "ARHD", "V001", 52
    st_ChunkHead Head;
    Armee ArmeeHeader;         // 12
};
static_assert(sizeof(st_ARHD) == 64);

struct st_AREN {               // army part inside an ARMY chunk: "AREN", "V001", 44
    st_ChunkHead Head;
    struct ArmeeEntry ArmeeEntry;  // 12
};
static_assert(sizeof(st_AREN) == 56);

struct st_ANFR_EXT {           // sub-head of ANFR and ANTW (st_ANTW_EXT)
    UWORD Typ;                 // 0
    ULONG Anzahl;              // 2: entries that follow
    ULONG Length;              // 6: bytes of the entries
};
static_assert(sizeof(st_ANFR_EXT) == 10);
using st_ANTW_EXT = st_ANFR_EXT;

struct st_ANTW_EXT_1 {         // one player name
    ULONG SpielerID;           // 0
    char SpielName[80];        // 4
};
static_assert(sizeof(st_ANTW_EXT_1) == 84);

struct st_KRIG_EXT {           // one battle
    ULONG Length;              // 0
    st_MOVE_EXT Angreifer;     // 4
    st_MOVE_EXT Verteidiger;   // 22
    ULONG Result;              // 40
    UWORD AngRuestungsklasse;  // 44
    UWORD VerRuestungsklasse;  // 46
    UWORD AngErschoepfung;     // 48
    UWORD VerErschoepfung;     // 50
    ULONG AngTote;             // 52
    ULONG VerTote;             // 56
    ULONG AngLebende;          // 60
    ULONG VerLebende;          // 64
    ULONG ProtokollLength;     // 68
};
static_assert(sizeof(st_KRIG_EXT) == 72);

struct st_VERT_EXT {           // a contract
    UWORD VertragsArt;         // 0
    ULONG AnbieterID;          // 2
    ULONG PartnerID;           // 6
    ULONG WarenTyp;            // 10
    ULONG Identifier;          // 14
    UWORD Status;              // 18
    UWORD Dauer;               // 20
    ULONG Anzahl;              // 22
    ULONG Preis;               // 26
    UWORD Zustand;             // 30
};
static_assert(sizeof(st_VERT_EXT) == 32);

struct st_SHIP_EXT {           // a ship and its cargo
    UWORD SchiffsID;           // 0
    UWORD Schaden;             // 2
    UWORD Punkte;              // 4
    ULONG X_Pos;               // 6
    ULONG Y_Pos;               // 10
    st_MOVE_EXT Figur1;        // 14
    st_MOVE_EXT Figur2;        // 32
    st_MOVE_EXT Figur3;        // 50
};
static_assert(sizeof(st_SHIP_EXT) == 68);

struct st_SPEZ_EXT {           // a specialist
    char Name[80];             // 0
    ULONG ID;                  // 80
    ULONG X_Pos;               // 84
    ULONG Y_Pos;               // 88
    UWORD Status;              // 92
    UBYTE Klasse;              // 94
    UBYTE RK;                  // 95
    UBYTE TP;                  // 96
    UBYTE TPakt;               // 97
    UBYTE Staerke;             // 98
    UBYTE Weisheit;            // 99
    UBYTE Intelligenz;         // 100
    UBYTE Gewandheit;          // 101
    UBYTE Konstitution;        // 102
    UBYTE Charisma;            // 103
    UBYTE Gottheit;            // 104
    UBYTE Loyalitaet;          // 105
    ULONG Lohn;                // 106
    ULONG SpielerID;           // 110
    ULONG Erfahrung;           // 114
    ULONG Item[19];            // 118: Item1 to Item19
};
static_assert(sizeof(st_SPEZ_EXT) == 194);

struct st_HERB_EXT {           // a herb site
    ULONG X_Pos;               // 0
    ULONG Y_Pos;               // 4
    UBYTE Art;                 // 8
    UBYTE Entnommen;           // 9
    UWORD Anzahl;              // 10
};
static_assert(sizeof(st_HERB_EXT) == 12);

// ---- chunks with repeated entries: the fixed part; entries follow it ----

struct st_MOVE { st_ChunkHead Head; UWORD AnzFiguren; };                 // st_MOVE_EXT at 14
struct st_BMAP { st_ChunkHead Head; UWORD AnzKarten; };                  // st_BMAP_EXT at 14
struct st_PMAP { st_ChunkHead Head; };                                   // Length / 22 map records, never converted
struct st_MAIL { st_ChunkHead Head; ULONG AnzahlEmails; };               // whole letter files at 16, never converted
struct st_WARE { st_ChunkHead Head; UWORD AnzWaren; };                   // st_WARE_EXT at 14
struct st_BAUE { st_ChunkHead Head; UWORD AnzGeb; };                     // st_BAUE_EXT at 14
struct st_GEBA { st_ChunkHead Head; ULONG Gesamtkosten; UWORD AnzGeb; }; // st_BAUE_EXT at 18
struct st_TOWN { st_ChunkHead Head; UWORD Anzahl; };                     // st_TOWN_EXT(_V2) at 14
struct st_ARMY { st_ChunkHead Head; ULONG AnzahlArmeen; };               // st_ARHD, its st_AREN, next st_ARHD...
struct st_ANFR { st_ChunkHead Head; st_ANFR_EXT Anfrage; };              // player IDs (u32) at 22
struct st_ANTW { st_ChunkHead Head; st_ANTW_EXT Antwort; };              // st_ANTW_EXT_1 at 22
struct st_KRIG { st_ChunkHead Head; ULONG AnzahlKriege; };               // st_KRIG_EXT at 16
struct st_VERT { st_ChunkHead Head; ULONG Anzahl; };                     // st_VERT_EXT at 16
struct st_SHIP { st_ChunkHead Head; ULONG Anzahl; };                     // st_SHIP_EXT at 16
struct st_SPEZ { st_ChunkHead Head; ULONG Anzahl; };                     // st_SPEZ_EXT at 16
struct st_HERB { st_ChunkHead Head; ULONG Anzahl; };                     // st_HERB_EXT at 16
static_assert(sizeof(st_MOVE) == 14 && sizeof(st_BMAP) == 14 && sizeof(st_PMAP) == 12 && sizeof(st_MAIL) == 16);
static_assert(sizeof(st_WARE) == 14 && sizeof(st_BAUE) == 14 && sizeof(st_GEBA) == 18 && sizeof(st_TOWN) == 14);
static_assert(sizeof(st_ARMY) == 16 && sizeof(st_ANFR) == 22 && sizeof(st_ANTW) == 22 && sizeof(st_KRIG) == 16);
static_assert(sizeof(st_VERT) == 16 && sizeof(st_SHIP) == 16 && sizeof(st_SPEZ) == 16 && sizeof(st_HERB) == 16);

#pragma pack(pop)

constexpr ULONG PMAP_ENTRY_SIZE = 22;    // one map tile record, little-endian
