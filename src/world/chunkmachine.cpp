// Applies the chunks of a received turn to the player's files: the pools
// themselves, the player record, the map and its figures, letters, the realm
// points, buildings and the player list. Market, contracts, armies and ships
// follow in their own files.
#include "world/chunkmachine.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "world/mapinfo.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/figures.h"
#include "store/letters.h"
#include "store/store.h"
#include "world/chunkmachine_local.h"
#include "world/warehouse.h"

namespace chunkmachine {

APTR LoadFromPool(ULONG Num, const char *Path, bool *Broken)
{
    APTR chunk = LoadChunk2Mem(ChunkIDOf(Num), Path);
    *Broken = !chunk && IsChunkPresent(ChunkBit(Num), Path);
    return chunk;
}

ListHeader *LoadFigurList()
{
    st_MOVE *move = (st_MOVE *)LoadChunk2Mem(ID_MOVE, MAPPREFS_FILE);
    if (!move) return nullptr;
    ListHeader *list = CreateList(LISTE_FIGUREN);
    if (list && !ScanFigur2List(list, move)) {
        DeleteList(list, 1);
        list = nullptr;
    }
    FreeVec(move);
    return list;
}

std::vector<ListNode *> Nodes(ListHeader *List)
{
    std::vector<ListNode *> v;
    ListNode *n = List ? List->FirstNode : nullptr;
    for (ULONG i = 0; List && i < List->Elemente; ++i, n = n->Next) v.push_back(n);
    return v;
}

void Remove(ListHeader *List, ListNode *Node)
{
    List->ActNode = Node;
    DeleteNode(List, LIST_ACT, 0, LIST_FREE_OWNED);
}

void MoveAfter(ListHeader *List, ListNode *Node, ListNode *After)
{
    // In a ring the last node's Next is the first node, which is not behind it.
    if (Node == After || (After->Next == Node && Node != List->FirstNode)) return;
    List->ActNode = Node;
    DeleteNode(List, LIST_ACT, 0, LIST_UNLINK_ONLY);
    Node->Prev = After;
    Node->Next = After->Next;
    After->Next->Prev = Node;
    After->Next = Node;
    ++List->Elemente;
}

}  // namespace chunkmachine

using namespace chunkmachine;

namespace {

constexpr const char kSpielerListe[] = "./Data/SpielerList.vek";
constexpr UWORD PREF_SPIELER_ID = 9, PREF_REICHSPUNKTE = 13, PREF_DUNGEON = 37, PREF_DUNGEON_X = 38,
                PREF_DUNGEON_Y = 39;
constexpr UWORD kWuerfelPrefs[5] = {25, 27, 32, 34, 35};
constexpr int kWuerfelBytes[5] = {0, 1, 2, 3, 5};

void PutBE32(std::vector<UBYTE> &b, ULONG v)
{
    for (int s = 24; s >= 0; s -= 8) b.push_back((UBYTE)(v >> s));
}
void PutBE16(std::vector<UBYTE> &b, UWORD v)
{
    b.push_back((UBYTE)(v >> 8));
    b.push_back((UBYTE)v);
}

bool IsMref(const UBYTE *b)
{
    return std::memcmp(b, "MREF", 4) == 0 && b[8] == 0 && b[9] == 0 && b[10] == 0 && b[11] == 16;
}

// ---- INIT: the outgoing pool starts afresh, with the sign-up while the
// server has not confirmed it ----
BOOL CaseInit(const char *Path)
{
    bool broken = false;
    st_INIT *init = (PlayerInfo.Misc & 1) ? nullptr : (st_INIT *)LoadFromPool(CN_INIT, Path, &broken);
    if (broken) {
        std::printf("ChunkMachine : Konnte INIT-Chunk nicht laden !\n");
        DeleteFile(Path);
        return 0;
    }
    if (!init) {
        DeleteFile(Path);
        return 1;
    }
    // The fresh pool is built beside the old one and replaces it at once, so
    // a failure keeps the sign-up in the old pool.
    std::string temp = std::string(Path) + ".XXXXXX";
    int fd = mkstemp(temp.data());
    BOOL ok = 0;
    if (fd >= 0) {
        close(fd);
        ok = AddChunkPool(init, temp.c_str()) && std::rename(temp.c_str(), Path) == 0;
        if (!ok) DeleteFile(temp.c_str());
    }
    FreeVec(init);
    if (!ok) std::printf("ChunkMachine : Konnte INIT-Chunk nicht in den neuen Pool legen !\n");
    return ok;
}

// ---- INFO: the player record and the server's dice ----
BOOL CaseInfo(const char *Path)
{
    bool broken = false;
    st_INFO *info = (st_INFO *)LoadFromPool(CN_INFO, Path, &broken);
    if (!info) return 1;
    BOOL ok = CheckPrefsWrite(PREF_SPIELER_ID, info->SpielerID);
    PlayerInfo.SpielerID = info->SpielerID;
    PlayerInfo.RestRunden = info->RestRunden;
    PlayerInfo.Misc = info->Misc;
    PlayerInfo.TurnTime = info->TurnTime;
    for (int i = 0; i < 5; ++i)
        ok &= CheckPrefsWrite(kWuerfelPrefs[i], (ULONG)(LONG)(BYTE)info->Wuerfelwert[kWuerfelBytes[i]]);
    FreeVec(info);
    if (!ok) std::printf("ChunkMachine : Konnte Einstellungen aus dem INFO-Chunk nicht speichern !\n");
    return ok ? 1 : 0;
}

// Writes the figure file as its MREF chunk and the host-order MOVE chunk.
BOOL WriteMapPrefs(const UBYTE *mref, st_MOVE *move)
{
    const ULONG n = move->AnzFiguren;
    move->Head.Length = n * (ULONG)sizeof(st_MOVE_EXT) + 2;
    const ULONG chunkBytes = (ULONG)sizeof(st_ChunkHead) + move->Head.Length;
    std::vector<UBYTE> file(sizeof(st_MREF) + chunkBytes);
    std::memcpy(file.data(), mref, sizeof(st_MREF));
    SwapByteOrderInChunk(move, 1);
    std::memcpy(file.data() + sizeof(st_MREF), move, chunkBytes);
    SwapByteOrderInChunk(move, 1);
    if (WriteFileAtomic(MAPPREFS_FILE, file.data(), (ULONG)file.size(), -1) != (int)file.size()) {
        std::printf("ChunkMachine : Konnte neue MapPrefs nicht abspeichern !\n");
        return 0;
    }
    return 1;
}

// ---- MOVE: every known figure into the figure file, the player's first ----
BOOL CaseMove(const char *Path)
{
    bool broken = false;
    st_MOVE *move = (st_MOVE *)LoadFromPool(CN_MOVE, Path, &broken);
    if (!move) {
        std::printf("ChunkMachine: Konnte MOVE-Chunk nicht in Speicher laden!\n");
        return 0;
    }
    UBYTE mref[sizeof(st_MREF)];
    BPTR f = Open(MAPPREFS_FILE, MODE_OLDFILE);
    const LONG got = f ? Read(f, mref, sizeof mref) : 0;
    if (f) Close(f);
    if (!f) {
        std::printf("ChunkMachine: Konnte MapPrefs nicht in den Speicher laden!\n");
        FreeVec(move);
        return 0;
    }
    if (got != (LONG)sizeof mref || !IsMref(mref)) {
        std::printf("ChunkMachine: MapPrefs beginnt nicht mit dem MREF-Chunk, nichts geschrieben !\n");
        FreeVec(move);
        return 0;
    }
    ListHeader *list = CreateList(LISTE_FIGUREN);
    if (!list) {
        std::printf("ChunkMachine: kein Speicher f\374r ListHeader vorhanden...\n");
        FreeVec(move);
        return 0;
    }
    if (!ScanFigur2List(list, move)) {
        std::printf("ChunkMachine: konnte Figuren nicht einscannen...\n");
        DeleteList(list, 1);
        FreeVec(move);
        return 0;
    }
    BOOL result = 1;
    list->TypDef[0].Priority = 2;  // SpielerID
    list->TypDef[5].Priority = 1;  // Kommando
    if (!SortList(list, LIST_ASCENDING)) std::printf("ChunkMachine: Konnte Figuren nicht sortieren !\n");
    for (ULONG i = 0; i < list->TypEntries; ++i) list->TypDef[i].Priority = 0;

    ULONG kundschafter = 0, siedler = 0;
    ListNode *first = nullptr, *n = list->FirstNode;
    for (ULONG i = 0; i < list->Elemente; ++i, n = n->Next) {
        const st_MOVE_EXT &fig = ((FigurListEntry *)n)->Figur;
        if (fig.SpielerID != PlayerInfo.SpielerID) continue;
        if (!first) first = n;
        if (fig.FigurArt == FID_KUNDSCHAFTER) ++kundschafter;
        if (fig.FigurArt == FID_SIEDLER) ++siedler;
    }
    if (first) list->FirstNode = first;

    if (st_LAND *land = (st_LAND *)LoadChunk2Mem(ID_LAND, POOL_IN)) {
        land->AnzahlKundschafter = (UWORD)std::min<ULONG>(kundschafter, 0xFFFF);
        land->AnzahlSiedler = (UWORD)std::min<ULONG>(siedler, 0xFFFF);
        if (!AddChunkPool(land, POOL_IN)) {
            std::printf("ChunkMachine : Konnte neuen LandChunk nicht abspeichern !\n");
            result = 0;
        }
        FreeVec(land);
    } else {
        std::printf("ChunkMachine: Konnte LandChunk nicht \366ffnen !");
        result = 0;
    }

    st_MOVE *sorted = MakeMoveChunkFromList(list);
    DeleteList(list, 1);
    if (!sorted) std::printf("ChunkMachine: Konnte sortierten MOVE-Chunk nicht anlegen !\n");
    if (!WriteMapPrefs(mref, sorted ? sorted : move)) result = 0;
    FreeVec(sorted);
    FreeVec(move);
    return result;
}

// ---- BMAP: the knowledge maps ----
BOOL CaseBmap(const char *Path)
{
    bool broken = false;
    st_BMAP *bmap = (st_BMAP *)LoadFromPool(CN_BMAP, Path, &broken);
    if (!bmap) {
        std::printf("ChunkMachine : Konnte Chunk nicht extrahieren !");
        return 0;
    }
    BOOL result = 1;
    const ULONG n = GetChunkEntryCount(bmap);
    if (n < bmap->AnzKarten) {
        std::printf("ChunkMachine : BMAP-Chunk nennt %u Karten, enth\344lt aber nur %u !\n", (unsigned)bmap->AnzKarten,
                    (unsigned)n);
        result = 0;
    }
    const st_BMAP_EXT *karte = (const st_BMAP_EXT *)((const UBYTE *)bmap + sizeof(st_BMAP));
    for (ULONG i = 0; i < n; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "./Map/B_%u_%u.map", (unsigned)karte[i].X, (unsigned)karte[i].Y);
        if (karte[i].X >= TEILE || karte[i].Y >= TEILE ||
            WriteFileAtomic(name, karte[i].Karte, BMAP_TEIL_BYTES, -1) != (int)BMAP_TEIL_BYTES) {
            std::printf("ChunkMachine : Konnte Bekanntheitsmap nicht anlegen !\n");
            result = 0;
        }
    }
    FreeVec(bmap);
    return result;
}

// ---- IMAP: a new figure file with three scouts at the capital ----
BOOL CaseImap(const char *Path)
{
    bool broken = false;
    st_IMAP *imap = (st_IMAP *)LoadFromPool(CN_IMAP, Path, &broken);
    if (!imap) {
        std::printf("ChunkMachine : Konnte Chunk nicht extrahieren !\n");
        return 0;
    }
    ULONG spieler = 0;
    if (!CheckPrefsRead(PREF_SPIELER_ID, &spieler)) {
        std::printf("ChunkMachine : Konnte die Spieler-ID nicht aus den Einstellungen lesen !\n");
        FreeVec(imap);
        return 0;
    }
    std::vector<UBYTE> b;
    PutBE32(b, ID_MREF);
    PutBE32(b, VERSION_V001);
    PutBE32(b, 16);
    PutBE32(b, imap->SizeX);
    PutBE32(b, imap->SizeY);
    PutBE32(b, imap->X_Capital);
    PutBE32(b, imap->Y_Capital);
    PutBE32(b, ID_MOVE);
    PutBE32(b, VERSION_V001);
    PutBE32(b, 2 + 3 * sizeof(st_MOVE_EXT));
    PutBE16(b, 3);
    for (UWORD nr = 1; nr <= 3; ++nr) {
        PutBE32(b, spieler);
        PutBE16(b, FID_KUNDSCHAFTER);
        PutBE16(b, nr);
        PutBE32(b, imap->X_Capital);
        PutBE32(b, imap->Y_Capital);
        b.push_back(0);  // Kommando
        b.push_back(8);  // Bewegungspunkte
    }
    FreeVec(imap);
    const int written = WriteFileAtomic(MAPPREFS_FILE, b.data(), (ULONG)b.size(), -1);
    if (written < 0) {
        std::printf("ChunkMachine : Konnte MapPrefs nicht anlegen !\n");
        return 0;
    }
    if (written != (int)b.size()) {
        std::printf("ChunkMachine : Konnte Daten nicht abspeichern !\n");
        return 0;
    }
    return 1;
}

// ---- PMAP: map records into their tile files. The records are taken tile
// by tile (in their order within a tile), so each tile is read and written
// once however the records are interleaved. ----
// A position field of a map record: little-endian on every host.
ULONG PmapLong(const UBYTE *record, size_t field)
{
    const UBYTE *p = record + field;
    return p[0] | (ULONG)p[1] << 8 | (ULONG)p[2] << 16 | (ULONG)p[3] << 24;
}

BOOL CasePmap(const char *Path)
{
    bool broken = false;
    st_PMAP *pmap = (st_PMAP *)LoadFromPool(CN_PMAP, Path, &broken);
    if (!pmap) {
        if (broken) std::printf("ChunkMachine : Konnte PMAP-Chunk nicht laden !\n");
        return broken ? 0 : 1;
    }
    if (pmap->Head.Length % PMAP_ENTRY_SIZE != 0) {
        std::printf("ChunkMachine : PMAP-Chunk der L\344nge %u ist kein Vielfaches von 22, nichts geschrieben !\n",
                    (unsigned)pmap->Head.Length);
        FreeVec(pmap);
        return 0;
    }
    const ULONG n = pmap->Head.Length / PMAP_ENTRY_SIZE;
    const UBYTE *rec = (const UBYTE *)pmap + sizeof(st_PMAP);
    ULONG dungeon = 0, dx = 0, dy = 0;
    const bool hatDungeon = CheckPrefsRead(PREF_DUNGEON, &dungeon) && dungeon != 0 &&
                            CheckPrefsRead(PREF_DUNGEON_X, &dx) && CheckPrefsRead(PREF_DUNGEON_Y, &dy);

    struct Eintrag {
        ULONG teil, index;
    };
    std::vector<Eintrag> liste;
    liste.reserve(n);
    for (ULONG i = 0; i < n; ++i) {
        const ULONG x = PmapLong(rec + i * PMAP_ENTRY_SIZE, offsetof(MapEntry, X));
        const ULONG y = PmapLong(rec + i * PMAP_ENTRY_SIZE, offsetof(MapEntry, Y));
        if (x >= (ULONG)(TEILE * TEIL_BREITE) || y >= (ULONG)(TEILE * TEIL_HOEHE)) continue;
        liste.push_back({(y / TEIL_HOEHE) * TEILE + x / TEIL_BREITE, i});
    }
    std::stable_sort(liste.begin(), liste.end(), [](const Eintrag &a, const Eintrag &b) { return a.teil < b.teil; });

    BOOL result = 1;
    std::vector<UBYTE> teil(TEIL_BYTES);
    for (size_t k = 0; k < liste.size();) {
        const ULONG t = liste[k].teil;
        size_t ende = k;
        while (ende < liste.size() && liste[ende].teil == t) ++ende;
        char name[64];
        std::snprintf(name, sizeof name, "./Map/M_%u_%u.map", (unsigned)(t % TEILE), (unsigned)(t / TEILE));
        std::fill(teil.begin(), teil.end(), 0);
        bool ok = true;
        if (std::FILE *f = std::fopen(name, "rb")) {
            std::fread(teil.data(), 1, teil.size(), f);
            ok = !std::ferror(f);
            std::fclose(f);
        }
        if (ok) {
            for (size_t j = k; j < ende; ++j) {
                const UBYTE *r = rec + liste[j].index * PMAP_ENTRY_SIZE;
                const ULONG x = PmapLong(r, offsetof(MapEntry, X)), y = PmapLong(r, offsetof(MapEntry, Y));
                UBYTE *ziel = teil.data() + (x % TEIL_BREITE) * PMAP_ENTRY_SIZE +
                              (y % TEIL_HOEHE) * (PMAP_ENTRY_SIZE * TEIL_BREITE);
                std::memcpy(ziel, r, PMAP_ENTRY_SIZE);
                // The flag bit lies in the low byte, the first of the field.
                if (hatDungeon && x == dx && y == dy) ziel[offsetof(MapEntry, Spezial)] |= SPEZIAL_DUNGEON;
            }
            ok = WriteFileAtomic(name, teil.data(), TEIL_BYTES, -1) == (int)TEIL_BYTES;
        }
        if (!ok) {
            std::printf("ChunkMachine : Konnte Karte nicht anlegen !\n");
            result = 0;
        }
        k = ende;
    }
    FreeVec(pmap);
    return result;
}

// ---- MAIL: received letters into ./Data/MailIn ----
BOOL CaseMail(const char *Path)
{
    bool broken = false;
    st_MAIL *mail = (st_MAIL *)LoadFromPool(CN_MAIL, Path, &broken);
    if (!mail) {
        if (broken) std::printf("ChunkMachine : Konnte MAIL-Chunk nicht laden !\n");
        return broken ? 0 : 1;
    }
    BOOL ok = DistributeEmails2Dir(mail, "./Data/MailIn");
    FreeVec(mail);
    if (!ok) std::printf("ChunkMachine: DistributeEmails2Dir schlug fehl!\n");
    return ok;
}

// ---- LAND: realm points and the coronation ----
bool IsKroenung(ULONG punkte)
{
    static constexpr ULONG kStufen[] = {1, 3, 7, 11, 15, 20, 25, 30};
    return std::find(std::begin(kStufen), std::end(kStufen), punkte) != std::end(kStufen);
}

BOOL CaseLand(const char *Path)
{
    bool broken = false;
    st_LAND *land = (st_LAND *)LoadFromPool(CN_LAND, Path, &broken);
    if (!land) {
        if (broken) std::printf("ChunkMachine : Konnte LandChunk nicht in den Speicher laden !\n");
        return broken ? 0 : 1;
    }
    ULONG zuletzt = 0;
    CheckPrefsRead(PREF_REICHSPUNKTE, &zuletzt);
    if (land->Reichspunkte > zuletzt && IsKroenung(land->Reichspunkte)) PlayerInfo.Event = 1;
    const BOOL ok = CheckPrefsWrite(PREF_REICHSPUNKTE, land->Reichspunkte);
    FreeVec(land);
    return ok;
}

// ---- GEBA: the realm's buildings ----
BOOL CaseGeba(const char *Path)
{
    BOOL result = 1;
    if (!IsFilePresent(GEBAEUDE_FILE)) {
        const ULONG bytes = sizeof(st_GEBA) + 3 * sizeof(st_BAUE_EXT);
        st_GEBA *geba = (st_GEBA *)AllocVec(bytes + 1, MEMF_CLEAR);
        geba->Head.ChunkID = ID_GEBA;
        geba->Head.Version = VERSION_V001;
        geba->Head.Length = bytes - sizeof(st_ChunkHead);
        geba->Gesamtkosten = 650;
        geba->AnzGeb = 3;
        st_BAUE_EXT *g = (st_BAUE_EXT *)((UBYTE *)geba + sizeof(st_GEBA));
        g[0].GebID = 0;
        g[0].Betriebskosten = 150;
        g[1].GebID = g[2].GebID = 1;
        g[1].Betriebskosten = g[2].Betriebskosten = 250;
        if (!SaveChunk2File(GEBAEUDE_FILE, geba)) {
            std::printf("ChunkMachine : Konnte neuen Gebaeude-Chunk nicht abspeichern !\n");
            result = 0;
        }
        FreeVec(geba);
    }
    bool broken = false;
    st_GEBA *geba = (st_GEBA *)LoadFromPool(CN_GEBA, Path, &broken);
    if (broken) {
        std::printf("ChunkMachine : Konnte Chunk nicht in den Speicher laden : %s !\n", Path);
        return 0;
    }
    if (geba) {
        std::printf("Verteile GEBA-Chunk...\n");
        if (!SaveChunk2File(GEBAEUDE_FILE, geba)) {
            std::printf("ChunkMachine : Konnte %s nicht abspeichern !\n", GEBAEUDE_FILE);
            result = 0;
        }
        FreeVec(geba);
    }
    return result;
}

// ---- ANTW: every player known by name ----
BOOL CaseAntw(const char *Path)
{
    bool broken = false;
    st_ANTW *neu = (st_ANTW *)LoadFromPool(CN_ANTW, Path, &broken);
    if (!neu) {
        if (broken)
            std::printf("ChunkMachine : B\366ser Fehler ! Konnte ANTW-Chunk nicht laden obwohl es angeblich im "
                        "GameChunk ist \n");
        return broken ? 0 : 1;
    }
    if (!IsFilePresent(kSpielerListe)) {
        const BOOL ok = SaveChunk2File(kSpielerListe, neu);
        if (!ok) std::printf("ChunkMachine : Konnte SpielerListe nicht abspeichern : !\n");
        FreeVec(neu);
        return ok;
    }
    st_ANTW *alt = (st_ANTW *)LoadChunk2Mem(ID_ANTW, kSpielerListe);
    if (!alt) {
        std::printf("ChunkMachine : B\366ser Fehler ! Konnte ANTW-Chunk nicht laden obwohl es angeblich im "
                    "Spielerfile ist \n");
        FreeVec(neu);
        return 0;
    }
    BOOL result = 0;
    ListHeader *neuListe = CreateList(LISTE_SPIELER), *altListe = CreateList(LISTE_SPIELER);
    if (!neuListe || !altListe) {
        std::printf("ChunkMachine : kein Speicher f\374r ListHeader vorhanden...\n");
    } else if (!ScanSpieler2List(neuListe, neu)) {
        std::printf("ChunkMachine : Konnte Spieler aus GameChunk nicht in Liste einscannen...\n");
    } else if (!ScanSpieler2List(altListe, alt)) {
        std::printf("ChunkMachine : Konnte Spieler aus SpielerListe nicht in Liste einscannen...\n");
    } else {
        AddSpielerList2SpielerList(altListe, neuListe);
        st_ANTW *merged = MakeSpielerChunkFromList(altListe, 1);
        if (!merged) {
            std::printf("ChunkMachine : Konnte neuen SpielerChunk nicht anlegen...\n");
        } else {
            result = SaveChunk2File(kSpielerListe, merged);
            if (!result) std::printf("ChunkMachine : Konnte SpielerListe nicht abspeichern : !\n");
            FreeVec(merged);
        }
    }
    DeleteList(neuListe, 1);
    DeleteList(altListe, 1);
    FreeVec(neu);
    FreeVec(alt);
    return result;
}

}  // namespace

BOOL ChunkMachine(const char *Path, ULONG Flags, ULONG Modus)
{
    if (!Path) return 0;
    switch (Flags) {
    case ChunkBit(CN_INIT): return CaseInit(Path);
    case ChunkBit(CN_INFO): return CaseInfo(Path);
    case ChunkBit(CN_MOVE): return CaseMove(Path);
    case ChunkBit(CN_BMAP): return CaseBmap(Path);
    case ChunkBit(CN_IMAP): return CaseImap(Path);
    case ChunkBit(CN_PMAP): return CasePmap(Path);
    case ChunkBit(CN_MAIL): return CaseMail(Path);
    case ChunkBit(CN_LAND): return CaseLand(Path);
    case ChunkBit(CN_WARE): return CaseWare(Path, Modus);
    case ChunkBit(CN_GEBA): return CaseGeba(Path);
    case ChunkBit(CN_ARMY): return CaseArmy(Path);
    case ChunkBit(CN_ANTW): return CaseAntw(Path);
    case ChunkBit(CN_VERT): return CaseVert(Path);
    case ChunkBit(CN_SHIP): return CaseShip(Path, Modus);
    default:
        std::printf("ChunkMachine:Das \374bergebene Flag '%d' ist unbekannt !", (int)Flags);
        return 0;
    }
}
