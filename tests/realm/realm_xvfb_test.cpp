// The reading screens on a real X display at 1024 x 768 x 32: the root
// window's screenshot (xwd) shows a report in its box, a battle letter with
// the map view beside it, the detail view's outcome, and a curve and the
// legend over the statistics graph. The screen runs in a child on a copy of
// the demo set; at each probe (a click at 1, 1) it waits while the parent
// looks. Skipped without Xvfb or xwd.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "common/scriptinput.h"
#include "common/testutil.h"
#include "common/xvfb.h"
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
LONG expectedNext = 2;  // what the screen returns after its script

void Click(const char *file, const char *code)
{
    const auto c = GadgetCentres((std::string("./Data/screendat/") + file).c_str());
    const auto it = c.find(code);
    if (it == c.end()) _exit(8);
    PushClick(it->second.first, it->second.second);
}

int Child(LONG (*screen)(), void (*script)())
{
    if (!SetUpDisplay(kW, kH, 32)) return 2;
    ULONG id = 0;
    CheckPrefsRead(9, &id);
    PlayerInfo.SpielerID = id;
    if (char *name = CheckPrefsReadText(10)) {
        std::snprintf(PlayerInfo.Spielname, sizeof PlayerInfo.Spielname, "%s", name);
        FreeVec(name);
    }
    WatchProbes();
    ScriptFeeder feed;
    script();
    feed.Start();
    const LONG next = screen();
    return next == expectedNext ? 0 : 3;
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
        XvfbClient xvfb(kW, kH);
        if (!xvfb.Missing().empty()) GTEST_SKIP() << xvfb.Missing();
        ASSERT_TRUE(xvfb.StartOnDemo([screen, script] { return Child(screen, script); }));
        for (int p = 0; p < probes; ++p) {
            SCOPED_TRACE(p);
            if (!xvfb.WaitReady()) {
                ADD_FAILURE() << "the screen never reached probe " << p;
                break;
            }
            Screenshot shot;
            EXPECT_TRUE(xvfb.ShotUntil(
                &shot, [&](const Screenshot &s) { return check(p, s); }, "probe " + std::to_string(p)));
            if (!xvfb.Go()) ADD_FAILURE() << "client gone";
        }
        EXPECT_EQ(xvfb.Wait(60), 0) << "the screen ends with " << expectedNext << " after its script";
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
            KeepPpm("VEK_SHOT_DIR", "research.ppm", s);
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
            KeepPpm("VEK_SHOT_DIR", "gods.ppm", s);
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
            KeepPpm("VEK_SHOT_DIR", "specialists.ppm", s);
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
