// Input: GetKey turns SDL events into the game's small integer codes and does
// the global jobs of the input layer (software pointer, full-screen toggle,
// screenshots, mapping the mouse into the 640 x 480 game area). Also the
// blinking text cursor and the multi-line text editor of the input fields,
// which work on a text buffer with a parallel buffer of character widths.
#pragma once
#include <SDL/SDL.h>
#include "platform/types.h"

struct RastPort;

// Codes returned by GetKey besides typed characters 1 to 254.
constexpr ULONG KEY_NONE = 0;          // nothing to report
constexpr ULONG KEY_NOEVENT = 1;       // polling mode: no event waiting
constexpr ULONG KEY_BACKSPACE = 8;
constexpr ULONG KEY_RETURN = 13;
constexpr ULONG KEY_ESCAPE = 27;       // escape key or window closed
constexpr ULONG KEY_LEFT = 37;         // the cursor keys share their codes with '%', '&', ''' and '(';
constexpr ULONG KEY_UP = 38;           // KeyExtended tells them apart
constexpr ULONG KEY_RIGHT = 39;
constexpr ULONG KEY_DOWN = 40;
constexpr ULONG KEY_INSERT = 301;
constexpr ULONG KEY_DELETE = 302;
constexpr ULONG EVENT_TICK = 2000;     // 100 ms tick, only with GETKEY_TICKS
constexpr ULONG EVENT_LEFTDOWN = 2001; // left button pressed, or moved with the left button held
constexpr ULONG EVENT_LEFTUP = 2002;
constexpr ULONG EVENT_MOVE = 2003;     // moved with no button held
constexpr ULONG EVENT_RIGHTDOWN = 2005;
constexpr ULONG EVENT_RIGHTUP = 2006;

constexpr ULONG GETKEY_TICKS = 0x02;   // deliver the 100 ms tick
constexpr ULONG GETKEY_POLL = 0x04;    // return KEY_NOEVENT at once when nothing waits

struct MousePos {
    LONG X, Y;  // game coordinates; -1, -1 outside the game area
};

extern MousePos MousePosition;
extern BOOL LeftMouseButtonReleased;
extern BOOL RightMouseButtonReleased;
// 1 when the code of the last GetKey came from a special key (cursor keys,
// insert, delete) rather than a typed character; valid until the next GetKey.
extern BOOL KeyExtended;
extern SDL_Rect SDLMouseRect;
extern SDL_Rect SDLMouseRectOld;
extern LONG Mouse_CurrentScreenID_old;
// Plays the click of a mouse press (sound effect 1); the sound code sets it.
extern void (*GetKeyClickHook)();

ULONG GetKey(ULONG flags);               // the next code; see the constants above
LONG GetMouseX();
LONG GetMouseY();
BOOL MouseInBox(LONG x0, LONG x1, LONG y0, LONG y1);  // borders excluded; note the order
LONG Gotcha();                           // 17 when a Control key is held, else 0 after 100 ms
// Maps a display position into the game area; 0 when it lies outside.
int MapMouseToGame(LONG x, LONG y, LONG *gx, LONG *gy);
// Saves the video surface as shot_<UTC time>.bmp; 1 on success. name gets the file name.
int SaveScreenshot(char *name, size_t size);

// ---- Text cursor ------------------------------------------------------------

constexpr int CURSOR_MAX_LENGTH = 20;    // pixels saved under the cursor line

struct VekCursor {
    UWORD X, Y;                // top of the cursor line on the display port
    UWORD BrightColor, DarkColor;
    UWORD Length;              // height of the cursor line, at most CURSOR_MAX_LENGTH
    UWORD Width;
    UBYTE Counter;
    BOOL Flag;                 // blink phase
    BOOL Break;                // hidden
    BOOL Stop;
    UWORD Start_X, Start_Y;    // top left of the input field
    UWORD Pos_X;               // index of the cursor in the text
    UWORD Pos_Y;               // line of the cursor
    UWORD PosXLineY;           // index where the cursor's line starts
    UWORD LineLength;          // pixels from the line start to the cursor
    UWORD OffsetLines;
    UWORD MaxVisibleLines;
    UWORD CharCounter;         // characters in the text
    UWORD LineCounter;         // line feeds in the text
    const char *VerifyPtr;     // the text buffer the cursor belongs to
    UBYTE Modus;
    UBYTE Special;
    UBYTE Char;
    BOOL CursorProcess;        // the blink timer runs
    BOOL BackSaved;            // Back holds the pixels under the cursor at (X, Y)
    UBYTE Back[CURSOR_MAX_LENGTH];  // palette indices under the cursor line
};

extern VekCursor VekCursorStruktur;

// What the cursor and the editor draw with. The defaults draw on the display
// port with its font; a null entry draws nothing (a null CharWidth measures 0).
struct TextEntryPainter {
    UWORD (*CharWidth)(UBYTE c);             // width of c in the display font
    UWORD (*FontHeight)();                   // rows of the display font
    UWORD (*FontBaseline)();
    void (*Fill)(LONG x0, LONG y0, LONG x1, LONG y1, UWORD pen);  // corners included
    void (*DrawText)(LONG x, LONG baseline, const char *text, ULONG count, UWORD pen);
    UWORD (*ReadPen)(LONG x, LONG y);        // palette index of a pixel
    void (*WritePen)(LONG x, LONG y, UWORD pen);
    void (*Present)(LONG x, LONG y, LONG w, LONG h);
};
extern TextEntryPainter TextEntryPaint;

VekCursor *SetCursor(UWORD x, UWORD y, UWORD length, UWORD bright, UWORD dark);  // all 0 hides it
VekCursor *SetNewCursor(UWORD startX, UWORD startY, UWORD x, UWORD y, UWORD length, UWORD bright, UWORD dark);
void SetCursorStartPos(VekCursor *cursor, UWORD x, UWORD y);
void CursorClearValues(VekCursor *cursor);
void ClearCursor(VekCursor *cursor);
void DrawCursor();                       // one blink step; GetKey calls it on the blink event
Uint32 CursorTimerCallback(Uint32 interval, void *parameter);

// ---- Text entry ---------------------------------------------------------------
// text and widths are parallel buffers of at least maxInput + 1 bytes: widths[i]
// is the pixel width of text[i], 0 for a line feed. Lines end at a line feed or
// where the next character would pass maxPixel.

// Applies one key: typed characters are inserted (wrapping the last word to a
// new line at the end of the text), 8 deletes backwards, 10 and 13 break the
// line, and the real cursor keys (KeyExtended) move the cursor. Redraws what
// changed. Returns maxPixel x cursor line + pixels from the line start to the cursor.
ULONG StringInput(ULONG ch, char *text, UBYTE *widths, VekCursor *cursor, UWORD maxInput, UWORD maxPixel,
                  UWORD lines);
// Inserts ch with its width at the cursor, or removes the character there when
// ch is 0. 0 when the text already holds maxInput characters or the cursor's
// line has no room for the width.
int EditStrings(UBYTE ch, UBYTE width, char *text, UBYTE *widths, VekCursor *cursor, UWORD maxInput,
                UWORD maxPixel);
// Redraws the lines from the cursor's line down, at most `lines` lines.
void RedrawThisLine(VekCursor *cursor, const char *text, UWORD maxPixel, UWORD maxInput, UWORD lines);
ULONG GetCursorStringPos(const UBYTE *widths, UWORD maxPixel);     // width of the last wrapped line
ULONG GetLastLineCursorStringPos(const char *text, const UBYTE *widths, UWORD maxPixel, ULONG *index);
ULONG CalcSizeOfLastLine(const VekCursor *cursor, const char *text, const UBYTE *widths);
// Start index of line `line` (-1 when the text has fewer lines) and its pixel
// width in *pixelEnd; with best, the index in that line nearest the cursor's X.
LONG CalcLinePos(const char *text, const UBYTE *widths, const VekCursor *cursor, UWORD maxPixel, UWORD line,
                 BOOL best, ULONG *pixelEnd);
// Sets Pos_X, Pos_Y and PosXLineY from the cursor's X and Y; returns its pixel offset in the line.
ULONG CalcCurrentCursorPosition(const char *text, const UBYTE *widths, VekCursor *cursor, UWORD maxPixel);
