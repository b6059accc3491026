// A newcomer's first walk through the program, at 640 x 480 x 8 and at
// 1024 x 768 x 32, each in a child process on its own copy of the demo's
// empty set: the title, the credits, the easy registration on a preset
// postbox, the sign-up mail through a real SMTP server to the stand-in game
// server, its answer fetched by POP3 and the realm set up, the residence and
// its tutorial, the first turn fetched by DOWN, and the story of the first
// day. Above 8 bits the
// map screen is kept from the start, as the program keeps it. The mail host
// is one loopback address of its own with SMTP and POP3 on their standard
// ports, as the operator's host has them. A thread of the child plays, each
// step in step with what the client printed or what reached the mailbox; the
// parent plays the game server the same way and ends a child that does not
// finish.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "../net/nettest.h"
#include "turn/gameserver.h"
#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "frontend/frontend.h"
#include "frontend/titelscreen.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "gfx/sdlinit.h"
#include "mainloop.h"
#include "map/kartenscreen.h"
#include "world/towns.h"
#include "media/movie.h"
#include "net/gamemail.h"
#include "net/net.h"
#include "net/netconn.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/store.h"
#include "turn/turn.h"
#include "ui/gadgets.h"
#include "ui/screendat.h"

namespace fs = std::filesystem;
using namespace vektest;
using namespace nettest;
using namespace turntest;

namespace {

struct Lauf {
    int tiefe, breite, hoehe;
};
const Lauf kLaeufe[] = {{8, 640, 480}, {32, 1024, 768}};

const char kName[] = "Karolus";

// Until a mail lies in the mailbox's new mail, at most 25 s.
bool Post(const std::string &maildir)
{
    for (int i = 0; i < 2500; ++i) {
        std::error_code ec;
        for (auto it = fs::directory_iterator(maildir + "/new", ec); !ec && it != fs::directory_iterator(); ++it)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Names resolve on loopback only: the mail host's own address, nothing
// outside (the web server's name then finds no forum, as off the net).
BOOL NurLoopback(const char *host, ULONG *address)
{
    in_addr a{};
    if (inet_pton(AF_INET, host, &a) != 1 || (ntohl(a.s_addr) >> 24) != 127) return 0;
    *address = a.s_addr;
    return 1;
}

void Enter() { PushKey(SDLK_RETURN, 13); }

// The player, from a thread of the child: false at the first step the
// client did not answer.
bool Spiele(ClientLog &log, const std::string &maildir)
{
    if (!log.Warte("Routine: CreditScreen")) return false;
    PushEscape();
    if (!log.Warte("Routine: InitScreen")) return false;
    PushEscape();  // the welcome and the disclaimer
    PushEscape();
    Enter();  // the easy registration
    PushText(kName);
    Enter();
    PushEscape();  // no second address
    PushEscape();  // no mobile number
    // Sent; the fetch right after finds the mailbox empty.
    if (!log.Warte("SendeFileAsEmail") || !log.Warte("Auf dem Server befinden sich 0 Nachrichten")) return false;
    Enter();
    if (!Post(maildir)) return false;
    PushClick(198 + 65, 455 + 10);  // the form's button that fetches the answer
    Enter();  // set up
    Enter();  // the new turns
    Enter();  // the reminder of the preset postbox
    Enter();  // no turn yet
    if (!log.Warte("Routine: ResidenzScreen")) return false;
    Enter();       // the tutorial, yes
    PushEscape();  // its first text
    if (!Post(maildir)) return false;
    const auto residenz = GadgetCentres("./Data/screendat/Residenz1.dat");
    if (!residenz.count("DOWN")) return false;
    PushClick(residenz.at("DOWN").first, residenz.at("DOWN").second);
    Enter();  // the reminder
    Enter();  // the turn is in
    if (!log.Warte("RoredIdez: Die folgende Story")) return false;
    // The bard's screen counts ticks: the story's box opens at the 50th, the
    // screen ends at the 100th. Pushed ticks bring them sooner than the
    // program's own timer would.
    for (int i = 0; i < 50; ++i) PushTick();
    if (!log.Warte("Routine: BTTextBox")) return false;
    PushEscape();
    for (int i = 0; i < 50; ++i) PushTick();
    return log.Warte("Weg: 505 ");
}

// The child's start, for the seconds in its findings.
std::chrono::steady_clock::time_point Start;

// One screen of the walk, what it led to, and then: the realm's state, the
// tutorial's step, the date key of the last answer taken, the story chosen,
// and the seconds since the start.
void Befund(LONG screen, LONG next)
{
    std::printf("Weg: %ld %ld %u %u %u %u %.1f\n", (long)screen, (long)next, (unsigned)CheckPrefs(0, PREFS_READ, 0),
                (unsigned)CheckPrefs(30, PREFS_READ, 0), (unsigned)CheckPrefs(31, PREFS_READ, 0),
                (unsigned)RoredIdezPrefs(0, PREFS_READ, 0),
                std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count());
}

// In a child at the given display: the title and the screens the main loop
// makes of it, until the story has run. Exit 0 when every step went through,
// 1 when the player's thread got stuck, 2 when the story was not reached,
// 126 when the display could not be opened.
[[noreturn]] void Neuling(const std::string &arbeit, const Lauf &l, const std::string &host,
                          const std::string &maildir)
{
    Start = std::chrono::steady_clock::now();
    if (chdir(arbeit.c_str()) != 0) _exit(125);
    const int log = open("client.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log < 0 || dup2(log, 1) < 0) _exit(124);
    setvbuf(stdout, nullptr, _IOLBF, 0);
    // The operator's configuration, as the program reads it at start.
    setenv("VEK_OPERATOR_MAILHOST", host.c_str(), 1);
    setenv("VEK_OPERATOR_DOMAIN", "game.test", 1);
    setenv("VEK_PRESET_POSTBOX", "postbox", 1);
    setenv("VEK_SIGNUP_MAILBOX", "turns@game.test", 1);
    setenv("VEK_TURN_MAILBOX", "turns@game.test", 1);
    setenv("VEK_ARCHIVE_MAILBOX", "archive@game.test", 1);
    NetConfigLoad();
    GameMailConfigLoad();
    NetResolveHook = NurLoopback;
    std::snprintf(NetCfg.ProbeHost1, sizeof NetCfg.ProbeHost1, "%s", host.c_str());
    std::snprintf(NetCfg.ProbeHost2, sizeof NetCfg.ProbeHost2, "%s", host.c_str());
    NetCfg.ProbeWaits = 50;
    NetCfg.ProbeWaitTicks = 1;
    int status = 2;
    {
        SdlScreen screen(l.tiefe, l.breite, l.hoehe);
        if (!screen.Ok()) _exit(126);
        // What the program sets up before its main loop: the hooks of the
        // lower libraries, the options of a first start, and above 8 bits the
        // map screen it keeps for the whole run.
        SetProgramHooks();
        UseKavorGadgetPainter();
        SetupSystem();
        const bool tief = l.tiefe > 8;
        if (tief) DBScreen = SDL_DisplayFormat(SDLViewSurface);
        FadeDelayHook = [](ULONG) {};
        // The program's 100 ms tick, which the story screen counts.
        if (SDL_InitSubSystem(SDL_INIT_TIMER) == 0) TickTimer = SDL_AddTimer(100, GETKEY_TIMEVAL_TimerCallback, nullptr);
        // The countdown of the preset postbox's reminder, in a fiftieth of its time.
        TurnBoxHooks.Delay = [](ULONG) { SDL_Delay(20); };
        const auto titel = GadgetCentres("./Data/screendat/Titel.dat");
        Enter();  // the debug notice
        PushClick(titel.at("NORM").first, titel.at("NORM").second);
        ClientLog l("client.log");
        std::atomic<bool> gut{false};
        std::thread spieler([&] {
            gut = Spiele(l, maildir);
            if (!gut) std::printf("Weg: Spieler steckt fest\n");
        });
        if (tief) currentScreenID = KartenScreen(1, 0);
        LONG next = AfterTitle(TitelScreen());
        if (TitelScreenPtr) CloseKavorPic(0, 0);
        Befund(1, next);
        LONG from = 0;
        for (int i = 0; i < 8 && next != -1; ++i) {
            const LONG dieser = next;
            next = RunScreen(dieser, &from);
            Befund(dieser, next);
            if (dieser == 505) {
                status = 0;
                break;
            }
        }
        spieler.join();
        if (tief) KartenScreen(0, 0);
        if (!gut) status = 1;
        if (TickTimer) SDL_RemoveTimer(TickTimer);
        TickTimer = nullptr;
        std::fflush(stdout);
    }
    _exit(status);
}

struct Schritt {
    long screen, next;
    unsigned pref0, pref30, pref31, story;
    bool operator==(const Schritt &o) const
    {
        return screen == o.screen && next == o.next && pref0 == o.pref0 && pref30 == o.pref30 && pref31 == o.pref31 &&
               story == o.story;
    }
};

void PrintTo(const Schritt &s, std::ostream *os)
{
    *os << "{" << s.screen << " -> " << s.next << ", realm " << s.pref0 << ", tutorial " << s.pref30 << ", answer "
        << s.pref31 << ", story " << s.story << "}";
}

std::vector<Schritt> Schritte(const std::string &log)
{
    std::vector<Schritt> w;
    for (size_t at = log.find("Weg: "); at != std::string::npos; at = log.find("Weg: ", at + 1)) {
        Schritt s{};
        if (std::sscanf(log.c_str() + at, "Weg: %ld %ld %u %u %u %u", &s.screen, &s.next, &s.pref0, &s.pref30,
                        &s.pref31, &s.story) == 6)
            w.push_back(s);
    }
    return w;
}

// A loopback address of the run's own, so that the standard mail ports are
// free there whatever else runs on the machine.
std::string EigenerHost()
{
    static int n = 0;
    const unsigned v = ((unsigned)getpid() * 4 + (unsigned)n++) % 0xFFFE + 1;
    return "127.77." + std::to_string(v >> 8) + "." + std::to_string((v & 0xFF) ? (v & 0xFF) : 1);
}

ULONG SpielerIn(const std::string &pool)
{
    auto *info = (st_INFO *)LoadChunk2Mem(ID_INFO, pool.c_str());
    if (!info) return 0;
    const ULONG id = info->SpielerID;
    FreeVec(info);
    return id;
}

class NeulingWeg : public ::testing::TestWithParam<Lauf> {
protected:
    ScratchDir dir_;
    std::string arbeit_ = dir_.path() + "/satz";
};

}  // namespace

TEST_P(NeulingWeg, SignsUpAndHearsTheFirstDaysStory)
{
    // The program's own files with the newcomer's empty game folders.
    CopyDemoGameFiles(arbeit_);
    for (const char *teil : {"Data", "Map"})
        for (const auto &e : fs::directory_iterator(arbeit_ + "/" + teil)) {
            const std::string n = e.path().filename().string();
            if (n != "screendat" && n != "Path" && n != "SfxPath" && n != "RoredIdezPath") fs::remove_all(e.path());
        }
    fs::copy(SharedDemoSet() + "/Newcomer", arbeit_, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    ASSERT_FALSE(fs::exists(arbeit_ + "/Data/Prefs.vek"));

    Rig rig;
    const std::string host = EigenerHost();
    NET_START_OR_SKIP(rig, "dovecot", 110, host);
    NET_START_OR_SKIP(rig, "opensmtpd", 25, host);
    GameServerStandIn server(rig.dir() + "/turns/Maildir");

    std::fflush(stdout);
    const pid_t kind = fork();
    if (kind == 0) Neuling(arbeit_, GetParam(), host, rig.Maildir());
    int st = 0;
    bool fertig = false;
    // About 25 s when all goes well; a loaded machine gets room.
    const auto ende = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    auto lebt = [&] {
        if (!fertig && waitpid(kind, &st, WNOHANG) == kind) fertig = true;
        return !fertig && std::chrono::steady_clock::now() < ende;
    };

    // The game server: the sign-up once the client found nothing yet, the
    // first turn once the realm is set up.
    ClientLog log(arbeit_ + "/client.log", lebt);
    std::vector<GameServerStandIn::Signup> anmeldungen;
    const std::time_t jetzt = std::time(nullptr);
    if (log.Warte("Auf dem Server befinden sich 0 Nachrichten", 40)) {
        anmeldungen = server.TakeSignups();
        if (anmeldungen.size() == 1) {
            const std::string mail = server.MakeSignupAnswer(
                anmeldungen[0].id, SharedDemoSet() + "/Fresh/Data/POP3In/GameChunk.vek", "", jetzt - 60);
            EXPECT_TRUE(server.MailAnswer(host + ":25", mail));
            // The first turn, once the player is in the residence.
            const std::string pool = arbeit_ + "/Data/POP3In/GameChunk.vek";
            if (log.Warte("Routine: ResidenzScreen", 40)) {
                const ULONG spieler = SpielerIn(pool);
                EXPECT_NE(spieler, 0u);
                EXPECT_TRUE(server.MailAnswer(host + ":25", server.MakeAnswer(pool, spieler, jetzt)));
            }
        }
    }
    while (lebt()) usleep(50000);
    if (!fertig) {
        kill(kind, SIGKILL);
        waitpid(kind, &st, 0);
        st = -1;
    }
    const Bytes b = ReadBytes(arbeit_ + "/client.log");
    const std::string clientLog(b.begin(), b.end());
    // The log runs to many thousand lines: its end shows where a walk stopped.
    const std::string logEnde = clientLog.substr(clientLog.size() > 6000 ? clientLog.size() - 6000 : 0);
    ASSERT_TRUE(st != -1 && WIFEXITED(st)) << "the walk hung\n" << logEnde;
    EXPECT_EQ(WEXITSTATUS(st), 0) << logEnde;

    // Title, credits, sign-up (the realm set up from the answer), the
    // residence (the tutorial's first step shown), the first turn, which
    // chooses the first day's story, and the story.
    const unsigned anmeldung = DateKeyOf(jetzt - 60), erster = DateKeyOf(jetzt);
    const std::vector<Schritt> erwartet = {
        {1, 151, 0, 0, 0, 0}, {151, 32, 0, 0, 0, 0}, {32, 2, 2, 0, anmeldung, 0},
        {2, 505, 2, 1, erster, 1}, {505, 2, 2, 1, erster, 1},
    };
    EXPECT_EQ(Schritte(clientLog), erwartet) << logEnde;
    EXPECT_NE(clientLog.find("RoredIdez: Die folgende Story sollte nun gespielt werden 1\n"), std::string::npos);

    ASSERT_EQ(anmeldungen.size(), 1u) << logEnde;
    EXPECT_EQ(anmeldungen[0].record.size(), 784u);
    const std::string &satz = anmeldungen[0].record;
    EXPECT_EQ(satz.substr(282, sizeof kName), std::string(kName, sizeof kName)) << "the typed name, with its terminator";
    // A preset postbox, and neither a second address nor a mobile number.
    const std::string adresse = satz.substr(322, 40).c_str();
    EXPECT_TRUE(std::regex_match(adresse, std::regex("postbox([1-9]|[1-4][0-9]|50)@game\\.test"))) << adresse;
    EXPECT_EQ(satz.substr(698, 80), std::string(80, '\0'));
    EXPECT_TRUE(fs::exists(arbeit_ + "/Map/M_1_1.map"));
    int mails = 0;
    for (const char *teil : {"/new", "/cur"})
        for (auto &e : fs::directory_iterator(rig.Maildir() + teil)) (void)e, ++mails;
    EXPECT_EQ(mails, 0) << "every answer taken from the server";
}

INSTANTIATE_TEST_SUITE_P(Anzeigen, NeulingWeg, ::testing::ValuesIn(kLaeufe),
                         [](const ::testing::TestParamInfo<Lauf> &i) {
                             return std::to_string(i.param.breite) + "x" + std::to_string(i.param.hoehe) + "x" +
                                    std::to_string(i.param.tiefe);
                         });
