// The diplomat's office on a real X display at 32 bits: the trade page with
// the neighbour and wood chosen (the ware's picture at 464,75 and the stock
// in the status box), and the cancel page with the trade agreement's
// document in its box at 313,127. The screenshots (xwd) are kept as
// diplomat_trade.xwd and diplomat_document.xwd in the directory VEK_SHOT_DIR
// names, when set. Skipped without Xvfb or xwd.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <unistd.h>

#include "common/scriptinput.h"
#include "common/testutil.h"
#include "common/xvfb.h"
#include "gfx/font.h"
#include "gfx/graphics.h"
#include "gfx/screen.h"
#include "military/military.h"
#include "platform/system.h"
#include "ui/gadgets.h"
#include "ui/screendat.h"
#include "world/towns.h"
#include "world/vertrag.h"

using namespace vektest;

namespace {

constexpr int kW = 640, kH = 480;

UWORD gZeile = 12;
int gMoment = 0;

void Klick(const char *datei, const char *code)
{
    auto at = GadgetCentres((std::string("./Data/screendat/") + datei).c_str());
    if (!at.count(code)) _exit(10);
    PushClick(at[code].first, at[code].second);
}

// The advisor's box comes once the page is drawn: the moment to look. The
// box is answered with Cancel at once, so that the screen waits for input
// (and the display is brought up to date) while the picture is taken; the
// next clicks follow when it is taken.
LONG Zeigen(const char *, int)
{
    const int moment = gMoment++;
    std::thread([moment] {
        Ready();
        if (moment == 0) {
            PushEscape();
            Klick("DiplomatieMain.dat", "CH03");
            PushClick(12, 77 + 3 * gZeile + gZeile / 2);  // the trade agreement
            Klick("Diplomatie3.dat", "BU31");             // the question: look
        } else {
            PushEscape();
            PushEscape();
        }
    }).detach();
    return 1;  // Cancel: nothing is cancelled
}

int Zeige()
{
    ::Stadt *t = GetActiveTown(0);
    if (!t) return 8;
    t->GebaeudeAbhaengigkeiten[16].GfxBitfeld |= GFX_THISIMAGEISSET;
    t->GebaeudeAbhaengigkeiten[25].GfxBitfeld |= GFX_THISIMAGEISSET;
    if (!SpeichereStadt(t)) return 9;
    FreeVec(t);
    if (!SetUpDisplay(kW, kH, 32)) return 2;
    PlayerInfo.SpielerID = 7;
    PlayerInfo.AktStadtID = 0;
    VertragMeldungHook = Zeigen;
    if (TextFont *f = OpenDiskFont("Fonts/XHelvetica11.fnt")) {
        gZeile = f->tf_YSize;
        CloseFont(f);
    }
    Klick("DiplomatieMain.dat", "CH01");
    PushClick(12, 77 + 2 * gZeile + gZeile / 2);   // Nachbar
    PushClick(315, 77 + 1 * gZeile + gZeile / 2);  // wood
    Klick("Diplomatie1.dat", "BU22");              // the advertisement's box: look
    return DiplomatScreen() == 2 ? 0 : 3;
}

// Pixels in a box that differ from its top left corner.
long Anders(const Screenshot &s, ULONG x0, ULONG y0, ULONG x1, ULONG y1)
{
    long n = 0;
    for (ULONG y = y0; y < y1; ++y)
        for (ULONG x = x0; x < x1; ++x) n += s.At(x, y) != s.At(x0, y0);
    return n;
}

}  // namespace

TEST(DiplomatXvfb, TradePageWithAWareAndADocument)
{
    XvfbClient xvfb(kW, kH);
    if (!xvfb.Missing().empty()) GTEST_SKIP() << xvfb.Missing();
    ASSERT_TRUE(xvfb.StartOnDemo(Zeige));
    const char *namen[2] = {"diplomat_trade.xwd", "diplomat_document.xwd"};
    Screenshot shots[2];
    bool gesehen[2] = {false, false};
    // The display is brought up to date while the screen waits for input: a
    // few looks allow for the client's and the X server's pace.
    auto fertig = [](int k, const Screenshot &s) {
        return k == 0 ? Anders(s, 464, 45, 624, 165) > 2000 && Anders(s, 8, 47, 280, 90) > 100
                      : Anders(s, 313, 97, 541, 331) > 500;
    };
    for (int k = 0; k < 2; ++k) {
        if (!xvfb.WaitReady()) break;
        gesehen[k] = xvfb.ShotUntil(
            &shots[k], [&](const Screenshot &s) { return fertig(k, s); }, namen[k], 10, namen[k]);
        KeepFile("VEK_SHOT_DIR", namen[k], namen[k]);
        if (!xvfb.Go()) break;
    }
    EXPECT_EQ(xvfb.Wait(), 0) << "the screen ends by escape towards the residence";
    KeepFile("VEK_SHOT_DIR", "diplomat.log", xvfb.Work() + "/client.log");
    // At 32 bits a 640 x 480 display shows the game area 30 rows higher.
    EXPECT_TRUE(gesehen[0]) << "the trade page with the ware's picture at 464,75 and the player lines";
    EXPECT_TRUE(gesehen[1]) << "the trade agreement's document in its box at 313,127";
}
