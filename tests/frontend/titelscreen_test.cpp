// The title screen on a copy of the demo set: the reminders before leaving,
// the repair offer, save games (save, load, new game, also when files cannot
// be written) and where the screen leads, driven by pushed input at 8 and 32
// bits.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "common/gamefixture.h"
#include "common/killtrace.h"
#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "frontend/frontend.h"
#include "frontend/titelscreen.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/store.h"
#include "world/towns.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/screendat.h"

using namespace vektest;
namespace fs = std::filesystem;

namespace {

constexpr ULONG kPlayer = 7;  // the demo realm's player

// Every file below dir (relative path -> bytes).
std::map<std::string, Bytes> Tree(const std::string &dir)
{
    std::map<std::string, Bytes> files;
    if (!fs::exists(dir)) return files;
    for (const auto &e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file()) files[fs::relative(e.path(), dir).string()] = ReadBytes(e.path().string());
    return files;
}

// The game as saved: ./Data without the screen descriptions and index files, and ./Map.
std::map<std::string, Bytes> GameFiles()
{
    std::map<std::string, Bytes> files;
    for (auto &[name, bytes] : Tree("Data"))
        if (name.rfind("screendat/", 0) != 0 && name != "Path" && name != "SfxPath" && name != "RoredIdezPath")
            files["Data/" + name] = bytes;
    for (auto &[name, bytes] : Tree("Map")) files["Map/" + name] = bytes;
    return files;
}

std::map<std::string, Bytes> SavedFiles(const std::string &turn)
{
    std::map<std::string, Bytes> files;
    for (const char *part : {"Data", "Map"})
        for (auto &[name, bytes] : Tree("Game/Demoland/" + turn + "/" + part))
            files[std::string(part) + "/" + name] = bytes;
    return files;
}

// The figure file with these figures in its MOVE chunk (file order).
void WriteFigures(const std::vector<st_MOVE_EXT> &figures)
{
    Bytes file = ReadBytes("Data/MapPrefs.vek");
    file.resize(28);  // the MREF chunk
    auto be = [&](ULONG v, int bytes) {
        for (int i = bytes - 1; i >= 0; --i) file.push_back((UBYTE)(v >> (8 * i)));
    };
    for (char c : std::string("MOVEV001")) file.push_back((UBYTE)c);
    be(2 + 18 * (ULONG)figures.size(), 4);
    be((ULONG)figures.size(), 2);
    for (const st_MOVE_EXT &f : figures) {
        be(f.SpielerID, 4);
        be(f.FigurArt, 2);
        be(f.FigurNummer, 2);
        be(f.X_Pos, 4);
        be(f.Y_Pos, 4);
        be(f.Kommando, 1);
        be(f.Bewegungspunkte, 1);
    }
    WriteBytes("Data/MapPrefs.vek", file);
}

size_t Count(const std::string &text, const std::string &part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// The names of the files that differ between two trees ("" when none).
std::string Differ(const std::map<std::string, Bytes> &a, const std::map<std::string, Bytes> &b)
{
    std::string names;
    for (const auto &[name, bytes] : a)
        if (!b.count(name) || b.at(name) != bytes) names += name + " ";
    for (const auto &[name, bytes] : b)
        if (!a.count(name)) names += name + " ";
    return names;
}

// Fresh copy of the demo set's game as the working directory; the rest of
// the set (pictures, fonts, sounds), which nothing here writes, is linked.
class DemoCopy {
public:
    explicit DemoCopy(const std::string &parent = "/tmp") : dir_(parent)
    {
        for (const auto &e : fs::directory_iterator(SharedDemoSet())) {
            const std::string name = e.path().filename().string();
            if (name == "Data" || name == "Map")
                fs::copy(e.path(), name, fs::copy_options::recursive);
            else if (name[0] != '.')
                fs::create_symlink(e.path(), name);
        }
        PlayerInfo = {};
        PlayerInfo.SpielerID = kPlayer;
    }

private:
    ScratchDir dir_;
};

TEST(TurnFolders, ValidNamesNewestFirst)
{
    EXPECT_EQ(SortTurnFolders({"1_1", "9_4", "2003_10", "10_1", "a_1", "12345_1", "1_", "2003_3", "_1", "10_12"}),
              (std::vector<std::string>{"2003_3", "10_1", "9_4", "1_1"}));
}

TEST(Reminders, EachShowsExactlyWhenItsConditionHolds)
{
    const std::string korn = "...sie haben kein Korn im Kornlager f\374r die Bev\366lkerung gelassen.";
    const std::string saat = "...sie haben kein Korn im Saatlager gelassen, obwohl Fr\374hjahr ist";
    const std::string felder = "...sie haben den Feldern noch keine Arbeiter zugewiesen.";
    const std::string name = "...sie haben Ihrer Stadt noch keinen Namen gegeben.";
    const std::string steuern = "...sie haben noch keine Steuern eingestellt.";
    const std::string bau = "...sie haben noch nicht genug Geb\344ude in Auftrag gegeben.";
    const std::string nachbarn = "...sie haben auf der Karte noch keine unbekannten Nachbarn entdeckt.";
    const std::string forschung = "...sie haben noch keine Forschung in Auftrag gegeben.";
    const std::string scout = "...sie haben Ihren Kundschafter noch nicht bewegt.";
    const std::string taverne = "...sie haben in der Taverne noch keine Willkommensbotschaft geschrieben.";
    auto korn0 = [](ULONG saatlager, ULONG bev, UWORD quartal) {
        st_KORN k = KornChunk(1, saatlager, 100, bev);
        k.Quartal = quartal;
        InsPool(&k, POOL_OUT);
    };
    auto noChunk = [](ULONG id) {
        RemChunkPool(id, POOL_OUT);
        RemChunkPool(id, POOL_IN);
    };
    auto scouts = [](int unmoved) {
        std::vector<st_MOVE_EXT> f;
        for (int i = 0; i < unmoved; ++i) f.push_back({kPlayer, 0, (UWORD)(i + 1), 120, 60, 0, 8});
        f.push_back({kPlayer, 0, 9, 121, 60, 0, 7});      // moved
        f.push_back({kPlayer + 1, 0, 1, 130, 60, 0, 8});  // someone else's
        f.push_back({kPlayer, 1, 10, 122, 60, 0, 8});     // not a scout
        WriteFigures(f);
    };
    auto unnamed = [](bool set) {
        Stadt *t = GetActiveTown(-2);
        ASSERT_NE(t, nullptr);
        t->Event = set ? (UWORD)(t->Event | STADTEVENT_NEWTOWN) : (UWORD)(t->Event & ~STADTEVENT_NEWTOWN);
        ASSERT_EQ(SpeichereStadt(t), 1);
        FreeVec(t);
    };
    auto noFields = [] {
        for (const auto &e : fs::directory_iterator("Map"))
            if (e.path().filename().string().rfind("C_", 0) == 0) fs::remove(e.path());
    };
    struct Row {
        const char *name;
        std::function<void()> setup;
        const std::string &reminder;
        size_t times;
    };
    const Row rows[] = {
        {"granary emptied", [&] { korn0(10, 0, 1); }, korn, 1},
        {"granary kept", [&] { korn0(10, 5, 1); }, korn, 0},
        {"no seed in spring", [&] { korn0(0, 5, 0); }, saat, 1},
        {"no seed in summer", [&] { korn0(0, 5, 1); }, saat, 0},
        {"seed kept in spring", [&] { korn0(10, 5, 0); }, saat, 0},
        {"no worked fields", noFields, felder, 1},
        {"worked fields", [] {}, felder, 0},
        {"town unnamed", [&] { unnamed(true); }, name, 1},
        {"town named", [&] { unnamed(false); }, name, 0},
        {"no taxes", [&] { noChunk(ID_TAXE); }, steuern, 1},
        {"taxes received", [&] { RemChunkPool(ID_TAXE, POOL_OUT); }, steuern, 0},
        {"no buildings", [&] { noChunk(ID_BAUE); noChunk(ID_GEBA); }, bau, 1},
        {"buildings received", [&] { noChunk(ID_BAUE); }, bau, 0},
        {"no neighbours", [&] { noChunk(ID_ANFR); fs::remove("Data/SpielerList.vek"); }, nachbarn, 1},
        {"no neighbours, early", [&] {
             noChunk(ID_ANFR);
             fs::remove("Data/SpielerList.vek");
             CheckPrefs(30, PREFS_WRITE, 8);
         }, nachbarn, 0},
        {"neighbours known", [&] { noChunk(ID_ANFR); }, nachbarn, 0},
        {"no research", [&] { noChunk(ID_FORS); }, forschung, 1},
        {"no research, early", [&] { noChunk(ID_FORS); CheckPrefs(30, PREFS_WRITE, 11); }, forschung, 0},
        {"three unmoved scouts", [&] { scouts(3); }, scout, 3},
        {"three unmoved scouts, early", [&] { scouts(3); CheckPrefs(30, PREFS_WRITE, 7); }, scout, 0},
        {"every scout moved", [&] { scouts(0); }, scout, 0},
        {"figure file unreadable", [] { WriteText("Data/MapPrefs.vek", "MOVE"); }, scout, 0},
        {"no greeting", [] { CheckPrefs(33, PREFS_WRITE, 0); }, taverne, 1},
        {"greeting written", [] {
             CheckPrefs(33, PREFS_WRITE, 0);
             WriteText("Data/MailOut/0001.mail", "x");
         }, taverne, 0},
        {"later turns", [] {}, taverne, 0},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        DemoCopy copy;
        r.setup();
        const std::string text = TitelReminders();
        EXPECT_EQ(Count(text, r.reminder), r.times) << text;
        if (!text.empty()) {
            EXPECT_EQ(text.rfind("Mein Lord,\n\n Wir weisen Sie darauf hin, da\337 Sie folgende Dinge", 0), 0u);
            EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
        }
    }
}

class TitelTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        copy_ = std::make_unique<DemoCopy>();
        screen_ = std::make_unique<SdlScreen>(GetParam());
        ASSERT_TRUE(screen_->Ok());
        UseKavorGadgetPainter();
        FadeDelayHook = [](ULONG) {};
        Drain();
    }
    void TearDown() override
    {
        SDL_Event ev;
        EXPECT_EQ(SDL_PollEvent(&ev), 0) << "input was left over";
        Drain();
        if (TitelScreenPtr) CloseKavorPic(0, 0);
        FadeDelayHook = nullptr;
        screen_.reset();
        copy_.reset();
    }
    static void Drain()
    {
        SDL_Event ev;
        while (SDL_PollEvent(&ev)) {
        }
    }
    // The first line of the choose box, then its Ok.
    static void ChooseFirst()
    {
        ScreenRegion *r = GetScreenRegion("./Data/screendat/ChooseBox.dat", SR_GADGETDATA);
        ASSERT_NE(r, nullptr);
        for (ULONG i = 0; i < r->CountGadgetData; ++i) {
            const GadgetData &g = r->GadgetData[i];
            if (g.ReturnID == MakeGadgetID("CH00")) {
                EXPECT_LE(g.Y0, 62);  // the list's first line lies 60 rows into the box
                PushClick(223 + (g.X0 + g.X1) / 2, 130 + 64);
            }
        }
        for (ULONG i = 0; i < r->CountGadgetData; ++i) {
            const GadgetData &g = r->GadgetData[i];
            if (g.ReturnID == MakeGadgetID("OKOK")) PushClick(223 + (g.X0 + g.X1) / 2, 130 + (g.Y0 + g.Y1) / 2);
        }
        ClearScreenRegion(r);
    }
    // Runs f in a child whose files may not grow past limit bytes; its result.
    static int WithFileLimit(rlim_t limit, const std::function<int()> &f)
    {
        const pid_t pid = fork();
        if (pid == 0) {
            signal(SIGXFSZ, SIG_IGN);
            struct rlimit size = {limit, limit};
            setrlimit(RLIMIT_FSIZE, &size);
            _exit(f());
        }
        int st = 0;
        waitpid(pid, &st, 0);
        return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    }

    std::unique_ptr<DemoCopy> copy_;
    std::unique_ptr<SdlScreen> screen_;
};

TEST_P(TitelTest, SaveChangeLoadGivesTheGameBack)
{
    auto game = GameFiles();
    ASSERT_EQ(SaveGame(nullptr, 0), 1);
    EXPECT_EQ(Differ(SavedFiles("1_1"), game), "");
    EXPECT_FALSE(Exists("Game/Demoland/1_1/Data/screendat"));
    ASSERT_EQ(SaveGame(nullptr, 0), 1);  // the same turn again: the same folder
    EXPECT_EQ(std::distance(fs::directory_iterator("Game/Demoland"), fs::directory_iterator()), 1);

    WriteText("Data/Gebaeude.dat", "changed");
    fs::remove("Map/B_0_0.map");
    ChooseFirst();
    ChooseFirst();
    EXPECT_EQ(LoadGame(nullptr), 1);
    // The preferences come back with the screen mode kept and the town
    // picture cache reset.
    auto loaded = GameFiles();
    EXPECT_EQ(CheckPrefs(0, PREFS_READ, 0), 2u);
    EXPECT_EQ(CheckPrefs(4, PREFS_READ, 0) & 0xFF, 0xFFu);
    for (auto *tree : {&loaded, &game}) {
        tree->erase("Data/Prefs.vek");
        tree->erase("Data/Optionen.prefs");
    }
    EXPECT_EQ(Differ(loaded, game), "");
    EXPECT_FALSE(Exists("Game/.laden"));
}

int Mode(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? (int)(st.st_mode & 07777) : -1;
}

// The options file holds the mail password and is the owner's alone: a save
// keeps it so, and a load brings it back so, also from a save that an
// earlier version left readable by all.
TEST_P(TitelTest, SavesAndLoadsKeepTheOptionsOwnerOnly)
{
    ASSERT_EQ(OptionenPrefsSave(), 1);
    ASSERT_EQ(Mode("Data/Optionen.prefs"), 0600);
    ASSERT_EQ(chmod("Data/Gebaeude.dat", 0640), 0);
    ASSERT_EQ(SaveGame(nullptr, 0), 1);
    EXPECT_EQ(Mode("Game/Demoland/1_1/Data/Optionen.prefs"), 0600);
    EXPECT_EQ(Mode("Game/Demoland/1_1/Data/Gebaeude.dat"), 0640);
    for (int saved : {0600, 0644}) {
        SCOPED_TRACE(saved);
        ASSERT_EQ(chmod("Game/Demoland/1_1/Data/Optionen.prefs", (mode_t)saved), 0);
        ChooseFirst();
        ChooseFirst();
        ASSERT_EQ(LoadGame(nullptr), 1);
        EXPECT_EQ(Mode("Data/Optionen.prefs"), 0600);
        EXPECT_EQ(Mode("Data/Gebaeude.dat"), 0640);
    }
}

TEST_P(TitelTest, SavingNeedsARealmAGrainChunkAndAFolderName)
{
    struct Row {
        const char *name;
        std::function<void()> setup;
    } rows[] = {
        {"no realm", [] { CheckPrefs(0, PREFS_WRITE, 1); }},
        {"no grain chunk", [] { RemChunkPool(ID_KORN, POOL_IN); }},
        {"no name", [] { CheckPrefsWriteText(10, ""); }},
        {"a path", [] { CheckPrefsWriteText(10, "a/b"); }},
        {"the parent", [] { CheckPrefsWriteText(10, ".."); }},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        DemoCopy copy;
        r.setup();
        EXPECT_EQ(SaveGame(nullptr, 0), 0);
        EXPECT_EQ(NewGame(nullptr), r.name == std::string("no realm") ? 1 : 0);
        EXPECT_FALSE(Exists("Game/Demoland"));
        if (r.name != std::string("no realm")) {
            EXPECT_EQ(CheckPrefs(0, PREFS_READ, 0), 2u) << "the game stays";
        }
    }
}

TEST_P(TitelTest, NewGameMovesTheGameAwayAndLeadsToTheSignUp)
{
    const auto game = GameFiles();
    ASSERT_EQ(NewGame(nullptr), 1);
    EXPECT_EQ(Differ(SavedFiles("1_1"), game), "");
    std::vector<std::string> left;
    for (auto &[name, bytes] : Tree("Data"))
        if (name.rfind("screendat/", 0) != 0 && name != "Prefs.vek" && name != "Optionen.prefs") left.push_back(name);
    EXPECT_EQ(left, (std::vector<std::string>{"Path", "RoredIdezPath", "SfxPath"}));
    EXPECT_TRUE(Tree("Map").empty());
    EXPECT_EQ(CheckPrefs(0, PREFS_READ, 0), 0u);

    PushKey(SDLK_RETURN, 13);  // the debug notice
    PushClick(20, 20);         // off the gadgets
    EXPECT_EQ(TitelScreen(), 32);
}

TEST_P(TitelTest, FilesThatCannotBeWrittenLoseNothing)
{
    const auto game = GameFiles();
    // A new game whose copies fail keeps the game where it is.
    EXPECT_EQ(WithFileLimit(4096, [] { return (int)NewGame(nullptr); }), 0);
    EXPECT_EQ(Differ(GameFiles(), game), "");

    // A load whose copies fail leaves the current game.
    ASSERT_EQ(SaveGame(nullptr, 0), 1);
    WriteText("Data/Gebaeude.dat", "changed");
    const auto changed = GameFiles();
    ChooseFirst();
    ChooseFirst();
    PushKey(SDLK_RETURN, 13);  // the message that loading failed
    EXPECT_EQ(WithFileLimit(4096, [] { return (int)LoadGame(nullptr); }), 0);
    Drain();  // the child took its own copy of the input
    EXPECT_EQ(Differ(GameFiles(), changed), "");

    // A save of the same quarter again that cannot be written keeps the
    // first save whole, and leaves nothing half made beside it.
    const auto saved = SavedFiles("1_1");
    ASSERT_NE(Differ(saved, changed), "");
    EXPECT_EQ(WithFileLimit(4096, [] { return (int)SaveGame(nullptr, 0); }), 0);
    EXPECT_EQ(Differ(SavedFiles("1_1"), saved), "");
    EXPECT_EQ(std::distance(fs::directory_iterator("Game/Demoland"), fs::directory_iterator()), 1);
}

// A new game killed at any rename, unlink or flush, and the program started
// again: the old realm stands whole, or there is none and its save holds it
// whole; never a realm with files missing that the title offers to play on.
TEST_P(TitelTest, ANewGameKilledAnywhereLeavesTheOldRealmWholeOrNone)
{
    if (!vektest::KillTraceAvailable()) GTEST_SKIP() << "the system-call trace is written for x86-64 Linux";
    const unsigned on = vektest::KILL_RENAMES | vektest::KILL_UNLINKS | vektest::KILL_SYNCS;
    auto newGame = [] { return (int)NewGame(nullptr); };
    std::map<std::string, Bytes> game;
    int total = 0;
    {
        DemoCopy copy(vektest::KillLoopParent());
        game = GameFiles();
        const vektest::KillResult whole = vektest::RunKilledAt(0, newGame, on);
        ASSERT_TRUE(whole.finished);
        EXPECT_EQ(whole.status, 0);
        EXPECT_EQ(Differ(SavedFiles("1_1"), game), "");
        total = whole.changes;
    }
    int kept = 0, gone = 0;
    for (int k : vektest::TraceKillPoints(total)) {
        SCOPED_TRACE(k);
        DemoCopy copy(vektest::KillLoopParent());
        ASSERT_FALSE(vektest::RunKilledAt(k, newGame, on).finished) << "fewer calls than counted";
        FinishInterruptedNewGame();  // the next start
        if (CheckPrefs(0, PREFS_READ, 0) >= 2) {
            ASSERT_EQ(Differ(GameFiles(), game), "") << "a realm with files missing, killed at " << k;
            ++kept;
            continue;
        }
        // Left may be the new options and preferences, and the hidden
        // temporary file of a write cut off, which the next write removes.
        auto left = GameFiles();
        left.erase("Data/Prefs.vek");
        left.erase("Data/Optionen.prefs");
        std::erase_if(left, [](const auto &f) { return fs::path(f.first).filename().string()[0] == '.'; });
        ASSERT_EQ(Differ(left, {}), "") << "files of the old realm left, killed at " << k;
        ASSERT_EQ(Differ(SavedFiles("1_1"), game), "") << "killed at " << k;
        ++gone;
    }
    std::printf("a new game killed at %d points: %d times the old realm, %d times none\n", total, kept, gone);
}

// A note that names no save of ours deletes nothing at the start.
TEST_P(TitelTest, ANoteNamingNoSaveIsDropped)
{
    const auto game = GameFiles();
    fs::create_directories("Game/Demoland/1_1/Data");
    fs::create_directories("Game/1_1/Data");
    for (const char *note : {"./Game/../Game/Demoland/1_1\n", "./Game/Demoland/2_1\n", "./Game/1_1\n",
                             "/tmp/Demoland/1_1\n", "./Game/Demoland/Data\n", "\n"}) {
        SCOPED_TRACE(note);
        WriteText("Game/.neues.spiel", note);
        EXPECT_EQ(FinishInterruptedNewGame(), 0);
        EXPECT_FALSE(Exists("Game/.neues.spiel"));
        EXPECT_EQ(Differ(GameFiles(), game), "");
    }
}

// The game without the preferences, which a load rewrites in part.
std::map<std::string, Bytes> GameWithoutPrefs()
{
    auto files = GameFiles();
    files.erase("Data/Prefs.vek");
    files.erase("Data/Optionen.prefs");
    return files;
}

// A load killed anywhere, from the copy to the last move: the next start
// finishes a load that was decided and drops one that was not, so the game is
// always the one before or the saved one, whole, with the screen mode kept.
TEST_P(TitelTest, AKilledLoadIsFinishedOrDroppedAtTheNextStart)
{
    ASSERT_EQ(SaveGame(nullptr, 0), 1);
    auto saved = SavedFiles("1_1");
    saved.erase("Data/Prefs.vek");
    saved.erase("Data/Optionen.prefs");
    auto change = [] {
        WriteText("Data/Gebaeude.dat", "changed");
        fs::remove("Map/B_0_0.map");
        CheckPrefs(1, PREFS_WRITE, 77);
    };
    change();
    const auto changed = GameWithoutPrefs();
    ASSERT_NE(Differ(changed, saved), "");
    // A whole load first, timed, so that the kills fall evenly over its
    // length on any machine.
    auto load = [&](long killAfter) {
        ChooseFirst();
        ChooseFirst();
        std::fflush(stdout);
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) _exit(LoadGame(nullptr));
        if (killAfter >= 0) {
            usleep((useconds_t)killAfter);
            kill(pid, SIGKILL);
        }
        waitpid(pid, nullptr, 0);
        Drain();
        return (long)std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start)
            .count();
    };
    const long whole = load(-1);
    ASSERT_EQ(Differ(GameWithoutPrefs(), saved), "");
    change();
    int finished = 0, dropped = 0;
    for (int k = 0; k <= 24; ++k) {
        const long delay = whole * k / 24;
        SCOPED_TRACE(delay);
        load(delay);
        FinishInterruptedLoad();
        const auto now = GameWithoutPrefs();
        EXPECT_TRUE(now == saved || now == changed) << "mixed: " << Differ(now, saved);
        EXPECT_FALSE(Exists("Game/.laden"));
        EXPECT_FALSE(Exists("Game/.laden.bereit"));
        EXPECT_EQ(CheckPrefs(1, PREFS_READ, 0), 77u);
        if (now == saved) {
            ++finished;
            change();
        } else {
            ++dropped;
        }
    }
    std::printf("killed loads (a whole one %ld us): %d finished, %d dropped\n", whole, finished, dropped);
}

// Moves that fail half way (a folder where a file goes) leave the load
// decided: the current run says so, and the next start completes it.
TEST_P(TitelTest, ALoadWhoseMovesFailIsCompletedAtTheNextStart)
{
    ASSERT_EQ(SaveGame(nullptr, 0), 1);
    auto saved = SavedFiles("1_1");
    saved.erase("Data/Prefs.vek");
    saved.erase("Data/Optionen.prefs");
    CheckPrefs(1, PREFS_WRITE, 77);
    fs::remove("Map/B_0_0.map");
    fs::create_directories("Map/B_0_0.map/in the way");
    ChooseFirst();
    ChooseFirst();
    EXPECT_EQ(LoadGame(nullptr), 0);
    EXPECT_TRUE(Exists("Game/.laden.bereit"));

    fs::remove_all("Map/B_0_0.map");
    EXPECT_EQ(FinishInterruptedLoad(), 1);
    EXPECT_EQ(Differ(GameWithoutPrefs(), saved), "");
    EXPECT_EQ(CheckPrefs(1, PREFS_READ, 0), 77u);
    EXPECT_FALSE(Exists("Game/.laden"));
    EXPECT_FALSE(Exists("Game/.laden.bereit"));
    EXPECT_EQ(FinishInterruptedLoad(), 0) << "nothing left to finish";
}

TEST_P(TitelTest, RepairAfterAnUncleanEnd)
{
    struct Row {
        const char *name;
        bool corrupt;
        int key;
        int failed;
    } rows[] = {
        {"sound data, repaired", false, SDLK_RETURN, 0},
        {"corrupt armies", true, SDLK_RETURN, 1},
        {"declined", true, SDLK_ESCAPE, 0},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        DemoCopy copy;
        if (r.corrupt) {
            std::vector<UBYTE> army = ArmyChunk({{120, 60, {5}}});
            InsPool(army.data(), POOL_OUT);
            // More armies than the chunk holds. The pool refuses to store
            // such a chunk, so the count is changed in the file itself.
            Bytes pool = ReadBytes(POOL_OUT);
            const std::string bytes(pool.begin(), pool.end());
            const size_t at = bytes.find("ARMY");
            ASSERT_NE(at, std::string::npos);
            pool[at + 12] = 0xFF;  // the count's high byte, big-endian on disk
            WriteBytes(POOL_OUT, pool);
        }
        PlayerInfo.Event = 2;
        PushKey(r.key, r.key == SDLK_RETURN ? 13 : 27);
        if (r.key == SDLK_RETURN) PushKey(SDLK_RETURN, 13);  // the result
        EXPECT_EQ(TitelScreenEvents(nullptr), r.failed);
        EXPECT_EQ(PlayerInfo.Event, 0);
    }
}

TEST_P(TitelTest, LeavingTheProgram)
{
    struct Row {
        const char *name;
        ULONG sent, played;
        std::vector<int> keys;  // after the debug notice and Escape
        LONG result;
    } rows[] = {
        {"after eleven turns at once", 1, 11, {}, -1},
        {"no turn sent, stays", 0, 11, {SDLK_ESCAPE}, -2},
        {"no turn sent, quit anyway", 0, 11, {SDLK_RETURN}, -1},
        {"reminders shown, then leaves", 1, 2, {SDLK_ESCAPE}, -1},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        DemoCopy copy;
        CheckPrefs(15, PREFS_WRITE, r.sent);
        CheckPrefs(33, PREFS_WRITE, r.played);
        PushKey(SDLK_RETURN, 13);
        PushEscape();
        for (int k : r.keys) PushKey(k, k == SDLK_RETURN ? 13 : 27);
        if (r.result == -2) PushClick(20, 20);  // still on the title: a release leaves
        EXPECT_EQ(TitelScreen(), r.result == -2 ? 2 : r.result);
    }
}

TEST_P(TitelTest, GadgetsLeadOnWithAndWithoutARealm)
{
    ScreenRegion *r = GetScreenRegion("./Data/screendat/Titel.dat", SR_GADGETDATA);
    ASSERT_NE(r, nullptr);
    std::map<std::string, std::pair<LONG, LONG>> at;
    for (ULONG i = 0; i < r->CountGadgetData; ++i) {
        const GadgetData &g = r->GadgetData[i];
        std::string code(4, ' ');
        for (int k = 0; k < 4; ++k) code[k] = (char)(g.ReturnID >> (24 - 8 * k));
        at[code] = {(g.X0 + g.X1) / 2, (g.Y0 + g.Y1) / 2};
    }
    ClearScreenRegion(r);
    struct Row {
        const char *name;
        ULONG realm;
        const char *gadget;
        LONG result;
    } rows[] = {
        {"your realm", 2, "NORM", 2},   {"battle arena", 2, "BATL", 2}, {"options", 2, "OPTI", 133},
        {"credits", 0, "NORM", 151},    {"options, newcomer", 0, "OPTI", 133},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        DemoCopy copy;
        CheckPrefs(0, PREFS_WRITE, row.realm);
        PushKey(SDLK_RETURN, 13);
        PushClick(at[row.gadget].first, at[row.gadget].second);
        StdoutCapture out;
        EXPECT_EQ(TitelScreen(), row.result);
        const std::string text = out.Take();
        EXPECT_EQ(text.find("Der Font ist nicht valid"), std::string::npos) << "labels printed without their font";
        EXPECT_EQ(Count(text, "Routine: PrintText"), 6u);
    }
}

// The colours of the load gadget at each mouse press, and where its label
// lies: the pixels where the screen differs from the title picture at the
// first press.
std::vector<std::vector<ULONG>> gLoadSeen;
std::vector<bool> gLabel;
GadgetData gLoad;

ULONG Rgb(SDL_Surface *s, LONG x, LONG y)
{
    Uint8 r, g, b;
    SDL_GetRGB(PixelAt(s, x, y), s->format, &r, &g, &b);
    return (ULONG)r << 16 | (ULONG)g << 8 | b;
}

TEST_P(TitelTest, TheLoadLabelIsPrintedAgainAfterTheQuestion)
{
    ScreenRegion *r = GetScreenRegion("./Data/screendat/Titel.dat", SR_GADGETDATA);
    ASSERT_NE(r, nullptr);
    gLoad = {};
    for (ULONG i = 0; i < r->CountGadgetData; ++i)
        if (r->GadgetData[i].ReturnID == MakeGadgetID("LOAD")) gLoad = r->GadgetData[i];
    ClearScreenRegion(r);
    ASSERT_GT(gLoad.X1, gLoad.X0);
    gLoadSeen.clear();
    gLabel.clear();
    GetKeyClickHook = [] {
        SDL_Surface *shown = DisplayRastPort()->BitMap->Surface;
        SDL_Surface *picture = BitMapPtrArray[0] ? BitMapPtrArray[0]->Surface : nullptr;
        std::vector<ULONG> p;
        const bool first = gLabel.empty();
        for (LONG y = gLoad.Y0; y <= gLoad.Y1; ++y)
            for (LONG x = gLoad.X0; x <= gLoad.X1; ++x) {
                p.push_back(Rgb(shown, x, y));
                if (first) gLabel.push_back(picture && Rgb(picture, x, y) != p.back());
            }
        gLoadSeen.push_back(p);
    };
    PushKey(SDLK_RETURN, 13);
    PushClick((gLoad.X0 + gLoad.X1) / 2, (gLoad.Y0 + gLoad.Y1) / 2);
    PushEscape();       // no load after all
    PushClick(20, 20);  // still on the title: a release leaves
    EXPECT_EQ(TitelScreen(), 2);
    GetKeyClickHook = nullptr;
    ASSERT_EQ(gLoadSeen.size(), 2u);
    long label = 0, lost = 0;
    for (size_t i = 0; i < gLabel.size(); ++i) {
        if (!gLabel[i]) continue;
        ++label;
        lost += gLoadSeen[1][i] != gLoadSeen[0][i];
    }
    EXPECT_GT(label, 20);
    EXPECT_EQ(lost, 0) << "pixels of the label missing after the question";
}

INSTANTIATE_TEST_SUITE_P(Depths, TitelTest, ::testing::Values(8, 32));

}  // namespace
