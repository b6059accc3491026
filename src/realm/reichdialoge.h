// The boxes the research, gods and specialists screens show: the real
// dialogs by default, replaced by tests that answer them.
#pragma once
#include "platform/types.h"

struct ReichDialoge {
    void (*Message)(const char *text);  // the advisor with one Ok
    LONG (*Ask)(const char *text);      // 0 Ok, 1 Cancel
    LONG (*Text)(const char *text);     // the scrolling text box
};
extern ReichDialoge ForschungDialogHooks;
extern ReichDialoge GoetterDialogHooks;
extern ReichDialoge SpezialistenDialogHooks;
extern ReichDialoge StammbaumDialogHooks;
