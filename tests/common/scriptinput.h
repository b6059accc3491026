// Scripted input for screen and dialog tests: SDL events pushed in game
// coordinates (mapped onto the display as the game area lies there), keys,
// typed text and the 100 ms tick.
#pragma once
#include <string>

#include "platform/types.h"

namespace vektest {

void PushMoveTo(LONG x, LONG y, bool leftHeld = false);
void PushPress(LONG x, LONG y);
void PushRelease(LONG x, LONG y);
void PushClick(LONG x, LONG y);
void PushKey(int sym, int unicode);
void PushEscape();
void PushTick();
void PushText(const std::string &text);

}  // namespace vektest
