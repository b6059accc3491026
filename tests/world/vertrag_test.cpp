// Contracts between rulers: held-button steps, the clamps of an offer, the
// orders each kind writes, the lines of the diplomat's pages, documents, and
// received lists from hostile pools.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/catalog.h"
#include "platform/strings.h"
#include "store/converters.h"
#include "common/shareddemo.h"
#include "world/turnfixture.h"
#include "world/vertrag.h"
#include "world/warehouse.h"

namespace {

using namespace turnfix;

std::vector<std::string> gMeldungen;
LONG gAntwort = 0;  // 0 Ok, 1 Cancel for questions
LONG Aufnehmen(const char *text, int)
{
    gMeldungen.push_back(text);
    return gAntwort;
}
std::time_t FesteZeit() { return 0x5F5E1000; }

std::string S(const LocStr &s) { return GetString(&s); }

st_VERT_EXT V(UWORD art, ULONG von, ULONG an, ULONG ware = 0, UWORD dauer = 0, ULONG anzahl = 0, ULONG preis = 0)
{
    st_VERT_EXT v{};
    v.VertragsArt = art, v.AnbieterID = von, v.PartnerID = an, v.WarenTyp = ware, v.Dauer = dauer, v.Anzahl = anzahl;
    v.Preis = preis;
    return v;
}
Bytes VertChunk(const std::vector<st_VERT_EXT> &v)
{
    st_VERT h{};
    h.Anzahl = (ULONG)v.size();
    return MakeChunk(CN_VERT, h, v);
}
std::vector<st_VERT_EXT> Vert(const char *pool) { return Entries<st_VERT, st_VERT_EXT>(CN_VERT, pool); }

Bytes Spieler(const std::vector<std::pair<ULONG, std::string>> &namen)
{
    Bytes b(sizeof(st_ANTW) + namen.size() * sizeof(st_ANTW_EXT_1) + 1, 0);
    st_ANTW a{};
    a.Head = {ID_ANTW, VERSION_V001, (ULONG)(b.size() - 1 - sizeof(st_ChunkHead))};
    a.Antwort.Typ = 1;
    a.Antwort.Anzahl = (ULONG)namen.size();
    a.Antwort.Length = (ULONG)(namen.size() * sizeof(st_ANTW_EXT_1));
    std::memcpy(b.data(), &a, sizeof a);
    for (size_t i = 0; i < namen.size(); ++i) {
        st_ANTW_EXT_1 s{};
        s.SpielerID = namen[i].first;
        std::memcpy(s.SpielName, namen[i].second.data(), std::min(namen[i].second.size(), sizeof s.SpielName));
        std::memcpy(b.data() + sizeof a + i * sizeof s, &s, sizeof s);
    }
    return b;
}

st_WARE_EXT Lager(ULONG typ, ULONG anzahl, UWORD zustand = 0)
{
    st_WARE_EXT w{};
    w.Info = 5, w.WarenTyp = typ, w.WarenAnzahl = anzahl, w.Zustand = zustand;
    return w;
}
void LagerDatei(const std::vector<st_WARE_EXT> &w)
{
    st_WARE h{};
    h.AnzWaren = (UWORD)w.size();
    ASSERT_TRUE(SaveChunk2File(WAREN_FILE, MakeChunk(CN_WARE, h, w).data()));
}

class Vertraege : public ::testing::Test {
protected:
    GameDir dir;
    VertragsDaten d{};
    void SetUp() override
    {
        gMeldungen.clear();
        gAntwort = 0;
        VertragMeldungHook = Aufnehmen;
        VertragUhrHook = FesteZeit;
        ASSERT_TRUE(SaveChunk2File(SPIELERLISTE_FILE, Spieler({{7, "Demoland"}, {8, "Nachbar"}, {9, "Fremdland"}}).data()));
    }
    void TearDown() override { VertragsDatenFrei(&d); }
    std::string Zeile(const char *buffer, int i) { return std::string(buffer + i * VERTRAG_ZEILE); }
    // Chooses a player by name in the sorted player list.
    void Waehle(const char *name)
    {
        ASSERT_TRUE(SpielerListeLaden(&d));
        for (int i = 0; i < d.SpielerBufferCount; ++i)
            if (Zeile(d.SpielerListBuffer, i) == name) d.Auswahl1 = (WORD)i;
    }
};

TEST(HeldButtons, StepsGrowWithPressesAndFallBackAfterASecond)
{
    struct Row {
        const char *name;
        UWORD button;
        LONG start, floor;
        int presses;
        LONG expect;
    } rows[] = {
        {"25 up from 1", 1, 1, 1, 25, 71},
        {"40 up from 1", 3, 1, 0, 40, 221},
        {"41 up from 1 adds 110", 3, 1, 0, 41, 331},
        {"60 up from 1", 5, 1, 0, 60, 2421},
        {"61 up from 1", 5, 1, 0, 61, 3531},
        {"20 down from 500", 2, 500, 0, 20, 480},
        {"21 down from 500 takes 10", 2, 500, 0, 21, 470},
        {"down stops at the floor", 0, 3, 1, 5, 1},
        {"41st down takes 110", 4, 5000, 0, 41, 5000 - 20 - 200 - 110},
        {"61st down takes 1110", 4, 100000, 0, 61, 100000 - 20 - 200 - 2200 - 1110},
        {"the 21st press takes 10 only above 10", 2, 25, 0, 21, 5},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        HaltZaehler z{};
        LONG v = r.start;
        for (int i = 0; i < r.presses; ++i) v = GetIndexOnGadget(&z, r.button, v, r.floor);
        EXPECT_EQ(v, r.expect);
    }
    // The opposite button restarts the count; 11 idle ticks make steps of 1.
    HaltZaehler z{};
    LONG v = 1;
    for (int i = 0; i < 30; ++i) v = GetIndexOnGadget(&z, 1, v, 1);
    EXPECT_EQ(z.Gadget[1], 30u);
    v = GetIndexOnGadget(&z, 0, v, 1);
    EXPECT_EQ(z.Gadget[1], 0u);
    EXPECT_EQ(z.Gadget[0], 1u);
    for (int i = 0; i < 25; ++i) v = GetIndexOnGadget(&z, 1, v, 1);
    for (int i = 0; i < 10; ++i) HaltZaehlerTick(&z);
    EXPECT_EQ(z.Gadget[1], 25u) << "ten ticks keep the pace";
    HaltZaehlerTick(&z);
    EXPECT_EQ(z.Gadget[1], 0u);
    const LONG vor = v;
    EXPECT_EQ(GetIndexOnGadget(&z, 1, v, 1), vor + 1);
    // Saturation at the top; an unknown button only clears the tick count.
    HaltZaehler s{};
    s.Gadget[1] = 100;
    EXPECT_EQ(GetIndexOnGadget(&s, 1, 0x7FFFFFFF - 5, 0), 0x7FFFFFFF);
    s.TimeControl = 7;
    EXPECT_EQ(GetIndexOnGadget(&s, 9, 42, 0), 42);
    EXPECT_EQ(s.TimeControl, 0);
}

TEST_F(Vertraege, TermsAreClampedByTheStockAndTheRecordsWidth)
{
    InitVertragsWerte(&d);
    EXPECT_EQ(d.Dauer, 1);
    EXPECT_EQ(d.Anzahl, 1);
    EXPECT_EQ(d.Preis, 0);

    d.MaxAnzahl = 100, d.Dauer = 3;
    SetzeGetippt(&d, 1, 50);
    EXPECT_EQ(d.Anzahl, 33);
    SetzeGetippt(&d, 0, 0);
    EXPECT_EQ(d.Dauer, 1) << "a duration below 1 becomes 1";
    d.Anzahl = 0, d.MaxAnzahl = 1000000;
    SetzeGetippt(&d, 0, 100000);
    EXPECT_EQ(d.Dauer, 65535) << "the record holds 16 bits";
    SetzeGetippt(&d, 2, DiplomatieZahl("99999999999999"));
    EXPECT_EQ(d.Preis, 0x7FFFFFFF);
    EXPECT_EQ(DiplomatieZahl("-12"), 0);
    EXPECT_EQ(DiplomatieZahl("123"), 123);

    // Stepping the amount up at the ceiling speaks in own-offer mode only.
    d.Meldungen = 1, d.MaxAnzahl = 10, d.Dauer = 1, d.Anzahl = 10;
    StelleAnzahl(&d, 1);
    EXPECT_EQ(d.Anzahl, 10);
    ASSERT_EQ(gMeldungen.size(), 1u);
    EXPECT_EQ(gMeldungen[0], S(_VEK_DIPLO1_MAXANZAHL));
    d.Meldungen = 0;
    StelleAnzahl(&d, 1);
    EXPECT_EQ(gMeldungen.size(), 1u);
    // A duration step that would pass the ceiling is refused.
    d.Meldungen = 1, d.Anzahl = 5, d.Dauer = 2;
    StelleDauer(&d, 1);
    EXPECT_EQ(d.Dauer, 2);
    EXPECT_EQ(gMeldungen.size(), 2u);
    // A 64-bit product: amounts that overflow 32 bits are still cut.
    d.MaxAnzahl = 0xFFFFFFFFu, d.Dauer = 65535;
    SetzeGetippt(&d, 1, 0x7FFFFFFF);
    EXPECT_EQ(d.Anzahl, (LONG)(0xFFFFFFFFu / 65535));
    ResetDaten(&d);
    EXPECT_EQ(d.Auswahl1, -1);
    EXPECT_EQ(d.Dauer, 1);
    EXPECT_EQ(d.Anzahl, 0);
}

TEST_F(Vertraege, AnOfferIsRefusedInOrderAndAgainstTheStockAlreadyOffered)
{
    LagerDatei({Lager(98, 100, 3)});
    d.Korn = 0;
    ASSERT_TRUE(WarenListeLaden(&d));
    ASSERT_TRUE(SpielerListeLaden(&d));
    d.Auswahl1 = d.Auswahl2 = -1;
    EXPECT_TRUE(SendVertrag(&d, VA_HANDELSANGEBOT));
    Waehle("Nachbar");
    EXPECT_TRUE(SendVertrag(&d, VA_HANDELSANGEBOT));
    d.Auswahl2 = 0, d.Anzahl = 0;
    EXPECT_TRUE(SendVertrag(&d, VA_HANDELSANGEBOT));
    EXPECT_EQ(gMeldungen, (std::vector<std::string>{S(_VEK_DIPLO1_CHOOSEPLAYER), S(_VEK_DIPLO1_CHOOSEWARE),
                                                    S(_VEK_DIPLO1_NOAMOUNT)}));
    EXPECT_TRUE(Vert(POOL_OUT).empty());

    gMeldungen.clear();
    d.Dauer = 4, d.Anzahl = 20, d.Preis = 9;
    EXPECT_TRUE(SendVertrag(&d, VA_HANDELSANGEBOT));
    d.Dauer = 2, d.Anzahl = 15;
    EXPECT_TRUE(SendVertrag(&d, VA_HANDELSANGEBOT));
    EXPECT_EQ(gMeldungen, (std::vector<std::string>{S(_VEK_DIPLO0_DOKUMENTTEXT13), S(_VEK_DIPLO1_DOPPELTERVERTRAG)}));
    EXPECT_EQ(gMeldungen[1], "My Lord, there is already a contract with these conditions.");
    auto out = Vert(POOL_OUT);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(+out[0].Zustand, 3);
    EXPECT_EQ(+out[0].Identifier, (ULONG)FesteZeit());
    // What is left (20) still goes out.
    d.Dauer = 2, d.Anzahl = 10;
    EXPECT_TRUE(SendVertrag(&d, VA_HANDELSANGEBOT));
    EXPECT_EQ(Vert(POOL_OUT).size(), 2u);
}

TEST_F(Vertraege, OneAdvertisementPerTurnAndTheOtherKinds)
{
    EXPECT_TRUE(SendVertrag(&d, VA_WERBUNG));
    EXPECT_TRUE(SendVertrag(&d, VA_WERBUNG));
    EXPECT_EQ(gMeldungen, (std::vector<std::string>(2, S(_VEK_DIPLO0_DOKUMENTTEXT14))));
    auto out = Vert(POOL_OUT);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(+out[0].VertragsArt, VA_WERBUNG);
    EXPECT_EQ(+out[0].PartnerID, VERTRAG_ALLE);
    EXPECT_EQ(+out[0].AnbieterID, kIch);

    // A vassalage offer asks "%s %s %s" first; Cancel writes nothing.
    gMeldungen.clear();
    Waehle("Fremdland");
    gAntwort = 1;
    EXPECT_TRUE(SendVertrag(&d, VA_LEHNSANGEBOT));
    EXPECT_EQ(Vert(POOL_OUT).size(), 1u);
    gAntwort = 0;
    EXPECT_TRUE(SendVertrag(&d, VA_LEHNSANGEBOT));
    ASSERT_EQ(gMeldungen.size(), 2u);
    EXPECT_EQ(gMeldungen[1], S(_VEK_DIPLO3_LEHNSHERREN_4) + " Fremdland " + S(_VEK_DIPLO3_LEHNSHERREN_5));
    out = Vert(POOL_OUT);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(+out[1].VertragsArt, VA_LEHNSANGEBOT);
    EXPECT_EQ(+out[1].PartnerID, 9u);
    // Kinds the client does not write do nothing.
    for (UWORD art : {1, 4, 8, 11}) EXPECT_TRUE(SendVertrag(&d, art));
    EXPECT_EQ(Vert(POOL_OUT).size(), 2u);
}

TEST_F(Vertraege, WareLinesStartWithCornOnlyWhenThereIsCorn)
{
    LagerDatei({Lager(98, 400), [] { auto w = Lager(99, 5); w.Info = 0; return w; }(), Lager(12, 1000)});
    ULONG typ, n;
    UWORD z;
    d.Korn = 20000;
    ASSERT_TRUE(WarenListeLaden(&d));
    ASSERT_EQ(d.WarenBufferCount, 3);
    EXPECT_EQ(Zeile(d.WarenListBuffer, 0), GetString(Waren[0]));
    EXPECT_EQ(Zeile(d.WarenListBuffer, 1), GetString(Waren[98]));
    ASSERT_TRUE(WareAufZeile(&d, 0, &typ, &n, &z));
    EXPECT_EQ(typ, 0u);
    EXPECT_EQ(n, 20000u);
    ASSERT_TRUE(WareAufZeile(&d, 2, &typ, &n, &z));
    EXPECT_EQ(typ, 12u);
    d.Korn = 0;
    ASSERT_TRUE(WarenListeLaden(&d));
    ASSERT_EQ(d.WarenBufferCount, 2);
    ASSERT_TRUE(WareAufZeile(&d, 0, &typ, &n, &z));
    EXPECT_EQ(typ, 98u);
    EXPECT_FALSE(WareAufZeile(&d, 2, &typ, &n, &z));
    EXPECT_EQ(n, 0u);
}

TEST_F(Vertraege, LinesPerPageAndTheRecordsBehindThem)
{
    Put(VertChunk({V(6, 9, 7), V(1, 8, 7), V(0, 8, 7, 98), V(4, 8, 7, 23), V(1, 8, 7), V(0, 9, 7, 12), V(0, 8, 7, 99),
                   V(8, 9, 7), V(3, 7, 8, 1)}),
        POOL_IN);
    ASSERT_TRUE(AllocVertragList(&d, 1));
    ASSERT_EQ(d.VertragBufferCount, 9);
    std::vector<UWORD> arten;
    for (int i = 0; i < 9; ++i) arten.push_back(+VertragAufZeile(&d, i)->VertragsArt);
    EXPECT_EQ(arten, (std::vector<UWORD>{0, 0, 0, 1, 1, 3, 4, 6, 8}));
    EXPECT_EQ(+VertragAufZeile(&d, 2)->AnbieterID, 9u) << "offerer second";
    EXPECT_EQ(Zeile(d.VertragListBuffer, 0), S(_VEK_DIPLO0_HANDELSANGEBOT) + " Nachbar");
    EXPECT_EQ(Zeile(d.VertragListBuffer, 3), "Nachbar") << "a peace offer has no label";
    EXPECT_EQ(Zeile(d.VertragListBuffer, 5), S(_VEK_DIPLO0_HANDELSABSCHLUSS) + " Nachbar") << "own offer: the partner";

    ASSERT_TRUE(AllocVertragList(&d, 2));
    ASSERT_EQ(d.VertragBufferCount, 2);
    EXPECT_EQ(Zeile(d.VertragListBuffer, 0), "Nachbar");
    EXPECT_EQ(Zeile(d.VertragListBuffer, 1), "Fremdland");
    ASSERT_TRUE(VertragAngebotsZeilen(&d, 0));
    ASSERT_EQ(d.Waren2Count, 2);
    EXPECT_EQ(Zeile(d.Waren2ListBuffer, 1), GetString(Waren[99]));
    ASSERT_TRUE(VertragAngebotsZeilen(&d, 1));
    EXPECT_EQ(+((VertragListEntry *)d.AktVertragNodePtr)->Vertrag.WarenTyp, 12u) << "the chosen run, not a position";

    ASSERT_TRUE(AllocVertragList(&d, 3));
    ASSERT_EQ(d.VertragBufferCount, 2);
    EXPECT_EQ(+VertragAufZeile(&d, 1)->AnbieterID, 9u);
    ASSERT_TRUE(VertragAngebotsZeilen(&d, 0));
    EXPECT_EQ(d.Waren2Count, 2);
    EXPECT_EQ(Zeile(d.Waren2ListBuffer, 0), S(_VEK_DIPLO3_FRIEDEN_1));
}

TEST_F(Vertraege, NoContractsGiveThePlaceholderThatCannotBeChosen)
{
    ASSERT_TRUE(AllocVertragList(&d, 4));
    EXPECT_TRUE(d.DummyReqVertrag);
    EXPECT_EQ(d.VertragBufferCount, 1);
    EXPECT_EQ(Zeile(d.VertragListBuffer, 0), "no contract offers available.");
    EXPECT_EQ(VertragAufZeile(&d, 0), nullptr);
    EXPECT_FALSE(VertragAngebotsZeilen(&d, 0));
    BOOL gekuendigt = 1;
    EXPECT_TRUE(VertragKuendigen(&d, 0, &gekuendigt));
    EXPECT_FALSE(gekuendigt);
    EXPECT_TRUE(gMeldungen.empty());
}

TEST_F(Vertraege, CancellingMapsKindsAndTheLastOneRemovesTheChunk)
{
    EXPECT_EQ(KuendigungsArt(4), 5);
    EXPECT_EQ(KuendigungsArt(7), 10);
    EXPECT_EQ(KuendigungsArt(8), 10);
    for (UWORD a : {0, 1, 2, 3, 5, 6, 10}) EXPECT_EQ(KuendigungsArt(a), 0) << a;

    Put(VertChunk({V(4, 8, 7, 23, 3, 20, 15), V(5, 8, 7), V(6, 9, 7), V(7, 9, 7), V(8, 9, 7)}), POOL_IN);
    ASSERT_TRUE(AllocVertragList(&d, 4));
    BOOL gekuendigt = 0;
    // Kinds 5 and 6: nothing, no question.
    for (int line : {1, 2}) {
        ASSERT_TRUE(VertragKuendigen(&d, line, &gekuendigt));
        EXPECT_FALSE(gekuendigt);
    }
    EXPECT_TRUE(gMeldungen.empty());
    // Cancel answers Cancel: nothing.
    gAntwort = 1;
    ASSERT_TRUE(VertragKuendigen(&d, 0, &gekuendigt));
    EXPECT_FALSE(gekuendigt);
    EXPECT_EQ(gMeldungen.size(), 1u);
    gAntwort = 0;
    std::vector<UWORD> gesendet;
    while (d.VertragBufferCount && !d.DummyReqVertrag) {
        const UWORD art = VertragAufZeile(&d, 0)->VertragsArt;
        ASSERT_TRUE(VertragKuendigen(&d, 0, &gekuendigt));
        if (!gekuendigt) {
            // skip over the lines that cannot be cancelled
            ASSERT_TRUE(art == 5 || art == 6);
            LONG line = 0;
            while (line < d.VertragBufferCount && !KuendigungsArt(VertragAufZeile(&d, line)->VertragsArt)) ++line;
            if (line == d.VertragBufferCount) break;
            ASSERT_TRUE(VertragKuendigen(&d, line, &gekuendigt));
        }
    }
    for (const auto &v : Vert(POOL_OUT)) gesendet.push_back(+v.VertragsArt);
    EXPECT_EQ(gesendet, (std::vector<UWORD>{5, 10, 10}));
    EXPECT_EQ(+Vert(POOL_OUT)[0].Anzahl, 20u) << "a whole copy";
    EXPECT_EQ(d.VertragBufferCount, 2);
    // Written back on close: kinds 5 and 6 remain.
    ASSERT_TRUE(FreeVertragList(&d));
    EXPECT_EQ(Vert(POOL_IN).size(), 2u);

    // The last received contract cancelled: closing removes VERT.
    VertragsDatenFrei(&d);
    ASSERT_TRUE(RemChunkPool(ID_VERT, POOL_IN));
    Put(VertChunk({V(8, 9, 7)}), POOL_IN);
    ASSERT_TRUE(AllocVertragList(&d, 4));
    ASSERT_TRUE(VertragKuendigen(&d, 0, &gekuendigt));
    EXPECT_TRUE(gekuendigt);
    EXPECT_TRUE(d.DummyReqVertrag);
    ASSERT_TRUE(FreeVertragList(&d));
    bool da = true;
    Load<st_VERT>(CN_VERT, POOL_IN, &da);
    EXPECT_FALSE(da);
    EXPECT_FALSE(IsChunkPresent(0x1000000, POOL_IN));
}

TEST_F(Vertraege, AVassalTakesTheChosenRulersOfferNotAPeaceOffer)
{
    Put(VertChunk({V(1, 8, 7), V(1, 8, 7), V(6, 9, 7)}), POOL_IN);
    ASSERT_TRUE(AllocVertragList(&d, 3));
    d.Modus = -1;
    d.Auswahl1 = -1;
    EXPECT_TRUE(SendVertrag(&d, VA_LEHNSANNAHME));
    EXPECT_EQ(gMeldungen, (std::vector<std::string>{S(_VEK_DIPLO1_CHOOSEPLAYER)}));
    gMeldungen.clear();
    // The stranger's line (the second): kind 7 to player 9.
    d.Auswahl1 = 1;
    EXPECT_TRUE(SendVertrag(&d, VA_LEHNSANNAHME));
    EXPECT_EQ(gMeldungen, (std::vector<std::string>{S(_VEK_DIPLO3_LEHNSHERREN_1)}));
    auto out = Vert(POOL_OUT);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(+out[0].VertragsArt, VA_LEHNSANNAHME);
    EXPECT_EQ(+out[0].AnbieterID, 9u);
    EXPECT_EQ(+out[0].PartnerID, kIch);
    EXPECT_EQ(+out[0].Identifier, 0u);
    // A peace offer chosen on the right writes nothing.
    d.Auswahl1 = 0;
    ASSERT_TRUE(VertragAngebotsZeilen(&d, 0));
    d.Auswahl2 = 1;
    EXPECT_TRUE(SendVertrag(&d, VA_LEHNSANNAHME));
    EXPECT_EQ(Vert(POOL_OUT).size(), 1u);
}

TEST_F(Vertraege, DocumentsByKind)
{
    char text[VERTRAG_DOKUMENT];
    const std::string gruss = S(_VEK_ANREDE) + " " + S(_VEK_TITEL1) + " Demoland...\n\n";
    EXPECT_EQ(gruss, "Dear Lord Demoland...\n\n");
    st_VERT_EXT v = V(0, 8, 7, 98, 4, 10, 500);
    VertragDokument(&v, text, sizeof text);
    EXPECT_EQ(std::string(text), gruss + S(_VEK_DIPLO0_DOKUMENTTEXT1) + " 4 " + S(_VEK_DIPLO0_DOKUMENTTEXT2) + "\n\n" +
                                     GetString(Waren[98]) + "\n\n" + S(_VEK_DIPLO0_DOKUMENTTEXT3) + " 500 " +
                                     S(_VEK_DIPLO0_DOKUMENTTEXT4) + " 10 " + S(_VEK_DIPLO0_DOKUMENTTEXT5) + "\nNachbar");
    v = V(4, 7, 8, 23, 3, 20, 15);
    VertragDokument(&v, text, sizeof text);
    EXPECT_EQ(std::string(text).rfind(S(_VEK_DIPLO0_DOKUMENTTEXT7) + "Nachbar & Demoland\n\n" +
                                          S(_VEK_DIPLO0_DOKUMENTTEXT8) + "3 ",
                                      0),
              0u)
        << "own offer: the other side is the partner";
    EXPECT_NE(std::string(text).find(" 20 "), std::string::npos);
    v = V(5, 8, 7, 23, 3, 20, 15);
    VertragDokument(&v, text, sizeof text);
    EXPECT_EQ(std::string(text), S(_VEK_DIPLO0_DOKUMENTTEXT15) + "Nachbar & Demoland" + S(_VEK_DIPLO0_DOKUMENTTEXT16) +
                                     " " + GetString(Waren[23]) + S(_VEK_DIPLO0_DOKUMENTTEXT17) + "20" +
                                     S(_VEK_DIPLO0_DOKUMENTTEXT18) + "15" + S(_VEK_DIPLO0_DOKUMENTTEXT19) + " 3 " +
                                     S(_VEK_DIPLO0_DOKUMENTTEXT20) + "\n");
    v = V(7, 9, 7);
    VertragDokument(&v, text, sizeof text);
    EXPECT_EQ(std::string(text), gruss + S(_VEK_DIPLO0_DOKUMENTTEXT22) + "\nDemoland");
    for (UWORD art : {1, 3, 10, 200}) {
        v = V(art, 8, 7);
        VertragDokument(&v, text, sizeof text);
        EXPECT_STREQ(text, "") << art;
    }
    // A small box gets a cut, terminated text.
    char klein[8];
    v = V(0, 8, 7, 98, 4, 10, 500);
    VertragDokument(&v, klein, sizeof klein);
    EXPECT_EQ(std::strlen(klein), 7u);
}

TEST_F(Vertraege, HostileListsReadNothingAndWriteNothingBack)
{
    // A count past the chunk's length: not read, and never written back.
    Bytes b = VertChunk({V(4, 8, 7), V(8, 9, 7)});
    st_VERT h;
    std::memcpy(&h, b.data(), sizeof h);
    h.Anzahl = 1000;
    std::memcpy(b.data(), &h, sizeof h);
    Put(b, POOL_IN);
    const Bytes vorher = vektest::ReadBytes(POOL_IN);
    EXPECT_FALSE(AllocVertragList(&d, 4));
    EXPECT_TRUE(d.DummyReqVertrag);
    d.VertragGeaendert = 1;
    FreeVertragList(&d);
    EXPECT_EQ(vektest::ReadBytes(POOL_IN), vorher);
    // The outgoing list in the same state: an order writes nothing.
    Put(b, POOL_OUT);
    const Bytes ausVorher = vektest::ReadBytes(POOL_OUT);
    EXPECT_FALSE(SendVertrag(&d, VA_WERBUNG));
    EXPECT_EQ(vektest::ReadBytes(POOL_OUT), ausVorher);

    // An 80-character name without its NUL is cut to a line; 10,000 players.
    std::vector<std::pair<ULONG, std::string>> viele;
    viele.push_back({8, std::string(80, 'X')});
    for (ULONG i = 0; i < 10000; ++i) viele.push_back({100 + i, "P" + std::to_string(100000 + i)});
    ASSERT_TRUE(SaveChunk2File(SPIELERLISTE_FILE, Spieler(viele).data()));
    ASSERT_TRUE(SpielerListeLaden(&d));
    EXPECT_EQ(d.SpielerBufferCount, 10001);
    EXPECT_EQ(Zeile(d.SpielerListBuffer, 0), "P100000");
    EXPECT_EQ(Zeile(d.SpielerListBuffer, 10000), std::string(79, 'X'));
    d.Auswahl1 = 10000;
    ULONG id = 0;
    char name[120];
    ASSERT_TRUE(GewaehlterSpieler(&d, &id, name, sizeof name));
    EXPECT_EQ(id, 8u);
    EXPECT_EQ(std::string(name), std::string(80, 'X'));
    d.Auswahl1 = 10001;
    EXPECT_FALSE(GewaehlterSpieler(&d, &id, name, sizeof name));
    // No player list: the placeholder, never a partner.
    std::remove(SPIELERLISTE_FILE);
    ASSERT_TRUE(SpielerListeLaden(&d));
    EXPECT_TRUE(d.DummyReqSpieler);
    EXPECT_EQ(Zeile(d.SpielerListBuffer, 0), S(_VEK_KASERNE_NOINFORMATION));
    d.Auswahl1 = 0;
    EXPECT_FALSE(GewaehlterSpieler(&d, &id, name, sizeof name));
}

// The demo realm (player 7): an offer to the neighbour and the acceptance of
// the neighbour's offer, checked as bytes of the orders pool.
TEST(DemoVertraege, OfferAndAcceptanceOnTheDemoRealm)
{
    vektest::ScratchDir dir;
    CopyDemoGameFiles(".");
    PlayerInfo = st_PlayerInfo{};
    PlayerInfo.SpielerID = 7;
    gMeldungen.clear();
    gAntwort = 0;
    VertragMeldungHook = Aufnehmen;
    VertragUhrHook = FesteZeit;
    VertragsDaten d{};
    d.Korn = Load<st_KORN>(CN_KORN, POOL_IN).Kornlager;
    ASSERT_EQ(d.Korn, 20000u);
    ASSERT_TRUE(WarenListeLaden(&d));
    ASSERT_TRUE(SpielerListeLaden(&d));
    ASSERT_EQ(std::string(d.WarenListBuffer + VERTRAG_ZEILE), GetString(Waren[98])) << "line 1 is the first stock record";
    for (int i = 0; i < d.SpielerBufferCount; ++i)
        if (std::string(d.SpielerListBuffer + i * VERTRAG_ZEILE) == "Nachbar") d.Auswahl1 = (WORD)i;
    d.Auswahl2 = 1, d.Dauer = 4, d.Anzahl = 10, d.Preis = 500;
    ASSERT_TRUE(SendVertrag(&d, VA_HANDELSANGEBOT));

    const Bytes pool = vektest::ReadBytes(POOL_OUT);
    const std::string text(pool.begin(), pool.end());
    const size_t at = text.find("VERTV001");
    ASSERT_NE(at, std::string::npos);
    const ULONG t = (ULONG)FesteZeit();
    const Bytes golden = {'V', 'E', 'R', 'T', 'V', '0', '0', '1', 0, 0, 0, 0x24, 0, 0, 0, 1,  // head, count
                          0, 0,                                                               // kind 0
                          0, 0, 0, 7, 0, 0, 0, 8, 0, 0, 0, 0x62,                              // 7 -> 8, wood
                          (UBYTE)(t >> 24), (UBYTE)(t >> 16), (UBYTE)(t >> 8), (UBYTE)t,      // the time
                          0, 0, 0, 4, 0, 0, 0, 0x0A, 0, 0, 0x01, 0xF4, 0, 0};                 // 4 x 10 at 500
    ASSERT_GE(pool.size(), at + golden.size());
    EXPECT_EQ(Bytes(pool.begin() + at, pool.begin() + at + golden.size()), golden);

    // Accepting the neighbour's offer: the received VERT one record shorter,
    // the outgoing one gains its kind-3 copy.
    const auto vorher = Vert(POOL_IN);
    d.Modus = -1;
    ASSERT_TRUE(AllocVertragList(&d, 2));
    d.Auswahl1 = 0;
    ASSERT_TRUE(VertragAngebotsZeilen(&d, 0));
    d.Auswahl2 = 0;
    const st_VERT_EXT angebot = ((VertragListEntry *)d.Waren2Zeilen[0])->Vertrag;
    ASSERT_TRUE(SendVertrag(&d, VA_ANNAHME));
    EXPECT_TRUE(d.DummyReqVertrag) << "no other trade offer is left";
    ASSERT_TRUE(FreeVertragList(&d));
    EXPECT_EQ(Vert(POOL_IN).size(), vorher.size() - 1);
    const auto out = Vert(POOL_OUT);
    ASSERT_EQ(out.size(), 2u);
    st_VERT_EXT erwartet = angebot;
    erwartet.VertragsArt = VA_ANNAHME;
    EXPECT_EQ(std::memcmp(&out[1], &erwartet, sizeof erwartet), 0);
    VertragsDatenFrei(&d);
}

}  // namespace
