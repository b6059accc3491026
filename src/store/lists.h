// Typed lists: circular doubly linked lists of game records of one list type.
// A per-type table of field descriptors drives freeing, searching by example
// and sorting by several keys.
#pragma once
#include "platform/types.h"

struct ListNode {
    ListNode *Next;   // the last node's Next is the first node
    ListNode *Prev;   // the first node's Prev is the last node
    ULONG Version;    // free for the user
};

// The record's data follow the node head directly.
inline UBYTE *NodeData(ListNode *n) { return (UBYTE *)n + sizeof(ListNode); }

// One field of a list type's record, in record order.
struct ListFieldDef {
    UBYTE Kind;      // LIST_INLINE, LIST_POINTER or LIST_TEXT
    UBYTE Size;      // inline width; compare length for pointers (0 for texts)
    UBYTE Priority;  // sort key weight, or 1 to mark a search field
};

constexpr UBYTE LIST_INLINE = 0;
constexpr UBYTE LIST_POINTER = 1;  // owned block, freed with the node
constexpr UBYTE LIST_TEXT = 2;     // owned text, freed with the node

struct ListHeader {
    ListNode *FirstNode;
    ListNode *ActNode;      // the cursor, null until set
    ULONG Elemente;         // number of nodes
    ULONG Typ;
    ULONG TypEntries;       // descriptors the walks use
    ULONG TypSize;          // node head plus data bytes (pointers at the host's width)
    ListFieldDef *TypDef;   // the list's own copy of its type's descriptors
    ListNode *CompareNode;  // example for searches, TypSize bytes
};

// Position flags of InsertNode, DeleteNode and GetNode.
constexpr ULONG LIST_SEARCH = 0x01;
constexpr ULONG LIST_FIRST = 0x02;
constexpr ULONG LIST_ACT = 0x04;
constexpr ULONG LIST_INDEX = 0x08;
constexpr ULONG LIST_LAST = 0x10;
constexpr ULONG LIST_NEXT = 0x20;
constexpr ULONG LIST_PREV = 0x40;
constexpr ULONG LIST_ASCENDING = 0x80;
constexpr ULONG LIST_DESCENDING = 0x100;

constexpr ULONG LIST_FREE_OWNED = 0x1;  // DeleteNode: free the node's owned blocks
constexpr ULONG LIST_UNLINK_ONLY = 0x2; // DeleteNode: hand the node back instead of freeing it

ListHeader *CreateList(ULONG typ);                                     // null for an unknown type
void DeleteList(ListHeader *liste, ULONG freeOwned);                   // null accepted
ULONG InsertNode(ListHeader *liste, ListNode *node, ULONG flag, ULONG val);  // new Elemente
ListNode *DeleteNode(ListHeader *liste, ULONG flag, ULONG val, ULONG mode);  // the node with LIST_UNLINK_ONLY
ListNode *GetNode(ListHeader *liste, ULONG flag, ULONG val);           // becomes ActNode; null if none
int SortList(ListHeader *liste, ULONG flag);                           // 1 sorted, 0 not
// Exchanges the places of two nodes of the list (the nodes themselves, with
// their data, stay where they are in memory; the cursor stays on its node).
// 1 when swapped or a is b; 0 when either is null or not in the list.
int ChangeNodeTree(ListHeader *liste, ListNode *a, ListNode *b);
char *CreateListReqBuffer(ListHeader *liste, ULONG offset, ULONG typ); // 80-byte lines; caller frees

// Data position of descriptor entry `entry` in a node's data area.
ULONG ListFieldOffset(const ListHeader *liste, ULONG entry);
