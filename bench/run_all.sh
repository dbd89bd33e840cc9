#!/usr/bin/env bash
# Every benchmark of the tree from one command.
#
#   bench/run_all.sh BUILD_DIR          the whole window program (idle, start-up)
#   bench/run_all.sh BUILD_DIR --all    also the trim pass (as root) and the
#                                       dashboard refresh
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
BUILD=$(cd "${1:?usage: run_all.sh BUILD_DIR [--all]}" && pwd)
ALL=${2:-}

"$HERE/whole/run.sh" "$BUILD"
[[ $ALL == --all ]] || exit 0

"$HERE/optimize/run.sh" "$BUILD"
cmake --build "$BUILD" --target bench_monitor >/dev/null
"$BUILD/bench/monitor/bench_monitor"
