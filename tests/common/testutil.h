// Shared test fixtures: a scratch working directory, file bytes, and running
// the program as a subprocess.
#pragma once
#include <functional>
#include <cstdint>
#include <string>
#include <vector>

namespace vektest {

using Bytes = std::vector<uint8_t>;

// Creates a fresh directory under /tmp and makes it the working directory
// for the object's lifetime; removes it afterwards.
class ScratchDir {
public:
    ScratchDir();
    explicit ScratchDir(const std::string &parent);  // below parent instead of /tmp
    ~ScratchDir();
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;
    const std::string &path() const { return path_; }

private:
    std::string path_;
    std::string oldCwd_;
};

Bytes ReadBytes(const std::string &path);               // empty when missing
void WriteBytes(const std::string &path, const Bytes &data);
void WriteText(const std::string &path, const std::string &text);
bool Exists(const std::string &path);
void MakeDirs(const std::string &path);                 // like mkdir -p

struct RunResult {
    int status = -1;     // exit status, or 128 + signal
    std::string output;  // standard output and standard error
};

// Runs the program with arguments in directory cwd under SDL's dummy drivers;
// killed after timeoutSeconds.
RunResult RunProgram(const std::string &program, const std::vector<std::string> &args,
                     const std::string &cwd, int timeoutSeconds = 30);

// Runs vekclient (the build's program) in cwd; once its display is open it
// is sent SIGTERM every 100 ms (an orderly end) until it ends.
RunResult RunClient(const std::vector<std::string> &args, const std::string &cwd);

// Waits for the client process pid that writes its output to outFile,
// ending it the same way; its status as in RunResult.
int WaitClosingTheWindow(int pid, const std::string &outFile);

// True in the builds where a test's work costs many times what it costs in
// the plain build: under the sanitizers and under the big-endian emulator.
bool SlowBuild();
// What a bound on elapsed time is multiplied by there (1 in the plain build):
// a test that checks a step ends soon, not how fast the machine is.
int SlowFactor();

// The points a kill-at-every-step loop tries of its `count` points (0 ..
// count-1). The plain build tries every one; a slow build (above) an even
// spread of at most `sample` that holds the first and the last, since there
// each point costs the whole operation again. VEK_EVERY_KILL_POINT=1 in the
// environment tries every point there too.
std::vector<int> KillPoints(int count, int sample = 8);

// Polls done() every 20 ms until it holds, at most `seconds`: a wait for
// something outside the test (a mail server's delivery) that a loaded or
// emulated run may need long for, well within ctest's limit per test. On
// giving up it prints "waited N s for <what>" and returns false.
bool WaitFor(const std::function<bool()> &done, const std::string &what, int seconds = 120);

// Writes the demo data set into dir with the build's generator.
void MakeDemoData(const std::string &dir);

// Runs fn in a child process without root's rights (as nobody when the tests
// run as root), so that file permissions count; fn's result (0..255), or -1
// when the child could not drop them or ended abnormally. The scratch
// directory must be open to others for the child to work in it.
int AsUnprivileged(const std::function<int()> &fn);

// A client's log file, read as it grows: each wait looks past the line of
// the last text found. With lebt given, a wait gives up as soon as it says
// the client is gone.
class ClientLog {
public:
    explicit ClientLog(std::string file, std::function<bool()> lebt = {});
    // Until a line holding text appears, at most sekunden; false on time out.
    bool Warte(const std::string &text, int sekunden = 25);

private:
    std::string file_;
    std::function<bool()> lebt_;
    size_t pos_ = 0;
};

// Captures what a call prints on standard output.
class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture();
    std::string Take();  // ends the capture and returns the text

private:
    int saved_ = -1;
    std::string file_;
    bool done_ = false;
};

}  // namespace vektest
