#!/usr/bin/env bash
# The window with metrics: a port it cannot take is told in a box titled "Quorvil4" and the
# window runs on without it; the metrics file follows the ticks; SIGTERM closes the window
# through its event loop and removes the file.
source "$(dirname "$0")/e2e.sh" "$@"

holder=
trap 'status=$?; set +e; [ -z "$holder" ] || kill "$holder" 2>/dev/null; (exit "$status"); cleanup' EXIT

setPort '0 0 10000 32767' '1 0 1000 65535'
# The console mode holds the port first.
taken=$(freePort)
"$binary" --headless --simulate="$port" --metrics="127.0.0.1:$taken" >/dev/null 2>&1 &
holder=$!
waitFor 20 "the console mode to serve" get -o /dev/null "http://127.0.0.1:$taken/metrics"

file="$work/metrics/window.prom"
mkdir -p "$(dirname "$file")"
"$binary" --simulate="$port" --metrics="127.0.0.1:$taken" --metrics-file="$file" &
appPid=$!
waitFor 15 "the box about the port" windowShown '^Quorvil4$'
box=$(visibleWindow '^Quorvil4$')
geometry "$box"
# The message box, not the main window, which comes only once it is answered.
((HEIGHT < 200 && WIDTH > 250)) || fail "not a message box: ${WIDTH}x$HEIGHT"
screenshot refused
timeout 5 xdotool windowfocus --sync "$box" || fail "cannot focus the box"
xdotool key Return
waitFor 15 "the main window" eval '[ -n "$(visibleWindow "^Quorvil4$")" ] && [ "$(visibleWindow "^Quorvil4$")" != "$box" ]'
findMainWindow

# The file follows the ticks: a new reading shows within a few polls.
waitFor 10 "the metrics file" grep -q '^quorvil4_reading{sensor="1",name="Sensor 1"} 10000$' "$file"
setPort '0 0 12000 32767' '1 0 1000 65535'
waitFor 10 "the new reading" grep -q '^quorvil4_reading{sensor="1",name="Sensor 1"} 12000$' "$file"
[ -z "$(find "$(dirname "$file")" -name '*.tmp')" ] || fail "a temporary file stayed behind"

kill -TERM "$appPid"
waitForExit
[ ! -e "$file" ] || fail "the metrics file is still there after SIGTERM"
