// SIGTERM in the middle of a turn's way, on loopback with the real mail
// servers: the download and the upload each run in a child that ends on the
// signal as the program does (at its next wait for the player), the parent
// sending it when the child's log reaches a point of the transfer; then a
// normal run. The files come out as after uninterrupted runs, every answer
// is fetched once, and the game server holds the turn once.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "../net/nettest.h"
#include "gameserver.h"
#include "mainloop.h"
#include "net/gamemail.h"
#include "net/net.h"
#include "platform/endsignal.h"
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

ULONG PoolPlayer(const char *pool)
{
    auto *info = (st_INFO *)LoadChunk2Mem(ID_INFO, pool);
    ULONG id = info ? info->SpielerID : 0;
    FreeVec(info);
    return id;
}

int Files(const std::string &dir)
{
    int n = 0;
    std::error_code ec;
    for (auto &e : fs::directory_iterator(dir, ec)) (void)e, ++n;
    return n;
}

// The realm's chunk machine, its dice started afresh with every answer, so
// that every run of an answer rolls the same.
TurnSteps realSteps;
BOOL SeededChunkMachine(const char *path, ULONG flags, ULONG mode)
{
    if (flags == ChunkBit(CN_INFO)) WuerfelSeed(4711);
    return realSteps.ChunkMachine(path, flags, mode);
}

// The advisor's Ok is where the program waits for the player: there an end
// signal is carried out, as GetKey does it. A child sent a signal at a point
// of the transfer is a player who has not pressed Ok before it came: the wait
// lasts until it is noted (at most 10 s).
void (*recordConfirm)(APTR) = nullptr;
bool signalComing = false;
void ConfirmAsThePlayerWaits(APTR box)
{
    for (int i = 0; signalComing && !EndSignal() && i < 1000; ++i) usleep(10000);
    EndIfRequested();
    recordConfirm(box);
}

// In a child with its output in log: the program's end signals, then turn.
// The child's status: 0 when turn returned or the signal ended it in order.
pid_t Child(const std::string &log, const std::function<void()> &turn, bool signalled)
{
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || dup2(fd, 1) < 0) _exit(124);
        setvbuf(stdout, nullptr, _IOLBF, 0);
        signal(SIGTERM, SIG_DFL);  // as a player's start has it, whatever started the tests
        InstallEndSignals();
        OrderlyEndHook = EndRunOnSignal;
        recordConfirm = TurnBoxHooks.Confirm;
        signalComing = signalled;
        TurnBoxHooks.Confirm = ConfirmAsThePlayerWaits;
        turn();
        std::fflush(stdout);
        _exit(0);
    }
    return pid;
}

// Runs turn in a child; with a point, sends SIGTERM once its log shows that
// line. Returns the child's exit status (-1: killed after 60 s or ended by
// the signal itself), and in *signalled whether the point was reached.
int RunChild(const std::string &log, const std::function<void()> &turn, const char *point, bool *signalled)
{
    std::remove(log.c_str());
    const pid_t pid = Child(log, turn, point != nullptr);
    int st = 0;
    bool done = false;
    auto alive = [&] {
        if (!done && waitpid(pid, &st, WNOHANG) == pid) done = true;
        return !done;
    };
    *signalled = false;
    if (point) {
        vektest::ClientLog watch(log, alive);
        if (watch.Warte(point, 60)) {
            kill(pid, SIGTERM);
            *signalled = true;
        }
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (alive() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!done) {
        kill(pid, SIGKILL);
        waitpid(pid, &st, 0);
        return -1;
    }
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

std::string Text(const std::string &file)
{
    const vektest::Bytes b = vektest::ReadBytes(file);
    return std::string(b.begin(), b.end());
}

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
        UserSystem.OP.TCPIP_Flags = TRANSPORT_MAIL;
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

class EndSignalOnTheRig : public ::testing::Test {
protected:
    void SetUp() override
    {
        smtp_ = FreePort();
        pop_ = FreePort();
        NET_START_OR_SKIP(rig_, "dovecot", pop_);
        NET_START_OR_SKIP(rig_, "opensmtpd", smtp_);
        demo_ = top_.path() + "/demo";
        vektest::MakeDemoData(demo_);
        fs::current_path(demo_);
        player_ = PoolPlayer(POOL_IN);
        ASSERT_NE(player_, 0u);
        realSteps = TurnStepHooks;
        ASSERT_NE(realSteps.ChunkMachine, nullptr);
    }

    // A fresh copy of the realm as the working directory, the player's
    // settings in place.
    void Realm(const std::string &name)
    {
        const std::string where = top_.path() + "/" + name;
        fs::create_directories(where);
        for (const char *d : {"Data", "Map"}) fs::copy(demo_ + "/" + d, where + "/" + d, fs::copy_options::recursive);
        fs::current_path(where);
        TurnStepHooks = realSteps;
        TurnStepHooks.ChunkMachine = SeededChunkMachine;
        PlayerInfo.SpielerID = player_;
        CheckPrefsWrite(9, player_);
        CheckPrefsWriteText(8, "player@game.test");
    }

    // The server's answer to the realm, in the player's mailbox.
    void Answer(GameServerStandIn &server)
    {
        ASSERT_TRUE(server.MailAnswer(UserSystem.OP.InterSMTPName, server.MakeAnswer(POOL_IN, player_, START + 86400)));
        for (int i = 0; i < 200 && Files(rig_.Maildir() + "/new") == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_EQ(Files(rig_.Maildir() + "/new"), 1);
    }

    nettest::Rig rig_;
    vektest::ScratchDir top_;
    int smtp_ = 0, pop_ = 0;
    std::string demo_;
    ULONG player_ = 0;
};

void Download() { ResidenzDownload(nullptr, nullptr); }

void Upload()
{
    static std::time_t clock;
    clock = START + 86400 + 3600;
    GameMailClock = [] { return clock; };
    std::printf("Upload: %d\n", ResidenzUpload());
}

}  // namespace

TEST_F(EndSignalOnTheRig, ADownloadFinishesItsAnswersThenEnds)
{
    Fakes fakes;
    MailSettings settings(smtp_, pop_);
    GameServerStandIn server(rig_.dir() + "/turns/Maildir");
    const std::string logs = top_.path() + "/logs";
    fs::create_directories(logs);
    bool signalled = false;

    // Uninterrupted: the download, then a normal run that finds nothing more.
    Realm("reference");
    Answer(server);
    ASSERT_EQ(RunChild(logs + "/ref1", Download, nullptr, &signalled), 0);
    ASSERT_EQ(RunChild(logs + "/ref2", Download, nullptr, &signalled), 0);
    const auto reference = Tree();
    EXPECT_EQ(CheckPrefs(31, PREFS_READ, 0), DateKeyOf(START + 86400));

    int n = 0;
    // In the fetch, as the first chunk step runs, half way through, as the
    // mail goes: the answer is applied whole before the end.
    for (const char *point :
         {"Auf dem Server befinden sich", "POP3_RetrieveMsg", "INFO passed", "LAND passed", "L\366sche EMAIL"}) {
        SCOPED_TRACE(point);
        const std::string name = "cut" + std::to_string(n++);
        Realm(name);
        Answer(server);
        const std::string log = logs + "/" + name;
        ASSERT_EQ(RunChild(log, Download, point, &signalled), 0) << Text(log);
        ASSERT_TRUE(signalled) << Text(log);
        EXPECT_NE(Text(log).find("Main: Signal 15, das Programm endet"), std::string::npos);
        EXPECT_EQ(CheckPrefs(24, PREFS_READ, 0), 0u);
        ASSERT_EQ(RunChild(log + ".next", Download, nullptr, &signalled), 0);
        EXPECT_TRUE(Tree() == reference);
        EXPECT_EQ(Files(rig_.Maildir() + "/new") + Files(rig_.Maildir() + "/cur"), 0) << "the answer left the server";
    }
    fs::current_path(top_.path());
}

TEST_F(EndSignalOnTheRig, AnUploadCountsAsSentOnlyOnceTheServerTookIt)
{
    Fakes fakes;
    MailSettings settings(smtp_, pop_);
    GameServerStandIn server(rig_.dir() + "/turns/Maildir");
    const std::string logs = top_.path() + "/logs";
    fs::create_directories(logs);
    bool signalled = false;

    Realm("reference");
    ASSERT_EQ(RunChild(logs + "/ref", Upload, nullptr, &signalled), 0);
    const auto reference = Tree();
    ASSERT_EQ(server.TakeTurns().size(), 1u);
    const ULONG sent = CheckPrefs(15, PREFS_READ, 0);

    int n = 0;
    // While the turn is built, as the mail is handed over, once it is sent.
    for (const char *point : {"CalcChunkSumme", "C:MAIL FROM", "C:QUIT"}) {
        SCOPED_TRACE(point);
        const std::string name = "cut" + std::to_string(n++);
        Realm(name);
        const std::string log = logs + "/" + name;
        ASSERT_EQ(RunChild(log, Upload, point, &signalled), 0) << Text(log);
        ASSERT_TRUE(signalled) << Text(log);
        EXPECT_NE(Text(log).find("Main: Signal 15, das Programm endet"), std::string::npos);
        EXPECT_EQ(CheckPrefs(24, PREFS_READ, 0), 0u);
        // The normal run sends only a turn that did not count as sent.
        if (CheckPrefs(15, PREFS_READ, 0) != sent) {
            ASSERT_EQ(RunChild(log + ".next", Upload, nullptr, &signalled), 0);
        }
        EXPECT_EQ(CheckPrefs(15, PREFS_READ, 0), sent);
        EXPECT_TRUE(Tree() == reference);
        const auto turns = server.TakeTurns();
        ASSERT_EQ(turns.size(), 1u);
        EXPECT_EQ(GameServerStandIn::CheckTurn(turns[0], player_, (ULONG)(START + 86400 + 3600)), "");
    }
    fs::current_path(top_.path());
}
