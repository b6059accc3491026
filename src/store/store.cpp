// Small game services that read chunks: player names from the player list
// with requests for unknown names, and the test for a standing building.
#include <cstdio>
#include <cstring>

#include "platform/memfile.h"
#include "platform/files.h"
#include "platform/gamevalues.h"
#include "store/chunks_local.h"
#include "store/store.h"

using namespace chunkio;

namespace {

constexpr const char kPlayerList[] = "./Data/SpielerList.vek";
constexpr ULONG kNameMax = 39;

// A name field of size bytes, at most 39 characters, always terminated.
void CopyName(char *name, const char *field, size_t size)
{
    size_t n = strnlen(field, size < kNameMax ? size : kNameMax);
    std::memcpy(name, field, n);
    name[n] = 0;
}

void Unknown(char *name)
{
    GetComputerName(-1, name);
}

// The player list's entry for id, or null.
const st_ANTW_EXT_1 *FindPlayer(const st_ANTW *list, ULONG id)
{
    if (!list) return nullptr;
    ULONG n = GetChunkEntryCount(list);
    const auto *entry = (const st_ANTW_EXT_1 *)((const UBYTE *)list + sizeof(st_ANTW));
    for (ULONG i = 0; i < n; ++i) {
        if (entry[i].SpielerID == id) {
            std::printf("GetPlayerName : Gefundene SpielerID %u\n", id);
            return &entry[i];
        }
    }
    return nullptr;
}

// Puts id into the outgoing pool's name requests, once. 1 when it is there.
BOOL RequestPlayerName(ULONG id)
{
    auto *old = (st_ANFR *)LoadChunk2Mem(ID_ANFR, POOL_OUT);
    ULONG n = old ? GetChunkEntryCount(old) : 0;
    const UBYTE *ids = old ? (const UBYTE *)old + sizeof(st_ANFR) : nullptr;
    for (ULONG i = 0; i < n; ++i) {
        if (LoadHost32(ids + 4 * (size_t)i) == id) {
            FreeVec(old);
            return 1;
        }
    }
    std::vector<UBYTE> chunk(sizeof(st_ANFR) + 4 * ((size_t)n + 1), 0);
    auto *anfr = (st_ANFR *)chunk.data();
    anfr->Head.ChunkID = ID_ANFR;
    anfr->Head.Version = VERSION_V001;
    anfr->Head.Length = (ULONG)(chunk.size() - sizeof(st_ChunkHead));
    anfr->Anfrage.Typ = old ? old->Anfrage.Typ : 1;
    anfr->Anfrage.Anzahl = n + 1;
    anfr->Anfrage.Length = 4 * (n + 1);
    if (n) std::memcpy(chunk.data() + sizeof(st_ANFR), ids, 4 * (size_t)n);
    std::memcpy(chunk.data() + sizeof(st_ANFR) + 4 * (size_t)n, &id, 4);
    if (old) std::printf("GetPlayerNameAddAnfrage : Anzahl der Anfragen %u\n", n + 1);
    FreeVec(old);
    if (!AddChunkPool(chunk.data(), POOL_OUT)) {
        std::printf(n ? "GetPlayerName : Konnte Anfrage nicht abspeichern...\n"
                      : "GetPlayerName : Konnte Anfrage-Chunk nicht anlegen...\n");
        return 0;
    }
    return 1;
}

}  // namespace

BOOL GetPlayerName_GetName(ULONG id, char *name, const st_ANTW *list)
{
    if (!name) return 0;
    if (GetComputerName((LONG)id, name)) return 1;
    if (const st_ANTW_EXT_1 *e = FindPlayer(list, id)) {
        CopyName(name, e->SpielName, sizeof e->SpielName);
        return 1;
    }
    Unknown(name);
    return 0;
}

BOOL GetPlayerName(ULONG id, char *name, int ask)
{
    if (!name) return 0;
    if (GetComputerName((LONG)id, name)) return 1;
    const bool haveList = IsFilePresent(kPlayerList);
    if (haveList) {
        auto *list = (st_ANTW *)LoadChunk2Mem(ID_ANTW, kPlayerList);
        if (!list) return 0;
        const st_ANTW_EXT_1 *e = FindPlayer(list, id);
        if (e) CopyName(name, e->SpielName, sizeof e->SpielName);
        FreeVec(list);
        if (e) return 1;
    }
    Unknown(name);
    if (!ask) return 1;
    std::printf(haveList ? "Angefragte ID %u\n" : "Angefragte ID beim Quit %u\n", id);
    return RequestPlayerName(id);
}

BOOL CheckOtherBuilding(const st_GEBA *geba, UWORD Gebaeude, UWORD StadtID)
{
    if (!geba) return 0;
    ULONG n = GetChunkEntryCount(geba);
    const auto *b = (const st_BAUE_EXT *)((const UBYTE *)geba + sizeof(st_GEBA));
    for (ULONG i = 0; i < n; ++i) {
        if (b[i].GebID == Gebaeude && b[i].Stadt == StadtID) {
            std::printf("CheckOtherBuilding : Building %u bereits vorhanden...\n", Gebaeude);
            return 1;
        }
    }
    return 0;
}
