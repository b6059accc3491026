// Stand-ins for the figure lists, town menu and orders until they are built.
#include "map/kartenscreen.h"

int UpdateFigurRequester(LokaleDatenKartenScreen *, ULONG) { return 1; }
int SetOtherFigur(LokaleDatenKartenScreen *) { return 1; }
int FigurMenu(LokaleDatenKartenScreen *) { return 0; }
