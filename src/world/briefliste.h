// The order of the public letters in the tavern's letter window and the
// pruning of MailIn when the window closes.
#pragma once
#include "platform/types.h"

struct ListHeader;

// Sort orders of the letter list.
constexpr UWORD BRIEF_NACH_DATUM = 0;    // newest first
constexpr UWORD BRIEF_NACH_BETREFF = 3;  // subject ascending
constexpr UWORD BRIEF_NACH_ABSENDER = 4; // sender name ascending
// The order after SortMode in the cycle date -> subject -> sender -> date.
UWORD BriefNaechsteSortierung(UWORD SortMode);
// Sorts a letter list (type 21) in the order SortMode; letters equal in its
// key keep their order. 1, or 0 for another list or order.
BOOL BriefeSortieren(ListHeader *List, UWORD SortMode);

constexpr ULONG BRIEF_BEHALTEN = 51;     // letters MailIn keeps
// Deletes every letter but the 51 newest by date (equal dates by file name),
// whatever order the list shows: file and node. The letters deleted.
ULONG DeleteOverFifty(ListHeader *List);
