#include "moviefixture.h"

#include <cstring>

#include "kit.h"
#include "platform/datakit.h"

namespace movietest {

Bytes BE32(ULONG v) { return {(UBYTE)(v >> 24), (UBYTE)(v >> 16), (UBYTE)(v >> 8), (UBYTE)v}; }

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes &p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Bmhd(UWORD w, UWORD h, UBYTE depth, BYTE kompr)
{
    Bytes b(20, 0);
    b[0] = (UBYTE)(w >> 8), b[1] = (UBYTE)w, b[2] = (UBYTE)(h >> 8), b[3] = (UBYTE)h;
    b[8] = depth, b[10] = (UBYTE)kompr;
    return b;
}

Bytes Dlta(const std::vector<ULONG> &offsets, const Bytes &body)
{
    Bytes d;
    for (int i = 0; i < 16; ++i) {
        const Bytes o = BE32(i < (int)offsets.size() ? offsets[i] : 0);
        d.insert(d.end(), o.begin(), o.end());
    }
    d.insert(d.end(), body.begin(), body.end());
    return d;
}

namespace {

ULONG FourCC(const std::string &s) { return (ULONG)(UBYTE)s[0] << 24 | (ULONG)(UBYTE)s[1] << 16 | (ULONG)(UBYTE)s[2] << 8 | (UBYTE)s[3]; }

void PutHeader(Bytes &out, UWORD key, ULONG id, ULONG len)
{
    if (key) {
        id = datakit::AnimScrambledId(id);
        vekdemo::AnimScramble(key, id, len);
    }
    const Bytes a = BE32(id), b = BE32(len);
    out.insert(out.end(), a.begin(), a.end());
    out.insert(out.end(), b.begin(), b.end());
}

}  // namespace

Bytes FramePayload(const std::vector<Chunk> &chunks, UWORD key, bool oddEnd)
{
    Bytes p = {'I', 'L', 'B', 'M'};
    for (size_t i = 0; i < chunks.size(); ++i) {
        const Chunk &c = chunks[i];
        PutHeader(p, key, FourCC(c.id), (ULONG)c.data.size());
        p.insert(p.end(), c.data.begin(), c.data.end());
        if ((c.data.size() & 1) && !(oddEnd && i + 1 == chunks.size())) p.push_back(0);
    }
    return p;
}

Bytes MovieFile(const std::vector<std::vector<Chunk>> &frames, bool scrambled, bool oddEnds)
{
    Bytes file = {'F', 'O', 'R', 'M', 0, 0, 0, 0, 'A', 'N', 'I', 'M'};
    UWORD key = scrambled ? datakit::ANIM_START_KEY : 0;
    for (const auto &f : frames) {
        const UWORD inner = key ? datakit::AnimNextKey(key, FourCC("ILBM")) : 0;
        const Bytes payload = FramePayload(f, inner, oddEnds);
        PutHeader(file, key, FourCC("FORM"), (ULONG)payload.size());
        file.insert(file.end(), payload.begin(), payload.end());
        if (payload.size() & 1) file.push_back(0);
        key = inner;
    }
    const Bytes len = BE32((ULONG)file.size() - 8);
    std::copy(len.begin(), len.end(), file.begin() + 4);
    return file;
}

std::vector<std::vector<Chunk>> ThreeFrames()
{
    Bytes body = {0x01, 0x80, 0x00};
    for (int i = 0; i < 15; ++i) body.insert(body.end(), {0xFF, 0x00});
    const Bytes lrgb = {3, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0};
    Bytes second;  // per plane: column 0 no ops, column 1 one run of 1 row of 0x01
    std::vector<ULONG> offsets;
    for (int p = 0; p < 8; ++p) {
        offsets.push_back(64 + 5 * p);
        second.insert(second.end(), {0x00, 0x01, 0x00, 0x01, 0x01});
    }
    return {
        {{"BMHD", Bmhd(16, 2)}, {"LRGB", lrgb}, {"BODY", body}},
        {{"ANHD", Bytes(40, 0)}, {"DLTA", Dlta({0, 64}, {0x02, 0x01, 0x81, 0x40, 0x00})}},
        {{"ANHD", Bytes(40, 0)}, {"DLTA", Dlta(offsets, second)}},
    };
}

UBYTE PixelOf(const UBYTE *buffer, int w, int h, int x, int y)
{
    const int rowBytes = w / 8, planeSize = rowBytes * h;
    UBYTE v = 0;
    for (int p = 0; p < 8; ++p)
        if (buffer[p * planeSize + y * rowBytes + x / 8] & (0x80 >> (x % 8))) v |= (UBYTE)(1 << p);
    return v;
}

TestMovie::TestMovie()
{
    m.BMHD = &bmhd;
    m.ANHD = &anhd;
    m.SXHD = &sxhd;
    m.LoadRGBStruct = rgb;
    m.GRS_Pointer = &grs;
}

TestMovie::~TestMovie()
{
    FreeANIM5Handle(m.A5Handle);
    if (grs.Frame) SDL_FreeSurface(grs.Frame);
}

int TestMovie::Parse(const Bytes &payload, bool sound) { return FORMParser(&m, payload.data(), (ULONG)payload.size(), sound); }

Bytes TestMovie::Buffers() const
{
    const ANIM5Handle *h = m.A5Handle;
    if (!h) return {};
    const size_t n = (size_t)h->Width * h->Height;
    Bytes out(h->PBuffer1, h->PBuffer1 + n);
    out.insert(out.end(), h->PBuffer2, h->PBuffer2 + n);
    return out;
}

}  // namespace movietest
