// The tavern and its letter window on the demo set at 8 and 32 bits, driven
// by pushed input: the way out to the town, the net gadget, the chat choice,
// the slide show, the store room, the rune game for a stake, the murmur of
// the barroom; the letter list's orders, its pruning on closing, and letters
// written new and as replies, byte for byte.
#include <gtest/gtest.h>

#include <SDL/SDL.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/demoscreen.h"
#include "common/scriptinput.h"
#include "common/testutil.h"
#include "gfx/font.h"
#include "military/briefeditor.h"
#include "net/gamemail.h"
#include "net/net.h"
#include "online/online.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "realm/realm.h"
#include "store/lists.h"
#include "store/mapnames.h"
#include "store/store.h"
#include "turn/botschaft.h"
#include "turn/gameserver.h"
#include "turn/transportfixture.h"
#include "ui/requester.h"
#include "ui/screendat.h"
#include "world/runestone.h"

using namespace vektest;

extern ULONG TaverneAmbienteGespielt;

namespace {

namespace fs = std::filesystem;

std::vector<std::string> gMeldungen;
void Merken(const char *text) { gMeldungen.push_back(text); }

std::vector<std::string> PublicLetters()
{
    std::vector<std::string> v;
    for (const auto &e : fs::directory_iterator("Data/MailIn")) v.push_back(e.path().filename().string());
    std::sort(v.begin(), v.end());
    return v;
}

void Click(std::map<std::string, std::pair<LONG, LONG>> &at, const char *code)
{
    ASSERT_TRUE(at.count(code)) << code;
    PushClick(at[code].first, at[code].second);
}

class TaverneTest : public DemoScreenTest {
protected:
    void SetUp() override
    {
        DemoScreenTest::SetUp();
        flags_ = UserSystem.VekFlags;
        tcpipId_ = UserSystem.TCPIP_ID;
        tcpipFlags_ = UserSystem.OP.TCPIP_Flags;
        UserSystem.OP.TCPIP_Flags &= (UBYTE)~TRANSPORT_GAMESERVER;
        UserSystem.TCPIP_ID = 0;
        gMeldungen.clear();
        BriefMeldungHook = Merken;
        TaverneMeldungHook = Merken;
        tavern_ = GadgetCentres("./Data/screendat/Taverne.dat");
        window_ = GadgetCentres("./Data/screendat/TaverneOffchatReq.dat");
        WuerfelSeed(3);
    }
    void TearDown() override
    {
        UserSystem.VekFlags = flags_;
        UserSystem.TCPIP_ID = tcpipId_;
        UserSystem.OP.TCPIP_Flags = tcpipFlags_;
        TaverneMeldungHook = nullptr;
        RuneFrageHook = saveFrage_;
        RuneWuerfelHook = Wuerfel;
        DemoScreenTest::TearDown();
    }
    ULONG flags_ = 0;
    char tcpipId_ = 0;
    UBYTE tcpipFlags_ = 0;
    LONG (*saveFrage_)(const char *, int) = RuneFrageHook;
    std::map<std::string, std::pair<LONG, LONG>> tavern_, window_;
};

// ---- the tavern ----

TEST_P(TaverneTest, ExitKeepsTheNetAndTownGoesOfflineFirst)
{
    UserSystem.VekFlags |= VEKFLAG_ONLINE;
    const BOOL war = Vek_WasOnline;
    Vek_WasOnline = 0;  // the program went online itself
    Click(tavern_, "EXIT");
    EXPECT_EQ(TaverneScreen(), 39);
    EXPECT_TRUE(UserSystem.VekFlags & VEKFLAG_ONLINE);
    Click(tavern_, "TOWN");
    EXPECT_EQ(TaverneScreen(), 39);
    EXPECT_FALSE(UserSystem.VekFlags & VEKFLAG_ONLINE);
    Vek_WasOnline = war;
    PushEscape();
    EXPECT_EQ(TaverneScreen(), 39);
}

TEST_P(TaverneTest, TheNetGadgetDoesNothingOnTheOwnStack)
{
    UserSystem.TCPIP_ID = 4;
    UserSystem.VekFlags &= ~VEKFLAG_ONLINE;
    Click(tavern_, "NETW");
    Click(tavern_, "EXIT");  // no question box took this click
    StdoutCapture out;
    EXPECT_EQ(TaverneScreen(), 39);
    EXPECT_EQ(out.Take().find("GoOnline"), std::string::npos);
    EXPECT_FALSE(UserSystem.VekFlags & VEKFLAG_ONLINE);
}

TEST_P(TaverneTest, ChatOffersTheNoticeAndTheLetters)
{
    Click(tavern_, "CHAT");
    PushClick(300, 224);          // "Online-Chat"
    PushKey(SDLK_RETURN, 13);     // the notice
    Click(tavern_, "CHAT");
    PushClick(300, 254);          // "Mail-Editor"
    Click(window_, "EXIT");
    Click(tavern_, "EXIT");
    StdoutCapture out;
    EXPECT_EQ(TaverneScreen(), 39);
    const std::string text = out.Take();
    EXPECT_NE(text.find("Name : 00000009_02.smal"), std::string::npos) << "the letters were read";
}

TEST_P(TaverneTest, TheSlideShowReturnsToTheTavernAndTheStoreRoomLeadsTo61)
{
    Click(tavern_, "TEST");
    PushEscape();  // no captions
    PushEscape();  // the show ends at its first picture
    Click(tavern_, "STOR");
    StdoutCapture out;
    EXPECT_EQ(TaverneScreen(), 61);
    EXPECT_NE(out.Take().find("Routine: SlideShow"), std::string::npos);
    PushEscape();
    EXPECT_EQ(LagerScreen(), 59);
}

TEST_P(TaverneTest, TheFirstMurmurComesAtTheTenthTick)
{
    for (int i = 0; i < 9; ++i) PushTick();
    Click(tavern_, "EXIT");
    TaverneAmbienteGespielt = 0;
    EXPECT_EQ(TaverneScreen(), 39);
    EXPECT_EQ(TaverneAmbienteGespielt, 0u);
    for (int i = 0; i < 10; ++i) PushTick();
    Click(tavern_, "EXIT");
    EXPECT_EQ(TaverneScreen(), 39);
    EXPECT_EQ(TaverneAmbienteGespielt, 1u) << "the next murmur waits at least 40 ticks";
}

TEST_P(TaverneTest, TheEntrySoundNeverHoldsTheDoorLongerThanItLasts)
{
    for (BOOL an : {0, 1}) {
        const BOOL alt = UserSystem.Sfx.IsEnabled;
        UserSystem.Sfx.IsEnabled = an;
        Click(tavern_, "EXIT");
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(TaverneScreen(), 39);
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        UserSystem.Sfx.IsEnabled = alt;
        // The demo's entry sound lasts well under a second; a wait that never
        // ends would hold the test until its timeout.
        EXPECT_LT(s, 30.0) << "effects " << an;
    }
}

// The rune game from the tavern at fixed dice, laid by clicks: a staked win
// raises the demo's 50,000 gold to 51,000 in the orders pool.
std::vector<std::string> gFragen;
LONG Antwort(const char *text, int mode)
{
    gFragen.push_back(text);
    if (!mode) return 0;
    return std::string(text) == GetString(&_VEK_TAVERNE_RUNETEXT9) ? 0 : 1;  // stake yes, the rest no
}
ULONG Feste(ULONG) { static const ULONG w[] = {0, 0, 1, 1, 2}; static int i; return w[i++ % 5]; }

TEST_P(TaverneTest, AStakedRuneGameWonByClicksRaisesTheGold)
{
    RuneFrageHook = Antwort;
    RuneWuerfelHook = Feste;
    gFragen.clear();
    auto board = GadgetCentres("./Data/screendat/RuneStone.dat");
    Click(tavern_, "WUER");
    for (const char *r : {"RUN1", "RUN2", "RUN1", "RUN2", "RUN4"}) Click(board, r);  // 2 places, 2 kinds
    for (const char *r : {"RUN1", "RUN1", "RUN2"}) Click(board, r);
    Click(board, "RESE");  // the half row is emptied
    for (const char *r : {"RUN1", "RUN1", "RUN2", "RUN2", "RUN3"}) Click(board, r);
    Click(tavern_, "EXIT");
    EXPECT_EQ(TaverneScreen(), 39);
    const std::vector<std::string> erwartet = {
        GetString(&_VEK_TAVERNE_RUNETEXT1), GetString(&_VEK_TAVERNE_RUNETEXT9), GetString(&_VEK_TAVERNE_RUNETEXT4),
        GetString(&_VEK_TAVERNE_RUNETEXT7), GetString(&_VEK_TAVERNE_RUNETEXT2)};
    EXPECT_EQ(gFragen, erwartet);
    auto *land = (st_LAND *)LoadChunk2Mem(ID_LAND, POOL_OUT);
    ASSERT_NE(land, nullptr);
    EXPECT_EQ(ULONG{land->AnzGold}, 51000u);
    FreeVec(land);
}

TEST_P(TaverneTest, AnUnstakedGameLeavesTheOrdersPoolAsItWas)
{
    RuneFrageHook = [](const char *text, int mode) -> LONG {
        gFragen.push_back(text);
        return mode ? 1 : 0;  // no stake, no look, no second game
    };
    gFragen.clear();
    const Bytes vorher = ReadBytes(POOL_OUT);
    auto board = GadgetCentres("./Data/screendat/RuneStone.dat");
    Click(tavern_, "WUER");
    Click(board, "EXIT");  // given up: no question about looking again
    Click(tavern_, "EXIT");
    EXPECT_EQ(TaverneScreen(), 39);
    EXPECT_EQ(gFragen, (std::vector<std::string>{GetString(&_VEK_TAVERNE_RUNETEXT1), GetString(&_VEK_TAVERNE_RUNETEXT9),
                                                  GetString(&_VEK_TAVERNE_RUNETEXT2)}));
    EXPECT_TRUE(ReadBytes(POOL_OUT) == vorher);
}

TEST_P(TaverneTest, ABoardWithoutSevenPointsDoesNotStart)
{
    // The layout's point table loses its seventh point.
    Bytes b = ReadBytes("Data/screendat/RuneStone.dat");
    const uint8_t tag[4] = {0xAF, 0xB1, 0xAB, 0xAC};
    auto it = std::search(b.begin(), b.end(), tag, tag + 4);
    ASSERT_NE(it, b.end());
    const size_t at = (size_t)(it - b.begin()) + 4;
    ASSERT_EQ(b[at] | b[at + 1] | b[at + 2], 0);
    ASSERT_GE(b[at + 3], 7);
    b[at + 3] = 6;
    WriteBytes("Data/screendat/RuneStone.dat", b);
    RuneFrageHook = [](const char *text, int) -> LONG {
        gFragen.push_back(text);
        return 0;
    };
    gFragen.clear();
    const Bytes pool = ReadBytes(POOL_OUT);
    const auto vorher = RowOf(screen_->BobBitMap(), 174, 200, 306);
    screen_->TakeRects();
    EXPECT_EQ(RuneStone(), 0);
    EXPECT_TRUE(gFragen.empty());
    EXPECT_TRUE(screen_->TakeRects().empty()) << "nothing drawn";
    EXPECT_EQ(RowOf(screen_->BobBitMap(), 174, 200, 306), vorher);
    EXPECT_TRUE(ReadBytes(POOL_OUT) == pool);
}

// ---- the letter window ----

struct Fenster {
    LokalDataTaverneOfflineChat d{};
    Fenster()
    {
        d.ScreenRegion = GetScreenRegion("./Data/screendat/TaverneOffchatReq.dat", SR_TITLEBAR | SR_GADGETDATA | SR_LOCALETEXTBOX | SR_RECHTECK);
        d.VekFont3Ptr = OpenDiskFont("Fonts/Topaz.fnt");
        d.BackgroundColor = 35;
        d.TextColor = 7;
        d.CompleteHeader = 1;
    }
    ~Fenster()
    {
        ClearRequester(d.VekRequester);
        FreeVec(d.ReqBuffer);
        DeleteList(d.SmalListPtr, LIST_FREE_OWNED);
        CloseFont(d.VekFont3Ptr);
        ClearScreenRegion(d.ScreenRegion);
    }
    std::string Zeile(ULONG i) const { return d.ReqBuffer ? std::string(d.ReqBuffer + 80 * i) : ""; }
};

TEST_P(TaverneTest, TheDemoLettersCycleThroughThreeOrders)
{
    Fenster f;
    ASSERT_NE(f.d.ScreenRegion, nullptr);
    ASSERT_NE(TaverneOfflineBuildNewReq(&f.d, 1), nullptr);
    ASSERT_EQ(f.d.SmalListPtr->Elemente, 3u) << "the demo's public letters";
    struct { UWORD mode; const char *lines[3]; } schritte[] = {
        {0, {"Fremdland  : Wegezoll", "Ostmark    : Brunnenfest", "Nachbar    : Grenzfrieden"}},
        {3, {"Ostmark    : Brunnenfest", "Nachbar    : Grenzfrieden", "Fremdland  : Wegezoll"}},
        {4, {"Fremdland  : Wegezoll", "Nachbar    : Grenzfrieden", "Ostmark    : Brunnenfest"}},
        {0, {"Fremdland  : Wegezoll", "Ostmark    : Brunnenfest", "Nachbar    : Grenzfrieden"}},
    };
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        if (i) {
            ASSERT_NE(TaverneOfflineBuildNewReq(&f.d, 0), nullptr);
        }
        EXPECT_EQ(f.d.SortMode, schritte[i].mode);
        EXPECT_EQ(f.d.Entry, -1);
        for (int z = 0; z < 3; ++z) EXPECT_EQ(f.Zeile(z), schritte[i].lines[z]);
    }
}

TEST_P(TaverneTest, TheReaderLinesAreBounded)
{
    SmalListEntry e{};
    std::memset(e.AbsenderName, 'A', sizeof e.AbsenderName - 1);
    std::snprintf(e.DateString, sizeof e.DateString, "03-Jan-2010 09:30:00");
    std::memset(e.Betreff, 'b', sizeof e.Betreff - 1);
    char absender[160], betreff[240];
    TaverneOfflineLeseZeilen(&e, absender, sizeof absender, betreff, sizeof betreff);
    const std::string a = absender, b = betreff;
    EXPECT_NE(a.find(" : 03-Jan-2010"), std::string::npos);
    EXPECT_EQ(a.find("09:30"), std::string::npos) << "eleven characters of the date";
    EXPECT_EQ(b, std::string(GetString(&_VEK_OFFLINE_BETREFF)) + "  : " + std::string(52, 'b'));
}

TEST_P(TaverneTest, ClosingKeepsTheFiftyOneNewestLettersWhateverTheOrder)
{
    // 60 public letters beside the demo's: subjects run against dates.
    for (int i = 0; i < 60; ++i) {
        auto *smal = (st_SMAL *)AllocChunk(CN_SMAL, 3, 1);
        ASSERT_NE(smal, nullptr);
        std::snprintf(smal->DateString, sizeof smal->DateString, "%02d-Feb-2010 %02d:00:00", 1 + i / 24, i % 24);
        std::snprintf(smal->Betreff, sizeof smal->Betreff, "Brief %02d", 99 - i);
        std::snprintf(smal->AbsenderName, sizeof smal->AbsenderName, "Hagen");
        smal->EmpfaengerID = -1;
        std::memcpy((UBYTE *)smal + sizeof(st_SMAL), "Hi", 3);
        char name[64];
        std::snprintf(name, sizeof name, "Data/MailIn/%8.8x_00.smal", 0x100 + i);
        ASSERT_TRUE(SaveChunk2File(name, smal));
        FreeChunk(smal);
    }
    Click(window_, "B002");  // by subject: the newest come last
    Click(window_, "EXIT");
    {
        StdoutCapture still;
        EXPECT_EQ(TaverneOfflineChat(), 0);
    }
    const auto v = PublicLetters();
    // The 60 new letters are newer than the demo's; the three public demo
    // letters and the nine oldest new ones go, the two private ones stay.
    EXPECT_EQ(v.size(), 51u + 2u);
    for (int i = 0; i < 60; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%8.8x_00.smal", 0x100 + i);
        EXPECT_EQ(std::find(v.begin(), v.end(), name) != v.end(), i >= 9) << name;
    }
    EXPECT_NE(std::find(v.begin(), v.end(), "00000008_02.smal"), v.end());
}

TEST_P(TaverneTest, ANewLetterWithABlankSubjectIsRefused)
{
    Click(window_, "B003");  // nothing selected: a new letter
    Click(window_, "B001");
    PushText("   ");
    PushKey(SDLK_RETURN, 13);
    Click(window_, "EXIT");
    EXPECT_EQ(TaverneOfflineChat(), 0);
    EXPECT_EQ(gMeldungen, std::vector<std::string>{GetString(&_VEK_OFFLINE_NOBETREFF)});
    EXPECT_TRUE(fs::is_empty("Data/MailOut"));
}

// The letter file the store writes: its head, record and text, file order.
Bytes Erwartet(const char *datum, const char *betreff, const char *an, const char *text)
{
    Bytes b(sizeof(st_SMAL) + std::strlen(text) + 1, 0);
    auto be32 = [&](size_t at, ULONG v) { b[at] = v >> 24, b[at + 1] = v >> 16, b[at + 2] = v >> 8, b[at + 3] = v; };
    std::memcpy(b.data(), "SMAL", 4);
    std::memcpy(b.data() + 4, "V001", 4);
    be32(8, (ULONG)(b.size() - 12));
    std::memcpy(b.data() + 12, datum, std::strlen(datum));
    std::memcpy(b.data() + 36, betreff, std::strlen(betreff));
    std::memcpy(b.data() + 196, PlayerInfo.Spielname, strnlen(PlayerInfo.Spielname, 39));
    std::memcpy(b.data() + 236, an, std::strlen(an));
    be32(276, PlayerInfo.SpielerID);
    be32(280, 0xFFFFFFFFu);
    std::memcpy(b.data() + 284, text, std::strlen(text) + 1);
    return b;
}

TEST_P(TaverneTest, ANewLetterGoesToEveryRulerAndItsCopyIntoMailIn)
{
    const auto vorher = PublicLetters();
    Click(window_, "B003");
    Click(window_, "B001");
    PushText("Markttag");
    PushKey(SDLK_RETURN, 13);
    PushText("Kommt alle");
    Click(window_, "BU40");
    Click(window_, "EXIT");
    EXPECT_EQ(TaverneOfflineChat(), 0);
    EXPECT_EQ(gMeldungen, std::vector<std::string>{GetString(&_VEK_OFFLINE_MAILWRITTEN)});
    const Bytes out = ReadBytes("Data/MailOut/Effffffff_00.smal");
    ASSERT_GT(out.size(), 284u);
    const std::string datum(reinterpret_cast<const char *>(out.data() + 12));
    EXPECT_EQ(datum.size(), 20u);
    EXPECT_TRUE(out == Erwartet(datum.c_str(), "Markttag", GetString(&_VEK_MAIL_ALL), "Kommt alle"));
    char copy[64];
    std::snprintf(copy, sizeof copy, "Data/MailIn/E%7.7x_00.smal", (unsigned)PlayerInfo.SpielerID);
    EXPECT_TRUE(ReadBytes(copy) == out);
    EXPECT_EQ(PublicLetters().size(), vorher.size() + 1);
}

TEST_P(TaverneTest, AReplyKeepsItsSubjectAndStaysPublic)
{
    // The newest letter is selected when the window opens.
    Click(window_, "B001");
    PushText("Zu teuer");
    Click(window_, "BU40");
    Click(window_, "EXIT");
    EXPECT_EQ(TaverneOfflineChat(), 0);
    const Bytes out = ReadBytes("Data/MailOut/Effffffff_00.smal");
    ASSERT_GT(out.size(), 284u);
    EXPECT_STREQ(reinterpret_cast<const char *>(out.data() + 36), "Wegezoll");
    EXPECT_EQ(out[280] & out[281] & out[282] & out[283], 0xFF) << "to every ruler";
}

TEST_P(TaverneTest, AListThatCannotBeDrawnIsTriedAgainButNotForEver)
{
    // The list box's rectangle (record 2) shrinks to nothing: no box can be made.
    Bytes b = ReadBytes("Data/screendat/TaverneOffchatReq.dat");
    const uint8_t tag[4] = {0xAD, 0xBA, 0xBC, 0xAB};
    auto it = std::search(b.begin(), b.end(), tag, tag + 4);
    ASSERT_NE(it, b.end());
    const size_t at = (size_t)(it - b.begin());
    const size_t offset = 32u + ((size_t)b[at + 8] << 24 | (size_t)b[at + 9] << 16 | (size_t)b[at + 10] << 8 | b[at + 11]);
    ASSERT_LT(offset + 24, b.size());
    b[offset + 20] = b[offset + 16], b[offset + 21] = b[offset + 17];  // X1 = X0
    WriteBytes("Data/screendat/TaverneOffchatReq.dat", b);
    PushEscape();  // would end a list that came up after all
    StdoutCapture out;
    EXPECT_EQ(TaverneOfflineChat(), 0);
    const std::string text = out.Take();
    size_t n = 0;
    for (size_t p = 0; (p = text.find("Konnte Requester nicht initalisieren", p)) != std::string::npos; ++p) ++n;
    EXPECT_EQ(n, 3u) << text.substr(0, 2000);
    SDL_Event ev;
    while (SDL_PollEvent(&ev)) {
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, TaverneTest, ::testing::Values(8, 32));

}  // namespace

// ---- letters over the stand-in game server ----

namespace {

LONG JaBitte(const char *) { return 0; }

class TaverneServerTest : public TaverneTest {};

TEST_P(TaverneServerTest, TheGameServerBitFetchesOnOpeningAndSendsAWrittenLetter)
{
    turntest::Fakes fakes;
    turntest::GameServerStandIn server{"unused"};
    LONG (*alt)(const char *) = BotschaftFrageHook;
    BotschaftFrageHook = JaBitte;
    char host[sizeof NetCfg.GameServer];
    std::snprintf(host, sizeof host, "%s", NetCfg.GameServer);

    auto brief = [](LONG von, const char *betreff, const char *datum) {
        st_SMAL *s = (st_SMAL *)AllocChunk(CN_SMAL, 6, 1);
        std::snprintf(s->Betreff, sizeof s->Betreff, "%s", betreff);
        std::snprintf(s->DateString, sizeof s->DateString, "%s", datum);
        std::snprintf(s->AbsenderName, sizeof s->AbsenderName, "Gast%d", (int)von);
        s->AbsenderID = von;
        s->EmpfaengerID = -1;
        std::memcpy((char *)s + sizeof(st_SMAL), "Hallo", 6);
        EXPECT_TRUE(SaveChunk2File("brief.tmp", s));
        FreeChunk(s);
        Bytes b = ReadBytes("brief.tmp");
        fs::remove("brief.tmp");
        return std::string(b.begin(), b.end());
    };
    server.QueueLetters({brief(11, "Eins", "05-Jan-2010 10:00:00"), brief(12, "Zwei", "06-Jan-2010 10:00:00")});

    // Bit clear: no connection at all (a server that is not there).
    std::snprintf(NetCfg.GameServer, sizeof NetCfg.GameServer, "127.0.0.1:1");
    Click(window_, "EXIT");
    {
        StdoutCapture out;
        EXPECT_EQ(TaverneOfflineChat(), 0);
        EXPECT_EQ(out.Take().find("BotschaftPerTCPIP"), std::string::npos);
    }
    const size_t vorher = PublicLetters().size();

    UserSystem.OP.TCPIP_Flags |= TRANSPORT_GAMESERVER;
    std::snprintf(NetCfg.GameServer, sizeof NetCfg.GameServer, "%s", server.ServePackets("", 2).c_str());
    Click(window_, "B003");
    Click(window_, "B001");
    PushText("Runde");
    PushKey(SDLK_RETURN, 13);
    PushText("Ich zahle");
    Click(window_, "BU40");
    Click(window_, "EXIT");
    EXPECT_EQ(TaverneOfflineChat(), 0);
    EXPECT_EQ(PublicLetters().size(), vorher + 2 + 1) << "two fetched, the copy of the written one";
    const auto sent = server.TakeLetters();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].sid, -1);
    EXPECT_NE(sent[0].bytes.find("Ich zahle"), std::string::npos);
    EXPECT_TRUE(fs::is_empty("Data/MailOut")) << "the sent letter left the queue";
    server.StopPackets();
    std::snprintf(NetCfg.GameServer, sizeof NetCfg.GameServer, "%s", host);
    BotschaftFrageHook = alt;
}

TEST_P(TaverneServerTest, TheNetGadgetAsksBeforeGoingOnlineAndOffline)
{
    turntest::Fakes fakes;
    const BOOL war = Vek_WasOnline;
    Vek_WasOnline = 0;
    UserSystem.TCPIP_ID = 1;
    UserSystem.VekFlags &= ~VEKFLAG_ONLINE;
    Click(tavern_, "NETW");
    PushEscape();  // Cancel: stays offline
    Click(tavern_, "EXIT");
    EXPECT_EQ(TaverneScreen(), 39);
    EXPECT_FALSE(UserSystem.VekFlags & VEKFLAG_ONLINE);
    Click(tavern_, "NETW");
    PushKey(SDLK_RETURN, 13);  // Ok: online
    Click(tavern_, "EXIT");
    EXPECT_EQ(TaverneScreen(), 39);
    EXPECT_TRUE(UserSystem.VekFlags & VEKFLAG_ONLINE);
    UserSystem.TCPIP_ID = 1;
    Click(tavern_, "NETW");
    PushKey(SDLK_RETURN, 13);  // Ok: offline
    Click(tavern_, "EXIT");
    EXPECT_EQ(TaverneScreen(), 39);
    EXPECT_FALSE(UserSystem.VekFlags & VEKFLAG_ONLINE);
    Vek_WasOnline = war;
}

INSTANTIATE_TEST_SUITE_P(Depths, TaverneServerTest, ::testing::Values(8, 32));

}  // namespace
