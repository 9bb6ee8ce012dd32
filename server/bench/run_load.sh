#!/usr/bin/env bash
# Load run of the stand-in scores backend on loopback: seeds a fresh database
# with 70 000 scores (10 000 players x 7 levels), starts vollarin-server on
# a free port and drives the two score procedures with wrk at each number of
# connections, a bounded time each. Prints wrk's figures, then one summary
# line per run (requests/s, 50th and 99th percentile, errors).
#
# Usage: run_load.sh BUILD_DIR [SECONDS] [CONNECTIONS ...]
# BUILD_DIR holds server/vollarin-server and server/vollarin-server-seed
# (build them in Release for meaningful numbers). Connections default to
# 16 64 256. Raise this shell's open-file limit (ulimit -n) above the
# largest count first: wrk needs a descriptor per connection as well.
set -euo pipefail

build_dir=$(cd "${1:?usage: run_load.sh BUILD_DIR [SECONDS] [CONNECTIONS ...]}" && pwd)
seconds=${2:-10}
shift $(($# < 2 ? $# : 2))
connections=("$@")
[[ ${#connections[@]} -eq 0 ]] && connections=(16 64 256)
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

"$seed_bin" --db "$work/load.db" --tokens "$work/tokens.txt" --players 10000 --levels 7

# Any free port: the start-up line says which. Every wrk connection comes
# from one address, so the per-address cap is lifted. SERVER_NOFILE, when
# set, is the server's open-file limit (its connection cap stays 64 below):
# e.g. SERVER_NOFILE=1024 shows the cap at work at 1 024 connections.
nofile=${SERVER_NOFILE:-$(ulimit -n)}
bash -c 'ulimit -n "$1" && shift && exec "$@"' limit "$nofile" \
    "$server_bin" --db "$work/load.db" --port 0 --quiet --insecure-fast-hashing \
    --max-connections-per-address 0 >"$work/server.log" 2>&1 &
server_pid=$!
port=
for _ in $(seq 100); do
    port=$(grep -o 'listening on http://127.0.0.1:[0-9]*' "$work/server.log" | grep -o '[0-9]*$' || true)
    if [[ -n $port ]] &&
        curl -fs -o /dev/null -H "apikey: $anon_key" "http://127.0.0.1:$port/auth/v1/health"; then
        break
    fi
    sleep 0.1
done
[[ -n $port ]] || { cat "$work/server.log"; exit 1; }

summary=()
run() { # name, script, connections, extra arguments for the script
    local name=$1 script=$2 count=$3 out
    shift 3
    echo "== $name: $count connections, ${seconds}s"
    out=$(wrk -t2 -c"$count" -d"${seconds}s" --timeout 5s --latency -s "$here/$script" \
        "http://127.0.0.1:$port" "$@")
    echo "$out"
    local rps p50 p99 errors
    rps=$(awk '/^Requests\/sec:/ {print $2}' <<<"$out")
    p50=$(awk '$1 == "50%" {print $2}' <<<"$out")
    p99=$(awk '$1 == "99%" {print $2}' <<<"$out")
    errors=$(grep -E 'Socket errors|Non-2xx' <<<"$out" | tr -s ' ' | paste -sd ';' || true)
    summary+=("$(printf '%-7s %5s  %10s  %9s  %9s  %s' "$name" "$count" "$rps" "$p50" "$p99" \
        "${errors:-none}")")
}
for count in "${connections[@]}"; do
    run reads high_scores.lua "$count"
    run stores upsert_scores.lua "$count" -- "$work/tokens.txt"
    # REPLAYS: a file of recorded replays (see submit_replays.lua); each
    # store is then verified by playing its replay.
    if [[ -n ${REPLAYS:-} ]]; then
        run replays submit_replays.lua "$count" -- "$work/tokens.txt" "$REPLAYS"
    fi
done

echo
printf '%-7s %5s  %10s  %9s  %9s  %s\n' kind conns "req/s" p50 p99 errors
printf '%s\n' "${summary[@]}"

kill -TERM "$server_pid"
wait "$server_pid"
echo "server stopped cleanly on SIGTERM (exit $?)"
server_pid=
