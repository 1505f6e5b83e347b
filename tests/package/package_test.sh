#!/bin/sh
# The packages' files, lintian, menu entry and metadata; then, from a throwaway root,
# --version without a display and the no-store message, whose command makes the per-user
# store that the window then opens on.   package_test.sh BUILD_DIR
set -eu
t=$(mktemp -d) pids=""
trap 'for p in $pids; do kill "$p" 2>/dev/null || true; done; rm -rf "$t"' EXIT
fail() { echo "FAIL: $1"; [ -z "${2:-}" ] || cat "$2"; exit 1; }
cpack --config "$1/CPackConfig.cmake" -B "$t" >"$t/log" 2>&1 || fail cpack "$t/log"
for deb in "$t"/*.deb; do
    dpkg -c "$deb" >>"$t/files"
    dpkg -x "$deb" "$t/root"
    lintian --fail-on error "$deb" >"$t/log" 2>&1 || fail "lintian $deb" "$t/log"
done
grep -v '^drwxr-xr-x root/root \|^-rw[x-]r-[x-]r-[x-] root/root ' "$t/files" && fail "modes"
share=usr/share/quillmar-night-audit app=org.quillmar.nightaudit
for f in usr/bin/nightaudit usr/bin/frontdesk $share/db.mdb $share/samples/audit_report.txt \
    $share/samples/noshow_report.txt usr/share/man/man1/nightaudit.1.gz \
    usr/share/man/man1/frontdesk.1.gz usr/share/icons/hicolor/scalable/apps/$app.svg \
    usr/share/doc/quillmar-night-audit/copyright usr/share/doc/quillmar-night-audit-frontdesk/copyright; do
    [ -f "$t/root/$f" ] || fail "no $f" "$t/files"
done
[ ! -e "$1/nightaudit-store" ] || [ -x "$t/root/usr/bin/nightaudit-store" ] || fail "no nightaudit-store"
desktop-file-validate "$t/root/usr/share/applications/$app.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$t/root/usr/share/metainfo/$app.metainfo.xml" >"$t/log" || fail metainfo "$t/log"

[ "$("$t/root/usr/bin/frontdesk" --preview '+a~')" = "A⏎" ] || fail "frontdesk --preview"
version=$(env -u DISPLAY -u QT_QPA_PLATFORM "$t/root/usr/bin/nightaudit" --version)
[ "$version" = "nightaudit $(dpkg-deb -f "$t"/quillmar-night-audit_*.deb Version)" ] || fail "--version: $version"
export HOME="$t/home" XDG_DATA_HOME=""
QT_QPA_PLATFORM=offscreen "$t/root/usr/bin/nightaudit" 2>"$t/log" && fail "started without a store"
sh -c "$(sed -n 's/.*To start from the demo store: //p' "$t/log")"

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$t/display" 2>/dev/null &
pids=$!
for _ in $(seq 100); do [ -s "$t/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$t/display")" QT_QPA_PLATFORM=xcb
"$t/root/usr/bin/nightaudit" 2>"$t/log" &
pids="$! $pids"
for _ in $(seq 150); do xwininfo -name "Quillmar Night Audit" >/dev/null 2>&1 && break; sleep 0.1; done
readlink "/proc/${pids%% *}/fd/"* | grep -qxF "$HOME/.local/share/quillmar-night-audit/db.mdb" ||
    fail "no window on the per-user store" "$t/log"
echo "PASS: packages, --version, the per-user store set up and opened"
