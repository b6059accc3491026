// The map: the hex world and the map screen.
#pragma once
#include "world/hex.h"
#include "world/mapinfo.h"
#include "platform/types.h"

// mode 1 with from = 1 builds the kept map screen, mode 0 tears it down,
// mode 1 otherwise shows it; returns the next screen number.
LONG KartenScreen(LONG from, LONG mode);
