// SMTP: the Base64 of the login, the dialogue against canned replies for
// every path, misbehaving peers on loopback, and real servers.
#include <chrono>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

#include "common/testutil.h"
#include "nettest.h"
#include "net/netproto.h"
#include "platform/memfile.h"

using namespace nettest;

namespace {

struct SmtpRun {
    std::string result;
    std::string sent;
};

SmtpRun RunSmtp(Script &s, const char *body, const char *user = nullptr, const char *pass = nullptr)
{
    VekConn *c = ScriptConn(s);
    SmtpMachine m;
    SmtpBegin(&m, "mail.test", "a@b.test", "p@g.test", body, user, pass);
    NetRunDialog(c, &m.D, SmtpFeed, &m);
    SmtpEnd(&m);
    NetClose(c);
    return {m.Result, s.sent};
}

const char *kBody = "From: A <a@b.test>\r\nTo: <p@g.test>\r\nSubject: @00001234\r\n\r\n;XEncode;abc\r\n";

std::string Text(const char *body) { return body; }

}  // namespace

TEST(Encode64, StandardAlphabetAndLimits)
{
    struct Row {
        std::string in, out;
    } rows[] = {
        {std::string("\0alice\0secret", 13), "AGFsaWNlAHNlY3JldA=="},
        {"alice", "YWxpY2U="},
        {"secret", "c2VjcmV0"},
        {"", ""},
        {"\xff\xfe", "//4="},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.out);
        char out[64];
        unsigned len = 99;
        ASSERT_EQ(encode64(r.in.data(), (unsigned)r.in.size(), out, sizeof out, &len), 0);
        EXPECT_EQ(len, r.out.size());
        EXPECT_STREQ(out, r.out.c_str());
    }
    char out[8];
    std::memset(out, '#', sizeof out);
    unsigned len = 0;
    EXPECT_EQ(encode64("abc", 3, out, 3, &len), -2);
    EXPECT_EQ(len, 4u);
    EXPECT_EQ(std::string(out, 8), "########");  // nothing written
    EXPECT_EQ(encode64("abc", 3, out, 4, nullptr), 0);
    EXPECT_EQ(std::string(out, 8), "YWJj####");  // no room for the terminator
}

TEST(SmtpDotStuff, LinesBeginningWithADot)
{
    std::string body = ".a\r\n..b\r\nc.\r\n.\r\n";
    ULONG len = 0;
    UBYTE *s = SmtpDotStuff(body.data(), (ULONG)body.size(), &len);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(std::string((char *)s, len), "..a\r\n...b\r\nc.\r\n..\r\n");
    FreeVec(s);
    EXPECT_EQ(SmtpDotStuff("a.b\r\n", 5, &len), nullptr);
}

TEST(SmtpDialogue, CannedRepliesForEveryPath)
{
    const std::string ok = "ok";
    const std::string plainLine = "AUTH PLAIN AHBsYXllcgBzZWNyZXQ=\r\n";
    struct Row {
        const char *name;
        Script script;
        const char *body;
        bool login;
        std::string result;  // exact, or a prefix when it ends in '*'
        std::string sent;
    } rows[] = {
        {"without login",
         Replies({"220 mail.test ESMTP\r\n", "250 hello\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 queued\r\n",
                  "221 bye\r\n"}),
         kBody, false, ok,
         "HELO mail.test\r\nMAIL FROM: <a@b.test>\r\nRCPT TO: <p@g.test>\r\nDATA\r\n" + Text(kBody) +
             "\r\n.\r\nQUIT\r\n"},
        {"PLAIN, the hello reply split mid-line",
         Replies({"220 hi\r\n", "250-mail.test\r\n250-AUTH LO", "GIN PLAIN\r\n250-8BITMIME\r\n", "250 HELP\r\n",
                  "235 ok\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 ok\r\n", "221 bye\r\n"}),
         kBody, true, ok,
         "EHLO mail.test\r\n" + plainLine + "MAIL FROM: <a@b.test>\r\nRCPT TO: <p@g.test>\r\nDATA\r\n" + Text(kBody) +
             "\r\n.\r\nQUIT\r\n"},
        {"LOGIN, all replies in one piece",
         Replies({"220 hi\r\n250-x\r\n250 AUTH LOGIN\r\n334 VXNlcm5hbWU6\r\n334 UGFzc3dvcmQ6\r\n235 ok\r\n"
                  "221 bye\r\n"}),
         nullptr, true, ok, "EHLO mail.test\r\nAUTH LOGIN\r\ncGxheWVy\r\nc2VjcmV0\r\nQUIT\r\n"},
        {"LOGIN refused after the password: no QUIT",
         Replies({"220 hi\r\n", "250 AUTH LOGIN\r\n", "334 x\r\n", "334 y\r\n", "535 5.7.8 no\r\n"}), kBody, true,
         "535 5.7.8 no\r\n", "EHLO mail.test\r\nAUTH LOGIN\r\ncGxheWVy\r\nc2VjcmV0\r\n"},
        {"hello refused with 502: HELO",
         Replies({"220 hi\r\n", "502 no\r\n", "250 ok\r\n", "221 bye\r\n"}), nullptr, true, ok,
         "EHLO mail.test\r\nHELO mail.test\r\nQUIT\r\n"},
        {"no login offered: mail without it",
         Replies({"220 hi\r\n", "250-x\r\n250 SIZE 100\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 ok\r\n",
                  "221 bye\r\n"}),
         kBody, true, ok,
         "EHLO mail.test\r\nMAIL FROM: <a@b.test>\r\nRCPT TO: <p@g.test>\r\nDATA\r\n" + Text(kBody) +
             "\r\n.\r\nQUIT\r\n"},
        {"hello refused with 421: QUIT, that reply",
         Replies({"220 hi\r\n", "421 busy\r\n", "221 bye\r\n"}), kBody, true, "421 busy\r\n",
         "EHLO mail.test\r\nQUIT\r\n"},
        {"recipient refused", Replies({"220 hi\r\n", "250 ok\r\n", "250 ok\r\n", "550 no such user\r\n", "221 bye\r\n"}),
         kBody, false, "550 no such user\r\n",
         "HELO mail.test\r\nMAIL FROM: <a@b.test>\r\nRCPT TO: <p@g.test>\r\nQUIT\r\n"},
        {"refusal kept when the QUIT goes unanswered",
         Replies({"220 hi\r\n", "250 ok\r\n", "553 bad sender\r\n"}), kBody, false, "553 bad sender\r\n",
         "HELO mail.test\r\nMAIL FROM: <a@b.test>\r\nQUIT\r\n"},
        {"greeting not 220", Replies({"554 go away\r\n"}), kBody, false, "SendEMail 4:*", ""},
        {"no greeting", Replies({}), kBody, false, "SendEMail 3:*", ""},
        {"drop after the data", Replies({"220 hi\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n"}), kBody,
         false, "SMTP_IO: *",
         "HELO mail.test\r\nMAIL FROM: <a@b.test>\r\nRCPT TO: <p@g.test>\r\nDATA\r\n" + Text(kBody) + "\r\n.\r\n"},
        {"mail taken, QUIT unanswered",
         Replies({"220 hi\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 ok\r\n"}), kBody, false, ok,
         "HELO mail.test\r\nMAIL FROM: <a@b.test>\r\nRCPT TO: <p@g.test>\r\nDATA\r\n" + Text(kBody) +
             "\r\n.\r\nQUIT\r\n"},
        {"mail taken, QUIT refused with 421: sent all the same",
         Replies({"220 hi\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 ok\r\n",
                  "421 shutting down\r\n"}),
         kBody, false, ok,
         "HELO mail.test\r\nMAIL FROM: <a@b.test>\r\nRCPT TO: <p@g.test>\r\nDATA\r\n" + Text(kBody) +
             "\r\n.\r\nQUIT\r\n"},
        {"QUIT answered without a number", Replies({"220 hi\r\n", "250 ok\r\n", "bye\r\n"}), nullptr, false, ok,
         "HELO mail.test\r\nQUIT\r\n"},
        {"QUIT answered 500", Replies({"220 hi\r\n", "250 ok\r\n", "500 what\r\n"}), nullptr, false, "500 what\r\n",
         "HELO mail.test\r\nQUIT\r\n"},
    };
    for (auto &r : rows) {
        SCOPED_TRACE(r.name);
        SmtpRun run = RunSmtp(r.script, r.body, r.login ? "player" : nullptr, "secret");
        if (!r.result.empty() && r.result.back() == '*')
            EXPECT_EQ(run.result.substr(0, r.result.size() - 1), r.result.substr(0, r.result.size() - 1)) << run.result;
        else
            EXPECT_EQ(run.result, r.result);
        if (!r.sent.empty() || r.result.back() == '*') {
            EXPECT_EQ(run.sent, r.sent);
        }
    }
}

TEST(SmtpDialogue, CopyLinesAddRecipients)
{
    std::string body = "From: <a@b.test>\r\nTo: <p@g.test>\r\nCC: <archive@op.test>\r\nCC: <x@y.test>\n"
                       "CC: <" + std::string(300, 'z') + ">\r\nSubject: s\r\n\r\n.hidden\r\n";
    Script s = Replies({"220 hi\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n",
                        "354 go\r\n", "250 ok\r\n", "221 bye\r\n"});
    SmtpRun run = RunSmtp(s, body.c_str());
    EXPECT_EQ(run.result, "ok");
    std::string stuffed = body;
    stuffed.replace(stuffed.find("\r\n.hidden"), 9, "\r\n..hidden");
    EXPECT_EQ(run.sent, "HELO mail.test\r\nMAIL FROM: <a@b.test>\r\nRCPT TO: <p@g.test>\r\n"
                        "RCPT TO: <archive@op.test>\r\nRCPT TO: <x@y.test>\r\nDATA\r\n" +
                            stuffed + "\r\n.\r\nQUIT\r\n");
}

TEST(SmtpDialogue, RefusedCopyRecipient)
{
    std::string body = "To: <p@g.test>\r\nCC: <archive@op.test>\r\n\r\nx\r\n";
    Script s = Replies({"220 hi\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "550 unknown\r\n", "221 bye\r\n"});
    SmtpRun run = RunSmtp(s, body.c_str());
    EXPECT_EQ(run.result, "550 unknown\r\n");
    EXPECT_NE(run.sent.find("RCPT TO: <archive@op.test>\r\nQUIT\r\n"), std::string::npos);
}

TEST(SmtpDialogue, TrickledRepliesGiveTheSameDialogue)
{
    Script s = Trickle("220 hi\r\n250-x\r\n250-AUTH PLAIN\r\n250 y\r\n235 ok\r\n250 ok\r\n250 ok\r\n354 go\r\n"
                       "250 ok\r\n221 bye\r\n");
    SmtpRun run = RunSmtp(s, kBody, "player", "secret");
    EXPECT_EQ(run.result, "ok");
    EXPECT_EQ(run.sent.substr(0, 49), "EHLO mail.test\r\nAUTH PLAIN AHBsYXllcgBzZWNyZXQ=\r\n");
}

// ---- Against peers on loopback ------------------------------------------------

TEST(SmtpLoopback, PortBehindTheColonAndAHelloWithTheHostAlone)
{
    std::string got;
    LoopPeer peer([&got](int fd) {
        WriteAll(fd, "220 hi\r\n");
        got += ReadUntil(fd, "\r\n");
        WriteAll(fd, "250-x\r\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        WriteAll(fd, "250 ok\r\n");
        got += ReadUntil(fd, "\r\n");
        WriteTrickle(fd, "221 bye\r\n");
    });
    char *r = SendEmail(peer.server().c_str(), "a@b.test", "p@g.test", nullptr, nullptr);
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(r, "ok");
    FreeVec(r);
    EXPECT_EQ(got, "HELO 127.0.0.1\r\nQUIT\r\n");
}

TEST(SmtpLoopback, SilentServerEndsWithAnErrorInBoundedTime)
{
    LoopPeer peer([](int fd) {
        WriteAll(fd, "220 hi\r\n");
        ReadAll(fd, 4000 * vektest::SlowFactor());
    });
    ULONG saved = NetCfg.ReceiveTimeoutMs;
    NetCfg.ReceiveTimeoutMs = 300;
    auto t0 = std::chrono::steady_clock::now();
    char *r = SendEmail(peer.server().c_str(), "a@b.test", "p@g.test", kBody, nullptr);
    NetCfg.ReceiveTimeoutMs = saved;
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(std::string(r).substr(0, 9), "SMTP_IO: ");
    FreeVec(r);
    EXPECT_LT(ms, 3000 * vektest::SlowFactor());
}

// A server that takes the DATA command and then stops reading must not hold
// the client: the send gives up after the connection's time limit.
TEST(SmtpLoopback, ServerThatStopsReadingEndsTheSendInBoundedTime)
{
    std::atomic<bool> over{false};
    LoopPeer peer([&over](int fd) {
        WriteAll(fd, "220 hi\r\n");
        for (const char *reply : {"250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n"}) {
            ReadUntil(fd, "\r\n");
            WriteAll(fd, reply);
        }
        for (int i = 0; i < 1000 * vektest::SlowFactor() && !over; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    });
    // Far more than the kernel buffers of both ends hold.
    std::string body = "Subject: s\r\n\r\n" + std::string(64u << 20, 'x');
    ULONG saved = NetCfg.ReceiveTimeoutMs;
    NetCfg.ReceiveTimeoutMs = 300;
    auto t0 = std::chrono::steady_clock::now();
    char *r = SendEmail(peer.server().c_str(), "a@b.test", "p@g.test", body.c_str(), nullptr);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    NetCfg.ReceiveTimeoutMs = saved;
    over = true;
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(r, "SMTP_IO: Zeit\374berschreitung beim Senden\n");
    FreeVec(r);
    EXPECT_LT(ms, 3000 * vektest::SlowFactor());
}

TEST(SmtpLoopback, UnreachableServers)
{
    char *r = SendEmail("no-such-host.invalid", "a@b.test", "p@g.test", kBody, nullptr);
    EXPECT_STREQ(r, "Can't connect to host !\n");
    FreeVec(r);
    r = SendEmail(("127.0.0.1:" + std::to_string(FreePort())).c_str(), "a@b.test", "p@g.test", kBody, nullptr);
    EXPECT_EQ(std::string(r).substr(0, 12), "SendEMail 2:");
    FreeVec(r);
}

// ---- Real servers ------------------------------------------------------------

TEST(SmtpRealServer, LoginWithAiosmtpd)
{
    Rig rig;
    int port = FreePort();
    NET_START_OR_SKIP(rig, "aiosmtpd", port);
    std::string server = "127.0.0.1:" + std::to_string(port);
    std::string body = "From: A <a@b.test>\r\nTo: <x@y.test>\r\nSubject: @00001234\r\n\r\n;XEncode;\r\n";
    for (int i = 0; i < 100; ++i) body += std::string(76, (char)('a' + i % 26)) + "\r\n";
    body += ".starts with a dot\r\nend\r\n";
    std::string auth = std::string("\0player\0secret", 14);
    char *r = SendEmail(server.c_str(), "a@b.test", "x@y.test", body.c_str(), auth.c_str());
    EXPECT_STREQ(r, "ok");
    FreeVec(r);
    std::string got;
    vektest::WaitFor(
        [&] {
            auto bytes = vektest::ReadBytes(rig.dir() + "/aiosmtpd/1.eml");
            got.assign(bytes.begin(), bytes.end());
            return !got.empty();
        },
        "aiosmtpd to write the mail");
    EXPECT_TRUE(got == body + "\r\n") << got.substr(0, 200);  // the stuffed dot is gone again
    auto log = vektest::ReadBytes(rig.dir() + "/aiosmtpd/auth.log");
    EXPECT_EQ(std::string(log.begin(), log.end()), "PLAIN\n");

    std::string wrong = std::string("\0player\0wrong", 13);
    r = SendEmail(server.c_str(), "a@b.test", "x@y.test", body.c_str(), wrong.c_str());
    EXPECT_EQ(std::string(r).substr(0, 3), "535");
    FreeVec(r);
}

TEST(SmtpRealServer, WithoutLoginToOpensmtpd)
{
    Rig rig;
    int port = FreePort();
    NET_START_OR_SKIP(rig, "opensmtpd", port);
    std::string server = "127.0.0.1:" + std::to_string(port);
    char *r = SendEmail(server.c_str(), "a@b.test", "player@game.test", kBody, nullptr);
    EXPECT_STREQ(r, "ok");
    FreeVec(r);
    r = SendEmail(server.c_str(), "a@b.test", "nobody@elsewhere.test", kBody, nullptr);
    EXPECT_EQ(std::string(r).substr(0, 1), "5") << r;
    FreeVec(r);
    int files = 0;
    vektest::WaitFor(
        [&] {
            files = 0;
            for (auto &e : std::filesystem::directory_iterator(rig.Maildir() + "/new")) (void)e, ++files;
            return files > 0;
        },
        "opensmtpd to deliver the mail into the mailbox");
    EXPECT_EQ(files, 1);
}
