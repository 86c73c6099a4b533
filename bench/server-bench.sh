#!/usr/bin/env bash
# Load on vandrax-scored with wrk: CONNECTIONS connections (default 2), each asking for a token
# and sending a score with it, for SECONDS (default 30), no rate limit. Before that, 10 s of
# version queries alone at full speed, after which the table of used tokens must still be empty:
# a token costs the database nothing until it is used. The back end is sqlite (a fresh file) or
# postgres (the cluster of the PG* variables, as pg_virtualenv sets them).
#   bench/server-bench.sh BUILD/vandrax-scored sqlite|postgres [SECONDS] [CONNECTIONS]
set -euo pipefail
scored=$1
backend=$2
seconds=${3:-30}
connections=${4:-2}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then kill -TERM "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

case $backend in
  sqlite) db="sqlite:$work/scores.db" ;;
  postgres)
    : "${PGHOST:?run under pg_virtualenv (or set PGHOST, PGPORT, PGUSER, PGPASSWORD)}"
    db="postgresql://$PGUSER:${PGPASSWORD:-}@$PGHOST:$PGPORT/${PGDATABASE:-postgres}" ;;
  *) echo "backend: sqlite or postgres" >&2; exit 2 ;;
esac

# Rows of the used-token table.
used_tokens() {
  case $backend in
    sqlite) python3 -c 'import sqlite3, sys; print(sqlite3.connect(sys.argv[1]).execute("SELECT count(*) FROM used_tokens").fetchone()[0])' "$work/scores.db" ;;
    postgres) psql -Atq -d "$db" -c 'SELECT count(*) FROM used_tokens' ;;
  esac
}

"$scored" --listen 127.0.0.1:0 --db "$db" --rate-limit 0 --version-rate-limit 0 --connections-per-address 0 >"$work/out" 2>"$work/log" &
pid=$!
for _ in $(seq 100); do
  grep -q 'listening on' "$work/out" 2>/dev/null && break
  sleep 0.1
done
port=$(sed -n 's/.*listening on .*:\([0-9]*\)$/\1/p' "$work/out")
[ -n "$port" ] || { echo "vandrax-scored did not start:" >&2; cat "$work/log" >&2; exit 1; }

echo "== version queries alone on $backend, wrk -t2 -c$connections -d10s"
wrk -t2 -c"$connections" -d10s "http://127.0.0.1:$port/cgi/version.pl?version&prg=Vandrax" |
  grep -E 'Requests/sec|requests in|Non-2xx|Socket errors'
echo "used tokens kept after the version queries: $(used_tokens)"

# One connection a wrk thread, so each connection's requests strictly alternate (see server.lua).
echo "== vandrax-scored on $backend, wrk -t$connections -c$connections -d${seconds}s"
wrk -t"$connections" -c"$connections" -d"${seconds}s" --latency -s "$here/server.lua" "http://127.0.0.1:$port" |
  grep -v '^\s*$'
echo "used tokens kept after the scores: $(used_tokens)"

kill -TERM "$pid"
wait "$pid"
pid=
refused=$(grep -vc -e ' stored ' -e ' stopped' "$work/log" || true)
echo "server log: $(grep -c ' stored ' "$work/log" || true) scores stored, $refused other lines"
