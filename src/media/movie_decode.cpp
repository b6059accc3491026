// Frame decoding: the chunks of one frame FORM, key frames (raw or ByteRun1)
// into both planar buffers, byte-vertical deltas into the buffer of the frame
// two back, and the colour chunks into the movie's colour table. Every read is
// bounded by its chunk and every write by its buffer; a chunk that breaks the
// format drops the rest of its frame and leaves the buffers as they were.
#include <cstring>
#include <vector>

#include "media/movie_local.h"
#include "platform/datakit.h"
#include "platform/memfile.h"

void (*MovieFrameHook)(st_Movie *m, LONG frame, int whole) = nullptr;

namespace {

using datakit::AnimFourCC;

constexpr ULONG ID_BMHD = AnimFourCC("BMHD"), ID_BODY = AnimFourCC("BODY"), ID_ANHD = AnimFourCC("ANHD"),
                ID_DLTA = AnimFourCC("DLTA"), ID_CMAP = AnimFourCC("CMAP"), ID_LRGB = AnimFourCC("LRGB"),
                ID_SXHD = AnimFourCC("SXHD"), ID_SBDY = AnimFourCC("SBDY");

ULONG BE32(const UBYTE *p) { return (ULONG)p[0] << 24 | (ULONG)p[1] << 16 | (ULONG)p[2] << 8 | p[3]; }
UWORD BE16(const UBYTE *p) { return (UWORD)(p[0] << 8 | p[1]); }

constexpr ULONG MOVIE_MAX_PIXELS = 4096u * 4096u;

int Drop(const char *why)
{
    std::printf("FORMParser: %s, Frame verworfen\n", why);
    return 0;
}

ANIM5Handle *InitANIM5Handle(st_Movie *m, const BitMapHeaDer &b)
{
    std::printf("InitANIM5Handle: Width %i Height %i Depth %i\n", b.Width, b.Height, b.Depth);
    auto *h = (ANIM5Handle *)AllocVec(sizeof(ANIM5Handle), MEMF_CLEAR);
    h->MB = m->MB;
    h->M = m;
    h->Width = b.Width;
    h->Height = b.Height;
    h->Depth = b.Depth;
    const ULONG size = (ULONG)b.Width * b.Height;
    h->PBuffer1 = (UBYTE *)AllocVec(size, MEMF_CLEAR);
    if (!h->PBuffer1) std::printf("No PBuffer1!\n");
    h->PBuffer2 = (UBYTE *)AllocVec(size, MEMF_CLEAR);
    if (!h->PBuffer2) std::printf("No PBuffer2!\n");
    m->Width = b.Width;
    m->Height = b.Height;
    m->Depth = b.Depth;
    m->Planar = 1;
    m->DisplayCount = 0;
    m->ColCnt = (UWORD)(1u << b.Depth);
    return h;
}

int TakeBMHD(st_Movie *m, const UBYTE *d, ULONG len)
{
    if (len < 20) return Drop("BMHD zu kurz");
    BitMapHeaDer b{};
    b.Width = BE16(d), b.Height = BE16(d + 2), b.dX = (WORD)BE16(d + 4), b.dY = (WORD)BE16(d + 6);
    b.Depth = d[8], b.Mask = d[9], b.Kompr = (BYTE)d[10], b.pad = (BYTE)d[11];
    b.transcolor = BE16(d + 12), b.XAspect = d[14], b.YAspect = d[15];
    b.SWidth = (WORD)BE16(d + 16), b.SHeight = (WORD)BE16(d + 18);
    // The renderer converts 8 planes of Width / 8 bytes per row.
    if (b.Depth != 8) return Drop("Tiefe ist nicht 8");
    if (b.Width == 0 || b.Height == 0 || b.Width % 8 != 0) return Drop("Breite ist kein Vielfaches von 8");
    // Two buffers of this size are allocated, and running out of memory is fatal.
    if ((ULONG)b.Width * b.Height > MOVIE_MAX_PIXELS) return Drop("Bild zu gross");
    if (ANIM5Handle *h = m->A5Handle) {
        if (h->Width != b.Width || h->Height != b.Height) return Drop("BMHD mit anderer Groesse");
    } else {
        m->A5Handle = InitANIM5Handle(m, b);
    }
    if (m->BMHD) *m->BMHD = b;
    return 1;
}

bool Usable(const ANIM5Handle *h) { return h && h->PBuffer1 && h->PBuffer2; }

// A key frame: rows of Depth plane rows each. Check first, then write, so that
// a broken BODY leaves the buffers alone.
template <bool Write>
bool KeyFrame(ANIM5Handle *h, BYTE kompr, const UBYTE *d, ULONG len)
{
    const ULONG rowBytes = h->Width / 8u, planeSize = rowBytes * h->Height;
    ULONG at = 0;
    for (ULONG y = 0; y < h->Height; ++y)
        for (ULONG p = 0; p < h->Depth; ++p) {
            UBYTE *row = h->PBuffer1 + p * planeSize + y * rowBytes;
            if (kompr == 0) {
                if (len - at < rowBytes) return false;
                if (Write) std::memcpy(row, d + at, rowBytes);
                at += rowBytes;
                continue;
            }
            ULONG x = 0;
            while (x < rowBytes) {
                if (at >= len) return false;
                const int n = (BYTE)d[at++];
                if (n >= 0) {
                    const ULONG count = (ULONG)n + 1;
                    if (count > rowBytes - x || count > len - at) return false;
                    if (Write) std::memcpy(row + x, d + at, count);
                    at += count, x += count;
                } else if (n != -128) {
                    const ULONG count = (ULONG)(1 - n);
                    if (count > rowBytes - x || at >= len) return false;
                    if (Write) std::memset(row + x, d[at], count);
                    ++at, x += count;
                }
            }
        }
    return true;
}

int TakeBODY(st_Movie *m, const UBYTE *d, ULONG len)
{
    ANIM5Handle *h = m->A5Handle;
    if (!h) return Drop("BODY vor BMHD");
    if (!Usable(h)) return 1;
    const BYTE kompr = m->BMHD ? m->BMHD->Kompr : 1;
    if (!KeyFrame<false>(h, kompr, d, len)) return Drop("BODY passt nicht zu BMHD");
    KeyFrame<true>(h, kompr, d, len);
    std::memcpy(h->PBuffer2, h->PBuffer1, (size_t)h->Width * h->Height);
    h->upperbuffer = 255;
    return 1;
}

// Byte-vertical delta (ANIM operation 5) into target.
template <bool Write>
bool Delta(const ANIM5Handle *h, UBYTE *target, const UBYTE *d, ULONG len)
{
    if (len < 64) return false;
    const ULONG rowBytes = h->Width / 8u, planeSize = rowBytes * h->Height;
    for (ULONG p = 0; p < 8; ++p) {
        ULONG at = BE32(d + 4 * p);
        if (at == 0) continue;
        if (at >= len) return false;
        UBYTE *plane = target + p * planeSize;
        for (ULONG x = 0; x < rowBytes; ++x) {
            if (at >= len) return false;
            ULONG ops = d[at++], y = 0;
            while (ops--) {
                if (at >= len) return false;
                const UBYTE b = d[at++];
                if (b == 0) {
                    if (len - at < 2) return false;
                    const ULONG n = d[at];
                    const UBYTE v = d[at + 1];
                    at += 2;
                    if (n > h->Height - y) return false;
                    if (Write)
                        for (ULONG k = 0; k < n; ++k) plane[(y + k) * rowBytes + x] = v;
                    y += n;
                } else if (b & 0x80) {
                    const ULONG n = b & 0x7Fu;
                    if (n > h->Height - y || n > len - at) return false;
                    if (Write)
                        for (ULONG k = 0; k < n; ++k) plane[(y + k) * rowBytes + x] = d[at + k];
                    at += n, y += n;
                } else {
                    if (b > h->Height - y) return false;
                    y += b;
                }
            }
        }
    }
    return true;
}

int TakeDLTA(st_Movie *m, const UBYTE *d, ULONG len)
{
    ANIM5Handle *h = m->A5Handle;
    if (!h) return Drop("DLTA vor BMHD");
    if (!Usable(h)) return 1;
    UBYTE *target = h->upperbuffer ? h->PBuffer2 : h->PBuffer1;
    if (!Delta<false>(h, target, d, len)) return Drop("DLTA passt nicht zu BMHD");
    Delta<true>(h, target, d, len);
    h->upperbuffer = h->upperbuffer ? 0 : 255;
    return 1;
}

// Colour table: groups {UWORD count, UWORD first, count x 3 ULONG} ended by a ULONG 0.
struct TableWriter {
    UBYTE bytes[MOVIE_RGB_TABLE_SIZE];
    ULONG used = 0;
    bool Group(UWORD count, UWORD first, const UBYTE *rgb)
    {
        if (MOVIE_RGB_TABLE_SIZE - used < 4 + 12u * count + 4) return false;
        std::memcpy(bytes + used, &count, 2);
        std::memcpy(bytes + used + 2, &first, 2);
        used += 4;
        for (ULONG i = 0; i < 3u * count; ++i, used += 4) {
            const ULONG v = (ULONG)rgb[i] << 24;
            std::memcpy(bytes + used, &v, 4);
        }
        return true;
    }
    void Commit(ULONG *table)
    {
        std::memset(bytes + used, 0, 4);
        std::memcpy(table, bytes, used + 4);
    }
};

int TakeCMAP(st_Movie *m, const UBYTE *d, ULONG len)
{
    if (!m->A5Handle) return Drop("CMAP vor BMHD");
    ULONG count = 1u << m->A5Handle->Depth;
    if (len / 3 < count) count = len / 3;
    TableWriter t;
    t.Group((UWORD)count, 0, d);
    if (m->LoadRGBStruct) t.Commit(m->LoadRGBStruct);
    return 1;
}

int TakeLRGB(st_Movie *m, const UBYTE *d, ULONG len)
{
    TableWriter t;
    ULONG at = 0;
    for (;;) {
        if (len - at < 2) return Drop("LRGB ohne Ende");
        const UWORD n = d[at], first = d[at + 1];
        at += 2;
        if (n == 0) break;
        if (first + n > 256) return Drop("LRGB ueber Farbe 255");
        if ((len - at) / 3 < n) return Drop("LRGB zu kurz");
        if (!t.Group(n, first, d + at)) return Drop("LRGB groesser als die Farbtabelle");
        at += 3u * n;
    }
    if (m->LoadRGBStruct) t.Commit(m->LoadRGBStruct);
    return 1;
}

void TakeSXHD(st_Movie *m, const UBYTE *d, ULONG len)
{
    UBYTE raw[28] = {};
    std::memcpy(raw, d, len < 28 ? len : 28);
    if (!m->SXHD) return;
    SXHeaDer &s = *m->SXHD;
    s.SampleDepth = raw[0], s.FixedVolume = raw[1];
    s.Length = (LONG)BE32(raw + 4), s.Playrate = (LONG)BE32(raw + 8);
    s.SkipFrames = BE16(raw + 12), s.CompressionMethode = BE16(raw + 14);
    s.UsedChannels = raw[16], s.UsedMode = raw[17];
    s.PlayFreq = (LONG)BE32(raw + 20), s.Loop = BE32(raw + 24);
}

}  // namespace

void Decrypt2(UWORD key, ULONG &id, ULONG &length)
{
    if (key) datakit::AnimDecrypt2(key, id, length);
}

UWORD DecryptKey(UWORD key, ULONG firstWord) { return datakit::AnimNextKey(key, firstWord); }

const UBYTE *NewestBuffer(const ANIM5Handle *h) { return h->upperbuffer ? h->PBuffer1 : h->PBuffer2; }

void FreeANIM5Handle(ANIM5Handle *h)
{
    if (!h) return;
    FreeVec(h->PBuffer1);
    FreeVec(h->PBuffer2);
    FreeVec(h->RBuffer1);
    FreeVec(h->RBuffer2);
    FreeVec(h);
}

int FORMParser(st_Movie *m, const UBYTE *payload, ULONG length, bool sound)
{
    bool colourOpen = true;  // an LRGB shuts out a later CMAP of the same frame
    ULONG at = 4;
    while (at < length && length - at >= 8) {
        ULONG id = BE32(payload + at), len = BE32(payload + at + 4);
        Decrypt2((UWORD)m->Key, id, len);
        id = datakit::AnimPlainId(id);
        at += 8;
        if ((LONG)len <= 0) break;
        if (len > length - at) return Drop("Chunk laenger als sein Frame");
        const UBYTE *d = payload + at;
        int ok = 1;
        if (id == ID_BMHD) {
            ok = TakeBMHD(m, d, len);
        } else if (id == ID_ANHD) {
            if (m->ANHD && len >= 40) {
                AnimHeaDer &a = *m->ANHD;
                a.Operation = d[0], a.Mask = d[1], a.Width = BE16(d + 2), a.Height = BE16(d + 4);
                a.X = (WORD)BE16(d + 6), a.Y = (WORD)BE16(d + 8), a.AbsTime = BE32(d + 10), a.RelTime = BE32(d + 14);
                a.Interleave = d[18], a.Pad0 = d[19], a.Bits = BE32(d + 20);
                std::memcpy(a.Reserved, d + 24, 16);
            }
        } else if (id == ID_BODY) {
            ok = TakeBODY(m, d, len);
        } else if (id == ID_DLTA) {
            ok = TakeDLTA(m, d, len);
        } else if (id == ID_CMAP) {
            if (colourOpen) ok = TakeCMAP(m, d, len);
        } else if (id == ID_LRGB) {
            ok = TakeLRGB(m, d, len);
            colourOpen = false;
        } else if (sound && id == ID_SXHD) {
            TakeSXHD(m, d, len);
        } else if (sound && id == ID_SBDY && m->Audio) {
            // The movie audio is silent: a sound frame is counted and let go.
            m->AudioFrames++;
        }
        if (!ok) return 0;
        at += len;
        if (len & 1) ++at;
    }
    return 1;
}
