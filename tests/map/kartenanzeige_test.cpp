// The map screen's own pictures and sounds, the figures' voices, the three
// display switches with their indicators and the 8-bit position read-out.
#include <gtest/gtest.h>

#include <SDL/SDL_mixer.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "common/sdlharness.h"
#include "common/testutil.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/screen.h"
#include "kartenwelt.h"
#include "map/kartenscreen.h"
#include "map/mapview.h"
#include "media/sound.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"

using namespace vektest;
using kartentest::Umgebung;

namespace {

constexpr UWORD kImmer[] = {378, 380, 448, 449, 471, 866, 867, 868, 869, 870, 871, 872, 873, 874, 875, 1276, 1277};
constexpr UWORD kHoch[] = {1144, 1145, 1146, 1147, 1148, 1149, 1143, 1150, 1151, 1160, 1161, 1162, 1163, 1164,
                           1165, 1166, 1167, 1168, 1169, 1170, 1171, 1172, 1173, 1174, 1175, 1176, 1177, 1178};

bool Geladen(UWORD n) { return BitMapPtrArray[n - 1] != nullptr; }

// The graphics index of the scratch directory as its own file, with the
// given pictures made unreadable (a width of 0).
void Verderbe(std::initializer_list<UWORD> bilder)
{
    Bytes index = ReadBytes("Data/Path");
    ASSERT_FALSE(index.empty());
    std::filesystem::remove("Data/Path");
    for (UWORD n : bilder)
        for (int i = 0; i < 4; ++i) index[36 * (size_t)n + 4 + i] = 0;
    WriteBytes("Data/Path", index);
}

TEST(KartenScreenGfx, APictureThatFailsGivesBackWhatWasLoaded)
{
    struct Fall {
        const char *name;
        int tiefe;
        std::initializer_list<UWORD> kaputt;
        int ergebnis;
        const char *meldung;
    } faelle[] = {
        {"8 bits, all there", 8, {}, 1, ""},
        {"8 bits, only the high-colour set broken", 8, {1150}, 1, ""},
        {"8 bits, the last one broken", 8, {1277}, 0, "<1277>"},
        {"32 bits, all there", 32, {}, 1, ""},
        // The frame pieces come before 1143 and the panels after it.
        {"32 bits, 1143 and 1150 broken", 32, {1150, 1143}, 0, "<1143>"},
        {"32 bits, 1144 and 1143 broken", 32, {1143, 1144}, 0, "<1144>"},
        {"32 bits, the very last broken", 32, {1178}, 0, "<1178>"},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        Umgebung welt(f.tiefe, f.tiefe == 8 ? 640 : 1024, f.tiefe == 8 ? 480 : 768);
        ASSERT_TRUE(welt.Ok());
        Verderbe(f.kaputt);
        LokaleDatenKartenScreen st{};
        StdoutCapture cap;
        EXPECT_EQ(LoadKartenScreenGfx(&st), f.ergebnis);
        const std::string text = cap.Take();
        if (f.ergebnis) {
            for (UWORD n : kImmer) EXPECT_TRUE(Geladen(n)) << n;
            for (UWORD n : kHoch) EXPECT_EQ(Geladen(n), f.tiefe > 8) << n;
        } else {
            EXPECT_NE(text.find(std::string("LoadKartenScreenGfx : Konnte Grafik nicht \366ffnen! ") + f.meldung),
                      std::string::npos)
                << text;
            for (UWORD n : kImmer) EXPECT_FALSE(Geladen(n)) << n;
            for (UWORD n : kHoch) EXPECT_FALSE(Geladen(n)) << n;
        }
        FreeKartenScreenGfx();
        for (UWORD n : kImmer) EXPECT_FALSE(Geladen(n)) << n;
        for (UWORD n : kHoch) EXPECT_FALSE(Geladen(n)) << n;
    }
}

// The mixer on the dummy audio driver with sound effects switched on, beside
// an open display; the sound state goes back at the end.
class Stimmen : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(welt.Ok());
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0);
        ASSERT_EQ(Mix_OpenAudio(22050, AUDIO_S16LSB, 1, 2048), 0);
        Mix_AllocateChannels(16);
        status = UserSystem.SoundStatus;
        cache = UserSystem.CachePath;
        UserSystem.CachePath = 0;
        UserSystem.SoundStatus = SOUND_SOUNDFX;
        figur.SpielerID = kartentest::kIch;
        st.AktPerson = &figur;
        st.X_Pos = 3, st.Y_Pos = 2;
    }
    void TearDown() override
    {
        Mix_HaltChannel(-1);
        for (int i = 0; i < SFX_SLOTS; ++i)
            if (UserSystem.Sfx.SfxIdOnSlot[i]) CloseKavorSfx((UWORD)UserSystem.Sfx.SfxIdOnSlot[i]);
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        UserSystem.SoundStatus = status;
        UserSystem.CachePath = cache;
    }
    static std::multiset<UWORD> Gehalten()
    {
        std::multiset<UWORD> s;
        for (int i = 0; i < SFX_SLOTS; ++i)
            if (UserSystem.Sfx.SfxIdOnSlot[i]) s.insert((UWORD)UserSystem.Sfx.SfxIdOnSlot[i]);
        return s;
    }
    Umgebung welt{8, 640, 480};
    ULONG status = 0;
    BOOL cache = 0;
    st_MOVE_EXT figur{};
    LokaleDatenKartenScreen st{};
};

TEST_F(Stimmen, WinterHasItsOwnSetAndAllGoBackAtTheEnd)
{
    using M = std::multiset<UWORD>;
    struct Fall {
        UWORD jahreszeit;
        M soll;
    } faelle[] = {
        {3, M{78, 103, 104, 101, 102, 105, 166, 167}},
        {1, M{78, 24, 27, 15, 101, 105, 166, 167}},
        {0, M{78, 24, 27, 15, 101, 105, 166, 167}},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.jahreszeit);
        st.Jahreszeit = f.jahreszeit;
        EXPECT_EQ(LoadKartenScreenSfx(&st), 1);
        EXPECT_EQ(Gehalten(), f.soll);
        FreeKartenScreenSfx(&st);
        EXPECT_EQ(Gehalten(), M{});
    }
}

TEST_F(Stimmen, ASoundThatIsMissingCostsOnlyItselfButIsReported)
{
    Bytes index = ReadBytes("Data/SfxPath");
    std::filesystem::remove("Data/SfxPath");
    index[16 + 20 * 104 + 8 + 3] = 0;  // rate 0 for 104 (the high bytes of 22,050 are 0)
    index[16 + 20 * 104 + 8 + 2] = 0;
    WriteBytes("Data/SfxPath", index);
    st.Jahreszeit = 3;
    StdoutCapture cap;
    EXPECT_EQ(LoadKartenScreenSfx(&st), 0);
    EXPECT_NE(cap.Take().find("LoadStadtScreenSfx : Konnte Sound-FX nicht \366ffnen!\n"), std::string::npos);
    EXPECT_EQ(Gehalten(), (std::multiset<UWORD>{78, 103, 101, 102, 105, 166, 167}));
    FreeKartenScreenSfx(&st);
    EXPECT_TRUE(Gehalten().empty());
}

TEST_F(Stimmen, EveryKindAnswersFromItsListByTheDice)
{
    using L = std::vector<UWORD>;
    struct Fall {
        std::vector<UWORD> arten;
        L befehl, auswahl;
    } faelle[] = {
        {{0}, {35}, {36, 37, 38}},
        {{1}, {47}, {45, 46, 48}},
        {{2}, {81, 82, 83, 84, 86}, {79, 80, 85}},
        {{3}, {89, 92}, {87, 88, 90, 91}},
        {{4}, {149, 151}, {148, 150, 152}},
        {{5}, {154, 155, 157}, {153, 156}},
        {{6}, {159, 161, 162}, {158, 160}},
        {{7}, {133}, {131, 132, 134}},
        {{8}, {138, 140}, {135, 136, 137, 139}},
        {{9}, {141, 142, 143}, {144, 145, 146, 147}},
        {{10, 12, 13, 20}, {117, 116, 118, 121, 122, 124}, {114, 115, 119, 120, 123}},
        {{14, 15, 16, 17, 18, 19}, {126, 127, 130}, {128, 129}},
        {{11, 21, 1000, 1013}, {}, {}},
    };
    UserSystem.SoundStatus = 0;  // the choice, not the playing
    for (const Fall &f : faelle) {
        for (UWORD art : f.arten) {
            for (int click : {1, 0}) {
                const L &liste = click ? f.befehl : f.auswahl;
                SCOPED_TRACE(std::to_string(art) + (click ? " order" : " selection"));
                figur.FigurArt = art;
                std::set<size_t> gesehen;
                for (unsigned seed = 1; seed < 400 && gesehen.size() < liste.size(); ++seed) {
                    WuerfelSeed(seed);
                    const size_t wurf = liste.empty() ? 0 : Wuerfel((ULONG)liste.size() - 1);
                    WuerfelSeed(seed);
                    st.LastSfx = 0;
                    EXPECT_EQ(CheckFigurAndPlaySfx(&st, click), 1);
                    if (liste.empty()) {
                        EXPECT_EQ(st.LastSfx, 0);
                        break;
                    }
                    ASSERT_EQ(st.LastSfx, liste[wurf]) << "throw " << wurf;
                    gesehen.insert(wurf);
                }
                EXPECT_EQ(gesehen.size(), liste.size());
            }
        }
    }
    // Aboard a ship a figure neither speaks nor gets an outline.
    figur.FigurArt = 0;
    figur.Kommando = 7;
    st.LastSfx = 0;
    SetAPen(VekDisplay.RastPort_, 1);
    EXPECT_EQ(CheckFigurAndPlaySfx(&st, 1), 1);
    EXPECT_EQ(st.LastSfx, 0);
    EXPECT_EQ(VekDisplay.RastPort_->FgPen, 1);
}

TEST_F(Stimmen, AFigureNeverTalksOverItself)
{
    ASSERT_EQ(OpenKavorSfx("./Data/SfxPath", 36), 1);
    ASSERT_EQ(SfxPlayer(36, 0, 1), 1);  // looping: still playing when asked
    st.LastSfx = 36;
    SetAPen(VekDisplay.RastPort_, 1);
    EXPECT_EQ(CheckFigurAndPlaySfx(&st, 1), 1);
    EXPECT_EQ(st.LastSfx, 36);
    EXPECT_EQ(Gehalten(), std::multiset<UWORD>{36});
    EXPECT_EQ(VekDisplay.RastPort_->FgPen, 6);  // the outline is drawn all the same

    StopSfx(36);
    EXPECT_EQ(CheckFigurAndPlaySfx(&st, 1), 1);
    EXPECT_EQ(st.LastSfx, 35);
    EXPECT_EQ(Gehalten(), std::multiset<UWORD>{35});

    // The screen's end gives the finished voice back with the screen's sounds.
    Mix_HaltChannel(-1);
    FreeKartenScreenSfx(&st);
    EXPECT_EQ(st.LastSfx, 0);
    EXPECT_TRUE(Gehalten().empty());
}

// A view over the synthetic world at the given place of the display.
struct Sicht {
    VekMapInfo *v = nullptr;
    Sicht(LONG x, LONG y, LONG zx, LONG zy, LONG breite, LONG hoehe, UWORD status)
    {
        v = LadeKarte(MAPSTATUS_BMAP, x / TEIL_BREITE, y / TEIL_HOEHE, "./Map");
        if (v) InitPos(v, x, y, zx, zy, breite, hoehe, status);
    }
    ~Sicht()
    {
        if (!v) return;
        ExitPos(v);
        ExitKarte(v);
    }
};

// The display with a screen record whose visible port draws on the view.
class Schalter : public testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(welt.Ok());
        schirm.RastPort = *welt.Screen().ViewRastPort();
        altSchirm = TitelScreenPtr;
        TitelScreenPtr = &schirm;
    }
    void TearDown() override { TitelScreenPtr = altSchirm; }
    bool Acht() const { return GetParam() == 8; }
    Umgebung welt{GetParam(), GetParam() == 8 ? 640 : 1024, GetParam() == 8 ? 480 : 768};
    Screen schirm{};
    Screen *altSchirm = nullptr;
};

INSTANTIATE_TEST_SUITE_P(Tiefen, Schalter, testing::Values(8, 32),
                         [](const testing::TestParamInfo<int> &i) { return std::to_string(i.param) + "bit"; });

TEST_P(Schalter, BordersOffAreStoredAndRedrawnWithoutDots)
{
    ASSERT_TRUE(welt.Ok());
    const LONG b = Acht() ? 464 : 1024, h = Acht() ? 432 : 768, z = Acht() ? 16 : 0;
    std::vector<ULONG> ohne;
    {
        Sicht ref(160, 80, z, z, b, h, MAPSTATUS_BMAP);
        ASSERT_NE(ref.v, nullptr);
        ohne = kartentest::LayerPixel(ref.v);
    }
    Sicht s(160, 80, z, z, b, h, MAPSTATUS_BMAP | MAPSTATUS_GRENZEN);
    ASSERT_NE(s.v, nullptr);
    const std::vector<ULONG> mit = kartentest::LayerPixel(s.v);
    ASSERT_NE(mit, ohne);  // the world has borders in this window
    LokaleDatenKartenScreen st{};
    st.VekMapInfoPtr = s.v;
    st.Grenzen = ~(BOOL)0;
    ASSERT_TRUE(CheckPrefsWrite(16, 1));

    EXPECT_EQ(SwitchMap(&st, 2), 1);
    ULONG pref = 99;
    ASSERT_TRUE(CheckPrefsRead(16, &pref));
    EXPECT_EQ(pref, 0u);
    EXPECT_EQ(st.Grenzen, 0);
    EXPECT_EQ(s.v->Status & MAPSTATUS_GRENZEN, 0);
    EXPECT_EQ(kartentest::LayerPixel(s.v), ohne);

    EXPECT_EQ(SwitchMap(&st, 2), 1);
    ASSERT_TRUE(CheckPrefsRead(16, &pref));
    EXPECT_EQ(pref, 1u);
    EXPECT_EQ(st.Grenzen, ~(BOOL)0);
    EXPECT_EQ(kartentest::LayerPixel(s.v), mit);
}

// Colour bits of a pixel: loaded pictures carry an alpha byte the display has not.
constexpr ULONG kFarbe = 0xFFFFFF;

// Every pixel of picture n's top-left w x h at (x, y) of the BitMap; a
// masked picture leaves its key colour's pixels alone.
::testing::AssertionResult ZeigtBild(BitMap *ziel, UWORD n, LONG x, LONG y, LONG w, LONG h, bool maskiert)
{
    if (OpenKavorGfx("./Data/Path", n) != 1) return ::testing::AssertionFailure() << "picture " << n;
    BitMap *bild = BitMapPtrArray[n - 1];
    w = std::min<LONG>(w ? w : (LONG)bild->Breite, (LONG)bild->Breite);
    h = std::min<LONG>(h ? h : (LONG)bild->Hoehe, (LONG)bild->Hoehe);
    int anders = 0, gesetzt = 0;
    for (LONG j = 0; j < h; ++j)
        for (LONG i = 0; i < w; ++i) {
            const ULONG p = PixelAt(bild, i, j) & kFarbe;
            if (maskiert && p == 0) continue;
            ++gesetzt;
            if ((PixelAt(ziel, x + i, y + j) & kFarbe) != p) ++anders;
        }
    CloseKavorGfx(n);
    if (anders || !gesetzt)
        return ::testing::AssertionFailure() << "picture " << n << ": " << anders << " of " << gesetzt << " differ";
    return ::testing::AssertionSuccess();
}

TEST_P(Schalter, IndicatorsShowEachSwitchAsItTurns)
{
    ASSERT_TRUE(welt.Ok());
    Sicht s(160, 80, Acht() ? 16 : 0, Acht() ? 16 : 0, Acht() ? 464 : 1024, Acht() ? 432 : 768, MAPSTATUS_BMAP);
    ASSERT_NE(s.v, nullptr);
    LokaleDatenKartenScreen st{};
    st.VekMapInfoPtr = s.v;
    ASSERT_TRUE(CheckPrefsWrite(16, 0));
    const LONG d = VekDisplay.VekScreen_Hoehe - 768;
    BitMap *sichtbar = Acht() ? VekDisplay.RastPort_->BitMap : schirm.RastPort.BitMap;
    struct Fall {
        int schalter;
        BOOL LokaleDatenKartenScreen::*feld;
        UWORD an8, aus8;
        LONG y8;
        UWORD an, aus;
        LONG x, y;
    } faelle[] = {
        {0, &LokaleDatenKartenScreen::Rohstoffe, 145, 143, 315, 1164, 1165, 95, d + 590},
        {1, &LokaleDatenKartenScreen::Stadtnamen, 145, 143, 345, 1162, 1163, 124, d + 608},
        {2, &LokaleDatenKartenScreen::Grenzen, 145, 143, 375, 0, 0, 0, 0},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.schalter);
        for (bool an : {true, false}) {
            FillBitMap(sichtbar, 0);
            EXPECT_EQ(SwitchMap(&st, f.schalter), 1);
            EXPECT_EQ(st.*f.feld != 0, an);
            if (Acht()) {
                EXPECT_TRUE(ZeigtBild(sichtbar, an ? f.an8 : f.aus8, 515, f.y8, 21, 19, false));
            } else if (f.an) {
                EXPECT_TRUE(ZeigtBild(sichtbar, an ? f.an : f.aus, f.x, f.y, 0, 0, true));
            }
        }
    }
    EXPECT_EQ(s.v->Status & (MAPSTATUS_ROHSTOFFE | MAPSTATUS_GRENZEN), 0);
}

TEST_P(Schalter, ResourcesSetTheViewsBarsAndRedrawIt)
{
    ASSERT_TRUE(welt.Ok());
    Sicht s(160, 80, 0, 0, 640, 448, MAPSTATUS_BMAP);
    ASSERT_NE(s.v, nullptr);
    const std::vector<ULONG> ohne = kartentest::LayerPixel(s.v);
    LokaleDatenKartenScreen st{};
    st.VekMapInfoPtr = s.v;
    SwitchMap(&st, 0);
    EXPECT_EQ(st.Rohstoffe, ~(BOOL)0);
    EXPECT_NE(s.v->Status & MAPSTATUS_ROHSTOFFE, 0);
    EXPECT_NE(kartentest::LayerPixel(s.v), ohne);
    SwitchMap(&st, 0);
    EXPECT_EQ(kartentest::LayerPixel(s.v), ohne);
    // Names change only the switch until the panels are drawn again.
    SwitchMap(&st, 1);
    EXPECT_EQ(st.Stadtnamen, ~(BOOL)0);
    EXPECT_EQ(kartentest::LayerPixel(s.v), ohne);
}

TEST_P(Schalter, PositionIsPrintedAtEightBitsOnlyAfterAMove)
{
    ASSERT_TRUE(welt.Ok());
    Sicht s(160, 80, 0, 0, 640, 448, MAPSTATUS_BMAP);
    ASSERT_NE(s.v, nullptr);
    LokaleDatenKartenScreen st{};
    st.VekMapInfoPtr = s.v;
    BitMap *schirm = VekDisplay.RastPort_->BitMap;
    FillBitMap(schirm, 0);
    s.v->UpdateMap = 1;
    ShowPosition(&st);
    EXPECT_EQ(s.v->UpdateMap, 0);
    if (!Acht()) {
        EXPECT_EQ(CountOther(schirm, 0), 0);
        return;
    }
    // Both boxes are filled with pen 19 behind their numbers.
    FillBitMap(schirm, 0);
    ShowPosition(&st);
    EXPECT_EQ(CountOther(schirm, 0), 0);  // nothing moved since
    s.v->UpdateMap = 1;
    ShowPosition(&st);
    EXPECT_EQ(PixelAt(schirm, 518, 37), 19u);
    EXPECT_EQ(PixelAt(schirm, 620, 51), 19u);
    EXPECT_EQ(PixelAt(schirm, 517, 37), 0u);
    EXPECT_EQ(PixelAt(schirm, 566, 44), 0u);
}

}  // namespace
