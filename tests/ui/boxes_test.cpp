// The input box, the text box, the choose box and the participant list under
// scripted input: the character filter as a table, what each dialog answers,
// what it shows, and the display and its port given back as they were.
#include <SDL/SDL.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "dialogfixture.h"
#include "ui/input.h"
#include "ui/screendat.h"
#include "platform/system.h"

using namespace vektest;

namespace {

// ---- Character filter ------------------------------------------------------------

TEST(EingabeBoxFilter, FlagBitsApplyTogether)
{
    struct Case {
        const char *name;
        ULONG flags;
        std::string accepted, refused;
    };
    const Case cases[] = {
        {"no bits", 0, "aZ09 #@._-\x01~", ""},
        {"letters and digits", EINGABE_ALNUM, "azAZ09", " #@._-"},
        {"no space", EINGABE_NOSPACE, "a#@.9", " "},
        {"digits", EINGABE_DIGITS, "0123456789", "aZ #.-"},
        {"letters", EINGABE_LETTERS, "azAZ", "09 #."},
        {"letters, digits and mail signs", EINGABE_ALNUM | EINGABE_MAILCHARS, "aZ9@._-", "# "},
        {"letters and space", EINGABE_LETTERS | EINGABE_SPACE, "a ", "1#"},
        {"digits and space", EINGABE_DIGITS | EINGABE_SPACE, " 5", "a."},
        {"space allowed wins over no space", EINGABE_NOSPACE | EINGABE_SPACE, " a", ""},
        {"digits and letters exclude each other", EINGABE_DIGITS | EINGABE_LETTERS, "", "a1 "},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        for (char ch : c.accepted) EXPECT_TRUE(EingabeBoxAccepts((UBYTE)ch, c.flags)) << "'" << ch << "'";
        for (char ch : c.refused) EXPECT_FALSE(EingabeBoxAccepts((UBYTE)ch, c.flags)) << "'" << ch << "'";
        EXPECT_TRUE(EingabeBoxAccepts(KEY_BACKSPACE, c.flags)) << "backspace";
    }
}

// ---- Shared set-up -----------------------------------------------------------------

class BoxesTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        AddPicture(142, 304, 119);
        for (ULONG n = 143; n <= 148; ++n) AddPicture(n, 22, 20);
        AddPicture(293, 507, 381);
        for (ULONG n = 123; n <= 126; ++n) AddPicture(n, 15, 15);
        AddPicture(340, 195, 220);
        AddPicture(77, 320, 385);
        for (ULONG n : {100u, 101u, 116u}) AddPicture(n, 43, 41);
        for (ULONG n = 401; n <= 410; ++n) AddPicture(n, 16, 16);
        Pattern();
        Remember();
    }
    // Runs a script of steps: text is typed; "<return>", "<escape>", "<tick>",
    // "<left>", "<delete>", "<insert>" are keys; "click x y", "press x y",
    // "release x y", "drag x y" are mouse steps in game coordinates.
    void Script(const std::vector<std::string> &steps)
    {
        for (const std::string &s : steps) {
            int x = 0, y = 0;
            char what[16] = {};
            if (s == "<return>") Return();
            else if (s == "<escape>") Escape();
            else if (s == "<tick>") Tick();
            else if (s == "<left>") Key(SDLK_LEFT, 0);
            else if (s == "<down>") Key(SDLK_DOWN, 0);
            else if (s == "<up>") Key(SDLK_UP, 0);
            else if (s == "<delete>") Key(SDLK_DELETE, 127);
            else if (s == "<insert>") Key(SDLK_INSERT, 0);
            else if (std::sscanf(s.c_str(), "%15s %d %d", what, &x, &y) == 3 && std::strcmp(what, "click") == 0) Click(x, y);
            else if (std::strcmp(what, "press") == 0) Press(x, y);
            else if (std::strcmp(what, "release") == 0) Release(x, y);
            else if (std::strcmp(what, "drag") == 0) MoveTo(x, y, true);
            else Type(s);
        }
    }
    bool Called(const std::string &call) const
    {
        return std::find(calls_.begin(), calls_.end(), call) != calls_.end();
    }
};

// ---- Input box -----------------------------------------------------------------------

constexpr LONG kIx = 100, kIy = 100;  // the input box; Ok at 130-152, Cancel 160-182, info 190-212, y 175-195

struct InputCase {
    const char *name;
    ULONG flags;
    std::string proposed;
    const char *info;
    std::vector<std::string> script;
    const char *result;  // null: the box answers null
    std::string buffer;  // the buffer afterwards
};

class EingabeBoxTest : public BoxesTest {};

TEST_P(EingabeBoxTest, EntriesAndAnswers)
{
    const std::string ok = "click 141 185", cancel = "click 171 185", info = "click 201 185";
    const std::vector<InputCase> cases = {
        {"digits only", EINGABE_DIGITS, "", nullptr, {"a12b\b3", "<return>"}, "13", "13"},
        {"letters, digits and mail signs", EINGABE_ALNUM | EINGABE_MAILCHARS, "", nullptr,
         {"ab@c.d_e#f g1", "<return>"}, "ab@c.d_efg1", "ab@c.d_efg1"},
        {"proposed text extended, Ok", 0, "abc", nullptr, {"d", ok}, "abcd", "abcd"},
        {"return on an empty field", 0, "", nullptr, {"<return>"}, nullptr, ""},
        {"Ok on an empty field", 0, "", nullptr, {ok}, nullptr, ""},
        {"cancel keeps the proposal", 0, "abc", nullptr, {"x", cancel}, nullptr, "abc"},
        {"escape", 0, "abc", nullptr, {"<escape>"}, nullptr, "abc"},
        {"backspace into the proposal", 0, "abc", nullptr, {"\b\b", "<return>"}, "a", "a"},
        {"released beside Ok", 0, "hi", nullptr, {"press 141 185", "release 250 250", "<return>"}, "hi", "hi"},
        {"special keys stay out of the text", 0, "ab", nullptr, {"<left>", "<delete>", "<insert>", "%", "<return>"},
         "ab%", "ab%"},
        {"tab is ignored", 0, "a", nullptr, {"\t", "<return>"}, "a", "a"},
        {"no info button without an info text", 0, "a", nullptr, {info, "<return>"}, "a", "a"},
        {"info shows a text box", 0, "a", "More about it", {info, "<escape>", "b", "<return>"}, "ab", "ab"},
        {"the first click in the field shows the cursor after the text", 0, "abcd", nullptr,
         {"click 125 160", "X", "<return>"}, "abcdX", "abcdX"},
        {"a later click places it", 0, "abcd", nullptr, {"click 125 160", "click 125 160", "X", "<return>"}, "abXcd",
         "abXcd"},
        {"a click after typing places it", 0, "abcd", nullptr, {"e", "click 123 160", "\b", "<return>"}, "bcde",
         "bcde"},
        {"a proposal wider than the field is cut", 0, std::string(300, 'z'), nullptr, {"<return>"},
         "cut", std::string(130, 'z')},
    };
    for (const InputCase &c : cases) {
        SCOPED_TRACE(c.name);
        calls_.clear();
        std::vector<char> buffer(400, 0);
        std::memcpy(buffer.data(), c.proposed.data(), c.proposed.size());
        Script(c.script);
        char *result = EingabeBox(buffer.data(), kIx, kIy, "Name?", c.info, c.flags);
        if (c.result) {
            EXPECT_EQ(result, buffer.data());
        } else {
            EXPECT_EQ(result, nullptr);
        }
        EXPECT_EQ(std::string(buffer.data()), c.buffer);
        ExpectUntouched();
        EXPECT_EQ(Called("copy 293"), c.info != nullptr);
    }
}

TEST_P(EingabeBoxTest, ShowsTitlePromptButtonsAndTheText)
{
    snapOn_ = {146};  // the Ok button pressed
    Script({"typed", "press 141 185", "release 141 185"});
    char buffer[256] = "";
    EXPECT_EQ(EingabeBox(buffer, kIx, kIy, "Name?", "i", 0), buffer);
    EXPECT_STREQ(buffer, "typed");
    ExpectUntouched();
    ASSERT_EQ(snaps_.size(), 1u);
    const Snapshot &s = snaps_[0].second;
    EXPECT_EQ(ReadIn(s, kIx + 145, kIy + 11, 7), "input");
    EXPECT_EQ(ReadIn(s, kIx + 147, kIy + 36, 7), "Name?");
    EXPECT_EQ(ReadIn(s, kIx + 21, kIy + 53, 7), "typed");
    EXPECT_EQ(AtIn(s, kIx + 61, kIy + 76), Ink(143));
    EXPECT_EQ(AtIn(s, kIx + 91, kIy + 76), Ink(147));
    EXPECT_EQ(AtIn(s, kIx + 303, kIy + 118), Ink(142));
    for (ULONG n = 143; n <= 148; ++n) EXPECT_TRUE(Called("hold " + std::to_string(n))) << n;
}

TEST_P(EingabeBoxTest, BoxThatCannotBeShown)
{
    struct Case {
        const char *name;
        int what;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"no box picture", 0,
         {"EingabeBoxLoadGfx : Konnte Grafik 142 nicht finden !\n", "EingabeBox : Konnte nicht alle Grafiken laden !\n"}},
        {"no button picture", 1,
         {"EingabeBoxLoadGfx : Konnte Grafik 146 nicht finden !\n", "EingabeBox : Konnte nicht alle Grafiken laden !\n"}},
        {"no font", 2, {"EingabeBox : Konnte Font nicht finden !\n"}},
        {"no room to save the area", 3, {"EingabeBox : Konnte Hintergrund nicht retten !\n"}},
    };
    const DialogPainter working = DialogPaint;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        AddPicture(142, 304, 119);
        AddPicture(146, 22, 20);
        WriteBytes("Fonts/XHelvetica11.fnt", BuildFont(BarcodeFontSpec()));
        DialogPaint = working;
        switch (c.what) {
        case 0: RemovePicture(142); break;
        case 1: RemovePicture(146); break;
        case 2: std::remove("Fonts/XHelvetica11.fnt"); break;
        default: DialogPaint.ScreenSaveClip = nullptr; break;
        }
        char buffer[256] = "kept";
        StdoutCapture out;
        EXPECT_EQ(EingabeBox(buffer, kIx, kIy, "?", nullptr, 0), nullptr);
        const std::string printed = out.Take();
        for (const std::string &m : c.messages) EXPECT_NE(printed.find(m), std::string::npos) << m;
        EXPECT_STREQ(buffer, "kept");
        ExpectUntouched();
    }
    EXPECT_EQ(EingabeBox(nullptr, kIx, kIy, "?", nullptr, 0), nullptr);
}

// ---- Text box --------------------------------------------------------------------------

// A hundred lines "T0" to "T99", 9 rows apart in a window of 305 rows at (101, 88):
// a scroll range of 613 rows (the content counts one line more, and one spare).
std::string HundredLines()
{
    std::string text;
    for (int i = 0; i < 100; ++i) text += (i ? "\n" : "") + std::string("T") + std::to_string(i);
    return text;
}

class TextBoxTest : public BoxesTest {
protected:
    // The first whole line in the window at a scroll position in percent.
    void ExpectTopLine(const Snapshot &s, int percent)
    {
        const LONG p = percent * 613 / 100;
        const LONG line = (p + 8) / 9;
        EXPECT_EQ(ReadIn(s, 101, 88 + 9 * line - p, 7), "T" + std::to_string(line)) << percent << " %";
    }
};

TEST_P(TextBoxTest, ScrollsByArrowsKeysAndTrack)
{
    const std::string close = "click 535 380";
    struct Case {
        const char *name;
        std::vector<std::string> script;
        int percent;
    };
    const Case cases[] = {
        {"closed at once", {close}, 0},
        {"down arrow held for three ticks", {"press 533 353", "<tick>", "<tick>", "<tick>", "release 533 353", close}, 30},
        {"a click shorter than a tick", {"click 533 353", close}, 0},
        {"ticks off the arrow do not scroll",
         {"press 533 353", "<tick>", "drag 600 353", "<tick>", "release 600 353", close}, 10},
        {"up at the top stays", {"press 533 100", "<tick>", "release 533 100", close}, 0},
        {"cursor keys", {"<down>", "<down>", "<up>", close}, 10},
        {"a press on the track", {"click 533 229", close}, 50},
        {"dragging along the track", {"press 533 229", "drag 533 330", "release 533 330", close}, 100},
    };
    const std::string text = HundredLines();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        snaps_.clear();
        snapOn_ = {143};  // the close button released
        Script(c.script);
        EXPECT_EQ(TextBox(text.c_str()), 1);
        ExpectUntouched();
        ASSERT_EQ(snaps_.size(), 1u);
        ExpectTopLine(snaps_[0].second, c.percent);
    }
}

TEST_P(TextBoxTest, ClosesOnlyOnReleaseInsideTheCloseButton)
{
    const std::string text = HundredLines();
    for (const std::vector<std::string> &script :
         {std::vector<std::string>{"press 535 380", "release 600 450", "<escape>"},
          std::vector<std::string>{"press 400 200", "release 535 380", "<escape>"}, std::vector<std::string>{"<escape>"}}) {
        Script(script);
        EXPECT_EQ(TextBox(text.c_str()), 1);
        ExpectUntouched();  // the escape was still taken
    }
}

TEST_P(TextBoxTest, ShowsTitleArrowsAndText)
{
    snapOn_ = {143};
    Script({"click 535 380"});
    EXPECT_EQ(TextBox("first line\nsecond"), 1);
    ExpectUntouched();
    ASSERT_EQ(snaps_.size(), 1u);
    const Snapshot &s = snaps_[0].second;
    EXPECT_EQ(ReadIn(s, 66 + 253 - 11, 50 + 6 + 11, 7), "information");
    EXPECT_EQ(ReadIn(s, 101, 88, 7), "first line");
    EXPECT_EQ(ReadIn(s, 101, 97, 7), "second");
    EXPECT_EQ(AtIn(s, 102, 88 + 20), Ink(6));
    EXPECT_EQ(AtIn(s, 530, 100), Ink(123));
    EXPECT_EQ(AtIn(s, 530, 350), Ink(125));
    EXPECT_EQ(AtIn(s, 527, 117), Ink(25));  // the knob's light edge: the text fits
}

TEST_P(TextBoxTest, PlacedOnTheWholeDisplayOverTheMap)
{
    if (Depth() == 8) GTEST_SKIP() << "the 8-bit display is the game area";
    VekDisplay.VekScreen = 3;
    Escape();
    EXPECT_EQ(TextBox("x"), 1);
    EXPECT_TRUE(Called("blit 123 605,155"));
    EXPECT_TRUE(Called("blit 125 605,406"));
    ExpectUntouched();
}

TEST_P(TextBoxTest, BoxThatCannotBeShown)
{
    {
        StdoutCapture out;
        EXPECT_EQ(TextBox(nullptr), 0);
        EXPECT_NE(out.Take().find("TextBox : Konnte Requester nicht darstellen !\n"), std::string::npos);
    }
    ExpectUntouched();
    RemovePicture(293);
    {
        StdoutCapture out;
        EXPECT_EQ(TextBox("x"), 0);
        EXPECT_NE(out.Take().find("TextBox : Konnte Grafik nicht finden !\n"), std::string::npos);
    }
    ExpectUntouched();
}

// ---- Choose box ---------------------------------------------------------------------------

void Be16(Bytes &b, uint32_t v)
{
    b.push_back((uint8_t)(v >> 8));
    b.push_back((uint8_t)v);
}

void Be32(Bytes &b, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8) b.push_back((uint8_t)(v >> s));
}

struct GadgetSpec {
    UWORD up, down, flags, x0, y0, x1, y1;
    const char *code;
};

// A description with the gadgets and the heading rectangle the choose box relies on.
Bytes ChooseBoxFile()
{
    const GadgetSpec gadgets[] = {
        {0, 0, GADGET_HIDDEN, 38, 59, 145, 156, "CH00"}, {401, 402, 0, 150, 44, 166, 62, "UP00"},
        {403, 404, 0, 150, 131, 166, 149, "DO00"},        {0, 0, GADGET_HIDDEN, 150, 66, 166, 130, "REQ0"},
        {405, 406, 0, 20, 180, 60, 205, "INFO"},          {407, 408, 0, 75, 180, 115, 205, "OKOK"},
        {409, 410, 0, 130, 180, 170, 205, "EXIT"},
    };
    const uint32_t n = sizeof gadgets / sizeof gadgets[0];
    Bytes f(32, 0);
    Be32(f, 0);
    Be32(f, 2);
    const uint32_t body = 8 + 12 * 2;
    Be32(f, TAG_GADGETDATA);
    Be32(f, n);
    Be32(f, body);
    Be32(f, TAG_RECHTECK);
    Be32(f, 1);
    Be32(f, body + 24 * n);
    for (const GadgetSpec &g : gadgets) {
        for (UWORD v : {g.up, g.down, (UWORD)0, g.flags, g.x0, g.y0, g.x1, g.y1}) Be16(f, v);
        for (int i = 0; i < 4; ++i) f.push_back((uint8_t)g.code[i]);
        Be32(f, 0);
    }
    for (UWORD v : {10, 10, 185, 30}) Be16(f, v);
    return f;
}

constexpr const char *kChooseFile = "./Data/screendat/ChooseBox.dat";
constexpr LONG kCx = 200, kCy = 100;  // the box; its list window at (239, 160), 105 x 95

class ChooseBoxTest : public BoxesTest {
protected:
    void SetUp() override
    {
        BoxesTest::SetUp();
        MakeDirs("Data/screendat");
        WriteBytes(kChooseFile, ChooseBoxFile());
    }
    std::vector<char> Lines(int n)
    {
        std::vector<char> b((size_t)n * REQ_LINE_SIZE, 0);
        for (int i = 0; i < n; ++i) std::snprintf(&b[(size_t)i * REQ_LINE_SIZE], REQ_LINE_SIZE, "C%d", i);
        return b;
    }
};

TEST_P(ChooseBoxTest, ChoicesAndAnswers)
{
    const std::string okok = "click 295 292", exit = "click 350 292", info = "click 240 292";
    const std::string down = "click 358 240";
    struct Case {
        const char *name;
        int lines;
        std::vector<std::string> script;
        LONG result;
    };
    const Case cases[] = {
        {"Ok before any line", 20, {okok}, -1},
        {"a line, then Ok", 20, {"click 260 182", okok}, 2},
        {"a line, then below the last line", 5, {"click 260 182", "click 260 220", okok}, -1},
        {"exit after a line", 20, {"click 260 182", exit}, -1},
        {"escape", 20, {"click 260 182", "<escape>"}, -1},
        {"scrolled down, then a line", 20, {down, "click 260 190", okok}, 4},
        {"the slider track, then a line", 20, {"click 358 198", "click 260 165", okok}, 5},
        {"info, then Ok", 20, {"click 260 182", info, "<escape>", okok}, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        calls_.clear();
        const std::vector<char> lines = Lines(c.lines);
        Script(c.script);
        EXPECT_EQ(ChooseBox(kChooseFile, kCx, kCy, (UWORD)c.lines, "Wares", lines.data(), "about"), c.result);
        ExpectUntouched();
        EXPECT_EQ(Called("copy 293"), c.script.size() > 2 && c.script[1] == info);
    }
}

TEST_P(ChooseBoxTest, ShowsHeadingGadgetsAndTheHighlightedLine)
{
    snapOn_ = {407};
    const std::vector<char> lines = Lines(8);
    Script({"click 260 182", "click 295 292"});
    EXPECT_EQ(ChooseBox(kChooseFile, kCx, kCy, 8, "Wares", lines.data(), nullptr), 2);
    ExpectUntouched();
    ASSERT_FALSE(snaps_.empty());
    const Snapshot &s = snaps_.back().second;
    EXPECT_EQ(ReadIn(s, kCx + 92, kCy + 17, 12), "Wares");
    EXPECT_EQ(ReadIn(s, kCx + 39, kCy + 60, 12), "C0");
    EXPECT_EQ(ReadIn(s, kCx + 39, kCy + 60 + 18, 11), "C2");
    EXPECT_EQ(AtIn(s, kCx + 140, kCy + 60 + 18), Ink(12));
    EXPECT_EQ(AtIn(s, kCx + 140, kCy + 60 + 9), Ink(11));
    EXPECT_EQ(AtIn(s, kCx + 151, kCy + 45), Ink(401 & 0xFF));  // gadgets drawn into the box
    EXPECT_EQ(AtIn(s, kCx + 1, kCy + 1), Ink(340 & 0xFF));
    EXPECT_TRUE(Called("blit 408 275,280"));  // the Ok gadget pressed, on the display
}

TEST_P(ChooseBoxTest, BoxThatCannotBeShown)
{
    const std::vector<char> lines = Lines(3);
    EXPECT_EQ(ChooseBox("./Data/screendat/Missing.dat", kCx, kCy, 3, "h", lines.data(), nullptr), -1);
    ExpectUntouched();
    EXPECT_EQ(ChooseBox(kChooseFile, kCx, kCy, 3, "h", nullptr, nullptr), -1);
    ExpectUntouched();
    RemovePicture(340);
    EXPECT_EQ(ChooseBox(kChooseFile, kCx, kCy, 3, "h", lines.data(), nullptr), -1);
    ExpectUntouched();
}

// ---- Participant list ---------------------------------------------------------------------

constexpr LONG kPx = 100, kPy = 40;

class TeilnehmerTest : public BoxesTest {
protected:
    LONG ClickAt(TeilnehmerReq *list, LONG x, LONG y)
    {
        MousePosition = {kPx + x, kPy + y};
        return TeilnehmerReq_MausKlick(list, (UWORD)(kPy + y));
    }
    std::vector<char> lines_ = [] {
        std::vector<char> b(40 * REQ_LINE_SIZE, 0);
        for (int i = 0; i < 40; ++i) std::snprintf(&b[(size_t)i * REQ_LINE_SIZE], REQ_LINE_SIZE, "P%d", i);
        return b;
    }();
};

TEST_P(TeilnehmerTest, ClicksByArea)
{
    TeilnehmerReq *list = TeilnehmerReq_Open(kPx, kPy, 40, lines_.data());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Entry, TEILNEHMER_NONE);
    EXPECT_EQ(Read(kPx + 137, kPy + 9, 0), "Teilnehmer");
    EXPECT_EQ(Read(kPx + 17, kPy + 32, 7), "P0");
    EXPECT_EQ(Display()->Font, look_.Font);
    EXPECT_EQ(Display()->FgPen, look_.FgPen);

    EXPECT_EQ(ClickAt(list, 50, 32 + 27 + 2), 5);
    EXPECT_EQ(list->Entry, 3);
    EXPECT_EQ(Read(kPx + 17, kPy + 32 + 27, 21), "P3");
    EXPECT_EQ(Display()->Font, look_.Font);

    EXPECT_EQ(ClickAt(list, 5, 5), -1);
    calls_.clear();
    EXPECT_EQ(ClickAt(list, 297, 30), 2);
    EXPECT_EQ(calls_, (std::vector<std::string>{"blit 124 389,64", "delay 10", "blit 123 389,64"}));
    EXPECT_EQ(ClickAt(list, 297, 300), 3);
    EXPECT_EQ(list->VekReqPtr->ReqProzent, 10);
    EXPECT_EQ(ClickAt(list, 296, 292), 1);
    EXPECT_EQ(list->VekReqPtr->ReqProzent, 100);
    calls_.clear();
    EXPECT_EQ(ClickAt(list, 230, 340), 4);
    EXPECT_EQ(calls_, (std::vector<std::string>{"blit 100 308,367", "delay 10", "blit 101 308,367"}));
    RemovePicture(100);
    EXPECT_EQ(ClickAt(list, 230, 340), -1);
    EXPECT_EQ(ClickAt(list, 50, 316), -1);  // below the list

    EXPECT_EQ(ClickAt(list, 280, 340), 0);  // closed and freed
    ExpectUntouched();
    EXPECT_EQ(TeilnehmerReq_MausKlick(nullptr, 100), -1);
    TeilnehmerReq_Close(nullptr);
}

TEST_P(TeilnehmerTest, ListThatCannotBeShown)
{
    RemovePicture(77);
    {
        StdoutCapture out;
        EXPECT_EQ(TeilnehmerReq_Open(kPx, kPy, 40, lines_.data()), nullptr);
        EXPECT_NE(out.Take().find("TeilnehmerReq_Open : Konnte Grafik nicht \366ffnen bzw. blitten !\n"),
                  std::string::npos);
    }
    ExpectUntouched();
    AddPicture(77, 320, 385);
    std::remove("Fonts/KavorN.fnt");
    {
        StdoutCapture out;
        EXPECT_EQ(TeilnehmerReq_Open(kPx, kPy, 40, lines_.data()), nullptr);
        EXPECT_NE(out.Take().find("TeilnehmerReq_Open : Konnte Kavor-Font nicht \366ffnen !\n"), std::string::npos);
    }
    ExpectUntouched();
}

INSTANTIATE_TEST_SUITE_P(Depths, EingabeBoxTest, ::testing::Values(8, 16, 32));
INSTANTIATE_TEST_SUITE_P(Depths, TextBoxTest, ::testing::Values(8, 16, 32));
INSTANTIATE_TEST_SUITE_P(Depths, ChooseBoxTest, ::testing::Values(8, 16, 32));
INSTANTIATE_TEST_SUITE_P(Depths, TeilnehmerTest, ::testing::Values(8, 16, 32));

}  // namespace
