// Letters between rulers over the game server: the waiting letters of
// ./Data/MailOut handed in at once, new ones fetched into ./Data/MailIn, and
// the subject rule of the letter editor.
#pragma once
#include "platform/types.h"

// The question before each exchange (Ok/Cancel; 0 means Ok): the advisor's
// box by default.
extern LONG (*BotschaftFrageHook)(const char *text);

// 1 when the subject holds a character other than a blank.
BOOL CheckBetreff(const char *Betreff);
// Hands every letter of ./Data/MailOut to the game server ("+MSG", addressed
// by the recipient in the letter), deleting each one sent. 0 when there is
// none, the player declines or the net is unreachable; else 1 when the last
// letter tried went out (a letter that cannot be read clears it).
BOOL SendBotschaftPerTCPIP();
// Fetches the waiting letters ("+MAL") into ./Data/MailIn after the
// question: 1 when the server took the player id and the fetch ran.
BOOL HoleBotschaftPerTCPIP();

// ---- the letter text while it is written ----

constexpr ULONG BRIEF_PUFFER = 20000;   // bytes of the editor's buffer
constexpr ULONG BRIEF_ZEICHEN = 10000;  // characters a letter holds at most
constexpr ULONG BRIEF_ZEILEN = 50;      // lines a letter holds at most

struct BriefText {
    char Text[BRIEF_PUFFER];  // NUL-terminated
    ULONG Laenge;
    ULONG Cursor;             // insert position
    ULONG Breite;             // characters per line of the box (at least 1)
};
// Lines the text takes in a box of Breite characters (breaks and wraps).
ULONG BriefZeilen(const char *Text, ULONG Laenge, ULONG Breite);
// One key: a printable Latin-1 character inserts, Return a line break,
// Backspace deletes before the cursor, the extended codes 37-40 move the
// cursor left, up, right and down. 1 when the text or cursor changed; 0 when
// the key is refused (a 10,001st character or a 51st line) or means nothing.
BOOL BriefTaste(BriefText *b, ULONG code, BOOL extended);
// The line the cursor stands in (0-based).
ULONG BriefCursorZeile(const BriefText *b);

// The walk over the letters shown one at a time: from position Pos (0-based)
// of N letters, Richtung 0 keeps the current one, -1 and 1 step back and
// forth with wrapping; with Filter the walk goes on in that direction (0:
// forward) for at most N steps until a letter of sender Absender. The new
// position, or -1 without letters.
LONG BriefWeg(const LONG *Absender, LONG N, LONG Pos, int Richtung, BOOL Filter, LONG Von);
