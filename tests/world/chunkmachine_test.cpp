// The received turn reaching the player's files: the pools, the player
// record, the figure file, the map tiles, letters, realm points, buildings
// and the player list.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "world/mapinfo.h"
#include "platform/prefs.h"
#include "store/chunkbytes.h"
#include "store/converters.h"
#include "world/chunkmachine.h"
#include "world/turnfixture.h"
#include "world/warehouse.h"

namespace {

using namespace turnfix;
using namespace chunkbytes;
using vektest::ReadBytes;
using vektest::WriteBytes;

ULONG Pref(UWORD id)
{
    ULONG v = 0;
    EXPECT_TRUE(CheckPrefsRead(id, &v));
    return v;
}

st_LAND Land(UWORD reichspunkte = 0)
{
    st_LAND l{};
    l.Reichspunkte = reichspunkte;
    return l;
}

TEST(ChunkMachineDispatch, OneKnownFlagBitOnly)
{
    GameDir dir;
    Put(MakeChunk(CN_LAND, Land()), POOL_IN);
    for (ULONG flags : {0u, 0x3u, 0x40u, 0x800u, 0x1000u, 0x80000000u, 0x2000u | 0x4000u})
        EXPECT_EQ(ChunkMachine(POOL_IN, flags, 0), 0) << std::hex << flags;
}

TEST(ChunkMachineDispatch, AMissingChunkFailsOnlyForMoveBmapImap)
{
    struct Case {
        ULONG num;
        BOOL result;
    };
    const Case cases[] = {{CN_INIT, 1}, {CN_INFO, 1}, {CN_MOVE, 0}, {CN_BMAP, 0}, {CN_IMAP, 0}, {CN_PMAP, 1},
                          {CN_MAIL, 1}, {CN_LAND, 1}, {CN_WARE, 1}, {CN_GEBA, 1}, {CN_ARMY, 1}, {CN_ANTW, 1},
                          {CN_VERT, 1}, {CN_SHIP, 1}};
    for (const Case &c : cases) {
        GameDir dir;
        WriteMapPrefs({});
        Put(MakeChunk(CN_KORN, st_KORN{}), POOL_IN);  // a pool without the chunk
        EXPECT_EQ(ChunkMachine(POOL_IN, ChunkBit(c.num), 1), c.result) << ChunkNamen[c.num];
    }
}

TEST(ChunkMachineInit, TheOutgoingPoolStartsAfreshKeepingTheSignUpUntilConfirmed)
{
    struct Case {
        UWORD misc;
        bool withInit;
        bool poolKept;
    };
    for (const Case &c : {Case{0, true, true}, Case{1, true, false}, Case{0, false, false}}) {
        GameDir dir;
        st_INIT init{};
        std::strcpy(init.Email, "a@b.invalid");
        if (c.withInit) Put(MakeChunk(CN_INIT, init), POOL_OUT);
        Put(MakeChunk(CN_TAXE, st_TAXE{}), POOL_OUT);
        PlayerInfo.Misc = c.misc;
        EXPECT_EQ(ChunkMachine(POOL_OUT, ChunkBit(CN_INIT), 0), 1);
        ASSERT_EQ(vektest::Exists(POOL_OUT), c.poolKept) << c.misc << c.withInit;
        if (!c.poolKept) continue;
        bool found = false;
        EXPECT_STREQ(Load<st_INIT>(CN_INIT, POOL_OUT, &found).Email, "a@b.invalid");
        EXPECT_TRUE(found);
        Load<st_TAXE>(CN_TAXE, POOL_OUT, &found);
        EXPECT_FALSE(found);
        EXPECT_EQ(ReadBytes(POOL_OUT).size(), sizeof(st_INFO) + sizeof(st_INIT));
    }
}

TEST(ChunkMachineInfo, PlayerRecordAndSignedDiceIntoPreferences)
{
    GameDir dir;
    Info i;
    i.spieler = 0x1234;
    i.restRunden = 17;
    i.misc = 1;
    i.turnTime = 0x5000;
    i.dice = std::string("\x01\xFE\x7F\x80\x09\xFB\x33\x44", 8);
    WriteBytes(POOL_IN, InfoChunk(i));
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_INFO), 0), 1);
    EXPECT_EQ(PlayerInfo.SpielerID, 0x1234u);
    EXPECT_EQ(PlayerInfo.RestRunden, 17u);
    EXPECT_EQ(PlayerInfo.Misc, 1);
    EXPECT_EQ(PlayerInfo.TurnTime, 0x5000u);
    EXPECT_EQ(Pref(9), 0x1234u);
    const struct {
        UWORD pref;
        LONG value;
    } dice[] = {{25, 1}, {27, -2}, {32, 127}, {34, -128}, {35, -5}};
    for (const auto &d : dice) {
        ULONG v = Pref(d.pref);
        // Preferences keep the low bytes of the value: compare them as signed.
        const ULONG mask = (v & 0xFFFF0000u) ? 0xFFFFFFFFu : (v & 0xFF00u) ? 0xFFFFu : 0xFFu;
        EXPECT_EQ(v & mask, (ULONG)d.value & mask) << d.pref;
    }
}

// The figure file after IMAP: the map reference and three scouts at the capital.
TEST(ChunkMachineImap, NewFigureFileByteForByte)
{
    GameDir dir;
    ASSERT_TRUE(CheckPrefsWrite(9, 7));
    st_IMAP imap{};
    imap.SizeX = 12800;
    imap.SizeY = 6400;
    imap.X_Capital = 100;
    imap.Y_Capital = 200;
    Put(MakeChunk(CN_IMAP, imap), POOL_IN);
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_IMAP), 1), 1);
    Bytes want = FileChunk("MREF", "V001", {0, 0, 0x32, 0, 0, 0, 0x19, 0, 0, 0, 0, 0x64, 0, 0, 0, 0xC8});
    Bytes move = {0, 3};
    for (uint8_t n = 1; n <= 3; ++n) {
        Bytes f = {0, 0, 0, 7, 0, 0, 0, n, 0, 0, 0, 0x64, 0, 0, 0, 0xC8, 0, 8};
        move.insert(move.end(), f.begin(), f.end());
    }
    want = Cat({want, FileChunk("MOVE", "V001", move)});
    EXPECT_EQ(ReadBytes(MAPPREFS_FILE), want);
    EXPECT_EQ(want.size(), 96u);
}

TEST(ChunkMachineMove, FiguresSortedOwnFirstAndScoutsAndSettlersCounted)
{
    GameDir dir;
    WriteMapPrefs({Figur(kIch, FID_KUNDSCHAFTER, 1, 5, 5)});
    const std::vector<st_MOVE_EXT> empfangen = {
        Figur(kAndere, FID_SIEDLER, 4, 1, 1, 3), Figur(3, FID_KUNDSCHAFTER, 1, 2, 2), Figur(kIch, FID_SIEDLER, 2, 3, 3, 5),
        Figur(kIch, FID_KUNDSCHAFTER, 1, 4, 4, 2), Figur(kAndere, FID_KUNDSCHAFTER, 9, 6, 6, 1),
        Figur(kIch, FID_KUNDSCHAFTER, 3, 7, 7, 9)};
    st_MOVE m{};
    m.AnzFiguren = (UWORD)empfangen.size();
    Put(MakeChunk(CN_MOVE, m, empfangen), POOL_IN);
    Put(MakeChunk(CN_LAND, Land()), POOL_IN);
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_MOVE), 0), 1);

    // Own figures by command, then the others by player and command.
    const std::vector<st_MOVE_EXT> want = {empfangen[3], empfangen[2], empfangen[5], empfangen[4], empfangen[0],
                                           empfangen[1]};
    EXPECT_EQ(Figures(), want);
    const Bytes file = ReadBytes(MAPPREFS_FILE);
    EXPECT_EQ(file.size(), 42u + 18 * want.size());
    EXPECT_EQ(Get32(file, 36), 2u + 18 * want.size());  // MOVE Length
    EXPECT_EQ(Get32(file, 12), 12800u);                // the old map reference stays
    const st_LAND land = Load<st_LAND>(CN_LAND, POOL_IN);
    EXPECT_EQ(+land.AnzahlKundschafter, 2);
    EXPECT_EQ(+land.AnzahlSiedler, 1);
}

// The figure file after MOVE, byte for byte: the old map reference, then the
// figures in their new order.
TEST(ChunkMachineMove, FigureFileByteForByte)
{
    GameDir dir;
    WriteMapPrefs({Figur(kIch, FID_SIEDLER, 9, 1, 1)});
    const std::vector<st_MOVE_EXT> empfangen = {Figur(kAndere, 4, 2, 0x10203, 0x40506, 7), Figur(kIch, 10, 1, 300, 200)};
    st_MOVE m{};
    m.AnzFiguren = 2;
    Put(MakeChunk(CN_MOVE, m, empfangen), POOL_IN);
    Put(MakeChunk(CN_LAND, Land()), POOL_IN);
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_MOVE), 0), 1);
    Bytes mref = {0, 0, 0x32, 0, 0, 0, 0x19, 0};
    PutZeros(mref, 8);
    const Bytes move = {0, 2,
                        0, 0, 0, 7, 0, 10, 0, 1, 0, 0, 0x01, 0x2C, 0, 0, 0, 0xC8, 0, 0,
                        0, 0, 0, 9, 0, 4, 0, 2, 0, 1, 2, 3, 0, 4, 5, 6, 7, 0};
    EXPECT_EQ(ReadBytes(MAPPREFS_FILE), Cat({FileChunk("MREF", "V001", mref), FileChunk("MOVE", "V001", move)}));
}

TEST(ChunkMachineMove, WithoutOwnFiguresTheSortedOrderStays)
{
    GameDir dir;
    WriteMapPrefs({});
    const std::vector<st_MOVE_EXT> empfangen = {Figur(12, FID_SIEDLER, 1, 1, 1), Figur(3, FID_KUNDSCHAFTER, 1, 2, 2)};
    st_MOVE m{};
    m.AnzFiguren = 2;
    Put(MakeChunk(CN_MOVE, m, empfangen), POOL_IN);
    Put(MakeChunk(CN_LAND, Land()), POOL_IN);
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_MOVE), 0), 1);
    EXPECT_EQ(Figures(), (std::vector<st_MOVE_EXT>{empfangen[1], empfangen[0]}));
    const st_LAND land = Load<st_LAND>(CN_LAND, POOL_IN);
    EXPECT_EQ(+land.AnzahlKundschafter, 0);
    EXPECT_EQ(+land.AnzahlSiedler, 0);
}

TEST(ChunkMachineMove, AFigureFileWithoutMapReferenceIsLeftAlone)
{
    const Bytes mref = FileChunk("MREF", "V001", Bytes(16, 1));
    const std::vector<Bytes> files = {Bytes(), Bytes(mref.begin(), mref.begin() + 20),
                                      FileChunk("MRFF", "V001", Bytes(16, 1)), FileChunk("MREF", "V001", Bytes(20, 1))};
    for (const Bytes &f : files) {
        GameDir dir;
        WriteBytes(MAPPREFS_FILE, f);
        st_MOVE m{};
        m.AnzFiguren = 1;
        Put(MakeChunk(CN_MOVE, m, std::vector<st_MOVE_EXT>{Figur(kIch, FID_SIEDLER, 1, 1, 1)}), POOL_IN);
        Put(MakeChunk(CN_LAND, Land()), POOL_IN);
        const Bytes pool = ReadBytes(POOL_IN);
        EXPECT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_MOVE), 0), 0) << f.size();
        EXPECT_EQ(ReadBytes(MAPPREFS_FILE), f);
        EXPECT_EQ(ReadBytes(POOL_IN), pool);
    }
}

TEST(ChunkMachineBmap, KnowledgeFilesOnlyForEntriesInsideTheChunkAndTheWorld)
{
    struct Case {
        std::vector<std::pair<UBYTE, UBYTE>> karten;
        UWORD anzahl;  // as the chunk claims
        BOOL result;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {{{3, 4}, {159, 159}}, 2, 1, {"Map/B_3_4.map", "Map/B_159_159.map"}},
        {{{3, 4}, {160, 2}}, 2, 0, {"Map/B_3_4.map"}},
        {{{3, 4}}, 5, 0, {"Map/B_3_4.map"}},
    };
    for (const Case &c : cases) {
        GameDir dir;
        std::vector<st_BMAP_EXT> e;
        for (auto [x, y] : c.karten) {
            st_BMAP_EXT k{};
            k.X = x;
            k.Y = y;
            std::memset(k.Karte, x ^ y, sizeof k.Karte);
            e.push_back(k);
        }
        st_BMAP b{};
        b.AnzKarten = c.anzahl;
        Put(MakeChunk(CN_BMAP, b, e), POOL_IN);
        EXPECT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_BMAP), 0), c.result);
        for (size_t i = 0; i < c.files.size(); ++i)
            EXPECT_EQ(ReadBytes(c.files[i]), Bytes(400, (uint8_t)(c.karten[i].first ^ c.karten[i].second)));
        EXPECT_FALSE(vektest::Exists("Map/B_160_2.map"));
    }
}

MapEntry Hex(ULONG x, ULONG y, UWORD art, ULONG spezial = 0)
{
    MapEntry e{};
    e.X = x;
    e.Y = y;
    e.Art = art;
    e.BesitzerID = 0xFFFFFFFFu;
    e.Spezial = spezial;
    return e;
}

// Map records are little-endian in the chunk and the tile files on every
// host: the same swap turns them either way.
MapEntry LittleEndian(MapEntry e)
{
    if (std::endian::native == std::endian::big) {
        e.X = __builtin_bswap32(e.X);
        e.Y = __builtin_bswap32(e.Y);
        e.Art = __builtin_bswap16(e.Art);
        e.BesitzerID = __builtin_bswap32(e.BesitzerID);
        e.Spezial = __builtin_bswap32(e.Spezial);
    }
    return e;
}

void PutPmap(const std::vector<MapEntry> &hexes)
{
    Bytes b(sizeof(st_ChunkHead) + hexes.size() * sizeof(MapEntry) + 1, 0);
    st_ChunkHead h{ID_PMAP, VERSION_V001, (ULONG)(hexes.size() * sizeof(MapEntry))};
    std::memcpy(b.data(), &h, sizeof h);
    for (size_t i = 0; i < hexes.size(); ++i) {
        const MapEntry e = LittleEndian(hexes[i]);
        std::memcpy(b.data() + sizeof h + i * sizeof e, &e, sizeof e);
    }
    Put(b, POOL_IN);
}

MapEntry HexIn(const std::string &tile, size_t offset)
{
    const Bytes b = ReadBytes(tile);
    MapEntry e{};
    if (b.size() == TEIL_BYTES) std::memcpy(&e, &b[offset], sizeof e);
    return LittleEndian(e);
}

TEST(ChunkMachinePmap, RecordsLandInTheirTilesAndOutsideTheWorldNowhere)
{
    GameDir dir;
    ASSERT_TRUE(CheckPrefsWrite(37, 1));
    ASSERT_TRUE(CheckPrefsWrite(38, 85));
    ASSERT_TRUE(CheckPrefsWrite(39, 43));
    PutPmap({Hex(12800, 5, 9), Hex(12799, 6399, 4), Hex(85, 43, 1, 0x10), Hex(5, 6400, 3), Hex(84, 42, 2),
             Hex(85, 43, 6, 0x10), Hex(12799, 6399, 5)});
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_PMAP), 0), 1);
    const MapEntry ecke = HexIn("Map/M_159_159.map", 70378);
    EXPECT_EQ(+ecke.X, 12799u);
    EXPECT_EQ(+ecke.Art, 5);  // the later record of a hex wins
    const MapEntry dungeon = HexIn("Map/M_1_1.map", 5 * 22 + 3 * 1760);
    EXPECT_EQ(+dungeon.Art, 6);
    EXPECT_EQ(+dungeon.Spezial, 0x12u);
    EXPECT_EQ(+HexIn("Map/M_1_1.map", 4 * 22 + 2 * 1760).Spezial, 0u);
    const Bytes tile = ReadBytes("Map/M_1_1.map");
    size_t nonzero = 0;
    for (uint8_t c : tile) nonzero += c != 0;
    EXPECT_LE(nonzero, 2 * sizeof(MapEntry));
    EXPECT_FALSE(vektest::Exists("Map/M_160_0.map"));
    EXPECT_FALSE(vektest::Exists("Map/M_0_160.map"));
}

TEST(ChunkMachinePmap, AnExistingTileKeepsItsOtherHexes)
{
    GameDir dir;
    Bytes tile(TEIL_BYTES, 0xAB);
    WriteBytes("Map/M_0_0.map", tile);
    PutPmap({Hex(1, 0, 7)});
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_PMAP), 0), 1);
    const Bytes after = ReadBytes("Map/M_0_0.map");
    ASSERT_EQ(after.size(), TEIL_BYTES);
    EXPECT_EQ(Bytes(after.begin() + 44, after.end()), Bytes(tile.begin() + 44, tile.end()));
    EXPECT_EQ(+HexIn("Map/M_0_0.map", 22).Art, 7);
}

TEST(ChunkMachinePmap, ALengthNotOfWholeRecordsWritesNothing)
{
    GameDir dir;
    Bytes b(sizeof(st_ChunkHead) + 23 + 1, 0);
    st_ChunkHead h{ID_PMAP, VERSION_V001, 23};
    std::memcpy(b.data(), &h, sizeof h);
    Put(b, POOL_IN);
    EXPECT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_PMAP), 0), 0);
    EXPECT_FALSE(vektest::Exists("Map/M_0_0.map"));
}

TEST(ChunkMachineLand, CoronationOnlyWhenRisingOntoAThreshold)
{
    struct Case {
        ULONG vorher;
        UWORD jetzt;
        UWORD event;
    };
    const Case cases[] = {{5, 7, 1}, {5, 8, 0}, {7, 3, 0}, {0, 1, 1}, {25, 25, 0}, {29, 30, 1}, {30, 31, 0},
                          {0, 32, 0}, {0, 64, 0}, {0, 0xFFFF, 0}};
    for (const Case &c : cases) {
        GameDir dir;
        ASSERT_TRUE(CheckPrefsWrite(13, c.vorher));
        Put(MakeChunk(CN_LAND, Land(c.jetzt)), POOL_IN);
        EXPECT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_LAND), 0), 1);
        EXPECT_EQ(PlayerInfo.Event, c.event) << c.vorher << " -> " << c.jetzt;
        EXPECT_EQ(Pref(13), c.jetzt);
    }
}

TEST(ChunkMachineGeba, DefaultBuildingsByteForByteThenThePoolsOwn)
{
    GameDir dir;
    Put(MakeChunk(CN_LAND, Land()), POOL_IN);
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_GEBA), 1), 1);
    Bytes p = {0, 0, 2, 0x8A, 0, 3};
    for (uint8_t id : {0, 1, 1}) {
        const uint8_t kosten_hi = id ? 0x00 : 0x00, kosten_lo = id ? 0xFA : 0x96;
        Bytes r = {0, id, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, kosten_hi, kosten_lo, 0, 0};
        p.insert(p.end(), r.begin(), r.end());
    }
    const Bytes want = FileChunk("GEBA", "V001", p);
    EXPECT_EQ(ReadBytes(GEBAEUDE_FILE), want);
    EXPECT_EQ(want.size(), 66u);

    st_GEBA g{};
    g.Gesamtkosten = 99;
    st_BAUE_EXT r{};
    r.GebID = 15;
    g.AnzGeb = 1;
    Put(MakeChunk(CN_GEBA, g, std::vector<st_BAUE_EXT>{r}), POOL_IN);
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_GEBA), 0), 1);
    EXPECT_EQ(+Load<st_GEBA>(CN_GEBA, GEBAEUDE_FILE).Gesamtkosten, 99u);
}

st_ANTW_EXT_1 Spieler(ULONG id, const char *name)
{
    st_ANTW_EXT_1 s{};
    s.SpielerID = id;
    std::strcpy(s.SpielName, name);
    return s;
}

Bytes Antw(const std::vector<st_ANTW_EXT_1> &s)
{
    st_ANTW a{};
    a.Antwort.Typ = 1;
    a.Antwort.Anzahl = (ULONG)s.size();
    a.Antwort.Length = (ULONG)(s.size() * sizeof(st_ANTW_EXT_1));
    return MakeChunk(CN_ANTW, a, s);
}

TEST(ChunkMachineAntw, NewPlayersJoinTheStoredList)
{
    GameDir dir;
    Put(Antw({Spieler(3, "Alt"), Spieler(4, "Vier")}), POOL_IN);
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_ANTW), 0), 1);
    Put(Antw({Spieler(3, "Neu"), Spieler(5, "Fuenf")}), POOL_IN);
    ASSERT_EQ(ChunkMachine(POOL_IN, ChunkBit(CN_ANTW), 0), 1);
    const auto list = Entries<st_ANTW, st_ANTW_EXT_1>(CN_ANTW, "./Data/SpielerList.vek");
    ASSERT_EQ(list.size(), 3u);
    std::vector<std::pair<ULONG, std::string>> got;
    for (const auto &s : list) got.push_back({(ULONG)s.SpielerID, std::string(s.SpielName)});
    EXPECT_EQ(got, (std::vector<std::pair<ULONG, std::string>>{{4, "Vier"}, {3, "Neu"}, {5, "Fuenf"}}));
}

}  // namespace
