#!/bin/sh
# scripts/demo.sh started without a desktop: once the program's window is closed, the
# virtual display, window manager and front desk it started are gone.
#   demo_script_test.sh SOURCE_DIR BUILD_DIR
set -eu
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
env -u DISPLAY sh "$1/scripts/demo.sh" --no-build "$2" >"$out/log" 2>&1 &
demo=$!
fail() { echo "FAIL: $1"; cat "$out/log"; exit 1; }
await() {
    for _ in $(seq 150); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    fail "gave up waiting for: $*"
}
alive() { [ -n "$(sed -n 's/^State:\s*[^Z]/x/p' "/proc/$1/status" 2>/dev/null)" ]; }

await grep -q 'virtual display :' "$out/log"
export DISPLAY="$(sed -n 's/.*virtual display \(:[0-9]*\).*/\1/p' "$out/log")"
# Mapped, not only created: a window the window manager maps later takes the focus then.
await xdotool search --onlyvisible --name '^Front Desk$'
await xdotool search --onlyvisible --name '^Quillmar Night Audit$'
window=$(xdotool search --onlyvisible --name '^Quillmar Night Audit$' | head -n 1)
started=$(ps -o pid= --ppid "$demo")  # Xvfb, openbox, the front desk and the program
[ "$(echo "$started" | wc -w)" -ge 4 ] || fail "too few processes: $started"
program=$(pgrep -P "$demo" -x nightaudit) || fail "no nightaudit among $started"

# What is on screen and still running, for a failure to say where the close went.
scene() {
    echo "active window: $(xdotool getactivewindow getwindowname 2>&1)"
    echo "shown: $(xdotool search --onlyvisible --name . getwindowname %@ 2>&1 | tr '\n' '|')"
    ps -o pid=,stat=,args= --ppid "$demo"
}
await sh -c "xdotool windowactivate --sync $window && [ \"\$(xdotool getactivewindow)\" = $window ]"
# Closed as a clerk closes it, with Alt+F4 through the window manager. The display may go
# before xdotool lets go of it: its complaint about that is no failure.
xdotool key alt+F4 2>/dev/null || true
for _ in $(seq 150); do alive "$program" || break; sleep 0.1; done
if alive "$program"; then
    scene
    kill "$program" "$demo"
    fail "Alt+F4 on the program's window did not end the program"
fi
for _ in $(seq 150); do alive "$demo" || break; sleep 0.1; done
if alive "$demo"; then
    ps -o pid=,stat=,args= --ppid "$demo"
    kill "$demo"
    fail "demo.sh did not end with the program"
fi
status=0
wait "$demo" || status=$?
for pid in $started; do
    if alive "$pid"; then fail "still running: $(tr '\0' ' ' <"/proc/$pid/cmdline")"; fi
done
[ "$status" -eq 0 ] || fail "demo.sh ended with status $status"
echo "PASS: $(echo "$started" | wc -w) processes started, none left"
