#!/bin/bash
# Full screen as the player sees it, in a real X window under a window manager (openbox on
# Xvfb): the 800 x 600 picture scaled to the screen's height, centred, with black bars, compared
# with what the simulator draws for the same screen scaled the same way. The main menu, its quit
# overlay, a game and the overlay over it, then the window again, full screen by maximising, and
# the window once more. The pointer is moved and clicked in screen pixels, so a "YES" that lands
# shows the pointer maps to the picture in full screen as it does in the window.
#
# Usage: desktop_fullscreen.sh GAME SIM DATA OUT   (run under scripts/with-xvfb; OUT keeps the pictures)
# Exit status 77 (skipped) when xdotool, wmctrl, openbox or ImageMagick is missing.
set -u
game=$1 sim=$2 data=$3 out=$4

for tool in xdotool wmctrl openbox xwininfo import compare convert; do
    command -v "$tool" >/dev/null || { echo "desktop_fullscreen: no $tool, skipped"; exit 77; }
done
rm -rf "$out" && mkdir -p "$out/config" "$out/sim-home"

fail() {
    echo "desktop_fullscreen: $*" >&2
    [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
    [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null
    exit 1
}
. "$(dirname "$0")/desktop_lib.sh"

# What the simulator draws, the pointer where the player's will be (on nothing that lights up).
cat >"$out/menu.txt" <<'SCRIPT'
300 key-down Escape
400 mouse-move 300 300
1000 key-down Escape
SCRIPT
"$sim" --data "$data" --home "$out/sim-home" --script "$out/menu.txt" --until-ms 1300 \
    --screenshot 900:"$out/want-menu.png" --screenshot 1200:"$out/want-menu-overlay.png" ||
    fail "the simulator failed"
echo "2600 key-down Escape" >"$out/game.txt"
"$sim" --data "$data" --home "$out/sim-home" --play 1 --script "$out/game.txt" --until-ms 3000 \
    --screenshot 2500:"$out/want-game.png" --screenshot 2900:"$out/want-game-overlay.png" ||
    fail "the simulator failed"

start_openbox
read -r sw sh < <(screen_now)

export XDG_CONFIG_HOME="$out/config" XDG_DATA_HOME="$out/data" SDL_AUDIODRIVER=dummy
"$game" >"$out/game.log" 2>&1 &
pid=$!
find_game_window

# Waits up to 5 s for the window to have the size "$1" ("W H").
expect_size() {
    local got=""
    for _ in $(seq 50); do
        got=$(placement)
        [ "$(echo "$got" | cut -d' ' -f3-)" = "$1" ] && return 0
        sleep 0.1
    done
    fail "$2: the window is at '$got', not $1"
}

# Where the picture lands on the whole screen, and the simulator's pictures as it shows them there.
letterbox "$sw" "$sh"
for want in menu menu-overlay game game-overlay; do
    full_screen_picture "$out/want-$want.png" "$sw" "$sh" "$out/want-$want-full.png"
done

whole="${sw}x${sh}+0+0"
window="800x600+0+0"
shot=0
# Waits up to 6 s for the screen (full) or the window (window) to show WANT within CROP.
expect_screen() {
    local how=$1 want=$2 crop=$3 d=1 got x y w h
    for _ in $(seq 30); do
        shot=$((shot + 1))
        got="$out/got-$shot-$(basename "$want" .png).png"
        if [ "$how" = full ]; then
            import -window root "$got"
        else
            # Where the inside of the window is: under openbox, xdotool's geometry is off by the
            # title bar.
            read -r x y w h < <(placement)
            [ -n "$h" ] || fail "the window went away"
            import -window root -crop "${w}x${h}+${x}+${y}" +repage "$got"
        fi
        d=$(difference "$got" "$want" "$crop")
        alike "$d" && return 0
        sleep 0.2
    done
    fail "the $how screen does not show $(basename "$want") (difference $d, see $got)"
}
expect_title() {
    local title=""
    for _ in $(seq 30); do
        title=$(xdotool getwindowname "$wid")
        [ "$title" = "$1" ] && return 0
        sleep 0.2
    done
    fail "window title '$title', not '$1'"
}
# The main menu, whole, and without the quit overlay in its middle (whose difference spread over
# the whole picture would be small).
expect_menu() {
    if [ "$1" = full ]; then
        expect_screen full "$2" "$whole"
        expect_screen full "$2" "$(crop_on_screen 400x240+200+175)"
    else
        expect_screen window "$2" "$window"
        expect_screen window "$2" 400x240+200+175
    fi
}
# Moves the pointer to a point of the picture, full screen.
point_at() { xdotool mousemove $(to_screen "$1" "$2"); }

# The main menu in the window, then full screen by Alt+Enter.
expect_title "Vandrax"
xdotool windowactivate --sync "$wid" mousemove --window "$wid" 300 300 click 1  # the splash
expect_menu window "$out/want-menu.png"
xdotool key --window "$wid" alt+Return
expect_size "$sw $sh" "Alt+Enter"
point_at 300 300
expect_menu full "$out/want-menu-full.png"
xdotool key Escape
expect_title "Vandrax [Pause]"
expect_screen full "$out/want-menu-overlay-full.png" "$whole"
expect_screen full "$out/want-menu-overlay-full.png" "$(crop_on_screen 400x240+200+175)"
xdotool key Escape
expect_title "Vandrax"

# A game, full screen: the bottom panel's lower band at the start (the road above it and its
# traffic are the game's own dice), then the quit overlay over the road; "YES" ends the game.
point_at 640 145
xdotool click 1                          # START GAME
point_at 150 300
for _ in $(seq 20); do
    xdotool click 1                      # the Bulldogs, once the clan choice is up
    sleep 0.2
    [ "$(xdotool getwindowname "$wid")" = "Vandrax" ] || continue
    import -window root "$out/clan-click.png"
    d=$(difference "$out/clan-click.png" "$out/want-game-full.png" "$(crop_on_screen 800x56+0+544)")
    alike "$d" && break
done
expect_screen full "$out/want-game-full.png" "$(crop_on_screen 800x56+0+544)"
for _ in $(seq 20); do
    # The level banner refuses Escape for two seconds; a player presses it again.
    xdotool key Escape
    sleep 0.3
    [ "$(xdotool getwindowname "$wid")" = "Vandrax [Pause]" ] && break
done
expect_title "Vandrax [Pause]"
expect_screen full "$out/want-game-overlay-full.png" "$(crop_on_screen 400x240+200+175)"
point_at 300 365
xdotool click 1                          # YES
expect_title "Vandrax"
point_at 300 300
expect_menu full "$out/want-menu-full.png"

# Back to the window, full screen by maximising, and back again.
xdotool key --window "$wid" alt+Return
expect_size "800 600" "back from Alt+Enter"
xdotool mousemove --window "$wid" 300 300
expect_menu window "$out/want-menu.png"
wmctrl -i -r "$wid" -b add,maximized_vert,maximized_horz
expect_size "$sw $sh" "maximised"
point_at 300 300
expect_menu full "$out/want-menu-full.png"
xdotool key --window "$wid" alt+Return
expect_size "800 600" "back from maximised"
xdotool mousemove --window "$wid" 300 300
expect_menu window "$out/want-menu.png"

kill -0 "$pid" 2>/dev/null || fail "the game ended"
kill "$pid"
wait "$pid" 2>/dev/null
kill "$wm" 2>/dev/null
grep -q "vandrax:" "$out/game.log" && fail "the game reported: $(cat "$out/game.log")"
echo "desktop_fullscreen: ${sw}x${sh}: menu, overlays and a game full screen as the simulator draws them, scaled ${scale}x"
exit 0
