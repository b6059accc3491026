#!/usr/bin/env bash
# Sets up, builds, writes the demo data set into build/demo (unless it is
# there) and starts the client there in a window. Without a display it shows what a player would
# see: the client runs on a private Xvfb at 1024 x 768 until the title screen
# is up, that screen goes to build/demo-title.png and the client is ended in
# order (SIGTERM). Arguments pass through to the client.
#   VEKCLIENT=<built client>  skips the set-up and the build (vekdemo is taken
#                             from beside it); the demo set and the picture then
#                             go beside it too, or to VEKOUT=<folder>.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -n "${VEKCLIENT:-}" ]; then
  client=$(realpath "$VEKCLIENT")
else
  bash tools/setup.sh
  cmake -S . -B build -DVEK_TESTS=OFF -DVEK_BENCH=OFF >/dev/null
  cmake --build build -j"$(nproc)"
  client=$PWD/build/vekclient
fi
bin=$(dirname "$client")
out=$(realpath -m "${VEKOUT:-$bin}")
mkdir -p "$out"
# Written once: a game played in the folder stays (remove it for a fresh set).
[ -d "$out/demo" ] || "$bin/vekdemo" "$out/demo" >/dev/null
cd "$out/demo"
if [ -n "${DISPLAY:-}" ]; then
  exec "$client" -window "$@"
fi

picture=$out/demo-title.png
log=$out/demo-client.log
work=$(mktemp -d)
xvfb=
pid=
cleanup() {
  if [ -n "$pid" ] && alive "$pid"; then
    # The client's orderly end first, so that its run marker is cleared.
    kill -TERM "$pid" 2>/dev/null || true
    within 30 eval '! alive "$pid"' || kill -KILL "$pid" 2>/dev/null || true
  fi
  [ -n "$xvfb" ] && kill -TERM "$xvfb" 2>/dev/null || true
  rm -f vek.cfg
  [ -e "$work/vek.cfg" ] && mv "$work/vek.cfg" vek.cfg
  rm -rf "$work"
}
trap cleanup EXIT
# A signal ends the script through the cleanup too, so no server or client is left behind.
trap 'exit 1' INT TERM HUP ALRM
fail() { echo "run-client: $*" >&2; [ -f "$log" ] && tail -n 20 "$log" >&2; exit 1; }
# Waits up to $1 tenths of a second for the command after it to succeed.
within() {
  local n=$1; shift
  for ((i = 0; i < n; i++)); do "$@" && return 0; sleep 0.1; done
  return 1
}
has_line() { grep -qF -- "$1" "$2" 2>/dev/null; }
alive() { kill -0 "$1" 2>/dev/null; }

# The server picks a free display number itself and names it on fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
within 100 test -s "$work/display" || fail "Xvfb did not start"
display=:$(head -n 1 "$work/display")

# The display's size for this run only; a start-up file of the player's own comes back afterwards.
[ -e vek.cfg ] && mv vek.cfg "$work/vek.cfg"
printf 'width=1024\nheight=768\ndepth=32\nwindow=on\n' > vek.cfg
DISPLAY=$display SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} "$client" -window "$@" >"$log" 2>&1 &
pid=$!
title_or_end() { has_line "Routine: TitelScreen" "$log" || ! alive "$pid"; }
within 400 title_or_end || fail "the client did not reach the title screen"
if ! has_line "Routine: TitelScreen" "$log"; then
  # Ended before any screen (-version, -help, a refused start): its own word.
  status=0
  wait "$pid" || status=$?
  pid=
  cat "$log"
  exit "$status"
fi
# The title fades in and puts up its first box; then the client waits and
# its log stays still.
quiet() {
  local size
  size=$(stat -c %s "$log")
  sleep 1
  alive "$pid" && [ "$(stat -c %s "$log")" = "$size" ]
}
within 20 quiet || fail "the client did not settle on the title screen"
shot() {
  xwd -root -silent -display "$display" > "$work/screen.xwd" &&
    python3 - "$work/screen.xwd" "$picture" <<'EOF'
# The root window of an xwd file (32 bits a pixel) as an RGB PNG; fails on
# a picture of one colour, which is a screen not drawn yet.
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
head = struct.unpack(">25I", data[:100])
size, form, w, h, order, bpp, line = head[0], head[2], head[4], head[5], head[7], head[11], head[12]
masks, colours = head[14:17], head[19]
if form != 2 or bpp != 32:
    sys.exit("unexpected xwd format")
pixels = data[size + 12 * colours:]
rows, seen = [], set()
for y in range(h):
    row = bytearray(b"\0")
    for x in range(w):
        v = int.from_bytes(pixels[y * line + 4 * x:y * line + 4 * x + 4], "big" if order else "little")
        rgb = bytes(((v & m) >> ((m & -m).bit_length() - 1)) & 0xFF for m in masks)
        seen.add(rgb)
        row += rgb
    rows.append(bytes(row))
if len(seen) < 2:
    sys.exit(1)
def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
with open(sys.argv[2], "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))
EOF
}
within 10 shot || fail "no picture of the title screen"

# The client's end signal: it ends in order, as leaving the title does.
kill -TERM "$pid"
within 100 eval '! alive "$pid"' || fail "the client did not end after SIGTERM"
status=0
wait "$pid" || status=$?
pid=
[ "$status" = 0 ] || fail "the client ended with status $status"
cat <<EOF
The client reached its title screen on a private X server: $picture
To play, start it in a desktop session (with DISPLAY set):
  bash tools/run-client.sh
or run $client -window in $out/demo yourself.
EOF
