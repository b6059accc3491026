// The tavern on a real X display at 1024 x 768 x 32: the root window's
// screenshot (xwd) shows the barroom, the letter window with its list, the
// reader over a letter, and the rune board after a scored row. The screen
// runs in a child on a copy of the demo set; at each probe (a click at 1, 1)
// it waits while the parent looks. The shots are kept in VEK_SHOT_DIR when
// it is set. Skipped without Xvfb or xwd.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <unistd.h>

#include "common/scriptinput.h"
#include "common/testutil.h"
#include "common/xvfb.h"
#include "net/gamemail.h"
#include "online/online.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "realm/realm.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "world/runestone.h"

using namespace vektest;

namespace {

constexpr int kW = 1024, kH = 768;
constexpr LONG kGameX = (kW - 640) / 2, kGameY = (kH - 480) / 2 - 30;

void Click(const char *file, const char *code)
{
    const auto c = GadgetCentres((std::string("./Data/screendat/") + file).c_str());
    const auto it = c.find(code);
    if (it == c.end()) _exit(8);
    PushClick(it->second.first, it->second.second);
}

LONG Nein(const char *, int mode) { return mode ? 1 : 0; }
ULONG Feste(ULONG) { static const ULONG w[] = {0, 0, 1, 1, 2}; static int i; return w[i++ % 5]; }

int Child()
{
    const bool up = SetUpDisplay(kW, kH, 32, true,
                                 [] { UserSystem.OP.TCPIP_Flags &= (UBYTE)~TRANSPORT_GAMESERVER; });
    if (!up) return 2;
    RuneFrageHook = Nein;
    RuneWuerfelHook = Feste;
    WatchProbes();
    ScriptFeeder feed;
    Probe();  // the barroom
    Click("Taverne.dat", "CHAT");
    PushClick(300, 254);  // "Mail-Editor"
    Probe();  // the list
    Click("TaverneOffchatReq.dat", "B000");
    Probe();  // the reader
    Click("TaverneOffchatReq.dat", "B003");
    Click("TaverneOffchatReq.dat", "EXIT");
    Click("Taverne.dat", "WUER");
    for (const char *r : {"RUN1", "RUN2", "RUN1", "RUN2", "RUN4"}) Click("RuneStone.dat", r);
    Click("RuneStone.dat", "RUN5");
    Probe();  // a scored row, a rune in the next
    Click("RuneStone.dat", "EXIT");
    Click("Taverne.dat", "EXIT");
    feed.Start();
    const WORD next = TaverneScreen();
    return next == 39 ? 0 : 3;
}

// Pixels of a game area that differ from its most common colour.
long Ink(const Screenshot &s, LONG x, LONG y, LONG w, LONG h)
{
    std::map<ULONG, long> n;
    for (LONG j = y; j < y + h; ++j)
        for (LONG i = x; i < x + w; ++i) ++n[s.At((ULONG)(i + kGameX), (ULONG)(j + kGameY))];
    long most = 0;
    for (const auto &e : n) most = std::max(most, e.second);
    return w * h - most;
}

TEST(TaverneXvfb, BarroomLettersReaderAndBoard)
{
    XvfbClient xvfb(kW, kH);
    if (!xvfb.Missing().empty()) GTEST_SKIP() << xvfb.Missing();
    ASSERT_TRUE(xvfb.StartOnDemo(Child));
    const char *namen[4] = {"taverne.xwd", "taverne_briefe.xwd", "taverne_lesen.xwd", "taverne_runen.xwd"};
    static Screenshot vorher;
    auto fertig = [](int k, const Screenshot &s) {
        switch (k) {
        case 0: return Ink(s, 0, 0, 640, 480) > 20000;
        case 1:
        case 2: return Ink(s, 66, 68, 516, 390) > 3000;
        default: return Ink(s, 174, 40, 306, 420) > 3000;
        }
    };
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(namen[k]);
        if (!xvfb.WaitReady()) {
            ADD_FAILURE() << "the screen never reached this probe";
            break;
        }
        Screenshot shot;
        const bool gesehen = xvfb.ShotUntil(
            &shot,
            [&](const Screenshot &s) {
                if (!fertig(k, s)) return false;
                // The reader differs from the list it covers.
                if (k == 1) vorher = s;
                if (k != 2) return true;
                long anders = 0;
                for (size_t i = 0; i < s.rgb.size(); ++i) anders += s.rgb[i] != vorher.rgb[i];
                return anders > 500;
            },
            namen[k], 10, namen[k]);
        EXPECT_TRUE(gesehen);
        KeepFile("VEK_SHOT_DIR", namen[k], namen[k]);
        if (!xvfb.Go()) ADD_FAILURE() << "client gone";
    }
    EXPECT_EQ(xvfb.Wait(60), 0) << "the tavern ends towards the town after its script";
    KeepFile("VEK_SHOT_DIR", "taverne.log", xvfb.Work() + "/client.log");
}

}  // namespace
