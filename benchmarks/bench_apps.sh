#!/bin/sh
# Real applications as typing targets (Wine notepad, mousepad, Chromium, a Swing text area,
# the raw xterm) on a throwaway X session:
#   sh benchmarks/bench_apps.sh probe    ping replies, WM_CLASS, how long after the last key a
#                                        500-character text is complete, what Wine notepad keeps
#                                        when the focus leaves, a keycode rebound after start
#   sh benchmarks/bench_apps.sh          2 000 characters into each through the program's Go
#                                        (bench_apps) and through `xdotool type` at rising delays
# BUILD=dir (default build/): the configured build tree; bench_apps and the remote-desktop
# stand-in are built there, and the Wine prefix test_real_apps keeps there is copied.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/build}
MODE=${1:-speed}
WORK=$(mktemp -d /tmp/nightaudit-apps.XXXXXX)
. "$ROOT/benchmarks/xsession.sh"

if [ "$MODE" != probe ]; then
    cmake -S "$ROOT" -B "$BUILD" -DNIGHTAUDIT_BENCHMARKS=ON >/dev/null
    ninja -C "$BUILD" -j2 bench_apps grabbing_client >/dev/null
fi
PROBE=$WORK/apps_probe
g++ -std=c++20 -O2 -Wall -Wextra -Werror "$ROOT/benchmarks/apps_probe.cpp" -o "$PROBE" -lX11 -lXtst
javac -d "$WORK" "$ROOT/tests/e2e/apps/TypedArea.java"

# The applications keep their settings in a home of their own.
export HOME="$WORK/home"
mkdir -p "$HOME"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" NO_AT_BRIDGE=1
# The prefix the test keeps in the build folder, copied: booting one takes a minute.
WINEPREFIX=$WORK/wine
if [ -d "$BUILD/wineprefix" ]; then mkdir -p "$WINEPREFIX" && cp -a "$BUILD/wineprefix/." "$WINEPREFIX"; fi
export WINEPREFIX
# mousepad's D-Bus daemon outlives its dbus-run-session: its session goes as a whole.
trap 'wineserver -k 2>/dev/null || true; [ -z "${MOUSEPAD_SESSION:-}" ] || kill -- "-$MOUSEPAD_SESSION" 2>/dev/null; cleanup' EXIT INT TERM
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
setsid dbus-run-session mousepad "$WORK/mousepad.txt" >/dev/null 2>&1 &
MOUSEPAD_SESSION=$!
bg java -cp "$WORK" TypedArea "Typed Area" "$WORK/java.txt"
PORT=$((20000 + $$ % 20000))
bg python3 "$ROOT/tests/e2e/apps/typed_page.py" "$PORT" "$WORK/chromium.txt"
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

bg "$BUILD/tests/e2e/grabbing_client" "Remote Desk" "$WORK/remote.bin"
wait_for 200 sh -c "xdotool search --name '^Remote Desk\$'"
focus "mousepad.txt - Mousepad$"
MOUSEPAD_TITLE=$(xdotool getactivewindow getwindowname)

echo "Machine: $(nproc) cores; $(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git -C "$ROOT" rev-parse --short HEAD); load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "nightaudit (Go, X11 desktop, player): target|text|run s|whole text after s|wrong from the end|characters held|caption"
QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 "$BUILD/benchmarks/bench_apps" "$ROOT/data/schema.sql" "$WORK" \
    "Wine notepad|notepad.txt - Notepad|$WORK/notepad.txt|saved|ascii" \
    "Wine notepad|notepad.txt - Notepad|$WORK/notepad.txt|saved|mixed" \
    "mousepad|$MOUSEPAD_TITLE|$WORK/mousepad.txt|saved|mixed" \
    "Chromium|Typed Page|$WORK/chromium.txt|live|mixed" \
    "Java|Typed Area|$WORK/java.txt|live|mixed" \
    "remote desktop|Remote Desk|$WORK/remote.bin|appended|ascii" \
    "remote desktop|Remote Desk|$WORK/remote.bin|appended|mixed" \
    "xterm|Front Desk|$RECORD|appended|mixed"

# How much of WANT the file holds past OFFSET: characters wrong from the end (0: all there),
# then the characters held.
compare() {
    python3 -c '
import sys
want = open(sys.argv[1], encoding="utf-8").read()
raw = open(sys.argv[2], "rb").read()[int(sys.argv[3]):]
got = raw.decode("utf-8", "replace").lstrip("\ufeff").replace("\r\n", "\n").replace("\r", "\n")
same = 0
while same < min(len(got), len(want)) and got[same] == want[same]:
    same += 1
print(0 if got == want else len(want) - same, len(got))' "$@"
}
echo
echo "xdotool type: target|text|delay ms|type s|whole text after s|wrong from the end|characters held"
for t in "Wine notepad|^notepad.txt - Notepad\$|$WORK/notepad.txt|saved|ascii" \
    "mousepad|mousepad.txt - Mousepad\$|$WORK/mousepad.txt|saved|mixed" \
    "Chromium|^Typed Page\$|$WORK/chromium.txt|live|mixed" \
    "Java|^Typed Area\$|$WORK/java.txt|live|mixed" \
    "remote desktop|^Remote Desk\$|$WORK/remote.bin|appended|ascii" \
    "xterm|^Front Desk\$|$RECORD|appended|mixed"; do
    name=$(echo "$t" | cut -d'|' -f1)
    title=$(echo "$t" | cut -d'|' -f2)
    file=$(echo "$t" | cut -d'|' -f3)
    how=$(echo "$t" | cut -d'|' -f4)
    text=$(echo "$t" | cut -d'|' -f5)
    for delay in 0 2 5 12; do
        focus "$title"
        before=0
        [ "$how" != appended ] || before=$(stat -c %s "$file")
        if [ "$how" = live ]; then
            # The emptied document's own report first, so the last run's text is not taken.
            xdotool key ctrl+a Delete
            i=0
            while [ "$(compare "$WORK/$text.txt" "$file" 0 | cut -d' ' -f2)" != 0 ] && [ $i -lt 100 ]; do
                sleep 0.1
                i=$((i + 1))
            done
        elif [ "$how" = saved ]; then
            xdotool key ctrl+a Delete
        fi
        saved=$(stat -c %y "$file")
        sleep 0.5
        start=$(date +%s.%N)
        xdotool type --delay "$delay" --file "$WORK/$text.txt"
        typed=$(date +%s.%N)
        [ "$how" != saved ] || xdotool key ctrl+s
        # Until the target holds the whole text, or what it holds has not changed for 5 s.
        last="" same=0
        # A saved file counts once the ^s wrote it.
        while result=$(compare "$WORK/$text.txt" "$file" "$before") &&
            { [ "${result%% *}" != 0 ] || { [ "$how" = saved ] && [ "$(stat -c %y "$file")" = "$saved" ]; }; } &&
            [ $same -lt 50 ]; do
            if [ "$result" = "$last" ]; then same=$((same + 1)); else same=0 last=$result; fi
            sleep 0.1
        done
        end=$(date +%s.%N)
        echo "$name|$text|$delay|$(python3 -c "print(round($typed - $start, 2), round($end - $start, 2))" | tr ' ' '|')|$(echo "$result" | tr ' ' '|')"
        [ "${result%% *}" != 0 ] || break
    done
done
