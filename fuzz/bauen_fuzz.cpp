// The building rules over hostile records: the input's first two bytes give
// the number of 16-byte records that follow (orders, then standing
// buildings, one more claimed than there are); the rest is the start of the
// town file, zero-filled to its 14,228 bytes.
// The demolition list, the bulk and single demolition orders, the site
// listing, the info text and the counts must neither crash nor read or write
// out of bounds, and the texts stay within their limits.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/memfile.h"
#include "store/store.h"
#include "world/bauen.h"
#include "world/towns.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2) return 0;
    size_t n = (size_t)(data[0] | data[1] << 8);
    if (n > (size - 2) / sizeof(st_BAUE_EXT)) n = (size - 2) / sizeof(st_BAUE_EXT);
    const UBYTE *records = data + 2;
    const UBYTE *townBytes = records + n * sizeof(st_BAUE_EXT);
    const size_t townSize = size - 2 - n * sizeof(st_BAUE_EXT);
    std::vector<UBYTE> town(STADT_BYTES, 0);
    std::memcpy(town.data(), townBytes, townSize < STADT_BYTES ? townSize : STADT_BYTES);
    const size_t orders = n / 4;       // the first quarter are this turn's orders
    const size_t standing = n - orders;

    LokalDataBauScreen ld;
    InitBauScreenData(&ld);
    ld.AktiveStadt = (Stadt *)AllocVec(sizeof(Stadt), MEMF_CLEAR);
    DecodeStadt(town.data(), ld.AktiveStadt);
    // A GEBA chunk whose count claims one more record than its length holds.
    const ULONG bytes = (ULONG)(sizeof(st_GEBA) + standing * sizeof(st_BAUE_EXT));
    ld.GebaeudeChunkPtr = (st_GEBA *)AllocVec(bytes + 1, MEMF_CLEAR);
    ld.GebaeudeChunkPtr->Head = {ID_GEBA, VERSION_V001, bytes - (ULONG)sizeof(st_ChunkHead)};
    ld.GebaeudeChunkPtr->AnzGeb = (UWORD)(standing + 1);
    if (standing)
        std::memcpy((UBYTE *)ld.GebaeudeChunkPtr + sizeof(st_GEBA), records + orders * sizeof(st_BAUE_EXT),
                    standing * sizeof(st_BAUE_EXT));
    ld.Baustellen.resize(orders);
    if (orders) std::memcpy(ld.Baustellen.data(), records, orders * sizeof(st_BAUE_EXT));
    ld.OldBaustellen = ld.Baustellen;
    ld.Jahr = town[0] * 300u;
    ld.Quartal = (UWORD)(town[1] & 3);

    const AbrissListe a = BuildAbrissListe(&ld);
    for (const std::string &z : a.Zeilen)
        if (z.size() >= 80) std::abort();
    BulkDemolition(&ld, 0, town[2], a.Kornlager);
    BulkDemolition(&ld, 98, 0xFFFFFFFF, a.Kontore);
    for (ULONG i : a.Einzeln) OrderDemolition(&ld, i);
    if (BaustellenText(&ld).size() > 50000) std::abort();
    for (LONG slot : {-1L, 0L, 1L, 57L, 98L, 163L, 234L, 235L, 65535L}) {
        ld.GebaeudeID = (WORD)slot;
        BauInfoText(&ld);
        CheckGebaeudeAnzahl(&ld);
    }
    FreeBauScreenData(&ld);
    return 0;
}
