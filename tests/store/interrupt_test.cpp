// Crash safety: each pool change runs in a child process that is traced and
// killed just before its first, second, third ... file-changing system call
// (write, fsync, rename, unlink, open for writing ...). After every kill the
// pool must equal the old pool or the new one byte for byte, and the next
// change must go through.
#include <gtest/gtest.h>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <map>
#include <optional>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "chunkbytes.h"
#include "common/killtrace.h"
#include "common/testutil.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/store.h"

using namespace chunkbytes;
using vektest::Exists;
using vektest::MakeDirs;
using vektest::ReadBytes;
using vektest::ScratchDir;
using vektest::WriteBytes;

namespace {

BOOL FakeMac(char *buffer, ULONG *length)
{
    std::memcpy(buffer, "00163e5a0b11", 12);
    *length = 12;
    return 1;
}

Bytes Host(Bytes chunk)
{
    SwapByteOrderInChunk(chunk.data(), 1);
    return chunk;
}

Bytes Land(uint32_t gold)
{
    Bytes p(160, 0);
    Set32(p, 22, gold);
    return FileChunk("LAND", "V001", p);
}

Bytes Move(int figures)
{
    Bytes p;
    Put16(p, (uint16_t)figures);
    for (int i = 0; i < figures; ++i) {
        Put32(p, 7);
        Put16(p, 2);
        Put16(p, (uint16_t)i);
        Put32(p, 100);
        Put32(p, 200);
        p.push_back(1);
        p.push_back(2);
    }
    return FileChunk("MOVE", "V001", p);
}

Bytes StartPool()
{
    Info i;
    i.spieler = 7;
    i.bits = 2 | ChunkBit(CN_LAND) | ChunkBit(CN_MOVE) | ChunkBit(CN_EROR);
    i.checksum = 0xCAFE;
    Bytes pool = Cat({InfoChunk(i), Land(10), Move(3), FileChunk("EROR", "V001", Bytes(3000, 'e'))});
    return pool;
}

struct Scenario {
    const char *name;
    std::function<void()> setup;
    std::function<int()> change;
    const char *file;  // the file that must be old or new
};

using Snapshot = std::optional<Bytes>;  // nullopt: no such file

Snapshot Take(const char *file)
{
    if (!Exists(file)) return std::nullopt;
    return ReadBytes(file);
}

}  // namespace

TEST(PoolCrashSafety, KilledAtEveryWriteLeavesTheOldOrTheNewFile)
{
    if (!vektest::KillTraceAvailable()) GTEST_SKIP() << "the system-call trace is written for x86-64";
    BOOL (*savedHook)(char *, ULONG *) = PoolMacAddressHook;
    PoolMacAddressHook = FakeMac;
    PlayerInfo.SpielerID = 7;
    const char *pool = POOL_OUT;
    auto withPool = [pool] {
        MakeDirs("Data/POP3Out");
        WriteBytes(pool, StartPool());
    };
    Scenario scenarios[] = {
        {"create the pool", [] { MakeDirs("Data/POP3Out"); },
         [pool] { return AddChunkPool(Host(Land(1)).data(), pool); }, pool},
        {"append", withPool, [pool] { return AddChunkPool(Host(FileChunk("KORN", "V001", Bytes(52, 1))).data(), pool); },
         pool},
        {"in place", withPool, [pool] { return AddChunkPool(Host(Land(99)).data(), pool); }, pool},
        {"rebuild", withPool, [pool] { return AddChunkPool(Host(Move(5)).data(), pool); }, pool},
        {"remove", withPool, [pool] { return RemChunkPool(ID_MOVE, pool); }, pool},
        {"chunk bits", withPool, [pool] { return UpdateInfoChunk(CN_ARMY, 1, pool); }, pool},
        {"chunk file", [] { WriteBytes("Gebaeude.dat", FileChunk("GEBA", "V001", Bytes(6 + 16 * 40, 3))); },
         [] {
             Bytes geba = FileChunk("GEBA", "V001", Bytes(6, 0));
             return SaveChunk2File("Gebaeude.dat", Host(geba).data());
         },
         "Gebaeude.dat"},
    };
    for (const Scenario &s : scenarios) {
        SCOPED_TRACE(s.name);
        Snapshot before, after;
        {
            ScratchDir dir;
            s.setup();
            before = Take(s.file);
            ASSERT_EQ(s.change(), 1);
            after = Take(s.file);
            ASSERT_NE(before, after);
        }
        int total = 0;
        {
            ScratchDir dir;
            s.setup();
            vektest::KillResult whole = vektest::RunKilledAt(0, s.change);
            ASSERT_TRUE(whole.finished);
            EXPECT_EQ(whole.status, 0);
            EXPECT_EQ(Take(s.file), after) << "uninterrupted";
            total = whole.changes;
        }
        int killPoints = 0;
        for (int k : vektest::TraceKillPoints(total)) {
            ScratchDir dir;
            s.setup();
            vektest::KillResult r = vektest::RunKilledAt(k, s.change);
            ASSERT_FALSE(r.finished) << "the change took fewer calls than counted, at " << k;
            Snapshot now = Take(s.file);
            ++killPoints;
            ASSERT_TRUE(now == before || now == after) << "killed at file-changing call " << k;
            EXPECT_EQ(s.change(), 1) << "the next change after a kill at " << k;
        }
        EXPECT_GE(killPoints, 3) << "the trace saw the writes";
        std::printf("%s: %d kill points\n", s.name, killPoints);
    }
    PoolMacAddressHook = savedHook;
}

