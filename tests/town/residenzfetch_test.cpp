// The stand-in game server's answers fetched over loopback ("+GET") into a
// working copy of the demo realm, applied by the realm's own chunk machine,
// and what the residence makes of them: anarchy when the people's trust has
// fallen to 9, the coronation at three realm points, a disease by the dice.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "common/shareddemo.h"
#include "common/testutil.h"
#include "turn/gameserver.h"
#include "world/towns.h"
#include "net/gamemail.h"
#include "net/net.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/store.h"
#include "town/residenz.h"
#include "turn/transportfixture.h"

using namespace turntest;

namespace {

const std::time_t WHEN = 1167609599 + 86400;  // Mon, 1 Jan 2007 23:59:59

struct Fall {
    const char *name;
    AnswerTwist twist;
    LONG next;             // what ResidenzEvents gives
    UWORD spielstopp;      // PlayerInfo afterwards
    UWORD event;
    const char *town;      // the town a disease struck, or null
    UWORD townBit;         // its Event bit
    ULONG story;           // story selected, 0 none
};

// Dice bytes 1, 2 and 3 become preferences 27, 32 and 34: 5 lets a
// catastrophe happen, 8 makes it a disease (8 mod 5 = 3) and consumption
// (8 mod 4 = 0), 0 picks the first town of the outgoing TOWN chunk. Two
// million people put the capital far above consumption's 50,000. Trust 10
// leaves the realm to the story check, which tells of the capital's port.
const Fall kFaelle[] = {
    {"TrustNine", {9, -1, -1, {}}, 499, 1, 0, nullptr, 0, 0},
    {"TrustTen", {10, -1, -1, {}}, 505, 0, 0, nullptr, 0, 6},
    {"ThreeRealmPoints", {-1, 3, -1, {}}, 876, 0, 1, nullptr, 0, 0},
    {"DiseaseByTheDice", {-1, -1, 2000000, {30, 5, 8, 0, 0, 0, 0, 0}}, 505, 0, 0, "Demoburg",
     STADTEVENT_SCHWINDSUCHT, 26},
};

void PrintTo(const Fall &f, std::ostream *os) { *os << f.name; }

// The town file's Event field, as it lies at offset 4.
UWORD EventOf(const std::string &town)
{
    const vektest::Bytes b = vektest::ReadBytes("Data/Cities/" + town + ".vek");
    return b.size() == STADT_BYTES ? (UWORD)(b[4] | b[5] << 8) : 0xFFFF;
}

class ResidenzAbholung : public testing::TestWithParam<Fall> {
protected:
    st_PlayerInfo alt_ = PlayerInfo;
    ULONG (*altWuerfel_)(ULONG) = RoredIdezWuerfelHook;
    void TearDown() override
    {
        PlayerInfo = alt_;
        RoredIdezWuerfelHook = altWuerfel_;
    }
};

TEST_P(ResidenzAbholung, FetchedAnswerDecidesWhatFollows)
{
    const Fall &f = GetParam();
    vektest::ScratchDir dir;
    CopyDemoGameFiles(dir.path());
    TurnSteps real = TurnStepHooks;
    ASSERT_NE(real.ChunkMachine, nullptr);
    Fakes fakes;
    TurnStepHooks = real;  // the realm's own chunk machine and town update
    RoredIdezWuerfelHook = [](ULONG n) { return n; };  // no rare story, no luxury goods
    auto *info = (st_INFO *)LoadChunk2Mem(ID_INFO, POOL_IN);
    ASSERT_NE(info, nullptr);
    const ULONG player = info->SpielerID;
    FreeVec(info);
    PlayerInfo.SpielerID = player;
    ASSERT_TRUE(CheckPrefsWrite(9, player));
    const UWORD eventBefore = f.town ? EventOf(f.town) : 0;
    ASSERT_EQ(eventBefore & f.townBit, 0);

    GameServerStandIn server(".");
    UserSystem.OP.TCPIP_Flags = TRANSPORT_GAMESERVER;
    std::snprintf(NetCfg.GameServer, sizeof NetCfg.GameServer, "%s",
                  server.ServePackets(server.MakeAnswer(POOL_IN, player, WHEN, f.twist), 2).c_str());
    PlayerInfo.TryRecvTurn = 2;  // from the third attempt the game server is asked directly
    PlayerInfo.Spielstopp = 0, PlayerInfo.Event = 0;
    ASSERT_EQ(ResidenzDownload(nullptr, nullptr), 1);
    server.StopPackets();
    EXPECT_EQ(CheckPrefs(31, PREFS_READ, 0), DateKeyOf(WHEN));

    EXPECT_EQ(ResidenzEvents(), f.next);
    EXPECT_EQ(PlayerInfo.Spielstopp, f.spielstopp);
    EXPECT_EQ(PlayerInfo.Event, f.event);
    if (f.town) {
        EXPECT_EQ(EventOf(f.town), eventBefore | f.townBit);
        char *name = RoredIdezPrefsReadText(46);
        EXPECT_STREQ(name, f.town);
        FreeVec(name);
    }
    if (f.story) {
        EXPECT_EQ(RoredIdezPrefs(0, PREFS_READ, 0), f.story);
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, ResidenzAbholung, testing::ValuesIn(kFaelle),
                         [](const testing::TestParamInfo<Fall> &i) { return std::string(i.param.name); });

}  // namespace
