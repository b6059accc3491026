#!/usr/bin/env bash
# Sets up, builds twice and runs every test in both builds: a plain build
# (g++, with the benchmarks) and a sanitizer build (clang with
# AddressSanitizer and UndefinedBehaviorSanitizer, instrumented for
# libFuzzer), then runs the fuzz targets of the sanitizer build for a
# bounded time, and last the big-endian build (tools/run-bigendian.sh).
# Prints one line per phase with its wall and processor time.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/phase.sh
trap 'rm -f "$_phase_times"; phase_summary' EXIT
phase setup bash tools/setup.sh
# Libraries call down only.
phase layers bash tools/check-layers.sh
jobs=$(nproc)
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
# CI builds keep line tables only (enough for the sanitizers' reports and a
# backtrace), which halves what the compiler and linker write; the test
# programs precompile GoogleTest's header.
ci_flags=(-DVEK_PCH=ON "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
          "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG")

# The demo data set must come out byte for byte the same on every run.
demo_twice() {
  local dir=$1
  rm -rf "$dir/demo-a" "$dir/demo-b"
  "$dir/vekdemo" "$dir/demo-a" >/dev/null && "$dir/vekdemo" "$dir/demo-b" >/dev/null
  diff -r "$dir/demo-a" "$dir/demo-b"
}

run_tests() {
  cd "$1" && ctest --output-on-failure -j"$jobs" --timeout 300
}

plain_build() {
  cmake -S . -B build-plain -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEK_BENCH=ON "${ci_flags[@]}"
  cmake --build build-plain -j"$jobs"
}

sanitizer_build() {
  CC=clang CXX=clang++ cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVEK_SANITIZE=ON -DVEK_FUZZ=ON -DVEK_BENCH=OFF -DVEK_PCH=ON \
    -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
    "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1" "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1"
  cmake --build build-asan -j"$jobs"
}

phase "plain build" plain_build
phase "plain demo set" demo_twice build-plain
phase "plain tests" run_tests build-plain

phase "sanitizer build" sanitizer_build
phase "sanitizer demo set" demo_twice build-asan
phase "sanitizer tests" run_tests build-asan
# ... and the same bytes from both compilers.
phase "demo set of both compilers" diff -r build-plain/demo-a build-asan/demo-a
phase "fuzz targets" bash tools/run-fuzz.sh build-asan
# The big-endian build under emulation, compared with the plain one.
phase "big-endian" bash tools/run-bigendian.sh build-be build-plain
