#include "nettest.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "net/net.h"
#include "platform/memfile.h"

namespace nettest {

// Names under ".invalid" never reach a name server: every look-up of the tests
// stays on this machine.
static BOOL LocalResolve(const char *host, ULONG *address)
{
    std::string h = host ? host : "";
    if (h.size() >= 8 && h.compare(h.size() - 8, 8, ".invalid") == 0) return 0;
    if (h != "localhost" && h.find_first_not_of("0123456789.") != std::string::npos) return 0;
    return NetResolveName(host, address);
}

// No test waits long for a peer: every receive gives up after ten seconds.
static const bool testNetSettings = [] {
    NetCfg.ReceiveTimeoutMs = 10000;
    NetResolveHook = LocalResolve;
    return true;
}();

Step D(const std::string &bytes) { return Step{Step::Data, bytes}; }
Step Silence() { return Step{Step::Timeout, ""}; }
Step Broken() { return Step{Step::Error, ""}; }
Step Closed() { return Step{Step::Close, ""}; }

namespace {

int ScriptPull(void *ctx, UBYTE *buffer, ULONG max, ULONG)
{
    auto *s = (Script *)ctx;
    s->pulls++;
    while (!s->steps.empty() && s->steps.front().kind == Step::Data && s->steps.front().bytes.empty())
        s->steps.pop_front();
    if (s->steps.empty()) return 0;
    Step &st = s->steps.front();
    switch (st.kind) {
    case Step::Data: {
        size_t left = st.bytes.size() - s->frontTaken;
        size_t n = left < max ? left : max;
        std::memcpy(buffer, st.bytes.data() + s->frontTaken, n);
        s->frontTaken += n;
        if (s->frontTaken == st.bytes.size()) {
            s->steps.pop_front();
            s->frontTaken = 0;
        }
        return (int)n;
    }
    case Step::Timeout: s->steps.pop_front(); return NETPULL_TIMEOUT;
    case Step::Error: s->steps.pop_front(); return NETPULL_ERROR;
    default: return 0;
    }
}

int ScriptPush(void *ctx, const UBYTE *buffer, ULONG length)
{
    auto *s = (Script *)ctx;
    size_t room = s->failSendAfter == std::string::npos ? length
                  : s->sent.size() >= s->failSendAfter ? 0
                                                       : s->failSendAfter - s->sent.size();
    size_t n = room < length ? room : length;
    s->sent.append((const char *)buffer, n);
    return (int)n;
}

const char *ScriptError(void *) { return "scripted failure"; }

}  // namespace

VekConn *ScriptConn(Script &script)
{
    return NetConnOpen(NetTransport{ScriptPull, ScriptPush, nullptr, ScriptError, &script});
}

Script Replies(std::initializer_list<std::string> pieces)
{
    Script s;
    for (const auto &p : pieces) s.steps.push_back(D(p));
    return s;
}

Script Trickle(const std::string &bytes)
{
    Script s;
    for (char c : bytes) s.steps.push_back(D(std::string(1, c)));
    return s;
}

// ---- Loopback peer ----------------------------------------------------------

LoopPeer::LoopPeer(std::function<void(int fd)> serve, int connections, bool serveNow)
    : serve_(std::move(serve)), connections_(connections)
{
    listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    bind(listenFd_, (sockaddr *)&a, sizeof a);
    listen(listenFd_, 8);
    socklen_t len = sizeof a;
    getsockname(listenFd_, (sockaddr *)&a, &len);
    port_ = ntohs(a.sin_port);
    if (serveNow) Serve();
}

void LoopPeer::Serve()
{
    if (thread_.joinable()) return;
    int lfd = listenFd_;
    thread_ = std::thread([lfd, serve = serve_, connections = connections_] {
        for (int i = 0; i < connections; ++i) {
            pollfd p{lfd, POLLIN, 0};
            if (poll(&p, 1, 20000) <= 0) return;
            int fd = accept(lfd, nullptr, nullptr);
            if (fd < 0) return;
            serve(fd);
            close(fd);
        }
    });
}

LoopPeer::~LoopPeer()
{
    shutdown(listenFd_, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    close(listenFd_);
}

namespace {

bool WaitReadable(int fd, int timeoutMs)
{
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, timeoutMs) > 0;
}

}  // namespace

std::string ReadUntil(int fd, const std::string &end, int timeoutMs)
{
    std::string got;
    auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < end.size() || got.compare(got.size() - end.size(), end.size(), end) != 0) {
        int left = (int)std::chrono::duration_cast<std::chrono::milliseconds>(limit - std::chrono::steady_clock::now()).count();
        if (left <= 0 || !WaitReadable(fd, left)) break;
        char c;
        if (::recv(fd, &c, 1, 0) != 1) break;
        got.push_back(c);
    }
    return got;
}

std::string ReadCount(int fd, size_t count, int timeoutMs)
{
    std::string got;
    auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buf[65536];
    while (got.size() < count) {
        int left = (int)std::chrono::duration_cast<std::chrono::milliseconds>(limit - std::chrono::steady_clock::now()).count();
        if (left <= 0 || !WaitReadable(fd, left)) break;
        size_t want = count - got.size() < sizeof buf ? count - got.size() : sizeof buf;
        ssize_t n = ::recv(fd, buf, want, 0);
        if (n <= 0) break;
        got.append(buf, (size_t)n);
    }
    return got;
}

std::string ReadAll(int fd, int timeoutMs)
{
    return ReadCount(fd, std::string::npos, timeoutMs);
}

bool WriteAll(int fd, const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += (size_t)n;
    }
    return true;
}

void WriteTrickle(int fd, const std::string &bytes, int delayMs)
{
    for (char c : bytes) {
        if (::send(fd, &c, 1, MSG_NOSIGNAL) != 1) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    }
}

int FreePort()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, (sockaddr *)&a, sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, (sockaddr *)&a, &len);
    close(fd);
    return ntohs(a.sin_port);
}

// ---- Real servers -----------------------------------------------------------

std::string NetRigScript() { return std::string(VEK_SOURCE_DIR) + "/tools/netrig.sh"; }

Rig::Rig()
{
    char tmpl[] = "/tmp/vekrig.XXXXXX";
    if (mkdtemp(tmpl)) dir_ = tmpl;
}

Rig::~Rig()
{
    if (dir_.empty()) return;
    std::string cmd = NetRigScript() + " stop " + dir_ + " >/dev/null 2>&1";
    int rc = std::system(cmd.c_str());
    (void)rc;
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

bool Rig::Installed(const std::string &kind)
{
    std::string cmd = NetRigScript() + " have " + kind + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

std::string Rig::Start(const std::string &kind, int port, const std::string &addr, const std::string &extra)
{
    if (dir_.empty()) return "no rig folder";
    // opensmtpd is one per machine: under ctest (which names the locks it
    // holds for a test in VEK_LOCKS) only a test holding its lock starts it.
    const char *locks = std::getenv("VEK_LOCKS");
    if (kind == "opensmtpd" && locks && std::string(locks).find("opensmtpd") == std::string::npos)
        return "ctest does not hold the lock \"opensmtpd\" for this test: start the server in the body of its "
               "TEST with NET_START_OR_SKIP(rig, \"opensmtpd\", ...), where tests/locks.cmake finds it";
    std::string log = dir_ + "/start-" + kind + ".log";
    // No time limit here: the servers' own starts are bounded, a wait for
    // the machine-wide opensmtpd is bounded by the test's limit and says so
    // on the test's output (descriptor 3).
    std::string cmd = "VEK_RIG_OWNER=" + std::to_string(getpid()) + " " + NetRigScript() + " start " + kind + " " +
                      dir_ + " " + std::to_string(port) + " " + addr + (extra.empty() ? "" : " " + extra) + " 3>&2 >" +
                      log + " 2>&1";
    int rc = std::system(cmd.c_str());
    if (rc == 0) return "";
    std::string text = "start failed";
    if (FILE *f = std::fopen(log.c_str(), "r")) {
        char buf[2048];
        size_t n = std::fread(buf, 1, sizeof buf - 1, f);
        buf[n] = 0;
        text += ": ";
        text += buf;
        std::fclose(f);
    }
    return text;
}

}  // namespace nettest
