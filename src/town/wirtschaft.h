// What the granary, taxes and luxury screens share: the boxes they ask and
// tell through (tests put their own in place), and the typing of a number
// into a field of a screen description.
#pragma once
#include "platform/types.h"

struct RastPort;
struct TextFont;
struct StringInputInfo;

struct WirtschaftDialoge {
    void (*Meldung)(const char *text);               // advisor box with Ok
    LONG (*Text)(const char *text);                  // scrolling info text
    LONG (*Wahl)(ULONG n, const char *choices);      // switch box: 1..n, 0 when it cannot be shown
};
extern WirtschaftDialoge WirtschaftDialogHooks;

// Types a number into the field (X0, Y0)-(X1, Y1) at the input record ein,
// starting from vorgabe, until Enter (Escape ends it too). The field is
// filled with pen hintergrund first; the text goes into text (at least 16
// bytes). 1 with Enter, 0 otherwise.
BOOL ZahlEingabe(RastPort *rp, TextFont *font, const StringInputInfo &ein, UWORD X0, UWORD Y0, UWORD X1, UWORD Y1,
                 UWORD hintergrund, const char *vorgabe, char *text);
