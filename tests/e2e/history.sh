#!/usr/bin/env bash
# The window's history: recorded by the recorder program, so the window itself never maps
# SQLite; SIGTERM ends both, the last ticks written, no recorder left behind.
source "$(dirname "$0")/e2e.sh" "$@"

history="$XDG_DATA_HOME/Norvalde/Quorvil4/history.sqlite"
query() { sqlite3 -readonly "file:$history?mode=ro" "$1" 2>/dev/null; }
ticksKept() { [ -f "$history" ] && [ "$(query 'SELECT count(*) FROM tick')" -ge "$1" ]; }
recorder() { pgrep -P "$appPid" -x quorvil4-record; }

setPort '0 0 10000 32767' '1 0 1000 65535'
startApp
waitFor 15 "the recorder program" recorder
waitFor 15 "ticks in the history" ticksKept 5
child=$(recorder)
! grep -q libsqlite3 "/proc/$appPid/maps" || fail "the window maps SQLite"

# A reading of the last seconds, before the next batch, is kept when the window is ended.
setPort '0 0 12345 32767' '1 0 1000 65535'
sleep 2
kill -TERM "$appPid"
waitForExit
waitFor 5 "the recorder to end" eval "! kill -0 $child 2>/dev/null"
last=$(query 'SELECT r1 FROM tick ORDER BY t DESC LIMIT 1')
[ "$last" = 12345 ] || fail "the last tick kept holds $last, not 12345"
