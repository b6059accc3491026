// Building and ware animations replace the one before them and clear its
// area; ware names reach the file system as UTF-8; an object strip's frame
// is drawn from its own rows over the restored background.
#include <gtest/gtest.h>

#include "common/gfxfixture.h"
#include "common/sdlharness.h"
#include "gfx/gfxnumber.h"
#include "gfx/screen.h"
#include "kit.h"
#include "moviefixture.h"
#include "platform/system.h"

using namespace movietest;

namespace {

class Animations : public ::testing::Test {
protected:
    void SetUp() override
    {
        vektest::SetTestPalette();
        sdl = std::make_unique<vektest::SdlScreen>(8);
        ASSERT_TRUE(sdl->Ok());
        mb = AllocMovieBase(&screen, 0, 0, 0);
        for (const char *name : {"Lager.CBAN", "Ballista_gro\xC3\x9F.cban", "Zweihaender.CBAN"})
            for (const vekdemo::AnimSpec &a : vekdemo::AnimList())
                if (a.name == name) vektest::WriteFile("Anims/" + a.name, vekdemo::AnimFile(a));
        vektest::WriteFile("Anims/old.cban", MovieFile(ThreeFrames(), true));
    }
    void TearDown() override
    {
        FreeMovieBase(mb);
        sdl.reset();
    }
    st_Movie *Old() { return LoadMovie(mb, "Anims/old.cban", nullptr, nullptr); }

    vektest::ScratchDir dir;
    std::unique_ptr<vektest::SdlScreen> sdl;
    Screen screen{};
    st_MovieBase *mb = nullptr;
};

}  // namespace

TEST(AnimationTables, NamesByNumber)
{
    const std::pair<UWORD, const char *> buildings[] = {
        {0, "Lager.CBAN"}, {25, "Marktplatz.CBAN"}, {108, "Residenz.CBAN"}, {231, "Festung.CBAN"}, {3, nullptr},
        {232, nullptr}};
    for (auto [id, name] : buildings) {
        SCOPED_TRACE(id);
        EXPECT_STREQ(GebaeudeAnimName(id), name);
    }
    const std::pair<UWORD, const char *> wares[] = {
        {0, "Korn.cban"}, {6, "Nichts.cban"}, {8, "Ballista_gro\xC3\x9F.cban"}, {56, "Kraut01.cban"},
        {73, "Kraut18.cban"}, {77, "Zweihaender.CBAN"}, {79, "Ro\xC3\x9Fschinder.cban"}, {98, "Luxus/Pflanzen.cban"},
        {115, "Zwergenschwert.cban"}, {116, ""}, {117, nullptr}, {0xFFFF, nullptr}};
    for (auto [id, name] : wares) {
        SCOPED_TRACE(id);
        EXPECT_STREQ(WareAnimName(id), name);
    }
}

TEST_F(Animations, ReplacingClearsTheOldAreaAlsoWithoutANewAnimation)
{
    struct Row {
        const char *name;
        bool ware;
        UWORD id;
        LONG w, h;
        bool loads;
        const char *path;
    };
    const Row rows[] = {
        {"unknown building", false, 3, 220, 200, false, nullptr},
        {"building without its file", false, 1, 220, 200, false, "./Anims/Muehle.CBAN"},
        {"building", false, 0, 220, 200, true, "./Anims/Lager.CBAN"},
        {"ware with sharp s", true, 8, 160, 120, true, "./Anims/Ballista_gro\xC3\x9F.cban"},
        {"ware with upper-case extension", true, 77, 160, 120, true, "./Anims/Zweihaender.CBAN"},
        {"ware naming the directory", true, 116, 160, 120, false, "./Anims/"},
        {"ware past the table", true, 117, 160, 120, false, nullptr},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        vektest::FillBitMap(sdl->ViewBitMap(), 9);
        st_Movie *old = Old();
        ASSERT_NE(old, nullptr);
        vektest::StdoutCapture out;
        st_Movie *m = r.ware ? AnimateWare(mb, old, r.id, 10, 20) : AnimateGebaeude(mb, old, r.id, 10, 20);
        const std::string printed = out.Take();
        EXPECT_EQ(m != nullptr, r.loads);
        EXPECT_EQ(vektest::BoundsOf(sdl->ViewBitMap(), 0), (vektest::Rect{10, 20, r.w, r.h}));
        EXPECT_EQ(vektest::CountOther(sdl->ViewBitMap(), 9), r.w * r.h);
        if (r.path) {
            EXPECT_NE(printed.find(std::string("AnimateWare : Zu ladene Anim ist ") + r.path + "\n"), std::string::npos);
        }
        // A missing file is not handed to the loader; one that does not load says so.
        EXPECT_EQ(printed.find("AFX_Open(): ./Anims/Muehle"), std::string::npos);
        EXPECT_EQ(printed.find("AnimateWare: Konnte Anim nicht laden !\n") != std::string::npos, r.id == 116 && r.ware);
        if (m) {
            EXPECT_EQ((std::vector<LONG>{m->Color, m->Loop, m->Crypto, m->Paused, m->LeftEdge, m->TopEdge}),
                      (std::vector<LONG>{1, 1, 1, 0, 10, 20}));
            EXPECT_EQ(m->FrameTime.tv_usec, r.ware ? 100000 : 125000);
            UnloadMovie(mb, m);
        }
    }
}

TEST_F(Animations, ObjectMaskDrawsTheFramesRowsOverTheRestoredBackground)
{
    // A strip of 5 frames of 4 x 54: pixel (x, row) = row % 200 + 1, column 0 transparent.
    Bytes strip;
    for (int row = 0; row < 270; ++row)
        for (int x = 0; x < 4; ++x) strip.push_back(x == 0 ? 0 : (UBYTE)(row % 200 + 1));
    vektest::WriteGfxIndex("Data/Path", 10, {{.n = 2, .w = 4, .h = 270, .pic = "Vek:Pics/strip.iff"}});
    vektest::WriteFile("Pics/strip.chk", strip);
    BitMap *back = AllocBitMap(64, 64, 8, 1, nullptr);
    vektest::FillBitMap(back, 7);
    RastPort source;
    InitRastPort(&source);
    source.BitMap = back;
    vektest::FillBitMap(sdl->ViewBitMap(), 250);  // a colour the strip does not hold
    EXPECT_EQ(AnimObjektMask(&source, 0, 0, nullptr, 100, 100, 2, 0, 3, 4, 54), 1);
    for (int y = 0; y < 54; ++y) {
        SCOPED_TRACE(y);
        EXPECT_EQ(vektest::RowOf(sdl->ViewBitMap(), 100, 100 + y, 4),
                  (std::vector<ULONG>{7, (ULONG)((162 + y) % 200 + 1), (ULONG)((162 + y) % 200 + 1),
                                      (ULONG)((162 + y) % 200 + 1)}));
    }
    EXPECT_EQ(vektest::CountOther(sdl->ViewBitMap(), 250), 4 * 54);
    EXPECT_EQ(StartFrame.load(), 0u);
    EXPECT_EQ(BitMapPtrArray[1], nullptr);  // loaded for the call, closed again
    vektest::StdoutCapture out;
    EXPECT_EQ(AnimObjektMask(nullptr, 0, 0, nullptr, 0, 0, 3, 0, 0, 0, 0), 0);
    EXPECT_EQ(AnimObjektMask(nullptr, 0, 0, nullptr, 0, 0, 0, 0, 0, 0, 0), 0);
    EXPECT_NE(out.Take().find("AnimObjektMask: Konnte Grafik nicht \366ffnen !\n"), std::string::npos);
    FreeBitMap(back);
}
