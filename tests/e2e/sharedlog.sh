#!/usr/bin/env bash
# The console mode's log and settings beside other programs: a file-size limit reached mid-line,
# a closed standard output and a settings file that holds no settings, each told on standard
# error. (A second logger and a log emptied under it are the logging and log tests'.)
source "$(dirname "$0")/e2e.sh" "$@"
unset DISPLAY QT_QPA_PLATFORM
log="$work/log.csv"
printf '0 0 10000 32767\n1 0 1000 65535\n' >"$work/port.txt"

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
