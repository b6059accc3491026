// Turn transport and online services: network stack, chat panel and the
// screens of the tavern and the update download.
#pragma once
#include "platform/types.h"

struct IRCChannel;

LONG Start_TCP_IP();                 // -1 no stack chosen, 1 otherwise
LONG Quit_TCP_IP();                  // -1 no stack chosen, else 0
IRCChannel *StartIRCPanel();         // the chat panel's channel, or null
void Send2IRCPanel(int command);     // 0 stop, 1 show, 2 hide, 3 hand to chat screen, 4 take back
void EndIRCPanel(IRCChannel *channel);
WORD TaverneScreen();                // screen 59
LONG LagerScreen();                  // screen 61, the update download

// The first network interface's hardware address as 12 lower-case hex digits
// (no NUL) into buffer; *length = 12. 1, or 0 with nothing written.
BOOL GetMacAddress(char *buffer, ULONG *length);
