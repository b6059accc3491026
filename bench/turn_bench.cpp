// The turn download with three answers of 1 MB pools: fetching them from a
// local dovecot beside curl fetching the same three, and applying them to the
// demo realm (unpack, journal, every chunk step, towns, fields, statistics)
// beside reading and writing, with a flush, each file the apply changes once.
// Prints the two ratios at the end.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <netinet/in.h>
#include <pwd.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "net/gamemail.h"
#include "benchutil.h"
#include "net/net.h"
#include "net/netconn.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/packer.h"
#include "store/store.h"
#include "turn/turn.h"


namespace {

namespace fs = std::filesystem;
using benchutil::FreePort;
using benchutil::RunQuiet;

constexpr int kMails = 3;
constexpr ULONG kPoolSize = 1024 * 1024;
const std::time_t kDay = 1167609599;

std::string SourceDir() { return fs::path(__FILE__).parent_path().parent_path().string(); }
std::string BuildDir()
{
    char exe[PATH_MAX] = {};
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    fs::path dir = n > 0 ? fs::path(std::string(exe, (size_t)n)).parent_path() : fs::path(".");
    return fs::exists(dir / "vekdemo") ? dir.string() : dir.parent_path().string();  // bench/ lies below
}



std::string work, demo, player;
std::vector<std::string> mails;
int popPort = 0;
bool popOk = false;
double times[4];  // client fetch, curl fetch, apply, read-write baseline
std::vector<std::string> changed;  // files the apply changes

// The n-th answer: the demo's received pool a quarter later per answer, with
// a filler chunk the chunk machine is never asked for, up to 1 MB.
std::string Answer(int n)
{
    const std::string pool = work + "/answer.pool";
    fs::copy_file(demo + "/" + POOL_IN, pool, fs::copy_options::overwrite_existing);
    auto *korn = (st_KORN *)LoadChunk2Mem(ID_KORN, pool.c_str());
    korn->Quartal = (UWORD)(korn->Quartal + n);
    if (!AddChunkPool(korn, pool.c_str())) std::abort();
    FreeVec(korn);
    const ULONG fill = kPoolSize - GetFileSize(pool.c_str()) - 12;
    auto *eror = (st_ChunkHead *)AllocVec(12 + fill + 1, MEMF_CLEAR);
    *eror = {ID_EROR, VERSION_V001, fill};
    for (ULONG i = 0; i < fill; ++i) ((UBYTE *)eror)[12 + i] = (UBYTE)(i * 131 + i / 977);
    if (!AddChunkPool(eror, pool.c_str())) std::abort();
    FreeVec(eror);
    VekMailInfo info{};
    info.VekMailData = (UBYTE *)LoadFile2Mem(pool.c_str(), 0);
    info.VekMailLength = GetFileSize(pool.c_str());
    UBYTE *raw = info.VekMailData;
    Implode(&info);
    FreeVec(raw);
    char from[] = "server@game.test", to[] = "player@game.test", subject[16];
    std::snprintf(subject, sizeof subject, "@%s", player.c_str());
    VekMailInfo head{};
    head.VekMailAbsender = from;
    head.VekMailAdressat = to;
    head.VekMailSubject = subject;
    char *h = GameMailHeader("answer", &head, kDay + 86400 * n);
    std::string text = std::string(h) + std::string((const char *)info.VekMailData, info.VekMailLength);
    FreeVec(h);
    FreeVec(info.VekMailData);
    return text;
}

void ClearDir(const std::string &d)
{
    std::error_code ec;
    for (auto &e : fs::directory_iterator(d, ec)) fs::remove_all(e.path(), ec);
}

// The three answers into the mailbox (again).
void SeedMailbox()
{
    struct passwd *pw = getpwnam("dovecot");
    for (int i = 0; i < kMails; ++i) {
        std::string path = work + "/rig/dovecot/mail/player/Maildir/new/" + std::to_string(1000 + i) + ".bench";
        FILE *f = std::fopen(path.c_str(), "wb");
        std::fwrite(mails[(size_t)i].data(), 1, mails[(size_t)i].size(), f);
        std::fclose(f);
        if (pw && chown(path.c_str(), pw->pw_uid, pw->pw_gid) != 0) std::perror("chown");
    }
}

// As the download fetches: the answers saved, flushed to the disk, then
// deleted on the server; the mailbox is filled again between the runs.
void BM_FetchThreeTurns(benchmark::State &state)
{
    if (!popOk) return state.SkipWithError("dovecot not running");
    const std::string in = work + "/in/";
    const std::string server = "127.0.0.1:" + std::to_string(popPort);
    for (auto _ : state) {
        const char *r = GetEmail(server.c_str(), "player", "secret", player.c_str(), in.c_str(), 0, 1);
        if (std::string(r) != "ok") {
            std::fprintf(stderr, "fetch: %s\n", r);
            state.SkipWithError(r);
            break;
        }
        state.PauseTiming();
        ClearDir(in);
        SeedMailbox();
        state.ResumeTiming();
    }
}

void BM_CurlFetchThreeTurns(benchmark::State &state)
{
    if (!popOk) return state.SkipWithError("dovecot not running");
    std::vector<std::string> args = {"curl", "-s", "--user", "player:secret"};
    for (int i = 1; i <= kMails; ++i) {
        args.push_back("pop3://127.0.0.1:" + std::to_string(popPort) + "/" + std::to_string(i));
        args.push_back("-o");
        args.push_back(work + "/curl/" + std::to_string(i) + ".email");
    }
    for (auto _ : state) {
        if (RunQuiet(args) != 0) {
            state.SkipWithError("curl failed");
            break;
        }
        state.PauseTiming();
        ClearDir(work + "/curl");
        state.ResumeTiming();
    }
}

std::map<std::string, std::string> Snapshot(const std::string &root)
{
    std::map<std::string, std::string> out;
    for (const char *d : {"Data", "Map"}) {
        std::error_code ec;
        for (auto &e : fs::recursive_directory_iterator(root + "/" + d, ec)) {
            if (!e.is_regular_file()) continue;
            FILE *f = std::fopen(e.path().c_str(), "rb");
            std::string s;
            char buf[65536];
            size_t n;
            while (f && (n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
            if (f) std::fclose(f);
            out[fs::relative(e.path(), root).string()] = s;
        }
    }
    return out;
}

void Quiet(APTR, const char *) {}
void QuietBox(APTR) {}
APTR QuietOpen(const char *) { return (APTR)&times; }
BOOL LoopbackOnly(const char *host, ULONG *address)
{
    if (std::strcmp(host, "127.0.0.1") != 0) return 0;
    *address = htonl(INADDR_LOOPBACK);  // network order, as the resolver gives it
    return 1;
}

void PrepareRealm(const std::string &dir)
{
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const char *d : {"Data", "Map"}) fs::copy(demo + "/" + d, dir + "/" + d, fs::copy_options::recursive);
    for (int i = 0; i < kMails; ++i) {
        std::string name = dir + "/Data/POP3In/" + player + ".email" + (i ? "." + std::to_string(i) : "");
        FILE *f = std::fopen(name.c_str(), "wb");
        std::fwrite(mails[(size_t)i].data(), 1, mails[(size_t)i].size(), f);
        std::fclose(f);
    }
}

void BM_ApplyThreeTurns(benchmark::State &state)
{
    const std::string dir = work + "/realm";
    TurnBoxHooks = {QuietOpen, Quiet, QuietBox, QuietBox, [](const char *) {}, [](const char *) -> LONG { return 1; },
                    [](ULONG) {}};
    NetResolveHook = LoopbackOnly;
    std::snprintf(NetCfg.ProbeHost1, sizeof NetCfg.ProbeHost1, "127.0.0.1");
    std::snprintf(NetCfg.ProbeHost2, sizeof NetCfg.ProbeHost2, "127.0.0.1");
    NetChiefOpenHook = nullptr;
    NetChiefMessageHook = nullptr;
    std::snprintf(PlayerInfo.ForumURL, sizeof PlayerInfo.ForumURL, "http://forum.invalid/");
    std::snprintf(UserSystem.OP.InterPOPName, 40, "127.0.0.1:1");
    UserSystem.OP.TCPIP_Flags = 1;
    const std::string home = fs::current_path();
    for (auto _ : state) {
        state.PauseTiming();
        PrepareRealm(dir);
        auto before = Snapshot(dir);
        fs::current_path(dir);
        PlayerInfo.SpielerID = (ULONG)std::stoul(player);
        PlayerInfo.TryRecvTurn = 0;
        state.ResumeTiming();
        if (!ResidenzDownload(nullptr, nullptr)) {
            fs::current_path(home);
            state.SkipWithError("nothing applied");
            break;
        }
        state.PauseTiming();
        fs::current_path(home);
        auto after = Snapshot(dir);
        changed.clear();
        for (const auto &[name, bytes] : after)
            if (!before.count(name) || before[name] != bytes) changed.push_back(name);
        state.ResumeTiming();
    }
}

// Each changed file read and written back once, flushed, per answer.
void BM_ReadWriteChangedFiles(benchmark::State &state)
{
    const std::string dir = work + "/realm";
    for (auto _ : state) {
        state.PauseTiming();
        PrepareRealm(dir);
        state.ResumeTiming();
        for (int m = 0; m < kMails; ++m) {
            for (const std::string &name : changed) {
                std::string path = dir + "/" + name;
                ULONG size = GetFileSize(path.c_str());
                APTR data = size ? LoadFile2Mem(path.c_str(), 0) : nullptr;
                if (!WriteFileAtomic(path.c_str(), data ? data : "", size, -1)) std::abort();
                FreeVec(data);
            }
        }
    }
}

BENCHMARK(BM_FetchThreeTurns)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_CurlFetchThreeTurns)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_ApplyThreeTurns)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ReadWriteChangedFiles)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        static const char *names[4] = {"BM_FetchThreeTurns", "BM_CurlFetchThreeTurns", "BM_ApplyThreeTurns",
                                       "BM_ReadWriteChangedFiles"};
        for (const auto &r : runs)
            for (int i = 0; i < 4; ++i)
                if (r.benchmark_name().rfind(names[i], 0) == 0 && r.benchmark_name().size() >= std::strlen(names[i]) &&
                    (r.benchmark_name().size() == std::strlen(names[i]) || r.benchmark_name()[std::strlen(names[i])] == '/'))
                    times[i] = r.GetAdjustedRealTime() / 1000.0;
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    char tmpl[] = "/tmp/vekturnbench.XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    work = tmpl;
    chmod(tmpl, 0755);  // the mail servers' own users reach the rig below
    demo = work + "/demo";
    fs::create_directories(work + "/in");
    fs::create_directories(work + "/curl");
    if (RunQuiet({BuildDir() + "/vekdemo", demo}) != 0) {
        std::fprintf(stderr, "vekdemo failed\n");
        return 1;
    }
    {
        const std::string home = fs::current_path();
        fs::current_path(demo);
        auto *info = (st_INFO *)LoadChunk2Mem(ID_INFO, POOL_IN);
        char id[16];
        std::snprintf(id, sizeof id, "%8.8u", info ? (unsigned)info->SpielerID : 0u);
        FreeVec(info);
        player = id;
        fs::current_path(home);
    }
    for (int i = 1; i <= kMails; ++i) mails.push_back(Answer(i));
    const std::string rig = work + "/rig";
    popPort = FreePort();
    popOk = RunQuiet({SourceDir() + "/tools/netrig.sh", "start", "dovecot", rig, std::to_string(popPort)}) == 0;
    if (popOk) SeedMailbox();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (times[0] > 0 && times[1] > 0)
        std::printf("Fetch of %d turn mails of 1 MB pools: client %.3f s, curl %.3f s, ratio client/curl %.2f\n",
                    kMails, times[0], times[1], times[0] / times[1]);
    if (times[2] > 0 && times[3] > 0)
        std::printf("Apply of %d answers: %.3f s; reading and writing the %zu changed files once per answer: %.3f s; "
                    "ratio %.2f\n",
                    kMails, times[2], changed.size(), times[3], times[2] / times[3]);
    RunQuiet({SourceDir() + "/tools/netrig.sh", "stop", rig});
    std::error_code ec;
    fs::remove_all(work, ec);
    return 0;
}
