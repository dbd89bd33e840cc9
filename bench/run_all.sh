#!/usr/bin/env bash
# Every benchmark of the tree from one command.
#
#   bench/run_all.sh BUILD_DIR          the whole window program: idle cost and
#                                       start-up beside a minimal Qt tray program
#   bench/run_all.sh BUILD_DIR --all    also the trim pass at scale (needs root),
#                                       the dashboard refresh, the conversions
#                                       and one settings call
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
BUILD=$(cd "${1:?usage: run_all.sh BUILD_DIR [--all]}" && pwd)
ALL=${2:-}

"$HERE/whole/run.sh" "$BUILD"
[[ $ALL == --all ]] || exit 0

"$HERE/optimize/run.sh" "$BUILD"
cmake --build "$BUILD" --target bench_monitor bench_conversions bench_settings_cycle >/dev/null
"$BUILD/bench/monitor/bench_monitor"
"$BUILD/bench/bench_conversions"
"$BUILD/bench/registry/bench_settings_cycle"
