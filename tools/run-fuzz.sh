#!/usr/bin/env bash
# Runs every libFuzzer target of a sanitizer build (default: builds its own in
# build-fuzz) for a bounded time, several at once: FUZZ_SECONDS each
# (default 20), the chunk pool a minute. Fails when a target finds a crash.
set -euo pipefail
cd "$(dirname "$0")/.."
ls fuzz/*.cpp >/dev/null 2>&1 || exit 0
dir=${1:-build-fuzz}
if [ $# -eq 0 ]; then
  CC=clang CXX=clang++ cmake -S . -B "$dir" -DVEK_FUZZ=ON -DVEK_SANITIZE=ON -DVEK_TESTS=OFF -DVEK_BENCH=OFF \
    -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
  cmake --build "$dir" -j"$(nproc)"
fi
default_secs=${FUZZ_SECONDS:-20}
pids=()
names=()
for src in fuzz/*.cpp; do
  name=$(basename "$src" .cpp)
  secs=$default_secs
  [ "$name" = fuzz_chunkpool ] && [ -z "${FUZZ_SECONDS:-}" ] && secs=60
  mkdir -p "$dir/corpus-$name"
  seeds=()
  [ -d "fuzz/seeds/$name" ] && seeds=("$PWD/fuzz/seeds/$name")
  (cd "$dir" && ./fuzz/"$name" -max_total_time="$secs" -rss_limit_mb=2048 "$PWD/corpus-$name" "${seeds[@]}" \
     > "fuzz-$name.log" 2>&1) &
  pids+=($!)
  names+=("$name")
  # At most as many at once as there are processors.
  while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do sleep 1; done
done
failed=0
for i in "${!pids[@]}"; do
  if wait "${pids[$i]}"; then
    echo "fuzz ${names[$i]}: $(grep -o 'Done [0-9]* runs in [0-9]* second(s)' "$dir/fuzz-${names[$i]}.log" | tail -n 1)"
  else
    echo "fuzz ${names[$i]}: FAILED"; tail -n 40 "$dir/fuzz-${names[$i]}.log"; failed=1
  fi
done
exit $failed
