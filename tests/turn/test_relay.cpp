// A relay between the client and the real servers that cuts the connection
// after n bytes from the server: every cut attempt leaves nothing half done,
// and the next uncut attempt brings the turn across exactly once.
#include <arpa/inet.h>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include "../net/nettest.h"
#include "gameserver.h"
#include "net/gamemail.h"
#include "net/net.h"
#include "platform/files.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/store.h"
#include "transportfixture.h"

using namespace turntest;
using namespace nettest;
namespace fs = std::filesystem;

namespace {

int Dial(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons((uint16_t)port);
    if (connect(fd, (sockaddr *)&a, sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Forwards one client to the server at `port` until `cut` bytes came from
// the server, then closes both sides.
void Forward(int client, int port, size_t cut)
{
    int server = Dial(port);
    if (server < 0) return;
    size_t fromServer = 0;
    char buf[4096];
    for (;;) {
        pollfd p[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        if (poll(p, 2, 10000) <= 0) break;
        if (p[0].revents) {
            ssize_t n = recv(client, buf, sizeof buf, 0);
            if (n <= 0 || !WriteAll(server, std::string(buf, (size_t)n))) break;
        }
        if (p[1].revents) {
            size_t room = cut - fromServer;
            ssize_t n = recv(server, buf, std::min(sizeof buf, room), 0);
            if (n <= 0 || !WriteAll(client, std::string(buf, (size_t)n))) break;
            fromServer += (size_t)n;
            if (fromServer >= cut) break;
        }
    }
    close(server);
}

std::string Text(const std::string &path)
{
    auto b = vektest::ReadBytes(path);
    return std::string(b.begin(), b.end());
}

int Lines(const std::string &path)
{
    std::string s = Text(path);
    return (int)std::count(s.begin(), s.end(), '\n');
}

}  // namespace

TEST(TurnRelay, CutConnectionsLoseNothing)
{
    Rig rig;
    const int smtp = FreePort(), pop = FreePort();
    NET_START_OR_SKIP(rig, "dovecot", pop);
    NET_START_OR_SKIP(rig, "opensmtpd", smtp);
    GameServerStandIn server(rig.dir() + "/turns/Maildir");
    const std::time_t when = 1167609600;
    struct passwd *pw = getpwnam("dovecot");

    for (size_t cut : {30, 120, 400, 3000, 9000}) {
        SCOPED_TRACE(cut);
        vektest::ScratchDir dir;
        Fakes fakes;
        CheckPrefsWrite(2, 1202);
        CheckPrefsWrite(3, 4);
        CheckPrefsWriteText(8, "player@game.test");
        PutKornLand(POOL_IN, 1202, 4);
        GameMailConfig savedCfg = GameMailCfg;
        std::snprintf(GameMailCfg.TurnMailbox, sizeof GameMailCfg.TurnMailbox, "turns@game.test");
        std::snprintf(GameMailCfg.ArchiveMailbox, sizeof GameMailCfg.ArchiveMailbox, "archive@game.test");
        std::snprintf(UserSystem.OP.InterUsername, 40, "player");
        std::snprintf(UserSystem.OP.InterPassword, 40, "secret");

        // The answer waits in the mailbox.
        std::string answer = server.MakeAnswer(POOL_IN, 1234, when);
        std::string box = rig.Maildir() + "/new/1000.answer";
        vektest::WriteText(box, answer);
        if (pw) {
            ASSERT_EQ(chown(box.c_str(), pw->pw_uid, pw->pw_gid), 0);
        }

        // POP3 cut: nothing half fetched, nothing applied, the mail stays on the server.
        {
            LoopPeer relay([&](int fd) { Forward(fd, pop, cut); });
            std::snprintf(UserSystem.OP.InterPOPName, 40, "%s", relay.server().c_str());
            UserSystem.OP.TCPIP_Flags = TRANSPORT_MAIL;
            PlayerInfo.TryRecvTurn = 0;
            BOOL applied = ResidenzDownload(nullptr, nullptr);
            if (applied) {
                EXPECT_EQ(Lines("Data/steps.log"), 12);  // a cut after the whole mail came
            }
            for (auto &e : fs::directory_iterator("Data/POP3In"))
                EXPECT_TRUE(e.path().filename() == "GameChunk.vek" ||
                            e.path().filename().string().rfind("00001234.email", 0) == 0)
                    << e.path();
        }
        std::snprintf(UserSystem.OP.InterPOPName, 40, "127.0.0.1:%d", pop);
        PlayerInfo.TryRecvTurn = 0;
        ResidenzDownload(nullptr, nullptr);
        EXPECT_EQ(Lines("Data/steps.log"), 12);  // applied once, whatever the cut did
        EXPECT_EQ(CheckPrefs(31, PREFS_READ, 0), DateKeyOf(when));

        // SMTP cut: the turn stays until a send goes through; the mailbox holds whole turns only.
        GameMailClock = [] { return (std::time_t)1167700000; };
        {
            LoopPeer relay([&](int fd) { Forward(fd, smtp, cut); });
            std::snprintf(UserSystem.OP.InterSMTPName, 40, "%s", relay.server().c_str());
            ResidenzUpload();
        }
        std::snprintf(UserSystem.OP.InterSMTPName, 40, "127.0.0.1:%d", smtp);
        if (vektest::Exists("Data/POP3Out/00001234")) {
            EXPECT_EQ(ResidenzUpload(), 1);
        }
        EXPECT_FALSE(vektest::Exists("Data/POP3Out/00001234"));
        auto turns = server.TakeTurns();
        ASSERT_GE(turns.size(), 1u);
        for (const auto &t : turns) EXPECT_EQ(GameServerStandIn::CheckTurn(t, 1234, 1167700000), "");

        // Packet cut: "+GET" stores nothing half received; "+PUT" goes again until acknowledged.
        std::string mail = server.MakeAnswer(POOL_IN, 1234, when + 86400);
        std::string direct = server.ServePackets(mail, 3);
        int gamePort = std::stoi(direct.substr(direct.find(':') + 1));
        {
            LoopPeer relay([&](int fd) { Forward(fd, gamePort, cut); });
            std::snprintf(NetCfg.GameServer, sizeof NetCfg.GameServer, "%s", relay.server().c_str());
            UserSystem.OP.TCPIP_Flags = TRANSPORT_GAMESERVER;
            char buffer[256] = {};
            PlayerInfo.TryRecvTurn = 2;
            GetTurn("00001234", buffer);  // a failed "+GET" falls back to the (empty) mailbox
            if (vektest::Exists("Data/POP3In/00001234.email")) {
                EXPECT_EQ(Text("Data/POP3In/00001234.email"), mail);
            }
        }
        std::snprintf(NetCfg.GameServer, sizeof NetCfg.GameServer, "%s", direct.c_str());
        UserSystem.OP.TCPIP_Flags = TRANSPORT_GAMESERVER;
        PlayerInfo.TryRecvTurn = 2;
        EXPECT_TRUE(ResidenzDownload(nullptr, nullptr));
        EXPECT_EQ(Lines("Data/steps.log"), 24);  // the second answer, once
        server.StopPackets();
        GameMailCfg = savedCfg;
        GameMailClock = [] { return std::time(nullptr); };
    }
}
