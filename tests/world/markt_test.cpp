// The home market: units and prices of the rules with fixed dice, and the
// once-a-turn cache in ./Data/Waren.dat.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/gamefixture.h"
#include "platform/files.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "world/markt.h"
#include "world/towns.h"
#include "world/turnfixture.h"

namespace {

using namespace turnfix;

ULONG DiceZero(ULONG) { return 0; }
ULONG DiceMax(ULONG n) { return n; }
int wuerfe = 0;
ULONG DiceCount(ULONG) { return ++wuerfe, 0; }

struct DiceFixed {
    explicit DiceFixed(ULONG (*d)(ULONG)) { MarktWuerfelHook = d; }
    ~DiceFixed() { MarktWuerfelHook = Wuerfel; }
};

// A realm in a game folder: the context of the rules and the preferences.
struct Markt : GameDir {
    MarktKontext c{};
    Stadt stadt{};
    const std::vector<LONG> tabelle;

    Markt() : tabelle(&WarenWerte[0][0], &WarenWerte[0][0] + WAREN_TYPES * WARENWERTE_SPALTEN)
    {
        c.AktStadt = &stadt;
        c.Marktangebote = -1;
        for (UWORD id : {PREF_ROHWAREN, PREF_MARKT_GEMACHT, PREF_LUXUSWARE, PREF_HOLZ, PREF_STEIN})
            EXPECT_TRUE(CheckPrefsWrite(id, 0));
    }
    ~Markt() { std::memcpy(WarenWerte, tabelle.data(), tabelle.size() * sizeof(LONG)); }
    void Baue(int slot) { stadt.GebaeudeAbhaengigkeiten[slot].GfxBitfeld |= GFX_THISIMAGEISSET; }
    // The helmet's realm: 10,000 people, mineral sources at factor 5,
    // blacksmiths, Kampftechnik 1.
    void Helmrealm()
    {
        c.Land.AnzVolk = 10000;
        c.Land.AnzMineralHq = 3;
        c.FaktorMineral = 5;
        c.Forschung.Kampftechnik = 1;
        Baue(SLOT_SCHMIEDE);
    }
};

TEST(MarktEinheiten, PopulationRuleWithItsGates)
{
    Markt m;
    m.Helmrealm();
    {
        DiceFixed d(DiceZero);
        EXPECT_EQ(ErrechneWarenEinheiten(&m.c, 10), 100u);
    }
    {
        DiceFixed d(DiceMax);  // B 100 + a die of 100 + a die of 100 x 10
        EXPECT_EQ(ErrechneWarenEinheiten(&m.c, 10), 1200u);
    }
    DiceFixed d(DiceZero);
    m.c.Forschung.Kampftechnik = 0;
    EXPECT_EQ(ErrechneWarenEinheiten(&m.c, 10), 0u) << "research gate";
    m.c.Forschung.Kampftechnik = 1;
    m.stadt.GebaeudeAbhaengigkeiten[SLOT_SCHMIEDE].GfxBitfeld = 0;
    EXPECT_EQ(ErrechneWarenEinheiten(&m.c, 10), 0u) << "no blacksmiths";
    // Special items need level 8 everywhere, which no field reaches.
    m.Baue(SLOT_SCHMIEDE);
    m.Baue(SLOT_SAEGEWERK);
    m.c.Land.AnzPflanzHq = m.c.Land.AnzTierHq = 3;
    m.c.FaktorTier = m.c.FaktorPflanz = 5;
    std::memset(&m.c.Forschung.Alchemie, 7, 7);
    for (ULONG t : {102u, 103u, 104u, 105u, 113u, 114u, 115u}) EXPECT_EQ(ErrechneWarenEinheiten(&m.c, t), 0u) << t;
    // A negative W takes its die off; the result never goes below 0.
    m.c.FaktorMineral = -40;
    DiceFixed dm(DiceMax);
    EXPECT_EQ(ErrechneWarenEinheiten(&m.c, 10), 0u);
}

TEST(MarktEinheiten, LargeRealmSaturatesInsteadOfWrapping)
{
    Markt m;
    m.Helmrealm();
    m.c.Land.AnzVolk = 65536 * 100;  // B = 65,536
    m.c.FaktorMineral = 32768;       // W = 65,536
    {
        DiceFixed d(DiceMax);
        EXPECT_EQ(ErrechneWarenEinheiten(&m.c, 10), 0xFFFFFFFFu);
    }
    // The dice bound stops at 2^32 - 1 instead of wrapping to 0.
    static ULONG grenze;
    grenze = 0;
    MarktWuerfelHook = [](ULONG n) -> ULONG { grenze = std::max(grenze, n); return 0; };
    ErrechneWarenEinheiten(&m.c, 10);
    MarktWuerfelHook = Wuerfel;
    EXPECT_EQ(grenze, 0xFFFFFFFFu);
    // |W| of a factor of -2^31 is taken in 64 bits.
    m.c.FaktorMineral = (LONG)0x80000000u;
    DiceFixed d(DiceZero);
    EXPECT_EQ(ErrechneWarenEinheiten(&m.c, 10), 65536u * 1);
}

TEST(MarktEinheiten, ChosenLuxuryWareAndItsLapse)
{
    Markt m;
    DiceFixed d(DiceZero);
    m.c.Land.AnzVolk = 10000;
    m.c.Land.AnzTierHq = 2;
    m.c.FaktorTier = -3;
    ASSERT_TRUE(CheckPrefsWrite(PREF_LUXUSWARE, WARE_PELZE));
    EXPECT_EQ(ErrechneWarenEinheiten(&m.c, WARE_PELZE), 400u);  // 50 x 8
    EXPECT_EQ(ErrechneWarenPreis(&m.c, WARE_PELZE), 19u);
    EXPECT_EQ(WarenWerte[WARE_PELZE][WW_MENSCHEN], 0) << "the table is left as it is";
    // No sources: the choice lapses, and the next computation of the run
    // offers no furs.
    m.c.Land.AnzTierHq = 0;
    EXPECT_EQ(ErrechneWarenEinheiten(&m.c, WARE_PELZE), 0u);
    EXPECT_EQ(CheckPrefs(PREF_LUXUSWARE, PREFS_READ, 0), 0u);
    m.c.Land.AnzTierHq = 2;
    EXPECT_EQ(ErrechneWarenEinheiten(&m.c, WARE_PELZE), 0u);
    // A missing building only removes the ware from this turn; the choice stays.
    ASSERT_TRUE(CheckPrefsWrite(PREF_LUXUSWARE, WARE_OEL));
    m.c.Land.AnzPflanzHq = 2;
    m.c.FaktorPflanz = 4;
    EXPECT_EQ(ErrechneWarenEinheiten(&m.c, WARE_OEL), 0u);
    EXPECT_EQ(CheckPrefs(PREF_LUXUSWARE, PREFS_READ, 0), WARE_OEL);
}

TEST(MarktEinheiten, RawGoodsWoodAndStone)
{
    Markt m;
    DiceFixed d(DiceZero);
    m.c.FaktorTier = 4;
    m.c.FaktorPflanz = 0;
    m.c.FaktorMineral = 2;
    m.Baue(SLOT_SCHMIEDE);
    m.Baue(SLOT_SAEGEWERK);
    ASSERT_TRUE(CheckPrefsWrite(PREF_HOLZ, 400));
    ASSERT_TRUE(CheckPrefsWrite(PREF_STEIN, 250));
    // No sources: wood and stone only, every price 0.
    std::vector<ULONG> angebot;
    for (ULONG t = 0; t < (ULONG)WAREN_TYPES; ++t) {
        if (ErrechneWarenEinheiten(&m.c, t)) angebot.push_back(t);
        EXPECT_EQ(ErrechneWarenPreis(&m.c, t), 0u) << t;
    }
    EXPECT_EQ(angebot, (std::vector<ULONG>{WARE_HOLZ, WARE_STEIN}));
    EXPECT_EQ(ErrechneWarenEinheiten(&m.c, WARE_HOLZ), 400u);
    // Raw-goods mode adds the raw units of factors of at least 1.
    ASSERT_TRUE(CheckPrefsWrite(PREF_ROHWAREN, 1));
    angebot.clear();
    for (ULONG t = 0; t < (ULONG)WAREN_TYPES; ++t)
        if (ErrechneWarenEinheiten(&m.c, t)) angebot.push_back(t);
    EXPECT_EQ(angebot, (std::vector<ULONG>{1, 3, WARE_HOLZ, WARE_STEIN}));
    EXPECT_EQ(ErrechneWarenEinheiten(&m.c, 1), 40u);
}

TEST(MarktPreis, CustomsPlusOneHundredAndOnePercent)
{
    Markt m;
    m.c.Land.AnzMineralHq = 1;
    // Ballista, small: base 150, plant weight 1; the plant factor sets W.
    struct Fall { UWORD zoll; LONG pflanz; ULONG preis; } faelle[] = {
        {0, 100, 15 * 101 / 100},  // W > 90: 10 %
        {0, 50, 75 * 101 / 100},
        {0, 0, 300 * 101 / 100},
        {10, 0, 300 * 111 / 100},
    };
    for (const Fall &f : faelle) {
        m.c.Zoll100 = f.zoll;
        m.c.FaktorPflanz = f.pflanz;
        EXPECT_EQ(ErrechneWarenPreis(&m.c, 7), f.preis) << f.zoll << " " << f.pflanz;
    }
    // A GetWarenPreis of 150 (a base of 1,500 at W = 90 keeps 10 %):
    // customs 0 -> 151, 10 -> 166.
    WarenWerte[7][WW_PREIS] = 1500;
    m.c.FaktorPflanz = 90;
    m.c.Zoll100 = 0;
    EXPECT_EQ(ErrechneWarenPreis(&m.c, 7), 151u);
    m.c.Zoll100 = 10;
    EXPECT_EQ(ErrechneWarenPreis(&m.c, 7), 166u);
    // 64 bits: base 1,360,000 at customs 65,535.
    WarenWerte[7][WW_PREIS] = 680000;
    m.c.FaktorPflanz = 0;
    m.c.Zoll100 = 65535;
    EXPECT_EQ(ErrechneWarenPreis(&m.c, 7), 892649600u);
    // Wood and stone are free; raw-goods mode prices the wares up to 81 at 0.
    EXPECT_EQ(ErrechneWarenPreis(&m.c, WARE_HOLZ), 0u);
    ASSERT_TRUE(CheckPrefsWrite(PREF_ROHWAREN, 1));
    EXPECT_EQ(ErrechneWarenPreis(&m.c, 7), 0u);
}

TEST(MarktCache, MadeOnceSavedAndReadBack)
{
    Markt m;
    m.Helmrealm();
    ASSERT_TRUE(CheckPrefsWrite(PREF_HOLZ, 400));
    wuerfe = 0;
    DiceFixed d(DiceCount);
    ASSERT_TRUE(HeimMarktBauen(&m.c));
    EXPECT_GT(wuerfe, 0);
    EXPECT_EQ(CheckPrefs(PREF_MARKT_GEMACHT, PREFS_READ, 0), 1u);
    EXPECT_EQ(GetFileSize(WARENDAT_FILE), WARENDAT_BYTES);
    EXPECT_EQ(m.c.Marktangebote, (LONG)HeimMarktAnzahl(&m.c));
    EXPECT_EQ(m.c.Waren[10], 100u);
    const auto datei = vektest::ReadBytes(WARENDAT_FILE);
    EXPECT_EQ(std::memcmp(datei.data(), m.c.Waren, WARENDAT_BYTES), 0) << "host order, units then prices";

    // A second visit: the same offer, no dice, Marktangebote stays -1.
    MarktKontext zweite = m.c;
    zweite.WarenGeladen = 0;
    zweite.Marktangebote = -1;
    std::memset(zweite.Waren, 0, sizeof zweite.Waren);
    wuerfe = 0;
    ASSERT_TRUE(HeimMarktBauen(&zweite));
    EXPECT_EQ(wuerfe, 0);
    EXPECT_EQ(zweite.Marktangebote, -1);
    EXPECT_EQ(std::memcmp(zweite.Waren, m.c.Waren, WARENDAT_BYTES), 0);
}

TEST(MarktCache, WrongSizesAndFailedSaves)
{
    for (ULONG groesse : {927u, 929u}) {
        SCOPED_TRACE(groesse);
        Markt m;
        m.Helmrealm();
        DiceFixed d(DiceZero);
        vektest::WriteBytes(WARENDAT_FILE, std::vector<UBYTE>(groesse, 1));
        ASSERT_TRUE(CheckPrefsWrite(PREF_MARKT_GEMACHT, 1));
        ASSERT_TRUE(HeimMarktBauen(&m.c));
        EXPECT_FALSE(vektest::Exists(WARENDAT_FILE));
        EXPECT_EQ(HeimMarktAnzahl(&m.c), 0u) << "made earlier this turn: nothing more";
        // Preference 12 at 0: the file is deleted and the offer made anew.
        vektest::WriteBytes(WARENDAT_FILE, std::vector<UBYTE>(groesse, 1));
        ASSERT_TRUE(CheckPrefsWrite(PREF_MARKT_GEMACHT, 0));
        MarktKontext neu = m.c;
        neu.WarenGeladen = 0;
        ASSERT_TRUE(HeimMarktBauen(&neu));
        EXPECT_EQ(neu.Waren[10], 100u);
        EXPECT_EQ(GetFileSize(WARENDAT_FILE), WARENDAT_BYTES);
    }
    // A failed save leaves preference 12 at 0: the next visit makes it again.
    Markt m;
    m.Helmrealm();
    DiceFixed d(DiceZero);
    vektest::MakeDirs("Data/Waren.dat/x");  // a full folder where the file belongs
    ASSERT_TRUE(HeimMarktBauen(&m.c));
    EXPECT_EQ(m.c.Waren[10], 100u) << "the offer stays for this visit";
    EXPECT_EQ(CheckPrefs(PREF_MARKT_GEMACHT, PREFS_READ, 0), 0u);
}

TEST(MarktCache, HostileFileIsTakenAsNumbers)
{
    Markt m;
    ASSERT_TRUE(CheckPrefsWrite(PREF_MARKT_GEMACHT, 1));
    vektest::WriteBytes(WARENDAT_FILE, std::vector<UBYTE>(WARENDAT_BYTES, 0xFF));
    ASSERT_TRUE(HeimMarktBauen(&m.c));
    EXPECT_EQ(HeimMarktAnzahl(&m.c), (ULONG)WAREN_TYPES);
    EXPECT_EQ(m.c.Waren[WAREN_TYPES + 5], 0xFFFFFFFFu);
}

}  // namespace
