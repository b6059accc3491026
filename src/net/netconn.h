// One TCP connection with a bounded, buffered reader, and the driver that
// runs a protocol dialogue on it. Protocol logic never touches sockets: it
// is a state machine that is fed lines or blocks and says what to send and
// what to read next (net/netproto.h); this layer does the waiting.
#pragma once
#include "platform/types.h"

// How a connection moves its bytes: SDL_net for real peers, a script in tests.
struct NetTransport {
    // > 0 bytes received, 0 closed by the peer, NETPULL_ERROR, NETPULL_TIMEOUT
    int (*Pull)(void *ctx, UBYTE *buffer, ULONG max, ULONG timeoutMs);
    // bytes sent, or NETPULL_TIMEOUT when the peer took nothing within the
    // connection's time limit (the connection is then of no further use)
    int (*Push)(void *ctx, const UBYTE *buffer, ULONG length);
    void (*Close)(void *ctx);
    const char *(*ErrorText)(void *ctx);                        // detail of the last failure
    void *Ctx;
};
constexpr int NETPULL_ERROR = -1;
constexpr int NETPULL_TIMEOUT = -2;

constexpr ULONG NETCONN_BUFFER = 16384;      // longest line handed out in one piece
constexpr ULONG NET_REPLY_MAX = 1000;        // longest packet-protocol reply

enum NetError : UWORD {
    NETERR_NONE = 0,
    NETERR_CLOSED,    // the peer closed the connection
    NETERR_SOCKET,    // the socket reported an error
    NETERR_TIMEOUT,   // nothing arrived within the connection's time limit
    NETERR_TOOLONG,   // a reply longer than the protocol allows
    NETERR_SEND,      // a send did not go out completely
    NETERR_SENDTIMEOUT,  // the peer took no data within the connection's time limit
};

struct VekConn {
    NetTransport T;
    ULONG TimeoutMs;          // per wait for data
    ULONG Start, End;         // unread bytes are Buf[Start..End)
    BOOL SkipLF;              // a packet reply ended in CR: a LF right behind it is part of it
    UWORD LastError;          // NetError of the last failure
    UBYTE Buf[NETCONN_BUFFER];
};

// Connection set-up. NetSplitServer: "host[:port]" into host (at most
// hostMax - 1 characters) and port; 0 for an empty or over-long host or a
// bad port. NetConnect: 1 connected, else 0 with *why = 1 (host unknown) or
// 2 (connection refused).
// Name look-up (IPv4, network byte order): the system's resolver unless a
// replacement is set (tests keep every look-up on the machine).
BOOL NetResolveName(const char *host, ULONG *address);
extern BOOL (*NetResolveHook)(const char *host, ULONG *address);
BOOL NetSplitServer(const char *server, char *host, ULONG hostMax, UWORD *port, UWORD defaultPort);
VekConn *NetConnect(const char *host, UWORD port, int *why);
// The same to an address already looked up (network byte order); *why 2 on failure.
VekConn *NetConnectAddress(ULONG address, UWORD port, int *why);
VekConn *NetConnOpen(const NetTransport &transport);  // a connection over any transport
void NetClose(VekConn *conn);                          // null accepted
void NetSetTimeout(VekConn *conn, ULONG timeoutMs);    // every later wait, to receive and to send
const char *NetErrorText(VekConn *conn);               // the last failure in words
const char *NetErrorWords(UWORD error);                // a NetError in words ("Socket-Fehler" for the rest)

// Reader. A line piece is returned in place (valid until the next read):
// NETLINE_TEXT ends at LF and includes its CR LF; a line longer than the
// buffer comes in pieces without LF. NETLINE_PACKET ends at NUL, CR or LF,
// excludes the terminator and fails past NET_REPLY_MAX. 1, or 0 (LastError).
constexpr UWORD NETLINE_TEXT = 0;
constexpr UWORD NETLINE_PACKET = 1;
[[nodiscard]] BOOL NetReadLine(VekConn *conn, UWORD mode, const UBYTE **line, ULONG *length);
[[nodiscard]] ULONG NetReadBlock(VekConn *conn, UBYTE *dest, ULONG length);  // bytes read; short = failure
[[nodiscard]] int NetReadPiece(VekConn *conn, UBYTE *dest, ULONG max);        // > 0, or 0 on failure
[[nodiscard]] BOOL NetWrite(VekConn *conn, const void *data, ULONG length);

// A dialogue: the machine fills Out (and Body, sent right after without a
// copy) and says what it wants next; the driver sends, reads and feeds back.
enum NetWant : UWORD {
    NETWANT_DONE = 0,
    NETWANT_LINE,          // one NETLINE_TEXT piece
    NETWANT_REPLY,         // one NETLINE_PACKET reply
    NETWANT_BLOCK,         // exactly BlockLen bytes into BlockDest
    NETWANT_UNTIL_CLOSE,   // every piece until the peer closes
};
enum NetInputKind : UWORD {
    NETIN_LINE = 1,        // Data/Length: a line piece or a reply
    NETIN_BLOCK,           // Length bytes arrived (in BlockDest, or Data for pieces); Error when short
    NETIN_END,             // the peer closed after NETWANT_UNTIL_CLOSE
    NETIN_FAIL,            // Error says why; nothing arrived
};
struct NetInput {
    UWORD Kind;
    UWORD Error;           // NetError
    const UBYTE *Data;
    ULONG Length;
};
constexpr ULONG NETDIALOG_OUT = 600;
struct NetDialog {
    char Out[NETDIALOG_OUT];
    ULONG OutLen;
    const UBYTE *Body;     // owned by the machine
    ULONG BodyLen;
    char Tail[8];          // sent after Body
    ULONG TailLen;
    UWORD Want;
    UBYTE *BlockDest;
    ULONG BlockLen;
};
using NetFeedFn = void (*)(void *machine, const NetInput *in);
// Runs until the machine wants nothing more.
void NetRunDialog(VekConn *conn, NetDialog *dialog, NetFeedFn feed, void *machine);
// Appends a formatted command to Out; 0 when it does not fit (nothing added).
[[nodiscard]] BOOL NetOut(NetDialog *dialog, const char *format, ...) __attribute__((format(printf, 2, 3)));
[[nodiscard]] BOOL NetOutBytes(NetDialog *dialog, const void *data, ULONG length);
