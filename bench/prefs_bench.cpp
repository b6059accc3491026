// Calls per second of the preference calls. Each call opens, checks and
// closes the file; a call that rewrote the whole file (or synced it) would
// show here as a drop of an order of magnitude against the reads.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "platform/files.h"
#include "platform/prefs.h"

namespace {

// A scratch working directory with ./Data for the benchmark's lifetime.
struct ScratchData {
    std::string old, path;
    ScratchData()
    {
        char tmpl[] = "/tmp/vekbench.XXXXXX";
        path = mkdtemp(tmpl);
        old = std::filesystem::current_path().string();
        std::filesystem::current_path(path);
        std::filesystem::create_directory("Data");
    }
    ~ScratchData()
    {
        std::filesystem::current_path(old);
        std::filesystem::remove_all(path);
    }
};

void BM_CheckPrefsRead(benchmark::State &state)
{
    ScratchData dir;
    CheckPrefsWrite(9, 4711);
    for (auto _ : state) {
        ULONG v = 0;
        if (!CheckPrefsRead(9, &v) || v != 4711) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(v);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CheckPrefsRead)->Iterations(10000)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_CheckPrefsWrite(benchmark::State &state)
{
    ScratchData dir;
    ULONG n = 0;
    for (auto _ : state)
        if (!CheckPrefsWrite(31, ++n)) state.SkipWithError("write failed");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CheckPrefsWrite)->Iterations(10000)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_CheckPrefsClassicReadWrite(benchmark::State &state)
{
    ScratchData dir;
    for (auto _ : state) {
        ULONG v = CheckPrefs(24, PREFS_READ, 0);
        CheckPrefs(24, PREFS_WRITE, v ^ 1);
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_CheckPrefsClassicReadWrite)->Iterations(10000)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_CheckPrefsText(benchmark::State &state)
{
    ScratchData dir;
    for (auto _ : state) {
        CheckPrefsWriteText(10, "Nordmark");
        char *t = CheckPrefsReadText(10);
        benchmark::DoNotOptimize(t);
        FreeVec(t);
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_CheckPrefsText)->Iterations(10000)->Unit(benchmark::kMicrosecond)->UseRealTime();

// For scale: what one crash-safe whole-file write of the 250 bytes costs.
void BM_WholeFileRewriteForScale(benchmark::State &state)
{
    ScratchData dir;
    char image[PREFS_FILE_SIZE] = {};
    for (auto _ : state)
        if (WriteFileAtomic("./Data/Prefs.vek", image, sizeof image, -1) != (int)sizeof image)
            state.SkipWithError("prefs not written");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WholeFileRewriteForScale)->Iterations(200)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
