// The public letters of MailIn as the tavern's window lists them: the sort
// cycle, the pruning to the 51 newest whatever the order shown, and letter
// files that are not what they claim.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "store/lists.h"
#include "store/mapnames.h"
#include "world/briefliste.h"
#include "world/turnfixture.h"

namespace {

using namespace turnfix;

// A letter file of MailIn in file order, written by the store's own writer.
void Brief(const std::string &name, const char *datum, const char *betreff, const char *absender,
           LONG empfaenger = -1, const char *text = "Hallo")
{
    auto *smal = (st_SMAL *)AllocChunk(CN_SMAL, (ULONG)std::strlen(text) + 1, 1);
    ASSERT_NE(smal, nullptr);
    std::snprintf(smal->DateString, sizeof smal->DateString, "%s", datum);
    std::snprintf(smal->Betreff, sizeof smal->Betreff, "%s", betreff);
    std::snprintf(smal->AbsenderName, sizeof smal->AbsenderName, "%s", absender);
    std::snprintf(smal->EmpfaengerName, sizeof smal->EmpfaengerName, "all");
    smal->EmpfaengerID = empfaenger;
    smal->AbsenderID = 3;
    std::memcpy((UBYTE *)smal + sizeof(st_SMAL), text, std::strlen(text) + 1);
    ASSERT_TRUE(SaveChunk2File(("Data/MailIn/" + name).c_str(), smal));
    FreeChunk(smal);
}

struct Liste {
    ListHeader *l = CreateList(LISTE_BRIEFE);
    ~Liste() { DeleteList(l, LIST_FREE_OWNED); }
    ULONG Lesen() { return ScanSmals2List(l, MAILIN_DIR, "        _  .smal", 0); }
    std::vector<std::string> Betreffs() const
    {
        std::vector<std::string> v;
        ListNode *n = l->FirstNode;
        for (ULONG i = 0; i < l->Elemente; ++i, n = n->Next) v.push_back(((SmalListEntry *)NodeData(n))->Betreff);
        return v;
    }
};

using V = std::vector<std::string>;

TEST(Briefliste, TheSortOrdersCycleDateSubjectSender)
{
    GameDir dir;
    Brief("00000003_00.smal", "01-Dec-2026 10:00:00", "Korn", "Bertram");
    Brief("00000004_00.smal", "03-Dec-2026 10:00:00", "Waffenstillstand", "Adelheid");
    Brief("E0000007_00.smal", "02-Dec-2026 10:00:00", "Angebot", "Ulrich");
    Brief("00000005_00.smal", "04-Dec-2026 10:00:00", "Geheim", "Zora", 7);  // to one player only
    Liste b;
    ASSERT_EQ(b.Lesen(), 3u) << "only the letters to every player";

    UWORD mode = BRIEF_NACH_DATUM;
    const V erwartet[] = {{"Waffenstillstand", "Angebot", "Korn"},
                          {"Angebot", "Korn", "Waffenstillstand"},
                          {"Waffenstillstand", "Korn", "Angebot"}};
    const UWORD modi[] = {BRIEF_NACH_DATUM, BRIEF_NACH_BETREFF, BRIEF_NACH_ABSENDER};
    for (int schritt = 0; schritt < 4; ++schritt) {
        SCOPED_TRACE(schritt);
        EXPECT_EQ(mode, modi[schritt % 3]);
        ASSERT_TRUE(BriefeSortieren(b.l, mode));
        EXPECT_EQ(b.Betreffs(), erwartet[schritt % 3]);
        mode = BriefNaechsteSortierung(mode);
    }
    EXPECT_FALSE(BriefeSortieren(b.l, 2));
}

TEST(Briefliste, PruningKeepsTheNewestLettersWhateverTheOrderShown)
{
    GameDir dir;
    // 60 letters whose subjects run against their dates: sorted by subject
    // the newest come last.
    for (int i = 0; i < 60; ++i) {
        char name[32], datum[32], betreff[32];
        std::snprintf(name, sizeof name, "%8.8x_%2.2u.smal", 10 + i, 0u);
        std::snprintf(datum, sizeof datum, "%02d-Nov-2026 %02d:00:00", 1 + i / 24, i % 24);
        std::snprintf(betreff, sizeof betreff, "Brief %02d", 99 - i);
        Brief(name, datum, betreff, "Hagen");
    }
    Liste b;
    ASSERT_EQ(b.Lesen(), 60u);
    ASSERT_TRUE(BriefeSortieren(b.l, BRIEF_NACH_BETREFF));
    EXPECT_EQ(DeleteOverFifty(b.l), 9u);
    EXPECT_EQ(b.l->Elemente, 51u);
    for (int i = 0; i < 60; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "Data/MailIn/%8.8x_00.smal", 10 + i);
        EXPECT_EQ(vektest::Exists(name), i >= 9) << name;
    }
    EXPECT_EQ(DeleteOverFifty(b.l), 0u) << "51 letters stay";
}

TEST(Briefliste, DamagedLetterFilesAreSkipped)
{
    GameDir dir;
    Brief("00000003_00.smal", "01-Dec-2026 10:00:00", "Gut", "Bertram");
    Brief("00000003_01.smal", "01-Dec-2026 10:00:00", "Vorlage", "Bertram");
    const Bytes gut = vektest::ReadBytes("Data/MailIn/00000003_01.smal");
    ASSERT_GT(gut.size(), 284u);

    Bytes zehn(gut.begin(), gut.begin() + 10);
    vektest::WriteBytes("Data/MailIn/00000004_00.smal", zehn);
    // 283 bytes: a head claiming one byte less than the record.
    Bytes kurz(gut.begin(), gut.begin() + 283);
    kurz[8] = 0, kurz[9] = 0, kurz[10] = 1, kurz[11] = 15;  // Length 271
    vektest::WriteBytes("Data/MailIn/00000004_01.smal", kurz);
    struct Feld { const char *name; size_t von, breite; } felder[] = {
        {"date", 12, 24}, {"subject", 36, 160}, {"sender", 196, 40}, {"recipient", 236, 40}};
    int nr = 2;
    for (const auto &f : felder) {
        Bytes b = gut;
        std::memset(b.data() + f.von, 'x', f.breite);
        char name[64];
        std::snprintf(name, sizeof name, "Data/MailIn/00000004_%02d.smal", nr++);
        vektest::WriteBytes(name, b);
    }
    std::remove("Data/MailIn/00000003_01.smal");
    Liste b;
    EXPECT_EQ(b.Lesen(), 1u);
    EXPECT_EQ(b.Betreffs(), V{"Gut"});
}

TEST(Briefliste, TenThousandLettersAreReadSortedAndPrunedInBoundedTime)
{
    GameDir dir;
    Brief("00000003_00.smal", "01-Dec-2026 10:00:00", "Vorlage", "Bertram");
    const Bytes gut = vektest::ReadBytes("Data/MailIn/00000003_00.smal");
    for (int i = 0; i < 10000; ++i) {
        Bytes b = gut;
        char datum[24] = {};
        std::snprintf(datum, sizeof datum, "%02d-Oct-2026 %02d:%02d:00", 1 + i / 1440, i / 60 % 24, i % 60);
        std::memcpy(b.data() + 12, datum, sizeof datum);
        char name[64];
        std::snprintf(name, sizeof name, "Data/MailIn/%8.8x_00.smal", 0x100 + i);
        vektest::WriteBytes(name, b);
    }
    const auto start = std::chrono::steady_clock::now();
    Liste b;
    {
        vektest::StdoutCapture still;
        ASSERT_EQ(b.Lesen(), 10001u);
        for (UWORD m : {BRIEF_NACH_DATUM, BRIEF_NACH_BETREFF, BRIEF_NACH_ABSENDER}) ASSERT_TRUE(BriefeSortieren(b.l, m));
        EXPECT_EQ(DeleteOverFifty(b.l), 10001u - 51u);
    }
    const double sekunden = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // Quadratic work over 10,000 letters takes minutes; the linear walk
    // takes well under a second even under sanitizers on a loaded machine.
    EXPECT_LT(sekunden, 60.0);
    EXPECT_EQ(b.l->Elemente, 51u);
}

}  // namespace
