// The map view: its place in the world, the one-tile exchange of the 3 x 3
// window when the view leaves the middle tile, the full reload on a jump, the
// figure list read from and written back to ./Data/MapPrefs.vek, and the
// copy of the layer to the screen.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/screen.h"
#include "map/mapview.h"
#include "map/motion.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/figures.h"
#include "store/store.h"

namespace {

constexpr char kKartenFont[] = "Fonts/XHelvetica9.fnt";
constexpr UWORD kHexRahmen = 4;  // the hex mask picture kept in MaskePtr
constexpr UWORD kHexMaske = 31;
constexpr UWORD kKartenScreen = 3;
constexpr ULONG kMoveAnfang = 28;  // the MOVE chunk follows the 28-byte MREF chunk

// Slots of the window by direction of a one-tile shift: written back, then
// moved (to <- from), then empty.
struct Verschiebung {
    int zurueck[3];
    int nach[6], von[6];
};
constexpr Verschiebung kVerschiebung[4] = {
    {{2, 5, 8}, {2, 5, 8, 1, 4, 7}, {1, 4, 7, 0, 3, 6}},  // west
    {{0, 3, 6}, {0, 3, 6, 1, 4, 7}, {1, 4, 7, 2, 5, 8}},  // east
    {{6, 7, 8}, {6, 7, 8, 3, 4, 5}, {3, 4, 5, 0, 1, 2}},  // north
    {{0, 1, 2}, {0, 1, 2, 3, 4, 5}, {3, 4, 5, 6, 7, 8}},  // south
};

template <typename T>
void Schiebe(T *feld, const Verschiebung &v)
{
    for (int i = 0; i < 6; ++i) {
        feld[v.nach[i]] = feld[v.von[i]];
        feld[v.von[i]] = nullptr;
    }
}

LONG Teil(LONG t) { return CheckWrap(t, TEILE); }

void SetzeZeiger(VekMapInfo *v)
{
    v->MapPtr = v->GreatMapPtr ? v->GreatMapPtr + v->IndeY * FENSTER_BREITE + v->IndeX : nullptr;
    v->BMapPtr = v->GreatBMapPtr;
}

// Writes every tile back and loads the nine round the view's corner again.
int NeuLaden(VekMapInfo *v)
{
    const bool bmap = v->Status & MAPSTATUS_BMAP;
    if (bmap) {
        for (int i = 0; i < FENSTER_TEILE; ++i) SchreibeBMapTeil(v, i);
    }
    for (int i = 0; i < FENSTER_TEILE; ++i) SchreibeKartenTeil(v, i);
    v->X_WorldMap = (WORD)(v->X_Hex / TEIL_BREITE);
    v->Y_WorldMap = (WORD)(v->Y_Hex / TEIL_HOEHE);
    v->IndeX = (WORD)(v->X_Hex % TEIL_BREITE + TEIL_BREITE);
    v->IndeY = (WORD)(v->Y_Hex % TEIL_HOEHE + TEIL_HOEHE);
    if (v->GreatCMapPtr) std::memset(v->GreatCMapPtr, 0, FENSTER_BMAP_BYTES);
    const int karten = LadeKarte_Load(v);
    CopyMap(v);
    if (!karten) {
        std::printf("SetPos : Konnte Karten nicht neu laden...\n");
        return 0;
    }
    if (bmap) {
        const int bmaps = LadeBMap_Load(v);
        CopyBMap(v);
        if (!bmaps) {
            std::printf("SetPos : Konnte nicht alle BMaps laden !\n");
            return 0;
        }
    }
    return 1;
}

// One-tile exchange in direction r (0 west, 1 east, 2 north, 3 south). A
// knowledge shift that failed leaves the window inconsistent: reload it whole.
int Tausche(VekMapInfo *v, int r)
{
    const bool bmap = v->Status & MAPSTATUS_BMAP;
    // The window is the working copy: bring every tile buffer up to date first.
    for (int i = 0; i < FENSTER_TEILE; ++i) {
        CopyMapBack(v, i);
        if (bmap) CopyBMapBack(v, i);
    }
    static const int kDx[4] = {-1, 1, 0, 0}, kDy[4] = {0, 0, -1, 1};
    v->X_WorldMap = (WORD)Teil(v->X_WorldMap + kDx[r]);
    v->Y_WorldMap = (WORD)Teil(v->Y_WorldMap + kDy[r]);
    const int karten = SetMap(v, r);
    if (!SetBMap(v, r)) {
        std::printf("SetPos : Bekanntheitskarten nicht verschoben, lade alles neu...\n");
        return NeuLaden(v) && karten;
    }
    int ok = karten;
    const LONG X = v->X_WorldMap, Y = v->Y_WorldMap;
    for (int k = 0; k < 3; ++k) {
        // The new column or row of three: its slot and tile.
        const int slot = r == 0 ? 3 * k : r == 1 ? 3 * k + 2 : r == 2 ? k : 6 + k;
        const LONG tx = r <= 1 ? X + kDx[r] : X + k - 1, ty = r <= 1 ? Y + k - 1 : Y + kDy[r];
        if (!LadeKartenTeil(v, slot, Teil(tx), Teil(ty))) ok = 0;
        if (bmap && !LadeBMapTeil(v, slot, Teil(tx), Teil(ty))) ok = 0;
    }
    static const LONG kIndex[4] = {TEIL_BREITE, -TEIL_BREITE, TEIL_HOEHE, -TEIL_HOEHE};
    if (r <= 1)
        v->IndeX = (WORD)(v->IndeX + kIndex[r]);
    else
        v->IndeY = (WORD)(v->IndeY + kIndex[r]);
    CopyMap(v);
    if (bmap) CopyBMap(v);
    if (v->GreatCMapPtr) ReArangeCMap(v, r + 1);
    return ok;
}

// Shifts one kind of tiles; the leaving ones are written back when their file is open.
template <typename T>
int Verschiebe(VekMapInfo *v, int richtung, T **puffer, BPTR *dateien, int (*schreibe)(VekMapInfo *, int),
               const char *name)
{
    if (richtung < 0 || richtung > 3) return 0;
    const Verschiebung &s = kVerschiebung[richtung];
    int ok = 1;
    for (int slot : s.zurueck) {
        if (!schreibe(v, slot)) {
            std::printf("%s-Error 0002\n", name);
            ok = 0;
        }
    }
    Schiebe(puffer, s);
    Schiebe(dateien, s);
    return ok;
}

void FreePeople(VekMapInfo *v)
{
    FreeVec(v->PeopleMemPtr);
    FreeVec(v->LocalPeopleMemPtr);
    v->PeopleMemPtr = v->LocalPeopleMemPtr = nullptr;
    v->PeopleMemSize = 0;
}

}  // namespace

int SetMap(VekMapInfo *View, int Richtung)
{
    if (!View) return 0;
    return Verschiebe(View, Richtung, View->MapPtrArray, View->KartenFHArray, SchreibeKartenTeil, "SetMap");
}

int SetBMap(VekMapInfo *View, int Richtung)
{
    if (!View) return 0;
    if (!(View->Status & MAPSTATUS_BMAP)) return 1;
    return Verschiebe(View, Richtung, View->BMapPtrArray, View->BMapFHArray, SchreibeBMapTeil, "SetBMap");
}

void ReArangeCMap(VekMapInfo *View, int Modus)
{
    if (!View || !View->GreatCMapPtr || Modus < 1 || Modus > 4) return;
    UBYTE *neu = (UBYTE *)AllocVec(FENSTER_BMAP_BYTES, MEMF_CLEAR);
    if (!neu) {
        std::printf("ReArangeCMap : Konnte Speicher f\374r die Karte nicht allokieren !\n");
        return;
    }
    const UBYTE *alt = View->GreatCMapPtr;
    const LONG drittel = FENSTER_BMAP_BYTES / 3;
    switch (Modus) {
    case 1:
        for (LONG z = 0; z < FENSTER_HOEHE; ++z)
            std::memcpy(neu + z * FENSTER_BMAP_ZEILE + 10, alt + z * FENSTER_BMAP_ZEILE, 20);
        break;
    case 2:
        for (LONG z = 0; z < FENSTER_HOEHE; ++z)
            std::memcpy(neu + z * FENSTER_BMAP_ZEILE, alt + z * FENSTER_BMAP_ZEILE + 10, 20);
        break;
    case 3: std::memcpy(neu + drittel, alt, 2 * drittel); break;
    default: std::memcpy(neu, alt + drittel, 2 * drittel); break;
    }
    FreeVec(View->GreatCMapPtr);
    View->GreatCMapPtr = neu;
}

void BlitLayer2Screen(VekMapInfo *View, BOOL Flip)
{
    if (!View || !View->LayerBitmapPtr) return;
    const bool direkt = VekDisplay.VekScreen_Tiefe <= 8 || VekDisplay.VekScreen != kKartenScreen;
    RastPort *ziel = direkt ? nullptr : KavorGetDBRastPort(0);
    BltBitMapRastPort(View->LayerBitmapPtr, 16, 28, ziel, View->Ziel_X1, View->Ziel_Y1, View->Ziel_X2, View->Ziel_Y2,
                      0xC0);
    if (View->GUIRoutine) View->GUIRoutine(View);
    if (!direkt) KavorDBFlip(Flip);
}

int InitPosLoadPeopleMem(VekMapInfo *View)
{
    if (!View) return 0;
    MotionSperre sperre(View);
    st_MOVE *move = (st_MOVE *)LoadChunk2Mem(ID_MOVE, MAPPREFS_FILE);
    if (!move) {
        std::printf("InitPosLoadPeopleMem: Konnte MOVE-Chunk nicht in Speicher laden!\n");
        return 0;
    }
    const ULONG laenge = move->Head.Length, soll = (ULONG)move->AnzFiguren * sizeof(st_MOVE_EXT) + 2;
    std::printf("Gr\366\337e des Move-Chunks beim laden 1) %u zu 2) %u\n", (unsigned)soll, (unsigned)laenge);
    if (laenge < soll) std::printf("Fataler Fehler! Gr\366\337e des Move-Chunks unterschiedlich!\n");
    // Only the records the chunk holds count.
    const ULONG n = GetChunkEntryCount(move);
    const ULONG groesse = std::max<ULONG>(laenge, 2 + n * (ULONG)sizeof(st_MOVE_EXT));
    FreePeople(View);
    View->PeopleMemPtr = (UBYTE *)AllocVec(groesse, MEMF_CLEAR);
    View->LocalPeopleMemPtr = (UBYTE *)AllocVec(groesse, MEMF_CLEAR);
    if (!View->PeopleMemPtr || !View->LocalPeopleMemPtr) {
        std::printf("InitPosLoadPeopleMem: Konnte Speicher f\374r Move-Chunk nicht reservieren...\n");
        FreePeople(View);
        FreeVec(move);
        return 0;
    }
    View->PeopleMemSize = groesse;
    const UWORD anzahl = (UWORD)n;
    std::memcpy(View->PeopleMemPtr, &anzahl, 2);
    std::memcpy(View->PeopleMemPtr + 2, (const UBYTE *)move + sizeof(st_MOVE), n * sizeof(st_MOVE_EXT));
    MakeLocalPeopleMemPtr(View);
    FreeVec(move);
    return 1;
}

int InitPos(VekMapInfo *View, LONG x, LONG y, LONG Ziel_X, LONG Ziel_Y, LONG Breite, LONG Hoehe, UWORD Status)
{
    if (!View) return 0;
    // 0x02 also says that knowledge tiles are loaded: they must still be written back.
    View->Status = (UWORD)(Status | (View->GreatBMapPtr ? MAPSTATUS_BMAP : 0));
    if (Status & MAPSTATUS_FIGUREN) {
        if (!InitPosLoadPeopleMem(View)) {
            std::printf("InitPos : Konnte MOVE-Chunk nicht in Speicher laden!\n");
            return 0;
        }
        if (!View->MapFontPtr) View->MapFontPtr = OpenDiskFont(kKartenFont);
        if (!View->MapFontPtr) {
            std::printf("InitPos : Konnte Kavor-Font nicht \366ffnen !\n");
            return 0;
        }
    }
    if (x > WELT_BREITE - 2) x = 0;
    if (x < 0) x = WELT_BREITE - 2;
    if (y > WELT_HOEHE - 1) y = 0;
    if (y < 0) y = WELT_HOEHE - 1;
    View->X_Hex = x & ~1;  // the view's first column is always even
    View->Y_Hex = y;
    // At most 41 x 22 hexes, and the screen rectangle no larger than they cover.
    Breite = std::max<LONG>(Breite, 0);
    Hoehe = std::max<LONG>(Hoehe, 0);
    View->XTiles = (UWORD)std::min<LONG>((Breite + 16 + HEX_SCHRITT - 1) / HEX_SCHRITT, SICHT_MAX_X);
    View->YTiles = (UWORD)std::min<LONG>((Hoehe + 28 + HEX_HOEHE - 1) / HEX_HOEHE, SICHT_MAX_Y);
    View->Ziel_X1 = (UWORD)Ziel_X;
    View->Ziel_Y1 = (UWORD)Ziel_Y;
    View->Ziel_X2 = (UWORD)std::min<LONG>(Breite, View->XTiles * HEX_SCHRITT - 16);
    View->Ziel_Y2 = (UWORD)std::min<LONG>(Hoehe, View->YTiles * HEX_HOEHE - 28);

    // The window must lie round the view's tile; a window loaded elsewhere is reloaded.
    int ok = 1;
    if (View->GreatMapPtr && (View->X_WorldMap != View->X_Hex / TEIL_BREITE || View->Y_WorldMap != View->Y_Hex / TEIL_HOEHE))
        ok = NeuLaden(View);
    View->IndeX = (WORD)(View->X_Hex % TEIL_BREITE + TEIL_BREITE);
    View->IndeY = (WORD)(View->Y_Hex % TEIL_HOEHE + TEIL_HOEHE);
    SetzeZeiger(View);
    if (View->Status & MAPSTATUS_FIGUREN) MakeLocalPeopleMemPtr(View);

    const ULONG tiefe = VekDisplay.VekScreen_Tiefe > 8 ? VekDisplay.VekScreen_Tiefe : 8;
    if (View->LayerRastPortPtr) FreeVec(View->LayerRastPortPtr);
    View->LayerRastPortPtr = nullptr;
    FreeBitMap(View->LayerBitmapPtr);
    View->LayerBitmapPtr =
        AllocBitMap((ULONG)View->XTiles * HEX_SCHRITT + 16, (ULONG)View->YTiles * HEX_HOEHE + 28, tiefe, 1, nullptr);
    if (!View->LayerBitmapPtr) {
        std::printf("InitPos : Konnte Speicher f\374r Layer 1 nicht allokieren !\n");
        return 0;
    }
    View->LayerRastPortPtr = (RastPort *)AllocVec(sizeof(RastPort), MEMF_CLEAR);
    if (!View->LayerRastPortPtr) {
        std::printf("InitPos : Konnte Speicher f\374r RastPort nicht reservieren...\n");
        return 0;
    }
    InitRastPort(View->LayerRastPortPtr);
    View->LayerRastPortPtr->BitMap = View->LayerBitmapPtr;
    SetFont(View->LayerRastPortPtr, View->MapFontPtr);
    if (!View->MaskePtr && OpenKavorGfx("./Data/Path", kHexRahmen) == 1) View->MaskePtr = BitMapPtrArray[kHexRahmen - 1];
    View->QuickUpdate = QU_ALLES;
    BlitMap(View);
    BlitLayer2Screen(View, 0);
    return ok;
}

int SetPos(VekMapInfo *View, LONG dx, LONG dy)
{
    if (!View) return 0;
    MotionSperre sperre(View);  // tiles and figures are exchanged below
    if (dx == 0 && dy == -1) View->QuickUpdate = QU_HOCH;
    if (dx == 1 && dy == 0) View->QuickUpdate = QU_RECHTS;
    if (dx == 0 && dy == 1) View->QuickUpdate = QU_RUNTER;
    if (dx == -1 && dy == 0) View->QuickUpdate = QU_LINKS;
    View->Y_Hex = CheckWrap(View->Y_Hex + dy, WELT_HOEHE);
    View->X_Hex = CheckWrap(View->X_Hex + 2 * dx, WELT_BREITE);
    LONG ix = CheckWrap(View->IndeX + 2 * dx, WELT_BREITE), iy = CheckWrap(View->IndeY + dy, WELT_HOEHE);
    int ok = 1;
    if (ix > FENSTER_BREITE - 1 || iy > FENSTER_HOEHE - 1) {
        // A jump, or a wrap that made an index negative: the window is built anew.
        ok = NeuLaden(View);
        View->QuickUpdate = QU_ALLES;
    } else {
        View->IndeX = (WORD)ix;
        View->IndeY = (WORD)iy;
        if (View->IndeX < TEIL_BREITE) {
            ok &= Tausche(View, 0);
        } else if (View->IndeX >= 2 * TEIL_BREITE) {
            ok &= Tausche(View, 1);
        }
        if (View->IndeY < TEIL_HOEHE) {
            ok &= Tausche(View, 2);
        } else if (View->IndeY >= 2 * TEIL_HOEHE) {
            ok &= Tausche(View, 3);
        }
    }
    // Figures change in the saved block (orders, steps, cargo); the copy
    // drawn from is rebuilt on every redraw, not only at a tile exchange.
    MakeLocalPeopleMemPtr(View);
    SetzeZeiger(View);
    BlitMap(View);
    BlitLayer2Screen(View, 1);
    View->UpdateMap = 1;
    return ok;
}

int ShowNewHex(VekMapInfo *View, LONG x, LONG y, LONG gx, LONG gy)
{
    if (!View || !View->LayerRastPortPtr) return 1;
    const MapEntry *e = FensterHex(View, gx, gy);
    if (!e || e->Art == 0 || e->Art >= KARTEN_ELEMENTE) return 1;
    RastPort *rp = View->LayerRastPortPtr;
    const LONG px = x * HEX_SCHRITT, py = y * HEX_HOEHE + (x & 1 ? 28 : 0);
    const UWORD g = KartenElemente[e->Art][std::min<UWORD>(View->Jahreszeit, 3)];
    if (!BitMapPtrArray[g - 1] && OpenKavorGfx("./Data/Path", g) != 1) {
        std::printf("SetPeopleAnim : Konnte Hex nicht laden (Step3)...\n");
        return 1;
    }
    BltMaskBitMapRastPort(BitMapPtrArray[g - 1], 0, 0, rp, px, py, HEX_BREITE, HEX_HOEHE, 0xE0, 0);
    const LONG sx = gx - View->IndeX, sy = gy - View->IndeY;
    if (View->Status & MAPSTATUS_GRENZEN) BlitFrontier(View, sx, sy, rp, px, py);
    if (View->Status & MAPSTATUS_FIGUREN) BlitFigur(View, sx, sy, rp, px, py);
    // Where the view shows the hex (the layer's copy to the screen starts at
    // layer pixel (16, 28)), and only what lies within the view's rectangle.
    LONG qx = px, qy = py, w = HEX_BREITE, h = HEX_HOEHE;
    LONG zx = px - 16 + View->Ziel_X1, zy = py - 28 + View->Ziel_Y1;
    if (zx < View->Ziel_X1) qx += View->Ziel_X1 - zx, w -= View->Ziel_X1 - zx, zx = View->Ziel_X1;
    if (zy < View->Ziel_Y1) qy += View->Ziel_Y1 - zy, h -= View->Ziel_Y1 - zy, zy = View->Ziel_Y1;
    w = std::min<LONG>(w, View->Ziel_X1 + View->Ziel_X2 - zx);
    h = std::min<LONG>(h, View->Ziel_Y1 + View->Ziel_Y2 - zy);
    if (w > 0 && h > 0) BltBitMapRastPort(View->LayerBitmapPtr, qx, qy, nullptr, zx, zy, w, h, 0xC0);
    return 1;
}

LONG GetHexData(const VekMapInfo *View, LONG gx, LONG gy)
{
    const MapEntry *e = FensterHex(View, gx, gy);
    return e ? (LONG)(e->Art & 0xFF) - 1 : -1;
}

int ExitPosWriteMapPrefs(VekMapInfo *View)
{
    if (!View) return 0;
    std::FILE *f = std::fopen(MAPPREFS_FILE, "r+b");
    if (!f) {
        std::printf("ExitPosWriteMapPrefs: MapPrefs nicht vorhanden...\n");
        return 0;
    }
    UBYTE kopf[kMoveAnfang + sizeof(st_ChunkHead)];
    const size_t gelesen = std::fread(kopf, 1, sizeof kopf, f);
    std::fclose(f);
    if (gelesen < kMoveAnfang + 4 || std::memcmp(kopf + kMoveAnfang, "MOVE", 4) != 0) return 1;
    if (gelesen < sizeof kopf) {
        std::printf("ExitPos: Move-Chunk ist korrupt...\n");
        return 0;
    }
    const ULONG dateiLaenge = (ULONG)kopf[36] << 24 | (ULONG)kopf[37] << 16 | (ULONG)kopf[38] << 8 | kopf[39];
    const ULONG n = FigurenImBlock(View->PeopleMemPtr, View->PeopleMemSize);
    const ULONG laenge = 2 + n * (ULONG)sizeof(st_MOVE_EXT);
    if (dateiLaenge != laenge)
        std::printf("ExitPosWriteMapPrefs: Fataler Fehler! Gr\366\337e des Move-Chunks unterschiedlich beim speichern 1: "
                    "%u zu 2: %u\n",
                    (unsigned)laenge, (unsigned)dateiLaenge);
    // The chunk as the list holds it, in host order, then converted to file order.
    std::vector<UBYTE> chunk(sizeof(st_ChunkHead) + laenge + 1, 0);
    st_MOVE *move = (st_MOVE *)chunk.data();
    // Records are converted by the one MOVE layout; the head keeps the file's version.
    move->Head.Version = VERSION_V001;
    move->Head.ChunkID = ID_MOVE;
    move->Head.Length = laenge;
    move->AnzFiguren = (UWORD)n;
    if (n) std::memcpy(chunk.data() + sizeof(st_MOVE), View->PeopleMemPtr + 2, n * sizeof(st_MOVE_EXT));
    SwapByteOrderInChunk(move, 1);
    std::memcpy(chunk.data() + 4, kopf + kMoveAnfang + 4, 4);
    std::vector<UBYTE> datei(kopf, kopf + kMoveAnfang);
    datei.insert(datei.end(), chunk.begin(), chunk.begin() + sizeof(st_ChunkHead) + laenge);
    if (WriteFileAtomic(MAPPREFS_FILE, datei.data(), (ULONG)datei.size(), -1) != (int)datei.size()) {
        std::printf("ExitPosWriteMapPrefs: Konnte MapPrefs nicht schreiben !\n");
        return 0;
    }
    return 1;
}

int ExitPos(VekMapInfo *View)
{
    if (!View) {
        std::printf("ExitPos:  VekMapInfoPtr nicht valid !\n");
        return 0;
    }
    int ergebnis = 1;
    if (View->PeopleMemPtr) {
        std::printf("ExitPos: schreibe MOVE-Chunk...\n");
        ergebnis = ExitPosWriteMapPrefs(View);
        FreeVec(View->PeopleMemPtr);
        View->PeopleMemPtr = nullptr;
        CloseFont(View->MapFontPtr);
        View->MapFontPtr = nullptr;
    }
    FreeVec(View->LocalPeopleMemPtr);
    View->LocalPeopleMemPtr = nullptr;
    View->PeopleMemSize = 0;
    std::printf("ExitPos: gebe RastPort frei...\n");
    FreeVec(View->LayerRastPortPtr);
    View->LayerRastPortPtr = nullptr;
    std::printf("ExitPos: gebe Bitmap frei...\n");
    FreeBitMap(View->LayerBitmapPtr);
    View->LayerBitmapPtr = nullptr;
    if (BitMapPtrArray[kHexRahmen - 1]) CloseKavorGfx(kHexRahmen);
    if (BitMapPtrArray[kHexMaske - 1]) CloseKavorGfx(kHexMaske);
    View->MaskePtr = nullptr;
    std::printf("ExitPos: habe Masken geschlossen...\n");
    return ergebnis;
}
