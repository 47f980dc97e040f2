#!/usr/bin/env bash
# package_test.sh BUILD_DIR: makes the Debian package with cpack, unpacks it with dpkg -x into a
# temporary root and runs the programs from there.
set -euo pipefail
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; }
deb="$(ls "$work/out"/*.deb)"
[ "$(echo "$deb" | wc -l)" -eq 1 ] || fail "one package expected: $deb"

root="$work/root"
dpkg -x "$deb" "$root"
for file in usr/bin/zarn usr/bin/zarn-cli usr/bin/lvviewer \
    usr/lib/zarn/libzarn_ftd2xx_sim.so usr/lib/zarn/libzarn_ftd2xx_ftdi.so \
    usr/share/applications/zarn.desktop usr/share/applications/lvviewer.desktop \
    usr/share/icons/hicolor/scalable/apps/zarn.svg usr/share/icons/hicolor/scalable/apps/lvviewer.svg \
    usr/share/man/man1/zarn.1.gz usr/share/man/man1/zarn-cli.1.gz usr/share/man/man1/lvviewer.1.gz; do
    [ -f "$root/$file" ] || fail "$file is not in the package"
done

depends="$(dpkg-deb -f "$deb" Depends)"
for needed in libc6 libqt6widgets6; do
    echo "$depends" | grep -q "$needed" || fail "Depends lacks $needed: $depends"
done

export LD_LIBRARY_PATH="$root/usr/lib/zarn${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
export QT_QPA_PLATFORM=offscreen ZARN_HOME="$work/home"
"$root/usr/bin/zarn-cli" --help >"$work/cli.txt" || fail "zarn-cli --help"
grep -q "export" "$work/cli.txt" || fail "zarn-cli --help does not list its commands"
"$root/usr/bin/lvviewer" --help >"$work/viewer.txt" 2>&1 || fail "lvviewer --help"
grep -q -- "--screenshot" "$work/viewer.txt" || fail "lvviewer --help does not list its options"
"$root/usr/bin/zarn" --help >"$work/zarn.txt" 2>&1 || fail "zarn --help"
grep -q -- "--simulate" "$work/zarn.txt" || fail "zarn --help does not list its options"
# The man page is the program's own help.
gzip -dc "$root/usr/share/man/man1/zarn-cli.1.gz" | grep -q "^.TH ZARN-CLI 1" ||
    fail "zarn-cli.1 is not a man page"
echo "package ok: $(basename "$deb")"
