// The chat panel: which lines are chat lines and how they are labelled, how
// a long message falls into pieces, the panel without its option, the queue
// of a hidden panel, and the strip drawn at 8 and 32 bits on the demo set
// from a real ngircd.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>
#include <map>

#include "common/demoscreen.h"
#include "common/sdlharness.h"
#include "nettest.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "net/irc.h"
#include "net/net.h"
#include "net/netconn.h"
#include "platform/memfile.h"
#include "platform/system.h"

using namespace nettest;

namespace {

BOOL ResolveLoopback(const char *, ULONG *address)
{
    *address = htonl(INADDR_LOOPBACK);
    return 1;
}

ULONG EightPixels(void *, UBYTE) { return 8; }

}  // namespace

TEST(IrcPanelLines, OnlyChatLinesOfTheChannelWithTheirLabel)
{
    struct Row {
        const char *line;
        BOOL chat;
        const char *label, *message;
        UWORD pen;
    } rows[] = {
        {":Anna_Vek!~a@h PRIVMSG #Orvel :Hello\r", 1, "(Anna_Vek)", "Hello", 7},
        {":Bob!b@h PRIVMSG #Orvel :\001ACTION waves\001\r", 1, "Bob", "waves", 3},
        {":Averyveryverylongnickname!x@h PRIVMSG #Orvel :hi\r", 1, "(Averyveryverylongn)", "hi", 7},
        {":Bob!b@h PRIVMSG #orvel :case\r", 1, "(Bob)", "case", 7},
        {"Time is up", 0, "", "", 0},
        {":irc.test 353 me = #Orvel :a b\r", 0, "", "", 0},
        {":Bob!b@h PRIVMSG #Other :Hello\r", 0, "", "", 0},
        {":Bob!b@h PRIVMSG #Orvelx :Hello\r", 0, "", "", 0},
        {":Bob!b@h NOTICE #Orvel :Hello\r", 0, "", "", 0},
        {":Bob@h!b PRIVMSG #Orvel :Hello\r", 0, "", "", 0},
        {"", 0, "", "", 0},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.line);
        char label[32] = "", message[64] = "";
        UWORD pen = 0;
        ASSERT_EQ(IrcChatLine(r.line, "#Orvel", label, sizeof label, message, sizeof message, &pen), r.chat);
        if (!r.chat) continue;
        EXPECT_STREQ(label, r.label);
        EXPECT_STREQ(message, r.message);
        EXPECT_EQ(pen, r.pen);
    }
}

TEST(IrcPanelLines, ALongMessageBreaksAtBlanks)
{
    struct Row {
        const char *name;
        std::string message;
        ULONG labelWidth;
        std::vector<std::string> pieces;
    } rows[] = {
        {"fits", "abcd abcd", 40, {"abcd abcd"}},
        {"eight four-letter words after (Bob)", "abcd abcd abcd abcd abcd abcd abcd abcd", 40,
         {"abcd abcd abcd abcd abcd abcd", "abcd abcd"}},
        {"no blank: cut where it overflows", std::string(40, 'x'), 40,
         {std::string(30, 'x'), std::string(10, 'x')}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        IrcPiece pieces[16];
        const ULONG n = IrcWrapMessage(r.message.c_str(), r.labelWidth, EightPixels, nullptr, pieces, 16);
        std::vector<std::string> got;
        for (ULONG i = 0; i < n; ++i) got.push_back(r.message.substr(pieces[i].Start, pieces[i].Length));
        EXPECT_EQ(got, r.pieces);
    }
}

TEST(IrcPanelStart, WithoutItsOptionNothingRunsAndNoCommandAnswers)
{
    const UBYTE saved = UserSystem.OP.TCPIP_Flags;
    UserSystem.OP.TCPIP_Flags = 0x01;
    VekChannel *old = GChannelPtr;
    GChannelPtr = nullptr;
    EXPECT_EQ(StartIRCPanel(), nullptr);
    for (int cmd = 0; cmd < 3; ++cmd) EXPECT_EQ(Send2IRCPanel(cmd), nullptr);
    // Unreachable net: the option is switched off.
    UserSystem.OP.TCPIP_Flags = 0x11;
    NetResolveHook = [](const char *, ULONG *) -> BOOL { return 0; };
    EXPECT_EQ(StartIRCPanel(), nullptr);
    EXPECT_EQ(UserSystem.OP.TCPIP_Flags & 0x10, 0);
    NetResolveHook = nullptr;
    UserSystem.OP.TCPIP_Flags = saved;
    GChannelPtr = old;
}

// A hidden panel reads nothing: the reader keeps at most IRC_QUEUE_MAX of
// unread batches, the newest.
TEST(IrcPanelQueue, AHiddenPanelsQueueStaysBounded)
{
    const std::string login = ":irc.test 001 me_Vek :Welcome\r\n:irc.test 375 me_Vek :-\r\n:irc.test 376 me_Vek :End\r\n";
    std::string flood;
    for (int i = 0; i < 2000; ++i)
        flood += ":bob!b@h PRIVMSG #Orvel :" + std::to_string(i) + " " + std::string(1000, 'q') + "\r\n";
    flood += ":bob!b@h PRIVMSG #Orvel :the last one\r\n";
    LoopPeer peer([&](int fd) {
        ReadUntil(fd, "USER");
        WriteAll(fd, login);
        ReadUntil(fd, "JOIN");
        WriteAll(fd, ":me_Vek!m@h JOIN :#Orvel\r\n:irc.test 353 me_Vek = #Orvel :me_Vek bob\r\n"
                     ":irc.test 366 me_Vek #Orvel :End\r\n");
        WriteAll(fd, flood);
        ReadAll(fd, 20000);
    });
    NetResolveHook = ResolveLoopback;
    IrcWaitMs = 100;
    const std::string host = "irc.test:" + std::to_string(peer.port());
    VekChannel *c = InitIRC(host.c_str(), "#Orvel", "me_Vek", nullptr);
    ASSERT_NE(c, nullptr);
    ASSERT_NE(c->Status & IRC_NAMESDONE, 0);
    // Until the last line has come in.
    std::string last;
    for (int i = 0; i < 200 && last.find("the last one") == std::string::npos; ++i) {
        SDL_Delay(50);
        if (SDL_SemWait(c->Semaphore) == 0) {
            EXPECT_LE(c->QueuedBytes, IRC_QUEUE_MAX);
            last.clear();
            for (EavesMessage *e = c->SemaphoreMessage; e; e = e->eaves_Next)
                last.assign(e->eaves_MessageText, e->eaves_MessageLen);
            for (char &ch : last)
                if (!ch) ch = '\n';
            SDL_SemPost(c->Semaphore);
        }
    }
    EXPECT_NE(last.find("the last one"), std::string::npos);
    EXPECT_LE(c->QueuedBytes, IRC_QUEUE_MAX);
    EXPECT_GT(c->QueuedBytes, IRC_QUEUE_MAX / 2);
    ExitIRC(c);
    IrcWaitMs = 1000;
    NetResolveHook = nullptr;
}

namespace {

class IrcPanelStrip : public vektest::DemoScreenTest {};

// Pixels of the display's strip area, and whether any has the pen's value.
bool StripHas(vektest::SdlScreen &screen, ULONG value)
{
    BitMap *bmp = UserSystem.Display->RastPort_->BitMap;
    for (LONG y = 466; y < 479; ++y)
        for (LONG x = 34; x < 318; ++x)
            if (vektest::PixelAt(bmp, x, y) == value) return true;
    (void)screen;
    return false;
}

}  // namespace

TEST_P(IrcPanelStrip, AChatLineAppearsInTheStrip)
{
    Rig rig;
    const int port = FreePort();
    NET_START_OR_SKIP(rig, "ngircd", port);
    NetResolveHook = ResolveLoopback;
    const char savedServer[64] = {};
    (void)savedServer;
    char server[64];
    std::snprintf(server, sizeof server, "%s", NetCfg.IrcServer);
    std::snprintf(NetCfg.IrcServer, sizeof NetCfg.IrcServer, "irc.game.test:%d", port);
    const UBYTE saved = UserSystem.OP.TCPIP_Flags;
    UserSystem.OP.TCPIP_Flags = 0x11;
    std::snprintf(PlayerInfo.Spielname, sizeof PlayerInfo.Spielname, "Demoland");
    IRCPanelPieceMs = 300;
    VekChannel *panel = StartIRCPanel();
    ASSERT_NE(panel, nullptr);
    Send2IRCPanel(1);
    // Until the panel is online, then a player speaks.
    for (int i = 0; i < 200 && !(panel->IRCPanel.load() & IRCPANEL_ONLINE); ++i) SDL_Delay(50);
    ASSERT_NE(panel->IRCPanel.load() & IRCPANEL_ONLINE, 0);
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons((uint16_t)port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(fd, (sockaddr *)&a, sizeof a), 0);
    WriteAll(fd, "NICK Bob\r\nUSER Bob x x :B\r\n");
    ReadUntil(fd, " 376 ", 10000);
    WriteAll(fd, "JOIN #Orvel\r\n");
    ReadUntil(fd, " 366 ", 10000);
    WriteAll(fd, "PRIVMSG #Orvel :Hello\r\n");
    // The label's pen (3) shows in the strip once the panel drew the line.
    BitMap *bmp = UserSystem.Display->RastPort_->BitMap;
    const SDL_Color &pen3 = KavoriaPalette[3];
    const ULONG labelPen = GetParam() == 8 ? 3 : SDL_MapRGB(bmp->Surface->format, pen3.r, pen3.g, pen3.b);
    bool seen = false;
    for (int i = 0; i < 200 && !seen; ++i) {
        SDL_Delay(50);
        seen = StripHas(*screen_, labelPen);
    }
    EXPECT_TRUE(seen);
    close(fd);
    const auto t0 = std::chrono::steady_clock::now();
    EndIRCPanel(panel);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count(),
              2000);
    IRCPanelPieceMs = 3000;
    UserSystem.OP.TCPIP_Flags = saved;
    std::snprintf(NetCfg.IrcServer, sizeof NetCfg.IrcServer, "%s", server);
    NetResolveHook = nullptr;
}

INSTANTIATE_TEST_SUITE_P(Depths, IrcPanelStrip, ::testing::Values(8, 32));
