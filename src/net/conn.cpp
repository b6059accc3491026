// TCP connections with one bounded, buffered reader each and sends bounded
// by the same time limit, the dialogue driver, and the send and receive
// helpers of the protocols.
#include "net/netconn.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/net.h"
#include "platform/memfile.h"

namespace {

// The system's sockets, waited on with poll: SDL_net's sends block without
// a time limit, so a peer that stops reading would hold the client for ever.
struct SockLink {
    int Fd;
    ULONG SendTimeoutMs;  // per wait for room to send
    int Errno;            // of the last failure
};

// Waits until fd is ready for events: 1 ready, 0 time-out, -1 error.
int WaitFd(int fd, short events, ULONG timeoutMs)
{
    auto start = std::chrono::steady_clock::now();
    for (;;) {
        auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        long long left = (long long)timeoutMs - spent.count();
        if (left < 0) left = 0;
        struct pollfd p{fd, events, 0};
        int r = ::poll(&p, 1, (int)(left > 0x7FFFFFFF ? 0x7FFFFFFF : left));
        if (r > 0) return 1;
        if (r == 0) return 0;
        if (errno != EINTR) return -1;
    }
}

int SockPull(void *ctx, UBYTE *buffer, ULONG max, ULONG timeoutMs)
{
    auto *l = (SockLink *)ctx;
    int w = WaitFd(l->Fd, POLLIN, timeoutMs);
    if (w == 0) return NETPULL_TIMEOUT;
    if (w < 0) {
        l->Errno = errno;
        return NETPULL_ERROR;
    }
    for (;;) {
        ssize_t n = ::recv(l->Fd, buffer, max > 0x7FFFFFFF ? 0x7FFFFFFF : max, 0);
        if (n >= 0) return (int)n;
        if (errno == EINTR) continue;
        l->Errno = errno;
        return NETPULL_ERROR;
    }
}

// Sends what the peer takes, each wait for room bounded by the time limit.
int SockPush(void *ctx, const UBYTE *buffer, ULONG length)
{
    auto *l = (SockLink *)ctx;
    ULONG done = 0;
    while (done < length) {
        int w = WaitFd(l->Fd, POLLOUT, l->SendTimeoutMs);
        if (w == 0) return NETPULL_TIMEOUT;  // the connection is of no further use
        if (w < 0) {
            l->Errno = errno;
            break;
        }
        ULONG part = length - done > 0x40000000 ? 0x40000000 : length - done;
        ssize_t n = ::send(l->Fd, buffer + done, part, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
            l->Errno = errno;
            break;
        }
        done += (ULONG)n;
    }
    return (int)done;
}

void SockClose(void *ctx)
{
    auto *l = (SockLink *)ctx;
    ::close(l->Fd);
    FreeVec(l);
}

const char *SockError(void *ctx)
{
    auto *l = (SockLink *)ctx;
    return l->Errno ? std::strerror(l->Errno) : nullptr;
}

}  // namespace

const char *NetErrorWords(UWORD e)
{
    switch (e) {
    case NETERR_CLOSED: return "Verbindung vom Server geschlossen";
    case NETERR_TIMEOUT: return "Zeit\374berschreitung beim Empfang";
    case NETERR_TOOLONG: return "Antwort zu lang";
    case NETERR_SEND: return "Senden fehlgeschlagen";
    case NETERR_SENDTIMEOUT: return "Zeit\374berschreitung beim Senden";
    default: return "Socket-Fehler";
    }
}

namespace {

// Waits for more bytes behind the buffered ones; > 0 bytes added, else 0 with LastError.
int Fill(VekConn *c)
{
    if (c->Start > 0 && (c->End == NETCONN_BUFFER || c->Start == c->End)) {
        std::memmove(c->Buf, c->Buf + c->Start, c->End - c->Start);
        c->End -= c->Start;
        c->Start = 0;
    }
    if (c->End == NETCONN_BUFFER) {
        c->LastError = NETERR_TOOLONG;
        return 0;
    }
    int n = c->T.Pull(c->T.Ctx, c->Buf + c->End, NETCONN_BUFFER - c->End, c->TimeoutMs);
    if (n > 0) {
        c->End += (ULONG)n;
        return n;
    }
    c->LastError = n == 0 ? NETERR_CLOSED : n == NETPULL_TIMEOUT ? NETERR_TIMEOUT : NETERR_SOCKET;
    return 0;
}

// A LF left over from a packet reply that ended in CR.
BOOL DropPendingLF(VekConn *c)
{
    if (!c->SkipLF) return 1;
    if (c->Start == c->End && !Fill(c)) return 0;
    if (c->Buf[c->Start] == '\n') c->Start++;
    c->SkipLF = 0;
    return 1;
}

}  // namespace

BOOL (*NetResolveHook)(const char *host, ULONG *address) = nullptr;

// The resolver's thread-safe call, so that the probe thread and a protocol on
// the main thread may resolve at the same time.
BOOL NetResolveName(const char *host, ULONG *address)
{
    struct addrinfo hints{}, *res = nullptr;
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    if (!host || !*host || getaddrinfo(host, nullptr, &hints, &res) != 0 || !res) return 0;
    *address = ((struct sockaddr_in *)res->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(res);
    return 1;
}

BOOL NetSplitServer(const char *server, char *host, ULONG hostMax, UWORD *port, UWORD defaultPort)
{
    if (!server || !host || hostMax == 0) return 0;
    const char *colon = std::strchr(server, ':');
    ULONG hostLen = colon ? (ULONG)(colon - server) : (ULONG)std::strlen(server);
    if (hostLen == 0 || hostLen >= hostMax) return 0;
    ULONG p = defaultPort;
    if (colon) {
        const char *d = colon + 1;
        if (!*d) return 0;
        p = 0;
        for (; *d; ++d) {
            if (*d < '0' || *d > '9') return 0;
            p = p * 10 + (ULONG)(*d - '0');
            if (p > 65535) return 0;
        }
        if (p == 0) return 0;
    }
    std::memcpy(host, server, hostLen);
    host[hostLen] = 0;
    *port = (UWORD)p;
    return 1;
}

VekConn *NetConnOpen(const NetTransport &transport)
{
    auto *c = (VekConn *)AllocVec(sizeof(VekConn), MEMF_CLEAR);
    c->T = transport;
    c->TimeoutMs = NetCfg.ReceiveTimeoutMs ? NetCfg.ReceiveTimeoutMs : 120000;
    return c;
}

VekConn *NetConnect(const char *host, UWORD port, int *why)
{
    ULONG address = 0;
    if (!host || !(NetResolveHook ? NetResolveHook : NetResolveName)(host, &address)) {
        if (why) *why = 1;
        return nullptr;
    }
    return NetConnectAddress(address, port, why);
}

VekConn *NetConnectAddress(ULONG address, UWORD port, int *why)
{
    struct sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = address;  // network order already
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int r = fd < 0 ? -1 : ::connect(fd, (const struct sockaddr *)&sa, sizeof sa);
    while (r != 0 && fd >= 0 && errno == EINTR) {
        // The connect goes on in the background: wait for its outcome.
        int err = 0;
        socklen_t len = sizeof err;
        r = WaitFd(fd, POLLOUT, 0x7FFFFFFF) > 0 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && !err
                ? 0
                : -1;
        if (r != 0) errno = err ? err : ECONNREFUSED;
    }
    if (r != 0) {
        if (fd >= 0) ::close(fd);
        if (why) *why = 2;
        return nullptr;
    }
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    auto *l = (SockLink *)AllocVec(sizeof(SockLink), MEMF_CLEAR);
    l->Fd = fd;
    VekConn *c = NetConnOpen(NetTransport{SockPull, SockPush, SockClose, SockError, l});
    l->SendTimeoutMs = c->TimeoutMs;
    return c;
}

void NetSetTimeout(VekConn *conn, ULONG timeoutMs)
{
    if (!conn) return;
    conn->TimeoutMs = timeoutMs;
    if (conn->T.Push == SockPush) static_cast<SockLink *>(conn->T.Ctx)->SendTimeoutMs = timeoutMs;
}

void NetClose(VekConn *conn)
{
    if (!conn) return;
    if (conn->T.Close) conn->T.Close(conn->T.Ctx);
    FreeVec(conn);
}

const char *NetErrorText(VekConn *conn)
{
    if (!conn) return "keine Verbindung";
    if (conn->LastError != NETERR_SOCKET && conn->LastError != NETERR_NONE) return NetErrorWords(conn->LastError);
    const char *t = conn->T.ErrorText ? conn->T.ErrorText(conn->T.Ctx) : nullptr;
    return t && *t ? t : "Socket-Fehler";
}

BOOL NetReadLine(VekConn *c, UWORD mode, const UBYTE **line, ULONG *length)
{
    if (mode == NETLINE_PACKET) {
        // Stray terminators between replies belong to the previous reply.
        for (;;) {
            if (!DropPendingLF(c)) return 0;
            while (c->Start < c->End && (c->Buf[c->Start] == 0 || c->Buf[c->Start] == '\r' ||
                                         c->Buf[c->Start] == '\n'))
                c->Start++;
            if (c->Start < c->End) break;
            if (!Fill(c)) return 0;
        }
        ULONG scanned = c->Start;
        for (;;) {
            for (; scanned < c->End; ++scanned) {
                UBYTE b = c->Buf[scanned];
                if (b == 0 || b == '\r' || b == '\n') {
                    *line = c->Buf + c->Start;
                    *length = scanned - c->Start;
                    c->Start = scanned + 1;
                    if (b == '\r') {
                        if (c->Start < c->End) {
                            if (c->Buf[c->Start] == '\n') c->Start++;
                        } else {
                            c->SkipLF = 1;
                        }
                    }
                    return 1;
                }
            }
            if (scanned - c->Start > NET_REPLY_MAX) {
                c->LastError = NETERR_TOOLONG;
                return 0;
            }
            ULONG offset = scanned - c->Start;
            if (!Fill(c)) return 0;
            scanned = c->Start + offset;  // Fill may have moved the bytes
        }
    }
    if (!DropPendingLF(c)) return 0;
    ULONG scanned = c->Start;
    for (;;) {
        const void *lf = scanned < c->End ? std::memchr(c->Buf + scanned, '\n', c->End - scanned) : nullptr;
        if (lf) {
            ULONG end = (ULONG)((const UBYTE *)lf - c->Buf) + 1;
            *line = c->Buf + c->Start;
            *length = end - c->Start;
            c->Start = end;
            return 1;
        }
        if (c->Start == 0 && c->End == NETCONN_BUFFER) {  // a piece of a very long line
            *line = c->Buf;
            *length = c->End;
            c->Start = c->End;
            return 1;
        }
        ULONG offset = c->End - c->Start;
        if (!Fill(c)) {
            if (c->LastError == NETERR_CLOSED && c->End > c->Start) {  // a last line without LF
                *line = c->Buf + c->Start;
                *length = c->End - c->Start;
                c->Start = c->End;
                return 1;
            }
            return 0;
        }
        scanned = c->Start + offset;
    }
}

ULONG NetReadBlock(VekConn *c, UBYTE *dest, ULONG length)
{
    if (length == 0) return 0;
    if (!DropPendingLF(c)) return 0;
    ULONG got = 0;
    while (got < length) {
        if (c->Start == c->End) {
            // Large blocks go straight into the caller's memory.
            if (length - got >= NETCONN_BUFFER) {
                c->Start = c->End = 0;
                int n = c->T.Pull(c->T.Ctx, dest + got, length - got, c->TimeoutMs);
                if (n <= 0) {
                    c->LastError = n == 0 ? NETERR_CLOSED : n == NETPULL_TIMEOUT ? NETERR_TIMEOUT : NETERR_SOCKET;
                    break;
                }
                got += (ULONG)n;
                continue;
            }
            if (!Fill(c)) break;
        }
        ULONG take = c->End - c->Start;
        if (take > length - got) take = length - got;
        std::memcpy(dest + got, c->Buf + c->Start, take);
        c->Start += take;
        got += take;
    }
    return got;
}

int NetReadPiece(VekConn *c, UBYTE *dest, ULONG max)
{
    if (max == 0) return 0;
    if (!DropPendingLF(c)) return 0;
    if (c->Start == c->End && !Fill(c)) return 0;
    ULONG take = c->End - c->Start;
    if (take > max) take = max;
    std::memcpy(dest, c->Buf + c->Start, take);
    c->Start += take;
    return (int)take;
}

BOOL NetWrite(VekConn *c, const void *data, ULONG length)
{
    if (length == 0) return 1;
    int n = c->T.Push(c->T.Ctx, (const UBYTE *)data, length);
    if (n < 0 || (ULONG)n != length) {
        c->LastError = n == NETPULL_TIMEOUT ? NETERR_SENDTIMEOUT : NETERR_SEND;
        return 0;
    }
    return 1;
}

BOOL NetOutBytes(NetDialog *d, const void *data, ULONG length)
{
    if (length > NETDIALOG_OUT - d->OutLen) return 0;
    std::memcpy(d->Out + d->OutLen, data, length);
    d->OutLen += length;
    return 1;
}

BOOL NetOut(NetDialog *d, const char *format, ...)
{
    char text[NETDIALOG_OUT];
    va_list ap;
    va_start(ap, format);
    int n = std::vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    if (n < 0 || (ULONG)n >= sizeof text) return 0;
    return NetOutBytes(d, text, (ULONG)n);
}

void NetRunDialog(VekConn *c, NetDialog *d, NetFeedFn feed, void *machine)
{
    // Every machine ends on a failure; the bound only guards against one that does not.
    int failures = 0;
    for (;;) {
        NetInput in{};
        if (d->OutLen || d->BodyLen || d->TailLen) {
            BOOL ok = NetWrite(c, d->Out, d->OutLen) && (!d->BodyLen || NetWrite(c, d->Body, d->BodyLen)) &&
                      NetWrite(c, d->Tail, d->TailLen);
            d->OutLen = 0;
            d->BodyLen = 0;
            d->TailLen = 0;
            d->Body = nullptr;
            if (!ok) {
                in.Kind = NETIN_FAIL;
                in.Error = c->LastError;
                if (++failures > 8) return;
                feed(machine, &in);
                continue;
            }
        }
        switch (d->Want) {
        case NETWANT_DONE:
            return;
        case NETWANT_LINE:
        case NETWANT_REPLY:
            if (NetReadLine(c, d->Want == NETWANT_LINE ? NETLINE_TEXT : NETLINE_PACKET, &in.Data, &in.Length)) {
                in.Kind = NETIN_LINE;
            } else {
                in.Kind = NETIN_FAIL;
                in.Error = c->LastError;
            }
            break;
        case NETWANT_BLOCK:
            in.Kind = NETIN_BLOCK;
            in.Length = NetReadBlock(c, d->BlockDest, d->BlockLen);
            in.Data = d->BlockDest;
            if (in.Length < d->BlockLen) in.Error = c->LastError;
            break;
        case NETWANT_UNTIL_CLOSE: {
            if (!DropPendingLF(c) || (c->Start == c->End && !Fill(c))) {
                in.Kind = c->LastError == NETERR_CLOSED ? NETIN_END : NETIN_FAIL;
                in.Error = c->LastError;
                break;
            }
            in.Kind = NETIN_BLOCK;
            in.Data = c->Buf + c->Start;
            in.Length = c->End - c->Start;
            c->Start = c->End;
            break;
        }
        default:
            return;
        }
        if (in.Kind == NETIN_FAIL && ++failures > 8) return;
        feed(machine, &in);
    }
}

// ---- The helpers of the protocol layer ------------------------------------

int VekNet::send(VekConn *socket, const void *buffer, int length, int)
{
    std::printf("Routine: send\n");
    if (length <= 0 || !buffer || !socket) return -1;
    int n = socket->T.Push(socket->T.Ctx, (const UBYTE *)buffer, (ULONG)length);
    if (n < length) socket->LastError = n == NETPULL_TIMEOUT ? NETERR_SENDTIMEOUT : NETERR_SEND;
    return n < 0 ? 0 : n;
}

int VekNet::recv(VekConn *socket, void *buffer, int length, int)
{
    std::printf("Routine: recv (Len: %d)\n", length);
    if (length <= 0 || !buffer || !socket) return -1;
    return NetReadPiece(socket, (UBYTE *)buffer, (ULONG)length);
}

namespace {

BOOL ReplyIO(VekConn *socket, ULONG timeoutMs, const void *io, ULONG ioLen, char **ret, BOOL recvReply)
{
    if (!socket) return 0;
    if (io && ioLen) {
        if (!NetWrite(socket, io, ioLen)) {
            std::printf("TCPIP_IO: konnte das File nicht komplett versenden : %u Bytes wurden gesendet\n", ioLen);
            return 0;
        }
    }
    if (!recvReply) return 1;
    if (!ret) return 0;
    ULONG saved = socket->TimeoutMs;
    if (timeoutMs) socket->TimeoutMs = timeoutMs;
    UBYTE piece[NETCONN_BUFFER];
    int n = NetReadPiece(socket, piece, sizeof piece);
    socket->TimeoutMs = saved;
    if (n <= 0) return 0;
    char *b = (char *)AllocVec((ULONG)n + 1, MEMF_CLEAR);
    std::memcpy(b, piece, (size_t)n);
    *ret = b;
    return 1;
}

}  // namespace

BOOL TCPIP_IO(APTR, VekConn *Socket, const void *IOBuffer, ULONG IOBufferLen, char **ReturnBuffer, BOOL Recv)
{
    return ReplyIO(Socket, 0, IOBuffer, IOBufferLen, ReturnBuffer, Recv);
}

BOOL TCPIP_IO_Timeout(APTR, VekConn *Socket, APTR, ULONG TimeOut, const void *IOBuffer, ULONG IOBufferLen,
                      char **ReturnBuffer, BOOL Recv)
{
    return ReplyIO(Socket, TimeOut ? TimeOut : 1, IOBuffer, IOBufferLen, ReturnBuffer, Recv);
}

ULONG TCPIP_RecvAll(APTR, VekConn *Socket, void *Buffer, ULONG BufferLen)
{
    ULONG got = Socket && Buffer ? NetReadBlock(Socket, (UBYTE *)Buffer, BufferLen) : 0;
    if (got < BufferLen) {
        std::printf("TCPIP_RecvAll: Fehler beim Buffer empfangen... Empfangende Bytes %u\n", got);
        std::printf("TCPIP_RecvAll: Fehler! %s...\n", NetErrorText(Socket));
    }
    std::printf("TCPIP_RecvAll: CompleteBytes %u\n", got);
    return got;
}

ULONG TCPIP_GetIOSize(APTR, VekConn *) { return 1; }
ULONG TCPIP_GetIOSizeTime(APTR, VekConn *, ULONG) { return 1; }
