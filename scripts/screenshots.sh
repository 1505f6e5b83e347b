#!/bin/sh
# Makes the pictures in docs/screenshots/ from the real program on a virtual display:
#   sh scripts/screenshots.sh [BUILD_DIR]
# Run it again whenever a window changes. It starts its own Xvfb (1280x1024, 96 dpi),
# openbox and the demo front desk, runs a task of the demo store with the
# keyboard (Enter presses Go on the task "Close cashiers"), photographs the countdown
# during the run and the main window after it, runs "Card settlement" and turns the
# printed totals page into a PNG, then opens the key editor on the first key sequence.
#
# Not run by CI; needs, beyond scripts/install-deps.sh: x11-apps (xwd), imagemagick
# (convert), poppler-utils (pdftoppm), and a CUPS queue "PDF" on cups-pdf
# (scripts/setup-printer.sh makes it; pages land in ~/PDF).
set -eu
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
out=$(pwd)/docs/screenshots
mkdir -p "$out"
for tool in Xvfb openbox xdotool xwininfo xwd convert pdftoppm pdftotext; do
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
# openbox now and then gives up while a new server is still settling; once more then.
for attempt in 1 2 3; do
    openbox >/dev/null 2>&1 &
    started="$! $started"
    await 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' && break
    [ "$attempt" -lt 3 ] || exit 1
done

"$build/frontdesk" >/dev/null 2>&1 &
started="$! $started"
await 10 xwininfo -name "Front Desk"

# The program on a copy of the demo store, with the report files its keys read.
cp "$build/db.mdb" "$build/nightaudit" "$work/"
cp data/samples/audit_report.txt data/samples/noshow_report.txt "$work/"
# The queue PDF is its default printer (an empty HOME keeps a ~/.cups/lpoptions of the
# user's from naming another); cups-pdf still writes into the user's own ~/PDF.
mkdir "$work/home"
(cd "$work" && HOME="$work/home" LPDEST=PDF PRINTER=PDF ./nightaudit >/dev/null 2>&1) &
started="$! $started"
main="Quillmar Night Audit"
await 10 xwininfo -name "$main"
sleep 1
activate() { xdotool search --name "^$1\$" windowactivate --sync >/dev/null 2>&1 || true; }

# A run of "Close cashiers": the countdown during a wait, the window after the run.
activate "$main"
xdotool key Down Return
await 20 xwininfo -name "Waiting ...."
shoot "Waiting ...." countdown
quiet=0  # the run has ended once no countdown showed for 5 s
for _ in $(seq 600); do
    if xwininfo -name "Waiting ...." >/dev/null 2>&1; then quiet=0; else quiet=$((quiet + 1)); fi
    [ "$quiet" -ge 50 ] && break
    sleep 0.1
done
shoot "$main" main-window-after-run

# "Card settlement" prints the card totals: its PDF page as a picture.
touch "$work/marker"
activate "$main"
xdotool key Home Left Down Return
# Other programs may print to the same queue meanwhile: the page taken is the first new
# one that holds the card totals, copied at once.
pdf=""
for _ in $(seq 300); do
    for f in $(find "$HOME/PDF" -name '*.pdf' -newer "$work/marker" 2>/dev/null); do
        sleep 0.5  # cups-pdf writes the file before it closes it
        cp "$f" "$work/page.pdf" 2>/dev/null || continue
        pdftotext "$work/page.pdf" - 2>/dev/null | grep -q "American Express" && pdf="$work/page.pdf" && break
    done
    [ -n "$pdf" ] && break
    sleep 0.1
done
[ -n "$pdf" ] || { echo "screenshots.sh: no totals page was printed" >&2; exit 1; }
pdftoppm -png -r 50 -singlefile "$pdf" "$work/totals"
convert "$work/totals.png" -strip -colors 64 "PNG8:$out/printed-totals.png"
echo "screenshots.sh: docs/screenshots/printed-totals.png"

# The key editor on the first key sequence; its pencil button is at the foot of the tree.
activate "$main"
xdotool key Home Right Down Down  # the first task sequence was folded
eval "$(xwininfo -name "$main" | awk '/Absolute upper-left X/ {print "x=" $4} /Absolute upper-left Y/ {print "y=" $4}')"
xdotool mousemove $((x + (120 + 135 + 3420 + 127) / 15)) $((y + (120 + 6840 + 135 + 127) / 15)) click 1
await 10 xwininfo -name "Edit Keys"
sleep 0.5
shoot "Edit Keys" key-editor
xdotool key Escape
await 10 gone "Edit Keys"
