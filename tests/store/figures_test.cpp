// The figure file ./Data/MapPrefs.vek: free figure numbers, adding, removing
// and rewriting figures, checked on the file's big-endian bytes.
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/testutil.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/figures.h"

namespace {

using vektest::Bytes;

constexpr ULONG kIch = 7, kAndere = 9;

// A figure record as a test writes it (the same 18 bytes as the file's record).
#pragma pack(push, 1)
struct Fig {
    ULONG spieler;
    UWORD art, nummer;
    ULONG x, y;
    UBYTE kommando = 0, punkte = 0;
};
#pragma pack(pop)
static_assert(sizeof(Fig) == sizeof(st_MOVE_EXT));
bool operator==(const Fig &a, const Fig &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void BE(Bytes &b, ULONG v, int breite)
{
    for (int i = breite - 1; i >= 0; --i) b.push_back((uint8_t)(v >> (8 * i)));
}
ULONG LiesBE(const Bytes &b, size_t at, int breite)
{
    ULONG v = 0;
    for (int i = 0; i < breite; ++i) v = (v << 8) | b.at(at + i);
    return v;
}

Bytes Mref()
{
    Bytes b = {'M', 'R', 'E', 'F', 'V', '0', '0', '1'};
    BE(b, 16, 4);
    BE(b, 12800, 4);
    BE(b, 6400, 4);
    BE(b, 4242, 4);
    BE(b, 2121, 4);
    return b;
}

// A MOVE chunk as the file holds it; anzahl overrides the count field.
Bytes Move(const std::vector<Fig> &figuren, long anzahl = -1)
{
    Bytes b = {'M', 'O', 'V', 'E', 'V', '0', '0', '1'};
    BE(b, (ULONG)(2 + 18 * figuren.size()), 4);
    BE(b, anzahl < 0 ? (ULONG)figuren.size() : (ULONG)anzahl, 2);
    for (const Fig &f : figuren) {
        BE(b, f.spieler, 4);
        BE(b, f.art, 2);
        BE(b, f.nummer, 2);
        BE(b, f.x, 4);
        BE(b, f.y, 4);
        b.push_back(f.kommando);
        b.push_back(f.punkte);
    }
    return b;
}

Bytes Datei(const std::vector<Fig> &figuren)
{
    Bytes b = Mref(), m = Move(figuren);
    b.insert(b.end(), m.begin(), m.end());
    return b;
}

// The figures of the file, read straight from its bytes (MOVE at byte 28).
std::vector<Fig> Figuren(const Bytes &datei)
{
    EXPECT_EQ(std::string(datei.begin() + 28, datei.begin() + 32), "MOVE");
    const ULONG laenge = LiesBE(datei, 36, 4), n = LiesBE(datei, 40, 2);
    EXPECT_EQ(laenge, 2 + 18 * n);
    EXPECT_EQ(datei.size(), 40 + laenge) << "the file ends with the chunk";
    std::vector<Fig> v;
    for (ULONG i = 0; i < n; ++i) {
        size_t at = 42 + 18 * i;
        v.push_back({LiesBE(datei, at, 4), (UWORD)LiesBE(datei, at + 4, 2), (UWORD)LiesBE(datei, at + 6, 2),
                     LiesBE(datei, at + 8, 4), LiesBE(datei, at + 12, 4), datei[at + 16], datei[at + 17]});
    }
    return v;
}

// A host-order MOVE chunk in memory for GetFigurID.
std::vector<UBYTE> MoveImSpeicher(const std::vector<Fig> &figuren)
{
    std::vector<UBYTE> b(sizeof(st_MOVE) + 18 * figuren.size() + 1);
    st_MOVE *m = (st_MOVE *)b.data();
    m->Head.ChunkID = ID_MOVE;
    m->Head.Version = VERSION_V001;
    m->Head.Length = (ULONG)(2 + 18 * figuren.size());
    m->AnzFiguren = (UWORD)figuren.size();
    for (size_t i = 0; i < figuren.size(); ++i) {
        st_MOVE_EXT f{figuren[i].spieler, figuren[i].art, figuren[i].nummer, figuren[i].x, figuren[i].y, 0, 0};
        std::memcpy(b.data() + sizeof(st_MOVE) + 18 * i, &f, 18);
    }
    return b;
}

class Figurdatei : public testing::Test {
protected:
    void SetUp() override
    {
        PlayerInfo.SpielerID = kIch;
        vektest::MakeDirs("Data");
    }
    void Schreibe(const std::vector<Fig> &f) { vektest::WriteBytes(MAPPREFS_FILE, Datei(f)); }
    Bytes Lies() { return vektest::ReadBytes(MAPPREFS_FILE); }
    vektest::ScratchDir dir;
};

TEST(GetFigurID, SmallestFreeOwnNumber)
{
    PlayerInfo.SpielerID = kIch;
    struct Row {
        const char *name;
        std::vector<Fig> figuren;
        UWORD erwartet;
    } rows[] = {
        {"gap at 3", {{kIch, 1, 1, 0, 0}, {kIch, 1, 2, 0, 0}, {kIch, 2, 4, 0, 0}}, 3},
        {"no figures", {}, 1},
        {"other players do not count", {{kAndere, 1, 1, 0, 0}, {kAndere, 1, 2, 0, 0}, {kIch, 1, 2, 0, 0}}, 1},
        {"unordered", {{kIch, 1, 3, 0, 0}, {kIch, 1, 1, 0, 0}, {kIch, 1, 2, 0, 0}}, 4},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<UBYTE> m = MoveImSpeicher(r.figuren);
        EXPECT_EQ(GetFigurID((const st_MOVE *)m.data()), r.erwartet);
    }
    EXPECT_EQ(GetFigurID(nullptr), 1);
}

TEST_F(Figurdatei, AddAppendsTheNewFigureLast)
{
    std::vector<Fig> zehn;
    for (UWORD i = 0; i < 10; ++i) zehn.push_back({i % 2 ? kIch : kAndere, 1, (UWORD)(i + 1), 100u + i, 50, 0, 3});
    Schreibe(zehn);
    UWORD nr = AddFigur2MapPrefs(MAPPREFS_FILE, FID_SIEDLER, 5, 6);
    EXPECT_EQ(nr, 1) << "own figures carry 2, 4, 6, 8, 10";
    Bytes b = Lies();
    ASSERT_EQ(b.size(), 28u + 12 + 200);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 28), Mref());
    EXPECT_EQ(LiesBE(b, 36, 4), 200u);
    EXPECT_EQ(LiesBE(b, 40, 2), 11u);
    const Bytes neu(b.begin() + 42 + 180, b.end());
    const Bytes golden = {0, 0, 0, 7, 0, 10, 0, 1, 0, 0, 0, 5, 0, 0, 0, 6, 0, 0};
    EXPECT_EQ(neu, golden);
    std::vector<Fig> erwartet = zehn;
    erwartet.push_back({kIch, FID_SIEDLER, 1, 5, 6, 0, 0});
    EXPECT_EQ(Figuren(b), erwartet);

    EXPECT_EQ(AddFigur2MapPrefs(MAPPREFS_FILE, FID_MAGIER, 7, 8), 3);
}

TEST_F(Figurdatei, AddRefusesWithoutChangingTheFile)
{
    EXPECT_EQ(AddFigur2MapPrefs(MAPPREFS_FILE, 1, 5, 6), FIGUR_FEHLER) << "no file";
    EXPECT_FALSE(vektest::Exists(MAPPREFS_FILE));

    // A MOVE chunk that is not preceded by the MREF chunk.
    Bytes ohneMref = Move({{kIch, 1, 1, 1, 1, 0, 0}});
    vektest::WriteBytes(MAPPREFS_FILE, ohneMref);
    EXPECT_EQ(AddFigur2MapPrefs(MAPPREFS_FILE, 1, 5, 6), FIGUR_FEHLER);
    EXPECT_EQ(Lies(), ohneMref);

    // MREF without a MOVE chunk.
    vektest::WriteBytes(MAPPREFS_FILE, Mref());
    EXPECT_EQ(AddFigur2MapPrefs(MAPPREFS_FILE, 1, 5, 6), FIGUR_FEHLER);
    EXPECT_EQ(Lies(), Mref());
}

TEST_F(Figurdatei, CountBeyondTheChunkIsCutToItsRecords)
{
    Bytes b = Mref(), m = Move({{kIch, 1, 1, 1, 1, 0, 0}, {kIch, 1, 2, 1, 1, 0, 0}}, 5);
    b.insert(b.end(), m.begin(), m.end());
    vektest::WriteBytes(MAPPREFS_FILE, b);
    EXPECT_EQ(AddFigur2MapPrefs(MAPPREFS_FILE, 1, 5, 6), 3);
    EXPECT_EQ(Figuren(Lies()).size(), 3u);
}

TEST_F(Figurdatei, StaleTailIsCutOff)
{
    Bytes b = Datei({{kIch, 1, 1, 1, 1, 0, 0}, {kIch, 1, 2, 1, 1, 0, 0}});
    b.insert(b.end(), {0xDE, 0xAD, 0xBE, 0xEF});
    vektest::WriteBytes(MAPPREFS_FILE, b);
    ASSERT_EQ(RemoveFigurFromMapPrefs(MAPPREFS_FILE, 1, 1, 1, 2), 1);
    EXPECT_EQ(Figuren(Lies()), (std::vector<Fig>{{kIch, 1, 1, 1, 1, 0, 0}}));
}

TEST_F(Figurdatei, RemoveByKindAndNumber)
{
    const ULONG X = 300, Y = 200;
    struct Row {
        const char *name;
        UWORD art;
        LONG id;
        std::vector<Fig> vorher;
        std::vector<size_t> bleiben;  // indices of vorher
    } rows[] = {
        {"all own ships, the foreign one stays", FID_SCHIFFE, FIGUREN_ALLE,
         {{kIch, 14, 1, X, Y}, {kAndere, 15, 1, X, Y}, {kIch, 19, 2, X, Y}, {kIch, 16, 3, X + 1, Y}},
         {1, 3}},
        {"one ship by number", FID_SCHIFFE, 2,
         {{kIch, 14, 2, X, Y + 1}, {kIch, 14, 1, X, Y}, {kIch, 17, 2, X, Y}, {kIch, 18, 2, X, Y}},
         {0, 1, 3}},
        {"the army: soldiers of every kind, not the scout nor the ship", FID_ARMEE, FIGUREN_ALLE,
         {{kIch, 1, 1, X, Y}, {kIch, 0, 2, X, Y}, {kIch, 9, 3, X, Y}, {kIch, 5, 4, X, Y}, {kIch, 14, 5, X, Y},
          {kAndere, 3, 1, X, Y}},
         {1, 4, 5}},
        {"an army with a number removes nothing", FID_ARMEE, 1, {{kIch, 1, 1, X, Y}, {kIch, 2, 2, X, Y}}, {0, 1}},
        {"the first not aboard", FID_MITTLERE_INFANTRIE, FIGUR_NICHT_AN_BORD,
         {{kIch, 2, 1, X, Y, KOMMANDO_AN_BORD}, {kIch, 2, 2, X, Y}, {kIch, 2, 3, X, Y}},
         {0, 2}},
        {"every one of the kind", FID_SIEDLER, FIGUREN_ALLE,
         {{kIch, 10, 1, X, Y}, {kIch, 11, 2, X, Y}, {kIch, 10, 3, X, Y}, {kIch, 10, 4, X, Y + 1}},
         {1, 3}},
        {"one by number", FID_KUNDSCHAFTER, 4,
         {{kIch, 0, 3, X, Y}, {kIch, 0, 4, X, Y}, {kAndere, 0, 4, X, Y}, {kIch, 0, 4, X, Y}},
         {0, 2, 3}},
        {"nothing matches: the same figures again", FID_KUNDSCHAFTER, 9, {{kIch, 0, 3, X, Y}}, {0}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        Schreibe(r.vorher);
        ASSERT_EQ(RemoveFigurFromMapPrefs(MAPPREFS_FILE, r.art, X, Y, r.id), 1);
        std::vector<Fig> erwartet;
        for (size_t i : r.bleiben) erwartet.push_back(r.vorher[i]);
        const Bytes nachher = Lies();
        EXPECT_EQ(Figuren(nachher), erwartet);
        EXPECT_EQ(Bytes(nachher.begin(), nachher.begin() + 28), Mref());
    }
}

TEST_F(Figurdatei, RemoveMessages)
{
    Schreibe({{kIch, 2, 1, 5, 5}, {kIch, 2, 2, 5, 5}});
    vektest::StdoutCapture cap;
    RemoveFigurFromMapPrefs(MAPPREFS_FILE, 2, 5, 5, FIGUREN_ALLE);
    RemoveFigurFromMapPrefs(MAPPREFS_FILE, FID_ARMEE, 5, 5, 3);
    std::string text = cap.Take();
    EXPECT_NE(text.find("RemoveFigurFromMapPrefs: L\366sche eine Figur auf Position X:5 Y:5...\n"), std::string::npos);
    EXPECT_NE(text.find("RemoveFigurFromMapPrefs: Fataler Fehler ! Konnte gesuchte Figur nicht entfernen !\n"),
              std::string::npos);
    EXPECT_EQ(text.find("Eine ID ist hier Unsinn"), std::string::npos) << "the list was empty by then";
}

TEST_F(Figurdatei, RemoveWithoutAFileFails)
{
    EXPECT_EQ(RemoveFigurFromMapPrefs(MAPPREFS_FILE, 1, 1, 1, -1), 0);
    EXPECT_FALSE(vektest::Exists(MAPPREFS_FILE));
}

// A file the client may not write is refused with the calling routine's line.
TEST_F(Figurdatei, ReadOnlyFileIsNotRewritten)
{
    struct Row {
        const char *name, *line;
        std::function<bool()> call;
    } rows[] = {
        {"add", "AddFigur2MapPrefs : Konnte MapPrefs nicht \366ffnen\n",
         [] { return AddFigur2MapPrefs(MAPPREFS_FILE, 1, 5, 6) == FIGUR_FEHLER; }},
        {"remove", "RemoveFigurFromMapPrefs: Konnte MapPrefs nicht \366ffnen\n",
         [] { return RemoveFigurFromMapPrefs(MAPPREFS_FILE, 2, 5, 5, FIGUREN_ALLE) == 0; }},
    };
    chmod(".", 0777);
    chmod("Data", 0777);
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        Schreibe({{kIch, 2, 1, 5, 5}});
        Bytes vorher = Lies();
        chmod(MAPPREFS_FILE, 0444);
        const char *line = r.line;
        auto call = r.call;
        EXPECT_EQ(vektest::AsUnprivileged([line, call] {
                      vektest::StdoutCapture cap;
                      bool refused = call();
                      return !refused ? 1 : cap.Take().find(line) == std::string::npos ? 2 : 0;
                  }),
                  0);
        EXPECT_EQ(Lies(), vorher);
        chmod(MAPPREFS_FILE, 0644);
    }
}

TEST_F(Figurdatei, WriteListRewritesTheChunk)
{
    Schreibe({{kAndere, 1, 1, 1, 1}});
    ListHeader *liste = CreateList(LISTE_FIGUREN);
    const std::vector<Fig> figuren = {{kIch, 3, 7, 12799, 6399, 7, 4}, {kAndere, 20, 1, 0, 0, 0, 0}};
    for (const Fig &f : figuren) {
        ListNode *n = (ListNode *)AllocVec(liste->TypSize, MEMF_CLEAR);
        std::memcpy(NodeData(n), &f, 18);
        InsertNode(liste, n, LIST_LAST, 0);
    }
    EXPECT_EQ(WriteList2MapPrefs(liste), 1);
    EXPECT_EQ(Figuren(Lies()), figuren);
    DeleteList(liste, 1);

    ListHeader *falsch = CreateList(7);
    const Bytes vorher = Lies();
    EXPECT_EQ(WriteList2MapPrefs(falsch), 0);
    EXPECT_EQ(WriteList2MapPrefs(nullptr), 0);
    EXPECT_EQ(Lies(), vorher);
    DeleteList(falsch, 1);
}

}  // namespace
