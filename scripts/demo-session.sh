#!/bin/bash
# SPDX-FileCopyrightText: 2026 Nimbra Warden developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs inside the private buses set up by demo.sh: peers, service, live view or window.
# Usage: demo-session.sh [--window]
set -u
build=$BUILD_DIR
client=$build/tools/traffic-client/nimbra-warden-traffic
logs=$HOME/logs
mkdir -p "$logs"
pids=()
stop() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -f "$DEMO_BUS_ADDRESS_FILE"
}
trap stop EXIT
trap 'exit 130' INT TERM

"$build/tools/peer-simulator/nimbra-warden-peer-simulator" >"$logs/peer-simulator.log" 2>&1 &
pids+=($!)
"$build/service/nimbra-warden-trafficdetails" >"$logs/service.log" 2>&1 &
pids+=($!)
echo "$DBUS_SESSION_BUS_ADDRESS" >"$DEMO_BUS_ADDRESS_FILE"
sleep 1

echo "Service log: $logs/service.log; history: $HOME/.nimbra-warden/warden.db"
echo "From another terminal, talk to this demo with:"
echo "    DBUS_SESSION_BUS_ADDRESS=\$(cat $DEMO_BUS_ADDRESS_FILE) $client apps"
sleep 4
"$(dirname "${BASH_SOURCE[0]}")/demo-front.sh" "$@"
