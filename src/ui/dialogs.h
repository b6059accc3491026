// The ready-made dialogs every screen asks the player with: the advisor's
// message box, the switch box, the input box, the text box, the choose box
// and the participant list. Each saves the display area it covers and puts it
// back, draws its pictures into copies of its own, and leaves the display
// port's font, draw mode and pens as it found them.
#pragma once
#include "ui/requester.h"

struct TextFont;

// Picture and screen services the dialogs draw with: graphics by number from
// ./Data/Path and the screen's saved rectangles. Tests put their own in; a
// missing entry makes the dialogs that need it fail to open (copies, saving)
// or draw nothing.
struct DialogPainter {
    // Draws graphic n into rp (null: the display port) at (x, y); w or h 0
    // or larger than the graphic mean its own size. 1 drawn.
    LONG (*BlitObjekt)(RastPort *rp, ULONG n, LONG x, LONG y, LONG w, LONG h);
    // The same, then text centred in (x, y)-(x + w, y + h) in the port's font,
    // pen 7; w or h 0 mean the graphic's size.
    void (*BlitTextObjekt)(RastPort *rp, ULONG n, const char *text, LONG x, LONG y, LONG w, LONG h);
    // A copy of graphic n of its own for the caller to draw into and free
    // with FreeBitMap; null when the graphic cannot be loaded.
    BitMap *(*CopyGfx)(ULONG n);
    // Keeps graphic n loaded for the caller (1), or 0; each 1 is matched by one ReleaseGfx.
    LONG (*HoldGfx)(ULONG n);
    void (*ReleaseGfx)(ULONG n);
    // A new BitMap with that rectangle of the display port's BitMap, or null.
    BitMap *(*ScreenSaveClip)(LONG x, LONG y, LONG w, LONG h);
    // Puts a saved rectangle back and frees it; null does nothing.
    void (*ScreenRestoreClip)(BitMap *saved, LONG x, LONG y, LONG w, LONG h);
    void (*Delay)(ULONG ticks);  // ticks of 20 ms
};
extern DialogPainter DialogPaint;

// ---- Advisor message box ---------------------------------------------------

constexpr UBYTE CHIEF_OK = 0;         // one button
constexpr UBYTE CHIEF_OKCANCEL = 1;   // bit 0: Ok and Cancel
constexpr UBYTE CHIEF_NONMODAL = 2;   // 2 or more: returned open to the caller

struct ChiefStruktur1 {
    UBYTE OKFlag;              // bit 0 two buttons; 2 or more non-modal
    UWORD Grafik1_ID, Grafik1_IDX, Grafik1_IDY;  // box picture and its place on the display
    UWORD Grafik3_ID, Grafik3_IDX, Grafik3_IDY;  // 0 in every use
    WORD ReturnCode;           // free for the owner
    TextFont *ChiefFont1Ptr;   // title and buttons (owned)
    TextFont *ChiefFont2Ptr;   // message (owned)
    RastPort *RastPortPtr;     // port over BoxBitMap (owned)
    BitMap *BackroundBitMap;   // the display area under the box (owned until closed)
    BitMap *BoxBitMap;         // the box picture, a copy of its own (owned)
};

constexpr int CHIEF_LINES = 7;
constexpr int CHIEF_TEXT_SIZE = 400;  // a text of this many characters or more is not drawn

struct ChiefLine {
    UWORD x, y;                // start x and baseline in the box picture
    char text[CHIEF_TEXT_SIZE];
};
struct ChiefStruktur2 {
    ChiefLine Line[CHIEF_LINES];
};

// Lays out text in rp's font by the rule of at most seven centred lines of
// at most 270 pixels: the number of lines (1 to 7), 0 for a text of 400
// characters or more (nothing to draw), -1 when it cannot be laid out.
LONG ChiefLayoutText(RastPort *rp, const char *text, ChiefStruktur2 *layout);

// Modal (mode 0 or 1): 0 Ok, 1 Cancel; a box that cannot be shown answers Ok
// in mode 0 and Cancel in mode 1. Non-modal (mode 2 or more): the open box,
// or null. pic3 is not 0: no box is shown.
LONG ChiefMessage(UWORD pic, UWORD x, UWORD y, UWORD pic3, UWORD x3, UWORD y3, UBYTE mode, const char *text,
                  UWORD textPen);
ChiefStruktur1 *ChiefMessageOpen(UWORD pic, UWORD x, UWORD y, UWORD pic3, UWORD x3, UWORD y3, UBYTE mode,
                                 const char *text, UWORD textPen);  // the non-modal form
LONG ChiefMessageGetInput(ChiefStruktur1 *box);                  // 0 Ok, 1 Cancel; the box stays open
LONG SetChiefMessageText(ChiefStruktur1 *box, const char *text);  // 1, or 0 (empty or not laid out)
void QuitChiefMessage(ChiefStruktur1 *box);                       // null accepted

// ---- Switch box ----------------------------------------------------------------

struct SwitchBoxRequester {
    ULONG XPos, YPos, Breite, Hoehe;
    ULONG Entries;
    const char *TextBuffer;        // REQ_LINE_SIZE-byte slots
    BitMap *BackBitMapPtr;         // the display area under the box
    TextFont *BoxFontPtr;          // owned
    BitMap *SwitchBoxBitMapPtr;    // the box drawn off screen (owned)
    TextFont *RastPortFont;        // the display port's font before the box
    RastPort *SwitchBoxRastPortPtr;
};

// The chosen one of n (2 to 12) choices, 1 to n; 0 when it cannot be shown.
LONG SwitchBox(ULONG n, const char *choices);

// ---- Input box, text box, choose box ------------------------------------------

// Character filter bits of EingabeBox; all given bits apply together.
constexpr ULONG EINGABE_ALNUM = 0x01;    // only a-z, A-Z, 0-9
constexpr ULONG EINGABE_NOSPACE = 0x02;
constexpr ULONG EINGABE_DIGITS = 0x04;
constexpr ULONG EINGABE_LETTERS = 0x08;
constexpr ULONG EINGABE_MAILCHARS = 0x10;  // - . @ _ always accepted
constexpr ULONG EINGABE_SPACE = 0x20;      // space always accepted
constexpr ULONG EINGABE_MAX = 255;         // characters of the entered text

// 1 when key c (1 to 255) passes the filter of flags.
int EingabeBoxAccepts(ULONG c, ULONG flags);
// One line of text in buffer (room for 255 characters and the NUL; it holds
// the proposed text on entry). The buffer with the entered text, or null for
// Cancel, Escape, an empty text or a box that cannot be shown.
char *EingabeBox(char *buffer, UWORD x, UWORD y, const char *prompt, const char *info, ULONG flags);
// Shows text in a scrolling window until closed: 1, or 0 when it cannot be shown.
LONG TextBox(const char *text);
// One of n lines (REQ_LINE_SIZE-byte slots): its index, or -1.
LONG ChooseBox(const char *file, UWORD x, UWORD y, UWORD n, const char *heading, const char *lines,
               const char *info);

// ---- Participant list (non-modal) ------------------------------------------------

struct TeilnehmerReq {
    UWORD XPos, YPos;
    UWORD Entry;             // the entry last clicked, 65535 for none
    BitMap *BitMapPtr;       // the display area under the list (320 x 385)
    TextFont *VekFontPtr;    // list font (owned)
    VekRequester *VekReqPtr; // owned
};

constexpr UWORD TEILNEHMER_NONE = 65535;

TeilnehmerReq *TeilnehmerReq_Open(UWORD x, UWORD y, UWORD n, const char *lines);  // null on failure
// One left click at the mouse: 0 the list was closed and freed (drop the
// pointer), 1 slider, 2 up, 3 down, 4 Ok, 5 list line (Entry), -1 nothing.
LONG TeilnehmerReq_MausKlick(TeilnehmerReq *list, UWORD mouseY);
void TeilnehmerReq_Close(TeilnehmerReq *list);  // null accepted
