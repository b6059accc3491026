// The mouse pointer and window icon: Windows BMP files (little-endian) under
// the names the start-up opens.
#include "kit.h"

namespace vekdemo {

namespace {

// A 24-bit uncompressed BMP; pixel(x, y) gives 0xRRGGBB, rows stored bottom up.
template <class F> Bytes Bmp24(int w, int h, F pixel)
{
    const int row = (w * 3 + 3) & ~3;
    Bytes b;
    b.push_back('B');
    b.push_back('M');
    PutLE32(b, (uint32_t)(54 + row * h));
    PutLE32(b, 0);
    PutLE32(b, 54);
    PutLE32(b, 40);
    PutLE32(b, (uint32_t)w);
    PutLE32(b, (uint32_t)h);
    PutLE16(b, 1);
    PutLE16(b, 24);
    PutLE32(b, 0);
    PutLE32(b, (uint32_t)(row * h));
    PutLE32(b, 2835);
    PutLE32(b, 2835);
    PutLE32(b, 0);
    PutLE32(b, 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const uint32_t c = pixel(x, y);
            b.push_back((uint8_t)c);
            b.push_back((uint8_t)(c >> 8));
            b.push_back((uint8_t)(c >> 16));
        }
        for (int p = w * 3; p < row; ++p) b.push_back(0);
    }
    return b;
}

// An arrow: black outline, gold body, white (the transparent colour) around it.
uint32_t Arrow(int x, int y)
{
    if (y >= 20 || x > y / 2 + y / 4 || x > 12) return 0xFFFFFF;
    const bool edge = x == 0 || x == y / 2 + y / 4 || y == 19;
    return edge ? 0x000000 : 0xD8A830;
}

// A shield on black, the icon's transparent colour.
uint32_t Icon(int x, int y)
{
    const int dx = x - 16, dy = y - 16;
    if (dx * dx + dy * dy > 15 * 15) return 0x000000;
    return (dx * dx + dy * dy > 12 * 12) ? 0xD8A830 : 0x3050A0;
}

}  // namespace

void WritePointers(Output &out)
{
    const Bytes arrow = Bmp24(32, 32, Arrow);
    out.Write("Pics/CursorSDL.chk", arrow);
    // The colour and plain pointer files are named by the options but not read.
    out.Write("Pics/SDLCursor01.chk", arrow);
    out.Write("Pics/SDLCursor02.chk", arrow);
    out.Write("Pics/icon.chk", Bmp24(32, 32, Icon));
}

}  // namespace vekdemo
