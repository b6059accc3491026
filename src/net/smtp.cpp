// SMTP client: one mail text to one server, with or without login, and the
// Base64 encoder of the login.
#include <cstdio>
#include <cstring>

#include "net/netproto.h"
#include "platform/memfile.h"

namespace {

enum SmtpState : UWORD {
    S_GREETING = 1,
    S_EHLO,
    S_HELO,
    S_AUTHPLAIN,
    S_AUTHLOGIN,
    S_AUTHUSER,
    S_AUTHPASS,
    S_MAIL,
    S_RCPT,
    S_DATA,
    S_DATAEND,
    S_QUIT,
    S_QUITREFUSE,
};

void Finish(SmtpMachine *m, const char *text)
{
    std::snprintf(m->Result, sizeof m->Result, "%s", text);
    m->D.Want = NETWANT_DONE;
}

// Queues one command line; the log hides what a login carries.
BOOL Command(SmtpMachine *m, UWORD next, const char *line, BOOL secret = 0)
{
    if (!NetOut(&m->D, "%s\r\n", line)) {
        Finish(m, "SMTP_IO: Befehl zu lang\n");
        return 0;
    }
    if (secret) {
        const char *blank = std::strrchr(line, ' ');
        std::printf("C:%.*s ***\n", blank ? (int)(blank - line) : 0, line);
    } else {
        std::printf("C:%s\n", line);
    }
    m->State = next;
    m->ReplyLen = 0;
    m->Reply[0] = 0;
    m->D.Want = NETWANT_LINE;
    return 1;
}

int ReplyCode(const char *reply)
{
    if (reply[0] < '0' || reply[0] > '9') return -1;
    int code = 0;
    for (int i = 0; i < 6 && reply[i] >= '0' && reply[i] <= '9'; ++i) code = code * 10 + (reply[i] - '0');
    return code;
}

void Refuse(SmtpMachine *m)
{
    std::printf("QUIT: TempBuffer %s\n", m->Reply);
    std::snprintf(m->Refusal, sizeof m->Refusal, "%s", m->Reply);
    Command(m, S_QUITREFUSE, "QUIT");
}

void StartMail(SmtpMachine *m)
{
    char line[NETDIALOG_OUT];
    if (!m->Body) {
        Command(m, S_QUIT, "QUIT");
        return;
    }
    std::snprintf(line, sizeof line, "MAIL FROM: <%s>", m->From);
    Command(m, S_MAIL, line);
}

// The next "CC: <" line of the mail text becomes one more recipient.
void NextRecipient(SmtpMachine *m)
{
    while (m->CcScan) {
        const char *cc = std::strstr(m->CcScan, "CC: <");
        if (!cc) break;
        const char *colon = cc + 2;
        const char *lf = std::strchr(colon, '\n');
        const char *end = lf ? lf : colon + std::strlen(colon);
        m->CcScan = lf ? lf + 1 : end;
        if (end > colon && end[-1] == '\r') --end;
        ULONG len = (ULONG)(end - colon);
        if (len + 2 > 249) {  // a line this long never ends as a command: leave it out
            std::printf("SendEmail: CC-Zeile zu lang, \374bersprungen\n");
            continue;
        }
        char line[300];
        std::snprintf(line, sizeof line, "RCPT TO%.*s", (int)len, colon);
        Command(m, S_RCPT, line);
        return;
    }
    Command(m, S_DATA, "DATA");
}

void StartAuth(SmtpMachine *m)
{
    if (m->AuthKind == 1) {
        std::printf("SMTP-Auth-PLAIN !!\n");
        char plain[256], coded[256], line[300];
        ULONG u = (ULONG)std::strlen(m->User), p = (ULONG)std::strlen(m->Pass);
        if (u + p + 2 > sizeof plain) {
            std::snprintf(m->Reply, sizeof m->Reply, "SMTP_IO: Zugangsdaten zu lang\n");
            Refuse(m);
            return;
        }
        plain[0] = 0;
        std::memcpy(plain + 1, m->User, u);
        plain[u + 1] = 0;
        std::memcpy(plain + u + 2, m->Pass, p);
        if (encode64(plain, u + p + 2, coded, sizeof coded, nullptr) != 0) {
            std::snprintf(m->Reply, sizeof m->Reply, "SMTP_IO: Zugangsdaten zu lang\n");
            Refuse(m);
            return;
        }
        std::snprintf(line, sizeof line, "AUTH PLAIN %s", coded);
        Command(m, S_AUTHPLAIN, line, 1);
    } else if (m->AuthKind == 2) {
        std::printf("SMTP-Auth-LOGIN !!\n");
        Command(m, S_AUTHLOGIN, "AUTH LOGIN");
    } else {
        StartMail(m);
    }
}

// LOGIN steps: user name or password in Base64; a failed encoding ends at once.
void LoginStep(SmtpMachine *m, const char *text, UWORD next)
{
    char coded[256];
    if (encode64(text, (unsigned)std::strlen(text), coded, sizeof coded, nullptr) != 0) {
        Finish(m, "SMTP_IO: Zugangsdaten zu lang\n");
        return;
    }
    Command(m, next, coded, 1);
}

void OnReply(SmtpMachine *m)
{
    int code = ReplyCode(m->Reply);
    char line[NETDIALOG_OUT];
    switch (m->State) {
    case S_GREETING:
        if (code != 220) {
            std::printf("MailError: %s\n", m->Reply);
            char text[SMTP_REPLY_MAX];
            std::snprintf(text, sizeof text, "SendEMail 4: unerwartete Begr\374\337ung: %.900s", m->Reply);
            Finish(m, text);
            return;
        }
        std::snprintf(line, sizeof line, "%s %s", m->User ? "EHLO" : "HELO", m->Host);
        Command(m, m->User ? S_EHLO : S_HELO, line);
        return;
    case S_EHLO:
        if (code == 250) {
            m->AuthKind = m->AuthPlainSeen ? 1 : m->AuthLoginSeen ? 2 : 0;
            if (m->AuthKind == 1) std::printf("benutze SMTP-Auth !!\n");
            if (m->AuthKind == 2) std::printf("benutze SMTP-Auth-LOGIN !!\n");
            StartAuth(m);
        } else if (code == 500 || code == 501 || code == 502) {
            std::snprintf(line, sizeof line, "HELO %s", m->Host);
            Command(m, S_HELO, line);
        } else {
            Refuse(m);
        }
        return;
    case S_HELO:
        if (code == 250) StartMail(m);
        else Refuse(m);
        return;
    case S_AUTHPLAIN:
    case S_AUTHPASS:
        if (code == 235) StartMail(m);
        else if (m->State == S_AUTHPLAIN) Refuse(m);
        else Finish(m, m->Reply);
        return;
    case S_AUTHLOGIN:
        if (code == 334) LoginStep(m, m->User, S_AUTHUSER);
        else Finish(m, m->Reply);
        return;
    case S_AUTHUSER:
        if (code == 334) LoginStep(m, m->Pass, S_AUTHPASS);
        else Finish(m, m->Reply);
        return;
    case S_MAIL:
        if (code != 250) {
            Refuse(m);
            return;
        }
        std::snprintf(line, sizeof line, "RCPT TO: <%s>", m->To);
        Command(m, S_RCPT, line);
        return;
    case S_RCPT:
        if (code == 250) NextRecipient(m);
        else Refuse(m);
        return;
    case S_DATA:
        if (code != 354) {
            Refuse(m);
            return;
        }
        m->D.Body = m->Stuffed ? m->Stuffed : (const UBYTE *)m->Body;
        m->D.BodyLen = m->Stuffed ? m->StuffedLen : (ULONG)std::strlen(m->Body);
        std::memcpy(m->D.Tail, "\r\n.\r\n", 5);
        m->D.TailLen = 5;
        m->State = S_DATAEND;
        m->ReplyLen = 0;
        m->Reply[0] = 0;
        m->D.Want = NETWANT_LINE;
        return;
    case S_DATAEND:
        if (code != 250) {
            Refuse(m);
            return;
        }
        m->MailAccepted = 1;
        Command(m, S_QUIT, "QUIT");
        return;
    case S_QUIT:
        if (m->MailAccepted) {
            // Once the data were accepted the mail is sent: reporting the
            // refused quit as a failure would send the same mail again.
            if (code != 221) std::printf("SendEmail: QUIT abgelehnt, die Mail wurde angenommen\n");
            Finish(m, "ok");
        } else if (code == 221 || code < 0) {
            std::printf("ok eingetragen\n");
            Finish(m, "ok");
        } else {
            Finish(m, m->Reply);
        }
        return;
    case S_QUITREFUSE:
        std::printf("Buffer freigeben\n");
        Finish(m, m->Refusal);
        return;
    default:
        Finish(m, "SMTP_IO: interner Fehler\n");
    }
}

}  // namespace

int encode64(const char *in, unsigned inlen, char *out, unsigned outmax, unsigned *outlen)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    unsigned long long need = 4ull * ((inlen + 2ull) / 3);
    if (outlen) *outlen = (unsigned)need;
    if (need > outmax) return -2;
    const auto *s = (const UBYTE *)in;
    unsigned o = 0;
    for (unsigned i = 0; i < inlen; i += 3) {
        ULONG v = (ULONG)s[i] << 16;
        if (i + 1 < inlen) v |= (ULONG)s[i + 1] << 8;
        if (i + 2 < inlen) v |= s[i + 2];
        out[o++] = alphabet[(v >> 18) & 63];
        out[o++] = alphabet[(v >> 12) & 63];
        out[o++] = i + 1 < inlen ? alphabet[(v >> 6) & 63] : '=';
        out[o++] = i + 2 < inlen ? alphabet[v & 63] : '=';
    }
    if (o < outmax) out[o] = 0;
    return 0;
}

UBYTE *SmtpDotStuff(const char *body, ULONG length, ULONG *outLength)
{
    ULONG dots = 0;
    for (ULONG i = 0; i < length; ++i)
        if (body[i] == '.' && (i == 0 || body[i - 1] == '\n')) ++dots;
    if (dots == 0) return nullptr;
    auto *out = (UBYTE *)AllocVec(length + dots, 0);
    ULONG o = 0;
    for (ULONG i = 0; i < length; ++i) {
        if (body[i] == '.' && (i == 0 || body[i - 1] == '\n')) out[o++] = '.';
        out[o++] = (UBYTE)body[i];
    }
    *outLength = o;
    return out;
}

void SmtpBegin(SmtpMachine *m, const char *host, const char *from, const char *to, const char *body,
               const char *user, const char *pass)
{
    std::memset(m, 0, sizeof *m);
    std::snprintf(m->Host, sizeof m->Host, "%s", host);
    m->From = from ? from : "";
    m->To = to ? to : "";
    m->Body = body;
    m->User = user;
    m->Pass = pass ? pass : "";
    m->CcScan = body;
    if (body) {
        m->Stuffed = SmtpDotStuff(body, (ULONG)std::strlen(body), &m->StuffedLen);
    }
    m->State = S_GREETING;
    m->D.Want = NETWANT_LINE;
}

void SmtpEnd(SmtpMachine *m)
{
    FreeVec(m->Stuffed);
    m->Stuffed = nullptr;
}

void SmtpFeed(void *machine, const NetInput *in)
{
    auto *m = (SmtpMachine *)machine;
    if (in->Kind != NETIN_LINE) {
        char text[SMTP_REPLY_MAX];
        const char *why = NetErrorWords(in->Error);
        if (m->State == S_GREETING) {
            std::snprintf(text, sizeof text, "SendEMail 3: keine Begr\374\337ung: %s\n", why);
        } else if (m->State == S_QUITREFUSE) {
            std::printf("Buffer freigeben\n");
            Finish(m, m->Refusal);  // the refusal is the news, not the lost quit
            return;
        } else if (m->State == S_QUIT && m->MailAccepted) {
            // The server took the mail; calling it failed would send it twice.
            std::printf("SendEmail: keine Antwort auf QUIT, die Mail wurde angenommen\n");
            Finish(m, "ok");
            return;
        } else {
            std::snprintf(text, sizeof text, "SMTP_IO: %s\n", why);
        }
        Finish(m, text);
        return;
    }
    // Collect the reply's lines; a line whose code is followed by "-" is not the last.
    const char *line = (const char *)in->Data;
    ULONG len = in->Length;
    if (!m->MidLine) m->LineFinal = !(len >= 4 && line[3] == '-');
    ULONG room = SMTP_REPLY_MAX - 1 - m->ReplyLen;
    ULONG take = len < room ? len : room;
    std::memcpy(m->Reply + m->ReplyLen, line, take);
    m->ReplyLen += take;
    m->Reply[m->ReplyLen] = 0;
    if (m->State == S_EHLO) {
        char scan[SMTP_REPLY_MAX];
        ULONG s = len < sizeof scan - 1 ? len : sizeof scan - 1;
        std::memcpy(scan, line, s);
        scan[s] = 0;
        if (std::strstr(scan, "AUTH")) {
            if (std::strstr(scan, "PLAIN")) m->AuthPlainSeen = 1;
            if (std::strstr(scan, "LOGIN")) m->AuthLoginSeen = 1;
        }
    }
    // Only a line longer than the reader's buffer comes in pieces.
    m->MidLine = len == NETCONN_BUFFER && line[len - 1] != '\n';
    if (m->MidLine || !m->LineFinal) return;
    std::printf("S:%s\n", m->Reply);
    OnReply(m);
}

ULONG MailError(VekConn *Socket)
{
    std::printf("MailError: %s\n", NetErrorText(Socket));
    return 0;
}

char *SendEmail(const char *Host, const char *FromEmail, const char *ToEmail, const char *BodyEmail,
                const char *SMTPAuth)
{
    char host[64];
    UWORD port = 25;
    auto *result = (char *)AllocVec(SMTP_REPLY_MAX, MEMF_CLEAR);
    if (!NetSplitServer(Host, host, sizeof host, &port, 25)) {
        std::snprintf(result, SMTP_REPLY_MAX, "Can't connect to host !\n");
        return result;
    }
    int why = 0;
    VekConn *c = NetConnect(host, port, &why);
    if (!c) {
        if (why == 1) std::snprintf(result, SMTP_REPLY_MAX, "Can't connect to host !\n");
        else std::snprintf(result, SMTP_REPLY_MAX, "SendEMail 2: Verbindung abgelehnt\n");
        return result;
    }
    std::printf("SendEMail:Erfolgreich zum HOST connected!\n");
    const char *user = nullptr, *pass = nullptr;
    if (SMTPAuth) {
        user = SMTPAuth + 1;
        pass = user + std::strlen(user) + 1;
    }
    auto *m = (SmtpMachine *)AllocVec(sizeof(SmtpMachine), MEMF_CLEAR);
    SmtpBegin(m, host, FromEmail, ToEmail, BodyEmail, user, pass);
    NetRunDialog(c, &m->D, SmtpFeed, m);
    std::snprintf(result, SMTP_REPLY_MAX, "%s", m->Result[0] ? m->Result : "SMTP_IO: Dialog abgebrochen\n");
    SmtpEnd(m);
    FreeVec(m);
    NetClose(c);
    return result;
}
