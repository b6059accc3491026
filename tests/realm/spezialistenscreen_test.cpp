// Screen 38 on the demo set at 8 and 32 bits (Cedric hired, class 3; cleric
// Alrik and geologist Brana free in Demoburg; geologist Dorna hired in
// Nordheim): hiring, disbanding, the refusal outside the current town, Ok's
// SPEZ record and figures as one change, hostile records.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "common/scriptinput.h"
#include "common/testutil.h"
#include "gfx/font.h"
#include "platform/memfile.h"
#include "realm/realm.h"
#include "realm/reichdialoge.h"
#include "realmscreen.h"
#include "store/converters.h"
#include "store/figures.h"
#include "store/store.h"
#include "world/okjournal.h"
#include "world/reichsregeln.h"

using namespace vektest;

namespace {

std::vector<std::string> said;

ULONG Be32(const std::string &s, size_t at)
{
    return (ULONG)(UBYTE)s[at] << 24 | (ULONG)(UBYTE)s[at + 1] << 16 | (ULONG)(UBYTE)s[at + 2] << 8 |
           (ULONG)(UBYTE)s[at + 3];
}

// The figures of the figure file, in host order.
std::vector<st_MOVE_EXT> Figuren()
{
    std::vector<st_MOVE_EXT> f;
    auto *m = (st_MOVE *)LoadChunk2Mem(ID_MOVE, MAPPREFS_FILE);
    if (!m) return f;
    const ULONG n = GetChunkEntryCount(m);
    auto *e = (st_MOVE_EXT *)((UBYTE *)m + sizeof(st_MOVE));
    f.assign(e, e + n);
    FreeVec(m);
    return f;
}

std::vector<st_MOVE_EXT> Eigene(UWORD art, ULONG x, ULONG y)
{
    std::vector<st_MOVE_EXT> r;
    for (const st_MOVE_EXT &f : Figuren())
        if (f.SpielerID == 7 && f.FigurArt == art && f.X_Pos == x && f.Y_Pos == y) r.push_back(f);
    return r;
}

// A specialist's record as the orders pool holds it, found by name.
std::string Record(const std::string &pool, const char *name)
{
    const size_t spez = pool.find("SPEZV001");
    if (spez == std::string::npos) return {};
    const size_t at = pool.find(std::string(name) + '\0', spez);
    return at == std::string::npos ? std::string() : pool.substr(at, sizeof(st_SPEZ_EXT));
}

class SpecialistsScreen : public RealmScreenTest {
protected:
    void SetUp() override
    {
        RealmScreenTest::SetUp();
        alt_ = SpezialistenDialogHooks;
        said.clear();
        SpezialistenDialogHooks.Message = [](const char *t) { said.push_back(t); };
        TextFont *f = OpenDiskFont("Fonts/XHelvetica9.fnt");
        ASSERT_NE(f, nullptr);
        zeile_ = f->tf_YSize + 1;
        CloseFont(f);
    }
    void TearDown() override
    {
        SpezialistenDialogHooks = alt_;
        OkJournalStepHook = nullptr;
        RealmScreenTest::TearDown();
    }
    // A click on line n of the free (x 40) or hired (x 330) list.
    void Row(bool frei, int n) { PushClick(frei ? 60 : 350, 80 + n * zeile_ + zeile_ / 2); }
    LONG Run(const std::vector<std::pair<int, int>> &rows_then_codes, const std::vector<const char *> &codes)
    {
        ScriptFeeder feed;
        for (size_t i = 0; i < codes.size(); ++i) {
            if (i < rows_then_codes.size() && rows_then_codes[i].first >= 0)
                Row(rows_then_codes[i].first == 1, rows_then_codes[i].second);
            if (codes[i]) Click("Spezialisten.dat", codes[i]);
        }
        feed.Start();
        return SpezialistenScreen();
    }
    ReichDialoge alt_{};
    LONG zeile_ = 10;
};

TEST_P(SpecialistsScreen, HireAlrikAndBrana)
{
    // Hire Alrik (free row 0); Brana moves up to row 0 and is hired too.
    ASSERT_EQ(Eigene(FIGUR_KLERIKER, 120, 60).size(), 1u);  // the demo's cleric, number 7
    EXPECT_EQ(Run({{1, 0}, {-1, 0}, {1, 0}, {-1, 0}, {-1, 0}}, {nullptr, "NEXT", nullptr, "NEXT", "OKOK"}), 2);
    const std::string pool = FileText(POOL_OUT);
    const std::string alrik = Record(pool, "Alrik");
    ASSERT_EQ(alrik.size(), 194u);
    // The town's clerics' figure was taken away and one put back: the
    // smallest free number, 7.
    const auto kleriker = Eigene(FIGUR_KLERIKER, 120, 60), geologen = Eigene(FIGUR_GEOLOGE, 120, 60);
    ASSERT_EQ(kleriker.size(), 1u);
    ASSERT_EQ(geologen.size(), 1u);
    EXPECT_EQ((UWORD)kleriker[0].FigurNummer, 7);
    EXPECT_EQ((UWORD)geologen[0].FigurNummer, 8);
    EXPECT_EQ(Be32(alrik, 80), 7u);
    EXPECT_EQ(Be32(alrik, 84), 120u);
    EXPECT_EQ(Be32(alrik, 88), 60u);
    EXPECT_EQ(alrik.substr(92, 2), std::string("\0\5", 2));
    EXPECT_EQ(Be32(alrik, 110), 7u);
    EXPECT_EQ(Be32(Record(pool, "Brana"), 80), 8u);
    EXPECT_EQ(Be32(Record(pool, "Cedric"), 80), 7u) << "class 3: no figure, number as read";
    EXPECT_EQ(Figuren().size(), 16u);  // 15 and Brana's
    EXPECT_TRUE(said.empty());

    // Next visit: disbanding Alrik (hired rows: Cedric, Alrik, Brana, Dorna)
    // takes the clerics' figure away; he is free and hireable again.
    EXPECT_EQ(Run({{0, 1}, {-1, 0}, {-1, 0}}, {nullptr, "LAST", "OKOK"}), 2);
    EXPECT_TRUE(Eigene(FIGUR_KLERIKER, 120, 60).empty());
    EXPECT_EQ(Eigene(FIGUR_GEOLOGE, 120, 60).size(), 1u);
    const std::string frei = Record(FileText(POOL_OUT), "Alrik");
    EXPECT_EQ(frei.substr(92, 2), std::string("\0\4", 2));
    EXPECT_EQ(Run({{1, 0}, {-1, 0}, {-1, 0}}, {nullptr, "NEXT", "OKOK"}), 2);
    EXPECT_EQ(Record(FileText(POOL_OUT), "Alrik").substr(92, 2), std::string("\0\5", 2));
    EXPECT_EQ(Eigene(FIGUR_KLERIKER, 120, 60).size(), 1u);
}

TEST_P(SpecialistsScreen, NordheimRefusedAndExitWritesNothing)
{
    const std::string pool = FileText(POOL_OUT), figuren = FileText(MAPPREFS_FILE);
    // Dorna is hired row 1, in Nordheim; clicks on the scroll gadgets and an
    // empty selection change nothing either.
    EXPECT_EQ(Run({{0, 1}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {1, 0}, {-1, 0}},
                  {nullptr, "LAST", "LAST", "NEXT", "DO00", "UP01", nullptr, "EXIT"}),
              2);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0], "Werter Lord, dieser Spezialist befindet sich leider nicht in dieser Stadt...\n");
    EXPECT_EQ(FileText(POOL_OUT), pool);
    EXPECT_EQ(FileText(MAPPREFS_FILE), figuren);
}

// A SPEZ record in the orders pool built from records.
void OrdersSpez(const std::vector<st_SPEZ_EXT> &s, ULONG anzahl)
{
    std::vector<UBYTE> chunk(sizeof(st_SPEZ) + s.size() * sizeof(st_SPEZ_EXT) + 1);
    st_SPEZ kopf{};
    kopf.Head = {ID_SPEZ, VERSION_V001, (ULONG)(4 + s.size() * sizeof(st_SPEZ_EXT))};
    kopf.Anzahl = anzahl;
    std::memcpy(chunk.data(), &kopf, sizeof kopf);
    if (!s.empty()) std::memcpy(chunk.data() + sizeof kopf, s.data(), s.size() * sizeof(st_SPEZ_EXT));
    ASSERT_TRUE(AddChunkPool(chunk.data(), POOL_OUT));
}

st_SPEZ_EXT Kleriker(const char *name, UWORD status)
{
    st_SPEZ_EXT e{};
    std::snprintf(e.Name, sizeof e.Name, "%s", name);
    e.Status = status, e.X_Pos = 120, e.Y_Pos = 60, e.Klasse = SPEZ_KLERIKER, e.Lohn = 10, e.SpielerID = 7;
    return e;
}

TEST_P(SpecialistsScreen, TwoClericsOneFigureNoneRemovesTheRecord)
{
    OrdersSpez({Kleriker("Ada", 5), Kleriker("Bert", 5)}, 2);
    EXPECT_EQ(Run({}, {"OKOK"}), 2);
    const auto k = Eigene(FIGUR_KLERIKER, 120, 60);
    ASSERT_EQ(k.size(), 1u);
    const std::string pool = FileText(POOL_OUT);
    EXPECT_EQ(Be32(Record(pool, "Ada"), 80), (ULONG)k[0].FigurNummer);
    EXPECT_EQ(Be32(Record(pool, "Bert"), 80), (ULONG)k[0].FigurNummer);

    OrdersSpez({}, 0);
    ASSERT_TRUE(IsChunkPresent(ChunkBit(CN_SPEZ), POOL_OUT));
    EXPECT_EQ(Run({{1, 0}, {-1, 0}}, {nullptr, "OKOK"}), 2);  // "keiner" ignores the click
    EXPECT_FALSE(IsChunkPresent(ChunkBit(CN_SPEZ), POOL_OUT));
    EXPECT_TRUE(Eigene(FIGUR_KLERIKER, 120, 60).empty());
}

TEST_P(SpecialistsScreen, HostileRecords)
{
    // A name filling its 80 bytes without NUL is shown cut and written back whole.
    st_SPEZ_EXT lang = Kleriker("", 0);
    std::memset(lang.Name, 'n', sizeof lang.Name);
    OrdersSpez({lang}, 1);
    EXPECT_EQ(Run({{1, 0}, {-1, 0}}, {nullptr, "OKOK"}), 2);
    const std::string pool = FileText(POOL_OUT);
    EXPECT_NE(pool.find(std::string(80, 'n')), std::string::npos);

    // A count past the record's length: the screen does not open, nothing is written.
    OrdersSpez({Kleriker("Ada", 5)}, 3);
    const std::string vorher = FileText(POOL_OUT), figuren = FileText(MAPPREFS_FILE);
    EXPECT_EQ(Run({}, {}), -1);
    EXPECT_EQ(FileText(POOL_OUT), vorher);
    EXPECT_EQ(FileText(MAPPREFS_FILE), figuren);
}

// Ok's change stopped before each file and before its end: a failed step puts
// both files back at once; a crash there leaves a journal the next start rolls back.
TEST_P(SpecialistsScreen, OkInterruptedIsAllOldOrAllNew)
{
    const std::string pool = FileText(POOL_OUT), figuren = FileText(MAPPREFS_FILE);
    auto liste = [] {
        ListHeader *l = CreateList(LISTE_SPEZIALISTEN);
        auto *spez = (st_SPEZ *)LoadChunk2Mem(ID_SPEZ, POOL_IN);
        EXPECT_TRUE(spez && ScanSpezialisten2List(l, spez));
        FreeVec(spez);
        EXPECT_TRUE(SpezialistAnheuern(l, 0, 120, 60, 7));  // Alrik
        return l;
    };
    for (ULONG schritt = 0; schritt < 3; ++schritt) {
        SCOPED_TRACE(schritt);
        static ULONG bis;
        bis = schritt;
        OkJournalStepHook = [](ULONG s) -> BOOL { return s != bis; };
        ListHeader *l = liste();
        EXPECT_FALSE(SpezialistenScreenWriteData(l, 120, 60));
        EXPECT_EQ((ULONG)SpezialistNr(l, 0, 1)->ID, 1u) << "Alrik's number as read";
        DeleteList(l, 1);
        OkJournalStepHook = nullptr;
        EXPECT_EQ(FileText(POOL_OUT), pool);
        EXPECT_EQ(FileText(MAPPREFS_FILE), figuren);
        EXPECT_FALSE(Exists(OK_JOURNAL));

        std::fflush(stdout);
        const pid_t pid = fork();
        if (pid == 0) {
            OkJournalStepHook = [](ULONG s) -> BOOL {
                if (s == bis) _exit(7);
                return 1;
            };
            _exit(SpezialistenScreenWriteData(liste(), 120, 60) ? 0 : 3);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 7);
        EXPECT_TRUE(OkJournalRestore());
        EXPECT_EQ(FileText(POOL_OUT), pool);
        EXPECT_EQ(FileText(MAPPREFS_FILE), figuren);
    }
    ListHeader *l = liste();
    EXPECT_TRUE(SpezialistenScreenWriteData(l, 120, 60));
    DeleteList(l, 1);
    EXPECT_NE(FileText(POOL_OUT), pool);
    EXPECT_NE(FileText(MAPPREFS_FILE), figuren);
    EXPECT_FALSE(Exists(OK_JOURNAL));
}

INSTANTIATE_TEST_SUITE_P(Depths, SpecialistsScreen, ::testing::Values(8, 32));

}  // namespace
