// Record files without a head: ./Data/MapNames.dat and ./Data/ShipAddOn.dat,
// read into typed lists and stored back whole.
#include "store/mapnames.h"

#include <bit>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/memfile.h"
#include "platform/files.h"

namespace {

constexpr bool kBigHost = std::endian::native == std::endian::big;

void TauscheStadt(st_TOWN_EXT *t)
{
    t->XPos = __builtin_bswap16(t->XPos);
    t->YPos = __builtin_bswap16(t->YPos);
    t->Level = __builtin_bswap16(t->Level);
    t->StadtVolk = __builtin_bswap32(t->StadtVolk);
    t->StadtID = __builtin_bswap16(t->StadtID);
}

// Reads every whole record of a file into the list. 1 (also for a missing
// file), 0 when the file cannot be read or a node cannot be allocated.
template <class Record>
int LeseDatei(ListHeader *liste, const char *datei, void (*konvertiere)(Record *), const char *nodeFehler)
{
    if (!IsFilePresent(datei)) return 1;
    ULONG groesse = GetFileSize(datei);
    if (groesse < sizeof(Record)) return 1;  // no whole record
    UBYTE *daten = (UBYTE *)LoadFile2Mem(datei, MEMF_CLEAR);
    if (!daten) return 0;
    const ULONG n = groesse / (ULONG)sizeof(Record);
    for (ULONG i = 0; i < n; ++i) {
        ListNode *node = (ListNode *)AllocVec(liste->TypSize, MEMF_CLEAR);
        if (!node) {
            std::printf("%s", nodeFehler);
            FreeVec(daten);
            return 0;
        }
        Record *r = (Record *)NodeData(node);
        std::memcpy(r, daten + (size_t)i * sizeof(Record), sizeof(Record));
        if (kBigHost) konvertiere(r);
        InsertNode(liste, node, LIST_LAST, 0);
    }
    FreeVec(daten);
    return 1;
}

// Stores the records of all nodes in list order as the whole file; an empty
// list removes the file. 1 or 0 (the old file then stays).
template <class Record>
int SchreibeDatei(ListHeader *liste, const char *datei, void (*konvertiere)(Record *), const char *routine)
{
    if (liste->Elemente == 0) {
        DeleteFile(datei);
        return 1;
    }
    std::vector<Record> puffer(liste->Elemente);
    ListNode *node = liste->FirstNode;
    for (ULONG i = 0; i < liste->Elemente; ++i, node = node->Next) {
        std::memcpy(&puffer[i], NodeData(node), sizeof(Record));
        if (kBigHost) konvertiere(&puffer[i]);
    }
    const ULONG laenge = (ULONG)(puffer.size() * sizeof(Record));
    if (WriteFileAtomic(datei, puffer.data(), laenge, -1) != (int)laenge) {
        std::printf("%s", routine);
        return 0;
    }
    return 1;
}

bool ListeVomTyp(const ListHeader *liste, ULONG typ, const char *routine)
{
    if (liste && liste->Typ == typ) return true;
    std::printf("%s: Keine Liste vom Typ %u !\n", routine, (unsigned)typ);
    return false;
}

}  // namespace

void ConvertShipAddOn(ShipAddOn *Record)
{
    if (!Record) return;
    Record->SchiffsID = __builtin_bswap16(Record->SchiffsID);
    Record->ReparaturDauer = __builtin_bswap16(Record->ReparaturDauer);
    Record->Special1 = __builtin_bswap32(Record->Special1);
    Record->Special2 = __builtin_bswap32(Record->Special2);
    Record->Special3 = __builtin_bswap32(Record->Special3);
}

int ScanMapNames2List(ListHeader *List)
{
    if (!ListeVomTyp(List, LISTE_MAPNAMES, "ScanMapNames2List")) return 0;
    return LeseDatei<st_TOWN_EXT>(List, MAPNAMES_FILE, TauscheStadt, "ScanTown2List : Konnte Node nicht \366ffnen !\n");
}

int SaveMapNamesList(ListHeader *List)
{
    if (!ListeVomTyp(List, LISTE_MAPNAMES, "SaveMapNamesList")) return 0;
    return SchreibeDatei<st_TOWN_EXT>(List, MAPNAMES_FILE, TauscheStadt,
                                      "SaveMapNamesList: Konnte Stadtfile nicht abspeichern...\n");
}

ListHeader *ScanShipAddOn2List()
{
    ListHeader *liste = CreateList(LISTE_SHIPADDON);
    if (!liste) {
        std::printf("ScanShipAddOn2List: Konnte die SchiffAddOn-Liste nicht erstellen!\n");
        return nullptr;
    }
    if (!LeseDatei<ShipAddOn>(liste, SHIPADDON_FILE, ConvertShipAddOn,
                              "ScanShipAddOn2List: Konnte Node nicht allokieren !\n")) {
        std::printf("ScanShipAddOn2List: Konnte %s nicht lesen !\n", SHIPADDON_FILE);
        DeleteList(liste, 1);
        return nullptr;
    }
    return liste;
}

int SaveShipAddOnList(ListHeader *List)
{
    if (!ListeVomTyp(List, LISTE_SHIPADDON, "SaveShipAddOnList")) return 0;
    return SchreibeDatei<ShipAddOn>(List, SHIPADDON_FILE, ConvertShipAddOn,
                                    "SaveShipAddOnList: Konnte AddOnList nicht abspeichern...\n");
}
