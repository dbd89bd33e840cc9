#!/bin/sh
# Compares the sampler's processor figure with an independent reading of
# /proc/stat while one busy loop keeps one core loaded (about 50 % on a
# two-core machine, plus whatever else runs).
# Usage: bench/monitor/cpu_accuracy.sh <build dir> [intervals]
set -eu
build=${1:?build directory}
intervals=${2:-10}
tool="$build/bench/monitor/cpu_figure"
[ -x "$tool" ] || { echo "build the cpu_figure target first" >&2; exit 1; }

echo "processors online: $(getconf _NPROCESSORS_ONLN)"
echo "idle machine:"
"$tool" 3 | tail -n 1

sh -c 'while :; do :; done' &
busy=$!
trap 'kill "$busy" 2>/dev/null || true' EXIT INT TERM
echo "one busy loop (pid $busy):"
"$tool" "$intervals"
kill "$busy"
wait "$busy" 2>/dev/null || true
trap - EXIT INT TERM
