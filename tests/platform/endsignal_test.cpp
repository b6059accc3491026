// The end signals: noted by the handler, carried out only on the thread that
// waits for the player and only once; a second SIGINT ends at once. Each case
// runs in a child, since the handlers and the note belong to the process.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>

#include "platform/endsignal.h"

namespace {

int ends = 0;

void NoteEnd(int signal)
{
    ++ends;
    std::fprintf(stderr, "end %d after %d\n", signal, ends);
    EndIfRequested();  // the end's own waits do not start it again
    std::exit(ends == 1 ? 0 : 3);
}

// As a player's start has them, whatever started the tests.
void DefaultSignals()
{
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
}

void CarriedOutOnTheWaitingThreadOnly()
{
    DefaultSignals();
    InstallEndSignals();
    EndIfRequested();  // nothing asked yet: nothing happens
    if (EndSignal() != 0) std::exit(4);
    raise(SIGTERM);
    if (EndSignal() != SIGTERM) std::exit(5);
    EndIfRequested();  // no hook yet: the request waits
    OrderlyEndHook = NoteEnd;
    std::thread([] { EndIfRequested(); }).join();  // a worker thread never ends the program
    raise(SIGTERM);    // the same request again: the first stands
    EndIfRequested();
    std::exit(6);
}

void SecondInterrupt()
{
    DefaultSignals();
    InstallEndSignals();
    raise(SIGINT);
    raise(SIGTERM);  // a further SIGTERM is only the same request again
    if (EndSignal() != SIGINT) std::exit(5);
    raise(SIGINT);   // the player insists, before or while the end runs
    std::exit(6);
}

}  // namespace

TEST(EndSignals, NotedAndCarriedOutOnceOnTheWaitingThread)
{
    EXPECT_EXIT(CarriedOutOnTheWaitingThreadOnly(), ::testing::ExitedWithCode(0), "end 15 after 1\n");
}

// A client started in a script's background keeps the interrupt ignored, as
// the script's starter set it; SIGTERM still ends it in order.
void IgnoredInterrupt()
{
    DefaultSignals();
    signal(SIGINT, SIG_IGN);
    InstallEndSignals();
    OrderlyEndHook = NoteEnd;
    raise(SIGINT);
    if (EndSignal() != 0) std::exit(5);
    raise(SIGTERM);
    EndIfRequested();
    std::exit(6);
}

TEST(EndSignals, AnInterruptIgnoredByTheStarterStaysIgnored)
{
    EXPECT_EXIT(IgnoredInterrupt(), ::testing::ExitedWithCode(0), "end 15 after 1\n");
}

TEST(EndSignals, ASecondInterruptEndsAtOnce)
{
    EXPECT_EXIT(SecondInterrupt(), ::testing::KilledBySignal(SIGINT), "");
}
