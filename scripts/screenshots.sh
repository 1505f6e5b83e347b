#!/bin/sh
# Makes the pictures in docs/screenshots/ from the real program on a virtual display:
#   sh scripts/screenshots.sh [BUILD_DIR]
# Run it again whenever a window changes. It starts its own Xvfb (1280x1024, 96 dpi),
# openbox and the demo front desk, runs the demo store's first task sequence with the
# keyboard (Home, Enter: Enter presses Go), photographs the countdown during the run and
# the main window after it, opens the key editor on the first key sequence, then runs
# "Card settlement" and turns the printed totals page into a PNG.
#
# Not run by CI; needs, beyond scripts/install-deps.sh: x11-apps (xwd), imagemagick
# (convert), poppler-utils (pdftoppm), and a CUPS queue "PDF" on cups-pdf
# (scripts/setup-printer.sh makes it; pages land in ~/PDF).
set -eu
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
out=$(pwd)/docs/screenshots
mkdir -p "$out"
for tool in Xvfb openbox xdotool xwininfo xwd convert pdftoppm; do
    command -v "$tool" >/dev/null || { echo "screenshots.sh: $tool is missing" >&2; exit 1; }
done
sh scripts/setup-printer.sh >/dev/null

work=$(mktemp -d)
started=""
stop() {
    for pid in $started; do kill "$pid" 2>/dev/null || true; done
    for pid in $started; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap stop EXIT
await() {  # await SECONDS COMMAND...: polls every 0.1 s
    limit=$(($1 * 10)); shift
    for _ in $(seq "$limit"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "screenshots.sh: gave up waiting for: $*" >&2
    return 1
}
gone() { ! xwininfo -name "$1"; }
shoot() {  # shoot TITLE NAME: the window with its frame, as the clerk sees it
    xwd -silent -frame -name "$1" | convert xwd:- -strip -colors 128 "PNG8:$out/$2.png"
    echo "screenshots.sh: docs/screenshots/$2.png"
}

Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp 3>"$work/display" 2>/dev/null &
started="$! $started"
await 10 grep -q . "$work/display"
export DISPLAY=":$(cat "$work/display")"
await 10 xdpyinfo
openbox >/dev/null 2>&1 &
started="$! $started"
await 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'

"$build/frontdesk" >/dev/null 2>&1 &
started="$! $started"
await 10 xwininfo -name "Front Desk"

# The program on a copy of the demo store, with the report files its keys read.
cp "$build/db.mdb" "$build/nightaudit" "$work/"
cp data/samples/audit_report.txt data/samples/noshow_report.txt "$work/"
(cd "$work" && LPDEST=PDF ./nightaudit >/dev/null 2>&1) &
started="$! $started"
main="Quillmar Night Audit"
await 10 xwininfo -name "$main"
sleep 1
activate() { xdotool search --name "^$1\$" windowactivate --sync >/dev/null 2>&1 || true; }

# A run of "Close the day": the countdown during a wait, the window after the run.
activate "$main"
xdotool key Home Return
await 20 xwininfo -name "Waiting ...."
shoot "Waiting ...." countdown
await 60 gone "Waiting ...."
sleep 4  # the last waits of the run, then the focus comes back
await 30 gone "Waiting ...."
sleep 1
shoot "$main" main-window-after-run

# The key editor on the first key sequence; its pencil button is at the foot of the tree.
activate "$main"
xdotool key Home Down Down
eval "$(xwininfo -name "$main" | awk '/Absolute upper-left X/ {print "x=" $4} /Absolute upper-left Y/ {print "y=" $4}')"
xdotool mousemove $((x + (120 + 135 + 3420 + 127) / 15)) $((y + (120 + 6840 + 135 + 127) / 15)) click 1
await 10 xwininfo -name "Edit Keys"
sleep 0.5
shoot "Edit Keys" key-editor
xdotool key Escape
await 10 gone "Edit Keys"

# "Card settlement" prints the card totals: its PDF page as a picture.
touch "$work/marker"
activate "$main"
xdotool key Home Left Down Return
pdf=""
for _ in $(seq 300); do
    pdf=$(find "$HOME/PDF" -name '*.pdf' -newer "$work/marker" 2>/dev/null | head -n 1)
    [ -n "$pdf" ] && break
    sleep 0.1
done
[ -n "$pdf" ] || { echo "screenshots.sh: no totals page was printed" >&2; exit 1; }
sleep 1  # cups-pdf writes the file before it closes it
pdftoppm -png -r 50 -singlefile "$pdf" "$work/totals"
convert "$work/totals.png" -strip -colors 64 "PNG8:$out/printed-totals.png"
echo "screenshots.sh: docs/screenshots/printed-totals.png"
