// Which buildings a town may order or show: the rules over research,
// population, level and other buildings, the build chains, and the harbour's
// water beside the town read from the map sectors.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/gamefixture.h"
#include "common/testutil.h"
#include "world/cultivation.h"
#include "world/townenv.h"

namespace {

constexpr UWORD WASSER = 23, GRAS = 12;

Stadt NeueStadt(UWORD level)
{
    Stadt t;
    std::memset(&t, 0, sizeof t);
    std::strcpy(t.Stadtname, "Demoburg");
    t.Level = level;
    t.StadtVolk = 5000;
    auto slots = vektest::StandardSlots();
    std::memcpy(t.GebaeudeAbhaengigkeiten, slots.data(), sizeof t.GebaeudeAbhaengigkeiten);
    return t;
}

st_FORS Forschung(UBYTE stufe)
{
    st_FORS f;
    std::memset(&f, 0, sizeof f);
    f.Alchemie = f.Astronomie = f.Kampftechnik = f.Naturkunde = f.Medizin = f.Technik = f.Theologie = stufe;
    return f;
}

TEST(CheckTownEnv, Rules)
{
    struct Fall {
        const char *name;
        UWORD level;
        UWORD slot;
        int full;
        bool mitFors;
        void (*einrichten)(Stadt &);
        int erwartet;
    };
    auto nichts = [](Stadt &) {};
    const Fall faelle[] = {
        {"plain level-1 building", 1, 3, 1, false, nichts, 1},
        {"no research chunk, a level needed", 1, 3, 1, false,
         [](Stadt &t) { t.GebaeudeAbhaengigkeiten[3].GebaeudeForschung.Theologie = 1; }, 0},
        {"research chunk reaches the level", 1, 3, 1, true,
         [](Stadt &t) { t.GebaeudeAbhaengigkeiten[3].GebaeudeForschung.Theologie = 2; }, 1},
        {"research chunk one short", 1, 3, 1, true,
         [](Stadt &t) { t.GebaeudeAbhaengigkeiten[3].GebaeudeForschung.Medizin = 3; }, 0},
        {"browsing ignores research", 1, 3, 0, false,
         [](Stadt &t) { t.GebaeudeAbhaengigkeiten[3].GebaeudeForschung.Theologie = 1; }, 1},
        {"population one short", 1, 3, 1, false, [](Stadt &t) { t.GebaeudeAbhaengigkeiten[3].Volk = 5001; }, 0},
        {"population just enough", 1, 3, 1, false, [](Stadt &t) { t.GebaeudeAbhaengigkeiten[3].Volk = 5000; }, 1},
        {"town level too low", 1, 60, 1, false, nichts, 0},
        {"required building missing", 1, 3, 1, false,
         [](Stadt &t) { t.GebaeudeAbhaengigkeiten[3].AndereGebaeude.OtherID3 = 11; }, 0},
        {"required building standing", 1, 3, 1, false,
         [](Stadt &t) {
             t.GebaeudeAbhaengigkeiten[3].AndereGebaeude.OtherID3 = 11;
             t.GebaeudeAbhaengigkeiten[10].GfxBitfeld |= GFX_THISIMAGEISSET;
         }, 1},
        {"required building past the slots", 1, 3, 1, false,
         [](Stadt &t) { t.GebaeudeAbhaengigkeiten[3].AndereGebaeude.OtherID1 = 236; }, 0},
        {"higher chain member not browsed", 2, 99, 0, false, nichts, 0},
        {"higher chain member may be ordered", 2, 99, 1, false, nichts, 1},
        {"level-4 chain member not browsed", 4, 224, 0, false, nichts, 0},
        {"chain foot browsed", 1, 0, 0, false, nichts, 1},
        {"level 2 no longer takes 107", 2, 107, 1, false, nichts, 0},
        {"level 1 still takes 59", 2, 60, 1, false, nichts, 1},
        {"level 9 counts as grown", 9, 225, 1, false, nichts, 0},
        {"built granary again", 1, 0, 1, false, [](Stadt &t) { t.GebaeudeAbhaengigkeiten[0].GfxBitfeld |= GFX_THISIMAGEISSET; }, 1},
        {"built slot 1 again", 1, 1, 1, false, [](Stadt &t) { t.GebaeudeAbhaengigkeiten[1].GfxBitfeld |= GFX_THISIMAGEISSET; }, 1},
        {"built contor again", 2, 98, 1, false, [](Stadt &t) { t.GebaeudeAbhaengigkeiten[98].GfxBitfeld |= GFX_THISIMAGEISSET; }, 1},
        {"built tavern refused", 1, 14, 1, false, [](Stadt &t) { t.GebaeudeAbhaengigkeiten[14].GfxBitfeld |= GFX_THISIMAGEISSET; }, 0},
        {"slot 29 never", 1, 29, 1, false, nichts, 0},
        {"slot 30 never", 1, 30, 0, false, nichts, 0},
        {"scenery never", 1, 5, 1, false, [](Stadt &t) { t.GebaeudeAbhaengigkeiten[5].GfxBitfeld |= GFX_DUMMYGRAFIK; }, 0},
        {"slot past the record", 4, 235, 1, false, nichts, 0},
        {"slot far past the record", 4, 65535, 0, false, nichts, 0},
    };
    const st_FORS fors = Forschung(2);
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        Stadt t = NeueStadt(f.level);
        t.StadtVolk = 5000;
        f.einrichten(t);
        EXPECT_EQ(CheckTownEnv(&t, f.mitFors ? &fors : nullptr, f.slot, f.full), f.erwartet);
    }
    EXPECT_EQ(CheckTownEnv(nullptr, &fors, 3, 1), 0);
}

// Counts the sector reads and keeps their names, reading through the real reader.
std::vector<std::string> gelesen;
int ZaehlendLesen(const char *name, MapEntry *ziel, int *fehlt)
{
    gelesen.push_back(name);
    return LadeKartenDatei(name, ziel, fehlt);
}

class Hafen : public testing::Test {
protected:
    vektest::ScratchDir dir;
    void SetUp() override
    {
        gelesen.clear();
        TownEnvLadeSektorHook = ZaehlendLesen;
    }
    void TearDown() override { TownEnvLadeSektorHook = LadeKartenDatei; }
    static int HafenErlaubt(ULONG x, ULONG y, UWORD slot = 51)
    {
        Stadt t = NeueStadt(4);
        t.XPos = x;
        t.YPos = y;
        return CheckTownEnv(&t, nullptr, slot, 1);
    }
};

TEST_F(Hafen, WaterOnlyBelowLeftCountsForAnOddColumnOnly)
{
    struct Fall {
        const char *name;
        ULONG x, y;
        UWORD slot;
        int erwartet;
    };
    const Fall faelle[] = {
        {"odd column", 101, 50, 51, 1},
        {"even column", 100, 50, 51, 0},
        {"odd column, level-2 harbour", 101, 50, 92, 1},
        {"even column, level-4 harbour", 100, 50, 214, 0},
        {"even column, no harbour", 100, 50, 52, 1},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        vektest::SchreibeTeil(1, 1, {{(LONG)f.x - 1, (LONG)f.y + 1, WASSER, NIEMAND}, {(LONG)f.x, (LONG)f.y, GRAS, NIEMAND}});
        EXPECT_EQ(HafenErlaubt(f.x, f.y, f.slot), f.erwartet);
    }
}

TEST_F(Hafen, TownAtTheOriginLooksAcrossBothSeams)
{
    const LONG R = WELT_HOEHE - 1, C = WELT_BREITE - 1;
    auto alleTrocken = [&] {
        vektest::SchreibeTeil(0, 159, {});
        vektest::SchreibeTeil(0, 0, {});
        vektest::SchreibeTeil(159, 0, {});
        vektest::SchreibeTeil(159, 159, {});
    };
    alleTrocken();
    EXPECT_EQ(HafenErlaubt(0, 0), 0);
    const std::vector<std::string> vier = {"./Map/M_0_159.map", "./Map/M_0_0.map", "./Map/M_159_0.map",
                                           "./Map/M_159_159.map"};
    EXPECT_EQ(gelesen, vier);

    struct Fall {
        LONG x, y;
        int erwartet;
    };
    const Fall faelle[] = {{0, R, 1}, {1, R, 1}, {1, 0, 1}, {0, 1, 1}, {C, 0, 1}, {C, R, 1},
                           {1, 1, 0}, {C, 1, 0}, {0, R - 1, 0}, {2, 0, 0}};
    for (const Fall &f : faelle) {
        SCOPED_TRACE(std::to_string(f.x) + "," + std::to_string(f.y));
        alleTrocken();
        vektest::SchreibeTeil(f.x / TEIL_BREITE, f.y / TEIL_HOEHE, {{f.x, f.y, WASSER, NIEMAND}});
        EXPECT_EQ(HafenErlaubt(0, 0), f.erwartet);
    }
}

TEST_F(Hafen, UnreadableSectorsCountAsDry)
{
    const LONG R = WELT_HOEHE - 1, C = WELT_BREITE - 1;
    vektest::SchreibeTeil(0, 159, {});
    vektest::SchreibeTeil(0, 0, {});
    vektest::SchreibeTeil(159, 0, {});
    // The last sector is missing, so water there is never seen.
    EXPECT_EQ(HafenErlaubt(0, 0), 0);
    EXPECT_EQ(gelesen.back(), "./Map/M_159_159.map");

    // A missing first sector is read once for its two hexes and passed over.
    std::remove("Map/M_0_159.map");
    vektest::SchreibeTeil(159, 159, {{C, R, WASSER, NIEMAND}});
    gelesen.clear();
    EXPECT_EQ(HafenErlaubt(0, 0), 1);
    EXPECT_EQ(gelesen.size(), 4u);

    // A sector one byte short is not a sector.
    auto b = vektest::ReadBytes("Map/M_159_159.map");
    b.pop_back();
    vektest::WriteBytes("Map/M_159_159.map", b);
    EXPECT_EQ(HafenErlaubt(0, 0), 0);
}

}  // namespace
