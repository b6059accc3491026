// Screen 35 on the demo set at 8 and 32 bits: every field's requester opens
// and closes leaving the screen as it was; Cancel writes nothing; Ok starts
// the research in the orders pool with the record otherwise as received, and
// a second start is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/scriptinput.h"
#include "platform/catalog.h"
#include "platform/strings.h"
#include "realm/realm.h"
#include "realm/reichdialoge.h"
#include "realmscreen.h"
#include "store/store.h"

using namespace vektest;

namespace {

std::vector<std::string> said, asked;
LONG antwort = 0;

class ResearchScreen : public RealmScreenTest {
protected:
    void SetUp() override
    {
        RealmScreenTest::SetUp();
        alt_ = ForschungDialogHooks;
        said.clear(), asked.clear();
        ForschungDialogHooks = {[](const char *t) { said.push_back(t); },
                                [](const char *t) { asked.push_back(t); return antwort; },
                                [](const char *t) { said.push_back(t); return (LONG)0; }};
    }
    void TearDown() override
    {
        ForschungDialogHooks = alt_;
        RealmScreenTest::TearDown();
    }
    // A click on the numbered field gadget n of the screen.
    static void Field(int n)
    {
        const auto at = GadgetCentres("./Data/screendat/Forschung.dat");
        const auto it = at.find(std::string(3, '\0') + (char)n);
        ASSERT_NE(it, at.end()) << "field " << n;
        PushClick(it->second.first, it->second.second);
    }
    // The FORS chunk's bytes as a pool file holds them.
    static std::string Fors(const std::string &pool)
    {
        const size_t at = pool.find("FORSV001");
        return at == std::string::npos ? std::string() : pool.substr(at, 28);
    }
    ReichDialoge alt_{};
};

TEST_P(ResearchScreen, EachFieldOpensAndClosesCancelWritesNothing)
{
    const std::string out = FileText(POOL_OUT);
    probeArea_ = {62, 45, 300, 220};
    antwort = 1;
    {
        ScriptFeeder feed;
        Probe();
        for (int n = 0; n < 7; ++n) {
            Field(n);
            Probe();
            Click("ForschungReq.dat", n == 0 ? "OKOK" : "EXIT");
            Probe();
        }
        Click("Forschung.dat", "EXIT");
        feed.Start();
        EXPECT_EQ(ForschungScreen(), 2);
    }
    const auto p = Probes();
    ASSERT_EQ(p.size(), 15u);
    for (size_t i = 1; i < p.size(); i += 2) {
        EXPECT_NE(p[i], p[0]) << "requester " << i / 2 << " shown";
        EXPECT_EQ(p[i + 1], p[0]) << "requester " << i / 2 << " gone";
    }
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], std::string(GetString(&_VEK_FORSCHUNG_STARTFRAGE1)) + " 20000 " +
                            GetString(&_VEK_FORSCHUNG_STARTFRAGE2));
    EXPECT_TRUE(said.empty());
    EXPECT_EQ(FileText(POOL_OUT), out);
}

TEST_P(ResearchScreen, OkStartsOnceAndTheRecordStaysAsRead)
{
    const std::string received = Fors(FileText(POOL_IN));
    ASSERT_EQ(received.size(), 28u);
    antwort = 0;
    {
        ScriptFeeder feed;
        Field(5);
        Click("ForschungReq.dat", "INFO");
        Click("ForschungReq.dat", "DO00");
        Click("ForschungReq.dat", "OKOK");
        Field(1);
        Click("ForschungReq.dat", "OKOK");
        Field(6);
        Click("ForschungReq.dat", "OKOK");
        Click("Forschung.dat", "EXIT");
        feed.Start();
        EXPECT_EQ(ForschungScreen(), 2);
    }
    ASSERT_EQ(asked.size(), 1u);
    ASSERT_EQ(said.size(), 3u);
    EXPECT_EQ(said[0], GetString(&_VEK_FORSCHUNG_INFORMATION));
    EXPECT_EQ(said[1], GetString(&_VEK_FORSCHUNG_DEJA));
    EXPECT_EQ(said[2], GetString(&_VEK_FORSCHUNG_DEJA));
    std::string expected = received;
    expected[12] = 6;
    const std::string written = Fors(FileText(POOL_OUT));
    EXPECT_EQ(written.substr(0, 12), std::string("FORSV001\0\0\0\x10", 12));
    EXPECT_EQ(written, expected);

    // The next visit reads the orders: the research runs.
    said.clear(), asked.clear();
    {
        ScriptFeeder feed;
        Field(0);
        Click("ForschungReq.dat", "OKOK");
        Click("Forschung.dat", "EXIT");
        feed.Start();
        EXPECT_EQ(ForschungScreen(), 2);
    }
    EXPECT_TRUE(asked.empty());
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0], GetString(&_VEK_FORSCHUNG_DEJA));
}

// Levels past 7 and a counter past the duration from a hostile pool: every
// requester opens and closes, nothing past the pictures and texts is drawn,
// a field past 7 refuses.
TEST_P(ResearchScreen, HostileLevelsAndCounter)
{
    st_FORS f{};
    f.Head = {ID_FORS, VERSION_V001, 16};
    f.Technik = 9, f.Astronomie = 255, f.AktiveForschung = 0, f.ForschungsCounter = 255, f.ForschungsZeit = 1;
    ASSERT_TRUE(AddChunkPool(&f, POOL_OUT));
    const std::string out = FileText(POOL_OUT);
    antwort = 0;
    {
        ScriptFeeder feed;
        for (int n = 0; n < 7; ++n) {
            Field(n);
            Click("ForschungReq.dat", n == 6 || n == 0 ? "OKOK" : "EXIT");
        }
        Click("Forschung.dat", "EXIT");
        feed.Start();
        EXPECT_EQ(ForschungScreen(), 2);
    }
    EXPECT_TRUE(asked.empty());
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[0], GetString(&_VEK_FORSCHUNG_NOTHIGHER));
    EXPECT_EQ(said[1], GetString(&_VEK_FORSCHUNG_NOTHIGHER));
    EXPECT_EQ(FileText(POOL_OUT), out);
}

INSTANTIATE_TEST_SUITE_P(Depths, ResearchScreen, ::testing::Values(8, 32));

}  // namespace
