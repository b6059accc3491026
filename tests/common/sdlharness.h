// A headless display for drawing tests: SDL's dummy video driver at 8, 16 or
// 32 bits per pixel with the surfaces start-up makes (the view; above 8 bits
// the 640 x 480 work surfaces), the display record filled in, pixels read
// back, and every rectangle that reaches the display recorded.
#pragma once
#include <mutex>
#include <vector>

#include "gfx/graphics.h"

namespace vektest {

struct Rect {
    LONG x, y, w, h;
    bool operator==(const Rect &o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};

// Opens the display on construction and closes it on destruction; one at a
// time. Width and height 0 mean 640 x 480 at 8 bits and 800 x 600 above.
// The display RastPort draws on BobScreen (the view itself at 8 bits).
class SdlScreen {
public:
    explicit SdlScreen(int depth, int width = 0, int height = 0);
    ~SdlScreen();
    SdlScreen(const SdlScreen &) = delete;
    SdlScreen &operator=(const SdlScreen &) = delete;

    bool Ok() const { return ok_; }
    int Depth() const { return depth_; }
    int Bytes() const { return (depth_ + 7) / 8; }
    BitMap *ViewBitMap() { return &view_; }
    BitMap *BobBitMap() { return &bob_; }
    RastPort *ViewRastPort() { return &viewRp_; }
    RastPort *BobRastPort() { return &bobRp_; }

    // The rectangles presented since the last call, in order.
    std::vector<Rect> TakeRects();

private:
    bool ok_ = false;
    int depth_;
    BitMap view_{}, bob_{};
    RastPort viewRp_{}, bobRp_{};
    RastPort *oldDisplayRp_ = nullptr;
};

// A palette whose entries all differ in the top bits of red and green (so
// lookups at 5-bit precision are unique): entry i is ((i mod 32) x 8 + 4,
// (i / 32) x 32 + 16, 255 - i); entry 0 is black.
void SetTestPalette();
void SetPaletteEntry(int index, UBYTE r, UBYTE g, UBYTE b);

// Raw pixel value of a BitMap or surface (host-order words, 24 bits low byte
// first); 0xFFFFFFFF outside.
ULONG PixelAt(BitMap *bmp, LONG x, LONG y);
ULONG PixelAt(SDL_Surface *s, LONG x, LONG y);
// Every pixel set to value.
void FillBitMap(BitMap *bmp, ULONG value);
// Pixels of one row, from x, n of them.
std::vector<ULONG> RowOf(BitMap *bmp, LONG x, LONG y, LONG n);
// The smallest rectangle holding every pixel equal to value; w 0 when none.
Rect BoundsOf(BitMap *bmp, ULONG value);
// Number of pixels that differ from value.
long CountOther(BitMap *bmp, ULONG value);

}  // namespace vektest
