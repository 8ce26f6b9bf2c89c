#!/bin/bash
# SPDX-FileCopyrightText: 2026 Nimbra Warden developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The main job: installs what is missing, builds the service, the client and the simulated
# peers (nothing else), then runs the service on a private session bus and a private
# system-bus stand-in, fed by the simulated peers, with the client's live view in front.
# Ctrl-C stops and cleans up all. Data stays in ./demo-home unless --real-home is given;
# the private session bus's address is kept in demo-home/bus-address while the demo runs.
# With the simulated peers, Firefox ESR gets a day budget that the traffic crosses within
# half a minute; the budgets are listed when the demo stops.
# --live runs the real daemons (kernel-fed network monitor, process and launcher peers)
# instead of the simulated peers, on this machine's own traffic; --traffic adds a loopback
# traffic source launched as a demo application. Both need root.
# --window shows the desktop window instead of the client's live view when there is a display
# ($DISPLAY or $WAYLAND_DISPLAY); without one it writes a picture of the window to
# doc/window.png after 20 seconds of traffic.
# Usage: scripts/demo.sh [--real-home] [--live [--traffic]] [--window]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$root/build}

"$root/scripts/install-deps.sh"
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
command -v ccache >/dev/null && options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$BUILD_DIR" "${options[@]}" >/dev/null
home=$root/demo-home
session=$root/scripts/demo-session.sh
peers=(nimbra-warden-peer-simulator)
session_options=()
targets=()
for argument in "$@"; do
    case $argument in
    --real-home) home=$HOME ;;
    --live)
        session=$root/scripts/demo-live-session.sh
        peers=(nimbra-warden-netmonitor nimbra-warden-procmap)
        ;;
    --traffic) session_options+=(--traffic) ;;
    --window)
        session_options+=(--window)
        targets+=(nimbra-warden-traffic-window)
        ;;
    *)
        echo "usage: $0 [--real-home] [--live [--traffic]] [--window]" >&2
        exit 2
        ;;
    esac
done

cmake --build "$BUILD_DIR" -j"${JOBS:-2}" --target \
    nimbra-warden-trafficdetails nimbra-warden-traffic "${peers[@]}" "${targets[@]}"

mkdir -p "$root/demo-home"
# The private buses' fixture hides the display from tests; the demo's window wants it back.
export DEMO_DISPLAY=${DISPLAY:-} DEMO_WAYLAND_DISPLAY=${WAYLAND_DISPLAY:-}
export DEMO_SCREENSHOT=$root/doc/window.png
export DEMO_BUS_ADDRESS_FILE=$root/demo-home/bus-address
NWT_HOME=$home exec "$root/tests/fixture/with-private-buses.sh" "$session" "${session_options[@]}"
