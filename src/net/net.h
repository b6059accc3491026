// Turn transport and online services: network stack, chat panel and the
// screens of the tavern and the update download.
#pragma once
#include "platform/types.h"
#include "store/lists.h"

struct VekChannel;  // one IRC connection, or the chat panel's record (net/irc.h)
struct VekConn;  // one TCP connection with its buffered reader (net/netconn.h)

// Addresses of the operator's services and the limits of every connection.
// A server is a host name, optionally followed by ":" and a port.
struct NetConfig {
    char ProbeHost1[64];      // two well-known hosts whose names resolve when the net is up
    char ProbeHost2[64];
    char WebServer[64];       // the operator's web server (web scripts, forum base URL)
    char GameServer[256];     // the game server's packet service, port 10000 by default
    ULONG ReceiveTimeoutMs;   // longest wait for data on a connection
    UWORD ProbeWaits;         // reachability probe: number of waits ...
    UWORD ProbeWaitTicks;     // ... of this many 20 ms ticks each
    // Sign-up: the operator's mail host (POP and SMTP of its preset
    // postboxes) and the game server's sign-up mailbox.
    char OperatorMailHost[64] = "mail.vek.invalid";
    char SignupMailbox[80] = "signup@vek.invalid";
    // The update server's FTP service (port 21 by default) and its download
    // account.
    char UpdateServer[64] = "updates.vek.invalid";
    char UpdateAccount[32] = "vekupdate.invalid";
    // The chat panel's IRC server and the fallback of the same network
    // (port 6667 by default).
    char IrcServer[64] = "irc.vek.invalid";
    char IrcFallback[64] = "irc2.vek.invalid";
    // Mail providers known by a key within the address: their POP and SMTP
    // hosts, and whether their POP user is the part before the "@".
    struct Provider {
        char Key[32], Pop[64], Smtp[64];
        BOOL LocalUser;
    } Providers[12] = {
        {"@provider01.invalid", "pop.provider01.invalid", "smtp.provider01.invalid", 0},
        {"@provider02.invalid", "pop.provider02.invalid", "smtp.provider02.invalid", 1},
        {"@provider03.invalid", "pop.provider03.invalid", "smtp.provider03.invalid", 0},
        {"@provider04.invalid", "pop.provider04.invalid", "smtp.provider04.invalid", 1},
        {"@provider05.invalid", "pop.provider05.invalid", "smtp.provider05.invalid", 0},
        {"@provider06.invalid", "pop.provider06.invalid", "smtp.provider06.invalid", 1},
        {"@provider07.invalid", "pop.provider07.invalid", "smtp.provider07.invalid", 0},
        {"@provider08.invalid", "pop.provider08.invalid", "smtp.provider08.invalid", 1},
        {"@provider09.invalid", "pop.provider09.invalid", "smtp.provider09.invalid", 0},
        {"@provider10.invalid", "pop.provider10.invalid", "smtp.provider10.invalid", 1},
        {"@provider11.invalid", "pop.provider11.invalid", "smtp.provider11.invalid", 0},
        {"@provider12.invalid", "pop.provider12.invalid", "smtp.provider12.invalid", 1},
    };
    // Domain prefixes of providers without POP or SMTP service, and of
    // providers that want SSL, which the client does not speak.
    char NoServiceDomains[2][32] = {"@nopop.invalid", "@nopop2.invalid"};
    char SslDomains[2][32] = {"@sslonly.invalid", "@sslonly2.invalid"};
};
extern NetConfig NetCfg;
// Takes VEK_PROBE_HOSTS ("host1,host2"), VEK_WEB_SERVER, VEK_GAME_SERVER,
// VEK_NET_TIMEOUT (seconds), VEK_OPERATOR_MAILHOST, VEK_SIGNUP_MAILBOX,
// VEK_UPDATE_SERVER, VEK_UPDATE_ACCOUNT, VEK_IRC_SERVER and VEK_IRC_FALLBACK
// from the environment over the built-in values.
void NetConfigLoad();

// The advisor boxes of going online: the toolkit's advisor dialogs by
// default; tests put their own in to observe them.
extern APTR (*NetChiefOpenHook)(const char *text);   // non-modal box, or null
extern void (*NetChiefCloseHook)(APTR box);
extern void (*NetChiefMessageHook)(const char *text); // modal box with Ok

LONG Start_TCP_IP();                 // -1 no stack chosen, 1 otherwise
LONG Quit_TCP_IP();                  // -1 no stack chosen, else 0
BOOL GoOnline();                     // 1 online, 0 the net is unreachable
BOOL GoOffline();                    // 1; the online state stays as it is
BOOL CheckInetConnection();          // reachability probe: 1 reachable, 0 not
extern BOOL Vek_WasOnline;

// The chat panel (net/irc.h): its record when the option bit 0x10 is set and
// the net is reachable, else null; commands 0 stop, 1 show, 2 hide through
// GChannelPtr (null without a panel); the end waits at most 2 s.
VekChannel *StartIRCPanel();
VekChannel *Send2IRCPanel(int command);
void EndIRCPanel(VekChannel *channel);

// The first network interface's hardware address as 12 lower-case hex digits
// (no NUL) into buffer; *length = 12. 1, or 0 with nothing written.
BOOL GetMacAddress(char *buffer, ULONG *length);

// ---- Connection helpers shared by the protocols --------------------------
namespace VekNet {
// Sends length bytes: the count sent (less than length = failure), or -1
// without touching the connection for length 0 or a null buffer.
int send(VekConn *socket, const void *buffer, int length, int flags);
// One receive of at most length bytes (buffered bytes first): the count,
// 0 or less on failure, -1 without touching the connection for bad arguments.
int recv(VekConn *socket, void *buffer, int length, int flags);
}  // namespace VekNet

// Sends IOBufferLen bytes of IOBuffer (when given); with Recv reads one reply
// piece into a new NUL-terminated buffer at *ReturnBuffer (caller frees). 1 or 0.
BOOL TCPIP_IO(APTR Library, VekConn *Socket, const void *IOBuffer, ULONG IOBufferLen, char **ReturnBuffer,
              BOOL Recv);
// The same, waiting at most TimeOut ms for the reply; the connection keeps
// its own socket set, so SocketSet plays no part.
BOOL TCPIP_IO_Timeout(APTR Library, VekConn *Socket, APTR SocketSet, ULONG TimeOut, const void *IOBuffer,
                      ULONG IOBufferLen, char **ReturnBuffer, BOOL Recv);
// Receives until BufferLen bytes stand in Buffer; the count received.
ULONG TCPIP_RecvAll(APTR Library, VekConn *Socket, void *Buffer, ULONG BufferLen);
ULONG TCPIP_GetIOSize(APTR Library, VekConn *Socket);                // 1
ULONG TCPIP_GetIOSizeTime(APTR Library, VekConn *Socket, ULONG Time);  // 1

// ---- Web scripts ---------------------------------------------------------
// One HTTP/1.0 GET of the absolute URL Side from server url (host[:port],
// port 80): the whole reply, NUL-terminated (caller frees), or null.
char *CallPHP(const char *url, const char *Side);
// Blanks as "%20", line feeds as "%0a", carriage returns dropped: a new
// text (caller frees), or null.
char *ConvertASCToPHPString(const char *String);

// ---- Mail ----------------------------------------------------------------
// Sends one mail text by SMTP: "ok" or the text that stopped the dialogue,
// in a new buffer of 1000 bytes (caller frees); null only without memory.
// SMTPAuth is NUL, user, NUL, password, or null for no login.
char *SendEmail(const char *Host, const char *FromEmail, const char *ToEmail, const char *BodyEmail,
                const char *SMTPAuth);
ULONG MailError(VekConn *Socket);  // prints the connection's error text; 0
// Base64 of inlen bytes: 0, or -2 when outmax is below the length (nothing
// written). The length goes to *outlen when given.
int encode64(const char *in, unsigned inlen, char *out, unsigned outmax, unsigned *outlen);

// Fetches game mails by POP3 (see pop3.cpp): "ok", or the first error of the
// session; the text lives until the next session.
const char *GetEmail(const char *Host, const char *UserName, const char *Passwort, const char *FirstChar,
                     const char *Path, BOOL DeleteOther, BOOL DeleteOwn);
// Makes the file name unique by appending ".1", ".2", ...; 1, or 0 when no
// free name fits into size bytes.
BOOL CheckPathName(char *PathName, ULONG size);

// ---- FTP (the update server) ---------------------------------------------
// One passive-mode control connection for the whole program. The file list
// of the last listing is the typed list FTPList (type 39), each archive with
// the name and size of its description (".txt") when it has one.
#pragma pack(push, 1)
struct FTPListEntry {
    ListNode Node;
    char DataName[127];
    ULONG DataSize;
    char CommentName[127];   // empty: no description
    ULONG CommentSize;
};
#pragma pack(pop)
static_assert(sizeof(FTPListEntry) == sizeof(ListNode) + 262);
constexpr ULONG FTP_LISTING_MAX = 40000;  // bytes of one listing that are read
constexpr ULONG FTP_NAME_MAX = 126;       // characters of a listed name that are kept
constexpr UWORD FTP_PORT = 21;
extern ListHeader *FTPList;
// Logs in, changes into Verz and reads the file list: "FTP OK", or the
// player's text for an unknown host, a refused connection, a refused login
// or a directory that cannot be listed.
const char *OpenFTP(const char *hostname, UWORD Port, const char *UserName, const char *Paswort, const char *Verz);
// Downloads Verz + "/" + FileName (FileName alone when Verz is shorter than
// two characters) of ln bytes into the file Ziel: written beside it and
// renamed into place once exactly ln bytes came and the server confirmed
// the transfer. 1, or 0 with no file made and an older Ziel untouched.
BOOL GetFTPData(const char *FileName, const char *Verz, ULONG ln, const char *Ziel, APTR Nix);
// The data transfer behind both: the listing into FTPList (download 0), or
// the file into Ziel. 1 or 0.
BOOL GetFTPDirOrFile(const char *hostname, BOOL download, const char *filename, const char *Ziel, ULONG size);
void CloseFTP();  // "QUIT" and the connection closed; nothing without one
void FreeFTPList();  // FTPList emptied
// The progress of a download after every piece (total, bytes so far); the
// update screen sets it.
extern void (*ProcessingFTPHook)(ULONG Total, ULONG Done);
// Opens the control and data connections (NetConnect; tests replace it).
extern VekConn *(*FTPConnectHook)(const char *host, UWORD port, int *why);

// ---- Game-server packet protocol ----------------------------------------
struct Vek_TCPData {
    UWORD Modus;            // session mode, 0
    UWORD Counter;          // spare, 0
    BOOL Quit;              // spare, 0
    char IPAdresse[256];    // the game server (host[:port], port 10000 by default)
    VekConn *MainSocket;    // the open connection
    VekConn *SubSocket;     // never opened
    ULONG SpielerID;        // the player's id
    APTR Buffer;            // data to send
    ULONG BufferLen;        // its length in bytes
    char FileName[256];     // spare
    char Dir[64];           // target directory with trailing "/"
};
constexpr UWORD GAMESERVER_PORT = 10000;

// A job: Connect, SetSID, one of Put/Msg/Get/Mal, Quit (also after a failure).
BOOL SendPacket_Connect(Vek_TCPData *data);  // opens MainSocket, "+HEL", "+VER 0.01"
BOOL SendPacket_SetSID(Vek_TCPData *data);   // "+SID <SpielerID>"
BOOL SendPacket_Put(Vek_TCPData *data);      // hands in a game mail
BOOL SendPacket_Msg(Vek_TCPData *data);      // hands in a letter
BOOL SendPacket_Get(Vek_TCPData *data);      // fetches the game mail into Dir
BOOL SendPacket_Mal(Vek_TCPData *data);      // fetches all waiting letters into Dir
BOOL SendPacket_Quit(Vek_TCPData *data);     // "+QUI"; closes MainSocket in every case
