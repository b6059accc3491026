// Cost of turning a large figure chunk into a list and back, and of a realm's
// armies, measured with stdout sent to /dev/null (the routines print a line
// per player only, a few lines per chunk otherwise).
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <vector>

#include "platform/memfile.h"
#include "store/converters.h"

namespace {

std::vector<UBYTE> FigureChunk(ULONG n)
{
    std::vector<UBYTE> c(sizeof(st_MOVE) + n * sizeof(st_MOVE_EXT));
    st_MOVE head{{ID_MOVE, VERSION_V001, (ULONG)(c.size() - 12)}, (UWORD)n};
    std::memcpy(c.data(), &head, sizeof head);
    for (ULONG i = 0; i < n; ++i) {
        st_MOVE_EXT f{i % 8, (UWORD)(i % 21), (UWORD)i, i * 7 % 12800, i * 3 % 6400, 0, 3};
        std::memcpy(&c[sizeof(st_MOVE) + i * sizeof f], &f, sizeof f);
    }
    return c;
}

void BM_FiguresToListAndBack(benchmark::State &state)
{
    const std::vector<UBYTE> chunk = FigureChunk((ULONG)state.range(0));
    for (auto _ : state) {
        ListHeader *l = CreateList(LISTE_FIGUREN);
        ScanFigur2List(l, (const st_MOVE *)chunk.data());
        st_MOVE *built = MakeMoveChunkFromList(l);
        benchmark::DoNotOptimize(built);
        FreeVec(built);
        DeleteList(l, 0);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FiguresToListAndBack)->Arg(1000)->Arg(65535);

void BM_ArmiesToListAndBack(benchmark::State &state)
{
    // Armies of four parts each, built once through the list code itself.
    ListHeader *armies = CreateList(LISTE_ARMEEN);
    for (LONG a = 0; a < state.range(0); ++a) {
        auto *army = (ArmeeList *)AllocVec(armies->TypSize, MEMF_CLEAR);
        army->Army.ArmeeID = (ULONG)a;
        army->Army.ArmeeTypAnzahl = 4;
        ListHeader *parts = CreateList(LISTE_ARMEETEILE);
        for (int p = 0; p < 4; ++p) {
            auto *part = (ArmeeListEntry *)AllocVec(parts->TypSize, MEMF_CLEAR);
            part->ArmyEntry.Typ = 1 + p % 3;
            part->ArmyEntry.Anzahl = 100;
            InsertNode(parts, (ListNode *)part, LIST_LAST, 0);
        }
        army->ArmyListEntryHeader = parts;
        InsertNode(armies, (ListNode *)army, LIST_LAST, 0);
    }
    st_ARMY *chunk = MakeArmyChunkFromList(armies);
    DeleteArmyList(armies);
    for (auto _ : state) {
        ListHeader *l = ScanArmy2List(chunk);
        st_ARMY *built = MakeArmyChunkFromList(l);
        benchmark::DoNotOptimize(built);
        FreeVec(built);
        DeleteArmyList(l);
    }
    FreeVec(chunk);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ArmiesToListAndBack)->Arg(200);

}  // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    // Results go to stderr; the routines' narration to /dev/null.
    std::FILE *quiet = std::freopen("/dev/null", "w", stdout);
    (void)quiet;
    benchmark::ConsoleReporter reporter;
    reporter.SetOutputStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
