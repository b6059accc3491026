// The end signals: noted in the handler, carried out at the next wait.
#include "platform/endsignal.h"

#include <csignal>
#include <initializer_list>
#include <pthread.h>

namespace {

volatile std::sig_atomic_t requested = 0;
pthread_t waiter;
bool installed = false;
bool ending = false;

void OnSignal(int signal)
{
    if (requested && signal == SIGINT) {
        // The player insists: the default action ends the program at once,
        // and the parent sees the signal as the cause.
        std::signal(SIGINT, SIG_DFL);
        std::raise(SIGINT);
        return;
    }
    if (!requested) requested = signal;
}

}  // namespace

void (*OrderlyEndHook)(int signal) = nullptr;

void InstallEndSignals()
{
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls go on: the network and file code sees no EINTR
    // where it need not.
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM}) {
        // A signal its starter set aside stays aside (the interrupt of a job a
        // script started in the background is not meant for it).
        struct sigaction before {};
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        sigaction(signal, &action, nullptr);
    }
    waiter = pthread_self();
    installed = true;
}

int EndSignal() { return (int)requested; }

void EndIfRequested()
{
    if (!requested || !installed || ending || !OrderlyEndHook || !pthread_equal(pthread_self(), waiter)) return;
    ending = true;  // the end's own waits do not start it again
    OrderlyEndHook((int)requested);
}
