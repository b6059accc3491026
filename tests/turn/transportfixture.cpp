#include "transportfixture.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

#include "net/net.h"
#include "net/netconn.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/store.h"

namespace fs = std::filesystem;

namespace turntest {

Record Seen;
int KillAtStep = -1;

APTR MakeChunk(ULONG num, ULONG payload)
{
    auto *head = (st_ChunkHead *)AllocVec(sizeof(st_ChunkHead) + payload + 1, MEMF_CLEAR);
    head->ChunkID = ChunkIDOf(num);
    head->Version = VERSION_V001;
    head->Length = payload;
    return head;
}

void Put(APTR chunk, const char *pool)
{
    EXPECT_TRUE(AddChunkPool(chunk, pool)) << pool;
    FreeVec(chunk);
}

void PutKornLand(const char *pool, ULONG year, UWORD quarter, ULONG gold)
{
    auto *korn = (st_KORN *)MakeChunk(CN_KORN, sizeof(st_KORN) - 12);
    korn->Jahr = year;
    korn->Quartal = quarter;
    korn->Kornlager = 7000 + quarter;
    Put(korn, pool);
    auto *land = (st_LAND *)MakeChunk(CN_LAND, sizeof(st_LAND) - 12);
    land->AnzVolk = 1000;
    land->Einwanderer = 11;
    land->Auswanderer = 12;
    land->Geborene = 13;
    land->Gestorbene = 14;
    land->AnzGold = gold;
    land->AnzPflanzHq = 21;
    land->AnzTierHq = 22;
    land->AnzMineralHq = 23;
    Put(land, pool);
}

std::vector<std::string> ChunkOrder(const std::string &pool)
{
    auto b = vektest::ReadBytes(pool);
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos + 12 <= b.size()) {
        out.push_back(std::string((const char *)&b[pos], 4));
        ULONG len = (ULONG)b[pos + 8] << 24 | (ULONG)b[pos + 9] << 16 | (ULONG)b[pos + 10] << 8 | b[pos + 11];
        pos += 12 + len;
    }
    return out;
}

void PutWares(const std::vector<st_WARE_EXT> &wares)
{
    ListHeader *list = CreateList(7);
    for (const st_WARE_EXT &w : wares) {
        auto *e = (WareListEntry *)AllocVec(list->TypSize, MEMF_CLEAR);
        e->Ware = w;
        InsertNode(list, &e->Node, LIST_LAST, 0);
    }
    st_WARE *chunk = MakeWareChunkFromList(list);
    DeleteFile("./Data/WarenChunk.vek");
    Put(chunk, "./Data/WarenChunk.vek");
    DeleteList(list, LIST_FREE_OWNED);
}

void PutAnswer(const std::string &name, std::time_t when, ULONG year, UWORD quarter, UWORD misc)
{
    std::string pool = "./answer.pool";
    DeleteFile(pool.c_str());
    PutKornLand(pool.c_str(), year, quarter, 100 * year + quarter);
    auto bytes = vektest::ReadBytes(pool);
    bytes[offsetof(st_INFO, Misc)] = (uint8_t)(misc >> 8);  // big-endian in the file
    bytes[offsetof(st_INFO, Misc) + 1] = (uint8_t)misc;
    vektest::WriteBytes(pool, bytes);
    auto old = GameMailClock;
    static std::time_t at;
    at = when;
    GameMailClock = [] { return at; };
    VekMailInfo info{};
    char from[] = "server@game.test", to[] = "player@game.test";
    info.VekMailAbsender = from;
    info.VekMailAdressat = to;
    EXPECT_NE(SendFileAsEmail(pool.c_str(), &info, 0), nullptr);
    GameMailClock = old;
    fs::create_directories("./Data/POP3In");
    fs::rename("./answer.email", "./Data/POP3In/" + name);
    DeleteFile(pool.c_str());
}

std::vector<std::pair<std::string, std::string>> Tree()
{
    std::vector<std::pair<std::string, std::string>> out;
    for (const char *root : {"Data", "Map", "TurnJournal"}) {
        if (!fs::is_directory(root)) continue;
        for (auto &e : fs::recursive_directory_iterator(root)) {
            if (!e.is_regular_file()) continue;
            auto b = vektest::ReadBytes(e.path().string());
            out.push_back({e.path().generic_string(), std::string(b.begin(), b.end())});
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string TreeDiff(const std::vector<std::pair<std::string, std::string>> &a,
                     const std::vector<std::pair<std::string, std::string>> &b)
{
    std::map<std::string, std::string> ma(a.begin(), a.end()), mb(b.begin(), b.end());
    std::string out;
    for (const auto &[name, bytes] : ma)
        if (!mb.count(name)) out += " -" + name;
        else if (mb[name] != bytes) out += " ~" + name;
    for (const auto &[name, bytes] : mb)
        if (!ma.count(name)) out += " +" + name;
    return out;
}

namespace {

int calls = 0;

void AppendLog(const std::string &line)
{
    auto b = vektest::ReadBytes("./Data/steps.log");
    std::string s(b.begin(), b.end());
    s += line + "\n";
    if (!WriteFileAtomic("./Data/steps.log", s.data(), (ULONG)s.size(), -1)) ADD_FAILURE() << "steps log not written";
}

BOOL FakeChunkMachine(const char *path, ULONG flags, ULONG mode)
{
    if (calls++ == KillAtStep) _exit(9);
    ULONG num = 0;
    while (num < CN_MAX && ChunkBit(num) != flags) ++num;
    std::string where = std::strstr(path, "POP3Out") ? "out" : "in";
    std::string line = std::string(num < CN_MAX ? ChunkNamen[num] : "????") + " " + std::to_string(mode) + " " + where;
    Seen.steps.push_back(line);
    AppendLog(line);
    return 1;
}
BOOL FakeMailChunk(const char *pool, const char *)
{
    auto *mail = (UBYTE *)MakeChunk(CN_MAIL, 4);
    Put(mail, pool);
    return 1;
}
BOOL FakeTown()
{
    Seen.steps.push_back("towns");
    return 1;
}
BOOL FakeStatus()
{
    Seen.steps.push_back("status");
    return 1;
}
BOOL FakeCult()
{
    Seen.steps.push_back("fields");
    return 1;
}
BOOL FakeHarvest()
{
    Seen.steps.push_back("harvest");
    return 1;
}

APTR RecOpen(const char *text)
{
    Seen.opened++;
    Seen.texts.push_back(text);
    return (APTR)&Seen;
}
void RecSet(APTR, const char *text) { Seen.texts.push_back(text); }
void RecConfirm(APTR) { Seen.confirmed++; }
void RecClose(APTR) { Seen.closed++; }
void RecMessage(const char *text)
{
    Seen.messages++;
    Seen.texts.push_back(text);
}
LONG RecText(const char *text)
{
    Seen.textBoxes++;
    Seen.texts.push_back(text);
    return 1;
}
void RecDelay(ULONG ticks) { Seen.delays += (int)ticks; }
LONG RecUnlock()
{
    Seen.mapUnlocks++;
    return 0;
}
BOOL RecSetup(BOOL)
{
    Seen.mapSetups++;
    return 1;
}

BOOL LoopbackOnly(const char *host, ULONG *address)
{
    if (std::strcmp(host, "127.0.0.1") != 0) return 0;
    *address = htonl(INADDR_LOOPBACK);  // network order, as the resolver gives it
    return 1;
}

}  // namespace

int ChunkMachineCalls() { return calls; }

Fakes::Fakes()
    : steps_(TurnStepHooks), boxes_(TurnBoxHooks), net_(NetCfg), resolve_(NetResolveHook),
      chiefOpen_(NetChiefOpenHook), chiefClose_(NetChiefCloseHook), chiefMessage_(NetChiefMessageHook)
{
    Seen = Record();
    calls = 0;
    KillAtStep = -1;
    TurnStepHooks = {FakeChunkMachine, FakeMailChunk, FakeTown, FakeStatus, FakeCult, FakeHarvest};
    TurnBoxHooks = {RecOpen, RecSet, RecConfirm, RecClose, RecMessage, RecText, RecDelay};
    TurnMapUnlockHook = RecUnlock;
    TurnMapNewSetupHook = RecSetup;
    NetResolveHook = LoopbackOnly;
    std::snprintf(NetCfg.ProbeHost1, sizeof NetCfg.ProbeHost1, "127.0.0.1");
    std::snprintf(NetCfg.ProbeHost2, sizeof NetCfg.ProbeHost2, "127.0.0.1");
    NetCfg.ProbeWaits = 50;
    NetCfg.ProbeWaitTicks = 1;
    NetChiefOpenHook = nullptr;
    NetChiefCloseHook = nullptr;
    NetChiefMessageHook = nullptr;
    PlayerInfo.SpielerID = 1234;
    PlayerInfo.TryRecvTurn = 0;
    PlayerInfo.Misc = 0;
    PlayerInfo.ForumServer[0] = 0;
    VekDisplay.VekScreen_Tiefe = 8;
    UserSystem.OP.TCPIP_Flags = TRANSPORT_MAIL;
    std::snprintf(UserSystem.OP.InterPOPName, 40, "127.0.0.1:1");
    fs::create_directories("Data/POP3In");
    fs::create_directories("Data/POP3Out");
    fs::create_directories("Data/MailOut");
    fs::create_directories("Map");
    CheckPrefsWrite(9, 1234);
}

Fakes::~Fakes()
{
    TurnStepHooks = steps_;
    TurnBoxHooks = boxes_;
    TurnMapUnlockHook = nullptr;
    TurnMapNewSetupHook = nullptr;
    VekDisplay.VekScreen_Tiefe = 8;
    NetCfg = net_;
    NetResolveHook = resolve_;
    NetChiefOpenHook = chiefOpen_;
    NetChiefCloseHook = chiefClose_;
    NetChiefMessageHook = chiefMessage_;
}

}  // namespace turntest
