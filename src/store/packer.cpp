// Mail-safe text packer. The text's content is a stream of characters cut
// into lines; both directions work on that stream as one contiguous block
// (Implode builds it at the tail of the text and then spreads it into lines,
// Explode gathers it from the lines first), so the checksums run over whole
// words and the letter pairs never straddle a line break.
#include "store/packer.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/memfile.h"

namespace {

constexpr char kAltChars[] = "QRSTUVWXYZ1234567890abcdefghijklmnopqrstuvwxyz!$%&/()=?|+*#^,.-:_@<>[]'`~";
constexpr ULONG kAltCount = sizeof(kAltChars) - 1;
static_assert(kAltCount == 73);

constexpr char kHeader[] = ";XEncode;01";
constexpr size_t kHeaderLength = sizeof(kHeader) - 1;  // ";XEncode;" and the version
constexpr size_t kHeaderFields = 2 + 8 + 8 + 8;        // count, data sum, data length, text sum
constexpr size_t kHeaderLine = kHeaderLength + kHeaderFields + 2;
static_assert(kHeaderLine == 39);
constexpr size_t kTextSumOffset = kHeaderLength + 2 + 8 + 8;

constexpr char kEndLine[] = ";-------- Ende der Spieldaten --------;\r\n";
constexpr size_t kEndLineLength = sizeof(kEndLine) - 1;
static_assert(kEndLineLength == 41);

constexpr size_t kLineChars = 77;  // stream characters per line, after its ';'
constexpr size_t kBlock = 64;      // stream characters per letter mask


// Running state of the sum: the open group, how many values it holds, and
// which of exclusive-or, addition and subtraction combines the next group.
struct SumState {
    ULONG sum = 0;
    ULONG group = 0;
    ULONG filled = 0;
    ULONG op = 0;
};

inline void CombineGroup(SumState &s, ULONG g)
{
    switch (s.op) {
    case 0: s.sum ^= g; break;
    case 1: s.sum += g; break;
    default: s.sum -= g; break;
    }
    s.op = s.op == 2 ? 0 : s.op + 1;
}

inline void FeedOne(SumState &s, UBYTE c)
{
    s.group = (s.group << 8) + (ULONG)(LONG)(BYTE)c;
    if (++s.filled == 4) {
        CombineGroup(s, s.group);
        s.group = 0;
        s.filled = 0;
    }
}

inline ULONG BigEndian32(const UBYTE *p)
{
    ULONG v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap32(v);
    return v;
}

// Four values as signed bytes, g = g * 256 + v: the big-endian word less the
// borrows of the negative second, third and fourth bytes (the first one's
// borrow falls off the top).
inline ULONG GroupOf(const UBYTE *p)
{
    ULONG be = BigEndian32(p);
    return be - ((be & 0x00808080u) << 1);
}

void Feed(SumState &s, const UBYTE *p, size_t n)
{
    while (n && s.filled) {
        FeedOne(s, *p++);
        --n;
    }
    while (n >= 4 && s.op != 0) {
        CombineGroup(s, GroupOf(p));
        p += 4;
        n -= 4;
    }
    ULONG sum = s.sum;
    while (n >= 12) {
        sum = ((sum ^ GroupOf(p)) + GroupOf(p + 4)) - GroupOf(p + 8);
        p += 12;
        n -= 12;
    }
    s.sum = sum;
    while (n >= 4) {
        CombineGroup(s, GroupOf(p));
        p += 4;
        n -= 4;
    }
    while (n--) FeedOne(s, *p++);
}

// A last group is combined whatever its size.
inline ULONG FinishSum(SumState &s)
{
    if (s.filled) {
        CombineGroup(s, s.group);
        s.group = 0;
        s.filled = 0;
    }
    return s.sum;
}


inline bool IsBlank(UBYTE c) { return c == '\r' || c == '\n' || c == ' '; }

// The characters that end a run of counted text characters.
inline bool IsBreak(UBYTE c) { return c == 0 || c == ';' || IsBlank(c); }

inline bool IsLetter(UBYTE c) { return c >= 'A' && c <= 'P'; }

// The first break character in [p, end), or end.
const UBYTE *FindBreak(const UBYTE *p, const UBYTE *end)
{
#if defined(__SSE2__)
    const __m128i nul = _mm_setzero_si128(), semi = _mm_set1_epi8(';'), cr = _mm_set1_epi8('\r'),
                  lf = _mm_set1_epi8('\n'), sp = _mm_set1_epi8(' ');
    for (; end - p >= 16; p += 16) {
        __m128i x = _mm_loadu_si128((const __m128i *)p);
        __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, nul), _mm_cmpeq_epi8(x, semi)),
                                   _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, cr), _mm_cmpeq_epi8(x, lf)),
                                                _mm_cmpeq_epi8(x, sp)));
        unsigned m = (unsigned)_mm_movemask_epi8(hit);
        if (m) return p + std::countr_zero(m);
    }
#endif
    while (p < end && !IsBreak(*p)) ++p;
    return p;
}

// From a ';' at p: whether a second ';' follows it with only blanks between.
bool PairedSemicolon(const UBYTE *p, const UBYTE *end)
{
    const UBYTE *q = p + 1;
    while (q < end && IsBlank(*q)) ++q;
    return q < end && *q == ';';
}

// Bit i set when s[i] is a nibble letter; s[0..63] must be readable.
inline uint64_t LetterMask(const UBYTE *s)
{
#if defined(__SSE2__)
    // 'A'..'P' moved to -128..-113, the only values below -112.
    const __m128i bias = _mm_set1_epi8((char)('A' + 128)), limit = _mm_set1_epi8((char)(-128 + 16));
    uint64_t m = 0;
    for (int k = 0; k < 4; ++k) {
        __m128i x = _mm_sub_epi8(_mm_loadu_si128((const __m128i *)(s + 16 * k)), bias);
        m |= (uint64_t)(unsigned)_mm_movemask_epi8(_mm_cmplt_epi8(x, limit)) << (16 * k);
    }
    return m;
#else
    uint64_t m = 0;
    for (size_t i = 0; i < kBlock; ++i) m |= (uint64_t)IsLetter(s[i]) << i;
    return m;
#endif
}

// Letters pair up from the start of each run of letters; returns the bits of
// the first letters of pairs (a letter whose partner is missing included).
// carryIn 1: bit 0 completes a pair begun in the block before.
inline uint64_t PairStarts(uint64_t letters, uint64_t carryIn)
{
    constexpr uint64_t kEven = 0x5555555555555555ull;
    uint64_t starts = letters & ~(letters << 1);
    uint64_t evenStarts = starts & kEven & ~carryIn;
    // Adding 1 at a run's start carries through the run and clears it.
    uint64_t evenRuns = letters & ~(letters + evenStarts);
    return (evenRuns & kEven) | (letters & ~evenRuns & ~kEven);
}

// The base instruction set has no population count; this beats the library call.
inline uint64_t CountBits(uint64_t x)
{
    x = x - ((x >> 1) & 0x5555555555555555ull);
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return (x * 0x0101010101010101ull) >> 56;
}

inline uint64_t BlockMask(size_t rest) { return rest >= kBlock ? ~0ull : (1ull << rest) - 1; }


void PutLetters(UBYTE *out, ULONG value, int count)
{
    for (int i = count - 1; i >= 0; --i) {
        out[i] = (UBYTE)('A' + (value & 15));
        value >>= 4;
    }
}

bool GetLetters(const UBYTE *in, int count, ULONG *value)
{
    ULONG v = 0;
    for (int i = 0; i < count; ++i) {
        if (!IsLetter(in[i])) return false;
        v = (v << 4) | (ULONG)(in[i] - 'A');
    }
    *value = v;
    return true;
}


void CountBytes(const UBYTE *p, size_t n, uint64_t counts[256])
{
    // Four tables, so that runs of one value do not wait on their own stores.
    ULONG c[4][256] = {};
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        ++c[0][p[i]];
        ++c[1][p[i + 1]];
        ++c[2][p[i + 2]];
        ++c[3][p[i + 3]];
    }
    for (; i < n; ++i) ++c[0][p[i]];
    for (int v = 0; v < 256; ++v) counts[v] = (uint64_t)c[0][v] + c[1][v] + c[2][v] + c[3][v];
}

// Writes the data's characters from o on: each byte as its substitute or
// as two letters. Returns the end, or null when more than `room` places
// would be needed.
UBYTE *EncodeData(UBYTE *o, size_t room, const uint32_t code[256], const UBYTE *src, size_t len)
{
    // code: first character, second character, width (1 or 2) in bits 16..
    UBYTE *const limit = o + room;
    size_t i = 0;
    while (i < len) {
        size_t k = std::min(len - i, (size_t)4096);
        if ((size_t)(limit - o) >= 2 * k + 1) {
            // The two-byte stores stay inside even at the widest.
            size_t j = 0;
            for (; j + 8 <= k; j += 8) {
                uint64_t eight;
                std::memcpy(&eight, src + i + j, 8);
                // Taken from the low byte up: the first byte must be the lowest.
                if constexpr (std::endian::native == std::endian::big) eight = __builtin_bswap64(eight);
                for (int b = 0; b < 8; ++b, eight >>= 8) {
                    uint32_t c = code[eight & 0xFF];
                    UBYTE two[2] = {(UBYTE)c, (UBYTE)(c >> 8)};
                    std::memcpy(o, two, 2);
                    o += c >> 16;
                }
            }
            for (; j < k; ++j) {
                uint32_t c = code[src[i + j]];
                UBYTE two[2] = {(UBYTE)c, (UBYTE)(c >> 8)};
                std::memcpy(o, two, 2);
                o += c >> 16;
            }
        } else {
            for (size_t j = 0; j < k; ++j) {
                uint32_t c = code[src[i + j]];
                size_t width = c >> 16;
                if ((size_t)(limit - o) < width) return nullptr;
                o[0] = (UBYTE)c;
                if (width == 2) o[1] = (UBYTE)(c >> 8);
                o += width;
            }
        }
        i += k;
    }
    return o;
}


// Gathers the stream from p (just after the first ';') into out: every
// character up to the ";;" mark except blanks and lone ';'. Returns the
// stream's length, or -1 when the text ends (NUL or its length) first.
int64_t GatherStream(const UBYTE *p, const UBYTE *end, UBYTE *out)
{
    UBYTE *q = out;
    while (p < end) {
        const UBYTE *b = FindBreak(p, end);
        std::memcpy(q, p, (size_t)(b - p));
        q += b - p;
        if (b == end || *b == 0) break;
        if (*b == ';' && PairedSemicolon(b, end)) return q - out;
        p = b + 1;
    }
    return -1;
}

// Units of the stream: letter pairs and single characters, a letter without
// partner counting as one. *cut is set when the stream ends inside a pair.
uint64_t CountUnits(const UBYTE *s, size_t len, bool *cut)
{
    uint64_t units = 0, carry = 0, starts = 0, mask = 0;
    for (size_t i = 0; i < len; i += kBlock) {
        mask = BlockMask(len - i);
        uint64_t letters = LetterMask(s + i) & mask;
        starts = PairStarts(letters, carry);
        units += CountBits(starts) + CountBits(~letters & mask);
        carry = starts >> 63;
    }
    *cut = len && (starts & ~(mask >> 1) & mask);
    return units;
}

// The restored byte for each two stream characters, indexed by the first
// plus 256 times the second: a letter pair gives its byte, a substitute its
// byte whatever follows. Bit 8 marks the rest: a first character that is
// neither, and a letter whose partner is no letter.
constexpr uint16_t kFault = 0x100;

void MakeDecodeTable(uint16_t *t, const UBYTE *table, ULONG subCount)
{
    uint16_t *row = t;
    for (int c = 0; c < 256; ++c) row[c] = kFault;
    for (ULONG k = 0; k < subCount; ++k) row[(UBYTE)kAltChars[k]] = table[k];
    for (int second = 1; second < 256; ++second) std::memcpy(t + 256 * second, row, 256 * sizeof(uint16_t));
    for (int hi = 0; hi < 16; ++hi)
        for (int lo = 0; lo < 16; ++lo) t[('A' + hi) + 256 * ('A' + lo)] = (uint16_t)(hi << 4 | lo);
}

inline uint16_t LookUp(const uint16_t *t, const UBYTE *p)
{
    return t[p[0] | (p[1] << 8)];
}

// Restores the data from the stream's data part (the stream has a block of
// zeros after its end); the units are known to match the declared length.
// Returns EXPLODE_OK, or the first fault in the order of the stream.
ULONG DecodeData(const uint16_t *t, const UBYTE *s, size_t len, UBYTE *out, uint64_t cap)
{
    uint64_t n = 0, carry = 0;
    for (size_t i = 0; i < len; i += kBlock) {
        const UBYTE *b = s + i;
        const uint64_t mask = BlockMask(len - i);
        const uint64_t letters = LetterMask(b) & mask;
        const uint64_t starts = PairStarts(letters, carry);
        const uint64_t units = starts | (~letters & mask);
        // A pair begun on the block's last place takes its partner from the
        // next block's first.
        carry = starts >> 63;
        if (cap - n >= kBlock) {
            uint16_t flags = 0;
            UBYTE *o = out + n;
            if (!letters && mask == ~0ull) {
                // Substitutes only (runs of zeros and small numbers): one unit per character.
                for (size_t j = 0; j < kBlock; ++j) {
                    uint16_t v = t[b[j]];
                    flags |= v;
                    o[j] = (UBYTE)v;
                }
                o += kBlock;
            } else {
                for (uint64_t walk = units; walk; walk &= walk - 1) {
                    uint16_t v = LookUp(t, b + std::countr_zero(walk));
                    flags |= v;
                    *o++ = (UBYTE)v;
                }
            }
            if (!(flags & kFault)) {
                n = (uint64_t)(o - out);
                continue;
            }
        }
        // The careful way, unit by unit, naming the first fault of the block.
        for (uint64_t walk = units; walk; walk &= walk - 1) {
            unsigned j = (unsigned)std::countr_zero(walk);
            if (IsLetter(b[j]) && !IsLetter(b[j + 1])) return EXPLODE_MALFORMED;
            uint16_t v = LookUp(t, b + j);
            if (v & kFault) return EXPLODE_SUBST;
            if (n >= cap) return EXPLODE_SIZE;
            out[n++] = (UBYTE)v;
        }
    }
    return n == cap ? EXPLODE_OK : EXPLODE_SIZE;
}

}  // namespace

ULONG CalcCheckSum(const UBYTE *Buffer, ULONG Length, ULONG Dekodiert)
{
    SumState s;
    if (!Buffer) return 0;
    if (!Dekodiert) {
        Feed(s, Buffer, Length);
        return FinishSum(s);
    }
    const UBYTE *p = Buffer, *end = Buffer + Length;
    while (p < end) {
        const UBYTE *b = FindBreak(p, end);
        Feed(s, p, (size_t)(b - p));
        if (b == end || *b == 0) break;
        if (*b == ';' && PairedSemicolon(b, end)) {
            FeedOne(s, ';');
            return FinishSum(s);
        }
        p = b + 1;
    }
    return 0;
}

ULONG Implode(VekMailInfo *Buffer)
{
    if (!Buffer || !Buffer->VekMailData || Buffer->VekMailLength == 0) return IMPLODE_EMPTY;
    const UBYTE *src = Buffer->VekMailData;
    const size_t len = Buffer->VekMailLength;

    uint64_t counts[256];
    CountBytes(src, len, counts);
    UBYTE order[256];
    for (int v = 0; v < 256; ++v) order[v] = (UBYTE)v;
    std::stable_sort(order, order + 256, [&](UBYTE a, UBYTE b) { return counts[a] > counts[b]; });

    ULONG subCount = 0;
    uint64_t substituted = 0;
    while (subCount < kAltCount && counts[order[subCount]] >= 3) substituted += counts[order[subCount++]];

    const uint64_t n = 2ull * subCount + 1 + 2ull * len - substituted;
    const uint64_t size = kHeaderLine + n + 3 * (n / kLineChars) + (n % kLineChars ? 4 : 1) + kEndLineLength;
    if (size >= 0xFFFFFFFFull) return IMPLODE_NOMEM;

    uint32_t code[256];
    for (int v = 0; v < 256; ++v) code[v] = ('A' + (v >> 4)) | (('A' + (v & 15)) << 8) | (2u << 16);
    for (ULONG k = 0; k < subCount; ++k) code[order[k]] = (UBYTE)kAltChars[k] | (1u << 16);

    // The stream is built at the tail of the block, then spread into lines
    // from the front: each line moves 3 places ahead of its source, and the
    // tail leaves more than 3 places per line plus the end line, so no line
    // overwrites characters not yet moved. One spare byte ends the text.
    UBYTE *text = (UBYTE *)AllocVec((ULONG)size + 1, MEMF_PUBLIC);
    UBYTE *stream = text + (size - n);
    UBYTE *o = stream;
    for (ULONG k = 0; k < subCount; ++k) {
        *o++ = (UBYTE)('A' + (order[k] >> 4));
        *o++ = (UBYTE)('A' + (order[k] & 15));
    }
    *o++ = 'Q';
    o = EncodeData(o, (size_t)(text + size + 1 - o), code, src, len);
    if (o != stream + n) {
        FreeVec(text);
        return IMPLODE_SIZE;
    }

    SumState sum;
    Feed(sum, stream, n);
    FeedOne(sum, ';');  // the closing ';' pairs with the end line's first

    std::memcpy(text, kHeader, kHeaderLength);
    PutLetters(text + kHeaderLength, subCount, 2);
    PutLetters(text + kHeaderLength + 2, CalcCheckSum(src, (ULONG)len, 0), 8);
    PutLetters(text + kHeaderLength + 10, (ULONG)len, 8);
    PutLetters(text + kTextSumOffset, FinishSum(sum), 8);
    text[kHeaderLine - 2] = '\r';
    text[kHeaderLine - 1] = '\n';

    o = text + kHeaderLine;
    for (uint64_t i = 0; i < n; i += kLineChars) {
        size_t chars = (size_t)std::min<uint64_t>(kLineChars, n - i);
        *o++ = ';';
        std::memmove(o, stream + i, chars);
        o += chars;
        if (i + kLineChars < n) {
            *o++ = '\r';
            *o++ = '\n';
        } else if (chars == kLineChars) {
            // The stream filled its last line: a lone ';' opens the next.
            *o++ = '\r';
            *o++ = '\n';
            *o++ = ';';
        } else {
            *o++ = ';';
            *o++ = '\r';
            *o++ = '\n';
        }
    }
    std::memcpy(o, kEndLine, kEndLineLength);
    o += kEndLineLength;
    if (o != text + size) {
        FreeVec(text);
        return IMPLODE_SIZE;
    }
    text[size] = 0;

    Buffer->VekMailData = text;
    Buffer->VekMailLength = (ULONG)size;
    Buffer->VekMailModus = 0;
    std::printf("AC:%d", (int)subCount);
    return IMPLODE_OK;
}

ULONG Explode(VekMailInfo *Buffer)
{
    if (!Buffer || !Buffer->VekMailData || Buffer->VekMailLength == 0) return EXPLODE_OK;
    const UBYTE *text = Buffer->VekMailData;
    const UBYTE *end = text + Buffer->VekMailLength;

    // Mail header lines before the block are passed over; a NUL ends the text.
    const UBYTE *head = (const UBYTE *)memmem(text, (size_t)(end - text), kHeader, kHeaderLength);
    if (!head || std::memchr(text, 0, (size_t)(head - text))) return EXPLODE_HEADER;
    const UBYTE *fields = head + kHeaderLength;
    if ((size_t)(end - fields) < kHeaderFields) return EXPLODE_HEADER;
    ULONG subCount, dataSum, dataLength, textSum;
    if (!GetLetters(fields, 2, &subCount) || !GetLetters(fields + 2, 8, &dataSum) ||
        !GetLetters(fields + 10, 8, &dataLength) || !GetLetters(fields + 18, 8, &textSum))
        return EXPLODE_HEADER;
    // The table has no character beyond the 73rd, and an empty block is never packed.
    if (subCount > kAltCount || dataLength == 0) return EXPLODE_HEADER;

    const UBYTE *p = fields + kHeaderFields;
    while (p < end && *p != ';') {
        if (*p == 0) return EXPLODE_MALFORMED;
        ++p;
    }
    if (p >= end) return EXPLODE_MALFORMED;

    // The stream, with a block's worth of zeros after it for the letter masks.
    const uint64_t room = (uint64_t)(end - p) + kBlock;
    if (room > 0xFFFFFFFFull) return EXPLODE_MALFORMED;
    UBYTE *stream = (UBYTE *)AllocVec((ULONG)room, MEMF_PUBLIC);
    int64_t gathered = PairedSemicolon(p, end) ? 0 : GatherStream(p + 1, end, stream);
    ULONG result = EXPLODE_OK;
    UBYTE *data = nullptr;
    if (gathered < 0) {
        result = EXPLODE_MALFORMED;
    } else {
        const size_t len = (size_t)gathered;
        std::memset(stream + len, 0, kBlock);
        bool cut = false;
        const int64_t calcSize = (int64_t)CountUnits(stream, len, &cut) - (int64_t)subCount - 1;
        SumState sum;
        Feed(sum, stream, len);
        FeedOne(sum, ';');
        if (cut) {
            result = EXPLODE_SIZE;
        } else if (calcSize != (int64_t)dataLength) {
            std::printf("CalcSize:%lld\nOSize:%lld", (long long)calcSize, (long long)dataLength);
            result = EXPLODE_SIZE;
        } else if (FinishSum(sum) != textSum) {
            result = EXPLODE_CHECKSUM;
        } else {
            // The table's letter pairs, the 'Q', then the data.
            UBYTE table[kAltCount];
            size_t at = 0;
            for (ULONG k = 0; k < subCount && result == EXPLODE_OK; ++k, at += 2) {
                if (!IsLetter(stream[at]) || !IsLetter(stream[at + 1])) result = EXPLODE_MALFORMED;
                else table[k] = (UBYTE)(((stream[at] - 'A') << 4) | (stream[at + 1] - 'A'));
            }
            if (result == EXPLODE_OK && stream[at] != 'Q') result = EXPLODE_MALFORMED;
            if (result == EXPLODE_OK) {
                uint16_t *t = (uint16_t *)AllocVec(65536 * sizeof(uint16_t), MEMF_PUBLIC);
                MakeDecodeTable(t, table, subCount);
                data = (UBYTE *)AllocVec(dataLength, MEMF_PUBLIC);
                result = DecodeData(t, stream + at + 1, len - at - 1, data, dataLength);
                FreeVec(t);
                if (result == EXPLODE_OK && CalcCheckSum(data, dataLength, 0) != dataSum) result = EXPLODE_CHECKSUM;
            }
        }
    }
    FreeVec(stream);
    if (result != EXPLODE_OK) {
        FreeVec(data);
        return result;
    }
    Buffer->VekMailData = data;
    Buffer->VekMailLength = dataLength;
    Buffer->VekMailModus = 0;
    return EXPLODE_OK;
}
