// Warehouse capacity, weighted goods and luxury needs.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "world/turnfixture.h"
#include "world/warehouse.h"

namespace {

using namespace turnfix;

void WriteGeba(const std::vector<UWORD> &ids, const char *file = GEBAEUDE_FILE)
{
    std::vector<st_BAUE_EXT> r;
    for (UWORD id : ids) {
        st_BAUE_EXT b{};
        b.GebID = id;
        r.push_back(b);
    }
    st_GEBA g{};
    g.AnzGeb = (UWORD)r.size();
    Bytes c = MakeChunk(CN_GEBA, g, r);
    ASSERT_TRUE(SaveChunk2File(file, c.data()));
}

void WriteWare(const std::vector<st_WARE_EXT> &w)
{
    st_WARE h{};
    h.AnzWaren = (UWORD)w.size();
    Bytes c = MakeChunk(CN_WARE, h, w);
    ASSERT_TRUE(SaveChunk2File(WAREN_FILE, c.data()));
}

st_WARE_EXT Ware(UWORD info, ULONG typ, ULONG anzahl)
{
    st_WARE_EXT w{};
    w.Info = info;
    w.WarenTyp = typ;
    w.WarenAnzahl = anzahl;
    return w;
}

TEST(Warehouse, CapacityFromResidencesAndContors)
{
    struct Case {
        std::vector<UWORD> geba;
        UWORD kontore;
        ULONG capacity;
    };
    const Case cases[] = {{{}, 0, 200000}, {{15, 3}, 0, 200000}, {{15, 15, 4}, 3, 700000}, {{1}, 2, 400000}};
    for (const Case &c : cases) {
        GameDir dir;
        WriteGeba(c.geba);
        st_KORN k{};
        k.AnzKontore = c.kontore;
        Put(MakeChunk(CN_KORN, k), POOL_IN);
        EXPECT_EQ(GetSizeOfWarehouse(), c.capacity);
    }
    GameDir dir;  // neither file
    EXPECT_EQ(GetSizeOfWarehouse(), 200000u);
}

TEST(Warehouse, GoodsWeighedInSinglePrecisionAndCutTowardZero)
{
    struct Case {
        std::vector<st_WARE_EXT> ware;
        ULONG goods;
    };
    const Case cases[] = {
        {{Ware(5, 1, 3)}, 0},
        {{Ware(5, 1, 10)}, 1},
        {{Ware(0, 0, 100)}, 1},  // 0.01f x 100 is 1 in single precision
        {{Ware(5, 7, 5), Ware(0, 10, 3)}, 21},
        {{Ware(2, 7, 5), Ware(4, 7, 5), Ware(1, 7, 5)}, 0},  // only offers and stock weigh
        {{Ware(5, 115, 100), Ware(5, 116, 100), Ware(5, 0xFFFFFFFF, 100)}, 55},
        {{Ware(5, 55, 4000000000u)}, 0xFFFFFFFFu},
        {{Ware(5, 55, 8000000), Ware(5, 55, 8000000)}, 0xFFFFFFFFu},
    };
    for (const Case &c : cases) {
        GameDir dir;
        WriteWare(c.ware);
        EXPECT_EQ(GetHowMuchGoods(), c.goods) << c.ware.size();
    }
    GameDir dir;
    EXPECT_EQ(GetHowMuchGoods(), 0u);
}

TEST(Warehouse, LuxuryResourcesFromBuildingsAndChurchPoints)
{
    GameDir dir;
    WriteGeba({16, 50, 108, 231, 47, 23});
    st_TAXE t{};
    t.KirchenPunkte = 9;
    Put(MakeChunk(CN_TAXE, t), POOL_IN);
    Put(MakeChunk(CN_GEBA, st_GEBA{}), POOL_IN);  // the turn carried buildings
    LuxusResources *r = GetLuxusResources();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(+r->KirchenPunkte, 9);
    EXPECT_EQ(+r->SchulPunkte, 3);
    EXPECT_EQ(+r->GesundheitsPunkte, 1);
    EXPECT_EQ(+r->GebaeudeStufe1, 4);
    EXPECT_EQ(+r->GebaeudeStufe2, 177);
    EXPECT_EQ(+r->AnzahlGebaeude, 6);
    EXPECT_EQ(+r->LuxusPunkte, 0);
    FreeVec(r);

    GameDir dir2;  // without GEBA in the pool the buildings do not count
    WriteGeba({16, 50});
    r = GetLuxusResources();
    EXPECT_EQ(+r->SchulPunkte, 0);
    EXPECT_EQ(+r->AnzahlGebaeude, 0);
    FreeVec(r);
}

TEST(Warehouse, LuxuryNeedPerLine)
{
    LuxusResources r{};
    r.KirchenPunkte = 4;
    r.SchulPunkte = 3;
    r.GesundheitsPunkte = 2;
    r.AnzahlGebaeude = 30;
    r.GebaeudeStufe1 = 20;
    r.GebaeudeStufe2 = 10;
    const ULONG want[16] = {8, 1, 10, 17, 1, 43, 27, 10, 45, 15, 100, 14, 101, 50, 14, 100};
    for (short line = 3; line <= 18; ++line)
        EXPECT_EQ(LuxusNeeded(line, 0, 0, 0, &r, 150000), want[line - 3]) << line;

    struct Case {
        short line;
        long t, p, m;
        ULONG volk, need;
    };
    const Case cases[] = {
        {18, 0, 0, 0, 1499, 0}, {18, 0, 0, 0, 1500, 1}, {0, -7, 0, 0, 0, 70}, {1, 0, -7, 0, 0, 70},
        {2, 0, 0, -7, 0, 70},   {0, 7, -7, -7, 0, 0},   {0, LONG_MIN, 0, 0, 0, 0xFFFFFFFFu}, {1, 0, INT_MIN, 0, 0, 0xFFFFFFFFu},
        {19, -7, -7, -7, 9999999, 0}, {-1, -7, -7, -7, 9999999, 0}};
    for (const Case &c : cases)
        EXPECT_EQ(LuxusNeeded(c.line, c.t, c.p, c.m, nullptr, c.volk), c.need) << c.line << " " << c.volk;
}

TEST(Warehouse, AssignmentFileOnlyWhenWhole)
{
    for (size_t size : {0, 75, 76, 77, 152}) {
        GameDir dir;
        // The numbers 1, 2, 3, ... in host order, cut to size bytes.
        ULONG numbers[38];
        for (ULONG k = 0; k < 38; ++k) numbers[k] = k + 1;
        const Bytes b((const uint8_t *)numbers, (const uint8_t *)numbers + size);
        if (size) vektest::WriteBytes(LUXUS_FILE, b);
        ULONG z[LUXUS_LINIEN];
        std::fill(z, z + LUXUS_LINIEN, 77u);
        EXPECT_EQ(LoadLuxusZuweisung(z), size == 76 ? 1 : 0) << size;
        EXPECT_EQ(z[18], size == 76 ? 19u : 0u) << size;
    }
}

}  // namespace
