// The diplomat's office on the demo set at 8 and 32 bits, driven by pushed
// clicks and keys: every page in and out, the marketplace gate, an offer and
// an acceptance on the trade page, the vassalage question, a cancellation and
// a letter written; what each writes is read back from the pools.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <cstring>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "common/demoscreen.h"
#include "common/scriptinput.h"
#include "common/testutil.h"
#include "gfx/font.h"
#include "military/briefeditor.h"
#include "military/military.h"
#include "net/gamemail.h"
#include "platform/catalog.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/chunks.h"
#include "store/store.h"
#include "ui/input.h"
#include "ui/screendat.h"
#include "world/towns.h"
#include "world/vertrag.h"

using namespace vektest;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> gGesagt;
std::deque<LONG> gAntworten;  // answers to questions, Ok when empty
LONG Aufnehmen(const char *text, int frage)
{
    gGesagt.push_back(text);
    if (!frage || gAntworten.empty()) return 0;
    LONG a = gAntworten.front();
    gAntworten.pop_front();
    return a;
}
std::time_t Zeit() { return 1000000; }

std::vector<st_VERT_EXT> Vert(const char *pool)
{
    std::vector<st_VERT_EXT> v;
    void *c = LoadChunk2Mem(ID_VERT, pool);
    if (!c) return v;
    v.resize(GetChunkEntryCount(c));
    if (!v.empty()) std::memcpy(v.data(), (UBYTE *)c + sizeof(st_VERT), v.size() * sizeof(st_VERT_EXT));
    FreeVec(c);
    return v;
}

class DiplomatScreenTest : public DemoScreenTest {
protected:
    LONG (*altMeldung_)(const char *, int) = VertragMeldungHook;
    void (*altBrief_)(const char *) = BriefMeldungHook;
    std::time_t (*altUhr_)() = VertragUhrHook;
    st_PlayerInfo altInfo_ = PlayerInfo;
    UBYTE altFlags_ = UserSystem.OP.TCPIP_Flags;
    UWORD zeile_ = 12;

    void SetUp() override
    {
        DemoScreenTest::SetUp();
        gGesagt.clear();
        gAntworten.clear();
        VertragMeldungHook = Aufnehmen;
        BriefMeldungHook = [](const char *t) { Aufnehmen(t, 0); };
        VertragUhrHook = Zeit;
        PlayerInfo.SpielerID = 7;
        PlayerInfo.AktStadtID = 0;
        UserSystem.OP.TCPIP_Flags = TRANSPORT_MAIL;
        if (TextFont *f = OpenDiskFont("Fonts/XHelvetica11.fnt")) {
            zeile_ = f->tf_YSize;
            CloseFont(f);
        }
    }
    void TearDown() override
    {
        VertragMeldungHook = altMeldung_;
        BriefMeldungHook = altBrief_;
        VertragUhrHook = altUhr_;
        PlayerInfo = altInfo_;
        UserSystem.OP.TCPIP_Flags = altFlags_;
        DemoScreenTest::TearDown();
    }
    void Marktplatz(bool gebaut)
    {
        Stadt *t = GetActiveTown(0);
        ASSERT_NE(t, nullptr);
        for (int slot : {16, 25}) {
            UWORD &bits = t->GebaeudeAbhaengigkeiten[slot].GfxBitfeld;
            bits = gebaut ? (UWORD)(bits | GFX_THISIMAGEISSET) : (UWORD)(bits & ~GFX_THISIMAGEISSET);
        }
        ASSERT_TRUE(SpeichereStadt(t));
        FreeVec(t);
    }
    void Klick(const char *datei, const char *code)
    {
        auto at = GadgetCentres((std::string("./Data/screendat/") + datei).c_str());
        ASSERT_TRUE(at.count(code)) << datei << " " << code;
        PushClick(at[code].first, at[code].second);
    }
    // A click on line n of the list in rectangle r of a page.
    void KlickZeile(const char *datei, ULONG r, int n, LONG x0 = -1, LONG y0 = -1)
    {
        if (x0 < 0) {
            ScreenRegion *reg = GetScreenRegion((std::string("./Data/screendat/") + datei).c_str(), SR_RECHTECK);
            ASSERT_NE(reg, nullptr);
            ASSERT_GT(reg->CountRechteck, r);
            x0 = reg->Rechteck[r].X0 + 4;
            y0 = reg->Rechteck[r].Y0;
            ClearScreenRegion(reg);
        }
        PushClick(x0, y0 + n * zeile_ + zeile_ / 2);
    }
};

TEST_P(DiplomatScreenTest, EveryPageInAndOutAndTheMarketplaceGate)
{
    Marktplatz(false);
    for (const char *ch : {"CH00", "CH02", "CH03", "CH04"}) {
        Klick("DiplomatieMain.dat", ch);
        PushEscape();
    }
    Klick("DiplomatieMain.dat", "CH01");
    PushEscape();
    StdoutCapture out;
    EXPECT_EQ(DiplomatScreen(), 2);
    const std::string text = out.Take();
    EXPECT_EQ(gGesagt, (std::vector<std::string>{GetString(&_VEK_DIPLOMAIN_NOMARKETPLACE)}));
    EXPECT_EQ(text.find("Konnte"), std::string::npos) << text;
    // Nothing was ordered or changed by looking.
    EXPECT_TRUE(Vert(POOL_OUT).empty());
    EXPECT_EQ(Vert(POOL_IN).size(), 6u);
}

TEST_P(DiplomatScreenTest, AnOfferAndAnAcceptanceOnTheTradePage)
{
    Marktplatz(true);
    Klick("DiplomatieMain.dat", "CH01");
    // Own offers: the placeholder-free player list is sorted Demoland,
    // Fremdland, Nachbar; the wares start with corn, then wood.
    KlickZeile("Diplomatie1.dat", 0, 2);
    KlickZeile("Diplomatie1.dat", 0, 1, 311 + 4, 77);
    for (int i = 0; i < 3; ++i) Klick("Diplomatie1.dat", "BR01");  // duration 4
    for (int i = 0; i < 9; ++i) Klick("Diplomatie1.dat", "BR02");  // amount 10
    for (int i = 0; i < 5; ++i) Klick("Diplomatie1.dat", "BR03");  // price 5
    Klick("Diplomatie1.dat", "BU20");
    // Received offers: the neighbour's wood, accepted after Cancel, then Ok.
    Klick("Diplomatie1.dat", "BU21");
    KlickZeile("Diplomatie1.dat", 0, 0);
    Klick("Diplomatie1.dat", "BU21");
    Klick("Diplomatie1.dat", "BU21");
    Klick("Diplomatie1.dat", "BU20");  // back to own offers
    PushEscape();
    PushEscape();
    gAntworten = {1, 0};
    StdoutCapture out;
    EXPECT_EQ(DiplomatScreen(), 2);
    out.Take();
    const auto aus = Vert(POOL_OUT);
    ASSERT_EQ(aus.size(), 2u) << ::testing::PrintToString(gGesagt);
    EXPECT_EQ(+aus[0].VertragsArt, VA_HANDELSANGEBOT);
    EXPECT_EQ(+aus[0].PartnerID, 8u);
    EXPECT_EQ(+aus[0].WarenTyp, 98u);
    EXPECT_EQ(+aus[0].Dauer, 4);
    EXPECT_EQ(+aus[0].Anzahl, 10u);
    EXPECT_EQ(+aus[0].Preis, 5u);
    EXPECT_EQ(+aus[1].VertragsArt, VA_ANNAHME);
    EXPECT_EQ(+aus[1].AnbieterID, 8u);
    EXPECT_EQ(+aus[1].Anzahl, 100u);
    EXPECT_EQ(Vert(POOL_IN).size(), 5u);
    const std::vector<std::string> erwartet = {GetString(&_VEK_DIPLO0_DOKUMENTTEXT13),
                                               GetString(&_VEK_DIPLO1_ACCEPTCONTRACT),
                                               GetString(&_VEK_DIPLO1_ACCEPTCONTRACT)};
    EXPECT_EQ(gGesagt, erwartet);
}

TEST_P(DiplomatScreenTest, VassalageIsOfferedAndAcceptedAndAContractCancelled)
{
    Klick("DiplomatieMain.dat", "CH02");
    KlickZeile("Diplomatie2.dat", 0, 1);  // Fremdland
    Klick("Diplomatie2.dat", "BU30");     // offer vassalage: asked, Ok
    Klick("Diplomatie2.dat", "CH31");     // received offers: Nachbar (peace), Fremdland (vassalage)
    KlickZeile("Diplomatie2.dat", 0, 1);
    Klick("Diplomatie2.dat", "BU30");  // become the stranger's vassal: asked, Ok
    Klick("Diplomatie2.dat", "BU31");
    PushEscape();
    Klick("DiplomatieMain.dat", "CH03");
    Klick("Diplomatie3.dat", "RE30");     // nothing chosen yet: nothing
    KlickZeile("Diplomatie3.dat", 0, 0);  // the neighbour's trade offer: no cancel kind
    Klick("Diplomatie3.dat", "LE30");     // wraps to the last line, the liege's affirmation
    Klick("Diplomatie3.dat", "BU31");     // asked, Ok: kind 10
    PushEscape();
    PushEscape();
    StdoutCapture out;
    EXPECT_EQ(DiplomatScreen(), 2);
    out.Take();
    const auto aus = Vert(POOL_OUT);
    ASSERT_EQ(aus.size(), 3u) << ::testing::PrintToString(gGesagt);
    EXPECT_EQ(+aus[0].VertragsArt, VA_LEHNSANGEBOT);
    EXPECT_EQ(+aus[0].PartnerID, 9u);
    EXPECT_EQ(+aus[1].VertragsArt, VA_LEHNSANNAHME);
    EXPECT_EQ(+aus[1].AnbieterID, 9u);
    EXPECT_EQ(+aus[1].PartnerID, 7u);
    EXPECT_EQ(+aus[2].VertragsArt, VA_LEHNSKUENDIGUNG);
    EXPECT_EQ(+aus[2].AnbieterID, 9u);
    const auto ein = Vert(POOL_IN);
    EXPECT_EQ(ein.size(), 5u);
    for (const auto &v : ein) EXPECT_NE(+v.VertragsArt, VA_LEHNSBESTAETIGUNG);
    ASSERT_EQ(gGesagt.size(), 4u);
    EXPECT_EQ(gGesagt[0], std::string(GetString(&_VEK_DIPLO3_LEHNSHERREN_4)) + " Fremdland " +
                              GetString(&_VEK_DIPLO3_LEHNSHERREN_5));
    EXPECT_EQ(gGesagt[1], GetString(&_VEK_DIPLO3_LEHNSHERREN_1));
    EXPECT_EQ(gGesagt[2], GetString(&_VEK_ZUKUNFT_ERWEITERT));
    EXPECT_EQ(gGesagt[3], "Mylord, wollen Sie diesen Vertrag wirklich k\374ndigen ?");
}

TEST_P(DiplomatScreenTest, ALetterIsWrittenToTheChosenRuler)
{
    Klick("DiplomatieMain.dat", "CH04");
    Klick("Diplomatie5.dat", "CH41");     // no ruler chosen: the message
    KlickZeile("Diplomatie5.dat", 2, 2);  // Nachbar
    Klick("Diplomatie5.dat", "CH41");     // a blank subject: refused, nothing written
    PushText("   ");
    PushKey(SDLK_RETURN, 13);
    Klick("Diplomatie5.dat", "CH41");
    PushText("Holz");
    PushKey(SDLK_RETURN, 13);
    PushText("Zehn");
    PushKey(SDLK_RETURN, 13);
    PushText("Ladungen");
    Klick("Diplomatie5.dat", "BU40");
    PushEscape();
    PushEscape();
    StdoutCapture out;
    EXPECT_EQ(DiplomatScreen(), 2);
    const std::string text = out.Take();
    EXPECT_EQ(gGesagt, (std::vector<std::string>{"Please choose a sovereign first whom you want to send the message!",
                                                 GetString(&_VEK_OFFLINE_NOBETREFF),
                                                 GetString(&_VEK_OFFLINE_MAILWRITTEN)}));
    EXPECT_EQ(GetString(&_VEK_OFFLINE_NOBETREFF), std::string("If you don't fill in a reference, you can't write email!"));
    EXPECT_EQ(std::distance(fs::directory_iterator("Data/MailOut"), fs::directory_iterator()), 1);
    const Bytes brief = ReadBytes("Data/MailOut/E0000008_00.smal");
    ASSERT_GE(brief.size(), 284u) << text;
    const std::string s(brief.begin(), brief.end());
    EXPECT_EQ(s.compare(0, 4, "SMAL"), 0);
    EXPECT_NE(s.find("Holz"), std::string::npos);
    EXPECT_NE(s.find("Nachbar"), std::string::npos);
    EXPECT_EQ(brief[280], 0);
    EXPECT_EQ(brief[283], 8) << "the recipient's id, big-endian";
    EXPECT_EQ(s.substr(284), std::string("Zehn\nLadungen") + '\0');
    EXPECT_EQ(ReadBytes("Data/MailIn/E0000007_00.smal"), brief);
}

// Letters to the player: the walk with the ruler chosen and a deletion.
TEST_P(DiplomatScreenTest, LettersAreWalkedAndDeleted)
{
    const auto vorher = std::distance(fs::directory_iterator("Data/MailIn"), fs::directory_iterator());
    Klick("DiplomatieMain.dat", "CH04");
    Klick("Diplomatie5.dat", "CH40");     // the newest letter to the player
    Klick("Diplomatie5.dat", "RE40");
    Klick("Diplomatie5.dat", "LE40");
    KlickZeile("Diplomatie5.dat", 2, 1);  // Fremdland
    Klick("Diplomatie5.dat", "RE40");     // on to the stranger's letter
    Klick("Diplomatie5.dat", "BU41");     // deleted
    Klick("Diplomatie5.dat", "CH42");
    PushEscape();
    PushEscape();
    StdoutCapture out;
    EXPECT_EQ(DiplomatScreen(), 2);
    out.Take();
    EXPECT_EQ(gGesagt, (std::vector<std::string>{GetString(&_VEK_ZUKUNFT_ERWEITERT)}));
    EXPECT_FALSE(fs::exists("Data/MailIn/00000009_01.smal"));
    EXPECT_TRUE(fs::exists("Data/MailIn/00000008_02.smal"));
    EXPECT_EQ(std::distance(fs::directory_iterator("Data/MailIn"), fs::directory_iterator()), vorher - 1);
}

// Without a player list the lists show their placeholder, which cannot be
// chosen: an offer of vassalage then has no partner.
TEST_P(DiplomatScreenTest, PlaceholdersCannotBeChosen)
{
    fs::remove("Data/SpielerList.vek");
    Klick("DiplomatieMain.dat", "CH02");
    KlickZeile("Diplomatie2.dat", 0, 0);
    Klick("Diplomatie2.dat", "BU30");
    PushEscape();
    Klick("DiplomatieMain.dat", "CH04");
    KlickZeile("Diplomatie5.dat", 2, 0);
    Klick("Diplomatie5.dat", "CH41");
    PushEscape();
    PushEscape();
    StdoutCapture out;
    EXPECT_EQ(DiplomatScreen(), 2);
    out.Take();
    EXPECT_EQ(gGesagt, (std::vector<std::string>{GetString(&_VEK_DIPLO1_CHOOSEPLAYER),
                                                 GetString(&_VEK_DIPLO_BOTSCHAFTEN)}));
    EXPECT_TRUE(Vert(POOL_OUT).empty());
}

// Without a KORN chunk in either pool the office still opens: no corn to
// offer, nothing else lost.
TEST_P(DiplomatScreenTest, NoCornChunkOpensWithoutCorn)
{
    ASSERT_TRUE(RemChunkPool(ID_KORN, POOL_IN));
    ASSERT_TRUE(RemChunkPool(ID_KORN, POOL_OUT));
    Marktplatz(true);
    Klick("DiplomatieMain.dat", "CH01");
    KlickZeile("Diplomatie1.dat", 0, 2);              // Nachbar
    KlickZeile("Diplomatie1.dat", 0, 0, 311 + 4, 77);  // line 0 is wood now
    Klick("Diplomatie1.dat", "BU20");
    PushEscape();
    PushEscape();
    StdoutCapture out;
    EXPECT_EQ(DiplomatScreen(), 2);
    const std::string text = out.Take();
    EXPECT_NE(text.find("ReadHandelsScreenData : KornChunk nicht vorhanden !"), std::string::npos);
    const auto aus = Vert(POOL_OUT);
    ASSERT_EQ(aus.size(), 1u);
    EXPECT_EQ(+aus[0].WarenTyp, 98u);
}

INSTANTIATE_TEST_SUITE_P(Depths, DiplomatScreenTest, ::testing::Values(8, 32));

}  // namespace
