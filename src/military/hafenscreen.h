// The harbour screen's boxes, replaceable by tests.
#pragma once
#include "platform/types.h"

struct HafenDialoge {
    void (*Message)(const char *text);  // advisor, Ok only
    LONG (*Ask)(const char *text);      // advisor, 0 Ok, 1 Cancel
    void (*Text)(const char *text);     // text box
};
extern HafenDialoge HafenDialogHooks;
// The ambience's dice are HafenWuerfel of world/hafen.h.
