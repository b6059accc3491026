// Where the map screen's gadgets and boxes lie. The screen draws most of what
// the player clicks itself, at fixed places: the panels, buttons and lamps of
// the high-colour frame, the 8-bit side panel's position display and lamps,
// the minimap's blobs, the figure list and the workers requester's values.
// Each gadget here lies over what is drawn for it, no two overlap, the scroll
// bands lie on the frame round the view, and every box is large enough for
// its text. Gadgets of the other 8-bit panel lie beyond the display. The
// pictures under the gadgets outline them with their names; the gadgets
// themselves show no face.
#include <map>
#include <string>

#include "kit.h"

namespace vekdemo {

namespace {

using namespace datakit;

// Beyond the display: a gadget of the panel that is not on show.
constexpr Box kJenseits{700, 0, 710, 10};

struct KartenPlan {
    std::map<std::string, Box> gadgets;  // every gadget of the file, by code
    std::vector<Box> rects, locales, inputInfos;
    uint32_t localeText = 0;             // the text of the locale boxes
};

Box Um(const Box &b, int dx, int dy) { return {b.x0 + dx, b.y0 + dy, b.x1 + dx, b.y1 + dy}; }

// 1024 x 768 above 8 bits: the control panel (picture 1143 at (3, 385 from
// the bottom)) with its six buttons and the scroll arrows; the info strip
// (1167) with the info box; the figure list on the right under the group
// buttons of the top bar (1615); the minimap in the control panel.
KartenPlan Hochfarbe()
{
    KartenPlan k;
    const Box minimap{92, 388, 220, 516};
    const Box infobox{232, 528, 596, 620}, infoRegler{600, 544, 614, 604};
    const Box liste{816, 40, 986, 440}, listenRegler{990, 56, 1004, 424};
    k.gadgets = {
        {"MAP1", minimap},
        {"UPGO", {73, 611, 121, 633}},
        {"DOWN", {73, 745, 121, 767}},
        {"LEFT", {0, 682, 48, 704}},
        {"RIGH", {132, 682, 180, 704}},
        {"UPG1", {600, 528, 614, 540}},
        {"DOW1", {600, 608, 614, 620}},
        {"SL01", infoRegler},
        {"SLUP", {990, 40, 1004, 52}},
        {"SLDO", {990, 428, 1004, 440}},
        {"SLMO", listenRegler},
        {"FIGU", liste},
        // The six buttons of the control panel, in the order their pictures
        // 1168, 1174, 1172, 1170, 1176, 1178 stand.
        {"GREN", {10, 386, 70, 422}},
        {"ROHS", {10, 427, 70, 463}},
        {"SYMB", {10, 468, 70, 504}},
        {"INFO", {10, 509, 70, 545}},
        {"FORW", {10, 550, 70, 586}},
        {"EXIT", {10, 591, 70, 627}},
        {"MAP0", {0, 0, 1024, 768}},
    };
    for (int i = 0; i < 5; ++i) k.gadgets["BUT" + std::to_string(i + 1)] = {770 + 48 * i, 6, 814 + 48 * i, 26};
    // Rectangles: info box, its slider, the top, bottom and side bands (x
    // from, x to, y from, y to; the sides x from and to of each), minimap,
    // figure list, its slider. The bands keep off the panels.
    k.rects = {infobox,         infoRegler, {0, 768, 0, 16}, {224, 860, 752, 768}, {0, 10, 1008, 1024},
               {92, 388, 219, 515}, liste,  listenRegler};
    k.locales = {{8, 1, 248, 15}};
    k.localeText = 29;
    return k;
}

// 640 x 480 at 8 bits: the view fills (16, 16) - (496, 464) of picture 3,
// the side panel beside it holds the position display (drawn at y 37 - 51),
// the info box, the scroll arrows, the three switches with their lamps
// (pictures 143 and 145 at x 515, y 315, 345, 375) and the buttons.
KartenPlan AchtBitHaupt()
{
    KartenPlan k;
    const Box infobox{504, 58, 612, 198};
    k.gadgets = {
        {"MAP1", {518, 37, 621, 52}},  // the position display
        {"UPGO", {540, 206, 596, 224}},
        {"LEFT", {504, 228, 560, 246}},
        {"RIGH", {576, 228, 632, 246}},
        {"DOWN", {540, 250, 596, 268}},
        {"UPG1", {616, 58, 632, 72}},
        {"DOW1", {616, 184, 632, 198}},
        {"SL01", {616, 76, 632, 180}},
        {"ROHS", {510, 310, 634, 338}},
        {"SYMB", {510, 340, 634, 368}},
        {"GREN", {510, 370, 634, 398}},
        {"INFO", {504, 408, 560, 426}},
        {"EXIT", {576, 408, 632, 426}},
        {"FORW", {500, 440, 636, 458}},
        {"MAP0", {0, 0, 640, 480}},
    };
    int n = 0;
    for (const char *c : {"SLUP", "SLDO", "SLMO", "FIGU", "BUT1", "BUT2", "BUT3", "BUT4", "BUT5"})
        k.gadgets[c] = Um(kJenseits, 12 * n++, 0);
    k.rects = {infobox, {496, 0, 640, 480}, {16, 496, 0, 16}, {16, 496, 464, 480}, {0, 16, 495, 503},
               kJenseits, kJenseits, kJenseits};
    k.locales = {{500, 14, 636, 34}};
    k.localeText = 42;  // "country": the panel's heading in its large font
    return k;
}

// The 8-bit figure panel (picture 865 over the side panel): the minimap at
// the top where its blobs are drawn, the group buttons, the list with its
// slider and the button back.
KartenPlan AchtBitFiguren()
{
    KartenPlan k;
    const Box liste{500, 202, 618, 430}, regler{622, 218, 636, 414};
    k.gadgets = {
        {"FORW", {500, 440, 636, 458}},
        {"FIGU", liste},
        {"UPG1", kJenseits},
        {"DOW1", Um(kJenseits, 12, 0)},
        {"SL01", Um(kJenseits, 24, 0)},
        {"SLUP", {622, 202, 636, 214}},
        {"SLDO", {622, 418, 636, 430}},
        {"SLMO", regler},
    };
    for (int i = 0; i < 5; ++i)
        k.gadgets["BUT" + std::to_string(i + 1)] = {498 + 47 * (i % 3), 152 + 24 * (i / 3), 542 + 47 * (i % 3),
                                                   172 + 24 * (i / 3)};
    k.rects = {liste, regler, {508, 14, 634, 144}};
    return k;
}

// The workers requester: picture 1041 (400 x 300) at x, y. Labels and values
// are printed into the picture (its own coordinates); the input fields, the
// lamp, the graph and the gadgets are on the display.
KartenPlan Arbeiter(int x, int y)
{
    KartenPlan k;
    const Box ernte{202, 54, 268, 68}, holz{202, 122, 268, 136}, stein{202, 190, 268, 204};
    k.gadgets = {
        {"AUTO", Um({276, 196, 392, 218}, x, y)},
        {"BOX1", Um(ernte, x, y)},
        {"BOX2", Um(holz, x, y)},
        {"BOX3", Um(stein, x, y)},
        {"INFO", Um({278, 268, 334, 286}, x, y)},
        {"EXIT", Um({336, 268, 392, 286}, x, y)},
    };
    k.rects.resize(34);
    k.rects[0] = {x, y, 400, 300};        // place, then width and height
    k.rects[1] = {10, 6, 390, 28};        // the title
    k.rects[2] = {10, 34, 198, 48};       // free workers
    k.rects[16] = {202, 34, 268, 48};
    // Harvest, wood and stone: a label with the workers set, then actual,
    // highest and increase with their values.
    const int oben[3] = {54, 122, 190};
    const int label[3] = {3, 8, 12}, zeilen[3] = {4, 9, 13}, werte[3] = {17, 21, 25};
    for (int s = 0; s < 3; ++s) {
        const int y0 = oben[s];
        k.rects[label[s]] = {10, y0, 198, y0 + 14};
        k.rects[werte[s]] = {202, y0, 268, y0 + 14};
        for (int i = 0; i < 3; ++i) {
            const int yi = y0 + 16 * (i + 1);
            k.rects[zeilen[s] + i] = {22, yi, 198, yi + 14};
            k.rects[werte[s] + 1 + i] = {202, yi, 268, yi + 14};
        }
    }
    k.rects[7] = {302, 200, 392, 216};    // "automatic", beside its lamp
    k.rects[29] = Um({278, 198, 278, 198}, x, y);
    k.rects[30] = Um(ernte, x, y);
    k.rects[31] = Um(holz, x, y);
    k.rects[32] = Um(stein, x, y);
    // The graph: left x and base line on the display, then height and step.
    k.rects[33] = {x + 282, y + 186, 140, 12};
    for (const Box &b : {ernte, holz, stein}) k.inputInfos.push_back(Um({b.x0 + 2, b.y0, b.x1 - 2, b.y1}, x, y));
    return k;
}

bool Plan(const std::string &file, KartenPlan *k)
{
    if (file == "Karte1024.dat") *k = Hochfarbe();
    else if (file == "Karte.dat") *k = AchtBitHaupt();
    else if (file == "KarteMenu2.dat") *k = AchtBitFiguren();
    else if (file == "KarteArbeiterReq.dat") *k = Arbeiter(120, 90);
    else if (file == "KarteArbeiterReq1024.dat") *k = Arbeiter(312, 234);
    else return false;
    return true;
}

std::string Code(uint32_t code)
{
    std::string s(4, ' ');
    for (int i = 0; i < 4; ++i) s[i] = (char)(code >> (24 - 8 * i));
    return s;
}

}  // namespace

void PlaceMapScreen(LayoutPlan &p)
{
    KartenPlan k;
    if (!p.layout || !Plan(p.layout->file, &k)) return;
    for (GadgetPlan &g : p.gadgets) {
        const std::string c = Code(g.code);
        auto it = k.gadgets.find(c);
        if (it == k.gadgets.end()) continue;
        g.box = it->second;
        // The screen draws what lies under each gadget itself.
        g.hidden = true;
        g.flags |= 0x02;
    }
    // Records the screen does not read lie beyond the display.
    for (int kind = 0; kind < KIND_COUNT; ++kind)
        for (size_t i = 0; i < p.kinds[kind].size(); ++i) {
            RecordPlan &r = p.kinds[kind][i];
            const std::vector<Box> *eigene = kind == KIND_RECHTECK          ? &k.rects
                                             : kind == KIND_LOCALETEXTBOX   ? &k.locales
                                             : kind == KIND_STRINGINPUTINFO ? &k.inputInfos
                                                                            : nullptr;
            if (eigene && i < eigene->size()) {
                r.box = (*eigene)[i];
                if (kind == KIND_LOCALETEXTBOX) r.text = k.localeText;
                if (kind == KIND_STRINGINPUTINFO) r.b = (uint16_t)r.box.w();
            } else {
                r.box = Um(kJenseits, 0, 12 * (int)i);
            }
        }
    for (TitlePlan &t : p.titles)
        if (t.title) t.box = kJenseits;
}

}  // namespace vekdemo

namespace vekdemo {

namespace {

// Where the high-colour screen draws its panels on a 1024 x 768 display.
struct Panel {
    uint16_t n;
    int x, y;
};
constexpr Panel kPanels[] = {{1143, 3, 383}, {1167, 224, 521}, {1615, 768, 0}, {1150, 860, 590}};

const Panel *PanelOf(uint16_t picture)
{
    for (const Panel &p : kPanels)
        if (p.n == picture) return &p;
    return nullptr;
}

}  // namespace

bool IsMapPanel(uint16_t picture) { return PanelOf(picture) != nullptr; }

void OutlineMapPanel(Canvas &c, uint16_t picture)
{
    const Panel *panel = PanelOf(picture);
    if (!panel) return;
    for (const LayoutPlan &p : GetPlans().layouts) {
        if (std::string(p.layout->file) != "Karte1024.dat") continue;
        auto zeichne = [&](const Box &b, const std::string &label) {
            const int x = b.x0 - panel->x, y = b.y0 - panel->y;
            if (x + b.w() <= 0 || y + b.h() <= 0 || x >= c.w || y >= c.h) return;
            c.Frame(x - 1, y - 1, b.w() + 2, b.h() + 2, pen::Area);
            if (!label.empty() && TextWidth(label, 1) + 4 <= b.w() && b.h() >= GLYPH_ROWS + 4)
                DrawText(c, x + 2, y + 2, label, 1, pen::Area);
        };
        for (size_t i = 0; i + 1 < p.gadgets.size(); ++i) zeichne(p.gadgets[i].box, p.gadgets[i].label);
        for (size_t i : {0u, 1u, 5u, 6u, 7u})
            if (i < p.kinds[KIND_RECHTECK].size()) zeichne(p.kinds[KIND_RECHTECK][i].box, "");
    }
}

}  // namespace vekdemo
