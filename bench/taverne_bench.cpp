// The tavern: the share of one core the barroom, the letter window and the
// rune board (its cursor blinking) use while the player thinks, over ten
// seconds each, on the display SDL finds (Xvfb at 1024 x 768 x 32 when
// DISPLAY names one); a row of runes laid and scored beside the blits it
// draws; re-sorting 51 letters beside printing their list once; opening the
// letter window beside scanning and reading MailIn once.
#include <benchmark/benchmark.h>

#include <SDL/SDL.h>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/resource.h>
#include <thread>

#include "benchmain.h"
#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "military/briefeditor.h"
#include "net/gamemail.h"
#include "online/online.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "realm/realm.h"
#include "store/chunks.h"
#include "store/lists.h"
#include "store/mapnames.h"
#include "store/store.h"
#include "ui/gadgets.h"
#include "ui/requester.h"
#include "ui/screendat.h"
#include "world/runestone.h"

namespace {

constexpr int kWaitMs = 10000;

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (double)u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + (double)u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

LONG Nein(const char *, int mode) { return mode ? 1 : 0; }
void Still(const char *) {}

// 51 public letters in MailIn besides the demo's (the most the window keeps).
void Briefe(int n)
{
    for (int i = 0; i < n; ++i) {
        auto *smal = (st_SMAL *)AllocChunk(CN_SMAL, 40, 1);
        std::snprintf(smal->DateString, sizeof smal->DateString, "%02d-Feb-2010 %02d:00:00", 1 + i / 24, i % 24);
        std::snprintf(smal->Betreff, sizeof smal->Betreff, "Brief %02d", (i * 37) % 100);
        std::snprintf(smal->AbsenderName, sizeof smal->AbsenderName, "Gast %02d", (i * 11) % 50);
        smal->EmpfaengerID = -1;
        std::memcpy((UBYTE *)smal + sizeof(st_SMAL), "Ein Brief an alle in der Taverne, kurz.", 40);
        char name[64];
        std::snprintf(name, sizeof name, "Data/MailIn/%8.8x_00.smal", 0x100 + i);
        if (!SaveChunk2File(name, smal)) std::fprintf(stderr, "letter not stored\n");
        FreeChunk(smal);
    }
}

double IdleShare(int was)
{
    vektest::ScratchDir dir;
    CopyDemoGameFiles(".");
    vektest::SdlScreen display(32, 1024, 768);
    if (!display.Ok()) return -1;
    UseKavorGadgetPainter();
    FadeDelayHook = [](ULONG) {};
    UserSystem.OP.TCPIP_Flags &= (UBYTE)~TRANSPORT_GAMESERVER;
    LONG (*frage)(const char *, int) = RuneFrageHook;
    RuneFrageHook = Nein;
    TaverneMeldungHook = Still;
    std::atomic<double> share{-1};
    std::thread watch([&] {
        SDL_Delay(1500);  // set up and drawn
        const double cpu0 = CpuSeconds();
        SDL_Delay(kWaitMs);
        share = (CpuSeconds() - cpu0) / (kWaitMs / 1000.0) * 100.0;
        vektest::PushEscape();
    });
    if (was == 0) {
        TaverneScreen();
    } else {
        if (OpenKavorPic("./Data/Path", 59, PIC_NOFADE) < 0) std::fprintf(stderr, "no tavern picture\n");
        if (was == 1) TaverneOfflineChat();
        else RuneStone();  // Escape gives up; no second game
        CloseKavorPic(59, 1);
    }
    watch.join();
    if (TitelScreenPtr) CloseKavorPic(0, 0);
    FadeDelayHook = nullptr;
    RuneFrageHook = frage;
    TaverneMeldungHook = nullptr;
    return share;
}

void BM_TavernWaiting(benchmark::State &state)
{
    for (auto _ : state) state.counters["core_percent"] = IdleShare(0);
    state.counters["core_percent_limit"] = 1.0;
}
BENCHMARK(BM_TavernWaiting)->Iterations(1)->Unit(benchmark::kSecond);

void BM_LetterWindowWaiting(benchmark::State &state)
{
    for (auto _ : state) state.counters["core_percent"] = IdleShare(1);
    state.counters["core_percent_limit"] = 1.0;
}
BENCHMARK(BM_LetterWindowWaiting)->Iterations(1)->Unit(benchmark::kSecond);

void BM_RuneBoardWaiting(benchmark::State &state)
{
    for (auto _ : state) state.counters["core_percent"] = IdleShare(2);
    state.counters["core_percent_limit"] = 1.0;
}
BENCHMARK(BM_RuneBoardWaiting)->Iterations(1)->Unit(benchmark::kSecond);

// ---- drawing beside its baseline ----

struct Tisch {
    vektest::ScratchDir dir;
    std::unique_ptr<vektest::SdlScreen> display;
    Tisch()
    {
        CopyDemoGameFiles(".");
        display = std::make_unique<vektest::SdlScreen>(32);
        UseKavorGadgetPainter();
        for (ULONG n = 296; n <= 306; ++n) OpenKavorGfx("./Data/Path", n);
    }
    ~Tisch()
    {
        for (ULONG n = 296; n <= 306; ++n) CloseKavorGfx(n);
    }
};

// A row: five runes and four pegs drawn.
void Blits()
{
    RastPort *rp = DisplayRastPort();
    for (LONG i = 0; i < 5; ++i) BlitObjekt(rp, 299 + i, 197 + 32 * i, 322, 27, 28);
    for (LONG k = 0; k < 4; ++k) BlitObjekt(rp, k < 2 ? 297 : 298, 363 + 16 * k, 328, 15, 15);
}

void BM_RuneRowBlits(benchmark::State &state)
{
    Tisch t;
    for (auto _ : state) Blits();
}
BENCHMARK(BM_RuneRowBlits);

// The same row laid rune by rune into the game and scored: limit 1.5 x the blits.
void BM_RuneRowPlacedAndScored(benchmark::State &state)
{
    Tisch t;
    RuneStoneData d{};
    const UBYTE versteckt[5] = {1, 1, 2, 2, 3};
    for (auto _ : state) {
        ClearGame(&d);
        std::memcpy(d.RuneStones, versteckt, 5);
        for (UBYTE r : {1, 2, 1, 2, 4}) RuneSetzen(&d, r);
        RuneWertung w{};
        benchmark::DoNotOptimize(SetRuneStonePoints(&d, &w));
        Blits();
    }
}
BENCHMARK(BM_RuneRowPlacedAndScored);

struct Fenster {
    Tisch t;
    LokalDataTaverneOfflineChat d{};
    Fenster()
    {
        Briefe(48);  // with the demo's three: 51
        d.ScreenRegion = GetScreenRegion("./Data/screendat/TaverneOffchatReq.dat",
                                         SR_TITLEBAR | SR_GADGETDATA | SR_LOCALETEXTBOX | SR_RECHTECK);
        d.VekFont3Ptr = OpenDiskFont("Fonts/Topaz.fnt");
        d.BackgroundColor = 35, d.TextColor = 7;
        TaverneMeldungHook = Still;
    }
    ~Fenster()
    {
        ClearRequester(d.VekRequester);
        FreeVec(d.ReqBuffer);
        DeleteList(d.SmalListPtr, LIST_FREE_OWNED);
        CloseFont(d.VekFont3Ptr);
        ClearScreenRegion(d.ScreenRegion);
        TaverneMeldungHook = nullptr;
    }
};

// Printing the 51 lines once in their box.
void BM_LetterListPrinted(benchmark::State &state)
{
    Fenster f;
    if (!TaverneOfflineBuildNewReq(&f.d, 1)) state.SkipWithError("no list");
    const Rechteck &r = f.d.ScreenRegion->Rechteck[2];
    const UWORD w = (UWORD)(r.X1 - r.X0);
    for (auto _ : state) {
        VekRequester *q = InitRequesterBox(w, 51, f.d.VekFont3Ptr, f.d.ReqBuffer, r.X0, r.Y0, w, 171, 35, 7);
        ClearRequester(q);
    }
}
BENCHMARK(BM_LetterListPrinted);

// The next sort order over 51 letters, lines and box made again: limit 1.5 x.
void BM_LetterListResorted(benchmark::State &state)
{
    Fenster f;
    if (!TaverneOfflineBuildNewReq(&f.d, 1)) state.SkipWithError("no list");
    for (auto _ : state) benchmark::DoNotOptimize(TaverneOfflineBuildNewReq(&f.d, 0));
}
BENCHMARK(BM_LetterListResorted);

// Scanning and reading MailIn's 51 public letters once.
void BM_MailInScanned(benchmark::State &state)
{
    Tisch t;
    Briefe(48);
    for (auto _ : state) {
        ListHeader *l = CreateList(LISTE_BRIEFE);
        benchmark::DoNotOptimize(ScanSmals2List(l, MAILIN_DIR, "        _  .smal", 0));
        DeleteList(l, LIST_FREE_OWNED);
    }
}
BENCHMARK(BM_MailInScanned)->Unit(benchmark::kMillisecond);

// The window opened over the same letters and closed at once: limit 2 x.
void BM_LetterWindowOpened(benchmark::State &state)
{
    Tisch t;
    Briefe(48);
    UserSystem.OP.TCPIP_Flags &= (UBYTE)~TRANSPORT_GAMESERVER;
    TaverneMeldungHook = Still;
    for (auto _ : state) {
        vektest::PushEscape();
        TaverneOfflineChat();
    }
    TaverneMeldungHook = nullptr;
}
BENCHMARK(BM_LetterWindowOpened)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) { return RunBenchmarksQuietly(argc, argv); }
