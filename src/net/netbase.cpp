// Network stack choice, the online state with its reachability probe, the
// configured server addresses, and the chat panel as far as start-up and
// shutdown need it.
#include "net/net.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "net/gamemail.h"
#include "net/netconn.h"
#include "platform/memfile.h"
#include "platform/catalog.h"
#include "platform/strings.h"
#include "ui/dialogs.h"
#include "platform/system.h"

// The operator's web and game servers are not known to the program: they are
// set in the environment. Names under ".invalid" never resolve, so nothing is
// sent anywhere until they are.
NetConfig NetCfg = {
    "www.debian.org", "www.wikipedia.org", "www.vek.invalid", "gameserver.vek.invalid", 120000, 25, 10,
};

BOOL Vek_WasOnline = 1;

namespace {

// The advisor's box as every transport screen shows it: picture 66 at (168, 180), pen 7.
APTR AdvisorOpen(const char *text) { return ChiefMessageOpen(66, 168, 180, 0, 0, 0, 2, text, 7); }
void AdvisorClose(APTR box) { QuitChiefMessage((ChiefStruktur1 *)box); }
void AdvisorMessage(const char *text) { ChiefMessage(66, 168, 180, 0, 0, 0, 0, text, 7); }

}  // namespace

APTR (*NetChiefOpenHook)(const char *text) = AdvisorOpen;
void (*NetChiefCloseHook)(APTR box) = AdvisorClose;
void (*NetChiefMessageHook)(const char *text) = AdvisorMessage;

namespace {

void CopyText(char *dest, size_t size, const char *text)
{
    std::snprintf(dest, size, "%s", text);
}

// Resolves a server's host part; used by the probe thread only.
bool Resolves(const std::string &server)
{
    char host[64];
    UWORD port;
    ULONG address;
    if (!NetSplitServer(server.c_str(), host, sizeof host, &port, 80)) return false;
    return (NetResolveHook ? NetResolveHook : NetResolveName)(host, &address);
}

// The probe's ready flag is shared with the thread, which may outlive the
// caller's wait; the last owner frees it.
void CheckInetConnectionTask(std::shared_ptr<std::atomic<ULONG>> ready, std::string first, std::string second)
{
    if (Resolves(first) || Resolves(second)) ready->store(1);
}

}  // namespace

void NetConfigLoad()
{
    if (const char *p = std::getenv("VEK_PROBE_HOSTS")) {
        std::string s = p;
        size_t comma = s.find(',');
        CopyText(NetCfg.ProbeHost1, sizeof NetCfg.ProbeHost1, s.substr(0, comma).c_str());
        CopyText(NetCfg.ProbeHost2, sizeof NetCfg.ProbeHost2,
                 comma == std::string::npos ? NetCfg.ProbeHost1 : s.substr(comma + 1).c_str());
    }
    if (const char *p = std::getenv("VEK_WEB_SERVER")) CopyText(NetCfg.WebServer, sizeof NetCfg.WebServer, p);
    if (const char *p = std::getenv("VEK_GAME_SERVER")) CopyText(NetCfg.GameServer, sizeof NetCfg.GameServer, p);
    if (const char *p = std::getenv("VEK_OPERATOR_MAILHOST"))
        CopyText(NetCfg.OperatorMailHost, sizeof NetCfg.OperatorMailHost, p);
    if (const char *p = std::getenv("VEK_SIGNUP_MAILBOX"))
        CopyText(NetCfg.SignupMailbox, sizeof NetCfg.SignupMailbox, p);
    if (const char *p = std::getenv("VEK_UPDATE_SERVER"))
        CopyText(NetCfg.UpdateServer, sizeof NetCfg.UpdateServer, p);
    if (const char *p = std::getenv("VEK_UPDATE_ACCOUNT"))
        CopyText(NetCfg.UpdateAccount, sizeof NetCfg.UpdateAccount, p);
    if (const char *p = std::getenv("VEK_IRC_SERVER")) CopyText(NetCfg.IrcServer, sizeof NetCfg.IrcServer, p);
    if (const char *p = std::getenv("VEK_IRC_FALLBACK")) CopyText(NetCfg.IrcFallback, sizeof NetCfg.IrcFallback, p);
    if (const char *p = std::getenv("VEK_NET_TIMEOUT")) {
        long s = std::strtol(p, nullptr, 10);
        if (s > 0 && s < 3600) NetCfg.ReceiveTimeoutMs = (ULONG)s * 1000;
    }
}

LONG Start_TCP_IP()
{
    static bool configured = false;
    if (!configured) {
        NetConfigLoad();
        GameMailConfigLoad();
        configured = true;
    }
    if ((UBYTE)UserSystem.TCPIP_ID == 255) {
        std::printf("Start_TCP_IP: Kein TCP/IP-Stack gew\344hlt!\n");
        return -1;
    }
    if ((UBYTE)UserSystem.TCPIP_ID == 4) UserSystem.VekFlags |= VEKFLAG_ONLINE;
    return 1;
}

LONG Quit_TCP_IP()
{
    if ((UBYTE)UserSystem.TCPIP_ID == 255) {
        std::printf("Quit_TCP_IP: Kein TCP/IP-Stack gew\344hlt!\n");
        return -1;
    }
    return 0;
}

BOOL CheckInetConnection()
{
    std::printf("Routine: CheckInetConnectionTask start\n");
    auto ready = std::make_shared<std::atomic<ULONG>>(0);
    try {
        std::thread(CheckInetConnectionTask, ready, std::string(NetCfg.ProbeHost1), std::string(NetCfg.ProbeHost2))
            .detach();
    } catch (...) {
        std::printf("CheckInetConnection : Konnte Task nicht anlegen !\n");
        std::printf("Routine: CheckInetConnectionTask end\n");
        return 0;
    }
    for (UWORD i = 0; !ready->load() && i < NetCfg.ProbeWaits; ++i) Delay(NetCfg.ProbeWaitTicks);
    if (ready->load()) {
        std::printf("Routine: CheckInetConnectionTask end\n");
        return 1;
    }
    UserSystem.OP.TCPIP_Flags &= (UBYTE)~0x10;
    std::printf("CheckInetConnection: IRCPanel deaktiviert!\n");
    std::printf("Routine: CheckInetConnectionTask end\n");
    return 0;
}

BOOL GoOnline()
{
    APTR box = NetChiefOpenHook ? NetChiefOpenHook(GetString(&_VEK_GOONLINE_TEXT6)) : nullptr;
    BOOL online = CheckInetConnection();
    if (box && NetChiefCloseHook) NetChiefCloseHook(box);
    if (online) {
        std::printf("GoOnline: Internetverbindung ist vorhanden...\n");
        UserSystem.TCPIP_ID = (char)((UBYTE)UserSystem.TCPIP_ID | 4);
        UserSystem.VekFlags |= VEKFLAG_ONLINE;
    } else {
        std::printf("GoOnline: Internetverbindung ist nicht vorhanden...\n");
        const char *text = "Vek konnte trotz bestehender Verbindung kein Kontakt zum Internet aufnehmen. "
                           "Haben sie eine Firewall ? Ist Vek dort freigeschaltet ?";
        if (NetChiefMessageHook) NetChiefMessageHook(text);
    }
    if (PlayerInfo.ForumURL[0] == 0) {
        std::string side = std::string("http://") + NetCfg.WebServer + "/baseurl/";
        char *reply = CallPHP(NetCfg.WebServer, side.c_str());
        if (reply) {
            // Only the body counts, and the address ends at the first blank or line end.
            const char *body = std::strstr(reply, "\r\n\r\n");
            body = body ? body + 4 : (body = std::strstr(reply, "\n\n")) ? body + 2 : nullptr;
            const char *url = body ? std::strstr(body, "http://") : nullptr;
            if (url) {
                size_t len = std::strcspn(url, " \t\r\n");
                if (len > sizeof PlayerInfo.ForumURL - 1) len = sizeof PlayerInfo.ForumURL - 1;
                std::memcpy(PlayerInfo.ForumURL, url, len);
                PlayerInfo.ForumURL[len] = 0;
                const char *server = PlayerInfo.ForumURL + 7;
                size_t slen = std::strcspn(server, "/");
                if (slen > sizeof PlayerInfo.ForumServer - 1) slen = sizeof PlayerInfo.ForumServer - 1;
                std::memcpy(PlayerInfo.ForumServer, server, slen);
                PlayerInfo.ForumServer[slen] = 0;
                std::printf("PlayerInfoPtr->ForumServer <%s>\n", PlayerInfo.ForumServer);
                std::printf("%s\n", reply);
            }
            FreeVec(reply);
        }
    }
    return online;
}

BOOL GoOffline()
{
    if (!Vek_WasOnline) UserSystem.VekFlags &= ~VEKFLAG_ONLINE;
    return 1;
}


