// Story pages, their marks and the word layout around pictures.
#include "realm/storymarkup.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

bool IsPageMark(const char *p) { return p[0] == STORY_MARK && p[1] == STORY_MARK; }

// Splits fields at ',' into at most max trimmed parts of at most 39 characters.
int SplitFields(const char *fields, char parts[][STORY_MARK_FIELDS_MAX + 1], int max)
{
    int n = 0;
    const char *p = fields;
    while (n < max) {
        const char *end = std::strchr(p, ',');
        const size_t len = end ? (size_t)(end - p) : std::strlen(p);
        size_t a = 0, b = len;
        while (a < b && p[a] == ' ') ++a;
        while (b > a && p[b - 1] == ' ') --b;
        std::memcpy(parts[n], p + a, b - a);
        parts[n][b - a] = 0;
        ++n;
        if (!end) break;
        p = end + 1;
    }
    return n;
}

// A whole decimal number, optionally signed; false for anything else.
bool ParseNumber(const char *s, long *value, const char **rest = nullptr)
{
    char *end = nullptr;
    if (!*s) return false;
    const long v = std::strtol(s, &end, 10);
    if (end == s) return false;
    if (rest) {
        *rest = end;
    } else if (*end) {
        return false;
    }
    *value = v;
    return true;
}

struct Occupied {
    long x1, y1, x2, y2;
};

Occupied AreaOf(const StoryPicture &p)
{
    const long left = (p.x == 0 || p.x == 1) ? p.x : p.x - 2;
    return {left, p.y, p.x + p.w + 2, p.y + p.h};
}

// The first introducer "§(" kind at or after from: *at is its place (length
// when there is none) and *next where to look on. The mark counts only with
// its ")" within 39 characters.
StoryMark NextMark(const char *page, size_t length, char kind, size_t from, size_t *at, size_t *next)
{
    StoryMark m{};
    *at = length;
    *next = length;
    for (size_t i = from; page && i + 3 <= length; ++i) {
        if (page[i] != STORY_MARK || page[i + 1] != '(' || page[i + 2] != kind) continue;
        *at = i;
        *next = i + 3;
        size_t j = i + 3;
        while (j < length && j - (i + 3) <= (size_t)STORY_MARK_FIELDS_MAX && page[j] != ')') ++j;
        if (j >= length || page[j] != ')' || j - (i + 3) > (size_t)STORY_MARK_FIELDS_MAX) return m;
        std::memcpy(m.fields, page + i + 3, j - (i + 3));
        m.fields[j - (i + 3)] = 0;
        m.found = true;
        *next = j + 1;
        return m;
    }
    return m;
}

bool Counts(const StoryPicture &p) { return p.id == 1 || p.id == 2; }

// First x >= from at which a box of width w on the band y .. y + h is free
// and x + w fits the width; -1 when none on this band.
long FirstFreeX(const StoryLayout &l, long from, long y, long w)
{
    long x = from;
    while (x + w <= l.width) {
        long jump = -1;
        for (int i = 0; i < l.pictureCount; ++i) {
            if (!Counts(l.pictures[i])) continue;
            const Occupied o = AreaOf(l.pictures[i]);
            if (x <= o.x2 && x + w >= o.x1 && y <= o.y2 && y + l.lineHeight >= o.y1) jump = std::max(jump, o.x2 + 1);
        }
        if (jump < 0) return x;
        x = jump;
    }
    return -1;
}

// The lowest bottom + 1 of the pictures touching the band at y, or y + 1.
long NextRowAfterBlockers(const StoryLayout &l, long y)
{
    long next = -1;
    for (int i = 0; i < l.pictureCount; ++i) {
        if (!Counts(l.pictures[i])) continue;
        const Occupied o = AreaOf(l.pictures[i]);
        if (y <= o.y2 && y + l.lineHeight >= o.y1 && (next < 0 || o.y2 + 1 < next)) next = o.y2 + 1;
    }
    return next > y ? next : y + 1;
}

}  // namespace

const char *SetRoredIdezChapter(UWORD page, const char *text)
{
    if (!text) return nullptr;
    const char *p = text;
    for (UWORD k = 1; k < page; ++k) {
        const char *mark = nullptr;
        for (const char *q = p; q[0] && q[1]; ++q) {
            if (IsPageMark(q)) {
                mark = q;
                break;
            }
        }
        if (!mark) return nullptr;
        p = mark + 2;
    }
    return p;
}

long StoryPageLength(const char *page)
{
    if (!page) return -1;
    for (size_t i = 0; i <= STORY_PAGE_MAX && page[i] && page[i + 1]; ++i) {
        if (IsPageMark(page + i)) return (long)i;
    }
    return -1;
}

StoryMark FindStoryMark(const char *page, size_t length, char kind)
{
    size_t at = 0, next = 0;
    return NextMark(page, length, kind, 0, &at, &next);
}

bool ParseStoryLinks(const char *fields, StoryLinks *out)
{
    if (!fields || !out) return false;
    char parts[STORY_BUTTONS + 1][STORY_MARK_FIELDS_MAX + 1];
    const int n = SplitFields(fields, parts, STORY_BUTTONS + 1);
    long count = 0;
    if (!ParseNumber(parts[0], &count)) return false;
    *out = StoryLinks{};
    out->count = (int)std::clamp<long>(count, 0, std::min(STORY_BUTTONS, n - 1));
    for (int i = 0; i < out->count; ++i) {
        const char *f = parts[i + 1];
        long v = 0;
        if (!std::strcmp(f, "<")) {
            out->kind[i] = StoryLinkKind::Back;
        } else if (!std::strcmp(f, ">")) {
            out->kind[i] = StoryLinkKind::Forward;
        } else if (ParseNumber(f, &v) && v == -1) {
            out->kind[i] = StoryLinkKind::End;
            out->value[i] = -1;
        } else {
            out->kind[i] = StoryLinkKind::Page;
            out->value[i] = ParseNumber(f, &v) ? v : 0;
        }
    }
    return true;
}

void StoryButtonsForPage(UWORD c, const StoryLinks &links, UWORD pictures[STORY_BUTTONS],
                         UWORD targets[STORY_BUTTONS])
{
    const int count = std::clamp(links.count, 0, STORY_BUTTONS);
    // The links as read, in order.
    for (int i = 0; i < STORY_BUTTONS; ++i) {
        targets[i] = 0;
        if (i >= count) continue;
        switch (links.kind[i]) {
        case StoryLinkKind::Back: targets[i] = STORY_BACK; break;
        case StoryLinkKind::Forward: targets[i] = STORY_FORWARD; break;
        case StoryLinkKind::End: targets[i] = STORY_END; break;
        case StoryLinkKind::Page: targets[i] = (UWORD)links.value[i]; break;
        }
    }
    // Pictures: plain, then arrows and numbered buttons as the links say.
    for (int i = 0; i < STORY_BUTTONS; ++i) pictures[i] = STORY_PIC_PLAIN;
    bool storyEnd = false;
    int numbers = 0;
    int nextButton = 1;
    for (int i = 0; i < count; ++i) {
        switch (links.kind[i]) {
        case StoryLinkKind::Back: pictures[0] = STORY_PIC_BACK; break;
        case StoryLinkKind::Forward: pictures[5] = STORY_PIC_FORWARD; break;
        case StoryLinkKind::End: storyEnd = true; break;
        case StoryLinkKind::Page:
            ++numbers;
            while (nextButton < STORY_BUTTONS && pictures[nextButton] != STORY_PIC_PLAIN) ++nextButton;
            if (numbers <= 5 && nextButton < STORY_BUTTONS)
                pictures[nextButton++] = (UWORD)(STORY_PIC_NUMBER1 + 2 * (numbers - 1));
            break;
        }
    }
    // Targets by picture, then the page numbers in 1 .. 59 over GAD2 .. GAD6.
    for (int i = 0; i < STORY_BUTTONS; ++i) {
        if (i == 0 && pictures[i] == STORY_PIC_BACK) {
            targets[i] = (UWORD)(c - 1);
        } else if (i == 5 && pictures[i] == STORY_PIC_FORWARD) {
            targets[i] = (UWORD)(c + 1);
        } else if (pictures[i] == STORY_PIC_PLAIN) {
            targets[i] = storyEnd ? STORY_END : (UWORD)(c + 1);
        }
    }
    int slot = 1;
    for (int i = 0; i < count && slot < STORY_BUTTONS; ++i) {
        if (links.kind[i] == StoryLinkKind::Page && links.value[i] >= 1 && links.value[i] <= 59)
            targets[slot++] = (UWORD)links.value[i];
    }
}

bool ParseStoryChange(const char *fields, StoryChange *out)
{
    if (!fields || !out) return false;
    char parts[3][STORY_MARK_FIELDS_MAX + 1];
    const int n = SplitFields(fields, parts, 3);
    long unit = 0, amount = 0, third = 0;
    const char *rest = nullptr;
    if (n < 2 || !ParseNumber(parts[0], &unit) || unit < 0) return false;
    if (!ParseNumber(parts[1], &amount, &rest) || (*rest && std::strcmp(rest, "%") != 0)) return false;
    if (n >= 3 && !ParseNumber(parts[2], &third)) third = 0;
    out->unit = (ULONG)std::min<long>(unit, 0xFFFFFFFFL);
    out->amount = (LONG)std::clamp<long>(amount, INT32_MIN, INT32_MAX);
    out->percent = *rest == '%';
    out->third = (ULONG)third;
    return true;
}

ULONG ApplyStoryChange(ULONG value, LONG amount, bool percent)
{
    const int64_t v = value;
    const int64_t result = percent ? ((int64_t)amount + 100) * v / 100 : v + amount;
    return (ULONG)std::clamp<int64_t>(result, 0, 0xFFFFFFFFLL);
}

int FindStoryPictures(const char *page, size_t length, StoryPicture *out, int max)
{
    int n = 0;
    size_t from = 0, at = 0;
    while (page && n < max) {
        const StoryMark m = NextMark(page, length, '#', from, &at, &from);
        if (at >= length) break;
        char parts[5][STORY_MARK_FIELDS_MAX + 1];
        long v[5];
        if (!m.found || SplitFields(m.fields, parts, 5) != 5) continue;
        bool ok = true;
        for (int i = 0; i < 5 && ok; ++i) ok = ParseNumber(parts[i], &v[i]);
        // Places far outside any page are held where sums of them cannot overflow.
        for (long &x : v) x = std::clamp<long>(x, -(1L << 20), 1L << 20);
        if (ok) out[n++] = StoryPicture{v[0], v[1], v[2], v[3], v[4]};
    }
    return n;
}

size_t RoredIdezBrowserStripText(const char *page, size_t length, char *out)
{
    size_t n = 0;
    for (size_t i = 0; page && i < length; ++i) {
        if (page[i] == STORY_MARK) {
            const void *close = std::memchr(page + i, ')', length - i);
            if (!close) break;
            i = (size_t)((const char *)close - page);
            continue;
        }
        out[n++] = page[i];
    }
    out[n] = 0;
    return n;
}

int StoryBoxIsFree(const StoryPicture *pictures, int count, long x1, long y1, long x2, long y2)
{
    for (int i = 0; i < count; ++i) {
        if (!Counts(pictures[i])) continue;
        const Occupied o = AreaOf(pictures[i]);
        if (x1 <= o.x2 && x2 >= o.x1 && y1 <= o.y2 && y2 >= o.y1) return 0;
    }
    return 1;
}

long StoryLayoutText(const StoryLayout &l, const char *text, size_t length)
{
    const long H = std::max<long>(l.lineHeight, 1);
    const long S = std::max<long>(l.spaceWidth, 0);
    const long lastTop = l.maxHeight - H;  // a word starting below this is not drawn
    long x = 0, y = 0;
    UWORD pen = l.pen;
    size_t i = 0;
    while (i < length && text[i]) {
        const char c = text[i];
        if (c == '\n') {
            y += H;
            x = 0;
            ++i;
            continue;
        }
        if (c == ' ') {
            size_t run = 0;
            while (i + run < length && text[i + run] == ' ') ++run;
            // The run goes to the first free spot of one space's width.
            if (x + S <= l.width) {
                for (long yy = y; yy <= lastTop;) {
                    const long fx = FirstFreeX(l, x, yy, S);
                    if (fx >= 0) {
                        x = fx;
                        y = yy;
                        break;
                    }
                    yy = NextRowAfterBlockers(l, yy);
                }
            }
            x += (long)run * S;
            i += run;
            continue;
        }
        // A pen mark at the start of a word.
        if (c == '(' && i + 1 < length && text[i + 1] == '!') {
            size_t j = i + 2;
            long value = 0;
            while (j < length && j < i + 12 && text[j] >= '0' && text[j] <= '9') value = value * 10 + (text[j++] - '0');
            if (j < length && text[j] == ')' && j > i + 2) {
                pen = (UWORD)(value & 0xFF);
                i = j + 1;
                continue;
            }
        }
        size_t j = i;
        while (j < length && text[j] && text[j] != ' ' && text[j] != '\n') ++j;
        const long W = l.measure(l.user, text + i, j - i);
        long fx;
        if (W > l.width) {
            // Fits no line: on a line of its own, cut at the right edge.
            if (x > 0) y += H;
            fx = 0;
        } else {
            fx = FirstFreeX(l, x, y, W);
            while (fx < 0 && y <= lastTop) {
                y += H;
                fx = FirstFreeX(l, 0, y, W);
            }
        }
        if (fx >= 0 && y <= lastTop) {
            if (l.draw) l.draw(l.user, fx, y, text + i, j - i, pen);
            x = fx + W + S;
        } else {
            x = 0;
        }
        i = j;
        if (i < length && text[i] == ' ') ++i;  // the blank after a word is its S
    }
    const long lines = y / H + 1;
    return std::min(lines, std::max<long>(l.maxHeight / H, 1));
}
