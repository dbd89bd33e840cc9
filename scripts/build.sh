#!/usr/bin/env bash
# Configures and builds the default preset (build/default).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
