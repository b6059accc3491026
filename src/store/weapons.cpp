// The weapon table and the weapon records made from the stock of weapon
// wares: every weapon, shield, armour and helmet with the ware it is traded
// as, its damage at three distances and their reach.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/memfile.h"
#include "store/converters.h"

// Id, Anzahl, WarenStringID, short min-max, middle min-max, far min-max,
// short, middle and far reach, Qualitaet, Waffenart.
const Waffen WaffenData[WAFFEN_ANZAHL] = {
    {1, 0, 42, 1, 6, 1, 4, 1, 2, 2, 4, 6, 0, 2},
    {2, 0, 43, 2, 8, 1, 6, 1, 4, 3, 5, 8, 0, 2},
    {3, 0, 44, 1, 5, 1, 4, 1, 3, 2, 4, 6, 0, 2},
    {4, 0, 45, 1, 6, 1, 6, 1, 5, 4, 7, 10, 0, 2},
    {5, 0, 46, 2, 7, 1, 6, 1, 4, 3, 5, 8, 0, 2},
    {6, 0, 47, 1, 3, 1, 3, 1, 2, 1, 2, 4, 0, 2},
    {7, 0, 48, 1, 4, 1, 3, 1, 2, 1, 2, 3, 0, 2},
    {8, 0, 49, 1, 8, 1, 6, 1, 4, 2, 3, 4, 0, 2},
    {9, 0, 7, 10, 25, 8, 20, 6, 18, 4, 6, 8, 0, 3},
    {10, 0, 8, 20, 40, 15, 30, 10, 25, 5, 7, 9, 0, 3},
    {11, 0, 9, 15, 40, 10, 30, 5, 25, 3, 5, 6, 0, 3},
    {12, 0, 81, 30, 50, 30, 40, 20, 30, 3, 4, 5, 0, 3},
    {13, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
    {14, 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
    {15, 0, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
    {16, 0, 13, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
    {17, 0, 14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
    {18, 0, 80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
    {19, 0, 15, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
    {20, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
    {21, 0, 17, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
    {22, 0, 18, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
    {23, 0, 19, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
    {24, 0, 20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
    {25, 0, 21, 1, 4, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {26, 0, 22, 2, 6, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {27, 0, 23, 1, 6, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {28, 0, 24, 2, 7, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {29, 0, 25, 2, 8, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {30, 0, 26, 1, 8, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {31, 0, 33, 1, 8, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {32, 0, 28, 2, 7, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {33, 0, 29, 2, 6, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {34, 0, 30, 1, 6, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {35, 0, 31, 2, 7, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {36, 0, 32, 2, 5, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {37, 0, 35, 2, 5, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {38, 0, 34, 1, 5, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {39, 0, 41, 1, 7, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {40, 0, 74, 2, 6, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {41, 0, 75, 1, 8, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {42, 0, 76, 2, 9, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {43, 0, 27, 2, 10, 0, 0, 0, 0, 1, 0, 0, 0, 1},
    {44, 0, 77, 1, 10, 0, 0, 0, 0, 1, 0, 0, 0, 1},
    {45, 0, 78, 1, 6, 0, 0, 0, 0, 1, 0, 0, 0, 1},
    {46, 0, 79, 1, 4, 0, 0, 0, 0, 1, 0, 0, 0, 1},
    {47, 0, 40, 2, 5, 0, 0, 0, 0, 1, 0, 0, 0, 1},
    {48, 0, 36, 1, 12, 0, 0, 0, 0, 1, 0, 0, 0, 1},
    {49, 0, 37, 1, 15, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {50, 0, 38, 1, 20, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {51, 0, 39, 1, 25, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {52, 0, 0, 1, 16, 0, 0, 0, 0, 1, 0, 0, 0, 2},
    {53, 0, 0, 10, 35, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {54, 0, 0, 7, 25, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {55, 0, 100, 3, 6, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {56, 0, 101, 3, 11, 0, 0, 0, 0, 1, 0, 0, 0, 1},
    {57, 0, 102, 3, 8, 0, 0, 0, 0, 1, 0, 0, 0, 1},
    {58, 0, 103, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
    {59, 0, 104, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
    {60, 0, 105, 2, 9, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {61, 0, 106, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
    {62, 0, 107, 4, 7, 0, 0, 0, 0, 1, 0, 0, 0, 0},
    {63, 0, 108, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
    {64, 0, 109, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
    {65, 0, 110, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
    {66, 0, 111, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
    {67, 0, 112, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
    {68, 0, 113, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
    {69, 0, 114, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
    {70, 0, 115, 3, 8, 0, 0, 0, 0, 1, 0, 0, 0, 0},
};

namespace {

constexpr UWORD kOwnStock = 5;

// The first weapon traded as this ware type. Rows without a ware (0) never
// match, or grain (ware type 0) in stock would turn into weapons.
const Waffen *WeaponOfWare(ULONG warenTyp)
{
    for (const Waffen &w : WaffenData)
        if (w.WarenStringID != 0 && w.WarenStringID == warenTyp) return &w;
    return nullptr;
}

}  // namespace

BOOL ConvertWare2Waffe(ListHeader *WareList, ListHeader *WaffenList)
{
    if (!WareList || WareList->Elemente == 0) return 1;
    if (WareList->Typ != LISTE_WAREN || !WaffenList || WaffenList->Typ != LISTE_WAFFEN) {
        std::printf("ConvertWare2Waffe : Liste fehlt oder hat den falschen Typ !\n");
        return 0;
    }
    ListNode *n = WareList->FirstNode;
    for (ULONG i = 0; i < WareList->Elemente; ++i, n = n->Next) {
        const st_WARE_EXT ware = ((const WareListEntry *)n)->Ware;
        if (ware.Info != kOwnStock) continue;
        const Waffen *weapon = WeaponOfWare(ware.WarenTyp);
        if (!weapon) continue;
        std::printf("ConvertWare2Waffe: Folgender Warentyp wurde gefunden %u\n", ware.WarenTyp);
        std::printf("ConvertWare2Waffe: Folgender Waffentyp wurde gefunden %u\n", weapon->Id);
        const ULONG size = std::max<ULONG>(WaffenList->TypSize, sizeof(WaffenListEntry));
        auto *entry = (WaffenListEntry *)AllocVec(size, MEMF_CLEAR);
        entry->Waffe = *weapon;
        entry->Waffe.Anzahl = ware.WarenAnzahl;
        entry->Waffe.Qualitaet = ware.Zustand;
        InsertNode(WaffenList, &entry->Node, LIST_LAST, 0);
    }
    return 1;
}
