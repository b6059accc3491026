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

// The program: start-up, the main loop and the orderly end; the exit status.
// main is nothing else, and the program tests run it in a child of their own.
int VekClientMain(int argc, char **argv);

// What the run has started that its end must stop; VekClientMain sets each as it goes.
struct RunParts {
    bool Network;  // Start_TCP_IP succeeded
    bool Sound;    // the sound set-up succeeded: chat panel and kept map screen came with it
};
extern RunParts RunStarted;

// The end of every run after its screens, the same whether the title was
// left or a signal asked for it: the kept map screen, chat panel, sound and
// network let go (as far as the run started them), the caches freed, the run
// marker cleared, the story table, indexes and catalog closed.
void EndRun();

// An end signal carried out at the screen that waits: stops what that screen
// left running (its movies, the map's motion, a map visit, which keeps what
// leaving the map keeps), then EndRun, closes SDL and exits with status 0.
[[noreturn]] void EndRunOnSignal(int signal);
