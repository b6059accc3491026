// SIGINT and SIGTERM ask the program to end in order. The handler only notes
// the request; the main thread carries it out where it waits for the player,
// so a file write or a turn's transaction under way is never cut short. A
// second SIGINT while the first waits ends the program at once (files are
// replaced by a rename and a preference is written in one call, so none is
// left half written).
#pragma once

// Installs the handlers (not for a signal the starter set to be ignored);
// call before SDL starts, which then leaves both signals alone instead of
// turning them into a window close. The calling thread is the one that
// carries out the end.
void InstallEndSignals();
// The number of the signal that asked for the end, 0 while none did.
int EndSignal();
// The orderly end of the program (does not return); main sets it.
extern void (*OrderlyEndHook)(int signal);
// At a wait for the player: on the installing thread, with a request noted
// and a hook set, runs the hook. Elsewhere it returns at once.
void EndIfRequested();
