// The update screen: its rules (versions, the bar, the barrels' hit areas,
// which listed files are updates), and the screen on the demo set at 8 and
// 32 bits driven by pushed input, offline and against scripted FTP servers.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "../net/nettest.h"
#include "common/demoscreen.h"
#include "common/scriptinput.h"
#include "common/testutil.h"
#include "net/net.h"
#include "net/netproto.h"
#include "online/online.h"
#include "platform/system.h"
#include "ui/screendat.h"

using namespace vektest;

namespace {

std::string Line(const std::string &name, unsigned size)
{
    return "-rw-r--r--    1 0        0     " + std::to_string(size) + " Jan 01 12:00 " + name + "\r\n";
}

TEST(LagerRules, VersionsFromTheProgramAndFromANote)
{
    char text[8];
    EXPECT_EQ(ProgrammVersion(text), 58u);
    EXPECT_STREQ(text, "0.58");
    EXPECT_EQ(LagerVersion("059", text), 59u);
    EXPECT_STREQ(text, "0.59");
    EXPECT_EQ(LagerVersion("5x9", text), 0u);
    EXPECT_STREQ(text, "----");
    EXPECT_EQ(LagerVersion(nullptr, text), 0u);
}

TEST(LagerRules, TheBarGrowsWithTheDownload)
{
    struct Row {
        ULONG total, done, end;
    } rows[] = {
        {10240, 5120, 320},       {1024, 1024, 465},          {1023, 1023, 0},
        {1024, 0, 175},           {314572800, 209715200, 368}, {4000000000u, 4000000000u, 465},
        {2048, 4096, 465},  // more than announced never draws past the box
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(std::to_string(r.total) + "/" + std::to_string(r.done));
        EXPECT_EQ(LagerBalkenEnde(r.total, r.done), r.end);
    }
}

TEST(LagerRules, ABarrelIsHitInsideItsArea)
{
    struct Row {
        LONG x, y;
        BOOL hit;
    } rows[] = {{102, 226, 1}, {170, 294, 1}, {171, 226, 0}, {101, 226, 0}, {102, 225, 0}, {170, 295, 0}};
    for (const Row &r : rows) {
        SCOPED_TRACE(std::to_string(r.x) + "," + std::to_string(r.y));
        EXPECT_EQ(LagerFassTrifft(100, 200, r.x, r.y), r.hit);
    }
}

TEST(LagerRules, OnlyArchivesWithNotesAreUpdatesAndTenAtMost)
{
    struct Row {
        const char *name;
        std::string listing;
        std::vector<std::string> updates;
    } rows[] = {
        {"archive with note", Line("a.zip", 5) + Line("a.txt", 3), {"a.zip"}},
        {"an archive without note, a note without archive", Line("a.zip", 5) + Line("b.txt", 3), {}},
        {"neither zip nor exe", Line("a.tar", 5) + Line("a.txt", 3), {}},
        {"exe", Line("a.exe", 5) + Line("a.txt", 3), {"a.exe"}},
    };
    char names[10][256], texts[10][256];
    ULONG sizes[10], textSizes[10];
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        CreateFTPNodes(r.listing.data(), (ULONG)r.listing.size());
        const UWORD n = CountUpdates(names, texts, sizes, textSizes);
        ASSERT_EQ(n, r.updates.size());
        for (UWORD i = 0; i < n; ++i) EXPECT_EQ(names[i], r.updates[i]);
    }
    std::string eleven;
    for (int i = 0; i < 11; ++i) eleven += Line("u" + std::to_string(i) + ".zip", 100 + i) + Line("u" + std::to_string(i) + ".txt", 10);
    CreateFTPNodes(eleven.data(), (ULONG)eleven.size());
    EXPECT_EQ(CountUpdates(names, texts, sizes, textSizes), 10);
    EXPECT_STREQ(names[9], "u9.zip");
    EXPECT_EQ(sizes[9], 109u);
    EXPECT_STREQ(texts[9], "u9.txt");
    FreeFTPList();
}

// The scripted update server: a control connection and one data connection
// per transfer, handed out in order.
std::deque<nettest::Script> gScripts;
size_t gNext = 0;

class LagerScreenTest : public DemoScreenTest {
protected:
    void SetUp() override
    {
        DemoScreenTest::SetUp();
        oldFlags_ = UserSystem.VekFlags;
        std::snprintf(oldServer_, sizeof oldServer_, "%s", NetCfg.UpdateServer);
    }
    void TearDown() override
    {
        UserSystem.VekFlags = oldFlags_;
        std::snprintf(NetCfg.UpdateServer, sizeof NetCfg.UpdateServer, "%s", oldServer_);
        FTPConnectHook = NetConnect;
        DemoScreenTest::TearDown();
    }
    static std::pair<LONG, LONG> Barrel(int i)
    {
        ScreenRegion *r = GetScreenRegion("./Data/screendat/Lager.dat", SR_PUNKT);
        EXPECT_NE(r, nullptr);
        std::pair<LONG, LONG> at{0, 0};
        if (r && (ULONG)i < r->CountPunkt) at = {r->Punkt[i].X0 + 30, r->Punkt[i].Y0 + 50};
        ClearScreenRegion(r);
        return at;
    }
    ULONG oldFlags_ = 0;
    char oldServer_[64] = "";
};

TEST_P(LagerScreenTest, OfflineEveryClickShowsTheNoServerBox)
{
    UserSystem.VekFlags &= ~VEKFLAG_ONLINE;
    auto at = GadgetCentres("./Data/screendat/Lager.dat");
    ASSERT_TRUE(at.count("CH00"));
    PushClick(at["CH00"].first, at["CH00"].second);
    PushEscape();  // the box
    PushEscape();  // the screen
    StdoutCapture out;
    EXPECT_EQ(LagerScreen(), 59);
    const std::string text = out.Take();
    EXPECT_NE(text.find("InitUpdateData:ONLINE FLAG NICHT GESETZT!"), std::string::npos);
    EXPECT_EQ(text.find("OpenFTP("), std::string::npos);
}

TEST_P(LagerScreenTest, ABarrelShowsItsNoteAndOkDownloadsTheArchive)
{
    UserSystem.VekFlags |= VEKFLAG_ONLINE;
    std::snprintf(NetCfg.UpdateServer, sizeof NetCfg.UpdateServer, "updates.test:2121");
    const std::string note = "VEK: 060\nVersion 0.60\n\nNew pictures.\n";
    std::string archive(5000, 'a');
    for (size_t i = 0; i < archive.size(); ++i) archive[i] = (char)(i * 13);
    const std::string pasv = "227 Entering Passive Mode (127,0,0,1,4,1).\r\n";
    gScripts.clear();
    gScripts.emplace_back();
    gScripts.back().steps = {
        nettest::D("220 ready\r\n331 pw\r\n230 in\r\n250 cwd\r\n"), nettest::D(pasv + "150 list\r\n226 done\r\n"),
        nettest::D(pasv + "200 binary\r\n150 note\r\n226 done\r\n"),
        nettest::D(pasv + "200 binary\r\n150 archive\r\n226 done\r\n"), nettest::D("221 bye\r\n"), nettest::Closed()};
    gScripts.emplace_back();
    gScripts.back().steps = {nettest::D(Line("vek060.zip", 5000) + Line("vek060.txt", (unsigned)note.size())),
                             nettest::Closed()};
    gScripts.emplace_back();
    gScripts.back().steps = {nettest::D(note), nettest::Closed()};
    gScripts.emplace_back();
    gScripts.back().steps = {nettest::D(archive.substr(0, 2000)), nettest::D(archive.substr(2000)), nettest::Closed()};
    gNext = 0;
    FTPConnectHook = [](const char *, UWORD, int *why) -> VekConn * {
        if (gNext >= gScripts.size()) {
            *why = 2;
            return nullptr;
        }
        return nettest::ScriptConn(gScripts[gNext++]);
    };
    auto req = GadgetCentres("./Data/screendat/LagerReq.dat");
    ASSERT_TRUE(req.count("OKOK"));
    auto barrel = Barrel(0);
    PushClick(barrel.first, barrel.second);
    PushClick(req["OKOK"].first, req["OKOK"].second);
    PushKey(SDLK_RETURN, 13);  // the advisor's "loaded" message
    PushEscape();
    StdoutCapture out;
    EXPECT_EQ(LagerScreen(), 59);
    const std::string text = out.Take();
    EXPECT_EQ(gScripts[0].sent, "USER vekupdate.invalid\r\nPASS Rudoz\r\nCWD /\r\nPASV\r\nLIST -alF\r\n"
                                "PASV\r\nTYPE I\r\nRETR vek060.txt\r\nPASV\r\nTYPE I\r\nRETR ///vek060.zip\r\nQUIT\r\n")
        << text;
    auto got = ReadBytes("vek060.zip");
    EXPECT_TRUE(std::string(got.begin(), got.end()) == archive) << got.size() << " bytes stored";
    EXPECT_FALSE(std::filesystem::exists("ftptemp.txt"));
    EXPECT_NE(text.find("FTP geschlossen"), std::string::npos);
}

// The demo set's Updates/ served by a real vsftpd: the newest update's barrel,
// Ok, and the archive stands in the working folder as served.
TEST_P(LagerScreenTest, TheDemoUpdatesFromARealServer)
{
    nettest::Rig rig;
    const std::string served = std::filesystem::absolute("Updates").string();
    const int port = nettest::FreePort();
    NET_START_OR_SKIP(rig, "vsftpd", port, "127.0.0.1", served);
    UserSystem.VekFlags |= VEKFLAG_ONLINE;
    std::snprintf(NetCfg.UpdateServer, sizeof NetCfg.UpdateServer, "127.0.0.1:%d", port);
    char account[32];
    std::snprintf(account, sizeof account, "%s", NetCfg.UpdateAccount);
    std::snprintf(NetCfg.UpdateAccount, sizeof NetCfg.UpdateAccount, "anonymous");
    auto req = GadgetCentres("./Data/screendat/LagerReq.dat");
    auto barrel = Barrel(1);  // the listing is sorted by name: vek059, vek060
    PushClick(barrel.first, barrel.second);
    PushClick(req["OKOK"].first, req["OKOK"].second);
    PushKey(SDLK_RETURN, 13);
    PushEscape();
    StdoutCapture out;
    EXPECT_EQ(LagerScreen(), 59);
    const std::string text = out.Take();
    std::snprintf(NetCfg.UpdateAccount, sizeof NetCfg.UpdateAccount, "%s", account);
    EXPECT_TRUE(ReadBytes("vek060.zip") == ReadBytes("Updates/vek060.zip")) << text.substr(0, 4000);
    EXPECT_FALSE(std::filesystem::exists("vek059.zip"));
    EXPECT_FALSE(std::filesystem::exists("ftptemp.txt"));
}

INSTANTIATE_TEST_SUITE_P(Depths, LagerScreenTest, ::testing::Values(8, 32));

}  // namespace
