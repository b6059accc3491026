// Runs the registered benchmarks with their report on the original standard
// output while the client's traces on standard output go to /dev/null.
#pragma once
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iostream>

// 0, or 1 when standard output cannot be redirected.
inline int RunBenchmarksQuietly(int argc, char **argv)
{
    std::ofstream report("/dev/stdout");
    if (!std::freopen("/dev/null", "w", stdout)) return 1;
    std::streambuf *console = std::cout.rdbuf(report.rdbuf());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::cout.rdbuf(console);
    return 0;
}
