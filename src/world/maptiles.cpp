// Tile files, knowledge files and the 3 x 3 window of the map record. Tile
// files stay open while their tile is in the window; the window is the
// working copy and goes back into the files when a tile leaves or the record
// ends.
#include <bit>
#include <cstdio>
#include <cstring>

#include "world/mapinfo.h"
#include "platform/memfile.h"
#include "platform/files.h"
#include "store/fieldorder.h"

namespace {

// The tile files keep their records little-endian on every host (as the map
// chunk brings them); the window holds them in host order.
constexpr fieldorder::Field kMapEntryFelder[] = {
    F_32(MapEntry, X), F_32(MapEntry, Y), F_16(MapEntry, Art), F_BYTES(MapEntry, THQ), F_BYTES(MapEntry, PHQ),
    F_BYTES(MapEntry, MHQ), F_BYTES(MapEntry, Einwohner), F_32(MapEntry, BesitzerID), F_32(MapEntry, Spezial)};
constexpr fieldorder::Record kMapEntry = RECORD(kMapEntryFelder, MapEntry, 0);
static_assert(fieldorder::Covers(kMapEntry));

void KartenTeilWenden(UBYTE *teil) { WendeMapEntries(teil, TEIL_BREITE * TEIL_HOEHE); }

// What differs between map tiles and knowledge tiles.
struct TeilArt {
    const char *praefix;       // "M_" or "B_"
    ULONG bytes;               // size of a tile file
    const char *routine;       // name in messages
    const char *ladeText;      // "Lade Karte %s\n"
    const char *falschText;    // tile outside the world
    void (*wenden)(UBYTE *);   // between file and host order; null: bytes only
};

const TeilArt kKarte = {"M_", TEIL_BYTES, "LadeKartenTeil", "Lade Karte %s\n",
                        "LadeKartenTeil: falsche Karte angesprungen! Bitte beim Spielleiter melden : <%s>...\n",
                        KartenTeilWenden};
const TeilArt kBMap = {
    "B_", BMAP_TEIL_BYTES, "LadeBMapTeil", "Lade BMap %s\n",
    "LadeBMapTeil: falsche Bekanntheitskarte angesprungen! Bitte beim Spielleiter melden : <%s>...\n", nullptr};

bool ImWelt(LONG teil) { return teil >= 0 && teil < TEILE; }

// Tile number of one window column or row: -1 and 160 wrap while the centre
// lies in the world; a centre outside it leaves every tile outside too.
LONG NachbarTeil(LONG mitte, int versatz)
{
    LONG t = mitte + versatz;
    return ImWelt(mitte) ? CheckWrap(t, TEILE) : t;
}

// Loads one tile file into a new zero-filled buffer; *file keeps it open.
int LadeTeil(const TeilArt &art, const char *pfad, LONG tx, LONG ty, UBYTE **buffer, BPTR *file)
{
    char name[MAP_PFAD_LAENGE + 32];
    std::snprintf(name, sizeof name, "%s/%s%d_%d.map", pfad, art.praefix, (int)tx, (int)ty);
    std::printf(art.ladeText, name);

    if (!ImWelt(tx) || !ImWelt(ty)) {
        // Empty ground without a file: never stored.
        std::printf(art.falschText, name);
        *buffer = (UBYTE *)AllocVec(art.bytes, MEMF_CLEAR);
        if (!*buffer) {
            std::printf("%s : Konnte Speicher f\374r Karte nicht allokieren !\n", art.routine);
            return 0;
        }
        return 1;
    }

    UBYTE *buf = (UBYTE *)AllocVec(art.bytes, MEMF_CLEAR);
    if (!buf) {
        std::printf("%s : Konnte Speicher f\374r Karte nicht allokieren !\n", art.routine);
        return 0;
    }
    if (IsFilePresent(name)) {
        BPTR f = Open(name, MODE_OLDFILE);
        if (!f) {
            std::printf("%s : Konnte Daten nicht einlesen !\n", art.routine);
            FreeVec(buf);
            return 0;
        }
        // A short file leaves the rest zero; only a read error fails.
        Read(f, buf, (LONG)art.bytes);
        if (std::ferror(f)) {
            std::printf("%s : Konnte Daten nicht einlesen !\n", art.routine);
            Close(f);
            FreeVec(buf);
            return 0;
        }
        if (art.wenden) art.wenden(buf);
        *buffer = buf;
        *file = f;
        return 1;
    }

    BPTR f = Open(name, MODE_NEWFILE);
    if (!f) {
        std::printf("%s : Konnte Karte nicht neu anlegen !\n", art.routine);
        FreeVec(buf);
        return 0;
    }
    if (Write(f, buf, (LONG)art.bytes) != (LONG)art.bytes || std::fflush(f) != 0) {
        std::printf("%s : Konnte neue Karte nicht beschreiben !\n", art.routine);
        Close(f);
        FreeVec(buf);
        return 0;
    }
    *buffer = buf;
    *file = f;
    return 1;
}

// Writes a buffer over its open file from the start and closes the file.
int SchreibeTeil(BPTR f, const void *buffer, ULONG bytes)
{
    int ok = Seek(f, 0, OFFSET_BEGINNING) >= 0 && Write(f, buffer, (LONG)bytes) == (LONG)bytes &&
             std::fflush(f) == 0;
    Close(f);
    return ok;
}

bool SlotGueltig(int nr) { return nr >= 0 && nr < FENSTER_TEILE; }

int LadeKartenTeile(VekMapInfo *MapInfo, LONG cx, LONG cy)
{
    for (int i = 0; i < FENSTER_TEILE; ++i) {
        if (!LadeKartenTeil(MapInfo, i, NachbarTeil(cx, i % 3 - 1), NachbarTeil(cy, i / 3 - 1))) return 0;
    }
    return 1;
}

int LadeBMapTeile(VekMapInfo *MapInfo, LONG cx, LONG cy)
{
    for (int i = 0; i < FENSTER_TEILE; ++i) {
        if (!LadeBMapTeil(MapInfo, i, NachbarTeil(cx, i % 3 - 1), NachbarTeil(cy, i / 3 - 1))) return 0;
    }
    return 1;
}

// The centre tile as the record keeps it; outside the world it stays outside.
WORD MitteSpeichern(LONG t) { return ImWelt(t) ? (WORD)t : (t < 0 ? (WORD)-1 : (WORD)TEILE); }

bool PfadSetzen(char *ziel, const char *pfad)
{
    if (!pfad || std::strlen(pfad) >= (size_t)MAP_PFAD_LAENGE) return false;
    std::strcpy(ziel, pfad);
    return true;
}

}  // namespace

void WendeMapEntries(void *Eintraege, ULONG Anzahl)
{
    if (std::endian::native == std::endian::little || !Eintraege) return;
    const size_t ende = (size_t)Anzahl * sizeof(MapEntry);
    for (size_t at = 0; at < ende; at += sizeof(MapEntry)) fieldorder::SwapFields((UBYTE *)Eintraege, at, kMapEntry, ende);
}

int LadeKartenTeil(VekMapInfo *MapInfo, int MapNr, LONG TeilX, LONG TeilY)
{
    if (!MapInfo || !SlotGueltig(MapNr)) return 0;
    if (MapInfo->MapPtrArray[MapNr] || MapInfo->KartenFHArray[MapNr]) {
        std::printf("LadeKartenTeil : Platz %d ist noch belegt !\n", MapNr);
        return 0;
    }
    UBYTE *buf = nullptr;
    BPTR f = nullptr;
    if (!LadeTeil(kKarte, MapInfo->MapPath, TeilX, TeilY, &buf, &f)) return 0;
    MapInfo->MapPtrArray[MapNr] = (MapEntry *)buf;
    MapInfo->KartenFHArray[MapNr] = f;
    return 1;
}

int LadeBMapTeil(VekMapInfo *MapInfo, int MapNr, LONG TeilX, LONG TeilY)
{
    if (!MapInfo || !SlotGueltig(MapNr)) return 0;
    if (MapInfo->BMapPtrArray[MapNr] || MapInfo->BMapFHArray[MapNr]) {
        std::printf("LadeBMapTeil : Platz %d ist noch belegt !\n", MapNr);
        return 0;
    }
    UBYTE *buf = nullptr;
    BPTR f = nullptr;
    if (!LadeTeil(kBMap, MapInfo->BMapPath, TeilX, TeilY, &buf, &f)) return 0;
    MapInfo->BMapPtrArray[MapNr] = buf;
    MapInfo->BMapFHArray[MapNr] = f;
    return 1;
}

int LadeKarte_Load(VekMapInfo *MapInfo)
{
    if (!MapInfo) return 0;
    return LadeKartenTeile(MapInfo, MapInfo->X_WorldMap, MapInfo->Y_WorldMap);
}

int LadeBMap_Load(VekMapInfo *MapInfo)
{
    if (!MapInfo) return 0;
    return LadeBMapTeile(MapInfo, MapInfo->X_WorldMap, MapInfo->Y_WorldMap);
}

void CopyMap(VekMapInfo *MapInfo)
{
    if (!MapInfo || !MapInfo->GreatMapPtr) return;
    for (int i = 0; i < FENSTER_TEILE; ++i) {
        const MapEntry *teil = MapInfo->MapPtrArray[i];
        for (LONG r = 0; r < TEIL_HOEHE; ++r) {
            MapEntry *ziel = MapInfo->GreatMapPtr + (TEIL_HOEHE * (i / 3) + r) * FENSTER_BREITE + TEIL_BREITE * (i % 3);
            if (teil)
                std::memcpy(ziel, teil + r * TEIL_BREITE, sizeof(MapEntry) * TEIL_BREITE);
            else
                std::memset(ziel, 0, sizeof(MapEntry) * TEIL_BREITE);
        }
    }
}

void CopyMapBack(VekMapInfo *MapInfo, int MapNr)
{
    if (!MapInfo || !MapInfo->GreatMapPtr || !SlotGueltig(MapNr) || !MapInfo->MapPtrArray[MapNr]) return;
    MapEntry *teil = MapInfo->MapPtrArray[MapNr];
    for (LONG r = 0; r < TEIL_HOEHE; ++r) {
        const MapEntry *quelle =
            MapInfo->GreatMapPtr + (TEIL_HOEHE * (MapNr / 3) + r) * FENSTER_BREITE + TEIL_BREITE * (MapNr % 3);
        std::memcpy(teil + r * TEIL_BREITE, quelle, sizeof(MapEntry) * TEIL_BREITE);
    }
}

void CopyBMap(VekMapInfo *MapInfo)
{
    if (!MapInfo || !MapInfo->GreatBMapPtr) return;
    for (int i = 0; i < FENSTER_TEILE; ++i) {
        const UBYTE *teil = MapInfo->BMapPtrArray[i];
        for (LONG r = 0; r < TEIL_HOEHE; ++r) {
            UBYTE *ziel = MapInfo->GreatBMapPtr + (TEIL_HOEHE * (i / 3) + r) * FENSTER_BMAP_ZEILE + BMAP_TEIL_ZEILE * (i % 3);
            if (teil)
                std::memcpy(ziel, teil + r * BMAP_TEIL_ZEILE, BMAP_TEIL_ZEILE);
            else
                std::memset(ziel, 0, BMAP_TEIL_ZEILE);
        }
    }
}

void CopyBMapBack(VekMapInfo *MapInfo, int MapNr)
{
    if (!MapInfo || !MapInfo->GreatBMapPtr || !SlotGueltig(MapNr) || !MapInfo->BMapPtrArray[MapNr]) return;
    UBYTE *teil = MapInfo->BMapPtrArray[MapNr];
    for (LONG r = 0; r < TEIL_HOEHE; ++r) {
        const UBYTE *quelle =
            MapInfo->GreatBMapPtr + (TEIL_HOEHE * (MapNr / 3) + r) * FENSTER_BMAP_ZEILE + BMAP_TEIL_ZEILE * (MapNr % 3);
        std::memcpy(teil + r * BMAP_TEIL_ZEILE, quelle, BMAP_TEIL_ZEILE);
    }
}

int SchreibeKartenTeil(VekMapInfo *MapInfo, int MapNr)
{
    if (!MapInfo || !SlotGueltig(MapNr)) return 0;
    int ok = 1;
    if (BPTR f = MapInfo->KartenFHArray[MapNr]) {
        if (MapInfo->MapPtrArray[MapNr]) {
            CopyMapBack(MapInfo, MapNr);
            kKarte.wenden((UBYTE *)MapInfo->MapPtrArray[MapNr]);  // freed below
            ok = SchreibeTeil(f, MapInfo->MapPtrArray[MapNr], TEIL_BYTES);
        } else {
            Close(f);
        }
        if (!ok) std::printf("SchreibeKartenTeil : Konnte Karte %d nicht zur\374ckschreiben !\n", MapNr);
        MapInfo->KartenFHArray[MapNr] = nullptr;
    }
    FreeVec(MapInfo->MapPtrArray[MapNr]);
    MapInfo->MapPtrArray[MapNr] = nullptr;
    return ok;
}

int SchreibeBMapTeil(VekMapInfo *MapInfo, int MapNr)
{
    if (!MapInfo || !SlotGueltig(MapNr)) return 0;
    int ok = 1;
    if (BPTR f = MapInfo->BMapFHArray[MapNr]) {
        if (MapInfo->BMapPtrArray[MapNr]) {
            CopyBMapBack(MapInfo, MapNr);
            ok = SchreibeTeil(f, MapInfo->BMapPtrArray[MapNr], BMAP_TEIL_BYTES);
        } else {
            Close(f);
        }
        if (!ok) std::printf("SchreibeBMapTeil : Konnte BMap %d nicht zur\374ckschreiben !\n", MapNr);
        MapInfo->BMapFHArray[MapNr] = nullptr;
    }
    FreeVec(MapInfo->BMapPtrArray[MapNr]);
    MapInfo->BMapPtrArray[MapNr] = nullptr;
    return ok;
}

int LadeBMap(VekMapInfo *MapInfo, LONG X_Map, LONG Y_Map, const char *Path)
{
    if (!MapInfo) return 0;
    if (!PfadSetzen(MapInfo->BMapPath, Path)) {
        std::printf("LadeBMap : Ung\374ltiges Verzeichnis !\n");
        return 0;
    }
    MapInfo->Status |= MAPSTATUS_BMAP;
    if (!LadeBMapTeile(MapInfo, X_Map, Y_Map)) return 0;
    if (!MapInfo->GreatBMapPtr) {
        MapInfo->GreatBMapPtr = (UBYTE *)AllocVec(FENSTER_BMAP_BYTES, MEMF_CLEAR);
        if (!MapInfo->GreatBMapPtr) {
            std::printf("LadeBMap : Konnte Speicher f\374r BMap nicht allokieren !\n");
            return 0;
        }
    }
    std::printf("Kopiere BMAP\n");
    CopyBMap(MapInfo);
    MapInfo->BMapPtr = MapInfo->GreatBMapPtr;
    return 1;
}

VekMapInfo *LadeKarte(UWORD MapStatus, LONG X_Map, LONG Y_Map, const char *Path)
{
    VekMapInfo *info = (VekMapInfo *)AllocVec(sizeof(VekMapInfo), MEMF_CLEAR);
    if (!info) {
        std::printf("Lade Karte : Konnte Speicher f\374r Struktur nicht allokieren\n");
        return nullptr;
    }
    if (!PfadSetzen(info->MapPath, Path) || !PfadSetzen(info->BMapPath, Path)) {
        std::printf("LadeKarte : Ung\374ltiges Verzeichnis !\n");
        FreeVec(info);
        return nullptr;
    }
    info->X_WorldMap = MitteSpeichern(X_Map);
    info->Y_WorldMap = MitteSpeichern(Y_Map);
    if (!LadeKartenTeile(info, X_Map, Y_Map)) {
        std::printf("LadeKarte : Konnte nicht alle Karten laden !\n");
        ExitKarte(info);
        return nullptr;
    }
    info->GreatMapPtr = (MapEntry *)AllocVec(sizeof(MapEntry) * FENSTER_BREITE * FENSTER_HOEHE, MEMF_CLEAR);
    if (!info->GreatMapPtr) {
        std::printf("LadeKarte : Konnte Speicher f\374r Karte nicht allokieren !\n");
        ExitKarte(info);
        return nullptr;
    }
    CopyMap(info);
    info->MapPtr = info->GreatMapPtr;
    if (MapStatus & MAPSTATUS_BMAP) {
        if (!LadeBMap(info, X_Map, Y_Map, Path)) std::printf("LadeKarte : Konnte nicht alle BMaps laden !\n");
    }
    return info;
}

void ClearBMap(VekMapInfo *MapInfo)
{
    if (!MapInfo || !(MapInfo->Status & MAPSTATUS_BMAP)) return;
    for (int i = 0; i < FENSTER_TEILE; ++i) SchreibeBMapTeil(MapInfo, i);
    FreeVec(MapInfo->GreatBMapPtr);
    MapInfo->GreatBMapPtr = nullptr;
    MapInfo->BMapPtr = nullptr;
    MapInfo->Status &= (UWORD)~MAPSTATUS_BMAP;
}

LONG ExitKarte(VekMapInfo *MapInfo)
{
    if (!MapInfo) return 0;
    for (int i = 0; i < FENSTER_TEILE; ++i) SchreibeKartenTeil(MapInfo, i);
    FreeVec(MapInfo->GreatMapPtr);
    MapInfo->GreatMapPtr = nullptr;
    MapInfo->MapPtr = nullptr;
    ClearBMap(MapInfo);
    FreeMoveAllocs(MapInfo);
    FreeVec(MapInfo->PeopleMemPtr);
    FreeVec(MapInfo->LocalPeopleMemPtr);
    std::printf("ExitKarte: gebe den Rest frei...\n");
    FreeVec(MapInfo);
    return 0;
}

MapEntry *FensterHex(const VekMapInfo *MapInfo, LONG X, LONG Y)
{
    if (!MapInfo || !MapInfo->GreatMapPtr) return nullptr;
    if (X < 0 || X >= FENSTER_BREITE || Y < 0 || Y >= FENSTER_HOEHE) return nullptr;
    return MapInfo->GreatMapPtr + Y * FENSTER_BREITE + X;
}

int GetBMapBit(const VekMapInfo *MapInfo, LONG X, LONG Y)
{
    if (!MapInfo || !MapInfo->GreatBMapPtr) return 0;
    LONG wx = X + MapInfo->IndeX, wy = Y + MapInfo->IndeY;
    if (wx < 0 || wx >= FENSTER_BREITE || wy < 0 || wy >= FENSTER_HOEHE) return 0;
    return (MapInfo->GreatBMapPtr[wy * FENSTER_BMAP_ZEILE + wx / 8] >> (wx % 8)) & 1;
}

void SetBMapBit(VekMapInfo *MapInfo, LONG X, LONG Y)
{
    if (!MapInfo || !MapInfo->GreatBMapPtr) return;
    LONG wx = X + MapInfo->IndeX, wy = Y + MapInfo->IndeY;
    if (wx < 0 || wx >= FENSTER_BREITE || wy < 0 || wy >= FENSTER_HOEHE) return;
    MapInfo->GreatBMapPtr[wy * FENSTER_BMAP_ZEILE + wx / 8] |= (UBYTE)(1u << (wx % 8));
}

ULONG FigurenImBlock(const UBYTE *Block, ULONG Groesse)
{
    if (!Block || Groesse < 2) return 0;
    UWORD n;
    std::memcpy(&n, Block, 2);
    ULONG passen = (Groesse - 2) / sizeof(st_MOVE_EXT);
    return n < passen ? n : passen;
}

namespace {

int FigurAufDenNeunTeilen(const VekMapInfo *MapInfo, const st_MOVE_EXT *f)
{
    if (!MapInfo || !f || !ImWelt(MapInfo->X_WorldMap) || !ImWelt(MapInfo->Y_WorldMap)) return 0;
    if (f->X_Pos >= (ULONG)WELT_BREITE || f->Y_Pos >= (ULONG)WELT_HOEHE) return 0;
    const LONG spalte = CheckWrap((LONG)(f->X_Pos / TEIL_BREITE) - MapInfo->X_WorldMap + 1, TEILE);
    const LONG zeile = CheckWrap((LONG)(f->Y_Pos / TEIL_HOEHE) - MapInfo->Y_WorldMap + 1, TEILE);
    return spalte <= 2 && zeile <= 2;
}

}  // namespace

void *(*FigurenSperreNehmen)(VekMapInfo *) = nullptr;
void (*FigurenSperreLassen)(void *) = nullptr;

void MakeLocalPeopleMemPtr(VekMapInfo *MapInfo)
{
    if (!MapInfo || !MapInfo->LocalPeopleMemPtr || MapInfo->PeopleMemSize < 2) return;
    FigurenSperre sperre(MapInfo);
    std::memset(MapInfo->LocalPeopleMemPtr, 0, MapInfo->PeopleMemSize);
    ULONG n = FigurenImBlock(MapInfo->PeopleMemPtr, MapInfo->PeopleMemSize);
    std::printf("Anzahl globale Figuren %u\n", (unsigned)n);
    UWORD lokal = 0;
    for (ULONG i = 0; i < n; ++i) {
        const st_MOVE_EXT *f = FigurImBlock(MapInfo->PeopleMemPtr, i);
        if (!FigurAufDenNeunTeilen(MapInfo, f)) continue;
        std::memcpy(FigurImBlock(MapInfo->LocalPeopleMemPtr, lokal), f, sizeof(st_MOVE_EXT));
        ++lokal;
    }
    std::memcpy(MapInfo->LocalPeopleMemPtr, &lokal, 2);
    std::printf("Anzahl lokale Figuren %u\n", (unsigned)lokal);
}
