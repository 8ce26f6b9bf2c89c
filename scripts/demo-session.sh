#!/bin/bash
# SPDX-FileCopyrightText: 2026 Nimbra Warden developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs inside the private buses set up by demo.sh: peers, service, live view or window.
# Sets a day budget that the simulated traffic crosses soon; with --window the service's
# budget lines follow in the terminal. At the end it lists the budgets.
# Usage: demo-session.sh [--window]
set -u
build=$BUILD_DIR
client=$build/tools/traffic-client/nimbra-warden-traffic
logs=$HOME/logs
mkdir -p "$logs"
window=false
[[ " $* " == *" --window "* ]] && window=true
pids=()
stop() {
    $window || sed -n 's/.*\] //; /budget reached/p' "$logs/service.log"
    kill -0 "${service:-}" 2>/dev/null && "$client" budget list
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -f "$DEMO_BUS_ADDRESS_FILE"
}
trap stop EXIT
trap 'exit 130' INT TERM

"$build/tools/peer-simulator/nimbra-warden-peer-simulator" >"$logs/peer-simulator.log" 2>&1 &
pids+=($!)
# In a session of its own, so that Ctrl-C leaves it to list the budgets at the end.
setsid "$build/service/nimbra-warden-trafficdetails" >"$logs/service.log" 2>&1 &
service=$!
pids+=($service)
echo "$DBUS_SESSION_BUS_ADDRESS" >"$DEMO_BUS_ADDRESS_FILE"
sleep 1

# Firefox ESR gets the most traffic, 1.5 to 2 MiB a save. Its day budget is set from today's
# use so far, so that its warning (40 %) comes about 15 s from now also when demo-home
# holds traffic of an earlier run, well before the window's picture; on a fresh demo-home the
# limit follows about 15 s later, after the picture.
used=$("$client" apps --json --units B | python3 -c 'import json, sys
print(round(sum(a["total"] for a in json.load(sys.stdin)["applications"] if a["name"] == "Firefox ESR")))')
"$client" budget set "Firefox ESR" day "$((5 * ${used:-0} / 2 + 8 * 1024 * 1024))B" --warn 40
if $window; then
    tail --pid="$service" -n +1 -F "$logs/service.log" 2>/dev/null |
        sed -un 's/.*\] //; /budget reached/p' &
fi

echo "Service log: $logs/service.log; history: $HOME/.nimbra-warden/warden.db"
echo "From another terminal, talk to this demo with:"
echo "    DBUS_SESSION_BUS_ADDRESS=\$(cat $DEMO_BUS_ADDRESS_FILE) $client apps"
sleep 4
"$(dirname "${BASH_SOURCE[0]}")/demo-front.sh" "$@"
