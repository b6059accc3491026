// The program as a player starts it: banner, options, the start-up file and
// the exit statuses, run as a subprocess under SDL's dummy drivers.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/testutil.h"
#include "platform/prefs.h"

using namespace vektest;
namespace fs = std::filesystem;

namespace {

bool Has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

class ProgramTest : public ::testing::Test {
protected:
    ScratchDir dir;
    // Without a game set up the run passes the title and ends on its own.
    void SetUp() override
    {
        MakeDemoData(dir.path());
        ASSERT_TRUE(CheckPrefsWrite(0, 0));
    }
    RunResult Run(const std::vector<std::string> &args) { return RunClient(args, dir.path()); }
};

const char *const Usage = "Syntax:\n";

}  // namespace

TEST_F(ProgramTest, BannerAndVersion)
{
    RunResult r = Run({"-version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(Has(r.output, std::string(57, '-') + "\n| Kavoria Version: $VER: vekclient V0.58Z1 (Nov 26 2010/19:02:27) (DEBUG)\n"));
    EXPECT_TRUE(Has(r.output, "\n$VER: vekclient V0.58Z1 (Nov 26 2010/19:02:27)\n"));
    EXPECT_FALSE(Has(r.output, "InitalizeSDL"));
}

TEST_F(ProgramTest, UsageAndExitStatuses)
{
    struct Row {
        const char *name;
        std::vector<std::string> args;
        int status;
        bool usage;
    } rows[] = {
        {"help", {"-help"}, 0, true},
        {"unknown argument", {"-foo"}, 1, true},
        {"option before a wrong argument", {"-w", "-foo"}, 1, true},
        {"plain start in a window", {"-w"}, 0, false},
        {"classic", {"-classic", "-nosound"}, 0, false},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        RunResult got = Run(r.args);
        EXPECT_EQ(got.status, r.status) << got.output;
        EXPECT_EQ(Has(got.output, Usage), r.usage) << got.output;
    }
    RunResult help = Run({"-help"});
    EXPECT_TRUE(Has(help.output, "-help     prints this page\n-nosound  deactivates sounds\n-update   shows download screen\n"
                                 "-version  prints version information\n-window   enable window mode\n-w        same as -window\n\n"));
}

TEST_F(ProgramTest, StartUpFileCases)
{
    struct Row {
        const char *name;
        std::string cfg;
        std::vector<std::string> args;
        int status;
        std::vector<std::string> expect;
    } rows[] = {
        {"high colour display", "width=1024\nheight=768\ndepth=16\nwindow=on\n", {}, 0,
         {"Screen: Breite=1024", "Screen: Hoehe=768", "Screen: Tiefe=16", "InitalizeSDL(): End!"}},
        {"32 bits", "width=800\nheight=600\ndepth=32\nwindow=on\n", {}, 0, {"InitalizeSDL(): End!"}},
        {"8 bits at 800 wide refused even with -classic", "depth=8\nwidth=800\n", {"-classic"}, 1,
         {"8Bit: Es wird leider nur die Aufloesung von 640x480 in 8 Bit unterstuetzt.", "8Bit: Only 640x480 is supported."}},
        {"16 bits too small", "depth=16\n", {}, 1,
         {"16Bit: Bitte verwenden Sie eine Aufl\366sung groesser/gleich 800x600.",
          "16Bit: Please use a screen size equal or greater then 800x600."}},
        {"unknown depth", "depth=24\nwidth=1024\nheight=768\n", {}, 1,
         {"Bitte verwenden Sie eine Farbtiefe von 8/16 oder 32 Bit.", "Please use a screen depth with 8/16 or 32 bit."}},
        {"spaces are dropped", "width = 800\nheight= 600\ndepth =16\nwindow=on \n", {}, 0, {"Screen: Breite=800", "Screen: Window=on"}},
        {"last line without line feed is ignored", "depth=16\nwidth=800\nheight=600\ndepth=24", {"-w"}, 0, {"InitalizeSDL(): End!"}},
        {"window=On is not on", "window=On\n", {"-nosound"}, 0, {"Screen: Window=On"}},
        {"long lines are cut, the next line still counts",
         "width=1024" + std::string(600, 'x') + "\n" + std::string(2000, 'y') + "\nheight=768\ndepth=16\n", {"-w"}, 0,
         {"Screen: Breite=1024" + std::string(488, 'x') + "\n", "Screen: Tiefe=16", "InitalizeSDL(): End!"}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        WriteText(dir.path() + "/vek.cfg", r.cfg);
        RunResult got = Run(r.args);
        EXPECT_EQ(got.status, r.status) << got.output;
        EXPECT_TRUE(Has(got.output, "Main: ./vek.cfg ok"));
        for (const auto &e : r.expect) EXPECT_TRUE(Has(got.output, e)) << e << "\n" << got.output;
    }
}

TEST_F(ProgramTest, UpdateRunsOnlyTheDownloadScreen)
{
    WriteText(dir.path() + "/vek.cfg", "width=1024\nheight=768\ndepth=32\n");
    RunResult r = Run({"-update"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(Has(r.output, "LagerScreen"));
    EXPECT_FALSE(Has(r.output, "TitelScreen"));
}

TEST_F(ProgramTest, MissingPointerPictureFailsStartUp)
{
    std::remove((dir.path() + "/Pics/CursorSDL.chk").c_str());
    RunResult r = Run({"-w"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.output, "InitializeSDL(): no mouse surface due to <"));
    EXPECT_TRUE(Has(r.output, "SDLInit Error"));
}

// A load that a crash cut off after its copy stood whole is finished before
// anything reads the game; an undecided one is dropped.
TEST_F(ProgramTest, AnInterruptedLoadIsSettledAtStartUp)
{
    const std::string d = dir.path();
    for (bool decided : {true, false}) {
        SCOPED_TRACE(decided);
        MakeDirs(d + "/Game/.laden/Data");
        MakeDirs(d + "/Game/.laden/Map");
        WriteText(d + "/Game/.laden/Data/Gebaeude.dat", "loaded");
        const Bytes before = ReadBytes(d + "/Data/Gebaeude.dat");
        if (decided) WriteText(d + "/Game/.laden.bereit", "3\n");
        RunResult r = Run({"-update"});
        EXPECT_EQ(r.status, 0) << r.output;
        const Bytes now = ReadBytes(d + "/Data/Gebaeude.dat");
        if (decided) {
            EXPECT_EQ(std::string(now.begin(), now.end()), "loaded");
            EXPECT_EQ(CheckPrefs(1, PREFS_READ, 0), 3u);
        } else {
            EXPECT_EQ(now, before);
        }
        EXPECT_FALSE(Exists(d + "/Game/.laden"));
        EXPECT_FALSE(Exists(d + "/Game/.laden.bereit"));
    }
}

// A new game that a kill cut off after it decided to put the realm away is
// finished before anything reads the game: the title then offers no realm.
TEST_F(ProgramTest, AnInterruptedNewGameIsFinishedAtStartUp)
{
    const std::string d = dir.path();
    ASSERT_TRUE(CheckPrefsWrite(0, 2));
    MakeDirs(d + "/Game/Demoland/1_1/Data");
    MakeDirs(d + "/Game/Demoland/1_1/Map");
    WriteText(d + "/Game/Demoland/1_1/Data/Gebaeude.dat", "the old realm");
    WriteText(d + "/Data/Gebaeude.dat", "the old realm");
    WriteText(d + "/Game/.neues.spiel", "./Game/Demoland/1_1\n");
    RunResult r = Run({"-update"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_FALSE(Exists(d + "/Data/Gebaeude.dat"));
    EXPECT_EQ(CheckPrefs(0, PREFS_READ, 0), 0u);
    EXPECT_FALSE(Exists(d + "/Game/.neues.spiel"));
    const Bytes saved = ReadBytes(d + "/Game/Demoland/1_1/Data/Gebaeude.dat");
    EXPECT_EQ(std::string(saved.begin(), saved.end()), "the old realm");
}

// Without its sound index the sound set-up fails and the program goes on
// without sound; the music it had started must not outlive the audio (its
// thread, still loading the module, crashed the program at its end).
TEST_F(ProgramTest, WithoutTheSoundIndexTheProgramRunsAndEndsWithoutSound)
{
    fs::remove(dir.path() + "/Data/SfxPath");
    RunResult r = Run({"-w"});
    EXPECT_EQ(r.status, 0) << r.output.substr(r.output.size() > 3000 ? r.output.size() - 3000 : 0);
    EXPECT_TRUE(Has(r.output, "Main: Konnte Sound nicht einrichten"));
}
