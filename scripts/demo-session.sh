#!/bin/bash
# Runs inside the private buses set up by demo.sh: peers, service, live view.
set -u
build=$BUILD_DIR
logs=$HOME/logs
mkdir -p "$logs"
pids=()
stop() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
}
trap stop EXIT
trap 'exit 130' INT TERM

"$build/tools/peer-simulator/nimbra-warden-peer-simulator" >"$logs/peer-simulator.log" 2>&1 &
pids+=($!)
"$build/service/nimbra-warden-trafficdetails" >"$logs/service.log" 2>&1 &
pids+=($!)
sleep 1

echo "Service log: $logs/service.log; history: $HOME/.nimbra-warden/warden.db"
echo "From another terminal: DBUS_SESSION_BUS_ADDRESS='$DBUS_SESSION_BUS_ADDRESS' \\"
echo "    $build/tools/traffic-client/nimbra-warden-traffic history firefox-esr.desktop today"
sleep 3
"$build/tools/traffic-client/nimbra-warden-traffic" watch
