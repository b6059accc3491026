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
