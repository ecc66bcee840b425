#!/usr/bin/env bash
# Logging on, a few ticks, logging off: the CSV holds the header and the temperatures that the
# scripted readings give with the default coefficients.
source "$(dirname "$0")/e2e.sh" "$@"

setPort '0 0 10000 32767' '1 0 65535 1000'
startApp
key ctrl+l
waitFor 5 "the logging view" clientHeightIs "$LoggingHeight"
click Option1
waitFor 10 "three data lines" hasDataLines 3
screenshot on
click Option2
# Events are handled in order: once the setup view is open, the click on Off was handled too.
key ctrl+s
waitFor 5 "the setup view" clientHeightIs "$SetupHeight"
size=$(wc -c <"$logFile")
sleep 1.5 # more than a tick of the logging timer
[ "$(wc -c <"$logFile")" -eq "$size" ] || fail "lines still come after Off"

cmp -s <(head -n 1 "$logFile") <(printf 'Date,Time,Sensor1,Sensor2,Sensor3,Sensor4,True\r\n') ||
    fail "the header reads: $(head -n 1 "$logFile" | od -c)"
[ "$(tail -c 2 "$logFile" | od -An -tx1 | tr -d ' ')" = "0d0a" ] || fail "the log does not end in CR LF"
crlf=$(grep -c $'\r$' "$logFile")
[ "$crlf" -eq "$(tr -cd '\n' <"$logFile" | wc -c)" ] &&
    [ "$crlf" -eq "$(tr -cd '\r' <"$logFile" | wc -c)" ] || fail "a line does not end in CR LF"

# 10000 -> 33, 32767 -> 9, 65535 -> -4 and 1000 -> 90 degrees Celsius.
dataLines | awk -F, '
    NF != 6 { print "not six fields: " $0; bad = 1; next }
    $1 !~ /^[0-9][0-9][0-9][0-9]-[01][0-9]-[0-3][0-9]$/ || $2 !~ /^[0-2][0-9]:[0-5][0-9]:[0-6][0-9]$/ {
        print "no C-locale date and time: " $0; bad = 1 }
    $3 != "33" || $4 != "9" || $5 != "-4" || $6 != "90" { print "wrong temperatures: " $0; bad = 1 }
    END { exit bad }' >&2 || fail "data lines are wrong"
