// The advisor's message box and the switch box: the seven-line layout as a
// table, answers to scripted input, the drawn box read back, failures, and
// the display put back pixel for pixel with the port as it was.
#include <SDL/SDL.h>
#include <string>
#include <vector>

#include "dialogfixture.h"
#include "gfx/font.h"
#include "platform/system.h"

using namespace vektest;

namespace {

// ---- Layout -----------------------------------------------------------------

// Widths: 'a' 10 pixels, 'b' 1 pixel, space 5 pixels.
class ChiefLayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FontSpec spec;
        spec.lo = ' ';
        spec.hi = 'b';
        spec.glyphs = {{' ', {"....."}}, {'a', {"XXXXXXXXXX"}}, {'b', {"X"}}};
        WriteBytes("layout.fnt", BuildFont(spec));
        font_ = OpenDiskFont("layout.fnt");
        ASSERT_NE(font_, nullptr);
        InitRastPort(&rp_);
        SetFont(&rp_, font_);
    }
    void TearDown() override { CloseFont(font_); }

    ScratchDir dir_;
    TextFont *font_ = nullptr;
    RastPort rp_{};
};

std::string Words(int n, int letters)
{
    std::string s;
    for (int i = 0; i < n; ++i) s += (i ? " " : "") + std::string((size_t)letters, 'a');
    return s;
}

struct LayoutCase {
    const char *name;
    std::string text;
    LONG lines;
    std::vector<std::string> texts;  // line texts, in order
    std::vector<UWORD> xs;
    std::vector<UWORD> ys;
};

TEST_F(ChiefLayoutTest, SevenLineRule)
{
    const std::string a13 = std::string(13, 'a'), a10 = std::string(10, 'a'), w200 = std::string(20, 'a');
    const std::vector<LayoutCase> cases = {
        {"270 pixels: one line", a13 + " " + a13 + "bbbbb", 1, {a13 + " " + a13 + "bbbbb"}, {17}, {60}},
        {"271 pixels: two lines", a13 + " " + a13 + "bbbbbb", 2, {a13, a13 + "bbbbbb"}, {87, 84}, {56, 68}},
        {"one word", w200, 1, {w200}, {52}, {60}},
        {"two words of 200", Words(2, 20), 2, {w200, w200}, {52, 52}, {56, 68}},
        {"five words of 100: three lines", Words(5, 10), 3, {Words(2, 10), a10, Words(2, 10)}, {50, 102, 50},
         {50, 62, 74}},
        {"seven words of 100: four lines", Words(7, 10), 4, {Words(2, 10), Words(2, 10), a10, Words(2, 10)},
         {50, 50, 102, 50}, {44, 56, 68, 80}},
        {"five words of 200", Words(5, 20), 5, std::vector<std::string>(5, w200), std::vector<UWORD>(5, 52),
         {38, 50, 62, 74, 86}},
        {"six words of 200", Words(6, 20), 6, std::vector<std::string>(6, w200), std::vector<UWORD>(6, 52),
         {32, 44, 56, 68, 80, 92}},
        {"seven words of 200", Words(7, 20), 7, std::vector<std::string>(7, w200), std::vector<UWORD>(7, 52),
         {26, 38, 50, 62, 74, 86, 98}},
        {"eight words of 200 do not fit", Words(8, 20), -1, {}, {}, {}},
        {"a word wider than a line", std::string(28, 'a') + " a", -1, {}, {}, {}},
        {"400 characters: nothing drawn", std::string(400, 'b'), 0, {}, {}, {}},
        {"399 characters are laid out", std::string(200, 'b') + " " + std::string(198, 'b'), 2,
         {std::string(200, 'b'), std::string(198, 'b')}, {52, 53}, {56, 68}},
    };
    for (const LayoutCase &c : cases) {
        SCOPED_TRACE(c.name);
        ChiefStruktur2 l;
        ASSERT_EQ(ChiefLayoutText(&rp_, c.text.c_str(), &l), c.lines);
        for (size_t n = 0; n < c.texts.size(); ++n) {
            EXPECT_EQ(l.Line[n].text, c.texts[n]) << "line " << n;
            EXPECT_EQ(l.Line[n].x, c.xs[n]) << "line " << n;
            EXPECT_EQ(l.Line[n].y, c.ys[n]) << "line " << n;
        }
        for (size_t n = c.texts.size(); n < CHIEF_LINES; ++n) EXPECT_STREQ(l.Line[n].text, "") << "line " << n;
    }
}

// ---- Message box ----------------------------------------------------------------

constexpr LONG kBoxX = 168, kBoxY = 180, kBoxW = 304, kBoxH = 122;

class ChiefMessageTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        AddPicture(66, kBoxW, kBoxH);
        AddPicture(153, 86, 16);
        AddPicture(154, 86, 16);
        AddPicture(77, 40, 40);
        Pattern();
        Remember();
    }
    LONG Gx(LONG x) { return kBoxX + x; }
    LONG Gy(LONG y) { return kBoxY + y; }
};

struct AnswerCase {
    const char *name;
    UBYTE mode;
    std::vector<std::string> script;  // "return", "escape", "click x y", "press x y", "release x y"
    LONG answer;
};

TEST_P(ChiefMessageTest, AnswersToInput)
{
    const std::vector<AnswerCase> cases = {
        {"return", CHIEF_OK, {"return"}, 0},
        {"click on Ok", CHIEF_OK, {"click 150 110"}, 0},
        {"Ok area edges", CHIEF_OK, {"click 112 103"}, 0},
        {"Ok area far edges", CHIEF_OK, {"click 192 119"}, 0},
        {"beside the Ok area", CHIEF_OK, {"click 111 110", "click 193 110", "click 150 120", "escape"}, 1},
        {"escape", CHIEF_OK, {"escape"}, 1},
        {"the Cancel place in a one-button box", CHIEF_OK, {"click 220 110", "escape"}, 1},
        {"pressed on Ok, released beside it", CHIEF_OK, {"press 150 110", "release 250 110", "escape"}, 1},
        {"pressed beside Ok, released on it", CHIEF_OK, {"press 100 110", "release 150 110", "escape"}, 1},
        {"two buttons: Cancel", CHIEF_OKCANCEL, {"click 220 110"}, 1},
        {"two buttons: Ok", CHIEF_OKCANCEL, {"click 60 110"}, 0},
        {"two buttons: return", CHIEF_OKCANCEL, {"return"}, 0},
        {"two buttons: pressed on Ok, released on Cancel", CHIEF_OKCANCEL, {"press 60 110", "release 220 110",
                                                                            "return"}, 0},
        {"two buttons: between them", CHIEF_OKCANCEL, {"click 160 110", "escape"}, 1},
    };
    for (const AnswerCase &c : cases) {
        SCOPED_TRACE(c.name);
        calls_.clear();
        for (const std::string &s : c.script) {
            char what[16];
            int x = 0, y = 0;
            std::sscanf(s.c_str(), "%15s %d %d", what, &x, &y);
            const std::string w = what;
            if (w == "return") Return();
            if (w == "escape") Escape();
            if (w == "click") Click(Gx(x), Gy(y));
            if (w == "press") Press(Gx(x), Gy(y));
            if (w == "release") Release(Gx(x), Gy(y));
        }
        EXPECT_EQ(ChiefMessage(66, kBoxX, kBoxY, 0, 0, 0, c.mode, "Hello", 7), c.answer);
        ExpectUntouched();
        // The chosen button is shown pressed, then released.
        const bool shown = c.answer == 0 || c.mode == CHIEF_OKCANCEL;
        const std::string at = c.mode == CHIEF_OK ? "109,103" : c.answer == 0 ? "39,103" : "179,103";
        const std::vector<std::string> flash = {"blit 154 " + at, "delay 5", "blit 153 " + at, "delay 5"};
        const bool flashed =
            calls_.size() >= 4 && std::vector<std::string>(calls_.end() - 4, calls_.end()) == flash;
        EXPECT_EQ(flashed, shown);
    }
}

TEST_P(ChiefMessageTest, BoxShowsTitleTextAndButtons)
{
    snapOn_ = {0};  // the display while the pressed button is shown
    Return();
    const std::string word(100, 'w');  // 200 pixels
    EXPECT_EQ(ChiefMessage(66, kBoxX, kBoxY, 0, 0, 0, CHIEF_OKCANCEL, (word + " " + word).c_str(), 9), 0);
    ExpectUntouched();
    ASSERT_FALSE(snaps_.empty());
    const Snapshot &s = snaps_[0].second;
    EXPECT_EQ(ReadIn(s, Gx(152 - 12), Gy(13 - 7), 1), "Chiefmessage");
    EXPECT_EQ(ReadIn(s, Gx(52), Gy(56 - 7), 9, 120), word);
    EXPECT_EQ(ReadIn(s, Gx(52), Gy(68 - 7), 9, 120), word);
    EXPECT_EQ(AtIn(s, Gx(40), Gy(104)), Ink(154));  // Ok pressed
    EXPECT_EQ(AtIn(s, Gx(180), Gy(104)), Ink(153));
    EXPECT_EQ(ReadIn(s, Gx(152 - 70 - 2), Gy(117 - 7), 9), "Ok");
    EXPECT_EQ(ReadIn(s, Gx(152 + 70 - 6), Gy(117 - 7), 9), "Cancel");
    EXPECT_EQ(AtIn(s, Gx(kBoxW - 1), Gy(kBoxH - 1)), Ink(66));
    EXPECT_EQ(AtIn(s, Gx(kBoxW), Gy(kBoxH - 1)), AtIn(before_, Gx(kBoxW), Gy(kBoxH - 1)));
}

TEST_P(ChiefMessageTest, TextThatCannotBeLaidOut)
{
    struct Case {
        const char *name;
        std::string text;
        const char *message;
    };
    const Case cases[] = {
        {"a word wider than a line", std::string(140, 'w'), "ChiefMessage : Der Text konnte nicht dargestellt werden\n"},
        {"400 characters", std::string(400, 'w'), nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        snaps_.clear();
        snapOn_ = {0};
        Return();
        StdoutCapture out;
        EXPECT_EQ(ChiefMessage(66, kBoxX, kBoxY, 0, 0, 0, CHIEF_OK, c.text.c_str(), 9), 0);
        const std::string printed = out.Take();
        if (c.message) {
            EXPECT_NE(printed.find(c.message), std::string::npos) << printed;
        }
        ExpectUntouched();
        ASSERT_FALSE(snaps_.empty());
        // Title and button, nothing in the text area.
        const Snapshot &s = snaps_[0].second;
        EXPECT_EQ(ReadIn(s, Gx(152 - 12), Gy(6), 1), "Chiefmessage");
        for (LONG y = 17; y <= 102; y += 5)
            for (LONG x = 17; x <= 286; x += 3) ASSERT_EQ(AtIn(s, Gx(x), Gy(y)), Ink(66)) << x << "," << y;
    }
}

TEST_P(ChiefMessageTest, OpenBoxChangesItsTextAndAnswersLater)
{
    for (UBYTE mode : {(UBYTE)2, (UBYTE)3}) {
        SCOPED_TRACE(mode);
        calls_.clear();
        ChiefStruktur1 *box = ChiefMessageOpen(66, kBoxX, kBoxY, 0, 0, 0, mode, "Wait", 7);
        ASSERT_NE(box, nullptr);
        for (const std::string &c : calls_) EXPECT_EQ(c.find("blit 153"), std::string::npos) << "buttons drawn early";
        EXPECT_EQ(Read(Gx(152 - 4), Gy(53), 7), "Wait");
        EXPECT_EQ(At(Gx(50), Gy(110)), Ink(66));

        EXPECT_EQ(SetChiefMessageText(box, "Done now"), 1);
        EXPECT_EQ(Read(Gx(152 - 8), Gy(53), 7), "Done now");
        EXPECT_EQ(At(Gx(20), Gy(20)), Ink(6));
        EXPECT_EQ(At(Gx(20), Gy(16)), Ink(66));
        {
            StdoutCapture out;
            EXPECT_EQ(SetChiefMessageText(box, ""), 0);
            EXPECT_EQ(SetChiefMessageText(box, nullptr), 0);
            EXPECT_NE(out.Take().find("SetChiefMessageText : String ist leer !\n"), std::string::npos);
            EXPECT_EQ(SetChiefMessageText(box, std::string(140, 'w').c_str()), 0);
        }

        calls_.clear();
        Escape();
        EXPECT_EQ(ChiefMessageGetInput(box), 1);
        std::vector<std::string> buttons;
        for (const std::string &c : calls_)
            if (c.rfind("blit 153", 0) == 0) buttons.push_back(c);
        if (mode == 2)
            EXPECT_EQ(buttons, (std::vector<std::string>{"blit 153 109,103"}));
        else
            EXPECT_EQ(buttons, (std::vector<std::string>{"blit 153 39,103", "blit 153 179,103", "blit 153 179,103"}));
        Return();
        EXPECT_EQ(ChiefMessageGetInput(box), 0);  // the box stays open for more
        QuitChiefMessage(box);
        ExpectUntouched();
    }
    QuitChiefMessage(nullptr);
    EXPECT_EQ(ChiefMessageGetInput(nullptr), 1);
}

TEST_P(ChiefMessageTest, BoxThatCannotBeShownAnswersSafely)
{
    struct Case {
        const char *name;
        int what;
        const char *message;
    };
    const Case cases[] = {
        {"no picture", 0, "ChiefMessage : Konnte Grafik nicht finden !\n"},
        {"no title font", 1, "ChiefMessage : Konnte Font nicht \366ffnen(KavorC1) !\n"},
        {"no text font", 2, "ChiefMessage : Konnte Font nicht \366ffnen (Helvetica11) !\n"},
        {"no room to save the area", 3,
         "ChiefMessage:Konnte Hintergrund nicht retten (X:168  Y:180 )!Aufrufer hat folgenden String uebergeben:Sure?\n"},
    };
    const DialogPainter working = DialogPaint;
    const Bytes font = BuildFont(BarcodeFontSpec());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        AddPicture(66, kBoxW, kBoxH);
        WriteBytes("Fonts/KavorC1.fnt", font);
        WriteBytes("Fonts/XHelvetica11.fnt", font);
        DialogPaint = working;
        switch (c.what) {
        case 0: RemovePicture(66); break;
        case 1: std::remove("Fonts/KavorC1.fnt"); break;
        case 2: std::remove("Fonts/XHelvetica11.fnt"); break;
        default: DialogPaint.ScreenSaveClip = nullptr; break;
        }
        StdoutCapture out;
        EXPECT_EQ(ChiefMessage(66, kBoxX, kBoxY, 0, 0, 0, CHIEF_OK, "Sure?", 7), 0);
        EXPECT_EQ(ChiefMessage(66, kBoxX, kBoxY, 0, 0, 0, CHIEF_OKCANCEL, "Sure?", 7), 1);
        EXPECT_EQ(ChiefMessageOpen(66, kBoxX, kBoxY, 0, 0, 0, 3, "Sure?", 7), nullptr);
        EXPECT_NE(out.Take().find(c.message), std::string::npos);
        ExpectUntouched();
    }
}

TEST_P(ChiefMessageTest, SecondPictureReplacesTheBox)
{
    EXPECT_EQ(ChiefMessage(66, kBoxX, kBoxY, 77, 10, 20, CHIEF_OKCANCEL, "x", 7), 1);
    EXPECT_EQ(calls_.back(), "blit 77 10,20");
    EXPECT_EQ(At(10, 20), Ink(77));
    EXPECT_EQ(At(kBoxX + 1, kBoxY + 1), AtIn(before_, kBoxX + 1, kBoxY + 1));
}

// ---- Switch box ----------------------------------------------------------------

class SwitchBoxTest : public ChiefMessageTest {
protected:
    void SetUp() override
    {
        ChiefMessageTest::SetUp();
        AddPicture(355, 240, 48);
        AddPicture(356, 240, 30);
        AddPicture(357, 240, 56);
        AddPicture(263, 190, 26);
        AddPicture(264, 190, 26);
        for (int k = 0; k < 13; ++k)
            std::snprintf(&choices_[(size_t)k * REQ_LINE_SIZE], REQ_LINE_SIZE, "Choice %d", k + 1);
    }
    std::vector<char> choices_ = std::vector<char>(13 * REQ_LINE_SIZE, 0);
};

TEST_P(SwitchBoxTest, SizesAndPlaces)
{
    struct Case {
        ULONG n;
        bool map;
        LONG x, y, h;
    };
    std::vector<Case> cases = {{2, false, 200, 188, 104}, {3, false, 200, 173, 134}, {12, false, 200, 38, 404}};
    if (Depth() != 8) cases.push_back({2, true, 280, 248, 104});  // centred on the 800 x 600 display
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.n << (c.map ? " on the map" : ""));
        VekDisplay.VekScreen = c.map ? 3 : 1;
        before_ = Snap(DisplayBitMap());
        calls_.clear();
        snaps_.clear();
        snapOn_ = {263};
        Click(c.x + 100, c.y + 30);  // choice 1 (mouse positions are not mapped on the map)
        EXPECT_EQ(SwitchBox(c.n, choices_.data()), 1);
        ExpectUntouched();
        ASSERT_EQ(snaps_.size(), 1u);
        const Snapshot &s = snaps_[0].second;
        EXPECT_EQ(AtIn(s, c.x, c.y), Ink(355 & 0xFF));
        EXPECT_EQ(AtIn(s, c.x - 1, c.y), AtIn(before_, c.x - 1, c.y));
        EXPECT_EQ(AtIn(s, c.x + 239, c.y + c.h - 1), Ink(357 & 0xFF));
        EXPECT_EQ(AtIn(s, c.x + 240, c.y + c.h - 1), AtIn(before_, c.x + 240, c.y + c.h - 1));
        EXPECT_EQ(AtIn(s, c.x + 239, c.y + c.h), AtIn(before_, c.x + 239, c.y + c.h));
        // Each choice centred in its row: 16 or 18 pixels wide in 24..214, 9 rows below the row top.
        for (ULONG k = 1; k <= c.n; ++k) {
            const std::string text = "Choice " + std::to_string(k);
            const LONG top = k == 1 ? 22 : 52 + 30 * ((LONG)k - 2);
            EXPECT_EQ(ReadIn(s, c.x + 119 - (LONG)text.size(), c.y + top + 10, 7), text);
        }
        std::vector<std::string> middle;
        for (const std::string &call : calls_)
            if (call.rfind("blit 356", 0) == 0) middle.push_back(call);
        EXPECT_EQ(middle.size(), c.n - 2);
    }
    VekDisplay.VekScreen = 1;
    calls_.clear();
    for (ULONG n : {0u, 1u, 13u}) EXPECT_EQ(SwitchBox(n, choices_.data()), 0) << n;
    EXPECT_EQ(SwitchBox(3, nullptr), 0);
    EXPECT_TRUE(calls_.empty());
}

TEST_P(SwitchBoxTest, ChoicesAreTakenOnReleaseInsideThem)
{
    // Three choices at (200, 173): rows 198-220, 228-250, 258-280, x 227-413.
    struct Case {
        const char *name;
        std::vector<std::pair<std::string, std::pair<int, int>>> script;
        LONG choice;
    };
    const Case cases[] = {
        {"second", {{"click", {300, 240}}}, 2},
        {"third, at its corners", {{"click", {227, 258}}}, 3},
        {"last row of the first", {{"click", {413, 220}}}, 1},
        {"between two choices first", {{"click", {300, 224}}, {"click", {300, 270}}}, 3},
        {"outside the choices", {{"click", {226, 240}}, {"click", {414, 240}}, {"click", {300, 240}}}, 2},
        {"escape is no answer", {{"escape", {0, 0}}, {"click", {300, 200}}}, 1},
        {"released on another choice", {{"press", {300, 240}}, {"release", {300, 270}}, {"click", {300, 200}}}, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        calls_.clear();
        for (const auto &[what, at] : c.script) {
            if (what == "click") Click(at.first, at.second);
            if (what == "press") Press(at.first, at.second);
            if (what == "release") Release(at.first, at.second);
            if (what == "escape") Escape();
        }
        EXPECT_EQ(SwitchBox(3, choices_.data()), c.choice);
        ExpectUntouched();
        const LONG top = c.choice == 1 ? 173 + 22 : 173 + 52 + 30 * (c.choice - 2);
        const std::string text = "Choice " + std::to_string(c.choice);
        ASSERT_GE(calls_.size(), 4u);
        EXPECT_EQ(calls_[calls_.size() - 4], "text 263 224," + std::to_string(top) + " " + text);
        EXPECT_EQ(calls_[calls_.size() - 2], "text 264 224," + std::to_string(top) + " " + text);
    }
}

TEST_P(SwitchBoxTest, MissingMiddlePictureLeavesTheMiddleChoicesOut)
{
    RemovePicture(356);
    snapOn_ = {263};
    Click(300, 200);
    StdoutCapture out;
    EXPECT_EQ(SwitchBox(4, choices_.data()), 1);
    EXPECT_NE(out.Take().find("SwitchBox : Konnte Grafik nicht finden !\n"), std::string::npos);
    ExpectUntouched();
    ASSERT_EQ(snaps_.size(), 1u);
    const LONG y = 240 - 164 / 2;
    EXPECT_EQ(ReadIn(snaps_[0].second, 200 + 111, y + 52 + 10, 7), "Choice 4");
    EXPECT_EQ(ReadIn(snaps_[0].second, 200 + 111, y + 82 + 10, 7), "");
}

TEST_P(SwitchBoxTest, BoxThatCannotBeBuiltIsNotShown)
{
    std::remove("Fonts/XHelvetica11.fnt");
    StdoutCapture out;
    EXPECT_EQ(SwitchBox(3, choices_.data()), 0);
    const std::string printed = out.Take();
    EXPECT_NE(printed.find("SwitchBox : Konnte Font nicht finden !\n"), std::string::npos);
    EXPECT_NE(printed.find("SwitchBox: Konnte Requester nicht darstellen...\n"), std::string::npos);
    ExpectUntouched();
}

INSTANTIATE_TEST_SUITE_P(Depths, ChiefMessageTest, ::testing::Values(8, 16, 32));
INSTANTIATE_TEST_SUITE_P(Depths, SwitchBoxTest, ::testing::Values(8, 16, 32));

}  // namespace
