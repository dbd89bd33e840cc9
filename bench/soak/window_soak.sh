#!/usr/bin/env bash
# Soak of the real window program: its own X server, a window manager and a
# tray host; the window is shown from the tray menu and the interval box set
# to 0.05 minutes (a trim pass every 3 s) by typing into it. Then, for MINUTES,
# the program's resident size, open descriptors and threads are sampled every
# 10 s, and its trim passes counted from outside.
#
# Counting passes: a pass reads the maps file of every process on the machine,
# so the program's read-call counter (syscr in /proc/PID/io) jumps by about the
# number of processes; between passes it rises by a few calls per second (the
# refresh timer's counter reads). The counter is read every 0.5 s and each run
# of consecutive big rises counts as one pass.
#
# Usage: window_soak.sh BUILD_DIR [MINUTES]   (MINUTES defaults to 10)
# Writes bench/soak/results/window_soak.md and the raw samples beside it.
# Everything started here is stopped by its process id.
set -euo pipefail

BUILD_DIR=$(cd "${1:?usage: window_soak.sh BUILD_DIR [MINUTES]}" && pwd)
MINUTES=${2:-10}
PROGRAM=$BUILD_DIR/bin/quorvel
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO=$(cd "$HERE/../.." && pwd)
RESULTS=$HERE/results
DEADLINE_SECONDS=20
SAMPLE_PERIOD=10          # seconds between footprint samples
COUNTER_PERIOD=0.5        # seconds between read-counter readings
PASS_PERIOD_SECONDS=3     # 0.05 minutes
INTERVAL_TEXT=0.05
# 编辑框1 in client coordinates: group box at 361,3, the box at 3,33 in it, 24x20.
INTERVAL_BOX_X=$((361 + 3 + 12))
INTERVAL_BOX_Y=$((3 + 33 + 10))

[ -x "$PROGRAM" ] || { echo "no program at $PROGRAM" >&2; exit 1; }
for tool in Xvfb openbox trayer xdotool xwininfo xprop import; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done

# The X server, window manager, tray host, the waits and the program's
# windows are those of the end-to-end test.
# shellcheck source=../../tests/e2e/desktop.sh
source "$REPO/tests/e2e/desktop.sh"

mkdir -p "$RESULTS"
WORK=$(mktemp -d)
SAMPLES=$RESULTS/window_soak_samples.tsv
COUNTER_LOG=$RESULTS/window_soak_syscr.tsv
PROGRAM_LOG=$RESULTS/window_soak_program.log
REPORT=$RESULTS/window_soak.md

finish() {
    desktop_cleanup
    rm -rf "$WORK"
}
trap finish EXIT

# Unlike the desktop's start_program, keeps the program's standard error
# apart: the soak checks it stays empty.
start_soaked_program() {
    mkdir -p "$WORK/config" "$WORK/data"
    env -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data" \
        XDG_RUNTIME_DIR="$WORK" "$PROGRAM" >"$WORK/stdout.log" 2>"$PROGRAM_LOG" &
    PROGRAM_PID=$!
    DESKTOP_PIDS+=("$PROGRAM_PID")
}

show_window() {
    local x y w h
    read -r x y w h < <(geometry "$(icon_window quorvel)")
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
    wait_for "the tray menu" menu_open "$PROGRAM_PID" || die "no menu after a click on the icon"
    xdotool key Down Return  # first item: show the main window
    wait_for "the main window" window_shown || die "the window did not appear"
}

type_interval() {
    local win x y w h
    win=$(main_window)
    xdotool windowactivate --sync "$win" 2>/dev/null || true
    read -r x y w h < <(geometry "$win")
    xdotool mousemove $((x + INTERVAL_BOX_X)) $((y + INTERVAL_BOX_Y)) click 1
    xdotool key ctrl+a
    xdotool type --delay 50 "$INTERVAL_TEXT"
}

read_calls() { awk '/^syscr:/ {print $2}' "/proc/$PROGRAM_PID/io"; }
status_field() { awk -v k="$1:" '$1 == k {print $2}' "/proc/$PROGRAM_PID/status"; }
fd_count() { ls "/proc/$PROGRAM_PID/fd" | wc -l; }
alive() { kill -0 "$PROGRAM_PID" 2>/dev/null; }

# A pass makes the read counter rise by at least this much within 0.5 s: half
# the processes there are (each pass reads every one's maps, at least one call
# each); between passes it rises by under 30.
process_count() {
    local entries=(/proc/[0-9]*)
    echo "${#entries[@]}"
}

pass_threshold() {
    local count
    count=$(process_count)
    echo $((count / 2 > 40 ? count / 2 : 40))
}

LAST_CALLS=0
IN_BURST=0
PASSES=0
# Reads the counter once; counts a pass at the start of each run of big rises.
watch_calls() {
    local calls rise
    calls=$(read_calls)
    rise=$((calls - LAST_CALLS))
    LAST_CALLS=$calls
    printf '%s\t%s\t%s\n' "$(date +%s.%N)" "$calls" "$rise" >>"$COUNTER_LOG"
    if ((rise >= THRESHOLD)); then
        ((IN_BURST)) || PASSES=$((PASSES + 1))
        IN_BURST=1
    else
        IN_BURST=0
    fi
}

first_pass_seen() { watch_calls; ((PASSES > 0)); }

sample_footprint() {  # elapsed seconds
    printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$1" "$(status_field VmRSS)" "$(fd_count)" \
        "$(status_field Threads)" "$(cpu_ticks "$PROGRAM_PID")" "$PASSES" >>"$SAMPLES"
}

echo "window soak: $MINUTES minute(s) of $PROGRAM"
start_display
start_desktop
start_soaked_program
wait_for "the icon to dock" icon_docked quorvel || die "no tray icon"
show_window
THRESHOLD=$(pass_threshold)
printf 'time\tsyscr\trise\n' >"$COUNTER_LOG"
LAST_CALLS=$(read_calls)
type_interval
# The first pass comes one period after the box reads 0.05.
DEADLINE_SECONDS=$((PASS_PERIOD_SECONDS * 4))
wait_for "the first pass at the new interval" first_pass_seen || die "no trim pass after typing"

printf 'elapsed_s\tvmrss_kb\tfds\tthreads\tcpu_ticks\tpasses\n' >"$SAMPLES"
START=$SECONDS
PASSES=1
sample_footprint 0
# Two seconds over, so that the pass due at the last full period is read too.
END_AT=$((START + MINUTES * 60 + 2))
NEXT_SAMPLE=$((START + SAMPLE_PERIOD))
while ((SECONDS < END_AT)); do
    sleep "$COUNTER_PERIOD"
    alive || die "the program ended during the soak (see $PROGRAM_LOG)"
    watch_calls
    if ((SECONDS >= NEXT_SAMPLE)); then
        sample_footprint $((SECONDS - START))
        ((NEXT_SAMPLE == START + SAMPLE_PERIOD)) && import -window root "$RESULTS/window_soak_start.png"
        NEXT_SAMPLE=$((NEXT_SAMPLE + SAMPLE_PERIOD))
    fi
done
sample_footprint $((SECONDS - START))
ELAPSED=$((SECONDS - START))
import -window root "$RESULTS/window_soak_end.png"
alive || die "the program ended at the end of the soak"

# first, last, min, max of a column of the samples
column_stats() {
    awk -F'\t' -v c="$1" 'NR > 1 { v = $c; if (NR == 2) { f = v; mn = v; mx = v }
        if (v < mn) mn = v; if (v > mx) mx = v; l = v }
        END { print f, l, mn, mx }' "$SAMPLES"
}
read -r RSS_FIRST RSS_LAST RSS_MIN RSS_MAX < <(column_stats 2)
read -r FD_FIRST FD_LAST FD_MIN FD_MAX < <(column_stats 3)
read -r TH_FIRST TH_LAST TH_MIN TH_MAX < <(column_stats 4)
read -r CPU_FIRST CPU_LAST _ _ < <(column_stats 5)
# RSS over the second half against the first half: a leak shows as a rise.
read -r RSS_MAX_FIRST_HALF RSS_MAX_SECOND_HALF < <(awk -F'\t' -v half=$((ELAPSED / 2)) '
    NR > 1 { if ($1 <= half) { if ($2 > a) a = $2 } else { if ($2 > b) b = $2 } }
    END { print a + 0, b + 0 }' "$SAMPLES")
STDERR_LINES=$(wc -l <"$PROGRAM_LOG")
EXPECTED=$((ELAPSED / PASS_PERIOD_SECONDS + 1))
TICKS_PER_SECOND=$(getconf CLK_TCK)
CPU_PERCENT=$(awk -v t=$((CPU_LAST - CPU_FIRST)) -v hz="$TICKS_PER_SECOND" -v s="$ELAPSED" \
    'BEGIN { printf "%.2f", (s > 0 ? 100 * t / hz / s : 0) }')

VERDICTS=()
verdict() {  # name, condition command...
    local name=$1
    shift
    if "$@"; then VERDICTS+=("| $name | ok |"); else VERDICTS+=("| $name | FAILED |"); FAILED=1; fi
}
FAILED=0
RSS_LEAK_LIMIT_KB=1024
verdict "threads flat (first = last = max)" test "$TH_FIRST" -eq "$TH_LAST" -a "$TH_MAX" -eq "$TH_FIRST"
# A sample taken while a pass runs sees the pidfd and the maps file it holds.
FD_PASS_MARGIN=2
verdict "descriptors flat (last = first, max <= first + $FD_PASS_MARGIN)" \
    test "$FD_FIRST" -eq "$FD_LAST" -a "$FD_MAX" -le $((FD_FIRST + FD_PASS_MARGIN))
verdict "RSS max of 2nd half <= 1st half + ${RSS_LEAK_LIMIT_KB} kB" \
    test "$RSS_MAX_SECOND_HALF" -le $((RSS_MAX_FIRST_HALF + RSS_LEAK_LIMIT_KB))
verdict "nothing on stderr" test "$STDERR_LINES" -eq 0
verdict "passes counted >= 95 % of expected" test $((PASSES * 100)) -ge $((EXPECTED * 95))

{
    echo "# Window program soak"
    echo
    echo "Command: \`bench/soak/window_soak.sh ${BUILD_DIR#"$REPO"/} $MINUTES\`, run $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo
    echo "Machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%d MiB", $2 / 1024}' /proc/meminfo)," \
        "$(uname -sr), $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo)," \
        "$(process_count) processes; shared with other work."
    echo
    echo "The window shown from the tray menu, interval strategy, 0.05 minutes typed into"
    echo "the interval box; Xvfb 1024 x 768, openbox, trayer. Soak time counted from"
    echo "the first pass at the new interval: ${ELAPSED} s."
    echo
    echo "| figure | first | last | min | max |"
    echo "|---|---|---|---|---|"
    echo "| VmRSS (kB) | $RSS_FIRST | $RSS_LAST | $RSS_MIN | $RSS_MAX |"
    echo "| open descriptors | $FD_FIRST | $FD_LAST | $FD_MIN | $FD_MAX |"
    echo "| threads | $TH_FIRST | $TH_LAST | $TH_MIN | $TH_MAX |"
    echo
    echo "- RSS max, first half: $RSS_MAX_FIRST_HALF kB; second half: $RSS_MAX_SECOND_HALF kB"
    echo "- trim passes counted: $PASSES (expected about $EXPECTED at one per ${PASS_PERIOD_SECONDS} s)"
    echo "- processor time over the soak: $((CPU_LAST - CPU_FIRST)) ticks = ${CPU_PERCENT} % of one core"
    echo "- samples with more descriptors than the first: $(awk -F'\t' -v f="$FD_FIRST" 'NR > 1 && $3 > f' "$SAMPLES" | wc -l)"
    echo "- lines on stderr: $STDERR_LINES"
    echo
    echo "Passes are counted from the read-call counter (syscr in /proc/PID/io), read every"
    echo "${COUNTER_PERIOD} s: each pass reads every process's maps file, a rise of at least"
    echo "$THRESHOLD calls (half the processes) within one reading; a run of such rises"
    echo "is one pass."
    echo
    echo "| check | result |"
    echo "|---|---|"
    printf '%s\n' "${VERDICTS[@]}"
    echo
    echo "Raw: window_soak_samples.tsv (every ${SAMPLE_PERIOD} s), window_soak_syscr.tsv"
    echo "(every ${COUNTER_PERIOD} s), window_soak_program.log (stderr), screenshots after ${SAMPLE_PERIOD} s and at the end."
} >"$REPORT"
cat "$REPORT"
exit "$FAILED"
