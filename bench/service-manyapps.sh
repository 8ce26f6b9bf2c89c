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
"$root/bench/with-simulated-service.sh" "$build" "$applications" 2 bash -c '
    build=$1 seconds=$2 service=$NWT_SERVICE_PID
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
' manyapps "$build" "$seconds"
