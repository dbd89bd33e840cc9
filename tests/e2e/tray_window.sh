#!/usr/bin/env bash
# The real program on a real X server with a tray host and a window manager:
# start hidden with a docked icon, open the menu, show the window centred at
# its outer size, minimise to the tray, show again, close with Esc; a second
# start closed with Alt+F4, and a third that ends from the menu's exit item.
#
# Usage: tray_window.sh <quorvel binary> <artefact directory>
# Everything started here is stopped by its process id.
set -u

PROGRAM=$1
ARTEFACTS=$2
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
OUTER_W=458
OUTER_H=256
DEADLINE_SECONDS=20
# shellcheck source=desktop.sh
source "$HERE/desktop.sh"

mkdir -p "$ARTEFACTS"
WORK=$(mktemp -d)
FAILURES=0

cleanup() {
    desktop_cleanup
    cp "$WORK"/*.log "$ARTEFACTS"/ 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    FAILURES=$((FAILURES + 1))
}

must() {
    echo "FAIL: $*" >&2
    exit 1
}

# Each start keeps the settings of the one before, as a user's would.
start_quorvel() {
    start_program quorvel "$PROGRAM"
    PROGRAM_PID=$STARTED_PID
}

window_withdrawn() {
    local state
    state=$(xprop -id "$1" WM_STATE 2>/dev/null | sed -n 's/.*window state: //p')
    [ -z "$state" ] || [ "$state" = Withdrawn ]
}

frame_extents() {  # left right top bottom
    xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ','
}

program_exited() { ! kill -0 "$PROGRAM_PID" 2>/dev/null; }

screenshot() { import -window root "$ARTEFACTS/$1.png"; }

click_icon() {  # button
    local icon x y w h
    icon=$(icon_window quorvel)
    read -r x y w h < <(geometry "$icon")
    CLICK_X=$((x + w / 2))
    CLICK_Y=$((y + h / 2))
    xdotool mousemove "$CLICK_X" "$CLICK_Y" click "$1"
}

# Picks the nth item of the open menu (1: "显示主窗口", 2: "联系作者", 3: "退出").
choose_item() {
    local keys=()
    for ((i = 0; i < $1; i++)); do keys+=(Down); done
    xdotool key "${keys[@]}" Return
}

check_menu() {
    local menu x y w h
    menu=$(menu_window "$PROGRAM_PID")
    read -r x y w h < <(geometry "$menu")
    [ $((x + w)) -eq $((CLICK_X - 5)) ] || fail "menu's right edge $((x + w)), pointer x $CLICK_X"
    [ "$y" -eq $((CLICK_Y - 5)) ] || fail "menu's top $y, pointer y $CLICK_Y"
    # four items: three commands and a separator line, taller than three rows
    [ "$h" -gt 60 ] || fail "menu height $h"
}

# Outer size and place of the shown window, as the window manager framed it.
window_report() {
    local win x y w h left right top bottom
    win=$(main_window)
    [ -n "$win" ] || { echo "no window"; return; }
    read -r x y w h < <(geometry "$win")
    read -r left right top bottom < <(frame_extents "$win")
    echo "outer $((w + left + right))x$((h + top + bottom)) at $((x - left)),$((y - top))"
}

window_settled() {
    [ "$(window_report)" = "outer ${OUTER_W}x${OUTER_H} at $(((SCREEN_W - OUTER_W) / 2)),$(((SCREEN_H - OUTER_H) / 2))" ]
}

check_window_centred() {
    # The window manager frames the window after mapping it: wait for the
    # final place rather than reading the first one.
    wait_for "the window centred at its outer size" window_settled || fail "window: $(window_report)"
    local win
    win=$(main_window)
    xprop -id "$win" _NET_WM_STATE | grep -q _NET_WM_STATE_SKIP_TASKBAR || fail "listed on the taskbar"
    xprop -id "$win" _NET_WM_ALLOWED_ACTIONS | grep -q MAXIMIZE && fail "the window can be maximised"
}

client_origin() {  # x y of the main window's client area
    local x y w h
    read -r x y w h < <(geometry "$(main_window)")
    echo "$x $y"
}

# Presses the left button at client point (px, py), moves by (dx, dy), releases.
drag_from() {
    local x y
    read -r x y < <(client_origin)
    xdotool mousemove $((x + $1)) $((y + $2)) mousedown 1
    xdotool mousemove_relative -- "$3" "$4"
    xdotool mousemove_relative -- 1 1
    xdotool mouseup 1
}

window_at() { [ "$(client_origin)" = "$1 $2" ]; }

check_drag_by_background() {
    local x0 y0
    read -r x0 y0 < <(client_origin)
    # The edit box keeps its press; the caption "总物理内存：" drags. Done in
    # this order, the place after the second drag shows whether the first
    # one moved the window too.
    drag_from $((361 + 3 + 10)) $((3 + 33 + 10)) -60 -50
    drag_from $((221 + 4 + 10)) $((3 + 49 + 10)) -40 -30
    wait_for "the window dragged by its caption" window_at $((x0 - 39)) $((y0 - 29)) ||
        fail "after the drags the window is at $(client_origin), began at $x0 $y0"
}

expect_exit_zero() {
    wait_for "the program to end" program_exited || { fail "the program did not end"; return; }
    wait "$PROGRAM_PID"
    local code=$?
    [ "$code" -eq 0 ] || fail "exit code $code"
    icon_gone quorvel || fail "the icon stayed docked"
}

echo "no display: a message and exit code 2"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$PROGRAM" >"$WORK/nodisplay.log" 2>&1
code=$?
[ "$code" -eq 2 ] || fail "exit code $code without a display"
grep -q "no display" "$WORK/nodisplay.log" || fail "no message without a display"

start_display
start_desktop

echo "start: hidden, icon docked"
start_quorvel
wait_for "the icon to dock" icon_docked quorvel || must "no tray icon"
window_hidden || fail "a window is on screen at start"

echo "left click opens the menu"
click_icon 1
wait_for "the menu" menu_open "$PROGRAM_PID" || must "no menu after a left click"
check_menu
screenshot menu
choose_item 1
wait_for "the window" window_shown || must "the window did not appear"
wait_for "the menu to close" menu_closed "$PROGRAM_PID" || fail "the menu stayed open"
check_window_centred
screenshot window

echo "drag by a caption, not by an edit box"
check_drag_by_background

echo "minimise hides"
WINDOW=$(main_window)
xdotool windowminimize "$WINDOW"
# Iconified alone it would still be managed; hidden, the program withdraws it.
wait_for "the window to be withdrawn" window_withdrawn "$WINDOW" ||
    fail "minimised window not hidden: $(xprop -id "$WINDOW" WM_STATE | tr '\n' ' ')"
window_hidden || fail "minimised window still on screen"
icon_docked quorvel || fail "the icon went with the window"

echo "right click, show again"
click_icon 3
wait_for "the menu" menu_open "$PROGRAM_PID" || must "no menu after a right click"
choose_item 1
wait_for "the window" window_shown || must "the window did not come back"
check_window_centred  # back in the centre after the drag

echo "Esc ends the program"
xdotool windowactivate --sync "$(main_window)" 2>/dev/null
xdotool key Escape
expect_exit_zero

echo "Alt+F4 ends the program too"
start_quorvel
wait_for "the icon to dock" icon_docked quorvel || must "no tray icon on the second start"
click_icon 1
wait_for "the menu" menu_open "$PROGRAM_PID" || must "no menu"
choose_item 1
wait_for "the window" window_shown || must "the window did not appear"
xdotool windowactivate --sync "$(main_window)" 2>/dev/null
xdotool key alt+F4
expect_exit_zero

echo "third start: the exit item"
start_quorvel
wait_for "the icon to dock" icon_docked quorvel || must "no tray icon on the third start"
click_icon 1
wait_for "the menu" menu_open "$PROGRAM_PID" || must "no menu"
choose_item 3
expect_exit_zero

if ((FAILURES > 0)); then
    echo "$FAILURES check(s) failed; artefacts in $ARTEFACTS" >&2
    exit 1
fi
echo "all checks passed; screenshots in $ARTEFACTS"
