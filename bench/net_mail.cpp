// Mail transfer against real local servers, beside curl doing the same work:
// fetching 200 game mails of 100 KB from dovecot by POP3, and sending 50 of
// them by SMTP with login to aiosmtpd (opensmtpd's own name look-ups stall
// for seconds where no name server answers, which would drown both clients).
// Prints the time ratios at the end.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <netinet/in.h>
#include <pwd.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "benchutil.h"
#include "net/net.h"
#include "platform/memfile.h"


namespace {

namespace fs = std::filesystem;
using benchutil::FreePort;
using benchutil::RunQuiet;

constexpr int kFetchMails = 200;
constexpr int kSendMails = 50;
constexpr size_t kMailSize = 100 * 1024;

std::string Script()
{
    return fs::path(__FILE__).parent_path().parent_path().string() + "/tools/netrig.sh";
}


struct Rig {
    std::string dir;
    int port = 0;
    bool ok = false;
    Rig(const std::string &kind)
    {
        char tmpl[] = "/tmp/vekbench.XXXXXX";
        if (!mkdtemp(tmpl)) return;
        dir = tmpl;
        port = FreePort();
        std::string cmd = Script() + " start " + kind + " " + dir + " " + std::to_string(port) + " >/dev/null 2>&1";
        ok = std::system(cmd.c_str()) == 0;
    }
    ~Rig()
    {
        if (dir.empty()) return;
        std::string cmd = Script() + " stop " + dir + " >/dev/null 2>&1";
        int rc = std::system(cmd.c_str());
        (void)rc;
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string Maildir() const { return dir + "/dovecot/mail/player/Maildir"; }
    std::string Server() const { return "127.0.0.1:" + std::to_string(port); }
};

std::string GameMail(int n)
{
    char head[200];
    std::snprintf(head, sizeof head, "From: Bench <bench@game.test>\r\nTo: <player@game.test>\r\nSubject: @%08d\r\n\r\n;XEncode;\r\n", n);
    std::string m = head;
    while (m.size() < kMailSize) m += std::string(76, (char)('A' + m.size() % 26)) + "\r\n";
    return m;
}


Rig *popRig = nullptr;
Rig *smtpRig = nullptr;
std::string workDir;
double times[4];  // seconds per iteration: client fetch, curl fetch, client send, curl send

void ClearDir(const std::string &d)
{
    std::error_code ec;
    for (auto &e : fs::directory_iterator(d, ec)) fs::remove_all(e.path(), ec);
}

void ClearSent()
{
    std::error_code ec;
    for (auto &e : fs::directory_iterator(smtpRig->dir + "/aiosmtpd", ec))
        if (e.path().extension() == ".eml" || e.path().extension() == ".env") fs::remove(e.path(), ec);
}

void BM_Pop3Fetch200(benchmark::State &state)
{
    if (!popRig || !popRig->ok) {
        state.SkipWithError("dovecot not running");
        return;
    }
    std::string in = workDir + "/in/";
    for (auto _ : state) {
        const char *r = GetEmail(popRig->Server().c_str(), "player", "secret", nullptr, in.c_str(), 0, 0);
        if (std::string(r) != "ok") state.SkipWithError(r);
        state.PauseTiming();
        ClearDir(in);
        state.ResumeTiming();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * kFetchMails * (int64_t)kMailSize);
}

void BM_CurlPop3Fetch200(benchmark::State &state)
{
    if (!popRig || !popRig->ok) {
        state.SkipWithError("dovecot not running");
        return;
    }
    std::vector<std::string> args = {"curl", "-s", "--user", "player:secret"};
    std::string in = workDir + "/curl/";
    for (int i = 1; i <= kFetchMails; ++i) {
        args.push_back("pop3://" + popRig->Server() + "/" + std::to_string(i));
        args.push_back("-o");
        args.push_back(in + std::to_string(i) + ".email");
    }
    for (auto _ : state) {
        if (RunQuiet(args) != 0) state.SkipWithError("curl failed");
        state.PauseTiming();
        ClearDir(in);
        state.ResumeTiming();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * kFetchMails * (int64_t)kMailSize);
}

void BM_SmtpSend50(benchmark::State &state)
{
    if (!smtpRig || !smtpRig->ok) {
        state.SkipWithError("aiosmtpd not running");
        return;
    }
    std::vector<std::string> mails;
    for (int i = 0; i < kSendMails; ++i) mails.push_back(GameMail(i));
    const std::string login("\0player\0secret", 14);
    for (auto _ : state) {
        for (const auto &m : mails) {
            char *r = SendEmail(smtpRig->Server().c_str(), "bench@game.test", "player@game.test", m.c_str(),
                                login.c_str());
            if (std::string(r) != "ok") state.SkipWithError("send failed");
            FreeVec(r);
        }
        state.PauseTiming();
        ClearSent();
        state.ResumeTiming();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * kSendMails * (int64_t)kMailSize);
}

void BM_CurlSmtpSend50(benchmark::State &state)
{
    if (!smtpRig || !smtpRig->ok) {
        state.SkipWithError("aiosmtpd not running");
        return;
    }
    std::vector<std::string> files;
    for (int i = 0; i < kSendMails; ++i) {
        files.push_back(workDir + "/send" + std::to_string(i) + ".eml");
        std::string m = GameMail(i);
        FILE *f = std::fopen(files.back().c_str(), "wb");
        std::fwrite(m.data(), 1, m.size(), f);
        std::fclose(f);
    }
    for (auto _ : state) {
        for (const auto &f : files)
            if (RunQuiet({"curl", "-s", "smtp://" + smtpRig->Server(), "--user", "player:secret", "--mail-from",
                     "bench@game.test", "--mail-rcpt", "player@game.test", "-T", f}) != 0)
                state.SkipWithError("curl failed");
        state.PauseTiming();
        ClearSent();
        state.ResumeTiming();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * kSendMails * (int64_t)kMailSize);
}

BENCHMARK(BM_Pop3Fetch200)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_CurlPop3Fetch200)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_SmtpSend50)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_CurlSmtpSend50)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Keeps the real time per iteration of each run for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const auto &r : runs) {
            std::string n = r.benchmark_name();
            double s = r.GetAdjustedRealTime() / 1000.0;  // milliseconds to seconds
            if (n.rfind("BM_Pop3Fetch200", 0) == 0) times[0] = s;
            else if (n.rfind("BM_CurlPop3Fetch200", 0) == 0) times[1] = s;
            else if (n.rfind("BM_SmtpSend50", 0) == 0) times[2] = s;
            else if (n.rfind("BM_CurlSmtpSend50", 0) == 0) times[3] = s;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (RunQuiet({"curl", "--version"}) != 0) std::fprintf(stderr, "curl is missing: its runs fail\n");
    char tmpl[] = "/tmp/vekbenchwork.XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    workDir = tmpl;
    fs::create_directories(workDir + "/in");
    fs::create_directories(workDir + "/curl");
    Rig pop("dovecot"), smtp("aiosmtpd");
    popRig = &pop;
    smtpRig = &smtp;
    if (pop.ok) {
        struct passwd *pw = getpwnam("dovecot");
        for (int i = 1; i <= kFetchMails; ++i) {
            std::string path = pop.Maildir() + "/new/" + std::to_string(1000 + i) + ".bench";
            std::string m = GameMail(i);
            FILE *f = std::fopen(path.c_str(), "wb");
            std::fwrite(m.data(), 1, m.size(), f);
            std::fclose(f);
            if (pw && chown(path.c_str(), pw->pw_uid, pw->pw_gid) != 0) std::perror("chown");
        }
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (times[0] > 0 && times[1] > 0)
        std::printf("POP3 fetch of %d x 100 KB: client %.3f s, curl %.3f s, ratio client/curl %.2f\n", kFetchMails,
                    times[0], times[1], times[0] / times[1]);
    if (times[2] > 0 && times[3] > 0)
        std::printf("SMTP send of %d x 100 KB: client %.3f s, curl %.3f s, ratio client/curl %.2f\n", kSendMails,
                    times[2], times[3], times[2] / times[3]);
    std::error_code ec;
    fs::remove_all(workDir, ec);
    return 0;
}
