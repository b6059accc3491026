// Whole turns on loopback: the stand-in game server answers the demo realm
// through opensmtpd into dovecot's maildir (and once on "+GET"); the client
// fetches, applies, and sends its orders to the turn mailbox, where the
// stand-in checks each one.
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

#include "../net/nettest.h"
#include "gameserver.h"
#include "net/gamemail.h"
#include "net/net.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/store.h"
#include "transportfixture.h"

using namespace turntest;
using namespace nettest;
namespace fs = std::filesystem;

namespace {

const std::time_t START = 1167609599;  // Sun, 31 Dec 2006 23:59:59

struct MailSettings {
    OptionenPrefs op = UserSystem.OP;
    GameMailConfig cfg = GameMailCfg;
    MailSettings(int smtp, int pop)
    {
        std::snprintf(UserSystem.OP.InterSMTPName, 40, "127.0.0.1:%d", smtp);
        std::snprintf(UserSystem.OP.InterPOPName, 40, "127.0.0.1:%d", pop);
        std::snprintf(UserSystem.OP.InterUsername, 40, "player");
        std::snprintf(UserSystem.OP.InterPassword, 40, "secret");
        UserSystem.OP.SMTPUsername[0] = UserSystem.OP.SMTPPassword[0] = 0;
        std::snprintf(GameMailCfg.TurnMailbox, sizeof GameMailCfg.TurnMailbox, "turns@game.test");
        std::snprintf(GameMailCfg.ArchiveMailbox, sizeof GameMailCfg.ArchiveMailbox, "archive@game.test");
    }
    ~MailSettings()
    {
        UserSystem.OP = op;
        GameMailCfg = cfg;
        GameMailClock = [] { return std::time(nullptr); };
    }
};

ULONG PoolPlayer(const char *pool)
{
    auto *info = (st_INFO *)LoadChunk2Mem(ID_INFO, pool);
    ULONG id = info ? info->SpielerID : 0;
    FreeVec(info);
    return id;
}

UWORD PoolQuarter(const char *pool)
{
    auto *korn = (st_KORN *)LoadChunk2Mem(ID_KORN, pool);
    UWORD q = korn ? (UWORD)(korn->Jahr * 4 + korn->Quartal) : 0;
    FreeVec(korn);
    return q;
}

int Files(const std::string &dir)
{
    int n = 0;
    std::error_code ec;
    for (auto &e : fs::directory_iterator(dir, ec)) (void)e, ++n;
    return n;
}

}  // namespace

TEST(TurnCycle, ThreeQuartersOverRealMailServers)
{
    Rig rig;
    const int smtp = FreePort(), pop = FreePort();
    NET_START_OR_SKIP(rig, "dovecot", pop);
    NET_START_OR_SKIP(rig, "opensmtpd", smtp);
    vektest::ScratchDir dir;
    vektest::MakeDemoData(".");
    TurnSteps real = TurnStepHooks;
    Fakes fakes;
    // The realm's own routines where they exist; recorded stand-ins elsewhere.
    if (real.ChunkMachine) TurnStepHooks = real;
    MailSettings settings(smtp, pop);
    const ULONG player = PoolPlayer(POOL_IN);
    ASSERT_NE(player, 0u);
    PlayerInfo.SpielerID = player;
    CheckPrefsWrite(9, player);
    CheckPrefsWriteText(8, "player@game.test");
    GameServerStandIn server(rig.dir() + "/turns/Maildir");

    for (int cycle = 1; cycle <= 3; ++cycle) {
        SCOPED_TRACE(cycle);
        const std::time_t when = START + 86400 * cycle;
        const UWORD before = PoolQuarter(POOL_IN);
        std::string answer = server.MakeAnswer(POOL_IN, player, when);
        if (cycle < 3) {
            // By mail: the first two fetch attempts of a run ask the mailbox.
            UserSystem.OP.TCPIP_Flags = TRANSPORT_MAIL;
            ASSERT_TRUE(server.MailAnswer(UserSystem.OP.InterSMTPName, answer));
            for (int i = 0; i < 100 && Files(rig.Maildir() + "/new") == 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        } else {
            // From the third attempt the game server is asked directly.
            UserSystem.OP.TCPIP_Flags = TRANSPORT_GAMESERVER;
            std::snprintf(NetCfg.GameServer, sizeof NetCfg.GameServer, "%s", server.ServePackets(answer, 2).c_str());
        }
        PlayerInfo.TryRecvTurn = (UWORD)(cycle - 1);
        ASSERT_TRUE(ResidenzDownload(nullptr, nullptr));
        EXPECT_EQ(PoolQuarter(POOL_IN), before + 1);
        EXPECT_EQ(CheckPrefs(31, PREFS_READ, 0), DateKeyOf(when));
        EXPECT_EQ(vektest::ReadBytes("Data/Statistikdaten.vek").size(), 10u + 40u * cycle);
        EXPECT_FALSE(vektest::Exists(TURN_JOURNAL));
        EXPECT_EQ(Files(rig.Maildir() + "/new") + Files(rig.Maildir() + "/cur"), 0);  // fetched mails left the server

        // The orders go back: by SMTP to the turn mailbox, the third by "+PUT".
        const std::time_t sent = when + 3600;
        static std::time_t clock;
        clock = sent;
        GameMailClock = [] { return clock; };
        ASSERT_EQ(ResidenzUpload(), 1);
        EXPECT_FALSE(vektest::Exists("Data/POP3Out/" + std::string(8 - std::to_string(player).size(), '0') +
                                     std::to_string(player)));
        auto turns = server.TakeTurns();
        ASSERT_EQ(turns.size(), 1u);
        EXPECT_EQ(GameServerStandIn::CheckTurn(turns[0], player, (ULONG)sent), "");
        server.StopPackets();
    }
    EXPECT_EQ(Files(rig.dir() + "/archive/Maildir/new"), 2);  // a copy of each mailed turn
    EXPECT_EQ(CheckPrefs(15, PREFS_READ, 0), 1u);  // counted since the last answer
}
