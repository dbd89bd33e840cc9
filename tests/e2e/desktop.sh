# shellcheck shell=bash
# A private desktop, shared by the end-to-end test and the whole-program
# benchmarks (sourced, not run): an X server of our own with a window manager
# and a tray host, programs started beside it, everything stopped by process
# id, and deadline waits instead of sleeps; and how to find the program's
# icon, menu and window on it.
#
# The caller sets WORK (a temporary directory) and calls desktop_cleanup from
# its EXIT trap. The screen is SCREEN_W x SCREEN_H.

DESKTOP_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
SCREEN_W=1024
SCREEN_H=768
DEADLINE_SECONDS=${DEADLINE_SECONDS:-30}
DESKTOP_PIDS=()

desktop_cleanup() {
    local i pid
    for ((i = ${#DESKTOP_PIDS[@]} - 1; i >= 0; i--)); do
        pid=${DESKTOP_PIDS[i]}
        { kill "$pid" && wait "$pid"; } 2>/dev/null || true
    done
    DESKTOP_PIDS=()
    return 0
}

# Stops one program we started and forgets it.
stop_pid() {
    local pid=$1 kept=() p
    { kill "$pid" && wait "$pid"; } 2>/dev/null || true
    for p in "${DESKTOP_PIDS[@]}"; do [[ $p == "$pid" ]] || kept+=("$p"); done
    DESKTOP_PIDS=("${kept[@]}")
    return 0
}

# Polls a condition (a command) until it holds or the deadline passes.
wait_for() {
    local what=$1
    shift
    local end=$((SECONDS + DEADLINE_SECONDS))
    until "$@"; do
        ((SECONDS < end)) || { echo "timed out waiting for: $what" >&2; return 1; }
        sleep 0.01
    done
}

die() {
    echo "error: $*" >&2
    local log
    for log in "$WORK"/xvfb.log "$WORK"/openbox.log "$WORK"/trayer.log; do
        [[ -s $log ]] && { echo "--- $(basename "$log")"; tail -n 5 "$log"; } >&2
    done
    exit 1
}

root_answers() { xprop -root _NET_SUPPORTED >/dev/null 2>&1; }
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
tray_ready() { xwininfo -root -tree 2>/dev/null | grep -q '"panel": ("panel" "trayer")'; }

start_display() {
    exec 3>"$WORK/display"
    # -noreset: otherwise the server resets when its last client leaves, as
    # the readiness probe does, and refuses whoever connects meanwhile.
    Xvfb -displayfd 3 -screen 0 "${SCREEN_W}x${SCREEN_H}x24" -nolisten tcp -noreset >"$WORK/xvfb.log" 2>&1 &
    DESKTOP_PIDS+=($!)
    exec 3>&-
    wait_for "the X server" test -s "$WORK/display" || die "Xvfb did not start"
    DISPLAY=":$(head -n1 "$WORK/display")"
    export DISPLAY
    wait_for "the X server to answer" root_answers || die "no answer from $DISPLAY"
}

start_desktop() {
    openbox --config-file "$DESKTOP_HERE/openbox-rc.xml" >"$WORK/openbox.log" 2>&1 &
    DESKTOP_PIDS+=($!)
    wait_for "the window manager" wm_ready || die "openbox did not start"
    trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
        --transparent false >"$WORK/trayer.log" 2>&1 &
    DESKTOP_PIDS+=($!)
    wait_for "the tray host" tray_ready || die "trayer did not start"
    TRAY_PANEL=$(xwininfo -root -tree | awk '/"panel": \("panel" "trayer"\)/ && !found { print $1; found = 1 }')
}

# Starts a program off the terminal with its own settings and data folders;
# sets STARTED_PID.
start_program() {
    local name=$1 binary=$2
    mkdir -p "$WORK/$name/config" "$WORK/$name/data"
    env -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$WORK/$name/config" XDG_DATA_HOME="$WORK/$name/data" \
        XDG_RUNTIME_DIR="$WORK" "$binary" >>"$WORK/$name.log" 2>&1 &
    STARTED_PID=$!
    DESKTOP_PIDS+=("$STARTED_PID")
}

# A docked icon: a window of the given class inside the tray host's panel.
icon_docked() {
    local class=$1
    xwininfo -id "$TRAY_PANEL" -tree 2>/dev/null | grep -q "(\"$class\" \"$class\")"
}
icon_gone() { ! icon_docked "$1"; }

icon_window() {
    xwininfo -id "$TRAY_PANEL" -tree 2>/dev/null | awk -v c="(\"$1\" \"$1\")" 'index($0, c) && !found { print $1; found = 1 }'
}

# The program's main window, when it is on screen.
main_window() { xdotool search --onlyvisible --name '^Quorvel1\.0$' 2>/dev/null | head -n1 || true; }
window_shown() { [ -n "$(main_window)" ]; }
window_hidden() { [ -z "$(main_window)" ]; }

# The tray menu of the program with process id $1: a mapped
# override-redirect top-level of it besides the icon.
menu_window() {
    local w
    for w in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null || true); do
        [ "$(printf '0x%x' "$w")" = "$(icon_window quorvel)" ] && continue
        xwininfo -id "$w" | grep -q 'Override Redirect State: yes' || continue
        echo "$w"
        return
    done
}
menu_open() { [ -n "$(menu_window "$1")" ]; }
menu_closed() { [ -z "$(menu_window "$1")" ]; }

geometry() {  # x y width height of a window's client area
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
        /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'
}

# Drawn: the docked icon shows more than one colour (a blank window shows its
# background only). Reads the window's last width*height 32-bit pixels.
icon_drawn() {
    local id w h colours
    id=$(icon_window "$1")
    [[ -n $id ]] || return 1
    read -r w h < <(xwininfo -id "$id" 2>/dev/null | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }')
    [[ -n $w && -n $h ]] || return 1
    colours=$(xwd -id "$id" -silent 2>/dev/null | tail -c $((w * h * 4)) | od -An -tx4 -v | tr -s ' ' '\n' | sort -u | grep -c . || true)
    ((colours > 1))
}

# Processor time of a process, all its threads, in clock ticks (utime+stime).
cpu_ticks() {
    local stat
    stat=$(<"/proc/$1/stat")
    stat=${stat##*) }
    # after the command name: state is field 3, utime 14, stime 15
    awk '{ print $12 + $13 }' <<<"$stat"
}

# Major page faults of a process: pages read back from the disk.
major_faults() {
    local stat
    stat=$(<"/proc/$1/stat")
    stat=${stat##*) }
    awk '{ print $10 }' <<<"$stat"
}

# Other copies of the optimiser on the machine: their trim passes take pages
# from our programs too, which then fault back in and disturb the figures.
other_optimisers() {
    local comm pid mine=" $* "
    for comm in /proc/[0-9]*/comm; do
        pid=${comm#/proc/}
        pid=${pid%/comm}
        [[ $mine == *" $pid "* ]] && continue
        case $(<"$comm") in quorvel | quorvelctl) echo "$pid" ;; esac
    done 2>/dev/null || true
}

# Time on the processor of the live threads, in nanoseconds (finer than ticks).
cpu_nanoseconds() {
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ sum += $1 } END { printf "%d\n", sum }'
}

pss_kib() { awk '/^Pss:/ { print $2 }' "/proc/$1/smaps_rollup"; }

# Unique set size: the pages no other process maps (steadier than PSS when
# other programs come and go on the machine).
uss_kib() { awk '/^Private_(Clean|Dirty):/ { sum += $2 } END { print sum }' "/proc/$1/smaps_rollup"; }
rss_kib() { awk '/^Rss:/ { print $2 }' "/proc/$1/smaps_rollup"; }

# Proportional set size by what is mapped, in KiB, largest first: kinds of
# mapping, then the other shared libraries one by one.
pss_breakdown() {
    awk -v program="$(readlink -f "/proc/$1/exe")" '
        /^[0-9a-f]+-[0-9a-f]+ / {
            path = (NF >= 6) ? $6 : "[anonymous]"
            base = path
            sub(/.*\//, "", base)
            if (path ~ /JiaH\.dll$/) name = "skin engine JiaH.dll"
            else if (path == program) name = "program image"
            else if (base ~ /^libQt6/) name = "Qt libraries"
            else if (path ~ /\.(ttf|ttc|otf|pcf|pfb)(\.gz)?$/ || path ~ /fontconfig/) name = "fonts and font caches"
            else if (path ~ /^\[(heap|anonymous)\]$/) name = "heap and anonymous"
            else if (path ~ /\.so/ || path ~ /\.dll$/) name = "library " base
            else name = "other " path
            next
        }
        /^Pss:/ { pss[name] += $2 }
        END { for (n in pss) if (pss[n] > 0) printf "%8d  %s\n", pss[n], n }' "/proc/$1/smaps" | sort -rn
}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) exit; print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

machine_line() {
    local cpu
    cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
    echo "nproc $(nproc), kernel $(uname -r), CPU ${cpu:-unknown}, $(date -u '+%Y-%m-%d %H:%M UTC')"
}
