#include "common/gfxfixture.h"

#include <filesystem>

#include "gfx/graphics.h"
#include "gfx/palette.h"

namespace vektest {

namespace {

void PutBE32(Bytes &b, size_t at, ULONG v)
{
    b[at] = (UBYTE)(v >> 24);
    b[at + 1] = (UBYTE)(v >> 16);
    b[at + 2] = (UBYTE)(v >> 8);
    b[at + 3] = (UBYTE)v;
}

FadeRecorder *active = nullptr;

void RecordPush(const SDL_Color *p)
{
    active->events.push_back({'p', 0, std::vector<SDL_Color>(p, p + 256), 0, 0, 0, 0});
}

void RecordDelay(ULONG ticks) { active->events.push_back({'d', ticks, {}, 0, 0, 0, 0}); }

void RecordUpdate(LONG x, LONG y, LONG w, LONG h) { active->events.push_back({'u', 0, {}, x, y, w, h}); }

void (*oldRecorder)(LONG, LONG, LONG, LONG) = nullptr;

}  // namespace

Bytes BuildGfxIndex(ULONG count, const std::vector<GfxRecord> &records, bool unterminated)
{
    ULONG highest = count;
    for (const GfxRecord &r : records) highest = r.n > highest ? r.n : highest;
    Bytes b(36 * ((size_t)highest + 1), 0);
    PutBE32(b, 32, count);
    auto addText = [&](const std::string &text) -> ULONG {
        const ULONG offset = (ULONG)(b.size() - 32);
        b.insert(b.end(), text.begin(), text.end());
        b.push_back(0);
        return offset;
    };
    for (const GfxRecord &r : records) {
        const size_t at = 36 * (size_t)r.n;
        const ULONG picSize = r.picSize ? r.picSize : r.w * r.h * (r.depth / 8);
        const ULONG picOff = r.picOffset >= 0 ? (ULONG)r.picOffset : addText(r.pic);
        const ULONG cmapOff = r.cmapOffset >= 0 ? (ULONG)r.cmapOffset : addText(r.cmap);
        const ULONG fields[9] = {r.number >= 0 ? (ULONG)r.number : r.n, r.w, r.h, r.depth, r.flags, picOff,
                                 picSize, cmapOff, r.cmapSize};
        for (int i = 0; i < 9; i++) PutBE32(b, at + 4 * (size_t)i, fields[i]);
    }
    if (unterminated && !b.empty() && b.back() == 0) b.pop_back();
    return b;
}

void WriteFile(const std::string &path, const Bytes &data)
{
    const std::filesystem::path p(path);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
    WriteBytes(path, data);
}

void WriteGfxIndex(const std::string &path, ULONG count, const std::vector<GfxRecord> &records)
{
    WriteFile(path, BuildGfxIndex(count, records));
}

Bytes PatternPicture(ULONG w, ULONG h, int seed)
{
    Bytes b((size_t)w * h);
    for (ULONG y = 0; y < h; y++)
        for (ULONG x = 0; x < w; x++) b[(size_t)y * w + x] = (UBYTE)((x * 7 + y * 13 + (ULONG)seed) % 256);
    return b;
}

Bytes PatternRgb(ULONG w, ULONG h, int seed)
{
    Bytes b((size_t)w * h * 3);
    for (ULONG i = 0; i < w * h; i++) {
        const bool black = i % 5 == 0;
        b[3 * i] = black ? 0 : (UBYTE)(i * 3 + (ULONG)seed);
        b[3 * i + 1] = black ? 0 : (UBYTE)(i * 5 + 40);
        b[3 * i + 2] = black ? 0 : (UBYTE)(255 - i);
    }
    return b;
}

Bytes PatternColourMap(int seed)
{
    Bytes b(768, 0);
    for (int i = 1; i < 256; i++) {
        b[3 * i] = (UBYTE)(i + seed);
        b[3 * i + 1] = (UBYTE)(255 - i);
        b[3 * i + 2] = (UBYTE)(i * 7);
    }
    return b;
}

std::vector<SDL_Color> ColourMapColours(const Bytes &cmap)
{
    std::vector<SDL_Color> c(256);
    for (int i = 0; i < 256; i++) c[i] = {cmap[3 * i], cmap[3 * i + 1], cmap[3 * i + 2], 0};
    return c;
}

TestPicture WriteTestPicture(ULONG n, ULONG count, int seed, ULONG w, ULONG h)
{
    TestPicture t{n, PatternPicture(w, h, seed), PatternColourMap(seed)};
    const std::string name = "Pics/Full" + std::to_string(n);
    WriteGfxIndex("Data/Path", count,
                  {{.n = n, .w = w, .h = h, .pic = "Vek:" + name + ".iff", .cmap = "Vek:" + name + ".pal"}});
    WriteFile(name + ".chk", t.pixels);
    WriteFile(name + ".cma", t.cmap);
    return t;
}

FadeRecorder::FadeRecorder()
{
    active = this;
    PalettePushHook = RecordPush;
    FadeDelayHook = RecordDelay;
    oldRecorder = UpdateRectangleRecorder;
    UpdateRectangleRecorder = RecordUpdate;
}

FadeRecorder::~FadeRecorder()
{
    PalettePushHook = nullptr;
    FadeDelayHook = nullptr;
    UpdateRectangleRecorder = oldRecorder;
    active = nullptr;
}

std::vector<FadeRecorder::Event> FadeRecorder::Of(char kind) const
{
    std::vector<Event> out;
    for (const Event &e : events)
        if (e.kind == kind) out.push_back(e);
    return out;
}

}  // namespace vektest
