// Whole turns on loopback: the stand-in game server answers the demo realm
// through opensmtpd into dovecot's maildir (and once on "+GET"); the client
// fetches, applies, and sends its orders to the turn mailbox, where the
// stand-in checks each one.
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../net/nettest.h"
#include "gameserver.h"
#include "net/gamemail.h"
#include "net/net.h"
#include "platform/files.h"
#include "platform/gamevalues.h"
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
            ASSERT_TRUE(vektest::WaitFor([&] { return Files(rig.Maildir() + "/new") > 0; },
                                         "opensmtpd to deliver the answer into the player's mailbox"));
        } else {
            // From the third attempt the game server is asked directly.
            UserSystem.OP.TCPIP_Flags = TRANSPORT_GAMESERVER;
            std::snprintf(NetCfg.GameServer, sizeof NetCfg.GameServer, "%s", server.ServePackets(answer, 2).c_str());
        }
        PlayerInfo.TryRecvTurn = (UWORD)(cycle - 1);
        ASSERT_TRUE(ResidenzDownload(nullptr, nullptr));
        EXPECT_EQ(PoolQuarter(POOL_IN), before + 1);
        EXPECT_EQ(CheckPrefs(31, PREFS_READ, 0), DateKeyOf(when));
        EXPECT_EQ(vektest::ReadBytes("Data/Statistikdaten.vek").size(), 10u + 40u * (9 + cycle));  // the demo holds nine
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

namespace {

TurnSteps realSteps;
int stepCalls = 0, killAt = -1;

// The realm's chunk machine, ended at one call; every answer starts its dice
// afresh, so a repeated answer rolls what the first attempt rolled.
BOOL KillingChunkMachine(const char *path, ULONG flags, ULONG mode)
{
    if (stepCalls++ == killAt) _exit(9);
    if (flags == ChunkBit(CN_INFO)) WuerfelSeed(4711);
    return realSteps.ChunkMachine(path, flags, mode);
}

void CopyRealm(const std::string &from)
{
    for (const char *d : {"Data", "Map"}) fs::copy(from + "/" + d, d, fs::copy_options::recursive);
}

}  // namespace

TEST(TurnCycle, DemoRealmKilledAtEveryStepEndsLikeAnUninterruptedRun)
{
    vektest::ScratchDir top;
    const std::string demo = top.path() + "/demo";
    vektest::MakeDemoData(demo);
    realSteps = TurnStepHooks;
    ASSERT_NE(realSteps.ChunkMachine, nullptr);
    // Two answers of the stand-in: the next quarter and the one after.
    std::string answer1, answer2;
    ULONG player;
    {
        std::error_code ec;
        fs::current_path(demo);
        player = PoolPlayer(POOL_IN);
        GameServerStandIn server(".");
        answer1 = server.MakeAnswer(POOL_IN, player, START + 86400);
        ASSERT_TRUE(DecrunchOneEmail((const UBYTE *)answer1.data(), (ULONG)answer1.size(), "../next.pool"));
        answer2 = server.MakeAnswer("../next.pool", player, START + 2 * 86400);
        fs::current_path(top.path());
    }
    auto run = [&](int kill) {
        std::string where = top.path() + "/run" + std::to_string(kill + 1);
        fs::create_directories(where);
        fs::current_path(where);
        CopyRealm(demo);
        vektest::WriteText("Data/POP3In/" + std::string(8 - std::to_string(player).size(), '0') + std::to_string(player) + ".email", answer1);
        vektest::WriteText("Data/POP3In/" + std::string(8 - std::to_string(player).size(), '0') + std::to_string(player) + ".email.1", answer2);
        Fakes fakes;
        TurnStepHooks = realSteps;
        TurnStepHooks.ChunkMachine = KillingChunkMachine;
        PlayerInfo.SpielerID = player;
        CheckPrefsWrite(9, player);
        stepCalls = 0;
        killAt = kill;
        int status = 0;
        if (kill >= 0) {
            std::fflush(stdout);
            pid_t child = fork();
            if (child == 0) {
                ResidenzDownload(nullptr, nullptr);
                _exit(0);
            }
            waitpid(child, &status, 0);
            killAt = -1;
        }
        if (kill < 0 || (WIFEXITED(status) && WEXITSTATUS(status) == 9)) ResidenzDownload(nullptr, nullptr);
        auto tree = Tree();
        fs::current_path(top.path());
        fs::remove_all(where);
        return std::make_pair(WIFEXITED(status) ? WEXITSTATUS(status) : -1, tree);
    };
    const auto reference = run(-1).second;
    ASSERT_FALSE(reference.empty());
    const int steps = stepCalls;
    EXPECT_EQ(steps, 24);
    // Every other chunk step of both answers (the recorded-step test kills at
    // each one; the slow builds take a sample of these); a kill past the last
    // step lets the run through.
    std::vector<int> points;
    for (int half : vektest::KillPoints(steps / 2)) points.push_back(2 * half);
    points.push_back(steps);
    int killed = 0;
    for (int step : points) {
        SCOPED_TRACE(step);
        auto [status, tree] = run(step);
        if (step == steps) {
            EXPECT_EQ(status, 0);
            break;
        }
        ASSERT_EQ(status, 9);
        ++killed;
        EXPECT_TRUE(tree == reference);
    }
    EXPECT_EQ(killed, (int)points.size() - 1);
}
