// Every test program runs headless: SDL's dummy video and audio drivers unless
// the caller chose others.
#include <cstdlib>

namespace {

struct HeadlessSdl {
    HeadlessSdl()
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
    }
} headless;

}  // namespace
