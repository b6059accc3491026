// The sign-up screen without a network: the form filled by pushed keys and
// clicks, the record it writes (byte for byte at a fixed clock), the easy
// registration, a refused entry that keeps the player on the form, and the
// forum's answers on the player name, at 8 and 32 bits.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "frontend/frontend.h"
#include "frontend/signup.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "net/gamemail.h"
#include "net/net.h"
#include "net/netconn.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/store.h"
#include "ui/gadgets.h"

using namespace vektest;
namespace fs = std::filesystem;

namespace {

constexpr std::time_t kClock = 1167609599;  // Sun, 31 Dec 2006 23:59:59

// Where the form's boxes and buttons lie (the middle of each).
struct Spot {
    LONG x, y;
};
const Spot kVorname{200, 47}, kNachname{200, 67}, kStrasse{200, 87}, kPLZ{150, 107}, kOrt{200, 127},
    kLand{200, 147}, kTelefon{200, 167}, kSpielName{200, 187}, kEmail{200, 207}, kSecond{200, 327},
    kHandy{200, 347}, kRemark{100, 420}, kCancel{530, 465}, kRegister{400, 465};

void Type(Spot box, const std::string &text)
{
    PushClick(box.x, box.y);
    PushText(text);
}
void Enter() { PushKey(SDLK_RETURN, 13); }
void Esc() { PushEscape(); }

// A newcomer in a copy of the demo set: no realm, no sign-up yet, no network.
class InitTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        CopyDemoGameFiles(".");
        screen_ = std::make_unique<SdlScreen>(GetParam());
        ASSERT_TRUE(screen_->Ok());
        UseKavorGadgetPainter();
        FadeDelayHook = [](ULONG) {};
        Drain();
        CheckPrefsWrite(0, 0);
        CheckPrefsWrite(11, 0);
        op_ = UserSystem.OP;
        net_ = NetCfg;
        resolve_ = NetResolveHook;
        message_ = NetChiefMessageHook;
        clock_ = GameMailClock;
        GameMailClock = [] { return kClock; };
        NetResolveHook = [](const char *, ULONG *) -> BOOL { return 0; };
        NetChiefMessageHook = nullptr;
        NetCfg.ProbeWaits = 1;
        NetCfg.ProbeWaitTicks = 1;
        std::snprintf(UserSystem.OP.InterSMTPName, 40, "smtp.example.org");
        std::snprintf(UserSystem.OP.EmailAdresse, 40, "%s", OPTIONEN_EMAIL_PLATZHALTER);
        PlayerInfo.ForumServer[0] = 0;
    }
    void TearDown() override
    {
        SDL_Event ev;
        EXPECT_EQ(SDL_PollEvent(&ev), 0) << "input was left over";
        Drain();
        if (TitelScreenPtr) CloseKavorPic(0, 0);
        FadeDelayHook = nullptr;
        UserSystem.OP = op_;
        NetCfg = net_;
        NetResolveHook = resolve_;
        NetChiefMessageHook = message_;
        GameMailClock = clock_;
        screen_.reset();
    }
    static void Drain()
    {
        SDL_Event ev;
        while (SDL_PollEvent(&ev)) {
        }
    }
    // The newcomer's first boxes: the two texts and the easy registration declined.
    static void PastTheWelcome()
    {
        Esc();
        Esc();
        Esc();
    }
    static std::string SignupFileName() { return Format7("Data/I", CheckPrefs(11, PREFS_READ, 0)); }
    static std::string Format7(const char *stem, ULONG id)
    {
        char name[64];
        std::snprintf(name, sizeof name, "%s%7.7u.vek", stem, (unsigned)id);
        return name;
    }

    ScratchDir dir_;
    std::unique_ptr<SdlScreen> screen_;
    OptionenPrefs op_{};
    NetConfig net_{};
    BOOL (*resolve_)(const char *, ULONG *) = nullptr;
    void (*message_)(const char *) = nullptr;
    std::time_t (*clock_)() = nullptr;
};

TEST_P(InitTest, TheFormTypedInBecomesTheSignupFile)
{
    ScriptFeeder feed;
    PastTheWelcome();
    Type(kVorname, "Karl");
    Type(kNachname, "Meier");
    Type(kStrasse, "Hauptstr. 1");
    Type(kPLZ, "12345678901");  // ten bytes: nine characters and the terminator
    Type(kOrt, "Bonn");
    Type(kLand, "DE");
    Type(kTelefon, "0228");
    Type(kSpielName, "Karolus");
    Type(kSecond, "k2@example.org");
    Type(kHandy, "0171");
    Type(kRemark, "Hallo");
    Enter();
    PushText("Welt");
    PushClick(kSpielName.x, kSpielName.y);
    PushText("x\b");  // typed and taken back
    Type(kEmail, "karl@example.org");
    PushClick(kRegister.x, kRegister.y);
    Esc();  // leaving the address: the note on own addresses ...
    Esc();  // ... and no preset postbox
    // Not online: the form again, the file written.
    PushClick(kCancel.x, kCancel.y);
    feed.Start();
    EXPECT_EQ(InitScreen(), 1);

    const ULONG id = CheckPrefs(11, PREFS_READ, 0);
    ASSERT_LT(id, 9999999u);
    const Bytes b = ReadBytes(SignupFileName());
    ASSERT_EQ(b.size(), 784u);
    Bytes want(784, 0);
    auto put = [&](size_t at, const std::string &s) { std::memcpy(&want[at], s.data(), s.size()); };
    put(0, "INITV001");
    put(8, std::string("\0\0\3\4", 4));
    put(12, "Karl");
    put(52, "Meier");
    put(92, "Hauptstr. 1");
    put(172, "123456789");
    put(182, "Bonn");
    put(222, "DE");
    put(262, "0228");
    put(282, "Karolus");
    put(322, "karl@example.org");
    put(366, "Hallo\nWelt");
    put(692, std::string("\x45\x98\x4E\xFF\x00\x02", 6));  // the clock, then the platform
    put(698, "k2@example.org");
    put(738, "0171");
    char mac[12];
    ULONG n = 0;
    if (GetMacAddress(mac, &n)) put(778, std::string(mac, 6));
    EXPECT_EQ(b, want);
    // The record's id, and what the turns take from it.
    st_INIT *rec = (st_INIT *)LoadChunk2Mem(ID_INIT, SignupFileName().c_str());
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(GeneriereChecksumme(*rec, (ULONG)kClock), id);
    FreeVec(rec);
    for (auto [pref, text] : {std::pair<UWORD, const char *>{10, "Karolus"}, {6, "Karl"}, {7, "Meier"},
                              {8, "karl@example.org"}}) {
        char *v = CheckPrefsReadText(pref);
        EXPECT_STREQ(v, text) << pref;
        FreeVec(v);
    }
    EXPECT_EQ(CheckPrefs(0, PREFS_READ, 0), 0u);  // nothing sent yet
}

TEST_P(InitTest, RefusedEntriesKeepThePlayerOnTheForm)
{
    struct Row {
        const char *name, *email;
    } rows[] = {
        {"Lordian", "karl@example.org"},  // a title
        {"Al", "karl@example.org"},       // too short
        {"Karl", "karl@example"},         // no "." after "@"
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name + std::string(" ") + r.email);
        CheckPrefsWrite(11, 0);
        std::snprintf(UserSystem.OP.EmailAdresse, 40, "%s", OPTIONEN_EMAIL_PLATZHALTER);
        ScriptFeeder feed;
        PastTheWelcome();
        Type(kSpielName, r.name);
        Type(kEmail, r.email);
        PushClick(kRegister.x, kRegister.y);
        Esc();
        Esc();
        Enter();  // the fault
        Esc();
        feed.Start();
        EXPECT_EQ(InitScreen(), 1);
        EXPECT_EQ(CheckPrefs(11, PREFS_READ, 0), 0u) << "nothing may be written";
    }
}

TEST_P(InitTest, EasyRegistrationTakesAPresetPostbox)
{
    ScriptFeeder feed;
    Esc();
    Esc();
    Enter();            // the easy registration
    PushText("Al");     // too short ...
    Enter();
    Enter();            // ... said so
    PushText("\b\bKarolus1");  // the digit is not taken
    Enter();
    Enter();            // a second address: yes
    PushText("me@");
    PushText(GameMailCfg.OperatorDomain);  // one of the operator's: refused
    Enter();
    Enter();
    Esc();              // given up: no second address
    Esc();              // no mobile number
    Esc();              // not online: back on the form, which is left
    feed.Start();
    EXPECT_EQ(InitScreen(), 1);

    st_INIT *rec = (st_INIT *)LoadChunk2Mem(ID_INIT, SignupFileName().c_str());
    ASSERT_NE(rec, nullptr);
    EXPECT_STREQ(rec->SpielName, "Karolus");
    const std::string email = rec->Email, stem = GameMailCfg.PresetStem, domain = GameMailCfg.OperatorDomain;
    ASSERT_EQ(email.rfind(stem, 0), 0u) << email;
    const int box = std::atoi(email.c_str() + stem.size());
    EXPECT_GE(box, 1);
    EXPECT_LE(box, 50);
    EXPECT_EQ(email.substr(email.find('@') + 1), domain);
    EXPECT_STREQ(rec->SecondEmail, "");
    EXPECT_STREQ(UserSystem.OP.InterSMTPName, NetCfg.OperatorMailHost);
    EXPECT_STREQ(UserSystem.OP.EmailAdresse, rec->Email);
    FreeVec(rec);
}

TEST_P(InitTest, AKeptSignupIsLoadedIntoTheForm)
{
    st_INIT rec = NewSignupRecord();
    SetSignupField(rec.SpielName, "Karolus");
    SetSignupField(rec.Email, "karl@example.org");
    std::memset(rec.Vorname, 'A', sizeof rec.Vorname);  // no terminator in the file
    ASSERT_TRUE(SaveChunk2File("Data/I0004711.vek", &rec));
    CheckPrefsWrite(11, 4711);
    CheckPrefsWrite(0, 3);  // neither a newcomer nor waiting: straight to the form
    ScriptFeeder feed;
    PushClick(kRegister.x, kRegister.y);
    PushClick(kCancel.x, kCancel.y);  // not online: the form again
    feed.Start();
    EXPECT_EQ(InitScreen(), 1);
    // Sent again under a new id: the old file is gone, the names came along.
    EXPECT_FALSE(Exists("Data/I0004711.vek"));
    st_INIT *now = (st_INIT *)LoadChunk2Mem(ID_INIT, SignupFileName().c_str());
    ASSERT_NE(now, nullptr);
    EXPECT_STREQ(now->SpielName, "Karolus");
    EXPECT_EQ(std::string(now->Vorname), std::string(39, 'A'));
    FreeVec(now);
}

INSTANTIATE_TEST_SUITE_P(Depths, InitTest, ::testing::Values(8, 32));

}  // namespace
