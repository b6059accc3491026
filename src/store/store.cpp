// Small game services that read chunks: player names from the player list
// with requests for unknown names, and the test for a standing building.
#include <cstdio>
#include <cstring>

#include "platform/amiga.h"
#include "store/chunks_local.h"
#include "store/store.h"

using namespace chunkio;

BOOL CheckOtherBuilding(const st_GEBA *geba, UWORD Gebaeude, UWORD StadtID)
{
    if (!geba) return 0;
    ULONG n = GetChunkEntryCount(geba);
    const st_BAUE_EXT *b = (const st_BAUE_EXT *)((const UBYTE *)geba + sizeof(st_GEBA));
    for (ULONG i = 0; i < n; ++i) {
        if (b[i].GebID == Gebaeude && b[i].Stadt == StadtID) {
            std::printf("CheckOtherBuilding : Building %u bereits vorhanden...\n", Gebaeude);
            return 1;
        }
    }
    return 0;
}
