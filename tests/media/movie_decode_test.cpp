// Frame decoding: golden frames (key frame, deltas into the frame two back,
// colour chunks, pad bytes), hostile chunks that must drop their frame without
// touching the buffers, and the scrambled headers with their key roll.
#include <gtest/gtest.h>

#include <cstring>

#include "kit.h"
#include "moviefixture.h"
#include "platform/datakit.h"

using namespace movietest;

namespace {

// The colour table as words: {count, first} and three components per colour.
std::vector<ULONG> Group(const ULONG *t, size_t colours)
{
    return std::vector<ULONG>(t, t + 1 + 3 * colours);
}
ULONG Head(UWORD count, UWORD first)
{
    ULONG v;
    const UWORD w[2] = {count, first};
    std::memcpy(&v, w, 4);
    return v;
}

const Bytes kKeyBody = [] {
    Bytes b = {0x01, 0x80, 0x00};
    for (int i = 0; i < 15; ++i) b.insert(b.end(), {0xFF, 0x00});
    return b;
}();
const Bytes kSixEmptyRows = {0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0};

}  // namespace

TEST(FrameDecoding, ThreeFrameMovieShowsTheTwoBackRule)
{
    TestMovie t;
    const auto frames = ThreeFrames();
    ASSERT_EQ(t.Parse(FramePayload(frames[0])), 1);
    const ANIM5Handle *h = t.m.A5Handle;
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(t.m.Width, 16u);
    EXPECT_EQ(t.m.Height, 2u);
    EXPECT_EQ(t.m.ColCnt, 256);
    // Both buffers hold the key frame.
    EXPECT_EQ(Bytes(h->PBuffer1, h->PBuffer1 + 32), Bytes(h->PBuffer2, h->PBuffer2 + 32));
    EXPECT_EQ(NewestBuffer(h), h->PBuffer1);
    EXPECT_EQ(PixelOf(h->PBuffer1, 16, 2, 0, 0), 1);
    EXPECT_EQ(PixelOf(h->PBuffer1, 16, 2, 1, 0), 0);

    ASSERT_EQ(t.Parse(FramePayload(frames[1])), 1);
    EXPECT_EQ(NewestBuffer(h), h->PBuffer2);  // the first delta is shown from PBuffer2
    EXPECT_EQ(PixelOf(h->PBuffer2, 16, 2, 0, 0), 1);  // plane 0 had offset 0: as it was
    EXPECT_EQ(PixelOf(h->PBuffer2, 16, 2, 1, 1), 2);

    ASSERT_EQ(t.Parse(FramePayload(frames[2])), 1);
    EXPECT_EQ(NewestBuffer(h), h->PBuffer1);
    EXPECT_EQ(PixelOf(h->PBuffer1, 16, 2, 0, 0), 1);
    EXPECT_EQ(PixelOf(h->PBuffer1, 16, 2, 15, 0), 255);
    EXPECT_EQ(PixelOf(h->PBuffer1, 16, 2, 1, 1), 0);  // written over the key frame, not the last one
    // The LRGB of the key frame: three colours from index 0.
    EXPECT_EQ(Group(t.rgb, 3), (std::vector<ULONG>{Head(3, 0), 0, 0, 0, 0xFF000000, 0, 0, 0, 0xFF000000, 0}));
    EXPECT_EQ(t.rgb[10], 0u);
}

TEST(FrameDecoding, GoldenRows)
{
    const Bytes lrgb = {1, 5, 0x10, 0x20, 0x30, 0, 0};
    Bytes cmap(768, 0);
    cmap[0] = 0x11, cmap[1] = 0x22, cmap[2] = 0x33;
    Bytes opsBody;  // column 0 of plane 0: 199 empty copies, then one real copy
    opsBody.push_back(200);
    opsBody.insert(opsBody.end(), 199, 0x80);
    opsBody.insert(opsBody.end(), {0x81, 0x7F, 0x00});
    struct Row {
        const char *name;
        std::vector<Chunk> chunks;
        bool oddEnd;
        std::vector<std::pair<int, int>> pixelsAt;  // (x, y) of the newest buffer
        std::vector<int> pixels;
        std::vector<ULONG> table;                   // the colour table's first words; empty: not checked
    };
    const std::vector<Row> rows = {
        {"CMAP after LRGB keeps the LRGB", {{"BMHD", Bmhd(16, 2)}, {"LRGB", lrgb}, {"CMAP", cmap}, {"BODY", kKeyBody}},
         false, {}, {}, {Head(1, 5), 0x10000000, 0x20000000, 0x30000000, 0}},
        {"CMAP before LRGB is overwritten", {{"BMHD", Bmhd(16, 2)}, {"CMAP", cmap}, {"LRGB", lrgb}, {"BODY", kKeyBody}},
         false, {}, {}, {Head(1, 5), 0x10000000, 0x20000000, 0x30000000, 0}},
        {"CMAP alone gives 256 colours", {{"BMHD", Bmhd(16, 2)}, {"CMAP", cmap}}, false, {}, {},
         {Head(256, 0), 0x11000000, 0x22000000, 0x33000000, 0}},
        {"short CMAP gives what it holds", {{"BMHD", Bmhd(16, 2)}, {"CMAP", Bytes(cmap.begin(), cmap.begin() + 7)}},
         false, {}, {}, {Head(2, 0), 0x11000000, 0x22000000, 0x33000000}},
        {"odd chunk and its pad byte", {{"BMHD", Bmhd(16, 2)}, {"XTRA", {1, 2, 3}}, {"BODY", kKeyBody}}, false,
         {{0, 0}}, {1}, {}},
        {"odd chunk last without pad", {{"BMHD", Bmhd(16, 2)}, {"BODY", kKeyBody}, {"XTRA", {1, 2, 3}}}, true,
         {{0, 0}}, {1}, {}},
        {"CAMG skipped by its length", {{"BMHD", Bmhd(16, 2)}, {"CAMG", Bytes(8, 0xAB)}, {"BODY", kKeyBody}}, false,
         {{0, 0}}, {1}, {}},
        {"ByteRun1 -128 consumes only itself",
         {{"BMHD", Bmhd(16, 1)}, {"BODY", Cat({{0x80, 0x01, 0x00, 0x01}, {0x00, 0x00, 0x80, 0x00, 0x00}, kSixEmptyRows})}}, false,
         {{15, 0}, {0, 0}}, {1, 0}, {}},
        {"raw BODY", {{"BMHD", Bmhd(8, 1, 8, 0)}, {"BODY", {0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80}}}, false,
         {{7, 0}, {0, 0}}, {3, 128}, {}},
        {"op count 200 is 200 ops", {{"BMHD", Bmhd(8, 1, 8, 0)}, {"BODY", Bytes(8, 0)}, {"DLTA", Dlta({64}, opsBody)}},
         false, {{1, 0}, {0, 0}}, {1, 0}, {}},
        {"DLTA run fills rows", {{"BMHD", Bmhd(8, 3, 8, 0)}, {"BODY", Bytes(24, 0)},
                                 {"DLTA", Dlta({0, 0, 64}, {0x01, 0x00, 0x02, 0x80})}},
         false, {{0, 0}, {0, 1}, {0, 2}}, {4, 4, 0}, {}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        TestMovie t;
        ASSERT_EQ(t.Parse(FramePayload(r.chunks, 0, r.oddEnd)), 1);
        for (size_t i = 0; i < r.pixels.size(); ++i) {
            const ANIM5Handle *h = t.m.A5Handle;
            ASSERT_NE(h, nullptr);
            EXPECT_EQ(PixelOf(NewestBuffer(h), h->Width, h->Height, r.pixelsAt[i].first, r.pixelsAt[i].second),
                      r.pixels[i]);
        }
        if (!r.table.empty()) {
            EXPECT_EQ(std::vector<ULONG>(t.rgb, t.rgb + r.table.size()), r.table);
        }
    }
}

TEST(FrameDecoding, ColourTableFillsToItsLastByte)
{
    Bytes full, over;
    for (int i = 0; i < 256; ++i) full.insert(full.end(), {1, (UBYTE)i, 1, 2, 3});
    over = full;
    over.insert(over.end(), {1, 0, 1, 2, 3});
    full.insert(full.end(), {0, 0});
    over.insert(over.end(), {0, 0});
    TestMovie t;
    EXPECT_EQ(t.Parse(FramePayload({{"LRGB", full}})), 1);
    EXPECT_EQ(t.rgb[256 * 4], 0u);
    EXPECT_EQ(t.rgb[255 * 4], Head(1, 255));
    TestMovie u;
    vektest::StdoutCapture out;
    EXPECT_EQ(u.Parse(FramePayload({{"LRGB", over}})), 0);
    EXPECT_EQ(u.rgb[0], 0u);
}

// Each hostile frame after a good key frame: dropped, buffers and colours as they were.
TEST(FrameDecoding, HostileChunksDropTheirFrame)
{
    const Bytes keyFrame = FramePayload({{"BMHD", Bmhd(16, 2)}, {"LRGB", {1, 0, 9, 9, 9, 0, 0}}, {"BODY", kKeyBody}});
    const Bytes shortBody(kKeyBody.begin(), kKeyBody.end() - 2);
    struct Row {
        const char *name;
        bool withKey;  // after the good key frame
        Bytes payload;
    };
    const std::vector<Row> rows = {
        {"BODY before BMHD", false, FramePayload({{"BODY", kKeyBody}})},
        {"DLTA before BMHD", false, FramePayload({{"DLTA", Dlta({64}, {0})}})},
        {"CMAP before BMHD", false, FramePayload({{"CMAP", Bytes(768, 1)}})},
        {"depth 7", false, FramePayload({{"BMHD", Bmhd(16, 2, 7)}})},
        {"width not a multiple of 8", false, FramePayload({{"BMHD", Bmhd(12, 2)}})},
        {"BMHD short", false, FramePayload({{"BMHD", Bytes(19, 0)}})},
        {"frame too large to allocate", false, FramePayload({{"BMHD", Bmhd(65528, 65535)}})},
        {"later BMHD of another size", true, FramePayload({{"BMHD", Bmhd(24, 2)}, {"BODY", kKeyBody}})},
        {"BODY cut short", true, FramePayload({{"BMHD", Bmhd(16, 2)}, {"BODY", shortBody}})},
        {"ByteRun1 copy past the row", true, FramePayload({{"BMHD", Bmhd(16, 2)}, {"BODY", Cat({{0x02, 1, 2, 3}, kKeyBody})}})},
        {"ByteRun1 repeat past the row", true, FramePayload({{"BMHD", Bmhd(16, 2)}, {"BODY", Cat({{0xFD, 7}, kKeyBody})}})},
        {"raw BODY short", true, FramePayload({{"BMHD", Bmhd(16, 2, 8, 0)}, {"BODY", Bytes(31, 0)}})},
        {"DLTA shorter than its offsets", true, FramePayload({{"DLTA", Bytes(63, 0)}})},
        {"DLTA offset past the payload", true, FramePayload({{"DLTA", Dlta({200}, {0, 0})}})},
        {"DLTA skip past the height", true, FramePayload({{"DLTA", Dlta({64}, {2, 0x81, 7, 3, 0})}})},
        {"DLTA copy past the height", true, FramePayload({{"DLTA", Dlta({64}, {1, 0x83, 7, 7, 7, 0})}})},
        {"DLTA run past the height", true, FramePayload({{"DLTA", Dlta({64}, {1, 0x00, 3, 7, 0})}})},
        {"DLTA ops past the payload", true, FramePayload({{"DLTA", Dlta({64}, {5, 0x81})}})},
        {"DLTA second plane broken", true, FramePayload({{"DLTA", Dlta({64, 68}, {1, 0x81, 7, 0, 1, 0x85})}})},
        {"LRGB past index 255", true, FramePayload({{"LRGB", {2, 255, 1, 1, 1, 2, 2, 2, 0, 0}}})},
        {"LRGB without its end", true, FramePayload({{"LRGB", {1, 0, 1, 1, 1}}})},
        {"LRGB colours cut short", true, FramePayload({{"LRGB", {2, 0, 1, 1, 1, 2}}})},
        {"chunk longer than its frame", true, [] {
             Bytes p = FramePayload({{"DLTA", Dlta({64}, {0, 0})}});
             p[8] = 0x7F;  // length's top byte
             return p;
         }()},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        TestMovie t;
        if (r.withKey) {
            ASSERT_EQ(t.Parse(keyFrame), 1);
        }
        const Bytes before = t.Buffers();
        const std::vector<ULONG> colours(t.rgb, t.rgb + 8);
        const UBYTE upper = t.m.A5Handle ? t.m.A5Handle->upperbuffer : 0;
        vektest::StdoutCapture out;
        EXPECT_EQ(t.Parse(r.payload), 0);
        EXPECT_NE(out.Take().find("verworfen"), std::string::npos);
        EXPECT_EQ(t.Buffers(), before);
        EXPECT_EQ(std::vector<ULONG>(t.rgb, t.rgb + 8), colours);
        if (t.m.A5Handle) {
            EXPECT_EQ(t.m.A5Handle->upperbuffer, upper);
        }
    }
}

TEST(FrameDecoding, ParsingStopsAtALengthOfZeroOrLess)
{
    for (ULONG len : {0u, 0x80000000u}) {
        SCOPED_TRACE(len);
        Bytes p = FramePayload({{"BMHD", Bmhd(16, 2)}});
        const Bytes stop = Cat({{'B', 'O', 'D', 'Y'}, BE32(len)});
        p.insert(p.end(), stop.begin(), stop.end());
        p.insert(p.end(), kKeyBody.begin(), kKeyBody.end());
        TestMovie t;
        EXPECT_EQ(t.Parse(p), 1);
        EXPECT_EQ(PixelOf(t.m.A5Handle->PBuffer1, 16, 2, 0, 0), 0);  // the BODY after it was not read
    }
}

// Every key through the client's header reader: a file of one header per key,
// each scrambled by the demo generator's encoder, read back big-endian.
TEST(Scrambling, HeadersReadBackUnderEveryKey)
{
    vektest::ScratchDir dir;
    const ULONG form = datakit::AnimScrambledId(datakit::AnimFourCC("FORM"));
    Bytes file;
    for (ULONG key = 0; key <= 0xFFFF; ++key) {
        ULONG id = form, len = key * 40503u;
        vekdemo::AnimScramble((UWORD)key, id, len);
        const Bytes h = Cat({BE32(id), BE32(len)});
        file.insert(file.end(), h.begin(), h.end());
    }
    vektest::WriteBytes("keys.bin", file);
    vektest::StdoutCapture out;
    CacheHandle *h = AFX_Open("keys.bin", 0, nullptr);
    ASSERT_NE(h, nullptr);
    for (ULONG key = 0; key <= 0xFFFF; ++key) {
        LONG chunk[2];
        ASSERT_EQ(ReadChunk2(h, chunk, (WORD)key), 8);
        ASSERT_EQ((ULONG)chunk[0], form) << key;
        ASSERT_EQ((ULONG)chunk[1], key * 40503u) << key;
    }
    AFX_Close(h);
    EXPECT_EQ(DecryptKey(7391, datakit::AnimFourCC("ILBM")), 0xBDB3);
}

TEST(Scrambling, ScrambledFrameDecodesUnderTheRolledKey)
{
    const auto frames = ThreeFrames();
    const UWORD key = DecryptKey(7391, datakit::AnimFourCC("ILBM"));
    TestMovie t;
    t.m.Key = (WORD)key;
    ASSERT_EQ(t.Parse(FramePayload(frames[0], key)), 1);
    ASSERT_NE(t.m.A5Handle, nullptr);
    EXPECT_EQ(PixelOf(t.m.A5Handle->PBuffer1, 16, 2, 0, 0), 1);
    TestMovie wrong;  // the same frame read without its key is dropped whole
    vektest::StdoutCapture out;
    EXPECT_EQ(wrong.Parse(FramePayload(frames[0], key)), 0);
    EXPECT_EQ(wrong.m.A5Handle, nullptr);
}

// Sound chunks are read only by the pipeline mode's parser; the movie audio is
// silent, so sound frames are only counted.
TEST(FrameDecoding, SoundChunksOnlyInPipelineMode)
{
    const Bytes sxhd = {16, 64, 0, 0, 0, 0, 0x08, 0x00, 0, 0, 0x56, 0x22, 0, 2, 0, 1, 1, 3, 0, 0, 0, 0, 0xAC, 0x44,
                        0, 0, 0, 1};
    const Bytes payload = FramePayload({{"SXHD", sxhd}, {"SBDY", Bytes(2048, 7)}, {"SBDY", Bytes(3, 7)}});
    for (bool sound : {false, true}) {
        SCOPED_TRACE(sound);
        TestMovie t;
        t.m.Audio = 1;
        EXPECT_EQ(t.Parse(payload, sound), 1);
        const SXHeaDer &s = t.sxhd;
        const std::vector<LONG> got = {s.SampleDepth, s.FixedVolume, s.Length, s.Playrate, s.SkipFrames,
                                       s.CompressionMethode, s.UsedChannels, s.UsedMode, s.PlayFreq, (LONG)s.Loop};
        const std::vector<LONG> want = {16, 64, 2048, 22050, 2, 1, 1, 3, 44100, 1};
        EXPECT_EQ(got, sound ? want : std::vector<LONG>(10, 0));
        EXPECT_EQ(t.m.AudioFrames, sound ? 2u : 0u);
    }
}
