// The map window: a full load and write-back of nine tiles with their
// knowledge bits, and one move-array flood.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <filesystem>
#include <string>
#include <vector>

#include "world/mapinfo.h"
#include "platform/system.h"

namespace {

// A scratch directory holding ./Map for the lifetime of the benchmark.
struct Arbeitsordner {
    std::string pfad;
    Arbeitsordner()
    {
        char tmpl[] = "/tmp/vekbench.XXXXXX";
        pfad = mkdtemp(tmpl);
        std::filesystem::create_directories(pfad + "/Map");
    }
    ~Arbeitsordner() { std::filesystem::remove_all(pfad); }
};

void BM_LadeKarteExitKarte(benchmark::State &state)
{
    Arbeitsordner ordner;
    const std::string map = ordner.pfad + "/Map";
    // The loaders report every tile; keep that out of the figures.
    std::fflush(stdout);
    const int gerettet = dup(1), leer = open("/dev/null", O_WRONLY);
    dup2(leer, 1);
    VekMapInfo *erst = LadeKarte(MAPSTATUS_BMAP, 0, 0, map.c_str());  // creates the nine files
    ExitKarte(erst);
    for (auto _ : state) {
        VekMapInfo *info = LadeKarte(MAPSTATUS_BMAP, 0, 0, map.c_str());
        benchmark::DoNotOptimize(info);
        ExitKarte(info);
    }
    std::fflush(stdout);
    dup2(gerettet, 1);
    close(gerettet);
    close(leer);
    state.SetBytesProcessed(state.iterations() * 2 * 9 * (int64_t)(TEIL_BYTES + BMAP_TEIL_BYTES));
}
BENCHMARK(BM_LadeKarteExitKarte)->Unit(benchmark::kMillisecond);

void BM_GetMoveArray(benchmark::State &state)
{
    PlayerInfo.SpielerID = 7;
    std::vector<MapEntry> fenster(FENSTER_BREITE * FENSTER_HOEHE);
    for (size_t i = 0; i < fenster.size(); ++i) {
        fenster[i].Art = (UWORD)(1 + i * 7 % 91);  // mixed ground
        fenster[i].BesitzerID = i % 3 ? 7 : NIEMAND;
    }
    VekMapInfo info{};
    info.GreatMapPtr = fenster.data();
    for (auto _ : state) {
        GetMoveArray(&info, 120, 60, (UWORD)state.range(0), BEWEGUNG_VOLL);
        benchmark::DoNotOptimize(info.MoveArray);
    }
    FreeMoveAllocs(&info);
}
BENCHMARK(BM_GetMoveArray)->Arg(FID_MAGIER)->Arg(FID_LEICHTE_KAVALLERIE)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
