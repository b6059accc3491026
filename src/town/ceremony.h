// The two ceremonies after a turn: anarchy ends a realm, a coronation raises
// its ruler. Both type their text one character per tick, each line centred
// on x = 320 and drawn with a four-fold outline.
#pragma once
#include "platform/types.h"

struct RastPort;

// Draws character n (counted from 1) of text: nothing for 0, past the end
// or a line feed. Lines lie font height + 3 apart from startY; the outline
// pen at the four sides, the text pen in the middle.
void CeremonyTypeCharacter(RastPort *rp, const char *text, ULONG n, LONG startY, UWORD outlinePen, UWORD textPen);
void AnarchiePrintText(const char *text, UWORD Tick, UWORD StartY);
void KroenungPrintText(const char *text, UWORD Tick, UWORD StartY);

// The title for the received LAND chunk's realm points, or null.
const char *KroenungCheckTitleOfPlayer();
// The title for exactly these points, or null.
const char *KroenungTitleForPoints(ULONG points);
