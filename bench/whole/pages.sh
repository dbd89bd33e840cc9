#!/usr/bin/env bash
# Where the window program's resident memory goes beyond the floor's: both
# programs start side by side as in the idle benchmark, settle, and
# resident_pages.py compares them by mapped file and, for each LIBRARY named,
# page by page with the exported functions the extra pages hold.
#
#   bench/whole/pages.sh BUILD_DIR [LIBRARY...]   e.g. libQt6Gui.so.6.4.2
set -euo pipefail

BUILD=$(cd "${1:?usage: pages.sh BUILD_DIR [LIBRARY...]}" && pwd)
shift
SETTLE_SECONDS=${SETTLE_SECONDS:-5}
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../tests/e2e/desktop.sh
source "$HERE/../../tests/e2e/desktop.sh"

WORK=$(mktemp -d)
finish() {
    desktop_cleanup
    rm -rf "$WORK"
}
trap finish EXIT

start_display
start_desktop
start_program quorvel "$BUILD/bin/quorvel"
QUORVEL_PID=$STARTED_PID
start_program floor "$BUILD/bin/bench_floor_tray"
FLOOR_PID=$STARTED_PID
wait_for "the quorvel icon" icon_docked quorvel || die "quorvel's icon did not dock"
wait_for "the floor icon" icon_docked bench_floor_tray || die "the floor program's icon did not dock"
# Part of the protocol, as in idle_cost.sh: start-up work is left out.
sleep "$SETTLE_SECONDS"
python3 "$HERE/resident_pages.py" "$QUORVEL_PID" "$FLOOR_PID" "$@"
