// Web-script queries: one HTTP/1.0 GET with an absolute URL and no other
// header line; the whole reply comes back as text.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "net/netproto.h"
#include "platform/memfile.h"

namespace {

// Makes room for more bytes behind the reply, plus its terminator; 0 when
// that would pass the cap, and then the buffer stays as it was.
[[nodiscard]] BOOL Reserve(HttpMachine *m, ULONG more, ULONG step)
{
    if (more > NET_MAIL_MAX - m->Len) return 0;
    ULONG need = m->Len + more + 1;
    if (need <= m->Cap) return 1;
    ULONG cap = m->Cap;
    while (cap < need) cap += step;
    auto *b = (UBYTE *)AllocVec(cap, MEMF_CLEAR);
    if (m->Len) std::memcpy(b, m->Reply, m->Len);
    FreeVec(m->Reply);
    m->Reply = b;
    m->Cap = cap;
    return 1;
}

void Refuse(HttpMachine *m, const char *why)
{
    std::printf("CallPHP: %s\n", why);
    m->Refused = 1;
    m->D.Want = NETWANT_DONE;
}

void HeaderLine(HttpMachine *m, const NetInput *in)
{
    if (in->Length > HTTP_HEADER_MAX - m->Len) {
        Refuse(m, "Kopfzeilen zu lang");
        return;
    }
    if (!Reserve(m, in->Length, 4096)) {
        Refuse(m, "Kopfzeilen zu lang");
        return;
    }
    std::memcpy(m->Reply + m->Len, in->Data, in->Length);
    m->Len += in->Length;
    // Header names are case-insensitive.
    static const char key[] = "content-length:";
    const ULONG keyLen = sizeof key - 1;
    if (in->Length > keyLen && strncasecmp((const char *)in->Data, key, keyLen) == 0) {
        unsigned long long v = 0;
        ULONG i = keyLen;
        while (i < in->Length && (in->Data[i] == ' ' || in->Data[i] == '\t')) ++i;
        ULONG digits = i;
        for (; i < in->Length && isdigit(in->Data[i]); ++i) {
            v = v * 10 + (ULONG)(in->Data[i] - '0');
            if (v > NET_MAIL_MAX) {
                Refuse(m, "Content-Length zu gross");
                return;
            }
        }
        if (i > digits) {
            m->HaveLength = 1;
            m->BodyLen = (ULONG)v;
        }
    }
    BOOL blank = (in->Length == 2 && in->Data[0] == '\r') || (in->Length == 1 && in->Data[0] == '\n');
    if (!blank) return;
    m->InHeader = 0;
    if (!m->HaveLength) {
        m->D.Want = NETWANT_UNTIL_CLOSE;
        return;
    }
    if (m->BodyLen == 0) {
        m->Complete = 1;
        m->D.Want = NETWANT_DONE;
        return;
    }
    // Headers and body together must fit under the cap.
    if (!Reserve(m, m->BodyLen, m->BodyLen)) {
        Refuse(m, "Content-Length zu gross");
        return;
    }
    m->D.BlockDest = m->Reply + m->Len;
    m->D.BlockLen = m->BodyLen;
    m->D.Want = NETWANT_BLOCK;
}

}  // namespace

BOOL HttpBegin(HttpMachine *m, const char *escapedUrl)
{
    std::memset(m, 0, sizeof *m);
    int n = std::snprintf(m->Request, sizeof m->Request, "GET %s HTTP/1.0\r\n\r\n", escapedUrl);
    if (n < 0 || (ULONG)n >= sizeof m->Request) return 0;
    m->D.Body = (const UBYTE *)m->Request;
    m->D.BodyLen = (ULONG)n;
    m->InHeader = 1;
    m->D.Want = NETWANT_LINE;
    return 1;
}

void HttpFeed(void *machine, const NetInput *in)
{
    auto *m = (HttpMachine *)machine;
    switch (in->Kind) {
    case NETIN_LINE:
        HeaderLine(m, in);
        return;
    case NETIN_BLOCK:
        if (m->D.Want == NETWANT_BLOCK) {
            m->Len += in->Length;
            m->Complete = in->Length == m->BodyLen;
            std::printf(m->Complete ? "Dokument fertig geladen!\n" : "Dokument nicht komplett geladen!\n");
            m->D.Want = NETWANT_DONE;
            return;
        }
        if (!Reserve(m, in->Length, HTTP_GROW)) {
            Refuse(m, "Antwort zu gross");
            return;
        }
        std::memcpy(m->Reply + m->Len, in->Data, in->Length);
        m->Len += in->Length;
        return;
    case NETIN_END:
        m->Complete = 1;
        m->D.Want = NETWANT_DONE;
        return;
    default:  // a failure keeps what arrived
        m->D.Want = NETWANT_DONE;
        return;
    }
}

char *HttpTakeReply(HttpMachine *m)
{
    if (m->Refused || m->Len == 0) return nullptr;
    m->Reply[m->Len] = 0;
    char *r = (char *)m->Reply;
    m->Reply = nullptr;
    m->Len = m->Cap = 0;
    return r;
}

void HttpEnd(HttpMachine *m)
{
    FreeVec(m->Reply);
    m->Reply = nullptr;
}

char *ConvertASCToPHPString(const char *String)
{
    if (!String) return nullptr;
    ULONG size = 1;
    for (const char *s = String; *s; ++s) size += *s == ' ' || *s == '\n' ? 3 : *s == '\r' ? 0 : 1;
    auto *out = (char *)AllocVec(size, MEMF_CLEAR);
    char *o = out;
    for (const char *s = String; *s; ++s) {
        if (*s == ' ') o += std::sprintf(o, "%%20");
        else if (*s == '\n') o += std::sprintf(o, "%%0a");
        else if (*s != '\r') *o++ = *s;
    }
    return out;
}

char *CallPHP(const char *url, const char *Side)
{
    char *escaped = ConvertASCToPHPString(Side);
    if (!escaped) {
        std::printf("Konnte URL-String nicht konvertieren...\n");
        return nullptr;
    }
    char host[64];
    UWORD port = 80;
    int why = 1;
    VekConn *c = nullptr;
    if (NetSplitServer(url, host, sizeof host, &port, 80)) c = NetConnect(host, port, &why);
    if (!c) {
        std::printf("%s\n", url ? url : "");
        std::printf(why == 1 ? "Couldn't resolve hostname...\n" : "Couldn't create socket...\n");
        FreeVec(escaped);
        return nullptr;
    }
    auto *m = (HttpMachine *)AllocVec(sizeof(HttpMachine), MEMF_CLEAR);
    char *reply = nullptr;
    if (HttpBegin(m, escaped)) {
        NetRunDialog(c, &m->D, HttpFeed, m);
        reply = HttpTakeReply(m);
    } else {
        std::printf("Konnte URL-String nicht konvertieren...\n");
    }
    HttpEnd(m);
    FreeVec(m);
    NetClose(c);
    FreeVec(escaped);
    return reply;
}
