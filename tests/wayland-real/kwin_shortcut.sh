#!/usr/bin/env bash
# Ambrel's capture shortcut through the real GlobalShortcuts portal of KDE Plasma 5.27 (run inside
# scripts/wayland-testbed kwin): the running application binds it, KWin's shortcut service holds it with the
# trigger a US layout's Meta+Shift+2 produces (Meta+@), pressing Meta+Shift+2 (injected through KWin's fake
# input) starts a capture (a Screenshot request to the portal), so does firing it through KWin's shortcut service,
# and so does `ambrel --capture`.
#
# usage: kwin_shortcut.sh AMBREL_EXECUTABLE TESTBED_INPUT
set -uo pipefail

ambrel=$1
input_tool=$2
readonly deadline_s=30
readonly meta_at=268435520 # Qt::META | Qt::Key_At, as kglobalaccel stores a key

# shellcheck source=testbed_common.sh
source "$(dirname "$0")/testbed_common.sh"


accel() { # OBJECT METHOD [ARGUMENTS...]
    local object=$1 method=$2
    shift 2
    dbus-send --session --print-reply --dest=org.kde.kglobalaccel "$object" "$method" "$@"
}

# The component KWin keeps for the portal session holding a shortcut named "capture".
component=""
find_component() {
    local c
    for c in $(accel /kglobalaccel org.kde.KGlobalAccel.allComponents | grep -o '/component/[^"]*'); do
        if accel "$c" org.kde.kglobalaccel.Component.shortcutNames | grep -q '"capture"'; then
            component=$c
            return 0
        fi
    done
    return 1
}

# Every Screenshot request to the portal from now on, one per line of the monitor's log.
monitor_log=$TESTBED_DIR/monitor.log
dbus-monitor --session "type='method_call',interface='org.freedesktop.portal.Screenshot',member='Screenshot'" \
    >"$monitor_log" 2>&1 &
monitor=$!
screenshots() { grep -c "member=Screenshot" "$monitor_log"; }
more_screenshots_than() { (($(screenshots) > $1)); }
wait_for grep -q NameAcquired "$monitor_log" || fail "dbus-monitor did not start"

export XDG_CONFIG_HOME=$TESTBED_DIR/config XDG_DATA_HOME=$TESTBED_DIR/data QT_QPA_PLATFORM=wayland
mkdir -p "$XDG_CONFIG_HOME/Ambrel" "$XDG_DATA_HOME"
printf '[General]\nplaySound=false\nreadyHintShown=true\ntermsVersionAccepted=1\n' >"$XDG_CONFIG_HOME/Ambrel/Ambrel.conf"
find_component && fail "a capture shortcut before Ambrel ran"
start=$(now_ms)
"$ambrel" >"$TESTBED_DIR/ambrel.log" 2>&1 &
app=$!
trap 'kill -TERM $app $monitor ${input_PID:-} 2>/dev/null; wait $app 2>/dev/null' EXIT

# ---- bound once, with the trigger that fires ----
wait_for find_component || fail "the shortcut was never bound: $(cat "$TESTBED_DIR/ambrel.log")"
bound=$(($(now_ms) - start))
infos=$(accel "$component" org.kde.kglobalaccel.Component.allShortcutInfos)
grep -q "int32 $meta_at" <<<"$infos" || fail "the shortcut is not Meta+@: $infos"
[[ $(grep -c 'string "capture"' <<<"$infos") -eq 1 ]] || fail "the shortcut was bound more than once: $infos"

# ---- the keys pressed, as a person would ----
coproc input { "$input_tool" 1280 800; }
read -r -t "$deadline_s" answer <&"${input[0]}" && [[ "$answer" == ready ]] || fail "no fake input"
key() { # CODE down|up
    echo "key $1 $2" >&"${input[1]}"
    read -r -t "$deadline_s" answer <&"${input[0]}" && [[ "$answer" == ok ]] || fail "the key was not taken: $*"
}
readonly leftmeta=125 leftshift=42 digit2=3
before=$(screenshots)
pressed=$(now_ms)
key $leftmeta down
key $leftshift down
key $digit2 down
key $digit2 up
key $leftshift up
key $leftmeta up
wait_for more_screenshots_than "$before" || fail "Meta+Shift+2 started no capture"
to_capture=$(($(now_ms) - pressed))

# ---- fired through KWin's shortcut service, as other tools do ----
before=$(screenshots)
accel "$component" org.kde.kglobalaccel.Component.invokeShortcut string:capture >/dev/null ||
    fail "kglobalaccel did not take the invocation"
wait_for more_screenshots_than "$before" || fail "the shortcut started no capture"

# ---- `ambrel --capture` in the session ----
before=$(screenshots)
"$ambrel" --capture || fail "ambrel --capture exited with $?"
wait_for more_screenshots_than "$before" || fail "ambrel --capture started no capture"

echo "kwin: shortcut bound ${bound} ms after start; Meta+Shift+2 to the portal's Screenshot request ${to_capture} ms"
echo "1 passed, 0 failed"
