// The demo realm read back by the client's own store and map routines: the
// chunk pools, the figure file, the single-chunk files, the map tiles round
// the capital, the ship names and the letters.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "common/testutil.h"
#include "formats.h"
#include "world/hex.h"
#include "world/mapinfo.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "common/shareddemo.h"
#include "store/figures.h"
#include "store/lists.h"
#include "store/mapnames.h"
#include "store/store.h"

namespace fs = std::filesystem;

namespace {

// Runs inside the demo set, as the client does; the player is number 7.
class DemoRealm : public ::testing::Test {
protected:
    void SetUp() override
    {
        old_ = fs::current_path();
        fs::current_path(SharedDemoSet());
        player_ = PlayerInfo.SpielerID;
        PlayerInfo.SpielerID = 7;
    }
    void TearDown() override
    {
        PlayerInfo.SpielerID = player_;
        fs::current_path(old_);
    }
    fs::path old_;
    ULONG player_ = 0;
};

// A packed record field read by value (it may lie unaligned).
template <class T> T Value(T v) { return v; }

template <class T> struct Chunk {
    T *p;
    Chunk(ULONG id, const char *file) : p((T *)LoadChunk2Mem(id, file)) {}
    ~Chunk() { FreeVec(p); }
};

}  // namespace

TEST_F(DemoRealm, ReceivedPoolHoldsEveryChunkItsBitsName)
{
    const ULONG ids[] = {ID_KORN, ID_LAND, ID_FORS, ID_TAXE, ID_GEBA, ID_WARE, ID_VERT, ID_MOVE, ID_SPEZ, ID_KRIG, ID_ANTW,
                         ID_HERB, ID_ARMY, ID_SHIP, ID_MAIL, ID_BAUE};
    ULONG bits = ChunkBit(CN_INFO);
    for (ULONG id : ids) {
        SCOPED_TRACE(id);
        Chunk<st_ChunkHead> c(id, POOL_IN);
        ASSERT_NE(c.p, nullptr);
        bits |= ChunkBit((ULONG)GetChunkID(c.p));
    }
    Chunk<st_INFO> info(ID_INFO, POOL_IN);
    ASSERT_NE(info.p, nullptr);
    EXPECT_EQ(Value(info.p->ChunkBits), bits) << "a bit for every chunk and none without one";
    EXPECT_EQ(Value(info.p->SpielerID), 7u);
    EXPECT_EQ(Value(info.p->RestRunden), 100u);
    EXPECT_TRUE(IsChunkPresent(bits, POOL_IN));
    EXPECT_FALSE(IsChunkPresent(ChunkBit(CN_PMAP), POOL_IN)) << "the first-turn chunks belong to another pool";

    Chunk<st_LAND> land(ID_LAND, POOL_IN);
    EXPECT_GT(Value(land.p->Vertrauen), 200u);
    EXPECT_EQ(Value(land.p->Reichspunkte), 1);
    Chunk<st_TAXE> taxe(ID_TAXE, POOL_IN);
    EXPECT_NE(Value(taxe.p->KirchenPunkte), 0) << "the gods screen needs church points";
    Chunk<st_MOVE> move(ID_MOVE, POOL_IN);
    EXPECT_EQ(GetChunkEntryCount(move.p), 15u);
    // Last turn's orders: a site in Nordheim (1), a demolition in Demoburg (0).
    Chunk<st_BAUE> baue(ID_BAUE, POOL_IN);
    ASSERT_EQ(GetChunkEntryCount(baue.p), 2u);
    const auto *order = (const st_BAUE_EXT *)((const UBYTE *)baue.p + sizeof(st_BAUE));
    EXPECT_EQ(Value(order[0].Stadt), 1);
    EXPECT_NE(Value(order[0].Restbauzeit), 0xFFFF);
    EXPECT_EQ(Value(order[1].Stadt), 0);
    EXPECT_EQ(Value(order[1].Restbauzeit), 0xFFFF);

    ASSERT_TRUE(ReadPlayerInfoFromPool());
    EXPECT_EQ(PlayerInfo.RestRunden, 100u);
    EXPECT_EQ(PlayerInfo.Quartal, 1);
}

TEST_F(DemoRealm, TheHiredSpecialistLeadsItsListAndHasItsFigure)
{
    // The figure list shows specialists only when the first one is hired.
    Chunk<st_SPEZ> spez(ID_SPEZ, POOL_IN);
    ASSERT_NE(spez.p, nullptr);
    ASSERT_GE(GetChunkEntryCount(spez.p), 1u);
    st_SPEZ_EXT erster;
    std::memcpy(&erster, (const UBYTE *)spez.p + sizeof(st_SPEZ), sizeof erster);
    EXPECT_EQ(Value(erster.Status), 5);
    EXPECT_EQ(Value(erster.SpielerID), 7u);
    Chunk<st_MOVE> move(ID_MOVE, MAPPREFS_FILE);
    ASSERT_NE(move.p, nullptr);
    int gefunden = 0;
    for (ULONG i = 0; i < GetChunkEntryCount(move.p); ++i) {
        st_MOVE_EXT f;
        std::memcpy(&f, (const UBYTE *)move.p + sizeof(st_MOVE) + i * sizeof f, sizeof f);
        gefunden += f.SpielerID == 7 && f.FigurNummer == erster.ID;
    }
    EXPECT_EQ(gefunden, 1);
}

TEST_F(DemoRealm, OutgoingPoolHoldsArmyShipAndTowns)
{
    Chunk<st_ARMY> army(ID_ARMY, POOL_OUT);
    Chunk<st_SHIP> ship(ID_SHIP, POOL_OUT);
    Chunk<st_TOWN> town(ID_TOWN, POOL_OUT);
    ASSERT_TRUE(army.p && ship.p && town.p);
    EXPECT_EQ(Value(army.p->AnzahlArmeen), 1u);
    const st_ARHD *head = (const st_ARHD *)(army.p + 1);
    EXPECT_EQ(Value(head->ArmeeHeader.ArmeeID), 5u);
    EXPECT_STREQ(head->ArmeeHeader.Name, "Garde");
    EXPECT_EQ(GetChunkEntryCount(ship.p), 1u);
    EXPECT_EQ(Value(town.p->Head.Version), VERSION_V002);
    EXPECT_EQ(GetChunkEntryCount(town.p), 2u);
}

TEST_F(DemoRealm, FigureFileStartsWithTheCapital)
{
    EXPECT_EQ(vektest::ReadBytes(MAPPREFS_FILE).size(), 42u + 18u * 15u);
    Chunk<st_MREF> mref(ID_MREF, MAPPREFS_FILE);
    Chunk<st_MOVE> move(ID_MOVE, MAPPREFS_FILE);
    ASSERT_TRUE(mref.p && move.p);
    EXPECT_EQ(Value(mref.p->X_Capital), 120u);
    EXPECT_EQ(Value(mref.p->Y_Capital), 60u);
    EXPECT_EQ(GetFigurID(move.p), 8) << "the player's figures are numbered 1 to 7";
}

TEST_F(DemoRealm, SingleChunkFilesReadByTheClient)
{
    Chunk<st_GEBA> geba(ID_GEBA, "./Data/Gebaeude.dat");
    ASSERT_NE(geba.p, nullptr);
    EXPECT_TRUE(CheckOtherBuilding(geba.p, 15, 1)) << "Nordheim has its residence";
    EXPECT_TRUE(CheckOtherBuilding(geba.p, 24, 0));
    EXPECT_FALSE(CheckOtherBuilding(geba.p, 24, 1));
    char name[40] = {};
    ASSERT_TRUE(GetPlayerName(8, name, 0));
    EXPECT_STREQ(name, "Nachbar");
    Chunk<st_WARE> stock(ID_WARE, "./Data/WarenChunk.vek");
    ASSERT_NE(stock.p, nullptr);
    // With the barracks' wares, the shipyard's ships, the raw sources and
    // three luxury goods.
    EXPECT_EQ(GetChunkEntryCount(stock.p), 17u);
    EXPECT_TRUE(CheckOtherBuilding(geba.p, 27, 0) && CheckOtherBuilding(geba.p, 48, 0))
        << "Demoburg has the stables and the army camp of the barracks";
    EXPECT_FALSE(CheckOtherBuilding(geba.p, 57, 0));
}

TEST_F(DemoRealm, MapTilesShowTheCapitalAndItsRing)
{
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 3; ++y) {
            const std::string tile = "_" + std::to_string(x) + "_" + std::to_string(y) + ".map";
            EXPECT_EQ(vektest::ReadBytes("Map/M" + tile).size(), TEIL_BYTES) << tile;
            EXPECT_EQ(vektest::ReadBytes("Map/B" + tile).size(), BMAP_TEIL_BYTES) << tile;
        }
    // Leaving the map writes its tiles back: read a copy.
    vektest::ScratchDir scratch;
    fs::copy(SharedDemoSet() + "/Map", scratch.path() + "/Map");
    VekMapInfo *map = LadeKarte(MAPSTATUS_BMAP, 1, 1, "./Map");
    ASSERT_NE(map, nullptr);
    const HexPos capital{120, 60};
    const MapEntry *c = FensterHex(map, capital.x, capital.y);
    EXPECT_EQ(GetTypeOfHex(c->Art), GK_STADT);
    EXPECT_EQ(Value(c->BesitzerID), 7u);
    EXPECT_EQ(Value(c->X), 120u);
    EXPECT_EQ(Value(c->Y), 60u);
    int water = 0, fit = 0;
    for (int r = 0; r < HEX_RICHTUNGEN; ++r) {
        const HexPos n = HexNachbar(capital, r);
        const MapEntry *e = FensterHex(map, n.x, n.y);
        if (GetTypeOfHex(e->Art) == GK_WASSER) {
            ++water;
        } else {
            ++fit;
            EXPECT_EQ(e->Spezial & SPEZIAL_DUNGEON, SPEZIAL_DUNGEON);
        }
    }
    EXPECT_EQ(water, 5);
    EXPECT_EQ(fit, 1) << "exactly one land neighbour, the dungeon's";
    EXPECT_EQ(GetTypeOfHex(FensterHex(map, 144, 60)->Art), GK_STADT);
    EXPECT_EQ(Value(FensterHex(map, 144, 60)->BesitzerID), 8u);
    EXPECT_EQ(Value(FensterHex(map, 10, 10)->Art), 0) << "nothing known far away";
    EXPECT_TRUE(GetBMapBit(map, 120, 60));
    EXPECT_FALSE(GetBMapBit(map, 10, 10));
    ExitKarte(map);
}

TEST_F(DemoRealm, AHerbAcreLiesInTheClericsReach)
{
    Chunk<st_HERB> herb(ID_HERB, POOL_IN);
    ASSERT_NE(herb.p, nullptr);
    ASSERT_EQ(GetChunkEntryCount(herb.p), 1u);
    st_HERB_EXT acre;
    std::memcpy(&acre, (const UBYTE *)herb.p + sizeof(st_HERB), sizeof acre);
    EXPECT_EQ(acre.Art, 56);
    EXPECT_EQ(Value(acre.Anzahl), 251);
    vektest::ScratchDir scratch;
    fs::copy(SharedDemoSet() + "/Map", scratch.path() + "/Map");
    VekMapInfo *map = LadeKarte(MAPSTATUS_BMAP, 1, 1, "./Map");
    ASSERT_NE(map, nullptr);
    const LONG x = (LONG)Value(acre.X_Pos), y = (LONG)Value(acre.Y_Pos);
    const MapEntry *e = FensterHex(map, x, y);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(Value(e->Spezial) & 0x1, 0x1u);
    EXPECT_EQ(Value(e->BesitzerID), 7u);
    // The cleric stands on the capital with 6 points.
    const ULONG alt = PlayerInfo.SpielerID;
    PlayerInfo.SpielerID = 7;
    ASSERT_EQ(GetMoveArray(map, 120, 60, FID_KLERIKER, 6), 1);
    EXPECT_GE(map->MoveArray[(y - 60 + MOVE_MITTE) * MOVE_SEITE + x - 120 + MOVE_MITTE], 0);
    PlayerInfo.SpielerID = alt;
    FreeMoveAllocs(map);
    ExitKarte(map);
}

// The army's attack in the sessions needs a foreign figure it can reach: past
// the hills north-west of the capital, with the army's own four points.
TEST_F(DemoRealm, ForeignFigureLiesWithinTheArmysReach)
{
    Chunk<st_MOVE> move(ID_MOVE, MAPPREFS_FILE);
    ASSERT_NE(move.p, nullptr);
    const st_MOVE_EXT *figures = (const st_MOVE_EXT *)((const UBYTE *)move.p + sizeof(st_MOVE));
    const st_MOVE_EXT *army = nullptr, *foreign = nullptr;
    for (ULONG i = 0; i < GetChunkEntryCount(move.p); ++i) {
        const st_MOVE_EXT &f = figures[i];
        if (Value(f.SpielerID) == 7 && Value(f.FigurNummer) == 5) army = &f;
        if (Value(f.SpielerID) != 7 && Value(f.SpielerID) < 100 && Value(f.X_Pos) == 118 && Value(f.Y_Pos) == 59)
            foreign = &f;
    }
    ASSERT_TRUE(army && foreign);
    EXPECT_EQ(Value(army->X_Pos), 120u);
    EXPECT_EQ(Value(army->Y_Pos), 60u);

    vektest::ScratchDir scratch;
    fs::copy(SharedDemoSet() + "/Map", scratch.path() + "/Map");
    VekMapInfo *map = LadeKarte(MAPSTATUS_BMAP, 1, 1, "./Map");
    ASSERT_NE(map, nullptr);
    const HexPos hills = HexNachbar({120, 60}, HEX_NW), beyond = HexNachbar(hills, HEX_NW);
    EXPECT_EQ(beyond, (HexPos{118, 59}));
    EXPECT_EQ(Value(FensterHex(map, hills.x, hills.y)->Spezial) & SPEZIAL_DUNGEON, SPEZIAL_DUNGEON);
    ASSERT_TRUE(GetMoveArray(map, 120, 60, Value(army->FigurArt), Value(army->Bewegungspunkte)));
    auto Zelle = [&](HexPos p) { return (int)map->MoveArray[(p.y - 60 + MOVE_MITTE) * MOVE_SEITE + p.x - 120 + MOVE_MITTE]; };
    EXPECT_EQ(Zelle(hills), 2) << "the hills cost two of the four points";
    EXPECT_EQ(Zelle(beyond), 0) << "the foreign hex takes the last two";
    EXPECT_TRUE(GetBMapBit(map, beyond.x, beyond.y)) << "and it is explored";
    FreeMoveAllocs(map);
    ExitKarte(map);
}

TEST_F(DemoRealm, ShipNameHexNamesAndLettersInTheirLists)
{
    ListHeader *ships = ScanShipAddOn2List();
    ASSERT_NE(ships, nullptr);
    ASSERT_EQ(ships->Elemente, 1u);
    const ShipAddOn *s = (const ShipAddOn *)NodeData(ships->FirstNode);
    EXPECT_STREQ(s->Name, "Seestern");
    EXPECT_EQ(Value(s->SchiffsID), 6);
    DeleteList(ships, 1);
    ListHeader *names = CreateList(LISTE_MAPNAMES);
    ASSERT_TRUE(ScanMapNames2List(names));
    EXPECT_EQ(names->Elemente, 2u);
    DeleteList(names, 1);
    EXPECT_EQ(vektest::ReadBytes(MAPNAMES_FILE).size(), 2 * sizeof(st_TOWN_EXT));
    // Three public letters for the tavern; two to the player, from the
    // neighbour and the stranger.
    for (int personal : {0, 1}) {
        ListHeader *letters = CreateList(LISTE_BRIEFE);
        ASSERT_NE(letters, nullptr);
        EXPECT_EQ(ScanSmals2List(letters, MAILIN_DIR, "        _  .smal", personal), personal ? 2u : 3u) << personal;
        DeleteList(letters, 1);
    }
}

TEST_F(DemoRealm, PoolsAndMapFilesKeepTheirFormatRules)
{
    std::vector<std::string> in, out;
    ASSERT_EQ(formats::ReadPool(vektest::ReadBytes(POOL_IN), in), "");
    ASSERT_EQ(formats::ReadPool(vektest::ReadBytes(POOL_OUT), out), "");
    EXPECT_EQ(in, (std::vector<std::string>{"INFO", "KORN", "LAND", "FORS", "TAXE", "GEBA", "BAUE", "VERT", "MOVE", "SPEZ",
                                            "KRIG", "ANTW", "HERB", "ARMY", "SHIP", "MAIL", "WARE"}));
    EXPECT_EQ(out, (std::vector<std::string>{"INFO", "ARMY", "SHIP", "TOWN"}));
    EXPECT_EQ(formats::CheckMapFiles("."), "");
}
