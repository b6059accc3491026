// Story pages and marks: cutting, links to button targets, change arithmetic,
// pictures, the keep-out test and the word layout.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "platform/strings.h"
#include "realm/storymarkup.h"

namespace {

const std::string M = "\xA7";  // the mark byte
const std::string PAGE = M + M;

std::array<UWORD, 6> TargetsOf(UWORD page, const std::string &fields, std::array<UWORD, 6> *pics = nullptr)
{
    StoryLinks links{};
    EXPECT_TRUE(ParseStoryLinks(fields.c_str(), &links)) << fields;
    std::array<UWORD, 6> p{}, t{};
    StoryButtonsForPage(page, links, p.data(), t.data());
    if (pics) *pics = p;
    return t;
}

TEST(StoryPages, ChaptersStartAfterTheirPageMarks)
{
    const std::string text = "one" + PAGE + "two" + PAGE + "tail";
    EXPECT_EQ(SetRoredIdezChapter(1, text.c_str()), text.c_str());
    EXPECT_STREQ(SetRoredIdezChapter(2, text.c_str()), ("two" + PAGE + "tail").c_str());
    EXPECT_STREQ(SetRoredIdezChapter(3, text.c_str()), "tail");
    EXPECT_EQ(SetRoredIdezChapter(4, text.c_str()), nullptr);

    EXPECT_EQ(StoryPageLength(text.c_str()), 3);
    EXPECT_EQ(StoryPageLength("tail"), -1);  // text after the last page mark is no page
    EXPECT_EQ(StoryPageLength(""), -1);
    const std::string huge(STORY_PAGE_MAX + 1, 'a');
    EXPECT_EQ(StoryPageLength((huge.substr(1) + PAGE).c_str()), (long)STORY_PAGE_MAX);
    EXPECT_EQ(StoryPageLength((huge + PAGE).c_str()), -1);
}

TEST(StoryLinksTest, TargetsForPageThree)
{
    struct Row {
        std::string fields;
        std::array<UWORD, 6> targets;
    };
    const Row rows[] = {
        {"1,>", {4, 4, 4, 4, 4, 4}},
        {"2,<,-1", {2, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}},
        {"3,24,25,26", {4, 24, 25, 26, 4, 4}},
        {"0", {4, 4, 4, 4, 4, 4}},
        {"9,<,>", {2, 4, 4, 4, 4, 4}},             // more links claimed than present
        {"6,1,2,3,4,5,6", {4, 1, 2, 3, 4, 5}},     // a sixth page number is dropped
        {"2,70,5", {4, 5, 0, 4, 4, 4}},             // 70 gets a button but no page
    };
    for (const Row &r : rows) EXPECT_EQ(TargetsOf(3, r.fields), r.targets) << r.fields;
}

TEST(StoryLinksTest, ButtonPictures)
{
    std::array<UWORD, 6> pics{};
    TargetsOf(3, "4,<,7,8,>", &pics);
    EXPECT_EQ(pics, (std::array<UWORD, 6>{285, 507, 509, 294, 294, 287}));
    TargetsOf(3, "1,5", &pics);
    EXPECT_EQ(pics, (std::array<UWORD, 6>{294, 507, 294, 294, 294, 294}));
    StoryLinks links{};
    EXPECT_FALSE(ParseStoryLinks("x,<", &links));
}

TEST(StoryMarks, OnlyTheFirstWellFormedMarkBeforeThePageEndCounts)
{
    const std::string page = "a " + M + "($1,>) b " + M + "($2,<,-1)";
    StoryMark m = FindStoryMark(page.data(), page.size(), '$');
    ASSERT_TRUE(m.found);
    EXPECT_STREQ(m.fields, "1,>");

    const std::string open = M + "($1," + std::string(45, '1') + ") " + M + "($1,>)";
    EXPECT_FALSE(FindStoryMark(open.data(), open.size(), '$').found);
    const std::string exact = M + "(%" + std::string(39, '1') + ")";
    EXPECT_TRUE(FindStoryMark(exact.data(), exact.size(), '%').found);
    const std::string over = M + "(%" + std::string(40, '1') + ")";
    EXPECT_FALSE(FindStoryMark(over.data(), over.size(), '%').found);

    // The page handed over ends before its page mark: a mark behind it is not seen.
    const std::string text = "x" + PAGE + M + "($1,>)";
    EXPECT_FALSE(FindStoryMark(text.data(), (size_t)StoryPageLength(text.c_str()), '$').found);
    // A mark cut by the page end.
    const std::string cut = M + "($1,>)";
    EXPECT_FALSE(FindStoryMark(cut.data(), cut.size() - 1, '$').found);
}

TEST(StoryChanges, Arithmetic)
{
    struct Row {
        ULONG value;
        const char *fields;
        ULONG expected;
    };
    const Row rows[] = {
        {1000, "1,10%,0", 1100},       {1001, "2,-50%,0", 500},       {10, "0,-20,0", 0},
        {0xFFFFFFF0u, "0,100,0", 0xFFFFFFFFu}, {4000000000u, "1,100%,0", 0xFFFFFFFFu},
        {500, "1,-300%,0", 0},         {7, "0,3", 10},
    };
    for (const Row &r : rows) {
        StoryChange c{};
        ASSERT_TRUE(ParseStoryChange(r.fields, &c)) << r.fields;
        EXPECT_EQ(ApplyStoryChange(r.value, c.amount, c.percent), r.expected) << r.fields;
    }
    StoryChange c{};
    EXPECT_FALSE(ParseStoryChange("1", &c));
    EXPECT_FALSE(ParseStoryChange("1,5x,0", &c));
    ASSERT_TRUE(ParseStoryChange("3,2,7", &c));
    EXPECT_EQ(c.unit, 3u);
    EXPECT_EQ(c.amount, 2);
    EXPECT_FALSE(c.percent);
    EXPECT_EQ(c.third, 7u);
}

TEST(StoryPictures, MarksAndKeepOut)
{
    const std::string page = "w " + M + "(#1,100,10,50,40) x " + M + "(#3,0,0,5,5)" + M + "(#2,1,2)" + M +
                             "(#2,0,60,20,20)";
    StoryPicture pics[8];
    const int n = FindStoryPictures(page.data(), page.size(), pics, 8);
    ASSERT_EQ(n, 3);
    EXPECT_EQ(pics[0].x, 100);
    EXPECT_EQ(pics[1].id, 3);
    EXPECT_EQ(pics[2].y, 60);

    EXPECT_EQ(StoryBoxIsFree(pics, 1, 150, 0, 160, 10), 0);
    EXPECT_EQ(StoryBoxIsFree(pics, 1, 153, 0, 170, 9), 1);
    EXPECT_EQ(StoryBoxIsFree(pics, 1, 90, 0, 97, 60), 1);
    EXPECT_EQ(StoryBoxIsFree(pics, 1, 90, 51, 200, 60), 1);
    // A wide box over a narrow picture touches it without a corner inside.
    EXPECT_EQ(StoryBoxIsFree(pics, 1, 50, 20, 200, 30), 0);
    // Id 3 occupies nothing; x 0 keeps its left edge.
    EXPECT_EQ(StoryBoxIsFree(pics + 1, 1, 0, 0, 10, 10), 1);
    EXPECT_EQ(StoryBoxIsFree(pics + 2, 1, 0, 60, 0, 60), 0);
    EXPECT_EQ(StoryBoxIsFree(pics + 2, 1, 23, 60, 30, 70), 1);
}

TEST(StoryStrip, StretchesFromMarkToParenthesisGo)
{
    const std::string page = "a" + M + "($1,>)b(!5)c" + M + "(%1,2,3)d" + M + "open";
    std::vector<char> out(page.size() + 1);
    const size_t n = RoredIdezBrowserStripText(page.data(), page.size(), out.data());
    EXPECT_EQ(std::string(out.data(), n), "ab(!5)cd");
}

// A fixed font: every character 10 pixels wide, lines 11 high.
struct Placed {
    long x, y;
    std::string word;
    UWORD pen;
};
long Measure(void *, const char *, size_t n) { return (long)n * 10; }
void Draw(void *user, long x, long y, const char *t, size_t n, UWORD pen)
{
    static_cast<std::vector<Placed> *>(user)->push_back({x, y, std::string(t, n), pen});
}

StoryLayout FixedLayout(std::vector<Placed> *out, const StoryPicture *pics = nullptr, int count = 0)
{
    return StoryLayout{200, 1000, 11, 10, pics, count, Measure, Draw, out, 7};
}

long Lay(const StoryLayout &l, const std::string &text) { return StoryLayoutText(l, text.data(), text.size()); }

TEST(StoryLayoutTest, WordsLinesAndPens)
{
    std::vector<Placed> placed;
    const long lines = Lay(FixedLayout(&placed), "ab cd\n\n(!5)ef  gh " + std::string(18, 'x'));
    ASSERT_EQ(placed.size(), 5u);
    EXPECT_EQ(placed[0].x, 0);
    EXPECT_EQ(placed[1].x, 30);  // word, its blank
    EXPECT_EQ(placed[2].y, 22);  // two line feeds
    EXPECT_EQ(placed[2].pen, 5);
    EXPECT_EQ(placed[2].word, "ef");
    EXPECT_EQ(placed[3].x, 40);  // one blank with the word, one more as a run
    EXPECT_EQ(placed[4].x, 0);   // 180 pixels do not fit after gh
    EXPECT_EQ(placed[4].y, 33);
    EXPECT_EQ(lines, 4);
}

TEST(StoryLayoutTest, WordsFlowRoundPicturesAndNoneIsDropped)
{
    const StoryPicture pic{1, 60, 0, 50, 15};  // occupies x 58 .. 112, y 0 .. 15
    std::vector<Placed> placed;
    std::string text;
    for (int i = 0; i < 40; ++i) text += "abc ";
    const long lines = Lay(FixedLayout(&placed, &pic, 1), text);
    ASSERT_EQ(placed.size(), 40u);
    for (const Placed &p : placed) {
        EXPECT_EQ(StoryBoxIsFree(&pic, 1, p.x, p.y, p.x + 30, p.y + 11), 1) << p.x << "," << p.y;
        EXPECT_LE(p.x + 30, 200);
    }
    EXPECT_EQ(lines, placed.back().y / 11 + 1);

    // Picture 3 is ignored: words run over its place.
    const StoryPicture ignored{3, 0, 0, 200, 200};
    placed.clear();
    Lay(FixedLayout(&placed, &ignored, 1), "abc");
    ASSERT_EQ(placed.size(), 1u);
    EXPECT_EQ(placed[0].x, 0);
    EXPECT_EQ(placed[0].y, 0);
}

TEST(StoryLayoutTest, WordsBelowTheBitmapAreNotDrawnAndOversizedWordsEnd)
{
    std::vector<Placed> placed;
    StoryLayout l = FixedLayout(&placed);
    l.maxHeight = 22;
    const long lines = Lay(l, "a\nb\nc\nd");
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(lines, 2);

    placed.clear();
    l.maxHeight = 1000;
    Lay(l, "ab " + std::string(50, 'w') + " cd");
    ASSERT_EQ(placed.size(), 3u);
    EXPECT_EQ(placed[1].y, 11);
    EXPECT_EQ(placed[2].y, 22);
}

// Words of a stripped page: runs between blanks and line feeds, pen marks apart.
size_t CountWords(const std::string &text)
{
    size_t n = 0;
    bool in = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\n') {
            in = false;
        } else if (!in) {
            if (c == '(' && i + 1 < text.size() && text[i + 1] == '!') {
                const size_t close = text.find(')', i);
                if (close != std::string::npos) {
                    i = close;
                    continue;
                }
            }
            in = true;
            ++n;
        }
    }
    return n;
}

TEST(StoryTexts, EveryBuiltInStoryIsPagedLinkedAndLaidOutWhole)
{
    for (int id = 1; id < BT_STRING_COUNT; ++id) {
        const char *text = RoredIdezStrings[id].Str;
        ASSERT_NE(text, nullptr);
        int pages = 0;
        for (const char *p = text; p && StoryPageLength(p) >= 0; p = SetRoredIdezChapter(2, p)) ++pages;
        ASSERT_GT(pages, 0) << id;
        for (int k = 1; k <= pages; ++k) {
            const char *page = SetRoredIdezChapter((UWORD)k, text);
            const size_t len = (size_t)StoryPageLength(page);
            const StoryMark m = FindStoryMark(page, len, '$');
            if (m.found) {
                StoryLinks links{};
                ASSERT_TRUE(ParseStoryLinks(m.fields, &links)) << id << " page " << k;
                std::array<UWORD, 6> pics{}, t{};
                StoryButtonsForPage((UWORD)k, links, pics.data(), t.data());
                for (UWORD target : t) {
                    if (target == 0 || target == STORY_END) continue;
                    EXPECT_LE(target, pages) << id << " page " << k;
                }
            }
            StoryPicture pics[STORY_PICTURES_MAX];
            const int n = FindStoryPictures(page, len, pics, STORY_PICTURES_MAX);
            std::vector<char> stripped(len + 1);
            const size_t sl = RoredIdezBrowserStripText(page, len, stripped.data());
            std::vector<Placed> placed;
            StoryLayout l{417, 32767, 12, 4, pics, n, Measure, Draw, &placed, 7};
            StoryLayoutText(l, stripped.data(), sl);
            EXPECT_EQ(placed.size(), CountWords(std::string(stripped.data(), sl))) << id << " page " << k;
        }
    }
}

}  // namespace
