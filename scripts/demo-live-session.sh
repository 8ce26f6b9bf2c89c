#!/bin/bash
# SPDX-FileCopyrightText: 2026 Nimbra Warden developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs inside the private buses set up by demo.sh --live: the real daemons instead of the
# simulator (the network monitor on the private system bus, procmap on the session bus),
# the service and the live view. Needs root for the monitor's eBPF programs.
# The monitor reports each user's processes to that user only; here everything runs as root,
# so the view shows root's processes that belong to an installed application.
# --traffic also starts a loopback traffic source that belongs to a demo application, and
# counts loopback traffic.
# Usage (inside with-private-buses.sh, BUILD_DIR set): demo-live-session.sh [--traffic] [--window]
set -u
build=$BUILD_DIR
logs=$HOME/logs
mkdir -p "$logs"
pids=()
stop() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -f "${DEMO_BUS_ADDRESS_FILE:-}"
}
trap stop EXIT
trap 'exit 130' INT TERM

monitor_options=()
if [[ " $* " == *" --traffic "* ]]; then
    monitor_options+=(--loopback)
    entry=$HOME/.local/share/applications/nwt-demo-traffic.desktop
    mkdir -p "$(dirname "$entry")"
    printf '[Desktop Entry]\nType=Application\nName=Demo traffic\nExec=python3\nIcon=network-transmit-receive\n' >"$entry"
fi

"$build/monitor/nimbra-warden-netmonitor" "${monitor_options[@]}" >"$logs/netmonitor.log" 2>&1 &
pids+=($!)
sleep 1
if ! kill -0 "${pids[0]}" 2>/dev/null; then
    cat "$logs/netmonitor.log" >&2
    exit 1
fi
"$build/peers/nimbra-warden-procmap" >"$logs/procmap.log" 2>&1 &
pids+=($!)
sleep 1
"$build/service/nimbra-warden-trafficdetails" >"$logs/service.log" 2>&1 &
pids+=($!)

if [ -n "${entry:-}" ]; then
    # About 200 kB/s each way over loopback, in a process launched as the demo application.
    GIO_LAUNCHED_DESKTOP_FILE=$entry python3 "$(dirname "${BASH_SOURCE[0]}")/loopback-traffic.py" >"$logs/traffic.log" 2>&1 &
    pids+=($!)
fi
sleep 1

[ -n "${DEMO_BUS_ADDRESS_FILE:-}" ] && echo "$DBUS_SESSION_BUS_ADDRESS" >"$DEMO_BUS_ADDRESS_FILE"
echo "Logs: $logs; history: $HOME/.nimbra-warden/warden.db"
echo "From another terminal, talk to this demo with:"
echo "    DBUS_SESSION_BUS_ADDRESS='$DBUS_SESSION_BUS_ADDRESS' $build/tools/traffic-client/nimbra-warden-traffic apps"
sleep 3
"$(dirname "${BASH_SOURCE[0]}")/demo-front.sh" "$@"
