// The slide show: 24 full-screen pictures of the game, each optionally
// followed by its caption in a text box; a mouse press goes on, Escape ends.
#include <cstdio>

#include "frontend/frontend.h"
#include "gfx/screen.h"
#include "platform/strings.h"
#include "ui/dialogs.h"
#include "ui/input.h"

namespace {

struct Slide {
    ULONG Picture;
    const LocStr *Caption;
};

const Slide kSlides[] = {
    {1266, &_VEK_DEMO_SLIDETEXT1},  {337, &_VEK_DEMO_SLIDETEXT2},   {338, &_VEK_DEMO_SLIDETEXT3},
    {339, &_VEK_DEMO_SLIDETEXT4},   {324, &_VEK_DEMO_SLIDETEXT5},   {1267, &_VEK_DEMO_SLIDETEXT6},
    {1268, &_VEK_DEMO_SLIDETEXT7},  {1269, &_VEK_DEMO_SLIDETEXT8},  {1270, &_VEK_DEMO_SLIDETEXT9},
    {35, &_VEK_DEMO_SLIDETEXT12},   {334, &_VEK_DEMO_SLIDETEXT13},  {335, &_VEK_DEMO_SLIDETEXT14},
    {336, &_VEK_DEMO_SLIDETEXT15},  {1271, &_VEK_DEMO_SLIDETEXT16}, {1272, &_VEK_DEMO_SLIDETEXT17},
    {1273, &_VEK_DEMO_SLIDETEXT20}, {1274, &_VEK_DEMO_SLIDETEXT21}, {1275, &_VEK_DEMO_SLIDETEXT22},
    {333, &_VEK_DEMO_SLIDETEXT23},  {152, &_VEK_DEMO_SLIDETEXT25},  {329, &_VEK_DEMO_SLIDETEXT26},
    {331, &_VEK_DEMO_SLIDETEXT27},  {332, &_VEK_DEMO_SLIDETEXT28},  {2, &_VEK_DEMO_SLIDETEXT29},
};
static_assert(sizeof(kSlides) / sizeof(kSlides[0]) == 24);

// Waits for a mouse-button press (true) or Escape (false). Moving with a
// button held reports the press again; only a press after a release counts.
struct PressWaiter {
    bool Held = false;
    bool Wait()
    {
        for (;;) {
            const ULONG code = GetKey(GETKEY_TICKS);
            if (code == KEY_ESCAPE) return false;
            if (code == EVENT_LEFTUP || code == EVENT_RIGHTUP) Held = false;
            if ((code == EVENT_LEFTDOWN || code == EVENT_RIGHTDOWN) && !Held) {
                Held = true;
                return true;
            }
        }
    }
};

}  // namespace

int SlideShow(int WantText)
{
    std::printf("Routine: SlideShow\n");
    PressWaiter press;
    for (const Slide &s : kSlides) {
        if (OpenKavorPic("./Data/Path", s.Picture, 0) < 0) {
            std::printf("SlideShow: Konnte Grafik Nr.: %d nicht \xF6" "ffnen!\n", (int)s.Picture);
            continue;
        }
        bool go = press.Wait();
        if (go && WantText) {
            TextBox(GetString(s.Caption));
            press.Held = false;  // the box took the release
            go = press.Wait();
        }
        CloseKavorPic(s.Picture, 1);
        if (!go) break;
    }
    return 0;
}
