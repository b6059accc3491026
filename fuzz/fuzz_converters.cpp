// Arbitrary bytes as the payload of every chunk kind that becomes a list.
// Besides the sanitizers it checks what must hold for any input: a chunk that
// scans builds a chunk that scans to the same records and builds the same
// bytes again, and every allocation is freed.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/memfile.h"
#include "store/converters.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Check(bool ok)
{
    if (!ok) __builtin_trap();
}

// A host-order chunk of this ID around the payload.
Bytes Chunk(ULONG id, const uint8_t *payload, size_t size)
{
    Bytes c(12 + size);
    ULONG head[3] = {id, VERSION_V001, (ULONG)size};
    std::memcpy(c.data(), head, 12);
    if (size) std::memcpy(c.data() + 12, payload, size);
    return c;
}

Bytes ChunkBytes(const void *chunk)
{
    ULONG length;
    std::memcpy(&length, (const UBYTE *)chunk + 8, 4);
    return Bytes((const UBYTE *)chunk, (const UBYTE *)chunk + 12 + length);
}

struct Kind {
    ULONG id, listTyp;
    BOOL (*scan)(ListHeader *, const void *);
    void *(*make)(ListHeader *);
};

const Kind kKinds[] = {
    {ID_MOVE, LISTE_FIGUREN, [](ListHeader *l, const void *c) { return ScanFigur2List(l, (const st_MOVE *)c); },
     [](ListHeader *l) { return (void *)MakeMoveChunkFromList(l); }},
    {ID_WARE, LISTE_WAREN, [](ListHeader *l, const void *c) { return ScanWare2List(l, (const st_WARE *)c); },
     [](ListHeader *l) { return (void *)MakeWareChunkFromList(l); }},
    {ID_SHIP, LISTE_SCHIFFE, [](ListHeader *l, const void *c) { return ScanShip2List(l, (const st_SHIP *)c); },
     [](ListHeader *l) { return (void *)MakeShipChunkFromList(l); }},
    {ID_HERB, LISTE_HERB, [](ListHeader *l, const void *c) { return ScanHerb2List(l, (const st_HERB *)c); },
     [](ListHeader *l) { return (void *)MakeHerbChunkFromList(l); }},
    {ID_VERT, LISTE_VERTRAEGE, [](ListHeader *l, const void *c) { return ScanVertrag2List(l, (const st_VERT *)c); },
     [](ListHeader *l) { return (void *)MakeVertragChunkFromList(l); }},
    {ID_SPEZ, LISTE_SPEZIALISTEN,
     [](ListHeader *l, const void *c) { return ScanSpezialisten2List(l, (const st_SPEZ *)c); },
     [](ListHeader *l) { return (void *)MakeSpezialistenChunkFromList(l); }},
    {ID_ANTW, LISTE_SPIELER, [](ListHeader *l, const void *c) { return ScanSpieler2List(l, (const st_ANTW *)c); },
     [](ListHeader *l) { return (void *)MakeSpielerChunkFromList(l, 1); }},
};

void RoundTrip(const Kind &k, const Bytes &chunk)
{
    ListHeader *l = CreateList(k.listTyp);
    if (k.scan(l, chunk.data())) {
        void *built = k.make(l);
        Check(built != nullptr);
        const Bytes once = ChunkBytes(built);
        ListHeader *again = CreateList(k.listTyp);
        Check(k.scan(again, built) == 1 && again->Elemente == l->Elemente);
        void *rebuilt = k.make(again);
        Check(rebuilt && ChunkBytes(rebuilt) == once);
        FreeVec(rebuilt);
        FreeVec(built);
        DeleteList(again, 0);
    } else {
        Check(l->Elemente == 0);
    }
    DeleteList(l, 0);
}

void ArmyRoundTrip(const Bytes &chunk)
{
    ListHeader *armies = ScanArmy2List((const st_ARMY *)chunk.data());
    if (!armies) return;
    // Saboteur tails can ask for gigabytes of zeros; build only modest ones.
    uint64_t saboteurs = 0;
    ListNode *a = armies->FirstNode;
    for (ULONG i = 0; i < armies->Elemente; ++i, a = a->Next) {
        ListHeader *parts = ((const ArmeeList *)a)->ArmyListEntryHeader;
        ListNode *p = parts ? parts->FirstNode : nullptr;
        for (ULONG j = 0; parts && j < parts->Elemente; ++j, p = p->Next)
            saboteurs += ((const ArmeeListEntry *)p)->ArmyEntry.SaboteurAnzahl;
    }
    void *built = saboteurs < (1u << 20) ? MakeArmyChunkFromList(armies) : nullptr;
    if (built) {
        const Bytes once = ChunkBytes(built);
        ListHeader *again = ScanArmy2List((const st_ARMY *)built);
        Check(again && again->Elemente == armies->Elemente);
        void *rebuilt = MakeArmyChunkFromList(again);
        Check(rebuilt && ChunkBytes(rebuilt) == once);
        FreeVec(rebuilt);
        DeleteArmyList(again);
        FreeVec(built);
    }
    DeleteArmyList(armies);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The routines narrate every record; keep the fuzzer's output readable.
    if (!std::freopen("/dev/null", "w", stdout)) return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 1 << 16) return 0;
    const ULONG allocated = MemAllocatedCounter.load(), freed = MemFreedCounter.load();
    for (const Kind &k : kKinds) RoundTrip(k, Chunk(k.id, data, size));
    ArmyRoundTrip(Chunk(ID_ARMY, data, size));
    Check(MemAllocatedCounter.load() - allocated == MemFreedCounter.load() - freed);
    return 0;
}
