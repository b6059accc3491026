// Typed lists: ring operations, search by example, the multi-key sort with
// its tie order, and freeing of owned blocks.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

#include "common/testutil.h"
#include "platform/memfile.h"
#include "store/lists.h"

namespace {

constexpr ULONG WARE = 7;     // 2, 4, 4, 4, 4, 4, 4, 4, 4, 2
constexpr ULONG FIGURE = 19;  // 4, 2, 2, 4, 4, 1, 1
constexpr ULONG LETTER = 21;  // 4, 80, 24, 160, 40, 40, 160, 4, 4, p
constexpr ULONG MAILFILE = 20;

ListNode *NewNode(const ListHeader *l) { return (ListNode *)AllocVec(l->TypSize, MEMF_CLEAR); }

// A figure node: entry 0 is a 4-byte id, entry 1 a 2-byte value; Version tags it.
ListNode *Figure(ListHeader *l, ULONG id, UWORD value, ULONG tag)
{
    ListNode *n = NewNode(l);
    std::memcpy(NodeData(n), &id, 4);
    std::memcpy(NodeData(n) + 4, &value, 2);
    n->Version = tag;
    return n;
}

std::vector<ULONG> Tags(ListHeader *l)
{
    std::vector<ULONG> tags;
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; i < l->Elemente; ++i, n = n->Next) tags.push_back(n->Version);
    return tags;
}

// Ring invariants: Next/Prev agree and Elemente nodes close the ring.
void CheckRing(ListHeader *l)
{
    if (l->Elemente == 0) {
        EXPECT_EQ(l->FirstNode, nullptr);
        return;
    }
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; i < l->Elemente; ++i, n = n->Next) EXPECT_EQ(n->Next->Prev, n);
    EXPECT_EQ(n, l->FirstNode);
}

ListHeader *FigureList(std::initializer_list<ULONG> tags)
{
    ListHeader *l = CreateList(FIGURE);
    for (ULONG t : tags) InsertNode(l, Figure(l, t, 0, t), LIST_LAST, 0);
    return l;
}

}  // namespace

TEST(Lists, TypesAndHostPointerWidth)
{
    EXPECT_EQ(CreateList(2), nullptr);
    EXPECT_EQ(CreateList(42), nullptr);
    struct Row {
        ULONG typ, entries, dataBytes;
    } rows[] = {
        {1, 2, 84},
        {7, 10, 36},
        {19, 7, 20},
        {3, 10, 52 + sizeof(void *)},
        {20, 13, 236 + 5 * sizeof(void *)},
        {21, 10, 516 + sizeof(void *)},
        {4, 10, 44 + sizeof(void *)},  // ArmeeEntry and the saboteur list pointer
        {15, 11, 28},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.typ);
        ListHeader *l = CreateList(r.typ);
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(l->TypEntries, r.entries);
        EXPECT_EQ(l->TypSize - sizeof(ListNode), r.dataBytes);
        EXPECT_EQ(l->Elemente, 0u);
        DeleteList(l, 1);
    }
}

TEST(Lists, InsertPositions)
{
    struct Row {
        const char *name;
        ULONG flag, val;
        bool setActToSecond;
        std::vector<ULONG> expected;
        bool newIsFirst;
    } rows[] = {
        {"first", LIST_FIRST, 0, true, {9, 1, 2, 3}, true},
        {"before the cursor", LIST_ACT, 0, true, {1, 9, 2, 3}, false},
        {"before a null cursor", LIST_ACT, 0, false, {9, 1, 2, 3}, true},
        {"before index 1", LIST_INDEX, 1, false, {1, 9, 2, 3}, false},
        {"index = count appends", LIST_INDEX, 3, false, {1, 2, 3, 9}, false},
        {"index 0 lands at the end too", LIST_INDEX, 0, false, {1, 2, 3, 9}, false},
        {"last", LIST_LAST, 0, false, {1, 2, 3, 9}, false},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        ListHeader *l = FigureList({1, 2, 3});
        ListNode *second = l->FirstNode->Next;
        l->ActNode = r.setActToSecond ? second : nullptr;
        ListNode *act = l->ActNode;
        EXPECT_EQ(InsertNode(l, Figure(l, 9, 0, 9), r.flag, r.val), 4u);
        EXPECT_EQ(Tags(l), r.expected);
        EXPECT_EQ(l->FirstNode->Version == 9, r.newIsFirst);
        EXPECT_EQ(l->ActNode, act);
        CheckRing(l);
        DeleteList(l, 1);
    }
    ListHeader *l = CreateList(FIGURE);
    ListNode *only = Figure(l, 5, 0, 5);
    EXPECT_EQ(InsertNode(l, only, LIST_LAST, 0), 1u);
    EXPECT_EQ(l->ActNode, only);
    EXPECT_EQ(only->Next, only);
    ListNode *stray = Figure(l, 6, 0, 6);
    EXPECT_EQ(InsertNode(l, stray, 3, 0), 1u);
    FreeVec(stray);
    DeleteList(l, 1);
}

TEST(Lists, DeletePositionsMoveTheCursor)
{
    struct Row {
        const char *name;
        ULONG flag, val;
        std::vector<ULONG> expected;
        ULONG actAfter;  // tag of ActNode afterwards
    } rows[] = {
        {"first", LIST_FIRST, 0, {2, 3}, 2},
        {"cursor on the first", LIST_ACT, 0, {2, 3}, 2},
        {"index 1: the cursor moves to its successor", LIST_INDEX, 1, {1, 3}, 3},
        {"index out of range", LIST_INDEX, 3, {1, 2, 3}, 1},
        {"last", LIST_LAST, 0, {1, 2}, 1},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        ListHeader *l = FigureList({1, 2, 3});
        EXPECT_EQ(l->ActNode->Version, 1u);
        DeleteNode(l, r.flag, r.val, LIST_FREE_OWNED);
        EXPECT_EQ(Tags(l), r.expected);
        EXPECT_EQ(l->ActNode->Version, r.actAfter);
        CheckRing(l);
        DeleteList(l, 1);
    }
    ListHeader *l = FigureList({1});
    ListNode *kept = DeleteNode(l, LIST_LAST, 0, LIST_UNLINK_ONLY);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(l->Elemente, 0u);
    EXPECT_EQ(l->ActNode, nullptr);
    EXPECT_EQ(DeleteNode(l, LIST_FIRST, 0, 0), nullptr);
    EXPECT_EQ(GetNode(l, LIST_FIRST, 0), nullptr);
    InsertNode(l, kept, LIST_FIRST, 0);
    l->ActNode = nullptr;
    EXPECT_EQ(DeleteNode(l, LIST_ACT, 0, 0), nullptr);  // no cursor: nothing removed
    EXPECT_EQ(l->Elemente, 1u);
    DeleteList(l, 1);
    EXPECT_EQ(DeleteNode(nullptr, LIST_FIRST, 0, 0), nullptr);
    EXPECT_EQ(InsertNode(nullptr, nullptr, LIST_FIRST, 0), 0u);
}

TEST(Lists, GetNodeWalksAndSetsTheCursor)
{
    ListHeader *l = FigureList({1, 2, 3});
    l->ActNode = nullptr;
    EXPECT_EQ(GetNode(l, LIST_NEXT, 0)->Version, 2u);  // a null cursor starts at the first
    EXPECT_EQ(GetNode(l, LIST_NEXT, 0)->Version, 3u);
    EXPECT_EQ(GetNode(l, LIST_NEXT, 0)->Version, 1u);  // round the ring
    EXPECT_EQ(GetNode(l, LIST_PREV, 0)->Version, 3u);
    EXPECT_EQ(GetNode(l, LIST_INDEX, 1)->Version, 2u);
    EXPECT_EQ(GetNode(l, LIST_INDEX, 3), nullptr);
    EXPECT_EQ(l->ActNode->Version, 2u);
    EXPECT_EQ(GetNode(l, LIST_LAST, 0)->Version, 3u);
    EXPECT_EQ(GetNode(l, LIST_FIRST, 0)->Version, 1u);
    DeleteList(l, 1);
    ListHeader *one = FigureList({7});
    one->ActNode = nullptr;
    EXPECT_EQ(GetNode(one, LIST_NEXT, 0)->Version, 7u);
    DeleteList(one, 1);
}

TEST(Lists, SearchMarkedFieldsAreAlternatives)
{
    ListHeader *l = CreateList(FIGURE);
    InsertNode(l, Figure(l, 10, 100, 1), LIST_LAST, 0);
    InsertNode(l, Figure(l, 20, 200, 2), LIST_LAST, 0);
    InsertNode(l, Figure(l, 30, 200, 3), LIST_LAST, 0);
    ULONG id = 99;
    UWORD value = 200;
    std::memcpy(NodeData(l->CompareNode), &id, 4);
    std::memcpy(NodeData(l->CompareNode) + 4, &value, 2);
    l->TypDef[0].Priority = 1;
    l->TypDef[1].Priority = 1;
    EXPECT_EQ(GetNode(l, LIST_SEARCH, 0)->Version, 2u);  // only the second field matches
    EXPECT_EQ(GetNode(l, LIST_SEARCH | LIST_NEXT, 0)->Version, 3u);
    EXPECT_EQ(GetNode(l, LIST_SEARCH | LIST_LAST, 0)->Version, 3u);  // backwards from the last
    EXPECT_EQ(GetNode(l, LIST_SEARCH | LIST_INDEX, 5), nullptr);
    value = 5;
    std::memcpy(NodeData(l->CompareNode) + 4, &value, 2);
    EXPECT_EQ(GetNode(l, LIST_SEARCH, 0), nullptr);
    DeleteList(l, 1);
}

TEST(Lists, SortOneKeyAndPrioritiesAreConsumed)
{
    ListHeader *l = CreateList(WARE);
    for (ULONG v : {300u, 5u, 70u}) {
        ListNode *n = NewNode(l);
        std::memcpy(NodeData(n) + 2, &v, 4);  // entry 1 lies after the 2-byte entry 0
        n->Version = v;
        InsertNode(l, n, LIST_LAST, 0);
    }
    l->TypDef[1].Priority = 1;
    EXPECT_EQ(SortList(l, LIST_ASCENDING), 1);
    EXPECT_EQ(Tags(l), (std::vector<ULONG>{5, 70, 300}));
    CheckRing(l);
    vektest::StdoutCapture cap;
    EXPECT_EQ(SortList(l, LIST_ASCENDING), 0);
    EXPECT_NE(cap.Take().find("SortNode : Keine Priorit\344t vorhanden !"), std::string::npos);
    l->TypDef[1].Priority = 1;
    EXPECT_EQ(SortList(l, LIST_ASCENDING | LIST_DESCENDING), 1);  // descending wins
    EXPECT_EQ(Tags(l), (std::vector<ULONG>{300, 70, 5}));
    EXPECT_EQ(SortList(l, 0), 0);
    DeleteList(l, 1);
}

TEST(Lists, SortTieOrderAndSecondaryKeys)
{
    struct Item {
        ULONG id;
        UWORD value;
        ULONG tag;
    };
    struct Row {
        const char *name;
        std::vector<Item> items;
        UBYTE prioId, prioValue;
        ULONG flag;
        std::vector<ULONG> expected;
    } rows[] = {
        // Keys 2a, 1b, 1c, 2d: equal keys are not kept in input order.
        {"ties on one key", {{2, 0, 'a'}, {1, 0, 'b'}, {1, 0, 'c'}, {2, 0, 'd'}}, 1, 0, LIST_ASCENDING,
         {'c', 'b', 'a', 'd'}},
        {"second key inside runs", {{2, 9, 'a'}, {1, 5, 'b'}, {1, 3, 'c'}, {2, 1, 'd'}, {1, 4, 'e'}}, 2, 1,
         LIST_ASCENDING, {'c', 'e', 'b', 'd', 'a'}},
        {"value before id, descending", {{1, 5, 'a'}, {2, 5, 'b'}, {3, 7, 'c'}}, 1, 2, LIST_DESCENDING,
         {'c', 'b', 'a'}},
        {"signed -1 sorts last ascending", {{0xFFFFFFFF, 0, 'n'}, {3, 0, 'p'}}, 1, 0, LIST_ASCENDING, {'p', 'n'}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        ListHeader *l = CreateList(FIGURE);
        for (const Item &it : r.items) InsertNode(l, Figure(l, it.id, it.value, it.tag), LIST_LAST, 0);
        l->TypDef[0].Priority = r.prioId;
        l->TypDef[1].Priority = r.prioValue;
        EXPECT_EQ(SortList(l, r.flag), 1);
        EXPECT_EQ(Tags(l), r.expected);
        for (ULONG i = 0; i < l->TypEntries; ++i) EXPECT_EQ(l->TypDef[i].Priority, 0);
        CheckRing(l);
        DeleteList(l, 1);
    }
}

TEST(Lists, OwnedBlocksAreFreedOnlyWhenAsked)
{
    // Letter list: the last field owns a text block.
    const ULONG a0 = MemAllocatedCounter.load(), f0 = MemFreedCounter.load();
    ListHeader *l = CreateList(LETTER);
    const ULONG ownedOffset = sizeof(ListNode) + ListFieldOffset(l, 9);
    void *shared = AllocVec(32, MEMF_CLEAR);
    for (int i = 0; i < 3; ++i) {
        ListNode *n = NewNode(l);
        void *block = i == 0 ? shared : AllocVec(64, MEMF_CLEAR);
        std::memcpy((UBYTE *)n + ownedOffset, &block, sizeof block);
        InsertNode(l, n, LIST_LAST, 0);
    }
    // The first node's block has another owner: unlink it and clear the field.
    ListNode *first = DeleteNode(l, LIST_FIRST, 0, LIST_UNLINK_ONLY);
    std::memset((UBYTE *)first + ownedOffset, 0, sizeof(void *));
    FreeVec(first);
    DeleteList(l, 1);
    FreeVec(shared);
    EXPECT_EQ(MemAllocatedCounter.load() - a0, MemFreedCounter.load() - f0);

    // With Delete 0 the blocks stay with their other owner.
    ListHeader *m = CreateList(MAILFILE);
    char *text = (char *)AllocVec(8, MEMF_CLEAR);
    ListNode *n = NewNode(m);
    std::memcpy((UBYTE *)n + sizeof(ListNode) + ListFieldOffset(m, 8), &text, sizeof text);
    InsertNode(m, n, LIST_LAST, 0);
    DeleteList(m, 0);
    std::strcpy(text, "alive");  // still ours: no use after free under the sanitizer
    FreeVec(text);
}

TEST(Lists, RequesterLinesAreBounded)
{
    ListHeader *l = CreateList(13);  // map names: the text lies at data offset 4
    for (const char *name : {"Nordmark", "A very long town name that goes on and on beyond the seventy-nine character line"}) {
        ListNode *n = NewNode(l);
        std::strncpy((char *)NodeData(n) + 4, name, 79);
        InsertNode(l, n, LIST_LAST, 0);
    }
    char *lines = CreateListReqBuffer(l, 4, 0);
    ASSERT_NE(lines, nullptr);
    EXPECT_STREQ(lines, "Nordmark");
    EXPECT_EQ(std::strlen(lines + 80), 79u);
    FreeVec(lines);
    EXPECT_EQ(CreateListReqBuffer(nullptr, 0, 0), nullptr);
    DeleteList(l, 1);
}

TEST(Lists, NodeSwapExchangesPlacesOnly)
{
    struct Row {
        const char *name;
        std::vector<ULONG> tags;
        size_t a, b;
        std::vector<ULONG> expected;
    } rows[] = {
        {"apart", {1, 2, 3, 4, 5}, 1, 3, {1, 4, 3, 2, 5}},
        {"neighbours", {1, 2, 3, 4}, 1, 2, {1, 3, 2, 4}},
        {"neighbours the other way", {1, 2, 3, 4}, 2, 1, {1, 3, 2, 4}},
        {"first and last", {1, 2, 3}, 0, 2, {3, 2, 1}},
        {"last and first", {1, 2, 3}, 2, 0, {3, 2, 1}},
        {"the only two", {1, 2}, 0, 1, {2, 1}},
        {"a node with itself", {1, 2, 3}, 1, 1, {1, 2, 3}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        ListHeader *l = FigureList({});
        for (ULONG t : r.tags) InsertNode(l, Figure(l, t, 0, t), LIST_LAST, 0);
        std::vector<ListNode *> nodes;
        ListNode *n = l->FirstNode;
        for (ULONG i = 0; i < l->Elemente; ++i, n = n->Next) nodes.push_back(n);
        ListNode *act = nodes[1];
        l->ActNode = act;
        EXPECT_EQ(ChangeNodeTree(l, nodes[r.a], nodes[r.b]), 1);
        EXPECT_EQ(Tags(l), r.expected);
        EXPECT_EQ(l->Elemente, r.tags.size());
        EXPECT_EQ(l->ActNode, act);
        // The data travel with their nodes.
        for (ListNode *m : nodes) {
            ULONG id;
            std::memcpy(&id, NodeData(m), 4);
            EXPECT_EQ(id, m->Version);
        }
        CheckRing(l);
        DeleteList(l, 1);
    }
}

TEST(Lists, NodeSwapRefusesNodesOfAnotherList)
{
    ListHeader *l = FigureList({1, 2, 3});
    ListHeader *other = FigureList({7});
    EXPECT_EQ(ChangeNodeTree(l, l->FirstNode, other->FirstNode), 0);
    EXPECT_EQ(ChangeNodeTree(l, other->FirstNode, l->FirstNode), 0);
    EXPECT_EQ(ChangeNodeTree(l, nullptr, l->FirstNode), 0);
    EXPECT_EQ(ChangeNodeTree(nullptr, l->FirstNode, l->FirstNode), 0);
    EXPECT_EQ(Tags(l), (std::vector<ULONG>{1, 2, 3}));
    CheckRing(l);
    ListHeader *leer = FigureList({});
    EXPECT_EQ(ChangeNodeTree(leer, l->FirstNode, l->FirstNode), 0);
    DeleteList(leer, 1);
    DeleteList(other, 1);
    DeleteList(l, 1);
}
