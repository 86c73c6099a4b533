# What the desktop tests share; sourced after each defines fail().

# Waits up to 10 s for the game's window and sets wid. Only a mapped window counts: a window made
# and dropped while the renderer is chosen may carry the title for a moment and be gone by the
# next query.
find_game_window() {
    wid=""
    for _ in $(seq 100); do
        wid=$(xdotool search --onlyvisible --name '^Vandrax' 2>/dev/null | head -1)
        [ -n "$wid" ] && return 0
        sleep 0.1
    done
    fail "no game window"
}

# X Y WIDTH HEIGHT of the window's inside, in screen pixels.
placement() {
    xwininfo -id "$wid" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                               /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print x, y, w, h}'
}
