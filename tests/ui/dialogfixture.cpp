#include "dialogfixture.h"

#include "common/scriptinput.h"

#include <SDL/SDL.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/memfile.h"
#include "gfx/font.h"
#include "ui/input.h"
#include "gfx/pixfmt.h"
#include "gfx/screen.h"
#include "platform/system.h"

namespace vektest {

Watchdog::Watchdog(int seconds)
{
    t_ = std::thread([this, seconds] {
        std::unique_lock<std::mutex> lock(m_);
        if (!cv_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; })) {
            std::fprintf(stderr, "Watchdog: a dialog still waits for input after %d s\n", seconds);
            std::abort();
        }
    });
}

Watchdog::~Watchdog()
{
    {
        std::lock_guard<std::mutex> lock(m_);
        done_ = true;
    }
    cv_.notify_all();
    t_.join();
}

Snapshot Snap(BitMap *bmp)
{
    Snapshot s;
    s.w = (LONG)bmp->Breite;
    s.h = (LONG)bmp->Hoehe;
    s.pixels.reserve((size_t)s.w * s.h);
    for (LONG y = 0; y < s.h; ++y)
        for (LONG x = 0; x < s.w; ++x) s.pixels.push_back(PixelAt(bmp, x, y));
    return s;
}

DialogTest *DialogTest::current_ = nullptr;

namespace {

void FillPen(RastPort *rp, UBYTE pen, LONG x, LONG y, LONG w, LONG h)
{
    const UWORD oldPen = rp->FgPen;
    const UBYTE oldMode = rp->DrawMode;
    SetAPen(rp, pen);
    SetDrMd(rp, JAM1);
    RectFill(rp, x, y, x + w - 1, y + h - 1);
    rp->FgPen = oldPen;
    rp->DrawMode = oldMode;
}

}  // namespace

LONG DialogTest::FakeBlit(RastPort *rp, ULONG n, LONG x, LONG y, LONG w, LONG h)
{
    DialogTest *t = current_;
    auto it = t->pictures_.find(n);
    if (it == t->pictures_.end()) {
        t->calls_.push_back("miss " + std::to_string(n));
        return 0;
    }
    for (ULONG s : t->snapOn_)
        if (s == n) t->snaps_.push_back({n, Snap(t->DisplayBitMap())});
    t->calls_.push_back("blit " + std::to_string(n) + " " + std::to_string(x) + "," + std::to_string(y));
    if (w == 0 || w > it->second.w) w = it->second.w;
    if (h == 0 || h > it->second.h) h = it->second.h;
    FillPen(rp ? rp : t->display_, (UBYTE)n, x, y, w, h);
    return 1;
}

void DialogTest::SetUp()
{
    current_ = this;
    savedDialogPaint_ = DialogPaint;
    savedGadgetPaint_ = GadgetPaint;
    watchdog_ = std::make_unique<Watchdog>(60);
    dir_ = std::make_unique<ScratchDir>();
    screen_ = std::make_unique<SdlScreen>(Depth());
    ASSERT_TRUE(screen_->Ok());
    SetTestPalette();
    VekDisplay.VekScreen = 1;
    display_ = VekDisplay.RastPort_;
    ASSERT_NE(display_, nullptr);
    MakeDirs("Fonts");
    const Bytes font = BuildFont(BarcodeFontSpec());
    for (const char *name : {"Fonts/KavorC1.fnt", "Fonts/XHelvetica11.fnt", "Fonts/KavorN.fnt", "barcode.fnt"})
        WriteBytes(name, font);
    font_ = OpenDiskFont("barcode.fnt");
    ASSERT_NE(font_, nullptr);
    SetFont(display_, font_);
    SetDrMd(display_, JAM2);
    SetAPen(display_, 3);
    {
        SDL_Event ev;
        while (SDL_PollEvent(&ev)) {
        }
    }
    MousePosition = {-1, -1};
    LeftMouseButtonReleased = 1;
    VekCursorStruktur = {};

    DialogPaint.BlitObjekt = FakeBlit;
    DialogPaint.BlitTextObjekt = [](RastPort *rp, ULONG n, const char *text, LONG x, LONG y, LONG w, LONG h) {
        current_->calls_.push_back("text " + std::to_string(n) + " " + std::to_string(x) + "," + std::to_string(y) +
                                   " " + text);
        FakeBlit(rp, n, x, y, w, h);
    };
    DialogPaint.CopyGfx = [](ULONG n) -> BitMap * {
        DialogTest *t = current_;
        auto it = t->pictures_.find(n);
        if (it == t->pictures_.end()) return nullptr;
        t->calls_.push_back("copy " + std::to_string(n));
        BitMap *bmp = AllocBitMap((ULONG)it->second.w, (ULONG)it->second.h, (ULONG)t->Depth(), 0, t->DisplayBitMap());
        RastPort rp;
        InitRastPort(&rp);
        rp.BitMap = bmp;
        FillPen(&rp, (UBYTE)n, 0, 0, it->second.w, it->second.h);
        return bmp;
    };
    DialogPaint.HoldGfx = [](ULONG n) -> LONG {
        DialogTest *t = current_;
        if (!t->pictures_.count(n)) return 0;
        t->calls_.push_back("hold " + std::to_string(n));
        ++t->held_[n];
        return 1;
    };
    DialogPaint.ReleaseGfx = [](ULONG n) {
        current_->calls_.push_back("release " + std::to_string(n));
        --current_->held_[n];
    };
    DialogPaint.ScreenSaveClip = [](LONG x, LONG y, LONG w, LONG h) -> BitMap * {
        BitMap *b = ScreenSaveClip(x, y, w, h);
        if (b) ++current_->openSaves_;
        return b;
    };
    DialogPaint.ScreenRestoreClip = [](BitMap *b, LONG x, LONG y, LONG w, LONG h) {
        if (b) --current_->openSaves_;
        ScreenRestoreClip(b, x, y, w, h);
    };
    DialogPaint.Delay = [](ULONG ticks) {
        DialogTest *t = current_;
        t->calls_.push_back("delay " + std::to_string(ticks));
        for (ULONG s : t->snapOn_)
            if (s == 0) t->snaps_.push_back({0, Snap(t->DisplayBitMap())});
    };
    GadgetPaint.BlitObjekt = [](RastPort *rp, UWORD gfx, LONG x, LONG y, LONG w, LONG h) -> LONG {
        return FakeBlit(rp, gfx, x, y, w, h);
    };
    GadgetPaint.BlitObjektMask = [](RastPort *rp, UWORD gfx, ULONG, LONG x, LONG y, LONG w, LONG h) -> LONG {
        return FakeBlit(rp, gfx, x, y, w, h);
    };
    GadgetPaint.BlitTextObjekt = [](RastPort *rp, UWORD gfx, const char *, LONG x, LONG y, LONG w, LONG h) -> LONG {
        return FakeBlit(rp, gfx, x, y, w, h);
    };
    GadgetPaint.BlitTextObjektMask = [](RastPort *rp, UWORD gfx, const char *, LONG x, LONG y, LONG w, LONG h,
                                        ULONG) -> LONG { return FakeBlit(rp, gfx, x, y, w, h); };
    GadgetPaint.ScreenSaveClip = ScreenSaveClip;
    GadgetPaint.ScreenRestoreClip = ScreenRestoreClip;
    GadgetPaint.FreeKavorBitMap = FreeBitMap;
    allocs_ = MemAllocatedCounter.load() - MemFreedCounter.load();
}

void DialogTest::TearDown()
{
    EXPECT_EQ(openSaves_, 0) << "a saved display area was not put back";
    for (const auto &h : held_) EXPECT_EQ(h.second, 0) << "picture " << h.first << " still held";
    EXPECT_EQ(MemAllocatedCounter.load() - MemFreedCounter.load(), allocs_) << "blocks left allocated";
    if (display_) display_->Font = nullptr;
    CloseFont(font_);
    font_ = nullptr;
    DialogPaint = savedDialogPaint_;
    GadgetPaint = savedGadgetPaint_;
    FreeAllGadgets();
    ClearCursor(&VekCursorStruktur);
    VekDisplay.VekScreen = 0;
    screen_.reset();
    dir_.reset();
    watchdog_.reset();
    current_ = nullptr;
}

ULONG DialogTest::Ink(UBYTE pen) const
{
    if (Depth() == 8) return pen;
    return ChunkyPixel(Depth() == 16 ? PIXFMT_RGB16 : PIXFMT_ARGB32, pen) & (Depth() == 32 ? 0xFFFFFFu : ~0u);
}

ULONG DialogTest::At(LONG x, LONG y)
{
    return PixelAt(DisplayBitMap(), x, y) & (Depth() == 32 ? 0xFFFFFFu : ~0u);
}

ULONG DialogTest::AtIn(const Snapshot &s, LONG x, LONG y) const
{
    if (x < 0 || y < 0 || x >= s.w || y >= s.h) return 0xFFFFFFFFu;
    return s.At(x, y) & (Depth() == 32 ? 0xFFFFFFu : ~0u);
}

std::string DialogTest::ReadIn(const Snapshot &s, LONG x, LONG top, UBYTE ink, size_t max)
{
    std::string text;
    const ULONG want = Ink(ink);
    for (size_t i = 0; i < max; i++) {
        int code = 0;
        for (int r = 0; r < 8; r++)
            if (AtIn(s, x + 2 * (LONG)i, top + r) == want) code |= 1 << r;
        if (code == 0) break;
        text.push_back((char)code);
    }
    return text;
}

std::string DialogTest::ReadFrom(BitMap *bmp, LONG x, LONG top, UBYTE ink, size_t max)
{
    std::string text;
    const ULONG want = Ink(ink), mask = Depth() == 32 ? 0xFFFFFFu : ~0u;
    for (size_t i = 0; i < max; i++) {
        int code = 0;
        for (int r = 0; r < 8; r++)
            if ((PixelAt(bmp, x + 2 * (LONG)i, top + r) & mask) == want) code |= 1 << r;
        if (code == 0) break;
        text.push_back((char)code);
    }
    return text;
}

std::string DialogTest::Read(LONG x, LONG top, UBYTE ink, size_t max)
{
    return ReadFrom(DisplayBitMap(), x, top, ink, max);
}

void DialogTest::Pattern()
{
    // Pens 1 to 250 in a pattern no dialog pen repeats in a row.
    RastPort *rp = display_;
    const LONG w = (LONG)DisplayBitMap()->Breite, h = (LONG)DisplayBitMap()->Hoehe;
    for (LONG y = 0; y < h; y += 4)
        for (LONG x = 0; x < w; x += 4) FillPen(rp, (UBYTE)(1 + (x / 4 * 7 + y / 4 * 13) % 250), x, y, 4, 4);
}

void DialogTest::Remember()
{
    before_ = Snap(DisplayBitMap());
    look_ = {display_->Font, display_->DrawMode, display_->FgPen};
}

void DialogTest::ExpectUntouched()
{
    EXPECT_TRUE(Snap(DisplayBitMap()) == before_) << "the area behind the dialog was not put back";
    EXPECT_EQ(display_->Font, look_.Font);
    EXPECT_EQ(display_->DrawMode, look_.DrawMode);
    EXPECT_EQ(display_->FgPen, look_.FgPen);
    SDL_Event ev;
    EXPECT_EQ(SDL_PollEvent(&ev), 0) << "input was left over";
    while (SDL_PollEvent(&ev)) {
    }
}

void DialogTest::MoveTo(LONG x, LONG y, bool leftHeld) { PushMoveTo(x, y, leftHeld); }
void DialogTest::Press(LONG x, LONG y) { PushPress(x, y); }
void DialogTest::Release(LONG x, LONG y) { PushRelease(x, y); }
void DialogTest::Click(LONG x, LONG y) { PushClick(x, y); }
void DialogTest::Key(int sym, int unicode) { PushKey(sym, unicode); }
void DialogTest::Tick() { PushTick(); }
void DialogTest::Type(const std::string &text) { PushText(text); }

}  // namespace vektest
