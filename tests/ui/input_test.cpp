// GetKey fed with SDL events pushed into the queue under the dummy video driver.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "common/testutil.h"
#include "ui/input.h"
#include "gfx/sdlinit.h"
#include "platform/system.h"

using namespace vektest;

namespace {

// Opens the dummy display in the given size; the display record follows it.
class InputTest : public ::testing::Test {
protected:
    void OpenDisplay(int w, int h, int depth)
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER), 0) << SDL_GetError();
        SDLViewSurface = SDL_SetVideoMode(w, h, depth, SDL_SWSURFACE);
        ASSERT_NE(SDLViewSurface, nullptr) << SDL_GetError();
        SDL_EnableUNICODE(1);
        VekDisplay.VekScreen_Breite = (UWORD)w;
        VekDisplay.VekScreen_Hoehe = (UWORD)h;
        VekDisplay.VekScreen_Tiefe = (UWORD)depth;
        VekDisplay.VekScreen = 1;
        Drain();
    }
    void SetUp() override { OpenDisplay(640, 480, 8); }
    void TearDown() override
    {
        UserSystem.OP.ColorCursor = 0;
        GetKeyClickHook = nullptr;
        SDLViewSurface = nullptr;
        SDL_Quit();
    }
    static void Drain()
    {
        SDL_Event ev;
        while (SDL_PollEvent(&ev)) {
        }
    }
    static void Key(SDLKey sym, Uint16 unicode)
    {
        SDL_Event ev{};
        ev.type = SDL_KEYDOWN;
        ev.key.state = SDL_PRESSED;
        ev.key.keysym.sym = sym;
        ev.key.keysym.unicode = unicode;
        ASSERT_EQ(SDL_PushEvent(&ev), 0);
    }
    static void Motion(int x, int y, Uint8 state)
    {
        SDL_Event ev{};
        ev.type = SDL_MOUSEMOTION;
        ev.motion.x = (Uint16)x;
        ev.motion.y = (Uint16)y;
        ev.motion.state = state;
        ASSERT_EQ(SDL_PushEvent(&ev), 0);
    }
    static void Button(Uint8 button, bool down, int x = 0, int y = 0)
    {
        SDL_Event ev{};
        ev.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        ev.button.button = button;
        ev.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        ev.button.x = (Uint16)x;
        ev.button.y = (Uint16)y;
        ASSERT_EQ(SDL_PushEvent(&ev), 0);
    }
    static void User(int code)
    {
        SDL_Event ev{};
        ev.type = SDL_USEREVENT;
        ev.user.code = code;
        ASSERT_EQ(SDL_PushEvent(&ev), 0);
    }
    ScratchDir dir_;
};

struct KeyCase {
    const char *name;
    SDLKey sym;
    Uint16 unicode;
    ULONG code;
    BOOL extended;
};

TEST_F(InputTest, KeysGiveTheirCodesAndSpecialKeysAreMarked)
{
    const KeyCase cases[] = {
        {"letter", SDLK_a, 'a', 'a', 0},
        {"percent typed", SDLK_5, '%', 37, 0},
        {"ampersand typed", SDLK_6, '&', 38, 0},
        {"apostrophe typed", SDLK_QUOTE, '\'', 39, 0},
        {"bracket typed", SDLK_8, '(', 40, 0},
        {"cursor left", SDLK_LEFT, 0, 37, 1},
        {"cursor up", SDLK_UP, 0, 38, 1},
        {"cursor right", SDLK_RIGHT, 0, 39, 1},
        {"cursor down", SDLK_DOWN, 0, 40, 1},
        {"backspace", SDLK_BACKSPACE, 8, 8, 0},
        {"delete", SDLK_DELETE, 127, 302, 1},
        {"insert", SDLK_INSERT, 0, 301, 1},
        {"return", SDLK_RETURN, 13, 13, 0},
        {"tab", SDLK_TAB, 9, 9, 0},
        {"escape", SDLK_ESCAPE, 27, 27, 0},
        {"latin-1 letter", SDLK_WORLD_68, 0xE4, 0xE4, 0},
        {"character 127", SDLK_UNKNOWN, 127, 0, 0},
    };
    for (const KeyCase &c : cases) {
        SCOPED_TRACE(c.name);
        Key(c.sym, c.unicode);
        EXPECT_EQ(GetKey(0), c.code);
        EXPECT_EQ(KeyExtended, c.extended);
    }
}

TEST_F(InputTest, KeysWithoutACharacterAreReportedAndSkipped)
{
    Key(SDLK_F1, 0);
    Key(SDLK_RSHIFT, 0);
    Key(SDLK_UNKNOWN, 0x20AC);  // a character beyond 254
    Key(SDLK_b, 'b');
    StdoutCapture cap;
    EXPECT_EQ(GetKey(0), (ULONG)'b');
    const std::string out = cap.Take();
    EXPECT_NE(out.find("Taste\nGetKey(): name=f1\nunicode=0\nKEINE VERARBEITUNG!\n"), std::string::npos) << out;
    EXPECT_NE(out.find("unicode=20ac\n"), std::string::npos) << out;
}

TEST_F(InputTest, MouseButtonsAndMotion)
{
    int clicks = 0;
    static int *counter;
    counter = &clicks;
    GetKeyClickHook = [] { ++*counter; };
    struct Step {
        const char *name;
        void (*push)();
        ULONG code;
        LONG x, y;
        BOOL leftReleased, rightReleased;
    };
    const Step steps[] = {
        {"move", [] { Motion(10, 20, 0); }, EVENT_MOVE, 10, 20, 1, 1},
        {"left down", [] { Button(SDL_BUTTON_LEFT, true, 10, 20); }, EVENT_LEFTDOWN, 10, 20, 0, 1},
        {"left drag", [] { Motion(11, 21, SDL_BUTTON(SDL_BUTTON_LEFT)); }, EVENT_LEFTDOWN, 11, 21, 0, 1},
        {"left drag again", [] { Motion(12, 22, SDL_BUTTON(SDL_BUTTON_LEFT)); }, EVENT_LEFTDOWN, 12, 22, 0, 1},
        {"left up", [] { Button(SDL_BUTTON_LEFT, false, 12, 22); }, EVENT_LEFTUP, 12, 22, 1, 1},
        {"right down", [] { Button(SDL_BUTTON_RIGHT, true, 12, 22); }, EVENT_RIGHTDOWN, 12, 22, 1, 0},
        {"right drag", [] { Motion(13, 23, SDL_BUTTON(SDL_BUTTON_RIGHT)); }, EVENT_RIGHTDOWN, 13, 23, 1, 0},
        {"right up", [] { Button(SDL_BUTTON_RIGHT, false, 13, 23); }, EVENT_RIGHTUP, 13, 23, 1, 1},
        // Middle button and wheel never read as a left or right press or drag.
        {"middle", [] { Button(SDL_BUTTON_MIDDLE, true, 14, 24), Button(SDL_BUTTON_MIDDLE, false, 14, 24); },
         EVENT_MOVE, 14, 24, 1, 1},
        {"wheel down", [] { Button(SDL_BUTTON_WHEELDOWN, true, 15, 25), Button(SDL_BUTTON_WHEELDOWN, false, 15, 25); },
         EVENT_MOVE, 15, 25, 1, 1},
        {"wheel up", [] { Button(SDL_BUTTON_WHEELUP, true, 16, 26), Button(SDL_BUTTON_WHEELUP, false, 16, 26); },
         EVENT_MOVE, 16, 26, 1, 1},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.name);
        s.push();
        EXPECT_EQ(GetKey(0), s.code);
        EXPECT_EQ(GetMouseX(), s.x);
        EXPECT_EQ(GetMouseY(), s.y);
        EXPECT_EQ(LeftMouseButtonReleased, s.leftReleased);
        EXPECT_EQ(RightMouseButtonReleased, s.rightReleased);
        EXPECT_EQ(GetKey(GETKEY_POLL), KEY_NOEVENT);
    }
    EXPECT_EQ(clicks, 5);  // every press clicks: left, right, middle and both wheel steps
}

struct MapCase {
    int w, h;
    int x, y;
    ULONG code;
    LONG gx, gy;
};

TEST(MapMouseToGame, GameAreaOnLargerDisplays)
{
    const MapCase cases[] = {
        {1024, 768, 193, 115, EVENT_MOVE, 1, 1},     {1024, 768, 830, 593, EVENT_MOVE, 638, 479},
        {1024, 768, 192, 300, KEY_NONE, -1, -1},     {1024, 768, 831, 300, KEY_NONE, -1, -1},
        {1024, 768, 500, 114, KEY_NONE, -1, -1},     {1024, 768, 500, 594, KEY_NONE, -1, -1},
        {800, 600, 81, 31, EVENT_MOVE, 1, 1},        {800, 600, 80, 300, KEY_NONE, -1, -1},
    };
    for (const MapCase &c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " at " + std::to_string(c.x) + "," +
                     std::to_string(c.y));
        VekDisplay.VekScreen_Breite = (UWORD)c.w;
        VekDisplay.VekScreen_Hoehe = (UWORD)c.h;
        LONG gx = 0, gy = 0;
        EXPECT_EQ(MapMouseToGame(c.x, c.y, &gx, &gy), c.code == EVENT_MOVE ? 1 : 0);
        EXPECT_EQ(gx, c.gx);
        EXPECT_EQ(gy, c.gy);
    }
    VekDisplay.VekScreen_Breite = 640;
    VekDisplay.VekScreen_Hoehe = 480;
}

TEST_F(InputTest, ClicksOnALargeDisplayAreMappedIntoTheGameArea)
{
    SDL_Quit();
    OpenDisplay(1024, 768, 16);
    Motion(193, 115, 0);
    EXPECT_EQ(GetKey(0), EVENT_MOVE);
    EXPECT_EQ(GetMouseX(), 1);
    EXPECT_EQ(GetMouseY(), 1);
    Motion(192, 300, SDL_BUTTON(SDL_BUTTON_LEFT));
    EXPECT_EQ(GetKey(0), KEY_NONE);
    EXPECT_EQ(GetMouseX(), -1);
    EXPECT_EQ(GetMouseY(), -1);
    // The map screen uses the whole display.
    VekDisplay.VekScreen = 3;
    Motion(192, 300, 0);
    EXPECT_EQ(GetKey(0), EVENT_MOVE);
    EXPECT_EQ(GetMouseX(), 192);
    EXPECT_EQ(GetMouseY(), 300);
}

TEST_F(InputTest, TicksOnlyWhenAskedAndPollingReturnsAtOnce)
{
    EXPECT_EQ(GetKey(GETKEY_POLL), KEY_NOEVENT);
    User(TICK_EVENT);
    EXPECT_EQ(GetKey(GETKEY_POLL), KEY_NOEVENT);  // the tick is dropped
    User(TICK_EVENT);
    EXPECT_EQ(GetKey(GETKEY_POLL | GETKEY_TICKS), EVENT_TICK);
    User(TICK_EVENT);
    User(CURSOR_BLINK_EVENT);  // consumed by the cursor, no code
    User(4711);                // unknown user events are ignored
    Key(SDLK_x, 'x');
    EXPECT_EQ(GetKey(0), (ULONG)'x');
    User(TICK_EVENT);
    EXPECT_EQ(GetKey(GETKEY_TICKS), EVENT_TICK);
}

TEST_F(InputTest, WindowCloseIsEscape)
{
    SDL_Event ev{};
    ev.type = SDL_QUIT;
    SDL_PushEvent(&ev);
    EXPECT_EQ(GetKey(0), KEY_ESCAPE);
}

TEST_F(InputTest, PrintKeySavesScreenshotsWithoutOverwriting)
{
    SDL_FillRect(SDLViewSurface, nullptr, 5);
    Key(SDLK_PRINT, 0);
    Key(SDLK_PRINT, 0);
    Key(SDLK_SCROLLOCK, 0);  // the dummy display cannot toggle; the key yields no code either
    Key(SDLK_z, 'z');
    StdoutCapture cap;
    EXPECT_EQ(GetKey(0), (ULONG)'z');
    cap.Take();
    std::vector<std::string> shots;
    for (const auto &e : std::filesystem::directory_iterator("."))
        if (e.path().filename().string().rfind("shot_", 0) == 0) shots.push_back(e.path().filename().string());
    ASSERT_EQ(shots.size(), 2u);
    for (const std::string &name : shots) {
        EXPECT_TRUE(name.size() == 21 || name.size() == 23) << name;  // shot_YYMMDDhhmmss[_n].bmp
        SDL_Surface *s = SDL_LoadBMP(name.c_str());
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->w, 640);
        EXPECT_EQ(s->h, 480);
        SDL_FreeSurface(s);
    }
}

TEST_F(InputTest, ColourPointerPutsBackWhatItCovered)
{
    UserSystem.OP.ColorCursor = 1;
    currentScreenID = 2;
    Mouse_CurrentScreenID_old = -1;
    SDL_Surface *view = SDLViewSurface;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) ((Uint8 *)view->pixels)[y * view->pitch + x] = (Uint8)(x + y);
    MousePointer = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 4, 8, 0, 0, 0, 0);
    MousePointerCopy = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 4, 8, 0, 0, 0, 0);
    ASSERT_TRUE(MousePointer && MousePointerCopy);
    SDL_SetPalette(MousePointer, SDL_LOGPAL, view->format->palette->colors, 0, 256);
    SDL_FillRect(MousePointer, nullptr, 200);
    auto px = [&](int x, int y) { return ((Uint8 *)view->pixels)[y * view->pitch + x]; };

    Motion(10, 10, 0);
    EXPECT_EQ(GetKey(0), EVENT_MOVE);
    EXPECT_EQ(px(10, 10), 200);
    EXPECT_EQ(px(13, 13), 200);
    EXPECT_EQ(px(14, 14), 28);
    Motion(100, 50, 0);
    EXPECT_EQ(GetKey(0), EVENT_MOVE);
    EXPECT_EQ(px(10, 10), 20);
    EXPECT_EQ(px(13, 13), 26);
    EXPECT_EQ(px(100, 50), 200);
    // Near the edge the pointer is clipped, and what it covered still comes back.
    Motion(638, 478, 0);
    EXPECT_EQ(GetKey(0), EVENT_MOVE);
    EXPECT_EQ(px(639, 479), 200);
    Motion(0, 0, 0);
    EXPECT_EQ(GetKey(0), EVENT_MOVE);
    EXPECT_EQ(px(639, 479), (Uint8)(639 + 479));
    EXPECT_EQ(px(100, 50), 150);
    SDL_FreeSurface(MousePointer);
    SDL_FreeSurface(MousePointerCopy);
    MousePointer = MousePointerCopy = nullptr;
}

TEST(MouseInBox, BordersAreOutside)
{
    MousePosition = {10, 20};
    EXPECT_TRUE(MouseInBox(9, 11, 19, 21));
    EXPECT_FALSE(MouseInBox(10, 11, 19, 21));
    EXPECT_FALSE(MouseInBox(9, 10, 19, 21));
    EXPECT_FALSE(MouseInBox(9, 11, 20, 21));
    EXPECT_FALSE(MouseInBox(9, 11, 19, 20));
}

TEST_F(InputTest, GotchaWaitsATenthOfASecondWithoutControl)
{
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(Gotcha(), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(90));
}

}  // namespace
