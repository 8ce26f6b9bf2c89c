#!/bin/bash
# SPDX-FileCopyrightText: 2026 Nimbra Warden developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the real service on private buses with simulated peers reporting many
# applications (two processes each, a speed and a total sample per process a
# second) and measures it from outside: the spacing of its speed lists, its
# resident size over time and its share of one core.
# Usage: bench/service-manyapps.sh BUILD_DIR [SECONDS] [APPLICATIONS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$1 seconds=${2:-150} applications=${3:-1000}
work=$(mktemp -d "${TMPDIR:-/tmp}/nwt-manyapps.XXXXXX")
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
        for process in 0 1; do
            [ "$i$process" != 00 ] && printf ',\n'
            printf '{"pid": %d, "procName": "net%d", ' $((10000 + 2 * i + process)) "$i"
            printf '"desktopPath": "/usr/share/applications/org.example.Net%d.desktop"}' "$i"
        done
    done
    printf ']}\n'
} >"$scenario"

NWT_HOME=$work/home "$root/tests/fixture/with-private-buses.sh" bash -c '
    build=$1 scenario=$2 seconds=$3
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
    "$build/bench/service-latency" org.example.Net7.desktop "$seconds" &
    latency=$!
    ticks=$(getconf CLK_TCK)
    cpu_ticks() { awk "{ print \$14 + \$15 }" "/proc/$service/stat"; }
    last=$(cpu_ticks) started=$SECONDS
    while kill -0 "$latency" 2>/dev/null; do
        sleep 10
        kill -0 "$service" 2>/dev/null || { echo "the service ended"; break; }
        now=$(cpu_ticks)
        rss=$(awk "/^VmRSS/ { print \$2 }" "/proc/$service/status")
        # The load average tells whether the share was what the service asked for or all it got.
        awk -v t=$((SECONDS - started)) -v rss="$rss" -v used=$((now - last)) -v hz="$ticks" \
            -v load="$(cut -d" " -f1 /proc/loadavg)" \
            "BEGIN { printf \"%4ds: resident %.1f MB, cpu %.0f%% of one core over 10 s, load %s\n\", t, rss / 1024, 100 * used / hz / 10, load }"
        last=$now
    done
    wait "$latency" || true
    grep -E "VmRSS|VmHWM" "/proc/$service/status" || true
    kill "$simulator" 2>/dev/null || true
    # The service saves before it ends; a long backlog of samples may delay that.
    kill "$service" 2>/dev/null || true
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        kill -0 "$service" 2>/dev/null || break
        sleep 1
    done
    kill -KILL "$service" 2>/dev/null || true
' manyapps "$build" "$scenario" "$seconds"
