// The sign-up on loopback: the sign-up screen mails its record through
// opensmtpd to the game server's mailbox, the stand-in game server answers
// with the demo's first-turn pool or a refusal into dovecot's mailbox, and
// the screen fetches and sets the realm up (or keeps the answer when that
// fails). Also the login paths of a refusing mail server and the forum's
// answers on the player name.
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

#include "../net/nettest.h"
#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "frontend/frontend.h"
#include "frontend/signup.h"
#include "gameserver.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "net/gamemail.h"
#include "net/net.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/store.h"
#include "transportfixture.h"
#include "ui/gadgets.h"

using namespace turntest;
using namespace nettest;
using namespace vektest;
namespace fs = std::filesystem;

namespace {

const std::time_t kAnswered = 1167609599 + 3600;

void Enter() { PushKey(SDLK_RETURN, 13); }
void Esc() { PushEscape(); }

int Files(const std::string &dir)
{
    int n = 0;
    std::error_code ec;
    for (auto &e : fs::directory_iterator(dir, ec)) (void)e, ++n;
    return n;
}

bool WaitForFiles(const std::string &dir, int count)
{
    return vektest::WaitFor([&] { return Files(dir) >= count; },
                            std::to_string(count) + " mail(s) delivered into " + dir);
}

std::string SignupFile()
{
    char name[32];
    std::snprintf(name, sizeof name, "Data/I%7.7u.vek", (unsigned)CheckPrefs(11, PREFS_READ, 0));
    return name;
}

// A newcomer in a copy of the demo set, on a display, with the mail account
// player@game.test on the loopback servers.
class SignupLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        CopyDemoGameFiles(".");
        fs::remove(POOL_IN);  // a newcomer has received nothing yet
        fs::remove(POOL_OUT);
        fakes_ = std::make_unique<Fakes>();
        TurnStepHooks = real_;  // the realm's own chunk machine for the first turn
        screen_ = std::make_unique<SdlScreen>(8);
        ASSERT_TRUE(screen_->Ok());
        UseKavorGadgetPainter();
        FadeDelayHook = [](ULONG) {};
        CheckPrefsWrite(0, 0);
        CheckPrefsWrite(11, 0);
        op_ = UserSystem.OP;
        cfg_ = GameMailCfg;
        std::snprintf(UserSystem.OP.EmailAdresse, 40, "%s", OPTIONEN_EMAIL_PLATZHALTER);
        std::snprintf(UserSystem.OP.InterUsername, 40, "player");
        std::snprintf(UserSystem.OP.InterPassword, 40, "secret");
        UserSystem.OP.SMTPUsername[0] = UserSystem.OP.SMTPPassword[0] = 0;
        UserSystem.OP.TCPIP_Flags = TRANSPORT_MAIL;
        std::snprintf(NetCfg.SignupMailbox, sizeof NetCfg.SignupMailbox, "turns@game.test");
        std::snprintf(GameMailCfg.ArchiveMailbox, sizeof GameMailCfg.ArchiveMailbox, "archive@game.test");
    }
    void TearDown() override
    {
        SDL_Event ev;
        EXPECT_EQ(SDL_PollEvent(&ev), 0) << "input was left over";
        while (SDL_PollEvent(&ev)) {
        }
        if (TitelScreenPtr) CloseKavorPic(0, 0);
        FadeDelayHook = nullptr;
        UserSystem.OP = op_;
        GameMailCfg = cfg_;
        screen_.reset();
        fakes_.reset();
    }
    void Servers(int smtp, int pop)
    {
        std::snprintf(UserSystem.OP.InterSMTPName, 40, "127.0.0.1:%d", smtp);
        std::snprintf(UserSystem.OP.InterPOPName, 40, "127.0.0.1:%d", pop);
    }
    // The form: player name and address typed, the address kept, sent.
    static void FillAndSend()
    {
        Esc();
        Esc();
        Esc();  // the two texts, no easy registration
        PushClick(200, 187);
        PushText("Karolus");
        PushClick(200, 207);
        PushText("player@game.test");
        PushClick(400, 465);
        Esc();
        Esc();  // no preset postbox
    }
    // The stand-in answers the one sign-up that reached it.
    void Answer(GameServerStandIn &server, int smtp, const std::string &pool, const std::string &refusal)
    {
        auto signups = server.TakeSignups();
        ASSERT_EQ(signups.size(), 1u);
        char id[16];
        std::snprintf(id, sizeof id, "I%7.7u", (unsigned)CheckPrefs(11, PREFS_READ, 0));
        EXPECT_EQ(signups[0].id, id);
        ASSERT_EQ(signups[0].record.size(), 784u);
        EXPECT_EQ(signups[0].record.substr(282, 8), std::string("Karolus\0", 8));
        const std::string mail = server.MakeSignupAnswer(signups[0].id, pool, refusal, kAnswered);
        ASSERT_TRUE(server.MailAnswer("127.0.0.1:" + std::to_string(smtp), mail));
    }
    std::string FreshPool() const { return SharedDemoSet() + "/Fresh/Data/POP3In/GameChunk.vek"; }

    ScratchDir dir_;
    TurnSteps real_ = TurnStepHooks;
    std::unique_ptr<Fakes> fakes_;
    std::unique_ptr<SdlScreen> screen_;
    OptionenPrefs op_{};
    GameMailConfig cfg_{};
};

TEST_F(SignupLoop, SentAnsweredAndSetUp)
{
    Rig rig;
    const int smtp = FreePort(), pop = FreePort();
    NET_START_OR_SKIP(rig, "dovecot", pop);
    NET_START_OR_SKIP(rig, "opensmtpd", smtp);
    Servers(smtp, pop);
    GameServerStandIn server(rig.dir() + "/turns/Maildir");
    {
        ScriptFeeder feed;
        FillAndSend();
        Enter();  // no answer yet
        Esc();
        feed.Start();
        EXPECT_EQ(InitScreen(), 1);
    }
    EXPECT_EQ(CheckPrefs(0, PREFS_READ, 0), 1u);
    ASSERT_TRUE(Exists(SignupFile()));
    Answer(server, smtp, FreshPool(), "");
    ASSERT_TRUE(WaitForFiles(rig.Maildir() + "/new", 1));

    // The next visit fetches: the realm is set up and the screen leads on.
    {
        ScriptFeeder feed;
        Enter();  // initialised
        Enter();  // the first turn
        feed.Start();
        EXPECT_EQ(InitScreen(), 2);
    }
    EXPECT_EQ(CheckPrefs(0, PREFS_READ, 0), 2u);
    EXPECT_EQ(CheckPrefs(31, PREFS_READ, 0), DateKeyOf(kAnswered));
    EXPECT_FALSE(Exists(SignupFile()));
    EXPECT_TRUE(Exists("Map/M_1_1.map"));
    EXPECT_EQ(Files(rig.Maildir() + "/new") + Files(rig.Maildir() + "/cur"), 0);
}

TEST_F(SignupLoop, RefusalLeavesTheNewcomerState)
{
    Rig rig;
    const int smtp = FreePort(), pop = FreePort();
    NET_START_OR_SKIP(rig, "dovecot", pop);
    NET_START_OR_SKIP(rig, "opensmtpd", smtp);
    Servers(smtp, pop);
    GameServerStandIn server(rig.dir() + "/turns/Maildir");
    {
        ScriptFeeder feed;
        FillAndSend();
        Enter();
        Esc();
        feed.Start();
        EXPECT_EQ(InitScreen(), 1);
    }
    Answer(server, smtp, "", "Karolus reigns already.");
    ASSERT_TRUE(WaitForFiles(rig.Maildir() + "/new", 1));
    {
        ScriptFeeder feed;
        Enter();  // rejected
        Esc();    // the server's text
        Esc();    // the form
        feed.Start();
        StdoutCapture out;
        EXPECT_EQ(InitScreen(), 1);
        out.Take();
    }
    EXPECT_EQ(CheckPrefs(0, PREFS_READ, 0), 0u);
    EXPECT_FALSE(Exists(POOL_IN));
}

TEST_F(SignupLoop, AFailedSetUpKeepsTheAnswerForTheNextVisit)
{
    Rig rig;
    const int smtp = FreePort(), pop = FreePort();
    NET_START_OR_SKIP(rig, "dovecot", pop);
    NET_START_OR_SKIP(rig, "opensmtpd", smtp);
    Servers(smtp, pop);
    GameServerStandIn server(rig.dir() + "/turns/Maildir");
    {
        ScriptFeeder feed;
        FillAndSend();
        Enter();
        Esc();
        feed.Start();
        EXPECT_EQ(InitScreen(), 1);
    }
    Answer(server, smtp, FreshPool(), "");
    ASSERT_TRUE(WaitForFiles(rig.Maildir() + "/new", 1));
    const std::string signup = SignupFile();
    // Where the towns of an earlier game cannot be cleared away, the realm
    // cannot be set up.
    fs::remove_all("Data/Cities");
    WriteText("Data/Cities", "in the way");
    {
        ScriptFeeder feed;
        Enter();  // failed
        Esc();
        feed.Start();
        EXPECT_EQ(InitScreen(), 1);
    }
    ASSERT_EQ(CheckPrefs(0, PREFS_READ, 0), 1u);
    EXPECT_TRUE(Exists(signup));
    EXPECT_TRUE(Exists(POOL_IN));
    EXPECT_EQ(Files(rig.Maildir() + "/new") + Files(rig.Maildir() + "/cur"), 0);  // taken from the server

    fs::remove("Data/Cities");
    fs::create_directory("Data/Cities");
    {
        ScriptFeeder feed;
        Enter();
        Enter();
        feed.Start();
        EXPECT_EQ(InitScreen(), 2);
    }
    EXPECT_EQ(CheckPrefs(0, PREFS_READ, 0), 2u);
    EXPECT_FALSE(Exists(signup));
}

TEST_F(SignupLoop, ASecondSignupAsksAndMakesANewId)
{
    Rig rig;
    const int smtp = FreePort(), pop = FreePort();
    NET_START_OR_SKIP(rig, "dovecot", pop);
    NET_START_OR_SKIP(rig, "opensmtpd", smtp);
    Servers(smtp, pop);
    GameServerStandIn server(rig.dir() + "/turns/Maildir");
    {
        ScriptFeeder feed;
        FillAndSend();
        Enter();
        Esc();
        feed.Start();
        EXPECT_EQ(InitScreen(), 1);
    }
    const std::string first = SignupFile();
    static std::time_t later;
    later = kAnswered + 77;
    GameMailClock = [] { return later; };
    {
        ScriptFeeder feed;
        Enter();  // nothing to fetch yet
        PushClick(400, 465);
        Esc();    // not again
        PushClick(400, 465);
        Enter();  // again
        Enter();  // still no answer
        Esc();
        feed.Start();
        EXPECT_EQ(InitScreen(), 1);
    }
    GameMailClock = [] { return std::time(nullptr); };
    EXPECT_NE(SignupFile(), first);
    EXPECT_FALSE(Exists(first));
    EXPECT_TRUE(Exists(SignupFile()));
    EXPECT_EQ(server.TakeSignups().size(), 2u);
}

TEST_F(SignupLoop, RefusedLoginsAskForTheMissingData)
{
    Rig rig;
    const int smtp = FreePort(), pop = FreePort(), plain = FreePort();
    NET_START_OR_SKIP(rig, "dovecot", pop);
    NET_START_OR_SKIP(rig, "aiosmtpd", smtp);
    NET_START_OR_SKIP(rig, "opensmtpd", plain);
    Servers(smtp, pop);
    // "535": the wrong password is asked for again, and the mail goes once more.
    std::snprintf(UserSystem.OP.SMTPUsername, 40, "player");
    std::snprintf(UserSystem.OP.SMTPPassword, 40, "wrong");
    {
        ScriptFeeder feed;
        FillAndSend();
        Enter();                        // try again
        Enter();                        // the user as it was
        PushText("\b\b\b\b\bsecret");   // the password anew
        Enter();
        Enter();                        // no answer yet
        Esc();
        feed.Start();
        EXPECT_EQ(InitScreen(), 1);
    }
    EXPECT_STREQ(UserSystem.OP.SMTPPassword, "secret");
    EXPECT_EQ(CheckPrefs(0, PREFS_READ, 0), 1u);
    int mails = 0;
    for (auto &e : fs::directory_iterator(rig.dir() + "/aiosmtpd")) mails += e.path().extension() == ".eml";
    EXPECT_EQ(mails, 1) << "one mail, sent the second time";

    // "550" and Cancel: the preset postbox; when that fails too, the form.
    CheckPrefsWrite(0, 3);
    Servers(plain, pop);
    std::snprintf(NetCfg.SignupMailbox, sizeof NetCfg.SignupMailbox, "nobody@elsewhere.test");
    std::snprintf(NetCfg.OperatorMailHost, sizeof NetCfg.OperatorMailHost, "127.0.0.1:%d", plain);
    {
        ScriptFeeder feed;
        PushClick(400, 465);
        Esc();    // the preset postbox instead
        Enter();  // refused again: shown, back on the form
        Esc();
        feed.Start();
        EXPECT_EQ(InitScreen(), 1);
    }
    st_INIT *rec = (st_INIT *)LoadChunk2Mem(ID_INIT, SignupFile().c_str());
    ASSERT_NE(rec, nullptr);
    EXPECT_TRUE(IsOperatorAddress(rec->Email)) << rec->Email;
    FreeVec(rec);
    EXPECT_EQ(CheckPrefs(0, PREFS_READ, 0), 3u) << "not sent";
}

// The forum's stand-in: answers each query with the next number and records it.
struct Forum {
    std::vector<std::string> answers, queries;
    std::unique_ptr<LoopPeer> peer;
    explicit Forum(std::vector<std::string> a) : answers(std::move(a))
    {
        peer = std::make_unique<LoopPeer>(
            [this](int fd) {
                const std::string request = ReadUntil(fd, "\r\n\r\n");
                queries.push_back(request.substr(0, request.find("\r\n") + 2));
                const std::string body = answers[queries.size() - 1];
                WriteAll(fd, "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
            },
            (int)answers.size());
        std::snprintf(PlayerInfo.ForumServer, sizeof PlayerInfo.ForumServer, "%s", peer->server().c_str());
        std::snprintf(PlayerInfo.ForumURL, sizeof PlayerInfo.ForumURL, "http://%s/forum/", peer->server().c_str());
    }
    ~Forum()
    {
        peer.reset();
        PlayerInfo.ForumServer[0] = PlayerInfo.ForumURL[0] = 0;
    }
};

TEST_F(SignupLoop, TheForumOnThePlayerName)
{
    st_INIT rec = NewSignupRecord();
    SetSignupField(rec.SpielName, "Karolus");
    SetSignupField(rec.Email, "k+1@game.test");
    struct Row {
        const char *name;
        std::vector<std::string> answers;
        std::vector<int> keys;  // for the boxes, "p" types the password
        BOOL result;
        size_t queries;
    } rows[] = {
        {"free", {"200"}, {}, 1, 1},
        {"taken, the player's own", {"401", "200"}, {SDLK_RETURN, 'p', SDLK_RETURN}, 1, 2},
        {"taken, not proved", {"401", "401"}, {SDLK_RETURN, 'p', SDLK_RETURN, SDLK_RETURN}, 0, 2},
        {"taken, given up", {"401"}, {SDLK_ESCAPE}, 0, 1},
        {"not wanted", {"403"}, {SDLK_RETURN}, 0, 1},
        {"address in use", {"409"}, {SDLK_RETURN}, 0, 1},
        {"some other answer", {"500"}, {}, 1, 1},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        Forum forum(r.answers);
        for (int k : r.keys) {
            if (k == 'p') PushText("a&b c");
            else PushKey(k, k == SDLK_RETURN ? 13 : 27);
        }
        EXPECT_EQ(CheckPlayernameInForum(&rec), r.result);
        forum.peer.reset();
        ASSERT_EQ(forum.queries.size(), r.queries);
        EXPECT_EQ(forum.queries[0], "GET http://" + std::string(PlayerInfo.ForumServer) +
                                        "/forum/check_user.php?username=Karolus&email=k%2B1%40game.test HTTP/1.0\r\n");
        if (r.queries > 1) {
            EXPECT_NE(forum.queries[1].find("&password=a%26b%20c "), std::string::npos);
        }
    }
    // No forum to ask: the sign-up goes on.
    std::snprintf(PlayerInfo.ForumServer, sizeof PlayerInfo.ForumServer, "127.0.0.1:%d", FreePort());
    std::snprintf(PlayerInfo.ForumURL, sizeof PlayerInfo.ForumURL, "http://%s/forum/", PlayerInfo.ForumServer);
    EXPECT_EQ(CheckPlayernameInForum(&rec), 1);
    PlayerInfo.ForumServer[0] = PlayerInfo.ForumURL[0] = 0;
}

}  // namespace
