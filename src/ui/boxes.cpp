// The input box (one line of text with a character filter), the text box (a
// long text in a scrolling window), the choose box (one line of a short
// list) and the participant list that a screen keeps open and feeds with
// clicks. All are built on the list requester and the text entry.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/memfile.h"
#include "platform/catalog.h"
#include "platform/datakit.h"
#include "ui/dialog_local.h"
#include "gfx/font.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "gfx/printing.h"
#include "ui/screendat.h"
#include "platform/strings.h"
#include "platform/system.h"

namespace {

constexpr const char *kFont1 = "Fonts/KavorC1.fnt";
constexpr const char *kFont2 = "Fonts/XHelvetica11.fnt";
constexpr UWORD kCentred = PT_CENTER | PT_BASELINE | PT_VCENTER;

// Slider pens of every scrolling dialog: face, track, light, dark.
constexpr UWORD kKnobFace = 26, kKnobTrack = 22, kKnobLight = 25, kKnobDark = 24;

void ScrollBy(VekRequester *req, UWORD command)
{
    SetSlider(req, command);
    SetRequesterBox(req, 0, 0);
}

void ScrollTo(VekRequester *req, LONG mouseY)
{
    if (mouseY < 0) return;
    SetSlider(req, (UWORD)mouseY);
    SetRequesterBox(req, 0, 0);
}

// A whole dialog picture as a copy of its own with a port over it.
struct Picture {
    BitMap *Copy = nullptr;
    RastPort *Port = nullptr;
};

bool LoadPicture(Picture *p, ULONG gfx)
{
    p->Copy = DlgCopyGfx(gfx);
    if (!p->Copy) return false;
    p->Port = NewPort(p->Copy, nullptr);
    return p->Port != nullptr;
}

void FreePicture(Picture *p)
{
    FreePort(p->Port);
    FreeBitMap(p->Copy);
    *p = Picture{};
}

// Hover pictures of the gadgets go back before a dialog covers the screen
// and before it puts the screen back, so no saved rectangle outlives it.
void PutBackHoverPictures()
{
    for (GadgetCacheSlot &s : GadgetCacheArray) {
        if (!s.Saved) continue;
        if (GadgetPaint.ScreenRestoreClip)
            GadgetPaint.ScreenRestoreClip(s.Saved, s.X, s.Y, s.W, s.H);
        else if (GadgetPaint.FreeKavorBitMap)
            GadgetPaint.FreeKavorBitMap(s.Saved);
        s = {};
    }
}

// ---- Input box --------------------------------------------------------------

constexpr LONG kInputW = 304, kInputH = 119;
constexpr UWORD kInputMaxPixels = 261;
constexpr ULONG kFirstButtonGfx = 143, kLastButtonGfx = 148;

struct InputBox {
    char *Buffer;
    LONG X, Y;
    RastPort *Display;
    PortState Before;
    BitMap *Saved = nullptr;
    TextFont *Font1 = nullptr, *Font2 = nullptr;
    ULONG Held = 0;  // buttons kept loaded: 143 up to 143 + Held - 1
    Picture Box;
    char Text[EINGABE_MAX + 1] = {};
    UBYTE Widths[EINGABE_MAX + 1] = {};
    bool CursorShown = false;
};

void CloseInputBox(InputBox *b)
{
    if (b->CursorShown) ClearCursor(&VekCursorStruktur);
    b->CursorShown = false;
    FreePicture(&b->Box);
    for (ULONG i = 0; i < b->Held; ++i) DlgReleaseGfx(kFirstButtonGfx + i);
    CloseFont(b->Font1);
    CloseFont(b->Font2);
    DlgRestoreArea(b->Saved, b->X, b->Y, kInputW, kInputH);
    RestorePortState(b->Display, b->Before);
}

bool OpenInputBox(InputBox *b, const char *prompt, const char *info)
{
    b->Saved = DlgSaveArea(b->X, b->Y, kInputW, kInputH);
    if (!b->Saved) {
        std::printf("EingabeBox : Konnte Hintergrund nicht retten !\n");
        return false;
    }
    b->Font1 = OpenDiskFont(kFont1);
    b->Font2 = b->Font1 ? OpenDiskFont(kFont2) : nullptr;
    if (!b->Font2) {
        std::printf("EingabeBox : Konnte Font nicht finden !\n");
        return false;
    }
    for (ULONG gfx = kFirstButtonGfx; gfx <= kLastButtonGfx; ++gfx, ++b->Held) {
        if (!DlgHoldGfx(gfx)) {
            std::printf("EingabeBoxLoadGfx : Konnte Grafik %u nicht finden !\n", (unsigned)gfx);
            std::printf("EingabeBox : Konnte nicht alle Grafiken laden !\n");
            return false;
        }
    }
    b->Box.Copy = DlgCopyGfx(142);
    if (!b->Box.Copy) {
        std::printf("EingabeBoxLoadGfx : Konnte Grafik %u nicht finden !\n", 142u);
        std::printf("EingabeBox : Konnte nicht alle Grafiken laden !\n");
        return false;
    }
    b->Box.Port = NewPort(b->Box.Copy, nullptr);
    if (!b->Box.Port) {
        std::printf("Eingabebox : Konnte RastPort nicht anlegen 001 \n");
        return false;
    }
    RastPort *rp = b->Box.Port;
    SetFont(rp, b->Font1);
    PrintText(rp, 71, 5, 229, 23, GetString(&_VEK_EINGABEBOX), 0, 7, kCentred);
    SetFont(rp, b->Font2);
    const std::string shown = prompt ? std::string(prompt, strnlen(prompt, EINGABE_MAX)) : std::string();
    PrintText(rp, 21, 31, 284, 47, shown.c_str(), 0, 7, kCentred);
    ShowOnDisplay(b->Box.Copy, b->X, b->Y);
    DlgBlit(nullptr, 145, b->X + 30, b->Y + 75);
    DlgBlit(nullptr, 143, b->X + 60, b->Y + 75);
    if (info) DlgBlit(nullptr, 147, b->X + 90, b->Y + 75);

    SetFont(b->Display, b->Font2);
    SetDrMd(b->Display, JAM1);
    SetAPen(b->Display, 7);
    // The proposed text, cut to what the field takes.
    char proposed[EINGABE_MAX + 1] = {};
    ULONG width = 0;
    for (size_t i = 0; i < EINGABE_MAX && b->Buffer[i]; ++i) {
        const ULONG w = TextLength(b->Display, b->Buffer + i, 1);
        if (b->Buffer[i] == '\n' || width + w > kInputMaxPixels) break;
        width += w;
        proposed[i] = b->Buffer[i];
    }
    InitStringInput(b->Display, proposed, b->Text, b->Widths);
    PrintStringInput(b->Display, b->Text, b->X + 21, b->Y + 53, EINGABE_MAX, 1, kInputMaxPixels);
    return true;
}

UWORD CursorLength(const RastPort *display)
{
    return (UWORD)(display->TxHeight > CURSOR_MAX_LENGTH ? CURSOR_MAX_LENGTH : display->TxHeight);
}

// Shows the cursor at pixel x of the field (the end of the text when x is
// past it), belonging to the box's text.
void PlaceCursor(InputBox *b, LONG x)
{
    VekCursor *c = &VekCursorStruktur;
    const LONG fx = b->X + 21, fy = b->Y + 53;
    ULONG end = 0;
    for (size_t i = 0; b->Text[i]; ++i) end += b->Widths[i];
    if (!b->CursorShown) {
        CursorClearValues(c);
        c->BackSaved = 0;
        SetNewCursor((UWORD)fx, (UWORD)fy, (UWORD)(fx + (LONG)end), (UWORD)fy, CursorLength(b->Display), 7, 6);
        b->CursorShown = true;
    }
    // Snap to the nearest character boundary.
    LONG at = fx, best = fx;
    for (size_t i = 0;; ++i) {
        if (std::labs(x - at) < std::labs(x - best)) best = at;
        if (!b->Text[i]) break;
        at += b->Widths[i];
    }
    SetCursor((UWORD)best, (UWORD)fy, CursorLength(b->Display), 7, 6);
    CalcCurrentCursorPosition(b->Text, b->Widths, c, kInputMaxPixels);
    c->VerifyPtr = b->Text;
}

// ---- Text box ------------------------------------------------------------------

constexpr LONG kTextBoxW = 507, kTextBoxH = 381;

}  // namespace

int EingabeBoxAccepts(ULONG c, ULONG flags)
{
    if (c == KEY_BACKSPACE) return 1;
    if ((flags & EINGABE_MAILCHARS) && (c == '-' || c == '.' || c == '@' || c == '_')) return 1;
    if ((flags & EINGABE_SPACE) && c == ' ') return 1;
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const bool digit = c >= '0' && c <= '9';
    if ((flags & EINGABE_ALNUM) && !letter && !digit) return 0;
    if ((flags & EINGABE_NOSPACE) && c == ' ') return 0;
    if ((flags & EINGABE_DIGITS) && !digit) return 0;
    if ((flags & EINGABE_LETTERS) && !letter) return 0;
    return 1;
}

char *EingabeBox(char *buffer, UWORD x, UWORD y, const char *prompt, const char *info, ULONG flags)
{
    std::printf("Routine: EingabeBox\n");
    RastPort *display = DisplayRastPort();
    if (!buffer || !display) return nullptr;
    InputBox b;
    b.Buffer = buffer;
    b.X = x;
    b.Y = y;
    b.Display = display;
    b.Before = SavePortState(display);
    if (!OpenInputBox(&b, prompt, info)) {
        CloseInputBox(&b);
        return nullptr;
    }

    enum { OK, CANCEL, INFO };
    DialogButton buttons[3] = {
        {b.X + 30, b.Y + 75, b.X + 52, b.Y + 95, 145, 146, b.X + 30, b.Y + 75, false, true},
        {b.X + 60, b.Y + 75, b.X + 82, b.Y + 95, 143, 144, b.X + 60, b.Y + 75, false, true},
        {b.X + 90, b.Y + 75, b.X + 112, b.Y + 95, 147, 148, b.X + 90, b.Y + 75, false, info != nullptr},
    };
    ButtonTracker tracker;
    tracker.Buttons = buttons;
    tracker.Count = 3;
    char *result = nullptr;
    for (bool done = false; !done;) {
        const ULONG code = GetKey(0);
        const LONG mx = MousePosition.X, my = MousePosition.Y;
        if (code == KEY_ESCAPE) break;
        if (code >= 1 && code <= 255) {
            if (KeyExtended) continue;  // cursor keys share their codes with characters
            if (!b.CursorShown) PlaceCursor(&b, 1 << 20);
            if (code == KEY_RETURN) {
                result = b.Text[0] ? buffer : nullptr;
                break;
            }
            if (code == 9 || !EingabeBoxAccepts(code, flags)) continue;
            StringInput(code, b.Text, b.Widths, &VekCursorStruktur, EINGABE_MAX, kInputMaxPixels, 1);
            continue;
        }
        const bool newPress = code == EVENT_LEFTDOWN && !tracker.Down;
        switch (TrackButtons(&tracker, code, mx, my)) {
        case OK:
            result = b.Text[0] ? buffer : nullptr;
            done = true;
            break;
        case CANCEL:
            done = true;
            break;
        case INFO: {
            const bool shown = b.CursorShown;
            if (shown) SetCursor(0, 0, 0, 0, 0);
            TextBox(info);
            if (shown) SetCursor(VekCursorStruktur.X, VekCursorStruktur.Y, CursorLength(display), 7, 6);
            break;
        }
        default:
            // The first click shows the cursor after the text, later ones place it.
            if (newPress && tracker.Held < 0 && InRect(mx, my, b.X + 21, b.Y + 53, b.X + 282, b.Y + 69))
                PlaceCursor(&b, b.CursorShown ? mx : 1 << 20);
            break;
        }
    }
    if (result) std::memcpy(buffer, b.Text, std::strlen(b.Text) + 1);
    CloseInputBox(&b);
    return result;
}

LONG TextBox(const char *text)
{
    const st_Display &d = VekDisplay;
    const LONG ox = d.VekScreen == 3 ? ((LONG)d.VekScreen_Breite - 640) / 2 : 0;
    const LONG oy = d.VekScreen == 3 ? ((LONG)d.VekScreen_Hoehe - 480) / 2 : 0;
    const LONG bx = ox + 66, by = oy + 50;
    RastPort *display = DisplayRastPort();
    const PortState before = SavePortState(display);
    BitMap *saved = DlgSaveArea(bx, by, kTextBoxW, kTextBoxH);
    if (!saved) {
        std::printf("TextBox : Konnte Hintergrund nicht retten !\n");
        return 0;
    }
    TextFont *font1 = OpenDiskFont(kFont1);
    TextFont *font2 = font1 ? OpenDiskFont(kFont2) : nullptr;
    Picture box;
    VekRequester *req = nullptr;
    auto close = [&]() {
        ClearRequester(req);
        FreePicture(&box);
        CloseFont(font1);
        CloseFont(font2);
        DlgRestoreArea(saved, bx, by, kTextBoxW, kTextBoxH);
        RestorePortState(display, before);
    };
    if (!font2) {
        std::printf("TextBox : Konnte Font nicht finden !\n");
        close();
        return 0;
    }
    box.Copy = DlgCopyGfx(293);
    if (!box.Copy) {
        std::printf("TextBox : Konnte Grafik nicht finden !\n");
        close();
        return 0;
    }
    box.Port = NewPort(box.Copy, font1);
    if (!box.Port) {
        std::printf("TextBox : Konnte Speicher f\374r RastPort nicht allokieren 001 \n");
        close();
        return 0;
    }
    PrintText(box.Port, 157, 6, 349, 34, GetString(&_VEK_INFOBOX), 0, 7, kCentred);
    ShowOnDisplay(box.Copy, bx, by);
    DlgBlit(nullptr, 123, ox + 525, oy + 95);
    DlgBlit(nullptr, 125, ox + 525, oy + 346);
    req = InitRequesterTextBox(417, font2, text, (UWORD)(ox + 101), (UWORD)(oy + 88), 417, 305, 6, 7, nullptr);
    if (!req) {
        std::printf("TextBox : Konnte Requester nicht darstellen !\n");
        close();
        return 0;
    }
    InitSlider(req, 14, 224, kKnobFace, kKnobTrack, kKnobLight, kKnobDark, (UWORD)(ox + 526), (UWORD)(oy + 117));

    enum { CLOSE, UP, DOWN, TRACK };
    DialogButton buttons[4] = {
        {ox + 524, oy + 370, ox + 546, oy + 390, 143, 144, ox + 524, oy + 370, false, true},
        {ox + 526, oy + 95, ox + 540, oy + 109, 123, 124, ox + 525, oy + 95, true, true},
        {ox + 526, oy + 346, ox + 540, oy + 360, 125, 126, ox + 525, oy + 346, true, true},
        {ox + 526, oy + 117, ox + 540, oy + 341, 0, 0, 0, 0, false, true},
    };
    ButtonTracker tracker;
    tracker.Buttons = buttons;
    tracker.Count = 4;
    for (bool done = false; !done;) {
        const ULONG code = GetKey(GETKEY_TICKS);
        const LONG mx = MousePosition.X, my = MousePosition.Y;
        if (code == KEY_ESCAPE) break;
        if (code == KEY_UP) {
            ScrollBy(req, SLIDER_UP10);
            continue;
        }
        if (code == KEY_DOWN) {
            ScrollBy(req, SLIDER_DOWN10);
            continue;
        }
        const int hit = TrackButtons(&tracker, code, mx, my);
        // The knob follows the mouse while the press on the track lasts.
        if (code == EVENT_LEFTDOWN && tracker.Held == TRACK && InRect(mx, my, buttons[TRACK].X0, buttons[TRACK].Y0,
                                                                      buttons[TRACK].X1, buttons[TRACK].Y1))
            ScrollTo(req, my);
        if (hit == CLOSE) done = true;
        if (hit == UP) ScrollBy(req, SLIDER_UP10);
        if (hit == DOWN) ScrollBy(req, SLIDER_DOWN10);
    }
    close();
    return 1;
}

LONG ChooseBox(const char *file, UWORD x, UWORD y, UWORD n, const char *heading, const char *lines, const char *info)
{
    constexpr LONG kW = 195, kH = 220;
    ScreenRegion *region = GetScreenRegion(file, SR_GADGETDATA | SR_RECHTECK);
    if (!region) return -1;
    PutBackHoverPictures();
    RastPort *display = DisplayRastPort();
    const PortState before = SavePortState(display);
    BitMap *saved = DlgSaveArea(x, y, kW, kH);
    Picture box;
    TextFont *font = nullptr;
    VekRequester *req = nullptr;
    auto close = [&]() {
        ClearRequester(req);
        CloseFont(font);
        FreePicture(&box);
        PutBackHoverPictures();
        DlgRestoreArea(saved, x, y, kW, kH);
        RestorePortState(display, before);
        ClearScreenRegion(region);
    };
    if (!saved || !LoadPicture(&box, 340) || !(font = OpenDiskFont(kFont2)) || region->CountRechteck < 1) {
        std::printf("ChooseBox : Konnte Requester nicht darstellen !\n");
        close();
        return -1;
    }
    SetAPen(box.Port, 12);
    DrawAllGadgets(box.Port, region);
    SetFont(box.Port, font);
    const Rechteck &r = region->Rechteck[0];
    const std::string head = heading ? std::string(heading, strnlen(heading, REQ_LINE_SIZE - 1)) : std::string();
    PrintText(box.Port, r.X0, r.Y0, r.X1, r.Y1, head.c_str(), 0, 12, kCentred);
    ShowOnDisplay(box.Copy, x, y);
    // The description's CH00 and REQ0 lie over these two places.
    constexpr datakit::DialogArea list = datakit::CHOOSEBOX_LIST, track = datakit::CHOOSEBOX_TRACK;
    req = InitRequesterBox(list.w, n, font, lines, (UWORD)(x + list.x), (UWORD)(y + list.y), list.w, list.h, 11, 12);
    if (!req) {
        std::printf("ChooseBox : Konnte Requester nicht darstellen !\n");
        close();
        return -1;
    }
    InitSlider(req, track.w, track.h, kKnobFace, kKnobTrack, kKnobLight, kKnobDark, (UWORD)(x + track.x),
               (UWORD)(y + track.y));
    SetGadgetOffset(region, x, y);

    LONG choice = -1, result = -1;
    for (bool done = false; !done;) {
        GadgetData *g = CheckGadgets(display, region, GetKey(GETKEY_TICKS));
        if (!g) continue;
        const LONG my = MousePosition.Y;
        switch (g->ReturnID) {
        case MakeGadgetID("CH00"):
            SetFont(display, font);
            choice = SetStringHighLite(req, 0, my < 0 ? 65535 : (UWORD)my, 12, 11);
            break;
        case MakeGadgetID("UP00"): ScrollBy(req, SLIDER_UP10); break;
        case MakeGadgetID("DO00"): ScrollBy(req, SLIDER_DOWN10); break;
        case MakeGadgetID("REQ0"): ScrollTo(req, my); break;
        case MakeGadgetID("INFO"): TextBox(info); break;
        case MakeGadgetID("OKOK"):
            result = choice;
            done = true;
            break;
        case MakeGadgetID("EXIT"): done = true; break;
        default: break;
        }
    }
    close();
    return result;
}

// ---- Participant list ------------------------------------------------------------

TeilnehmerReq *TeilnehmerReq_Open(UWORD x, UWORD y, UWORD n, const char *lines)
{
    auto *list = (TeilnehmerReq *)AllocVec(sizeof(TeilnehmerReq), MEMF_PUBLIC | MEMF_CLEAR);
    if (!list) {
        std::printf("TeilnehmerReq_Open : Konnte Struktur nicht anlegen !\n");
        return nullptr;
    }
    list->XPos = x;
    list->YPos = y;
    list->Entry = TEILNEHMER_NONE;
    list->BitMapPtr = DlgSaveArea(x, y, 320, 385);
    if (!list->BitMapPtr) {
        std::printf("TeilnehmerReq_Open : Konnte Hintergrund nicht retten !\n");
        TeilnehmerReq_Close(list);
        return nullptr;
    }
    if (!DlgBlit(nullptr, 77, x, y)) {
        std::printf("TeilnehmerReq_Open : Konnte Grafik nicht \366ffnen bzw. blitten !\n");
        TeilnehmerReq_Close(list);
        return nullptr;
    }
    RastPort *display = DisplayRastPort();
    const PortState before = SavePortState(display);
    TextFont *title = OpenDiskFont("./Fonts/KavorC1.fnt");
    if (title) {
        SetFont(display, title);
        PrintText(display, (UWORD)(x + 84), (UWORD)(y + 2), (UWORD)(x + 210), (UWORD)(y + 22), "Teilnehmer", 0, 0,
                  kCentred);
        RestorePortState(display, before);
        CloseFont(title);
        list->VekFontPtr = OpenDiskFont("./Fonts/KavorN.fnt");
    }
    if (!list->VekFontPtr) {
        std::printf("TeilnehmerReq_Open : Konnte Kavor-Font nicht \366ffnen !\n");
        TeilnehmerReq_Close(list);
        return nullptr;
    }
    list->VekReqPtr =
        InitRequesterBox(256, n, list->VekFontPtr, lines, (UWORD)(x + 17), (UWORD)(y + 32), 255, 283, 6, 7);
    if (!list->VekReqPtr) {
        std::printf("TeilnehmerReq_Open : Konnte Requester nicht initalisieren!\n");
        TeilnehmerReq_Close(list);
        return nullptr;
    }
    if (!InitSlider(list->VekReqPtr, 14, 249, kKnobFace, kKnobTrack, kKnobLight, kKnobDark, (UWORD)(x + 289),
                    (UWORD)(y + 43))) {
        std::printf("TeilnehmerReq_Open : Konnte Slider nicht initalisieren!\n");
        TeilnehmerReq_Close(list);
        return nullptr;
    }
    return list;
}

LONG TeilnehmerReq_MausKlick(TeilnehmerReq *list, UWORD mouseY)
{
    if (!list) return -1;
    const LONG x = list->XPos, y = list->YPos;
    const LONG mx = MousePosition.X - x, my = (LONG)mouseY - y;
    VekRequester *req = list->VekReqPtr;
    auto flash = [&](UWORD pressed, UWORD released, LONG gx, LONG gy) {
        if (!DlgBlit(nullptr, pressed, x + gx, y + gy)) return false;
        DlgDelay(10);
        DlgBlit(nullptr, released, x + gx, y + gy);
        return true;
    };
    if (InRect(mx, my, 257, 327, 300, 368)) {
        flash(116, 116, 257, 327);
        TeilnehmerReq_Close(list);
        return 0;
    }
    if (!req) return -1;
    if (InRect(mx, my, 288, 55, 304, 292)) {
        ScrollTo(req, mouseY);
        return 1;
    }
    if (InRect(mx, my, 289, 24, 305, 40)) {
        flash(124, 123, 289, 24);
        ScrollBy(req, SLIDER_UP10);
        return 2;
    }
    if (InRect(mx, my, 289, 295, 305, 311)) {
        flash(126, 125, 289, 295);
        ScrollBy(req, SLIDER_DOWN10);
        return 3;
    }
    if (InRect(mx, my, 208, 327, 251, 368) && flash(100, 101, 208, 327)) return 4;
    if (InRect(mx, my, 16, 32, 272, 315)) {
        // The line is drawn in the display port's font: the list's, for this call only.
        RastPort *display = DisplayRastPort();
        const PortState before = SavePortState(display);
        if (display) {
            SetFont(display, list->VekFontPtr);
            SetDrMd(display, JAM1);
        }
        const LONG e = SetStringHighLite(req, 0, mouseY, 7, 21);
        RestorePortState(display, before);
        list->Entry = e >= 0 ? (UWORD)e : TEILNEHMER_NONE;
        return 5;
    }
    return -1;
}

void TeilnehmerReq_Close(TeilnehmerReq *list)
{
    if (!list) return;
    ClearRequester(list->VekReqPtr);
    CloseFont(list->VekFontPtr);
    DlgRestoreArea(list->BitMapPtr, list->XPos, list->YPos, 320, 385);
    FreeVec(list);
}
