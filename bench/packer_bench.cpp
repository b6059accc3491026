// Throughput of the mail-safe text packer on a 4 MB pool, next to a plain
// memory copy (the floor) and base64 encoding and decoding of the same bytes.
// Every figure is counted in bytes of the pool per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <unistd.h>
#include <vector>

#ifdef VEK_HAVE_OPENSSL
#include <openssl/evp.h>
#endif

#include "platform/memfile.h"
#include "store/packer.h"

namespace {

constexpr size_t kPoolSize = 4u << 20;

// Pool-like bytes: chunk records are mostly zeros and small big-endian
// numbers, with names and map entries between them.
std::vector<UBYTE> MakePool()
{
    std::mt19937 rng(5);
    std::vector<UBYTE> pool(kPoolSize);
    for (size_t i = 0; i < pool.size(); ++i) {
        unsigned r = rng() % 100;
        pool[i] = r < 55 ? 0 : r < 80 ? (UBYTE)(rng() % 16) : r < 90 ? (UBYTE)('a' + rng() % 26) : (UBYTE)rng();
    }
    return pool;
}

std::vector<UBYTE> MakeRandom()
{
    std::mt19937 rng(6);
    std::vector<UBYTE> data(kPoolSize);
    for (auto &b : data) b = (UBYTE)rng();
    return data;
}

const std::vector<UBYTE> &Data(int which)
{
    static const std::vector<UBYTE> pool = MakePool(), random = MakeRandom();
    return which ? random : pool;
}

std::vector<UBYTE> Packed(int which)
{
    const auto &data = Data(which);
    VekMailInfo m{};
    m.VekMailData = const_cast<UBYTE *>(data.data());
    m.VekMailLength = (ULONG)data.size();
    if (Implode(&m) != IMPLODE_OK) std::abort();
    std::vector<UBYTE> text(m.VekMailData, m.VekMailData + m.VekMailLength);
    FreeVec(m.VekMailData);
    return text;
}

void BM_Implode(benchmark::State &state)
{
    const auto &data = Data((int)state.range(0));
    ULONG textLength = 0;
    for (auto _ : state) {
        VekMailInfo m{};
        m.VekMailData = const_cast<UBYTE *>(data.data());
        m.VekMailLength = (ULONG)data.size();
        if (Implode(&m) != IMPLODE_OK) state.SkipWithError("Implode failed");
        textLength = m.VekMailLength;
        FreeVec(m.VekMailData);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)data.size());
    state.counters["text/data"] = (double)textLength / (double)data.size();
}

void BM_Explode(benchmark::State &state)
{
    const auto text = Packed((int)state.range(0));
    const auto &data = Data((int)state.range(0));
    for (auto _ : state) {
        VekMailInfo m{};
        m.VekMailData = const_cast<UBYTE *>(text.data());
        m.VekMailLength = (ULONG)text.size();
        if (Explode(&m) != EXPLODE_OK || m.VekMailLength != data.size()) state.SkipWithError("Explode failed");
        FreeVec(m.VekMailData);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)data.size());
}

void BM_MemoryCopy(benchmark::State &state)
{
    const auto &data = Data((int)state.range(0));
    std::vector<UBYTE> copy(data.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), data.data(), data.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)data.size());
}

#ifdef VEK_HAVE_OPENSSL
void BM_Base64Encode(benchmark::State &state)
{
    const auto &data = Data((int)state.range(0));
    std::vector<unsigned char> text((data.size() + 2) / 3 * 4 + 1);
    for (auto _ : state) {
        int n = EVP_EncodeBlock(text.data(), data.data(), (int)data.size());
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)data.size());
}

void BM_Base64Decode(benchmark::State &state)
{
    const auto &data = Data((int)state.range(0));
    std::vector<unsigned char> text((data.size() + 2) / 3 * 4 + 1);
    int textLength = EVP_EncodeBlock(text.data(), data.data(), (int)data.size());
    std::vector<unsigned char> back(data.size() + 3);
    for (auto _ : state) {
        int n = EVP_DecodeBlock(back.data(), text.data(), textLength);
        if (n < (int)data.size()) state.SkipWithError("EVP_DecodeBlock failed");
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)data.size());
}
#endif

// Argument 0: the pool-like block, 1: uniformly random bytes.
BENCHMARK(BM_Implode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Explode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryCopy)->Arg(0)->Unit(benchmark::kMillisecond);
#ifdef VEK_HAVE_OPENSSL
BENCHMARK(BM_Base64Encode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Base64Decode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

// Implode reports its substitute count on standard output each time; that
// goes to /dev/null here, the results to the real standard output.
int main(int argc, char **argv)
{
    std::fflush(stdout);
    int results = dup(STDOUT_FILENO);
    int null = open("/dev/null", O_WRONLY);
    if (results < 0 || null < 0) return 1;
    dup2(null, STDOUT_FILENO);
    close(null);
    std::ofstream out("/dev/fd/" + std::to_string(results));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::ConsoleReporter reporter(benchmark::ConsoleReporter::OO_Tabular);
    reporter.SetOutputStream(&out);
    reporter.SetErrorStream(&out);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
