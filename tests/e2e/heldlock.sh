#!/usr/bin/env bash
# Another program holds the settings lock over a settings file of 20,000 keys: the window still
# comes within seconds at its stored place, a Save says that it could not be stored and leaves
# the file alone, and once the lock is free the Save is stored with every key kept.
source "$(dirname "$0")/e2e.sh" "$@"

holder=
releaseLock() {
    [ -n "$holder" ] || return 0
    kill "$holder" 2>/dev/null || true
    wait "$holder" 2>/dev/null || true
    holder=
}
trap 'status=$?; releaseLock; set +e; (exit "$status"); cleanup' EXIT

mkdir -p "$(dirname "$userReg")"
{
    printf 'REGEDIT4\n\n'
    awk 'BEGIN { for (i = 0; i < 20000; i++) printf "[HKEY_CURRENT_USER\\k%06d]\n\n", i }'
    printf '[HKEY_CURRENT_USER\\Software\\Norvalde\\Quorvil4\\Misc]\n"Left"="4500"\n"Top"="3000"\n'
} >"$userReg"
cp "$userReg" "$work/original.reg"
(exec 9>>"$userReg.lock" && flock -x 9 && exec sleep 60) &
holder=$!
lockHeld() { ! flock -n "$userReg.lock" true; }
waitFor 5 "the lock to be taken" lockHeld

setPort '0 0 10000 32767' '1 0 1000 65535'
"$binary" --simulate="$port" >>"$work/app.log" 2>&1 &
appPid=$!
waitFor 8 "the main window" windowShown '^Quorvil4$'
findMainWindow
geometry "$mainWindow"
((X >= 300 && X <= 320 && Y >= 200 && Y <= 240)) || fail "the stored place was not used: $X,$Y"

windowCount() { [ "$(xdotool search --onlyvisible --name '^Quorvil4$' 2>/dev/null | wc -l)" -eq "$1" ]; }
key ctrl+s
waitFor 5 "the setup view" clientHeightIs "$SetupHeight"
click btnSave
waitFor 8 "the message that the Save failed" windowCount 2
screenshot refused
box=$(xdotool search --onlyvisible --name '^Quorvil4$' | grep -vx "$mainWindow" | head -n 1)
timeout 5 xdotool windowfocus --sync "$box" || fail "cannot focus the message"
xdotool key --clearmodifiers Return
waitFor 5 "the message to close" windowCount 1
cmp -s "$userReg" "$work/original.reg" || fail "user.reg changed while another program held the lock"

releaseLock
click btnSave
waitFor 8 'the Save in user.reg' regHolds '"Sensor1_Name"="Sensor 1"'
[ "$(grep -c '^\[HKEY_CURRENT_USER\\k' "$userReg")" -eq 20000 ] || fail "keys were lost from user.reg"
windowCount 1 || fail "the Save that could be stored was reported"
key ctrl+x
waitForExit
