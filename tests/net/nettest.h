// Test peers for the network layer: a scripted in-memory transport (no
// network at all), a loopback TCP peer run by a test thread, and the real
// Debian servers started through tools/netrig.sh.
#pragma once
#include <atomic>
#include <deque>
#include <functional>
#include <string>
#include <thread>

#include "net/netconn.h"

namespace nettest {

// What the peer does next, in order: bytes to deliver (one receive may take
// less than a step, never more), a silent wait, an error, or the close.
struct Step {
    enum Kind { Data, Timeout, Error, Close } kind;
    std::string bytes;
};
Step D(const std::string &bytes);
Step Silence();
Step Broken();
Step Closed();

struct Script {
    std::deque<Step> steps;
    std::string sent;          // everything the client sent
    size_t failSendAfter = std::string::npos;  // sends beyond this many bytes fail
    int pulls = 0;
    size_t frontTaken = 0;     // bytes of the first step already delivered
};
// A connection over the script; the script must outlive it.
VekConn *ScriptConn(Script &script);
// Each string becomes one delivery.
Script Replies(std::initializer_list<std::string> pieces);
// The same bytes delivered one at a time.
Script Trickle(const std::string &bytes);

// A TCP peer on 127.0.0.1 at a free port, served by a thread that runs
// serve(fd) for each of at most `connections` clients and records what
// they send when the handler uses Read*. With serveNow false the port
// listens at once but the thread starts at Serve(): a test that forks
// starts it after the fork, since the user-mode emulator of the big-endian
// runs crashes a child forked while another thread runs (a client's
// connection waits in the listen queue meanwhile).
class LoopPeer {
public:
    explicit LoopPeer(std::function<void(int fd)> serve, int connections = 1, bool serveNow = true);
    ~LoopPeer();
    void Serve();
    int port() const { return port_; }
    std::string server() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    std::function<void(int fd)> serve_;
    int connections_;
    int listenFd_ = -1;
    int port_ = 0;
    std::thread thread_;
};

// Helpers for a peer's handler; every wait is bounded by timeoutMs.
std::string ReadUntil(int fd, const std::string &end, int timeoutMs = 5000);  // including end
std::string ReadCount(int fd, size_t count, int timeoutMs = 5000);
std::string ReadAll(int fd, int timeoutMs = 5000);  // until the client closes
bool WriteAll(int fd, const std::string &bytes);
void WriteTrickle(int fd, const std::string &bytes, int delayMs = 1);

// A free TCP port on 127.0.0.1 (bound and released again).
int FreePort();

// Real servers on loopback. Start returns "" when running, else the reason;
// "not installed" reasons make the test skip.
class Rig {
public:
    Rig();
    ~Rig();
    // addr: the loopback address to listen on.
    // extra: what follows the address on the rig's command line (vsftpd's folder).
    std::string Start(const std::string &kind, int port, const std::string &addr = "127.0.0.1",
                      const std::string &extra = "");
    bool Installed(const std::string &kind);
    const std::string &dir() const { return dir_; }
    std::string Maildir() const { return dir_ + "/dovecot/mail/player/Maildir"; }

private:
    std::string dir_;
};
std::string NetRigScript();

}  // namespace nettest

// Skips the test when a real server is not installed; fails it when it is
// installed and does not start. A loopback address may follow the port.
#define NET_START_OR_SKIP(rig, kind, port, ...)                                   \
    do {                                                                          \
        if (!(rig).Installed(kind)) GTEST_SKIP() << (kind) << " is not installed"; \
        std::string why_ = (rig).Start(kind, port __VA_OPT__(, ) __VA_ARGS__);    \
        ASSERT_EQ(why_, "") << (kind) << " did not start";                        \
    } while (0)
