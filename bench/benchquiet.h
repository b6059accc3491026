// Benchmarks of code that narrates on standard output: the report goes to the
// real standard output, the narration to /dev/null.
#pragma once
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

inline int RunQuietBenchmarks(int argc, char **argv)
{
    std::fflush(stdout);
    const int real = dup(1);
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, 1);
    std::ofstream report("/proc/self/fd/" + std::to_string(real));
    std::cout.rdbuf(report.rdbuf());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
