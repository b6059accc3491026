// The two ways past the title screen as a player takes them, each in a child
// process on its own copy of the demo set, at 640 x 480 x 8 and at
// 1024 x 768 x 32: a newcomer (the demo's Newcomer/ folders, no preferences)
// is sent on to the sign-up; a player with a save (the realm with Saves/
// laid over it) loads the saved quarter through LOAD and the choose boxes and
// goes on to the residence, and from there through the next turn to the
// bard. The title's input is pushed before the title starts, what follows by
// a thread in step with the client's log; the parent ends a child that does
// not finish.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "frontend/frontend.h"
#include "frontend/titelscreen.h"
#include "turn/gameserver.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "gfx/sdlinit.h"
#include "mainloop.h"
#include "map/kartenscreen.h"
#include "world/towns.h"
#include "net/gamemail.h"
#include "net/net.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/store.h"
#include "town/residenz.h"
#include "turn/turn.h"
#include "ui/gadgets.h"
#include "ui/screendat.h"

namespace fs = std::filesystem;
using namespace vektest;

namespace {

struct Lauf {
    int tiefe, breite, hoehe;
};
const Lauf kLaeufe[] = {{8, 640, 480}, {32, 1024, 768}};

// The first line of a choose box (at 223, 130; its list 60 rows in), then its Ok.
void ChooseFirst()
{
    auto at = GadgetCentres("./Data/screendat/ChooseBox.dat");
    PushClick(223 + at["CH00"].first, 130 + 64);
    PushClick(223 + at["OKOK"].first, 130 + at["OKOK"].second);
}

// On the title: LOAD, the only player and quarter of the saves set, then on.
void LadeDemoland()
{
    auto titel = GadgetCentres("./Data/screendat/Titel.dat");
    PushKey(SDLK_RETURN, 13);  // the debug notice
    PushClick(titel["LOAD"].first, titel["LOAD"].second);
    PushKey(SDLK_RETURN, 13);  // yes, load
    ChooseFirst();             // Demoland, the only player
    ChooseFirst();             // 1_1, the only quarter
    PushClick(titel["NORM"].first, titel["NORM"].second);
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

// Copies of the files the save below ./save holds, as they now lie in the
// game, into ./ziel.
void Abbild(const std::string &save, const std::string &ziel)
{
    for (const auto &e : fs::recursive_directory_iterator(save)) {
        if (!e.is_regular_file()) continue;
        const fs::path name = fs::relative(e.path(), save);
        if (!fs::exists(name)) continue;
        fs::create_directories(ziel / name.parent_path());
        fs::copy_file(name, ziel / name);
    }
}

// In a child at the given display, started as the program starts (its
// hooks, the options, the kept map screen above 8 bits, the network): the
// title, then the main loop's screens until the bard's screen (505) has run.
// eingabe pushes the title's input before it starts; spieler then drives the
// rest from a thread of its own, in step with the log. The numbers of the
// screens run go to "schirme.txt". Exit 0 when the script went through.
[[noreturn]] void Spiel(const std::string &arbeit, const Lauf &l, const std::function<void()> &eingabe,
                        const std::function<bool(ClientLog &)> &spieler)
{
    if (chdir(arbeit.c_str()) != 0) _exit(125);
    const int log = open("client.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log < 0 || dup2(log, 1) < 0) _exit(124);
    setvbuf(stdout, nullptr, _IOLBF, 0);
    SetProgramHooks();
    // A rare story or luxury goods by the client's own dice would decide
    // what the bard tells: the top roll keeps both away.
    RoredIdezWuerfelHook = [](ULONG n) { return n; };
    std::string schirme = "1 ";
    std::atomic<bool> gut{false};
    {
        SdlScreen screen(l.tiefe, l.breite, l.hoehe);
        if (!screen.Ok()) _exit(126);
        if (l.tiefe > 8) DBScreen = SDL_DisplayFormat(SDLViewSurface);
        UseKavorGadgetPainter();
        FadeDelayHook = [](ULONG) {};
        SetupSystem();
        MakeRoredIdezTab();
        if (Start_TCP_IP() < 0) _exit(122);
        if (l.tiefe > 8) KartenScreen(1, 0);
        eingabe();
        ClientLog lg("client.log");
        std::thread t([&] {
            gut = spieler(lg);
            // A step the client did not answer leaves it waiting: escapes end
            // boxes and screens until the parent's time runs out.
            for (int i = 0; !gut && i < 40; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                PushEscape();
            }
        });
        LONG from = 0;
        for (LONG next = AfterTitle(TitelScreen()); next != -1;) {
            schirme += std::to_string(next) + " ";
            const LONG id = next;
            next = RunScreen(id, &from);
            if (id == 505) break;
        }
        t.join();
        if (l.tiefe > 8) KartenScreen(0, 0);
        std::fflush(stdout);
    }
    WriteText("schirme.txt", schirme);
    _exit(gut ? 0 : 121);
}

// Every file below the saved quarter with its bytes, by its path in the game.
std::map<std::string, Bytes> Baum(const std::string &wurzel)
{
    std::map<std::string, Bytes> t;
    for (const auto &e : fs::recursive_directory_iterator(wurzel))
        if (e.is_regular_file()) t[fs::relative(e.path(), wurzel).string()] = ReadBytes(e.path().string());
    return t;
}

class TitelWeg : public ::testing::TestWithParam<Lauf> {
protected:
    // The child's exit status, -1 when it had to be ended after 60 s.
    int Gehe(const std::function<void()> &eingabe)
    {
        return Kind([&] { Titel(arbeit_, GetParam(), eingabe); });
    }
    // The same for a child that runs leben, which does not return.
    int Kind(const std::function<void()> &leben)
    {
        std::fflush(stdout);
        const pid_t kind = fork();
        if (kind == 0) {
            leben();
            _exit(127);
        }
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

    // The realm with the demo's Saves/ laid over it; the saved quarter's files.
    std::map<std::string, Bytes> MitSaves()
    {
        CopyDemoGameFiles(arbeit_);
        fs::copy(SharedDemoSet() + "/Saves", arbeit_,
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        return Baum(quartal_);
    }

    ScratchDir dir_;
    std::string arbeit_ = dir_.path() + "/satz", log_;
    const std::string quartal_ = arbeit_ + "/Game/Demoland/1_1";
};


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
    const auto gespeichert = MitSaves();
    const std::string &quartal = quartal_;
    ASSERT_FALSE(gespeichert.empty());
    ASSERT_NE(ReadBytes(arbeit_ + "/Data/POP3In/GameChunk.vek"), gespeichert.at("Data/POP3In/GameChunk.vek"))
        << "the realm stands at a later turn than the save";

    const int next = Gehe(LadeDemoland);
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

// The player of the save has chosen the game server as transport in the
// options (the save holds none, so the load keeps them): after the load, DOWN
// in the residence asks the mailbox twice, as every run does first, and the
// game server the third time. Its answer (trust 10) is applied, and the main
// loop goes on to the bard, who tells of the capital's port.
TEST_P(TitelWeg, ALoadedQuarterGoesOnToTheNextTurnAndThePortStory)
{
    const auto gespeichert = MitSaves();
    const std::string &quartal = quartal_;
    ASSERT_FALSE(gespeichert.empty());
    const std::string empfangen = quartal + "/Data/POP3In/GameChunk.vek";
    auto *info = (st_INFO *)LoadChunk2Mem(ID_INFO, empfangen.c_str());
    ASSERT_NE(info, nullptr);
    const ULONG spieler = info->SpielerID;
    FreeVec(info);

    const std::time_t wann = 1167609599 + 86400;
    turntest::GameServerStandIn server(".");
    const std::string antwort = server.MakeAnswer(empfangen, spieler, wann, turntest::AnswerTwist{10, -1, -1, {}});
    const std::string zu = "127.0.0.1:" + std::to_string(nettest::FreePort());
    const int status = Kind([&] {
        // The game server serves from a thread of the child: a thread running
        // in the parent while it forks is more than a user-mode emulator
        // (the big-endian runs) can carry into the child.
        const std::string adresse = server.ServePackets(antwort, 1);
        setenv("VEK_GAME_SERVER", adresse.c_str(), 1);
        setenv("VEK_PROBE_HOSTS", "127.0.0.1", 1);
        setenv("VEK_WEB_SERVER", zu.c_str(), 1);
        if (chdir(arbeit_.c_str()) != 0) _exit(120);
        OptionPrefsDefault();
        UserSystem.OP.TCPIP_Flags = TRANSPORT_GAMESERVER;
        std::snprintf(UserSystem.OP.InterPOPName, sizeof UserSystem.OP.InterPOPName, "%s", zu.c_str());
        if (!OptionenPrefsSave()) _exit(119);
        Spiel(arbeit_, GetParam(), LadeDemoland, [](ClientLog &log) {
            if (!log.Warte("Routine: ReadResidenzScreenData ende")) return false;
            Abbild("Game/Demoland/1_1", "geladen");
            auto residenz = GadgetCentres("./Data/screendat/Residenz1.dat");
            // The first two attempts of a run ask the mailbox, which does not
            // answer: its error and "no turns" are confirmed.
            for (int versuch = 1; versuch <= 2; ++versuch) {
                PushClick(residenz["DOWN"].first, residenz["DOWN"].second);
                if (!log.Warte("GetEmail: Internetverbindung zu host")) return false;
                PushKey(SDLK_RETURN, 13);
                PushKey(SDLK_RETURN, 13);
            }
            PushClick(residenz["DOWN"].first, residenz["DOWN"].second);
            if (!log.Warte("Mail per TCPIP holen") || !log.Warte("Sende ok zur\374ck") ||
                !log.Warte("L\366sche EMAIL"))
                return false;
            PushKey(SDLK_RETURN, 13);  // the turn is in
            // The bard's screen counts ticks: the story's box opens at the
            // 50th, the screen ends at the 100th.
            if (!log.Warte("Routine: RoredIdez\n")) return false;
            for (int i = 0; i < 50; ++i) PushTick();
            if (!log.Warte("Routine: BTTextBox")) return false;
            PushEscape();
            for (int i = 0; i < 50; ++i) PushTick();
            return true;
        });
    });
    const Bytes b = ReadBytes(arbeit_ + "/schirme.txt");
    ASSERT_EQ(status, 0) << log_;
    EXPECT_EQ(std::string(b.begin(), b.end()), "1 2 505 ");

    // What the residence found: the saved quarter, byte for byte, but for
    // the preferences the load rewrites.
    auto geladen = Baum(arbeit_ + "/geladen");
    for (const auto &[name, bytes] : gespeichert) {
        if (name == "Data/Prefs.vek") continue;
        EXPECT_TRUE(geladen[name] == bytes) << name;
    }

    // The fetched turn is the realm's now, and the bard told of the port.
    ASSERT_EQ(chdir(arbeit_.c_str()), 0);
    const ULONG datum = CheckPrefs(31, PREFS_READ, 0), geschichte = RoredIdezPrefs(0, PREFS_READ, 0);
    ASSERT_EQ(chdir(dir_.path().c_str()), 0);
    EXPECT_EQ(datum, DateKeyOf(wann));
    EXPECT_EQ(geschichte, 6u);
    EXPECT_NE(log_.find("RoredIdez: Die folgende Story sollte nun gespielt werden 6\n"), std::string::npos);
    char mail[32];
    std::snprintf(mail, sizeof mail, "/Data/POP3In/%8.8u.email", (unsigned)spieler);
    EXPECT_FALSE(fs::exists(arbeit_ + mail)) << "the applied mail goes";
    EXPECT_EQ(Baum(quartal), gespeichert) << "the save stays as it was";
}

INSTANTIATE_TEST_SUITE_P(Anzeigen, TitelWeg, ::testing::ValuesIn(kLaeufe),
                         [](const ::testing::TestParamInfo<Lauf> &i) {
                             return std::to_string(i.param.breite) + "x" + std::to_string(i.param.hoehe) + "x" +
                                    std::to_string(i.param.tiefe);
                         });
