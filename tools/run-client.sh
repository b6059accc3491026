#!/usr/bin/env bash
# Sets up, builds, writes the demo data set into build/demo and starts the
# client there. Without a display it runs on SDL's dummy video driver.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build -DVEK_TESTS=OFF -DVEK_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)"
./build/vekdemo build/demo
cd build/demo
if [ -z "${DISPLAY:-}" ]; then export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-dummy} SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}; fi
exec ../vekclient -window "$@"
