#!/usr/bin/env bash
# How much processor time the game takes while it sits on its menu, for each
# way of pacing frames: free-running (the default), --vsync, and frame-rate
# limits. Each run is the real game on a virtual display of its own, with
# silent audio and throw-away player folders; its CPU time (user + system,
# all threads) is read from /proc over a quiet stretch after the menu shows,
# and so is the X server's, which receives every presented frame.
#
#   benchmarks/idle_cpu.sh [build-dir] [seconds]     (defaults: build, 10)
#
# 100 % is one whole core.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${1:-build}
MEASURED_SECONDS=${2:-10}
GAME=$(realpath "$BUILD_DIR/vollarin")
WORK=$(mktemp -d)
TICKS=$(getconf CLK_TCK)
XVFB_PID=""
GAME_PID=""

cleanup() {
    [ -n "$GAME_PID" ] && kill "$GAME_PID" 2>/dev/null && wait "$GAME_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

# A display number the X server picks itself, so runs side by side never meet.
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$WORK/display" 2>/dev/null &
XVFB_PID=$!
for _ in $(seq 1 100); do
    [ -s "$WORK/display" ] && break
    sleep 0.1
done
[ -s "$WORK/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$WORK/display")"
export ALSOFT_DRIVERS=null
export XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data"

cpu_ticks() {
    awk '{ print $14 + $15 }' "/proc/$1/stat"
}

measure() {
    local label=$1
    shift
    (cd "$BUILD_DIR" && exec "$GAME" "$@") >"$WORK/log" 2>&1 &
    GAME_PID=$!
    for _ in $(seq 1 300); do
        grep -q "Transitioning from 0 to 1" "$WORK/log" && break
        sleep 0.1
    done
    grep -q "Transitioning from 0 to 1" "$WORK/log" || { echo "$label: no menu" >&2; exit 1; }
    sleep 2
    local game_before x_before game_after x_after
    game_before=$(cpu_ticks "$GAME_PID")
    x_before=$(cpu_ticks "$XVFB_PID")
    sleep "$MEASURED_SECONDS"
    game_after=$(cpu_ticks "$GAME_PID")
    x_after=$(cpu_ticks "$XVFB_PID")
    kill "$GAME_PID"
    wait "$GAME_PID" 2>/dev/null || true
    GAME_PID=""
    awk -v label="$label" -v g=$((game_after - game_before)) -v x=$((x_after - x_before)) \
        -v t="$TICKS" -v s="$MEASURED_SECONDS" \
        'BEGIN { printf "%-24s game %6.1f %%   X server %6.1f %%\n", label, 100 * g / t / s, 100 * x / t / s }'
}

echo "Idle CPU on the menu, 1280 x 720, over $MEASURED_SECONDS s ($(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg)):"
measure "free-running (default)"
measure "--vsync" --vsync
measure "--fps-limit 60" --fps-limit 60
measure "--fps-limit 30" --fps-limit 30
