// The map visit's own rules: edge scrolling, the digit keys' steps, the
// hidden area's music, the selection by clicks, and which figures the sea
// takes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/sdlharness.h"
#include "common/testutil.h"
#include "map/kartenloop.h"
#include "map/kartenscreen.h"
#include "world/mapinfo.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/chunks.h"
#include "store/converters.h"
#include "store/store.h"
#include "store/figures.h"
#include "store/lists.h"

using namespace vektest;

namespace {

// Bands as the demo description gives them: top y 0 ... 20, bottom y 460 ...
// 480, left x 0 ... 20, right x 620 ... 640 (bounds excluded).
Rechteck kBaender[5] = {{}, {}, {0, 640, 0, 20}, {0, 640, 460, 480}, {0, 20, 620, 640}};

TEST(KartenRand, StartsOnTheThirdTickAndRestartsAfterLeaving)
{
    int zaehler = 0;
    std::vector<std::pair<LONG, LONG>> schritte;
    auto Tick = [&](LONG x, LONG y) {
        schritte.clear();
        KartenRand(kBaender, x, y, &zaehler, [&](LONG dx, LONG dy) { schritte.push_back({dx, dy}); });
        return schritte;
    };
    using S = std::vector<std::pair<LONG, LONG>>;
    EXPECT_EQ(Tick(300, 10), S{});
    EXPECT_EQ(Tick(300, 10), S{});
    EXPECT_EQ(Tick(300, 10), (S{{0, -1}}));
    EXPECT_EQ(Tick(300, 10), (S{{0, -1}}));
    EXPECT_EQ(Tick(300, 200), S{});  // left the band: the delay starts again
    EXPECT_EQ(Tick(630, 200), S{});
    EXPECT_EQ(Tick(630, 200), S{});
    EXPECT_EQ(Tick(630, 200), (S{{1, 0}}));
    // A corner lies in two bands and moves both ways.
    EXPECT_EQ(Tick(630, 470), (S{{0, 1}, {1, 0}}));
    EXPECT_EQ(Tick(10, 200), (S{{-1, 0}}));
    // Bounds themselves are outside.
    EXPECT_EQ(Tick(300, 20), S{});
    EXPECT_EQ(zaehler, 0);
}

TEST(ZiffernSchritt, StepsByColumnParity)
{
    struct Fall {
        char taste;
        ULONG spalte;
        LONG dx, dy;
    } faelle[] = {
        {'8', 4, 0, -1}, {'8', 5, 0, -1}, {'2', 4, 0, 1},  {'2', 5, 0, 1},  {'7', 4, -1, -1}, {'7', 5, -1, 0},
        {'9', 4, 1, -1}, {'9', 5, 1, 0},  {'1', 4, -1, 0}, {'1', 5, -1, 1}, {'3', 4, 1, 0},   {'3', 5, 1, 1},
    };
    for (const Fall &f : faelle) {
        LONG dx = 99, dy = 99;
        ASSERT_EQ(ZiffernSchritt((ULONG)f.taste, f.spalte, &dx, &dy), 1) << f.taste;
        EXPECT_EQ(std::make_pair(dx, dy), std::make_pair(f.dx, f.dy)) << f.taste << " in column " << f.spalte;
    }
    LONG dx, dy;
    for (char t : {'5', '4', '6', 'x'}) EXPECT_EQ(ZiffernSchritt((ULONG)t, 4, &dx, &dy), 0) << t;
}

TEST(VersteckteMusik, TheHiddenAreaHasItsOwnMusicAndGivesTheOldBack)
{
    LokaleDatenKartenScreen st{};
    const ULONG status = UserSystem.SoundStatus;
    const char *name = UserSystem.SoundModuleName;
    UserSystem.SoundStatus = 0x29;
    UserSystem.SoundModuleName = "./Mods/Karte.xm";
    UserSystem.SoundModuleChange = 0;
    bool an = false;
    VersteckteMusik(&st, 102, 6298, &an);
    EXPECT_FALSE(an);
    EXPECT_EQ(UserSystem.SoundModuleChange, 0);
    VersteckteMusik(&st, 103, 6298, &an);
    EXPECT_TRUE(an);
    EXPECT_STREQ(UserSystem.SoundModuleName, "./Mods/Secret.xm");
    EXPECT_STREQ(st.OldModuleName, "./Mods/Karte.xm");
    EXPECT_EQ(UserSystem.SoundModuleChange, 1);
    UserSystem.SoundModuleChange = 0;
    VersteckteMusik(&st, 175, 6346, &an);
    EXPECT_EQ(UserSystem.SoundModuleChange, 0);
    VersteckteMusik(&st, 175, 6347, &an);
    EXPECT_FALSE(an);
    EXPECT_STREQ(UserSystem.SoundModuleName, "./Mods/Karte.xm");
    // A long module name is cut, not overrun.
    const std::string lang(200, 'm');
    UserSystem.SoundModuleName = lang.c_str();
    VersteckteMusik(&st, 120, 6300, &an);
    EXPECT_EQ(std::string(st.OldModuleName), lang.substr(0, 79));
    // Without all of the sound bits nothing changes.
    an = false;
    UserSystem.SoundStatus = 0x28;
    UserSystem.SoundModuleName = "./Mods/Karte.xm";
    VersteckteMusik(&st, 120, 6300, &an);
    EXPECT_FALSE(an);
    UserSystem.SoundStatus = status;
    UserSystem.SoundModuleName = name;
    UserSystem.SoundModuleChange = 0;
}

constexpr ULONG kIch = 3;

// A hand-made view in the middle tile of its window: explored own ground of
// graphic art everywhere, with the given figures.
class Auswahl : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(screen.Ok());
        altSpieler = PlayerInfo.SpielerID;
        PlayerInfo.SpielerID = kIch;
        view.GreatMapPtr = (MapEntry *)AllocVec(sizeof(MapEntry) * FENSTER_BREITE * FENSTER_HOEHE, MEMF_CLEAR);
        view.GreatBMapPtr = (UBYTE *)AllocVec(FENSTER_BMAP_BYTES, MEMF_CLEAR);
        std::memset(view.GreatBMapPtr, 0xFF, FENSTER_BMAP_BYTES);
        view.BMapPtr = view.GreatBMapPtr;
        view.IndeX = 100, view.IndeY = 50;
        view.X_Hex = 2000, view.Y_Hex = 1000;
        view.XTiles = 10, view.YTiles = 8;
        Boden(1);
        st.VekMapInfoPtr = &view;
        st.OldX_Pos = st.OldY_Pos = -1;
        MakeDirs("Data/POP3Out");
    }
    void TearDown() override
    {
        PlayerInfo.SpielerID = altSpieler;
        FreeVec(view.GreatMapPtr);
        FreeVec(view.GreatBMapPtr);
        FreeVec(view.PeopleMemPtr);
        FreeVec(view.LocalPeopleMemPtr);
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
        }
    }
    void Boden(UWORD art)
    {
        for (LONG y = 0; y < FENSTER_HOEHE; ++y)
            for (LONG x = 0; x < FENSTER_BREITE; ++x) {
                MapEntry &e = view.GreatMapPtr[y * FENSTER_BREITE + x];
                e.X = (ULONG)(2000 - 100 + x), e.Y = (ULONG)(1000 - 50 + y), e.Art = art, e.BesitzerID = kIch;
            }
    }
    void Figuren(std::vector<st_MOVE_EXT> f)
    {
        FreeVec(view.PeopleMemPtr);
        FreeVec(view.LocalPeopleMemPtr);
        const ULONG groesse = 2 + (ULONG)(f.size() * sizeof(st_MOVE_EXT));
        view.PeopleMemPtr = (UBYTE *)AllocVec(groesse, MEMF_CLEAR);
        view.LocalPeopleMemPtr = (UBYTE *)AllocVec(groesse, MEMF_CLEAR);
        view.PeopleMemSize = groesse;
        for (UBYTE *b : {view.PeopleMemPtr, view.LocalPeopleMemPtr}) {
            const UWORD n = (UWORD)f.size();
            std::memcpy(b, &n, 2);
            std::memcpy(b + 2, f.data(), f.size() * sizeof(st_MOVE_EXT));
        }
        // The figure file the view was loaded from.
        st_MREF mref{};
        mref.Head = {ID_MREF, VERSION_V001, sizeof(st_MREF) - sizeof(st_ChunkHead)};
        mref.WeltSizeX = WELT_BREITE, mref.WeltSizeY = WELT_HOEHE;
        ASSERT_TRUE(SaveChunk2File(MAPPREFS_FILE, &mref));
        ListHeader *liste = CreateList(LISTE_FIGUREN);
        for (const st_MOVE_EXT &x : f) {
            ListNode *n = (ListNode *)AllocVec(liste->TypSize, MEMF_CLEAR);
            std::memcpy(NodeData(n), &x, sizeof x);
            InsertNode(liste, n, LIST_LAST, 0);
        }
        ASSERT_TRUE(WriteList2MapPrefs(liste));
        DeleteList(liste, 1);
    }
    // The figures the figure file holds now.
    static ULONG ImFigurFile()
    {
        auto *move = (st_MOVE *)LoadChunk2Mem(ID_MOVE, MAPPREFS_FILE);
        const ULONG n = move ? GetChunkEntryCount(move) : 0;
        FreeVec(move);
        return n;
    }
    st_MOVE_EXT Figur(UWORD art, LONG c, LONG r)
    {
        st_MOVE_EXT f{};
        f.SpielerID = kIch, f.FigurArt = art, f.FigurNummer = 1;
        f.X_Pos = (ULONG)(2000 + c), f.Y_Pos = (ULONG)(1000 + r);
        return f;
    }
    static void PushReturnForTheMessage()
    {
        SDL_Event e{};
        e.type = SDL_KEYDOWN;
        e.key.keysym.sym = SDLK_RETURN;
        e.key.keysym.unicode = 13;
        SDL_PushEvent(&e);
    }
    void Klick(LONG c, LONG r)
    {
        st.X_Pos = (WORD)c, st.Y_Pos = (WORD)r;
        SetHex(&st);
    }
    ScratchDir dir;
    SdlScreen screen{8};
    ULONG altSpieler = 0;
    VekMapInfo view{};
    LokaleDatenKartenScreen st{};
};

TEST_F(Auswahl, FirstClickMarksSecondSelectsTheOwnFigure)
{
    Figuren({Figur(0, 4, 3)});
    Klick(4, 3);
    EXPECT_EQ(st.OldX_Pos, 4);
    EXPECT_EQ(st.OldY_Pos, 3);
    EXPECT_FALSE(st.BlueHex);
    EXPECT_EQ(st.AktPerson, nullptr);
    Klick(4, 3);
    EXPECT_TRUE(st.BlueHex);
    ASSERT_NE(st.AktPerson, nullptr);
    EXPECT_EQ(+st.AktPerson->X_Pos, 2004u);
    // Another hex drops the selection and marks that one.
    Klick(5, 3);
    EXPECT_FALSE(st.BlueHex);
    EXPECT_EQ(st.AktPerson, nullptr);
    EXPECT_EQ(st.OldX_Pos, 5);
}

TEST_F(Auswahl, AForeignFigureIsNotSelected)
{
    st_MOVE_EXT f = Figur(0, 4, 3);
    f.SpielerID = kIch + 1;
    Figuren({f});
    Klick(4, 3);
    Klick(4, 3);
    EXPECT_FALSE(st.BlueHex);
    EXPECT_EQ(st.AktPerson, nullptr);
}

TEST_F(Auswahl, AnUnexploredHexChangesNothingMore)
{
    Klick(4, 3);
    std::memset(view.GreatBMapPtr, 0, FENSTER_BMAP_BYTES);
    Klick(6, 2);
    EXPECT_EQ(st.OldX_Pos, 4);
    EXPECT_EQ(st.OldY_Pos, 3);
}

TEST_F(Auswahl, OnlyKnownWaterDrownsAFigure)
{
    struct Fall {
        UWORD art;
        UBYTE kommando;
        bool ertrinkt;
    } faelle[] = {{23, 0, true}, {28, 0, true}, {11, 0, false}, {0, 0, false}, {1, 0, false}, {23, 7, false}};
    for (const Fall &c : faelle) {
        Boden(c.art);
        st_MOVE_EXT f = Figur(0, 4, 3);
        f.Kommando = c.kommando;
        Figuren({f});
        st.X_Pos = 4, st.Y_Pos = 3;
        st.AktPerson = FigurImBlock(view.PeopleMemPtr, 0);
        st.BlueHex = 1;
        if (c.ertrinkt) PushReturnForTheMessage();
        StdoutCapture out;
        CheckPersonEvent(&st);
        const bool ertrunken = out.Take().find("Figur im Wasser gefunden") != std::string::npos;
        EXPECT_EQ(ertrunken, c.ertrinkt) << "Art " << c.art << " order " << (int)c.kommando;
        EXPECT_EQ(st.AktPerson == nullptr, c.ertrinkt) << "Art " << c.art;
        EXPECT_EQ(ImFigurFile(), c.ertrinkt ? 0u : 1u) << "Art " << c.art;
    }
}

// A loss whose files cannot be changed together (here its note cannot be
// written) loses nothing: the figure stays in the figure file and no box
// tells of a loss.
TEST_F(Auswahl, ALossThatCannotBeStoredLosesNothing)
{
    Boden(23);
    Figuren({Figur(0, 4, 3)});
    MakeDirs(KARTE_VERLUST_NOTIZ);  // a folder where the note must go
    st.X_Pos = 4, st.Y_Pos = 3;
    st.AktPerson = FigurImBlock(view.PeopleMemPtr, 0);
    st.BlueHex = 1;
    StdoutCapture out;
    EXPECT_EQ(CheckPersonEvent(&st), 0);
    const std::string log = out.Take();
    EXPECT_NE(log.find("Konnte den Verlust nicht abspeichern"), std::string::npos);
    EXPECT_EQ(ImFigurFile(), 1u);
    EXPECT_EQ(st.AktPerson, nullptr) << "the selection goes all the same";
    EXPECT_FALSE(IsFilePresent(".MapPrefs.vek.staged")) << "no copy is left";
    EXPECT_FALSE(IsFilePresent("Data/.MapPrefs.vek.staged"));
    WriteKartenScreenData(&st, 1);
}

TEST_F(Auswahl, AShipAtSeaIsNotCheckedWithoutResearchNorInPort)
{
    ListHeader *schiffe = CreateList(LISTE_SCHIFFE);
    ListNode *n = (ListNode *)AllocVec(schiffe->TypSize, MEMF_CLEAR);
    auto *s = (ShipListEntry *)n;
    s->Schiff.X_Pos = 2004, s->Schiff.Y_Pos = 1003;
    InsertNode(schiffe, n, LIST_LAST, 0);
    st.ShipListPtr = schiffe;
    for (UWORD art : {(UWORD)23, (UWORD)1}) {
        Boden(art);
        Figuren({Figur(15, 4, 3)});
        st.X_Pos = 4, st.Y_Pos = 3;
        st.AktPerson = FigurImBlock(view.PeopleMemPtr, 0);
        // No received pool at all: no research chunk.
        EXPECT_EQ(CheckPersonEvent(&st), 1);
        EXPECT_NE(st.AktPerson, nullptr) << "Art " << art;
        EXPECT_EQ(schiffe->Elemente, 1u);
    }
    DeleteList(schiffe, LIST_FREE_OWNED);
}

TEST_F(Auswahl, AShipFarFromLandIsLostWithinItsAstronomyRings)
{
    MakeDirs("Data/POP3In");
    auto *fors = (st_FORS *)AllocChunk(CN_FORS, 0, 1);
    ASSERT_NE(fors, nullptr);
    fors->Astronomie = 2;
    ASSERT_TRUE(AddChunkPool(fors, POOL_IN));
    FreeChunk(fors);
    for (LONG land : {2L, 3L}) {
        ListHeader *schiffe = CreateList(LISTE_SCHIFFE);
        ListNode *n = (ListNode *)AllocVec(schiffe->TypSize, MEMF_CLEAR);
        auto *s = (ShipListEntry *)n;
        s->Schiff.X_Pos = 2004, s->Schiff.Y_Pos = 1003;
        InsertNode(schiffe, n, LIST_LAST, 0);
        st.ShipListPtr = schiffe;
        Boden(23);
        // Land straight north of the ship, land rings away.
        view.GreatMapPtr[(50 + 3 - land) * FENSTER_BREITE + 100 + 4].Art = 1;
        Figuren({Figur(15, 4, 3)});
        st.X_Pos = 4, st.Y_Pos = 3;
        st.AktPerson = FigurImBlock(view.PeopleMemPtr, 0);
        st.BlueHex = 1;
        if (land == 3) PushReturnForTheMessage();
        CheckPersonEvent(&st);
        EXPECT_EQ(schiffe->Elemente, land == 2 ? 1u : 0u) << land;
        EXPECT_EQ(st.AktPerson == nullptr, land == 3) << land;
        EXPECT_EQ(ImFigurFile(), land == 2 ? 1u : 0u) << land;
        // The pool holds the list as it now is: no ship record once it sank.
        if (land == 3) {
            EXPECT_TRUE(IsFilePresent(POOL_OUT));
            EXPECT_FALSE(IsChunkPresent(ChunkBit(CN_SHIP), POOL_OUT));
        }
        DeleteList(schiffe, LIST_FREE_OWNED);
        st.ShipListPtr = nullptr;
    }
}

}  // namespace
