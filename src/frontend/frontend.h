// Front end and settings: the screens the main loop runs.
#pragma once
#include "platform/types.h"

LONG TitelScreen();
LONG InitScreen();
LONG OptionScreen();
LONG Option1Screen();
LONG Option3Screen();
LONG CreditScreen();
LONG GeheimScreen();

// The 24 pictures of the game, with their captions when WantText is set. 0.
int SlideShow(int WantText);
// Shows the next two lines of the credits in the lower half; the counter
// for the next call (0 starts again from the top).
UWORD CreditsPrintText(UWORD Counter);
