#!/usr/bin/env bash
# File > Exit stores the window's place, and the next start puts the window there.
source "$(dirname "$0")/e2e.sh" "$@"

setPort '0 0 10000 32767' '1 0 1000 65535'
startApp
xdotool windowmove --sync "$mainWindow" 300 200
geometry "$mainWindow"
[ "$X,$Y" = "300,200" ] || fail "the window did not move: at $X,$Y"
screenshot moved
key ctrl+x
waitForExit

# Twips, 15 to the pixel.
regHolds '"Left"="4500"' || fail "user.reg holds no Left of 4500: $(cat "$userReg" 2>/dev/null)"
regHolds '"Top"="3000"' || fail "user.reg holds no Top of 3000: $(cat "$userReg" 2>/dev/null)"

startApp
geometry "$mainWindow"
# Without a window manager there is no frame, yet allow for one.
((X >= 300 && X <= 320 && Y >= 200 && Y <= 240)) || fail "the new start put the window at $X,$Y"
