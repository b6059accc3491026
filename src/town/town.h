// Towns and economy: the screens the main loop runs.
#pragma once
#include "platform/types.h"

LONG ResidenzScreen();
LONG StadtScreen();
LONG SteuernScreen();
LONG BauScreen();
LONG KornlagerScreen();
LONG AnarchieScreen();
LONG KroenungsScreen();
LONG LuxusScreen();
