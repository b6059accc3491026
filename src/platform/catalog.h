// Catalog strings: built-in English texts by ID, replaced by a loaded catalog.
#pragma once
#include "platform/types.h"

struct LocStr {
    UWORD ID;
    const char *Str;  // the built-in text, or the loaded catalog's text
};

constexpr int VEK_STRING_COUNT = 1581;
constexpr int BT_STRING_COUNT = 45;

extern LocStr VekStrings[VEK_STRING_COUNT];       // game strings in table order
extern LocStr RoredIdezStrings[BT_STRING_COUNT];  // story strings, ID = position
