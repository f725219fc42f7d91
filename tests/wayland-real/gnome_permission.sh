#!/usr/bin/env bash
# Ambrel and GNOME 43's screenshot permission (run inside scripts/wayland-testbed gnome), set through the desktop's
# permission store as GNOME's dialog would: granted, `ambrel --capture` gets the picture at once and its picker
# darkens the screen; denied, the portal refuses at once; not yet asked, GNOME's dialog waits for the person and
# Ambrel waits with it, still answering.
#
# usage: gnome_permission.sh AMBREL_EXECUTABLE
set -uo pipefail

ambrel=$1
here=$(cd "$(dirname "$0")" && pwd)
readonly deadline_s=30

# shellcheck source=testbed_common.sh
source "$(dirname "$0")/testbed_common.sh"

store() { # METHOD ARGUMENTS...
    local method=$1
    shift
    gdbus call --session --dest org.freedesktop.impl.portal.PermissionStore \
        --object-path /org/freedesktop/impl/portal/PermissionStore \
        --method "org.freedesktop.impl.portal.PermissionStore.$method" "$@" >/dev/null
}
# An application outside a sandbox has the id "".
permit() { store SetPermission screenshot true screenshot "" "[\"$1\"]"; }

# The mean brightness of the screen, through the portal (needs the permission).
brightness() {
    local answer file
    answer=$(/usr/bin/python3 "$here/portal_screenshot.py" 10) || return 1
    file=${answer#0 }
    [[ "$answer" == 0\ * && -f "$file" ]] || return 1
    convert "$file" -colorspace Gray -format '%[fx:mean]' info:
    rm -f "$file"
}

# The portal's answers to Ambrel's requests (their paths carry Ambrel's tokens), one code a line.
monitor_log=$TESTBED_DIR/monitor.log
dbus-monitor --session "type='signal',interface='org.freedesktop.portal.Request',member='Response'" \
    >"$monitor_log" 2>&1 &
monitor=$!
wait_for grep -q NameAcquired "$monitor_log" || fail "dbus-monitor did not start"
answers() { grep -A1 "path=/org/freedesktop/portal/desktop/request/.*/ambrel" "$monitor_log" | grep -o 'uint32 [0-9]*'; }
answered() { (($(answers | wc -l) > $1)); }

export XDG_CONFIG_HOME=$TESTBED_DIR/config XDG_DATA_HOME=$TESTBED_DIR/data QT_QPA_PLATFORM=wayland
mkdir -p "$XDG_CONFIG_HOME/Ambrel" "$XDG_DATA_HOME"
printf '[General]\nplaySound=false\nreadyHintShown=true\ntermsVersionAccepted=1\n' >"$XDG_CONFIG_HOME/Ambrel/Ambrel.conf"
app=""
start_ambrel() {
    "$ambrel" >>"$TESTBED_DIR/ambrel.log" 2>&1 &
    app=$!
    wait_for listening || fail "Ambrel never listened: $(cat "$TESTBED_DIR/ambrel.log")"
}
stop_ambrel() {
    kill -TERM "$app" 2>/dev/null
    wait "$app" 2>/dev/null
    # Ended by a signal, it leaves its socket behind; the next one is waited for by its socket.
    rm -f "$XDG_RUNTIME_DIR"/ambrel-*.socket
}
listening() { compgen -G "$XDG_RUNTIME_DIR/ambrel-*.socket" >/dev/null; }
trap 'kill -TERM $app $monitor 2>/dev/null; wait $app 2>/dev/null' EXIT

# ---- granted: the picture at once, and the picker over it ----
permit yes
before=$(brightness) || fail "the portal gave no screenshot with the permission granted"
start_ambrel
count=$(answers | wc -l)
"$ambrel" --capture || fail "ambrel --capture exited with $?"
wait_for answered "$count" || fail "no answer to Ambrel's screenshot request"
[[ $(answers | tail -n1) == "uint32 0" ]] || fail "granted, yet the portal answered $(answers | tail -n1)"
now=""
darker() {
    now=$(brightness) || return 1
    awk -v a="$before" -v b="$now" 'BEGIN { exit !(b < a * 0.85) }'
}
wait_for darker || fail "no picker darkened the screen (brightness $before, then $now)"
stop_ambrel

# ---- denied: refused at once ----
permit no
start_ambrel
count=$(answers | wc -l)
"$ambrel" --capture || fail "ambrel --capture exited with $?"
wait_for answered "$count" || fail "denied, and no answer"
[[ $(answers | tail -n1) == "uint32 2" ]] || fail "denied, yet the portal answered $(answers | tail -n1)"
stop_ambrel

# ---- not asked yet: GNOME's dialog waits for the person, and so does Ambrel, without freezing ----
store DeletePermission screenshot screenshot ""
start_ambrel
count=$(answers | wc -l)
"$ambrel" --capture || fail "ambrel --capture exited with $?"
# A person takes a while to answer: during that time no answer may come, and the application must still answer
# a second start at once.
observe_until=$((SECONDS + 3))
while ((SECONDS < observe_until)); do
    answered "$count" && fail "the portal answered without the person: $(answers | tail -n1)"
    sleep 0.1
done
timeout 10 "$ambrel" --capture || fail "Ambrel did not answer while the dialog was open"
answered "$count" && fail "the portal answered without the person: $(answers | tail -n1)"

echo "gnome: granted, denied and unanswered permission as expected"
echo "1 passed, 0 failed"
