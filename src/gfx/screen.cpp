// The screen record and the full-screen pictures. Above 8 bits a new picture
// is drawn on the hidden work surface and the fade-in brings it to the
// visible one; at 8 bits it is drawn on the view and the palette fades in.
#include "gfx/screen.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "gfx/gfx_local.h"
#include "gfx/gfxnumber.h"
#include "platform/system.h"

Screen *TitelScreenPtr = nullptr;

namespace {

constexpr ULONG kMaxCmapBytes = 65536;

// A window with the RastPort and the BitMap record it draws on; the BitMap
// wraps a surface it does not own.
struct WindowParts {
    Window Win;
    RastPort Rp;
    BitMap Bm;
};

void SetDisplayRastPort(RastPort *rp)
{
    if (UserSystem.Display) UserSystem.Display->RastPort_ = rp;
    VekDisplay.RastPort_ = rp;
}

WindowParts *MakeWindow(SDL_Surface *surface)
{
    WindowParts *w = (WindowParts *)AllocVec(sizeof(WindowParts), MEMF_PUBLIC | MEMF_CLEAR);
    InitSurfaceBitMap(&w->Bm, surface);
    InitRastPort(&w->Rp);
    w->Rp.BitMap = &w->Bm;
    w->Win.RPort = &w->Rp;
    w->Win.NextWindow = &w->Win;
    return w;
}

// The window record is the first member, so the parts free as one block.
void FreeWindow(Window *w) { FreeVec(w); }

void MakeScreen()
{
    Screen *s = (Screen *)AllocVec(sizeof(Screen), MEMF_PUBLIC | MEMF_CLEAR);
    ColorMap *cm = (ColorMap *)AllocVec(sizeof(ColorMap), MEMF_PUBLIC | MEMF_CLEAR);
    cm->PaletteEntry = KavoriaPalette;
    s->ViewPort.ColorMap = cm;
    InitRastPort(&s->RastPort);
    s->RastPort.BitMap = &s->BitMap;
    if (VekDisplay.VekScreen_Tiefe <= 8) {
        InitSurfaceBitMap(&s->BitMap, BobScreen);
    } else {
        InitSurfaceBitMap(&s->BitMap, PrimaryScreen);
        WindowParts *first = MakeWindow(BobScreen);
        s->FirstWindow = &first->Win;
        if (VekDisplay.VekScreen_ViewMode == 2) {
            WindowParts *db = MakeWindow(DBScreen);
            s->DBRastPort = &db->Rp;
            WindowParts *second = MakeWindow(BobScreen2);
            first->Win.NextWindow = &second->Win;
        }
    }
    TitelScreenPtr = s;
    ScreenBitMap = &s->BitMap;
}

bool OwnsRastPort(const Screen *s, const RastPort *rp)
{
    if (!rp) return false;
    if (rp == &s->RastPort || rp == s->DBRastPort) return true;
    for (const Window *w = s->FirstWindow; w; w = w->NextWindow == w ? nullptr : w->NextWindow)
        if (w->RPort == rp) return true;
    return false;
}

void TearDownScreen()
{
    Screen *s = TitelScreenPtr;
    if (!s) return;
    if (OwnsRastPort(s, DisplayRastPort())) SetDisplayRastPort(nullptr);
    if (s->DBRastPort) FreeWindow((Window *)((char *)s->DBRastPort - offsetof(WindowParts, Rp)));
    if (Window *first = s->FirstWindow) {
        if (first->NextWindow && first->NextWindow != first) FreeWindow(first->NextWindow);
        FreeWindow(first);
    }
    FreeVec(s->ViewPort.ColorMap);
    FreeVec(s);
    TitelScreenPtr = nullptr;
    ScreenBitMap = nullptr;
}

// Reads the colour map of a full-screen picture into a cleared buffer of at
// least 768 bytes and KavoriaPalette; a file shorter than its index entry
// gives its colours first and black after. The buffer (AllocVec) or null
// when the file cannot be read or the entry passes the cap; the palette is
// then left as it was.
UBYTE *LoadColourMap(const std::string &name, ULONG bytes, ULONG *size)
{
    *size = 0;
    std::FILE *f = name.empty() ? nullptr : std::fopen(name.c_str(), "rb");
    if (!f) {
        std::printf("OpenKavorPic:Konnte das File %s nicht oeffnen\n", name.c_str());
        return nullptr;
    }
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || bytes > kMaxCmapBytes) {
        std::printf("OpenKavorPic: Konnte die Farbtabelle %s nicht lesen\n", name.c_str());
        std::fclose(f);
        return nullptr;
    }
    ULONG have = bytes;
    if ((unsigned long long)st.st_size < bytes) {
        std::printf("OpenKavorPic: Die Farbtabelle %s ist kuerzer als der Index sagt\n", name.c_str());
        have = (ULONG)st.st_size;
    }
    const ULONG alloc = bytes < 768 ? 768 : bytes;
    UBYTE *buffer = (UBYTE *)AllocVec(alloc, MEMF_PUBLIC | MEMF_CLEAR);
    const bool ok = std::fread(buffer, 1, have, f) == have;
    std::fclose(f);
    if (!ok) {
        std::printf("OpenKavorPic: Konnte die Farbtabelle %s nicht lesen\n", name.c_str());
        FreeVec(buffer);
        return nullptr;
    }
    for (int i = 0; i < 256; i++) KavoriaPalette[i] = {buffer[3 * i], buffer[3 * i + 1], buffer[3 * i + 2], 0};
    if (SDLViewSurface) SDL_SetPalette(SDLViewSurface, SDL_LOGPAL, KavoriaPalette, 0, 256);
    if (MousePointer) SDL_SetPalette(MousePointer, SDL_LOGPAL, KavoriaPalette, 0, 256);
    if (MousePointerCopy) SDL_SetPalette(MousePointerCopy, SDL_LOGPAL, KavoriaPalette, 0, 256);
    *size = alloc;
    return buffer;
}

LONG FinishOpen()
{
    if (TitelScreenPtr && !TitelScreenPtr->Mutex) {
        TitelScreenPtr->Mutex = ScreenSemaphore();
        if (!TitelScreenPtr->Mutex) std::printf("OpenKavorPic: Konnte Mutex nicht anlegen ! Fehler\n");
    }
    return TitelScreenPtr ? 0 : -1;
}

}  // namespace

LONG OpenKavorPic(const char *indexpath, ULONG n, ULONG mode)
{
    std::printf("Routine: OpenKavorPic %s %i %i\n", indexpath ? indexpath : "", (int)n, (int)mode);
    GfxIndex idx;
    if (!OpenGfxIndex(indexpath, &idx)) {
        std::printf("OpenKavorPic:Konnte den Path File nicht \366ffnen!\n");
        return -1;
    }
    struct Closer {
        GfxIndex *i;
        ~Closer() { CloseGfxIndex(i); }
    } closer{&idx};

    if (n - 1 > GFX_CACHE_SLOTS - 1 || n - 1 >= GfxIndexCount(&idx)) {
        std::printf("OpenKavorPic:Die angegebene ID ist zu Gross!\n");
        return -1;
    }
    GfxEntry e;
    if (!GfxIndexEntry(&idx, n, &e)) {
        std::printf("OpenKavorPic: Der Eintrag %u liegt ausserhalb des Index\n", n);
        return -1;
    }
    if (e.Nummer != n) {
        std::printf("OpenKavorPic: Der Eintrag %u im Index traegt die Nummer %u und wird nicht geladen\n", n,
                    e.Nummer);
        return FinishOpen();
    }

    std::string picPath, cmapPath, picName, cmapName;
    if (GfxIndexText(&idx, e.PicPathOffset, GFX_PATH_MAX, &picPath))
        MakeGfxFileName(picPath.c_str(), 1, 1, &picName);
    if (GfxIndexText(&idx, e.CmapPathOffset, GFX_PATH_MAX, &cmapPath))
        MakeGfxFileName(cmapPath.c_str(), 2, 1, &cmapName);
    const ULONG cmapBytes = e.CmapSize / 4;
    std::printf("OpenKavorPic: ID %u\nOpenKavorPic: Breite %u\nOpenKavorPic: H\366he %u\nOpenKavorPic: Bitplanes %u\n"
                "OpenKavorPic: BitmapPfad <%s>\nOpenKavorPic: SizeofPic <%u>\nOpenKavorPic: ColormapPfad <%s>\n"
                "OpenKavorPic: SizeofCmap <%u>\n",
                e.Nummer, e.Breite, e.Hoehe, e.Tiefe, picName.c_str(), e.PicSize, cmapName.c_str(), cmapBytes);

    ULONG palSize = 0;
    UBYTE *palData = LoadColourMap(cmapName, cmapBytes, &palSize);

    if ((mode & PIC_CMAPONLY) && !(mode & PIC_NOLOAD)) {
        FreeVec(palData);
        VekDisplay.VekScreen = (UWORD)n;
        return FinishOpen();
    }
    if (!(mode & PIC_NOLOAD)) {
        if (!GfxEntryPlausible(e) || picName.empty()) {
            std::printf("OpenKavorPic: Der Eintrag der Grafik %u im Index ist fehlerhaft\n", n);
            FreeVec(palData);
            return -1;
        }
        if (LoadKavorPicture(&idx, n, e, picName, palData, palSize) != 1) return -1;
    } else {
        FreeVec(palData);
    }

    if (!TitelScreenPtr) MakeScreen();
    if (BitMapPtrArray[n - 1]) {
        Screen *s = TitelScreenPtr;
        if (VekDisplay.VekScreen_Tiefe <= 8)
            SetDisplayRastPort(&s->RastPort);
        else if (s->FirstWindow && s->FirstWindow->NextWindow)
            SetDisplayRastPort(s->FirstWindow->NextWindow->RPort);
        BlitObjekt(nullptr, n, 0, 0, 640, 480);
        if (!(mode & PIC_NOFADE)) FadeIn();
        VekDisplay.VekScreen = (UWORD)n;
    }
    return FinishOpen();
}

LONG CloseKavorPic(ULONG n, ULONG mode)
{
    std::printf("Routine: CloseKavorPic %u %u\n", n, mode);
    if (mode == 2) {
        if (TitelScreenPtr) {
            FadeOut();
            SetDisplayRastPort(&TitelScreenPtr->RastPort);
        }
        return 0;
    }
    if (!ReleaseKavorGfx(n))
        std::printf("CloseKavorPic: Das pic %d wurde schon freigegeben oder es wurde nur die ColorMap geladen.\n",
                    (int)n);
    if (TitelScreenPtr) FadeOut();
    if (mode == 0) TearDownScreen();
    return 0;
}

void KavorDBFlip(BOOL changeRP)
{
    Screen *s = TitelScreenPtr;
    if (!s) return;
    RastPort *db = s->DBRastPort;
    SDL_Surface *from = db && db->BitMap ? db->BitMap->Surface : nullptr;
    if (!from || !SDLViewSurface) {
        // No double buffer (8 bits): the view is drawn directly.
        SetDisplayRastPort(&s->RastPort);
        return;
    }
    const int locked = ScreenLock();
    if (SDL_BlitSurface(from, nullptr, SDLViewSurface, nullptr) < 0)
        std::printf("KavorDBFlip: Konnte Page nicht flippen.\n");
    UpdateRectangleLocked(0, 0, 0, 0);
    if (locked) ScreenUnlock();
    SetDisplayRastPort(&s->RastPort);
    RastPort *view = &s->RastPort;
    auto copyPens = [](RastPort *to, const RastPort *src) {
        to->FgPen = src->FgPen;
        to->DrawMode = src->DrawMode;
        to->cp_x = src->cp_x;
        to->cp_y = src->cp_y;
    };
    if (VekDisplay.VekScreen_DBFlag) {
        std::printf("Flip: unten nach oben...\n");
        if (changeRP) copyPens(view, db);
        VekDisplay.VekScreen_DBFlag = 0;
    } else {
        std::printf("Flip: oben nach unten...\n");
        if (changeRP) copyPens(db, view);
        VekDisplay.VekScreen_DBFlag = 1;
    }
}

RastPort *KavorGetDBRastPort(BOOL visible)
{
    Screen *s = TitelScreenPtr;
    if (!s) return nullptr;
    if (visible || !s->DBRastPort) return &s->RastPort;
    return s->DBRastPort;
}

BitMap *ScreenSaveClip(LONG x, LONG y, LONG w, LONG h)
{
    RastPort *rp = DisplayRastPort();
    if (!rp || !rp->BitMap || w <= 0 || h <= 0) return nullptr;
    BitMap *bmp = AllocBitMap((ULONG)w, (ULONG)h, rp->BitMap->Tiefe, rp->BitMap->Flags, rp->BitMap);
    if (!bmp) return nullptr;
    SDL_Surface *from = rp->BitMap->Surface;
    if (bmp->Tiefe == 8 && bmp->Surface && from && from->format->palette)
        SDL_SetPalette(bmp->Surface, SDL_LOGPAL, from->format->palette->colors, 0, from->format->palette->ncolors);
    RastPort to;
    InitRastPort(&to);
    to.BitMap = bmp;
    if (!ClipBlit(rp, x, y, &to, 0, 0, w, h, 0xC0)) {
        FreeBitMap(bmp);
        return nullptr;
    }
    return bmp;
}

void ScreenRestoreClip(BitMap *bitmap, LONG x, LONG y, LONG w, LONG h)
{
    if (!bitmap) return;
    BltBitMapRastPort(bitmap, 0, 0, DisplayRastPort(), x, y, (LONG)bitmap->Breite, (LONG)bitmap->Hoehe, 0xC0);
    UpdateRectangle(x, y, w, h);
    FreeBitMap(bitmap);
}

RastPort *ScreenMakeClipRP(BitMap *bitmap)
{
    RastPort *rp = (RastPort *)AllocVec(sizeof(RastPort), MEMF_PUBLIC | MEMF_CLEAR);
    if (!rp) {
        std::printf("ScreenMakeClipRP:Konnte keinen RastPort anlegene!");
        return nullptr;
    }
    InitRastPort(rp);
    rp->BitMap = bitmap;
    return rp;
}
