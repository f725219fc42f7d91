#!/usr/bin/env bash
# Ambrel in a real sway session with the real Screenshot portal (run inside scripts/wayland-testbed sway): a known
# picture on the output, `ambrel --capture` opens the picker over the portal's picture, a drag injected through
# sway's seat selects the text, and the recognized text arrives on the Wayland clipboard. Prints the time from
# the command to the picker and from the mouse-up to the clipboard.
#
# usage: sway_capture.sh AMBREL_EXECUTABLE TESTBED_POINTER
set -uo pipefail

ambrel=$1
pointer_tool=$2
here=$(cd "$(dirname "$0")" && pwd)
readonly expected="Wayland portal text"
readonly deadline_s=30

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

wait_for() {
    local end=$((SECONDS + deadline_s))
    until "$@" 2>/dev/null; do
        ((SECONDS < end)) || return 1
        sleep 0.02
    done
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

for tool in convert swaymsg wl-paste /usr/bin/python3; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool missing" >&2; exit 77; }
done

# ---- the known picture, as the output's background ----
picture=$TESTBED_DIR/known.png
convert -size 1280x800 xc:white -font DejaVu-Sans -pointsize 64 -fill black \
    -annotate +200+330 "$expected" "$picture" || fail "could not draw the picture"
swaymsg output HEADLESS-1 bg "$picture" stretch >/dev/null || fail "sway took no background"

# The background is drawn by a client of its own a moment later: the portal's picture shows when.
shows_picture() {
    local answer file mean
    answer=$(/usr/bin/python3 "$here/portal_screenshot.py" 10) || return 1
    file=${answer#0 }
    [[ "$answer" == 0\ * && -f "$file" ]] || return 1
    mean=$(convert "$file" -crop 800x120+180+250 -colorspace Gray -format '%[fx:mean]' info:)
    rm -f "$file"
    awk -v m="$mean" 'BEGIN { exit !(m < 0.97) }'
}
wait_for shows_picture || fail "the portal's screenshot never showed the picture"

# ---- the pointer, present before any window so that every window gets it from the start ----
coproc pointer { "$pointer_tool" 1280 800; }
read -r -t "$deadline_s" answer <&"${pointer[0]}" && [[ "$answer" == ready ]] || fail "no virtual pointer"
# Sends one command to the pointer and waits for the compositor to have taken it.
point() {
    echo "$*" >&"${pointer[1]}"
    read -r -t "$deadline_s" answer <&"${pointer[0]}" && [[ "$answer" == ok ]] || fail "the pointer did not take: $*"
}

# ---- Ambrel, as a desktop would run it ----
export XDG_CONFIG_HOME=$TESTBED_DIR/config XDG_DATA_HOME=$TESTBED_DIR/data QT_QPA_PLATFORM=wayland
mkdir -p "$XDG_CONFIG_HOME/Ambrel" "$XDG_DATA_HOME"
printf '[General]\nplaySound=false\nreadyHintShown=true\ntermsVersionAccepted=1\n' >"$XDG_CONFIG_HOME/Ambrel/Ambrel.conf"
"$ambrel" >"$TESTBED_DIR/ambrel.log" 2>&1 &
app=$!
trap 'kill -TERM $app $pointer_PID 2>/dev/null; wait $app 2>/dev/null' EXIT
listening() { compgen -G "$XDG_RUNTIME_DIR/ambrel-*.socket" >/dev/null; }
wait_for listening || fail "Ambrel never listened: $(cat "$TESTBED_DIR/ambrel.log")"

picker_shown() { swaymsg -t get_tree | grep -q '"name": "Ambrel region picker"'; }
picker_shown && fail "a picker before any capture"

# ---- `ambrel --capture` to the picker ----
start=$(now_ms)
"$ambrel" --capture || fail "ambrel --capture exited with $?"
wait_for picker_shown || fail "no picker after ambrel --capture: $(cat "$TESTBED_DIR/ambrel.log")"
to_picker=$(($(now_ms) - start))
[[ -e /tmp/out.png ]] && fail "the portal's file of the whole desktop was left behind"

# ---- the drag, as a mouse would make it ----
point move 170 250
point press
for x in 400 700 1000 1220; do point move "$x" $((250 + (x - 170) * 160 / 1050)); done
up=$(now_ms)
point release

has_text() { wl-paste --no-newline 2>/dev/null | grep -qF "$expected"; }
wait_for has_text || fail "the clipboard holds '$(wl-paste --no-newline 2>/dev/null)', not '$expected'"
to_clipboard=$(($(now_ms) - up))
picker_shown && fail "the picker stayed open"

echo "sway: ambrel --capture to picker ${to_picker} ms; mouse-up to clipboard ${to_clipboard} ms"
echo "1 passed, 0 failed"
