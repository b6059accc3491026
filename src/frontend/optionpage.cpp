// The option pages' shared set-up and drawing: see optionpage_local.h.
#include "frontend/optionpage_local.h"

#include <cstdio>
#include <cstring>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "media/sound.h"
#include "platform/system.h"
#include "ui/gadgets.h"
#include "ui/input.h"

namespace {

constexpr const char *kPath = "./Data/Path";

}  // namespace

BOOL OpenOptionPage(OptionPage *page, const OptionPageTexts &t, UWORD picture, const char *layout, ULONG mask)
{
    if (!(page->VekFont1Ptr = OpenDiskFont("Fonts/XHelvetica11.fnt"))) {
        std::printf("%s", t.NoFont);
        return 0;
    }
    if (!(page->VekFontPtr = OpenDiskFont("Fonts/KavorC1.fnt"))) {
        std::printf("%s", t.NoTitleFont);
        return 0;
    }
    const OptionenPrefs &op = UserSystem.OP;
    if (IsCDReady(op.CDDevicename, op.CDDeviceUnit) == 1) PlayCDTrack(op.CDDevicename, op.CDDeviceUnit, 4, 4);
    page->Picture = picture;
    if (OpenKavorPic(kPath, picture, PIC_NOFADE) < 0) {
        std::printf("%s", t.NoPicture);
        CloseKavorPic(picture, 0);
        return 0;
    }
    page->PictureOpen = 1;
    if (OpenKavorGfx(kPath, OPTION_FACE_ON) != 1) {
        std::printf("%s", t.NoGreen);
        return 0;
    }
    if (OpenKavorGfx(kPath, OPTION_FACE_OFF) != 1) {
        CloseKavorGfx(OPTION_FACE_ON);
        std::printf("%s", t.NoRed);
        return 0;
    }
    page->FacesOpen = 1;
    if (!(page->Region = GetScreenRegion(layout, mask))) {
        std::printf(t.NoLayout, layout);
        return 0;
    }
    return 1;
}

void CloseOptionPage(OptionPage *page, BOOL fade)
{
    EndOptionField();
    ClearScreenRegion(page->Region);
    page->Region = nullptr;
    if (page->FacesOpen) {
        CloseKavorGfx(OPTION_FACE_ON);
        CloseKavorGfx(OPTION_FACE_OFF);
        page->FacesOpen = 0;
    }
    if (page->PictureOpen) CloseKavorPic(page->Picture, fade ? 1 : 0);
    page->PictureOpen = 0;
    if (RastPort *rp = DisplayRastPort(); rp && (rp->Font == page->VekFontPtr || rp->Font == page->VekFont1Ptr))
        rp->Font = nullptr;
    CloseFont(page->VekFontPtr);
    CloseFont(page->VekFont1Ptr);
    page->VekFontPtr = page->VekFont1Ptr = nullptr;
}

void PrintOptionLabels(OptionPage *page, ULONG skip)
{
    RastPort *rp = DisplayRastPort();
    const ScreenRegion *r = page->Region;
    if (!rp || !r) return;
    SetFont(rp, page->VekFont1Ptr);
    SetDrMd(rp, JAM1);
    for (ULONG i = 0; i < r->CountTextData; ++i) {
        if (i < 32 && (skip >> i & 1)) continue;
        const TextData &t = r->TextData[i];
        if (!t.LocaleID) continue;
        PrintText(rp, t.X0, t.Y0, t.X0, t.Y0, t.LocaleID, 0, OPTION_LABEL_PEN, PT_BASELINE);
    }
}

void DrawOptionSwitch(OptionPage *page, ULONG i, BOOL on)
{
    const ScreenRegion *r = page->Region;
    if (!r || i >= r->CountButtonData) return;
    const ButtonData &b = r->ButtonData[i];
    BlitObjekt(nullptr, on ? OPTION_FACE_ON : OPTION_FACE_OFF, b.X0 + 5, b.Y0 + 5, 0, 0);
}

const StringInputBox *OptionFieldBox(const OptionPage *page, ULONG i)
{
    const ScreenRegion *r = page->Region;
    return r && i < r->CountStringInputBox ? &r->StringInputBox[i] : nullptr;
}

UWORD OptionFieldMaxChars(const StringInputBox &box)
{
    const UWORD n = box.MaxChars ? box.MaxChars : (UWORD)OPTION_TEXT_MAX;
    return n > OPTION_TEXT_MAX ? (UWORD)OPTION_TEXT_MAX : n;
}

namespace {

UWORD FieldPixels(const StringInputBox &b)
{
    const UWORD w = b.X1 > b.X0 + 4 ? (UWORD)(b.X1 - b.X0 - 4) : 1;
    return b.MaxPixels && b.MaxPixels < w ? b.MaxPixels : w;
}

// Where the text of a box starts: two pixels in, vertically centred.
void FieldOrigin(RastPort *rp, const StringInputBox &b, LONG *x, LONG *y)
{
    *x = b.X0 + 2;
    const LONG h = b.Y1 - b.Y0 + 1, th = rp->TxHeight;
    *y = b.Y0 + (h > th ? (h - th) / 2 : 0);
}

}  // namespace

void PrintOptionField(OptionPage *page, ULONG i, const char *text, BOOL fill)
{
    RastPort *rp = DisplayRastPort();
    const StringInputBox *b = OptionFieldBox(page, i);
    if (!rp || !b) return;
    SetFont(rp, page->VekFont1Ptr);
    SetDrMd(rp, JAM1);
    if (fill) {
        SetAPen(rp, OPTION_FIELD_PEN);
        RectFill(rp, b->X0, b->Y0, b->X1, b->Y1);
    }
    SetAPen(rp, OPTION_LABEL_PEN);
    LONG x, y;
    FieldOrigin(rp, *b, &x, &y);
    PrintStringInput(rp, text, x, y, OptionFieldMaxChars(*b), 1, FieldPixels(*b));
    UpdateRectangle(b->X0, b->Y0, b->X1 - b->X0 + 1, b->Y1 - b->Y0 + 1);
}

void ActivateOptionField(OptionPage *page, ULONG i, OptionField *field, UWORD maxChars)
{
    RastPort *rp = DisplayRastPort();
    const StringInputBox *b = OptionFieldBox(page, i);
    if (!rp || !b) return;
    EndOptionField();
    PrintOptionField(page, i, "", 1);
    SetFont(rp, page->VekFont1Ptr);
    SetAPen(rp, OPTION_LABEL_PEN);
    LONG x, y;
    FieldOrigin(rp, *b, &x, &y);
    const UWORD maxPixels = FieldPixels(*b);
    if (!maxChars) maxChars = OptionFieldMaxChars(*b);
    char master[OPTION_FIELD_BYTES];
    std::snprintf(master, sizeof master, "%.*s", (int)maxChars, field->Text);
    InitStringInput(rp, master, field->Text, field->Widths);
    PrintStringInput(rp, field->Text, x, y, maxChars, 1, maxPixels);
    UpdateRectangle(b->X0, b->Y0, b->X1 - b->X0 + 1, b->Y1 - b->Y0 + 1);
    ULONG end = 0;
    for (int k = 0; field->Text[k]; ++k) end += field->Widths[k];
    VekCursor *c = &VekCursorStruktur;
    CursorClearValues(c);
    c->BackSaved = 0;
    SetNewCursor((UWORD)x, (UWORD)y, (UWORD)(x + (LONG)end), (UWORD)y, OPTION_CURSOR_HEIGHT, OPTION_CURSOR_PEN,
                 OPTION_FIELD_PEN);
    CalcCurrentCursorPosition(field->Text, field->Widths, c, maxPixels);
    c->VerifyPtr = field->Text;
}

void TypeOptionField(OptionPage *page, ULONG i, OptionField *field, ULONG key)
{
    RastPort *rp = DisplayRastPort();
    const StringInputBox *b = OptionFieldBox(page, i);
    if (!rp || !b || VekCursorStruktur.VerifyPtr != field->Text) return;
    SetFont(rp, page->VekFont1Ptr);
    SetAPen(rp, OPTION_LABEL_PEN);
    SetDrMd(rp, JAM1);
    StringInput(key, field->Text, field->Widths, &VekCursorStruktur, OptionFieldMaxChars(*b), FieldPixels(*b), 1);
}

void EndOptionField()
{
    if (VekCursorStruktur.VerifyPtr) ClearCursor(&VekCursorStruktur);
}

const GadgetData *OptionGadget(const OptionPage *page, ULONG code)
{
    const ScreenRegion *r = page->Region;
    if (!r) return nullptr;
    for (ULONG i = 0; i < r->CountGadgetData; ++i)
        if (r->GadgetData[i].ReturnID == code) return &r->GadgetData[i];
    return nullptr;
}
