// The movie file layer: which files are held whole, read directly or through
// the ring of the cache thread, and that each kind returns the file's bytes
// for reads and seeks alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sys/stat.h>

#include "gfx/screen.h"
#include "moviefixture.h"
#include "platform/memfile.h"

using vektest::Bytes;

namespace {

Bytes Pattern(size_t n)
{
    Bytes b(n);
    uint32_t x = 12345;
    for (auto &v : b) {
        x = x * 1103515245u + 12345u;
        v = (UBYTE)(x >> 16);
    }
    return b;
}

// A base with the cache thread (pipeline mode), or one without any worker.
struct Base {
    Screen screen{};
    st_MovieBase *mb;
    explicit Base(char sound) : mb(AllocMovieBase(&screen, 0, 0, sound)) {}
    ~Base() { FreeMovieBase(mb); }
};

}  // namespace

TEST(MovieFiles, SizeChoosesHowAFileIsRead)
{
    vektest::ScratchDir dir;
    vektest::StdoutCapture out;
    Base plain(2), cached(1);
    ASSERT_NE(plain.mb, nullptr);
    ASSERT_NE(cached.mb->MB_CacheProcess, nullptr);
    struct Row {
        const char *name;
        size_t size;
        st_MovieBase *mb;
        LONG type;
    };
    const Row rows[] = {
        {"just below 1 MiB is held whole", 1048575, plain.mb, 2},
        {"1 MiB is read directly without a cache thread", 1048576, plain.mb, 3},
        {"1 MiB goes through the ring with one", 1048576, cached.mb, 1},
        {"small file held whole also with a cache thread", 4000, cached.mb, 2},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        const Bytes data = Pattern(r.size);
        vektest::WriteBytes("m.cban", data);
        CacheHandle *h = AFX_Open("m.cban", 0, r.mb);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(h->Type, r.type);
        EXPECT_EQ(AFX_FileSize(h), (LONG)r.size);
        // After 16 bytes, 4 back: the old position is returned and byte 12 comes next.
        UBYTE buf[16];
        ASSERT_EQ(AFX_Read(h, buf, 16), 16);
        EXPECT_EQ(Bytes(buf, buf + 16), Bytes(data.begin(), data.begin() + 16));
        EXPECT_EQ(AFX_Seek(h, -4, OFFSET_CURRENT), 16);
        ASSERT_EQ(AFX_Read(h, buf, 1), 1);
        EXPECT_EQ(buf[0], data[12]);
        // Seeking to the size leaves the last byte; from the end and below 0 likewise clamp.
        AFX_Seek(h, (LONG)r.size, OFFSET_BEGINNING);
        EXPECT_EQ(AFX_Seek(h, 0, OFFSET_CURRENT), (LONG)r.size - 1);
        ASSERT_EQ(AFX_Read(h, buf, 16), 1);
        EXPECT_EQ(buf[0], data.back());
        AFX_Seek(h, -10, OFFSET_END);
        EXPECT_EQ(AFX_Seek(h, -100000000, OFFSET_CURRENT), (LONG)r.size - 10);
        EXPECT_EQ(AFX_Seek(h, 5, 7), 0);  // an unknown mode leaves the position
        EXPECT_EQ(AFX_Seek(h, 0, OFFSET_CURRENT), 0);
        EXPECT_EQ(AFX_Close(h), 0);
    }
    out.Take();
}

TEST(MovieFiles, RefusesWhatIsNotAMovieFile)
{
    vektest::ScratchDir dir;
    vektest::MakeDirs("Anims/sub");
    vektest::WriteBytes("empty.cban", {});
    vektest::StdoutCapture out;
    for (const char *path : {(const char *)nullptr, "", "x", "missing.cban", "Anims/", "Anims/sub", "empty.cban"}) {
        SCOPED_TRACE(path ? path : "null");
        EXPECT_EQ(AFX_Open(path, 0, nullptr), nullptr);
    }
    EXPECT_EQ(AFX_Close(nullptr), -1);
    EXPECT_EQ(AFX_FileSize(nullptr), 0);
    out.Take();
}

TEST(MovieFiles, RingReturnsTheFilesBytesForRandomSeeksAndReads)
{
    vektest::ScratchDir dir;
    const Bytes data = Pattern(3 * 1048576 + 77);
    vektest::WriteBytes("big.cban", data);
    vektest::StdoutCapture out;
    Base cached(1);
    CacheHandle *h = AFX_Open("big.cban", 0, cached.mb);
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(h->Type, 1);
    std::mt19937 rng(7);
    std::vector<UBYTE> buf(600000);
    LONG pos = 0;
    for (int i = 0; i < 300; ++i) {
        SCOPED_TRACE(i);
        const int kind = (int)(rng() % 4);
        if (kind == 0) {
            pos = (LONG)(rng() % data.size());
            AFX_Seek(h, pos, OFFSET_BEGINNING);
        } else if (kind == 1) {
            const LONG step = (LONG)(rng() % 400000) - 200000;
            AFX_Seek(h, step, OFFSET_CURRENT);
            pos = std::clamp<LONG>(pos + step, 0, (LONG)data.size() - 1);
        }
        const LONG want = (LONG)(rng() % (kind == 3 ? buf.size() : 5000)) + 1;
        const LONG expect = std::min<LONG>(want, (LONG)data.size() - pos);
        ASSERT_EQ(AFX_Read(h, buf.data(), want), expect);
        ASSERT_TRUE(std::equal(buf.begin(), buf.begin() + expect, data.begin() + pos));
        pos += expect;
        if (pos >= (LONG)data.size()) {
            AFX_Seek(h, 0, OFFSET_BEGINNING);
            pos = 0;
        }
    }
    // Straight through from the start, in frame-sized reads.
    AFX_Seek(h, 0, OFFSET_BEGINNING);
    Bytes all;
    for (LONG n; (n = AFX_Read(h, buf.data(), 70001)) > 0;) all.insert(all.end(), buf.begin(), buf.begin() + n);
    EXPECT_EQ(all, data);
    EXPECT_EQ(AFX_Close(h), 0);
    out.Take();
}

TEST(MovieFiles, ChunkHeadersAreReadBigEndianAndUnscrambled)
{
    vektest::ScratchDir dir;
    const Bytes file = movietest::MovieFile(movietest::ThreeFrames(), true);
    vektest::WriteBytes("s.cban", file);
    vektest::StdoutCapture out;
    CacheHandle *h = AFX_Open("s.cban", 0, nullptr);
    ASSERT_NE(h, nullptr);
    LONG chunk[2];
    ASSERT_EQ(ReadChunk2(h, chunk, 0), 8);
    EXPECT_EQ((ULONG)chunk[0], 0x464F524Du);  // "FORM"
    EXPECT_EQ((ULONG)chunk[1], file.size() - 8);
    AFX_Seek(h, 4, OFFSET_CURRENT);
    ASSERT_EQ(ReadChunk2(h, chunk, 7391), 8);
    EXPECT_EQ((ULONG)chunk[0], ~0x464F524Du);  // the scrambled FORM identifier
    EXPECT_EQ(chunk[1], 96);                   // the key frame's payload
    AFX_Close(h);
    out.Take();
}
