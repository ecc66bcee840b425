#!/usr/bin/env bash
# The console mode's log and settings beside other programs: a second logger refused, a log
# emptied under it, a file-size limit reached mid-line, a closed standard output and a settings
# file that holds no settings, each told on standard error.
source "$(dirname "$0")/e2e.sh" "$@"
unset DISPLAY QT_QPA_PLATFORM
header=$'Date,Time,Sensor1,Sensor2,Sensor3,Sensor4,True\r'
log="$work/log.csv"
printf '0 0 10000 32767\n1 0 1000 65535\n' >"$work/port.txt"
lines() { [ "$(wc -l <"$log" 2>/dev/null || echo 0)" -ge "$1" ]; }

"$binary" --headless --no-history --simulate="$work/port.txt" --interval=1 --log="$log" 2>"$work/err" &
appPid=$!
waitFor 5 "a data line" lines 2

# A second logger to the same file is refused at once and touches nothing.
status=0
timeout 10 "$binary" --headless --no-history --simulate="$work/port.txt" --log="$log" 2>"$work/err2" || status=$?
[ "$status" -eq 1 ] || fail "second logger: status $status"
[ "$(cat "$work/err2")" = "quorvil4: the log file could not be created: $log: another Quorvil4 is logging to this file" ] ||
    fail "second logger: $(cat "$work/err2")"
[ "$(head -n 1 "$log")" = "$header" ] || fail "the second logger emptied the log"

# Emptied under the running program, the log starts again with its header, without NUL bytes.
: >"$log"
waitFor 5 "a line after emptying" lines 2
[ "$(head -n 1 "$log")" = "$header" ] || fail "no header after emptying: $(head -c 60 "$log" | od -c | head -n 2)"
[ "$(tr -d '\0' <"$log" | wc -c)" -eq "$(wc -c <"$log")" ] || fail "NUL bytes after emptying"
kill -TERM "$appPid"
wait "$appPid" || fail "the first logger ended with status $?"
appPid=
[ ! -s "$work/err" ] || fail "unexpected report: $(cat "$work/err")"

# A file-size limit reached in the middle of a line: reported, status 1, the log ends whole.
status=0
timeout 20 prlimit --fsize=100 "$binary" --headless --no-history --simulate="$work/port.txt" --interval=1 \
    --log="$log" 2>"$work/err" || status=$?
[ "$status" -eq 1 ] && [ "$(cat "$work/err")" = "quorvil4: the log could not be written: $log: File too large" ] ||
    fail "size limit: status $status, $(cat "$work/err")"
[ "$(tail -c 2 "$log" | od -An -c | tr -d ' ')" = '\r\n' ] && [ "$(wc -c <"$log")" -le 100 ] ||
    fail "size limit: the log ends $(tail -c 20 "$log" | od -c | head -n 2)"

# Standard output closed, and a settings file that holds no settings: both told, status 1.
mkdir -p "$(dirname "$userReg")"
echo 'Left=1920' >"$userReg"
status=0
timeout 10 "$binary" --headless --no-history --simulate="$work/port.txt" >&- 2>"$work/err" || status=$?
[ "$status" -eq 1 ] || fail "closed output: status $status"
diff <(printf '%s\n' "quorvil4: the settings could not be read: $userReg: The settings file is not in the registry text format" \
    "quorvil4: the log could not be written: Bad file descriptor") "$work/err" ||
    fail "closed output: unexpected report"
echo "sharedlog: all passed"
