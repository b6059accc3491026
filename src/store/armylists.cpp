// Army lists: the nested ARMY chunk (an ARHD head per army, an AREN record
// per part, a zero tail of 12 bytes per saboteur) as a list of armies that
// each own a list of parts, and the questions the map asks about an army.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/memfile.h"
#include "store/chunks_local.h"
#include "store/converters.h"

using namespace chunkio;

namespace {

constexpr ULONG kSaboteurBytes = 12;

// The parts list of an army, or null when it has none or it is not a parts list.
ListHeader *Parts(const ArmeeList *army)
{
    ListHeader *parts = army->ArmyListEntryHeader;
    return parts && parts->Typ == LISTE_ARMEETEILE ? parts : nullptr;
}

template <class F> void ForEach(ListHeader *l, F fn)
{
    if (!l) return;
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; i < l->Elemente && n; ++i, n = n->Next) fn(n);
}

bool IsArmyList(const ListHeader *l) { return l && l->Typ == LISTE_ARMEEN; }

ListNode *NewNode(const ListHeader *l, size_t bytes)
{
    return (ListNode *)AllocVec((ULONG)(l->TypSize > bytes ? l->TypSize : bytes), MEMF_CLEAR);
}

void PutSubHead(UBYTE *at, ULONG id, ULONG length)
{
    StoreHost32(at, id);
    StoreHost32(at + 4, VERSION_V001);
    StoreHost32(at + 8, length);
}

// Reads the records after AnzahlArmeen into the army list; false when they
// do not match the counts or leave the payload.
bool ReadArmies(const UBYTE *c, ListHeader *armies)
{
    const size_t end = sizeof(st_ChunkHead) + (size_t)LoadHost32(c + 8);
    size_t at = sizeof(st_ARMY);
    ULONG armiesLeft = LoadHost32(c + offsetof(st_ARMY, AnzahlArmeen)), partsLeft = 0;
    ArmeeList *army = nullptr;
    while (armiesLeft || partsLeft) {
        if (end - at < sizeof(st_ChunkHead)) {
            std::printf("ScanArmy2List: Der ARMY-Chunk endet vor dem Eintrag bei %zu!\n", at);
            return false;
        }
        const ULONG id = LoadHost32(c + at), length = LoadHost32(c + at + 8);
        const UBYTE *record = c + at + sizeof(st_ChunkHead);
        if (length > end - at - sizeof(st_ChunkHead)) {
            std::printf("ScanArmy2List: Der Eintrag bei %zu ragt \374ber das Chunk-Ende hinaus!\n", at);
            return false;
        }
        if (id == ID_ARHD) {
            if (length < sizeof(Armee) || armiesLeft == 0 || partsLeft) {
                std::printf("ScanArmy2List: Unerwarteter Armeekopf bei %zu (Armeen offen %u, Teile offen %u)!\n", at,
                            armiesLeft, partsLeft);
                return false;
            }
            army = (ArmeeList *)NewNode(armies, sizeof(ArmeeList));
            std::memcpy(&army->Army, record, sizeof(Armee));
            InsertNode(armies, (ListNode *)army, LIST_LAST, 0);
            partsLeft = army->Army.ArmeeTypAnzahl;
            --armiesLeft;
        } else if (id == ID_AREN) {
            if (length < sizeof(ArmeeEntry) || partsLeft == 0) {
                std::printf("ScanArmy2List: Unerwarteter Armeeteil bei %zu!\n", at);
                return false;
            }
            ListHeader *parts = army->ArmyListEntryHeader;
            if (!parts) {
                parts = CreateList(LISTE_ARMEETEILE);
                army->ArmyListEntryHeader = parts;
            }
            auto *part = (ArmeeListEntry *)NewNode(parts, sizeof(ArmeeListEntry));
            std::memcpy(&part->ArmyEntry, record, sizeof(ArmeeEntry));
            InsertNode(parts, (ListNode *)part, LIST_LAST, 0);
            --partsLeft;
        } else {
            std::printf("ScanArmy2List: Fataler Fehler in den ARMY-DATEN! ARMY-Chunk mu\337 gel\366scht werden!\n");
            return false;
        }
        at += sizeof(st_ChunkHead) + length;
    }
    return true;
}

}  // namespace

ListHeader *ScanArmy2List(const st_ARMY *Chunk)
{
    const UBYTE *c = (const UBYTE *)Chunk;
    if (!c || LoadHost32(c) != ID_ARMY || LoadHost32(c + 8) < sizeof(ULONG)) {
        std::printf("ScanArmy2List: Der Chunk ist nicht VALID!\n");
        return nullptr;
    }
    ListHeader *armies = CreateList(LISTE_ARMEEN);
    if (!armies) {
        std::printf("ScanArmy2List: Konnte die Armee Liste nicht erstellen!\n");
        return nullptr;
    }
    if (!ReadArmies(c, armies)) {
        DeleteArmyList(armies);
        std::printf("ScanArmy2List: Irgendwas hat mit dem ARMY Chunk nicht gestimmt! Konnte die Armee nicht "
                    "erstellen!\n");
        return nullptr;
    }
    return armies;
}

st_ARMY *MakeArmyChunkFromList(ListHeader *List)
{
    if (!IsArmyList(List) || List->Elemente == 0) return nullptr;
    // The parts lists are what the player sees, so they decide what is written;
    // each head then counts exactly the parts that follow it.
    uint64_t parts = 0, saboteurs = 0;
    bool malformed = false;
    ForEach(List, [&](ListNode *n) {
        const auto *army = (const ArmeeList *)n;
        if (army->ArmyListEntryHeader && !Parts(army)) malformed = true;
        const ULONG count = Parts(army) ? Parts(army)->Elemente : 0;
        if (count != army->Army.ArmeeTypAnzahl)
            std::printf("MakeArmyChunkFromList: Armee %u hat %u Teile, ArmeeTypAnzahl sagt %u!\n",
                        army->Army.ArmeeID, count, army->Army.ArmeeTypAnzahl);
        parts += count;
        ForEach(Parts(army), [&](ListNode *p) { saboteurs += ((const ArmeeListEntry *)p)->ArmyEntry.SaboteurAnzahl; });
    });
    if (malformed) {
        std::printf("MakeArmyChunkFromList: Eine Armee hat keine Liste von Armeeteilen!\n");
        return nullptr;
    }
    const uint64_t length = sizeof(ULONG) + (uint64_t)List->Elemente * sizeof(st_ARHD) + parts * sizeof(st_AREN) +
                            saboteurs * kSaboteurBytes;
    if (length > 0xFFFFFFFFu - sizeof(st_ChunkHead)) {
        std::printf("MakeArmyChunkFromList: Der ARMY-Chunk w\344re %" PRIu64 " Bytes lang, zu lang!\n", length);
        return nullptr;
    }
    auto *c = (UBYTE *)AllocVec((ULONG)length + (ULONG)sizeof(st_ChunkHead), MEMF_CLEAR);
    PutSubHead(c, ID_ARMY, (ULONG)length);
    StoreHost32(c + offsetof(st_ARMY, AnzahlArmeen), List->Elemente);
    size_t at = sizeof(st_ARMY);
    ForEach(List, [&](ListNode *n) {
        const auto *army = (const ArmeeList *)n;
        Armee head = army->Army;
        head.ArmeeTypAnzahl = Parts(army) ? Parts(army)->Elemente : 0;
        PutSubHead(c + at, ID_ARHD, sizeof(Armee));
        std::memcpy(c + at + sizeof(st_ChunkHead), &head, sizeof head);
        at += sizeof(st_ARHD);
        ForEach(Parts(army), [&](ListNode *p) {
            PutSubHead(c + at, ID_AREN, sizeof(ArmeeEntry));
            std::memcpy(c + at + sizeof(st_ChunkHead), &((const ArmeeListEntry *)p)->ArmyEntry, sizeof(ArmeeEntry));
            at += sizeof(st_AREN);
        });
    });
    return (st_ARMY *)c;
}

void DeleteArmyList(ListHeader *List)
{
    if (!List) return;
    if (IsArmyList(List)) {
        ForEach(List, [](ListNode *n) {
            const auto *army = (const ArmeeList *)n;
            ListHeader *parts = army->ArmyListEntryHeader;
            if (!parts) {
                std::printf("DeleteArmyList: Schwerer Fehler. Diese Armee hat keinen Entry!\n");
                return;
            }
            if (army->Army.ArmeeTypAnzahl != parts->Elemente) {
                std::printf("DeleteArmyList: Anzahl der ArmeeElemente stimmt nicht \374berein!\n");
                std::printf("DeleteArmyList: ArmyPtr->Army.ArmeeTypAnzahl %u\n", army->Army.ArmeeTypAnzahl);
                std::printf("DeleteArmyList: ArmyEntryPtr->ArmyListEntryHeader %u\n", parts->Elemente);
            }
            if (parts->Typ == LISTE_ARMEETEILE) {
                ForEach(parts, [army](ListNode *p) {
                    ListHeader *saboteurs = ((const ArmeeListEntry *)p)->SaboteurListHeader;
                    if (!saboteurs) return;
                    std::printf("DeleteArmyList: ArmyEntryPtr->SaboteurListHeader gesetzt bei Spieler %d...\n",
                                (int)army->Army.HerrscherID);
                    DeleteList(saboteurs, 0);
                });
            }
            DeleteList(parts, 0);
        });
    }
    DeleteList(List, 0);
}

ULONG CheckTypeOfArmy(const ArmeeList *Army)
{
    if (!Army) return 0;
    // Artillery outranks infantry, which outranks cavalry; within a branch a
    // heavier part raises the kind and a lighter one never lowers it.
    enum : ULONG { Artillerie = 1, Infanterie = 2, Kavallerie = 3 };
    ULONG kind = 0;
    bool artillery = false, infantry = false;
    auto armour = [](ULONG ruestung, ULONG light, ULONG now) {
        const ULONG medium = light + 1, heavy = light + 2;
        if (ruestung == 19 || ruestung == 20 || ruestung == 65 || ruestung == 69) return heavy;
        if (ruestung >= 16 && ruestung <= 18) return now == heavy ? heavy : medium;
        return now == medium || now == heavy ? now : light;
    };
    ForEach(Parts(Army), [&](ListNode *n) {
        const ArmeeEntry &part = ((const ArmeeListEntry *)n)->ArmyEntry;
        switch (part.Typ) {
        case Artillerie:
            artillery = true;
            if (part.WaffeI == 12) kind = 9;
            else if (part.WaffeI == 10 || part.WaffeI == 11) kind = kind == 9 ? 9 : 8;
            else kind = kind == 8 || kind == 9 ? kind : 7;
            break;
        case Infanterie:
            if (artillery) break;
            infantry = true;
            kind = armour(part.Ruestung, 1, kind);
            break;
        case Kavallerie:
            if (artillery || infantry) break;
            kind = armour(part.Ruestung, 4, kind);
            break;
        default: break;
        }
    });
    return kind;
}

ULONG GetSizeOfArmy(ListHeader *List, ULONG ArmeeID)
{
    if (!IsArmyList(List)) return 0;
    const ArmeeList *found = nullptr;
    ForEach(List, [&](ListNode *n) {
        if (!found && ((const ArmeeList *)n)->Army.ArmeeID == ArmeeID) found = (const ArmeeList *)n;
    });
    if (!found) return 0;
    uint64_t size = 0;
    ForEach(Parts(found), [&](ListNode *p) { size += ((const ArmeeListEntry *)p)->ArmyEntry.Anzahl; });
    return size > 0xFFFFFFFFu ? 0xFFFFFFFFu : (ULONG)size;
}

BOOL CheckNameOfArmy(ListHeader *List, const char *Name)
{
    if (!IsArmyList(List) || !Name) return 0;
    const size_t length = std::strlen(Name);
    BOOL found = 0;
    ForEach(List, [&](ListNode *n) {
        const char *name = ((const ArmeeList *)n)->Army.Name;
        if (strnlen(name, sizeof(Armee::Name)) == length && std::memcmp(name, Name, length) == 0) found = 1;
    });
    return found;
}
