// Shared by the cases of the chunk machine.
#pragma once
#include <vector>

#include "platform/types.h"
#include "store/chunks.h"
#include "store/lists.h"

namespace chunkmachine {

// The chunk of number Num from the pool, host order, or null. *Broken is set
// when the pool says it holds the chunk but it cannot be loaded.
APTR LoadFromPool(ULONG Num, const char *Path, bool *Broken);
// A figure list of the figure file's MOVE chunk, or null.
ListHeader *LoadFigurList();
// The nodes of a list in order (a snapshot: deleting one keeps the others valid).
std::vector<ListNode *> Nodes(ListHeader *List);
// Deletes one node with what it owns.
void Remove(ListHeader *List, ListNode *Node);
// Puts a node right after another node of the same list.
void MoveAfter(ListHeader *List, ListNode *Node, ListNode *After);

BOOL CaseWare(const char *Path, ULONG Modus);
BOOL CaseVert(const char *Path);
BOOL CaseArmy(const char *Path);
BOOL CaseShip(const char *Path, ULONG Modus);

}  // namespace chunkmachine
