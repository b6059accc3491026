// Every picture of the demo set loaded by number through the client's own
// graphics loader, at 8 bits and in a high-colour format, with the size the
// registry gives it (spare numbers hold a small 32 x 16 placeholder).
#include <gtest/gtest.h>

#include "common/sdlharness.h"
#include "common/testutil.h"
#include "platform/datakit.h"
#include "gfx/gfxnumber.h"
#include "gfx/palette.h"

using namespace datakit;

namespace {

void LoadEveryPicture(int depth)
{
    vektest::ScratchDir dir;
    vektest::MakeDemoData(dir.path());
    vektest::SdlScreen screen(depth, depth == 8 ? 640 : 800, depth == 8 ? 480 : 600);
    ASSERT_TRUE(screen.Ok());
    GfxIndex index;
    ASSERT_EQ(OpenGfxIndex("./Data/Path", &index), 1);
    ASSERT_EQ(GfxIndexCount(&index), PICTURE_COUNT);
    int loaded = 0;
    for (UWORD n = 1; n <= PICTURE_COUNT; ++n) {
        SCOPED_TRACE(n);
        const PicRange *r = PictureRange(n);
        vektest::StdoutCapture quiet;
        const LONG got = OpenKavorGfx("./Data/Path", n);
        quiet.Take();
        ASSERT_EQ(got, 1);
        BitMap *bm = BitMapPtrArray[n - 1];
        ASSERT_NE(bm, nullptr);
        GfxEntry e{};
        ASSERT_EQ(GfxIndexEntry(&index, n, &e), 1);
        EXPECT_EQ(bm->Breite, e.Breite);
        EXPECT_EQ(bm->Hoehe, e.Hoehe);
        if (r && r->width) {  // sizes the registry fixes (others follow their screen's layout)
            EXPECT_EQ(e.Breite, r->width);
            EXPECT_EQ(e.Hoehe, (ULONG)r->height * r->frames);
        } else if (!r) {
            EXPECT_EQ(e.Breite, 32u);
            EXPECT_EQ(e.Hoehe, 16u);
        }
        CloseKavorGfx(n);
        ++loaded;
    }
    EXPECT_EQ(loaded, PICTURE_COUNT);
    CloseGfxIndex(&index);
}

}  // namespace

TEST(ClientReadsDemoSet, EveryPictureLoadsAt8Bits) { LoadEveryPicture(8); }
TEST(ClientReadsDemoSet, EveryPictureLoadsAt16Bits) { LoadEveryPicture(16); }

TEST(ClientReadsDemoSet, EveryScreenPictureGivesTheSharedPalette)
{
    vektest::ScratchDir dir;
    vektest::MakeDemoData(dir.path());
    vektest::SdlScreen screen(8);
    ASSERT_TRUE(screen.Ok());
    int screens = 0;
    for (UWORD n = 1; n <= PICTURE_COUNT; ++n) {
        const PicRange *r = PictureRange(n);
        if (!r || r->role != PicRole::Screen) continue;
        SCOPED_TRACE(n);
        for (SDL_Color &c : KavoriaPalette) c = SDL_Color{1, 2, 3, 0};
        vektest::StdoutCapture quiet;
        EXPECT_EQ(SetKavorPalette("./Data/Path", n, 0, 0, 0), 1);
        quiet.Take();
        // Entry 0 is the transparent black; the others all differ from it.
        EXPECT_EQ(KavoriaPalette[0].r + KavoriaPalette[0].g + KavoriaPalette[0].b, 0);
        for (int i = 1; i < 256; ++i)
            EXPECT_NE(KavoriaPalette[i].r + KavoriaPalette[i].g + KavoriaPalette[i].b, 0) << i;
        ++screens;
    }
    EXPECT_GE(screens, 30);
}
