// The turn's advisor boxes as the player meets them: the real boxes on the
// dummy display at 8 and 32 bits, confirmed by pushed keys, the display given
// back whole, and at 32 bits the kept map screen flushed and rebuilt around
// the work.
#include "dialogfixture.h"

#include <cstring>
#include <filesystem>

#include "net/gamemail.h"
#include "net/net.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/store.h"
#include "turn/turn.h"
#include "transportfixture.h"

using namespace vektest;

namespace {

int unlocks = 0, setups = 0;

class TurnBoxTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        AddPicture(66, 304, 122);
        AddPicture(153, 86, 16);
        AddPicture(154, 86, 16);
        boxes_ = TurnBoxHooks;
        steps_ = TurnStepHooks;
        chiefOpen_ = NetChiefOpenHook;
        chiefClose_ = NetChiefCloseHook;
        chiefMessage_ = NetChiefMessageHook;
        net_ = NetCfg;
        NetChiefMessageHook = nullptr;
        unlocks = setups = 0;
        TurnMapUnlockHook = [] { return (LONG)++unlocks; };
        TurnMapNewSetupHook = [](BOOL) { return (BOOL)++setups; };
        for (const char *d : {"Data/POP3In", "Data/POP3Out", "Data/MailOut", "Map"}) MakeDirs(d);
        PlayerInfo.SpielerID = 1234;
        CheckPrefsWrite(9, 1234);
        std::snprintf(UserSystem.OP.InterPOPName, 40, "127.0.0.1:1");
        UserSystem.OP.TCPIP_Flags = TRANSPORT_MAIL;
        std::snprintf(NetCfg.ProbeHost1, sizeof NetCfg.ProbeHost1, "127.0.0.1");
        std::snprintf(NetCfg.ProbeHost2, sizeof NetCfg.ProbeHost2, "127.0.0.1");
        std::snprintf(PlayerInfo.ForumURL, sizeof PlayerInfo.ForumURL, "http://forum.test/");
        PlayerInfo.ForumServer[0] = 0;
    }
    void TearDown() override
    {
        TurnBoxHooks = boxes_;
        TurnStepHooks = steps_;
        NetChiefOpenHook = chiefOpen_;
        NetChiefCloseHook = chiefClose_;
        NetChiefMessageHook = chiefMessage_;
        NetCfg = net_;
        TurnMapUnlockHook = nullptr;
        TurnMapNewSetupHook = nullptr;
        DialogTest::TearDown();
    }
    int Count(const std::string &call)
    {
        int n = 0;
        for (const auto &c : calls_) n += c == call;
        return n;
    }
    TurnBoxes boxes_;
    TurnSteps steps_;
    APTR (*chiefOpen_)(const char *);
    void (*chiefClose_)(APTR);
    void (*chiefMessage_)(const char *);
    NetConfig net_;
};

BOOL Applied(const char *, ULONG, ULONG) { return 1; }
BOOL Done() { return 1; }
BOOL MailChunk(const char *, const char *) { return 1; }

}  // namespace

TEST_P(TurnBoxTest, DownloadBoxesConfirmedByThePlayer)
{
    TurnStepHooks = {Applied, MailChunk, Done, Done, Done, Done};
    turntest::PutAnswer("00001234.email", 1167609600, 1203, 1);
    Pattern();
    Remember();
    Return();  // the failed fetch
    Return();  // the data received
    EXPECT_TRUE(ResidenzDownload(nullptr, nullptr));
    ExpectUntouched();
    EXPECT_EQ(Count("copy 66"), 2);          // going online, then the download's own box
    EXPECT_EQ(Count("blit 154 109,103"), 2);  // Ok shown pressed for each confirmation
    EXPECT_EQ(unlocks, Depth() > 8 ? 1 : 0);
    EXPECT_EQ(setups, Depth() > 8 ? 1 : 0);
}

TEST_P(TurnBoxTest, UploadBoxConfirmedByThePlayer)
{
    TurnStepHooks = {Applied, MailChunk, Done, Done, Done, Done};
    turntest::PutKornLand(POOL_IN, 1203, 1);
    CheckPrefsWriteText(8, "me@home.test");
    UserSystem.OP.TCPIP_Flags = 0;  // nothing goes: "Couldn't send"
    Pattern();
    Remember();
    Return();
    EXPECT_EQ(ResidenzUpload(), 1);
    ExpectUntouched();
    EXPECT_EQ(Count("copy 66"), 3);  // the turn being built, going online, the send
    EXPECT_EQ(Count("blit 154 109,103"), 1);
    EXPECT_EQ(unlocks, Depth() > 8 ? 1 : 0);
    EXPECT_EQ(setups, Depth() > 8 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Depths, TurnBoxTest, ::testing::Values(8, 32));
