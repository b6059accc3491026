// Network stack and chat panel as far as start-up and shutdown need them.
#include "net/net.h"

#include "platform/system.h"

LONG Start_TCP_IP()
{
    if ((UBYTE)UserSystem.TCPIP_ID == 255) return -1;
    if ((UBYTE)UserSystem.TCPIP_ID == 4) UserSystem.VekFlags |= VEKFLAG_ONLINE;
    return 1;
}

LONG Quit_TCP_IP()
{
    if ((UBYTE)UserSystem.TCPIP_ID == 255) return -1;
    UserSystem.VekFlags &= ~VEKFLAG_ONLINE;
    return 0;
}

IRCChannel *StartIRCPanel() { return nullptr; }
void Send2IRCPanel(int) {}
void EndIRCPanel(IRCChannel *) {}

WORD TaverneScreen() { return (WORD)ScreenNotBuilt("TaverneScreen", 2); }
LONG LagerScreen() { return ScreenNotBuilt("LagerScreen", 59); }
