#!/usr/bin/env bash
# The big-endian build: cross-compiles the client for s390x against a Debian
# sysroot unpacked into the build folder (kept there, so a rerun does not
# fetch it again), runs test programs under qemu-user, checks that its demo
# set equals the little-endian one except for what is kept in host order,
# and starts the client.
#   bash tools/run-bigendian.sh [build folder] [little-endian build folder]
# The little-endian build (default build-plain) is configured when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/phase.sh
PHASE_PREFIX=big-endian
trap 'rm -f "$_phase_times"; phase_summary' EXIT
phase setup bash tools/setup.sh g++-s390x-linux-gnu qemu-user mmdebstrap
dir=${1:-build-be}
le=${2:-build-plain}
jobs=$(nproc)
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

arch=s390x
triplet=s390x-linux-gnu
# Every test program runs under qemu, whichever tests it holds now or later:
# each folder's code reads or writes files, pictures or the wire, whose
# bytes must not depend on the host's byte order; tests/program starts the
# client itself and tests/tools reads the demo set back.
folders=()
for f in tests/*/; do
  f=$(basename "$f")
  [ "$f" != common ] && ls "tests/$f"/*.cpp >/dev/null 2>&1 && folders+=("$f")
done
pkgs=libsdl1.2-compat-dev,libsdl-mixer1.2-dev,libsdl-net1.2-dev,libmp3lame-dev,libgtest-dev,libstdc++6

mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
sysroot=$dir/sysroot

# The sysroot comes from this machine's own Debian mirror, main and updates
# only: the security suite carries no s390x packages.
fetch_sysroot() {
  [ "$(cat "$sysroot/.complete" 2>/dev/null)" != "$pkgs" ] || return 0
  . /etc/os-release
  suite=$VERSION_CODENAME
  mirror=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' | awk -v s="$suite" '$2 == s {print $1; exit}')
  [ -n "$mirror" ] || { echo "run-bigendian: no $suite mirror in the apt sources" >&2; exit 1; }
  rm -rf "$sysroot"
  mmdebstrap --quiet --mode=root --variant=extract --arch="$arch" --include="$pkgs" "$suite" "$sysroot" \
    "deb $mirror $suite main" "deb $mirror $suite-updates main"
  echo "$pkgs" >"$sysroot/.complete"
}
phase sysroot fetch_sysroot

# Programs that start another program of this build (the client, the demo
# generator) find it through this wrapper: binfmt_misc may not be mounted.
run=$dir/qemu-run
printf '#!/bin/sh\nexec qemu-%s -L "%s" "$@"\n' "$arch" "$sysroot" >"$run"
chmod +x "$run"

cat >"$dir/toolchain.cmake" <<EOF
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR $arch)
set(CMAKE_C_COMPILER $triplet-gcc)
set(CMAKE_CXX_COMPILER $triplet-g++)
set(CMAKE_LIBRARY_ARCHITECTURE $triplet)
set(CMAKE_SYSROOT $sysroot)
set(CMAKE_FIND_ROOT_PATH $sysroot /usr/$triplet)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR $run)
set(ENV{PKG_CONFIG_LIBDIR} $sysroot/usr/lib/$triplet/pkgconfig:$sysroot/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_SYSROOT_DIR} $sysroot)
set(ENV{PKG_CONFIG_PATH} "")
EOF

# Line tables only and GoogleTest's header precompiled, as in the other CI
# builds; only the client, the demo generator and the test programs.
build() {
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$dir/toolchain.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVEK_BENCH=OFF -DVEK_PCH=ON "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" >/dev/null
  local targets=(vekclient vekdemo)
  for f in "${folders[@]}"; do targets+=("test_$f"); done
  cmake --build "$dir" -j"$jobs" --target "${targets[@]}"
}
phase build build
# Each program runs whole, as one test: under the emulator starting a
# process costs more than most tests. A program that fails whole runs its
# failed tests again, each alone, as the other builds run them, and that
# decides: a test that fails only in the whole run depends on the tests
# before it, not on the byte order (its name is printed). A program that
# left no report of its tests (it crashed or ran out of time) runs all its
# tests again one at a time.
failed_in_report() {
  python3 - "$1" <<'PY'
import sys, xml.etree.ElementTree as et
for case in et.parse(sys.argv[1]).iter("testcase"):
    if case.find("failure") is not None:
        print(case.get("classname") + "." + case.get("name"))
PY
}

run_tests() {
  cd "$dir"
  rm -f Testing/Temporary/LastTestsFailed.log
  rm -rf whole && mkdir whole
  ctest -j"$jobs" -L '^whole$' && return 0
  local programs=() all=() failed=() name f t out status=0 labels
  while IFS=: read -r _ name; do programs+=("${name#whole.test_}"); done <Testing/Temporary/LastTestsFailed.log
  [ ${#programs[@]} -gt 0 ] || return 1
  grep -a '^\[  FAILED  \] .* ms)$' Testing/Temporary/LastTest.log | sed 's/^/run-bigendian: whole: /' || true
  for f in "${programs[@]}"; do
    failed=()
    [ -s "whole/test_$f.xml" ] && mapfile -t failed < <(failed_in_report "whole/test_$f.xml" 2>/dev/null)
    if [ ${#failed[@]} -eq 0 ]; then
      all+=("$f")
      continue
    fi
    for t in "${failed[@]}"; do
      # It must run and pass: a name that matches nothing runs no test.
      if out=$(cd tests && timeout 600 "$run" "./test_$f" --gtest_brief=1 "--gtest_filter=$t" 2>&1) &&
         grep -q '^\[  PASSED  \] 1 test\.$' <<<"$out"; then
        echo "run-bigendian: $f: $t passes alone: it depends on the tests before it in the whole run"
      else
        tail -n 60 <<<"$out"
        echo "run-bigendian: $f: $t fails alone too"
        status=1
      fi
    done
  done
  if [ ${#all[@]} -gt 0 ]; then
    echo "run-bigendian: ${all[*]} left no report of their tests; all their tests run one at a time"
    labels=$(IFS='|'; echo "${all[*]}")
    ctest --output-on-failure -j"$jobs" --timeout 300 -L "^($labels)\$" || status=1
  fi
  return $status
}
phase tests run_tests

# The big-endian demo set equals the little-endian one but for what is kept
# in host order; the little-endian build's test compares the two.
demo_set() {
  rm -rf "$dir/demo"
  "$run" "$dir/vekdemo" "$dir/demo" >/dev/null
  [ -f "$le/CMakeCache.txt" ] || cmake -S . -B "$le" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$le" -j"$jobs" --target test_tools >/dev/null
  VEK_OTHER_DEMO_SET="$dir/demo" "$le/tests/test_tools" --gtest_filter='DemoByteOrder.*' --gtest_brief=1
}
phase "demo set" demo_set

# The client starts as on a little-endian host: its version, and a start on
# the demo set that reaches the title screen, which is then closed (SDL turns
# SIGTERM into a window-close event). Each wait is bounded (well within what
# an emulated run on two loaded cores needs) and says what it waited for.
client_to_title() {
  "$run" "$dir/vekclient" -version
  local log=$dir/client.log client status=0 i
  (cd "$dir/demo" && exec "$run" "$dir/vekclient" -window) >"$log" 2>&1 &
  client=$!
  for ((i = 0; i < 1500; i++)); do
    grep -Eq '^(Routine: TitelScreen|TitelScreen: noch nicht eingebaut)$' "$log" && break
    kill -0 "$client" 2>/dev/null || break
    sleep 0.2
  done
  [ "$i" -lt 1500 ] || echo "run-bigendian: waited 300 s for the client to reach the title screen" >&2
  # Each close may first bring a question; closed again until it ends.
  for ((i = 0; i < 600; i++)); do kill -TERM "$client" 2>/dev/null || break; sleep 0.2; done
  if kill -KILL "$client" 2>/dev/null; then
    echo "run-bigendian: waited 120 s for the client to end when closed; killed it" >&2
  fi
  wait "$client" || status=$?
  if [ "$status" != 0 ] || ! grep -Eq '^(Routine: TitelScreen|TitelScreen: noch nicht eingebaut)$' "$log" ||
     grep -q 'TitelScreen: Konnte' "$log"; then
    tail -n 40 "$log"
    echo "run-bigendian: the client did not reach the title screen" >&2
    return 1
  fi
  echo "run-bigendian: the client reached the title screen"
}
phase "client to the title" client_to_title
