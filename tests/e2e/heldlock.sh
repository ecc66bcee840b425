#!/usr/bin/env bash
# Another program holds the settings lock over a settings file of 20,000 keys: the window still
# comes within seconds at its stored place, and File > Exit ends it, leaving the file alone.
source "$(dirname "$0")/e2e.sh" "$@"

holder=
trap 'status=$?; set +e; [ -z "$holder" ] || kill "$holder" 2>/dev/null; (exit "$status"); cleanup' EXIT

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
startApp 8
((X >= 300 && X <= 320 && Y >= 200 && Y <= 240)) || fail "the stored place was not used: $X,$Y"
xdotool windowmove --sync "$mainWindow" 400 300
key ctrl+x
waitForExit
cmp -s "$userReg" "$work/original.reg" || fail "user.reg changed while another program held the lock"
