// POP3 client: walks the mailbox from the last message to the first, keeps
// the game mails whose subject begins with a wanted prefix as files, and
// deletes on the server only what is safely on disk (or not wanted at all).
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "net/netproto.h"
#include "platform/files.h"
#include "platform/memfile.h"

namespace {

enum Pop3State : UWORD {
    P_GREETING = 1,
    P_USER,
    P_PASS,
    P_STAT,
    P_LIST,
    P_TOP,
    P_TOPDATA,
    P_RETR,
    P_RETRDATA,
    P_DELE,
    P_QUIT,
};

// The session reports its first failure; later ones only go to the log.
void Fail(Pop3Machine *m, const char *format, ...) __attribute__((format(printf, 2, 3)));
void Fail(Pop3Machine *m, const char *format, ...)
{
    if (std::strcmp(m->Code, "OK") != 0) return;
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(m->Code, sizeof m->Code, format, ap);
    va_end(ap);
}

// A status reply without its line end, for messages.
std::string Stripped(const NetInput *in)
{
    ULONG n = in->Length;
    while (n && (in->Data[n - 1] == '\n' || in->Data[n - 1] == '\r')) --n;
    if (n > 255) n = 255;
    return std::string((const char *)in->Data, n);
}

BOOL IsOk(const NetInput *in) { return in->Length >= 3 && std::memcmp(in->Data, "+OK", 3) == 0; }

void Send(Pop3Machine *m, UWORD next, UWORD want, const char *format, ...) __attribute__((format(printf, 4, 5)));
void Send(Pop3Machine *m, UWORD next, UWORD want, const char *format, ...)
{
    char line[300];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(line, sizeof line, format, ap);
    va_end(ap);
    if (!NetOut(&m->D, "%s\r\n", line)) {
        Fail(m, "Befehl zu lang");  // a command that does not fit is never sent in part
        m->D.Want = NETWANT_DONE;
        return;
    }
    m->State = next;
    m->D.Want = want;
}

BOOL FlushSaved(Pop3Machine *m);

void Quit(Pop3Machine *m)
{
    if (!FlushSaved(m)) {
        // Without the QUIT the server forgets this session's deletions.
        std::printf("GetEMail:Gespeicherte Mails nicht auf die Platte gebracht, nichts wird gel\366scht!\n");
        Fail(m, "Konnte die Mails nicht sicher speichern");
        m->D.Want = NETWANT_DONE;
        return;
    }
    Send(m, P_QUIT, NETWANT_LINE, "QUIT");
}

void NextMessage(Pop3Machine *m)
{
    if (m->Current <= 1) {
        std::printf("raus...\n");
        Quit(m);
        return;
    }
    --m->Current;
    std::printf("neuer Durchgang...%u \n", m->Current);
    Send(m, P_LIST, NETWANT_LINE, "LIST %u", m->Current);
}

ULONG ParseNumber(const char *s, const char **end)
{
    unsigned long long v = 0;
    while (*s == ' ') ++s;
    const char *start = s;
    while (*s >= '0' && *s <= '9') {
        v = v * 10 + (ULONG)(*s - '0');
        if (v > 0xFFFFFFFFull) v = 0xFFFFFFFFull;
        ++s;
    }
    if (end) *end = s == start ? nullptr : s;
    return (ULONG)v;
}

// Writes the mail beside its final name and renames it: a file of that name
// is always whole. Flushing waits for the end of the session (FlushSaved).
BOOL SaveMessage(Pop3Machine *m)
{
    std::snprintf(m->SavedName, sizeof m->SavedName, "%s%s.email", m->Path ? m->Path : "", m->Subject);
    if (!CheckPathName(m->SavedName, sizeof m->SavedName)) return 0;
    char tmp[sizeof m->SavedName + 16];
    int fd = CreateTempBeside(m->SavedName, tmp, sizeof tmp);
    if (fd < 0) {
        std::printf("GetEMail:Konnte File nicht anlegen\n");
        return 0;
    }
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    ULONG done = 0;
    while (done < m->MsgLen) {
        ssize_t n = ::write(fd, m->Msg + done, m->MsgLen - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += (ULONG)n;
    }
    BOOL ok = ::close(fd) == 0 && done == m->MsgLen;
    if (ok && std::rename(tmp, m->SavedName) == 0) {
        m->Unflushed = 1;
        return 1;
    }
    ::unlink(tmp);
    return 0;
}

// A DELE takes effect only with the QUIT that ends the session, so the saved
// mails are flushed to the disk once, right before it. 1 when on disk.
BOOL FlushSaved(Pop3Machine *m)
{
    if (!m->Unflushed) return 1;
    std::string dir = m->Path ? m->Path : "";
    size_t slash = dir.rfind('/');
    dir = slash == std::string::npos ? "." : dir.substr(0, slash + 1);
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return 0;
    BOOL ok = syncfs(fd) == 0;
    ::close(fd);
    m->Unflushed = 0;
    return ok;
}

void HeaderLine(Pop3Machine *m, const NetInput *in)
{
    static const char key[] = "Subject: @";
    const ULONG keyLen = sizeof key - 1;
    if (m->SubjectFound || in->Length < keyLen || std::memcmp(in->Data, key, keyLen) != 0) return;
    m->SubjectFound = 1;
    ULONG n = keyLen;
    while (n < in->Length && in->Data[n] != '\r' && in->Data[n] != '\n') ++n;
    ULONG len = n - keyLen;
    if (!Pop3SubjectIsSafe((const char *)in->Data + keyLen, len)) {
        m->SubjectBad = 1;
        return;
    }
    std::memcpy(m->Subject, in->Data + keyLen, len);
    m->Subject[len] = 0;
}

void HeaderDone(Pop3Machine *m)
{
    if (m->SubjectFound && m->SubjectBad) std::printf("GetEMail:Betreff von Mail %u taugt nicht als Dateiname!\n", m->Current);
    if (!m->SubjectFound || m->SubjectBad) {
        std::printf("GetEMail:Mail %u ist KEINE VEK-EMail!\n", m->Current);
        if (m->DeleteOther) Send(m, P_DELE, NETWANT_LINE, "DELE %u", m->Current);
        else NextMessage(m);
        return;
    }
    if (m->Prefix && std::strncmp(m->Subject, m->Prefix, std::strlen(m->Prefix)) != 0) {
        std::printf("GetEMail:Suchkriterium nicht erf\374llt !\n");
        NextMessage(m);
        return;
    }
    if (m->Size > NET_MAIL_MAX) {
        std::printf("GetEMail:Fehler Beim Herunterladen der E-Mail!\n");
        Fail(m, "Server Error:Mail %u ist zu gross (%u Bytes)", m->Current, m->Size);
        NextMessage(m);
        return;
    }
    Send(m, P_RETR, NETWANT_LINE, "RETR %u", m->Current);
}

// Appends a piece of the message; the buffer grows up to the cap.
[[nodiscard]] BOOL Append(Pop3Machine *m, const UBYTE *data, ULONG len)
{
    if (len > NET_MAIL_MAX - m->MsgLen) return 0;
    if (m->MsgLen + len > m->MsgCap) {
        ULONG cap = m->MsgCap ? m->MsgCap : 4096;
        while (cap < m->MsgLen + len) cap = cap > NET_MAIL_MAX / 2 ? NET_MAIL_MAX : cap * 2;
        auto *b = (UBYTE *)AllocVec(cap, 0);
        if (m->MsgLen) std::memcpy(b, m->Msg, m->MsgLen);
        FreeVec(m->Msg);
        m->Msg = b;
        m->MsgCap = cap;
    }
    std::memcpy(m->Msg + m->MsgLen, data, len);
    m->MsgLen += len;
    return 1;
}

BOOL IsEndLine(const NetInput *in)
{
    return (in->Length == 3 && std::memcmp(in->Data, ".\r\n", 3) == 0) ||
           (in->Length == 2 && std::memcmp(in->Data, ".\n", 2) == 0);
}

void MessageDone(Pop3Machine *m)
{
    if (SaveMessage(m)) {
        std::printf("Email unter '%s' gespeichert.\n", m->SavedName);
        ++m->Saved;
        FreeVec(m->Msg);
        m->Msg = nullptr;
        m->MsgLen = m->MsgCap = 0;
        if (m->DeleteOwn) {
            Send(m, P_DELE, NETWANT_LINE, "DELE %u", m->Current);
            return;
        }
    } else {
        std::printf("Konnte email nicht unter '%s' speichern\n", m->SavedName);
        Fail(m, "Konnte Mail %u nicht speichern", m->Current);
    }
    FreeVec(m->Msg);
    m->Msg = nullptr;
    m->MsgLen = m->MsgCap = 0;
    NextMessage(m);
}

void Data(Pop3Machine *m, const NetInput *in)
{
    BOOL lineStart = m->AtLineStart;
    m->AtLineStart = in->Length > 0 && in->Data[in->Length - 1] == '\n';
    if (lineStart && IsEndLine(in)) {
        if (m->State == P_TOPDATA) {
            HeaderDone(m);
            return;
        }
        if (!Append(m, in->Data, in->Length)) m->Overflow = 1;
        if (!m->Overflow) {
            MessageDone(m);
            return;
        }
    } else if (m->State == P_TOPDATA) {
        if (lineStart) HeaderLine(m, in);
        m->MsgLen += in->Length;  // only counted: a header is never kept
        if (m->MsgLen <= NET_MAIL_MAX) return;
        m->Overflow = 1;
    } else if (Append(m, in->Data, in->Length)) {
        return;
    } else {
        m->Overflow = 1;
    }
    // Past the cap the rest cannot be read in step: end without QUIT, so the
    // server also forgets this session's deletions.
    std::printf("GetEMail:Fehler Beim Herunterladen der E-Mail!\n");
    Fail(m, "Server Error:Mail %u ist zu gross", m->Current);
    m->D.Want = NETWANT_DONE;
}

}  // namespace

BOOL Pop3SubjectIsSafe(const char *subject, ULONG length)
{
    if (length == 0 || length > NET_SUBJECT_MAX) return 0;
    for (ULONG i = 0; i < length; ++i) {
        UBYTE c = (UBYTE)subject[i];
        if (c < 0x20 || c > 0x7E || c == '/' || c == '\\') return 0;
        if (c == '.' && i + 1 < length && subject[i + 1] == '.') return 0;
    }
    return 1;
}

BOOL CheckPathName(char *PathName, ULONG size)
{
    if (!PathName || size == 0) return 0;
    std::string base = PathName;
    std::string name = base;
    struct stat st;
    for (ULONG n = 1; lstat(name.c_str(), &st) == 0; ++n) {
        if (n > 100000) return 0;
        name = base + "." + std::to_string(n);
    }
    if (name.size() >= size) return 0;
    std::memcpy(PathName, name.c_str(), name.size() + 1);
    return 1;
}

void Pop3Begin(Pop3Machine *m, const char *user, const char *pass, const char *prefix, const char *path,
               BOOL deleteOther, BOOL deleteOwn)
{
    std::memset(m, 0, sizeof *m);
    m->User = user ? user : "";
    m->Pass = pass ? pass : "";
    m->Prefix = prefix;
    m->Path = path ? path : "";
    m->DeleteOther = deleteOther;
    m->DeleteOwn = deleteOwn;
    std::snprintf(m->Code, sizeof m->Code, "OK");
    m->State = P_GREETING;
    m->D.Want = NETWANT_LINE;
}

void Pop3End(Pop3Machine *m)
{
    FreeVec(m->Msg);
    m->Msg = nullptr;
}

void Pop3Feed(void *machine, const NetInput *in)
{
    auto *m = (Pop3Machine *)machine;
    if (in->Kind != NETIN_LINE) {
        const char *why = NetErrorWords(in->Error);
        Fail(m, "Socket Error:%s", why);
        if (!m->LoggedIn) std::printf("GetEmail: Login fehlgeschlagen, Benutzername/Passwort \374berpr\374fen!\n");
        if (m->State == P_RETRDATA || m->State == P_RETR) std::printf("GetEMail:Fehler Beim Herunterladen der E-Mail!\n");
        // Only a live, logged-in session is worth a QUIT: it makes the deletions stick.
        if (m->LoggedIn && m->State != P_QUIT && in->Error == NETERR_TIMEOUT) Quit(m);
        else m->D.Want = NETWANT_DONE;
        return;
    }
    switch (m->State) {
    case P_GREETING:
        std::printf("S:%s\n", Stripped(in).c_str());
        Send(m, P_USER, NETWANT_LINE, "USER %s", m->User);
        return;
    case P_USER:
    case P_PASS:
        if (!IsOk(in)) {
            Fail(m, "Server Error:%s", Stripped(in).c_str());
            std::printf("GetEmail: Login fehlgeschlagen, Benutzername/Passwort \374berpr\374fen!\n");
            m->D.Want = NETWANT_DONE;
            return;
        }
        if (m->State == P_USER) {
            Send(m, P_PASS, NETWANT_LINE, "PASS %s", m->Pass);
        } else {
            m->LoggedIn = 1;
            Send(m, P_STAT, NETWANT_LINE, "STAT");
        }
        return;
    case P_STAT: {
        if (!IsOk(in)) {
            std::printf("GetEmail: Status des Postfach konnte nicht \374berpr\374ft werden!\n");
            Fail(m, "Server Error:%s", Stripped(in).c_str());
            Quit(m);
            return;
        }
        std::string r = Stripped(in);
        const char *blank = std::strchr(r.c_str(), ' ');
        m->Count = blank ? ParseNumber(blank, nullptr) : 0;
        std::printf("GetEMail:Auf dem Server befinden sich %u Nachrichten !\n", m->Count);
        m->Current = m->Count + 1;
        NextMessage(m);
        return;
    }
    case P_LIST: {
        if (!IsOk(in)) {
            std::printf("POP3_Top:POP3_List Fehler!\n");
            Fail(m, "Server Error:%s", Stripped(in).c_str());
            Quit(m);
            return;
        }
        std::string r = Stripped(in);
        size_t blank = r.rfind(' ');
        m->Size = blank == std::string::npos ? 0 : ParseNumber(r.c_str() + blank + 1, nullptr);
        if (m->Size == 0) {
            std::printf("Server liefert die Gr\366\337e der Mail nicht zur\374ck! Verbrecherischer Fehler! Setze die "
                        "Mailgr\366\337e auf 1 MB um trotzdem zu funktionieren...\n");
            m->Size = 1000000;
        }
        Send(m, P_TOP, NETWANT_LINE, "TOP %u 0", m->Current);
        return;
    }
    case P_TOP:
        if (!IsOk(in)) {
            std::printf("POP3_Top:TOP Befehl nicht erfolgreich ausgefuehrt!\n");
            Fail(m, "Server Error:%s", Stripped(in).c_str());
            Quit(m);
            return;
        }
        m->State = P_TOPDATA;
        m->AtLineStart = 1;
        m->Overflow = m->SubjectFound = m->SubjectBad = 0;
        m->Subject[0] = 0;
        m->MsgLen = 0;
        return;
    case P_RETR:
        if (!IsOk(in)) {
            std::printf("GetEMail:Fehler Beim Herunterladen der E-Mail!\n");
            Fail(m, "Server Error:%s", Stripped(in).c_str());
            NextMessage(m);
            return;
        }
        std::printf("POP3_RetrieveMsg: Lege %u byte puffer an...\n", m->Size);
        m->State = P_RETRDATA;
        m->AtLineStart = 1;
        m->Overflow = 0;
        m->MsgLen = 0;
        m->MsgCap = m->Size < NET_MAIL_MAX - 1024 ? m->Size + 1024 : NET_MAIL_MAX;
        FreeVec(m->Msg);
        m->Msg = (UBYTE *)AllocVec(m->MsgCap, 0);
        return;
    case P_TOPDATA:
    case P_RETRDATA:
        Data(m, in);
        return;
    case P_DELE:
        if (IsOk(in)) ++m->Deleted;
        else Fail(m, "Server Error:%s", Stripped(in).c_str());
        NextMessage(m);
        return;
    case P_QUIT:
        if (!IsOk(in)) Fail(m, "Server Error:%s", Stripped(in).c_str());
        m->D.Want = NETWANT_DONE;
        return;
    default:
        m->D.Want = NETWANT_DONE;
    }
}

const char *GetEmail(const char *Host, const char *UserName, const char *Passwort, const char *FirstChar,
                     const char *Path, BOOL DeleteOther, BOOL DeleteOwn)
{
    static char result[POP3_CODE_MAX];
    char host[64];
    UWORD port = 110;
    if (!NetSplitServer(Host, host, sizeof host, &port, 110)) {
        std::snprintf(result, sizeof result, "Can't connect to host !\n");
        std::printf("GetEmail: Internetverbindung zu host '%s' kann nicht aufgebaut werden! code:%s\n",
                    Host ? Host : "", result);
        return result;
    }
    int why = 0;
    VekConn *c = NetConnect(host, port, &why);
    if (!c) {
        if (why == 1) std::snprintf(result, sizeof result, "Can't connect to host !\n");
        else std::snprintf(result, sizeof result, "Socket Error %s", "Verbindung abgelehnt");
        std::printf("GetEmail: Internetverbindung zu host '%s' kann nicht aufgebaut werden! code:%s\n", Host, result);
        return result;
    }
    auto *m = (Pop3Machine *)AllocVec(sizeof(Pop3Machine), MEMF_CLEAR);
    Pop3Begin(m, UserName, Passwort, FirstChar, Path, DeleteOther, DeleteOwn);
    NetRunDialog(c, &m->D, Pop3Feed, m);
    if (std::strcmp(m->Code, "OK") == 0) std::snprintf(result, sizeof result, "ok");
    else std::snprintf(result, sizeof result, "%s", m->Code);
    Pop3End(m);
    FreeVec(m);
    NetClose(c);
    return result;
}
