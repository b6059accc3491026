// The realm's rules: research cost, progress picture and text, the start
// check, the gods' leave table and name copy, hiring and disbanding.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "store/converters.h"
#include "world/reichsregeln.h"

namespace {

// A packed record field read by value (it may lie unaligned).
template <class T> T V(T v) { return v; }

TEST(Forschung, KostenTabelle)
{
    struct Fall {
        const char *name;
        ULONG volk, vertrauen, ziel;
        uint64_t kosten;
        ULONG gezeigt;
    };
    const Fall faelle[] = {
        {"level 1", 100000, 500, 1, 50000, 50000},
        {"level 2", 100000, 500, 2, 200000, 200000},
        {"level 7", 100000, 500, 7, 2450000, 2450000},
        {"trust above 25000", 100000, 25001, 1, 0, 0},
        {"trust 0 counts as 1", 100000, 0, 1, 25000000, 25000000},
        {"demo astronomy", 20000, 250, 1, 20000, 20000},
        {"demo alchemy", 20000, 250, 2, 80000, 80000},
        // 32 bits would wrap to 78,201,308 here.
        {"large realm", 10000000, 10, 1, 250000000, 250000000},
        {"large realm saturated", 10000000, 10, 7, 12250000000ull, 0xFFFFFFFFu},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        const uint64_t k = ForschungsKosten(f.volk, f.vertrauen, f.ziel);
        EXPECT_EQ(k, f.kosten);
        EXPECT_EQ(ForschungsKostenGezeigt(k), f.gezeigt);
    }
}

TEST(Forschung, FortschrittsBild)
{
    struct Fall {
        UBYTE aktiv, zeit, zaehler;
        UWORD bild;
    };
    const Fall faelle[] = {
        {1, 12, 12, 171}, {1, 12, 1, 182}, {1, 13, 5, 183}, {1, 6, 3, 177},
        {1, 1, 2, 170},    // far below the first picture: kept at 170
        {1, 255, 255, 183}, {1, 1, 255, 170}, {1, 12, 0, 170}, {1, 0, 5, 170},
        {0, 12, 6, 170},   // nothing running
        {2, 12, 6, 170},   // another field runs
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(testing::Message() << int(f.aktiv) << "/" << int(f.zeit) << "/" << int(f.zaehler));
        st_FORS fors = NeueForschung();
        fors.AktiveForschung = f.aktiv;
        fors.ForschungsZeit = f.zeit;
        fors.ForschungsCounter = f.zaehler;
        EXPECT_EQ(ForschungsFortschrittBild(fors, 0), f.bild);
    }
}

TEST(Forschung, TextUndStufen)
{
    EXPECT_EQ(ForschungsTextIndex(2, 3), 19);
    EXPECT_EQ(ForschungsTextIndex(0, 0), 0);
    EXPECT_EQ(ForschungsTextIndex(6, 7), 55);
    EXPECT_EQ(ForschungsTextIndex(6, 9), 55);
    EXPECT_EQ(ForschungsTextIndex(7, 0), -1);
    EXPECT_EQ(ForschungsTextIndex(-1, 0), -1);

    // Each field number reads its own level byte.
    st_FORS f = NeueForschung();
    f.Astronomie = 1, f.Alchemie = 2, f.Naturkunde = 3, f.Theologie = 4, f.Medizin = 5, f.Kampftechnik = 6;
    f.Technik = 9;
    for (int feld = 0; feld < 6; ++feld) EXPECT_EQ(ForschungsStufe(f, feld), feld + 1);
    EXPECT_EQ(ForschungsStufe(f, 6), 9);
    EXPECT_EQ(ForschungsStufeGezeigt(f, 6), 7);
}

TEST(Forschung, Start)
{
    uint64_t kosten = 0;
    st_FORS f = NeueForschung();
    EXPECT_EQ(V(f.Head.ChunkID), ID_FORS);
    EXPECT_EQ(V(f.Head.Length), 16u);
    f.Alchemie = 1;
    EXPECT_EQ(ForschungPruefen(f, 1, 20000, 250, &kosten), FS_FRAGEN);
    EXPECT_EQ(kosten, 80000u);
    f.Technik = 7;
    EXPECT_EQ(ForschungPruefen(f, 6, 20000, 250, &kosten), FS_NICHT_HOEHER);
    f.Technik = 9;
    EXPECT_EQ(ForschungPruefen(f, 6, 20000, 250, &kosten), FS_NICHT_HOEHER);
    st_FORS vorher = f;
    ForschungStarten(&f, 5);
    EXPECT_EQ(f.AktiveForschung, 6);
    vorher.AktiveForschung = 6;
    EXPECT_EQ(std::memcmp(&f, &vorher, sizeof f), 0);
    for (int feld = 0; feld < FORSCHUNG_FELDER; ++feld) EXPECT_EQ(ForschungPruefen(f, feld, 1, 1, &kosten), FS_LAEUFT_SCHON);
}

TEST(Goetter, Verlassen)
{
    struct Fall {
        const char *name;
        BOOL symbol, feld;
        UBYTE gespeichert;
        ULONG vertrauen;
        GoetterAusgang ausgang;
    };
    const Fall faelle[] = {
        {"first deity", 1, 1, 0, 0, GA_SPEICHERN},
        {"change at 200", 1, 1, 3, 200, GA_WARNUNG},
        {"change at 201", 1, 1, 3, 201, GA_WECHSELFRAGE},
        {"symbol only", 1, 0, 0, 1000, GA_VERLASSENFRAGE},
        {"symbol only, stored", 1, 0, 3, 1000, GA_VERLASSENFRAGE},
        {"name only", 0, 1, 0, 1000, GA_VERLASSENFRAGE},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        EXPECT_EQ(GoetterVerlassen(f.symbol, f.feld, f.gespeichert, f.vertrauen), f.ausgang);
    }
}

TEST(Goetter, NameBegrenzt)
{
    // A received field without NUL, and a typed name of 85 characters.
    char quelle[85];
    std::memset(quelle, 'x', sizeof quelle);
    st_LAND land{};
    std::memset(land.Goettername, 'q', sizeof land.Goettername);
    GoetterNameKopieren(land.Goettername, quelle, sizeof quelle);
    EXPECT_EQ(std::strlen(land.Goettername), 79u);
    EXPECT_EQ(land.Goettername[79], 0);

    GoetterSetzen(&land, 4, "Name of the god");
    EXPECT_EQ(land.Gottheit, 4);
    EXPECT_STREQ(land.Goettername, "Name of the god");
    for (size_t i = std::strlen("Name of the god"); i < sizeof land.Goettername; ++i)
        EXPECT_EQ(land.Goettername[i], 0) << i;
}

// A list of specialists as the SPEZ chunk gives it.
struct Spezis {
    ListHeader *liste = CreateList(LISTE_SPEZIALISTEN);
    explicit Spezis(const std::vector<st_SPEZ_EXT> &s)
    {
        std::vector<UBYTE> chunk(sizeof(st_SPEZ) + s.size() * sizeof(st_SPEZ_EXT) + 1);
        st_SPEZ kopf{};
        kopf.Head = {ID_SPEZ, VERSION_V001, (ULONG)(4 + s.size() * sizeof(st_SPEZ_EXT))};
        kopf.Anzahl = (ULONG)s.size();
        std::memcpy(chunk.data(), &kopf, sizeof kopf);
        if (!s.empty()) std::memcpy(chunk.data() + sizeof kopf, s.data(), s.size() * sizeof(st_SPEZ_EXT));
        EXPECT_TRUE(ScanSpezialisten2List(liste, (const st_SPEZ *)chunk.data()));
    }
    ~Spezis() { DeleteList(liste, 1); }
};

st_SPEZ_EXT Spez(const char *name, UWORD status, UBYTE klasse, ULONG x = 0, ULONG y = 0, ULONG lohn = 10)
{
    st_SPEZ_EXT s{};
    std::snprintf(s.Name, sizeof s.Name, "%s", name);
    s.Status = status;
    s.Klasse = klasse;
    s.X_Pos = x;
    s.Y_Pos = y;
    s.Lohn = lohn;
    return s;
}

TEST(Spezialisten, AnheuernUndEntlassen)
{
    Spezis s({Spez("A", 0, 0), Spez("B", 5, 3, 1, 1, 30), Spez("C", 4, 5), Spez("D", 6, 0), Spez("E", 1, 0),
              Spez("F", 5, 5, 120, 60, 40)});
    EXPECT_EQ(SpezialistenAnzahl(s.liste, 1), 3u);  // A C E
    EXPECT_EQ(SpezialistenAnzahl(s.liste, 0), 2u);  // B F
    EXPECT_EQ(SpezialistenLohnSumme(s.liste), 70u);
    // Hiring the third free one moves exactly him; the free list closes up.
    ASSERT_TRUE(SpezialistAnheuern(s.liste, 2, 120, 60, 7));
    EXPECT_STREQ(SpezialistNr(s.liste, 1, 0)->Name, "A");
    EXPECT_STREQ(SpezialistNr(s.liste, 1, 1)->Name, "C");
    EXPECT_EQ(SpezialistNr(s.liste, 1, 2), nullptr);
    const st_SPEZ_EXT *e = SpezialistNr(s.liste, 0, 1);  // B E F
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->Name, "E");
    EXPECT_EQ(V(e->Status), 5);
    EXPECT_EQ(V(e->X_Pos), 120u);
    EXPECT_EQ(V(e->SpielerID), 7u);
    EXPECT_FALSE(SpezialistAnheuern(s.liste, 5, 120, 60, 7));

    // B stands elsewhere; F here: disbanded, free again and hireable.
    EXPECT_EQ(SpezialistEntlassen(s.liste, 0, 120, 60), SE_ANDERE_STADT);
    EXPECT_EQ(V(SpezialistNr(s.liste, 0, 0)->Status), 5);
    EXPECT_EQ(SpezialistEntlassen(s.liste, 2, 120, 60), SE_ENTLASSEN);  // B E F: F
    EXPECT_EQ(SpezialistEntlassen(s.liste, 9, 120, 60), SE_KEINER);
    EXPECT_STREQ(SpezialistNr(s.liste, 1, 1)->Name, "C");
    EXPECT_STREQ(SpezialistNr(s.liste, 1, 2)->Name, "F");
    EXPECT_EQ(V(SpezialistNr(s.liste, 1, 2)->Status), 4);

    // Figure kinds: class 3 gets none.
    EXPECT_EQ(SpezialistFigurArt(0), 12);
    EXPECT_EQ(SpezialistFigurArt(5), 13);
    EXPECT_EQ(SpezialistFigurArt(3), 0);
    EXPECT_EQ(SpezialistenInStadt(s.liste, FIGUR_KLERIKER, 120, 60), 1u);  // E
    EXPECT_EQ(SpezialistenInStadt(s.liste, 0, 1, 1), 0u);                 // B, class 3
}

}  // namespace
