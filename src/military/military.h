// Military and diplomacy: the screens the main loop runs.
#pragma once
#include "platform/types.h"

LONG DiplomatScreen();
WORD KaserneScreen();
LONG HafenScreen();
