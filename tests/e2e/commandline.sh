# The command line and the console mode as a user meets them in a terminal without a desktop:
# usage and version, refusals, calibration, no display, a log stopped by a signal, a reader that goes away.
source "$(dirname "$0")/e2e.sh" "$@"
unset DISPLAY QT_QPA_PLATFORM
header=$'Date,Time,Sensor1,Sensor2,Sensor3,Sensor4,True\r'

# Every run has a time limit and a size limit of its own, so that a run that never ends fails
# here at once, with the scratch folder cleaned up, not at CTest's timeout with its output left.
limited() {
    (ulimit -f 10240 && exec timeout -k 2 "$@")
}

# Runs the program with the given arguments; leaves its status, output and errors behind.
run() {
    status=0
    limited 10 "$binary" "$@" >"$work/out" 2>"$work/err" || status=$?
    [ "$status" -ne 124 ] && [ "$status" -ne 137 ] || fail "quorvil4 $* did not end in 10 s"
}

run --bogus --help
[ "$status" -eq 0 ] && grep -q '^usage: quorvil4' "$work/out" && [ ! -s "$work/err" ] ||
    fail "--help: $status"
run --version
[ "$status" -eq 0 ] && [ "$(cat "$work/out")" = "Quorvil4 4.1" ] || fail "--version: $status"
# Each refused option: status 2, a first line naming the argument, the usage on standard error and
# nothing on standard output.
for bad in --verbose,--verbose --simulate=,--simulate= "--simulate --simulate,--simulate" \
    --interval=5,--interval "--headless --interval=0,--interval" \
    "--headless --interval=86401,--interval" "--headless --interval=1.5,--interval" \
    "--headless --log=,--log" "--simulate --calibrate 1:2,--calibrate" \
    "--fahrenheit,--fahrenheit goes with --calibrate" \
    "--calibrate 1:2 --fahrenheit 3:4 --fahrenheit,--fahrenheit given twice" \
    --mqtt=b:0,--mqtt "--mqtt=b --mqtt=c,--mqtt" "--mqtt-user=me,--mqtt- options go with" \
    "--mqtt=b --mqtt-node=Den,--mqtt-node" "--mqtt=b --mqtt-password-file=pw,--mqtt-user" \
    "--mqtt=b --mqtt-user=me --mqtt-password=pw,QUORVIL4_MQTT_PASSWORD"; do
    # shellcheck disable=SC2086
    run ${bad%%,*}
    [ "$status" -eq 2 ] && [ ! -s "$work/out" ] && grep -q '^usage: quorvil4' "$work/err" &&
        head -n 1 "$work/err" | grep -qF -- "${bad#*,}" ||
        fail "${bad%%,*}: status $status: $(head -n 1 "$work/err")"
done
# A point that is none: one line naming it and why, status 2.
for bad in "10=5203,10=5203: a point is TEMPERATURE:READING" \
    "0:abc,0:abc: the reading is not a number" "x:1,x:1: the temperature is not a number"; do
    run --calibrate "${bad%%,*}" 10:5203 25:3296
    [ "$status" -eq 2 ] && [ ! -s "$work/out" ] &&
        [ "$(cat "$work/err")" = "quorvil4: ${bad#*,}" ] || fail "${bad%%,*}: status $status"
done

# The calibration command needs no display. Its coefficients give the points back, and the same
# points in Fahrenheit give the same coefficients; two points are refused.
run --calibrate 0:7903 10:5203 25:3296
[ "$status" -eq 0 ] && grep -q '^quorvil4: warning: A and C are negative' "$work/err" &&
    paste -sd' ' "$work/out" | awk '{ L = log(5203); t = 1 / ($1 + $2 * L + $3 * L ^ 3) - 273.15
        exit !(NF == 3 && t > 9.999 && t < 10.001) }' || fail "--calibrate: $status $(cat "$work/out")"
mv "$work/out" "$work/celsius"
run --calibrate --fahrenheit 32:7903 50:5203 77:3296
[ "$status" -eq 0 ] && cmp -s "$work/out" "$work/celsius" || fail "--fahrenheit: $status"
run --calibrate 0:7903 10:5203
[ "$status" -eq 2 ] && grep -q '^quorvil4: Three points are needed' "$work/err" || fail "two points"

# No display: one line naming both variables and status 1, never an abort.
for display in "" ":$((400 + RANDOM % 400))"; do
    if [ -n "$display" ]; then export DISPLAY=$display; else unset DISPLAY; fi
    run --simulate
    [ "$status" -eq 1 ] && [ "$(wc -l <"$work/err")" -eq 1 ] && grep -q 'DISPLAY' "$work/err" &&
        grep -q 'WAYLAND_DISPLAY' "$work/err" || fail "no display '$display': status $status"
done
unset DISPLAY

printf '0 0 10000 32767\n1 0 1000 65535\n' >"$work/port.txt"

# A log file the user names goes into a folder that exists, or is refused with the reason.
run --headless --simulate="$work/port.txt" --log="$work/missing/log.csv"
[ "$status" -eq 1 ] && [ ! -e "$work/missing" ] && grep -q 'folder does not exist' "$work/err" ||
    fail "--log into a missing folder: status $status: $(cat "$work/err")"

# SIGTERM after the first line ends the run with status 0 and every line whole.
# Not through the function: the signal must reach the time limit itself, not a shell around it.
(ulimit -f 10240 && exec timeout -k 2 20 "$binary" --headless --simulate="$work/port.txt" \
    --interval=1 --log="$work/log.csv" 2>"$work/err") &
appPid=$!
waitFor 5 "a data line" eval '[ "$(wc -l <"$work/log.csv" 2>/dev/null || echo 0)" -ge 2 ]'
# The time limit passes the signal on to the program and ends with its status.
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
statuses=$(limited 10 "$binary" --headless --simulate="$work/port.txt" --interval=1 \
    2>"$work/err" | head -n 1 >"$work/out"; echo "${PIPESTATUS[@]}")
[ "$statuses" = "0 0" ] || fail "closed pipe: statuses $statuses"
[ "$(cat "$work/out")" = "$header" ] && [ ! -s "$work/err" ] || fail "closed pipe: output"
echo "commandline: all passed"
