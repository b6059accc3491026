#include "store/lists.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/memfile.h"

namespace {

constexpr UBYTE P = LIST_POINTER, T = LIST_TEXT;

struct TypeTable {
    ULONG typ;
    ULONG entries;
    ULONG dataBytes;  // with pointer fields counted as 4 bytes
    std::vector<ListFieldDef> fields;
};

std::vector<ListFieldDef> Widths(std::initializer_list<int> widths)
{
    std::vector<ListFieldDef> v;
    for (int w : widths) {
        if (w == -1) v.push_back({P, 4, 0});
        else if (w == -2) v.push_back({T, 0, 0});
        else v.push_back({LIST_INLINE, (UBYTE)w, 0});
    }
    return v;
}

std::vector<ListFieldDef> Repeat(int count, int width)
{
    return std::vector<ListFieldDef>((size_t)count, ListFieldDef{LIST_INLINE, (UBYTE)width, 0});
}

std::vector<ListFieldDef> Join(std::initializer_list<std::vector<ListFieldDef>> parts)
{
    std::vector<ListFieldDef> v;
    for (const auto &p : parts) v.insert(v.end(), p.begin(), p.end());
    return v;
}

const std::vector<TypeTable> &Types()
{
    constexpr int p = -1, t = -2;
    static const std::vector<ListFieldDef> figure = Widths({4, 2, 2, 4, 4, 1, 1});
    static const std::vector<TypeTable> types = {
        {1, 2, 84, Widths({4, 80})},
        {3, 10, 56, Widths({4, 4, 4, 4, 4, 4, 4, 4, 20, p})},
        // An army part: the 44-byte ArmeeEntry, then the saboteur list pointer,
        // which must have the host's width like any other pointer field.
        {4, 10, 48, Join({Repeat(11, 4), Widths({p, p})})},
        {6, 14, 56, Repeat(14, 4)},
        {7, 10, 36, Widths({2, 4, 4, 4, 4, 4, 4, 4, 4, 2})},
        {9, 10, 32, Widths({2, 4, 4, 4, 4, 2, 2, 4, 4, 2})},
        {10, 23, 68, Join({Widths({2, 2, 2, 4, 4}), figure, figure, figure})},
        {13, 6, 92, Widths({2, 2, 80, 2, 4, 2})},
        {14, 38, 100, Join({Widths({2, 2, 2}), Repeat(11, 4), Repeat(24, 2)})},
        {15, 11, 28, Widths({4, 4, 2, 4, 4, 4, 2, 4, 4, 4, 4})},
        {16, 5, 12, Widths({4, 4, 1, 1, 2})},
        {17, 6, 96, Widths({80, 2, 2, 4, 4, 4})},
        {19, 7, 20, figure},
        {20, 13, 256, Widths({2, 2, 2, 2, 80, 140, 4, 4, t, p, t, p, t})},
        {21, 10, 520, Widths({4, 80, 24, 160, 40, 40, 160, 4, 4, p})},
        {22, 3, 32, Widths({21, 4, 4})},
        {39, 4, 256, Widths({127, 4, 127, 4})},
        {40, 9, 36, Widths({4, 4, 4, 4, 4, p, p, 4, p})},
        {41, 4, 16, Widths({4, 4, 4, 4})},
    };
    return types;
}

ULONG FieldWidth(const ListFieldDef &f) { return f.Kind == LIST_INLINE ? f.Size : (ULONG)sizeof(void *); }

// Data bytes at the host's pointer width: pointer fields inside the record's
// span grow from 4 bytes to a native pointer.
ULONG HostDataBytes(const TypeTable &t)
{
    ULONG given = 0, host = 0;
    for (const ListFieldDef &f : t.fields) {
        if (given >= t.dataBytes) break;
        given += f.Kind == LIST_INLINE ? f.Size : 4;
        host += FieldWidth(f);
    }
    return host + (t.dataBytes > given ? t.dataBytes - given : 0);
}

// Calls fn(entry, field, dataPointer) for each field the walks reach.
template <class F> void WalkFields(const ListHeader *l, ListNode *node, F fn)
{
    ULONG pos = sizeof(ListNode);
    for (ULONG i = 0; i < l->TypEntries && pos < l->TypSize; ++i) {
        const ListFieldDef &f = l->TypDef[i];
        fn(i, f, (UBYTE *)node + pos);
        pos += FieldWidth(f);
    }
}

void *LoadPointer(const UBYTE *at)
{
    void *p;
    std::memcpy(&p, at, sizeof p);
    return p;
}

void FreeOwned(const ListHeader *l, ListNode *node)
{
    WalkFields(l, node, [](ULONG, const ListFieldDef &f, UBYTE *at) {
        if (f.Kind == LIST_INLINE) return;
        FreeVec(LoadPointer(at));
        std::memset(at, 0, sizeof(void *));
    });
}

ListNode *NodeAt(const ListHeader *l, ULONG index)
{
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; i < index; ++i) n = n->Next;
    return n;
}

void LinkBefore(ListNode *node, ListNode *before)
{
    node->Next = before;
    node->Prev = before->Prev;
    before->Prev->Next = node;
    before->Prev = node;
}

bool FieldMatches(const ListFieldDef &f, const UBYTE *a, const UBYTE *b)
{
    switch (f.Kind) {
    case LIST_INLINE:
        return std::memcmp(a, b, f.Size) == 0;
    case LIST_POINTER: {
        const void *pa = LoadPointer(a), *pb = LoadPointer(b);
        return pa && pb && f.Size && std::memcmp(pa, pb, f.Size) == 0;
    }
    default: {
        const char *ta = (const char *)LoadPointer(a), *tb = (const char *)LoadPointer(b);
        return ta && tb && std::strcmp(ta, tb) == 0;
    }
    }
}

struct SortKey {
    ULONG offset;  // data position from the node start
    ListFieldDef field;
};

ULONG Number(const UBYTE *p, ULONG width)
{
    ULONG v = 0;
    std::memcpy(&v, p, width);  // host order: the low bytes of v on little-endian hosts
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v >>= 8 * (4 - width);
#endif
    return v;
}

// <0, 0, >0 as a's key is below, equal to or above b's.
int CompareKey(const SortKey &k, ListNode *a, ListNode *b)
{
    const UBYTE *fa = (const UBYTE *)a + k.offset, *fb = (const UBYTE *)b + k.offset;
    static const UBYTE zeros[256] = {};
    if (k.field.Kind == LIST_TEXT) {
        const char *ta = (const char *)LoadPointer(fa), *tb = (const char *)LoadPointer(fb);
        if (!ta) ta = "";
        if (!tb) tb = "";
        // Compared over the length of the candidate's text; a short text is
        // compared from its last character back. Bytes past either end count as 0.
        const size_t n = std::strlen(ta), nb = std::strlen(tb);
        auto at = [](const char *t, size_t len, size_t i) { return i < len ? (UBYTE)t[i] : (UBYTE)0; };
        for (size_t j = 0; j < n; ++j) {
            size_t i = n <= 4 ? n - 1 - j : j;
            UBYTE ca = at(ta, n, i), cb = at(tb, nb, i);
            if (ca != cb) return ca < cb ? -1 : 1;
        }
        return 0;
    }
    const UBYTE *da = fa, *db = fb;
    if (k.field.Kind == LIST_POINTER) {
        da = (const UBYTE *)LoadPointer(fa);
        db = (const UBYTE *)LoadPointer(fb);
        if (!da) da = zeros;
        if (!db) db = zeros;
    }
    const ULONG w = k.field.Size;
    if (w >= 1 && w <= 4) {
        ULONG va = Number(da, w), vb = Number(db, w);
        return va < vb ? -1 : va > vb ? 1 : 0;
    }
    int c = std::memcmp(da, db, w);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

void Relink(ListHeader *l, const std::vector<ListNode *> &order)
{
    const size_t n = order.size();
    for (size_t i = 0; i < n; ++i) {
        order[i]->Next = order[(i + 1) % n];
        order[i]->Prev = order[(i + n - 1) % n];
    }
    l->FirstNode = order[0];
}

}  // namespace

ListHeader *CreateList(ULONG typ)
{
    const TypeTable *t = nullptr;
    for (const TypeTable &c : Types())
        if (c.typ == typ) t = &c;
    if (!t) {
        std::printf("CreateList:Sie haben versucht eine Liste anzulegene dessen Typ aber noch nicht in CreateList "
                    "definiert wurde.\n");
        return nullptr;
    }
    auto *l = (ListHeader *)AllocVec(sizeof(ListHeader), MEMF_CLEAR);
    l->Typ = typ;
    l->TypEntries = t->entries;
    l->TypSize = (ULONG)sizeof(ListNode) + HostDataBytes(*t);
    l->TypDef = (ListFieldDef *)AllocVec((ULONG)(t->fields.size() * sizeof(ListFieldDef)), MEMF_CLEAR);
    std::memcpy(l->TypDef, t->fields.data(), t->fields.size() * sizeof(ListFieldDef));
    l->CompareNode = (ListNode *)AllocVec(l->TypSize, MEMF_CLEAR);
    return l;
}

void DeleteList(ListHeader *l, ULONG freeOwned)
{
    if (!l) return;
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; i < l->Elemente && n; ++i) {
        ListNode *next = n->Next;
        if (freeOwned) FreeOwned(l, n);
        FreeVec(n);
        n = next;
    }
    FreeVec(l->CompareNode);
    FreeVec(l->TypDef);
    FreeVec(l);
}

ULONG InsertNode(ListHeader *l, ListNode *node, ULONG flag, ULONG val)
{
    if (!l) return 0;
    if (!node || (flag != LIST_FIRST && flag != LIST_ACT && flag != LIST_INDEX && flag != LIST_LAST))
        return l->Elemente;
    if (l->Elemente == 0) {
        node->Next = node->Prev = node;
        l->FirstNode = l->ActNode = node;
        return l->Elemente = 1;
    }
    switch (flag) {
    case LIST_FIRST:
        LinkBefore(node, l->FirstNode);
        l->FirstNode = node;
        break;
    case LIST_ACT:
        if (!l->ActNode || l->ActNode == l->FirstNode) {
            LinkBefore(node, l->FirstNode);
            l->FirstNode = node;
        } else {
            LinkBefore(node, l->ActNode);
        }
        break;
    case LIST_INDEX:
        // Before node 0 lands at the ring's end as well: the first node stays first.
        LinkBefore(node, val >= l->Elemente ? l->FirstNode : NodeAt(l, val));
        break;
    default:
        LinkBefore(node, l->FirstNode);
        break;
    }
    return ++l->Elemente;
}

ListNode *DeleteNode(ListHeader *l, ULONG flag, ULONG val, ULONG mode)
{
    if (!l || l->Elemente == 0) return nullptr;
    ListNode *victim = nullptr;
    switch (flag) {
    case LIST_FIRST: victim = l->FirstNode; break;
    case LIST_ACT: victim = l->ActNode; break;
    case LIST_INDEX: victim = val < l->Elemente ? NodeAt(l, val) : nullptr; break;
    case LIST_LAST: victim = l->FirstNode->Prev; break;
    default: break;
    }
    if (!victim) return nullptr;
    if (l->Elemente == 1) {
        l->FirstNode = l->ActNode = nullptr;
    } else {
        victim->Prev->Next = victim->Next;
        victim->Next->Prev = victim->Prev;
        if (l->FirstNode == victim) l->FirstNode = victim->Next;
        // Removing by index leaves the cursor on the removed node's successor.
        if (l->ActNode == victim || flag == LIST_INDEX) l->ActNode = victim->Next;
    }
    --l->Elemente;
    victim->Next = victim->Prev = nullptr;
    if (mode & LIST_UNLINK_ONLY) return victim;
    if (mode & LIST_FREE_OWNED) FreeOwned(l, victim);
    FreeVec(victim);
    return nullptr;
}

ListNode *GetNode(ListHeader *l, ULONG flag, ULONG val)
{
    if (!l || l->Elemente == 0) return nullptr;
    ListNode *found = nullptr;
    if (flag & LIST_SEARCH) {
        if (!l->ActNode) l->ActNode = l->FirstNode;
        ListNode *start = l->FirstNode;
        if (flag & LIST_NEXT) start = l->ActNode->Next;
        else if (flag & LIST_ACT) start = l->ActNode;
        else if (flag & LIST_INDEX) start = val < l->Elemente ? NodeAt(l, val) : nullptr;
        else if (flag & LIST_LAST) start = l->FirstNode->Prev;
        if (!start) return nullptr;
        const bool backwards = flag & (LIST_LAST | LIST_PREV);
        ListNode *n = start;
        for (ULONG i = 0; i < l->Elemente && !found; ++i, n = backwards ? n->Prev : n->Next) {
            const UBYTE *example = (const UBYTE *)l->CompareNode;
            WalkFields(l, n, [&](ULONG, const ListFieldDef &f, UBYTE *at) {
                if (!found && f.Priority == 1 && FieldMatches(f, at, example + (at - (UBYTE *)n))) found = n;
            });
        }
    } else {
        switch (flag) {
        case LIST_FIRST: found = l->FirstNode; break;
        case LIST_ACT: found = l->ActNode ? l->ActNode : l->FirstNode; break;
        case LIST_INDEX: found = val < l->Elemente ? NodeAt(l, val) : nullptr; break;
        case LIST_LAST: found = l->FirstNode->Prev; break;
        case LIST_NEXT:
        case LIST_PREV:
            if (!l->ActNode) l->ActNode = l->FirstNode;
            found = flag == LIST_NEXT ? l->ActNode->Next : l->ActNode->Prev;
            break;
        default: break;
        }
    }
    if (found) l->ActNode = found;
    return found;
}

int SortList(ListHeader *l, ULONG flag)
{
    if (!l || !(flag & (LIST_ASCENDING | LIST_DESCENDING))) return 0;
    if (l->Elemente < 2) return 1;

    // Keys in order of significance; sorting consumes the priorities.
    std::vector<SortKey> keys;
    for (;;) {
        ULONG best = l->TypEntries;
        for (ULONG i = 0; i < l->TypEntries; ++i)
            if (l->TypDef[i].Priority && (best == l->TypEntries || l->TypDef[i].Priority > l->TypDef[best].Priority))
                best = i;
        if (best == l->TypEntries) break;
        keys.push_back({(ULONG)sizeof(ListNode) + ListFieldOffset(l, best), l->TypDef[best]});
        l->TypDef[best].Priority = 0;
    }
    if (keys.empty()) {
        std::printf("SortNode : Keine Priorit\344t vorhanden !\n");
        return 0;
    }

    std::vector<ListNode *> v;
    v.reserve(l->Elemente);
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; i < l->Elemente; ++i, n = n->Next) v.push_back(n);

    const int sign = (flag & LIST_DESCENDING) ? 1 : -1;  // the pick is the most extreme in this direction
    auto equalAbove = [&](size_t k, ListNode *a, ListNode *b) {
        for (size_t j = 0; j < k; ++j)
            if (CompareKey(keys[j], a, b) != 0) return false;
        return true;
    };
    for (size_t k = 0; k < keys.size(); ++k) {
        for (size_t pos = 0; pos + 1 < v.size(); ++pos) {
            size_t end = v.size();
            if (k > 0) {
                end = pos + 1;
                while (end < v.size() && equalAbove(k, v[end], v[pos])) ++end;
                if (end - pos < 2) continue;
            }
            size_t pick = pos;
            bool lastReplaced = false;
            for (size_t c = pos + 1; c < end; ++c) {
                int cmp = CompareKey(keys[k], v[c], v[pick]) * sign;
                if (cmp > 0) {
                    pick = c;
                    lastReplaced = true;
                } else if (cmp < 0) {
                    lastReplaced = false;
                } else if (lastReplaced) {
                    pick = c;
                }
            }
            std::swap(v[pos], v[pick]);
        }
    }
    Relink(l, v);
    if (!l->ActNode) l->ActNode = l->FirstNode;
    return 1;
}

int ChangeNodeTree(ListHeader *l, ListNode *a, ListNode *b)
{
    if (!l || !a || !b || !l->FirstNode) return 0;
    ULONG ia = l->Elemente, ib = l->Elemente;
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; i < l->Elemente; ++i, n = n->Next) {
        if (n == a) ia = i;
        if (n == b) ib = i;
    }
    if (ia == l->Elemente || ib == l->Elemente) return 0;
    if (a == b) return 1;
    // Relinking by the order list handles neighbours and the ring's ends alike.
    std::vector<ListNode *> order;
    order.reserve(l->Elemente);
    n = l->FirstNode;
    for (ULONG i = 0; i < l->Elemente; ++i, n = n->Next) order.push_back(n);
    std::swap(order[ia], order[ib]);
    Relink(l, order);
    return 1;
}

char *CreateListReqBuffer(ListHeader *l, ULONG offset, ULONG)
{
    if (!l || l->Elemente == 0) return nullptr;
    char *buffer = (char *)AllocVec(l->Elemente * 80, MEMF_CLEAR);
    const ULONG dataBytes = l->TypSize - (ULONG)sizeof(ListNode);
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; i < l->Elemente; ++i, n = n->Next) {
        if (offset >= dataBytes) continue;
        const char *text = (const char *)NodeData(n) + offset;
        std::memcpy(buffer + 80 * i, text, strnlen(text, std::min<ULONG>(79, dataBytes - offset)));
    }
    return buffer;
}

ULONG ListFieldOffset(const ListHeader *l, ULONG entry)
{
    ULONG pos = 0;
    for (ULONG i = 0; i < entry && i < l->TypEntries; ++i) pos += FieldWidth(l->TypDef[i]);
    return pos;
}
