#!/usr/bin/env bash
# Installs the build into a staging folder and checks the files; then builds
# the Debian package and checks that it lists the same files.
#   check_install.sh BUILD_DIR WORK_DIR
set -euo pipefail
build="$1"
work="$2/install-check"
rm -rf "$work"
mkdir -p "$work"
stage="$work/stage"

DESTDIR="$stage" cmake --install "$build" --prefix /usr >"$work/install.log"

expected=(
  usr/bin/quorvel
  usr/bin/quorvelctl
  usr/lib/quorvel/quorvel
  usr/lib/quorvel/quorvelctl
  usr/lib/quorvel/psapi.dll
  usr/lib/quorvel/JiaH.dll
  usr/share/applications/quorvel.desktop
  usr/share/icons/hicolor/16x16/apps/quorvel.png
  usr/share/icons/hicolor/32x32/apps/quorvel.png
  usr/share/icons/hicolor/48x48/apps/quorvel.png
  usr/lib/systemd/user/quorvelctl-watch.service
  usr/share/man/man1/quorvelctl.1
)
status=0
for file in "${expected[@]}"; do
  if [ ! -e "$stage/$file" ]; then
    echo "missing after install: /$file"
    status=1
  fi
done
desktop-file-validate "$stage/usr/share/applications/quorvel.desktop" || status=1
grep -q '^Exec=/usr/bin/quorvel$' "$stage/usr/share/applications/quorvel.desktop" || { echo "Exec is not /usr/bin/quorvel"; status=1; }
grep -q '^ExecStart=/usr/bin/quorvelctl watch' "$stage/usr/lib/systemd/user/quorvelctl-watch.service" || { echo "unit does not run quorvelctl watch"; status=1; }
if command -v systemd-analyze >/dev/null 2>&1; then
  systemd-analyze verify --user "$stage/usr/lib/systemd/user/quorvelctl-watch.service" 2>"$work/verify.log" || true
fi

(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1) || {
  echo "cpack failed:"; tail -20 "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/package/*.deb | head -1)
dpkg-deb -c "$deb" >"$work/contents.txt"
for file in "${expected[@]}"; do
  grep -qE " \./$file( -> .*)?\$" "$work/contents.txt" || { echo "not in the package: /$file"; status=1; }
done
# The links in bin reach the programs, and the installed tool runs.
[ "$(readlink "$stage/usr/bin/quorvelctl")" = "../lib/quorvel/quorvelctl" ] || { echo "bin/quorvelctl is not a link to the program"; status=1; }
"$stage/usr/bin/quorvelctl" --version | grep -q '^Quorvel1.0 1.0.0.0 (Veldrin)$' || { echo "the installed quorvelctl does not run"; status=1; }
dpkg-deb -e "$deb" "$work/control"
grep -q 'setcap cap_sys_nice+ep' "$work/control/postinst" || { echo "postinst does not offer the capability"; status=1; }
[ "$status" -eq 0 ] && echo "install and package: ${#expected[@]} files, all present"
exit "$status"
