// The drawing layer: BitMaps that own SDL surfaces, RastPorts that carry pens,
// draw mode and font, and the drawing and blit routines. Pens are palette
// indices; above 8 bits they become screen pixels through the pixel formats.
// Every drawing routine presents the rectangle it changed (see PresentRect);
// WritePixel leaves that to its caller.
#pragma once
#include <SDL/SDL.h>
#include "platform/types.h"
#include "gfx/sdlinit.h"

struct TextFont;

struct BitMap {
    ULONG Id;            // not used here (zero)
    ULONG Breite;        // width in pixels
    ULONG Modulo;        // padding bytes at the end of each row
    ULONG BytesPerRow;   // row pitch in bytes
    ULONG Hoehe;         // height in pixels
    ULONG Tiefe;         // bits per pixel: 8, 16, 24 or 32
    ULONG Flags;         // attribute word carried along (1, 0x10081)
    UBYTE *GfxData;      // pixel memory: the surface's, or an owned buffer without surface
    ULONG GfxSize;       // Breite x Hoehe x Tiefe / 8
    UBYTE *PalData;      // colour map of a full-screen picture (owned), else null
    ULONG PalSize;       // bytes in PalData
    SDL_Surface *Surface;  // owned, except for the screen's wrapper BitMaps
    UBYTE *Planes[8];    // not used
    BOOL ColorKeyOk;     // 1 once the masked blit has keyed the surface
};

constexpr UBYTE JAM1 = 0;  // text leaves the empty glyph pixels
constexpr UBYTE JAM2 = 1;  // text paints the empty glyph pixels in BgPen

struct RastPort {
    UWORD FgPen;         // palette index 0-255
    UWORD BgPen;
    UWORD TxHeight;      // height of the current font
    UWORD cp_x, cp_y;    // pen position; for text cp_y is the baseline row
    UBYTE DrawMode;      // JAM2 paints empty glyph pixels, anything else leaves them
    TextFont *Font;
    struct BitMap *BitMap;  // target of all drawing
    UWORD TxBaseline;    // baseline of the current font
};

extern BOOL bEnableRefreshPrimaryScreen;  // 0: BltBitMap onto the view does not present
extern BitMap *ScreenBitMap;              // the screen's BitMap while a screen exists, else null

// The RastPort every screen draws on (the game area above 8 bits), or null.
RastPort *DisplayRastPort();

// Presentation on the display; the screen code serialises it. (0, 0, 0, 0) is
// the whole display; other rectangles are clipped to it, empty ones skipped. 1.
int UpdateRectangle(LONG x, LONG y, LONG w, LONG h);
// Tests observe each rectangle that reaches the display (after clipping).
extern void (*UpdateRectangleRecorder)(LONG x, LONG y, LONG w, LONG h);
// Presents a changed rectangle of bmp: the view directly, BobScreen above 8
// bits through its place on the view; other surfaces not at all.
void PresentRect(const BitMap *bmp, LONG x, LONG y, LONG w, LONG h);
// The same for a caller that holds the screen semaphore (ScreenLock).
void PresentRectHeld(const BitMap *bmp, LONG x, LONG y, LONG w, LONG h);

// BitMaps
BitMap *AllocBitMap(ULONG w, ULONG h, ULONG depth, ULONG flags, const BitMap *friendBm);  // null on failure
BitMap *AllocKavorBitMap(ULONG w, ULONG h, ULONG depth, ULONG flags, const BitMap *friendBm, ULONG format);
void FreeBitMap(BitMap *bmp);            // null accepted; frees surface or buffer, PalData, record
void FreeKavorBitMap(BitMap *bmp);
// Fills bmp to describe surface s without owning it (the screen's wrappers).
void InitSurfaceBitMap(BitMap *bmp, SDL_Surface *s);
// 1 Breite, 2 Hoehe, 3 Tiefe, 4 BytesPerRow, 5 Modulo, 7 GfxSize, 8 bytes per
// pixel; 0 for null or another which. The pixel address does not fit 32 bits:
// which 6 gives 0, use GetKavorGfxData.
ULONG GetKavorGfxAttr(const BitMap *bmp, ULONG which);
UBYTE *GetKavorGfxData(BitMap *bmp);     // pixel memory, locked where SDL needs it; null on failure
void FreeKavorGfxLock(BitMap *bmp);      // ends the lock of GetKavorGfxData

// Pens and positions
void InitRastPort(RastPort *rp);
void SetAPen(RastPort *rp, ULONG pen);
void SetBPen(RastPort *rp, ULONG pen);
ULONG GetAPen(const RastPort *rp);       // 0 for null
void SetDrMd(RastPort *rp, ULONG mode);
void SetABPenDrMd(RastPort *rp, ULONG apen, ULONG bpen, ULONG mode);  // bpen is not used
void Move(RastPort *rp, LONG x, LONG y);

// Drawing; a null RastPort means the display RastPort.
void Draw(RastPort *rp, LONG x, LONG y);
void PolyDraw(RastPort *rp, LONG count, const WORD *points);  // count (x, y) pairs
void RectFill(RastPort *rp, LONG x0, LONG y0, LONG x1, LONG y1);  // null RastPort: nothing
LONG WritePixel(RastPort *rp, LONG x, LONG y);  // 1 drawn, 0 outside or invalid; not presented
ULONG ReadPixel(RastPort *rp, LONG x, LONG y);  // 0 outside or invalid

// Blits; 1 done (also when nothing was inside), 0 failure.
LONG BltBitMap(BitMap *src, LONG sx, LONG sy, BitMap *dst, LONG dx, LONG dy, LONG w, LONG h, ULONG minterm,
               ULONG mask, APTR temp);
LONG BltBitMapRastPort(BitMap *src, LONG sx, LONG sy, RastPort *rp, LONG dx, LONG dy, LONG w, LONG h,
                       ULONG minterm);
LONG ClipBlit(RastPort *srp, LONG sx, LONG sy, RastPort *drp, LONG dx, LONG dy, LONG w, LONG h, ULONG minterm);
// Copies all but the key pixels: minterm 0 keys the BitMap once (the first key
// stays), 224 compares each pixel with the palette entry key at screen format.
LONG BltMaskBitMapRastPort(BitMap *src, LONG sx, LONG sy, RastPort *rp, LONG dx, LONG dy, LONG w, LONG h,
                           ULONG minterm, ULONG key);
void WaitBlit();
void WaitBOVP(const void *viewport);     // 5 ms
