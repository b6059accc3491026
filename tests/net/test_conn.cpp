// The connection layer: server addresses, the buffered reader under split,
// joined and trickling input, time limits, and the shared send/receive helpers.
#include <chrono>
#include <cstring>
#include <gtest/gtest.h>

#include "common/testutil.h"
#include "nettest.h"
#include "net/net.h"
#include "net/netconn.h"
#include "platform/memfile.h"

using namespace nettest;

namespace {

std::string Line(VekConn *c, UWORD mode)
{
    const UBYTE *p = nullptr;
    ULONG n = 0;
    if (!NetReadLine(c, mode, &p, &n)) return "<fail>";
    return std::string((const char *)p, n);
}

std::string Block(VekConn *c, ULONG n)
{
    std::string b(n, '\0');
    ULONG got = NetReadBlock(c, (UBYTE *)b.data(), n);
    b.resize(got);
    return b;
}

}  // namespace

TEST(NetSplitServer, HostAndOptionalPort)
{
    struct Row {
        const char *name, *server;
        bool ok;
        const char *host;
        UWORD port;
    } rows[] = {
        {"plain host takes the default", "mail.test", true, "mail.test", 25},
        {"port behind the colon", "mail.test:587", true, "mail.test", 587},
        {"highest port", "127.0.0.1:65535", true, "127.0.0.1", 65535},
        {"empty port", "mail.test:", false, "", 0},
        {"no host", ":25", false, "", 0},
        {"port zero", "mail.test:0", false, "", 0},
        {"port too high", "mail.test:65536", false, "", 0},
        {"port not a number", "mail.test:2x5", false, "", 0},
        {"empty", "", false, "", 0},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        char host[64] = "unchanged";
        UWORD port = 1;
        ASSERT_EQ(NetSplitServer(r.server, host, sizeof host, &port, 25), r.ok ? 1 : 0);
        if (r.ok) {
            EXPECT_STREQ(host, r.host);
            EXPECT_EQ(port, r.port);
        }
    }
    char host[64];
    UWORD port;
    std::string longest(63, 'h'), tooLong(64, 'h');
    EXPECT_EQ(NetSplitServer(longest.c_str(), host, sizeof host, &port, 110), 1);
    EXPECT_EQ(NetSplitServer(tooLong.c_str(), host, sizeof host, &port, 110), 0);
}

TEST(NetReader, TextLinesSplitJoinedAndTrickled)
{
    const std::string text = "+OK ready\r\nsecond line\r\n.\r\n";
    Script pieces[] = {
        Replies({text}),                                       // all in one piece
        Replies({"+OK re", "ady\r", "\nsecond line\r\n.", "\r\n"}),  // split anywhere
        Trickle(text),                                         // one byte per receive
    };
    for (auto &s : pieces) {
        VekConn *c = ScriptConn(s);
        EXPECT_EQ(Line(c, NETLINE_TEXT), "+OK ready\r\n");
        EXPECT_EQ(Line(c, NETLINE_TEXT), "second line\r\n");
        EXPECT_EQ(Line(c, NETLINE_TEXT), ".\r\n");
        EXPECT_EQ(Line(c, NETLINE_TEXT), "<fail>");
        EXPECT_EQ(c->LastError, NETERR_CLOSED);
        NetClose(c);
    }
}

TEST(NetReader, LastLineWithoutLineEndAndOverlongLine)
{
    Script s = Replies({"221 bye"});
    VekConn *c = ScriptConn(s);
    EXPECT_EQ(Line(c, NETLINE_TEXT), "221 bye");
    NetClose(c);

    std::string huge(NETCONN_BUFFER + 100, 'x');
    Script t = Replies({huge + "\r\nnext\r\n"});
    c = ScriptConn(t);
    std::string first = Line(c, NETLINE_TEXT);
    EXPECT_EQ(first.size(), NETCONN_BUFFER);  // a piece of the long line
    EXPECT_EQ(Line(c, NETLINE_TEXT), std::string(100, 'x') + "\r\n");
    EXPECT_EQ(Line(c, NETLINE_TEXT), "next\r\n");
    NetClose(c);
}

TEST(NetReader, SilenceAndErrorsFailTheRead)
{
    Script s;
    s.steps = {D("+OK"), Silence()};
    VekConn *c = ScriptConn(s);
    EXPECT_EQ(Line(c, NETLINE_TEXT), "<fail>");
    EXPECT_EQ(c->LastError, NETERR_TIMEOUT);
    NetClose(c);

    Script e;
    e.steps = {Broken()};
    c = ScriptConn(e);
    EXPECT_EQ(Line(c, NETLINE_PACKET), "<fail>");
    EXPECT_EQ(c->LastError, NETERR_SOCKET);
    NetClose(c);
}

TEST(NetReader, PacketRepliesAndTheBlocksBehindThem)
{
    struct Row {
        const char *name;
        Script script;
    } rows[] = {
        {"NUL, reply and block in one write", Replies({std::string("+ACK 5\0hello+ACK\0", 17)})},
        {"CR LF in separate pieces", Replies({"+ACK 5\r", "\nhello", "+ACK\r\n"})},
        {"LF only, trickled", Trickle("+ACK 5\nhello+ACK\n")},
        {"stray terminators before a reply", Replies({std::string("\0\r\n+ACK 5\0hello\0\0+ACK\0", 23)})},
    };
    for (auto &r : rows) {
        SCOPED_TRACE(r.name);
        VekConn *c = ScriptConn(r.script);
        EXPECT_EQ(Line(c, NETLINE_PACKET), "+ACK 5");
        EXPECT_EQ(Block(c, 5), "hello");
        EXPECT_EQ(Line(c, NETLINE_PACKET), "+ACK");
        NetClose(c);
    }
}

TEST(NetReader, PacketReplyIsBounded)
{
    Script s = Replies({"+ACK " + std::string(NET_REPLY_MAX + 10, '9')});
    s.steps.push_back(Silence());
    VekConn *c = ScriptConn(s);
    EXPECT_EQ(Line(c, NETLINE_PACKET), "<fail>");
    EXPECT_EQ(c->LastError, NETERR_TOOLONG);
    NetClose(c);
}

TEST(NetReader, BlocksLargeAndShort)
{
    std::string big(200000, 'b');
    for (size_t i = 0; i < big.size(); ++i) big[i] = (char)(i * 7);
    Script s = Replies({std::string("+ACK 200000") + '\0' + big.substr(0, 1000), big.substr(1000)});
    VekConn *c = ScriptConn(s);
    EXPECT_EQ(Line(c, NETLINE_PACKET), "+ACK 200000");
    EXPECT_TRUE(Block(c, 200000) == big);
    NetClose(c);

    Script t = Replies({"abc"});
    c = ScriptConn(t);
    EXPECT_EQ(Block(c, 10), "abc");
    EXPECT_EQ(c->LastError, NETERR_CLOSED);
    NetClose(c);
}

TEST(NetHelpers, SendAndRecvRefuseEmptyCallsWithoutTouchingTheConnection)
{
    Script s = Replies({"data"});
    VekConn *c = ScriptConn(s);
    char buf[8];
    EXPECT_EQ(VekNet::send(c, buf, 0, 0), -1);
    EXPECT_EQ(VekNet::send(c, nullptr, 5, 0), -1);
    EXPECT_EQ(VekNet::recv(c, buf, 0, 0), -1);
    EXPECT_EQ(VekNet::recv(c, nullptr, 5, 0), -1);
    EXPECT_EQ(s.pulls, 0);
    EXPECT_EQ(s.sent, "");
    EXPECT_EQ(VekNet::send(c, "abc", 3, 0), 3);
    EXPECT_EQ(VekNet::recv(c, buf, 8, 0), 4);
    EXPECT_EQ(s.sent, "abc");
    NetClose(c);
}

TEST(NetHelpers, ReplyReadAndReceiveAll)
{
    Script s = Replies({"+ACK"});
    s.failSendAfter = 2;
    VekConn *c = ScriptConn(s);
    ULONG before = MemAllocatedCounter.load();
    char *reply = nullptr;
    EXPECT_EQ(TCPIP_IO(nullptr, c, "+HEL", 5, &reply, 0), 0);  // a short send
    s.failSendAfter = std::string::npos;
    EXPECT_EQ(TCPIP_IO(nullptr, c, "+HEL", 5, &reply, 0), 1);
    EXPECT_EQ(reply, nullptr);
    EXPECT_EQ(MemAllocatedCounter.load(), before);  // nothing allocated without a receive
    EXPECT_EQ(TCPIP_IO(nullptr, c, nullptr, 0, &reply, 1), 1);
    ASSERT_NE(reply, nullptr);
    EXPECT_STREQ(reply, "+ACK");
    FreeVec(reply);
    NetClose(c);

    Script t = Replies({"12345"});
    c = ScriptConn(t);
    char buf[10];
    vektest::StdoutCapture cap;
    EXPECT_EQ(TCPIP_RecvAll(nullptr, c, buf, 10), 5u);
    std::string out = cap.Take();
    EXPECT_NE(out.find("TCPIP_RecvAll: Fehler beim Buffer empfangen... Empfangende Bytes 5\n"), std::string::npos);
    EXPECT_NE(out.find("TCPIP_RecvAll: Fehler! "), std::string::npos);
    EXPECT_NE(out.find("TCPIP_RecvAll: CompleteBytes 5\n"), std::string::npos);
    NetClose(c);
}

TEST(NetConnect, SilentPeerTimesOutInsteadOfHanging)
{
    LoopPeer peer([](int fd) { ReadAll(fd, 3000 * vektest::SlowFactor()); });
    int why = 0;
    VekConn *c = NetConnect("127.0.0.1", (UWORD)peer.port(), &why);
    ASSERT_NE(c, nullptr);
    c->TimeoutMs = 300;
    auto t0 = std::chrono::steady_clock::now();
    const UBYTE *p;
    ULONG n;
    EXPECT_EQ(NetReadLine(c, NETLINE_TEXT, &p, &n), 0);
    EXPECT_EQ(c->LastError, NETERR_TIMEOUT);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_GE(ms, 250);
    EXPECT_LT(ms, 3000 * vektest::SlowFactor());
    NetClose(c);
}

TEST(NetConnect, UnknownHostAndRefusedPort)
{
    int why = 0;
    EXPECT_EQ(NetConnect("no-such-host.invalid", 25, &why), nullptr);
    EXPECT_EQ(why, 1);
    int port = FreePort();  // nothing listens there
    EXPECT_EQ(NetConnect("127.0.0.1", (UWORD)port, &why), nullptr);
    EXPECT_EQ(why, 2);
}
