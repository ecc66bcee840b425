# Finding quorvil4's windows and driving its main window with the keyboard and mouse (XTEST, as a
# person's input), for the end-to-end scenarios and the start-up benchmark. Needs DISPLAY.

declare -F fail >/dev/null || fail() { echo "FAIL: $*" >&2 && exit 1; }

visibleWindow() {
    xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1
}

windowShown() {
    [ -n "$(visibleWindow "$1")" ]
}

# Sets X, Y, WIDTH and HEIGHT for a window.
geometry() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
}

# Client heights of the compact, logging and setup views, as the main window lays them out.
CompactHeight=63
LoggingHeight=126
SetupHeight=529

# Sets mainWindow and menuHeight once the main window is shown.
findMainWindow() {
    mainWindow=$(visibleWindow '^Quorvil4$')
    [ -n "$mainWindow" ] || fail "the main window is not shown"
    geometry "$mainWindow"
    # Every start shows the compact view; the rest of the window is the menu bar.
    menuHeight=$((HEIGHT - CompactHeight))
    ((menuHeight > 0 && menuHeight < 60)) || fail "implausible menu bar height $menuHeight"
}

# Keys go to the main window, as when a person has it in front. Without a window manager the
# input focus is set directly.
key() {
    timeout 5 xdotool windowfocus --sync "$mainWindow" || fail "cannot focus the main window"
    xdotool key --clearmodifiers "$@"
}

clientHeightIs() {
    geometry "$mainWindow"
    [ "$((HEIGHT - menuHeight))" -eq "$1" ]
}

# Client-area rectangles (left top width height, pixels) of the controls a scenario clicks:
# their twips places divided by 15, inside their frames.
declare -A controls=(
    [Option1]="112 72 41 17"
    [op1F]="208 384 105 17"
    [btnSave]="8 424 97 25"
)

click() {
    local rect
    read -r -a rect <<<"${controls[$1]:?unknown control $1}"
    geometry "$mainWindow"
    local x=$((X + rect[0] + rect[2] / 2)) y=$((Y + menuHeight + rect[1] + rect[3] / 2))
    xdotool mousemove --sync "$x" "$y" click 1
}

