#!/usr/bin/env bash
# Start-up: time from exec to the tray icon docked, for the window program and
# for the minimal Qt tray program, taken in turns on one X server of our own.
#
#   bench/whole/startup.sh BUILD_DIR [RUNS] [RAW_FILE]
#
# Each program starts once untimed (to warm the file cache and, for quorvel,
# to create its settings and install its skin), then RUNS (default 10) timed
# starts each. The window program waits for its first processor sample
# (800 ms) before it docks; the figure without that wait is printed too.
# Prints key=value lines; RAW_FILE keeps every run.
set -euo pipefail

BUILD=$(cd "${1:?usage: startup.sh BUILD_DIR [RUNS] [RAW_FILE]}" && pwd)
RUNS=${2:-10}
RAW=${3:-/dev/null}
FIRST_SAMPLE_MS=800
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../tests/e2e/desktop.sh
source "$HERE/../../tests/e2e/desktop.sh"

QUORVEL="$BUILD/bin/quorvel"
FLOOR="$BUILD/bin/bench_floor_tray"
[[ -x $QUORVEL && -x $FLOOR ]] || die "build quorvel and bench_floor_tray in $BUILD first"

WORK=$(mktemp -d)
finish() {
    desktop_cleanup
    rm -rf "$WORK"
}
trap finish EXIT

# Sets DOCKED_MS and DRAWN_MS: milliseconds from exec to the icon docked (the
# tray host has embedded the program's window) and to the icon drawn (the
# program has painted it: its event loop runs). Stops the program afterwards.
# Runs in this shell so that the exit trap knows every process.
time_one_start() {
    local name=$1 binary=$2 class=$3 begin docked drawn
    begin=$(date +%s%N)
    start_program "$name" "$binary"
    wait_for "the $name icon" icon_docked "$class" || die "$name's icon did not dock"
    docked=$(date +%s%N)
    wait_for "the $name icon drawn" icon_drawn "$class" || die "$name's icon was not drawn"
    drawn=$(date +%s%N)
    stop_pid "$STARTED_PID"
    wait_for "the $name icon to go" icon_gone "$class" || die "$name's icon stayed docked"
    DOCKED_MS=$(((docked - begin) / 1000000))
    DRAWN_MS=$(((drawn - begin) / 1000000))
}

start_display
start_desktop

time_one_start quorvel "$QUORVEL" quorvel
time_one_start floor "$FLOOR" bench_floor_tray

echo "# startup.sh $BUILD $RUNS  ($(machine_line))" >"$WORK/raw.txt"
echo "# run program exec_to_docked_ms exec_to_drawn_ms" >>"$WORK/raw.txt"
for name in quorvel floor; do : >"$WORK/$name.docked"; : >"$WORK/$name.drawn"; done
record() {
    echo "$DOCKED_MS" >>"$WORK/$1.docked"
    echo "$DRAWN_MS" >>"$WORK/$1.drawn"
    echo "run $run $1 $DOCKED_MS $DRAWN_MS" >>"$WORK/raw.txt"
}
for ((run = 1; run <= RUNS; run++)); do
    time_one_start quorvel "$QUORVEL" quorvel
    record quorvel
    time_one_start floor "$FLOOR" bench_floor_tray
    record floor
done

summary() {
    local name=$1 what=$2 file="$WORK/$1.$2"
    echo "${name}_${what}_ms_median=$(median <"$file")"
    echo "${name}_${what}_ms_min=$(sort -n "$file" | head -n1)"
    echo "${name}_${what}_ms_max=$(sort -n "$file" | tail -n1)"
}
{
    for name in quorvel floor; do
        summary "$name" docked
        summary "$name" drawn
    done
    echo "quorvel_drawn_minus_first_sample_ms_median=$(median <"$WORK/quorvel.drawn" | awk -v w=$FIRST_SAMPLE_MS '{ print $1 - w }')"
    echo "runs=$RUNS"
} | tee -a "$WORK/raw.txt"
if [[ $RAW != /dev/null ]]; then cp "$WORK/raw.txt" "$RAW"; fi
