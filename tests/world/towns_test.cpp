// Town record and town files: the byte layout, founding towns with and
// without a list, rebuilding records of the wrong size, naming, and lists
// and templates that are not what they should be.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/gamefixture.h"
#include "common/testutil.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "world/towns.h"

namespace {

using vektest::Bytes;

constexpr ULONG CAP_X = 120, CAP_Y = 60;

Bytes ListBytes(const std::vector<std::pair<LONG, std::string>> &eintraege, bool ende = true)
{
    Bytes b;
    auto put = [&](LONG id, const std::string &name, char fill) {
        for (int i = 0; i < 4; ++i) b.push_back((UBYTE)((ULONG)id >> (8 * i)));
        std::string n = name;
        n.resize(79, fill);
        b.insert(b.end(), n.begin(), n.end());
        b.push_back(0);
    };
    for (const auto &[id, name] : eintraege) put(id, name, 0);
    if (ende) put(-1, "", ' ');
    return b;
}

// A town file of the given size whose head carries distinct values.
Bytes StadtBytes(const std::string &name, ULONG id, ULONG x, ULONG y, size_t groesse, bool hauptstadt = false)
{
    Stadt t;
    std::memset(&t, 0, sizeof t);
    t.Hauptstadt = hauptstadt;
    t.Level = 2;
    t.StadtID = id;
    t.XPos = x;
    t.YPos = y;
    t.StadtVolk = 4321;
    std::strncpy(t.Stadtname, name.c_str(), 79);
    for (int i = 0; i < STADT_SLOTS; ++i) t.GebaeudeAbhaengigkeiten[i].GebaeudeID = (UWORD)(i + 1);
    Bytes b(STADT_BYTES);
    EncodeStadt(&t, b.data());
    b.resize(groesse, 0xEE);
    return b;
}

class Staedte : public testing::Test {
protected:
    vektest::ScratchDir dir;
    st_PlayerInfo alt = PlayerInfo;
    void SetUp() override
    {
        vektest::MakeDirs("Data/Cities");
        vektest::SchreibeVorlage(vektest::StandardSlots());
        vektest::SchreibeMref(CAP_X, CAP_Y);
        WuerfelSeed(3);
    }
    void TearDown() override { PlayerInfo = alt; }
    void Liste(const std::vector<std::pair<LONG, std::string>> &e, bool ende = true)
    {
        vektest::WriteBytes("Data/Cities/Town.list", ListBytes(e, ende));
        for (const auto &[id, name] : e)
            if (!vektest::Exists("Data/Cities/" + name + ".vek"))
                vektest::WriteBytes("Data/Cities/" + name + ".vek", StadtBytes(name, (ULONG)id, 10, 10, STADT_BYTES));
    }
};

TEST(StadtCodec, FieldsLieAtTheirOffsetsLittleEndian)
{
    Stadt t;
    std::memset(&t, 0, sizeof t);
    t.Hauptstadt = 1;
    t.Event = 0x0203;
    t.TownChanged = 0x04050607;
    t.Level = 0x0809;
    t.StadtID = 0x0A0B0C0D;
    t.XPos = 12799;
    t.YPos = 6399;
    t.StadtVolk = 0x11223344;
    std::strcpy(t.Stadtname, "Demoburg");
    GebaeudeAbhaengigkeiten &s = t.GebaeudeAbhaengigkeiten[234];
    s.GfxBitfeld = 0x1A1B;
    s.Volk = 0x2A2B2C2D;
    s.GebaeudeID = 235;
    s.GebaeudeDaten.Hoehe = 0x3A3B;
    s.GebaeudeForschung.Theologie = 0x4A;
    s.AndereGebaeude.OtherID7 = 0x5A5B;
    s.AntiGebaeude.NotID8 = 0x6A6B;
    t.ArmeeVolk = 0x71727374;
    t.AusgehobeneKarawanen = 0x8182;
    Bytes b(STADT_BYTES);
    EncodeStadt(&t, b.data());
    const size_t slot = 116 + 234 * 60;
    const struct {
        size_t at;
        std::vector<UBYTE> bytes;
    } golden[] = {
        {0, {1, 0, 0, 0, 3, 2}},        {8, {7, 6, 5, 4}},        {18, {9, 8, 0x0D, 0x0C, 0x0B, 0x0A}},
        {24, {0xFF, 0x31, 0, 0}},       {28, {0xFF, 0x18, 0, 0}}, {32, {0x44, 0x33, 0x22, 0x11}},
        {36, {'D', 'e', 'm', 'o', 'b', 'u', 'r', 'g', 0}},
        {slot, {0x1B, 0x1A, 0x2D, 0x2C, 0x2B, 0x2A}},             {slot + 8, {235, 0}},
        {slot + 20, {0x3B, 0x3A}},      {slot + 28, {0x4A, 0}},   {slot + 42, {0x5B, 0x5A}},
        {slot + 58, {0x6B, 0x6A}},      {14216, {0x74, 0x73, 0x72, 0x71}},
        {14226, {0x82, 0x81}},
    };
    for (const auto &g : golden) {
        SCOPED_TRACE(g.at);
        EXPECT_EQ(Bytes(b.begin() + (long)g.at, b.begin() + (long)(g.at + g.bytes.size())), g.bytes);
    }
    Stadt zurueck;
    DecodeStadt(b.data(), &zurueck);
    EXPECT_EQ(std::memcmp(&zurueck, &t, sizeof t), 0);

    // A name that fills all 80 bytes comes back cut at 79 and terminated.
    std::memset(b.data() + 36, 'x', 80);
    DecodeStadt(b.data(), &zurueck);
    EXPECT_EQ(std::strlen(zurueck.Stadtname), 79u);

    TownList e{0x01020304, "Nord heim"};
    UBYTE l[TOWNLIST_BYTES];
    EncodeTownList(&e, l);
    EXPECT_EQ(Bytes(l, l + 8), (Bytes{4, 3, 2, 1, 'N', 'o', 'r', 'd'}));
    TownList f;
    DecodeTownList(l, &f);
    EXPECT_EQ(+f.TownID, +e.TownID);
    EXPECT_STREQ(f.TownName, "Nord heim");
}

TEST(StadtNamen, FormsAndEvents)
{
    char n[80] = "New York City";
    StadtNameConvert(n);
    EXPECT_STREQ(n, "New_York_City");
    StadtNameDeconvert(n);
    EXPECT_STREQ(n, "New York City");
    for (UWORD v : {0x00, 0x01, 0x02, 0x2A, 0x3F}) EXPECT_EQ(StadtEvent2UWORD(UWORD2StadtEvent(v)), v);
    EXPECT_TRUE(UWORD2StadtEvent(STADTEVENT_REBELLION).Rebellion);
}

TEST_F(Staedte, WithoutAListTheCapitalIsFounded)
{
    Stadt *t = GetActiveTown(-2);
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t->Stadtname, "NewTown");
    EXPECT_EQ(+t->StadtID, 0u);
    EXPECT_EQ(+t->Hauptstadt, 1);
    EXPECT_EQ(+t->XPos, CAP_X);
    EXPECT_EQ(+t->YPos, CAP_Y);
    EXPECT_TRUE(t->Event & STADTEVENT_NEWTOWN);
    for (int slot = 0; slot < STADT_SLOTS; ++slot) {
        const bool gebaut = t->GebaeudeAbhaengigkeiten[slot].GfxBitfeld & GFX_THISIMAGEISSET;
        EXPECT_EQ(gebaut, slot == 0 || slot == 14 || slot == 15) << slot;
    }
    FreeVec(t);
    EXPECT_EQ(vektest::ReadBytes("Data/Cities/Town.list"), ListBytes({{0, "NewTown"}}));
    EXPECT_EQ(vektest::ReadBytes("Data/Cities/Town.list").size(), 168u);
    EXPECT_EQ(vektest::ReadBytes("Data/Cities/NewTown.vek").size(), STADT_BYTES);
}

TEST_F(Staedte, NewTownsTakeTheLastIdPlusOneAndTheFirstFreeName)
{
    struct Fall {
        const char *name;
        std::vector<std::pair<LONG, std::string>> liste;
        std::vector<std::string> belegt;
        ULONG id;
        const char *stadt;
    } faelle[] = {
        {"only the end entry", {}, {}, 0, "NewTown.0"},
        {"last id, not the largest", {{3, "A"}, {7, "B"}, {5, "C"}}, {}, 6, "NewTown.0"},
        {"a name in use", {{0, "A"}}, {"NewTown.0"}, 1, "NewTown.1"},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        vektest::ScratchDir inner;
        SetUp();
        Liste(f.liste);
        for (const std::string &b : f.belegt) vektest::WriteBytes("Data/Cities/" + b + ".vek", Bytes(10, 0));
        Stadt *t = GetActiveTown(-1);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(+t->StadtID, +f.id);
        EXPECT_STREQ(t->Stadtname, f.stadt);
        EXPECT_EQ(+t->Hauptstadt, 0);
        FreeVec(t);
        auto neu = f.liste;
        neu.push_back({(LONG)f.id, f.stadt});
        EXPECT_EQ(vektest::ReadBytes("Data/Cities/Town.list"), ListBytes(neu));
    }
}

TEST_F(Staedte, AllTenNewTownNamesTakenFoundsNothing)
{
    Liste({{0, "A"}});
    for (int n = 0; n < 10; ++n)
        vektest::WriteBytes("Data/Cities/NewTown." + std::to_string(n) + ".vek", Bytes(STADT_BYTES, 0));
    EXPECT_EQ(GetActiveTown(-1), nullptr);
    EXPECT_EQ(vektest::ReadBytes("Data/Cities/Town.list"), ListBytes({{0, "A"}}));
}

TEST_F(Staedte, CapitalIsFoundWhateverItsId)
{
    Liste({{4, "A"}, {9, "B"}});
    vektest::WriteBytes("Data/Cities/B.vek", StadtBytes("B", 9, 30, 40, STADT_BYTES, true));
    Stadt *t = GetActiveTown(-2);
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t->Stadtname, "B");
    EXPECT_EQ(+PlayerInfo.AktStadtID, 9u);
    FreeVec(t);
}

TEST_F(Staedte, RecordsOfTheWrongSizeAreRebuilt)
{
    struct Fall {
        const char *name;
        size_t groesse;
        bool behaeltPosition;
    } faelle[] = {{"one byte short", 14227, true}, {"one byte long", 14229, true}, {"only a head", 20, false}};
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        vektest::ScratchDir inner;
        SetUp();
        Liste({{0, "A"}, {5, "Burg"}});
        vektest::WriteBytes("Data/Cities/Burg.vek", StadtBytes("Burg", 5, 300, 200, f.groesse));
        vektest::WriteBytes("Data/Cities/Burg.image", Bytes(5, 1));
        vektest::SchreibeGebaeude({vektest::Bau(118, 5), vektest::Bau(20, 4)});
        Stadt *t = GetActiveTown(5);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(+t->StadtID, 5u);
        EXPECT_EQ(+t->XPos, f.behaeltPosition ? 300u : 0u);
        EXPECT_EQ(+t->StadtVolk, f.behaeltPosition ? 4321u : 0u);
        // The template again, with the buildings of its town and their chain.
        for (int slot = 0; slot < STADT_SLOTS; ++slot) {
            const bool gebaut = t->GebaeudeAbhaengigkeiten[slot].GfxBitfeld & GFX_THISIMAGEISSET;
            EXPECT_EQ(gebaut, slot == 2 || slot == 58 || slot == 118 || slot == 182) << slot;
        }
        FreeVec(t);
        EXPECT_EQ(vektest::ReadBytes("Data/Cities/Burg.vek").size(), STADT_BYTES);
        EXPECT_FALSE(vektest::Exists("Data/Cities/Burg.image"));
    }
}

TEST_F(Staedte, RenamingAnUnnamedTown)
{
    Liste({{0, "Demoburg"}, {1, "NewTown.0"}});
    vektest::WriteBytes("Data/Cities/NewTown.0.image", Bytes(3, 7));
    struct Fall {
        const char *name;
        ULONG id;
        BOOL ok;
        int nameAbgelehnt;  // the name itself was refused, not the renaming
    } abgelehnt[] = {
        {"", 1, 0, 1},         {"   ", 1, 0, 1},        {"a/b", 1, 0, 1},      {"a\\b", 1, 0, 1},
        {".x", 1, 0, 1},       {"tab\there", 1, 0, 1},  {"NewTown.5", 1, 0, 1}, {"Demoburg", 1, 0, 1},
        {"Ganz neu", 0, 0, 0},
    };
    for (const Fall &f : abgelehnt) {
        SCOPED_TRACE(f.name);
        char name[100];
        std::strcpy(name, f.name);
        int nameAbgelehnt = -1;
        EXPECT_EQ(ChangeTownName(f.id, name, &nameAbgelehnt), +f.ok);
        EXPECT_EQ(nameAbgelehnt, f.nameAbgelehnt);
    }
    EXPECT_EQ(vektest::ReadBytes("Data/Cities/Town.list"), ListBytes({{0, "Demoburg"}, {1, "NewTown.0"}}));

    char name[100] = "New York";
    ASSERT_TRUE(ChangeTownName(1, name));
    EXPECT_STREQ(name, "New_York");
    EXPECT_EQ(vektest::ReadBytes("Data/Cities/Town.list"), ListBytes({{0, "Demoburg"}, {1, "New_York"}}));
    EXPECT_FALSE(vektest::Exists("Data/Cities/NewTown.0.vek"));
    EXPECT_EQ(vektest::ReadBytes("Data/Cities/New_York.image"), Bytes(3, 7));
    Stadt *t = GetActiveTown(1);
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t->Stadtname, "New_York");
    EXPECT_FALSE(t->Event & STADTEVENT_NEWTOWN);
    FreeVec(t);
    char nochmal[100] = "Boston";
    int nameAbgelehnt = -1;
    EXPECT_FALSE(ChangeTownName(1, nochmal, &nameAbgelehnt));  // named once already
    EXPECT_EQ(nameAbgelehnt, 0);

    char *puffer = CreateStadtListBuffer();
    ASSERT_NE(puffer, nullptr);
    EXPECT_STREQ(puffer, "Demoburg");
    EXPECT_STREQ(puffer + 80, "New York");
    FreeVec(puffer);
}

TEST_F(Staedte, HostileListsAndTemplates)
{
    struct Fall {
        const char *name;
        Bytes liste;
        ULONG namen;
        ULONG neueId;
    } faelle[] = {
        {"empty", {}, 0, 0},
        {"a partial entry", Bytes(50, 0x41), 0, 0},
        {"two bytes too many", [] {
             Bytes b = ListBytes({{5, "A"}});
             b.push_back(1), b.push_back(2);
             return b;
         }(), 1, 6},
        {"no end entry", ListBytes({{5, "A"}, {6, "B"}}, false), 2, 7},
        {"name without its NUL", [] {
             Bytes b = ListBytes({{5, "A"}});
             std::memset(b.data() + 4, 'n', 80);
             return b;
         }(), 1, 6},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        vektest::ScratchDir inner;
        SetUp();
        vektest::WriteBytes("Data/Cities/Town.list", f.liste);
        char *puffer = CreateStadtListBuffer();
        ASSERT_NE(puffer, nullptr);
        for (ULONG i = 0; i < f.namen; ++i) EXPECT_LE(std::strlen(puffer + 80 * i), 79u);
        FreeVec(puffer);
        Stadt *t = GetActiveTown(-1);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(+t->StadtID, +f.neueId);
        FreeVec(t);
        // The list comes out whole: the new town and its end entry.
        ULONG n = 0;
        int endeFehlt = 1;
        TownList *l = LadeTownList(&n, &endeFehlt);
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(n, f.namen + 1);
        EXPECT_FALSE(endeFehlt);
        EXPECT_EQ(vektest::ReadBytes("Data/Cities/Town.list").size(), (n + 1) * TOWNLIST_BYTES);
        FreeVec(l);
    }

    // A template with more records than slots fills the 235 and no more.
    auto viele = vektest::StandardSlots();
    viele.resize(300, viele[0]);
    vektest::SchreibeVorlage(viele);
    Stadt *t = CreateTown("Gross", 0);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(+t->GebaeudeAbhaengigkeiten[234].GebaeudeID, 235);
    FreeVec(t);
    EXPECT_FALSE(vektest::Exists("Data/Cities/Gross.vek"));  // not a new town: not written
}

TEST_F(Staedte, WithoutATemplateNoTownIsMadeAndNothingFreedTwice)
{
    std::remove("Data/screendat/Info_Stadt.dat");
    // The town given up inside is not handed out as well.
    EXPECT_EQ(CreateTown("Ohne", 3), nullptr);
    EXPECT_EQ(GetActiveTown(-1), nullptr);
    EXPECT_FALSE(vektest::Exists("Data/Cities/Ohne.vek"));
}

TEST_F(Staedte, RandomSceneryOnlyWhereTheTownStands)
{
    auto slots = vektest::StandardSlots();
    for (int s = 30; s < 50; ++s) slots[(size_t)s].GfxBitfeld = GFX_DUMMYGRAFIK;
    slots[60].GfxBitfeld = GFX_DUMMYGRAFIK;  // level 2
    slots[31].Volk = 100;                    // needs people
    vektest::SchreibeVorlage(slots);
    int gesetzt = 0;
    for (unsigned seed = 1; seed <= 5; ++seed) {
        WuerfelSeed(seed);
        Stadt *t = CreateTown("Dorf", 0);
        ASSERT_NE(t, nullptr);
        for (int s = 0; s < STADT_SLOTS; ++s) {
            const bool gebaut = t->GebaeudeAbhaengigkeiten[s].GfxBitfeld & GFX_THISIMAGEISSET;
            if (s < 30 || s >= 50 || s == 31) {
                EXPECT_FALSE(gebaut) << s;
            }
            gesetzt += gebaut;
        }
        FreeVec(t);
    }
    EXPECT_GT(gesetzt, 20);
    EXPECT_LT(gesetzt, 75);
}

}  // namespace

// The list is written into the towns' folder, made first where it is
// missing; where it stands, nothing is reported as failed.
TEST(StadtListe, WrittenWithAndWithoutItsFolder)
{
    vektest::ScratchDir dir;
    vektest::MakeDirs("Data");
    TownList e{};
    e.TownID = 1;
    std::snprintf(e.TownName, sizeof e.TownName, "Demoburg");
    for (const char *fall : {"missing", "standing"}) {
        SCOPED_TRACE(fall);
        vektest::StdoutCapture out;
        EXPECT_TRUE(SpeichereTownList(&e, 1));
        EXPECT_EQ(out.Take().find("nicht anlegen"), std::string::npos);
        EXPECT_EQ(vektest::ReadBytes("Data/Cities/Town.list").size(), 2u * TOWNLIST_BYTES);
    }
}
