// Chunks with one kind of repeated record turned into typed lists and back.
// One table row per chunk kind drives a single scan and a single build
// routine; the routine names in the messages come from the row.
#include "store/converters.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/memfile.h"
#include "store/chunks_local.h"
#include "store/store.h"

using namespace chunkio;

namespace {

struct PairDef {
    const char *scanName;      // scan routine, in its messages
    const char *makeName;      // build routine, in its failure messages
    const char *makeInfoName;  // build routine in its count line, null: no count line
    const char *what;          // what the count lines count, null: no count line on scanning
    const char *oldFormat;     // check the count against the length; what the message calls the records
    const char *nextWhat;      // the record in the "next node" message
    ULONG id;
    ULONG listTyp;
    ULONG fixedSize;           // head, count and sub-head: the first record's offset
    ULONG countOffset;
    ULONG countWidth;
    ULONG recordSize;
    ULONG nodeSize;            // node head and data area
};

const PairDef kFigur = {"ScanFigur2List", "MakeFigurChunkFromList", "MakeMoveChunkFromList", "Figuren", nullptr,
                        "Figur", ID_MOVE, LISTE_FIGUREN, sizeof(st_MOVE), 12, 2, sizeof(st_MOVE_EXT),
                        sizeof(FigurListEntry)};
const PairDef kWare = {"ScanWare2List", "MakeWareChunkFromList", nullptr, nullptr, nullptr, "Ware", ID_WARE,
                       LISTE_WAREN, sizeof(st_WARE), 12, 2, sizeof(st_WARE_EXT), sizeof(WareListEntry)};
const PairDef kShip = {"ScanShip2List", "MakeShipChunkFromList", nullptr, nullptr, nullptr, "Ship", ID_SHIP,
                       LISTE_SCHIFFE, sizeof(st_SHIP), 12, 4, sizeof(st_SHIP_EXT), sizeof(ShipListEntry)};
const PairDef kHerb = {"ScanHerb2List", "MakeHerbChunkFromList", "MakeHerbChunkFromList", "Herb", "Herb", "Herb",
                       ID_HERB, LISTE_HERB, sizeof(st_HERB), 12, 4, sizeof(st_HERB_EXT), sizeof(HerbListEntry)};
const PairDef kVertrag = {"ScanVertrag2List", "MakeVertragChunkFromList", "MakeVertragChunkFromList", "Vertr\344ge",
                          "Vertr\344ge", "Vertrag", ID_VERT, LISTE_VERTRAEGE, sizeof(st_VERT), 12, 4, sizeof(st_VERT_EXT),
                          sizeof(VertragListEntry)};
const PairDef kSpezialisten = {"ScanSpezialisten2List", "MakeSpezialistenChunkFromList",
                               "MakeSpezialistenChunkFromList", "Spezialisten", "Spezialisten", "Spezialisten",
                               ID_SPEZ, LISTE_SPEZIALISTEN, sizeof(st_SPEZ), 12, 4, sizeof(st_SPEZ_EXT),
                               sizeof(SpezialistenListEntry)};
const PairDef kSpieler = {"ScanSpieler2List", "MakeSpielerChunkFromList", "MakeSpielerChunkFromList", "Spieler",
                          nullptr, "Spieler", ID_ANTW, LISTE_SPIELER, sizeof(st_ANTW), 14, 4, sizeof(st_ANTW_EXT_1),
                          sizeof(SpielerListEntry)};

static_assert(sizeof(SpezialistenListEntry) >= sizeof(ListNode) + 196);
static_assert(offsetof(SpielerListEntry, SpielName) - sizeof(ListNode) == offsetof(st_ANTW_EXT_1, SpielName));

constexpr ULONG kMaxLength = 0xFFFFFFFFu - sizeof(st_ChunkHead);

ULONG ChunkLength(const void *chunk) { return LoadHost32((const UBYTE *)chunk + 8); }

// A zero-filled node for list l, at least bytes long.
ListNode *NewNode(const ListHeader *l, size_t bytes)
{
    return (ListNode *)AllocVec((ULONG)std::max<size_t>(l->TypSize, bytes), MEMF_CLEAR);
}

BOOL ScanChunk(const PairDef &d, ListHeader *list, const void *chunk)
{
    if (!list || list->Typ != d.listTyp) {
        std::printf("%s : Liste fehlt oder hat den falschen Typ !\n", d.scanName);
        return 0;
    }
    const UBYTE *c = (const UBYTE *)chunk;
    if (!c || LoadHost32(c) != d.id || ChunkLength(c) < d.fixedSize - sizeof(st_ChunkHead)) {
        std::printf("%s : Chunk fehlt, ist von anderer Art oder zu kurz !\n", d.scanName);
        return 0;
    }
    const ULONG count = d.countWidth == 2 ? LoadHost16(c + d.countOffset) : LoadHost32(c + d.countOffset);
    if (d.id == ID_ANTW) {
        const UWORD typ = LoadHost16(c + offsetof(st_ANTW, Antwort.Typ));
        std::printf("TYP:%d\n", typ);
        // Other answer types hold no names: nothing to read, and the list
        // keeps the names it has.
        if (typ != 1) {
            std::printf("ScanSpieler2List : Antworten vom Typ %d enthalten keine Spieler !\n", typ);
            return 1;
        }
    }
    if (d.what) std::printf("%s : Anzahl %s %u\n", d.scanName, d.what, count);
    const ULONG payload = ChunkLength(c) - (d.fixedSize - (ULONG)sizeof(st_ChunkHead));
    if (d.oldFormat && count != payload / d.recordSize) {
        std::printf("%s : %s liegen in einem alten Format vor ! Abbruch...\n", d.scanName, d.oldFormat);
        return 0;
    }
    const ULONG n = GetChunkEntryCount(chunk);
    if (n < count)
        std::printf("%s : Der Chunk hat nur Platz f\374r %u von %u Eintr\344gen !\n", d.scanName, n, count);
    for (ULONG i = 0; i < n; ++i) {
        const UBYTE *record = c + d.fixedSize + (size_t)i * d.recordSize;
        ListNode *node = NewNode(list, d.nodeSize);
        std::memcpy(NodeData(node), record, d.recordSize);
        if (d.id == ID_ANTW) {
            const auto *e = (const SpielerListEntry *)node;
            std::printf("ScanSpieler2List : ID    %u\n", e->SpielerID);
            std::printf("ScanSpieler2List : Name \t%.80s\n", e->SpielName);
        }
        InsertNode(list, node, LIST_LAST, 0);
    }
    return 1;
}

void *MakeChunk(const PairDef &d, ListHeader *list, UWORD antwTyp)
{
    if (!list || list->Typ != d.listTyp) {
        std::printf("%s : Liste fehlt oder hat den falschen Typ !\n", d.makeName);
        return nullptr;
    }
    const ULONG n = list->Elemente;
    const uint64_t length = (uint64_t)(d.fixedSize - sizeof(st_ChunkHead)) + (uint64_t)n * d.recordSize;
    if ((d.countWidth == 2 && n > 0xFFFF) || length > kMaxLength) {
        std::printf("%s : Zu viele Elemente (%u) f\374r einen Chunk !\n", d.makeName, n);
        return nullptr;
    }
    auto *c = (UBYTE *)AllocVec((ULONG)length + (ULONG)sizeof(st_ChunkHead), MEMF_CLEAR);
    StoreHost32(c, d.id);
    StoreHost32(c + 4, VERSION_V001);
    StoreHost32(c + 8, (ULONG)length);
    if (d.countWidth == 2) {
        const UWORD n16 = (UWORD)n;
        std::memcpy(c + d.countOffset, &n16, 2);
    } else {
        StoreHost32(c + d.countOffset, n);
    }
    if (d.id == ID_ANTW) {
        std::memcpy(c + offsetof(st_ANTW, Antwort.Typ), &antwTyp, 2);
        StoreHost32(c + offsetof(st_ANTW, Antwort.Length), n * d.recordSize);
    }
    if (d.makeInfoName) {
        std::printf("%s: Anzahl %s %u\n", d.makeInfoName, d.what, n);
        std::printf("L\344nge des Chunks %x\n", (ULONG)length);
        if (d.id == ID_MOVE) std::printf("Anzahl Elemente im CHunk :%d\n", (int)n);
    }
    // Walked directly, so the list's cursor stays where the caller left it.
    ListNode *node = list->FirstNode;
    for (ULONG i = 0; i < n; ++i, node = node->Next) {
        if (!node) {
            std::printf("Make%sChunkFromList : Konnte n\344chste Node nicht bekommen... \n", d.nextWhat);
            break;
        }
        std::memcpy(c + d.fixedSize + (size_t)i * d.recordSize, NodeData(node), d.recordSize);
    }
    return c;
}

// Removes and frees every node of list l that matches; the cursor stays on
// its node unless that node goes.
template <class Match> void RemoveNodes(ListHeader *l, Match match, const char *note)
{
    std::vector<ListNode *> doomed;
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; i < l->Elemente; ++i, n = n->Next)
        if (match((const SpielerListEntry *)n)) doomed.push_back(n);
    ListNode *act = l->ActNode;
    for (ListNode *victim : doomed) {
        if (note) std::printf("%s\n", note);
        if (act == victim) act = nullptr;
        l->ActNode = victim;
        DeleteNode(l, LIST_ACT, 0, 0);
    }
    if (act) l->ActNode = act;
}

constexpr char kPlaceholderPlayer[] = "Res publica interibat";

}  // namespace

BOOL ScanFigur2List(ListHeader *List, const st_MOVE *Chunk) { return ScanChunk(kFigur, List, Chunk); }
BOOL ScanWare2List(ListHeader *List, const st_WARE *Chunk) { return ScanChunk(kWare, List, Chunk); }
BOOL ScanShip2List(ListHeader *List, const st_SHIP *Chunk) { return ScanChunk(kShip, List, Chunk); }
BOOL ScanHerb2List(ListHeader *List, const st_HERB *Chunk) { return ScanChunk(kHerb, List, Chunk); }
BOOL ScanVertrag2List(ListHeader *List, const st_VERT *Chunk) { return ScanChunk(kVertrag, List, Chunk); }
BOOL ScanSpezialisten2List(ListHeader *List, const st_SPEZ *Chunk) { return ScanChunk(kSpezialisten, List, Chunk); }
BOOL ScanSpieler2List(ListHeader *List, const st_ANTW *Chunk) { return ScanChunk(kSpieler, List, Chunk); }

st_MOVE *MakeMoveChunkFromList(ListHeader *List) { return (st_MOVE *)MakeChunk(kFigur, List, 0); }
st_WARE *MakeWareChunkFromList(ListHeader *List) { return (st_WARE *)MakeChunk(kWare, List, 0); }
st_SHIP *MakeShipChunkFromList(ListHeader *List) { return (st_SHIP *)MakeChunk(kShip, List, 0); }
st_HERB *MakeHerbChunkFromList(ListHeader *List) { return (st_HERB *)MakeChunk(kHerb, List, 0); }
st_VERT *MakeVertragChunkFromList(ListHeader *List) { return (st_VERT *)MakeChunk(kVertrag, List, 0); }
st_SPEZ *MakeSpezialistenChunkFromList(ListHeader *List) { return (st_SPEZ *)MakeChunk(kSpezialisten, List, 0); }
st_ANTW *MakeSpielerChunkFromList(ListHeader *List, UWORD Typ) { return (st_ANTW *)MakeChunk(kSpieler, List, Typ); }

void AddSpielerList2SpielerList(ListHeader *Target, ListHeader *Add)
{
    if (!Target || !Add || Target->Typ != LISTE_SPIELER || Add->Typ != LISTE_SPIELER) {
        std::printf("AddSpielerList2SpielerList : Liste fehlt oder hat den falschen Typ !\n");
        return;
    }
    while (Add->Elemente) {
        const ULONG id = ((const SpielerListEntry *)Add->FirstNode)->SpielerID;
        RemoveNodes(Target, [id](const SpielerListEntry *e) { return e->SpielerID == id; }, "DOPPELTER IST OK !");
        InsertNode(Target, DeleteNode(Add, LIST_FIRST, 0, LIST_UNLINK_ONLY), LIST_LAST, 0);
    }
    RemoveNodes(Target, [](const SpielerListEntry *e) {
        return strnlen(e->SpielName, sizeof e->SpielName) == sizeof kPlaceholderPlayer - 1 &&
               std::memcmp(e->SpielName, kPlaceholderPlayer, sizeof kPlaceholderPlayer - 1) == 0;
    }, nullptr);
}
