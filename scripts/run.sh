#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program: the window program
# when a display is there, the optimiser without a window otherwise.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/deps.sh
scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display found, so running the optimiser without a window (quorvelctl watch); Ctrl+C ends it"
  exec build/default/bin/quorvelctl watch
fi
exec build/default/bin/quorvel
