// The reminder for the preset postbox and the forum news.
#include <cstring>
#include <gtest/gtest.h>

#include "../net/nettest.h"
#include "platform/catalog.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "transportfixture.h"

using namespace turntest;
using namespace nettest;
using vektest::ScratchDir;

TEST(ShowNervReq, CountsDownOneSecondLongerEachTime)
{
    ScratchDir dir;
    Fakes fakes;
    OptionenPrefs saved = UserSystem.OP;
    const std::string host = "smtp." + std::string(GameMailCfg.OperatorDomain);
    std::snprintf(UserSystem.OP.InterSMTPName, 40, "%s", host.c_str());
    std::snprintf(UserSystem.OP.SMTPUsername, 40, "%s17", GameMailCfg.PresetStem);
    std::snprintf(UserSystem.OP.SMTPPassword, 40, "%s", GameMailCfg.PresetStem);
    const std::string text = GetString(&_VEK_NERV_REQ);
    for (int seconds : {10, 11}) {
        SCOPED_TRACE(seconds);
        Seen = Record();
        ShowNervReq();
        EXPECT_EQ(Seen.delays, 50 * seconds);  // one second is 50 ticks
        EXPECT_EQ(Seen.texts.front(), text + " " + std::to_string(seconds));
        EXPECT_EQ(Seen.texts.back(), text + " 0");
        EXPECT_EQ(Seen.confirmed, 1);
        EXPECT_EQ(CheckPrefs(26, PREFS_READ, 0), (ULONG)seconds);
    }
    struct Row {
        const char *name, *smtp, *user, *pass, *address;
        bool shown;
    } rows[] = {
        {"own servers", "smtp.home.test", "me", "pw", "me@home.test", false},
        {"own password on the operator's server", nullptr, nullptr, "pw", "me@home.test", false},
        {"an address at the operator's domain", "smtp.home.test", "me", "pw", nullptr, true},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        UserSystem.OP = saved;
        std::snprintf(UserSystem.OP.InterSMTPName, 40, "%s", r.smtp ? r.smtp : ("smtp." + std::string(GameMailCfg.OperatorDomain)).c_str());
        std::snprintf(UserSystem.OP.SMTPUsername, 40, "%s", r.user ? r.user : GameMailCfg.PresetStem);
        std::snprintf(UserSystem.OP.SMTPPassword, 40, "%s", r.pass);
        CheckPrefsWriteText(8, r.address ? r.address : ("me@" + std::string(GameMailCfg.OperatorDomain)).c_str());
        Seen = Record();
        ShowNervReq();
        EXPECT_EQ(Seen.opened > 0, r.shown);
    }
    UserSystem.OP = saved;
}

TEST(ShowForumMessage, ShownOnlyFor200)
{
    ScratchDir dir;
    Fakes fakes;
    struct Row {
        const char *name, *body;
        bool shown;
    } rows[] = {
        {"news", "200 OK\nThe bridge is open.", true},
        {"nothing new", "404 no news", false},
        {"empty body", "", false},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        std::string request;
        Seen = Record();
        BOOL shown;
        {
            LoopPeer peer([&](int fd) {
                request = ReadUntil(fd, "\r\n\r\n");
                WriteAll(fd, std::string("HTTP/1.0 200 OK\r\n\r\n") + r.body);
            });
            std::snprintf(PlayerInfo.ForumServer, sizeof PlayerInfo.ForumServer, "%s", peer.server().c_str());
            std::snprintf(PlayerInfo.ForumURL, sizeof PlayerInfo.ForumURL, "http://forum.test/");
            std::snprintf(PlayerInfo.Spielname, sizeof PlayerInfo.Spielname, "Ada Lov");
            shown = ShowForumMessage(nullptr, nullptr);
        }
        EXPECT_EQ(shown, r.shown);
        EXPECT_EQ(request.rfind("GET http://forum.test/fetch_news.php?username=Ada%20Lov HTTP/1.0", 0), 0u) << request;
        EXPECT_EQ(Seen.textBoxes, r.shown ? 1 : 0);
        if (r.shown) {
            EXPECT_EQ(Seen.texts.back(), "The bridge is open.");
        }
    }
    PlayerInfo.ForumServer[0] = 0;
    EXPECT_FALSE(ShowForumMessage(nullptr, nullptr));  // no forum known
}
