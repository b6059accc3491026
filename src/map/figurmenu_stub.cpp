// Stand-ins for the order menu and the orders carried out until they are built.
#include "map/kartenscreen.h"

int FigurMenu(LokaleDatenKartenScreen *) { return 0; }
int CheckAktionsFeld(LokaleDatenKartenScreen *) { return 1; }
