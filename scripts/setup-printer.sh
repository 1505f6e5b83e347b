#!/bin/sh
# Makes a CUPS queue "PDF" on the cups-pdf driver, so that printing works on a machine
# without paper: pages land as PDF files in ~/PDF (/root/PDF as root). The machine's
# default printer is not changed; a program prints there when started with LPDEST=PDF.
# With a queue name (scripts/setup-printer.sh QUEUE) it makes that cups-pdf queue
# instead: the printing test makes one of its own to refuse jobs on. Safe to run again:
# a running scheduler and an existing queue are left as they are.
set -eu
queue=${1:-PDF}

running() { lpstat -r 2>/dev/null | grep -q "scheduler is running"; }

if ! running; then
    command -v cupsd >/dev/null || { echo "setup-printer: cupsd is not installed" >&2; exit 1; }
    cupsd
    tries=0
    until running; do
        tries=$((tries + 1))
        [ "$tries" -le 50 ] || { echo "setup-printer: cupsd did not start within 10 s" >&2; exit 1; }
        sleep 0.2
    done
fi

if ! lpstat -p "$queue" >/dev/null 2>&1; then
    ppd=$(lpinfo -m 2>/dev/null | awk '/CUPS-PDF_opt\.ppd/ { print $1; exit }')
    if [ -z "$ppd" ]; then
        ppd=$(find /usr/share/ppd -name 'CUPS-PDF_opt.ppd*' 2>/dev/null | head -n 1)
    fi
    [ -n "$ppd" ] || { echo "setup-printer: CUPS-PDF_opt.ppd not found (printer-driver-cups-pdf?)" >&2; exit 1; }
    # pdftocairo keeps the fonts as real fonts; the default renderer's Type 3 fonts
    # cannot be read back as text.
    lpadmin -p "$queue" -v cups-pdf:/ -E -m "$ppd" -o pdftops-renderer-default=pdftocairo
fi

echo "setup-printer: queue $queue is ready (print to it with LPDEST=$queue)"
