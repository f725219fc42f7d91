# What the scripts run inside scripts/wayland-testbed share; sourced, with `deadline_s` set by the script.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Runs COMMAND until it succeeds, for at most deadline_s seconds.
wait_for() {
    local end=$((SECONDS + deadline_s))
    until "$@" 2>/dev/null; do
        ((SECONDS < end)) || return 1
        sleep 0.02
    done
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }
