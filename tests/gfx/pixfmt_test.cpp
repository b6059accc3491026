// Pixel formats: each conversion against hand-computed pixels, as tables.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/sdlharness.h"
#include "gfx/pixfmt.h"

using namespace vektest;

namespace {

// The bytes a pixel value occupies in memory: host-order words, 24 bits low byte first.
std::vector<UBYTE> MemoryOf(ULONG value, int bytes)
{
    std::vector<UBYTE> out(bytes);
    if (bytes == 2) {
        const uint16_t w = (uint16_t)value;
        std::memcpy(out.data(), &w, 2);
    } else if (bytes == 4) {
        std::memcpy(out.data(), &value, 4);
    } else {
        for (int i = 0; i < bytes; i++) out[i] = (UBYTE)(value >> (8 * i));
    }
    return out;
}

TEST(PixelFormat, TableOfCodes)
{
    struct Row {
        UWORD code;
        const char *name;
        int bytes;
        bool directory;
    };
    const Row rows[] = {
        {1, "CLUT", 1, true},        {2, "RGB15", 2, true},      {4, "BGR15", 2, false},
        {8, "RGB15PC", 2, true},     {16, "BGR15PC", 2, true},   {32, "RGB16", 2, true},
        {64, "BGR16", 2, false},     {128, "RGB16PC", 2, true},  {256, "BGR16PC", 2, true},
        {512, "RGB24", 3, true},     {1024, "BGR24", 3, true},   {2048, "ARGB32", 4, true},
        {4096, "ABGR32", 4, true},   {8192, "RGBA32", 4, true},  {16384, "BGRA32", 4, true},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_STREQ(PixelFormatName(r.code), r.name);
        EXPECT_EQ(PixelFormatBytes(r.code), r.bytes);
        if (r.directory)
            EXPECT_STREQ(PixelFormatDirectory(r.code), r.name);
        else
            EXPECT_EQ(PixelFormatDirectory(r.code), nullptr);
    }
    for (UWORD bad : {0, 3, 32768}) {
        EXPECT_EQ(PixelFormatName(bad), nullptr);
        EXPECT_EQ(PixelFormatBytes(bad), 0);
    }
}

struct ColourCase {
    const char *name;
    UWORD format;
    UBYTE index;  // ConvertChunky only
    UBYTE r, g, b;
    ULONG expected;
};

TEST(PixelFormat, ConvertChunkyEncodesEachFormat)
{
    const ColourCase rows[] = {
        {"RGB15 white", PIXFMT_RGB15, 7, 255, 255, 255, 0x7FFF},
        {"RGB15 red", PIXFMT_RGB15, 7, 255, 0, 0, 0x7C00},
        {"RGB15 black has no special value", PIXFMT_RGB15, 7, 0, 0, 0, 0},
        {"BGR15 red", PIXFMT_BGR15, 7, 255, 0, 0, 0x001F},
        {"RGB15PC white", PIXFMT_RGB15PC, 7, 255, 255, 255, 0xFF7F},
        {"BGR15PC red", PIXFMT_BGR15PC, 7, 255, 0, 0, 0x1F00},
        {"RGB16 red", PIXFMT_RGB16, 7, 255, 0, 0, 0xF800},
        {"RGB16 green", PIXFMT_RGB16, 7, 0, 255, 0, 0x07E0},
        {"RGB16 mixed", PIXFMT_RGB16, 7, 0x84, 0x48, 0x28, (0x84 >> 3) << 11 | (0x48 >> 2) << 5 | (0x28 >> 3)},
        {"RGB16 black from index 5", PIXFMT_RGB16, 5, 0, 0, 0, 0x0821},
        {"RGB16 near black from index 5", PIXFMT_RGB16, 5, 7, 3, 7, 0x0821},
        {"RGB16 black from index 0", PIXFMT_RGB16, 0, 0, 0, 0, 0},
        {"BGR16 blue", PIXFMT_BGR16, 7, 0, 0, 255, 0xF800},
        {"RGB16PC red", PIXFMT_RGB16PC, 7, 255, 0, 0, 0x00F8},
        {"BGR16PC blue", PIXFMT_BGR16PC, 7, 0, 0, 255, 0x00F8},
        {"RGB24", PIXFMT_RGB24, 7, 1, 2, 3, 0x030201},
        {"BGR24", PIXFMT_BGR24, 7, 1, 2, 3, 0x010203},
        {"ARGB32", PIXFMT_ARGB32, 7, 1, 2, 3, 0xFF010203},
        {"ARGB32 black from index 5", PIXFMT_ARGB32, 5, 0, 0, 0, 0x00010101},
        {"ARGB32 black from index 0", PIXFMT_ARGB32, 0, 0, 0, 0, 0},
        {"ABGR32", PIXFMT_ABGR32, 7, 1, 2, 3, 0xFF030201},
        {"ABGR32 black", PIXFMT_ABGR32, 5, 0, 0, 0, 0},
        {"RGBA32", PIXFMT_RGBA32, 7, 1, 2, 3, 0x010203FF},
        {"RGBA32 black", PIXFMT_RGBA32, 5, 0, 0, 0, 0},
        {"BGRA32", PIXFMT_BGRA32, 7, 1, 2, 3, 0x030201FF},
        {"BGRA32 black", PIXFMT_BGRA32, 9, 0, 0, 0, 0},
    };
    for (const ColourCase &c : rows) {
        SCOPED_TRACE(c.name);
        SetPaletteEntry(c.index, c.r, c.g, c.b);
        const int bytes = PixelFormatBytes(c.format);
        std::vector<UBYTE> out(bytes + 2, 0xEE);
        ConvertChunky(c.format, &c.index, out.data(), 1);
        const std::vector<UBYTE> want = MemoryOf(c.expected, bytes);
        EXPECT_EQ(std::vector<UBYTE>(out.begin(), out.begin() + bytes), want);
        EXPECT_EQ(out[bytes], 0xEE) << "wrote past the pixel";
        EXPECT_EQ(ChunkyPixel(c.format, c.index), c.expected);
    }
}

TEST(PixelFormat, ConvertChunkyIgnoresClutAndUnknownFormats)
{
    const UBYTE src[2] = {1, 2};
    for (UWORD format : {PIXFMT_CLUT, (UWORD)3, (UWORD)0}) {
        UBYTE out[8];
        std::memset(out, 0xEE, sizeof out);
        ConvertChunky(format, src, out, 2);
        for (UBYTE b : out) EXPECT_EQ(b, 0xEE) << format;
    }
}

TEST(PixelFormat, LongRunsMatchPixelByPixel)
{
    SetTestPalette();
    SetPaletteEntry(77, 0, 0, 0);  // a black entry that is not index 0
    std::vector<UBYTE> src(600);
    for (size_t i = 0; i < src.size(); i++) src[i] = (UBYTE)(i * 7 + 3);
    for (UWORD format = 2; format <= PIXFMT_BGRA32; format <<= 1) {
        SCOPED_TRACE(PixelFormatName(format));
        const int bytes = PixelFormatBytes(format);
        std::vector<UBYTE> whole(src.size() * bytes), single(src.size() * bytes);
        ConvertChunky(format, src.data(), whole.data(), (ULONG)src.size());
        for (size_t i = 0; i < src.size(); i++) ConvertChunky(format, &src[i], &single[i * bytes], 1);
        EXPECT_EQ(whole, single);
    }
    SetTestPalette();
}

TEST(PixelFormat, Convert24BitTriples)
{
    const ColourCase rows[] = {
        {"RGB16 black is transparent", PIXFMT_RGB16, 0, 0, 0, 0, 0},
        {"ARGB32 black is transparent", PIXFMT_ARGB32, 0, 0, 0, 0, 0},
        {"ABGR32 black is transparent", PIXFMT_ABGR32, 0, 0, 0, 0, 0},
        {"RGBA32 black is transparent", PIXFMT_RGBA32, 0, 0, 0, 0, 0},
        {"BGRA32 black is transparent", PIXFMT_BGRA32, 0, 0, 0, 0, 0},
        {"RGB16 red", PIXFMT_RGB16, 0, 255, 0, 0, 0xF800},
        {"RGB15PC white", PIXFMT_RGB15PC, 0, 255, 255, 255, 0xFF7F},
        {"RGB24", PIXFMT_RGB24, 0, 1, 2, 3, 0x030201},
        {"BGR24", PIXFMT_BGR24, 0, 1, 2, 3, 0x010203},
        {"ARGB32", PIXFMT_ARGB32, 0, 1, 2, 3, 0xFF010203},
        {"BGRA32", PIXFMT_BGRA32, 0, 1, 2, 3, 0x030201FF},
    };
    for (const ColourCase &c : rows) {
        SCOPED_TRACE(c.name);
        const UBYTE triple[3] = {c.r, c.g, c.b};
        const int bytes = PixelFormatBytes(c.format);
        std::vector<UBYTE> out(bytes + 1, 0xEE);
        Convert24BITMotorola(c.format, triple, out.data(), 3);
        EXPECT_EQ(std::vector<UBYTE>(out.begin(), out.begin() + bytes), MemoryOf(c.expected, bytes));
        EXPECT_EQ(out[bytes], 0xEE);
    }
    // Only whole triples are converted.
    const UBYTE two[7] = {255, 0, 0, 0, 255, 0, 9};
    uint16_t out[3] = {0xEEEE, 0xEEEE, 0xEEEE};
    Convert24BITMotorola(PIXFMT_RGB16, two, (UBYTE *)out, 7);
    EXPECT_EQ(out[0], 0xF800);
    EXPECT_EQ(out[1], 0x07E0);
    EXPECT_EQ(out[2], 0xEEEE);
}

TEST(PixelFormat, Convert2ChunkyFindsFirstMatchAtFormatPrecision)
{
    SetTestPalette();
    SetPaletteEntry(10, 0x80, 0x40, 0x20);
    SetPaletteEntry(20, 0x80, 0x40, 0x20);
    struct Row {
        const char *name;
        UWORD format;
        ULONG pixel;
        int expected;  // -1: destination unchanged
    };
    const Row rows[] = {
        {"RGB16 colour twice gives the lower index", PIXFMT_RGB16, 0x8204, 10},
        {"RGB16PC is compared after the swap", PIXFMT_RGB16PC, 0x0482, 10},
        {"RGB15 compares five bits", PIXFMT_RGB15, 0x10 << 10 | 0x08 << 5 | 0x04, 10},
        {"RGB24 compares all eight bits", PIXFMT_RGB24, 0x204080, 10},
        {"RGB24 one bit off is not found", PIXFMT_RGB24, 0x214080, -1},
        {"BGR24", PIXFMT_BGR24, 0x804020, 10},
        {"ARGB32 compares five bits", PIXFMT_ARGB32, 0xFF874727, 10},
        {"ABGR32", PIXFMT_ABGR32, 0xFF204080, 10},
        {"RGBA32", PIXFMT_RGBA32, 0x804020FF, 10},
        {"BGRA32", PIXFMT_BGRA32, 0x204080FF, 10},
        {"colour not in the palette", PIXFMT_RGB16, 0xFFFF, -1},
        {"CLUT copies the byte", PIXFMT_CLUT, 0x2A, 0x2A},
        {"unknown format", 3, 0x1234, -1},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        const int bytes = PixelFormatBytes(r.format) ? PixelFormatBytes(r.format) : 2;
        const std::vector<UBYTE> mem = MemoryOf(r.pixel, bytes);
        UBYTE dest = 0xEE;
        Convert2Chunky(r.format, &dest, mem.data());
        EXPECT_EQ(dest, r.expected == -1 ? 0xEE : r.expected);
    }
    SetTestPalette();
}

TEST(PixelFormat, EveryIndexRoundTripsThroughEveryFormat)
{
    SetTestPalette();
    for (UWORD format = 2; format <= PIXFMT_BGRA32; format <<= 1) {
        SCOPED_TRACE(PixelFormatName(format));
        for (int i = 0; i < 256; i++) {
            const UBYTE index = (UBYTE)i;
            UBYTE pixel[4];
            ConvertChunky(format, &index, pixel, 1);
            UBYTE back = 0xEE;
            Convert2Chunky(format, &back, pixel);
            ASSERT_EQ(back, index);
        }
    }
}

}  // namespace
