// What the three option pages share: their set-up and tear-down (fonts,
// picture, switch faces, layout), the labels, the switch faces at a layout
// point, and the one-line text fields with the blinking cursor.
#pragma once
#include "frontend/optionrules.h"
#include "platform/types.h"
#include "ui/screendat.h"

struct TextFont;
struct VekCursor;

constexpr UWORD OPTION_FACE_ON = 58, OPTION_FACE_OFF = 57;
constexpr UWORD OPTION_LABEL_PEN = 7, OPTION_FIELD_PEN = 44, OPTION_CURSOR_PEN = 40;
constexpr UWORD OPTION_CURSOR_HEIGHT = 11;

// Texts printed by the page at set-up, so tests and the messages share them.
struct OptionPageTexts {
    const char *Name;            // "OptionScreen", "Option1Screen", ...
    const char *NoMemory, *NoFont, *NoTitleFont, *NoPicture, *NoGreen, *NoRed, *NoLayout;
};

struct OptionPage {
    TextFont *VekFontPtr;    // title font
    TextFont *VekFont1Ptr;   // text font
    ScreenRegion *Region;
    UWORD Picture;
    BOOL PictureOpen, FacesOpen;
};

// Opens fonts, plays CD track 4 when the unit is ready, the picture, both
// faces and the layout. 1, or 0 after printing the failing step's text (what
// was opened stays for CloseOptionPage).
BOOL OpenOptionPage(OptionPage *page, const OptionPageTexts &t, UWORD picture, const char *layout, ULONG mask);
// Frees what OpenOptionPage opened; the picture faded out unless fade is 0.
void CloseOptionPage(OptionPage *page, BOOL fade);

// The layout's text labels in pen 7, but those whose bit is set in skip.
void PrintOptionLabels(OptionPage *page, ULONG skip);
// Face 58 (on) or 57 (off) at layout point i + (5, 5); nothing without the point.
void DrawOptionSwitch(OptionPage *page, ULONG i, BOOL on);

// A one-line text field: its text and the character widths the editor keeps.
struct OptionField {
    char Text[OPTION_FIELD_BYTES];
    UBYTE Widths[OPTION_FIELD_BYTES];
};
// Text box i of the layout, or null.
const StringInputBox *OptionFieldBox(const OptionPage *page, ULONG i);
// Characters the field takes: the box's limit, at most 39.
UWORD OptionFieldMaxChars(const StringInputBox &box);
// The field's text in pen 7 in its box (its box cleared with pen 44 first when fill).
void PrintOptionField(OptionPage *page, ULONG i, const char *text, BOOL fill);
// Makes field i the one typed into: its box cleared with pen 44, the text
// printed and the cursor (11 high, pens 40 on 44) at the text's end. maxChars
// 0 takes the box's limit.
void ActivateOptionField(OptionPage *page, ULONG i, OptionField *field, UWORD maxChars = 0);
// One key into the active field by the text editor, within its limits.
void TypeOptionField(OptionPage *page, ULONG i, OptionField *field, ULONG key);
// Takes the cursor away.
void EndOptionField();

// The gadget of this code, or null.
const GadgetData *OptionGadget(const OptionPage *page, ULONG code);
