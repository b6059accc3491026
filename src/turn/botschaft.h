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
