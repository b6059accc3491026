// Costs on a screen's hot paths: loading a screen description of the size of
// the town's building slots (with a memcpy of the same bytes as the floor),
// one gadget check per mouse motion on a full screen of 40 gadgets, and one
// keystroke into a long multi-line text. Drawing is switched off, so the
// figures are the bookkeeping alone.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/screendat.h"

namespace {

void Be16(std::vector<UBYTE> &b, unsigned v)
{
    b.push_back((UBYTE)(v >> 8));
    b.push_back((UBYTE)v);
}

void Be32(std::vector<UBYTE> &b, ULONG v)
{
    for (int s = 24; s >= 0; s -= 8) b.push_back((UBYTE)(v >> s));
}

// 235 building slots, 40 gadgets, 10 rectangles: about 16 KB.
std::vector<UBYTE> TownSizedFile()
{
    const ULONG slots = 235, gadgets = 40, rects = 10;
    const ULONG tableEnd = 8 + 3 * 12;
    const ULONG slotAt = tableEnd, rectAt = slotAt + slots * 60, gadgetAt = rectAt + rects * 8;
    std::vector<UBYTE> f(32, 0);
    Be32(f, 0);
    Be32(f, 3);
    Be32(f, TAG_GEBAEUDE), Be32(f, slots), Be32(f, slotAt);
    Be32(f, TAG_RECHTECK), Be32(f, rects), Be32(f, rectAt);
    Be32(f, TAG_GADGETDATA), Be32(f, gadgets), Be32(f, gadgetAt);
    for (ULONG i = 0; i < slots * 30; ++i) Be16(f, i);
    for (ULONG i = 0; i < rects; ++i) Be16(f, 300), Be16(f, 300 + i), Be16(f, 340), Be16(f, 320 + i);
    for (ULONG i = 0; i < gadgets; ++i) {
        const unsigned x = (i % 8) * 70, y = (i / 8) * 40;
        Be16(f, 1), Be16(f, 2), Be16(f, 0), Be16(f, i % 4 == 0 ? 0x10 : 0);
        Be16(f, x), Be16(f, y), Be16(f, x + 60), Be16(f, y + 30);
        Be32(f, MakeGadgetID("GADG"));
        Be32(f, i % 4 == 0 ? rectAt + (i / 4) * 8 : 0);
    }
    return f;
}

void BM_ExternalDataParse(benchmark::State &state)
{
    const std::vector<UBYTE> file = TownSizedFile();
    for (auto _ : state) {
        ExtDataTable *t = ExternalDataParse(file.data(), (ULONG)file.size(), "bench");
        if (!t) state.SkipWithError("refused");
        benchmark::DoNotOptimize(t);
        ExternalDataUnload(t);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)file.size());
}
BENCHMARK(BM_ExternalDataParse);

void BM_MemcpyFloor(benchmark::State &state)
{
    const std::vector<UBYTE> file = TownSizedFile();
    std::vector<UBYTE> copy(file.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), file.data(), file.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)file.size());
}
BENCHMARK(BM_MemcpyFloor);

void BM_CheckGadgetsMotion(benchmark::State &state)
{
    const std::vector<UBYTE> file = TownSizedFile();
    ExtDataTable *t = ExternalDataParse(file.data(), (ULONG)file.size(), "bench");
    ScreenRegion r{};
    r.GadgetData = (GadgetData *)GetExternalDataPtr(t, TAG_GADGETDATA);
    r.CountGadgetData = GetExternalDataCount(t, TAG_GADGETDATA);
    r.GlobalGadget.Released = 1;
    GadgetPaint = {};
    LONG x = 0;
    for (auto _ : state) {
        MousePosition = {x, (x * 7) % 200};
        x = (x + 13) % 560;
        benchmark::DoNotOptimize(CheckGadgets(nullptr, &r, EVENT_MOVE));
    }
    ExternalDataUnload(t);
}
BENCHMARK(BM_CheckGadgetsMotion);

// One character typed in the middle of a 1,000-character, 10-line text and
// taken away again: two StringInput calls per iteration.
void BM_StringInputKeystroke(benchmark::State &state)
{
    TextEntryPaint = {};
    TextEntryPaint.CharWidth = [](UBYTE c) -> UWORD { return c == '\n' ? 0 : 6; };
    TextEntryPaint.FontHeight = [] { return (UWORD)10; };
    std::vector<char> text(1202, 0);
    std::vector<UBYTE> widths(1202, 0);
    for (int i = 0; i < 1000; ++i) {
        text[i] = (i % 100 == 99) ? '\n' : (char)('a' + i % 26);
        widths[i] = text[i] == '\n' ? 0 : 6;
    }
    VekCursorStruktur = {};
    SetNewCursor(10, 10, 10, 10, 10, 7, 2);
    KeyExtended = 0;
    StringInput(KEY_BACKSPACE, text.data(), widths.data(), &VekCursorStruktur, 1200, 600, 12);
    VekCursorStruktur.Pos_X = 450;
    for (auto _ : state) {
        StringInput('x', text.data(), widths.data(), &VekCursorStruktur, 1200, 600, 12);
        StringInput(KEY_BACKSPACE, text.data(), widths.data(), &VekCursorStruktur, 1200, 600, 12);
    }
    TextEntryPaint = {};
}
BENCHMARK(BM_StringInputKeystroke);

}  // namespace

BENCHMARK_MAIN();
