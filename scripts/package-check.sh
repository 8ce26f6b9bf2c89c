#!/bin/bash
# SPDX-FileCopyrightText: 2026 Nimbra Warden developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian packages from a copy of the tree, installs them, has a private session bus
# start the service through the installed activation file, stops it, and removes the packages
# again. Installs packages, so it runs as root (or through sudo).
# Usage: scripts/package-check.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/nwt-package.XXXXXX")
packages=(nimbra-warden-trafficdetails nimbra-warden-trafficdetails-demo nimbra-warden-traffic-window)
service=com.nimbra.warden.trafficdetails
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
pids=() # the buses and the activated service
installed=false

cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    if $installed; then
        "${as_root[@]}" apt-get purge -y -qq "${packages[@]}" >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "package check: $*" >&2
    exit 1
}

"$root/scripts/install-deps.sh"

echo "== building the packages"
# A copy without build folders, so that the build leaves the work tree alone.
mkdir "$work/src"
tar -C "$root" --exclude='./build*' --exclude=./demo-home --exclude=./.git \
    --exclude=./debian/build -cf - . | tar -C "$work/src" -xf -
(cd "$work/src" && DEB_BUILD_OPTIONS="noddebs nocheck" dpkg-buildpackage -us -uc -b \
    >"$work/build.log" 2>&1) || { tail -40 "$work/build.log"; fail "dpkg-buildpackage failed"; }
debs=()
for package in "${packages[@]}"; do debs+=("$work/${package}_"*.deb); done
echo "built: ${debs[*]##*/}"

echo "== installing"
installed=true
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${debs[@]}" >/dev/null
for file in /usr/bin/nimbra-warden-trafficdetails /usr/bin/nimbra-warden-traffic \
    /usr/share/dbus-1/services/$service.service \
    /usr/lib/systemd/user/nimbra-warden-trafficdetails.service \
    /usr/share/man/man1/nimbra-warden-trafficdetails.1.gz \
    /usr/share/man/man1/nimbra-warden-traffic.1.gz \
    /usr/share/bash-completion/completions/nimbra-warden-traffic \
    /usr/share/doc/nimbra-warden-trafficdetails/copyright \
    /usr/libexec/nimbra-warden-trafficdetails/nimbra-warden-peer-simulator \
    /usr/bin/nimbra-warden-traffic-window \
    /usr/share/applications/com.nimbra.warden.TrafficWindow.desktop \
    /usr/share/icons/hicolor/scalable/apps/com.nimbra.warden.TrafficWindow.svg; do
    [ -e "$file" ] || fail "$file is not installed"
done
appstreamcli validate --no-net /usr/share/metainfo/com.nimbra.warden.TrafficWindow.metainfo.xml \
    >/dev/null || fail "the window's metainfo does not validate"
! command -v nimbra-warden-peer-simulator >/dev/null || fail "the simulator is on the PATH"
nimbra-warden-traffic --version
/usr/libexec/nimbra-warden-trafficdetails/nimbra-warden-peer-simulator --version

echo "== activating the service on a private bus"
cat >"$work/session.conf" <<CONF
<busconfig>
  <type>session</type>
  <listen>unix:dir=$work</listen>
  <auth>EXTERNAL</auth>
  <servicedir>/usr/share/dbus-1/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
start_bus() { # CONFIG: sets bus_address
    local out
    out=$(dbus-daemon --config-file="$1" --fork --print-address=1 --print-pid=1)
    pids+=("$(sed -n 2p <<<"$out")")
    bus_address=$(sed -n 1p <<<"$out")
}
mkdir -p "$work/home"
# The activated service inherits the bus's environment: its own HOME and system bus.
export HOME=$work/home
unset XDG_RUNTIME_DIR XDG_DATA_HOME XDG_CONFIG_HOME DISPLAY WAYLAND_DISPLAY
start_bus "$root/tests/fixture/bus.conf"
export DBUS_SYSTEM_BUS_ADDRESS=$bus_address
start_bus "$work/session.conf"
export DBUS_SESSION_BUS_ADDRESS=$bus_address

owned() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:$service | grep -q "boolean true"
}
owned && fail "the service runs before anyone asked for it"
nimbra-warden-traffic apps || fail "the client got no answer from the activated service"
owned || fail "the service is not on the bus after activation"
pids+=("$(dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.GetConnectionUnixProcessID string:$service | awk '/uint32/ {print $2}')")
[ -e "$HOME/.nimbra-warden/warden.db" ] || fail "the service made no history file"
nimbra-warden-traffic quit
for _ in $(seq 50); do owned || break; sleep 0.1; done
owned && fail "the service did not exit"
[ "$(nimbra-warden-traffic quit)" = "the service is not running" ] ||
    fail "quit on a stopped service said something else"
owned && fail "quit started the stopped service"
# The window starts offscreen, has the service activated and pictures its figures.
QT_QPA_PLATFORM=offscreen nimbra-warden-traffic-window --screenshot "$work/window.png" \
    --screenshot-delay 3 || fail "the window did not start offscreen"
[ -s "$work/window.png" ] || fail "the window wrote no picture"
owned || fail "the window did not have the service activated"
nimbra-warden-traffic quit

echo "== removing"
"${as_root[@]}" apt-get purge -y -qq "${packages[@]}" >/dev/null
installed=false
for file in /usr/bin/nimbra-warden-trafficdetails /usr/share/dbus-1/services/$service.service \
    /usr/libexec/nimbra-warden-trafficdetails; do
    [ ! -e "$file" ] || fail "$file is left after removal"
done
echo "package check passed"
