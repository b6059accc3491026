// The harbour on a real X display at 1024 x 768 x 32 with the demo set: the
// root window (xwd) shows the ships in port while the advisor is asked, then
// the repair dialog with Seestern's values. VEK_SHOT_DIR, when set, keeps the
// screenshots there. Skipped without Xvfb or xwd.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <map>
#include <thread>
#include <unistd.h>

#include "common/scriptinput.h"
#include "common/testutil.h"
#include "common/xvfb.h"
#include "military/hafenscreen.h"
#include "military/military.h"
#include "platform/system.h"
#include "ui/gadgets.h"
#include "ui/screendat.h"

using namespace vektest;

namespace {

constexpr int kW = 1024, kH = 768;
std::thread watcher;
std::map<std::string, std::pair<LONG, LONG>> screen, rep;
std::pair<LONG, LONG> repLine;

// Tells the parent the screen is up, waits for its look, then goes on.
void Zeige(void (*weiter)())
{
    if (watcher.joinable()) watcher.join();
    watcher = std::thread([weiter] {
        Ready();
        weiter();
    });
}

void Click(const std::map<std::string, std::pair<LONG, LONG>> &g, const char *code)
{
    if (g.count(code)) PushClick(g.at(code).first, g.at(code).second);
}

int Hafen()
{
    if (!SetUpDisplay(kW, kH, 32)) return 2;
    PlayerInfo.AktStadtID = 0;
    PlayerInfo.SpielerID = 7;
    screen = GadgetCentres("./Data/screendat/Hafen.dat");
    rep = GadgetCentres("./Data/screendat/HafenSchiffsRepReq.dat");
    if (ScreenRegion *r = GetScreenRegion("./Data/screendat/HafenSchiffsRepReq.dat", 519)) {
        for (ULONG i = 0; i < r->CountGadgetData; ++i)
            if (r->GadgetData[i].ReturnID == MakeGadgetID("B100"))
                repLine = {rep["B100"].first, rep["B100"].second - (r->GadgetData[i].Y1 - r->GadgetData[i].Y0) / 2 + 4};
        ClearScreenRegion(r);
    }
    // Advisor asked: the harbour is shown; then the repair dialog with one point.
    HafenDialogHooks.Message = [](const char *) {
        Zeige([] {
            Click(screen, "REPA");
            PushClick(repLine.first, repLine.second);
            Click(rep, "R100");
            Click(rep, "INFO");
        });
    };
    HafenDialogHooks.Text = [](const char *) {
        Zeige([] {
            Click(rep, "EXIT");
            Click(screen, "STAD");
        });
    };
    Click(screen, "KONT");
    const LONG next = HafenScreen();
    if (watcher.joinable()) watcher.join();
    return next == 39 ? 0 : 3;
}

}  // namespace

TEST(HafenXvfb, ShipsInPortAndTheRepairDialog)
{
    XvfbClient xvfb(kW, kH);
    if (!xvfb.Missing().empty()) GTEST_SKIP() << xvfb.Missing();
    ASSERT_TRUE(xvfb.StartOnDemo(Hafen));
    // The harbour: the ships-in-port picture fills the corner.
    Screenshot hafen;
    const bool shown1 = xvfb.WaitReady();
    const bool ok1 = shown1 && xvfb.ShotUntil(
                                   &hafen, [](const Screenshot &s) { return ColoursInGameArea(s, 88, 97, 369, 274).size() > 3; },
                                   "the ships in port");
    KeepFile("VEK_SHOT_DIR", "hafen.xwd", "root.xwd");
    if (shown1 && !xvfb.Go()) ADD_FAILURE() << "client gone";
    // The repair dialog with its value boxes filled.
    Screenshot reparatur;
    const bool shown2 = shown1 && xvfb.WaitReady();
    const auto hafenMitte = ColoursInGameArea(hafen, 120, 90, 519, 389);
    const bool ok2 = shown2 && xvfb.ShotUntil(
                                   &reparatur,
                                   [&](const Screenshot &s) {
                                       const auto mitte = ColoursInGameArea(s, 120, 90, 519, 389);
                                       return mitte.size() > 3 && mitte != hafenMitte;
                                   },
                                   "the repair dialog over the harbour");
    KeepFile("VEK_SHOT_DIR", "hafen_reparatur.xwd", "root.xwd");
    KeepFile("VEK_SHOT_DIR", "client.log", xvfb.Work() + "/client.log");
    if (shown2 && !xvfb.Go()) ADD_FAILURE() << "client gone";
    EXPECT_EQ(xvfb.Wait(), 0) << "the screen ends by the town gadget";
    ASSERT_TRUE(ok1);
    ASSERT_TRUE(ok2);
    // The harbour and the dialog look different where the dialog lies.
    EXPECT_NE(hafenMitte, ColoursInGameArea(reparatur, 120, 90, 519, 389));
}
