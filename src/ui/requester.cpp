// The list requester: content drawn once into an off-screen BitMap, a window
// on the display showing a slice of it, the slider knob, the highlighted line
// and the rebuild over new content that keeps position and highlight.
#include "ui/requester.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/memfile.h"
#include "ui/dialog_local.h"
#include "gfx/font.h"
#include "gfx/printing.h"

namespace {

constexpr LONG kMaxChars = 256;  // characters of one wrapped line

LONG LineHeight(const VekRequester *req)
{
    return req->ReqFontPtr ? (LONG)req->ReqFontPtr->tf_YSize + 1 : 1;
}

const char *Slot(const VekRequester *req, LONG i) { return req->ReqTextBuffer + (size_t)i * REQ_LINE_SIZE; }

ULONG SlotLength(const char *slot) { return (ULONG)strnlen(slot, REQ_LINE_SIZE - 1); }

// Lines that fit the content's row limit, with room for the text box's two spare lines.
LONG MaxLines(LONG h, LONG spare) { return std::max<LONG>(1, REQ_MAX_CONTENT / h - spare); }

UWORD SliderPercent(const VekRequester *req, LONG entries)
{
    const LONG content = entries * LineHeight(req);
    if (content == 0 || content < req->ReqHoehe) return 100;
    return (UWORD)(req->ReqHoehe * 100L / content);
}

void ShowWindow(VekRequester *req, LONG row)
{
    RastPort *rp = DisplayRastPort();
    if (!rp || !req->ReqMemPtr) return;
    BltBitMapRastPort(req->ReqMemPtr, 0, row, rp, req->ReqXPos, req->ReqYPos, req->ReqBreite, req->ReqHoehe, 0xC0);
}

VekRequester *NewRecord(UWORD contentWidth, TextFont *font, const char *buffer, UWORD x, UWORD y, UWORD w, UWORD h,
                        UWORD backPen, UWORD textPen)
{
    auto *req = (VekRequester *)AllocVec(sizeof(VekRequester), MEMF_PUBLIC | MEMF_CLEAR);
    req->ReqRastPortPtr = NewPort(nullptr, nullptr);
    req->ReqBreiteBitmap = contentWidth;
    req->ReqXPos = x;
    req->ReqYPos = y;
    req->ReqBreite = w;
    req->ReqHoehe = h;
    req->ReqFontColor = req->ReqOldFontColor = (UWORD)(textPen & 0xFF);
    req->ReqBackColor = req->ReqOldBackColor = (UWORD)(backPen & 0xFF);
    req->ReqFontPtr = font;
    req->ReqTextBuffer = buffer;
    req->ReqOldEntry = -1;
    return req;
}

void FreeSlider(VekRequester *req)
{
    FreeBitMap(req->SliderMemPtr);
    FreePort(req->SliderRastPortPtr);
    req->SliderMemPtr = nullptr;
    req->SliderRastPortPtr = nullptr;
}

void FreeContent(VekRequester *req)
{
    FreeBitMap(req->ReqMemPtr);
    FreePort(req->ReqRastPortPtr);
    req->ReqMemPtr = nullptr;
    req->ReqRastPortPtr = nullptr;
    FreeSlider(req);
}

// A list over n lines; with allowEmpty an empty list needs no lines. The
// window shows the content from keepPercent of the scroll range when it does
// not fit.
VekRequester *BuildList(const char *routine, RequesterHook hook, APTR userData, UWORD contentWidth, UWORD n,
                        TextFont *font, const char *lines, bool allowEmpty, UWORD x, UWORD y, UWORD w, UWORD h,
                        UWORD backPen, UWORD textPen, UWORD keepPercent)
{
    std::printf("Routine: %s\n", routine);
    VekRequester *req = NewRecord(contentWidth, font, lines, x, y, w, h, backPen, textPen);
    req->UserDaten = userData;
    if ((!lines && !(allowEmpty && n == 0)) || !font) {
        ClearRequester(req);
        return nullptr;
    }
    const LONG lh = LineHeight(req);
    if (n > MaxLines(lh, 0)) {
        std::printf("InitRequesterBox: %u Zeilen sind zu viele, gezeigt werden %ld\n", (unsigned)n,
                    (long)MaxLines(lh, 0));
        n = (UWORD)MaxLines(lh, 0);
    }
    req->ReqEntries = n;
    req->ReqHoeheBitmap = (UWORD)(n * lh);
    const ULONG height = std::max<ULONG>(req->ReqHoehe, req->ReqHoeheBitmap);
    req->ReqMemPtr = AllocDisplayBitMap(req->ReqBreiteBitmap, height);
    if (!req->ReqMemPtr) {
        std::printf(req->ReqHoeheBitmap < req->ReqHoehe ? "InitRequesterBox_Alloc: Konnte Speicher nicht allokieren 002 \n"
                                                         : "InitRequesterBox_Alloc: Konnte Speicher nicht allokieren 003 \n");
        std::printf("InitRequesterBox: Konnte Speicher f\374r Bitmap nicht allokieren\n");
        ClearRequester(req);
        return nullptr;
    }
    RastPort *rp = req->ReqRastPortPtr;
    rp->BitMap = req->ReqMemPtr;
    SetFont(rp, font);
    SetDrMd(rp, JAM1);
    SetAPen(rp, req->ReqOldBackColor);
    RectFill(rp, 0, 0, (LONG)req->ReqBreiteBitmap - 1, (LONG)height - 1);
    SetAPen(rp, req->ReqFontColor);
    for (LONG i = 0; i < n; ++i) {
        Move(rp, 0, font->tf_Baseline + i * lh);
        Text(rp, Slot(req, i), SlotLength(Slot(req, i)));
    }
    if (hook) {
        req->BackroundHook = hook;
        hook(req, userData);
    }
    const LONG range = (LONG)req->ReqHoeheBitmap - req->ReqHoehe;
    LONG row = 0;
    if (keepPercent && range > 0) {
        req->ReqProzent = keepPercent;
        row = range * keepPercent / 100;
        req->ReqPixel = (UWORD)row;
        req->ReqZeile = (UWORD)(row / lh);
    }
    ShowWindow(req, row);
    req->SliderProzent = SliderPercent(req, n);
    return req;
}

// The knob image: track pen below, light top and left edges, dark right and
// bottom edges, face inside.
void DrawKnobImage(VekRequester *req)
{
    RastPort *rp = req->SliderRastPortPtr;
    const LONG w = req->SliderBreite, h = req->SliderHoehe;
    const LONG k = (LONG)req->SliderProzent * h / 100;
    SetDrMd(rp, JAM1);
    SetAPen(rp, req->SliderBackColor);
    RectFill(rp, 0, 0, w - 1, h - 1);
    if (k < 1) return;
    SetAPen(rp, req->SliderHellColor);
    Move(rp, 0, k - 1);
    Draw(rp, 0, 0);
    Draw(rp, w - 1, 0);
    SetAPen(rp, req->SliderDunkelColor);
    Draw(rp, w - 1, k - 1);
    Draw(rp, 0, k - 1);
    if (w >= 3 && h >= 2) {
        SetAPen(rp, req->SliderMainColor);
        RectFill(rp, 1, 1, w - 2, std::max<LONG>(1, k - 2));
    }
}

// The track around the knob in the track pen, and the knob at top.
void DrawKnob(VekRequester *req, LONG top, LONG bottom)
{
    RastPort *rp = DisplayRastPort();
    if (!req->SliderMemPtr || !rp) return;
    const LONG sx = req->SliderXPos, sy = req->SliderYPos, w = req->SliderBreite, h = req->SliderHoehe;
    const LONG k = (LONG)req->SliderProzent * h / 100;
    const PortState before = SavePortState(rp);
    SetDrMd(rp, JAM1);
    SetAPen(rp, req->SliderBackColor);
    if (top >= sy) RectFill(rp, sx, sy, sx + w - 1, top);
    if (bottom <= sy + h - 1) RectFill(rp, sx, std::max(bottom, sy), sx + w - 1, sy + h - 1);
    if (k > 0) BltBitMapRastPort(req->SliderMemPtr, 0, 0, rp, sx, top, w, k, 0xC0);
    RestorePortState(rp, before);
}

bool LineInside(const VekRequester *req, LONG line, LONG offset, LONG *top)
{
    const LONG lh = LineHeight(req);
    *top = req->ReqYPos + line * lh - offset;
    return *top >= req->ReqYPos && *top + lh <= req->ReqYPos + req->ReqHoehe;
}

void DrawLine(const VekRequester *req, LONG line, LONG top, UWORD backPen, UWORD textPen)
{
    RastPort *rp = DisplayRastPort();
    if (!rp) return;
    const PortState before = SavePortState(rp);
    SetDrMd(rp, JAM1);
    SetAPen(rp, backPen);
    RectFill(rp, req->ReqXPos, top, (LONG)req->ReqXPos + req->ReqBreite - 1, top + req->ReqFontPtr->tf_YSize);
    SetAPen(rp, textPen);
    Move(rp, req->ReqXPos, top + req->ReqFontPtr->tf_Baseline);
    Text(rp, Slot(req, line), SlotLength(Slot(req, line)));
    RestorePortState(rp, before);
}

LONG HighLite(VekRequester *req, RequesterHook set, RequesterHook unset, APTR userData, LONG flag, UWORD y,
              UWORD backPen, UWORD textPen)
{
    if (!req || req->TextBox || !req->ReqTextBuffer || !req->ReqFontPtr) return -1;
    const LONG lh = LineHeight(req);
    if (y != 65535) {
        // A mouse above the window would count back into lines before the first.
        if (flag == 0 && (LONG)y < req->ReqYPos) return -1;
        if ((LONG)y - req->ReqYPos >= req->ReqHoeheBitmap) return -1;
    }
    const LONG offset = req->ReqPixel;  // the row the window shows
    LONG e, o;
    if (flag == 0) {
        e = ((LONG)y - req->ReqYPos + offset) / lh;
        o = req->ReqOldEntry;
    } else if (y == 65535) {
        e = req->ReqOldEntry;
        req->ReqOldEntry = -1;
        o = -1;
    } else {
        e = y;
        o = req->ReqOldEntry;
    }
    if (e < 0) return -1;
    if (e >= req->ReqEntries) return e == o ? e : -1;
    if (e == o) return e;
    LONG top;
    if (o >= 0 && o < req->ReqEntries && LineInside(req, o, offset, &top)) {
        if (unset)
            unset(req, userData);
        else
            DrawLine(req, o, top, req->ReqOldBackColor, req->ReqOldFontColor);
    }
    req->ReqOldEntry = (WORD)e;
    if (!LineInside(req, e, offset, &top)) return -1;
    if (set)
        set(req, userData);
    else
        DrawLine(req, e, top, backPen, textPen);
    return e;
}

}  // namespace

VekRequester *InitRequesterBox(UWORD contentWidth, UWORD n, TextFont *font, const char *lines, UWORD x, UWORD y,
                               UWORD w, UWORD h, UWORD backPen, UWORD textPen)
{
    return BuildList("InitRequesterBox", nullptr, nullptr, contentWidth, n, font, lines, false, x, y, w, h, backPen,
                     textPen, 0);
}

VekRequester *InitOwnRequesterBox(RequesterHook hook, APTR userData, UWORD contentWidth, UWORD n, TextFont *font,
                                  const char *lines, UWORD x, UWORD y, UWORD w, UWORD h, UWORD backPen,
                                  UWORD textPen)
{
    return BuildList("InitOwnRequesterBox", hook, userData, contentWidth, n, font, lines, false, x, y, w, h, backPen,
                     textPen, 0);
}

VekRequester *InitRequesterTextBox_Init(UWORD contentWidth, TextFont *font, const char *text, UWORD x, UWORD y,
                                        UWORD w, UWORD h, UWORD backPen, UWORD textPen)
{
    if (!text || !font) return nullptr;
    VekRequester *req = NewRecord(contentWidth, font, text, x, y, w, h, backPen, textPen);
    SetFont(req->ReqRastPortPtr, font);
    const LONG lines = GetStringInputLines(req->ReqRastPortPtr, text, 0, 0, kMaxChars, MaxLines(LineHeight(req), 3),
                                           req->ReqBreite);
    req->ReqEntries = (UWORD)(lines + 1);
    return req;
}

LONG InitRequesterTextBox_Bitmap(VekRequester *req)
{
    if (!req || !req->ReqRastPortPtr) return 0;
    const LONG lh = LineHeight(req);
    if (req->ReqEntries > MaxLines(lh, 2)) {
        std::printf("InitRequesterTextBox_Bitmap: %u Zeilen sind zu viele, gezeigt werden %ld\n",
                    (unsigned)req->ReqEntries, (long)MaxLines(lh, 2));
        req->ReqEntries = (UWORD)MaxLines(lh, 2);
    }
    const LONG entries = req->ReqEntries;
    req->ReqHoeheBitmap = (UWORD)((entries + 1) * lh);
    std::printf("InitRequesterTextBox_Bitmap: Anzahl Zeilen %u\n", (unsigned)entries);
    std::printf("InitRequesterTextBox_Bitmap: Hoehe Fenster %u Hoehe Text %u\n", (unsigned)req->ReqHoehe,
                (unsigned)req->ReqHoeheBitmap);
    // Never lower than the scroll range reaches, nor than the window.
    const bool low = entries * lh < req->ReqHoehe;
    LONG height = low ? req->ReqHoehe : (entries + 2) * lh;
    height = std::max<LONG>(height, std::max<LONG>(req->ReqHoehe, req->ReqHoeheBitmap));
    FreeBitMap(req->ReqMemPtr);
    req->ReqMemPtr = AllocDisplayBitMap(req->ReqBreiteBitmap, (ULONG)height);
    req->ReqRastPortPtr->BitMap = req->ReqMemPtr;
    if (!req->ReqMemPtr) {
        std::printf(low ? "InitRequesterTextBox_Bitmap: Konnte Speicher nicht allokieren 002 \n"
                        : "InitRequesterTextBox_Bitmap: Konnte Speicher nicht allokieren 003 \n");
        return 0;
    }
    RastPort *rp = req->ReqRastPortPtr;
    SetDrMd(rp, JAM1);
    SetAPen(rp, req->ReqOldBackColor);
    RectFill(rp, 0, 0, (LONG)req->ReqBreiteBitmap - 1, height - 1);
    SetAPen(rp, req->ReqOldFontColor);
    return 1;
}

void InitRequesterTextBox_Blit(VekRequester *req)
{
    if (!req) return;
    ShowWindow(req, 0);
    req->TextBox = 1;
    req->SliderProzent = SliderPercent(req, req->ReqEntries);
}

VekRequester *InitRequesterTextBox(UWORD contentWidth, TextFont *font, const char *text, UWORD x, UWORD y, UWORD w,
                                   UWORD h, UWORD backPen, UWORD textPen, RequesterHook hook)
{
    VekRequester *req = InitRequesterTextBox_Init(contentWidth, font, text, x, y, w, h, backPen, textPen);
    if (!req) return nullptr;
    if (!InitRequesterTextBox_Bitmap(req)) {
        std::printf("InitRequesterTextBox: Konnte BitMap f\374r Requester nicht allokieren 001 \n");
        ClearRequester(req);
        return nullptr;
    }
    if (hook) {
        req->BackroundHook = hook;
        const LONG drawn = hook(req, nullptr);
        req->ReqEntries = (UWORD)std::clamp<LONG>(drawn, 0, 65535);
    } else {
        req->ReqEntries = (UWORD)PrintStringWrapInput(req->ReqRastPortPtr, text, 0, 0, kMaxChars,
                                                      MaxLines(LineHeight(req), 3), req->ReqBreite);
    }
    InitRequesterTextBox_Blit(req);
    return req;
}

LONG InitSlider(VekRequester *req, UWORD w, UWORD h, UWORD facePen, UWORD trackPen, UWORD lightPen, UWORD darkPen,
                UWORD x, UWORD y)
{
    std::printf("Routine: InitSlider\n");
    if (!req) return 0;
    if (req->SliderProzent == 0) req->SliderProzent = 1;
    FreeSlider(req);
    BitMap *image = AllocDisplayBitMap(w, h);
    if (!image) {
        std::printf("InitSlider:Konnte keinen Speicher den Slider bekommen!");
        return 0;
    }
    req->SliderMemPtr = image;
    req->SliderRastPortPtr = NewPort(image, nullptr);
    req->SliderXPos = x;
    req->SliderYPos = y;
    req->SliderBreite = w;
    req->SliderHoehe = h;
    req->SliderMainColor = (UWORD)(facePen & 0xFF);
    req->SliderBackColor = (UWORD)(trackPen & 0xFF);
    req->SliderHellColor = (UWORD)(lightPen & 0xFF);
    req->SliderDunkelColor = (UWORD)(darkPen & 0xFF);
    DrawKnobImage(req);
    if (req->ReqProzent != 0) {
        SetSlider(req, SLIDER_REDRAW);
    } else if (RastPort *rp = DisplayRastPort()) {
        BltBitMapRastPort(image, 0, 0, rp, x, y, w, h, 0xC0);
    }
    return 1;
}

UWORD SetSlider(VekRequester *req, UWORD command)
{
    if (!req) return 0;
    if (req->SliderProzent >= 100) return req->ReqProzent;
    const LONG sy = req->SliderYPos, h = req->SliderHoehe;
    const LONG k = (LONG)req->SliderProzent * h / 100;
    LONG top, bottom;
    LONG percent = req->ReqProzent;
    if (!(command & SLIDER_REDRAW)) {
        // Centre the knob on the mouse, kept inside the track.
        const LONG y = command;
        const LONG half = (LONG)req->SliderProzent * h / 200;
        top = y - half;
        LONG centre = y;
        bottom = y + half;
        if (top < sy) {
            top = sy;
            centre = sy + half;
            bottom = sy + k;
        }
        if (bottom >= sy + h) {
            top = sy + h - k;
            bottom = sy + h - 1;
            centre = sy + h - half;
        }
        // Without a track there is nothing to measure the mouse against.
        const LONG span = h - 2 * (k / 2);
        if (span > 0) percent = std::clamp<LONG>((centre - sy - k / 2) * 100 / span, 0, 100);
    } else {
        const LONG amount = command & 0x7F;
        if (command & SLIDER_UP) {
            if (percent - amount <= 0) {
                percent = 0;
                top = sy;
                bottom = sy + k - 1;
            } else {
                percent -= amount;
                top = sy + percent * (h - k) / 100;
                bottom = top + k;
            }
        } else if (percent + amount >= 100) {
            percent = 100;
            top = sy + h - k;
            bottom = sy + h - 1;
        } else {
            percent += amount;
            top = sy + percent * (h - k) / 100;
            bottom = top + k;
        }
    }
    req->ReqProzent = (UWORD)percent;
    DrawKnob(req, top, bottom);
    return req->ReqProzent;
}

LONG SetRequesterBox(VekRequester *req, UWORD mode, UWORD value)
{
    if (!req) return 0;
    req->ReqOldEntry = -1;  // the copied content carries no highlight
    const LONG lh = LineHeight(req);
    const LONG range = (LONG)req->ReqHoeheBitmap - req->ReqHoehe;
    if (mode > 2 || range <= 0 || !req->ReqMemPtr) return 0;
    LONG p;
    if (mode == 0) {
        const WORD sum = (WORD)(UWORD)(req->ReqProzent + value);
        req->ReqProzent = (UWORD)std::clamp<LONG>(sum, 0, 100);
        p = (LONG)req->ReqProzent * range / 100;
    } else {
        if (mode == 1) {
            p = std::min<LONG>((LONG)value * lh, range);
        } else {
            p = value;
            if (p > range) return 0;
        }
        // The slider follows; 10000 / range is 0 for ranges above 10000 pixels.
        const LONG step = 10000 / range;
        const LONG percent = step > 0 ? p * step / 100 : p * 100 / range;
        req->ReqProzent = 0;
        req->ReqProzent = SetSlider(req, (UWORD)(SLIDER_REDRAW + std::min<LONG>(percent, 100)));
    }
    if (p != req->ReqPixel) {
        // The row shown, not the slider's rounding of it: highlights count from here.
        req->ReqPixel = (UWORD)p;
        req->ReqZeile = (UWORD)(p / lh);
        ShowWindow(req, p);
    }
    return 1;
}

LONG SetStringHighLite(VekRequester *req, LONG flag, UWORD y, UWORD backPen, UWORD textPen)
{
    return HighLite(req, nullptr, nullptr, nullptr, flag, y, (UWORD)(backPen & 0xFF), (UWORD)(textPen & 0xFF));
}

LONG SetOwnStringHighLite(VekRequester *req, RequesterHook set, RequesterHook unset, APTR userData, LONG flag,
                          UWORD y, UWORD backPen, UWORD textPen)
{
    return HighLite(req, set, unset, userData, flag, y, (UWORD)(backPen & 0xFF), (UWORD)(textPen & 0xFF));
}

VekRequester *UpdateRequesterText(VekRequester *req, const char *lines, UWORD n)
{
    if (!req) return nullptr;
    const UWORD oldPercent = req->ReqProzent, oldEntries = req->ReqEntries;
    LONG o = req->ReqOldEntry;
    if (o >= 0 && o >= n) {
        std::printf("gel\366scht...\n");
        o = -1;
    }
    char remembered[512] = {};
    const UWORD highBack = req->ReqBackColor, highFont = req->ReqFontColor;
    const bool keep = o >= 0 && !req->TextBox && lines;
    if (keep) std::memcpy(remembered, lines + (size_t)o * REQ_LINE_SIZE, SlotLength(lines + (size_t)o * REQ_LINE_SIZE));

    const bool hadSlider = req->SliderMemPtr != nullptr;
    const UWORD sx = req->SliderXPos, sy = req->SliderYPos, sw = req->SliderBreite, sh = req->SliderHoehe;
    const UWORD face = req->SliderMainColor, track = req->SliderBackColor, light = req->SliderHellColor,
                dark = req->SliderDunkelColor;
    FreeContent(req);

    VekRequester *fresh;
    if (req->TextBox) {
        fresh = InitRequesterTextBox(req->ReqBreiteBitmap, req->ReqFontPtr, lines, req->ReqXPos, req->ReqYPos,
                                     req->ReqBreite, req->ReqHoehe, req->ReqOldBackColor, req->ReqOldFontColor,
                                     req->BackroundHook);
    } else {
        // An emptied list shows an empty window rather than the old lines.
        const UWORD keepPercent = req->BackroundHook ? 0 : oldPercent;
        fresh = BuildList(req->BackroundHook ? "InitOwnRequesterBox" : "InitRequesterBox", req->BackroundHook,
                          req->UserDaten, req->ReqBreiteBitmap, n, req->ReqFontPtr, lines, true, req->ReqXPos,
                          req->ReqYPos, req->ReqBreite, req->ReqHoehe, req->ReqOldBackColor, req->ReqOldFontColor,
                          keepPercent);
    }
    FreeVec(req);
    if (!fresh) {
        std::printf("UpdateRequesterText : Requester konnte nicht neu angelegt werden !\n");
        return nullptr;
    }
    if (hadSlider) InitSlider(fresh, sw, sh, face, track, light, dark, sx, sy);
    if (keep) {
        LONG found = -1;
        if (n == oldEntries) {
            found = o;
        } else {
            for (LONG i = 0; i < fresh->ReqEntries && found < 0; ++i)
                if (std::strncmp(Slot(fresh, i), remembered, REQ_LINE_SIZE - 1) == 0) found = i;
        }
        fresh->ReqOldEntry = (WORD)found;
        if (found >= 0) SetStringHighLite(fresh, 1, 65535, highFont, highBack);
    }
    return fresh;
}

void ClearRequester(VekRequester *req)
{
    if (!req) return;
    FreeContent(req);
    FreeVec(req);
}
