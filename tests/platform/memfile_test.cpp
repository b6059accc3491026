// Memory counters, file modes, seeking, locks, time arithmetic and bit helpers.
#include <gtest/gtest.h>
#include <cstring>
#include <sys/stat.h>

#include "common/testutil.h"
#include "platform/memfile.h"

using namespace vektest;

TEST(AllocVec, ZeroSizeGivesNullAndCountsNothing)
{
    const ULONG before = MemAllocatedCounter.load();
    EXPECT_EQ(AllocVec(0, MEMF_CLEAR), nullptr);
    EXPECT_EQ(MemAllocatedCounter.load(), before);
    EXPECT_EQ(FreeVec(nullptr), nullptr);
}

TEST(AllocVec, ClearFlagZeroFillsAndCountersBalance)
{
    const ULONG a0 = MemAllocatedCounter.load(), f0 = MemFreedCounter.load();
    auto *p = (unsigned char *)AllocVec(4096, MEMF_CLEAR | MEMF_PUBLIC);
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(p[i], 0) << i;
    FreeVec(p);
    EXPECT_EQ(MemAllocatedCounter.load() - a0, 1u);
    EXPECT_EQ(MemFreedCounter.load() - f0, 1u);
}

TEST(AvailMem, ComesFromTheHook)
{
    ULONG (*saved)() = AvailMemHook;
    AvailMemHook = [] { return (ULONG)12345; };
    EXPECT_EQ(AvailMem(0), 12345u);
    AvailMemHook = saved;
    EXPECT_GT(AvailMem(0), 0u);
}

TEST(Open, ModesTable)
{
    ScratchDir dir;
    WriteText("existing", "hello");
    struct Row {
        const char *name;
        const char *file;
        LONG mode;
        bool opens;
        const char *contentAfter;  // null: file must not exist afterwards
    } rows[] = {
        {"1005 on a missing file", "missing", MODE_OLDFILE, false, nullptr},
        {"1004 on a missing file", "missing", MODE_READWRITE, false, nullptr},
        {"1007 on a missing file", "missing", MODE_OLDFILE2, false, nullptr},
        {"1005 keeps the bytes", "existing", MODE_OLDFILE, true, "hello"},
        {"1004 keeps the bytes", "existing", MODE_READWRITE, true, "hello"},
        {"unknown mode", "existing", 1003, false, "hello"},
        {"1006 empties an existing file", "existing", MODE_NEWFILE, true, ""},
        {"1006 creates a missing file", "created", MODE_NEWFILE, true, ""},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        BPTR f = Open(r.file, r.mode);
        EXPECT_EQ(f != nullptr, r.opens);
        if (f) Close(f);
        if (r.contentAfter) {
            Bytes b = ReadBytes(r.file);
            EXPECT_EQ(std::string(b.begin(), b.end()), r.contentAfter);
        } else {
            EXPECT_FALSE(Exists(r.file));
        }
    }
}

// A caller that will write must not get a handle that silently drops its
// changes; a caller that only reads may read a file it may not write.
TEST(Open, ReadOnlyFileIsRefusedForWritingAndReadableForReading)
{
    ScratchDir dir;
    WriteText("ro", "data");
    chmod("ro", 0444);
    chmod(".", 0777);
    int r = vektest::AsUnprivileged([] {
        for (LONG mode : {MODE_READWRITE, MODE_OLDFILE, MODE_OLDFILE2})
            if (BPTR f = Open("ro", mode)) {
                Close(f);
                return 1;
            }
        BPTR f = OpenToRead("ro");
        if (!f) return 2;
        char buf[4];
        LONG got = Read(f, buf, 4);
        Close(f);
        return got == 4 && std::memcmp(buf, "data", 4) == 0 ? 0 : 3;
    });
    EXPECT_EQ(r, 0);
    EXPECT_EQ(OpenToRead("missing"), nullptr);
    EXPECT_EQ(OpenToRead(nullptr), nullptr);
}

TEST(Seek, PositionsAndErrors)
{
    ScratchDir dir;
    WriteBytes("f", Bytes(250, 7));
    BPTR f = Open("f", MODE_OLDFILE);
    ASSERT_NE(f, nullptr);
    struct Row {
        LONG pos, mode, expected;
    } rows[] = {
        {0, OFFSET_END, 250},       {12, OFFSET_BEGINNING, 12}, {8, OFFSET_CURRENT, 20},
        {-5, OFFSET_CURRENT, 15},   {0, 2, -1},                 {-1, OFFSET_BEGINNING, -1},
        {-10, OFFSET_END, 240},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << r.pos << "/" << r.mode);
        EXPECT_EQ(Seek(f, r.pos, r.mode), r.expected);
    }
    Close(f);
}

TEST(ReadWrite, ShortReadAndNullBuffer)
{
    ScratchDir dir;
    BPTR f = Open("rw", MODE_NEWFILE);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(Write(f, "abcdef", 6), 6);
    EXPECT_EQ(Write(f, nullptr, 6), 0);
    EXPECT_EQ(Seek(f, 0, OFFSET_BEGINNING), 0);
    char buf[10];
    EXPECT_EQ(Read(f, buf, 10), 6);
    Close(f);
}

TEST(Lock, ExistingKindsOnly)
{
    ScratchDir dir;
    WriteText("file", "x");
    MakeDirs("dir");
    EXPECT_NE(Lock("file", ACCESS_READ), 0);
    EXPECT_NE(Lock("dir", SHARED_LOCK), 0);
    EXPECT_EQ(Lock("nothing", ACCESS_READ), 0);
    EXPECT_EQ(Lock("/dev/null", ACCESS_READ), 0);  // exists, but is a device
    EXPECT_EQ(Lock("file", 3), 0);
}

TEST(CreateDir, IgnoresTheUmask)
{
    ScratchDir dir;
    mode_t old = umask(0077);
    EXPECT_NE(CreateDir("made"), 0);
    umask(old);
    struct stat st;
    ASSERT_EQ(stat("made", &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0775u);
    EXPECT_EQ(CreateDir("made"), 0);  // exists already
}

TEST(Time, NormalisedArithmeticAndCompare)
{
    timeval a{5, 900000}, b{0, 200000};
    AddTime(&a, &b);
    EXPECT_EQ(a.tv_sec, 6);
    EXPECT_EQ(a.tv_usec, 100000);
    timeval c{5, 100}, d{2, 300};
    SubTime(&c, &d);
    EXPECT_EQ(c.tv_sec, 2);
    EXPECT_EQ(c.tv_usec, 999800);

    struct Row {
        timeval a, b;
        LONG expected;
    } rows[] = {
        {{5, 0}, {5, 1}, 1},
        {{6, 0}, {5, 999999}, -1},
        {{7, 7}, {7, 7}, 0},
    };
    for (const Row &r : rows) EXPECT_EQ(CmpTime(&r.a, &r.b), r.expected);
    EXPECT_EQ(CmpTime(nullptr, &a), 0);
    AddTime(nullptr, &a);  // reported, not a crash
    timeval now{};
    GetSysTime(&now);
    EXPECT_GT(now.tv_sec, 1700000000);
}

TEST(Bits, NumbersAreTakenModulo32)
{
    EXPECT_EQ(BitTest(0x20, 37), 1u);
    EXPECT_EQ(BitTest(0x20, 4), 0u);
    EXPECT_EQ(BitSet(0, 33), 2u);
    EXPECT_EQ(BitClear(0xFFFFFFFF, 31), 0x7FFFFFFFu);
    EXPECT_EQ(BitInvert(0x1, 32), 0u);
}
