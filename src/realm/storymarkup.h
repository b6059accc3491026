// The bard's story texts: pages cut by "§§", link, change and picture marks
// introduced by "§(", pen marks "(!n)", and the layout of one page's words
// around its pictures. Everything here works on bytes (Latin-1, the mark is
// 0xA7) and never reads past the text it is given.
#pragma once
#include <cstddef>

#include "platform/types.h"

constexpr char STORY_MARK = '\xA7';
constexpr size_t STORY_PAGE_MAX = 65535;   // a page is at most this many bytes
constexpr int STORY_MARK_FIELDS_MAX = 39;  // characters between the introducer and ")"
constexpr int STORY_BUTTONS = 6;           // GAD1 .. GAD6
constexpr UWORD STORY_END = 0xFFFF;        // a button that ends the story
constexpr UWORD STORY_BACK = 60;           // "<" as read into a target
constexpr UWORD STORY_FORWARD = 62;        // ">" as read into a target

// Button pictures (up / down image).
constexpr UWORD STORY_PIC_PLAIN = 294;
constexpr UWORD STORY_PIC_BACK = 285;
constexpr UWORD STORY_PIC_FORWARD = 287;
constexpr UWORD STORY_PIC_NUMBER1 = 507;  // the k-th page number: 505 + 2k

// Start of page n (counted from 1): the text after n - 1 page marks, or null
// when the text has fewer. The page need not end in a page mark.
const char *SetRoredIdezChapter(UWORD page, const char *text);
// Bytes of the page that starts at text up to its page mark, or -1 when no
// page mark follows within STORY_PAGE_MAX bytes.
long StoryPageLength(const char *page);

// A mark "§(" kind fields ")" found in a page; the fields are copied out with
// their terminating NUL. The first mark of that kind counts; a first mark
// without ")" within its 39 characters is malformed and there is none.
struct StoryMark {
    bool found;
    char fields[STORY_MARK_FIELDS_MAX + 1];
};
StoryMark FindStoryMark(const char *page, size_t length, char kind);

// "§($" n, l1 .. ln ")": the links of a page in their order.
enum class StoryLinkKind { Back, Forward, End, Page };
struct StoryLinks {
    int count;  // 0 .. 6, never more than the fields present
    StoryLinkKind kind[STORY_BUTTONS];
    long value[STORY_BUTTONS];  // the number read (page numbers; -1 for End)
};
bool ParseStoryLinks(const char *fields, StoryLinks *out);

// The buttons after a page with a link mark: pictures and targets of GAD1 to
// GAD6 for current page c (see the story box). Without a link mark the
// previous page's buttons stay, so callers call this only when one was found.
void StoryButtonsForPage(UWORD c, const StoryLinks &links, UWORD pictures[STORY_BUTTONS],
                         UWORD targets[STORY_BUTTONS]);

// "§(%" unit, amount[%], b ")": a change of a store when the page is shown.
struct StoryChange {
    ULONG unit;
    LONG amount;
    bool percent;
    ULONG third;  // parsed and printed, no effect
};
bool ParseStoryChange(const char *fields, StoryChange *out);
// The changed value: (amount + 100) x v / 100 for a percentage, else v + amount,
// computed wide and held to 0 .. 4,294,967,295.
ULONG ApplyStoryChange(ULONG value, LONG amount, bool percent);

// "§(#" id, x, y, w, h ")": every picture mark of the page, in order.
struct StoryPicture {
    long id, x, y, w, h;
};
constexpr int STORY_PICTURES_MAX = 64;
int FindStoryPictures(const char *page, size_t length, StoryPicture *out, int max);

// The page without the stretches from each "§" to the next ")" (to the end of
// the page when no ")" follows). out holds length + 1 bytes; the copy's length.
size_t RoredIdezBrowserStripText(const char *page, size_t length, char *out);

// Keep-out test: 1 when the box x1..x2, y1..y2 (inclusive) touches no area
// occupied by a picture of id 1 or 2, else 0. A picture occupies x - 2 ..
// x + w + 2 (x .. x + w + 2 when x is 0 or 1) and y .. y + h.
int StoryBoxIsFree(const StoryPicture *pictures, int count, long x1, long y1, long x2, long y2);

// Word layout of a stripped page. measure gives a run's width in pixels;
// draw (may be null) puts a run at (x, line top y) in pen. Words that would
// start below maxHeight are not drawn. The number of lines used: y / H + 1.
struct StoryLayout {
    long width;      // bitmap width
    long maxHeight;  // bitmap height
    long lineHeight; // font height + 1
    long spaceWidth;
    const StoryPicture *pictures;
    int pictureCount;
    long (*measure)(void *user, const char *text, size_t length);
    void (*draw)(void *user, long x, long y, const char *text, size_t length, UWORD pen);
    void *user;
    UWORD pen;  // initial pen; pen marks change it
};
long StoryLayoutText(const StoryLayout &layout, const char *text, size_t length);
