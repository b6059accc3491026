// The map screen: its one state record, its life cycle (built per visit at
// 8 bits per pixel, built once and kept behind every other screen above),
// the data it reads from and writes back to the pools, the frame and panels
// it draws after each redraw of the view, and the minimap.
#pragma once
#include "world/mapinfo.h"
#include "platform/types.h"
#include "store/chunks.h"
#include "store/lists.h"
#include "ui/screendat.h"

struct BitMap;
struct RastPort;
struct TextFont;
struct VekRequester;
struct Motion;

// The minimap: 41 x 31 explored hexes round the middle of the view, each a
// 4 x 4 blob in the colour of its terrain class.
struct MiniMap {
    UWORD OffsetBreite;     // frame width rounded up to a multiple of 16
    UWORD OffsetHoehe;      // frame height
    UBYTE *MapArray;        // cleared work array, OffsetBreite x OffsetHoehe
    Rechteck *Rect;         // the screen description's rectangles (not owned)
    ULONG AnzRect;          // how many of them there are
    RastPort *TempRastPort;
    BitMap *TempBitMap;
};

// Lists whose chunk or file was there but could not be read whole: the writer
// leaves their chunk or file alone rather than putting an empty list in place.
constexpr ULONG UNGELESEN_ARMEEN = 0x01;
constexpr ULONG UNGELESEN_SCHIFFE = 0x02;
constexpr ULONG UNGELESEN_SPEZIALISTEN = 0x04;
constexpr ULONG UNGELESEN_MAPNAMES = 0x08;
constexpr ULONG UNGELESEN_SHIPADDON = 0x10;

struct LokaleDatenKartenScreen {
    BOOL Status;                  // 0 not built, 1 kept in the background, 2 a visit runs
    BOOL Quit;                    // leave to the town screen
    BOOL Rohstoffe;               // resource map shown
    BOOL Stadtnamen;              // symbol map shown
    BOOL Grenzen;                 // borders shown: all bits set, else 0
    BOOL BlueHex;                 // an own figure is selected
    BOOL YellowHex;               // an own town hex is selected
    WORD X_Pos, Y_Pos;            // the marked hex in view coordinates
    WORD OldX_Pos, OldY_Pos;      // the hex marked before; -1 none
    UWORD Jahreszeit;             // season 0 ... 3
    UWORD LastSfx;                // figure sound playing, 0 none
    UWORD GUI;                    // 8 bits: 0 main panel, 1 figure panel
    UWORD Gottheit;
    ULONG AnzMorgen;
    ULONG OrgArbeiter;            // the realm's people / 10
    struct MiniMap *MiniMap;
    BitMap *FirstBitmap;          // screen area under the figure panel
    struct ScreenRegion *FirstScreenRegion;  // the main description while the figure panel is shown
    TextFont *VekFontPtr, *VekFont1Ptr, *VekFont2Ptr, *VekFont3Ptr;
    st_MOVE_EXT *AktPerson;       // points into the view's figures, never owned
    struct VekRequester *VekRequester;  // info box
    struct ScreenRegion *ScreenRegion;  // the active description
    struct ScreenRegion *GUIScreenRegion;    // 8 bits: the figure panel's description
    VekMapInfo *VekMapInfoPtr;        // the view
    ListHeader *ArmeeListe;
    ListHeader *ShipListPtr;
    ListHeader *ShipAddOnListPtr;
    ListHeader *SpezListPtr;
    ListHeader *OtherMapNamesList;
    UWORD FigurTyp;               // figure list on show; 0xFFFF none yet
    char *FigurListBuffer;
    struct VekRequester *FigurRequester;
    Motion *MotionPtr;
    st_ANTW *SpielerChunkPtr;
    st_KRIG *KrigChunkPtr;
    char OldModuleName[80];
    ULONG Ungelesen;              // UNGELESEN_* of the last read
};

extern LokaleDatenKartenScreen *const LDKS;

// The current town's world hex for the map (the town library answers through
// main): 1 and the position, or 0 when there is no such town.
extern int (*KartenStadtPosHook)(LONG StadtID, ULONG *X, ULONG *Y);

// Visit: from is the screen to return to; LetsRun 0 builds the kept screen
// (from 1) or tears it down (from 0) above 8 bits. The next screen number.
LONG KartenScreen(LONG from, LONG LetsRun);
int KartenScreenKonstruktor();                     // 1 built, 0 failed
void KartenScreenDestruktor();                     // ends a visit or tears all down, by Status
int InitAllThingsKarte(LokaleDatenKartenScreen *state, int first);  // 1 or 0
VekMapInfo *InitMap(LokaleDatenKartenScreen *state);                // the new view or null
// Around screens that rewrite the game files while the kept screen waits.
LONG KartenScreenUnlockSetup();                    // 0
int KartenScreenNewSetup(int complete);            // 1 or 0

// The five colour-cycling ranges of a visit, 22 bytes each.
constexpr ULONG KARTEN_CYCLE_RANGES = 5, KARTEN_CYCLE_SIZE = 22;
extern const UBYTE KartenColorCycle[KARTEN_CYCLE_RANGES * KARTEN_CYCLE_SIZE];

// The note of a figure's loss while it replaces the figure file and the
// outgoing pool together; a run that finds it finishes the change
// (FinishFilesTogether), as start-up and every read of the screen's data do.
inline constexpr char KARTE_VERLUST_NOTIZ[] = "./Data/.Figurverlust";

// Data in and out: 1 when all went through, 0 otherwise (messages printed).
int ReadKartenScreenData(LokaleDatenKartenScreen *state);
int WriteKartenScreenData(LokaleDatenKartenScreen *state, int release);
// The army and ship lists alone, into the given pool file.
int WriteFigurListen(LokaleDatenKartenScreen *state, const char *pool);

// After each redraw of the view: frame, panels, minimap, backdrop.
void KartenScreenSetGUI(VekMapInfo *view);
int SwitchGUI(LokaleDatenKartenScreen *state);     // 1, or 0 when the area could not be saved

// Minimap.
MiniMap *InitMiniMap(Rechteck *rects, ULONG count);
void SetMiniMap(VekMapInfo *view, MiniMap *mini, LONG dx, LONG dy);
int SetMiniHex(UBYTE *array, const MiniMap *mini, LONG spalte, LONG zeile, LONG breite, UWORD klasse);
void ExitMiniMap(MiniMap *mini);  // null accepted
UWORD MiniMapStift(UWORD klasse);  // pen of a terrain class; 0 draws nothing

// Pictures and sounds of the screen.
int LoadKartenScreenGfx(LokaleDatenKartenScreen *state);  // 1, or 0 after the first that failed
void FreeKartenScreenGfx();
int LoadKartenScreenSfx(LokaleDatenKartenScreen *state);  // 1, or 0 when one did not load
void FreeKartenScreenSfx(LokaleDatenKartenScreen *state);

// The marked hex: outline, action menu, names, checks, voices, switches and
// the info box.
int SetPolyDraw(int count, const WORD *points, const WORD *steps);
int SetColorHex(LONG x, LONG y);                     // always 1
int AktionsMenu(LokaleDatenKartenScreen *state);     // -1 nothing, 0 name, 1 cultivation, 2 information
int EnterMapNames(LokaleDatenKartenScreen *state);   // 1, or 0 when no entry could be made
ULONG CheckLand(LokaleDatenKartenScreen *state, LONG x, LONG y, LONG search, LONG own);
int CheckHexAndPlaySfx(LokaleDatenKartenScreen *state, UWORD klasse, LONG player);
// The figure from the figure file prefs (the map prefs unless given) and,
// for an army, its record from the army list.
int RemoveFigurAndArmy(LokaleDatenKartenScreen *state, st_MOVE_EXT *figur, const char *prefs = nullptr);
int CheckFigurAndPlaySfx(LokaleDatenKartenScreen *state, int click);  // always 1
int SwitchMap(LokaleDatenKartenScreen *state, int what);  // 0 resources, 1 names, 2 borders
void ShowHexInfo(LokaleDatenKartenScreen *state);
int UpdateInfoBox(LokaleDatenKartenScreen *state);
void ShowPosition(LokaleDatenKartenScreen *state);

// Figure lists, town menu, order menu and the orders carried out.
int UpdateFigurRequester(LokaleDatenKartenScreen *state, ULONG code);
int SetOtherFigur(LokaleDatenKartenScreen *state);
int FigurMenu(LokaleDatenKartenScreen *state);
int CheckAktionsFeld(LokaleDatenKartenScreen *state);

// Selection, workers, caravans and the overlays.
int SetHex(LokaleDatenKartenScreen *state);
int CheckPersonEvent(LokaleDatenKartenScreen *state);
int JumpToFigur(LokaleDatenKartenScreen *state);
int ArbeiterReq(LokaleDatenKartenScreen *state);
int KarawaneReq();
int ZeigeRohstoffe(LokaleDatenKartenScreen *state, int buffer);
int ZeigeSymbolkarte(LokaleDatenKartenScreen *state, int buffer);
int IsGfxBoxValid(LONG x0, LONG y0, LONG x1, LONG y1);

Motion *StartTheMotion(VekMapInfo *view);
void StopTheMotion(Motion *motion);
