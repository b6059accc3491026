// Sound effects: the index reader against hostile indexes, the rate
// conversion, the 38 slots, volume, and what really reaches the audio device.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "common/testutil.h"
#include "media/audiofixture.h"
#include "platform/memfile.h"

using vektest::Bytes;

namespace {

struct Entry {
    uint32_t length, rate;
    std::string name;
};

void Be32(Bytes &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = (uint8_t)(v >> (24 - 8 * i));
}

// Header, count, one record per entry, then the names.
Bytes MakeIndex(const std::vector<Entry> &entries)
{
    Bytes b(36 + 20 * entries.size(), 0);
    Be32(b, 32, (uint32_t)entries.size());
    for (size_t n = 1; n <= entries.size(); ++n) {
        const Entry &e = entries[n - 1];
        Be32(b, 16 + 20 * n + 4, e.length);
        Be32(b, 16 + 20 * n + 8, e.rate);
        Be32(b, 16 + 20 * n + 12, (uint32_t)(b.size() - 32));
        b.insert(b.end(), e.name.begin(), e.name.end());
        b.push_back(0);
    }
    return b;
}

// A tone of constant loudness: count samples alternating +a and -a, big-endian.
Bytes SquareBE(size_t count, int16_t a)
{
    Bytes b;
    for (size_t i = 0; i < count; ++i) {
        const uint16_t v = (uint16_t)(i / 8 % 2 ? a : -a);
        b.push_back((uint8_t)(v >> 8));
        b.push_back((uint8_t)v);
    }
    return b;
}

std::string Read(const Bytes &index, UWORD id, SfxRecord *rec)
{
    vektest::StdoutCapture cap;
    const int ok = ReadSfxRecord(index.data(), (ULONG)index.size(), id, rec);
    const std::string text = cap.Take();
    return ok ? "" : text;
}

TEST(SfxIndex, RecordsGiveTheirSamplePath)
{
    const Bytes index = MakeIndex({{100, 22050, "Vek:Sfx/Klick.raw"}, {8, 44100, "Vek:Sfx/Regengu\xDF.raw"},
                                   {6, 11025, "Vek:Sfx/T\xFCr.raw"}});
    const struct {
        UWORD id;
        ULONG length, rate;
        const char *path;
    } rows[] = {{1, 100, 22050, "Sfx/Klick.raw"},
                {2, 8, 44100, "Sfx/Regengu\xC3\x9F.raw"},
                {3, 6, 11025, "Sfx/T\xC3\xBCr.raw"}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.path);
        SfxRecord rec{};
        ASSERT_EQ(Read(index, r.id, &rec), "");
        EXPECT_EQ(rec.length, r.length);
        EXPECT_EQ(rec.rate, r.rate);
        EXPECT_STREQ(rec.path, r.path);
    }
}

TEST(SfxIndex, HostileIndexesAreRefusedWithAMessage)
{
    const Bytes good = MakeIndex({{100, 22050, "Vek:a.raw"}, {100, 22050, "Vek:b.raw"}});
    const struct {
        const char *name;
        std::function<Bytes()> make;
        UWORD id;
        const char *message;
    } rows[] = {
        {"effect N + 1", [&] { return good; }, 3, "OpenKavorSfx:003\n"},
        {"index shorter than its count", [&] { return Bytes(good.begin(), good.begin() + 35); }, 1, "zu kurz"},
        {"record past the end",
         [&] {
             Bytes b = good;
             Be32(b, 32, 40);
             return b;
         },
         40, "hinter dem Index"},
        {"name offset past the end",
         [&] {
             Bytes b = good;
             Be32(b, 16 + 20 + 12, (uint32_t)b.size());
             return b;
         },
         1, "Name von 1 liegt hinter"},
        {"name without its NUL",
         [&] {
             Bytes b = good;
             b.pop_back();
             return b;
         },
         2, "ohne Ende"},
        {"name of four bytes", [] { return MakeIndex({{100, 22050, "Vek:"}}); }, 1, "zu kurz"},
        {"expansion past the path buffer", [] { return MakeIndex({{100, 22050, "Vek:" + std::string(60, '\xDF')}}); },
         1, "zu lang"},
        {"absolute path", [] { return MakeIndex({{100, 22050, "Vek:/etc/a.raw"}}); }, 1, "Spielverzeichnis"},
        {"climbs out", [] { return MakeIndex({{100, 22050, "Vek:Sfx/../../a.raw"}}); }, 1, "Spielverzeichnis"},
        {"rate 0", [] { return MakeIndex({{100, 0, "Vek:a.raw"}}); }, 1, "Frequenz 0"},
        {"odd length", [] { return MakeIndex({{101, 22050, "Vek:a.raw"}}); }, 1, "ungerade"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        SfxRecord rec{};
        EXPECT_NE(Read(r.make(), r.id, &rec).find(r.message), std::string::npos);
    }
}

TEST(SfxRate, ConversionToTheMixerRate)
{
    const struct {
        ULONG rate, bytes, expectBytes;
    } rows[] = {{22050, 1000, 1000}, {44100, 8000, 4000}, {11025, 1000, 2000}, {16000, 1000, 1378}, {8000, 400, 1102}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.rate);
        std::vector<WORD> in(r.bytes / 2);
        for (size_t i = 0; i < in.size(); ++i) in[i] = (WORD)(i * 7 + 1);
        vektest::StdoutCapture cap;
        const std::vector<WORD> out = ConvertSampleRate(in.data(), (ULONG)in.size(), r.rate);
        cap.Take();
        ASSERT_EQ(out.size() * 2, r.expectBytes);
        // Every output sample is the nearest lower input sample (inputs are distinct);
        // stepping by 1 / q may land just below a whole position.
        for (size_t j = 0; j < out.size(); ++j) {
            const double at = (double)j * r.rate / 22050, k = (out[j] - 1) / 7;
            ASSERT_TRUE(k <= at + 1e-6 && k >= at - 1 - 1e-6) << "sample " << j << " took " << k << " at " << at;
        }
    }
    std::vector<WORD> in(4000, 1);
    vektest::StdoutCapture cap;
    EXPECT_TRUE(ConvertSampleRate(in.data(), 4, 0).empty());
    EXPECT_TRUE(ConvertSampleRate(in.data(), 4000, 1).empty());  // 88 million samples
    const std::string text = cap.Take();
    EXPECT_NE(text.find("Frequenz 0"), std::string::npos);
    EXPECT_NE(text.find("zu viel"), std::string::npos);
}

TEST(SfxRate, ElevenKilohertzPlaysEachSampleTwice)
{
    const std::vector<WORD> in = {1, -2, 3, -4};
    vektest::StdoutCapture cap;
    const std::vector<WORD> out = ConvertSampleRate(in.data(), 4, 11025);
    cap.Take();
    EXPECT_EQ(out, (std::vector<WORD>{1, 1, -2, -2, 3, 3, -4, -4}));
}

TEST(SfxVolume, OldScaleAndSliderBits)
{
    const struct {
        ULONG value;
        int volume;
    } rows[] = {{0, 0}, {20, 80}, {32, 128}, {40, 128}, {0x10000, 16}, {0x40000, 64}, {0x80000, 128}, {0x1F0000, 128}};
    vektest::Mixer mix;
    ASSERT_TRUE(mix.Ok());
    for (const auto &r : rows) {
        SCOPED_TRACE(r.value);
        vektest::StdoutCapture cap;
        SetVolume(r.value);
        EXPECT_NE(cap.Take().find("SetVolume: " + std::to_string(r.value)), std::string::npos);
        EXPECT_EQ(Mix_Volume(0, -1), r.volume);
        EXPECT_EQ(Mix_Volume(15, -1), r.volume);
    }
}

// A scratch folder with an index of effects and their sample files.
class SfxFiles : public ::testing::Test {
protected:
    void Write(const std::vector<Entry> &entries, const std::vector<Bytes> &samples)
    {
        vektest::MakeDirs("Data");
        vektest::MakeDirs("Sfx");
        vektest::WriteBytes("Data/SfxPath", MakeIndex(entries));
        for (size_t i = 0; i < samples.size(); ++i) vektest::WriteBytes(entries[i].name.substr(4), samples[i]);
    }
    int Open(UWORD id, std::string *text = nullptr)
    {
        vektest::StdoutCapture cap;
        const int r = OpenKavorSfx("./Data/SfxPath", id);
        const std::string t = cap.Take();
        if (text) *text = t;
        return r;
    }
    int HeldSlots()
    {
        int n = 0;
        for (int i = 0; i < SFX_SLOTS; ++i) n += UserSystem.Sfx.SfxIdOnSlot[i] != 0;
        return n;
    }
    vektest::ScratchDir dir;
};

TEST_F(SfxFiles, SlotsFillUpAndFailuresLeaveThemFree)
{
    vektest::Mixer mix;
    ASSERT_TRUE(mix.Ok());
    Write({{200, 22050, "Vek:Sfx/a.raw"}, {200, 22050, "Vek:Sfx/missing.raw"}, {400, 22050, "Vek:Sfx/short.raw"},
           {0, 22050, "Vek:Sfx/empty.raw"}, {0xFFFFFFF0u, 22050, "Vek:Sfx/a.raw"}},
          {SquareBE(100, 1000), {}, SquareBE(10, 1000), {}});
    std::remove("Sfx/missing.raw");
    std::string text;
    EXPECT_EQ(Open(2, &text), 0);
    EXPECT_NE(text.find("Couldn't load Sfx/missing.raw"), std::string::npos);
    EXPECT_EQ(Open(3, &text), 0);
    EXPECT_NE(text.find("k\xFCrzer"), std::string::npos);
    EXPECT_EQ(Open(4), 1);  // nothing to load
    EXPECT_EQ(Open(5, &text), 0);  // a length far beyond its file
    EXPECT_NE(text.find("k\xFCrzer"), std::string::npos);
    EXPECT_EQ(HeldSlots(), 0);

    for (int i = 0; i < SFX_SLOTS; ++i) ASSERT_EQ(Open(1), 1) << "slot " << i;
    EXPECT_EQ(UserSystem.Sfx.SfxLength[0], 200u);
    EXPECT_EQ(Open(1, &text), 0);
    EXPECT_NE(text.find("OpenKavorSfx:004\n"), std::string::npos);
    EXPECT_EQ(Open(6, &text), 0);
    EXPECT_NE(text.find("OpenKavorSfx:003\n"), std::string::npos);

    CloseKavorSfx(1);
    EXPECT_EQ(HeldSlots(), SFX_SLOTS - 1);
    vektest::StdoutCapture cap;
    CloseKavorSfx(9);
    EXPECT_EQ(SfxPlayer(9, 0, 0), 0);
    StopSfx(9);
    EXPECT_EQ(cap.Take(), "CloseKavorSfx000: 9 nicht gefunden\nSfxPlayer000: 9 nicht gefunden\nStopSfx: 9 nicht gefunden\n");
    EXPECT_EQ(IsSfxReady(9), 1);
}

TEST_F(SfxFiles, EffectsOffLoadAndPlayNothing)
{
    vektest::Mixer mix;
    ASSERT_TRUE(mix.Ok());
    Write({{200, 22050, "Vek:Sfx/a.raw"}}, {SquareBE(100, 1000)});
    UserSystem.SoundStatus &= ~SOUND_SOUNDFX;
    EXPECT_EQ(Open(1), 1);
    EXPECT_EQ(HeldSlots(), 0);
    EXPECT_EQ(SfxPlayer(1, 0, 0), 0);
}

TEST_F(SfxFiles, TheIndexKeptInMemoryComesFirst)
{
    vektest::Mixer mix;
    ASSERT_TRUE(mix.Ok());
    Write({{200, 22050, "Vek:Sfx/a.raw"}}, {SquareBE(100, 1000)});
    const Bytes kept = MakeIndex({{200, 22050, "Vek:Sfx/a.raw"}, {200, 44100, "Vek:Sfx/a.raw"}});
    UserSystem.SfxPathPtr = (char *)AllocVec((ULONG)kept.size(), 0);
    std::memcpy(UserSystem.SfxPathPtr, kept.data(), kept.size());
    UserSystem.SfxPathLength = (ULONG)kept.size();
    UserSystem.CachePath = 1;
    EXPECT_EQ(OpenKavorSfx("./Data/none", 2), 1);  // only the copy in memory has effect 2
    EXPECT_EQ(UserSystem.Sfx.SfxLength[0], 100u);  // halved from 44,100 Hz
    EXPECT_EQ(UserSystem.SfxPathPtr[32 + 3], 2);  // the copy is kept
    FreeVec(UserSystem.SfxPathPtr);
    UserSystem.SfxPathPtr = nullptr;
    UserSystem.SfxPathLength = 0;
    UserSystem.CachePath = 0;
    std::string text;
    EXPECT_EQ(Open(0, &text), 0);
    EXPECT_EQ(text, "OpenKavorSfx:000\n");
    EXPECT_EQ(OpenKavorSfx("./Data/none", 1), 0);
}

TEST_F(SfxFiles, ReadinessFollowsThisSlotsChunk)
{
    vektest::Mixer mix;
    ASSERT_TRUE(mix.Ok());
    Write({{44100, 22050, "Vek:Sfx/a.raw"}, {44100, 22050, "Vek:Sfx/b.raw"}}, {SquareBE(22050, 1000), SquareBE(22050, 1000)});
    ASSERT_EQ(Open(1), 1);
    ASSERT_EQ(Open(2), 1);
    EXPECT_EQ(IsSfxReady(1), 1);  // never played
    StopSfx(1);                   // halts nothing
    ASSERT_EQ(SfxPlayer(1, 0, 1), 1);
    EXPECT_EQ(IsSfxReady(1), 0);
    const int ch = UserSystem.Sfx.SfxOnChannel[0];
    ASSERT_GE(ch, 0);
    // Its channel is given to effect 2: effect 1 no longer plays.
    Mix_HaltChannel(ch);
    ASSERT_EQ(Mix_PlayChannelTimed(ch, UserSystem.Sfx.SampleSlots[1], -1, -1), ch);
    EXPECT_EQ(IsSfxReady(1), 1);
    StopSfx(1);  // must not halt effect 2
    EXPECT_TRUE(Mix_Playing(ch));
    Mix_HaltChannel(ch);
}

TEST_F(SfxFiles, ExitAndInitRoundsKeepTheCountersBalanced)
{
    vektest::Mixer mix;
    ASSERT_TRUE(mix.Ok());
    Write({{200, 44100, "Vek:Sfx/a.raw"}, {200, 16000, "Vek:Sfx/b.raw"}}, {SquareBE(100, 1000), SquareBE(100, 1000)});
    UserSystem.OP.SoundBits = SOUND_SOUNDFX;
    vektest::StdoutCapture cap;
    const long before = (long)MemAllocatedCounter.load() - (long)MemFreedCounter.load();
    for (int round = 0; round < 20; ++round) {
        ASSERT_EQ(InitSoundEnv(0, nullptr), 1);
        ASSERT_EQ(OpenKavorSfx("./Data/SfxPath", 2), 1);
        ASSERT_EQ(SfxPlayer(2, 0, 1), 1);
        ExitSoundEnv();
        ASSERT_EQ(HeldSlots(), 0);
        ASSERT_EQ(Mix_Playing(-1), 0);
    }
    EXPECT_EQ((long)MemAllocatedCounter.load() - (long)MemFreedCounter.load(), before);
    const std::string text = cap.Take();
    EXPECT_NE(text.find("SoundStatus  :\n16BIT Sound ?: no\n"), std::string::npos);
    EXPECT_NE(text.find("Exit Soundstatus  : 16\n"), std::string::npos);
}

// Reads the disk driver's PCM: 16-bit host-order mono.
std::vector<int16_t> Pcm(const std::string &path)
{
    const Bytes b = vektest::ReadBytes(path);
    std::vector<int16_t> s(b.size() / 2);
    std::memcpy(s.data(), b.data(), s.size() * 2);
    return s;
}

int Peak(const std::vector<int16_t> &s, size_t from, size_t to)
{
    int peak = 0;
    for (size_t i = from; i < to && i < s.size(); ++i) peak = std::max(peak, std::abs((int)s[i]));
    return peak;
}

TEST_F(SfxFiles, TheDeviceHearsTheToneUntilItIsStopped)
{
    const std::string pcm = dir.path() + "/out.pcm";
    const struct {
        const char *name;
        bool byExit;
    } rows[] = {{"StopSfx", false}, {"ExitSoundEnv", true}};
    Write({{2000, 22050, "Vek:Sfx/tone.raw"}}, {SquareBE(1000, 8000)});
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        {
            vektest::Mixer mix("disk", pcm);
            ASSERT_TRUE(mix.Ok());
            ASSERT_EQ(Open(1), 1);
            ASSERT_EQ(SfxPlayer(1, 0, 1), 1);  // looping
            SDL_Delay(300);
            vektest::StdoutCapture cap;
            if (r.byExit)
                ExitSoundEnv();
            else
                StopSfx(1);
            cap.Take();
            EXPECT_EQ(Mix_Playing(-1), 0);
            SDL_Delay(350);
        }
        // The driver writes at the device's pace: about 0.3 s of tone, then
        // silence; the 2,048-sample buffer in flight at the stop may carry the tone.
        const std::vector<int16_t> s = Pcm(pcm);
        ASSERT_GT(s.size(), 10000u);
        EXPECT_GE(Peak(s, 0, s.size() / 2), 7000);
        EXPECT_EQ(Peak(s, s.size() - 4096, s.size()), 0);
    }
}

}  // namespace
