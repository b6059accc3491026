// Stand-ins for the selection, workers, caravans and overlays until they are
// built.
#include "map/kartenscreen.h"

int SetHex(LokaleDatenKartenScreen *) { return 1; }
int CheckPersonEvent(LokaleDatenKartenScreen *) { return 1; }
int JumpToFigur(LokaleDatenKartenScreen *) { return 1; }
