// Chunk pools: every change compared with pools written by hand, and the
// broken pools that must be refused without a byte changed.
#include <gtest/gtest.h>

#include "chunkbytes.h"
#include "common/testutil.h"
#include "platform/memfile.h"
#include "platform/files.h"
#include "platform/system.h"
#include "store/store.h"

using namespace chunkbytes;
using vektest::Exists;
using vektest::MakeDirs;
using vektest::ReadBytes;
using vektest::ScratchDir;
using vektest::StdoutCapture;
using vektest::WriteBytes;

namespace {

BOOL FakeMac(char *buffer, ULONG *length)
{
    std::memcpy(buffer, "0a1b2c3d4e5f", 12);
    *length = 12;
    return 1;
}

// A scratch directory, player 7 and a fixed hardware address.
class Pool : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedHook_ = PoolMacAddressHook;
        savedPlayer_ = PlayerInfo;
        PoolMacAddressHook = FakeMac;
        PlayerInfo.SpielerID = 7;
    }
    void TearDown() override
    {
        PoolMacAddressHook = savedHook_;
        PlayerInfo = savedPlayer_;
    }
    ScratchDir dir_;

private:
    BOOL (*savedHook_)(char *, ULONG *) = nullptr;
    st_PlayerInfo savedPlayer_{};
};

// A file-order chunk made host order, as callers hand chunks over.
Bytes Host(Bytes chunk)
{
    SwapByteOrderInChunk(chunk.data(), 1);
    return chunk;
}

Bytes Korn(uint16_t quartal)
{
    Bytes p(52, 0);
    Set32(p, 0, 1200);
    Set16(p, 4, quartal);
    return FileChunk("KORN", "V001", p);
}

Bytes Land(uint32_t gold)
{
    Bytes p(160, 0);
    Set32(p, 22, gold);
    return FileChunk("LAND", "V001", p);
}

Bytes Move(std::initializer_list<uint32_t> players)
{
    Bytes p;
    Put16(p, (uint16_t)players.size());
    for (uint32_t s : players) {
        Put32(p, s);
        Put16(p, 1);
        Put16(p, 2);
        Put32(p, 30);
        Put32(p, 40);
        p.push_back(0);
        p.push_back(3);
    }
    return FileChunk("MOVE", "V001", p);
}

Bytes Anfr(std::initializer_list<uint32_t> ids)
{
    Bytes p;
    Put16(p, 1);
    Put32(p, (uint32_t)ids.size());
    Put32(p, 4 * (uint32_t)ids.size());
    for (uint32_t id : ids) Put32(p, id);
    return FileChunk("ANFR", "V001", p);
}

Info Player7(uint32_t bits)
{
    Info i;
    i.spieler = 7;
    i.bits = bits;
    i.mac = "0a1b2c";
    return i;
}

// A pool of INFO, KORN, LAND and MOVE with its checksum as a server sends it.
Bytes ThreePool()
{
    Info i = Player7(2 | ChunkBit(CN_KORN) | ChunkBit(CN_LAND) | ChunkBit(CN_MOVE));
    i.restRunden = 40;
    i.misc = 1;
    i.checksum = 0x11223344;
    return Cat({InfoChunk(i), Korn(3), Land(500), Move({7, 8})});
}

const char *kPool = "pool.vek";

}  // namespace

TEST(CalcChunkSumme, SignedBytesMinusOne)
{
    static const uint8_t bytes[] = {0x01, 0x02, 0xFF, 0x80};
    EXPECT_EQ(CalcChunkSumme(bytes, 4), 0xFFFFFF7Eu);
    EXPECT_EQ(CalcChunkSumme(bytes, 0), 0u);
    Bytes big(100000);
    for (size_t i = 0; i < big.size(); ++i) big[i] = (uint8_t)(i * 13);
    EXPECT_EQ(CalcChunkSumme(big.data(), (ULONG)big.size()), Checksum(big));
}

TEST_F(Pool, AddToAMissingPoolGivesInfoAndTheChunk)
{
    // INFO of player 7 with FORS present, VekSystem 2 at 24 in host order, the
    // first six hex digits of the address, the checksum 0x5E4 in host order at
    // 42 (a sum of bytes: the same on either host).
    uint8_t golden[80] = {
        'I', 'N', 'F', 'O', 'V', '0', '0', '1', 0, 0, 0, 0x28, 0, 0, 0, 7, 0, 0x04, 0, 0x02, 0, 0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        '0', 'a', '1', 'b', '2', 'c',
        'F', 'O', 'R', 'S', 'V', '0', '0', '1', 0, 0, 0, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const UWORD system = 2;
    const ULONG firstSum = 0x5E4;
    std::memcpy(golden + 24, &system, 2);
    std::memcpy(golden + 42, &firstSum, 4);
    void *fors = AllocChunk(CN_FORS, 0, 1);
    ASSERT_EQ(AddChunkPool(fors, kPool), 1);
    Bytes pool = ReadBytes(kPool);
    EXPECT_EQ(pool, Bytes(golden, golden + 80));

    // The same chunk again lies where it was; the new checksum counts the old one.
    ASSERT_EQ(AddChunkPool(fors, kPool), 1);
    Bytes again = ReadBytes(kPool);
    uint32_t sum;
    std::memcpy(&sum, &again[42], 4);
    EXPECT_EQ(sum, 0x5CDu);
    std::memcpy(&again[42], &firstSum, 4);
    EXPECT_EQ(again, pool) << "only the checksum changed";
    FreeChunk(fors);
}

TEST_F(Pool, WithoutAnAddressTheInfoRecordKeepsZeros)
{
    PoolMacAddressHook = nullptr;
    Bytes land = Land(9);
    ASSERT_EQ(AddChunkPool(Host(land).data(), kPool), 1);
    Bytes pool = ReadBytes(kPool);
    ASSERT_EQ(pool.size(), 52 + land.size());
    EXPECT_EQ(Bytes(pool.begin() + 46, pool.begin() + 52), Bytes(6, 0));
    EXPECT_EQ(Get32(pool, 16), 2u | ChunkBit(CN_LAND));
}

TEST_F(Pool, AppendInPlaceAndRebuild)
{
    const Bytes start = ThreePool();
    struct Row {
        const char *name;
        Bytes chunk;  // file order
        Bytes expected;  // before the checksum
        bool newChecksum;
    } rows[] = {
        {"append a new chunk", Anfr({12, 13}), {}, true},
        {"same version and length overwrite in place", Land(777), {}, true},
        {"another length moves the chunk to the end", Move({7}), {}, false},
        {"another version moves the chunk to the end", {}, {}, false},
    };
    Bytes korn2 = Korn(4);
    std::memcpy(&korn2[4], "V002", 4);
    rows[3].chunk = korn2;
    Info i = Player7(2 | ChunkBit(CN_KORN) | ChunkBit(CN_LAND) | ChunkBit(CN_MOVE));
    i.restRunden = 40;
    i.misc = 1;
    i.checksum = 0x11223344;
    Info withAnfr = i;
    withAnfr.bits |= ChunkBit(CN_ANFR);
    rows[0].expected = Cat({InfoChunk(withAnfr), Korn(3), Land(500), Move({7, 8}), rows[0].chunk});
    rows[1].expected = Cat({InfoChunk(i), Korn(3), Land(777), Move({7, 8})});
    rows[2].expected = Cat({InfoChunk(i), Korn(3), Land(500), Move({7})});
    rows[3].expected = Cat({InfoChunk(i), Land(500), Move({7, 8}), korn2});
    for (Row &r : rows) {
        SCOPED_TRACE(r.name);
        WriteBytes(kPool, start);
        Bytes host = Host(r.chunk);
        const Bytes before = host;
        ASSERT_EQ(AddChunkPool(host.data(), kPool), 1);
        EXPECT_EQ(host, before) << "the caller's chunk is unchanged";
        if (r.newChecksum) StampChecksum(r.expected);
        EXPECT_EQ(ReadBytes(kPool), r.expected);
    }
}

// Several chunks in one rewrite give the bytes of adding them one by one,
// and one that cannot be stored leaves the pool untouched.
TEST_F(Pool, SeveralChunksInOneRewrite)
{
    const Bytes start = ThreePool();
    WriteBytes(kPool, start);
    Bytes land = Host(Land(777)), anfr = Host(Anfr({12})), move = Host(Move({7}));
    ASSERT_EQ(AddChunkPool(land.data(), kPool), 1);
    ASSERT_EQ(AddChunkPool(anfr.data(), kPool), 1);
    ASSERT_EQ(AddChunkPool(move.data(), kPool), 1);
    const Bytes oneByOne = ReadBytes(kPool);
    WriteBytes(kPool, start);
    const void *three[] = {land.data(), anfr.data(), move.data()};
    ASSERT_EQ(AddChunksPool(three, 3, kPool), 1);
    EXPECT_EQ(ReadBytes(kPool), oneByOne);

    WriteBytes(kPool, start);
    Bytes bad = land;
    std::memcpy(bad.data(), "XXXX", 4);
    const void *mixed[] = {land.data(), bad.data()};
    EXPECT_EQ(AddChunksPool(mixed, 2, kPool), 0);
    const void *withNull[] = {land.data(), nullptr};
    EXPECT_EQ(AddChunksPool(withNull, 2, kPool), 0);
    EXPECT_EQ(ReadBytes(kPool), start);
}

TEST_F(Pool, RemoveChunks)
{
    const Bytes start = ThreePool();
    Info i = Player7(2 | ChunkBit(CN_KORN) | ChunkBit(CN_MOVE));
    i.restRunden = 40;
    i.misc = 1;
    i.checksum = 0x11223344;
    WriteBytes(kPool, start);
    ASSERT_EQ(RemChunkPool(ID_LAND, kPool), 1);
    EXPECT_EQ(ReadBytes(kPool), Cat({InfoChunk(i), Korn(3), Move({7, 8})}));

    WriteBytes(kPool, start);
    EXPECT_EQ(RemChunkPool(ID_ARMY, kPool), 1) << "absent chunk";
    EXPECT_EQ(ReadBytes(kPool), start);

    struct Row {
        const char *name;
        uint32_t id;
        const char *pool;
        const char *message;
    } refused[] = {
        {"INFO", ID_INFO, kPool, "RemChunkPool:002\n"},
        {"no pool name", ID_LAND, nullptr, "RemChunkPool:001\n"},
        {"unknown ID", MakeChunkID("ABCD"), kPool, "RemChunkPool:003\n"},
        {"missing pool", ID_LAND, "missing.vek", "RemChunkPool:004\n"},
    };
    for (const Row &r : refused) {
        SCOPED_TRACE(r.name);
        StdoutCapture cap;
        EXPECT_EQ(RemChunkPool(r.id, r.pool), 0);
        EXPECT_NE(cap.Take().find(r.message), std::string::npos);
        EXPECT_EQ(ReadBytes(kPool), start);
    }
}

TEST_F(Pool, DuplicatesAndBitsThatDisagreeWithTheChunks)
{
    Info i = Player7(2 | ChunkBit(CN_LAND));
    Bytes dup = Cat({InfoChunk(i), Land(1), Korn(3), Land(2)});
    // Rebuild drops every copy; removal drops every copy.
    WriteBytes(kPool, dup);
    Bytes land = Land(3);
    land.push_back(0);
    Set32(land, 8, 161);
    ASSERT_EQ(AddChunkPool(Host(land).data(), kPool), 1);
    Info withKorn = i;
    EXPECT_EQ(ReadBytes(kPool), Cat({InfoChunk(withKorn), Korn(3), land}));
    WriteBytes(kPool, dup);
    ASSERT_EQ(RemChunkPool(ID_LAND, kPool), 1);
    EXPECT_EQ(ReadBytes(kPool), Cat({InfoChunk(Player7(2)), Korn(3)}));

    // A chunk whose bit is clear is found and replaced, and its bit set.
    WriteBytes(kPool, Cat({InfoChunk(Player7(2)), Land(1)}));
    ASSERT_EQ(AddChunkPool(Host(Land(4)).data(), kPool), 1);
    Bytes expected = Cat({InfoChunk(Player7(2 | ChunkBit(CN_LAND))), Land(4)});
    StampChecksum(expected);
    EXPECT_EQ(ReadBytes(kPool), expected);

    // A bit without its chunk: the chunk is appended.
    WriteBytes(kPool, InfoChunk(Player7(2 | ChunkBit(CN_LAND))));
    StdoutCapture cap;
    ASSERT_EQ(AddChunkPool(Host(Land(5)).data(), kPool), 1);
    EXPECT_NE(cap.Take().find("obwohl das Bit im INFO Chunk gesetzt war"), std::string::npos);
    expected = Cat({InfoChunk(Player7(2 | ChunkBit(CN_LAND))), Land(5)});
    StampChecksum(expected);
    EXPECT_EQ(ReadBytes(kPool), expected);
}

// Broken pools: no change goes through and not a byte of the file changes.
TEST_F(Pool, BrokenPoolsAreRefusedUntouched)
{
    Bytes info = InfoChunk(Player7(2 | ChunkBit(CN_LAND)));
    const Bytes land = Land(1);
    Bytes longInfo = info;
    Set32(longInfo, 8, 41);
    longInfo.push_back(0);
    Bytes pastEnd = Land(1);
    Set32(pastEnd, 8, 500);
    Bytes hugeLength = Land(1);
    Set32(hugeLength, 8, 0xFFFFFFF4u);
    struct Row {
        const char *name;
        Bytes pool;
    } rows[] = {
        {"INFO not first", Cat({Land(1), info})},
        {"no INFO at all", Land(1)},
        {"INFO of another length", Cat({longInfo, Land(1)})},
        {"truncated head at the end", Cat({info, Land(1), Bytes(7, 0)})},
        {"truncated last chunk", Cat({info, Bytes(land.begin(), land.end() - 1)})},
        {"length past the end", Cat({info, pastEnd})},
        {"huge length", Cat({info, hugeLength})},
        {"a file shorter than INFO", Bytes(info.begin(), info.begin() + 30)},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        WriteBytes(kPool, r.pool);
        EXPECT_EQ(AddChunkPool(Host(Korn(1)).data(), kPool), 0);
        EXPECT_EQ(AddChunkPool(Host(Land(2)).data(), kPool), 0);
        EXPECT_EQ(RemChunkPool(ID_LAND, kPool), 0);
        EXPECT_EQ(ReadBytes(kPool), r.pool);
    }
    EXPECT_EQ(GetDirEntries("."), 1) << "no work files are left";
}

TEST_F(Pool, RefusedChunks)
{
    WriteBytes(kPool, ThreePool());
    StdoutCapture cap;
    EXPECT_EQ(AddChunkPool(nullptr, kPool), 0);
    EXPECT_NE(cap.Take().find("AddChunkPool: Der uebergebenden Chunk Zeigt auf die Adresse NULL!(Abbruch)\n"),
              std::string::npos);
    Bytes unknown = Host(FileChunk("ABCD", "V001", Bytes(4, 1)));
    StdoutCapture cap2;
    EXPECT_EQ(AddChunkPool(unknown.data(), kPool), 0);
    EXPECT_NE(cap2.Take().find("AddChunkPool :Die uebergebene ChunkID ABCD ist nicht gueltig."), std::string::npos);
    EXPECT_EQ(AddChunkPool(Host(InfoChunk(Player7(2))).data(), kPool), 0);
    EXPECT_EQ(ReadBytes(kPool), ThreePool());
    // An ARMY chunk whose walk stops early would go into the pool half converted.
    Bytes army;
    PutHost32(army, ID_ARMY);
    PutHost32(army, VERSION_V001);
    PutHost32(army, 4);
    PutHost32(army, 2);
    EXPECT_EQ(AddChunkPool(army.data(), kPool), 0);
    EXPECT_EQ(ReadBytes(kPool), ThreePool());

    // A missing pool is still created for a null chunk, with INFO alone.
    EXPECT_EQ(AddChunkPool(nullptr, "new.vek"), 0);
    EXPECT_EQ(ReadBytes("new.vek"), InfoChunk(Player7(2)));
    // An empty file holds nothing to lose: it is taken as a missing pool.
    WriteBytes("empty.vek", {});
    EXPECT_EQ(AddChunkPool(Host(Land(1)).data(), "empty.vek"), 1);
    EXPECT_EQ(ReadBytes("empty.vek").size(), 52u + 172);
    // A pool that cannot be written reports 0.
    EXPECT_EQ(AddChunkPool(Host(Land(1)).data(), "no/such/dir/pool.vek"), 0);
}

TEST_F(Pool, AnOldBackupIsNeverOverwritten)
{
    WriteBytes("VekChunkPool.bak", {9, 9, 9});
    WriteBytes(kPool, ThreePool());
    ASSERT_EQ(AddChunkPool(Host(Move({1})).data(), kPool), 1);
    ASSERT_EQ(AddChunkPool(Host(Land(1)).data(), kPool), 1);
    ASSERT_EQ(RemChunkPool(ID_KORN, kPool), 1);
    EXPECT_EQ(ReadBytes("VekChunkPool.bak"), (Bytes{9, 9, 9}));
    EXPECT_EQ(GetDirEntries("."), 2);
}

TEST_F(Pool, UpdateInfoChunkSetsAndClearsOneBit)
{
    struct Row {
        const char *name;
        ULONG num;
        int mode;
        uint32_t before, after;
    } rows[] = {
        {"set", CN_LAND, 1, 2, 2 | ChunkBit(CN_LAND)},
        {"set a set bit", CN_LAND, 1, 2 | ChunkBit(CN_LAND), 2 | ChunkBit(CN_LAND)},
        {"clear", CN_LAND, 0, 2 | ChunkBit(CN_LAND) | ChunkBit(CN_MOVE), 2 | ChunkBit(CN_MOVE)},
        {"clear a clear bit", CN_KORN, 0, 2 | ChunkBit(CN_LAND), 2 | ChunkBit(CN_LAND)},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        WriteBytes(kPool, Cat({InfoChunk(Player7(r.before)), Land(1)}));
        ASSERT_EQ(UpdateInfoChunk(r.num, r.mode, kPool), 1);
        EXPECT_EQ(ReadBytes(kPool), Cat({InfoChunk(Player7(r.after)), Land(1)}));
    }
    struct Bad {
        const char *name;
        Bytes pool;
        ULONG num;
        const char *message;
    } bad[] = {
        {"short file", Bytes(20, 0), CN_LAND, "UpdateInfoChunk:003\n"},
        {"not INFO", Cat({Land(1)}), CN_LAND, "UpdateInfoChunk:003"},
        {"number out of range", InfoChunk(Player7(2)), 32, "Chunknummer 32"},
    };
    for (const Bad &b : bad) {
        SCOPED_TRACE(b.name);
        WriteBytes(kPool, b.pool);
        StdoutCapture cap;
        EXPECT_EQ(UpdateInfoChunk(b.num, 1, kPool), 0);
        EXPECT_NE(cap.Take().find(b.message), std::string::npos);
        EXPECT_EQ(ReadBytes(kPool), b.pool);
    }
    EXPECT_EQ(UpdateInfoChunk(CN_LAND, 1, nullptr), 0);
    EXPECT_EQ(UpdateInfoChunk(CN_LAND, 1, "missing"), 0);
}

// A turn's orders from nothing: the pool after each call, written by hand.
TEST_F(Pool, AWholeTurnOfOrders)
{
    MakeDirs("Data/POP3Out");
    const char *out = POOL_OUT;
    Bytes land1 = Land(100), land2 = Land(90), move1 = Move({7}), move2 = Move({7, 7}), korn = Korn(2);

    ASSERT_EQ(AddChunkPool(Host(land1).data(), out), 1);
    Bytes expected = Cat({InfoChunk(Player7(2 | ChunkBit(CN_LAND))), land1});
    StampChecksum(expected);
    ASSERT_EQ(ReadBytes(out), expected);

    ASSERT_EQ(AddChunkPool(Host(move1).data(), out), 1);
    Set32(expected, 16, Get32(expected, 16) | ChunkBit(CN_MOVE));
    expected = Cat({expected, move1});
    StampChecksum(expected);
    ASSERT_EQ(ReadBytes(out), expected);

    ASSERT_EQ(AddChunkPool(Host(land2).data(), out), 1);  // in place
    std::copy(land2.begin(), land2.end(), expected.begin() + 52);
    StampChecksum(expected);
    ASSERT_EQ(ReadBytes(out), expected);

    ASSERT_EQ(AddChunkPool(Host(korn).data(), out), 1);  // append
    Set32(expected, 16, Get32(expected, 16) | ChunkBit(CN_KORN));
    expected = Cat({expected, korn});
    StampChecksum(expected);
    ASSERT_EQ(ReadBytes(out), expected);

    ASSERT_EQ(AddChunkPool(Host(move2).data(), out), 1);  // rebuild: MOVE to the end, checksum kept
    Bytes info(expected.begin(), expected.begin() + 52);
    expected = Cat({info, land2, korn, move2});
    ASSERT_EQ(ReadBytes(out), expected);

    ASSERT_EQ(RemChunkPool(ID_LAND, out), 1);
    Set32(info, 16, Get32(info, 16) & ~ChunkBit(CN_LAND));
    expected = Cat({info, korn, move2});
    ASSERT_EQ(ReadBytes(out), expected);
    EXPECT_EQ(IsChunkPresent(ChunkBit(CN_KORN) | ChunkBit(CN_MOVE), out), 1);
    EXPECT_EQ(IsChunkPresent(ChunkBit(CN_LAND), out), 0);
}

TEST_F(Pool, ReadersTakeTheOutgoingPoolFirst)
{
    MakeDirs("Data/POP3Out");
    MakeDirs("Data/POP3In");
    WriteBytes(POOL_IN, ThreePool());
    auto *land = (st_LAND *)LoadCurrentChunk(ID_LAND);
    ASSERT_NE(land, nullptr);
    EXPECT_EQ(+land->AnzGold, 500u);
    FreeVec(land);
    ASSERT_EQ(AddChunkPool(Host(Land(42)).data(), POOL_OUT), 1);
    land = (st_LAND *)LoadCurrentChunk(ID_LAND);
    ASSERT_NE(land, nullptr);
    EXPECT_EQ(+land->AnzGold, 42u);
    FreeVec(land);
    auto *korn = (st_KORN *)LoadCurrentChunk(ID_KORN);
    ASSERT_NE(korn, nullptr);
    EXPECT_EQ(+korn->Quartal, 3);
    FreeVec(korn);
    EXPECT_EQ(LoadCurrentChunk(ID_ARMY), nullptr);
}

TEST_F(Pool, PlayerInfoFromTheReceivedPool)
{
    PlayerInfo.Misc = 0;
    PlayerInfo.RestRunden = 0;
    PlayerInfo.Quartal = 9;
    EXPECT_EQ(ReadPlayerInfoFromPool(), 0) << "no received pool";
    EXPECT_EQ(PlayerInfo.Quartal, 9);
    MakeDirs("Data/POP3In");
    WriteBytes(POOL_IN, ThreePool());
    EXPECT_EQ(ReadPlayerInfoFromPool(), 1);
    EXPECT_EQ(PlayerInfo.Misc, 1);
    EXPECT_EQ(PlayerInfo.RestRunden, 40u);
    EXPECT_EQ(PlayerInfo.Quartal, 3);
    WriteBytes(POOL_IN, InfoChunk(Player7(2)));
    PlayerInfo.Quartal = 9;
    EXPECT_EQ(ReadPlayerInfoFromPool(), 1);
    EXPECT_EQ(PlayerInfo.Quartal, 9) << "without KORN the quarter stays";
    WriteBytes(POOL_IN, Land(1));
    EXPECT_EQ(ReadPlayerInfoFromPool(), 0);
}
