// The list requester: a scrolling window on the display over content drawn
// once into an off-screen BitMap, either a list of 80-byte text lines or one
// wrapped text. Scrolling copies another slice of the content; a slider knob
// shows and sets the position; one line can be highlighted. The requester
// has no event loop: screens and dialogs feed it mouse positions and scroll
// commands. It does not save what its window covers.
#pragma once
#include "gfx/graphics.h"

struct TextFont;
struct VekRequester;

// Draws into the content through ReqRastPortPtr. For a text box it draws the
// text itself and returns the number of lines; for a list the result is unused.
// As a highlight routine it is called with ReqOldEntry set to the line concerned.
typedef LONG (*RequesterHook)(VekRequester *req, APTR userData);

constexpr ULONG REQ_LINE_SIZE = 80;      // one list line: at most 79 characters and the NUL
constexpr UWORD REQ_MAX_CONTENT = 32767; // content rows: blits address rows with 16 bits

struct VekRequester {
    UWORD ReqBreiteBitmap;     // content width in pixels
    UWORD ReqHoeheBitmap;      // list: entries x line height; text box: (lines + 2) x line height
    UWORD ReqXPos, ReqYPos;    // window on the display
    UWORD ReqBreite, ReqHoehe;
    BitMap *ReqMemPtr;         // content (owned); at least as high as the window
    TextFont *ReqFontPtr;      // borrowed; the caller keeps it open
    RastPort *ReqRastPortPtr;  // port over the content (owned)
    const char *ReqTextBuffer; // borrowed: REQ_LINE_SIZE-byte slots, or one text
    UWORD ReqEntries;
    UWORD ReqFontColor, ReqBackColor;        // pens given at creation
    UWORD ReqOldFontColor, ReqOldBackColor;  // pens of a line in its normal state
    WORD ReqOldEntry;          // highlighted line, -1 for none
    UWORD ReqProzent;          // scroll position 0 (top) to 100 (bottom)
    UWORD ReqZeile;            // first visible line
    UWORD ReqPixel;            // scroll offset in pixels
    UWORD SliderXPos, SliderYPos, SliderBreite, SliderHoehe;  // slider track on the display
    BitMap *SliderMemPtr;      // knob image, track size (owned; null without slider)
    RastPort *SliderRastPortPtr;
    UWORD SliderMainColor, SliderBackColor, SliderHellColor, SliderDunkelColor;
    UWORD SliderProzent;       // knob height in percent of the track; 100: the content fits
    BOOL TextBox;              // made as a text box
    RequesterHook BackroundHook;
    APTR UserDaten;
};

// Slider commands besides a mouse y (bit 15 clear).
constexpr UWORD SLIDER_REDRAW = 0x8000;  // bit 15: relative move by bits 0-6 percent
constexpr UWORD SLIDER_UP = 0x0080;      // with bit 15: towards the top
constexpr UWORD SLIDER_UP10 = 0x808A;
constexpr UWORD SLIDER_DOWN10 = 0x800A;

// Lists of n lines; null without lines or font, or when no content BitMap can be had.
VekRequester *InitRequesterBox(UWORD contentWidth, UWORD n, TextFont *font, const char *lines, UWORD x, UWORD y,
                               UWORD w, UWORD h, UWORD backPen, UWORD textPen);
// The same, calling hook(requester, userData) once after the lines are drawn.
VekRequester *InitOwnRequesterBox(RequesterHook hook, APTR userData, UWORD contentWidth, UWORD n, TextFont *font,
                                  const char *lines, UWORD x, UWORD y, UWORD w, UWORD h, UWORD backPen,
                                  UWORD textPen);
// One text wrapped to the window width; a hook draws the text itself.
VekRequester *InitRequesterTextBox(UWORD contentWidth, TextFont *font, const char *text, UWORD x, UWORD y, UWORD w,
                                   UWORD h, UWORD backPen, UWORD textPen, RequesterHook hook);
// The steps of a text box for callers that draw their own content: the
// record (ReqEntries = wrapped lines + 1), the content BitMap for the
// ReqEntries the caller set (1 or 0), and showing it.
VekRequester *InitRequesterTextBox_Init(UWORD contentWidth, TextFont *font, const char *text, UWORD x, UWORD y,
                                        UWORD w, UWORD h, UWORD backPen, UWORD textPen);
LONG InitRequesterTextBox_Bitmap(VekRequester *req);
void InitRequesterTextBox_Blit(VekRequester *req);

// Attaches a knob of w x h at (x, y): 1, or 0 when the knob image cannot be made.
LONG InitSlider(VekRequester *req, UWORD w, UWORD h, UWORD facePen, UWORD trackPen, UWORD lightPen, UWORD darkPen,
                UWORD x, UWORD y);
// Moves the knob: to a mouse y, or relatively (SLIDER_*). The new ReqProzent.
UWORD SetSlider(VekRequester *req, UWORD command);
// Scrolls: mode 0 adds value percent (16 bits, 65526 is -10), 1 to line value,
// 2 to pixel value. 1 when it scrolled or stayed, 0 when it cannot scroll or
// the request is invalid. Always forgets the highlight.
LONG SetRequesterBox(VekRequester *req, UWORD mode, UWORD value);
// Highlights the line under mouse y (flag 0), line y (flag set), or draws the
// remembered highlight again (flag set, y 65535). The line, or -1.
LONG SetStringHighLite(VekRequester *req, LONG flag, UWORD y, UWORD backPen, UWORD textPen);
// The same, calling the routines instead of drawing where they are given.
LONG SetOwnStringHighLite(VekRequester *req, RequesterHook set, RequesterHook unset, APTR userData, LONG flag,
                          UWORD y, UWORD backPen, UWORD textPen);
// Rebuilds over new lines (or a new text), keeping position, slider and
// highlight. The requester to use from now on (the old record is freed when
// another is returned), or null when none could be made (the old one is freed).
VekRequester *UpdateRequesterText(VekRequester *req, const char *lines, UWORD n);
void ClearRequester(VekRequester *req);  // null accepted
