// Layout of the longest story page (65,535 bytes with two pictures) against
// the floor of drawing the same words with Text at places known beforehand.
#include <benchmark/benchmark.h>

#include <SDL/SDL.h>
#include <cstdlib>
#include <string>
#include <vector>

#include "benchfont.h"
#include "benchmain.h"
#include "gfx/font.h"
#include "gfx/graphics.h"
#include "realm/storymarkup.h"

namespace {

struct Placed {
    long x, y;
    size_t at, n;
};

struct Page {
    std::string text;
    std::vector<char> stripped;
    size_t length = 0;
    StoryPicture pictures[STORY_PICTURES_MAX];
    int count = 0;
};

const Page &LongPage()
{
    static const Page page = [] {
        Page p;
        const char *words[] = {"The", "bard", "tells", "of", "rivers,", "kings", "and", "harvests", "long", "gone"};
        p.text = "\xA7(#1,100,10,120,90)\xA7(#2,250,400,120,90)";
        for (size_t i = 0; p.text.size() < STORY_PAGE_MAX - 16; ++i) {
            p.text += words[i % 10];
            p.text += i % 37 == 36 ? "\n" : " ";
        }
        p.count = FindStoryPictures(p.text.data(), p.text.size(), p.pictures, STORY_PICTURES_MAX);
        p.stripped.resize(p.text.size() + 1);
        p.length = RoredIdezBrowserStripText(p.text.data(), p.text.size(), p.stripped.data());
        return p;
    }();
    return page;
}

RastPort *ContentPort()
{
    static RastPort *rp = [] {
        SDL_Init(SDL_INIT_VIDEO);
        SDL_SetVideoMode(640, 480, 8, SDL_SWSURFACE);
        BitMap *bm = AllocBitMap(417, 32000, 8, 0, nullptr);
        auto *port = new RastPort{};
        InitRastPort(port);
        port->BitMap = bm;
        SetFont(port, BenchFont());
        SetDrMd(port, JAM1);
        return port;
    }();
    return rp;
}

long Measure(void *user, const char *text, size_t n) { return TextLength(static_cast<RastPort *>(user), text, (ULONG)n); }

void DrawText(void *user, long x, long y, const char *text, size_t n, UWORD pen)
{
    RastPort *rp = static_cast<RastPort *>(user);
    SetAPen(rp, pen);
    Move(rp, x, y + rp->TxBaseline);
    Text(rp, text, (ULONG)n);
}

StoryLayout LayoutFor(const Page &p, RastPort *rp, void (*draw)(void *, long, long, const char *, size_t, UWORD))
{
    return StoryLayout{417, 32000, (long)rp->TxHeight + 1, TextLength(rp, " ", 1), p.pictures, p.count, Measure, draw,
                       rp, 7};
}

void BM_LayoutAndDraw(benchmark::State &state)
{
    const Page &p = LongPage();
    RastPort *rp = ContentPort();
    const StoryLayout l = LayoutFor(p, rp, DrawText);
    for (auto _ : state) benchmark::DoNotOptimize(StoryLayoutText(l, p.stripped.data(), p.length));
}
BENCHMARK(BM_LayoutAndDraw)->Unit(benchmark::kMillisecond);

std::vector<Placed> *recording = nullptr;
void Record(void *, long x, long y, const char *text, size_t n, UWORD)
{
    recording->push_back({x, y, (size_t)(text - LongPage().stripped.data()), n});
}

void BM_TextAtKnownPlaces(benchmark::State &state)
{
    const Page &p = LongPage();
    RastPort *rp = ContentPort();
    std::vector<Placed> places;
    recording = &places;
    StoryLayoutText(LayoutFor(p, rp, Record), p.stripped.data(), p.length);
    for (auto _ : state)
        for (const Placed &w : places) {
            Move(rp, w.x, w.y + rp->TxBaseline);
            Text(rp, p.stripped.data() + w.at, (ULONG)w.n);
        }
    state.counters["words"] = (double)places.size();
}
BENCHMARK(BM_TextAtKnownPlaces)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    return RunBenchmarksQuietly(argc, argv);
}
