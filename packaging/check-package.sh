#!/usr/bin/env bash
# Makes the .deb of a build tree, unpacks it into a temporary root and checks what a desktop
# gets from it: the program runs, seeds its data folder, and the desktop files validate.
set -euo pipefail
build=$(cd "$1" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1 \
    || { cat "$tmp/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$tmp"/out/*.deb)
dpkg-deb --field "$deb" Depends | grep -q 'libqt6widgets6' || fail "Depends lacks the Qt libraries"
dpkg -x "$deb" "$tmp/root"
root=$tmp/root/usr

"$root/bin/pelorin" --version | grep -q '[0-9]\.[0-9]' || fail "pelorin --version"
desktop-file-validate "$root/share/applications/org.pelorin.Pelorin.desktop" || fail "desktop file"
appstreamcli validate --no-net "$root/share/metainfo/org.pelorin.Pelorin.metainfo.xml" \
    || fail "metainfo"
[ -s "$root/share/mime/packages/org.pelorin.Pelorin.xml" ] || fail "MIME type"
for size in 16 32 48 256; do
    [ -s "$root/share/icons/hicolor/${size}x${size}/apps/org.pelorin.Pelorin.png" ] \
        || fail "${size} px icon"
done
if command -v help2man >/dev/null; then
    zgrep -qF -- '\-\-send' "$root/share/man/man1/pelorin.1.gz" || fail "man page"
fi
# Debian's checker: an error fails; warnings are shown for whoever reads the log.
if command -v lintian >/dev/null; then
    lintian --tag-display-limit 0 "$deb" >"$tmp/lintian.log" 2>&1 || true
    cat "$tmp/lintian.log" >&2
    ! grep -q '^E: ' "$tmp/lintian.log" || fail "lintian reports errors"
fi

# Installed, there is no configuration beside the program: the per-user folder is seeded.
mkdir -p "$tmp/home"
HOME=$tmp/home XDG_DATA_HOME=$tmp/home/data "$root/bin/pelorin" --send "$tmp/none.phr" \
    >/dev/null 2>&1 || true
[ -s "$tmp/home/data/Pelorin/Pelorin/pelorinconfig.xml" ] || fail "per-user data folder not seeded"
# The windows come from their own module, found from the installed program.
ls "$root"/lib/*/pelorin/pelorin-window.so >/dev/null 2>&1 || fail "window module not installed"
HOME=$tmp/home XDG_DATA_HOME=$tmp/home/data QT_QPA_PLATFORM=offscreen \
    "$root/bin/pelorin" --startup-probe 2>/dev/null | grep -q '^startup_ms=' || fail "windowed start"
echo "package checks passed: $(basename "$deb")"
