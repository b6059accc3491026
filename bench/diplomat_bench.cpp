// The diplomat's office: the share of one core its main page and its trade
// page (a ware's animation playing, the held-button tick counting) use while
// the player thinks, over ten seconds each, on the display SDL finds (Xvfb at
// 1024 x 768 x 32 when DISPLAY names one); a contract document shown in its
// box beside building that text box once; an order beside reading and
// writing the orders pool once.
#include <benchmark/benchmark.h>

#include <SDL/SDL.h>
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
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "military/military.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/chunks.h"
#include "store/converters.h"
#include "store/store.h"
#include "ui/gadgets.h"
#include "ui/requester.h"
#include "world/towns.h"
#include "world/vertrag.h"

namespace {

constexpr int kWaitMs = 10000;

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (double)u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + (double)u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

LONG Still(const char *, int) { return 0; }

void Marktplatz()
{
    Stadt *t = GetActiveTown(0);
    if (!t) return;
    t->GebaeudeAbhaengigkeiten[16].GfxBitfeld |= GFX_THISIMAGEISSET;
    t->GebaeudeAbhaengigkeiten[25].GfxBitfeld |= GFX_THISIMAGEISSET;
    if (!SpeichereStadt(t)) std::fprintf(stderr, "town not stored\n");
    FreeVec(t);
}

void Klick(const char *datei, const char *code)
{
    auto at = vektest::GadgetCentres((std::string("./Data/screendat/") + datei).c_str());
    if (at.count(code)) vektest::PushClick(at[code].first, at[code].second);
}

// The office in a copy of the demo set; with trade, the trade page with the
// neighbour and wood chosen. Its CPU time over kWaitMs, then Escape ends it.
double IdleShare(bool trade)
{
    vektest::ScratchDir dir;
    CopyDemoGameFiles(".");
    PlayerInfo.SpielerID = 7;
    PlayerInfo.AktStadtID = 0;
    Marktplatz();
    vektest::SdlScreen display(32, 1024, 768);
    if (!display.Ok()) return -1;
    UseKavorGadgetPainter();
    FadeDelayHook = [](ULONG) {};
    VertragMeldungHook = Still;
    UWORD zeile = 12;
    if (TextFont *f = OpenDiskFont("Fonts/XHelvetica11.fnt")) {
        zeile = f->tf_YSize;
        CloseFont(f);
    }
    if (trade) {
        Klick("DiplomatieMain.dat", "CH01");
        vektest::PushClick(12, 77 + 2 * zeile + zeile / 2);
        vektest::PushClick(315, 77 + zeile + zeile / 2);
    }
    std::atomic<double> share{-1};
    std::thread watch([&] {
        SDL_Delay(1500);  // set up and drawn
        const double cpu0 = CpuSeconds();
        SDL_Delay(kWaitMs);
        share = (CpuSeconds() - cpu0) / (kWaitMs / 1000.0) * 100.0;
        if (trade) vektest::PushEscape();
        vektest::PushEscape();
    });
    DiplomatScreen();
    watch.join();
    if (TitelScreenPtr) CloseKavorPic(0, 0);
    FadeDelayHook = nullptr;
    return share;
}

void BM_DiplomatMainWaiting(benchmark::State &state)
{
    for (auto _ : state) state.counters["core_percent"] = IdleShare(false);
    state.counters["core_percent_limit"] = 1.0;
}
BENCHMARK(BM_DiplomatMainWaiting)->Iterations(1)->Unit(benchmark::kSecond);

void BM_DiplomatTradeWaiting(benchmark::State &state)
{
    for (auto _ : state) state.counters["core_percent"] = IdleShare(true);
    state.counters["core_percent_limit"] = 1.0;
}
BENCHMARK(BM_DiplomatTradeWaiting)->Iterations(1)->Unit(benchmark::kSecond);

// ---- a document shown beside printing its text once ----

struct Box {
    vektest::ScratchDir dir;
    std::unique_ptr<vektest::SdlScreen> display;
    TextFont *font = nullptr;
    Box()
    {
        CopyDemoGameFiles(".");
        PlayerInfo.SpielerID = 7;
        display = std::make_unique<vektest::SdlScreen>(32);
        font = OpenDiskFont("Fonts/Topaz.fnt");
    }
    ~Box() { CloseFont(font); }
};

st_VERT_EXT Agreement()
{
    st_VERT_EXT v{};
    v.VertragsArt = VA_HANDELSVERTRAG, v.AnbieterID = 8, v.PartnerID = 7, v.WarenTyp = 23, v.Dauer = 3, v.Anzahl = 20;
    v.Preis = 15;
    return v;
}

// The screen's step: the document written into the 20,000-byte buffer and
// the existing box given the new text.
void BM_DocumentShown(benchmark::State &state)
{
    Box b;
    std::vector<char> text(VERTRAG_DOKUMENT);
    const st_VERT_EXT v = Agreement();
    VertragDokument(&v, text.data(), VERTRAG_DOKUMENT);
    VekRequester *req = InitRequesterTextBox(228, b.font, text.data(), 313, 127, 228, 234, 215, 118, nullptr);
    for (auto _ : state) {
        VertragDokument(&v, text.data(), VERTRAG_DOKUMENT);
        req = UpdateRequesterText(req, text.data(), 0);
        benchmark::DoNotOptimize(req);
    }
    ClearRequester(req);
}
BENCHMARK(BM_DocumentShown)->Unit(benchmark::kMicrosecond);

// The baseline: the same text printed once into a new box of that size.
void BM_DocumentPrintedOnce(benchmark::State &state)
{
    Box b;
    std::vector<char> text(VERTRAG_DOKUMENT);
    const st_VERT_EXT v = Agreement();
    VertragDokument(&v, text.data(), VERTRAG_DOKUMENT);
    for (auto _ : state) {
        VekRequester *req = InitRequesterTextBox(228, b.font, text.data(), 313, 127, 228, 234, 215, 118, nullptr);
        benchmark::DoNotOptimize(req);
        ClearRequester(req);
    }
}
BENCHMARK(BM_DocumentPrintedOnce)->Unit(benchmark::kMicrosecond);

// ---- an order beside reading and writing the pool once ----

// A demo copy whose orders pool holds `n` trade offers already.
struct Orders {
    vektest::ScratchDir dir;
    vektest::Bytes pool;
    explicit Orders(int n)
    {
        CopyDemoGameFiles(".");
        PlayerInfo.SpielerID = 7;
        ListHeader *l = CreateList(LISTE_VERTRAEGE);
        for (int i = 0; i < n; ++i) {
            auto *node = (ListNode *)AllocVec(l->TypSize, MEMF_CLEAR);
            st_VERT_EXT &v = ((VertragListEntry *)node)->Vertrag;
            v.AnbieterID = 7, v.PartnerID = 8, v.WarenTyp = 12, v.Dauer = 1, v.Anzahl = 1;
            InsertNode(l, node, LIST_LAST, 0);
        }
        st_VERT *c = MakeVertragChunkFromList(l);
        if (!c || !AddChunkPool(c, POOL_OUT)) std::fprintf(stderr, "orders pool not written\n");
        FreeVec(c);
        DeleteList(l, 1);
        pool = vektest::ReadBytes(POOL_OUT);
    }
};

void BM_OrderSent(benchmark::State &state)
{
    Orders o((int)state.range(0));
    VertragMeldungHook = Still;
    VertragsDaten d{};
    d.Korn = 1000000;  // line 0: corn enough for every order
    SpielerListeLaden(&d);
    d.Auswahl1 = 2, d.Auswahl2 = 0, d.Dauer = 1, d.Anzahl = 1;
    for (auto _ : state) {
        if (!SendVertrag(&d, VA_HANDELSANGEBOT)) state.SkipWithError("order failed");
        state.PauseTiming();
        vektest::WriteBytes(POOL_OUT, o.pool);
        state.ResumeTiming();
    }
    VertragsDatenFrei(&d);
}
BENCHMARK(BM_OrderSent)->Arg(10)->Arg(1000)->Unit(benchmark::kMicrosecond);

// The baseline: the orders pool's VERT chunk read and the pool written once.
void BM_PoolReadAndWrittenOnce(benchmark::State &state)
{
    Orders o((int)state.range(0));
    for (auto _ : state) {
        void *c = LoadChunk2Mem(ID_VERT, POOL_OUT);
        if (!c || !AddChunkPool(c, POOL_OUT)) state.SkipWithError("pool failed");
        FreeVec(c);
        state.PauseTiming();
        vektest::WriteBytes(POOL_OUT, o.pool);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PoolReadAndWrittenOnce)->Arg(10)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char **argv) { return RunBenchmarksQuietly(argc, argv); }
