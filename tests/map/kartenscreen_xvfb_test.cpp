// The kept map screen on a real X display: after a visit at 1024 x 768 x 32,
// also one scrolled by keys, the screenshot of the root window (xwd) equals,
// pixel for pixel, what the same run leaves on SDL's dummy display; a
// scrolled view equals a fresh drawing of it. Skipped without Xvfb or xwd.
// With VEK_XVFB_SHOTS set to a folder the screenshots are kept there (PPM).
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "common/shareddemo.h"
#include "common/testutil.h"
#include "common/xvfb.h"
#include "gfx/graphics.h"
#include "map/kartenscreen.h"
#include "map/mapview.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "world/towns.h"

using namespace vektest;

namespace {

constexpr int kW = 1024, kH = 768;

int StadtPos(LONG id, ULONG *x, ULONG *y)
{
    Stadt *s = GetActiveTown(id);
    if (!s) return 0;
    *x = s->XPos;
    *y = s->YPos;
    FreeVec(s);
    return 1;
}

// In a child process: start-up's SDL set-up, the kept map screen and one
// visit left with escape; the display's pixels as 0xRRGGBB into pixels.rgb.
// On the X display it then waits until the parent has its screenshot.
int Zeige(const std::string &tasten)
{
    if (!SetUpDisplay(kW, kH, 32, false)) return 2;
    KartenStadtPosHook = StadtPos;
    if (KartenScreen(1, 0) != 1) return 3;
    SDL_Event e{};
    // The scroll keys, then escape.
    for (char t : tasten) {
        e.type = SDL_KEYDOWN;
        e.key.keysym.sym = (SDLKey)t;
        e.key.keysym.unicode = (Uint16)t;
        SDL_PushEvent(&e);
    }
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_ESCAPE;
    e.key.keysym.unicode = 27;
    SDL_PushEvent(&e);
    if (KartenScreen(2, 1) != 2) return 4;
    // The layer drawn step by step against a fresh drawing of the same view.
    if (VekMapInfo *v = LDKS ? LDKS->VekMapInfoPtr : nullptr) {
        SDL_Surface *l = v->LayerBitmapPtr->Surface;
        Bytes schritt((size_t)l->pitch * l->h);
        std::memcpy(schritt.data(), l->pixels, schritt.size());
        v->QuickUpdate = 0;
        BlitMap(v);
        if (std::memcmp(schritt.data(), l->pixels, schritt.size()) != 0) return 7;
    }
    SaveDisplayRgb("pixels.rgb");
    Ready("", true);
    return 0;
}

void Vergleiche(const std::string &tasten, const char *name)
{
    XvfbClient xvfb(kW, kH);
    if (!xvfb.Missing().empty()) GTEST_SKIP() << xvfb.Missing();
    const std::string attrappe = xvfb.Dir() + "/dummy";
    CopyDemoGameFiles(attrappe);
    ASSERT_EQ(RunChild(attrappe, "", [&] { return Zeige(tasten); }), 0);
    const Bytes soll = ReadBytes(attrappe + "/pixels.rgb");
    ASSERT_EQ(soll.size(), (size_t)kW * kH * 3);
    std::set<ULONG> farben;
    for (size_t i = 0; i < soll.size(); i += 3) farben.insert((ULONG)soll[i] << 16 | (ULONG)soll[i + 1] << 8 | soll[i + 2]);
    ASSERT_GT(farben.size(), 16u) << "the frame, map and backdrop are on the display";

    ASSERT_TRUE(xvfb.StartOnDemo([&] { return Zeige(tasten); }));
    const bool gezeigt = xvfb.WaitReady();
    long falsch = -1;
    Screenshot shot;
    if (gezeigt)
        xvfb.ShotUntil(
            &shot,
            [&](const Screenshot &s) {
                KeepPpm("VEK_XVFB_SHOTS", std::string(name) + ".ppm", s);
                falsch = 0;
                for (int y = 0; y < kH; ++y)
                    for (int x = 0; x < kW; ++x) {
                        const UBYTE *p = &soll[((size_t)y * kW + x) * 3];
                        falsch += s.At(x, y) != ((ULONG)p[0] << 16 | (ULONG)p[1] << 8 | p[2]);
                    }
                return falsch == 0;
            },
            std::string("the map screen as on the dummy display: ") + name);
    if (!xvfb.Go()) ADD_FAILURE() << "client gone";
    EXPECT_EQ(xvfb.Wait(), 0);
    EXPECT_TRUE(gezeigt);
    EXPECT_EQ(falsch, 0);
    EXPECT_EQ(ReadBytes(xvfb.Work() + "/pixels.rgb"), soll) << "both runs leave the same picture";
}

}  // namespace

TEST(KartenScreenXvfb, ScreenshotEqualsTheDummyDisplay) { Vergleiche("", "karte"); }

// Up twice, right, down, left, up: strips in every direction.
TEST(KartenScreenXvfb, ScrolledViewEqualsTheDummyDisplay) { Vergleiche("wwdsaw", "karte_gescrollt"); }
