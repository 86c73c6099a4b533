#!/usr/bin/env bash
# Start-up to first presented frame of the real game in a virtual X server, against a bare SDL
# program that opens the same window (bench/bare_window.cpp), in turns in one run; then resident
# memory after ten seconds of menus. Usage: bench/startup.sh [BUILD_DIR] [RUNS]   (needs xvfb-run)
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-15}
if [ -z "${VANDRAX_BENCH_INSIDE:-}" ]; then
  VANDRAX_BENCH_INSIDE=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build" "$runs"
fi
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
cd "$build"
export HOME=$home XDG_CONFIG_HOME=$home/config SDL_AUDIODRIVER=dummy
# Milliseconds one run of a command takes.
ms() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# One run of each first, unmeasured: the files are in the page cache for both.
ms env VANDRAX_EXIT_AFTER_FRAMES=1 ./vandrax >/dev/null
ms ./bare_window >/dev/null
game=() bare=()
for _ in $(seq "$runs"); do
  game+=("$(ms env VANDRAX_EXIT_AFTER_FRAMES=1 ./vandrax)")
  bare+=("$(ms ./bare_window)")
done
g=$(printf '%s\n' "${game[@]}" | median)
b=$(printf '%s\n' "${bare[@]}" | median)
echo "start to first frame, median of $runs: game $g ms (${game[*]})"
echo "                                 bare SDL window $b ms (${bare[*]})"
awk -v g="$g" -v b="$b" 'BEGIN { printf "game / bare: %.2f x\n", g / b }'
VANDRAX_EXIT_AFTER_FRAMES=600 /usr/bin/time -f "resident memory after 600 frames: %M KiB" ./vandrax
