// The report composers with the built-in English texts: number columns, the
// country, harvest, buildings, taxes, research and trade reports, golden
// where the layout matters and by line where one rule is tested.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/strings.h"
#include "realm/berichte.h"
#include "store/chunks.h"

namespace {

std::string Blanks(size_t n) { return std::string(n, ' '); }

// A host-order chunk of head H followed by entries E, Length set.
template <class H, class E> std::vector<UBYTE> Chunk(ULONG id, const H &head, const std::vector<E> &entries)
{
    std::vector<UBYTE> b(sizeof(H) + entries.size() * sizeof(E));
    std::memcpy(b.data(), &head, sizeof(H));
    if (!entries.empty()) std::memcpy(b.data() + sizeof(H), entries.data(), entries.size() * sizeof(E));
    auto *h = reinterpret_cast<st_ChunkHead *>(b.data());
    h->ChunkID = id;
    h->Version = VERSION_V001;
    h->Length = (ULONG)b.size() - sizeof(st_ChunkHead);
    return b;
}

bool Has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

TEST(MakeBetterString, TwoBlanksPerMissingDigit)
{
    const struct {
        ULONG value;
        UWORD width;
        std::string want;
    } rows[] = {{42, 6, Blanks(8) + "42"}, {0, 6, Blanks(10) + "0"}, {1234567, 6, "1234567"}, {123456, 6, "123456"}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.value);
        EXPECT_EQ(MakeBetterString(r.value, r.width), r.want);
        char small[5];
        MakeBetterString(small, sizeof small, r.value, r.width);
        EXPECT_EQ(std::string(small), r.want.substr(0, 4)) << "cut to the buffer";
    }
}

st_LAND Land()
{
    st_LAND l{};
    l.AnzVolk = 16000, l.Einwanderer = 40, l.Auswanderer = 12, l.Geborene = 90, l.Gestorbene = 61;
    l.Kriegstote = 20, l.Desertierte = 3, l.AnzGold = 250000, l.AnzMorgen = 77, l.AnzahlKundschafter = 2;
    l.AnzahlSiedler = 1;
    return l;
}

TEST(CountryReport, GoldenWithReserve)
{
    const std::string t = ComposeCountryReport(Land(), 55, 300000, 1234);
    const std::string want = std::string("Report on the state of the realm\n\n") + " " + Blanks(2) + "16000" +
                             " inhabitants live in the realm\n" + " " + Blanks(8) + "40" +
                             " immigrants came to your towns\n" + " " + Blanks(8) + "12" +
                             " emigrants left the realm\n" + " " + Blanks(8) + "90" + " children were born\n" + " " +
                             Blanks(8) + "61" + " people died\n" + " " + Blanks(8) + "20" +
                             " soldiers fell in battle\n" + " " + Blanks(10) + "3" + " soldiers deserted\n" + " " +
                             Blanks(8) + "55" + " points of trust among the people\n\n" + " " + Blanks(6) + "300000" +
                             " units fit into the storehouses\n" + " " + Blanks(10) + "1234" +
                             " units of goods lie in store\n" + " " + Blanks(6) + "298766" +
                             " units of room are left\n\n" + Blanks(4) + "250000" +
                             " gold coins lie in the treasury\n" + Blanks(10) + "200" +
                             " gold coins are the wages of the scouts\n" + Blanks(8) + "5000" +
                             " gold coins are the wages of the settlers\n\n" + Blanks(12) + "77" +
                             " acres of land belong to the realm\n";
    EXPECT_EQ(t, want);
}

TEST(CountryReport, OverfullStoreAndPirateGold)
{
    EXPECT_TRUE(Has(ComposeCountryReport(Land(), 0, 1000, 1500), " -" + Blanks(10) + "500 units of room are left\n\n"));
    const struct {
        LONG gold;
        std::string line;  // empty: no pirate line at all
    } rows[] = {{-500, "-" + Blanks(8) + "500 gold coins were lost to pirates\n\n"},
                {0, ""},
                {500, Blanks(10) + "500 gold coins were taken from pirates\n\n"},
                {-2147483647 - 1, "-2147483648 gold coins were lost to pirates\n\n"}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.gold);
        st_LAND l = Land();
        l.Piratengold = r.gold;
        const std::string t = ComposeCountryReport(l, 0, 1, 1);
        if (r.line.empty())
            EXPECT_FALSE(Has(t, "pirates"));
        else
            EXPECT_TRUE(Has(t, "\n\n" + r.line)) << t;
    }
}

TEST(HarvestReport, SeasonWeatherAndWarnings)
{
    st_KORN k{};
    k.Jahr = 3, k.Quartal = 2, k.Saatlager = 100, k.Kornlager = 2000, k.BevLager = 300, k.AnzKornlager = 2;
    k.AnzMuehlen = 1, k.HighErnte = 900, k.MaxHarvest = 1200, k.Wetter = 2;
    const std::string golden = std::string("Report on the harvest\n\n") +
                               " 3 year(s) of your reign, season: autumn\n\n" +
                               " The seed store holds 100 units of grain for the next sowing.\n" +
                               " The granaries hold 2000 units of grain in stock.\n" +
                               " The people receive 300 units of grain to eat.\n" +
                               " The realm has 2 granaries and 1 mills.\n\n" +
                               " The last harvest brought 900 units of grain.\n" +
                               " The fields of the realm could bring at most 1200 units of grain.\n" +
                               " The weather was good\n";
    EXPECT_EQ(ComposeHarvestReport(k), golden);

    k.Wetter = 7;
    EXPECT_TRUE(Has(ComposeHarvestReport(k), " The weather was eigentlich unm\xF6glich ;-)\n"));
    k.Quartal = 9;
    EXPECT_TRUE(Has(ComposeHarvestReport(k), "season: \n\n")) << "no season past the fourth";
    k.Fishes = 12, k.KornVerrottet = 5;
    EXPECT_TRUE(Has(ComposeHarvestReport(k), " 12 units of fish were caught.\n The people"));
    EXPECT_TRUE(Has(ComposeHarvestReport(k), " 5 units of grain have rotted.\n\n The last"));

    const std::string warning = GetString(&_VEK_BERICHTE_KORNTEXT32);
    k.KornFlag = 3;
    for (UWORD q : {0, 1, 2, 3}) {
        SCOPED_TRACE(q);
        k.Quartal = q;
        EXPECT_EQ(Has(ComposeHarvestReport(k), warning + "\n\n"), q == 1);
    }
    k.Quartal = 1, k.KornFlag = 0x81;
    EXPECT_TRUE(Has(ComposeHarvestReport(k), std::string(GetString(&_VEK_BERICHTE_KORNTEXT30)) + "\n\n"));
}

std::vector<UBYTE> Geba(const std::vector<st_BAUE_EXT> &b, ULONG total = 0)
{
    st_GEBA head{};
    head.Gesamtkosten = total;
    head.AnzGeb = (UWORD)b.size();
    return Chunk(ID_GEBA, head, b);
}

st_BAUE_EXT Bau(UWORD typ, UWORD stadt, UWORD kosten, UWORD rest = 0)
{
    st_BAUE_EXT e{};
    e.GebID = typ, e.Stadt = stadt, e.Betriebskosten = kosten, e.Restbauzeit = rest;
    return e;
}

TEST(BuildingReport, SuccessorsPluralsAndUnknownTypes)
{
    const std::vector<UBYTE> g = Geba({Bau(0, 0, 10), Bau(0, 1, 12),      // granaries in two towns
                                       Bau(25, 0, 5), Bau(49, 0, 30),     // market place beside its hall
                                       Bau(25, 1, 6),                     // a market place alone
                                       Bau(1, 0, 7, 0xFFFF),              // a demolished mill
                                       Bau(200, 1, 9)},                   // a type without a name
                                      72);
    const std::string t = ComposeBuildingReport(reinterpret_cast<const st_GEBA *>(g.data()));
    const std::string want = std::string(GetString(&_VEK_BERICHTE_KORNTEXT27)) +
                             " 2 granaries with running costs of 22 gold coins a quarter\n" +
                             " 1 market place with running costs of 6 gold coins a quarter\n" +
                             " 1 market hall with running costs of 30 gold coins a quarter\n" +
                             " 1  with running costs of 9 gold coins a quarter\n" +
                             "\n All buildings together cost 72 gold coins a quarter...\n";
    EXPECT_EQ(t, want);
}

TEST(BuildingReport, CountBeyondTheChunkIsCut)
{
    std::vector<UBYTE> g = Geba({Bau(2, 0, 100)});
    reinterpret_cast<st_GEBA *>(g.data())->AnzGeb = 60000;
    const std::string t = ComposeBuildingReport(reinterpret_cast<const st_GEBA *>(g.data()));
    EXPECT_TRUE(Has(t, " 1 bank with running costs of 100 gold"));
}

TEST(TaxesReport, SixDigitColumnsAndSixtyFourBitSum)
{
    EXPECT_EQ(ComposeTaxesReport(nullptr), GetString(&_VEK_BERICHTE_NOSTEUERN));
    std::vector<UBYTE> c = Chunk(ID_TAXE, st_TAXE{}, std::vector<UBYTE>{});
    auto *t = reinterpret_cast<st_TAXE *>(c.data());
    t->GrundsteuerLast = 1234, t->JustizLast = 5, t->ZollLast = 0xFFFFFFFF, t->HQLast = 0xFFFFFFFF;
    t->KirchensteuerLast = 2, t->Markthallen = 7, t->Schiffskosten = 1234567, t->ZehnteEinnahme = 0;
    t->ZehnteAusgabe = 9;
    const std::string want = std::string(GetString(&_VEK_BERICHTE_KORNTEXT28)) + " 001234 from the land tax...\n" +
                             " 000005 from justice...\n" + " 4294967295 from customs...\n" +
                             " 4294967295 from the tax on resources...\n" + " 000002 from the church tax...\n" +
                             " --------------------------------------------\n" + " 8589935831 income in all...\n\n" +
                             " 000007 from the market halls...\n\n" + " 1234567 spent on the ships...\n\n" +
                             " 000000 tithe received from your vassals...\n\n" +
                             " 000009 tithe paid to your liege lord...\n\n" + GetString(&_VEK_BERICHTE_KORNTEXT29);
    EXPECT_EQ(ComposeTaxesReport(t), want);
}

TEST(ResearchReport, StatesAndLevels)
{
    st_FORS f{};
    f.Astronomie = 1, f.Alchemie = 2, f.Naturkunde = 3, f.Theologie = 4, f.Medizin = 5, f.Kampftechnik = 6;
    f.Technik = 0;
    const std::string levels = std::string(GetString(&_VEK_BERICHTE_RESEARCHTEXT9)) + "level 1 in astronomy\n" +
                               "level 2 in alchemy\n" + "level 3 in biology\n" + "level 4 in theology\n" +
                               "level 5 in healing\n" + "level 6 in art of battle\n" + "level 0 in technics\n";
    EXPECT_EQ(ComposeResearchReport(f), GetString(&_VEK_BERICHTE_RESEARCHTEXT2) + levels);
    f.AktiveForschung = 7, f.ForschungsCounter = 2, f.ForschungsZeit = 5, f.KostenProRunde = 300;
    EXPECT_EQ(ComposeResearchReport(f), std::string(GetString(&_VEK_BERICHTE_RESEARCHTEXT3)) + " technics.\n\n" +
                                            "They have worked 2 of 5 turns on it.\n" +
                                            "Every turn the research costs 300 gold coins.\n\n" + levels);
    f.Besonderheiten = 3;
    EXPECT_EQ(ComposeResearchReport(f).rfind(GetString(&_VEK_BERICHTE_RESEARCHTEXT1), 0), 0u);
    st_FORS done{};
    done.Astronomie = done.Alchemie = done.Naturkunde = done.Theologie = done.Medizin = done.Kampftechnik =
        done.Technik = 7;
    EXPECT_EQ(ComposeResearchReport(done).rfind(GetString(&_VEK_BERICHTE_RESEARCHTEXT9), 0), 0u)
        << "every field at the top: nobody is idle";
}

st_WARE_EXT Sale(UWORD info, ULONG date, ULONG seller, ULONG buyer, ULONG preis, ULONG anzahl)
{
    st_WARE_EXT w{};
    w.Info = info, w.DateInSec = date, w.Herkunft = seller, w.Kaeufer = buyer, w.KaeuferPreis = preis;
    w.WarenAnzahl = anzahl, w.WarenTyp = 1, w.Preis = 11;
    return w;
}

std::vector<UBYTE> Wares(const std::vector<st_WARE_EXT> &w)
{
    st_WARE head{};
    head.AnzWaren = (UWORD)w.size();
    return Chunk(ID_WARE, head, w);
}

std::vector<UBYTE> Players()
{
    st_ANTW head{};
    head.Antwort.Anzahl = 2;
    head.Antwort.Length = 2 * sizeof(st_ANTW_EXT_1);
    st_ANTW_EXT_1 a{}, b{};
    a.SpielerID = 500, b.SpielerID = 501;
    std::strcpy(a.SpielName, "Anna");
    std::strcpy(b.SpielName, "Bert");
    return Chunk(ID_ANTW, head, std::vector<st_ANTW_EXT_1>{a, b});
}

TEST(TradeReport, OneHeadingPerOfferBestBidFirstAndYou)
{
    const std::vector<UBYTE> w = Wares({Sale(4, 100, 500, 501, 20, 3), Sale(2, 300, 7, 500, 1, 1),
                                        Sale(4, 100, 500, 7, 25, 4), Sale(4, 200, 7, 500, 30, 12)});
    const std::vector<UBYTE> p = Players();
    std::string t;
    ASSERT_TRUE(ComposeTradeReport(reinterpret_cast<const st_WARE *>(w.data()),
                                   reinterpret_cast<const st_ANTW *>(p.data()), 7, "Demoland", &t));
    const std::string ware = GetString(Waren[1]);
    const std::string tail = std::string(" ") + GetString(&_VEK_BERICHTE_HANDEL_ANDEREKAUF3) + " 11 " +
                             GetString(&_VEK_BERICHTE_HANDEL_ANDEREKAUF4);
    const std::string want = std::string(GetString(&_VEK_BERICHTE_HANDELTEXT2)) + " Lord Demoland offered 12 units of " +
                             ware + tail + Blanks(12) + "30 GP" + Blanks(12) + "12     Anna\n" + "\n" +
                             " Lord Anna offered 4 units of " + ware + tail + Blanks(12) + "25 GP" + Blanks(14) +
                             "4     You\n" + Blanks(12) + "20 GP" + Blanks(14) + "3     Bert\n" +
                             "\n";  // the unsold offer that follows has another date
    EXPECT_EQ(t, want);

    std::string none;
    ASSERT_TRUE(ComposeTradeReport(nullptr, nullptr, 7, "Demoland", &none));
    EXPECT_EQ(none, GetString(&_VEK_BERICHTE_HANDELTEXT1));
    const std::vector<UBYTE> unsold = Wares({Sale(2, 1, 7, 8, 1, 1)});
    ASSERT_TRUE(ComposeTradeReport(reinterpret_cast<const st_WARE *>(unsold.data()), nullptr, 7, "D", &none));
    EXPECT_EQ(none, GetString(&_VEK_BERICHTE_HANDELTEXT2));
}

TEST(TradeReport, ACountPastTheChunkIsCut)
{
    std::vector<UBYTE> w = Wares({Sale(4, 1, 500, 501, 10, 1), Sale(4, 1, 500, 501, 9, 1)});
    reinterpret_cast<st_WARE *>(w.data())->AnzWaren = 65535;
    std::string t;
    ASSERT_TRUE(ComposeTradeReport(reinterpret_cast<const st_WARE *>(w.data()), nullptr, 7, "D", &t));
    size_t bids = 0;
    for (size_t at = 0; (at = t.find(" GP", at)) != std::string::npos; ++at) ++bids;
    EXPECT_EQ(bids, 2u);
}

TEST(TradeReport, SixtyFiveThousandSalesGrowTheText)
{
    std::vector<st_WARE_EXT> many;
    for (ULONG i = 0; i < 65535; ++i) many.push_back(Sale(4, i / 3, 500, 501, 10 + i % 3, 1));
    const std::vector<UBYTE> w = Wares(many);
    std::string t;
    ASSERT_TRUE(ComposeTradeReport(reinterpret_cast<const st_WARE *>(w.data()), nullptr, 7, "D", &t));
    size_t lines = 0;
    for (char c : t) lines += c == '\n';
    EXPECT_GT(lines, 65535u + 21845u);
}

}  // namespace
