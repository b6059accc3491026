// The IRC client: a reader thread per connection that logs in, joins the
// channel and then passes received batches to the consumer and sends its
// queued lines; the parser reads each line's prefix and command word (a
// message's text never counts as a command), keeps the nickname table and
// records the outcome in the Status bits.
#include "net/irc.h"

#include <SDL/SDL.h>
#include <SDL/SDL_thread.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "net/net.h"
#include "net/netconn.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/system.h"

ULONG (*IrcWuerfelHook)(ULONG n) = Wuerfel;
ULONG IrcWaitMs = 1000;

namespace {

constexpr ULONG kHostBuffer = 100;
constexpr int kReceives = 10;       // receives of a login step before it gives up
constexpr int kMotdReceives = 30;   // the message of the day may take longer
constexpr int kMaxPingDepth = 4;    // pings answered within one batch's parse
const char *const kFixedNicks[4] = {"Skelett", "Zombie", "Ghul", "Gruftbewohner"};
const char *const kLost = "Die Verbindung zum IRC-Server ist abgebrochen.";

void Copy(char *dest, ULONG size, const char *src)
{
    if (!size) return;
    std::snprintf(dest, size, "%s", src ? src : "");
}

char *Duplicate(const char *s, ULONG max)
{
    ULONG n = (ULONG)strnlen(s, max);
    auto *d = (char *)AllocVec(n + 1, MEMF_CLEAR);
    std::memcpy(d, s, n);
    return d;
}

bool Lock(VekChannel *c) { return c->Semaphore && SDL_SemWait(c->Semaphore) == 0; }
void Unlock(VekChannel *c) { SDL_SemPost(c->Semaphore); }

void SetBits(VekChannel *c, UWORD bits) { c->Status.fetch_or(bits); }
void ClearBits(VekChannel *c, UWORD bits) { c->Status.fetch_and((UWORD)~bits); }
bool Has(const VekChannel *c, UWORD bits) { return (c->Status.load() & bits) != 0; }

// Sends a line as it stands; 1 or 0.
BOOL SendRaw(VekChannel *c, const char *line, ULONG len)
{
    if (!c->Socket) {
        std::printf("SendIRC : Socket nicht vorhanden !\n");
        return 0;
    }
    std::printf("<--- %.*s", (int)len, line);
    if (!NetWrite(c->Socket, line, len)) {
        // A connection that takes nothing more is lost.
        std::printf("N/A error IRCError\n");
        c->Status.fetch_or(IRC_LOST);
        char *e = IRCErrorText(c);
        if (!e) SendExitMessage(c, kLost);
        FreeVec(e);
        return 0;
    }
    return 1;
}

BOOL SendFormatted(VekChannel *c, const char *format, const char *a, const char *b = "")
{
    char line[IRC_LINE];
    int n = std::snprintf(line, sizeof line - 2, format, a, b);
    if (n < 0) return 0;
    if ((ULONG)n > sizeof line - 3) n = (int)(sizeof line - 3);
    for (int i = 0; i < n; ++i)
        if (line[i] == '\r' || line[i] == '\n') line[i] = ' ';
    line[n++] = '\r';
    line[n++] = '\n';
    return SendRaw(c, line, (ULONG)n);
}

// One line of the server, split into its parts (pointers into a copy).
constexpr ULONG kLineCopy = 1024;  // what of a line is split up; a server's lines hold 512 bytes

struct IrcLine {
    char buf[kLineCopy];
    const char *prefix = "";   // without ':'; "" when none
    char nick[IRC_NAME] = "";  // the prefix up to "!", when it names a user
    bool fromUser = false;     // the prefix holds a "!"
    const char *command = "";
    const char *params[16] = {};
    int count = 0;
    const char *trailing = nullptr;  // the parameter after " :", also in params
};

void Split(const char *line, IrcLine *l)
{
    const size_t n = strnlen(line, sizeof l->buf - 1);
    std::memcpy(l->buf, line, n);
    l->buf[n] = 0;
    // The line end is no part of any field.
    char *end = l->buf + std::strlen(l->buf);
    while (end > l->buf && (end[-1] == '\r' || end[-1] == '\n')) *--end = 0;
    char *p = l->buf;
    if (*p == ':') {
        l->prefix = ++p;
        while (*p && *p != ' ') ++p;
        if (*p) *p++ = 0;
        const char *bang = std::strchr(l->prefix, '!');
        l->fromUser = bang != nullptr;
        if (bang) {
            ULONG n = (ULONG)(bang - l->prefix);
            if (n >= sizeof l->nick) n = sizeof l->nick - 1;
            std::memcpy(l->nick, l->prefix, n);
            l->nick[n] = 0;
        }
    }
    while (*p == ' ') ++p;
    l->command = p;
    while (*p && *p != ' ') ++p;
    if (*p) *p++ = 0;
    while (*p && l->count < 16) {
        while (*p == ' ') ++p;
        if (!*p) break;
        if (*p == ':') {
            l->trailing = ++p;
            l->params[l->count++] = l->trailing;
            break;
        }
        l->params[l->count++] = p;
        while (*p && *p != ' ') ++p;
        if (*p) *p++ = 0;
    }
}

bool SameName(const char *a, const char *b) { return a && b && strcasecmp(a, b) == 0; }

void Note(VekChannel *c, const char *text) { Copy(c->IOBackupPtr, 512, text); }

void RenameInTable(VekChannel *c, const char *from, const char *to)
{
    for (UWORD i = 0; i < c->UserAnzahl; ++i) {
        char *slot = c->NamesPtr + (ULONG)i * IRC_NAME;
        if (std::strcmp(slot, from) == 0) Copy(slot, IRC_NAME, to);
    }
}

void SendNick(VekChannel *c) { SendFormatted(c, "NICK %s", c->Nick); }

// Parses one line; 0 ends the batch (a ping was answered and the next batch
// parsed in its place).
// A user's chat line to the channel that asks nothing: the bulk of what
// comes, and nothing to do for the reader.
inline bool PlainChat(const VekChannel *c, const char *line, size_t length)
{
    // The line's length is known: the scans run over it at the library's
    // pace, and the fixed words are compared by hand.
    if (length < 2 || line[0] != ':') return false;
    const char *space = (const char *)std::memchr(line, ' ', length);
    if (!space || !std::memchr(line, '!', (size_t)(space - line))) return false;
    const char *p = space + 1, *end = line + length;
    static constexpr char kWord[] = "PRIVMSG ";
    if ((size_t)(end - p) < sizeof kWord - 1 || std::memcmp(p, kWord, sizeof kWord - 1) != 0) return false;
    p += sizeof kWord - 1;
    for (const char *name = c->Channel; *name; ++name, ++p) {
        if (p == end) return false;
        const unsigned char a = (unsigned char)*p, b = (unsigned char)*name;
        if (a != b && ((a | 0x20) != (b | 0x20) || (unsigned char)((a | 0x20) - 'a') > 'z' - 'a')) return false;
    }
    return end - p >= 2 && p[0] == ' ' && p[1] == ':' && (end - p == 2 || p[2] != '\001');
}

BOOL ParseLine(VekChannel *c, const char *line, size_t length)
{
    // Chat text stays out of the log: it is the players', and the bulk.
    if (Has(c, IRC_SERVERNAME) && PlainChat(c, line, length)) return 1;
    std::printf("---> %s\n", line);
    if (std::strncmp(line, "ERROR :Closing Link:", 20) == 0) {
        SetBits(c, IRC_CLOSING | IRC_WAITING);
        return 1;
    }
    static thread_local IrcLine l;
    l.prefix = "";
    l.nick[0] = 0;
    l.fromUser = false;
    l.command = "";
    l.count = 0;
    l.trailing = nullptr;
    Split(line, &l);
    // The server's own name: the prefix of the first prefixed line after the
    // login, taken as it stands (numerics are matched against it).
    if (Has(c, IRC_RECEIVED) && !Has(c, IRC_SERVERNAME) && line[0] == ':') {
        if (!l.fromUser && l.prefix[0]) {
            Copy(c->Host, 48, l.prefix);
            std::printf("NewServer! Servername : %s. Neuer Login!\n", c->Host);
            ClearBits(c, IRC_RECEIVED);
            SetBits(c, IRC_SERVERNAME);
        }
        ClearBits(c, IRC_WAITING);
    }
    const char *cmd = l.command;
    if (std::strcmp(cmd, "PING") == 0) {
        char token[48];
        Copy(token, sizeof token, l.count ? l.params[0] : "");
        SendFormatted(c, "PONG  %s", token);
        if (c->PingDepth >= kMaxPingDepth) return 1;
        ++c->PingDepth;
        ListenIRCExt(c);
        --c->PingDepth;
        return 0;
    }
    const char *user = CheckOpChars(l.nick);
    if (std::strcmp(cmd, "JOIN") == 0 && l.fromUser) {
        Note(c, user);
        AddIRCNameExt(c, user);
        if (l.count) Copy(c->Channel, sizeof c->Channel, l.params[0]);
        SetBits(c, IRC_JOINED);
    } else if (std::strcmp(cmd, "PART") == 0 && l.fromUser) {
        Note(c, user);
        DeleteIRCNameExt(c, user);
        SetBits(c, IRC_LEFT);
    } else if (std::strcmp(cmd, "NICK") == 0 && l.fromUser && l.count) {
        RenameInTable(c, user, l.params[0]);
        if (std::strcmp(user, c->Nick) == 0) Copy(c->Nick, sizeof c->Nick, l.params[0]);
    } else if (std::strcmp(cmd, "QUIT") == 0 && l.fromUser) {
        Note(c, user);
        DeleteIRCNameExt(c, user);
        SetBits(c, IRC_LEFT);
    } else if (std::strcmp(cmd, "PRIVMSG") == 0 && l.fromUser && l.trailing &&
               std::strcmp(l.trailing, "\001VERSION\001") == 0) {
        // Only the question itself is answered: every other text is a message.
        Note(c, user);
        SendFormatted(c, "NOTICE %s :This is the famous and useless Kavoria IRC Client", l.nick);
    } else if (std::strcmp(cmd, "NOTICE") == 0 && !l.fromUser && l.trailing &&
               std::strstr(l.trailing, "session limit") && std::strstr(l.trailing, "exceeded")) {
        ClearBits(c, IRC_PARSING);
        SetBits(c, IRC_WAITING | IRC_LOST);
        Copy(c->IOBackupPtr, 500, line);
        SendExitMessage(c, c->IOBackupPtr);
    } else if (std::strcmp(cmd, "KICK") == 0 && l.count >= 2) {
        DeleteIRCNameExt(c, l.params[1]);
        if (SameName(l.params[1], c->Nick)) {
            ClearBits(c, IRC_PARSING);
            SetBits(c, IRC_LOST);
            Note(c, line);
            SendExitMessage(c, c->IOBackupPtr);
        }
    } else if (std::strcmp(cmd, "KILL") == 0) {
        if (l.count) DeleteIRCNameExt(c, l.params[0]);
        ClearBits(c, IRC_PARSING);
        SetBits(c, IRC_LOST);
        Note(c, line);
        SendExitMessage(c, c->IOBackupPtr);
    } else if (std::strcmp(cmd, "NOTICE") == 0 && SameName(l.nick, "NickServ") && l.trailing) {
        if (std::strstr(l.trailing, "/msg NickServ IDENTIFY")) SetBits(c, IRC_IDENTIFY);
        if (Has(c, IRC_IDENTIFY) && std::strstr(l.trailing, "disconnected")) {
            SetBits(c, IRC_QUITTING);
            ChangeNick(c->Nick, 433);
            SendNick(c);
            ClearBits(c, IRC_QUITTING);
            SetBits(c, IRC_JOINED);
        }
    } else if (!l.fromUser && std::strlen(cmd) == 3 && std::strcmp(l.prefix, c->Host) == 0) {
        const int code = std::atoi(cmd);
        const char *target = l.count ? l.params[0] : "";
        switch (code) {
        case 353:
            if (!Has(c, IRC_NAMESDONE) && l.count >= 4 && SameName(l.params[2], c->Channel) && l.trailing) {
                char names[kLineCopy];
                Copy(names, sizeof names, l.trailing);
                UWORD added = 0;
                for (char *save = nullptr, *n = strtok_r(names, " ", &save); n; n = strtok_r(nullptr, " ", &save)) {
                    const char *name = CheckOpChars(n);
                    if (!*name) continue;
                    // The first names list makes the table.
                    if (!c->NamesPtr) {
                        c->NamesPtr = (char *)AllocVec(IRC_NAME, MEMF_CLEAR);
                        Copy(c->NamesPtr, IRC_NAME, name);
                        c->UserAnzahl = 1;
                    } else {
                        AddIRCNameExt(c, name);
                    }
                    ++added;
                }
                std::printf("User353 ! UserAnzahl %u\n", (unsigned)c->UserAnzahl);
                (void)added;
            }
            break;
        case 366:
            SetBits(c, IRC_NAMESDONE);
            std::printf("End of NAMES !\n");
            break;
        case 375: SetBits(c, IRC_MOTDSTART); break;
        case 376: SetBits(c, IRC_MOTDEND); break;
        case 432:
            if (std::strcmp(target, c->Nick) == 0 || std::strcmp(target, "*") == 0) {
                ChangeNick(c->Nick, 432);
                SendNick(c);
                ClearBits(c, IRC_RECEIVED);
            }
            break;
        case 433:
            ChangeNick(c->Nick, 433);
            SendNick(c);
            break;
        case 451:
            ClearBits(c, IRC_RECEIVED);
            SetBits(c, IRC_WAITING);
            SendExitMessage(c, "You have not registered !");
            break;
        case 462:
            ClearBits(c, IRC_RECEIVED);
            SetBits(c, IRC_WAITING | IRC_LOST);
            SendExitMessage(c, "You may not reregister !");
            break;
        case 474:
            ClearBits(c, IRC_RECEIVED);
            SetBits(c, IRC_WAITING | IRC_LOST);
            break;
        default: break;
        }
    }
    return 1;
}

void FreeQueue(EavesMessage *m)
{
    while (m) {
        EavesMessage *next = m->eaves_Next;
        FreeVec(m->eaves_MessageText);
        FreeVec(m);
        m = next;
    }
}

// Appends a batch to the incoming queue, dropping the oldest ones while the
// unread ones would pass IRC_QUEUE_MAX (a hidden panel reads nothing).
BOOL QueueBatch(VekChannel *c, char *text, ULONG len)
{
    auto *e = (EavesMessage *)AllocVec(sizeof(EavesMessage), MEMF_CLEAR);
    e->eaves_MessageText = text;
    e->eaves_MessageLen = len;
    if (!Lock(c)) {
        FreeVec(e);
        return 0;
    }
    while (c->SemaphoreMessage && c->QueuedBytes + len > IRC_QUEUE_MAX) {
        EavesMessage *old = c->SemaphoreMessage;
        c->SemaphoreMessage = old->eaves_Next;
        c->QueuedBytes -= old->eaves_MessageLen;
        old->eaves_Next = nullptr;
        FreeQueue(old);
    }
    EavesMessage **tail = &c->SemaphoreMessage;
    while (*tail) tail = &(*tail)->eaves_Next;
    *tail = e;
    c->QueuedBytes += len;
    Unlock(c);
    return 1;
}

bool Stopped(const VekChannel *c) { return c->Stop.load(); }

// Sends a command and receives one batch; 0 when the send failed.
BOOL Exchange(VekChannel *c, const char *format, const char *arg)
{
    if (!SendFormatted(c, format, arg)) return 0;
    ListenIRCExt(c);
    return 1;
}

void Fail(VekChannel *c, const char *text)
{
    char *e = IRCErrorText(c);
    SendExitMessage(c, e ? e : text);
    FreeVec(e);
}

int ReaderThread(void *arg)
{
    auto *c = static_cast<VekChannel *>(arg);
    c->Socket = nullptr;
    do {
        if (!c->Resolved) {
            SendExitMessage(c, "ALERT : Konnte Host nicht finden !");
            break;
        }
        int why = 0;
        c->Socket = NetConnectAddress(c->Address, c->Port, &why);
        if (!c->Socket) {
            SendExitMessage(c, "ALERT : Konnte keine Verbindung zum IRC-Server aufbauen !");
            break;
        }
        NetSetTimeout(c->Socket, c->SocketSetTimeout);
        if (!SendFormatted(c, "NICK %s", c->Nick)) {
            Fail(c, "ALERT : NICK nicht gesendet !");
            break;
        }
        ListenIRCExt(c);
        if (!Exchange(c, "USER %s Dummy Dummy : Kavoria", c->Nick)) {
            Fail(c, "ALERT : USER nicht gesendet !");
            break;
        }
        // Login: the server's first prefixed line clears the wait.
        int n = 0;
        while (Has(c, IRC_WAITING) && !Has(c, IRC_LOST) && n < kReceives - 1 && !Stopped(c)) {
            ListenIRCExt(c);
            ++n;
            if (Has(c, IRC_CLOSING)) break;
        }
        if (Stopped(c) || Has(c, IRC_LOST)) break;
        if (Has(c, IRC_CLOSING)) {
            SendExitMessage(c, "Konnte mich nicht anmelden. Ping Timeout!");
            break;
        }
        if (Has(c, IRC_WAITING) && !Has(c, IRC_SERVERNAME)) {
            SendExitMessage(c, "Konnte mich nicht anmelden. Server Busy ?");
            break;
        }
        if (Has(c, IRC_RECEIVED)) ClearBits(c, IRC_WAITING);
        // The message of the day, bounded: a server that never ends it
        // leaves the rest to the join.
        for (n = 0; !Has(c, IRC_MOTDEND) && !Has(c, IRC_MOTDSTART) && n < kReceives - 1 && !Stopped(c); ++n)
            ListenIRCExt(c);
        for (n = 0; Has(c, IRC_MOTDSTART) && !Has(c, IRC_MOTDEND) && n < kMotdReceives && !Stopped(c); ++n)
            ListenIRCExt(c);
        if (Stopped(c) || Has(c, IRC_WAITING) || Has(c, IRC_LOST)) break;
        for (n = 0; !Has(c, IRC_JOINED) && n < kReceives && !Stopped(c) && !Has(c, IRC_LOST); ++n) {
            if (!Exchange(c, "JOIN %s", c->Channel)) {
                QuitIRCExt(c);
                SendExitMessage(c, "Konnte den Channel nicht joinen\n");
                break;
            }
        }
        if (Stopped(c) || Has(c, IRC_LOST)) break;
        if (!Has(c, IRC_JOINED)) {
            SendExitMessage(c, "Konnte mich nicht einloggen... Server Busy ?");
            break;
        }
        if (!Has(c, IRC_NAMESDONE) && !Exchange(c, "NAMES %s", c->Channel)) {
            QuitIRCExt(c);
            Fail(c, "ALERT : NAMES nicht gesendet !");
            break;
        }
        if (c->UserAnzahl == 1) {
            if (!Exchange(c, "MODE %s t", c->Channel) || !Exchange(c, "MODE %s n", c->Channel) ||
                !Exchange(c, "MODE %s s", c->Channel)) {
                QuitIRCExt(c);
                Fail(c, "ALERT : MODE nicht gesendet !");
                break;
            }
        }
        for (n = 0; !Has(c, IRC_NAMESDONE) && n < kReceives && !Stopped(c) && !Has(c, IRC_LOST); ++n)
            ListenIRCExt(c);
        if (Stopped(c) || Has(c, IRC_LOST)) break;
        if (!Has(c, IRC_NAMESDONE)) {
            SendExitMessage(c, "Konnte mich nicht einloggen... Server Busy ?");
            break;
        }
        ClearBits(c, IRC_JOINED);
        for (;;) {
            ListenIRCExt(c);
            char *err = IRCErrorText(c);
            if (err || Has(c, IRC_LOST)) {
                FreeVec(err);
                QuitIRCExt(c);
                break;
            }
            EavesMessage *out = nullptr;
            if (Lock(c)) {
                out = c->SemaphoreReturn;
                if (out) c->SemaphoreReturn = out->eaves_Next;
                Unlock(c);
            }
            if (out) {
                if (out->Flags >= IRC_CHANNEL && out->Flags <= IRC_PRIVATE && out->eaves_MessageText)
                    SendRaw(c, out->eaves_MessageText, out->eaves_MessageLen);
                out->eaves_Next = nullptr;
                FreeQueue(out);
            }
            if (Stopped(c)) {
                QuitIRCExt(c);
                break;
            }
        }
    } while (false);
    if (Stopped(c) && c->Socket && !Has(c, IRC_LOST)) QuitIRCExt(c);
    NetClose(c->Socket);
    c->Socket = nullptr;
    FreeVec(c->NamesPtr);
    c->NamesPtr = nullptr;
    c->UserAnzahl = 0;
    FreeVec(c->IOMessagePtr);
    c->IOMessagePtr = nullptr;
    std::printf("EavesDrop: Quit\n");
    c->HasFinished = 1;
    return 0;
}

}  // namespace

const char *CheckOpChars(const char *String)
{
    if (String && (*String == '@' || *String == '+' || *String == '%' || *String == '*')) return String + 1;
    return String;
}

void ChangeNick(char *Nick, int FehlerNummer)
{
    if (FehlerNummer == 432) {
        ULONG i = IrcWuerfelHook(3);
        Copy(Nick, IRC_NAME, kFixedNicks[i < 4 ? i : 0]);
        return;
    }
    if (FehlerNummer != 433) return;
    char *last = std::strrchr(Nick, '_');
    const size_t len = std::strlen(Nick);
    if (!last || Nick + len - last != 2) {
        if (len + 2 < IRC_NAME) std::strcat(Nick, "_1");
        return;
    }
    const char d = last[1];
    const unsigned value = (d >= '0' && d <= '9') ? (unsigned)(d - '0') : 0;
    std::snprintf(last + 1, IRC_NAME - (ULONG)(last + 1 - Nick), "%u", value + 1);
}

void AddIRCNameExt(VekChannel *Channel, const char *User)
{
    if (!Channel || !User || !Channel->NamesPtr) return;
    auto *table = (char *)AllocVec(((ULONG)Channel->UserAnzahl + 1) * IRC_NAME, MEMF_CLEAR);
    std::memcpy(table, Channel->NamesPtr, (ULONG)Channel->UserAnzahl * IRC_NAME);
    Copy(table + (ULONG)Channel->UserAnzahl * IRC_NAME, IRC_NAME, User);
    FreeVec(Channel->NamesPtr);
    Channel->NamesPtr = table;
    ++Channel->UserAnzahl;
}

void DeleteIRCNameExt(VekChannel *Channel, const char *User)
{
    if (!Channel || !User) return;
    std::printf("L\366sche folgenden User %s\n", User);
    UWORD at = Channel->UserAnzahl;
    for (UWORD i = 0; i < Channel->UserAnzahl; ++i)
        if (SameName(Channel->NamesPtr + (ULONG)i * IRC_NAME, User)) {
            at = i;
            break;
        }
    if (at == Channel->UserAnzahl) return;
    if (Channel->UserAnzahl == 1) {
        FreeVec(Channel->NamesPtr);
        Channel->NamesPtr = nullptr;
        Channel->UserAnzahl = 0;
        return;
    }
    auto *table = (char *)AllocVec(((ULONG)Channel->UserAnzahl - 1) * IRC_NAME, MEMF_CLEAR);
    ULONG k = 0;
    for (UWORD i = 0; i < Channel->UserAnzahl; ++i)
        if (i != at) std::memcpy(table + (k++) * IRC_NAME, Channel->NamesPtr + (ULONG)i * IRC_NAME, IRC_NAME);
    FreeVec(Channel->NamesPtr);
    Channel->NamesPtr = table;
    --Channel->UserAnzahl;
}

void SendExitMessage(VekChannel *Channel, const char *Message)
{
    std::printf("SendExitMessage !\n");
    if (!Channel || !Message) return;
    char *copy = Duplicate(Message, 4096);
    if (Lock(Channel)) {
        FreeVec(Channel->ErrorText);
        Channel->ErrorText = copy;
        Unlock(Channel);
    } else {
        FreeVec(copy);
    }
}

char *IRCErrorText(VekChannel *Channel)
{
    if (!Channel || !Lock(Channel)) return nullptr;
    char *copy = Channel->ErrorText ? Duplicate(Channel->ErrorText, 4096) : nullptr;
    Unlock(Channel);
    return copy;
}

ULONG IrcBuildLine(const VekChannel *Channel, const char *Message, ULONG Command, char *out)
{
    const char *format = nullptr;
    const char *target = "";
    switch (Command) {
    case IRC_CHANNEL: format = "PRIVMSG %s :%s"; target = Channel->Channel; break;
    case IRC_NOTICE: format = "NOTICE %s :%s"; target = Channel->Adressat; break;
    case IRC_NICK: format = "NICK %s%s"; target = Channel->Nick; Message = ""; break;
    case IRC_PRIVATE: format = "PRIVMSG %s :%s"; target = Channel->Adressat; break;
    default: return 0;
    }
    int n = std::snprintf(out, IRC_LINE - 2, format, target, Message ? Message : "");
    if (n < 0) return 0;
    if ((ULONG)n > IRC_LINE - 3) n = (int)(IRC_LINE - 3);
    // A line break or NUL of a text would end the line, or start another
    // command, on the server.
    for (int i = 0; i < n; ++i)
        if (out[i] == '\r' || out[i] == '\n' || out[i] == 0) out[i] = ' ';
    out[n++] = '\r';
    out[n++] = '\n';
    out[n] = 0;
    return (ULONG)n;
}

BOOL SendIRCExt(VekChannel *Channel, const char *Message, ULONG Command)
{
    char line[IRC_LINE + 1];
    ULONG n = IrcBuildLine(Channel, Message, Command, line);
    return n ? SendRaw(Channel, line, n) : 0;
}

void ListenIRCExt(VekChannel *Channel)
{
    VekChannel *c = Channel;
    if (!c->Socket) return;
    auto *buf = (char *)AllocVec(IRC_BATCH, MEMF_CLEAR);
    int n = NetReadPiece(c->Socket, (UBYTE *)buf, IRC_BATCH - 1);
    if (n <= 0) {
        if (c->Socket->LastError != NETERR_TIMEOUT) {
            // A closed or broken connection ends the reader, which would
            // otherwise wait on it for ever.
            std::printf("N/A error IRCError\n");
            SetBits(c, IRC_LOST);
            ClearBits(c, IRC_PARSING);
            SendExitMessage(c, kLost);
        }
        FreeVec(buf);
        return;
    }
    SetBits(c, IRC_RECEIVED | IRC_PARSING);
    if (Has(c, IRC_QUITTING)) {
        FreeVec(buf);
        return;
    }
    c->IOMessageLen = (UWORD)n;
    ParseExt(c, buf);
    // Once the channel is joined every batch goes to the consumer, also one
    // that comes while the reader still sets the channel's modes.
    if (Has(c, IRC_NAMESDONE) && !Has(c, IRC_QUITTING)) {
        if (!QueueBatch(c, buf, (ULONG)n)) {
            FreeVec(buf);
            SendExitMessage(c, "ALERT : Konnte Speicher nicht allokieren !");
        }
        return;
    }
    FreeVec(buf);
}

void ParseExt(VekChannel *Channel, char *Message)
{
    VekChannel *c = Channel;
    const ULONG total = (ULONG)std::strlen(Message);
    ULONG pos = 0;
    // The server's name, once known, stays: from then on a plain chat line
    // asks nothing of the reader and is passed by here, the bulk of a batch.
    const bool serverKnown = Has(c, IRC_SERVERNAME);
    while (Has(c, IRC_PARSING)) {
        char *start = Message + pos;
        char *lf = std::strchr(start, '\n');
        if (!lf) {
            // The line goes on in the next batch; a piece longer than a line
            // may be is no line of a server and is dropped.
            const ULONG rest = total - pos;
            const ULONG have = c->Restzeile ? (ULONG)std::strlen(c->Restzeile) : 0;
            if (rest > 0 && have + rest < IRC_LINE) {
                auto *r = (char *)AllocVec(have + rest + 1, MEMF_CLEAR);
                if (have) std::memcpy(r, c->Restzeile, have);
                std::memcpy(r + have, start, rest);
                FreeVec(c->Restzeile);
                c->Restzeile = r;
            } else if (rest > 0) {
                FreeVec(c->Restzeile);
                c->Restzeile = nullptr;
            }
            ClearBits(c, IRC_PARSING);
            break;
        }
        *lf = 0;
        const char *line = start;
        size_t length = (size_t)(lf - start);
        if (c->Restzeile) {
            const ULONG have = (ULONG)std::strlen(c->Restzeile), more = (ULONG)(lf - start);
            FreeVec(c->Patchzeile);
            c->Patchzeile = (char *)AllocVec(have + more + 1, MEMF_CLEAR);
            std::memcpy(c->Patchzeile, c->Restzeile, have);
            std::memcpy(c->Patchzeile + have, start, more);
            FreeVec(c->Restzeile);
            c->Restzeile = nullptr;
            line = c->Patchzeile;
            length = have + more;
        }
        pos = (ULONG)(lf - Message) + 1;
        if (*line && !(serverKnown && PlainChat(c, line, length)) && !ParseLine(c, line, length)) break;
        if (pos >= total) {
            ClearBits(c, IRC_PARSING);
            break;
        }
    }
}

int QuitIRCExt(VekChannel *Channel)
{
    VekChannel *c = Channel;
    if (Has(c, IRC_LOST)) return 1;
    SetBits(c, IRC_QUITTING);
    if (!SendFormatted(c, "QUIT : Have a nice Day...%s", "")) {
        char *e = IRCErrorText(c);
        if (e) {
            SendExitMessage(c, e);
            FreeVec(e);
            return 0;
        }
        return 1;
    }
    // The server's farewell is read, but the owner is waiting for the end.
    if (c->Socket) NetSetTimeout(c->Socket, 300);
    ListenIRCExt(c);
    return 1;
}

VekChannel *InitIRC(const char *Host, const char *Channel, const char *Nick, APTR Getkey)
{
    (void)Getkey;
    void *mem = AllocVec(sizeof(VekChannel), MEMF_CLEAR);
    if (!mem) {
        std::printf("InitIRC : Konnte Speicher nicht allokieren\n");
        return nullptr;
    }
    auto *c = new (mem) VekChannel();
    c->Host = (char *)AllocVec(kHostBuffer, MEMF_CLEAR);
    UWORD port = IRC_PORT;
    char host[kHostBuffer];
    if (!NetSplitServer(Host ? Host : "", host, sizeof host, &port, IRC_PORT)) host[0] = 0;
    Copy(c->Host, kHostBuffer, host);
    Copy(c->Nick, sizeof c->Nick, Nick);
    Copy(c->Channel, sizeof c->Channel, Channel);
    c->SocketSetTimeout = IrcWaitMs;
    c->Port = port;
    // Looked up here, on the caller's thread.
    c->Resolved = host[0] && (NetResolveHook ? NetResolveHook : NetResolveName)(host, &c->Address);
    c->Semaphore = SDL_CreateSemaphore(1);
    if (!c->Semaphore) {
        std::printf("InitIRC : Konnte IRC-Semaphore nicht anlegen !\n");
        ExitIRC(c);
        return nullptr;
    }
    c->EavesDrop = SDL_CreateThread(ReaderThread, c);
    if (!c->EavesDrop) {
        std::printf("InitIRC : Konnte Task nicht anlegen !\n");
        ExitIRC(c);
        return nullptr;
    }
    // Until the channel's names are known, or the reader gave up.
    while (!Has(c, IRC_NAMESDONE) && !c->HasFinished.load()) SDL_Delay(20);
    return c;
}

void ExitIRC(VekChannel *Channel)
{
    VekChannel *c = Channel;
    if (!c) return;
    if (c->EavesDrop) {
        c->Stop = 1;
        SDL_WaitThread(c->EavesDrop, nullptr);
        c->EavesDrop = nullptr;
    }
    if (c->Semaphore) SDL_DestroySemaphore(c->Semaphore);
    FreeQueue(c->SemaphoreMessage);
    FreeQueue(c->SemaphoreReturn);
    FreeVec(c->IOMemPtr);
    FreeVec(c->IOMessagePtr);
    FreeVec(c->NamesPtr);
    FreeVec(c->ErrorText);
    FreeVec(c->Patchzeile);
    FreeVec(c->Restzeile);
    FreeVec(c->Host);
    NetClose(c->Socket);
    c->~VekChannel();
    FreeVec(c);
}

const char *SendIRC(VekChannel *Channel, const char *Message, const char *User, ULONG Command)
{
    VekChannel *c = Channel;
    if (!c) return nullptr;
    if (Has(c, IRC_LOST)) return "Broken pipe !";
    if (!c->Socket || !c->EavesDrop || c->HasFinished.load()) return c->IOMemPtr;
    auto *e = (EavesMessage *)AllocVec(sizeof(EavesMessage), MEMF_CLEAR);
    // The line is made now, with the addressee of this call.
    char line[IRC_LINE + 1];
    ULONG code = 0;
    switch (Command) {
    case IRC_CHANNEL:
        if (User) {
            Copy(c->Adressat, sizeof c->Adressat, User);
            code = IRC_NOTICE;
        } else {
            c->Adressat[0] = 0;
            code = IRC_CHANNEL;
            std::printf("MESSAGE <%s>\n", Message ? Message : "");
        }
        break;
    case IRC_NICK:
        if (User) {
            Copy(c->Nick, 41, User);
            code = IRC_NICK;
        }
        break;
    case IRC_PRIVATE:
        Copy(c->Adressat, sizeof c->Adressat, User);
        code = IRC_PRIVATE;
        break;
    default: break;
    }
    const ULONG n = code ? IrcBuildLine(c, Message, code, line) : 0;
    if (n) {
        e->eaves_MessageText = Duplicate(line, n);
        e->eaves_MessageLen = n;
    }
    e->Flags = n ? code : 0;
    if (Lock(c)) {
        EavesMessage **tail = &c->SemaphoreReturn;
        while (*tail) tail = &(*tail)->eaves_Next;
        *tail = e;
        Unlock(c);
    } else {
        FreeQueue(e);
    }
    return c->IOMemPtr;
}

char *GetIRC(VekChannel *Channel)
{
    VekChannel *c = Channel;
    if (!c || !c->EavesDrop) return nullptr;
    FreeVec(c->IOMemPtr);
    c->IOMemPtr = nullptr;
    c->IOMemLen = 0;
    EavesMessage *e = nullptr;
    if (Lock(c)) {
        e = c->SemaphoreMessage;
        if (e) {
            c->SemaphoreMessage = e->eaves_Next;
            c->QueuedBytes -= e->eaves_MessageLen;
        }
        Unlock(c);
    }
    if (!e) return nullptr;
    c->IOMemPtr = e->eaves_MessageText;
    c->IOMemLen = (UWORD)e->eaves_MessageLen;
    FreeVec(e);
    return c->IOMemPtr;
}
