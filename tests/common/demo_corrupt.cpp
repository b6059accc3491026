// The corrupt-variant table. Mutations of animations take the file apart
// into frames and chunks (unscrambling the headers), change the chunks and
// put it together again, so that only the intended rule is broken.
#include "common/demo_corrupt.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "platform/datakit.h"

namespace vektest {

namespace {

using namespace datakit;

uint32_t Get32(const Bytes &b, size_t at)
{
    return (uint32_t)b.at(at) << 24 | (uint32_t)b.at(at + 1) << 16 | (uint32_t)b.at(at + 2) << 8 | b.at(at + 3);
}

void Set32(Bytes &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b.at(at + i) = (uint8_t)(v >> (24 - 8 * i));
}

Bytes Cut(const Bytes &b, size_t n) { return Bytes(b.begin(), b.begin() + (long)std::min(n, b.size())); }

// ---- Animations taken apart -------------------------------------------------

struct Chunk {
    uint32_t id;  // the four letters
    Bytes data;
};
struct Frame {
    uint32_t type;
    std::vector<Chunk> chunks;
};

std::vector<Frame> Frames(const Bytes &b)
{
    std::vector<Frame> frames;
    uint16_t key = ANIM_START_KEY;
    size_t pos = 12;
    while (pos + 8 <= b.size()) {
        uint32_t id = Get32(b, pos), len = Get32(b, pos + 4);
        AnimDecrypt2(key, id, len);
        const size_t data = pos + 8;
        key = AnimNextKey(key, Get32(b, data));
        Frame f{Get32(b, data), {}};
        for (size_t p = data + 4; p + 8 <= data + len;) {
            uint32_t cid = Get32(b, p), clen = Get32(b, p + 4);
            AnimDecrypt2(key, cid, clen);
            f.chunks.push_back({AnimPlainId(cid), Bytes(b.begin() + (long)p + 8, b.begin() + (long)(p + 8 + clen))});
            p += 8 + clen + (clen & 1);
        }
        frames.push_back(std::move(f));
        pos = data + len + (len & 1);
    }
    return frames;
}

// The inverse of the three unscrambling stages, last stage first.
void Scramble(uint16_t key, uint32_t &id, uint32_t &len)
{
    if (key == 0) return;
    auto rotr = [](uint32_t v, unsigned n) { return n == 0 ? v : (v >> n) | (v << (32 - n)); };
    auto undo = [&](uint32_t w, unsigned neg, unsigned rot) {
        w = rotr(w, (key >> rot) & 7);
        return (key >> neg & 1) ? 0u - w : w;
    };
    const uint32_t t3 = undo(len, 8, 9);
    const uint32_t t2 = undo((id & 0xFFFF) << 16 | t3 >> 16, 4, 5);
    id = undo((id & 0xFFFF0000) | t2 >> 16, 0, 1);
    len = (t2 & 0xFFFF) << 16 | (t3 & 0xFFFF);
}

void PutHead(Bytes &out, uint16_t key, uint32_t id, uint32_t len, bool scrambledIds)
{
    uint32_t sid = scrambledIds ? AnimScrambledId(id) : id;
    Scramble(key, sid, len);
    out.resize(out.size() + 8);
    Set32(out, out.size() - 8, sid);
    Set32(out, out.size() - 4, len);
}

// startKey 0 writes a plain file.
Bytes Join(const std::vector<Frame> &frames, uint16_t startKey)
{
    Bytes out = {'F', 'O', 'R', 'M', 0, 0, 0, 0, 'A', 'N', 'I', 'M'};
    uint16_t key = startKey;
    for (const Frame &f : frames) {
        const uint16_t inner = key ? AnimNextKey(key, f.type) : 0;
        Bytes payload(4);
        Set32(payload, 0, f.type);
        for (const Chunk &c : f.chunks) {
            PutHead(payload, inner, c.id, (uint32_t)c.data.size(), startKey != 0);
            payload.insert(payload.end(), c.data.begin(), c.data.end());
            if (c.data.size() & 1) payload.push_back(0);
        }
        PutHead(out, key, AnimFourCC("FORM"), (uint32_t)payload.size(), startKey != 0);
        out.insert(out.end(), payload.begin(), payload.end());
        if (payload.size() & 1) out.push_back(0);
        key = inner;
    }
    Set32(out, 4, (uint32_t)(out.size() - 8));
    return out;
}

Chunk &Find(std::vector<Frame> &frames, size_t frame, const char (&id)[5])
{
    for (Chunk &c : frames.at(frame).chunks)
        if (c.id == AnimFourCC(id)) return c;
    throw std::runtime_error(std::string("no chunk ") + id);
}

template <class F> Bytes EditAnim(const Bytes &valid, F edit, uint16_t startKey = ANIM_START_KEY)
{
    std::vector<Frame> frames = Frames(valid);
    edit(frames);
    return Join(frames, startKey);
}

// ---- Mutations ---------------------------------------------------------------

// Graphics index.
Bytes IndexCountTooHigh(const Bytes &b) { Bytes o = b; Set32(o, 32, PICTURE_COUNT + 1); return o; }
Bytes IndexRecordsCut(const Bytes &b) { return Cut(b, 36 * 800); }
Bytes IndexPathPastEnd(const Bytes &b) { Bytes o = b; Set32(o, 36 * 5 + 20, 0x00FFFFFF); return o; }
Bytes IndexPathWithoutNul(const Bytes &b) { return Cut(b, b.size() - 1); }
Bytes IndexWrongNumber(const Bytes &b) { Bytes o = b; Set32(o, 36 * 2, 3); return o; }
Bytes IndexSizeTooLarge(const Bytes &b) { Bytes o = b; Set32(o, 36 * 2 + 24, Get32(o, 36 * 2 + 24) + 640); return o; }
Bytes IndexEmpty(const Bytes &) { return {}; }
Bytes ShortByOne(const Bytes &b) { return Cut(b, b.size() - 1); }
Bytes ColourMapShort(const Bytes &b) { return Cut(b, 700); }
Bytes MaskSwapped(const Bytes &b)
{
    Bytes o = b;
    std::swap(o.at(0), o.at(3));
    std::swap(o.at(1), o.at(2));
    return o;
}

// Sound index.
Bytes SoundCountLow(const Bytes &b) { Bytes o = b; Set32(o, 32, 100); return o; }
Bytes SoundNamePastEnd(const Bytes &b) { Bytes o = b; Set32(o, 16 + 20 * 3 + 12, 0x00FFFFFF); return o; }
Bytes SoundNameEmpty(const Bytes &b)
{
    // Point sound 3 at the NUL that ends the name of sound 2.
    Bytes o = b;
    size_t at = 32 + Get32(o, 16 + 20 * 2 + 12);
    while (o.at(at) != 0) ++at;
    Set32(o, 16 + 20 * 3 + 12, (uint32_t)(at - 32));
    return o;
}
Bytes SoundOddLength(const Bytes &b) { Bytes o = b; Set32(o, 16 + 20 * 3 + 4, Get32(o, 16 + 20 * 3 + 4) + 1); return o; }
Bytes SoundRateZero(const Bytes &b) { Bytes o = b; Set32(o, 16 + 20 * 3 + 8, 0); return o; }
Bytes SampleShort(const Bytes &b) { return Cut(b, b.size() - 2); }

// Fonts.
size_t FontCount(const Bytes &b) { return (size_t)(b.at(5) - b.at(4) + 1); }
Bytes FontBadTag(const Bytes &b) { Bytes o = b; o.at(3) = 'D'; return o; }
Bytes FontNoData(const Bytes &b) { Bytes o = b; o.at(24 + 8 * FontCount(b) + 3) = 'X'; return o; }
Bytes FontHiBelowLo(const Bytes &b) { Bytes o = b; o.at(5) = (uint8_t)(o.at(4) - 1); return o; }
Bytes FontGlyphPastBitmap(const Bytes &b)
{
    Bytes o = b;
    const size_t at = 24 + 4 * ('A' - o.at(4));
    o.at(at) = o.at(6), o.at(at + 1) = o.at(7);  // offset = the bitmap width
    return o;
}
Bytes FontBitmapCut(const Bytes &b) { return Cut(b, b.size() - 10); }

// Screen description files: entry e at 40 + 12 e {tag, count, offset}.
Bytes ScreenCut(const Bytes &b) { return Cut(b, 60); }
Bytes ScreenEntries25(const Bytes &b) { Bytes o = b; Set32(o, 36, 25); return o; }
Bytes ScreenEntriesHuge(const Bytes &b) { Bytes o = b; Set32(o, 36, 0xFFFFFFFF); return o; }
Bytes ScreenOffsetPastEnd(const Bytes &b) { Bytes o = b; Set32(o, 48, 0xFFFF0000); return o; }
Bytes ScreenCountPastEnd(const Bytes &b) { Bytes o = b; Set32(o, 56, 10000); return o; }
Bytes ScreenGadgetCount41(const Bytes &b)
{
    // Room for the four more records, so that only the count is wrong.
    Bytes o = b;
    Set32(o, 56, 41);
    o.resize(o.size() + 4 * LayoutRecordSize[KIND_GADGET], 0);
    return o;
}
Bytes ScreenLinkPastEnd(const Bytes &b) { Bytes o = b; Set32(o, 32 + Get32(o, 60) + 20, 0x00FFFFFF); return o; }
Bytes ScreenOnlyTitles(const Bytes &b) { Bytes o = b; Set32(o, 36, 1); return o; }
Bytes ScreenNoGadgets(const Bytes &b) { Bytes o = b; Set32(o, 56, 0); return o; }
Bytes ScreenTextIdTooHigh(const Bytes &b) { Bytes o = b; Set32(o, 32 + Get32(o, 48) + 8, 2000); return o; }
Bytes ScreenTitlesNotEnded(const Bytes &b)
{
    Bytes o = b;
    const size_t last = 32 + Get32(o, 48) + 12 * (Get32(o, 44) - 1);
    Set32(o, last + 8, 5);
    return o;
}
Bytes SlotsOneShort(const Bytes &b) { Bytes o = b; Set32(o, 44, TOWN_SLOTS - 1); return o; }

// Catalogs.
Bytes CatalogNoForm(const Bytes &b) { Bytes o = b; o.at(3) = 'X'; return o; }
Bytes CatalogNoCtlg(const Bytes &b) { Bytes o = b; o.at(11) = 'X'; return o; }
Bytes CatalogSizePastEnd(const Bytes &b) { Bytes o = b; Set32(o, 4, Get32(o, 4) + 100); return o; }
size_t CatalogChunk(const Bytes &b, const char *id)
{
    for (size_t p = 12; p + 8 <= b.size();) {
        if (std::equal(id, id + 4, b.begin() + (long)p)) return p;
        const uint32_t len = Get32(b, p + 4);
        p += 8 + len + (len & 1);
    }
    throw std::runtime_error(std::string("no chunk ") + id);
}
Bytes CatalogNoLang(const Bytes &b) { Bytes o = b; o.at(CatalogChunk(b, "LANG") + 3) = 'X'; return o; }
Bytes CatalogEntryPastChunk(const Bytes &b) { Bytes o = b; Set32(o, CatalogChunk(b, "STRS") + 12, 0xFFFF); return o; }
Bytes CatalogTextWithoutNul(const Bytes &b)
{
    Bytes o = b;
    const size_t at = CatalogChunk(b, "STRS") + 8;
    const size_t padded = (Get32(o, at + 4) + 3) / 4 * 4;
    std::fill(o.begin() + (long)at + 8, o.begin() + (long)(at + 8 + padded), 'X');
    return o;
}

// Animations.
Bytes AnimBodyFirst(const Bytes &b)
{
    return EditAnim(b, [](std::vector<Frame> &f) {
        auto &c = f.at(0).chunks;
        std::swap(c.front(), c.back());  // BODY ahead of BMHD
    });
}
Bytes AnimDepth7(const Bytes &b) { return EditAnim(b, [](std::vector<Frame> &f) { Find(f, 0, "BMHD").data.at(8) = 7; }); }
Bytes AnimWidth60(const Bytes &b) { return EditAnim(b, [](std::vector<Frame> &f) { Find(f, 0, "BMHD").data.at(1) = 60; }); }
Bytes AnimBodyShort(const Bytes &b)
{
    return EditAnim(b, [](std::vector<Frame> &f) {
        Bytes &d = Find(f, 0, "BODY").data;
        d.resize(d.size() / 2);
    });
}
Bytes AnimRunPastRow(const Bytes &b) { return EditAnim(b, [](std::vector<Frame> &f) { Find(f, 0, "BODY").data.at(0) = 127; }); }
Bytes AnimDeltaOffsetPastPayload(const Bytes &b)
{
    return EditAnim(b, [](std::vector<Frame> &f) {
        Bytes &d = Find(f, 1, "DLTA").data;
        for (size_t p = 0; p < 8; ++p)
            if (Get32(d, 4 * p)) Set32(d, 4 * p, (uint32_t)d.size() + 16);
    });
}
Bytes AnimDeltaSkipPastHeight(const Bytes &b)
{
    return EditAnim(b, [](std::vector<Frame> &f) {
        Bytes &d = Find(f, 1, "DLTA").data;
        for (size_t p = 0; p < 8; ++p)
            if (const uint32_t off = Get32(d, 4 * p)) {
                d.at(off) = 2;       // two operations in the first column:
                d.at(off + 1) = 127;  // skip 127 rows,
                d.at(off + 2) = 127;  // and 127 more
                return;
            }
    });
}
Bytes AnimColourTableOverfilled(const Bytes &b)
{
    return EditAnim(b, [](std::vector<Frame> &f) {
        Bytes &d = Find(f, 0, "LRGB").data;
        Bytes groups(d.begin(), d.end() - 2);  // without the end group
        d = groups;
        d.insert(d.end(), groups.begin(), groups.begin() + 2 + 3 * 128);  // a third group of 128
        d.push_back(0), d.push_back(0);
    });
}
Bytes AnimColourMapShort(const Bytes &b) { return EditAnim(b, [](std::vector<Frame> &f) { Find(f, 0, "CMAP").data.resize(300); }); }
Bytes AnimChunkLengthZero(const Bytes &b) { return EditAnim(b, [](std::vector<Frame> &f) { Find(f, 0, "BMHD").data.clear(); }); }
Bytes AnimWrongKey(const Bytes &b) { return EditAnim(b, [](std::vector<Frame> &) {}, ANIM_START_KEY + 1); }
Bytes AnimPlain(const Bytes &b) { return EditAnim(b, [](std::vector<Frame> &) {}, 0); }

// Chunk pools: INFO at 0, the second chunk at 52.
Bytes PoolCut(const Bytes &b) { return Cut(b, b.size() - 5); }
Bytes PoolLengthPastEnd(const Bytes &b) { Bytes o = b; Set32(o, 52 + 8, 0xFFFFFFF4); return o; }
Bytes PoolNotInfoFirst(const Bytes &b) { Bytes o = b; o.at(3) = 'X'; return o; }
Bytes PoolUnknownChunk(const Bytes &b) { Bytes o = b; std::copy_n("XXXX", 4, o.begin() + 52); return o; }
Bytes PoolChunkTwice(const Bytes &b)
{
    Bytes o = b;
    const size_t third = 52 + 12 + Get32(o, 52 + 8);
    std::copy_n(o.begin() + 52, 4, o.begin() + (long)third);
    return o;
}
// The bit of a request chunk (ANFR), which the server never sends.
Bytes PoolBitWithoutChunk(const Bytes &b) { Bytes o = b; Set32(o, 16, Get32(o, 16) | 1u << 21); return o; }
Bytes Empty(const Bytes &) { return {}; }
Bytes Cut11(const Bytes &b) { return Cut(b, 11); }

// The realm's own files.
Bytes MapTileShort(const Bytes &b) { return Cut(b, b.size() - 1); }
Bytes FigureCountPastChunk(const Bytes &b)
{
    Bytes o = b;
    o.at(41) = (uint8_t)(o.at(41) + 1);  // one figure more than the chunk holds
    return o;
}
Bytes FigureFileWithoutMref(const Bytes &b) { Bytes o = b; o.at(3) = 'X'; return o; }

// Start-up.
Bytes Garbage(const Bytes &) { return Bytes(1000, 0x55); }

const std::vector<CorruptVariant> variants = {
    {"index", "count above 1615", "Data/Path", IndexCountTooHigh, true},
    {"index", "records cut off", "Data/Path", IndexRecordsCut, true},
    {"index", "path offset past the file", "Data/Path", IndexPathPastEnd, true},
    {"index", "last path without its NUL", "Data/Path", IndexPathWithoutNul, true},
    {"index", "record carries another number", "Data/Path", IndexWrongNumber, true},
    {"index", "picture size beyond its file", "Data/Path", IndexSizeTooLarge, false},
    {"index", "empty index", "Data/Path", IndexEmpty, true},
    {"index", "picture file missing", "Pics/Residenz.chk", nullptr, true},
    {"index", "picture file short", "Pics/Residenz.chk", ShortByOne, false},
    {"index", "colour map missing", "Pics/Kavoria.cma", nullptr, true},
    {"index", "colour map short", "Pics/Kavoria.cma", ColourMapShort, false},
    {"index", "hex mask already converted", "Bobs/Karte/Hexmaske_0031.chk", MaskSwapped, false},
    {"sound", "count below the sounds in use", "Data/SfxPath", SoundCountLow, true},
    {"sound", "name offset past the file", "Data/SfxPath", SoundNamePastEnd, true},
    {"sound", "empty name", "Data/SfxPath", SoundNameEmpty, true},
    {"sound", "odd length", "Data/SfxPath", SoundOddLength, false},
    {"sound", "rate 0", "Data/SfxPath", SoundRateZero, true},
    {"sound", "sample shorter than its length", "Sfx/Ton_3.raw", SampleShort, true},
    {"sound", "sample missing", "Sfx/Klick.raw", nullptr, true},
    {"font", "no FONT tag", "Fonts/XHelvetica11.fnt", FontBadTag, true},
    {"font", "fourth tag is not DATA", "Fonts/XHelvetica11.fnt", FontNoData, true},
    {"font", "last character below the first", "Fonts/XHelvetica11.fnt", FontHiBelowLo, true},
    {"font", "glyph past the bitmap", "Fonts/XHelvetica11.fnt", FontGlyphPastBitmap, true},
    {"font", "bitmap cut short", "Fonts/XHelvetica11.fnt", FontBitmapCut, true},
    {"font", "font missing", "Fonts/KavorC1.fnt", nullptr, true},
    {"screen", "cut off in the entries", "Data/screendat/Titel.dat", ScreenCut, true},
    {"screen", "25 entries", "Data/screendat/Titel.dat", ScreenEntries25, true},
    {"screen", "huge entry count", "Data/screendat/Titel.dat", ScreenEntriesHuge, true},
    {"screen", "offset past the file", "Data/screendat/Titel.dat", ScreenOffsetPastEnd, true},
    {"screen", "count past the file", "Data/screendat/Titel.dat", ScreenCountPastEnd, true},
    {"screen", "41 gadgets", "Data/screendat/Handel.dat", ScreenGadgetCount41, true},
    {"screen", "link past the file", "Data/screendat/Titel.dat", ScreenLinkPastEnd, true},
    {"screen", "gadgets missing", "Data/screendat/Titel.dat", ScreenOnlyTitles, true},
    {"screen", "no gadget records", "Data/screendat/Titel.dat", ScreenNoGadgets, true},
    {"screen", "text ID past the game strings", "Data/screendat/Titel.dat", ScreenTextIdTooHigh, false},
    {"screen", "title list without its end", "Data/screendat/Titel.dat", ScreenTitlesNotEnded, false},
    {"screen", "one town slot short", "Data/screendat/Info_Stadt.dat", SlotsOneShort, false},
    {"screen", "file missing", "Data/screendat/ChooseBox.dat", nullptr, true},
    {"catalog", "no FORM", "catalogs/deutsch/VekBrowser.catalog", CatalogNoForm, true},
    {"catalog", "no CTLG", "catalogs/deutsch/VekBrowser.catalog", CatalogNoCtlg, true},
    {"catalog", "FORM size past the file", "catalogs/deutsch/VekBrowser.catalog", CatalogSizePastEnd, true},
    {"catalog", "no LANG chunk", "catalogs/deutsch/VekBrowser.catalog", CatalogNoLang, true},
    {"catalog", "string entry past its chunk", "catalogs/deutsch/VekBrowser.catalog", CatalogEntryPastChunk, true},
    {"catalog", "string without its NUL", "catalogs/deutsch/RoredIdez.catalog", CatalogTextWithoutNul, true},
    {"anim", "BODY before BMHD", "Anims/Brunnen.cban", AnimBodyFirst, true},
    {"anim", "depth 7", "Anims/Brunnen.cban", AnimDepth7, true},
    {"anim", "width not a multiple of 8", "Anims/Brunnen.cban", AnimWidth60, true},
    {"anim", "BODY cut short", "Anims/Brunnen.cban", AnimBodyShort, true},
    {"anim", "ByteRun1 run past the row", "Anims/Brunnen.cban", AnimRunPastRow, true},
    {"anim", "DLTA offset past its payload", "Anims/Brunnen.cban", AnimDeltaOffsetPastPayload, true},
    {"anim", "DLTA skips past the height", "Anims/Brunnen.cban", AnimDeltaSkipPastHeight, true},
    {"anim", "LRGB overfills the colour table", "Anims/TitelWasserfall.cban", AnimColourTableOverfilled, true},
    {"anim", "CMAP short", "Anims/Brunnen.cban", AnimColourMapShort, true},
    {"anim", "chunk length 0", "Anims/Brunnen.cban", AnimChunkLengthZero, true},
    {"anim", "scrambled with another key", "Anims/Brunnen.cban", AnimWrongKey, true},
    {"anim", "plain file", "Anims/Brunnen.cban", AnimPlain, true},
    {"anim", "animation missing", "Anims/Credits.cban", nullptr, true},
    {"pool", "cut in its last chunk", "Data/POP3In/GameChunk.vek", PoolCut, true},
    {"pool", "length past the end", "Data/POP3In/GameChunk.vek", PoolLengthPastEnd, true},
    {"pool", "first chunk not INFO", "Data/POP3In/GameChunk.vek", PoolNotInfoFirst, true},
    {"pool", "unknown chunk", "Data/POP3In/GameChunk.vek", PoolUnknownChunk, true},
    {"pool", "a chunk twice", "Data/POP3In/GameChunk.vek", PoolChunkTwice, true},
    {"pool", "bit without its chunk", "Data/POP3In/GameChunk.vek", PoolBitWithoutChunk, true},
    {"pool", "empty pool", "Data/POP3Out/GameChunk.vek", Empty, true},
    {"pool", "11-byte pool", "Data/POP3Out/GameChunk.vek", Cut11, true},
    {"map", "map tile short", "Map/M_1_1.map", MapTileShort, false},
    {"map", "knowledge tile short", "Map/B_1_1.map", MapTileShort, false},
    {"map", "figure count past the chunk", "Data/MapPrefs.vek", FigureCountPastChunk, false},
    {"map", "figure file without MREF", "Data/MapPrefs.vek", FigureFileWithoutMref, true},
    {"startup", "pointer picture missing", "Pics/CursorSDL.chk", nullptr, true},
    {"startup", "garbage module", "Mods/VekMain.xm", Garbage, true},
};

}  // namespace

const std::vector<CorruptVariant> &CorruptVariants() { return variants; }

std::vector<CorruptVariant> CorruptVariantsOf(const std::string &format)
{
    std::vector<CorruptVariant> out;
    for (const CorruptVariant &v : variants)
        if (format == v.format) out.push_back(v);
    return out;
}

Bytes ApplyCorruptVariant(const std::string &demoDir, const CorruptVariant &v)
{
    const std::string path = demoDir + "/" + v.file;
    if (!Exists(path)) throw std::runtime_error(std::string("no file ") + v.file + " to corrupt");
    Bytes previous = ReadBytes(path);
    if (v.mutate) WriteBytes(path, v.mutate(previous));
    else std::remove(path.c_str());
    return previous;
}

void RestoreCorruptVariant(const std::string &demoDir, const CorruptVariant &v, const Bytes &previous)
{
    WriteBytes(demoDir + "/" + v.file, previous);
}

}  // namespace vektest
