// Format-rule readers for the demo-set tests; every offset and count is
// checked against the bytes before it is used.
#include "formats.h"

#include <set>
#include <sys/stat.h>

#include "platform/datakit.h"

namespace formats {

using namespace datakit;

uint32_t BE32(const Bytes &b, size_t at)
{
    return (uint32_t)b[at] << 24 | (uint32_t)b[at + 1] << 16 | (uint32_t)b[at + 2] << 8 | b[at + 3];
}

uint16_t BE16(const Bytes &b, size_t at) { return (uint16_t)(b[at] << 8 | b[at + 1]); }

namespace {

// A NUL-ended text starting at byte at, at most max characters.
bool TextAt(const Bytes &b, size_t at, size_t max, std::string &out)
{
    out.clear();
    for (size_t i = at; i < b.size() && i < at + max + 1; ++i) {
        if (b[i] == 0) return true;
        out += (char)b[i];
    }
    return false;
}

// Bytes of a file; UINT64_MAX when it is missing.
uint64_t FileSize(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? (uint64_t)st.st_size : UINT64_MAX;
}

std::string Utf8Names(const std::string &s)
{
    std::string out;
    for (unsigned char c : s) {
        if (c == 0xDF) out += "\xC3\x9F";
        else if (c == 0xFC) out += "\xC3\xBC";
        else out += (char)c;
    }
    return out;
}

}  // namespace

std::string IndexFileName(const std::string &path, bool colourMap)
{
    const size_t colon = path.find(':');
    if (colon == std::string::npos || path.size() < 4) return "";
    std::string joined;
    for (char c : path.substr(4))
        if (!(c == '/' && !joined.empty() && joined.back() == '/')) joined += c;
    if (colourMap) return Utf8Names(joined.substr(0, joined.find('.')) + ".cma");
    if (path.find("24BIT") != std::string::npos) return Utf8Names(joined);
    const bool rawb = path.find("RAWB") != std::string::npos;
    return Utf8Names(joined.substr(0, joined.find('.')) + (rawb ? ".CHK" : ".chk"));
}

std::string ReadIndex(const std::string &root, const std::string &indexFile, std::vector<IndexRecord> &out)
{
    const Bytes b = vektest::ReadBytes(root + "/" + indexFile);
    if (b.size() < 36) return "index shorter than its header";
    const uint32_t count = BE32(b, 32);
    if (count == 0 || count > PICTURE_COUNT) return "record count outside 1..1615";
    if (36ull * (count + 1) > b.size()) return "records past the end of the file";
    std::map<std::string, const IndexRecord *> byFile;
    out.clear();
    out.reserve(count);
    for (uint32_t n = 1; n <= count; ++n) {
        const size_t at = 36 * (size_t)n;
        IndexRecord r;
        r.n = BE32(b, at);
        r.w = BE32(b, at + 4), r.h = BE32(b, at + 8), r.depth = BE32(b, at + 12), r.flags = BE32(b, at + 16);
        const uint32_t pathOff = BE32(b, at + 20), cmapOff = BE32(b, at + 28);
        r.picSize = BE32(b, at + 24), r.cmapSize = BE32(b, at + 32);
        if (r.n != n) return "record " + std::to_string(n) + " carries the number " + std::to_string(r.n);
        if (r.depth != 8) return "record " + std::to_string(n) + " is not 8 bits deep";
        if (pathOff < 36ull * count + 4 || cmapOff < 36ull * count + 4)
            return "record " + std::to_string(n) + " points into the records";
        if (!TextAt(b, 32 + (size_t)pathOff, 99, r.path) || !TextAt(b, 32 + (size_t)cmapOff, 98, r.cmapPath))
            return "record " + std::to_string(n) + " has a path without its NUL inside the file";
        if (r.path.compare(0, 4, "Vek:") != 0 || r.cmapPath.compare(0, 4, "Vek:") != 0)
            return "record " + std::to_string(n) + " path without the volume";
        r.file = IndexFileName(r.path, false);
        r.cmapFile = IndexFileName(r.cmapPath, true);
        if (r.picSize != r.w * r.h) return "record " + std::to_string(n) + " size is not width x height";
        if (n == 31 && r.flags == FORMAT_RAW) {
            const Bytes pic = vektest::ReadBytes(root + "/" + r.file);
            if (pic.size() < 4 || !std::equal(pic.begin(), pic.begin() + 4, HEXMASK_MARK))
                return "graphic 31 is not in its unconverted state";
        }
        const uint64_t size = FileSize(root + "/" + r.file);
        if (size != r.picSize)
            return "picture " + std::to_string(n) + " file " + r.file + " holds " + std::to_string(size) +
                   " bytes, not " + std::to_string(r.picSize);
        if (r.cmapSize != 4 * 768) return "record " + std::to_string(n) + " colour map size is not 3072";
        if (FileSize(root + "/" + r.cmapFile) != 768)
            return "colour map " + r.cmapFile + " of picture " + std::to_string(n) + " is not 768 bytes";
        out.push_back(r);
        auto it = byFile.find(r.file);
        if (it != byFile.end() && (it->second->w != r.w || it->second->h != r.h))
            return "pictures sharing " + r.file + " differ in size";
    }
    for (const IndexRecord &r : out) byFile.emplace(r.file, &r);
    return "";
}

std::string ReadSoundIndex(const std::string &root, uint32_t minCount, std::vector<SoundRecord> &out)
{
    const Bytes b = vektest::ReadBytes(root + "/Data/SfxPath");
    if (b.size() < 36) return "sound index shorter than its header";
    const uint32_t count = BE32(b, 32);
    if (count < minCount) return "fewer sounds than the screens use";
    if (16 + 20ull * (count + 1) > b.size()) return "records past the end of the file";
    out.clear();
    for (uint32_t n = 1; n <= count; ++n) {
        const size_t at = 16 + 20 * (size_t)n;
        SoundRecord r;
        r.n = n;
        r.length = BE32(b, at + 4), r.rate = BE32(b, at + 8);
        const uint32_t nameOff = BE32(b, at + 12);
        if (!TextAt(b, 32 + (size_t)nameOff, 80, r.name)) return "sound " + std::to_string(n) + " name not ended";
        if (r.name.size() <= 4) return "sound " + std::to_string(n) + " name shorter than its volume";
        if (r.length % 2 || r.length == 0) return "sound " + std::to_string(n) + " length odd or 0";
        if (r.rate == 0) return "sound " + std::to_string(n) + " rate 0";
        r.file = Utf8Names(r.name).substr(4);
        if (vektest::ReadBytes(root + "/" + r.file).size() != r.length)
            return "sample " + r.file + " does not hold its length";
        out.push_back(r);
    }
    return "";
}

bool FontInfo::HasInk(uint8_t c) const
{
    if (c < lo || c > hi) return false;
    const int i = c - lo;
    for (int y = 0; y < height; ++y)
        for (int x = offset[i]; x < offset[i] + glyphWidth[i]; ++x)
            if (bitmap[(size_t)y * width + x]) return true;
    return false;
}

std::string ReadFont(const Bytes &f, FontInfo &out)
{
    if (f.size() < 24) return "font shorter than its head";
    if (std::string(f.begin(), f.begin() + 4) != "FONT") return "no FONT tag";
    out.lo = f[4], out.hi = f[5];
    if (out.hi < out.lo) return "last character below the first";
    out.width = BE16(f, 6), out.height = BE16(f, 8), out.baseline = BE16(f, 10);
    out.colour = std::string(f.begin() + 12, f.begin() + 16) == "COLO";
    out.proportional = std::string(f.begin() + 16, f.begin() + 20) == "PROP";
    if (std::string(f.begin() + 20, f.begin() + 24) != "CHAR") return "third tag is not CHAR";
    const size_t n = (size_t)(out.hi - out.lo + 1);
    if (f.size() < 28 + 8 * n) return "tables past the end";
    if (std::string(f.begin() + 24 + 8 * n, f.begin() + 28 + 8 * n) != "DATA") return "fourth tag is not DATA";
    if (f.size() != 28 + 8 * n + (size_t)out.width * out.height) return "bitmap size does not fit the file";
    if (out.baseline >= out.height) return "baseline below the glyphs";
    out.offset.clear(), out.glyphWidth.clear(), out.space.clear();
    for (size_t i = 0; i < n; ++i) {
        out.offset.push_back(BE16(f, 24 + 4 * i));
        out.glyphWidth.push_back(BE16(f, 26 + 4 * i));
        out.space.push_back(BE16(f, 24 + 4 * n + 2 * i));
        if (out.offset.back() + out.glyphWidth.back() > out.width) return "a glyph reaches past the bitmap";
    }
    out.bitmap.assign(f.begin() + 28 + 8 * n, f.end());
    return "";
}

std::string ReadScreenFile(const Bytes &b, ScreenFile &out)
{
    if (b.size() < 40) return "file shorter than its head";
    const size_t body = b.size() - 32;
    out.entries = BE32(b, 36);
    if (out.entries > LAYOUT_MAX_ENTRIES) return "more than 24 entries";
    if (40 + 12 * out.entries > b.size()) return "entries past the end";
    out.records.clear();
    out.kindAt.clear();
    for (size_t e = 0; e < out.entries; ++e) {
        const uint32_t tag = BE32(b, 40 + 12 * e), count = BE32(b, 44 + 12 * e), off = BE32(b, 48 + 12 * e);
        int kind = -1;
        for (int k = 0; k < KIND_COUNT; ++k)
            if (LayoutTag[k] == tag) kind = k;
        if (kind < 0) return "unknown tag";
        if (out.records.count(kind)) return "a kind listed twice";
        const uint64_t size = LayoutRecordSize[kind];
        if (off < 8 + 12 * out.entries || off + size * count > body) return "records past the end";
        auto &list = out.records[kind];
        for (uint32_t i = 0; i < count; ++i) {
            const size_t at = 32 + off + size * i;
            out.kindAt[(uint32_t)(off + size * i)] = kind;
            list.emplace_back(b.begin() + at, b.begin() + at + size);
        }
    }
    if (out.records[KIND_GADGET].size() > LAYOUT_MAX_GADGETS) return "more than 40 gadgets";
    for (const Bytes &r : out.records[KIND_GADGET]) {
        const uint32_t link = BE32(r, 20);
        if (link == 0) continue;
        auto it = out.kindAt.find(link);
        if (it == out.kindAt.end() || (it->second != KIND_TITLEBAR && it->second != KIND_RECHTECK))
            return "a link that is not a title or rectangle";
    }
    const auto titles = out.records.find(KIND_TITLEBAR);
    if (titles != out.records.end() && (titles->second.empty() || BE32(titles->second.back(), 8) != 0))
        return "title list not ended by a record without title";
    const int textAt[KIND_COUNT] = {-1, -1, 0, 12, -1, -1, -1, 0, 12, -1, -1, -1};
    for (const auto &[kind, list] : out.records)
        if (textAt[kind] >= 0)
            for (const Bytes &r : list)
                if (BE32(r, (size_t)textAt[kind]) > 1580) return "text ID past the game strings";
    for (const Bytes &r : out.records[KIND_TITLEBAR]) {
        const uint32_t t = BE32(r, 8);
        if (t != 0xFFFFFFFF && t > 1580) return "title ID past the game strings";
    }
    return "";
}

std::string CheckLayout(const std::string &layoutFile, const ScreenFile &file, const std::vector<IndexRecord> &index,
                        uint32_t soundCount)
{
    const ScreenLayout *l = FindScreenLayout(layoutFile.c_str());
    if (!l) return "no layout of that name";
    auto count = [&](int kind) {
        auto it = file.records.find(kind);
        return it == file.records.end() ? size_t(0) : it->second.size();
    };
    if (l->mask & (1u << KIND_SLOTS)) {
        if (count(KIND_SLOTS) != TOWN_SLOTS) return "not every town slot";
        for (const Bytes &r : file.records.at(KIND_SLOTS)) {
            const uint16_t gfx = BE16(r, 12), level = BE16(r, 6);
            if (gfx == 0 || gfx > index.size() || PictureRole(gfx) != PicRole::TownSlot) return "slot picture is no house";
            if (level < 1 || level > 4) return "slot level outside 1..4";
        }
        return "";
    }
    for (int k = 0; k < 22; ++k)
        if ((l->mask >> k & 1) && count(k) == 0) return "a kind the screen asks for is missing";
    for (int k : {0, 1, 2, 3, 4, 5, 7, 8, 9, 10})
        if (count(k) == 0) return "kind " + std::to_string(k) + " missing";
    const size_t gadgets = LayoutGadgetCount(*l);
    if (count(KIND_GADGET) != gadgets) return "gadget count differs from the table";
    const size_t need[KIND_COUNT] = {l->titles, 0, l->locales, l->inputs, l->inputInfos, l->statusBoxes, 0,
                                     l->texts, l->buttons, l->rects, l->points, 0};
    for (int k = 0; k < KIND_COUNT; ++k)
        if (count(k) < need[k]) return "fewer records of kind " + std::to_string(k) + " than the screen uses";
    const auto &g = file.records.at(KIND_GADGET);
    for (size_t i = 0; i < gadgets; ++i) {
        const Bytes &r = g[i];
        if (BE32(r, 16) != LayoutGadgetCode(*l, i)) return "gadget " + std::to_string(i) + " has another code";
        const uint16_t up = BE16(r, 0), down = BE16(r, 2), sound = BE16(r, 4), flags = BE16(r, 6);
        if (up == 0 || down == 0 || up > index.size() || down > index.size()) return "gadget face missing";
        if (sound == 0 || sound > soundCount) return "gadget sound missing";
        const int w = BE16(r, 12) - BE16(r, 8), h = BE16(r, 14) - BE16(r, 10);
        if (w <= 0 || h <= 0) return "empty gadget box";
        if (!(flags & 0x02) && ((int)index[up - 1].w != w || (int)index[up - 1].h != h ||
                                (int)index[down - 1].w != w || (int)index[down - 1].h != h))
            return "gadget " + std::to_string(i) + " face differs from its box";
    }
    return "";
}

std::string ReadCatalog(const Bytes &b, uint32_t idLimit, std::map<uint32_t, std::string> &strings)
{
    if (b.size() < 12 || std::string(b.begin(), b.begin() + 4) != "FORM") return "no FORM";
    if (BE32(b, 4) != b.size() - 8) return "FORM size is not the rest of the file";
    if (std::string(b.begin() + 8, b.begin() + 12) != "CTLG") return "no CTLG";
    std::set<std::string> seen;
    strings.clear();
    size_t pos = 12;
    while (pos < b.size()) {
        if (pos + 8 > b.size()) return "chunk head past the end";
        const std::string id(b.begin() + pos, b.begin() + pos + 4);
        const size_t len = BE32(b, pos + 4), data = pos + 8;
        if (data + len > b.size()) return "chunk " + id + " past the end";
        seen.insert(id);
        if (id == "STRS") {
            size_t p = data;
            while (p < data + len) {
                if (p + 8 > data + len) return "string entry head past the chunk";
                const uint32_t sid = BE32(b, p), slen = BE32(b, p + 4);
                const size_t padded = (slen + 3) / 4 * 4;
                if (p + 8 + padded > data + len) return "string entry past the chunk";
                if (sid >= idLimit) return "string ID past the table";
                std::string text;
                if (!TextAt(b, p + 8, padded - 1, text) || text.size() >= padded) return "string without its NUL";
                strings[sid] = text;
                p += 8 + padded;
            }
        }
        pos = data + len + (len & 1);
    }
    for (const char *need : {"AUTH", "FVER", "LANG", "STRS"})
        if (!seen.count(need)) return std::string("no ") + need + " chunk";
    return "";
}

namespace {

struct AnimState {
    bool header = false;
    int w = 0, h = 0, depth = 0, kompr = 0;
    std::vector<uint8_t> buf1, buf2;
    bool upper = false;
};

std::vector<uint8_t> Chunky(const std::vector<uint8_t> &planes, int w, int h)
{
    const int rowBytes = w / 8, planeSize = rowBytes * h;
    std::vector<uint8_t> px((size_t)w * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int p = 0; p < 8; ++p)
                if (planes[(size_t)p * planeSize + y * rowBytes + x / 8] & (0x80 >> (x % 8)))
                    px[(size_t)y * w + x] |= (uint8_t)(1 << p);
    return px;
}

std::string Body(AnimState &s, const Bytes &b, size_t at, size_t len)
{
    if (!s.header) return "BODY before BMHD";
    const int rowBytes = s.w / 8, planeSize = rowBytes * s.h;
    size_t p = at;
    const size_t end = at + len;
    for (int y = 0; y < s.h; ++y)
        for (int pl = 0; pl < 8; ++pl) {
            uint8_t *row = &s.buf1[(size_t)pl * planeSize + y * rowBytes];
            int x = 0;
            while (x < rowBytes) {
                if (s.kompr == 0) {
                    if (p + rowBytes > end) return "BODY too short";
                    std::copy(b.begin() + p, b.begin() + p + rowBytes, row);
                    p += rowBytes;
                    x = rowBytes;
                    break;
                }
                if (p >= end) return "BODY too short";
                const int8_t n = (int8_t)b[p++];
                if (n >= 0) {
                    if (x + n + 1 > rowBytes) return "ByteRun1 run past the row";
                    if (p + n + 1 > end) return "BODY too short";
                    for (int k = 0; k <= n; ++k) row[x++] = b[p++];
                } else if (n != -128) {
                    if (x + 1 - n > rowBytes) return "ByteRun1 run past the row";
                    if (p >= end) return "BODY too short";
                    for (int k = 0; k < 1 - n; ++k) row[x++] = b[p];
                    ++p;
                }
            }
        }
    s.buf2 = s.buf1;
    s.upper = true;
    return "";
}

std::string Dlta(AnimState &s, const Bytes &b, size_t at, size_t len)
{
    if (!s.header) return "DLTA before BMHD";
    if (len < 64) return "DLTA shorter than its offsets";
    std::vector<uint8_t> &target = s.upper ? s.buf2 : s.buf1;
    const int rowBytes = s.w / 8, planeSize = rowBytes * s.h;
    for (int pl = 0; pl < 8; ++pl) {
        const uint32_t off = BE32(b, at + 4 * pl);
        if (off == 0) continue;
        if (off >= len) return "DLTA plane offset past the payload";
        size_t p = at + off;
        const size_t end = at + len;
        for (int x = 0; x < rowBytes; ++x) {
            if (p >= end) return "DLTA ops past the payload";
            const int ops = b[p++];
            int y = 0;
            for (int o = 0; o < ops; ++o) {
                if (p >= end) return "DLTA ops past the payload";
                const uint8_t op = b[p++];
                if (op >= 1 && op <= 127) {
                    y += op;
                    if (y > s.h) return "DLTA skip past the height";
                } else if (op & 0x80) {
                    const int n = op & 0x7F;
                    if (y + n > s.h) return "DLTA copy past the height";
                    if (p + n > end) return "DLTA ops past the payload";
                    for (int k = 0; k < n; ++k) target[(size_t)pl * planeSize + (y++) * rowBytes + x] = b[p++];
                } else {
                    if (p + 2 > end) return "DLTA ops past the payload";
                    const int n = b[p], v = b[p + 1];
                    p += 2;
                    if (y + n > s.h) return "DLTA run past the height";
                    for (int k = 0; k < n; ++k) target[(size_t)pl * planeSize + (y++) * rowBytes + x] = (uint8_t)v;
                }
            }
        }
    }
    s.upper = !s.upper;
    return "";
}

}  // namespace

std::string DecodeAnim(const Bytes &b, bool scrambled, AnimResult &out)
{
    if (b.size() < 12 || std::string(b.begin(), b.begin() + 4) != "FORM") return "no FORM";
    const std::string type(b.begin() + 8, b.begin() + 12);
    if (type != "ANIM" && type != "TALE") return "not an ANIM";
    if (scrambled && b.size() >= 16 && BE32(b, 12) == AnimFourCC("FORM")) return "plain frame at 12";
    uint16_t key = scrambled ? ANIM_START_KEY : 0;
    AnimState s;
    out = AnimResult{};
    size_t pos = 12;
    while (pos + 8 <= b.size()) {
        uint32_t id = BE32(b, pos), len = BE32(b, pos + 4);
        if (key) AnimDecrypt2(key, id, len);
        if (AnimPlainId(id) != AnimFourCC("FORM")) return "frame is not a FORM";
        if ((int32_t)len < 4 || len > b.size() - pos - 8) return "frame length past the file";
        const size_t data = pos + 8, end = data + len;
        if (key) key = AnimNextKey(key, BE32(b, data));
        bool colourTaken = false;
        size_t p = data + 4;
        bool ended = false;
        while (p + 8 <= end && !ended) {
            uint32_t cid = BE32(b, p), clen = BE32(b, p + 4);
            if (key) AnimDecrypt2(key, cid, clen);
            cid = AnimPlainId(cid);
            if ((int32_t)clen <= 0) return "chunk length 0 or less";
            if (clen > end - p - 8) return "chunk past its frame";
            const size_t c = p + 8;
            std::string why;
            if (cid == AnimFourCC("BMHD")) {
                if (clen < 20) return "BMHD too short";
                const int w = BE16(b, c), h = BE16(b, c + 2), depth = b[c + 8];
                if (depth != 8) return "depth is not 8";
                if (w == 0 || w % 8) return "width not a multiple of 8";
                if (s.header && (w != s.w || h != s.h)) return "a second BMHD of another size";
                if (!s.header) {
                    s.w = w, s.h = h, s.depth = depth;
                    s.buf1.assign((size_t)w / 8 * h * 8, 0);
                    s.buf2 = s.buf1;
                }
                s.kompr = (int8_t)b[c + 10];
                s.header = true;
            } else if (cid == AnimFourCC("BODY")) {
                why = Body(s, b, c, clen);
            } else if (cid == AnimFourCC("DLTA")) {
                why = Dlta(s, b, c, clen);
            } else if (cid == AnimFourCC("CMAP")) {
                if (clen < 768) return "CMAP shorter than 256 colours";
                if (!colourTaken) out.colours.assign(b.begin() + c, b.begin() + c + 768);
            } else if (cid == AnimFourCC("LRGB")) {
                std::vector<uint8_t> colours(768, 0);
                size_t q = c, table = 4;
                for (;;) {
                    if (q + 2 > c + clen) return "LRGB without its end";
                    const int n = b[q], first = b[q + 1];
                    q += 2;
                    if (n == 0) break;
                    table += 4 + 12 * (size_t)n;
                    if (table > 4100) return "LRGB fills more than the colour table";
                    if (first + n > 256 || q + 3 * (size_t)n > c + clen) return "LRGB group past its chunk";
                    std::copy(b.begin() + q, b.begin() + q + 3 * n, colours.begin() + 3 * first);
                    q += 3 * (size_t)n;
                }
                out.colours = colours;
                colourTaken = true;
            } else if (cid != AnimFourCC("ANHD") && cid != AnimFourCC("CAMG") && cid != AnimFourCC("SXHD") &&
                       cid != AnimFourCC("SBDY")) {
                return "unknown chunk";
            }
            if (!why.empty()) return why;
            p = c + clen + (clen & 1);
        }
        if (!s.header) return "frame without BMHD before it";
        out.shown.push_back(Chunky(s.upper ? s.buf1 : s.buf2, s.w, s.h));
        ++out.frames;
        pos = end + (len & 1);
    }
    if (pos != b.size()) return "bytes after the last frame";
    out.w = s.w, out.h = s.h;
    return "";
}

std::string ReadPool(const Bytes &b, std::vector<std::string> &ids)
{
    static const char *const known[] = {"INIT", "INFO", "MOVE", "BMAP", "IMAP", "PMAP", "MREF", "PREF", "EROR", "MAIL",
                                        "SMAL", "PPRF", "KORN", "LAND", "WARE", "BAUE", "GEBA", "TAXE", "FORS", "TOWN",
                                        "ARMY", "ANFR", "ANTW", "KRIG", "VERT", "SHIP", "SPEZ", "HERB"};
    ids.clear();
    if (b.size() < 52) return "pool shorter than its INFO chunk";
    if (std::string(b.begin(), b.begin() + 4) != "INFO" || BE32(b, 8) != 40) return "first chunk is not INFO";
    uint32_t bits = 0;
    size_t pos = 0;
    while (pos < b.size()) {
        if (pos + 12 > b.size()) return "chunk head past the end";
        const std::string id(b.begin() + pos, b.begin() + pos + 4);
        const uint64_t len = BE32(b, pos + 8);
        if (pos + 12 + len > b.size()) return "chunk " + id + " past the end";
        int num = -1;
        for (int k = 0; k < 28; ++k)
            if (id == known[k]) num = k;
        if (num < 0) return "unknown chunk";
        if (bits & (1u << num)) return "chunk " + id + " twice";
        bits |= 1u << num;
        ids.push_back(id);
        pos += 12 + len;
    }
    if (BE32(b, 16) != bits) return "INFO's chunk bits differ from the chunks present";
    return "";
}

std::string CheckMapFiles(const std::string &root)
{
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 3; ++y) {
            const std::string tile = "_" + std::to_string(x) + "_" + std::to_string(y) + ".map";
            if (vektest::ReadBytes(root + "/Map/M" + tile).size() != 70400) return "map tile M" + tile + " not 70,400 bytes";
            if (vektest::ReadBytes(root + "/Map/B" + tile).size() != 400) return "knowledge tile B" + tile + " not 400 bytes";
        }
    const Bytes f = vektest::ReadBytes(root + "/Data/MapPrefs.vek");
    if (f.size() < 42 || std::string(f.begin(), f.begin() + 4) != "MREF" || BE32(f, 8) != 16) return "no MREF first";
    if (std::string(f.begin() + 28, f.begin() + 32) != "MOVE") return "no MOVE after MREF";
    const uint32_t len = BE32(f, 36), n = BE16(f, 40);
    if (len != 2 + 18 * n || f.size() != 40 + (size_t)len) return "figure count does not fit the chunk";
    return "";
}

std::string CheckBmp(const Bytes &b, int &w, int &h)
{
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return "no BM";
    auto le32 = [&](size_t at) { return (uint32_t)b[at] | (uint32_t)b[at + 1] << 8 | (uint32_t)b[at + 2] << 16 | (uint32_t)b[at + 3] << 24; };
    if (le32(2) != b.size()) return "size field is not the file size";
    w = (int)le32(18), h = (int)le32(22);
    return "";
}

}  // namespace formats
