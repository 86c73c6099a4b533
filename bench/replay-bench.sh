#!/usr/bin/env bash
# Scores with replays on vandrax-scored under wrk: UPLOADERS connections each play the game's part
# after a game over and over (a token, the score, the replay: bench/replay.lua) while 4 more
# connections ask for the table page every 20 ms each (bench/page.lua), for SECONDS (default 60).
# The replay is the longest first game of the simulator's bot among the seeds of BENCH_SEEDS
# (default 7, whose first game lasts 3.2 minutes; the bot seldom lives longer), recorded here.
# Prints the games verified a minute, the same work counted in five-minute games (18 000 frames
# each), and the page's latency.
#   bench/replay-bench.sh BUILD [SECONDS] [UPLOADERS]
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=${2:-60}
uploaders=${3:-4}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then kill -TERM "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The bot's first game for a few seeds; the longest is the one uploaded.
best=0
for seed in ${BENCH_SEEDS:-7}; do
  "$build/vandrax-sim" --data "$build" --home "$work/home$seed" --seed "$seed" --record "$work/game$seed.vxr" \
    --play 1 --autopilot --until-ms 330000 >/dev/null 2>&1
  played=$("$build/vandrax-sim" --data "$build" --replay "$work/game$seed.vxr")
  frames=$(sed -n 's/.*"frames": *\([0-9]*\).*/\1/p' <<<"$played")
  if [ "$frames" -gt "$best" ]; then
    best=$frames
    cp "$work/game$seed.vxr" "$work/game.vxr"
    score=$(sed -n 's/.*"score": *\([0-9]*\).*/\1/p' <<<"$played")
  fi
done
echo "replay: $(stat -c %s "$work/game.vxr") bytes, $best frames ($(awk -v f="$best" 'BEGIN { printf "%.1f", f / 3600 }') minutes of play), score $score"

"$build/vandrax-scored" --listen 127.0.0.1:0 --db "sqlite:$work/scores.db" --data "$build" --rate-limit 0 \
  --version-rate-limit 0 --connections-per-address 0 >"$work/out" 2>"$work/log" &
pid=$!
for _ in $(seq 100); do
  grep -q 'listening on' "$work/out" 2>/dev/null && break
  sleep 0.1
done
port=$(sed -n 's/.*listening on .*:\([0-9]*\)$/\1/p' "$work/out")
[ -n "$port" ] || { echo "vandrax-scored did not start:" >&2; cat "$work/log" >&2; exit 1; }

verified() {
  python3 -c 'import sqlite3, sys; print(sqlite3.connect(sys.argv[1]).execute("SELECT count(*) FROM scores WHERE verified = 1").fetchone()[0])' "$work/scores.db"
}

# One run: uploads (paced by GAME_DELAY_MS between a connection's games, 0: as fast as taken) and
# the page beside them; verified games counted from 5 s in, once the queue has filled.
run() {
  local delay=$1
  REPLAY_FILE="$work/game.vxr" REPLAY_SCORE=$score GAME_DELAY_MS=$delay \
    wrk -t"$uploaders" -c"$uploaders" -d"${seconds}s" -s "$here/replay.lua" "http://127.0.0.1:$port" >"$work/uploads" &
  local uploads=$!
  sleep 5
  local start started end ended
  start=$(verified)
  started=$(date +%s.%N)
  wrk -t2 -c4 -d"$((seconds - 10))s" --latency -s "$here/page.lua" \
    "http://127.0.0.1:$port/cgi/version.pl?prg=Vandrax&show&type=0" >"$work/page"
  end=$(verified)
  ended=$(date +%s.%N)
  wait "$uploads"
  grep -E 'uploads:|Socket errors' "$work/uploads" || true
  local per_minute
  per_minute=$(awk -v a="$start" -v b="$end" -v s="$started" -v e="$ended" 'BEGIN { printf "%.1f", (b - a) * 60 / (e - s) }')
  echo "verified: $per_minute games a minute ($((end - start)) in $(awk -v s="$started" -v e="$ended" 'BEGIN { printf "%.1f", e - s }') s)," \
    "$(awk -v g="$per_minute" -v f="$best" 'BEGIN { printf "%.1f", g * f / 18000 }') in five-minute games"
  echo "table page: $(grep -E 'Requests/sec' "$work/page" | awk '{print $2}') pages/s;" \
    "latency $(awk '/Latency Distribution/ {d = 1} d && /50%|99%/ {sub(/%/, "", $1); printf "p%s %s  ", $1, $2}' "$work/page")"
  grep -E 'Non-2xx|Socket errors' "$work/page" || true
}

echo "== as many games as the server takes: $uploaders uploading connections, 4 on the table page, ${seconds}s"
run 0
# Sixty five-minute games a minute in the replay's length: each connection's games that far apart.
pace=$(awk -v f="$best" -v u="$uploaders" 'BEGIN { printf "%d", 60000 * u / (60 * 18000 / f) }')
# The replays still queued from the first run are checked before the second begins.
for _ in $(seq 600); do
  [ "$(python3 -c 'import sqlite3, sys; print(sqlite3.connect(sys.argv[1]).execute("SELECT count(*) FROM replays WHERE state = '"'checking'"'").fetchone()[0])' "$work/scores.db")" = 0 ] && break
  sleep 0.1
done
echo "== sixty five-minute games' worth a minute: a game every $pace ms on each of $uploaders connections, ${seconds}s"
run "$pace"
unverified=$(grep -c ': unverified' "$work/log" || true)
echo "server log: $(grep -c ': verified' "$work/log" || true) verified, $unverified unverified"
grep ': unverified' "$work/log" | head -3 || true
