// Scripted input for screen and dialog tests: SDL events pushed in game
// coordinates (mapped onto the display as the game area lies there), keys,
// typed text and the 100 ms tick.
#pragma once
#include <SDL/SDL.h>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/types.h"

namespace vektest {

// Where a game position lies on the display: the game area sits centred, 30
// rows above the middle, on displays larger than 640 x 480.
void DisplayPosition(LONG x, LONG y, int *dx, int *dy);

// The middle of every gadget of a screen description file, by its four
// letters, shifted as the description shifts them all; empty when the file
// cannot be read.
std::map<std::string, std::pair<LONG, LONG>> GadgetCentres(const char *file);

void PushMoveTo(LONG x, LONG y, bool leftHeld = false);
void PushPress(LONG x, LONG y);
void PushRelease(LONG x, LONG y);
void PushClick(LONG x, LONG y);
void PushKey(int sym, int unicode);
void PushEscape();
void PushTick();
void PushText(const std::string &text);

// A script longer than SDL's event queue: while a feeder exists (until
// Start), the Push calls above record instead of pushing; Start hands the
// events to a thread of their own that waits whenever the queue is full. The
// destructor waits for the thread.
class ScriptFeeder {
public:
    ScriptFeeder();
    ~ScriptFeeder();
    ScriptFeeder(const ScriptFeeder &) = delete;
    ScriptFeeder &operator=(const ScriptFeeder &) = delete;
    void Start();

private:
    std::vector<SDL_Event> events_;
    std::thread thread_;
};

}  // namespace vektest
