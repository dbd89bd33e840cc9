#!/usr/bin/env bash
# Idle cost of the window program hidden in the tray, beside the minimal Qt
# tray program in the same run: processor time and proportional set size.
#
#   bench/whole/idle_cost.sh BUILD_DIR [SECONDS] [RAW_FILE]
#
# Both programs start on an X server of our own with openbox and trayer; once
# both icons are docked and a settle period (SETTLE_SECONDS, default 5) has
# passed so that start-up work is not counted, the script samples every
# SAMPLE_SECONDS (default 5) for SECONDS (default 60). Prints key=value lines;
# RAW_FILE keeps them with the periodic samples and the memory breakdown.
set -euo pipefail

BUILD=$(cd "${1:?usage: idle_cost.sh BUILD_DIR [SECONDS] [RAW_FILE]}" && pwd)
DURATION=${2:-60}
RAW=${3:-/dev/null}
SETTLE_SECONDS=${SETTLE_SECONDS:-5}
SAMPLE_SECONDS=${SAMPLE_SECONDS:-5}
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

CLK_TCK=$(getconf CLK_TCK)

start_display
start_desktop
start_program quorvel "$QUORVEL"
QUORVEL_PID=$STARTED_PID
start_program floor "$FLOOR"
# shellcheck disable=SC2034  # read by name below, as ${!pid_var}
FLOOR_PID=$STARTED_PID
wait_for "the quorvel icon" icon_docked quorvel || die "quorvel's icon did not dock"
wait_for "the floor icon" icon_docked bench_floor_tray || die "the floor program's icon did not dock"

# The settle period is part of the measurement protocol, not a readiness wait:
# both programs are ready already; their start-up work is left out.
sleep "$SETTLE_SECONDS"

declare -A ticks0 ns0 pss0 majflt0 lastNs
for name in quorvel floor; do
    pid_var=${name^^}_PID
    pid=${!pid_var}
    ticks0[$name]=$(cpu_ticks "$pid")
    ns0[$name]=$(cpu_nanoseconds "$pid")
    pss0[$name]=$(pss_kib "$pid")
    majflt0[$name]=$(major_faults "$pid")
    lastNs[$name]=${ns0[$name]}
    : >"$WORK/$name.intervals"
    : >"$WORK/$name.pss"
done
# Where the processor time goes, when the kernel lets perf count software
# events: time on the processor, context switches (wake-ups), system calls.
PERF_PIDS=()
perf_works() { perf stat -e task-clock,raw_syscalls:sys_enter true >/dev/null 2>&1; }
if command -v perf >/dev/null && perf_works; then
    for name in quorvel floor; do
        pid_var=${name^^}_PID
        perf stat -x, -o "$WORK/$name.perf" -e task-clock,context-switches,raw_syscalls:sys_enter,page-faults \
            -p "${!pid_var}" >/dev/null 2>&1 &
        PERF_PIDS+=($!)
        DESKTOP_PIDS+=($!)
    done
fi

others_start=$(other_optimisers "$QUORVEL_PID" | wc -l)
start_ns=$(date +%s%N)
last_ns=$start_ns

{
    echo "# idle_cost.sh $BUILD $DURATION  ($(machine_line))"
    echo "# settle ${SETTLE_SECONDS}s, samples every ${SAMPLE_SECONDS}s, CLK_TCK $CLK_TCK"
    echo "# sample: elapsed_s program cpu_percent_interval(schedstat) pss_kib"
} >"$WORK/raw.txt"

end=$((SECONDS + DURATION))
while ((SECONDS < end)); do
    sleep "$SAMPLE_SECONDS"  # the sampling period itself
    now_ns=$(date +%s%N)
    for name in quorvel floor; do
        pid_var=${name^^}_PID
        pid=${!pid_var}
        kill -0 "$pid" 2>/dev/null || die "$name ended during the run"
        ns=$(cpu_nanoseconds "$pid")
        pss=$(pss_kib "$pid")
        pct=$(awk -v a="${lastNs[$name]}" -v b="$ns" -v t=$((now_ns - last_ns)) 'BEGIN { printf "%.4f", 100 * (b - a) / t }')
        echo "$pct" >>"$WORK/$name.intervals"
        echo "$pss" >>"$WORK/$name.pss"
        lastNs[$name]=$ns
        echo "sample $(((now_ns - start_ns) / 1000000000)) $name $pct $pss" >>"$WORK/raw.txt"
    done
    last_ns=$now_ns
done
elapsed_ns=$(($(date +%s%N) - start_ns))
for pid in "${PERF_PIDS[@]}"; do
    kill -INT "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
done

for name in quorvel floor; do
    pid_var=${name^^}_PID
    pid=${!pid_var}
    ticks=$(cpu_ticks "$pid")
    ns=$(cpu_nanoseconds "$pid")
    pss=$(pss_kib "$pid")
    awk -v n="$name" -v t0="${ticks0[$name]}" -v t1="$ticks" -v hz="$CLK_TCK" -v e="$elapsed_ns" \
        -v s0="${ns0[$name]}" -v s1="$ns" 'BEGIN {
            printf "%s_cpu_ticks=%d\n", n, t1 - t0
            printf "%s_cpu_percent=%.4f\n", n, 100 * (t1 - t0) / hz / (e / 1e9)
            printf "%s_cpu_percent_schedstat=%.4f\n", n, 100 * (s1 - s0) / e
        }'
    echo "${name}_cpu_percent_interval_median=$(median <"$WORK/$name.intervals")"
    echo "${name}_pss_kib_start=${pss0[$name]}"
    echo "${name}_pss_kib_end=$pss"
    echo "${name}_pss_kib_median=$(median <"$WORK/$name.pss")"
    echo "${name}_uss_kib_end=$(uss_kib "$pid")"
    echo "${name}_rss_kib_end=$(rss_kib "$pid")"
    echo "${name}_major_faults=$(($(major_faults "$pid") - ${majflt0[$name]}))"
    threads=(/proc/"$pid"/task/*)
    echo "${name}_threads=${#threads[@]}"
    if [[ -s $WORK/$name.perf ]]; then
        awk -F, -v n="$name" -v e="$elapsed_ns" '
            $3 == "task-clock" { printf "%s_perf_task_clock_percent=%.4f\n", n, 100 * $1 * 1e6 / e }
            $3 == "context-switches" { printf "%s_perf_context_switches_per_s=%.2f\n", n, $1 / (e / 1e9) }
            $3 == "raw_syscalls:sys_enter" { printf "%s_perf_syscalls_per_s=%.2f\n", n, $1 / (e / 1e9) }
            $3 == "page-faults" { printf "%s_perf_page_faults=%d\n", n, $1 }' "$WORK/$name.perf"
    fi
    {
        echo "# PSS breakdown of $name at the end, KiB"
        pss_breakdown "$pid" | sed 's/^/breakdown '"$name"' /'
    } >>"$WORK/breakdown.txt"
done | tee "$WORK/summary.txt"
others_end=$(other_optimisers "$QUORVEL_PID" | wc -l)
{
    echo "measured_seconds=$(awk -v e="$elapsed_ns" 'BEGIN { printf "%.1f", e / 1e9 }')"
    echo "other_optimisers_start=$others_start"
    echo "other_optimisers_end=$others_end"
} | tee -a "$WORK/summary.txt"
if ((others_start + others_end > 0)); then
    echo "warning: other copies of quorvel/quorvelctl ran meanwhile; their trim passes disturb these figures" >&2
fi

cat "$WORK/summary.txt" "$WORK/breakdown.txt" >>"$WORK/raw.txt"
if [[ $RAW != /dev/null ]]; then cp "$WORK/raw.txt" "$RAW"; fi
