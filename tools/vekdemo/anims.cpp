// Animations in ./Anims/: IFF "ANIM" files of a key frame (BMHD, colours,
// ByteRun1 BODY) and byte-vertical delta frames (ANHD, DLTA), each delta
// against the frame two back, with every chunk header scrambled the way the
// client unscrambles it.
#include <algorithm>
#include <cstdio>
#include <set>

#include "kit.h"

namespace vekdemo {

namespace {

using namespace datakit;

constexpr uint32_t ILBM = AnimFourCC("ILBM");

std::vector<AnimSpec> BuildList()
{
    std::vector<AnimSpec> list;
    auto add = [&](const std::string &name, int w, int h, bool lrgb = false) { list.push_back({name, w, h, 4, lrgb}); };
    // Screens.
    add("TitelWasserfall.cban", 64, 80, true);
    add("ResidenzAlchemie.cban", 64, 64);
    add("ResidenzSchreiber.cban", 64, 64);
    add("BerichteWasserfall.cban", 64, 64);
    add("Brunnen.cban", 64, 64);
    add("LagerFackelLinks.CBAN", 32, 48);
    add("LagerFackelRechts.CBAN", 32, 48);
    add("Credits.cban", 640, 240);
    add("KaserneSchmied.cban", 64, 64);
    add("KaserneSchmiedeRauch.cban", 64, 64);
    add("KaserneWasserfall.cban", 64, 64);
    add("RoredIdez-Feuer.CBAN", 64, 64);
    add("RoredIdez-Laute.CBAN", 64, 64);
    add("HafenMuehle.CBAN", 64, 64);
    // The town's ford, water wheel and mill by level and weather.
    for (const char *level : {"", "-L2", "-L3", "-L4"}) {
        for (const char *dark : {"", "D"}) {
            add(std::string("Furt") + dark + level + ".cban", 64, 48);
            add(std::string("Wasserrad") + dark + level + ".cban", 32, 48);
        }
        if (*level) add(std::string("Muehle_o_Zaun") + level + ".cban", 64, 48);
    }
    add("Muehle_m_Zaun.cban", 64, 48);
    add("Muehle_o_Zaun.cban", 64, 48);
    for (const char *extra : {"Furt-L2Haus", "FurtD-L2Haus", "Furt-L3B", "FurtD-L3B", "Furt-L4B", "FurtD-L4B"})
        add(std::string(extra) + ".cban", 64, 48);
    // Buildings, 220 x 200 on the screen.
    for (const char *b : {"Lager", "Muehle", "Bank", "Herberge", "Buergerhaus", "Handelsregister", "Schule", "Camp",
                          "Schmiede", "Friedhof", "Lazarett", "Kapelle", "Schrein", "Marktplatz", "Saegewerk",
                          "Stallungen", "Heiler", "Baracke", "Markthalle", "Bibliothek", "Hafen", "Rathaus",
                          "Akademie", "Apellhof", "Charitee", "Gerichtshof", "Kerker", "Kirche", "Kontor", "Residenz",
                          "Universitaet", "Burg", "Handelshof", "Hospital", "Kaserne", "Dom", "Circus", "Festung"})
        add(std::string(b) + ".CBAN", 216, 200);
    // Wares, 160 x 120; names with "ß" are UTF-8 on disk.
    for (const char *w :
         {"Korn", "Luxus/Tiere", "Luxus/Pflanzen", "Luxus/Mineralien", "Nichts", "Ballista_klein",
          "Ballista_gro\xC3\x9F", "Katapult", "Helm", "Lederruestung", "Lederwams", "Kettenhemd", "Kettenpanzer",
          "Schuppenpanzer", "Plattenpanzer", "Tarke", "Holzschild", "Kampfschild", "Kriegsschild", "Dolch", "Handaxt",
          "Kurzschwert", "Breitschwert", "Bastardschwert", "Langschwert", "Claymore", "Kriegsaxt", "Kriegshammer",
          "Morgenstern_klein", "Morgenstern_gro\xC3\x9F", "Saebel", "Streitaxt", "Streithammer", "Streitkolben",
          "Hellebarde", "Lanze_klein", "Lanze_mittel", "Lanze_gro\xC3\x9F", "Kriegssense", "Speer",
          "Armbrust_leicht", "Armbrust_schwer", "Kurzbogen", "Langbogen", "Kompositbogen", "Wurfschleuder",
          "Wurfdolch", "Wurfspeer", "Handelsschiff_klein", "Handelsschiff_mittel", "Handelsschiff_gro\xC3\x9F",
          "Kriegsschiff_klein", "Kriegsschiff_mittel", "Kriegsschiff_gro\xC3\x9F", "Armeeschwert", "Nordschwert",
          "Barbarenschwert", "Dreizack", "Ro\xC3\x9Fschinder", "Ringpanzer", "Kriegskatapult", "Luxus/balsam",
          "Luxus/bernstein", "Luxus/brokat", "Luxus/edelsteine", "Luxus/elfenbein", "Luxus/gewuerze", "Luxus/marmor",
          "Luxus/myrrhe", "Luxus/oel", "Luxus/pergament", "Luxus/pelze", "Luxus/Schmuck", "Luxus/seide",
          "Luxus/teppiche", "Luxus/weihrauch", "Luxus/zucker", "Alberich", "Arbanor", "Drachenaxt", "Elfenhelm",
          "Elfenschild", "Elfenschwert", "Froschhelm", "Gotteshand", "Kriegshelm", "Ritterhelm", "Ritterruestung",
          "Skarshelm", "Turnierhelm", "Zwergenhelm", "Zwergenpanzer", "Zwergenschwert"})
        add(std::string(w) + ".cban", 160, 120);
    for (int k = 1; k <= 18; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "Kraut%02d.cban", k);
        add(name, 160, 120);
    }
    add("Zweihaender.CBAN", 160, 120);
    std::sort(list.begin(), list.end(), [](const AnimSpec &a, const AnimSpec &b) { return a.name < b.name; });
    return list;
}

// Planar layout: plane p of the frame, row y, byte column x.
std::vector<uint8_t> Planar(const Canvas &c)
{
    const int rowBytes = c.w / 8, planeSize = rowBytes * c.h;
    std::vector<uint8_t> planes((size_t)planeSize * 8, 0);
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            const uint8_t v = c.At(x, y);
            for (int p = 0; p < 8; ++p)
                if (v >> p & 1) planes[(size_t)p * planeSize + y * rowBytes + x / 8] |= (uint8_t)(0x80 >> (x % 8));
        }
    return planes;
}

// PackBits of one row: runs of three or more equal bytes, literals otherwise.
void ByteRun1(Bytes &out, const uint8_t *row, int n)
{
    int i = 0;
    while (i < n) {
        int run = 1;
        while (i + run < n && run < 128 && row[i + run] == row[i]) ++run;
        if (run >= 3) {
            out.push_back((uint8_t)(1 - run));
            out.push_back(row[i]);
            i += run;
            continue;
        }
        int lit = 0;
        while (i + lit < n && lit < 128) {
            if (i + lit + 2 < n && row[i + lit] == row[i + lit + 1] && row[i + lit] == row[i + lit + 2]) break;
            ++lit;
        }
        out.push_back((uint8_t)(lit - 1));
        out.insert(out.end(), row + i, row + i + lit);
        i += lit;
    }
}

// One column of one plane as ANIM operation 5: skips, copies and runs.
void DeltaColumn(Bytes &out, const std::vector<uint8_t> &now, const std::vector<uint8_t> &old, size_t start,
                 int rowBytes, int h)
{
    auto at = [&](const std::vector<uint8_t> &v, int y) { return v[start + (size_t)y * rowBytes]; };
    Bytes ops;
    int count = 0, y = 0;
    while (y < h) {
        int same = 0;
        while (y + same < h && at(now, y + same) == at(old, y + same)) ++same;
        if (y + same == h) break;  // nothing more changes in this column
        while (same > 0) {
            const int skip = std::min(same, 127);
            ops.push_back((uint8_t)skip), ++count;
            same -= skip, y += skip;
        }
        int run = 1;
        while (y + run < h && run < 255 && at(now, y + run) == at(now, y)) ++run;
        if (run >= 3) {
            ops.push_back(0), ops.push_back((uint8_t)run), ops.push_back(at(now, y)), ++count;
            y += run;
            continue;
        }
        int copy = 0;
        while (y + copy < h && copy < 127 && at(now, y + copy) != at(old, y + copy)) ++copy;
        ops.push_back((uint8_t)(0x80 | copy)), ++count;
        for (int k = 0; k < copy; ++k) ops.push_back(at(now, y + k));
        y += copy;
    }
    if (count > 255) {
        // Too many operations for the count byte: copy the whole column.
        ops.clear();
        count = 0;
        for (y = 0; y < h;) {
            const int copy = std::min(127, h - y);
            ops.push_back((uint8_t)(0x80 | copy)), ++count;
            for (int k = 0; k < copy; ++k) ops.push_back(at(now, y + k));
            y += copy;
        }
    }
    out.push_back((uint8_t)count);
    out.insert(out.end(), ops.begin(), ops.end());
}

Bytes Delta(const std::vector<uint8_t> &now, const std::vector<uint8_t> &old, int w, int h)
{
    const int rowBytes = w / 8;
    const size_t planeSize = (size_t)rowBytes * h;
    Bytes d(64, 0);  // 16 plane offsets; the last 8 are unused
    for (int p = 0; p < 8; ++p) {
        if (std::equal(now.begin() + p * planeSize, now.begin() + (p + 1) * planeSize, old.begin() + p * planeSize))
            continue;  // offset 0: the plane stays as it was
        SetBE32(d, 4 * p, (uint32_t)d.size());
        for (int x = 0; x < rowBytes; ++x) DeltaColumn(d, now, old, p * planeSize + x, rowBytes, h);
    }
    return d;
}

struct Chunk {
    uint32_t id;
    Bytes data;
};

// A chunk with its scrambled header; odd payloads get their pad byte.
void PutChunk(Bytes &out, uint16_t key, uint32_t id, const Bytes &data)
{
    uint32_t sid = AnimScrambledId(id), len = (uint32_t)data.size();
    AnimScramble(key, sid, len);
    PutBE32(out, sid);
    PutBE32(out, len);
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1) out.push_back(0);
}

}  // namespace

const std::vector<AnimSpec> &AnimList()
{
    static const std::vector<AnimSpec> list = BuildList();
    return list;
}

void AnimScramble(uint16_t key, uint32_t &id, uint32_t &length)
{
    if (key == 0) return;  // the reader leaves headers alone under key 0
    auto rotr = [](uint32_t v, unsigned n) { return n == 0 ? v : (v >> n) | (v << (32 - n)); };
    auto undo = [&](uint32_t word, unsigned negateBit, unsigned rotateShift) {
        word = rotr(word, (key >> rotateShift) & 7);
        return (key >> negateBit & 1) ? 0u - word : word;
    };
    const uint32_t t3 = undo(length, 8, 9);                         // low half of stage 2, low half of length
    const uint32_t t2 = undo((id & 0xFFFF) << 16 | t3 >> 16, 4, 5);  // low half of stage 1, high half of length
    const uint32_t plainId = undo((id & 0xFFFF0000) | t2 >> 16, 0, 1);
    length = (t2 & 0xFFFF) << 16 | (t3 & 0xFFFF);
    id = plainId;
}

std::vector<Canvas> AnimFrames(const AnimSpec &a)
{
    std::vector<Canvas> frames;
    const Ramp ramp = (Ramp)(SeedOf(a.name) % RampCount);
    const std::string title = a.name.substr(a.name.rfind('/') + 1, a.name.find('.') - a.name.rfind('/') - 1);
    for (int f = 0; f < a.frames; ++f) {
        Canvas c(a.w, a.h, RampPen(ramp, 5));
        c.FillRect(0, 0, a.w, 2, RampPen(ramp, 2));
        // A bar that moves a step each frame, a dot that climbs, the frame number.
        const int step = std::max(1, (a.w - 8) / a.frames);
        c.FillRect(f * step, a.h / 2, 8, a.h / 2 - 2, RampPen(ramp, 14));
        c.FillRect(a.w - 6, a.h - 6 - f * (a.h - 12) / a.frames, 4, 4, pen::Yellow);
        if (a.w >= 64) DrawText(c, 2, 4, title.substr(0, (size_t)(a.w - 4) / 6), 1, pen::White);
        DrawText(c, 2, a.h - 14, std::to_string(f), 1, pen::Gold);
        frames.push_back(std::move(c));
    }
    return frames;
}

Bytes AnimFile(const AnimSpec &a)
{
    const std::vector<Canvas> frames = AnimFrames(a);
    std::vector<std::vector<uint8_t>> planar;
    for (const Canvas &c : frames) planar.push_back(Planar(c));
    Bytes file;
    PutTag(file, "FORM");
    PutBE32(file, 0);  // set below
    PutTag(file, "ANIM");
    uint16_t key = ANIM_START_KEY;
    for (size_t f = 0; f < frames.size(); ++f) {
        // The frame's own header takes the current key; its chunks and the
        // next frame's header take the key rolled from its form type.
        const uint16_t inner = AnimNextKey(key, ILBM);
        Bytes payload;
        PutBE32(payload, ILBM);
        if (f == 0) {
            Bytes bmhd;
            PutBE16(bmhd, (uint32_t)a.w), PutBE16(bmhd, (uint32_t)a.h), PutBE16(bmhd, 0), PutBE16(bmhd, 0);
            bmhd.push_back(8), bmhd.push_back(0), bmhd.push_back(1), bmhd.push_back(0);  // depth, mask, ByteRun1
            PutBE16(bmhd, 0), bmhd.push_back(1), bmhd.push_back(1);
            PutBE16(bmhd, (uint32_t)a.w), PutBE16(bmhd, (uint32_t)a.h);
            PutChunk(payload, inner, AnimFourCC("BMHD"), bmhd);
            Bytes colours;
            const Palette &pal = MasterPalette();
            if (a.lrgb) {
                for (int first : {0, 128}) {
                    colours.push_back(128), colours.push_back((uint8_t)first);
                    for (int i = first; i < first + 128; ++i)
                        colours.push_back(pal[i].r), colours.push_back(pal[i].g), colours.push_back(pal[i].b);
                }
                colours.push_back(0), colours.push_back(0);
                PutChunk(payload, inner, AnimFourCC("LRGB"), colours);
            } else {
                for (const Rgb &c : pal) colours.push_back(c.r), colours.push_back(c.g), colours.push_back(c.b);
                PutChunk(payload, inner, AnimFourCC("CMAP"), colours);
            }
            Bytes body;
            const int rowBytes = a.w / 8, planeSize = rowBytes * a.h;
            for (int y = 0; y < a.h; ++y)
                for (int p = 0; p < 8; ++p) ByteRun1(body, &planar[0][(size_t)p * planeSize + y * rowBytes], rowBytes);
            PutChunk(payload, inner, AnimFourCC("BODY"), body);
        } else {
            Bytes anhd;
            anhd.push_back(5), anhd.push_back(0);
            PutBE16(anhd, (uint32_t)a.w), PutBE16(anhd, (uint32_t)a.h), PutBE16(anhd, 0), PutBE16(anhd, 0);
            PutBE32(anhd, 0), PutBE32(anhd, 1);
            anhd.push_back(0), anhd.push_back(0);
            PutBE32(anhd, 0);
            PutZeros(anhd, 16);
            PutChunk(payload, inner, AnimFourCC("ANHD"), anhd);
            const std::vector<uint8_t> &old = planar[f >= 2 ? f - 2 : 0];
            PutChunk(payload, inner, AnimFourCC("DLTA"), Delta(planar[f], old, a.w, a.h));
        }
        PutChunk(file, key, AnimFourCC("FORM"), payload);
        key = inner;
    }
    SetBE32(file, 4, (uint32_t)(file.size() - 8));
    return file;
}

void WriteAnimations(Output &out)
{
    for (const AnimSpec &a : AnimList()) {
        Bytes file = AnimFile(a);
        // A scrambled file must not look plain to the loader.
        if (file.size() >= 16 && GetBE32(file, 12) == AnimFourCC("FORM"))
            std::fprintf(stderr, "vekdemo: %s would read as a plain file\n", a.name.c_str());
        out.Write("Anims/" + a.name, file);
    }
}

}  // namespace vekdemo
