#!/usr/bin/env bash
# A user's two sessions by keyboard and mouse. The first logs, follows a new reading into the log,
# saves Fahrenheit and leaves by File > Exit from a moved window; the second opens at that place,
# logs in Fahrenheit, opens the graph window once however often it is asked for, and File > Exit
# ends it with the graph window open.
source "$(dirname "$0")/e2e.sh" "$@"

setPort '0 0 10000 32767' '1 0 65535 1000'
startApp
key ctrl+l
waitFor 5 "the logging view" clientHeightIs "$LoggingHeight"
click Option1
waitFor 10 "a data line" hasDataLines 1
setPort '0 0 20000 32767' '1 0 65535 1000'
before=$(dataLineCount)
waitFor 10 "two more data lines" hasDataLines $((before + 2))
[ "$(dataLines | sed -n "$((before + 2))p" | cut -d, -f 3)" = 19 ] ||
    fail "the new reading is not logged two ticks later: $(dataLines | tail -n 1)"
click Option2
# 10000 -> 33, 20000 -> 19, 32767 -> 9, 65535 -> -4 and 1000 -> 90 degrees Celsius.
dataLines | awk -F, '
    NF != 6 { print "not six fields: " $0; bad = 1; next }
    $1 !~ /^[0-9][0-9][0-9][0-9]-[01][0-9]-[0-3][0-9]$/ || $2 !~ /^[0-2][0-9]:[0-5][0-9]:[0-6][0-9]$/ {
        print "no C-locale date and time: " $0; bad = 1 }
    ($3 != "33" && $3 != "19") || $4 != "9" || $5 != "-4" || $6 != "90" {
        print "wrong temperatures: " $0; bad = 1 }
    END { exit bad }' >&2 || fail "data lines are wrong"
screenshot logged

key ctrl+s
waitFor 5 "the setup view" clientHeightIs "$SetupHeight"
click op1F
click btnSave
waitFor 5 "the settings saved" regHolds '"Degrees1F"="True"'
xdotool windowmove --sync "$mainWindow" 300 200
key ctrl+x
waitForExit
# Twips, 15 to the pixel.
regHolds '"Left"="4500"' && regHolds '"Top"="3000"' || fail "no place 4500,3000: $(cat "$userReg")"

setPort '0 0 10000 32767' '1 0 65535 1000'
startApp
# Without a window manager there is no frame, yet allow for one.
((X >= 300 && X <= 320 && Y >= 200 && Y <= 240)) || fail "the new start put the window at $X,$Y"
key ctrl+l
waitFor 5 "the logging view" clientHeightIs "$LoggingHeight"
click Option1
waitFor 10 "a data line" hasDataLines 1
# 10000 -> 91, 32767 -> 48, 65535 -> 25 and 1000 -> 194 degrees Fahrenheit.
[ "$(dataLines | tail -n 1 | cut -d, -f 3-)" = "91,48,25,194" ] ||
    fail "the log is not in Fahrenheit: $(dataLines | tail -n 1)"

# Last, as without a window manager the graph window opens over the main window.
key ctrl+g
waitFor 10 "the graph window" windowShown '^Quorvil4 graph$'
key ctrl+g
# Events are handled in order: once the setup view is open, the second Ctrl+G was handled too.
key ctrl+s
waitFor 5 "the setup view" clientHeightIs "$SetupHeight"
count=$(xdotool search --onlyvisible --name '^Quorvil4 graph$' | wc -l)
[ "$count" -eq 1 ] || fail "$count graph windows after the second Ctrl+G"
# Exit closes the graph window too, so the program ends.
key ctrl+x
waitForExit
