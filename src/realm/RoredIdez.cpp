// Screen 505: the bard by the fire tells the story the turn selected, page
// by page in a modal story box, then the story's consequence is applied.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "media/movie.h"
#include "media/sound.h"
#include "platform/catalog.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "realm/realm.h"
#include "realm/roredidez.h"
#include "store/chunks.h"
#include "store/store.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/requester.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr const char *kStoryPath = "./Data/RoredIdezPath";
constexpr const char *kReceivedPool = "./Data/POP3In/GameChunk.vek";
constexpr const char *kBoxFile = "./Data/screendat/BTTextBox.dat";
constexpr const char *kTitleFont = "Fonts/KavorC1.fnt";
constexpr const char *kTextFont = "Fonts/XHelvetica11.fnt";

constexpr LONG kBoxX = 64, kBoxY = 38, kBoxW = 507, kBoxH = 425;
constexpr UWORD kReqX = 99, kReqY = 76, kReqW = 417, kReqH = 305;
constexpr UWORD kBackPen = 6, kTextPen = 7;
constexpr ULONG kBoxPicture = 506;
constexpr int kFirstLinkGadget = 5;  // GAD1 is the sixth gadget of the box

constexpr ULONG kScreenGfx[] = {115, 116, 285, 286, 287, 288, 507, 508, 509, 510, 511, 512, 513,
                                514, 515, 516, 517, 518, 294, 295, 506, 123, 124, 125, 126};

constexpr ULONG kTickBox = 50, kTickEnd = 100;

ULONG ReturnOf(const char (&s)[5]) { return MakeGadgetID(s); }

// What one telling of a story keeps: the box's gadgets and which pages
// already changed the stores.
struct StoryBox {
    ScreenRegion *Region = nullptr;
    TextFont *TitleFont = nullptr;
    TextFont *TextFontPtr = nullptr;
    BitMap *Saved = nullptr;
    VekRequester *Req = nullptr;
    char *PageCopy = nullptr;
    std::vector<UWORD> Changed;  // pages whose change mark was applied
};

void FreePage(StoryBox *b)
{
    ClearRequester(b->Req);
    b->Req = nullptr;
    FreeVec(b->PageCopy);
    b->PageCopy = nullptr;
}

void RedrawButton(const GadgetData &g)
{
    BlitObjekt(DisplayRastPort(), g.GfxUp_ID, g.X0, g.Y0, (LONG)g.X1 - g.X0, (LONG)g.Y1 - g.Y0);
}

struct LayoutPort {
    RastPort *Port;
};

long MeasureOnPort(void *user, const char *text, size_t n)
{
    return TextLength(static_cast<LayoutPort *>(user)->Port, text, (ULONG)n);
}

void DrawOnPort(void *user, long x, long y, const char *text, size_t n, UWORD pen)
{
    RastPort *rp = static_cast<LayoutPort *>(user)->Port;
    SetAPen(rp, pen);
    Move(rp, x, y + rp->TxBaseline);
    Text(rp, text, (ULONG)n);
}

// The page's pictures and its stripped words, ready for a layout pass.
struct PreparedPage {
    std::vector<char> Stripped;
    size_t StrippedLength = 0;
    StoryPicture Pictures[STORY_PICTURES_MAX];
    int PictureCount = 0;
};

void PreparePage(const char *page, size_t length, PreparedPage *p)
{
    p->Stripped.assign(length + 1, 0);
    p->StrippedLength = RoredIdezBrowserStripText(page, length, p->Stripped.data());
    p->PictureCount = FindStoryPictures(page, length, p->Pictures, STORY_PICTURES_MAX);
}

long LayOut(RastPort *rp, const PreparedPage &p, long maxHeight, bool draw, UWORD pen)
{
    LayoutPort lp{rp};
    const long H = (long)rp->TxHeight + 1;
    StoryLayout l{kReqW, maxHeight, H, TextLength(rp, " ", 1), p.Pictures, p.PictureCount,
                  MeasureOnPort, draw ? DrawOnPort : nullptr, &lp, pen};
    return StoryLayoutText(l, p.Stripped.data(), p.StrippedLength);
}

}  // namespace

const char *GetBTString(LONG id)
{
    if (id < 0 || id >= BT_STRING_COUNT) return nullptr;
    const LocStr *s = GlobalRoredIdezTab ? GlobalRoredIdezTab[id] : &RoredIdezStrings[id];
    return s && s->Str ? s->Str : nullptr;
}

Catalog *LoadBTCatalog() { return OpenCatalog("RoredIdez.catalog", &RoredIdezStrings[0], &RoredIdezStrings[1]); }

void FreeBTCatalog(Catalog *catalog) { CloseCatalog(catalog); }

BOOL CheckRoredIdezRequesterButtons(UWORD page, const char *pageText, ScreenRegion *box, UWORD links[STORY_BUTTONS])
{
    const long length = StoryPageLength(pageText);
    if (length < 0 || !box || box->CountGadgetData < (ULONG)(kFirstLinkGadget + STORY_BUTTONS)) return FALSE;
    const StoryMark mark = FindStoryMark(pageText, (size_t)length, '$');
    StoryLinks parsed{};
    if (!mark.found || !ParseStoryLinks(mark.fields, &parsed)) return FALSE;  // buttons stay as they are
    UWORD pictures[STORY_BUTTONS];
    StoryButtonsForPage(page, parsed, pictures, links);
    for (int i = 0; i < STORY_BUTTONS; ++i) {
        GadgetData &g = box->GadgetData[kFirstLinkGadget + i];
        // Plain first wherever a button showed something else, then the new pictures.
        if (g.GfxUp_ID != STORY_PIC_PLAIN) {
            g.GfxUp_ID = STORY_PIC_PLAIN;
            g.GfxDown_ID = STORY_PIC_PLAIN + 1;
            RedrawButton(g);
        }
        if (pictures[i] != STORY_PIC_PLAIN) {
            g.GfxUp_ID = pictures[i];
            g.GfxDown_ID = (UWORD)(pictures[i] + 1);
            RedrawButton(g);
        }
    }
    return TRUE;
}

BOOL CheckRoredIdezModifikation(const char *pageText)
{
    const long length = StoryPageLength(pageText);
    if (length < 0) return FALSE;
    const StoryMark mark = FindStoryMark(pageText, (size_t)length, '%');
    StoryChange c{};
    if (!mark.found || !ParseStoryChange(mark.fields, &c)) return FALSE;
    std::printf("Modifikation...\n");
    std::printf("RoredIdezBrowser: Einheit %u\n", (unsigned)c.unit);
    std::printf("RoredIdezBrowser: Anzahl %d\n", (int)c.amount);
    std::printf("RoredIdezBrowser: Prozent %u\n", c.percent ? 1u : 0u);
    std::printf("RoredIdezBrowser: Geb\xE4ude %u\n", (unsigned)c.third);
    if (c.unit <= 3) {
        auto *korn = static_cast<st_KORN *>(LoadChunk2Mem(ID_KORN, kReceivedPool));
        if (!korn) {
            std::printf("CheckRoredIdezModifikation: Konnte Chunk nicht laden...\n");
            return FALSE;
        }
        switch (c.unit) {
        case 0: korn->Saatlager = ApplyStoryChange(korn->Saatlager, c.amount, c.percent); break;
        case 1: korn->Kornlager = ApplyStoryChange(korn->Kornlager, c.amount, c.percent); break;
        case 2: korn->BevLager = ApplyStoryChange(korn->BevLager, c.amount, c.percent); break;
        default:
            if (!c.percent && c.amount >= 0 && c.amount <= 3) korn->Wetter = (UBYTE)c.amount;
            break;
        }
        const BOOL stored = AddChunkPool(korn, kReceivedPool);
        FreeChunk(korn);
        return stored;
    }
    if (c.unit <= 12) {
        // The realm's figures are computed for the record only; the server
        // keeps them, so nothing is written.
        auto *land = static_cast<st_LAND *>(LoadChunk2Mem(ID_LAND, kReceivedPool));
        if (!land) {
            std::printf("CheckRoredIdezModifikation: Konnte Chunk nicht laden...\n");
            return FALSE;
        }
        FreeChunk(land);
        return TRUE;
    }
    return FALSE;
}

int RoredIdezBrowserCheckGfx(const char *pageText, LONG x1, LONG y1, LONG x2, LONG y2)
{
    const long length = StoryPageLength(pageText);
    if (length < 0) return 1;
    StoryPicture pictures[STORY_PICTURES_MAX];
    const int n = FindStoryPictures(pageText, (size_t)length, pictures, STORY_PICTURES_MAX);
    return StoryBoxIsFree(pictures, n, x1, y1, x2, y2);
}

BOOL RoredIdezBrowserLoadGfx(VekRequester *req, const char *pageText)
{
    const long length = StoryPageLength(pageText);
    if (!req || !req->ReqRastPortPtr || length < 0) return FALSE;
    StoryPicture pictures[STORY_PICTURES_MAX];
    const int n = FindStoryPictures(pageText, (size_t)length, pictures, STORY_PICTURES_MAX);
    const long height = req->ReqMemPtr ? (long)GetKavorGfxAttr(req->ReqMemPtr, 1) : 0;
    RastPort *rp = req->ReqRastPortPtr;
    for (int i = 0; i < n; ++i) {
        const StoryPicture &p = pictures[i];
        if (p.id != 1 && p.id != 2) {
            std::printf("RoredIdezBrowserLoadGfx: Falsche Grafik-ID !\n");
            continue;
        }
        if (p.x < 0 || p.y < 0 || p.w <= 0 || p.h <= 0 || p.x + p.w >= req->ReqBreiteBitmap || p.y + p.h > height) {
            std::printf("RoredIdezBrowserLoadGfx: Grafik soll ausserhalb des allokierten Bereichs dargestellt "
                        "werden !\n");
            return FALSE;
        }
        SetAPen(rp, req->ReqOldFontColor);
        Move(rp, p.x, p.y);
        Draw(rp, p.x + p.w - 1, p.y);
        Draw(rp, p.x + p.w - 1, p.y + p.h - 1);
        Draw(rp, p.x, p.y + p.h - 1);
        Draw(rp, p.x, p.y);
        if (OpenKavorGfx(kStoryPath, (ULONG)p.id) != 1) {
            std::printf("RoredIdezBrowserLoadGfx: Konnte Grafik nicht \xF6" "ffnen !\n");
            return FALSE;
        }
        BlitObjekt(rp, (ULONG)p.id, p.x, p.y, p.w, p.h);
        CloseKavorGfx((ULONG)p.id);
    }
    return TRUE;
}

LONG RoredIdezBrowserSetText(VekRequester *req, const char *pageText, const char *strippedText)
{
    if (!req || !req->ReqRastPortPtr || !strippedText) return 0;
    PreparedPage p;
    const long length = StoryPageLength(pageText);
    if (length >= 0) p.PictureCount = FindStoryPictures(pageText, (size_t)length, p.Pictures, STORY_PICTURES_MAX);
    p.StrippedLength = std::strlen(strippedText);
    p.Stripped.assign(strippedText, strippedText + p.StrippedLength + 1);
    const long height = req->ReqMemPtr ? (long)GetKavorGfxAttr(req->ReqMemPtr, 1) : 0;
    SetDrMd(req->ReqRastPortPtr, JAM1);
    return LayOut(req->ReqRastPortPtr, p, height, true, req->ReqOldFontColor);
}

LONG RoredIdezBrowser(VekRequester *req)
{
    if (!req || !req->ReqTextBuffer) return 0;
    const char *page = req->ReqTextBuffer;
    const long length = StoryPageLength(page);
    if (length < 0) return 0;
    if (!RoredIdezBrowserLoadGfx(req, page)) {
        std::printf("RoredIdezBrowser: Konnte Grafik nicht laden...\n");
        return 0;
    }
    std::vector<char> stripped((size_t)length + 1);
    RoredIdezBrowserStripText(page, (size_t)length, stripped.data());
    return RoredIdezBrowserSetText(req, page, stripped.data());
}

VekRequester *InitRoredIdezRequester(UWORD width, TextFont *font, const char *page, UWORD x, UWORD y, UWORD w,
                                     UWORD h, UWORD backPen, UWORD textPen)
{
    const long length = StoryPageLength(page);
    if (length < 0) {
        std::printf("InitRoredIdezRequester: Konnte das Ende der Story-Seite nicht finden. Exit...\n");
        return nullptr;
    }
    VekRequester *req = InitRequesterTextBox_Init(width, font, page, x, y, w, h, backPen, textPen);
    if (!req) {
        std::printf("InitRoredIdezRequester: Konnte Speicher f\xFCr Struktur nicht allokieren 001 \n");
        return nullptr;
    }
    // Measure first, so the content is exactly as high as its words and
    // pictures need; then draw into it.
    PreparedPage p;
    PreparePage(page, (size_t)length, &p);
    const long H = (long)font->tf_YSize + 1;
    long lines = LayOut(req->ReqRastPortPtr, p, (long)REQ_MAX_CONTENT - 2 * H, false, textPen);
    for (int i = 0; i < p.PictureCount; ++i) {
        const StoryPicture &pic = p.Pictures[i];
        if ((pic.id == 1 || pic.id == 2) && pic.y >= 0 && pic.h > 0 && pic.y + pic.h < (long)REQ_MAX_CONTENT)
            lines = std::max(lines, (pic.y + pic.h + H - 1) / H);
    }
    req->ReqEntries = (UWORD)std::clamp<long>(lines, 1, 65535);
    if (!InitRequesterTextBox_Bitmap(req)) {
        std::printf("InitRoredIdezRequester: Konnte BitMap f\xFCr Requester nicht allokieren 001 \n");
        ClearRequester(req);
        return nullptr;
    }
    const LONG used = RoredIdezBrowser(req);
    req->ReqEntries = (UWORD)std::max<LONG>(used, 0);
    InitRequesterTextBox_Blit(req);
    return req;
}

BOOL BTTextBox(LokaleDatenRoredIdez *ld, const char *text)
{
    (void)ld;
    std::printf("Routine: BTTextBox\n");
    StoryBox b;
    RastPort *display = DisplayRastPort();
    b.Saved = ScreenSaveClip(kBoxX, kBoxY, kBoxW, kBoxH);
    auto close = [&](BOOL result) {
        FreePage(&b);
        if (b.Saved) ScreenRestoreClip(b.Saved, kBoxX, kBoxY, kBoxW, kBoxH);
        CloseFont(b.TitleFont);
        CloseFont(b.TextFontPtr);
        ClearScreenRegion(b.Region);
        return result;
    };
    if (!b.Saved) {
        std::printf("BTTextBox : Konnte Hintergrund nicht retten !\n");
        return FALSE;
    }
    b.TitleFont = OpenDiskFont(kTitleFont);
    b.TextFontPtr = b.TitleFont ? OpenDiskFont(kTextFont) : nullptr;
    if (!b.TextFontPtr) {
        std::printf("BTTextBox : Konnte Font nicht finden !\n");
        return close(FALSE);
    }
    b.Region = GetScreenRegion(kBoxFile, SR_GADGETDATA);
    // The link buttons are the sixth to eleventh gadgets; a shorter file has none to press.
    if (!b.Region || b.Region->CountGadgetData < (ULONG)(kFirstLinkGadget + STORY_BUTTONS)) {
        std::printf("BTTextBox : Kann TitelbarDaten nicht laden!\n");
        return close(FALSE);
    }
    // The box picture belongs to the screen; without it there is no box.
    if (!BitMapPtrArray[kBoxPicture - 1]) return close(TRUE);
    // The title goes on a copy of the box picture, which then goes on the display.
    RastPort *boxPort = nullptr;
    BitMap *boxCopy = ScreenSaveClip(kBoxX, kBoxY, kBoxW, kBoxH);
    if (!boxCopy || !(boxPort = ScreenMakeClipRP(boxCopy))) {
        std::printf("BTTextBox : Konnte Speicher f\xFCr RastPort nicht allokieren 001 \n");
        if (boxCopy) FreeKavorBitMap(boxCopy);
        return close(FALSE);
    }
    BlitObjekt(boxPort, kBoxPicture, 0, 0, kBoxW, kBoxH);
    SetFont(boxPort, b.TitleFont);
    PrintText(boxPort, 157, 6, 349, 34, GetString(&_BT_TITLE), 0, 7, PT_CENTER | PT_BASELINE | PT_VCENTER);
    ScreenRestoreClip(boxCopy, kBoxX, kBoxY, kBoxW, kBoxH);
    FreeVec(boxPort);
    BlitObjekt(display, 123, 523, 83, 0, 0);
    BlitObjekt(display, 125, 523, 334, 0, 0);
    DrawAllGadgets(display, b.Region);

    UWORD page = 1;
    const char *start = text;
    UWORD links[STORY_BUTTONS] = {};
    BOOL result = TRUE;
    for (bool showPage = true, done = false; !done;) {
        if (showPage) {
            showPage = false;
            CheckRoredIdezRequesterButtons(page, start, b.Region, links);
            // A page changes the stores once per telling, however often it is shown.
            if (std::find(b.Changed.begin(), b.Changed.end(), page) == b.Changed.end()) {
                b.Changed.push_back(page);
                CheckRoredIdezModifikation(start);
            }
            const long length = StoryPageLength(start);
            if (length >= 0) {
                b.PageCopy = static_cast<char *>(AllocVec((ULONG)length + 3, MEMF_CLEAR));
                std::memcpy(b.PageCopy, start, (size_t)length + 2);
            }
            b.Req = b.PageCopy ? InitRoredIdezRequester(kReqW, b.TextFontPtr, b.PageCopy, kReqX, kReqY, kReqW, kReqH,
                                                         kBackPen, kTextPen)
                               : nullptr;
            if (!b.Req) {
                if (!b.PageCopy)
                    std::printf("InitRoredIdezRequester: Konnte das Ende der Story-Seite nicht finden. Exit...\n");
                std::printf("BTTextBox : Konnte Requester nicht allokieren \n");
                result = FALSE;
                break;
            }
            InitSlider(b.Req, 14, 224, 26, 22, 25, 24, 524, 105);
        }
        const ULONG code = GetKey(GETKEY_TICKS | 0x01);
        if (code == KEY_UP || code == KEY_DOWN) {
            SetSlider(b.Req, code == KEY_UP ? SLIDER_UP10 : SLIDER_DOWN10);
            SetRequesterBox(b.Req, 0, 0);
            continue;
        }
        GadgetData *g = CheckGadgets(display, b.Region, code);
        if (!g) continue;
        const ULONG id = g->ReturnID;
        if (id == ReturnOf("UP00") || id == ReturnOf("DO00")) {
            SetSlider(b.Req, id == ReturnOf("UP00") ? SLIDER_UP10 : SLIDER_DOWN10);
            SetRequesterBox(b.Req, 0, 0);
        } else if (id == ReturnOf("SL00")) {
            SetSlider(b.Req, (UWORD)std::max<LONG>(GetMouseY(), 0));
            SetRequesterBox(b.Req, 0, 0);
        } else if (id == ReturnOf("INFO")) {
            TextBox(GetString(&_VEK_ROREDIDEZ_INFORMATION));
        } else if (id == GADGET_EXIT) {
            done = true;
        } else {
            for (int i = 0; i < STORY_BUTTONS; ++i) {
                if (id != b.Region->GadgetData[kFirstLinkGadget + i].ReturnID) continue;
                const UWORD target = links[i];
                if (target == 0) break;
                FreePage(&b);
                const char *next = target == STORY_END ? nullptr : SetRoredIdezChapter(target, text);
                if (!next) {
                    done = true;
                } else {
                    page = target;
                    start = next;
                    showPage = true;
                }
                break;
            }
        }
    }
    return close(result);
}

LONG RoredIdez()
{
    std::printf("Routine: RoredIdez\n");
    PlayCDTrack(nullptr, 0, 9, 9);
    if (OpenKavorPic(kPath, 505, 0) < 0) {
        std::printf("RoredIdez: Konnte Pic nicht laden!\n");
        CloseKavorPic(505, 0);
        return -1;
    }
    auto *ld = static_cast<LokaleDatenRoredIdez *>(AllocVec(sizeof(LokaleDatenRoredIdez), MEMF_CLEAR));
    ld->RoredIdezKatalog = LoadBTCatalog();
    const ULONG story = RoredIdezPrefs(0, PREFS_READ, 0);
    std::printf("RoredIdez: Die folgende Story sollte nun gespielt werden %u\n", (unsigned)story);
    LONG result = 2;
    int loaded = 0;
    if (!InitRoredIdezAnims(ld)) {
        std::printf("RoredIdez: Konnte Grafiken nicht laden...\n");
        result = -1;
    } else {
        for (ULONG gfx : kScreenGfx) {
            if (OpenKavorGfx(kPath, gfx) != 1) {
                std::printf("LoadBerichteScreenGfx : Konnte Grafik nicht \xF6" "ffnen!\n");
                std::printf("RoredIdez: Konnte Grafiken nicht laden...\n");
                result = -1;
                break;
            }
            ++loaded;
        }
    }
    for (ULONG ticks = 0; result != -1 && ticks < kTickEnd;) {
        if (GetKey(GETKEY_TICKS | 0x01) != EVENT_TICK) continue;
        if (++ticks != kTickBox) continue;
        PauseRoredIdezAnims(ld, 1);
        // A story number outside the table or without text tells nothing.
        const char *text = story < (ULONG)BT_STRING_COUNT ? GetBTString((LONG)story) : nullptr;
        if (text && *text) BTTextBox(ld, text);
        if (!RoredIdezEvents()) std::printf("RoredIdez: Konnte RoredIdezEvents nicht starten...\n");
        PauseRoredIdezAnims(ld, 0);
    }
    for (int i = 0; i < loaded; ++i) CloseKavorGfx(kScreenGfx[i]);
    FreeRoredIdezAnims(ld);
    FreeBTCatalog(ld->RoredIdezKatalog);
    FreeVec(ld);
    CloseKavorPic(505, result == -1 ? 0 : 1);
    return result;
}

BOOL InitRoredIdezAnims(LokaleDatenRoredIdez *ld)
{
    st_MovieBase *base = AllocMovieBase(TitelScreenPtr, (char)InitAnimGfx(), (char)InitAnimProz(), 0);
    if (!base) {
        std::printf("InitRoredIdezAnims: AllocMovieBase fehlgeschlagen...\n");
        return FALSE;
    }
    ld->MovieBase = base;
    // A movie that does not load is left out.
    st_Movie *fire = LoadMovie(base, "./Anims/RoredIdez-Feuer.CBAN", nullptr, nullptr);
    if (fire) PlayMovie(base, fire, 400, 206, 68, 3);
    st_Movie *lute = LoadMovie(base, "./Anims/RoredIdez-Laute.CBAN", nullptr, nullptr);
    if (lute) PlayMovie(base, lute, 192, 212, 68, 5);
    ld->Movie1 = fire;
    ld->Movie2 = lute;
    return TRUE;
}

void PauseRoredIdezAnims(LokaleDatenRoredIdez *ld, int on)
{
    if (ld->Movie1) PauseMovie(static_cast<st_Movie *>(ld->Movie1), (signed char)on);
    if (ld->Movie2) PauseMovie(static_cast<st_Movie *>(ld->Movie2), (signed char)on);
}

void FreeRoredIdezAnims(LokaleDatenRoredIdez *ld)
{
    auto *base = static_cast<st_MovieBase *>(ld->MovieBase);
    if (!base) return;
    if (ld->Movie1) UnloadMovie(base, static_cast<st_Movie *>(ld->Movie1));
    if (ld->Movie2) UnloadMovie(base, static_cast<st_Movie *>(ld->Movie2));
    FreeMovieBase(base);
    ld->MovieBase = ld->Movie1 = ld->Movie2 = nullptr;
}
