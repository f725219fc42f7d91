#!/usr/bin/env bash
# Measures the resident app at rest: share of one core and resident memory over 20 seconds, in Xvfb with a tray
# host, after the engines warm. Usage: bench/idle.sh [build/ambrel]
set -euo pipefail
ambrel="$(realpath "${1:-build/ambrel}")"
work="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

exec 3> "$work/display"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
trayer --edge bottom >/dev/null 2>&1 &
pids+=($!)

mkdir -p "$work/config/Ambrel" "$work/data"
printf '[General]\ntermsVersionAccepted=1\nreadyHintShown=true\n' > "$work/config/Ambrel/Ambrel.conf"
XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" QT_QPA_PLATFORM=xcb "$ambrel" >/dev/null 2>&1 &
app=$!
pids+=($app)
sleep 5 # let start-up and any warm-up finish before measuring rest

ticks() { awk '{print $14 + $15}' "/proc/$app/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep 20
after=$(ticks)
rss_kb=$(awk '/VmRSS/ {print $2}' "/proc/$app/status")
awk -v t=$((after - before)) -v hz="$hz" -v rss="$rss_kb" \
    'BEGIN { printf "idle: %.2f %% of one core over 20 s, %.0f MB resident\n", 100 * t / hz / 20, rss / 1024 }'
