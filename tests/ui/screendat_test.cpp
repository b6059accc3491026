// Screen description files built in the test: every kind decodes into its
// native record, links become pointers, and corrupt files are refused whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/testutil.h"
#include "platform/memfile.h"
#include "platform/catalog.h"
#include "ui/screendat.h"

using namespace vektest;

namespace {

void Be16(Bytes &b, uint32_t v)
{
    b.push_back((uint8_t)(v >> 8));
    b.push_back((uint8_t)v);
}

void Be32(Bytes &b, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8) b.push_back((uint8_t)(v >> s));
}

Bytes Words(std::initializer_list<uint32_t> words)
{
    Bytes b;
    for (uint32_t w : words) Be16(b, w);
    return b;
}

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Long(uint32_t v)
{
    Bytes b;
    Be32(b, v);
    return b;
}

struct Entry {
    uint32_t tag;
    uint32_t count;
    Bytes records;
};

// Body offset of the first record of entry k when the records follow the table back to back.
uint32_t RecordOffset(const std::vector<Entry> &entries, size_t k)
{
    uint32_t at = 8 + 12 * (uint32_t)entries.size();
    for (size_t e = 0; e < k; ++e) at += (uint32_t)entries[e].records.size();
    return at;
}

Bytes ScreenFile(const std::vector<Entry> &entries)
{
    Bytes f(32, 0xEE);  // header, not read
    Be32(f, 0xDEADBEEF);  // not read
    Be32(f, (uint32_t)entries.size());
    for (size_t k = 0; k < entries.size(); ++k) {
        Be32(f, entries[k].tag);
        Be32(f, entries[k].count);
        Be32(f, RecordOffset(entries, k));
    }
    for (const Entry &e : entries) f = f + e.records;
    return f;
}

constexpr uint32_t FourCC(const char (&s)[5])
{
    return (uint32_t)(uint8_t)s[0] << 24 | (uint32_t)(uint8_t)s[1] << 16 | (uint32_t)(uint8_t)s[2] << 8 |
           (uint8_t)s[3];
}

class ScreenDatTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 8; ++i) saved_[i] = VekStrings[i].Str;
        for (int i = 0; i < 8; ++i) VekStrings[i].Str = kTexts[i];
        allocs_ = MemAllocatedCounter.load() - MemFreedCounter.load();
    }
    void TearDown() override
    {
        EXPECT_EQ(MemAllocatedCounter.load() - MemFreedCounter.load(), allocs_) << "blocks left allocated";
        for (int i = 0; i < 8; ++i) VekStrings[i].Str = saved_[i];
    }
    ScreenRegion *Load(const Bytes &file, ULONG mask)
    {
        WriteBytes("s.dat", file);
        return GetScreenRegion("s.dat", mask);
    }

    static constexpr const char *kTexts[8] = {"null", "eins", "zwei", "drei", "vier", "fuenf", "sechs", "sieben"};
    ScratchDir dir_;
    const char *saved_[8] = {};
    ULONG allocs_ = 0;
};

// One file with every kind, each field a distinct value. The title bar at
// record 1 and the rectangle at record 0 are the link targets of gadgets 1 and 2.
std::vector<Entry> AllKinds()
{
    std::vector<Entry> e = {
        {TAG_TITLEBAR, 3,
         Words({1, 2, 3, 4}) + Long(0) + Words({5, 6, 7, 8}) + Long(3) + Words({9, 10, 11, 12}) + Long(0xFFFFFFFF)},
        {TAG_GADGETDATA, 3, Bytes(72, 0)},
        {TAG_LOCALETEXTBOX, 1, Long(4) + Words({21, 22, 23, 24})},
        {TAG_STRINGINPUTBOX, 1, Words({31, 32, 33, 34, 35, 36}) + Long(5)},
        {TAG_STRINGINPUTINFO, 1, Words({41, 42, 43, 44, 45})},
        {TAG_DISPLAYSTATUSBOX, 1, Words({51, 52, 53, 54, 55, 56, 57})},
        {TAG_BOXINFO, 1, Words({61, 62, 63, 64, 65, 66})},
        {TAG_TEXTDATA, 2, Long(6) + Words({71, 72}) + Long(7) + Words({73, 74})},
        {TAG_BUTTONDATA, 1, Words({81, 82, 83, 84, 85, 86}) + Long(2)},
        {TAG_RECHTECK, 2, Words({91, 92, 93, 94, 95, 96, 97, 98})},
        {TAG_PUNKT, 1, Words({101, 102})},
        {TAG_GEBAEUDE, 1,
         Words({0x1234}) + Long(0x00012345) + Words({111, 112, 113, 114, 115, 116, 117, 118}) +
             Bytes{1, 2, 3, 4, 5, 6, 7, 0} + Words({121, 122, 123, 124, 125, 126, 127}) +
             Words({131, 132, 133, 134, 135, 136, 137, 138})},
        {TAG_RES0 - 9, 2, Bytes{0xAA, 0xBB, 0xCC, 0xDD}},
    };
    const uint32_t title1 = RecordOffset(e, 0) + 12, rect0 = RecordOffset(e, 9);
    e[1].records = Words({201, 202, 203, 0, 205, 206, 207, 208}) + Long(FourCC("EXIT")) + Long(0) +
                   Words({211, 212, 213, 0x04, 215, 216, 217, 218}) + Long(FourCC("OKOK")) + Long(title1) +
                   Words({221, 222, 223, 0x10, 225, 226, 227, 228}) + Long(FourCC("KEY!")) + Long(rect0);
    return e;
}

TEST_F(ScreenDatTest, EveryKindDecodesIntoItsNativeRecord)
{
    const std::vector<Entry> entries = AllKinds();
    ASSERT_EQ(entries[11].records.size(), 60u);
    ScreenRegion *r = Load(ScreenFile(entries), 0xFFFu | 1u << 21);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->GlobalGadget.Released, 1);

    ASSERT_EQ(r->CountTitleBar, 3u);
    EXPECT_EQ(r->TitleBar[0].X_Pos1, 1);
    EXPECT_EQ(r->TitleBar[0].Y_Pos2, 4);
    EXPECT_EQ(r->TitleBar[0].Title, nullptr);
    EXPECT_STREQ(r->TitleBar[1].Title, "drei");
    EXPECT_EQ(r->TitleBar[2].Title, TITLEBAR_HEAD);
    EXPECT_EQ(r->TitleBar[2].X_Pos2, 11);
    EXPECT_EQ(r->TitleBar[3].Title, nullptr);  // a cleared entry ends every loaded title list

    ASSERT_EQ(r->CountGadgetData, 3u);
    const GadgetData &g = r->GadgetData[0];
    EXPECT_EQ(g.GfxUp_ID, 201);
    EXPECT_EQ(g.GfxDown_ID, 202);
    EXPECT_EQ(g.SoundFx, 203);
    EXPECT_EQ(g.X0, 205);
    EXPECT_EQ(g.Y0, 206);
    EXPECT_EQ(g.X1, 207);
    EXPECT_EQ(g.Y1, 208);
    EXPECT_EQ(g.ReturnID, 0x45584954u);  // "EXIT"
    EXPECT_EQ(g.Link, nullptr);
    EXPECT_EQ(r->GadgetData[1].Link, &r->TitleBar[1]);
    EXPECT_EQ(r->GadgetData[2].Link, &r->Rechteck[0]);

    ASSERT_EQ(r->CountLocaleTextBox, 1u);
    EXPECT_STREQ(r->LocaleTextBox[0].LocaleID, "vier");
    EXPECT_EQ(r->LocaleTextBox[0].X0, 21);
    EXPECT_EQ(r->LocaleTextBox[0].Y1, 24);
    EXPECT_EQ(r->StringInputBox[0].X0, 31);
    EXPECT_EQ(r->StringInputBox[0].MaxChars, 35);
    EXPECT_EQ(r->StringInputBox[0].MaxPixels, 36);
    EXPECT_STREQ(r->StringInputBox[0].LocaleID, "fuenf");
    EXPECT_EQ(r->StringInputInfo[0].X0, 41);
    EXPECT_EQ(r->StringInputInfo[0].MaxLines, 44);
    EXPECT_EQ(r->StringInputInfo[0].MaxPixels, 45);
    EXPECT_EQ(r->DisplayStatusBox[0].FGPen, 51);
    EXPECT_EQ(r->DisplayStatusBox[0].DrMd, 53);
    EXPECT_EQ(r->DisplayStatusBox[0].Y1, 57);
    EXPECT_EQ(r->BoxInfo[0].X0, 61);
    EXPECT_EQ(r->BoxInfo[0].H, 66);
    ASSERT_EQ(r->CountTextData, 2u);
    EXPECT_STREQ(r->TextData[0].LocaleID, "sechs");
    EXPECT_STREQ(r->TextData[1].LocaleID, "sieben");
    EXPECT_EQ(r->TextData[1].Y0, 74);
    EXPECT_EQ(r->ButtonData[0].X0, 81);
    EXPECT_EQ(r->ButtonData[0].BitVarID, 85);
    EXPECT_EQ(r->ButtonData[0].BitNum, 86);
    EXPECT_STREQ(r->ButtonData[0].LocaleID, "zwei");
    ASSERT_EQ(r->CountRechteck, 2u);
    EXPECT_EQ(r->Rechteck[1].X0, 95);
    EXPECT_EQ(r->Rechteck[1].Y1, 98);
    EXPECT_EQ(r->Punkt[0].X0, 101);
    EXPECT_EQ(r->Punkt[0].Y0, 102);

    const GebaeudeAbhaengigkeiten &b = r->GebaeudeInfoPtr[0];
    EXPECT_EQ(b.GfxBitfeld, 0x1234);
    EXPECT_EQ(+b.Volk, 0x00012345u);  // a copy: the packed field is not aligned
    EXPECT_EQ(b.Stadtlevel, 111);
    EXPECT_EQ(b.GebaeudeID, 112);
    EXPECT_EQ(b.Prioritaet, 113);
    EXPECT_EQ(b.GebaeudeDaten.GfxID, 114);
    EXPECT_EQ(b.GebaeudeDaten.Hoehe, 118);
    EXPECT_EQ(b.GebaeudeForschung.Alchemie, 1);
    EXPECT_EQ(b.GebaeudeForschung.Theologie, 7);
    EXPECT_EQ(b.AndereGebaeude.OtherID1, 121);
    EXPECT_EQ(b.AndereGebaeude.OtherID7, 127);
    EXPECT_EQ(b.AntiGebaeude.NotID1, 131);
    EXPECT_EQ(b.AntiGebaeude.NotID8, 138);

    EXPECT_EQ(r->CountRes[9], 2u);
    EXPECT_EQ(((const UBYTE *)r->Res[9])[0], 0xAA);
    EXPECT_EQ(r->Res[0], nullptr);
    ClearScreenRegion(r);
}

TEST_F(ScreenDatTest, MasksSelectKindsAndLoadsAreIndependent)
{
    const Bytes file = ScreenFile(AllKinds());
    ScreenRegion *none = Load(file, 0);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->TitleBar, nullptr);
    EXPECT_EQ(none->CountGadgetData, 0u);
    EXPECT_EQ(none->GebaeudeInfoPtr, nullptr);

    ScreenRegion *a = Load(file, SR_TITLEBAR | SR_GADGETDATA);
    ScreenRegion *b = Load(file, SR_TITLEBAR | SR_GADGETDATA);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->Rechteck, nullptr);  // not asked for
    EXPECT_NE(a->GadgetData, b->GadgetData);
    a->GadgetData[0].X0 = 1;
    EXPECT_EQ(b->GadgetData[0].X0, 205);
    EXPECT_EQ(GetExternalDataCount(a->ExtDataTable, TAG_PUNKT), 1u);
    EXPECT_EQ(GetExternalDataCount(a->ExtDataTable, 0x12345678), 0u);
    EXPECT_EQ(GetExternalDataPtr(a->ExtDataTable, 0x12345678), nullptr);
    ClearScreenRegion(none);
    ClearScreenRegion(a);
    ClearScreenRegion(b);
}

TEST_F(ScreenDatTest, ARequestedKindThatIsMissingOrEmptyFailsTheRegion)
{
    std::vector<Entry> e = {{TAG_TITLEBAR, 1, Words({1, 2, 3, 4}) + Long(0)}, {TAG_PUNKT, 0, {}}};
    for (ULONG mask : {SR_GADGETDATA, SR_PUNKT, SR_TITLEBAR | SR_RECHTECK}) {
        SCOPED_TRACE(mask);
        StdoutCapture cap;
        EXPECT_EQ(Load(ScreenFile(e), mask), nullptr);
        EXPECT_NE(cap.Take().find("GetScreenRegion:Fehler beim Einlesen der Externen Daten!"), std::string::npos);
    }
    ScreenRegion *r = Load(ScreenFile(e), SR_TITLEBAR);
    ASSERT_NE(r, nullptr);
    ClearScreenRegion(r);
}

TEST_F(ScreenDatTest, TextsAreResolvedWhenTheFileIsLoaded)
{
    std::vector<Entry> e = {{TAG_TEXTDATA, 1, Long(3) + Words({1, 2})}};
    ScreenRegion *r = Load(ScreenFile(e), SR_TEXTDATA);
    ASSERT_NE(r, nullptr);
    VekStrings[3].Str = "later";
    EXPECT_STREQ(r->TextData[0].LocaleID, "drei");
    ClearScreenRegion(r);
}

struct BadFile {
    const char *name;
    Bytes bytes;
};

Bytes Cut(Bytes b, size_t n)
{
    b.resize(n);
    return b;
}

Bytes SetLong(Bytes b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b.at(at + i) = (uint8_t)(v >> (24 - 8 * i));
    return b;
}

std::vector<BadFile> BadFiles()
{
    const std::vector<Entry> small = {{TAG_RECHTECK, 2, Words({1, 2, 3, 4, 5, 6, 7, 8})},
                                      {TAG_GADGETDATA, 1, Words({1, 2, 3, 0, 5, 6, 7, 8}) + Long(1) + Long(0)}};
    const Bytes good = ScreenFile(small);
    // Body offsets: table at 8, rectangles at 32, gadget at 48 (its link field at 68).
    const size_t linkAt = 32 + 48 + 20;
    auto linked = [&](uint32_t flags, uint32_t link) {
        Bytes b = SetLong(good, linkAt, link);
        b[32 + 48 + 6] = (uint8_t)(flags >> 8);
        b[32 + 48 + 7] = (uint8_t)flags;
        return b;
    };
    return {
        {"empty", {}},
        {"header only", Cut(good, 32)},
        {"no entry count", Cut(good, 39)},
        {"25 entries", SetLong(good, 36, 25)},
        {"entry table past the end", Cut(good, 40 + 12)},
        {"huge entry count", SetLong(good, 36, 0xFFFFFFFF)},
        {"records cut short", Cut(good, good.size() - 1)},
        {"huge record count", SetLong(good, 40 + 4, 0x40000000)},
        {"record count past the end", SetLong(good, 40 + 4, 6)},
        {"offset past the end", SetLong(good, 40 + 8, 0xFFFFFFF0)},
        {"link past the end", linked(0, 0x10000)},
        {"link into the middle of a record", linked(0, 34)},
        {"link to the entry table", linked(0, 8)},
        {"text gadget linked to a rectangle", linked(0x04, 32)},
        {"hover gadget linked to nothing", linked(0x10, 0)},
        {"hover gadget linked to itself", linked(0x10, 48)},
    };
}

TEST_F(ScreenDatTest, CorruptFilesAreRefused)
{
    for (const BadFile &row : BadFiles()) {
        SCOPED_TRACE(row.name);
        StdoutCapture cap;
        ScreenRegion *r = Load(row.bytes, 0);
        const std::string out = cap.Take();
        EXPECT_EQ(r, nullptr);
        if (r) ClearScreenRegion(r);
        EXPECT_NE(out.find("ExternalDataLoad:Konnte das File s.dat nicht Laden."), std::string::npos) << out;
        EXPECT_NE(out.find("GetScreenRegion:Konnte keinen Speicher fuer die ExtDataTable bekommen."),
                  std::string::npos);
    }
}

TEST_F(ScreenDatTest, ValidLinksAndUnknownKindsAreAccepted)
{
    std::vector<Entry> e = {{0x11223344, 5, Bytes{1, 2, 3}},
                            {TAG_RECHTECK, 1, Words({1, 2, 3, 4})},
                            {TAG_GADGETDATA, 1, {}}};
    e[2].records = Words({1, 2, 3, 0x10, 5, 6, 7, 8}) + Long(FourCC("HOVR")) + Long(RecordOffset(e, 1));
    ScreenRegion *r = Load(ScreenFile(e), SR_RECHTECK | SR_GADGETDATA);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->GadgetData[0].Link, &r->Rechteck[0]);
    ClearScreenRegion(r);
}

TEST_F(ScreenDatTest, MissingFileAndNullRegion)
{
    StdoutCapture cap;
    EXPECT_EQ(GetScreenRegion("./Data/screendat/none.dat", 3), nullptr);
    ClearScreenRegion(nullptr);
    SetGadgetOffset(nullptr, 1, 2);
    const std::string out = cap.Take();
    EXPECT_NE(out.find("ExternalDataLoad:Konnte das File ./Data/screendat/none.dat nicht Laden."), std::string::npos);
    EXPECT_NE(out.find("ERROR: ClearScreenRegion no ScreenRegion"), std::string::npos);
}

TEST(ScreenDat, KindTagsBySizeAndBit)
{
    EXPECT_EQ(ScreenDataTag(0), TAG_TITLEBAR);
    EXPECT_EQ(ScreenDataTag(11), TAG_GEBAEUDE);
    EXPECT_EQ(ScreenDataTag(12), 0xADBAACCFu);
    EXPECT_EQ(ScreenDataTag(21), 0xADBAACC6u);
    EXPECT_EQ(ScreenDataTag(22), 0u);
    EXPECT_EQ(ScreenDataFileSize(TAG_GADGETDATA), 24u);
    EXPECT_EQ(ScreenDataFileSize(TAG_STRINGINPUTINFO), 10u);
    EXPECT_EQ(ScreenDataFileSize(TAG_GEBAEUDE), 60u);
}

}  // namespace
