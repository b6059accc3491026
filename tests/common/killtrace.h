// Crash tests by system-call trace: an operation runs in a traced child that
// is killed on entry to its n-th file-changing system call (a write, fsync,
// rename, unlink, link, truncate or an open for writing). A loop over every
// such call shows what a power cut or a kill at that moment leaves behind.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace vektest {

// The kinds of calls a loop kills at.
enum KillOn : unsigned {
    KILL_WRITES = 1,    // write, open for writing, truncate, chmod
    KILL_SYNCS = 2,     // fsync, fdatasync, syncfs
    KILL_RENAMES = 4,   // rename, link
    KILL_UNLINKS = 8,   // unlink, rmdir
    KILL_ALL = 15,
};

struct KillResult {
    bool finished = false;  // the child ran to its end before the kill point
    int status = -1;        // its exit status when it finished (op's result 1: 0, else 1)
    int changes = 0;        // calls of the chosen kinds seen
};

// True where the trace runs (x86-64 Linux); elsewhere RunKilledAt runs op
// untraced and a kill loop has nothing to visit.
bool KillTraceAvailable();

// Runs op in a traced child and kills it on entry to its killAt-th call of
// the kinds in on (never, for killAt 0: the result counts them all). The
// child's standard output goes to /dev/null.
KillResult RunKilledAt(int killAt, const std::function<int()> &op, unsigned on = KILL_ALL);

// Where a kill loop's scratch folders go: a memory file system when there is
// one, since a loop counts the calls and their order, and a few hundred runs
// that each wait for the disk at every flush cost minutes.
std::string KillLoopParent();

// The kill points a trace loop visits out of 1..total (a kill at the k-th
// file-changing call): those KillPoints (testutil.h) picks, so that slow
// runs (emulators, sanitizers) thin these loops like every other.
std::vector<int> TraceKillPoints(int total);

}  // namespace vektest
