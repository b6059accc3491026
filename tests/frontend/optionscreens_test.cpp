// The three option pages on a copy of the demo set, driven by pushed clicks
// and keys at 8 and 32 bits: what the sound page writes to the options file
// (byte for byte), its switches, sliders and restarts; the pointer page; the
// ring of pages.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "frontend/frontend.h"
#include "frontend/optionrules.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "platform/pointer.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "ui/gadgets.h"
#include "ui/screendat.h"

using namespace vektest;

namespace {

constexpr const char *kOptions = "Data/Optionen.prefs";

std::map<std::string, std::pair<LONG, LONG>> Centres(const char *file)
{
    return GadgetCentres((std::string("Data/screendat/") + file).c_str());
}

class OptionPagesTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        CopyDemoGameFiles(".");
        screen_ = std::make_unique<SdlScreen>(GetParam());
        ASSERT_TRUE(screen_->Ok());
        UseKavorGadgetPainter();
        FadeDelayHook = [](ULONG) {};
        Drain();
        op_ = UserSystem.OP;
        mask_ = UserSystem.SoundMask;
        status_ = UserSystem.SoundStatus;
        init_ = OptionInitSoundHook;
        cd_ = OptionCDAnswerHook;
        restarts_ = 0;
        failRestart_ = false;
        OptionInitSoundHook = [](ULONG flags, const char *) {
            ++restarts_;
            UserSystem.SoundStatus = flags & UserSystem.SoundMask;
            return failRestart_ ? 0 : 1;
        };
        OptionCDAnswerHook = [](const char *, ULONG) { return 0; };
        OptionenPrefs &op = UserSystem.OP;
        std::memset(op.CDDevicename, 0, sizeof op.CDDevicename);
        std::strcpy(op.CDDevicename, "nobody.device");
        op.CDDeviceUnit = 0;
        op.CDDeviceLUN = 0;
        op.AHI_ModeID = 0xFFFFFFFF;
        op.AHI_Frequency = 22100;
        op.SoundBits = 0x39;
        op.SFX_Volume = 50;
        op.CD_Volume = 50;
        UserSystem.SoundMask = 0xFF;
        UserSystem.SoundStatus = 0x39;
        ASSERT_TRUE(OptionenPrefsSave());
        before_ = ReadBytes(kOptions);
        ASSERT_EQ(before_.size(), 570u);
        p0_ = Centres("Optionen0.dat");
        p1_ = Centres("Optionen1.dat");
        p3_ = Centres("Optionen3.dat");
        ASSERT_FALSE(p0_.empty());
        ASSERT_FALSE(p3_.empty());
    }
    void TearDown() override
    {
        SDL_Event ev;
        EXPECT_EQ(SDL_PollEvent(&ev), 0) << "input was left over";
        Drain();
        if (TitelScreenPtr) CloseKavorPic(0, 0);
        FadeDelayHook = nullptr;
        UserSystem.OP = op_;
        UserSystem.SoundMask = mask_;
        UserSystem.SoundStatus = status_;
        OptionInitSoundHook = init_;
        OptionCDAnswerHook = cd_;
        screen_.reset();
    }
    static void Drain()
    {
        SDL_Event ev;
        while (SDL_PollEvent(&ev)) {
        }
    }
    static void Click(const std::map<std::string, std::pair<LONG, LONG>> &page, const char *code)
    {
        auto it = page.find(code);
        ASSERT_NE(it, page.end()) << code;
        PushClick(it->second.first, it->second.second);
    }
    static void Ok() { PushKey(SDLK_RETURN, 13); }

    ScratchDir dir_;
    std::unique_ptr<SdlScreen> screen_;
    OptionenPrefs op_{};
    ULONG mask_ = 0, status_ = 0;
    int (*init_)(ULONG, const char *) = nullptr;
    int (*cd_)(const char *, ULONG) = nullptr;
    static inline int restarts_ = 0;
    static inline bool failRestart_ = false;
    Bytes before_;
    std::map<std::string, std::pair<LONG, LONG>> p0_, p1_, p3_;
};

GadgetData GadgetOf(const char *file, const char (&code)[5])
{
    GadgetData g{};
    ScreenRegion *r = GetScreenRegion((std::string("./Data/screendat/") + file).c_str(), SR_GADGETDATA);
    if (!r) return g;
    for (ULONG i = 0; i < r->CountGadgetData; ++i)
        if (r->GadgetData[i].ReturnID == MakeGadgetID(code)) g = r->GadgetData[i];
    ClearScreenRegion(r);
    return g;
}

// The options file as it was with the four bytes of SoundBits replaced.
Bytes WithSoundBits(Bytes file, ULONG bits)
{
    std::memcpy(file.data(), &bits, 4);
    return file;
}

TEST_P(OptionPagesTest, SwitchNextOkokStoresOnlyTheSoundBits)
{
    Click(p0_, "BU04");  // effects off: 0x39 -> 0x29
    Click(p0_, "NEXT");
    EXPECT_EQ(OptionScreen(), 134);
    EXPECT_EQ(restarts_, 1);
    EXPECT_EQ(UserSystem.OP.SoundBits, 0x29u);
    Click(p0_, "OKOK");
    EXPECT_EQ(OptionScreen(), 2);
    const Bytes after = ReadBytes(kOptions);
    EXPECT_EQ(after, WithSoundBits(before_, 0x29));
    EXPECT_EQ(0, std::memcmp(after.data() + 6, "nobody.device", 14));
}

TEST_P(OptionPagesTest, ATypedUnitChangesOffset46Only)
{
    Click(p0_, "ST01");
    PushText("7");
    Ok();
    Click(p0_, "OKOK");
    EXPECT_EQ(OptionScreen(), 2);
    Bytes want = before_;
    want[46] = 7;  // "0" and the typed "7": unit 7
    EXPECT_EQ(ReadBytes(kOptions), want);
    EXPECT_EQ(restarts_, 0);
}

TEST_P(OptionPagesTest, ExitKeepsTheRunningBitsButNotTheFile)
{
    Click(p0_, "BU04");
    Click(p0_, "EXIT");
    EXPECT_EQ(OptionScreen(), 2);
    EXPECT_EQ(UserSystem.SoundStatus, 0x29u);
    EXPECT_EQ(UserSystem.OP.SoundBits, 0x39u);
    EXPECT_EQ(ReadBytes(kOptions), before_);
}

TEST_P(OptionPagesTest, MessagesAndAFailedRestart)
{
    // Wavetable: a message, no restart; music off with AHI: one message.
    Click(p0_, "BU01");
    Ok();
    Click(p0_, "BU00");
    Ok();
    Click(p0_, "EXIT");
    EXPECT_EQ(OptionScreen(), 2);
    EXPECT_EQ(restarts_, 1);
    EXPECT_EQ(UserSystem.SoundStatus, 0x10u);

    failRestart_ = true;
    Click(p0_, "BU06");
    EXPECT_EQ(OptionScreen(), -1);
    failRestart_ = false;
}

TEST_P(OptionPagesTest, SlidersActOnlyWhenEnabled)
{
    const GadgetData cd = GadgetOf("Optionen0.dat", "SL00"), fx = GadgetOf("Optionen0.dat", "SL01");
    UserSystem.SoundStatus = 0x39 | 0x80;  // the effects slider on, the CD slider off
    const LONG fy = (fx.Y0 + fx.Y1) / 2, cy = (cd.Y0 + cd.Y1) / 2;
    PushClick(fx.X1 - 1, fy);
    Click(p0_, "EXIT");
    EXPECT_EQ(OptionScreen(), 2);
    EXPECT_EQ(UserSystem.OP.SFX_Volume, 100);
    PushClick(fx.X0 + 1, fy);
    PushClick(cd.X1 - 1, cy);
    Click(p0_, "EXIT");
    EXPECT_EQ(OptionScreen(), 2);
    EXPECT_EQ(UserSystem.OP.SFX_Volume, 0);
    EXPECT_EQ(UserSystem.OP.CD_Volume, 50);
    // Effects off take their slider with them: clicks do nothing then.
    Click(p0_, "BU04");
    PushClick(fx.X1 - 1, fy);
    Click(p0_, "EXIT");
    EXPECT_EQ(OptionScreen(), 2);
    EXPECT_EQ(UserSystem.OP.SFX_Volume, 0);
}

TEST_P(OptionPagesTest, HostileDeviceNameShowsAndStores39Characters)
{
    std::memset(UserSystem.OP.CDDevicename, 'X', sizeof UserSystem.OP.CDDevicename);
    Click(p0_, "OKOK");
    EXPECT_EQ(OptionScreen(), 2);
    EXPECT_EQ(strnlen(UserSystem.OP.CDDevicename, 40), 39u);
}

TEST_P(OptionPagesTest, PointerSwitchesByTruth)
{
    struct {
        const char *name;
        BOOL stored;
        int clicks;
        const char *leave;
        BOOL wantStored;
        LONG wantResult;
        int wantShown;  // the system pointer after leaving
    } const cases[] = {
        {"stored 0, one click, NEXT", 0, 1, "NEXT", -1, 133, SDL_DISABLE},
        {"stored 1, one click, PREV", 1, 1, "PREV", 0, 134, SDL_ENABLE},
        {"stored 1, two clicks, OKOK", 1, 2, "OKOK", -1, 2, SDL_DISABLE},
        {"stored 0, one click, EXIT", 0, 1, "EXIT", 0, 2, SDL_ENABLE},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        UserSystem.OP.ColorCursor = c.stored;
        for (int i = 0; i < c.clicks; ++i) Click(p3_, "CURS");
        Click(p3_, c.leave);
        EXPECT_EQ(Option3Screen(), c.wantResult);
        EXPECT_EQ(UserSystem.OP.ColorCursor, c.wantStored);
        EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), c.wantShown);
    }
    Bytes want = before_;
    const LONG minusOne = -1;
    std::memcpy(want.data() + 566, &minusOne, 4);
    EXPECT_EQ(ReadBytes(kOptions), want);
}

INSTANTIATE_TEST_SUITE_P(Depths, OptionPagesTest, ::testing::Values(8, 32));

}  // namespace
