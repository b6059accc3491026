// Screen pixel formats and the conversions between palette indices, 24-bit
// colours and screen pixels. Every format code is one bit; 16- and 32-bit
// pixels are stored as host-order words, 24-bit pixels as three bytes.
#pragma once
#include "platform/types.h"

constexpr UWORD PIXFMT_CLUT = 1;
constexpr UWORD PIXFMT_RGB15 = 2;
constexpr UWORD PIXFMT_BGR15 = 4;
constexpr UWORD PIXFMT_RGB15PC = 8;
constexpr UWORD PIXFMT_BGR15PC = 16;
constexpr UWORD PIXFMT_RGB16 = 32;
constexpr UWORD PIXFMT_BGR16 = 64;
constexpr UWORD PIXFMT_RGB16PC = 128;
constexpr UWORD PIXFMT_BGR16PC = 256;
constexpr UWORD PIXFMT_RGB24 = 512;
constexpr UWORD PIXFMT_BGR24 = 1024;
constexpr UWORD PIXFMT_ARGB32 = 2048;
constexpr UWORD PIXFMT_ABGR32 = 4096;
constexpr UWORD PIXFMT_RGBA32 = 8192;
constexpr UWORD PIXFMT_BGRA32 = 16384;

int PixelFormatBytes(UWORD format);                 // 1, 2, 3 or 4; 0 for an unknown code
const char *PixelFormatName(UWORD format);          // "RGB16" etc., or null for an unknown code
const char *PixelFormatDirectory(UWORD format);     // directory of converted pictures, or null (BGR15, BGR16)
UWORD PixelFormatForDepth(int depth);               // the screen's format at that depth, else the default one

// count palette indices through KavoriaPalette into count pixels of format;
// CLUT and unknown codes write nothing. Only index 0 can become the value 0.
void ConvertChunky(UWORD format, const UBYTE *source, UBYTE *dest, ULONG count);
// bytes / 3 triples of red, green, blue into pixels of format; black gives 0
// at RGB16 and the 32-bit formats.
void Convert24BITMotorola(UWORD format, const UBYTE *source, UBYTE *dest, ULONG bytes);
// The first palette index whose colour matches the pixel at the format's
// precision, stored at dest; dest is left alone when none matches.
void Convert2Chunky(UWORD format, UBYTE *dest, const UBYTE *source);

// One palette index as a pixel value of format (the value ConvertChunky
// stores, as a number); 0 for CLUT and unknown codes.
ULONG ChunkyPixel(UWORD format, UBYTE index);
// Stores a pixel value of bytes width at p: host-order words, 24 bits low byte first.
void StorePixel(UBYTE *p, int bytes, ULONG value);
ULONG LoadPixel(const UBYTE *p, int bytes);
