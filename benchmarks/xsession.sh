# Sourced by the benchmark scripts (sh): a throwaway X session in $WORK, torn down on exit.
# The caller sets WORK (a fresh folder) first; start_x_session then sets DISPLAY and RECORD
# (the file a raw xterm titled "Front Desk" appends every byte it receives to).
PIDS=""

cleanup() {
    # Clients first, the server last.
    for pid in $PIDS; do kill "$pid" 2>/dev/null || true; done
    for pid in $PIDS; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$WORK"
}
trap cleanup EXIT INT TERM

# A bounded poll: waits until the command succeeds, at most $1 tenths of a second.
wait_for() {
    tries=$1
    shift
    while ! "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}

# A free display number, openbox for window activation, and the recording xterm.
start_x_session() {
    n=$((60 + $$ % 100))
    while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    DISPLAY=:$n
    export DISPLAY
    Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    PIDS="$! $PIDS"
    wait_for 100 xdpyinfo || { echo "Xvfb did not come up" >&2; exit 1; }
    openbox >/dev/null 2>&1 &
    PIDS="$! $PIDS"
    wait_for 100 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
        { echo "openbox did not come up" >&2; exit 1; }
    RECORD=$WORK/recorder.bin
    xterm -T 'Front Desk' -xrm 'XTerm*allowTitleOps: false' \
        -e sh -c "stty raw -echo; exec cat >> '$RECORD'" >/dev/null 2>&1 &
    PIDS="$! $PIDS"
    wait_for 100 sh -c "test -e '$RECORD' && xwininfo -root -tree | grep -q '\"Front Desk\"'" ||
        { echo "the recording xterm did not come up" >&2; exit 1; }
}
