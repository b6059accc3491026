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
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/user.h>
#include <sys/wait.h>
#include <unistd.h>

#include "chunkbytes.h"
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

#if defined(__x86_64__)

namespace {

// True for a system call that changes a file or a directory entry.
bool ChangesFiles(const user_regs_struct &r)
{
    auto writable = [](unsigned long long flags) { return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0; };
    switch (r.orig_rax) {
    case SYS_write: case SYS_pwrite64: case SYS_writev: case SYS_pwritev: case SYS_pwritev2:
        return r.rdi > 2;  // not the standard streams
    case SYS_open: return writable(r.rsi);
    case SYS_openat: return writable(r.rdx);
    case SYS_creat: case SYS_rename: case SYS_renameat: case SYS_renameat2: case SYS_unlink: case SYS_unlinkat:
    case SYS_fsync: case SYS_fdatasync: case SYS_ftruncate: case SYS_truncate: case SYS_fchmod: case SYS_link:
    case SYS_linkat:
        return true;
    default:
        return false;
    }
}

struct TraceResult {
    bool finished = false;  // the child ran to its end before the kill point
    int status = -1;        // its exit status when it finished
    int changes = 0;        // file-changing calls seen
};

// Runs op in a traced child and kills it on entry to its killAt-th
// file-changing system call (never, for killAt 0).
TraceResult RunKilledAt(int killAt, const std::function<int()> &op)
{
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t pid = fork();
    if (pid == 0) {
        int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) dup2(quiet, 1);
        ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        raise(SIGSTOP);
        int ok = op();
        std::fflush(stdout);
        _exit(ok == 1 ? 0 : 1);
    }
    TraceResult res;
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return res;
    ptrace(PTRACE_SETOPTIONS, pid, nullptr, (void *)(long)(PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL));
    int pass = 0;
    for (;;) {
        ptrace(PTRACE_SYSCALL, pid, nullptr, (void *)(long)pass);
        pass = 0;
        if (waitpid(pid, &status, 0) != pid) return res;
        if (WIFEXITED(status) || WIFSIGNALED(status)) {
            res.finished = true;
            res.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return res;
        }
        if (!WIFSTOPPED(status)) continue;
        if (WSTOPSIG(status) != (SIGTRAP | 0x80)) {
            pass = WSTOPSIG(status);  // a signal for the child: hand it on
            continue;
        }
        user_regs_struct regs;
        ptrace(PTRACE_GETREGS, pid, nullptr, &regs);
        if ((long long)regs.rax != -ENOSYS) continue;  // the return of a call, not its entry
        if (!ChangesFiles(regs)) continue;
        if (++res.changes == killAt) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return res;
        }
    }
}

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
        // A traced run to its end counts the file-changing calls.
        int killPoints = 0;
        {
            ScratchDir dir;
            s.setup();
            TraceResult r = RunKilledAt(0, s.change);
            ASSERT_TRUE(r.finished);
            EXPECT_EQ(r.status, 0);
            EXPECT_EQ(Take(s.file), after) << "uninterrupted";
            killPoints = r.changes;
        }
        // Killed at each of them (a sample in the sanitizer build).
        for (int point : vektest::KillPoints(killPoints)) {
            const int k = point + 1;
            ScratchDir dir;
            s.setup();
            TraceResult r = RunKilledAt(k, s.change);
            Snapshot now = Take(s.file);
            ASSERT_FALSE(r.finished) << "the run ended before file-changing call " << k;
            ASSERT_TRUE(now == before || now == after) << "killed at file-changing call " << k;
            EXPECT_EQ(s.change(), 1) << "the next change after a kill at " << k;
        }
        EXPECT_GE(killPoints, 3) << "the trace saw the writes";
        std::printf("%s: %d kill points\n", s.name, killPoints);
    }
    PoolMacAddressHook = savedHook;
}

#else

TEST(PoolCrashSafety, KilledAtEveryWriteLeavesTheOldOrTheNewFile)
{
    GTEST_SKIP() << "the system-call trace is written for x86-64";
}

#endif
