// The map screen's visit loop on the demo set at 1024 x 768 x 32 (and the
// scroll step also at 1920 x 1080 x 32), with the motion thread and the music
// thread running: what a visit costs while it waits for the player (getrusage
// over ten seconds of 100 ms ticks), the work of one tick, and one step of
// edge scrolling with the frame routine and both overlays beside its floor of
// plain SDL blits. The routines trace to standard output; that goes to
// /dev/null here.
#include <benchmark/benchmark.h>

#include "benchmain.h"

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

#include "gfx/graphics.h"
#include "gfx/gfxnumber.h"
#include "gfx/screen.h"
#include "gfx/sdlinit.h"
#include "map/kartenloop.h"
#include "map/kartenscreen.h"
#include "world/mapinfo.h"
#include "map/mapview.h"
#include "map/motion.h"
#include "world/towns.h"
#include "media/sound.h"
#include "media/sound_local.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/store.h"

namespace {

int StadtPos(LONG id, ULONG *x, ULONG *y)
{
    Stadt *s = GetActiveTown(id);
    if (!s) return 0;
    *x = s->XPos;
    *y = s->YPos;
    FreeVec(s);
    return 1;
}

double CpuSekunden()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (double)u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + (double)u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

double Jetzt() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

// The demo set as working directory, the display of the given size, the
// 100 ms tick, the music thread playing and the kept map screen built.
// One per display size; the process keeps the last one.
struct Umgebung {
    std::string pfad;
    int breite = 0, hoehe = 0;
    SDL_TimerID takt = nullptr;
    void Oeffne(int w, int h)
    {
        if (breite == w && hoehe == h) return;
        if (breite) Schliesse();
        if (pfad.empty()) {
            pfad = DemoSetWorkingDir("vekkartenloop-bench");
            setenv("SDL_AUDIODRIVER", "dummy", 0);
        }
        OpenDummyDisplay32(w, h);
        breite = w, hoehe = h;
        if (SDL_InitSubSystem(SDL_INIT_TIMER | SDL_INIT_AUDIO) < 0 || Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 2048) < 0)
            std::exit(1);
        SetModule("./Mods/VekMain.xm");
        takt = SDL_AddTimer(100, GETKEY_TIMEVAL_TimerCallback, nullptr);
        KartenStadtPosHook = StadtPos;
        ReadPlayerInfoFromPool();
        UserSystem.Sfx.IsEnabled = 0;
        if (KartenScreen(1, 0) != 1) std::exit(1);
    }
    void Schliesse()
    {
        KartenScreen(0, 0);
        SDL_RemoveTimer(takt);
        EndMusicThread();
        Mix_CloseAudio();
        SDL_Quit();
        breite = hoehe = 0;
    }
    ~Umgebung()
    {
        if (breite) Schliesse();
        std::filesystem::remove_all(pfad);
    }
};

Umgebung &Welt(int w, int h)
{
    static Umgebung u;
    u.Oeffne(w, h);
    return u;
}

void Schiebe(const SDL_Event &e)
{
    SDL_Event k = e;
    while (SDL_PushEvent(&k) != 0) std::this_thread::sleep_for(std::chrono::microseconds(50));
}

void SchiebeMaus(int x, int y)
{
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = (Uint16)x, e.motion.y = (Uint16)y;
    Schiebe(e);
}

void SchiebeEscape()
{
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_ESCAPE;
    e.key.keysym.unicode = 27;
    Schiebe(e);
}

void SchiebeTick()
{
    SDL_Event e{};
    e.type = SDL_USEREVENT;
    e.user.code = TICK_EVENT;
    Schiebe(e);
}

// A visit from the main loop's side, the player idle with the mouse in the
// middle: only the 100 ms ticks come. The process's processor time over ten
// seconds, as a share of one core; the motion and music threads count too.
void BM_BesuchWartet(benchmark::State &state)
{
    Umgebung &u = Welt(1024, 768);
    for (auto _ : state) {
        double anteil = 0;
        std::thread spieler([&] {
            while (!LDKS->MotionPtr) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            SchiebeMaus(u.breite / 2, u.hoehe / 2);
            std::this_thread::sleep_for(std::chrono::seconds(1));
            const double cpu0 = CpuSekunden(), t0 = Jetzt();
            std::this_thread::sleep_for(std::chrono::seconds(10));
            anteil = (CpuSekunden() - cpu0) / (Jetzt() - t0);
            SchiebeEscape();
        });
        KartenScreen(2, 1);
        spieler.join();
        state.counters["core_percent"] = anteil * 100.0;
        state.counters["core_percent_limit"] = 2.0;
    }
}
BENCHMARK(BM_BesuchWartet)->Iterations(1)->Unit(benchmark::kSecond);

// The visit loop fed ticks as fast as it takes them, the mouse in the
// middle (no scrolling): the loop's work per tick, from the first tick to
// the escape after the last.
void BM_TickArbeit(benchmark::State &state)
{
    Umgebung &u = Welt(1024, 768);
    constexpr int kTicks = 20000;
    for (auto _ : state) {
        state.PauseTiming();
        if (!KartenScreenKonstruktor()) state.SkipWithError("visit start failed");
        LokaleDatenKartenScreen *st = LDKS;
        st->MotionPtr = StartTheMotion(st->VekMapInfoPtr);
        SchiebeMaus(u.breite / 2, u.hoehe / 2);
        double dauer = 0;
        std::atomic<bool> los{false};
        std::thread spieler([&] {
            while (!los) std::this_thread::yield();
            for (int i = 0; i < kTicks; ++i) SchiebeTick();
            SchiebeEscape();
        });
        state.ResumeTiming();
        const double t0 = Jetzt();
        los = true;
        KartenScreenLoop(st, 2);
        dauer = Jetzt() - t0;
        state.PauseTiming();
        spieler.join();
        StopTheMotion(st->MotionPtr);
        st->MotionPtr = nullptr;
        KartenScreenDestruktor();
        state.ResumeTiming();
        state.counters["tick_ms"] = dauer * 1000.0 / kTicks;
        state.counters["tick_ms_limit"] = 0.2;
    }
}
BENCHMARK(BM_TickArbeit)->Iterations(3)->Unit(benchmark::kMillisecond);

// One step of edge scrolling during a visit, both overlays shown (third
// argument 1) or none: the step the loop takes on a tick with the mouse in a
// side band (the band itself is a comparison), eight to the right, then
// eight back.
void BM_RandSchritt(benchmark::State &state)
{
    Welt((int)state.range(0), (int)state.range(1));
    if (!KartenScreenKonstruktor()) state.SkipWithError("visit start failed");
    LokaleDatenKartenScreen *st = LDKS;
    st->MotionPtr = StartTheMotion(st->VekMapInfoPtr);
    st->Rohstoffe = st->Stadtnamen = state.range(2) != 0;
    int richtung = 1, schritte = 0;
    for (auto _ : state) {
        SetPos(st->VekMapInfoPtr, richtung, 0);
        if (++schritte % 8 == 0) richtung = -richtung;
    }
    st->Rohstoffe = st->Stadtnamen = 0;
    StopTheMotion(st->MotionPtr);
    st->MotionPtr = nullptr;
    KartenScreenDestruktor();
    state.counters["ms_limit"] = 16.0;
}
BENCHMARK(BM_RandSchritt)->Args({1024, 768, 1})->Args({1920, 1080, 1})->Args({1024, 768, 0})->Args({1920, 1080, 0})->Unit(benchmark::kMillisecond);

// The floor of that step with plain SDL blits: the layer moved by one
// layer-sized blit, the new strip of hexes (four columns) blitted, the view
// copied to the hidden buffer and from there to the display, and the frame's
// and panels' pictures at their places. With anzeigen the display is also
// updated (SDL_UpdateRect of the whole screen), as every step must do to be
// seen: that is the floor the step itself can be held to.
void RandSchrittRoh(benchmark::State &state, bool anzeigen)
{
    Umgebung &u = Welt((int)state.range(0), (int)state.range(1));
    if (!KartenScreenKonstruktor()) state.SkipWithError("visit start failed");
    VekMapInfo *v = LDKS->VekMapInfoPtr;
    SDL_Surface *layer = v->LayerBitmapPtr->Surface;
    SDL_Surface *zweiter = SDL_ConvertSurface(layer, layer->format, SDL_SWSURFACE);
    struct Blit {
        SDL_Surface *quelle;
        Sint16 x, y;
    };
    std::vector<SDL_Surface *> eigene;
    auto Grafik = [&](UWORD n, bool keyed) {
        if (!BitMapPtrArray[n - 1]) OpenKavorGfx("./Data/Path", n);
        SDL_Surface *s = BitMapPtrArray[n - 1]->Surface;
        SDL_Surface *k = SDL_ConvertSurface(s, s->format, SDL_SWSURFACE);
        SDL_SetColorKey(k, keyed ? SDL_SRCCOLORKEY | SDL_RLEACCEL : 0, 0);
        eigene.push_back(k);
        return k;
    };
    std::vector<Blit> streifen, rahmen;
    for (LONG r = 0; r < v->YTiles; ++r)
        for (LONG c = v->XTiles - 4; c < v->XTiles; ++c) {
            const MapEntry *e = FensterHex(v, v->IndeX + c, v->IndeY + r);
            const UWORD art = e && e->Art <= MAX_HEX_GRAFIK ? e->Art : 0;
            streifen.push_back({Grafik(KartenElemente[art][0] ? KartenElemente[art][0] : KartenElemente[12][0], c & 1),
                                (Sint16)(c * 48), (Sint16)(r * 56 + (c & 1) * 28)});
        }
    const LONG w = u.breite, h = u.hoehe;
    const struct {
        UWORD n;
        LONG x, y;
    } teile[] = {{1144, 0, 0},         {1145, w - 32, 0},     {1146, 0, h - 32},     {1147, w - 32, h - 32},
                 {1614, 0, 0},         {1615, w - 256, 0},    {1143, 3, h - 385},    {1161, 144, h - 132},
                 {1163, 124, h - 160}, {1165, 95, h - 178},   {1168, 10, h - 382},   {1174, 10, h - 341},
                 {1172, 10, h - 300},  {1170, 10, h - 259},   {1176, 10, h - 218},   {1178, 10, h - 177},
                 {1150, w - 164, h - 178}, {1167, w - 800, h - 247}};
    for (const auto &t : teile) rahmen.push_back({Grafik(t.n, true), (Sint16)t.x, (Sint16)t.y});
    for (LONG i = 0; i < (w - 64 + 255) / 256; ++i)
        for (LONG yy : {(LONG)0, h - 16}) rahmen.push_back({Grafik(1148, true), (Sint16)(32 + 256 * i), (Sint16)yy});
    for (LONG i = 0; i < (h - 64 + 255) / 256; ++i)
        for (LONG xx : {(LONG)0, w - 16}) rahmen.push_back({Grafik(1149, true), (Sint16)xx, (Sint16)(32 + 256 * i)});
    auto Zeichne = [](const std::vector<Blit> &b, SDL_Surface *ziel) {
        for (const Blit &x : b) {
            SDL_Rect r = {x.x, x.y, 0, 0};
            SDL_BlitSurface(x.quelle, nullptr, ziel, &r);
        }
    };
    for (auto _ : state) {
        SDL_Rect von = {48 * 2, 0, (Uint16)(layer->w - 96), (Uint16)layer->h};
        SDL_BlitSurface(layer, &von, zweiter, nullptr);
        Zeichne(streifen, zweiter);
        SDL_Rect sicht = {16, 28, (Uint16)w, (Uint16)h};
        SDL_BlitSurface(zweiter, &sicht, DBScreen, nullptr);
        Zeichne(rahmen, DBScreen);
        SDL_BlitSurface(DBScreen, nullptr, SDLViewSurface, nullptr);
        if (anzeigen) SDL_UpdateRect(SDLViewSurface, 0, 0, 0, 0);
    }
    for (SDL_Surface *s : eigene) SDL_FreeSurface(s);
    SDL_FreeSurface(zweiter);
    KartenScreenDestruktor();
    state.counters["blits"] = (double)(streifen.size() + rahmen.size() + 3);
}
void BM_RandSchrittRoh(benchmark::State &state) { RandSchrittRoh(state, false); }
BENCHMARK(BM_RandSchrittRoh)->Args({1024, 768})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
void BM_RandSchrittRohAngezeigt(benchmark::State &state) { RandSchrittRoh(state, true); }
BENCHMARK(BM_RandSchrittRohAngezeigt)->Args({1024, 768})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) { return RunBenchmarksQuietly(argc, argv); }
