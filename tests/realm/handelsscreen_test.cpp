// The market (screen 108) on the demo set at 8 and 32 bits, driven by pushed
// clicks and keys: a purchase stored by OKOK, a bid placed and cancelled, a
// new offer chosen through the choose box, the scrolled list that forgets
// its line, and EXIT that stores nothing.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "common/demoscreen.h"
#include "common/scriptinput.h"
#include "common/testutil.h"
#include "gfx/font.h"
#include "platform/catalog.h"
#include "platform/datakit.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "realm/realm.h"
#include "store/chunks.h"
#include "store/converters.h"
#include "store/store.h"
#include "ui/input.h"
#include "world/handel.h"
#include "world/towns.h"
#include "world/warehouse.h"

using namespace vektest;

namespace {

constexpr ULONG kIch = 7, kNachbar = 8, kHelm = 10;

std::vector<std::string> gGesagt;
std::deque<LONG> gAntworten;
LONG Aufnehmen(const char *text, int frage)
{
    gGesagt.push_back(text);
    if (!frage || gAntworten.empty()) return 0;
    LONG a = gAntworten.front();
    gAntworten.pop_front();
    return a;
}
ULONG DiceZero(ULONG) { return 0; }
std::time_t Uhr() { return 1700000000; }

std::vector<st_WARE_EXT> Waren()
{
    std::vector<st_WARE_EXT> v;
    void *c = LoadChunk2Mem(ID_WARE, WAREN_FILE);
    if (!c) return v;
    v.resize(GetChunkEntryCount(c));
    if (!v.empty()) std::memcpy(v.data(), (UBYTE *)c + sizeof(st_WARE), v.size() * sizeof(st_WARE_EXT));
    FreeVec(c);
    return v;
}

class HandelsScreenTest : public DemoScreenTest {
protected:
    st_PlayerInfo altInfo_ = PlayerInfo;
    LONG (*altMeldung_)(const char *, int) = HandelMeldungHook;
    std::time_t (*altUhr_)() = HandelUhrHook;
    UWORD zeile_ = 12, zeile9_ = 10;
    std::vector<ULONG> heim_;  // the home market's types in line order

    void SetUp() override
    {
        DemoScreenTest::SetUp();
        gGesagt.clear();
        gAntworten.clear();
        HandelMeldungHook = Aufnehmen;
        HandelUhrHook = Uhr;
        MarktWuerfelHook = DiceZero;
        PlayerInfo.SpielerID = kIch;
        PlayerInfo.AktStadtID = 0;
        if (TextFont *f = OpenDiskFont("Fonts/XHelvetica11.fnt")) {
            zeile_ = f->tf_YSize;
            CloseFont(f);
        }
        if (TextFont *f = OpenDiskFont("Fonts/XHelvetica9.fnt")) {
            zeile9_ = f->tf_YSize;
            CloseFont(f);
        }
        // Another ruler offers helmets: 30 at 12.
        ListHeader *l = CreateList(LISTE_WAREN);
        void *c = LoadChunk2Mem(ID_WARE, WAREN_FILE);
        ASSERT_TRUE(c && ScanWare2List(l, (st_WARE *)c));
        FreeVec(c);
        auto *n = (WareListEntry *)AllocVec(l->TypSize, MEMF_CLEAR);
        n->Ware.Info = WARE_INFO_FREMD, n->Ware.Herkunft = kNachbar, n->Ware.WarenTyp = kHelm;
        n->Ware.WarenAnzahl = 30, n->Ware.Preis = 12;
        InsertNode(l, &n->Node, LIST_LAST, 0);
        st_WARE *w = MakeWareChunkFromList(l);
        ASSERT_TRUE(SaveChunk2File(WAREN_FILE, w));
        FreeVec(w);
        DeleteList(l, 1);
        // The turn's home market as the screen will make it.
        ASSERT_TRUE(CheckPrefsWrite(PREF_MARKT_GEMACHT, 0));
        DeleteFile(WARENDAT_FILE);
        LokaleDatenHandelsScreen d{};
        ASSERT_TRUE(ReadHandelsScreenData(&d));
        ASSERT_TRUE(HeimMarktBauen(&d.Markt));
        for (ULONG t = 0; t < (ULONG)WAREN_TYPES; ++t)
            if (d.Markt.Waren[t]) heim_.push_back(t);
        FreeHandelsScreenData(&d);
        DeleteFile(WARENDAT_FILE);
        ASSERT_TRUE(CheckPrefsWrite(PREF_MARKT_GEMACHT, 0));
    }
    void TearDown() override
    {
        HandelMeldungHook = altMeldung_;
        HandelUhrHook = altUhr_;
        MarktWuerfelHook = Wuerfel;
        PlayerInfo = altInfo_;
        DemoScreenTest::TearDown();
    }
    void Klick(const char *code)
    {
        auto at = GadgetCentres("./Data/screendat/Handel.dat");
        ASSERT_TRUE(at.count(code)) << code;
        PushClick(at[code].first, at[code].second);
    }
    void KlickZeile(LONG x0, LONG y0, int n, UWORD h = 0) { PushClick(x0 + 4, y0 + n * (h ? h : zeile_) + (h ? h : zeile_) / 2); }
    int Zeile(ULONG typ)
    {
        for (size_t i = 0; i < heim_.size(); ++i)
            if (heim_[i] == typ) return (int)i;
        return -1;
    }
    void Tippe(const char *text)
    {
        for (int i = 0; i < 12; ++i) PushKey(SDLK_BACKSPACE, 8);
        PushText(text);
        PushKey(SDLK_RETURN, 13);
    }
};

TEST_P(HandelsScreenTest, FiveHelmetsBoughtAndStoredByOk)
{
    const int helm = Zeile(kHelm);
    ASSERT_GE(helm, 0) << "the blacksmiths and Kampftechnik offer helmets";
    for (ULONG t : heim_) EXPECT_EQ(WarenWerte[t][WW_PFLANZE], 0) << t << ": no sawmill, no plant ware";
    KlickZeile(16, 178, helm);
    Klick("BOX1");
    Tippe("5");
    Klick("OK00");
    Klick("OKOK");
    StdoutCapture out;
    EXPECT_EQ(HandelsScreen(), 39);
    const std::string text = out.Take();
    ASSERT_EQ(gGesagt.size(), 1u) << text;
    EXPECT_EQ(gGesagt[0].rfind("Do you really want to buy 5 units helmet at a price of ", 0), 0u) << gGesagt[0];
    const Bytes cache = ReadBytes(WARENDAT_FILE);
    ASSERT_EQ(cache.size(), WARENDAT_BYTES);
    ULONG units, preis;
    std::memcpy(&units, cache.data() + 4 * kHelm, 4);
    std::memcpy(&preis, cache.data() + 4 * (WAREN_TYPES + kHelm), 4);
    auto *land = (st_LAND *)LoadChunk2Mem(ID_LAND, POOL_OUT);
    ASSERT_NE(land, nullptr);
    EXPECT_EQ(+land->AnzGold, 50000u - 5 * preis);
    FreeVec(land);
    bool helme = false;
    for (const st_WARE_EXT &w : Waren())
        helme = helme || (w.Info == WARE_INFO_LAGER && w.WarenTyp == kHelm && w.WarenAnzahl == 5 && w.Preis == preis);
    EXPECT_TRUE(helme);
    auto *taxe = (st_TAXE *)LoadChunk2Mem(ID_TAXE, POOL_OUT);
    ASSERT_NE(taxe, nullptr) << "the market hall counts the home market's wares";
    EXPECT_EQ(+taxe->Marktangebote, heim_.size());
    FreeVec(taxe);
    EXPECT_EQ(CheckPrefs(PREF_MARKT_GEMACHT, PREFS_READ, 0), 1u);
}

TEST_P(HandelsScreenTest, BidOfferScrollAndExitWithoutStoring)
{
    const Bytes pool = ReadBytes(POOL_OUT), ware = ReadBytes(WAREN_FILE);
    KlickZeile(271, 48, 0);  // the neighbour's helmets: the bid starts at 30 at 12
    Klick("LE10");
    Klick("LE10");
    Klick("RE11");
    Klick("OK01");           // 28 at 13 fits the gold
    Klick("SX01");           // cancelled after the question
    Klick("SX21");           // corn first, then the stock in list order
    PushClick(264 + datakit::CHOOSEBOX_LIST.x + 4, 184 + datakit::CHOOSEBOX_LIST.y + zeile_ * 1 + zeile_ / 2);
    {
        auto at = GadgetCentres("./Data/screendat/ChooseBox.dat");
        ASSERT_TRUE(at.count("OKOK"));
        PushClick(264 + at["OKOK"].first, 184 + at["OKOK"].second);
    }
    Klick("BOX2");
    Tippe("100");
    Klick("BOX3");
    Tippe("7");
    Klick("OK20");
    // A scrolled home market forgets its line: Ok then buys nothing.
    KlickZeile(16, 178, 0);
    Klick("DO00");
    Klick("OK00");
    Klick("EXIT");
    StdoutCapture out;
    EXPECT_EQ(HandelsScreen(), 39);
    const std::string text = out.Take();
    EXPECT_EQ(gGesagt, (std::vector<std::string>{"Do you really wish to cancel your bid?"})) << text;
    EXPECT_EQ(ReadBytes(POOL_OUT), pool);
    EXPECT_EQ(ReadBytes(WAREN_FILE), ware);
}

TEST_P(HandelsScreenTest, OfferStoredFromTheChooseBox)
{
    Klick("SX21");
    PushClick(264 + datakit::CHOOSEBOX_LIST.x + 4, 184 + datakit::CHOOSEBOX_LIST.y + zeile_ * 1 + zeile_ / 2);
    {
        auto at = GadgetCentres("./Data/screendat/ChooseBox.dat");
        PushClick(264 + at["OKOK"].first, 184 + at["OKOK"].second);
    }
    Klick("BOX2");
    Tippe("100");
    Klick("BOX3");
    Tippe("7");
    for (int i = 0; i < 3; ++i) Klick("RE21");
    Klick("OK20");
    Klick("OKOK");
    StdoutCapture out;
    EXPECT_EQ(HandelsScreen(), 39);
    out.Take();
    const auto w = Waren();
    ASSERT_FALSE(w.empty());
    const st_WARE_EXT &angebot = w.back();
    EXPECT_EQ(+angebot.Info, WARE_INFO_ANGEBOT);
    EXPECT_EQ(+angebot.WarenAnzahl, 100u);
    EXPECT_EQ(+angebot.Preis, 10u);
}

TEST_P(HandelsScreenTest, TypedBidStoredAndOwnOfferListKeepsItsLineWhenScrolled)
{
    KlickZeile(271, 48, 0);  // the neighbour's 30 helmets at 12
    Klick("BOX4");
    Tippe("999999");         // cut to the 30 offered
    Klick("BOX5");
    Tippe("3");              // raised to the 12 asked
    Klick("RE11");
    Klick("OK01");
    KlickZeile(271, 306, 0, zeile9_);  // the own offer of the demo set
    Klick("DO20");               // its list scrolled: the offer stays chosen
    Klick("SX20");               // and is withdrawn into the stock
    Klick("OKOK");
    StdoutCapture out;
    EXPECT_EQ(HandelsScreen(), 39);
    const std::string text = out.Take();
    EXPECT_TRUE(gGesagt.empty()) << ::testing::PrintToString(gGesagt);
    bool gebot = false, angebot = false;
    for (const st_WARE_EXT &w : Waren()) {
        gebot = gebot || (w.Info == WARE_INFO_FREMD && w.Kaeufer == kIch && w.KaeuferAnzahl == 30 && w.KaeuferPreis == 13);
        angebot = angebot || w.Info == WARE_INFO_ANGEBOT;
    }
    EXPECT_TRUE(gebot) << text;
    EXPECT_FALSE(angebot) << "the demo's own offer went back to the stock";
}

INSTANTIATE_TEST_SUITE_P(Tiefen, HandelsScreenTest, ::testing::Values(8, 32));

}  // namespace
