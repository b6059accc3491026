// A small passive-mode FTP client for the update server: one control
// connection for the whole program, a data connection per listing or
// download. Replies are collected line by line (FtpReply); a download is
// written beside its target and renamed into place only when it is whole.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "net/net.h"
#include "net/netconn.h"
#include "net/netproto.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "store/lists.h"

ListHeader *FTPList = nullptr;
void (*ProcessingFTPHook)(ULONG, ULONG) = nullptr;
VekConn *(*FTPConnectHook)(const char *, UWORD, int *) = NetConnect;

namespace {

constexpr ULONG kListType = 39;
constexpr ULONG kPiece = 16384;  // largest piece of a download written at once

VekConn *gControl = nullptr;
char gHost[100];
FtpReply gReply;

const char *const kOk = "FTP OK";
const char *const kNoHost = "Angegebene Host-Server nicht gefunden";
const char *const kNoTcp = "FTP/TCP wird von Server nicht unterst\374tzt";
const char *const kNoLogin = "Login fehlgeschlagen.";
const char *const kNoDir = "Angegebene Verzeichnis existiert nicht";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads one whole reply into gReply; 0 when the connection failed first.
BOOL ReadReply(VekConn *c)
{
    FtpReplyReset(&gReply);
    for (;;) {
        const UBYTE *line = nullptr;
        ULONG len = 0;
        if (!NetReadLine(c, NETLINE_TEXT, &line, &len)) {
            std::printf("FTP: keine Antwort (%s)\n", NetErrorText(c));
            return 0;
        }
        if (FtpReplyFeed(&gReply, line, len)) return 1;
    }
}

// Sends one command (the argument must hold no line end) and reads the
// reply; 1 when it answers expected.
BOOL Command(const char *verb, const char *arg, int expected)
{
    if (!gControl) return 0;
    char out[600];
    int n = arg ? std::snprintf(out, sizeof out, "%s %s\r\n", verb, arg) : std::snprintf(out, sizeof out, "%s\r\n", verb);
    if (n <= 0 || (size_t)n >= sizeof out) {
        std::printf("FTP: Befehl zu lang (%s)\n", verb);
        return 0;
    }
    if (!NetWrite(gControl, out, (ULONG)n)) {
        std::printf("FTP: %s nicht gesendet (%s)\n", verb, NetErrorText(gControl));
        return 0;
    }
    if (!ReadReply(gControl)) return 0;
    if (!FtpReplyIs(&gReply, expected)) {
        std::printf("FTP: %s: %s\n", verb, gReply.Text);
        return 0;
    }
    return 1;
}

void DropControl()
{
    NetClose(gControl);
    gControl = nullptr;
}

// After a transfer the server confirms it on the control connection; a
// reply that never comes leaves the connection out of step, so it is closed.
BOOL ReadCompletion()
{
    if (!gControl) return 0;
    if (!ReadReply(gControl)) {
        DropControl();
        return 0;
    }
    if (gReply.Code < 200 || gReply.Code > 299) {
        std::printf("FTP: \334bertragung nicht best\344tigt: %s\n", gReply.Text);
        return 0;
    }
    return 1;
}

// The passive data connection, to the control connection's host.
VekConn *OpenData()
{
    if (!Command("PASV", nullptr, 227)) return nullptr;
    char address[16];
    UWORD port = 0;
    if (!ConvertFTPAddress(gReply.Text, &port, address)) {
        std::printf("FTP: unbrauchbare PASV-Antwort: %s\n", gReply.Text);
        return nullptr;
    }
    // The announced address is only shown: data go to the host the control
    // connection reached, so a reply cannot send the client elsewhere.
    std::printf("FTP: New connection: %s:%i\n", address, (int)port);
    int why = 0;
    VekConn *d = FTPConnectHook(gHost, port, &why);
    if (!d) std::printf(why == 1 ? "SDLNet_ResolveHost: %s\n" : "SDLNet_TCP_Open: %s\n", gHost);
    return d;
}

BOOL Listing(VekConn *data)
{
    auto *buf = (char *)AllocVec(FTP_LISTING_MAX + 1, MEMF_CLEAR);
    ULONG len = 0;
    bool cut = false;
    UBYTE scratch[4096];
    for (;;) {
        ULONG room = FTP_LISTING_MAX - len;
        int n = room ? NetReadPiece(data, (UBYTE *)buf + len, room) : NetReadPiece(data, scratch, sizeof scratch);
        if (n <= 0) break;
        if (room)
            len += (ULONG)n;
        else
            cut = true;
    }
    const bool closed = data->LastError == NETERR_CLOSED;
    NetClose(data);
    if (!closed) std::printf("FTP: Verzeichnis nicht vollst\344ndig gelesen\n");
    // A line the buffer cut off is dropped; the lines before it stand.
    if (cut || len == FTP_LISTING_MAX) {
        while (len > 0 && buf[len - 1] != '\n') --len;
    }
    BOOL ok = closed && ReadCompletion();
    if (ok) CreateFTPNodes(buf, len);
    FreeVec(buf);
    return ok;
}

BOOL Download(VekConn *data, const char *ziel, ULONG size)
{
    char tmp[1100];
    int fd = CreateTempBeside(ziel, tmp, sizeof tmp);
    if (fd < 0) {
        std::printf("FTP: kann %s nicht anlegen\n", ziel);
        NetClose(data);
        ReadCompletion();
        return 0;
    }
    auto *piece = (UBYTE *)AllocVec(kPiece, 0);
    ULONG done = 0;
    bool ok = true;
    for (;;) {
        int n = NetReadPiece(data, piece, kPiece);
        if (n <= 0) break;
        if ((ULONG)n > size - done) {
            std::printf("FTP: mehr Daten als angek\374ndigt (%u Bytes)\n", (unsigned)size);
            ok = false;
            break;
        }
        for (ULONG w = 0; w < (ULONG)n;) {
            ssize_t r = ::write(fd, piece + w, (ULONG)n - w);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) {
                std::printf("FTP: Schreibfehler in %s\n", tmp);
                ok = false;
                break;
            }
            w += (ULONG)r;
        }
        if (!ok) break;
        done += (ULONG)n;
        if (ProcessingFTPHook) ProcessingFTPHook(size, done);
    }
    FreeVec(piece);
    if (ok && data->LastError != NETERR_CLOSED) {
        std::printf("FTP: Daten\374bertragung abgebrochen (%s)\n", NetErrorText(data));
        ok = false;
    }
    NetClose(data);
    if (!ReadCompletion()) ok = false;
    if (ok && done != size) {
        std::printf("FTP: %u von %u Bytes empfangen\n", (unsigned)done, (unsigned)size);
        ok = false;
    }
    // The temporary file is private; the archive is the player's like any other.
    if (ok && (::fchmod(fd, 0644) != 0 || ::fsync(fd) != 0)) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(tmp, ziel) != 0) {
        std::printf("FTP: kann %s nicht ablegen\n", ziel);
        ok = false;
    }
    if (!ok) ::unlink(tmp);
    return ok ? 1 : 0;
}

FTPListEntry *Entry(ListNode *n) { return (FTPListEntry *)n; }

bool EndsWith(const char *s, const char *tail)
{
    size_t a = std::strlen(s), b = std::strlen(tail);
    return a >= b && std::strcmp(s + a - b, tail) == 0;
}

}  // namespace

void FtpReplyReset(FtpReply *r) { std::memset(r, 0, sizeof *r); }

BOOL FtpReplyFeed(FtpReply *r, const UBYTE *piece, ULONG length)
{
    // The line is gathered first (its head, as far as Text holds it) and
    // judged once it ends.
    if (!r->MidLine) r->Len = 0;
    const bool endsLine = length > 0 && piece[length - 1] == '\n';
    ULONG take = length;
    if (take > FTP_REPLY_MAX - 1 - r->Len) take = FTP_REPLY_MAX - 1 - r->Len;
    std::memcpy(r->Text + r->Len, piece, take);
    r->Len += take;
    r->Text[r->Len] = 0;
    r->MidLine = !endsLine;
    if (!endsLine) return 0;
    while (r->Len > 0 && (r->Text[r->Len - 1] == '\n' || r->Text[r->Len - 1] == '\r')) r->Text[--r->Len] = 0;
    const char *t = r->Text;
    const bool coded = r->Len >= 3 && IsDigit(t[0]) && IsDigit(t[1]) && IsDigit(t[2]);
    const int code = coded ? (t[0] - '0') * 100 + (t[1] - '0') * 10 + (t[2] - '0') : 0;
    if (r->MultiCode == 0) {
        if (coded && r->Len > 3 && t[3] == '-') {
            r->MultiCode = code;
            return 0;
        }
        r->Code = coded ? code : -1;  // without a code it answers nothing
        return 1;
    }
    if (coded && code == r->MultiCode && (r->Len == 3 || t[3] == ' ')) {
        r->MultiCode = 0;
        r->Code = code;
        return 1;
    }
    return 0;
}

BOOL FtpReplyIs(const FtpReply *r, int expected)
{
    return r->Code == expected || (expected == 150 && r->Code == 125);
}

ULONG ConvertFTPAddress(const char *string, UWORD *port, char *address)
{
    if (!string) return 0;
    const char *p = std::strchr(string, '(');
    if (!p) return 0;
    ++p;
    ULONG v[6];
    for (int i = 0; i < 6; ++i) {
        if (!IsDigit(*p)) return 0;
        ULONG x = 0;
        int digits = 0;
        while (IsDigit(*p)) {
            x = x * 10 + (ULONG)(*p++ - '0');
            if (++digits > 3) return 0;
        }
        if (x > 255) return 0;
        v[i] = x;
        if (*p != (i < 5 ? ',' : ')')) return 0;
        ++p;
    }
    int n = std::snprintf(address, 16, "%u.%u.%u.%u", (unsigned)v[0], (unsigned)v[1], (unsigned)v[2], (unsigned)v[3]);
    *port = (UWORD)(v[4] * 256 + v[5]);
    return (ULONG)n;
}

void FreeFTPList()
{
    DeleteList(FTPList, LIST_FREE_OWNED);
    FTPList = nullptr;
}

int MakeFTPNode(const char *line, ULONG length)
{
    if (length == 0) return 1;
    if (line[0] == 'd') return 1;
    if (length < 3 || std::strncmp(line, "-rw", 3) != 0) return 0;
    // The fifth blank-separated field is the size; the name follows the last blank.
    ULONG field = 0, i = 0, sizeStart = 0, sizeEnd = 0;
    while (i < length) {
        while (i < length && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= length) break;
        const ULONG start = i;
        while (i < length && line[i] != ' ' && line[i] != '\t') ++i;
        if (field == 4) {
            sizeStart = start;
            sizeEnd = i;
        }
        ++field;
    }
    if (field < 6) return 0;
    unsigned long long size = 0;
    for (ULONG k = sizeStart; k < sizeEnd; ++k) {
        if (!IsDigit(line[k])) return 0;
        size = size * 10 + (unsigned)(line[k] - '0');
        if (size > 0xFFFFFFFFull) return 0;
    }
    ULONG nameStart = length;
    while (nameStart > 0 && line[nameStart - 1] != ' ' && line[nameStart - 1] != '\t') --nameStart;
    const ULONG nameLen = length - nameStart;
    const char *name = line + nameStart;
    // A name that could leave the program's folder, hides itself or does not
    // fit is no update.
    if (nameLen == 0 || nameLen > FTP_NAME_MAX || name[0] == '.') return 1;
    for (ULONG k = 0; k < nameLen; ++k) {
        const unsigned char c = (unsigned char)name[k];
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\') return 1;
    }
    if (!FTPList) FTPList = CreateList(kListType);
    // The list type's table stops short of the last field: the node takes the whole record.
    const ULONG bytes = FTPList->TypSize > sizeof(FTPListEntry) ? FTPList->TypSize : (ULONG)sizeof(FTPListEntry);
    auto *e = (FTPListEntry *)AllocVec(bytes, MEMF_CLEAR);
    std::memcpy(e->DataName, name, nameLen);
    e->DataSize = (ULONG)size;
    InsertNode(FTPList, &e->Node, LIST_LAST, 0);
    return 1;
}

void SortFTPNode()
{
    if (!FTPList || !FTPList->FirstNode) return;
    // The descriptions first leave the list, in listing order ...
    ListHeader *texts = CreateList(kListType);
    for (ULONG i = 0; i < FTPList->Elemente;) {
        ListNode *n = GetNode(FTPList, LIST_INDEX, i);
        if (n && EndsWith(Entry(n)->DataName, ".txt")) {
            if (ListNode *out = DeleteNode(FTPList, LIST_INDEX, i, LIST_UNLINK_ONLY)) InsertNode(texts, out, LIST_LAST, 0);
        } else {
            ++i;
        }
    }
    // ... then each goes to the first archive of its stem: one named stem
    // plus an extension before one that merely begins with it.
    ListNode *t = texts->FirstNode;
    for (ULONG k = 0; k < texts->Elemente; ++k, t = t->Next) {
        const FTPListEntry *txt = Entry(t);
        const size_t stem = std::strlen(txt->DataName) - 4;
        FTPListEntry *exact = nullptr, *prefix = nullptr;
        ListNode *a = FTPList->FirstNode;
        for (ULONG j = 0; a && j < FTPList->Elemente; ++j, a = a->Next) {
            FTPListEntry *e = Entry(a);
            if (e->CommentName[0] || std::strncmp(e->DataName, txt->DataName, stem) != 0) continue;
            if (!exact && e->DataName[stem] == '.') exact = e;
            if (!prefix) prefix = e;
        }
        FTPListEntry *to = exact ? exact : prefix;
        if (!to) continue;
        std::memcpy(to->CommentName, txt->DataName, sizeof to->CommentName);
        to->CommentSize = txt->DataSize;
    }
    DeleteList(texts, LIST_FREE_OWNED);
}

BOOL CreateFTPNodes(const char *Buff, ULONG length)
{
    FreeFTPList();
    FTPList = CreateList(kListType);
    ULONG start = 0;
    while (start < length) {
        ULONG end = start;
        while (end < length && Buff[end] != '\n') ++end;
        ULONG n = end - start;
        if (n > 0 && Buff[start + n - 1] == '\r') --n;
        if (!MakeFTPNode(Buff + start, n)) {
            std::printf("FTP: unbekannte Zeile im Verzeichnis, Liste verworfen\n");
            FreeFTPList();
            FTPList = CreateList(kListType);
            return 0;
        }
        start = end + 1;
    }
    SortFTPNode();
    return 1;
}

const char *OpenFTP(const char *hostname, UWORD Port, const char *UserName, const char *Paswort, const char *Verz)
{
    std::printf("OpenFTP(%s, %d, %s, %s, %s)\n", hostname ? hostname : "", (int)Port, UserName ? UserName : "",
                Paswort ? Paswort : "", Verz ? Verz : "");
    CloseFTP();
    FreeFTPList();
    if (!hostname || !*hostname || std::strlen(hostname) >= sizeof gHost) return kNoHost;
    int why = 0;
    gControl = FTPConnectHook(hostname, Port, &why);
    if (!gControl) return why == 1 ? kNoHost : kNoTcp;
    std::snprintf(gHost, sizeof gHost, "%s", hostname);
    const char *result = kOk;
    if (!ReadReply(gControl) || !FtpReplyIs(&gReply, 220) || !Command("USER", UserName, 331) ||
        !Command("PASS", Paswort, 230)) {
        result = kNoLogin;
    } else if (!Command("CWD", Verz, 250) || !GetFTPDirOrFile(gHost, 0, nullptr, nullptr, 0)) {
        result = kNoDir;
    }
    // Only an open session keeps its connection: the screen closes that one.
    if (result != kOk) {
        if (gControl && !NetWrite(gControl, "QUIT\r\n", 6)) std::printf("OpenFTP: QUIT nicht gesendet\n");
        DropControl();
    }
    return result;
}

BOOL GetFTPDirOrFile(const char *hostname, BOOL download, const char *filename, const char *Ziel, ULONG size)
{
    (void)hostname;  // data go to the host of the control connection
    if (!gControl) return 0;
    if (download && (!filename || !Ziel)) return 0;
    VekConn *data = OpenData();
    if (!data) return 0;
    if (download) {
        if (!Command("TYPE", "I", 200) || !Command("RETR", filename, 150)) {
            NetClose(data);
            return 0;
        }
        return Download(data, Ziel, size);
    }
    if (!Command("LIST", "-alF", 150)) {
        NetClose(data);
        return 0;
    }
    return Listing(data);
}

BOOL GetFTPData(const char *FileName, const char *Verz, ULONG ln, const char *Ziel, APTR Nix)
{
    (void)Nix;
    if (!FileName || !Ziel) return 0;
    char path[600];
    int n = (!Verz || std::strlen(Verz) < 2) ? std::snprintf(path, sizeof path, "%s", FileName)
                                            : std::snprintf(path, sizeof path, "%s/%s", Verz, FileName);
    if (n <= 0 || (size_t)n >= sizeof path || std::strpbrk(path, "\r\n")) return 0;
    return GetFTPDirOrFile(gHost, 1, path, Ziel, ln);
}

void CloseFTP()
{
    if (!gControl) return;
    std::printf("CloseFTP();\n");
    if (NetWrite(gControl, "QUIT\r\n", 6)) {
        if (!ReadReply(gControl)) std::printf("CloseFTP: keine Antwort auf QUIT\n");
    }
    DropControl();
}
