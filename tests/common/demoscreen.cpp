#include "common/demoscreen.h"

#include <SDL/SDL.h>
#include <filesystem>

#include "common/shareddemo.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "ui/gadgets.h"

namespace vektest {

namespace {

void DrainEvents()
{
    SDL_Event ev;
    while (SDL_PollEvent(&ev)) {
    }
}

}  // namespace

void DemoScreenTest::SetUp()
{
    dir_ = std::make_unique<ScratchDir>();
    std::filesystem::copy(SharedDemoSet(), dir_->path(), std::filesystem::copy_options::recursive);
    screen_ = std::make_unique<SdlScreen>(GetParam());
    ASSERT_TRUE(screen_->Ok());
    UseKavorGadgetPainter();
    FadeDelayHook = [](ULONG) {};
    DrainEvents();
}

void DemoScreenTest::TearDown()
{
    SDL_Event ev;
    EXPECT_EQ(SDL_PollEvent(&ev), 0) << "input was left over";
    DrainEvents();
    FadeDelayHook = nullptr;
    if (TitelScreenPtr) CloseKavorPic(0, 0);
    screen_.reset();
    dir_.reset();
}

}  // namespace vektest
