// Gadgets: the buttons of a screen description. CheckGadgets takes every
// GetKey code of a screen's loop, draws presses, releases and hover pictures,
// turns escape and typed keys into pseudo-gadgets, and returns the gadget the
// screen acts on (switching on its four-letter ReturnID).
#pragma once
#include "ui/screendat.h"

struct RastPort;
struct BitMap;
struct TextFont;

constexpr UWORD GADGET_REPORTPRESS = 0x01;  // returned on press and on every tick while held over it
constexpr UWORD GADGET_HIDDEN = 0x02;       // never drawn; still reacts to the mouse
constexpr UWORD GADGET_TEXT = 0x04;         // the linked title's text is printed on the picture
constexpr UWORD GADGET_MASKED = 0x08;       // drawn with its transparent colour
constexpr UWORD GADGET_HOVER = 0x10;        // shows its picture in the linked rectangle while the mouse is over it

constexpr ULONG GADGET_EXIT = MakeGadgetID("EXIT");
constexpr ULONG GADGET_KEY = MakeGadgetID("KEY!");

constexpr int GADGET_CACHE_SLOTS = 40;      // a screen has at most 40 gadgets

// The saved screen under a hover picture, and where it goes back.
struct GadgetCacheSlot {
    BitMap *Saved;
    LONG X, Y, W, H;
};
extern GadgetCacheSlot GadgetCacheArray[GADGET_CACHE_SLOTS];

// Picture and screen services the gadgets draw with. A null entry draws or
// saves nothing; start-up fills in what the picture code provides.
struct GadgetPainter {
    LONG (*BlitObjekt)(RastPort *rp, UWORD gfx, LONG x, LONG y, LONG w, LONG h);
    LONG (*BlitObjektMask)(RastPort *rp, UWORD gfx, ULONG key, LONG x, LONG y, LONG w, LONG h);
    LONG (*BlitTextObjekt)(RastPort *rp, UWORD gfx, const char *text, LONG x, LONG y, LONG w, LONG h);
    LONG (*BlitTextObjektMask)(RastPort *rp, UWORD gfx, const char *text, LONG x, LONG y, LONG w, LONG h, ULONG key);
    BitMap *(*ScreenSaveClip)(LONG x, LONG y, LONG w, LONG h);            // new BitMap, or null
    void (*ScreenRestoreClip)(BitMap *saved, LONG x, LONG y, LONG w, LONG h);  // puts back and frees
    void (*FreeKavorBitMap)(BitMap *saved);                               // frees without putting back
};
extern GadgetPainter GadgetPaint;

GadgetData *CheckGadgets(RastPort *rp, ScreenRegion *region, ULONG code);  // null rp: the display's port
int DrawAllGadgets(RastPort *rp, ScreenRegion *region);      // 0 for a null region
void GadgetDown(RastPort *rp, ScreenRegion *region, GadgetData *gadget);
void GadgetUp(RastPort *rp, ScreenRegion *region, GadgetData *gadget);
GadgetData *CheckGadgetData(ScreenRegion *region);           // the gadget under the mouse, or null
void DrawOnMouseGadget(RastPort *rp, ScreenRegion *region);
void FreeAllGadgets();

// Draws the title of the title entry under the mouse into the title area,
// or clears the area when the mouse leaves every entry.
void CheckTitleBar(const TitleBar *list, TextFont *font, UWORD pen);

// Points the gadgets' picture services (GadgetPaint) at the routines of
// graphics by number and the screen's rectangle saving; start-up calls it once.
void UseKavorGadgetPainter();
