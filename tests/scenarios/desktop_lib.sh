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

# Difference of two pictures within a region of both (WxH+X+Y), 0 = the same, 1 = opposite.
# The crops go through files: ImageMagick's security policy here refuses to read /dev/fd, and a
# comparison that reads nothing must not pass for a match, so no figure prints "unreadable".
difference() {
    local crop=${3:-800x600+0+0} a b value
    a=$(mktemp -p "${out:-/tmp}" --suffix=.png) b=$(mktemp -p "${out:-/tmp}" --suffix=.png)
    value=""
    if convert "$1" -crop "$crop" +repage "$a" && convert "$2" -crop "$crop" +repage "$b"; then
        value=$(compare -metric RMSE "$a" "$b" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p')
    fi
    rm -f "$a" "$b"
    echo "${value:-unreadable}"
}

# A difference small enough to call the pictures the same (a figure, and under 0.05).
alike() { awk -v d="$1" 'BEGIN { exit !(d ~ /^[0-9.]+(e[-+]?[0-9]+)?$/ && d + 0 < 0.05) }'; }
