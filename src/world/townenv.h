// Whether a building slot of a town may be ordered or offered: research,
// population, level and required buildings, the build chains, the slots a
// grown town no longer takes, and water beside the town for a harbour.
#pragma once
#include "platform/types.h"
#include "store/chunks.h"
#include "world/mapinfo.h"
#include "world/towns.h"

constexpr int AUSBAUKETTEN = 30;
constexpr UWORD KEIN_GLIED = 0xFFFF;   // a chain without that level
// The build chains: the slot of a building at town level 1, 2, 3 and 4.
extern const UWORD AusbauKetten[AUSBAUKETTEN][4];

// 1 when the building of Slot may be ordered (Full 1: research of Fors, or
// nothing needed without it; population, level, required buildings) or
// offered for browsing (Full 0: not a higher member of a build chain). Both
// refuse slots outside 0..234, built slots other than granary, slot 1 and
// contor, slots 29, 30 and scenery, slots a town of level 2 and up no longer
// takes, and a harbour without water beside the town. 0 without a town.
[[nodiscard]] int CheckTownEnv(const Stadt *Town, const st_FORS *Fors, UWORD Slot, int Full);

// Reads a map sector for the harbour test; tests count or fail the reads.
// Same contract as LadeKartenDatei.
extern int (*TownEnvLadeSektorHook)(const char *Name, MapEntry *Ziel, int *Fehlt);
