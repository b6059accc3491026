// Catalogs built in the test: valid ones replace exactly their entries and
// give them back on close; corrupt ones are refused and change nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/testutil.h"
#include "platform/memfile.h"
#include "platform/catalog.h"
#include "platform/files.h"

using namespace vektest;

namespace {

void PutBE32(Bytes &b, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8) b.push_back((uint8_t)(v >> s));
}

void PutText(Bytes &b, const std::string &s) { b.insert(b.end(), s.begin(), s.end()); }

struct Chunk {
    std::string id;
    Bytes data;
};

struct StrEntry {
    uint32_t id;
    std::string text;   // stored with a NUL; padded with zeros to a multiple of 4
    int lengthDelta;    // added to the stored length field
};

Bytes Strs(const std::vector<StrEntry> &entries)
{
    Bytes b;
    for (const StrEntry &e : entries) {
        const uint32_t len = (uint32_t)e.text.size() + 1;
        PutBE32(b, e.id);
        PutBE32(b, len + e.lengthDelta);
        PutText(b, e.text);
        b.push_back(0);
        while (b.size() % 4) b.push_back(0);
    }
    return b;
}

Bytes Text(const std::string &s) { return Bytes(s.begin(), s.end()); }

Bytes CatalogFile(const std::vector<Chunk> &chunks)
{
    Bytes body;
    PutText(body, "CTLG");
    for (const Chunk &c : chunks) {
        PutText(body, c.id);
        PutBE32(body, (uint32_t)c.data.size());
        body.insert(body.end(), c.data.begin(), c.data.end());
        if (c.data.size() & 1) body.push_back(0);
    }
    Bytes file;
    PutText(file, "FORM");
    PutBE32(file, (uint32_t)body.size());
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

std::vector<Chunk> GoodChunks(const Bytes &strs)
{
    return {{"AUTH", Text("Tester")}, {"FVER", Text("$VER: test 1.0")}, {"LANG", Text("deutsch")},
            {"STRS", strs}};
}

// Sets LANG, gives a few game and story strings built-in texts, and puts
// everything back afterwards.
class CatalogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char *lang = std::getenv("LANG");
        hadLang_ = lang != nullptr;
        if (lang) oldLang_ = lang;
        setenv("LANG", "de_DE.UTF-8", 1);
        ForgetSysLanguage();
        for (int i = 0; i < VEK_STRING_COUNT; ++i) savedVek_.push_back(VekStrings[i].Str);
        for (int i = 0; i < BT_STRING_COUNT; ++i) savedBt_.push_back(RoredIdezStrings[i].Str);
        for (int i = 0; i < 10; ++i) VekStrings[i].Str = kBuiltIn[i];
        VekStrings[VEK_STRING_COUNT - 1].Str = "last";
        RoredIdezStrings[0].Str = "story";
        MakeDirs("catalogs/deutsch");
        allocs_ = MemAllocatedCounter.load() - MemFreedCounter.load();
    }
    void TearDown() override
    {
        EXPECT_EQ(MemAllocatedCounter.load() - MemFreedCounter.load(), allocs_) << "blocks left allocated";
        for (int i = 0; i < VEK_STRING_COUNT; ++i) VekStrings[i].Str = savedVek_[i];
        for (int i = 0; i < BT_STRING_COUNT; ++i) RoredIdezStrings[i].Str = savedBt_[i];
        if (hadLang_) setenv("LANG", oldLang_.c_str(), 1);
        else unsetenv("LANG");
        ForgetSysLanguage();
    }
    void Write(const std::string &name, const Bytes &bytes) { WriteBytes("catalogs/deutsch/" + name, bytes); }
    Catalog *Open(const std::string &name) { return OpenCatalog(name.c_str(), &VekStrings[0], &VekStrings[1]); }
    bool Untouched()
    {
        for (int i = 0; i < 10; ++i)
            if (VekStrings[i].Str != kBuiltIn[i]) return false;
        return true;
    }

    static constexpr const char *kBuiltIn[10] = {"t0", "t1", "t2", "t3", "t4", "t5", "t6", "t7", "t8", "t9"};
    ScratchDir dir_;
    std::vector<const char *> savedVek_, savedBt_;
    bool hadLang_ = false;
    std::string oldLang_;
    ULONG allocs_ = 0;
};

TEST_F(CatalogTest, ReplacesOnlyItsEntriesAndRestoresThemOnClose)
{
    Write("VekBrowser.catalog", CatalogFile(GoodChunks(Strs({{5, "fuenf", 0}, {7, "sieben", 0}}))));
    Catalog *c = Open("VekBrowser.catalog");
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(GetString(&VekStrings[5]), "fuenf");
    EXPECT_STREQ(GetStringFromID(7), "sieben");
    for (int i : {0, 1, 2, 3, 4, 6, 8, 9}) EXPECT_STREQ(GetStringFromID(i), kBuiltIn[i]) << i;
    EXPECT_STREQ(c->Author, "Tester");
    EXPECT_STREQ(c->Version, "$VER: test 1.0");
    EXPECT_STREQ(c->Sprache, "deutsch");
    EXPECT_EQ(c->AnzStrings, 1u);
    EXPECT_EQ(CloseCatalog(c), nullptr);
    EXPECT_TRUE(Untouched());
}

TEST_F(CatalogTest, ShortTextTakesSixteenBytesAndLaterEntriesFollowIt)
{
    // "abcd" stored with length 5: 8 bytes of head, 5 of text, 3 zero bytes.
    Bytes strs = Strs({{2, "abcd", 0}, {3, "next", 0}});
    ASSERT_EQ(strs.size(), 32u);
    EXPECT_EQ(Bytes(strs.begin() + 4, strs.begin() + 8), (Bytes{0, 0, 0, 5}));
    Write("c.catalog", CatalogFile(GoodChunks(strs)));
    Catalog *c = Open("c.catalog");
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(GetStringFromID(2), "abcd");
    EXPECT_STREQ(GetStringFromID(3), "next");
    CloseCatalog(c);
}

TEST_F(CatalogTest, SkipsUnknownAndOddChunksAndIgnoresIdsBeyondTheTable)
{
    std::vector<Chunk> chunks = {{"XTRA", Text("odd")}, {"AUTH", Bytes{}},    {"LANG", Text("deutsch")},
                                 {"FVER", Text("1")},   {"STRS", Strs({{1580, "letzter", 0}, {1581, "zu weit", 0},
                                                                       {0xFFFFFFFF, "weit weg", 0}})}};
    Write("c.catalog", CatalogFile(chunks));
    Catalog *c = Open("c.catalog");
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c->Author, "N/A");
    EXPECT_STREQ(GetStringFromID(1580), "letzter");
    EXPECT_TRUE(Untouched());
    CloseCatalog(c);
    EXPECT_STREQ(GetStringFromID(1580), "last");
}

TEST_F(CatalogTest, StoryCatalogChangesOnlyTheStoryTable)
{
    Write("RoredIdez.catalog", CatalogFile(GoodChunks(Strs({{0, "Geschichte", 0}, {44, "Ende", 0}}))));
    Catalog *c = OpenCatalog("RoredIdez.catalog", &RoredIdezStrings[0], &RoredIdezStrings[1]);
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(GetString(&RoredIdezStrings[0]), "Geschichte");
    EXPECT_STREQ(GetString(&RoredIdezStrings[44]), "Ende");
    EXPECT_TRUE(Untouched());
    CloseCatalog(c);
    EXPECT_STREQ(GetString(&RoredIdezStrings[0]), "story");
}

TEST_F(CatalogTest, CatalogsOverTheSameTableCloseInAnyOrder)
{
    Write("a.catalog", CatalogFile(GoodChunks(Strs({{1, "A1", 0}, {2, "A2", 0}}))));
    Write("b.catalog", CatalogFile(GoodChunks(Strs({{2, "B2", 0}, {3, "B3", 0}}))));
    for (bool firstClosesFirst : {true, false}) {
        SCOPED_TRACE(firstClosesFirst ? "a closes first" : "b closes first");
        Catalog *a = Open("a.catalog");
        Catalog *b = Open("b.catalog");
        ASSERT_TRUE(a && b);
        EXPECT_STREQ(GetStringFromID(1), "A1");
        EXPECT_STREQ(GetStringFromID(2), "B2");
        EXPECT_STREQ(GetStringFromID(3), "B3");
        if (firstClosesFirst) {
            CloseCatalog(a);
            EXPECT_STREQ(GetStringFromID(1), "t1");
            EXPECT_STREQ(GetStringFromID(2), "B2");
            CloseCatalog(b);
        } else {
            CloseCatalog(b);
            EXPECT_STREQ(GetStringFromID(2), "A2");
            EXPECT_STREQ(GetStringFromID(3), "t3");
            CloseCatalog(a);
        }
        EXPECT_TRUE(Untouched());
    }
}

TEST_F(CatalogTest, NothingOpensWhenTheLanguageIsNotGerman)
{
    Write("VekBrowser.catalog", CatalogFile(GoodChunks(Strs({{5, "fuenf", 0}}))));
    setenv("LANG", "en_GB.UTF-8", 1);
    ForgetSysLanguage();
    StdoutCapture cap;
    EXPECT_EQ(Open("VekBrowser.catalog"), nullptr);
    EXPECT_EQ(OpenGlobalCatalog(), 0);
    const std::string out = cap.Take();
    EXPECT_NE(out.find("OpenCatalog: Konnte das File catalogs/deutsch/VekBrowser.catalog nicht \366ffnen!"),
              std::string::npos)
        << out;
    EXPECT_TRUE(Untouched());
}

// The language is asked once per run: a later change of the environment is
// not seen, and no shell is started again.
TEST_F(CatalogTest, LanguageIsAskedOnce)
{
    StdoutCapture cap;
    EXPECT_STREQ(GetSysLanguage(), "German");
    setenv("LANG", "en_GB.UTF-8", 1);
    EXPECT_STREQ(GetSysLanguage(), "German");
    cap.Take();
    ForgetSysLanguage();
    EXPECT_STREQ(GetSysLanguage(), "-");
}

TEST_F(CatalogTest, GlobalCatalogOpensOnceAndCloses)
{
    Write("VekBrowser.catalog", CatalogFile(GoodChunks(Strs({{4, "vier", 0}}))));
    ASSERT_EQ(OpenGlobalCatalog(), 1);
    Catalog *first = GlobalCatalog;
    EXPECT_EQ(OpenGlobalCatalog(), 1);
    EXPECT_EQ(GlobalCatalog, first);
    EXPECT_STREQ(GetStringFromID(4), "vier");
    CloseGlobalCatalog();
    EXPECT_EQ(GlobalCatalog, nullptr);
    EXPECT_TRUE(Untouched());
}

TEST(GetStringFromID, RefusesIdsOutsideTheTable)
{
    const char *saved = VekStrings[VEK_STRING_COUNT - 1].Str;
    VekStrings[VEK_STRING_COUNT - 1].Str = "last";
    EXPECT_STREQ(GetStringFromID(VEK_STRING_COUNT - 1), "last");
    EXPECT_STREQ(GetStringFromID(VEK_STRING_COUNT), "");
    EXPECT_STREQ(GetStringFromID(0xFFFFFFFFu), "");
    VekStrings[VEK_STRING_COUNT - 1].Str = saved;
    EXPECT_STREQ(GetString(nullptr), "");
}

struct BadCatalog {
    const char *name;
    Bytes bytes;
    const char *message;
};

Bytes Truncated(Bytes b, size_t n)
{
    b.resize(n);
    return b;
}

Bytes WithFormSize(Bytes b, uint32_t size)
{
    b[4] = (uint8_t)(size >> 24), b[5] = (uint8_t)(size >> 16), b[6] = (uint8_t)(size >> 8), b[7] = (uint8_t)size;
    return b;
}

Bytes Patched(Bytes b, size_t at, uint8_t v)
{
    b[at] = v;
    return b;
}

std::vector<BadCatalog> BadCatalogs()
{
    const Bytes good = CatalogFile(GoodChunks(Strs({{5, "fuenf", 0}, {6, "sechs", 0}})));
    Bytes noNul = Strs({{5, "abc", 0}});
    noNul[11] = 'd';  // "abc\0" becomes "abcd" with no zero byte in its four bytes
    Bytes trailing = Strs({{5, "fuenf", 0}});
    trailing.insert(trailing.end(), {0, 0, 0, 5});
    return {
        {"empty file", {}, "OpenCatalog: Konnte den FORM Chunk nicht finden."},
        {"not FORM", Patched(good, 0, 'X'), "OpenCatalog: Konnte den FORM Chunk nicht finden."},
        {"not CTLG", Patched(good, 8, 'X'), "OpenCatalog: Konnte den CTLG Chunk nicht finden."},
        {"head only", Truncated(good, 10), "OpenCatalog: Konnte den CTLG Chunk nicht finden."},
        {"FORM size past the end", WithFormSize(good, (uint32_t)good.size()), "passt nicht zum File"},
        {"huge FORM size", WithFormSize(good, 0xFFFFFFF0u), "passt nicht zum File"},
        {"FORM size below CTLG", WithFormSize(good, 3), "passt nicht zum File"},
        {"nothing after CTLG", WithFormSize(Truncated(good, 12), 4), "Konnte den AUTH Chunk nicht lesen ."},
        {"truncated in STRS", WithFormSize(Truncated(good, good.size() - 6), (uint32_t)good.size() - 14),
         "Konnte den STRS Chunk nicht lesen ."},
        {"chunk length past the end", Patched(good, 16, 0x7F), "Konnte den AUTH Chunk nicht lesen ."},
        {"no LANG",
         CatalogFile({{"AUTH", Text("a")}, {"FVER", Text("v")}, {"STRS", Strs({{5, "fuenf", 0}})}}),
         "Konnte den LANG Chunk nicht lesen ."},
        {"no STRS", CatalogFile({{"AUTH", Text("a")}, {"FVER", Text("v")}, {"LANG", Text("d")}}),
         "Konnte den STRS Chunk nicht lesen ."},
        {"text length past the chunk", CatalogFile(GoodChunks(Strs({{5, "fuenf", 0}, {6, "x", 1000}}))),
         "Konnte den STRS Chunk nicht lesen ."},
        {"huge text length", CatalogFile(GoodChunks(Strs({{5, "fuenf", 0}, {6, "x", -3}}))),
         "Konnte den STRS Chunk nicht lesen ."},
        {"text without a zero byte", CatalogFile(GoodChunks(noNul)), "Konnte den STRS Chunk nicht lesen ."},
        {"entries do not fill the chunk", CatalogFile(GoodChunks(trailing)), "Konnte den STRS Chunk nicht lesen ."},
    };
}

TEST_F(CatalogTest, CorruptCatalogsAreRefusedAndChangeNothing)
{
    for (const BadCatalog &row : BadCatalogs()) {
        SCOPED_TRACE(row.name);
        Write("bad.catalog", row.bytes);
        StdoutCapture cap;
        Catalog *c = Open("bad.catalog");
        const std::string out = cap.Take();
        EXPECT_EQ(c, nullptr);
        CloseCatalog(c);
        EXPECT_NE(out.find(row.message), std::string::npos) << out;
        EXPECT_TRUE(Untouched());
    }
}

TEST_F(CatalogTest, MissingFileAndUnknownTableAreRefused)
{
    StdoutCapture cap;
    EXPECT_EQ(Open("missing.catalog"), nullptr);
    Write("c.catalog", CatalogFile(GoodChunks(Strs({{5, "fuenf", 0}}))));
    EXPECT_EQ(OpenCatalog("c.catalog", &VekStrings[1], &VekStrings[2]), nullptr);
    EXPECT_EQ(OpenCatalog("c.catalog", &VekStrings[0], &VekStrings[2]), nullptr);
    const std::string out = cap.Take();
    EXPECT_NE(out.find("Konnte das File catalogs/deutsch/missing.catalog nicht \366ffnen!"), std::string::npos);
    EXPECT_TRUE(Untouched());
}

TEST_F(CatalogTest, ChunkSearchSteps)
{
    Write("c.catalog", CatalogFile({{"XTRA", Text("abc")}, {"AUTH", Text("a")}, {"FVER", Text("v")},
                                    {"LANG", Text("d")}, {"STRS", Strs({{5, "fuenf", 0}})}}));
    Catalog *c = Open("c.catalog");
    ASSERT_NE(c, nullptr);
    CatalogChunk *odd = SearchChunk(c, MakeID('X', 'T', 'R', 'A'));
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->Len, 4u);  // three bytes, rounded up to even
    EXPECT_EQ(std::memcmp(odd->Data, "abc", 3), 0);
    FreeVec(odd);
    EXPECT_EQ(SearchChunk(c, MakeID('N', 'O', 'N', 'E')), nullptr);
    ASSERT_EQ(SearchStringPos(c), 1);
    EXPECT_EQ(std::memcmp(c->Ptr + c->Data, "STRS", 4), 0);
    CloseCatalog(c);
}

}  // namespace
