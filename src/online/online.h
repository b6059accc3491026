// Online screens: the tavern and its store room, where program updates are
// fetched from the update server.
#pragma once
#include "platform/types.h"

WORD TaverneScreen();  // screen 59
LONG LagerScreen();    // screen 61, the update download; always 59

// The update screen's rules, without drawing.
// Three digits "ddd" as the version number ddd, its text "d.dd" into out (5
// bytes); no digits give 0 and "----".
ULONG LagerVersion(const char *text, char *out);
ULONG ProgrammVersion(char *out);  // the program's own version, "0.58" and 58
// The right end of the download bar after Done of Total bytes; 0 when the
// download is too small to show one.
ULONG LagerBalkenEnde(ULONG Total, ULONG Done);
// 1 when the mouse at (mx, my) hits the barrel drawn at (px, py).
BOOL LagerFassTrifft(LONG px, LONG py, LONG mx, LONG my);
// The updates of the FTP listing (an archive ".zip" or ".exe" with its
// note), at most ten, their names and sizes into the arrays; the count.
UWORD CountUpdates(char (*Namen)[256], char (*Texte)[256], ULONG *Groessen, ULONG *TextGroessen);
