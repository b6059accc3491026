// The title screen's routines the tests and the other screens reach: the
// check before leaving the program, the repair offer after an unclean end,
// and the save games under ./Game/<player name>/<year>_<quarter>/.
#pragma once
#include <string>
#include <vector>

#include "platform/types.h"

struct st_MovieBase;
struct st_Movie;

struct LokaleDatenTitelScreen {
    st_MovieBase *MovieBase;
    st_Movie *Movie1;  // the waterfall, paused while a box covers the screen
};

// Creates ./Data/POP3In, POP3Out, MailIn and MailOut where missing.
void InitImportantThings();
// After a run that did not end cleanly: offers to repair the armies and
// ships of the outgoing pool. 1 when the repair failed.
int TitelScreenEvents(LokaleDatenTitelScreen *ld);
// Reminds a beginner of what the realm still lacks. 1 the player may leave.
int CheckGameValues(LokaleDatenTitelScreen *ld);
// The reminders CheckGameValues would show, "" when none (no question asked).
std::string TitelReminders();

// Copies ./Data and ./Map into the save folder of the received turn; with
// Move the realm then leaves: its preferences first (with them the realm),
// then every file the save holds. 1 saved (and with Move: all gone).
BOOL SaveGame(LokaleDatenTitelScreen *ld, int Move);
// Lets the player choose a save game and copies it back. 1 loaded; 0 with
// the current game unchanged.
BOOL LoadGame(LokaleDatenTitelScreen *ld);
// At start-up, before anything reads ./Data: a load a crash cut off after
// it was decided is finished, an undecided one dropped. 1 when one was finished.
BOOL FinishInterruptedLoad();
// At start-up, likewise: the realm a new game began to put away is removed
// to its end. 1 when one was finished.
BOOL FinishInterruptedNewGame();
// Puts the current game away and starts from the beginning. 1, or 0 when the
// game could not be put away (nothing changed).
BOOL NewGame(LokaleDatenTitelScreen *ld);

// A save folder name: digits, "_", one digit, 3 to 6 characters.
bool IsTurnFolderName(const char *name);
// The valid turn folders among names, newest first by year and quarter.
std::vector<std::string> SortTurnFolders(const std::vector<std::string> &names);
