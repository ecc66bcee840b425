#!/usr/bin/env bash
# Fahrenheit chosen and saved in the setup view is stored, and the next start logs Fahrenheit.
source "$(dirname "$0")/e2e.sh" "$@"

setPort '0 0 10000 32767' '1 0 65535 1000'
startApp
key ctrl+s
waitFor 5 "the setup view" clientHeightIs "$SetupHeight"
click op1F
click btnSave
waitFor 5 '"Degrees1F"="True" in user.reg' regHolds '"Degrees1F"="True"'
regHolds '"Degrees1C"="False"' || fail "user.reg still has Celsius chosen: $(cat "$userReg")"
screenshot saved
key ctrl+x
waitForExit

startApp
key ctrl+l
waitFor 5 "the logging view" clientHeightIs "$LoggingHeight"
click Option1
waitFor 10 "a data line" hasDataLines 1
# 10000 -> 91, 32767 -> 48, 65535 -> 25 and 1000 -> 194 degrees Fahrenheit.
[ "$(dataLines | tail -n 1 | cut -d, -f 3-)" = "91,48,25,194" ] ||
    fail "the log is not in Fahrenheit: $(dataLines | tail -n 1)"
