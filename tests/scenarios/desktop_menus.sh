#!/bin/bash
# The real game in a real X window (Xvfb), played with xdotool the way a player would: the splash
# by a click, "START GAME", a clan, a few seconds of driving, Escape, "YES" in the quit overlay,
# and back on the main menu. Each step is checked by the window title and by comparing a
# screenshot of the window with what the simulator draws for the same screen.
#
# Usage: desktop_menus.sh GAME SIM DATA OUT      (run under scripts/with-xvfb; OUT keeps the screenshots)
# Exit status 77 (skipped) when xdotool or ImageMagick is missing.
set -u
game=$1 sim=$2 data=$3 out=$4

for tool in xdotool import compare convert; do
    command -v "$tool" >/dev/null || { echo "desktop_menus: no $tool, skipped"; exit 77; }
done
rm -rf "$out" && mkdir -p "$out/config" "$out/sim-home"

fail() {
    echo "desktop_menus: $*" >&2
    [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
    exit 1
}
. "$(dirname "$0")/desktop_lib.sh"

# What the simulator draws for each screen, with the pointer where the player's will be.
cat >"$out/menus.txt" <<'EOF'
300 key-down Escape
400 mouse-move 300 300
600 mouse-move 640 145
900 mouse-down left
EOF
"$sim" --data "$data" --home "$out/sim-home" --script "$out/menus.txt" --until-ms 1300 \
    --screenshot 500:"$out/want-menu.png" --screenshot 800:"$out/want-menu-start.png" \
    --screenshot 1200:"$out/want-clan.png" || fail "the simulator failed"
echo "2600 key-down Escape" >"$out/overlay.txt"
"$sim" --data "$data" --home "$out/sim-home" --play 1 --script "$out/overlay.txt" --until-ms 3000 \
    --screenshot 2900:"$out/want-overlay.png" || fail "the simulator failed"

export XDG_CONFIG_HOME="$out/config" XDG_DATA_HOME="$out/data" SDL_AUDIODRIVER=dummy
"$game" >"$out/game.log" 2>&1 &
pid=$!

find_game_window

shot=0
# Takes the window's picture as NAME.png.
window_shot() {
    local geometry
    geometry=$(xdotool getwindowgeometry --shell "$wid") || fail "the window went away"
    eval "$geometry"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/$1.png"
}

# Waits up to 6 s for the window to show what the simulator drew (within the crop, if given).
expect_screen() {
    local want=$1 crop=${2:-}
    local d=1
    for _ in $(seq 30); do
        shot=$((shot + 1))
        window_shot "got-$shot-$(basename "$want" .png)"
        d=$(difference "$out/got-$shot-$(basename "$want" .png).png" "$want" $crop)
        alike "$d" && return 0
        sleep 0.2
    done
    fail "the window does not show $(basename "$want") (difference $d)"
}

expect_title() {
    local title
    for _ in $(seq 30); do
        title=$(xdotool getwindowname "$wid")
        [ "$title" = "$1" ] && return 0
        sleep 0.2
    done
    fail "window title '$title', not '$1'"
}

move() { xdotool mousemove --window "$wid" "$1" "$2"; sleep 0.2; }
click() { xdotool click 1; sleep 0.2; }

expect_title "Vandrax"
move 300 300
click                                   # the splash
expect_screen "$out/want-menu.png"
move 640 145
expect_screen "$out/want-menu-start.png"  # "START GAME" lights up
click
expect_screen "$out/want-clan.png"      # the pointer was moved onto the Bulldogs' picture
move 150 300
click
# The level banner refuses Escape for two seconds; a player presses it again.
sleep 3
for _ in $(seq 20); do
    xdotool key Escape
    sleep 0.3
    [ "$(xdotool getwindowname "$wid")" = "Vandrax [Pause]" ] && break
done
expect_title "Vandrax [Pause]"
expect_screen "$out/want-overlay.png" 400x240+200+175
move 300 365
click                                   # "YES"
expect_title "Vandrax"
move 300 300
expect_screen "$out/want-menu.png"

kill -0 "$pid" 2>/dev/null || fail "the game ended"
kill "$pid"
wait "$pid" 2>/dev/null
grep -q "vandrax:" "$out/game.log" && fail "the game reported: $(cat "$out/game.log")"
echo "desktop_menus: the window went splash, main menu, clan choice, game, quit overlay, main menu"
exit 0
