#!/bin/bash
# The real game's window under a real window manager (openbox on Xvfb): moved to a place of the
# player's choosing, then full screen by Alt+Enter and back, and full screen by maximising (the
# game takes a maximised window as a wish for full screen) and back. Each time the window must
# come back as the 800 x 600 window it was, where it was.
#
# PANELS is the room the desktop's panels take at its edges, "TOP BOTTOM LEFT RIGHT" in pixels
# (default none): the window manager keeps it out of the usable area, so a maximised window is
# smaller than the display, while full screen still covers all of it.
#
# Usage: desktop_window.sh GAME OUT [PANELS]   (run under scripts/with-xvfb; OUT keeps the log)
# Exit status 77 (skipped) when xdotool, wmctrl or openbox is missing.
set -u
game=$1 out=$2
read -r top bottom left right <<<"${3:-0 0 0 0}"

for tool in xdotool wmctrl openbox xwininfo xprop; do
    command -v "$tool" >/dev/null || { echo "desktop_window: no $tool, skipped"; exit 77; }
done
rm -rf "$out" && mkdir -p "$out/config"

fail() {
    echo "desktop_window: $*" >&2
    [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
    [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null
    exit 1
}
. "$(dirname "$0")/desktop_lib.sh"

cat >"$out/rc.xml" <<RC
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <margins><top>$top</top><bottom>$bottom</bottom><left>$left</left><right>$right</right></margins>
</openbox_config>
RC
openbox --sm-disable --config-file "$out/rc.xml" >"$out/openbox.log" 2>&1 &
wm=$!
screen=$(xwininfo -root | awk '/^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print w "x" h}')
# The usable area the window manager announces once it runs: the display less the panels.
sw=${screen%x*} sh=${screen#*x}
workarea="$left, $top, $((sw - left - right)), $((sh - top - bottom))"
for _ in $(seq 50); do
    xprop -root _NET_WORKAREA 2>/dev/null | grep -q "= $workarea\b" && break
    sleep 0.1
done
xprop -root _NET_WORKAREA | grep -q "= $workarea\b" ||
    fail "the usable area is '$(xprop -root _NET_WORKAREA)', not $workarea"

export XDG_CONFIG_HOME="$out/config" XDG_DATA_HOME="$out/data" SDL_AUDIODRIVER=dummy
"$game" >"$out/game.log" 2>&1 &
pid=$!

find_game_window

# Waits up to 5 s for the placement to read "$1".
expect_placement() {
    local got=""
    for _ in $(seq 50); do
        got=$(placement)
        [ "$got" = "$1" ] && return 0
        sleep 0.1
    done
    fail "$2: the window is at '$got', not '$1'"
}

expect_full_screen() {
    local got=""
    for _ in $(seq 50); do
        got=$(placement)
        [ "$(echo "$got" | awk '{print $3 "x" $4}')" = "$screen" ] && return 0
        sleep 0.1
    done
    fail "$1: the window is at '$got', not full screen ($screen)"
}

# Past the splash, on the main menu; the window where the player puts it.
sleep 1
xdotool windowactivate --sync "$wid" key Escape
xdotool windowmove --sync "$wid" 150 90
sleep 0.5
home=$(placement)
echo "$home" | grep -q ' 800 600$' || fail "the window opened at '$home', not 800 x 600"

xdotool key --window "$wid" alt+Return
expect_full_screen "Alt+Enter"
xdotool key --window "$wid" alt+Return
expect_placement "$home" "back from Alt+Enter"

wmctrl -i -r "$wid" -b add,maximized_vert,maximized_horz
expect_full_screen "maximised"
sleep 0.5
xdotool key --window "$wid" alt+Return
expect_placement "$home" "back from maximised"

grep -i "error" "$out/game.log" && fail "the game reported an error"
kill "$pid" 2>/dev/null
kill "$wm" 2>/dev/null
echo "desktop_window: panels ($top $bottom $left $right): the window came back at $home both times"
exit 0
