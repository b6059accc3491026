// Graphics by number: file names from index paths, season and 24-bit
// variants, the converted-picture files and memory copies, hostile index
// records and short pictures, shared slots and the drawing routines.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>

#include "common/gfxfixture.h"
#include "common/sdlharness.h"
#include "common/testutil.h"
#include "ui/gadgets.h"
#include "gfx/gfxnumber.h"
#include "gfx/palette.h"
#include "gfx/pixfmt.h"
#include "gfx/screen.h"
#include "platform/system.h"

using namespace vektest;
namespace fs = std::filesystem;

namespace {

// Leaves no graphic, memory copy or index behind for the next test.
void ResetGraphics()
{
    for (ULONG n = 1; n <= GFX_CACHE_SLOTS; n++)
        while (BitMapPtrArray[n - 1]) CloseKavorGfx(n);
    FreeCache(1);
    UserSystem.CachePath = 0;
    UserSystem.GfxPathPtr = nullptr;
    UserSystem.GfxPathLength = 0;
    PlayerInfo.Quartal = 1;
    AvailMemHook = nullptr;
}

ULONG PlentyOfMemory() { return 1u << 30; }

// The pixels of a BitMap as unpadded rows.
Bytes RowsOf(BitMap *bmp)
{
    Bytes out;
    const int bpp = (int)((bmp->Tiefe + 7) / 8);
    for (ULONG y = 0; y < bmp->Hoehe; y++)
        for (ULONG x = 0; x < bmp->Breite; x++) {
            const ULONG v = PixelAt(bmp, (LONG)x, (LONG)y);
            UBYTE b[4];
            StorePixel(b, bpp, v);
            out.insert(out.end(), b, b + bpp);
        }
    return out;
}

// A picture converted to the screen format as the converted-picture file holds it.
Bytes Converted(const Bytes &indices, UWORD format)
{
    Bytes out(indices.size() * (size_t)PixelFormatBytes(format));
    ConvertChunky(format, indices.data(), out.data(), (ULONG)indices.size());
    return out;
}

Bytes Converted24(const Bytes &rgb, UWORD format)
{
    Bytes out(rgb.size() / 3 * (size_t)PixelFormatBytes(format));
    Convert24BITMotorola(format, rgb.data(), out.data(), (ULONG)rgb.size());
    return out;
}

// Files below dir other than the expected ones (left-over temporary files).
std::vector<std::string> FilesBelow(const std::string &dir)
{
    std::vector<std::string> out;
    if (!fs::exists(dir)) return out;
    for (const auto &e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file()) out.push_back(e.path().string());
    return out;
}

// Graphics on a headless display of the parameter's depth, in a scratch
// directory with a palette whose entry 5 is pure red.
class GfxByNumber : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        scratch = std::make_unique<ScratchDir>();
        SetTestPalette();
        SetPaletteEntry(5, 255, 0, 0);
        screen = std::make_unique<SdlScreen>(GetParam());
        ASSERT_TRUE(screen->Ok());
        ResetGraphics();
        AvailMemHook = PlentyOfMemory;
    }
    void TearDown() override
    {
        ResetGraphics();
        screen.reset();
        scratch.reset();
    }
    int Depth() const { return GetParam(); }
    UWORD Format() const { return VekDisplay.VekScreen_ScreenFormat; }

    std::unique_ptr<ScratchDir> scratch;
    std::unique_ptr<SdlScreen> screen;
};

class HighColour : public GfxByNumber {};

INSTANTIATE_TEST_SUITE_P(Depths, GfxByNumber, ::testing::Values(8, 16, 32),
                         [](const auto &info) { return std::to_string(info.param) + "bit"; });
INSTANTIATE_TEST_SUITE_P(Depths, HighColour, ::testing::Values(16, 32),
                         [](const auto &info) { return std::to_string(info.param) + "bit"; });

TEST(GfxNames, FileNamesFromPathTexts)
{
    struct Row {
        const char *name;
        std::string path;
        int type, needVolume;
        std::string expected;
    };
    const std::string long146(146, 'a');
    const Row rows[] = {
        {"double slash", "Vek:Bobs//Karte/Haus.iff", 1, 0, "Bobs/Karte/Haus.chk"},
        {"RAWB upper case", "Vek:Pics/Titel.RAWB.iff", 1, 0, "Pics/Titel.CHK"},
        {"24-bit kept", "Vek:24BIT/Bobs/a.RAW", 1, 0, "24BIT/Bobs/a.RAW"},
        {"no colon", "Bobs/Karte/Haus.iff", 1, 0, ""},
        {"lower-case volume", "vek:Pics/Bild.pic", 1, 1, "Pics/Bild.chk"},
        {"other volume for a graphic", "Pic:Pics/Bild.pic", 1, 0, "Pics/Bild.chk"},
        {"other volume for a full-screen picture", "Pic:Pics/Bild.pic", 1, 1, ""},
        {"colour map", "Vek:Pics/Bild.pic", 2, 1, "Pics/Bild.cma"},
        {"colour map of a 24-bit path is cut", "Vek:24BIT/Pics/Bild.RAW", 2, 1, "24BIT/Pics/Bild.cma"},
        {"sharp s and u umlaut", "Vek:Bobs/Stra\xDF" "e/H\xFCtte.iff", 1, 0, "Bobs/Stra\xC3\x9F" "e/H\xC3\xBCtte.chk"},
        {"no extension", "Vek:Bobs/Haus", 1, 0, "Bobs/Haus.chk"},
        {"leading slash dropped", "Vek:/Bobs/x.iff", 1, 0, "Bobs/x.chk"},
        {"parent directory refused", "Vek:24BIT/../../etc/passwd", 1, 0, ""},
        {"empty file stem", "Vek:Bobs/.x", 1, 0, ""},
        {"volume only", "Vek:", 1, 0, ""},
        {"150 bytes", "Vek:" + long146 + ".iff", 1, 0, long146 + ".chk"},
        {"151 bytes", "Vek:" + long146 + "a.iff", 1, 0, ""},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        std::string name = "unchanged";
        EXPECT_EQ(MakeGfxFileName(r.path.c_str(), r.type, r.needVolume, &name), r.expected.empty() ? 0 : 1);
        EXPECT_EQ(name, r.expected);
    }
    std::string name;
    EXPECT_EQ(MakeGfxFileName(nullptr, 1, 0, &name), 0);
}

TEST(GfxNames, SeasonAnd24BitVariants)
{
    ScratchDir dir;
    struct Row {
        const char *name;
        UWORD quarter;
        bool plain, season;
        std::string expected;  // "" none
    };
    const Row rows[] = {
        {"winter, both", 3, true, true, "./24BIT/Bobs/Karte/Winter/x.RAW"},
        {"winter, plain only", 3, true, false, "./24BIT/Bobs/Karte/x.RAW"},
        {"winter, season only", 3, false, true, "./24BIT/Bobs/Karte/Winter/x.RAW"},
        {"winter, none", 3, false, false, ""},
        {"spring", 0, true, true, "./24BIT/Bobs/Karte/Spring/x.RAW"},
        {"summer has no season directory", 1, true, true, "./24BIT/Bobs/Karte/x.RAW"},
        {"autumn", 2, true, true, "./24BIT/Bobs/Karte/Autumn/x.RAW"},
        {"quarter out of range", 9, true, true, "./24BIT/Bobs/Karte/x.RAW"},
    };
    const char *seasons[] = {"Spring", "", "Autumn", "Winter"};
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        fs::remove_all("24BIT");
        if (r.plain) WriteFile("24BIT/Bobs/Karte/x.RAW", {1, 2, 3});
        if (r.season && r.quarter < 4 && r.quarter != 1)
            WriteFile(std::string("24BIT/Bobs/Karte/") + seasons[r.quarter] + "/x.RAW", {1, 2, 3});
        if (r.season) WriteFile("24BIT/Bobs/Karte/Winter/x.RAW", {1, 2, 3});
        PlayerInfo.Quartal = r.quarter;
        std::string found;
        EXPECT_EQ(CheckFor24BITGfx(&found, "Bobs/Karte/x.chk"), r.expected.empty() ? 0 : 1);
        EXPECT_EQ(found, r.expected);
    }
    PlayerInfo.Quartal = 3;
    std::string p = "Bobs/Karte/x.RAW";
    EXPECT_EQ(CheckPathforQuarters(&p, 0), 1);
    EXPECT_EQ(p, "Bobs/Karte/Winter/x.RAW");
    p = "x.RAW";
    EXPECT_EQ(CheckPathforQuarters(&p, 1), 0);
    EXPECT_EQ(p, "x.RAW");
    PlayerInfo.Quartal = 1;
}

TEST(GfxNames, ConvertedPictureNames)
{
    struct Row {
        UWORD depth, format;
        std::string path, expected;
    };
    const Row rows[] = {
        {16, PIXFMT_RGB16, "Bobs/Karte/x.chk", "./RGB16/Bobs/Karte/x.RAW"},
        {16, PIXFMT_RGB16, "Pics/Titel.CHK", "./RGB16/Pics/Titel.RAW"},
        {16, PIXFMT_RGB16, "24BIT/Bobs/a.RAW", "./RGB16/Bobs/a.RAW"},
        {16, PIXFMT_RGB16, "./24BIT/Bobs/Karte/Winter/x.RAW", "./RGB16/Bobs/Karte/Winter/x.RAW"},
        {16, PIXFMT_RGB16PC, "Bobs/x.chk", "./RGB16PC/Bobs/x.RAW"},
        {32, PIXFMT_ARGB32, "Bobs/Karte/x.chk", "./ARGB32/Bobs/Karte/x.RAW"},
        {16, PIXFMT_BGR16, "Bobs/x.chk", ""},  // a format without directory
        {8, PIXFMT_CLUT, "Bobs/x.chk", ""},
    };
    const st_Display saved = VekDisplay;
    for (const Row &r : rows) {
        SCOPED_TRACE(r.expected);
        VekDisplay.VekScreen_Tiefe = r.depth;
        VekDisplay.VekScreen_ScreenFormat = r.format;
        EXPECT_EQ(ConvertedGfxName(r.path), r.expected);
    }
    VekDisplay = saved;
}

TEST_P(HighColour, FirstLoadWritesTheConvertedPictureAndTheSecondStartConvertsNothing)
{
    // Derived by hand: [0, 5] with entry 5 pure red; the cache holds the
    // pixel words in host order.
    const UWORD words16[2] = {0x0000, 0xF800};
    const ULONG words32[2] = {0x00000000, 0xFFFF0000};
    const Bytes golden16((const UBYTE *)words16, (const UBYTE *)words16 + sizeof words16);
    const Bytes golden32((const UBYTE *)words32, (const UBYTE *)words32 + sizeof words32);
    WriteGfxIndex("Data/Path", 20, {{.n = 7, .w = 2, .h = 1, .pic = "Vek:Bobs/Karte/x.iff"}});
    WriteFile("Bobs/Karte/x.chk", {0, 5});

    const ULONG before = GfxConversionCount;
    ASSERT_EQ(OpenKavorGfx("./Data/Path", 7), 1);
    EXPECT_EQ(GfxConversionCount - before, 1u);
    const std::string cache = Depth() == 16 ? "./RGB16/Bobs/Karte/x.RAW" : "./ARGB32/Bobs/Karte/x.RAW";
    EXPECT_EQ(ReadBytes(cache), Depth() == 16 ? golden16 : golden32);
    EXPECT_EQ(FilesBelow(Depth() == 16 ? "RGB16" : "ARGB32"), std::vector<std::string>{cache.substr(2)});
    BitMap *bmp = BitMapPtrArray[6];
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(bmp->Tiefe, (ULONG)Depth());
    EXPECT_EQ(RowsOf(bmp), ReadBytes(cache));
    EXPECT_NE(GfxCacheArray[6], nullptr);

    // Closed and opened again: from the memory copy, no file read.
    CloseKavorGfx(7);
    fs::remove("Bobs/Karte/x.chk");
    StdoutCapture out;
    ASSERT_EQ(OpenKavorGfx("./Data/Path", 7), 1);
    EXPECT_NE(out.Take().find("OpenKavorGfx: Bild aus dem Cache geladen...\n"), std::string::npos);
    EXPECT_EQ(RowsOf(BitMapPtrArray[6]), ReadBytes(cache));

    // A new start (no memory copies): from the converted picture, no conversion.
    CloseKavorGfx(7);
    FreeCache(1);
    ASSERT_EQ(OpenKavorGfx("./Data/Path", 7), 1);
    EXPECT_EQ(GfxConversionCount - before, 1u);
    EXPECT_EQ(RowsOf(BitMapPtrArray[6]), ReadBytes(cache));
}

TEST_P(HighColour, ConvertedPictureOfTheWrongSizeIsMadeAgain)
{
    const Bytes pic = PatternPicture(9, 4);
    WriteGfxIndex("Data/Path", 20, {{.n = 3, .w = 9, .h = 4, .pic = "Vek:Bobs/y.iff"}});
    WriteFile("Bobs/y.chk", pic);
    const std::string cache = std::string("./") + PixelFormatDirectory(Format()) + "/Bobs/y.RAW";
    const Bytes expected = Converted(pic, Format());
    for (const Bytes &bad : {Bytes{1}, Bytes(expected.size() + 1, 0xAA), Bytes{}}) {
        SCOPED_TRACE(bad.size());
        WriteFile(cache, bad);
        FreeCache(1);
        const ULONG before = GfxConversionCount;
        ASSERT_EQ(OpenKavorGfx("./Data/Path", 3), 1);
        EXPECT_EQ(GfxConversionCount - before, 1u);
        EXPECT_EQ(ReadBytes(cache), expected);
        EXPECT_EQ(RowsOf(BitMapPtrArray[2]), expected);
        EXPECT_EQ(FilesBelow(PixelFormatDirectory(Format())).size(), 1u);
        CloseKavorGfx(3);
    }
}

TEST_P(HighColour, TwentyFourBitVariantsAndSeasons)
{
    const Bytes rgb = PatternRgb(4, 3), winter = PatternRgb(4, 3, 99);
    WriteGfxIndex("Data/Path", 20,
                  {{.n = 4, .w = 4, .h = 3, .pic = "Vek:Bobs/Karte/x.iff"},
                   {.n = 5, .w = 4, .h = 3, .flags = GFXFLAG_CONVERT, .pic = "Vek:Bobs/Karte/z.iff"},
                   {.n = 6, .w = 4, .h = 3, .depth = 24, .pic = "Vek:24BIT/Bobs/d.RAW"}});
    WriteFile("Bobs/Karte/x.chk", PatternPicture(4, 3));
    WriteFile("Bobs/Karte/z.chk", PatternPicture(4, 3, 1));
    WriteFile("24BIT/Bobs/Karte/x.RAW", rgb);
    WriteFile("24BIT/Bobs/Karte/Winter/x.RAW", winter);
    WriteFile("24BIT/Bobs/Karte/z.RAW", rgb);
    WriteFile("24BIT/Bobs/d.RAW", rgb);
    const std::string dir = std::string("./") + PixelFormatDirectory(Format());

    ASSERT_EQ(OpenKavorGfx("./Data/Path", 4), 1);
    EXPECT_EQ(ReadBytes(dir + "/Bobs/Karte/x.RAW"), Converted24(rgb, Format()));
    EXPECT_EQ(RowsOf(BitMapPtrArray[3]), Converted24(rgb, Format()));

    // Flags 2: the 24-bit variant is not looked up; the 8-bit data is converted.
    ASSERT_EQ(OpenKavorGfx("./Data/Path", 5), 1);
    EXPECT_EQ(RowsOf(BitMapPtrArray[4]), Converted(PatternPicture(4, 3, 1), Format()));

    ASSERT_EQ(OpenKavorGfx("./Data/Path", 6), 1);
    EXPECT_EQ(ReadBytes(dir + "/Bobs/d.RAW"), Converted24(rgb, Format()));

    // In winter the season picture has its own converted copy, made once.
    CloseKavorGfx(4);
    FreeCache(1);
    PlayerInfo.Quartal = 3;
    const ULONG before = GfxConversionCount;
    ASSERT_EQ(OpenKavorGfx("./Data/Path", 4), 1);
    EXPECT_EQ(ReadBytes(dir + "/Bobs/Karte/Winter/x.RAW"), Converted24(winter, Format()));
    EXPECT_EQ(RowsOf(BitMapPtrArray[3]), Converted24(winter, Format()));
    CloseKavorGfx(4);
    FreeCache(1);
    ASSERT_EQ(OpenKavorGfx("./Data/Path", 4), 1);
    EXPECT_EQ(GfxConversionCount - before, 1u);
    EXPECT_EQ(RowsOf(BitMapPtrArray[3]), Converted24(winter, Format()));
}

TEST_P(HighColour, FlagFourKeepsTheStoredBytes)
{
    const Bytes mask = {0x00, 0x01, 0xFF, 0xFF, 1, 2, 3, 4};
    WriteGfxIndex("Data/Path", 40, {{.n = 31, .w = 8, .h = 1, .flags = GFXFLAG_NOLOOKUP, .pic = "Vek:Pics/Mask.iff"}});
    WriteFile("Pics/Mask.chk", mask);
    const ULONG before = GfxConversionCount;
    ASSERT_EQ(OpenKavorGfx("./Data/Path", 31), 1);
    EXPECT_EQ(GfxConversionCount, before);
    EXPECT_EQ(BitMapPtrArray[30]->Tiefe, 8u);
    EXPECT_EQ(RowsOf(BitMapPtrArray[30]), mask);
    EXPECT_FALSE(fs::exists(PixelFormatDirectory(Format())));
}

TEST(GfxEightBit, PicturesThatNeedConversionAreRefused)
{
    ScratchDir dir;
    SdlScreen screen(8);
    ASSERT_TRUE(screen.Ok());
    ResetGraphics();
    WriteGfxIndex("Data/Path", 20,
                  {{.n = 1, .w = 2, .h = 2, .pic = "Vek:Pics/a.iff"},
                   {.n = 2, .w = 2, .h = 2, .depth = 24, .pic = "Vek:24BIT/Pics/b.RAW"},
                   {.n = 3, .w = 2, .h = 2, .flags = GFXFLAG_CONVERT, .pic = "Vek:Pics/c.iff"}});
    WriteFile("Pics/a.chk", {1, 2, 3, 4});
    WriteFile("24BIT/Pics/b.RAW", Bytes(12, 7));
    WriteFile("Pics/c.chk", {1, 2, 3, 4});
    ASSERT_EQ(OpenKavorGfx("./Data/Path", 1), 1);
    EXPECT_EQ(RowsOf(BitMapPtrArray[0]), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(OpenKavorGfx("./Data/Path", 2), -1);
    EXPECT_EQ(OpenKavorGfx("./Data/Path", 3), -1);
    EXPECT_EQ(BitMapPtrArray[1], nullptr);
    EXPECT_EQ(BitMapPtrArray[2], nullptr);
    ResetGraphics();
}

TEST_P(GfxByNumber, HostileIndexRecordsAndShortPictures)
{
    const std::string good = "Vek:Pics/Good.iff";
    struct Row {
        const char *name;
        Bytes index;
        ULONG n;
        LONG expected;
    };
    const GfxRecord base = {.n = 4, .w = 5, .h = 3, .pic = good};
    auto with = [&](auto change) {
        GfxRecord r = base;
        change(r);
        return BuildGfxIndex(10, {r});
    };
    Bytes truncatedRecords = BuildGfxIndex(10, {base});
    truncatedRecords.resize(36 * 4 + 20);  // record 4 cut in the middle
    Bytes beyondCount = BuildGfxIndex(3, {base});
    Bytes hugeCount = BuildGfxIndex(2000, {});
    hugeCount.resize(36 * 10);
    const Row rows[] = {
        {"number 0", with([](GfxRecord &) {}), 0, -1},
        {"number 1616", with([](GfxRecord &) {}), 1616, -1},
        {"number above the count", beyondCount, 4, -1},
        {"count larger than the file", hugeCount, 1500, -1},
        {"record cut off", truncatedRecords, 4, -1},
        {"index of a few bytes", Bytes(20, 0), 1, -1},
        {"path offset 0 (the count)", with([](GfxRecord &r) { r.picOffset = 0; }), 4, -1},
        {"path offset inside the records", with([](GfxRecord &r) { r.picOffset = 36; }), 4, -1},
        {"path offset past the end", with([](GfxRecord &r) { r.picOffset = 100000; }), 4, -1},
        {"path offset near 4 GiB", with([](GfxRecord &r) { r.picOffset = 0xFFFFFFF0ll; }), 4, -1},
        {"path without end", BuildGfxIndex(10, {{.n = 4, .w = 5, .h = 3, .pic = good, .cmapOffset = 0}}, true),
         4, -1},
        {"path without colon", with([](GfxRecord &r) { r.pic = "Pics/Good.iff"; }), 4, -1},
        {"width 0", with([](GfxRecord &r) { r.w = 0; }), 4, -1},
        {"height 40000", with([](GfxRecord &r) { r.h = 40000; }), 4, -1},
        {"depth 16", with([](GfxRecord &r) { r.depth = 16; }), 4, -1},
        {"size larger than the picture", with([](GfxRecord &r) { r.picSize = 16; }), 4, -1},
        {"size smaller than the picture", with([](GfxRecord &r) { r.picSize = 14; }), 4, -1},
        {"size overflowing 32 bits", with([](GfxRecord &r) { r.w = 32767, r.h = 32767, r.depth = 24, r.picSize = 0xC0000000u; }), 4, -1},
        {"picture file missing", with([](GfxRecord &r) { r.pic = "Vek:Pics/None.iff"; }), 4, -1},
        {"picture file one byte short", with([](GfxRecord &r) { r.pic = "Vek:Pics/Short.iff"; }), 4, -1},
        {"picture file empty", with([](GfxRecord &r) { r.pic = "Vek:Pics/Empty.iff"; }), 4, -1},
        {"picture name is a directory", with([](GfxRecord &r) { r.pic = "Vek:Pics/Dir.iff"; }), 4, -1},
        {"good record", with([](GfxRecord &) {}), 4, 1},
    };
    WriteFile("Pics/Good.chk", PatternPicture(5, 3));
    WriteFile("Pics/Short.chk", Bytes(14, 1));
    WriteFile("Pics/Empty.chk", {});
    MakeDirs("Pics/Dir.chk");
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        WriteFile("Data/Path", r.index);
        EXPECT_EQ(OpenKavorGfx("./Data/Path", r.n), r.expected);
        const bool loaded = r.expected == 1;
        if (r.n >= 1 && r.n <= GFX_CACHE_SLOTS) {
            EXPECT_EQ(BitMapPtrArray[r.n - 1] != nullptr, loaded);
            EXPECT_EQ(GfxCacheArray[r.n - 1] != nullptr, loaded);
        }
        if (!loaded && Depth() > 8) {
            EXPECT_TRUE(FilesBelow(PixelFormatDirectory(Format())).empty());
        }
        ResetGraphics();
        AvailMemHook = PlentyOfMemory;
    }
    EXPECT_EQ(OpenKavorGfx("./Data/Missing", 4), 0);
    EXPECT_EQ(OpenKavorGfx(nullptr, 4), 0);
}

TEST_P(GfxByNumber, IndexHeldInMemoryIsUsedAndBounded)
{
    Bytes index = BuildGfxIndex(10, {{.n = 2, .w = 3, .h = 2, .pic = "Vek:Pics/m.iff"}});
    WriteFile("Pics/m.chk", PatternPicture(3, 2));
    // The memory copy is the only index: no file of that name exists.
    UserSystem.GfxPathPtr = (char *)index.data();
    UserSystem.GfxPathLength = (ULONG)index.size();
    UserSystem.CachePath = 1;
    EXPECT_EQ(OpenKavorGfx("./Data/Path", 2), 1);
    CloseKavorGfx(2);
    // A length that ends inside the path text refuses the record.
    UserSystem.GfxPathLength = (ULONG)index.size() - 3;
    FreeCache(1);
    EXPECT_EQ(OpenKavorGfx("./Data/Path", 2), -1);
    UserSystem.GfxPathPtr = nullptr;
    UserSystem.CachePath = 0;
}

TEST_P(GfxByNumber, MemoryCopiesFollowTheFreeMemoryRule)
{
    struct Row {
        ULONG avail;
        bool copy;
    };
    static ULONG avail;
    const Row rows[] = {{7142858, false}, {7142859, true}, {1u << 30, true}, {0, false}};
    WriteGfxIndex("Data/Path", 10, {{.n = 9, .w = 4, .h = 4, .pic = "Vek:Pics/p.iff"}});
    WriteFile("Pics/p.chk", PatternPicture(4, 4));
    for (const Row &r : rows) {
        SCOPED_TRACE(r.avail);
        avail = r.avail;
        AvailMemHook = [] { return avail; };
        ASSERT_EQ(OpenKavorGfx("./Data/Path", 9), 1);
        EXPECT_EQ(GfxCacheArray[8] != nullptr, r.copy);
        ResetGraphics();
    }
}

TEST_P(GfxByNumber, UsersShareOneBitMapAndTheLastFreesIt)
{
    WriteGfxIndex("Data/Path", 10, {{.n = 6, .w = 4, .h = 2, .pic = "Vek:Pics/s.iff"}});
    WriteFile("Pics/s.chk", PatternPicture(4, 2));
    ASSERT_EQ(OpenKavorGfx("./Data/Path", 6), 1);
    BitMap *first = BitMapPtrArray[5];
    StdoutCapture out;
    ASSERT_EQ(OpenKavorGfx("./Data/Path", 6), 1);
    EXPECT_NE(out.Take().find("OpenKavorGfx: Grafik mit der ID 6 schon einmal geladen\n"), std::string::npos);
    EXPECT_EQ(BitMapPtrArray[5], first);
    CloseKavorGfx(6);
    EXPECT_EQ(BitMapPtrArray[5], first);  // the other user still holds it
    // Drawing a resident graphic neither loads nor releases it.
    EXPECT_EQ(BlitObjekt(screen->BobRastPort(), 6, 0, 0, 0, 0), 1);
    EXPECT_EQ(BitMapPtrArray[5], first);
    CloseKavorGfx(6);
    EXPECT_EQ(BitMapPtrArray[5], nullptr);
    CloseKavorGfx(6);  // an empty slot is left alone

    // A BitMap stored in a slot by other code is drawn as that graphic and
    // freed by one close.
    BitMap *own = AllocBitMap(2, 2, (ULONG)Depth(), 1, nullptr);
    BitMapPtrArray[5] = own;
    EXPECT_EQ(OpenKavorGfx("./Data/Path", 6), 1);
    EXPECT_EQ(BitMapPtrArray[5], own);
    CloseKavorGfx(6);
    EXPECT_EQ(BitMapPtrArray[5], own);
    CloseKavorGfx(6);
    EXPECT_EQ(BitMapPtrArray[5], nullptr);
}

TEST_P(GfxByNumber, TwoIndexesDoNotMixTheirGraphics)
{
    WriteGfxIndex("Data/Path", 10, {{.n = 1, .w = 3, .h = 1, .pic = "Vek:Pics/one.iff"}});
    WriteGfxIndex("Data/RoredIdezPath", 10, {{.n = 1, .w = 3, .h = 1, .pic = "Vek:Story/one.iff"}});
    WriteFile("Pics/one.chk", {1, 2, 3});
    WriteFile("Story/one.chk", {4, 5, 6});
    ASSERT_EQ(OpenKavorGfx("./Data/Path", 1), 1);
    const Bytes fromPath = RowsOf(BitMapPtrArray[0]);
    EXPECT_EQ(OpenKavorGfx("./Data/RoredIdezPath", 1), -1);
    CloseKavorGfx(1);
    // The memory copy of the first index is not taken for the second.
    ASSERT_NE(GfxCacheArray[0], nullptr);
    ASSERT_EQ(OpenKavorGfx("./Data/RoredIdezPath", 1), 1);
    EXPECT_NE(RowsOf(BitMapPtrArray[0]), fromPath);
    const Bytes story = Depth() == 8 ? Bytes{4, 5, 6} : Converted({4, 5, 6}, Format());
    EXPECT_EQ(RowsOf(BitMapPtrArray[0]), story);
    // BlitObjekt draws whatever holds the number.
    BitMap *target = AllocBitMap(3, 1, (ULONG)Depth(), 1, nullptr);
    RastPort rp;
    InitRastPort(&rp);
    rp.BitMap = target;
    EXPECT_EQ(BlitObjekt(&rp, 1, 0, 0, 0, 0), 1);
    EXPECT_EQ(RowsOf(target), story);
    FreeBitMap(target);
}

TEST_P(GfxByNumber, BlitObjektSizesAndLoadingForOneCall)
{
    const Bytes pic = PatternPicture(6, 4, 1);
    WriteGfxIndex("Data/Path", 10, {{.n = 8, .w = 6, .h = 4, .pic = "Vek:Pics/b.iff"}});
    WriteFile("Pics/b.chk", pic);
    struct Row {
        const char *name;
        LONG w, h;
        Rect drawn;
    };
    const Row rows[] = {
        {"0 x 0 draws all", 0, 0, {2, 3, 6, 4}},
        {"too large draws all", 50, 50, {2, 3, 6, 4}},
        {"part", 3, 2, {2, 3, 3, 2}},
        {"negative is whole", -1, -1, {2, 3, 6, 4}},
    };
    const ULONG background = Depth() == 8 ? 0xEE : 0x1234;
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        BitMap *target = AllocBitMap(12, 10, (ULONG)Depth(), 1, nullptr);
        FillBitMap(target, background);
        RastPort rp;
        InitRastPort(&rp);
        rp.BitMap = target;
        EXPECT_EQ(BlitObjekt(&rp, 8, 2, 3, r.w, r.h), 1);
        EXPECT_EQ(BitMapPtrArray[7], nullptr);  // loaded for the call only
        LONG count = 0;
        for (LONG y = 0; y < 10; y++)
            for (LONG x = 0; x < 12; x++) {
                const bool inside = x >= r.drawn.x && x < r.drawn.x + r.drawn.w && y >= r.drawn.y &&
                                    y < r.drawn.y + r.drawn.h;
                if (!inside) {
                    count += PixelAt(target, x, y) != background;
                    continue;
                }
                const UBYTE index = pic[(size_t)(y - 3) * 6 + (size_t)(x - 2)];
                const ULONG want = Depth() == 8 ? index : ChunkyPixel(Format(), index);
                count += PixelAt(target, x, y) != want;
            }
        EXPECT_EQ(count, 0);
        FreeBitMap(target);
    }
    StdoutCapture out;
    EXPECT_EQ(BlitObjekt(screen->BobRastPort(), 9, 0, 0, 0, 0), 0);
    EXPECT_EQ(BlitObjekt(screen->BobRastPort(), 8 + 65536, 0, 0, 0, 0), 1);  // the number is 16 bits
    out.Take();
}

TEST_P(GfxByNumber, MaskedBlitsSkipIndexZeroAndStartAtTheFrame)
{
    // Two frames of 3 x 2, stacked: rows 0-1 frame 0, rows 2-3 frame 1.
    const Bytes strip = {0, 1, 2, 3, 0, 4, 5, 0, 6, 0, 7, 8};
    WriteGfxIndex("Data/Path", 10, {{.n = 2, .w = 3, .h = 4, .pic = "Vek:Pics/strip.iff"}});
    WriteFile("Pics/strip.chk", strip);
    const ULONG background = Depth() == 8 ? 0xEE : 0x1234;
    BitMap *target = AllocBitMap(3, 2, (ULONG)Depth(), 1, nullptr);
    FillBitMap(target, background);
    RastPort rp;
    InitRastPort(&rp);
    rp.BitMap = target;
    StartFrame = 2;
    EXPECT_EQ(BlitObjektMask(&rp, 2, 99, 0, 0, 3, 2), 1);
    StartFrame = 0;
    // The keyed copy goes through SDL's display format, which drops the
    // constant alpha bits of 32-bit pixels: compare the colour bits.
    const ULONG colour = Depth() == 32 ? 0x00FFFFFFu : 0xFFFFFFFFu;
    auto pen = [&](UBYTE i) { return (Depth() == 8 ? (ULONG)i : ChunkyPixel(Format(), i)) & colour; };
    auto row = [&](LONG y) {
        std::vector<ULONG> r = RowOf(target, 0, y, 3);
        for (ULONG &v : r) v &= colour;
        return r;
    };
    EXPECT_EQ(row(0), (std::vector<ULONG>{pen(5), background, pen(6)}));
    EXPECT_EQ(row(1), (std::vector<ULONG>{background, pen(7), pen(8)}));
    FreeBitMap(target);
}

TEST_P(GfxByNumber, GadgetsDrawThroughTheseRoutines)
{
    const GadgetPainter saved = GadgetPaint;
    UseKavorGadgetPainter();
    WriteGfxIndex("Data/Path", 10, {{.n = 2, .w = 2, .h = 1, .pic = "Vek:Pics/g.iff"}});
    WriteFile("Pics/g.chk", {5, 6});
    BitMap *target = AllocBitMap(4, 1, (ULONG)Depth(), 1, nullptr);
    RastPort rp;
    InitRastPort(&rp);
    rp.BitMap = target;
    EXPECT_EQ(GadgetPaint.BlitObjekt(&rp, 2, 1, 0, 0, 0), 1);
    EXPECT_EQ(PixelAt(target, 2, 0), Depth() == 8 ? 6u : ChunkyPixel(Format(), 6));
    EXPECT_EQ(GadgetPaint.ScreenSaveClip, ScreenSaveClip);
    FreeBitMap(target);
    GadgetPaint = saved;
}

// Threads that load, draw and close the same number never draw a freed
// BitMap (8 bits, where blits copy bytes without SDL's per-surface state).
TEST(GfxThreads, DrawingAndClosingShareSlotsSafely)
{
    ScratchDir dir;
    SdlScreen screen(8);
    ASSERT_TRUE(screen.Ok());
    ResetGraphics();
    WriteGfxIndex("Data/Path", 10, {{.n = 3, .w = 8, .h = 8, .pic = "Vek:Pics/t.iff"}});
    WriteFile("Pics/t.chk", PatternPicture(8, 8));
    StdoutCapture out;
    std::vector<std::thread> threads;
    std::atomic<int> drawn{0};
    for (int t = 0; t < 4; t++)
        threads.emplace_back([&drawn] {
            BitMap *target = AllocBitMap(8, 8, 8, 1, nullptr);
            RastPort rp;
            InitRastPort(&rp);
            rp.BitMap = target;
            for (int i = 0; i < 60; i++) {
                const bool hold = i % 3 == 0 && OpenKavorGfx("./Data/Path", 3) == 1;
                drawn += BlitObjekt(&rp, 3, 0, 0, 0, 0);
                if (hold) CloseKavorGfx(3);
            }
            if (PixelAt(target, 1, 0) != 7) drawn = -10000;
            FreeBitMap(target);
        });
    for (auto &t : threads) t.join();
    out.Take();
    EXPECT_EQ(drawn, 240);
    EXPECT_EQ(BitMapPtrArray[2], nullptr);
    ResetGraphics();
}

}  // namespace
