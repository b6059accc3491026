#include "common/killtrace.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__x86_64__) && defined(__linux__)
#include <cstddef>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/user.h>
#define VEK_KILLTRACE 1
#endif

namespace vektest {

#ifdef VEK_KILLTRACE

namespace {

// The kind of a system call that changes a file or a directory entry, 0 for
// any other.
unsigned KindOf(const user_regs_struct &r)
{
    auto writable = [](unsigned long long flags) { return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0; };
    switch (r.orig_rax) {
    case SYS_write: case SYS_pwrite64: case SYS_writev: case SYS_pwritev: case SYS_pwritev2:
        return r.rdi > 2 ? (unsigned)KILL_WRITES : 0u;  // not the standard streams
    case SYS_open: return writable(r.rsi) ? (unsigned)KILL_WRITES : 0u;
    case SYS_openat: return writable(r.rdx) ? (unsigned)KILL_WRITES : 0u;
    case SYS_creat: case SYS_ftruncate: case SYS_truncate: case SYS_fchmod: case SYS_chmod: case SYS_fchmodat:
        return KILL_WRITES;
    case SYS_fsync: case SYS_fdatasync: case SYS_syncfs: return KILL_SYNCS;
    case SYS_rename: case SYS_renameat: case SYS_renameat2: case SYS_link: case SYS_linkat: return KILL_RENAMES;
    case SYS_unlink: case SYS_unlinkat: case SYS_rmdir: return KILL_UNLINKS;
    default: return 0;
    }
}

const long Watched[] = {SYS_write, SYS_pwrite64, SYS_writev, SYS_pwritev, SYS_pwritev2, SYS_open, SYS_openat,
                        SYS_creat, SYS_ftruncate, SYS_truncate, SYS_fchmod, SYS_chmod, SYS_fchmodat, SYS_fsync,
                        SYS_fdatasync, SYS_syncfs, SYS_rename, SYS_renameat, SYS_renameat2, SYS_link, SYS_linkat,
                        SYS_unlink, SYS_unlinkat, SYS_rmdir};

// Stops the child only at the calls above (a seccomp filter that hands them
// to the tracer), instead of at the entry and exit of every call: a run that
// prints a line per routine is otherwise traced a hundred times slower.
bool WatchFileCalls()
{
    std::vector<sock_filter> f;
    f.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)));
    f.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0));
    f.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    f.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)));
    const unsigned n = sizeof Watched / sizeof Watched[0];
    for (unsigned i = 0; i < n; ++i)
        f.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, (unsigned)Watched[i], (unsigned char)(n - i), 0));
    f.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    f.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_TRACE));
    sock_fprog prog = {(unsigned short)f.size(), f.data()};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &prog) == 0;
}

}  // namespace

bool KillTraceAvailable() { return true; }

KillResult RunKilledAt(int killAt, const std::function<int()> &op, unsigned on)
{
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) dup2(quiet, 1);
        ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        raise(SIGSTOP);
        if (!WatchFileCalls()) _exit(120);
        const int ok = op();
        std::fflush(stdout);
        _exit(ok == 1 ? 0 : 1);
    }
    KillResult res;
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return res;
    ptrace(PTRACE_SETOPTIONS, pid, nullptr, (void *)(long)(PTRACE_O_TRACESECCOMP | PTRACE_O_EXITKILL));
    int pass = 0;
    for (;;) {
        ptrace(PTRACE_CONT, pid, nullptr, (void *)(long)pass);
        pass = 0;
        if (waitpid(pid, &status, 0) != pid) return res;
        if (WIFEXITED(status) || WIFSIGNALED(status)) {
            res.finished = true;
            res.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return res;
        }
        if (!WIFSTOPPED(status)) continue;
        if (status >> 8 != (SIGTRAP | (PTRACE_EVENT_SECCOMP << 8))) {
            if (WSTOPSIG(status) != SIGTRAP) pass = WSTOPSIG(status);  // a signal for the child: hand it on
            continue;
        }
        // A seccomp stop comes before the call runs.
        user_regs_struct regs;
        ptrace(PTRACE_GETREGS, pid, nullptr, &regs);
        if (!(KindOf(regs) & on)) continue;
        if (++res.changes == killAt) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return res;
        }
    }
}

#else

bool KillTraceAvailable() { return false; }

KillResult RunKilledAt(int, const std::function<int()> &op, unsigned)
{
    KillResult res;
    res.finished = true;
    res.status = op() == 1 ? 0 : 1;
    return res;
}

#endif

std::string KillLoopParent()
{
    struct statfs fs;
    if (statfs("/dev/shm", &fs) == 0 && fs.f_type == TMPFS_MAGIC && access("/dev/shm", W_OK | X_OK) == 0)
        return "/dev/shm";
    return "/tmp";
}

std::vector<int> KillPoints(int total)
{
    std::vector<int> points;
    for (int k = 1; k <= total; ++k) points.push_back(k);
    return points;
}

}  // namespace vektest
