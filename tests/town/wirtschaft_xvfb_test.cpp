// The granary requester, the land tax scale and the luxury screen's raw
// source view on a real X display at 1024 x 768 x 32 with the demo set: the
// root window (xwd) shows each drawn while the screen waits. VEK_SHOT_DIR,
// when set, keeps the screenshots there. Skipped without Xvfb or xwd.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <functional>
#include <set>

#include "common/scriptinput.h"
#include "common/testutil.h"
#include "common/xvfb.h"
#include "gfx/palette.h"
#include "platform/system.h"
#include "town/town.h"
#include "ui/gadgets.h"

using namespace vektest;

namespace {

constexpr int kW = 1024, kH = 768;

struct Fall {
    const char *name;
    LONG (*screen)();
    LONG next;
    // Clicks that bring up what is looked at, and those that leave.
    std::function<void()> hin, weg;
    LONG x0, y0, x1, y1;  // the part of the game area looked at
    size_t farben;        // at least this many colours there
};

std::pair<LONG, LONG> At(const char *file, const char *code)
{
    const auto g = GadgetCentres(file);
    return g.count(code) ? g.at(code) : std::pair<LONG, LONG>{0, 0};
}
void Klick(const char *file, const char *code)
{
    const auto p = At(file, code);
    PushClick(p.first, p.second);
}

int Kind(const Fall &f)
{
    if (!SetUpDisplay(kW, kH, 32)) return 2;
    PlayerInfo.AktStadtID = 0;
    // The probe after the clicks that bring the view up holds the screen
    // while the parent looks: by then the screen has taken those clicks and
    // waits for input again.
    WatchProbes();
    f.hin();
    Probe();
    f.weg();
    return f.screen() == f.next ? 0 : 3;
}

size_t Farben(const Screenshot &s, const Fall &f)
{
    const LONG dx = (kW - 640) / 2, dy = (kH - 480) / 2 - 30;
    std::set<ULONG> n;
    for (LONG y = f.y0; y <= f.y1; ++y)
        for (LONG x = f.x0; x <= f.x1; ++x) n.insert(s.At((ULONG)(x + dx), (ULONG)(y + dy)));
    return n.size();
}

const char *kKorn = "./Data/screendat/KornLager.dat", *kKornReq = "./Data/screendat/KornLagerReq.dat";
const char *kSteuern = "./Data/screendat/Steuern.dat", *kReq4 = "./Data/screendat/SteuernReq4.dat";
const char *kLuxus = "./Data/screendat/Luxus.dat";

const Fall kFaelle[] = {
    {"kornlager", KornlagerScreen, 39,
     [] {
         PushClick(320, 245);
         Klick(kKornReq, "UP00");
     },
     [] {
         Klick(kKornReq, "EXIT");
         Klick(kKorn, "EXIT");
     },
     66, 68, 581, 457, 8},
    {"grundsteuer", SteuernScreen, 2,
     [] {
         Klick(kSteuern, "GRUN");
         PushClick(316, 225);
     },
     [] {
         Klick(kReq4, "EXIT");
         Klick(kSteuern, "EXIT");
     },
     168, 180, 471, 298, 4},
    {"luxus", LuxusScreen, 39,
     [] {
         Klick(kLuxus, "SX00");
         PushClick(300, 66);
     },
     [] { Klick(kLuxus, "EXIT"); }, 180, 60, 600, 420, 6},
};

class WirtschaftXvfb : public ::testing::TestWithParam<Fall> {};

TEST_P(WirtschaftXvfb, DrawnOnARealDisplay)
{
    const Fall &f = GetParam();
    XvfbClient xvfb(kW, kH);
    if (!xvfb.Missing().empty()) GTEST_SKIP() << xvfb.Missing();
    ASSERT_TRUE(xvfb.StartOnDemo([&f] { return Kind(f); }));
    const bool shown = xvfb.WaitReady();
    Screenshot shot;
    // The X server and the screen may lag behind "ready" (a loaded or an
    // emulated run): look until the picture is there, within a bound that
    // grows with the build's pace.
    const bool ok = shown && xvfb.ShotUntil(
                                 &shot, [&](const Screenshot &s) { return Farben(s, f) >= f.farben; },
                                 std::string("the ") + f.name + " screen on the display", 30);
    KeepFile("VEK_SHOT_DIR", std::string(f.name) + ".xwd", "root.xwd");
    KeepFile("VEK_SHOT_DIR", std::string(f.name) + ".log", xvfb.Work() + "/client.log");
    if (!xvfb.Go()) ADD_FAILURE() << "client gone";
    EXPECT_EQ(xvfb.Wait(), 0) << "the screen ends by its exit gadget";
    ASSERT_TRUE(shown);
    EXPECT_TRUE(ok) << (shot.w == (ULONG)kW && shot.h == (ULONG)kH ? Farben(shot, f) : 0) << " colours";
}

INSTANTIATE_TEST_SUITE_P(Bilder, WirtschaftXvfb, ::testing::ValuesIn(kFaelle),
                         [](const auto &i) { return std::string(i.param.name); });

}  // namespace
