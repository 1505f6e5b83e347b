#!/bin/sh
# Installs what is missing, builds, and starts the program on the demo store
# (BUILD_DIR/db.mdb, written from data/demo.sql unless it already exists) beside a demo
# front desk, the window titled "Front Desk" that the demo's steps type into.
#
#   sh scripts/demo.sh [--no-build] [BUILD_DIR]      (BUILD_DIR defaults to build)
#
# Without a desktop (no DISPLAY) both run on a virtual display of their own. Whatever
# this script starts (virtual display, window manager, front desk) is stopped when the
# program ends, and also when the script is interrupted.
set -eu
cd "$(dirname "$0")/.."

build=build
setup=yes
for arg in "$@"; do
    case $arg in
        --no-build) setup=no ;;
        -*) echo "demo.sh: unknown option $arg" >&2; exit 2 ;;
        *) build=$arg ;;
    esac
done
if [ "$setup" = yes ]; then
    sh scripts/install-deps.sh
    sh scripts/build.sh "$build"
fi
if [ ! -d "$build" ]; then
    echo "demo.sh: there is no build folder $build; build first (sh scripts/build.sh $build)" >&2
    exit 1
fi
build=$(cd "$build" && pwd)
for program in nightaudit frontdesk; do
    if [ ! -x "$build/$program" ]; then
        echo "demo.sh: $build/$program is missing; build first (sh scripts/build.sh $build)" >&2
        exit 1
    fi
done

logs=$(mktemp -d)
started=""  # newest first, so the display goes last
stop() {
    for pid in $started; do kill "$pid" 2>/dev/null || true; done
    for pid in $started; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$logs"
}
trap stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Polls `$@` up to ten seconds; false when it never succeeds.
await() {
    for _ in $(seq 100); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}
fail() {
    echo "demo.sh: $1" >&2
    [ -s "${2:-/dev/null}" ] && sed 's/^/    /' "$2" >&2
    exit 1
}
has_window() { xwininfo -name "$1"; }
has_manager() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }

if [ -z "${DISPLAY:-}" ]; then
    # The server picks a free display number and writes it to file descriptor 3.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$logs/display" 2>"$logs/xvfb" &
    started="$! $started"
    await grep -q . "$logs/display" || fail "the virtual display (Xvfb) did not start:" "$logs/xvfb"
    export DISPLAY=":$(cat "$logs/display")"
    await xdpyinfo || fail "the virtual display $DISPLAY does not answer:" "$logs/xvfb"
    # openbox now and then gives up while a new server is still settling; once more is
    # enough then.
    for attempt in 1 2 3; do
        openbox >"$logs/openbox" 2>&1 &
        started="$! $started"
        await has_manager && break
        [ "$attempt" -lt 3 ] || fail "the window manager (openbox) did not start:" "$logs/openbox"
    done
    echo "No DISPLAY was set: the program runs on the virtual display $DISPLAY"
fi

# Both programs drive and show on this X display, whatever platform the environment names.
export QT_QPA_PLATFORM=xcb
"$build/frontdesk" 2>"$logs/frontdesk" &
started="$! $started"
await has_window "Front Desk" || fail "the demo front desk did not open:" "$logs/frontdesk"

# The demo's report keys name their files without a folder: the program reads them from
# the store's folder, and deletes each once read, so they are put back at every start.
cp data/samples/audit_report.txt data/samples/noshow_report.txt "$build/"
if ! lpstat -d 2>/dev/null | grep -qi 'default destination:'; then
    echo "No default printer is set up: the card totals and the print keys will stop with"
    echo "\"No default printer is installed\" (sh scripts/setup-printer.sh sets up a PDF one)."
fi

status=0
"$build/nightaudit" || status=$?
[ "$status" -eq 0 ] || echo "demo.sh: the program ended with status $status" >&2
exit "$status"
