#!/bin/sh
# Real applications as typing targets (Wine notepad, mousepad, Chromium, a Swing text area,
# the raw xterm) on a throwaway X session:
#   sh benchmarks/bench_apps.sh probe    ping replies, WM_CLASS, how long after the last key a
#                                        500-character text is complete, what Wine notepad keeps
#                                        when the focus leaves, a keycode rebound after start
#   sh benchmarks/bench_apps.sh          the 2 000-character mix through nightaudit and xdotool
# BUILD=dir (default build/) must hold nightaudit and the test's Wine prefix cache.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/build}
MODE=${1:-speed}
WORK=$(mktemp -d /tmp/nightaudit-apps.XXXXXX)
. "$ROOT/benchmarks/xsession.sh"

PROBE=$WORK/apps_probe
g++ -std=c++20 -O2 -Wall -Wextra -Werror "$ROOT/benchmarks/apps_probe.cpp" -o "$PROBE" -lX11 -lXtst
javac -d "$WORK" "$ROOT/tests/e2e/apps/TypedArea.java"

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" NO_AT_BRIDGE=1
# The prefix the test keeps in the build folder, copied: booting one takes a minute.
WINEPREFIX=$WORK/wine
if [ -d "$BUILD/wineprefix" ]; then mkdir -p "$WINEPREFIX" && cp -a "$BUILD/wineprefix/." "$WINEPREFIX"; fi
export WINEPREFIX
trap 'wineserver -k 2>/dev/null || true; cleanup' EXIT INT TERM
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
start_x_session

# Windows by title, a regular expression.
win() { xdotool search --name "$1" | head -1; }
bg() {
    "$@" >/dev/null 2>&1 &
    PIDS="$! $PIDS"
}
# Activates the window titled $1 and waits until it holds the focus.
focus() {
    wait_for 200 sh -c "xdotool search --name '$1'" || { echo "no window $1" >&2; exit 1; }
    xdotool windowactivate --sync "$(win "$1")" >/dev/null 2>&1
    sleep 0.3
}

NOTEPAD_PID=""
notepad() {
    [ -z "$NOTEPAD_PID" ] || { wineserver -k; wait "$NOTEPAD_PID" 2>/dev/null || true; }
    printf '\357\273\277' >"$WORK/notepad.txt"
    wine 'C:\windows\system32\notepad.exe' "Z:$(echo "$WORK/notepad.txt" | tr / '\\')" \
        >/dev/null 2>&1 &
    NOTEPAD_PID=$!
    focus "^notepad.txt - Notepad$"
}
# Presses ^s in notepad and counts the characters saved; "unsaved" when the file stays as it was.
save() {
    focus "^notepad.txt - Notepad$"
    before=$(stat -c %Y.%s "$WORK/notepad.txt")
    touch -d '2000-01-01' "$WORK/notepad.txt"
    xdotool key ctrl+s
    if wait_for 50 sh -c "[ \$(stat -c %Y '$WORK/notepad.txt') -gt 946684800 ]"; then
        chars "$WORK/notepad.txt"
    else
        echo unsaved
    fi
}
chars() { python3 -c "import sys; print(len(open(sys.argv[1], encoding='utf-8-sig').read().replace('\r', '')))" "$1"; }

: >"$WORK/mousepad.txt"
bg dbus-run-session mousepad "$WORK/mousepad.txt"
bg java -cp "$WORK" TypedArea "Typed Area" "$WORK/java.txt"
PORT=$((20000 + $$ % 20000))
bg python3 "$ROOT/benchmarks/typed_page.py" "$PORT" "$WORK/chromium.txt"
bg chromium --no-sandbox --user-data-dir="$WORK/chromium" --no-first-run --disable-gpu \
    --app="http://127.0.0.1:$PORT/"
notepad

if [ "$MODE" = probe ]; then
    python3 -c "
import random
random.seed(7)
a = 'abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,-'
print(''.join(random.choice(a) for _ in range(500)), end='')" >"$WORK/t500.txt"
    # An xterm of its own: xterm closes on a WM_PROTOCOLS message it did not list.
    bg xterm -T "Ping Test"
    for t in "^notepad.txt - Notepad$" "mousepad.txt - Mousepad$" "^Typed Area$" "^Typed Page$" "^Ping Test$"; do
        focus "$t"
        id=$(win "$t")
        echo "## $t"
        xprop -id "$id" WM_CLASS WM_PROTOCOLS
        "$PROBE" ping "$id"
    done
    sleep 1
    echo "the xterm after the ping: $(win '^Ping Test$' || true) (no number: it closed)"
    echo "## 500 characters, time until the target holds them all"
    for rep in 1 2 3; do
        echo "# notepad"
        notepad
        "$PROBE" type "$WORK/t500.txt" ctrl-s watch="$WORK/notepad.txt" pixels
        echo "# mousepad"
        focus "mousepad.txt - Mousepad$"
        xdotool key ctrl+a Delete
        "$PROBE" type "$WORK/t500.txt" ctrl-s watch="$WORK/mousepad.txt" pixels
        echo "# Java"
        focus "^Typed Area$"
        xdotool key ctrl+a Delete
        "$PROBE" type "$WORK/t500.txt" watch="$WORK/java.txt" pixels
        echo "# Chromium"
        focus "^Typed Page$"
        xdotool key ctrl+a Delete
        "$PROBE" type "$WORK/t500.txt" watch="$WORK/chromium.txt" pixels
        echo "# xterm"
        focus "^Front Desk$"
        : >"$RECORD"
        "$PROBE" type "$WORK/t500.txt" watch="$RECORD" pixels
    done
    echo "## Wine notepad: 500 characters and ^s, then the focus to the xterm"
    for after in 0 50 200 500 1000 2000 3000 ping 0 50 200 500 1000 2000 3000 ping; do
        notepad
        touch -d '2000-01-01' "$WORK/notepad.txt"
        "$PROBE" type "$WORK/t500.txt" ctrl-s away="$(win '^Front Desk$')" after=$after | tail -1
        sleep 3
        if [ "$(stat -c %Y "$WORK/notepad.txt")" -gt 946684800 ]; then
            saved=$(chars "$WORK/notepad.txt")
        else
            saved=unsaved
        fi
        echo "after=$after: the ^s saved: $saved; saved again in the end: $(save)"
    done
    echo "## Wine notepad: a keycode rebound after it started"
    notepad
    xdotool type abc
    "$PROBE" rebound "ж"
    xdotool type def
    sleep 2
    save >/dev/null
    echo "notepad holds: $(cat "$WORK/notepad.txt")"
    exit 0
fi
