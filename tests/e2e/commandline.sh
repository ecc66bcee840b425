# The command line and the console mode as a user meets them in a terminal without a desktop:
# usage and version, a refusal, no display, a log stopped by a signal, a reader that goes away.
source "$(dirname "$0")/e2e.sh" "$@"
unset DISPLAY QT_QPA_PLATFORM
header=$'Date,Time,Sensor1,Sensor2,Sensor3,Sensor4,True\r'

# Runs the program with the given arguments; leaves its status, output and errors behind.
run() {
    status=0
    "$binary" "$@" >"$work/out" 2>"$work/err" || status=$?
}

run --help
[ "$status" -eq 0 ] && grep -q '^usage: quorvil4' "$work/out" && [ ! -s "$work/err" ] ||
    fail "--help: $status"
run --version
[ "$status" -eq 0 ] && [ "$(cat "$work/out")" = "Quorvil4 4.1" ] || fail "--version: $status"
run --verbose
[ "$status" -eq 2 ] && [ ! -s "$work/out" ] && grep -q '^usage: quorvil4' "$work/err" ||
    fail "--verbose: $status"

# The calibration command needs no display either.
run --calibrate 0:7903 10:5203 25:3296
[ "$status" -eq 0 ] && [ "$(wc -l <"$work/out")" -eq 3 ] && grep -q warning "$work/err" ||
    fail "--calibrate: status $status"

# No display: one line naming both variables and status 1, never an abort.
for display in "" ":$((400 + RANDOM % 400))"; do
    if [ -n "$display" ]; then export DISPLAY=$display; else unset DISPLAY; fi
    run --simulate
    [ "$status" -eq 1 ] && [ "$(wc -l <"$work/err")" -eq 1 ] && grep -q 'DISPLAY' "$work/err" &&
        grep -q 'WAYLAND_DISPLAY' "$work/err" || fail "no display '$display': status $status"
done
unset DISPLAY

printf '0 0 10000 32767\n1 0 1000 65535\n' >"$work/port.txt"

# SIGTERM after the first line ends the run with status 0 and every line whole.
"$binary" --headless --simulate="$work/port.txt" --interval=1 --log="$work/log.csv" \
    2>"$work/err" &
appPid=$!
waitFor 5 "a data line" eval '[ "$(wc -l <"$work/log.csv" 2>/dev/null || echo 0)" -ge 2 ]'
kill -TERM "$appPid"
status=0
wait "$appPid" || status=$?
appPid=
[ "$status" -eq 0 ] || fail "SIGTERM: status $status"
[ "$(head -n 1 "$work/log.csv")" = "$header" ] || fail "no header in the log"
tail -n 1 "$work/log.csv" | grep -qE '^[0-9-]+,[0-9:]+,33,9,90,-4'$'\r''$' ||
    fail "last line not whole: $(tail -c 80 "$work/log.csv" | od -c | head -n 3)"
[ ! -s "$work/err" ] || fail "unexpected report: $(cat "$work/err")"

# A reader that goes away ends the run quietly with status 0.
statuses=$("$binary" --headless --simulate="$work/port.txt" --interval=1 2>"$work/err" |
    head -n 1 >"$work/out"; echo "${PIPESTATUS[@]}")
[ "$statuses" = "0 0" ] || fail "closed pipe: statuses $statuses"
[ "$(cat "$work/out")" = "$header" ] && [ ! -s "$work/err" ] || fail "closed pipe: output"
echo "commandline: all passed"
