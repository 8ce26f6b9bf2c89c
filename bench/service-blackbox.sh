#!/bin/bash
# SPDX-FileCopyrightText: 2026 Nimbra Warden developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the real service on private buses, fed by the simulated peers, with a
# given history file in its HOME, and measures it from outside: the spacing of
# its speed lists while the flow list shows this month, the time to answer one
# application's month, and its resident size.
# Usage: bench/service-blackbox.sh BUILD_DIR WARDEN_DB "YYYY-MM-DD hh:mm:ss" APP [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$1 database=$2 start=$3 app=$4 seconds=${5:-60}
home=$(mktemp -d "${TMPDIR:-/tmp}/nwt-blackbox.XXXXXX")
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/.nimbra-warden"
cp "$database" "$home/.nimbra-warden/warden.db"

NWT_HOME=$home "$root/tests/fixture/with-private-buses.sh" bash -c '
    root=$1 build=$2 start=$3 app=$4 seconds=$5
    # Peers that publish their lists once a minute: extra lists from a new
    # desktop list would blur the one-second spacing being measured.
    "$build/tools/peer-simulator/nimbra-warden-peer-simulator" \
        --scenario "$root/tests/fixtures/e2e/scenario.json" >/dev/null 2>&1 &
    simulator=$!
    sleep 0.5
    faketime -f "@$start" "$build/service/nimbra-warden-trafficdetails" >"$HOME/service.log" 2>&1 &
    sleep 1
    service=$(pgrep -n -f "^$build/service/nimbra-warden-trafficdetails")
    "$build/bench/service-latency" "$app" "$seconds"
    grep -E "VmRSS|VmHWM" "/proc/$service/status"
    kill "$service" "$simulator"
' blackbox "$root" "$build" "$start" "$app" "$seconds"
