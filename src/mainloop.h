// The main loop: every screen is a function that returns the next screen's
// number; the loop dispatches on it until a screen returns -1.
#pragma once
#include "platform/types.h"

// Connects the lower libraries to the ones above them, as the program runs:
// start-up's pool and town reads, the key click, the pool's MAC address, the
// map's town positions, and the kept map screen and movies around a turn's
// work.
void SetProgramHooks();

// Runs the screen of number id and returns its result. *from remembers the
// last of the residence (2), town (39) and barracks (152) screens for the map.
LONG RunScreen(LONG id, LONG *from);

// The screen after the title: the bard's tale (505) when its flag is set
// (and the flag cleared), unless the title leads to the options (133).
LONG AfterTitle(LONG next);

// Runs the title screen first (or only the update download for screen 61),
// then every screen in turn until one returns -1.
void MainLoop();
