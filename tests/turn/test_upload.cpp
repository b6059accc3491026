// The turn upload: the pool's chunk order and stamp, the version gate, the
// send over a packet stand-in and what stays on disk in every outcome.
#include <atomic>
#include <csignal>
#include <cstring>
#include <mutex>
#include <sys/wait.h>
#include <unistd.h>
#include <filesystem>
#include <gtest/gtest.h>

#include "../net/nettest.h"
#include "net/net.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/catalog.h"
#include "platform/system.h"
#include "store/store.h"
#include "transportfixture.h"

using namespace turntest;
using namespace nettest;
using vektest::ScratchDir;

namespace {

const std::string NUL(1, '\0');
const std::time_t NOW = 0x5A0B0C0D;

// The web script's answer to every query.
struct WebPeer {
    std::string body;
    int queries = 0;
    void Serve(int fd)
    {
        ReadUntil(fd, "\r\n\r\n");
        ++queries;
        WriteAll(fd, "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + body);
    }
};

// The game server taking one hand-in.
struct GamePeer {
    std::string block;
    void Serve(int fd)
    {
        for (;;) {
            std::string cmd = ReadUntil(fd, NUL);
            if (cmd.empty() || cmd.back() != '\0') return;
            WriteAll(fd, "+ACK" + NUL);
            if (cmd.rfind("+PUT", 0) == 0) {
                block = ReadCount(fd, std::stoul(cmd.substr(5)));
                WriteAll(fd, "+ACK" + NUL);
            }
            if (cmd.rfind("+QUI", 0) == 0) return;
        }
    }
};

// A realm ready to send: both pools, map preferences, goods, one letter.
void Realm()
{
    PutKornLand(POOL_IN, 1203, 1);
    Put(MakeChunk(CN_BAUE, 2), POOL_OUT);
    Put(AllocChunk(CN_FORS, 0, 1), POOL_OUT);
    Put(MakeChunk(CN_INIT, sizeof(st_INIT) - 12), POOL_OUT);
    Put(MakeChunk(CN_SHIP, 4), POOL_OUT);
    Put(MakeChunk(CN_MOVE, 2), "./Data/MapPrefs.vek");
    PutWares({st_WARE_EXT{5, 0, 3, 10, 0, 0, 0, 0, 0, 0}});
    vektest::WriteText("Data/MailOut/000004d2_00.smal", std::string(300, 'L'));
    CheckPrefsWriteText(8, "me@home.test");
    CheckPrefsWriteText(6, "Ada");
    CheckPrefsWriteText(7, "Lov");
    CheckPrefsWrite(15, 4);
    std::snprintf(PlayerInfo.ForumURL, sizeof PlayerInfo.ForumURL, "http://forum.test/");
}

struct Servers {
    char web[64], game[256];
    Servers(const std::string &w, const std::string &g)
    {
        std::memcpy(web, NetCfg.WebServer, sizeof web);
        std::memcpy(game, NetCfg.GameServer, sizeof game);
        std::snprintf(NetCfg.WebServer, sizeof NetCfg.WebServer, "%s", w.c_str());
        std::snprintf(NetCfg.GameServer, sizeof NetCfg.GameServer, "%s", g.c_str());
        UserSystem.OP.TCPIP_Flags = TRANSPORT_GAMESERVER;
        GameMailClock = [] { return NOW; };
    }
    ~Servers()
    {
        std::memcpy(NetCfg.WebServer, web, sizeof web);
        std::memcpy(NetCfg.GameServer, game, sizeof game);
        GameMailClock = [] { return std::time(nullptr); };
    }
};

bool Said(const LocStr &s)
{
    for (const auto &t : Seen.texts)
        if (t == GetString(&s)) return true;
    return false;
}

}  // namespace

TEST(ResidenzUpload, SentTurnInItsOrderStampedAndCounted)
{
    ScratchDir dir;
    Fakes fakes;
    Realm();
    // An old turn pool with a chunk withdrawn since: it must not go.
    Put(MakeChunk(CN_HERB, 4), "./Data/POP3Out/00001234");
    VekDisplay.VekScreen_Tiefe = 32;
    WebPeer web;
    web.body = "59";
    GamePeer game;
    int result;
    {
        LoopPeer wpeer([&](int fd) { web.Serve(fd); });
        LoopPeer gpeer([&](int fd) { game.Serve(fd); });
        Servers s(wpeer.server(), gpeer.server());
        result = ResidenzUpload();
    }
    EXPECT_EQ(result, 1);
    EXPECT_EQ(web.queries, 1);
    ASSERT_FALSE(game.block.empty());
    ASSERT_TRUE(DecrunchOneEmail((const UBYTE *)game.block.data(), (ULONG)game.block.size(), "sent"));
    EXPECT_EQ(ChunkOrder("sent"),
              (std::vector<std::string>{"INFO", "MAIL", "LAND", "KORN", "BAUE", "FORS", "MOVE", "INIT", "SHIP", "WARE"}));
    auto b = vektest::ReadBytes("sent");
    EXPECT_EQ(vektest::Bytes(b.begin() + 30, b.begin() + 34), (vektest::Bytes{0x5A, 0x0B, 0x0C, 0x0D}));
    EXPECT_EQ(game.block.find("Subject: @00001234\r\n"), game.block.find("Subject: "));
    EXPECT_FALSE(vektest::Exists("Data/POP3Out/00001234"));
    EXPECT_EQ(CheckPrefs(15, PREFS_READ, 0), 5u);
    EXPECT_EQ(Seen.texts.front(), std::string(GetString(&_VEK_RESIDOWNLOAD_BEARBEITESPIELZUG)) + " 5");
    EXPECT_TRUE(Said(_VEK_NVC_MAILSEND));
    EXPECT_EQ(Seen.confirmed, 1);
    EXPECT_EQ(Seen.opened, Seen.closed);
    EXPECT_EQ(Seen.mapUnlocks, 1);
    EXPECT_EQ(Seen.mapSetups, 1);
    auto list = vektest::ReadBytes(SENT_LETTERS_LIST);
    EXPECT_EQ(std::string(list.begin(), list.end()), "000004d2_00.smal 300\n");
}

TEST(ResidenzUpload, OutcomesThatDoNotSend)
{
    struct Row {
        const char *name;
        std::string body;      // the web script's version
        int flags;             // transport bits
        bool offline, noBox, noLand, noAddress;
        int result;
        bool poolStays;
        const LocStr *said;
    } rows[] = {
        {"client too old", "60", TRANSPORT_GAMESERVER, false, false, false, false, 0, true, &_VEK_RESIDENZ_CLIENT_ALT},
        {"no transport: not sent", "59", 0, false, false, false, false, 1, true, &_VEK_NVC_MAILNOTSEND},
        {"not online: kept for later", "59", TRANSPORT_GAMESERVER, true, false, false, false, 1, true, nullptr},
        {"no box", "59", TRANSPORT_GAMESERVER, false, true, false, false, 0, false, nullptr},
        {"no LAND in either pool", "59", TRANSPORT_GAMESERVER, false, false, true, false, 0, false, nullptr},
        {"no address", "59", TRANSPORT_GAMESERVER, false, false, false, true, 0, true, nullptr},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        ScratchDir dir;
        Fakes fakes;
        Realm();
        if (r.noLand) RemChunkPool(ID_LAND, POOL_IN);
        if (r.noAddress) CheckPrefsWriteText(8, "");
        if (r.noBox) TurnBoxHooks.Open = [](const char *) -> APTR { return nullptr; };
        if (r.offline) {
            std::snprintf(NetCfg.ProbeHost1, sizeof NetCfg.ProbeHost1, "probe.invalid");
            std::snprintf(NetCfg.ProbeHost2, sizeof NetCfg.ProbeHost2, "probe.invalid");
            NetCfg.ProbeWaits = 1;
        }
        WebPeer web;
        web.body = r.body;
        GamePeer game;
        int result;
        {
            LoopPeer wpeer([&](int fd) { web.Serve(fd); });
            Servers s(wpeer.server(), "127.0.0.1:" + std::to_string(FreePort()));
            UserSystem.OP.TCPIP_Flags = (UBYTE)r.flags;
            result = ResidenzUpload();
        }
        EXPECT_EQ(result, r.result);
        EXPECT_EQ(vektest::Exists("Data/POP3Out/00001234"), r.poolStays);
        EXPECT_EQ(CheckPrefs(15, PREFS_READ, 0), 4u);
        if (r.said) {
            EXPECT_TRUE(Said(*r.said));
        }
        EXPECT_FALSE(vektest::Exists(SENT_LETTERS_LIST));
        EXPECT_EQ(Seen.opened, Seen.closed);
    }
}

namespace {

std::string killIn;  // the hook in which the child ends
BOOL (*harvestHook)();
BOOL (*mailHook)(const char *, const char *);
BOOL KillingHarvest()
{
    if (killIn == "harvest") _exit(9);
    return harvestHook();
}
BOOL KillingMailChunk(const char *pool, const char *dir)
{
    BOOL ok = mailHook(pool, dir);
    if (killIn == "letters") _exit(9);
    return ok;
}

}  // namespace

TEST(ResidenzUpload, KilledAtEachStepSendsTheSameTurnWholeWhenRunAgain)
{
    struct Outcome {
        std::vector<std::pair<std::string, std::string>> tree;
        std::vector<std::string> turns;  // unpacked pools the game server took
    };
    auto run = [](const std::string &kill) {
        ScratchDir dir;
        Fakes fakes;
        Realm();
        harvestHook = TurnStepHooks.GetHarvestFromMapCult;
        mailHook = TurnStepHooks.CreateMailChunk;
        TurnStepHooks.GetHarvestFromMapCult = KillingHarvest;
        TurnStepHooks.CreateMailChunk = KillingMailChunk;
        std::vector<std::string> blocks;
        std::mutex lock;
        std::atomic<pid_t> child{0};
        auto serve = [&](int fd) {
            for (;;) {
                std::string cmd = ReadUntil(fd, NUL);
                if (cmd.empty() || cmd.back() != '\0') return;
                if (cmd.rfind("+PUT", 0) == 0) {
                    WriteAll(fd, "+ACK" + NUL);
                    std::string block = ReadCount(fd, std::stoul(cmd.substr(5)));
                    if (kill == "send" && child.load() > 0) {
                        ::kill(child.load(), SIGKILL);  // gone before the acknowledgement
                        child = -1;
                        return;
                    }
                    std::lock_guard<std::mutex> g(lock);
                    blocks.push_back(block);
                }
                WriteAll(fd, "+ACK" + NUL);
                if (cmd.rfind("+QUI", 0) == 0) return;
            }
        };
        Outcome out;
        {
            LoopPeer gpeer(serve, kill.empty() ? 1 : 2, false);
            Servers s("127.0.0.1:" + std::to_string(FreePort()), gpeer.server());
            if (!kill.empty()) {
                killIn = kill;
                std::fflush(stdout);
                pid_t pid = fork();
                if (pid == 0) {
                    ResidenzUpload();
                    _exit(0);
                }
                if (kill == "send") child = pid;
                gpeer.Serve();
                int status = 0;
                waitpid(pid, &status, 0);
                // Ended where the test ended it: a crash is no kill.
                if (kill == "send")
                    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << kill << " " << status;
                else
                    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 9) << kill << " " << status;
                killIn.clear();
            }
            gpeer.Serve();
            EXPECT_EQ(ResidenzUpload(), 1) << kill;
        }
        for (const auto &b : blocks) {
            EXPECT_TRUE(DecrunchOneEmail((const UBYTE *)b.data(), (ULONG)b.size(), "turn.out"));
            auto bytes = vektest::ReadBytes("turn.out");
            out.turns.push_back(std::string(bytes.begin(), bytes.end()));
            DeleteFile("turn.out");
        }
        out.tree = Tree();
        return out;
    };
    const Outcome reference = run("");
    ASSERT_EQ(reference.turns.size(), 1u);
    for (const char *kill : {"harvest", "letters", "send"}) {
        SCOPED_TRACE(kill);
        Outcome o = run(kill);
        ASSERT_EQ(o.turns.size(), 1u);  // the cut hand-in was never acknowledged, so it does not count
        EXPECT_TRUE(o.turns[0] == reference.turns[0]);
        EXPECT_TRUE(o.tree == reference.tree);
    }
}
