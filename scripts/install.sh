#!/usr/bin/env bash
# Builds and installs the programs under PREFIX (default /usr/local), then
# offers the capability that trimming other users' processes needs.
#   scripts/install.sh [--prefix DIR] [--setcap | --no-setcap]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
prefix=/usr/local
setcap_choice=ask
while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) prefix="$2"; shift 2 ;;
    --setcap) setcap_choice=yes; shift ;;
    --no-setcap) setcap_choice=no; shift ;;
    *) echo "install.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
scripts/deps.sh
scripts/build.sh
cmake --install build/default --prefix "$prefix"

if [ "$setcap_choice" = ask ]; then
  if [ -t 0 ]; then
    read -r -p "Let quorvel and quorvelctl trim other users' processes (setcap cap_sys_nice+ep)? [y/N] " answer
    case "$answer" in [yY]*) setcap_choice=yes ;; *) setcap_choice=no ;; esac
  else
    setcap_choice=no
    echo "install.sh: to let the programs trim other users' processes, run: setcap cap_sys_nice+ep $prefix/lib/quorvel/quorvel $prefix/lib/quorvel/quorvelctl"
  fi
fi
if [ "$setcap_choice" = yes ]; then
  # setcap works on the programs themselves, not on the links in bin.
  for program in "$prefix/lib/quorvel/quorvel" "$prefix/lib/quorvel/quorvelctl"; do
    setcap cap_sys_nice+ep "$program"
  done
  echo "install.sh: granted cap_sys_nice to $prefix/lib/quorvel/quorvel and quorvelctl"
fi
