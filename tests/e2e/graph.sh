#!/usr/bin/env bash
# File > Graph opens the graph window once; asking again leaves a single one.
source "$(dirname "$0")/e2e.sh" "$@"

graphWindows() {
    xdotool search --onlyvisible --name '^Quorvil4 graph$' 2>/dev/null | wc -l
}

setPort '0 0 10000 32767' '1 0 1000 65535'
startApp
key ctrl+g
waitFor 10 "the graph window" windowShown '^Quorvil4 graph$'
key ctrl+g
# Events are handled in order: once the logging view is open, the second Ctrl+G was handled too.
key ctrl+l
waitFor 5 "the logging view" clientHeightIs "$LoggingHeight"
count=$(graphWindows)
[ "$count" -eq 1 ] || fail "$count graph windows after the second Ctrl+G"
