#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the default build
# with all tests, then the conversions fuzz driver and the logic tests under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/deps.sh
scripts/build.sh
ctest --preset default -j "$(nproc)" --timeout 600

cmake --preset asan -DQUORVEL_BUILD_GUI=OFF >/dev/null
cmake --build --preset asan -j "$(nproc)" --target fuzz_conversions test_core
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan -R "fuzz_conversions|^(NumberToText|RoundDecimal|TextTo|ToHalfWidth|TruncateToInteger|Startup|TimerFixture)" \
  -j "$(nproc)" --timeout 600 --output-on-failure
