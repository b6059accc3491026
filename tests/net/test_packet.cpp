// The game server's packet protocol against a stand-in server that records
// every byte it receives and misbehaves on request.
#include <chrono>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <mutex>

#include "common/testutil.h"
#include "nettest.h"
#include "net/netproto.h"
#include "platform/memfile.h"

using namespace nettest;
using vektest::ScratchDir;

namespace {

const std::string NUL(1, '\0');

// The stand-in: answers "+ACK" to every command, takes the blocks of +PUT and
// +MSG, serves a mail for +GET and letters for +MAL, and closes after +QUI.
struct StandIn {
    std::string refuse;        // this command (or "+PUT block", "+MSG block") gets "-ERR"
    std::string silentAt;      // no answer at all to this command
    bool coalesce = false;     // a reply and its block in one write
    bool trickle = false;      // everything one byte at a time
    bool shortBlock = false;   // the +GET block stops short and the connection closes
    std::string getLength;     // announced length instead of the real one
    std::string mail = "game mail bytes";
    std::vector<std::string> letters;
    std::string terminator = NUL;  // after each reply

    std::string received;      // every byte from the client
    std::mutex lock;

    void Send(int fd, const std::string &bytes)
    {
        if (trickle) WriteTrickle(fd, bytes, 0);
        else WriteAll(fd, bytes);
    }
    void Reply(int fd, const std::string &text, const std::string &block = "")
    {
        std::string r = text + terminator;
        if (block.empty()) {
            Send(fd, r);
        } else if (coalesce) {
            Send(fd, r + block);
        } else {
            Send(fd, r);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            Send(fd, block);
        }
    }
    void Record(const std::string &bytes)
    {
        std::lock_guard<std::mutex> g(lock);
        received += bytes;
    }
    void Serve(int fd)
    {
        for (;;) {
            std::string cmd = ReadUntil(fd, NUL);
            if (cmd.empty() || cmd.back() != '\0') return;
            Record(cmd);
            std::string word = cmd.substr(0, 4);
            if (word == silentAt) {
                ReadAll(fd, 3000);
                return;
            }
            if (word == refuse) {
                Reply(fd, "-ERR");
                continue;
            }
            if (word == "+PUT" || word == "+MSG") {
                Reply(fd, "+ACK");
                size_t n = std::stoul(cmd.substr(5));
                std::string block = ReadCount(fd, n);
                Record(block);
                Reply(fd, refuse == word + " block" ? "-ERR" : "+ACK");
            } else if (word == "+GET") {
                std::string len = getLength.empty() ? std::to_string(mail.size()) : getLength;
                if (shortBlock) {
                    Reply(fd, "+ACK " + len, mail.substr(0, mail.size() / 2));
                    return;
                }
                Reply(fd, "+ACK " + len, mail);
            } else if (word == "+MAL") {
                for (const auto &l : letters) Reply(fd, "+ACK " + std::to_string(l.size()), l);
                Reply(fd, "-END");
            } else if (word == "+QUI") {
                Reply(fd, "+ACK");
                return;
            } else {
                Reply(fd, "+ACK");
            }
        }
    }
};

std::string Letter(ULONG sender, const std::string &text)
{
    std::string b(284, '\0');
    std::memcpy(&b[0], "SMAL", 4);
    b[276] = (char)(sender >> 24);
    b[277] = (char)(sender >> 16);
    b[278] = (char)(sender >> 8);
    b[279] = (char)sender;
    return b + text + NUL;
}

struct JobRun {
    BOOL connect = 0, sid = 0, job = 0, quit = 0;
    std::string received;
};

// One job as the callers run it: Connect, SetSID, the job, Quit.
JobRun RunJob(StandIn &server, BOOL (*job)(Vek_TCPData *), ULONG sid, const std::string &data = "")
{
    JobRun r;
    {
        LoopPeer peer([&server](int fd) { server.Serve(fd); });
        Vek_TCPData d{};
        std::snprintf(d.IPAdresse, sizeof d.IPAdresse, "%s", peer.server().c_str());
        d.SpielerID = sid;
        d.Buffer = data.empty() ? nullptr : (APTR)data.data();
        d.BufferLen = (ULONG)data.size();
        std::snprintf(d.Dir, sizeof d.Dir, "in/");
        r.connect = SendPacket_Connect(&d);
        if (r.connect) {
            r.sid = SendPacket_SetSID(&d);
            if (r.sid) r.job = job(&d);
            r.quit = SendPacket_Quit(&d);
        }
        EXPECT_EQ(d.MainSocket, nullptr);  // closed in every case
    }
    r.received = server.received;
    return r;
}

size_t FileCount()
{
    size_t n = 0;
    for (auto &e : std::filesystem::directory_iterator("in")) (void)e, ++n;
    return n;
}

std::string FileText(const std::string &path)
{
    auto b = vektest::ReadBytes(path);
    return std::string(b.begin(), b.end());
}

}  // namespace

TEST(PacketAckLength, NumberBehindTheAcknowledgement)
{
    struct Row {
        const char *reply;
        bool ok;
        ULONG length;
    } rows[] = {
        {"+ACK 5", true, 5}, {"+ACK 12  ", true, 12}, {"+ACK 33554432", true, NET_MAIL_MAX},
        {"+ACK", false, 0}, {"+ACK ", false, 0}, {"+ACK x", false, 0}, {"+ACK 5x", true, 5}, {"+ACK 12 bytes follow", true, 12},
        {"+ACK 33554433", false, 0}, {"+ACK 99999999999999999999", false, 0}, {"-ERR 5", false, 0},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.reply);
        ULONG len = 77;
        EXPECT_EQ(PacketAckLength(r.reply, (ULONG)std::strlen(r.reply), NET_MAIL_MAX, &len), r.ok ? 1 : 0);
        if (r.ok) {
            EXPECT_EQ(len, r.length);
        }
    }
}

TEST(PacketStandIn, HandInExactBytesWhateverTheServerTiming)
{
    const std::string expect = "+HEL" + NUL + "+VER 0.01" + NUL + "+SID 1234" + NUL + "+PUT 5" + NUL + "hello" + "+QUI" + NUL;
    struct Row {
        const char *name;
        bool trickle, coalesce;
        std::string terminator;
    } rows[] = {
        {"replies ended by NUL", false, false, NUL},
        {"replies trickled byte by byte", true, false, NUL},
        {"replies ended by CR LF", false, true, "\r\n"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        ScratchDir dir;
        StandIn server;
        server.trickle = r.trickle;
        server.coalesce = r.coalesce;
        server.terminator = r.terminator;
        JobRun run = RunJob(server, SendPacket_Put, 1234, "hello");
        EXPECT_EQ(run.connect + run.sid + run.job + run.quit, 4);
        EXPECT_EQ(run.received, expect);
    }
}

TEST(PacketStandIn, LetterToEveryone)
{
    ScratchDir dir;
    StandIn server;
    std::string letter = Letter(0x12, "hi all");
    JobRun run = RunJob(server, SendPacket_Msg, 0xFFFFFFFFu, letter);
    EXPECT_EQ(run.job, 1);
    EXPECT_EQ(run.received, "+HEL" + NUL + "+VER 0.01" + NUL + "+SID -1" + NUL + "+MSG " +
                                std::to_string(letter.size()) + NUL + letter + "+QUI" + NUL);
}

TEST(PacketStandIn, FetchTheGameMail)
{
    struct Row {
        const char *name;
        bool coalesce, trickle;
    } rows[] = {{"reply and block apart", false, false}, {"reply and block in one write", true, false},
                {"one byte at a time", false, true}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        ScratchDir dir;
        vektest::MakeDirs("in");
        StandIn server;
        server.coalesce = r.coalesce;
        server.trickle = r.trickle;
        server.mail = std::string("\0\r\n+ACK 3\0binary", 16) + std::string(3000, 'm');
        JobRun run = RunJob(server, SendPacket_Get, 1234);
        EXPECT_EQ(run.job, 1);
        EXPECT_EQ(run.quit, 1);
        EXPECT_TRUE(FileText("in/00001234.email") == server.mail);
        EXPECT_EQ(run.received, "+HEL" + NUL + "+VER 0.01" + NUL + "+SID 1234" + NUL + "+GET" + NUL + "+QUI" + NUL);
    }
    // A second mail does not overwrite the first, still unprocessed one.
    ScratchDir dir;
    vektest::MakeDirs("in");
    vektest::WriteText("in/00001234.email", "older");
    StandIn server;
    EXPECT_EQ(RunJob(server, SendPacket_Get, 1234).job, 1);
    EXPECT_EQ(FileText("in/00001234.email"), "older");
    EXPECT_EQ(FileText("in/00001234.email.1"), server.mail);
}

TEST(PacketStandIn, BadMailTransfersStoreNothing)
{
    struct Row {
        const char *name;
        bool shortBlock;
        std::string length;
    } rows[] = {
        {"short block", true, ""},
        {"length of 4 GB", false, "4294967295"},
        {"length above the cap", false, std::to_string(NET_MAIL_MAX + 1)},
        {"length not a number", false, "lots"},
        {"length zero", false, "0"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        ScratchDir dir;
        vektest::MakeDirs("in");
        StandIn server;
        server.shortBlock = r.shortBlock;
        server.getLength = r.length;
        JobRun run = RunJob(server, SendPacket_Get, 1234);
        EXPECT_EQ(run.job, 0);
        EXPECT_EQ(FileCount(), 0u);
    }
}

TEST(PacketStandIn, FetchLetters)
{
    ScratchDir dir;
    vektest::MakeDirs("in");
    StandIn server;
    server.letters = {Letter(0x12, "one"), Letter(0x12, "two"), Letter(0xABCDEF1, "three")};
    server.coalesce = true;
    JobRun run = RunJob(server, SendPacket_Mal, 1234);
    EXPECT_EQ(run.job, 1);
    EXPECT_EQ(FileText("in/E0000012_00.smal"), server.letters[0]);
    EXPECT_EQ(FileText("in/E0000012_01.smal"), server.letters[1]);
    EXPECT_EQ(FileText("in/Eabcdef1_00.smal"), server.letters[2]);

    ScratchDir none;
    vektest::MakeDirs("in");
    StandIn empty;
    EXPECT_EQ(RunJob(empty, SendPacket_Mal, 1234).job, 1);  // the end reply at once: done, no file
    EXPECT_EQ(FileCount(), 0u);

    ScratchDir bad;
    vektest::MakeDirs("in");
    StandIn odd;
    odd.letters = {std::string(300, 'x'), "SMAL short", Letter(0x12, "good")};
    EXPECT_EQ(RunJob(odd, SendPacket_Mal, 1234).job, 0);  // no letters: not stored, reported
    EXPECT_EQ(FileCount(), 1u);
    EXPECT_EQ(FileText("in/E0000012_00.smal"), odd.letters[2]);
}

TEST(PacketStandIn, RefusalAtEachStep)
{
    struct Row {
        std::string refuse;
        BOOL (*job)(Vek_TCPData *);
        JobRun expect;      // connect, sid, job, quit
        std::string sent;   // commands after +SID
    } rows[] = {
        {"+HEL", SendPacket_Put, {0, 0, 0, 0, ""}, ""},
        {"+VER", SendPacket_Put, {0, 0, 0, 0, ""}, ""},
        {"+SID", SendPacket_Put, {1, 0, 0, 1, ""}, "+QUI" + NUL},
        {"+PUT", SendPacket_Put, {1, 1, 0, 1, ""}, "+PUT 5" + NUL + "+QUI" + NUL},
        {"+PUT block", SendPacket_Put, {1, 1, 0, 1, ""}, "+PUT 5" + NUL + "hello+QUI" + NUL},
        {"+MSG block", SendPacket_Msg, {1, 1, 0, 1, ""}, "+MSG 5" + NUL + "hello+QUI" + NUL},
        {"+GET", SendPacket_Get, {1, 1, 0, 1, ""}, "+GET" + NUL + "+QUI" + NUL},
        {"+QUI", SendPacket_Put, {1, 1, 1, 0, ""}, "+PUT 5" + NUL + "hello+QUI" + NUL},
    };
    for (auto &r : rows) {
        SCOPED_TRACE(r.refuse);
        ScratchDir dir;
        vektest::MakeDirs("in");
        StandIn server;
        server.refuse = r.refuse;
        JobRun run = RunJob(server, r.job, 1234, "hello");
        EXPECT_EQ(run.connect, r.expect.connect);
        EXPECT_EQ(run.sid, r.expect.sid);
        EXPECT_EQ(run.job, r.expect.job);
        EXPECT_EQ(run.quit, r.expect.quit);
        std::string head = "+HEL" + NUL + "+VER 0.01" + NUL + "+SID 1234" + NUL;
        if (r.expect.connect) {
            EXPECT_EQ(run.received, head + r.sent);
        }
    }
}

TEST(PacketStandIn, SilentServerAndNoServer)
{
    ScratchDir dir;
    StandIn server;
    server.silentAt = "+HEL";
    ULONG saved = NetCfg.ReceiveTimeoutMs;
    NetCfg.ReceiveTimeoutMs = 300;
    auto t0 = std::chrono::steady_clock::now();
    JobRun run = RunJob(server, SendPacket_Put, 1234, "hello");
    NetCfg.ReceiveTimeoutMs = saved;
    EXPECT_EQ(run.connect, 0);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count(),
              5000);

    Vek_TCPData d{};
    std::snprintf(d.IPAdresse, sizeof d.IPAdresse, "127.0.0.1:%d", FreePort());
    vektest::StdoutCapture cap;
    EXPECT_EQ(SendPacket_Connect(&d), 0);
    EXPECT_EQ(cap.Take(), "SendPacket: Konnte nicht zum Server konnektieren\n");
    std::snprintf(d.IPAdresse, sizeof d.IPAdresse, "gameserver.invalid");
    EXPECT_EQ(SendPacket_Connect(&d), 0);
    EXPECT_EQ(SendPacket_Quit(&d), 0);  // nothing open: nothing to do
}

// A server that acknowledges +PUT and then takes no data must not hold the
// client: the hand-in fails after the connection's time limit.
TEST(PacketLoopback, ServerThatStopsReadingFailsTheHandIn)
{
    std::atomic<bool> over{false};
    LoopPeer peer([&over](int fd) {
        for (int i = 0; i < 4; ++i) {  // +HEL, +VER, +SID, +PUT
            ReadUntil(fd, NUL);
            WriteAll(fd, "+ACK" + NUL);
        }
        for (int i = 0; i < 1000 * vektest::SlowFactor() && !over; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    });
    std::string mail(64u << 20, 'm');
    Vek_TCPData d{};
    std::snprintf(d.IPAdresse, sizeof d.IPAdresse, "%s", peer.server().c_str());
    d.SpielerID = 1;
    d.Buffer = mail.data();
    d.BufferLen = (ULONG)mail.size();
    ULONG saved = NetCfg.ReceiveTimeoutMs;
    NetCfg.ReceiveTimeoutMs = 300;
    auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(SendPacket_Connect(&d), 1);
    EXPECT_EQ(SendPacket_SetSID(&d), 1);
    EXPECT_EQ(SendPacket_Put(&d), 0);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    SendPacket_Quit(&d);
    NetCfg.ReceiveTimeoutMs = saved;
    over = true;
    EXPECT_LT(ms, 3000 * vektest::SlowFactor());
}
