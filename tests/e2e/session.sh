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

startApp
key ctrl+g
waitFor 10 "the graph window" windowShown '^Quorvil4 graph$'
# Exit closes the graph window too, so the program ends.
key ctrl+x
waitForExit
