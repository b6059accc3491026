// Game mails: header, subject and date key tables; unpacking, scanning and
// choosing received mails; the transports against a packet stand-in, scripted
// SMTP and POP3 peers and aiosmtpd; the fetch's attempts.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <mutex>

#include "common/testutil.h"
#include "nettest.h"
#include "net/gamemail.h"
#include "net/netproto.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/packer.h"

using namespace nettest;
using vektest::ScratchDir;

namespace {

const std::string NUL(1, '\0');
std::time_t fixedNow = 1167609599;  // Sun, 31 Dec 2006 23:59:59 UTC
std::time_t FixedClock() { return fixedNow; }

struct ClockFixed {
    ClockFixed() { GameMailClock = FixedClock; }
    ~ClockFixed() { GameMailClock = [] { return std::time(nullptr); }; }
};

std::string FileText(const std::string &path)
{
    auto b = vektest::ReadBytes(path);
    return std::string(b.begin(), b.end());
}

// A game mail as the sender makes it: header lines, then the packed data.
std::string PackedMail(const std::string &data, const std::string &date)
{
    VekMailInfo info{};
    auto *buf = (UBYTE *)AllocVec((ULONG)data.size(), 0);
    std::memcpy(buf, data.data(), data.size());
    info.VekMailData = buf;
    info.VekMailLength = (ULONG)data.size();
    EXPECT_EQ(Implode(&info), IMPLODE_OK);
    std::string text((const char *)info.VekMailData, info.VekMailLength);
    FreeVec(info.VekMailData);
    FreeVec(buf);
    std::string head = "From: A <a@b.test>\r\nTo: <p@g.test>\r\n";
    if (!date.empty()) head += "Date: " + date + "\r\n";
    return head + "Subject: @00001234\r\n\r\n" + text;
}

// Packet stand-in: acknowledges everything, records the bytes, keeps the
// +PUT block; optionally silent to "+QUI" and serving a mail on +GET.
struct PacketPeer {
    std::string received, block, refuse, mail = "served mail";
    bool dropQuit = false;
    void Serve(int fd)
    {
        for (;;) {
            std::string cmd = ReadUntil(fd, NUL);
            if (cmd.empty() || cmd.back() != '\0') return;
            received += cmd;
            std::string word = cmd.substr(0, 4);
            if (word == refuse) {
                WriteAll(fd, "-ERR" + NUL);
                continue;
            }
            if (word == "+PUT") {
                WriteAll(fd, "+ACK" + NUL);
                block = ReadCount(fd, std::stoul(cmd.substr(5)));
                WriteAll(fd, "+ACK" + NUL);
            } else if (word == "+GET") {
                WriteAll(fd, "+ACK " + std::to_string(mail.size()) + NUL + mail);
            } else if (word == "+QUI") {
                if (!dropQuit) WriteAll(fd, "+ACK" + NUL);
                return;
            } else {
                WriteAll(fd, "+ACK" + NUL);
            }
        }
    }
};

// Scripted SMTP peer: 250 to everything, 354 to DATA; the first RCPT of the
// first `refusals` sessions gets "550 relay denied".
struct SmtpPeer {
    int refusals = 0, sessions = 0;
    std::string data;
    void Serve(int fd)
    {
        int session = sessions++;
        WriteAll(fd, "220 smtp.test ready\r\n");
        bool refusedOnce = false;
        for (;;) {
            std::string line = ReadUntil(fd, "\r\n");
            if (line.empty()) return;
            if (line.rfind("RCPT", 0) == 0 && session < refusals && !refusedOnce) {
                refusedOnce = true;
                WriteAll(fd, "550 relay denied\r\n");
            } else if (line.rfind("DATA", 0) == 0) {
                WriteAll(fd, "354 go on\r\n");
                data = ReadUntil(fd, "\r\n.\r\n");
                WriteAll(fd, "250 taken\r\n");
            } else if (line.rfind("QUIT", 0) == 0) {
                WriteAll(fd, "221 bye\r\n");
                return;
            } else {
                WriteAll(fd, "250 ok\r\n");
            }
        }
    }
};

// Scripted POP3 peer with an empty mailbox; records the commands.
struct PopPeer {
    std::string commands;
    std::atomic<int> sessions{0};
    void Serve(int fd)
    {
        ++sessions;
        WriteAll(fd, "+OK ready\r\n");
        for (;;) {
            std::string line = ReadUntil(fd, "\r\n");
            if (line.empty()) return;
            commands += line;
            if (line.rfind("STAT", 0) == 0) WriteAll(fd, "+OK 0 0\r\n");
            else WriteAll(fd, "+OK\r\n");
            if (line.rfind("QUIT", 0) == 0) return;
        }
    }
};

struct TransportSetup {
    OptionenPrefs saved = UserSystem.OP;
    TransportSetup(UBYTE flags, const std::string &smtp, const std::string &pop)
    {
        UserSystem.OP.TCPIP_Flags = flags;
        std::snprintf(UserSystem.OP.InterSMTPName, 40, "%s", smtp.c_str());
        std::snprintf(UserSystem.OP.InterPOPName, 40, "%s", pop.c_str());
        std::snprintf(UserSystem.OP.InterUsername, 40, "player");
        std::snprintf(UserSystem.OP.InterPassword, 40, "secret");
    }
    ~TransportSetup() { UserSystem.OP = saved; }
};

struct GameServerAt {
    char saved[256];
    explicit GameServerAt(const std::string &server)
    {
        std::memcpy(saved, NetCfg.GameServer, sizeof saved);
        std::snprintf(NetCfg.GameServer, sizeof NetCfg.GameServer, "%s", server.c_str());
    }
    ~GameServerAt() { std::memcpy(NetCfg.GameServer, saved, sizeof saved); }
};

VekMailInfo Addressed()
{
    static char from[] = "me@home.test", to[] = "turns@game.test", first[] = "Ada", last[] = "Lov";
    VekMailInfo info{};
    info.VekMailAbsender = from;
    info.VekMailAdressat = to;
    info.VekMailVorname = first;
    info.VekMailNachnahme = last;
    return info;
}

std::string ClosedPort()
{
    return "127.0.0.1:" + std::to_string(FreePort());
}

// The file "00001234" sent with the game server as the only transport: the
// result, "(null)" for none, and the transport bits afterwards.
std::string SendToGameServerOnly(PacketPeer &game, UBYTE *flagsAfter = nullptr)
{
    LoopPeer peer([&](int fd) { game.Serve(fd); });
    GameServerAt at(peer.server());
    TransportSetup t(TRANSPORT_GAMESERVER, ClosedPort(), OPTIONEN_POP_PLATZHALTER);
    VekMailInfo info = Addressed();
    const char *p = SendFileAsEmail("00001234", &info, 1);
    if (flagsAfter) *flagsAfter = UserSystem.OP.TCPIP_Flags;
    return p ? p : "(null)";
}

}  // namespace

TEST(GameMailHeader, SubjectsFromFileNames)
{
    struct Row {
        const char *file, *subject;
    } rows[] = {
        {"./Data/POP3Out/00001234", "@00001234"},
        {"./Data/I0012345.vek", "@I0012345"},
        {"some/dir/abc.def.ghi", "@     abc"},
        {"plain", "@   plain"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.file);
        char out[64];
        GameMailSubject(r.file, out, sizeof out);
        EXPECT_STREQ(out, r.subject);
    }
}

TEST(GameMailHeader, ExactLinesWithUtcDateAndNoInjectedLines)
{
    char first[] = "Ada\r\nBcc: <x@evil.test>", last[] = "Lov", from[] = "me@home.test\n", to[] = "turns@game.test";
    VekMailInfo info{};
    info.VekMailVorname = first;
    info.VekMailNachnahme = last;
    info.VekMailAbsender = from;
    info.VekMailAdressat = to;
    char *h = GameMailHeader("./Data/POP3Out/00001234", &info, 1167609599);
    std::string expect = std::string("From: AdaBcc: <x@evil.test> Lov <me@home.test>\r\nTo: <turns@game.test>\r\nCC: <") +
                         GameMailCfg.ArchiveMailbox +
                         ">\r\nDate: Sun, 31 Dec 2006 23:59:59\r\nSubject: @00001234\r\n\r\n";
    EXPECT_EQ(std::string(h), expect);
    FreeVec(h);
    char subject[] = "Sign-up";
    info.VekMailSubject = subject;
    h = GameMailHeader("x", &info, 1167609600);
    EXPECT_NE(std::string(h).find("Date: Mon, 01 Jan 2007 00:00:00\r\nSubject: Sign-up\r\n\r\n"), std::string::npos);
    FreeVec(h);
}

TEST(DateString2Seconds, KeysOfBothStylesAndUnreadableDates)
{
    ClockFixed clock;
    const ULONG now = 3439151999u;  // the fixed clock in the key's scale
    struct Row {
        const char *name, *text;
        ULONG key;
    } rows[] = {
        {"new style", "Date: Sun, 31 Dec 2006 23:59:59\r\n", 3439151999u},
        {"next day", "Date: Mon, 01 Jan 2007 00:00:00\r\n", 3439152000u},
        {"one-digit day", "Date: Mon, 1 Jan 2007 00:00:00 +0000\r\n", 3439152000u},
        {"after other lines", "From: a\r\nDate: Mon, 01 Jan 2007 00:00:00\r\n", 3439152000u},
        {"old style", "Date: Sun Dec 31 23:59:59 2006\r\n", 3439151999u},
        {"old style, blank day", "Date: Mon Jan  1 00:00:00 2007\r\n", 3439152000u},
        {"no date", "From: a\r\nSubject: b\r\n", now},
        {"bad month", "Date: Sun, 31 Dcx 2006 23:59:59\r\n", now},
        {"cut short", "Date: Sun, 31 Dec 20", now},
        {"not at a line start", "X-Original-Date: Mon, 01 Jan 2007 00:00:00\r\n", now},
        {"in the body only", "From: a\r\n\r\nDate: Mon, 01 Jan 2007 00:00:00\r\n", now},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(DateString2Seconds(r.text), r.key);
    }
    EXPECT_EQ(DateKeyOf(1167609599), now);
}

TEST(DecrunchOneEmail, RestoresTheDataAndLeavesTheTargetOnFailure)
{
    ScratchDir dir;
    std::string data(5000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = (char)(i * 7 + i / 300);
    std::string mail = PackedMail(data, "Mon, 01 Jan 2007 00:00:00");
    ASSERT_TRUE(DecrunchOneEmail((const UBYTE *)mail.data(), (ULONG)mail.size(), "out.vek"));
    EXPECT_EQ(FileText("out.vek"), data);

    std::string broken = mail;
    broken[broken.size() / 2] ^= 0x01;
    vektest::WriteText("keep.vek", "old");
    struct Row {
        const char *name;
        std::string text;
    } rows[] = {{"no packed text", "From: a\r\n\r\nhello"}, {"damaged", broken}, {"cut", mail.substr(0, mail.size() / 2)}};
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_FALSE(DecrunchOneEmail((const UBYTE *)r.text.data(), (ULONG)r.text.size(), "keep.vek"));
        EXPECT_EQ(FileText("keep.vek"), "old");
    }
    EXPECT_FALSE(DecrunchOneEmail(nullptr, 10, "keep.vek"));
    EXPECT_FALSE(DecrunchOneEmail((const UBYTE *)mail.data(), 0, "keep.vek"));
    std::vector<std::string> names;  // no temporary file left behind
    for (auto &e : std::filesystem::directory_iterator(".")) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"keep.vek", "out.vek"}));
}

TEST(ScanEmails2List, WholeFittingMailsOnlyAndNothingElseDeleted)
{
    ScratchDir dir;
    ClockFixed clock;
    vektest::MakeDirs("in");
    vektest::WriteText("in/00001234.email", PackedMail("first", "Mon, 01 Jan 2007 00:00:00"));
    vektest::WriteText("in/00001234.email.1", PackedMail("second", "Sun, 31 Dec 2006 23:59:59"));
    vektest::WriteText("in/00001234.email.2", "");                       // empty: deleted
    std::string bad = PackedMail("third", "Mon, 01 Jan 2007 00:00:00");
    vektest::WriteText("in/00001234.email.3", bad.substr(0, bad.size() / 2));  // cut: kept, not listed
    vektest::WriteText("in/00009999.email", PackedMail("other", ""));    // another player's: untouched
    vektest::WriteText("in/GameChunk.vek", "pool");
    vektest::WriteText("00009999.email", "a file in the working directory");
    vektest::MakeDirs("in/00001234.dir");

    ListHeader *list = CreateList(EMAIL_LIST_TYPE);
    EXPECT_EQ(ScanEmails2List(list, "in", "00001234.email"), 2u);
    std::map<std::string, ULONG> got;
    for (ULONG i = 0; i < list->Elemente; ++i) {
        auto *e = (EmailListEntry *)GetNode(list, LIST_INDEX, i);
        got[e->FileName] = e->DateInSecs;
        EXPECT_STREQ(e->EmailPath, "in");
        EXPECT_EQ(e->EmailSize, vektest::ReadBytes(e->FileName).size());
    }
    EXPECT_EQ(got, (std::map<std::string, ULONG>{{"in/00001234.email", 3439152000u}, {"in/00001234.email.1", 3439151999u}}));
    EXPECT_FALSE(vektest::Exists("in/00001234.email.2"));
    for (const char *kept : {"in/00001234.email.3", "in/00009999.email", "in/GameChunk.vek", "00009999.email"})
        EXPECT_TRUE(vektest::Exists(kept)) << kept;
    // Blanks in places 2 to 8 of the mask match any character.
    ListHeader *all = CreateList(EMAIL_LIST_TYPE);
    EXPECT_EQ(ScanEmails2List(all, "in/", "0      4.email"), 2u);
    EXPECT_EQ(ScanEmails2List(all, "missing", "0"), 0u);
    EXPECT_EQ(ScanEmails2List(all, "in/GameChunk.vek", "0"), 0u);
    DeleteList(all, LIST_FREE_OWNED);
    DeleteList(list, LIST_FREE_OWNED);
}

TEST(DeleteNotNeededNodes, NewestKeptFirstByNameAmongEquals)
{
    ScratchDir dir;
    vektest::MakeDirs("in");
    struct Row {
        const char *name;
        const char *date;
    } rows[] = {{"in/00001234.email.2", "Mon, 01 Jan 2007 00:00:00"},
                {"in/00001234.email", "Sun, 31 Dec 2006 23:59:59"},
                {"in/00001234.email.1", "Mon, 01 Jan 2007 00:00:00"}};
    for (const Row &r : rows) vektest::WriteText(r.name, PackedMail(r.name, r.date));
    ListHeader *list = CreateList(EMAIL_LIST_TYPE);
    ASSERT_EQ(ScanEmails2List(list, "in", "00001234.email"), 3u);
    DeleteNotNeededNodes(list);
    ASSERT_EQ(list->Elemente, 1u);
    EXPECT_STREQ(((EmailListEntry *)list->FirstNode)->FileName, "in/00001234.email.1");
    EXPECT_TRUE(vektest::Exists("in/00001234.email.1"));
    EXPECT_FALSE(vektest::Exists("in/00001234.email"));
    EXPECT_FALSE(vektest::Exists("in/00001234.email.2"));
    DeleteList(list, LIST_FREE_OWNED);
}

TEST(SendFileAsEmail, LocalFailuresGiveNull)
{
    ScratchDir dir;
    vektest::WriteText("turn", "data");
    VekMailInfo info = Addressed();
    EXPECT_EQ(SendFileAsEmail("missing", &info, 1), nullptr);
    VekMailInfo noSender = info;
    noSender.VekMailAbsender = nullptr;
    EXPECT_EQ(SendFileAsEmail("turn", &noSender, 1), nullptr);
    TransportSetup t(0, ClosedPort(), OPTIONEN_POP_PLATZHALTER);
    EXPECT_EQ(SendFileAsEmail("turn", &info, 1), nullptr);  // no transport chosen
    EXPECT_EQ(info.VekMailData, nullptr);
}

TEST(SendFileAsEmail, OfflineWritesTheMailBesideTheFile)
{
    ScratchDir dir;
    ClockFixed clock;
    vektest::WriteText("I0012345.vek", "sign-up record");
    VekMailInfo info = Addressed();
    const char *r = SendFileAsEmail("I0012345.vek", &info, 0);
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(r, "ok");
    std::string mail = FileText("I0012345.email");
    EXPECT_NE(mail.find("Subject: @I0012345\r\n\r\n;XEncode;"), std::string::npos);
    EXPECT_TRUE(DecrunchOneEmail((const UBYTE *)mail.data(), (ULONG)mail.size(), "back"));
    EXPECT_EQ(FileText("back"), "sign-up record");
}

TEST(SendFileAsEmail, TransportsByTheFlags)
{
    ScratchDir dir;
    ClockFixed clock;
    vektest::WriteText("00001234", std::string(3000, 'x') + "turn");
    vektest::MakeDirs("Data");
    CheckPrefsWrite(9, 1234);

    {   // game server only: the exact commands, the mail as the block
        PacketPeer game;
        EXPECT_EQ(SendToGameServerOnly(game), "ok");
        EXPECT_EQ(game.received.substr(0, 25), "+HEL" + NUL + "+VER 0.01" + NUL + "+SID 1234" + NUL);
        EXPECT_EQ(game.received.find("+PUT " + std::to_string(game.block.size()) + NUL), 25u);
        EXPECT_NE(game.block.find("Subject: @00001234\r\n\r\n;XEncode;"), std::string::npos);
        EXPECT_TRUE(DecrunchOneEmail((const UBYTE *)game.block.data(), (ULONG)game.block.size(), "back"));
        EXPECT_EQ(FileText("back"), std::string(3000, 'x') + "turn");
    }
    {   // an acknowledged hand-in counts even when the goodbye is lost
        PacketPeer game;
        game.dropQuit = true;
        EXPECT_EQ(SendToGameServerOnly(game), "ok");
    }
    {   // a refused +PUT without the mail transport: null
        PacketPeer game;
        game.refuse = "+PUT";
        UBYTE flags = 0;
        EXPECT_EQ(SendToGameServerOnly(game, &flags), "(null)");
        EXPECT_EQ(flags, TRANSPORT_GAMESERVER);  // only an unreachable server moves the run to mail
    }
    {   // both bits: the game server, then SMTP, whose reply is the result
        PacketPeer game;
        SmtpPeer smtp;
        LoopPeer gpeer([&](int fd) { game.Serve(fd); });
        LoopPeer speer([&](int fd) { smtp.Serve(fd); });
        GameServerAt at(gpeer.server());
        TransportSetup t(TRANSPORT_GAMESERVER | TRANSPORT_MAIL, speer.server(), OPTIONEN_POP_PLATZHALTER);
        VekMailInfo info = Addressed();
        const char *r = SendFileAsEmail("00001234", &info, 1);
        ASSERT_NE(r, nullptr);
        EXPECT_STREQ(r, "ok");
        EXPECT_FALSE(game.block.empty());
        EXPECT_NE(smtp.data.find(";XEncode;"), std::string::npos);
    }
    {   // a game server that cannot be reached: SMTP at once, and for the rest of the run
        SmtpPeer smtp;
        LoopPeer speer([&](int fd) { smtp.Serve(fd); });
        GameServerAt at(ClosedPort());
        TransportSetup t(TRANSPORT_GAMESERVER, speer.server(), OPTIONEN_POP_PLATZHALTER);
        VekMailInfo info = Addressed();
        const char *r = SendFileAsEmail("00001234", &info, 1);
        ASSERT_NE(r, nullptr);
        EXPECT_STREQ(r, "ok");
        EXPECT_EQ(UserSystem.OP.TCPIP_Flags, TRANSPORT_MAIL);
    }
}

TEST(SendFileAsEmail, PopBeforeSmtp)
{
    ScratchDir dir;
    vektest::WriteText("00001234", "turn");
    {   // the placeholder POP host: the refusal is the result, no login
        SmtpPeer smtp;
        smtp.refusals = 1;
        LoopPeer speer([&](int fd) { smtp.Serve(fd); });
        TransportSetup t(TRANSPORT_MAIL, speer.server(), OPTIONEN_POP_PLATZHALTER);
        VekMailInfo info = Addressed();
        const char *r = SendFileAsEmail("00001234", &info, 1);
        ASSERT_NE(r, nullptr);
        EXPECT_STREQ(r, "550 relay denied");
    }
    {   // a real POP host: log in (nothing fetched), then the one retry
        SmtpPeer smtp;
        smtp.refusals = 1;
        PopPeer pop;
        std::string r;
        {
            LoopPeer speer([&](int fd) { smtp.Serve(fd); }, 2);
            LoopPeer ppeer([&](int fd) { pop.Serve(fd); });
            TransportSetup t(TRANSPORT_MAIL, speer.server(), ppeer.server());
            VekMailInfo info = Addressed();
            const char *p = SendFileAsEmail("00001234", &info, 1);
            r = p ? p : "(null)";
        }
        EXPECT_EQ(r, "ok");
        EXPECT_EQ(smtp.sessions, 2);
        EXPECT_EQ(pop.commands, "USER player\r\nPASS secret\r\nSTAT\r\nQUIT\r\n");
        EXPECT_NE(smtp.data.find(";XEncode;"), std::string::npos);
        int files = 0;
        for (auto &e : std::filesystem::directory_iterator(".")) (void)e, ++files;
        EXPECT_EQ(files, 1);  // no fetched mail, no "ram:" file
    }
    {   // a POP login that fails: its text is the result
        SmtpPeer smtp;
        smtp.refusals = 1;
        std::string r;
        {
            LoopPeer speer([&](int fd) { smtp.Serve(fd); });
            TransportSetup t(TRANSPORT_MAIL, speer.server(), ClosedPort());
            VekMailInfo info = Addressed();
            const char *p = SendFileAsEmail("00001234", &info, 1);
            r = p ? p : "(null)";
        }
        EXPECT_EQ(r, "Can't connect to host !");
    }
}

TEST(SendFileAsEmail, RealServerAiosmtpd)
{
    Rig rig;
    int port = FreePort();
    NET_START_OR_SKIP(rig, "aiosmtpd", port);
    ScratchDir dir;
    ClockFixed clock;
    std::string data(20000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = (char)(i % 251);
    vektest::WriteText("00001234", data);
    TransportSetup t(TRANSPORT_MAIL, "127.0.0.1:" + std::to_string(port), OPTIONEN_POP_PLATZHALTER);
    VekMailInfo info = Addressed();
    char user[] = "player", pass[] = "secret";
    info.VekMailSMTPUserName = user;
    info.VekMailSMTPPasswort = pass;
    const char *r = SendFileAsEmail("00001234", &info, 1);
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(r, "ok");
    std::string got;
    vektest::WaitFor(
        [&] {
            got = FileText(rig.dir() + "/aiosmtpd/1.eml");
            return !got.empty();
        },
        "aiosmtpd to write the mail");
    EXPECT_EQ(DateString2Seconds(got.c_str()), 3439151999u);
    ASSERT_TRUE(DecrunchOneEmail((const UBYTE *)got.data(), (ULONG)got.size(), "back"));
    EXPECT_EQ(FileText("back"), data);
    std::string env = FileText(rig.dir() + "/aiosmtpd/1.eml.env");
    EXPECT_NE(env.find(GameMailCfg.ArchiveMailbox), std::string::npos) << env;  // the archive copy
}

TEST(GetTurn, MailboxFirstGameServerFromTheThirdAttempt)
{
    ScratchDir dir;
    vektest::MakeDirs("Data/POP3In");
    CheckPrefsWrite(9, 1234);
    PacketPeer game;
    PopPeer pop;
    LoopPeer gpeer([&](int fd) { game.Serve(fd); });
    LoopPeer ppeer([&](int fd) { pop.Serve(fd); }, 3);
    GameServerAt at(gpeer.server());
    TransportSetup t(TRANSPORT_GAMESERVER, ClosedPort(), ppeer.server());
    PlayerInfo.TryRecvTurn = 0;
    char buffer[256] = {};
    for (int attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE(attempt);
        EXPECT_EQ(GetTurn("00001234", buffer), buffer);
        EXPECT_STREQ(buffer, "ok");
        EXPECT_EQ(pop.sessions.load(), attempt);
        EXPECT_TRUE(game.received.empty());
    }
    std::memset(buffer, 0, sizeof buffer);
    EXPECT_EQ(GetTurn("00001234", buffer), buffer);
    EXPECT_STREQ(buffer, "ok");
    EXPECT_EQ(pop.sessions.load(), 2);
    EXPECT_EQ(FileText("Data/POP3In/00001234.email"), "served mail");
    EXPECT_NE(game.received.find("+GET" + NUL), std::string::npos);
    EXPECT_EQ(PlayerInfo.TryRecvTurn, 3);

    // A game server that fails: null, and the mail transport from now on.
    GameServerAt gone(ClosedPort());
    TransportSetup t2(TRANSPORT_GAMESERVER, ClosedPort(), ClosedPort());
    EXPECT_EQ(GetTurn("00001234", buffer), buffer);  // the mailbox is asked at once
    EXPECT_EQ(UserSystem.OP.TCPIP_Flags, TRANSPORT_MAIL);
    EXPECT_STREQ(buffer, "Socket Error Verbindung abgelehnt");
    PlayerInfo.TryRecvTurn = 0;
}
