// POP3: subject and file-name rules, the session against canned replies for
// every path, a real dovecot, and the mail round trip SMTP -> mailbox -> POP3.
#include <chrono>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include "common/testutil.h"
#include "nettest.h"
#include "net/netproto.h"
#include "platform/memfile.h"

using namespace nettest;
using vektest::ScratchDir;

namespace {

struct Pop3Run {
    std::string code;
    std::string sent;
    ULONG saved = 0, deleted = 0;
};

Pop3Run RunPop3(Script &s, const char *prefix, BOOL deleteOther, BOOL deleteOwn, const char *path = "in/")
{
    VekConn *c = ScriptConn(s);
    auto *m = (Pop3Machine *)AllocVec(sizeof(Pop3Machine), MEMF_CLEAR);
    Pop3Begin(m, "player", "secret", prefix, path, deleteOther, deleteOwn);
    NetRunDialog(c, &m->D, Pop3Feed, m);
    Pop3Run r{m->Code, s.sent, m->Saved, m->Deleted};
    Pop3End(m);
    FreeVec(m);
    NetClose(c);
    return r;
}

std::string Header(const std::string &subject) { return "From: a@b.test\r\nSubject: " + subject + "\r\n\r\n"; }
std::string Message(const std::string &subject, const std::string &body)
{
    return Header(subject) + body;
}
// What the server sends for "TOP n 0" and "RETR n".
std::string Top(const std::string &subject) { return "+OK\r\n" + Header(subject) + ".\r\n"; }
std::string Retr(const std::string &text) { return "+OK " + std::to_string(text.size()) + " octets\r\n" + text + ".\r\n"; }

std::string FileText(const std::string &path)
{
    auto b = vektest::ReadBytes(path);
    return std::string(b.begin(), b.end());
}

const std::string kLogin = "USER player\r\nPASS secret\r\n";

}  // namespace

TEST(Pop3Subject, OnlySafeFileNames)
{
    struct Row {
        const char *subject;
        bool safe;
    } rows[] = {
        {"00001234", true}, {"I0012345", true}, {"     abc", true}, {"a.b", true},
        {"", false}, {"00001234/../../x", false}, {"..", false}, {"a/b", false}, {"a\\b", false},
        {"a\tb", false}, {"a\x7f", false}, {"\xe4rger", false},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.subject);
        EXPECT_EQ(Pop3SubjectIsSafe(r.subject, (ULONG)std::strlen(r.subject)), r.safe ? 1 : 0);
    }
    std::string longest(NET_SUBJECT_MAX, 'x'), tooLong(NET_SUBJECT_MAX + 1, 'x');
    EXPECT_EQ(Pop3SubjectIsSafe(longest.c_str(), (ULONG)longest.size()), 1);
    EXPECT_EQ(Pop3SubjectIsSafe(tooLong.c_str(), (ULONG)tooLong.size()), 0);
}

TEST(CheckPathName, AppendsTheFirstFreeNumber)
{
    ScratchDir dir;
    char name[32] = "X.email";
    EXPECT_EQ(CheckPathName(name, sizeof name), 1);
    EXPECT_STREQ(name, "X.email");
    vektest::WriteText("X.email", "a");
    vektest::WriteText("X.email.1", "b");
    EXPECT_EQ(CheckPathName(name, sizeof name), 1);
    EXPECT_STREQ(name, "X.email.2");
    char tight[10] = "X.email";
    EXPECT_EQ(CheckPathName(tight, 9), 0);  // "X.email.2" does not fit
    EXPECT_STREQ(tight, "X.email");
}

TEST(Pop3Session, CannedRepliesForEveryPath)
{
    const std::string own = Message("@00001234", "own turn\r\n..dotted line\r\n");
    const std::string other = Message("@00001235", "other\r\n");
    const std::string foreign = Message("hello", "spam\r\n");
    struct Row {
        const char *name;
        Script script;
        const char *prefix;
        BOOL delOther, delOwn;
        std::string code, sent;
        std::vector<std::pair<std::string, std::string>> files;  // name, exact contents
    } rows[] = {
        {"empty mailbox", Replies({"+OK ready\r\n", "+OK\r\n", "+OK\r\n", "+OK 0 0\r\n", "+OK bye\r\n"}), "00001234", 1, 1,
         "OK", kLogin + "STAT\r\nQUIT\r\n", {}},
        {"own game mail saved, then deleted",
         Replies({"+OK ready\r\n", "+OK\r\n", "+OK\r\n", "+OK 1 99\r\n", "+OK 1 99\r\n", Top("@00001234"),
                  Retr(own), "+OK\r\n", "+OK bye\r\n"}),
         "00001234", 0, 1, "OK", kLogin + "STAT\r\nLIST 1\r\nTOP 1 0\r\nRETR 1\r\nDELE 1\r\nQUIT\r\n",
         {{"in/00001234.email", own + ".\r\n"}}},
        {"status line and data in one piece, kept on the server",
         Replies({"+OK ready\r\n+OK\r\n+OK\r\n+OK 1 99\r\n+OK 1 99\r\n" + Top("@00001234") + Retr(own) + "+OK bye\r\n"}),
         nullptr, 1, 0, "OK", kLogin + "STAT\r\nLIST 1\r\nTOP 1 0\r\nRETR 1\r\nQUIT\r\n",
         {{"in/00001234.email", own + ".\r\n"}}},
        {"server without sizes",
         Replies({"+OK ready\r\n", "+OK\r\n", "+OK\r\n", "+OK 1 99\r\n", "+OK 1 0\r\n", Top("@00001234"), Retr(own),
                  "+OK bye\r\n"}),
         "00001234", 0, 0, "OK", kLogin + "STAT\r\nLIST 1\r\nTOP 1 0\r\nRETR 1\r\nQUIT\r\n",
         {{"in/00001234.email", own + ".\r\n"}}},
        {"another player's mail stays untouched, a foreign one goes",
         Replies({"+OK ready\r\n", "+OK\r\n", "+OK\r\n", "+OK 2 99\r\n", "+OK 2 50\r\n", Top("@00001235"),
                  "+OK 1 50\r\n", Top("hello"), "+OK\r\n", "+OK bye\r\n"}),
         "00001234", 1, 1, "OK",
         kLogin + "STAT\r\nLIST 2\r\nTOP 2 0\r\nLIST 1\r\nTOP 1 0\r\nDELE 1\r\nQUIT\r\n", {}},
        {"a foreign mail stays without DeleteOther",
         Replies({"+OK ready\r\n", "+OK\r\n", "+OK\r\n", "+OK 1 9\r\n", "+OK 1 50\r\n", Top("hello"), "+OK bye\r\n"}),
         nullptr, 0, 1, "OK", kLogin + "STAT\r\nLIST 1\r\nTOP 1 0\r\nQUIT\r\n", {}},
        {"a subject that is no file name counts as foreign",
         Replies({"+OK ready\r\n", "+OK\r\n", "+OK\r\n", "+OK 1 9\r\n", "+OK 1 50\r\n", Top("@00001234/../../x"),
                  "+OK\r\n", "+OK bye\r\n"}),
         "00001234", 1, 1, "OK", kLogin + "STAT\r\nLIST 1\r\nTOP 1 0\r\nDELE 1\r\nQUIT\r\n", {}},
        {"wrong password: no QUIT",
         Replies({"+OK ready\r\n", "+OK\r\n", "-ERR [AUTH] Authentication failed.\r\n"}), nullptr, 1, 1,
         "Server Error:-ERR [AUTH] Authentication failed.", kLogin, {}},
        {"no greeting", Replies({}), nullptr, 1, 1, "Socket Error:*", "", {}},
        {"STAT refused", Replies({"+OK ready\r\n", "+OK\r\n", "+OK\r\n", "-ERR busy\r\n", "+OK bye\r\n"}), nullptr, 1, 1,
         "Server Error:-ERR busy", kLogin + "STAT\r\nQUIT\r\n", {}},
        {"LIST refused: the error stands although QUIT went well",
         Replies({"+OK ready\r\n", "+OK\r\n", "+OK\r\n", "+OK 1 9\r\n", "-ERR no such message\r\n", "+OK bye\r\n"}),
         nullptr, 1, 1, "Server Error:-ERR no such message", kLogin + "STAT\r\nLIST 1\r\nQUIT\r\n", {}},
        {"TOP refused", Replies({"+OK ready\r\n", "+OK\r\n", "+OK\r\n", "+OK 1 9\r\n", "+OK 1 9\r\n", "-ERR no\r\n", "+OK\r\n"}),
         nullptr, 1, 1, "Server Error:-ERR no", kLogin + "STAT\r\nLIST 1\r\nTOP 1 0\r\nQUIT\r\n", {}},
        {"RETR refused: the next mail is still handled",
         Replies({"+OK ready\r\n", "+OK\r\n", "+OK\r\n", "+OK 2 9\r\n", "+OK 2 9\r\n", Top("@00001234"), "-ERR gone\r\n",
                  "+OK 1 9\r\n", Top("hello"), "+OK\r\n", "+OK bye\r\n"}),
         nullptr, 1, 1, "Server Error:-ERR gone",
         kLogin + "STAT\r\nLIST 2\r\nTOP 2 0\r\nRETR 2\r\nLIST 1\r\nTOP 1 0\r\nDELE 1\r\nQUIT\r\n", {}},
        {"drop in the middle of a mail: nothing saved or deleted",
         Replies({"+OK ready\r\n", "+OK\r\n", "+OK\r\n", "+OK 1 9\r\n", "+OK 1 9\r\n", Top("@00001234"),
                  "+OK 99 octets\r\nFrom: a@b.test\r\nSubject: @00001234\r\n\r\nown t"}),
         nullptr, 1, 1, "Socket Error:*", kLogin + "STAT\r\nLIST 1\r\nTOP 1 0\r\nRETR 1\r\n", {}},
        {"a mail announced absurdly large is not fetched",
         Replies({"+OK ready\r\n", "+OK\r\n", "+OK\r\n", "+OK 1 9\r\n", "+OK 1 4294967295\r\n", Top("@00001234"),
                  "+OK bye\r\n"}),
         nullptr, 1, 1, "Server Error:Mail 1 ist zu gross*", kLogin + "STAT\r\nLIST 1\r\nTOP 1 0\r\nQUIT\r\n", {}},
        {"DELE refused", Replies({"+OK ready\r\n", "+OK\r\n", "+OK\r\n", "+OK 1 9\r\n", "+OK 1 9\r\n", Top("x"),
                                  "-ERR read only\r\n", "+OK bye\r\n"}),
         nullptr, 1, 1, "Server Error:-ERR read only", kLogin + "STAT\r\nLIST 1\r\nTOP 1 0\r\nDELE 1\r\nQUIT\r\n", {}},
    };
    for (auto &r : rows) {
        SCOPED_TRACE(r.name);
        ScratchDir dir;
        vektest::MakeDirs("in");
        Pop3Run run = RunPop3(r.script, r.prefix, r.delOther, r.delOwn);
        if (r.code.back() == '*') {
            EXPECT_EQ(run.code.substr(0, r.code.size() - 1), r.code.substr(0, r.code.size() - 1)) << run.code;
        } else {
            EXPECT_EQ(run.code, r.code);
        }
        EXPECT_EQ(run.sent, r.sent);
        size_t files = 0;
        for (auto &e : std::filesystem::directory_iterator("in")) (void)e, ++files;
        EXPECT_EQ(files, r.files.size());
        for (const auto &f : r.files) EXPECT_EQ(FileText(f.first), f.second) << f.first;
    }
}

TEST(Pop3Session, SameSubjectTwiceAndATrickledSession)
{
    ScratchDir dir;
    vektest::MakeDirs("in");
    const std::string a = Message("@00001234", "first\r\n"), b = Message("@00001234", "second\r\n");
    std::string all = "+OK ready\r\n+OK\r\n+OK\r\n+OK 2 99\r\n+OK 2 30\r\n" + Top("@00001234") + Retr(b) +
                      "+OK\r\n+OK 1 30\r\n" + Top("@00001234") + Retr(a) + "+OK\r\n+OK bye\r\n";
    Script s = Trickle(all);
    Pop3Run run = RunPop3(s, "0000", 0, 1);
    EXPECT_EQ(run.code, "OK");
    EXPECT_EQ(run.saved, 2u);
    EXPECT_EQ(run.deleted, 2u);
    EXPECT_EQ(FileText("in/00001234.email"), b + ".\r\n");
    EXPECT_EQ(FileText("in/00001234.email.1"), a + ".\r\n");
}

TEST(Pop3Session, FileThatCannotBeWrittenKeepsTheMailOnTheServer)
{
    ScratchDir dir;
    const std::string own = Message("@00001234", "own\r\n");
    Script s = Replies({"+OK ready\r\n", "+OK\r\n", "+OK\r\n", "+OK 1 9\r\n", "+OK 1 9\r\n", Top("@00001234"), Retr(own),
                        "+OK bye\r\n"});
    Pop3Run run = RunPop3(s, nullptr, 1, 1, "missing-folder/");
    EXPECT_NE(run.code, "OK");
    EXPECT_EQ(run.sent, kLogin + "STAT\r\nLIST 1\r\nTOP 1 0\r\nRETR 1\r\nQUIT\r\n");
}

TEST(Pop3Session, MailBeyondTheCapEndsTheSessionWithoutQuit)
{
    ScratchDir dir;
    vektest::MakeDirs("in");
    std::string line = std::string(998, 'x') + "\r\n";
    std::string huge;
    huge.reserve(NET_MAIL_MAX + 2000);
    while (huge.size() <= NET_MAIL_MAX) huge += line;
    Script s = Replies({"+OK ready\r\n", "+OK\r\n", "+OK\r\n", "+OK 1 9\r\n", "+OK 1 1000\r\n", Top("@00001234"),
                        "+OK\r\n" + huge + ".\r\n", "+OK bye\r\n"});
    Pop3Run run = RunPop3(s, nullptr, 1, 1);
    EXPECT_EQ(run.code.substr(0, 13), "Server Error:");
    EXPECT_EQ(run.sent, kLogin + "STAT\r\nLIST 1\r\nTOP 1 0\r\nRETR 1\r\n");
    EXPECT_TRUE(std::filesystem::is_empty("in"));
}

// ---- Real servers ------------------------------------------------------------

namespace {

void DropMail(const std::string &maildir, const std::string &name, const std::string &text)
{
    std::string path = maildir + "/new/" + name;
    vektest::WriteText(path, text);
    if (struct passwd *pw = getpwnam("dovecot")) {
        int rc = chown(path.c_str(), pw->pw_uid, pw->pw_gid);
        (void)rc;
    }
}

int CountMails(const std::string &maildir)
{
    int n = 0;
    for (const char *sub : {"/new", "/cur"})
        for (auto &e : std::filesystem::directory_iterator(maildir + sub)) (void)e, ++n;
    return n;
}

}  // namespace

TEST(Pop3RealServer, DovecotKeepsWhatIsNotOursAndDeletesWhatWasSaved)
{
    Rig rig;
    int port = FreePort();
    NET_START_OR_SKIP(rig, "dovecot", port);
    std::string server = "127.0.0.1:" + std::to_string(port);
    const std::string own = "From: <op@game.test>\r\nSubject: @00001234\r\n\r\n;XEncode;own\r\n..dot\r\n";
    const std::string other = "From: <op@game.test>\r\nSubject: @00009999\r\n\r\n;XEncode;other\r\n";
    const std::string foreign = "From: <x@y.test>\r\nSubject: lunch\r\n\r\nhungry?\r\n";
    DropMail(rig.Maildir(), "1.m1", own);
    DropMail(rig.Maildir(), "2.m2", other);
    DropMail(rig.Maildir(), "3.m3", foreign);

    ScratchDir dir;
    vektest::MakeDirs("in");
    EXPECT_STREQ(GetEmail(server.c_str(), "player", "wrong", "00001234", "in/", 1, 1),
                 "Server Error:-ERR [AUTH] Authentication failed.");
    EXPECT_EQ(std::string(GetEmail(server.c_str(), "player", "secret", "00001234", "missing/", 1, 1)).substr(0, 12),
              "Konnte Mail ");
    EXPECT_EQ(CountMails(rig.Maildir()), 2);  // only the foreign mail went

    EXPECT_STREQ(GetEmail(server.c_str(), "player", "secret", "00001234", "in/", 1, 1), "ok");
    // Exactly as the server sent it: its dot-stuffing stays.
    std::string wire = own;
    wire.replace(wire.find("..dot"), 5, "...dot");
    EXPECT_EQ(FileText("in/00001234.email"), wire + ".\r\n");
    EXPECT_EQ(CountMails(rig.Maildir()), 1);                   // the other player's mail stays
    EXPECT_STREQ(GetEmail(server.c_str(), "player", "secret", nullptr, "in/", 0, 0), "ok");
    EXPECT_EQ(FileText("in/00009999.email"), other + ".\r\n");
    EXPECT_EQ(CountMails(rig.Maildir()), 1);
}

TEST(Pop3RealServer, MailSentBySmtpComesBackByPop3)
{
    Rig rig;
    int pop = FreePort(), smtp = FreePort();
    NET_START_OR_SKIP(rig, "dovecot", pop);
    NET_START_OR_SKIP(rig, "opensmtpd", smtp);
    std::string body = ";XEncode;\r\n";
    for (int i = 0; i < 2000; ++i) body += std::string(70, (char)('0' + i % 43)) + "\r\n";
    std::string mail = "From: Al Bert <a@b.test>\r\nTo: <player@game.test>\r\nSubject: @00001234\r\n\r\n" + body;
    char *r = SendEmail(("127.0.0.1:" + std::to_string(smtp)).c_str(), "a@b.test", "player@game.test", mail.c_str(),
                        nullptr);
    EXPECT_STREQ(r, "ok");
    FreeVec(r);
    ASSERT_TRUE(vektest::WaitFor([&] { return CountMails(rig.Maildir()) > 0; },
                                 "opensmtpd to deliver the mail into dovecot's mailbox"));

    ScratchDir dir;
    vektest::MakeDirs("in");
    EXPECT_STREQ(GetEmail(("127.0.0.1:" + std::to_string(pop)).c_str(), "player", "secret", "00001234", "in/", 0, 1),
                 "ok");
    std::string got = FileText("in/00001234.email");
    size_t start = got.find("\r\n\r\n");
    ASSERT_NE(start, std::string::npos);
    EXPECT_TRUE(got.substr(start + 4) == body + "\r\n.\r\n") << got.substr(0, 400);
    EXPECT_EQ(CountMails(rig.Maildir()), 0);
}
