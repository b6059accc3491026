// The map screen reached through the main loop's dispatch, as the residence's
// map button leads there, and left with escape back to where it came from, at
// both depths. Each run gets its own process.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/shareddemo.h"
#include "common/sdlharness.h"
#include "common/testutil.h"
#include "gfx/screen.h"
#include "mainloop.h"
#include "map/kartenscreen.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "world/towns.h"

using namespace vektest;

namespace {

namespace fs = std::filesystem;

int StadtPos(LONG id, ULONG *x, ULONG *y)
{
    Stadt *s = GetActiveTown(id);
    if (!s) return 0;
    *x = s->XPos;
    *y = s->YPos;
    FreeVec(s);
    return 1;
}

// Runs the main loop as main does around it and says on standard error how it went.
void Lauf(int tiefe, int breite, int hoehe)
{
    ScratchDir dir;
    CopyDemoGameFiles(dir.path());
    SdlScreen screen(tiefe, breite, hoehe);
    if (tiefe > 8) DBScreen = SDL_DisplayFormat(SDLViewSurface);
    KartenStadtPosHook = StadtPos;
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_ESCAPE;
    e.key.keysym.unicode = 27;
    SDL_PushEvent(&e);
    StdoutCapture cap;
    if (tiefe > 8) currentScreenID = KartenScreen(1, 0);
    LONG from = 2;
    const LONG ende = RunScreen(3, &from);
    const BOOL gehalten = LDKS->Status;
    if (tiefe > 8) KartenScreen(0, 0);
    const std::string out = cap.Take();
    const bool karte = out.find("Game-Map !\n") != std::string::npos;
    std::fprintf(stderr, "karte=%d ende=%d gehalten=%d status=%d\n", karte, (int)ende, (int)gehalten,
                 (int)LDKS->Status);
    std::exit(0);
}

}  // namespace

TEST(MapReach, DispatchedMapIsLeftWithEscapeAtBothDepths)
{
    // Each run forks a child of its own. The plain death-test style needs no
    // second start of the program, which a cross build under emulation cannot do.
    EXPECT_EXIT(Lauf(8, 640, 480), ::testing::ExitedWithCode(0), "karte=1 ende=2 gehalten=0 status=0");
    EXPECT_EXIT(Lauf(32, 1024, 768), ::testing::ExitedWithCode(0), "karte=1 ende=2 gehalten=1 status=0");
}
