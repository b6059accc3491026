// The gadget state machine as tables of mouse and key sequences, with a
// painter that records the drawing and keeps a fake screen for hover pictures.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <cstring>
#include <string>
#include <vector>

#include "common/testutil.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "platform/system.h"

using namespace vektest;

namespace {

std::vector<std::string> drawn;
UBYTE fakeScreen[480][640];
int openSaves = 0;

struct SavedRect {
    LONG x, y, w, h;
    std::vector<UBYTE> pixels;
};

std::string Where(UWORD gfx, LONG x, LONG y, LONG w, LONG h)
{
    return std::to_string(gfx) + " " + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(w) + "x" +
           std::to_string(h);
}

void Fill(LONG x, LONG y, LONG w, LONG h, UBYTE v)
{
    for (LONG j = y; j < y + h && j < 480; ++j)
        for (LONG i = x; i < x + w && i < 640; ++i) fakeScreen[j][i] = v;
}

const GadgetPainter kRecorder = {
    [](RastPort *, UWORD gfx, LONG x, LONG y, LONG w, LONG h) -> LONG {
        drawn.push_back("blit " + Where(gfx, x, y, w, h));
        Fill(x, y, w, h, (UBYTE)gfx);
        return 1;
    },
    [](RastPort *, UWORD gfx, ULONG, LONG x, LONG y, LONG w, LONG h) -> LONG {
        drawn.push_back("mask " + Where(gfx, x, y, w, h));
        return 1;
    },
    [](RastPort *, UWORD gfx, const char *text, LONG x, LONG y, LONG w, LONG h) -> LONG {
        drawn.push_back("text " + Where(gfx, x, y, w, h) + " " + text);
        return 1;
    },
    [](RastPort *, UWORD gfx, const char *text, LONG x, LONG y, LONG w, LONG h, ULONG) -> LONG {
        drawn.push_back("textmask " + Where(gfx, x, y, w, h) + " " + text);
        return 1;
    },
    [](LONG x, LONG y, LONG w, LONG h) -> BitMap * {
        auto *s = new SavedRect{x, y, w, h, {}};
        for (LONG j = y; j < y + h; ++j)
            for (LONG i = x; i < x + w; ++i) s->pixels.push_back(fakeScreen[j][i]);
        drawn.push_back("save " + Where(0, x, y, w, h));
        ++openSaves;
        return (BitMap *)s;
    },
    [](BitMap *b, LONG x, LONG y, LONG w, LONG h) {
        auto *s = (SavedRect *)b;
        size_t k = 0;
        for (LONG j = y; j < y + h; ++j)
            for (LONG i = x; i < x + w; ++i) fakeScreen[j][i] = s->pixels[k++];
        drawn.push_back("restore " + Where(0, x, y, w, h));
        --openSaves;
        delete s;
    },
    [](BitMap *b) {
        drawn.push_back("free");
        --openSaves;
        delete (SavedRect *)b;
    },
};

constexpr ULONG ID(const char (&s)[5]) { return MakeGadgetID(s); }

// Eight gadgets: plain, report-on-press, hidden, text, masked, text+masked
// and two hover gadgets showing their pictures in two rectangles.
class GadgetsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!saved_) saved_ = new GadgetPainter(GadgetPaint);
        drawn.clear();
        openSaves = 0;
        std::memset(fakeScreen, 0, sizeof fakeScreen);
        GadgetPaint = kRecorder;
        title_ = {0, 0, 0, 0, "OK"};
        rects_[0] = {200, 200, 240, 220};
        rects_[1] = {300, 300, 340, 320};
        gadgets_[0] = {1, 2, 0, 0, 10, 10, 50, 30, ID("EXIT"), nullptr};
        gadgets_[1] = {3, 4, 0, GADGET_REPORTPRESS, 60, 10, 100, 30, ID("PLUS"), nullptr};
        gadgets_[2] = {5, 6, 0, GADGET_HIDDEN, 110, 10, 150, 30, ID("HIDE"), nullptr};
        gadgets_[3] = {7, 8, 0, GADGET_TEXT, 10, 40, 50, 60, ID("TEXT"), &title_};
        gadgets_[4] = {9, 10, 0, GADGET_MASKED, 60, 40, 100, 60, ID("MASK"), nullptr};
        gadgets_[5] = {11, 12, 0, GADGET_TEXT | GADGET_MASKED, 110, 40, 150, 60, ID("TXMK"), &title_};
        gadgets_[6] = {13, 14, 0, GADGET_HOVER, 10, 70, 50, 90, ID("HOV1"), &rects_[0]};
        gadgets_[7] = {15, 16, 0, GADGET_HOVER, 60, 70, 100, 90, ID("HOV2"), &rects_[1]};
        region_ = {};
        region_.GadgetData = gadgets_;
        region_.CountGadgetData = 8;
        region_.GlobalGadget.Released = 1;
        MousePosition = {-1, -1};
    }
    void TearDown() override
    {
        FreeAllGadgets();
        EXPECT_EQ(openSaves, 0);
        GadgetPaint = *saved_;
        delete saved_;
    }
    // Feeds one code at a mouse position; the four letters of the result, or "-".
    std::string Feed(ULONG code, LONG x, LONG y)
    {
        MousePosition = {x, y};
        GadgetData *g = CheckGadgets(nullptr, &region_, code);
        if (!g) return "-";
        const ULONG id = g->ReturnID;
        return std::string{(char)(id >> 24), (char)(id >> 16), (char)(id >> 8), (char)id};
    }

    TitleBar title_;
    Rechteck rects_[2];
    GadgetData gadgets_[8];
    ScreenRegion region_;
    GadgetPainter *saved_ = nullptr;  // what the program draws with
};

struct Step {
    ULONG code;
    LONG x, y;
    const char *result;  // four letters, or "-" for none
};

struct Sequence {
    const char *name;
    std::vector<Step> steps;
    std::vector<std::string> drawing;  // what the painter was asked to draw, in order
};

TEST_F(GadgetsTest, PressMoveReleaseSequences)
{
    const ULONG D = EVENT_LEFTDOWN, U = EVENT_LEFTUP, M = EVENT_MOVE, T = EVENT_TICK;
    const Sequence rows[] = {
        {"click", {{M, 20, 20, "-"}, {D, 20, 20, "-"}, {U, 20, 20, "EXIT"}}, {"blit 2 10,10 40x20", "blit 1 10,10 40x20"}},
        {"drag off and release",
         {{D, 20, 20, "-"}, {D, 30, 25, "-"}, {D, 70, 20, "-"}, {U, 70, 20, "-"}},
         {"blit 2 10,10 40x20", "blit 1 10,10 40x20"}},
        {"press on empty space, drag onto a gadget", {{D, 5, 5, "-"}, {U, 5, 5, "-"}}, {}},
        {"report on press repeats on ticks while over it",
         {{D, 70, 20, "PLUS"}, {T, 70, 20, "PLUS"}, {T, 80, 25, "PLUS"}, {D, 200, 100, "-"}, {T, 200, 100, "-"},
          {T, 70, 20, "-"}, {U, 70, 20, "-"}},
         {"blit 4 60,10 40x20", "blit 3 60,10 40x20"}},
        {"report on press is not returned again on release",
         {{D, 70, 20, "PLUS"}, {U, 70, 20, "-"}},
         {"blit 4 60,10 40x20", "blit 3 60,10 40x20"}},
        {"ticks without a held gadget", {{T, 70, 20, "-"}, {T, 20, 20, "-"}}, {}},
        {"borders are outside",
         {{D, 10, 20, "-"}, {U, 10, 20, "-"}, {D, 50, 20, "-"}, {D, 20, 10, "-"}, {D, 20, 30, "-"}, {U, 20, 30, "-"}},
         {}},
        {"hidden gadgets react but are not drawn", {{D, 120, 20, "-"}, {U, 120, 20, "HIDE"}}, {}},
        {"right button and motion choose nothing",
         {{EVENT_RIGHTDOWN, 20, 20, "-"}, {EVENT_RIGHTUP, 20, 20, "-"}, {M, 20, 20, "-"}, {0, 20, 20, "-"}},
         {}},
        {"release after the mouse left the game area",
         {{D, 20, 20, "-"}, {0, -1, -1, "-"}, {U, -1, -1, "-"}},
         {"blit 2 10,10 40x20", "blit 1 10,10 40x20"}},
        {"text and masked pictures",
         {{D, 20, 50, "-"}, {U, 20, 50, "TEXT"}, {D, 70, 50, "-"}, {U, 70, 50, "MASK"}, {D, 120, 50, "-"},
          {U, 120, 50, "TXMK"}},
         {"text 8 10,40 40x20 OK", "text 7 10,40 40x20 OK", "mask 10 60,40 40x20", "mask 9 60,40 40x20",
          "textmask 12 110,40 40x20 OK", "textmask 11 110,40 40x20 OK"}},
        {"keys become the key pseudo-gadget", {{'a', 0, 0, "KEY!"}, {37, 0, 0, "KEY!"}, {255, 0, 0, "KEY!"}}, {}},
        {"codes past the keys are no key", {{256, 20, 20, "-"}, {KEY_DELETE, 20, 20, "-"}}, {}},
    };
    for (const Sequence &row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        for (size_t i = 0; i < row.steps.size(); ++i) {
            const Step &s = row.steps[i];
            EXPECT_EQ(Feed(s.code, s.x, s.y), s.result) << "step " << i;
        }
        EXPECT_EQ(drawn, row.drawing);
        EXPECT_EQ(region_.GlobalGadget.PressedGadget, nullptr) << "a gadget is left held";
    }
}

TEST_F(GadgetsTest, TypedKeyCarriesItsCodeInTheFlags)
{
    MousePosition = {20, 20};
    GadgetData *g = CheckGadgets(nullptr, &region_, 'a');
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->ReturnID, 0x4B455921u);  // "KEY!"
    EXPECT_EQ(g->Flags, 97);
    EXPECT_EQ(g, &region_.GlobalGadget.KeyAsGadget);
}

TEST_F(GadgetsTest, EscapePressesTheExitGadgetOrReturnsThePseudoGadget)
{
    GadgetData *g = CheckGadgets(nullptr, &region_, KEY_ESCAPE);
    EXPECT_EQ(g, &gadgets_[0]);
    EXPECT_EQ(drawn, (std::vector<std::string>{"blit 2 10,10 40x20", "blit 1 10,10 40x20"}));

    drawn.clear();
    CheckGadgets(nullptr, &region_, 'k');  // the pseudo-gadget's flags hold 'k' now
    std::swap(gadgets_[0], gadgets_[1]);
    g = CheckGadgets(nullptr, &region_, KEY_ESCAPE);
    ASSERT_EQ(g, &region_.GlobalGadget.KeyAsGadget);
    EXPECT_EQ(g->ReturnID, 0x45584954u);  // "EXIT"
    EXPECT_TRUE(drawn.empty());

    // A region loaded without gadgets.
    ScreenRegion empty{};
    empty.GlobalGadget.Released = 1;
    g = CheckGadgets(nullptr, &empty, KEY_ESCAPE);
    ASSERT_EQ(g, &empty.GlobalGadget.KeyAsGadget);
    EXPECT_EQ(g->ReturnID, MakeGadgetID("EXIT"));
    EXPECT_EQ(CheckGadgets(nullptr, nullptr, KEY_ESCAPE), nullptr);
}

TEST_F(GadgetsTest, OffsetsShiftEveryGadget)
{
    SetGadgetOffset(&region_, 100, 50);
    EXPECT_EQ(Feed(EVENT_LEFTDOWN, 20, 20), "-");
    EXPECT_EQ(Feed(EVENT_LEFTUP, 20, 20), "-");
    EXPECT_EQ(Feed(EVENT_LEFTDOWN, 120, 70), "-");
    EXPECT_EQ(Feed(EVENT_LEFTUP, 120, 70), "EXIT");
    EXPECT_EQ(drawn, (std::vector<std::string>{"blit 2 110,60 40x20", "blit 1 110,60 40x20"}));
}

TEST_F(GadgetsTest, DrawAllGadgetsSkipsHiddenOnes)
{
    EXPECT_EQ(DrawAllGadgets(nullptr, nullptr), 0);
    EXPECT_EQ(DrawAllGadgets(nullptr, &region_), 1);
    EXPECT_EQ(drawn, (std::vector<std::string>{"blit 1 10,10 40x20", "blit 3 60,10 40x20", "text 7 10,40 40x20 OK",
                                               "mask 9 60,40 40x20", "textmask 11 110,40 40x20 OK",
                                               "blit 13 10,70 40x20", "blit 15 60,70 40x20"}));
}

TEST_F(GadgetsTest, HoverPicturesSwapWithoutATrace)
{
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) fakeScreen[y][x] = (UBYTE)(x * 3 + y);
    UBYTE before[480][640];
    std::memcpy(before, fakeScreen, sizeof before);

    EXPECT_EQ(Feed(EVENT_MOVE, 20, 80), "-");
    EXPECT_EQ(fakeScreen[210][220], 13);  // HOV1's released picture in its rectangle
    EXPECT_NE(GadgetCacheArray[6].Saved, nullptr);
    EXPECT_EQ(Feed(EVENT_MOVE, 25, 85), "-");  // staying on it draws nothing more
    EXPECT_EQ(Feed(EVENT_MOVE, 70, 80), "-");  // straight onto HOV2
    EXPECT_EQ(fakeScreen[210][220], before[210][220]);
    EXPECT_EQ(fakeScreen[310][320], 15);
    EXPECT_EQ(GadgetCacheArray[6].Saved, nullptr);
    EXPECT_EQ(Feed(EVENT_MOVE, 300, 400), "-");  // off both
    EXPECT_EQ(std::memcmp(before, fakeScreen, sizeof before), 0);
    EXPECT_EQ(drawn, (std::vector<std::string>{"save 0 200,200 40x20", "blit 13 200,200 40x20",
                                               "restore 0 200,200 40x20", "save 0 300,300 40x20",
                                               "blit 15 300,300 40x20", "restore 0 300,300 40x20"}));
    for (const GadgetCacheSlot &s : GadgetCacheArray) EXPECT_EQ(s.Saved, nullptr);
}

TEST_F(GadgetsTest, HoverBackgroundGoesBackWhereItWasSavedAfterTheScreenChanges)
{
    Feed(EVENT_MOVE, 20, 80);
    // The next screen has other gadgets; the saved background still goes back
    // into the rectangle it came from.
    ScreenRegion other{};
    other.GlobalGadget.Released = 1;
    MousePosition = {0, 0};
    CheckGadgets(nullptr, &other, EVENT_MOVE);
    EXPECT_EQ(drawn.back(), "restore 0 200,200 40x20");
}

TEST_F(GadgetsTest, FreeAllGadgetsDropsSavedBackgroundsWithoutDrawing)
{
    Feed(EVENT_MOVE, 20, 80);
    drawn.clear();
    FreeAllGadgets();
    EXPECT_EQ(drawn, (std::vector<std::string>{"free"}));
    EXPECT_EQ(GadgetCacheArray[6].Saved, nullptr);
}

TEST_F(GadgetsTest, MoreThanFortyGadgetsGetNoHoverPictures)
{
    std::vector<GadgetData> many(41, gadgets_[6]);
    region_.GadgetData = many.data();
    region_.CountGadgetData = 41;
    StdoutCapture cap;
    Feed(EVENT_MOVE, 20, 80);
    EXPECT_NE(cap.Take().find("DrawOnMouseGadget: B\366ser Fehler! Mehr wie 40 Gadgets auf dem Bildschirm!"),
              std::string::npos);
    EXPECT_TRUE(drawn.empty());
}

TEST_F(GadgetsTest, FailedSaveDrawsNoHoverPicture)
{
    GadgetPaint.ScreenSaveClip = [](LONG, LONG, LONG, LONG) -> BitMap * { return nullptr; };
    StdoutCapture cap;
    Feed(EVENT_MOVE, 20, 80);
    EXPECT_NE(cap.Take().find("DrawOnMouseGadget: Konnte Bereich f\374r OnMouseGadget nicht retten!"),
              std::string::npos);
    EXPECT_TRUE(drawn.empty());
}

// The same machine fed from GetKey with events in the SDL queue.
TEST_F(GadgetsTest, EventsFromTheQueue)
{
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    ASSERT_NE(SDL_SetVideoMode(640, 480, 8, SDL_SWSURFACE), nullptr);
    VekDisplay.VekScreen_Breite = 640;
    VekDisplay.VekScreen_Hoehe = 480;
    auto push = [](Uint8 type, Uint8 button, int x, int y, Uint8 state) {
        SDL_Event ev{};
        ev.type = type;
        if (type == SDL_MOUSEMOTION) {
            ev.motion.x = (Uint16)x, ev.motion.y = (Uint16)y, ev.motion.state = state;
        } else {
            ev.button.button = button, ev.button.x = (Uint16)x, ev.button.y = (Uint16)y;
        }
        SDL_PushEvent(&ev);
    };
    push(SDL_MOUSEMOTION, 0, 75, 15, 0);
    push(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 75, 15, 0);
    push(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 75, 15, 0);
    push(SDL_MOUSEMOTION, 0, 20, 20, 0);
    push(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 20, 20, 0);
    push(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 20, 20, 0);
    std::vector<std::string> got;
    for (int i = 0; i < 6; ++i) {
        GadgetData *g = CheckGadgets(nullptr, &region_, GetKey(0));
        if (g) got.push_back(std::string{(char)(g->ReturnID >> 24), (char)(g->ReturnID >> 16),
                                         (char)(g->ReturnID >> 8), (char)g->ReturnID});
    }
    EXPECT_EQ(got, (std::vector<std::string>{"PLUS", "EXIT"}));
    SDL_Quit();
}

}  // namespace
