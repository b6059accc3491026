#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and the sanitizers and runs each for
# a bounded time: FUZZ_SECONDS each (default 30), the chunk pool a minute.
set -euo pipefail
cd "$(dirname "$0")/.."
ls fuzz/*.cpp >/dev/null 2>&1 || exit 0
default_secs=${FUZZ_SECONDS:-30}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DVEK_FUZZ=ON -DVEK_SANITIZE=ON -DVEK_TESTS=OFF -DVEK_BENCH=OFF \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build build-fuzz -j"$(nproc)"
for src in fuzz/*.cpp; do
  name=$(basename "$src" .cpp)
  secs=$default_secs
  [ "$name" = fuzz_chunkpool ] && [ -z "${FUZZ_SECONDS:-}" ] && secs=60
  mkdir -p "build-fuzz/corpus-$name"
  seeds=()
  [ -d "fuzz/seeds/$name" ] && seeds=("fuzz/seeds/$name")
  (cd build-fuzz && ./fuzz/"$name" -max_total_time="$secs" -rss_limit_mb=2048 "corpus-$name" "${seeds[@]/#/../}" 2>&1 | tail -n 5)
done
