// The run marker across processes: a run killed while it is set leaves it
// set for the next start, and an orderly end clears it.
#include <gtest/gtest.h>

#include <filesystem>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "common/testutil.h"
#include "platform/prefs.h"

namespace {

using vektest::ReadBytes;

struct LimitedRun {
    int status = -1;  // exit status, or 128 + signal
    std::string output;
};

// Runs the program with its standard output in a file that may not grow past
// limit bytes: the first line written beyond it kills the program (SIGXFSZ),
// which stops it at a chosen line without any timing.
LimitedRun RunWithOutputLimit(const std::string &cwd, rlim_t limit)
{
    const std::string outName = cwd + "/stdout.txt";
    LimitedRun r;
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(cwd.c_str()) != 0) _exit(126);
        int out = open(outName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int null = open("/dev/null", O_WRONLY);
        if (out < 0 || null < 0) _exit(126);
        dup2(out, 1);
        dup2(null, 2);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        struct rlimit noCore = {0, 0}, size = {limit, limit};
        setrlimit(RLIMIT_CORE, &noCore);
        setrlimit(RLIMIT_FSIZE, &size);
        signal(SIGXFSZ, SIG_DFL);
        alarm(240);  // room for an emulated run on two loaded cores
        if (*VEK_LAUNCHER) execl(VEK_LAUNCHER, VEK_LAUNCHER, VEKCLIENT_PATH, "-window", (char *)nullptr);
        execl(VEKCLIENT_PATH, VEKCLIENT_PATH, "-window", (char *)nullptr);
        _exit(127);
    }
    r.status = vektest::WaitClosingTheWindow(pid, outName);
    std::ifstream in(outName, std::ios::binary);
    r.output.assign((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(outName.c_str());
    return r;
}

TEST(RunMarker, KilledRunIsSeenByTheNextStart)
{
    vektest::ScratchDir scratch;
    const std::string first = scratch.path() + "/first", second = scratch.path() + "/second";
    vektest::MakeDemoData(first);
    vektest::MakeDemoData(second);
    // Without a game set up a run passes the title and ends on its own.
    for (const std::string &d : {first, second}) {
        const auto alt = std::filesystem::current_path();
        std::filesystem::current_path(d);
        ASSERT_TRUE(CheckPrefsWrite(0, 0));
        std::filesystem::current_path(alt);
    }

    // An orderly run shows where the marker is set: right after "CheckPrefs()".
    LimitedRun clean = RunWithOutputLimit(first, RLIM_INFINITY);
    ASSERT_EQ(clean.status, 0) << clean.output;
    const std::string markerLine = "CheckPrefs()\n";
    const size_t at = clean.output.find(markerLine);
    ASSERT_NE(at, std::string::npos) << clean.output;
    const size_t limit = at + markerLine.size();
    ASSERT_GT(clean.output.size(), limit) << "the program must print after setting the marker";
    ASSERT_GT(limit, 570u) << "the options file must still fit under the limit";
    EXPECT_EQ(ReadBytes(first + "/Data/Prefs.vek").at(228), 0) << "an orderly end clears the marker";

    // The same start in a twin folder, killed at its first line after the marker.
    LimitedRun killed = RunWithOutputLimit(second, limit);
    EXPECT_EQ(killed.status, 128 + SIGXFSZ) << killed.output;
    EXPECT_EQ(killed.output, clean.output.substr(0, limit));
    EXPECT_EQ(ReadBytes(second + "/Data/Prefs.vek").at(228), 1) << "the killed run left the marker set";

    // The next start finds the marker (and raises Event 2), and its own
    // orderly end clears it again.
    LimitedRun next = RunWithOutputLimit(second, RLIM_INFINITY);
    EXPECT_EQ(next.status, 0) << next.output;
    EXPECT_EQ(ReadBytes(second + "/Data/Prefs.vek").at(228), 0);
}

}  // namespace
