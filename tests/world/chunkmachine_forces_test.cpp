// Armies and ships of a received turn: deserters, armies the people cannot
// keep, armies matched with their figures, ships sunk and repaired, cargo
// checked and kept behind its ship.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "store/converters.h"
#include "store/mapnames.h"
#include "world/chunkmachine.h"
#include "world/turnfixture.h"

namespace {

using namespace turnfix;

struct Teil {
    ULONG typ, anzahl;
};
struct Heer {
    ULONG id, x, y;
    std::vector<Teil> teile;
};

// A host-order ARMY chunk: each head followed by its parts.
Bytes ArmyChunk(const std::vector<Heer> &armeen)
{
    Bytes b(sizeof(st_ARMY), 0);
    for (const Heer &h : armeen) {
        st_ARHD head{};
        head.Head = {ID_ARHD, VERSION_V001, sizeof(Armee)};
        head.ArmeeHeader.PosX = h.x;
        head.ArmeeHeader.PosY = h.y;
        head.ArmeeHeader.ArmeeID = h.id;
        head.ArmeeHeader.HerrscherID = kIch;
        head.ArmeeHeader.ArmeeTypAnzahl = (ULONG)h.teile.size();
        b.insert(b.end(), (UBYTE *)&head, (UBYTE *)&head + sizeof head);
        for (const Teil &t : h.teile) {
            st_AREN part{};
            part.Head = {ID_AREN, VERSION_V001, sizeof(ArmeeEntry)};
            part.ArmeeEntry.Typ = t.typ;
            part.ArmeeEntry.Anzahl = t.anzahl;
            b.insert(b.end(), (UBYTE *)&part, (UBYTE *)&part + sizeof part);
        }
    }
    st_ARMY a{{ID_ARMY, VERSION_V001, (ULONG)(b.size() - sizeof(st_ChunkHead))}, (ULONG)armeen.size()};
    std::memcpy(b.data(), &a, sizeof a);
    b.push_back(0);
    return b;
}

// The armies of the outgoing pool as (ID, x, y, soldiers of each part).
std::vector<Heer> OutArmies()
{
    std::vector<Heer> v;
    st_ARMY *c = (st_ARMY *)LoadChunk2Mem(ID_ARMY, POOL_OUT);
    if (!c) return v;
    ListHeader *l = ScanArmy2List(c);
    FreeVec(c);
    ListNode *n = l ? l->FirstNode : nullptr;
    for (ULONG i = 0; l && i < l->Elemente; ++i, n = n->Next) {
        ArmeeList *a = (ArmeeList *)n;
        Heer h{a->Army.ArmeeID, a->Army.PosX, a->Army.PosY, {}};
        ListHeader *parts;
        std::memcpy(&parts, &a->ArmyListEntryHeader, sizeof parts);
        ListNode *p = parts ? parts->FirstNode : nullptr;
        for (ULONG j = 0; parts && j < parts->Elemente; ++j, p = p->Next) {
            const ArmeeEntry &e = ((ArmeeListEntry *)p)->ArmyEntry;
            h.teile.push_back({e.Typ, e.Anzahl});
        }
        v.push_back(h);
    }
    DeleteArmyList(l);
    return v;
}

std::vector<ULONG> Ids(const std::vector<Heer> &v)
{
    std::vector<ULONG> ids;
    for (const Heer &h : v) ids.push_back(h.id);
    return ids;
}

constexpr ULONG INF = 2, UNBEKANNT = 0;  // part types: infantry, none that tells a kind

void PutLand(ULONG volk, ULONG desertiert = 0)
{
    st_LAND l{};
    l.AnzVolk = volk;
    l.Desertierte = desertiert;
    Put(MakeChunk(CN_LAND, l), POOL_IN);
}

TEST(ChunkMachineArmy, SmallPartsDesertAndEmptyArmiesLoseTheirFigure)
{
    GameDir dir;
    WriteMapPrefs({Figur(kIch, 1, 1, 10, 10), Figur(kIch, 1, 2, 20, 20)});
    PutLand(1000000, 5);
    Put(ArmyChunk({{1, 10, 10, {{INF, 50}, {INF, 49}}}, {2, 20, 20, {{INF, 10}}}}), POOL_IN);
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_ARMY), 0), 1);
    const auto out = OutArmies();
    ASSERT_EQ(Ids(out), std::vector<ULONG>{1});
    ASSERT_EQ(out[0].teile.size(), 1u);
    EXPECT_EQ(out[0].teile[0].anzahl, 50u);
    EXPECT_EQ(+Load<st_LAND>(CN_LAND, POOL_IN).Desertierte, 5u + 49 + 10);
    EXPECT_EQ(Figures(), std::vector<st_MOVE_EXT>{Figur(kIch, 1, 1, 10, 10)});
}

TEST(ChunkMachineArmy, ArmiesLeaveWhileTheyOutnumberHalfThePeople)
{
    struct Case {
        ULONG volk;
        std::vector<ULONG> left;
    };
    for (const Case &c : {Case{400, {1, 2, 3}}, Case{300, {2, 3}}, Case{0, {2}}}) {
        GameDir dir;
        WriteMapPrefs({Figur(kIch, 1, 1, 1, 1), Figur(kIch, 1, 3, 3, 3)});
        PutLand(c.volk);
        Put(ArmyChunk({{1, 1, 1, {{INF, 100}}}, {2, 2, 2, {{UNBEKANNT, 100}}}, {3, 3, 3, {{INF, 100}}}}), POOL_IN);
        EXPECT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_ARMY), 0), 0);  // army 2's kind cannot be told
        EXPECT_EQ(Ids(OutArmies()), c.left) << c.volk;
    }
}

TEST(ChunkMachineArmy, FiguresAndArmiesAreMatchedBothWays)
{
    GameDir dir;
    WriteMapPrefs({Figur(kIch, 4, 1, 5, 5),      // army 1 is infantry: the figure is redrawn
                   Figur(kIch, 1, 3, 6, 6),      // no army: the figure goes
                   Figur(kAndere, 1, 2, 9, 9),   // another player's
                   Figur(kIch, 1, 4, 8, 8)});    // army 4 moved there
    PutLand(1000000);
    Put(ArmyChunk({{1, 0, 0, {{INF, 60}}}, {2, 7, 7, {{INF, 60}}}, {4, 0, 0, {{INF, 60}}}}), POOL_IN);
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_ARMY), 0), 1);

    const auto figs = Figures();
    const auto out = OutArmies();
    ASSERT_EQ(out.size(), 3u);
    std::vector<std::tuple<ULONG, ULONG, ULONG>> armies, own;
    for (const Heer &h : out) armies.emplace_back(h.id, h.x, h.y);
    for (const st_MOVE_EXT &f : figs) {
        if (f.SpielerID != kIch) continue;
        EXPECT_EQ(+f.FigurArt, 1);
        own.emplace_back((ULONG)f.FigurNummer, (ULONG)f.X_Pos, (ULONG)f.Y_Pos);
    }
    std::sort(armies.begin(), armies.end());
    std::sort(own.begin(), own.end());
    EXPECT_EQ(own, armies);  // one figure per army, at the army's place
    EXPECT_EQ(std::count_if(figs.begin(), figs.end(), [](const st_MOVE_EXT &f) { return f.SpielerID == kAndere; }), 1);
    std::vector<std::pair<ULONG, ULONG>> places;
    for (const auto &[id, x, y] : armies) places.emplace_back(x, y);
    std::sort(places.begin(), places.end());
    EXPECT_EQ(places, (std::vector<std::pair<ULONG, ULONG>>{{5, 5}, {7, 7}, {8, 8}}));
}

TEST(ChunkMachineArmy, NoArmyLeftRemovesTheOutgoingChunk)
{
    GameDir dir;
    WriteMapPrefs({Figur(kIch, 1, 1, 1, 1)});
    PutLand(1000000);
    Put(ArmyChunk({{9, 9, 9, {{INF, 1}}}}), POOL_OUT);
    Put(ArmyChunk({{1, 1, 1, {{INF, 10}}}}), POOL_IN);
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_ARMY), 0), 1);
    bool found = true;
    Load<st_ARMY>(CN_ARMY, POOL_OUT, &found);
    EXPECT_FALSE(found);
    EXPECT_TRUE(Figures().empty());
}

// ---- ships ----

st_SHIP_EXT Schiff(UWORD id, UWORD schaden, UWORD punkte, ULONG x, ULONG y,
                   std::vector<st_MOVE_EXT> ladung = {})
{
    st_SHIP_EXT s{};
    s.SchiffsID = id;
    s.Schaden = schaden;
    s.Punkte = punkte;
    s.X_Pos = x;
    s.Y_Pos = y;
    ladung.resize(3);
    s.Figur1 = ladung[0];
    s.Figur2 = ladung[1];
    s.Figur3 = ladung[2];
    return s;
}
void PutShips(const std::vector<st_SHIP_EXT> &s)
{
    st_SHIP h{};
    h.Anzahl = (ULONG)s.size();
    Put(MakeChunk(CN_SHIP, h, s), POOL_IN);
}
std::vector<st_SHIP_EXT> OutShips() { return Entries<st_SHIP, st_SHIP_EXT>(CN_SHIP, POOL_OUT); }
std::vector<UWORD> ShipIds()
{
    std::vector<UWORD> v;
    for (const auto &s : OutShips()) v.push_back(s.SchiffsID);
    return v;
}

TEST(ChunkMachineShip, ShipsSinkWhenDamageReachesTheirPoints)
{
    GameDir dir;
    WriteMapPrefs({Figur(kIch, 17, 1, 3, 3), Figur(kIch, 17, 2, 4, 4), Figur(kIch, 17, 3, 5, 5)});
    PutShips({Schiff(1, 10, 10, 3, 3), Schiff(2, 11, 10, 4, 4), Schiff(3, 9, 10, 5, 5)});
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_SHIP), 2), 1);
    EXPECT_EQ(ShipIds(), std::vector<UWORD>{3});
    EXPECT_EQ(Figures(), std::vector<st_MOVE_EXT>{Figur(kIch, 17, 3, 5, 5)});
}

TEST(ChunkMachineShip, ATradeShipWithCargoElsewhereIsDeleted)
{
    const st_MOVE_EXT ladungHier = Figur(kIch, 1, 2, 4, 4, 7), ladungDort = Figur(kIch, 1, 3, 9, 9, 7),
                      stehtDort = Figur(kIch, 1, 3, 9, 9);
    struct Case {
        std::vector<st_MOVE_EXT> ladung;
        std::vector<UWORD> ships;
        BOOL result;
    };
    const Case cases[] = {
        {{ladungHier}, {5}, 1},
        {{ladungDort}, {}, 0},              // the slot names a figure elsewhere
        {{Figur(kIch, 1, 8, 4, 4, 7)}, {}, 0},  // the slot's figure does not exist
    };
    for (const Case &c : cases) {
        GameDir dir;
        WriteMapPrefs({Figur(kIch, 14, 5, 4, 4), ladungHier, stehtDort});
        PutShips({Schiff(5, 0, 10, 4, 4, c.ladung)});
        EXPECT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_SHIP), 2), c.result);
        EXPECT_EQ(ShipIds(), c.ships);
        for (const st_MOVE_EXT &f : Figures()) EXPECT_TRUE(!c.ships.empty() || f.FigurArt != 14);
    }
}

TEST(ChunkMachineShip, CargoFiguresFollowTheirShipAndStrayOnesGo)
{
    GameDir dir;
    const st_MOVE_EXT a = Figur(kIch, 1, 2, 4, 4, 7), b = Figur(kIch, 10, 3, 4, 4, 7), x = Figur(kAndere, 1, 1, 1, 1),
                      schiff = Figur(kIch, 15, 5, 4, 4), streuner = Figur(kIch, 1, 6, 8, 8, 7);
    WriteMapPrefs({b, x, a, streuner, schiff});
    PutShips({Schiff(5, 0, 10, 4, 4, {a, b})});
    EXPECT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_SHIP), 2), 0);  // the stray figure was reported
    EXPECT_EQ(Figures(), (std::vector<st_MOVE_EXT>{x, schiff, a, b}));
    EXPECT_EQ(ShipIds(), std::vector<UWORD>{5});
}

ListHeader *AddOns(const std::vector<ShipAddOn> &v)
{
    ListHeader *l = CreateList(LISTE_SHIPADDON);
    for (const ShipAddOn &a : v) {
        ListNode *n = (ListNode *)AllocVec(l->TypSize, MEMF_CLEAR);
        std::memcpy(NodeData(n), &a, sizeof a);
        InsertNode(l, n, LIST_LAST, 0);
    }
    return l;
}
ShipAddOn AddOn(UWORD id, UWORD dauer, const char *name)
{
    ShipAddOn a{};
    a.SchiffsID = id;
    a.ReparaturDauer = dauer;
    std::strcpy(a.Name, name);
    return a;
}
std::vector<std::pair<UWORD, UWORD>> StoredAddOns()
{
    std::vector<std::pair<UWORD, UWORD>> v;
    ListHeader *l = ScanShipAddOn2List();
    ListNode *n = l ? l->FirstNode : nullptr;
    for (ULONG i = 0; l && i < l->Elemente; ++i, n = n->Next) {
        const ShipAddOn *a = (const ShipAddOn *)NodeData(n);
        v.emplace_back((UWORD)a->SchiffsID, (UWORD)a->ReparaturDauer);
    }
    DeleteList(l, 1);
    return v;
}

TEST(ChunkMachineShip, RepairsRunDownUnlessLeftOut)
{
    struct Case {
        ULONG modus;
        UWORD schaden2, schaden3;
        std::vector<std::pair<UWORD, UWORD>> addons;
        UBYTE kommando2;
    };
    const Case cases[] = {
        {0, 4, 6, {{2, 1}, {3, 0}}, 16},  // ship 3 repaired its last turn: the order is cleared
        {2, 5, 7, {{2, 2}, {3, 1}, {4, 1}}, 16},
    };
    for (const Case &c : cases) {
        GameDir dir;
        WriteMapPrefs({Figur(kIch, 17, 2, 4, 4, 16), Figur(kIch, 17, 3, 5, 5, 16), Figur(kIch, 17, 6, 6, 6, 16)});
        ListHeader *l = AddOns({AddOn(2, 2, "Anna"), AddOn(3, 1, "Berta"), AddOn(4, 1, "Weg"), AddOn(6, 3, "")});
        ASSERT_TRUE(SaveShipAddOnList(l));
        DeleteList(l, 1);
        // Ship 6's figure no longer holds the repair order: its nameless record goes.
        WriteMapPrefs({Figur(kIch, 17, 2, 4, 4, 16), Figur(kIch, 17, 3, 5, 5, 16), Figur(kIch, 17, 6, 6, 6, 0)});
        PutShips({Schiff(2, 5, 10, 4, 4), Schiff(3, 7, 10, 5, 5), Schiff(6, 1, 10, 6, 6)});
        ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_SHIP), c.modus), 1);
        const auto ships = OutShips();
        ASSERT_EQ(ships.size(), 3u);
        EXPECT_EQ(+ships[0].Schaden, c.schaden2) << c.modus;
        EXPECT_EQ(+ships[1].Schaden, c.schaden3) << c.modus;
        auto want = c.addons;
        if (c.modus & 2) want.emplace_back(6, 3);
        EXPECT_EQ(StoredAddOns(), want) << c.modus;
        const auto figs = Figures();
        EXPECT_EQ(+figs[0].Kommando, c.kommando2);
        EXPECT_EQ(+figs[1].Kommando, c.modus & 2 ? 16 : 0);
    }
}

TEST(ChunkMachineShip, NoShipLeftRemovesTheChunkFromBothPools)
{
    GameDir dir;
    WriteMapPrefs({Figur(kIch, 17, 1, 3, 3)});
    st_SHIP h{};
    h.Anzahl = 1;
    Put(MakeChunk(CN_SHIP, h, std::vector<st_SHIP_EXT>{Schiff(9, 0, 1, 1, 1)}), POOL_OUT);
    PutShips({Schiff(1, 10, 10, 3, 3)});
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_SHIP), 2), 1);
    bool found = true;
    Load<st_SHIP>(CN_SHIP, POOL_OUT, &found);
    EXPECT_FALSE(found);
    Load<st_SHIP>(CN_SHIP, POOL_IN, &found);
    EXPECT_FALSE(found);
}

}  // namespace
