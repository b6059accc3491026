// The option pages' rules: the sound switch table with the CD answer and the
// mask, the volume sliders, the transport flags, the mail domain check, typed
// passwords, the sound page's fields and the address-change record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "frontend/optionrules.h"
#include "platform/strings.h"
#include "store/chunks.h"

namespace {

struct CDAnswer {
    explicit CDAnswer(int answer)
    {
        answer_ = answer;
        calls_ = 0;
        old_ = OptionCDAnswerHook;
        OptionCDAnswerHook = [](const char *, ULONG) {
            ++calls_;
            return answer_;
        };
    }
    ~CDAnswer() { OptionCDAnswerHook = old_; }
    static inline int answer_ = 0, calls_ = 0;
    int (*old_)(const char *, ULONG) = nullptr;
};

struct SwitchCase {
    const char *name;
    ULONG bits, mask;
    int sw, cd;
    ULONG wantBits, wantMask;
    const LocStr *message;
    BOOL restart, takeUnit;
};

TEST(OptionRules, SoundSwitchTable)
{
    const SwitchCase cases[] = {
        {"AHI off turns music and modules off with one message", 0x39, 0x3F, 0, 0, 0x10, 0x3F,
         &_VEK_OPTION0_NOAHINURPAULA, 1, 0},
        {"AHI on", 0x10, 0x3F, 0, 0, 0x11, 0x3F, nullptr, 1, 0},
        {"AHI not possible", 0x10, 0x3E, 0, 0, 0x10, 0x3E, &_VEK_OPTION0_AHINOTPOSSIBLE, 0, 0},
        {"wavetable is a message only", 0x39, 0x3F, 1, 0, 0x39, 0x3F, &_VEK_OPTION0_WAVETABLE, 0, 0},
        {"CD on with the unit answering: music on, modules off", 0x39, 0x3B, 2, 1, 0x35, 0x3F, nullptr, 1, 1},
        {"CD unanswered clears the mask bit", 0x39, 0x3F, 2, 0, 0x39, 0x3B, &_VEK_OPTION0_DEVICEUNITNOTCORRECT, 0,
         0},
        {"CD off takes the CD volume switch with it", 0x75, 0x3F, 2, 0, 0x31, 0x3F, nullptr, 1, 1},
        {"modules on turn CD off", 0x35, 0x3F, 3, 0, 0x39, 0x3F, nullptr, 1, 0},
        {"modules need AHI", 0x34, 0x3F, 3, 0, 0x34, 0x3F, &_VEK_OPTION0_NOAHIKEINEMODULE, 0, 0},
        {"effects off take their volume switch", 0xD0, 0x3F, 4, 0, 0x40, 0x3F, nullptr, 1, 0},
        {"music off with neither source", 0x30, 0x3F, 5, 0, 0x10, 0x3F, nullptr, 1, 0},
        {"music not possible", 0x10, 0x3F, 5, 0, 0x10, 0x3F, &_VEK_OPTION0_MUSICNOTPOSSIBLE, 0, 0},
        {"music on with CD: the answering unit joins", 0x04, 0x3B, 5, 1, 0x24, 0x3F, nullptr, 1, 0},
        {"music on with modules: no CD", 0x09, 0x3F, 5, 1, 0x29, 0x3F, nullptr, 1, 0},
        {"CD volume switch", 0x00, 0x3F, 6, 0, 0x40, 0x3F, nullptr, 1, 0},
        {"effects volume switch", 0x80, 0x3F, 7, 0, 0x00, 0x3F, nullptr, 1, 0},
    };
    for (const SwitchCase &c : cases) {
        SCOPED_TRACE(c.name);
        CDAnswer cd(c.cd);
        const SoundSwitchResult r = SoundSwitch(c.bits, c.mask, c.sw, "cd.device", 1);
        EXPECT_EQ(r.Bits, c.wantBits);
        EXPECT_EQ(r.Mask, c.wantMask);
        EXPECT_EQ(r.Meldung, c.message);
        EXPECT_EQ(r.Restart, c.restart);
        EXPECT_EQ(r.TakeCDUnit, c.takeUnit);
    }
}

TEST(OptionRules, SoundSwitchSequences)
{
    CDAnswer cd(1);
    SoundSwitchResult r = SoundSwitch(0x39, 0x3F, 2, "cd.device", 1);
    EXPECT_EQ(r.Bits, 0x35u);
    r = SoundSwitch(r.Bits, r.Mask, 3, "cd.device", 1);
    EXPECT_EQ(r.Bits, 0x39u);
    // Music off and on again with neither source: off, then the message.
    CDAnswer none(0);
    r = SoundSwitch(0x30, 0x3F, 5, "", 0);
    EXPECT_EQ(r.Bits, 0x10u);
    EXPECT_EQ(r.Meldung, nullptr);
    r = SoundSwitch(r.Bits, r.Mask, 5, "", 0);
    EXPECT_EQ(r.Bits, 0x10u);
    EXPECT_EQ(r.Meldung, &_VEK_OPTION0_MUSICNOTPOSSIBLE);
    // A CD switched on is switched off without asking the unit again.
    CDAnswer::calls_ = 0;
    r = SoundSwitch(0x24, 0x3F, 2, "", 0);
    EXPECT_EQ(r.Bits, 0x20u);
    EXPECT_EQ(CDAnswer::calls_, 0);
}

TEST(OptionRules, Volumes)
{
    struct {
        LONG x, left, right, want;
    } const clicks[] = {
        {100, 100, 300, 0}, {300, 100, 300, 100}, {50, 100, 300, 0}, {400, 100, 300, 100},
        {200, 100, 300, 50}, {107, 100, 107, -1}, {103, 100, 103, -1}, {0, 100, 90, -1},
    };
    for (const auto &c : clicks) {
        SCOPED_TRACE(c.x);
        EXPECT_EQ(SliderVolume(c.x, c.left, c.right), c.want);
    }
    EXPECT_EQ(SfxVolumeWord(50), 0x40000u);
    EXPECT_EQ(SfxVolumeWord(100), 0x80000u);
    EXPECT_EQ(SfxVolumeWord(12), 0u);
    EXPECT_EQ(SfxVolumeWord(13), 0x10000u);
    EXPECT_EQ(NotchX(100, 300, 50), 196);
    EXPECT_EQ(NotchX(100, 300, 0), 100);
    EXPECT_EQ(NotchX(100, 300, 100), 293);
}

TEST(OptionRules, TransportFlags)
{
    EXPECT_EQ(TransportFlags(0x15, SWITCH_TURNS_BY_PACKETS), 0x14);
    EXPECT_EQ(TransportFlags(0x14, SWITCH_TURNS_BY_MAIL), 0x11);
    EXPECT_EQ(TransportFlags(0x11, SWITCH_CHAT_PANEL), 0x01);
    EXPECT_EQ(TransportFlags(0x01, SWITCH_CHAT_PANEL), 0x11);
    EXPECT_EQ(TransportFlags(0xFF, SWITCH_TURNS_BY_MAIL), 0xFB);
}

TEST(OptionRules, MailDomain)
{
    struct {
        const char *email, *pop;
        BOOL match;
    } const cases[] = {
        {"a@example.org", "pop.example.org", 1},
        {"a@example.org", "example.org", 1},
        {"a@example.org", "pop.mail.example.org", 0},
        {"a@example.org", "pop.example.net", 0},
        {"a@b@example.org", "pop.example.org", 1},  // the last "@" counts
        {"a@", "pop.example.org", 0},
        {"a@example.org", "", 0},
        {"a@localhost", "localhost", 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.email) + " " + c.pop);
        EXPECT_EQ(MailDomainMatches(c.email, c.pop), c.match);
    }
}

TEST(OptionRules, PasswordsStopAt39AndBackspaceCuts)
{
    char real[40] = {};
    size_t stars = 0;
    for (int i = 0; i < 45; ++i)
        if (PasswordKey(real, (ULONG)('a' + i % 26), stars)) ++stars;
    EXPECT_EQ(stars, 39u);
    EXPECT_EQ(std::strlen(real), 39u);
    EXPECT_EQ(PasswordKey(real, 8, 38), 0);
    EXPECT_EQ(std::strlen(real), 38u);
    // Backspace in the middle cuts the password to the stars that are left.
    EXPECT_EQ(PasswordKey(real, 8, 5), 0);
    EXPECT_STREQ(real, "abcde");
    EXPECT_EQ(PasswordKey(real, 0, 5), 0);
    EXPECT_STREQ(real, "abcde");
}

TEST(OptionRules, SoundFieldsRoundTripAndHostileFields)
{
    OptionenPrefs op{};
    std::memcpy(op.CDDevicename, "nobody.device", 14);
    op.CDDeviceUnit = 3;
    op.CDDeviceLUN = 2;
    op.AHI_ModeID = 0xFFFFFFFF;
    op.AHI_Frequency = 22100;
    char f[OPTION0_FIELDS][OPTION_FIELD_BYTES];
    SoundFieldsFromOptions(op, f);
    EXPECT_STREQ(f[0], "nobody.device");
    EXPECT_STREQ(f[1], "3");
    EXPECT_STREQ(f[2], "2");
    EXPECT_STREQ(f[3], "0xFFFFFFFF");
    EXPECT_STREQ(f[4], "22100");
    OptionenPrefs back = op;
    back.AHI_ModeID = 0;
    back.AHI_Frequency = 0;
    SoundFieldsToOptions(f, 0x3D, &back);
    EXPECT_EQ(+back.SoundBits, 0x3Du);
    EXPECT_EQ(0, std::memcmp(back.CDDevicename, op.CDDevicename, 40));
    EXPECT_EQ(+back.AHI_ModeID, 0xFFFFFFFFu);
    EXPECT_EQ(+back.AHI_Frequency, 22100u);
    std::strcpy(f[3], "1234");
    SoundFieldsToOptions(f, 0, &back);
    EXPECT_EQ(+back.AHI_ModeID, 1234u);

    std::memset(op.CDDevicename, 'X', sizeof op.CDDevicename);
    SoundFieldsFromOptions(op, f);
    EXPECT_EQ(std::strlen(f[0]), 39u);
    SoundFieldsToOptions(f, 0, &back);
    EXPECT_EQ(+back.CDDevicename[39], 0);
}

TEST(OptionRules, AddressChangeRecordBytes)
{
    const st_INIT rec = AddressChangeRecord("new@game.test");
    const auto *b = reinterpret_cast<const UBYTE *>(&rec);
    ASSERT_EQ(sizeof rec, 784u);
    // The head as it travels (file order is host order of the pool).
    const ULONG id = rec.Head.ChunkID, version = rec.Head.Version, length = rec.Head.Length;
    EXPECT_EQ(id, ID_INIT);
    EXPECT_EQ(version, 0x56303031u);
    EXPECT_EQ(length, 772u);
    const std::string email = "new@game.test";
    for (size_t i = 12; i < sizeof rec; ++i) {
        const UBYTE want = i >= 322 && i < 322 + email.size() ? (UBYTE)email[i - 322] : 0;
        ASSERT_EQ(b[i], want) << "byte " << i;
    }
    const st_INIT longOne = AddressChangeRecord(std::string(50, 'y').c_str());
    EXPECT_EQ(strnlen(longOne.Email, 40), 39u);
}

}  // namespace
