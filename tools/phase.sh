# Sourced by the test scripts. `phase NAME COMMAND...` runs the command (a
# failure ends the script with its status) and prints one line with its wall
# time and the processor time (user + system) of the processes it ran, so
# that a change that makes CI slower shows where. phase_summary prints the
# lines again together (the scripts call it when they end).
PHASES=()
_phase_times=$(mktemp)
trap 'rm -f "$_phase_times"' EXIT

# Processor seconds used so far by the finished children of this shell, as
# written by `times` (run in this shell itself: a subshell counts its own).
_phase_cpu() {
  awk 'NR == 2 {
         split($1, u, /[ms]/); split($2, s, /[ms]/)
         printf "%d", u[1] * 60 + u[2] + s[1] * 60 + s[2]
       }' "$_phase_times"
}

phase() {
  local name=$1 start=$SECONDS cpu rc line
  shift
  times >"$_phase_times"
  cpu=$(_phase_cpu)
  set +e
  (set -e; "$@")
  rc=$?
  set -e
  times >"$_phase_times"
  line=$(printf '%s: %-26s %5d s wall %6d s cpu' "${PHASE_PREFIX:-phase}" "$name" $((SECONDS - start)) \
    $(($(_phase_cpu) - cpu)))
  [ "$rc" = 0 ] || line="$line  FAILED (status $rc)"
  echo "$line"
  PHASES+=("$line")
  [ "$rc" = 0 ] || exit "$rc"
}

phase_summary() {
  echo "---- ${PHASE_PREFIX:-phase} times (total $SECONDS s wall)"
  printf '%s\n' "${PHASES[@]}"
}
