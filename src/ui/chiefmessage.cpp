// The advisor's message box (title, up to seven centred lines, Ok or Ok and
// Cancel, modal or kept open by its owner) and the switch box of 2 to 12
// stacked choices. Both draw off screen and put back what they covered.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/memfile.h"
#include "platform/catalog.h"
#include "ui/dialog_local.h"
#include "gfx/font.h"
#include "ui/input.h"
#include "gfx/printing.h"
#include "platform/strings.h"
#include "platform/system.h"

namespace {

constexpr const char *kFont1 = "Fonts/KavorC1.fnt";
constexpr const char *kFont2 = "Fonts/XHelvetica11.fnt";

// ---- Layout ------------------------------------------------------------------

constexpr LONG kMaxWidth = 270;   // pixels of one line
constexpr LONG kCentreX = 152;    // lines are centred here in the box picture
constexpr LONG kOneLineY = 60;    // baseline of a text that fits one line

struct Word {
    size_t start, len;
};

std::vector<Word> WordsOf(const char *s)
{
    std::vector<Word> words;
    for (size_t i = 0; s[i];) {
        if (s[i] == ' ') {
            ++i;
            continue;
        }
        const size_t start = i;
        while (s[i] && s[i] != ' ') ++i;
        words.push_back({start, i - start});
    }
    return words;
}

LONG Width(RastPort *rp, const char *s) { return TextLength(rp, s, (ULONG)std::strlen(s)); }

// The number of words whose summed widths (spaces not counted) come nearest p.
size_t BestSpace(RastPort *rp, const char *text, LONG p)
{
    const std::vector<Word> words = WordsOf(text);
    if (words.empty()) return 0;
    std::vector<LONG> sum(words.size() + 1, 0);
    for (size_t k = 0; k < words.size(); ++k)
        sum[k + 1] = sum[k] + TextLength(rp, text + words[k].start, (ULONG)words[k].len);
    if (sum[1] > 2 * p) return 0;
    size_t k = 1;
    while (k < words.size() && std::labs(p - sum[k + 1]) <= std::labs(p - sum[k])) ++k;
    return k;
}

// Splits the last non-empty line after word k of the whole text.
void SplitAfter(ChiefStruktur2 *l, size_t k)
{
    int last = -1;
    for (int i = 0; i < CHIEF_LINES; ++i)
        if (l->Line[i].text[0]) last = i;
    if (last < 0 || last == CHIEF_LINES - 1) return;
    size_t before = 0;
    for (int i = 0; i < last; ++i) before += WordsOf(l->Line[i].text).size();
    if (k <= before) return;
    const size_t r = k - before;
    char *line = l->Line[last].text;
    const std::vector<Word> words = WordsOf(line);
    if (r >= words.size()) return;
    const size_t cut = words[r - 1].start + words[r - 1].len;  // the space after word r
    // The lines are separate buffers; the rest moves after the one space.
    const size_t rest = std::strlen(line + cut + 1);
    std::memcpy(l->Line[last + 1].text, line + cut + 1, rest + 1);
    line[cut] = 0;
}

bool AllFit(RastPort *rp, const ChiefStruktur2 *l)
{
    for (const ChiefLine &line : l->Line)
        if (Width(rp, line.text) > kMaxWidth) return false;
    return true;
}

void DrawLayout(RastPort *rp, const ChiefStruktur2 &l, LONG lines)
{
    for (LONG n = 0; n < lines; ++n) {
        const ChiefLine &line = l.Line[n];
        if (!line.text[0]) continue;
        Move(rp, line.x, line.y);
        Text(rp, line.text, (ULONG)std::strlen(line.text));
    }
}

// ---- Message box -------------------------------------------------------------

constexpr LONG kButtonY = 103;
constexpr LONG kLabelY = 117;
constexpr UWORD kButtonUp = 153, kButtonDown = 154;
constexpr LONG kAnswerOk = 0, kAnswerCancel = 1;

bool TwoButtons(const ChiefStruktur1 *box) { return box->OKFlag & CHIEF_OKCANCEL; }

LONG BoxWidth(const ChiefStruktur1 *box) { return (LONG)box->BoxBitMap->Breite; }

void DrawButton(ChiefStruktur1 *box, LONG which, bool pressed)
{
    RastPort *rp = box->RastPortPtr;
    const LONG centre = BoxWidth(box) / 2;
    const char *label = which == kAnswerOk ? "Ok" : "Cancel";
    LONG gx, lx;
    if (!TwoButtons(box)) {
        gx = 109;
        lx = centre;
    } else if (which == kAnswerOk) {
        gx = 39;
        lx = centre - 70;
    } else {
        gx = 179;
        lx = centre + 70;
    }
    DlgBlit(rp, pressed ? kButtonDown : kButtonUp, gx, kButtonY);
    Move(rp, lx - Width(rp, label) / 2, kLabelY);
    Text(rp, label, (ULONG)std::strlen(label));
}

void DrawButtons(ChiefStruktur1 *box)
{
    DrawButton(box, kAnswerOk, false);
    if (TwoButtons(box)) DrawButton(box, kAnswerCancel, false);
}

void ShowBox(ChiefStruktur1 *box) { ShowOnDisplay(box->BoxBitMap, box->Grafik1_IDX, box->Grafik1_IDY); }

// Lays out and draws text in font 2; 0 when it cannot be laid out.
int DrawMessage(ChiefStruktur1 *box, const char *text)
{
    RastPort *rp = box->RastPortPtr;
    SetFont(rp, box->ChiefFont2Ptr);
    auto *layout = (ChiefStruktur2 *)AllocVec(sizeof(ChiefStruktur2), MEMF_PUBLIC | MEMF_CLEAR);
    const LONG lines = ChiefLayoutText(rp, text, layout);
    if (lines > 0) DrawLayout(rp, *layout, lines);
    FreeVec(layout);
    return lines >= 0;
}

// Frees what the box holds without touching the display.
void FreeBox(ChiefStruktur1 *box)
{
    if (!box) return;
    FreeBitMap(box->BackroundBitMap);
    FreePort(box->RastPortPtr);
    FreeBitMap(box->BoxBitMap);
    CloseFont(box->ChiefFont1Ptr);
    CloseFont(box->ChiefFont2Ptr);
    FreeVec(box);
}

// The open box, or null when it cannot be shown (the display as it was).
ChiefStruktur1 *OpenBox(UWORD pic, UWORD x, UWORD y, UWORD pic3, UWORD x3, UWORD y3, UBYTE mode, const char *text,
                        UWORD textPen)
{
    auto *box = (ChiefStruktur1 *)AllocVec(sizeof(ChiefStruktur1), MEMF_PUBLIC | MEMF_CLEAR);
    box->OKFlag = mode;
    box->Grafik1_ID = pic;
    box->Grafik1_IDX = x;
    box->Grafik1_IDY = y;
    box->Grafik3_ID = pic3;
    box->Grafik3_IDX = x3;
    box->Grafik3_IDY = y3;
    box->ChiefFont1Ptr = OpenDiskFont(kFont1);
    if (!box->ChiefFont1Ptr) {
        std::printf("ChiefMessage : Konnte Font nicht \366ffnen(KavorC1) !\n");
        FreeBox(box);
        return nullptr;
    }
    box->ChiefFont2Ptr = OpenDiskFont(kFont2);
    if (!box->ChiefFont2Ptr) {
        std::printf("ChiefMessage : Konnte Font nicht \366ffnen (Helvetica11) !\n");
        FreeBox(box);
        return nullptr;
    }
    // The box draws into a copy of its own: the loaded picture may be shared.
    box->BoxBitMap = DlgCopyGfx(pic);
    if (!box->BoxBitMap) {
        std::printf("ChiefMessage : Konnte Grafik nicht finden !\n");
        FreeBox(box);
        return nullptr;
    }
    box->RastPortPtr = NewPort(box->BoxBitMap, nullptr);
    if (pic3 != 0) {
        QuitChiefMessage(box);
        return nullptr;
    }
    const LONG w = BoxWidth(box), h = (LONG)box->BoxBitMap->Hoehe;
    box->BackroundBitMap = DlgSaveArea(x, y, w, h);
    if (!box->BackroundBitMap) {
        std::printf("ChiefMessage:Konnte Hintergrund nicht retten (X:%u  Y:%u )!Aufrufer hat folgenden String "
                    "uebergeben:%s\n",
                    (unsigned)x, (unsigned)y, text ? text : "");
        FreeBox(box);
        return nullptr;
    }
    RastPort *rp = box->RastPortPtr;
    SetFont(rp, box->ChiefFont1Ptr);
    SetDrMd(rp, JAM1);
    const char *title = GetString(&_VEK_NVC_TITEL);
    Move(rp, w / 2 - Width(rp, title) / 2, 13);
    Text(rp, title, (ULONG)std::strlen(title));
    SetAPen(rp, textPen);
    if (!DrawMessage(box, text)) std::printf("ChiefMessage : Der Text konnte nicht dargestellt werden\n");
    SetFont(rp, box->ChiefFont1Ptr);
    if (mode < CHIEF_NONMODAL) DrawButtons(box);
    ShowBox(box);
    return box;
}

// ---- Switch box ------------------------------------------------------------------

constexpr LONG kSwitchWidth = 240;
constexpr LONG kTextX0 = 24, kTextX1 = 214;

// Choice k (from 1) as a bounded text.
std::string Choice(const char *choices, ULONG k)
{
    const char *slot = choices + (size_t)(k - 1) * REQ_LINE_SIZE;
    return std::string(slot, strnlen(slot, REQ_LINE_SIZE - 1));
}

// Top of the text rectangle and of the hit picture of choice k.
LONG ChoiceTop(ULONG k) { return k == 1 ? 22 : 52 + 30 * ((LONG)k - 2); }

void FreeSwitchBox(SwitchBoxRequester *sb)
{
    FreePort(sb->SwitchBoxRastPortPtr);
    FreeBitMap(sb->SwitchBoxBitMapPtr);
    CloseFont(sb->BoxFontPtr);
    DlgRestoreArea(sb->BackBitMapPtr, (LONG)sb->XPos, (LONG)sb->YPos, (LONG)sb->Breite, (LONG)sb->Hoehe);
    FreeVec(sb);
}

bool BuildSwitchBox(SwitchBoxRequester *sb)
{
    const LONG x = (LONG)sb->XPos, y = (LONG)sb->YPos, w = (LONG)sb->Breite, h = (LONG)sb->Hoehe;
    sb->BackBitMapPtr = DlgSaveArea(x, y, w, h);
    if (!sb->BackBitMapPtr) {
        std::printf("SwitchBox : Konnte Hintergrund nicht retten !\n");
        return false;
    }
    sb->BoxFontPtr = OpenDiskFont(kFont2);
    if (!sb->BoxFontPtr) {
        std::printf("SwitchBox : Konnte Font nicht finden !\n");
        return false;
    }
    sb->SwitchBoxBitMapPtr = AllocDisplayBitMap((ULONG)w, (ULONG)h);
    if (!sb->SwitchBoxBitMapPtr) {
        std::printf("SwitchBox : Konnte BitMap nicht allokieren !\n");
        return false;
    }
    sb->SwitchBoxRastPortPtr = NewPort(sb->SwitchBoxBitMapPtr, sb->BoxFontPtr);
    if (!sb->SwitchBoxRastPortPtr) {
        std::printf("SwitchBox : Konnte Speicher f\374r RastPort nicht allokieren\n");
        return false;
    }
    return true;
}

void DrawSwitchBox(SwitchBoxRequester *sb)
{
    RastPort *rp = sb->SwitchBoxRastPortPtr;
    const ULONG n = sb->Entries;
    auto print = [&](ULONG k, LONG top) {
        const std::string text = Choice(sb->TextBuffer, k);
        PrintText(rp, kTextX0, (UWORD)top, kTextX1, (UWORD)(top + 26), text.c_str(), 0, 7,
                  PT_CENTER | PT_BASELINE | PT_VCENTER);
    };
    DlgBlit(rp, 355, 0, 0);
    print(1, ChoiceTop(1));
    bool middle = true;
    for (ULONG k = 2; k < n; ++k) {
        if (!DlgBlit(rp, 356, 0, 48 + 30 * ((LONG)k - 2))) {
            std::printf("SwitchBox : Konnte Grafik nicht finden !\n");
            middle = false;
            break;
        }
        print(k, ChoiceTop(k));
    }
    DlgBlit(rp, 357, 0, (LONG)sb->Hoehe - 56);
    print(n, middle ? ChoiceTop(n) : ChoiceTop(2));
}

}  // namespace

LONG ChiefLayoutText(RastPort *rp, const char *text, ChiefStruktur2 *l)
{
    if (!l) return -1;
    std::memset(l, 0, sizeof *l);
    if (!text) return 0;
    const size_t len = strnlen(text, CHIEF_TEXT_SIZE);
    if (len >= (size_t)CHIEF_TEXT_SIZE) return 0;
    const LONG w = Width(rp, text);
    if (w <= kMaxWidth) {
        l->Line[0] = {(UWORD)(kCentreX - w / 2), (UWORD)kOneLineY, {}};
        std::memcpy(l->Line[0].text, text, len + 1);
        return 1;
    }
    for (LONG j = 2; j <= CHIEF_LINES; ++j) {
        std::memset(l, 0, sizeof *l);
        std::memcpy(l->Line[0].text, text, len + 1);
        const LONG step = w / j;
        for (LONG i = 1; i < j; ++i) {
            SplitAfter(l, BestSpace(rp, text, i * step));
            if (!AllFit(rp, l)) continue;
            for (LONG n = 0; n < j; ++n) {
                ChiefLine &line = l->Line[n];
                line.x = (UWORD)(kCentreX - Width(rp, line.text) / 2);
                line.y = (UWORD)(62 - 6 * (j - 1) + 12 * n);
            }
            return j;
        }
    }
    std::memset(l, 0, sizeof *l);
    return -1;
}

ChiefStruktur1 *ChiefMessageOpen(UWORD pic, UWORD x, UWORD y, UWORD pic3, UWORD x3, UWORD y3, UBYTE mode,
                                 const char *text, UWORD textPen)
{
    return OpenBox(pic, x, y, pic3, x3, y3, mode, text, textPen);
}

LONG ChiefMessage(UWORD pic, UWORD x, UWORD y, UWORD pic3, UWORD x3, UWORD y3, UBYTE mode, const char *text,
                  UWORD textPen)
{
    ChiefStruktur1 *box = OpenBox(pic, x, y, pic3, x3, y3, mode, text, textPen);
    // A question that cannot be asked is not taken as consent.
    if (!box) return (mode & CHIEF_OKCANCEL) ? kAnswerCancel : kAnswerOk;
    const LONG answer = ChiefMessageGetInput(box);
    QuitChiefMessage(box);
    return answer;
}

LONG ChiefMessageGetInput(ChiefStruktur1 *box)
{
    if (!box || !box->RastPortPtr) return kAnswerCancel;
    SetFont(box->RastPortPtr, box->ChiefFont1Ptr);
    if (box->OKFlag >= CHIEF_NONMODAL) {
        DrawButtons(box);
        ShowBox(box);
    }
    const LONG x = box->Grafik1_IDX, y = box->Grafik1_IDY;
    DialogButton buttons[2] = {};
    if (TwoButtons(box)) {
        buttons[0] = {x + 42, y + 103, x + 138, y + 119, 0, 0, 0, 0, false, true};
        buttons[1] = {x + 182, y + 103, x + 262, y + 119, 0, 0, 0, 0, false, true};
    } else {
        buttons[0] = {x + 112, y + 103, x + 192, y + 119, 0, 0, 0, 0, false, true};
    }
    ButtonTracker tracker;
    tracker.Buttons = buttons;
    tracker.Count = TwoButtons(box) ? 2 : 1;
    LONG answer = -1;
    while (answer < 0) {
        const ULONG code = GetKey(0);
        if (code == KEY_ESCAPE)
            answer = kAnswerCancel;
        else if (code == KEY_RETURN)
            answer = kAnswerOk;
        else
            answer = TrackButtons(&tracker, code, MousePosition.X, MousePosition.Y);
    }
    if (answer == kAnswerOk || TwoButtons(box)) {
        DrawButton(box, answer, true);
        ShowBox(box);
        DlgDelay(5);
        DrawButton(box, answer, false);
        ShowBox(box);
        DlgDelay(5);
    }
    return answer;
}

LONG SetChiefMessageText(ChiefStruktur1 *box, const char *text)
{
    if (!text || !*text) {
        std::printf("SetChiefMessageText : String ist leer !\n");
        return 0;
    }
    if (!box || !box->RastPortPtr) return 0;
    RastPort *rp = box->RastPortPtr;
    SetDrMd(rp, JAM1);
    SetAPen(rp, 6);
    RectFill(rp, 17, 17, 286, 102);
    SetAPen(rp, 7);
    const int laidOut = DrawMessage(box, text);
    ShowBox(box);
    if (!laidOut) {
        std::printf("SetChiefMessageText : Der Text konnte nicht dargestellt werden \n");
        return 0;
    }
    return 1;
}

void QuitChiefMessage(ChiefStruktur1 *box)
{
    if (!box) return;
    if (box->Grafik3_ID == 0) {
        if (box->BackroundBitMap) {
            BitMap *saved = box->BackroundBitMap;
            box->BackroundBitMap = nullptr;
            DlgRestoreArea(saved, box->Grafik1_IDX, box->Grafik1_IDY, (LONG)saved->Breite, (LONG)saved->Hoehe);
        }
    } else if (!DlgBlit(nullptr, box->Grafik3_ID, box->Grafik3_IDX, box->Grafik3_IDY)) {
        std::printf("ChiefMessage: Konnte Grafik 3 nicht \366ffnen!\n");
    }
    FreeBox(box);
}

LONG SwitchBox(ULONG n, const char *choices)
{
    if (n < 2 || n > 12 || !choices) return 0;
    auto *sb = (SwitchBoxRequester *)AllocVec(sizeof(SwitchBoxRequester), MEMF_PUBLIC | MEMF_CLEAR);
    sb->Entries = n;
    sb->TextBuffer = choices;
    sb->Breite = kSwitchWidth;
    sb->Hoehe = n * 30 + 44;
    const st_Display &d = VekDisplay;
    if (d.VekScreen == 3) {
        sb->XPos = (ULONG)(d.VekScreen_Breite / 2 - kSwitchWidth / 2);
        sb->YPos = (ULONG)(d.VekScreen_Hoehe / 2 - (LONG)sb->Hoehe / 2);
    } else {
        sb->XPos = 200;
        sb->YPos = 240 - sb->Hoehe / 2;
    }
    if (!BuildSwitchBox(sb)) {
        FreeSwitchBox(sb);
        std::printf("SwitchBox: Konnte Requester nicht darstellen...\n");
        return 0;
    }
    DrawSwitchBox(sb);
    const LONG x = (LONG)sb->XPos, y = (LONG)sb->YPos;
    ShowOnDisplay(sb->SwitchBoxBitMapPtr, x, y);

    RastPort *display = DisplayRastPort();
    const PortState before = SavePortState(display);
    sb->RastPortFont = display ? display->Font : nullptr;
    if (display) SetFont(display, sb->BoxFontPtr);

    DialogButton buttons[12] = {};
    for (ULONG k = 1; k <= n; ++k) {
        const LONG y0 = k == 1 ? y + 25 : y + 55 + 30 * ((LONG)k - 2);
        buttons[k - 1] = {x + 27, y0, x + 213, y0 + 22, 0, 0, 0, 0, false, true};
    }
    ButtonTracker tracker;
    tracker.Buttons = buttons;
    tracker.Count = (int)n;
    int hit = -1;
    // Escape and closing the window do not end the box: a choice must be made.
    while (hit < 0) hit = TrackButtons(&tracker, GetKey(0), MousePosition.X, MousePosition.Y);
    const ULONG k = (ULONG)hit + 1;
    const std::string text = Choice(choices, k);
    DlgBlitText(display, 263, text.c_str(), x + kTextX0, y + ChoiceTop(k), 190, 0);
    DlgBlitText(display, 264, text.c_str(), x + kTextX0, y + ChoiceTop(k), 190, 0);

    RestorePortState(display, before);
    FreeSwitchBox(sb);
    return (LONG)k;
}
