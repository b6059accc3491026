#!/usr/bin/env bash
# Sets up, builds twice (plain, and with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every test in both builds.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
jobs=$(nproc)
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
for variant in plain asan; do
  dir=build-$variant
  flags=(-DVEK_BENCH=ON)
  [ "$variant" = asan ] && flags=(-DVEK_SANITIZE=ON -DVEK_BENCH=OFF)
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}" >/dev/null
  cmake --build "$dir" -j"$jobs"
  # The demo data set must come out byte for byte the same on every run.
  rm -rf "$dir/demo-a" "$dir/demo-b"
  "$dir/vekdemo" "$dir/demo-a" && "$dir/vekdemo" "$dir/demo-b"
  diff -r "$dir/demo-a" "$dir/demo-b"
  (cd "$dir" && ctest --output-on-failure -j"$jobs" --timeout 300)
done
if [ -x tools/run-fuzz.sh ]; then bash tools/run-fuzz.sh; fi
