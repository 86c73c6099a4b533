#!/usr/bin/env bash
# Start-up to first presented frame, and resident memory after ten seconds of menus, of the real
# game in a virtual X server. Usage: bench/startup.sh [BUILD_DIR]   (needs xvfb-run)
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
if [ -z "${VANDRAX_BENCH_INSIDE:-}" ]; then
  VANDRAX_BENCH_INSIDE=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build"
fi
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
cd "$build"
for i in 1 2 3 4 5; do
  start=$(date +%s%N)
  HOME=$home SDL_AUDIODRIVER=dummy VANDRAX_EXIT_AFTER_FRAMES=1 ./vandrax
  end=$(date +%s%N)
  echo "start to first frame: $(( (end - start) / 1000000 )) ms"
done
HOME=$home SDL_AUDIODRIVER=dummy VANDRAX_EXIT_AFTER_FRAMES=600 \
  /usr/bin/time -f "resident memory after 600 frames: %M KiB" ./vandrax
