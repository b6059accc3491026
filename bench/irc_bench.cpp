// The IRC reader's parse of a full batch (300 chat lines in 19,999 bytes)
// beside a pass that only splits the same batch at its line ends.
#include <SDL/SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <new>
#include <string>

#include "benchmain.h"
#include "net/irc.h"
#include "platform/memfile.h"

namespace {

std::string Batch()
{
    std::string b;
    for (int i = 0; b.size() < 19999; ++i) {
        std::string line = ":player" + std::to_string(i % 7) + "!p@host.test PRIVMSG #Orvel :";
        line += std::string(60 - line.size() % 60, 'a' + (char)(i % 26)) + "\r\n";
        b += line;
    }
    // Cut to whole lines of at most 19,999 bytes.
    b.resize(19999);
    b.resize(b.rfind('\n') + 1);
    return b;
}

VekChannel *Channel()
{
    auto *c = new (AllocVec(sizeof(VekChannel), MEMF_CLEAR)) VekChannel();
    c->Host = (char *)AllocVec(100, MEMF_CLEAR);
    std::strcpy(c->Host, "irc.test");
    std::strcpy(c->Channel, "#Orvel");
    std::strcpy(c->Nick, "me_Vek");
    c->Semaphore = SDL_CreateSemaphore(1);
    c->Status = IRC_SERVERNAME | IRC_NAMESDONE;
    return c;
}

void BM_ParseBatch(benchmark::State &state)
{
    const std::string batch = Batch();
    VekChannel *c = Channel();
    std::string work;
    for (auto _ : state) {
        work = batch;
        c->Status.fetch_or(IRC_PARSING);
        c->IOMessageLen = (UWORD)work.size();
        ParseExt(c, work.data());
        benchmark::DoNotOptimize(work.data());
    }
    state.counters["lines"] = 300;
    ExitIRC(c);
}

void BM_SplitBatch(benchmark::State &state)
{
    const std::string batch = Batch();
    std::string work;
    for (auto _ : state) {
        work = batch;
        ULONG lines = 0;
        for (char *p = work.data(); (p = std::strchr(p, '\n'));) {
            *p++ = 0;
            ++lines;
        }
        benchmark::DoNotOptimize(lines);
    }
}

BENCHMARK(BM_ParseBatch);
BENCHMARK(BM_SplitBatch);

}  // namespace

int main(int argc, char **argv) { return RunBenchmarksQuietly(argc, argv); }
