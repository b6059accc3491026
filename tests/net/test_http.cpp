// Web-script queries against a small stand-in web server on loopback.
#include <chrono>
#include <cstring>
#include <gtest/gtest.h>

#include "common/testutil.h"
#include "nettest.h"
#include "net/netproto.h"
#include "platform/memfile.h"

using namespace nettest;

namespace {

// Reads one request, keeps it, and answers with the given bytes.
struct WebStandIn {
    std::string reply;
    bool trickle = false;
    std::string request;
    void Serve(int fd)
    {
        request = ReadUntil(fd, "\r\n\r\n");
        if (trickle) WriteTrickle(fd, reply, 0);
        else WriteAll(fd, reply);
    }
};

struct Query {
    std::string reply;  // "<null>" for none
    std::string request;
};

Query Ask(WebStandIn &web, const std::string &side)
{
    Query q;
    {
        LoopPeer peer([&web](int fd) { web.Serve(fd); });
        std::string url = "http://" + peer.server() + side;
        char *r = CallPHP(peer.server().c_str(), url.c_str());
        q.reply = r ? r : "<null>";
        FreeVec(r);
    }
    q.request = web.request;
    return q;
}

}  // namespace

TEST(ConvertASCToPHPString, BlanksAndLineBreaks)
{
    struct Row {
        const char *in, *out;
    } rows[] = {
        {"a b", "a%20b"}, {"x\r\ny", "x%0ay"}, {"  ", "%20%20"}, {"", ""}, {"check_user.php?u=A&e=b@c", "check_user.php?u=A&e=b@c"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.in);
        char *s = ConvertASCToPHPString(r.in);
        ASSERT_NE(s, nullptr);
        EXPECT_STREQ(s, r.out);
        FreeVec(s);
    }
    EXPECT_EQ(ConvertASCToPHPString(nullptr), nullptr);
}

TEST(CallPHP, RequestLineIsTheAbsoluteUrlAlone)
{
    WebStandIn web;
    web.reply = "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\n60";
    Query q = Ask(web, "/check_user.php?username=Al Bert\nx\r");
    EXPECT_EQ(q.request.substr(0, 11), "GET http://");
    EXPECT_NE(q.request.find("/check_user.php?username=Al%20Bert%0ax HTTP/1.0\r\n\r\n"), std::string::npos);
    EXPECT_EQ(q.request.find("Host:"), std::string::npos);
    EXPECT_EQ(q.reply, web.reply);
}

TEST(CallPHP, RepliesWithAndWithoutLength)
{
    std::string big(150000, 'b');
    for (size_t i = 0; i < big.size(); i += 1000) big[i] = '\n';
    struct Row {
        const char *name;
        std::string reply;
        bool trickle;
        std::string expect;
    } rows[] = {
        {"length given", "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\n60", false, ""},
        {"length in lower case, more bytes behind", "HTTP/1.0 200 OK\r\ncontent-length: 2\r\n\r\n60 and more",
         false, "HTTP/1.0 200 OK\r\ncontent-length: 2\r\n\r\n60"},
        {"length given, trickled", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\n200\nn", true, ""},
        {"no length: read until closed", "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + big, false, ""},
        {"short body is returned as far as it came", "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n123", false, ""},
        {"absurd length", "HTTP/1.0 200 OK\r\nContent-Length: 99999999999\r\n\r\n123", false, "<null>"},
        {"headers only", "HTTP/1.0 204 No Content\r\n", false, ""},
        {"nothing at all", "", false, "<null>"},
    };
    for (auto &r : rows) {
        SCOPED_TRACE(r.name);
        WebStandIn web;
        web.reply = r.reply;
        web.trickle = r.trickle;
        Query q = Ask(web, "/baseurl/");
        std::string expect = r.expect.empty() ? r.reply : r.expect;
        EXPECT_TRUE(q.reply == expect) << q.reply.substr(0, 100);
    }
}

TEST(CallPHP, UnknownHostAndClosedPort)
{
    vektest::StdoutCapture cap;
    EXPECT_EQ(CallPHP("www.nowhere.invalid", "http://www.nowhere.invalid/baseurl/"), nullptr);
    EXPECT_EQ(cap.Take(), "www.nowhere.invalid\nCouldn't resolve hostname...\n");
    std::string closed = "127.0.0.1:" + std::to_string(FreePort());
    vektest::StdoutCapture cap2;
    EXPECT_EQ(CallPHP(closed.c_str(), "http://x/baseurl/"), nullptr);
    EXPECT_EQ(cap2.Take(), closed + "\nCouldn't create socket...\n");
}

TEST(CallPHP, SilentServerGivesNoReplyInBoundedTime)
{
    ULONG saved = NetCfg.ReceiveTimeoutMs;
    NetCfg.ReceiveTimeoutMs = 300;
    auto t0 = std::chrono::steady_clock::now();
    char *r;
    {
        LoopPeer peer([](int fd) { ReadAll(fd, 3000); });
        r = CallPHP(peer.server().c_str(), "http://x/baseurl/");
    }
    NetCfg.ReceiveTimeoutMs = saved;
    EXPECT_EQ(r, nullptr);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count(),
              5000);
}

// Headers and body together may take up to the cap; a length that would pass
// it is refused before anything is read into the reply.
TEST(HttpMachine, AnnouncedLengthNearTheCap)
{
    const std::string head = "HTTP/1.0 200 OK\r\nContent-Length: ";
    auto headerBytes = [&](ULONG length) { return head.size() + std::to_string(length).size() + 4; };
    const ULONG fits = NET_MAIL_MAX - (ULONG)headerBytes(NET_MAIL_MAX - 60);
    struct Row {
        const char *name;
        ULONG length;
        bool refused;
    } rows[] = {
        {"headers plus body exactly at the cap", fits, false},
        {"one byte over the cap with the headers", fits + 1, true},
        {"just under the cap, headers push it over", 33554400, true},
        {"the cap itself", NET_MAIL_MAX, true},
        {"just over the cap", NET_MAIL_MAX + 1, true},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        std::string reply = head + std::to_string(r.length) + "\r\n\r\n";
        Script s = Replies({reply, "body"});
        VekConn *c = ScriptConn(s);
        HttpMachine m;
        ASSERT_TRUE(HttpBegin(&m, "http://x/baseurl/"));
        vektest::StdoutCapture cap;
        NetRunDialog(c, &m.D, HttpFeed, &m);
        char *got = HttpTakeReply(&m);
        std::string out = cap.Take();
        if (r.refused) {
            EXPECT_EQ(got, nullptr);
            EXPECT_NE(out.find("CallPHP: Content-Length zu gross"), std::string::npos) << out;
        } else {
            ASSERT_NE(got, nullptr);
            EXPECT_EQ(std::string(got), reply + "body");  // as far as it came
        }
        FreeVec(got);
        HttpEnd(&m);
        NetClose(c);
    }
}
