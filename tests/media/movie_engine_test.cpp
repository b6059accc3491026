// The movie engine with its real worker thread on SDL's dummy display: frame
// times and play flags, play-once and looping, movies that are decoded but not
// shown, scrambled files played without their key, GL mode, speed 0, a base
// freed with a movie still playing, and every animation of the demo set.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>

#include "common/demo_corrupt.h"
#include "common/sdlharness.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "kit.h"
#include "moviefixture.h"
#include "platform/datakit.h"
#include "platform/system.h"

using namespace movietest;

namespace {

struct Decoded {
    st_Movie *m;
    LONG frame;
    int whole;
    WORD key;
};

std::mutex seenMutex;
std::condition_variable seenChanged;
std::vector<Decoded> seen;

void Record(st_Movie *m, LONG frame, int whole)
{
    std::lock_guard<std::mutex> lock(seenMutex);
    seen.push_back({m, frame, whole, m->Key});
    seenChanged.notify_all();
}

class MovieEngine : public ::testing::Test {
protected:
    void SetUp() override
    {
        vektest::SetTestPalette();  // distinct colours: the 8-bit blit maps indices by colour
        sdl = std::make_unique<vektest::SdlScreen>(8);
        ASSERT_TRUE(sdl->Ok());
        VekDisplay.VekScreen_FadeIn = 1;
        VekDisplay.VekScreen_GLMode = 0;
        Fade = 0;
        screen.ViewPort.ColorMap = &colourMap;
        colourMap.PaletteEntry = KavoriaPalette;
        {
            std::lock_guard<std::mutex> lock(seenMutex);
            seen.clear();
        }
        MovieFrameHook = Record;
    }
    void TearDown() override
    {
        MovieFrameHook = nullptr;
        VekDisplay.VekScreen_FadeIn = 0;
        sdl.reset();
    }
    // Waits (at most 5 s) until the frames decoded so far satisfy pred.
    bool WaitSeen(const std::function<bool(const std::vector<Decoded> &)> &pred)
    {
        std::unique_lock<std::mutex> lock(seenMutex);
        return seenChanged.wait_for(lock, std::chrono::seconds(5), [&] { return pred(seen); });
    }
    static std::vector<Decoded> Seen()
    {
        std::lock_guard<std::mutex> lock(seenMutex);
        return seen;
    }
    st_Movie *LoadBytes(st_MovieBase *mb, const Bytes &file, const char *name = "m.cban")
    {
        vektest::WriteBytes(name, file);
        return LoadMovie(mb, name, nullptr, nullptr);
    }

    vektest::ScratchDir dir;
    std::unique_ptr<vektest::SdlScreen> sdl;
    Screen screen{};
    ColorMap colourMap{};
};

size_t CountOf(const std::vector<Decoded> &v, st_Movie *m)
{
    size_t n = 0;
    for (const Decoded &d : v) n += d.m == m;
    return n;
}

}  // namespace

TEST_F(MovieEngine, PlayMovieSetsFrameTimeAndFlags)
{
    st_MovieBase *mb = AllocMovieBase(&screen, 0, 0, 2);  // no worker: the record alone
    st_Movie *m = LoadBytes(mb, MovieFile(ThreeFrames(), true));
    ASSERT_NE(m, nullptr);
    struct Row {
        signed char playInfo;
        UWORD speed;
        long sec, usec;
        BYTE still, color, dbuffer, loop, display, audio, crypto;
    };
    const Row rows[] = {
        {68, 10, 0, 100000, 0, 0, 0, 1, 1, 0, 1},
        {69, 3, 0, 333333, 0, 1, 0, 1, 1, 0, 1},
        {65, 1, 1, 0, 0, 1, 0, 0, 1, 0, 1},
        {0x08, 15, 0, 66666, 0, 0, 0, 0, 0, 0, 0},
        {0x12, 7, 0, 142857, 0, 0, 1, 0, 1, 1, 0},
        {68, 0, 0, 0, 1, 0, 0, 1, 1, 0, 1},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(::testing::Message() << (int)r.playInfo << " at " << r.speed);
        EXPECT_EQ(PlayMovie(mb, m, 100, 50, r.playInfo, r.speed), 1);
        EXPECT_EQ(m->FrameTime.tv_sec, r.sec);
        EXPECT_EQ(m->FrameTime.tv_usec, r.usec);
        EXPECT_EQ((std::vector<BYTE>{m->Still, m->Color, m->DBuffer, m->Loop, m->Display, m->Audio, m->Crypto}),
                  (std::vector<BYTE>{r.still, r.color, r.dbuffer, r.loop, r.display, r.audio, r.crypto}));
        EXPECT_EQ(m->Key, r.crypto ? 7391 : m->Key);
        EXPECT_EQ(m->Paused, 0);
        EXPECT_EQ((std::pair<UWORD, UWORD>{m->LeftEdge, m->TopEdge}), (std::pair<UWORD, UWORD>{100, 50}));
    }
    EXPECT_EQ(PlayMovie(nullptr, m, 0, 0, 68, 10), 1);
    EXPECT_EQ(PlayMovie(mb, nullptr, 0, 0, 68, 10), 1);
    FreeMovieBase(mb);
    EXPECT_EQ(GlobalMB, nullptr);
}

TEST_F(MovieEngine, PlayedOnceShowsAllButTheLastFrameAndWakesTheScreen)
{
    st_MovieBase *mb = AllocMovieBase(&screen, 0, 0, 0);
    st_Movie *m = LoadBytes(mb, MovieFile(ThreeFrames(), true));
    ASSERT_NE(m, nullptr);
    // The display already shows the movie's colours, so its indices stay as they are.
    vektest::SetPaletteEntry(1, 0xFF, 0, 0);
    vektest::SetPaletteEntry(2, 0, 0xFF, 0);
    SDL_SetPalette(SDLViewSurface, SDL_LOGPAL | SDL_PHYSPAL, KavoriaPalette, 0, 256);
    sdl->TakeRects();
    PlayMovie(mb, m, 40, 30, 65, 500);
    ASSERT_EQ(SDL_SemWaitTimeout(mb->MB_MainWakeBit, 5000), 0);
    SDL_SemWait(m->lock);
    EXPECT_EQ(m->DisplayCount, 2u);
    EXPECT_EQ(m->Paused, 1);
    EXPECT_EQ(m->ActualFrame, 3);
    SDL_SemPost(m->lock);
    const std::vector<vektest::Rect> rects = sdl->TakeRects();
    EXPECT_EQ(rects, (std::vector<vektest::Rect>{{40, 30, 16, 2}, {40, 30, 16, 2}}));
    // The second frame is on the display: (0,0) colour 1, (1,1) colour 2.
    EXPECT_EQ(vektest::PixelAt(sdl->ViewBitMap(), 40, 30), 1u);
    EXPECT_EQ(vektest::PixelAt(sdl->ViewBitMap(), 41, 31), 2u);
    const std::vector<Decoded> d = Seen();
    ASSERT_EQ(d.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ((std::pair<LONG, int>{d[i].frame, d[i].whole}), (std::pair<LONG, int>{i, 1}));
    UnloadMovie(mb, m);
    FreeMovieBase(mb);
}

TEST_F(MovieEngine, PipelineModePlaysLikeTheScheduler)
{
    st_MovieBase *mb = AllocMovieBase(&screen, 0, 0, 1);
    ASSERT_NE(mb->MB_PipeLineProcess, nullptr);
    ASSERT_NE(mb->MB_CacheProcess, nullptr);
    EXPECT_EQ(mb->MB_SchedulerProcess, nullptr);
    st_Movie *m = LoadBytes(mb, MovieFile(ThreeFrames(), true));
    PlayMovie(mb, m, 0, 0, 65 | PLAY_AUDIO, 500);
    ASSERT_EQ(SDL_SemWaitTimeout(mb->MB_MainWakeBit, 5000), 0);
    EXPECT_EQ(m->DisplayCount, 2u);
    EXPECT_EQ(Seen().size(), 3u);
    FreeMovieBase(mb);
}

TEST_F(MovieEngine, LoopRestartsWithTheStartKeyAndShowsItsLastFrame)
{
    st_MovieBase *mb = AllocMovieBase(&screen, 0, 0, 0);
    st_Movie *m = LoadBytes(mb, MovieFile(ThreeFrames(), true));
    PlayMovie(mb, m, 0, 0, 68, 1000);
    ASSERT_TRUE(WaitSeen([](const std::vector<Decoded> &v) { return v.size() >= 7; }));
    PauseMovie(m, 1);
    const std::vector<Decoded> d = Seen();
    for (size_t i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(d[i].frame, (LONG)(i % 3));
        EXPECT_EQ(d[i].whole, 1);
        EXPECT_EQ(d[i].key, d[i % 3].key);  // each pass rolls the same keys from 7391
    }
    EXPECT_EQ(d[0].key, (WORD)0xBDB3);
    SDL_SemWait(m->lock);
    EXPECT_GE(m->DisplayCount, 6u);  // the last frame of a loop is shown too
    SDL_SemPost(m->lock);
    FreeMovieBase(mb);
}

TEST_F(MovieEngine, NoDisplayFlagDecodesAtItsRateButNeverDraws)
{
    st_MovieBase *mb = AllocMovieBase(&screen, 0, 0, 0);
    st_Movie *m = LoadBytes(mb, MovieFile(ThreeFrames(), true));
    sdl->TakeRects();
    PlayMovie(mb, m, 0, 0, 0x4C, 1000);
    ASSERT_TRUE(WaitSeen([](const std::vector<Decoded> &v) { return v.size() >= 7; }));
    PauseMovie(m, 1);
    EXPECT_EQ(m->DisplayCount, 0u);
    EXPECT_TRUE(sdl->TakeRects().empty());
    FreeMovieBase(mb);
}

TEST_F(MovieEngine, ScrambledFileWithoutItsFlagDecodesNothing)
{
    st_MovieBase *mb = AllocMovieBase(&screen, 0, 0, 0);
    st_Movie *m = LoadBytes(mb, MovieFile(ThreeFrames(), true));
    vektest::StdoutCapture out;
    PlayMovie(mb, m, 0, 0, 0x01, 1000);
    const int woken = SDL_SemWaitTimeout(mb->MB_MainWakeBit, 5000);
    FreeMovieBase(mb);
    const std::string printed = out.Take();
    ASSERT_EQ(woken, 0);
    EXPECT_TRUE(Seen().empty());
    EXPECT_NE(printed.find("RenderANIM5Direct: FATALER FEHLER! ANIMATION NICHT VORHANDEN!!!\n"), std::string::npos);
}

TEST_F(MovieEngine, LoadRefusesGlModeWrongKeysAndNonMovies)
{
    VekDisplay.VekScreen_GLMode = 1;
    EXPECT_EQ(InitAnimGfx(), 4);
    st_MovieBase *gl = AllocMovieBase(&screen, (char)InitAnimGfx(), (char)InitAnimProz(), 0);
    EXPECT_EQ(LoadBytes(gl, MovieFile(ThreeFrames(), true)), nullptr);
    FreeMovieBase(gl);
    VekDisplay.VekScreen_GLMode = 0;
    EXPECT_EQ(InitAnimGfx(), 0);
    EXPECT_EQ(AllocMovieBase(nullptr, 0, 0, 0), nullptr);

    st_MovieBase *mb = AllocMovieBase(&screen, 0, 0, 2);
    Bytes wrongKey = MovieFile(ThreeFrames(), true);
    wrongKey[13] ^= 0x40;
    Bytes tale = wrongKey;
    std::copy_n("TALE", 4, tale.begin() + 8);
    Bytes notForm = MovieFile(ThreeFrames(), false);
    notForm[0] = 'X';
    vektest::StdoutCapture capture;
    EXPECT_EQ(LoadBytes(mb, wrongKey), nullptr);
    EXPECT_NE(capture.Take().find("LoadMovie: File m.cban seems to be encrypted! Use correct key.\n"), std::string::npos);
    vektest::StdoutCapture silent;
    EXPECT_EQ(LoadBytes(mb, tale), nullptr);
    EXPECT_EQ(silent.Take().find("seems to be encrypted"), std::string::npos);
    EXPECT_EQ(LoadBytes(mb, notForm), nullptr);
    EXPECT_EQ(LoadBytes(mb, Bytes(notForm.begin(), notForm.begin() + 14)), nullptr);
    vektest::StdoutCapture good;
    st_Movie *m = LoadBytes(mb, MovieFile(ThreeFrames(), true));
    ASSERT_NE(m, nullptr);
    EXPECT_NE(good.Take().find("LoadMovie: Encryption found! Key is working.\n"), std::string::npos);
    EXPECT_EQ((std::vector<LONG>{m->Paused, m->Status, m->Display, (LONG)m->ANIMBegin}), (std::vector<LONG>{1, 3, 1, 12}));
    FreeMovieBase(mb);
}

TEST_F(MovieEngine, SpeedZeroShowsOneFrameAndPauses)
{
    st_MovieBase *mb = AllocMovieBase(&screen, 0, 0, 0);
    st_Movie *m = LoadBytes(mb, MovieFile(ThreeFrames(), true));
    PlayMovie(mb, m, 0, 0, 68, 0);
    ASSERT_TRUE(WaitSeen([](const std::vector<Decoded> &v) { return !v.empty(); }));
    // A second decode would follow within a millisecond if the movie went on.
    SDL_Delay(50);
    EXPECT_EQ(Seen().size(), 1u);
    SDL_SemWait(m->lock);
    EXPECT_EQ(m->Paused, 1);
    EXPECT_EQ(m->DisplayCount, 1u);
    SDL_SemPost(m->lock);
    PlayMovie(mb, m, 0, 0, 4, 0);  // played again: the next frame, once
    ASSERT_TRUE(WaitSeen([](const std::vector<Decoded> &v) { return v.size() == 2; }));
    EXPECT_EQ(Seen()[1].frame, 1);
    FreeMovieBase(mb);
}

TEST_F(MovieEngine, FrameLongerThanTheFileEndsTheMovie)
{
    st_MovieBase *mb = AllocMovieBase(&screen, 0, 0, 0);
    Bytes file = MovieFile(ThreeFrames(), false);
    const size_t second = 12 + 8 + 96;
    file[second + 4] = 0x7F;  // the second frame claims almost 2 GiB
    st_Movie *m = LoadBytes(mb, file);
    PlayMovie(mb, m, 0, 0, 0x01, 1000);
    ASSERT_EQ(SDL_SemWaitTimeout(mb->MB_MainWakeBit, 5000), 0);
    EXPECT_EQ(Seen().size(), 1u);
    EXPECT_EQ(m->DisplayCount, 1u);  // the key frame, then the end
    FreeMovieBase(mb);
}

TEST_F(MovieEngine, OddFrameFormsAreFollowedByTheirPadByte)
{
    st_MovieBase *mb = AllocMovieBase(&screen, 0, 0, 0);
    const Bytes file = MovieFile(ThreeFrames(), true, true);
    st_Movie *m = LoadBytes(mb, file);
    PlayMovie(mb, m, 0, 0, 0x41, 1000);
    ASSERT_EQ(SDL_SemWaitTimeout(mb->MB_MainWakeBit, 5000), 0);
    const std::vector<Decoded> d = Seen();
    ASSERT_EQ(d.size(), 3u);
    for (const Decoded &x : d) EXPECT_EQ(x.whole, 1);
    FreeMovieBase(mb);
}

TEST_F(MovieEngine, FreeingTheBaseStopsPlayingMoviesAtOnce)
{
    for (char sound : {0, 1}) {
        SCOPED_TRACE((int)sound);
        st_MovieBase *mb = AllocMovieBase(&screen, 0, 0, sound);
        st_Movie *a = LoadBytes(mb, MovieFile(ThreeFrames(), true), "a.cban");
        st_Movie *b = LoadBytes(mb, MovieFile(ThreeFrames(), true), "b.cban");
        PlayMovie(mb, a, 0, 0, 68, 15);
        PlayMovie(mb, b, 20, 0, 69, 2);
        ASSERT_TRUE(WaitSeen([&](const std::vector<Decoded> &v) { return CountOf(v, a) >= 2; }));
        UnloadMovie(mb, b);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(FreeMovieBase(mb), nullptr);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
        std::lock_guard<std::mutex> lock(seenMutex);
        seen.clear();
    }
}

// Every animation of the demo set through the engine as the screens play it.
TEST_F(MovieEngine, EveryDemoAnimationDecodesAllItsFrames)
{
    st_MovieBase *mb = AllocMovieBase(&screen, 0, 0, 0);
    std::map<st_Movie *, const vekdemo::AnimSpec *> movies;
    for (const vekdemo::AnimSpec &a : vekdemo::AnimList()) {
        const std::string path = "Anims/" + a.name;
        vektest::MakeDirs(path.substr(0, path.rfind('/')));
        vektest::WriteBytes(path, vekdemo::AnimFile(a));
        st_Movie *m = LoadMovie(mb, path.c_str(), nullptr, nullptr);
        ASSERT_NE(m, nullptr) << a.name;
        movies[m] = &a;
    }
    for (auto &[m, a] : movies) PlayMovie(mb, m, 0, 0, 68, 15);
    // Each movie's frames once through and its key frame again.
    auto done = [&](const std::vector<Decoded> &v) {
        std::map<st_Movie *, size_t> n;
        for (const Decoded &d : v) n[d.m]++;
        for (auto &[m, a] : movies)
            if (n[m] < (size_t)a->frames + 1) return false;
        return true;
    };
    ASSERT_TRUE(WaitSeen(done));
    FreeMovieBase(mb);
    std::map<st_Movie *, std::vector<LONG>> frames;
    for (const Decoded &d : Seen()) {
        EXPECT_EQ(d.whole, 1);
        frames[d.m].push_back(d.frame);
    }
    for (auto &[m, a] : movies) {
        SCOPED_TRACE(a->name);
        std::vector<LONG> expect;
        for (int f = 0; f <= a->frames; ++f) expect.push_back(f % a->frames);
        frames[m].resize(expect.size());
        EXPECT_EQ(frames[m], expect);
    }
}

// The animation rows of the corrupt-variant table play to their end (or do
// not load) without a fault; a loader keeping the rules drops what they break.
TEST_F(MovieEngine, CorruptAnimationsPlayToTheirEnd)
{
    const std::string demo = dir.path() + "/demo";
    for (const vekdemo::AnimSpec &a : vekdemo::AnimList()) {
        const std::string path = demo + "/Anims/" + a.name;
        vektest::MakeDirs(path.substr(0, path.rfind('/')));
        vektest::WriteBytes(path, vekdemo::AnimFile(a));
    }
    for (const vektest::CorruptVariant &v : vektest::CorruptVariantsOf("anim")) {
        SCOPED_TRACE(v.name);
        const Bytes previous = vektest::ApplyCorruptVariant(demo, v);
        {
            std::lock_guard<std::mutex> lock(seenMutex);
            seen.clear();
        }
        st_MovieBase *mb = AllocMovieBase(&screen, 0, 0, 0);
        st_Movie *m = LoadMovie(mb, (demo + "/" + v.file).c_str(), nullptr, nullptr);
        bool broken = m == nullptr;
        if (m) {
            PlayMovie(mb, m, 0, 0, 65, 1000);
            EXPECT_EQ(SDL_SemWaitTimeout(mb->MB_MainWakeBit, 5000), 0);
            const std::vector<Decoded> d = Seen();
            broken = d.empty();
            for (const Decoded &x : d) broken |= !x.whole;
        }
        FreeMovieBase(mb);
        // A short colour map is taken for what it holds.
        EXPECT_EQ(broken, v.refused && std::string(v.name) != "CMAP short");
        vektest::RestoreCorruptVariant(demo, v, previous);
    }
}
