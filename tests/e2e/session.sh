#!/usr/bin/env bash
# A user's two sessions by keyboard and mouse. The first logs, saves Fahrenheit and leaves by
# File > Exit from a moved window; the second opens at that place, and File > Exit ends it with
# the graph window open.
source "$(dirname "$0")/e2e.sh" "$@"

setPort '0 0 10000 32767' '1 0 65535 1000'
startApp
key ctrl+l
waitFor 5 "the logging view" clientHeightIs "$LoggingHeight"
click Option1
waitFor 10 "a data line" hasDataLines 1
click Option2
# 10000 -> 33, 32767 -> 9, 65535 -> -4 and 1000 -> 90 degrees Celsius.
dataLines | awk -F, '
    NF != 6 { print "not six fields: " $0; bad = 1; next }
    $1 !~ /^[0-9][0-9][0-9][0-9]-[01][0-9]-[0-3][0-9]$/ || $2 !~ /^[0-2][0-9]:[0-5][0-9]:[0-6][0-9]$/ {
        print "no C-locale date and time: " $0; bad = 1 }
    $3 != "33" || $4 != "9" || $5 != "-4" || $6 != "90" {
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
key ctrl+g
waitFor 10 "the graph window" windowShown '^Quorvil4 graph$'
# Exit closes the graph window too, so the program ends.
key ctrl+x
waitForExit
