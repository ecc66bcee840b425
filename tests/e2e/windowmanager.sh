#!/usr/bin/env bash
# Under a window manager (openbox): a maximized window minimized and restored from the tray comes
# back maximized every time, and the fixed-size windows offer no maximizing. The screenshot
# shows the calibration and alarms windows as a user meets them.
source "$(dirname "$0")/e2e.sh" "$@"

wmPid=
trap 'status=$?; set +e; [ -z "$wmPid" ] || kill "$wmPid" 2>/dev/null; (exit "$status"); cleanup' EXIT

openbox --sm-disable >"$work/openbox.log" 2>&1 &
wmPid=$!
wmRuns() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
waitFor 10 "the window manager" wmRuns

# The tray's commands drive the real main window through the toolkit, many times over.
QUORVIL_TEST_WINDOW_MANAGER=1 timeout -k 2 60 "$shots/tests/test_app" \
    --gtest_filter='UnderWindowManager.*' >"$work/restore.log" 2>&1 &&
    grep -q '^\[  PASSED  \] 1 test' "$work/restore.log" ||
    fail "tray restore under a window manager: $(grep -v 'does not support' "$work/restore.log")"

setPort '0 0 10000 32767' '1 0 1000 65535'
startApp
declare -A windows=([ctrl+k]='^Quorvil4 calibration$' [ctrl+m]='^Quorvil4 alarms$'
    [ctrl+g]='^Quorvil4 graph$' [ctrl+r]='^Quorvil4 ReadMe$')
for command in ctrl+g ctrl+r ctrl+k ctrl+m; do
    key "$command"
    waitFor 10 "the window of $command" windowShown "${windows[$command]}"
    window=$(visibleWindow "${windows[$command]}")
    actions=$(xprop -id "$window" _NET_WM_ALLOWED_ACTIONS)
    [[ $actions == *CLOSE* && $actions != *MAXIMIZE* ]] ||
        fail "${windows[$command]} offers: $actions"
done
# About has no title; it is the one window of the program without a name.
key ctrl+a
about() {
    for window in $(xdotool search --onlyvisible --class quorvil4 2>/dev/null); do
        [ -z "$(xdotool getwindowname "$window")" ] && echo "$window" && return 0
    done
    return 1
}
waitFor 10 "the About window" eval 'about >/dev/null'
actions=$(xprop -id "$(about)" _NET_WM_ALLOWED_ACTIONS)
[[ $actions == *CLOSE* && $actions != *MAXIMIZE* ]] || fail "About offers: $actions"
screenshot windows
echo "windowmanager: all passed"
