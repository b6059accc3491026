// Letter list orders and pruning. The list is reordered by relinking its
// nodes after a stable sort: a window of many letters sorts in n log n.
#include "world/briefliste.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "store/lists.h"
#include "store/mapnames.h"

namespace {

const SmalListEntry *Brief(const ListNode *n) { return (const SmalListEntry *)NodeData(const_cast<ListNode *>(n)); }

std::vector<ListNode *> Knoten(ListHeader *l)
{
    std::vector<ListNode *> v;
    v.reserve(l->Elemente);
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; i < l->Elemente && n; ++i, n = n->Next) v.push_back(n);
    return v;
}

void NeuVerketten(ListHeader *l, const std::vector<ListNode *> &v)
{
    if (v.empty()) return;
    for (size_t i = 0; i < v.size(); ++i) {
        v[i]->Next = v[(i + 1) % v.size()];
        v[i]->Prev = v[(i + v.size() - 1) % v.size()];
    }
    l->FirstNode = v.front();
}

bool Neuer(const ListNode *a, const ListNode *b)
{
    if (Brief(a)->Date != Brief(b)->Date) return Brief(a)->Date > Brief(b)->Date;
    return std::strncmp(Brief(a)->ChunkFilename, Brief(b)->ChunkFilename, sizeof Brief(a)->ChunkFilename) < 0;
}

}  // namespace

UWORD BriefNaechsteSortierung(UWORD SortMode)
{
    switch (SortMode) {
    case BRIEF_NACH_DATUM: return BRIEF_NACH_BETREFF;
    case BRIEF_NACH_BETREFF: return BRIEF_NACH_ABSENDER;
    default: return BRIEF_NACH_DATUM;
    }
}

BOOL BriefeSortieren(ListHeader *List, UWORD SortMode)
{
    if (!List || List->Typ != LISTE_BRIEFE) return 0;
    std::vector<ListNode *> v = Knoten(List);
    switch (SortMode) {
    case BRIEF_NACH_DATUM:
        std::stable_sort(v.begin(), v.end(),
                         [](const ListNode *a, const ListNode *b) { return Brief(a)->Date > Brief(b)->Date; });
        break;
    case BRIEF_NACH_BETREFF:
        std::stable_sort(v.begin(), v.end(), [](const ListNode *a, const ListNode *b) {
            return std::strncmp(Brief(a)->Betreff, Brief(b)->Betreff, sizeof Brief(a)->Betreff) < 0;
        });
        break;
    case BRIEF_NACH_ABSENDER:
        std::stable_sort(v.begin(), v.end(), [](const ListNode *a, const ListNode *b) {
            return std::strncmp(Brief(a)->AbsenderName, Brief(b)->AbsenderName, sizeof Brief(a)->AbsenderName) < 0;
        });
        break;
    default: return 0;
    }
    NeuVerketten(List, v);
    return 1;
}

ULONG DeleteOverFifty(ListHeader *List)
{
    if (!List || List->Typ != LISTE_BRIEFE || List->Elemente <= BRIEF_BEHALTEN) return 0;
    std::vector<ListNode *> v = Knoten(List);
    std::stable_sort(v.begin(), v.end(), Neuer);
    ULONG geloescht = 0;
    for (size_t i = BRIEF_BEHALTEN; i < v.size(); ++i) {
        const char *datei = Brief(v[i])->ChunkFilename;
        if (!DeleteFile(datei)) std::printf("DeleteOverFifty : Konnte %s nicht l\366schen !\n", datei);
        List->ActNode = v[i];
        DeleteNode(List, LIST_ACT, 0, LIST_FREE_OWNED);
        ++geloescht;
    }
    List->ActNode = nullptr;
    return geloescht;
}
