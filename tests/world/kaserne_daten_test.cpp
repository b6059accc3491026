// The barracks' files on the demo set: what Ok writes into the figure
// file, the orders pool, the stock and the town, byte for byte; the
// read-only cases; Exit putting the pools of men and items back; and the
// journal that makes the four files one change.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "common/shareddemo.h"
#include "common/testutil.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/figures.h"
#include "store/store.h"
#include "world/kaserne.h"
#include "world/okjournal.h"
#include "world/towns.h"
#include "world/turnfixture.h"
#include "world/warehouse.h"

namespace {

using vektest::Bytes;
using vektest::ReadBytes;

constexpr const char kTown[] = "Data/Cities/Demoburg.vek";

// A packed record field read by value (it may lie unaligned).
template <class T> T V(T v) { return v; }
constexpr ULONG kX = 120, kY = 60;

// Accepts everything, names the armies from a queue.
struct JaSager {
    std::vector<std::string> names;
    KasernenFragen Fragen()
    {
        KasernenFragen f;
        f.Message = [](const LocStr &) {};
        f.Confirm = [](const LocStr &) { return (BOOL)1; };
        f.Name = [this](const LocStr &, const LocStr &, std::string &n) {
            if (names.empty()) return (BOOL)0;
            n = names.front();
            names.erase(names.begin());
            return (BOOL)1;
        };
        f.Zeile = [](const std::vector<std::string> &) { return (LONG)0; };
        return f;
    }
};

class KaserneDemo : public ::testing::Test {
protected:
    vektest::ScratchDir dir;
    LokalDataKaserne ld;
    JaSager ja;
    KasernenFragen f;
    void SetUp() override
    {
        CopyDemoGameFiles(dir.path());
        PlayerInfo = st_PlayerInfo{};
        auto *info = (st_INFO *)LoadChunk2Mem(ID_INFO, POOL_IN);
        ASSERT_NE(info, nullptr);
        PlayerInfo.SpielerID = info->SpielerID;
        FreeVec(info);
        PlayerInfo.AktStadtID = 0;
        OkJournalStepHook = nullptr;
        f = ja.Fragen();
        ASSERT_TRUE(InitKasernenData(&ld));
        ASSERT_TRUE(ReadKasernenData(&ld, 0));
        KaserneOeffnen(&ld);
    }
    void TearDown() override
    {
        OkJournalStepHook = nullptr;
        FreeKasernenData(&ld);
    }
    void Found(const char *name, LONG men, ULONG typ = KASERNE_INFANTERIE)
    {
        ld.ArmeeTyp = typ;
        ld.Rekruten = std::max(ld.Rekruten, men);
        ArmyManagmentInputBox(&ld, std::to_string(men).c_str());
        ja.names.push_back(name);
        ASSERT_TRUE(ArmyManagmentCreateNewArmy(&ld, f));
    }
    std::vector<st_MOVE_EXT> Own()
    {
        std::vector<st_MOVE_EXT> v;
        for (const st_MOVE_EXT &m : turnfix::Figures())
            if (m.SpielerID == PlayerInfo.SpielerID) v.push_back(m);
        return v;
    }
    const st_MOVE_EXT *Fig(const std::vector<st_MOVE_EXT> &v, UWORD nr)
    {
        for (const st_MOVE_EXT &m : v)
            if (m.FigurNummer == nr) return &m;
        return nullptr;
    }
};

TEST_F(KaserneDemo, ReadsTheGuardTownStockAndFigures)
{
    ASSERT_EQ(ld.Armeen.size(), 1u);
    const KaserneArmee &g = ld.Armeen[0];
    EXPECT_STREQ(g.Kopf.Name, "Garde");
    ASSERT_EQ(g.Teile.size(), 1u);
    EXPECT_EQ(g.Teile[0].WaffeI, 27u);   // a short sword
    EXPECT_EQ(g.Teile[0].Ruestung, 15u); // a tunic
    EXPECT_EQ(ld.PeopleInArmy, 200);
    EXPECT_EQ(ld.Sold, 5000);
    EXPECT_TRUE(SlotGebaut(ld.AktiveStadt, KASERNE_SLOT_KAVALLERIE));
    EXPECT_TRUE(SlotGebaut(ld.AktiveStadt, KASERNE_SLOT_TRAINING));
    EXPECT_FALSE(SlotGebaut(ld.AktiveStadt, KASERNE_SLOT_ARTILLERIE));
    std::vector<ULONG> ids;
    for (const Waffen &w : ld.WaffenListe) ids.push_back(w.Id);
    for (ULONG id : {27u, 9u, 49u}) EXPECT_NE(std::find(ids.begin(), ids.end(), id), ids.end()) << id;
}

TEST_F(KaserneDemo, SortedInTownFirstThenByName)
{
    Found("Zeta", 50);
    Found("Alpha", 50);
    ld.Armeen[0].Kopf.PosX = 3;   // Garde away
    sortArmyList(&ld);
    std::vector<std::string> namen;
    for (const KaserneArmee &a : ld.Armeen) namen.push_back(a.Kopf.Name);
    EXPECT_EQ(namen, (std::vector<std::string>{"Alpha", "Zeta", "Garde"}));
}

TEST_F(KaserneDemo, GoldenOrdersAfterFoundingAndArming)
{
    const Bytes town0 = ReadBytes(kTown);
    // Town files hold their numbers little-endian on every host.
    const auto le32 = [](const UBYTE *p) {
        return (ULONG)p[0] | (ULONG)p[1] << 8 | (ULONG)p[2] << 16 | (ULONG)p[3] << 24;
    };
    const ULONG armeeVolk0 = le32(town0.data() + 14216);
    Found("Neue", 50);
    // Arm the new part with short swords.
    for (size_t i = 0; i < ld.WaffenListe.size(); ++i)
        if (ld.WaffenListe[i].Id == 27) ld.SelWaffe = (LONG)i;
    ld.SelArmee = 1;
    ld.SelTeil = 0;
    ASSERT_TRUE(ArmyWeaponsInsertInArmy(&ld, f));
    ASSERT_TRUE(WriteKasernenData(&ld));

    // ARMY: two groups in name order.
    auto *army = (st_ARMY *)LoadChunk2Mem(ID_ARMY, POOL_OUT);
    ASSERT_NE(army, nullptr);
    EXPECT_EQ(V(army->Head.Length), 244u);
    EXPECT_EQ(V(army->AnzahlArmeen), 2u);
    const UBYTE *p = (const UBYTE *)army + sizeof(st_ARMY);
    st_ARHD h1, h2;
    st_AREN e1, e2;
    std::memcpy(&h1, p, 64);
    std::memcpy(&e1, p + 64, 56);
    std::memcpy(&h2, p + 120, 64);
    std::memcpy(&e2, p + 184, 56);
    FreeVec(army);
    EXPECT_EQ(V(h1.Head.ChunkID), ID_ARHD);
    EXPECT_EQ(V(e1.Head.ChunkID), ID_AREN);
    EXPECT_STREQ(h1.ArmeeHeader.Name, "Garde");
    EXPECT_EQ(V(h1.ArmeeHeader.ArmeeID), 5u);
    EXPECT_EQ(V(e1.ArmeeEntry.Anzahl), 200u);
    EXPECT_STREQ(h2.ArmeeHeader.Name, "Neue");
    Armee want{};
    want.PosX = kX;
    want.PosY = kY;
    want.HerrscherID = PlayerInfo.SpielerID;
    want.Vertrauen = ld.Vertrauen;
    want.ArmeeID = 8;
    want.ArmeeTypAnzahl = 1;
    std::strcpy(want.Name, "Neue");
    EXPECT_EQ(std::memcmp(&h2.ArmeeHeader, &want, sizeof want), 0);
    ArmeeEntry wantTeil{};
    wantTeil.Typ = 2;
    wantTeil.WaffeI = 27;
    wantTeil.Anzahl = 50;
    EXPECT_EQ(std::memcmp(&e2.ArmeeEntry, &wantTeil, sizeof wantTeil), 0);

    // Town: only ArmeeVolk, 50 lower.
    Bytes town1 = ReadBytes(kTown);
    ASSERT_EQ(town1.size(), 14228u);
    EXPECT_EQ(le32(town1.data() + 14216), armeeVolk0 - 50);
    std::memcpy(town1.data() + 14216, town0.data() + 14216, 4);
    EXPECT_EQ(town1, town0);

    // Stock: ware 23 from 100 to 50.
    auto waren = turnfix::Entries<st_WARE, st_WARE_EXT>(CN_WARE, WAREN_FILE);
    bool seen = false;
    for (const st_WARE_EXT &w : waren)
        if (w.Info == 5 && w.WarenTyp == 23) {
            seen = true;
            const ULONG n = w.WarenAnzahl;
            EXPECT_EQ(n, 50u);
        }
    EXPECT_TRUE(seen);

    // The new figure: number 8 on the town, standing, no points.
    const auto own = Own();
    EXPECT_EQ(own.size(), 8u);
    const st_MOVE_EXT *neu = Fig(own, 8);
    ASSERT_NE(neu, nullptr);
    EXPECT_EQ(V(neu->X_Pos), kX);
    EXPECT_EQ(V(neu->Y_Pos), kY);
    EXPECT_EQ(V(neu->FigurArt), 1u);
    EXPECT_EQ(V(neu->Kommando), 0u);
    EXPECT_EQ(V(neu->Bewegungspunkte), 0u);
    EXPECT_EQ(V(Fig(own, 5)->Bewegungspunkte), 4u);   // the guard unchanged
}

TEST_F(KaserneDemo, TwoNewArmiesGetTwoFiguresAndAJoinedOneLosesItsFigure)
{
    Found("Eins", 50);
    Found("Zwei", 60);
    ASSERT_TRUE(WriteKasernenData(&ld));
    auto own = Own();
    ASSERT_NE(Fig(own, 8), nullptr);
    ASSERT_NE(Fig(own, 9), nullptr);
    // Join Zwei into Eins: Zwei's figure goes.
    ASSERT_TRUE(ReadKasernenData(&ld, 0));
    ASSERT_EQ(ld.Armeen.size(), 3u);   // Eins, Garde, Zwei
    ld.SelArmee = 0;
    ja.names = {"Beide"};
    KasernenFragen g = f;
    g.Zeile = [](const std::vector<std::string> &) { return (LONG)2; };
    ASSERT_TRUE(ArmyManagmentConnectTwoArmys(&ld, g));
    ASSERT_TRUE(WriteKasernenData(&ld));
    own = Own();
    EXPECT_NE(Fig(own, 8), nullptr);
    EXPECT_EQ(Fig(own, 9), nullptr);
    // Disband everything: the figures go and so does the ARMY chunk.
    ASSERT_TRUE(ReadKasernenData(&ld, 0));
    while (!ld.Armeen.empty()) {
        ld.SelArmee = 0;
        ASSERT_TRUE(ArmyManagmentDeleteArmy(&ld, f));
    }
    ASSERT_TRUE(WriteKasernenData(&ld));
    own = Own();
    EXPECT_EQ(Fig(own, 5), nullptr);
    EXPECT_EQ(Fig(own, 8), nullptr);
    EXPECT_NE(Fig(own, 6), nullptr);   // the ship (kind 10+) stays
    EXPECT_FALSE(IsChunkPresent(ChunkBit(CN_ARMY), POOL_OUT));
    EXPECT_EQ(LoadChunk2Mem(ID_ARMY, POOL_OUT), nullptr);
}

TEST_F(KaserneDemo, AChangedArmyKeepsItsShareOfMovement)
{
    struct Fall {
        UWORD art;
        UBYTE punkte;
        ULONG typ, ruestung;
        UWORD wantArt;
        UBYTE wantPunkte;
    } faelle[] = {
        {4, 5, KASERNE_INFANTERIE, 0, 1, 2},    // cavalry 5/10 -> infantry
        {1, 3, KASERNE_KAVALLERIE, 0, 4, 7},    // infantry 3/4 -> cavalry
        {7, 1, KASERNE_KAVALLERIE, 0, 4, 5},    // artillery 1/2 -> cavalry
        {25, 9, KASERNE_INFANTERIE, 0, 1, 0},   // a kind without points gives 0
    };
    const Bytes prefs = ReadBytes(MAPPREFS_FILE);
    for (const Fall &c : faelle) {
        SCOPED_TRACE(c.art);
        vektest::WriteBytes(MAPPREFS_FILE, prefs);
        auto all = turnfix::Figures();
        for (st_MOVE_EXT &m : all)
            if (m.SpielerID == PlayerInfo.SpielerID && m.FigurNummer == 5) m.FigurArt = c.art, m.Bewegungspunkte = c.punkte;
        turnfix::WriteMapPrefs(all);
        ASSERT_TRUE(ReadKasernenData(&ld, 0));
        ld.Armeen[0].Teile[0].Typ = c.typ;
        ld.Armeen[0].Teile[0].Ruestung = c.ruestung;
        ASSERT_TRUE(WriteKasernenData(&ld));
        const auto own = Own();
        ASSERT_NE(Fig(own, 5), nullptr);
        EXPECT_EQ(V(Fig(own, 5)->FigurArt), c.wantArt);
        EXPECT_EQ(V(Fig(own, 5)->Bewegungspunkte), c.wantPunkte);
    }
}

TEST_F(KaserneDemo, AnArmyOfUnknownKindIsSkippedNotTheRest)
{
    Found("Leer", 50);
    Found("Voll", 50);
    ld.Armeen[1].Teile[0].Typ = 7;   // "Leer": no kind
    ASSERT_TRUE(WriteKasernenData(&ld));
    const auto own = Own();
    ASSERT_NE(Fig(own, 8), nullptr);
    EXPECT_EQ(Fig(own, 9), nullptr);
    ASSERT_TRUE(ReadKasernenData(&ld, 0));
    for (const KaserneArmee &a : ld.Armeen)
        if (std::string(a.Kopf.Name) == "Voll") {
            EXPECT_EQ(V(a.Kopf.ArmeeID), 8u);
        }
}

TEST_F(KaserneDemo, ExitPutsMenAndItemsBack)
{
    const Bytes town0 = ReadBytes(kTown), ware0 = ReadBytes(WAREN_FILE);
    ld.SelArmee = 0;
    ASSERT_TRUE(ArmyManagmentDeleteArmy(&ld, f));
    KaserneExit(&ld);
    // Another requester of the same visit, then Ok.
    ASSERT_TRUE(ReadKasernenData(&ld, 0));
    KaserneOeffnen(&ld);
    ASSERT_TRUE(WriteKasernenData(&ld));
    EXPECT_EQ(ReadBytes(kTown), town0);
    EXPECT_EQ(ReadBytes(WAREN_FILE), ware0);
}

TEST_F(KaserneDemo, AnUnreadableArmyChunkOrStockIsNotOverwritten)
{
    const Bytes poolGut = ReadBytes(POOL_OUT);
    // An ARMY count past its length, patched into the pool file (big-endian).
    Bytes pool = ReadBytes(POOL_OUT);
    const std::string text(pool.begin(), pool.end());
    const size_t at = text.find("ARMY");
    ASSERT_NE(at, std::string::npos);
    pool[at + 15] = 3;
    vektest::WriteBytes(POOL_OUT, pool);
    const Bytes pool0 = ReadBytes(POOL_OUT), prefs0 = ReadBytes(MAPPREFS_FILE);
    ASSERT_TRUE(ReadKasernenData(&ld, 0));
    EXPECT_TRUE(ld.ArmeenNurLesen);
    EXPECT_TRUE(ld.Armeen.empty());
    ASSERT_TRUE(WriteKasernenData(&ld));
    EXPECT_EQ(ReadBytes(POOL_OUT), pool0);
    EXPECT_EQ(ReadBytes(MAPPREFS_FILE), prefs0);

    // A damaged stock file.
    Bytes ware = ReadBytes(WAREN_FILE);
    ware.resize(20);
    vektest::WriteBytes(WAREN_FILE, ware);
    EXPECT_FALSE(KaserneLadeWaren(&ld));
    EXPECT_TRUE(ld.WarenNurLesen);
    KaserneOeffnen(&ld);
    ASSERT_TRUE(WriteKasernenData(&ld));
    EXPECT_EQ(ReadBytes(WAREN_FILE), ware);
    // A disband would hand the guard's swords to a stock that is not written: refused whole.
    vektest::WriteBytes(POOL_OUT, poolGut);
    ASSERT_TRUE(ReadKasernenData(&ld, 0));
    ASSERT_FALSE(ld.ArmeenNurLesen);
    const Bytes pool1 = ReadBytes(POOL_OUT), town1 = ReadBytes(kTown);
    ld.SelArmee = 0;
    ASSERT_TRUE(ArmyManagmentDeleteArmy(&ld, f));
    EXPECT_FALSE(WriteKasernenData(&ld));
    EXPECT_EQ(ReadBytes(POOL_OUT), pool1);
    EXPECT_EQ(ReadBytes(kTown), town1);
}

TEST_F(KaserneDemo, HostileArmies)
{
    // An army of 300 parts with a name that has no end, part type 7.
    std::vector<UBYTE> c(sizeof(st_ARMY) + 64 + 300 * 56 + 1, 0);
    st_ARMY kopf{{ID_ARMY, VERSION_V001, (ULONG)(c.size() - 1 - 12)}, 1};
    std::memcpy(c.data(), &kopf, sizeof kopf);
    st_ARHD h{};
    h.Head = {ID_ARHD, VERSION_V001, 52};
    h.ArmeeHeader.PosX = kX;
    h.ArmeeHeader.PosY = kY;
    h.ArmeeHeader.ArmeeID = 5;
    h.ArmeeHeader.ArmeeTypAnzahl = 300;
    std::memset(h.ArmeeHeader.Name, 'A', 20);
    std::memcpy(c.data() + sizeof(st_ARMY), &h, 64);
    for (int i = 0; i < 300; ++i) {
        st_AREN e{};
        e.Head = {ID_AREN, VERSION_V001, 44};
        e.ArmeeEntry.Typ = i == 0 ? 7 : 2;
        e.ArmeeEntry.WaffeI = i == 1 ? 999 : 0;
        e.ArmeeEntry.Anzahl = 10;
        std::memcpy(c.data() + sizeof(st_ARMY) + 64 + 56 * i, &e, 56);
    }
    ASSERT_TRUE(AddChunkPool(c.data(), POOL_OUT));
    // A figure of kind 25 on the town hex.
    auto all = turnfix::Figures();
    all.push_back(turnfix::Figur(PlayerInfo.SpielerID, 25, 40, kX, kY));
    turnfix::WriteMapPrefs(all);
    ASSERT_TRUE(ReadKasernenData(&ld, 0));
    ASSERT_EQ(ld.Armeen.size(), 1u);
    EXPECT_EQ(std::string(ld.Armeen[0].Kopf.Name), std::string(19, 'A'));
    EXPECT_EQ(KaserneArmeePanel(ld.Armeen[0]).size(), 10u + 13u * 300u);
    for (const std::string &z : KaserneArmeePanel(ld.Armeen[0])) EXPECT_LT(z.size(), 80u);
    ASSERT_TRUE(WriteKasernenData(&ld));
    const auto own = Own();
    EXPECT_NE(Fig(own, 40), nullptr);   // not an army's kind: left alone
    ASSERT_NE(Fig(own, 5), nullptr);
    EXPECT_EQ(V(Fig(own, 5)->FigurArt), 1u);
}

// Ok failing, or the program ending, at each of the four files: every file
// is as it was before, or all are new.
TEST_F(KaserneDemo, OkCutOffAtEachFileLeavesAllOldOrAllNew)
{
    const Bytes prefs0 = ReadBytes(MAPPREFS_FILE), pool0 = ReadBytes(POOL_OUT), ware0 = ReadBytes(WAREN_FILE),
                town0 = ReadBytes(kTown);
    auto alle = [&](bool alt) {
        EXPECT_EQ(ReadBytes(MAPPREFS_FILE) == prefs0, alt);
        EXPECT_EQ(ReadBytes(POOL_OUT) == pool0, alt);
        EXPECT_EQ(ReadBytes(WAREN_FILE) == ware0, alt);
        EXPECT_EQ(ReadBytes(kTown) == town0, alt);
        EXPECT_FALSE(vektest::Exists(OK_JOURNAL));
    };
    Found("Neue", 50);
    for (size_t i = 0; i < ld.WaffenListe.size(); ++i)
        if (ld.WaffenListe[i].Id == 27) ld.SelWaffe = (LONG)i;
    ld.SelArmee = 1;
    ld.SelTeil = 0;
    ASSERT_TRUE(ArmyWeaponsInsertInArmy(&ld, f));
    const LokalDataKaserne bereit = ld;
    auto *town = (Stadt *)AllocVec(sizeof(Stadt), MEMF_CLEAR);
    std::memcpy(town, ld.AktiveStadt, sizeof(Stadt));
    for (ULONG schritt = 0; schritt <= 4; ++schritt) {
        SCOPED_TRACE(schritt);
        static ULONG bis;
        bis = schritt;
        OkJournalStepHook = [](ULONG s) -> BOOL { return s != bis; };
        EXPECT_FALSE(WriteKasernenData(&ld));
        OkJournalStepHook = nullptr;
        alle(true);
        std::fflush(stdout);
        const pid_t pid = fork();
        if (pid == 0) {
            OkJournalStepHook = [](ULONG s) -> BOOL {
                if (s == bis) _exit(7);
                return 1;
            };
            _exit(WriteKasernenData(&ld) ? 0 : 3);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 7);
        EXPECT_TRUE(OkJournalRestore());
        alle(true);
        ld.Armeen = bereit.Armeen;
        std::memcpy(ld.AktiveStadt, town, sizeof(Stadt));
    }
    FreeVec(town);
    ASSERT_TRUE(WriteKasernenData(&ld));
    alle(false);
}

}  // namespace
