// Figures on the map at 1024 x 768 x 32 over the demo map: drawing 5,000
// figures, a step with fog of war among 5,000 figures (without the
// animation's waits), and one step-animation frame beside its floor of two
// plain SDL blits and one display update.
#include <benchmark/benchmark.h>

#include "benchmain.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/screen.h"
#include "map/figures_map.h"
#include "world/hex.h"
#include "media/movie.h"
#include "platform/memfile.h"
#include "platform/system.h"

namespace {

constexpr int kBreite = 1024, kHoehe = 768;
constexpr ULONG kIch = 1;

struct Umgebung {
    std::string pfad;
    Umgebung()
    {
        pfad = DemoSetWorkingDir("vekfiguren-bench");
        OpenDummyDisplay32(kBreite, kHoehe);
        OpenKavorPic("./Data/Path", 3, PIC_NOFADE);
        VekDisplay.VekScreen = 3;
        PlayerInfo.SpielerID = kIch;
        SetPeopleAnimDelay = nullptr;
    }
    ~Umgebung() { std::filesystem::remove_all(pfad); }
};

// A view round (110, 54) with 5,000 figures on its hexes, every explored.
VekMapInfo *Oeffne(UWORD status)
{
    static Umgebung u;
    VekMapInfo *v = LadeKarte(MAPSTATUS_BMAP, 1, 1, "./Map");
    InitPos(v, 110, 54, 0, 0, kBreite, kHoehe, MAPSTATUS_BMAP);
    for (LONG i = 0; i < FENSTER_BREITE * FENSTER_HOEHE; ++i)
        v->GreatMapPtr[i].Art = 5;
    std::memset(v->GreatBMapPtr, 0xFF, FENSTER_BMAP_BYTES);
    const ULONG n = 5000;
    v->PeopleMemSize = 2 + n * sizeof(st_MOVE_EXT);
    v->PeopleMemPtr = (UBYTE *)AllocVec(v->PeopleMemSize, MEMF_CLEAR);
    v->LocalPeopleMemPtr = (UBYTE *)AllocVec(v->PeopleMemSize, MEMF_CLEAR);
    const UWORD anzahl = (UWORD)n;
    std::memcpy(v->PeopleMemPtr, &anzahl, 2);
    for (ULONG i = 0; i < n; ++i) {
        st_MOVE_EXT *f = FigurImBlock(v->PeopleMemPtr, i);
        f->SpielerID = i % 3 ? kIch : 2;
        f->FigurArt = (UWORD)(i % 21);
        f->FigurNummer = (UWORD)i;
        f->X_Pos = (ULONG)(v->X_Hex + (LONG)(i * 7 % v->XTiles));
        f->Y_Pos = (ULONG)(v->Y_Hex + (LONG)(i * 3 % v->YTiles));
        f->Bewegungspunkte = 200;
    }
    MakeLocalPeopleMemPtr(v);
    v->Status |= status;
    return v;
}

void Schliesse(VekMapInfo *v)
{
    FreeVec(v->PeopleMemPtr);
    v->PeopleMemPtr = nullptr;
    ExitPos(v);
    ExitKarte(v);
}

void BM_BlitFigur2(benchmark::State &state)
{
    VekMapInfo *v = Oeffne(MAPSTATUS_FIGUREN);
    static ULONG sicht[SICHT_MAX_X][SICHT_MAX_Y];
    for (auto &spalte : sicht)
        for (ULONG &s : spalte) s = 1;
    for (auto _ : state) {
        v->QuickUpdate = QU_ALLES;
        BlitFigur2(v, sicht, v->LayerRastPortPtr);
    }
    Schliesse(v);
}
BENCHMARK(BM_BlitFigur2)->Unit(benchmark::kMillisecond);

void BM_SetPeopleNebel(benchmark::State &state)
{
    VekMapInfo *v = Oeffne(MAPSTATUS_FIGUREN | MAPSTATUS_NEBEL);
    st_MOVE_EXT *f = FigurImBlock(v->PeopleMemPtr, 0);
    f->X_Pos = (ULONG)(v->X_Hex + 10);
    f->Y_Pos = (ULONG)(v->Y_Hex + 5);
    LONG dy = 1;
    for (auto _ : state) {
        f->Bewegungspunkte = 200;
        if (!SetPeople(v, f, 0, dy)) state.SkipWithError("the step did not move");
        dy = -dy;
    }
    Schliesse(v);
}
BENCHMARK(BM_SetPeopleNebel)->Unit(benchmark::kMillisecond);

void BM_SchrittBild(benchmark::State &state)
{
    VekMapInfo *v = Oeffne(0);
    if (!BitMapPtrArray[441]) OpenKavorGfx("./Data/Path", 442);
    RastPort *layer = v->LayerRastPortPtr;
    for (auto _ : state) {
        AnimObjektMask(layer, 480, 280, nullptr, 464, 252, 442, 0, 7, 64, 54);
        SDL_UpdateRect(SDLViewSurface, 464, 252, 64, 54);
    }
    Schliesse(v);
}
BENCHMARK(BM_SchrittBild)->Unit(benchmark::kMicrosecond);

void BM_SchrittBildRoh(benchmark::State &state)
{
    VekMapInfo *v = Oeffne(0);
    if (!BitMapPtrArray[441]) OpenKavorGfx("./Data/Path", 442);
    SDL_Surface *strip = SDL_ConvertSurface(BitMapPtrArray[441]->Surface, SDLViewSurface->format, SDL_SWSURFACE);
    SDL_SetColorKey(strip, SDL_SRCCOLORKEY | SDL_RLEACCEL, 0);
    SDL_Surface *layer = v->LayerBitmapPtr->Surface;
    for (auto _ : state) {
        SDL_Rect q = {480, 280, 64, 54}, z = {464, 252, 0, 0};
        SDL_BlitSurface(layer, &q, SDLViewSurface, &z);
        SDL_Rect f = {0, (Sint16)(54 * 7), 64, 54}, z2 = {464, 252, 0, 0};
        SDL_BlitSurface(strip, &f, SDLViewSurface, &z2);
        SDL_UpdateRect(SDLViewSurface, 464, 252, 64, 54);
    }
    SDL_FreeSurface(strip);
    Schliesse(v);
}
BENCHMARK(BM_SchrittBildRoh)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char **argv) { return RunBenchmarksQuietly(argc, argv); }
