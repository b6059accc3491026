// Graphics by number: the graphics index (./Data/Path and the story index),
// the file names made from its path texts, season and 24-bit variants, the
// per-format disk cache of converted pictures, the memory copies, the table
// of loaded graphics and the routines that draw a graphic by its number.
#pragma once
#include <atomic>
#include <string>

#include "gfx/graphics.h"
#include "platform/system.h"

// One record of the graphics index as stored: nine big-endian 32-bit words.
#pragma pack(push, 1)
struct st_GfxPathRecord {
    UBYTE Nummer[4];          // 0: the graphic's number n
    UBYTE Breite[4];          // 4: width in pixels
    UBYTE Hoehe[4];           // 8: height in pixels
    UBYTE Tiefe[4];           // 12: bits per pixel of the stored picture, 8 or 24
    UBYTE Flags[4];           // 16: bit value 4 no lookups, 2 convert; the value 2 no 24-bit lookup
    UBYTE PicPathOffset[4];   // 20: picture path at file byte 32 + offset
    UBYTE PicSize[4];         // 24: bytes of pixel data
    UBYTE CmapPathOffset[4];  // 28: colour-map path at file byte 32 + offset
    UBYTE CmapSize[4];        // 32: four times the bytes of the colour map
};
#pragma pack(pop)
static_assert(sizeof(st_GfxPathRecord) == 36);

constexpr ULONG GFXINDEX_COUNT_OFFSET = 32;   // number of records N
constexpr ULONG GFXINDEX_TEXT_BASE = 32;      // path offsets count from here
constexpr ULONG GFX_PATH_MAX = 99;            // characters of a picture path text
constexpr ULONG GFX_CMAP_PATH_MAX = 98;       // characters of a colour-map path text
constexpr size_t GFX_NAME_MAX = 150;          // bytes of a file name made from a path
constexpr ULONG GFXFLAG_NOLOOKUP = 4;
constexpr ULONG GFXFLAG_CONVERT = 2;

// A record of the index, native.
struct GfxEntry {
    ULONG Nummer, Breite, Hoehe, Tiefe, Flags, PicPathOffset, PicSize, CmapPathOffset, CmapSize;
};

// The index for one operation: the copy held in memory or the file loaded
// for the call. Tag names the index file, so slots and memory copies know
// which index their graphic came from.
struct GfxIndex {
    const UBYTE *Data = nullptr;
    ULONG Size = 0;
    bool Owned = false;
    ULONG Tag = 0;
};

ULONG GfxIndexTag(const char *indexpath);
int OpenGfxIndex(const char *indexpath, GfxIndex *idx);     // 1, or 0 when it cannot be read
void CloseGfxIndex(GfxIndex *idx);                          // frees a copy loaded for the call
ULONG GfxIndexCount(const GfxIndex *idx);                   // N; 0 when the file is too short for it
// Record n: 1 when it lies inside the file, else 0. Does not look at N.
int GfxIndexEntry(const GfxIndex *idx, ULONG n, GfxEntry *e);
// The path text at 32 + offset: at most maxChars characters; 0 when it does
// not lie after the records or runs past the end of the file unterminated.
int GfxIndexText(const GfxIndex *idx, ULONG offset, ULONG maxChars, std::string *text);
// 1 when the record describes a picture that can be loaded: a size of 1 to
// 32767 pixels each way, depth 8 or 24, and a size of width x height x depth / 8.
int GfxEntryPlausible(const GfxEntry &e);

// File name of a path text: type 1 picture, 2 colour map. With needVolume
// the path must begin with "vek:" or "Vek:". 1 and the name, or 0 and "".
int MakeGfxFileName(const char *path, int type, int needVolume, std::string *name);
// Inserts the season directory of PlayerInfo.Quartal before the file name.
// With check the new name must name a file, else path stays and the result is 0.
int CheckPathforQuarters(std::string *path, int check);
// The 24-bit variant of a picture name: "./24BIT/" + name up to its first "."
// + ".RAW", the season variant first. 1 when one exists (stored in newpath).
int CheckFor24BITGfx(std::string *newpath, const std::string &path);
// The converted-picture name of a picture file name at the screen's format,
// "" when the format has no directory.
std::string ConvertedGfxName(const std::string &path);
// The converted copy of a picture that must exist for it: its season variant
// when a season 24-bit variant exists. 1 and path/depth replaced when it
// exists with exactly bytes bytes (a file of another size is rebuilt later).
int CheckForHighColorGfx(ULONG screenid, std::string *path, ULONG *depth, ULONG bytes);
// Converts the pixels of bitmap (8 or 24 bits) to the screen's format, writes
// the converted-picture file named after path whole, frees bitmap and
// returns the converted BitMap; null on failure (bitmap is freed as well).
BitMap *ConvertKavorGfx(ULONG screenid, BitMap *bitmap, ULONG bytes, const char *path);
// Number of conversions done by ConvertKavorGfx since the start.
extern std::atomic<ULONG> GfxConversionCount;

// Memory copies: GfxCacheArray slot n - 1 holds a copy of the pixels of
// graphic n with its size and index. A copy is made only while 7 x the free
// memory is above 50,000,009 bytes; 1 also when none was wanted, 0 on failure.
int Copy2GfxCache(BitMap *bitmap, ULONG n);
// Copies the memory copy back; 1 when one exists for this BitMap's size.
int CopyGfxCacheBack(ULONG n, BitMap *bitmap);

// Loaded graphics by number: slot n - 1 holds graphic n. Each OpenKavorGfx
// that gives 1 is one user; CloseKavorGfx drops one and frees the BitMap
// with the last. A BitMap stored in a slot by other code counts as one user.
extern BitMap *BitMapPtrArray[GFX_CACHE_SLOTS];
// First row of the graphic that BlitObjektMask draws (animation strips).
extern std::atomic<ULONG> StartFrame;

// 1 graphic n is resident (loaded now or before), 0 index unreadable or no
// BitMap, -1 any other failure (range, corrupt record, missing or short file,
// a resident graphic of the same number from another index).
LONG OpenKavorGfx(const char *indexpath, ULONG n);
void CloseKavorGfx(ULONG n);
int ReleaseKavorGfx(ULONG n);  // CloseKavorGfx that says 0 when the slot was empty
// Draw graphic n (16 bits) into rp (null: the display RastPort) at (x, y); a
// w of 0 or above the graphic's width draws its width, likewise h. 1 drawn.
LONG BlitObjekt(RastPort *rp, ULONG n, LONG x, LONG y, LONG w, LONG h);
LONG BlitObjektMask(RastPort *rp, ULONG n, ULONG key, LONG x, LONG y, LONG w, LONG h);
// BlitObjektMask from row firstRow of the graphic on, in place of StartFrame
// (for callers on more than one thread).
LONG BlitObjektMaskRows(RastPort *rp, ULONG n, ULONG key, LONG x, LONG y, LONG w, LONG h, ULONG firstRow);
void BlitTextObjekt(RastPort *rp, ULONG n, const char *text, LONG x, LONG y, LONG w, LONG h);
void BlitTextObjektMask(RastPort *rp, ULONG n, const char *text, LONG x, LONG y, LONG w, LONG h, ULONG key);

// Used by the full-screen picture loader: loads graphic n of an open index
// into its slot as a full-screen picture (no flag lookups, always converted
// above 8 bits), or takes one more user of it when resident. palData (an
// AllocVec buffer) goes to a BitMap loaded here, else it is freed.
// 1 resident, -1 failure (message printed).
LONG LoadKavorPicture(const GfxIndex *idx, ULONG n, const GfxEntry &e, const std::string &name, UBYTE *palData,
                      ULONG palSize);
