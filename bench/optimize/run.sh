#!/usr/bin/env bash
# One real trim pass against 10, 100 and 500 workload processes, side by side
# with the kernel's own reclaim of the same ranges and with drop_caches.
#
#   bench/optimize/run.sh [BUILD_DIR] [--with-zram]
#
# Runs as root. --with-zram turns on a temporary 4 GiB zram swap (only when no
# swap is on and /dev/zram0 is unused) so that anonymous pages are reclaimable
# too, and turns it off again afterwards.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."

build=build/default
zram=no
for arg in "$@"; do
  case "$arg" in
    --with-zram) zram=yes ;;
    *) build="$arg" ;;
  esac
done

if [[ $(id -u) -ne 0 ]]; then
  echo "run as root: trimming other processes needs CAP_SYS_NICE, drop_caches needs root" >&2
  exit 2
fi

cmake --build "$build" --target bench_trim_pass optimize_workload >/dev/null

zram_on=no
cleanup() {
  if [[ $zram_on == yes ]]; then
    swapoff /dev/zram0 || true
    zramctl --reset /dev/zram0 || true
  fi
}
trap cleanup EXIT

if [[ $zram == yes ]]; then
  if [[ $(wc -l </proc/swaps) -gt 1 ]]; then
    echo "swap is already on: using it as it is" >&2
  elif [[ -b /dev/zram0 && $(cat /sys/block/zram0/disksize) == 0 ]]; then
    zramctl /dev/zram0 --size 4G --algorithm lz4
    mkswap /dev/zram0 >/dev/null
    swapon /dev/zram0
    zram_on=yes
  else
    echo "no free /dev/zram0: running without swap" >&2
  fi
fi

"$build/bench/optimize/bench_trim_pass" 10 100 500
