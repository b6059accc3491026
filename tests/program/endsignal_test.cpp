// The end signals as a terminal or a desktop sends them, at 640 x 480 x 8 and
// at 1024 x 768 x 32: SIGTERM or SIGINT ends the client in order at the title
// (the program itself, started as a player starts it), at the residence, on
// the map screen and at the sign-up form (the program's body in a child of
// this test, a thread of the child playing up to there): within the time
// limit, with status 0, the run marker cleared and every file as it was when
// the signal came. A second SIGINT while the first is carried out ends the
// program at once. And the headless path of tools/run-client.sh.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <algorithm>
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
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "common/xvfb.h"
#include "mainloop.h"
#include "map/kartenscreen.h"
#include "platform/prefs.h"

namespace fs = std::filesystem;
using namespace vektest;
using Clock = std::chrono::steady_clock;

namespace {

struct Lauf {
    int tiefe, breite, hoehe;
};
const Lauf kLaeufe[] = {{8, 640, 480}, {32, 1024, 768}};

std::string Name(const Lauf &l)
{
    return std::to_string(l.breite) + "x" + std::to_string(l.hoehe) + "x" + std::to_string(l.tiefe);
}

// Two seconds from the signal to the end; the sanitizer build and a build run
// under an emulator are slower at everything, so they get more.
double Grenze()
{
    double s = 2.0;
#if defined(__SANITIZE_ADDRESS__)
    s *= 3;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    s *= 3;
#endif
#endif
    if (*VEK_LAUNCHER) s *= 5;
    return s;
}

// The run marker (preference 24) is byte 228 of the preferences file.
constexpr size_t kMarkerByte = 228;

// Every file of the working copy with its bytes, the client's log aside.
std::map<std::string, Bytes> Dateien(const std::string &wurzel)
{
    std::map<std::string, Bytes> t;
    for (const auto &e : fs::recursive_directory_iterator(wurzel)) {
        const std::string rel = fs::relative(e.path(), wurzel).string();
        if (e.is_regular_file() && rel != "client.log") t[rel] = ReadBytes(e.path().string());
    }
    return t;
}

// Where two versions of a file part, for the failure's message.
std::string Unterschied(const Bytes &a, const Bytes &b)
{
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size()) + ", first difference at " +
           std::to_string(i);
}

// The pool's checksum (offset 42) takes its own old value in, so every
// rewrite changes it; the map screen rewrites the orders' pool whenever it
// ends (the kept one of a high-colour run at every end of the program, as
// leaving the title does; at 8 bits a visit).
constexpr size_t kPruefsumme = 42;

// Every file of vorher as it is in nachher, none new (but temporary files,
// when allowed); the run marker as cleared, and the orders' pool's checksum
// as rewritten.
void GleicheDateien(std::map<std::string, Bytes> vorher, std::map<std::string, Bytes> nachher,
                    bool temporaere = false)
{
    if (vorher["Data/Prefs.vek"].size() > kMarkerByte) vorher["Data/Prefs.vek"][kMarkerByte] = 0;
    if (nachher["Data/Prefs.vek"].size() > kMarkerByte) nachher["Data/Prefs.vek"][kMarkerByte] = 0;
    Bytes &pool = nachher["Data/POP3Out/GameChunk.vek"];
    const Bytes &alt = vorher["Data/POP3Out/GameChunk.vek"];
    if (pool.size() == alt.size() && pool.size() >= kPruefsumme + 4)
        std::copy(alt.begin() + kPruefsumme, alt.begin() + kPruefsumme + 4, pool.begin() + kPruefsumme);
    for (const auto &[name, bytes] : vorher) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(nachher.count(name));
        EXPECT_TRUE(nachher[name] == bytes) << Unterschied(bytes, nachher[name]);
    }
    for (const auto &[name, bytes] : nachher)
        EXPECT_TRUE(vorher.count(name) || (temporaere && fs::path(name).filename().string()[0] == '.'))
            << name << " is new";
}

void Anzeige(const std::string &arbeit, const Lauf &l)
{
    WriteText(arbeit + "/vek.cfg", "width=" + std::to_string(l.breite) + "\nheight=" + std::to_string(l.hoehe) +
                                       "\ndepth=" + std::to_string(l.tiefe) + "\nwindow=on\n");
}

// A running client and what became of it.
struct Kind {
    pid_t pid = -1;
    std::string log;
    int status = 0;        // waitpid's status once ended
    bool geendet = false;
    double sekunden = -1;  // from the signal to the end

    bool Lebt()
    {
        if (!geendet && waitpid(pid, &status, WNOHANG) == pid) geendet = true;
        return !geendet;
    }
    // Sends sig and waits for the end, at most 30 s (then it is killed).
    void Signal(int sig)
    {
        const auto start = Clock::now();
        kill(pid, sig);
        Warte(start);
    }
    void Warte(Clock::time_point start)
    {
        while (Lebt() && Clock::now() - start < std::chrono::seconds(30))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (!geendet) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            geendet = true;
            return;
        }
        sekunden = std::chrono::duration<double>(Clock::now() - start).count();
    }
    std::string Ende() const
    {
        const Bytes b = ReadBytes(log);
        const std::string s(b.begin(), b.end());
        return s.substr(s.size() > 4000 ? s.size() - 4000 : 0);
    }
};

// The program as a player starts it, in arbeit, its output into client.log.
Kind StarteProgramm(const std::string &arbeit, std::vector<std::string> args)
{
    Kind k;
    k.log = arbeit + "/client.log";
    // A log of an earlier run would be read as this one's.
    std::remove(k.log.c_str());
    std::fflush(stdout);
    k.pid = fork();
    if (k.pid == 0) {
        if (chdir(arbeit.c_str()) != 0) _exit(125);
        const int fd = open("client.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || dup2(fd, 1) < 0 || dup2(fd, 2) < 0) _exit(124);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        // A test run started in a script's background must not pass its
        // ignored interrupt on: the client keeps an ignored signal ignored.
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        args.insert(args.begin(), VEKCLIENT_PATH);
        if (*VEK_LAUNCHER) args.insert(args.begin(), VEK_LAUNCHER);
        std::vector<char *> argv;
        for (auto &a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return k;
}

// The player's marker event: GetKey lets it pass without a word, so once it
// has left the queue the screen pushed to is waiting for the player.
constexpr int kMarke = 4711;

bool MarkeWartet()
{
    SDL_Event ev[128];
    const int n = SDL_PeepEvents(ev, 128, SDL_PEEKEVENT, SDL_EVENTMASK(SDL_USEREVENT));
    for (int i = 0; i < n; ++i)
        if (ev[i].user.code == kMarke) return true;
    return false;
}

// Pushes the marker and waits until the client took it, at most 30 s.
bool BisZurWarte()
{
    SDL_Event ev{};
    ev.type = SDL_USEREVENT;
    ev.user.code = kMarke;
    if (SDL_PushEvent(&ev) != 0) return false;
    for (int i = 0; i < 6000 && MarkeWartet(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return !MarkeWartet();
}

void Enter() { PushKey(SDLK_RETURN, 13); }

// The player's ways, from the title on; false at the first step the client
// did not answer.
bool ZumTitel(ClientLog &log) { return log.Warte("Routine: TitelScreen"); }

bool ZurResidenz(ClientLog &log)
{
    if (!log.Warte("Routine: TitelScreen")) return false;
    const auto titel = GadgetCentres("./Data/screendat/Titel.dat");
    if (!titel.count("NORM")) return false;
    Enter();  // the debug notice
    PushClick(titel.at("NORM").first, titel.at("NORM").second);
    return log.Warte("Routine: ResidenzScreen");
}

bool ZurKarte(ClientLog &log)
{
    if (!ZurResidenz(log) || !BisZurWarte()) return false;
    const auto residenz = GadgetCentres("./Data/screendat/Residenz1.dat");
    if (!residenz.count("MAP ")) return false;
    PushClick(residenz.at("MAP ").first, residenz.at("MAP ").second);
    // The map's visit prints nothing of its own: its motion says it runs.
    return BisZurWarte() && LDKS->MotionPtr;
}

bool ZurKarteUndZurueck(ClientLog &log)
{
    if (!ZurKarte(log)) return false;
    PushEscape();
    return log.Warte("Routine: ResidenzScreen");
}

bool ZurAnmeldung(ClientLog &log)
{
    if (!log.Warte("Routine: TitelScreen")) return false;
    const auto titel = GadgetCentres("./Data/screendat/Titel.dat");
    if (!titel.count("NORM")) return false;
    Enter();
    PushClick(titel.at("NORM").first, titel.at("NORM").second);
    if (!log.Warte("Routine: CreditScreen")) return false;
    PushEscape();
    if (!log.Warte("Routine: InitScreen")) return false;
    PushEscape();  // the welcome and the disclaimer
    PushEscape();
    PushEscape();  // no easy registration: the form itself
    return true;
}

// The program's body in a child, in arbeit, a thread of the child playing
// weg; once the client waits where weg led, "Test: am Ziel" in its log.
Kind StarteSpiel(const std::string &arbeit, bool (*weg)(ClientLog &))
{
    Kind k;
    k.log = arbeit + "/client.log";
    std::remove(k.log.c_str());
    std::fflush(stdout);
    k.pid = fork();
    if (k.pid == 0) {
        if (chdir(arbeit.c_str()) != 0) _exit(125);
        const int fd = open("client.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || dup2(fd, 1) < 0 || dup2(fd, 2) < 0) _exit(124);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        // A test run started in a script's background must not pass its
        // ignored interrupt on: the client keeps an ignored signal ignored.
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        setvbuf(stdout, nullptr, _IOLBF, 0);
        std::thread([weg] {
            ClientLog log("client.log");
            const bool da = weg(log) && BisZurWarte();
            std::printf(da ? "Test: am Ziel\n" : "Test: steckt fest\n");
        }).detach();
        char name[] = "vekclient", window[] = "-window";
        char *argv[] = {name, window, nullptr};
        std::exit(VekClientMain(2, argv));
    }
    return k;
}

class EndSignal : public ::testing::TestWithParam<Lauf> {
protected:
    ScratchDir dir_;
    std::string arbeit_ = dir_.path() + "/satz";

    // The realm's working copy at this run's display.
    void Realm()
    {
        CopyDemoGameFiles(arbeit_);
        Anzeige(arbeit_, GetParam());
    }
    // The newcomer's: the program's own files with empty game folders.
    void Neuling()
    {
        CopyDemoGameFiles(arbeit_);
        for (const char *teil : {"Data", "Map"})
            for (const auto &e : fs::directory_iterator(arbeit_ + "/" + teil)) {
                const std::string n = e.path().filename().string();
                if (n != "screendat" && n != "Path" && n != "SfxPath" && n != "RoredIdezPath") fs::remove_all(e.path());
            }
        fs::copy(SharedDemoSet() + "/Newcomer", arbeit_,
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        Anzeige(arbeit_, GetParam());
    }

    // The end of an orderly end: status 0 in time, the signal's line, the
    // marker cleared and every file as in vorher (taken while the marker
    // was set).
    void GeordnetGeendet(Kind &k, int sig, std::map<std::string, Bytes> vorher)
    {
        ASSERT_TRUE(k.geendet);
        ASSERT_TRUE(WIFEXITED(k.status)) << "ended by signal " << WTERMSIG(k.status) << "\n" << k.Ende();
        EXPECT_EQ(WEXITSTATUS(k.status), 0) << k.Ende();
        EXPECT_GE(k.sekunden, 0) << "killed after 30 s\n" << k.Ende();
        EXPECT_LT(k.sekunden, Grenze()) << k.Ende();
        const Bytes log = ReadBytes(k.log);
        EXPECT_NE(std::string(log.begin(), log.end()).find("Main: Signal " + std::to_string(sig) + ", das Programm endet"),
                  std::string::npos);
        auto nachher = Dateien(arbeit_);
        ASSERT_GT(nachher["Data/Prefs.vek"].size(), kMarkerByte);
        EXPECT_EQ(nachher["Data/Prefs.vek"][kMarkerByte], 0) << "run marker left set";
        GleicheDateien(vorher, nachher);
    }

    // Plays to a screen, then sends sig there.
    // With erwartet given, the files must come out as those rather than as
    // they were when the signal came.
    void AmZiel(bool (*weg)(ClientLog &), int sig, const std::map<std::string, Bytes> *erwartet = nullptr)
    {
        Kind k = StarteSpiel(arbeit_, weg);
        ClientLog log(k.log, [&] { return k.Lebt(); });
        ASSERT_TRUE(log.Warte("Test: am Ziel", 90)) << k.Ende();
        const auto vorher = Dateien(arbeit_);
        k.Signal(sig);
        GeordnetGeendet(k, sig, erwartet ? *erwartet : vorher);
    }
};

}  // namespace

// The program itself: the first run's start writes what a start writes (the
// town files, the pool's repair); a second run ended by the other signal
// leaves every file as the first left it.
TEST_P(EndSignal, TheProgramEndsInOrderOnEitherSignal)
{
    Realm();
    std::map<std::string, Bytes> vorher;
    for (int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(sig);
        Kind k = StarteProgramm(arbeit_, {"-window"});
        ClientLog log(k.log, [&] { return k.Lebt(); });
        ASSERT_TRUE(log.Warte("Routine: TitelScreen", 60)) << k.Ende();
        // Carried out at the first wait for the player (the title's first
        // box), however soon after the title's start it comes.
        k.Signal(sig);
        if (vorher.empty()) vorher = Dateien(arbeit_);
        GeordnetGeendet(k, sig, vorher);
    }
}

TEST_P(EndSignal, AtTheTitle)
{
    Realm();
    AmZiel(ZumTitel, SIGTERM);
}

TEST_P(EndSignal, AtTheTitleByInterrupt)
{
    Realm();
    AmZiel(ZumTitel, SIGINT);
}

TEST_P(EndSignal, AtTheResidence)
{
    Realm();
    AmZiel(ZurResidenz, SIGTERM);
}

// Leaving the map writes what a visit keeps (at 8 bits the map's lists into
// the orders' pool); an end on the map writes the same: the files come out as
// after a run that went to the map and back, ended at the residence.
TEST_P(EndSignal, OnTheMapScreen)
{
    Realm();
    AmZiel(ZurKarteUndZurueck, SIGTERM);
    const auto zurueck = Dateien(arbeit_);
    fs::remove_all(arbeit_);
    Realm();
    AmZiel(ZurKarte, SIGTERM, &zurueck);
}

TEST_P(EndSignal, AtTheSignUpForm)
{
    Neuling();
    AmZiel(ZurAnmeldung, SIGTERM);
}

INSTANTIATE_TEST_SUITE_P(Anzeigen, EndSignal, ::testing::ValuesIn(kLaeufe),
                         [](const ::testing::TestParamInfo<Lauf> &i) { return Name(i.param); });

// The player presses Ctrl-C again while the end runs: the program ends at
// once, by the signal.
TEST(EndSignalTwice, ASecondInterruptEndsAtOnce)
{
    ScratchDir dir;
    const std::string arbeit = dir.path() + "/satz";
    CopyDemoGameFiles(arbeit);
    Anzeige(arbeit, {32, 1024, 768});
    // A first run writes what a start writes.
    Kind erster = StarteProgramm(arbeit, {"-window"});
    ClientLog log1(erster.log, [&] { return erster.Lebt(); });
    ASSERT_TRUE(log1.Warte("Routine: TitelScreen", 60)) << erster.Ende();
    erster.Signal(SIGTERM);
    ASSERT_TRUE(erster.geendet && WIFEXITED(erster.status)) << erster.Ende();
    const auto vorher = Dateien(arbeit);

    // The second interrupt goes as soon as the log says the first is being
    // carried out; the end then still has its movies, the kept map screen
    // and SDL to close, some hundred milliseconds. Should a run have ended
    // in order before the second came (a machine that stalled the test just
    // then), it says nothing and the next try counts.
    for (int versuch = 0; versuch < 3; ++versuch) {
        SCOPED_TRACE(versuch);
        Kind k = StarteProgramm(arbeit, {"-window"});
        ClientLog log(k.log, [&] { return k.Lebt(); });
        ASSERT_TRUE(log.Warte("Routine: TitelScreen", 60)) << k.Ende();
        const auto start = Clock::now();
        kill(k.pid, SIGINT);
        ASSERT_TRUE(log.Warte("Main: Signal 2, das Programm endet", 30)) << k.Ende();
        kill(k.pid, SIGINT);
        k.Warte(start);
        ASSERT_TRUE(k.geendet);
        // Every file whole: as the first run left it, the run marker either
        // way. An end at once may leave a write's temporary file beside its
        // target (".<name>.XXXXXX", which no reader takes); the target is whole.
        GleicheDateien(vorher, Dateien(arbeit), true);
        if (WIFEXITED(k.status) && WEXITSTATUS(k.status) == 0) continue;
        ASSERT_TRUE(WIFSIGNALED(k.status)) << k.Ende();
        EXPECT_EQ(WTERMSIG(k.status), SIGINT);
        return;
    }
    FAIL() << "every run ended in order before its second interrupt came";
}

// The first command of the README on a machine without a display, with the
// client of this build: it ends by itself within a minute, and the picture
// it leaves is the title screen at 1024 x 768, not a blank one.
TEST(RunClientScript, WithoutADisplayTheTitleIsSavedAndTheClientEnds)
{
    if (*VEK_LAUNCHER) GTEST_SKIP() << "the script starts the client directly, not through an emulator";
    const std::string python = FindProgram("python3");
    for (const char *p : {"Xvfb", "xwd", "python3"})
        if (FindProgram(p).empty()) GTEST_SKIP() << p << " is not installed";
    ScratchDir dir;
    const std::string display = getenv("DISPLAY") ? getenv("DISPLAY") : "";
    unsetenv("DISPLAY");
    setenv("VEKCLIENT", VEKCLIENT_PATH, 1);
    setenv("VEKOUT", dir.path().c_str(), 1);
    // Under LeakSanitizer the X libraries that SDL loads and unloads again
    // leave blocks no suppression can name (their module is gone); they are
    // not this program's, and this test is about the script.
    const std::string asan = getenv("ASAN_OPTIONS") ? getenv("ASAN_OPTIONS") : "";
    setenv("ASAN_OPTIONS", (asan.empty() ? "" : asan + ":").append("detect_leaks=0").c_str(), 1);
    const RunResult r = RunProgram("/bin/bash", {std::string(VEK_SOURCE_DIR) + "/tools/run-client.sh"}, dir.path(), 60);
    unsetenv("VEKCLIENT");
    unsetenv("VEKOUT");
    if (asan.empty()) unsetenv("ASAN_OPTIONS");
    else setenv("ASAN_OPTIONS", asan.c_str(), 1);
    if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string bild = dir.path() + "/demo-title.png";
    EXPECT_NE(r.output.find(bild), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("DISPLAY"), std::string::npos) << r.output;
    const Bytes png = ReadBytes(bild);
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    auto be32 = [&](size_t at) { return (ULONG)png[at] << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3]; };
    EXPECT_EQ(be32(16), 1024u);
    EXPECT_EQ(be32(20), 768u);
    // The colours of its pixels, counted by a reader of the picture's own.
    WriteText(dir.path() + "/farben.py",
              "import sys, zlib\n"
              "d = open(sys.argv[1], 'rb').read()\n"
              "pos, idat = 8, b''\n"
              "while pos < len(d):\n"
              "    n = int.from_bytes(d[pos:pos + 4], 'big')\n"
              "    if d[pos + 4:pos + 8] == b'IDAT': idat += d[pos + 8:pos + 8 + n]\n"
              "    pos += 12 + n\n"
              "raw = zlib.decompress(idat)\n"
              "w, h = int.from_bytes(d[16:20], 'big'), int.from_bytes(d[20:24], 'big')\n"
              "rows = [raw[y * (3 * w + 1):(y + 1) * (3 * w + 1)] for y in range(h)]\n"
              "assert all(r[0] == 0 for r in rows)\n"
              "print('colours', len({r[1 + 3 * x:4 + 3 * x] for r in rows for x in range(w)}))\n");
    const RunResult farben = RunProgram(python, {dir.path() + "/farben.py", bild}, dir.path(), 60);
    ASSERT_EQ(farben.status, 0) << farben.output;
    unsigned n = 0;
    ASSERT_EQ(std::sscanf(farben.output.c_str(), "colours %u", &n), 1) << farben.output;
    EXPECT_GT(n, 1u);
}
