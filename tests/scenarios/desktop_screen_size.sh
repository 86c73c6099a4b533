#!/bin/bash
# Full screen while the desktop changes size (RandR on Xvfb, as when a monitor is switched or a
# laptop docked): after each change the game's window covers the new screen and shows the whole
# 800 x 600 picture scaled to it, centred, with black bars, as the simulator draws the main menu
# scaled the same way; and back in the window it is 800 x 600 again.
#
# Usage: desktop_screen_size.sh GAME SIM DATA OUT   (run under scripts/with-xvfb with a screen as
# large as the largest size tried, 2560x1440; OUT keeps the pictures)
# Exit status 77 (skipped) when xdotool, wmctrl, openbox, xrandr or ImageMagick is missing, or
# when the X server cannot change its size.
set -u
game=$1 sim=$2 data=$3 out=$4

for tool in xdotool wmctrl openbox xwininfo xrandr import compare convert; do
    command -v "$tool" >/dev/null || { echo "desktop_screen_size: no $tool, skipped"; exit 77; }
done
rm -rf "$out" && mkdir -p "$out/config" "$out/sim-home"

fail() {
    echo "desktop_screen_size: $*" >&2
    [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
    [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null
    exit 1
}
. "$(dirname "$0")/desktop_lib.sh"

# The sizes, in turn: wide (bars left and right), tall (bars above and below), and back to the
# size the server started with.
output=$(xrandr | awk '/ connected/ {print $1; exit}')
[ -n "$output" ] || { echo "desktop_screen_size: the X server has no RandR output, skipped"; exit 77; }
read -r first_w first_h < <(screen_now)
sizes="1920x1080 1280x1024 ${first_w}x${first_h}"
for size in $sizes; do
    xrandr --newmode "$size" 0 "${size%x*}" 0 0 0 "${size#*x}" 0 0 0 2>/dev/null
    xrandr --addmode "$output" "$size" 2>/dev/null
done
# Sets the screen to WxH; false when the server refuses.
screen_size() {
    xrandr --output "$output" --mode "$1" --fb "$1" 2>>"$out/xrandr.log" || return 1
    [ "$(screen_now)" = "${1%x*} ${1#*x}" ]
}
screen_size 1920x1080 && screen_size "${first_w}x${first_h}" ||
    { echo "desktop_screen_size: the X server cannot change its size, skipped"; exit 77; }

# What the simulator draws: the main menu, the pointer on nothing that lights up.
cat >"$out/menu.txt" <<'SCRIPT'
300 key-down Escape
400 mouse-move 300 300
SCRIPT
"$sim" --data "$data" --home "$out/sim-home" --script "$out/menu.txt" --until-ms 1000 \
    --screenshot 900:"$out/want-menu.png" || fail "the simulator failed"

start_openbox

export XDG_CONFIG_HOME="$out/config" XDG_DATA_HOME="$out/data" SDL_AUDIODRIVER=dummy
"$game" >"$out/game.log" 2>&1 &
pid=$!
find_game_window

shot=0
# Waits up to 6 s for the whole screen to show WANT, and its middle too (a difference spread
# over the whole picture would be small); the window must cover the screen.
expect_full_screen() {
    local sw=$1 sh=$2 want=$3 d=1 got crop
    letterbox "$sw" "$sh"
    full_screen_picture "$want" "$sw" "$sh" "$out/want-${sw}x${sh}.png"
    crop=$(crop_on_screen 400x240+200+175)
    for _ in $(seq 30); do
        shot=$((shot + 1))
        got="$out/got-$shot-${sw}x${sh}.png"
        import -window root "$got"
        if [ "$(placement)" = "0 0 $sw $sh" ]; then
            d=$(difference "$got" "$out/want-${sw}x${sh}.png" "${sw}x${sh}+0+0")
            if alike "$d"; then
                d=$(difference "$got" "$out/want-${sw}x${sh}.png" "$crop")
                alike "$d" && return 0
            fi
        fi
        sleep 0.2
    done
    fail "${sw}x${sh}: the window is at '$(placement)' and the screen does not show the whole menu" \
        "(difference $d, see $got)"
}

# Past the splash to the main menu, full screen by Alt+Enter on the first size.
xdotool windowactivate --sync "$wid" mousemove --window "$wid" 300 300 click 1
xdotool key --window "$wid" alt+Return
# Moves the pointer to the picture's (300, 300) on a screen of W x H.
to_point() {
    letterbox "$1" "$2"
    xdotool mousemove $(to_screen 300 300)
}
to_point "$first_w" "$first_h"
expect_full_screen "$first_w" "$first_h" "$out/want-menu.png"
for size in $sizes; do
    screen_size "$size" || fail "the screen could not be set to $size: $(cat "$out/xrandr.log")"
    to_point "${size%x*}" "${size#*x}"
    expect_full_screen "${size%x*}" "${size#*x}" "$out/want-menu.png"
done

# Back to the window: 800 x 600 again.
xdotool key --window "$wid" alt+Return
got=""
for _ in $(seq 50); do
    got=$(placement | cut -d' ' -f3-)
    [ "$got" = "800 600" ] && break
    sleep 0.1
done
[ "$got" = "800 600" ] || fail "back from full screen, the window is $got, not 800 600"

kill -0 "$pid" 2>/dev/null || fail "the game ended"
kill "$pid"
wait "$pid" 2>/dev/null
kill "$wm" 2>/dev/null
grep -q "vandrax:" "$out/game.log" && fail "the game reported: $(cat "$out/game.log")"
echo "desktop_screen_size: full screen followed the screen through ${first_w}x${first_h} and $sizes"
exit 0
