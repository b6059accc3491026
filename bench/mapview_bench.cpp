// The map view at 1024 x 768 x 32 (22 x 15 hexes) with the demo graphics:
// a full drawing, a one-step scroll (layer move, strip, copy to the hidden
// buffer and flip) and a step that exchanges a column of tiles, each beside
// its floor of plain SDL blits or plain file reads and writes.
// The routines trace to standard output; that goes to /dev/null here.
#include <benchmark/benchmark.h>

#include "benchmain.h"

#include <climits>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

#include "gfx/gfxnumber.h"
#include "gfx/palette.h"
#include "gfx/pixfmt.h"
#include "gfx/screen.h"
#include "map/mapview.h"
#include "platform/memfile.h"
#include "platform/system.h"

namespace {

constexpr int kBreite = 1024, kHoehe = 768;
constexpr ULONG kIch = 7;
constexpr UWORD kStatus = MAPSTATUS_BMAP | MAPSTATUS_GRENZEN | MAPSTATUS_BEWEGUNG | MAPSTATUS_ROHSTOFFE;

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

// Tiles 8 ... 12 both ways: mixed terrain, owners in patches, all explored.
void SchreibeWelt()
{
    std::filesystem::create_directories("Map");
    for (LONG tx = 8; tx <= 12; ++tx)
        for (LONG ty = 8; ty <= 12; ++ty) {
            std::vector<UBYTE> m(TEIL_BYTES, 0), b(BMAP_TEIL_BYTES, 0xFF);
            for (LONG r = 0; r < TEIL_HOEHE; ++r)
                for (LONG c = 0; c < TEIL_BREITE; ++c) {
                    const LONG x = tx * 80 + c, y = ty * 40 + r;
                    const ULONG h = Mische((ULONG)x, (ULONG)y);
                    static const ULONG kBesitzer[4] = {NIEMAND, kIch, 8, 9};
                    const size_t at = (size_t)r * 1760 + (size_t)c * 22;
                    PutLE(m, at, (ULONG)x, 4);
                    PutLE(m, at + 4, (ULONG)y, 4);
                    PutLE(m, at + 8, 1 + h % 91, 2);
                    m[at + 10] = (UBYTE)(h >> 8) % 6;
                    m[at + 11] = (UBYTE)(h >> 12) % 6;
                    m[at + 12] = (UBYTE)(h >> 16) % 6;
                    PutLE(m, at + 14, kBesitzer[Mische((ULONG)(x / 5), (ULONG)(y / 4)) % 4], 4);
                    PutLE(m, at + 18, (h >> 24) % 8 == 0 ? SPEZIAL_DUNGEON : 0, 4);
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

// Working directory with the demo set and the world, the display with its
// hidden buffer, and the map screen shown.
struct Umgebung {
    std::string pfad;
    Umgebung()
    {
        pfad = DemoSetWorkingDir("vekkarte-bench");
        SchreibeWelt();

        OpenDummyDisplay32(kBreite, kHoehe);
        OpenKavorPic("./Data/Path", 3, PIC_NOFADE);
        VekDisplay.VekScreen = 3;
        PlayerInfo.SpielerID = kIch;
    }
    ~Umgebung() { std::filesystem::remove_all(pfad); }
};

Umgebung &Welt()
{
    static Umgebung u;
    return u;
}

// A view at world (x, y) with every bit of the movement overlay in a pattern.
VekMapInfo *Oeffne(LONG x, LONG y)
{
    Welt();
    VekMapInfo *v = LadeKarte(MAPSTATUS_BMAP, x / 80, y / 40, "./Map");
    InitPos(v, x, y, 0, 0, kBreite, kHoehe, kStatus);
    v->GreatCMapPtr = (UBYTE *)AllocVec(FENSTER_BMAP_BYTES, MEMF_CLEAR);
    for (ULONG i = 0; i < FENSTER_BMAP_BYTES; ++i) v->GreatCMapPtr[i] = (UBYTE)(0x11 << (i % 4));
    v->QuickUpdate = 0;
    BlitMap(v);
    return v;
}

void Schliesse(VekMapInfo *v)
{
    ExitPos(v);
    ExitKarte(v);
}

SDL_Surface *Kopie(SDL_Surface *s, bool keyed)
{
    SDL_Surface *k = SDL_ConvertSurface(s, s->format, SDL_SWSURFACE);
    SDL_SetColorKey(k, keyed ? SDL_SRCCOLORKEY | SDL_RLEACCEL : 0, 0);
    return k;
}

// The blits a drawing of view hexes (c, r) with c in [von, bis) makes, done
// with plain SDL: the hex (plain when even, keyed when odd), and keyed the
// dungeon marker, resource symbol, five dots per side to a different owner
// and the movement overlay.
struct Rohblits {
    struct Blit {
        SDL_Surface *quelle;
        Sint16 x, y;
    };
    std::vector<Blit> blits;
    std::vector<SDL_Surface *> eigene;
    SDL_Surface *Grafik(UWORD n, bool keyed)
    {
        if (!BitMapPtrArray[n - 1]) OpenKavorGfx("./Data/Path", n);
        eigene.push_back(Kopie(BitMapPtrArray[n - 1]->Surface, keyed));
        return eigene.back();
    }
    Rohblits(VekMapInfo *v, LONG von, LONG bis)
    {
        SDL_Surface *punkt = Grafik(440, true), *feld = Grafik(471, true), *symbol = Grafik(378, true),
                    *dungeon = Grafik(1292, true);
        for (LONG r = 0; r < v->YTiles; ++r)
            for (LONG c = von; c < bis; ++c) {
                const LONG gx = v->IndeX + c, gy = v->IndeY + r;
                const MapEntry *e = FensterHex(v, gx, gy);
                const Sint16 x = (Sint16)(c * 48), y = (Sint16)(r * 56 + (c & 1) * 28);
                blits.push_back({Grafik(KartenElemente[e->Art][0], c & 1), x, y});
                if (e->Spezial & SPEZIAL_DUNGEON) blits.push_back({dungeon, (Sint16)(x + 20), (Sint16)(y + 11)});
                if (e->BesitzerID == kIch) blits.push_back({symbol, (Sint16)(x + 10), (Sint16)(y + 11)});
                if (e->BesitzerID != NIEMAND)
                    for (int s = 0; s < 6; ++s) {
                        const HexPos n = HexNachbar(HexPos{gx, gy}, s);
                        if (FensterHex(v, n.x, n.y)->BesitzerID != e->BesitzerID)
                            for (int i = 0; i < 5; ++i) blits.push_back({punkt, (Sint16)(x + 7 * i), y});
                    }
                if ((v->GreatCMapPtr[gy * 30 + gx / 8] >> (gx % 8)) & 1) blits.push_back({feld, x, y});
            }
    }
    ~Rohblits()
    {
        for (SDL_Surface *s : eigene) SDL_FreeSurface(s);
    }
    void Zeichne(SDL_Surface *ziel)
    {
        for (const Blit &b : blits) {
            SDL_Rect r = {b.x, b.y, 0, 0};
            SDL_BlitSurface(b.quelle, nullptr, ziel, &r);
        }
    }
};

void BM_BlitMapVoll(benchmark::State &state)
{
    VekMapInfo *v = Oeffne(800, 400);
    for (auto _ : state) {
        v->QuickUpdate = 0;
        BlitMap(v);
    }
    Schliesse(v);
}
BENCHMARK(BM_BlitMapVoll)->Unit(benchmark::kMillisecond);

void BM_BlitMapVollRoh(benchmark::State &state)
{
    VekMapInfo *v = Oeffne(800, 400);
    Rohblits roh(v, 0, v->XTiles);
    SDL_Surface *layer = v->LayerBitmapPtr->Surface;
    for (auto _ : state) roh.Zeichne(layer);
    state.counters["blits"] = (double)roh.blits.size();
    Schliesse(v);
}
BENCHMARK(BM_BlitMapVollRoh)->Unit(benchmark::kMillisecond);

// One step right and one back, each a strip: per step.
void BM_ScrollSchritt(benchmark::State &state)
{
    VekMapInfo *v = Oeffne(800, 400);
    for (auto _ : state) {
        SetPos(v, 1, 0);
        SetPos(v, -1, 0);
    }
    state.SetItemsProcessed(state.iterations() * 2);
    Schliesse(v);
}
BENCHMARK(BM_ScrollSchritt)->Unit(benchmark::kMillisecond);

// The floor of one step: one layer-sized blit, the strip's blits (the four
// columns at the edge) and one blit of the view to the display.
// Argument 1 also presents the display, as the flip does.
void BM_ScrollSchrittRoh(benchmark::State &state)
{
    const bool zeigen = state.range(0) != 0;
    VekMapInfo *v = Oeffne(800, 400);
    Rohblits roh(v, v->XTiles - 4, v->XTiles);
    SDL_Surface *layer = v->LayerBitmapPtr->Surface;
    SDL_Surface *zweiter = SDL_ConvertSurface(layer, layer->format, SDL_SWSURFACE);
    for (auto _ : state) {
        for (int i = 0; i < 2; ++i) {
            SDL_BlitSurface(layer, nullptr, zweiter, nullptr);
            roh.Zeichne(layer);
            SDL_Rect von = {16, 28, kBreite, kHoehe};
            SDL_BlitSurface(layer, &von, SDLViewSurface, nullptr);
            if (zeigen) SDL_UpdateRect(SDLViewSurface, 0, 0, 0, 0);
        }
    }
    state.SetItemsProcessed(state.iterations() * 2);
    SDL_FreeSurface(zweiter);
    Schliesse(v);
}
BENCHMARK(BM_ScrollSchrittRoh)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The map screen's view (figures in fog, borders) with 600 figures of every
// kind round its middle, own and foreign, many on shared hexes.
VekMapInfo *OeffneMitFiguren()
{
    Welt();
    const UWORD status = MAPSTATUS_BMAP | MAPSTATUS_FIGUREN | MAPSTATUS_GRENZEN | MAPSTATUS_NEBEL;
    VekMapInfo *v = LadeKarte(MAPSTATUS_BMAP, 10, 10, "./Map");
    InitPos(v, 800, 400, 0, 0, kBreite, kHoehe, status);
    std::vector<st_MOVE_EXT> figuren;
    for (ULONG i = 0; i < 600; ++i) {
        const ULONG h = Mische(i, 77);
        st_MOVE_EXT f{};
        f.SpielerID = h % 3 == 0 ? kIch : 8 + h % 2;
        f.FigurArt = (UWORD)(h % 21);
        f.FigurNummer = (UWORD)i;
        f.X_Pos = 790 + (h >> 4) % 44;
        f.Y_Pos = 395 + (h >> 12) % 26;
        f.Bewegungspunkte = 20;
        figuren.push_back(f);
    }
    FreeVec(v->PeopleMemPtr);
    FreeVec(v->LocalPeopleMemPtr);
    v->PeopleMemSize = (ULONG)(2 + sizeof(st_MOVE_EXT) * figuren.size());
    v->PeopleMemPtr = (UBYTE *)AllocVec(v->PeopleMemSize, MEMF_CLEAR);
    v->LocalPeopleMemPtr = (UBYTE *)AllocVec(v->PeopleMemSize, MEMF_CLEAR);
    const UWORD n = (UWORD)figuren.size();
    std::memcpy(v->PeopleMemPtr, &n, 2);
    std::memcpy(v->PeopleMemPtr + 2, figuren.data(), sizeof(st_MOVE_EXT) * n);
    MakeLocalPeopleMemPtr(v);
    v->QuickUpdate = 0;
    BlitMap(v);
    return v;
}

void BM_BlitMapVollFiguren(benchmark::State &state)
{
    VekMapInfo *v = OeffneMitFiguren();
    for (auto _ : state) {
        v->QuickUpdate = 0;
        BlitMap(v);
    }
    Schliesse(v);
}
BENCHMARK(BM_BlitMapVollFiguren)->Unit(benchmark::kMillisecond);

// One step and back among the figures, per step: argument 0 up and down,
// 1 right and left.
void BM_ScrollSchrittFiguren(benchmark::State &state)
{
    VekMapInfo *v = OeffneMitFiguren();
    const LONG dx = state.range(0), dy = 1 - state.range(0);
    for (auto _ : state) {
        SetPos(v, -dx, -dy);
        SetPos(v, dx, dy);
    }
    state.SetItemsProcessed(state.iterations() * 2);
    Schliesse(v);
}
BENCHMARK(BM_ScrollSchrittFiguren)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The drawing alone of a one-step scroll among the figures (the layer moves
// and its strips are drawn; the view stays where it is): argument the mode,
// 1 up, 2 right, 3 down, 4 left.
void BM_StreifenFiguren(benchmark::State &state)
{
    VekMapInfo *v = OeffneMitFiguren();
    for (auto _ : state) {
        v->QuickUpdate = (UWORD)state.range(0);
        BlitMap(v);
    }
    Schliesse(v);
}
BENCHMARK(BM_StreifenFiguren)->DenseRange(1, 4)->Unit(benchmark::kMillisecond);

// The redraw after a figure's step (without its animation): an own figure in
// the middle steps south and back, per step.
void BM_SchrittNebel(benchmark::State &state)
{
    VekMapInfo *v = OeffneMitFiguren();
    st_MOVE_EXT *f = FigurImBlock(v->PeopleMemPtr, 0);
    f->SpielerID = kIch;
    f->X_Pos = 810;
    f->Y_Pos = 405;
    LONG dy = 1;
    for (auto _ : state) {
        CheckFogofWar2(v, v->FOWMask);
        const LONG c = (LONG)f->X_Pos - v->X_Hex, r = (LONG)f->Y_Pos - v->Y_Hex;
        v->FOWMask[c][r] = v->FOWMask[c][r + dy] = FOW_NEU;
        f->Y_Pos += dy;
        dy = -dy;
        MakeLocalPeopleMemPtr(v);
        v->QuickUpdate = QU_NEBEL;
        BlitMap(v);
    }
    state.SetItemsProcessed(state.iterations());
    Schliesse(v);
}
BENCHMARK(BM_SchrittNebel)->Unit(benchmark::kMillisecond);

// Steps over a tile border and back: each exchanges a column of three map
// and three knowledge tiles.
void BM_ScrollTausch(benchmark::State &state)
{
    VekMapInfo *v = Oeffne(800, 400);  // the view's corner on the first column of tile 10
    for (auto _ : state) {
        SetPos(v, -1, 0);
        SetPos(v, 1, 0);
    }
    state.SetItemsProcessed(state.iterations() * 2);
    Schliesse(v);
}
BENCHMARK(BM_ScrollTausch)->Unit(benchmark::kMillisecond);

// Its floor: the six tile files written and read once.
void BM_ScrollTauschRoh(benchmark::State &state)
{
    Welt();
    std::vector<UBYTE> m(TEIL_BYTES), b(BMAP_TEIL_BYTES);
    for (auto _ : state) {
        for (int i = 0; i < 2; ++i)
            for (int ty = 9; ty <= 11; ++ty)
                for (const char *art : {"M_", "B_"}) {
                    std::vector<UBYTE> &puffer = art[0] == 'M' ? m : b;
                    const std::string name = std::string("Map/") + art + "12_" + std::to_string(ty) + ".map";
                    std::FILE *f = std::fopen(name.c_str(), "r+b");
                    std::fwrite(puffer.data(), 1, puffer.size(), f);
                    std::fclose(f);
                    f = std::fopen(name.c_str(), "rb");
                    if (std::fread(puffer.data(), 1, puffer.size(), f) != puffer.size()) std::abort();
                    std::fclose(f);
                }
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_ScrollTauschRoh)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv)
{
    if (RunBenchmarksQuietly(argc, argv) != 0) return 1;
    SDL_Quit();
    return 0;
}
