#!/usr/bin/env bash
# Sets up, builds twice and runs every test in both builds: a plain build
# (g++, with the benchmarks) and a sanitizer build (clang with
# AddressSanitizer and UndefinedBehaviorSanitizer, instrumented for
# libFuzzer), then runs the fuzz targets of the sanitizer build for a
# bounded time, and last the big-endian build (tools/run-bigendian.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
# Libraries call down only.
bash tools/check-layers.sh
jobs=$(nproc)
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

build_and_test() {
  local dir=$1; shift
  "$@"
  cmake --build "$dir" -j"$jobs"
  # The demo data set must come out byte for byte the same on every run.
  rm -rf "$dir/demo-a" "$dir/demo-b"
  "$dir/vekdemo" "$dir/demo-a" >/dev/null && "$dir/vekdemo" "$dir/demo-b" >/dev/null
  diff -r "$dir/demo-a" "$dir/demo-b"
  (cd "$dir" && ctest --output-on-failure -j"$jobs" --timeout 300)
}

build_and_test build-plain \
  cmake -S . -B build-plain -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEK_BENCH=ON
build_and_test build-asan env CC=clang CXX=clang++ \
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEK_SANITIZE=ON -DVEK_FUZZ=ON -DVEK_BENCH=OFF \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
  "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1" "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1"
# ... and the same bytes from both compilers.
diff -r build-plain/demo-a build-asan/demo-a
bash tools/run-fuzz.sh build-asan
# The big-endian build under emulation, compared with the plain one.
bash tools/run-bigendian.sh build-be build-plain
