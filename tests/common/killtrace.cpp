#include "common/killtrace.h"
#include "common/testutil.h"

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

// Whether descriptor fd of process pid is a file (not a socket or a pipe:
// a loopback peer that happens to listen must not move the kill points).
bool IsFile(pid_t pid, unsigned long long fd)
{
    char link[64], target[16] = {};
    std::snprintf(link, sizeof link, "/proc/%d/fd/%llu", (int)pid, fd);
    return readlink(link, target, sizeof target - 1) > 0 && target[0] == '/';
}

// The kind of a system call that changes a file or a directory entry, 0 for
// any other.
unsigned KindOf(pid_t pid, const user_regs_struct &r)
{
    auto writable = [](unsigned long long flags) { return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0; };
    switch (r.orig_rax) {
    case SYS_write: case SYS_pwrite64: case SYS_writev: case SYS_pwritev: case SYS_pwritev2:
        return r.rdi > 2 && IsFile(pid, r.rdi) ? (unsigned)KILL_WRITES : 0u;  // not the standard streams
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

// Whether this system lets a process install the filter (a container may
// forbid it); without it every call stops the child, which is only slower.
bool Filtered()
{
    static const bool works = [] {
        std::fflush(stdout);
        const pid_t pid = fork();
        if (pid == 0) _exit(WatchFileCalls() ? 0 : 1);
        int status = 0;
        return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }();
    return works;
}

}  // namespace

bool KillTraceAvailable() { return true; }

KillResult RunKilledAt(int killAt, const std::function<int()> &op, unsigned on)
{
    const bool filtered = Filtered();
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);  // the tracer waits for this group only
        const int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) dup2(quiet, 1);
        ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        raise(SIGSTOP);
        if (filtered && !WatchFileCalls()) _exit(120);
        const int ok = op();
        std::fflush(stdout);
        _exit(ok == 1 ? 0 : 1);
    }
    KillResult res;
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, __WALL) != pid) return res;
    setpgid(pid, pid);
    // Threads the child starts are traced too: a filtered call of a thread
    // nobody traces would fail instead of running.
    ptrace(PTRACE_SETOPTIONS, pid, nullptr,
           (void *)(long)((filtered ? PTRACE_O_TRACESECCOMP : PTRACE_O_TRACESYSGOOD) | PTRACE_O_TRACECLONE |
                          PTRACE_O_EXITKILL));
    const int trap = filtered ? SIGTRAP | (PTRACE_EVENT_SECCOMP << 8) : SIGTRAP | 0x80;
    const auto resume = [filtered](pid_t tid, int sig) {
        ptrace(filtered ? PTRACE_CONT : PTRACE_SYSCALL, tid, nullptr, (void *)(long)sig);
    };
    resume(pid, 0);
    for (;;) {
        const pid_t tid = waitpid(-pid, &status, __WALL);
        if (tid < 0) {
            if (errno == EINTR) continue;
            return res;
        }
        if (WIFEXITED(status) || WIFSIGNALED(status)) {
            if (tid != pid) continue;  // a thread ended
            res.finished = true;
            res.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return res;
        }
        if (!WIFSTOPPED(status)) continue;
        int pass = 0;
        if (status >> 8 == trap) {
            // A seccomp stop comes before the call runs; a plain trace stops
            // at its entry and at its return.
            user_regs_struct regs;
            ptrace(PTRACE_GETREGS, tid, nullptr, &regs);
            if ((filtered || (long long)regs.rax == -ENOSYS) && (KindOf(pid, regs) & on) && ++res.changes == killAt) {
                kill(pid, SIGKILL);
                while (waitpid(-pid, &status, __WALL) > 0 || errno == EINTR) {
                }
                return res;
            }
        } else if (WSTOPSIG(status) != SIGTRAP && WSTOPSIG(status) != SIGSTOP) {
            pass = WSTOPSIG(status);  // a signal for the child: hand it on
        }
        resume(tid, pass);
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

std::vector<int> TraceKillPoints(int total)
{
    std::vector<int> points;
    for (int k : KillPoints(total)) points.push_back(k + 1);
    return points;
}

}  // namespace vektest
