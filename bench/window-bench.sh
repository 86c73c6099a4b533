#!/usr/bin/env bash
# Drawing in a real window, the game against a plain SDL program (bench/plain_window.c) drawing
# the same frames, on virtual X servers (Xvfb) under a window manager (openbox); bench/README.md
# says what is measured. Game and plain program take turns within each round.
#
#   bench/window-bench.sh BUILD_DIR
#
# ROUNDS (default 5) rounds; SECONDS_MEASURED (default 10) seconds of CPU time per measurement.
# Exit status 77 when a tool is missing, 1 when the two programs do not draw the same picture.
set -euo pipefail

build=$(cd "${1:?usage: window-bench.sh BUILD_DIR}" && pwd)
rounds=${ROUNDS:-5}
measured=${SECONDS_MEASURED:-10}
# Desktops: a window on the first, full screen on the others.
desktops=(1280x1024 1920x1080 2560x1440)

for tool in Xvfb openbox xdotool xwininfo xprop import compare identify; do
  command -v "$tool" >/dev/null 2>&1 || { echo "window-bench: no $tool, skipped" >&2; exit 77; }
done
for file in vandrax vandrax-pack window_frame plain_window; do
  [ -x "$build/$file" ] || { echo "window-bench: no $build/$file (build it first)" >&2; exit 1; }
done

work=$(mktemp -d)
pids=()
xvfb="" wm=""
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do
    poll 10 ended || kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  stop_desktop
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

export HOME=$work/home SDL_AUDIODRIVER=dummy
mkdir -p "$HOME"
tick=$(getconf CLK_TCK)

say() { echo "window-bench: $*" >&2; }
die() { say "$*"; exit 1; }

# Polls COMMAND every 0.1 s for at most SECONDS; fails if it never succeeds.
poll() {
  local seconds=$1; shift
  local tries=$((seconds * 10))
  while [ "$tries" -gt 0 ]; do
    "$@" && return 0
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}

# An X server of the given size with openbox on it; DISPLAY points at it.
start_desktop() {
  mkfifo "$work/displayfd"
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset 3>"$work/displayfd" 2>"$work/xvfb.log" &
  xvfb=$!
  local number=""
  if ! read -r -t 20 number <"$work/displayfd" || [ -z "$number" ]; then
    cat "$work/xvfb.log" >&2
    die "Xvfb did not start within 20 s"
  fi
  rm -f "$work/displayfd"
  export DISPLAY=":$number"
  openbox --sm-disable >"$work/openbox.log" 2>&1 &
  wm=$!
  poll 10 eval 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' ||
    die "openbox did not start within 10 s"
}

stop_desktop() {
  [ -n "$wm" ] && { kill "$wm" 2>/dev/null || true; wait "$wm" 2>/dev/null || true; }
  [ -n "$xvfb" ] && { kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; }
  wm="" xvfb=""
  return 0
}

# Starts a program with its output in $work/out; sets $pid.
launch() {
  : >"$work/out"
  "$@" >"$work/out" 2>"$work/err" &
  pid=$!
  pids+=("$pid")
}

# Ends $pid: asked to close, and killed if it has not within 10 s.
finish() {
  kill "$pid" 2>/dev/null || true
  poll 10 ended || kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  local kept=()
  local p
  for p in "${pids[@]}"; do [ "$p" != "$pid" ] && kept+=("$p"); done
  pids=("${kept[@]}")
}

lines() { grep -c "^$1" "$work/out" 2>/dev/null || true; }
alive() { kill -0 "$pid" 2>/dev/null; }
# Gone, or a zombie waiting to be reaped.
ended() {
  local state
  state=$(sed 's/^.*) //' "/proc/$pid/stat" 2>/dev/null | cut -c1)
  [ -z "$state" ] || [ "$state" = Z ]
}
ready() { [ "$(lines ready)" -ge 1 ] || { alive || die "$(cat "$work/err")"; false; }; }

# The visible window of $pid; sets $wid.
find_window() {
  wid=""
  for _ in $(seq 100); do
    wid=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -1 || true)
    [ -n "$wid" ] && return 0
    alive || die "the program ended: $(cat "$work/err")"
    sleep 0.1
  done
  die "no window for process $pid"
}

# WIDTHxHEIGHT of the inside of window $wid.
window_size() { xwininfo -id "$wid" | awk '/^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print w "x" h}'; }
covers() { [ "$(window_size)" = "$1" ]; }

# The frame count the program prints on SIGUSR1 (the Nth such answer).
frames_now() {
  local want=$1
  kill -USR1 "$pid"
  # shellcheck disable=SC2016
  poll 5 eval '[ "$(lines frames)" -ge '"$want"' ]' || die "no frame count from process $pid"
  grep '^frames' "$work/out" | sed -n "${want}p" | awk '{print $2}'
}

# utime + stime of $pid in clock ticks.
cpu_ticks() { sed 's/^.*) //' "/proc/$pid/stat" | awk '{print $12 + $13}'; }

# Milliseconds of CPU a presented frame over $measured seconds of the running $pid.
measure() {
  local t0 f0 t1 f1
  t0=$(cpu_ticks); f0=$(frames_now 1)
  sleep "$measured"
  t1=$(cpu_ticks); f1=$(frames_now 2)
  [ "$f1" -gt "$f0" ] || die "no frames presented while measured"
  awk -v t="$((t1 - t0))" -v f="$((f1 - f0))" -v hz="$tick" 'BEGIN { printf "%.3f\n", t * 1000 / hz / f }'
}

# Brings a started bench program to its first shown frame, full screen if asked.
settle_program() {
  poll 180 ready || die "process $pid showed no frame within 180 s: $(cat "$work/err")"
  find_window
  if [ "$1" = full ]; then
    poll 10 covers "$2" || die "the window is $(window_size), not full screen $2"
  fi
}

# The real game: past the splash to the main menu, full screen by Alt+Enter if asked.
settle_game() {
  find_window
  timeout 5 xdotool windowactivate --sync "$wid" key Escape 2>/dev/null || xdotool key --window "$wid" Escape
  if [ "$1" = full ]; then
    xdotool key --window "$wid" alt+Return
    poll 10 covers "$2" || die "the game's window is $(window_size), not full screen $2"
  fi
}

# median min max of the numbers on standard input.
stats() {
  sort -g | awk '{ v[NR] = $1 } END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%.3f %.3f %.3f\n", m, v[1], v[NR] }'
}

data=$build
lists=$work/lists
mkdir -p "$lists"

start_desktop 1280x1024
screen=1280x1024

# The draw lists of the three scenes and the pictures (and sounds) they use, outside any timing.
say "recording the frames (the game scene plays a minute with the bot first)"
for scene in splash menu game; do
  mkdir -p "$work/assets-$scene"
  extra=()
  [ "$scene" = splash ] && extra=(--sounds="$work/assets-$scene")
  "$build/window_frame" --scene=$scene --write-list="$lists/$scene.list" "${extra[@]}" >"$work/record.out" ||
    die "recording the $scene scene failed"
  [ "$scene" = game ] && game_frame=$(awk '/^frame / {print $2}' "$work/record.out")
  pack=$(awk '$1 == "pack" {print $2}' "$lists/$scene.list")
  # The list writes blanks and "%" in names as %XX; the file keeps that spelling.
  awk '$1 == "picture" {print $2}' "$lists/$scene.list" | while read -r word; do
    name=$(printf '%b' "${word//%/\\x}")
    "$build/vandrax-pack" extract "$data/$pack" "$name" "$work/assets-$scene/$word.png" >/dev/null ||
      die "cannot extract $name from $pack"
  done
done
say "game scene: frame $game_frame; $(grep -cE '^(draw|rotate)' "$lists/game.list") pictures," \
  "$(grep -c '^text' "$lists/game.list") texts drawn"

# The game side of a scene: the command line.
game_side() {
  local scene=$1 mode=$2
  local full=()
  [ "$mode" = full ] && full=(--fullscreen)
  if [ "$scene" = game ]; then
    echo "$build/window_frame --scene=game --frame=$game_frame ${full[*]}"
  else
    echo "$build/window_frame --scene=$scene ${full[*]}"
  fi
}
plain_side() {
  local scene=$1 mode=$2
  local full=()
  [ "$mode" = full ] && full=(--fullscreen)
  echo "$build/plain_window $lists/$scene.list $work/assets-$scene $data ${full[*]}"
}

# Both programs must draw the same picture: a screenshot of each window, compared.
pixel_check() {
  local scene=$1 mode=$2 size=$3 side
  for side in game plain; do
    # shellcheck disable=SC2046
    launch $("${side}_side" "$scene" "$mode")
    settle_program "$mode" "$size"
    import -window "$wid" "$work/$side.png"
    finish
    # Two blank windows would match too, and prove nothing.
    colours=$(identify -format '%k' "$work/$side.png")
    [ "$colours" -gt 64 ] || die "the $side side's $scene frame at $size has only $colours colours"
  done
  local differ
  differ=$(compare -metric AE -fuzz 2% "$work/game.png" "$work/plain.png" "$work/diff.png" 2>&1 >/dev/null || true)
  differ=${differ%% *}
  local total=$(( ${size%x*} * ${size#*x} ))
  say "pixel check, $scene at $size: $differ of $total pixels differ by more than 2%"
  # Up to one in a thousand: edges of rotated pictures may round differently.
  if ! awk -v d="$differ" -v t="$total" 'BEGIN { exit !(d ~ /^[0-9.e+]+$/ && d <= t / 1000) }'; then
    mkdir -p "$build/window-bench-failed"
    cp "$work/game.png" "$work/plain.png" "$work/diff.png" "$build/window-bench-failed/" 2>/dev/null || true
    die "the game and the plain program do not draw the same $scene frame at $size" \
      "(screenshots in $build/window-bench-failed)"
  fi
}

pixel_check game window 800x600
pixel_check menu window 800x600

# Start to first presented frame, in turns: wall time, and the CPU time it took (user + system,
# all threads), which a busy machine disturbs less.
start_config=$(mktemp -d -p "$work")
start_game() { XDG_CONFIG_HOME=$start_config VANDRAX_EXIT_AFTER_FRAMES=1 "$build/vandrax"; }
start_plain() { "$build/plain_window" "$lists/splash.list" "$work/assets-splash" "$data" --once; }
# Appends "WALL_MS CPU_MS" of one run of a start function to a file.
start_once() {
  local times
  times=$( { TIMEFORMAT='%R %U %S'; time "$1" >/dev/null 2>"$work/err"; } 2>&1) ||
    die "$1 failed: $(cat "$work/err")"
  awk '{ printf "%.0f %.0f\n", $1 * 1000, ($2 + $3) * 1000 }' <<<"$times" >>"$2"
}
# Once each unmeasured: the files are in the page cache for both.
start_once start_game /dev/null
start_once start_plain /dev/null
: >"$work/start-game" && : >"$work/start-plain"
for _ in $(seq "$rounds"); do
  start_once start_game "$work/start-game"
  start_once start_plain "$work/start-plain"
done

# Resident memory after ten seconds of the game's menus (GNU time reports the peak).
memory=""
if [ -x /usr/bin/time ]; then
  memory=$(XDG_CONFIG_HOME=$start_config VANDRAX_EXIT_AFTER_FRAMES=600 /usr/bin/time -f '%M' "$build/vandrax" 2>&1 \
    >/dev/null | tail -1)
fi

# CPU time a frame: each scene and desktop, game and plain in turns, $rounds rounds.
results=$work/results
: >"$results"
for desktop in "${desktops[@]}"; do
  if [ "$desktop" != "$screen" ]; then
    stop_desktop
    start_desktop "$desktop"
    screen=$desktop
  fi
  if [ "$desktop" = 1280x1024 ]; then mode=window size=800x600; else mode=full size=$desktop; fi
  [ "$mode" = full ] && pixel_check game full "$size"
  say "measuring on $desktop ($mode, $size), $rounds rounds of ${measured} s each"
  for round in $(seq "$rounds"); do
    for scene in menu game; do
      for side in game plain; do
        if [ "$scene" = menu ] && [ "$side" = game ]; then
          # The real game on its main menu.
          XDG_CONFIG_HOME=$(mktemp -d -p "$work") VANDRAX_REPORT_FRAMES=1 launch "$build/vandrax"
          settle_game "$mode" "$size"
        else
          # shellcheck disable=SC2046
          launch $("${side}_side" "$scene" "$mode")
          settle_program "$mode" "$size"
        fi
        # A second for the first frames' one-off work (text cache, splash to menu) to pass.
        sleep 1
        ms=$(measure) || die "measuring $side on the $scene scene at $size failed"
        echo "$scene $size $side $ms" >>"$results"
        finish
      done
    done
    say "  round $round done"
  done
done
stop_desktop

# The table.
ratio() { awk -v g="$1" -v p="$2" 'BEGIN { printf "%.2f", (p > 0) ? g / p : 0 }'; }
printf '\n%-6s %-10s %-26s %-26s %s\n' scene size "game ms/frame (min-max)" "plain ms/frame (min-max)" "game/plain"
for desktop in "${desktops[@]}"; do
  if [ "$desktop" = 1280x1024 ]; then size=800x600; else size=$desktop; fi
  for scene in menu game; do
    read -r gm gl gh < <(awk -v s="$scene" -v z="$size" '$1 == s && $2 == z && $3 == "game" {print $4}' "$results" | stats)
    read -r pm pl ph < <(awk -v s="$scene" -v z="$size" '$1 == s && $2 == z && $3 == "plain" {print $4}' "$results" | stats)
    printf '%-6s %-10s %-26s %-26s %sx\n' "$scene" "$size" "$gm ($gl-$gh)" "$pm ($pl-$ph)" "$(ratio "$gm" "$pm")"
  done
done
echo
for column in 1 2; do
  read -r gm gl gh < <(awk -v c=$column '{print $c}' "$work/start-game" | stats)
  read -r pm pl ph < <(awk -v c=$column '{print $c}' "$work/start-plain" | stats)
  [ $column = 1 ] && what="wall time" || what="CPU time "
  printf 'start to first frame, %s ms: game %s (%s-%s), plain %s (%s-%s), game/plain %sx\n' \
    "$what" "${gm%.*}" "${gl%.*}" "${gh%.*}" "${pm%.*}" "${pl%.*}" "${ph%.*}" \
    "$(ratio "$gm" "$pm")"
done
[ -n "$memory" ] && echo "game's peak resident memory over 600 frames: $memory KiB"
echo "(menu: the real game on its main menu, music playing; the plain program draws the recorded menu"
echo " frame and plays the same module. game: the busiest frame of a minute of play by the bot,"
echo " frame $game_frame, shown by window_frame through the game's surface; $rounds rounds of ${measured} s.)"
