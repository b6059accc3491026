#include "map/map.h"

#include "platform/system.h"

LONG KartenScreen(LONG from, LONG mode)
{
    if (mode == 0) return from == 1 ? currentScreenID : 0;  // build or tear down the kept screen
    return ScreenNotBuilt("KartenScreen", 2);
}
