// The caravan requester on the demo set: centred on the screen, closed by its
// buttons or escape, the screen under it given back as it was.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "common/demoscreen.h"
#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "map/kartenscreen.h"
#include "platform/system.h"
#include "ui/screendat.h"

using namespace vektest;

namespace {

class Karawane : public DemoScreenTest {
protected:
    std::vector<ULONG> Pixel()
    {
        std::vector<ULONG> p;
        for (LONG y = 0; y < 480; y += 3)
            for (LONG x = 0; x < 640; x += 3) p.push_back(PixelAt(screen_->ViewBitMap(), x, y));
        return p;
    }
    // The screen position of a gadget of the requester, centred as it opens.
    std::pair<LONG, LONG> Mitte(ULONG code)
    {
        ScreenRegion *r = GetScreenRegion("./Data/screendat/KarawaneReq.dat", 530);
        EXPECT_NE(r, nullptr);
        std::pair<LONG, LONG> p{-1, -1};
        if (!r) return p;
        const LONG x = (VekDisplay.VekScreen_Breite - r->Rechteck[0].X1) / 2;
        const LONG y = (VekDisplay.VekScreen_Hoehe - r->Rechteck[0].Y1) / 2;
        for (ULONG i = 0; i < r->CountGadgetData; ++i)
            if (r->GadgetData[i].ReturnID == code)
                p = {x + (r->GadgetData[i].X0 + r->GadgetData[i].X1) / 2, y + (r->GadgetData[i].Y0 + r->GadgetData[i].Y1) / 2};
        ClearScreenRegion(r);
        return p;
    }
};

TEST_P(Karawane, ButtonsAndEscapeCloseItAndGiveTheScreenBack)
{
    for (ULONG code : {MakeGadgetID("OKOK"), MakeGadgetID("LEFT"), MakeGadgetID("SLID")}) {
        const std::vector<ULONG> vorher = Pixel();
        const auto [x, y] = Mitte(code);
        ASSERT_GE(x, 0) << code;
        PushKey('q', 'q');  // typed keys are ignored
        PushClick(x, y);
        EXPECT_EQ(KarawaneReq(), 1) << code;
        EXPECT_EQ(Pixel(), vorher) << code;
    }
    PushEscape();
    EXPECT_EQ(KarawaneReq(), 1);
}

TEST_P(Karawane, WithoutItsDescriptionItDoesNotOpen)
{
    std::remove("./Data/screendat/KarawaneReq.dat");
    const std::vector<ULONG> vorher = Pixel();
    EXPECT_EQ(KarawaneReq(), 0);
    EXPECT_EQ(Pixel(), vorher);
}

INSTANTIATE_TEST_SUITE_P(Tiefen, Karawane, ::testing::Values(8, 32));

}  // namespace
