// The battle news without a screen: army.csv (golden, and from the demo set),
// the letters' words and bodies, the category index wrap, the map view's
// block and the detail view's counters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/testutil.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "realm/schlacht.h"
#include "store/chunks.h"
#include "store/store.h"

using namespace vektest;

namespace {

constexpr ULONG OWN = 7, ENEMY = 8;

st_KRIG_EXT Battle(ULONG result, ULONG attacker, ULONG defender, ULONG x = 121, ULONG y = 58)
{
    st_KRIG_EXT k{};
    k.Length = 68;
    k.Angreifer.SpielerID = attacker, k.Verteidiger.SpielerID = defender;
    k.Angreifer.X_Pos = x + 1, k.Angreifer.Y_Pos = y + 1;
    k.Verteidiger.X_Pos = x, k.Verteidiger.Y_Pos = y;
    k.Result = result, k.AngTote = 20, k.AngLebende = 180, k.VerTote = 60, k.VerLebende = 40;
    k.AngErschoepfung = 3, k.VerErschoepfung = 9;
    return k;
}

std::vector<UBYTE> Krig(const std::vector<st_KRIG_EXT> &k, ULONG count = 0xFFFFFFFF)
{
    std::vector<UBYTE> b(sizeof(st_KRIG) + k.size() * sizeof(st_KRIG_EXT));
    st_KRIG head{};
    head.Head.ChunkID = ID_KRIG, head.Head.Version = VERSION_V001;
    head.Head.Length = (ULONG)b.size() - sizeof(st_ChunkHead);
    head.AnzahlKriege = count == 0xFFFFFFFF ? (ULONG)k.size() : count;
    std::memcpy(b.data(), &head, sizeof head);
    if (!k.empty()) std::memcpy(b.data() + sizeof head, k.data(), k.size() * sizeof(st_KRIG_EXT));
    return b;
}

const st_KRIG *K(const std::vector<UBYTE> &b) { return reinterpret_cast<const st_KRIG *>(b.data()); }

const SchlachtNamen kNamen{OWN, "Demoland", nullptr};

TEST(ArmyCsv, LandAndTownBattlesOnlyWithSafeNames)
{
    const std::vector<UBYTE> k = Krig({Battle(1, OWN, 3), Battle(4, 3, OWN, 120, 60), Battle(6, OWN, 3),
                                       Battle(7, OWN, (ULONG)-3)});
    const SchlachtNamen names{OWN, "Demo;land\nX", nullptr};
    const std::string csv = ComposeSchlachtCSV(K(k), names);
    char computer[80] = {};
    GetPlayerName_GetName(3, computer, nullptr);
    const std::string c = computer;
    EXPECT_EQ(csv, "Angreifer;Verteidiger;XPos;YPos;Angreifer Tote;Angreifer Lebende;Angreifer Erschoepfung;"
                   "Verteidiger Tote;Verteidiger Lebende;Verteidiger Erschoepfung;\n"
                   "Attacker;Defender;XPos;YPos;Attacker dead people;Attacker survivors;Attacker fatigue;"
                   "Defender dead people;Defender survivors;Defender fatigue;\n"
                   "Demo land X;" + c + ";121;58;20;180;3;60;40;9;\n" +
                   c + ";Demo land X;120;60;20;180;3;60;40;9;\n");
}

TEST(ArmyCsv, CountsCutToTheChunk)
{
    const std::vector<UBYTE> k = Krig({Battle(0, OWN, 3), Battle(2, 3, OWN)}, 1000);
    EXPECT_EQ(KriegAnzahl(K(k)), 2u);
    const std::string csv = ComposeSchlachtCSV(K(k), kNamen);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 4);
}

class ArmyCsvOnDisk : public ::testing::Test {
protected:
    void SetUp() override { dir_ = std::make_unique<ScratchDir>(); }
    std::unique_ptr<ScratchDir> dir_;
};

TEST_F(ArmyCsvOnDisk, NoKrigWritesNothingAndAFileIsReplacedWhole)
{
    MakeDirs("Data/POP3In");
    LokaleDatenNachrichten ld{};
    EXPECT_EQ(CreateSchlachtCVS(&ld), 0);
    EXPECT_FALSE(IsFilePresent(ARMY_CSV));
    PlayerInfo.SpielerID = OWN;
    std::strcpy(PlayerInfo.Spielname, "Demoland");
    WriteText(ARMY_CSV, "old old old old old old old old old");
    const std::vector<UBYTE> k = Krig({Battle(1, OWN, ENEMY)});
    ASSERT_TRUE(AddChunkPool(k.data(), POOL_IN));
    EXPECT_EQ(CreateSchlachtCVS(&ld), 1);
    const Bytes bytes = ReadBytes(ARMY_CSV);
    const std::string file(bytes.begin(), bytes.end());
    EXPECT_NE(file.find("\nDemoland;"), std::string::npos);
    EXPECT_EQ(file.find("old"), std::string::npos);
}

TEST(BattleWords, FatigueAndCasualties)
{
    const struct {
        ULONG e;
        const LocStr *want;
    } fatigue[] = {{3, &_VEK_NACHRICHTEN_LEICHT},
                   {4, &_VEK_NACHRICHTEN_NORMAL},
                   {7, &_VEK_NACHRICHTEN_NORMAL},
                   {8, &_VEK_NACHRICHTEN_HART}};
    for (const auto &f : fatigue) EXPECT_STREQ(KampfWort(f.e), GetString(f.want)) << f.e;
    const struct {
        ULONG d, l;
        const LocStr *want;
    } losses[] = {{0, 0, &_VEK_NACHRICHTEN_KRIEGE5},           {1, 5, &_VEK_NACHRICHTEN_KRIEGE5},
                  {1, 4, &_VEK_NACHRICHTEN_KRIEGE6},           {1, 1, &_VEK_NACHRICHTEN_KRIEGE8},
                  {5, 1, &_VEK_NACHRICHTEN_KRIEGE9},           {6, 1, &_VEK_NACHRICHTEN_KRIEGE10},
                  {50000000, 50000000, &_VEK_NACHRICHTEN_KRIEGE8},  // 100 x D passes 32 bits
                  {0xFFFFFFFF, 0xFFFFFFFF, &_VEK_NACHRICHTEN_KRIEGE8}};
    for (const auto &r : losses) EXPECT_STREQ(VerlustSatz(r.d, r.l), GetString(r.want)) << r.d << "," << r.l;
}

std::string Letter(const std::vector<UBYTE> *k, ULONG cat, WORD *index, BOOL *detail = nullptr,
                   const st_KRIG_EXT **rec = nullptr)
{
    BOOL d;
    const st_KRIG_EXT *r;
    return ComposeSchlachtBrief(k ? K(*k) : nullptr, cat, index, kNamen, rec ? rec : &r, detail ? detail : &d);
}

TEST(BattleLetter, CategoriesWrapAndSalutations)
{
    const std::vector<UBYTE> k = Krig({Battle(3, OWN, ENEMY, 1, 1), Battle(0, OWN, ENEMY), Battle(4, OWN, ENEMY, 2, 2),
                                       Battle(3, OWN, ENEMY, 3, 3), Battle(2, ENEMY, OWN), Battle(1, OWN, ENEMY),
                                       Battle(0, OWN, ENEMY)});
    const st_KRIG_EXT *rec = nullptr;
    BOOL detail = FALSE;
    WORD i = 2;
    EXPECT_EQ(Letter(&k, 1, &i, &detail, &rec).rfind(" Fight 3 of 3\n\n My Lord,", 0), 0u);
    EXPECT_EQ((ULONG)rec->Angreifer.X_Pos, 4u);
    ++i;  // FORW
    Letter(&k, 1, &i, &detail, &rec);
    EXPECT_EQ(i, 0);
    EXPECT_EQ((ULONG)rec->Angreifer.X_Pos, 2u) << "the first town battle";
    --i;  // BACK on the first
    Letter(&k, 1, &i, &detail, &rec);
    EXPECT_EQ(i, 2);
    EXPECT_EQ((ULONG)rec->Angreifer.X_Pos, 4u) << "the third town battle";

    WORD land = 3;
    EXPECT_EQ(Letter(&k, 0, &land).rfind(" Fight 4 of 4\n\n", 0), 0u);
    const std::vector<UBYTE> two = Krig({Battle(5, OWN, ENEMY, 10, 10), Battle(7, OWN, ENEMY, 20, 20)});
    Letter(&two, 2, &land, &detail, &rec);
    EXPECT_EQ(land, 0);
    EXPECT_EQ((ULONG)rec->Verteidiger.X_Pos, 10u) << "a category of two shows its first";
    EXPECT_EQ(Letter(&two, 2, &land).rfind("Fight 1 of 2\n\nMy Lord,", 0), 0u) << "ship battles: no leading blank";

    const std::string nofight = GetString(&_VEK_NACHRICHTEN_NOFIGHT);
    WORD none = 0;
    EXPECT_EQ(Letter(nullptr, 0, &none, &detail, &rec), " My Lord,\n\n" + nofight);
    EXPECT_FALSE(detail);
    EXPECT_EQ(rec, nullptr);
    EXPECT_EQ(Letter(nullptr, 2, &none), " My Lord," + nofight);
    const std::vector<UBYTE> landOnly = Krig({Battle(0, OWN, ENEMY)});
    EXPECT_EQ(Letter(&landOnly, 1, &none), " My Lord,\n\n" + nofight);
}

TEST(BattleLetter, Bodies)
{
    const struct {
        const char *name;
        st_KRIG_EXT k;
        BOOL detail;
        std::string body;  // after the salutation
    } rows[] = {
        {"land, own attacker, won", Battle(1, OWN, ENEMY), TRUE,
         " our army attacked at X: 121 and Y: 58 the troops of unknown in a battle that was light and we lost hardly "
         "any of our men. In the end our army was victorious. The details of the battle follow."},
        {"land, own defender, lost", Battle(1, ENEMY, OWN), TRUE,
         " the forces of unknown attacked our army at X: 121 and Y: 58 in a battle that was severe and we lost "
         "half of our men. In the end our army could not hold its ground. The details of the battle follow."},
        {"town, own attacker, taken", Battle(3, OWN, ENEMY), TRUE,
         " our army attacked at X: 122 and Y: 59 the town there in a battle that was light and we lost hardly any "
         "of our men. In the end our army, storming the walls, was victorious. The details of the battle follow."},
        {"town, own defender, lost", Battle(3, ENEMY, OWN), TRUE,
         " our town at X:122 and Y:59 was attacked by the troops of unknown in a battle that was severe and we "
         "lost half of our men. In the end our army could not hold its ground. The details of the battle follow."},
        {"town, own defender, held", Battle(4, ENEMY, OWN), TRUE,
         " our town at X:122 and Y:59 was attacked by the troops of unknown in a battle that was severe and we "
         "lost half of our men. In the end our army held its ground. The details of the battle follow."},
        {"pirates, own attacker", Battle(7, OWN, (ULONG)-3), FALSE, ""},
        {"pirates, own defender, beaten off", Battle(8, (ULONG)-3, OWN), FALSE,
         " the forces of Pirates attacked our ships at X:121 and Y:58 in a battle that was light. The pirates were "
         "beaten off."},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        const std::vector<UBYTE> k = Krig({r.k});
        WORD i = 0;
        BOOL detail = !r.detail;
        const std::string t = Letter(&k, (ULONG)SchlachtKategorie(r.k.Result), &i, &detail);
        EXPECT_EQ(detail, r.detail);
        const size_t at = t.find(',');
        ASSERT_NE(at, std::string::npos);
        if (!r.body.empty()) {
            EXPECT_EQ(t.substr(at + 1), r.body);
        }
    }
}

TEST(BattleLetter, ShipDamageWords)
{
    const struct {
        bool ownAttacker;
        UWORD e, r;
        const LocStr *fight;   // null: none
        const LocStr *damage;  // null: none
    } rows[] = {
        {true, 8, 8, &_VEK_NACHRICHTEN_HART, &_VEK_NACHRICHTEN_SCHIFFE12},
        {true, 1, 8, &_VEK_NACHRICHTEN_LEICHT, &_VEK_NACHRICHTEN_SCHIFFE9},
        {true, 2, 8, &_VEK_NACHRICHTEN_LEICHT, nullptr},
        {true, 3, 8, &_VEK_NACHRICHTEN_LEICHT, &_VEK_NACHRICHTEN_SCHIFFE10},
        {true, 5, 8, &_VEK_NACHRICHTEN_NORMAL, &_VEK_NACHRICHTEN_SCHIFFE10},
        {false, 8, 8, &_VEK_NACHRICHTEN_HART, &_VEK_NACHRICHTEN_SCHIFFE12},
        {false, 1, 16, &_VEK_NACHRICHTEN_LEICHT, &_VEK_NACHRICHTEN_SCHIFFE9},
        {false, 2, 16, &_VEK_NACHRICHTEN_LEICHT, nullptr},
        {false, 4, 16, nullptr, nullptr},
        {false, 5, 16, nullptr, &_VEK_NACHRICHTEN_SCHIFFE10},
        {false, 9, 16, &_VEK_NACHRICHTEN_NORMAL, &_VEK_NACHRICHTEN_SCHIFFE10},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::to_string(row.ownAttacker) + " " + std::to_string(row.e) + "/" + std::to_string(row.r));
        st_KRIG_EXT b = row.ownAttacker ? Battle(6, OWN, ENEMY) : Battle(6, ENEMY, OWN);
        (row.ownAttacker ? b.AngErschoepfung : b.VerErschoepfung) = row.e;
        (row.ownAttacker ? b.AngRuestungsklasse : b.VerRuestungsklasse) = row.r;
        const std::vector<UBYTE> k = Krig({b});
        WORD i = 0;
        const std::string t = Letter(&k, 2, &i);
        const std::string was = std::string(GetString(&_VEK_NACHRICHTEN_KRIEGE3)) + " ";
        const size_t at = t.find(was);
        ASSERT_NE(at, std::string::npos);
        const std::string after = t.substr(at + was.size());
        if (row.fight)
            EXPECT_EQ(after.rfind(std::string(GetString(row.fight)) + ".", 0), 0u) << after;
        else
            EXPECT_EQ(after.rfind(GetString(&_VEK_NACHRICHTEN_SCHIFFE8), 0), 0u) << after;
        const std::string inspected = GetString(&_VEK_NACHRICHTEN_SCHIFFE8);
        const std::string tail = t.substr(t.find(inspected) + inspected.size());
        const std::string end = std::string(" ") + GetString(&_VEK_NACHRICHTEN_KRIEGE12);
        if (row.damage)
            EXPECT_NE(tail.find(GetString(row.damage)), std::string::npos) << tail;
        else
            EXPECT_EQ(tail, end);
    }
}

TEST(BattleMap, BlocksAndIndices)
{
    const struct {
        ULONG X, Y;
        SchlachtKarte want;
    } rows[] = {{201, 0, {200, 6399, 2, 159, 120, 79}},
                {121, 58, {120, 57, 1, 1, 120, 57}},
                {12801, 6401, {0, 6400 % 6400, 0, 0, 80, 40}}};
    for (const auto &r : rows) {
        SCOPED_TRACE(std::to_string(r.X) + "," + std::to_string(r.Y));
        const SchlachtKarte m = SchlachtKartenPos(r.X, r.Y);
        EXPECT_EQ(m.X, r.want.X);
        EXPECT_EQ(m.Y, r.want.Y);
        EXPECT_EQ(m.BlockX, r.want.BlockX);
        EXPECT_EQ(m.BlockY, r.want.BlockY);
        EXPECT_EQ(m.IndexX, r.want.IndexX);
        EXPECT_EQ(m.IndexY, r.want.IndexY);
    }
}

TEST(BattleDetail, PicturesAndColours)
{
    EXPECT_EQ(SchlachtBildFuer(0, TRUE).Picture, 498);
    EXPECT_EQ(SchlachtBildFuer(0, TRUE).Colour, 2);
    EXPECT_EQ(SchlachtBildFuer(1, FALSE).Picture, 498);
    EXPECT_EQ(SchlachtBildFuer(2, FALSE).Colour, 2);
    EXPECT_EQ(SchlachtBildFuer(4, TRUE).Picture, 499);
    EXPECT_TRUE(SchlachtBildFuer(6, FALSE).Sea);
    EXPECT_EQ(SchlachtBildFuer(6, FALSE).Picture, 837);
    EXPECT_EQ(SchlachtBildFuer(7, TRUE).Picture, 0);
}

TEST(BattleDetail, CountersRevealRowsInTurn)
{
    st_KRIG_EXT k = Battle(1, OWN, ENEMY);
    k.AngLebende = 5, k.VerLebende = 3;  // the living finish before the dead
    SchlachtZaehler z{};
    std::vector<UWORD> rows;
    for (int i = 0; i < 80; ++i) rows.push_back(SchlachtTick(&z, k));
    EXPECT_EQ(rows[8], ROW_KLASSE);
    EXPECT_EQ(rows[18], ROW_ERSCHOEPFUNG);
    // Ticks 28 on count the dead: 20 by 1 (20 ticks), 60 by 2 (30 ticks).
    SchlachtZaehler w{};
    for (int i = 0; i < 28; ++i) SchlachtTick(&w, k);
    SchlachtTick(&w, k);
    EXPECT_EQ(w.AngTote, 1u);
    EXPECT_EQ(w.VerTote, 2u);
    for (int i = 1; i < 20; ++i) SchlachtTick(&w, k);
    EXPECT_EQ(w.AngTote, 20u);
    EXPECT_EQ(w.VerTote, 40u);
    EXPECT_LT(w.t, 50u);
    for (int i = 20; i < 30; ++i) SchlachtTick(&w, k);
    EXPECT_EQ(w.VerTote, 60u);
    // The outcome only once everything is counted: tick 28 + 30 = 58.
    int outcome = -1;
    for (int i = 0; i < 80; ++i)
        if (rows[i] & ROW_AUSGANG) outcome = outcome < 0 ? i : outcome;
    EXPECT_EQ(outcome, 57);
    EXPECT_EQ(z.t, 50u);

    SchlachtZaehler esc{};
    for (int i = 0; i < 5; ++i) SchlachtTick(&esc, k);
    EXPECT_EQ(SchlachtAlles(&esc, k) & ROW_AUSGANG, ROW_AUSGANG);
    EXPECT_TRUE(SchlachtGezaehlt(esc, k));
    EXPECT_EQ(esc.VerTote, 60u);
    EXPECT_EQ(SchlachtTick(&esc, k), 0) << "nothing moves after the outcome";
}

}  // namespace
