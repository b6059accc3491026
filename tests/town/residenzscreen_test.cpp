// The residence on the demo set at 8 and 32 bits: every gadget leads to its
// screen by a pushed click, Escape to the title, and the tutorial's first
// question comes after a new turn, the tips afterwards.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "common/testutil.h"
#include "turn/transportfixture.h"
#include "turn/gameserver.h"
#include "media/movie.h"
#include "net/gamemail.h"
#include "net/net.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "gfx/sdlinit.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "store/store.h"
#include "platform/system.h"
#include "town/residenz.h"
#include "town/town.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/screendat.h"

using namespace vektest;

namespace {

std::vector<std::string> asked, shown;

class ResidenzBildschirm : public ::testing::TestWithParam<int> {
protected:
    ResidenzDialogs altDialogs = ResidenzDialogHooks;
    st_PlayerInfo alt = PlayerInfo;

    void SetUp() override
    {
        dir_ = std::make_unique<ScratchDir>();
        MakeDemoData(dir_->path());
        screen_ = std::make_unique<SdlScreen>(GetParam());
        ASSERT_TRUE(screen_->Ok());
        UseKavorGadgetPainter();
        FadeDelayHook = [](ULONG) {};
        SDL_Event ev;
        while (SDL_PollEvent(&ev)) {
        }
        asked.clear(), shown.clear();
        ResidenzDialogHooks = {[](const char *t) { asked.push_back(t); return (LONG)1; },
                               [](const char *t) { shown.push_back(t); },
                               [](const char *t) { shown.push_back(t); return (LONG)1; },
                               [](const char *, const char *, UWORD) { return (LONG)-1; }};
        PlayerInfo.TurnChecked = 1;
        ScreenRegion *r = GetScreenRegion("./Data/screendat/Residenz1.dat", SR_TITLEBAR | SR_GADGETDATA | SR_RECHTECK);
        ASSERT_NE(r, nullptr);
        for (ULONG i = 0; i < r->CountGadgetData; ++i) gadgets_.push_back(r->GadgetData[i]);
        ClearScreenRegion(r);
        ASSERT_EQ(gadgets_.size(), 15u);
    }
    void TearDown() override
    {
        GetKeyClickHook = nullptr;
        SDL_Event ev;
        while (SDL_PollEvent(&ev)) {
        }
        ResidenzDialogHooks = altDialogs;
        PlayerInfo = alt;
        if (TitelScreenPtr) CloseKavorPic(0, 0);
        FadeDelayHook = nullptr;
        screen_.reset();
        dir_.reset();
    }
    void Click(const char (&code)[5])
    {
        for (const GadgetData &g : gadgets_)
            if (g.ReturnID == MakeGadgetID(code)) return PushClick((g.X0 + g.X1) / 2, (g.Y0 + g.Y1) / 2);
        ADD_FAILURE() << "no gadget " << code;
    }
    std::unique_ptr<ScratchDir> dir_;
    std::unique_ptr<SdlScreen> screen_;
    std::vector<GadgetData> gadgets_;
};

TEST_P(ResidenzBildschirm, EachGadgetLeadsToItsScreen)
{
    struct Ziel {
        const char code[5];
        LONG screen;
    } ziele[] = {{"DIPL", 34}, {"EXIT", 1},  {"MAP ", 3},  {"MESS", 33}, {"OPTI", 133},
                 {"REGI", 32}, {"REPO", 36}, {"RESA", 35}, {"SPEC", 38}, {"STAT", 41},
                 {"TAX ", 42}, {"TOWN", 39}, {"TREE", 40}};
    ASSERT_TRUE(CheckPrefsWrite(30, 18));
    ASSERT_TRUE(CheckPrefsWrite(28, 9));
    for (const Ziel &z : ziele) {
        SCOPED_TRACE(z.code);
        Click(z.code);
        EXPECT_EQ(ResidenzScreen(), z.screen);
    }
    PushEscape();
    EXPECT_EQ(ResidenzScreen(), 1);
    EXPECT_TRUE(asked.empty());
    EXPECT_TRUE(shown.empty());
}

TEST_P(ResidenzBildschirm, TutorialAskedAfterANewTurnThenTips)
{
    ASSERT_TRUE(CheckPrefsWrite(30, 0));
    ASSERT_TRUE(CheckPrefsWrite(35, 1));
    PushEscape();
    EXPECT_EQ(ResidenzScreen(), 1);
    ASSERT_EQ(asked.size(), 1u);  // declined
    EXPECT_EQ(CheckPrefs(30, PREFS_READ, 0), 18u);
    EXPECT_EQ(CheckPrefs(35, PREFS_READ, 0), 0u);
    // The next visit shows the first tip.
    ASSERT_TRUE(CheckPrefsWrite(28, 0xFF));
    PushEscape();
    EXPECT_EQ(ResidenzScreen(), 1);
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(CheckPrefs(28, PREFS_READ, 0), 1u);
}

// The demo set's tutorial preferences: a new turn applied, the tutorial not
// begun. The visit asks once and, confirmed, shows the welcome text only.
TEST_P(ResidenzBildschirm, TutorialPrefsOfTheDemoSetOfferTheFirstStep)
{
    ASSERT_EQ(vektest::ReadBytes("Tutorial/Data/Prefs.vek").size(), PREFS_FILE_SIZE);
    vektest::WriteBytes("Data/Prefs.vek", vektest::ReadBytes("Tutorial/Data/Prefs.vek"));
    ASSERT_EQ(CheckPrefs(30, PREFS_READ, 0), 0u);
    ASSERT_EQ(CheckPrefs(35, PREFS_READ, 0), 1u);
    ResidenzDialogHooks.Ask = [](const char *t) { asked.push_back(t); return (LONG)0; };
    PushEscape();
    EXPECT_EQ(ResidenzScreen(), 1);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], GetString(&_VEK_RESIDENZ_TUTORIAL));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], GetStringFromID(1545));
    EXPECT_EQ(CheckPrefs(30, PREFS_READ, 0), 1u);
    EXPECT_EQ(CheckPrefs(35, PREFS_READ, 0), 0u);
    // The capital has its own name: the next visit goes one step on, not more.
    PushEscape();
    EXPECT_EQ(ResidenzScreen(), 1);
    EXPECT_EQ(asked.size(), 1u);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1], GetStringFromID(1546));
    EXPECT_EQ(CheckPrefs(30, PREFS_READ, 0), 2u);
}

// The area's pixels as the screen stands when its tip is shown.
std::vector<ULONG> captured;
LONG capX, capY, capW, capH;

void Capture(const char *)
{
    captured.clear();
    BitMap *bm = DisplayRastPort()->BitMap;
    for (LONG y = capY; y < capY + capH; ++y) {
        std::vector<ULONG> row = RowOf(bm, capX, y, capW);
        captured.insert(captured.end(), row.begin(), row.end());
    }
}

TEST_P(ResidenzBildschirm, ScrollsAndAdvisorShowTheRealm)
{
    ResidenzDialogHooks.Message = Capture;
    const auto visit = [](LONG x, LONG y, LONG w, LONG h) {
        capX = x, capY = y, capW = w, capH = h;
        EXPECT_TRUE(CheckPrefsWrite(30, 18));
        EXPECT_TRUE(CheckPrefsWrite(28, 0));
        PushEscape();
        EXPECT_EQ(ResidenzScreen(), 1);
        return captured;
    };
    // One scroll picture per number of turns sent, none before the first.
    std::vector<std::vector<ULONG>> scrolls;
    for (ULONG sent : {0u, 1u, 2u, 3u, 7u}) {
        ASSERT_TRUE(CheckPrefsWrite(15, sent));
        scrolls.push_back(visit(448, 384, 52, 43));
        ASSERT_EQ(scrolls.back().size(), 52u * 43);
    }
    for (size_t i = 1; i < scrolls.size(); ++i) EXPECT_NE(scrolls[0], scrolls[i]) << i;
    EXPECT_EQ(scrolls[3], scrolls[4]);
    // The advisor stands with a turn received; without one the picture stays.
    const std::vector<ULONG> present = visit(16, 439, 32, 37);
    ASSERT_EQ(std::remove(POOL_IN), 0);
    const std::vector<ULONG> away = visit(16, 439, 32, 37);
    EXPECT_NE(present, away);
}

// The alchemist and the scribe: their frames decode, and at a frame a second
// no more than two are shown in a second and a half.
TEST_P(ResidenzBildschirm, TheTwoMoviesDecodeAtAFrameASecond)
{
    ASSERT_GE(OpenKavorPic("./Data/Path", 2, PIC_NOFADE), 0);
    LokaleDatenResidenzScreen ld{};
    ASSERT_TRUE(InitResidenzAnims(&ld));
    ASSERT_NE(ld.Movie1, nullptr);
    ASSERT_NE(ld.Movie2, nullptr);
    auto look = [](APTR a, bool *decoded, ULONG *shown) {
        auto *m = (st_Movie *)a;
        SDL_SemWait(m->lock);
        *decoded = m->A5Handle != nullptr;
        *shown = m->DisplayCount;
        SDL_SemPost(m->lock);
    };
    // Decoding takes what it takes on a loaded or emulated run; the pace is
    // measured once both stand.
    EXPECT_TRUE(WaitFor(
        [&] {
            bool d1 = false, d2 = false;
            ULONG n = 0;
            look(ld.Movie1, &d1, &n);
            look(ld.Movie2, &d2, &n);
            return d1 && d2;
        },
        "both movies decoded", 30 * SlowFactor()));
    ULONG before[2] = {}, after[2] = {};
    bool decoded = false;
    look(ld.Movie1, &decoded, &before[0]);
    look(ld.Movie2, &decoded, &before[1]);
    SDL_Delay(1500);  // a window for counting frames, not a wait for a state
    look(ld.Movie1, &decoded, &after[0]);
    look(ld.Movie2, &decoded, &after[1]);
    for (int i = 0; i < 2; ++i) EXPECT_LE(after[i] - before[i], 2u) << ((st_Movie *)(i ? ld.Movie2 : ld.Movie1))->Path;
    FreeResidenzAnims(&ld);
    CloseKavorPic(2, 0);
}

TEST_P(ResidenzBildschirm, DownFetchesATurnAndWhatFollowsIt)
{
    ASSERT_TRUE(CheckPrefsWrite(30, 18));
    ASSERT_TRUE(CheckPrefsWrite(28, 9));
    // Nothing new: the residence stays until left.
    {
        turntest::Fakes fakes;
        Click("DOWN");
        PushEscape();
        EXPECT_EQ(ResidenzScreen(), 1);
        EXPECT_EQ(PlayerInfo.Spielstopp, 0u);
    }
    // The server's answer holds a realm whose people trust nobody (LAND trust 0).
    turntest::Fakes fakes;
    PlayerInfo.Spielstopp = 0;
    ASSERT_TRUE(CheckPrefsWrite(31, 0));
    turntest::PutAnswer("00001234.email", 1167609600, 1, 2);
    Click("DOWN");
    EXPECT_EQ(ResidenzScreen(), 499);
    EXPECT_EQ(PlayerInfo.Spielstopp, 1u);
}

// The whole display at each mouse press.
std::vector<std::vector<ULONG>> atPress;

void CaptureAtPress()
{
    BitMap *bm = DisplayRastPort()->BitMap;
    std::vector<ULONG> all;
    for (LONG y = 0; y < VekDisplay.VekScreen_Hoehe; ++y) {
        std::vector<ULONG> row = RowOf(bm, 0, y, VekDisplay.VekScreen_Breite);
        all.insert(all.end(), row.begin(), row.end());
    }
    atPress.push_back(all);
}

TEST_P(ResidenzBildschirm, DownWithNothingNewChangesNoPixelOutsideTheMovies)
{
    ASSERT_TRUE(CheckPrefsWrite(30, 18));
    ASSERT_TRUE(CheckPrefsWrite(28, 9));
    turntest::Fakes fakes;
    const LONG w = VekDisplay.VekScreen_Breite, h = VekDisplay.VekScreen_Hoehe;
    // Presses where no gadget lies show the screen before and after DOWN.
    const LONG sx = w - 2, sy = h - 2;
    for (const GadgetData &g : gadgets_) ASSERT_FALSE(sx >= g.X0 && sx <= g.X1 && sy >= g.Y0 && sy <= g.Y1);
    atPress.clear();
    GetKeyClickHook = CaptureAtPress;
    PushClick(sx, sy);
    Click("DOWN");
    PushClick(sx, sy);
    PushEscape();
    EXPECT_EQ(ResidenzScreen(), 1);
    GetKeyClickHook = nullptr;
    ASSERT_EQ(atPress.size(), 3u);
    atPress.erase(atPress.begin() + 1);  // the press on DOWN itself
    ASSERT_EQ(atPress[0].size(), (size_t)(w * h));
    // The alchemist and the scribe, 64 x 64 each, go on moving; the title
    // bar names the gadget the pointer last passed (descenders below it).
    const auto inMovie = [](LONG x, LONG y) {
        return (x >= 512 && x < 576 && y >= 70 && y < 134) || (x >= 480 && x < 544 && y >= 252 && y < 316);
    };
    const auto titleBar = [](LONG x, LONG y) { return x >= 200 && x <= 442 && y >= 11 && y <= 31; };
    long outside = 0;
    for (LONG y = 0; y < h; ++y)
        for (LONG x = 0; x < w; ++x)
            if (!inMovie(x, y) && !titleBar(x, y) && atPress[0][(size_t)(y * w + x)] != atPress[1][(size_t)(y * w + x)])
                ++outside;
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(turntest::Seen.opened, 1);  // the fetch was tried
    EXPECT_EQ(PlayerInfo.Spielstopp, 0u);
}

// What the player sees at each mouse press: the view surface, where the
// movies are drawn, one value a pixel.
std::vector<std::vector<ULONG>> viewAtPress;

void CaptureViewAtPress()
{
    SDL_Surface *v = SDLViewSurface;
    std::vector<ULONG> all((size_t)(v->w * v->h));
    if (SDL_MUSTLOCK(v)) SDL_LockSurface(v);
    for (int y = 0; y < v->h; ++y)
        for (int x = 0; x < v->w; ++x) {
            const UBYTE *p = (const UBYTE *)v->pixels + y * v->pitch + x * v->format->BytesPerPixel;
            ULONG value = 0;
            std::memcpy(&value, p, v->format->BytesPerPixel);
            all[(size_t)(y * v->w + x)] = value;
        }
    if (SDL_MUSTLOCK(v)) SDL_UnlockSurface(v);
    viewAtPress.push_back(all);
}

// The alchemist and the scribe are looping, scrambled movies of one frame a
// second: two presses seconds apart find both pictures changed.
TEST_P(ResidenzBildschirm, TheAlchemistAndTheScribeMove)
{
    ASSERT_TRUE(CheckPrefsWrite(30, 18));
    ASSERT_TRUE(CheckPrefsWrite(28, 9));
    const LONG sx = VekDisplay.VekScreen_Breite - 2, sy = VekDisplay.VekScreen_Hoehe - 2;
    viewAtPress.clear();
    GetKeyClickHook = CaptureViewAtPress;
    std::thread spieler([&] {
        SDL_Delay(300);
        PushClick(sx, sy);
        SDL_Delay(2500);
        PushClick(sx, sy);
        PushEscape();
    });
    EXPECT_EQ(ResidenzScreen(), 1);
    spieler.join();
    GetKeyClickHook = nullptr;
    ASSERT_EQ(viewAtPress.size(), 2u);
    // Each 64 x 64 picture where the game area puts it on the display; and
    // nothing else moves.
    struct Film {
        const char *name;
        LONG x, y;
    } filme[] = {{"alchemist", 512, 70}, {"scribe", 480, 252}};
    const int w = SDLViewSurface->w;
    long all = 0;
    for (size_t i = 0; i < viewAtPress[0].size(); ++i) all += viewAtPress[0][i] != viewAtPress[1][i];
    for (const Film &f : filme) {
        int dx, dy;
        DisplayPosition(f.x, f.y, &dx, &dy);
        long changed = 0;
        for (int y = dy; y < dy + 64; ++y)
            for (int x = dx; x < dx + 64; ++x)
                changed += viewAtPress[0][(size_t)(y * w + x)] != viewAtPress[1][(size_t)(y * w + x)];
        EXPECT_GT(changed, 0) << f.name;
        all -= changed;
    }
    EXPECT_EQ(all, 0) << "pixels changed outside the two pictures";
}

TEST_P(ResidenzBildschirm, UploadHandsTheTurnToTheServerAndTheScrollMovesOn)
{
    ASSERT_TRUE(CheckPrefsWrite(30, 18));
    ASSERT_TRUE(CheckPrefsWrite(28, 9));
    turntest::Fakes fakes;
    const UBYTE flags = UserSystem.OP.TCPIP_Flags;
    // No turn sent since the last answer: the desk is empty until the upload.
    ASSERT_TRUE(CheckPrefsWrite(15, 0));
    const ULONG player = 7;
    PlayerInfo.SpielerID = player;
    ASSERT_TRUE(CheckPrefsWrite(9, player));
    ASSERT_TRUE(CheckPrefsWriteText(8, "player@game.test"));
    std::snprintf(PlayerInfo.ForumURL, sizeof PlayerInfo.ForumURL, "http://forum.test/");
    static const std::time_t sent = 1167613200;
    GameMailClock = [] { return sent; };
    // The web script names the current client version; the stand-in takes the turn by "+PUT".
    nettest::LoopPeer web([](int fd) {
        nettest::ReadUntil(fd, "\r\n\r\n");
        nettest::WriteAll(fd, "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n59");
    });
    turntest::GameServerStandIn server(".");
    std::snprintf(NetCfg.WebServer, sizeof NetCfg.WebServer, "%s", web.server().c_str());
    std::snprintf(NetCfg.GameServer, sizeof NetCfg.GameServer, "%s", server.ServePackets("", 2).c_str());
    UserSystem.OP.TCPIP_Flags = TRANSPORT_GAMESERVER;

    const LONG w = VekDisplay.VekScreen_Breite, sx = w - 2, sy = VekDisplay.VekScreen_Hoehe - 2;
    atPress.clear();
    GetKeyClickHook = CaptureAtPress;
    PushClick(sx, sy);
    Click("UPL ");
    PushClick(sx, sy);
    PushEscape();
    EXPECT_EQ(ResidenzScreen(), 1);
    GetKeyClickHook = nullptr;
    GameMailClock = [] { return std::time(nullptr); };
    UserSystem.OP.TCPIP_Flags = flags;

    const std::vector<std::string> turns = server.TakeTurns();
    ASSERT_EQ(turns.size(), 1u);
    EXPECT_EQ(turntest::GameServerStandIn::CheckTurn(turns[0], player, (ULONG)sent), "");
    EXPECT_EQ(CheckPrefs(15, PREFS_READ, 0), 1u);
    EXPECT_TRUE(vektest::Exists(SENT_LETTERS_LIST));  // no letter went: an empty list
    EXPECT_TRUE(vektest::ReadBytes(SENT_LETTERS_LIST).empty());
    // The first scroll lies on the desk.
    ASSERT_EQ(atPress.size(), 3u);
    long changed = 0;
    for (LONG y = 384; y < 384 + 43; ++y)
        for (LONG x = 448; x < 448 + 52; ++x) changed += atPress[0][(size_t)(y * w + x)] != atPress[2][(size_t)(y * w + x)];
    EXPECT_GT(changed, 0);
}

INSTANTIATE_TEST_SUITE_P(Depths, ResidenzBildschirm, ::testing::Values(8, 32));

}  // namespace

namespace {

TEST(DemoRealm, AfterATurnThePortIsTold)
{
    ScratchDir dir;
    MakeDemoData(dir.path());
    st_PlayerInfo alt = PlayerInfo;
    ULONG (*altWuerfel)(ULONG) = RoredIdezWuerfelHook;
    RoredIdezWuerfelHook = [](ULONG n) { return n; };  // no rare story, no luxury
    EXPECT_EQ(CheckRoredIdezEvents(), 505);
    EXPECT_EQ(RoredIdezPrefs(0, PREFS_READ, 0), 6u);
    RoredIdezWuerfelHook = altWuerfel;
    PlayerInfo = alt;
}

}  // namespace
