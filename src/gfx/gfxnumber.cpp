// Graphics by number. Every size, offset and name from the index is checked
// against the index file and the picture file before use; a picture file that
// is too short is refused and never reaches the disk cache; converted pictures
// are written whole under a temporary name and renamed, and one of the wrong
// size is converted again. Slots count their users so that a graphic is freed
// only by its last user.
#include "gfx/gfxnumber.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <vector>

#include "platform/files.h"
#include "gfx/gfx_local.h"
#include "gfx/palette.h"
#include "gfx/pixfmt.h"
#include "gfx/printing.h"
#include "gfx/screen.h"

BitMap *BitMapPtrArray[GFX_CACHE_SLOTS];
std::atomic<ULONG> StartFrame{0};
std::atomic<ULONG> GfxConversionCount{0};

namespace {

const char kPathIndex[] = "./Data/Path";
constexpr ULONG kMaxSide = 32767;

ULONG BE32(const UBYTE *p) { return (ULONG)p[0] << 24 | (ULONG)p[1] << 16 | (ULONG)p[2] << 8 | p[3]; }

bool Contains(const std::string &s, const char *what) { return s.find(what) != std::string::npos; }

// Size of a regular file; false when there is none.
bool RegularFileSize(const std::string &name, unsigned long long *size)
{
    struct stat st;
    if (name.empty() || stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (size) *size = (unsigned long long)st.st_size;
    return true;
}

bool IsRegularFile(const std::string &name) { return RegularFileSize(name, nullptr); }

ULONG ScreenDepth() { return VekDisplay.VekScreen_Tiefe; }

UWORD ScreenFormat()
{
    const UWORD f = VekDisplay.VekScreen_ScreenFormat;
    return f ? f : PixelFormatForDepth((int)ScreenDepth());
}

// Bytes per pixel of converted pictures: the screen's above 8 bits.
ULONG ScreenBytes() { return ScreenDepth() > 8 ? (ULONG)PixelFormatBytes(ScreenFormat()) : 1; }

// The part of a picture name up to its first ".".
std::string Stem(const std::string &name) { return name.substr(0, name.find('.')); }

bool SeasonVariantOf24Bit(const std::string &name)
{
    std::string v = "./24BIT/" + Stem(name) + ".RAW";
    return CheckPathforQuarters(&v, 1) == 1;
}

// The name a converted picture is stored under for source data of srcDepth
// bits read from file.
std::string CacheNameFor(const std::string &file, ULONG srcDepth)
{
    std::string name = ConvertedGfxName(file);
    if (!name.empty() && srcDepth == 8 && !Contains(file, "24BIT") && SeasonVariantOf24Bit(file))
        CheckPathforQuarters(&name, 0);
    return name;
}

// Creates every missing directory of name below the format directory, one
// level at a time (the format directory first).
bool MakeCacheDirectories(const std::string &name)
{
    size_t pos = 2;  // after "./"
    while ((pos = name.find('/', pos)) != std::string::npos) {
        const std::string dir = name.substr(0, pos);
        struct stat st;
        if (stat(dir.c_str(), &st) != 0) {
            if (!CreateDir(dir.c_str())) {
                std::printf("ConvertKavorGfx: Konnte Verzeichnis %s nicht anlegen !\n", dir.c_str());
                return false;
            }
        } else if (!S_ISDIR(st.st_mode)) {
            std::printf("ConvertKavorGfx: Konnte Verzeichnis %s nicht anlegen !\n", dir.c_str());
            return false;
        }
        pos++;
    }
    return true;
}

// Converts w x h pixels of srcDepth bits to the screen format into out and
// keeps them as the converted picture of file. false on failure (message printed).
bool ConvertPixels(const UBYTE *src, ULONG srcDepth, ULONG w, ULONG h, const std::string &file,
                   std::vector<UBYTE> *out)
{
    const UWORD format = ScreenFormat();
    const std::string cacheName = CacheNameFor(file, srcDepth);
    const ULONG bytes = ScreenBytes();
    bool ok = !cacheName.empty() && ScreenDepth() > 8 && (srcDepth == 8 || srcDepth == 24);
    if (ok) {
        const size_t size = (size_t)w * h * bytes;
        out->assign(size, 0);
        if (srcDepth == 8)
            ConvertChunky(format, src, out->data(), w * h);
        else
            Convert24BITMotorola(format, src, out->data(), w * h * 3);
        GfxConversionCount++;
        // A converted picture already stored at its right size stays as it is.
        unsigned long long have = 0;
        if (!RegularFileSize(cacheName, &have) || have != size) {
            ok = MakeCacheDirectories(cacheName);
            if (ok && !SaveMem2File(cacheName.c_str(), out->data(), (ULONG)size)) {
                std::printf("ConvertKavorGfx: Konnte Grafik nicht abspeichern...\n");
                ok = false;
            }
        }
    }
    if (!ok) std::printf("ConvertKavorGfx: Fehler beim konvertieren aufgetreten...\n");
    return ok;
}

// Unpadded rows in, a BitMap's rows out and back.
void PutRows(BitMap *bmp, const UBYTE *data, ULONG bytesPerPixel)
{
    PixelAccess pa;
    if (!LockBits(bmp, &pa)) return;
    const size_t row = (size_t)bmp->Breite * bytesPerPixel;
    for (ULONG y = 0; y < bmp->Hoehe && (LONG)y < pa.h; y++)
        std::memcpy(PixelAt(pa, 0, (LONG)y), data + y * row, row);
    UnlockBits(&pa);
}

bool GetRows(BitMap *bmp, std::vector<UBYTE> *data)
{
    PixelAccess pa;
    if (!LockBits(bmp, &pa)) return false;
    const size_t row = (size_t)pa.w * pa.bpp;
    data->resize(row * pa.h);
    for (LONG y = 0; y < pa.h; y++) std::memcpy(data->data() + y * row, PixelAt(pa, 0, y), row);
    UnlockBits(&pa);
    return true;
}

// Memory copies carry a head naming what they hold, so a copy is only ever
// put back into a BitMap of its own index, size and pixel size.
struct GfxCopyHead {
    ULONG Tag;
    ULONG Breite;
    ULONG Hoehe;
    ULONG Bytes;  // per pixel
    ULONG Size;   // bytes of pixels after the head
    ULONG Reserved;
};

struct SlotInfo {
    BitMap *Owner = nullptr;  // the BitMap the counts belong to
    ULONG Users = 0;
    ULONG Tag = 0;            // 0: not loaded here, any index
};

std::mutex slotMutex;  // guards BitMapPtrArray, the slot records and GfxCacheArray
SlotInfo slots[GFX_CACHE_SLOTS];

// Under slotMutex: a BitMap stored in the slot by other code has one user.
SlotInfo &SyncedSlot(ULONG i)
{
    SlotInfo &s = slots[i];
    if (s.Owner != BitMapPtrArray[i]) s = {BitMapPtrArray[i], BitMapPtrArray[i] ? 1u : 0u, 0};
    return s;
}

enum class Acquire { Empty, Taken, Conflict };

// Takes one more user of a resident graphic; tag 0 accepts any index.
Acquire AcquireSlot(ULONG i, ULONG tag, BitMap **bmp)
{
    std::lock_guard<std::mutex> lock(slotMutex);
    SlotInfo &s = SyncedSlot(i);
    if (!s.Owner) return Acquire::Empty;
    if (tag && s.Tag && s.Tag != tag) return Acquire::Conflict;
    s.Users++;
    if (bmp) *bmp = s.Owner;
    return Acquire::Taken;
}

// Puts a freshly loaded BitMap into its slot as one user; when another
// caller was faster, that one is used and ours freed. 1 and the BitMap now
// in the slot, or -1 for a graphic of the same number from another index.
LONG InstallSlot(ULONG i, BitMap *bmp, ULONG tag, BitMap **out)
{
    BitMap *surplus = nullptr;
    LONG result = 1;
    {
        std::lock_guard<std::mutex> lock(slotMutex);
        SlotInfo &s = SyncedSlot(i);
        if (!s.Owner) {
            BitMapPtrArray[i] = bmp;
            s = {bmp, 1, tag};
        } else {
            surplus = bmp;
            if (s.Tag && s.Tag != tag) {
                result = -1;
            } else {
                s.Users++;
                bmp = s.Owner;
            }
        }
    }
    FreeBitMap(surplus);
    if (out) *out = result == 1 ? bmp : nullptr;
    return result;
}

// Drops one user; the last frees the BitMap. 0 when the slot was empty.
int ReleaseSlot(ULONG i)
{
    BitMap *freeIt = nullptr;
    {
        std::lock_guard<std::mutex> lock(slotMutex);
        SlotInfo &s = SyncedSlot(i);
        if (!s.Owner) return 0;
        if (--s.Users == 0) {
            freeIt = s.Owner;
            BitMapPtrArray[i] = nullptr;
            s = {};
        }
    }
    FreeBitMap(freeIt);
    return 1;
}

// The memory copy of slot i when it matches; copies it into bmp.
bool CopyBackTagged(ULONG i, ULONG tag, BitMap *bmp)
{
    std::lock_guard<std::mutex> lock(slotMutex);
    const GfxCopyHead *head = (const GfxCopyHead *)GfxCacheArray[i];
    if (!head || !bmp) return false;
    const ULONG bytes = (bmp->Tiefe + 7) / 8;
    if ((tag && head->Tag != tag) || head->Breite != bmp->Breite || head->Hoehe != bmp->Hoehe ||
        head->Bytes != bytes || (unsigned long long)head->Size != (unsigned long long)bmp->Breite * bmp->Hoehe * bytes)
        return false;
    PutRows(bmp, (const UBYTE *)(head + 1), bytes);
    return true;
}

bool HasCopy(ULONG i, ULONG tag, ULONG w, ULONG h, ULONG bytes)
{
    std::lock_guard<std::mutex> lock(slotMutex);
    const GfxCopyHead *head = (const GfxCopyHead *)GfxCacheArray[i];
    return head && head->Tag == tag && head->Breite == w && head->Hoehe == h && head->Bytes == bytes;
}

bool MemoryIsPlentiful()
{
    const unsigned long long avail = AvailMem(0);
    return avail * 7ull > 50000009ull;
}

// Keeps unpadded pixels as the memory copy of slot i, replacing a copy of
// another kind. 1 (also when memory is short and no copy is wanted).
int StoreCopy(ULONG i, ULONG tag, ULONG w, ULONG h, ULONG bytes, const UBYTE *pixels)
{
    if (!MemoryIsPlentiful()) return 1;
    const unsigned long long size = (unsigned long long)w * h * bytes;
    if (size > 0x7FFFFFFFull - sizeof(GfxCopyHead)) return 0;
    GfxCopyHead *head = (GfxCopyHead *)AllocVec((ULONG)(sizeof(GfxCopyHead) + size), MEMF_PUBLIC);
    if (!head) {
        std::printf("Copy2GfxCache: Konnte Speicher f\374r Buffer nicht allokieren\n");
        return 0;
    }
    *head = {tag, w, h, bytes, (ULONG)size, 0};
    std::memcpy(head + 1, pixels, (size_t)size);
    APTR old;
    {
        std::lock_guard<std::mutex> lock(slotMutex);
        old = GfxCacheArray[i];
        GfxCacheArray[i] = head;
    }
    FreeVec(old);
    return 1;
}

// Reads exactly bytes bytes of a picture file; false when it cannot be
// opened (*opened false) or is shorter.
bool ReadPicture(const std::string &name, ULONG bytes, std::vector<UBYTE> *data, bool *opened)
{
    *opened = false;
    std::FILE *f = std::fopen(name.c_str(), "rb");
    if (!f) return false;
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(f);
        return false;
    }
    *opened = true;
    bool ok = (unsigned long long)st.st_size >= bytes;
    if (ok) {
        data->resize(bytes);
        ok = std::fread(data->data(), 1, bytes, f) == bytes;
    }
    std::fclose(f);
    return ok;
}

// Vek3D button and unit pictures are stored with a lower-case extension.
std::string OnDiskName(const std::string &name)
{
    static const char *const kWords[] = {"ButtonBorder", "ButtonName", "ButtonRes", "Einheiten"};
    const std::string prefix = "24BIT/Bobs/Karte/Vek3D";
    if (ScreenDepth() <= 8 || name.compare(0, prefix.size(), prefix) != 0 || name.size() < 3) return name;
    for (const char *w : kWords) {
        if (name.compare(prefix.size(), std::strlen(w), w) == 0) {
            std::string lower = name.substr(0, name.size() - 3) + "raw";
            std::printf("OpenKavorGfx: Umbenennung notwendig. Name vorher: %s\n", name.c_str());
            std::printf("OpenKavorGfx: Name nachher: %s\n", lower.c_str());
            return lower;
        }
    }
    return name;
}

// Loads graphic n into its slot. fullScreen: the full-screen picture rules
// (no flag lookups, always converted above 8 bits) and messages. palData is
// taken over by a BitMap loaded here, else freed.
LONG LoadGraphic(const GfxIndex *idx, ULONG n, const GfxEntry &e, const std::string &name, bool fullScreen,
                 UBYTE *palData, ULONG palSize, BitMap **out)
{
    const char *who = fullScreen ? "OpenKavorPic" : "OpenKavorGfx";
    const ULONG i = n - 1, w = e.Breite, h = e.Hoehe;
    const ULONG sdepth = ScreenDepth();
    const bool high = sdepth > 8;
    const bool lookups = high && (fullScreen || !(e.Flags & GFXFLAG_NOLOOKUP));

    struct PalGuard {
        UBYTE *p;
        ~PalGuard() { FreeVec(p); }
    } pal{palData};

    // The pixel size the graphic ends with decides which memory copy fits.
    ULONG finalBytes;
    if (!high) {
        if (e.Tiefe != 8 || (!fullScreen && (e.Flags & GFXFLAG_CONVERT))) {
            std::printf("%s: Die Grafik mit der ID %u kann bei 8 Bit nicht dargestellt werden\n", who, n);
            return -1;
        }
        finalBytes = 1;
    } else if (!fullScreen && (e.Flags & GFXFLAG_NOLOOKUP) && e.Tiefe == 8 && !(e.Flags & GFXFLAG_CONVERT)) {
        finalBytes = 1;
    } else {
        finalBytes = ScreenBytes();
    }
    // Pixels reach their BitMap already in their final form, so no BitMap of
    // 24-bit data (flags 0x10081) is ever made.
    const ULONG finalDepth = finalBytes == 1 ? 8 : sdepth;
    const ULONG allocFlags = 1;

    if (HasCopy(i, idx->Tag, w, h, finalBytes)) {
        BitMap *bmp = AllocBitMap(w, h, finalDepth, allocFlags, nullptr);
        if (!bmp) {
            std::printf("%s: Konnte Speicher f\374r Daten des Bildes nicht allokieren !\n", who);
            return 0;
        }
        if (CopyBackTagged(i, idx->Tag, bmp)) {
            std::printf("%s: Bild aus dem Cache geladen...\n", who);
            bmp->PalData = pal.p;
            bmp->PalSize = palSize;
            pal.p = nullptr;
            return InstallSlot(i, bmp, idx->Tag, out);
        }
        FreeBitMap(bmp);
    }

    std::string file = name;
    ULONG depth = e.Tiefe, size = e.PicSize;
    bool converted = false;  // the file holds pixels in the screen format
    if (lookups) {
        ULONG d = 0;
        if (CheckForHighColorGfx(0, &file, &d, w * h * ScreenBytes())) {
            depth = d;
            size = w * h * ScreenBytes();
            converted = true;
            std::printf("GFX FinalBitmapPfad %s\n", file.c_str());
        } else if (e.Flags != GFXFLAG_CONVERT) {
            std::string v;
            if (CheckFor24BITGfx(&v, name)) {
                file = v;
                depth = 24;
                size = w * h * 3;
                std::printf("24 BIT Gfx gefunden!\n");
                if (fullScreen)
                    std::printf("OpenKavorPic: Breite       : %u\nOpenKavorPic: H\366he         : %u\n"
                                "OpenKavorPic: Bitplanes    : %u\nOpenKavorPic: BitmapPfad   :<%s>\n"
                                "OpenKavorPic: SizeofPic    :<%u>\n",
                                w, h, depth, file.c_str(), size);
                else
                    std::printf("GFX BitmapPfad %s\nGFX Breite  %u\nGFX Hoehe   %u\nGFX Tiefe   %u\nGFX Groesse %u\n",
                                file.c_str(), w, h, depth, size);
            }
        }
    }
    std::printf("GFX FinalBitmapPfad %s\n", file.c_str());
    if (fullScreen)
        std::printf("Zweiter Zustand...\nOpenKavorPic: Bitplanes %u\nOpenKavorPic: FinalBitmapPfad <%s>\n"
                    "OpenKavorPic: SizeofPic <%u>\n",
                    depth, file.c_str(), size);

    bool convert;
    if (!high)
        convert = false;
    else if (fullScreen)
        convert = !converted;
    else
        convert = (depth == 8 && !(e.Flags & GFXFLAG_NOLOOKUP)) ||
                  (!converted && (depth == 24 || (e.Flags & GFXFLAG_CONVERT)));
    if ((convert ? ScreenBytes() : depth / 8) != finalBytes) {
        std::printf("%s: Die Grafik mit der ID %u passt nicht zur Bildschirmtiefe\n", who, n);
        return -1;
    }

    std::vector<UBYTE> data;
    bool opened = false;
    if (!ReadPicture(OnDiskName(file), size, &data, &opened)) {
        if (!opened) {
            std::printf("%s: Konnte das File %s nicht oeffnen.\n", who, file.c_str());
            if (!fullScreen) std::printf("OpenKavorGfx: Gebe Bitmap wieder frei...\n");
        } else if (fullScreen) {
            std::printf("OpenKavorPic: Konnte Grafikdaten nicht laden...\n");
        } else {
            std::printf("OpenKavorGfx: Die Grafik mit der ID : %d ist zu klein !\n", (int)n);
        }
        return -1;
    }
    if (convert) {
        std::vector<UBYTE> out;
        if (!ConvertPixels(data.data(), depth, w, h, file, &out)) {
            if (fullScreen) std::printf("OpenKavorPic: Konnte Bild nicht konvertieren...\n");
            return -1;
        }
        data.swap(out);
    }
    BitMap *bmp = AllocBitMap(w, h, finalDepth, allocFlags, nullptr);
    if (!bmp) {
        std::printf("%s: Konnte Speicher f\374r Daten des Bildes nicht allokieren !\n", who);
        return fullScreen ? -1 : 0;
    }
    PutRows(bmp, data.data(), finalBytes);
    if (!HasCopy(i, idx->Tag, w, h, finalBytes) && !StoreCopy(i, idx->Tag, w, h, finalBytes, data.data())) {
        std::printf("%s : Fehler bei kopieren in den Cache aufgetreten...\n", who);
        FreeBitMap(bmp);
        return -1;
    }
    bmp->PalData = pal.p;
    bmp->PalSize = palSize;
    pal.p = nullptr;
    return InstallSlot(i, bmp, idx->Tag, out);
}

LONG OpenGraphic(const char *indexpath, ULONG n, BitMap **out);

// Takes graphic n for one drawing call: a resident one (any index) or one
// loaded from ./Data/Path for the call. The BitMap or null; release with
// ReleaseSlot. *loadResult gets what OpenKavorGfx gave (1 when resident).
BitMap *TakeForDrawing(ULONG n, LONG *loadResult)
{
    BitMap *bmp = nullptr;
    if (n >= 1 && n <= GFX_CACHE_SLOTS && AcquireSlot(n - 1, 0, &bmp) == Acquire::Taken) {
        *loadResult = 1;
        return bmp;
    }
    *loadResult = OpenGraphic(kPathIndex, n, &bmp);
    return *loadResult == 1 ? bmp : nullptr;
}

void ClampSize(const BitMap *bmp, LONG *w, LONG *h)
{
    if (*w <= 0 || (ULONG)*w > bmp->Breite) *w = (LONG)bmp->Breite;
    if (*h <= 0 || (ULONG)*h > bmp->Hoehe) *h = (LONG)bmp->Hoehe;
}

LONG DrawMasked(RastPort *rp, BitMap *bmp, LONG x, LONG y, LONG w, LONG h, ULONG firstRow)
{
    if (!rp) rp = DisplayRastPort();
    if (!bmp) return BltMaskBitMapRastPort(nullptr, 0, 0, rp, x, y, w, h, 0, 0);
    ClampSize(bmp, &w, &h);
    return BltMaskBitMapRastPort(bmp, 0, (LONG)firstRow, rp, x, y, w, h, 0, 0);
}

}  // namespace

ULONG GfxIndexTag(const char *indexpath)
{
    ULONG hash = 2166136261u;
    for (const char *p = indexpath ? indexpath : ""; *p; p++) hash = (hash ^ (UBYTE)*p) * 16777619u;
    return hash ? hash : 1;
}

int OpenGfxIndex(const char *indexpath, GfxIndex *idx)
{
    *idx = GfxIndex{};
    if (!indexpath) return 0;
    idx->Tag = GfxIndexTag(indexpath);
    if (!std::strcmp(indexpath, kPathIndex) && UserSystem.CachePath && UserSystem.GfxPathPtr &&
        UserSystem.GfxPathLength) {
        idx->Data = (const UBYTE *)UserSystem.GfxPathPtr;
        idx->Size = UserSystem.GfxPathLength;
        return 1;
    }
    std::FILE *f = std::fopen(indexpath, "rb");
    if (!f) return 0;
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 || st.st_size > 0x7FFFFFFF) {
        std::fclose(f);
        return 0;
    }
    const ULONG size = (ULONG)st.st_size;
    UBYTE *data = (UBYTE *)AllocVec(size, MEMF_PUBLIC);
    const bool ok = std::fread(data, 1, size, f) == size;
    std::fclose(f);
    if (!ok) {
        FreeVec(data);
        return 0;
    }
    idx->Data = data;
    idx->Size = size;
    idx->Owned = true;
    return 1;
}

void CloseGfxIndex(GfxIndex *idx)
{
    if (idx->Owned) FreeVec((APTR)idx->Data);
    *idx = GfxIndex{};
}

ULONG GfxIndexCount(const GfxIndex *idx)
{
    if (!idx->Data || idx->Size < GFXINDEX_COUNT_OFFSET + 4) return 0;
    return BE32(idx->Data + GFXINDEX_COUNT_OFFSET);
}

int GfxIndexEntry(const GfxIndex *idx, ULONG n, GfxEntry *e)
{
    const unsigned long long at = 36ull * n;
    if (n == 0 || !idx->Data || at + sizeof(st_GfxPathRecord) > idx->Size) return 0;
    st_GfxPathRecord r;
    std::memcpy(&r, idx->Data + at, sizeof r);
    *e = {BE32(r.Nummer), BE32(r.Breite),        BE32(r.Hoehe),   BE32(r.Tiefe),         BE32(r.Flags),
          BE32(r.PicPathOffset), BE32(r.PicSize), BE32(r.CmapPathOffset), BE32(r.CmapSize)};
    return 1;
}

int GfxIndexText(const GfxIndex *idx, ULONG offset, ULONG maxChars, std::string *text)
{
    text->clear();
    const unsigned long long start = (unsigned long long)GFXINDEX_TEXT_BASE + offset;
    const unsigned long long recordsEnd = 36ull * ((unsigned long long)GfxIndexCount(idx) + 1);
    if (!idx->Data || start < recordsEnd || start >= idx->Size) return 0;
    for (unsigned long long p = start; text->size() < maxChars; p++) {
        if (p >= idx->Size) return 0;
        const char c = (char)idx->Data[p];
        if (!c) return 1;
        text->push_back(c);
    }
    return 1;
}

int GfxEntryPlausible(const GfxEntry &e)
{
    if (e.Breite == 0 || e.Hoehe == 0 || e.Breite > kMaxSide || e.Hoehe > kMaxSide) return 0;
    if (e.Tiefe != 8 && e.Tiefe != 24) return 0;
    return (unsigned long long)e.Breite * e.Hoehe * (e.Tiefe / 8) == e.PicSize;
}

int MakeGfxFileName(const char *path, int type, int needVolume, std::string *name)
{
    name->clear();
    if (!path || !std::strchr(path, ':') || std::strlen(path) < 4) return 0;
    if (needVolume && std::strncmp(path, "vek:", 4) && std::strncmp(path, "Vek:", 4)) return 0;
    const std::string full = path;
    // The volume goes; the directories are joined again with single "/".
    std::string joined;
    size_t pos = 4;
    while (pos <= full.size()) {
        size_t slash = full.find('/', pos);
        if (slash == std::string::npos) slash = full.size();
        const std::string piece = full.substr(pos, slash - pos);
        if (piece == "." || piece == "..") return 0;  // names stay inside the game directory
        if (!piece.empty()) {
            if (!joined.empty()) joined += '/';
            joined += piece;
        }
        pos = slash + 1;
    }
    if (!(type == 1 && Contains(full, "24BIT"))) {
        joined = Stem(joined);
        if (joined.empty() || joined.back() == '/') return 0;
        joined += type == 2 ? ".cma" : Contains(full, "RAWB") ? ".CHK" : ".chk";
    }
    if (joined.empty()) return 0;
    // Latin-1 sharp s and u umlaut name their files in UTF-8.
    std::string out;
    for (const char c : joined) {
        if ((UBYTE)c == 0xDF)
            out += "\xC3\x9F";
        else if ((UBYTE)c == 0xFC)
            out += "\xC3\xBC";
        else
            out += c;
    }
    if (out.size() > GFX_NAME_MAX) return 0;
    *name = out;
    return 1;
}

int CheckPathforQuarters(std::string *path, int check)
{
    static const char *const kSeason[4] = {"Spring", nullptr, "Autumn", "Winter"};
    const UWORD q = PlayerInfo.Quartal;
    const char *season = q < 4 ? kSeason[q] : nullptr;
    if (!season) return check ? 0 : 1;
    const size_t slash = path->rfind('/');
    const size_t at = slash == std::string::npos ? 0 : slash + 1;
    std::string changed = path->substr(0, at) + season + "/" + path->substr(at);
    if (check && !IsRegularFile(changed)) return 0;
    *path = changed;
    return 1;
}

int CheckFor24BITGfx(std::string *newpath, const std::string &path)
{
    const std::string plain = "./24BIT/" + Stem(path) + ".RAW";
    std::string season = plain;
    std::string found;
    if (CheckPathforQuarters(&season, 1))
        found = season;
    else if (IsRegularFile(plain))
        found = plain;
    else
        return 0;
    if (newpath) *newpath = found;
    return 1;
}

std::string ConvertedGfxName(const std::string &path)
{
    const char *dir = PixelFormatDirectory(ScreenFormat());
    if (!dir || ScreenDepth() <= 8) return "";
    const size_t at = path.find("24BIT/");
    if (at != std::string::npos) return std::string("./") + dir + "/" + path.substr(at + 6);
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    std::string base = path;
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) base = path.substr(0, dot);
    return std::string("./") + dir + "/" + base + ".RAW";
}

int CheckForHighColorGfx(ULONG, std::string *path, ULONG *depth, ULONG bytes)
{
    std::string name = ConvertedGfxName(*path);
    if (name.empty()) return 0;
    if (!Contains(*path, "24BIT") && SeasonVariantOf24Bit(*path)) CheckPathforQuarters(&name, 0);
    unsigned long long size = 0;
    if (!RegularFileSize(name, &size)) return 0;
    if (size != bytes) {
        std::printf("CheckForHighColorGfx: %s hat die falsche Groesse und wird neu erstellt\n", name.c_str());
        return 0;
    }
    *depth = ScreenDepth();
    *path = name;
    return 1;
}

BitMap *ConvertKavorGfx(ULONG, BitMap *bitmap, ULONG, const char *path)
{
    if (!bitmap) return nullptr;
    std::vector<UBYTE> src, out;
    const ULONG srcDepth = bitmap->Tiefe, w = bitmap->Breite, h = bitmap->Hoehe;
    BitMap *result = nullptr;
    if (path && GetRows(bitmap, &src) && ConvertPixels(src.data(), srcDepth, w, h, path, &out)) {
        result = AllocBitMap(w, h, ScreenDepth(), 1, nullptr);
        if (result)
            PutRows(result, out.data(), ScreenBytes());
        else
            std::printf("OpenKavorPic: Konnte Speicher f\374r Daten des Bildes nicht allokieren !\n");
    }
    FreeBitMap(bitmap);
    return result;
}

int Copy2GfxCache(BitMap *bitmap, ULONG n)
{
    if (!bitmap || n == 0 || n > GFX_CACHE_SLOTS) return 0;
    if (!MemoryIsPlentiful()) return 1;
    std::vector<UBYTE> rows;
    if (!GetRows(bitmap, &rows)) return 0;
    const ULONG bytes = (bitmap->Tiefe + 7) / 8;
    return StoreCopy(n - 1, GfxIndexTag(kPathIndex), bitmap->Breite, bitmap->Hoehe, bytes, rows.data());
}

int CopyGfxCacheBack(ULONG n, BitMap *bitmap)
{
    if (n == 0 || n > GFX_CACHE_SLOTS) return 0;
    return CopyBackTagged(n - 1, 0, bitmap) ? 1 : 0;
}

namespace {

LONG OpenGraphic(const char *indexpath, ULONG n, BitMap **out)
{
    *out = nullptr;
    std::printf("Routine: OpenKavorGfx ID %d\n", (int)n);
    if (indexpath && !std::strcmp(indexpath, kPathIndex) && n >= 1 && n <= GFX_CACHE_SLOTS && BitMapPtrArray[n - 1])
        std::printf("Vorsicht ! Die Grafik mit der ID: %u wurde schon einmal geladen ! Eventuell entsteht "
                    "Speicherverlust\n",
                    n);
    GfxIndex idx;
    if (!OpenGfxIndex(indexpath, &idx)) {
        std::printf("OpenKavorGfx: Konnte Daten nicht einlesen !\n");
        return 0;
    }
    struct Closer {
        GfxIndex *i;
        ~Closer() { CloseGfxIndex(i); }
    } closer{&idx};

    const ULONG count = GfxIndexCount(&idx);
    if (n - 1 > GFX_CACHE_SLOTS - 1 || n - 1 >= count) {
        std::printf("OpenKavorGfx: Die angegebene ID ist zu hoch! %u\n", n);
        return -1;
    }
    switch (AcquireSlot(n - 1, idx.Tag, out)) {
    case Acquire::Taken:
        std::printf("OpenKavorGfx: Grafik mit der ID %u schon einmal geladen\n", n);
        return 1;
    case Acquire::Conflict:
        std::printf("OpenKavorGfx: Die Grafik mit der ID %u ist schon aus einem anderen Index geladen\n", n);
        return -1;
    case Acquire::Empty: break;
    }
    GfxEntry e;
    std::string path, name;
    if (!GfxIndexEntry(&idx, n, &e) || !GfxEntryPlausible(e)) {
        std::printf("OpenKavorGfx: Der Eintrag der Grafik %u im Index ist fehlerhaft\n", n);
        return -1;
    }
    if (!GfxIndexText(&idx, e.PicPathOffset, GFX_PATH_MAX, &path) || !MakeGfxFileName(path.c_str(), 1, 0, &name)) {
        std::printf("OpenKavorGfx: Konnte Pathfilepfad nicht konvertieren\n");
        return -1;
    }
    return LoadGraphic(&idx, n, e, name, false, nullptr, 0, out);
}

}  // namespace

LONG OpenKavorGfx(const char *indexpath, ULONG n)
{
    BitMap *bmp;
    return OpenGraphic(indexpath, n, &bmp);
}

LONG LoadKavorPicture(const GfxIndex *idx, ULONG n, const GfxEntry &e, const std::string &name, UBYTE *palData,
                      ULONG palSize)
{
    if (n == 0 || n > GFX_CACHE_SLOTS) {
        FreeVec(palData);
        return -1;
    }
    switch (AcquireSlot(n - 1, idx->Tag, nullptr)) {
    case Acquire::Taken: FreeVec(palData); return 1;
    case Acquire::Conflict:
        FreeVec(palData);
        std::printf("OpenKavorPic: Die Grafik mit der ID %u ist schon aus einem anderen Index geladen\n", n);
        return -1;
    case Acquire::Empty: break;
    }
    BitMap *bmp;
    return LoadGraphic(idx, n, e, name, true, palData, palSize, &bmp);
}

void CloseKavorGfx(ULONG n)
{
    if (n == 0 || n > GFX_CACHE_SLOTS) return;
    ReleaseSlot(n - 1);
}

int ReleaseKavorGfx(ULONG n)
{
    if (n == 0 || n > GFX_CACHE_SLOTS) return 0;
    return ReleaseSlot(n - 1);
}

LONG BlitObjekt(RastPort *rp, ULONG n, LONG x, LONG y, LONG w, LONG h)
{
    n &= 0xFFFF;
    LONG loaded;
    BitMap *bmp = TakeForDrawing(n, &loaded);
    if (loaded == 0) std::printf("BlitObjekt: Konnte die Grafik nicht direkt laden!\n");
    if (!rp) rp = DisplayRastPort();
    if (!bmp) return BltBitMapRastPort(nullptr, 0, 0, rp, x, y, w, h, 0xC0);
    ClampSize(bmp, &w, &h);
    const LONG result = BltBitMapRastPort(bmp, 0, 0, rp, x, y, w, h, 0xC0);
    ReleaseSlot(n - 1);
    return result;
}

LONG BlitObjektMask(RastPort *rp, ULONG n, ULONG key, LONG x, LONG y, LONG w, LONG h)
{
    return BlitObjektMaskRows(rp, n, key, x, y, w, h, StartFrame.load());
}

LONG BlitObjektMaskRows(RastPort *rp, ULONG n, ULONG, LONG x, LONG y, LONG w, LONG h, ULONG firstRow)
{
    n &= 0xFFFF;
    LONG loaded;
    BitMap *bmp = TakeForDrawing(n, &loaded);
    if (loaded == -1) std::printf("BlitObjektMask:Konnte die Grafik mit der ID:%d nicht laden.\n", (int)n);
    const LONG result = DrawMasked(rp, bmp, x, y, w, h, firstRow);
    if (bmp) ReleaseSlot(n - 1);
    return result;
}

void BlitTextObjekt(RastPort *rp, ULONG n, const char *text, LONG x, LONG y, LONG w, LONG h)
{
    n &= 0xFFFF;
    LONG loaded;
    BitMap *bmp = TakeForDrawing(n, &loaded);
    if (loaded == 0) std::printf("BlitObjekt : Konnte Grafik nicht \366ffnen !\n");
    RastPort *target = rp ? rp : DisplayRastPort();
    if (bmp) {
        if (w == 0) w = (LONG)bmp->Breite;
        if (h == 0) h = (LONG)bmp->Hoehe;
        LONG bw = w, bh = h;
        ClampSize(bmp, &bw, &bh);
        BltBitMapRastPort(bmp, 0, 0, target, x, y, bw, bh, 0xC0);
        ReleaseSlot(n - 1);
    } else {
        BltBitMapRastPort(nullptr, 0, 0, target, x, y, w, h, 0xC0);
    }
    if (!target) return;
    SetDrMd(target, JAM1);
    PrintText(target, (UWORD)x, (UWORD)y, (UWORD)(x + w), (UWORD)(y + h), text, 0, 7, 37);
    SetDrMd(target, JAM2);
}

void BlitTextObjektMask(RastPort *rp, ULONG n, const char *text, LONG x, LONG y, LONG w, LONG h, ULONG key)
{
    if (!rp) {
        std::printf("Der \334bergeben RastPort  war nicht VALID benutze nun TitelScreen RastPort.");
        if (!TitelScreenPtr) return;
        rp = &TitelScreenPtr->RastPort;
    }
    BlitObjektMask(rp, n, key, x, y, w, h);
    SetDrMd(rp, JAM1);
    PrintText(rp, (UWORD)x, (UWORD)y, (UWORD)(x + w), (UWORD)(y + h), text, 0, 7, 37);
    SetDrMd(rp, JAM2);
}
