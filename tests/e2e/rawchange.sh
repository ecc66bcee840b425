#!/usr/bin/env bash
# A new raw reading in the scripted file reaches the log within two ticks; a reading of 0
# gives the temperature of coefficient A alone.
source "$(dirname "$0")/e2e.sh" "$@"

# Sensor 1 logs VALUE by the second data line after the port changed.
expectWithinTwoTicks() {
    local before
    before=$(dataLineCount)
    waitFor 10 "two more data lines" hasDataLines $((before + 2))
    local line
    line=$(dataLines | sed -n "$((before + 2))p")
    [ "$(cut -d, -f 3 <<<"$line")" = "$1" ] || fail "sensor 1 should log $1 by now: $line"
}

setPort '0 0 10000 32767' '1 0 65535 1000'
startApp
key ctrl+l
waitFor 5 "the logging view" clientHeightIs "$LoggingHeight"
click Option1
waitFor 10 "a data line" hasDataLines 1
[ "$(lastField 3)" = 33 ] || fail "sensor 1 logs $(lastField 3), not 33"

setPort '0 0 20000 32767' '1 0 65535 1000'
expectWithinTwoTicks 19
setPort '0 0 0 32767' '1 0 65535 1000'
expectWithinTwoTicks 464
screenshot zero
[ "$(lastField 4)" = 9 ] || fail "sensor 2 changed with sensor 1: $(dataLines | tail -n 1)"
