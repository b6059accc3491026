// The town picture: composing the built slots of the town's level by
// priority, checked against a compose of its own at 8, 16 and 32 bits; the
// cache file per town and depth; the darkening by the time of day.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/gamefixture.h"
#include "common/gfxfixture.h"
#include "common/sdlharness.h"
#include "common/testutil.h"
#include "gfx/gfxnumber.h"
#include "gfx/pixfmt.h"
#include "gfx/sdlinit.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "town/stadtbild.h"

using namespace vektest;

namespace {

ULONG PlentyOfMemory() { return 1u << 30; }

void ResetGraphics()
{
    for (ULONG n = 1; n <= GFX_CACHE_SLOTS; n++)
        while (BitMapPtrArray[n - 1]) CloseKavorGfx(n);
    FreeCache(1);
}

// A slot graphic: w x h palette indices, 0 (see-through) on every 5th pixel.
struct Grafik {
    ULONG n, w, h;
    Bytes pixel;
};
Grafik MacheGrafik(ULONG n, ULONG w, ULONG h)
{
    Grafik g{n, w, h, PatternPicture(w, h, (int)n * 11)};
    for (size_t i = 0; i < g.pixel.size(); ++i)
        if (i % 5 == 0) g.pixel[i] = 0;
        else if (g.pixel[i] == 0) g.pixel[i] = 1;
    return g;
}

struct SlotSetzen {
    UWORD slot, gfx, x, y, w, h, prioritaet;
    UWORD stadtlevel = 1;
    UWORD bits = GFX_THISIMAGEISSET;
};

class StadtBild : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        dir = std::make_unique<ScratchDir>();
        SetTestPalette();
        screen = std::make_unique<SdlScreen>(GetParam());
        ASSERT_TRUE(screen->Ok());
        ResetGraphics();
        AvailMemHook = PlentyOfMemory;
        MakeDirs("Data/Cities");
        SchreibeGebaeude({});
        grafiken = {MacheGrafik(400, 40, 30), MacheGrafik(401, 50, 20), MacheGrafik(402, 64, 16),
                    MacheGrafik(403, 10, 10)};
        std::vector<GfxRecord> recs;
        for (const Grafik &g : grafiken) {
            const std::string name = "Pics/slot" + std::to_string(g.n);
            recs.push_back({.n = g.n, .w = g.w, .h = g.h, .pic = "Vek:" + name + ".iff"});
            WriteFile(name + ".chk", g.pixel);
        }
        WriteGfxIndex("Data/Path", 500, recs);
    }
    void TearDown() override
    {
        ResetGraphics();
        screen.reset();
        dir.reset();
    }
    int Depth() const { return GetParam(); }
    ULONG Pixel(UBYTE index) const
    {
        return Depth() == 8 ? index : ChunkyPixel(VekDisplay.VekScreen_ScreenFormat, index);
    }

    Stadt NeueStadt(const std::vector<SlotSetzen> &slots, UWORD level = 1)
    {
        Stadt t;
        std::memset(&t, 0, sizeof t);
        std::strcpy(t.Stadtname, "Demoburg");
        t.StadtID = 3;
        t.Level = level;
        t.TownChanged = 1;
        auto vorlage = StandardSlots();
        std::memcpy(t.GebaeudeAbhaengigkeiten, vorlage.data(), sizeof t.GebaeudeAbhaengigkeiten);
        for (const SlotSetzen &s : slots) {
            GebaeudeAbhaengigkeiten &g = t.GebaeudeAbhaengigkeiten[s.slot];
            g.GfxBitfeld = s.bits;
            g.Prioritaet = s.prioritaet;
            g.Stadtlevel = s.stadtlevel;
            g.GebaeudeDaten = {s.gfx, s.x, s.y, s.w, s.h};
        }
        return t;
    }

    // The picture expected over a background: slots drawn by priority,
    // then by slot, pixel 0 see-through, everything clipped.
    std::vector<ULONG> Erwartet(const Stadt &t, ULONG hintergrund)
    {
        std::vector<ULONG> bild(640 * 480, hintergrund);
        const StadtLevelBild &lv = StadtLevelDaten(t.Level);
        for (int p = 0; p < 480; ++p)
            for (int s = lv.ErsterSlot; s < lv.EndeSlot; ++s) {
                const GebaeudeAbhaengigkeiten &g = t.GebaeudeAbhaengigkeiten[s];
                if (!(g.GfxBitfeld & GFX_THISIMAGEISSET) || (g.GfxBitfeld & GFX_FORBIDDEN) || g.Prioritaet != p ||
                    g.Stadtlevel != lv.Level)
                    continue;
                const Grafik *gr = nullptr;
                for (const Grafik &x : grafiken)
                    if (x.n == g.GebaeudeDaten.GfxID) gr = &x;
                if (!gr) continue;
                for (ULONG y = 0; y < std::min<ULONG>(g.GebaeudeDaten.Hoehe, gr->h); ++y)
                    for (ULONG x = 0; x < std::min<ULONG>(g.GebaeudeDaten.Breite, gr->w); ++x) {
                        const ULONG px = g.GebaeudeDaten.XPos + x, py = g.GebaeudeDaten.YPos + y;
                        const UBYTE i = gr->pixel[y * gr->w + x];
                        if (px < 640 && py < 480 && i) bild[py * 640 + px] = Pixel(i);
                    }
            }
        return bild;
    }

    // Draws the town over a 640 x 480 target filled with the background and
    // returns the pixels; *log gets what was printed.
    std::vector<ULONG> Zeichne(Stadt &t, ULONG hintergrund, int *ergebnis, std::string *log = nullptr)
    {
        BitMap *ziel = AllocBitMap(640, 480, (ULONG)Depth(), 1, screen->BobBitMap());
        FillBitMap(ziel, hintergrund);
        RastPort rp;
        InitRastPort(&rp);
        rp.BitMap = ziel;
        StdoutCapture out;
        *ergebnis = DrawTownInto(&t, &rp);
        const std::string text = out.Take();
        if (log) *log = text;
        std::vector<ULONG> bild(640 * 480);
        for (LONG y = 0; y < 480; ++y)
            for (LONG x = 0; x < 640; ++x) bild[(size_t)(y * 640 + x)] = PixelAt(ziel, x, y);
        FreeBitMap(ziel);
        return bild;
    }

    // Pixels that differ; the unused top byte of 32-bit pixels is not compared
    // (blits between surfaces without alpha do not keep it).
    long Abweichungen(const std::vector<ULONG> &a, const std::vector<ULONG> &b) const
    {
        const ULONG maske = Depth() == 32 ? 0x00FFFFFFu : 0xFFFFFFFFu;
        long n = 0;
        for (size_t i = 0; i < a.size(); ++i) {
            const bool anders = ((a[i] ^ b[i]) & maske) != 0;
            if (anders && n == 0)
                ADD_FAILURE() << "first at " << i % 640 << "," << i / 640 << ": " << std::hex << a[i] << " != " << b[i];
            n += anders;
        }
        return n;
    }

    std::unique_ptr<ScratchDir> dir;
    std::unique_ptr<SdlScreen> screen;
    std::vector<Grafik> grafiken;
};

INSTANTIATE_TEST_SUITE_P(Depths, StadtBild, ::testing::Values(8, 16, 32),
                         [](const auto &info) { return std::to_string(info.param) + "bit"; });

TEST_P(StadtBild, ComposedLikeAnIndependentComposeThenCachedAndReadBack)
{
    Stadt t = NeueStadt({
        {3, 400, 100, 100, 40, 30, 7},                       // drawn over the next one
        {4, 401, 120, 110, 50, 20, 3},
        {5, 403, 105, 105, 10, 10, 7},                       // same priority, later slot: on top
        {6, 401, 300, 300, 50, 20, 1, 1, GFX_THISIMAGEISSET | GFX_FORBIDDEN},
        {7, 401, 200, 200, 50, 20, 1, 2},                    // of another level
        {8, 402, 600, 400, 64, 16, 2},                       // runs off the right edge
        {9, 402, 65535, 10, 64, 16, 2},                      // far outside
        {10, 400, 10, 470, 40, 30, 2},                       // runs off the bottom
        {11, 400, 400, 50, 20, 5, 4},                        // a part of its graphic
        {12, 401, 50, 50, 50, 20, 0, 1, 0},                  // not built
        {13, 401, 60, 60, 50, 20, 479},
        {70, 401, 0, 0, 50, 20, 0, 2},                       // a slot of level 2
    });
    const ULONG hintergrund = Depth() == 8 ? 0xEE : Pixel(0xEE);
    const auto erwartet = Erwartet(t, hintergrund);
    int ergebnis = -1;
    std::string log;
    const auto bild = Zeichne(t, hintergrund, &ergebnis, &log);
    EXPECT_EQ(ergebnis, 0);
    EXPECT_NE(log.find("DrawTown : Zeichne Stadt neu..."), std::string::npos);
    EXPECT_EQ(Abweichungen(bild, erwartet), 0);
    EXPECT_EQ(t.TownChanged, 0);
    EXPECT_EQ(GetFileSize("./Data/Cities/Demoburg.image"), 640u * 480u * (ULONG)(Depth() / 8));
    Stadt *gespeichert = LadeStadt("Demoburg");
    ASSERT_NE(gespeichert, nullptr);
    EXPECT_EQ(gespeichert->TownChanged, 0);
    FreeVec(gespeichert);

    // The second visit reads the cache and leaves the buildings alone.
    t.GebaeudeAbhaengigkeiten[11].GfxBitfeld = 0;
    const auto wieder = Zeichne(t, hintergrund, &ergebnis, &log);
    EXPECT_EQ(ergebnis, 0);
    EXPECT_NE(log.find("Lade Image..."), std::string::npos);
    EXPECT_EQ(log.find("Zeichne Stadt neu"), std::string::npos) << "no ChangeTownStatus on a clean visit";
    EXPECT_EQ(Abweichungen(wieder, erwartet), 0);

    // A changed record draws anew.
    t.TownChanged = 1;
    const auto neu = Zeichne(t, hintergrund, &ergebnis, &log);
    EXPECT_NE(log.find("Zeichne Stadt neu"), std::string::npos);
    EXPECT_EQ(Abweichungen(neu, Erwartet(t, hintergrund)), 0);
}

TEST_P(StadtBild, CacheOfAnotherDepthOrSizeIsDrawnAnew)
{
    Stadt t = NeueStadt({{3, 400, 100, 100, 40, 30, 7}});
    t.TownChanged = 0;
    const ULONG hintergrund = Depth() == 8 ? 0xEE : Pixel(0xEE);
    const ULONG richtig = 640u * 480u * (ULONG)(Depth() / 8);
    for (ULONG groesse : {307200u, 614400u, 1228800u, richtig + 1}) {
        if (groesse == richtig) continue;
        SCOPED_TRACE(groesse);
        WriteFile("Data/Cities/Demoburg.image", Bytes(groesse, 0x5A));
        int ergebnis = -1;
        std::string log;
        const auto bild = Zeichne(t, hintergrund, &ergebnis, &log);
        EXPECT_EQ(ergebnis, 0);
        EXPECT_NE(log.find("Zeichne Stadt neu"), std::string::npos);
        EXPECT_EQ(GetFileSize("./Data/Cities/Demoburg.image"), richtig);
        EXPECT_EQ(Abweichungen(bild, Erwartet(t, hintergrund)), 0);
    }
}

TEST_P(StadtBild, HostileLevelCountsAsOneAndFailuresAreReported)
{
    Stadt t = NeueStadt({{3, 400, 100, 100, 40, 30, 7}, {60, 401, 0, 0, 50, 20, 1, 2}}, 9);
    const ULONG hintergrund = Depth() == 8 ? 0xEE : Pixel(0xEE);
    int ergebnis = -1;
    auto bild = Zeichne(t, hintergrund, &ergebnis);
    EXPECT_EQ(ergebnis, 0);
    EXPECT_EQ(Abweichungen(bild, Erwartet(t, hintergrund)), 0);

    // Without the buildings file the buildings cannot be brought up to date.
    std::remove("Data/Gebaeude.dat");
    t.TownChanged = 1;
    std::string log;
    Zeichne(t, hintergrund, &ergebnis, &log);
    EXPECT_EQ(ergebnis, 1);
    EXPECT_NE(log.find("DrawTown : ChangeTownStatus fehlgeschlagen... !"), std::string::npos);
}

TEST(Dunkelheit, TargetsAndSteps)
{
    struct Zeit {
        int h, m;
        UBYTE ziel;
    };
    const Zeit zeiten[] = {{22, 0, 60}, {3, 59, 60}, {4, 0, 50}, {4, 30, 40}, {5, 0, 30}, {5, 30, 20},
                           {6, 0, 10},  {6, 30, 5},  {7, 0, 0},  {18, 59, 0}, {19, 0, 5},  {19, 30, 10},
                           {20, 0, 20}, {20, 30, 30}, {21, 0, 40}, {21, 29, 40}, {21, 30, 50}, {21, 45, 50}};
    for (const Zeit &z : zeiten) EXPECT_EQ(DunkelZiel(z.h, z.m), z.ziel) << z.h << ":" << z.m;

    // Opening at 21:45 jumps from 0 to 50.
    EXPECT_EQ(DunkelSchritt(0, DunkelZiel(21, 45)), 50);
    // Past 4:00 the night lifts 5 per check: 60, 55, 50.
    UBYTE p = 60;
    p = DunkelSchritt(p, DunkelZiel(4, 0));
    EXPECT_EQ(p, 55);
    p = DunkelSchritt(p, DunkelZiel(4, 0));
    EXPECT_EQ(p, 50);
    EXPECT_EQ(DunkelSchritt(p, DunkelZiel(4, 5)), 50);
    // Past 21:30 from 40 straight to 50; a step never passes the target.
    EXPECT_EQ(DunkelSchritt(40, DunkelZiel(21, 30)), 50);
    EXPECT_EQ(DunkelSchritt(3, 5), 5);
    EXPECT_EQ(DunkelSchritt(7, 5), 5);
    EXPECT_EQ(Abdunkeln(200, 60), 80);
    EXPECT_EQ(Abdunkeln(255, 0), 255);
    EXPECT_EQ(Abdunkeln(255, 100), 0);
}

}  // namespace
