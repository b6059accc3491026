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

// ---- the letter window of the tavern ----
#include <cstddef>

struct LokalDataTaverneOfflineChat;
struct SmalListEntry;
struct ListHeader;

// The letter window over the tavern: the public letters of MailIn, a reader
// and the letter editor. Always 0 (back to the tavern).
int TaverneOfflineChat();
// Reads one letter in the window; 1 (back to the list).
int TaverneOfflineViewMail(LokalDataTaverneOfflineChat *Data, SmalListEntry *Entry);
// New = 1: MailIn read again, newest first; New = 0: the next sort order.
// The list lines and box are made again and nothing is selected. Null
// without letters or when the box cannot be made.
ListHeader *TaverneOfflineBuildNewReq(LokalDataTaverneOfflineChat *Data, BOOL New);
// Clears the window's header line and prints header text Number (0 the
// received letters, 4 writing, 5 reading).
void DrawMailLine1(LokalDataTaverneOfflineChat *Data, UWORD Number);
// The reader's sender and subject lines of a letter, bounded by the buffers.
void TaverneOfflineLeseZeilen(const SmalListEntry *Entry, char *Absender, size_t na, char *Betreff, size_t nb);
// The window's advisor messages (an Ok box when null): tests listen here.
extern void (*TaverneMeldungHook)(const char *text);
