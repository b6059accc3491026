// The graphics index ./Data/Path with one picture and a colour map behind
// every number 1 to 1615, the story index ./Data/RoredIdezPath, and a few
// 24-bit variants. The art is procedural: every picture shows what it is for.
#include <algorithm>
#include <cstdio>
#include <map>

#include "kit.h"
#include "map/mapview.h"
#include "platform/gamevalues.h"

namespace vekdemo {

namespace {

using namespace datakit;

// The terrain picture of each hex graphic by season in sight and out of
// sight, as the map draws them.
uint16_t TerrainPicture(int art, int column) { return KartenElemente[art][column]; }

// Terrain class of a hex graphic: 1 crest ... 10 water, 11 town.
int TerrainClass(int art)
{
    if (art == 9) return 1;
    if (art == 5 || art == 54 || art == 55) return 2;
    if (art == 10 || art == 11 || art == 27 || art == 52 || art == 56 || art == 57) return 3;
    if (art == 6 || art == 91) return 4;
    if (art >= 17 && art <= 22) return 5;
    if (art == 8 || art == 30) return 6;
    if (art == 4 || art == 12 || art == 13 || (art >= 35 && art <= 51) || art == 53) return 7;
    if (art >= 14 && art <= 16) return 8;
    if ((art >= 24 && art <= 26) || (art >= 58 && art <= 86)) return 9;
    if (art == 23 || art == 28 || art == 29) return 10;
    if (art == 1 || art == 2 || art == 3 || art == 7 || (art >= 31 && art <= 34) || (art >= 87 && art <= 90)) return 11;
    return 0;
}

struct HexUse {
    int art = 0, column = 0;
};

const std::map<uint16_t, HexUse> &HexUses()
{
    static const std::map<uint16_t, HexUse> uses = [] {
        std::map<uint16_t, HexUse> m;
        for (int art = 1; art <= 99; ++art)
            for (int col = 0; col < 8; ++col) m.emplace(TerrainPicture(art, col), HexUse{art, col});
        return m;
    }();
    return uses;
}

bool InsideHex(int x, int y)
{
    // Flat-topped hex of 64 x 56: corners (16,0) (48,0) (64,28) (48,56) (16,56) (0,28).
    const int dy = y < 28 ? 28 - y : y - 27;
    const int left = 16 * dy / 28;
    return y >= 0 && y < HEX_HEIGHT && x >= left && x < HEX_WIDTH - left;
}

std::string Stem(const char *name)
{
    std::string s;
    for (const char *p = name; *p; ++p) s += *p == ' ' ? '_' : *p;
    return s;
}

std::string Num(unsigned n, int width = 4)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*u", width, n);
    return buf;
}

// Ware name of a picture number, from the last column of the goods table.
std::string WareName(uint16_t n, int &type)
{
    static const char *const names[WAREN_TYPES] = {
        "Korn", "Tiere", "Pflanzen", "Mineralien", "Soldaten", "Soldaten", "Soldaten", "Ballista klein",
        "Ballista gro\xDF", "Katapult", "Helm", "Lederr\xFCstung", "Lederwams", "Kettenhemd", "Kettenpanzer",
        "Schuppenpanzer", "Plattenpanzer", "Tarke", "Holzschild", "Kampfschild", "Kriegsschild", "Dolch", "Handaxt",
        "Kurzschwert", "Breitschwert", "Bastardschwert", "Langschwert", "Claymore", "Kriegsaxt", "Kriegshammer",
        "Morgenstern klein", "Morgenstern gro\xDF", "Saebel", "Streitaxt", "Streithammer", "Streitkolben",
        "Hellebarde", "Lanze klein", "Lanze mittel", "Lanze gro\xDF", "Kriegssense", "Speer", "Armbrust leicht",
        "Armbrust schwer", "Kurzbogen", "Langbogen", "Kompositbogen", "Wurfschleuder", "Wurfdolch", "Wurfspeer",
        "Handelsschiff klein", "Handelsschiff mittel", "Handelsschiff gro\xDF", "Kriegsschiff klein",
        "Kriegsschiff mittel", "Kriegsschiff gro\xDF", "Kraut 1", "Kraut 2", "Kraut 3", "Kraut 4", "Kraut 5",
        "Kraut 6", "Kraut 7", "Kraut 8", "Kraut 9", "Kraut 10", "Kraut 11", "Kraut 12", "Kraut 13", "Kraut 14",
        "Kraut 15", "Kraut 16", "Kraut 17", "Kraut 18", "Armeeschwert", "Nordschwert", "Barbarenschwert",
        "Zweihaender", "Dreizack", "Ro\xDFschinder", "Ringpanzer", "Kriegskatapult", "Balsam", "Bernstein",
        "Brokat", "Edelsteine", "Elfenbein", "Gewuerze", "Marmor", "Myrrhe", "Oel", "Pergament", "Pelze",
        "Schmuck", "Seide", "Teppiche", "Weihrauch", "Zucker", "Holz", "Stein", "Alberich", "Arbanor",
        "Drachenaxt", "Elfenhelm", "Elfenschild", "Elfenschwert", "Froschhelm", "Gotteshand", "Kriegshelm",
        "Ritterhelm", "Ritterruestung", "Skarshelm", "Turnierhelm", "Zwergenhelm", "Zwergenpanzer",
        "Zwergenschwert",
    };
    for (int t = 0; t < WAREN_TYPES; ++t)
        if (WarenWerte[t][WW_BILD] == n) {
            type = t;
            return names[t];
        }
    type = -1;
    return "Ware " + std::to_string(n);
}

// One picture to write: its record fields and how to draw it.
struct PicturePlan {
    uint16_t n = 0;
    PicRole role = PicRole::Spare;
    int w = 32, h = 16, frames = 1;
    uint32_t flags = 0;
    std::string path;   // "Vek:..." as stored in the index (Latin-1)
    std::string cmap = "Vek:Pics/Kavoria.iff";
    std::string label;
};

PicturePlan PlanPicture(uint16_t n)
{
    PicturePlan p;
    p.n = n;
    const PicRange *r = PictureRange(n);
    if (!r) {
        p.path = "Vek:Bobs/Frei/Bild_" + Num(n) + ".iff";
        p.label = Num(n);
        return p;
    }
    p.role = r->role;
    p.w = r->width;
    p.h = r->height;
    p.frames = r->frames;
    p.flags = r->flags;
    p.label = r->name;
    const bool many = r->first != r->last;
    const std::string stem = Stem(r->name) + (many ? "_" + Num(n) : "");
    switch (r->role) {
    case PicRole::Screen:
        // The title shows the upper-case form of a name: "RAWB" pictures are stored as .CHK.
        p.path = n == 1 ? "Vek:Pics/Titel.RAWB.iff" : "Vek:Pics/" + stem + ".iff";
        if (many) p.label += " " + std::to_string(n - r->first + (n >= 745 ? 2 : 1));
        break;
    case PicRole::Backdrop: p.path = "Vek:Pics/" + Stem(r->name) + ".iff"; break;  // a shared file per kind
    case PicRole::Dialog: p.path = "Vek:Pics/Dialoge/" + stem + ".iff"; break;
    case PicRole::Picture: p.path = "Vek:Bobs/Bilder/" + Stem(r->name) + "_" + Num(n) + ".iff"; break;
    case PicRole::Button: p.path = "Vek:Bobs/Knoepfe/" + Stem(r->name) + "_" + Num(n) + ".iff"; break;
    case PicRole::Face: {
        const FaceSpec *f = FindFace(n);
        p.w = f ? f->w : 32;
        p.h = f ? f->h : 16;
        p.label = f ? f->label : Num(n);
        p.path = "Vek:Bobs/Gadgets/Knopf_" + Num(n) + ".iff";
        break;
    }
    case PicRole::Hex:
        // One path spells the directory with a doubled slash, as old index files do.
        p.path = n == 12 ? "Vek:Bobs//Karte/Hex_0012.iff" : "Vek:Bobs/Karte/Hex_" + Num(n) + ".iff";
        p.label = Num(n);
        break;
    case PicRole::Figure:
        p.path = "Vek:Bobs/Figuren/Figur_" + Num(n) + ".iff";
        p.label = Num(n);
        break;
    case PicRole::Walk: {
        // The six walking strips of a kind share one file.
        uint16_t base = n;
        while (PictureRole((uint16_t)(base - 1)) == PicRole::Walk) --base;
        p.path = "Vek:Bobs/Figuren/Figur_" + Num(base - 1) + "_Lauf.iff";
        p.label = Num(base - 1);
        break;
    }
    case PicRole::Ambient:
        // The motion effect's 24-frame objects share one strip.
        p.path = "Vek:Bobs/Objekte/Objekt_" + (p.frames == 24 ? std::string("24") : Num(n)) + ".iff";
        p.label = p.frames == 24 ? std::string("Obj") : Num(n);
        break;
    case PicRole::Ware: {
        int type;
        p.label = WareName(n, type);
        p.path = "Vek:Bobs/Waren/" + Stem(p.label.c_str()) + ".iff";
        break;
    }
    case PicRole::Still: p.path = "Vek:Bobs/Bau/Gebaeude_" + Num(n) + ".iff"; break;
    case PicRole::TownPart: p.path = "Vek:Bobs/Stadt/" + Stem(r->name) + ".iff"; break;  // shared by the levels
    case PicRole::TownSlot: p.path = "Vek:Bobs/Stadt/Haus_" + Num(n) + ".iff"; break;
    case PicRole::Overlay:
    case PicRole::Mask: p.path = "Vek:Bobs/Karte/" + Stem(r->name) + "_" + Num(n) + ".iff"; break;
    case PicRole::Spare: break;
    }
    if (n == 470) p.cmap = "Vek:Pics/Regen.iff";
    return p;
}

// The file name the client makes of an index path: volume dropped, "//"
// collapsed, cut at the first "." with the extension added, and the two
// Latin-1 letters the client converts turned into UTF-8.
std::string FileName(const std::string &path, const char *ext)
{
    std::string rest = path.substr(4), joined;
    for (size_t i = 0; i < rest.size(); ++i)
        if (!(rest[i] == '/' && !joined.empty() && joined.back() == '/')) joined += rest[i];
    const bool rawb = path.find("RAWB") != std::string::npos && std::string(ext) == ".chk";
    joined = joined.substr(0, joined.find('.')) + (rawb ? ".CHK" : ext);
    std::string out;
    for (unsigned char c : joined) {
        if (c == 0xDF) out += "\xC3\x9F";
        else if (c == 0xFC) out += "\xC3\xBC";
        else out += (char)c;
    }
    return out;
}

// ---- Drawing ---------------------------------------------------------------

void OutlineLayouts(Canvas &c, uint16_t picture)
{
    for (const LayoutPlan &p : GetPlans().layouts) {
        const ScreenLayout &l = *p.layout;
        if (l.picture != picture) continue;
        const int ox = (l.flags & LAYOUT_RELATIVE) ? 0 : l.originX, oy = (l.flags & LAYOUT_RELATIVE) ? 0 : l.originY;
        // The workers requester's rectangles mix its picture's coordinates
        // and the display's: it draws its fields itself.
        const bool eigeneFelder = std::string(l.file).compare(0, 16, "KarteArbeiterReq") == 0;
        for (int k = 0; k < KIND_COUNT; ++k)
            for (const RecordPlan &r : p.kinds[k])
                if (k != KIND_PUNKT && !(eigeneFelder && k == KIND_RECHTECK)) c.Frame(r.box.x0 - ox, r.box.y0 - oy, r.box.w() + 1, r.box.h() + 1, pen::Record);
        for (size_t i = 0; i < p.gadgets.size(); ++i) {
            const GadgetPlan &g = p.gadgets[i];
            if ((l.flags & LAYOUT_FULL_AREA_LAST) && i + 1 == p.gadgets.size()) continue;
            const uint8_t colour = g.hidden ? pen::Area : pen::Outline;
            c.Frame(g.box.x0 - ox - 1, g.box.y0 - oy - 1, g.box.w() + 2, g.box.h() + 2, colour);
            if (g.hidden) DrawText(c, g.box.x0 - ox + 2, g.box.y0 - oy + 2, g.label, 1, colour);
        }
    }
}

// A screen whose last gadget is a map over the whole picture shows the map
// where the heading would stand.
bool UnderAMap(uint16_t picture)
{
    for (const LayoutPlan &l : GetPlans().layouts)
        if (l.layout->picture == picture && (l.layout->flags & LAYOUT_FULL_AREA_LAST)) return true;
    return false;
}

Canvas DrawScreen(const PicturePlan &p, Ramp ramp)
{
    Canvas c(p.w, p.h);
    c.VerticalRamp(ramp, 3, 9);
    if (UnderAMap(p.n)) {
        OutlineLayouts(c, p.n);
        return c;
    }
    // The town screens print the town's name over the strip in a dark pen.
    const bool town = p.n == 39 || (p.n >= 745 && p.n <= 747);
    c.FillRect(0, 0, p.w, 40, RampPen(ramp, town ? 12 : 1));
    DrawText(c, 13, 7, p.label, 3, pen::Shadow);
    DrawText(c, 12, 6, p.label, 3, pen::White);
    const std::string number = "Bild " + std::to_string(p.n);
    DrawText(c, p.w - TextWidth(number, 1) - 8, 14, number, 1, pen::Gold);
    OutlineLayouts(c, p.n);
    return c;
}

Canvas DrawBox(const PicturePlan &p, bool pressed, uint8_t ink)
{
    Canvas c(p.w, p.h);
    c.Bevel(0, 0, p.w, p.h, pressed);
    const int scale = p.w >= 200 && p.h >= 60 ? 2 : 1;
    const int th = GLYPH_ROWS * scale;
    if (p.h >= th && TextWidth(p.label, scale) <= p.w) DrawTextCentred(c, 0, 0, p.w, p.h, p.label, scale, ink);
    else if (p.h >= GLYPH_ROWS) DrawTextCentred(c, 0, 0, p.w, p.h, std::to_string(p.n), 1, ink);
    return c;
}

Canvas DrawDialog(const PicturePlan &p)
{
    Canvas c(p.w, p.h);
    c.Bevel(0, 0, p.w, p.h, false);
    c.FillRect(4, 26, p.w - 8, p.h - 30, pen::Paper);
    DrawText(c, 8, 8, p.label, 1, pen::White);
    OutlineLayouts(c, p.n);
    return c;
}

Canvas DrawHex(const PicturePlan &p)
{
    Canvas c(HEX_WIDTH, HEX_HEIGHT);
    HexUse use;
    const auto &uses = HexUses();
    if (auto it = uses.find(p.n); it != uses.end()) use = it->second;
    static const Ramp classRamp[12] = {RampGrass, RampStone, RampStone, RampEarth, RampForest, RampForest,
                                       RampSwamp, RampGrass, RampSwamp, RampSand,  RampWater,  RampRed};
    const int cls = TerrainClass(use.art);
    const bool fog = use.column >= 4, winter = use.column % 4 == 3, autumn = use.column % 4 == 2;
    Ramp ramp = classRamp[cls];
    if (winter && cls != 10) ramp = RampSnow;
    if (autumn && (cls == 5 || cls == 7 || cls == 3)) ramp = RampGold;
    const int base = fog ? 4 : 9;
    Rng rng(SeedOf("hex" + std::to_string(p.n)));
    for (int y = 0; y < HEX_HEIGHT; ++y)
        for (int x = 0; x < HEX_WIDTH; ++x)
            if (InsideHex(x, y)) {
                const bool edge = !InsideHex(x - 1, y) || !InsideHex(x + 1, y) || !InsideHex(x, y - 1) ||
                                  !InsideHex(x, y + 1);
                c.Put(x, y, RampPen(ramp, edge ? base - 3 : base + (int)rng.Below(3) - 1));
            }
    const uint8_t mark = RampPen(ramp, fog ? 8 : 14);
    switch (cls) {
    case 1:
    case 2:
        for (int i = 0; i < 3; ++i) {
            const int x = 14 + 14 * i;
            c.Line(x, 34, x + 7, 18, mark);
            c.Line(x + 7, 18, x + 14, 34, mark);
        }
        break;
    case 3: c.Line(14, 32, 32, 20, mark), c.Line(32, 20, 50, 32, mark); break;
    case 4:
    case 5:
    case 6:
        for (int i = 0; i < 4; ++i) c.FillRect(14 + 10 * i, 20 + 6 * (i % 2), 5, 8, mark);
        break;
    case 10:
        for (int i = 0; i < 3; ++i) c.Line(16, 18 + 8 * i, 48, 18 + 8 * i, mark);
        break;
    case 11:
        c.FillRect(22, 20, 20, 14, mark);
        c.Line(20, 20, 32, 12, mark), c.Line(32, 12, 44, 20, mark);
        break;
    default: c.FillRect(28, 22, 8, 8, mark); break;
    }
    DrawTextCentred(c, 0, 38, HEX_WIDTH, 14, p.label, 1, fog ? pen::Mid : pen::White);
    return c;
}

// Strips: frames of 64 x 54 one below the other, transparent around the figure.
Canvas DrawStrip(const PicturePlan &p)
{
    Canvas c(p.w, FIGURE_FRAME_HEIGHT * p.frames);
    const bool walk = p.role == PicRole::Walk, object = p.role == PicRole::Ambient;
    const uint8_t body = object ? RampPen(RampCycle, 12) : RampPen((Ramp)(RampRed + (p.n % 3)), 10);
    for (int f = 0; f < p.frames; ++f) {
        const int top = f * FIGURE_FRAME_HEIGHT;
        const int dx = walk ? (f % 6) - 3 : 0, lift = walk ? (f % 2) : 0;
        if (object) {
            const int r = 6 + f % 6;
            for (int y = -r; y <= r; ++y)
                for (int x = -r; x <= r; ++x)
                    if (x * x + y * y <= r * r) c.Put(32 + x, top + 24 + y, body);
        } else {
            c.FillRect(26 + dx, top + 14 - lift, 12, 12, body);             // head
            c.FillRect(22 + dx, top + 26 - lift, 20, 16, body);             // body
            c.FillRect(24 + dx + (f % 2) * 2, top + 42 - lift, 5, 10, body);  // legs
            c.FillRect(35 + dx - (f % 2) * 2, top + 42 - lift, 5, 10, body);
            c.Frame(22 + dx, top + 26 - lift, 20, 16, pen::Shadow);
        }
        DrawText(c, 2, top + 2, std::to_string(f), 1, pen::White);
        DrawText(c, 34, top + 2, p.label.substr(p.label.size() > 4 ? p.label.size() - 4 : 0), 1, pen::Yellow);
    }
    return c;
}

Canvas DrawTownPart(const PicturePlan &p)
{
    Canvas c(p.w, p.h);
    const std::string name = p.label;
    if (name == "Himmel") c.VerticalRamp(RampWater, 14, 8);
    else if (name == "Regenhimmel") c.VerticalRamp(RampStone, 6, 10);
    else if (name == "Unterstadt") {
        c.VerticalRamp(RampEarth, 6, 11);
        for (int x = 0; x < p.w; x += 80) c.FillRect(x, 0, 1, p.h, RampPen(RampEarth, 3));
        for (int y = 0; y < p.h; y += 60) c.FillRect(0, y, p.w, 1, RampPen(RampEarth, 3));
    } else {
        // The foreground is masked: only the hedge at its bottom is opaque.
        for (int x = 0; x < p.w; ++x) {
            const int top = p.h - 24 - (int)((x * 7 + (x / 13) * 5) % 11);
            c.FillRect(x, top, 1, p.h - top, RampPen(RampForest, 6 + (x % 5)));
        }
    }
    DrawText(c, 8, 8, name, 2, pen::White);
    return c;
}

Canvas DrawTownSlot(const PicturePlan &p)
{
    Canvas c(p.w, p.h);  // transparent around the house
    const uint8_t wall = RampPen((Ramp)(RampEarth + p.n % 4), 11);
    c.FillRect(6, 16, p.w - 12, p.h - 16, wall);
    c.Frame(6, 16, p.w - 12, p.h - 16, pen::Shadow);
    for (int i = 0; i < 16; ++i) c.FillRect(6 + i, 16 - i, p.w - 12 - 2 * i, 1, pen::Red);
    DrawTextCentred(c, 6, 18, p.w - 12, p.h - 18, std::to_string(p.n), 1, pen::Black + 1);
    return c;
}

Canvas DrawStill(const PicturePlan &p)
{
    Canvas c(p.w, p.h);
    c.VerticalRamp(RampWater, 12, 8);
    c.FillRect(0, p.h * 3 / 4, p.w, p.h / 4, RampPen(RampGrass, 8));
    const int bw = p.w / 2, bh = p.h / 2;
    c.FillRect((p.w - bw) / 2, p.h * 3 / 4 - bh, bw, bh, RampPen(RampStone, 10));
    c.Frame((p.w - bw) / 2, p.h * 3 / 4 - bh, bw, bh, pen::Shadow);
    DrawTextCentred(c, 0, 4, p.w, 24, p.label + " " + std::to_string(p.n), 1, pen::White);
    return c;
}

Canvas DrawWare(const PicturePlan &p)
{
    Canvas c(p.w, p.h);
    c.Bevel(0, 0, p.w, p.h, false);
    c.FillRect(20, 24, p.w - 40, p.h - 48, RampPen(RampGold, 6 + p.n % 6));
    DrawTextCentred(c, 0, 2, p.w, 20, p.label, 1, pen::White);
    DrawTextCentred(c, 0, p.h - 22, p.w, 20, "Bild " + std::to_string(p.n), 1, pen::Yellow);
    return c;
}

Canvas DrawOverlay(const PicturePlan &p)
{
    Canvas c(p.w, p.h);
    if (p.w == HEX_WIDTH && p.h == HEX_HEIGHT) {
        for (int y = 0; y < p.h; ++y)
            for (int x = 0; x < p.w; ++x)
                if (InsideHex(x, y) && (!InsideHex(x - 1, y) || !InsideHex(x + 1, y) || (x + y) % 8 == 0))
                    c.Put(x, y, p.n == 4 ? pen::White : pen::Yellow);
    } else {
        for (int y = 1; y < p.h - 1; ++y)
            for (int x = 1; x < p.w - 1; ++x)
                if ((x - p.w / 2) * (x - p.w / 2) + (y - p.h / 2) * (y - p.h / 2) <= (p.w / 2 - 1) * (p.h / 2 - 1))
                    c.Put(x, y, (uint8_t)(pen::Red + p.n % 6));
    }
    return c;
}

Bytes DrawMask(const PicturePlan &p)
{
    Bytes b;
    if (p.n == 31) {
        // 56 rows of a 64-bit hex row mask in two big-endian words.
        for (int y = 0; y < HEX_HEIGHT; ++y) {
            uint64_t bits = 0;
            for (int x = 0; x < HEX_WIDTH; ++x)
                if (InsideHex(x, y)) bits |= 1ull << (63 - x);
            PutBE32(b, (uint32_t)(bits >> 32));
            PutBE32(b, (uint32_t)bits);
        }
        for (int i = 0; i < 4; ++i) b[i] = HEXMASK_MARK[i];
        return b;
    }
    // One byte per position: 1 inside the round shape, 0 outside.
    for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x) {
            const int dx = 2 * x - p.w + 1, dy = 2 * y - p.h + 1;
            b.push_back(dx * dx + dy * dy <= p.w * p.w ? 1 : 0);
        }
    return b;
}

Bytes PictureBytes(const PicturePlan &p)
{
    switch (p.role) {
    case PicRole::Screen: return DrawScreen(p, (Ramp)((p.n * 5) % RampCount)).Raw();
    case PicRole::Backdrop: return DrawScreen(p, RampViolet).Raw();
    case PicRole::Dialog: return DrawDialog(p).Raw();
    case PicRole::Picture:
        if (IsMapPanel(p.n)) {
            // A panel shows what lies on it, not its name.
            Canvas c(p.w, p.h);
            c.Bevel(0, 0, p.w, p.h, false);
            OutlineMapPanel(c, p.n);
            return c.Raw();
        }
        return DrawBox(p, false, pen::White).Raw();
    case PicRole::Button: return DrawBox(p, false, pen::Yellow).Raw();
    case PicRole::Face: {
        const FaceSpec *f = FindFace(p.n);
        Canvas c = DrawBox(p, f && f->pressed, f && f->pressed ? pen::Gold : pen::White);
        return c.Raw();
    }
    case PicRole::Hex: return DrawHex(p).Raw();
    case PicRole::Figure:
    case PicRole::Walk:
    case PicRole::Ambient: return DrawStrip(p).Raw();
    case PicRole::Ware: return DrawWare(p).Raw();
    case PicRole::Still: return DrawStill(p).Raw();
    case PicRole::TownPart: return DrawTownPart(p).Raw();
    case PicRole::TownSlot: return DrawTownSlot(p).Raw();
    case PicRole::Overlay: return DrawOverlay(p).Raw();
    case PicRole::Mask: return DrawMask(p);
    case PicRole::Spare: return DrawBox(p, false, pen::Mid).Raw();
    }
    return {};
}

Bytes ColourMap(bool rain)
{
    Bytes b;
    const Palette &pal = MasterPalette();
    for (int i = 0; i < 256; ++i) {
        Rgb c = pal[i];
        if (rain && i >= 36) c = {(uint8_t)(c.r * 5 / 8), (uint8_t)(c.g * 5 / 8), (uint8_t)(c.b * 3 / 4)};
        b.push_back(c.r);
        b.push_back(c.g);
        b.push_back(c.b);
    }
    return b;
}

// Writes an index of records plus path texts after them; returns the file.
Bytes IndexFile(const std::vector<PicturePlan> &plans, uint32_t count, Output &out,
                std::map<std::string, Bytes> &files)
{
    Bytes index;
    PutZeros(index, 32);
    PutBE32(index, count);
    PutZeros(index, 36 * (size_t)count);  // records of 1..N at 36 n
    std::map<std::string, uint32_t> offsets;
    auto pathOffset = [&](const std::string &path) {
        auto it = offsets.find(path);
        if (it != offsets.end()) return it->second;
        const uint32_t off = (uint32_t)(index.size() - 32);
        PutText(index, path, true);
        offsets.emplace(path, off);
        return off;
    };
    for (const PicturePlan &p : plans) {
        const size_t at = 36 * (size_t)p.n;
        const uint32_t bytes = (uint32_t)(p.w * p.h * p.frames);
        SetBE32(index, at, p.n);
        SetBE32(index, at + 4, (uint32_t)p.w);
        SetBE32(index, at + 8, (uint32_t)(p.h * p.frames));
        SetBE32(index, at + 12, 8);
        SetBE32(index, at + 16, p.flags);
        SetBE32(index, at + 20, pathOffset(p.path));
        SetBE32(index, at + 24, bytes);
        SetBE32(index, at + 28, pathOffset(p.cmap));
        SetBE32(index, at + 32, 4 * 768);
        const std::string file = FileName(p.path, ".chk");
        if (!files.count(file)) {
            Bytes data = PictureBytes(p);
            if (data.size() != bytes) std::fprintf(stderr, "vekdemo: picture %u has %zu bytes, not %u\n", p.n, data.size(), bytes);
            out.Write(file, data);
            files.emplace(file, std::move(data));
        }
        const std::string cma = FileName(p.cmap, ".cma");
        if (!files.count(cma)) {
            Bytes map = ColourMap(p.cmap.find("Regen") != std::string::npos);
            out.Write(cma, map);
            files.emplace(cma, std::move(map));
        }
    }
    return index;
}

// A 24-bit copy of an 8-bit picture: R, G, B per pixel; index 0 stays pure
// black (transparent), and any other colour that would be pure black is lifted.
Bytes To24Bit(const Bytes &pixels)
{
    Bytes b;
    const Palette &pal = MasterPalette();
    for (uint8_t i : pixels) {
        Rgb c = pal[i];
        if (i != 0 && c.r == 0 && c.g == 0 && c.b == 0) c.b = 1;
        b.push_back(c.r);
        b.push_back(c.g);
        b.push_back(c.b);
    }
    return b;
}

}  // namespace

void WritePictures(Output &out)
{
    std::vector<PicturePlan> plans;
    for (uint16_t n = 1; n <= PICTURE_COUNT; ++n) plans.push_back(PlanPicture(n));
    std::map<std::string, Bytes> files;
    out.Write("Data/Path", IndexFile(plans, PICTURE_COUNT, out, files));

    // High-colour variants of a hex (with its winter look), a gadget face and
    // the advisor's Ok button, beside the 8-bit pictures they stand for.
    for (uint16_t n : {(uint16_t)12, (uint16_t)153, GetPlans().faces.at(2).number}) {
        const PicturePlan &p = plans[n - 1];
        const std::string file = FileName(p.path, ".chk");
        const std::string stem = file.substr(0, file.find('.'));
        out.Write("24BIT/" + stem + ".RAW", To24Bit(files.at(file)));
        if (p.role == PicRole::Hex) {
            PicturePlan winter = p;
            winter.n = 478;  // the grassland hex in winter
            const size_t slash = stem.rfind('/');
            out.Write("24BIT/" + stem.substr(0, slash) + "/Winter" + stem.substr(slash) + ".RAW",
                      To24Bit(DrawHex(winter).Raw()));
        }
    }

    // The story index: pictures 1 and 2 that story pages place in their text.
    std::vector<PicturePlan> story;
    for (uint16_t n = 1; n <= 2; ++n) {
        PicturePlan p;
        p.n = n;
        p.role = PicRole::Picture;
        p.w = 120;
        p.h = 90;
        p.path = "Vek:Pics/Geschichte/Bild_" + std::to_string(n) + ".iff";
        p.label = n == 1 ? "Lagerfeuer" : "Laute";
        story.push_back(p);
    }
    out.Write("Data/RoredIdezPath", IndexFile(story, 2, out, files));
}

}  // namespace vekdemo
