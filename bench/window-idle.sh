#!/bin/bash
# SPDX-FileCopyrightText: 2026 Nimbra Warden developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The window's idle cost: the real service on private buses, simulated peers reporting
# APPLICATIONS applications (default 20) with traffic every second, and the window open on
# its live view. After a warm-up it reads the window's CPU time and resident size from /proc
# over SECONDS (default 30). The window draws offscreen unless DISPLAY is set (xvfb-run).
# Budget: at most 1 % of one core and 80 MB resident.
# Usage: bench/window-idle.sh BUILD_DIR [SECONDS] [APPLICATIONS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$1 seconds=${2:-30} applications=${3:-20}
# The private buses hide the display; the window gets it back.
export BENCH_DISPLAY=${DISPLAY:-}

"$root/bench/with-simulated-service.sh" "$build" "$applications" 1 bash -c '
    build=$1 seconds=$2
    if [ -n "$BENCH_DISPLAY" ]; then export DISPLAY=$BENCH_DISPLAY; else export QT_QPA_PLATFORM=offscreen; fi
    "$build/window/nimbra-warden-traffic-window" >"$HOME/window.log" 2>&1 &
    window=$!
    sleep 10 # start-up, the first lists, fonts and icons
    shown=$(gdbus call --session --dest com.nimbra.warden.trafficdetails \
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
    kill "$window"
    awk -v used=$((after - before)) -v hz="$ticks" -v s="$seconds" -v rss="$rss" -v hwm="$hwm" \
        -v shown="$shown" -v platform="${QT_QPA_PLATFORM:-xcb}" \
        "BEGIN { printf \"window idle over %d s (%s, %d applications with traffic): cpu %.2f%% of one core, resident %.1f MB (peak %.1f MB)\n\", s, platform, shown, 100 * used / hz / s, rss / 1024, hwm / 1024 }"
' window-idle "$build" "$seconds"
