// The barracks on a real X display at 1024 x 768 x 32 with the demo set:
// the root window (xwd) while the screen shows the advisor's refusal of the
// artillery (the screen alone), while the management requester shows its
// help, and while the weapons requester shows its help with a weapon picked.
// VEK_SHOT_DIR, when set, keeps the screenshots there. Skipped without Xvfb
// or xwd.
#include <gtest/gtest.h>

#include <map>
#include <unistd.h>

#include "common/scriptinput.h"
#include "common/testutil.h"
#include "common/xvfb.h"
#include "military/kaserne.h"
#include "military/military.h"
#include "platform/system.h"
#include "ui/gadgets.h"

using namespace vektest;

namespace {

constexpr int kW = 1024, kH = 768;
std::map<std::string, std::pair<LONG, LONG>> screenAt, req1At, req3At;
int texte = 0;

void Click(const std::map<std::string, std::pair<LONG, LONG>> &g, const char *code)
{
    auto it = g.find(code);
    if (it == g.end()) _exit(8);
    PushClick(it->second.first, it->second.second);
}

void Refused(const char *)
{
    PresentDrawn();
    Ready();
    Click(screenAt, "INFA");
    PushClick(150, 104);   // the guard
    Click(req1At, "INF1");
}

LONG Help(const char *)
{
    PresentDrawn();
    Ready();
    if (++texte == 1) {
        Click(req1At, "EXIT");
        Click(screenAt, "SCHM");
        PushClick(150, 104);   // the first weapon
        PushClick(400, 117);   // the guard's part
        Click(req3At, "INF3");
    } else {
        Click(req3At, "EXIT");
        PushEscape();
    }
    return 1;
}

int Kaserne()
{
    if (!SetUpDisplay(kW, kH, 32)) return 2;
    PlayerInfo.AktStadtID = 0;
    PlayerInfo.SpielerID = 7;
    KaserneDialogHooks.Message = Refused;
    KaserneDialogHooks.Text = Help;
    screenAt = GadgetCentres("./Data/screendat/Kaserne.dat");
    req1At = GadgetCentres("./Data/screendat/KaserneReq1.dat");
    req3At = GadgetCentres("./Data/screendat/KaserneReq3.dat");
    Click(screenAt, "ARTI");
    return KaserneScreen() == 39 ? 0 : 3;
}

// A requester's list over the screen: one background colour covering much
// of it, with text on it.
bool ListeMitText(const std::map<ULONG, long> &liste, long *most)
{
    *most = 0;
    for (const auto &[farbe, n] : liste) *most = std::max(*most, n);
    return *most > 214L * 150 / 3 && liste.size() > 1;
}

}  // namespace

TEST(KaserneXvfb, ScreenAndRequesters)
{
    XvfbClient xvfb(kW, kH);
    if (!xvfb.Missing().empty()) GTEST_SKIP() << xvfb.Missing();
    ASSERT_TRUE(xvfb.StartOnDemo(Kaserne));
    const char *const namen[3] = {"kaserne", "kaserne_verwaltung", "kaserne_waffen"};
    std::vector<Screenshot> shots(3);
    // The screen's picture fills the game area; a requester's lists lie over
    // it. The display may lag behind "ready": the screen draws nothing more
    // while it waits, so look until the picture holds still and shows that.
    auto fertig = [](int i, const Screenshot &s) {
        long most;
        return i == 0 ? ColoursInGameArea(s, 0, 0, 639, 479).size() > 4 : ListeMitText(ColoursInGameArea(s, 76, 100, 290, 250), &most);
    };
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(namen[i]);
        ASSERT_TRUE(xvfb.WaitReady());
        EXPECT_TRUE(xvfb.SteadyShotUntil(
            &shots[(size_t)i], [&](const Screenshot &s) { return fertig(i, s); }, namen[i]));
        KeepFile("VEK_SHOT_DIR", std::string(namen[i]) + ".xwd", "root.xwd");
        ASSERT_TRUE(xvfb.Go());
    }
    EXPECT_EQ(xvfb.Wait(), 0) << ReadBytes(xvfb.Work() + "/client.log").size();
    EXPECT_GT(ColoursInGameArea(shots[0], 0, 0, 639, 479).size(), 4u);
    for (int i = 1; i < 3; ++i) {
        const auto liste = ColoursInGameArea(shots[(size_t)i], 76, 100, 290, 250);
        long most = 0;
        ListeMitText(liste, &most);
        EXPECT_GT(most, 214L * 150 / 3) << namen[i] << ": the list's background";
        EXPECT_GT(liste.size(), 1u) << namen[i] << ": text on it";
    }
    EXPECT_NE(ColoursInGameArea(shots[0], 76, 100, 290, 250), ColoursInGameArea(shots[1], 76, 100, 290, 250));
}
