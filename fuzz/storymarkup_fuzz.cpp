// Story texts from hostile bytes: pages are cut, every mark of every page is
// read, buttons and changes computed and the words laid out round the page's
// pictures, all within the text and with every word inside the width.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "realm/storymarkup.h"

namespace {

struct Bounds {
    long width;
};

long Measure(void *, const char *, size_t n) { return (long)(n % 97) * 7; }

void Draw(void *user, long x, long, const char *, size_t n, UWORD)
{
    const Bounds *b = static_cast<Bounds *>(user);
    const long w = (long)(n % 97) * 7;
    if (x < 0 || (w <= b->width && x + w > b->width)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<char> text(data, data + size);
    text.push_back(0);
    for (UWORD page = 1; page < 64; ++page) {
        const char *start = SetRoredIdezChapter(page, text.data());
        if (!start) break;
        const long length = StoryPageLength(start);
        if (length < 0) break;
        if (start + length > text.data() + size) std::abort();
        const StoryMark links = FindStoryMark(start, (size_t)length, '$');
        StoryLinks parsed{};
        if (links.found && ParseStoryLinks(links.fields, &parsed)) {
            UWORD pictures[STORY_BUTTONS], targets[STORY_BUTTONS];
            StoryButtonsForPage(page, parsed, pictures, targets);
        }
        const StoryMark change = FindStoryMark(start, (size_t)length, '%');
        StoryChange c{};
        if (change.found && ParseStoryChange(change.fields, &c)) ApplyStoryChange(12345, c.amount, c.percent);
        StoryPicture pics[STORY_PICTURES_MAX];
        const int n = FindStoryPictures(start, (size_t)length, pics, STORY_PICTURES_MAX);
        std::vector<char> stripped((size_t)length + 1);
        const size_t sl = RoredIdezBrowserStripText(start, (size_t)length, stripped.data());
        if (sl > (size_t)length || stripped[sl] != 0) std::abort();
        Bounds b{417};
        StoryLayout l{417, 2000, 12, 4, pics, n, Measure, Draw, &b, 7};
        StoryLayoutText(l, stripped.data(), sl);
    }
    return 0;
}
