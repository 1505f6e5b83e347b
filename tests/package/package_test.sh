#!/bin/sh
# The packages as an installer meets them: files and modes, lintian without errors, a valid
# menu entry; then the installed program from a throwaway root: --version without a display,
# the message without a store, whose command sets up the per-user store the window opens on.
#   package_test.sh BUILD_DIR
set -eu
t=$(mktemp -d)
pids=""
trap 'for p in $pids; do kill "$p" 2>/dev/null || true; done; rm -rf "$t"' EXIT
fail() { echo "FAIL: $1"; [ -z "${2:-}" ] || cat "$2"; exit 1; }
cpack --config "$1/CPackConfig.cmake" -B "$t" >"$t/log" 2>&1 || fail cpack "$t/log"
for deb in "$t"/*.deb; do
    dpkg -c "$deb" | awk '{print $1, $2, $6}' >>"$t/files"
    dpkg -x "$deb" "$t/root"
    lintian --fail-on error "$deb" >"$t/log" 2>&1 || fail "lintian $deb" "$t/log"
done
grep -v '^drwxr-xr-x root/root \|^-rw[x-]r-[x-]r-[x-] root/root ' "$t/files" && fail "modes"
[ ! -e "$1/nightaudit-store" ] || echo "-rwxr-xr-x ./usr/bin/nightaudit-store" >"$t/expected"
cat >>"$t/expected" <<LIST
-rwxr-xr-x ./usr/bin/nightaudit
-rwxr-xr-x ./usr/bin/frontdesk
-rw-r--r-- ./usr/share/applications/org.quillmar.nightaudit.desktop
-rw-r--r-- ./usr/share/metainfo/org.quillmar.nightaudit.metainfo.xml
-rw-r--r-- ./usr/share/icons/hicolor/scalable/apps/org.quillmar.nightaudit.svg
-rw-r--r-- ./usr/share/man/man1/nightaudit.1.gz
-rw-r--r-- ./usr/share/man/man1/frontdesk.1.gz
-rw-r--r-- ./usr/share/quillmar-night-audit/db.mdb
-rw-r--r-- ./usr/share/quillmar-night-audit/samples/audit_report.txt
-rw-r--r-- ./usr/share/quillmar-night-audit/samples/noshow_report.txt
-rw-r--r-- ./usr/share/doc/quillmar-night-audit/copyright
-rw-r--r-- ./usr/share/doc/quillmar-night-audit-frontdesk/copyright
LIST
while read -r mode path; do grep -qxF -e "$mode root/root $path" "$t/files" || fail "no $mode $path" "$t/files"; done <"$t/expected"
desktop-file-validate "$t"/root/usr/share/applications/*.desktop || fail "desktop entry"
appstreamcli validate --no-net "$t"/root/usr/share/metainfo/*.xml >"$t/log" || fail metainfo "$t/log"

bin=$t/root/usr/bin/nightaudit
version=$(env -u DISPLAY -u QT_QPA_PLATFORM "$bin" --version)
[ "$version" = "nightaudit $(dpkg-deb -f "$t"/quillmar-night-audit_*.deb Version)" ] || fail "--version: $version"
export HOME="$t/home" XDG_DATA_HOME=""
status=0
QT_QPA_PLATFORM=offscreen "$bin" 2>"$t/log" || status=$?
[ "$status" = 1 ] || fail "no store: status $status" "$t/log"
sh -c "$(sed -n 's/.*To start from the demo store: //p' "$t/log")"

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$t/display" 2>/dev/null &
pids=$!
for _ in $(seq 100); do [ -s "$t/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$t/display")" QT_QPA_PLATFORM=xcb
"$bin" 2>"$t/log" &
pids="$! $pids"
for _ in $(seq 150); do xwininfo -name "Quillmar Night Audit" >/dev/null 2>&1 && break; sleep 0.1; done
ls -l "/proc/${pids%% *}/fd" | grep -q "$HOME/.local/share/quillmar-night-audit/db.mdb" ||
    fail "no window on the per-user store" "$t/log"
echo "PASS: $(wc -l <"$t/expected") files, --version, the per-user store set up and opened"
