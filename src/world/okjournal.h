// The "Ok" of a screen that replaces several files as one change: the files
// about to be replaced are kept in a journal first; if the program stops
// before the change is whole, the next start puts them all back. A step that
// fails puts them back at once. Files are always replaced whole (temp file
// and rename), so the journal keeps the old bytes by a second name.
#pragma once
#include "platform/types.h"

inline constexpr const char OK_JOURNAL[] = "./OkJournal";

// Keeps the named files (a missing one is recorded as missing). 1 when the
// journal is whole on disk; 0 leaves no journal.
[[nodiscard]] BOOL OkJournalBegin(const char *const *Dateien, ULONG Anzahl);
// The change is whole: drops the journal. 1 or 0.
BOOL OkJournalCommit();
// Puts every journalled file back (a file missing before is removed) and
// drops the journal. 1 when a journal was rolled back, 0 when there was none
// or it could not be (it then stays for the next start).
BOOL OkJournalRestore();

// Test seam: called before each file of a journalled change is replaced
// (with its index) and before the commit (with the number of files); 0 fails
// the step, a hook that ends the process is a crash there. Null: go ahead.
extern BOOL (*OkJournalStepHook)(ULONG Schritt);
inline BOOL OkJournalBefore(ULONG Schritt) { return !OkJournalStepHook || OkJournalStepHook(Schritt); }
