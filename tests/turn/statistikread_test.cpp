// Reading the statistics file back: what the writer keeps comes back value
// for value, and a damaged file gives no data and allocates nothing.
#include <gtest/gtest.h>

#include <string>

#include "common/testutil.h"
#include "platform/memfile.h"
#include "turn/turn.h"

using namespace vektest;

namespace {

void PutLE(Bytes &b, ULONG v, int n)
{
    for (int i = 0; i < n; ++i) b.push_back((UBYTE)(v >> (8 * i)));
}

Bytes File(ULONG quarters, ULONG entries, ULONG records, UWORD last = 5)
{
    Bytes b;
    PutLE(b, quarters, 4);
    PutLE(b, last, 2);
    PutLE(b, entries, 4);
    for (ULONG r = 0; r < records; ++r)
        for (ULONG i = 0; i < 10; ++i) PutLE(b, 1000 * r + i, 4);
    return b;
}

TEST(ReadStatistikDaten, RecordsInFieldOrder)
{
    ScratchDir dir;
    WriteBytes("stat.vek", File(3, 10, 3, 0x1234));
    StatistikDaten *d = nullptr;
    ULONG n = 0;
    UWORD last = 0;
    ASSERT_TRUE(ReadStatistikDaten("stat.vek", &d, &n, &last));
    ASSERT_EQ(n, 3u);
    EXPECT_EQ(last, 0x1234);
    EXPECT_EQ(d[0].Korn, 0u);
    EXPECT_EQ(d[2].Korn, 2000u);
    EXPECT_EQ(d[2].AnzMineralHq, 2009u);
    EXPECT_EQ(StatistikWert(d[1], 6), 1006u);
    FreeVec(d);
    // No file: no data, and that is no failure.
    ASSERT_TRUE(ReadStatistikDaten("none.vek", &d, &n, &last));
    EXPECT_EQ(d, nullptr);
    EXPECT_EQ(n, 0u);
}

TEST(ReadStatistikDaten, HostileFilesGiveNoData)
{
    Bytes cut = File(2, 10, 2);
    cut.resize(cut.size() - 1);
    Bytes short9 = File(0, 10, 0);
    short9.resize(9);
    const struct {
        const char *name;
        Bytes bytes;
    } rows[] = {
        {"head of 9 bytes", short9},
        {"eleven values", File(1, 11, 1)},
        {"count 0xFFFFFFFF over two records", File(0xFFFFFFFF, 10, 2)},
        {"count 0x06666667 wraps (n + 1) x 40", File(0x06666667, 10, 2)},
        {"a cut record", cut},
        {"empty file", Bytes{}},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        ScratchDir dir;
        WriteBytes("stat.vek", r.bytes);
        StatistikDaten *d = nullptr;
        ULONG n = 7;
        UWORD last = 7;
        EXPECT_FALSE(ReadStatistikDaten("stat.vek", &d, &n, &last));
        EXPECT_EQ(d, nullptr);
        EXPECT_EQ(n, 0u);
    }
}

}  // namespace
