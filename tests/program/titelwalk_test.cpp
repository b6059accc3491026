// The two ways past the title screen as a player takes them, each in a child
// process on its own copy of the demo set, at 640 x 480 x 8 and at
// 1024 x 768 x 32: a newcomer (the demo's Newcomer/ folders, no preferences)
// is sent on to the sign-up; a player with a save (the realm with Saves/
// laid over it) loads the saved quarter through LOAD and the choose boxes and
// goes on to the residence. The input is pushed before the title starts; the
// parent ends a child that does not finish.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "frontend/frontend.h"
#include "frontend/titelscreen.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "mainloop.h"
#include "platform/prefs.h"
#include "ui/gadgets.h"
#include "ui/screendat.h"

namespace fs = std::filesystem;
using namespace vektest;

namespace {

struct Lauf {
    int tiefe, breite, hoehe;
};
const Lauf kLaeufe[] = {{8, 640, 480}, {32, 1024, 768}};

// The middle of every gadget of a screen description, by its four letters.
std::map<std::string, std::pair<LONG, LONG>> Gadgets(const char *datei)
{
    std::map<std::string, std::pair<LONG, LONG>> at;
    ScreenRegion *r = GetScreenRegion(datei, SR_GADGETDATA);
    if (!r) return at;
    for (ULONG i = 0; i < r->CountGadgetData; ++i) {
        const GadgetData &g = r->GadgetData[i];
        std::string code(4, ' ');
        for (int k = 0; k < 4; ++k) code[k] = (char)(g.ReturnID >> (24 - 8 * k));
        at[code] = {(g.X0 + g.X1) / 2, (g.Y0 + g.Y1) / 2};
    }
    ClearScreenRegion(r);
    return at;
}

// The first line of a choose box (at 223, 130; its list 60 rows in), then its Ok.
void ChooseFirst()
{
    auto at = Gadgets("./Data/screendat/ChooseBox.dat");
    PushClick(223 + at["CH00"].first, 130 + 64);
    PushClick(223 + at["OKOK"].first, 130 + at["OKOK"].second);
}

// In a child at the given display: input pushes the input, then the title
// and what the main loop makes of its answer. Exit status: the next screen's
// number (0 to 127), 126 when the display could not be opened.
[[noreturn]] void Titel(const std::string &arbeit, const Lauf &l, const std::function<void()> &eingabe)
{
    if (chdir(arbeit.c_str()) != 0) _exit(125);
    const int log = open("client.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log < 0 || dup2(log, 1) < 0) _exit(124);
    setvbuf(stdout, nullptr, _IOLBF, 0);
    LONG next = -1;
    {
        SdlScreen screen(l.tiefe, l.breite, l.hoehe);
        if (!screen.Ok()) _exit(126);
        UseKavorGadgetPainter();  // as the program starts
        FadeDelayHook = [](ULONG) {};
        eingabe();
        next = AfterTitle(TitelScreen());
        if (TitelScreenPtr) CloseKavorPic(0, 0);
        std::fflush(stdout);
    }
    _exit(next >= 0 && next < 124 ? (int)next : 123);
}

class TitelWeg : public ::testing::TestWithParam<Lauf> {
protected:
    // The child's exit status, -1 when it had to be ended after 60 s.
    int Gehe(const std::function<void()> &eingabe)
    {
        std::fflush(stdout);
        const pid_t kind = fork();
        if (kind == 0) Titel(arbeit_, GetParam(), eingabe);
        int st = 0;
        for (int i = 0; i < 600 && waitpid(kind, &st, WNOHANG) == 0; i++) usleep(100000);
        if (waitpid(kind, &st, WNOHANG) == 0) {
            kill(kind, SIGKILL);
            waitpid(kind, &st, 0);
            st = -1;
        }
        const Bytes b = ReadBytes(arbeit_ + "/client.log");
        log_.assign(b.begin(), b.end());
        return st != -1 && WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }

    ScratchDir dir_;
    std::string arbeit_ = dir_.path() + "/satz", log_;
};

// Every file below the saved quarter with its bytes, by its path in the game.
std::map<std::string, Bytes> Baum(const std::string &wurzel)
{
    std::map<std::string, Bytes> t;
    for (const auto &e : fs::recursive_directory_iterator(wurzel))
        if (e.is_regular_file()) t[fs::relative(e.path(), wurzel).string()] = ReadBytes(e.path().string());
    return t;
}

}  // namespace

TEST_P(TitelWeg, ANewcomerIsSentToTheSignUp)
{
    // The program's own files of the set (screen descriptions, index files)
    // with the newcomer's empty game folders in place of the realm's game.
    CopyDemoGameFiles(arbeit_);
    for (const char *teil : {"Data", "Map"})
        for (const auto &e : fs::directory_iterator(arbeit_ + "/" + teil)) {
            const std::string n = e.path().filename().string();
            if (n != "screendat" && n != "Path" && n != "SfxPath" && n != "RoredIdezPath") fs::remove_all(e.path());
        }
    fs::copy(SharedDemoSet() + "/Newcomer", arbeit_, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    ASSERT_FALSE(fs::exists(arbeit_ + "/Data/Prefs.vek"));

    const int next = Gehe([] {
        PushKey(SDLK_RETURN, 13);  // the debug notice
        PushClick(20, 20);         // off the gadgets
    });
    EXPECT_EQ(next, 32) << log_;
}

TEST_P(TitelWeg, ASavedQuarterIsLoadedAndTheResidenceFollows)
{
    CopyDemoGameFiles(arbeit_);
    fs::copy(SharedDemoSet() + "/Saves", arbeit_, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    const std::string quartal = arbeit_ + "/Game/Demoland/1_1";
    const auto gespeichert = Baum(quartal);
    ASSERT_FALSE(gespeichert.empty());
    ASSERT_NE(ReadBytes(arbeit_ + "/Data/POP3In/GameChunk.vek"), gespeichert.at("Data/POP3In/GameChunk.vek"))
        << "the realm stands at a later turn than the save";

    const int next = Gehe([] {
        auto titel = Gadgets("./Data/screendat/Titel.dat");
        PushKey(SDLK_RETURN, 13);  // the debug notice
        PushClick(titel["LOAD"].first, titel["LOAD"].second);
        PushKey(SDLK_RETURN, 13);  // yes, load
        ChooseFirst();             // Demoland, the only player
        ChooseFirst();             // 1_1, the only quarter
        PushClick(titel["NORM"].first, titel["NORM"].second);
    });
    EXPECT_EQ(next, 2) << log_;
    EXPECT_NE(log_.find("Routine: LoadGame"), std::string::npos) << log_;
    // The load rewrites the screen mode and the town picture cache in the
    // preferences; every other file is the saved one.
    for (const auto &[name, bytes] : gespeichert) {
        if (name == "Data/Prefs.vek") continue;
        EXPECT_TRUE(ReadBytes(arbeit_ + "/" + name) == bytes) << name;
    }
    EXPECT_FALSE(fs::exists(arbeit_ + "/Game/.laden"));
    EXPECT_EQ(Baum(quartal), gespeichert) << "loading leaves the save as it was";
}

INSTANTIATE_TEST_SUITE_P(Anzeigen, TitelWeg, ::testing::ValuesIn(kLaeufe),
                         [](const ::testing::TestParamInfo<Lauf> &i) {
                             return std::to_string(i.param.breite) + "x" + std::to_string(i.param.hoehe) + "x" +
                                    std::to_string(i.param.tiefe);
                         });
