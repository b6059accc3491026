// Building orders: this turn's prices and their cache, the order checks, the
// BAUE chunk and the files an Ok writes, the demolition rule and dialog
// list, the site listing and the journal that makes the Ok one change.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "common/gamefixture.h"
#include "platform/catalog.h"
#include "platform/files.h"
#include "platform/strings.h"
#include "store/converters.h"
#include "world/bauen.h"
#include "world/okjournal.h"
#include "world/towns.h"
#include "world/turnfixture.h"
#include "world/warehouse.h"

namespace {

using namespace turnfix;
using vektest::Bau;

// A packed record field read by value (it may lie unaligned).
template <class T> T V(T v) { return v; }

ULONG DiceZero(ULONG) { return 0; }
ULONG DiceMax(ULONG n) { return n; }

struct DiceFixed {
    DiceFixed(ULONG (*d)(ULONG)) { BauWuerfel = d; }
    ~DiceFixed() { BauWuerfel = Wuerfel; }
};

// What the order procedure asked and said.
struct Fragen {
    static inline std::vector<std::string> said;
    static inline int asked = 0;
    static inline BOOL answer = 1;
    static void Message(const char *t) { said.push_back(t); }
    static BOOL Confirm(const char *) { ++asked; return answer; }
    static BauFragen Make(BOOL ok)
    {
        said.clear();
        asked = 0;
        answer = ok;
        return BauFragen{Message, Confirm};
    }
};

Stadt *NeueStadt(const char *name, ULONG id, bool hauptstadt = false)
{
    auto *t = (Stadt *)AllocVec(sizeof(Stadt), MEMF_CLEAR);
    std::strncpy(t->Stadtname, name, 79);
    t->StadtID = id;
    t->Hauptstadt = hauptstadt;
    t->Level = 1;
    const auto slots = vektest::StandardSlots();
    std::memcpy(t->GebaeudeAbhaengigkeiten, slots.data(), sizeof t->GebaeudeAbhaengigkeiten);
    return t;
}

st_GEBA *GebaChunk(const std::vector<st_BAUE_EXT> &records)
{
    st_GEBA g{};
    g.AnzGeb = (UWORD)records.size();
    Bytes c = MakeChunk(CN_GEBA, g, records);
    auto *p = (st_GEBA *)AllocVec((ULONG)c.size(), MEMF_CLEAR);
    std::memcpy(p, c.data(), c.size());
    return p;
}

// A working record for Demoburg (ID 0) holding the given buildings.
struct Bauplatz {
    LokalDataBauScreen ld;
    Bauplatz(const std::vector<st_BAUE_EXT> &geba = {}, bool hauptstadt = false, ULONG stadtId = 0)
    {
        InitBauScreenData(&ld);
        ld.AktiveStadt = NeueStadt("Demoburg", stadtId, hauptstadt);
        ld.GebaeudeChunkPtr = GebaChunk(geba);
        ld.WareListPtr = CreateList(LISTE_WAREN);
    }
    ~Bauplatz() { FreeBauScreenData(&ld); }
    // Shows slot with this turn's costs.
    void Zeige(WORD slot)
    {
        ld.GebaeudeID = slot;
        const int row = BauRowOfSlot(slot);
        ld.RowValid = row >= 0;
        if (row >= 0) {
            ld.Gebaeude = (WORD)row;
            ASSERT_TRUE(GetBuildingData(&ld));
        }
    }
    std::vector<UWORD> Marks() const
    {
        std::vector<UWORD> v;
        for (const st_BAUE_EXT &b : ld.Baustellen)
            if (b.Restbauzeit == BAU_ABRISS) v.push_back(b.GebID);
        return v;
    }
};

std::vector<st_BAUE_EXT> Viele(UWORD slot, UWORD stadt, int n)
{
    return std::vector<st_BAUE_EXT>((size_t)n, Bau(slot, stadt));
}

TEST(BauPreise, TrustAndDiceGiveThisTurnsCosts)
{
    DiceFixed dice(DiceZero);
    struct Case {
        int row;
        ULONG trust, price, running;
    } const cases[] = {
        {0, 250, 2985, 150}, {0, 50, 4975, 249}, {0, 0, 5970, 299}, {0, 249, 3015, 151},
        // The cathedral's 69,650 does not fit the order's 16 bits: it stops at the top.
        {34, 100, 3553571, 65535},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.trust);
        GameDir dir;
        LokalDataBauScreen ld;
        InitBauScreenData(&ld);
        ld.Vertrauen = c.trust;
        ld.Gebaeude = (WORD)c.row;
        ASSERT_TRUE(GetBuildingData(&ld));
        EXPECT_EQ(ld.Preis, c.price);
        EXPECT_EQ(ld.Betriebskosten, c.running);
        EXPECT_EQ(ld.Dauer, GebaeudeGrunddatenTab[c.row].Dauer);
        EXPECT_EQ(ld.Holz, GebaeudeGrunddatenTab[c.row].Holz);
        EXPECT_EQ(ld.Steine, GebaeudeGrunddatenTab[c.row].Steine);
        EXPECT_EQ(GetFileSize(BAUSCREEN_CACHE_FILE), 760u);
    }
    {
        // The highest throw: granary at trust 50 is 5,000 + 50 - 25.
        DiceFixed hi(DiceMax);
        GameDir dir;
        LokalDataBauScreen ld;
        InitBauScreenData(&ld);
        ld.Vertrauen = 50;
        ASSERT_TRUE(GetBuildingData(&ld));
        EXPECT_EQ(ld.Preis, 5025u);
        EXPECT_EQ(ld.Betriebskosten, 251u);
    }
}

TEST(BauPreise, CacheOfTheTurnIsUsedOnlyWhenWhole)
{
    DiceFixed dice(DiceZero);
    struct Case {
        const char *name;
        size_t size;
        bool rebuilt;
    } const cases[] = {{"759", 759, true}, {"761", 761, true}, {"760", 760, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        GameDir dir;
        vektest::WriteBytes(BAUSCREEN_CACHE_FILE, Bytes(c.size, 0xFF));
        LokalDataBauScreen ld;
        InitBauScreenData(&ld);
        ld.Vertrauen = 250;
        ASSERT_TRUE(GetBuildingData(&ld));
        EXPECT_EQ(GetFileSize(BAUSCREEN_CACHE_FILE), 760u);
        EXPECT_EQ(ld.Preis, c.rebuilt ? 2985u : 0xFFFFFFFFu);
        EXPECT_EQ(ld.Betriebskosten, c.rebuilt ? 150u : 65535u);
    }
    // Later trust does not change the prices of the turn.
    GameDir dir;
    LokalDataBauScreen ld;
    InitBauScreenData(&ld);
    ld.Vertrauen = 250;
    ASSERT_TRUE(GetBuildingData(&ld));
    ld.Vertrauen = 0;
    ld.Gebaeude = 0;
    ASSERT_TRUE(GetBuildingData(&ld));
    EXPECT_EQ(ld.Preis, 2985u);
    // A cache that cannot be made.
    GameDir broken;
    vektest::MakeDirs("Data/BauScreenGeb.dat/x");  // a folder where the file belongs
    ld.Gebaeude = 0;
    EXPECT_FALSE(GetBuildingData(&ld));
}

TEST(BauTabellen, RowsChainsAndPairs)
{
    EXPECT_EQ(BauRowOfSlot(96), 22);
    EXPECT_EQ(BauRowOfSlot(98), 24);
    EXPECT_EQ(BauRowOfSlot(163), 34);
    EXPECT_EQ(BauRowOfSlot(3), -1);
    EXPECT_EQ(BauRowOfSlot(235), -1);
    EXPECT_EQ(BauKetteOf(0), 0);
    EXPECT_EQ(BauKetteOf(224), 0);
    EXPECT_EQ(BauKetteOf(193), 25);
    EXPECT_EQ(BauKetteOf(3), -1);
    EXPECT_EQ(HoeheresGebaeude(55), 108);
    EXPECT_EQ(HoeheresGebaeude(139), 231);
    EXPECT_EQ(HoeheresGebaeude(0), -1);
    // Every row names its own strings.
    for (const BaubaresGebaeude &g : BaubareGebaeude) EXPECT_STRNE(GetString(g.ListName), "");
}

TEST(BauOrder, ChecksRunInOrderAndRefuseWithTheirMessage)
{
    DiceFixed dice(DiceZero);
    const std::string zuviele = GetString(&_VEK_BAUSCREEN_ZUVIELEGEBAEUDE);
    const std::string ruin = GetString(&_VEK_BAUSCREEN_MESSAGE_RUIN);
    const std::string max20 = GetString(&_VEK_BAUSCREEN_MESSAGE_MAX20MILLS);
    const std::string schon = GetString(&_VEK_BAUSCREEN_MESSAGE_ALREADYBUILD);
    struct Case {
        const char *name;
        WORD slot;
        int alteGeba;           // standing buildings of the slot in the town
        int dieseRunde, letzte; // orders of this and last turn (in other towns)
        LONG goldDelta, holzDelta;
        BOOL confirm;
        bool ordered;
        int asked;
        std::string message;
    } const cases[] = {
        {"50 sites before the question", 2, 0, 30, 20, 0, 0, 1, false, 0, zuviele},
        {"49 sites", 2, 0, 29, 20, 0, 0, 1, true, 1, ""},
        {"cancel is silent", 2, 0, 0, 0, 0, 0, 0, false, 1, ""},
        {"gold equal to the price", 2, 0, 0, 0, 0, 0, 1, true, 1, ""},
        {"gold one short", 2, 0, 0, 0, -1, 0, 1, false, 1, ruin},
        {"wood one short", 2, 0, 0, 0, 0, -1, 1, false, 1, ruin},
        {"998 granaries", 0, 998, 0, 0, 0, 0, 1, true, 1, ""},
        {"999 granaries", 0, 999, 0, 0, 0, 0, 1, false, 1, max20},
        {"998 mills", 1, 998, 0, 0, 0, 0, 1, true, 1, ""},
        {"18 trade offices", 98, 18, 0, 0, 0, 0, 1, true, 1, ""},
        {"19 trade offices", 98, 19, 0, 0, 0, 0, 1, false, 1, max20},
        {"a standing bank", 2, 1, 0, 0, 0, 0, 1, false, 1, schon},
        {"no row of its own", 3, 0, 0, 0, 0, 0, 1, false, 0, ""},
        {"beyond the last slot", 235, 0, 0, 0, 0, 0, 1, false, 0, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        GameDir dir;
        Bauplatz p(Viele((UWORD)c.slot, 0, c.alteGeba));
        p.ld.Vertrauen = 250;
        p.ld.Baustellen = Viele(14, 5, c.dieseRunde);
        p.ld.OldBaustellen = Viele(14, 5, c.letzte);
        p.Zeige(c.slot);
        if (!p.ld.RowValid) {
            // The last shown row's price stays loaded; the slot still cannot be ordered.
            p.ld.Gebaeude = 2;
            ASSERT_TRUE(GetBuildingData(&p.ld));
        }
        p.ld.Gold = p.ld.Preis + (ULONG)c.goldDelta;
        p.ld.AnzHolz = p.ld.Holz + (ULONG)c.holzDelta;
        p.ld.AnzSteine = p.ld.Steine;
        const ULONG gold = p.ld.Gold;
        const size_t orders = p.ld.Baustellen.size();
        BauFragen f = Fragen::Make(c.confirm);
        EXPECT_EQ(InitBaustellenData(&p.ld, &f), c.ordered ? 1 : 0);
        EXPECT_EQ(Fragen::asked, c.asked);
        if (c.message.empty())
            EXPECT_TRUE(Fragen::said.empty());
        else
            EXPECT_EQ(Fragen::said, std::vector<std::string>{c.message});
        EXPECT_EQ(p.ld.Baustellen.size(), orders + (c.ordered ? 1 : 0));
        EXPECT_EQ(p.ld.Gold, c.ordered ? gold - p.ld.Preis : gold);
    }
}

TEST(BauOrder, AnOrderOfThisTurnCountsLikeAStandingBuilding)
{
    DiceFixed dice(DiceZero);
    GameDir dir;
    Bauplatz p;
    p.ld.Vertrauen = 250;
    p.ld.Gold = 1000000;
    p.ld.AnzHolz = p.ld.AnzSteine = 100000;
    p.Zeige(2);
    BauFragen f = Fragen::Make(1);
    ASSERT_TRUE(InitBaustellenData(&p.ld, &f));
    EXPECT_EQ(p.ld.AktiveStadt->GebaeudeAbhaengigkeiten[2].GfxBitfeld & GFX_THISISBUILD, GFX_THISISBUILD);
    EXPECT_FALSE(InitBaustellenData(&p.ld, &f));
    EXPECT_EQ(Fragen::said, std::vector<std::string>{GetString(&_VEK_BAUSCREEN_MESSAGE_ALREADYBUILD)});
    // Another town's bank does not count.
    p.ld.Baustellen[0].Stadt = 3;
    p.ld.AktiveStadt->GebaeudeAbhaengigkeiten[2].GfxBitfeld = 0;
    EXPECT_TRUE(InitBaustellenData(&p.ld, &f));
    // A granary or mill is no site of its own in the picture.
    p.Zeige(0);
    EXPECT_TRUE(InitBaustellenData(&p.ld, &f));
    EXPECT_EQ(p.ld.AktiveStadt->GebaeudeAbhaengigkeiten[0].GfxBitfeld, 0);
}

// The received and the outgoing pool, the stock and the town of a player in Demoburg.
void Spielstand(ULONG gold, ULONG trust, ULONG holz, ULONG steine)
{
    st_LAND land = vektest::LandChunk(1000, 10, 1);
    land.AnzGold = gold;
    land.Vertrauen = trust;
    vektest::InsPool(&land, POOL_IN);
    st_KORN korn = vektest::KornChunk(1, 0, 0, 0);
    korn.Jahr = 1;
    korn.Quartal = 1;
    vektest::InsPool(&korn, POOL_IN);
    st_WARE w{};
    w.AnzWaren = 3;
    st_WARE_EXT holzW{}, steinW{}, angebot{};
    holzW.Info = 5, holzW.WarenTyp = 98, holzW.WarenAnzahl = holz;
    steinW.Info = 5, steinW.WarenTyp = 99, steinW.WarenAnzahl = steine;
    angebot.Info = 0, angebot.WarenTyp = 98, angebot.WarenAnzahl = 7;
    Bytes c = MakeChunk(CN_WARE, w, std::vector<st_WARE_EXT>{angebot, holzW, steinW});
    ASSERT_TRUE(SaveChunk2File(WAREN_FILE, c.data()));
    vektest::MakeDirs("Data/Cities");
    Stadt *t = NeueStadt("Demoburg", 0);
    ASSERT_TRUE(SpeichereStadt(t));
    FreeVec(t);
}

// Reads the screen's data as the screen does, with the town loaded.
void Lese(LokalDataBauScreen *ld)
{
    InitBauScreenData(ld);
    ASSERT_TRUE(ReadBauScreenData(ld));
    ld->AktiveStadt = LadeStadt("Demoburg");
    ASSERT_NE(ld->AktiveStadt, nullptr);
}

// The bytes of the first chunk with that ID in a pool, head included.
Bytes ChunkBytes(const char *pool, const char *id)
{
    Bytes b = vektest::ReadBytes(pool);
    for (size_t pos = 0; pos + 12 <= b.size();) {
        const ULONG len = (ULONG)b[pos + 8] << 24 | (ULONG)b[pos + 9] << 16 | (ULONG)b[pos + 10] << 8 | b[pos + 11];
        if (std::memcmp(&b[pos], id, 4) == 0) return Bytes(b.begin() + (long)pos, b.begin() + (long)(pos + 12 + len));
        pos += 12 + len;
    }
    return {};
}

ULONG Bestand(ULONG typ)
{
    for (const st_WARE_EXT &w : Entries<st_WARE, st_WARE_EXT>(CN_WARE, WAREN_FILE))
        if (w.Info == 5 && w.WarenTyp == typ) return w.WarenAnzahl;
    return 0;
}

TEST(BauSchreiben, OneGranaryInDemoburgGivesTheGoldenOrder)
{
    DiceFixed dice(DiceZero);
    GameDir dir;
    Spielstand(50000, 250, 400, 250);
    LokalDataBauScreen ld;
    Lese(&ld);
    EXPECT_EQ(ld.AnzHolz, 400u);
    EXPECT_EQ(ld.AnzSteine, 250u);
    ld.GebaeudeID = 0;
    ld.Gebaeude = 0;
    ASSERT_TRUE(GetBuildingData(&ld));
    BauFragen f = Fragen::Make(1);
    ASSERT_TRUE(InitBaustellenData(&ld, &f));
    ASSERT_TRUE(WriteBauScreenData(&ld));
    FreeBauScreenData(&ld);

    static const UBYTE golden[] = {0x42, 0x41, 0x55, 0x45, 0x56, 0x30, 0x30, 0x31, 0x00, 0x00, 0x00, 0x12,
                                   0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x02, 0x00, 0x00,
                                   0x0B, 0xA9, 0x00, 0x96, 0x00, 0x00};
    static_assert(sizeof golden == 30);
    EXPECT_EQ(ChunkBytes(POOL_OUT, "BAUE"), Bytes(golden, golden + sizeof golden));
    EXPECT_EQ(V(Load<st_LAND>(CN_LAND, POOL_OUT).AnzGold), 47015u);
    EXPECT_EQ(V(Load<st_LAND>(CN_LAND, POOL_IN).AnzGold), 50000u);
    EXPECT_EQ(Bestand(98), 380u);
    EXPECT_EQ(Bestand(99), 230u);
    EXPECT_FALSE(vektest::Exists(OK_JOURNAL));

    // The next visit reads the order back as this turn's and pays from the new gold.
    Lese(&ld);
    EXPECT_EQ(ld.Baustellen.size(), 1u);
    EXPECT_EQ(ld.Gold, 47015u);
    FreeBauScreenData(&ld);
}

TEST(BauSchreiben, ABankMarksItsSiteInTheTownFile)
{
    DiceFixed dice(DiceZero);
    GameDir dir;
    Spielstand(50000, 250, 400, 250);
    LokalDataBauScreen ld;
    Lese(&ld);
    ld.GebaeudeID = 2;
    ld.Gebaeude = 2;
    ASSERT_TRUE(GetBuildingData(&ld));
    BauFragen f = Fragen::Make(1);
    ASSERT_TRUE(InitBaustellenData(&ld, &f));
    ASSERT_TRUE(WriteBauScreenData(&ld));
    FreeBauScreenData(&ld);
    Bytes town = vektest::ReadBytes("Data/Cities/Demoburg.vek");
    ASSERT_EQ(town.size(), STADT_BYTES);
    EXPECT_EQ(town[236], 0x08);
}

TEST(BauSchreiben, WithoutAnOrderOkWritesGoldAndTownButNoOrders)
{
    GameDir dir;
    Spielstand(50000, 250, 400, 250);
    LokalDataBauScreen ld;
    Lese(&ld);
    ld.Gold = 123;
    ASSERT_TRUE(WriteBauScreenData(&ld));
    FreeBauScreenData(&ld);
    EXPECT_EQ(V(Load<st_LAND>(CN_LAND, POOL_OUT).AnzGold), 123u);
    EXPECT_FALSE(IsChunkPresent(ChunkBit(CN_BAUE), POOL_OUT));
    EXPECT_TRUE(ChunkBytes(POOL_OUT, "BAUE").empty());
    // Without LAND in either pool nothing is written at all.
    GameDir leer;
    vektest::MakeDirs("Data/Cities");
    LokalDataBauScreen ohne;
    InitBauScreenData(&ohne);
    ASSERT_TRUE(ReadBauScreenData(&ohne));
    ohne.AktiveStadt = NeueStadt("Demoburg", 0);
    EXPECT_FALSE(WriteBauScreenData(&ohne));
    EXPECT_FALSE(vektest::Exists("Data/Cities/Demoburg.vek"));
    FreeBauScreenData(&ohne);
}

TEST(BauLesen, HostileChunksGiveOnlyWhatTheyHold)
{
    GameDir dir;
    Spielstand(50000, 250, 400, 250);
    // BAUE claiming 40 records in the room of 2.
    st_BAUE h{};
    h.AnzGeb = 40;
    Bytes c = MakeChunk(CN_BAUE, h, std::vector<st_BAUE_EXT>{Bau(2, 0, 3), Bau(0, 1, 2)});
    Put(c, POOL_IN);
    // GEBA of 5,000 records, one in ten of this town.
    std::vector<st_BAUE_EXT> viele;
    for (int i = 0; i < 5000; ++i) viele.push_back(Bau((UWORD)(i % 240), (UWORD)(i % 10)));
    vektest::SchreibeGebaeude(viele);
    LokalDataBauScreen ld;
    Lese(&ld);
    EXPECT_EQ(ld.OldBaustellen.size(), 2u);
    EXPECT_TRUE(ld.Baustellen.empty());
    AbrissListe a = BuildAbrissListe(&ld);
    // Slots 235..239 are no buildings; every line fits its 80 bytes.
    for (const std::string &z : a.Zeilen) EXPECT_LT(z.size(), 80u);
    EXPECT_EQ(a.Zeilen.size(), 3 + a.Einzeln.size());
    for (ULONG i : a.Einzeln) EXPECT_LE(V(((st_BAUE_EXT *)((UBYTE *)ld.GebaeudeChunkPtr + 18))[i].GebID), 234);
    EXPECT_LE(BaustellenText(&ld).size(), 50000u);
    FreeBauScreenData(&ld);
}

TEST(BauAbriss, WhichStandingBuildingsMayGo)
{
    struct Case {
        const char *name;
        std::vector<st_BAUE_EXT> geba;
        bool hauptstadt;
        int record;                    // index into geba
        std::vector<std::pair<int, UWORD>> andere;  // slot k needs (entry)
        std::vector<int> gebaut;       // built slots
        BOOL may;
    } const cases[] = {
        {"mill in the capital", {Bau(1, 0)}, true, 0, {}, {}, 1},
        {"tavern in the capital", {Bau(14, 0)}, true, 0, {}, {}, 0},
        {"tavern level 4 in the capital", {Bau(222, 0)}, true, 0, {}, {}, 0},
        {"citizen hall in the capital", {Bau(15, 0)}, true, 0, {}, {}, 0},
        {"tavern elsewhere", {Bau(14, 0)}, false, 0, {}, {}, 1},
        {"chapel beside a church", {Bau(23, 0), Bau(96, 0)}, false, 0, {}, {}, 0},
        {"chapel, church in another town", {Bau(23, 0), Bau(96, 4)}, false, 0, {}, {}, 1},
        {"last granary, built dependent", {Bau(0, 0)}, false, 0, {{19, 1}}, {19}, 0},
        {"last granary, dependent not built", {Bau(0, 0)}, false, 0, {{19, 1}}, {}, 1},
        {"last granary, its own upgrade first", {Bau(0, 0)}, false, 0, {{99, 1}, {120, 1}}, {99, 120}, 1},
        {"last granary, non-upgrade comes first", {Bau(0, 0)}, false, 0, {{19, 1}, {99, 1}}, {19, 99}, 0},
        {"one of two granaries", {Bau(0, 0), Bau(0, 0)}, false, 0, {{19, 1}}, {19}, 1},
        {"last granary of the realm, in another town", {Bau(0, 2)}, false, 0, {{19, 1}}, {19}, 1},
        {"bank with a dependent", {Bau(2, 0)}, false, 0, {{30, 59}}, {30}, 0},
        {"marked", {Bau(2, 0, 0xFFFF)}, false, 0, {}, {}, 0},
        {"no chain", {Bau(3, 0)}, false, 0, {{19, 4}}, {19}, 1},
        {"beyond the last slot", {Bau(235, 0)}, false, 0, {}, {}, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Bauplatz p(c.geba, c.hauptstadt);
        for (auto [k, e] : c.andere) p.ld.AktiveStadt->GebaeudeAbhaengigkeiten[k].AndereGebaeude.OtherID3 = e;
        for (int k : c.gebaut) p.ld.AktiveStadt->GebaeudeAbhaengigkeiten[k].GfxBitfeld |= GFX_THISIMAGEISSET;
        EXPECT_EQ(CheckDemolition(&p.ld, &c.geba[(size_t)c.record]), c.may);
    }
}

TEST(BauAbriss, DialogListAndBulkOrders)
{
    {
        Bauplatz p;
        AbrissListe a = BuildAbrissListe(&p.ld);
        EXPECT_EQ(a.Zeilen, (std::vector<std::string>{"0 granaries", "0 mills", "0 trade offices"}));
    }
    Bauplatz p({Bau(0, 0), Bau(2, 0), Bau(0, 0), Bau(98, 1), Bau(0, 0), Bau(25, 0), Bau(14, 0)}, true);
    ((st_BAUE_EXT *)((UBYTE *)p.ld.GebaeudeChunkPtr + 18))[5].Betriebskosten = 612;
    AbrissListe a = BuildAbrissListe(&p.ld);
    // From the highest slot down; the tavern of the capital is not offered.
    EXPECT_EQ(a.Zeilen, (std::vector<std::string>{"3 granaries", "0 mills", "0 trade offices",
                                                  std::string(GetString(&_VEK_BAUSCREEN_MARKTPLATZ)) + "(612 GS)",
                                                  std::string(GetString(&_VEK_BAUSCREEN_BANK)) + "(0 GS)"}));
    EXPECT_EQ(a.Einzeln, (std::vector<ULONG>{5, 1}));
    EXPECT_EQ(BulkDemolition(&p.ld, 0, 0, a.Kornlager), 0u);
    EXPECT_TRUE(p.Marks().empty());
    EXPECT_EQ(BulkDemolition(&p.ld, 0, 2, a.Kornlager), 2u);
    EXPECT_EQ(p.Marks(), (std::vector<UWORD>{0, 0}));
    // Marked ones are not marked again, and never more than the dialog counted.
    EXPECT_EQ(BulkDemolition(&p.ld, 0, 9, a.Kornlager - 2), 1u);
    EXPECT_EQ(BulkDemolition(&p.ld, 0, 9, 9), 0u);
    EXPECT_EQ(p.Marks().size(), 3u);
    for (const st_BAUE_EXT &b : p.ld.Baustellen) EXPECT_EQ(V(b.Stadt), 0);
    EXPECT_TRUE(OrderDemolition(&p.ld, 1));
    EXPECT_FALSE(OrderDemolition(&p.ld, 1));
    EXPECT_FALSE(OrderDemolition(&p.ld, 99));
    AbrissListe danach = BuildAbrissListe(&p.ld);
    EXPECT_EQ(danach.Zeilen.size(), 4u);
    EXPECT_EQ(danach.Zeilen[0], "0 granaries");
}

TEST(BauListe, EndOfAnOrderAndItsLine)
{
    struct Case {
        UWORD jahr, quartal, rest;
        ULONG nowJahr;
        UWORD nowQuartal;
        ULONG monate;
        UWORD saison;
        ULONG endJahr;
    } const cases[] = {
        {3, 2, 3, 3, 2, 9, 1, 4},   // F = 17: summer of year 4
        {3, 2, 0, 3, 2, 0, 2, 3},   // ends this quarter
        {3, 2, 1, 5, 0, 0, 3, 3},   // overdue shows 0
        {0, 0, 65534, 0, 0, 196602, 2, 16383},
    };
    for (const Case &c : cases) {
        st_BAUE_EXT b = Bau(0, 0, c.rest);
        b.Jahr = c.jahr;
        b.Quartal = c.quartal;
        BauEnde e = BaustellenEnde(b, c.nowJahr, c.nowQuartal);
        EXPECT_EQ(e.Monate, c.monate);
        EXPECT_EQ(e.Jahreszeit, c.saison);
        EXPECT_EQ(e.Jahr, c.endJahr);
    }
    st_BAUE_EXT b = Bau(0, 0, 3);
    b.Jahr = 3;
    b.Quartal = 2;
    EXPECT_EQ(BaustellenZeile(b, 3, 2), "1 granary\nBuilding time left : 9 month, finished in summer in the year 4...\n\n");
    EXPECT_EQ(BaustellenZeile(Bau(2, 0, 0xFFFF), 3, 2), std::string("1 bank\n") + GetString(&_VEK_BAUSCREEN_REST_ABRISS));
    EXPECT_EQ(BaustellenZeile(Bau(3, 0, 0xFFFF), 3, 2).rfind("1 \n", 0), 0u);

    Bauplatz p;
    EXPECT_EQ(BaustellenText(&p.ld), "");
    p.ld.Jahr = 3;
    p.ld.Quartal = 2;
    p.ld.OldBaustellen = {Bau(2, 0, 0xFFFF), Bau(14, 4, 0xFFFF)};
    p.ld.Baustellen = {Bau(25, 4, 0xFFFF), Bau(1, 0, 0xFFFF)};
    const std::string text = BaustellenText(&p.ld);
    const std::string dash = std::string(64, '-') + "\n";
    const std::string expect = std::string(GetString(&_VEK_BAUSCREEN_MESSAGE_SHOWBUILD)) +
                               GetString(&_VEK_BAUSCREEN_MESSAGE_THISTOWN) + dash + BaustellenZeile(Bau(1, 0, 0xFFFF), 3, 2) +
                               BaustellenZeile(Bau(2, 0, 0xFFFF), 3, 2) + GetString(&_VEK_BAUSCREEN_MESSAGE_OTHERTOWN) +
                               dash + BaustellenZeile(Bau(25, 4, 0xFFFF), 3, 2) +
                               BaustellenZeile(Bau(14, 4, 0xFFFF), 3, 2);
    EXPECT_EQ(text, expect);
    // Thousands of orders stop at 50,000 bytes.
    p.ld.Baustellen.assign(5000, Bau(0, 0, 1));
    EXPECT_LE(BaustellenText(&p.ld).size(), 50000u);
}

TEST(BauBrowse, WrapsAndSkipsWhatTheTownDoesNotOffer)
{
    auto alle = [](UWORD, const void *) -> BOOL { return 1; };
    auto keiner = [](UWORD, const void *) -> BOOL { return 0; };
    auto gerade = [](UWORD s, const void *) -> BOOL { return s % 2 == 0 && s != 0; };
    EXPECT_EQ(BauBrowse(235, 1, alle, nullptr), 0);
    EXPECT_EQ(BauBrowse(-1, -1, alle, nullptr), 234);
    EXPECT_EQ(BauBrowse(1, 1, gerade, nullptr), 2);
    EXPECT_EQ(BauBrowse(1, -1, gerade, nullptr), 234);
    EXPECT_EQ(BauBrowse(235, 1, gerade, nullptr), 2);
    // Nothing offered: 234 steps from where browsing began.
    EXPECT_EQ(BauBrowse(5, 1, keiner, nullptr), 4);
    EXPECT_EQ(BauBrowse(5, -1, keiner, nullptr), 6);
}

TEST(BauInfo, RequirementsThenDescription)
{
    Bauplatz p;
    GebaeudeAbhaengigkeiten &s = p.ld.AktiveStadt->GebaeudeAbhaengigkeiten[2];
    s.GebaeudeForschung.Alchemie = 3;
    s.GebaeudeForschung.Theologie = 9;
    s.Volk = 500;
    s.Stadtlevel = 2;
    p.ld.GebaeudeID = 2;
    std::string t = BauInfoText(&p.ld);
    EXPECT_EQ(t.rfind(GetString(&_VEK_BAUSCREEN_NEEDEDRESEARCH), 0), 0u);
    EXPECT_NE(t.find(std::string(GetString(&_VEK_FORSCHUNG_CHEMIE)) + ": 3\n"), std::string::npos);
    EXPECT_NE(t.find(std::string(GetString(&_VEK_FORSCHUNG_THEOLOGIE)) + ": 9\n\n"), std::string::npos);
    EXPECT_NE(t.find(std::string(GetString(&_VEK_BAUSCREEN_NEEDEDPEOPLE)) + ": 500\n"), std::string::npos);
    EXPECT_NE(t.find(std::string(GetString(&_VEK_BAUSCREEN_NEEDEDBUILDINGS)) + ": keine\n\n" +
                     GetString(&_VEK_BAUSCREEN_BANK_INFO)),
              std::string::npos);
    // A needed chain member is named by its chain's first building; a building
    // in no chain only while nothing was named.
    s.AndereGebaeude.OtherID1 = 100;  // slot 99: the granary's chain
    s.AndereGebaeude.OtherID2 = 16;   // slot 15, citizen hall: no chain
    s.AndereGebaeude.OtherID3 = 2;    // slot 1: the mill's chain
    t = BauInfoText(&p.ld);
    EXPECT_NE(t.find(std::string(GetString(&_VEK_BAUSCREEN_NEEDEDBUILDINGS)) + ": granary, mills\n\n"),
              std::string::npos);
    s.AndereGebaeude = {};
    s.AndereGebaeude.OtherID1 = 16;
    t = BauInfoText(&p.ld);
    EXPECT_NE(t.find(std::string(GetString(&_VEK_BAUSCREEN_NEEDEDBUILDINGS)) + ": citizen hall\n\n"),
              std::string::npos);
    p.ld.GebaeudeID = 235;
    EXPECT_EQ(BauInfoText(&p.ld), "");
}

// A journalled Ok cut off at each file (the child process ends inside the
// change): the next start finds every file as it was.
TEST(BauSchreiben, OkCutOffAtEachFileLeavesAllOldOrAllNew)
{
    DiceFixed dice(DiceZero);
    for (ULONG schritt = 0; schritt <= 4; ++schritt) {
        SCOPED_TRACE(schritt);
        GameDir dir;
        Spielstand(50000, 250, 400, 250);
        Put(MakeChunk(CN_LAND, vektest::LandChunk(5, 5, 1)), POOL_OUT);
        const Bytes pool = vektest::ReadBytes(POOL_OUT), town = vektest::ReadBytes("Data/Cities/Demoburg.vek"),
                    ware = vektest::ReadBytes(WAREN_FILE);
        std::fflush(stdout);
        const pid_t pid = fork();
        if (pid == 0) {
            static ULONG bis;
            bis = schritt;
            OkJournalStepHook = [](ULONG s) -> BOOL {
                if (s == bis) _exit(7);
                return 1;
            };
            LokalDataBauScreen ld;
            InitBauScreenData(&ld);
            if (!ReadBauScreenData(&ld)) _exit(1);
            ld.AktiveStadt = LadeStadt("Demoburg");
            ld.GebaeudeID = 2;
            ld.Gebaeude = 2;
            ld.Gold = 1000000;
            if (!GetBuildingData(&ld)) _exit(1);
            BauFragen f = Fragen::Make(1);
            if (!InitBaustellenData(&ld, &f)) _exit(2);
            _exit(WriteBauScreenData(&ld) ? 0 : 3);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        const bool ganz = schritt == 4;  // no fourth file: the change ended whole
        EXPECT_EQ(WEXITSTATUS(status), ganz ? 0 : 7);
        EXPECT_EQ(OkJournalRestore(), ganz ? 0 : 1);
        EXPECT_FALSE(vektest::Exists(OK_JOURNAL));
        EXPECT_EQ(vektest::ReadBytes(POOL_OUT) == pool, !ganz);
        EXPECT_EQ(vektest::ReadBytes("Data/Cities/Demoburg.vek") == town, !ganz);
        EXPECT_EQ(vektest::ReadBytes(WAREN_FILE) == ware, !ganz);
    }
}

// A step that fails (not a crash) puts everything back at once.
TEST(BauSchreiben, AFailedWriteChangesNothing)
{
    DiceFixed dice(DiceZero);
    for (ULONG schritt = 0; schritt <= 3; ++schritt) {
        SCOPED_TRACE(schritt);
        GameDir dir;
        Spielstand(50000, 250, 400, 250);
        const Bytes pool = vektest::ReadBytes(POOL_OUT), town = vektest::ReadBytes("Data/Cities/Demoburg.vek"),
                    ware = vektest::ReadBytes(WAREN_FILE);
        static ULONG bis;
        bis = schritt;
        OkJournalStepHook = [](ULONG s) -> BOOL { return s != bis; };
        LokalDataBauScreen ld;
        Lese(&ld);
        ld.GebaeudeID = 2;
        ld.Gebaeude = 2;
        ASSERT_TRUE(GetBuildingData(&ld));
        BauFragen f = Fragen::Make(1);
        ASSERT_TRUE(InitBaustellenData(&ld, &f));
        EXPECT_FALSE(WriteBauScreenData(&ld));
        OkJournalStepHook = nullptr;
        EXPECT_EQ(vektest::ReadBytes(POOL_OUT), pool);
        EXPECT_FALSE(vektest::Exists(POOL_OUT));
        EXPECT_EQ(vektest::ReadBytes("Data/Cities/Demoburg.vek"), town);
        EXPECT_EQ(vektest::ReadBytes(WAREN_FILE), ware);
        EXPECT_FALSE(vektest::Exists(OK_JOURNAL));
        // The screen stays open with its orders: a second Ok succeeds.
        EXPECT_TRUE(WriteBauScreenData(&ld));
        EXPECT_TRUE(IsChunkPresent(ChunkBit(CN_BAUE), POOL_OUT));
        FreeBauScreenData(&ld);
    }
}

TEST(OkJournal, RestoresKeptFilesAndRemovesNewOnes)
{
    GameDir dir;
    // Files are replaced whole, as every writer of the realm does.
    auto put = [](const char *f, const char *text) { ASSERT_EQ(WriteFileAtomic(f, text, 3, -1), 3); };
    put("Data/a", "alt");
    const char *files[] = {"Data/a", "Data/b"};
    ASSERT_TRUE(OkJournalBegin(files, 2));
    put("Data/a", "neu");
    put("Data/b", "neu");
    // A second change first rolls back the one a crash left.
    ASSERT_TRUE(OkJournalBegin(files, 1));
    EXPECT_EQ(vektest::ReadBytes("Data/a"), Bytes({'a', 'l', 't'}));
    EXPECT_FALSE(vektest::Exists("Data/b"));
    EXPECT_TRUE(OkJournalCommit());
    EXPECT_FALSE(OkJournalRestore());
    // A journal being written when the program stopped changed nothing.
    vektest::MakeDirs("OkJournal.new");
    EXPECT_FALSE(OkJournalRestore());
    EXPECT_FALSE(vektest::Exists("OkJournal.new"));
    // One holding what it never wrote stays for someone to look at.
    vektest::MakeDirs("OkJournal");
    vektest::WriteText("OkJournal/fremd", "x");
    EXPECT_FALSE(OkJournalRestore());
    EXPECT_TRUE(vektest::Exists("OkJournal"));
}

}  // namespace
