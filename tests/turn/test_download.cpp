// The turn download with a recording chunk machine: the steps of a new and
// of an old quarter, the choice among several answers, the texts of the
// advisor's box, the letters that leave ./Data/MailOut, and a process killed
// at every step, and at every file change, that, run again, ends exactly
// where an uninterrupted run does.
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "net/gamemail.h"
#include "platform/catalog.h"
#include "platform/files.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/store.h"
#include "common/killtrace.h"
#include "transportfixture.h"

using namespace turntest;
using vektest::ScratchDir;
namespace fs = std::filesystem;

namespace {

const std::time_t DAY1 = 1167609599;        // Sun, 31 Dec 2006 23:59:59, key 3,439,151,999
const std::time_t DAY2 = DAY1 + 1;          // Mon, 01 Jan 2007 00:00:00, key 3,439,152,000
const std::time_t DAY3 = DAY2 + 86400;      // Tue, 02 Jan 2007 00:00:00
const ULONG KEY1 = 3439151999u, KEY2 = 3439152000u, KEY3 = KEY2 + 86400;

ULONG Pref(UWORD id) { return CheckPrefs(id, PREFS_READ, 0); }

const std::vector<std::string> NewTurn(int mode)
{
    std::string m = " " + std::to_string(mode) + " ";
    return {"INFO" + m + "in", "INIT" + m + "out", "WARE" + m + "in", "VERT" + m + "in", "MOVE" + m + "in",
            "ARMY" + m + "in", "SHIP" + m + "in", "LAND" + m + "in", "MAIL" + m + "in", "GEBA" + m + "in",
            "PMAP" + m + "in", "ANTW" + m + "in", "towns", "status", "fields"};
}

const std::vector<std::string> OldTurn(int mode)
{
    std::string m = " " + std::to_string(mode) + " ";
    return {"INFO" + m + "in", "INIT" + m + "out", "LAND" + m + "in", "MAIL" + m + "in", "GEBA" + m + "in",
            "PMAP" + m + "in", "ANTW" + m + "in", "towns", "status", "fields"};
}

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

bool Said(const std::string &text)
{
    for (const auto &t : Seen.texts)
        if (t == text) return true;
    return false;
}
std::string Str(const LocStr &s) { return GetString(&s); }

void Seen1202()
{
    CheckPrefsWrite(2, 1202);
    CheckPrefsWrite(3, 4);
}

int MailCount()
{
    int n = 0;
    for (auto &e : fs::directory_iterator("Data/POP3In"))
        if (e.path().filename().string().find(".email") != std::string::npos) ++n;
    return n;
}

}  // namespace

TEST(ResidenzDownload, NewQuarterRunsEveryStepOnce)
{
    ScratchDir dir;
    Fakes fakes;
    Seen1202();
    VekDisplay.VekScreen_Tiefe = 32;
    vektest::WriteText("Data/BauScreenGeb.dat", "x");
    vektest::WriteText("Data/Waren.dat", "x");
    CheckPrefsWrite(12, 5);
    CheckPrefsWrite(15, 3);
    PutAnswer("00001234.email", DAY2, 1203, 1);
    EXPECT_TRUE(ResidenzDownload(nullptr, nullptr));
    EXPECT_EQ(Seen.steps, NewTurn(1));
    EXPECT_EQ(Pref(31), KEY2);
    EXPECT_EQ(Pref(12), 0u);
    EXPECT_EQ(Pref(15), 0u);
    EXPECT_EQ(Pref(2), 1203u);
    EXPECT_FALSE(vektest::Exists("Data/BauScreenGeb.dat"));
    EXPECT_FALSE(vektest::Exists("Data/Waren.dat"));
    EXPECT_EQ(MailCount(), 0);
    EXPECT_FALSE(vektest::Exists(TURN_JOURNAL));
    EXPECT_EQ(vektest::ReadBytes("Data/Statistikdaten.vek").size(), 50u);
    EXPECT_EQ(Seen.mapUnlocks, 1);
    EXPECT_EQ(Seen.mapSetups, 1);
    // The box: the scan, the fetch error, reading, the count, each step, received.
    const std::string turn = Str(_VEK_RESIDOWNLOAD_BEARBEITESPIELZUG);
    EXPECT_EQ(Seen.texts.front(), Str(_VEK_RESIDOWNLOAD_SCANNE));
    EXPECT_EQ(Seen.texts[1].rfind(Str(_VEK_RESIDOWNLOAD_FEHLER) + " : ", 0), 0u);
    for (const std::string &t :
         {Str(_VEK_RESIDOWNLOAD_LESESPIELZUEGE), Str(_VEK_RESIDOWNLOAD_ANZAHLGEFUNDEN) + " : 1", turn + " : 0",
          turn + " : 0  ..." + Str(_VEK_RESIDOWNLOAD_INFOS) + "...", turn + " : 0  ...Reichsdaten werden \xFC" "bertragen...",
          turn + " : 0  ..." + Str(_VEK_RESIDOWNLOAD_SHIP) + "...", turn + " : 0  ..." + Str(_VEK_RESIDOWNLOAD_STATISTIK) + "..."})
        EXPECT_TRUE(Said(t)) << t;
    EXPECT_EQ(Seen.texts.back(), Str(_VEK_RESIDOWNLOAD_GETSPIELZUG));
    EXPECT_EQ(Seen.confirmed, 2);  // the fetch error and the end
    EXPECT_EQ(Seen.opened, Seen.closed);
}

TEST(ResidenzDownload, SeveralAnswers)
{
    struct Row {
        const char *name;
        std::vector<std::pair<std::time_t, UWORD>> answers;  // date and quarter (of 1203)
        ULONG applied;                                        // pref 31 before
        std::vector<std::string> steps;
        ULONG after;                                          // pref 31 after
        const LocStr *said;
        bool result;
    } rows[] = {
        {"same-day pair: the older is a duplicate", {{DAY2, 1}, {DAY2 + 3600, 2}}, 0, NewTurn(1), KEY2 + 3600,
         &_VEK_RESIDOWNLOAD_DOPPELTER, true},
        {"three days, the first outdated", {{DAY1, 1}, {DAY2 + 86400 * 2, 2}, {DAY3 + 86400 * 3, 3}}, KEY1 + 10,
         Join(NewTurn(0), NewTurn(1)), KEY3 + 86400 * 3, &_VEK_RESIDOWNLOAD_ALTER, true},
        {"the only answer already applied", {{DAY2, 1}}, KEY2, {}, KEY2, &_VEK_RESIDOWNLOAD_ALTER, false},
        {"an old quarter", {{DAY2, 0}}, 0, OldTurn(1), KEY2, nullptr, true},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        ScratchDir dir;
        Fakes fakes;
        Seen1202();
        CheckPrefsWrite(31, r.applied);
        for (size_t i = 0; i < r.answers.size(); ++i)
            PutAnswer("00001234.email" + (i ? "." + std::to_string(i) : std::string()), r.answers[i].first,
                      r.answers[i].second ? 1203 : 1202, r.answers[i].second ? r.answers[i].second : 4);
        EXPECT_EQ(ResidenzDownload(nullptr, nullptr), r.result);
        EXPECT_EQ(Seen.steps, r.steps);
        EXPECT_EQ(Pref(31), r.after);
        EXPECT_EQ(MailCount(), 0);
        if (r.said) {
            bool found = false;
            for (const auto &t : Seen.texts) found = found || t.find(Str(*r.said)) != std::string::npos;
            EXPECT_TRUE(found);
        }
    }
}

TEST(ResidenzDownload, NoAnswerAndForeignMailsStay)
{
    ScratchDir dir;
    Fakes fakes;
    PutAnswer("00009999.email", DAY2, 1203, 1);
    EXPECT_FALSE(ResidenzDownload(nullptr, nullptr));
    EXPECT_TRUE(Seen.steps.empty());
    EXPECT_TRUE(Said(Str(_VEK_INITSCREEN_NOEMAILS)));
    EXPECT_TRUE(vektest::Exists("Data/POP3In/00009999.email"));
    EXPECT_EQ(Seen.opened, Seen.closed);
}

TEST(ResidenzDownload, OnlyTheLettersOfTheSentTurnLeave)
{
    ScratchDir dir;
    Fakes fakes;
    Seen1202();
    vektest::WriteText("Data/MailOut/000004d2_00.smal", std::string(300, 'a'));
    vektest::WriteText("Data/MailOut/000004d2_01.smal", std::string(310, 'b'));  // written after the upload
    vektest::WriteText(SENT_LETTERS_LIST, "000004d2_00.smal 300\n../Prefs.vek 250\n");
    PutAnswer("00001234.email", DAY2, 1203, 1, 1);
    EXPECT_TRUE(ResidenzDownload(nullptr, nullptr));
    EXPECT_FALSE(vektest::Exists("Data/MailOut/000004d2_00.smal"));
    EXPECT_TRUE(vektest::Exists("Data/MailOut/000004d2_01.smal"));
    EXPECT_TRUE(vektest::Exists("Data/Prefs.vek"));
    EXPECT_FALSE(vektest::Exists(SENT_LETTERS_LIST));
}

TEST(ResidenzDownload, KilledAtEveryStepEndsLikeAnUninterruptedRun)
{
    auto prepare = [] {
        Seen1202();
        vektest::WriteText("Map/M_0_0.map", "tiles");
        vektest::WriteText("Data/MailOut/000004d2_00.smal", std::string(300, 'a'));
        PutAnswer("00001234.email", DAY2, 1203, 1);
        PutAnswer("00001234.email.1", DAY3, 1203, 2);
    };
    std::vector<std::pair<std::string, std::string>> reference;
    int steps = 0;
    {
        ScratchDir dir;
        Fakes fakes;
        prepare();
        ASSERT_TRUE(ResidenzDownload(nullptr, nullptr));
        ASSERT_EQ(Seen.steps, Join(NewTurn(0), NewTurn(1)));
        steps = ChunkMachineCalls();
        reference = Tree();
    }
    EXPECT_EQ(steps, 24);  // twelve chunk steps for each of the two answers
    // Each step is killed once (a sample of them in the slow builds); a kill
    // past the last step lets the run through, as the reference run did.
    std::vector<int> points = vektest::KillPoints(steps);
    points.push_back(steps);
    int killed = 0;
    for (int step : points) {
        SCOPED_TRACE(step);
        ScratchDir dir;
        Fakes fakes;
        prepare();
        std::fflush(stdout);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            KillAtStep = step;
            ResidenzDownload(nullptr, nullptr);
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        if (step == steps) {
            ASSERT_EQ(WEXITSTATUS(status), 0);
            EXPECT_EQ(Tree(), reference);
            break;
        }
        ASSERT_EQ(WEXITSTATUS(status), 9);
        ++killed;
        EXPECT_TRUE(vektest::Exists(TURN_JOURNAL));
        ResidenzDownload(nullptr, nullptr);
        EXPECT_EQ(Tree(), reference);
    }
    EXPECT_EQ(killed, (int)points.size() - 1);
}

// Killed at any write, flush, rename or unlink of its own and run once more,
// a download ends as one uninterrupted run: also a kill after the last mail
// was applied (the journal's commit, the letters, pref 15) must not leave the
// letters the server took for a second sending.
TEST(ResidenzDownload, KilledAtEveryFileChangeEndsLikeAnUninterruptedRun)
{
    if (!vektest::KillTraceAvailable()) GTEST_SKIP() << "the system-call trace is written for x86-64 Linux";
    auto prepare = [] {
        Seen1202();
        CheckPrefsWrite(15, 2);
        vektest::WriteText("Map/M_0_0.map", "tiles");
        vektest::WriteText("Data/MailOut/000004d2_00.smal", std::string(300, 'a'));
        vektest::WriteText("Data/MailOut/000004d2_01.smal", std::string(310, 'b'));
        vektest::WriteText(SENT_LETTERS_LIST, "000004d2_00.smal 300\n000004d2_01.smal 310\n");
        // An outdated answer beside the one applied: it goes with the rest.
        CheckPrefsWrite(31, KEY1 + 10);
        PutAnswer("00001234.email", DAY1, 1202, 4, 1);
        PutAnswer("00001234.email.1", DAY3, 1203, 1, 1);
    };
    auto download = [] {
        ResidenzDownload(nullptr, nullptr);
        return 1;
    };
    std::vector<std::pair<std::string, std::string>> reference;
    {
        ScratchDir dir(vektest::KillLoopParent());
        Fakes fakes;
        prepare();
        ASSERT_TRUE(ResidenzDownload(nullptr, nullptr));
        EXPECT_EQ(Pref(15), 0u);
        EXPECT_EQ(Pref(31), KEY3);
        EXPECT_EQ(MailCount(), 0);
        EXPECT_TRUE(fs::is_empty("Data/MailOut"));
        EXPECT_FALSE(vektest::Exists(SENT_LETTERS_LIST));
        reference = Tree();
    }
    int total = 0;
    {
        ScratchDir dir(vektest::KillLoopParent());
        Fakes fakes;
        prepare();
        const vektest::KillResult whole = vektest::RunKilledAt(0, download);
        ASSERT_TRUE(whole.finished);
        EXPECT_EQ(Tree(), reference);
        total = whole.changes;
    }
    for (int k : vektest::TraceKillPoints(total)) {
        SCOPED_TRACE(k);
        ScratchDir dir(vektest::KillLoopParent());
        Fakes fakes;
        prepare();
        ASSERT_FALSE(vektest::RunKilledAt(k, download).finished) << "fewer file changes than counted";
        ResidenzDownload(nullptr, nullptr);
        ASSERT_EQ(TreeDiff(reference, Tree()), "") << "killed at file change " << k << " of " << total;
    }
    std::printf("a download killed at %d file changes\n", total);
}
