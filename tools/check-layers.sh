#!/usr/bin/env bash
# Fails when a library folder under src/ includes a header of a folder above
# it in the link order, and prints each offending line. Lower libraries call
# up only through hooks that a higher one sets.
set -euo pipefail
cd "$(dirname "$0")/.."
order=(platform gfx ui store media world map net turn town military realm frontend online)
bad=0
for i in "${!order[@]}"; do
  d=${order[$i]}
  [ -d "src/$d" ] || continue
  higher=$(printf '%s|' "${order[@]:$((i + 1))}")
  higher=${higher%|}
  shopt -s nullglob
  files=(src/"$d"/*.cpp src/"$d"/*.h)
  shopt -u nullglob
  [ ${#files[@]} -gt 0 ] || continue
  if hits=$(grep -nE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"<]($higher)/" "${files[@]}"); then
    echo "$hits"
    bad=1
  fi
done
# Every folder under src/ must have its place in the order above.
for p in src/*/; do
  d=$(basename "$p")
  known=0
  for o in "${order[@]}"; do [ "$o" = "$d" ] && known=1; done
  if [ $known -eq 0 ]; then
    echo "src/$d: not in the link order of tools/check-layers.sh"
    bad=1
  fi
done
if [ $bad -ne 0 ]; then
  echo "check-layers: includes run upward (see above)" >&2
  exit 1
fi
echo "check-layers: every include runs downward"
