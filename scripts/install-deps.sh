#!/bin/sh
# Installs, as root on Debian 12, every package the build, the program, the tests and
# the .deb packages (CPack, shlibdeps, lintian) need. Packages already present are left
# alone; apt-get runs only when one is missing.
set -eu

PACKAGES="cmake ninja-build g++ clang libclang-rt-14-dev clang-format
qt6-base-dev libsqlite3-dev libsqlitecpp-dev sqlite3
libx11-dev libxtst-dev libxkbcommon-dev
xvfb xauth openbox xterm x11-utils x11-xkb-utils xdotool wmctrl
cups cups-client libcups2-dev printer-driver-cups-pdf poppler-utils locales
dpkg-dev file lintian desktop-file-utils appstream
wine wine64 mousepad dbus-daemon chromium openjdk-17-jdk-headless openjdk-17-jre x11-xserver-utils"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -n "$missing" ]; then
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $missing
fi

# The tests run under a comma-decimal locale and a US one; Debian ships neither generated.
for loc in de_DE en_US; do
    if ! locale -a 2>/dev/null | grep -qx "$loc.utf8"; then
        localedef -i "$loc" -f UTF-8 "$loc.UTF-8"
    fi
done
