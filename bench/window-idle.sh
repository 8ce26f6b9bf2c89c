#!/bin/bash
# SPDX-FileCopyrightText: 2026 Nimbra Warden developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The window's idle cost: the real service on private buses, simulated peers reporting
# APPLICATIONS applications (default 20) with traffic every second, and the window open on
# the live view. After a warm-up it reads the window's CPU time and resident size from /proc
# over SECONDS (default 30). The window draws offscreen unless DISPLAY is set.
# Budget: at most 1 % of one core and 80 MB resident.
# Usage: bench/window-idle.sh BUILD_DIR [SECONDS] [APPLICATIONS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$1 seconds=${2:-30} applications=${3:-20}
work=$(mktemp -d "${TMPDIR:-/tmp}/nwt-window-idle.XXXXXX")
trap 'rm -rf "$work"' EXIT

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
        [ "$i" -gt 0 ] && printf ',\n'
        printf '{"pid": %d, "procName": "net%d", ' $((10000 + i)) "$i"
        printf '"desktopPath": "/usr/share/applications/org.example.Net%d.desktop"}' "$i"
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
    gdbus call --session --dest com.nimbra.warden.PeerSimulator \
        --object-path /com/nimbra/warden/PeerSimulator \
        --method com.nimbra.warden.PeerSimulator.PublishProcesses >/dev/null
    [ -n "${DISPLAY:-}" ] || export QT_QPA_PLATFORM=offscreen
    "$build/window/nimbra-warden-traffic-window" >"$HOME/window.log" 2>&1 &
    window=$!
    sleep 10 # start-up, first lists, fonts and icons
    rows=$(gdbus call --session --dest com.nimbra.warden.trafficdetails \
        --object-path /com/nimbra/warden/trafficdetails \
        --method com.nimbra.warden.trafficdetails.Queries.GetTotals today |
        grep -o "Net[0-9]*\.desktop" | sort -u | wc -l)
    ticks=$(getconf CLK_TCK)
    cpu_ticks() { awk "{ print \$14 + \$15 }" "/proc/$window/stat"; }
    before=$(cpu_ticks)
    sleep "$seconds"
    after=$(cpu_ticks)
    rss=$(awk "/^VmRSS/ { print \$2 }" "/proc/$window/status")
    hwm=$(awk "/^VmHWM/ { print \$2 }" "/proc/$window/status")
    awk -v used=$((after - before)) -v hz="$ticks" -v s="$seconds" -v rss="$rss" -v hwm="$hwm" \
        -v rows="$rows" -v platform="${QT_QPA_PLATFORM:-xcb}" \
        "BEGIN { printf \"window idle over %d s (%s, %d applications with traffic today): cpu %.2f%% of one core, resident %.1f MB (peak %.1f MB)\n\", s, platform, rows, 100 * used / hz / s, rss / 1024, hwm / 1024 }"
    kill "$window" "$simulator" "$service" 2>/dev/null || true
    wait 2>/dev/null || true
' window-idle "$build" "$scenario" "$seconds"
