// FTP: the passive reply, the listing and its pairing of archives with their
// notes, replies of several lines, the dialogue against scripted servers for
// every path (control and data connections both scripted), and a real vsftpd.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "common/testutil.h"
#include "nettest.h"
#include "net/net.h"
#include "net/netproto.h"
#include "platform/memfile.h"

using namespace nettest;
using vektest::ScratchDir;

namespace {

struct Entry {
    std::string name;
    ULONG size;
    std::string note;
    ULONG noteSize;
    bool operator==(const Entry &o) const
    {
        return name == o.name && size == o.size && note == o.note && noteSize == o.noteSize;
    }
};
std::ostream &operator<<(std::ostream &os, const Entry &e)
{
    return os << "{" << e.name << ", " << e.size << ", " << e.note << ", " << e.noteSize << "}";
}

std::vector<Entry> Listed()
{
    std::vector<Entry> out;
    if (!FTPList || !FTPList->FirstNode) return out;
    ListNode *n = FTPList->FirstNode;
    for (ULONG i = 0; i < FTPList->Elemente; ++i, n = n->Next) {
        auto *e = (FTPListEntry *)n;
        out.push_back({e->DataName, e->DataSize, e->CommentName, e->CommentSize});
    }
    return out;
}

std::string Line(const std::string &name, unsigned size, const char *mode = "-rw-r--r--")
{
    return std::string(mode) + "    1 0        0     " + std::to_string(size) + " Jan 01 12:00 " + name + "\r\n";
}

// The scripted servers: every connection the client opens takes the next
// script, and the host and port it asked for are recorded.
std::deque<Script *> gScripts;
std::vector<std::string> gDialled;
VekConn *ScriptedConnect(const char *host, UWORD port, int *why)
{
    gDialled.push_back(std::string(host) + ":" + std::to_string(port));
    if (gScripts.empty()) {
        *why = 2;
        return nullptr;
    }
    Script *s = gScripts.front();
    gScripts.pop_front();
    return ScriptConn(*s);
}

struct ScriptedServers {
    ScriptedServers()
    {
        FTPConnectHook = ScriptedConnect;
        gScripts.clear();
        gDialled.clear();
    }
    ~ScriptedServers()
    {
        CloseFTP();
        FreeFTPList();
        FTPConnectHook = NetConnect;
        gScripts.clear();
    }
};

const std::string kLoginSent = "USER vekupdate\r\nPASS Rudoz\r\nCWD /\r\nPASV\r\nLIST -alF\r\n";
const std::string kGreeting = "220 (vsFTPd 3.0.3)\r\n";
const std::string kLoginReplies = "331 Please specify the password.\r\n230 Login successful.\r\n250 Directory changed.\r\n";
const std::string kPasv = "227 Entering Passive Mode (127,0,0,1,200,10).\r\n";
const std::string kListOpen = "150 Here comes the directory listing.\r\n";
const std::string kDone = "226 Transfer complete.\r\n";

std::string ReadText(const std::string &path)
{
    auto b = vektest::ReadBytes(path);
    return std::string(b.begin(), b.end());
}

}  // namespace

TEST(FtpPassive, SixNumbersOfAByte)
{
    struct Row {
        const char *reply;
        ULONG len;
        const char *address;
        UWORD port;
    } rows[] = {
        {"227 Entering Passive Mode (10,0,0,1,4,1)", 8, "10.0.0.1", 1025},
        {"227 Entering Passive Mode (127,0,0,1,255,255).", 9, "127.0.0.1", 65535},
        {"227 (10,0,0,1,4,1,7)", 0, "", 0},
        {"227 (10,0,0,256,4,1)", 0, "", 0},
        {"227 (10,0,0,1,4)", 0, "", 0},
        {"227 (10,0,0,1,4,0001)", 0, "", 0},
        {"227 (10,0,-1,1,4,1)", 0, "", 0},
        {"227 Entering Passive Mode 10,0,0,1,4,1", 0, "", 0},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.reply);
        char address[16] = "";
        UWORD port = 0;
        EXPECT_EQ(ConvertFTPAddress(r.reply, &port, address), r.len);
        if (r.len) {
            EXPECT_STREQ(address, r.address);
            EXPECT_EQ(port, r.port);
        }
    }
}

TEST(FtpReplies, SeveralLinesEndAtTheLineThatRepeatsTheCode)
{
    struct Row {
        const char *name;
        std::vector<std::string> pieces;
        int code;          // 0: not complete after the last piece
        size_t completeAt; // the piece that completed it
    } rows[] = {
        {"one line", {"220 ready\r\n"}, 220, 0},
        {"several lines", {"230-Welcome\r\n", " to the server\r\n", "230-still\r\n", "230 Login successful.\r\n"}, 230, 3},
        {"another code inside does not end it", {"230-a\r\n", "220 b\r\n", "230 c\r\n"}, 230, 2},
        {"a line in pieces", {"22", "6 Transfer", " complete.\r\n"}, 226, 2},
        {"a line without code answers nothing", {"hello\r\n"}, -1, 0},
        {"no end yet", {"230-a\r\n"}, 0, 0},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        FtpReply reply;
        FtpReplyReset(&reply);
        size_t at = r.pieces.size();
        for (size_t i = 0; i < r.pieces.size(); ++i)
            if (FtpReplyFeed(&reply, (const UBYTE *)r.pieces[i].data(), (ULONG)r.pieces[i].size())) {
                at = i;
                break;
            }
        if (r.code == 0) {
            EXPECT_EQ(at, r.pieces.size());
        } else {
            EXPECT_EQ(at, r.completeAt);
            EXPECT_EQ(reply.Code, r.code);
        }
    }
    FtpReply r125;
    FtpReplyReset(&r125);
    ASSERT_TRUE(FtpReplyFeed(&r125, (const UBYTE *)"125 Data connection already open\r\n", 34));
    EXPECT_TRUE(FtpReplyIs(&r125, 150));
    EXPECT_FALSE(FtpReplyIs(&r125, 226));
}

TEST(FtpListing, ArchivesPairedWithTheirNotes)
{
    struct Row {
        const char *name;
        std::string text;
        BOOL ok;
        std::vector<Entry> entries;
    } rows[] = {
        {"a vsftpd line", Line("update1.zip", 1234), 1, {{"update1.zip", 1234, "", 0}}},
        {"archive and note become one entry",
         Line("update1.zip", 1234) + Line("update1.txt", 99), 1, {{"update1.zip", 1234, "update1.txt", 99}}},
        {"the note before its archive", Line("update1.txt", 99) + Line("update1.zip", 1234), 1,
         {{"update1.zip", 1234, "update1.txt", 99}}},
        {"directories skipped",
         "drwxr-xr-x    2 0        0            4096 Jan 01 12:00 .\r\n" + Line("a.zip", 1), 1, {{"a.zip", 1, "", 0}}},
        {"a link voids the listing",
         Line("a.zip", 1) + "lrwxrwxrwx    1 0        0               5 Jan 01 12:00 b.zip -> a.zip\r\n", 0, {}},
        {"a total line voids the listing", "total 8\r\n" + Line("a.zip", 1), 0, {}},
        {"a note without archive is no entry", Line("x.txt", 5), 1, {}},
        {"names that leave the folder or hide are no update",
         Line("../x.zip", 1) + Line(".a.zip", 2) + Line("sub/b.zip", 3) + Line("ok.zip", 4), 1, {{"ok.zip", 4, "", 0}}},
        {"a name of 127 characters is no update", Line(std::string(123, 'n') + ".zip", 1), 1, {}},
        {"the note of a stem goes to the archive named so, not one that begins with it",
         Line("update10.zip", 10) + Line("update1.zip", 1) + Line("update1.txt", 2), 1,
         {{"update10.zip", 10, "", 0}, {"update1.zip", 1, "update1.txt", 2}}},
        {"a size that is no number voids the listing", "-rw-r--r--    1 0        0     12x Jan 01 12:00 a.zip\r\n", 0, {}},
        {"LF without CR and a last line without LF", "-rw-r--r-- 1 0 0 7 Jan 01 12:00 a.zip\n-rw-r--r-- 1 0 0 8 Jan 01 12:00 b.exe", 1,
         {{"a.zip", 7, "", 0}, {"b.exe", 8, "", 0}}},
        {"empty", "", 1, {}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(CreateFTPNodes(r.text.data(), (ULONG)r.text.size()), r.ok);
        EXPECT_EQ(Listed(), r.entries);
    }
    FreeFTPList();
}

TEST(FtpSession, OpenFTPForEveryPath)
{
    struct Row {
        const char *name;
        std::vector<std::string> control;
        std::vector<std::string> data;  // one data connection's pieces; empty: none scripted
        const char *result;
        std::string sent;
        std::vector<Entry> entries;
    } rows[] = {
        {"a listing", {kGreeting, kLoginReplies, kPasv, kListOpen, kDone},
         {Line("update1.zip", 1234) + Line("update1.txt", 99)}, "FTP OK", kLoginSent,
         {{"update1.zip", 1234, "update1.txt", 99}}},
        {"replies of several lines and a 125",
         {"220-Welcome\r\n220 ready\r\n", "331 pw\r\n", "230-Hello\r\n230-there\r\n230 ok\r\n", "250 ok\r\n", kPasv,
          "125 Data connection already open; transfer starting.\r\n", "226-done\r\n226 ok\r\n"},
         {Line("a.zip", 3)}, "FTP OK", kLoginSent, {{"a.zip", 3, "", 0}}},
        {"replies split over segments",
         {"22", "0 hi\r", "\n331 pw\r\n23", "0 ok\r\n250 ok\r\n", "227 (127,0,0,1,1", "0,1)\r\n150 go\r\n", "226 ok\r\n"},
         {"-rw-r--r-- 1 0 0 5 Jan 01 12:00 ", "a.zip\r\n"}, "FTP OK", kLoginSent, {{"a.zip", 5, "", 0}}},
        {"greeting refused", {"421 Too many users\r\n"}, {}, "Login fehlgeschlagen.", "QUIT\r\n", {}},
        {"wrong password", {kGreeting, "331 pw\r\n530 Login incorrect.\r\n"}, {}, "Login fehlgeschlagen.",
         "USER vekupdate\r\nPASS Rudoz\r\nQUIT\r\n", {}},
        {"no such directory", {kGreeting, kLoginReplies.substr(0, kLoginReplies.find("250")),
                               "550 Failed to change directory.\r\n"},
         {}, "Angegebene Verzeichnis existiert nicht", "USER vekupdate\r\nPASS Rudoz\r\nCWD /\r\nQUIT\r\n", {}},
        {"listing refused", {kGreeting, kLoginReplies, kPasv, "425 Use PORT or PASV first.\r\n"}, {""},
         "Angegebene Verzeichnis existiert nicht", kLoginSent + "QUIT\r\n", {}},
        {"listing not confirmed", {kGreeting, kLoginReplies, kPasv, kListOpen, "426 Failure\r\n"}, {Line("a.zip", 1)},
         "Angegebene Verzeichnis existiert nicht", kLoginSent + "QUIT\r\n", {}},
    };
    for (auto &r : rows) {
        SCOPED_TRACE(r.name);
        ScratchDir dir;
        std::deque<Script> keep;  // outlives the connection that CloseFTP ends
        ScriptedServers servers;
        keep.emplace_back();
        for (const auto &p : r.control) keep.back().steps.push_back(D(p));
        keep.back().steps.push_back(D("221 Goodbye.\r\n"));
        keep.back().steps.push_back(Closed());
        gScripts.push_back(&keep.back());
        Script *control = &keep.back();
        if (!r.data.empty()) {
            keep.emplace_back();
            for (const auto &p : r.data) keep.back().steps.push_back(D(p));
            keep.back().steps.push_back(Closed());
            gScripts.push_back(&keep.back());
        }
        const char *result = OpenFTP("updates.test", 21, "vekupdate", "Rudoz", "/");
        EXPECT_STREQ(result, r.result);
        EXPECT_EQ(control->sent, r.sent);
        EXPECT_EQ(Listed(), r.entries);
        ASSERT_FALSE(gDialled.empty());
        EXPECT_EQ(gDialled[0], "updates.test:21");
        if (gDialled.size() > 1) {
            EXPECT_EQ(gDialled[1].substr(0, 13), "updates.test:");
        }
    }
}

TEST(FtpSession, UnknownHostAndRefusedConnection)
{
    ScriptedServers servers;
    EXPECT_STREQ(OpenFTP("updates.test", 21, "u", "p", "/"), "FTP/TCP wird von Server nicht unterst\374tzt");
    FTPConnectHook = [](const char *, UWORD, int *why) -> VekConn * {
        *why = 1;
        return nullptr;
    };
    EXPECT_STREQ(OpenFTP("nowhere.invalid", 21, "u", "p", "/"), "Angegebene Host-Server nicht gefunden");
}

// A download after an opened session: the note, then the archive, both on
// the one control connection (each transfer's completion reply is read).
TEST(FtpSession, DownloadsWholeOrNotAtAll)
{
    const std::string body(3000, 'z');
    struct Row {
        const char *name;
        std::vector<std::string> control;  // after the login and listing
        std::vector<Step> data;
        BOOL ok;
        std::string sent;  // after the login and listing
    } rows[] = {
        {"whole", {kPasv, "200 Switching to Binary mode.\r\n", "150 Opening BINARY mode data connection.\r\n", kDone},
         {D(body.substr(0, 1000)), D(body.substr(1000)), Closed()}, 1, "PASV\r\nTYPE I\r\nRETR dir/u.zip\r\n"},
        {"a 125 and a reply of several lines",
         {kPasv, "200 ok\r\n", "125 already open\r\n", "226-Transfer\r\n226 complete\r\n"}, {D(body), Closed()}, 1,
         "PASV\r\nTYPE I\r\nRETR dir/u.zip\r\n"},
        {"one byte short", {kPasv, "200 ok\r\n", "150 go\r\n", kDone}, {D(body.substr(1)), Closed()}, 0,
         "PASV\r\nTYPE I\r\nRETR dir/u.zip\r\n"},
        {"more than listed", {kPasv, "200 ok\r\n", "150 go\r\n", kDone}, {D(body + "x"), Closed()}, 0,
         "PASV\r\nTYPE I\r\nRETR dir/u.zip\r\n"},
        {"silence after RETR", {kPasv, "200 ok\r\n", "150 go\r\n", kDone}, {D(body.substr(0, 10)), Silence()}, 0,
         "PASV\r\nTYPE I\r\nRETR dir/u.zip\r\n"},
        {"transfer not confirmed", {kPasv, "200 ok\r\n", "150 go\r\n", "451 Local error\r\n"}, {D(body), Closed()}, 0,
         "PASV\r\nTYPE I\r\nRETR dir/u.zip\r\n"},
        {"file refused", {kPasv, "200 ok\r\n", "550 Failed to open file.\r\n"}, {Closed()}, 0,
         "PASV\r\nTYPE I\r\nRETR dir/u.zip\r\n"},
        {"a passive reply naming another host", {"227 Entering Passive Mode (10,9,8,7,4,1).\r\n", "200 ok\r\n",
                                                 "150 go\r\n", kDone},
         {D(body), Closed()}, 1, "PASV\r\nTYPE I\r\nRETR dir/u.zip\r\n"},
    };
    for (auto &r : rows) {
        SCOPED_TRACE(r.name);
        ScratchDir dir;
        vektest::WriteBytes("u.zip", std::vector<UBYTE>{'o', 'l', 'd'});
        std::deque<Script> keep;  // outlives the connection that CloseFTP ends
        ScriptedServers servers;
        keep.emplace_back();
        Script *control = &keep.back();
        control->steps.push_back(D(kGreeting + kLoginReplies + kPasv + kListOpen + kDone));
        for (const auto &p : r.control) control->steps.push_back(D(p));
        control->steps.push_back(D("221 Goodbye.\r\n"));
        control->steps.push_back(Closed());
        keep.emplace_back();
        keep.back().steps = {D(Line("u.zip", 3000)), Closed()};
        Script *listing = &keep.back();
        keep.emplace_back();
        for (const Step &s : r.data) keep.back().steps.push_back(s);
        gScripts = {control, listing, &keep.back()};
        ASSERT_STREQ(OpenFTP("updates.test", 2121, "vekupdate", "Rudoz", "/"), "FTP OK");
        std::vector<std::pair<ULONG, ULONG>> progress;
        static std::vector<std::pair<ULONG, ULONG>> *seen;
        seen = &progress;
        ProcessingFTPHook = [](ULONG total, ULONG done) { seen->push_back({total, done}); };
        EXPECT_EQ(GetFTPData("u.zip", "dir", 3000, "./u.zip", nullptr), r.ok);
        ProcessingFTPHook = nullptr;
        EXPECT_EQ(control->sent, kLoginSent + r.sent);
        EXPECT_EQ(ReadText("u.zip"), r.ok ? body : "old");
        // Nothing half written stays beside it.
        size_t files = 0;
        for (auto &e : std::filesystem::directory_iterator(".")) (void)e, ++files;
        EXPECT_EQ(files, 1u);
        if (r.ok) {
            ASSERT_FALSE(progress.empty());
            EXPECT_EQ(progress.back(), std::make_pair(3000u, 3000u));
            // The data connection goes to the control connection's host, whatever the reply names.
            EXPECT_EQ(gDialled.back().substr(0, 13), "updates.test:");
        }
    }
}

TEST(FtpSession, AListingCutByItsBufferKeepsItsWholeLines)
{
    ScratchDir dir;
    Script control, data;  // outlive the connection that CloseFTP ends
    ScriptedServers servers;
    std::string text;
    unsigned n = 0;
    while (text.size() < 40001) {
        text += Line("f" + std::to_string(n) + ".zip", n + 1);
        ++n;
    }
    control.steps = {D(kGreeting + kLoginReplies + kPasv + kListOpen + kDone), D("221 bye\r\n"), Closed()};
    data.steps = {D(text), Closed()};
    gScripts = {&control, &data};
    ASSERT_STREQ(OpenFTP("updates.test", 21, "u", "p", "/"), "FTP OK");
    auto entries = Listed();
    // Every line that ends within the first 40,000 bytes, not one more.
    size_t whole = 0, pos = 0;
    for (;;) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos || end >= 40000) break;
        ++whole;
        pos = end + 1;
    }
    EXPECT_EQ(entries.size(), whole);
    EXPECT_GT(whole, 100u);
}

TEST(FtpRealServer, VsftpdServesTheNoteThenTheArchiveOnOneConnection)
{
    Rig rig;
    ScratchDir dir;
    // The files the rig serves: an archive with its note and a stray note.
    std::string root = dir.path() + "/served";
    vektest::MakeDirs(root);
    std::string archive(70000, '\0');
    for (size_t i = 0; i < archive.size(); ++i) archive[i] = (char)(i * 7 + 3);
    const std::string note = "xxxxx059\nThe first update.\n";
    vektest::WriteBytes(root + "/vek059.zip", std::vector<UBYTE>(archive.begin(), archive.end()));
    vektest::WriteBytes(root + "/vek059.txt", std::vector<UBYTE>(note.begin(), note.end()));
    vektest::WriteBytes(root + "/stray.txt", std::vector<UBYTE>{'x'});
    const int port = FreePort();
    NET_START_OR_SKIP(rig, "vsftpd", port, "127.0.0.1", root);
    ASSERT_STREQ(OpenFTP("127.0.0.1", (UWORD)port, "anonymous", "Rudoz", "/"), "FTP OK");
    auto entries = Listed();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0], (Entry{"vek059.zip", 70000, "vek059.txt", (ULONG)note.size()}));
    EXPECT_EQ(GetFTPData("vek059.txt", "/", (ULONG)note.size(), "./ftptemp.txt", nullptr), 1);
    EXPECT_EQ(GetFTPData("vek059.zip", "//", 70000, "./vek059.zip", nullptr), 1);
    EXPECT_EQ(ReadText("ftptemp.txt"), note);
    EXPECT_EQ(ReadText("vek059.zip"), archive);
    // A size that the server does not deliver fails and leaves nothing.
    EXPECT_EQ(GetFTPData("vek059.txt", "/", (ULONG)note.size() + 1, "./short.txt", nullptr), 0);
    EXPECT_FALSE(std::filesystem::exists("short.txt"));
    CloseFTP();
    FreeFTPList();
}
