// Stack choice, the reachability probe, going online with the forum address
// query, the configured servers and the hardware address.
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

#include "common/testutil.h"
#include "nettest.h"
#include "net/net.h"
#include "platform/system.h"

using namespace nettest;

namespace {

// Keeps the global records and settings of one test apart from the next.
class Online : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedCfg_ = NetCfg;
        savedSystem_ = UserSystem;
        savedPlayer_ = PlayerInfo;
        std::snprintf(NetCfg.ProbeHost1, sizeof NetCfg.ProbeHost1, "nothing.invalid");
        std::snprintf(NetCfg.ProbeHost2, sizeof NetCfg.ProbeHost2, "localhost");
        std::snprintf(NetCfg.WebServer, sizeof NetCfg.WebServer, "www.vek.invalid");
        NetCfg.ProbeWaits = 5;
        NetCfg.ProbeWaitTicks = 1;
        UserSystem.TCPIP_ID = 0;
        UserSystem.VekFlags = 0;
        UserSystem.OP.TCPIP_Flags = 0x15;
        PlayerInfo.ForumURL[0] = 0;
        PlayerInfo.ForumServer[0] = 0;
        NetChiefOpenHook = [](const char *text) -> APTR {
            boxes_ += std::string("open:") + text + "|";
            return (APTR)&boxes_;
        };
        NetChiefCloseHook = [](APTR) { boxes_ += "close|"; };
        NetChiefMessageHook = [](const char *text) { boxes_ += std::string("message:") + text + "|"; };
        boxes_.clear();
    }
    void TearDown() override
    {
        NetCfg = savedCfg_;
        UserSystem = savedSystem_;
        PlayerInfo = savedPlayer_;
        NetChiefOpenHook = nullptr;
        NetChiefCloseHook = nullptr;
        NetChiefMessageHook = nullptr;
    }
    static std::string boxes_;

private:
    NetConfig savedCfg_;
    PcSystem savedSystem_;
    st_PlayerInfo savedPlayer_;
};
std::string Online::boxes_;

const char *kFirewall = "Vek konnte trotz bestehender Verbindung kein Kontakt zum Internet aufnehmen. Haben sie eine "
                        "Firewall ? Ist Vek dort freigeschaltet ?";

}  // namespace

TEST_F(Online, StackChoice)
{
    UserSystem.TCPIP_ID = (char)255;
    vektest::StdoutCapture cap;
    EXPECT_EQ(Start_TCP_IP(), -1);
    EXPECT_EQ(Quit_TCP_IP(), -1);
    EXPECT_EQ(cap.Take(), "Start_TCP_IP: Kein TCP/IP-Stack gew\344hlt!\nQuit_TCP_IP: Kein TCP/IP-Stack gew\344hlt!\n");
    EXPECT_EQ(UserSystem.VekFlags, 0u);

    UserSystem.TCPIP_ID = 0;
    EXPECT_EQ(Start_TCP_IP(), 1);
    EXPECT_EQ(UserSystem.VekFlags & VEKFLAG_ONLINE, 0u);
    UserSystem.TCPIP_ID = 4;
    EXPECT_EQ(Start_TCP_IP(), 1);
    EXPECT_EQ(UserSystem.VekFlags & VEKFLAG_ONLINE, VEKFLAG_ONLINE);
    EXPECT_EQ(Quit_TCP_IP(), 0);
    EXPECT_EQ(UserSystem.VekFlags & VEKFLAG_ONLINE, VEKFLAG_ONLINE);  // nothing else is torn down

    EXPECT_EQ(GoOffline(), 1);
    EXPECT_EQ(UserSystem.VekFlags & VEKFLAG_ONLINE, VEKFLAG_ONLINE);
    Vek_WasOnline = 0;
    EXPECT_EQ(GoOffline(), 1);
    Vek_WasOnline = 1;
    EXPECT_EQ(UserSystem.VekFlags & VEKFLAG_ONLINE, 0u);
}

TEST_F(Online, ProbeSecondHostSuffices)
{
    EXPECT_EQ(CheckInetConnection(), 1);
    EXPECT_EQ(UserSystem.OP.TCPIP_Flags, 0x15);
}

TEST_F(Online, ProbeGivesUpAfterTheLastWaitAndTurnsThePanelOff)
{
    std::snprintf(NetCfg.ProbeHost2, sizeof NetCfg.ProbeHost2, "other.invalid:80");
    NetCfg.ProbeWaits = 5;
    NetCfg.ProbeWaitTicks = 2;
    vektest::StdoutCapture cap;
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(CheckInetConnection(), 0);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_EQ(cap.Take(), "Routine: CheckInetConnectionTask start\nCheckInetConnection: IRCPanel deaktiviert!\n"
                          "Routine: CheckInetConnectionTask end\n");
    EXPECT_GE(ms, 5 * 2 * 20 - 10);
    EXPECT_EQ(UserSystem.OP.TCPIP_Flags, 0x05);
}

TEST_F(Online, GoingOnlineAsksForTheForumAddressOnce)
{
    struct Row {
        const char *name;
        std::string reply;
        std::string url, server;
    } rows[] = {
        {"address in the body", "HTTP/1.0 200 OK\r\nContent-Length: 26\r\n\r\nhttp://forum.test/board/\r\n",
         "http://forum.test/board/", "forum.test"},
        {"no address", "HTTP/1.0 200 OK\r\n\r\nnot yet", "", ""},
        {"an address in a header only", "HTTP/1.0 302 Found\r\nLocation: http://elsewhere.test/\r\n\r\nmoved", "",
         ""},
        {"very long address", "HTTP/1.0 200 OK\r\n\r\nhttp://" + std::string(60, 's') + "/" + std::string(40, 'p'),
         "http://" + std::string(60, 's') + "/" + std::string(11, 'p'), std::string(39, 's')},
    };
    for (auto &r : rows) {
        SCOPED_TRACE(r.name);
        PlayerInfo.ForumURL[0] = 0;
        PlayerInfo.ForumServer[0] = 0;
        std::string request;
        {
            LoopPeer web([&](int fd) {
                request = ReadUntil(fd, "\r\n\r\n");
                WriteAll(fd, r.reply);
            });
            std::snprintf(NetCfg.WebServer, sizeof NetCfg.WebServer, "%s", web.server().c_str());
            EXPECT_EQ(GoOnline(), 1);
        }
        EXPECT_EQ(request, "GET http://" + std::string(NetCfg.WebServer) + "/baseurl/ HTTP/1.0\r\n\r\n");
        EXPECT_EQ(std::string(PlayerInfo.ForumURL), r.url);
        EXPECT_EQ(std::string(PlayerInfo.ForumServer), r.server);
    }
    EXPECT_EQ(UserSystem.VekFlags & VEKFLAG_ONLINE, VEKFLAG_ONLINE);
    EXPECT_EQ((UBYTE)UserSystem.TCPIP_ID & 4, 4);

    // Known already: no query.
    int connections = 0;
    {
        LoopPeer web([&](int) { ++connections; });
        std::snprintf(NetCfg.WebServer, sizeof NetCfg.WebServer, "%s", web.server().c_str());
        std::snprintf(PlayerInfo.ForumURL, sizeof PlayerInfo.ForumURL, "http://kept.test/");
        EXPECT_EQ(GoOnline(), 1);
    }
    EXPECT_EQ(connections, 0);
    EXPECT_STREQ(PlayerInfo.ForumURL, "http://kept.test/");
}

TEST_F(Online, UnreachableNetShowsTheFirewallQuestion)
{
    std::snprintf(NetCfg.ProbeHost2, sizeof NetCfg.ProbeHost2, "other.invalid");
    EXPECT_EQ(GoOnline(), 0);
    EXPECT_EQ(boxes_, std::string("open:Try to go online...|close|message:") + kFirewall + "|");
    EXPECT_EQ(UserSystem.VekFlags & VEKFLAG_ONLINE, 0u);
    EXPECT_EQ(UserSystem.OP.TCPIP_Flags & 0x10, 0);
    EXPECT_EQ(PlayerInfo.ForumURL[0], 0);  // the web server is unknown as well
}

TEST_F(Online, ServersFromTheEnvironment)
{
    setenv("VEK_PROBE_HOSTS", "one.test,two.test:8080", 1);
    setenv("VEK_WEB_SERVER", "web.test:8000", 1);
    setenv("VEK_GAME_SERVER", "game.test:10001", 1);
    setenv("VEK_NET_TIMEOUT", "30", 1);
    NetConfigLoad();
    unsetenv("VEK_PROBE_HOSTS");
    unsetenv("VEK_WEB_SERVER");
    unsetenv("VEK_GAME_SERVER");
    unsetenv("VEK_NET_TIMEOUT");
    EXPECT_STREQ(NetCfg.ProbeHost1, "one.test");
    EXPECT_STREQ(NetCfg.ProbeHost2, "two.test:8080");
    EXPECT_STREQ(NetCfg.WebServer, "web.test:8000");
    EXPECT_STREQ(NetCfg.GameServer, "game.test:10001");
    EXPECT_EQ(NetCfg.ReceiveTimeoutMs, 30000u);
}

TEST(GetMacAddress, TwelveLowerCaseHexDigitsWhenFound)
{
    char buf[16];
    std::memset(buf, '#', sizeof buf);
    ULONG len = 0;
    if (!GetMacAddress(buf, &len)) GTEST_SKIP() << "this machine has no interface with a hardware address";
    EXPECT_EQ(len, 12u);
    for (int i = 0; i < 12; ++i) EXPECT_TRUE(std::strchr("0123456789abcdef", buf[i])) << buf[i];
    EXPECT_EQ(buf[12], '#');  // no terminator written
}
