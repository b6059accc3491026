// The screen record and full-screen pictures on the headless display:
// opening by mode, closing by mode, what is shown where, the double buffer,
// saving rectangles under boxes, and display updates from several threads.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "common/gfxfixture.h"
#include "common/sdlharness.h"
#include "common/testutil.h"
#include "gfx/gfxnumber.h"
#include "gfx/palette.h"
#include "gfx/pixfmt.h"
#include "gfx/screen.h"
#include "platform/system.h"

using namespace vektest;

namespace {

void ResetState()
{
    if (TitelScreenPtr) CloseKavorPic(0, 0);
    for (ULONG n = 1; n <= GFX_CACHE_SLOTS; n++)
        while (BitMapPtrArray[n - 1]) CloseKavorGfx(n);
    FreeCache(1);
    Fade = 0;
    FadeAktiv = 0;
    VekDisplay.VekScreen_FadeIn = 0;
    VekDisplay.VekScreen_DBFlag = 0;
    VekDisplay.VekScreen = 0;
    bScreenFadeInDeactivate = 0;
}

ULONG Blocks() { return MemAllocatedCounter - MemFreedCounter; }

class Screens : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        scratch = std::make_unique<ScratchDir>();
        SetTestPalette();
        screen = std::make_unique<SdlScreen>(GetParam());
        ASSERT_TRUE(screen->Ok());
        ResetState();
        pic = WriteTestPicture(5);
        rec = std::make_unique<FadeRecorder>();
    }
    void TearDown() override
    {
        rec.reset();
        ResetState();
        screen.reset();
        scratch.reset();
        SetTestPalette();
    }
    int Depth() const { return GetParam(); }
    LONG OffsetX() const { return Depth() == 8 ? 0 : 80; }
    LONG OffsetY() const { return Depth() == 8 ? 0 : 30; }
    // What the view shows of picture pixel index i: the index at 8 bits.
    ULONG Shown(UBYTE i) const { return Depth() == 8 ? i : ChunkyPixel(VekDisplay.VekScreen_ScreenFormat, i); }
    long WrongOnView(const Bytes &pixels, int stride = 1)
    {
        long wrong = 0;
        for (LONG y = 0; y < 480; y += stride)
            for (LONG x = 0; x < 640; x += stride)
                wrong += PixelAt(screen->ViewBitMap(), OffsetX() + x, OffsetY() + y) !=
                         Shown(pixels[(size_t)y * 640 + x]);
        return wrong;
    }
    bool PaletteIs(const Bytes &cmap) const
    {
        for (int i = 0; i < 256; i++)
            if (KavoriaPalette[i].r != cmap[3 * i] || KavoriaPalette[i].g != cmap[3 * i + 1] ||
                KavoriaPalette[i].b != cmap[3 * i + 2])
                return false;
        return true;
    }

    std::unique_ptr<ScratchDir> scratch;
    std::unique_ptr<SdlScreen> screen;
    std::unique_ptr<FadeRecorder> rec;
    TestPicture pic;
};

INSTANTIATE_TEST_SUITE_P(Depths, Screens, ::testing::Values(8, 16, 32),
                         [](const auto &info) { return std::to_string(info.param) + "bit"; });

TEST_P(Screens, OpeningAPictureShowsItWithItsPaletteAndFadesIn)
{
    ASSERT_EQ(OpenKavorPic("./Data/Path", 5, 0), 0);
    ASSERT_NE(TitelScreenPtr, nullptr);
    EXPECT_EQ(ScreenBitMap, &TitelScreenPtr->BitMap);
    EXPECT_NE(TitelScreenPtr->Mutex, nullptr);
    EXPECT_EQ(TitelScreenPtr->BitMap.Breite, (ULONG)VekDisplay.VekScreen_Breite);
    EXPECT_EQ(TitelScreenPtr->BitMap.Tiefe, (ULONG)Depth());
    EXPECT_EQ(TitelScreenPtr->ViewPort.ColorMap->PaletteEntry, KavoriaPalette);
    EXPECT_TRUE(PaletteIs(pic.cmap));
    EXPECT_EQ(VekDisplay.VekScreen, 5);
    EXPECT_EQ(FadeAktiv, 1);
    EXPECT_EQ(VekDisplay.VekScreen_FadeIn, 1);
    EXPECT_EQ(WrongOnView(pic.pixels), 0);
    if (Depth() == 8) {
        ASSERT_EQ(rec->Of('p').size(), 32u);
        EXPECT_EQ(rec->Of('p').back().colours[77].g, pic.cmap[3 * 77 + 1]);
        EXPECT_EQ(VekDisplay.RastPort_, &TitelScreenPtr->RastPort);
        EXPECT_EQ(TitelScreenPtr->FirstWindow, nullptr);
    } else {
        EXPECT_TRUE(rec->Of('p').empty());
        EXPECT_EQ(rec->Of('d').size(), 20u);
        EXPECT_EQ(VekDisplay.RastPort_, TitelScreenPtr->FirstWindow->RPort);
        EXPECT_EQ(TitelScreenPtr->FirstWindow->RPort->BitMap->Surface, BobScreen);
        EXPECT_EQ(TitelScreenPtr->FirstWindow->NextWindow->RPort->BitMap->Surface, BobScreen2);
        EXPECT_NE(TitelScreenPtr->DBRastPort, nullptr);
    }
}

TEST_P(Screens, HighColourPicturesWaitOnTheHiddenSurfaceUntilTheFade)
{
    if (Depth() == 8) GTEST_SKIP() << "one surface at 8 bits";
    ASSERT_EQ(OpenKavorPic("./Data/Path", 5, PIC_NOFADE), 0);
    EXPECT_EQ(VekDisplay.RastPort_, TitelScreenPtr->FirstWindow->NextWindow->RPort);
    EXPECT_GT(WrongOnView(pic.pixels, 7), 0);
    BitMap hidden;
    InitSurfaceBitMap(&hidden, BobScreen2);
    EXPECT_EQ(PixelAt(&hidden, 100, 50), Shown(pic.pixels[50 * 640 + 100]));
    EXPECT_TRUE(screen->TakeRects().empty());  // drawing on the hidden surface shows nothing
}

TEST_P(Screens, ColourMapOnlyDrawsNothing)
{
    const long before = CountOther(screen->ViewBitMap(), 0);
    EXPECT_EQ(OpenKavorPic("./Data/Path", 5, PIC_NOFADE | PIC_CMAPONLY), -1);  // no screen yet
    EXPECT_TRUE(PaletteIs(pic.cmap));
    EXPECT_EQ(VekDisplay.VekScreen, 5);
    EXPECT_EQ(TitelScreenPtr, nullptr);
    EXPECT_EQ(BitMapPtrArray[4], nullptr);
    EXPECT_TRUE(rec->events.empty());
    EXPECT_EQ(CountOther(screen->ViewBitMap(), 0), before);

    ASSERT_EQ(OpenKavorPic("./Data/Path", 5, PIC_NOFADE | PIC_NOLOAD), 0);  // the screen, no picture
    EXPECT_EQ(BitMapPtrArray[4], nullptr);
    const TestPicture other = WriteTestPicture(5, 20, 3);
    EXPECT_EQ(OpenKavorPic("./Data/Path", 5, PIC_NOFADE | PIC_CMAPONLY), 0);
    EXPECT_TRUE(PaletteIs(other.cmap));
    EXPECT_TRUE(rec->events.empty());
}

TEST_P(Screens, RefusedNumbersLeaveTheScreenAlone)
{
    StdoutCapture out;
    EXPECT_EQ(OpenKavorPic("./Data/Path", 1616, 0), -1);
    EXPECT_EQ(OpenKavorPic("./Data/Path", 0, 0), -1);
    EXPECT_EQ(OpenKavorPic("./Data/Path", 21, 0), -1);
    EXPECT_EQ(OpenKavorPic("./Data/None", 5, 0), -1);
    const std::string text = out.Take();
    EXPECT_NE(text.find("OpenKavorPic:Die angegebene ID ist zu Gross!\n"), std::string::npos);
    EXPECT_NE(text.find("OpenKavorPic:Konnte den Path File nicht \366ffnen!\n"), std::string::npos);
    EXPECT_EQ(TitelScreenPtr, nullptr);
    EXPECT_TRUE(rec->events.empty());

    // A record whose number field is another number is not loaded.
    WriteGfxIndex("Data/Path", 20,
                  {{.n = 5, .w = 640, .h = 480, .pic = "Vek:Pics/Full5.iff", .cmap = "Vek:Pics/Full5.pal",
                    .number = 6}});
    EXPECT_EQ(OpenKavorPic("./Data/Path", 5, 0), -1);
    EXPECT_EQ(BitMapPtrArray[4], nullptr);
    EXPECT_EQ(TitelScreenPtr, nullptr);
}

// A missing colour map keeps the palette; one shorter than its index entry
// gives its colours first and black after.
TEST_P(Screens, MissingOrShortColourMap)
{
    for (const Bytes &cmap : {Bytes{}, Bytes(700, 1)}) {
        SCOPED_TRACE(cmap.size());
        ResetState();
        SetTestPalette();
        const SDL_Color before9 = KavoriaPalette[9], before255 = KavoriaPalette[255];
        if (cmap.empty())
            std::remove("Pics/Full5.cma");
        else
            WriteFile("Pics/Full5.cma", cmap);
        ASSERT_EQ(OpenKavorPic("./Data/Path", 5, PIC_NOFADE), 0);
        if (cmap.empty()) {
            EXPECT_EQ(KavoriaPalette[9].r, before9.r);
            EXPECT_EQ(KavoriaPalette[255].g, before255.g);
            EXPECT_EQ(BitMapPtrArray[4]->PalData, nullptr);
        } else {
            EXPECT_EQ(KavoriaPalette[9].r, 1);
            EXPECT_EQ(KavoriaPalette[233].r, 1);  // byte 699, the last one there
            EXPECT_EQ(KavoriaPalette[233].g, 0);
            EXPECT_EQ(KavoriaPalette[255].r, 0);
            EXPECT_EQ(KavoriaPalette[255].b, 0);
            EXPECT_NE(BitMapPtrArray[4]->PalData, nullptr);
        }
    }
}

TEST_P(Screens, TwentyFourBitVariantPrintsThePictureLines)
{
    if (Depth() == 8) GTEST_SKIP() << "the variant is taken above 8 bits only";
    WriteFile("24BIT/Pics/Full5.RAW", Bytes(640 * 480 * 3, 0x40));
    StdoutCapture out;
    ASSERT_EQ(OpenKavorPic("./Data/Path", 5, PIC_NOFADE), 0);
    const std::string text = out.Take();
    EXPECT_NE(text.find("24 BIT Gfx gefunden!\nOpenKavorPic: Breite       : 640\nOpenKavorPic: H\366he         : 480\n"
                        "OpenKavorPic: Bitplanes    : 24\nOpenKavorPic: BitmapPfad   :<./24BIT/Pics/Full5.RAW>\n"
                        "OpenKavorPic: SizeofPic    :<921600>\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("GFX Breite"), std::string::npos);
}

TEST_P(Screens, BrokenPicturesGiveMinusOneAndNoScreen)
{
    struct Row {
        const char *name;
        Bytes pixels;
        GfxRecord record;
    };
    const GfxRecord good = {.n = 5, .w = 640, .h = 480, .pic = "Vek:Pics/Full5.iff", .cmap = "Vek:Pics/Full5.pal"};
    GfxRecord noVolume = good, badSize = good, depth16 = good;
    noVolume.pic = "Pic:Pics/Full5.iff";
    badSize.picSize = 640 * 480 + 1;
    depth16.depth = 16;
    const Row rows[] = {
        {"picture one byte short", Bytes(640 * 480 - 1, 3), good},
        {"picture missing", {}, good},
        {"not the game volume", pic.pixels, noVolume},
        {"size field wrong", pic.pixels, badSize},
        {"depth 16", pic.pixels, depth16},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        WriteGfxIndex("Data/Path", 20, {r.record});
        std::remove("Pics/Full5.chk");
        if (!r.pixels.empty()) WriteFile("Pics/Full5.chk", r.pixels);
        StdoutCapture out;
        const LONG result = OpenKavorPic("./Data/Path", 5, 0);
        out.Take();
        EXPECT_EQ(result, -1);
        EXPECT_EQ(BitMapPtrArray[4], nullptr);
        EXPECT_EQ(GfxCacheArray[4], nullptr);
        EXPECT_EQ(TitelScreenPtr, nullptr);
        if (Depth() > 8) {
            EXPECT_FALSE(Exists(PixelFormatDirectory(VekDisplay.VekScreen_ScreenFormat)));
        }
    }
}

TEST_P(Screens, ClosingByMode)
{
    FreeCache(1);
    const ULONG blocks = Blocks();
    ASSERT_EQ(OpenKavorPic("./Data/Path", 5, 0), 0);
    BitMap *picture = BitMapPtrArray[4];
    ASSERT_NE(picture, nullptr);

    EXPECT_EQ(CloseKavorPic(5, 2), 0);  // fade out only
    EXPECT_EQ(BitMapPtrArray[4], picture);
    EXPECT_EQ(VekDisplay.RastPort_, &TitelScreenPtr->RastPort);
    EXPECT_EQ(FadeAktiv, 0);

    ASSERT_EQ(OpenKavorPic("./Data/Path", 5, PIC_NOLOAD), 0);  // shown again from the slot
    EXPECT_EQ(WrongOnView(pic.pixels, 5), 0);
    EXPECT_EQ(CloseKavorPic(5, 1), 0);
    EXPECT_EQ(BitMapPtrArray[4], nullptr);
    EXPECT_NE(TitelScreenPtr, nullptr);
    StdoutCapture out;
    EXPECT_EQ(CloseKavorPic(5, 1), 0);
    EXPECT_NE(out.Take().find("CloseKavorPic: Das pic 5 wurde schon freigegeben oder es wurde nur die ColorMap "
                              "geladen.\n"),
              std::string::npos);

    EXPECT_EQ(CloseKavorPic(5, 0), 0);
    EXPECT_EQ(TitelScreenPtr, nullptr);
    EXPECT_EQ(ScreenBitMap, nullptr);
    EXPECT_EQ(VekDisplay.RastPort_, nullptr);
    FreeCache(1);
    EXPECT_EQ(Blocks(), blocks);
    // The display can still be updated (the semaphore outlives the record).
    EXPECT_EQ(UpdateRectangle(0, 0, 10, 10), 1);
}

TEST_P(Screens, ClosingAPictureDoesNotFreeItUnderAnotherUser)
{
    ASSERT_EQ(OpenKavorGfx("./Data/Path", 5), 1);  // a screen keeps graphic 5 for drawing
    BitMap *held = BitMapPtrArray[5 - 1];
    ASSERT_EQ(OpenKavorPic("./Data/Path", 5, 0), 0);  // a box opens it as its picture
    EXPECT_EQ(BitMapPtrArray[4], held);
    EXPECT_EQ(CloseKavorPic(5, 1), 0);
    EXPECT_EQ(BitMapPtrArray[4], held);
    EXPECT_EQ(BlitObjekt(screen->BobRastPort(), 5, 0, 0, 4, 4), 1);
    CloseKavorGfx(5);
    EXPECT_EQ(BitMapPtrArray[4], nullptr);
}

TEST_P(Screens, SavedRectanglesComeBackExactly)
{
    ASSERT_EQ(OpenKavorPic("./Data/Path", 5, PIC_NOFADE), 0);
    RastPort *rp = VekDisplay.RastPort_;
    struct Row {
        LONG x, y, w, h;
    };
    for (const Row &r : {Row{100, 50, 33, 17}, Row{-5, -3, 20, 10}, Row{630, 470, 30, 30}}) {
        SCOPED_TRACE(r.x);
        BitMap *target = rp->BitMap;
        const std::vector<ULONG> before = RowOf(target, 0, r.y < 0 ? 0 : r.y, (LONG)target->Breite);
        BitMap *saved = ScreenSaveClip(r.x, r.y, r.w, r.h);
        ASSERT_NE(saved, nullptr);
        EXPECT_EQ(saved->Tiefe, target->Tiefe);
        SetAPen(rp, 200);
        RectFill(rp, r.x, r.y, r.x + r.w - 1, r.y + r.h - 1);
        const ULONG freed = MemFreedCounter;
        ScreenRestoreClip(saved, r.x, r.y, r.w, r.h);
        EXPECT_GT(MemFreedCounter, freed);
        EXPECT_EQ(RowOf(target, 0, r.y < 0 ? 0 : r.y, (LONG)target->Breite), before);
    }
    ScreenRestoreClip(nullptr, 0, 0, 1, 1);
    EXPECT_EQ(ScreenSaveClip(0, 0, 0, 5), nullptr);
    RastPort *clipRp = ScreenMakeClipRP(nullptr);
    ASSERT_NE(clipRp, nullptr);
    EXPECT_EQ(clipRp->FgPen, 1);
    FreeVec(clipRp);
}

TEST_P(Screens, DoubleBufferFlipsCopyThePensBothWays)
{
    SDL_Surface *db = nullptr;
    if (Depth() > 8) {
        db = SDL_DisplayFormat(SDLViewSurface);
        DBScreen = db;
    }
    ASSERT_EQ(OpenKavorPic("./Data/Path", 5, PIC_NOFADE), 0);
    Screen *s = TitelScreenPtr;
    if (Depth() == 8) {
        EXPECT_EQ(KavorGetDBRastPort(0), &s->RastPort);
        KavorDBFlip(1);
        EXPECT_EQ(VekDisplay.VekScreen_DBFlag, 0);
        EXPECT_EQ(VekDisplay.RastPort_, &s->RastPort);
        return;
    }
    RastPort *hidden = KavorGetDBRastPort(0);
    ASSERT_EQ(hidden, s->DBRastPort);
    EXPECT_EQ(KavorGetDBRastPort(1), &s->RastPort);
    SetAPen(hidden, 17);
    RectFill(hidden, 0, 0, 799, 599);
    hidden->DrawMode = JAM1;
    Move(hidden, 11, 12);
    s->RastPort.FgPen = 3;
    rec->events.clear();
    StdoutCapture out;
    KavorDBFlip(1);
    KavorDBFlip(1);
    const std::string text = out.Take();
    EXPECT_LT(text.find("Flip: oben nach unten...\n"), text.find("Flip: unten nach oben...\n"));
    EXPECT_EQ(VekDisplay.VekScreen_DBFlag, 0);
    // First flip: the view's pens go to the hidden port; second: back.
    EXPECT_EQ(hidden->FgPen, 3);
    EXPECT_EQ(s->RastPort.FgPen, 3);
    EXPECT_EQ(hidden->DrawMode, JAM2);
    EXPECT_EQ(s->RastPort.cp_x, 0);
    EXPECT_EQ(CountOther(screen->ViewBitMap(), PixelAt(db, 0, 0)), 0);
    const auto updates = rec->Of('u');
    ASSERT_EQ(updates.size(), 2u);
    EXPECT_EQ(updates[1].w, 0);  // the whole display
    EXPECT_EQ(updates[1].h, 0);
    EXPECT_EQ(VekDisplay.RastPort_, &s->RastPort);
    CloseKavorPic(5, 0);
    DBScreen = nullptr;
    SDL_FreeSurface(db);
}

// Every update of the display, from any thread, runs alone under the screen
// semaphore; presenting BobScreen copies and updates as one step.
TEST(ScreenSemaphore, UpdatesFromManyThreadsNeverOverlap)
{
    SdlScreen screen(16);
    ASSERT_TRUE(screen.Ok());
    static std::atomic<int> inside{0}, overlaps{0}, calls{0};
    inside = overlaps = calls = 0;
    UpdateRectangleRecorder = [](LONG, LONG, LONG, LONG) {
        if (inside.fetch_add(1) != 0) overlaps++;
        calls++;
        std::this_thread::yield();
        inside.fetch_sub(1);
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; t++)
        threads.emplace_back([t] {
            for (int i = 0; i < 400; i++) UpdateRectangle(t * 10, i % 100, 8, 8);
        });
    {
        StdoutCapture out;
        for (int i = 0; i < 300; i++) {
            SetAPen(screen.BobRastPort(), (ULONG)i);
            RectFill(screen.BobRastPort(), i % 600, 5, i % 600 + 4, 9);
        }
        for (auto &t : threads) t.join();
    }
    UpdateRectangleRecorder = nullptr;
    EXPECT_EQ(overlaps, 0);
    EXPECT_EQ(calls, 4 * 400 + 300);
    ASSERT_NE(ScreenSemaphore(), nullptr);
    EXPECT_EQ(SDL_SemValue(ScreenSemaphore()), 1u);
}

TEST(ScreenSemaphore, LivesUntilTheEndOfSdlAndComesBackAfterIt)
{
    ScratchDir dir;
    SdlScreen screen(8);
    ASSERT_TRUE(screen.Ok());
    WriteTestPicture(5);
    ASSERT_EQ(OpenKavorPic("./Data/Path", 5, PIC_NOFADE), 0);
    SDL_sem *sem = TitelScreenPtr->Mutex;
    ASSERT_NE(sem, nullptr);
    EXPECT_EQ(ScreenSemaphore(), sem);
    CloseKavorPic(5, 0);
    EXPECT_EQ(ScreenSemaphore(), sem);  // the record went, the semaphore stays
    // exitSDL destroys it through the hook; the next use makes a new one.
    ASSERT_NE(ScreenSemaphoreExitHook, nullptr);
    ScreenSemaphoreExitHook();
    SDL_sem *again = ScreenSemaphore();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(SDL_SemValue(again), 1u);
    EXPECT_EQ(UpdateRectangle(0, 0, 0, 0), 1);
    FreeCache(1);
}

}  // namespace
