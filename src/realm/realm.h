// Realm screens: the screens the main loop runs.
#pragma once
#include "platform/types.h"

LONG BerichteScreen();
LONG ForschungScreen();
LONG NachrichtenScreen();
LONG SpezialistenScreen();
LONG StammbaumScreen();
LONG StatistikScreen();
LONG HandelsScreen();
LONG RoredIdez();
LONG GoetterScreen();

// After the story: its consequence for the realm. 0 when it could not run.
LONG RoredIdezEvents();

struct ListHeader;
// The specialists' Ok: the SPEZ record and the specialist figures of the town
// at (x, y) as one change (all or none); the list's figure numbers follow
// the figure file. 1 or 0 (nothing changed).
BOOL SpezialistenScreenWriteData(ListHeader *spezis, ULONG x, ULONG y);
// The rune-stone game over the tavern: 1 after the visit, 0 when the board
// cannot be set up (nothing drawn or booked).
LONG RuneStone();
// The game's messages and questions (mode 0 Ok, 1 Ok/Cancel; 0 means Ok):
// the advisor's box by default.
extern LONG (*RuneFrageHook)(const char *text, int mode);
