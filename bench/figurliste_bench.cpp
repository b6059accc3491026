// The army list beside the map at 1024 x 768 x 32, rebuilt as after every
// redraw of a visit: 5,000 figures in the view and 500 armies, and for
// comparison the list of 500 scouts among the same figures, which needs no
// lookup in another list.
// The routines trace to standard output; that goes to /dev/null here.
#include <benchmark/benchmark.h>

#include "benchmain.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "map/kartenscreen.h"
#include "map/mapview.h"
#include "world/towns.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/store.h"

namespace {

constexpr ULONG kFiguren = 5000, kArmeen = 500;

int StadtPos(LONG id, ULONG *x, ULONG *y)
{
    Stadt *s = GetActiveTown(id);
    if (!s) return 0;
    *x = s->XPos;
    *y = s->YPos;
    FreeVec(s);
    return 1;
}

struct Umgebung {
    std::string pfad;
    Umgebung()
    {
        pfad = DemoSetWorkingDir("vekfigurliste-bench");
        OpenDummyDisplay32(1024, 768);
        KartenStadtPosHook = StadtPos;
        ReadPlayerInfoFromPool();
        if (KartenScreen(1, 0) != 1 || !KartenScreenKonstruktor()) std::exit(1);
        // Every figure the player's, every tenth an army of the list, as many
        // scouts, the rest soldiers of no list; the armies listed in reverse
        // order of their figures.
        VekMapInfo *v = LDKS->VekMapInfoPtr;
        FreeVec(v->PeopleMemPtr);
        FreeVec(v->LocalPeopleMemPtr);
        const ULONG groesse = 2 + kFiguren * (ULONG)sizeof(st_MOVE_EXT);
        v->PeopleMemPtr = (UBYTE *)AllocVec(groesse, MEMF_CLEAR);
        v->LocalPeopleMemPtr = (UBYTE *)AllocVec(groesse, MEMF_CLEAR);
        v->PeopleMemSize = groesse;
        const UWORD n = (UWORD)kFiguren;
        std::memcpy(v->PeopleMemPtr, &n, 2);
        for (ULONG i = 0; i < kFiguren; ++i) {
            st_MOVE_EXT *f = FigurImBlock(v->PeopleMemPtr, i);
            f->SpielerID = PlayerInfo.SpielerID;
            f->FigurArt = i % 10 == 0 ? 30 : i % 10 == 1 ? 0 : 1;
            f->FigurNummer = (UWORD)(i + 1);
            f->X_Pos = 100 + i % 80, f->Y_Pos = 50 + i / 80;
            f->Bewegungspunkte = 8;
        }
        std::memcpy(v->LocalPeopleMemPtr, v->PeopleMemPtr, groesse);
        DeleteArmyList(LDKS->ArmeeListe);
        LDKS->ArmeeListe = CreateList(LISTE_ARMEEN);
        for (ULONG k = 0; k < kArmeen; ++k) {
            auto *a = (ArmeeList *)AllocVec(std::max<ULONG>(LDKS->ArmeeListe->TypSize, sizeof(ArmeeList)), MEMF_CLEAR);
            Armee x{};
            x.ArmeeID = (kArmeen - 1 - k) * 10 + 1;
            std::memcpy(x.Name, "Armee", 5);
            std::memcpy(&a->Army, &x, sizeof x);
            InsertNode(LDKS->ArmeeListe, &a->Node, LIST_LAST, 0);
        }
    }
    ~Umgebung()
    {
        KartenScreenDestruktor();
        KartenScreen(0, 0);
        std::filesystem::remove_all(pfad);
    }
};

Umgebung &Welt()
{
    static Umgebung u;
    return u;
}

void BM_Armeeliste(benchmark::State &state)
{
    Welt();
    for (auto _ : state) UpdateFigurRequester(LDKS, MakeGadgetID("BUT1"));
    if (LDKS->FigurTyp != 0) state.SkipWithError("no army list");
}
BENCHMARK(BM_Armeeliste)->Unit(benchmark::kMicrosecond);

void BM_Kundschafterliste(benchmark::State &state)
{
    Welt();
    for (auto _ : state) UpdateFigurRequester(LDKS, MakeGadgetID("BUT4"));
    if (LDKS->FigurTyp != 3) state.SkipWithError("no scout list");
}
BENCHMARK(BM_Kundschafterliste)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char **argv) { return RunBenchmarksQuietly(argc, argv); }
