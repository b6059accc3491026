// Map names, ship add-ons and letter lists with their files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/testutil.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/mapnames.h"

namespace {

// The records are packed: checks read their numbers with a unary plus, as
// values, never through a misaligned reference.

using vektest::Bytes;

void LE(Bytes &b, ULONG v, int breite)
{
    for (int i = 0; i < breite; ++i) b.push_back((uint8_t)(v >> (8 * i)));
}
void BE(Bytes &b, ULONG v, int breite)
{
    for (int i = breite - 1; i >= 0; --i) b.push_back((uint8_t)(v >> (8 * i)));
}
void Text(Bytes &b, const std::string &t, size_t breite)
{
    Bytes f(breite, 0);
    std::memcpy(f.data(), t.data(), std::min(t.size(), breite));
    b.insert(b.end(), f.begin(), f.end());
}

Bytes Name(UWORD x, UWORD y, const std::string &name, UWORD level, ULONG volk, UWORD id)
{
    Bytes b;
    LE(b, x, 2);
    LE(b, y, 2);
    Text(b, name, 80);
    LE(b, level, 2);
    LE(b, volk, 4);
    LE(b, id, 2);
    return b;
}

Bytes AddOn(const std::string &name, UWORD schiff, UWORD dauer, ULONG s1, ULONG s2, ULONG s3)
{
    Bytes b;
    Text(b, name, 80);
    LE(b, schiff, 2);
    LE(b, dauer, 2);
    LE(b, s1, 4);
    LE(b, s2, 4);
    LE(b, s3, 4);
    return b;
}

template <class R> std::vector<R> Records(ListHeader *l)
{
    std::vector<R> v;
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; i < l->Elemente; ++i, n = n->Next) {
        R r;
        std::memcpy(&r, NodeData(n), sizeof r);
        v.push_back(r);
    }
    return v;
}

class Listendateien : public testing::Test {
protected:
    void SetUp() override { vektest::MakeDirs("Data/MailIn"); }
    vektest::ScratchDir dir;
};

TEST_F(Listendateien, MapNamesWholeRecordsOnly)
{
    Bytes datei = Name(12799, 6399, "Nordkap", 3, 0x01020304, 0x0506);
    Bytes zwei = Name(1, 2, "Furt", 0, 0, 0);
    datei.insert(datei.end(), zwei.begin(), zwei.end());
    datei.push_back(0xAA);  // 185 bytes: the last one is no record
    vektest::WriteBytes(MAPNAMES_FILE, datei);

    ListHeader *l = CreateList(LISTE_MAPNAMES);
    ASSERT_EQ(ScanMapNames2List(l), 1);
    std::vector<st_TOWN_EXT> namen = Records<st_TOWN_EXT>(l);
    ASSERT_EQ(namen.size(), 2u);
    EXPECT_EQ(+namen[0].XPos, 12799);
    EXPECT_EQ(+namen[0].YPos, 6399);
    EXPECT_STREQ(namen[0].Name, "Nordkap");
    EXPECT_EQ(+namen[0].Level, 3);
    EXPECT_EQ(+namen[0].StadtVolk, 0x01020304u);
    EXPECT_EQ(+namen[0].StadtID, 0x0506);
    EXPECT_STREQ(namen[1].Name, "Furt");

    ASSERT_EQ(SaveMapNamesList(l), 1);
    EXPECT_EQ(vektest::ReadBytes(MAPNAMES_FILE), Bytes(datei.begin(), datei.begin() + 184));
    // Loading appends to what the list holds.
    ASSERT_EQ(ScanMapNames2List(l), 1);
    EXPECT_EQ(l->Elemente, 4u);
    DeleteList(l, 1);
}

TEST_F(Listendateien, MapNamesMissingEmptyAndUnreadable)
{
    ListHeader *l = CreateList(LISTE_MAPNAMES);
    EXPECT_EQ(ScanMapNames2List(l), 1) << "missing file";
    EXPECT_EQ(l->Elemente, 0u);
    vektest::WriteBytes(MAPNAMES_FILE, Name(1, 1, "x", 0, 0, 0));
    EXPECT_EQ(SaveMapNamesList(l), 1);
    EXPECT_FALSE(vektest::Exists(MAPNAMES_FILE)) << "an empty list removes the file";

    vektest::MakeDirs(MAPNAMES_FILE);  // there, but cannot be read as a file
    EXPECT_EQ(ScanMapNames2List(l), 0);

    ListHeader *falsch = CreateList(LISTE_SHIPADDON);
    EXPECT_EQ(ScanMapNames2List(falsch), 0);
    EXPECT_EQ(SaveMapNamesList(falsch), 0);
    EXPECT_EQ(ScanMapNames2List(nullptr), 0);
    DeleteList(falsch, 1);
    DeleteList(l, 1);
}

TEST_F(Listendateien, ShipAddOnsRoundTrip)
{
    Bytes datei = AddOn("Seeadler", 0x1234, 3, 0x0A0B0C0D, 2, 0xFFFFFFFF);
    Bytes b = AddOn("Kogge", 7, 0, 0, 0, 0);
    datei.insert(datei.end(), b.begin(), b.end());
    vektest::WriteBytes(SHIPADDON_FILE, datei);

    ListHeader *l = ScanShipAddOn2List();
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->Typ, LISTE_SHIPADDON);
    std::vector<ShipAddOn> v = Records<ShipAddOn>(l);
    ASSERT_EQ(v.size(), 2u);
    EXPECT_STREQ(v[0].Name, "Seeadler");
    EXPECT_EQ(+v[0].SchiffsID, 0x1234);
    EXPECT_EQ(+v[0].ReparaturDauer, 3);
    EXPECT_EQ(+v[0].Special1, 0x0A0B0C0Du);
    EXPECT_EQ(+v[0].Special2, 2u);
    EXPECT_EQ(+v[0].Special3, 0xFFFFFFFFu);
    ASSERT_EQ(SaveShipAddOnList(l), 1);
    EXPECT_EQ(vektest::ReadBytes(SHIPADDON_FILE), datei);

    while (l->Elemente) DeleteNode(l, LIST_FIRST, 0, LIST_FREE_OWNED);
    ASSERT_EQ(SaveShipAddOnList(l), 1);
    EXPECT_FALSE(vektest::Exists(SHIPADDON_FILE));
    DeleteList(l, 1);
    l = ScanShipAddOn2List();
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->Elemente, 0u);
    DeleteList(l, 1);

    vektest::MakeDirs(SHIPADDON_FILE);
    EXPECT_EQ(ScanShipAddOn2List(), nullptr) << "a file that is there but unreadable is no empty list";
}

TEST(ShipAddOn, ConvertSwapsTheNumbersOnly)
{
    ShipAddOn r{};
    std::strcpy(r.Name, "AB");
    r.SchiffsID = 0x0102;
    r.ReparaturDauer = 0x0304;
    r.Special1 = 0x05060708;
    r.Special2 = 0x090A0B0C;
    r.Special3 = 0x0D0E0F10;
    ConvertShipAddOn(&r);
    EXPECT_STREQ(r.Name, "AB");
    EXPECT_EQ(r.SchiffsID, 0x0201);
    EXPECT_EQ(r.ReparaturDauer, 0x0403);
    EXPECT_EQ(r.Special1, 0x08070605u);
    EXPECT_EQ(r.Special2, 0x0C0B0A09u);
    EXPECT_EQ(r.Special3, 0x100F0E0Du);
    ConvertShipAddOn(nullptr);
}

TEST(Date2Seconds, SortValues)
{
    struct Row {
        const char *text;
        ULONG wert;
    } rows[] = {
        {"01-Jan-2000 00:00:00", 3216844800u},
        {"31-Jan-2000 00:00:00", 3219436800u},
        {"01-Feb-2000 00:00:00", 3219523200u},
        {"09-Dec-2026 12:34:56", 4082704496u},
        {"9-Dec-2026 12:34:56", 4082704496u},
    };
    for (const Row &r : rows) EXPECT_EQ(Date2Seconds(r.text), r.wert) << r.text;
    EXPECT_LT(Date2Seconds("01-Jan-2000 00:00:00"), Date2Seconds("31-Jan-2000 00:00:00"));
    EXPECT_LT(Date2Seconds("31-Jan-2000 00:00:00"), Date2Seconds("01-Feb-2000 00:00:00"));
    EXPECT_LT(Date2Seconds("31-Dec-2025 23:59:59"), Date2Seconds("01-Jan-2026 00:00:00"));
    const char text[] = "09-Dec-2026 12:34:56";
    Date2Seconds(text);
    EXPECT_STREQ(text, "09-Dec-2026 12:34:56") << "the text is left as it was";
}

TEST(Date2Seconds, UnknownMonthAndBrokenTexts)
{
    vektest::StdoutCapture cap;
    ULONG ohneMonat = Date2Seconds("09-Dez-2026 12:34:56");
    std::string ausgabe = cap.Take();
    EXPECT_NE(ausgabe.find("Fehler in der Datums-Konvertierung... Wert : Dez-2026 12:34:56 "), std::string::npos);
    EXPECT_EQ(ohneMonat, Date2Seconds("09-Dec-2026 12:34:56") - 12u * 2678400u) << "an unknown month counts as 0";
    for (const char *t : {"", "-", "xx", "31-Jan", "01-Jan-2000 99", "12345678901234567890123456789012345"})
        Date2Seconds(t);
    EXPECT_EQ(Date2Seconds(nullptr), 0u);
}

// A letter file as the mail code writes it: SMAL chunk, big-endian.
Bytes Brief(const std::string &datum, const std::string &betreff, const std::string &von, const std::string &an,
            LONG vonID, LONG anID, const std::string &text)
{
    Bytes b = {'S', 'M', 'A', 'L', 'V', '0', '0', '1'};
    BE(b, (ULONG)(272 + text.size() + 1), 4);
    Text(b, datum, 24);
    Text(b, betreff, 160);
    Text(b, von, 40);
    Text(b, an, 40);
    BE(b, (ULONG)vonID, 4);
    BE(b, (ULONG)anID, 4);
    b.insert(b.end(), text.begin(), text.end());
    b.push_back(0);
    return b;
}

std::vector<SmalListEntry *> Briefe(ListHeader *l)
{
    std::vector<SmalListEntry *> v;
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; i < l->Elemente; ++i, n = n->Next) v.push_back((SmalListEntry *)NodeData(n));
    return v;
}

const char kMaske[] = "        _  .smal";

TEST_F(Listendateien, LettersByMaskAndRecipient)
{
    PlayerInfo.SpielerID = 5;
    const std::string lang(70, 'x');
    vektest::WriteBytes("Data/MailIn/E0000001_07.smal",
                        Brief("09-Dec-2026 12:34:56", "Handel mit Salz", "Alrik", "Alle", 3, -1, "Guten Tag!"));
    vektest::WriteBytes("Data/MailIn/E0000001_7.smal", Brief("01-Jan-2000 00:00:00", "kurz", "B", "C", 3, -1, "x"));
    vektest::WriteBytes("Data/MailIn/E0000002_01.smal",
                        Brief("01-Jan-2000 00:00:00", lang, "EinSehrLangerName", "Du", 4, 5, "an dich"));
    vektest::WriteBytes("Data/MailIn/E0000003_01.smal", Brief("01-Jan-2000 00:00:00", "x", "y", "z", 4, 6, "fremd"));
    vektest::MakeDirs("Data/MailIn/E0000004_01.smal");  // a directory is no letter

    ListHeader *alle = CreateList(LISTE_BRIEFE);
    EXPECT_EQ(ScanSmals2List(alle, "./Data/MailIn", kMaske, 0), 1u);
    ASSERT_EQ(alle->Elemente, 1u);
    SmalListEntry *b = Briefe(alle)[0];
    EXPECT_EQ(+b->Date, 4082704496u);
    EXPECT_STREQ(b->TitelZeile, "Alrik      : Handel mit Salz");
    EXPECT_STREQ(b->DateString, "09-Dec-2026 12:34:56");
    EXPECT_STREQ(b->Betreff, "Handel mit Salz");
    EXPECT_STREQ(b->AbsenderName, "Alrik");
    EXPECT_STREQ(b->EmpfaengerName, "Alle");
    EXPECT_STREQ(b->ChunkFilename, "./Data/MailIn/E0000001_07.smal");
    EXPECT_EQ(+b->AbsenderID, 3);
    EXPECT_EQ(+b->EmpfaengerID, -1);
    ASSERT_NE(+b->MailPtr, nullptr);
    EXPECT_STREQ(b->MailPtr, "Guten Tag!");

    ListHeader *meine = CreateList(LISTE_BRIEFE);
    EXPECT_EQ(ScanSmals2List(meine, "./Data/MailIn/", kMaske, 1), 1u);
    ASSERT_EQ(meine->Elemente, 1u);
    b = Briefe(meine)[0];
    EXPECT_EQ(std::string(b->TitelZeile), ("EinSehrLangerName : " + lang).substr(0, 52));
    EXPECT_EQ(std::string(b->Betreff), lang);
    EXPECT_STREQ(b->MailPtr, "an dich");

    PlayerInfo.SpielerID = 6;
    EXPECT_EQ(ScanSmals2List(meine, "./Data/MailIn", kMaske, 1), 1u) << "appended";
    EXPECT_EQ(meine->Elemente, 2u);
    DeleteList(alle, 1);
    DeleteList(meine, 1);
}

TEST_F(Listendateien, BrokenLettersAreSkipped)
{
    PlayerInfo.SpielerID = 5;
    Bytes gut = Brief("01-Jan-2000 00:00:00", "gut", "A", "B", 1, -1, "text");
    vektest::WriteBytes("Data/MailIn/E0000001_01.smal", gut);
    Bytes kurz(gut.begin(), gut.end() - 3);  // Length past the end of the file
    vektest::WriteBytes("Data/MailIn/E0000001_02.smal", kurz);
    vektest::WriteBytes("Data/MailIn/E0000001_03.smal", Bytes{'S', 'M', 'A', 'L'});
    Bytes ohneText = Brief("02-Jan-2000 00:00:00", "leer", "A", "B", 1, -1, "");
    ohneText.pop_back();  // Length 272: the record and no text at all
    ohneText[11] = 0x10;
    vektest::WriteBytes("Data/MailIn/E0000001_04.smal", ohneText);
    Bytes abgeschnitten = {'S', 'M', 'A', 'L', 'V', '0', '0', '1', 0, 0, 0, 4, 'x', 'y', 'z', 0};
    vektest::WriteBytes("Data/MailIn/E0000001_05.smal", abgeschnitten);  // to player 0, not to all
    ListHeader *l = CreateList(LISTE_BRIEFE);
    ASSERT_EQ(ScanSmals2List(l, "./Data/MailIn", kMaske, 0), 2u);
    ASSERT_EQ(l->Elemente, 2u);
    for (SmalListEntry *b : Briefe(l)) {
        ASSERT_NE(+b->MailPtr, nullptr);
        EXPECT_STREQ(b->MailPtr, std::string(b->Betreff) == "gut" ? "text" : "");
    }
    DeleteList(l, 1);

    EXPECT_EQ(ScanSmals2List(nullptr, "./Data/MailIn", kMaske, 0), 0u);
    l = CreateList(LISTE_BRIEFE);
    EXPECT_EQ(ScanSmals2List(l, "./Data/Fehlt", kMaske, 0), 0u);
    EXPECT_EQ(ScanSmals2List(l, nullptr, kMaske, 0), 0u);
    EXPECT_EQ(ScanSmals2List(l, "./Data/MailIn", nullptr, 0), 0u);
    DeleteList(l, 1);
}

}  // namespace
