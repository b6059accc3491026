// Saving and loading the demo game with 200 map tiles against what copying
// the same tree costs: `cp -r` of ./Data and ./Map, then `sync`. Each side is
// timed with its own sync, so that both have put their files on the disk.
#include <benchmark/benchmark.h>

#include <SDL/SDL.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "benchmain.h"
#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "frontend/titelscreen.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "ui/gadgets.h"
#include "ui/screendat.h"

namespace fs = std::filesystem;

namespace {

constexpr int kTiles = 200;

double Seconds(const std::function<void()> &f)
{
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The demo game grown to 200 tiles (copies of its own tiles under new names).
void GrowMap()
{
    int tiles = 0;
    for (const auto &e : fs::directory_iterator("Map")) {
        const std::string n = e.path().filename().string();
        tiles += n.rfind("M_", 0) == 0 || n.rfind("B_", 0) == 0;
    }
    for (int i = 0; tiles < kTiles; ++i) {
        const std::string m = "Map/M_" + std::to_string(10 + i) + "_9.map", b = "Map/B_" + std::to_string(10 + i) + "_9.map";
        fs::copy_file("Map/M_0_0.map", m, fs::copy_options::overwrite_existing);
        ++tiles;
        if (tiles < kTiles) {
            fs::copy_file("Map/B_0_0.map", b, fs::copy_options::overwrite_existing);
            ++tiles;
        }
    }
}

// The first line of the choose box, then its Ok.
void ChooseFirst()
{
    ScreenRegion *r = GetScreenRegion("./Data/screendat/ChooseBox.dat", SR_GADGETDATA);
    if (!r) return;
    for (ULONG i = 0; i < r->CountGadgetData; ++i) {
        const GadgetData &g = r->GadgetData[i];
        if (g.ReturnID == MakeGadgetID("CH00")) vektest::PushClick(223 + (g.X0 + g.X1) / 2, 130 + 64);
    }
    for (ULONG i = 0; i < r->CountGadgetData; ++i) {
        const GadgetData &g = r->GadgetData[i];
        if (g.ReturnID == MakeGadgetID("OKOK")) vektest::PushClick(223 + (g.X0 + g.X1) / 2, 130 + (g.Y0 + g.Y1) / 2);
    }
    ClearScreenRegion(r);
}

void BM_SaveAndLoadAgainstCopy(benchmark::State &state)
{
    vektest::ScratchDir dir;
    CopyDemoGameFiles(".");
    GrowMap();
    vektest::SdlScreen display(8);
    UseKavorGadgetPainter();
    FadeDelayHook = [](ULONG) {};
    double save = 0, load = 0, copy = 0;
    for (auto _ : state) {
        fs::remove_all("Game");
        fs::remove_all("copy");
        copy = Seconds([] {
            if (std::system("cp -r Data Map copy 2>/dev/null || (mkdir -p copy && cp -r Data Map copy) ; sync") != 0)
                std::fprintf(stderr, "cp failed\n");
        });
        save = Seconds([] {
            SaveGame(nullptr, 0);
            sync();
        });
        ChooseFirst();
        ChooseFirst();
        load = Seconds([] {
            LoadGame(nullptr);
            sync();
        });
    }
    if (TitelScreenPtr) CloseKavorPic(0, 0);
    FadeDelayHook = nullptr;
    state.counters["save_s"] = save;
    state.counters["load_s"] = load;
    state.counters["copy_sync_s"] = copy;
    state.counters["save_per_copy"] = copy > 0 ? save / copy : 0;
    state.counters["load_per_copy"] = copy > 0 ? load / copy : 0;
    state.counters["limit_per_copy"] = 3.0;
}
BENCHMARK(BM_SaveAndLoadAgainstCopy)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) { return RunBenchmarksQuietly(argc, argv); }
