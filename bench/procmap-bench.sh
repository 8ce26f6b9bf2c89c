#!/bin/bash
# SPDX-FileCopyrightText: 2026 Nimbra Warden developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Idle cost of the process map: its CPU share while nothing happens, with the machine's own
# processes and with COUNT more sleeping ones of the user (each a program that a desktop entry names, so
# that all of them are mapped). The first seconds, when every process is read once, are
# printed apart.
# Usage: bench/procmap-bench.sh BUILD_DIR [SECONDS] [COUNT]
set -euo pipefail
build=$(cd "${1:?usage: procmap-bench.sh BUILD_DIR [SECONDS] [COUNT]}" && pwd)
seconds=${2:-30}
count=${3:-2000}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
procmap=$build/peers/nimbra-warden-procmap
[ -x "$procmap" ] || { echo "build the process map first: $procmap" >&2; exit 1; }
# The map reads only its own user's processes: as root it would count every daemon and build
# of the machine as the user's, so a root run goes on as nobody.
if [ "$(id -u)" -eq 0 ]; then
    exec setpriv --reuid=nobody --regid=nogroup --clear-groups -- "$0" "$build" "$seconds" "$count"
fi
[ -n "${NWT_FIXTURE_DIR:-}" ] || exec "$root/tests/fixture/with-private-buses.sh" "$0" "$@"

work=$(mktemp -d)
sleepers=()
procmap_pid=
stop() {
    for pid in $procmap_pid "${sleepers[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    procmap_pid=
    sleepers=()
}
trap 'stop; rm -rf "$work"' EXIT
mkdir -p "$work/share/applications" "$work/bin"
cp /bin/sleep "$work/bin/nwt-bench-sleeper"
printf '[Desktop Entry]\nType=Application\nName=Bench sleeper\nExec=%s\n' \
    "$work/bin/nwt-bench-sleeper" >"$work/share/applications/nwt-bench-sleeper.desktop"
export XDG_DATA_DIRS=$work/share

cpu_seconds() {
    awk -v hz="$(getconf CLK_TCK)" '{ sub(/.*\) /, ""); print ($12 + $13) / hz }' "/proc/$1/stat"
}

# One run: the map starts, reads everything once, then is measured for SECONDS.
measure() { # LABEL
    local start_cpu end_cpu processes
    "$procmap" >"$work/procmap.log" 2>&1 &
    procmap_pid=$!
    sleep 5
    start_cpu=$(cpu_seconds "$procmap_pid")
    sleep "$seconds"
    end_cpu=$(cpu_seconds "$procmap_pid")
    processes=$(ls /proc | grep -c '^[0-9]')
    kill "$procmap_pid"
    wait "$procmap_pid" 2>/dev/null || true
    procmap_pid=
    awk -v label="$1" -v n="$processes" -v s="$start_cpu" -v e="$end_cpu" -v t="$seconds" \
        'BEGIN { printf "%-28s %5d processes: idle %.2f %% of a core (%.2f s in %d s); first 5 s %.2f s\n",
                 label, n, 100 * (e - s) / t, e - s, t, s }'
}

measure "machine's own processes"
for _ in $(seq "$count"); do
    "$work/bin/nwt-bench-sleeper" 3600 &
    sleepers+=($!)
done
measure "with $count sleeping"
