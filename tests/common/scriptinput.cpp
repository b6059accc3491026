// Scripted input pushed as SDL events, in game coordinates.
#include "common/scriptinput.h"

#include <gtest/gtest.h>

#include <SDL/SDL.h>

#include "platform/system.h"
#include "ui/input.h"
#include "ui/screendat.h"

namespace vektest {

namespace {

std::vector<SDL_Event> *recording = nullptr;

void Push(SDL_Event &ev)
{
    if (recording) {
        recording->push_back(ev);
        return;
    }
    ASSERT_EQ(SDL_PushEvent(&ev), 0);
}

}  // namespace

void DisplayPosition(LONG x, LONG y, int *dx, int *dy)
{
    const st_Display &d = VekDisplay;
    if ((d.VekScreen_Breite > 640 || d.VekScreen_Hoehe > 480) && d.VekScreen != 3) {
        *dx = (int)(x + (d.VekScreen_Breite - 640) / 2);
        *dy = (int)(y + (d.VekScreen_Hoehe - 480) / 2 - 30);
    } else {
        *dx = (int)x;
        *dy = (int)y;
    }
}

void PushMoveTo(LONG x, LONG y, bool leftHeld)
{
    SDL_Event ev{};
    int dx, dy;
    DisplayPosition(x, y, &dx, &dy);
    ev.type = SDL_MOUSEMOTION;
    ev.motion.x = (Uint16)dx;
    ev.motion.y = (Uint16)dy;
    ev.motion.state = leftHeld ? SDL_BUTTON(SDL_BUTTON_LEFT) : 0;
    Push(ev);
}

void PushPress(LONG x, LONG y)
{
    PushMoveTo(x, y);
    SDL_Event ev{};
    int dx, dy;
    DisplayPosition(x, y, &dx, &dy);
    ev.type = SDL_MOUSEBUTTONDOWN;
    ev.button.button = SDL_BUTTON_LEFT;
    ev.button.state = SDL_PRESSED;
    ev.button.x = (Uint16)dx;
    ev.button.y = (Uint16)dy;
    Push(ev);
}

void PushRelease(LONG x, LONG y)
{
    PushMoveTo(x, y, true);
    SDL_Event ev{};
    int dx, dy;
    DisplayPosition(x, y, &dx, &dy);
    ev.type = SDL_MOUSEBUTTONUP;
    ev.button.button = SDL_BUTTON_LEFT;
    ev.button.state = SDL_RELEASED;
    ev.button.x = (Uint16)dx;
    ev.button.y = (Uint16)dy;
    Push(ev);
}

void PushClick(LONG x, LONG y)
{
    PushPress(x, y);
    PushRelease(x, y);
}

void PushKey(int sym, int unicode)
{
    SDL_Event ev{};
    ev.type = SDL_KEYDOWN;
    ev.key.state = SDL_PRESSED;
    ev.key.keysym.sym = (SDLKey)sym;
    ev.key.keysym.unicode = (Uint16)unicode;
    Push(ev);
}

void PushTick()
{
    SDL_Event ev{};
    ev.type = SDL_USEREVENT;
    ev.user.code = TICK_EVENT;
    Push(ev);
}

void PushText(const std::string &text)
{
    for (char c : text) PushKey(c == 8 ? SDLK_BACKSPACE : SDLK_a, (UBYTE)c);
}

ScriptFeeder::ScriptFeeder() { recording = &events_; }

void ScriptFeeder::Start()
{
    recording = nullptr;
    thread_ = std::thread([this] {
        for (SDL_Event &ev : events_)
            while (SDL_PushEvent(&ev) != 0) SDL_Delay(1);
    });
}

ScriptFeeder::~ScriptFeeder()
{
    if (recording == &events_) recording = nullptr;
    if (thread_.joinable()) thread_.join();
}

void PushEscape() { PushKey(SDLK_ESCAPE, 27); }

std::map<std::string, std::pair<LONG, LONG>> GadgetCentres(const char *file)
{
    std::map<std::string, std::pair<LONG, LONG>> at;
    ScreenRegion *r = GetScreenRegion(file, SR_GADGETDATA);
    if (!r) return at;
    const LONG xo = r->GlobalGadget.GadgetXOffset, yo = r->GlobalGadget.GadgetYOffset;
    for (ULONG i = 0; i < r->CountGadgetData; ++i) {
        const GadgetData &g = r->GadgetData[i];
        std::string code(4, ' ');
        for (int k = 0; k < 4; ++k) code[k] = (char)(g.ReturnID >> (24 - 8 * k));
        at[code] = {(g.X0 + g.X1) / 2 + xo, (g.Y0 + g.Y1) / 2 + yo};
    }
    ClearScreenRegion(r);
    return at;
}

}  // namespace vektest
