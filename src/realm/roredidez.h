// The bard's tale: screen 505 and its story box.
#pragma once
#include "platform/types.h"
#include "realm/storymarkup.h"

struct Catalog;
struct ScreenRegion;
struct TextFont;
struct VekRequester;

// One visit of the bard's screen.
struct LokaleDatenRoredIdez {
    LONG Return;                // next-screen override; 0 none
    Catalog *RoredIdezKatalog;  // the story catalog, or null (built-in texts)
    APTR MovieBase;
    APTR Movie1;                // the fire
    APTR Movie2;                // the lute
};

// The story box over the current screen; TRUE when it ended normally.
BOOL BTTextBox(LokaleDatenRoredIdez *ld, const char *text);
// Reads the page's link mark (before its page mark), sets the button
// pictures of GAD1 .. GAD6 in box and fills links; FALSE (buttons and links
// unchanged) when the page has none.
BOOL CheckRoredIdezRequesterButtons(UWORD page, const char *pageText, ScreenRegion *box,
                                    UWORD links[STORY_BUTTONS]);
// Applies the page's change mark to the received pool; TRUE when a change was made.
BOOL CheckRoredIdezModifikation(const char *pageText);
// Layout of the page the requester holds (its text buffer): pictures, then
// words; the number of lines used (0 when a picture failed).
LONG RoredIdezBrowser(VekRequester *req);
BOOL RoredIdezBrowserLoadGfx(VekRequester *req, const char *pageText);
LONG RoredIdezBrowserSetText(VekRequester *req, const char *pageText, const char *strippedText);
int RoredIdezBrowserCheckGfx(const char *pageText, LONG x1, LONG y1, LONG x2, LONG y2);
// A requester of one page, laid out to exactly the height its words and
// pictures need; null (message printed) when the page has no end or memory fails.
VekRequester *InitRoredIdezRequester(UWORD width, TextFont *font, const char *page, UWORD x, UWORD y, UWORD w,
                                     UWORD h, UWORD backPen, UWORD textPen);

BOOL InitRoredIdezAnims(LokaleDatenRoredIdez *ld);  // FALSE without a movie base
void PauseRoredIdezAnims(LokaleDatenRoredIdez *ld, int on);
void FreeRoredIdezAnims(LokaleDatenRoredIdez *ld);
Catalog *LoadBTCatalog();
void FreeBTCatalog(Catalog *catalog);
const char *GetBTString(LONG id);  // the story's text, or null
