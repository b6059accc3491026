// Letters over the game server: every waiting letter handed in and deleted,
// waiting letters fetched into the mailbox, and the subject rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

#include "common/testutil.h"
#include "net/net.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/chunks.h"
#include "store/letters.h"
#include "store/store.h"
#include "turn/botschaft.h"
#include "turn/gameserver.h"
#include "turn/transportfixture.h"

namespace {

namespace fs = std::filesystem;
using namespace turntest;

std::vector<std::string> gFragen;
LONG gAntwort = 0;
LONG Frage(const char *text)
{
    gFragen.push_back(text);
    return gAntwort;
}

std::string FileText(const std::string &path)
{
    const auto b = vektest::ReadBytes(path);
    return std::string(b.begin(), b.end());
}

int Files(const std::string &dir)
{
    int n = 0;
    std::error_code ec;
    for (auto &e : fs::directory_iterator(dir, ec)) n += e.path().filename().string()[0] != '.';
    return n;
}

class Botschaften : public ::testing::Test {
protected:
    vektest::ScratchDir dir;
    Fakes fakes;
    GameServerStandIn server{"unused"};
    LONG (*alt_)(const char *) = BotschaftFrageHook;
    void SetUp() override
    {
        fs::create_directories("Data/MailIn");
        gFragen.clear();
        gAntwort = 0;
        BotschaftFrageHook = Frage;
        UserSystem.OP.TCPIP_Flags = TRANSPORT_GAMESERVER;
    }
    void TearDown() override
    {
        server.StopPackets();
        BotschaftFrageHook = alt_;
    }
};

TEST(Betreff, BlankOrEmptySubjectsAreRefused)
{
    EXPECT_FALSE(CheckBetreff(nullptr));
    EXPECT_FALSE(CheckBetreff(""));
    EXPECT_FALSE(CheckBetreff("     "));
    EXPECT_TRUE(CheckBetreff("  x "));
    EXPECT_TRUE(CheckBetreff("Holz"));
}

TEST(BriefEditor, KeysEditTheTextWithinItsLimits)
{
    auto *b = new BriefText{};
    b->Breite = 10;
    for (char c : std::string("Hallo")) EXPECT_TRUE(BriefTaste(b, (UBYTE)c, 0));
    EXPECT_TRUE(BriefTaste(b, 13, 0));
    EXPECT_TRUE(BriefTaste(b, 'W', 0));
    EXPECT_STREQ(b->Text, "Hallo\nW");
    EXPECT_EQ(BriefCursorZeile(b), 1u);
    EXPECT_TRUE(BriefTaste(b, 38, 1));  // up: column 1 of the first line
    EXPECT_EQ(b->Cursor, 1u);
    EXPECT_TRUE(BriefTaste(b, 8, 0));
    EXPECT_STREQ(b->Text, "allo\nW");
    EXPECT_FALSE(BriefTaste(b, 8, 0)) << "nothing before the cursor";
    EXPECT_FALSE(BriefTaste(b, 37, 1));
    EXPECT_TRUE(BriefTaste(b, 40, 1));
    EXPECT_EQ(b->Cursor, 5u);
    EXPECT_TRUE(BriefTaste(b, 39, 1));
    EXPECT_FALSE(BriefTaste(b, 39, 1));
    EXPECT_FALSE(BriefTaste(b, 1, 0)) << "control codes are no text";
    EXPECT_TRUE(BriefTaste(b, 0xE4, 0)) << "Latin-1 letters are";
    // Wrapping counts: 11 characters take two lines of 10.
    EXPECT_EQ(BriefZeilen("12345678901", 11, 10), 2u);
    // The 51st line cannot be started.
    *b = BriefText{};
    b->Breite = 10;
    for (int i = 0; i < 49; ++i) ASSERT_TRUE(BriefTaste(b, 13, 0));
    EXPECT_EQ(BriefZeilen(b->Text, b->Laenge, b->Breite), 50u);
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(BriefTaste(b, 'x', 0));
    EXPECT_FALSE(BriefTaste(b, 'x', 0)) << "a wrap into line 51";
    EXPECT_FALSE(BriefTaste(b, 13, 0));
    // 10,000 characters at most.
    *b = BriefText{};
    b->Breite = 1000;
    for (int i = 0; i < 10000; ++i) ASSERT_TRUE(BriefTaste(b, 'a', 0)) << i;
    EXPECT_FALSE(BriefTaste(b, 'a', 0));
    EXPECT_EQ(b->Laenge, 10000u);
    delete b;
}

TEST(BriefWeg, StepsWrapAndTheFilterFindsTheRulersLetters)
{
    const LONG a = 8, b = 9;
    const LONG drei[] = {a, b, a};
    struct Row {
        const char *name;
        LONG pos;
        int richtung;
        BOOL filter;
        LONG expect;
    } rows[] = {
        {"back from the first wraps to the last", 0, -1, 0, 2},
        {"forward from the last wraps to the first", 2, 1, 0, 0},
        {"the current one", 1, 0, 0, 1},
        {"no current one yet: the first", -1, 0, 0, 0},
        {"A chosen: forward from the first skips B", 0, 1, 1, 2},
        {"A chosen: back from the third skips B", 2, -1, 1, 0},
        {"A chosen, standing on B: the current is checked, then forward", 1, 0, 1, 2},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(BriefWeg(drei, 3, r.pos, r.richtung, r.filter, a), r.expect);
    }
    // A ruler without letters: the walk ends after one round.
    EXPECT_GE(BriefWeg(drei, 3, 0, 1, 1, 77), 0);
    EXPECT_EQ(BriefWeg(drei, 0, 0, 1, 0, a), -1);
}

TEST_F(Botschaften, EachLetterGoesToItsRecipientAndLeavesTheQueue)
{
    EXPECT_FALSE(SendBotschaftPerTCPIP()) << "nothing waiting";
    EXPECT_TRUE(gFragen.empty());
    ASSERT_TRUE(MakeSMAL("Nachbar", 8, "Holz", "Zehn Ladungen."));
    ASSERT_TRUE(MakeSMAL("Fremdland", 9, "Treue", "Ich bleibe."));
    const std::string a = FileText("Data/MailOut/E0000008_00.smal");
    ASSERT_FALSE(a.empty());
    // Declined: nothing leaves.
    gAntwort = 1;
    EXPECT_FALSE(SendBotschaftPerTCPIP());
    EXPECT_EQ(Files("Data/MailOut"), 2);
    gAntwort = 0;
    std::snprintf(NetCfg.GameServer, sizeof NetCfg.GameServer, "%s", server.ServePackets("", 2).c_str());
    EXPECT_TRUE(SendBotschaftPerTCPIP());
    EXPECT_EQ(gFragen.back(), "Wollen sie die Botschaften direkt auf den Weg schicken ?");
    EXPECT_EQ(Files("Data/MailOut"), 0);
    auto sent = server.TakeLetters();
    ASSERT_EQ(sent.size(), 2u);
    std::sort(sent.begin(), sent.end(), [](auto &x, auto &y) { return x.sid < y.sid; });
    EXPECT_EQ(sent[0].sid, 8);
    EXPECT_EQ(sent[0].bytes, a);
    EXPECT_EQ(sent[1].sid, 9);
}

TEST_F(Botschaften, ALetterTooShortOrAServerAwayKeepsTheFiles)
{
    fs::create_directories("Data/MailOut");
    vektest::WriteText("Data/MailOut/E0000008_00.smal", std::string("SMAL") + std::string(100, 'x'));
    std::snprintf(NetCfg.GameServer, sizeof NetCfg.GameServer, "%s", server.ServePackets("", 1).c_str());
    EXPECT_FALSE(SendBotschaftPerTCPIP());
    EXPECT_EQ(Files("Data/MailOut"), 1) << "a file shorter than a letter stays";
    server.StopPackets();
    fs::remove("Data/MailOut/E0000008_00.smal");
    ASSERT_TRUE(MakeSMAL("Nachbar", 8, "Holz", "Zehn."));
    std::snprintf(NetCfg.GameServer, sizeof NetCfg.GameServer, "127.0.0.1:1");
    EXPECT_FALSE(SendBotschaftPerTCPIP());
    EXPECT_EQ(Files("Data/MailOut"), 1) << "the letter waits for the turn";
}

TEST_F(Botschaften, FetchedLettersAreStoredInTheMailbox)
{
    CheckPrefsWrite(9, 7);
    auto brief = [](LONG von, const char *betreff) {
        st_SMAL *s = (st_SMAL *)AllocChunk(CN_SMAL, 6, 1);
        std::snprintf(s->Betreff, sizeof s->Betreff, "%s", betreff);
        s->AbsenderID = von;
        s->EmpfaengerID = 7;
        std::memcpy((char *)s + sizeof(st_SMAL), "Hallo", 6);
        EXPECT_TRUE(SaveChunk2File("brief.tmp", s));
        FreeChunk(s);
        std::string b = FileText("brief.tmp");
        fs::remove("brief.tmp");
        return b;
    };
    const std::string a = brief(8, "Eins"), b = brief(9, "Zwei");
    server.QueueLetters({a, b});
    gAntwort = 1;
    EXPECT_FALSE(HoleBotschaftPerTCPIP());
    gAntwort = 0;
    std::snprintf(NetCfg.GameServer, sizeof NetCfg.GameServer, "%s", server.ServePackets("", 1).c_str());
    EXPECT_TRUE(HoleBotschaftPerTCPIP());
    EXPECT_EQ(gFragen.back(), "Wollen sie nach neuen Boten ausschau halten ?");
    EXPECT_EQ(Files("Data/MailIn"), 2);
    EXPECT_EQ(FileText("Data/MailIn/E0000008_00.smal"), a);
    EXPECT_EQ(FileText("Data/MailIn/E0000009_00.smal"), b);
}

}  // namespace
