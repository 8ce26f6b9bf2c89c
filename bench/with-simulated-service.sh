#!/bin/bash
# SPDX-FileCopyrightText: 2026 Nimbra Warden developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs COMMAND beside the real service on private buses, fed by simulated peers that report
# APPLICATIONS applications (org.example.Net0.desktop on) of PROCESSES processes each, every
# one moving traffic every second. COMMAND finds the service's pid in NWT_SERVICE_PID; the
# peers and the service are stopped after it, the service given time to save.
# Usage: bench/with-simulated-service.sh BUILD_DIR APPLICATIONS PROCESSES COMMAND [ARGS...]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$1 applications=$2 processes=$3
shift 3
work=$(mktemp -d "${TMPDIR:-/tmp}/nwt-simulated.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The peers publish their lists once a minute: each new desktop list makes one
# extra display cycle, which would blur the one-second spacing.
scenario=$work/scenario.json
{
    printf '{"sampleIntervalMs": 1000, "publishIntervalMs": 60000, "applications": [\n'
    for ((i = 0; i < applications; i++)); do
        [ "$i" -gt 0 ] && printf ',\n'
        printf '{"desktopPath": "/usr/share/applications/org.example.Net%d.desktop", ' "$i"
        printf '"appName": "Net %d", "extraText": "Network;", "icon": "net-%d"}' "$i" "$i"
    done
    printf '],\n"processes": [\n'
    for ((i = 0; i < applications; i++)); do
        for ((process = 0; process < processes; process++)); do
            [ "$i$process" != 00 ] && printf ',\n'
            printf '{"pid": %d, "procName": "net%d", ' $((10000 + processes * i + process)) "$i"
            printf '"desktopPath": "/usr/share/applications/org.example.Net%d.desktop"}' "$i"
        done
    done
    printf ']}\n'
} >"$scenario"

NWT_HOME=$work/home "$root/tests/fixture/with-private-buses.sh" bash -c '
    build=$1 scenario=$2
    shift 2
    "$build/tools/peer-simulator/nimbra-warden-peer-simulator" --scenario "$scenario" \
        >/dev/null 2>&1 &
    simulator=$!
    sleep 1
    "$build/service/nimbra-warden-trafficdetails" >"$HOME/service.log" 2>&1 &
    service=$!
    sleep 1
    # The lists the simulator published at its start reached no service yet.
    gdbus call --session --dest com.nimbra.warden.PeerSimulator \
        --object-path /com/nimbra/warden/PeerSimulator \
        --method com.nimbra.warden.PeerSimulator.PublishProcesses >/dev/null
    status=0
    NWT_SERVICE_PID=$service "$@" || status=$?
    kill "$simulator" 2>/dev/null || true
    # The service saves before it ends; a long backlog of samples may delay that.
    kill "$service" 2>/dev/null || true
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        kill -0 "$service" 2>/dev/null || break
        sleep 1
    done
    kill -KILL "$service" 2>/dev/null || true
    exit "$status"
' simulated-service "$build" "$scenario" "$@"
