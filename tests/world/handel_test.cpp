// Trading on working copies: purchases, bids, own offers, the steppers and
// typed values, and the Ok that stores the trade as one change.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "common/gamefixture.h"
#include "platform/catalog.h"
#include "platform/files.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/converters.h"
#include "world/handel.h"
#include "world/okjournal.h"
#include "world/towns.h"
#include "world/turnfixture.h"
#include "world/warehouse.h"

namespace {

using namespace turnfix;

template <class T> T V(T v) { return v; }

constexpr ULONG kHelm = 10, kKurzschwert = 22, kUhr = 1700000000;

ULONG DiceZero(ULONG) { return 0; }
std::time_t Uhr() { return kUhr; }

// What the trade asked and said; questions answered with `antwort`.
struct Stimme {
    static inline std::vector<std::string> gesagt;
    static inline LONG antwort = 0;
    static LONG Hook(const char *t, int) { return gesagt.push_back(t), antwort; }
};

st_WARE_EXT Ware(UWORD info, ULONG herkunft, ULONG typ, ULONG anzahl, ULONG preis)
{
    st_WARE_EXT w{};
    w.Info = info;
    w.Herkunft = herkunft;
    w.WarenTyp = typ;
    w.WarenAnzahl = anzahl;
    w.Preis = preis;
    return w;
}

std::vector<st_WARE_EXT> ListeWaren(ListHeader *l)
{
    std::vector<st_WARE_EXT> v;
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; i < l->Elemente; ++i, n = n->Next) v.push_back(((WareListEntry *)n)->Ware);
    return v;
}
bool Gleich(const st_WARE_EXT &a, const st_WARE_EXT &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A realm of 20,000 people on mineral sources with blacksmiths and a market
// hall: helmets 200 at 10 (and the other mineral wares of Kampftechnik 1),
// wood 400 and stone 250 free. Gold 50,000; one
// granary holding 39,000 corn; 100 short swords in stock; another ruler
// offers 30 helmets at 12.
struct Handel : GameDir {
    LokaleDatenHandelsScreen d{};
    Handel(bool markthalle = true, std::vector<st_WARE_EXT> waren = {})
    {
        MarktWuerfelHook = DiceZero;
        HandelMeldungHook = Stimme::Hook;
        HandelUhrHook = Uhr;
        Stimme::gesagt.clear();
        Stimme::antwort = 0;
        st_LAND land = vektest::LandChunk(20000, 10, 1);
        land.AnzGold = 50000;
        land.AnzMineralHq = 2;
        vektest::InsPool(&land, POOL_IN);
        auto *fors = (st_FORS *)AllocChunk(CN_FORS, 0, 1);
        fors->Kampftechnik = 1;
        vektest::InsPool(fors, POOL_IN);
        FreeChunk(fors);
        st_TAXE taxe = vektest::TaxeChunk(0);
        vektest::InsPool(&taxe, POOL_IN);
        st_KORN korn = vektest::KornChunk(1, 0, 39000, 0);
        vektest::InsPool(&korn, POOL_IN);
        if (waren.empty()) waren = {Ware(5, kIch, kKurzschwert, 100, 8), Ware(2, kAndere, kHelm, 30, 12)};
        st_WARE w{};
        w.AnzWaren = (UWORD)waren.size();
        Bytes c = MakeChunk(CN_WARE, w, waren);
        EXPECT_TRUE(SaveChunk2File(WAREN_FILE, c.data()));
        vektest::MakeDirs("Data/Cities");
        TownList eintrag{0, "Demoburg"};
        EXPECT_TRUE(SpeichereTownList(&eintrag, 1));
        auto *t = (Stadt *)AllocVec(sizeof(Stadt), MEMF_CLEAR);
        std::strcpy(t->Stadtname, "Demoburg");
        t->Hauptstadt = 1;
        t->Level = 1;
        t->GebaeudeAbhaengigkeiten[SLOT_SCHMIEDE].GfxBitfeld = GFX_THISIMAGEISSET;
        if (markthalle) t->GebaeudeAbhaengigkeiten[SLOT_MARKTHALLE].GfxBitfeld = GFX_THISIMAGEISSET;
        EXPECT_TRUE(SpeichereStadt(t));
        FreeVec(t);
        PlayerInfo.AktStadtID = 0;
        for (auto [id, v] : std::vector<std::pair<UWORD, ULONG>>{{PREF_ROHWAREN, 0}, {PREF_MARKT_GEMACHT, 0},
                                                                 {PREF_LUXUSWARE, 0}, {PREF_HOLZ, 400}, {PREF_STEIN, 250},
                                                                 {PREF_FAKTOR_TIER, 0}, {PREF_FAKTOR_PFLANZ, 0},
                                                                 {PREF_FAKTOR_MINERAL, 0}})
            EXPECT_TRUE(CheckPrefsWrite(id, v));
        Lesen();
    }
    ~Handel()
    {
        FreeHandelsScreenData(&d);
        MarktWuerfelHook = Wuerfel;
        OkJournalStepHook = nullptr;
    }
    void Lesen()
    {
        FreeHandelsScreenData(&d);
        d = LokaleDatenHandelsScreen{};
        ASSERT_TRUE(ReadHandelsScreenData(&d));
        ULONG n = 0;
        FreeVec(CreateWarenReqListBuffer(&d, 0, &n));
    }
    LONG Zeile(ULONG typ)  // the home-market line of a ware type
    {
        for (LONG i = 0; i < WAREN_TYPES; ++i)
            if (HeimwareTyp(&d, i) == (LONG)typ) return i;
        return -1;
    }
    void Kaufe(ULONG typ, const char *units)
    {
        ASSERT_TRUE(HandelWaehleHeimware(&d, Zeile(typ)));
        HandelBoxWert(&d, HB_TAKE_UNITS, units);
        ASSERT_TRUE(MakeNewWarenNode(&d));
    }
    void Biete(LONG wahl, const char *units, const char *preis)
    {
        ASSERT_TRUE(HandelWaehleVerkaufsware(&d, wahl));
        HandelBoxWert(&d, HB_SELL_UNITS, units);
        HandelBoxWert(&d, HB_SELL_PREIS, preis);
        ASSERT_TRUE(HandelAngebotSetzen(&d));
    }
};

TEST(HandelKauf, DemoRealmOfferAndPurchaseStoredByOk)
{
    Handel h;
    std::vector<std::string> zeilen;
    ULONG n = 0;
    char *buf = CreateWarenReqListBuffer(&h.d, 0, &n);
    for (ULONG i = 0; i < n; ++i) zeilen.push_back(buf + i * HANDEL_ZEILE);
    FreeVec(buf);
    EXPECT_EQ(zeilen, (std::vector<std::string>{"helmet", "dagger", "throwing knives", "wood", "stone"}))
        << "mineral wares of Kampftechnik 1, no plant ware without a sawmill";
    EXPECT_EQ(h.d.Markt.Waren[kHelm], 200u);
    EXPECT_EQ(h.d.Markt.Waren[WAREN_TYPES + kHelm], 10u);
    EXPECT_EQ(h.d.Markt.Waren[WARE_HOLZ], 400u);
    EXPECT_EQ(h.d.Markt.Waren[WAREN_TYPES + WARE_STEIN], 0u);
    EXPECT_EQ(h.d.Markt.Marktangebote, 5);

    h.Kaufe(kHelm, "5");
    ASSERT_EQ(Stimme::gesagt.size(), 1u);
    EXPECT_EQ(Stimme::gesagt[0], "Do you really want to buy 5 units helmet at a price of 10 gold coins? That would be "
                                 "altogether 50 gold coins...");
    EXPECT_EQ(h.d.AnzGold, 49950u);
    h.Biete(1, "40", "25");  // corn is choice 0, the short swords 1
    ASSERT_TRUE(WriteHandelsScreenData(&h.d));

    EXPECT_EQ(V(Load<st_LAND>(CN_LAND, POOL_OUT).AnzGold), 49950u);
    EXPECT_EQ(V(Load<st_KORN>(CN_KORN, POOL_OUT).Kornlager), 39000u);
    const Bytes taxe = [] {
        void *c = LoadChunk2Mem(ID_TAXE, POOL_OUT);
        Bytes b((UBYTE *)c, (UBYTE *)c + (c ? sizeof(st_TAXE) : 0));
        FreeVec(c);
        return b;
    }();
    ASSERT_EQ(taxe.size(), sizeof(st_TAXE));
    ULONG angebote;
    std::memcpy(&angebote, taxe.data() + 58, 4);
    EXPECT_EQ(angebote, 5u);
    const Bytes cache = vektest::ReadBytes(WARENDAT_FILE);
    ASSERT_EQ(cache.size(), WARENDAT_BYTES);
    ULONG units10, preis10;
    std::memcpy(&units10, cache.data() + 4 * kHelm, 4);
    std::memcpy(&preis10, cache.data() + 4 * (WAREN_TYPES + kHelm), 4);
    EXPECT_EQ(units10, 195u);
    EXPECT_EQ(preis10, 10u);

    // The stored ware list, record by record.
    st_WARE_EXT helm = Ware(5, kIch, kHelm, 5, 10), angebot = Ware(0, kIch, kKurzschwert, 40, 25);
    helm.DateInSec = angebot.DateInSec = kUhr;
    const std::vector<st_WARE_EXT> soll = {Ware(5, kIch, kKurzschwert, 60, 8), Ware(2, kAndere, kHelm, 30, 12), helm, angebot};
    const auto ist = Entries<st_WARE, st_WARE_EXT>(CN_WARE, WAREN_FILE);
    ASSERT_EQ(ist.size(), soll.size());
    for (size_t i = 0; i < soll.size(); ++i) EXPECT_TRUE(Gleich(ist[i], soll[i])) << "record " << i;

    // A second visit sees the bought units gone and leaves TAXE alone.
    auto *t = (st_TAXE *)LoadChunk2Mem(ID_TAXE, POOL_OUT);
    t->Marktangebote = 999;
    ASSERT_TRUE(AddChunkPool(t, POOL_OUT));
    FreeVec(t);
    h.Lesen();
    EXPECT_EQ(h.d.Markt.Waren[kHelm], 195u);
    EXPECT_EQ(h.d.Markt.Marktangebote, -1);
    ASSERT_TRUE(WriteHandelsScreenData(&h.d));
    EXPECT_EQ(V(Load<st_TAXE>(CN_TAXE, POOL_OUT).Marktangebote), 999u);
}

TEST(HandelKauf, LeavingWithoutOkWritesNothing)
{
    Handel h;
    const Bytes ware = vektest::ReadBytes(WAREN_FILE), cache = vektest::ReadBytes(WARENDAT_FILE);
    h.Kaufe(kHelm, "5");
    FreeHandelsScreenData(&h.d);
    EXPECT_FALSE(vektest::Exists(POOL_OUT));
    EXPECT_EQ(vektest::ReadBytes(WAREN_FILE), ware);
    EXPECT_EQ(vektest::ReadBytes(WARENDAT_FILE), cache);
}

TEST(HandelKauf, CancelledOrUnpaidPurchaseChangesNothing)
{
    Handel h;
    Stimme::antwort = 1;
    ASSERT_TRUE(HandelWaehleHeimware(&h.d, h.Zeile(kHelm)));
    EXPECT_FALSE(MakeNewWarenNode(&h.d));
    h.d.AnzGold = 49;
    Stimme::antwort = 0;
    HandelBoxWert(&h.d, HB_TAKE_UNITS, "5");
    EXPECT_FALSE(MakeNewWarenNode(&h.d));
    EXPECT_EQ(Stimme::gesagt.back(), "My Lord, we don't have enough money for that");
    EXPECT_EQ(h.d.Markt.Waren[kHelm], 200u);
    EXPECT_EQ(h.d.WareListPtr->Elemente, 2u);
    // A hostile cache of 0xFF bytes: the cost is taken in 64 bits and refused.
    h.d.Markt.Waren[kHelm] = h.d.Markt.Waren[WAREN_TYPES + kHelm] = 0xFFFFFFFFu;
    h.d.AnzGold = 0xFFFFFFFFu;
    ASSERT_TRUE(HandelWaehleHeimware(&h.d, h.Zeile(kHelm)));
    EXPECT_FALSE(MakeNewWarenNode(&h.d));
    EXPECT_EQ(h.d.AnzGold, 0xFFFFFFFFu);
}

TEST(HandelGebot, StandingBidsBoundTheGold)
{
    Handel h(true, {Ware(2, kAndere, kHelm, 100, 50), Ware(2, kAndere, kKurzschwert, 0xFFFFFFFFu, 1),
                    Ware(2, 11, 30, 100, 10)});
    h.d.AnzGold = 1000;
    struct Fall { LONG zeile; const char *units, *preis; bool genommen; uint64_t gesamt; } faelle[] = {
        {2, "60", "10", true, 600},
        {0, "10", "50", false, 600},            // 500 alone fits, with the 600 standing it does not
        {2, "10", "10", true, 100},             // a changed bid releases its old cost
        {0, "10", "50", true, 600},
        {0, "10", "80", true, 900},             // raised: the old 500 is free again
        {1, "429496730", "10", false, 900},     // wraps to 4 in 32 bits
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.zeile);
        ASSERT_TRUE(HandelWaehleFremdangebot(&h.d, f.zeile));
        HandelBoxWert(&h.d, HB_BUY_UNITS, f.units);
        HandelBoxWert(&h.d, HB_BUY_PREIS, f.preis);
        EXPECT_EQ(SetAngebot2Node(&h.d), (BOOL)f.genommen);
        EXPECT_EQ(h.d.Gesamtpreis, f.gesamt);
    }
    // The standing bid is the default of the next selection, and the line shows it.
    ASSERT_TRUE(HandelWaehleFremdangebot(&h.d, 0));
    EXPECT_EQ(h.d.WishToBuyUnits, 10u);
    EXPECT_EQ(h.d.WishToBuyPreis, 80u);
    ULONG n = 0;
    char *buf = CreateWarenReqListBuffer(&h.d, 3, &n);
    EXPECT_STREQ(buf, "100/(10)");
    FreeVec(buf);
    buf = CreateWarenReqListBuffer(&h.d, 4, &n);
    EXPECT_STREQ(buf, "50/(80)");
    FreeVec(buf);
    // Cancelled after the question: the cost is free again.
    ASSERT_TRUE(HandelGebotZurueck(&h.d));
    EXPECT_EQ(Stimme::gesagt.back(), "Do you really wish to cancel your bid?");
    EXPECT_EQ(h.d.Gesamtpreis, 100u);
    // Another ruler's bid on an offer is not the player's to count.
    ListNode *fremd = GetWarenNode(&h.d, 1, WARE_INFO_FREMD);
    ((WareListEntry *)fremd)->Ware.Kaeufer = 11;
    ((WareListEntry *)fremd)->Ware.KaeuferAnzahl = ((WareListEntry *)fremd)->Ware.KaeuferPreis = 1000;
    EXPECT_EQ(HandelGesamtpreis(&h.d), 100u);
}

TEST(HandelEingabe, TypedValuesAreCutToTheirBounds)
{
    Handel h;
    ASSERT_TRUE(HandelWaehleFremdangebot(&h.d, 0));  // 30 helmets at 12
    struct Fall { HandelBox box; const char *text; ULONG ULONG_soll; } faelle[] = {
        {HB_BUY_UNITS, "999999", 30}, {HB_BUY_UNITS, "-5", 0}, {HB_BUY_PREIS, "3", 12},
        {HB_BUY_PREIS, "99999999999", 0xFFFFFFFFu}, {HB_SELL_PREIS, "77", 77},
    };
    for (const Fall &f : faelle) {
        HandelBoxWert(&h.d, f.box, f.text);
        const ULONG ist = f.box == HB_BUY_UNITS ? h.d.WishToBuyUnits : f.box == HB_BUY_PREIS ? h.d.WishToBuyPreis : h.d.WishToSellPreis;
        EXPECT_EQ(ist, f.ULONG_soll) << f.text;
    }
    char text[20];
    EXPECT_FALSE(HandelBoxText(&h.d, HB_TAKE_UNITS, text, sizeof text)) << "no home-market line chosen";
    HandelBoxWert(&h.d, HB_TAKE_UNITS, "5");
    EXPECT_EQ(h.d.WishToTakeUnits, -1);
}

TEST(HandelAngebot, StockAndCornOffersAndWithdrawal)
{
    Handel h;
    // Part of the stock: 60 stay, the offer goes to the tail.
    h.Biete(1, "40", "25");
    auto v = ListeWaren(h.d.WareListPtr);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(V(v[0].WarenAnzahl), 60u);
    EXPECT_EQ(V(v[2].Info), WARE_INFO_ANGEBOT);
    EXPECT_EQ(V(v[2].WarenAnzahl), 40u);
    // The rest whole: the stock record becomes the offer.
    h.Biete(1, "60", "30");
    v = ListeWaren(h.d.WareListPtr);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(V(v[0].Info), WARE_INFO_ANGEBOT);
    EXPECT_EQ(V(v[0].Preis), 30u);
    // An offer never takes more than the stock holds.
    EXPECT_EQ(AddWare2List(&h.d, WARE_INFO_ANGEBOT, kKurzschwert, 5, 1), nullptr) << "no stock left";
    // Corn leaves the granary at once; withdrawn, only what fits returns.
    h.Biete(0, "5000", "3");
    EXPECT_EQ(h.d.AnzKorn, 34000u);
    h.d.AnzKorn = 39000;
    ASSERT_TRUE(HandelWaehleEigenangebot(&h.d, 2));
    ASSERT_TRUE(HandelAngebotZurueck(&h.d));
    EXPECT_EQ(h.d.AnzKorn, 40000u);
    EXPECT_EQ(Stimme::gesagt.back(), GetString(&_VEK_MAKTPLATZ_MAXKORNLAGER));
    ListNode *korn = GetWarenNode(&h.d, 2, WARE_INFO_ANGEBOT);
    ASSERT_NE(korn, nullptr);
    EXPECT_EQ(+((WareListEntry *)korn)->Ware.WarenAnzahl, 4000u);
    // A granary over its room keeps its corn.
    h.d.AnzKorn = 45000;
    ASSERT_TRUE(HandelWaehleEigenangebot(&h.d, 2));
    ASSERT_TRUE(HandelAngebotZurueck(&h.d));
    EXPECT_EQ(h.d.AnzKorn, 45000u);
    // A ware withdrawn goes back to stock; an edited offer gives back the difference.
    ASSERT_TRUE(HandelWaehleEigenangebot(&h.d, 1));  // 40 swords
    HandelBoxWert(&h.d, HB_SELL_UNITS, "15");
    ASSERT_TRUE(HandelAngebotSetzen(&h.d));
    ListNode *lager = GetLagerNode(&h.d, kKurzschwert);
    ASSERT_NE(lager, nullptr);
    EXPECT_EQ(+((WareListEntry *)lager)->Ware.WarenAnzahl, 25u);
    ASSERT_TRUE(HandelWaehleEigenangebot(&h.d, 1));
    ASSERT_TRUE(HandelAngebotZurueck(&h.d));
    EXPECT_EQ(+((WareListEntry *)lager)->Ware.WarenAnzahl, 40u);
    ULONG n = 0;
    char *buf = CreateWarenReqListBuffer(&h.d, 5, &n);
    ASSERT_EQ(n, 2u);
    EXPECT_STREQ(buf, "short sword ( 60 unit/ price 30 GS )");
    FreeVec(buf);
    char zeile[80];
    HandelVerkaufsZeile(&h.d, zeile, sizeof zeile);
    EXPECT_STREQ(zeile, "- choose goods here! - ( 0 unit/ price 0 GP )");
}

TEST(HandelAngebot, FullListTakesNoNewEntry)
{
    Handel h;
    h.d.WareListPtr->Elemente = WARE_LISTE_MAX;  // only the count is looked at
    EXPECT_EQ(AddWare2List(&h.d, WARE_INFO_LAGER, kHelm, 1, 1), nullptr);
    h.d.WareListPtr->Elemente = 2;
}

TEST(HandelSchritte, HeldSteppersWithTheirBounds)
{
    Handel h;
    auto drücke = [&](HandelStepper s, int mal) {
        for (int i = 0; i < mal; ++i) HandelSchritt(&h.d, s);
    };
    h.d.WishToTakeMaxUnits = 4500;
    h.d.WishToTakeUnits = 4000;
    drücke(HS_TAKE_UNITS_UP, 60);
    h.d.WishToTakeUnits = 4000;
    drücke(HS_TAKE_UNITS_UP, 1);  // the 61st: 10 and 100 fit, 1000 does not
    EXPECT_EQ(h.d.WishToTakeUnits, 4110);
    h.d.WishToBuyMaxUnits = 5000;
    drücke(HS_BUY_UNITS_DOWN, 60);
    h.d.WishToBuyUnits = 1050;
    drücke(HS_BUY_UNITS_DOWN, 1);  // 1,040, 940, and 940 is not above 1,000
    EXPECT_EQ(h.d.WishToBuyUnits, 940u);
    // Eleven idle ticks: back to steps of 1.
    for (int i = 0; i < 11; ++i) HandelTick(&h.d);
    drücke(HS_BUY_UNITS_DOWN, 1);
    EXPECT_EQ(h.d.WishToBuyUnits, 939u);
    // The bid price never goes below the asked price; offers can reach 0.
    h.d.WishToBuyMinPreis = 95;
    h.d.WishToBuyPreis = 100;
    drücke(HS_BUY_PREIS_DOWN, 30);
    EXPECT_EQ(h.d.WishToBuyPreis, 95u);
    h.d.WishToSellPreis = 3;
    drücke(HS_SELL_PREIS_DOWN, 5);
    EXPECT_EQ(h.d.WishToSellPreis, 0u);
    h.d.WishToSellMaxUnits = 7;
    drücke(HS_SELL_UNITS_UP, 30);
    EXPECT_EQ(h.d.WishToSellUnits, 7u);
    h.d.WishToSellPreis = 0xFFFFFFF0u;
    drücke(HS_SELL_PREIS_UP, 70);
    EXPECT_EQ(h.d.WishToSellPreis, 0xFFFFFFFFu);
}

TEST(HandelSchreiben, WithoutMarketHallNoOfferCount)
{
    Handel h(false);
    ASSERT_TRUE(WriteHandelsScreenData(&h.d));
    bool da = true;
    Load<st_TAXE>(CN_TAXE, POOL_OUT, &da);
    EXPECT_FALSE(da);
}

// A journalled Ok failed or cut off at each file: every file as it was.
TEST(HandelSchreiben, OkCutAtEachFileLeavesAllOldOrAllNew)
{
    for (ULONG schritt = 0; schritt <= 3; ++schritt) {
        SCOPED_TRACE(schritt);
        {
            Handel h;
            const Bytes ware = vektest::ReadBytes(WAREN_FILE), cache = vektest::ReadBytes(WARENDAT_FILE);
            h.Kaufe(kHelm, "5");
            std::fflush(stdout);
            const pid_t pid = fork();
            if (pid == 0) {
                static ULONG bis;
                bis = schritt;
                OkJournalStepHook = [](ULONG s) -> BOOL {
                    if (s == bis) _exit(7);
                    return 1;
                };
                WriteHandelsScreenData(&h.d);
                _exit(0);
            }
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            ASSERT_TRUE(WIFEXITED(status));
            EXPECT_EQ(WEXITSTATUS(status), 7);
            EXPECT_TRUE(OkJournalRestore());
            EXPECT_FALSE(vektest::Exists(POOL_OUT));
            EXPECT_EQ(vektest::ReadBytes(WAREN_FILE), ware);
            EXPECT_EQ(vektest::ReadBytes(WARENDAT_FILE), cache);
        }
        {
            Handel h;
            const Bytes ware = vektest::ReadBytes(WAREN_FILE), cache = vektest::ReadBytes(WARENDAT_FILE);
            h.Kaufe(kHelm, "5");
            static ULONG bis;
            bis = schritt;
            OkJournalStepHook = [](ULONG s) -> BOOL { return s != bis; };
            EXPECT_FALSE(WriteHandelsScreenData(&h.d));
            OkJournalStepHook = nullptr;
            EXPECT_FALSE(vektest::Exists(POOL_OUT));
            EXPECT_EQ(vektest::ReadBytes(WAREN_FILE), ware);
            EXPECT_EQ(vektest::ReadBytes(WARENDAT_FILE), cache);
            EXPECT_FALSE(vektest::Exists(OK_JOURNAL));
            // The screen keeps its trade: a second Ok stores it.
            EXPECT_TRUE(WriteHandelsScreenData(&h.d));
            EXPECT_EQ(V(Load<st_LAND>(CN_LAND, POOL_OUT).AnzGold), 49950u);
        }
    }
}

TEST(HandelLesen, MissingRecordsAndHostileWareList)
{
    {
        Handel h;
        ASSERT_TRUE(RemChunkPool(ID_FORS, POOL_IN));
        FreeHandelsScreenData(&h.d);
        LokaleDatenHandelsScreen d{};
        EXPECT_FALSE(ReadHandelsScreenData(&d));
        FreeHandelsScreenData(&d);
    }
    // A WARE count past its length gives only the records that lie in it.
    Handel h;
    Bytes c = vektest::ReadBytes(WAREN_FILE);
    c[12] = 0x7F;  // AnzWaren, big-endian in the file
    c[13] = 0xFF;
    vektest::WriteBytes(WAREN_FILE, c);
    h.Lesen();
    EXPECT_EQ(h.d.WareListPtr->Elemente, 2u);
}

}  // namespace
