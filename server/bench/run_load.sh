#!/usr/bin/env bash
# Load run of the stand-in scores backend on loopback: seeds a fresh database
# with 100 000 scores (10 000 players x 10 levels), starts vollarin-server on
# a free port and drives the two score procedures with wrk, 16 connections,
# a bounded time each. Prints wrk's figures (requests/s, latency percentiles).
#
# Usage: run_load.sh BUILD_DIR [SECONDS]
# BUILD_DIR holds server/vollarin-server and server/vollarin-server-seed
# (build them in Release for meaningful numbers).
set -euo pipefail

build_dir=$(cd "${1:?usage: run_load.sh BUILD_DIR [SECONDS]}" && pwd)
seconds=${2:-10}
here=$(cd "$(dirname "$0")" && pwd)
server_bin=$build_dir/server/vollarin-server
seed_bin=$build_dir/server/vollarin-server-seed
anon_key=$(grep -o 'eyJ[^"]*' "$here/high_scores.lua" | head -1)
command -v wrk >/dev/null || { echo "wrk is not installed (Debian package wrk)"; exit 1; }

work=$(mktemp -d /tmp/vollarin-load-XXXXXX)
server_pid=
cleanup() {
    if [[ -n $server_pid ]] && kill -0 "$server_pid" 2>/dev/null; then
        kill -TERM "$server_pid"
        wait "$server_pid" || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

"$seed_bin" --db "$work/load.db" --tokens "$work/tokens.txt" --players 10000 --levels 10

port=$((20000 + RANDOM % 30000))
"$server_bin" --db "$work/load.db" --port "$port" --quiet --insecure-fast-hashing \
    >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 100); do
    if curl -fs -o /dev/null -H "apikey: $anon_key" "http://127.0.0.1:$port/auth/v1/health"; then
        break
    fi
    sleep 0.1
done

echo "== get_high_scores_for_level: 16 connections, ${seconds}s"
wrk -t2 -c16 -d"${seconds}s" --timeout 5s --latency -s "$here/high_scores.lua" \
    "http://127.0.0.1:$port"
echo "== upsert_user_score: 16 connections, ${seconds}s"
wrk -t2 -c16 -d"${seconds}s" --timeout 5s --latency -s "$here/upsert_scores.lua" \
    "http://127.0.0.1:$port" -- "$work/tokens.txt"

kill -TERM "$server_pid"
wait "$server_pid"
echo "server stopped cleanly on SIGTERM (exit $?)"
server_pid=
