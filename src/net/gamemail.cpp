// Game mails: packing and sending a file, finding, dating and unpacking the
// received ones, and the fetch of the server's answers.
#include "net/gamemail.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>

#include "net/net.h"
#include "net/netproto.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/packer.h"

GameMailConfig GameMailCfg = {"turns@vek.invalid", "archive@vek.invalid", "vek.invalid", "rurovudoza"};

namespace {
std::time_t SystemClock() { return std::time(nullptr); }

void CopyText(char *dest, size_t size, const char *text) { std::snprintf(dest, size, "%s", text); }

const char *const Wochentage[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char *const Monate[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// A header value without line breaks: a typed name cannot add header lines.
std::string HeaderSafe(const char *text)
{
    std::string s = text ? text : "";
    std::string out;
    for (char c : s)
        if (c != '\r' && c != '\n') out += c;
    return out;
}

// The text up to its first line end, at most 79 characters, into VekMailError.
void SetResult(VekMailInfo *info, const char *text)
{
    size_t n = std::strcspn(text, "\r\n");
    if (n > sizeof info->VekMailError - 1) n = sizeof info->VekMailError - 1;
    std::memcpy(info->VekMailError, text, n);
    info->VekMailError[n] = 0;
}

bool RefusedForLogin(const char *reply)
{
    static const char *const codes[] = {"421", "451", "501", "521", "530", "535", "550", "553", "554"};
    for (const char *c : codes)
        if (std::strncmp(reply, c, 3) == 0) return true;
    return false;
}

// POP-before-SMTP: a login that opens the SMTP server to this address, and
// nothing else: no mail is listed, fetched or deleted.
struct PopLogin {
    Pop3Machine M;
    UWORD Phase;  // 0 in the login, 1 STAT answered and QUIT sent
};

void PopLoginFeed(void *machine, const NetInput *in)
{
    auto *p = (PopLogin *)machine;
    if (p->M.LoggedIn && in->Kind == NETIN_LINE) {
        if (p->Phase == 0) {
            p->Phase = 1;
            p->M.D.OutLen = 0;
            // The login is what counts; without room for QUIT the dialogue just ends.
            p->M.D.Want = NetOut(&p->M.D, "QUIT\r\n") ? NETWANT_LINE : NETWANT_DONE;
        } else {
            p->M.D.Want = NETWANT_DONE;
        }
        return;
    }
    Pop3Feed(&p->M, in);
}

std::string PopLoginOnly(const char *server, const char *user, const char *pass)
{
    char host[64];
    UWORD port = 110;
    int why = 0;
    VekConn *c = NetSplitServer(server, host, sizeof host, &port, 110) ? NetConnect(host, port, &why) : nullptr;
    if (!c) return "Can't connect to host !";
    auto *p = (PopLogin *)AllocVec(sizeof(PopLogin), MEMF_CLEAR);
    Pop3Begin(&p->M, user, pass, " ", "", 0, 0);
    NetRunDialog(c, &p->M.D, PopLoginFeed, p);
    std::string result = p->M.LoggedIn ? "ok" : p->M.Code;
    Pop3End(&p->M);
    FreeVec(p);
    NetClose(c);
    return result;
}

// The SMTP send of step b: the reply into the record.
void SendBySmtp(VekMailInfo *info, const char *text, const char *printFormat)
{
    std::string user = info->VekMailSMTPUserName ? info->VekMailSMTPUserName : "";
    std::string pass = info->VekMailSMTPPasswort ? info->VekMailSMTPPasswort : "";
    std::string auth;
    const char *authPtr = nullptr;
    if (!user.empty() || !pass.empty()) {
        auth.push_back('\0');
        auth += user;
        auth.push_back('\0');
        auth += pass;
        auth.push_back('\0');
        authPtr = auth.data();
        std::printf("SendeFileAsEmail : Absender    %s\n", info->VekMailAbsender);
        std::printf("SendeFileAsEmail : SMTP-Server %s\n", UserSystem.OP.InterSMTPName);
    }
    char *reply = SendEmail(UserSystem.OP.InterSMTPName, info->VekMailAbsender, info->VekMailAdressat, text, authPtr);
    CopyText(info->VekMailError, sizeof info->VekMailError, reply ? reply : "SendEMail: kein Speicher");
    std::printf(printFormat, info->VekMailError);
    FreeVec(reply);
}

// The mail over the game server; 1 when the server acknowledged the data.
// A server that cannot be reached moves the run to the mail transport.
BOOL SendByGameServer(const std::string &text)
{
    std::printf("Mail per TCPIP senden...\n");
    Vek_TCPData data;
    std::memset(&data, 0, sizeof data);
    CopyText(data.IPAdresse, sizeof data.IPAdresse, NetCfg.GameServer);
    data.Buffer = (APTR)text.data();
    data.BufferLen = (ULONG)text.size();
    data.SpielerID = CheckPrefs(9, PREFS_READ, 0);
    if (!SendPacket_Connect(&data)) {
        UserSystem.OP.TCPIP_Flags = (UBYTE)((UserSystem.OP.TCPIP_Flags & ~TRANSPORT_GAMESERVER) | TRANSPORT_MAIL);
        return 0;
    }
    BOOL ok = 0;
    if (!SendPacket_SetSID(&data)) std::printf("SendeFileAsEmail : Fehler beim senden der SpielerID aufgetreten\n");
    else if (!SendPacket_Put(&data)) std::printf("SendeFileAsEmail : Fehler beim senden des DatenBuffers aufgetreten\n");
    else ok = 1;
    // The server took the data with its acknowledgement: a lost goodbye must
    // not make the turn go a second time.
    if (!SendPacket_Quit(&data)) std::printf("SendeFileAsEmail : Fehler beim dekonnektieren aufgetreten\n");
    return ok;
}

}  // namespace

std::time_t (*GameMailClock)() = SystemClock;

void GameMailConfigLoad()
{
    if (const char *p = std::getenv("VEK_TURN_MAILBOX")) CopyText(GameMailCfg.TurnMailbox, sizeof GameMailCfg.TurnMailbox, p);
    if (const char *p = std::getenv("VEK_ARCHIVE_MAILBOX"))
        CopyText(GameMailCfg.ArchiveMailbox, sizeof GameMailCfg.ArchiveMailbox, p);
    if (const char *p = std::getenv("VEK_OPERATOR_DOMAIN"))
        CopyText(GameMailCfg.OperatorDomain, sizeof GameMailCfg.OperatorDomain, p);
    if (const char *p = std::getenv("VEK_PRESET_POSTBOX"))
        CopyText(GameMailCfg.PresetStem, sizeof GameMailCfg.PresetStem, p);
}

void GameMailSubject(const char *FileName, char *out, ULONG size)
{
    std::string name = FileName ? FileName : "";
    size_t slash = name.rfind('/');
    if (slash != std::string::npos) name = name.substr(slash + 1);
    name = name.substr(0, name.find('.'));
    std::snprintf(out, size, "@%8s", name.c_str());
}

char *GameMailHeader(const char *FileName, const VekMailInfo *info, std::time_t now)
{
    std::tm t{};
    gmtime_r(&now, &t);
    char subject[300];
    if (info->VekMailSubject) std::snprintf(subject, sizeof subject, "%s", HeaderSafe(info->VekMailSubject).c_str());
    else GameMailSubject(FileName, subject, sizeof subject);
    char date[64];
    std::snprintf(date, sizeof date, "%s, %2.2u %s %u %2.2u:%2.2u:%2.2u", Wochentage[t.tm_wday % 7],
                  (unsigned)t.tm_mday, Monate[t.tm_mon % 12], (unsigned)(t.tm_year + 1900), (unsigned)t.tm_hour,
                  (unsigned)t.tm_min, (unsigned)t.tm_sec);
    std::string h = "From: " + HeaderSafe(info->VekMailVorname) + " " + HeaderSafe(info->VekMailNachnahme) + " <" +
                    HeaderSafe(info->VekMailAbsender) + ">\r\n";
    h += "To: <" + HeaderSafe(info->VekMailAdressat) + ">\r\n";
    h += "CC: <" + HeaderSafe(GameMailCfg.ArchiveMailbox) + ">\r\n";
    h += std::string("Date: ") + date + "\r\n";
    h += std::string("Subject: ") + subject + "\r\n\r\n";
    std::printf("\n\nSUBJEKT-FILENAME:Subject: %s\n\n", subject);
    auto *out = (char *)AllocVec((ULONG)h.size() + 1, 0);
    std::memcpy(out, h.c_str(), h.size() + 1);
    return out;
}

const char *SendFileAsEmail(const char *FileName, VekMailInfo *info, BOOL Send)
{
    if (!FileName || !info) return nullptr;
    FILE *f = std::fopen(FileName, "rb");
    if (!f) {
        std::printf("SendFileAsEmail:Konnte das gesuchte File %s nicht \366ffnen!\n", FileName);
        return nullptr;
    }
    std::fclose(f);
    ULONG size = GetFileSize(FileName);
    auto *data = (UBYTE *)LoadFile2Mem(FileName, 0);
    if (!data) {
        std::printf("SendFileAsMail : Konnte File nicht einladen !\n");
        return nullptr;
    }
    if (!info->VekMailAbsender || !info->VekMailAdressat || !info->VekMailAbsender[0] || !info->VekMailAdressat[0]) {
        std::printf("SendFileAsMail : Addressat oder Absender nicht eingetragen !\n");
        FreeVec(data);
        return nullptr;
    }
    info->VekMailData = data;
    info->VekMailLength = size;
    info->VekMailModus = 0;
    info->VekMailMid = 0;
    info->VekMailRound = 0;
    ULONG err = Implode(info);
    if (err != IMPLODE_OK) {
        std::printf("SendFileAsMail : Implode-Fehler-Nr.: %d !", (int)err);
        info->VekMailData = nullptr;
        FreeVec(data);
        return nullptr;
    }
    FreeVec(data);
    char *header = GameMailHeader(FileName, info, GameMailClock());
    std::string text = header;
    FreeVec(header);
    text.append((const char *)info->VekMailData, info->VekMailLength);
    FreeVec(info->VekMailData);
    info->VekMailData = nullptr;

    if (Send != 1) {
        std::string name = FileName;
        size_t dot = name.rfind('.');
        if (dot == std::string::npos) {
            std::printf("SendFileAsMail : Konnte nicht offline gehen !\n");
            return nullptr;
        }
        name = name.substr(0, dot + 1) + "email";
        if (WriteFileAtomic(name.c_str(), text.data(), (ULONG)text.size(), -1) != (int)text.size()) {
            std::printf("SendFileAsEmail:Konnte EMAIl nicht \366ffnen zum abspeichern");
            return nullptr;
        }
        SetResult(info, "ok");
        return info->VekMailError;
    }

    BOOL haveResult = 0;
    if (UserSystem.OP.TCPIP_Flags & TRANSPORT_GAMESERVER) {
        if (SendByGameServer(text)) {
            SetResult(info, "ok");
            haveResult = 1;
        }
    }
    if (UserSystem.OP.TCPIP_Flags & TRANSPORT_MAIL) {
        SendBySmtp(info, text.c_str(), "SendeFileAsEmail : Erste Meldung vom SMTP-Server  : %s\n");
        haveResult = 1;
        if (RefusedForLogin(info->VekMailError)) {
            std::printf("Test 1\n");
            if (std::strcmp(UserSystem.OP.InterPOPName, OPTIONEN_POP_PLATZHALTER) != 0) {
                std::printf("Test 2\n");
                std::string pop = PopLoginOnly(UserSystem.OP.InterPOPName, UserSystem.OP.InterUsername,
                                               UserSystem.OP.InterPassword);
                std::printf("Test 3\n");
                CopyText(info->VekMailError, sizeof info->VekMailError, pop.c_str());
                std::printf("SendeFileAsEmail : Meldung vom POP-Server         : %s", info->VekMailError);
                if (pop == "ok")
                    SendBySmtp(info, text.c_str(), "SendeFileAsEmail : Folgende Meldung kommt zur\374ck  : %s\n");
            }
        }
    }
    if (!haveResult) return nullptr;
    std::string result = info->VekMailError;
    SetResult(info, result.c_str());
    return info->VekMailError;
}

BOOL DecrunchOneEmail(const UBYTE *RawMail, ULONG FileSize, const char *OutFileName)
{
    if (!RawMail || FileSize == 0 || !OutFileName) return 0;
    static const char key[] = ";XEncode;";
    const void *at = memmem(RawMail, FileSize, key, sizeof key - 1);
    if (!at) return 0;
    VekMailInfo info;
    std::memset(&info, 0, sizeof info);
    info.VekMailData = (UBYTE *)at;
    info.VekMailLength = FileSize - (ULONG)((const UBYTE *)at - RawMail);
    info.VekMailModus = 1;
    ULONG err = Explode(&info);
    if (err != EXPLODE_OK || info.VekMailData == at) {
        std::printf("DecrunchOneMail: Explode-Fehler-Nr.: %u !", (unsigned)err);
        return 0;
    }
    int written = WriteFileAtomic(OutFileName, info.VekMailData, info.VekMailLength, -1);
    FreeVec(info.VekMailData);
    if (written < 0) {
        std::printf("DecrunchOneEmail: Konnte File '%s' nicht \366ffnen !", OutFileName);
        return 0;
    }
    if ((ULONG)written != info.VekMailLength) {
        std::printf("DecrunchOneEmail: Konnte File '%s' nicht schreiben !", OutFileName);
        return 0;
    }
    return 1;
}

ULONG DateKeyOf(std::time_t now)
{
    std::tm t{};
    gmtime_r(&now, &t);
    return (ULONG)t.tm_sec + 60u * (ULONG)t.tm_min + 3600u * (ULONG)t.tm_hour + 86400u * (ULONG)t.tm_mday +
           2678400u * (ULONG)t.tm_mon + 32140800u * (ULONG)t.tm_year;
}

namespace {

int MonthIndex(const char *p)
{
    for (int i = 0; i < 12; ++i)
        if (std::strncmp(p, Monate[i], 3) == 0) return i;
    return -1;
}

// Digits at p, exactly n of them (a leading blank allowed): -1 otherwise.
long Digits(const char *p, int n, bool blankFirst = false)
{
    long v = 0;
    for (int i = 0; i < n; ++i) {
        char c = p[i];
        if (i == 0 && blankFirst && c == ' ') continue;
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

// "HH:MM:SS" at p: 1 and the three values.
bool TimeAt(const char *p, long *h, long *m, long *s)
{
    if (std::strlen(p) < 8 || p[2] != ':' || p[5] != ':') return false;
    *h = Digits(p, 2);
    *m = Digits(p + 3, 2);
    *s = Digits(p + 6, 2);
    return *h >= 0 && *m >= 0 && *s >= 0;
}

const char *FindDateLine(const char *text)
{
    for (const char *p = text; p && *p;) {
        if (std::strncmp(p, "Date: ", 6) == 0) return p;
        if ((p[0] == '\r' && p[1] == '\n') || p[0] == '\n') return nullptr;  // the header ends
        p = std::strchr(p, '\n');
        if (p) ++p;
    }
    return nullptr;
}

ULONG NowKey()
{
    return DateKeyOf(GameMailClock());
}

}  // namespace

ULONG DateString2Seconds(const char *text)
{
    const char *line = text ? FindDateLine(text) : nullptr;
    if (!line) {
        std::printf("DateString2Seconds : Email ohne Datums-Angabe! Verwende System-Zeit...\n");
        return NowKey();
    }
    std::string l(line, std::strcspn(line, "\r\n"));
    long day = -1, month = -1, year = -1, h = -1, m = -1, s = -1;
    const char *p = l.c_str();
    long first = l.size() > 11 ? std::strtol(p + 11, nullptr, 10) : 0;
    if (first > 0) {
        std::printf("Datum im neuen Stil...\n");
        const char *q = p + 11;
        while (*q >= '0' && *q <= '9') ++q;
        day = first;
        if (*q == ' ' && std::strlen(q) >= 18) {
            month = MonthIndex(q + 1);
            year = q[4] == ' ' ? Digits(q + 5, 4) : -1;
            if (q[9] != ' ' || !TimeAt(q + 10, &h, &m, &s)) year = -1;
        }
    } else {
        std::printf("Datum im alten Stil...\n");
        // "Date: Www Mon DD HH:MM:SS YYYY"
        if (l.size() >= 30 && p[13] == ' ' && p[16] == ' ' && p[25] == ' ') {
            month = MonthIndex(p + 10);
            day = Digits(p + 14, 2, true);
            if (TimeAt(p + 17, &h, &m, &s)) year = Digits(p + 26, 4);
        }
    }
    if (month < 0 || day < 1 || day > 31 || year < 1900 || h > 23 || m > 59 || s > 60) {
        std::printf("DateString2Seconds : Datum nicht lesbar! Verwende System-Zeit...\n");
        return NowKey();
    }
    std::printf("Datum: %2ld-%s-%4ld %2ld:%2ld:%2ld\n", day, Monate[month], year, h, m, s);
    return (ULONG)s + 60u * (ULONG)m + 3600u * (ULONG)h + 86400u * (ULONG)day + 2678400u * (ULONG)month +
           32140800u * (ULONG)(year - 1900);
}

namespace {

bool FitsMask(const char *name, const char *mask)
{
    size_t n = std::strlen(mask);
    if (std::strlen(name) < n) return false;
    for (size_t i = 0; i < n; ++i) {
        if (i >= 1 && i <= 7 && mask[i] == ' ') continue;
        if (name[i] != mask[i]) return false;
    }
    return true;
}

// The mail's header, which holds its date: the text up to the empty line.
std::string HeaderOf(const UBYTE *mail, ULONG size)
{
    std::string s((const char *)mail, size);
    size_t end = s.find("\r\n\r\n");
    if (end == std::string::npos) end = s.find("\n\n");
    if (end != std::string::npos) s.resize(end + 2);
    s.resize(std::strlen(s.c_str()));
    return s;
}

// 1 when the mail's packed text restores completely.
bool Unpacks(const UBYTE *mail, ULONG size)
{
    static const char key[] = ";XEncode;";
    const void *at = memmem(mail, size, key, sizeof key - 1);
    if (!at) return false;
    VekMailInfo info;
    std::memset(&info, 0, sizeof info);
    info.VekMailData = (UBYTE *)at;
    info.VekMailLength = size - (ULONG)((const UBYTE *)at - mail);
    info.VekMailModus = 1;
    if (Explode(&info) != EXPLODE_OK || info.VekMailData == at) return false;
    FreeVec(info.VekMailData);
    return true;
}

}  // namespace

ULONG ScanEmails2List(ListHeader *list, const char *Path, const char *Maske)
{
    if (!list || !Path || !Maske) return 0;
    struct stat st;
    if (stat(Path, &st) != 0) {
        std::printf("ScanEmail2List: 001\n");
        return 0;
    }
    if (!S_ISDIR(st.st_mode)) {
        std::printf("ScanEmails2List: Der angegebene Pfad ist kein Directory!\n");
        return 0;
    }
    DIR *dir = opendir(Path);
    if (!dir) return 0;
    std::string base = Path;
    if (!base.empty() && base.back() == '/') base.pop_back();
    while (dirent *e = readdir(dir)) {
        const char *name = e->d_name;
        if (!std::strcmp(name, ".") || !std::strcmp(name, "..") || std::strlen(name) > 139) continue;
        std::string full = base + "/" + name;
        struct stat es;
        if (stat(full.c_str(), &es) != 0) continue;
        if (S_ISDIR(es.st_mode)) {
            std::printf("ScanEmails2List: Dieser Hook ist ein Verzeichnis !\n");
            continue;
        }
        // Whatever does not fit the mask is none of this scan's business.
        if (!FitsMask(name, Maske) || full.size() >= sizeof(EmailListEntry::FileName)) continue;
        if (es.st_size == 0) {
            std::printf("ScanEmails2List: L\366sche Email mit Namen %s! da sie 0-Byte lang ist...\n", full.c_str());
            DeleteFile(full.c_str());
            continue;
        }
        auto *mail = (UBYTE *)LoadFile2Mem(full.c_str(), 0);
        ULONG size = (ULONG)es.st_size;
        if (!mail || !Unpacks(mail, size)) {
            std::printf("ScanEmails2List: Fehler beim decrunchen von: <%s>\n", full.c_str());
            FreeVec(mail);
            continue;
        }
        auto *node = (EmailListEntry *)AllocVec(list->TypSize, MEMF_CLEAR);
        CopyText(node->EmailPath, sizeof node->EmailPath, Path);
        CopyText(node->FileName, sizeof node->FileName, full.c_str());
        node->EmailSize = size;
        node->DateInSecs = DateString2Seconds(HeaderOf(mail, size).c_str());
        FreeVec(mail);
        InsertNode(list, &node->Node, LIST_LAST, 0);
    }
    closedir(dir);
    return list->Elemente;
}

namespace {
int SortBy(ListHeader *list, ULONG field, ULONG flag)
{
    if (!list || field >= list->TypEntries) return 0;
    list->TypDef[field].Priority = 1;
    int ok = SortList(list, flag);
    list->TypDef[field].Priority = 0;
    return ok;
}

void DropFrom(ListHeader *list, ULONG index)
{
    while (list->Elemente > index) {
        auto *e = (EmailListEntry *)GetNode(list, LIST_INDEX, index);
        DeleteFile(e->FileName);
        DeleteNode(list, LIST_INDEX, index, LIST_FREE_OWNED);
    }
}
}  // namespace

void DeleteNotNeededNodes(ListHeader *list)
{
    if (!list || list->Elemente < 2) return;
    if (!SortBy(list, EMAIL_FIELD_DATE, LIST_DESCENDING)) {
        std::printf("DeleteNotNeededNodes: Konnte Liste nicht sortieren...");
        return;
    }
    ULONG newest = ((EmailListEntry *)list->FirstNode)->DateInSecs;
    ULONG keep = 1;
    while (keep < list->Elemente && ((EmailListEntry *)GetNode(list, LIST_INDEX, keep))->DateInSecs == newest) ++keep;
    DropFrom(list, keep);
    if (list->Elemente > 1) {
        if (!SortBy(list, EMAIL_FIELD_FILENAME, LIST_ASCENDING)) {
            std::printf("DeleteNotNeededNodes: Konnte Liste nicht sortieren...LOW");
            return;
        }
        DropFrom(list, 1);
    }
    std::printf("verwertete Email : %s\n", ((EmailListEntry *)list->FirstNode)->FileName);
}

char *GetTurn(const char *ChunkFile, char *Buffer)
{
    if (!Buffer) return nullptr;
    ++PlayerInfo.TryRecvTurn;
    BOOL gotByServer = 0;
    if ((UserSystem.OP.TCPIP_Flags & TRANSPORT_GAMESERVER) && PlayerInfo.TryRecvTurn >= 3) {
        std::printf("Mail per TCPIP holen...\n");
        Vek_TCPData data;
        std::memset(&data, 0, sizeof data);
        CopyText(data.IPAdresse, sizeof data.IPAdresse, NetCfg.GameServer);
        CopyText(data.Dir, sizeof data.Dir, "./Data/POP3In/");
        data.SpielerID = CheckPrefs(9, PREFS_READ, 0);
        auto toMail = [] {
            UserSystem.OP.TCPIP_Flags = (UBYTE)((UserSystem.OP.TCPIP_Flags & ~TRANSPORT_GAMESERVER) | TRANSPORT_MAIL);
        };
        if (SendPacket_Connect(&data)) {
            if (!SendPacket_SetSID(&data)) {
                std::printf("SendeFileAsEmail : Fehler beim senden der SpielerID aufgetreten\n");
            } else if (!SendPacket_Get(&data)) {
                std::printf("SendeFileAsEmail : Fehler beim holen des DatenBuffers aufgetreten\n");
                toMail();
            } else {
                std::printf("Sende ok zur\374ck...\n");
                std::snprintf(Buffer, 256, "ok");
                gotByServer = 1;
            }
            if (!SendPacket_Quit(&data)) std::printf("SendeFileAsEmail : Fehler beim dekonnektieren aufgetreten\n");
        } else {
            toMail();
        }
    }
    if ((UserSystem.OP.TCPIP_Flags & TRANSPORT_MAIL) || PlayerInfo.TryRecvTurn <= 2) {
        const char *r = GetEmail(UserSystem.OP.InterPOPName, UserSystem.OP.InterUsername, UserSystem.OP.InterPassword,
                                 ChunkFile, "./Data/POP3In/", 0, 1);
        std::snprintf(Buffer, 256, "%s", r ? r : "GetEmail: kein Ergebnis");
        return Buffer;
    }
    return gotByServer ? Buffer : nullptr;
}
