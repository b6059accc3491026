// Music: the module table, the music thread's life (start, change and back,
// end on exit or a new module, a module that does not load) on the demo
// modules, and CD audio on SDL's emulated drive with the demo CD tracks.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "common/shareddemo.h"
#include "common/testutil.h"
#include "media/audiofixture.h"
#include "platform/memfile.h"

namespace {

const char *const MAIN = "./Mods/VekMain.xm";
const char *const SECRET = "./Mods/Secret.xm";

class Music : public ::testing::Test {
protected:
    // The demo set is shared and only read: the tests run in a scratch copy of its modules.
    void SetUp() override
    {
        const std::string demo = SharedDemoSet();
        vektest::MakeDirs("Mods");
        for (const char *m : {MAIN, SECRET}) vektest::WriteBytes(m, vektest::ReadBytes(demo + "/" + m));
        musicTiming.pollMs = 5;
        musicTiming.fadeMs = 10;
    }
    vektest::ScratchDir scratch;
};

TEST_F(Music, LoadClampsTheRateAndKeepsAtMostTen)
{
    vektest::Mixer mix;
    ASSERT_TRUE(mix.Ok());
    vektest::StdoutCapture cap;
    const struct {
        int freq;
        ULONG stored;
    } rows[] = {{8000, 11050}, {11049, 11050}, {22050, 22050}, {44200, 44200}, {48000, 44200}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.freq);
        Mix_Music *m = LoadModule(MAIN, 7, r.freq);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(activeModules[0].frequency, r.stored);
        EXPECT_EQ(activeModules[0].mode, 7u);
        UnloadModule(m);
        EXPECT_EQ(modulesLoaded, 0);
    }
    EXPECT_EQ(LoadModule("./Mods/none.xm", 0, 22050), nullptr);
    for (int round = 0; round < 3; ++round) {
        Mix_Music *held[12];
        for (int i = 0; i < 12; ++i) held[i] = LoadModule(i % 2 ? MAIN : SECRET, 0, 44200);
        EXPECT_EQ(modulesLoaded, MODULE_SLOTS);
        EXPECT_EQ(held[10], nullptr);
        EXPECT_EQ(held[11], nullptr);
        // Out of order: the table closes its gaps.
        for (int i : {3, 0, 9, 5, 1, 2, 4, 6, 7, 8}) UnloadModule(held[i]);
        EXPECT_EQ(modulesLoaded, 0);
    }
    EXPECT_NE(cap.Take().find("abgewiesen"), std::string::npos);
    EXPECT_EQ(SetModuleVolume(nullptr, 50), 0);
}

TEST_F(Music, StartAndStopPlayTheModule)
{
    vektest::Mixer mix;
    ASSERT_TRUE(mix.Ok());
    Mix_Music *a = LoadModule(MAIN, 0, 44200), *b = LoadModule(SECRET, 0, 44200);
    ASSERT_TRUE(a && b);
    StartModule(a);
    EXPECT_TRUE(Mix_PlayingMusic());
    EXPECT_EQ(modulePlayed, 0);
    StartModule(b);  // ends the first
    EXPECT_EQ(modulePlayed, 1);
    StopModule(a);  // not the one playing
    EXPECT_TRUE(Mix_PlayingMusic());
    EXPECT_EQ(SetModuleVolume(b, 300), 1);
    EXPECT_EQ(Mix_VolumeMusic(-1), MIX_MAX_VOLUME);
    EXPECT_EQ(SetModuleVolume(b, -4), 1);
    EXPECT_EQ(Mix_VolumeMusic(-1), 0);
    Mix_VolumeMusic(MIX_MAX_VOLUME);
    StopModule(b);
    EXPECT_FALSE(Mix_PlayingMusic());
    EXPECT_EQ(modulePlayed, -1);
    UnloadModule(a);
    UnloadModule(b);
}

TEST_F(Music, TheThreadChangesToTheSecretModuleAndBack)
{
    vektest::Mixer mix;
    ASSERT_TRUE(mix.Ok());
    ASSERT_EQ(SetModule(MAIN), 1);
    ASSERT_TRUE(vektest::WaitFor([] { return UserSystem.SoundModulePtr && Mix_PlayingMusic(); }));
    EXPECT_STREQ(UserSystem.SoundModuleName, MAIN);
    for (const char *next : {SECRET, MAIN, SECRET}) {
        SCOPED_TRACE(next);
        UserSystem.SoundModuleName = next;
        std::atomic_ref<BOOL>(UserSystem.SoundModuleChange).store(1);
        ASSERT_TRUE(vektest::WaitFor([&] {
            // The flag is cleared after the old module went, the pointer set once the next loaded.
            return !std::atomic_ref<BOOL>(UserSystem.SoundModuleChange).load() && UserSystem.SoundModulePtr &&
                   Mix_PlayingMusic();
        }));
        EXPECT_EQ(modulesLoaded, 1);
        EXPECT_STREQ(UserSystem.SoundModuleName, next);
    }
    ExitSoundEnv();
    EXPECT_FALSE(MusicThreadRunning());
    EXPECT_EQ(modulesLoaded, 0);
    EXPECT_EQ(UserSystem.SoundModulePtr, nullptr);
    EXPECT_FALSE(Mix_PlayingMusic());
}

TEST_F(Music, AChangeAskedBeforeTheStartIsTaken)
{
    vektest::Mixer mix;
    ASSERT_TRUE(mix.Ok());
    UserSystem.SoundModuleName = SECRET;
    UserSystem.SoundModuleChange = 1;
    ASSERT_EQ(SetModule(MAIN), 1);
    ASSERT_TRUE(vektest::WaitFor([] {
        return !std::atomic_ref<BOOL>(UserSystem.SoundModuleChange).load() && UserSystem.SoundModulePtr &&
               UserSystem.SoundModuleName == SECRET && Mix_PlayingMusic();
    }));
    EXPECT_TRUE(MusicThreadRunning());
    EXPECT_EQ(modulesLoaded, 1);
}

TEST_F(Music, ANewModuleEndsTheOldThreadAndItsModule)
{
    vektest::Mixer mix;
    ASSERT_TRUE(mix.Ok());
    for (int round = 0; round < 5; ++round) {
        ASSERT_EQ(SetModule(round % 2 ? MAIN : SECRET), 1);
        ASSERT_TRUE(vektest::WaitFor([] { return UserSystem.SoundModulePtr && Mix_PlayingMusic(); }));
        EXPECT_EQ(modulesLoaded, 1);
    }
    // A short restart period: the module starts again and stays the only one.
    musicTiming.restartPolls = 2;
    SDL_Delay(100);
    EXPECT_EQ(modulesLoaded, 1);
    EXPECT_TRUE(vektest::WaitFor([] { return Mix_PlayingMusic() != 0; }));
}

TEST_F(Music, TheModuleStartsAgainAfterItsPolls)
{
    vektest::Mixer mix;
    ASSERT_TRUE(mix.Ok());
    musicTiming.fadeMs = 100;
    const struct {
        ULONG polls;
        bool restarts;
    } rows[] = {{4, true}, {1000, false}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.polls);
        musicTiming.restartPolls = r.polls;
        ASSERT_EQ(SetModule(MAIN), 1);
        ASSERT_TRUE(vektest::WaitFor([] { return UserSystem.SoundModulePtr && Mix_PlayingMusic(); }));
        // A restart fades the module out and in again.
        EXPECT_EQ(vektest::WaitFor([] { return Mix_FadingMusic() == MIX_FADING_OUT; }, 400), r.restarts);
        EXPECT_EQ(modulesLoaded, 1);
        EndMusicThread();
        EXPECT_EQ(modulesLoaded, 0);
    }
}

TEST_F(Music, AClearedModulePointerEndsTheThread)
{
    vektest::Mixer mix;
    ASSERT_TRUE(mix.Ok());
    ASSERT_EQ(SetModule(SECRET), 1);
    ASSERT_TRUE(vektest::WaitFor([] { return UserSystem.SoundModulePtr && Mix_PlayingMusic(); }));
    std::atomic_ref<Mix_Music *>(UserSystem.SoundModulePtr).store(nullptr);
    EXPECT_TRUE(vektest::WaitFor([] { return !MusicThreadRunning(); }));
    // The thread took its module with it.
    EXPECT_EQ(modulesLoaded, 0);
    EXPECT_FALSE(Mix_PlayingMusic());
}

TEST_F(Music, AModuleThatDoesNotLoadClearsModuleMusic)
{
    vektest::WriteBytes("Mods/Garbage.xm", vektest::Bytes(3000, 0x5A));
    vektest::Mixer mix;
    ASSERT_TRUE(mix.Ok());
    UserSystem.OP.SoundBits = SOUND_MODULES;  // effects off: this folder has no sound index
    vektest::StdoutCapture cap;
    ASSERT_EQ(InitSoundEnv(0, "./Mods/Garbage.xm"), 1);
    EXPECT_TRUE(vektest::WaitFor([] { return !MusicThreadRunning(); }));
    EXPECT_EQ(UserSystem.SoundStatus & SOUND_FASTTRACKER, 0u);
    EXPECT_EQ(modulesLoaded, 0);
    EXPECT_EQ(UserSystem.SoundModulePtr, nullptr);
    EXPECT_FALSE(Mix_PlayingMusic());
    EXPECT_NE(cap.Take().find("LoadModule: Konnte ./Mods/Garbage.xm nicht laden"), std::string::npos);
}

TEST_F(Music, ExitDuringTheFadeInLeavesNothingBehind)
{
    vektest::Mixer mix;
    ASSERT_TRUE(mix.Ok());
    musicTiming.fadeMs = 400;
    UserSystem.OP.SoundBits = 0x29;
    const long before = (long)MemAllocatedCounter.load() - (long)MemFreedCounter.load();
    ASSERT_EQ(InitSoundEnv(0, MAIN), 1);
    ASSERT_TRUE(vektest::WaitFor([] { return Mix_FadingMusic() == MIX_FADING_IN; }));
    ExitSoundEnv();
    EXPECT_FALSE(MusicThreadRunning());
    EXPECT_EQ(modulesLoaded, 0);
    EXPECT_EQ(UserSystem.SoundModulePtr, nullptr);
    EXPECT_FALSE(Mix_PlayingMusic());
    EXPECT_EQ((long)MemAllocatedCounter.load() - (long)MemFreedCounter.load(), before);
}

// A sound set-up that fails (here: no sound index for the effects) leaves no
// music thread behind: the program then goes on, or ends, without the sound's
// end, and a thread still loading its module when the audio closes crashed
// the start-up.
TEST_F(Music, AFailedSetUpEndsTheMusicItStarted)
{
    vektest::Mixer mix;
    ASSERT_TRUE(mix.Ok());
    UserSystem.OP.SoundBits = SOUND_MODULES | SOUND_SOUNDFX;
    vektest::StdoutCapture cap;
    ASSERT_EQ(InitSoundEnv(0, MAIN), 0);
    EXPECT_FALSE(MusicThreadRunning());
    EXPECT_EQ(modulesLoaded, 0);
    EXPECT_EQ(UserSystem.SoundModulePtr, nullptr);
    EXPECT_FALSE(Mix_PlayingMusic());
}

// CD audio on the emulated drive over the demo set's CD folder.
class CD : public Music {
protected:
    void SetUp() override
    {
        Music::SetUp();
        UserSystem.OP.CDDeviceUnit = 1;  // the default: a second drive, which is not there
        UserSystem.OP.SoundBits = SOUND_CDAUDIO;
    }
    static std::string Folder() { return SharedDemoSet() + "/CD/"; }
};

TEST_F(CD, TracksThreeToFivePlayInTurn)
{
    vektest::Mixer mix("dummy", "", "SDL12COMPAT_FAKE_CDROM_PATH", Folder());
    ASSERT_TRUE(mix.Ok());
    ASSERT_EQ(SDL_CDNumDrives(), 1);
    EXPECT_EQ(CDDrive(), 0);
    ASSERT_EQ(InitSoundEnv(0, nullptr), 1);
    ASSERT_EQ(UserSystem.SoundStatus, SOUND_CDAUDIO);
    EXPECT_EQ(IsCDReady(nullptr, 0), 0);
    vektest::StdoutCapture cap;
    const int played = PlayCDTrack(nullptr, 0, 3, 5);
    EXPECT_NE(cap.Take().find("PlayCDTrack: Status="), std::string::npos);
    ASSERT_EQ(played, 1);

    // The unit stays open while it plays; the emulated drive reports through it.
    SDL_CD *cd = HeldCDDrive();
    ASSERT_NE(cd, nullptr);
    ASSERT_EQ(cd->numtracks, 16);
    std::vector<int> heard;
    const bool ended = vektest::WaitFor(
        [&] {
            const CDstatus st = SDL_CDStatus(cd);
            if (st == CD_PLAYING && (heard.empty() || heard.back() != cd->cur_track)) heard.push_back(cd->cur_track);
            return st != CD_PLAYING;
        },
        5000);
    EXPECT_TRUE(ended);
    // The drive names the next track for a moment before it reports the end.
    ASSERT_GE(heard.size(), 3u);
    EXPECT_EQ(std::vector<int>(heard.begin(), heard.begin() + 3), (std::vector<int>{3, 4, 5}));
    EXPECT_LE(heard.back(), 6);
}

TEST_F(CD, StopEndsThePlaying)
{
    vektest::Mixer mix("dummy", "", "SDL12COMPAT_FAKE_CDROM_PATH", Folder());
    ASSERT_TRUE(mix.Ok());
    ASSERT_EQ(InitSoundEnv(0, nullptr), 1);
    ASSERT_EQ(PlayCDTrack(nullptr, 0, 14, 14), 1);  // the last index a screen asks for
    SDL_CD *cd = HeldCDDrive();
    ASSERT_NE(cd, nullptr);
    EXPECT_EQ(SDL_CDStatus(cd), CD_PLAYING);
    EXPECT_EQ(cd->cur_track, 14);
    EXPECT_EQ(StopCD(nullptr, 0), 1);
    EXPECT_EQ(HeldCDDrive(), nullptr);
    cd = SDL_CDOpen(0);
    ASSERT_NE(cd, nullptr);
    EXPECT_NE(SDL_CDStatus(cd), CD_PLAYING);
    SDL_CDClose(cd);
    vektest::StdoutCapture cap;
    const int played = PlayCDTrack(nullptr, 0, 5, 4);  // no tracks between
    EXPECT_NE(cap.Take().find("PlayCDTrack: failure!\n"), std::string::npos);
    EXPECT_EQ(played, 0);
}

TEST_F(CD, WithCDSoundOffNothingIsOpened)
{
    vektest::Mixer mix("dummy", "", "SDL12COMPAT_FAKE_CDROM_PATH", Folder());
    ASSERT_TRUE(mix.Ok());
    UserSystem.OP.SoundBits = SOUND_SOUNDFX | SOUND_MUSIC;
    vektest::StdoutCapture cap;
    UserSystem.SoundStatus = UserSystem.OP.SoundBits;
    EXPECT_EQ(PlayCDTrack(nullptr, 0, 3, 5), 0);
    EXPECT_EQ(StopCD(nullptr, 0), 0);
    EXPECT_EQ(IsCDReady(nullptr, 0), 1);
    EXPECT_EQ(cap.Take(), "");
    EXPECT_EQ(HeldCDDrive(), nullptr);
    SDL_CD *cd = SDL_CDOpen(0);
    ASSERT_NE(cd, nullptr);
    EXPECT_NE(SDL_CDStatus(cd), CD_PLAYING);
    SDL_CDClose(cd);
}

TEST_F(CD, AskingForTheDriveOffersNoCDMusic)
{
    {
        vektest::Mixer mix("dummy", "", "SDL12COMPAT_FAKE_CDROM_PATH", Folder());
        ASSERT_TRUE(mix.Ok());
        EXPECT_EQ(IsCD(nullptr, 0), 0);
        // The drive was closed again: it opens as before.
        SDL_CD *cd = SDL_CDOpen(0);
        EXPECT_NE(cd, nullptr);
        if (cd) SDL_CDClose(cd);
    }
    vektest::Mixer noDrive;
    ASSERT_TRUE(noDrive.Ok());
    EXPECT_EQ(IsCD(nullptr, 0), 0);
    vektest::StdoutCapture cap;
    UserSystem.SoundStatus = SOUND_CDAUDIO;
    EXPECT_EQ(PlayCDTrack(nullptr, 0, 1, 1), 0);
    EXPECT_EQ(StopCD(nullptr, 0), 0);
    EXPECT_EQ(SetCDVolume(100), 0);
    EXPECT_EQ(cap.Take(), "PlayCDTrack: Konnte CDRom nicht \xF6" "ffnen!\nStopCD: Konnte CD nicht \xF6" "ffnen!\n"
                          "SetCDVolume: SDL unterstuetzt dies leider noch nicht.\n");
}

}  // namespace
