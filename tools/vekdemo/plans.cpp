// Where the gadgets and boxes of every screen description file lie, and which
// face picture each gadget shows. The screen files and the background
// pictures are both drawn from these plans, so a background outlines exactly
// the gadgets its file describes.
#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "kit.h"

namespace vekdemo {

namespace {

using namespace datakit;

constexpr int FACE_W = 56, FACE_H = 18;    // every labelled face
constexpr int ARROW = 16;                  // the arrow faces 123-126
constexpr int MARGIN = 8;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string CodeText(uint32_t code)
{
    std::string s(4, ' ');
    for (int i = 0; i < 4; ++i) s[i] = (char)(code >> (24 - 8 * i));
    return s;
}

// Lists, sliders, text and input fields: hidden areas the screen draws itself.
bool IsListGadget(const char *file, const std::string &c)
{
    for (const ListGadget &g : ListGadgets)
        if (std::string(g.file) == file && c == g.code) return true;
    return false;
}

bool IsArea(const std::string &c)
{
    static const std::set<std::string> named = {"INPU", "FIGU", "SLID", "SLMO", "REQU", "EING"};
    if (named.count(c)) return true;
    if (IsDigit(c[2]) && IsDigit(c[3])) {
        const std::string p = c.substr(0, 2);
        if (p == "SL" || p == "TX" || p == "TF" || p == "LS" || p == "SX" || p == "ST" || p == "IN" || p == "CH")
            return true;
    }
    if (c[0] == 'S' && IsDigit(c[1]) && IsDigit(c[2]) && IsDigit(c[3])) return true;
    const std::string p3 = c.substr(0, 3);
    return (p3 == "REQ" || p3 == "MAP" || p3 == "BOX" || p3 == "ROH") && IsDigit(c[3]);
}

// Scroll arrows: up 1, down 2, else 0.
int ArrowKind(const std::string &c)
{
    if (c == "UPG1" || c == "SLUP" || (c.compare(0, 2, "UP") == 0 && IsDigit(c[2]) && IsDigit(c[3])) ||
        (c[0] == 'U' && IsDigit(c[1]) && IsDigit(c[2]) && IsDigit(c[3])))
        return 1;
    if (c == "DOW1" || c == "SLDO" || (c.compare(0, 2, "DO") == 0 && IsDigit(c[2]) && IsDigit(c[3])) ||
        (c[0] == 'D' && IsDigit(c[1]) && IsDigit(c[2]) && IsDigit(c[3])))
        return 2;
    return 0;
}

// Faces the screens draw themselves: story page buttons and rune buttons.
bool FixedFace(const std::string &c, uint16_t &up, uint16_t &down, int &w, int &h)
{
    if (c.compare(0, 3, "GAD") == 0 && c[3] >= '1' && c[3] <= '6') {
        up = 294, down = 295, w = 40, h = 24;
        return true;
    }
    if (c.compare(0, 3, "RUN") == 0 && c[3] >= '1' && c[3] <= '8') {
        up = (uint16_t)(307 + 2 * (c[3] - '1')), down = (uint16_t)(up + 1), w = 48, h = 24;
        return true;
    }
    return false;
}

uint32_t TextId(size_t layoutIndex, int kind, size_t i)
{
    return (uint32_t)((37 + layoutIndex * 29 + (size_t)kind * 131 + i) % 1581);
}

Box PictureBox(const ScreenLayout &l)
{
    int w = 400, h = 300;
    if (const PicRange *r = l.picture ? PictureRange(l.picture) : nullptr) w = r->width, h = r->height;
    else if (l.originX == 0 && l.originY == 0) w = 800, h = 600;  // a layout for the high-colour display
    if (l.flags & LAYOUT_RELATIVE) return {0, 0, w, h};
    return {l.originX, l.originY, l.originX + w, l.originY + h};
}

// Puts n boxes of size w x h in rows inside band, left to right.
std::vector<Box> Flow(const Box &band, size_t n, int w, int h, int gap)
{
    std::vector<Box> out;
    const int perRow = std::max(1, (band.w() + gap) / (w + gap));
    for (size_t i = 0; i < n; ++i) {
        const int col = (int)(i % perRow), row = (int)(i / perRow);
        int x = band.x0 + col * (w + gap), y = band.y0 + row * (h + gap);
        if (y + h > band.y1) y = band.y1 - h - (int)(row % 3) * 2;  // a crowded band stacks its last rows
        out.push_back({x, y, x + w, y + h});
    }
    return out;
}

LayoutPlan PlanOne(size_t index, const ScreenLayout &l)
{
    LayoutPlan p;
    p.layout = &l;
    p.area = PictureBox(l);
    const size_t count = LayoutGadgetCount(l);
    if (count == 0 && (l.mask & (1u << KIND_SLOTS))) return p;  // the town slot template has only slots

    // Sort the gadgets into areas, arrows and faced buttons, keeping file order.
    std::vector<size_t> areas, arrows, buttons;
    const bool fullLast = l.flags & LAYOUT_FULL_AREA_LAST;
    p.gadgets.resize(count);
    for (size_t i = 0; i < count; ++i) {
        GadgetPlan &g = p.gadgets[i];
        g.code = LayoutGadgetCode(l, i);
        const std::string c = CodeText(g.code);
        g.label = i < l.numbered ? "#" + std::to_string(i) : c;
        g.flags = 0;
        if (fullLast && i + 1 == count) {
            g.hidden = true;
        } else if (i >= l.numbered && (IsArea(c) || IsListGadget(l.file, c))) {
            g.hidden = true;
            areas.push_back(i);
        } else if (i >= l.numbered && ArrowKind(c)) {
            arrows.push_back(i);
        } else {
            buttons.push_back(i);
        }
        if (g.hidden) g.flags |= 0x02;
    }

    const int heading = p.area.h() >= 400 ? 36 : 22;  // the picture's name stays clear
    const Box inner{p.area.x0 + MARGIN, p.area.y0 + MARGIN + heading, p.area.x1 - MARGIN, p.area.y1 - MARGIN};
    // Buttons fill rows from the bottom up.
    int faceW = FACE_W, faceH = FACE_H;
    const bool wide = (l.flags & LAYOUT_WIDE_LABELS) && !buttons.empty();
    // A wide label takes up to 16 characters of the label font (about 150 points).
    const int perRow = wide ? std::clamp((inner.w() + 4) / 160, 1, (int)buttons.size())
                            : std::max(1, (inner.w() + 4) / (faceW + 4));
    const int step = wide ? std::max(faceW + 4, (inner.w() + 4) / perRow) : faceW + 4;
    const int buttonRows = (int)((buttons.size() + perRow - 1) / perRow);
    Box buttonBand{inner.x0, inner.y1 - buttonRows * (faceH + 4) + 4, inner.x1, inner.y1};
    for (size_t k = 0; k < buttons.size(); ++k) {
        GadgetPlan &g = p.gadgets[buttons[k]];
        int w = faceW, h = faceH;
        uint16_t up, down;
        if (FixedFace(g.label, up, down, w, h)) g.up = up, g.down = down;
        const int col = (int)(k % perRow), row = (int)(k / perRow);
        const int x = buttonBand.x0 + col * step + (wide ? (step - 4 - w) / 2 : 0), y = buttonBand.y0 + row * (faceH + 4);
        g.box = {x, y, x + w, y + h};
    }
    // Areas share the upper part; arrows follow in a row beneath them.
    const int arrowRows = arrows.empty() ? 0 : 1;
    Box upper{inner.x0, inner.y0, inner.x1, std::max(inner.y0 + 24, buttonBand.y0 - 8 - arrowRows * (ARROW + 4))};
    Box records{upper.x0, upper.y0 + upper.h() / 2, upper.x1, upper.y1};
    if (!areas.empty()) {
        const int cols = (int)std::min<size_t>(areas.size(), 4);
        const int rows = (int)((areas.size() + cols - 1) / cols);
        const int cellW = std::max(24, (upper.w() + 6) / cols - 6);
        const int cellH = std::max(12, (upper.h() / 2 + 6) / rows - 6);
        for (size_t k = 0; k < areas.size(); ++k) {
            const int x = upper.x0 + (int)(k % cols) * (cellW + 6), y = upper.y0 + (int)(k / cols) * (cellH + 6);
            p.gadgets[areas[k]].box = {x, y, x + cellW, y + cellH};
        }
    } else {
        records.y0 = upper.y0;
    }
    const std::vector<Box> arrowBoxes =
        Flow({inner.x0, upper.y1 + 4, inner.x1, upper.y1 + 4 + ARROW}, arrows.size(), ARROW, ARROW, 4);
    for (size_t k = 0; k < arrows.size(); ++k) {
        GadgetPlan &g = p.gadgets[arrows[k]];
        const bool up = ArrowKind(g.label) == 1;
        g.up = up ? 123 : 125;
        g.down = up ? 124 : 126;
        g.flags |= 0x01;  // scroll arrows repeat while held
        g.box = arrowBoxes[k];
    }
    if (fullLast) p.gadgets.back().box = p.area;
    // A dialog's own drawing places its gadgets: they lie exactly over it,
    // and the records keep to the band above the topmost of them.
    int drawnTop = p.area.y1;
    for (const DialogArea &d : DialogAreas) {
        if (std::string(d.file) != l.file) continue;
        for (GadgetPlan &g : p.gadgets)
            if (CodeText(g.code) == d.code) g.box = {d.x, d.y, d.x + d.w, d.y + d.h};
        drawnTop = std::min(drawnTop, (int)d.y);
    }
    if (drawnTop < p.area.y1) records = {inner.x0, inner.y0, inner.x1, drawnTop - 4};
    for (const LayoutBox &b : LayoutBoxes)
        if (b.code && std::string(b.file) == l.file)
            for (GadgetPlan &g : p.gadgets)
                if (CodeText(g.code) == b.code) g.box = {b.x0, b.y0, b.x1, b.y1};
    for (const DialogArea &d : RecordAreas)
        if (std::string(d.file) == l.file)
            for (GadgetPlan &g : p.gadgets)
                if (CodeText(g.code) == d.code) g.box = {d.x, d.y, d.x + d.w, d.y + d.h};

    // Hover titles: one per visible gadget, then the record that ends the list.
    if (l.flags & LAYOUT_TITLE_AREA)
        p.titles.push_back({{records.x0, records.y0, records.x1, records.y1}, TextId(index, KIND_TITLEBAR, 99)});
    for (size_t i = 0; i < count; ++i)
        if (!p.gadgets[i].hidden) p.titles.push_back({p.gadgets[i].box, TextId(index, KIND_TITLEBAR, i)});
    while (p.titles.size() < std::max<size_t>(l.titles, 1)) p.titles.push_back({records, TextId(index, 0, 50 + p.titles.size())});
    p.titles.push_back({{inner.x0, p.area.y0 + 4, inner.x1, p.area.y0 + 20}, 0});

    // The other records, small boxes in the band between areas and buttons.
    struct Want {
        LayoutKind kind;
        size_t n;
        int w, h;
    } wants[] = {
        {KIND_LOCALETEXTBOX, l.locales, 64, 12},  {KIND_STRINGINPUTBOX, l.inputs, 96, 12},
        {KIND_STRINGINPUTINFO, l.inputInfos, 96, 12}, {KIND_STATUSBOX, l.statusBoxes, 48, 12},
        {KIND_TEXTDATA, l.texts, 64, 12},         {KIND_BUTTONDATA, l.buttons, 32, 16},
        {KIND_RECHTECK, l.rects, 40, 24},         {KIND_PUNKT, l.points, 4, 4},
    };
    for (const FixedBox &f : FixedBoxes)
        if (std::string(f.file) == l.file && f.code && std::string(f.code) == "BAND")
            records = {f.x0, f.y0, f.x1, f.y1};
    size_t total = 0;
    for (Want &w : wants) total += (w.n = std::max<size_t>(w.n, 1));
    const std::vector<Box> slots = Flow(records, total, 96, 16, 4);
    size_t next = 0;
    for (const Want &w : wants) {
        for (size_t i = 0; i < w.n; ++i, ++next) {
            RecordPlan r;
            r.box = {slots[next].x0, slots[next].y0, slots[next].x0 + w.w, slots[next].y0 + w.h};
            r.box.x1 = std::min(r.box.x1, p.area.x1 - 1);
            r.box.y1 = std::min(r.box.y1, p.area.y1 - 1);
            r.text = TextId(index, w.kind, i);
            switch (w.kind) {
            case KIND_STRINGINPUTBOX:
            case KIND_STRINGINPUTINFO: r.a = 20, r.b = (uint16_t)r.box.w(); break;
            case KIND_STATUSBOX: r.a = pen::White, r.b = pen::Readout; break;
            case KIND_BUTTONDATA: r.a = 0, r.b = (uint16_t)(i % 8); break;
            default: break;
            }
            p.kinds[w.kind].push_back(r);
        }
    }
    if (drawnTop < p.area.y1 && !p.kinds[KIND_RECHTECK].empty())
        p.kinds[KIND_RECHTECK][0].box = records;  // the heading, clear of what the dialog draws
    for (const LayoutRecordPlace &place : LayoutRecordPlaces) {
        if (std::string(place.file) != l.file || place.index >= p.kinds[place.kind].size()) continue;
        RecordPlan &r = p.kinds[place.kind][place.index];
        r.box = {place.x0, place.y0, place.x1, place.y1};
        if (place.text) r.text = place.text;
    }
    if (l.flags & LAYOUT_RECT0_SIZE) {
        RecordPlan &r = p.kinds[KIND_RECHTECK][0];
        r.box = {0, 0, 360, 200};
    }
    if ((l.flags & LAYOUT_POINT_GRID) && !areas.empty()) {
        p.gadgets[areas[0]].box = upper;
        const int cols = std::max(1, upper.w() / POINT_GRID_W);
        for (size_t i = 0; i < p.kinds[KIND_PUNKT].size(); ++i) {
            const int x = upper.x0 + (int)(i % cols) * POINT_GRID_W, y = upper.y0 + (int)(i / cols) * POINT_GRID_H;
            p.kinds[KIND_PUNKT][i].box = {x, y, x + 4, y + 4};
        }
    }
    for (const LayoutBox &b : LayoutBoxes)
        if (!b.code && std::string(b.file) == l.file && b.index < p.kinds[b.kind].size())
            p.kinds[b.kind][b.index].box = {b.x0, b.y0, b.x1, b.y1};
    // The god's name field takes a whole name of 79 characters.
    if (std::string(l.file) == "Goetter.dat")
        for (RecordPlan &r : p.kinds[KIND_STRINGINPUTINFO]) r.a = 79, r.b = (uint16_t)r.box.w();
    if (l.flags & LAYOUT_LASTPOINT_SIZE) {
        RecordPlan &r = p.kinds[KIND_PUNKT].back();
        r.box = {64, 64, 64, 64};
    }
    for (const FixedBox &f : FixedBoxes) {
        if (std::string(f.file) != l.file) continue;
        const Box box{f.x0, f.y0, f.x1, f.y1};
        if (!f.code) {
            if (f.index < p.kinds[f.kind].size()) p.kinds[f.kind][f.index].box = box;
        } else {
            for (GadgetPlan &g : p.gadgets)
                if (CodeText(g.code) == f.code) g.box = box;
        }
    }
    return p;
}

// The option pages: each switch's point with its (hidden) gadget over the
// face the page draws at point + (5, 5) and its label beside it, text fields
// with their gadgets over them, thin volume sliders, and the page buttons in
// one row at the bottom. Labels carry the pages' own texts.
void PlaceOptionPage(LayoutPlan &p)
{
    const std::string file = p.layout->file;
    const int page = file == "Optionen0.dat" ? 0 : file == "Optionen1.dat" ? 1 : file == "Optionen3.dat" ? 3 : -1;
    if (page < 0) return;
    std::vector<size_t> visibleBefore;
    for (size_t i = 0; i < p.gadgets.size(); ++i)
        if (!p.gadgets[i].hidden) visibleBefore.push_back(i);
    auto gadget = [&](const std::string &code) -> GadgetPlan * {
        for (GadgetPlan &g : p.gadgets)
            if (CodeText(g.code) == code) return &g;
        return nullptr;
    };
    auto record = [&](LayoutKind kind, size_t i, Box box, uint32_t text = 0) {
        std::vector<RecordPlan> &v = p.kinds[kind];
        if (v.size() <= i) v.resize(i + 1);
        v[i].box = box;
        if (text) v[i].text = text;
        if (kind == KIND_STRINGINPUTBOX) v[i].a = 39, v[i].b = (uint16_t)(box.w() - 4);
        if (kind == KIND_BUTTONDATA) v[i].a = 0, v[i].b = (uint16_t)(i % 8);
    };
    auto label = [&](size_t i, int x, int y, uint32_t text) { record(KIND_TEXTDATA, i, {x, y, x + 64, y + 12}, text); };
    auto sw = [&](size_t point, const std::string &code, int x, int y) {
        record(KIND_BUTTONDATA, point, {x, y, x + 42, y + 26});
        if (GadgetPlan *g = gadget(code)) {
            g->box = {x + 5, y + 5, x + 37, y + 21};
            g->hidden = true;
            g->flags |= 0x02;
        }
    };
    auto field = [&](size_t i, const std::string &code, int x, int y, int w) {
        const Box b{x, y, x + w, y + 16};
        record(KIND_STRINGINPUTBOX, i, b);
        if (GadgetPlan *g = code.empty() ? nullptr : gadget(code)) g->box = b;
    };
    const int x0 = p.area.x0, y0 = p.area.y0;
    if (page == 0) {
        // Switches with the sound texts on the left; fields, sliders, version
        // and id on the right.
        const uint32_t swLabels[8] = {158, 276, 277, 278, 279, 316, 317, 318};
        for (size_t b = 0; b < 8; ++b) {
            const int x = x0 + 24, y = y0 + 56 + (int)b * 30;
            sw(b, "BU0" + std::to_string(b), x, y);
            label(b, x + 48, y + 9, swLabels[b]);
        }
        const int fx = x0 + 400, lx = x0 + 280;
        const int fy[5] = {60, 90, 120, 330, 360};
        for (size_t i = 0; i < 5; ++i) field(i, i == 1 ? "ST01" : "", fx, y0 + fy[i], i == 0 || i >= 3 ? 180 : 60);
        // Labels 10 and 12 are the AHI mode's, which the page does not print.
        const uint32_t texts[5] = {319, 321, 323, 322, 323};
        const int ty[5] = {fy[0], fy[1], fy[1], fy[2], fy[2]};
        for (size_t i = 0; i < 5; ++i) label(8 + i, lx, y0 + ty[i] + 3, texts[i]);
        if (GadgetPlan *g = gadget("SL00")) g->box = {fx, y0 + 180, fx + 180, y0 + 198};
        if (GadgetPlan *g = gadget("SL01")) g->box = {fx, y0 + 240, fx + 180, y0 + 258};
        label(13, lx, y0 + 183, 317);
        label(14, lx, y0 + 243, 318);
        label(15, lx, y0 + fy[3] + 3, 324);
        label(16, lx, y0 + fy[4] + 3, 1138);
        p.kinds[KIND_TEXTDATA].resize(17);
    } else if (page == 1) {
        // Account fields on the left; stack, transport and chat switches on the right.
        const uint32_t fieldLabels[7] = {435, 436, 439, 440, 441, 452, 436};
        for (size_t i = 0; i < 7; ++i) {
            const int y = y0 + 56 + (int)i * 30;
            field(i, "ST1" + std::to_string(i), x0 + 150, y, 180);
            label(i, x0 + 20, y + 3, fieldLabels[i]);
        }
        const char *codes[8] = {"BU10", "BU11", "BU12", "BU13", "BU14", "BU18", "BU19", "IRCP"};
        const uint32_t swLabels[8] = {443, 444, 445, 446, 447, 449, 450, 451};
        for (size_t b = 0; b < 8; ++b) {
            const int y = y0 + 60 + (int)b * 30 + (b >= 5 ? 24 : 0);
            sw(b, codes[b], x0 + 370, y);
            label(7 + b, x0 + 418, y + 9, swLabels[b]);
        }
        label(15, x0 + 370, y0 + 44, 442);
        label(16, x0 + 370, y0 + 66 + 5 * 30, 448);
        p.kinds[KIND_TEXTDATA].resize(17);
    } else {
        sw(0, "CURS", x0 + 60, y0 + 80);
        label(0, x0 + 108, y0 + 89, 806);
        p.kinds[KIND_TEXTDATA].resize(1);
    }
    // The page buttons in one row at the bottom.
    int k = 0;
    for (const char *code : {"INFO", "PREV", "NEXT", "OKOK", "EXIT"}) {
        if (GadgetPlan *g = gadget(code)) {
            const int x = x0 + 40 + k++ * (FACE_W + 24), y = p.area.y1 - MARGIN - FACE_H;
            g->box = {x, y, x + FACE_W, y + FACE_H};
        }
    }
    // Hover titles follow their gadgets; those of gadgets now hidden go.
    std::vector<TitlePlan> titles;
    for (size_t j = 0; j < p.titles.size(); ++j) {
        if (j < visibleBefore.size()) {
            const GadgetPlan &g = p.gadgets[visibleBefore[j]];
            if (g.hidden) continue;
            TitlePlan t = p.titles[j];
            t.box = g.box;
            titles.push_back(t);
        } else {
            titles.push_back(p.titles[j]);
        }
    }
    p.titles = titles;
}

Plans BuildPlans()
{
    Plans plans;
    for (size_t i = 0; i < SCREEN_LAYOUT_COUNT; ++i) {
        plans.layouts.push_back(PlanOne(i, ScreenLayouts[i]));
        PlaceOptionPage(plans.layouts.back());
        PlaceMapScreen(plans.layouts.back());
    }

    // Faces from the pool: first the pair every hidden gadget points at, then
    // one pair per label, in label order.
    std::vector<uint16_t> pool;
    for (uint16_t n = 1; n <= PICTURE_COUNT; ++n)
        if (PictureRole(n) == PicRole::Face) pool.push_back(n);
    std::set<std::string> labels;
    for (const LayoutPlan &p : plans.layouts)
        for (const GadgetPlan &g : p.gadgets)
            if (!g.hidden && g.up == 0) labels.insert(g.label);
    using Pair = std::pair<uint16_t, uint16_t>;
    std::map<std::string, Pair> faceOf;
    size_t next = 0;
    auto take = [&](const std::string &label, int w, int h) {
        if (next + 2 > pool.size()) {
            std::fprintf(stderr, "vekdemo: the face pool holds %zu pictures, too few\n", pool.size());
            return Pair{0, 0};
        }
        plans.faces.push_back({pool[next], w, h, label, false});
        plans.faces.push_back({pool[next + 1], w, h, label, true});
        next += 2;
        return Pair{pool[next - 2], pool[next - 1]};
    };
    const Pair areaFace = take("", FACE_W, FACE_H);
    for (const std::string &label : labels) faceOf[label] = take(label, FACE_W, FACE_H);
    for (LayoutPlan &p : plans.layouts)
        for (GadgetPlan &g : p.gadgets) {
            if (g.up != 0) continue;
            const Pair f = g.hidden ? areaFace : faceOf[g.label];
            g.up = f.first;
            g.down = f.second;
        }
    return plans;
}

}  // namespace

const Plans &GetPlans()
{
    static const Plans plans = BuildPlans();
    return plans;
}

const FaceSpec *FindFace(uint16_t n)
{
    for (const FaceSpec &f : GetPlans().faces)
        if (f.number == n) return &f;
    return nullptr;
}

}  // namespace vekdemo
