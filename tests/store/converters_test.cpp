// Chunks with repeated records to lists and back: golden host-order chunks
// written field by field here (every field a different value), hostile counts
// and lengths, the nested army chunk, the army rules, the player merge and
// the weapon records made from stock.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

#include "chunkbytes.h"
#include "common/testutil.h"
#include "platform/memfile.h"
#include "store/converters.h"

namespace {

using chunkbytes::PutHost16;
using chunkbytes::PutHost32;
using chunkbytes::PutText;
using chunkbytes::PutZeros;
using vektest::Bytes;

// Allocations and frees since construction must balance.
struct MemoryBalance {
    ULONG allocated = MemAllocatedCounter.load(), freed = MemFreedCounter.load();
    bool Balanced() const { return MemAllocatedCounter.load() - allocated == MemFreedCounter.load() - freed; }
};

// A packed field as a value, so that no reference binds to it unaligned.
template <class T> T Val(T v) { return v; }

void SetHost32(Bytes &b, size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); }
void SetHost16(Bytes &b, size_t at, uint16_t v) { std::memcpy(&b[at], &v, 2); }

// Field widths of a record in order; a negative width is a text of that many bytes.
using Widths = std::vector<int>;
const Widths kMoveWidths = {4, 2, 2, 4, 4, 1, 1};
const Widths kWareWidths = {2, 4, 4, 4, 4, 4, 4, 4, 4, 2};
const Widths kHerbWidths = {4, 4, 1, 1, 2};
const Widths kVertWidths = {2, 4, 4, 4, 4, 2, 2, 4, 4, 2};
const Widths kAntwWidths = {4, -80};
Widths ShipWidths()
{
    Widths s = {2, 2, 2, 4, 4};
    for (int i = 0; i < 3; ++i) s.insert(s.end(), kMoveWidths.begin(), kMoveWidths.end());
    return s;
}
Widths SpezWidths()
{
    Widths s = {-80, 4, 4, 4, 2};
    s.insert(s.end(), 12, 1);
    s.insert(s.end(), {4, 4, 4});
    s.insert(s.end(), 19, 4);
    return s;
}

// Records whose every field holds a value no other field holds, in host order.
struct Golden {
    Bytes records;
    std::vector<std::vector<uint32_t>> values;  // [record][field]; texts 0
};
Golden Records(const Widths &widths, int count)
{
    Golden g;
    uint32_t k = 1;
    for (int r = 0; r < count; ++r) {
        g.values.emplace_back();
        for (int w : widths) {
            uint32_t v = 0;
            if (w < 0) {
                std::string text = "Name " + std::to_string(k++);
                text.resize((size_t)-w, '\0');
                PutText(g.records, text);
            } else if (w == 1) {
                v = k++;
                g.records.push_back((uint8_t)v);
            } else if (w == 2) {
                v = 0x0100 + k++;
                PutHost16(g.records, (uint16_t)v);
            } else {
                v = 0x01000000 + 0x00010001 * k++;
                PutHost32(g.records, v);
            }
            g.values.back().push_back(v);
        }
    }
    return g;
}

// The chunk around records: head (host order), the count and, for ANTW, the
// sub-head with its Typ.
Bytes Chunk(ULONG id, int countWidth, uint32_t count, const Bytes &records, uint16_t antwTyp = 1)
{
    Bytes payload;
    if (countWidth == 2) PutHost16(payload, (uint16_t)count);
    else if (id == ID_ANTW) {
        PutHost16(payload, antwTyp);
        PutHost32(payload, count);
        PutHost32(payload, (uint32_t)records.size());
    } else PutHost32(payload, count);
    payload.insert(payload.end(), records.begin(), records.end());
    Bytes c;
    PutHost32(c, id);
    PutHost32(c, VERSION_V001);
    PutHost32(c, (uint32_t)payload.size());
    c.insert(c.end(), payload.begin(), payload.end());
    return c;
}

Bytes ChunkBytes(const void *chunk)
{
    if (!chunk) return {};
    ULONG length;
    std::memcpy(&length, (const UBYTE *)chunk + 8, 4);
    return Bytes((const UBYTE *)chunk, (const UBYTE *)chunk + 12 + length);
}

ListNode *NodeAt(ListHeader *l, ULONG i)
{
    ListNode *n = l->FirstNode;
    while (i--) n = n->Next;
    return n;
}
template <class T> T *At(ListHeader *l, ULONG i) { return (T *)NodeAt(l, i); }

using ScanFn = BOOL (*)(ListHeader *, const void *);
using MakeFn = void *(*)(ListHeader *);
using CheckFn = void (*)(ListHeader *, const Golden &);

struct Pair {
    const char *name;
    ULONG id, listTyp;
    int countWidth;
    Widths widths;
    bool checksCount;  // count must equal what the length holds
    ScanFn scan;
    MakeFn make;
    CheckFn check;     // named fields of the first and the last of two records
};

const std::vector<Pair> &Pairs()
{
    static const std::vector<Pair> pairs = {
        {"MOVE", ID_MOVE, LISTE_FIGUREN, 2, kMoveWidths, false,
         [](ListHeader *l, const void *c) { return ScanFigur2List(l, (const st_MOVE *)c); },
         [](ListHeader *l) { return (void *)MakeMoveChunkFromList(l); },
         [](ListHeader *l, const Golden &g) {
             EXPECT_EQ(Val(At<FigurListEntry>(l, 0)->Figur.SpielerID), g.values[0][0]);
             EXPECT_EQ(Val(At<FigurListEntry>(l, 0)->Figur.FigurNummer), g.values[0][2]);
             EXPECT_EQ(Val(At<FigurListEntry>(l, 1)->Figur.Bewegungspunkte), g.values[1][6]);
         }},
        {"WARE", ID_WARE, LISTE_WAREN, 2, kWareWidths, false,
         [](ListHeader *l, const void *c) { return ScanWare2List(l, (const st_WARE *)c); },
         [](ListHeader *l) { return (void *)MakeWareChunkFromList(l); },
         [](ListHeader *l, const Golden &g) {
             EXPECT_EQ(Val(At<WareListEntry>(l, 0)->Ware.Info), g.values[0][0]);
             EXPECT_EQ(Val(At<WareListEntry>(l, 0)->Ware.WarenTyp), g.values[0][2]);
             EXPECT_EQ(Val(At<WareListEntry>(l, 1)->Ware.Zustand), g.values[1][9]);
         }},
        {"SHIP", ID_SHIP, LISTE_SCHIFFE, 4, ShipWidths(), false,
         [](ListHeader *l, const void *c) { return ScanShip2List(l, (const st_SHIP *)c); },
         [](ListHeader *l) { return (void *)MakeShipChunkFromList(l); },
         [](ListHeader *l, const Golden &g) {
             EXPECT_EQ(Val(At<ShipListEntry>(l, 0)->Schiff.SchiffsID), g.values[0][0]);
             EXPECT_EQ(Val(At<ShipListEntry>(l, 0)->Schiff.Figur2.X_Pos), g.values[0][5 + 7 + 3]);
             EXPECT_EQ(Val(At<ShipListEntry>(l, 1)->Schiff.Figur3.Bewegungspunkte), g.values[1][25]);
         }},
        {"HERB", ID_HERB, LISTE_HERB, 4, kHerbWidths, true,
         [](ListHeader *l, const void *c) { return ScanHerb2List(l, (const st_HERB *)c); },
         [](ListHeader *l) { return (void *)MakeHerbChunkFromList(l); },
         [](ListHeader *l, const Golden &g) {
             EXPECT_EQ(Val(At<HerbListEntry>(l, 0)->Herb.X_Pos), g.values[0][0]);
             EXPECT_EQ(Val(At<HerbListEntry>(l, 0)->Herb.Art), g.values[0][2]);
             EXPECT_EQ(Val(At<HerbListEntry>(l, 1)->Herb.Anzahl), g.values[1][4]);
         }},
        {"VERT", ID_VERT, LISTE_VERTRAEGE, 4, kVertWidths, true,
         [](ListHeader *l, const void *c) { return ScanVertrag2List(l, (const st_VERT *)c); },
         [](ListHeader *l) { return (void *)MakeVertragChunkFromList(l); },
         [](ListHeader *l, const Golden &g) {
             EXPECT_EQ(Val(At<VertragListEntry>(l, 0)->Vertrag.VertragsArt), g.values[0][0]);
             EXPECT_EQ(Val(At<VertragListEntry>(l, 0)->Vertrag.Dauer), g.values[0][6]);
             EXPECT_EQ(Val(At<VertragListEntry>(l, 1)->Vertrag.Zustand), g.values[1][9]);
         }},
        {"SPEZ", ID_SPEZ, LISTE_SPEZIALISTEN, 4, SpezWidths(), true,
         [](ListHeader *l, const void *c) { return ScanSpezialisten2List(l, (const st_SPEZ *)c); },
         [](ListHeader *l) { return (void *)MakeSpezialistenChunkFromList(l); },
         [](ListHeader *l, const Golden &g) {
             EXPECT_STREQ(At<SpezialistenListEntry>(l, 0)->Spezialist.Name, "Name 1");
             EXPECT_EQ(Val(At<SpezialistenListEntry>(l, 0)->Spezialist.ID), g.values[0][1]);
             EXPECT_EQ(Val(At<SpezialistenListEntry>(l, 0)->Spezialist.Loyalitaet), g.values[0][16]);
             EXPECT_EQ(Val(At<SpezialistenListEntry>(l, 1)->Spezialist.Item[18]), g.values[1][38]);
         }},
        {"ANTW", ID_ANTW, LISTE_SPIELER, 4, kAntwWidths, false,
         [](ListHeader *l, const void *c) { return ScanSpieler2List(l, (const st_ANTW *)c); },
         [](ListHeader *l) { return (void *)MakeSpielerChunkFromList(l, 1); },
         [](ListHeader *l, const Golden &g) {
             EXPECT_EQ(At<SpielerListEntry>(l, 0)->SpielerID, g.values[0][0]);
             EXPECT_STREQ(At<SpielerListEntry>(l, 1)->SpielName, "Name 4");
         }},
    };
    return pairs;
}

}  // namespace

TEST(Converters, GoldenChunkToListAndBackToTheSameBytes)
{
    for (const Pair &p : Pairs()) {
        for (int records : {2, 0}) {
            SCOPED_TRACE(std::string(p.name) + " with " + std::to_string(records) + " records");
            MemoryBalance memory;
            Golden g = Records(p.widths, records);
            const Bytes chunk = Chunk(p.id, p.countWidth, (uint32_t)records, g.records);
            ListHeader *l = CreateList(p.listTyp);
            ASSERT_EQ(p.scan(l, chunk.data()), 1);
            ASSERT_EQ(l->Elemente, (ULONG)records);
            if (records) p.check(l, g);
            void *built = p.make(l);
            EXPECT_EQ(ChunkBytes(built), chunk);
            FreeVec(built);
            DeleteList(l, 0);
            EXPECT_TRUE(memory.Balanced());
        }
    }
}

TEST(Converters, ScanningAppendsToWhatTheListHolds)
{
    Golden g = Records(kWareWidths, 2);
    const Bytes chunk = Chunk(ID_WARE, 2, 2, g.records);
    ListHeader *l = CreateList(LISTE_WAREN);
    ASSERT_EQ(ScanWare2List(l, (const st_WARE *)chunk.data()), 1);
    ListNode *first = l->FirstNode;
    ASSERT_EQ(ScanWare2List(l, (const st_WARE *)chunk.data()), 1);
    EXPECT_EQ(l->Elemente, 4u);
    EXPECT_EQ(l->FirstNode, first);
    EXPECT_EQ(l->ActNode, first);
    st_WARE *built = MakeWareChunkFromList(l);
    ASSERT_NE(built, nullptr);
    EXPECT_EQ(Val(built->AnzWaren), 4);
    EXPECT_EQ(Val(built->Head.Length), 2u + 4 * 36);
    FreeVec(built);
    DeleteList(l, 0);
}

// Sets the count field (16-bit counts take the low half).
static void SetCount(Bytes &c, const Pair &p, uint32_t v)
{
    if (p.countWidth == 2) SetHost16(c, 12, (uint16_t)v);
    else SetHost32(c, p.id == ID_ANTW ? 14 : 12, v);
}

// Every scan refuses what it cannot read and then leaves the list alone; a
// count past the payload yields only the records in it.
TEST(Converters, HostileChunksAreRefusedOrCut)
{
    enum Outcome { Refused, Cut };
    struct Row {
        const char *name;
        void (*mutate)(Bytes &c, const Pair &p);
        bool onlyCheckedKinds, onlyUncheckedKinds;
        Outcome outcome;
        ULONG nodes;  // when cut
        const char *message;
    } rows[] = {
        {"other chunk ID", [](Bytes &c, const Pair &) { SetHost32(c, 0, ID_KORN); }, false, false, Refused, 0,
         "Chunk fehlt"},
        {"payload shorter than the count", [](Bytes &c, const Pair &p) { SetHost32(c, 8, p.countWidth - 1); }, false,
         false, Refused, 0, "zu kurz"},
        {"empty payload", [](Bytes &c, const Pair &) { SetHost32(c, 8, 0); }, false, false, Refused, 0, "zu kurz"},
        {"count one too many", [](Bytes &c, const Pair &p) { SetCount(c, p, 3); }, false, true, Cut, 2,
         "nur Platz f\374r 2 von 3"},
        {"huge count", [](Bytes &c, const Pair &p) { SetCount(c, p, 0xFFFFFFFF); }, false, true, Cut, 2,
         "nur Platz f\374r 2 von"},
        {"length ends inside the second record",
         [](Bytes &c, const Pair &) { uint32_t len; std::memcpy(&len, &c[8], 4); SetHost32(c, 8, len - 1); }, false,
         true, Cut, 1, "nur Platz f\374r 1 von 2"},
        {"count one too many, checked", [](Bytes &c, const Pair &) { SetHost32(c, 12, 3); }, true, false, Refused, 0,
         "alten Format"},
        {"count one too few, checked", [](Bytes &c, const Pair &) { SetHost32(c, 12, 1); }, true, false, Refused, 0,
         "alten Format"},
        {"length ends inside the second record, checked",
         [](Bytes &c, const Pair &) { uint32_t len; std::memcpy(&len, &c[8], 4); SetHost32(c, 8, len - 1); }, true,
         false, Refused, 0, "alten Format"},
    };
    for (const Pair &p : Pairs()) {
        for (const Row &r : rows) {
            if ((r.onlyCheckedKinds && !p.checksCount) || (r.onlyUncheckedKinds && p.checksCount)) continue;
            SCOPED_TRACE(std::string(p.name) + ": " + r.name);
            MemoryBalance memory;
            Bytes chunk = Chunk(p.id, p.countWidth, 2, Records(p.widths, 2).records);
            r.mutate(chunk, p);
            ListHeader *l = CreateList(p.listTyp);
            vektest::StdoutCapture out;
            BOOL ok = p.scan(l, chunk.data());
            std::string text = out.Take();
            EXPECT_EQ(ok, r.outcome == Cut ? 1 : 0);
            EXPECT_EQ(l->Elemente, r.outcome == Cut ? r.nodes : 0u);
            EXPECT_NE(text.find(r.message), std::string::npos) << text;
            DeleteList(l, 0);
            EXPECT_TRUE(memory.Balanced());
        }
        SCOPED_TRACE(p.name);
        ListHeader *l = CreateList(p.listTyp);
        EXPECT_EQ(p.scan(l, nullptr), 0);
        EXPECT_EQ(p.scan(nullptr, Chunk(p.id, p.countWidth, 0, {}).data()), 0);
        ListHeader *other = CreateList(p.listTyp == LISTE_WAREN ? LISTE_FIGUREN : LISTE_WAREN);
        EXPECT_EQ(p.scan(other, Chunk(p.id, p.countWidth, 0, {}).data()), 0);
        EXPECT_EQ(p.make(other), nullptr);
        EXPECT_EQ(p.make(nullptr), nullptr);
        DeleteList(other, 0);
        DeleteList(l, 0);
    }
}

TEST(Converters, HerbCountMustMatchTheLength)
{
    // Length 28 holds two 12-byte records after the count, whatever else follows.
    const Bytes records = Records(kHerbWidths, 2).records;
    for (uint32_t anzahl : {3u, 2u}) {
        SCOPED_TRACE(anzahl);
        Bytes chunk = Chunk(ID_HERB, 4, anzahl, records);
        ASSERT_EQ(chunk.size(), 12u + 28);
        ListHeader *l = CreateList(LISTE_HERB);
        vektest::StdoutCapture out;
        EXPECT_EQ(ScanHerb2List(l, (const st_HERB *)chunk.data()), anzahl == 2 ? 1 : 0);
        std::string text = out.Take();
        EXPECT_EQ(l->Elemente, anzahl == 2 ? 2u : 0u);
        EXPECT_NE(text.find("ScanHerb2List : Anzahl Herb " + std::to_string(anzahl)), std::string::npos);
        EXPECT_EQ(text.find("alten Format") != std::string::npos, anzahl == 3);
        DeleteList(l, 0);
    }
}

TEST(Converters, PlayerAnswersOfOtherTypesHoldNoNames)
{
    Bytes records = Records(kAntwWidths, 1).records;
    ListHeader *l = CreateList(LISTE_SPIELER);
    ASSERT_EQ(ScanSpieler2List(l, (const st_ANTW *)Chunk(ID_ANTW, 4, 1, records, 1).data()), 1);
    vektest::StdoutCapture out;
    EXPECT_EQ(ScanSpieler2List(l, (const st_ANTW *)Chunk(ID_ANTW, 4, 1, records, 2).data()), 1);
    EXPECT_NE(out.Take().find("TYP:2"), std::string::npos);
    EXPECT_EQ(l->Elemente, 1u);  // the names read before stay, none added
    st_ANTW *built = MakeSpielerChunkFromList(l, 7);
    ASSERT_NE(built, nullptr);
    EXPECT_EQ(Val(built->Antwort.Typ), 7);
    EXPECT_EQ(Val(built->Antwort.Anzahl), 1u);
    EXPECT_EQ(Val(built->Antwort.Length), 84u);
    EXPECT_EQ(Val(built->Head.Length), 10u + 84);
    FreeVec(built);
    DeleteList(l, 0);
}

TEST(Converters, BuildingKeepsTheCursorAndRefusesTooManyRecords)
{
    ListHeader *wares = CreateList(LISTE_WAREN);
    st_WARE *empty = MakeWareChunkFromList(wares);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(Val(empty->Head.ChunkID), ID_WARE);
    EXPECT_EQ(Val(empty->Head.Version), VERSION_V001);
    EXPECT_EQ(Val(empty->Head.Length), 2u);
    EXPECT_EQ(Val(empty->AnzWaren), 0);
    FreeVec(empty);
    DeleteList(wares, 0);

    ListHeader *figures = CreateList(LISTE_FIGUREN);
    for (ULONG i = 0; i < 0x10000; ++i) {
        auto *f = (FigurListEntry *)AllocVec(figures->TypSize, MEMF_CLEAR);
        f->Figur.FigurNummer = (UWORD)i;
        InsertNode(figures, (ListNode *)f, LIST_LAST, 0);
    }
    vektest::StdoutCapture out;
    EXPECT_EQ(MakeMoveChunkFromList(figures), nullptr);  // 65,536 figures do not fit a 16-bit count
    EXPECT_NE(out.Take().find("MakeFigurChunkFromList : Zu viele Elemente (65536)"), std::string::npos);
    DeleteNode(figures, LIST_LAST, 0, 0);
    ListNode *cursor = NodeAt(figures, 7);
    figures->ActNode = cursor;
    vektest::StdoutCapture lines;
    st_MOVE *built = MakeMoveChunkFromList(figures);
    std::string text = lines.Take();
    ASSERT_NE(built, nullptr);
    EXPECT_EQ(Val(built->AnzFiguren), 0xFFFF);
    EXPECT_EQ(Val(built->Head.Length), 2u + 18 * 0xFFFF);
    EXPECT_EQ(figures->ActNode, cursor);
    const auto *last = (const st_MOVE_EXT *)((const UBYTE *)built + sizeof(st_MOVE) + 18 * 0xFFFE);
    EXPECT_EQ(Val(last->FigurNummer), 0xFFFE);
    EXPECT_NE(text.find("MakeMoveChunkFromList: Anzahl Figuren 65535\nL\344nge des Chunks 11fff0\n"
                        "Anzahl Elemente im CHunk :65535\n"),
              std::string::npos);
    FreeVec(built);
    DeleteList(figures, 0);
}

// ---- armies ----

namespace {

struct PartDef {
    ULONG typ, waffeI, ruestung, anzahl, saboteure;
};
struct ArmyDef {
    ULONG armeeID;
    const char *name;
    std::vector<PartDef> parts;
};

Armee ArmyRecord(const ArmyDef &a, ULONG parts)
{
    Armee r{};
    r.PosX = 100 + a.armeeID;
    r.PosY = 200 + a.armeeID;
    r.HerrscherID = 7;
    r.Verhalten = 3;
    r.Vertrauen = 80 + a.armeeID;
    r.ArmeeID = a.armeeID;
    r.ArmeeTypAnzahl = parts;
    r.TrainingsRunden = 2;
    std::memcpy(r.Name, a.name, std::strlen(a.name));
    return r;
}

ArmeeEntry PartRecord(const PartDef &p, ULONG k)
{
    ArmeeEntry e{};
    e.Typ = p.typ;
    e.Erfahrung = 10 + k;
    e.WaffeI = p.waffeI;
    e.WaffeII = 30 + k;
    e.Ruestung = p.ruestung;
    e.Schild = 40 + k;
    e.Helm = 50 + k;
    e.Erschoepfung = 60 + k;
    e.RuestungsKlasse = 70 + k;
    e.Anzahl = p.anzahl;
    e.SaboteurAnzahl = p.saboteure;
    return e;
}

// An army list built by hand, as a barracks screen would.
ListHeader *ArmyList(const std::vector<ArmyDef> &armies)
{
    ListHeader *l = CreateList(LISTE_ARMEEN);
    ULONG k = 0;
    for (const ArmyDef &a : armies) {
        auto *node = (ArmeeList *)AllocVec(l->TypSize, MEMF_CLEAR);
        node->Army = ArmyRecord(a, (ULONG)a.parts.size());
        if (!a.parts.empty()) {
            ListHeader *parts = CreateList(LISTE_ARMEETEILE);
            for (const PartDef &p : a.parts) {
                auto *part = (ArmeeListEntry *)AllocVec(parts->TypSize, MEMF_CLEAR);
                part->ArmyEntry = PartRecord(p, k++);
                InsertNode(parts, (ListNode *)part, LIST_LAST, 0);
            }
            node->ArmyListEntryHeader = parts;
        }
        InsertNode(l, (ListNode *)node, LIST_LAST, 0);
    }
    return l;
}

void PutRecord(Bytes &b, const void *record, size_t size)
{
    b.insert(b.end(), (const uint8_t *)record, (const uint8_t *)record + size);
}

// The ARMY chunk in host order, written record by record.
Bytes ArmyChunk(const std::vector<ArmyDef> &armies)
{
    Bytes payload;
    PutHost32(payload, (uint32_t)armies.size());
    ULONG k = 0, saboteure = 0;
    for (const ArmyDef &a : armies) {
        PutHost32(payload, ID_ARHD);
        PutHost32(payload, VERSION_V001);
        PutHost32(payload, 52);
        Armee r = ArmyRecord(a, (ULONG)a.parts.size());
        PutRecord(payload, &r, sizeof r);
        for (const PartDef &p : a.parts) {
            PutHost32(payload, ID_AREN);
            PutHost32(payload, VERSION_V001);
            PutHost32(payload, 44);
            ArmeeEntry e = PartRecord(p, k++);
            PutRecord(payload, &e, sizeof e);
            saboteure += p.saboteure;
        }
    }
    PutZeros(payload, 12 * saboteure);
    Bytes c;
    PutHost32(c, ID_ARMY);
    PutHost32(c, VERSION_V001);
    PutHost32(c, (uint32_t)payload.size());
    c.insert(c.end(), payload.begin(), payload.end());
    return c;
}

// Two armies: parts with 1 and 2 saboteurs, then one part without.
const std::vector<ArmyDef> kTwoArmies = {
    {11, "Nordheer", {{2, 5, 19, 120, 1}, {3, 6, 17, 80, 2}}},
    {12, "Suedheer", {{1, 12, 0, 40, 0}}},
};

}  // namespace

TEST(Armies, GoldenChunkToListAndBack)
{
    MemoryBalance memory;
    const Bytes chunk = ArmyChunk(kTwoArmies);
    ASSERT_EQ(chunk.size(), 12u + 336);  // 4 + 2 x 64 + 3 x 56 + 3 x 12
    EXPECT_EQ(Bytes(chunk.end() - 36, chunk.end()), Bytes(36, 0));
    ListHeader *armies = ScanArmy2List((const st_ARMY *)chunk.data());
    ASSERT_NE(armies, nullptr);
    ASSERT_EQ(armies->Elemente, 2u);
    const ArmeeList *first = At<ArmeeList>(armies, 0), *second = At<ArmeeList>(armies, 1);
    EXPECT_EQ(Val(first->Army.ArmeeID), 11u);
    EXPECT_EQ(Val(first->Army.Vertrauen), 91u);
    EXPECT_STREQ(second->Army.Name, "Suedheer");
    ListHeader *parts = first->ArmyListEntryHeader;
    ASSERT_NE(parts, nullptr);
    EXPECT_EQ(parts->Typ, LISTE_ARMEETEILE);
    ASSERT_EQ(parts->Elemente, 2u);
    EXPECT_EQ(Val(At<ArmeeListEntry>(parts, 1)->ArmyEntry.SaboteurAnzahl), 2u);
    EXPECT_EQ(Val(At<ArmeeListEntry>(parts, 1)->ArmyEntry.RuestungsKlasse), 71u);
    EXPECT_EQ(Val(At<ArmeeListEntry>(parts, 0)->SaboteurListHeader), nullptr);
    EXPECT_EQ(second->ArmyListEntryHeader->Elemente, 1u);

    st_ARMY *built = MakeArmyChunkFromList(armies);
    EXPECT_EQ(ChunkBytes(built), chunk);
    FreeVec(built);
    DeleteArmyList(armies);
    EXPECT_TRUE(memory.Balanced());

    // A hand-built list gives the same chunk.
    ListHeader *byHand = ArmyList(kTwoArmies);
    built = MakeArmyChunkFromList(byHand);
    EXPECT_EQ(ChunkBytes(built), chunk);
    FreeVec(built);
    DeleteArmyList(byHand);
    EXPECT_TRUE(memory.Balanced());
}

TEST(Armies, ChunksThatDoNotMatchTheirCountsGiveNoList)
{
    // Offsets in the golden chunk: the first army's head, its first part, the
    // second army's head; each row puts one 32-bit value somewhere.
    const size_t firstHead = 16, firstPart = firstHead + 64, secondHead = firstPart + 2 * 56;
    const size_t length = 8, armies = 12, subLength = 8, partCount = 36;
    struct Row {
        const char *name;
        size_t at;
        uint32_t value;
        const char *message;  // besides the closing failure line
    } rows[] = {
        {"unknown first sub-record", firstHead, ID_KORN, "Fataler Fehler in den ARMY-DATEN"},
        {"part before any army", firstHead, ID_AREN, "Unerwarteter Armeeteil"},
        {"sub-record longer than the chunk", firstHead + subLength, 1000, "ragt \374ber"},
        {"army head shorter than its record", firstHead + subLength, 40, "Unerwarteter Armeekopf"},
        {"part shorter than its record", firstPart + subLength, 43, "Unerwarteter Armeeteil"},
        {"more parts claimed than follow", firstHead + partCount, 3, "Unerwarteter Armeekopf"},
        {"fewer parts claimed than follow", firstHead + partCount, 1, "Unerwarteter Armeeteil"},
        {"huge part count", firstHead + partCount, 0xFFFFFFFF, "Unerwarteter Armeekopf"},
        {"more armies claimed than follow", armies, 3, "Fataler Fehler"},
        {"huge army count", armies, 0xFFFFFFFF, "Fataler Fehler"},
        {"payload ends inside the last part", length, (uint32_t)(secondHead + 64 + 20 - 12), "ragt \374ber"},
        {"payload ends after the last army head", length, (uint32_t)(secondHead + 64 - 12), "endet vor"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        MemoryBalance memory;
        Bytes chunk = ArmyChunk(kTwoArmies);
        SetHost32(chunk, r.at, r.value);
        vektest::StdoutCapture out;
        EXPECT_EQ(ScanArmy2List((const st_ARMY *)chunk.data()), nullptr);
        std::string text = out.Take();
        EXPECT_NE(text.find(r.message), std::string::npos) << text;
        EXPECT_NE(text.find("ScanArmy2List: Irgendwas hat mit dem ARMY Chunk nicht gestimmt!"), std::string::npos);
        EXPECT_TRUE(memory.Balanced());
    }
    Bytes notArmy = ArmyChunk(kTwoArmies);
    SetHost32(notArmy, 0, ID_WARE);
    Bytes tooShort = ArmyChunk({});
    SetHost32(tooShort, 8, 3);
    for (const Bytes *c : {&notArmy, &tooShort}) {
        vektest::StdoutCapture out;
        EXPECT_EQ(ScanArmy2List((const st_ARMY *)c->data()), nullptr);
        EXPECT_NE(out.Take().find("ScanArmy2List: Der Chunk ist nicht VALID!"), std::string::npos);
    }
    EXPECT_EQ(ScanArmy2List(nullptr), nullptr);
}

TEST(Armies, TolerableChunks)
{
    // No armies: an empty list, which builds no chunk.
    ListHeader *none = ScanArmy2List((const st_ARMY *)ArmyChunk({}).data());
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->Elemente, 0u);
    EXPECT_EQ(MakeArmyChunkFromList(none), nullptr);
    DeleteArmyList(none);

    // Records past the army count and longer sub-records are skipped.
    Bytes chunk = ArmyChunk(kTwoArmies);
    SetHost32(chunk, 12, 1);
    ListHeader *one = ScanArmy2List((const st_ARMY *)chunk.data());
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->Elemente, 1u);
    DeleteArmyList(one);

    Bytes longer = ArmyChunk(kTwoArmies);
    const size_t head = 16;
    longer.insert(longer.begin() + head + 64, 8, 0xEE);
    SetHost32(longer, head + 8, 60);
    SetHost32(longer, 8, (uint32_t)(longer.size() - 12));
    ListHeader *armies = ScanArmy2List((const st_ARMY *)longer.data());
    ASSERT_NE(armies, nullptr);
    EXPECT_EQ(armies->Elemente, 2u);
    EXPECT_EQ(At<ArmeeList>(armies, 0)->ArmyListEntryHeader->Elemente, 2u);
    st_ARMY *built = MakeArmyChunkFromList(armies);
    EXPECT_EQ(ChunkBytes(built), ArmyChunk(kTwoArmies));
    FreeVec(built);
    DeleteArmyList(armies);
}

TEST(Armies, BuildingFollowsThePartsListsAndRefusesOverlongChunks)
{
    MemoryBalance memory;
    ListHeader *armies = ArmyList(kTwoArmies);
    ArmeeList *first = At<ArmeeList>(armies, 0);
    first->Army.ArmeeTypAnzahl = 5;  // the head disagrees with its two parts
    vektest::StdoutCapture out;
    st_ARMY *built = MakeArmyChunkFromList(armies);
    EXPECT_NE(out.Take().find("Armee 11 hat 2 Teile, ArmeeTypAnzahl sagt 5"), std::string::npos);
    EXPECT_EQ(ChunkBytes(built), ArmyChunk(kTwoArmies));
    FreeVec(built);
    first->Army.ArmeeTypAnzahl = 2;

    // Saboteur tails beyond 32 bits of length.
    ArmeeListEntry *part = At<ArmeeListEntry>(first->ArmyListEntryHeader, 0);
    part->ArmyEntry.SaboteurAnzahl = 0xFFFFFFFF;
    vektest::StdoutCapture tooLong;
    EXPECT_EQ(MakeArmyChunkFromList(armies), nullptr);
    EXPECT_NE(tooLong.Take().find("zu lang"), std::string::npos);
    part->ArmyEntry.SaboteurAnzahl = 0x80000000;
    At<ArmeeListEntry>(first->ArmyListEntryHeader, 1)->ArmyEntry.SaboteurAnzahl = 0x80000000;
    EXPECT_EQ(MakeArmyChunkFromList(armies), nullptr);
    DeleteArmyList(armies);

    // An army without parts writes its head alone.
    ListHeader *bare = ArmyList({{3, "Leer", {}}});
    built = MakeArmyChunkFromList(bare);
    ASSERT_NE(built, nullptr);
    EXPECT_EQ(ChunkBytes(built), ArmyChunk({{3, "Leer", {}}}));
    FreeVec(built);
    DeleteArmyList(bare);

    EXPECT_EQ(MakeArmyChunkFromList(nullptr), nullptr);
    ListHeader *wares = CreateList(LISTE_WAREN);
    EXPECT_EQ(MakeArmyChunkFromList(wares), nullptr);
    DeleteList(wares, 0);
    EXPECT_TRUE(memory.Balanced());
}

TEST(Armies, DeletingFreesPartsAndSaboteurLists)
{
    MemoryBalance memory;
    ListHeader *armies = ArmyList(kTwoArmies);
    ListHeader *saboteurs = CreateList(LISTE_WAREN);  // its contents are not the army code's business
    InsertNode(saboteurs, (ListNode *)AllocVec(saboteurs->TypSize, MEMF_CLEAR), LIST_LAST, 0);
    At<ArmeeListEntry>(At<ArmeeList>(armies, 0)->ArmyListEntryHeader, 1)->SaboteurListHeader = saboteurs;
    At<ArmeeList>(armies, 1)->Army.ArmeeTypAnzahl = 4;
    vektest::StdoutCapture out;
    DeleteArmyList(armies);
    std::string text = out.Take();
    EXPECT_NE(text.find("DeleteArmyList: ArmyEntryPtr->SaboteurListHeader gesetzt bei Spieler 7...\n"),
              std::string::npos);
    EXPECT_NE(text.find("DeleteArmyList: Anzahl der ArmeeElemente stimmt nicht \374berein!\n"
                        "DeleteArmyList: ArmyPtr->Army.ArmeeTypAnzahl 4\n"
                        "DeleteArmyList: ArmyEntryPtr->ArmyListEntryHeader 1\n"),
              std::string::npos);
    EXPECT_TRUE(memory.Balanced());
    DeleteArmyList(nullptr);
}

TEST(Armies, KindFollowsThePartsInOrder)
{
    constexpr ULONG ART = 1, INF = 2, KAV = 3;
    struct Row {
        const char *name;
        std::vector<PartDef> parts;  // typ, WaffeI, Ruestung
        ULONG kind;
    } rows[] = {
        {"no parts", {}, 0},
        {"unknown part type", {{4, 0, 19, 1, 0}}, 0},
        {"light infantry", {{INF, 0, 14, 1, 0}}, 1},
        {"medium infantry", {{INF, 0, 16, 1, 0}}, 2},
        {"heavy infantry in each heavy armour", {{INF, 0, 20, 1, 0}, {INF, 0, 65, 1, 0}, {INF, 0, 69, 1, 0}}, 3},
        {"heavy infantry, then a cavalry part", {{INF, 0, 19, 1, 0}, {KAV, 0, 14, 1, 0}}, 3},
        {"heavy infantry is not lowered", {{INF, 0, 19, 1, 0}, {INF, 0, 17, 1, 0}, {INF, 0, 0, 1, 0}}, 3},
        {"medium infantry is not lowered by light", {{INF, 0, 18, 1, 0}, {INF, 0, 0, 1, 0}}, 2},
        {"light cavalry", {{KAV, 0, 0, 1, 0}}, 4},
        {"medium cavalry", {{KAV, 0, 17, 1, 0}}, 5},
        {"heavy cavalry not lowered", {{KAV, 0, 19, 1, 0}, {KAV, 0, 16, 1, 0}}, 6},
        {"cavalry, then infantry takes over", {{KAV, 0, 19, 1, 0}, {INF, 0, 0, 1, 0}}, 1},
        {"cavalry in armour 17, then heavy artillery", {{KAV, 0, 17, 1, 0}, {ART, 12, 0, 1, 0}}, 9},
        {"light artillery", {{ART, 9, 0, 1, 0}}, 7},
        {"medium artillery from either ballista", {{ART, 10, 0, 1, 0}, {ART, 11, 0, 1, 0}}, 8},
        {"heavy artillery is not lowered", {{ART, 12, 0, 1, 0}, {ART, 10, 0, 1, 0}, {ART, 1, 0, 1, 0}}, 9},
        {"artillery outranks later infantry", {{ART, 1, 0, 1, 0}, {INF, 0, 19, 1, 0}}, 7},
        {"infantry outranks later cavalry", {{INF, 0, 0, 1, 0}, {KAV, 0, 19, 1, 0}}, 1},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        ListHeader *armies = ArmyList({{1, "Heer", r.parts}});
        EXPECT_EQ(CheckTypeOfArmy(At<ArmeeList>(armies, 0)), r.kind);
        DeleteArmyList(armies);
    }
    EXPECT_EQ(CheckTypeOfArmy(nullptr), 0u);
}

TEST(Armies, SizeAndNameQuestions)
{
    ListHeader *armies = ArmyList({
        {11, "Nordheer", {{2, 0, 0, 120, 0}, {3, 0, 0, 80, 0}}},
        {12, "Nordheer II", {}},
        {13, "Riesen", {{2, 0, 0, 0xFFFFFFF0, 0}, {2, 0, 0, 0x20, 0}}},
    });
    EXPECT_EQ(GetSizeOfArmy(armies, 11), 200u);
    EXPECT_EQ(GetSizeOfArmy(armies, 12), 0u);  // no parts
    EXPECT_EQ(GetSizeOfArmy(armies, 99), 0u);
    EXPECT_EQ(GetSizeOfArmy(armies, 13), 0xFFFFFFFFu);  // saturated, not wrapped to 0x10
    EXPECT_EQ(GetSizeOfArmy(nullptr, 11), 0u);

    EXPECT_EQ(CheckNameOfArmy(armies, "Nordheer"), 1);
    EXPECT_EQ(CheckNameOfArmy(armies, "Nordheer II"), 1);
    EXPECT_EQ(CheckNameOfArmy(armies, "Nordhee"), 0);
    EXPECT_EQ(CheckNameOfArmy(armies, "Nordheer I"), 0);
    EXPECT_EQ(CheckNameOfArmy(armies, ""), 0);
    EXPECT_EQ(CheckNameOfArmy(nullptr, "Nordheer"), 0);
    // A name filling all 20 bytes has no terminator; it is still compared exactly.
    std::memcpy(At<ArmeeList>(armies, 2)->Army.Name, "ABCDEFGHIJKLMNOPQRST", 20);
    EXPECT_EQ(CheckNameOfArmy(armies, "ABCDEFGHIJKLMNOPQRST"), 1);
    EXPECT_EQ(CheckNameOfArmy(armies, "ABCDEFGHIJKLMNOPQRSTU"), 0);
    DeleteArmyList(armies);
}

// ---- players and weapons ----

namespace {

ListHeader *Players(std::initializer_list<std::pair<ULONG, const char *>> players)
{
    ListHeader *l = CreateList(LISTE_SPIELER);
    for (const auto &p : players) {
        auto *e = (SpielerListEntry *)AllocVec(l->TypSize, MEMF_CLEAR);
        e->SpielerID = p.first;
        std::memcpy(e->SpielName, p.second, std::strlen(p.second));
        InsertNode(l, (ListNode *)e, LIST_LAST, 0);
    }
    return l;
}

std::vector<std::string> Names(ListHeader *l)
{
    std::vector<std::string> names;
    for (ULONG i = 0; i < l->Elemente; ++i) names.push_back(At<SpielerListEntry>(l, i)->SpielName);
    return names;
}

}  // namespace

TEST(Players, MergeReplacesSameIdAndDropsThePlaceholder)
{
    MemoryBalance memory;
    ListHeader *stored = Players({{1, "Anna"}, {2, "Bert"}, {3, "Res publica interibat"}, {4, "Dora"}});
    ListHeader *fresh = Players({{2, "Berta"}, {5, "Emil"}, {6, "Res publica interibat"}, {5, "Emilia"},
                                 {7, "Res publica interibatX"}});
    vektest::StdoutCapture out;
    AddSpielerList2SpielerList(stored, fresh);
    std::string text = out.Take();
    EXPECT_EQ(Names(stored), (std::vector<std::string>{"Anna", "Dora", "Berta", "Emilia", "Res publica interibatX"}));
    EXPECT_EQ(fresh->Elemente, 0u);
    EXPECT_EQ(fresh->FirstNode, nullptr);
    size_t doubles = 0;
    for (size_t at = text.find("DOPPELTER IST OK !"); at != std::string::npos; at = text.find("DOPPELTER", at + 1))
        ++doubles;
    EXPECT_EQ(doubles, 2u);  // Bert, then the first Emil

    // The merged list goes back out as an ANTW chunk of the survivors.
    st_ANTW *chunk = MakeSpielerChunkFromList(stored, 1);
    ASSERT_NE(chunk, nullptr);
    EXPECT_EQ(Val(chunk->Antwort.Anzahl), 5u);
    FreeVec(chunk);
    DeleteList(fresh, 0);
    DeleteList(stored, 0);
    EXPECT_TRUE(memory.Balanced());

    ListHeader *l = Players({{1, "Anna"}});
    AddSpielerList2SpielerList(l, nullptr);
    AddSpielerList2SpielerList(nullptr, l);
    EXPECT_EQ(l->Elemente, 1u);
    DeleteList(l, 0);
}

TEST(Weapons, TableRows)
{
    for (ULONG i = 0; i < WAFFEN_ANZAHL; ++i) {
        EXPECT_EQ(WaffenData[i].Id, i + 1);
        EXPECT_EQ(WaffenData[i].Anzahl, 0u);
        EXPECT_EQ(WaffenData[i].Qualitaet, 0u);
    }
    const Waffen &warCatapult = WaffenData[11];
    EXPECT_EQ(warCatapult.WarenStringID, 81u);
    EXPECT_EQ(std::vector<ULONG>({warCatapult.KurzMinSchaden, warCatapult.KurzMaxSchaden, warCatapult.MittelMinSchaden,
                                  warCatapult.MittelMaxSchaden, warCatapult.WeitMinSchaden, warCatapult.WeitMaxSchaden,
                                  warCatapult.KurzReichweite, warCatapult.MittelReichweite,
                                  warCatapult.WeitReichweite, warCatapult.Waffenart}),
              std::vector<ULONG>({30, 50, 30, 40, 20, 30, 3, 4, 5, 3}));
    const Waffen &w31 = WaffenData[30];
    EXPECT_EQ(std::vector<ULONG>({w31.WarenStringID, w31.KurzMinSchaden, w31.KurzMaxSchaden, w31.KurzReichweite,
                                  w31.MittelReichweite, w31.Waffenart}),
              std::vector<ULONG>({33, 1, 8, 1, 0, 0}));
    EXPECT_EQ(WaffenData[51].WarenStringID, 0u);
    EXPECT_EQ(WaffenData[69].WarenStringID, 115u);
}

TEST(Weapons, OwnStockOfWeaponWaresBecomesWeapons)
{
    MemoryBalance memory;
    struct Stock {
        UWORD info;
        ULONG warenTyp, anzahl;
        UWORD zustand;
    } stock[] = {
        {5, 81, 4, 90},   // war catapult
        {0, 42, 9, 10},   // an offer, not stock
        {5, 0, 500, 1},   // grain: the rows without a ware must not match it
        {5, 99, 30, 1},   // stone: no weapon
        {5, 12, 25, 77},  // tunic
    };
    ListHeader *wares = CreateList(LISTE_WAREN);
    for (const Stock &s : stock) {
        auto *e = (WareListEntry *)AllocVec(wares->TypSize, MEMF_CLEAR);
        e->Ware.Info = s.info;
        e->Ware.WarenTyp = s.warenTyp;
        e->Ware.WarenAnzahl = s.anzahl;
        e->Ware.Zustand = s.zustand;
        InsertNode(wares, (ListNode *)e, LIST_LAST, 0);
    }
    ListHeader *weapons = CreateList(LISTE_WAFFEN);
    vektest::StdoutCapture out;
    EXPECT_EQ(ConvertWare2Waffe(wares, weapons), 1);
    std::string text = out.Take();
    ASSERT_EQ(weapons->Elemente, 2u);
    Waffen expected = WaffenData[11];
    expected.Anzahl = 4;
    expected.Qualitaet = 90;
    EXPECT_EQ(std::memcmp(&At<WaffenListEntry>(weapons, 0)->Waffe, &expected, sizeof expected), 0);
    EXPECT_EQ(At<WaffenListEntry>(weapons, 1)->Waffe.Id, 15u);
    EXPECT_EQ(At<WaffenListEntry>(weapons, 1)->Waffe.Anzahl, 25u);
    EXPECT_EQ(At<WaffenListEntry>(weapons, 1)->Waffe.Qualitaet, 77u);
    EXPECT_NE(text.find("ConvertWare2Waffe: Folgender Warentyp wurde gefunden 81\n"
                        "ConvertWare2Waffe: Folgender Waffentyp wurde gefunden 12\n"),
              std::string::npos);

    ListHeader *empty = CreateList(LISTE_WAREN);
    EXPECT_EQ(ConvertWare2Waffe(empty, nullptr), 1);
    EXPECT_EQ(ConvertWare2Waffe(wares, nullptr), 0);
    EXPECT_EQ(ConvertWare2Waffe(wares, wares), 0);
    DeleteList(empty, 0);
    DeleteList(weapons, 0);
    DeleteList(wares, 0);
    EXPECT_TRUE(memory.Balanced());
}
