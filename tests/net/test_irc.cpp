// IRC: the parser over scripted batches (status bits, nickname table, lines
// sent, error text), nickname changes, the lines SendIRC queues, scripted
// servers that misbehave, and a real ngircd on loopback with a second
// client of the test's own.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <new>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "nettest.h"
#include "net/irc.h"
#include "net/net.h"
#include "net/netconn.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"

using namespace nettest;

namespace {

// A connection record on a scripted socket, without a reader thread.
struct Chan {
    Script script;
    VekChannel *c = nullptr;
    explicit Chan(UWORD status = IRC_SERVERNAME, const char *nick = "me_Vek")
    {
        c = new (AllocVec(sizeof(VekChannel), MEMF_CLEAR)) VekChannel();
        c->Host = (char *)AllocVec(100, MEMF_CLEAR);
        std::strcpy(c->Host, "irc.test");
        std::strcpy(c->Channel, "#Orvel");
        std::snprintf(c->Nick, sizeof c->Nick, "%s", nick);
        c->Semaphore = SDL_CreateSemaphore(1);
        c->SocketSetTimeout = 1000;
        c->Status = status;
    }
    ~Chan() { ExitIRC(c); }
    void Open() { c->Socket = ScriptConn(script); }
    // Every batch received and parsed, as the reader does.
    void Receive(const std::vector<std::string> &batches)
    {
        for (const auto &b : batches) script.steps.push_back(D(b));
        script.steps.push_back(Silence());
        if (!c->Socket) Open();
        for (size_t i = 0; i < batches.size(); ++i) {
            ListenIRCExt(c);
            FreeVec(c->IOMessagePtr);
            c->IOMessagePtr = nullptr;
        }
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> v;
        for (UWORD i = 0; i < c->UserAnzahl; ++i) v.push_back(c->NamesPtr + (size_t)i * IRC_NAME);
        return v;
    }
    std::string Error() const
    {
        char *e = IRCErrorText(c);
        std::string s = e ? e : "";
        FreeVec(e);
        return s;
    }
};

const std::string kNames = ":irc.test 353 me_Vek = #Orvel :@anna +bob me_Vek\r\n";
const std::string kEnd = ":irc.test 366 me_Vek #Orvel :End of NAMES list\r\n";

}  // namespace

TEST(IrcParser, NamesKicksAndPartings)
{
    struct Row {
        const char *name;
        std::vector<std::string> batches;
        std::vector<std::string> names;
        UWORD set, clear;   // bits that must be set, and clear, afterwards
        std::string error;  // "" none
    } rows[] = {
        {"a names list over two lines", {kNames + ":irc.test 353 me_Vek = #Orvel :carl\r\n" + kEnd},
         {"anna", "bob", "me_Vek", "carl"}, IRC_NAMESDONE, 0, ""},
        {"a names list after its end changes nothing", {kNames + kEnd + ":irc.test 353 me_Vek = #Orvel :dora\r\n"},
         {"anna", "bob", "me_Vek"}, IRC_NAMESDONE, 0, ""},
        {"a names list of another channel is ignored", {":irc.test 353 me_Vek = #Other :x y\r\n"}, {}, 0, 0, ""},
        {"somebody else kicked", {kNames + kEnd + ":op!o@h KICK #Orvel bob :out\r\n"}, {"anna", "me_Vek"}, 0,
         IRC_LOST, ""},
        {"kicked ourselves", {kNames + kEnd + ":op!o@h KICK #Orvel me_Vek :out\r\n"}, {"anna", "bob"}, IRC_LOST, 0,
         ":op!o@h KICK #Orvel me_Vek :out\r"},
        {"an unknown nick leaves", {kNames + kEnd + ":zed!z@h PART #Orvel\r\n:yan!y@h QUIT :bye\r\n"},
         {"anna", "bob", "me_Vek"}, IRC_LEFT, 0, ""},
        {"a known nick quits, another joins, one is renamed",
         {kNames + kEnd + ":bob!b@h QUIT :bye\r\n:@eve!e@h JOIN :#Orvel\r\n:anna!a@h NICK :anne\r\n"},
         {"anne", "me_Vek", "eve"}, IRC_JOINED | IRC_LEFT, 0, ""},
        {"a line cut across batches is read once, whole", {kNames + ":irc.te", "st 366 me_Vek #Orvel :End\r\n"},
         {"anna", "bob", "me_Vek"}, IRC_NAMESDONE, 0, ""},
        {"messages that look like commands are messages",
         {kNames + kEnd + ":bob!b@h PRIVMSG #Orvel :KICK #Orvel me_Vek\r\n" +
          ":bob!b@h PRIVMSG #Orvel :KILL me_Vek\r\n:bob!b@h PRIVMSG #Orvel :QUIT :x\r\n" +
          ":bob!b@h PRIVMSG #Orvel :JOIN :#Orvel\r\n:bob!b@h PRIVMSG #Orvel :anna NICK :x\r\n" +
          ":bob!b@h PRIVMSG #Orvel :PART\r\n:bob!b@h PRIVMSG #Orvel :NOTICE session limit 3 exceeded\r\n" +
          ":bob!b@h NOTICE me_Vek :session limit exceeded\r\n"},
         {"anna", "bob", "me_Vek"}, 0, IRC_LOST | IRC_LEFT | IRC_JOINED, ""},
        {"killed", {kNames + kEnd + ":oper!o@h KILL me_Vek :go\r\n"}, {"anna", "bob"}, IRC_LOST, 0,
         ":oper!o@h KILL me_Vek :go\r"},
        {"the server's session limit", {":irc.test NOTICE me_Vek :session limit 1 exceeded\r\n"}, {},
         IRC_LOST | IRC_WAITING, 0, ":irc.test NOTICE me_Vek :session limit 1 exceeded\r"},
        {"not registered", {":irc.test 451 * me_Vek :You have not registered\r\n"}, {}, IRC_WAITING, IRC_LOST,
         "You have not registered !"},
        {"may not reregister", {":irc.test 462 me_Vek :You may not reregister\r\n"}, {}, IRC_WAITING | IRC_LOST, 0,
         "You may not reregister !"},
        {"banned", {":irc.test 474 me_Vek #Orvel :Cannot join\r\n"}, {}, IRC_WAITING | IRC_LOST, 0, ""},
        {"the end of the message of the day", {":irc.test 375 me_Vek :-\r\n:irc.test 376 me_Vek :End\r\n"}, {},
         IRC_MOTDSTART | IRC_MOTDEND, 0, ""},
        {"a numeric of another prefix is no numeric", {":evil!e@h 366 me_Vek #Orvel :End\r\n"}, {}, 0,
         IRC_NAMESDONE, ""},
    };
    for (auto &r : rows) {
        SCOPED_TRACE(r.name);
        Chan ch;
        ch.Receive(r.batches);
        EXPECT_EQ(ch.Names(), r.names);
        EXPECT_EQ(ch.c->Status & r.set, r.set);
        EXPECT_EQ(ch.c->Status & r.clear, 0);
        EXPECT_EQ(ch.Error(), r.error);
        if (r.set & IRC_LOST) {
            ch.c->EavesDrop = (SDL_Thread *)1;  // a reader would run
            EXPECT_STREQ(SendIRC(ch.c, "hi", nullptr, IRC_CHANNEL), "Broken pipe !");
            ch.c->EavesDrop = nullptr;
        }
    }
}

TEST(IrcParser, AnswersPingsVersionAndNickProblems)
{
    struct Row {
        const char *name;
        UWORD status;
        std::vector<std::string> batches;
        std::string sent;
        std::string nick;
    } rows[] = {
        // The rest of the batch after a ping stays unparsed: the next batch is
        // read in its place.
        {"a ping in the login", IRC_RECEIVED | IRC_PARSING,
         {"PING :ab12CD\r\n:irc.test 366 me_Vek #Orvel :End\r\n", ":irc.test 375 me_Vek :-\r\n"}, "PONG  ab12CD\r\n",
         "me_Vek"},
        {"a ctcp version", IRC_SERVERNAME, {":bob!b@h PRIVMSG me_Vek :\001VERSION\001\r\n"},
         "NOTICE bob :This is the famous and useless Kavoria IRC Client\r\n", "me_Vek"},
        // Sent to the channel, named in another case: a question, not chat.
        {"a ctcp version to the channel", IRC_SERVERNAME, {":bob!b@h PRIVMSG #orVEL :\001VERSION\001\r\n"},
         "NOTICE bob :This is the famous and useless Kavoria IRC Client\r\n", "me_Vek"},
        {"the word version in a message", IRC_SERVERNAME, {":bob!b@h PRIVMSG #Orvel :what VERSION is this\r\n"},
         "", "me_Vek"},
        {"a nickname in use", IRC_SERVERNAME, {":irc.test 433 * me_Vek :Nickname is already in use\r\n"},
         "NICK me_Vek_1\r\n", "me_Vek_1"},
        {"an erroneous nickname", IRC_SERVERNAME, {":irc.test 432 me_Vek :Erroneous Nickname\r\n"}, "NICK Ghul\r\n",
         "Ghul"},
        {"NickServ asks, then disconnects", IRC_SERVERNAME,
         {":NickServ!s@services NOTICE me_Vek :please /msg NickServ IDENTIFY pw\r\n"
          ":NickServ!s@services NOTICE me_Vek :you will be disconnected\r\n"},
         "NICK me_Vek_1\r\n", "me_Vek_1"},
    };
    IrcWuerfelHook = [](ULONG) -> ULONG { return 2; };
    for (auto &r : rows) {
        SCOPED_TRACE(r.name);
        Chan ch(r.status);
        ch.Receive(r.batches);
        EXPECT_EQ(ch.script.sent, r.sent);
        EXPECT_STREQ(ch.c->Nick, r.nick.c_str());
    }
    IrcWuerfelHook = Wuerfel;
    // The ping's batch: the names' end after it was not parsed; the server's
    // name came from the first prefixed line of the next batch.
    Chan ping(IRC_RECEIVED);
    ping.Receive({"PING :x\r\n:irc.test 366 me_Vek #Orvel :End\r\n", ":irc.test 375 me_Vek :-\r\n"});
    EXPECT_EQ(ping.c->Status & IRC_NAMESDONE, 0);
    EXPECT_NE(ping.c->Status & IRC_MOTDSTART, 0);
    EXPECT_NE(ping.c->Status & IRC_SERVERNAME, 0);
}

TEST(IrcParser, HugeLinesStayInTheirBounds)
{
    // Longer than a batch holds: no line the reader can keep, and nothing
    // of it is read past its buffers.
    Chan ch;
    std::string kick = ":op!o@h KICK #Orvel me_Vek :" + std::string(19000, 'x') + "\r\n";
    ch.Receive({kNames + kEnd, kick});
    EXPECT_EQ(ch.c->Status & IRC_LOST, 0);
    // Within a batch: taken, and noted within its 512 bytes.
    Chan big;
    std::string line = ":op!o@h KICK #Orvel me_Vek :" + std::string(15000, 'y') + "\r\n";
    big.Receive({kNames + kEnd, line});
    EXPECT_NE(big.c->Status & IRC_LOST, 0);
    EXPECT_EQ(std::strlen(big.c->IOBackupPtr), 511u);
}

TEST(IrcNick, ChangesByTheNumberOfTheRefusal)
{
    struct Row {
        const char *from;
        int number;
        const char *to;
    } rows[] = {
        {"Anna", 433, "Anna_1"},      {"Anna_1", 433, "Anna_2"},   {"Anna_9", 433, "Anna_10"},
        {"Anna_10", 433, "Anna_10_1"}, {"Anna_x", 433, "Anna_1"},  {"Anna_Vek", 433, "Anna_Vek_1"},
        {"Anna", 401, "Anna"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.from);
        char nick[80];
        std::strcpy(nick, r.from);
        ChangeNick(nick, r.number);
        EXPECT_STREQ(nick, r.to);
    }
    const char *fixed[] = {"Skelett", "Zombie", "Ghul", "Gruftbewohner"};
    for (ULONG d = 0; d < 4; ++d) {
        static ULONG dice;
        dice = d;
        IrcWuerfelHook = [](ULONG) { return dice; };
        char nick[80] = "Anna";
        ChangeNick(nick, 432);
        EXPECT_STREQ(nick, fixed[d]);
    }
    IrcWuerfelHook = Wuerfel;
}

TEST(IrcSend, QueuedLinesByCommand)
{
    struct Row {
        const char *message;
        const char *user;
        ULONG command;
        std::string line;  // "" nothing to send
    } rows[] = {
        {"hello", nullptr, IRC_CHANNEL, "PRIVMSG #Orvel :hello\r\n"},
        {"psst", "bob", IRC_CHANNEL, "NOTICE bob :psst\r\n"},
        {nullptr, "me_Neu", IRC_NICK, "NICK me_Neu\r\n"},
        {nullptr, nullptr, IRC_NICK, ""},
        {"hi", "carl", IRC_PRIVATE, "PRIVMSG carl :hi\r\n"},
        {"hi\r\nQUIT", nullptr, IRC_CHANNEL, "PRIVMSG #Orvel :hi  QUIT\r\n"},
        {"x", nullptr, 9, ""},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.line);
        Chan ch;
        ch.Open();
        ch.c->EavesDrop = (SDL_Thread *)1;  // a reader would run
        SendIRC(ch.c, r.message, r.user, r.command);
        ch.c->EavesDrop = nullptr;
        ASSERT_NE(ch.c->SemaphoreReturn, nullptr);
        EavesMessage *e = ch.c->SemaphoreReturn;
        EXPECT_EQ(e->Flags != 0, !r.line.empty());
        if (!r.line.empty()) {
            EXPECT_EQ(std::string(e->eaves_MessageText, e->eaves_MessageLen), r.line);
        }
    }
    // A text longer than a line is cut so that its end still fits.
    Chan ch;
    char line[IRC_LINE + 1];
    std::string text(1000, 'a');
    const ULONG n = IrcBuildLine(ch.c, text.c_str(), IRC_CHANNEL, line);
    EXPECT_EQ(n, IRC_LINE - 1);
    EXPECT_EQ(std::string(line + n - 2, 2), "\r\n");
}

namespace {

// A scripted server over loopback: the reader thread connects to it.
struct Misbehaving {
    std::string name;
    std::function<void(int)> serve;
    std::string error;   // expected error text, "" any
    UWORD bits;          // expected status bits
};

BOOL ResolveLoopback(const char *, ULONG *address)
{
    *address = htonl(INADDR_LOOPBACK);
    return 1;
}

}  // namespace

TEST(IrcServers, MisbehavingServersEndWithoutHanging)
{
    const std::string login = ":irc.test 001 me_Vek :Welcome\r\n:irc.test 375 me_Vek :-\r\n:irc.test 376 me_Vek :End\r\n";
    std::vector<Misbehaving> rows = {
        {"silent after connect", [](int fd) { ReadAll(fd, 30000); }, "Konnte mich nicht einloggen... Server Busy ?", 0},
        {"no end of the message of the day",
         [](int fd) {
             ReadUntil(fd, "USER");
             WriteAll(fd, ":irc.test 001 me_Vek :Welcome\r\n:irc.test 375 me_Vek :-\r\n");
             ReadAll(fd, 60000);
         },
         "Konnte mich nicht einloggen... Server Busy ?", 0},
        {"every nickname in use",
         [](int fd) {
             for (int i = 0; i < 40; ++i) {
                 if (ReadUntil(fd, "\n", 3000).empty()) break;
                 WriteAll(fd, ":irc.test 433 * x :Nickname is already in use\r\n");
             }
             ReadAll(fd, 3000);
         },
         "", 0},
        {"killed after the login",
         [login](int fd) {
             ReadUntil(fd, "USER");
             WriteAll(fd, login);
             ReadUntil(fd, "JOIN");
             WriteAll(fd, ":oper!o@h KILL me_Vek :go\r\n");
             ReadAll(fd, 3000);
         },
         ":oper!o@h KILL me_Vek :go\r", IRC_LOST},
        {"20 KB without a line end",
         [](int fd) {
             WriteAll(fd, std::string(20000, 'z'));
             ReadAll(fd, 30000);
         },
         "", 0},
        {"closed amid the names list",
         [login](int fd) {
             ReadUntil(fd, "USER");
             WriteAll(fd, login);
             ReadUntil(fd, "JOIN");
             WriteAll(fd, ":me_Vek!m@h JOIN :#Orvel\r\n:irc.test 353 me_Vek = #Orvel :me_Vek an");
         },
         "Die Verbindung zum IRC-Server ist abgebrochen.", IRC_LOST},
    };
    NetResolveHook = ResolveLoopback;
    IrcWaitMs = 100;  // the same steps, ten times as fast
    for (auto &r : rows) {
        SCOPED_TRACE(r.name);
        LoopPeer peer(r.serve);
        const std::string host = "irc.test:" + std::to_string(peer.port());
        const auto t0 = std::chrono::steady_clock::now();
        VekChannel *c = InitIRC(host.c_str(), "#Orvel", "me_Vek", nullptr);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->Status & IRC_NAMESDONE, 0);
        char *e = IRCErrorText(c);
        if (!r.error.empty()) {
            EXPECT_STREQ(e ? e : "", r.error.c_str());
        } else {
            EXPECT_NE(e, nullptr) << "an error text";
        }
        FreeVec(e);
        EXPECT_EQ(c->Status & r.bits, r.bits);
        const auto t1 = std::chrono::steady_clock::now();
        ExitIRC(c);
        const auto t2 = std::chrono::steady_clock::now();
        EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(t2 - t1).count(), 2000);
        EXPECT_LT(std::chrono::duration_cast<std::chrono::seconds>(t1 - t0).count(), 60);
    }
    IrcWaitMs = 1000;
    NetResolveHook = nullptr;
}

namespace {

// A plain client of the test's own on the real server.
struct Peer {
    int fd = -1;
    std::string got;
    Peer(int port, const std::string &nick)
    {
        fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons((uint16_t)port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd, (sockaddr *)&a, sizeof a) != 0) return;
        WriteAll(fd, "NICK " + nick + "\r\nUSER " + nick + " x x :peer\r\n");
        got += ReadUntil(fd, " 376 ", 10000);
        WriteAll(fd, "JOIN #Orvel\r\n");
        got += ReadUntil(fd, " 366 ", 10000);
    }
    ~Peer()
    {
        if (fd >= 0) close(fd);
    }
    std::string Until(const std::string &what) { return got += ReadUntil(fd, what, 10000); }
};

}  // namespace

TEST(IrcRealServer, NgircdCarriesTheChannelBothWays)
{
    Rig rig;
    const int port = FreePort();
    NET_START_OR_SKIP(rig, "ngircd", port);
    NetResolveHook = ResolveLoopback;
    const std::string host = "irc.game.test:" + std::to_string(port);
    VekChannel *c = InitIRC(host.c_str(), "#Orvel", "Anna_Vek", nullptr);
    ASSERT_NE(c, nullptr);
    ASSERT_NE(c->Status & IRC_NAMESDONE, 0) << IRCErrorText(c);
    EXPECT_STREQ(c->Host, "irc.game.test");
    {
        Peer bob(port, "Bob");
        // Alone in the channel, the client set its modes before Bob came.
        SendIRC(c, "hello Bob", nullptr, IRC_CHANNEL);
        EXPECT_NE(bob.Until("hello Bob").find(":Anna_Vek!"), std::string::npos);
        WriteAll(bob.fd, "PRIVMSG #Orvel :hello Anna\r\n");
        std::string seen;
        for (int i = 0; i < 100 && seen.find("hello Anna") == std::string::npos; ++i) {
            if (char *b = GetIRC(c)) {
                for (ULONG off = 0; off < c->IOMemLen; off += (ULONG)std::strlen(b + off) + 1) seen += b + off;
            } else {
                SDL_Delay(50);
            }
        }
        EXPECT_NE(seen.find("PRIVMSG #Orvel :hello Anna"), std::string::npos) << seen;
        const auto t0 = std::chrono::steady_clock::now();
        ExitIRC(c);
        EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count(),
                  2000);
        EXPECT_NE(bob.Until("QUIT").find(":Anna_Vek!"), std::string::npos);
    }
    NetResolveHook = nullptr;
}

TEST(IrcRealServer, APingBeforeTheLoginIsAnswered)
{
    Rig rig;
    const int port = FreePort();
    NET_START_OR_SKIP(rig, "ngircd", port, "127.0.0.1", "authping");
    NetResolveHook = ResolveLoopback;
    const std::string host = "irc.game.test:" + std::to_string(port);
    VekChannel *c = InitIRC(host.c_str(), "#Orvel", "Anna_Vek", nullptr);
    ASSERT_NE(c, nullptr);
    EXPECT_NE(c->Status & IRC_NAMESDONE, 0) << IRCErrorText(c);
    ExitIRC(c);
    NetResolveHook = nullptr;
}
