// What befalls the realm after a turn: the story chosen, the towns, grain,
// trust and gold changed on the way, and the story's consequence afterwards.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "common/gamefixture.h"
#include "common/testutil.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/store.h"
#include "town/residenz.h"
#include "world/towns.h"

namespace {

using vektest::Bytes;

std::deque<ULONG> dice;
// The queued rolls, then the highest a roll can give.
ULONG NextRoll(ULONG n)
{
    if (dice.empty()) return n;
    const ULONG v = dice.front();
    dice.pop_front();
    return v;
}

std::vector<std::string> messages, texts, asked;
LONG chooseAnswer = -1;
std::string chooseLines;
LONG askAnswer = 0;

struct TownAt {
    const char *name;
    ULONG volk = 0;
    std::vector<int> built = {};
    UWORD x = 10, y = 20;
    UWORD event = 0;
};

// A TOWN chunk of version V001 with the given names; count and length may lie.
Bytes TownChunk(const std::vector<std::string> &names, long anzahl = -1, long length = -1)
{
    Bytes b(sizeof(st_TOWN) + names.size() * sizeof(st_TOWN_EXT), 0);
    st_TOWN h{};
    h.Head.ChunkID = ID_TOWN;
    h.Head.Version = VERSION_V001;
    h.Head.Length = length >= 0 ? (ULONG)length : (ULONG)(b.size() - 12);
    h.Anzahl = (UWORD)(anzahl >= 0 ? anzahl : (long)names.size());
    std::memcpy(b.data(), &h, sizeof h);
    for (size_t i = 0; i < names.size(); ++i) {
        st_TOWN_EXT e{};
        e.XPos = 10, e.YPos = 20;
        std::memcpy(e.Name, names[i].data(), std::min<size_t>(names[i].size(), 80));
        std::memcpy(b.data() + sizeof h + i * sizeof e, &e, sizeof e);
    }
    return b;
}

class Nachwehen : public testing::Test {
public:
    vektest::ScratchDir dir;
    st_PlayerInfo alt = PlayerInfo;
    ResidenzDialogs altDialogs = ResidenzDialogHooks;
    ULONG (*altWuerfel)(ULONG) = RoredIdezWuerfelHook;

    void SetUp() override
    {
        vektest::MakeDirs("Data/Cities");
        vektest::MakeDirs("Data/POP3In");
        vektest::MakeDirs("Data/POP3Out");
        vektest::SchreibeVorlage(vektest::StandardSlots());
        dice.clear();
        messages.clear(), texts.clear(), asked.clear();
        chooseAnswer = -1, askAnswer = 0;
        RoredIdezWuerfelHook = NextRoll;
        ResidenzDialogHooks = {[](const char *t) { asked.push_back(t); return askAnswer; },
                               [](const char *t) { messages.push_back(t); },
                               [](const char *t) { texts.push_back(t); return (LONG)1; },
                               [](const char *, const char *lines, UWORD n) {
                                   chooseLines.assign(lines, (size_t)n * 80);
                                   return chooseAnswer;
                               }};
        PlayerInfo.Spielstopp = 0, PlayerInfo.Event = 0, PlayerInfo.AktStadtID = 0;
        // A realm past its first days: the first-day story and the guide are told, no dice of danger.
        for (ULONG s : {1, 7, 8, 9, 10, 11, 12, 17}) Told(s);
        Pref(27, 10);
        Towns({{"Demoburg"}});
        Land(50, 0);
    }
    void TearDown() override
    {
        PlayerInfo = alt;
        ResidenzDialogHooks = altDialogs;
        RoredIdezWuerfelHook = altWuerfel;
    }
    static void Pref(UWORD id, ULONG v) { ASSERT_TRUE(CheckPrefsWrite(id, v)); }
    static void Told(ULONG s) { ASSERT_TRUE(RoredIdezPrefsWrite((UWORD)(s + 1), 1)); }
    static ULONG Story() { return RoredIdezPrefs(0, PREFS_READ, 0); }
    static bool Flag(ULONG s) { return RoredIdezPrefs((UWORD)(s + 1), PREFS_READ, 0) == 1; }
    static std::string TownName()
    {
        char *t = RoredIdezPrefsReadText(46);
        std::string s = t ? t : "";
        FreeVec(t);
        return s;
    }
    // Town files, the town list (first town active) and the outgoing TOWN chunk.
    void Towns(const std::vector<TownAt> &towns)
    {
        std::vector<TownList> list;
        std::vector<std::string> names;
        for (size_t i = 0; i < towns.size(); ++i) {
            Stadt *t = CreateTown(towns[i].name, 0);
            ASSERT_NE(t, nullptr);
            t->StadtID = (ULONG)i;
            t->StadtVolk = towns[i].volk;
            t->XPos = towns[i].x, t->YPos = towns[i].y;
            t->Event = towns[i].event;
            for (int s : towns[i].built) t->GebaeudeAbhaengigkeiten[s].GfxBitfeld |= GFX_THISIMAGEISSET;
            ASSERT_TRUE(SpeichereStadt(t));
            FreeVec(t);
            TownList e{};
            e.TownID = (LONG)i;
            std::strcpy(e.TownName, towns[i].name);
            list.push_back(e);
            names.push_back(towns[i].name);
        }
        ASSERT_TRUE(SpeichereTownList(list.data(), (ULONG)list.size()));
        Bytes c = TownChunk(names);
        vektest::InsPool(c.data(), POOL_OUT);
    }
    static void Land(ULONG vertrauen, UWORD punkte, ULONG gold = 0, const char *pool = POOL_IN)
    {
        st_LAND l = vektest::LandChunk(1000, 10, 0);
        l.Vertrauen = vertrauen, l.Reichspunkte = punkte, l.AnzGold = gold;
        vektest::InsPool(&l, pool);
    }
    static void Korn(UWORD quartal, ULONG saat, ULONG verrottet, const char *pool)
    {
        st_KORN k = vektest::KornChunk(1, saat, 0, 0);
        k.Quartal = quartal, k.KornVerrottet = verrottet;
        vektest::InsPool(&k, pool);
    }
    static UWORD EventOf(const char *name)
    {
        const Bytes b = vektest::ReadBytes(std::string("Data/Cities/") + name + ".vek");
        return b.size() == STADT_BYTES ? (UWORD)(b[4] | b[5] << 8) : 0xFFFF;
    }
    template <class T> static T Loaded(ULONG id, const char *pool)
    {
        T c{};
        T *p = (T *)LoadChunk2Mem(id, pool);
        if (p) c = *p;
        FreeVec(p);
        return c;
    }
};

TEST_F(Nachwehen, StorySteps)
{
    struct Fall {
        const char *name;
        std::function<void(Nachwehen &)> setup;
        LONG result;
        ULONG story;
    };
    const auto disease = [](ULONG volk, std::vector<int> built) {
        return [=](Nachwehen &t) {
            Pref(27, 0), Pref(32, 2), Pref(34, 0);  // 2: smallpox
            t.Towns({{"Demoburg", volk, built}});
            Land(50, 0);
        };
    };
    const Fall faelle[] = {
        {"a new game tells the first day whatever the dice",
         [](Nachwehen &t) {
             ASSERT_TRUE(RoredIdezPrefsWrite(2, 0));
             Pref(27, 0), Pref(32, 2);
             t.Towns({{"Demoburg", 900000}});
         },
         505, 1},
        {"dice 27 of 10 hold back disease and drought",
         [](Nachwehen &t) {
             Pref(27, 10), Pref(32, 2);
             t.Towns({{"Demoburg", 900000}});
             Land(50, 0);
         },
         -1, 0},
        {"a drought outside quarter 1 passes", [](Nachwehen &) { Pref(27, 0), Pref(32, 5), Korn(2, 7, 0, POOL_IN); },
         -1, 0},
        {"smallpox spares 200,000", disease(200000, {}), -1, 0},
        {"smallpox strikes 200,001", disease(200001, {}), 505, 23},
        {"the clinic without the grave yard does not help", disease(300000, {78}), 505, 23},
        {"clinic and grave yard keep it out", disease(300000, {21, 78}), -1, 0},
        {"a town sick already is not struck again",
         [](Nachwehen &t) {
             Pref(27, 0), Pref(32, 2);
             t.Towns({{"Demoburg", 900000, {}, 10, 20, STADTEVENT_BLATTERN}});
             Land(50, 0);
         },
         -1, 0},
        {"consumption by dice 32 = 4", [](Nachwehen &t) { Pref(27, 0), Pref(32, 4); t.Towns({{"Demoburg", 50001}}); Land(50, 0); },
         505, 26},
        {"a battle lost: town occupied",
         [](Nachwehen &) {
             Bytes k(sizeof(st_KRIG) + 2 * sizeof(st_KRIG_EXT), 0);
             st_KRIG h{{ID_KRIG, VERSION_V001, (ULONG)(k.size() - 12)}, 2};
             std::memcpy(k.data(), &h, sizeof h);
             st_KRIG_EXT e{};
             e.Result = 3;
             std::memcpy(k.data() + sizeof h + sizeof e, &e, sizeof e);
             vektest::InsPool(k.data(), POOL_IN);
         },
         505, 15},
        {"the guide's next untold chapter", [](Nachwehen &) { ASSERT_TRUE(RoredIdezPrefsWrite(11, 0)); }, 505, 10},
        {"the rare game story on a roll of 1", [](Nachwehen &) { ASSERT_TRUE(RoredIdezPrefsWrite(18, 0)); dice = {1}; },
         505, 17},
        {"luxury goods in a realm of one town",
         [](Nachwehen &t) {
             t.Towns({{"Demoburg"}});
             dice = {50, 5};
         },
         505, 22},
        {"luxury goods never in a realm of two towns",
         [](Nachwehen &t) {
             t.Towns({{"Demoburg"}, {"Zweitburg"}});
             dice = {50, 0};
         },
         -1, 0},
        {"folio: research 2 with 27 and 28 told",
         [](Nachwehen &) {
             Told(27), Told(28);
             st_FORS *f = (st_FORS *)AllocChunk(CN_FORS, 0, 1);
             f->Naturkunde = 2;
             vektest::InsPool(f, POOL_IN);
             FreeChunk(f);
         },
         505, 29},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        vektest::ScratchDir eigen;
        SetUp();
        f.setup(*this);
        EXPECT_EQ(CheckRoredIdezEvents(), f.result);
        EXPECT_EQ(Story(), f.story);
        if (f.story) {
            EXPECT_TRUE(Flag(f.story));
        }
    }
}

TEST_F(Nachwehen, DiseaseMarksTheTownFileAndNamesIt)
{
    Pref(27, 3), Pref(32, 7), Pref(34, 1);  // 7 mod 4 = 3: plague; town 1 of 2
    Towns({{"Altburg", 900000}, {"Demoburg", 400001, {21}}});
    Land(50, 0);
    EXPECT_EQ(CheckRoredIdezEvents(), 505);
    EXPECT_EQ(Story(), 25u);
    EXPECT_EQ(EventOf("Demoburg"), STADTEVENT_PEST);
    EXPECT_EQ(EventOf("Altburg"), 0);
    EXPECT_EQ(TownName(), "Demoburg");
    // The story file: the number at byte 12 (32 bits), the plague's flag (ID 26)
    // at byte 42 (IDs 13 on start at 29), the name at 62.
    const Bytes bt = vektest::ReadBytes("Data/BTPrefs.vek");
    ASSERT_EQ(bt.size(), BTPREFS_FILE_SIZE);
    EXPECT_EQ(Bytes(bt.begin() + 12, bt.begin() + 16), (Bytes{25, 0, 0, 0}));
    EXPECT_EQ(bt[42], 1);
    EXPECT_EQ(std::string((const char *)bt.data() + 62), "Demoburg");
}

TEST_F(Nachwehen, DroughtRotsHalfTheSeed)
{
    Pref(27, 0), Pref(32, 10);
    Korn(1, 7, 100, POOL_OUT);
    EXPECT_EQ(CheckRoredIdezEvents(), 505);
    EXPECT_EQ(Story(), 14u);
    const auto k = Loaded<st_KORN>(ID_KORN, POOL_OUT);
    EXPECT_EQ(+k.Saatlager, 3u);
    EXPECT_EQ(+k.KornVerrottet, 103u);
    // The file holds it big-endian like every chunk: 3 at offset 18 of the chunk.
    const Bytes pool = vektest::ReadBytes(POOL_OUT);
    const std::string s(pool.begin(), pool.end());
    const size_t at = s.find("KORN");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(Bytes(pool.begin() + at + 18, pool.begin() + at + 22), (Bytes{0, 0, 0, 3}));
    EXPECT_EQ(Bytes(pool.begin() + at + 52, pool.begin() + at + 56), (Bytes{0, 0, 0, 103}));
}

TEST_F(Nachwehen, Rebellion)
{
    struct Fall {
        const char *name;
        ULONG vertrauen;
        std::vector<vektest::ArmeeAuf> armeen;  // empty: no ARMY chunk
        std::vector<int> built;
        ULONG story;
        ULONG vertrauenDanach;
        UWORD event;
    } faelle[] = {
        {"no ARMY: the town rebels, trust 35 -> 10", 35, {}, {}, 21, 10, STADTEVENT_REBELLION},
        {"trust 34 stays after a rebellion", 34, {}, {}, 21, 34, STADTEVENT_REBELLION},
        {"1,499 men do not hold it", 50, {{10, 20, {1000, 499}}, {11, 20, {5000}}}, {}, 21, 25, STADTEVENT_REBELLION},
        {"1,500 men avert it, trust -10", 50, {{10, 20, {1000, 500}}}, {}, 20, 40, 0},
        {"65,536 men avert it (no 16-bit wrap)", 50, {{10, 20, {65536}}}, {}, 20, 40, 0},
        {"70,000 men avert it", 50, {{10, 20, {30000}}, {10, 20, {40000}}}, {}, 20, 40, 0},
        {"averted with trust 9: trust stays", 9, {{10, 20, {2000}}}, {}, 20, 9, 0},
        {"averted beside a jail: nothing", 50, {{10, 20, {2000}}}, {95}, 0, 50, 0},
        {"a castle keeps the peace", 50, {}, {139}, 0, 50, 0},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        vektest::ScratchDir eigen;
        SetUp();
        Pref(25, 0), Pref(34, 0), Pref(36, 200);
        // f = 0 + trust / 100 + 5 = 5 below 8 towns.
        std::vector<TownAt> towns = {{"Demoburg", 1000, f.built}};
        for (const char *n : {"B", "C", "D", "E", "F", "G", "H"}) towns.push_back({n});
        Towns(towns);
        Land(f.vertrauen, 0);
        if (!f.armeen.empty()) {
            Bytes a = vektest::ArmyChunk(f.armeen);
            vektest::InsPool(a.data(), POOL_OUT);
        }
        EXPECT_EQ(CheckRoredIdezEvents(), f.story ? 505 : -1);
        EXPECT_EQ(Story(), f.story);
        EXPECT_EQ(EventOf("Demoburg"), f.event);
        if (f.story) {
            EXPECT_EQ(+Loaded<st_LAND>(ID_LAND, POOL_OUT).Vertrauen, f.vertrauenDanach);
            EXPECT_EQ(TownName(), "Demoburg");
        } else {
            EXPECT_FALSE(IsChunkPresent(ChunkBit(CN_LAND), POOL_OUT));
        }
    }
}

TEST_F(Nachwehen, BankRobberyReplacesTheRebellionStory)
{
    // 8 towns, f = 1 + 0 + 5 = 6, dice 25 = 1 < 2, dice 36 = 0 < 2.
    Pref(25, 1), Pref(34, 8), Pref(36, 0);
    std::vector<TownAt> towns = {{"Demoburg", 1000, {2}}};
    for (const char *n : {"B", "C", "D", "E", "F", "G", "H"}) towns.push_back({n});
    Towns(towns);
    Land(50, 1, 10000);
    EXPECT_EQ(CheckRoredIdezEvents(), 505);
    EXPECT_EQ(Story(), 13u);
    EXPECT_TRUE(Flag(21));
    EXPECT_TRUE(Flag(13));
    EXPECT_EQ(EventOf("Demoburg"), STADTEVENT_REBELLION);

    // The story's consequence: a quarter of one town's share of the gold.
    EXPECT_EQ(RoredIdezEvents(), 1);
    EXPECT_EQ(+Loaded<st_LAND>(ID_LAND, POOL_OUT).AnzGold, 9688u);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "My lord. The concerned town in this case is  Demoburg!");
}

TEST_F(Nachwehen, NewBuildingsAllFlaggedTheLastTold)
{
    Towns({{"Demoburg", 1000, {25, 26}}});
    EXPECT_EQ(CheckRoredIdezEvents(), 505);
    EXPECT_EQ(Story(), 2u);
    EXPECT_TRUE(Flag(2));
    EXPECT_TRUE(Flag(3));
    // Told once: next turn the port is the only new one.
    Towns({{"Demoburg", 1000, {25, 26, 51}}, {"Zweitburg"}});
    EXPECT_EQ(CheckRoredIdezEvents(), 505);
    EXPECT_EQ(Story(), 6u);
}

TEST_F(Nachwehen, HostileTownChunksSkipTheStep)
{
    struct Fall {
        const char *name;
        Bytes chunk;
    } faelle[] = {
        {"no towns", TownChunk({}, 0)},
        {"count past the length", TownChunk({"Demoburg"}, 3)},
        {"record cut by the length", TownChunk({"Demoburg"}, 1, 50)},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        vektest::ScratchDir eigen;
        SetUp();
        Pref(27, 0), Pref(32, 2), Pref(34, 5);
        Towns({{"Demoburg", 900000}});
        vektest::InsPool(f.chunk.data(), POOL_OUT);
        Land(50, 0);
        EXPECT_EQ(CheckRoredIdezEvents(), 0);
        EXPECT_EQ(Story(), 0u);
        EXPECT_EQ(EventOf("Demoburg"), 0);
    }
}

TEST_F(Nachwehen, NameWithoutItsEndIsCutAt79)
{
    Pref(27, 0), Pref(32, 2), Pref(34, 0);
    const std::string lang(80, 'x');
    Bytes c = TownChunk({lang});
    vektest::InsPool(c.data(), POOL_OUT);
    Land(50, 0);
    // No town of that name: the step is given up, nothing read past the name.
    EXPECT_EQ(CheckRoredIdezEvents(), 0);
    Stadt *t = CreateTown(lang.substr(0, 79).c_str(), 0);
    ASSERT_NE(t, nullptr);
    t->StadtVolk = 300000;
    ASSERT_TRUE(SpeichereStadt(t));
    FreeVec(t);
    EXPECT_EQ(CheckRoredIdezEvents(), 505);
    EXPECT_EQ(Story(), 23u);
}

TEST_F(Nachwehen, FailedTownWriteSelectsNothing)
{
    struct Fall {
        const char *name;
        ULONG p25, p32;
    } faelle[] = {
        {"disease", 200, 2},
        {"rebellion", 0, 0},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        vektest::ScratchDir eigen;
        SetUp();
        Pref(27, f.p32 ? 0 : 10), Pref(32, f.p32), Pref(34, 0), Pref(25, f.p25), Pref(36, 200);
        std::vector<TownAt> towns = {{"Demoburg", 900000}};
        for (const char *n : {"B", "C", "D", "E", "F", "G", "H"}) towns.push_back({n});
        Towns(towns);
        Land(50, 0);
        // The record inside names no file it could be written to.
        Bytes b = vektest::ReadBytes("Data/Cities/Demoburg.vek");
        ASSERT_EQ(b.size(), STADT_BYTES);
        std::memcpy(b.data() + 36, "Demo/burg", 10);
        vektest::WriteBytes("Data/Cities/Demoburg.vek", b);
        EXPECT_EQ(CheckRoredIdezEvents(), 0);
        EXPECT_EQ(Story(), 0u);
        EXPECT_FALSE(Flag(21));
        EXPECT_FALSE(Flag(23));
        EXPECT_EQ(EventOf("Demoburg"), 0);
        EXPECT_FALSE(IsChunkPresent(ChunkBit(CN_LAND), POOL_OUT));
    }
}

TEST_F(Nachwehen, Consequences)
{
    Towns({{"Demoburg"}});
    ASSERT_TRUE(RoredIdezPrefsWriteText(46, "Demoburg"));
    struct Fall {
        const char *name;
        ULONG story;
        LONG choose;
        ULONG pref14;
        size_t messages;
    } faelle[] = {
        {"luxury: the 16th ware chosen", 22, 15, 97, 0},
        {"luxury: the first ware", 22, 0, 82, 0},
        {"luxury: cancelled changes nothing", 22, -1, 0, 0},
        {"rebellion names the town", 21, -1, 0, 1},
        {"a disease names the town", 26, -1, 0, 1},
        {"a folio story has no consequence", 27, -1, 0, 0},
        {"the drought has none", 14, -1, 0, 0},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        messages.clear();
        chooseLines.clear();
        Pref(14, 0);
        chooseAnswer = f.choose;
        ASSERT_TRUE(RoredIdezPrefsWrite(0, f.story));
        EXPECT_EQ(RoredIdezEvents(), 1);
        EXPECT_EQ(CheckPrefs(14, PREFS_READ, 0), f.pref14);
        EXPECT_EQ(messages.size(), f.messages);
        if (f.story == 22) {
            ASSERT_EQ(chooseLines.size(), 16u * 80);
            EXPECT_STREQ(chooseLines.c_str(), "Balm");
            EXPECT_STREQ(chooseLines.c_str() + 15 * 80, "Sugar");
        }
    }
}

TEST_F(Nachwehen, RobberyWithoutTownsKeepsTheGold)
{
    ASSERT_TRUE(RemChunkPool(ID_TOWN, POOL_OUT));
    Land(50, 0, 10000);
    ASSERT_TRUE(RoredIdezPrefsWrite(0, 13));
    ASSERT_TRUE(RoredIdezPrefsWriteText(46, "Demoburg"));
    EXPECT_EQ(RoredIdezEvents(), 1);
    EXPECT_EQ(+Loaded<st_LAND>(ID_LAND, POOL_IN).AnzGold, 10000u);
    EXPECT_FALSE(IsChunkPresent(ChunkBit(CN_LAND), POOL_OUT));
    EXPECT_EQ(messages.size(), 1u);
    // Without any LAND the story cannot run.
    vektest::ScratchDir leer;
    vektest::MakeDirs("Data");
    ASSERT_TRUE(RoredIdezPrefsWrite(0, 13));
    EXPECT_EQ(RoredIdezEvents(), 0);
}

TEST_F(Nachwehen, AfterTheTurn)
{
    struct Fall {
        const char *name;
        ULONG vertrauen;
        ULONG spielstopp;
        UWORD event;
        LONG next;
        ULONG spielstoppDanach;
    } faelle[] = {
        {"trust 10: the bard's check", 10, 0, 0, 505, 0},
        {"trust 9: anarchy", 9, 0, 0, 499, 1},
        {"no towns left: anarchy", 50, 2, 0, 499, 2},
        {"coronation due", 50, 0, 1, 876, 0},
        {"an unclean last run: the bard's check", 50, 0, 2, 505, 0},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        vektest::ScratchDir eigen;
        SetUp();
        ASSERT_TRUE(RoredIdezPrefsWrite(2, 0));  // the first day is due: the check shows
        Land(f.vertrauen, 0);
        PlayerInfo.Spielstopp = f.spielstopp;
        PlayerInfo.Event = f.event;
        EXPECT_EQ(ResidenzEvents(), f.next);
        EXPECT_EQ(PlayerInfo.Spielstopp, f.spielstoppDanach);
    }
}

}  // namespace
