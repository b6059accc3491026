// The market: the share of one core the screen uses while the player thinks
// (a ware's animation playing, the ticks counting toward the ambience), over
// ten seconds on the display SDL finds (Xvfb at 1024 x 768 x 32 when DISPLAY
// names one); a home-market list rebuilt beside printing its lines and one
// blit; a stepper press beside printing its field; the home market made
// beside writing Waren.dat once; the Ok beside reading and writing the
// orders pool, the ware list and Waren.dat once.
#include <benchmark/benchmark.h>

#include <SDL/SDL.h>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <sys/resource.h>
#include <thread>
#include <vector>

#include "benchmain.h"
#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "gfx/font.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "realm/realm.h"
#include "store/store.h"
#include "ui/gadgets.h"
#include "ui/requester.h"
#include "world/handel.h"
#include "world/warehouse.h"

namespace {

constexpr int kWaitMs = 10000;

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (double)u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + (double)u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

LONG Still(const char *, int) { return 0; }
ULONG DiceZero(ULONG) { return 0; }

// A copy of the demo set at the start of a turn: no home market yet.
void Realm()
{
    CopyDemoGameFiles(".");
    PlayerInfo.SpielerID = 7;
    PlayerInfo.AktStadtID = 0;
    MarktWuerfelHook = DiceZero;
    HandelMeldungHook = Still;
    DeleteFile(WARENDAT_FILE);
    if (!CheckPrefsWrite(PREF_MARKT_GEMACHT, 0)) std::fprintf(stderr, "preference not written\n");
}

// The screen with the first home-market line chosen (its ware animating);
// its CPU time over kWaitMs, then EXIT ends it.
double IdleShare()
{
    vektest::ScratchDir dir;
    Realm();
    vektest::SdlScreen display(32, 1024, 768);
    if (!display.Ok()) return -1;
    UseKavorGadgetPainter();
    FadeDelayHook = [](ULONG) {};
    UWORD zeile = 12;
    if (TextFont *f = OpenDiskFont("Fonts/XHelvetica11.fnt")) {
        zeile = f->tf_YSize;
        CloseFont(f);
    }
    vektest::PushClick(20, 178 + zeile / 2);
    std::atomic<double> share{-1};
    std::thread watch([&] {
        SDL_Delay(1500);  // set up and drawn
        const double cpu0 = CpuSeconds();
        SDL_Delay(kWaitMs);
        share = (CpuSeconds() - cpu0) / (kWaitMs / 1000.0) * 100.0;
        vektest::PushEscape();
    });
    HandelsScreen();
    watch.join();
    if (TitelScreenPtr) CloseKavorPic(0, 0);
    FadeDelayHook = nullptr;
    return share;
}

void BM_HandelWaiting(benchmark::State &state)
{
    for (auto _ : state) state.counters["core_percent"] = IdleShare();
    state.counters["core_percent_limit"] = 1.0;
}
BENCHMARK(BM_HandelWaiting)->Iterations(1)->Unit(benchmark::kSecond);

// A loaded market on a 32-bit display.
struct Markt {
    vektest::ScratchDir dir;
    std::unique_ptr<vektest::SdlScreen> display;
    TextFont *font = nullptr;
    LokaleDatenHandelsScreen d{};
    Markt()
    {
        Realm();
        display = std::make_unique<vektest::SdlScreen>(32);
        font = OpenDiskFont("Fonts/XHelvetica11.fnt");
        if (!ReadHandelsScreenData(&d)) std::fprintf(stderr, "market not read\n");
        if (!HeimMarktBauen(&d.Markt)) std::fprintf(stderr, "home market not made\n");
    }
    ~Markt()
    {
        FreeHandelsScreenData(&d);
        CloseFont(font);
    }
};

// ---- a list rebuilt beside printing its lines and one blit ----

// A line's units and price at their columns, as the screen draws them.
void Spalten(RastPort *rp, const LokaleDatenHandelsScreen &d, LONG zeile, LONG top, const TextFont *font)
{
    const LONG t = HeimwareTyp(&d, zeile);
    if (t < 0) return;
    char text[24];
    std::snprintf(text, sizeof text, "%lu", (unsigned long)d.Markt.Waren[t]);
    Move(rp, 92, top + font->tf_Baseline);
    Text(rp, text, (ULONG)std::strlen(text));
    std::snprintf(text, sizeof text, "%lu", (unsigned long)d.Markt.Waren[WAREN_TYPES + t]);
    Move(rp, 143, top + font->tf_Baseline);
    Text(rp, text, (ULONG)std::strlen(text));
}

LONG SpaltenHook(VekRequester *req, APTR daten)
{
    const auto *d = (const LokaleDatenHandelsScreen *)daten;
    const LONG lh = (LONG)req->ReqFontPtr->tf_YSize + 1;
    for (LONG i = 0; i < req->ReqEntries; ++i) Spalten(req->ReqRastPortPtr, *d, i, i * lh, req->ReqFontPtr);
    return 0;
}

// The screen's step after a purchase: the lines made again and a new list
// with its columns drawn into it and shown.
void BM_ListeNeuGebaut(benchmark::State &state)
{
    Markt m;
    for (auto _ : state) {
        ULONG n = 0;
        char *zeilen = CreateWarenReqListBuffer(&m.d, 0, &n);
        VekRequester *req = InitOwnRequesterBox(SpaltenHook, &m.d, 192, (UWORD)n, m.font, zeilen, 16, 178, 192, 244, 6, 7);
        benchmark::DoNotOptimize(req);
        ClearRequester(req);
        FreeVec(zeilen);
    }
}
BENCHMARK(BM_ListeNeuGebaut)->Unit(benchmark::kMicrosecond);

// The baseline: the same lines with their columns printed into a bitmap of
// the list's size and that blitted to the display once.
void BM_ZeilenGedrucktUndGeblittet(benchmark::State &state)
{
    Markt m;
    ULONG n = 0;
    char *zeilen = CreateWarenReqListBuffer(&m.d, 0, &n);
    const LONG lh = (LONG)m.font->tf_YSize + 1;
    for (auto _ : state) {
        const RastPort *display = DisplayRastPort();
        BitMap *bm = AllocBitMap(192, (ULONG)std::max<LONG>(244, (LONG)n * lh), VekDisplay.VekScreen_Tiefe ? VekDisplay.VekScreen_Tiefe : 8, 0,
                                 display ? display->BitMap : nullptr);
        RastPort rp{};
        InitRastPort(&rp);
        rp.BitMap = bm;
        SetFont(&rp, m.font);
        SetAPen(&rp, 6);
        RectFill(&rp, 0, 0, 191, 243);
        SetAPen(&rp, 7);
        for (ULONG i = 0; i < n; ++i) {
            Move(&rp, 0, (LONG)i * lh + m.font->tf_Baseline);
            Text(&rp, zeilen + i * HANDEL_ZEILE, (ULONG)std::strlen(zeilen + i * HANDEL_ZEILE));
            Spalten(&rp, m.d, (LONG)i, (LONG)i * lh, m.font);
        }
        BltBitMapRastPort(bm, 0, 0, DisplayRastPort(), 16, 178, 192, 244, 0xC0);
        FreeBitMap(bm);
    }
    FreeVec(zeilen);
}
BENCHMARK(BM_ZeilenGedrucktUndGeblittet)->Unit(benchmark::kMicrosecond);

// ---- a stepper press beside printing its field ----

void Feld(Markt &m, ULONG v)
{
    char t[24];
    std::snprintf(t, sizeof t, "%lu", (unsigned long)v);
    RastPort *rp = DisplayRastPort();
    SetFont(rp, m.font);
    SetAPen(rp, 6);
    RectFill(rp, 461, 227, 515, 243);
    PrintText(rp, 461, 227, 515, 243, t, 6, 7, PT_CENTER | PT_VCENTER);
}

void BM_StepperGedrueckt(benchmark::State &state)
{
    Markt m;
    m.d.WishToBuyMaxUnits = 0xFFFFFFFFu;
    for (auto _ : state) {
        HandelSchritt(&m.d, HS_BUY_UNITS_UP);
        Feld(m, m.d.WishToBuyUnits);
    }
}
BENCHMARK(BM_StepperGedrueckt)->Unit(benchmark::kMicrosecond);

void BM_FeldGedruckt(benchmark::State &state)
{
    Markt m;
    ULONG v = 0;
    for (auto _ : state) Feld(m, ++v);
}
BENCHMARK(BM_FeldGedruckt)->Unit(benchmark::kMicrosecond);

// ---- the home market beside writing Waren.dat once ----

void BM_HeimmarktGemacht(benchmark::State &state)
{
    Markt m;
    for (auto _ : state) {
        state.PauseTiming();
        DeleteFile(WARENDAT_FILE);
        if (!CheckPrefsWrite(PREF_MARKT_GEMACHT, 0)) state.SkipWithError("preference");
        m.d.Markt.WarenGeladen = 0;
        state.ResumeTiming();
        if (!HeimMarktBauen(&m.d.Markt)) state.SkipWithError("home market");
    }
}
BENCHMARK(BM_HeimmarktGemacht)->Unit(benchmark::kMicrosecond);

void BM_WarenDatGeschrieben(benchmark::State &state)
{
    Markt m;
    for (auto _ : state)
        if (!SaveMem2File(WARENDAT_FILE, m.d.Markt.Waren, WARENDAT_BYTES)) state.SkipWithError("write");
}
BENCHMARK(BM_WarenDatGeschrieben)->Unit(benchmark::kMicrosecond);

// ---- the Ok beside reading and writing its three files once ----

void BM_OkGespeichert(benchmark::State &state)
{
    Markt m;
    const vektest::Bytes pool = vektest::ReadBytes(POOL_OUT);
    for (auto _ : state) {
        if (!WriteHandelsScreenData(&m.d)) state.SkipWithError("ok failed");
        state.PauseTiming();
        vektest::WriteBytes(POOL_OUT, pool);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OkGespeichert)->Unit(benchmark::kMicrosecond);

void BM_DreiDateienGelesenUndGeschrieben(benchmark::State &state)
{
    Markt m;
    const vektest::Bytes pool = vektest::ReadBytes(POOL_OUT);
    for (auto _ : state) {
        auto *korn = LoadCurrentChunk(ID_KORN);
        auto *land = LoadCurrentChunk(ID_LAND);
        const void *chunks[2] = {korn, land};
        if (!korn || !land || !AddChunksPool(chunks, 2, POOL_OUT)) state.SkipWithError("pool");
        FreeVec(korn);
        FreeVec(land);
        void *ware = LoadChunk2Mem(ID_WARE, WAREN_FILE);
        if (!ware || !SaveChunk2File(WAREN_FILE, ware)) state.SkipWithError("ware list");
        FreeVec(ware);
        void *cache = LoadFile2Mem(WARENDAT_FILE, 0);
        if (!cache || !SaveMem2File(WARENDAT_FILE, cache, WARENDAT_BYTES)) state.SkipWithError("cache");
        FreeVec(cache);
        state.PauseTiming();
        vektest::WriteBytes(POOL_OUT, pool);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DreiDateienGelesenUndGeschrieben)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char **argv) { return RunBenchmarksQuietly(argc, argv); }
