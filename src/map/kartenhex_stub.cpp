// Stand-ins for the marked hex's services until they are built.
#include "map/kartenscreen.h"
#include "map/mapview.h"

int SetPolyDraw(int, const WORD *, const WORD *) { return 1; }
int SetColorHex(LONG, LONG) { return 1; }
int AktionsMenu(LokaleDatenKartenScreen *) { return -1; }
int EnterMapNames(LokaleDatenKartenScreen *) { return 1; }
ULONG CheckLand(LokaleDatenKartenScreen *, LONG, LONG, LONG, LONG) { return 0; }
int CheckHexAndPlaySfx(LokaleDatenKartenScreen *, UWORD, LONG) { return 0; }
int RemoveFigurAndArmy(LokaleDatenKartenScreen *, st_MOVE_EXT *) { return 1; }
