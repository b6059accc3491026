// The realm's reading screens against their floors: a report (the country
// report, and the trade of a busy market) composed and shown in its box
// against printing its lines and one blit of the box; a
// battle letter with its map view against printing it and one BlitMap of
// the view; ten curves against restoring the graph's background and drawing
// the same segments; army.csv against reading KRIG and writing the file once.
// Each pair is X and X_Floor; the limits are 1.5 (2 for army.csv).
#include <benchmark/benchmark.h>

#include <SDL/SDL.h>
#include <cstring>
#include <string>
#include <vector>

#include "benchfont.h"
#include "benchmain.h"
#include "common/sdlharness.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "gfx/font.h"
#include "gfx/graphics.h"
#include "gfx/screen.h"
#include "map/mapview.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "realm/berichte.h"
#include "realm/schlacht.h"
#include "realm/statistik.h"
#include "store/store.h"
#include "turn/turn.h"
#include "ui/requester.h"
#include "world/mapinfo.h"

namespace {

RastPort *Port(BitMap *bm)
{
    auto *rp = new RastPort{};
    InitRastPort(rp);
    rp->BitMap = bm;
    SetFont(rp, BenchFont());
    SetDrMd(rp, JAM1);
    return rp;
}

// The headless display at 8 bits in a copy of the demo set, for every pair.
struct Display {
    vektest::ScratchDir dir;
    vektest::SdlScreen *screen;
    RastPort *rp;
    Display()
    {
        CopyDemoGameFiles(".");
        screen = new vektest::SdlScreen(8);
        if (!screen->Ok()) std::exit(1);
        rp = DisplayRastPort();
        SetFont(rp, BenchFont());
        SetDrMd(rp, JAM1);
    }
};
Display &Screen()
{
    static Display *d = new Display;
    return *d;
}

// The lines of text as a box of width w wraps them (words kept whole).
std::vector<std::string> Wrap(RastPort *rp, const std::string &text, LONG w)
{
    std::vector<std::string> lines;
    std::string line;
    size_t i = 0;
    while (i <= text.size()) {
        if (i == text.size() || text[i] == '\n') {
            lines.push_back(line);
            line.clear();
            ++i;
            continue;
        }
        size_t e = text.find_first_of(" \n", i);
        if (e == std::string::npos) e = text.size();
        std::string word = text.substr(i, e - i);
        std::string tryLine = line.empty() ? word : line + " " + word;
        if (!line.empty() && TextLength(rp, tryLine.c_str(), (ULONG)tryLine.size()) > w) {
            lines.push_back(line);
            line = word;
        } else {
            line = tryLine;
        }
        i = e < text.size() && text[e] == ' ' ? e + 1 : e;
    }
    return lines;
}

void PrintLines(RastPort *rp, const std::vector<std::string> &lines, LONG x, LONG y)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        Move(rp, x, y + (LONG)i * (rp->TxHeight + 1) + rp->TxBaseline);
        Text(rp, lines[i].c_str(), (ULONG)lines[i].size());
    }
}

// ---- a report: the trade of a busy market, 200 sales in 40 offers ----

std::vector<UBYTE> Wares()
{
    std::vector<UBYTE> b(sizeof(st_WARE) + 200 * sizeof(st_WARE_EXT));
    st_WARE h{};
    h.Head = {ID_WARE, VERSION_V001, (ULONG)b.size() - 12};
    h.AnzWaren = 200;
    std::memcpy(b.data(), &h, sizeof h);
    for (ULONG i = 0; i < 200; ++i) {
        st_WARE_EXT w{};
        w.Info = 4, w.DateInSec = 1000 + i / 5, w.Herkunft = 7, w.Kaeufer = 8 + i % 3, w.KaeuferPreis = 10 + i % 7;
        w.WarenAnzahl = 1 + i % 11, w.WarenTyp = i % 100, w.Preis = 9;
        std::memcpy(b.data() + sizeof h + i * sizeof w, &w, sizeof w);
    }
    return b;
}

void BM_Report(benchmark::State &state)
{
    Display &d = Screen();
    const std::vector<UBYTE> w = Wares();
    for (auto _ : state) {
        std::string text;
        ComposeTradeReport(reinterpret_cast<const st_WARE *>(w.data()), nullptr, 7, "Demoland", &text);
        VekRequester *req = InitRequesterTextBox(292, d.rp->Font, text.c_str(), 258, 83, 292, 257, 55, 7, nullptr);
        benchmark::DoNotOptimize(req);
        ClearRequester(req);
    }
}
BENCHMARK(BM_Report)->Unit(benchmark::kMicrosecond);

void BM_Report_Floor(benchmark::State &state)
{
    Display &d = Screen();
    const std::vector<UBYTE> w = Wares();
    std::string text;
    ComposeTradeReport(reinterpret_cast<const st_WARE *>(w.data()), nullptr, 7, "Demoland", &text);
    const std::vector<std::string> lines = Wrap(d.rp, text, 292);
    BitMap *content = AllocBitMap(292, (ULONG)(lines.size() + 2) * (d.rp->TxHeight + 1), 8, 0, nullptr);
    RastPort *cp = Port(content);
    for (auto _ : state) {
        PrintLines(cp, lines, 0, 0);
        BltBitMapRastPort(content, 0, 0, d.rp, 258, 83, 292, 257, 0xC0);
    }
}
BENCHMARK(BM_Report_Floor)->Unit(benchmark::kMicrosecond);

// The country report of a realm: twenty lines.
st_LAND Land()
{
    st_LAND l{};
    l.AnzVolk = 16000, l.Einwanderer = 40, l.AnzGold = 250000, l.AnzMorgen = 77, l.Piratengold = -500;
    return l;
}

void BM_CountryReport(benchmark::State &state)
{
    Display &d = Screen();
    for (auto _ : state) {
        const std::string text = ComposeCountryReport(Land(), 55, 300000, 1234);
        VekRequester *req = InitRequesterTextBox(292, d.rp->Font, text.c_str(), 258, 83, 292, 257, 55, 7, nullptr);
        benchmark::DoNotOptimize(req);
        ClearRequester(req);
    }
}
BENCHMARK(BM_CountryReport)->Unit(benchmark::kMicrosecond);

void BM_CountryReport_Floor(benchmark::State &state)
{
    Display &d = Screen();
    const std::vector<std::string> lines = Wrap(d.rp, ComposeCountryReport(Land(), 55, 300000, 1234), 292);
    BitMap *content = AllocBitMap(292, 257, 8, 0, nullptr);
    RastPort *cp = Port(content);
    for (auto _ : state) {
        PrintLines(cp, lines, 0, 0);
        BltBitMapRastPort(content, 0, 0, d.rp, 258, 83, 292, 257, 0xC0);
    }
}
BENCHMARK(BM_CountryReport_Floor)->Unit(benchmark::kMicrosecond);

// Where a report's time goes: the composer alone (the rest is the text box).
void BM_Report_ComposeOnly(benchmark::State &state)
{
    const std::vector<UBYTE> w = Wares();
    for (auto _ : state) {
        std::string text;
        ComposeTradeReport(reinterpret_cast<const st_WARE *>(w.data()), nullptr, 7, "Demoland", &text);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_Report_ComposeOnly)->Unit(benchmark::kMicrosecond);

// ---- a letter with its map view, on the demo realm ----

struct Realm {
    st_KRIG *krig = nullptr;
    VekMapInfo *view = nullptr;
    Realm()
    {
        Screen();
        krig = static_cast<st_KRIG *>(LoadChunk2Mem(ID_KRIG, POOL_IN));
        view = LadeKarte(22, 1, 1, "./Map");
        if (!krig || !view || !InitPos(view, 120, 57, 102, 238, 160, 168, 22)) std::exit(1);
    }
};
Realm &DemoRealm()
{
    static Realm *r = new Realm;
    return *r;
}

void BM_Letter(benchmark::State &state)
{
    Display &d = Screen();
    Realm &r = DemoRealm();
    const SchlachtNamen names{7, "Demoland", nullptr};
    for (auto _ : state) {
        WORD index = 0;
        const st_KRIG_EXT *rec;
        BOOL detail;
        const std::string t = ComposeSchlachtBrief(r.krig, 0, &index, names, &rec, &detail);
        VekRequester *req = InitRequesterTextBox(310, d.rp->Font, t.c_str(), 290, 60, 310, 340, 11, 7, nullptr);
        ULONG X, Y;
        SchlachtOrt(*rec, &X, &Y);
        const SchlachtKarte m = SchlachtKartenPos(X, Y);
        r.view->IndeX = (WORD)m.IndexX, r.view->IndeY = (WORD)m.IndexY, r.view->X_Hex = m.X, r.view->Y_Hex = m.Y;
        r.view->QuickUpdate = QU_ALLES;
        SetPos(r.view, 0, 0);
        ClearRequester(req);
    }
}
BENCHMARK(BM_Letter)->Unit(benchmark::kMicrosecond);

void BM_Letter_Floor(benchmark::State &state)
{
    Display &d = Screen();
    Realm &r = DemoRealm();
    WORD index = 0;
    const st_KRIG_EXT *rec;
    BOOL detail;
    const std::string t = ComposeSchlachtBrief(r.krig, 0, &index, {7, "Demoland", nullptr}, &rec, &detail);
    const std::vector<std::string> lines = Wrap(d.rp, t, 310);
    for (auto _ : state) {
        PrintLines(d.rp, lines, 290, 60);
        r.view->QuickUpdate = QU_ALLES;
        BlitMap(r.view);
    }
}
BENCHMARK(BM_Letter_Floor)->Unit(benchmark::kMicrosecond);

// ---- ten curves over fifty quarters ----

struct Curves {
    std::vector<StatistikDaten> data;
    std::vector<StatistikWahl> wahl;
    BitMap *background;
    Curves() : data(50)
    {
        for (ULONG q = 0; q < 50; ++q) {
            ULONG *v = &data[q].Korn;
            for (ULONG i = 0; i < 10; ++i) v[i] = 1000 + q * (i + 1) * 37 % 5000;
        }
        for (ULONG i = 0; i < 10; ++i) wahl.push_back({i, TRUE});
        background = AllocBitMap(560, 200, 8, 0, nullptr);
    }
};

void DrawCurves(RastPort *rp, const StatistikGrafik &g)
{
    for (const StatistikKurve &c : g.Kurven) {
        SetAPen(rp, c.Pen);
        Move(rp, c.Punkte[0].x, c.Punkte[0].y);
        for (const StatistikPunkt &p : c.Punkte) Draw(rp, p.x, p.y);
    }
}

void BM_TenCurves(benchmark::State &state)
{
    Display &d = Screen();
    static Curves c;
    for (auto _ : state) {
        BltBitMapRastPort(c.background, 0, 0, d.rp, 40, 220, 560, 200, 0xC0);
        const StatistikGrafik g = DrawStatistikGfx(c.data.data(), 50, c.wahl.data(), 10, 0, 40, 220, 600, 420);
        DrawCurves(d.rp, g);
    }
}
BENCHMARK(BM_TenCurves)->Unit(benchmark::kMicrosecond);

void BM_TenCurves_Floor(benchmark::State &state)
{
    Display &d = Screen();
    static Curves c;
    const StatistikGrafik g = DrawStatistikGfx(c.data.data(), 50, c.wahl.data(), 10, 0, 40, 220, 600, 420);
    for (auto _ : state) {
        BltBitMapRastPort(c.background, 0, 0, d.rp, 40, 220, 560, 200, 0xC0);
        DrawCurves(d.rp, g);
    }
}
BENCHMARK(BM_TenCurves_Floor)->Unit(benchmark::kMicrosecond);

// ---- army.csv of a thousand battles ----

struct War {
    War()
    {
        Screen();
        std::vector<UBYTE> b(sizeof(st_KRIG) + 1000 * sizeof(st_KRIG_EXT));
        st_KRIG h{{ID_KRIG, VERSION_V001, (ULONG)b.size() - 12}, 1000};
        std::memcpy(b.data(), &h, sizeof h);
        for (ULONG i = 0; i < 1000; ++i) {
            st_KRIG_EXT k{};
            k.Angreifer.SpielerID = 7, k.Verteidiger.SpielerID = 8 + i % 2, k.Result = i % 5;
            k.Verteidiger.X_Pos = 100 + i, k.Verteidiger.Y_Pos = 50, k.AngTote = i, k.VerLebende = 2 * i;
            std::memcpy(b.data() + sizeof h + i * sizeof k, &k, sizeof k);
        }
        if (!AddChunkPool(b.data(), POOL_IN)) std::exit(1);
        PlayerInfo.SpielerID = 7;
        std::strcpy(PlayerInfo.Spielname, "Demoland");
        CreateSchlachtCVS(nullptr);
    }
};

void BM_ArmyCsv(benchmark::State &state)
{
    static War w;
    for (auto _ : state) CreateSchlachtCVS(nullptr);
}
BENCHMARK(BM_ArmyCsv)->Unit(benchmark::kMicrosecond);

void BM_ArmyCsv_Floor(benchmark::State &state)
{
    static War w;
    const vektest::Bytes csv = vektest::ReadBytes(ARMY_CSV);
    for (auto _ : state) {
        APTR krig = LoadChunk2Mem(ID_KRIG, POOL_IN);
        benchmark::DoNotOptimize(krig);
        FreeChunk(krig);
        if (WriteFileAtomic(ARMY_CSV, csv.data(), (ULONG)csv.size(), -1) < 0) state.SkipWithError("write");
    }
}
BENCHMARK(BM_ArmyCsv_Floor)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char **argv) { return RunBenchmarksQuietly(argc, argv); }
