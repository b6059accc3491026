// The reading screens on a real X display at 1024 x 768 x 32: the root
// window's screenshot (xwd) shows a report in its box, a battle letter with
// the map view beside it, the detail view's outcome, and a curve and the
// legend over the statistics graph. The screen runs in a child on a copy of
// the demo set; at each probe (a click at 1, 1) it waits while the parent
// looks. Skipped without Xvfb or xwd.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <algorithm>
#include <cstdlib>
#include <csignal>
#include <functional>
#include <fcntl.h>
#include <map>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "common/scriptinput.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "common/xvfb.h"
#include "gfx/sdlinit.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "realm/realm.h"
#include "store/converters.h"
#include "store/store.h"
#include "world/handel.h"
#include "world/warehouse.h"
#include "ui/gadgets.h"
#include "ui/input.h"

using namespace vektest;

namespace {

constexpr int kW = 1024, kH = 768;
constexpr LONG kGameX = (kW - 640) / 2, kGameY = (kH - 480) / 2 - 30;  // where the game area lies
int readyFd = -1, goFd = -1;
LONG expectedNext = 2;  // what the screen returns after its script

void OnProbe()
{
    if (MousePosition.X > 2 || MousePosition.Y > 2) return;
    // The compatibility layer under SDL 1.2 shows what was drawn while it
    // pumps events; let it, before the parent looks.
    for (int i = 0; i < 5; ++i) {
        SDL_PumpEvents();
        SDL_Delay(20);
    }
    if (write(readyFd, "ready\n", 6) != 6) _exit(6);
    char c;
    if (read(goFd, &c, 1) != 1) _exit(7);
}

void Click(const char *file, const char *code)
{
    const auto c = GadgetCentres((std::string("./Data/screendat/") + file).c_str());
    const auto it = c.find(code);
    if (it == c.end()) _exit(8);
    PushClick(it->second.first, it->second.second);
}

void Probe() { PushClick(1, 1); }

[[noreturn]] void Child(const std::string &work, const std::string &display, LONG (*screen)(), void (*script)())
{
    if (chdir(work.c_str()) != 0) _exit(5);
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const int log = open("client.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(log, 1);
    dup2(log, 2);
    SetDefaults();
    VekDisplay.VekScreen_Breite = kW;
    VekDisplay.VekScreen_Hoehe = kH;
    VekDisplay.VekScreen_Tiefe = 32;
    VekDisplay.VekScreen_Window = 0;
    UserSystem.Sfx.IsEnabled = 0;
    if (!initSDL()) _exit(2);
    UseKavorGadgetPainter();
    ULONG id = 0;
    CheckPrefsRead(9, &id);
    PlayerInfo.SpielerID = id;
    if (char *name = CheckPrefsReadText(10)) {
        std::snprintf(PlayerInfo.Spielname, sizeof PlayerInfo.Spielname, "%s", name);
        FreeVec(name);
    }
    GetKeyClickHook = OnProbe;
    ScriptFeeder feed;
    script();
    feed.Start();
    const LONG next = screen();
    std::fflush(stdout);
    _exit(next == expectedNext ? 0 : 3);
}

int Wait(pid_t child)
{
    int st = 0;
    for (int i = 0; i < 600 && waitpid(child, &st, WNOHANG) == 0; i++) usleep(100000);
    if (waitpid(child, &st, WNOHANG) == 0) {
        kill(child, SIGKILL);
        waitpid(child, &st, 0);
    }
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// A game area's pixels in a screenshot.
struct Area {
    LONG x, y, w, h;
};
std::vector<ULONG> Pixels(const Screenshot &s, Area a)
{
    std::vector<ULONG> v;
    for (LONG y = a.y; y < a.y + a.h; ++y)
        for (LONG x = a.x; x < a.x + a.w; ++x) v.push_back(s.At((ULONG)(x + kGameX), (ULONG)(y + kGameY)));
    return v;
}
// Pixels that differ from the area's most common colour (its background).
long Ink(const std::vector<ULONG> &v)
{
    std::map<ULONG, long> n;
    for (ULONG p : v) ++n[p];
    long most = 0;
    for (const auto &e : n) most = std::max(most, e.second);
    return (long)v.size() - most;
}
// With VEK_SHOT_DIR set, the screenshot as a PPM file there, to look at.
void Keep(const Screenshot &s, const char *name)
{
    const char *dir = std::getenv("VEK_SHOT_DIR");
    if (!dir) return;
    std::string ppm = "P6\n" + std::to_string(s.w) + " " + std::to_string(s.h) + "\n255\n";
    for (ULONG p : s.rgb) ppm += {(char)(p >> 16), (char)(p >> 8), (char)p};
    WriteBytes(std::string(dir) + "/" + name + ".ppm", Bytes(ppm.begin(), ppm.end()));
}

size_t Colours(const std::vector<ULONG> &v)
{
    std::map<ULONG, int> n;
    for (ULONG p : v) ++n[p];
    return n.size();
}

class RealmXvfb : public ::testing::Test {
protected:
    // Runs the screen in a child; check(probe, shot) looks at each probe's
    // screenshot and says whether it shows what it should (retried a few
    // times while the X server catches up).
    void Run(LONG (*screen)(), void (*script)(), int probes,
             const std::function<bool(int, const Screenshot &)> &check)
    {
        const std::string xvfb = FindProgram("Xvfb"), xwd = FindProgram("xwd");
        if (xvfb.empty() || xwd.empty()) GTEST_SKIP() << "Xvfb or xwd is not installed";
        ScratchDir dir;
        CopyDemoGameFiles(dir.path() + "/x11");
        Xvfb server(xvfb, kW, kH);
        if (server.Display().empty()) GTEST_SKIP() << "Xvfb did not start";
        signal(SIGPIPE, SIG_IGN);
        int ready[2], go[2];
        ASSERT_EQ(pipe(ready), 0);
        ASSERT_EQ(pipe(go), 0);
        std::fflush(stdout);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(ready[0]);
            close(go[1]);
            readyFd = ready[1], goFd = go[0];
            Child(dir.path() + "/x11", server.Display(), screen, script);
        }
        close(ready[1]);
        close(go[0]);
        for (int p = 0; p < probes; ++p) {
            SCOPED_TRACE(p);
            if (ReadLine(ready[0], 60000) != "ready") {
                ADD_FAILURE() << "the screen never reached probe " << p;
                break;
            }
            bool seen = false;
            for (int attempt = 0; attempt < 30 * SlowFactor() && !seen; ++attempt) {
                if (attempt) usleep(100000);
                const RunResult r =
                    RunProgram(xwd, {"-root", "-silent", "-display", server.Display(), "-out", "root.xwd"}, ".", 20);
                Screenshot shot;
                if (r.status != 0 || !ParseXwd(ReadBytes("root.xwd"), &shot) || shot.w != (ULONG)kW ||
                    shot.h != (ULONG)kH)
                    continue;
                seen = check(p, shot);
            }
            EXPECT_TRUE(seen);
            if (write(go[1], "g", 1) != 1) ADD_FAILURE() << "client gone";
        }
        close(ready[0]);
        close(go[1]);
        EXPECT_EQ(Wait(child), 0) << "the screen ends with " << expectedNext << " after its script";
        expectedNext = 2;
    }
};

TEST_F(RealmXvfb, ReportInItsBox)
{
    Run(
        BerichteScreen,
        [] {
            Click("Berichte.dat", "BU00");
            Probe();
            Click("Berichte.dat", "EXIT");
        },
        1, [](int, const Screenshot &s) { return Ink(Pixels(s, {258, 83, 292, 257})) > 1500; });
}

TEST_F(RealmXvfb, LetterWithItsMapAndTheDetailView)
{
    Run(
        NachrichtenScreen,
        [] {
            Click("Nachrichten.dat", "BU02");
            Click("Nachrichten.dat", "FORW");
            Probe();
            Click("Nachrichten.dat", "AUGE");
            for (int i = 0; i < 120; ++i) PushTick();
            Probe();
            PushEscape();
            Click("Nachrichten.dat", "EXIT");
        },
        2, [](int p, const Screenshot &s) {
            if (p == 0)
                return Ink(Pixels(s, {290, 60, 310, 340})) > 1000 && Colours(Pixels(s, {102, 238, 160, 168})) > 20;
            return Ink(Pixels(s, {200, 400, 240, 40})) > 500;  // the outcome box
        });
}

TEST_F(RealmXvfb, CurveAndLegendOverTheGraph)
{
    static std::vector<ULONG> before;
    before.clear();
    Run(
        StatistikScreen,
        [] {
            Probe();
            PushClick(100, 66);
            PushClick(400, 66);
            Click("Statistik.dat", "OK01");
            Probe();
            Click("Statistik.dat", "INFB");
            Probe();
            Click("StatistikLegende.dat", "EXIT");
        },
        3, [](int p, const Screenshot &s) {
            const std::vector<ULONG> graph = Pixels(s, {40, 220, 560, 200});
            if (p == 0) {
                before = graph;
                return true;
            }
            long changed = 0;
            for (size_t i = 0; i < graph.size() && i < before.size(); ++i) changed += graph[i] != before[i];
            return p == 1 ? changed > 60 : changed > 20000;  // a curve; then the legend over it
        });
}

// The research requester over the fountain, the gods with a chosen symbol,
// the specialists with a values panel.
TEST_F(RealmXvfb, ResearchRequester)
{
    Run(
        ForschungScreen,
        [] {
            const auto c = GadgetCentres("./Data/screendat/Forschung.dat");
            const auto it = c.find(std::string(3, '\0') + '\1');
            if (it == c.end()) _exit(8);
            PushClick(it->second.first, it->second.second);
            Probe();
            Click("ForschungReq.dat", "EXIT");
            Click("Forschung.dat", "EXIT");
        },
        1, [](int, const Screenshot &s) {
            Keep(s, "research");
            // The field picture and the advisers' text.
            return Ink(Pixels(s, {80, 114, 195, 155})) > 300 && Ink(Pixels(s, {296, 114, 240, 156})) > 300;
        });
}

TEST_F(RealmXvfb, GodWithChosenSymbol)
{
    expectedNext = 42;
    Run(
        GoetterScreen,
        [] {
            Click("Goetter.dat", "GOE3");
            Probe();
            Click("Goetter.dat", "EXIT");
        },
        1, [](int, const Screenshot &s) {
            Keep(s, "gods");
            return Ink(Pixels(s, {258, 60, 64, 64})) > 100 && Ink(Pixels(s, {420, 60, 168, 160})) > 300;
        });
}

TEST_F(RealmXvfb, SpecialistWithValues)
{
    Run(
        SpezialistenScreen,
        [] {
            PushClick(60, 84);  // the first free specialist
            Probe();
            Click("Spezialisten.dat", "EXIT");
        },
        1, [](int, const Screenshot &s) {
            Keep(s, "specialists");
            return Ink(Pixels(s, {40, 80, 260, 40})) > 300 && Ink(Pixels(s, {40, 290, 64, 64})) > 100;
        });
}

// The market with another ruler's offer chosen: the line highlighted, the
// bid heading beside its values and the ware's picture at the top left.
TEST_F(RealmXvfb, MarketWithAChosenOfferAndItsWare)
{
    expectedNext = 39;
    Run(
        HandelsScreen,
        [] {
            PlayerInfo.AktStadtID = 0;
            ListHeader *l = CreateList(LISTE_WAREN);
            void *c = LoadChunk2Mem(ID_WARE, WAREN_FILE);
            if (!c || !ScanWare2List(l, (st_WARE *)c)) _exit(9);
            FreeVec(c);
            for (ULONG typ : {10u, 23u}) {
                auto *n = (WareListEntry *)AllocVec(l->TypSize, MEMF_CLEAR);
                n->Ware.Info = WARE_INFO_FREMD, n->Ware.Herkunft = 8, n->Ware.WarenTyp = typ;
                n->Ware.WarenAnzahl = 30, n->Ware.Preis = 12;
                InsertNode(l, &n->Node, LIST_LAST, 0);
            }
            st_WARE *w = MakeWareChunkFromList(l);
            if (!w || !SaveChunk2File(WAREN_FILE, w)) _exit(9);
            FreeVec(w);
            DeleteList(l, 1);
            PushClick(275, 48 + 6);  // the first offer
            Probe();
            Click("Handel.dat", "EXIT");
        },
        1, [](int, const Screenshot &s) {
            // The ware's picture is drawn over the cleared area; the chosen line
            // stands out of its list in the highlight's colours.
            return Ink(Pixels(s, {16, 16, 160, 120})) > 100 && Ink(Pixels(s, {271, 48, 319, 12})) > 100 &&
                   Ink(Pixels(s, {271, 229, 160, 15})) > 100;
        });
}

}  // namespace
