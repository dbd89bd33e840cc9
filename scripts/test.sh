#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the default build
# with all tests (widgets on Qt's offscreen platform, the end-to-end tests
# under their own Xvfb), then everything that needs no window again under
# AddressSanitizer and UndefinedBehaviorSanitizer, the fuzz drivers included.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/deps.sh
scripts/build.sh
ctest --preset default -j "$(nproc)" --timeout 600

cmake --preset asan -DQUORVEL_BUILD_GUI=OFF >/dev/null
cmake --build --preset asan -j "$(nproc)"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --preset asan -j "$(nproc)" --timeout 600
