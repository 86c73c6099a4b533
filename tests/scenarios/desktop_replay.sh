#!/bin/bash
# Replays in the real game's window under a real window manager (openbox on Xvfb):
#  - a game the simulator's autopilot played and recorded is watched with `vandrax --replay`, paused
#    with P and sped up with the right arrow, and ends on the score, level, lives and frames that
#    `vandrax-sim --replay` finds for the same file;
#  - a file that is no replay is told in the game's message box and ends with status 2;
#  - a game still being played when the program is ended by a signal is kept in the replay folder,
#    and plays back headless to the end it had.
# Every wait has a bound; nothing sleeps for a fixed time.
#
# Usage: desktop_replay.sh GAME SIM DATA OUT   (run under scripts/with-xvfb; OUT keeps the files)
# Exit status 77 (skipped) when xdotool, wmctrl or openbox is missing.
set -u
game=$1 sim=$2 data=$3 out=$4

for tool in xdotool wmctrl openbox; do
    command -v "$tool" >/dev/null || { echo "desktop_replay: no $tool, skipped"; exit 77; }
done
rm -rf "$out" && mkdir -p "$out/config" "$out/data" "$out/sim-home"

fail() {
    echo "desktop_replay: $*" >&2
    [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
    [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null
    exit 1
}
. "$(dirname "$0")/desktop_lib.sh"

# Polls "$@" every 0.1 s for up to LIMIT seconds; true as soon as it holds.
within() {
    local limit=$1
    shift
    local tries=$((limit * 10))
    for _ in $(seq "$tries"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
title_is() { [ "$(xdotool getwindowname "$wid" 2>/dev/null)" = "$1" ]; }
ended() { ! kill -0 "$pid" 2>/dev/null; }
# The game's exit status, once it has ended (within LIMIT seconds).
finish() {
    within "$1" ended || fail "$2: the game did not end within $1 s"
    wait "$pid"
    status=$?
    pid=""
}

start_openbox

export XDG_CONFIG_HOME="$out/config" XDG_DATA_HOME="$out/data" SDL_AUDIODRIVER=dummy

# ---- a recorded game watched in the window

"$sim" --data "$data" --home "$out/sim-home" --seed 1 --play 1 --autopilot --until-ms 116000 \
    --record "$out/game.vxr" || fail "the simulator could not record a game"
"$sim" --data "$data" --replay "$out/game.vxr" --check >"$out/want.json" || fail "the recording does not play back"
want=$(sed -n 's/.*"score": \([0-9]*\), "level": \([0-9]*\), "lives": \([0-9]*\), "frames": \([0-9]*\).*/score \1, level \2, lives \3, frames \4/p' "$out/want.json")
[ -n "$want" ] || fail "no end in $(cat "$out/want.json")"
grep -q '"ended": true' "$out/want.json" || fail "the autopilot's game did not reach its game over"

"$game" --replay "$out/game.vxr" >"$out/watch.out" 2>"$out/watch.err" &
pid=$!
find_game_window
within 10 title_is "Vandrax [Replay]" || fail "the title is '$(xdotool getwindowname "$wid")', not 'Vandrax [Replay]'"
xdotool windowactivate --sync "$wid" >/dev/null 2>&1
xdotool key --window "$wid" p
within 5 title_is "Vandrax [Replay paused]" || fail "P does not pause the replay"
xdotool key --window "$wid" p
within 5 title_is "Vandrax [Replay]" || fail "P does not go on with the replay"
# Three presses of the right arrow: twice, four and eight times the speed.
for speed in 2 4 8; do
    xdotool key --window "$wid" Right
    within 5 title_is "Vandrax [Replay x$speed]" || fail "the right arrow does not speed the replay up to x$speed"
done
finish 90 "the replay at eight times the speed"
[ "$status" -eq 0 ] || fail "the replay ended with status $status: $(cat "$out/watch.err")"
got=$(sed -n 's/^vandrax: replay ended: //p' "$out/watch.out")
[ "$got" = "$want" ] || fail "the window's replay ended on '$got', the simulator's on '$want'"
[ -d "$out/data/vandrax/replays" ] && [ -n "$(ls -A "$out/data/vandrax/replays")" ] &&
    fail "watching a replay kept a game: $(ls "$out/data/vandrax/replays")"

# ---- files this game does not play: told in its message box, status 2

# Plays FILE, expecting the message box and TEXT on stderr; Enter answers the box.
refused() {
    local file=$1 text=$2 name
    name=$(basename "$file" .vxr)
    "$game" --replay "$file" >"$out/$name.out" 2>"$out/$name.err" &
    pid=$!
    # The message box is a window of its own with the game's name, in front of the game's window.
    find_game_window
    box_up() {
        box=$(xdotool getactivewindow 2>/dev/null) && [ "$box" != "$wid" ] &&
            [ "$(xdotool getwindowname "$box" 2>/dev/null)" = "Vandrax" ]
    }
    within 10 box_up || fail "$name: no message box"
    grep -q "$text" "$out/$name.err" || fail "$name: stderr does not say '$text': $(cat "$out/$name.err")"
    xdotool key --window "$box" Return
    finish 10 "$name: the message box answered"
    [ "$status" -eq 2 ] || fail "$name: status $status, not 2"
    grep -q "replay ended" "$out/$name.out" && fail "$name: an end was printed"
}

echo "not a replay" >"$out/not-a-replay.vxr"
refused "$out/not-a-replay.vxr" "not-a-replay.vxr: This is not a Vandrax replay"
# The recorded game with another version of the game written into its start.
python3 - "$out/game.vxr" "$out/other-version.vxr" <<'PY' || fail "cannot rewrite the replay's version"
import sys, zlib
data = open(sys.argv[1], "rb").read()
header, body = data[:13], zlib.decompress(data[13:])
size = body[0]  # the version's length, then the version
body = bytes([3]) + b"0.0" + body[1 + size:]
open(sys.argv[2], "wb").write(header[:9] + len(body).to_bytes(4, "little") + zlib.compress(body))
PY
refused "$out/other-version.vxr" "recorded by Vandrax 0.0 and cannot be played"

# ---- a game ended by a signal is kept

"$game" >"$out/play.log" 2>&1 &
pid=$!
find_game_window
xdotool windowactivate --sync "$wid" >/dev/null 2>&1
# Escape leaves the splash, Enter on the main menu with nothing lit goes to the clan choice,
# Right lights a portrait and Enter picks it: a game.
xdotool key --window "$wid" --delay 150 Escape Return Right Return
# In play, once the level banner has gone, Escape opens the quit overlay: "[Pause]" in the title.
# A try a second, fifteen at most.
for _ in $(seq 15); do
    xdotool key --window "$wid" Escape
    within 1 title_is "Vandrax [Pause]" && break
done
title_is "Vandrax [Pause]" || fail "no game to play: the title is '$(xdotool getwindowname "$wid")'"
kill -TERM "$pid"
finish 10 "SIGTERM"
kept=$(ls "$out/data/vandrax/replays" 2>/dev/null)
[ -n "$kept" ] || fail "the game ended by a signal was not kept"
"$sim" --data "$data" --replay "$out/data/vandrax/replays/$kept" --check >"$out/kept.json" ||
    fail "the kept game does not play back to its end: $(cat "$out/kept.json")"

kill "$wm" 2>/dev/null
echo "desktop_replay: watched to '$got' as recorded; a bad file and another version's told, status 2; a game ended by SIGTERM kept ($kept)"
exit 0
