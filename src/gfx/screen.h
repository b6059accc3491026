// The one game screen: the record that wraps the display surfaces in BitMaps
// and RastPorts, the full-screen picture each screen opens and closes, the
// double buffer of the map view, saving rectangles under boxes, and the
// screen semaphore that every update of the display runs under.
#pragma once
#include <SDL/SDL.h>

#include "gfx/graphics.h"
#include "gfx/palette.h"

struct Window {
    Window *NextWindow;
    struct RastPort *RPort;
};

struct Screen {
    Window *FirstWindow;          // above 8 bits the visible work area on BobScreen
    struct ViewPort ViewPort;     // its colour map points at KavoriaPalette
    struct RastPort RastPort;     // draws on the view itself
    struct RastPort *DBRastPort;  // above 8 bits: draws on DBScreen
    struct BitMap BitMap;         // wraps the view surface
    SDL_sem *Mutex;               // the screen semaphore
};

extern Screen *TitelScreenPtr;  // null while there is no screen

// OpenKavorPic mode bits
constexpr ULONG PIC_NOFADE = 1;    // no fade-in
constexpr ULONG PIC_CMAPONLY = 2;  // the colour map only
constexpr ULONG PIC_NOLOAD = 4;    // set up the screen, draw a picture already loaded

// 0 when a screen exists afterwards, -1 on failure.
LONG OpenKavorPic(const char *indexpath, ULONG n, ULONG mode);
// Mode 2 fade out only; 1 release the picture and fade out; 0 also tear the
// screen record down. 0.
LONG CloseKavorPic(ULONG n, ULONG mode);

void KavorDBFlip(BOOL changeRP);               // DBScreen onto the view
RastPort *KavorGetDBRastPort(BOOL visible);    // the view's RastPort, or DBScreen's (0); null without screen
BitMap *ScreenSaveClip(LONG x, LONG y, LONG w, LONG h);  // null on failure
void ScreenRestoreClip(BitMap *bitmap, LONG x, LONG y, LONG w, LONG h);  // frees bitmap
RastPort *ScreenMakeClipRP(BitMap *bitmap);    // AllocVec'd RastPort on bitmap; caller FreeVecs it

// The screen semaphore lives from its first use to exitSDL, so threads that
// update the display may outlive a screen record. ScreenLock gives 1 when
// taken; only then call ScreenUnlock.
SDL_sem *ScreenSemaphore();
int ScreenLock();
void ScreenUnlock();
