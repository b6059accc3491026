// The map model: the hex record of the tile files, the map record that holds
// a 3 x 3 tile window with its knowledge bits and figures, movement over the
// window and the fog of war. No drawing here.
#pragma once
#include <cstddef>
#include "world/hex.h"
#include "platform/types.h"
#include "store/figures.h"

struct BitMap;
struct RastPort;
struct TextFont;

// One hex as the tile files and the PMAP chunk keep it: little-endian numbers
// there, host order once a tile is loaded.
#pragma pack(push, 1)
struct MapEntry {
    ULONG X;           // 0  absolute column
    ULONG Y;           // 4  absolute row
    UWORD Art;         // 8  hex graphic number; 0 = nothing known
    UBYTE THQ;         // 10 level of animal sources
    UBYTE PHQ;         // 11 level of plant sources
    UBYTE MHQ;         // 12 level of mineral sources
    UBYTE Einwohner;   // 13 inhabitants
    ULONG BesitzerID;  // 14 owner's player ID; 0xFFFFFFFF = nobody
    ULONG Spezial;     // 18 flags; 0x2 = a dungeon lies here
};
#pragma pack(pop)
static_assert(sizeof(MapEntry) == 22);
static_assert(offsetof(MapEntry, BesitzerID) == 14);

constexpr ULONG SPEZIAL_DUNGEON = 0x2;
constexpr ULONG NIEMAND = 0xFFFFFFFFu;

constexpr LONG TEIL_BREITE = 80;                  // hex columns of a tile
constexpr LONG TEIL_HOEHE = 40;                   // hex rows of a tile
constexpr LONG TEILE = 160;                       // tiles per world row and column
constexpr ULONG TEIL_BYTES = 70400;               // a tile file
constexpr ULONG BMAP_TEIL_BYTES = 400;            // a knowledge file
constexpr LONG BMAP_TEIL_ZEILE = 10;              // bytes per knowledge row of a tile
constexpr int FENSTER_TEILE = 9;                  // tiles of the window, 3 x 3
constexpr LONG FENSTER_BREITE = 240;              // hex columns of the window
constexpr LONG FENSTER_HOEHE = 120;               // hex rows of the window
constexpr LONG FENSTER_BMAP_ZEILE = 30;           // bytes per row of a window bit map
constexpr ULONG FENSTER_BMAP_BYTES = 3600;        // a window bit map
constexpr int SICHT_MAX_X = 41;                   // hex columns a view shows at most
constexpr int SICHT_MAX_Y = 22;                   // hex rows a view shows at most
constexpr LONG MOVE_SEITE = 29;                   // cells per side of the move array
constexpr LONG MOVE_MITTE = 14;                   // the figure's row and column in it
constexpr BYTE MOVE_GESPERRT = -1;                // next to a reachable hex, cannot be entered
constexpr BYTE MOVE_UNERREICHT = -10;             // not reached
constexpr ULONG BEWEGUNG_VOLL = 0x8000;           // start with the kind's full allowance
constexpr UWORD MAPSTATUS_BMAP = 0x02;            // knowledge tiles loaded
constexpr int MAP_PFAD_LAENGE = 256;
static_assert(sizeof(MapEntry) * TEIL_BREITE * TEIL_HOEHE == TEIL_BYTES);

struct VekMapInfo {
    UWORD Status;
    WORD X_WorldMap, Y_WorldMap;              // centre tile of the window
    LONG X_Hex, Y_Hex;                        // world position of the view's top-left hex
    WORD IndeX, IndeY;                        // window position of that hex
    MapEntry *MapPtrArray[FENSTER_TEILE];     // tile buffers, slot = 3 x row + column
    BPTR KartenFHArray[FENSTER_TEILE];        // open tile files; null: tile has no file
    UBYTE *BMapPtrArray[FENSTER_TEILE];       // knowledge tile buffers
    BPTR BMapFHArray[FENSTER_TEILE];
    UWORD Ziel_X1, Ziel_Y1;                   // screen position of the view
    UWORD Ziel_X2, Ziel_Y2;                   // its width and height in pixels
    MapEntry *MapPtr;                         // the view's top-left entry in the window
    MapEntry *GreatMapPtr;                    // the window, 120 rows of 240 entries
    UBYTE *BMapPtr;                           // the knowledge window (same block as below)
    UBYTE *GreatBMapPtr;                      // the knowledge window, 120 rows of 30 bytes
    LONG PeopleFH;                            // not used
    UBYTE *PeopleMemPtr;                      // all known figures: u16 count + st_MOVE_EXT records
    UBYTE *LocalPeopleMemPtr;                 // the figures on the nine tiles, same layout
    ULONG PeopleMemSize;                      // bytes of each of the two figure blocks
    UBYTE *GreatCMapPtr;                      // reachable-hex bits of the window
    BYTE *MoveArray;                          // 29 x 29 move array
    char MapPath[MAP_PFAD_LAENGE];            // directory of the tile files
    char BMapPath[MAP_PFAD_LAENGE];           // directory of the knowledge files
    BOOL UpdateMap;                           // the view moved; the screen clears it
    BOOL DontSave;
    UWORD XTiles, YTiles;                     // hex columns and rows the view shows
    TextFont *MapFontPtr;
    BitMap *LayerBitmapPtr;
    RastPort *LayerRastPortPtr;
    APTR MaskePtr, IntMaskePtr;               // hex mask pictures
    UWORD Jahreszeit;                         // season 0 ... 3, 3 = winter
    UWORD QuickUpdate;                        // 0 all, 1-4 moved one hex up/right/down/left, 5 fog
    BOOL MapLock;                             // the map screen handles input
    ULONG FOWMask[SICHT_MAX_X][SICHT_MAX_Y];  // 0 fog, 1 in sight, 2 own figure, 3 own town
    void (*GUIRoutine)(VekMapInfo *);         // after the view was copied to the screen
    APTR GUIUserData;
    APTR BlitLine;
    double PosInPixelsX, PosInPixelsY;
    UWORD FPSCounter;
};

// Tiles and the window. Every routine prints its reason on failure.
// New record with the nine map tiles round tile (X_Map, Y_Map) of directory
// Path, or null; bit 0x2 of MapStatus also loads the knowledge tiles.
VekMapInfo *LadeKarte(UWORD MapStatus, LONG X_Map, LONG Y_Map, const char *Path);
// Nine knowledge tiles and the knowledge window; 1 or 0 (what loaded stays attached).
int LadeBMap(VekMapInfo *MapInfo, LONG X_Map, LONG Y_Map, const char *Path);
int LadeKarte_Load(VekMapInfo *MapInfo);     // the nine map tiles round the centre tile; 1 or 0
int LadeBMap_Load(VekMapInfo *MapInfo);      // the same for knowledge tiles
// Turns Anzahl map records between the little-endian order of the files and
// host order (the same swap either way; nothing to do on a little-endian host).
void WendeMapEntries(void *Eintraege, ULONG Anzahl);
// One tile into slot MapNr (0 ... 8); a missing file inside the world is
// created, a tile outside the world is empty ground without a file. 1 or 0.
int LadeKartenTeil(VekMapInfo *MapInfo, int MapNr, LONG TeilX, LONG TeilY);
int LadeBMapTeil(VekMapInfo *MapInfo, int MapNr, LONG TeilX, LONG TeilY);
// Copy the window's part back into slot MapNr, write the tile to its file,
// close it and free the slot. 1, or 0 when the write failed (freed anyway).
int SchreibeKartenTeil(VekMapInfo *MapInfo, int MapNr);
int SchreibeBMapTeil(VekMapInfo *MapInfo, int MapNr);
void CopyMap(VekMapInfo *MapInfo);                 // all tile buffers into the window
void CopyBMap(VekMapInfo *MapInfo);
void CopyMapBack(VekMapInfo *MapInfo, int MapNr);  // the window's part of one tile into its buffer
void CopyBMapBack(VekMapInfo *MapInfo, int MapNr);
LONG ExitKarte(VekMapInfo *MapInfo);  // writes every tile back, frees all (figure blocks too); 0
void ClearBMap(VekMapInfo *MapInfo);  // writes back and frees the knowledge tiles
// Knowledge bit of view position (X, Y), i.e. window (X + IndeX, Y + IndeY).
int GetBMapBit(const VekMapInfo *MapInfo, LONG X, LONG Y);
void SetBMapBit(VekMapInfo *MapInfo, LONG X, LONG Y);
// The window entry at window position (X, Y), or null outside the window.
MapEntry *FensterHex(const VekMapInfo *MapInfo, LONG X, LONG Y);

// Figure blocks: u16 count then packed records. The count is taken only as
// far as the block holds whole records.
ULONG FigurenImBlock(const UBYTE *Block, ULONG Groesse);
inline st_MOVE_EXT *FigurImBlock(UBYTE *Block, ULONG i) { return (st_MOVE_EXT *)(Block + 2) + i; }
// The map view draws the figures from a thread of its own. While a
// FigurenSperre lives, that thread (if any) keeps off the figure blocks; the
// view sets the two hooks, and without a view they stay null and nothing waits.
extern void *(*FigurenSperreNehmen)(VekMapInfo *MapInfo);
extern void (*FigurenSperreLassen)(void *Sperre);
class FigurenSperre {
public:
    explicit FigurenSperre(VekMapInfo *MapInfo)
        : sperre_(FigurenSperreNehmen ? FigurenSperreNehmen(MapInfo) : nullptr) {}
    ~FigurenSperre()
    {
        if (sperre_ && FigurenSperreLassen) FigurenSperreLassen(sperre_);
    }
    FigurenSperre(const FigurenSperre &) = delete;
    FigurenSperre &operator=(const FigurenSperre &) = delete;

private:
    void *sperre_;
};

// Fills LocalPeopleMemPtr with the figures of PeopleMemPtr on the nine tiles.
// The local block is a copy for drawing: changes go to PeopleMemPtr, which is
// what gets saved, and this is called again to show them.
void MakeLocalPeopleMemPtr(VekMapInfo *MapInfo);

// Movement over the window (positions are window positions).
// Points to enter hex (X, Y) of the 240 x 120 window Map for kind Typ, with the
// surcharge on hexes the player does not own; 0 = cannot enter or outside.
UWORD GetMovePoints(const MapEntry *Map, LONG X, LONG Y, UWORD Typ);
// The 29 x 29 move array round the figure at (X, Y) into MoveArray; 1 or 0.
int GetMoveArray(VekMapInfo *MapInfo, LONG X, LONG Y, UWORD Typ, ULONG Bewegungspunkte);
// Reachable bits from the move array whose top-left cell is window (X, Y)
// into GreatCMapPtr; MaxHex 1 includes the blocked border. 1 or 0.
int MakeMapFromArray(VekMapInfo *MapInfo, LONG X, LONG Y, int MaxHex);
void FreeMoveAllocs(VekMapInfo *MapInfo);

// Fog of war.
// 1 when view hex (ix, iy) is within 3 hexes of an own figure of Figuren (not
// carried on a ship) or of an own town, else 0.
int CheckFogofWar(const VekMapInfo *MapInfo, ULONG AnzahlFiguren, const st_MOVE_EXT *Figuren, LONG ix,
                  LONG iy);
int CheckFogofWarTown(const VekMapInfo *MapInfo, LONG FinalX, LONG FinalY);  // own town at window hex
// The whole view into FOWMask[column][row] from LocalPeopleMemPtr.
void CheckFogofWar2(const VekMapInfo *MapInfo, ULONG FOWMask[SICHT_MAX_X][SICHT_MAX_Y]);
