// Stand-ins for the marked hex's services until they are built.
#include "map/kartenscreen.h"
#include "map/mapview.h"

int CheckFigurAndPlaySfx(LokaleDatenKartenScreen *, int) { return 1; }
int SwitchMap(LokaleDatenKartenScreen *, int) { return 1; }
void ShowHexInfo(LokaleDatenKartenScreen *) {}
int UpdateInfoBox(LokaleDatenKartenScreen *) { return 1; }
void ShowPosition(LokaleDatenKartenScreen *st)
{
    if (st && st->VekMapInfoPtr) st->VekMapInfoPtr->UpdateMap = 0;
}
