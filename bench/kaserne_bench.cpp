// The barracks in a copy of the demo set at 1024 x 768 x 32 (Xvfb when
// DISPLAY names one, else SDL's dummy driver):
// - the screen with its three movies, and each requester over it, left alone
//   for 10 s: the share of one core of the whole process, against 1 %;
// - the information panel of a 35-part army (465 lines) as a click builds
//   it, against printing the same prepared lines into the requester once,
//   limit 1.5 x;
// - Ok after founding an army (figures, orders pool, stock and town under
//   the journal), against reading and writing those four files once, limit 2 x.
#include <benchmark/benchmark.h>

#include <SDL/SDL.h>
#include <chrono>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <thread>

#include "benchmain.h"
#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "gfx/font.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "military/kaserne.h"
#include "military/military.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/figures.h"
#include "store/store.h"
#include "ui/gadgets.h"
#include "ui/requester.h"
#include "world/towns.h"
#include "world/warehouse.h"

namespace {

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (double)u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + (double)u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

// The barracks waiting after gadget `open` of the screen (none: the screen
// itself); the requester is left by its EXIT, the screen by Escape.
double Idle(const char *open, const char *layout)
{
    vektest::ScratchDir dir;
    CopyDemoGameFiles(".");
    vektest::SdlScreen display(32, 1024, 768);
    if (!display.Ok()) return -1;
    UseKavorGadgetPainter();
    FadeDelayHook = [](ULONG) {};
    PlayerInfo.AktStadtID = 0;
    PlayerInfo.SpielerID = 7;
    const auto screen = vektest::GadgetCentres("./Data/screendat/Kaserne.dat");
    const auto req = layout ? vektest::GadgetCentres(layout) : screen;
    if (open) vektest::PushClick(screen.at(open).first, screen.at(open).second);
    double cpu = 0, wall = 0;
    std::thread uhr([&] {
        SDL_Delay(2000);
        const double c0 = CpuSeconds();
        const auto w0 = std::chrono::steady_clock::now();
        SDL_Delay(10000);
        cpu = CpuSeconds() - c0;
        wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
        if (open) vektest::PushClick(req.at("EXIT").first, req.at("EXIT").second);
        vektest::PushEscape();
    });
    const WORD next = KaserneScreen();
    uhr.join();
    if (TitelScreenPtr) CloseKavorPic(0, 0);
    FadeDelayHook = nullptr;
    return next == 39 ? 100.0 * cpu / wall : -1;
}

void Report(benchmark::State &state, double share)
{
    if (share < 0) state.SkipWithError("the barracks did not run");
    state.counters["core_percent"] = share;
    state.counters["core_percent_limit"] = 1.0;
}

void BM_KaserneIdle10s(benchmark::State &state)
{
    for (auto _ : state) Report(state, Idle(nullptr, nullptr));
}
BENCHMARK(BM_KaserneIdle10s)->Iterations(1)->Unit(benchmark::kSecond);

void BM_KaserneManagementIdle10s(benchmark::State &state)
{
    for (auto _ : state) Report(state, Idle("INFA", "./Data/screendat/KaserneReq1.dat"));
}
BENCHMARK(BM_KaserneManagementIdle10s)->Iterations(1)->Unit(benchmark::kSecond);

void BM_KaserneTrainingIdle10s(benchmark::State &state)
{
    for (auto _ : state) Report(state, Idle("TRAI", "./Data/screendat/KaserneReq2.dat"));
}
BENCHMARK(BM_KaserneTrainingIdle10s)->Iterations(1)->Unit(benchmark::kSecond);

void BM_KaserneWeaponsIdle10s(benchmark::State &state)
{
    for (auto _ : state) Report(state, Idle("SCHM", "./Data/screendat/KaserneReq3.dat"));
}
BENCHMARK(BM_KaserneWeaponsIdle10s)->Iterations(1)->Unit(benchmark::kSecond);

// ---- the panel ----

struct Panel {
    vektest::ScratchDir dir;
    std::unique_ptr<vektest::SdlScreen> display;
    TextFont *font = nullptr;
    KaserneArmee armee{};
    Panel()
    {
        CopyDemoGameFiles(".");
        display = std::make_unique<vektest::SdlScreen>(32, 1024, 768);
        if (!display->Ok()) return;
        font = OpenDiskFont("Fonts/XHelvetica11.fnt");
        std::strcpy(armee.Kopf.Name, "Garde");
        ArmeeEntry t{};
        t.Typ = 2;
        t.WaffeI = 27;
        t.Ruestung = 15;
        t.Helm = 13;
        t.Anzahl = 100;
        armee.Teile.assign(35, t);
    }
    ~Panel()
    {
        CloseFont(font);
        display.reset();
    }
};

VekRequester *Zeigen(const std::vector<char> &buffer, size_t n, TextFont *font)
{
    VekRequester *r = InitRequesterBox(600, (UWORD)n, font, buffer.data(), 314, 100, 242, 270, 11, 7);
    if (r) InitSlider(r, 14, 270, 26, 22, 25, 24, 558, 100);
    return r;
}

void BM_KasernePanelClick(benchmark::State &state)
{
    Panel p;
    if (!p.font) {
        state.SkipWithError("no display");
        return;
    }
    for (auto _ : state) {
        const std::vector<std::string> z = KaserneArmeePanel(p.armee);
        std::vector<char> buffer(z.size() * REQ_LINE_SIZE, 0);
        for (size_t i = 0; i < z.size(); ++i) std::snprintf(&buffer[i * REQ_LINE_SIZE], REQ_LINE_SIZE, "%s", z[i].c_str());
        ClearRequester(Zeigen(buffer, z.size(), p.font));
    }
    state.counters["lines"] = (double)KaserneArmeePanel(p.armee).size();
}
BENCHMARK(BM_KasernePanelClick)->Unit(benchmark::kMicrosecond);

void BM_KasernePanelBaseline(benchmark::State &state)
{
    Panel p;
    if (!p.font) {
        state.SkipWithError("no display");
        return;
    }
    const std::vector<std::string> z = KaserneArmeePanel(p.armee);
    std::vector<char> buffer(z.size() * REQ_LINE_SIZE, 0);
    for (size_t i = 0; i < z.size(); ++i) std::snprintf(&buffer[i * REQ_LINE_SIZE], REQ_LINE_SIZE, "%s", z[i].c_str());
    for (auto _ : state) ClearRequester(Zeigen(buffer, z.size(), p.font));
}
BENCHMARK(BM_KasernePanelBaseline)->Unit(benchmark::kMicrosecond);

// ---- Ok ----

struct Stand {
    vektest::Bytes prefs, pool, ware, town;
    void Lesen()
    {
        prefs = vektest::ReadBytes(MAPPREFS_FILE), pool = vektest::ReadBytes(POOL_OUT);
        ware = vektest::ReadBytes(WAREN_FILE), town = vektest::ReadBytes("Data/Cities/Demoburg.vek");
    }
    void Schreiben() const
    {
        vektest::WriteBytes(MAPPREFS_FILE, prefs), vektest::WriteBytes(POOL_OUT, pool);
        vektest::WriteBytes(WAREN_FILE, ware), vektest::WriteBytes("Data/Cities/Demoburg.vek", town);
    }
};

void BM_KaserneOk(benchmark::State &state)
{
    vektest::ScratchDir dir;
    CopyDemoGameFiles(".");
    PlayerInfo.AktStadtID = 0;
    PlayerInfo.SpielerID = 7;
    Stand s;
    s.Lesen();
    KasernenFragen f;
    f.Message = [](const LocStr &) {};
    f.Name = [](const LocStr &, const LocStr &, std::string &n) {
        n = "Neue";
        return (BOOL)1;
    };
    for (auto _ : state) {
        state.PauseTiming();
        s.Schreiben();
        LokalDataKaserne d;
        if (!InitKasernenData(&d) || !ReadKasernenData(&d, 0)) state.SkipWithError("no data");
        d.Rekruten = 100;
        ArmyManagmentInputBox(&d, "50");
        ArmyManagmentCreateNewArmy(&d, f);
        state.ResumeTiming();
        if (!WriteKasernenData(&d)) state.SkipWithError("Ok failed");
        state.PauseTiming();
        FreeKasernenData(&d);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_KaserneOk)->Unit(benchmark::kMicrosecond);

void BM_KaserneOkBaseline(benchmark::State &state)
{
    vektest::ScratchDir dir;
    CopyDemoGameFiles(".");
    for (auto _ : state) {
        auto *move = LoadChunk2Mem(ID_MOVE, MAPPREFS_FILE);
        auto *army = LoadChunk2Mem(ID_ARMY, POOL_OUT);
        auto *ware = LoadChunk2Mem(ID_WARE, WAREN_FILE);
        Stadt *t = LadeStadt("Demoburg");
        const vektest::Bytes prefs = vektest::ReadBytes(MAPPREFS_FILE);
        const bool ok = move && army && ware && t && WriteFileAtomic(MAPPREFS_FILE, prefs.data(), (ULONG)prefs.size(), -1) > 0 &&
                        AddChunkPool(army, POOL_OUT) && SaveChunk2File(WAREN_FILE, ware) && SpeichereStadt(t);
        if (!ok) state.SkipWithError("files not written");
        FreeVec(t);
        FreeVec(ware);
        FreeVec(army);
        FreeVec(move);
    }
}
BENCHMARK(BM_KaserneOkBaseline)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char **argv) { return RunBenchmarksQuietly(argc, argv); }
