#!/usr/bin/env bash
# Ambrel in a real sway session with the real Screenshot portal (run inside scripts/wayland-testbed sway): a known
# picture on the output, `ambrel --capture` opens the picker full screen over the portal's picture, a drag from a
# virtual pointer selects the text, and the recognized text arrives on the Wayland clipboard. Twice, the second
# time with the first one's message still on screen and something else copied in between. Prints the time from
# the command to the picker and from the mouse-up to the clipboard.
#
# usage: sway_capture.sh AMBREL_EXECUTABLE TESTBED_INPUT
set -uo pipefail

ambrel=$1
pointer_tool=$2
here=$(cd "$(dirname "$0")" && pwd)
readonly expected="Wayland portal text"
readonly deadline_s=30

# shellcheck source=testbed_common.sh
source "$(dirname "$0")/testbed_common.sh"


for tool in convert swaymsg wl-paste /usr/bin/python3; do
    command -v "$tool" >/dev/null || { echo "$tool missing (scripts/install-deps)" >&2; [[ -n "${AMBREL_TEST_STRICT:-}" ]] && exit 1; exit 77; }
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
# The picker must cover the whole output, bar and borders included, whatever else is open.
picker_full_screen() {
    swaymsg -t get_tree | /usr/bin/python3 -c '
import json, sys
def walk(node):
    yield node
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        yield from walk(child)
pickers = [n for n in walk(json.load(sys.stdin)) if n.get("name") == "Ambrel region picker"]
sys.exit(not (len(pickers) == 1 and pickers[0]["fullscreen_mode"] == 1
              and pickers[0]["rect"] == {"x": 0, "y": 0, "width": 1280, "height": 800}))'
}
picker_shown && fail "a picker before any capture"

# ---- twice: `ambrel --capture` to the picker, a drag as a mouse makes it, the text on the clipboard ----
has_text() { wl-paste --no-newline 2>/dev/null | grep -qF "$expected"; }
report=""
for round in first second; do
    if [[ $round == second ]]; then
        # Something else copied in between, as a person would; wl-copy serves it until the next copy.
        wl-copy "copied in between" || fail "wl-copy failed"
        wait_for bash -c '[[ $(wl-paste --no-newline) == "copied in between" ]]' || fail "wl-copy's text never arrived"
    fi
    start=$(now_ms)
    "$ambrel" --capture || fail "ambrel --capture exited with $?"
    wait_for picker_shown || fail "no picker after ambrel --capture: $(cat "$TESTBED_DIR/ambrel.log")"
    to_picker=$(($(now_ms) - start))
    wait_for picker_full_screen || fail "$round round: the picker does not cover the output: $(swaymsg -t get_tree)"
    [[ -e /tmp/out.png ]] && fail "the portal's file of the whole desktop was left behind"

    point move 170 250
    point press
    for x in 400 700 1000 1220; do point move "$x" $((250 + (x - 170) * 160 / 1050)); done
    up=$(now_ms)
    point release
    wait_for has_text ||
        fail "$round round: the clipboard holds '$(wl-paste --no-newline 2>/dev/null)', not '$expected'; the picker is $(picker_shown && echo open || echo closed)"
    to_clipboard=$(($(now_ms) - up))
    picker_closed() { ! picker_shown; }
    wait_for picker_closed || fail "$round round: the picker stayed open"
    report+=" $round: ambrel --capture to picker ${to_picker} ms, mouse-up to clipboard ${to_clipboard} ms;"
done

echo "sway:${report}"
echo "1 passed, 0 failed"
