#include "common/testutil.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <grp.h>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vektest {

namespace fs = std::filesystem;

int AsUnprivileged(const std::function<int()> &fn)
{
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) _exit(255);
        int r = fn();
        std::fflush(stdout);
        _exit(r & 0xFF);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) == 255) return -1;
    return WEXITSTATUS(status);
}

ScratchDir::ScratchDir() : ScratchDir("/tmp") {}

ScratchDir::ScratchDir(const std::string &parent)
{
    std::string tmpl = parent + "/vektest.XXXXXX";
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
    oldCwd_ = fs::current_path().string();
    fs::current_path(path_);
}

ScratchDir::~ScratchDir()
{
    std::error_code ec;
    fs::current_path(oldCwd_, ec);
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

Bytes ReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string &path, const Bytes &data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write((const char *)data.data(), (std::streamsize)data.size());
}

void WriteText(const std::string &path, const std::string &text)
{
    WriteBytes(path, Bytes(text.begin(), text.end()));
}

bool Exists(const std::string &path) { return fs::exists(path); }

void MakeDirs(const std::string &path) { fs::create_directories(path); }

int WaitClosingTheWindow(int pid, const std::string &outFile)
{
    // SIGTERM asks the program for its orderly end, which it carries out at
    // its next wait for the player: sent from the line that says its display
    // opened (its handler long installed) until it has left its screens
    // (sound shut down, or never set up), and again while it has not ended.
    int st = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &st, WNOHANG);
        if (done == pid) break;
        if (done < 0) return -1;
        std::ifstream in(outFile, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const bool open = text.find("InitalizeSDL(): End!") != std::string::npos &&
                          text.find("Exit Soundmaske") == std::string::npos &&
                          text.find("Main: Konnte Sound nicht einrichten") == std::string::npos;
        if (open) kill(pid, SIGTERM);
        usleep(open ? 100000 : 20000);
    }
    return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
}

namespace {

int WaitExit(pid_t pid)
{
    int st = 0;
    waitpid(pid, &st, 0);
    return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
}

RunResult Run(const std::string &program, const std::vector<std::string> &args, const std::string &cwd,
              int timeoutSeconds, bool closeWindow)
{
    char outName[] = "/tmp/vekrun.XXXXXX";
    int outFd = mkstemp(outName);
    RunResult r;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(outFd, 1);
        dup2(outFd, 2);
        if (chdir(cwd.c_str()) != 0) _exit(126);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(program.c_str()));
        for (const auto &a : args) argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        alarm((unsigned)timeoutSeconds);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    r.status = closeWindow ? WaitClosingTheWindow(pid, outName) : WaitExit(pid);
    close(outFd);
    std::ifstream in(outName, std::ios::binary);
    r.output.assign((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (r.status == 128 + SIGALRM)
        r.output += "\n[ended by the test after " + std::to_string(timeoutSeconds) + " s: " + program + " ran too long]\n";
    unlink(outName);
    return r;
}

}  // namespace

bool WaitFor(const std::function<bool()> &done, const std::string &what, int seconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            std::fprintf(stderr, "waited %d s for %s\n", seconds, what.c_str());
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

bool SlowBuild()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return *VEK_LAUNCHER != 0;
}

int SlowFactor() { return SlowBuild() ? 10 : 1; }

std::vector<int> KillPoints(int count, int sample)
{
    std::vector<int> points;
    const char *every = std::getenv("VEK_EVERY_KILL_POINT");
    const bool all = !SlowBuild() || (every && std::string(every) == "1");
    if (all || count <= sample || sample < 2) {
        for (int k = 0; k < count; ++k) points.push_back(k);
        return points;
    }
    for (int i = 0; i < sample; ++i) {
        const int k = (int)((long)i * (count - 1) / (sample - 1));
        if (points.empty() || points.back() != k) points.push_back(k);
    }
    return points;
}

RunResult RunProgram(const std::string &program, const std::vector<std::string> &args, const std::string &cwd,
                     int timeoutSeconds)
{
    return Run(program, args, cwd, timeoutSeconds, false);
}

namespace {

// A program of this build, started through the launcher of a cross build.
RunResult RunOwnProgram(const std::string &program, std::vector<std::string> args, const std::string &cwd,
                        int timeoutSeconds, bool closeWindow)
{
    if (!*VEK_LAUNCHER) return Run(program, args, cwd, timeoutSeconds, closeWindow);
    args.insert(args.begin(), program);
    return Run(VEK_LAUNCHER, args, cwd, timeoutSeconds, closeWindow);
}

}  // namespace

// The build's own programs get room for an emulated run on two loaded
// cores (the generator takes some 15 s under qemu); ctest's limit per test
// is 300 s.
constexpr int kOwnProgramSeconds = 240;

RunResult RunClient(const std::vector<std::string> &args, const std::string &cwd)
{
    return RunOwnProgram(VEKCLIENT_PATH, args, cwd, kOwnProgramSeconds, true);
}

void MakeDemoData(const std::string &dir)
{
    RunResult r = RunOwnProgram(std::string(VEK_BINARY_DIR) + "/vekdemo", {dir}, ".", kOwnProgramSeconds, false);
    if (r.status != 0) throw std::runtime_error("vekdemo failed: " + r.output);
}

StdoutCapture::StdoutCapture()
{
    std::fflush(stdout);
    char name[] = "/tmp/vekcap.XXXXXX";
    int fd = mkstemp(name);
    file_ = name;
    saved_ = dup(1);
    dup2(fd, 1);
    close(fd);
}

std::string StdoutCapture::Take()
{
    if (done_) return {};
    std::fflush(stdout);
    dup2(saved_, 1);
    close(saved_);
    done_ = true;
    std::ifstream in(file_, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    unlink(file_.c_str());
    return text;
}

StdoutCapture::~StdoutCapture() { Take(); }

ClientLog::ClientLog(std::string file, std::function<bool()> lebt) : file_(std::move(file)), lebt_(std::move(lebt)) {}

bool ClientLog::Warte(const std::string &text, int sekunden)
{
    const auto ende = std::chrono::steady_clock::now() + std::chrono::seconds(sekunden);
    for (;;) {
        const Bytes b = ReadBytes(file_);
        const std::string s(b.begin(), b.end());
        const size_t at = s.find(text, pos_);
        if (at != std::string::npos) {
            const size_t zeile = s.find('\n', at);
            pos_ = zeile == std::string::npos ? s.size() : zeile + 1;
            return true;
        }
        if (std::chrono::steady_clock::now() > ende || (lebt_ && !lebt_())) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace vektest
