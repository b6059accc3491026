// The sign-up's rules: which entries are refused and with which text, the
// sign-up id, the sign-up file's bytes, the preset postboxes and the forum query.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "common/testutil.h"
#include "frontend/signup.h"
#include "net/gamemail.h"
#include "net/net.h"
#include "platform/gamevalues.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/store.h"

using namespace vektest;

namespace {

st_INIT Record(const char *name, const char *email, const char *second = "", const char *handy = "")
{
    st_INIT r = NewSignupRecord();
    SetSignupField(r.SpielName, name);
    SetSignupField(r.Email, email);
    SetSignupField(r.SecondEmail, second);
    SetSignupField(r.Handy, handy);
    return r;
}

TEST(Signup, EntriesAreRefusedWithTheirOwnText)
{
    const std::string letters = std::string(GetString(&_VEK_INITSCREEN_NOT_ALLOWED_CHARS)) + " ";
    const std::string op = std::string("someone@") + GameMailCfg.OperatorDomain;
    const std::string nopop = std::string("me") + NetCfg.NoServiceDomains[1];
    const std::string ssl = std::string("me") + NetCfg.SslDomains[0];
    struct Row {
        const char *name, *email, *second, *handy;
        int full;
        std::string fault;
    } rows[] = {
        {"Karl", "karl@example.org", "", "", 1, ""},
        {"Lordian", "karl@example.org", "", "", 1, GetString(&_VEK_INIT_TITEL)},
        {"ErzBaron", "karl@example.org", "", "", 1, GetString(&_VEK_INIT_TITEL)},
        {"lordly", "karl@example.org", "", "", 1, ""},  // titles count with their capital
        {"", "karl@example.org", "", "", 1, "Bitte tragen einen Spielernamen ein!"},
        {"Al", "karl@example.org", "", "", 1, "Ein Spielername mu\337 mindestens \374ber 3 Buchstaben verf\374gen!"},
        {"Karl1", "karl@example.org", "", "", 1, letters + "Karl1"},
        {"Karl Der", "karl@example.org", "", "", 1, letters + "Karl Der"},
        {"Karl", "karl.x@example", "", "", 1, GetString(&_VEK_INIT_NOEMAIL)},
        {"Karl", "@example.org", "", "", 1, GetString(&_VEK_INIT_NOEMAIL)},
        {"Karl", "karl.example.org", "", "", 1, GetString(&_VEK_INIT_NOEMAIL)},
        {"Karl", "karl.x@example", "", "", 0, ""},  // the easy sign-up takes a preset postbox
        {"Karl", nopop.c_str(), "", "", 1, GetString(&_VEK_INITSCREEN_HOTMAIL)},
        {"Karl", ssl.c_str(), "", "", 1, GetString(&_VEK_INITSCREEN_GOOGLEMAIL)},
        {"Karl", "karl@example.org", op.c_str(), "", 1, GetString(&_VEK_INITANLEITUNG_TEXT34)},
        {"Karl", "karl@example.org", "karl@elsewhere.org", "0171", 1, ""},
        {"Karl", "karl@example.org", "", "0171a", 1, GetString(&_VEK_INITANLEITUNG_TEXT35)},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(std::string(r.name) + " / " + r.email + " / " + r.second + " / " + r.handy);
        EXPECT_EQ(SignupFault(Record(r.name, r.email, r.second, r.handy), r.full), r.fault);
    }
}

TEST(Signup, FieldsKeepTheirTerminator)
{
    st_INIT r = NewSignupRecord();
    SetSignupField(r.PLZ, "12345678901234");
    EXPECT_EQ(std::string(r.PLZ), "123456789");
    EXPECT_EQ(r.Ort[0], 0);
}

TEST(Signup, IdFromTheClockAndTheFields)
{
    st_INIT r = NewSignupRecord();
    SetSignupField(r.Vorname, "A");
    SetSignupField(r.Nachname, "B");
    SetSignupField(r.Telefon, "1");
    SetSignupField(r.SpielName, "Abc");
    // ((((1000 + 65) * 16 + 66) * 8 + 0) * 4 + 49) * 2 + 262
    EXPECT_EQ(GeneriereChecksumme(r, 1000), 1095144u);
    EXPECT_EQ(GeneriereChecksumme(r, 1001), 1095144u + 16 * 8 * 4 * 2);
    for (ULONG now : {0u, 9999999u, 0xFFFFFFFFu}) EXPECT_LT(GeneriereChecksumme(r, now), 9999999u);
}

TEST(Signup, FileBytes)
{
    ScratchDir dir;
    st_INIT r = Record("Karl", "karl@example.org", "k2@example.org", "0171");
    SetSignupField(r.Vorname, "Karl");
    SetSignupField(r.Anmerkung, "Hallo");
    r.DateInSec = 0x01020304;
    r.VekSystem = 2;
    std::memcpy(r.MacAdresse, "a1b2c3", 6);
    ASSERT_EQ(SaveChunk2File("I0000001.vek", &r), 1);
    const Bytes b = ReadBytes("I0000001.vek");
    ASSERT_EQ(b.size(), 784u);
    auto text = [&](size_t at) { return std::string((const char *)&b[at]); };
    EXPECT_EQ(std::string(b.begin(), b.begin() + 8), "INITV001");
    EXPECT_EQ((Bytes{b[8], b[9], b[10], b[11]}), (Bytes{0, 0, 3, 4}));
    EXPECT_EQ(text(12), "Karl");
    EXPECT_EQ(text(282), "Karl");
    EXPECT_EQ(text(322), "karl@example.org");
    EXPECT_EQ(text(366), "Hallo");
    EXPECT_EQ((Bytes{b[692], b[693], b[694], b[695], b[696], b[697]}), (Bytes{1, 2, 3, 4, 0, 2}));
    EXPECT_EQ(text(698), "k2@example.org");
    EXPECT_EQ(text(738), "0171");
    EXPECT_EQ(std::string(b.begin() + 778, b.end()), "a1b2c3");
}

TEST(Signup, PresetPostboxes)
{
    std::set<ULONG> seen;
    for (unsigned seed = 0; seed < 40; ++seed) {
        WuerfelSeed(seed);
        for (int i = 0; i < 200; ++i) seen.insert(PostboxNumber());
    }
    EXPECT_EQ(*seen.begin(), 1u);
    EXPECT_EQ(*seen.rbegin(), 50u);
    EXPECT_EQ(seen.size(), 50u);

    st_INIT r = NewSignupRecord();
    SetKavorPostboxNumber(&r, 50);
    const std::string address = std::string(GameMailCfg.PresetStem) + "50@" + GameMailCfg.OperatorDomain;
    EXPECT_EQ(std::string(r.Email), address);
    EXPECT_TRUE(IsOperatorAddress(r.Email));
    const OptionenPrefs &op = UserSystem.OP;
    for (const char *s : {op.SMTPUsername, op.InterUsername, op.EmailAdresse}) EXPECT_EQ(std::string(s), address);
    for (const char *s : {op.InterSMTPName, op.InterPOPName}) EXPECT_EQ(std::string(s), NetCfg.OperatorMailHost);
    for (const char *s : {op.SMTPPassword, op.InterPassword}) EXPECT_EQ(std::string(s), GameMailCfg.PresetStem);
}

TEST(Signup, ProviderPresets)
{
    const auto &local = NetCfg.Providers[1], &whole = NetCfg.Providers[0];
    ASSERT_TRUE(local.LocalUser);
    ASSERT_FALSE(whole.LocalUser);
    OptionenPrefs &op = UserSystem.OP;
    const std::string a = std::string("karl") + local.Key, b = std::string("anna") + whole.Key;
    EXPECT_EQ(SetDefaultProviderServer(a.c_str(), 1), 1);
    EXPECT_EQ(std::string(op.InterSMTPName), local.Smtp);
    EXPECT_EQ(SetDefaultProviderServer(a.c_str(), 0), 1);
    EXPECT_EQ(std::string(op.InterPOPName), local.Pop);
    EXPECT_EQ(std::string(op.InterUsername), "karl");
    EXPECT_EQ(SetDefaultProviderServer(b.c_str(), 0), 1);
    EXPECT_EQ(std::string(op.InterUsername), b);
    EXPECT_EQ(SetDefaultProviderServer("karl@example.org", 1), 0);
}

TEST(Signup, ForumQueryEncodesItsValues)
{
    EXPECT_EQ(ForumUserQuery("/forum/", "Karl", "k+1@x.org", nullptr),
              "/forum/check_user.php?username=Karl&email=k%2B1%40x.org");
    EXPECT_EQ(ForumUserQuery("/forum/", "Karl", "k@x.org", "a&b =\374"),
              "/forum/check_user.php?username=Karl&email=k%40x.org&password=a%26b%20%3D%FC");
}

}  // namespace
