#!/usr/bin/env bash
# Load on vandrax-scored with wrk: two connections, each asking for a token and sending a score
# with it, for SECONDS (default 30), no rate limit. The back end is sqlite (a fresh file) or
# postgres (the cluster of the PG* variables, as pg_virtualenv sets them).
#   bench/server-bench.sh BUILD/vandrax-scored sqlite|postgres [SECONDS]
set -euo pipefail
scored=$1
backend=$2
seconds=${3:-30}
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

"$scored" --listen 127.0.0.1:0 --db "$db" --rate-limit 0 --version-rate-limit 0 >"$work/out" 2>"$work/log" &
pid=$!
for _ in $(seq 100); do
  grep -q 'listening on' "$work/out" 2>/dev/null && break
  sleep 0.1
done
port=$(sed -n 's/.*listening on .*:\([0-9]*\)$/\1/p' "$work/out")
[ -n "$port" ] || { echo "vandrax-scored did not start:" >&2; cat "$work/log" >&2; exit 1; }

echo "== vandrax-scored on $backend, wrk -t2 -c2 -d${seconds}s"
wrk -t2 -c2 -d"${seconds}s" --latency -s "$here/server.lua" "http://127.0.0.1:$port" | grep -v '^\s*$'

kill -TERM "$pid"
wait "$pid"
pid=
refused=$(grep -vc -e ' stored ' -e ' stopped' "$work/log" || true)
echo "server log: $(grep -c ' stored ' "$work/log" || true) scores stored, $refused other lines"
