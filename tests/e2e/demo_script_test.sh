#!/bin/sh
# scripts/demo.sh started without a desktop: once the program's window is closed, the
# virtual display, window manager and front desk it started are gone.
#   demo_script_test.sh SOURCE_DIR BUILD_DIR
set -eu
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
env -u DISPLAY sh "$1/scripts/demo.sh" --no-build "$2" >"$out/log" 2>&1 &
demo=$!

await() {
    for _ in $(seq 150); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "FAIL: gave up waiting for: $*"; cat "$out/log"; exit 1
}
display_named() { sed -n 's/.*virtual display \(:[0-9]*\).*/\1/p' "$out/log" | grep -q .; }
await display_named
DISPLAY=$(sed -n 's/.*virtual display \(:[0-9]*\).*/\1/p' "$out/log")
export DISPLAY
await xwininfo -name "Quillmar Night Audit"
await xwininfo -name "Front Desk"

descendants() {
    for child in $(ps -o pid= --ppid "$1"); do echo "$child"; descendants "$child"; done
}
alive() {
    state=$(sed -n 's/^State:\s*\(.\).*/\1/p' "/proc/$1/status" 2>/dev/null || true)
    [ -n "$state" ] && [ "$state" != Z ]
}
started=$(descendants "$demo")
[ "$(echo "$started" | wc -w)" -ge 4 ] || { echo "FAIL: too few processes: $started"; exit 1; }

# Closed as a clerk closes it: Alt+F4 through the window manager. The display may be gone
# before xdotool lets go of it, so its complaint about that is no failure.
xdotool search --onlyvisible --name '^Quillmar Night Audit$' windowactivate --sync
xdotool key alt+F4 2>/dev/null || true
for _ in $(seq 150); do alive "$demo" || break; sleep 0.1; done
if alive "$demo"; then
    echo "FAIL: closing the program did not end demo.sh"
    kill "$demo"
fi
status=0
wait "$demo" || status=$?
left=""
for pid in $started; do
    alive "$pid" && left="$left $(tr '\0' ' ' <"/proc/$pid/cmdline")"
done
if [ -n "$left" ] || [ "$status" -ne 0 ]; then
    echo "FAIL: demo.sh ended with status $status; still running:${left:- nothing}"
    cat "$out/log"
    exit 1
fi
echo "PASS: $(echo "$started" | wc -w) processes started, none left"
