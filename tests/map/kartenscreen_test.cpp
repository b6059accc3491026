// The map screen: view geometry round the current town, the layout of the
// high-colour description on larger displays, the data read from and written
// back to the pools, the kept screen's life cycle and backdrop, the minimap.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <tuple>

#include "common/shareddemo.h"
#include "common/gamefixture.h"
#include "common/sdlharness.h"
#include "common/testutil.h"
#include "gfx/gfxnumber.h"
#include "gfx/screen.h"
#include "kartenwelt.h"
#include "map/kartenscreen.h"
#include "map/mapview.h"
#include "platform/memfile.h"
#include "store/figures.h"
#include "platform/files.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/store.h"
#include "world/towns.h"

using namespace vektest;

namespace {

namespace fs = std::filesystem;

ULONG gStadtX, gStadtY;
int FesteStadt(LONG, ULONG *x, ULONG *y)
{
    *x = gStadtX;
    *y = gStadtY;
    return 1;
}
int KeineStadt(LONG, ULONG *, ULONG *) { return 0; }
int EchteStadt(LONG id, ULONG *x, ULONG *y)
{
    Stadt *s = GetActiveTown(id);
    if (!s) return 0;
    *x = s->XPos;
    *y = s->YPos;
    FreeVec(s);
    return 1;
}

// A copy of the demo set's game files (pictures and the rest linked) under a
// dummy display; whatever the screen kept is torn down at the end.
class Platz {
public:
    Platz(int tiefe, int breite, int hoehe)
    {
        CopyDemoGameFiles(dir_.path());
        kartentest::AlleGrafikenFrei();
        screen_ = std::make_unique<SdlScreen>(tiefe, breite, hoehe);
        // The hidden buffer of the kept screen, as start-up makes it.
        if (tiefe > 8 && SDLViewSurface) DBScreen = db_ = SDL_DisplayFormat(SDLViewSurface);
        VekDisplay.VekScreen = 0;
        PlayerInfo.AktStadtID = 0;
        KartenStadtPosHook = EchteStadt;
        *LDKS = LokaleDatenKartenScreen{};
    }
    ~Platz()
    {
        if (LDKS->Status == 1) KartenScreen(0, 0);
        if (LDKS->VekMapInfoPtr) {
            ExitPos(LDKS->VekMapInfoPtr);
            ExitKarte(LDKS->VekMapInfoPtr);
        }
        ExitMiniMap(LDKS->MiniMap);
        if (LDKS->ScreenRegion) ClearScreenRegion(LDKS->ScreenRegion);
        WriteKartenScreenData(LDKS, 1);
        *LDKS = LokaleDatenKartenScreen{};
        if (TitelScreenPtr) CloseKavorPic(3, 0);
        kartentest::AlleGrafikenFrei();
        if (db_) {
            DBScreen = nullptr;
            SDL_FreeSurface(db_);
        }
        screen_.reset();
    }
    SdlScreen &Screen() { return *screen_; }

private:
    ScratchDir dir_;
    std::unique_ptr<SdlScreen> screen_;
    SDL_Surface *db_ = nullptr;
};

void DrueckeEscape()
{
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_ESCAPE;
    e.key.keysym.unicode = 27;
    SDL_PushEvent(&e);
}

void BeendeAnsicht()
{
    ExitPos(LDKS->VekMapInfoPtr);
    ExitKarte(LDKS->VekMapInfoPtr);
    LDKS->VekMapInfoPtr = nullptr;
}

}  // namespace

TEST(KartenScreenInitMap, PlacesTheViewRoundTheTown)
{
    struct Fall {
        const char *name;
        int tiefe, breite, hoehe;
        ULONG stadtX, stadtY;
        WORD xPos, yPos;
        LONG xHex, yHex;
        UWORD xTiles, yTiles;
    } faelle[] = {
        // 640: 13 columns fit less one, 12; the odd origin moves left.
        {"8 bits 640 x 480", 8, 640, 480, 21, 50, 5, 4, 16, 46, 11, 9},
        // 1024: 20 columns; the origin 9 columns left of an odd town column.
        {"32 bits 1024 x 768", 32, 1024, 768, 21, 50, 9, 6, 12, 44, 22, 15},
        {"32 bits, town in column 3", 32, 1024, 768, 3, 50, 9, 6, 12794, 44, 22, 15},
        {"32 bits, town in row 2", 32, 1024, 768, 21, 2, 9, 6, 12, 6396, 22, 15},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        Platz platz(f.tiefe, f.breite, f.hoehe);
        ASSERT_TRUE(platz.Screen().Ok());
        gStadtX = f.stadtX;
        gStadtY = f.stadtY;
        KartenStadtPosHook = FesteStadt;
        VekMapInfo *v = InitMap(LDKS);
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(LDKS->X_Pos, f.xPos);
        EXPECT_EQ(LDKS->Y_Pos, f.yPos);
        EXPECT_EQ(v->X_Hex, f.xHex);
        EXPECT_EQ(v->Y_Hex, f.yHex);
        EXPECT_EQ(v->XTiles, f.xTiles);
        EXPECT_EQ(v->YTiles, f.yTiles);
        EXPECT_EQ(v->GUIRoutine, &KartenScreenSetGUI);
        BeendeAnsicht();
    }
}

TEST(KartenScreenInitMap, WithoutTownThereIsNoView)
{
    Platz platz(32, 1024, 768);
    KartenStadtPosHook = KeineStadt;
    EXPECT_EQ(InitMap(LDKS), nullptr);
}

TEST(KartenScreenInitMap, BordersFollowTheStoredChoiceOnEverySetUp)
{
    Platz platz(32, 1024, 768);
    for (ULONG pref : {1u, 0u}) {
        SCOPED_TRACE(pref);
        ASSERT_TRUE(CheckPrefsWrite(16, pref));
        for (int runde = 0; runde < 2; ++runde) {
            VekMapInfo *v = InitMap(LDKS);
            ASSERT_NE(v, nullptr);
            EXPECT_EQ(LDKS->Grenzen, pref ? ~(BOOL)0 : 0);
            EXPECT_EQ((v->Status & MAPSTATUS_GRENZEN) != 0, pref != 0);
            BeendeAnsicht();
        }
    }
}

TEST(KartenScreenLayout, LargerDisplaysMoveTheDescriptionOnce)
{
    for (auto [breite, hoehe] : {std::pair{1280, 1024}, std::pair{1024, 768}}) {
        SCOPED_TRACE(breite);
        Platz platz(32, breite, hoehe);
        const LONG dx = breite - 1024, dy = hoehe - 768;
        ScreenRegion *alt = GetScreenRegion("./Data/screendat/Karte1024.dat", 518);
        LDKS->ScreenRegion = GetScreenRegion("./Data/screendat/Karte1024.dat", 518);
        ASSERT_TRUE(alt && LDKS->ScreenRegion);
        ASSERT_GE(alt->CountGadgetData, 24u);
        ASSERT_GE(alt->CountRechteck, 8u);
        ASSERT_TRUE(InitAllThingsKarte(LDKS, 1));
        const ScreenRegion *neu = LDKS->ScreenRegion;
        for (ULONG i = 0; i < alt->CountGadgetData; ++i) {
            SCOPED_TRACE(i);
            const GadgetData &a = alt->GadgetData[i], &n = neu->GadgetData[i];
            const bool rechts = i <= 5 || (i >= 9 && i <= 17);
            if (i == 23) {
                EXPECT_EQ(n.X0, a.X0);
                EXPECT_EQ(n.Y0, a.Y0);
                EXPECT_EQ(n.X1, a.X1 + dx);
                EXPECT_EQ(n.Y1, a.Y1 + dy);
            } else {
                EXPECT_EQ(n.X0, a.X0 + (rechts ? dx : 0));
                EXPECT_EQ(n.X1, a.X1 + (rechts ? dx : 0));
                EXPECT_EQ(n.Y0, a.Y0 + dy);
                EXPECT_EQ(n.Y1, a.Y1 + dy);
            }
        }
        const LONG plus[8][4] = {{0, 0, 0, 0},   {0, 0, 0, 0},   {0, dx, 0, 0},   {0, dx, dy, dy},
                                 {0, 0, dx, dx}, {0, dy, 0, dy}, {dx, dy, dx, dy}, {dx, dy, dx, dy}};
        for (ULONG i = 0; i < 8; ++i) {
            SCOPED_TRACE(i);
            const Rechteck &a = alt->Rechteck[i], &n = neu->Rechteck[i];
            EXPECT_EQ(n.X0, a.X0 + plus[i][0]);
            EXPECT_EQ(n.Y0, a.Y0 + plus[i][1]);
            EXPECT_EQ(n.X1, a.X1 + plus[i][2]);
            EXPECT_EQ(n.Y1, a.Y1 + plus[i][3]);
        }
        ClearScreenRegion(alt);
    }
}

TEST(KartenScreenColours, FiveRangesOfTwentyTwoBytes)
{
    // Written out from the table of ranges, each ended by step 255.
    static const UBYTE golden[110] = {
        32, 2, 3, 19, 0, 141, 19, 141, 27, 142, 29, 143, 31, 142, 255, 0,   0,   0,   0,   0,   0,   0,
        32, 1, 4, 13, 0, 148, 13, 148, 16, 149, 19, 150, 22, 151, 25, 150, 28,  149, 31,  148, 255, 0,
        15, 4, 2, 5,  0, 139, 5,  139, 9,  140, 14, 139, 255, 0, 0, 0,     0,   0,   0,   0,   0,   0,
        26, 1, 4, 0,  0, 144, 3,  145, 6,  146, 10, 147, 18, 145, 23, 144, 25,  144, 255, 0,   0,   0,
        28, 2, 4, 11, 0, 152, 11, 152, 13, 153, 16, 154, 19, 155, 21, 154, 24,  153, 27,  153, 255, 0,
    };
    EXPECT_EQ(std::memcmp(KartenColorCycle, golden, sizeof golden), 0);
}

// ---- data in and out ----

namespace {

std::vector<UBYTE> Armeen(const std::vector<const char *> &namen)
{
    std::vector<ArmeeAuf> a(namen.size(), ArmeeAuf{10, 10, {}});
    std::vector<UBYTE> c = ArmyChunk(a);
    for (size_t i = 0; i < namen.size(); ++i)
        std::strncpy((char *)c.data() + sizeof(st_ARMY) + i * sizeof(st_ARHD) + sizeof(st_ChunkHead) +
                         offsetof(Armee, Name),
                     namen[i], 20);
    return c;
}

std::vector<UBYTE> Schiffe(ULONG n)
{
    std::vector<UBYTE> c(sizeof(st_SHIP) + n * sizeof(st_SHIP_EXT) + 1, 0);
    st_SHIP k{{ID_SHIP, VERSION_V001, 4 + n * (ULONG)sizeof(st_SHIP_EXT)}, n};
    std::memcpy(c.data(), &k, sizeof k);
    for (ULONG i = 0; i < n; ++i) {
        st_SHIP_EXT s{};
        s.SchiffsID = (UWORD)(i + 1);
        std::memcpy(c.data() + sizeof(st_SHIP) + i * sizeof s, &s, sizeof s);
    }
    return c;
}

// The bytes of the first chunk with this ID in a pool file, head included.
Bytes ChunkBytes(const char *pool, const char *id)
{
    const Bytes b = ReadBytes(pool);
    for (size_t p = 0; p + 12 <= b.size();) {
        const size_t len = (size_t)b[p + 8] << 24 | (size_t)b[p + 9] << 16 | (size_t)b[p + 10] << 8 | b[p + 11];
        if (std::memcmp(&b[p], id, 4) == 0) return Bytes(b.begin() + p, b.begin() + std::min(b.size(), p + 12 + len));
        p += 12 + len;
    }
    return {};
}

std::vector<std::string> ArmeeNamen(ListHeader *l)
{
    std::vector<std::string> v;
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; i < l->Elemente; ++i, n = n->Next) {
        ArmeeList a;
        std::memcpy(&a, n, sizeof a);
        v.emplace_back(a.Army.Name, strnlen(a.Army.Name, 20));
    }
    return v;
}

}  // namespace

TEST(KartenScreenData, ArmiesComeOnlyFromTheOrdersSortedByteWise)
{
    Platz platz(32, 1024, 768);
    ASSERT_TRUE(RemChunkPool(ID_ARMY, POOL_OUT));
    std::vector<UBYTE> empfangen = Armeen({"Fremd"});
    InsPool(empfangen.data(), POOL_IN);
    ASSERT_TRUE(ReadKartenScreenData(LDKS));
    EXPECT_EQ(LDKS->ArmeeListe->Elemente, 0u);
    ASSERT_TRUE(WriteKartenScreenData(LDKS, 1));
    EXPECT_FALSE(IsChunkPresent(ChunkBit(CN_ARMY), POOL_OUT)) << "the received armies are not the player's";

    std::vector<UBYTE> eigen = Armeen({"alpha", "Zeta", "Alpha"});
    InsPool(eigen.data(), POOL_OUT);
    ASSERT_TRUE(ReadKartenScreenData(LDKS));
    EXPECT_EQ(ArmeeNamen(LDKS->ArmeeListe), (std::vector<std::string>{"Alpha", "Zeta", "alpha"}));
    // Emptied during the visit: the chunk goes.
    DeleteArmyList(LDKS->ArmeeListe);
    LDKS->ArmeeListe = CreateList(LISTE_ARMEEN);
    ASSERT_TRUE(WriteKartenScreenData(LDKS, 1));
    EXPECT_FALSE(IsChunkPresent(ChunkBit(CN_ARMY), POOL_OUT));
}

TEST(KartenScreenData, ShipsFromTheOrdersFirstAndTheRealmFromTheTurn)
{
    Platz platz(32, 1024, 768);
    std::vector<UBYTE> aus = Schiffe(2), ein = Schiffe(5);
    InsPool(aus.data(), POOL_OUT);
    InsPool(ein.data(), POOL_IN);
    st_LAND land = LandChunk(12345, 77, 9);
    InsPool(&land, POOL_IN);
    ASSERT_TRUE(ReadKartenScreenData(LDKS));
    EXPECT_EQ(LDKS->ShipListPtr->Elemente, 2u);
    EXPECT_NE(LDKS->ShipAddOnListPtr, nullptr);
    EXPECT_EQ(LDKS->OrgArbeiter, 1234u);
    EXPECT_EQ(LDKS->AnzMorgen, 77u);
    EXPECT_EQ(LDKS->Gottheit, 9);
    ASSERT_TRUE(WriteKartenScreenData(LDKS, 0));
    EXPECT_EQ(LDKS->SpielerChunkPtr, nullptr);
    EXPECT_EQ(LDKS->KrigChunkPtr, nullptr);
    EXPECT_NE(LDKS->ShipListPtr, nullptr) << "release 0 keeps the lists";
}

// A figure's loss replaces the figure file and the outgoing pool together.
// Killed once its note stood, the next read of the screen's data finishes
// it; killed before, the copies it left go and the files stay as they were.
TEST(KartenScreenData, ALossAKillInterruptedIsFinishedOrDroppedAtTheNextRead)
{
    for (bool notiz : {true, false}) {
        SCOPED_TRACE(notiz);
        Platz platz(8, 640, 480);
        const ULONG spieler = PlayerInfo.SpielerID;
        PlayerInfo.SpielerID = 7;  // the demo realm's player
        const Bytes figuren = ReadBytes(MAPPREFS_FILE), pool = ReadBytes(POOL_OUT);
        char a[256], b[256];
        ASSERT_TRUE(StageFileBeside(MAPPREFS_FILE, a, sizeof a));
        ASSERT_TRUE(StageFileBeside(POOL_OUT, b, sizeof b));
        ASSERT_TRUE(RemoveFigurFromMapPrefs(a, FID_SCHIFFE, 120, 60, 6));
        ASSERT_TRUE(RemChunkPool(ID_SHIP, b));
        const Bytes neueFiguren = ReadBytes(a), neuerPool = ReadBytes(b);
        ASSERT_NE(neueFiguren, figuren);
        if (notiz) WriteText(KARTE_VERLUST_NOTIZ, std::string(MAPPREFS_FILE) + "\n" + POOL_OUT + "\n");
        ASSERT_TRUE(ReadKartenScreenData(LDKS));
        EXPECT_EQ(ReadBytes(MAPPREFS_FILE), notiz ? neueFiguren : figuren);
        EXPECT_EQ(ReadBytes(POOL_OUT), notiz ? neuerPool : pool);
        EXPECT_FALSE(IsFilePresent(KARTE_VERLUST_NOTIZ));
        EXPECT_FALSE(IsFilePresent(a));
        EXPECT_FALSE(IsFilePresent(b));
        WriteKartenScreenData(LDKS, 1);
        PlayerInfo.SpielerID = spieler;
    }
}

TEST(KartenScreenData, AnUnreadableListLeavesItsChunkAlone)
{
    struct Fall {
        const char *name;
        std::vector<UBYTE> chunk;
        ULONG anzahl;  // the count written over the stored one: beyond what the chunk holds
    };
    for (const Fall &f : {Fall{"ARMY", Armeen({"Erste", "Zweite"}), 3}, Fall{"SHIP", Schiffe(2), 9}}) {
        SCOPED_TRACE(f.name);
        Platz platz(32, 1024, 768);
        InsPool(f.chunk.data(), POOL_OUT);
        Bytes pool = ReadBytes(POOL_OUT);
        const Bytes gut = ChunkBytes(POOL_OUT, f.name);
        ASSERT_FALSE(gut.empty());
        const size_t at = std::search(pool.begin(), pool.end(), gut.begin(), gut.end()) - pool.begin();
        for (int i = 0; i < 4; ++i) pool[at + 12 + i] = (UBYTE)(f.anzahl >> (24 - 8 * i));
        WriteBytes(POOL_OUT, pool);
        const Bytes vorher = ChunkBytes(POOL_OUT, f.name);
        EXPECT_FALSE(ReadKartenScreenData(LDKS));
        WriteKartenScreenData(LDKS, 1);
        EXPECT_EQ(ChunkBytes(POOL_OUT, f.name), vorher);
    }
}

// ---- the kept screen ----

TEST(KartenScreenKept, VisitLeavesTheBackdropAndKeepsFontsAndView)
{
    Platz platz(32, 1024, 768);
    ASSERT_EQ(KartenScreen(1, 0), 1);
    EXPECT_EQ(LDKS->Status, 1);
    TextFont *schrift = LDKS->VekFontPtr;
    ASSERT_NE(schrift, nullptr);
    for (int besuch = 0; besuch < 2; ++besuch) {
        SCOPED_TRACE(besuch);
        DrueckeEscape();
        EXPECT_EQ(KartenScreen(2, 1), 2);
        EXPECT_EQ(LDKS->Status, 1);
        EXPECT_EQ(LDKS->VekFontPtr, schrift) << "a visit opens no font";
        EXPECT_NE(LDKS->VekMapInfoPtr, nullptr);
        EXPECT_EQ(LDKS->ArmeeListe, nullptr) << "the lists live only during a visit";
        // The buffer the last flip showed: the black 640 x 480 area 30 pixels
        // above the centre, inside picture 1142.
        ASSERT_TRUE(TitelScreenPtr && TitelScreenPtr->DBRastPort);
        BitMap *anzeige = TitelScreenPtr->DBRastPort->BitMap;
        const ULONG schwarz = PixelAt(anzeige, 500, 300);
        EXPECT_EQ(BoundsOf(anzeige, schwarz), (Rect{192, 114, 640, 480}));
        int bunt = 0;
        for (LONG x = 162; x < 192; ++x) bunt += PixelAt(anzeige, x, 300) != schwarz;
        EXPECT_GT(bunt, 0) << "picture 1142 frames the area";
    }
}

// Built at start-up, before any visit: the display shows the frame, the
// panels and the backdrop at once, as the hidden buffer holds them.
TEST(KartenScreenKept, StartUpShowsTheSurroundingsAtOnce)
{
    Platz platz(32, 1024, 768);
    ASSERT_EQ(KartenScreen(1, 0), 1);
    ASSERT_TRUE(TitelScreenPtr && TitelScreenPtr->DBRastPort);
    BitMap *db = TitelScreenPtr->DBRastPort->BitMap;
    BitMap *anzeige = TitelScreenPtr->RastPort.BitMap;
    ASSERT_NE(db, anzeige);
    long anders = 0;
    for (LONG y = 0; y < 768; ++y)
        for (LONG x = 0; x < 1024; ++x) anders += PixelAt(db, x, y) != PixelAt(anzeige, x, y);
    EXPECT_EQ(anders, 0);
    const ULONG schwarz = PixelAt(anzeige, 500, 300);
    EXPECT_EQ(BoundsOf(anzeige, schwarz), (Rect{192, 114, 640, 480})) << "the backdrop's area for the next screen";
}

TEST(KartenScreenKept, NewSetupKeepsTheCallersPicture)
{
    Platz platz(32, 1024, 768);
    ASSERT_EQ(KartenScreen(1, 0), 1);
    RastPort *rp = VekDisplay.RastPort_;
    ASSERT_NE(rp, nullptr);
    for (LONG y = 0; y < 480; y += 7) {
        SetAPen(rp, (ULONG)(y % 200 + 20));
        RectFill(rp, 0, y, 639, y + 3);
    }
    auto flaeche = [&] {
        std::vector<ULONG> p;
        for (LONG y = 0; y < 480; ++y)
            for (LONG x = 0; x < 640; ++x) p.push_back(PixelAt(rp->BitMap, x, y));
        return p;
    };
    const std::vector<ULONG> vorher = flaeche();
    EXPECT_EQ(KartenScreenUnlockSetup(), 0);
    EXPECT_EQ(LDKS->VekMapInfoPtr, nullptr);
    ASSERT_EQ(KartenScreenNewSetup(0), 1);
    EXPECT_NE(LDKS->VekMapInfoPtr, nullptr);
    EXPECT_EQ(VekDisplay.RastPort_, rp);
    EXPECT_TRUE(flaeche() == vorher);
}

TEST(KartenScreenKept, AFailedSetUpIsMadeGoodAtTheNextVisit)
{
    Platz platz(32, 1024, 768);
    ASSERT_EQ(KartenScreen(1, 0), 1);
    KartenScreenUnlockSetup();
    KartenStadtPosHook = KeineStadt;
    EXPECT_EQ(KartenScreenNewSetup(0), 0);
    EXPECT_EQ(LDKS->VekMapInfoPtr, nullptr);
    // Still no town: the visit says so and ends the run, with nothing freed twice.
    EXPECT_EQ(KartenScreen(2, 1), -1);
    KartenStadtPosHook = EchteStadt;
    DrueckeEscape();
    LDKS->Status = 1;
    EXPECT_EQ(KartenScreen(2, 1), 2);
    EXPECT_NE(LDKS->VekMapInfoPtr, nullptr);
}

// A newcomer's start has no town to show, so the kept screen is never
// built; the set-up after the sign-up leaves it so, and a visit builds it
// whole, minimap included.
TEST(KartenScreenKept, NeverBuiltIsBuiltByTheFirstVisit)
{
    Platz platz(32, 1024, 768);
    KartenStadtPosHook = KeineStadt;
    EXPECT_EQ(KartenScreen(1, 0), -1);
    ASSERT_EQ(LDKS->Status, 0);
    KartenStadtPosHook = EchteStadt;
    vektest::StdoutCapture out;
    EXPECT_EQ(KartenScreenUnlockSetup(), 0);
    EXPECT_EQ(KartenScreenNewSetup(1), 1);
    EXPECT_EQ(out.Take().find("InitMiniMap"), std::string::npos);
    EXPECT_EQ(LDKS->Status, 0);
    EXPECT_EQ(LDKS->VekMapInfoPtr, nullptr);
    DrueckeEscape();
    vektest::StdoutCapture besuch;
    EXPECT_EQ(KartenScreen(2, 1), 2);
    const std::string text = besuch.Take();
    EXPECT_EQ(text.find("InitMiniMap"), std::string::npos);
    EXPECT_EQ(text.find("nicht einrichten"), std::string::npos);
}

TEST(KartenScreenVisit, EightBitsBuildsAndTearsDownEachVisit)
{
    Platz platz(8, 640, 480);
    DrueckeEscape();
    EXPECT_EQ(KartenScreen(2, 1), 2);
    EXPECT_EQ(LDKS->Status, 0);
    EXPECT_EQ(LDKS->VekMapInfoPtr, nullptr);
    EXPECT_EQ(LDKS->VekFontPtr, nullptr);
    EXPECT_EQ(LDKS->ScreenRegion, nullptr);
}

// ---- minimap ----

TEST(KartenScreenMiniMap, ExploredHexesInTheirClassPen)
{
    Platz platz(8, 640, 480);
    ASSERT_EQ(GetTypeOfHex(23), 10);  // water
    ASSERT_EQ(GetTypeOfHex(1), 11);   // town
    Rechteck rects[3] = {{0, 0, 0, 0}, {0, 0, 0, 0}, {500, 0, 639, 200}};
    MiniMap *mini = InitMiniMap(rects, 3);
    ASSERT_NE(mini, nullptr);
    EXPECT_EQ(mini->OffsetBreite, 144);
    EXPECT_EQ(mini->OffsetHoehe, 201);

    VekMapInfo v{};
    std::vector<MapEntry> fenster(FENSTER_BREITE * FENSTER_HOEHE);
    std::vector<UBYTE> wissen(FENSTER_BMAP_BYTES, 0);
    v.GreatMapPtr = fenster.data();
    v.GreatBMapPtr = wissen.data();
    v.IndeX = 80;
    v.IndeY = 40;
    v.XTiles = 22;
    v.YTiles = 15;
    auto setze = [&](LONG gx, LONG gy, UWORD art, bool bekannt) {
        fenster[gy * FENSTER_BREITE + gx].Art = art;
        if (bekannt) wissen[gy * FENSTER_BMAP_ZEILE + gx / 8] |= (UBYTE)(1 << (gx % 8));
    };
    setze(90, 47, 23, true);   // the view's middle: minimap column 20, row 15
    setze(91, 47, 1, true);    // column 21 (odd: 2 rows lower)
    setze(92, 47, 23, false);  // column 22, unexplored
    SetMiniMap(&v, mini, 0, 0);
    BitMap *b = platz.Screen().ViewBitMap();
    // Column c, row r: x = 3c + 508, y = 4r + 14; the blob's top row is x+1, x+2.
    EXPECT_EQ(PixelAt(b, 569, 74), 40u);
    EXPECT_EQ(PixelAt(b, 568, 75), 40u);
    EXPECT_EQ(PixelAt(b, 568, 74), 0u);
    EXPECT_EQ(PixelAt(b, 572, 76), 105u);
    EXPECT_EQ(PixelAt(b, 575, 75), 0u);
    EXPECT_EQ(PixelAt(b, 574, 77), 105u) << "the blob's wide rows";
    EXPECT_EQ(PixelAt(b, 575, 76), 0u) << "the unexplored hex leaves the background";
    ExitMiniMap(mini);
}

TEST(KartenScreenFrame, ControlPanelOnlyFromTenTwentyFourBySixHundred)
{
    struct Fall {
        int breite, hoehe;
        bool leiste;
    } faelle[] = {{800, 600, false}, {1024, 768, true}};
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.breite);
        Platz platz(32, f.breite, f.hoehe);
        ASSERT_EQ(KartenScreen(1, 0), 1);
        ASSERT_TRUE(TitelScreenPtr && TitelScreenPtr->DBRastPort);
        BitMap *db = TitelScreenPtr->DBRastPort->BitMap;
        const ULONG marke = 0x00123456;
        FillBitMap(db, marke);
        KartenScreenSetGUI(LDKS->VekMapInfoPtr);
        // Between the left edge and the backdrop, where the panel and its buttons lie.
        long geaendert = 0;
        for (LONG y = f.hoehe - 385; y < f.hoehe - 177; ++y)
            for (LONG x = 16; x < 50; ++x) geaendert += PixelAt(db, x, y) != marke;
        EXPECT_EQ(geaendert > 0, f.leiste);
        long rand = 0;
        for (LONG y = 32; y < f.hoehe - 32; ++y) rand += PixelAt(db, 4, y) != marke;
        EXPECT_GT(rand, 0) << "the frame is always drawn";
    }
}

// The first view of the demo set shows the motion effect: an ambient object
// stands alone at the head of its hex, in sight and explored, where the
// motion thread picks its hexes.
TEST(KartenScreenInitMap, DemoSetHasAnAmbientObjectTheMotionCanPick)
{
    for (auto [tiefe, breite, hoehe] : {std::tuple{8, 640, 480}, std::tuple{32, 640, 480}, std::tuple{32, 1024, 768}}) {
        SCOPED_TRACE(breite);
        Platz platz(tiefe, breite, hoehe);
        ASSERT_TRUE(platz.Screen().Ok());
        VekMapInfo *v = InitMap(LDKS);
        ASSERT_NE(v, nullptr);
        ASSERT_NE(v->LocalPeopleMemPtr, nullptr);
        const LONG x0 = 1, y0 = 1, x1 = tiefe == 8 ? 9 : v->XTiles - 2, y1 = tiefe == 8 ? 7 : v->YTiles - 4;
        const ULONG n = FigurenImBlock(v->LocalPeopleMemPtr, v->PeopleMemSize);
        const st_MOVE_EXT *alle = FigurImBlock(v->LocalPeopleMemPtr, 0);
        int gefunden = 0;
        for (LONG c = x0; c <= x1; ++c)
            for (LONG r = y0; r <= y1; ++r) {
                const ULONG wx = (ULONG)CheckWrap(v->X_Hex + c, WELT_BREITE), wy = (ULONG)CheckWrap(v->Y_Hex + r, WELT_HOEHE);
                for (ULONG i = 0; i < n; ++i) {
                    if (alle[i].X_Pos != wx || alle[i].Y_Pos != wy || alle[i].Kommando == 7) continue;
                    if (alle[i].FigurArt >= 1000 && CheckFogofWar(v, n, alle, c, r) == 1 && GetBMapBit(v, c, r))
                        ++gefunden;
                    break;
                }
            }
        EXPECT_GE(gefunden, 1);
        BeendeAnsicht();
    }
}

TEST(KartenScreenPanel, FigurePanelSavesTheAreaOnceAndPutsItBack)
{
    Platz platz(8, 640, 480);
    ScreenRegion *haupt = GetScreenRegion("./Data/screendat/Karte.dat", 518);
    LDKS->ScreenRegion = haupt;
    LDKS->GUIScreenRegion = GetScreenRegion("./Data/screendat/KarteMenu2.dat", 514);
    ASSERT_TRUE(haupt && LDKS->GUIScreenRegion);
    ASSERT_GE(haupt->CountRechteck, 2u);
    const Rechteck r = haupt->Rechteck[1];
    BitMap *anzeige = VekDisplay.RastPort_->BitMap;
    for (LONG y = r.Y0; y < r.Y1; ++y) {
        SetAPen(VekDisplay.RastPort_, (ULONG)(y % 50 + 10));
        RectFill(VekDisplay.RastPort_, r.X0, y, r.X1, y);
    }
    auto flaeche = [&] {
        std::vector<ULONG> p;
        for (LONG y = r.Y0; y < r.Y1; ++y) p.push_back(PixelAt(anzeige, r.X0 + y % (r.X1 - r.X0), y));
        return p;
    };
    const std::vector<ULONG> vorher = flaeche();

    ASSERT_EQ(SwitchGUI(LDKS), 1);
    EXPECT_EQ(LDKS->GUI, 1);
    EXPECT_EQ(LDKS->ScreenRegion, LDKS->GUIScreenRegion);
    EXPECT_EQ(LDKS->FirstScreenRegion, haupt);
    BitMap *gerettet = LDKS->FirstBitmap;
    ASSERT_NE(gerettet, nullptr);
    // Opened again without closing: the first saved area stays.
    LDKS->GUI = 0;
    LDKS->ScreenRegion = haupt;
    ASSERT_EQ(SwitchGUI(LDKS), 1);
    EXPECT_EQ(LDKS->FirstBitmap, gerettet);

    ASSERT_EQ(SwitchGUI(LDKS), 1);
    EXPECT_EQ(LDKS->GUI, 0);
    EXPECT_EQ(LDKS->ScreenRegion, haupt);
    EXPECT_EQ(LDKS->FirstScreenRegion, nullptr);
    EXPECT_EQ(LDKS->FirstBitmap, nullptr);
    EXPECT_EQ(flaeche(), vorher);
    ClearScreenRegion(LDKS->GUIScreenRegion);
    LDKS->GUIScreenRegion = nullptr;
}
