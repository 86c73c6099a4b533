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

# Starts openbox with ARGS and waits up to 10 s for it to manage the screen; sets wm.
start_openbox() {
    openbox --sm-disable "$@" >"$out/openbox.log" 2>&1 &
    wm=$!
    for _ in $(seq 100); do
        wmctrl -m >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    fail "the window manager did not start"
}

# The screen's size, "W H".
screen_now() { xwininfo -root | awk '/^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print w, h}'; }

# Where full screen puts the 800 x 600 picture on a screen of W x H: scaled as large as fits,
# centred. Sets scale, pw and ph (its size) and px and py (its corner).
letterbox() {
    scale=$(awk -v w="$1" -v h="$2" 'BEGIN { s = w / 800; if (h / 600 < s) s = h / 600; print s }')
    pw=$(awk -v s="$scale" 'BEGIN { printf "%d", 800 * s + 0.5 }')
    ph=$(awk -v s="$scale" 'BEGIN { printf "%d", 600 * s + 0.5 }')
    px=$((($1 - pw) / 2)) py=$((($2 - ph) / 2))
}
# A point of the picture in screen pixels (after letterbox).
to_screen() { awk -v s="$scale" -v x="$1" -v y="$2" -v ox="$px" -v oy="$py" 'BEGIN { printf "%d %d", ox + x * s, oy + y * s }'; }
# A crop of the picture (WxH+X+Y) in screen pixels (after letterbox).
crop_on_screen() {
    echo "$1" | awk -F'[x+]' -v s="$scale" -v ox="$px" -v oy="$py" \
        '{ printf "%dx%d+%d+%d", $1 * s, $2 * s, ox + $3 * s, oy + $4 * s }'
}
# The simulator's picture WANT as full screen shows it on a W x H screen (after letterbox): scaled
# smoothly, black bars around; written to OUT.
full_screen_picture() {
    convert "$1" -filter Triangle -resize "${pw}x${ph}!" -background black -gravity center \
        -extent "$2x$3" "$4"
}
