// Choosing the target of an order at 1024 x 768 x 32 with the demo
// graphics: the figure's move array, the reachable bits and the redraw of
// the view with the movement overlay, beside a full drawing of the view
// alone. The choice should cost at most half again as much as the drawing;
// the copy to the display that every redraw of the screen adds is timed apart.
// The routines trace to standard output; that goes to /dev/null here.
#include <benchmark/benchmark.h>

#include "benchmain.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "gfx/screen.h"
#include "world/hex.h"
#include "map/mapview.h"
#include "platform/memfile.h"
#include "platform/system.h"

namespace {

constexpr int kBreite = 1024, kHoehe = 768;
constexpr ULONG kIch = 7;
constexpr UWORD kStatus = MAPSTATUS_BMAP | MAPSTATUS_GRENZEN;

ULONG Mische(ULONG a, ULONG b)
{
    ULONG h = a * 0x9E3779B1u ^ (b + 1) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0xC2B2AE3Du;
    return h ^ (h >> 13);
}

void PutLE(std::vector<UBYTE> &b, size_t at, ULONG v, int n)
{
    for (int i = 0; i < n; ++i) b[at + i] = (UBYTE)(v >> (8 * i));
}

// Tiles 9 ... 11 both ways: mixed land of the player and others, all explored.
void SchreibeWelt()
{
    std::filesystem::create_directories("Map");
    for (LONG tx = 9; tx <= 11; ++tx)
        for (LONG ty = 9; ty <= 11; ++ty) {
            std::vector<UBYTE> m(TEIL_BYTES, 0), b(BMAP_TEIL_BYTES, 0xFF);
            for (LONG r = 0; r < TEIL_HOEHE; ++r)
                for (LONG c = 0; c < TEIL_BREITE; ++c) {
                    const LONG x = tx * 80 + c, y = ty * 40 + r;
                    const ULONG h = Mische((ULONG)x, (ULONG)y);
                    static const ULONG kBesitzer[4] = {NIEMAND, kIch, kIch, 9};
                    const size_t at = (size_t)r * 1760 + (size_t)c * 22;
                    PutLE(m, at, (ULONG)x, 4);
                    PutLE(m, at + 4, (ULONG)y, 4);
                    PutLE(m, at + 8, 1 + h % 91, 2);
                    PutLE(m, at + 14, kBesitzer[Mische((ULONG)(x / 5), (ULONG)(y / 4)) % 4], 4);
                }
            const std::string teil = std::to_string(tx) + "_" + std::to_string(ty) + ".map";
            std::FILE *f = std::fopen(("Map/M_" + teil).c_str(), "wb");
            std::fwrite(m.data(), 1, m.size(), f);
            std::fclose(f);
            f = std::fopen(("Map/B_" + teil).c_str(), "wb");
            std::fwrite(b.data(), 1, b.size(), f);
            std::fclose(f);
        }
}

struct Umgebung {
    std::string pfad;
    Umgebung()
    {
        pfad = DemoSetWorkingDir("vekziel-bench");
        SchreibeWelt();
        OpenDummyDisplay32(kBreite, kHoehe);
        OpenKavorPic("./Data/Path", 3, PIC_NOFADE);
        VekDisplay.VekScreen = 3;
        PlayerInfo.SpielerID = kIch;
    }
    ~Umgebung() { std::filesystem::remove_all(pfad); }
};

VekMapInfo *Oeffne()
{
    static Umgebung u;
    VekMapInfo *v = LadeKarte(MAPSTATUS_BMAP, 10, 10, "./Map");
    InitPos(v, 800, 400, 0, 0, kBreite, kHoehe, kStatus);
    v->QuickUpdate = QU_ALLES;
    BlitMap(v);
    return v;
}

void Schliesse(VekMapInfo *v)
{
    FreeMoveAllocs(v);
    ExitPos(v);
    ExitKarte(v);
}

// The floor: the view drawn whole into its layer.
void BM_BlitMapVoll(benchmark::State &state)
{
    VekMapInfo *v = Oeffne();
    for (auto _ : state) {
        v->QuickUpdate = QU_ALLES;
        BlitMap(v);
    }
    Schliesse(v);
}
BENCHMARK(BM_BlitMapVoll)->Unit(benchmark::kMillisecond);

// One target choice of a figure in the middle of the view: its move array,
// the reachable bits and the view drawn with the movement overlay. Argument
// 0 a scout of 8 points, 1 light cavalry of 10 (the widest reach); argument
// 1 also copies the view to the display and flips, as the screen's redraw
// (SetPos) does.
void BM_Zielwahl(benchmark::State &state)
{
    VekMapInfo *v = Oeffne();
    const UWORD art = state.range(0) ? FID_LEICHTE_KAVALLERIE : FID_KUNDSCHAFTER;
    const bool anzeige = state.range(1) != 0;
    const LONG x = v->IndeX + v->XTiles / 2, y = v->IndeY + v->YTiles / 2;
    for (auto _ : state) {
        GetMoveArray(v, x, y, art, BEWEGUNG_VOLL);
        MakeMapFromArray(v, x - MOVE_MITTE, y - MOVE_MITTE, 0);
        v->Status |= MAPSTATUS_BEWEGUNG;
        if (anzeige) {
            SetPos(v, 0, 0);
        } else {
            v->QuickUpdate = QU_ALLES;
            BlitMap(v);
        }
        v->Status &= (UWORD)~MAPSTATUS_BEWEGUNG;
    }
    Schliesse(v);
}
BENCHMARK(BM_Zielwahl)->Args({0, 0})->Args({1, 0})->Args({0, 1})->Unit(benchmark::kMillisecond);

// What every redraw of the screen adds to the drawing: the copy of the view
// to the display and the flip.
void BM_Layer2Screen(benchmark::State &state)
{
    VekMapInfo *v = Oeffne();
    for (auto _ : state) BlitLayer2Screen(v, 1);
    Schliesse(v);
}
BENCHMARK(BM_Layer2Screen)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv)
{
    if (RunBenchmarksQuietly(argc, argv) != 0) return 1;
    SDL_Quit();
    return 0;
}
